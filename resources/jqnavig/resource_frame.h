#pragma once
// Start-up, main window, menus, toolbar and status bar.

#define IDI_MAIN 50

#define IDS_APP_NAME 1
#define IDS_TITLE 2
#define IDS_CLASS_NAME 3
#define IDS_OS_UNSUPPORTED 41049
