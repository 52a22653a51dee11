// Notifications from the panes' lists and trees, and the road from a tree selection to the list
// that shows the selected folder.
#include <cstring>
#include "context_menus.h"
#include "file_list.h"
#include "file_operations.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "folder_watch.h"
#include "pane_host.h"
#include "navigation_history.h"
#include "path_utils.h"
#include "pidl.h"
#include "settings_store.h"
#include "shell_children.h"
#include "program_values.h"
#include "vfolder_links.h"
#include "command_ids.h"

UINT g_treesBeingFilled = 0;
UINT g_navigatingHistory = 0;

namespace {

constexpr UINT_PTR kSelectionTimerId = 20000;
constexpr UINT kSelectionDelayMs = 250;
UINT g_selectionTimerArmed = 1;
HWND g_selectionTimerWindow = nullptr;

bool ViewerShown() {
  return GetLiveOptions().viewerShown;
}

void DeselectUpEntryAmongOthers(HWND list) {
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) <= 0 || GetListItemRecord(list, 0)) return;
  if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) < 2) return;
  if (SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) != 0) return;
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

void CALLBACK SelectionTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  HWND list = FilePanes[ActivePaneIndex].list;
  if (ViewerShown() && g_paneServices.updateViewer) g_paneServices.updateViewer(TRUE);
  if (list) DeselectUpEntryAmongOthers(list);
  if (list && g_paneServices.updateStatusBar) g_paneServices.updateStatusBar(list, FALSE);
  if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
  g_selectionTimerArmed = 1;
}

void EmptyStatusParts() {
  HWND statusBar = PaneStatusBar();
  if (!statusBar) return;
  for (int part = 0; part < 3; ++part) SendMessageA(statusBar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(""));
}

void EmptyList(int pane) {
  FilePane& record = FilePanes[pane];
  if (record.list) SendMessageA(record.list, LVM_DELETEALLITEMS, 0, 0);
  record.itemCount = 0;
  record.totalSize = 0;
}

int ListImageOf(const FileListItem* record) {
  if (record->kind == kItemArchiveEntry || !record->folder || !record->pidl) {
    SHFILEINFOA info{};
    const char* name = record->entryPath ? record->entryPath : "x";
    DWORD attributes = (record->fileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    SHGetFileInfoA(name, attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
  }
  QuietErrors quiet;
  int index = SHMapPIDLToSystemImageListIndex(record->folder, record->pidl, nullptr);
  return index < 0 ? 0 : index;
}

void OnTreeGetDispInfo(NMTVDISPINFOA* info) {
  auto* record = reinterpret_cast<FolderTreeItem*>(info->item.lParam);
  if (!(info->item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE))) return;
  int image = 0, selected = 0;
  if (!record || (record->kind & kTreeKindFtpBranch) || !record->absolute) {
    SHFILEINFOA fileInfo{};
    SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &fileInfo, sizeof fileInfo,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    image = selected = fileInfo.iIcon;
  } else {
    QuietErrors quiet;
    SHFILEINFOA fileInfo{};
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absolute), 0, &fileInfo, sizeof fileInfo,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    image = fileInfo.iIcon;
    SHGetFileInfoA(reinterpret_cast<LPCSTR>(record->absolute), 0, &fileInfo, sizeof fileInfo,
                   SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    selected = fileInfo.iIcon;
  }
  info->item.iImage = image;
  info->item.iSelectedImage = selected;
  info->item.mask |= TVIF_DI_SETITEM;
}

// Opens a folder item of the list (or the up entry) through the pane's tree.
bool OpenFolderThroughTree(int pane, const FileListItem* record) {
  HWND tree = FilePanes[pane].tree;
  if (!tree) return false;
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!selected) return false;
  if (!record) {
    HTREEITEM parent = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(selected)));
    if (!parent) return false;
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(parent));
    return true;
  }
  if (!(record->attributes & SFGAO_FOLDER) || !record->pidl) return false;
  ExpandFolderTreeItem(tree, selected);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(selected));
  for (HTREEITEM child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(selected)));
       child; child = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)))) {
    FolderTreeItem* node = GetTreeItemRecord(tree, child);
    if (!node || !node->folder || !node->relative) continue;
    HRESULT hr = node->folder->CompareIDs(0, node->relative, record->pidl);
    if (SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0) {
      SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(child));
      return true;
    }
  }
  return false;
}

