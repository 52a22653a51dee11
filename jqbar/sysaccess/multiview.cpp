#include "multiview.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include <commctrl.h>

#include "frame_window.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "process_names.h"
#include "resource.h"
#include "seams.h"
#include "sheet_template.h"

namespace jqbar {
namespace {

constexpr UINT_PTR kFollowTimer = 0;
constexpr const char* kClassName = "MultiView";
constexpr const char* kSessionClass = "JQMultiViewSession";

struct TrackedWindow {
  HWND window;
  char title[80];
  RECT rect;
  LONG style;
};

struct MultiViewInstance {
  MultiViewSettings settings;
  int cellW = 24, cellH = 16;
  HWND window = nullptr;
  HBITMAP grid = nullptr;
  std::vector<TrackedWindow> windows;  // bottom-most first
  bool keyMode = false;
  int selColumn = 0, selRow = 0;
  int clickedScreen = 0;
  std::vector<std::uint8_t> reply;
};

struct DragState {
  bool dragging = false;
  MultiViewInstance* source = nullptr;
  HWND window = nullptr;
  POINT press{};
  POINT grip{};
  int sourceScreen = 0;
  int targetScreen = -1;
  bool outlineShown = false;
  RECT outline{};  // in panel coordinates
  SIZE size{};     // the window's size on the desktop
};

struct Shared {
  std::vector<MultiViewInstance*> live;
  int current = 0;
  HWND lastForeground = nullptr;
  HWND toActivate = nullptr;
  MultiViewInstance* stickySource = nullptr;
  int follow = 1;
  std::int32_t keys[kMultiViewScreens] = {};
  std::int32_t modifiers[kMultiViewScreens] = {};
  std::vector<StickyProgram> sticky;
  DragState drag;
  HFONT font = nullptr;
  int lineHeight = 9;
  HWND sessionWindow = nullptr;
  HWND sheet = nullptr;
  MultiViewInstance* sheetInstance = nullptr;
  HWND pages[3] = {};
  bool stickyEdited = false;
  bool classRegistered = false;
  PanelType type{};
};

Shared& S() {
  static Shared shared;
  return shared;
}

std::function<bool(HWND)>& Scope() {
  static std::function<bool(HWND)> scope;
  return scope;
}

bool InScope(HWND window) { return !Scope() || Scope()(window); }

MultiViewInstance* InstanceOf(HWND window) {
  return reinterpret_cast<MultiViewInstance*>(GetWindowLongPtrA(window, 0));
}

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void MoveBy(HWND window, int dx, int dy) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  SetWindowPos(window, nullptr, r.left + dx, r.top + dy, 0, 0,
               SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOOWNERZORDER);
}

BOOL CALLBACK CollectEligibleWindow(HWND w, LPARAM p) {
  if (IsMultiViewWindow(w) && InScope(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

std::vector<HWND> EligibleWindows() {
  std::vector<HWND> list;
  EnumWindows(CollectEligibleWindow, reinterpret_cast<LPARAM>(&list));
  return list;  // top-most first
}

bool IsSticky(HWND window) {
  if (S().sticky.empty()) return false;
  std::string exe = WindowExecutableName(window);
  if (exe.empty()) return false;
  for (const StickyProgram& p : S().sticky)
    if (SameProgramName(p.exeName, exe)) return true;
  return false;
}

void LeaveScreen() {
  POINT offset = ScreenPlaneOffset(S().current);
  for (HWND w : EligibleWindows()) {
    if (GetWindowScreen(w) != kVisibleScreen) continue;
    if (IsSticky(w)) continue;
    MoveBy(w, offset.x, offset.y);
  }
}

void EnterScreen(int screen) {
  S().toActivate = nullptr;
  POINT offset = ScreenPlaneOffset(screen);
  for (HWND w : EligibleWindows()) {
    if (GetWindowScreen(w) != screen) continue;
    if (!S().toActivate) S().toActivate = w;
    MoveBy(w, -offset.x, -offset.y);
  }
}

void RebuildWindowList(MultiViewInstance* inst) {
  inst->windows.clear();
  std::vector<HWND> list = EligibleWindows();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    TrackedWindow t{};
    t.window = *it;
    GetWindowTextA(*it, t.title, sizeof t.title);
    GetWindowRect(*it, &t.rect);
    t.style = GetWindowLongA(*it, GWL_STYLE);
    inst->windows.push_back(t);
  }
}

COLORREF SchemeColour(int scheme, bool bright) {
  BYTE v = bright ? 255 : 127;
  switch (scheme) {
    case 0: return RGB(v, 0, 0);
    case 2: return RGB(0, v, 0);
    default: return RGB(0, 0, v);
  }
}

RECT CellInner(const MultiViewInstance* inst, int column, int row) {
  int x = column * (inst->cellW + 4), y = row * (inst->cellH + 4);
  return RECT{x + 2, y + 2, x + inst->cellW + 2, y + inst->cellH + 2};
}

// The desktop rectangle of a listed window mapped into a cell.
RECT MapToCell(const MultiViewInstance* inst, const RECT& desktop, int screen, const RECT& inner) {
  POINT off = screen == S().current ? POINT{0, 0} : ScreenPlaneOffset(screen);
  int sw = ScreenWidth(), sh = ScreenHeight();
  RECT r;
  r.left = LONG((long long)inst->cellW * (desktop.left - off.x) / sw) + inner.left;
  r.top = LONG((long long)inst->cellH * (desktop.top - off.y) / sh) + inner.top;
  r.right = LONG((long long)inst->cellW * (desktop.right - off.x) / sw) + inner.left + 1;
  r.bottom = LONG((long long)inst->cellH * (desktop.bottom - off.y) / sh) + inner.top + 1;
  return r;
}

int FitCharacters(HDC dc, const char* text, int width) {
  int n = lstrlenA(text);
  int fit = 0;
  SIZE size;
  if (!GetTextExtentExPointA(dc, text, n, width, &fit, nullptr, &size)) return n;
  return fit;
}

void DrawTitle(HDC dc, const char* title, const RECT& box) {
  int y = box.top + 2;
  const char* p = title;
  while (*p && y + S().lineHeight <= box.bottom) {
    int width = box.right - box.left - 2;
    if (width <= 0) break;
    int n = FitCharacters(dc, p, width);
    if (n <= 0) break;
    int len = lstrlenA(p);
    if (n < len) {
      int back = n;
      while (back > 0 && p[back] != ' ') --back;
      if (back > 0) n = back;
    }
    TextOutA(dc, box.left + 1, y, p, n);
    p += n;
    while (*p == ' ') ++p;
    y += S().lineHeight;
  }
}

void DrawGrid(MultiViewInstance* inst) {
  if (!inst->window) return;
  int cols = inst->settings.columns, rows = inst->settings.rows;
  int width = (inst->cellW + 4) * cols, height = (inst->cellH + 4) * rows;
  if (width <= 0 || height <= 0) return;
  HDC wdc = GetDC(inst->window);
  if (!inst->grid) inst->grid = CreateCompatibleBitmap(wdc, width, height);
  HDC dc = CreateCompatibleDC(wdc);
  ReleaseDC(inst->window, wdc);
  HGDIOBJ oldBitmap = SelectObject(dc, inst->grid);
  RECT all{0, 0, width, height};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  PaintParentBackgroundOffscreen(inst->window, &all, 0, 0, dc, inst->keyMode);
  HGDIOBJ oldFont = SelectObject(dc, S().font ? S().font : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 0));
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < cols; ++column) {
      int screen = column + row * cols;
      int x = column * (inst->cellW + 4), y = row * (inst->cellH + 4);
      RECT cell{x, y, x + inst->cellW + 4, y + inst->cellH + 4};
      DrawEdge(dc, &cell, BDR_RAISEDOUTER | BDR_SUNKENINNER, BF_RECT);
      RECT inner = CellInner(inst, column, row);
      bool current = screen == S().current;
      HBRUSH fill = CreateSolidBrush(SchemeColour(inst->settings.scheme, current));
      FillRect(dc, &inner, fill);
      DeleteObject(fill);
      HRGN clip = CreateRectRgnIndirect(&inner);
      SelectClipRgn(dc, clip);
      HBRUSH windowFill = static_cast<HBRUSH>(GetStockObject(current ? GRAY_BRUSH : BLACK_BRUSH));
      HPEN pen = CreatePen(PS_SOLID, 1, current ? RGB(255, 255, 255) : RGB(192, 192, 192));
      HGDIOBJ oldPen = SelectObject(dc, pen);
      HGDIOBJ oldBrush = SelectObject(dc, windowFill);
      for (const TrackedWindow& t : inst->windows) {
        if (!IsWindow(t.window)) continue;
        int on = ScreenOfRect(t.rect);
        if (on == kVisibleScreen) on = S().current;
        if (on != screen) continue;
        RECT r = MapToCell(inst, t.rect, screen, inner);
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
        MoveToEx(dc, r.left, r.top + 1, nullptr);
        LineTo(dc, r.right, r.top + 1);
        DrawTitle(dc, t.title, r);
      }
      SelectObject(dc, oldBrush);
      SelectObject(dc, oldPen);
      DeleteObject(pen);
      SelectClipRgn(dc, nullptr);
      DeleteObject(clip);
    }
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
}

void MarkSelectedScreen(MultiViewInstance* inst, HDC dc) {
  RECT r{inst->selColumn * (inst->cellW + 4), inst->selRow * (inst->cellH + 4), 0, 0};
  r.right = r.left + inst->cellW + 4;
  r.bottom = r.top + inst->cellH + 4;
  DrawDragOutline(inst->window, &r, dc);
}

void Rebuild(MultiViewInstance* inst) {
  if (inst->grid) {
    DeleteObject(inst->grid);
    inst->grid = nullptr;
  }
  if (!S().drag.dragging) RebuildWindowList(inst);
  DrawGrid(inst);
  InvalidateRect(inst->window, nullptr, TRUE);
}

bool DoSwitch(MultiViewInstance* inst, int screen) {
  if (screen < 0 || screen >= kMultiViewScreens || screen == S().current) return false;
  S().stickySource = inst;
  LeaveScreen();
  S().current = screen;
  EnterScreen(screen);
  if (S().toActivate) {
    S().lastForeground = S().toActivate;
    SetForegroundWindow(S().toActivate);
  }
  if (inst) Rebuild(inst);
  return true;
}

void PublishHotKeys(MultiViewInstance* inst) {
  HWND container = GetParent(inst->window);
  for (int i = 0; i < kMultiViewScreens; ++i) {
    if (!inst->settings.keys[i] && !inst->settings.modifiers[i]) continue;
    HotKeyEntry entry{inst->window, inst->settings.keys[i], inst->settings.modifiers[i], i};
    if (SendMessageA(container, PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry))) {
      S().keys[i] = inst->settings.keys[i];
      S().modifiers[i] = inst->settings.modifiers[i];
    } else {
      inst->settings.keys[i] = S().keys[i];
      inst->settings.modifiers[i] = S().modifiers[i];
    }
  }
}

