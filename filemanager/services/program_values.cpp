#include "program_values.h"

HINSTANCE g_instance;
char g_appName[30];
char g_className[15];
char g_title[100];
UINT IsNT, IsNT5, Is95Osr2, Is98;
HWND g_mainWindow;
HACCEL g_accelerators;
UINT g_renameInProgress;
UINT g_commandLineFocus;
UINT g_wheelMessage;
