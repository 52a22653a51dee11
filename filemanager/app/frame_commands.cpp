// Commands on the frame: pane layouts, swapping the panes, the status bar, closing the window
// and saving the settings.
#include <windows.h>
#include <commctrl.h>
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pidl.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "main_window.h"
#include "settings_store.h"
#include "program_values.h"
#include "window_utils.h"
#include "command_ids.h"

LRESULT SetPaneLayoutCommand(HWND, UINT, WPARAM wParam, LPARAM) {
  SetPaneLayout(LOWORD(wParam), TRUE);
  return 0;
}

LRESULT SwapPanes(HWND, UINT, WPARAM, LPARAM) {
  for (const FilePane& p : FilePanes) {
    if (p.list) {
      HWND edit = ListView_GetEditControl(p.list);
      if (edit) SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    if (p.tree) TreeView_EndEditLabelNow(p.tree, TRUE);
  }
  SwapPaneRecords();
  SetPaneLayout(!g_paneLayout.twoPanes ? ID_LAYOUT_SINGLE : (g_paneLayout.orientation ? ID_LAYOUT_STACKED : ID_LAYOUT_SIDE_BY_SIDE),
                FALSE);
  const FilePane& active = FilePanes[ActivePaneIndex];
  HWND target = active.treeShown && active.tree ? active.tree : active.list;
  if (target) SetFocus(target);
  UpdatePaneTitlebars();
  return 0;
}

LRESULT CloseMainWindow(HWND window, UINT, WPARAM, LPARAM) {
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return 0;
}

LRESULT ToggleStatusBar(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  o.statusBarShown = !o.statusBarShown;
  if (g_frame.statusBar) ShowWindow(g_frame.statusBar, o.statusBarShown ? SW_SHOWNA : SW_HIDE);
  SetMenuItemCheck(window, ID_VIEW_STATUS_BAR, o.statusBarShown);
  RelayoutMainWindow(window, TRUE);
  if (o.statusBarShown && g_paneServices.updateStatusBar)
    g_paneServices.updateStatusBar(FilePanes[ActivePaneIndex].list, TRUE);
  return 0;
}

LRESULT ToggleSaveSettingsOnExit(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  o.saveOnExit = !o.saveOnExit;
  SetMenuItemCheck(window, ID_OPTIONS_SAVE_ON_EXIT, o.saveOnExit);
  return 0;
}

LRESULT SaveSettingsNow(HWND window, UINT, WPARAM, LPARAM) {
  for (int pane = 0; pane < 2; ++pane)
    if (FilePanes[pane].viewId == kViewDetails) SavePaneColumnWidths(pane);
  SaveAllSettings(window);
  return 0;
}

LRESULT SetViewMode(HWND window, UINT, WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  FilePane& p = FilePanes[ActivePaneIndex];
  if (!p.list) return 0;
  SetPaneViewMode(p.list, ViewStyleOfCommand(id), id);
  HMENU menu = GetMenu(window);
  if (menu) CheckMenuRadioItem(menu, ID_VIEW_LARGE_ICONS, ID_VIEW_DETAILS, id, MF_BYCOMMAND);
  if (g_paneServices.updateViewButtons) g_paneServices.updateViewButtons(id);
  return 0;
}

LRESULT ArrangeItems(HWND, UINT, WPARAM wParam, LPARAM) {
  SortActivePaneByCommand(LOWORD(wParam));
  return 0;
}

namespace {

// The child of the tree's root that stands for a special folder (My Computer), or null.
HTREEITEM FindSpecialChild(HWND tree, int csidl) {
  HTREEITEM root = TreeView_GetRoot(tree);
  if (!root) return nullptr;
  LPITEMIDLIST wanted = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &wanted)) || !wanted) return nullptr;
  IShellFolder* desktop = g_frame.desktop;
  HTREEITEM found = nullptr;
  for (HTREEITEM node = TreeView_GetChild(tree, root); node && desktop && !found;
       node = TreeView_GetNextSibling(tree, node)) {
    LPCITEMIDLIST absolute = TreeItemAbsolutePidl(tree, node);
    if (absolute && HRESULT_CODE(desktop->CompareIDs(0, absolute, wanted)) == 0) found = node;
  }
  FreePidl(wanted);
  return found;
}

}  // namespace

