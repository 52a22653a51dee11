// Fixtures of the shell side's tests: a main window with a status bar and a pane dialog that
// holds tree 1000, as the program's main window has them, and folder binding by path.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>

struct FolderNode;

namespace shelltest {

struct HostWindows {
  HostWindows();
  ~HostWindows();
  HWND main = nullptr;
  HWND status = nullptr;
  HWND dialog = nullptr;
  HWND tree = nullptr;
  std::vector<HWND> activeMessages;       // view windows of WM_USER+110
  std::vector<UINT> commands;             // WM_COMMAND ids posted or sent to the main window
};

IShellFolder* BindFolder(const std::string& path);
// Adds a tree item for `node` under `parent` (TVI_ROOT for none), labelled with the folder's name,
// and, with `recurse`, the items of the node's children in name order. Returns the item.
HTREEITEM AddNodeItems(HWND tree, HTREEITEM parent, FolderNode* node, bool recurse);
// Selects an item and gives the tree the focus.
void SelectItem(HWND tree, HTREEITEM item);
LPITEMIDLIST ParsePath(const std::string& path);

}  // namespace shelltest
