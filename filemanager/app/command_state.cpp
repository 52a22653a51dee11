// Command availability and the menu and toolbar states that follow it.
#include "launch_bar.h"
#include "command_state.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "navigation_history.h"
#include "path_utils.h"
#include "resource.h"
#include "settings_store.h"
#include "startup.h"
#include "toolbar.h"

char g_shellUndoText[80];

namespace {

constexpr UINT kCommands[kAvailabilityFlags] = {
    0,     ID_FILE_OPEN_WITH, ID_EDIT_MOVE_TO, ID_EDIT_COPY_TO, ID_FILE_DELETE, ID_FILE_RECYCLE, ID_FILE_RENAME, ID_FILE_PROPERTIES, ID_FILE_PRINT_FILES, 0,     ID_FILE_ADD_TO_ZIP, ID_FILE_ZIP_TO,
    ID_FILE_UNZIP, ID_TOOLS_SHELL_EXT_5, ID_FILE_CREATE_SHORTCUT, ID_WINDOW_CLOSE_ALL, ID_WINDOW_CLOSE_OTHERS, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_COPY_NAMES, ID_EDIT_PASTE, 0,     ID_GO_UP, ID_FILE_SEND_MAIL,
    ID_GO_BACK, ID_GO_FORWARD, ID_FILE_EDIT, ID_FILE_SET_DATE_TIME, ID_FILE_WIPE, ID_FILE_ENCRYPT, ID_TOOLS_SHELL_EXT_6, ID_TOOLS_SHELL_EXT_8, ID_FILE_UUENCODE, ID_TOOLS_SHELL_EXT_9, ID_TOOLS_COMPARE, ID_TOOLS_SYNCHRONIZE,
    ID_FTP_1, ID_FTP_2, ID_FTP_6, ID_FTP_4, ID_FTP_5, ID_FTP_9, 0,     ID_FILE_GROUP_RENAME, 0};

// Toolbar buttons that follow the record.
constexpr UINT kToolbarFollowers[] = {ID_FILE_OPEN_WITH, ID_EDIT_MOVE_TO, ID_EDIT_COPY_TO, ID_FILE_RECYCLE, ID_FILE_DELETE, ID_FILE_WIPE, ID_FILE_RENAME, ID_FILE_PROPERTIES,
                                      ID_FILE_PRINT_FILES, ID_FILE_ADD_TO_ZIP, ID_FILE_ZIP_TO, ID_FILE_UNZIP, ID_FILE_CREATE_SHORTCUT, ID_WINDOW_CLOSE_ALL, ID_WINDOW_CLOSE_OTHERS, ID_EDIT_CUT,
                                      ID_EDIT_COPY, ID_EDIT_PASTE, ID_GO_UP, ID_FILE_SEND_MAIL, ID_GO_BACK, ID_GO_FORWARD, ID_FILE_EDIT, ID_FILE_SET_DATE_TIME,
                                      ID_FILE_ENCRYPT, ID_TOOLS_COMPARE, ID_TOOLS_SYNCHRONIZE, ID_TOOLS_SHELL_EXT_9};

struct Flags {
  CommandAvailability* a;
  void set(std::initializer_list<int> indexes, uint32_t value) {
    for (int i : indexes) a->flags[i] = value;
  }
  void range(int first, int last, uint32_t value) {
    for (int i = first; i <= last; ++i) a->flags[i] = value;
  }
};

int IndexOfCommand(UINT command) {
  for (int i = 0; i < kAvailabilityFlags; ++i)
    if (kCommands[i] == command) return i;
  return -1;
}

HTREEITEM SelectedNode(HWND tree) {
  return tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
}

bool RootSelected(HWND tree) {
  HTREEITEM node = SelectedNode(tree);
  return !node || node == reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

ULONG QueryNodeAttributes(const FolderTreeItem* record, ULONG mask, bool* known) {
  *known = false;
  if (!record || !record->folder || !record->relative || !record->relative->mkid.cb) return 0;
  ULONG attributes = mask;
  LPCITEMIDLIST item = record->relative;
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
  HRESULT hr = record->folder->GetAttributesOf(1, &item, &attributes);
  SetErrorMode(old);
  if (FAILED(hr)) return 0;
  *known = true;
  return attributes;
}

bool SystemClipboardHas(UINT format) { return IsClipboardFormatAvailable(format) != 0; }

struct FindOther {
  HWND self;
  bool found;
};

BOOL CALLBACK FindOtherInstance(HWND window, LPARAM data) {
  auto* find = reinterpret_cast<FindOther*>(data);
  if (window == find->self) return TRUE;
  char name[32];
  if (GetClassNameA(window, name, sizeof name) && strcmp(name, g_className) == 0) {
    find->found = true;
    return FALSE;
  }
  return TRUE;
}

bool ArchiveFacts(IShellFolder* folder, LPCITEMIDLIST item, bool* isZip) {
  int zip = 0;
  *isZip = false;
  if (!folder || !item) return false;
  if (!IsArchivePath(folder, item, nullptr, &zip)) return false;
  *isZip = zip != 0;
  return true;
}

ListRulesInput GatherListInput(int pane) {
  ListRulesInput input{};
  const FilePane& p = FilePanes[pane];
  input.archivePane = p.listKind == kListKindArchive;
  input.siblingZipFolder = p.zipAsFolder != 0;
  HTREEITEM node = SelectedNode(p.tree);
  const FolderTreeItem* folder = node ? GetTreeItemRecord(p.tree, node) : nullptr;
  if (folder) {
    input.treeFolderKind = folder->kind & 0xF;
    if (input.archivePane) {
      bool zip = false;
      ArchiveFacts(folder->folder, folder->relative, &zip);
      input.zipArchivePane = zip;
    }
  }
  HWND list = p.list;
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); i >= 0;
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
    SelectedItemFacts facts{};
    const FileListItem* record = GetListItemRecord(list, i);
    facts.hasRecord = record != nullptr;
    if (record) {
      facts.attributes = record->attributes;
      if ((record->attributes & SFGAO_FILESYSTEM) && !input.archivePane)
        facts.isArchive = ArchiveFacts(record->folder, record->pidl, &facts.isZip);
    }
    input.selection.push_back(facts);
    if (!record) break;  // the up entry ends the rules
  }
  return input;
}

