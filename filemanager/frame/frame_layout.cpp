// Layout of the main window's client area, the splitter drags and the pane title bars.
#include "frame_layout.h"
#include <commctrl.h>
#include <algorithm>
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"
#include "window_utils.h"

namespace {

// What the last layout measured: the panes' area and the heights around it.
RECT g_panesArea;
int g_topBarsHeight;
int g_bottomBarsHeight;
RECT g_viewerRect;

struct DragState {
  int mode;   // 0 none, 1-5 as SplitterModeAt
  int pane;   // mode 4: the pane whose tree is resized
  RECT bar;   // the inverted bar, client coordinates
  HDC dc;
};
DragState g_drag;

bool ViewerShown() {
  const LiveOptions& o = GetLiveOptions();
  return o.viewerShown && g_frame.viewer[0] && IsWindow(g_frame.viewer[0]);
}

int ClampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

void PlacePaneWindows(HDWP& batch, const FilePane& pane, const PaneRects& r) {
  auto place = [&](HWND w, const RECT& rc) {
    if (!w || !IsWindow(w)) return;
    batch = DeferWindowPos(batch, w, nullptr, rc.left, rc.top, rc.right - rc.left,
                           rc.bottom - rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  if (pane.treeShown) place(pane.tree, r.tree);
  if (pane.listShown) place(pane.list, r.list);
  if (r.titlebar.bottom > r.titlebar.top) place(pane.titlebar, r.titlebar);
}

// Places a bar across the top: wrapping bars take the height their buttons need.
void PlaceTopBar(HDWP& batch, HWND bar, int& height, BOOL wraps, int& top, int width,
                 BOOL invalidate) {
  if (!bar || !IsWindow(bar) || !IsWindowVisible(bar)) return;
  if (wraps) {
    MoveWindow(bar, 0, top, width, height, FALSE);
    int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
    if (count > 0) {
      RECT last{};
      SendMessageA(bar, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
      height = std::max(height, static_cast<int>(last.bottom) + 4);
    }
    if (invalidate) InvalidateRect(bar, nullptr, TRUE);
  }
  batch = DeferWindowPos(batch, bar, nullptr, 0, top, width, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
  top += height;
}

void KeepActivePaneInView() {
  const LiveOptions& o = GetLiveOptions();
  const FilePane& p = FilePanes[ActivePaneIndex];
  if (o.keepSelectionVisible && p.list && p.listShown) {
    int focused = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED);
    if (focused >= 0) ListView_EnsureVisible(p.list, focused, FALSE);
  }
  if (o.keepFolderVisible && p.tree && p.treeShown) {
    HTREEITEM selected = TreeView_GetSelection(p.tree);
    if (selected) TreeView_EnsureVisible(p.tree, selected);
  }
}

}  // namespace

void ComputePaneLayout(const PaneLayoutInput& in, PaneRects (&out)[2]) {
  out[0] = out[1] = PaneRects{};
  const int left = in.area.left, top = in.area.top;
  const int W = in.area.right - in.area.left, H = in.area.bottom - in.area.top;
  RECT body[2] = {};
  if (!in.twoPanes) {
    body[0] = in.area;
  } else if (in.stacked) {
    int h0 = static_cast<int>(H * in.ratio) - 18;
    out[0].titlebar = {left, top, left + W, top + kTitlebarHeight};
    body[0] = {left, top + kTitlebarHeight, left + W, top + kTitlebarHeight + h0};
    int second = top + h0 + 37;
    out[1].titlebar = {left, second - kTitlebarHeight, left + W, second};
    body[1] = {left, second, left + W, second + (H - h0 - 37)};
  } else {
    int split = static_cast<int>(W * in.ratio);
    int w0 = split - 1;
    int x1 = left + split + 3;
    int w1 = W - w0 - 4;
    out[0].titlebar = {left, top, left + w0, top + kTitlebarHeight};
    body[0] = {left, top + kTitlebarHeight, left + w0, top + H};
    out[1].titlebar = {x1, top, x1 + w1, top + kTitlebarHeight};
    body[1] = {x1, top + kTitlebarHeight, x1 + w1, top + H};
  }
  for (int p = 0; p < (in.twoPanes ? 2 : 1); ++p) {
    RECT b = body[p];
    if (b.bottom < b.top) b.bottom = b.top;
    if (b.right < b.left) b.right = b.left;
    int width = b.right - b.left;
    int treeWidth = 0;
    if (in.treeShown[p]) {
      treeWidth = in.listShown[p] ? ClampInt(in.treeWidth[p], kMinTreeWidth, std::max(width, 0))
                                  : width;
      if (treeWidth > width) treeWidth = width;
      out[p].tree = {b.left, b.top, b.left + treeWidth, b.bottom};
    }
    if (in.listShown[p]) {
      int x = in.treeShown[p] ? b.left + treeWidth + kSplitterSize : b.left;
      if (x > b.right) x = b.right;
      out[p].list = {x, b.top, b.right, b.bottom};
    }
  }
}

void LayoutMainWindow(HWND window, UINT, UINT sizeKind, int W, int H, BOOL invalidate) {
  if (sizeKind == SIZE_MINIMIZED) return;
  const LiveOptions& o = GetLiveOptions();
  HDWP batch = BeginDeferWindowPos(17);
  int top = 0;
  if (g_frame.barsInCoolbar && g_frame.coolbar && IsWindow(g_frame.coolbar)) {
    int rows = static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETROWCOUNT, 0, 0));
    int height = 0;
    for (int i = 0; i < rows; ++i)
      height += static_cast<int>(SendMessageA(g_frame.coolbar, RB_GETROWHEIGHT, i, 0));
    batch = DeferWindowPos(batch, g_frame.coolbar, nullptr, 0, 0, W, height,
                           SWP_NOZORDER | SWP_NOACTIVATE);
    top = height;
  } else {
    if (o.toolbarShown)
      PlaceTopBar(batch, g_frame.toolbar, g_frame.toolbarHeight, g_frame.toolbarWraps, top, W,
                  invalidate);
    if (o.driveBarShown)
      PlaceTopBar(batch, g_frame.driveBar, g_frame.driveBarHeight, g_frame.driveBarWraps, top,
                  W, invalidate);
    if (o.launchBarShown)
      PlaceTopBar(batch, g_frame.launchBar, g_frame.launchBarHeight, g_frame.launchBarWraps,
                  top, W, invalidate);
  }
  g_topBarsHeight = top;
  int bottom = H;
  if (o.statusBarShown && g_frame.statusBar && IsWindow(g_frame.statusBar)) {
    bottom -= g_frame.statusBarHeight;
    batch = DeferWindowPos(batch, g_frame.statusBar, nullptr, 0, bottom, W,
                           g_frame.statusBarHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!g_frame.barsInCoolbar && o.dosBarShown && g_frame.commandLineBar &&
      IsWindow(g_frame.commandLineBar)) {
    bottom -= g_frame.commandLineHeight;
    batch = DeferWindowPos(batch, g_frame.commandLineBar, nullptr, 0, bottom, W,
                           g_frame.commandLineHeight, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  g_bottomBarsHeight = H - bottom;
  RECT area = {0, top, W, std::max(bottom, top)};
  g_viewerRect = RECT{};
  if (ViewerShown() && o.viewerPlacement != 2) {
    int areaW = area.right - area.left, areaH = area.bottom - area.top;
    if (o.viewerPlacement == 1) {
      int vw = static_cast<int>(W * o.viewerRatio);
      area.right = W - vw;
      g_viewerRect = {area.right + kSplitterSize, area.top, W, area.bottom};
    } else {
      int vh = static_cast<int>(areaH * o.viewerRatio);
      area.bottom -= vh;
      g_viewerRect = {area.left, area.bottom + kSplitterSize, area.left + areaW, area.bottom + vh};
    }
    for (HWND v : g_frame.viewer) {
      if (!v || !IsWindow(v)) continue;
      BOOL visible = IsWindowVisible(v);
      batch = DeferWindowPos(batch, v, nullptr, g_viewerRect.left, g_viewerRect.top,
                             g_viewerRect.right - g_viewerRect.left,
                             g_viewerRect.bottom - g_viewerRect.top,
                             SWP_NOZORDER | SWP_NOACTIVATE | (visible ? 0 : SWP_HIDEWINDOW));
    }
    if (g_frame.viewerButton && IsWindow(g_frame.viewerButton)) {
      int s = GetSystemMetrics(SM_CXVSCROLL);
      batch = DeferWindowPos(batch, g_frame.viewerButton, HWND_TOP, g_viewerRect.right - s,
                             g_viewerRect.bottom - s, s, s, SWP_NOACTIVATE);
    }
  }
  if (area.right < area.left) area.right = area.left;
  g_panesArea = area;

  PaneLayoutInput in{};
  in.area = area;
  in.twoPanes = g_paneLayout.twoPanes != 0;
  in.stacked = g_paneLayout.orientation != 0;
  in.ratio = ClampRatio(g_paneLayout.ratio, kDefaultSplitRatio);
  for (int p = 0; p < 2; ++p) {
    in.treeShown[p] = FilePanes[p].treeShown && FilePanes[p].tree;
    in.listShown[p] = FilePanes[p].listShown && FilePanes[p].list;
    in.treeWidth[p] = FilePanes[p].treeWidth;
  }
  PaneRects rects[2];
  ComputePaneLayout(in, rects);
  PlacePaneWindows(batch, FilePanes[0], rects[0]);
  if (in.twoPanes) PlacePaneWindows(batch, FilePanes[1], rects[1]);
  if (batch) EndDeferWindowPos(batch);
  if (invalidate) InvalidateRect(window, nullptr, TRUE);
  UpdatePaneTitlebars();
  KeepActivePaneInView();
  if (g_frame.commandLineCombo && IsWindow(g_frame.commandLineCombo))
    SendMessageA(g_frame.commandLineCombo, WM_USER + 100, sizeKind, MAKELPARAM(W, H));
}

void RelayoutMainWindow(HWND window, BOOL invalidate) {
  RECT r;
  if (!window || !GetClientRect(window, &r)) return;
  if (IsIconic(window)) return;
  LayoutMainWindow(window, WM_SIZE, SIZE_RESTORED, r.right, r.bottom, invalidate);
}

// ---- Splitters ------------------------------------------------------------------------------

BOOL IsPointOverSecondTree(POINT point) {
  POINT probe = {point.x - 4, point.y + 18};
  HWND w = ChildWindowFromPointEx(g_mainWindow, probe, CWP_SKIPINVISIBLE);
  return w && w == FilePanes[1].tree;
}

int SplitterModeAt(HWND window, POINT point, int* pane) {
  if (pane) *pane = 0;
  if (point.y < 0) return 0;
  const LiveOptions& o = GetLiveOptions();
  if (ViewerShown() && o.viewerPlacement == 0 && point.y > g_viewerRect.top - 4 &&
      point.y < g_viewerRect.top)
    return 1;
  POINT probe = {point.x + 4, point.y};
  HWND w = ChildWindowFromPointEx(window, probe, CWP_SKIPINVISIBLE);
  if (g_paneLayout.twoPanes) {
    if (g_paneLayout.orientation && w == window) return 2;
    HWND second = FilePanes[1].treeShown ? FilePanes[1].tree : FilePanes[1].list;
    if (!g_paneLayout.orientation && w && w == second) return 3;
  }
  bool paneWindow = false;
  for (const FilePane& p : FilePanes)
    if (w && (w == p.tree || w == p.list)) paneWindow = true;
  if (ViewerShown() && o.viewerPlacement == 1 && !paneWindow && point.x < g_viewerRect.left)
    return 5;
  // Between a tree and its list: the pane whose tree lies left of the point.
  POINT left = {point.x - 4, point.y};
  HWND leftWindow = ChildWindowFromPointEx(window, left, CWP_SKIPINVISIBLE);
  int which = -1;
  for (int p = 0; p < 2; ++p)
    if (leftWindow && leftWindow == FilePanes[p].tree && FilePanes[p].listShown) which = p;
  if (which < 0) return 0;
  if (pane) *pane = which;
  return 4;
}

namespace {

HCURSOR SplitterCursor(int mode) {
  bool upDown = mode == 1 || mode == 2;
  HCURSOR c = LoadCursorA(g_instance, MAKEINTRESOURCEA(upDown ? IDC_SPLIT_UPDOWN : IDC_SPLIT_LEFTRIGHT));
  if (!c) c = LoadCursorA(nullptr, upDown ? IDC_SIZENS : IDC_SIZEWE);
  return c;
}

void InvertBar(const RECT& r) {
  if (!g_drag.dc) return;
  PatBlt(g_drag.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
}

RECT BarAt(HWND window, POINT point) {
  RECT client;
  GetClientRect(window, &client);
  RECT bar{};
  int statusHeight = GetLiveOptions().statusBarShown && g_frame.statusBar ? g_frame.statusBarHeight : 0;
  if (g_drag.mode >= 3) {
    int lo = 30, hi = client.right - 30;
    if (g_drag.mode == 4) {
      RECT tree;
      GetWindowRect(FilePanes[g_drag.pane].tree, &tree);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&tree), 2);
      lo = tree.left + 30;
      RECT paneRight = tree;
      if (FilePanes[g_drag.pane].list) {
        GetWindowRect(FilePanes[g_drag.pane].list, &paneRight);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&paneRight), 2);
      }
      hi = std::min(hi, static_cast<int>(paneRight.right) - 30);
    }
    int x = ClampInt(point.x - 1, lo, std::max(lo, hi));
    bar = {x, g_panesArea.top, x + kSplitterSize, g_panesArea.bottom};
  } else {
    int lo = g_topBarsHeight + 1 + 15;
    if (g_drag.mode == 1 && g_paneLayout.twoPanes) lo = g_topBarsHeight + 1 + 30;
    int hi = client.bottom - statusHeight - 25;
    int y = ClampInt(point.y - 1, lo, std::max(lo, hi));
    bar = {0, y, client.right, y + kSplitterSize};
  }
  return bar;
}

void ApplyDrag(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  LiveOptions& o = GetLiveOptions();
  const RECT& bar = g_drag.bar;
  switch (g_drag.mode) {
    case 4: {
      RECT tree;
      GetWindowRect(FilePanes[g_drag.pane].tree, &tree);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&tree), 2);
      FilePanes[g_drag.pane].treeWidth = std::max<int>(kMinTreeWidth, bar.left - tree.left);
      break;
    }
    case 3: {
      int width = g_panesArea.right - g_panesArea.left;
      if (width > 0)
        g_paneLayout.ratio = ClampRatio(static_cast<float>(bar.left - g_panesArea.left + 1) / width,
                                        g_paneLayout.ratio);
      break;
    }
    case 2: {
      int height = g_panesArea.bottom - g_panesArea.top;
      if (height > 0)
        g_paneLayout.ratio = ClampRatio(static_cast<float>(bar.top - g_panesArea.top + 1) / height,
                                        g_paneLayout.ratio);
      break;
    }
    case 1: {
      int avail = client.bottom - g_topBarsHeight - g_bottomBarsHeight;
      int viewerHeight = g_viewerRect.bottom - bar.top + 3;
      if (avail > 0)
        o.viewerRatio = ClampRatio(static_cast<float>(viewerHeight + 3) / avail, o.viewerRatio);
      break;
    }
    case 5: {
      int viewerWidth = client.right - bar.left + 2;
      if (client.right > 0)
        o.viewerRatio = ClampRatio(static_cast<float>(viewerWidth) / client.right, o.viewerRatio);
      break;
    }
    default:
      break;
  }
}

