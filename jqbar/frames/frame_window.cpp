#include "frame_window.h"

#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "container_panel.h"
#include "hot_keys.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_jqbar.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr int kCaptionIds[5] = {IDM_CONTEXTHELP, IDM_HIDE, IDM_ONTOP, IDM_PROPERTIES, IDM_CLOSE};
constexpr UINT kCaptionTips[5] = {IDS_TIP_HELP, IDS_TIP_HIDE, IDS_TIP_ONTOP, IDS_TIP_PROPERTIES,
                                  IDS_TIP_CLOSE};

int g_frameCount = 0;
bool g_closingLayout = false;
bool g_ending = false;
std::vector<FloatingFrameEntry> g_floating;
void (*g_openConfig)(HWND, HWND) = nullptr;
void (*g_panelChanged)(PanelNode*, const std::vector<std::uint8_t>&) = nullptr;
void (*g_lastFrame)() = nullptr;
void (*g_activateDesktop)() = nullptr;

COLORREF FrameColour(int index) { return PALETTEINDEX(index & 15); }

std::vector<HWND> AllFrames() {
  std::vector<HWND> out;
  for (PanelNode* n = FrameList(); n; n = n->next)
    if (n->window && GetParent(n->window) && IsFrameWindow(GetParent(n->window)))
      out.push_back(GetParent(n->window));
  return out;
}

// One tooltip control serves every frame: each tool is keyed by its frame and button, so
// the texts stay apart, and a frame's tools leave with it. Creating a tooltip window per
// frame cost a top-level window each at start-up.
HWND g_tooltip = nullptr;

HWND SharedTooltip() {
  if (g_tooltip && IsWindow(g_tooltip)) return g_tooltip;
  g_tooltip = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Globals().mainWindow,
                              nullptr, Globals().instance, nullptr);
  if (g_tooltip) SendMessageA(g_tooltip, TTM_ACTIVATE, Globals().tooltips, 0);
  return g_tooltip;
}

void DeleteTool(HWND tooltip, HWND owner, HWND tool) {
  if (!tooltip || !tool) return;
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void AddTool(HWND tooltip, HWND owner, HWND tool, LPSTR text) {
  TOOLINFOA ti{};
  ti.cbSize = TTTOOLINFOA_V1_SIZE;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = owner;
  ti.uId = reinterpret_cast<UINT_PTR>(tool);
  ti.lpszText = text;
  SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void Relay(HWND tooltip, HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  if (!tooltip) return;
  MSG m{window, msg, wp, lp, 0, {}};
  SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

bool FrameDocked(FrameState* st) {
  return st && st->settings && (st->settings->frameStyle == 1 || st->settings->frameStyle == 2);
}

// The caption and frame buttons are all "button" windows of this process, subclassed as soon
// as they are made, so they share one previous procedure, kept here: a window property per
// button cost a round trip to the server on every message. A button found with another
// procedure keeps its own in a property.
WNDPROC g_buttonProc = nullptr;
bool g_mixedButtonProcs = false;

// The caption and frame buttons are owner-drawn: the frame draws all of each button on
// WM_DRAWITEM. They are painted here as the button control paints them, with the same
// DRAWITEMSTRUCT, but without BeginPaint: under Wine its hiding and showing of the caret cost two
// round trips to the window server on every button's paint, and a frame shows dozens of buttons.
// The erase is left out too, as WM_DRAWITEM paints over the whole button.
void PaintOwnerDrawnButton(HWND button) {
  RECT r;
  GetClientRect(button, &r);
  if (HDC dc = GetDC(button)) {
    int mode = SetBkMode(dc, OPAQUE);
    LRESULT state = SendMessageA(button, BM_GETSTATE, 0, 0);
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_BUTTON;
    di.CtlID = UINT(GetWindowLongPtrA(button, GWLP_ID));
    di.itemAction = ODA_DRAWENTIRE;
    di.itemState = ((state & BST_FOCUS) ? ODS_FOCUS : 0) | ((state & BST_PUSHED) ? ODS_SELECTED : 0) |
                   (IsWindowEnabled(button) ? 0 : ODS_DISABLED);
    di.hwndItem = button;
    di.hDC = dc;
    di.rcItem = r;
    HWND parent = GetParent(button);
    SendMessageA(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button));
    IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    SendMessageA(parent, WM_DRAWITEM, di.CtlID, reinterpret_cast<LPARAM>(&di));
    SetBkMode(dc, mode);
    ReleaseDC(button, dc);
  }
  ValidateRect(button, nullptr);
}

LRESULT CALLBACK CaptionButtonSubclassProc(HWND button, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC previous = g_buttonProc;
  if (g_mixedButtonProcs)
    if (HANDLE own = GetPropA(button, "JQPrev")) previous = reinterpret_cast<WNDPROC>(own);
  HWND tooltip = g_tooltip;  // every frame's buttons are tools of the shared control
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(button, &r);
      if (FrameDocked(GetFrameState(GetParent(button))))
        PaintParentBackground(button, &r, reinterpret_cast<HDC>(wp), false);
      else
        FillRect(reinterpret_cast<HDC>(wp), &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_PAINT:
      if (!wp) {
        PaintOwnerDrawnButton(button);
        return 0;
      }
      break;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      Relay(tooltip, button, msg, wp, lp);
      break;
    case WM_NCDESTROY:
      if (g_mixedButtonProcs) RemovePropA(button, "JQPrev");
      break;
  }
  return previous ? CallWindowProcA(previous, button, msg, wp, lp) : DefWindowProcA(button, msg, wp, lp);
}

void Subclass(HWND button) {
  auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CaptionButtonSubclassProc)));
  if (!g_buttonProc) g_buttonProc = previous;
  if (previous == g_buttonProc) return;
  g_mixedButtonProcs = true;
  SetPropA(button, "JQPrev", reinterpret_cast<HANDLE>(previous));
}

}  // namespace

// Chrome insets of a frame: left, top, right, bottom around the container.
static RECT Insets(HWND frame, FrameState* st, const RECT& client) {
  RECT in{};
  int b = int(st->buttons.size());
  int style = st->settings ? st->settings->frameStyle : 0;
  if (st->inTaskbar || style == 3) {
    in = st->horizontal ? RECT{8, 0, 0, 0} : RECT{0, 8, 0, 0};
  } else if (style == 1 || style == 2) {
    int innerW = client.right - 4, innerH = client.bottom - 4;
    if (st->horizontal) {
      in.left = 2 + (innerH > 0 ? ((b * 11 + 11) / innerH) * 11 : 0) + 13;
      in.top = 2;
      in.right = 2 + 15;
      in.bottom = 2;
    } else {
      in.left = 2;
      in.top = 2 + 15;
      in.right = 2;
      in.bottom = 2 + (b > 0 && innerW > 0 ? ((b * 11) / innerW) * 11 + 11 : 0);
    }
  } else {
    int innerW = client.right - 4, innerH = client.bottom - 4;
    in.left = 2 + 5;
    in.top = 2 + 16;
    in.right = 2 + 5;
    in.bottom = 2 + 5;
    if (b > 0) {
      if (st->horizontal)
        in.left += innerH - 22 > 0 ? ((b * 11) / (innerH - 22) + 1) * 11 : 11;
      else
        in.bottom += innerW > 0 ? ((b * 11) / innerW) * 11 + 11 : 11;
    }
  }
  return in;
}

