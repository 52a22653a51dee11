// The folder tree of a pane: lazy filling from the shell namespace, the FTP-sites node, path
// location, drop highlight, compressed colouring and the expand and collapse commands.
#include "folder_tree.h"
#include <cstring>
#include <string>
#include "file_pane.h"
#include "pane_controls.h"
#include "vfolder_links.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "shell_children.h"
#include "program_values.h"

UINT g_treeFillQuiet = 0;

namespace {

constexpr UINT kTreeItemLimit = MAX_PATH;
// The tree view class's own procedure, which every pane's control had before ours. Kept in a
// variable, not a window property: a property is looked up through the window server on every
// message, which made filling a tree with many folders many times slower.
WNDPROC g_treeClassProc = nullptr;
HTREEITEM g_dropHighlighted = nullptr;

bool ParsingName(IShellFolder* folder, LPCITEMIDLIST item, char* out) {
  return GetDisplayNameText(folder, item, SHGDN_FORPARSING, out) && out[0];
}

// File name plus extension of a path.
const char* FileNamePart(const char* path) {
  const char* slash = strrchr(path, '\\');
  return slash && slash[1] ? slash + 1 : path;
}

FolderTreeItem* NewRecord(IShellFolder* folder, LPCITEMIDLIST relative, LPCITEMIDLIST parentAbsolute,
                          ULONG attributes, UINT kind) {
  auto* record = static_cast<FolderTreeItem*>(AllocShellMemory(sizeof(FolderTreeItem)));
  if (!record) return nullptr;
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
  record->kind = kind;
  return record;
}

HTREEITEM InsertNode(HWND tree, HTREEITEM parent, HTREEITEM after, const char* text,
                     FolderTreeItem* record, int children) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.cchTextMax = kTreeItemLimit;
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = children;
  insert.item.lParam = reinterpret_cast<LPARAM>(record);
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void SetChildrenCount(HWND tree, HTREEITEM node, int children) {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  item.cChildren = children;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

HTREEITEM Next(HWND tree, HTREEITEM node, UINT how) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(node)));
}

// A node's children have been read when it has a child node or its button was removed.
bool NodeIsFilled(HWND tree, HTREEITEM node) {
  if (Next(tree, node, TVGN_CHILD)) return true;
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.cChildren == 0;
}

void ExpandBranch(HWND tree, HTREEITEM node) {
  ExpandFolderTreeItem(tree, node);
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
  for (HTREEITEM child = Next(tree, node, TVGN_CHILD); child; child = Next(tree, child, TVGN_NEXT)) {
    TVITEMA item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = child;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (item.cChildren) ExpandBranch(tree, child);
  }
}

void CollapseBranch(HWND tree, HTREEITEM node) {
  for (HTREEITEM child = Next(tree, node, TVGN_CHILD); child; child = Next(tree, child, TVGN_NEXT)) {
    UINT state = static_cast<UINT>(SendMessageA(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(child), TVIS_EXPANDED));
    if (state & TVIS_EXPANDED) CollapseBranch(tree, child);
  }
  SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(node));
}

LRESULT CALLBACK FolderTreeWndProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = g_treeClassProc;
  if (!previous) return DefWindowProcA(tree, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      LRESULT result = CallWindowProcA(previous, tree, message, wParam, lParam);
      HWND top = GetAncestor(tree, GA_ROOT);
      if (GetFocus() == tree && GetForegroundWindow() == top) return result;
      HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
      RECT box{};
      memcpy(&box, &selected, sizeof selected);  // TVM_GETITEMRECT takes the item in the rectangle
      if (selected && SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&box))) {
        HDC dc = GetDC(tree);
        {
          OutlinePen outline(dc);
          DrawSelectionOutline(dc, box);
        }
        ReleaseDC(tree, dc);
      }
      return result;
    }
  }
  LRESULT result = 0;
  if (HandlePaneControlMessage(tree, previous, message, wParam, lParam, &result)) return result;
  return CallWindowProcA(previous, tree, message, wParam, lParam);
}

}  // namespace

