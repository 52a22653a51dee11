#include "button_bar.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "button_bar_edit.h"
#include "drop_objects.h"
#include "panel_drawing.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "pidl.h"
#include "resource_buttonbar.h"
#include "seams.h"
#include "url_shortcut.h"

namespace jqbar {
namespace {

constexpr char kClassName[] = "JQButtonBar";
constexpr UINT_PTR kArrowTimer = 1;
constexpr int kTabSlot = 20;
constexpr int kArrowSlot = 12;

const COLORREF kTabColours[kMaxButtonGroups] = {
    PALETTERGB(0, 128, 0),   PALETTERGB(0, 0, 128),     PALETTERGB(128, 0, 0),
    PALETTERGB(0, 128, 128), PALETTERGB(128, 0, 128),   PALETTERGB(128, 128, 128),
    PALETTERGB(128, 128, 0), PALETTERGB(0, 128, 0),     PALETTERGB(0, 0, 128),
    PALETTERGB(128, 0, 0)};

// Shared by all bars.
PanelType g_type;
HFONT g_labelFont = nullptr, g_groupFont = nullptr, g_groupFontRotated = nullptr;
int g_iconCx = 32, g_iconCy = 32;
HICON g_tabIcon = nullptr, g_tabIconCurrent = nullptr;
HICON g_defaultSmall = nullptr, g_defaultLarge = nullptr;
std::vector<std::uint8_t> g_settingsBuffer;
SystemAccessHooks g_systemHooks;

// One pointer interaction at a time in the process.
struct Interaction {
  ButtonBarInstance* bar = nullptr;
  ButtonRecord* pressed = nullptr;
  int pressedTab = -1;
  int arrow = 0;  // -1 back, 1 forward
  bool firstTick = false;
} g_press;

enum class Hit { none, back, forward, tab, button };

void InitButtonBarMetrics() {
  g_iconCx = GetSystemMetrics(SM_CXICON);
  g_iconCy = GetSystemMetrics(SM_CYICON);
}

HINSTANCE Instance() {
  return Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
}

bool AskHorizontal(ButtonBarInstance* bar) {
  HWND parent = GetParent(bar->window);
  if (!parent) return true;
  LRESULT r = SendMessageA(parent, PNM_ISHORIZONTAL, 0, 0);
  if (r) return true;
  // A parent that is no container answers 0 as well: then the shape decides.
  char name[32] = {};
  GetClassNameA(parent, name, sizeof name);
  if (std::strcmp(name, "ContainerPanel") == 0) return false;
  RECT rc;
  GetClientRect(bar->window, &rc);
  return rc.right >= rc.bottom;
}

int CellLength(const ButtonBarInstance* bar, bool horizontal) {
  SIZE c = ButtonCellSize(bar->settings.style);
  return horizontal ? c.cx : c.cy;
}
int CellThickness(const ButtonBarInstance* bar, bool horizontal) {
  SIZE c = ButtonCellSize(bar->settings.style);
  return horizontal ? c.cy : c.cx;
}
int CellLength(const ButtonBarInstance* bar) { return CellLength(bar, bar->horizontal); }
int CellThickness(const ButtonBarInstance* bar) { return CellThickness(bar, bar->horizontal); }
int TabStrip(const ButtonBarInstance* bar) {
  return bar->settings.groupCount > 1 ? kTabSlot * bar->settings.groupCount : 0;
}
int Round(int numerator, int denominator) {
  return denominator ? (2 * numerator + denominator) / (2 * denominator) : 0;
}

// The rectangles of the two arrows, client coordinates.
void ArrowRects(const ButtonBarInstance* bar, RECT* back, RECT* forward) {
  RECT rc;
  GetClientRect(bar->window, &rc);
  int length = bar->horizontal ? rc.right : rc.bottom;
  int thickness = bar->horizontal ? rc.bottom : rc.right;
  RECT b, f;  // in (length, thickness) terms
  if (bar->settings.arrowsStacked) {
    int mid = thickness / 2;
    b = {length - 2 - kArrowSlot, 1, length - 2, mid};
    f = {length - 2 - kArrowSlot, mid, length - 2, thickness - 1};
  } else {
    b = {length - 2 - 2 * kArrowSlot, 1, length - 2 - kArrowSlot, thickness - 1};
    f = {length - 2 - kArrowSlot, 1, length - 2, thickness - 1};
  }
  if (!bar->horizontal) {
    b = {b.top, b.left, b.bottom, b.right};
    f = {f.top, f.left, f.bottom, f.right};
  }
  *back = b;
  *forward = f;
}

RECT TabRect(const ButtonBarInstance* bar, int index) {
  int at = 1 + kTabSlot * index;
  return bar->horizontal ? RECT{at, 1, at + 16, 17} : RECT{1, at, 17, at + 16};
}

bool CanScroll(const ButtonBarInstance* bar, int direction) {
  if (direction < 0) return bar->settings.firstRow > 0;
  return bar->settings.firstRow + bar->settings.visibleRows < bar->rowsAll;
}

Hit HitTest(ButtonBarInstance* bar, POINT pt, int* tab, ButtonRecord** button) {
  if (bar->settings.arrowsShown) {
    RECT back, forward;
    ArrowRects(bar, &back, &forward);
    if (PtInRect(&back, pt)) return Hit::back;
    if (PtInRect(&forward, pt)) return Hit::forward;
  }
  int t = TabAtPoint(bar, pt);
  if (t >= 0) {
    *tab = t;
    return Hit::tab;
  }
  ButtonRecord* b = ButtonAtPoint(bar, pt);
  if (b) {
    *button = b;
    return Hit::button;
  }
  return Hit::none;
}

void DrawIconFor(HDC dc, const ButtonBarInstance* bar, const ButtonRecord* b, int x, int y,
                 bool large, int size) {
  HICON icon = large ? b->largeIcon : b->smallIcon;
  HIMAGELIST list = large ? bar->largeList : bar->smallList;
  int index = large ? b->largeIndex : b->smallIndex;
  bool shadow = !Globals().noDropShadow;
  int offset = large ? 4 : 3;
  if (icon) {
    if (shadow) DrawState(dc, GetSysColorBrush(COLOR_BTNSHADOW), nullptr, LPARAM(icon), 0,
                          x + offset, y + offset, size, size, DST_ICON | DSS_MONO);
    DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
  } else if (list && index >= 0 && index < ImageList_GetImageCount(list)) {
    if (shadow) {
      HICON copy = ImageList_GetIcon(list, index, ILD_NORMAL);
      if (copy) {
        DrawState(dc, GetSysColorBrush(COLOR_BTNSHADOW), nullptr, LPARAM(copy), 0, x + offset,
                  y + offset, size, size, DST_ICON | DSS_MONO);
        DestroyIcon(copy);
      }
    }
    ImageList_DrawEx(list, index, dc, x, y, size, size, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
  } else {
    DrawIconEx(dc, x, y, large ? g_defaultLarge : g_defaultSmall, size, size, 0, nullptr,
               DI_NORMAL);
  }
}

// Style 3's label: up to two lines, the cut moved back to a blank.
void DrawTwoLineLabel(HDC dc, const char* label, RECT cell, int x) {
  int width = (cell.right - cell.left) - (g_iconCx + 8);
  if (width <= 0 || !*label) return;
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  int total = int(std::strlen(label));
  int first = FitTextToWidth(dc, label, width);
  int midY = (cell.top + cell.bottom) / 2;
  COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  if (first >= total) {
    DrawShadowedText(dc, x, midY - tm.tmHeight / 2, label, first, ink);
    return;
  }
  int cut = first;
  while (cut > 0 && label[cut] != ' ') --cut;
  if (cut == 0) cut = first;
  const char* rest = label + cut;
  while (*rest == ' ') ++rest;
  DrawShadowedText(dc, x, midY - tm.tmHeight, label, cut, ink);
  DrawShadowedText(dc, x, midY, rest, FitTextToWidth(dc, rest, width), ink);
}

void DrawArrow(HDC dc, RECT r, bool forward, bool pressed, bool enabled, bool horizontal) {
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  POINT tri[3];
  if (horizontal) {
    int d = forward ? 1 : -1;
    tri[0] = {cx + d * 2, cy};
    tri[1] = {cx - d * 1, cy - 3};
    tri[2] = {cx - d * 1, cy + 3};
  } else {
    int d = forward ? 1 : -1;
    tri[0] = {cx, cy + d * 2};
    tri[1] = {cx - 3, cy - d * 1};
    tri[2] = {cx + 3, cy - d * 1};
  }
  HBRUSH brush = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_BTNSHADOW));
  HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
  Polygon(dc, tri, 3);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
}

void Paint(ButtonBarInstance* bar) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(bar->window, &ps);
  RECT client;
  GetClientRect(bar->window, &client);
  PaintParentBackground(bar->window, &client, dc, false);
  const ButtonBarSettings& s = bar->settings;
  int oldMode = SetBkMode(dc, TRANSPARENT);

