// Refreshing a pane's list and tree by mark and sweep, and the Refresh command.
#include "shell_enum.h"
#include "pane_refresh.h"
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include "file_filter.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "folder_watch.h"
#include "path_utils.h"
#include "pidl.h"
#include "settings_store.h"
#include "program_values.h"
#include "vfolder_links.h"
#include "command_ids.h"

UINT g_listRefilling = 0;
UINT g_paneRefreshCount[2] = {0, 0};
UINT g_refreshViewCount = 0;
void (*g_treeRefreshProbe)(int pane) = nullptr;

namespace {

std::string UpperText(const char* text) {
  std::string key = text ? text : "";
  if (!key.empty()) CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
  return key;
}

bool SameItem(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!folder || !a || !b) return false;
  HRESULT hr = folder->CompareIDs(0, a, b);
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}

// The file-name key of an item of a folder: its parsing name within the folder, upper-cased.
std::string ItemKey(IShellFolder* folder, LPCITEMIDLIST item) {
  char name[MAX_PATH] = "";
  if (!folder || !item || !GetDisplayNameText(folder, item, SHGDN_INFOLDER | SHGDN_FORPARSING, name)) return "";
  return UpperText(name);
}

uint64_t SizeOf(const WIN32_FIND_DATAA& data) {
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// ---- The list snapshot of a file-system refill --------------------------------------------
// One record per list item with a record, in list order. New items are inserted at the front
// (index `added`), so the item of a snapshot record is at its old index plus `added`.
struct SnapshotEntry {
  FileListItem* record;
  int index;
  bool found;
};
struct ListSnapshot {
  HWND list = nullptr;
  std::vector<SnapshotEntry> entries;
  std::unordered_map<std::string, size_t> byName;
  int added = 0;
} g_snapshot;

// The list marks of an object refill: the records seen by the last enumeration.
std::unordered_set<const FileListItem*> g_listMarks;
std::vector<FileListItem*> g_markCandidates;

// Tree marks and the nodes whose children were read again in the current tree pass.
std::unordered_set<const FolderTreeItem*> g_treeMarks;
std::unordered_set<HTREEITEM> g_enumeratedNodes;
UINT g_treeRefreshRunning = 0;
UINT g_treeRefreshPending = 0;

// Children of the node being re-read, by their in-folder parsing name.
std::unordered_map<std::string, HTREEITEM>* g_childIndex = nullptr;

int IndexOfRecord(HWND list, const FileListItem* record, int guess) {
  if (guess >= 0 && GetListItemRecord(list, guess) == record) return guess;
  LVFINDINFOA find{};
  find.flags = LVFI_PARAM;
  find.lParam = reinterpret_cast<LPARAM>(record);
  return static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

// The item's texts and icon are asked for again.
void InvalidateListItem(HWND list, int index) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = index;
  item.pszText = LPSTR_TEXTCALLBACKA;
  item.iImage = I_IMAGECALLBACK;
  SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// The list item of an entry found again: it takes the fresh item id list, attributes and data.
bool UpdateExistingFileItem(HWND list, IShellFolder* folder, LPCITEMIDLIST pidl, const WIN32_FIND_DATAA& data) {
  if (g_snapshot.list != list) return false;
  auto it = g_snapshot.byName.find(UpperText(data.cFileName));
  if (it == g_snapshot.byName.end()) return false;
  SnapshotEntry& entry = g_snapshot.entries[it->second];
  if (entry.found) return false;
  FileListItem* record = entry.record;
  LPITEMIDLIST fresh = CopyPidl(GetShellAllocator(), pidl);
  if (fresh) {
    FreePidl(record->pidl);
    record->pidl = fresh;
    folder->AddRef();
    if (record->folder) record->folder->Release();
    record->folder = folder;
  }
  ULONG attributes = kListAttributeMask;
  LPCITEMIDLIST item = record->pidl;
  if (SUCCEEDED(folder->GetAttributesOf(1, &item, &attributes))) record->attributes = attributes & kListAttributeMask;
  record->fileAttributes = data.dwFileAttributes;
  record->lastWrite = data.ftLastWriteTime;
  record->size = SizeOf(data);
  entry.found = true;
  int index = IndexOfRecord(list, record, entry.index + g_snapshot.added);
  if (index >= 0) InvalidateListItem(list, index);
  return true;
}

// Exact find data of a whole folder by upper-cased name: the shell's own may carry only 32 bits
// of a size.
std::unordered_map<std::string, WIN32_FIND_DATAA> ReadFolderFindData(const char* folder) {
  std::unordered_map<std::string, WIN32_FIND_DATAA> entries;
  if (!folder || !folder[0]) return entries;
  std::string pattern = folder;
  if (pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    entries.emplace(UpperText(data.cFileName), data);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
}

HTREEITEM NextNode(HWND tree, HTREEITEM node, UINT how) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(node)));
}