void OnListActivate(HWND mainWindow, int pane, HWND list) {
  LVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(list, &hit.pt);
  int index = static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (index < 0 || !(hit.flags & (LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON))) {
    index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (index < 0) return;
  }
  FileListItem* record = GetListItemRecord(list, index);
  if (FilePanes[pane].listKind == kListKindArchive) {
    OpenArchivePaneItem(pane);  // entries of archives open through the archive engines
    return;
  }
  if (record)
    OpenListItemInPane(pane, record, FALSE);
  else if (!OpenFolderThroughTree(pane, record))
    MessageBeep(0);
}

LRESULT OnListNotify(HWND mainWindow, int pane, NMHDR* header) {
  HWND list = header->hwndFrom;
  const LiveOptions& options = GetLiveOptions();
  switch (header->code) {
    case LVN_MARQUEEBEGIN: {
      if (!options.fullRowSelect || FilePanes[ActivePaneIndex].viewId != kViewDetails) return 0;
      LVHITTESTINFO hit{};
      GetCursorPos(&hit.pt);
      ScreenToClient(list, &hit.pt);
      SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      return (hit.flags & LVHT_NOWHERE) ? 0 : 1;
    }
    case LVN_GETDISPINFOA: {
      if (g_shellEnumBusy) return 0;
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      auto* record = reinterpret_cast<FileListItem*>(info->item.lParam);
      if (info->item.mask & LVIF_TEXT) GetListColumnText(info, record, pane, nullptr);
      if ((info->item.mask & LVIF_IMAGE) && record) {
        info->item.iImage = ListImageOf(record);
        info->item.mask |= LVIF_DI_SETITEM;
      }
      return 0;
    }
    case LVN_ITEMACTIVATE:
      if (options.singleClickOpens) OnListActivate(mainWindow, pane, list);
      return 0;
    case LVN_COLUMNCLICK:
      OnListColumnClick(pane, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
      return 0;
    case LVN_BEGINLABELEDITA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(header);
      FileListItem* record = GetListItemRecord(list, info->item.iItem);
      if (!record || !(record->attributes & SFGAO_CANRENAME)) return 1;
      g_renameInProgress = 1;
      return 0;
    }
    case LVN_ENDLABELEDITA:
      return CommitLabelRename(header, list);
    case LVN_DELETEITEM:
      FreeFileListItem(reinterpret_cast<FileListItem*>(reinterpret_cast<NMLISTVIEW*>(header)->lParam));
      return 0;
    case LVN_ITEMCHANGED: {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if (change->iItem <= 0) DeselectUpEntryAmongOthers(list);
      // A timer whose window is gone never fires: the next change arms a new one.
      if (g_selectionTimerArmed || !IsWindow(g_selectionTimerWindow)) {
        g_selectionTimerArmed = 0;
        g_selectionTimerWindow = mainWindow;
        SetTimer(mainWindow, kSelectionTimerId, kSelectionDelayMs, SelectionTimerProc);
      }
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return options.colorCompressed ? CDRF_NOTIFYITEMDRAW : 0;
      if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        auto* record = reinterpret_cast<FileListItem*>(draw->nmcd.lItemlParam);
        if (record) {
          bool compressed = IsNT ? (record->attributes & SFGAO_COMPRESSED)
                                 : ((record->attributes & SFGAO_FILESYSTEM) &&
                                    (record->fileAttributes & FILE_ATTRIBUTE_COMPRESSED));
          if (compressed) draw->clrText = options.compressedColor;
        }
      }
      return CDRF_DODEFAULT;
    }
    case NM_KILLFOCUS:
      InvalidateRect(list, nullptr, FALSE);
      return 0;
    case NM_SETFOCUS:
      ActivePaneIndex = pane;
      g_commandLineFocus = 0;
      SetPaneLastFocus(list);
      if (g_paneServices.updateTitlebars) g_paneServices.updateTitlebars();
      if (ViewerShown() && g_paneServices.updateViewer) g_paneServices.updateViewer(TRUE);
      if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
      if (g_paneServices.updateStatusBar) g_paneServices.updateStatusBar(list, TRUE);
      FocusFirstItemIfNone(list);
      return 0;
    case NM_DBLCLK:
      OnListActivate(mainWindow, pane, list);
      return 0;
    case NM_RCLICK:
      return OnPaneRightClick(mainWindow, pane, list);
  }
  return 0;
}