  if (s.groupCount > 1) {
    for (int g = 0; g < s.groupCount; ++g) {
      RECT tab = TabRect(bar, g);
      bool pressed = g_press.bar == bar && g_press.pressedTab == g;
      if (pressed) OffsetRect(&tab, 2, 2);
      HBRUSH fill = CreateSolidBrush(kTabColours[g]);
      FillRect(dc, &tab, fill);
      DeleteObject(fill);
      DrawEdge(dc, &tab, EDGE_RAISED, BF_RECT);
      DrawIconEx(dc, tab.left, tab.top, g == s.currentGroup ? g_tabIconCurrent : g_tabIcon, 16, 16,
                 0, nullptr, DI_NORMAL);
      if (!pressed && !Globals().noDropShadow) {
        RECT below = {tab.left + 2, tab.bottom, tab.right + 2, tab.bottom + 2};
        RECT right = {tab.right, tab.top + 2, tab.right + 2, tab.bottom};
        FillRect(dc, &below, GetSysColorBrush(COLOR_BTNSHADOW));
        FillRect(dc, &right, GetSysColorBrush(COLOR_BTNSHADOW));
      }
      const char* name = s.groupNames[g];
      if (!*name) continue;
      if (bar->horizontal) {
        HGDIOBJ old = SelectObject(dc, g_groupFontRotated);
        SIZE x;
        GetTextExtentPoint32A(dc, "X", 1, &x);
        int count = FitTextToWidth(dc, name, client.bottom - 24);
        DrawShadowedText(dc, kTabSlot * g + 20 - (18 - x.cy) / 2, 22, name, count,
                         GetSysColor(COLOR_BTNTEXT));
        SelectObject(dc, old);
      }
      // A vertical bar's names stand right of the tabs, where the buttons are: only the tab
      // strip's own width is free for them, so they are left to the tooltips.
    }
  }

  int count = CountButtons(s.groups[s.currentGroup]);
  HGDIOBJ oldFont = SelectObject(dc, g_labelFont);
  for (int p = 0; p < count; ++p) {
    RECT cell, drawn;
    if (!ButtonCell(bar, p, &cell, &drawn)) continue;
    const ButtonRecord* b = ButtonAtPosition(bar, p);
    int shift = b->pressed ? 2 : 0;
    OffsetRect(&cell, shift, shift);
    bool system = s.CurrentKind() == kGroupSystemAccess;
    switch (s.style) {
      case 1: {
        int size = system ? 32 : 16;
        DrawIconFor(dc, bar, b, (cell.left + cell.right - size) / 2,
                    (cell.top + cell.bottom - size) / 2, system, size);
        break;
      }
      case 2:
        DrawIconFor(dc, bar, b, (cell.left + cell.right - g_iconCx) / 2,
                    (cell.top + cell.bottom - g_iconCy) / 2, true, g_iconCx);
        break;
      case 3:
        DrawIconFor(dc, bar, b, cell.left + 2, (cell.top + cell.bottom - g_iconCy) / 2, true,
                    g_iconCx);
        DrawTwoLineLabel(dc, b->Label(), cell, cell.left + g_iconCx + 6);
        break;
      default: {
        DrawIconFor(dc, bar, b, cell.left + 2, (cell.top + cell.bottom - 16) / 2, false, 16);
        TEXTMETRICA tm;
        GetTextMetricsA(dc, &tm);
        const char* label = b->Label();
        DrawShadowedText(dc, cell.left + 22, (cell.top + cell.bottom - tm.tmHeight) / 2, label,
                         FitTextToWidth(dc, label, (cell.right - cell.left) - 26),
                         GetSysColor(COLOR_BTNTEXT));
        break;
      }
    }
  }
  SelectObject(dc, oldFont);