UINT NodeState(HWND tree, HTREEITEM node, UINT mask) {
  return static_cast<UINT>(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), mask));
}

int NodeChildren(HWND tree, HTREEITEM node) {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.cChildren;
}


// The text of a tree node: the file name when real names are shown (a drive keeps its display
// name), else the display name.
void TreeNodeText(IShellFolder* folder, LPCITEMIDLIST item, ULONG attributes, char* text) {
  text[0] = 0;
  char parsing[MAX_PATH] = "";
  if (GetLiveOptions().showParsingNames && (attributes & SFGAO_FILESYSTEM) &&
      GetDisplayNameText(folder, item, SHGDN_FORPARSING, parsing) && parsing[0] && !IsDriveRootText(parsing)) {
    const char* slash = strrchr(parsing, '\\');
    lstrcpynA(text, slash && slash[1] ? slash + 1 : parsing, MAX_PATH);
    return;
  }
  GetDisplayNameText(folder, item, SHGDN_NORMAL, text);
}

void SortTreeChildren(HWND tree, HTREEITEM node) {
  TVSORTCB sort{};
  sort.hParent = node;
  sort.lpfnCompare = CompareFolderTreeItems;
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
}

// The folder whose children a node shows, with a new reference; null when it cannot be bound.
IShellFolder* BindNodeFolder(int pane, FolderTreeItem* record) {
  if (!record) return nullptr;
  if (record->kind & kTreeKindFtpRoot) return GetFtpRootFolder(pane);
  IShellFolder* folder = nullptr;
  if (!record->folder) return nullptr;
  if (!record->relative || !record->relative->mkid.cb) {
    // The desktop node.
    return SUCCEEDED(SHGetDesktopFolder(&folder)) ? folder : nullptr;
  }
  if (FAILED(record->folder->BindToObject(record->relative, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))))
    return nullptr;
  return folder;
}

void UpdateStatusAndSort(int pane) {
  FilePane& record = FilePanes[pane];
  HWND list = record.list;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  bool upEntry = count > 0 && !GetListItemRecord(list, 0);
  record.itemCount = static_cast<UINT>(count - (upEntry ? 1 : 0));
  if (pane == ActivePaneIndex && g_paneServices.updateStatusBar) g_paneServices.updateStatusBar(list, TRUE);
  SortedPaneIndex = pane;
  if (pane == ActivePaneIndex) {
    SortPaneList(pane);  // the toolbar's sort buttons follow the active pane
  } else {
    SetSortIndicator(pane, record.sortKey);
    SendMessageA(list, LVM_SORTITEMS, record.sortKey, reinterpret_cast<LPARAM>(CompareListItems));
  }
  int focused = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  if (focused >= 0) {
    LVITEMA item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, focused, reinterpret_cast<LPARAM>(&item));
  }
}

}  // namespace

// ---- Lists --------------------------------------------------------------------------------

