// The entries of the panes' services table (PaneWindowServices, file_pane.h) that the panes read
// as values: each does nothing, or answers "none", while its entry is empty, as for panes hosted
// alone (a test's host window). The higher parts of the program fill the entries they offer:
// the frame its focus record, closing flag, status bar and viewer windows, the program the
// viewer's release and the view memory, each from an installer object beside the code.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include "file_pane.h"

inline PaneWindowServices& GetPaneHost() { return g_paneServices; }

HWND PaneLastFocus();
void SetPaneLastFocus(HWND control);
BOOL PaneHostClosing();
HWND PaneStatusBar();
BOOL PaneViewerVisible();
void ClearPaneViewer();
void UpdatePaneCommandStates();
void NotePaneTreeSelection(int pane, LPCITEMIDLIST absolute);
