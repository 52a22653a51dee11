// Small services of the main window: drives and media that come and go, the help file, the
// mouse wheel (with the add-on wheel driver of Windows 95), the sibling product's reply, and
// window and system utilities that the dialogs share.
#pragma once
#include <windows.h>
#include "help_file.h"
#include "window_helpers.h"

// WM_DEVICECHANGE: media and drive notifications to the shell, then a one-shot 1000 ms timer
// that refreshes the view and rebuilds the drive bar. Returns 0.
LRESULT OnDeviceChange(HWND window, WPARAM event, LPARAM data);
// The shell notifications for a volume arriving or leaving (event DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE, the volume's header).
void NotifyShellOfMediaChange(WPARAM event, const void* volume);
void CALLBACK DeviceChangeTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);


// The wheel: Ctrl goes back or forward, Shift expands or collapses tree nodes, otherwise the
// window under the cursor scrolls. `lParam` is the cursor in screen coordinates.
LRESULT HandleMouseWheel(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
UINT GetWheelScrollLines();

// WM_COPYDATA: the sibling product's reply (dwData 1145); other blocks are ignored. Returns 0.
LRESULT OnSiblingCopyData(HWND window, WPARAM wParam, LPARAM lParam);

// Checks or unchecks a command in the window's menu; 0 when the window has no menu.
BOOL SetMenuItemCheck(HWND window, UINT commandId, BOOL checked);
// 1 when the drive of the path is removable.
BOOL IsRemovableDrivePath(const char* path);
// A tooltip "Browse" on a dialog's browse button; returns the tooltip window.
HWND AddBrowseTooltip(HWND button);
HANDLE CreateSemaphoreHelper(SECURITY_ATTRIBUTES* attributes, BOOL startTaken, const char* name);
BOOL ReleaseSemaphoreHelper(HANDLE semaphore);

