// Answers about the main window's state for the shell side, with built-in answers found through
// the windows' control ids.
#include "shell_host.h"

#include <commctrl.h>

#include "shell_view_host.h"
#include "voltaly_ui.h"

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

// Compares two absolute item id lists through the desktop folder.
bool SameIdList(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return false;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  HRESULT hr = desktop->CompareIDs(0, a, b);
  desktop->Release();
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
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
  if (hooks.tree) return hooks.tree(owner);
  // The program's window state: the tree of the view shown (main or find results).
  if (owner && owner == g_voltaly.mainWindow) {
    HWND tree = g_voltaly.currentTree ? g_voltaly.currentTree : g_voltaly.mainTree;
    if (tree && IsWindow(tree)) return tree;
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

// Built-in answer: the size tree finds the folder by its path (expanding and scanning on the
// way) and selects it; the selection shows it in the file pane.
BOOL ShellHostSelectIdList(HWND owner, LPCITEMIDLIST absolute) {
  if (hooks.selectIdList) return hooks.selectIdList(owner, absolute);
  (void)SameIdList;
  HWND main = ShellHostMainWindow(owner);
  HWND tree = g_voltaly.mainTree && main == g_voltaly.mainWindow ? g_voltaly.mainTree : ShellHostTree(main);
  char path[MAX_PATH] = {};
  if (!tree || !absolute || !SHGetPathFromIDListA(absolute, path) || !path[0]) return FALSE;
  return FindTreeItemByPath(tree, path, nullptr, TRUE, TRUE) != nullptr;
}
