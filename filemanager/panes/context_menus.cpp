// Context menus of the panes and bars, and opening list items.
#include "context_menus.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pane_host.h"
#include "navigation_history.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"
#include "sendto_menu.h"

UINT g_allSelectedRenamable;

namespace {

// The shell's verbs our bookkeeping follows, by their number with first id 1 and by name.
enum ShellVerb { kVerbOther, kVerbDelete, kVerbCut, kVerbCopy, kVerbPaste };

ShellVerb ClassifyVerb(IContextMenu* menu, UINT id) {
  char verb[64] = "";
  if (SUCCEEDED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, verb, sizeof verb)) && verb[0]) {
    if (lstrcmpiA(verb, "delete") == 0) return kVerbDelete;
    if (lstrcmpiA(verb, "cut") == 0) return kVerbCut;
    if (lstrcmpiA(verb, "copy") == 0) return kVerbCopy;
    if (lstrcmpiA(verb, "paste") == 0) return kVerbPaste;
    return kVerbOther;
  }
  switch (id) {
    case 18: return kVerbDelete;
    case 25: return kVerbCut;
    case 26: return kVerbCopy;
    case 27: return kVerbPaste;
  }
  return kVerbOther;
}

std::string LoadText(UINT id) {
  char text[300] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

void AppendText(HMENU menu, UINT id, UINT stringId, UINT flags = 0) {
  AppendMenuA(menu, MF_STRING | flags, id, LoadText(stringId).c_str());
}

bool ViewerVisible() {
  return GetLiveOptions().viewerShown && PaneViewerVisible();
}

void SetTreeItemCut(HWND tree, HTREEITEM node, bool cut) {
  TVITEMA item{};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = node;
  item.state = cut ? TVIS_CUT : 0;
  item.stateMask = TVIS_CUT;
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void ClearTreeCutMarks(HWND tree, HTREEITEM node) {
  for (; node; node = TreeView_GetNextSibling(tree, node)) {
    if (TreeView_GetItemState(tree, node, TVIS_CUT) & TVIS_CUT) SetTreeItemCut(tree, node, false);
    ClearTreeCutMarks(tree, TreeView_GetChild(tree, node));
  }
}

// The tree folder an absolute list names as a path, or "".
std::string ParsingNameOf(LPCITEMIDLIST absolute) {
  char path[MAX_PATH] = "";
  IShellFolder* desktop = nullptr;
  if (absolute && SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    GetDisplayNameText(desktop, absolute, SHGDN_FORPARSING, path);
    desktop->Release();
  }
  return path;
}

// The Favorites popup of the menu bar, when the menu bar has one at position 5.
HMENU FavoritesPopup() {
  HMENU bar = g_mainWindow ? GetMenu(g_mainWindow) : nullptr;
  HMENU popup = bar ? GetSubMenu(bar, 5) : nullptr;
  if (!popup || GetMenuItemCount(popup) < 1 || GetMenuItemID(popup, 0) != ID_FAVORITES_ADD_CURRENT) return nullptr;
  return popup;
}

struct PopupMenu {
  HMENU handle = CreatePopupMenu();
  ~PopupMenu() {
    if (handle) DestroyMenu(handle);
  }
};

// ---- Send To --------------------------------------------------------------------------------

constexpr UINT kSendToFirstId = 46000;
constexpr UINT kSendToLastId = 46999;

// The data object of what Send To sends: the selected list items when pane p's list has the
// focus, else the selected folder of its tree.
IDataObject* PaneSelectionData(HWND owner, void* context) {
  int pane = *static_cast<int*>(context);
  FilePane& p = FilePanes[pane];
  IDataObject* data = nullptr;
  if (PaneLastFocus() && PaneLastFocus() == p.list) {
    UINT count = 0;
    std::unique_ptr<LPCITEMIDLIST[]> items(CollectSelectedListItems(p.list, &count));
    if (!items || !count) return nullptr;
    FileListItem* first = GetListItemRecord(p.list, static_cast<int>(SendMessageA(
        p.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    if (!first || !first->folder ||
        FAILED(first->folder->GetUIObjectOf(owner, count, items.get(), IID_IDataObject, nullptr,
                                            reinterpret_cast<void**>(&data))))
      return nullptr;
    return data;
  }
  HTREEITEM node = p.tree ? TreeView_GetSelection(p.tree) : nullptr;
  FolderTreeItem* record = node ? GetTreeItemRecord(p.tree, node) : nullptr;
  if (!record || !record->folder || !record->relative || !record->relative->mkid.cb) return nullptr;
  LPCITEMIDLIST item = record->relative;
  if (FAILED(record->folder->GetUIObjectOf(owner, 1, &item, IID_IDataObject, nullptr,
                                           reinterpret_cast<void**>(&data))))
    return nullptr;
  return data;
}

// The owner-drawn Send To menu in a shell context menu (see PlaceSendToMenu); null when none.
HMENU ReplaceWithSendToMenu(HMENU menu) {
  SendToMenuOptions options;
  options.firstId = kSendToFirstId;
  options.lastId = kSendToLastId;
  std::string empty = LoadText(IDS_SEND_TO_EMPTY);
  options.emptyText = empty.c_str();
  return PlaceSendToMenu(menu, options, LoadText(IDS_MENU_SEND_TO).c_str());
}

}  // namespace

LPCITEMIDLIST* CollectSelectedListItems(HWND list, UINT* count) {
  *count = 0;
  g_allSelectedRenamable = 0;
  if (!list) return nullptr;
  int selected = static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0));
  if (selected <= 0) return nullptr;
  auto* items = new LPCITEMIDLIST[selected];
  UINT n = 0;
  bool renamable = true;
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
       i >= 0 && n < static_cast<UINT>(selected);
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record || !record->pidl) {
      delete[] items;
      return nullptr;
    }
    if (!(record->attributes & SFGAO_CANRENAME)) renamable = false;
    items[n++] = record->pidl;
  }
  if (n == 0) {
    delete[] items;
    return nullptr;
  }
  g_allSelectedRenamable = renamable;
  *count = n;
  return items;
}

