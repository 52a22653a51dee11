// Start-up and message loop of the file manager, and the process-wide values it sets: the
// instance, the names from the string table, the system flags, the main window, the
// accelerator table of the keyboard scheme, and the table of modeless dialogs that get their
// keyboard handling from the loop.
#pragma once
#include <windows.h>

extern HINSTANCE g_instance;
extern char g_appName[30];    // string 1: caption of the start-up error box and other boxes
extern char g_className[15];  // string 3: "KESTRALVIEWS"
extern char g_title[100];     // string 2: initial caption, caption of most message boxes
extern UINT IsNT;             // the platform is Windows NT
extern UINT IsNT5;            // NT with major version above 4
extern UINT Is95Osr2;         // Windows 9x, build 1001 to 1399
extern UINT Is98;             // Windows 9x, build 1400 or higher
extern HWND g_mainWindow;
extern HACCEL g_accelerators;     // the keyboard scheme's table, used by the loop
extern UINT g_renameInProgress;   // 1 while a list or tree label is being edited
extern UINT g_commandLineFocus;   // 1 while the command-line bar's edit field has the focus
extern UINT g_wheelMessage;       // "MSWHEEL_ROLLMSG" where registered, else 0

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
