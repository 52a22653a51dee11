// The folder-picker tree's fill, expansion, release and path selection.
#include "picker_tree.h"
#include <cstring>
#include <string>
#include "path_utils.h"
#include "pidl.h"
#include "settings_store.h"
#include "shell_children.h"

namespace {

// Large enough for the pane tree's helpers, which read the kind fields of a FolderTreeItem.
constexpr UINT kRecordBytes = sizeof(FolderTreeItem) > sizeof(PickerTreeItem) ? sizeof(FolderTreeItem)
                                                                               : sizeof(PickerTreeItem);

PickerTreeItem* NewPickerRecord(IShellFolder* folder, LPCITEMIDLIST relative, LPCITEMIDLIST parentAbsolute,
                                ULONG attributes) {
  auto* record = static_cast<PickerTreeItem*>(AllocShellMemory(kRecordBytes));
  if (!record) return nullptr;
  memset(record, 0, kRecordBytes);
  record->relative = CopyPidl(GetShellAllocator(), relative);
  record->absolute = CombinePidls(parentAbsolute, relative);
  if (!record->relative || !record->absolute) {
    FreePidl(record->relative);
    FreePidl(record->absolute);
    FreePidl(record);
    return nullptr;
  }
  record->folder = folder;
  folder->AddRef();
  record->attributes = attributes;
  return record;
}

void ReleaseRecord(PickerTreeItem* record) {
  if (!record) return;
  if (record->folder) record->folder->Release();
  FreePidl(record->relative);
  FreePidl(record->absolute);
  FreePidl(record);
}

HTREEITEM Next(HWND tree, HTREEITEM node, UINT how) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(node)));
}

PickerTreeItem* RecordOf(HWND tree, HTREEITEM node) {
  return reinterpret_cast<PickerTreeItem*>(GetTreeItemRecord(tree, node));
}

HTREEITEM InsertPickerNode(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text, PickerTreeItem* record,
                           int children) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.cChildren = children;
  insert.item.lParam = reinterpret_cast<LPARAM>(record);
  SetTreeItemIcons(record->absolute, &insert.item);
  if (record->attributes & SFGAO_SHARE) {
    insert.item.mask |= TVIF_STATE;
    insert.item.state = INDEXTOOVERLAYMASK(1);
    insert.item.stateMask = TVIS_OVERLAYMASK;
  }
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void SetChildren(HWND tree, HTREEITEM node, int children) {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  item.cChildren = children;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// The picker's fill rules, for the walk down to a path.
struct PickerFillRules {
  BOOL foldersOnly;
  BOOL archives;
};

void FillPickerNode(HWND tree, HTREEITEM node, void* context) {
  auto* rules = static_cast<PickerFillRules*>(context);
  ExpandPickerNode(tree, node, rules->foldersOnly, rules->archives);
}

// Walks the path's components below `start`, expanding with the picker's rules.
HTREEITEM SelectComponents(HWND tree, const char* path, HTREEITEM start, BOOL select, BOOL foldersOnly,
                           BOOL archives) {
  PickerFillRules rules{foldersOnly, archives};
  return SelectTreePathComponents(tree, path, start, select, FillPickerNode, &rules);
}

}  // namespace

void FillPickerTree(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute, HTREEITEM parentNode,
                    BOOL foldersOnly, BOOL archivesAsFolders) {
  if (!tree || !folder) return;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  if (parentNode == TVI_ROOT) {
    LPITEMIDLIST desktopList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopList)) || !desktopList) {
      SetCursor(old);
      return;
    }
    ULONG attributes = kPickerDesktopMask;
    LPCITEMIDLIST item = desktopList;
    if (FAILED(folder->GetAttributesOf(1, &item, &attributes))) attributes = 0;
    attributes &= kPickerDesktopMask;
    PickerTreeItem* record = NewPickerRecord(folder, desktopList, parentAbsolute, attributes);
    SHFILEINFOA info{};
    bool named = SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktopList), 0, &info, sizeof info,
                                SHGFI_PIDL | SHGFI_DISPLAYNAME) && info.szDisplayName[0];
    FreePidl(desktopList);
    HTREEITEM root = record && named ? InsertPickerNode(tree, TVI_ROOT, TVI_LAST, info.szDisplayName, record, 1) : nullptr;
    if (!root) {
      ReleaseRecord(record);
      SetCursor(old);
      return;
    }
    parentNode = root;
    parentAbsolute = record->absolute;
  }

  ShellChildren children(folder, GetParent(tree), SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
  if (!children) {
    SetChildren(tree, parentNode, 0);
    SetCursor(old);
    return;
  }
  HTREEITEM previous = TVI_FIRST;
  int added = 0;
  children.ForEach([&](LPITEMIDLIST child) {
    ULONG attributes = kPickerAttributeMask;
    LPCITEMIDLIST item = child;
    if (FAILED(folder->GetAttributesOf(1, &item, &attributes))) attributes = 0;
    attributes &= kPickerAttributeMask;
    const bool isFolder = attributes & SFGAO_FOLDER;
    const bool fileSystem = attributes & SFGAO_FILESYSTEM;
    bool keep = isFolder || fileSystem;
    if (keep && foldersOnly && !fileSystem && !(attributes & SFGAO_HASSUBFOLDER)) keep = false;
    char parsing[MAX_PATH] = "";
    bool haveParsing = keep && GetDisplayNameText(folder, child, SHGDN_FORPARSING, parsing) && parsing[0];
    if (keep && haveParsing && fileSystem && IsDriveRootText(parsing) && IsDriveHidden(parsing)) keep = false;
    if (keep && haveParsing && IsHiddenUnixRoot(parsing)) keep = false;
    if (keep && fileSystem && !isFolder)
      keep = archivesAsFolders && IsArchivePath(folder, child, nullptr, nullptr);
    char name[MAX_PATH] = "";
    if (keep) {
      GetDisplayNameText(folder, child, SHGDN_NORMAL, name);
      // A child without a name is left out; its siblings still come.
      keep = name[0] != '\0';
    }
    if (!keep) {
      FreePidl(child);
      return true;
    }
    PickerTreeItem* record = NewPickerRecord(folder, child, parentAbsolute, attributes);
    FreePidl(child);
    if (!record) return false;
    int hasChildren = (attributes & SFGAO_HASSUBFOLDER) || (fileSystem && !isFolder) ? 1 : 0;
    HTREEITEM node = InsertPickerNode(tree, parentNode, previous, name, record, hasChildren);
    if (!node) {
      ReleaseRecord(record);
      return true;
    }
    previous = node;
    ++added;
    return true;
  });
  if (!added) SetChildren(tree, parentNode, 0);
  SetCursor(old);
}