  if (s.arrowsShown) {
    RECT back, forward;
    ArrowRects(bar, &back, &forward);
    DrawArrow(dc, back, false, g_press.bar == bar && g_press.arrow < 0, CanScroll(bar, -1),
              bar->horizontal);
    DrawArrow(dc, forward, true, g_press.bar == bar && g_press.arrow > 0, CanScroll(bar, 1),
              bar->horizontal);
  }
  if (bar->keyMode) {
    RECT cell, drawn;
    if (ButtonCell(bar, bar->focusIndex, &cell, &drawn)) DrawFocusRect(dc, &drawn);
  }
  SetBkMode(dc, oldMode);
  EndPaint(bar->window, &ps);
}

void Repaint(ButtonBarInstance* bar) { InvalidateRect(bar->window, nullptr, TRUE); }

void LayoutNow(ButtonBarInstance* bar) {
  RECT rc;
  GetClientRect(bar->window, &rc);
  bar->horizontal = AskHorizontal(bar);
  if (bar->settings.autoArrange) AutoArrangeColumns(bar, rc.right, rc.bottom, bar->horizontal);
  LayoutButtons(bar, rc.right, rc.bottom);
}

void AddIconToLists(ButtonBarInstance* bar, ButtonRecord* b, HICON large, HICON small) {
  b->largeIndex = large ? ImageList_AddIcon(bar->largeList, large) : -1;
  b->smallIndex = small ? ImageList_AddIcon(bar->smallList, small) : -1;
  if (large) DestroyIcon(large);
  if (small) DestroyIcon(small);
}

void LoadIconsOf(ButtonBarInstance* bar, ButtonRecord* b, bool systemGroup) {
  if (b->largeIcon) DestroyIcon(b->largeIcon);
  if (b->smallIcon) DestroyIcon(b->smallIcon);
  b->largeIcon = b->smallIcon = nullptr;
  if (systemGroup) {  // the System Access panel gives these their pictures
    if (g_systemHooks.loadIcons) g_systemHooks.loadIcons(bar, b);
    return;
  }
  b->largeList = bar->largeList;
  b->smallList = bar->smallList;
  if (b->IsUrl()) {
    // The shared Internet-shortcut icons, copied: each button owns its handles.
    if (!UrlShortcutIcon(true)) LoadUrlShortcutIcons();
    b->largeIcon = UrlShortcutIcon(true) ? CopyIcon(UrlShortcutIcon(true)) : nullptr;
    b->smallIcon = UrlShortcutIcon(false) ? CopyIcon(UrlShortcutIcon(false)) : nullptr;
    return;
  }
  if (b->hasIconFile && b->iconFile && !b->iconFile->empty()) {
    HICON large = nullptr, small = nullptr;
    ExtractIconExA(b->iconFile->c_str(), b->iconIndex, &large, &small, 1);
    b->largeIcon = large;
    b->smallIcon = small;
    if (large || small) return;
  }
  LPITEMIDLIST parsed = nullptr;
  LPCITEMIDLIST list = b->Pidl();
  if (!list && b->command && !b->command->empty()) {
    parsed = ParseItemPath(nullptr, b->command->c_str());
    list = parsed;
  }
  SHFILEINFOA large = {}, small = {};
  if (list) {
    SHGetFileInfoA(reinterpret_cast<const char*>(list), 0, &large, sizeof large,
                   SHGFI_PIDL | SHGFI_ICON | SHGFI_LARGEICON);
    SHGetFileInfoA(reinterpret_cast<const char*>(list), 0, &small, sizeof small,
                   SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON);
  }
  FreePidl(parsed);
  AddIconToLists(bar, b, large.hIcon, small.hIcon);
}

void ReleasePress(ButtonBarInstance* bar) {
  if (g_press.bar != bar) return;
  if (g_press.pressed) g_press.pressed->pressed = 0;
  KillTimer(bar->window, kArrowTimer);
  g_press = Interaction();
  if (GetCapture() == bar->window) ReleaseCapture();
}

void MoveFocus(ButtonBarInstance* bar, int dRow, int dLine) {
  int lines = std::max(1, bar->settings.lines);
  int count = CountButtons(bar->settings.groups[bar->settings.currentGroup]);
  int row = bar->focusIndex / lines + dRow, line = bar->focusIndex % lines + dLine;
  int position = row * lines + line;
  if (line < 0 || line >= lines || row < 0 || row >= bar->rowsAll || position >= count) return;
  if (row < bar->settings.firstRow) ScrollButtonRows(bar, -1);
  if (row >= bar->settings.firstRow + bar->settings.visibleRows) ScrollButtonRows(bar, 1);
  bar->focusIndex = position;
  Repaint(bar);
}

