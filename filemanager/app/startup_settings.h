// Between reading the registry and showing the main window: the settings applied before the
// window exists, and the start-up state applied to it afterwards.
#pragma once
#include <windows.h>

// Before the main window exists: the stored options, panes, filters (and the command line).
void LoadStartupSettings(const char* commandLine);
// After the main window exists: bars, menus, panes, placement, then ShowWindow.
void ApplyStartupState(HWND mainWindow, int show);
// Sends WM_USER+101 with this main window to every other main window of the program.
void BroadcastToInstances();

// The saved window rectangle as it should be restored on the given monitors' work areas:
// a corner beyond 95 % of the screen goes to (5, 5), and a rectangle that no work area shows
// enough of (its caption must be reachable) is moved onto the nearest work area, shrunk to fit.
// `screen` is the primary screen's size. False when the rectangle is unusable (empty).
bool PlaceRestoredRect(RECT* rect, SIZE screen, const RECT* workAreas, int workAreaCount);

// Set when the saved rectangle is to be applied (cleared by a folder named on the command line).
extern BOOL g_restoreRectangle;
