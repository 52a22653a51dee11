// The main window's command table: every WM_COMMAND id and id range to its handler.
#pragma once
#include <windows.h>

struct CommandRoute {
  UINT first, last;  // id range, inclusive
  UINT step;         // 1, or 3 for the drive-bar buttons (every third id)
  const char* name;  // the handler's name
  LRESULT (*handler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

// The route of a command id; null for an id no row covers.
const CommandRoute* FindCommandRoute(UINT id);
// WM_COMMAND: the handler's result, or DefWindowProcA for an id no row covers.
LRESULT DispatchCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
