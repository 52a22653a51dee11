// Start-up and message loop of the file manager: the system check, the program's strings and
// window class, and the table of modeless dialogs that get their keyboard handling from the
// loop. The process-wide values it sets are declared in program_values.h.
#pragma once
#include <windows.h>
#include "program_values.h"

// Windows version as GetVersionExA reports it; CheckOperatingSystem takes it from the system,
// tests hand it their own.
struct OsVersion {
  DWORD platform, major, minor, build;
};
// Sets the four flags from the version; 1 when the system is supported (9x or NT, major >= 4).
UINT ClassifyOperatingSystem(const OsVersion& version);
// The check of the running system; 1 when supported.
UINT CheckOperatingSystem();

// The main window's initial size for a maximised size of (maxWidth, maxHeight): 80 % of the
// width, raised to 620 when the maximised width allows it, by 75 % of the height.
SIZE InitialMainWindowSize(int maxWidth, int maxHeight);

// Modeless dialogs that want Tab and arrow keys from the loop.
constexpr int kModelessDialogSlots = 20;
extern HWND ModelessDialogTable[kModelessDialogSlots];
// 1 when the dialog holds a slot now (it already had one, or took the first free one; a slot
// whose window is gone counts as free); 0 when all slots hold live windows.
UINT RegisterModelessDialog(HWND dialog);
// Clears the first slot that holds the dialog; 1 when one did.
UINT UnregisterModelessDialog(HWND dialog);
void ClearModelessDialogTable();

// One message through the loop's filters: accelerators (unless a rename is being edited, or
// the command-line bar has the focus in the XTree scheme or the key is Delete), then the
// modeless dialogs, then TranslateMessage and DispatchMessageA.
void ProcessLoopMessage(MSG* message);

// Strings 1, 3 and 2 (application name, class name, title); keeps the instance.
void LoadProgramStrings(HINSTANCE instance);
// The main window's class (RegisterClassExA, else RegisterClassA); FALSE when both fail.
BOOL RegisterMainWindowClass(HINSTANCE instance);

// WinMain of the file manager.
int JQNavigWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