TreeRulesInput GatherTreeInput(int pane) {
  TreeRulesInput input{};
  const FilePane& p = FilePanes[pane];
  HTREEITEM node = SelectedNode(p.tree);
  const FolderTreeItem* record = node ? GetTreeItemRecord(p.tree, node) : nullptr;
  input.archiveOrSiblingPane = p.listKind == kListKindArchive || p.zipAsFolder;
  if (!record) return input;
  input.kind = record->kind & 0xF;
  input.attributes = QueryNodeAttributes(record, 0x60000177, &input.attributesKnown);
  if ((input.attributes & SFGAO_FILESYSTEM) && !(input.attributes & SFGAO_FOLDER)) {
    bool zip = false;
    ArchiveFacts(record->folder, record->relative, &zip);
    input.isZipFile = zip;
  }
  return input;
}

// Paste, instances, up and history.
void AddCommonFlags(CommandAvailability* a, int pane) {
  const FilePane& p = FilePanes[pane];
  HTREEITEM node = SelectedNode(p.tree);
  const FolderTreeItem* record = node ? GetTreeItemRecord(p.tree, node) : nullptr;
  bool known = false;
  ULONG attributes = QueryNodeAttributes(record, SFGAO_DROPTARGET, &known);
  bool root = RootSelected(p.tree);
  a->flags[20] = PasteAvailable(root, p.listKind == kListKindArchive, attributes, SystemClipboardHas);
  bool others = OtherInstancesExist(g_mainWindow);
  a->flags[15] = a->flags[16] = others;
  a->flags[22] = p.tree && !root;
  a->flags[24] = CanGoBack(pane);
  a->flags[25] = CanGoForward(pane);
}

void SetRadio(HMENU menu, std::initializer_list<UINT> ids, UINT chosen) {
  for (UINT id : ids) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    if (!GetMenuItemInfoA(menu, id, FALSE, &info)) continue;
    info.fType |= MFT_RADIOCHECK;
    info.fState = (info.fState & ~MFS_CHECKED) | (id == chosen ? MFS_CHECKED : 0);
    SetMenuItemInfoA(menu, id, FALSE, &info);
  }
}

void SetCheck(HMENU menu, UINT id, bool on) {
  CheckMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void SetUndoText(HMENU menu) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STRING | MIIM_STATE;
  char text[100] = "";
  if (g_shellUndoText[0]) {
    snprintf(text, sizeof text, "%s", g_shellUndoText);
    info.fState = MFS_ENABLED;
  } else {
    LoadStringA(g_instance, IDS_UNDO_DEFAULT, text, sizeof text);
    info.fState = MFS_GRAYED;
  }
  info.dwTypeData = text;
  SetMenuItemInfoA(menu, ID_EDIT_UNDO, FALSE, &info);
}

}  // namespace