BOOL RefreshFileSystemList(int pane, HWND list, FolderTreeItem* treeItem) {
  if (!list || !treeItem) return FALSE;
  const bool ftp = treeItem->kind & kTreeKindFtpBranch;
  IShellFolder* folder = nullptr;
  {
    QuietErrors quiet;
    if (treeItem->kind & kTreeKindFtpRoot) folder = GetFtpRootFolder(pane);
    else folder = BindNodeFolder(pane, treeItem);
  }
  if (!folder) return FALSE;
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  if (!children) {
    folder->Release();
    return FALSE;
  }
  // Snapshot of the list as it is.
  g_snapshot = ListSnapshot{};
  g_snapshot.list = list;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    FileListItem* record = GetListItemRecord(list, index);
    if (!record) continue;  // the up entry stays
    g_snapshot.entries.push_back({record, index, false});
    std::string key = ItemKey(record->folder, record->pidl);
    if (!key.empty()) g_snapshot.byName.emplace(key, g_snapshot.entries.size() - 1);
  }
  std::unordered_map<std::string, WIN32_FIND_DATAA> exact;
  if (!ftp) {
    char path[MAX_PATH];
    if (GetDisplayNameText(treeItem->folder, treeItem->relative, SHGDN_FORPARSING, path)) exact = ReadFolderFindData(path);
  }
  uint64_t total = 0;
  g_listRefilling = 1;
  g_shellEnumBusy = 1;
  children.ForEach([&](LPITEMIDLIST pidl) {
    WIN32_FIND_DATAA data{};
    bool have = ftp ? SUCCEEDED(GetFtpItemInfo(folder, pidl, &data, sizeof data))
                    : SUCCEEDED(SHGetDataFromIDListA(folder, pidl, SHGDFIL_FINDDATA, &data, sizeof data));
    if (have && !ftp) {
      auto found = exact.find(UpperText(data.cFileName));
      if (found != exact.end()) data = found->second;
    }
    if (!have && !ftp) have = FindDataByParsingName(folder, pidl, &data);
    // An entry whose data cannot be read is left out; the rest of its batch still comes.
    if (have && PassesFileFilter(data)) {
      total += SizeOf(data);
      if (!UpdateExistingFileItem(list, folder, pidl, data) &&
          AddFindDataItem(list, &data, folder, 0, g_snapshot.added, pidl))
        ++g_snapshot.added;
    }
    FreePidl(pidl);
    return true;
  });
  g_shellEnumBusy = 0;
  g_listRefilling = 0;
  FilePanes[pane].totalSize = total;
  folder->Release();
  return TRUE;
}

void RemoveVanishedListItems(HWND list) {
  if (g_snapshot.list != list) {
    g_snapshot = ListSnapshot{};
    return;
  }
  g_listRefilling = 1;
  int deleted = 0;
  for (const SnapshotEntry& entry : g_snapshot.entries) {
    if (entry.found) continue;
    int index = IndexOfRecord(list, entry.record, entry.index - deleted + g_snapshot.added);
    if (index >= 0 && SendMessageA(list, LVM_DELETEITEM, index, 0)) ++deleted;
  }
  g_listRefilling = 0;
  g_snapshot = ListSnapshot{};
}

void ClearListMarks(HWND list) {
  g_listMarks.clear();
  g_markCandidates.clear();
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index)
    if (FileListItem* record = GetListItemRecord(list, index)) g_markCandidates.push_back(record);
}

BOOL MarkExistingListItem(HWND list, IShellFolder* folder, LPCITEMIDLIST item, ULONG attributes) {
  for (FileListItem* record : g_markCandidates) {
    if (g_listMarks.count(record) || !SameItem(folder, record->pidl, item)) continue;
    record->attributes = attributes & kListAttributeMask;
    g_listMarks.insert(record);
    int index = IndexOfRecord(list, record, -1);
    if (index >= 0) InvalidateListItem(list, index);
    return TRUE;
  }
  return FALSE;
}

BOOL AddObjectListItem(HWND list, IShellFolder* folder, LPCITEMIDLIST item, ULONG attributes) {
  FileListItem* record = NewFileListItem(folder, item, attributes & kListAttributeMask);
  if (!record) return FALSE;
  record->kind = kItemNonFileSystem;
  record->fileAttributes = FILE_ATTRIBUTE_DIRECTORY;
  if (!InsertFileListItem(list, static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)), record)) {
    FreeFileListItem(record);
    return FALSE;
  }
  g_listMarks.insert(record);
  return TRUE;
}

BOOL RefreshObjectList(int pane, HWND list, FolderTreeItem*, IShellFolder* folder) {
  FilePanes[pane].itemCount = 0;
  FilePanes[pane].totalSize = 0;
  if (!folder) return FALSE;
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  if (!children) return FALSE;
  g_listRefilling = 1;
  g_shellEnumBusy = 1;
  children.ForEach([&](LPITEMIDLIST item) {
    ULONG attributes = kListAttributeMask;
    if (FAILED(folder->GetAttributesOf(1, const_cast<LPCITEMIDLIST*>(&item), &attributes))) attributes = 0;
    if (!MarkExistingListItem(list, folder, item, attributes)) AddObjectListItem(list, folder, item, attributes);
    FreePidl(item);
    return true;
  });
  g_shellEnumBusy = 0;
  g_listRefilling = 0;
  return TRUE;
}