POINT ButtonCentre(ButtonBarInstance* bar, int position) {
  RECT cell, drawn;
  POINT pt = {0, 0};
  if (ButtonCell(bar, position, &cell, &drawn)) pt = {(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
  ClientToScreen(bar->window, &pt);
  return pt;
}

LRESULT PreferredSize(ButtonBarInstance* bar, bool horizontal) {
  int count = CountButtons(bar->settings.groups[bar->settings.currentGroup]);
  int length = CellLength(bar, horizontal);
  int thickness = CellThickness(bar, horizontal);
  if (count > 1) length += thickness > 23 ? 12 : 24;
  length += TabStrip(bar);
  if (!bar->settings.autoArrange) thickness *= std::max(1, bar->settings.lines);
  return horizontal ? MakeSize(length + 4, thickness + 4) : MakeSize(thickness + 4, length + 4);
}

LRESULT Negotiate2(ButtonBarInstance* bar, const SizeProposal& p) {
  int count = CountButtons(bar->settings.groups[bar->settings.currentGroup]);
  int cellThickness = CellThickness(bar, p.horizontal != 0);
  int cellLength = CellLength(bar, p.horizontal != 0);
  int lines = std::clamp(p.crossExtent / std::max(1, cellThickness), 1, std::max(1, count));
  int rows = count ? (count + lines - 1) / lines : 1;
  rows = std::min(rows, bar->settings.rowLimit);
  int wantLength = std::max(rows, 1) * cellLength + 4 + TabStrip(bar);
  int wantThickness = bar->settings.autoArrange ? p.crossExtent
                                                : std::max(1, bar->settings.lines) * cellThickness + 4;
  if (p.horizontal)
    return MakeSize(std::min({p.offeredWidth, p.currentWidth + 20, wantLength}),
                    std::min({p.offeredHeight, p.crossExtent + 20, wantThickness}));
  return MakeSize(std::min({p.offeredWidth, p.crossExtent + 20, wantThickness}),
                  std::min({p.offeredHeight, p.currentHeight + 20, wantLength}));
}

void OnButtonDown(ButtonBarInstance* bar, POINT pt, bool doubleClick) {
  int tab = -1;
  ButtonRecord* button = nullptr;
  Hit hit = HitTest(bar, pt, &tab, &button);
  switch (hit) {
    case Hit::button:
      if (doubleClick) return;
      g_press = Interaction();
      g_press.bar = bar;
      g_press.pressed = button;
      button->pressed = 1;
      SetCapture(bar->window);
      Repaint(bar);
      break;
    case Hit::back:
    case Hit::forward: {
      int direction = hit == Hit::back ? -1 : 1;
      if (!CanScroll(bar, direction)) return;
      g_press = Interaction();
      g_press.bar = bar;
      g_press.arrow = direction;
      g_press.firstTick = true;
      SetCapture(bar->window);
      ScrollButtonRows(bar, direction);
      SetTimer(bar->window, kArrowTimer, 500, nullptr);
      Repaint(bar);
      break;
    }
    case Hit::tab:
      if (tab == bar->settings.currentGroup) return;
      g_press = Interaction();
      g_press.bar = bar;
      g_press.pressedTab = tab;
      SetCapture(bar->window);
      Repaint(bar);
      break;
    default:
      break;
  }
}

void OnButtonUp(ButtonBarInstance* bar, POINT pt) {
  if (g_press.bar != bar) return;
  Interaction was = g_press;
  ReleasePress(bar);
  int tab = -1;
  ButtonRecord* button = nullptr;
  Hit hit = HitTest(bar, pt, &tab, &button);
  if (was.pressed && hit == Hit::button && button == was.pressed) {
    Repaint(bar);
    POINT screen = pt;
    ClientToScreen(bar->window, &screen);
    LaunchButton(bar, button, screen, LaunchHow::click);
  } else if (was.pressedTab >= 0 && hit == Hit::tab && tab == was.pressedTab) {
    bar->settings.currentGroup = tab;
    bar->settings.firstRow = 0;
    bar->focusIndex = 0;
    if (IsSpecialFolderGroup(bar->settings.CurrentKind())) SyncSpecialFolderGroup(bar);
    RelayoutButtonBar(bar, true, 1);
  }
  Repaint(bar);
}

void OnMouseMove(ButtonBarInstance* bar, POINT pt, WPARAM keys) {
  if (g_press.bar != bar || !g_press.pressed) return;
  if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return;
  ButtonRecord* under = ButtonAtPoint(bar, pt);
  if (under == g_press.pressed) return;
  ButtonRecord* button = g_press.pressed;
  ReleasePress(bar);
  Repaint(bar);
  if (bar->settings.CurrentKind() != kGroupSystemAccess) StartButtonDragOut(bar, button);
}

void OnArrowTimer(ButtonBarInstance* bar) {
  if (g_press.bar != bar || !g_press.arrow) {
    KillTimer(bar->window, kArrowTimer);
    return;
  }
  if (g_press.firstTick) {
    g_press.firstTick = false;
    SetTimer(bar->window, kArrowTimer, 125, nullptr);
  }
  POINT pt;
  GetCursorPos(&pt);
  ScreenToClient(bar->window, &pt);
  RECT back, forward;
  ArrowRects(bar, &back, &forward);
  if (PtInRect(g_press.arrow < 0 ? &back : &forward, pt)) ScrollButtonRows(bar, g_press.arrow);
}

void DestroyBar(ButtonBarInstance* bar) {
  ReleasePress(bar);
  HWND parent = GetParent(bar->window);
  if (parent) SendMessageA(parent, PNM_REMOVEHOTKEY, reinterpret_cast<WPARAM>(bar->window), 0);
  if (bar->dropTarget) {
    RevokeDragDrop(bar->window);
    DestroyButtonBarDropTarget(bar->dropTarget);
    bar->dropTarget = nullptr;
  }
  if (bar->tooltip) DestroyWindow(bar->tooltip);
  SetWindowLongPtrA(bar->window, 0, 0);
  FreeButtonGroups(bar->settings);
  if (bar->largeList) ImageList_Destroy(bar->largeList);
  if (bar->smallList) ImageList_Destroy(bar->smallList);
  delete bar;
}

LRESULT CALLBACK ButtonBarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ButtonBarInstance* bar = ButtonBarOf(window);
  if (!bar) return DefWindowProcA(window, message, wParam, lParam);
  if (bar->tooltip && message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
    MSG msg = {window, message, wParam, lParam, 0, {}};
    SendMessageA(bar->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
  }
  POINT pt = {short(LOWORD(lParam)), short(HIWORD(lParam))};
  switch (message) {
    case WM_SIZE:
      LayoutNow(bar);
      Repaint(bar);
      return 0;
    case WM_PAINT:
      Paint(bar);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST: {
      if (GetKeyState(VK_RBUTTON) < 0) break;
      POINT client = pt;
      ScreenToClient(window, &client);
      int tab = -1;
      ButtonRecord* button = nullptr;
      if (HitTest(bar, client, &tab, &button) == Hit::none && g_press.bar != bar)
        return HTTRANSPARENT;
      return HTCLIENT;
    }
    case WM_LBUTTONDOWN:
      OnButtonDown(bar, pt, false);
      return 0;
    case WM_LBUTTONDBLCLK:
      OnButtonDown(bar, pt, true);
      return 0;
    case WM_LBUTTONUP:
      OnButtonUp(bar, pt);
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(bar, pt, wParam);
      return 0;
    case WM_CAPTURECHANGED:
      if (g_press.bar == bar && reinterpret_cast<HWND>(lParam) != window) {
        if (g_press.pressed) g_press.pressed->pressed = 0;
        KillTimer(window, kArrowTimer);
        g_press = Interaction();
        Repaint(bar);
      }
      return 0;
    case WM_RBUTTONUP: {
      POINT screen = pt;
      ClientToScreen(window, &screen);
      ShowButtonBarMenu(bar, screen,
                        bar->settings.CurrentKind() == kGroupSystemAccess ? nullptr
                                                                          : ButtonAtPoint(bar, pt));
      return 0;
    }
    case WM_TIMER:
      if (wParam == kArrowTimer) OnArrowTimer(bar);
      return 0;
    case WM_COMMAND:
      RunButtonBarCommand(bar, LOWORD(wParam), nullptr);
      return 0;
    case WM_SYSCOLORCHANGE:
      InitButtonBarMetrics();
      Repaint(bar);
      return 0;
    case WM_WININICHANGE: {
      int cx = g_iconCx, cy = g_iconCy;
      InitButtonBarMetrics();
      if (cx != g_iconCx || cy != g_iconCy) LoadButtonIcons(bar);
      LayoutNow(bar);
      Repaint(bar);
      return 0;
    }
    case PNM_GETSETTINGS:
      g_settingsBuffer = SaveButtonBarSettings(bar);
      if (lParam) *reinterpret_cast<void**>(lParam) = g_settingsBuffer.data();
      return LRESULT(g_settingsBuffer.size());
    case PNM_SETSETTINGS:
      if (LoadButtonBarSettings(bar, reinterpret_cast<const void*>(lParam), int(wParam))) {
        if (bar->settings.CurrentKind() == kGroupSystemAccess && g_systemHooks.settingsSet)
          g_systemHooks.settingsSet(bar);
        else
          RefreshArrangePage(bar);
        RegisterButtonHotKeys(bar);
        LayoutNow(bar);
        Repaint(bar);
      }
      return 0;
    case PNM_CREATEPAGE:
      if (bar->settings.CurrentKind() == kGroupSystemAccess && g_systemHooks.createPage)
        return reinterpret_cast<LRESULT>(g_systemHooks.createPage(
            bar, reinterpret_cast<HWND>(wParam), short(LOWORD(lParam)), short(HIWORD(lParam))));
      return reinterpret_cast<LRESULT>(CreateButtonBarPage(
          bar, reinterpret_cast<HWND>(wParam), short(LOWORD(lParam)), short(HIWORD(lParam))));
    case PNM_GETPREFSIZE:
      return PreferredSize(bar, wParam != 0);
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2:
      return lParam ? Negotiate2(bar, *reinterpret_cast<const SizeProposal*>(lParam)) : 0;
    case PNM_NEGOTIATESIZE3: {
      if (!lParam) return 0;
      const auto& p = *reinterpret_cast<const SizeProposal*>(lParam);
      return MakeSize(std::min(p.offeredWidth, p.currentWidth + 10),
                      std::min(p.offeredHeight, p.currentHeight + 10));
    }
    case PNM_SETTOOLTIPS:
      RefreshButtonTooltips(bar);
      return 0;
    case PNM_HOTKEY: {
      for (int g = 0; g < bar->settings.groupCount; ++g)
        for (ButtonRecord* b = bar->settings.groups[g]; b; b = b->next)
          if (b->hotKeyId == wParam && wParam) {
            POINT origin = {0, 0};
            LaunchButton(bar, b, origin, LaunchHow::hotKey);
            return 0;
          }
      return 0;
    }
    case PNM_HELP:
      OpenHelpTopic(window, bar->settings.CurrentKind() == kGroupSystemAccess ? 78 : 74);
      return 1;
    case PNM_KEYMODEON: {
      bar->keyMode = true;
      HWND top = GetTopFrameWindow(window);
      SetFocus(top ? top : window);
      bar->focusIndex = bar->settings.firstRow * std::max(1, bar->settings.lines);
      Repaint(bar);
      RECT cell, drawn;
      if (ButtonCell(bar, bar->focusIndex, &cell, &drawn)) {
        POINT corner = {drawn.left + 2, drawn.top + 2};
        ClientToScreen(window, &corner);
        SetCursorPos(corner.x, corner.y);
      }
      return 1;
    }
    case PNM_KEYMODEOFF:
      bar->keyMode = false;
      Repaint(bar);
      return 0;
    case PNM_FOCUSNEXT:
    case PNM_FOCUSPREV:
      return 0;
    case PNM_KEY: {
      if (!bar->keyMode) return 0;
      bool h = bar->horizontal;
      switch (wParam) {
        case VK_RETURN:
          if (ButtonRecord* b = ButtonAtPosition(bar, bar->focusIndex))
            LaunchButton(bar, b, ButtonCentre(bar, bar->focusIndex), LaunchHow::enter);
          break;
        case VK_LEFT: h ? MoveFocus(bar, -1, 0) : MoveFocus(bar, 0, -1); break;
        case VK_RIGHT: h ? MoveFocus(bar, 1, 0) : MoveFocus(bar, 0, 1); break;
        case VK_UP: h ? MoveFocus(bar, 0, -1) : MoveFocus(bar, -1, 0); break;
        case VK_DOWN: h ? MoveFocus(bar, 0, 1) : MoveFocus(bar, 1, 0); break;
        case VK_F10:
          if (GetKeyState(VK_SHIFT) < 0)
            ShowButtonBarMenu(bar, ButtonCentre(bar, bar->focusIndex),
                              ButtonAtPosition(bar, bar->focusIndex));
          break;
      }
      return 0;
    }
    case WM_DESTROY:
      DestroyBar(bar);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClassOnce(HINSTANCE instance) { return RegisterPanelClass(instance, kClassName, ButtonBarWndProc); }

void MakeSharedObjects(HINSTANCE instance) {
  if (g_labelFont) return;
  g_labelFont = CreatePanelFont();
  HDC screen = GetDC(nullptr);
  int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  g_groupFont = CreateFontA(height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  g_groupFontRotated =
      CreateFontA(height, 0, -900, -900, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  InitButtonBarMetrics();
  g_tabIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_TAB_OTHER), IMAGE_ICON, 16, 16, 0));
  g_tabIconCurrent =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_TAB_CURRENT), IMAGE_ICON, 16, 16, 0));
  g_defaultSmall =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_BUTTON_SMALL), IMAGE_ICON, 16, 16, 0));
  g_defaultLarge = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_BUTTON_LARGE), IMAGE_ICON, 32, 32, 0));
}