void ApplyHotKeyChanges(MultiViewInstance* inst) {
  if (S().live.empty()) return;
  HWND owner = S().live.front()->window;
  HWND container = GetParent(owner);
  for (int i = 0; i < kMultiViewScreens; ++i) {
    if (inst->settings.keys[i] == S().keys[i] && inst->settings.modifiers[i] == S().modifiers[i]) continue;
    SendMessageA(container, PNM_REMOVEHOTKEY, WPARAM(owner), i);
    if (!inst->settings.keys[i] && !inst->settings.modifiers[i]) {
      S().keys[i] = S().modifiers[i] = 0;
      continue;
    }
    HotKeyEntry entry{owner, inst->settings.keys[i], inst->settings.modifiers[i], i};
    if (SendMessageA(container, PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry))) {
      S().keys[i] = inst->settings.keys[i];
      S().modifiers[i] = inst->settings.modifiers[i];
    } else {
      inst->settings.keys[i] = S().keys[i];
      inst->settings.modifiers[i] = S().modifiers[i];
    }
  }
}

bool Horizontal(HWND panel) { return SendMessageA(GetParent(panel), PNM_ISHORIZONTAL, 0, 0) != 0; }

void OnSize(MultiViewInstance* inst, int width, int height) {
  if (width < 10 || height < 10) return;
  auto& s = inst->settings;
  bool horizontal = Horizontal(inst->window);
  // The long side of the grid runs along the bar (flag 1) or across it (flag 0).
  bool columnsLonger = s.columns > s.rows, rowsLonger = s.rows > s.columns;
  bool wantColumnsLonger = (s.longSide != 0) == horizontal;
  if ((wantColumnsLonger && rowsLonger) || (!wantColumnsLonger && columnsLonger)) {
    std::swap(s.columns, s.rows);
    if (S().sheet && S().sheetInstance == inst) {
      SendDlgItemMessageA(S().pages[0], IDC_MV_COLUMNS_SPIN, UDM_SETPOS32, 0, s.columns);
      SendDlgItemMessageA(S().pages[0], IDC_MV_ROWS_SPIN, UDM_SETPOS32, 0, s.rows);
    }
    SendMessageA(GetParent(inst->window), PNM_SETTINGSCHANGED, WPARAM(inst->window), 0);
  }
  inst->cellW = (width - 3) / s.columns - 4;
  inst->cellH = (height - 3) / s.rows - 4;
  if (inst->cellW < 1) inst->cellW = 1;
  if (inst->cellH < 1) inst->cellH = 1;
  Rebuild(inst);
}