HMENU BuildViewSubmenu() {
  HMENU menu = CreatePopupMenu();
  for (UINT i = 0; i < 4; ++i) AppendText(menu, ID_VIEW_LARGE_ICONS + i, IDS_MENU_LARGE_ICONS + i);
  UINT view = FilePanes[ActivePaneIndex].viewId;
  if (view >= ID_VIEW_LARGE_ICONS && view <= ID_VIEW_DETAILS) CheckMenuRadioItem(menu, ID_VIEW_LARGE_ICONS, ID_VIEW_DETAILS, view, MF_BYCOMMAND);
  return menu;
}

HMENU BuildSortSubmenu() {
  HMENU menu = CreatePopupMenu();
  AppendText(menu, ID_SORT_BY_NAME, IDS_MENU_BY_NAME);
  AppendText(menu, ID_SORT_BY_EXTENSION, IDS_MENU_BY_EXTENSION);
  AppendText(menu, ID_SORT_BY_SIZE, IDS_MENU_BY_SIZE);
  AppendText(menu, ID_SORT_BY_TYPE, IDS_MENU_BY_TYPE);
  AppendText(menu, ID_SORT_BY_DATE, IDS_MENU_BY_DATE);
  AppendText(menu, ID_SORT_BY_ATTRIBUTES, IDS_MENU_BY_ATTRIBUTES);
  int key = SortButtonKey(ActivePaneIndex, FilePanes[ActivePaneIndex].sortKey);
  if (key >= 0) CheckMenuRadioItem(menu, ID_SORT_BY_NAME, ID_SORT_BY_ATTRIBUTES, ID_SORT_BY_NAME + key, MF_BYCOMMAND);
  return menu;
}