void EndDragDrawing(HWND window) {
  if (g_drag.dc) {
    InvertBar(g_drag.bar);
    ReleaseDC(window, g_drag.dc);
    g_drag.dc = nullptr;
  }
}

}  // namespace

void BeginSplitterDrag(HWND window, UINT, WPARAM, POINT point) {
  int pane = 0;
  int mode = SplitterModeAt(window, point, &pane);
  if (!mode) return;
  g_drag.mode = mode;
  g_drag.pane = pane;
  SetCapture(window);
  SetCursor(SplitterCursor(mode));
  g_drag.dc = GetDCEx(window, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  if (!g_drag.dc) g_drag.dc = GetDC(window);
  g_drag.bar = BarAt(window, point);
  InvertBar(g_drag.bar);
}

void TrackSplitterDrag(HWND window, UINT, WPARAM, POINT point) {
  if (!g_drag.mode) {
    int mode = SplitterModeAt(window, point, nullptr);
    SetCursor(mode ? SplitterCursor(mode) : LoadCursorA(nullptr, IDC_ARROW));
    return;
  }
  InvertBar(g_drag.bar);
  g_drag.bar = BarAt(window, point);
  InvertBar(g_drag.bar);
}

void EndSplitterDrag(HWND window, UINT, WPARAM, POINT point) {
  if (!g_drag.mode) return;
  InvertBar(g_drag.bar);
  g_drag.bar = BarAt(window, point);
  InvertBar(g_drag.bar);
  EndDragDrawing(window);
  ApplyDrag(window);
  g_drag.mode = 0;
  if (GetCapture() == window) ReleaseCapture();
  RelayoutMainWindow(window, TRUE);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void CancelSplitterDrag(HWND window) {
  if (!g_drag.mode) return;
  EndDragDrawing(window);
  g_drag.mode = 0;
}

// ---- Title bars -----------------------------------------------------------------------------

namespace {
const char kTitlebarClass[] = "FilePaneTitlebarClass";
HFONT g_titleFont;

HFONT TitleFont() {
  if (g_titleFont) return g_titleFont;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    metrics.lfSmCaptionFont.lfWeight = FW_NORMAL;
    g_titleFont = CreateFontIndirectA(&metrics.lfSmCaptionFont);
  }
  if (!g_titleFont) g_titleFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return g_titleFont;
}

int PaneOfTitlebar(HWND titlebar) {
  return titlebar == FilePanes[0].titlebar ? 0 : 1;
}

void ShowTitlebarMenu(HWND titlebar, POINT screen) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  char text[100];
  for (UINT i = 0; i < 3; ++i) {
    text[0] = 0;
    LoadStringA(g_instance, IDS_LAYOUT_SINGLE + i, text, sizeof text);
    AppendMenuA(menu, MF_STRING, ID_LAYOUT_SINGLE + i, text);
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  text[0] = 0;
  LoadStringA(g_instance, IDS_SWAP_PANES, text, sizeof text);
  AppendMenuA(menu, MF_STRING, ID_VIEW_SWAP_PANES, text);
  UINT id = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                    titlebar, nullptr);
  DestroyMenu(menu);
  if (id) SendMessageA(g_mainWindow, WM_COMMAND, id, 0);
}
}  // namespace

