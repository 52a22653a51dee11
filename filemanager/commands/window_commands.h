// Arranging the program's main windows (every top-level window of its class, in any process).
#pragma once
#include <windows.h>

constexpr int kArrangeCascade = 256;
constexpr int kArrangeTileHorizontally = 1;
constexpr int kArrangeTileVertically = 0;

// The arrangement a new-window command waits to make when the new instance announces itself
// (-1 none).
int& PendingArrangement();
// Cascades or tiles the visible, not minimised main windows of the program (with `newWindow`
// put among them); fewer than two: nothing.
void ArrangeWindows(int mode, HWND newWindow);