// The screen and desktop point under a panel point; false when not on a cell's inner area.
bool HitCell(const MultiViewInstance* inst, POINT p, int* screen, POINT* desktop) {
  if (p.x < 0 || p.y < 0) return false;
  int column = p.x / (inst->cellW + 4), row = p.y / (inst->cellH + 4);
  if (column >= inst->settings.columns || row >= inst->settings.rows) return false;
  int mx = p.x % (inst->cellW + 4), my = p.y % (inst->cellH + 4);
  if (mx < 2 || mx > inst->cellW - 1 || my < 2 || my > inst->cellH - 1) return false;
  int s = column + inst->settings.columns * row;
  POINT d{LONG((long long)ScreenWidth() * (p.x - column * (inst->cellW + 4) - 2) / inst->cellW),
          LONG((long long)ScreenHeight() * (p.y - row * (inst->cellH + 4) - 2) / inst->cellH)};
  if (s != S().current) {
    POINT off = ScreenPlaneOffset(s);
    d.x += off.x;
    d.y += off.y;
  }
  if (screen) *screen = s;
  if (desktop) *desktop = d;
  return true;
}

// A desktop rectangle drawn into the cell of a screen (panel coordinates).
RECT DesktopToPanel(const MultiViewInstance* inst, const RECT& desktop, int screen) {
  int cols = inst->settings.columns;
  RECT inner = CellInner(inst, screen % cols, screen / cols);
  return MapToCell(inst, desktop, screen, inner);
}

void ToggleOutline(MultiViewInstance* inst) {
  auto& d = S().drag;
  HDC dc = GetDC(inst->window);
  int cols = inst->settings.columns;
  int screen = d.targetScreen;
  if (screen >= 0) {
    RECT inner = CellInner(inst, screen % cols, screen / cols);
    IntersectClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  }
  RECT& r = d.outline;
  PatBlt(dc, r.left, r.top, r.right - r.left, 1, DSTINVERT);
  PatBlt(dc, r.left, r.bottom - 1, r.right - r.left, 1, DSTINVERT);
  PatBlt(dc, r.left, r.top + 1, 1, r.bottom - r.top - 2, DSTINVERT);
  PatBlt(dc, r.right - 1, r.top + 1, 1, r.bottom - r.top - 2, DSTINVERT);
  ReleaseDC(inst->window, dc);
  d.outlineShown = !d.outlineShown;
}

// The desktop top-left for an outline whose panel top-left is `p` over the given screen.
POINT OutlineDesktopOrigin(const MultiViewInstance* inst, POINT p, int screen) {
  int cols = inst->settings.columns;
  RECT inner = CellInner(inst, screen % cols, screen / cols);
  POINT off = screen == S().current ? POINT{0, 0} : ScreenPlaneOffset(screen);
  return POINT{LONG((long long)ScreenWidth() * (p.x - inner.left) / inst->cellW) + off.x,
               LONG((long long)ScreenHeight() * (p.y - inner.top) / inst->cellH) + off.y};
}

void OnPress(MultiViewInstance* inst, POINT p) {
  auto& d = S().drag;
  if (d.dragging) return;
  int screen;
  POINT desktop;
  if (!HitCell(inst, p, &screen, &desktop)) return;
  const TrackedWindow* hit = nullptr;
  for (auto it = inst->windows.rbegin(); it != inst->windows.rend(); ++it) {
    RECT r = it->rect;
    int on = ScreenOfRect(r);
    if (on == kVisibleScreen) on = S().current;
    if (on != screen) continue;
    if (screen == S().current && ScreenOfRect(r) != kVisibleScreen) continue;
    if (desktop.x >= r.left && desktop.x <= r.right && desktop.y >= r.top && desktop.y <= r.bottom) {
      hit = &*it;
      break;
    }
  }
  if (!hit || (hit->style & WS_MAXIMIZE)) return;
  d = DragState{};
  d.dragging = true;
  d.source = inst;
  d.window = hit->window;
  d.press = p;
  d.sourceScreen = screen;
  d.targetScreen = screen;
  d.size = SIZE{hit->rect.right - hit->rect.left, hit->rect.bottom - hit->rect.top};
  d.outline = DesktopToPanel(inst, hit->rect, screen);
  d.grip = POINT{p.x - d.outline.left, p.y - d.outline.top};
  SetCapture(inst->window);
  ToggleOutline(inst);
}

void EndDrag(MultiViewInstance* inst) {
  auto& d = S().drag;
  if (d.outlineShown) ToggleOutline(inst);
  d.dragging = false;
  if (GetCapture() == inst->window) ReleaseCapture();
}

void OnDragMove(MultiViewInstance* inst, POINT p) {
  auto& d = S().drag;
  if (!d.dragging || d.source != inst) return;
  if (d.outlineShown) ToggleOutline(inst);
  if (!IsWindow(d.window)) {
    EndDrag(inst);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    Rebuild(inst);
    return;
  }
  int screen;
  if (!HitCell(inst, p, &screen, nullptr)) {
    SetCursor(LoadCursor(nullptr, IDC_NO));
    return;
  }
  POINT topLeft{p.x - d.grip.x, p.y - d.grip.y};
  POINT origin = OutlineDesktopOrigin(inst, topLeft, screen);
  RECT desktop{origin.x, origin.y, origin.x + d.size.cx, origin.y + d.size.cy};
  d.targetScreen = screen;
  d.outline = DesktopToPanel(inst, desktop, screen);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  ToggleOutline(inst);
}

void OnRelease(MultiViewInstance* inst, POINT p) {
  auto& d = S().drag;
  if (!d.dragging || d.source != inst) return;
  HWND window = d.window;
  POINT grip = d.grip, press = d.press;
  EndDrag(inst);
  int gridW = inst->settings.columns * (inst->cellW + 4), gridH = inst->settings.rows * (inst->cellH + 4);
  int screen;
  if (p.x < 2 || p.y < 2 || p.x > gridW - 2 || p.y > gridH - 2 || !HitCell(inst, p, &screen, nullptr) ||
      !IsWindow(window))
    return;
  if (p.x != press.x || p.y != press.y) {
    POINT topLeft{p.x - grip.x, p.y - grip.y};
    POINT origin = OutlineDesktopOrigin(inst, topLeft, screen);
    S().lastForeground = window;
    SetWindowPos(window, nullptr, origin.x, origin.y, 0, 0,
                 SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOSIZE | SWP_NOOWNERZORDER);
  }
  S().lastForeground = window;
  SetForegroundWindow(window);
  Rebuild(inst);
}

int ClickedScreen(const MultiViewInstance* inst, POINT p) {
  int column = p.x < 0 ? 0 : p.x / (inst->cellW + 4);
  int row = p.y < 0 ? 0 : p.y / (inst->cellH + 4);
  column = std::min(column, inst->settings.columns - 1);
  row = std::min(row, inst->settings.rows - 1);
  return column + inst->settings.columns * row;
}