RECT FrameInsets(HWND frame, const RECT& client) {
  FrameState* st = GetFrameState(frame);
  return st ? Insets(frame, st, client) : RECT{};
}

namespace {

// Moves and shows or hides an 11 x 11 button in one step, and only when something changes:
// frames place their buttons on every size change.
void PlaceButton(HWND button, int x, int y, bool show) {
  RECT r;
  GetWindowRect(button, &r);
  MapWindowPoints(nullptr, GetParent(button), reinterpret_cast<POINT*>(&r), 2);
  bool visible = (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) != 0;
  bool moved = r.left != x || r.top != y || r.right - r.left != 11 || r.bottom - r.top != 11;
  if (!moved && visible == show) return;
  SetWindowPos(button, nullptr, x, y, 11, 11,
               SWP_NOZORDER | SWP_NOACTIVATE | UnseenEraseFlags(button) |
                   (visible == show ? 0 : show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void PlaceButtons(HWND frame, FrameState* st) {
  RECT client;
  GetClientRect(frame, &client);
  int style = st->settings ? st->settings->frameStyle : 0;
  bool docked = style == 1 || style == 2;
  for (int i = 0; i < 5; ++i) {
    HWND b = st->captionButtons[i];
    if (!b) continue;
    if (st->inTaskbar || style == 3) {
      ShowWindow(b, SW_HIDE);
      continue;
    }
    int x, y;
    if (!docked) {
      x = client.right - 6 - 13 * (5 - i);
      y = 3;
    } else if (st->horizontal) {
      x = client.right - 14;
      y = 59 - 11 * (i + 1);
    } else {
      x = client.right - 13 * (5 - i) - 2;
      y = 3;
    }
    PlaceButton(b, x, y, x >= 14);
  }
  int n = 0;
  for (FrameButton& fb : st->buttons) {
    int x, y;
    if (!docked && st->horizontal) {
      int per = std::max(1, int(client.bottom - 17 - 6) / 11);
      x = 6 + (n / per) * 11;
      y = 17 + (n % per) * 11;
    } else if (!docked) {
      int per = std::max(1, int(client.right - 12) / 11);
      x = 6 + (n % per) * 11;
      y = client.bottom - 19 + 0 - (n / per) * 11;
    } else if (st->horizontal) {
      int per = std::max(1, int(client.bottom - 13) / 11);
      x = 2 + (n / per) * 11;
      y = 13 + (n % per) * 11;
    } else {
      int per = std::max(1, int(client.right - 13) / 11);
      x = 13 + (n % per) * 11;
      y = client.bottom - 13 - (n / per) * 11;
    }
    PlaceButton(fb.button, x, y, !st->inTaskbar);
    ++n;
  }
}

void PaintBackground(HWND frame, const BackgroundPaintRequest& req) {
  HWND panel = req.panel ? req.panel : frame;
  HDC dc = req.dc ? req.dc : GetDC(panel);
  RECT r = req.rect;
  HWND root = FrameRootContainer(frame);
  int bw = 0, bh = 0;
  HBITMAP bitmap = root ? GetContainerBackground(root, &bw, &bh) : nullptr;
  if (!bitmap) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  } else {
    // Tile phase continuous across the frame: the rectangle's origin in frame coordinates.
    POINT origin{r.left, r.top};
    if (req.flags & 1) origin = POINT{req.x, req.y};
    MapWindowPoints(panel, frame, &origin, 1);
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    int fx0 = origin.x - (((origin.x % bw) + bw) % bw);
    int fy0 = origin.y - (((origin.y % bh) + bh) % bh);
    int w = r.right - r.left, h = r.bottom - r.top;
    for (int fy = fy0; fy < origin.y + h; fy += bh)
      for (int fx = fx0; fx < origin.x + w; fx += bw) {
        int dx = r.left + (fx - origin.x), dy = r.top + (fy - origin.y);
        int sx = 0, sy = 0, cw = bw, ch = bh;
        if (dx < r.left) { sx = r.left - dx; cw -= sx; dx = r.left; }
        if (dy < r.top) { sy = r.top - dy; ch -= sy; dy = r.top; }
        if (dx + cw > r.right) cw = r.right - dx;
        if (dy + ch > r.bottom) ch = r.bottom - dy;
        if (cw > 0 && ch > 0) BitBlt(dc, dx, dy, cw, ch, mem, sx, sy, SRCCOPY);
      }
    SelectObject(mem, old);
    DeleteDC(mem);
  }
  if (!req.dc) ReleaseDC(panel, dc);
}

void DrawMark(HDC dc, int x, int y, int size, int colour) {
  HBRUSH brush = CreateSolidBrush(FrameColour(colour));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  Ellipse(dc, x, y, x + size, y + size);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
}

void PaintChrome(HWND frame, FrameState* st, HDC dc) {
  RECT c;
  GetClientRect(frame, &c);
  int colour = st->settings ? st->settings->colour : 0;
  int style = st->settings ? st->settings->frameStyle : 0;
  BackgroundPaintRequest req{frame, dc, c, 0, 0, 0};
  PaintBackground(frame, req);
  if (st->inTaskbar || style == 3) {
    RECT grip = st->horizontal ? RECT{1, 2, 4, c.bottom - 2} : RECT{2, 1, c.right - 2, 4};
    DrawEdge(dc, &grip, BDR_RAISEDINNER, BF_RECT);
    return;
  }
  if (style == 1 || style == 2) {
    DrawEdge(dc, &c, EDGE_RAISED, BF_RECT);
    int y = st->settings->edge == 0 || st->settings->edge == 2 ? c.bottom - 12 : 4;
    DrawMark(dc, 4, y, 8, colour);
    return;
  }
  RECT strip{2, 2, c.right - 2, 15};
  FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, 2, 16, nullptr);
  LineTo(dc, c.right - 2, 16);
  SelectObject(dc, Globals().shadowPen ? Globals().shadowPen : GetStockObject(BLACK_PEN));
  MoveToEx(dc, 2, 15, nullptr);
  LineTo(dc, c.right - 2, 15);
  SelectObject(dc, old);
  DrawEdge(dc, &c, EDGE_RAISED, BF_RECT);
  DrawMark(dc, 4, 4, 9, colour);
  if (c.right > 92) {
    char title[80] = {};
    GetWindowTextA(frame, title, sizeof title);
    HGDIOBJ oldFont = SelectObject(dc, Globals().captionFont ? Globals().captionFont : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT t{23, 1, c.right - 92 + 23, 15};
    DrawTextA(dc, title, -1, &t, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
  }
}

void DrawCaptionButton(const DRAWITEMSTRUCT* di) {
  int index = -1;
  for (int i = 0; i < 5; ++i)
    if (int(di->CtlID) == kCaptionIds[i]) index = i;
  RECT r = di->rcItem;
  FillRect(di->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  // Glyph order in the globals: 409, 410, 411, 412, 413.
  static const int glyphOf[5] = {3, 1, 0, 2, 4};
  HBITMAP glyph = index >= 0 ? Globals().captionGlyphs[glyphOf[index]] : nullptr;
  bool pressed = (di->itemState & ODS_SELECTED) != 0;
  if (glyph) {
    HDC mem = CreateCompatibleDC(di->hDC);
    HGDIOBJ old = SelectObject(mem, glyph);
    for (int pass = 0; pass < 2; ++pass) {
      int x = pass == 0 || pressed ? 3 : 1, y = pass == 0 || pressed ? 2 : 0;
      HBRUSH brush = GetSysColorBrush(pass == 0 ? COLOR_BTNSHADOW : COLOR_BTNTEXT);
      HGDIOBJ oldBrush = SelectObject(di->hDC, brush);
      SetTextColor(di->hDC, RGB(0, 0, 0));
      SetBkColor(di->hDC, RGB(255, 255, 255));
      BitBlt(di->hDC, x, y, 8, 8, mem, 0, 0, 0x00B8074A);  // the brush where the glyph is 0
      SelectObject(di->hDC, oldBrush);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
  }
}

void DrawFrameButton(HWND frame, FrameState* st, const DRAWITEMSTRUCT* di) {
  int colour = 0;
  for (FrameButton& fb : st->buttons)
    if (fb.button == di->hwndItem) colour = fb.colour;
  RECT r = di->rcItem;
  FillRect(di->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldPen = SelectObject(di->hDC, GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(di->hDC, GetSysColorBrush(COLOR_BTNSHADOW));
  Ellipse(di->hDC, 3, 3, 11, 11);
  SelectObject(di->hDC, oldPen);
  SelectObject(di->hDC, oldBrush);
  int o = (di->itemState & ODS_SELECTED) ? 2 : 1;
  DrawMark(di->hDC, o, o, 8, colour);
}

void ContextMenu(HWND frame, FrameState* st, POINT screen, bool leftButton) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING | (Globals().tooltips ? MF_CHECKED : 0), IDM_TOOLTIPS, LoadResString(IDS_MENU_TOOLTIPS));
  if (!st->inTaskbar) {
    bool onTop = st->settings && st->settings->alwaysOnTop;
    AppendMenuA(menu, MF_STRING | (onTop ? MF_CHECKED : 0), IDM_ONTOP, LoadResString(IDS_TIP_ONTOP));
    AppendMenuA(menu, MF_STRING, IDM_HIDE, LoadResString(IDS_TIP_HIDE));
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_HELPCONTENTS, LoadResString(IDS_MENU_HELP));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_CLOSE, LoadResString(IDS_TIP_CLOSE));
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, IDM_CONFIGURE, LoadResString(IDS_PROPERTIES));
  RevealFrameForModal(frame);
  UINT cmd = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | (leftButton ? 0 : TPM_RIGHTBUTTON),
                                     screen.x, screen.y, frame, nullptr);
  EndFrameModal();
  DestroyMenu(menu);
  if (cmd) SendMessageA(frame, WM_COMMAND, cmd, 0);
}

void ToggleFrameButton(HWND frame, FrameState* st, int index) {
  if (index < 0 || index >= int(st->buttons.size())) return;
  HWND target = st->buttons[index].target;
  if (!IsWindow(target)) return;
  if (!st->buttons[index].shown) {
    MarkFrameHidden(target, false);
    SendMessageA(target, PNM_SHOWFRAME, 0, 0);
  } else {
    HideFrame(target);
  }
}

void OnDestroy(HWND frame, FrameState* st) {
  --g_frameCount;
  for (HWND b : st->captionButtons) DeleteTool(st->tooltip, frame, b);
  for (FrameButton& fb : st->buttons) DeleteTool(fb.tooltip, frame, fb.button);
  KillTimer(frame, kFrameTimer);
  RemoveHotKeys(frame, 0);
  if (st->appBarRegistered) {
    APPBARDATA abd{sizeof abd, frame};
    SHAppBarMessage(ABM_REMOVE, &abd);
  }
  if (st->inTaskbar) UnloadTaskHook();
  std::erase_if(g_floating, [&](const FloatingFrameEntry& e) { return e.frame == frame; });
  if (g_frameCount > 0 && !g_closingLayout) RemoveFrameButtons(frame);
  if (g_frameCount <= 0 && g_tooltip) {
    DestroyWindow(g_tooltip);
    g_tooltip = nullptr;
  }
  if (g_frameCount <= 0 && !g_closingLayout) {
    g_ending = true;
    FreePanelSubtree(FrameList(), true);
    FrameList() = nullptr;
    if (g_lastFrame) g_lastFrame();
  }
}

}  // namespace

bool RegisterFrameClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = FrameWindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_JQBAR));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kFrameClass;
  wc.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_JQBAR), IMAGE_ICON, 16, 16, 0));
  if (RegisterClassExA(&wc)) return true;
  WNDCLASSA plain{};
  plain.style = wc.style;
  plain.lpfnWndProc = wc.lpfnWndProc;
  plain.cbWndExtra = wc.cbWndExtra;
  plain.hInstance = instance;
  plain.hIcon = wc.hIcon;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszClassName = kFrameClass;
  return RegisterClassA(&plain) != 0;
}