HWND CreatePaneTitlebar(HWND parent, int pane) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = PaneTitlebarWndProc;
    wc.hInstance = g_instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kTitlebarClass;
    registered = RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }
  HWND w = CreateWindowExA(0, kTitlebarClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           10, kTitlebarHeight, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(
                               pane == 0 ? kTitlebarIdPane0 : kTitlebarIdPane1)),
                           g_instance, nullptr);
  FilePanes[pane].titlebar = w;
  return w;
}

void PaintPaneTitlebar(HWND titlebar) {
  int pane = PaneOfTitlebar(titlebar);
  bool active = pane == ActivePaneIndex;
  HDC dc = GetDC(titlebar);
  if (!dc) return;
  RECT r;
  GetClientRect(titlebar, &r);
  HBRUSH brush = GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
  FillRect(dc, &r, brush);
  char text[MAX_PATH] = "";
  HWND tree = FilePanes[pane].tree;
  if (tree && TreeView_GetSelection(tree)) {
    if (!GetTreeSelectionPath(tree, text, FALSE, TRUE))
      GetTreeSelectionPath(tree, text, TRUE, FALSE);
  }
  HGDIOBJ oldFont = SelectObject(dc, TitleFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
  RECT textRect = r;
  textRect.left += 4;
  DrawTextA(dc, text, -1, &textRect,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_PATH_ELLIPSIS);
  SelectObject(dc, oldFont);
  ReleaseDC(titlebar, dc);
}

LRESULT CALLBACK PaneTitlebarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      InvalidateRect(window, nullptr, FALSE);
      LRESULT r = DefWindowProcA(window, message, wParam, lParam);
      PaintPaneTitlebar(window);
      return r;
    }
    case WM_LBUTTONDOWN: {
      int pane = PaneOfTitlebar(window);
      if (pane != ActivePaneIndex) {
        const FilePane& p = FilePanes[pane];
        HWND target = p.treeShown && p.tree ? p.tree : p.list;
        ActivePaneIndex = pane;
        if (target) SetFocus(target);
        UpdatePaneTitlebars();
      }
      return 0;
    }
    case WM_LBUTTONDBLCLK:
      SendMessageA(g_mainWindow, WM_COMMAND, ID_LAYOUT_SINGLE, 0);
      return 0;
    case WM_RBUTTONUP: {
      POINT p = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      ClientToScreen(window, &p);
      ShowTitlebarMenu(window, p);
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void UpdatePaneTitlebars() {
  if (!g_paneLayout.twoPanes) return;
  for (const FilePane& p : FilePanes)
    if (p.titlebar && IsWindow(p.titlebar)) InvalidateRect(p.titlebar, nullptr, TRUE);
}

// ---- Layout commands --------------------------------------------------------------------------

void UpdatePaneLayoutButtons() {
  UINT checked = !g_paneLayout.twoPanes ? ID_LAYOUT_SINGLE : (g_paneLayout.orientation ? ID_LAYOUT_STACKED : ID_LAYOUT_SIDE_BY_SIDE);
  if (g_frame.toolbar && IsWindow(g_frame.toolbar))
    for (UINT id = ID_LAYOUT_SINGLE; id <= ID_LAYOUT_SIDE_BY_SIDE; ++id)
      SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, id, MAKELONG(id == checked, 0));
}

