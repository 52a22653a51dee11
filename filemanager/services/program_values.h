// The file manager's process-wide values: the instance, the names from the string table, the
// system flags, the main window, the accelerator table of the keyboard scheme and the flags the
// message loop reads. Start-up sets them; every part of the program reads them.
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