FrameState* GetFrameState(HWND frame) {
  if (!IsFrameWindow(frame)) return nullptr;
  return reinterpret_cast<FrameState*>(GetWindowLongPtrA(frame, 0));
}

bool IsFrameWindow(HWND window) {
  if (!window) return false;
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpA(cls, kFrameClass) == 0;
}

int FrameCount() { return g_frameCount; }

int NextFrameNumber() {
  if (!FindWindowA(kFrameClass, nullptr)) return 0;
  for (int n = 2;; ++n) {
    char title[100];
    snprintf(title, sizeof title, LoadResString(IDS_FRAME_TITLE_N), n);
    if (!FindWindowA(kFrameClass, title)) return n;
  }
}

static HWND CreateFrameWindow(const RECT* rect, bool inTaskbar) {
  auto* st = new FrameState{};
  st->number = NextFrameNumber();
  st->shown = 1;
  st->horizontal = 1;
  st->inTaskbar = inTaskbar ? 1 : 0;
  char title[100];
  if (st->number)
    snprintf(title, sizeof title, LoadResString(IDS_FRAME_TITLE_N), st->number);
  else
    lstrcpynA(title, LoadResString(IDS_FRAME_TITLE), sizeof title);
  HWND frame = nullptr;
  if (!inTaskbar) {
    RECT r = rect ? *rect : RECT{0, 0, 600, 60};
    frame = CreateWindowExA(WS_EX_TOOLWINDOW, kFrameClass, title,
                            WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            Globals().instance, st);
  } else {
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    if (tray) {
      RECT c;
      GetClientRect(tray, &c);
      int width = 300;
      HWND notify = FindWindowExA(tray, nullptr, "TrayNotifyWnd", nullptr);
      RECT n{};
      if (notify) {
        GetWindowRect(notify, &n);
        MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&n), 2);
      }
      int right = notify ? n.left - 4 : c.right - 100;
      frame = CreateWindowExA(0, kFrameClass, LoadResString(IDS_TYPE_TASKBAR),
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                              right - width, 0, width, c.bottom, tray, nullptr,
                              Globals().instance, st);
    }
  }
  if (!frame) {
    delete st;
    return nullptr;
  }
  st->tooltip = SharedTooltip();
  for (int i = 0; i < 5; ++i) {
    HWND b = CreateWindowExA(0, "button", "", WS_CHILD | WS_CLIPSIBLINGS | BS_OWNERDRAW, 0, 0, 11,
                             11, frame, reinterpret_cast<HMENU>(INT_PTR(kCaptionIds[i])),
                             Globals().instance, nullptr);
    st->captionButtons[i] = b;
    if (!b) continue;
    Subclass(b);
    if (st->tooltip) {
      char text[100];
      lstrcpynA(text, LoadResString(kCaptionTips[i]), sizeof text);
      AddTool(st->tooltip, frame, b, text);
    }
  }
  if (!inTaskbar) {
    FloatingFrameEntry e{frame, {}};
    lstrcpynA(e.title, title, sizeof e.title);
    g_floating.push_back(e);
  }
  return frame;
}