void SetPaneLayout(UINT id, BOOL) {
  if (id == ID_LAYOUT_SINGLE) {
    g_paneLayout.twoPanes = 0;
    if (ActivePaneIndex == 1) SwapPaneRecords();
  } else if (id == ID_LAYOUT_STACKED || id == ID_LAYOUT_SIDE_BY_SIDE) {
    g_paneLayout.twoPanes = 1;
    g_paneLayout.orientation = id == ID_LAYOUT_STACKED ? 1 : 0;
  } else {
    return;
  }
  HWND window = g_mainWindow;
  const FilePane& second = FilePanes[1];
  if (g_paneLayout.twoPanes) {
    if (second.tree) ShowWindow(second.tree, second.treeShown ? SW_SHOWNA : SW_HIDE);
    if (second.list) ShowWindow(second.list, second.listShown ? SW_SHOWNA : SW_HIDE);
    for (const FilePane& p : FilePanes)
      if (p.titlebar) ShowWindow(p.titlebar, SW_SHOWNA);
  } else {
    HWND focus = GetFocus();
    bool focusInSecond = focus && (focus == second.tree || focus == second.list ||
                                   IsChild(second.list, focus) || IsChild(second.tree, focus));
    if (second.tree) ShowWindow(second.tree, SW_HIDE);
    if (second.list) ShowWindow(second.list, SW_HIDE);
    for (const FilePane& p : FilePanes)
      if (p.titlebar) ShowWindow(p.titlebar, SW_HIDE);
    if (focusInSecond) {
      const FilePane& first = FilePanes[0];
      HWND target = first.treeShown && first.tree ? first.tree : first.list;
      if (target) SetFocus(target);
    }
  }
  // Pane 0's windows follow their flags too (a swap may have brought hidden ones).
  const FilePane& first = FilePanes[0];
  if (first.tree) ShowWindow(first.tree, first.treeShown ? SW_SHOWNA : SW_HIDE);
  if (first.list) ShowWindow(first.list, first.listShown ? SW_SHOWNA : SW_HIDE);
  RelayoutMainWindow(window, TRUE);
  HMENU menu = window ? GetMenu(window) : nullptr;
  UINT checked = !g_paneLayout.twoPanes ? ID_LAYOUT_SINGLE : (g_paneLayout.orientation ? ID_LAYOUT_STACKED : ID_LAYOUT_SIDE_BY_SIDE);
  if (menu) CheckMenuRadioItem(menu, ID_LAYOUT_SINGLE, ID_LAYOUT_SIDE_BY_SIDE, checked, MF_BYCOMMAND);
  UpdatePaneLayoutButtons();
}