HWND MakeBar(HWND parent, const RECT* rect, const void* blob, int blobSize, int newStyle) {
  HINSTANCE instance = Instance();
  RegisterClassOnce(instance);
  MakeSharedObjects(instance);
  auto* bar = new (std::nothrow) ButtonBarInstance();
  if (!bar) return nullptr;
  bool fromBlob = blob && blobSize > 0 &&
                  ReadButtonBarBlob(static_cast<const std::uint8_t*>(blob), std::size_t(blobSize),
                                    bar->settings);
  if (!fromBlob) {
    DefaultButtonBarSettings(bar->settings);
    bar->settings.style = newStyle;
  }
  RECT r = rect ? *rect : RECT{0, 0, 200, 40};
  bar->window = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left,
                                r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                                instance, nullptr);
  if (!bar->window) {
    FreeButtonGroups(bar->settings);
    delete bar;
    return nullptr;
  }
  SetWindowLongPtrA(bar->window, 0, reinterpret_cast<LONG_PTR>(bar));
  LoadButtonIcons(bar);
  if (fromBlob && (bar->settings.firstFill & 1)) {
    HWND notice = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_FILLING_BAR), parent, nullptr, 0);
    if (notice) SetDlgItemTextA(notice, IDC_FILLING_TEXT, LoadResString(IDS_BB_FILLING));
    if (ButtonRecord* b = MakeDefaultButton()) {
      InsertButton(bar, b, nullptr);
      LoadButtonIcons(bar);
    }
    AddDesktopIconButtons(bar);
    if (notice) DestroyWindow(notice);
    bar->settings.firstFill = 0;
  } else if (!fromBlob) {
    if (ButtonRecord* b = MakeDefaultButton()) {
      InsertButton(bar, b, nullptr);
      LoadButtonIcons(bar);
    }
  }
  InstallButtonBarDropHandlers();
  bar->dropTarget = CreateButtonBarDropTarget(bar->window);
  if (bar->dropTarget && FAILED(RegisterDragDrop(bar->window, bar->dropTarget))) {
    DestroyButtonBarDropTarget(bar->dropTarget);
    bar->dropTarget = nullptr;
  }
  if (IsSpecialFolderGroup(bar->settings.CurrentKind())) SyncSpecialFolderGroup(bar);
  LayoutNow(bar);
  RegisterButtonHotKeys(bar);
  return bar->window;
}

}  // namespace