void RemoveUnmarkedListItems(HWND list) {
  g_listRefilling = 1;
  int index = -1;
  for (;;) {
    int next = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_ALL));
    if (next < 0) break;
    FileListItem* record = GetListItemRecord(list, next);
    if (record && !g_listMarks.count(record)) {
      SendMessageA(list, LVM_DELETEITEM, next, 0);
      index = next - 1;  // the walk goes on from the item before
      continue;
    }
    index = next;
  }
  g_listMarks.clear();
  g_markCandidates.clear();
  g_listRefilling = 0;
}

void RefreshPane(int pane) {
  if (pane < 0 || pane > 1) return;
  if (pane == 1 && !g_paneLayout.twoPanes) return;
  FilePane& paneRecord = FilePanes[pane];
  HWND tree = paneRecord.tree;
  HWND list = paneRecord.list;
  if (!tree || !list) return;
  if (g_renameInProgress) {
    // A label is being edited; a flag left over by an edit that ended without its notice
    // holds nothing back.
    bool editing = false;
    for (const FilePane& other : FilePanes)
      editing |= (other.list && ListView_GetEditControl(other.list)) || (other.tree && TreeView_GetEditControl(other.tree));
    if (editing) return;
    g_renameInProgress = 0;
  }
  // The folder the tree has selected; a tree without a selection is left as it is.
  HTREEITEM selected = NextNode(tree, nullptr, TVGN_CARET);
  FolderTreeItem* item = selected ? GetTreeItemRecord(tree, selected) : nullptr;
  if (!item) return;
  const bool special = item->kind & (kTreeKindFtpSite | kTreeKindFtpFolder);
  ULONG attributes = 0;
  if (!special && !(item->kind & kTreeKindFtpRoot) && item->folder && item->relative && item->relative->mkid.cb) {
    attributes = SFGAO_FILESYSTEM;
    LPCITEMIDLIST relative = item->relative;
    QuietErrors quiet;
    if (FAILED(item->folder->GetAttributesOf(1, &relative, &attributes))) attributes = 0;
    // A folder that vanished may no longer answer: what the tree knew of it stands.
    if (!(attributes & SFGAO_FILESYSTEM)) attributes |= item->attributes & SFGAO_FILESYSTEM;
  }
  int mode;
  if (IsTreeRootSelected(tree)) mode = 2;
  else if (!special && !(attributes & SFGAO_FILESYSTEM)) mode = 1;
  else if (paneRecord.listKind != kListKindShellFolder) mode = -1;
  else mode = 0;
  ++g_paneRefreshCount[pane];

  if (mode == 0 || mode == -1) {
    if (!special) {
      RenewPaneWatch(pane);
      char path[MAX_PATH] = "";
      bool exists = item->absolute && SHGetPathFromIDListA(item->absolute, path) && path[0] &&
                    GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
      if (!exists) {
        // The folder is gone: its list is emptied.
        SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
        paneRecord.itemCount = 0;
        paneRecord.totalSize = 0;
        if (pane == ActivePaneIndex && g_paneServices.updateStatusBar) g_paneServices.updateStatusBar(list, TRUE);
        return;
      }
    }
    if (mode == -1) {
      OpenArchiveAsFolder(pane, item->folder, item->relative, list);
      return;
    }
  }
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  if (mode == 0) {
    if (RefreshFileSystemList(pane, list, item)) RemoveVanishedListItems(list);
  } else {
    IShellFolder* folder = nullptr;
    if (mode == 2) {
      if (FAILED(SHGetDesktopFolder(&folder))) folder = nullptr;
    } else {
      QuietErrors quiet;
      folder = BindNodeFolder(pane, item);
    }
    ClearListMarks(list);
    if (folder) {
      RefreshObjectList(pane, list, item, folder);
      folder->Release();
    }
    RemoveUnmarkedListItems(list);
  }
  UpdateStatusAndSort(pane);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// ---- Trees --------------------------------------------------------------------------------

void CollapseTreeItemReset(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  if (tree && item) SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(item));
}

