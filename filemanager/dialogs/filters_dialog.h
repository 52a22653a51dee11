// The file filter dialog: patterns with their "Filters" history, four three-state attribute
// boxes, and files and folders, folders only or files only.
#pragma once
#include <windows.h>

// Dialog IDD_FILTERS. The parameter is the FileFilter to edit (settings_store.h); OK writes the
// choice into it (an empty pattern text becomes "*.*"), adds the patterns to the history and ends
// with 1; Cancel leaves it as it was and ends with 0.
INT_PTR CALLBACK FiltersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
