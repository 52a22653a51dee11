// Docking a frame at a screen edge as an application bar, auto-hide bars, and dragging a
// frame between its styles.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "container_panel.h"
#include "frame_window.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr int kDockDistance = 10;

struct DragState {
  HWND frame = nullptr;
  RECT start{};
  int startStyle = 0, startEdge = 0;
  RECT floating{};
  RECT preview{};
  int targetStyle = 0, targetEdge = 0;
};
DragState g_drag;
bool g_shownOnRequest = false;

RECT ScreenRect() {
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool IsHorizontalEdge(int edge) { return edge == 1 || edge == 3; }

void StoreExtent(HWND frame, int edge, int thickness) {
  HWND root = FrameRootContainer(frame);
  if (!root) return;
  LPARAM extent = IsHorizontalEdge(edge) ? MAKELPARAM(0, thickness) : MAKELPARAM(thickness, 0);
  SendMessageA(root, PNM_SETDOCKEDEXTENT, 0, extent);
}

RECT EdgeRect(const RECT& area, int edge, int thickness) {
  RECT r = area;
  switch (edge) {
    case 0: r.right = r.left + thickness; break;
    case 1: r.bottom = r.top + thickness; break;
    case 2: r.left = r.right - thickness; break;
    default: r.top = r.bottom - thickness; break;
  }
  return r;
}

void Relayout(HWND frame) {
  RelayoutFrame(frame);
  InvalidateRect(frame, nullptr, TRUE);
}

void DockFrame(HWND frame, FrameState* st, int edge) {
  SetAppBarRegistered(frame, true);
  st->settings->frameStyle = 1;
  st->settings->edge = edge;
  st->settings->autoHide = 0;
  st->horizontal = IsHorizontalEdge(edge) ? 1 : 0;
  DockAppBar(edge, nullptr, frame);
}

void FloatFrame(HWND frame, FrameState* st, const RECT* finalRect) {
  SetAppBarRegistered(frame, false);
  ContainerSettings& s = *st->settings;
  s.frameStyle = 0;
  HWND root = FrameRootContainer(frame);
  if (finalRect) {
    st->horizontal = (finalRect->bottom - finalRect->top) < (finalRect->right - finalRect->left) ? 1 : 0;
    if (root) {
      SendMessageA(root, PNM_SETFRAMEPOS, 0, MAKELPARAM(finalRect->left, finalRect->top));
      SendMessageA(root, PNM_SETFRAMESIZE, 0,
                   MAKELPARAM(finalRect->right - finalRect->left, finalRect->bottom - finalRect->top));
    }
  } else {
    st->horizontal = s.floatHeight < s.floatWidth ? 1 : 0;
  }
  int fitting = st->fitting;
  st->fitting = 1;  // laid out next, not once more on the new size
  MoveWindow(frame, s.floatX, s.floatY, s.floatWidth, s.floatHeight, TRUE);
  st->fitting = fitting;
  Relayout(frame);
  ShowWindow(frame, SW_SHOWNA);
}

void MakeAutoHideFrame(HWND frame, FrameState* st, int edge, const RECT* finalRect) {
  SetAppBarRegistered(frame, false);
  st->settings->frameStyle = 2;
  st->settings->edge = edge;
  st->settings->autoHide = 1;
  st->horizontal = IsHorizontalEdge(edge) ? 1 : 0;
  ShowWindow(frame, SW_HIDE);
  int thickness = finalRect ? (IsHorizontalEdge(edge) ? finalRect->bottom - finalRect->top
                                                      : finalRect->right - finalRect->left)
                            : PreferredThickness(frame, edge);
  StoreExtent(frame, edge, thickness);
  PlaceAutoHideFrame(frame);
  Relayout(frame);
  ShowWindow(frame, SW_SHOWNA);
}

}  // namespace

RECT DesktopWorkRect() {
  HWND progman = FindWindowA("Progman", nullptr);
  HWND view = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
  RECT r;
  if (view && GetWindowRect(view, &r) && r.right > r.left) return r;
  return ScreenRect();
}