void CollapseVanishedRemovableItems(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  HTREEITEM first = NextNode(tree, item, TVGN_CHILD);
  if (!first) return;
  for (HTREEITEM child = NextNode(tree, first, TVGN_CHILD); child; child = NextNode(tree, child, TVGN_NEXT)) {
    if (!(NodeState(tree, child, TVIS_EXPANDED) & TVIS_EXPANDED)) continue;
    FolderTreeItem* record = GetTreeItemRecord(tree, child);
    if (!record || !record->folder || !record->relative) continue;
    ULONG attributes = SFGAO_REMOVABLE;
    LPCITEMIDLIST relative = record->relative;
    if (FAILED(record->folder->GetAttributesOf(1, &relative, &attributes)) || !(attributes & SFGAO_REMOVABLE)) continue;
    char path[MAX_PATH] = "";
    if (GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path) &&
        GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
      CollapseTreeItemReset(pane, child);
  }
}

void ClearTreeMarks(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  for (HTREEITEM child = NextNode(tree, item, TVGN_CHILD); child;) {
    HTREEITEM next = NextNode(tree, child, TVGN_NEXT);
    if (FolderTreeItem* record = GetTreeItemRecord(tree, child)) {
      g_treeMarks.erase(record);
      UINT state = NodeState(tree, child, TVIS_EXPANDED | TVIS_EXPANDEDONCE);
      if (state & TVIS_EXPANDED) ClearTreeMarks(pane, child);
      else if (state & TVIS_EXPANDEDONCE) CollapseTreeItemReset(pane, child);  // read again on the next expand
    }
    child = next;
  }
}

void RefreshTreeChildren(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  if (!tree || !item) return;
  FolderTreeItem* parentRecord = GetTreeItemRecord(tree, item);
  if (!parentRecord) return;
  IShellFolder* folder = nullptr;
  HTREEITEM first = NextNode(tree, item, TVGN_CHILD);
  FolderTreeItem* firstRecord = first ? GetTreeItemRecord(tree, first) : nullptr;
  if (firstRecord && firstRecord->folder && !(firstRecord->kind & kTreeKindFtpRoot)) {
    folder = firstRecord->folder;
    folder->AddRef();
  } else if (!first && NodeChildren(tree, item) == 0 && !(parentRecord->kind & kTreeKindFtpBranch)) {
    // A node read before and found empty: its folder may have children now.
    QuietErrors quiet;
    folder = BindNodeFolder(pane, parentRecord);
  }
  if (!folder) return;
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  if (!children) {
    folder->Release();
    return;
  }
  // The children there are now, by name.
  std::unordered_map<std::string, HTREEITEM> index;
  for (HTREEITEM child = first; child; child = NextNode(tree, child, TVGN_NEXT)) {
    FolderTreeItem* record = GetTreeItemRecord(tree, child);
    if (!record || (record->kind & kTreeKindFtpRoot)) continue;
    std::string key = ItemKey(record->folder, record->relative);
    if (!key.empty()) index.emplace(key, child);
  }
  auto* outer = g_childIndex;
  const LiveOptions& options = GetLiveOptions();
  children.ForEach([&](LPITEMIDLIST child) {
    ULONG attributes = kTreeAttributeMask;
    if (FAILED(folder->GetAttributesOf(1, const_cast<LPCITEMIDLIST*>(&child), &attributes))) attributes = 0;
    attributes &= kTreeAttributeMask;
    const bool isFolder = attributes & SFGAO_FOLDER;
    const bool fileSystem = attributes & SFGAO_FILESYSTEM;
    bool take = isFolder || fileSystem;
    char parsing[MAX_PATH] = "";
    if (take && fileSystem) GetDisplayNameText(folder, child, SHGDN_FORPARSING, parsing);
    if (take && isFolder && IsDriveRootText(parsing) && IsDriveHidden(parsing)) take = false;
    if (take && !isFolder)
      take = !options.noArchivesAsFolders && parsing[0] && IsArchivePath(nullptr, nullptr, parsing, nullptr);
    if (take) {
      g_childIndex = &index;
      AddOrMarkTreeChild(pane, item, folder, child, parentRecord->absolute, attributes, FALSE);
      g_childIndex = outer;
    }
    FreePidl(child);
    return true;
  });
  folder->Release();
  g_enumeratedNodes.insert(item);
  SortTreeChildren(tree, item);
}