void ExpandTreeRoot(HWND tree) {
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  if (!root) return;
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  // My Computer: the first child that is the drives folder, else the first child.
  HTREEITEM first = Next(tree, root, TVGN_CHILD);
  for (HTREEITEM node = first; node; node = Next(tree, node, TVGN_NEXT)) {
    PickerTreeItem* record = RecordOf(tree, node);
    if (record && IsSpecialFolderPidl(record->absolute, CSIDL_DRIVES)) {
      first = node;
      break;
    }
  }
  if (!first) return;
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(first));
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(first));
}

void ExpandPickerNode(HWND tree, HTREEITEM node, BOOL foldersOnly, BOOL archivesAsFolders) {
  if (!node) return;
  // Filled once: a node that has children (or lost its button) is not read again.
  if (Next(tree, node, TVGN_CHILD)) return;
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE | TVIF_STATE;
  item.hItem = node;
  item.stateMask = TVIS_EXPANDEDONCE;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  if (item.cChildren == 0) return;
  PickerTreeItem* record = RecordOf(tree, node);
  if (!record || !record->folder) return;
  // The root's children were added with it.
  if (node == Next(tree, nullptr, TVGN_ROOT)) return;
  IShellFolder* folder = nullptr;
  {
    QuietErrors quiet;
    if (FAILED(record->folder->BindToObject(record->relative, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(&folder))))
      folder = nullptr;
  }
  if (!folder) return;  // the node keeps its button
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  FillPickerTree(tree, folder, record->absolute, node, foldersOnly, archivesAsFolders);
  folder->Release();
  TVSORTCB sort{};
  sort.hParent = node;
  sort.lpfnCompare = CompareFolderTreeItems;
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
}

void ExpandPickerTreeItem(HWND tree, NMTREEVIEWA* expanding, BOOL foldersOnly, BOOL archivesAsFolders) {
  if (!expanding || expanding->action != TVE_EXPAND) return;
  if (expanding->itemNew.state & TVIS_EXPANDEDONCE) return;
  ExpandPickerNode(tree, expanding->itemNew.hItem, foldersOnly, archivesAsFolders);
}

void FreePickerTreeItem(NMTREEVIEWA* deleted) {
  if (!deleted) return;
  ReleaseRecord(reinterpret_cast<PickerTreeItem*>(deleted->itemOld.lParam));
}

HTREEITEM SelectPickerTreePath(HWND tree, const char* path, BOOL select, BOOL foldersOnly, BOOL archives) {
  if (!tree || !path || !path[0]) return nullptr;
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  if (!root) return nullptr;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
  const int container = path[0] == '\\' && path[1] == '\\' ? CSIDL_NETWORK : CSIDL_DRIVES;
  HTREEITEM found = container == CSIDL_DRIVES
                        ? SelectComponents(tree, path, Next(tree, root, TVGN_CHILD), select, foldersOnly, archives)
                        : nullptr;
  for (HTREEITEM node = Next(tree, root, TVGN_CHILD); node && !found; node = Next(tree, node, TVGN_NEXT)) {
    PickerTreeItem* record = RecordOf(tree, node);
    if (!record || !IsSpecialFolderPidl(record->absolute, container)) continue;
    ExpandPickerNode(tree, node, foldersOnly, archives);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    found = SelectComponents(tree, path, Next(tree, node, TVGN_CHILD), select, foldersOnly, archives);
  }
  SetCursor(old);
  return found;
}