HWND CreateFolderTree(HWND parent, int pane) {
  RECT client;
  GetClientRect(parent, &client);
  HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TVS_HASBUTTONS |
                                  TVS_HASLINES | TVS_LINESATROOT,
                              0, 0, client.right / 2, client.bottom, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(pane ? kTreeIdPane1 : kTreeIdPane0)),
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  if (!tree) return nullptr;
  if (!AttachSystemImageList(tree)) {
    DestroyWindow(tree);
    return nullptr;
  }
  WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(tree, GWLP_WNDPROC));
  if (!g_treeClassProc) g_treeClassProc = own;
  SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FolderTreeWndProc));
  FilePanes[pane].tree = tree;
  return tree;
}

BOOL AttachSystemImageList(HWND tree) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (!images) return FALSE;
  SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  return TRUE;
}

void FillFolderTree(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute,
                    HTREEITEM parentNode, UINT parentKind) {
  const LiveOptions& options = GetLiveOptions();
  HCURSOR oldCursor = g_treeFillQuiet ? nullptr : SetCursor(LoadCursor(nullptr, IDC_WAIT));
  auto restoreCursor = [&] {
    if (!g_treeFillQuiet) SetCursor(LoadCursor(nullptr, IDC_ARROW));
    (void)oldCursor;
  };

  if (parentNode == TVI_ROOT) {
    LPITEMIDLIST desktopList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktopList)) || !desktopList) {
      restoreCursor();
      return;
    }
    FolderTreeItem* record = NewRecord(folder, desktopList, nullptr, 0, 0);
    char name[MAX_PATH];
    SHFILEINFOA info{};
    bool named = SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktopList), 0, &info, sizeof info,
                                SHGFI_PIDL | SHGFI_DISPLAYNAME) && info.szDisplayName[0];
    lstrcpynA(name, info.szDisplayName, MAX_PATH);
    FreePidl(desktopList);
    if (!record || !named) {
      FreeFolderTreeItem(record);
      restoreCursor();
      return;
    }
    HTREEITEM root = InsertNode(tree, TVI_ROOT, TVI_LAST, name, record, 1);
    if (!root) {
      FreeFolderTreeItem(record);
      restoreCursor();
      return;
    }
    parentNode = root;
    parentAbsolute = record->absolute;
  }

  SHCONTF flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;
  if (!options.hideSystemFiles) flags |= SHCONTF_INCLUDEHIDDEN;
  ShellChildren children(folder, g_mainWindow, flags);
  if (!children) {
    // Nothing to list: the node loses its button.
    SetChildrenCount(tree, parentNode, 0);
    restoreCursor();
    return;
  }

  UINT childKind = 0;
  if (parentKind & kTreeKindFtpRoot) childKind = kTreeKindFtpBranch | kTreeKindFtpSite;
  else if (parentKind & (kTreeKindFtpSite | kTreeKindFtpFolder)) childKind = kTreeKindFtpBranch | kTreeKindFtpFolder;

  HTREEITEM previous = TVI_FIRST;
  int added = 0;
  children.ForEach([&](LPITEMIDLIST child) {
    ULONG attributes = kTreeAttributeMask;
    if (FAILED(folder->GetAttributesOf(1, const_cast<LPCITEMIDLIST*>(&child), &attributes)))
      attributes = 0;
    attributes &= kTreeAttributeMask;
    bool isFolder = attributes & SFGAO_FOLDER;
    bool fileSystem = attributes & SFGAO_FILESYSTEM;
    if (!isFolder && !fileSystem) {
      FreePidl(child);
      return true;
    }
    char parsing[MAX_PATH] = "";
    bool haveParsing = ParsingName(folder, child, parsing);
    if (fileSystem && isFolder && haveParsing && IsDriveRootText(parsing) && IsDriveHidden(parsing)) {
      FreePidl(child);
      return true;
    }
    if (haveParsing && IsHiddenUnixRoot(parsing)) {
      FreePidl(child);
      return true;
    }
    if (!fileSystem) haveParsing = false;
    if (fileSystem && !isFolder) {
      // Files appear only as archives opened like folders.
      bool archive = !options.noArchivesAsFolders && !(parentKind & kTreeKindFtpBranch) &&
                     IsArchivePath(folder, child, nullptr, nullptr);
      if (!archive) {
        FreePidl(child);
        return true;
      }
    }
    char name[MAX_PATH] = "";
    if (options.showParsingNames && haveParsing && !IsDriveRootText(parsing))
      lstrcpynA(name, FileNamePart(parsing), MAX_PATH);
    else
      GetDisplayNameText(folder, child, SHGDN_NORMAL, name);
    if (!name[0]) {
      // A child without a name is left out; its siblings still come.
      FreePidl(child);
      return true;
    }
    FolderTreeItem* record = NewRecord(folder, child, parentAbsolute, attributes, childKind);
    FreePidl(child);
    if (!record) return false;
    int hasChildren = (attributes & SFGAO_HASSUBFOLDER) || (fileSystem && !isFolder) ? 1 : 0;
    HTREEITEM node = InsertNode(tree, parentNode, previous, name, record, hasChildren);
    if (!node) {
      FreeFolderTreeItem(record);
      return true;
    }
    previous = node;
    ++added;
    return true;
  });
  if (!added) SetChildrenCount(tree, parentNode, 0);
  restoreCursor();
}