void AddOrMarkTreeChild(int pane, HTREEITEM parent, IShellFolder* folder, LPCITEMIDLIST child,
                        LPCITEMIDLIST parentAbsolute, ULONG attributes, BOOL ftp) {
  HWND tree = FilePanes[pane].tree;
  if (!tree || !folder || !child) return;
  HTREEITEM found = nullptr;
  if (g_childIndex) {
    auto it = g_childIndex->find(ItemKey(folder, child));
    if (it != g_childIndex->end()) {
      FolderTreeItem* record = GetTreeItemRecord(tree, it->second);
      if (record && SameItem(folder, record->relative, child)) found = it->second;
    }
  }
  if (!found) {
    for (HTREEITEM node = NextNode(tree, parent, TVGN_CHILD); node && !g_childIndex; node = NextNode(tree, node, TVGN_NEXT)) {
      FolderTreeItem* record = GetTreeItemRecord(tree, node);
      if (record && !(record->kind & kTreeKindFtpRoot) && SameItem(folder, record->relative, child)) found = node;
      if (found) break;
    }
  }
  char text[MAX_PATH];
  TreeNodeText(folder, child, attributes, text);
  if (!text[0]) return;  // a child without a name is left out
  const bool hasChildren = (attributes & SFGAO_HASSUBFOLDER) || ((attributes & SFGAO_FILESYSTEM) && !(attributes & SFGAO_FOLDER));
  if (found) {
    FolderTreeItem* record = GetTreeItemRecord(tree, found);
    g_treeMarks.insert(record);
    record->attributes = attributes;
    if (NodeState(tree, found, TVIS_EXPANDED) & TVIS_EXPANDED) {
      if (ftp) RefreshFtpBranch(pane, found);
      else RefreshTreeChildren(pane, found);
    }
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = found;
    item.pszText = text;
    if (hasChildren && !NextNode(tree, found, TVGN_CHILD)) {
      item.mask |= TVIF_CHILDREN;
      item.cChildren = 1;
    }
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return;
  }
  FolderTreeItem* parentRecord = GetTreeItemRecord(tree, parent);
  UINT parentKind = parentRecord ? parentRecord->kind : 0;
  UINT kind = 0;
  if (parentKind & kTreeKindFtpRoot) kind = kTreeKindFtpBranch | kTreeKindFtpSite;
  else if (parentKind & (kTreeKindFtpSite | kTreeKindFtpFolder)) kind = kTreeKindFtpBranch | kTreeKindFtpFolder;
  auto* record = static_cast<FolderTreeItem*>(AllocShellMemory(sizeof(FolderTreeItem)));
  if (!record) return;
  record->relative = CopyPidl(GetShellAllocator(), child);
  record->absolute = CombinePidls(parentAbsolute, child);
  if (!record->relative || !record->absolute) {
    FreePidl(record->relative);
    FreePidl(record->absolute);
    FreePidl(record);
    return;
  }
  record->folder = folder;
  folder->AddRef();
  record->attributes = attributes;
  record->kind = kind;
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_FIRST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = text;
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = hasChildren ? 1 : 0;
  insert.item.lParam = reinterpret_cast<LPARAM>(record);
  if (!SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert))) {
    FreeFolderTreeItem(record);
    return;
  }
  g_treeMarks.insert(record);
  // The parent has a child now.
  TVITEMA parentItem{};
  parentItem.mask = TVIF_CHILDREN | TVIF_HANDLE;
  parentItem.hItem = parent;
  parentItem.cChildren = 1;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&parentItem));
}

void RefreshFtpBranch(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  FolderTreeItem* record = GetTreeItemRecord(tree, item);
  if (!record) return;
  HTREEITEM first = NextNode(tree, item, TVGN_CHILD);
  if (!first || !GetTreeItemRecord(tree, first)) return;
  auto* siteFolder = static_cast<FtpFolder*>(GetTreeItemRecord(tree, first)->folder);
  if ((record->kind & kTreeKindFtpSite) && !IsFtpSiteConnected(siteFolder)) {
    // A site that is not connected is read again on its next expand.
    CollapseTreeItemReset(pane, item);
    TVITEMA button{};
    button.mask = TVIF_CHILDREN | TVIF_HANDLE;
    button.hItem = item;
    button.cChildren = 1;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&button));
    return;
  }
  IShellFolder* folder = GetTreeItemRecord(tree, first)->folder;
  if (!folder) return;
  folder->AddRef();
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  if (children) {
    children.ForEach([&](LPITEMIDLIST child) {
      ULONG attributes = kTreeAttributeMask;
      if (FAILED(folder->GetAttributesOf(1, const_cast<LPCITEMIDLIST*>(&child), &attributes))) attributes = 0;
      if (attributes & SFGAO_FOLDER)
        AddOrMarkTreeChild(pane, item, folder, child, record->absolute, attributes & kTreeAttributeMask, TRUE);
      FreePidl(child);
      return true;
    });
    g_enumeratedNodes.insert(item);
  }
  folder->Release();
  SortTreeChildren(tree, item);
}