UINT AvailabilityCommand(int index) {
  return index >= 0 && index < kAvailabilityFlags ? kCommands[index] : 0;
}

void BuildListAvailability(const ListRulesInput& in, CommandAvailability* a) {
  *a = {};
  Flags f{a};
  if (in.selection.empty()) {
    f.set({36}, 1);
    if (in.treeFolderKind & (kAvailFtpState2 | kAvailFtpState3)) f.set({40}, 1);
    if (!in.archivePane) {
      f.set({34, 35}, 1);
      f.set({19}, 0);
      return;
    }
    f.set({10, 13, 30}, in.zipArchivePane);
    f.set({12}, 1);
    f.set({1, 31, 32, 33}, 0);
    f.set({34, 35}, 1);
    f.set({19}, 0);
    return;
  }
  f.range(1, 8, 1);
  f.range(10, 14, 1);
  f.range(17, 19, 1);
  f.set({23}, 1);
  f.range(26, 40, 1);
  f.set({43}, 1);
  if (in.archivePane) {
    if (!in.zipArchivePane) f.set({10, 13, 30, 4}, 0);
    f.set({2, 11, 3, 19, 23, 1, 5}, 0);
    f.range(26, 29, 0);
    f.range(31, 34, 0);
    f.set({35, 43}, 0);
  }
  if (in.treeFolderKind & kAvailFtpItem)
    f.set({1, 19, 8, 10, 12, 13, 30, 5, 28, 7, 18, 17, 14, 2, 3, 11, 29, 34, 35, 23, 26, 27, 31, 32, 33}, 0);
  else
    f.range(37, 40, 0);

  const size_t count = in.selection.size();
  int archives = 0;
  for (const SelectedItemFacts& item : in.selection) {
    if (!item.hasRecord) {
      bool compare = a->flags[34], sync = a->flags[35];
      *a = {};
      a->flags[34] = compare;
      a->flags[35] = sync;
      return;
    }
    if (count == 1)
      f.set({43}, 0);
    else
      f.set({32}, 0);
    const ULONG at = item.attributes;
    if (!(at & SFGAO_CANCOPY)) f.set({18, 19, 27}, 0);
    if (!(at & SFGAO_CANMOVE)) f.set({17}, 0);
    if (!(at & SFGAO_CANLINK)) f.set({14}, 0);
    if (!(at & SFGAO_CANRENAME)) {
      f.range(37, 40, 0);
      f.set({6, 43}, 0);
    }
    if (!(at & SFGAO_CANDELETE)) f.set({4, 5, 28}, 0);
    if (!(at & SFGAO_HASPROPSHEET)) f.set({7}, 0);
    if (at & SFGAO_FOLDER) f.set({8, 1, 31, 32, 26, 23, 33, 39}, 0);
    if (!(at & SFGAO_FILESYSTEM)) {
      f.set({2, 3, 19, 23, 8, 11, 13, 10, 12, 30, 1, 26, 27, 28, 29, 32, 31, 33, 34, 35, 40, 39}, 0);
      continue;
    }
    if (in.archivePane) continue;
    if (item.isArchive) {
      if (++archives > 1) f.set({13, 10, 30}, 0);
      if (!item.isZip) f.set({10, 13, 30}, 0);
    } else if (!in.siblingZipFolder) {
      f.set({13, 10, 12, 30, 37, 38}, 0);
    }
  }
}

void BuildTreeAvailability(const TreeRulesInput& in, CommandAvailability* a) {
  *a = {};
  Flags f{a};
  f.set({1}, 0);
  f.range(2, 7, 1);
  f.set({10}, 0);
  f.set({11}, 1);
  f.set({12, 13, 30}, 0);
  f.set({14, 17, 18, 19}, 1);
  f.set({23, 8}, 0);
  f.set({28, 29}, 1);
  f.set({31, 32, 33}, 0);
  f.set({34, 35, 36}, 1);
  f.set({43}, 0);
  if (in.kind & kAvailFtpItem) {
    if (in.kind & kAvailFtpState2) f.set({37, 38, 40}, 1);
    if (in.kind & kAvailFtpSite) f.set({4, 19, 6}, 0);
    if (in.kind & kAvailFtpState3) f.set({40}, 1);
    f.set({5, 28, 7, 18, 17, 14, 2, 3, 11, 29, 34, 35}, 0);
  }
  if (in.archiveOrSiblingPane && in.siblingZipItem) {
    f.set({30, 12, 13, 10}, 1);
    if (in.siblingReportsZip) f.set({32}, 1);
  }
  const ULONG at = in.attributesKnown ? in.attributes : 0;
  if (!(at & SFGAO_CANCOPY)) f.set({18, 19}, 0);
  if (!(at & SFGAO_CANMOVE)) f.set({17}, 0);
  if (!(at & SFGAO_CANLINK)) f.set({14}, 0);
  if (!(at & SFGAO_CANRENAME)) f.set({6}, 0);
  if (!(at & SFGAO_CANDELETE)) f.set({4, 5, 28}, 0);
  if (!(at & SFGAO_HASPROPSHEET)) f.set({7}, 0);
  if (!(at & SFGAO_FILESYSTEM)) {
    f.set({2, 3, 19, 11, 28, 29, 34, 35}, 0);
  } else if (!(at & SFGAO_FOLDER)) {
    f.set({34, 35}, 0);
    f.set({1, 23, 12, 32}, 1);
    f.set({13, 10}, in.isZipFile);
  }
}

