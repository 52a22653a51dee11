// The Start-menu bar's property sheet: the options page (arrangement, icons, button widths) and
// the menu-order page (one line per menu, checked when shown, reordered by dragging). The
// configuration dialog asks for it with PNM_CREATEPAGE and applies it with command 323.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "menu_bar_settings.h"

namespace jqbar {

// Creates the sheet as a child of `parent` at the point packed in `at` (signed x, y halves).
// One sheet exists at a time: an open one is closed first.
HWND CreateMenuBarSheet(MenuBarInstance* bar, HWND parent, LPARAM at);
// The open sheet's pages: 0 options, 1 menu order (none when no sheet is open).
HWND MenuBarSheetPage(int index);
// Fills both pages again from the bar when the open sheet shows it.
void RefreshMenuBarSheet(MenuBarInstance* bar);
// A bar that goes away leaves the sheet without a bar; applying it then changes nothing.
void ForgetMenuBarSheet(MenuBarInstance* bar);

// One line of the order page as the tree holds it: the name as the folder-name list spells it,
// and whether the menu is shown.
struct MenuOrderLine {
  std::string name;
  bool shown = true;
};
std::vector<MenuOrderLine> ReadMenuOrderTree(HWND tree);
// Moves a line where a drop puts it: after `target` when it lay below the dragged line, before
// it when it lay above. The moved line is selected; false when nothing moved.
bool MoveMenuOrderLine(HWND tree, HTREEITEM dragged, HTREEITEM target);

}  // namespace jqbar