void RemoveUnmarkedTreeItems(int pane, HTREEITEM item) {
  HWND tree = FilePanes[pane].tree;
  const bool enumerated = g_enumeratedNodes.count(item) != 0;
  HTREEITEM child = NextNode(tree, item, TVGN_CHILD);
  if (!child) {
    if (!enumerated) return;
    TVITEMA none{};
    none.mask = TVIF_CHILDREN | TVIF_STATE | TVIF_HANDLE;
    none.hItem = item;
    none.cChildren = 0;
    none.state = 0;
    none.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&none));
    return;
  }
  while (child) {
    HTREEITEM next = NextNode(tree, child, TVGN_NEXT);
    FolderTreeItem* record = GetTreeItemRecord(tree, child);
    // Only the children of a folder read again can be found missing; a folder that could not
    // be read keeps what it showed.
    if (enumerated && record && !g_treeMarks.count(record)) {
      SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    } else if (NodeState(tree, child, TVIS_EXPANDED) & TVIS_EXPANDED) {
      RemoveUnmarkedTreeItems(pane, child);
    }
    child = next;
  }
}

void RefreshPaneTree(int pane, HTREEITEM item, BOOL refillList) {
  if (pane < 0 || pane > 1) return;
  if (pane == 1 && !g_paneLayout.twoPanes) return;
  if (g_treeRefreshRunning) {
    g_treeRefreshPending = 1;
    return;
  }
  HWND tree = FilePanes[pane].tree;
  if (!tree) return;
  g_treeRefreshRunning = 1;
  // A folder deleted while watched goes only once the watch lets go of it.
  RenewPaneWatch(pane);
  {
    QuietErrors quiet;
    HTREEITEM root = NextNode(tree, nullptr, TVGN_ROOT);
    if (!item) item = root;
    g_treeMarks.clear();
    g_enumeratedNodes.clear();
    if (g_treeRefreshProbe) g_treeRefreshProbe(pane);
    if (item) {
      CollapseVanishedRemovableItems(pane, item);
      ClearTreeMarks(pane, item);
      RefreshTreeChildren(pane, item);
      // The FTP-sites node is the root's last child; the desktop does not list it.
      HTREEITEM last = nullptr;
      for (HTREEITEM node = NextNode(tree, root, TVGN_CHILD); node; node = NextNode(tree, node, TVGN_NEXT)) last = node;
      FolderTreeItem* lastRecord = last ? GetTreeItemRecord(tree, last) : nullptr;
      if (lastRecord && (lastRecord->kind & kTreeKindFtpBranch)) {
        g_treeMarks.insert(lastRecord);
        RefreshFtpBranch(pane, last);
      }
      RemoveUnmarkedTreeItems(pane, item);
    }
    g_treeMarks.clear();
    g_enumeratedNodes.clear();
    if (refillList) RefreshPane(pane);
  }
  g_treeRefreshRunning = 0;
  if (g_treeRefreshPending) {
    g_treeRefreshPending = 0;
    if (g_mainWindow) PostMessageA(g_mainWindow, WM_COMMAND, ID_VIEW_REFRESH, 0);
  }
}

// Refresh (40044): both panes' trees and lists are read again (the second pane only while
// shown), their cut marks and drop highlights cleared.
LRESULT RefreshView(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  (void)window;
  (void)message;
  (void)wParam;
  ++g_refreshViewCount;
  // Nonzero: the cached FTP listings are kept; otherwise the servers are listed again.
  if (!lParam) FlushFtpListings();
  for (int pane = 0; pane < 2; ++pane) {
    if (pane == 1 && !g_paneLayout.twoPanes) break;
    RefreshPaneTree(pane, nullptr, TRUE);
    if (FilePanes[pane].list) ClearCutMarks(FilePanes[pane].list);
    if (FilePanes[pane].tree) ClearTreeDropHighlight(FilePanes[pane].tree);
  }
  return 0;
}