int PreferredThickness(HWND frame, int edge) {
  HWND root = FrameRootContainer(frame);
  if (!root) return 24;
  bool horizontal = IsHorizontalEdge(edge);
  DWORD pref = DWORD(SendMessageA(root, PNM_GETPREFSIZE, horizontal ? 1 : 0, 0));
  int along = horizontal ? HighSigned(pref) : LowSigned(pref);
  return along + 4;
}

bool SetAppBarRegistered(HWND frame, bool on) {
  FrameState* st = GetFrameState(frame);
  if (!st || bool(st->appBarRegistered) == on) return st != nullptr;
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = frame;
  abd.uCallbackMessage = PNM_APPBARNOTIFY;
  if (on) {
    st->appBarRegistered = SHAppBarMessage(ABM_NEW, &abd) ? 1 : 0;
  } else {
    SHAppBarMessage(ABM_REMOVE, &abd);
    st->appBarRegistered = 0;
  }
  return bool(st->appBarRegistered) == on;
}

void DockAppBar(int edge, const RECT* rect, HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || st->appBarUpdating || !st->bound || !st->settings) return;
  st->appBarUpdating = 1;
  int thickness = PreferredThickness(frame, edge);
  StoreExtent(frame, edge, thickness);
  RECT r = EdgeRect(ScreenRect(), edge, thickness);
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = frame;
  abd.uEdge = UINT(edge);
  abd.rc = r;
  if (st->appBarRegistered) SHAppBarMessage(ABM_QUERYPOS, &abd);
  r = abd.rc;
  // Keep the thickness after the shell moved the bar away from other bars.
  switch (edge) {
    case 0: r.right = r.left + thickness; break;
    case 1: r.bottom = r.top + thickness; break;
    case 2: r.left = r.right - thickness; break;
    default: r.top = r.bottom - thickness; break;
  }
  if (GetTaskbarEdge() == edge && FindWindowA("Shell_TrayWnd", nullptr)) {
    RECT screen = ScreenRect();
    if (edge == 0 && r.left == screen.left) OffsetRect(&r, 1, 0);
    if (edge == 1 && r.top == screen.top) OffsetRect(&r, 0, 1);
    if (edge == 2 && r.right == screen.right) OffsetRect(&r, -1, 0);
    if (edge == 3 && r.bottom == screen.bottom) OffsetRect(&r, 0, -1);
  }
  abd.rc = r;
  if (st->appBarRegistered) SHAppBarMessage(ABM_SETPOS, &abd);
  RECT now;
  GetWindowRect(frame, &now);
  if (!EqualRect(&now, &abd.rc))
    MoveWindow(frame, abd.rc.left, abd.rc.top, abd.rc.right - abd.rc.left, abd.rc.bottom - abd.rc.top, TRUE);
  st->appBarUpdating = 0;
}

void FitDockedFrame(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings || st->fitting) return;
  st->fitting = 1;
  if (st->settings->frameStyle == 1) {
    DockAppBar(st->settings->edge, nullptr, frame);
  } else if (st->settings->frameStyle == 2) {
    StoreExtent(frame, st->settings->edge, PreferredThickness(frame, st->settings->edge));
    PlaceAutoHideFrame(frame);
  }
  st->fitting = 0;
}

void ChangeFrameStyle(HWND frame, int newStyle, int oldStyle, const RECT* finalRect,
                      const RECT* startRect, int newEdge, int oldEdge) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings) return;
  if (st->inTaskbar) {
    RelayoutFrame(frame);
    return;
  }
  switch (newStyle) {
    case 1: DockFrame(frame, st, newEdge); break;
    case 2: MakeAutoHideFrame(frame, st, newEdge, finalRect); break;
    default: FloatFrame(frame, st, finalRect); break;
  }
  if (newStyle == 1) {
    Relayout(frame);
    ShowWindow(frame, SW_SHOWNA);
  }
  if (newEdge != oldEdge || newStyle != oldStyle) {
    if (HWND root = FrameRootContainer(frame)) {
      SendMessageA(root, PNM_CHANGED, WPARAM(root), 0);
      SendMessageA(root, PNM_REFRESHPAGE, 0, 0);
    }
  }
}