void SetSystemAccessHooks(const SystemAccessHooks& hooks) { g_systemHooks = hooks; }
const SystemAccessHooks& GetSystemAccessHooks() { return g_systemHooks; }

SIZE ButtonCellSize(int style) {
  int square = std::max(g_iconCx, g_iconCy) + 4;
  switch (style) {
    case 1: return {20, 20};
    case 2: return {square, square};
    case 3: return {g_iconCx + 50, square};
    default: return {70, 20};
  }
}

SIZE ButtonDrawLimit(int style) {
  switch (style) {
    case 1: return {40, 40};
    case 2: return {60, 60};
    case 3: return {150, 60};
    default: return {150, 40};
  }
}

PanelType* RegisterButtonBarPanelType(HINSTANCE instance) {
  RegisterClassOnce(instance);
  MakeSharedObjects(instance);
  FillBuiltinType(g_type, instance, "QuickLaunch", IDS_TYPE_BUTTONBAR, IDS_TYPE_BUTTONBAR_DESC,
                  IDB_TYPE_BUTTONBAR, IDB_TYPE_BUTTONBAR_MASK, CreateButtonBar);
  g_type.cleanup = FreeButtonBarType;
  return &g_type;
}

HWND CreateButtonBar(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return MakeBar(parent, rect, blob, blobSize, 3);
}

HWND RecreateButtonBar(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return MakeBar(parent, rect, blob, blobSize, 1);
}

void FreeButtonBarType() {
  for (HFONT* font : {&g_labelFont, &g_groupFont, &g_groupFontRotated}) {
    if (*font && *font != GetStockObject(SYSTEM_FONT)) DeleteObject(*font);
    *font = nullptr;
  }
  g_settingsBuffer.clear();
  g_settingsBuffer.shrink_to_fit();
}

ButtonBarInstance* ButtonBarOf(HWND bar) {
  char name[32] = {};
  if (!bar || !GetClassNameA(bar, name, sizeof name) || std::strcmp(name, kClassName) != 0)
    return nullptr;
  return reinterpret_cast<ButtonBarInstance*>(GetWindowLongPtrA(bar, 0));
}

std::vector<std::uint8_t> SaveButtonBarSettings(const ButtonBarInstance* bar) {
  return WriteButtonBarBlob(bar->settings);
}

bool LoadButtonBarSettings(ButtonBarInstance* bar, const void* blob, int blobSize) {
  if (!blob || blobSize <= 0) return false;
  ButtonBarSettings loaded;
  if (!ReadButtonBarBlob(static_cast<const std::uint8_t*>(blob), std::size_t(blobSize), loaded))
    return false;
  if (g_press.bar == bar) ReleasePress(bar);
  FreeButtonGroups(bar->settings);
  bar->settings = loaded;
  bar->focusIndex = 0;
  if (bar->window) LoadButtonIcons(bar);
  return true;
}

void InsertButton(ButtonBarInstance* bar, ButtonRecord* button, ButtonRecord* before) {
  ButtonRecord** link = &bar->settings.CurrentList();
  ButtonRecord** end = link;
  while (*end) end = &(*end)->next;
  if (before) {
    ButtonRecord** at = link;
    while (*at && *at != before) at = &(*at)->next;
    if (*at) end = at;
  }
  button->next = *end;
  *end = button;
}

void RemoveButton(ButtonBarInstance* bar, ButtonRecord* button) {
  for (int g = 0; g < kMaxButtonGroups; ++g) {
    for (ButtonRecord** at = &bar->settings.groups[g]; *at; at = &(*at)->next) {
      if (*at == button) {
        *at = button->next;
        button->next = nullptr;
        return;
      }
    }
  }
}

void LoadButtonIcons(ButtonBarInstance* bar) {
  if (bar->largeList) ImageList_Destroy(bar->largeList);
  if (bar->smallList) ImageList_Destroy(bar->smallList);
  SHFILEINFOA info = {};
  HIMAGELIST systemLarge = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  HIMAGELIST systemSmall = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  int lx = g_iconCx, ly = g_iconCy, sx = 16, sy = 16;
  if (systemLarge) ImageList_GetIconSize(systemLarge, &lx, &ly);
  if (systemSmall) ImageList_GetIconSize(systemSmall, &sx, &sy);
  bar->largeList = ImageList_Create(lx, ly, ILC_MASK | ILC_COLOR32, 10, 3);
  bar->smallList = ImageList_Create(sx, sy, ILC_MASK | ILC_COLOR32, 10, 3);
  for (int g = 0; g < bar->settings.groupCount; ++g)
    for (ButtonRecord* b = bar->settings.groups[g]; b; b = b->next)
      LoadIconsOf(bar, b, bar->settings.groupKinds[g] == kGroupSystemAccess);
}

void AutoArrangeColumns(ButtonBarInstance* bar, int width, int height, bool horizontal) {
  if (!bar->settings.autoArrange) return;
  bar->horizontal = horizontal;
  int thickness = (horizontal ? height : width) - 2;
  int count = CountButtons(bar->settings.groups[bar->settings.currentGroup]);
  int lines = thickness / std::max(1, CellThickness(bar));
  lines = std::min(lines, count);
  bar->settings.lines = std::clamp(lines, 1, kMaxButtonLines);
}

