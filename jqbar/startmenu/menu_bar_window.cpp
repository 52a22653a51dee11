#include "menu_bar_window.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "menu_bar_pages.h"
#include "menu_button_edit.h"
#include "menu_cache.h"
#include "menu_drag_drop.h"
#include "menu_entry_edit.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_startmenu.h"
#include "seams.h"

namespace jqbar {

namespace {

constexpr UINT_PTR kScrollTimer = 1;
constexpr UINT_PTR kHoverTimer = 2;
constexpr int kRowHeight = 21;

PanelType g_type;
std::vector<std::uint8_t> g_lastBlob;
UINT g_menuDelay = 500;

// What belongs to the program rather than to one bar: the one open menu and its tracking.
MenuWindowState* g_topMenu = nullptr;
MenuBarInstance* g_openBar = nullptr;
MenuButton* g_pressedButton = nullptr;
MenuWindowItem* g_hovered = nullptr;
MenuWindowItem* g_pressedItem = nullptr;
POINT g_pressPoint{};
bool g_tracking = false;
bool g_openUnderCursor = false;
// Where the pointer was last seen: a move message that does not move it (the system sends them
// after keys and window changes too) leaves the keyboard's highlight alone.
POINT g_lastMove{-100000, -100000};

bool IsHorizontal(MenuBarInstance* bar) {
  HWND parent = GetParent(bar->window);
  bar->horizontal = !parent || SendMessageA(parent, PNM_ISHORIZONTAL, 0, 0) != 0;
  return bar->horizontal;
}

std::vector<MenuButton*> ShownButtons(const MenuBarInstance* bar, int region) {
  std::vector<MenuButton*> shown;
  for (MenuButton* b : bar->regions[region])
    if (!b->removed) shown.push_back(b);
  return shown;
}

int Regions(const MenuBarInstance* bar) { return std::clamp(bar->head.regions, 1, kMaxRegions); }

int MostShown(const MenuBarInstance* bar) {
  int d = 0;
  for (int r = 0; r < Regions(bar); ++r) d = std::max(d, CountShownButtons(bar, r));
  return d;
}

RECT ButtonCell(const MenuBarInstance* bar, int region, int index) {
  const MenuBarSettings& h = bar->head;
  int slot = index - h.firstVisible;
  RECT r;
  if (bar->horizontal) {
    r.left = 2 + h.cellWidth * slot;
    r.top = 2 + region * (h.cellHeight + h.regionGap);
  } else {
    r.left = 2 + h.cellWidth * region;
    r.top = 2 + slot * (h.cellHeight + h.regionGap);
  }
  r.right = r.left + h.cellWidth;
  r.bottom = r.top + h.cellHeight;
  return r;
}

bool IsVisibleIndex(const MenuBarInstance* bar, int index) {
  return index >= bar->head.firstVisible &&
         index < bar->head.firstVisible + std::max(1, bar->head.visiblePerRegion);
}

MenuButton* ButtonAt(MenuBarInstance* bar, POINT p, RECT* cell = nullptr) {
  for (int r = 0; r < Regions(bar); ++r) {
    auto shown = ShownButtons(bar, r);
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
      if (!IsVisibleIndex(bar, i)) continue;
      RECT c = ButtonCell(bar, r, i);
      if (PtInRect(&c, p)) {
        if (cell) *cell = c;
        return shown[i];
      }
    }
  }
  return nullptr;
}

// The two scroll-arrow boxes at the end of the bar.
void ArrowBoxes(MenuBarInstance* bar, RECT* back, RECT* forward) {
  RECT c;
  GetClientRect(bar->window, &c);
  bool stacked = bar->head.scrollStacked != 0;
  if (bar->horizontal) {
    int left = c.right - (stacked ? 12 : 24);
    if (stacked) {
      *back = {left, 0, c.right, c.bottom / 2};
      *forward = {left, c.bottom / 2, c.right, c.bottom};
    } else {
      *back = {left, 0, left + 12, c.bottom};
      *forward = {left + 12, 0, c.right, c.bottom};
    }
  } else {
    int top = c.bottom - (stacked ? 12 : 24);
    if (stacked) {
      *back = {0, top, c.right / 2, c.bottom};
      *forward = {c.right / 2, top, c.right, c.bottom};
    } else {
      *back = {0, top, c.right, top + 12};
      *forward = {0, top + 12, c.right, c.bottom};
    }
  }
}

void DrawArrow(HDC dc, RECT box, bool backward, bool enabled, bool horizontal) {
  DrawEdge(dc, &box, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  COLORREF colour = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ ob = SelectObject(dc, brush), op = SelectObject(dc, pen);
  int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
  POINT tri[3];
  if (horizontal) {
    int d = backward ? -1 : 1;
    tri[0] = {cx + 2 * d, cy};
    tri[1] = {cx - 2 * d, cy - 3};
    tri[2] = {cx - 2 * d, cy + 3};
  } else {
    int d = backward ? -1 : 1;
    tri[0] = {cx, cy + 2 * d};
    tri[1] = {cx - 3, cy - 2 * d};
    tri[2] = {cx + 3, cy - 2 * d};
  }
  Polygon(dc, tri, 3);
  SelectObject(dc, ob);
  SelectObject(dc, op);
  DeleteObject(brush);
  DeleteObject(pen);
}

void PaintBar(MenuBarInstance* bar, HDC dc) {
  RECT client;
  GetClientRect(bar->window, &client);
  IsHorizontal(bar);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetMenuFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const MenuBarSettings& h = bar->head;
  for (int r = 0; r < Regions(bar); ++r) {
    auto shown = ShownButtons(bar, r);
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
      if (!IsVisibleIndex(bar, i)) continue;
      MenuButton* b = shown[i];
      RECT cell = ButtonCell(bar, r, i);
      bool pressed = b->pressed != 0;
      DrawEdge(dc, &cell, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
      int dx = pressed ? 1 : 0;
      RECT face{cell.left + 4 + dx, cell.top + 3 + dx, cell.right - 4 + dx, cell.bottom - 3 + dx};
      int textLeft = face.left;
      if (h.showIcons && b->icon) {
        DrawIconEx(dc, face.left, (face.top + face.bottom - 16) / 2, b->icon, 16, 16, 0, nullptr,
                   DI_NORMAL);
        textLeft = face.left + 18;
      }
      RECT text{textLeft, face.top, face.right, face.bottom};
      const char* name = b->name[0] == '\\' ? b->name + 1 : b->name;
      DrawTextA(dc, name, -1, &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
  }
  // Separators between regions.
  HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
  for (int r = 1; r < Regions(bar); ++r) {
    RECT sep;
    if (bar->horizontal)
      sep = {0, 2 + r * h.cellHeight - 1, client.right, 2 + r * h.cellHeight + 2};
    else
      sep = {2 + r * h.cellWidth - 1, 0, 2 + r * h.cellWidth + 2, client.bottom};
    FillRect(dc, &sep, shadow);
  }
  if (h.scrollShown) {
    RECT back, forward;
    ArrowBoxes(bar, &back, &forward);
    int d = MostShown(bar);
    DrawArrow(dc, back, true, h.firstVisible > 0, bar->horizontal);
    DrawArrow(dc, forward, false, h.firstVisible + h.visiblePerRegion < d, bar->horizontal);
  }
  SelectObject(dc, oldFont);
}

void DrawFocus(MenuBarInstance* bar) {
  if (!bar->focusActive || bar->focused < 0) return;
  int r = 0, i = 0, n = bar->focused;
  for (r = 0; r < Regions(bar); ++r) {
    int count = CountShownButtons(bar, r);
    if (n < count) break;
    n -= count;
  }
  if (r >= Regions(bar)) return;
  i = n;
  if (!IsVisibleIndex(bar, i)) return;
  RECT cell = ButtonCell(bar, r, i);
  InflateRect(&cell, -2, -2);
  DrawDragOutline(bar->window, &cell, nullptr);
}

void ClearPressed() {
  if (g_pressedButton && g_openBar) {
    g_pressedButton->pressed = 0;
    InvalidateRect(g_openBar->window, nullptr, FALSE);
  }
  g_pressedButton = nullptr;
}

void EndTracking() {
  KillTimer(g_openBar ? g_openBar->window : nullptr, kHoverTimer);
  bool wasTracking = g_tracking;
  g_tracking = false;
  if (wasTracking && g_openBar && GetCapture() == g_openBar->window) ReleaseCapture();
}

void OpenButtonMenu(MenuBarInstance* bar, MenuButton* button) {
  CloseMenus();
  RECT rect;
  if (!GetMenuButtonScreenRect(bar, button, &rect)) return;
  button->pressed = 1;
  InvalidateRect(bar->window, nullptr, FALSE);
  UpdateWindow(bar->window);
  g_openBar = bar;
  g_pressedButton = button;
  g_topMenu = OpenMenuWindow(button, nullptr, -1, nullptr, bar->head.smallIcons != 0,
                             IsHorizontal(bar), &rect, GetAncestor(bar->window, GA_ROOT),
                             bar->window);
  if (!g_topMenu) {
    ClearPressed();
    g_openBar = nullptr;
    return;
  }
  g_openUnderCursor = g_topMenu->underCursor;
  GetCursorPos(&g_lastMove);
  RevealFrameForModal(bar->window);
  g_tracking = true;
  g_hovered = g_pressedItem = nullptr;
  SetCapture(bar->window);
  SetFocus(bar->window);
}

POINT ScreenPoint(HWND window, LPARAM lParam) {
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ClientToScreen(window, &p);
  return p;
}

void ScrollStep(MenuBarInstance* bar, int step) {
  int d = MostShown(bar);
  int first = std::clamp(bar->head.firstVisible + step, 0,
                         std::max(0, d - std::max(1, bar->head.visiblePerRegion)));
  if (first != bar->head.firstVisible) {
    bar->head.firstVisible = first;
    InvalidateRect(bar->window, nullptr, TRUE);
  }
}

bool HandleArrowPress(MenuBarInstance* bar, POINT p) {
  if (!bar->head.scrollShown) return false;
  RECT back, forward;
  ArrowBoxes(bar, &back, &forward);
  if (PtInRect(&back, p)) {
    ScrollStep(bar, -1);
    bar->head.arrowPressed[0] = 1;
  } else if (PtInRect(&forward, p)) {
    ScrollStep(bar, 1);
    bar->head.arrowPressed[1] = 1;
  } else {
    return false;
  }
  SetTimer(bar->window, kScrollTimer, 500, nullptr);
  SetCapture(bar->window);
  return true;
}

void TrackMove(MenuBarInstance* bar, POINT screen) {
  bool inside = false;
  MenuWindowItem* item = MenuWindowFromPoint(g_topMenu, screen.x, screen.y, &inside);
  if (!item) g_openUnderCursor = false;
  if (item != g_hovered) {
    g_hovered = item;
    if (item) SetTimer(bar->window, kHoverTimer, g_menuDelay, nullptr);
  }
  if (g_pressedItem && (std::abs(screen.x - g_pressPoint.x) > 5 || std::abs(screen.y - g_pressPoint.y) > 5)) {
    MenuWindowItem* dragged = g_pressedItem;
    g_pressedItem = nullptr;
    DragMenuEntryOut(bar, dragged);
  }
}

void TrackPress(MenuBarInstance* bar, POINT screen, POINT client) {
  if (IsPointInMenuWindows(g_topMenu, screen)) {
    bool inside = false;
    MenuWindowItem* item = MenuWindowFromPoint(g_topMenu, screen.x, screen.y, &inside);
    if (item && item->isFolder) {
      KillTimer(bar->window, kHoverTimer);
      OpenSubmenu(g_topMenu, item);
    } else if (item) {
      g_pressedItem = item;
      g_pressPoint = screen;
    }
    return;
  }
  MenuButton* button = ButtonAt(bar, client);
  if (button && button == g_pressedButton) {
    CloseMenus();
    return;
  }
  CloseMenus();
  if (button) OpenButtonMenu(bar, button);
}

void TrackRelease(MenuBarInstance* bar, POINT screen, bool right) {
  bool underCursor = g_openUnderCursor;
  g_openUnderCursor = false;
  g_pressedItem = nullptr;
  bool inside = false;
  MenuWindowState* holder = nullptr;
  MenuWindowItem* item = MenuWindowFromPoint(g_topMenu, screen.x, screen.y, &inside, &holder);
  if (right) {
    if (!IsPointInMenuWindows(g_topMenu, screen)) {
      CloseMenus();
      return;
    }
    MenuButton* button = g_topMenu->button;
    if ((button->flags & kButtonSpecialFolder) || IsCommonButton(*button)) return;
    if (!holder) holder = InnermostMenuWindow(g_topMenu);
    ShowEntryContextMenu(bar, holder, item, screen);
    return;
  }
  if (item && !item->isFolder && !underCursor) RunMenuItem(bar, item);
}

bool MoveFocus(MenuBarInstance* bar, UINT vk) {
  // The focus as (region, index) among shown buttons.
  int n = bar->focused, region = 0;
  for (; region < Regions(bar); ++region) {
    int count = CountShownButtons(bar, region);
    if (n < count) break;
    n -= count;
  }
  if (region >= Regions(bar)) return false;
  bool along = bar->horizontal ? (vk == VK_LEFT || vk == VK_RIGHT) : (vk == VK_UP || vk == VK_DOWN);
  int step = (vk == VK_LEFT || vk == VK_UP) ? -1 : 1;
  int newRegion = region, newIndex = n;
  if (along)
    newIndex += step;
  else
    newRegion += step;
  if (newRegion < 0 || newRegion >= Regions(bar) || newIndex < 0 ||
      newIndex >= CountShownButtons(bar, newRegion))
    return false;
  int flat = newIndex;
  for (int r = 0; r < newRegion; ++r) flat += CountShownButtons(bar, r);
  bar->focused = flat;
  if (newIndex < bar->head.firstVisible) ScrollStep(bar, -1);
  if (newIndex >= bar->head.firstVisible + bar->head.visiblePerRegion) ScrollStep(bar, 1);
  InvalidateRect(bar->window, nullptr, TRUE);
  return true;
}

MenuButton* FocusedButton(MenuBarInstance* bar) {
  int n = bar->focused;
  for (int r = 0; r < Regions(bar); ++r) {
    auto shown = ShownButtons(bar, r);
    if (n < static_cast<int>(shown.size())) return n >= 0 ? shown[n] : nullptr;
    n -= static_cast<int>(shown.size());
  }
  return nullptr;
}

LRESULT PreferredSize(MenuBarInstance* bar, bool horizontal) {
  const MenuBarSettings& h = bar->head;
  int regions = Regions(bar);
  bool several = false;
  for (int r = 0; r < regions; ++r) several = several || CountShownButtons(bar, r) > 1;
  int cx, cy;
  if (horizontal) {
    cy = h.automatic ? kRowHeight : kRowHeight * regions;
    cx = h.widthMin + (several ? (cy <= 23 ? 24 : 12) : 0);
  } else {
    cx = h.automatic ? h.widthMin : h.widthMin * regions;
    cy = several ? 33 : kRowHeight;
  }
  return MakeSize(cx + 2, cy + 2);
}

LRESULT Negotiate(MenuBarInstance* bar, const SizeProposal* p, bool third) {
  const MenuBarSettings& h = bar->head;
  bool horizontal = p->horizontal != 0;
  int length = horizontal ? p->offeredWidth : p->offeredHeight;
  int unit = horizontal ? h.widthMin : kRowHeight;
  int lines = h.automatic ? 1 : Regions(bar);
  int d = MostShown(bar);
  if (h.automatic) d = (d + Regions(bar) - 1) / std::max(1, Regions(bar));
  int want = std::max(1, std::min(d, h.maxPerRegion));
  bool capped = d > h.maxPerRegion;
  int along = want * unit + (capped ? (kRowHeight + 2 <= 23 ? 24 : 12) : 0) + 6;
  int across = 23 * lines + 6;
  if (third) {
    int cap = h.automatic && !horizontal ? 2000 : std::max(lines, want) * (unit + 2) + 6;
    along = std::min({along, cap, std::max(length, unit + 6)});
  }
  return horizontal ? MakeSize(along, across) : MakeSize(across, along);
}

void HandleBarContextMenu(MenuBarInstance* bar, POINT client) {
  MenuButton* button = ButtonAt(bar, client);
  POINT screen = client;
  ClientToScreen(bar->window, &screen);
  std::string name = button ? button->name : "";
  UINT command = ShowBarContextMenu(bar, button, screen);
  // The folder watchers may have rebuilt the buttons while the popup menu ran.
  if (button) button = FindMenuButton(bar, name.c_str());
  if (command && (button || name.empty())) RunBarCommand(bar, button, command);
}

void Destroy(MenuBarInstance* bar) {
  if (g_openBar == bar) CloseMenus();
  RevokeMenuBarDrops(bar->window, bar->dropTarget);
  bar->dropTarget = nullptr;
  RemoveMenuBarFromList(bar->window);
  ForgetMenuBarSheet(bar);
  LockMenus();
  FreeMenuButtons(bar, true);
  UnlockMenus();
  delete bar;
}

LRESULT CALLBACK MenuBarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MenuBarInstance* bar = MenuBarOf(window);
  if (!bar) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SIZE:
      LayoutMenuBar(bar);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      PaintBar(bar, dc);
      EndPaint(window, &ps);
      DrawFocus(bar);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: {
      POINT client{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      POINT screen = ScreenPoint(window, lParam);
      if (g_tracking && g_openBar == bar) {
        if (message == WM_LBUTTONDOWN) TrackPress(bar, screen, client);
        return 0;
      }
      if (message == WM_RBUTTONDOWN) return 0;
      if (HandleArrowPress(bar, client)) return 0;
      if (MenuButton* button = ButtonAt(bar, client)) OpenButtonMenu(bar, button);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (g_tracking && g_openBar == bar) {
        POINT p = ScreenPoint(window, lParam);
        if (p.x != g_lastMove.x || p.y != g_lastMove.y) TrackMove(bar, p);
        g_lastMove = p;
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      if (bar->head.arrowPressed[0] || bar->head.arrowPressed[1]) {
        bar->head.arrowPressed[0] = bar->head.arrowPressed[1] = 0;
        KillTimer(window, kScrollTimer);
        ReleaseCapture();
        return 0;
      }
      if (g_tracking && g_openBar == bar) {
        TrackRelease(bar, ScreenPoint(window, lParam), message == WM_RBUTTONUP);
      } else if (message == WM_RBUTTONUP) {
        HandleBarContextMenu(bar, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_TIMER:
      if (wParam == kHoverTimer) {
        KillTimer(window, kHoverTimer);
        if (g_tracking && g_hovered && g_topMenu) OpenSubmenu(g_topMenu, g_hovered);
      } else if (wParam == kScrollTimer) {
        ScrollStep(bar, bar->head.arrowPressed[0] ? -1 : 1);
      }
      return 0;
    case WM_KEYDOWN:
      if (g_tracking && g_openBar == bar && g_topMenu) {
        if ((wParam == VK_ESCAPE || wParam == VK_LEFT) && !g_topMenu->sub) {
          CloseMenus();
        } else {
          MenuWindowKey(g_topMenu, static_cast<UINT>(wParam));
          g_hovered = nullptr;
        }
        return 0;
      }
      return SendMessageA(window, PNM_KEY, wParam, lParam);
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      if (g_tracking && g_openBar == bar && reinterpret_cast<HWND>(lParam) != window &&
          message == WM_CANCELMODE)
        CloseMenus();
      return 0;
    case MBM_RUNENTRY:
      RunMenuItem(bar, reinterpret_cast<MenuWindowItem*>(lParam));
      return 0;
    case MBM_FOLDERSCHANGED:
      if (!IsEntryDialogOpen()) RefreshMenuBar(bar);
      return 0;
    case MBM_MENUSCHANGED:
      ClearMenuIcons();
      if (g_openBar == bar && g_topMenu) {
        g_hovered = g_pressedItem = nullptr;
        ReloadMenuWindows(g_topMenu);
      }
      return 0;
    case PNM_GETSETTINGS: {
      LockMenus();
      g_lastBlob = SaveMenuBarSettings(bar);
      UnlockMenus();
      *reinterpret_cast<const void**>(lParam) = g_lastBlob.data();
      return static_cast<LRESULT>(g_lastBlob.size());
    }
    case PNM_SETSETTINGS:
      CloseMenus();
      LockMenus();
      FreeMenuButtons(bar, true);
      LoadMenuBarSettings(bar, reinterpret_cast<const void*>(lParam), static_cast<std::size_t>(wParam));
      ScanProgramsFolders(bar);
      PruneMenuFolderNames(bar);
      AddFolderButtons(bar);
      RedistributeMenuButtons(bar);
      UnlockMenus();
      LayoutMenuBar(bar);
      if (bar->pageOpen) RefreshMenuBarSheet(bar);
      return 1;
    case PNM_GETPREFSIZE:
      return PreferredSize(bar, wParam != 0);
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2:
    case PNM_NEGOTIATESIZE3:
      return lParam ? Negotiate(bar, reinterpret_cast<const SizeProposal*>(lParam),
                                message == PNM_NEGOTIATESIZE3)
                    : 0;
    case PNM_HELP:
      OpenHelpTopic(window, 75);
      return 1;
    case PNM_KEYMODEON: {
      HWND frame = GetTopFrameWindow(window);
      if (frame) SetFocus(frame);
      RECT c;
      GetClientRect(window, &c);
      ParkPointerInPanel(window, c);
      if (!bar->focusActive) {
        bar->focusActive = true;
        bar->focused = 0;
        for (int r = 0; r < Regions(bar); ++r) {
          if (CountShownButtons(bar, r) > bar->head.firstVisible) break;
          bar->focused += CountShownButtons(bar, r);
        }
        bar->focused = std::min(bar->focused, bar->head.firstVisible);
      }
      InvalidateRect(window, nullptr, TRUE);
      return 1;
    }
    case PNM_KEYMODEOFF:
      bar->focusActive = false;
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case PNM_KEY:
      if (!bar->focusActive) return 0;
      if (wParam == VK_RETURN) {
        if (MenuButton* b = FocusedButton(bar)) OpenButtonMenu(bar, b);
      } else if (wParam == VK_LEFT || wParam == VK_RIGHT || wParam == VK_UP || wParam == VK_DOWN) {
        MoveFocus(bar, static_cast<UINT>(wParam));
      } else if (wParam == VK_F10 && (GetKeyState(VK_SHIFT) & 0x8000)) {
        if (MenuButton* b = FocusedButton(bar)) {
          RECT r;
          GetMenuButtonScreenRect(bar, b, &r);
          POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
          ScreenToClient(window, &p);
          HandleBarContextMenu(bar, p);
        }
      }
      return 1;
    case PNM_CREATEPAGE:
      return reinterpret_cast<LRESULT>(CreateMenuBarSheet(bar, reinterpret_cast<HWND>(wParam), lParam));
    case WM_DESTROY:
      SetWindowLongPtrA(window, 0, 0);
      Destroy(bar);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterBarClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kMenuBarClass, &wc)) return;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MenuBarWndProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kMenuBarClass;
  RegisterClassA(&wc);
}

void ReadMenuDelay() {
  g_menuDelay = 500;
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), "Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  char text[50] = {};
  DWORD size = sizeof text - 1, type = 0;
  if (RegQueryValueExA(key, "MenuShowDelay", nullptr, &type, reinterpret_cast<BYTE*>(text), &size) ==
          ERROR_SUCCESS &&
      type == REG_SZ) {
    text[sizeof text - 1] = 0;
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end != text && value >= 0 && value <= 60000) g_menuDelay = static_cast<UINT>(value);
  }
  RegCloseKey(key);
}

}  // namespace

UINT MenuShowDelay() { return g_menuDelay; }

MenuBarInstance* MenuBarOf(HWND window) {
  return window ? reinterpret_cast<MenuBarInstance*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

MenuWindowState* OpenTopMenu() { return g_topMenu; }

void CloseMenus() {
  EndTracking();
  if (g_topMenu) {
    CloseMenuWindow(g_topMenu);
    g_topMenu = nullptr;
    EndFrameModal();
  }
  ClearPressed();
  g_hovered = g_pressedItem = nullptr;
  g_openBar = nullptr;
}

PanelType* RegisterMenuBarPanelType(HINSTANCE instance) {
  RegisterBarClass(instance);
  FillBuiltinType(g_type, instance, "Start Menus", IDS_TYPE_STARTMENUS, IDS_TYPE_STARTMENUS_DESC,
                  IDB_TYPE_STARTMENUS, IDB_TYPE_STARTMENUS_MASK, CreateMenuBar);
  g_type.cleanup = ShutdownMenuBarType;
  GetMenuFont();
  RegisterMenuWindowClass(instance);
  CreateMenuLock();
  StartMenuWatchers();
  ReadMenuDelay();
  return &g_type;
}

void RegisterStartMenuTypes() { AddBuiltinTypeRegistrar(RegisterMenuBarPanelType); }

void ShutdownMenuBarType() {
  CloseMenus();
  FreeSpareMenuWindows();
  FreeMenuFont();
  g_lastBlob.clear();
  g_lastBlob.shrink_to_fit();
  StopMenuWatchers();
  // A thread that had to be ended may have left the lock taken: the exit does not wait for ever.
  if (LockMenusFor(2000)) {
    ClearMenuCache(false);
    UnlockMenus();
  }
}

HWND CreateMenuBar(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterBarClass(instance);
  RegisterMenuWindowClass(instance);
  auto* bar = new MenuBarInstance;
  LockMenus();
  if (blob && blobSize > 0) {
    LoadMenuBarSettings(bar, blob, static_cast<std::size_t>(blobSize));
    ScanProgramsFolders(bar);
    PruneMenuFolderNames(bar);
    if (bar->head.sortRequest & 1) SortMenuFolderNames(bar);
  } else {
    SetDefaultMenuBarSettings(bar);
    ScanProgramsFolders(bar);
    SortMenuFolderNames(bar);
  }
  UnlockMenus();
  RECT r = rect ? *rect : RECT{0, 0, 100, 23};
  HWND window = CreateWindowExA(0, kMenuBarClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                                instance, nullptr);
  if (!window) {
    FreeMenuButtons(bar, true);
    delete bar;
    return nullptr;
  }
  bar->window = window;
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(bar));
  InstallMenuDropHandlers();
  bar->dropTarget = RegisterMenuBarDrops(window);
  LockMenus();
  AddFolderButtons(bar);
  RedistributeMenuButtons(bar);
  UnlockMenus();
  bar->head.sortRequest = 0;
  AddMenuBarToList(window);
  LayoutMenuBar(bar);
  return window;
}

void NotifyMenuBarChanged(MenuBarInstance* bar) {
  if (HWND parent = GetParent(bar->window))
    SendMessageA(parent, PNM_SETTINGSCHANGED, reinterpret_cast<WPARAM>(bar->window), 0);
}

void RefreshMenuBar(MenuBarInstance* bar) {
  if (g_openBar == bar) CloseMenus();
  LockMenus();
  FreeMenuButtons(bar, false);
  ScanProgramsFolders(bar);
  PruneMenuFolderNames(bar);
  AddFolderButtons(bar);
  RedistributeMenuButtons(bar);
  UnlockMenus();
  LayoutMenuBar(bar);
  if (bar->pageOpen) RefreshMenuOrderPage(bar);
}

void LayoutMenuBar(MenuBarInstance* bar) {
  if (!bar->window) return;
  RECT c;
  GetClientRect(bar->window, &c);
  bool horizontal = IsHorizontal(bar);
  MenuBarSettings& h = bar->head;
  int length = horizontal ? c.right : c.bottom;
  int thickness = horizontal ? c.bottom : c.right;
  if (h.automatic) {
    int total = 0;
    for (int r = 0; r < kMaxRegions; ++r) total += CountShownButtons(bar, r);
    int fits = horizontal ? (thickness - 4) / kRowHeight : (thickness - 4) / std::max(1, h.widthMin);
    int regions = std::clamp(std::min(fits, std::max(total, 1)), 1, kMaxRegions);
    if (regions != h.regions) {
      h.regions = regions;
      RedistributeMenuButtons(bar);
    }
  }
  h.scrollStacked = thickness > 23 ? 1 : 0;
  int arrowRoom = h.scrollStacked ? 12 : 24;
  int d = MostShown(bar);
  bool capped = d > h.maxPerRegion;
  d = std::min(d, h.maxPerRegion);
  int unit = horizontal ? std::max(1, h.widthMin) : kRowHeight;
  int fit = (length - 4) / unit;
  h.scrollShown = (fit < d || capped) ? 1 : 0;
  if (h.scrollShown) fit = (length - 4 - arrowRoom) / unit;
  h.visiblePerRegion = std::max(1, std::min(fit, std::max(d, 1)));
  int most = MostShown(bar);
  h.firstVisible = std::clamp(h.firstVisible, 0, std::max(0, most - h.visiblePerRegion));
  int room = length - 4 - (h.scrollShown ? arrowRoom : 0);
  h.regionGap = 0;
  if (horizontal) {
    h.cellHeight = std::max(1, (thickness - 4) / Regions(bar));
    h.cellWidth = std::min(room / h.visiblePerRegion, h.widthMax);
  } else {
    h.cellHeight = std::max(1, room / h.visiblePerRegion);
    h.cellWidth = std::min((thickness - 4) / Regions(bar), h.widthMax);
  }
  h.cellWidth = std::max(1, h.cellWidth);
  InvalidateRect(bar->window, nullptr, TRUE);
}

MenuButton* FindMenuButton(MenuBarInstance* bar, const char* name) {
  for (auto& list : bar->regions)
    for (MenuButton* b : list)
      if (lstrcmpiA(b->name, name) == 0) return b;
  return nullptr;
}

MenuButton* MenuButtonAt(MenuBarInstance* bar, POINT client) {
  IsHorizontal(bar);
  return ButtonAt(bar, client);
}

bool GetMenuButtonScreenRect(MenuBarInstance* bar, const MenuButton* button, RECT* rect) {
  IsHorizontal(bar);
  for (int r = 0; r < Regions(bar); ++r) {
    auto shown = ShownButtons(bar, r);
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
      if (shown[i] != button) continue;
      if (!IsVisibleIndex(bar, i)) return false;
      *rect = ButtonCell(bar, r, i);
      MapWindowPoints(bar->window, nullptr, reinterpret_cast<POINT*>(rect), 2);
      return true;
    }
  }
  return false;
}

void RunMenuItem(MenuBarInstance* bar, MenuWindowItem* item) {
  if (!item) return;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
  MenuButton* button = item->button;
  MenuEntry* owned = nullptr;
  const MenuEntry* entry = nullptr;
  LPITEMIDLIST special = nullptr;
  if (button->userMenu) {
    entry = FindPathTreeFolder(&button->tree, item->path.c_str());
  } else if (button->flags & kButtonSpecialFolder) {
    special = item->idList ? ILClone(item->idList) : nullptr;
  } else {
    owned = ReadMenuEntryFile(item->path.c_str());
    entry = owned;
  }
  // The entry is copied out before the menus (which own the item) close.
  MenuEntry copy;
  bool have = entry != nullptr;
  if (have) {
    copy = *entry;
    copy.next = copy.firstChild = nullptr;
    copy.idList = entry->idList ? ILClone(entry->idList) : nullptr;
    copy.url = entry->url ? new UrlShortcut(*entry->url) : nullptr;
  }
  FreeMenuEntries(owned);
  CloseMenus();

  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = bar->window;
  std::string file, parameters, directory;
  bool run = false;
  if (special) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    directory = windows;
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpIDList = special;
    info.nShow = SW_SHOWNORMAL;
    run = true;
  } else if (have && (copy.flags & kEntryTargetUrl) && copy.url) {
    // Opened as the shell opens a .url file, through a temporary one.
    OpenUrlShortcut(copy.url);
  } else if (have && (copy.flags & kEntryTargetIdList) && copy.idList) {
    info.fMask = SEE_MASK_INVOKEIDLIST;
    info.lpIDList = copy.idList;
    info.nShow = copy.runMode;
    if (copy.startIn.empty()) {
      char windows[MAX_PATH] = {};
      GetWindowsDirectoryA(windows, MAX_PATH);
      directory = windows;
    } else {
      directory = copy.startIn;
    }
    run = true;
  } else if (have && !copy.command.empty()) {
    auto expand = [](const std::string& text) {
      char buffer[1024] = {};
      DWORD n = ExpandEnvironmentStringsA(text.c_str(), buffer, sizeof buffer);
      return (n && n <= sizeof buffer) ? std::string(buffer) : text;
    };
    file = expand(copy.command);
    parameters = expand(copy.parameters);
    directory = expand(copy.startIn);
    if (directory.empty()) {
      std::size_t cut = file.rfind('\\');
      if (cut != std::string::npos) directory = file.substr(0, cut == 2 ? 3 : cut);
    }
    info.nShow = copy.runMode;
    run = true;
  }
  if (run) {
    info.lpFile = file.empty() ? nullptr : file.c_str();
    info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
    seams::ShellExecuteExA(&info);
  }
  if (copy.idList) ILFree(copy.idList);
  delete copy.url;
  copy.idList = nullptr;
  copy.url = nullptr;
  if (special) ILFree(special);
  SetCursor(old);
}

}  // namespace jqbar