void PlaceAutoHideFrame(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings) return;
  RECT area = DesktopWorkRect();
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  int edge = st->settings->edge;
  if (tray && GetTaskbarEdge() == edge) {
    RECT t;
    GetWindowRect(tray, &t);
    if (edge == 0) area.left = std::max(area.left, t.right);
    if (edge == 1) area.top = std::max(area.top, t.bottom);
    if (edge == 2) area.right = std::min(area.right, t.left);
    if (edge == 3) area.bottom = std::min(area.bottom, t.top);
  }
  int thickness = IsHorizontalEdge(edge) ? st->settings->dockedHeight : st->settings->dockedWidth;
  if (thickness <= 0) thickness = PreferredThickness(frame, edge);
  RECT r = EdgeRect(area, edge, thickness);
  RECT now;
  GetWindowRect(frame, &now);
  if (!EqualRect(&now, &r)) {
    bool resized = (now.right - now.left) != (r.right - r.left) || (now.bottom - now.top) != (r.bottom - r.top);
    SetWindowPos(frame, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (resized && !st->fitting) {
      st->fitting = 1;
      RelayoutFrame(frame);
      st->fitting = 0;
    }
  }
}

bool AutoHideWanted(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings) return false;
  if (FindWindowA("WindowsScreenSaverClass", nullptr)) return false;
  if (ModalFrame() == frame) return true;
  POINT pt;
  GetCursorPos(&pt);
  RECT r;
  GetWindowRect(frame, &r);
  int edge = st->settings->edge;
  if (IsWindowVisible(frame)) {
    bool close = (edge == 0 && pt.x <= r.right + kDockDistance) ||
                (edge == 1 && pt.y <= r.bottom + kDockDistance) ||
                (edge == 2 && pt.x >= r.left - kDockDistance) ||
                (edge == 3 && pt.y >= r.top - kDockDistance);
    if (close) {
      g_shownOnRequest = false;
      return true;
    }
    return g_shownOnRequest;
  }
  if (g_shownOnRequest) return true;
  if (Globals().shiftForPopup && !(GetAsyncKeyState(VK_SHIFT) & 0x8000)) return false;
  RECT area = DesktopWorkRect();
  switch (edge) {
    case 0: return pt.x < area.left + 6;
    case 1: return pt.y < area.top + 4 && pt.x < area.right - 90;
    case 2: return pt.x > area.right - 4;
    default: return pt.y > area.bottom - 6;
  }
}

void RevealAutoHideFrame(HWND frame) {
  g_shownOnRequest = true;
  PlaceAutoHideFrame(frame);
  ShowWindow(frame, SW_SHOW);
  BringWindowToTop(frame);
  SetForegroundWindow(frame);
  MarkFrameHidden(frame, false);
}

void AutoHideTick(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings || st->inTaskbar) return;
  if (st->settings->frameStyle != 2) {
    if (ModalFrame() == frame) EndFrameModal();
    return;
  }
  bool wanted = AutoHideWanted(frame);
  bool visible = IsWindowVisible(frame) != 0;
  if (visible && !wanted) {
    ActivateDesktopBeforeHiding();
    ShowWindow(frame, SW_HIDE);
  } else if (!visible && wanted) {
    PlaceAutoHideFrame(frame);
    ShowWindow(frame, SW_SHOWNA);
  }
}

