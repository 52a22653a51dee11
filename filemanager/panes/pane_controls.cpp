#include "pane_controls.h"

void DrawSelectionOutline(HDC dc, RECT box) {
  Rectangle(dc, box.left, box.top, box.right, box.bottom);
  InflateRect(&box, -1, -1);
  DrawFocusRect(dc, &box);
}

OutlinePen::OutlinePen(HDC dc) : dc_(dc) {
  pen_ = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  oldPen_ = SelectObject(dc, pen_);
  oldBrush_ = SelectObject(dc, GetStockObject(NULL_BRUSH));
}

OutlinePen::~OutlinePen() {
  SelectObject(dc_, oldBrush_);
  SelectObject(dc_, oldPen_);
  DeleteObject(pen_);
}

bool HandlePaneControlMessage(HWND control, WNDPROC previous, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT* result) {
  switch (message) {
    case WM_MOUSEWHEEL: {
      if (LOWORD(wParam) & MK_CONTROL) {
        *result = SendMessageA(GetAncestor(control, GA_ROOT), message, wParam, lParam);
        return true;
      }
      POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      HWND under = WindowFromPoint(at);
      if (under && under != control && !IsChild(control, under) &&
          GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId()) {
        *result = SendMessageA(under, message, wParam, lParam);
        return true;
      }
      return false;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && HIWORD(lParam) == WM_LBUTTONDOWN) {
        *result = TRUE;
        return true;
      }
      return false;
    case WM_NCDESTROY:
      SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      *result = CallWindowProcA(previous, control, message, wParam, lParam);
      return true;
  }
  return false;
}