bool PasteAvailable(bool treeRootSelected, bool archivePane, ULONG folderAttributes,
                    bool (*clipboardHas)(UINT format)) {
  if (treeRootSelected) return false;
  bool data = clipboardHas(CF_HDROP);
  if (!data && !archivePane) {
    UINT group = RegisterClipboardFormatA("FileGroupDescriptor");
    UINT object = RegisterClipboardFormatA("Object Descriptor");
    data = (group && clipboardHas(group)) || (object && clipboardHas(object));
  }
  return data && (folderAttributes & SFGAO_DROPTARGET);
}

bool OtherInstancesExist(HWND self) {
  FindOther find{self, false};
  EnumWindows(FindOtherInstance, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

BOOL BuildToolbarAvailability(CommandAvailability* a) {
  *a = {};
  HWND focus = g_frame.lastFocus;
  if (!focus || !IsWindow(focus) || !g_frame.toolbar) return FALSE;
  const int pane = ActivePaneIndex;
  if (focus == FilePanes[pane].list)
    BuildListAvailability(GatherListInput(pane), a);
  else
    BuildTreeAvailability(GatherTreeInput(pane), a);
  a->flags[21] = 0;
  AddCommonFlags(a, pane);
  return TRUE;
}

void BuildMenuAvailability(CommandAvailability* a) {
  *a = {};
  const int pane = ActivePaneIndex;
  HWND focus = g_frame.lastFocus;
  if (focus && focus == FilePanes[pane].list)
    BuildListAvailability(GatherListInput(pane), a);
  else if (focus && focus == FilePanes[pane].tree)
    BuildTreeAvailability(GatherTreeInput(pane), a);
  AddCommonFlags(a, pane);
}

void ApplyAvailabilityToToolbar(HWND toolbar, const CommandAvailability& a) {
  if (!toolbar) return;
  for (UINT command : kToolbarFollowers) {
    int index = IndexOfCommand(command);
    SendMessageA(toolbar, TB_ENABLEBUTTON, command, index >= 0 && a.flags[index]);
  }
  const FilePane& p = FilePanes[ActivePaneIndex];
  UpdateSortButtons(SortButtonKey(ActivePaneIndex, p.sortKey));
  UpdateViewButtons(p.viewId);
  SendMessageA(toolbar, TB_CHECKBUTTON, ID_VIEW_FOLDER_LIST, p.treeShown != 0);
  SendMessageA(toolbar, TB_CHECKBUTTON, ID_VIEW_VIEWER_PANE, GetLiveOptions().viewerShown != 0);
}

void UpdateCommandStates() {
  CommandAvailability a;
  if (!BuildToolbarAvailability(&a)) return;
  ApplyAvailabilityToToolbar(g_frame.toolbar, a);
}

void ApplyAvailabilityToMenu(HMENU menu, const CommandAvailability& a) {
  if (!menu) return;
  for (int i = 0; i < kAvailabilityFlags; ++i) {
    UINT command = kCommands[i];
    if (!command) continue;
    EnableMenuItem(menu, command, MF_BYCOMMAND | (a.flags[i] ? MF_ENABLED : MF_GRAYED));
    if (command == ID_EDIT_COPY_NAMES) EnableMenuItem(menu, ID_EDIT_COPY_PATHS, MF_BYCOMMAND | (a.flags[i] ? MF_ENABLED : MF_GRAYED));
  }
  const LiveOptions& o = GetLiveOptions();
  const FilePane& p = FilePanes[ActivePaneIndex];
  SetCheck(menu, ID_VIEW_TOOLBAR, o.toolbarShown);
  SetCheck(menu, ID_VIEW_DRIVE_BAR, o.driveBarShown);
  SetCheck(menu, ID_VIEW_LAUNCH_BAR, o.launchBarShown);
  SetCheck(menu, ID_VIEW_STATUS_BAR, o.statusBarShown);
  SetCheck(menu, ID_VIEW_COMMAND_LINE_BAR, o.dosBarShown);
  SetCheck(menu, ID_VIEW_VIEWER_PANE, o.viewerShown);
  SetCheck(menu, ID_VIEW_FOLDER_LIST, p.treeShown);
  SetCheck(menu, ID_OPTIONS_SAVE_ON_EXIT, o.saveOnExit);
  SetCheck(menu, ID_VIEW_GENERIC_ICONS, o.genericIconsOnly);
  SetCheck(menu, ID_VIEW_REAL_NAMES, o.showParsingNames);
  SetCheck(menu, ID_FTP_9, a.flags[42]);
  SetRadio(menu, {ID_VIEW_LARGE_ICONS, ID_VIEW_SMALL_ICONS, ID_VIEW_LIST, ID_VIEW_DETAILS}, p.viewId);
  int key = SortButtonKey(ActivePaneIndex, p.sortKey);
  SetRadio(menu, {ID_SORT_BY_NAME, ID_SORT_BY_EXTENSION, ID_SORT_BY_SIZE, ID_SORT_BY_TYPE, ID_SORT_BY_DATE, ID_SORT_BY_TIME, ID_SORT_BY_ATTRIBUTES}, key < 0 ? 0 : ID_SORT_BY_NAME + key);
  UINT placement = o.viewerPlacement == 0 ? ID_VIEWER_PLACEMENT_0
                   : o.viewerPlacement == 1 ? ID_VIEWER_PLACEMENT_1
                   : o.viewerOnTop ? ID_VIEWER_DETACHED_ON_TOP : ID_VIEWER_FLOATING;
  SetRadio(menu, {ID_VIEWER_PLACEMENT_0, ID_VIEWER_PLACEMENT_1, ID_VIEWER_FLOATING, ID_VIEWER_DETACHED_ON_TOP}, placement);
  SetRadio(menu, {ID_LAYOUT_SINGLE, ID_LAYOUT_STACKED, ID_LAYOUT_SIDE_BY_SIDE},
           !g_paneLayout.twoPanes ? ID_LAYOUT_SINGLE : (g_paneLayout.orientation ? ID_LAYOUT_STACKED : ID_LAYOUT_SIDE_BY_SIDE));
  const UINT treeState = MF_BYCOMMAND | (p.treeShown ? MF_ENABLED : MF_GRAYED);
  for (UINT id : {ID_TREE_EXPAND_LEVEL, ID_TREE_EXPAND_BRANCH, ID_TREE_EXPAND_ALL, ID_TREE_COLLAPSE_BRANCH, ID_TREE_COLLAPSE_ALL, ID_TREE_EXPAND_DRIVE, ID_TREE_COLLAPSE_DRIVE}) EnableMenuItem(menu, id, treeState);
  SetUndoText(menu);
}

void UpdateMenuStates(HWND, HMENU menu) {
  CommandAvailability a;
  BuildMenuAvailability(&a);
  ApplyAvailabilityToMenu(menu, a);
}

BOOL GetToolbarTipText(UINT id, char* buffer, int size) {
  if (size <= 0) return FALSE;
  buffer[0] = '\0';
  if (id == ID_EDIT_UNDO && g_shellUndoText[0]) {
    snprintf(buffer, static_cast<size_t>(size), "%s", g_shellUndoText);
    return TRUE;
  }
  if (id == ID_GO_BACK || id == ID_GO_FORWARD) {
    char name[MAX_PATH] = "";
    int has = id == ID_GO_BACK ? GetBackEntryName(ActivePaneIndex, name) : GetForwardEntryName(ActivePaneIndex, name);
    if (has && name[0]) {
      char format[100] = "";
      LoadStringA(g_instance, id == ID_GO_BACK ? IDS_TIP_BACK_TO : IDS_TIP_FORWARD_TO, format, sizeof format);
      if (format[0]) {
        snprintf(buffer, static_cast<size_t>(size), format, name);
        return TRUE;
      }
    }
  }
  if (id < 48000) return LoadStringA(g_instance, id, buffer, size) > 0;
  if (id >= kFirstLaunchCommand) return GetLaunchButtonTip(id, buffer, size);
  // Drive-bar buttons name themselves through their bar.
  return FALSE;
}
