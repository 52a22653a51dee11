// FolderPickerTree: a tree control that browses the shell namespace lazily for choosing a target
// folder, and finds a typed path (local or UNC) in it.
#include <cstdio>
#include <cstring>
#include <string>
#include "item_ids.h"
#include "folder_picker.h"

namespace {

FolderPickerItem* ItemData(HWND tree, HTREEITEM item) {
  TVITEMA tv{};
  tv.mask = TVIF_PARAM | TVIF_HANDLE;
  tv.hItem = item;
  if (!item || !SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv)) return nullptr;
  return (FolderPickerItem*)tv.lParam;
}

HTREEITEM Next(HWND tree, UINT code, HTREEITEM item) {
  return (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, code, (LPARAM)item);
}

bool ItemPathText(HWND tree, HTREEITEM item, char* out) {
  out[0] = 0;
  FolderPickerItem* data = ItemData(tree, item);
  if (!data) return false;
  if (GetDisplayNameText(data->parent, data->relative, SHGDN_FORPARSING, out) && out[0] &&
      !(out[0] == ':' && out[1] == ':'))
    return true;
  // Computers in the network have no parsing path of their own: "\\" and the display name.
  char name[MAX_PATH];
  if (!GetDisplayNameText(data->parent, data->relative, SHGDN_NORMAL, name)) return false;
  snprintf(out, MAX_PATH, "\\\\%s", name);
  return true;
}

HTREEITEM InsertPickerItem(HWND tree, HTREEITEM parent, HTREEITEM after, IShellFolder* folder,
                           LPITEMIDLIST relative, LPITEMIDLIST absolute, ULONG attributes, const char* text) {
  auto* data = (FolderPickerItem*)AllocZeroed(sizeof(FolderPickerItem));
  if (!data) return nullptr;
  data->parent = folder;
  folder->AddRef();
  data->relative = relative;
  data->absolute = absolute;
  data->attributes = attributes;
  TVINSERTSTRUCTA ins{};
  ins.hParent = parent;
  ins.hInsertAfter = after;
  ins.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
  ins.item.pszText = const_cast<char*>(text);
  ins.item.lParam = (LPARAM)data;
  GetNodeIcons(absolute, &ins.item);
  ins.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.cChildren = (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0;
  if (attributes & SFGAO_SHARE) {
    ins.item.stateMask = TVIS_OVERLAYMASK;
    ins.item.state = INDEXTOOVERLAYMASK(1);
  }
  return (HTREEITEM)SendMessageA(tree, TVM_INSERTITEMA, 0, (LPARAM)&ins);
}

}  // namespace

BOOL InitFolderPickerTree(HWND tree) {
  if (!tree) return FALSE;
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto images = (HIMAGELIST)SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  if (!images) return FALSE;
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)images);
  SendMessageA(tree, TVM_DELETEITEM, 0, (LPARAM)TVI_ROOT);
  return TRUE;
}

void FillPickerLevel(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute, HTREEITEM parent) {
  HWND owner = GetParent(tree);
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SetCapture(owner);
  HTREEITEM under = parent;
  if (parent == TVI_ROOT || parent == nullptr) {
    LPITEMIDLIST desktopId = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopId);
    LPITEMIDLIST absolute = CombineItemIds(parentAbsolute, desktopId);
    ULONG attributes = SFGAO_FILESYSTEM | SFGAO_SHARE;
    char name[MAX_PATH] = "";
    GetDisplayNameText(DesktopFolder(), desktopId, SHGDN_NORMAL, name);
    under = InsertPickerItem(tree, TVI_ROOT, TVI_FIRST, DesktopFolder(), desktopId, absolute,
                             attributes | SFGAO_HASSUBFOLDER, name);
  }
  int inserted = 0;
  IEnumIDList* enumerator = nullptr;
  if (folder && SUCCEEDED(folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                                              &enumerator)) && enumerator) {
    LPITEMIDLIST id = nullptr;
    HTREEITEM after = TVI_FIRST;
    while (enumerator->Next(1, &id, nullptr) == S_OK) {
      ULONG attributes = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_SHARE;
      folder->GetAttributesOf(1, (LPCITEMIDLIST*)&id, &attributes);
      if (!(attributes & SFGAO_FOLDER) || !(attributes & (SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER))) {
        FreeItemIdList(id);
        continue;
      }
      char name[MAX_PATH] = "";
      GetDisplayNameText(folder, id, SHGDN_NORMAL, name);
      LPITEMIDLIST absolute = CombineItemIds(parentAbsolute, id);
      HTREEITEM item = InsertPickerItem(tree, under, after, folder, id, absolute, attributes, name);
      if (item) { after = item; ++inserted; }
      else { FreeItemIdList(id); FreeItemIdList(absolute); }
    }
    enumerator->Release();
  }
  if (inserted == 0 && under) {
    TVITEMA tv{};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = under;
    tv.cChildren = 0;
    SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)&tv);
  }
  ReleaseCapture();
  SetCursor(old);
}

