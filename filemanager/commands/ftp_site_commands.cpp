// The FTP menu and the toolbar's FTP button: add, edit and delete a site, download the selected
// remote items, upload into the selected remote folder, show or hide a site's status dialog.
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "ftp_engine.h"
#include "ftp_folder_ui.h"
#include "pane_drop_targets.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "tree_nodes.h"

namespace {

struct Held {
  FtpFolder* folder = nullptr;
  ~Held() {
    if (folder) folder->Release();
  }
};

// The site named by the tree's selection (focus in the tree) or by the list's selection while
// the list shows the FTP-sites root.
std::string SelectedSiteName(int pane, FtpFolder* root) {
  FilePane& p = FilePanes[pane];
  if (p.tree && GetFocus() == p.tree) {
    HTREEITEM node = TreeView_GetSelection(p.tree);
    FolderTreeItem* record = node ? GetTreeItemRecord(p.tree, node) : nullptr;
    if (record && (record->kind & kTreeKindFtpSite)) return FtpItemName(record->relative);
    return {};
  }
  if (p.list) {
    int index = ListView_GetNextItem(p.list, -1, LVNI_SELECTED);
    FileListItem* item = index >= 0 ? GetListItemRecord(p.list, index) : nullptr;
    if (item && item->folder == static_cast<IShellFolder*>(root)) return FtpItemName(item->pidl);
  }
  if (p.tree) {
    HTREEITEM node = TreeView_GetSelection(p.tree);
    FolderTreeItem* record = node ? GetTreeItemRecord(p.tree, node) : nullptr;
    if (record && (record->kind & kTreeKindFtpSite)) return FtpItemName(record->relative);
  }
  return {};
}

FtpFolder* SelectedTreeFolder(int pane) {
  HWND tree = FilePanes[pane].tree;
  return tree ? FtpFolderOfTreeItem(pane, TreeView_GetSelection(tree)) : nullptr;
}

FtpFolder* SiteFolderNamed(FtpFolder* root, const std::string& name) {
  FtpSiteRecord* r = FindFtpSite(root->sites, name.c_str());
  return r ? r->folder : nullptr;
}

// Collects the selected list items of an FTP folder and downloads them.
int DownloadSelection(HWND owner, int pane, bool toFolder, const char* localFolder) {
  HWND list = FilePanes[pane].list;
  if (!list) return 0;
  FtpFolder* folder = nullptr;
  std::vector<LPCITEMIDLIST> items;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* item = GetListItemRecord(list, i);
    if (!item || !item->folder) continue;
    auto* f = static_cast<FtpFolder*>(item->folder);
    if (!folder) folder = f;
    if (f == folder) items.push_back(item->pidl);
  }
  if (!folder || items.empty() || folder->level < 2) return 0;
  if (toFolder) return DownloadFtpItemsToFolder(owner, folder, static_cast<UINT>(items.size()), items.data(), localFolder);
  return DownloadFtpItems(owner, folder, static_cast<UINT>(items.size()), items.data());
}

bool ListShowsFtp(int pane) {
  HWND tree = FilePanes[pane].tree;
  HTREEITEM node = tree ? TreeView_GetSelection(tree) : nullptr;
  FolderTreeItem* record = node ? GetTreeItemRecord(tree, node) : nullptr;
  return record && (record->kind & kTreeKindFtpBranch);
}

// Where entries dragged out of a pane are downloaded before the drop target takes them.
std::string FtpDragFolder() {
  char temp[MAX_PATH] = "";
  if (!GetTempPathA(sizeof temp, temp) || !temp[0]) return {};
  std::string folder = temp;
  if (folder.back() != '\\') folder += '\\';
  folder += "~~JQDRAG";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

}  // namespace