void AppendItem(HMENU menu, UINT id, UINT text, bool strip, bool checked = false) {
  char label[128];
  lstrcpynA(label, LoadResString(text), sizeof label);
  if (strip) StripAmpersands(label);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_ID | MIIM_STRING | MIIM_FTYPE | MIIM_STATE;
  info.fType = MFT_STRING | (checked ? MFT_RADIOCHECK : 0);
  info.fState = checked ? MFS_CHECKED : 0;
  info.wID = id;
  info.dwTypeData = label;
  InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
}

void ShowContextMenu(MultiViewInstance* inst, POINT client) {
  if (S().drag.dragging) return;
  inst->clickedScreen = ClickedScreen(inst, client);
  bool taskbar = IsInsideTaskbar(inst->window);
  HMENU menu = CreatePopupMenu();
  if (inst->clickedScreen != S().current) {
    AppendItem(menu, IDM_MV_MOVEHERE, IDS_MV_MOVEHERE, taskbar);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  }
  HMENU colour = CreatePopupMenu();
  AppendItem(colour, IDM_MV_RED, IDS_MV_RED, taskbar, inst->settings.scheme == 0);
  AppendItem(colour, IDM_MV_BLUE, IDS_MV_BLUE, taskbar, inst->settings.scheme == 1);
  AppendItem(colour, IDM_MV_GREEN, IDS_MV_GREEN, taskbar, inst->settings.scheme == 2);
  char label[128];
  lstrcpynA(label, LoadResString(IDS_MV_COLOUR), sizeof label);
  if (taskbar) StripAmpersands(label);
  AppendMenuA(menu, MF_POPUP, UINT_PTR(colour), label);
  if (!taskbar) {
    HMENU size = CreatePopupMenu();
    AppendItem(size, IDM_MV_SMALL, IDS_MV_SMALL, false, inst->settings.sizeIndex == 0);
    AppendItem(size, IDM_MV_MEDIUM, IDS_MV_MEDIUM, false, inst->settings.sizeIndex == 1);
    AppendItem(size, IDM_MV_LARGE, IDS_MV_LARGE, false, inst->settings.sizeIndex == 2);
    AppendItem(size, IDM_MV_AUTOMATIC, IDS_MV_AUTOMATIC, false, inst->settings.sizeIndex == 3);
    AppendMenuA(menu, MF_POPUP, UINT_PTR(size), LoadResString(IDS_MV_SIZE));
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendItem(menu, IDM_MV_HELP, IDS_MENU_HELP, taskbar);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendItem(menu, IDM_MV_PROPERTIES, IDS_TRAY_PROPERTIES, taskbar);
  POINT screen = client;
  ClientToScreen(inst->window, &screen);
  RevealFrameForModal(inst->window);
  UINT chosen = UINT(seams::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x, screen.y,
                                             inst->window, nullptr));
  EndFrameModal();
  DestroyMenu(menu);
  if (chosen) SendMessageA(inst->window, WM_COMMAND, chosen, 0);
}

void OnCommand(MultiViewInstance* inst, UINT id) {
  auto& s = inst->settings;
  switch (id) {
    case IDM_MV_RED:
    case IDM_MV_BLUE:
    case IDM_MV_GREEN: {
      int scheme = id == IDM_MV_RED ? 0 : id == IDM_MV_BLUE ? 1 : 2;
      if (scheme == s.scheme) break;
      s.scheme = scheme;
      SendMessageA(GetParent(inst->window), PNM_CHANGED, WPARAM(inst->window), 0);
      DrawGrid(inst);
      InvalidateRect(inst->window, nullptr, FALSE);
      if (S().sheet && S().sheetInstance == inst)
        SendDlgItemMessageA(S().pages[0], IDC_MV_COLOUR, CB_SETCURSEL, WPARAM(scheme), 0);
      break;
    }
    case IDM_MV_SMALL:
    case IDM_MV_MEDIUM:
    case IDM_MV_LARGE:
    case IDM_MV_AUTOMATIC: {
      int index = id == IDM_MV_AUTOMATIC ? 3 : int(id - IDM_MV_SMALL);
      if (index == s.sizeIndex) break;
      s.sizeIndex = index;
      SendMessageA(GetParent(inst->window), PNM_CHANGED, WPARAM(inst->window), 1);
      if (S().sheet && S().sheetInstance == inst)
        SendDlgItemMessageA(S().pages[0], IDC_MV_SIZE, CB_SETCURSEL, WPARAM(index), 0);
      break;
    }
    case IDM_MV_MOVEHERE:
      DoSwitch(inst, inst->clickedScreen);
      break;
    case IDM_MV_PROPERTIES: {
      HWND target = IsInsideTaskbar(inst->window) ? GetParent(GetParent(inst->window)) : inst->window;
      SendMessageA(GetParent(inst->window), PNM_OPENCONFIG, WPARAM(target), 0);
      break;
    }
    case IDM_MV_HELP:
      OpenHelpTopic(inst->window, 77);
      break;
    default:
      break;
  }
}

void OnTimer(MultiViewInstance* inst) {
  if (S().follow) {
    HWND fg = GetForegroundWindow();
    HWND top = fg ? GetAncestor(fg, GA_ROOT) : nullptr;
    if (top && top != S().lastForeground && !IsIconic(top)) {
      HWND previous = S().lastForeground;
      S().lastForeground = top;
      int screen = GetWindowScreen(top);
      if (previous && IsWindow(previous) && !IsIconic(previous) && screen >= 0 && screen <= 99) {
        DoSwitch(inst, screen);
        return;
      }
    }
  }
  if (!S().drag.dragging) RebuildWindowList(inst);
  DrawGrid(inst);
  InvalidateRect(inst->window, nullptr, FALSE);
}

void OnPaint(MultiViewInstance* inst) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(inst->window, &ps);
  if (inst->grid) {
    int w = (inst->cellW + 4) * inst->settings.columns, h = (inst->cellH + 4) * inst->settings.rows;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, inst->grid);
    BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    if (!Globals().noDropShadow) {
      RECT right{w, 3, w + 3, h + 3}, bottom{3, h, w + 3, h + 3};
      FillRect(dc, &right, GetSysColorBrush(COLOR_BTNSHADOW));
      FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    if (inst->keyMode) MarkSelectedScreen(inst, dc);
  }
  EndPaint(inst->window, &ps);
  if (S().drag.dragging && S().drag.source == inst && S().drag.outlineShown) {
    S().drag.outlineShown = false;
    ToggleOutline(inst);
  }
}

