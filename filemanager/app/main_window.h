// The main window: its procedure, what its creation builds and its destruction saves and
// frees, and the menus and accelerators of the keyboard schemes.
#pragma once
#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_CREATE: fonts, common controls, the panes' windows, the bars; 0 to go on.
LRESULT OnCreateMainWindow(HWND window);
// WM_DESTROY: stops what runs, saves the settings when asked, frees what the window holds and
// posts the quit message.
void OnDestroyMainWindow(HWND window);
// Saves GlobalSettings and FilePanesSettings from the live state (exit and Save Settings Now).
void SaveAllSettings(HWND window);

// The scheme's menu and accelerator resources: 0 "KESTRALVIEWS", 1 "XTREE", 2 "COMMANDER".
const char* KeyboardSchemeResourceName(UINT scheme);
// Replaces the main window's menu and the loop's accelerator table with the scheme's.
void LoadKeyboardSchemeMenus(UINT scheme);

// "Replace MS Explorer" as read at start-up; written back at exit.
extern DWORD g_replaceExplorer;
