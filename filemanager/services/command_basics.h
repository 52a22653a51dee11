// The shape of the main window's command handlers, and the refused action. Every handler takes
// the main window's four message arguments; its result is the window procedure's result.
#pragma once
#include <windows.h>

#define JQ_COMMAND_HANDLER(name) LRESULT name(HWND window, UINT message, WPARAM wParam, LPARAM lParam)

// A refused action: a beep, and 0. Counted so that tests can see a refusal.
LRESULT RefuseCommand();
UINT RefusedCommandCount();