void OnKey(MultiViewInstance* inst, WPARAM key) {
  int oldColumn = inst->selColumn, oldRow = inst->selRow;
  bool shift = GetKeyState(VK_SHIFT) < 0;
  switch (key) {
    case VK_LEFT: if (inst->selColumn > 0) --inst->selColumn; break;
    case VK_UP: if (inst->selRow > 0) --inst->selRow; break;
    case VK_RIGHT: if (inst->selColumn < inst->settings.columns - 1) ++inst->selColumn; break;
    case VK_DOWN: if (inst->selRow < inst->settings.rows - 1) ++inst->selRow; break;
    case VK_RETURN:
      inst->clickedScreen = inst->selColumn + inst->settings.columns * inst->selRow;
      OnCommand(inst, IDM_MV_MOVEHERE);
      return;
    case VK_F10:
      if (shift) {
        POINT p{inst->selColumn * (inst->cellW + 4) + inst->cellW / 2 + 2,
                inst->selRow * (inst->cellH + 4) + inst->cellH / 2 + 2};
        ShowContextMenu(inst, p);
      }
      return;
    default:
      return;
  }
  if (oldColumn != inst->selColumn || oldRow != inst->selRow) {
    HDC dc = GetDC(inst->window);
    std::swap(oldColumn, inst->selColumn);
    std::swap(oldRow, inst->selRow);
    MarkSelectedScreen(inst, dc);  // erase the old mark
    std::swap(oldColumn, inst->selColumn);
    std::swap(oldRow, inst->selRow);
    MarkSelectedScreen(inst, dc);
    ReleaseDC(inst->window, dc);
  }
}

void CopySharedInto(MultiViewInstance* inst) {
  inst->settings.sticky = S().sticky;
  for (int i = 0; i < kMultiViewScreens; ++i) {
    inst->settings.keys[i] = S().keys[i];
    inst->settings.modifiers[i] = S().modifiers[i];
  }
  inst->settings.follow = S().follow;
}

void Forget(MultiViewInstance* inst) {
  auto& live = S().live;
  bool wasFirst = !live.empty() && live.front() == inst;
  live.erase(std::remove(live.begin(), live.end(), inst), live.end());
  if (S().stickySource == inst) S().stickySource = nullptr;
  if (S().sheetInstance == inst && S().sheet) DestroyWindow(S().sheet);
  if (S().drag.source == inst) S().drag = DragState{};
  if (wasFirst) {
    SendMessageA(GetParent(inst->window), PNM_REMOVEHOTKEY, WPARAM(inst->window), 0);
    if (!live.empty()) {
      MultiViewInstance* next = live.front();
      for (int i = 0; i < kMultiViewScreens; ++i) {
        if (!S().keys[i] && !S().modifiers[i]) continue;
        HotKeyEntry entry{next->window, S().keys[i], S().modifiers[i], i};
        SendMessageA(GetParent(next->window), PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry));
      }
    }
  }
  // Windows parked by MultiView must not stay out of sight once no panel can bring them back.
  if (live.empty()) GatherAllWindows();
}

// ---- Property sheet: General, Hot keys, Sticky programs ------------------------------------

void FillCombo(HWND combo, std::initializer_list<UINT> ids, int selection) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (UINT id : ids) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadResString(id)));
  SendMessageA(combo, CB_SETCURSEL, WPARAM(selection), 0);
}

void FillStickyList(HWND page) {
  HWND list = GetDlgItem(page, IDC_MV_STICKY_LIST);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const StickyProgram& p : S().sticky)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p.displayName.c_str()));
  SendMessageA(list, LB_SETCURSEL, 0, 0);
  EnableWindow(GetDlgItem(page, IDC_MV_STICKY_REMOVE), !S().sticky.empty());
}

void RefreshSheet(MultiViewInstance* inst) {
  if (!S().sheet || S().sheetInstance != inst) return;
  HWND general = S().pages[0], hotkeys = S().pages[1];
  FillCombo(GetDlgItem(general, IDC_MV_COLOUR), {IDS_MV_RED, IDS_MV_BLUE, IDS_MV_GREEN}, inst->settings.scheme);
  FillCombo(GetDlgItem(general, IDC_MV_SIZE), {IDS_MV_SMALL, IDS_MV_MEDIUM, IDS_MV_LARGE, IDS_MV_AUTOMATIC},
            inst->settings.sizeIndex);
  SendDlgItemMessageA(general, IDC_MV_COLUMNS_SPIN, UDM_SETRANGE32, 1, 16);
  SendDlgItemMessageA(general, IDC_MV_ROWS_SPIN, UDM_SETRANGE32, 1, 16);
  SendDlgItemMessageA(general, IDC_MV_COLUMNS_SPIN, UDM_SETPOS32, 0, inst->settings.columns);
  SendDlgItemMessageA(general, IDC_MV_ROWS_SPIN, UDM_SETPOS32, 0, inst->settings.rows);
  CheckDlgButton(general, IDC_MV_FOLLOW, S().follow ? BST_CHECKED : BST_UNCHECKED);
  for (int i = 0; i < kMultiViewScreens; ++i) {
    HWND hk = GetDlgItem(hotkeys, IDC_MV_HOTKEY_FIRST + i);
    SendMessageA(hk, HKM_SETRULES, HKCOMB_NONE, HOTKEYF_CONTROL);
    SendMessageA(hk, HKM_SETHOTKEY, MAKEWORD(S().keys[i], S().modifiers[i]), 0);
  }
  FillStickyList(S().pages[2]);
}

void ApplyTaskbarRule(MultiViewInstance* inst) {
  bool taskbar = IsInsideTaskbar(inst->window);
  HWND general = S().pages[0];
  for (int id : {IDC_MV_SIZE, IDC_MV_LABEL2}) {
    ShowWindow(GetDlgItem(general, id), taskbar ? SW_HIDE : SW_SHOW);
    if (taskbar) EnableWindow(GetDlgItem(general, id), FALSE);
  }
}