UINT ShowPaneBackgroundMenu(HWND owner, POINT point, BOOL archive) {
  PopupMenu popup;
  HMENU menu = popup.handle;
  if (!menu) return 0;
  if (archive) {
    AppendText(menu, ID_FILE_UNZIP, IDS_MENU_EXTRACT);
    AppendText(menu, ID_FILE_ADD_TO_ZIP, ID_FILE_ADD_TO_ZIP);
    AppendText(menu, ID_TOOLS_SHELL_EXT_5, ID_TOOLS_SHELL_EXT_5);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  }
  HMENU view = BuildViewSubmenu();
  HMENU sort = BuildSortSubmenu();
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(view), LoadText(IDS_MENU_VIEW).c_str());
  AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sort), LoadText(IDS_MENU_ARRANGE).c_str());
  HMENU favorites = FavoritesPopup();
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  if (favorites)
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(favorites), LoadText(IDS_MENU_FAVORITES).c_str());
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_GO_BACK, IDS_MENU_BACK, CanGoBack(ActivePaneIndex) ? 0 : MF_GRAYED);
  AppendText(menu, ID_GO_FORWARD, IDS_MENU_FORWARD, CanGoForward(ActivePaneIndex) ? 0 : MF_GRAYED);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_GO_UP, IDS_MENU_UP_ONE_LEVEL);
  AppendText(menu, ID_GO_FOLDER, IDS_MENU_GO_TO_FOLDER);
  AppendText(menu, ID_GO_DRIVE, IDS_MENU_GO_TO_DRIVE);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_EDIT_PASTE, IDS_MENU_PASTE);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_EDIT_SELECT, IDS_MENU_SELECT);
  AppendText(menu, ID_EDIT_SELECT_ALL, IDS_MENU_SELECT_ALL);
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                                        point.x, point.y, owner, nullptr);
  // The favorites popup belongs to the menu bar: detach it before the popup goes.
  if (favorites) {
    for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i)
      if (GetSubMenu(menu, i) == favorites) RemoveMenu(menu, i, MF_BYPOSITION);
  }
  return chosen;
}

UINT ShowArchiveListMenu(HWND owner, POINT point) {
  PopupMenu popup;
  HMENU menu = popup.handle;
  if (!menu) return 0;
  AppendText(menu, ID_FILE_OPEN, IDS_MENU_OPEN);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_FILE_UNZIP, IDS_MENU_EXTRACT);
  int zip = 0;
  char path[MAX_PATH] = "";
  if (GetTreeSelectionPath(FilePanes[ActivePaneIndex].tree, path, FALSE, TRUE))
    IsArchivePath(nullptr, nullptr, path, &zip);
  if (zip) {
    AppendText(menu, ID_FILE_DELETE, IDS_MENU_DELETE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendText(menu, ID_FILE_ADD_TO_ZIP, ID_FILE_ADD_TO_ZIP);
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_EDIT_SELECT, IDS_MENU_SELECT);
  AppendText(menu, ID_EDIT_SELECT_ALL, IDS_MENU_SELECT_ALL);
  return seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x,
                                 point.y, owner, nullptr);
}

UINT ShowBarsContextMenu(HWND owner) {
  PopupMenu popup;
  HMENU menu = popup.handle;
  if (!menu) return 0;
  const LiveOptions& o = GetLiveOptions();
  AppendText(menu, ID_VIEW_CUSTOMIZE_TOOLBAR, IDS_MENU_CUSTOMIZE_TOOLBAR);
  AppendText(menu, ID_VIEW_CUSTOMIZE_LAUNCH_BAR, IDS_MENU_CUSTOMIZE_LAUNCH_BAR);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendText(menu, ID_VIEW_TOOLBAR, IDS_MENU_TOOLBAR, o.toolbarShown ? MF_CHECKED : 0);
  AppendText(menu, ID_VIEW_DRIVE_BAR, IDS_MENU_DRIVE_BAR, o.driveBarShown ? MF_CHECKED : 0);
  AppendText(menu, ID_VIEW_LAUNCH_BAR, IDS_MENU_LAUNCH_BAR, o.launchBarShown ? MF_CHECKED : 0);
  AppendText(menu, ID_VIEW_VIEWER_PANE, IDS_MENU_VIEWER, o.viewerShown ? MF_CHECKED : 0);
  AppendText(menu, ID_VIEW_COMMAND_LINE_BAR, IDS_MENU_COMMAND_LINE, o.dosBarShown ? MF_CHECKED : 0);
  AppendText(menu, ID_VIEW_STATUS_BAR, IDS_MENU_STATUS_BAR, o.statusBarShown ? MF_CHECKED : 0);
  POINT at{};
  GetCursorPos(&at);
  return seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y,
                                 owner, nullptr);
}

