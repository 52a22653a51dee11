// The screen-resolution action: dialog 623 with a trackbar over the modes of widths 640, 800,
// 1024 and 1280 at the present colour depth, and the modeless dialog 658 that keeps the new mode
// or, on No or after 15 seconds, puts back the mode the screen had when dialog 623 opened.
#pragma once
#include <windows.h>

#include <vector>

namespace jqbar {

// The display calls, replaceable by a test (null members call the system).
struct DisplayModeCalls {
  BOOL (*enumSettings)(DWORD index, DEVMODEA* mode) = nullptr;
  LONG (*changeSettings)(DEVMODEA* mode, DWORD flags) = nullptr;
  BOOL (*exitWindows)(UINT flags) = nullptr;
};
void SetDisplayModeCalls(const DisplayModeCalls& calls);

// Up to four modes, the first of each width at the given depth, in enumeration order.
std::vector<DEVMODEA> ListDisplayModes(DWORD depth);
// The entry whose width is nearest to the screen's (first of equals; 1000 pixels or more away
// never), or -1.
int NearestModeIndex(const std::vector<DEVMODEA>& modes, int screenWidth);
// String id of the label for a width.
UINT ResolutionLabelId(DWORD width);

// Opens dialog 623 at a screen point (its lower left corner), modal through the frame.
INT_PTR ShowScreenResolutionDialog(HWND owner, POINT at);
// The open confirmation dialog 658, or null.
HWND DisplayModeConfirmWindow();
// Puts the mode saved when dialog 623 opened back and says so.
void RestoreDisplayMode(HWND owner);

}  // namespace jqbar