void ExpandFolderTreeItem(HWND tree, HTREEITEM node) {
  if (!node || NodeIsFilled(tree, node)) return;
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  if (!record) return;
  IShellFolder* folder = nullptr;
  if (record->kind & kTreeKindFtpRoot) {
    folder = GetFtpRootFolder(PaneIndexOfWindow(tree));
  } else if (record->folder) {
    QuietErrors quiet;
    if (FAILED(record->folder->BindToObject(record->relative, nullptr, IID_IShellFolder,
                                            reinterpret_cast<void**>(&folder))))
      folder = nullptr;
  }
  if (!folder) {
    SetChildrenCount(tree, node, 0);
    return;
  }
  SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
  FillFolderTree(tree, folder, record->absolute, node, record->kind);
  TVSORTCB sort{};
  sort.hParent = node;
  sort.lpfnCompare = CompareFolderTreeItems;
  SendMessageA(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
  SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
  folder->Release();
}

void FreeFolderTreeItem(FolderTreeItem* record) {
  if (!record) return;
  if (record->folder) record->folder->Release();
  FreePidl(record->relative);
  FreePidl(record->absolute);
  FreePidl(record);
}

void AddFtpSitesRoot(HWND tree) {
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  if (!root) return;
  FolderTreeItem* rootRecord = GetTreeItemRecord(tree, root);
  if (!rootRecord || !rootRecord->folder) return;
  auto* record = static_cast<FolderTreeItem*>(AllocShellMemory(sizeof(FolderTreeItem)));
  if (!record) return;
  record->relative = CopyFtpRootPidl();
  record->absolute = CopyFtpRootPidl();
  if (!record->relative || !record->absolute) {
    FreeFolderTreeItem(record);
    return;
  }
  record->folder = rootRecord->folder;
  record->folder->AddRef();
  record->attributes = 0xA0000000;
  record->ftpRoot = 1;
  record->kind = kTreeKindFtpBranch | kTreeKindFtpRoot;
  if (!InsertNode(tree, root, TVI_LAST, "Quorvanel FTP", record, 1)) FreeFolderTreeItem(record);
}


FolderTreeItem* GetSelectedTreeItem(HWND tree) {
  HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
  if (!selected) {
    selected = Next(tree, nullptr, TVGN_ROOT);
    if (!selected) return nullptr;
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected));
  }
  return GetTreeItemRecord(tree, selected);
}