void HandleAppBarNotify(HWND frame, WPARAM code, LPARAM data) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings) return;
  APPBARDATA abd{};
  abd.cbSize = sizeof abd;
  abd.hWnd = frame;
  switch (code) {
    case ABN_STATECHANGE:
      SetWindowPos(frame, (SHAppBarMessage(ABM_GETSTATE, &abd) & ABS_ALWAYSONTOP) ? HWND_TOPMOST : HWND_BOTTOM,
                   0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case ABN_POSCHANGED:
      if (st->settings->frameStyle == 1) {
        DockAppBar(st->settings->edge, nullptr, frame);
        RelayoutFrame(frame);
      }
      break;
    case ABN_FULLSCREENAPP:
      if (data)
        SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      else if (st->settings->alwaysOnTop)
        SetWindowPos(frame, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
  }
}

bool HandleFrameDrag(HWND frame, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  FrameState* st = GetFrameState(frame);
  if (!st || !st->settings || st->inTaskbar) return false;
  ContainerSettings& s = *st->settings;
  switch (msg) {
    case WM_ENTERSIZEMOVE:
      g_drag = DragState{};
      g_drag.frame = frame;
      GetWindowRect(frame, &g_drag.start);
      g_drag.startStyle = s.frameStyle;
      g_drag.startEdge = s.edge;
      g_drag.floating = RECT{s.floatX, s.floatY, s.floatX + s.floatWidth, s.floatY + s.floatHeight};
      g_drag.preview = g_drag.start;
      g_drag.targetStyle = s.frameStyle;
      g_drag.targetEdge = s.edge;
      st->sizeMoving = 1;
      *result = 0;
      return true;
    case WM_MOVING: {
      if (g_drag.frame != frame) return false;
      auto* rect = reinterpret_cast<RECT*>(lp);
      POINT pt;
      GetCursorPos(&pt);
      RECT screen = ScreenRect();
      double fx = double(pt.x) / std::max(1L, screen.right), fy = double(pt.y) / std::max(1L, screen.bottom);
      int edge = fx > fy ? (fy < 1 - fx ? 1 : 2) : (fx < 1 - fy ? 0 : 3);
      RECT area = DesktopWorkRect();
      if (g_drag.startStyle == 1) UnionRect(&area, &area, &g_drag.start);
      int distance = edge == 0 ? pt.x - area.left : edge == 1 ? pt.y - area.top
                   : edge == 2 ? area.right - 1 - pt.x : area.bottom - 1 - pt.y;
      if (distance <= kDockDistance) {
        if (g_drag.startStyle == 1 && g_drag.startEdge == edge) {
          *rect = g_drag.start;
        } else {
          HWND root = FrameRootContainer(frame);
          DWORD pref = root ? DWORD(SendMessageA(root, PNM_GETPREFSIZE, IsHorizontalEdge(edge) ? 1 : 0, 0)) : 0;
          int t = (IsHorizontalEdge(edge) ? HighSigned(pref) : LowSigned(pref)) + (edge == 2 ? 0 : 4);
          *rect = EdgeRect(screen, edge, t);
        }
        g_drag.targetStyle = s.autoHide ? 2 : 1;
        g_drag.targetEdge = edge;
      } else {
        if (g_drag.targetStyle != 0) {
          int w = g_drag.floating.right - g_drag.floating.left, h = g_drag.floating.bottom - g_drag.floating.top;
          *rect = RECT{pt.x - w / 2, pt.y - 6, pt.x - w / 2 + w, pt.y - 6 + h};
        }
        g_drag.targetStyle = 0;
      }
      g_drag.preview = *rect;
      st->lastRect = *rect;
      *result = TRUE;
      return true;
    }
    case WM_WINDOWPOSCHANGING:
      return false;
    case WM_EXITSIZEMOVE: {
      st->sizeMoving = 0;
      if (g_drag.frame != frame) return false;
      DragState d = g_drag;
      g_drag = DragState{};
      if (d.targetStyle == 0 && d.startStyle == 0) return false;  // a plain move: stored by the caller
      ChangeFrameStyle(frame, d.targetStyle, d.startStyle, &d.preview, &d.start, d.targetEdge, d.startEdge);
      *result = 0;
      return true;
    }
  }
  return false;
}

// --- The zoom: an XOR rectangle moving from one place on the screen to another --------------

namespace {

// Four 4-pixel sides, drawn so that they never overlap (drawing twice restores every pixel);
// a rectangle too small for its sides is inverted whole.
void InvertZoomRect(HDC dc, const RECT& r) {
  int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  if (w <= 8 || h <= 8) {
    PatBlt(dc, r.left, r.top, w, h, PATINVERT);
    return;
  }
  PatBlt(dc, r.left, r.top, w - 4, 4, PATINVERT);
  PatBlt(dc, r.right - 4, r.top, 4, h - 4, PATINVERT);
  PatBlt(dc, r.left + 4, r.bottom - 4, w - 4, 4, PATINVERT);
  PatBlt(dc, r.left, r.top + 4, 4, h - 4, PATINVERT);
}

LONG Between(LONG a, LONG b, double f) { return a + LONG((b - a) * f); }

}  // namespace

HBRUSH CreateHalftonePatternBrush(bool aaFirst) {
  WORD rows[8];
  for (int i = 0; i < 8; ++i) rows[i] = WORD(((i % 2 == 0) == aaFirst) ? 0xAA : 0x55);
  HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, rows);
  if (!bitmap) return nullptr;
  HBRUSH brush = CreatePatternBrush(bitmap);
  DeleteObject(bitmap);
  return brush;
}