LRESULT OnPickerExpanding(HWND tree, NMTREEVIEWA* nm) {
  if (nm->itemNew.state & TVIS_EXPANDEDONCE) return 0;
  if (!(nm->action & TVE_EXPAND)) return 0;
  FolderPickerItem* data = ItemData(tree, nm->itemNew.hItem);
  if (!data) return 0;
  IShellFolder* folder = nullptr;
  bool isRoot = Next(tree, TVGN_PARENT, nm->itemNew.hItem) == nullptr;
  if (isRoot) {
    folder = DesktopFolder();
    folder->AddRef();
  } else if (FAILED(data->parent->BindToObject(data->relative, nullptr, IID_IShellFolder, (void**)&folder))) {
    folder = nullptr;
  }
  if (!folder) return 0;
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  if (!isRoot && !Next(tree, TVGN_CHILD, nm->itemNew.hItem))
    FillPickerLevel(tree, folder, data->absolute, nm->itemNew.hItem);
  // The children in the folder's own order.
  struct Sorter {
    static int CALLBACK Compare(LPARAM a, LPARAM b, LPARAM f) {
      auto* x = (FolderPickerItem*)a;
      auto* y = (FolderPickerItem*)b;
      HRESULT hr = ((IShellFolder*)f)->CompareIDs(0, x->relative, y->relative);
      return (short)HRESULT_CODE(hr);
    }
  };
  TVSORTCB sort{nm->itemNew.hItem, Sorter::Compare, (LPARAM)folder};
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, (LPARAM)&sort);
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  folder->Release();
  return 0;
}

LRESULT OnPickerDeleteItem(HWND, NMTREEVIEWA* nm) {
  auto* data = (FolderPickerItem*)nm->itemOld.lParam;
  if (!data) return 0;
  if (data->parent) data->parent->Release();
  FreeItemIdList(data->relative);
  FreeItemIdList(data->absolute);
  if (IMalloc* m = ShellAllocator()) m->Free(data);
  return 0;
}

void ExpandPickerRoot(HWND tree) {
  HTREEITEM root = Next(tree, TVGN_ROOT, nullptr);
  if (!root) return;
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)root);
  HTREEITEM first = Next(tree, TVGN_CHILD, root);
  if (first) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)first);
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)first);
  }
}

BOOL GetPickerSelectedPath(HWND tree, char* out, BOOL display) {
  out[0] = 0;
  HTREEITEM item = Next(tree, TVGN_CARET, nullptr);
  FolderPickerItem* data = ItemData(tree, item);
  if (!data) return FALSE;
  ULONG attributes = SFGAO_FILESYSTEM;
  data->parent->GetAttributesOf(1, (LPCITEMIDLIST*)&data->relative, &attributes);
  if (!(attributes & SFGAO_FILESYSTEM)) return FALSE;
  if (!GetDisplayNameText(data->parent, data->relative, display ? SHGDN_NORMAL : SHGDN_FORPARSING, out)) {
    out[0] = 0;
    return FALSE;
  }
  return TRUE;
}

static HTREEITEM FindPickerPath(HWND tree, const char* upperPath, HTREEITEM first, BOOL select) {
  size_t pathLength = strlen(upperPath);
  for (HTREEITEM item = first; item;) {
    char text[MAX_PATH];
    if (ItemPathText(tree, item, text)) {
      CharUpperA(text);
      size_t n = strlen(text);
      bool prefix = n > 0 && strncmp(upperPath, text, n) == 0 &&
                    (text[n - 1] == '\\' || upperPath[n] == '\\' || upperPath[n] == 0);
      if (prefix) {
        if (n == pathLength || (n + 1 == pathLength && upperPath[n] == '\\')) {
          if (select) {
            SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
            SendMessageA(tree, TVM_ENSUREVISIBLE, 0, (LPARAM)item);
          }
          return item;
        }
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
        item = Next(tree, TVGN_CHILD, item);
        continue;
      }
    }
    item = Next(tree, TVGN_NEXT, item);
  }
  return nullptr;
}

HTREEITEM SelectPickerPath(HWND tree, const char* path, BOOL select) {
  if (!tree || !path || !*path) return nullptr;
  char upper[MAX_PATH];
  snprintf(upper, sizeof upper, "%s", path);
  CharUpperA(upper);
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SetCapture(GetParent(tree));
  HTREEITEM root = Next(tree, TVGN_ROOT, nullptr);
  HTREEITEM start = root;
  HTREEITEM found = nullptr;
  bool ok = root != nullptr;
  if (ok && upper[0] == '\\' && upper[1] == '\\') {
    start = nullptr;
    LPITEMIDLIST network = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network);
    HTREEITEM child = Next(tree, TVGN_CHILD, root);
    for (child = child ? Next(tree, TVGN_NEXT, child) : nullptr; child && network; child = Next(tree, TVGN_NEXT, child)) {
      FolderPickerItem* data = ItemData(tree, child);
      if (data && DesktopFolder()->CompareIDs(0, data->absolute, network) == 0) { start = child; break; }
    }
    FreeItemIdList(network);
    ok = start != nullptr;
  }
  if (ok) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)start);
    found = FindPickerPath(tree, upper, Next(tree, TVGN_CHILD, start), select);
    if (!found) {
      HTREEITEM first = Next(tree, TVGN_CHILD, root);
      if (first) {
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)first);
        found = FindPickerPath(tree, upper, Next(tree, TVGN_CHILD, first), select);
      }
    }
  }
  ReleaseCapture();
  SetCursor(old);
  return found;
}

void ExpandAllBelow(HWND tree, HTREEITEM item) {
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, (LPARAM)item);
  for (HTREEITEM child = Next(tree, TVGN_CHILD, item); child; child = Next(tree, TVGN_NEXT, child)) {
    TVITEMA tv{};
    tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
    tv.hItem = child;
    SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
    if (tv.cChildren) ExpandAllBelow(tree, child);
  }
}

void CollapseAllBelow(HWND tree, HTREEITEM item) {
  for (HTREEITEM child = Next(tree, TVGN_CHILD, item); child; child = Next(tree, TVGN_NEXT, child))
    if (SendMessageA(tree, TVM_GETITEMSTATE, (WPARAM)child, TVIS_EXPANDED) & TVIS_EXPANDED) CollapseAllBelow(tree, child);
  SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)item);
}
