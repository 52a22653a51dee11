// The Change Icon dialog (588 in the calling program's resources): the icons of a file in an
// owner-drawn multi-column list, a file name field and a Browse button.
#pragma once
#include <windows.h>

// `iconFile` (260 characters) and `iconIndex` in and out. Nonzero on OK, and then both hold the
// user's choice; 0 leaves both unchanged.
int ShowChangeIconDialog(char* iconFile, int* iconIndex, HWND owner);