HWND CreateFloatingFrame(const RECT* rect) {
  HWND frame = CreateFrameWindow(rect, false);
  if (frame) {
    FrameState* st = GetFrameState(frame);
    st->horizontal = 1;
    if (st->tooltip) SendMessageA(st->tooltip, TTM_ACTIVATE, Globals().tooltips, 0);
  }
  return frame;
}

HWND CreateTaskbarFrame(const RECT* rect) {
  LoadTaskHook();
  HWND frame = CreateFrameWindow(rect, true);
  if (frame) CallArrangeTaskbar(0);
  return frame;
}

HWND FrameRootContainer(HWND frame) {
  // Remembered once found: walking the frame's children asks the server at every step, and the
  // frames ask for their root all the time. Checking the remembered window needs no server.
  FrameState* st = GetFrameState(frame);
  if (st && st->root && IsWindow(st->root) && GetParent(st->root) == frame && IsContainerWindow(st->root))
    return st->root;
  for (HWND c = GetWindow(frame, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsContainerWindow(c)) {
      if (st) st->root = c;
      return c;
    }
  return nullptr;
}

RECT FrameContainerRect(HWND frame) {
  RECT c{};
  GetClientRect(frame, &c);
  FrameState* st = GetFrameState(frame);
  if (!st) return c;
  RECT in = Insets(frame, st, c);
  return RECT{in.left, in.top, std::max(in.left, c.right - in.right), std::max(in.top, c.bottom - in.bottom)};
}

void AttachRootContainer(HWND frame, HWND container, bool hidden) {
  FrameState* st = GetFrameState(frame);
  if (!st) return;
  st->settings = GetContainerSettings(container);
  st->root = container;
  if (hidden && st->settings && st->settings->frameStyle != 0) st->shown = 0;
  // A floating frame of a layout being built stays unseen until the build has laid it out:
  // moving and sizing a shown window costs a repaint each time.
  st->showPending = !hidden && Globals().layoutLoading && !st->inTaskbar &&
                    (!st->settings || st->settings->frameStyle == 0);
  ApplyFrameSettings(frame);
  AddFrameButtons(frame, st->settings ? st->settings->colour : 0);
  if (hidden && !st->inTaskbar) {
    ShowWindow(frame, SW_HIDE);
    MarkFrameHidden(frame, true);
  } else if (!st->showPending || (st->settings && st->settings->frameStyle != 0)) {
    st->showPending = 0;
    ShowWindow(frame, SW_SHOWNA);
  }
  st->shown = 1;
}

RECT FloatingFrameRect(const ContainerSettings& s) {
  return RECT{s.floatX, s.floatY, s.floatX + std::max(40, int(s.floatWidth)), s.floatY + std::max(30, int(s.floatHeight))};
}

void ApplyFrameSettings(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings) return;
  st->bound = 1;
  ContainerSettings& s = *st->settings;
  if (st->inTaskbar) {
    s.frameStyle = 3;
    CallArrangeTaskbar(1);
  } else {
    if (s.frameStyle == 3) s.frameStyle = 0;
    if (s.frameStyle == 1 || s.frameStyle == 2) {
      int style = s.frameStyle;
      s.frameStyle = 0;
      ChangeFrameStyle(frame, style, 0, nullptr, nullptr, s.edge, s.edge);
    } else {
      st->horizontal = s.floatHeight < s.floatWidth ? 1 : 0;
      RECT want = FloatingFrameRect(s), now;
      GetWindowRect(frame, &now);
      // A frame made at its place (as a layout's are) is not moved there again. Laid out below
      // (or when the layout's build ends), not once more on the new size.
      if (!EqualRect(&want, &now)) {
        int fitting = st->fitting;
        st->fitting = 1;
        MoveWindow(frame, want.left, want.top, want.right - want.left, want.bottom - want.top, TRUE);
        st->fitting = fitting;
      }
    }
  }
  if (s.alwaysOnTop) SetFrameOnTop(frame, true);
  RemoveHotKeys(frame, 1);
  if (s.hotKey && !AddHotKey(frame, 1, s.hotKeyModifiers, s.hotKey)) {
    char text[100];
    lstrcpynA(text, LoadResString(IDS_HOTKEY_TAKEN), sizeof text);
    FrameMessageBox(nullptr, text, LoadResString(IDS_HOTKEY_CAPTION), MB_ICONWARNING);
  }
  // A floating frame of a layout being built is laid out once when the build ends.
  if (!(Globals().layoutLoading && st->showPending && s.frameStyle == 0)) RelayoutFrame(frame);
  // The tooltip control is shared by all frames: the layout's switch decides, which
  // SetFrameTooltips keeps equal to every frame's own setting.
  if (st->tooltip) SendMessageA(st->tooltip, TTM_ACTIVATE, Globals().tooltips, 0);
  if (!st->inTaskbar) SetTimer(frame, kFrameTimer, 500, nullptr);
}