BOOL IsTreeRootSelected(HWND tree) {
  HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
  return selected && selected == Next(tree, nullptr, TVGN_ROOT);
}

BOOL GetTreeSelectionPath(HWND tree, char* buffer, BOOL displayForm, BOOL fileSystemOnly) {
  buffer[0] = 0;
  HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
  if (!selected) return FALSE;
  if (selected == Next(tree, nullptr, TVGN_ROOT))
    return SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_DESKTOPDIRECTORY, FALSE);
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  if (!record || !record->folder) return FALSE;
  if (fileSystemOnly && !(record->attributes & SFGAO_FILESYSTEM)) return FALSE;
  if (record->kind & kTreeKindFtpBranch)
    return GetFtpDisplayPath(record->absolute, buffer, MAX_PATH) == S_OK;
  QuietErrors quiet;
  return GetDisplayNameText(record->folder, record->relative,
                            displayForm ? SHGDN_NORMAL : SHGDN_FORPARSING, buffer);
}

namespace {
void FillPaneTreeNode(HWND tree, HTREEITEM node, void*) { ExpandFolderTreeItem(tree, node); }
}  // namespace

HTREEITEM SelectTreePath(HWND tree, const char* path, BOOL select) {
  if (!path || !path[0]) return nullptr;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  HTREEITEM found = nullptr;
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  if (root) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    if (path[0] == '\\' && path[1] == '\\' && strlen(path) >= 3) {
      HTREEITEM first = Next(tree, root, TVGN_CHILD);
      for (HTREEITEM node = first ? Next(tree, first, TVGN_NEXT) : nullptr; node;
           node = Next(tree, node, TVGN_NEXT)) {
        LPCITEMIDLIST absolute = TreeItemAbsolutePidl(tree, node);
        if (absolute && IsSpecialFolderPidl(absolute, CSIDL_NETWORK)) {
          ExpandFolderTreeItem(tree, node);
          SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
          found = SelectTreePathComponents(tree, path, Next(tree, node, TVGN_CHILD), select, FillPaneTreeNode);
          break;
        }
      }
    } else {
      found = SelectTreePathComponents(tree, path, Next(tree, root, TVGN_CHILD), select, FillPaneTreeNode);
      if (!found) {
        // Drives live below My Computer.
        for (HTREEITEM node = Next(tree, root, TVGN_CHILD); node && !found; node = Next(tree, node, TVGN_NEXT)) {
          LPCITEMIDLIST absolute = TreeItemAbsolutePidl(tree, node);
          if (!absolute || !IsSpecialFolderPidl(absolute, CSIDL_DRIVES)) continue;
          ExpandFolderTreeItem(tree, node);
          SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
          found = SelectTreePathComponents(tree, path, Next(tree, node, TVGN_CHILD), select, FillPaneTreeNode);
        }
      }
    }
  }
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  return found;
}

void RemoveVanishedTreeItem() {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (!tree || GetFocus() != tree) return;
  HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  if (!record || !(record->attributes & SFGAO_FILESYSTEM) || !record->folder) return;
  char path[MAX_PATH];
  if (!ParsingName(record->folder, record->relative, path)) return;
  if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
    SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(selected));
}

void SetTreeDropHighlight(HWND tree, HTREEITEM node) {
  if (!node) node = Next(tree, nullptr, TVGN_CARET);
  if (!node) return;
  TVITEMA item{};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = node;
  item.state = TVIS_DROPHILITED;
  item.stateMask = TVIS_DROPHILITED;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  g_dropHighlighted = node;
}

void ClearTreeDropHighlight(HWND tree) {
  if (!g_dropHighlighted) return;
  TVITEMA item{};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = g_dropHighlighted;
  item.state = 0;
  item.stateMask = TVIS_DROPHILITED;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  g_dropHighlighted = nullptr;
}