void DrawZoomRect(const RECT& rect, HBRUSH brush) {
  HDC dc = GetDC(nullptr);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(GRAY_BRUSH));
  InvertZoomRect(dc, rect);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

int ZoomAnimation(const RECT& from, const RECT& to, HBRUSH brush, int milliseconds) {
  if (milliseconds <= 0) return 0;
  HDC dc = GetDC(nullptr);
  if (!dc) return 0;
  HGDIOBJ old = SelectObject(dc, brush ? static_cast<HGDIOBJ>(brush) : GetStockObject(GRAY_BRUSH));
  const double perMs = 1.0 / milliseconds;
  DWORD start = seams::GetTickCount();
  DWORD last = start;
  RECT shown{};
  bool drawn = false;
  int steps = 0;
  // Bounded by the time and by the step count, so that a clock that stands still cannot keep
  // the loop going. A step on the same tick as the one before waits for the clock.
  while (steps < kMaxZoomSteps) {
    DWORD now = seams::GetTickCount();
    DWORD elapsed = now - start;
    if (elapsed >= DWORD(milliseconds)) break;
    ++steps;
    if (drawn && now == last) {
      Sleep(1);
      continue;
    }
    last = now;
    double f = elapsed * perMs;
    RECT r{Between(from.left, to.left, f), Between(from.top, to.top, f),
           Between(from.right, to.right, f), Between(from.bottom, to.bottom, f)};
    if (drawn && EqualRect(&r, &shown)) continue;
    if (drawn) InvertZoomRect(dc, shown);
    InvertZoomRect(dc, r);
    GdiFlush();
    shown = r;
    drawn = true;
  }
  if (drawn) InvertZoomRect(dc, shown);
  GdiFlush();
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return steps;
}

bool ZoomFrameToTray(HWND frame) {
  FrameState* st = GetFrameState(frame);
  if (!st || st->inTaskbar || !IsWindowVisible(frame)) return false;
  HWND notify = nullptr;
  for (HWND tray = nullptr; !notify && (tray = FindWindowExA(nullptr, tray, "Shell_TrayWnd", nullptr));)
    notify = FindWindowExA(tray, nullptr, "TrayNotifyWnd", nullptr);
  if (!notify) return false;
  RECT from, to;
  GetWindowRect(frame, &from);
  GetWindowRect(notify, &to);
  ZoomAnimation(from, to, Globals().halftoneBrush, kHideZoomMilliseconds);
  return true;
}

}  // namespace jqbar