void ShowSheetPage(int chosen) {
  for (int i = 0; i < 3; ++i) EnableChildWindows(S().pages[i], i == chosen);
  SetWindowPos(S().pages[chosen], HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  HWND first = GetNextDlgTabItem(S().pages[chosen], nullptr, FALSE);
  if (first) SetFocus(first);
  if (chosen == 0 && S().sheetInstance) ApplyTaskbarRule(S().sheetInstance);
}

// A program offered in the sticky-program chooser.
struct Candidate {
  std::string exe, text;
};

BOOL CALLBACK AddStickyCandidate(HWND w, LPARAM listParam) {
  auto& list = *reinterpret_cast<std::vector<Candidate>*>(listParam);
  if (!IsWindowVisible(w) || GetParent(w) || GetWindow(w, GW_OWNER)) return TRUE;
  if (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return TRUE;
  char cls[101] = {};
  GetClassNameA(w, cls, sizeof cls);
  if (!lstrcmpA(cls, "Progman") || !lstrcmpA(cls, "Shell_TrayWnd") || !lstrcmpA(cls, "Quorvanel"))
    return TRUE;
  std::string exe = WindowExecutableName(w);
  if (exe.empty()) return TRUE;
  MultiViewInstance* inst = S().sheetInstance;
  if (inst)
    for (const StickyProgram& p : inst->settings.sticky)
      if (SameProgramName(p.exeName, exe)) return TRUE;
  for (const Candidate& c : list)
    if (!lstrcmpiA(c.exe.c_str(), exe.c_str())) return TRUE;
  char title[260] = {};
  GetWindowTextA(w, title, sizeof title);
  std::string text = title;
  std::size_t dash = text.find(" - ");
  if (dash != std::string::npos) text.resize(dash);
  if (text.size() > 99) text.resize(99);
  list.push_back({exe.size() > 99 ? exe.substr(0, 99) : exe, text});
  return TRUE;
}

INT_PTR CALLBACK ChooseStickyProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  static std::vector<Candidate> candidates;
  switch (message) {
    case WM_INITDIALOG: {
      RECT r;
      GetWindowRect(dialog, &r);
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      candidates.clear();
      EnumWindows(AddStickyCandidate, reinterpret_cast<LPARAM>(&candidates));
      HWND list = GetDlgItem(dialog, IDC_MV_CHOOSE_LIST);
      for (const Candidate& c : candidates) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c.text.c_str()));
      SendMessageA(list, LB_SETCURSEL, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        int i = int(SendDlgItemMessageA(dialog, IDC_MV_CHOOSE_LIST, LB_GETCURSEL, 0, 0));
        if (i >= 0 && i < int(candidates.size()) && S().sticky.size() < std::size_t(kMaxStickyPrograms)) {
          S().sticky.push_back(StickyProgram{candidates[std::size_t(i)].exe, candidates[std::size_t(i)].text});
          S().stickyEdited = true;
          if (S().pages[2]) FillStickyList(S().pages[2]);
        }
        candidates.clear();
        EndDialog(dialog, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        candidates.clear();
        EndDialog(dialog, IDCANCEL);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* hdr = reinterpret_cast<NMHDR*>(lParam);
    if (hdr->code == UDN_DELTAPOS && (hdr->idFrom == IDC_MV_COLUMNS_SPIN || hdr->idFrom == IDC_MV_ROWS_SPIN)) {
      auto* ud = reinterpret_cast<NMUPDOWN*>(lParam);
      int columns = int(SendDlgItemMessageA(page, IDC_MV_COLUMNS_SPIN, UDM_GETPOS32, 0, 0));
      int rows = int(SendDlgItemMessageA(page, IDC_MV_ROWS_SPIN, UDM_GETPOS32, 0, 0));
      if (hdr->idFrom == IDC_MV_COLUMNS_SPIN) columns = ud->iPos + ud->iDelta;
      else rows = ud->iPos + ud->iDelta;
      if (columns * rows <= 0 || columns * rows > kMultiViewScreens) ud->iDelta = 0;
      return FALSE;
    }
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDC_MV_LABEL1 || LOWORD(wParam) == IDC_MV_LABEL2)) {
    SetFocus(GetDlgItem(page, LOWORD(wParam) == IDC_MV_LABEL1 ? IDC_MV_COLOUR : IDC_MV_SIZE));
    return TRUE;
  }
  return message == WM_INITDIALOG;
}

INT_PTR CALLBACK HotKeysPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

INT_PTR CALLBACK StickyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) {
    switch (LOWORD(wParam)) {
      case IDC_MV_STICKY_ADD:
        DialogBoxParamA(Globals().instance ? Globals().instance : GetModuleHandleA(nullptr),
                        MAKEINTRESOURCEA(IDD_MV_CHOOSE), page, ChooseStickyProc, 0);
        return TRUE;
      case IDC_MV_STICKY_REMOVE: {
        int i = int(SendDlgItemMessageA(page, IDC_MV_STICKY_LIST, LB_GETCURSEL, 0, 0));
        if (i >= 0 && i < int(S().sticky.size())) {
          S().sticky.erase(S().sticky.begin() + i);
          if (S().sheetInstance) S().sheetInstance->settings.sticky = S().sticky;
          S().stickyEdited = true;
          FillStickyList(page);
        }
        return TRUE;
      }
      case IDC_MV_LABEL1:
        SetFocus(GetDlgItem(page, IDC_MV_STICKY_LIST));
        return TRUE;
      default:
        break;
    }
  }
  return message == WM_INITDIALOG;
}

void ApplySheet(MultiViewInstance* inst) {
  HWND general = S().pages[0], hotkeys = S().pages[1];
  auto& s = inst->settings;
  bool changed = S().stickyEdited;
  S().stickyEdited = false;
  int size = int(SendDlgItemMessageA(general, IDC_MV_SIZE, CB_GETCURSEL, 0, 0));
  int scheme = int(SendDlgItemMessageA(general, IDC_MV_COLOUR, CB_GETCURSEL, 0, 0));
  BOOL ok = FALSE;
  UINT columns = GetDlgItemInt(general, IDC_MV_COLUMNS, &ok, FALSE);
  UINT rows = GetDlgItemInt(general, IDC_MV_ROWS, &ok, FALSE);
  if (columns < 1) columns = 1;
  if (rows < 1) rows = 1;
  if (columns > 16) columns = 16;
  if (rows > 16) rows = 16;
  while (columns * rows > 16) --columns;  // the fields were typed past what the arrows allow
  bool vertical = SendMessageA(GetParent(inst->window), PNM_ISHORIZONTAL, 0, 0) == 0;
  int longSide = ((rows >= columns && vertical) || (rows < columns && !vertical)) ? 1 : 0;
  int follow = IsDlgButtonChecked(general, IDC_MV_FOLLOW) == BST_CHECKED ? 1 : 0;
  if (size >= 0 && size != s.sizeIndex) { s.sizeIndex = size; changed = true; }
  if (scheme >= 0 && scheme != s.scheme) { s.scheme = scheme; changed = true; }
  if (int(columns) != s.columns || int(rows) != s.rows) { s.columns = int(columns); s.rows = int(rows); changed = true; }
  if (longSide != s.longSide) { s.longSide = longSide; changed = true; }
  if (follow != s.follow || follow != S().follow) { s.follow = S().follow = follow; changed = true; }
  bool touchedShared = false;
  HWND owner = S().live.empty() ? inst->window : S().live.front()->window;
  for (int i = 0; i < kMultiViewScreens; ++i) {
    WORD pair = WORD(SendDlgItemMessageA(hotkeys, IDC_MV_HOTKEY_FIRST + i, HKM_GETHOTKEY, 0, 0));
    int key = LOBYTE(pair), mods = HIBYTE(pair) & 7;
    if (key != s.keys[i] || mods != s.modifiers[i]) changed = true;
    if (key == S().keys[i] && mods == S().modifiers[i]) continue;
    touchedShared = true;
    SendMessageA(GetParent(owner), PNM_REMOVEHOTKEY, WPARAM(owner), i);
    bool accepted = key == 0 && mods == 0;
    if (!accepted) {
      HotKeyEntry entry{owner, key, mods, i};
      accepted = SendMessageA(GetParent(owner), PNM_ADDHOTKEY, 0, reinterpret_cast<LPARAM>(&entry)) != 0;
    }
    if (accepted) {
      s.keys[i] = S().keys[i] = key;
      s.modifiers[i] = S().modifiers[i] = mods;
    }
  }
  if (touchedShared)
    for (MultiViewInstance* other : S().live) SendMessageA(GetParent(other->window), PNM_SETTINGSCHANGED, 0, 0);
  if (changed) {
    Rebuild(inst);
    SendMessageA(GetParent(inst->window), PNM_CHANGED, WPARAM(inst->window), 1);
    InvalidateRect(inst->window, nullptr, TRUE);
  }
}

