// What the panes' tree and list controls share in their window procedures: the outline drawn
// round the selection while the control has no focus, the wheel sent to the window under the
// pointer (or, with Ctrl, to the main window), no cursor change while the button is down, and
// the class procedure put back as the control goes away.
#pragma once
#include <windows.h>

// Draws the outline of a selected item: a rectangle in the button-text colour with a focus
// rectangle inside. `dc` has the outline pen and a hollow brush selected (OutlinePen).
void DrawSelectionOutline(HDC dc, RECT box);

// Selects the outline pen and a hollow brush into a DC for its life.
class OutlinePen {
 public:
  explicit OutlinePen(HDC dc);
  ~OutlinePen();
  OutlinePen(const OutlinePen&) = delete;
  OutlinePen& operator=(const OutlinePen&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HGDIOBJ oldPen_, oldBrush_;
};

// Handles WM_MOUSEWHEEL, WM_SETCURSOR and WM_NCDESTROY of a pane control whose class procedure
// is `previous`. True when the message was answered (with *result).
bool HandlePaneControlMessage(HWND control, WNDPROC previous, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT* result);