void SetFrameOnTop(HWND frame, bool on) {
  FrameState* st = GetFrameState(frame);
  if (!st) return;
  if (st->tooltip && st->captionButtons[2]) {
    char text[100];
    lstrcpynA(text, LoadResString(on ? IDS_TIP_NOT_ONTOP : IDS_TIP_ONTOP), sizeof text);
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = frame;
    ti.uId = reinterpret_cast<UINT_PTR>(st->captionButtons[2]);
    ti.lpszText = text;
    SendMessageA(st->tooltip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&ti));
  }
  bool is = (GetWindowLongA(frame, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (is != on)
    SetWindowPos(frame, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  if (st->settings) st->settings->alwaysOnTop = on ? 1 : 0;
}

void SetFrameTooltips(bool on) {
  Globals().tooltips = on;
  for (HWND frame : AllFrames()) {
    FrameState* st = GetFrameState(frame);
    if (!st) continue;
    if (st->settings) st->settings->tooltips = on ? 1 : 0;
    if (st->tooltip) SendMessageA(st->tooltip, TTM_ACTIVATE, on, 0);
  }
  for (PanelNode* n = FrameList(); n; n = n->next)
    if (n->window) SendMessageA(n->window, PNM_SETTOOLTIPS, on, 0);
}

void AddFrameButtons(HWND frame, int colour) {
  FrameState* st = GetFrameState(frame);
  if (!st || st->inTaskbar) return;
  std::vector<HWND> frames = AllFrames();
  auto addButton = [](HWND owner, FrameState* ost, HWND target, int col, bool shown) {
    if (int(ost->buttons.size()) >= kMaxFrameButtons) return;
    for (FrameButton& fb : ost->buttons)
      if (fb.target == target) return;
    int id = IDM_FRAMEBUTTON_FIRST + int(ost->buttons.size());
    HWND b = CreateWindowExA(0, "button", "", WS_CHILD | WS_CLIPSIBLINGS | BS_OWNERDRAW, 0, 0, 11,
                             11, owner, reinterpret_cast<HMENU>(INT_PTR(id)), Globals().instance,
                             nullptr);
    if (!b) return;
    Subclass(b);
    if (ost->tooltip) AddTool(ost->tooltip, owner, b, LPSTR_TEXTCALLBACKA);
    ost->buttons.push_back(FrameButton{target, b, col, shown ? 1 : 0, nullptr, ost->tooltip});
  };
  for (HWND other : frames) {
    if (other == frame) continue;
    FrameState* ost = GetFrameState(other);
    if (!ost || ost->inTaskbar) continue;
    addButton(other, ost, frame, colour, true);
    addButton(frame, st, other, ost->settings ? ost->settings->colour : 0,
              IsWindowVisible(other) || ost->showPending);
    // While a layout is built every frame places its buttons and is laid out once at the end
    // (placing every earlier frame's buttons again for each new frame grows with the square).
    if (Globals().layoutLoading) continue;
    PlaceButtons(other, ost);
    if (ost->bound) RelayoutFrame(other);
    InvalidateRect(other, nullptr, TRUE);
  }
  if (Globals().layoutLoading) return;
  PlaceButtons(frame, st);
  if (st->bound) RelayoutFrame(frame);
  InvalidateRect(frame, nullptr, TRUE);
}

void ShowPendingFrame(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->showPending) return;
  st->showPending = 0;
  // As ShowWindow(SW_SHOWNA) shows it (on top, not activated), but each window erases its
  // background when it first paints instead of all of them at once here: under Wine the
  // erasing at once costs two round trips to its server for every button and panel.
  SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0,
               SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_DEFERERASE);
}

void PlaceFrameButtons(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st) return;
  PlaceButtons(frame, st);
  InvalidateRect(frame, nullptr, TRUE);
}

void RemoveFrameButtons(HWND frame) {
  for (PanelNode* n = FrameList(); n; n = n->next) {
    HWND other = n->window ? GetParent(n->window) : nullptr;
    FrameState* ost = GetFrameState(other);
    if (!ost) continue;
    for (std::size_t i = 0; i < ost->buttons.size();) {
      FrameButton& fb = ost->buttons[i];
      if (frame == nullptr || fb.target == frame) {
        DeleteTool(fb.tooltip, other, fb.button);
        DestroyWindow(fb.button);
        ost->buttons.erase(ost->buttons.begin() + std::ptrdiff_t(i));
      } else {
        ++i;
      }
    }
    for (std::size_t i = 0; i < ost->buttons.size(); ++i)
      SetWindowLongPtrA(ost->buttons[i].button, GWLP_ID, LONG_PTR(IDM_FRAMEBUTTON_FIRST + i));
    PlaceButtons(other, ost);
    if (ost->bound && !g_closingLayout) RelayoutFrame(other);
    InvalidateRect(other, nullptr, TRUE);
  }
}

void MarkFrameHidden(HWND frame, bool hidden) {
  for (HWND other : AllFrames()) {
    FrameState* ost = GetFrameState(other);
    if (!ost) continue;
    for (FrameButton& fb : ost->buttons)
      if (fb.target == frame) {
        fb.shown = hidden ? 0 : 1;
        InvalidateRect(fb.button, nullptr, TRUE);
      }
  }
}

void SetFrameButtonColour(HWND frame, int colour) {
  for (HWND other : AllFrames()) {
    FrameState* ost = GetFrameState(other);
    if (!ost) continue;
    for (FrameButton& fb : ost->buttons)
      if (fb.target == frame) {
        fb.colour = colour;
        InvalidateRect(fb.button, nullptr, TRUE);
      }
  }
}

