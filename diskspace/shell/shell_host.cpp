// Answers about the main window's state for the shell side, with built-in answers found through
// the windows' control ids.
#include "shell_host.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "folder_node.h"
#include "seams.h"
#include "shell_view_host.h"

namespace {

ShellHostHooks hooks;
constexpr int kTreeId = 1000;

struct FindDialog {
  HWND found = nullptr;
};

BOOL CALLBACK FindTreeDialog(HWND child, LPARAM param) {
  auto* find = reinterpret_cast<FindDialog*>(param);
  HWND tree = GetDlgItem(child, kTreeId);
  if (tree) {
    char cls[32] = {};
    GetClassNameA(tree, cls, sizeof(cls));
    if (lstrcmpiA(cls, WC_TREEVIEWA) == 0) {
      find->found = child;
      return FALSE;
    }
  }
  return TRUE;
}

}  // namespace

ShellHostHooks SetShellHostHooks(ShellHostHooks replacement) {
  ShellHostHooks previous = hooks;
  hooks = std::move(replacement);
  return previous;
}

HWND ShellHostMainWindow(HWND any) {
  if (!any) return nullptr;
  HWND root = GetAncestor(any, GA_ROOT);
  return root ? root : any;
}

HWND ShellHostTreeDialog(HWND owner) {
  if (hooks.treeDialog) return hooks.treeDialog(owner);
  if (!owner) return nullptr;
  FindDialog find;
  EnumChildWindows(owner, FindTreeDialog, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

HWND ShellHostTree(HWND owner) {
  if (hooks.tree) {
    if (HWND tree = hooks.tree(owner)) return tree;
  }
  HWND dialog = ShellHostTreeDialog(owner);
  return dialog ? GetDlgItem(dialog, kTreeId) : nullptr;
}

BOOL ShellHostFilePaneShown() {
  if (hooks.filePaneShown) return hooks.filePaneShown();
  HWND view = GetFilePaneViewWindow(GetCurrentFilePane());
  return view && IsWindowVisible(view);
}

BOOL ShellHostTreeHasFocus(HWND owner) {
  HWND tree = ShellHostTree(owner);
  return tree && GetFocus() == tree;
}

BOOL ShellHostScanRunning() {
  if (hooks.scanRunning) return hooks.scanRunning();
  return FALSE;
}

// Built-in answer: the tree item (among those the tree holds) whose folder is the one asked
// for is selected. The size pane's own answer, installed by the main window, also finds and
// scans folders that have no item yet.
BOOL ShellHostSelectIdList(HWND owner, LPCITEMIDLIST absolute) {
  if (hooks.selectIdList) return hooks.selectIdList(owner, absolute);
  HWND tree = ShellHostTree(ShellHostMainWindow(owner));
  char wanted[MAX_PATH] = {};
  if (!tree || !absolute || !SHGetPathFromIDListA(absolute, wanted) || !wanted[0]) return FALSE;
  std::vector<HTREEITEM> pending;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) pending.push_back(i);
  while (!pending.empty()) {
    HTREEITEM item = pending.back();
    pending.pop_back();
    TVITEMA tvi{};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = item;
    if (!TreeView_GetItem(tree, &tvi)) continue;
    auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
    char path[MAX_PATH] = {};
    if (IsFolderNode(node) && GetNodePath(node, path, MAX_PATH)) {
      std::string mine = path, theirs = wanted;
      while (mine.size() > 3 && mine.back() == '\\') mine.pop_back();
      while (theirs.size() > 3 && theirs.back() == '\\') theirs.pop_back();
      if (lstrcmpiA(mine.c_str(), theirs.c_str()) == 0) return TreeView_SelectItem(tree, item);
    }
    for (HTREEITEM c = TreeView_GetChild(tree, item); c; c = TreeView_GetNextSibling(tree, c))
      pending.push_back(c);
  }
  return FALSE;
}

void OpenHelpTopic(HWND owner, UINT topic) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  while (n > 0 && path[n - 1] != '\\') --n;
  path[n] = 0;
  lstrcpynA(path + n, "Quorvnel.hlp", MAX_PATH - static_cast<int>(n));
  if (topic == 0) seams::WinHelpA(owner, path, HELP_FINDER, 0);
  else seams::WinHelpA(owner, path, HELP_CONTEXT, topic);
}

void ShellHostShowHelp(HWND owner, UINT topic) {
  if (hooks.showHelp) hooks.showHelp(owner, topic);
  else OpenHelpTopic(owner, topic);
}
