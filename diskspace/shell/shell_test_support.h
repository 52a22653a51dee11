// Fixtures of the shell side's tests: a main window with a status bar and a pane dialog that
// holds tree 1000, as the program's main window has them, a scanned temporary folder shown in
// that tree, answers to the next modal dialog, and folder binding by path.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

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

// Every shell file operation runs without the shell's own dialogs for the object's life.
struct QuietFileOperations {
  QuietFileOperations();
  ~QuietFileOperations();
};

// Answers the next modal dialog owned by `owner`: `act` gets its window once it is shown.
void WhenDialogShows(HWND owner, std::function<void(HWND)> act);

// Engine nodes for a temporary folder of the test's own, shown in the host's tree: the test
// writes its files into `temp`, then Show() scans the folder and fills the tree under topItem
// (top stays 0 when the folder could not be scanned).
struct NodeTreeFixture {
  QuietFileOperations quiet;
  jqtest::TempFolder temp;
  HostWindows host;
  FolderNode* top = nullptr;
  HTREEITEM topItem = nullptr;
  NodeTreeFixture() = default;
  ~NodeTreeFixture();
  NodeTreeFixture(const NodeTreeFixture&) = delete;
  NodeTreeFixture& operator=(const NodeTreeFixture&) = delete;
  void Show();
  // The top item's child with this name, or 0.
  HTREEITEM ItemOf(const std::string& name);
  FolderNode* NodeOf(HTREEITEM item);
};

}  // namespace shelltest