int FirstFreeColour() {
  PanelNode* first = FrameList();
  if (!first || !first->window) return 1;
  HWND frame = GetParent(first->window);
  FrameState* st = GetFrameState(frame);
  if (st && st->inTaskbar) {
    if (!first->next || !first->next->window) return 1;
    st = GetFrameState(GetParent(first->next->window));
  }
  if (!st) return 1;
  static const int order[16] = {13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  for (int c : order) {
    bool used = (st->settings && st->settings->colour == c);
    for (FrameButton& fb : st->buttons)
      if (fb.colour == c) used = true;
    if (!used) return c;
  }
  return 13;
}

void FitFrameToContainer(HWND frame) {
  FrameState* st = GetFrameState(frame);
  HWND root = FrameRootContainer(frame);
  if (!st || !root || st->fitting || st->inTaskbar) return;
  int style = st->settings ? st->settings->frameStyle : 0;
  if (style != 0) {
    FitDockedFrame(frame);
    return;
  }
  RECT client, r;
  GetClientRect(frame, &client);
  GetWindowRect(root, &r);
  int cw = r.right - r.left, ch = r.bottom - r.top;
  st->fitting = 1;
  // Two rounds: the frame buttons' column depends on the height. The insets are worked out for
  // the frame's size now and, when that changes the size, once more for the new size; then the
  // frame takes the size of the last round in one move. Only what differs is moved: each call on
  // a top-level window is a round of messages and server requests under any window system.
  RECT c, now;
  GetClientRect(frame, &c);
  GetWindowRect(frame, &now);
  int chromeW = (now.right - now.left) - c.right, chromeH = (now.bottom - now.top) - c.bottom;
  RECT in = Insets(frame, st, c);
  int w = cw + in.left + in.right, h = ch + in.top + in.bottom;
  if (now.right - now.left != w || now.bottom - now.top != h) {
    RECT next{0, 0, w - chromeW, h - chromeH};
    in = Insets(frame, st, next);
    w = cw + in.left + in.right;
    h = ch + in.top + in.bottom;
    if (now.right - now.left != w || now.bottom - now.top != h)
      SetWindowPos(frame, nullptr, 0, 0, w, h,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | (IsWindowVisible(frame) ? 0 : SWP_DEFERERASE));
  }
  RECT at;
  GetWindowRect(root, &at);
  MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&at), 2);
  if (at.left != in.left || at.top != in.top)
    SetWindowPos(root, nullptr, in.left, in.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | UnseenEraseFlags(root));
  GetWindowRect(frame, &r);
  if (st->settings) {
    st->settings->floatWidth = r.right - r.left;
    st->settings->floatHeight = r.bottom - r.top;
  }
  PlaceButtons(frame, st);
  InvalidateRect(frame, nullptr, TRUE);
  st->fitting = 0;
}

void FitFrameToRoot(HWND frame) {
  HWND root = FrameRootContainer(frame);
  if (!root || !GetFrameState(frame)) return;
  RECT r = FrameContainerRect(frame);
  ContainerLayoutPass pass;
  bool horizontal = SendMessageA(frame, PNM_ISHORIZONTAL, 0, 0) != 0;
  DWORD pref = DWORD(SendMessageA(root, PNM_GETPREFSIZE, horizontal ? 1 : 0, 0));
  int pw = LOWORD(pref), ph = HIWORD(pref);
  if (r.right - r.left < pw) r.right = r.left + pw;
  if (r.bottom - r.top < ph) r.bottom = r.top + ph;
  LayoutRootContainer(root, r);
}

void RelayoutFrame(HWND frame) {
  HWND root = FrameRootContainer(frame);
  if (!root) return;
  RECT r = FrameContainerRect(frame);
  MoveChildWindow(root, r.left, r.top, r.right - r.left, r.bottom - r.top);
  FitFrameToRoot(frame);
}

void RelayoutAllFrames() {
  for (HWND frame : AllFrames()) {
    InvalidateRect(frame, nullptr, TRUE);
    FitFrameToRoot(frame);
  }
}

void ShowFrame(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st) return;
  if (IsIconic(frame)) ShowWindow(frame, SW_RESTORE);
  if (st->settings && st->settings->frameStyle == 2) {
    RevealAutoHideFrame(frame);
    return;
  }
  RECT r;
  GetWindowRect(frame, &r);
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (r.right <= 19 || r.bottom <= 19 || r.left > sw - 20 || r.top > sh - 20)
    SetWindowPos(frame, nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (st->settings && st->settings->frameStyle == 1) {
    SetAppBarRegistered(frame, true);
    DockAppBar(st->settings->edge, nullptr, frame);
  }
  ShowWindow(frame, SW_SHOW);
  MarkFrameHidden(frame, false);
  SetForegroundWindow(frame);
}

void HideFrame(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || st->inTaskbar) return;
  ShowWindow(frame, SW_HIDE);
  MarkFrameHidden(frame, true);
  if (st->appBarRegistered) {
    APPBARDATA abd{sizeof abd, frame};
    SHAppBarMessage(ABM_REMOVE, &abd);
    st->appBarRegistered = 0;
  }
}

WPARAM ShowContainerMenu(HWND container, LPARAM point) {
  POINT pt{LowSigned(point), HighSigned(point)};
  ClientToScreen(container, &pt);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, IDM_CONFIGURE, LoadResString(IDS_PROPERTIES));
  RevealFrameForModal(container);
  UINT cmd = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, container, nullptr);
  EndFrameModal();
  DestroyMenu(menu);
  return cmd;
}

const std::vector<FloatingFrameEntry>& FloatingFrames() { return g_floating; }

bool ClosingLayout() { return g_closingLayout; }

void CloseLayout() {
  g_closingLayout = true;
  std::vector<HWND> frames = AllFrames();  // any number of frames
  RemoveFrameButtons(nullptr);
  for (HWND f : frames) RemoveHotKeys(f, 0);
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) DestroyWindow(*it);
  FreePanelSubtree(FrameList(), true);
  FrameList() = nullptr;
  g_closingLayout = false;
}

void DestroyAllFrames() {
  std::vector<HWND> frames = AllFrames();
  for (auto it = frames.rbegin(); it != frames.rend(); ++it) DestroyWindow(*it);
}

void SetOpenConfigHandler(void (*open)(HWND, HWND)) { g_openConfig = open; }
void SetPanelChangedHandler(void (*changed)(PanelNode*, const std::vector<std::uint8_t>&)) {
  g_panelChanged = changed;
}
void NotifyPanelChanged(PanelNode* node, const std::vector<std::uint8_t>& oldBlob) {
  if (g_panelChanged) g_panelChanged(node, oldBlob);
}
void SetLastFrameHandler(void (*last)()) { g_lastFrame = last; }
void SetActivateDesktopHandler(void (*activate)()) { g_activateDesktop = activate; }
void ActivateDesktopBeforeHiding() {
  if (g_activateDesktop) g_activateDesktop();
}