void LayoutButtons(ButtonBarInstance* bar, int width, int height) {
  ButtonBarSettings& s = bar->settings;
  int length = (bar->horizontal ? width : height) - 2;
  int thickness = (bar->horizontal ? height : width) - 2;
  int strip = TabStrip(bar);
  length -= strip;
  s.arrowsStacked = thickness > 21;
  int lines = std::clamp(s.lines, 1, kMaxLayoutLines);
  int count = CountButtons(s.groups[s.currentGroup]);
  bar->rowsAll = std::max(1, (count + lines - 1) / lines);
  int rows = bar->rowsAll;
  int cellLength = std::max(1, CellLength(bar));
  s.arrowsShown = 0;
  if (rows > s.rowLimit) {
    s.arrowsShown = 1;
    rows = s.rowLimit;
  }
  if (length / cellLength < rows) s.arrowsShown = 1;
  bar->rowsNeeded = rows;
  if (s.arrowsShown) length -= s.arrowsStacked ? kArrowSlot : 2 * kArrowSlot;
  int visible = std::min({length / cellLength, rows, kMaxLayoutRows});
  s.visibleRows = std::max(visible, 1);  // a bar shorter than one cell still shows one row
  s.firstRow = std::clamp(s.firstRow, 0, std::max(0, bar->rowsAll - s.visibleRows));
  thickness = std::max(thickness, 1);
  length = std::max(length, 1);
  for (int i = 0; i < lines; ++i) {
    int start = Round(i * thickness, lines);
    int next = i + 1 < lines ? Round((i + 1) * thickness, lines) : thickness;
    bar->linePos[i] = std::int16_t(1 + start);
    bar->lineSize[i] = std::int16_t(next - start);
  }
  for (int j = 0; j < s.visibleRows; ++j) {
    int start = Round(j * length, s.visibleRows);
    int next = j + 1 < s.visibleRows ? Round((j + 1) * length, s.visibleRows) : length;
    bar->rowPos[j] = std::int16_t(1 + strip + start);
    bar->rowSize[j] = std::int16_t(next - start);
  }
  RefreshButtonTooltips(bar);
}

bool ButtonCell(const ButtonBarInstance* bar, int position, RECT* cell, RECT* drawn) {
  const ButtonBarSettings& s = bar->settings;
  int lines = std::clamp(s.lines, 1, kMaxLayoutLines);
  if (position < 0) return false;
  int row = position / lines - s.firstRow, line = position % lines;
  if (row < 0 || row >= s.visibleRows) return false;
  RECT c;
  if (bar->horizontal)
    c = {bar->rowPos[row], bar->linePos[line], bar->rowPos[row] + bar->rowSize[row],
         bar->linePos[line] + bar->lineSize[line]};
  else
    c = {bar->linePos[line], bar->rowPos[row], bar->linePos[line] + bar->lineSize[line],
         bar->rowPos[row] + bar->rowSize[row]};
  *cell = c;
  SIZE limit = ButtonDrawLimit(s.style);
  RECT d = c;
  int w = c.right - c.left, h = c.bottom - c.top;
  if (s.style >= 3) {
    if (w > limit.cx) d.right = d.left + limit.cx;
  } else if (w > limit.cx) {
    d.left = c.left + (w - limit.cx) / 2;
    d.right = d.left + limit.cx;
  }
  if (h > limit.cy) {
    d.top = c.top + (h - limit.cy) / 2;
    d.bottom = d.top + limit.cy;
  }
  *drawn = d;
  return true;
}

ButtonRecord* ButtonAtPosition(const ButtonBarInstance* bar, int position) {
  ButtonRecord* b = bar->settings.groups[bar->settings.currentGroup];
  for (int i = 0; b && i < position; ++i) b = b->next;
  return position >= 0 ? b : nullptr;
}

ButtonRecord* ButtonAtPoint(const ButtonBarInstance* bar, POINT point, int* position) {
  int p = 0;
  for (ButtonRecord* b = bar->settings.groups[bar->settings.currentGroup]; b; b = b->next, ++p) {
    RECT cell, drawn;
    if (!ButtonCell(bar, p, &cell, &drawn)) continue;
    if (point.x > drawn.left && point.x < drawn.right - 1 && point.y > drawn.top &&
        point.y < drawn.bottom - 1) {
      if (position) *position = p;
      return b;
    }
  }
  return nullptr;
}

int TabAtPoint(const ButtonBarInstance* bar, POINT point) {
  if (bar->settings.groupCount < 2) return -1;
  int along = (bar->horizontal ? point.x : point.y) - 1;
  int across = (bar->horizontal ? point.y : point.x) - 1;
  if (along < 0 || along >= kTabSlot * bar->settings.groupCount || across < 0 || across >= 18)
    return -1;
  if (along % kTabSlot > 18) return -1;
  return along / kTabSlot;
}

