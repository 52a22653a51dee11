// The property sheet of a container panel (sheet 312 with its pages) and dialog 685, which
// shows one panel's page in a modal box.
#pragma once
#include <windows.h>

namespace jqbar {

// Creates the container's page as a child of `parent` at (x, y); 0 on failure.
HWND CreateToolbarPropertySheet(HWND container, HWND parent, int x, int y);
INT_PTR CALLBACK ToolbarPropertiesProc(HWND sheet, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK PanelPropertiesProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp);
// Runs dialog 685 for the panel; returns 0 after OK, 1 after Cancel, -1 when it cannot run.
int ShowPanelPropertiesDialog(HWND panel);
// Ends an open dialog 685 as Cancel would.
void CancelPanelPropertiesDialog();

// Slot values of a taskbar toolbar and the panel types they stand for.
const char* TaskbarSlotTypeName(int slot);

}  // namespace jqbar