void OnTreeSelectionChanged(HWND mainWindow, int pane, HTREEITEM node) {
  if (PaneHostClosing() || g_treesBeingFilled) return;
  if (const FolderTreeItem* chosen = GetTreeItemRecord(FilePanes[pane].tree, node))
    NotePaneTreeSelection(pane, chosen->absolute);
  FilePane& paneRecord = FilePanes[pane];
  HWND tree = paneRecord.tree;
  HWND list = paneRecord.list;
  ActivePaneIndex = pane;
  if (g_paneServices.updateTitlebars) g_paneServices.updateTitlebars();
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  if (!record || !list) return;
  const bool ftp = (record->kind & kTreeKindFtpBranch) || IsFtpPidl(record->absolute);
  ULONG attributes = record->attributes;
  if (!ftp && record->folder && record->relative && record->relative->mkid.cb) {
    ULONG asked = SFGAO_FILESYSTEM | SFGAO_FOLDER;
    LPCITEMIDLIST item = record->relative;
    if (SUCCEEDED(record->folder->GetAttributesOf(1, &item, &asked))) attributes = asked | (attributes & ~asked);
  }
  if (!g_navigatingHistory && record->absolute) PushHistoryEntry(pane, record->absolute);
  PausePanePoller(pane);
  if (!(attributes & SFGAO_FILESYSTEM) && g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
  if (mainWindow && g_title[0]) SetWindowTextA(mainWindow, g_title);
  EmptyStatusParts();
  if (ViewerShown() && g_paneServices.updateViewer) g_paneServices.updateViewer(FALSE);
  paneRecord.listKind = kListKindShellFolder;
  paneRecord.zipAsFolder = 0;

  HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  if (node == root) {
    FillFileList(list, 0, record->folder, FALSE);
    char desktop[MAX_PATH] = "";
    if (SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE) && desktop[0])
      WatchPaneFolder(desktop, pane);
    return;
  }
  if (ftp) {
    // The FTP-sites node lists the pane's root; a site or remote folder lists through its parent.
    IShellFolder* folder = (record->kind & kTreeKindFtpRoot) ? GetFtpRootFolder(pane) : record->folder;
    if (folder && !(record->kind & kTreeKindFtpRoot)) folder->AddRef();
    if (folder) {
      FillFileListFiltered(list, record);
      folder->Release();
    } else {
      EmptyList(pane);
    }
    return;
  }
  if (attributes & SFGAO_FILESYSTEM) {
    if (!EnsureFolderReachable(record->folder, record->relative, tree, TreeItemAbsolutePidl)) {
      EmptyList(pane);
      return;
    }
    char path[MAX_PATH] = "";
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
    DWORD fileAttributes = path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (fileAttributes != INVALID_FILE_ATTRIBUTES && (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
        IsInsideZipPath(path)) {
      paneRecord.zipAsFolder = 1;
      if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
    }
    if (!GetLiveOptions().noArchivesAsFolders && fileAttributes != INVALID_FILE_ATTRIBUTES &&
        !(fileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsArchivePath(nullptr, nullptr, path, nullptr)) {
      paneRecord.listKind = kListKindArchive;
      OpenArchiveAsFolder(pane, record->folder, record->relative, list);
      return;
    }
    if (!FillFileListFiltered(list, record)) EmptyList(pane);
    if (path[0]) WatchPaneFolder(path, pane);
    return;
  }
  IShellFolder* folder = nullptr;
  {
    QuietErrors quiet;
    if (FAILED(record->folder->BindToObject(record->relative, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(&folder))))
      folder = nullptr;
  }
  if (!folder) {
    EmptyList(pane);
    return;
  }
  FillFileList(list, 0, folder, FALSE);
  folder->Release();
  ResumePanePoller(pane);
}

LRESULT OnTreeNotify(HWND mainWindow, int pane, NMHDR* header) {
  HWND tree = header->hwndFrom;
  switch (header->code) {
    case NM_CUSTOMDRAW:
      return TreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header));
    case NM_KILLFOCUS:
      InvalidateRect(tree, nullptr, FALSE);
      return 0;
    case NM_SETFOCUS:
      ActivePaneIndex = pane;
      SetPaneLastFocus(tree);
      if (g_paneServices.updateTitlebars) g_paneServices.updateTitlebars();
      if (ViewerShown() && g_paneServices.updateViewer) g_paneServices.updateViewer(FALSE);
      if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
      if (g_paneServices.updateStatusBar && FilePanes[pane].list)
        g_paneServices.updateStatusBar(FilePanes[pane].list, TRUE);
      return 0;
    case NM_DBLCLK:
      if (GetKeyState(VK_MENU) < 0) PostMessageA(mainWindow, WM_COMMAND, ID_FILE_PROPERTIES, 0);
      return 0;
    case NM_RCLICK:
      return OnPaneRightClick(mainWindow, pane, tree);
    case NM_CLICK: {
      TVHITTESTINFO hit{};
      GetCursorPos(&hit.pt);
      ScreenToClient(tree, &hit.pt);
      HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
      if (!item || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) return 0;
      if (item != reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0))) return 0;
      FolderTreeItem* record = GetTreeItemRecord(tree, item);
      if (!record || !(record->attributes & SFGAO_FILESYSTEM) || !record->folder) return 0;
      if (!EnsureFolderReachable(record->folder, record->relative, tree, TreeItemAbsolutePidl)) EmptyList(pane);
      return 0;
    }
    case TVN_BEGINLABELEDITA: {
      auto* info = reinterpret_cast<NMTVDISPINFOA*>(header);
      FolderTreeItem* record = reinterpret_cast<FolderTreeItem*>(info->item.lParam);
      if (!record || (record->kind & kTreeKindFtpSite) || !record->folder || !record->relative) return 1;
      ULONG attributes = SFGAO_CANRENAME;
      LPCITEMIDLIST item = record->relative;
      if (FAILED(record->folder->GetAttributesOf(1, &item, &attributes)) || !(attributes & SFGAO_CANRENAME)) return 1;
      g_renameInProgress = 1;
      return 0;
    }
    case TVN_ENDLABELEDITA:
      return CommitLabelRename(header, tree);
    case TVN_DELETEITEMA:
      FreeFolderTreeItem(reinterpret_cast<FolderTreeItem*>(reinterpret_cast<NMTREEVIEWA*>(header)->itemOld.lParam));
      return 0;
    case TVN_ITEMEXPANDINGA: {
      auto* change = reinterpret_cast<NMTREEVIEWA*>(header);
      if (change->action & TVE_EXPAND) ExpandFolderTreeItem(tree, change->itemNew.hItem);
      return 0;
    }
    case TVN_GETDISPINFOA:
      OnTreeGetDispInfo(reinterpret_cast<NMTVDISPINFOA*>(header));
      return 0;
    case TVN_SELCHANGEDA:
      OnTreeSelectionChanged(mainWindow, pane, reinterpret_cast<NMTREEVIEWA*>(header)->itemNew.hItem);
      return 0;
  }
  return 0;
}

}  // namespace

LRESULT OnPaneNotify(HWND mainWindow, int controlId, NMHDR* header, BOOL* handled) {
  if (handled) *handled = FALSE;
  if (!header) return 0;
  int pane = PaneIndexOfWindow(header->hwndFrom);
  switch (controlId) {
    case kListIdPane0:
    case kListIdPane1:
      if (header->hwndFrom != FilePanes[pane].list) return 0;
      if (handled) *handled = TRUE;
      if (PaneHostClosing() && header->code != LVN_DELETEITEM) return 0;
      return OnListNotify(mainWindow, pane, header);
    case kTreeIdPane0:
    case kTreeIdPane1:
      if (header->hwndFrom != FilePanes[pane].tree) return 0;
      if (handled) *handled = TRUE;
      if (PaneHostClosing() && header->code != TVN_DELETEITEMA) return 0;
      return OnTreeNotify(mainWindow, pane, header);
  }
  return 0;
}