LRESULT TreeCustomDraw(NMTVCUSTOMDRAW* draw) {
  const LiveOptions& options = GetLiveOptions();
  switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return options.colorCompressed ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT: {
      auto* record = reinterpret_cast<FolderTreeItem*>(draw->nmcd.lItemlParam);
      if (!record) return CDRF_DODEFAULT;
      bool compressed = false;
      if (IsNT) {
        compressed = record->attributes & SFGAO_COMPRESSED;
      } else if ((record->attributes & SFGAO_FILESYSTEM) && record->folder) {
        WIN32_FIND_DATAA data;
        if (SUCCEEDED(SHGetDataFromIDListA(record->folder, record->relative, SHGDFIL_FINDDATA, &data, sizeof data)))
          compressed = data.dwFileAttributes & FILE_ATTRIBUTE_COMPRESSED;
      }
      if (compressed) draw->clrText = options.compressedColor;
      return CDRF_DODEFAULT;
    }
  }
  return CDRF_DODEFAULT;
}

namespace {

// A drive root ("X:\") or a UNC server and share ("\\server\share") of a path; empty when none.
std::string DriveOfPath(const char* path, bool allowUnc) {
  if (path[0] && path[1] == ':') return std::string(path, 2) + "\\";
  if (allowUnc && path[0] == '\\' && path[1] == '\\') {
    const char* server = path + 2;
    const char* slash = strchr(server, '\\');
    if (!slash) return path;
    const char* end = strchr(slash + 1, '\\');
    return end ? std::string(path, end - path) : std::string(path);
  }
  return "";
}

}  // namespace

LRESULT RunFolderTreeCommand(HWND mainWindow, UINT command) {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (!tree) return 0;
  HTREEITEM node = Next(tree, nullptr, TVGN_CARET);
  if (command == ID_TREE_EXPAND_LEVEL) {
    if (node) {
      ExpandFolderTreeItem(tree, node);
      SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
    }
    return 0;
  }
  if (command == ID_TREE_EXPAND_ALL) {
    char text[300], caption[30];
    LoadStringA(GetModuleHandleA(nullptr), IDS_TREE_EXPAND_ALL_WARNING, text, sizeof text);
    LoadStringA(GetModuleHandleA(nullptr), IDS_APP_NAME, caption, sizeof caption);
    if (seams::MessageBoxA(mainWindow, text, caption, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
      return 0;
  }
  SetCapture(mainWindow);
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  HTREEITEM root = Next(tree, nullptr, TVGN_ROOT);
  switch (command) {
    case ID_TREE_EXPAND_BRANCH:
      if (node) ExpandBranch(tree, node);
      break;
    case ID_TREE_EXPAND_ALL:
      if (root && (node = Next(tree, root, TVGN_CHILD))) ExpandBranch(tree, node);
      break;
    case ID_TREE_COLLAPSE_BRANCH:
      if (node) CollapseBranch(tree, node);
      break;
    case ID_TREE_COLLAPSE_ALL:
      if (root && (node = Next(tree, root, TVGN_CHILD))) {
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
        CollapseBranch(tree, node);
      }
      break;
    case ID_TREE_EXPAND_DRIVE:
    case ID_TREE_COLLAPSE_DRIVE: {
      char path[MAX_PATH];
      if (!GetTreeSelectionPath(tree, path, FALSE, FALSE)) break;
      std::string drive = DriveOfPath(path, command == ID_TREE_COLLAPSE_DRIVE);
      if (drive.empty()) break;
      HTREEITEM target = SelectTreePath(tree, drive.c_str(), command == ID_TREE_COLLAPSE_DRIVE);
      if (!target) break;
      if (command == ID_TREE_EXPAND_DRIVE) ExpandBranch(tree, target);
      else CollapseBranch(tree, target);
      break;
    }
  }
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  ReleaseCapture();
  if (command != ID_TREE_COLLAPSE_BRANCH) {
    HTREEITEM selected = Next(tree, nullptr, TVGN_CARET);
    if (selected) SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(selected));
  }
  return 0;
}