UINT ShowSelectionContextMenu(HWND owner, POINT* point, int pane) {
  FilePane& p = FilePanes[pane];
  IContextMenu* context = nullptr;
  HTREEITEM hit = nullptr;
  bool listCase = PaneLastFocus() && PaneLastFocus() == p.list;
  bool renamable = false;
  UINT treeFlags = 0;
  if (listCase) {
    HTREEITEM node = TreeView_GetSelection(p.tree);
    FolderTreeItem* folder = node ? GetTreeItemRecord(p.tree, node) : nullptr;
    if (folder) treeFlags = folder->kind;
    UINT count = 0;
    std::unique_ptr<LPCITEMIDLIST[]> items(CollectSelectedListItems(p.list, &count));
    if (!items) {
      UINT chosen = ShowPaneBackgroundMenu(owner, *point, FALSE);
      if (chosen) SendMessageA(g_mainWindow ? g_mainWindow : owner, WM_COMMAND, chosen, 0);
      return 1;
    }
    renamable = g_allSelectedRenamable != 0;
    FileListItem* first = GetListItemRecord(p.list, static_cast<int>(SendMessageA(
        p.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    if (!first || !first->folder) return 0;
    if (FAILED(first->folder->GetUIObjectOf(g_mainWindow ? g_mainWindow : owner, count, items.get(),
                                            IID_IContextMenu, nullptr,
                                            reinterpret_cast<void**>(&context))) || !context)
      return 0;
  } else {
    if (!p.tree) return 0;
    TVHITTESTINFO test{};
    test.pt = *point;
    ScreenToClient(p.tree, &test.pt);
    hit = TreeView_HitTest(p.tree, &test);
    if (!hit || !(test.flags & (TVHT_ONITEM | TVHT_ONITEMINDENT | TVHT_ONITEMBUTTON | TVHT_ONITEMRIGHT)))
      return 0;
    FolderTreeItem* record = GetTreeItemRecord(p.tree, hit);
    if (!record) return 0;
    treeFlags = record->kind;
    if (record->kind & kTreeKindFtpRoot) {
      PopupMenu popup;
      if (!popup.handle) return 0;
      AppendText(popup.handle, 81, IDS_MENU_ADD_FTP_SITE);
      UINT chosen = seams::TrackPopupMenuEx(popup.handle, TPM_RETURNCMD | TPM_RIGHTBUTTON, point->x,
                                            point->y, owner, nullptr);
      // Adding a site belongs to the FTP sites, which this program does not offer.
      if (chosen == 81) MessageBeep(0);
      return 1;
    }
    if (!record->folder || !record->relative || !record->relative->mkid.cb) return 0;
    LPCITEMIDLIST item = record->relative;
    ULONG attributes = SFGAO_CANRENAME;
    if (SUCCEEDED(record->folder->GetAttributesOf(1, &item, &attributes)))
      renamable = (attributes & SFGAO_CANRENAME) != 0;
    g_allSelectedRenamable = renamable;
    if (FAILED(record->folder->GetUIObjectOf(g_mainWindow ? g_mainWindow : owner, 1, &item,
                                             IID_IContextMenu, nullptr,
                                             reinterpret_cast<void**>(&context))) || !context)
      return 0;
  }

  PopupMenu popup;
  HMENU menu = popup.handle;
  if (!menu || FAILED(context->QueryContextMenu(menu, 0, 1, 32767, CMF_EXPLORE))) {
    context->Release();
    return 0;
  }
  HMENU sendTo = ReplaceWithSendToMenu(menu);
  if (renamable) {
    int count = GetMenuItemCount(menu);
    bool ftpLayout = (treeFlags & kTreeKindFtpBranch) && !(treeFlags & kTreeKindFtpFolder) &&
                     !(listCase && (treeFlags & kTreeKindFtpSite));
    int position = count - (ftpLayout ? 5 : 2);
    if (position < 0) position = 0;
    InsertMenuA(menu, static_cast<UINT>(position), MF_BYPOSITION | MF_STRING, ID_FILE_RENAME,
                LoadText(IDS_MENU_RENAME).c_str());
  }
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RIGHTBUTTON | TPM_RETURNCMD, point->x, point->y,
                                        owner, nullptr);
  if (sendTo && chosen >= kSendToFirstId && chosen <= kSendToLastId) {
    int sendPane = pane;
    FindSendToMenuItem(g_mainWindow ? g_mainWindow : owner, sendTo, chosen, PaneSelectionData, &sendPane);
  } else if (chosen == ID_FILE_RENAME) {
    if (listCase)
      PostMessageA(g_mainWindow ? g_mainWindow : owner, WM_COMMAND, ID_FILE_RENAME, 0);
    else
      PostMessageA(p.tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(hit));
  } else if (chosen > 0 && chosen < ID_FILE_RENAME) {
    ShellVerb verb = ClassifyVerb(context, chosen);
    bool released = false;
    if (verb == kVerbDelete && ViewerVisible()) {
      SendMessageA(g_mainWindow, WM_USER + 104, 0, 0);
      released = true;
    }
    std::string hitPath;
    if (!listCase) {
      FolderTreeItem* record = GetTreeItemRecord(p.tree, hit);
      if (record) hitPath = ParsingNameOf(record->absolute);
    }
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.hwnd = g_mainWindow ? g_mainWindow : owner;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - 1);
    invoke.nShow = SW_SHOWNORMAL;
    if (SUCCEEDED(context->InvokeCommand(&invoke))) {
      if (verb == kVerbCut || verb == kVerbCopy || verb == kVerbPaste) {
        for (const FilePane& each : FilePanes) {
          if (each.list) ClearCutMarks(each.list);
          if (each.tree) {
            ClearTreeDropHighlight(each.tree);
            ClearTreeCutMarks(each.tree, TreeView_GetRoot(each.tree));
          }
        }
      }
      if (verb == kVerbCut) {
        if (listCase)
          MarkSelectionCut(p.list);
        else
          SetTreeItemCut(p.tree, hit, true);
      }
      if (verb == kVerbCut || verb == kVerbCopy) UpdatePaneCommandStates();
      if (verb == kVerbDelete && !listCase && !hitPath.empty() &&
          GetFileAttributesA(hitPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        TreeView_DeleteItem(p.tree, hit);
    }
    if (released && g_paneServices.updateViewer) g_paneServices.updateViewer(TRUE);
  }
  // The popup destroys the Send To menu with it; its entries go now.
  if (sendTo) ReleaseSendToMenu(nullptr);
  context->Release();
  return 1;
}

LRESULT OnPaneRightClick(HWND mainWindow, int pane, HWND control) {
  POINT at{};
  GetCursorPos(&at);
  FilePane& p = FilePanes[pane];
  if (control == p.list) {
    LVHITTESTINFO test{};
    test.pt = at;
    ScreenToClient(p.list, &test.pt);
    int index = static_cast<int>(SendMessageA(p.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&test)));
    bool onItem = index >= 0 && (test.flags & LVHT_ONITEM);
    bool archive = p.listKind == kListKindArchive;
    UINT chosen = 0;
    if (onItem && !archive) {
      SetPaneLastFocus(p.list);
      ActivePaneIndex = pane;
      ShowSelectionContextMenu(mainWindow, &at, pane);
      return 1;
    }
    chosen = onItem ? ShowArchiveListMenu(mainWindow, at) : ShowPaneBackgroundMenu(mainWindow, at, archive);
    if (chosen) SendMessageA(mainWindow, WM_COMMAND, chosen, 0);
    return 1;
  }
  if (control == p.tree) {
    if (PaneLastFocus() == p.list) SetPaneLastFocus(p.tree);
    ShowSelectionContextMenu(mainWindow, &at, pane);
    return 1;
  }
  return 0;
}

UINT IsExecutableFile(const char* path) {
  return path && path[0] && SHGetFileInfoA(path, 0, nullptr, 0, SHGFI_EXETYPE) != 0;
}

UINT OpenListItem(FileListItem* item, BOOL force) { return OpenListItemInPane(ActivePaneIndex, item, force); }

UINT OpenListItemInPane(int pane, FileListItem* item, BOOL force) {
  HWND main = g_mainWindow;
  FilePane& p = FilePanes[pane];
  if (!item) {
    PostMessageA(main, WM_COMMAND, ID_GO_UP, 0);
    return 1;
  }
  if (GetKeyState(VK_MENU) < 0) {
    PostMessageA(main, WM_COMMAND, ID_FILE_PROPERTIES, 0);
    return 1;
  }
  const LiveOptions& o = GetLiveOptions();
  if (!force) {
    bool folder = (item->attributes & SFGAO_FOLDER) != 0;
    bool archive = false;
    if (!folder && o.zipOpenFromList && !o.noArchivesAsFolders && item->folder && item->pidl)
      archive = IsArchivePath(item->folder, item->pidl, nullptr, nullptr) != 0;
    if ((folder || archive) && p.tree && item->folder && item->pidl) {
      HTREEITEM selected = TreeView_GetSelection(p.tree);
      if (selected) {
        ExpandFolderTreeItem(p.tree, selected);
        TreeView_Expand(p.tree, selected, TVE_EXPAND);
        for (HTREEITEM child = TreeView_GetChild(p.tree, selected); child;
             child = TreeView_GetNextSibling(p.tree, child)) {
          FolderTreeItem* node = GetTreeItemRecord(p.tree, child);
          if (!node || !node->folder || !node->relative) continue;
          HRESULT hr = item->folder->CompareIDs(0, node->relative, item->pidl);
          if (SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0) {
            TreeView_SelectItem(p.tree, child);
            return 1;
          }
        }
      }
      // The tree does not know the folder yet: read it again, then open the selection.
      PostMessageA(main, WM_COMMAND, ID_VIEW_REFRESH, 0);
      PostMessageA(main, WM_COMMAND, ID_FILE_OPEN, 0);
      return 1;
    }
  }
  HTREEITEM node = p.tree ? TreeView_GetSelection(p.tree) : nullptr;
  FolderTreeItem* folder = node ? GetTreeItemRecord(p.tree, node) : nullptr;
  if (folder && (folder->kind & kTreeKindFtpBranch)) {
    MessageBeep(0);  // FTP items open through the FTP sites, which this program does not offer
    return 0;
  }
  if (!item->folder || !item->pidl) return 0;
  char path[MAX_PATH] = "";
  GetDisplayNameText(item->folder, item->pidl, SHGDN_FORPARSING, path);
  if (path[0]) {
    const char* dot = strrchr(path, '.');
    if (dot && !strchr(dot, '\\') && lstrcmpiA(dot, ".exe") == 0 && !IsExecutableFile(path)) {
      char format[300] = "", text[MAX_PATH + 300];
      LoadStringA(g_instance, IDS_NOT_VALID_APPLICATION, format, sizeof format);
      snprintf(text, sizeof text, format, path);
      seams::MessageBoxA(main, text, g_title, MB_ICONHAND);
      return 1;
    }
  }
  char directory[MAX_PATH] = "";
  if (path[0]) {
    char drive[_MAX_DRIVE] = "", dir[_MAX_DIR] = "";
    _splitpath(path, drive, dir, nullptr, nullptr);
    snprintf(directory, sizeof directory, "%s%s", drive, dir);
    if (drive[0]) {
      char root[8];
      snprintf(root, sizeof root, "%s\\", drive);
      UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
      DWORD attributes = GetFileAttributesA(root);
      SetErrorMode(old);
      if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    }
  } else {
    GetWindowsDirectoryA(directory, sizeof directory);
  }
  LPITEMIDLIST parent = folder ? folder->absolute : nullptr;
  PidlPtr absolute(CombinePidls(parent, item->pidl));
  if (!absolute) return 0;
  if (ViewerVisible()) SendMessageA(main, WM_USER + 104, 0, 0);
  if (path[0] && IsShortcutPath(path)) return OpenShellItem(absolute.get()) ? 1 : 0;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_INVOKEIDLIST;
  info.hwnd = main;
  info.lpFile = path[0] ? path : nullptr;
  info.lpIDList = absolute.get();
  info.lpDirectory = directory;
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? 1 : 0;
}