void RefreshButtonTooltips(ButtonBarInstance* bar) {
  if (!bar->window) return;
  if (bar->tooltip) DestroyWindow(bar->tooltip);
  bar->tooltip = nullptr;
  HWND parent = GetParent(bar->window);
  if (!parent || !SendMessageA(parent, PNM_GETTOOLTIPS, 0, 0)) return;
  bar->tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                 0, 0, 0, 0, bar->window, nullptr, Instance(), nullptr);
  if (!bar->tooltip) return;
  UINT id = 1;
  int p = 0;
  for (ButtonRecord* b = bar->settings.groups[bar->settings.currentGroup]; b; b = b->next, ++p) {
    RECT cell, drawn;
    if (!ButtonCell(bar, p, &cell, &drawn) || !b->label || b->label->empty()) continue;
    TTTOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = bar->window;
    tool.uId = id++;
    tool.rect = cell;
    tool.lpszText = const_cast<char*>(b->label->c_str());
    SendMessageA(bar->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  if (bar->settings.groupCount > 1) {
    for (int g = 0; g < bar->settings.groupCount; ++g) {
      if (!bar->settings.groupNames[g][0]) continue;
      TTTOOLINFOA tool = {};
      tool.cbSize = TTTOOLINFOA_V1_SIZE;
      tool.hwnd = bar->window;
      tool.uId = id++;
      tool.rect = TabRect(bar, g);
      tool.lpszText = bar->settings.groupNames[g];
      SendMessageA(bar->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  SendMessageA(bar->tooltip, TTM_ACTIVATE, TRUE, 0);
}

void RelayoutButtonBar(ButtonBarInstance* bar, bool tellContainer, LPARAM relayout) {
  LayoutNow(bar);
  if (tellContainer) {
    HWND parent = GetParent(bar->window);
    if (parent) SendMessageA(parent, PNM_CHANGED, reinterpret_cast<WPARAM>(bar->window), relayout);
  }
  Repaint(bar);
}

bool ScrollButtonRows(ButtonBarInstance* bar, int direction) {
  if (!CanScroll(bar, direction)) return false;
  bar->settings.firstRow += direction < 0 ? -1 : 1;
  RefreshButtonTooltips(bar);
  Repaint(bar);
  return true;
}

void LaunchButton(ButtonBarInstance* bar, ButtonRecord* b, POINT screen, LaunchHow how) {
  if (bar->settings.CurrentKind() == kGroupSystemAccess && how != LaunchHow::hotKey) {
    if (g_systemHooks.runAction) g_systemHooks.runAction(bar, b, screen);
    return;
  }
  if (b->IsUrl()) {
    if (how == LaunchHow::hotKey || !b->url) return;
    UrlShortcut shortcut{b->urlName ? *b->urlName : std::string(), *b->url};
    OpenUrlShortcut(&shortcut);
    return;
  }
  if (!b->Pidl() && (!b->command || b->command->empty())) return;
  LPITEMIDLIST list = nullptr;
  std::string expanded;
  if (b->Pidl()) {
    list = CopyPidl(GetShellAllocator(), b->Pidl());
  } else {
    char buffer[MAX_PATH * 2] = {};
    DWORD n = ExpandEnvironmentStringsA(b->command->c_str(), buffer, sizeof buffer);
    expanded = (n > 0 && n <= sizeof buffer) ? buffer : *b->command;
    list = ParseItemPath(nullptr, expanded.c_str());
  }
  if (!list) return;
  if (InvokeDefaultVerb(list)) {  // a dial-up networking connection
    FreePidl(list);
    return;
  }
  std::string directory;
  if (b->startIn && !b->startIn->empty()) {
    directory = *b->startIn;
  } else if (b->IsIdList()) {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    directory = windows;
  } else {
    const char* c = expanded.c_str();
    while (*c == ' ' || *c == '\t') ++c;
    directory = c;
    std::size_t slash = directory.find_last_of('\\');
    directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
    if (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
  }
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST | (how == LaunchHow::enter ? SEE_MASK_DOENVSUBST : 0);
  info.hwnd = bar->window;
  info.lpIDList = list;
  if (!b->IsIdList()) info.lpFile = expanded.c_str();
  info.lpParameters = (b->parameters && !b->parameters->empty()) ? b->parameters->c_str() : nullptr;
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = b->runMode == 2 ? SW_SHOWMINIMIZED : b->runMode == 3 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  seams::ShellExecuteExA(&info);
  SetCursor(old);
  FreePidl(list);
}

std::uint16_t NextFreeHotKeyId(const ButtonBarInstance* bar) {
  for (std::uint32_t id = 1; id < 0xFFFF; ++id) {
    bool used = false;
    for (int g = 0; g < bar->settings.groupCount && !used; ++g)
      for (const ButtonRecord* b = bar->settings.groups[g]; b; b = b->next)
        if (b->hotKeyId == id) used = true;
    if (!used) return std::uint16_t(id);
  }
  return 0;
}

void RegisterButtonHotKeys(ButtonBarInstance* bar) {
  HWND parent = GetParent(bar->window);
  if (!parent) return;
  SendMessageA(parent, PNM_REMOVEHOTKEY, reinterpret_cast<WPARAM>(bar->window), 0);
  for (int g = 0; g < bar->settings.groupCount; ++g) {
    for (ButtonRecord* b = bar->settings.groups[g]; b; b = b->next) {
      if (!b->hotKeyVk && !b->hotKeyModifiers) continue;
      if (!b->hotKeyId) b->hotKeyId = NextFreeHotKeyId(bar);
      HotKeyEntry entry{bar->window, b->hotKeyVk, b->hotKeyModifiers, b->hotKeyId};
      if (!SendMessageA(parent, PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry))) {
        b->hotKeyVk = 0;
        b->hotKeyModifiers = 0;
        b->hotKeyId = 0;
      }
    }
  }
}

LPITEMIDLIST ParseItemPath(IShellFolder* folder, const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  char bounded[401];
  lstrcpynA(bounded, text, sizeof bounded);
  if (!*bounded) return nullptr;
  return ParsePathToPidl(bounded, folder, nullptr);
}

void SyncSpecialFolderGroup(ButtonBarInstance* bar) {
  int csidl = SpecialGroupFolder(bar->settings.CurrentKind());
  if (csidl < 0) return;
  for (ButtonRecord* b = bar->settings.CurrentList(); b; b = b->next) b->presentMark = 0;
  LPITEMIDLIST root = nullptr;
  IShellFolder* desktop = nullptr;
  IShellFolder* folder = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &root)) || !root) return;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    if (root->mkid.cb == 0)
      desktop->QueryInterface(IID_IShellFolder, reinterpret_cast<void**>(&folder));
    else
      desktop->BindToObject(root, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
  }
  IEnumIDList* items = nullptr;
  if (folder && SUCCEEDED(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items)) &&
      items) {
    LPITEMIDLIST item = nullptr;
    ULONG got = 0;
    while (items->Next(1, &item, &got) == S_OK && got == 1) {
      LPITEMIDLIST absolute = CombinePidls(root, item);
      FreePidl(item);
      if (!absolute) continue;
      UINT size = GetPidlSize(absolute);
      ButtonRecord* match = nullptr;
      for (ButtonRecord* b = bar->settings.CurrentList(); b; b = b->next)
        if (b->idList.size() == size && std::memcmp(b->idList.data(), absolute, size) == 0) match = b;
      if (!match) {
        match = NewButtonFromIdList(absolute);
        if (match) {
          InsertButton(bar, match, nullptr);
          LoadIconsOf(bar, match, false);
        }
      }
      if (match) match->presentMark = 1;
      FreePidl(absolute);
    }
    items->Release();
  }
  if (folder) folder->Release();
  if (desktop) desktop->Release();
  FreePidl(root);
  for (ButtonRecord** at = &bar->settings.CurrentList(); *at;) {
    if ((*at)->presentMark) {
      at = &(*at)->next;
      continue;
    }
    ButtonRecord* gone = *at;
    *at = gone->next;
    FreeButtonRecord(gone);
  }
}

}  // namespace jqbar
