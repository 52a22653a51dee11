// Reading the texts of windows, string resources, list-view and tree-view items, and dialog
// driver steps that type into and click a dialog's controls, for tests that drive real windows.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace jqtest {

std::string WindowTextOf(HWND window);
// A string of the test program's own resources ("" when it has none with this id).
std::string StringResource(UINT id);

// The text of every item of a list view (first column), in the list's order.
std::vector<std::string> ListItemTexts(HWND list);
// The index of the first list-view item with this text, or -1.
int ListIndexOfText(HWND list, const std::string& text);

std::string TreeItemText(HWND tree, HTREEITEM item);
// The texts of the children of `parent` in a tree view, in the tree's order.
std::vector<std::string> TreeChildTexts(HWND tree, HTREEITEM parent);
// The first child of `parent` with this text, or 0.
HTREEITEM TreeChildByText(HWND tree, HTREEITEM parent, const std::string& text);

// Dialog driver steps: set the text of control `id`, click button `id`.
DialogDriver::Step TypeInto(int id, const std::string& text);
DialogDriver::Step ClickButton(int id);

}  // namespace jqtest