LRESULT RunFtpSiteCommand(HWND window, UINT, WPARAM wParam, LPARAM) {
  int pane = ActivePaneIndex;
  IShellFolder* rootFolder = GetFtpRootFolder(pane);
  if (!rootFolder) return 0;
  Held root{static_cast<FtpFolder*>(rootFolder)};
  switch (LOWORD(wParam)) {
    case ID_FTP_1:
      NewFtpSite(window, root.folder);
      break;
    case ID_FTP_2: {
      std::string name = SelectedSiteName(pane, root.folder);
      if (!name.empty()) EditFtpSite(window, root.folder, name.c_str());
      break;
    }
    case ID_FTP_4:
      if (ListShowsFtp(pane)) DownloadSelection(window, pane, false, nullptr);
      break;
    case ID_FTP_5: {
      Held target{SelectedTreeFolder(pane)};
      if (target.folder && target.folder->level >= 2) UploadToFtpFolder(window, target.folder);
      break;
    }
    case ID_FTP_6: {
      std::string name = SelectedSiteName(pane, root.folder);
      if (!name.empty()) DeleteFtpSite(window, root.folder, name.c_str());
      break;
    }
    case ID_FTP_9: {
      FtpFolder* site = SiteFolderNamed(root.folder, SelectedSiteName(pane, root.folder));
      if (site) ToggleFtpStatusDialog(site);
      break;
    }
  }
  return 0;
}

HMENU BuildFtpSitesMenu(int pane) {
  HMENU menu = CreatePopupMenu();
  auto add = [&](UINT id, UINT text) { AppendMenuA(menu, MF_STRING, id, FtpString(text).c_str()); };
  add(ID_FTP_SITES_ROOT, ID_FTP_SITES_ROOT);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(ID_FTP_1, ID_FTP_1);
  add(ID_FTP_2, ID_FTP_2);
  add(ID_FTP_6, ID_FTP_6);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(ID_FTP_4, ID_FTP_4);
  add(ID_FTP_5, ID_FTP_5);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  BOOL shown = FALSE;
  if (FtpFolder* root = PeekFtpRootFolder(pane)) {
    FtpFolder* site = SiteFolderNamed(root, SelectedSiteName(pane, root));
    if (site) IsFtpStatusDialogVisible(site, &shown);
  }
  AppendMenuA(menu, MF_STRING, ID_FTP_9, FtpString(shown ? 55196 : 55187).c_str());
  return menu;
}

LRESULT ShowFtpDropDownMenu(HWND window, UINT, WPARAM, LPARAM) {
  HMENU menu = BuildFtpSitesMenu(ActivePaneIndex);
  RECT r{};
  POINT at{0, 0};
  if (g_frame.toolbar && SendMessageA(g_frame.toolbar, TB_GETRECT, ID_FTP_DROP_DOWN, reinterpret_cast<LPARAM>(&r))) {
    at = {r.left, r.bottom};
    ClientToScreen(g_frame.toolbar, &at);
  } else {
    GetCursorPos(&at);
  }
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, window, nullptr);
  DestroyMenu(menu);
  if (chosen) PostMessageA(window, WM_COMMAND, chosen, 0);
  return 0;
}

int DownloadFtpSelection(int pane, HWND list, const char* localFolder) {
  if (list != FilePanes[pane].list || ListView_GetSelectedCount(list) == 0) return 0;
  return DownloadSelection(g_mainWindow, pane, true, localFolder);
}

BOOL PaneShowsFtpFolder(int pane) {
  if (pane < 0 || pane > 1 || !ListShowsFtp(pane)) return FALSE;
  Held folder{SelectedTreeFolder(pane)};
  return folder.folder && folder.folder->level >= 2;
}

IDataObject* FtpSelectionDragData(int pane) {
  HWND list = FilePanes[pane].list;
  std::string folder = FtpDragFolder();
  if (!list || folder.empty()) return nullptr;
  std::vector<std::string> paths;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* item = GetListItemRecord(list, i);
    const char* name = item && item->folder && item->pidl ? FtpItemName(item->pidl) : "";
    if (!*name || IsUnsafeFtpName(name)) continue;
    std::string path = folder + "\\" + name;
    if (path.size() < MAX_PATH) paths.push_back(path);
  }
  if (paths.empty()) return nullptr;
  return CreatePathListDataObject(std::move(paths));
}

BOOL DownloadFtpSelectionForDrag(int pane, HWND list) {
  std::string folder = FtpDragFolder();
  if (folder.empty()) return FALSE;
  return DownloadFtpSelection(pane, list, folder.c_str()) ? TRUE : FALSE;
}