INT_PTR CALLBACK SheetProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* inst = reinterpret_cast<MultiViewInstance*>(lParam);
      S().sheet = sheet;
      S().sheetInstance = inst;
      S().stickyEdited = false;
      static const UINT names[3] = {IDS_MV_TAB_GENERAL, IDS_MV_TAB_HOTKEYS, IDS_MV_TAB_STICKY};
      AddSheetTabs(sheet, names, 3);
      HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
      UINT templates[3] = {IDD_MV_GENERAL, IDD_MV_HOTKEYS, IDD_MV_STICKY};
      DLGPROC procs[3] = {GeneralPageProc, HotKeysPageProc, StickyPageProc};
      for (int i = 2; i >= 0; --i) {
        S().pages[i] = CreateDialogParamA(instance, MAKEINTRESOURCEA(templates[i]), sheet, procs[i], 0);
        PlaceSheetPage(sheet, S().pages[i]);
      }
      RefreshSheet(inst);
      ShowSheetPage(0);
      SetFocus(GetDlgItem(S().pages[0], IDC_MV_COLUMNS_SPIN));
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->idFrom == IDC_MV_SHEET_TAB && hdr->code == TCN_SELCHANGE)
        ShowSheetPage(int(SendMessageA(hdr->hwndFrom, TCM_GETCURSEL, 0, 0)));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDM_SHEET_APPLY && S().sheetInstance) ApplySheet(S().sheetInstance);
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(sheet, 77);
      return TRUE;
    case WM_DESTROY:
      for (HWND& page : S().pages) {
        if (page) DestroyWindow(page);
        page = nullptr;
      }
      if (S().sheet == sheet) {
        S().sheet = nullptr;
        S().sheetInstance = nullptr;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

HWND CreateSheet(MultiViewInstance* inst, HWND parent, LPARAM at) {
  if (S().sheet) DestroyWindow(S().sheet);
  return CreatePanelSheet(parent, at, SheetProc, reinterpret_cast<LPARAM>(inst));
}

LRESULT CALLBACK MultiViewWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MultiViewInstance* inst = InstanceOf(window);
  if (message == WM_CREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    inst = static_cast<MultiViewInstance*>(cs->lpCreateParams);
    inst->window = window;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(inst));
    return 0;
  }
  if (!inst) return message == WM_NCCREATE ? DefWindowProcA(window, message, wParam, lParam) : 0;
  switch (message) {
    case WM_DESTROY:
      KillTimer(window, kFollowTimer);
      if (GetCapture() == window) ReleaseCapture();
      Forget(inst);
      if (inst->grid) DeleteObject(inst->grid);
      SetWindowLongPtrA(window, 0, 0);
      delete inst;
      return 0;
    case WM_SIZE:
      OnSize(inst, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_PAINT:
      OnPaint(inst);
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      PaintParentBackground(window, &r, reinterpret_cast<HDC>(wParam), inst->keyMode);
      return 1;
    }
    case WM_COMMAND:
      OnCommand(inst, LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kFollowTimer) OnTimer(inst);
      return 0;
    case WM_LBUTTONDOWN:
      OnPress(inst, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
      return 0;
    case WM_MOUSEMOVE:
      OnDragMove(inst, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
      return 0;
    case WM_LBUTTONUP:
      OnRelease(inst, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
      return 0;
    case WM_CAPTURECHANGED:
      if (S().drag.dragging && S().drag.source == inst && HWND(lParam) != window) {
        if (S().drag.outlineShown) ToggleOutline(inst);
        S().drag.dragging = false;
      }
      return 0;
    case WM_LBUTTONDBLCLK: {
      if (S().drag.dragging) return 0;
      int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
      int cols = inst->settings.columns, rows = inst->settings.rows;
      if (x < 2 || y < 2 || x > cols * (inst->cellW + 4) || y > rows * (inst->cellH + 4)) return 0;
      int column = std::min(x / (inst->cellW + 4), cols - 1), row = std::min(y / (inst->cellH + 4), rows - 1);
      DoSwitch(inst, column + cols * row);
      return 0;
    }
    case WM_RBUTTONDOWN:
      return 0;
    case WM_RBUTTONUP:
      ShowContextMenu(inst, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
      return 0;
    case PNM_GETSETTINGS: {
      CopySharedInto(inst);
      inst->reply = SaveMultiViewSettings(inst->settings);
      if (lParam) *reinterpret_cast<void**>(lParam) = inst->reply.data();
      return LRESULT(inst->reply.size());
    }
    case PNM_SETSETTINGS: {
      MultiViewSettings loaded = inst->settings;
      if (!LoadMultiViewSettings(static_cast<const std::uint8_t*>(reinterpret_cast<void*>(lParam)),
                                 std::size_t(wParam), loaded))
        return 0;
      inst->settings = loaded;
      S().sticky = inst->settings.sticky;
      S().follow = inst->settings.follow;
      ApplyHotKeyChanges(inst);
      RefreshSheet(inst);
      Rebuild(inst);
      return 0;
    }
    case PNM_CREATEPAGE:
      return reinterpret_cast<LRESULT>(CreateSheet(inst, reinterpret_cast<HWND>(wParam), lParam));
    case PNM_GETPREFSIZE: {
      SIZE size = MultiViewPreferredSize(inst->settings, wParam != 0, IsInsideTaskbar(window));
      return MakeSize(size.cx, size.cy);
    }
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2:
    case PNM_NEGOTIATESIZE3: {
      if (inst->settings.sizeIndex != 3 || !lParam) return 0;
      const auto* p = reinterpret_cast<const SizeProposal*>(lParam);
      return MultiViewNegotiate(inst->settings, p->currentWidth, p->currentHeight, p->offeredWidth,
                                p->offeredHeight, p->horizontal != 0, p->crossExtent);
    }
    case PNM_HOTKEY:
      if (wParam < WPARAM(kMultiViewScreens) && int(wParam) != S().current) DoSwitch(inst, int(wParam));
      return 0;
    case PNM_HELP:
      OpenHelpTopic(window, 77);
      return 1;
    case PNM_KEYMODEON: {
      inst->keyMode = true;
      SetFocus(GetTopFrameWindow(window));
      RECT r;
      GetClientRect(window, &r);
      ParkPointerInPanel(window, r);
      inst->selColumn = inst->selRow = 0;
      InvalidateRect(window, nullptr, FALSE);
      return 1;
    }
    case PNM_KEYMODEOFF:
      inst->keyMode = false;
      InvalidateRect(window, nullptr, FALSE);
      return 1;
    case PNM_KEY:
      OnKey(inst, wParam);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// A hidden top-level window of the toolbar's process that brings every parked window back when
// the session ends, since the program may not get to its normal exit.
LRESULT CALLBACK SessionWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_QUERYENDSESSION) return TRUE;
  if (message == WM_ENDSESSION) {
    if (wParam) GatherAllWindows();
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void EnsureSessionWindow(HINSTANCE instance) {
  if (S().sessionWindow && IsWindow(S().sessionWindow)) return;
  S().sessionWindow = CreateHiddenTopWindow(instance, kSessionClass, SessionWndProc);
}

bool RegisterMultiViewClass(HINSTANCE instance) {
  if (S().classRegistered) return true;
  S().classRegistered = RegisterPanelClass(instance, kClassName, MultiViewWndProc);
  if (!S().font) {
    S().font = CreatePointFont(6, "Small Fonts");
    S().lineHeight = 9;
  }
  return S().classRegistered;
}

HWND CreateMultiViewWith(HWND parent, const RECT* rect, const void* blob, int blobSize, bool fromLoader) {
  HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
  if (!RegisterMultiViewClass(instance)) return nullptr;
  auto* inst = new MultiViewInstance;
  bool loaded = blob && blobSize > 0 &&
                LoadMultiViewSettings(static_cast<const std::uint8_t*>(blob), std::size_t(blobSize), inst->settings);
  if (loaded) {
    S().follow = inst->settings.follow;
  } else {
    inst->settings = MultiViewSettings{};
    inst->settings.sizeIndex = fromLoader && blob == nullptr ? 3 : 0;
    inst->settings.follow = S().follow;
  }
  if (inst->settings.columns < 1) inst->settings.columns = 1;
  if (inst->settings.rows < 1) inst->settings.rows = 1;
  HWND fg = GetForegroundWindow();
  S().lastForeground = fg ? GetAncestor(fg, GA_ROOT) : nullptr;
  SIZE cell = MultiViewTableCell(inst->settings.sizeIndex);
  inst->cellW = cell.cx;
  inst->cellH = cell.cy;
  RECT r = rect ? *rect : RECT{0, 0, 60, 24};
  HWND window = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent, nullptr, instance, inst);
  if (!window) {
    delete inst;
    return nullptr;
  }
  EnsureSessionWindow(instance);
  S().live.push_back(inst);
  if (S().live.size() == 1) {
    PublishHotKeys(inst);
    S().sticky = inst->settings.sticky;
  } else {
    CopySharedInto(inst);
  }
  SetTimer(window, kFollowTimer, 500, nullptr);
  Rebuild(inst);
  return window;
}

HWND CreateMultiViewBuiltin(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return CreateMultiViewWith(parent, rect, blob, blobSize, false);
}

void CleanupType() { FreeMultiViewPanelType(); }

}  // namespace

bool IsMultiViewWindow(HWND window) {
  if (!IsWindowVisible(window) || IsIconic(window)) return false;
  if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) return false;
  char cls[101] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (!lstrcmpA(cls, "Progman") || !lstrcmpA(cls, "Shell_TrayWnd") || !lstrcmpA(cls, "Quorvanel"))
    return false;
  if ((GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && !GetWindow(window, GW_OWNER)) return false;
  return true;
}

namespace {
BOOL CALLBACK GatherWindow(HWND w, LPARAM) {
  if (!IsWindowVisible(w) || (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) || !InScope(w)) return TRUE;
  int screen = GetWindowScreen(w);
  if (screen < 0 || screen >= kMultiViewScreens) return TRUE;
  POINT off = ScreenPlaneOffset(screen);
  MoveBy(w, -off.x, -off.y);
  return TRUE;
}
}  // namespace

void GatherAllWindows() {
  EnumWindows(GatherWindow, 0);
  S().current = 0;
}

void SetMultiViewWindowScope(std::function<bool(HWND)> scope) { Scope() = std::move(scope); }

int CurrentVirtualScreen() { return S().current; }

bool SwitchVirtualScreen(HWND panel, int screen) {
  MultiViewInstance* inst = panel ? InstanceOf(panel) : (S().live.empty() ? nullptr : S().live.front());
  if (!inst) return false;
  return DoSwitch(inst, screen);
}

int LiveMultiViewCount() { return int(S().live.size()); }

std::vector<StickyProgram>& SharedStickyPrograms() { return S().sticky; }

void EnableChildWindows(HWND window, bool enable) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EnableWindow(child, enable);
}

void ActivateDesktopWindow() {
  if (S().live.empty()) return;
  for (HWND w : EligibleWindows())
    if (GetWindowScreen(w) == kVisibleScreen) return;
  HWND progman = FindWindowA("Progman", nullptr);
  if (!progman) return;
  HWND fg = GetForegroundWindow();
  if (fg && GetWindowThreadProcessId(fg, nullptr) != GetWindowThreadProcessId(progman, nullptr))
    SetForegroundWindow(progman);
}

std::string WindowExecutableName(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[MAX_PATH] = {};
  if (!pid || !GetProcessModuleName(pid, name)) return {};
  return name;
}

bool SameProgramName(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (lstrcmpiA(a.c_str(), b.c_str()) == 0) return true;
  // A name kept with its extension (as lists made before this form were) names the same program.
  auto stem = [](const std::string& name) {
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
  };
  return lstrcmpiA(stem(a).c_str(), stem(b).c_str()) == 0;
}

PanelType* RegisterMultiViewPanelType(HINSTANCE instance) {
  if (!RegisterMultiViewClass(instance)) return nullptr;
  FillBuiltinType(S().type, instance, "MultiView", IDS_MV_TYPE, IDS_MV_TYPE_DESC, IDB_MV_TYPE,
                  IDB_MV_TYPE_MASK, CreateMultiViewBuiltin);
  S().type.cleanup = CleanupType;
  SetActivateDesktopHandler(ActivateDesktopWindow);
  return &S().type;
}

void FreeMultiViewPanelType() {
  if (S().font) {
    DeleteObject(S().font);
    S().font = nullptr;
  }
  GatherAllWindows();
  if (S().sessionWindow) {
    DestroyWindow(S().sessionWindow);
    S().sessionWindow = nullptr;
  }
}

HWND CreateMultiView(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return CreateMultiViewWith(parent, rect, blob, blobSize, false);
}

}  // namespace jqbar