LRESULT RebuildFolderTrees(HWND, UINT, WPARAM, LPARAM) {
  if (!g_frame.desktop && FAILED(SHGetDesktopFolder(&g_frame.desktop))) g_frame.desktop = nullptr;
  if (!g_frame.desktop) return 0;
  HTREEITEM start[2] = {};
  g_treesBeingFilled = 1;
  for (int pane = 1; pane >= 0; --pane) {
    FilePane& p = FilePanes[pane];
    if (!p.tree) continue;
    ActivePaneIndex = pane;
    TreeView_DeleteAllItems(p.tree);
    FillFolderTree(p.tree, g_frame.desktop, nullptr, TVI_ROOT, 0);
    HTREEITEM root = TreeView_GetRoot(p.tree);
    if (!root) continue;
    TreeView_Expand(p.tree, root, TVE_EXPAND);
    if (p.path[0]) start[pane] = SelectTreePath(p.tree, p.path, FALSE);
    if (!start[pane]) {
      start[pane] = FindSpecialChild(p.tree, CSIDL_DRIVES);
      if (start[pane]) {
        ExpandFolderTreeItem(p.tree, start[pane]);
        TreeView_Expand(p.tree, start[pane], TVE_EXPAND);
      } else {
        start[pane] = root;
      }
    }
  }
  for (const FilePane& p : FilePanes)
    if (p.tree && TreeView_GetRoot(p.tree)) AddFtpSitesRoot(p.tree);
  g_treesBeingFilled = 0;
  // Selecting the start folders fills the lists (the tree's selection handling).
  for (int pane = 1; pane >= 0; --pane) {
    FilePane& p = FilePanes[pane];
    if (!p.tree || !start[pane]) continue;
    ActivePaneIndex = pane;
    TreeView_SelectItem(p.tree, nullptr);
    TreeView_SelectItem(p.tree, start[pane]);
    TreeView_EnsureVisible(p.tree, start[pane]);
  }
  ActivePaneIndex = 0;
  UpdatePaneTitlebars();
  return 0;
}

LRESULT GoUpOneLevel(HWND, UINT, WPARAM, LPARAM) {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (!tree) return 0;
  HTREEITEM selected = TreeView_GetSelection(tree);
  HTREEITEM parent = selected ? TreeView_GetParent(tree, selected) : nullptr;
  if (!parent) {
    MessageBeep(0);  // already at the top
    return 0;
  }
  TreeView_SelectItem(tree, parent);
  TreeView_EnsureVisible(tree, parent);
  return 0;
}

LRESULT ToggleFolderList(HWND window, UINT, WPARAM, LPARAM) {
  FilePane& p = FilePanes[ActivePaneIndex];
  if (!p.tree) return 0;
  p.treeShown = !p.treeShown;
  if (g_frame.addressCombo) ShowWindow(g_frame.addressCombo, p.treeShown ? SW_HIDE : SW_SHOWNA);
  if (g_frame.toolbar)
    SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, ID_VIEW_FOLDER_LIST, MAKELONG(p.treeShown != 0, 0));
  SetMenuItemCheck(window, ID_VIEW_FOLDER_LIST, p.treeShown);
  RelayoutMainWindow(window, TRUE);
  bool hadFocus = GetFocus() == p.tree;
  ShowWindow(p.tree, p.treeShown ? SW_SHOWNA : SW_HIDE);
  if (!p.treeShown && hadFocus && p.list) SetFocus(p.list);
  return 0;
}

LRESULT CycleFocus(HWND window, UINT, WPARAM, LPARAM) {
  if (GetForegroundWindow() != window) return 0;
  HWND commandLine = g_frame.commandLineEdit;
  bool commandLineShown = GetLiveOptions().dosBarShown && commandLine && IsWindowVisible(commandLine);
  HWND cycle[5] = {FilePanes[0].tree, FilePanes[0].list, FilePanes[1].tree, FilePanes[1].list,
                   commandLineShown ? commandLine : nullptr};
  auto usable = [&](int i) {
    HWND w = cycle[i];
    if (!w || !IsWindowVisible(w)) return false;
    if (i >= 2 && i <= 3 && !g_paneLayout.twoPanes) return false;
    return true;
  };
  HWND focus = GetFocus();
  int at = -1;
  for (int i = 0; i < 5; ++i)
    if (cycle[i] && (focus == cycle[i] || IsChild(cycle[i], focus))) at = i;
  int next = -1;
  if (at >= 0 && at < 4) {
    for (int step = 1; step <= 4 && next < 0; ++step) {
      int i = (at + step) % 5;
      if (usable(i)) next = i;
    }
  }
  if (next < 0) next = usable(0) ? 0 : 1;  // from the command line or elsewhere: pane 0
  if (cycle[next]) SetFocus(cycle[next]);
  return 0;
}