namespace {

bool IsFloating(const FrameState* st) {
  return !st->inTaskbar && (!st->settings || st->settings->frameStyle == 0);
}

// The size of the frame around its root container's preferred size.
SIZE PreferredOuterSize(HWND frame, FrameState* st) {
  HWND root = FrameRootContainer(frame);
  if (!root) return SIZE{0, 0};
  DWORD pref = DWORD(SendMessageA(root, PNM_GETPREFSIZE, st->horizontal ? 1 : 0, 0));
  RECT window, inner = FrameContainerRect(frame);
  GetWindowRect(frame, &window);
  int extraW = (window.right - window.left) - (inner.right - inner.left);
  int extraH = (window.bottom - window.top) - (inner.bottom - inner.top);
  return SIZE{LowSigned(pref) + extraW, HighSigned(pref) + extraH};
}

// A new size of a bound frame: the root container follows a floating frame, so that a frame
// made smaller lays its panels out in the room left (a button bar then shows its arrows) or
// grows back to what they need at the least. Frames at an edge or in the taskbar are laid out
// by the code that placed them; a floating frame of a layout being built is laid out once when
// the build ends; while the frame is dragged (not sized) it only previews where it would go.
void OnFrameSized(HWND frame, FrameState* st) {
  if (!st->bound || st->fitting) return;
  bool dragged = st->sizeMoving && !st->userSizing;
  if (IsFloating(st) && !dragged && !(Globals().layoutLoading && st->showPending)) RelayoutFrame(frame);
  PlaceButtons(frame, st);
  InvalidateRect(frame, nullptr, TRUE);
}

// Hit test of a floating frame at a client point outside the menu mark: sizing codes along the
// edges (4 pixels; 5 at the bottom; corners within 8 pixels of a corner), the caption (a drag
// moves the frame) everywhere else.
LRESULT FloatingFrameHit(POINT pt, int width, int height) {
  bool left = pt.x < 4, right = pt.x >= width - 4, top = pt.y < 4, bottom = pt.y >= height - 5;
  bool nearTop = pt.y < 8, nearBottom = pt.y >= height - 8;
  bool nearLeft = pt.x < 8, nearRight = pt.x >= width - 8;
  if ((right && nearTop) || (top && nearRight)) return HTTOPRIGHT;
  if ((right && nearBottom) || (bottom && nearRight)) return HTBOTTOMRIGHT;
  if ((left && nearBottom) || (bottom && nearLeft)) return HTBOTTOMLEFT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCAPTION;
}

// WM_SIZING of a floating frame: keeps the dragged rectangle at least the frame's preferred
// outer size (the root container's preferred size and the chrome) by moving the dragged edge.
void KeepPreferredSize(HWND frame, FrameState* st, int edge, RECT& rect) {
  SIZE least = PreferredOuterSize(frame, st);
  if (rect.right - rect.left < least.cx) {
    if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) rect.left = rect.right - least.cx;
    else rect.right = rect.left + least.cx;
  }
  if (rect.bottom - rect.top < least.cy) {
    if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) rect.top = rect.bottom - least.cy;
    else rect.bottom = rect.top + least.cy;
  }
}

}  // namespace

