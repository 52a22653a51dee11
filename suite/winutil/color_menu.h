// A small modal popup of 16 colours in a 4 by 4 grid, opened under a colour button like a
// drop-down menu (window class "ColorMenu").
#pragma once
#include <windows.h>

constexpr int kColorMenuCells = 16;
extern const COLORREF ColorMenuPalette[kColorMenuCells];

// Index of the colour in the palette; -1 when absent.
int FindColorIndex(COLORREF colour);
// Opens the popup with its top-left corner at (x, y) in the owner's client coordinates and runs
// it until a colour is chosen or the popup is dismissed. Answers the chosen colour, or `current`
// when nothing is selected or the popup cannot be made. A quit message that arrives while it
// runs ends it and is posted again for the caller's loop.
COLORREF ShowColorMenu(HINSTANCE instance, HWND owner, int x, int y, COLORREF current);
// The popup while it runs (null otherwise), for tests.
HWND ColorMenuWindow();
