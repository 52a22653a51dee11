// The property sheet of a system panel: a child dialog holding tab control 517, whose pages
// the panel creates as child dialogs of their own.
#pragma once
#include <windows.h>

namespace jqbar {

// Creates the sheet as a child of `parent` at the point packed in `at` (signed x, y halves).
HWND CreatePanelSheet(HWND parent, LPARAM at, DLGPROC procedure, LPARAM parameter);
// Puts a page 5 pixels inside the tab control's first item rectangle, below the tabs.
void PlaceSheetPage(HWND sheet, HWND page);
// Adds the tabs from string ids.
void AddSheetTabs(HWND sheet, const UINT* names, int count);

}  // namespace jqbar