LRESULT CALLBACK FrameWindowProc(HWND frame, UINT msg, WPARAM wp, LPARAM lp) {
  FrameState* st = reinterpret_cast<FrameState*>(GetWindowLongPtrA(frame, 0));
  switch (msg) {
    case WM_NCCREATE: {
      st = static_cast<FrameState*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
      if (st) st->window = frame;
      SetWindowLongPtrA(frame, 0, reinterpret_cast<LONG_PTR>(st));
      break;
    }
    case WM_CREATE:
      ++g_frameCount;
      return 0;
    case WM_NCDESTROY:
      if (st) {
        delete st;
        SetWindowLongPtrA(frame, 0, 0);
      }
      break;
  }
  if (!st) return DefWindowProcA(frame, msg, wp, lp);
  switch (msg) {
    case WM_DESTROY:
      OnDestroy(frame, st);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(frame, &ps);
      PaintChrome(frame, st, dc);
      EndPaint(frame, &ps);
      return 0;
    }
    case WM_NCHITTEST: {
      LRESULT hit = DefWindowProcA(frame, msg, wp, lp);
      if (hit != HTCLIENT || st->contextHelp) return hit;
      POINT pt{LowSigned(lp), HighSigned(lp)};
      ScreenToClient(frame, &pt);
      if (pt.x < 14 && pt.y < 14) return HTCLIENT;
      if (st->inTaskbar) return HTCLIENT;
      if (IsFloating(st)) {
        RECT client;
        GetClientRect(frame, &client);
        return FloatingFrameHit(pt, client.right, client.bottom);
      }
      return HTCAPTION;
    }
    case WM_SIZING:
      if (IsFloating(st) && lp) {
        st->userSizing = 1;
        KeepPreferredSize(frame, st, int(wp), *reinterpret_cast<RECT*>(lp));
        return TRUE;
      }
      break;
    case WM_CONTEXTMENU:  // a right click on the body, which acts as the caption
    case WM_RBUTTONUP: {
      POINT pt{LowSigned(lp), HighSigned(lp)};
      if (msg == WM_RBUTTONUP) ClientToScreen(frame, &pt);
      ContextMenu(frame, st, pt, false);
      return 0;
    }
    case WM_LBUTTONDOWN: {
      POINT pt{LowSigned(lp), HighSigned(lp)};
      if (st->contextHelp) {
        ReleaseCapture();
        st->contextHelp = 0;
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        ClientToScreen(frame, &pt);
        HWND under = WindowFromPoint(pt);
        LRESULT answered = 0;
        if (under && under != frame && IsChild(frame, under)) {
          HWND root = FrameRootContainer(frame);
          if (root) {
            POINT cp = pt;
            ScreenToClient(root, &cp);
            answered = SendMessageA(root, PNM_HELP, 0, MAKELPARAM(cp.x, cp.y));
          }
        }
        RECT wr;
        GetWindowRect(frame, &wr);
        if (!answered && PtInRect(&wr, pt)) OpenHelpTopic(frame, 55);
        return 0;
      }
      if (pt.x < 14 && pt.y < 14) {
        ClientToScreen(frame, &pt);
        ContextMenu(frame, st, pt, true);
      }
      return 0;
    }
    case WM_SETCURSOR:
      if (st->contextHelp) {
        SetCursor(Globals().helpCursor ? Globals().helpCursor : LoadCursor(nullptr, IDC_HELP));
        return 1;
      }
      break;
    case WM_ENTERSIZEMOVE:
    case WM_MOVING:
    case WM_WINDOWPOSCHANGING: {
      LRESULT result = 0;
      if (HandleFrameDrag(frame, msg, wp, lp, &result)) return result;
      break;
    }
    case WM_TIMER:
      if (wp == kFrameTimer) AutoHideTick(frame);
      return 0;
    case PNM_APPBARNOTIFY:
      HandleAppBarNotify(frame, wp, lp);
      return 0;
    case WM_EXITSIZEMOVE: {
      st->userSizing = 0;
      LRESULT result = 0;
      if (HandleFrameDrag(frame, msg, wp, lp, &result)) return result;
      RECT r;
      GetWindowRect(frame, &r);
      if (HWND root = FrameRootContainer(frame)) {
        if (st->settings && st->settings->frameStyle == 0) {
          SendMessageA(root, PNM_SETFRAMEPOS, 0, MAKELPARAM(r.left, r.top));
          SendMessageA(root, PNM_SETFRAMESIZE, 0, MAKELPARAM(r.right - r.left, r.bottom - r.top));
        }
      }
      return 0;
    }
    case WM_SIZE:
      OnFrameSized(frame, st);
      return 0;
    case WM_DRAWITEM: {
      auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
      if (di->CtlID < IDM_FRAMEBUTTON_FIRST) DrawCaptionButton(di);
      else DrawFrameButton(frame, st, di);
      return 1;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (hdr->code == TTN_NEEDTEXTA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
        for (FrameButton& fb : st->buttons)
          if (reinterpret_cast<HWND>(hdr->idFrom) == fb.button) {
            GetWindowTextA(fb.target, info->szText, sizeof info->szText);
            info->lpszText = info->szText;
          }
      }
      return 0;
    }
    case WM_COMMAND: {
      int id = LOWORD(wp);
      if (id >= IDM_FRAMEBUTTON_FIRST && id < IDM_FRAMEBUTTON_FIRST + kMaxFrameButtons) {
        ToggleFrameButton(frame, st, id - IDM_FRAMEBUTTON_FIRST);
        return 0;
      }
      switch (id) {
        case IDM_ONTOP:
          SetFrameOnTop(frame, !(st->settings && st->settings->alwaysOnTop));
          return 0;
        case IDM_HIDE:
          ZoomFrameToTray(frame);
          ActivateDesktopBeforeHiding();
          HideFrame(frame);
          return 0;
        case IDM_CONTEXTHELP:
          st->contextHelp = 1;
          SetCapture(frame);
          SetCursor(Globals().helpCursor ? Globals().helpCursor : LoadCursor(nullptr, IDC_HELP));
          return 0;
        case IDM_TOOLTIPS:
          SetFrameTooltips(!Globals().tooltips);
          return 0;
        case IDM_HELPCONTENTS:
          OpenHelpTopic(frame, 0);
          return 0;
        case IDM_PROPERTIES:
        case IDM_CONFIGURE:
          if (g_openConfig) g_openConfig(frame, FrameRootContainer(frame));
          return 0;
        case IDM_FOCUSNEXT:
        case IDM_FOCUSPREV:
          if (HWND root = FrameRootContainer(frame))
            SendMessageA(root, id == IDM_FOCUSNEXT ? PNM_FOCUSNEXT : PNM_FOCUSPREV, 1, 0);
          return 0;
        case IDM_CLOSE:
        case IDM_ABOUT:
        default:
          if (id == IDM_CLOSE || id == IDM_ABOUT || (id >= IDM_FRAMELIST_FIRST && id <= IDM_FRAMELIST_LAST))
            if (Globals().mainWindow) SendMessageA(Globals().mainWindow, WM_COMMAND, wp, LPARAM(frame));
          return 0;
      }
    }
    case WM_KEYDOWN:
      if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_KEY, wp, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_KEYMENU) {
        if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_KEY, VK_F10, 0);
        return 0;
      }
      if ((wp & 0xFFF0) == SC_CLOSE) {
        static bool once = false;
        if (!once && Globals().mainWindow) {
          once = true;
          SendMessageA(Globals().mainWindow, WM_COMMAND, IDM_CLOSE, 0);
        }
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE || !st->active) {
        if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_KEYMODEOFF, 0, 0);
      }
      if (LOWORD(wp) != WA_INACTIVE) st->active = 1;
      return 0;
    case WM_KILLFOCUS:
      if (st->inTaskbar)
        if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_KEYMODEOFF, 0, 0);
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_WININICHANGE:
      if (HWND root = FrameRootContainer(frame)) SendMessageA(root, msg, wp, lp);
      InvalidateRect(frame, nullptr, TRUE);
      return 0;
    case WM_QUERYENDSESSION:
      return 1;
    case WM_ENDSESSION:
      if (wp && Globals().isWindowsNT) DestroyAllFrames();
      return 0;
    case WM_WINDOWPOSCHANGED:
      // Answered here, so no WM_SIZE or WM_MOVE follows: a new size is handled at once.
      if (lp && !(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOSIZE)) OnFrameSized(frame, st);
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_USER + 180:
    case WM_USER + 181:
    case WM_USER + 182:
      return 0;
    case PNM_PAINTBACKGROUND:
      if (lp) PaintBackground(frame, *reinterpret_cast<const BackgroundPaintRequest*>(lp));
      return 0;
    case PNM_ISHORIZONTAL:
      return st->horizontal;
    case PNM_SETTOOLTIPS:
      if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_SETTOOLTIPS, wp, 0);
      return 0;
    case PNM_OPENCONFIG:
      if (g_openConfig) g_openConfig(frame, reinterpret_cast<HWND>(wp));
      return 0;
    case PNM_SHOWFRAME:
      ShowFrame(frame);
      return 0;
    case PNM_HOTKEY:
      if (wp == 1) {
        if (st->inTaskbar) {
          SetForegroundWindow(frame);
          SetFocus(frame);
          if (HWND root = FrameRootContainer(frame)) SendMessageA(root, PNM_FOCUSNEXT, 1, 0);
        } else if (IsWindowVisible(frame)) {
          SendMessageA(frame, WM_COMMAND, IDM_HIDE, 0);
        } else {
          SendMessageA(frame, PNM_SHOWFRAME, 0, 0);
        }
      }
      return 0;
    case PNM_HOOKKEY:
    case PNM_TRAYNOTIFY:
      if (Globals().mainWindow) return SendMessageA(Globals().mainWindow, msg, wp, lp);
      return 0;
    case PNM_CLOSELAYOUT:
      CloseLayout();
      return 0;
    case PNM_APPLYFRAMESETTINGS:
      if (lp && st->settings) {
        const auto* s = reinterpret_cast<const ContainerSettings*>(lp);
        int style = s->frameStyle == 1 && s->autoHide ? 2 : s->frameStyle;
        if (style != st->settings->frameStyle || s->edge != st->settings->edge)
          ChangeFrameStyle(frame, style, st->settings->frameStyle, nullptr, nullptr, s->edge,
                           st->settings->edge);
        if (bool(s->alwaysOnTop) != bool(st->settings->alwaysOnTop)) SetFrameOnTop(frame, s->alwaysOnTop != 0);
      }
      return 0;
    case PNM_GETTASKBARSIZE: {
      RECT c;
      GetClientRect(frame, &c);
      if (!st->settings) return 0;
      return st->horizontal ? MakeSize(c.right, st->settings->dockedHeight)
                            : MakeSize(st->settings->dockedWidth, c.bottom);
    }
    case PNM_SUSPENDERASE:
      return 0;
    case PNM_FITTASKBAR:
      return 0;
  }
  return DefWindowProcA(frame, msg, wp, lp);
}

}  // namespace jqbar
