// Drawing and page helpers the button bar and the command-line panel share: text fitted to a
// width, captions with a drop shadow, the panel font, and the one-tab sheet that hosts a
// panel's property page in the configuration dialog.
#pragma once
#include <windows.h>

namespace jqbar {

// The number of leading characters of `text` that fit in `width` pixels in the selected font:
// the whole length when it fits, else found by halving; the whole length when measuring fails.
int FitTextToWidth(HDC dc, const char* text, int width);
// Text at (x, y), cut to `count` characters, over a COLOR_BTNSHADOW copy offset by 1 pixel
// unless the layout hides drop shadows.
void DrawShadowedText(HDC dc, int x, int y, const char* text, int count, COLORREF colour);
// "MS Sans Serif" 8 points, or the system font.
HFONT CreatePanelFont();
// The sheet that the configuration dialog shows for a panel: a tab control with one tab
// (string 461) and the page `pageId` under it, made with `pageProc` and `parameter`.
// WM_COMMAND 323 and PNM_PAGEHELP sent to the sheet are passed on to the page.
HWND CreatePanelSheet(HWND parent, int x, int y, UINT pageId, DLGPROC pageProc, LPARAM parameter);
// The page of a sheet made by CreatePanelSheet.
HWND PanelSheetPage(HWND sheet);

}  // namespace jqbar
