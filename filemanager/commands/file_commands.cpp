// The file commands on the active pane's selection: cut, copy and paste, delete and recycle,
// rename in place and by pattern, properties, create folder, new shortcut, open, open with,
// edit, and the names or paths as text.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>
#include <shellapi.h>
#include <cstring>
#include <string>
#include <vector>
#include "archive_items.h"
#include "actions.h"
#include "command_handlers.h"
#include "pane_host.h"
#include "context_menus.h"
#include "file_list.h"
#include "file_operations.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "history_list.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"
#include "window_utils.h"
#include "command_ids.h"

namespace {

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

// The list has the focus, or had it last among the pane's windows.
bool FocusInList(int pane) {
  HWND list = FilePanes[pane].list;
  HWND focus = GetFocus();
  if (!list) return false;
  if (focus == list) return true;
  if (focus == FilePanes[pane].tree) return false;
  return g_frame.lastFocus == list;
}

const char* CanonicalVerb(UINT verb) {
  switch (verb) {
    case kVerbDelete: return "delete";
    case kVerbProperties: return "properties";
    case kVerbCut: return "cut";
    case kVerbCopy: return "copy";
    case kVerbPaste: return "paste";
  }
  return nullptr;
}

std::string ItemParsingName(IShellFolder* folder, LPCITEMIDLIST item) {
  char name[MAX_PATH] = "";
  if (folder && item) GetDisplayNameText(folder, item, SHGDN_FORPARSING, name);
  if (!name[0] && folder && item) GetDisplayNameText(folder, item, SHGDN_NORMAL, name);
  return name;
}

bool IsFileSystemPath(const std::string& path) {
  return path.size() >= 3 && ((path[1] == ':' && path[2] == '\\') || path.rfind("\\\\", 0) == 0) &&
         GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file-system paths of what a verb would act on: the list's selection with the focus in the
// list, else the tree's folder. FALSE when one of them is not a file-system item.
BOOL SelectionFileSystemPaths(int pane, std::vector<std::string>* paths) {
  paths->clear();
  const FilePane& p = FilePanes[pane];
  if (FocusInList(pane)) {
    for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(p.list, i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(p.list, i);
      if (!record) continue;
      if (record->kind == kItemArchiveEntry) return FALSE;
      std::string path = ItemParsingName(record->folder, record->pidl);
      if (!IsFileSystemPath(path)) return FALSE;
      paths->push_back(path);
    }
    return !paths->empty();
  }
  if (!p.tree || IsTreeRootSelected(p.tree)) return FALSE;
  char path[MAX_PATH] = "";
  if (!GetTreeSelectionPath(p.tree, path, FALSE, TRUE) || !IsFileSystemPath(path)) return FALSE;
  paths->push_back(path);
  return TRUE;
}

void ClearMarks(int pane) {
  if (FilePanes[pane].list) ClearCutMarks(FilePanes[pane].list);
  if (FilePanes[pane].tree) ClearTreeDropHighlight(FilePanes[pane].tree);
}

}  // namespace

// ---- Shell verbs ----------------------------------------------------------------------------

int InvokeShellVerb(HWND owner, IShellFolder* folder, LPCITEMIDLIST* items, UINT count, UINT verb) {
  if (!folder || !items || !count) return 0;
  IContextMenu* menu = nullptr;
  if (FAILED(folder->GetUIObjectOf(owner, count, items, IID_IContextMenu, nullptr,
                                   reinterpret_cast<void**>(&menu))) || !menu)
    return 0;
  HMENU popup = CreatePopupMenu();
  menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE);
  // The verb by its canonical name where the menu offers it; by position only as the last way.
  const char* canonical = CanonicalVerb(verb);
  int offset = -1;
  int items_ = GetMenuItemCount(popup);
  for (int i = 0; canonical && i < items_; ++i) {
    UINT id = GetMenuItemID(popup, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;
    char name[64] = "";
    if (SUCCEEDED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, name, sizeof name)) &&
        lstrcmpiA(name, canonical) == 0) {
      offset = static_cast<int>(id - 1);
      break;
    }
  }
  CMINVOKECOMMANDINFO info{};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.nShow = SW_SHOWNORMAL;
  if (offset >= 0) info.lpVerb = MAKEINTRESOURCEA(offset);
  else if (canonical) info.lpVerb = canonical;
  else info.lpVerb = MAKEINTRESOURCEA(verb - 1);
  menu->InvokeCommand(&info);
  if (verb == kVerbPaste) ClearMarks(ActivePaneIndex);
  if (verb == kVerbCut || verb == kVerbCopy) UpdatePaneCommandStates();
  DestroyMenu(popup);
  menu->Release();
  return 1;
}

int ShellVerbOnSelection(HWND owner, UINT verb) {
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  if (FocusInList(pane) && verb != kVerbPaste) {
    UINT selected = ListView_GetSelectedCount(p.list);
    if (!selected) return 1;
    if (verb == kVerbCut || verb == kVerbCopy) ClearMarks(pane);
    if (verb == kVerbCut) MarkSelectionCut(p.list);
    std::vector<LPCITEMIDLIST> items;
    IShellFolder* folder = nullptr;
    for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(p.list, i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(p.list, i);
      if (!record || !record->pidl) break;
      items.push_back(record->pidl);
      folder = record->folder;
    }
    if (items.size() < selected) return 0;
    InvokeShellVerb(owner, folder, items.data(), static_cast<UINT>(items.size()), verb);
    return 1;
  }
  if (!p.tree) return 0;
  FolderTreeItem* record = GetSelectedTreeItem(p.tree);
  if (!record || !record->folder || !record->relative) return 1;
  if (verb == kVerbCut || verb == kVerbCopy) ClearMarks(pane);
  if (verb == kVerbCut) SetTreeDropHighlight(p.tree, nullptr);
  LPCITEMIDLIST item = record->relative;
  InvokeShellVerb(owner, record->folder, &item, 1, verb);
  return 1;
}

// ---- Clipboard ------------------------------------------------------------------------------

BOOL PutFilesOnClipboard(HWND owner, const std::vector<std::string>& paths, BOOL cut) {
  if (paths.empty()) return FALSE;
  size_t chars = 1;
  for (const std::string& p : paths) chars += p.size() + 1;
  HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars);
  HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE, sizeof(DWORD));
  if (!drop || !effect) {
    if (drop) GlobalFree(drop);
    if (effect) GlobalFree(effect);
    return FALSE;
  }
  auto* files = static_cast<DROPFILES*>(GlobalLock(drop));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = FALSE;
  char* out = reinterpret_cast<char*>(files + 1);
  for (const std::string& p : paths) {
    memcpy(out, p.c_str(), p.size() + 1);
    out += p.size() + 1;
  }
  *out = '\0';
  GlobalUnlock(drop);
  *static_cast<DWORD*>(GlobalLock(effect)) = cut ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
  GlobalUnlock(effect);
  if (!OpenClipboard(owner)) {
    GlobalFree(drop);
    GlobalFree(effect);
    return FALSE;
  }
  EmptyClipboard();
  SetClipboardData(CF_HDROP, drop);
  SetClipboardData(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT), effect);
  CloseClipboard();
  return TRUE;
}

BOOL ReadClipboardFiles(std::vector<std::string>* paths, BOOL* move) {
  paths->clear();
  *move = FALSE;
  if (!IsClipboardFormatAvailable(CF_HDROP) || !OpenClipboard(g_mainWindow)) return FALSE;
  if (HANDLE data = GetClipboardData(CF_HDROP)) {
    auto drop = static_cast<HDROP>(data);
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char path[MAX_PATH] = "";
      if (DragQueryFileA(drop, i, path, sizeof path) && path[0]) paths->push_back(path);
    }
  }
  if (HANDLE data = GetClipboardData(RegisterClipboardFormatA(CFSTR_PREFERREDDROPEFFECT))) {
    if (GlobalSize(data) >= sizeof(DWORD)) {
      DWORD* value = static_cast<DWORD*>(GlobalLock(data));
      if (value) {
        *move = (*value & DROPEFFECT_MOVE) != 0 && !(*value & DROPEFFECT_COPY);
        GlobalUnlock(data);
      }
    }
  }
  CloseClipboard();
  return !paths->empty();
}

BOOL PasteFilesIntoFolder(HWND owner, const char* folder) {
  std::vector<std::string> paths;
  BOOL move = FALSE;
  if (!folder || !folder[0] || !ReadClipboardFiles(&paths, &move)) return FALSE;
  std::string target(folder);
  if (target.back() == '\\') target.pop_back();
  std::vector<std::string> from, to;
  bool renamed = false;
  for (const std::string& path : paths) {
    size_t slash = path.find_last_of('\\');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string parent = slash == std::string::npos ? std::string() : path.substr(0, slash);
    if (lstrcmpiA(parent.c_str(), target.c_str()) == 0) {
      if (move) continue;  // moving into its own folder changes nothing
      name = FreeCopyName(target, name);
      renamed = true;
    }
    from.push_back(path);
    to.push_back(target + "\\" + name);
  }
  if (from.empty()) return TRUE;
  std::string fromList = DoubleNulList(from), toList = DoubleNulList(to);
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = owner;
  operation.wFunc = move ? FO_MOVE : FO_COPY;
  operation.pFrom = fromList.c_str();
  operation.pTo = toList.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES;
  (void)renamed;
  int result = g_runFileOperation(&operation);
  if (move && result == 0 && OpenClipboard(owner)) {
    // Cut files are on the clipboard once only.
    EmptyClipboard();
    CloseClipboard();
  }
  return TRUE;
}

namespace {

LRESULT CutOrCopy(HWND window, UINT verb) {
  int pane = ActivePaneIndex;
  std::vector<std::string> paths;
  if (SelectionFileSystemPaths(pane, &paths)) {
    ClearMarks(pane);
    if (verb == kVerbCut) {
      if (FocusInList(pane)) MarkSelectionCut(FilePanes[pane].list);
      else SetTreeDropHighlight(FilePanes[pane].tree, nullptr);
    }
    PutFilesOnClipboard(window, paths, verb == kVerbCut);
    UpdatePaneCommandStates();
    return 0;
  }
  ShellVerbOnSelection(window, verb);
  return 0;
}

}  // namespace

LRESULT CutSelection(HWND window, UINT, WPARAM, LPARAM) { return CutOrCopy(window, kVerbCut); }
LRESULT CopySelection(HWND window, UINT, WPARAM, LPARAM) { return CutOrCopy(window, kVerbCopy); }

LRESULT PasteIntoFolder(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  char folder[MAX_PATH] = "";
  if (IsClipboardFormatAvailable(CF_HDROP) && GetPaneFolderPath(pane, folder, TRUE) &&
      IsExistingFolderPath(folder)) {
    PasteFilesIntoFolder(window, folder);
    ClearMarks(pane);
    if (GetLiveOptions().forceRefreshAfterOps) RefreshPane(pane);
    UpdatePaneCommandStates();
    return 0;
  }
  ShellVerbOnSelection(window, kVerbPaste);
  return 0;
}

LRESULT ShowSelectionProperties(HWND window, UINT, WPARAM, LPARAM) {
  ShellVerbOnSelection(window, kVerbProperties);
  return 0;
}

// ---- Delete and recycle ---------------------------------------------------------------------

namespace {

bool ArchiveListFocused(int pane) {
  return FilePanes[pane].listKind == kListKindArchive && FocusInList(pane);
}

}  // namespace

LRESULT RecycleSelection(HWND window, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  // Entries of an archive are deleted by the zip engine.
  if (ArchiveListFocused(pane)) {
    DeleteFromZip(pane);
    return 0;
  }
  std::vector<std::string> paths;
  if (SelectionFileSystemPaths(pane, &paths)) {
    DeleteSelectedFiles(ID_FILE_RECYCLE);
  } else {
    HWND tree = FilePanes[pane].tree;
    HTREEITEM parent = tree && TreeView_GetSelection(tree) ? TreeView_GetParent(tree, TreeView_GetSelection(tree)) : nullptr;
    ShellVerbOnSelection(window, kVerbDelete);
    RemoveVanishedTreeItem();
    if (GetLiveOptions().forceRefreshAfterOps && tree) RefreshPaneTree(pane, parent, TRUE);
  }
  return 0;
}

LRESULT DeleteSelection(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  int pane = ActivePaneIndex;
  if (ArchiveListFocused(pane)) {
    DeleteFromZip(pane);
    return 0;
  }
  HWND tree = FilePanes[pane].tree;
  FolderTreeItem* record = tree ? GetSelectedTreeItem(tree) : nullptr;
  if (record && (record->kind & kTreeKindFtpBranch)) return RefuseCommand();  // no FTP sites
  bool fileSystem = record && (record->attributes & SFGAO_FILESYSTEM);
  if (record && record->folder && record->relative && record->relative->mkid.cb) {
    ULONG asked = SFGAO_FILESYSTEM;
    LPCITEMIDLIST item = record->relative;
    if (SUCCEEDED(record->folder->GetAttributesOf(1, &item, &asked))) fileSystem = (asked & SFGAO_FILESYSTEM) != 0;
  }
  if (!fileSystem) return RecycleSelection(window, message, wParam, lParam);
  DeleteSelectedFiles(ID_FILE_DELETE);
  return 0;
}

// ---- Rename -------------------------------------------------------------------------------

LRESULT RenameSelection(HWND, UINT, WPARAM, LPARAM) {
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  if (!FocusInList(pane)) {
    HTREEITEM selected = p.tree ? TreeView_GetSelection(p.tree) : nullptr;
    if (selected) {
      SetFocus(p.tree);
      TreeView_EditLabel(p.tree, selected);
    }
    return 0;
  }
  int focused = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED);
  if (focused < 0) return 0;
  for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(p.list, i, LVNI_SELECTED))
    if (i != focused) ListView_SetItemState(p.list, i, 0, LVIS_SELECTED);
  ListView_SetItemState(p.list, focused, LVIS_SELECTED, LVIS_SELECTED);
  SetFocus(p.list);
  ListView_EditLabel(p.list, focused);
  return 0;
}

namespace {

// What the group-rename dialog hands back to its command.
struct GroupRenameRequest {
  char pattern[MAX_PATH] = "";
};

void FillSelectionList(HWND dialogList, HWND paneList) {
  HIMAGELIST images = ListView_GetImageList(paneList, LVSIL_SMALL);
  if (images) ListView_SetImageList(dialogList, images, LVSIL_SMALL);
  RECT r;
  GetClientRect(dialogList, &r);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = r.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
  ListView_InsertColumn(dialogList, 0, &column);
  int row = 0;
  for (int i = ListView_GetNextItem(paneList, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(paneList, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(paneList, i);
    if (!record) continue;
    char text[MAX_PATH] = "";
    ListView_GetItemText(paneList, i, 0, text, sizeof text);
    LVITEMA source{};
    source.mask = LVIF_IMAGE;
    source.iItem = i;
    ListView_GetItem(paneList, &source);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
    item.iItem = row++;
    item.pszText = text;
    item.iImage = source.iImage;
    item.stateMask = LVIS_OVERLAYMASK;
    if (record->attributes & SFGAO_LINK) item.state = INDEXTOOVERLAYMASK(2);
    else if (record->attributes & SFGAO_SHARE) item.state = INDEXTOOVERLAYMASK(1);
    ListView_InsertItem(dialogList, &item);
  }
}

INT_PTR CALLBACK GroupRenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CenterWindowOver(dialog, GetParent(dialog));
      HistoryList history;
      LoadHistoryList(&history, "Group Rename");
      HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      FillComboFromHistory(combo, &history);
      if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      FillSelectionList(GetDlgItem(dialog, IDC_ACT_LIST), FilePanes[ActivePaneIndex].list);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        char pattern[MAX_PATH] = "";
        GetDlgItemTextA(dialog, IDC_ACT_COMBO, pattern, sizeof pattern);
        char* start = pattern;
        while (*start == ' ') ++start;
        if (!strpbrk(start, "*?")) {
          char caption[200] = "";
          GetWindowTextA(dialog, caption, sizeof caption);
          seams::MessageBoxA(dialog, LoadText(IDS_GROUP_RENAME_WILDCARD).c_str(), caption,
                             MB_OK | MB_ICONEXCLAMATION);
          SetFocus(GetDlgItem(dialog, IDC_ACT_COMBO));
          return TRUE;
        }
        if (auto* request = reinterpret_cast<GroupRenameRequest*>(GetWindowLongPtrA(dialog, DWLP_USER)))
          lstrcpynA(request->pattern, start, sizeof request->pattern);
        HistoryList history;
        LoadHistoryList(&history, "Group Rename");
        AddToHistoryList(&history, start);
        SaveHistoryList(&history, "Group Rename");
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

std::string GroupRenameCollision(const char* pattern) {
  FileSources sources;
  if (!CollectFileSources(ActivePaneIndex, TRUE, &sources)) return {};
  std::vector<std::string> targets;
  for (const std::string& path : sources.paths) {
    size_t slash = path.find_last_of('\\');
    std::string folder = path.substr(0, slash), name = path.substr(slash + 1);
    std::string renamed = ApplyRenamePattern(pattern, name.c_str());
    if (renamed.empty() || lstrcmpiA(renamed.c_str(), name.c_str()) == 0) continue;
    std::string target = folder + "\\" + renamed;
    for (const std::string& other : targets)
      if (lstrcmpiA(other.c_str(), target.c_str()) == 0) return renamed;
    // A file of that name that is not itself renamed away would be overwritten.
    bool renamedAway = false;
    for (const std::string& source : sources.paths)
      if (lstrcmpiA(source.c_str(), target.c_str()) == 0) renamedAway = true;
    if (!renamedAway && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES) return renamed;
    targets.push_back(target);
  }
  return {};
}

LRESULT GroupRenameSelection(HWND window, UINT, WPARAM, LPARAM) {
  HWND list = FilePanes[ActivePaneIndex].list;
  if (!list || !ListView_GetSelectedCount(list)) return RefuseCommand();
  GroupRenameRequest request;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_GROUP_RENAME), window, GroupRenameDlgProc,
                      reinterpret_cast<LPARAM>(&request)) != 1)
    return 0;
  // Two items renamed to one name, or onto a file that stays, would lose a file: nothing is
  // renamed then.
  std::string collision = GroupRenameCollision(request.pattern);
  if (!collision.empty()) {
    // The name can be longer than a path (a long pattern on a long name): the text grows with it.
    std::string text = LoadText(IDS_GROUP_RENAME_COLLISION);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, collision);
    seams::MessageBoxA(window, text.c_str(), g_title, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  RunGroupRename(request.pattern);
  return 0;
}

// ---- Create folder ------------------------------------------------------------------------

UINT CheckNewFolderName(const char* name) {
  if (!name) return IDS_ENTER_FOLDER_NAME;
  while (*name == ' ') ++name;
  if (!*name) return IDS_ENTER_FOLDER_NAME;
  if (strpbrk(name, "/*?<>|\"")) return IDS_FOLDER_NAME_CHARACTERS;
  return 0;
}

BOOL CreateFolderFromName(const char* name, const char* base) {
  while (*name == ' ') ++name;
  char full[MAX_PATH + 1] = "";
  if (!ResolveAgainstFolder(name, base, full)) return FALSE;
  StripTrailingBackslash(full);
  if (GetFileAttributesA(full) != INVALID_FILE_ATTRIBUTES) return FALSE;  // exists already
  // Every missing parent first, then the folder itself.
  for (char* p = full; *p; ++p) {
    if (*p != '\\' || p == full || p[-1] == ':' || (p - full) < 2) continue;
    if (full[0] == '\\' && full[1] == '\\') {
      int slashes = 0;
      for (char* q = full; q < p; ++q) slashes += *q == '\\';
      if (slashes < 4) continue;  // "\\server\share" itself is no folder to create
    }
    *p = '\0';
    if (GetFileAttributesA(full) == INVALID_FILE_ATTRIBUTES) CreateDirectoryA(full, nullptr);
    *p = '\\';
  }
  return CreateDirectoryA(full, nullptr);
}

namespace {

char g_createFolderBase[MAX_PATH];

INT_PTR CALLBACK NewFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      int pane = ActivePaneIndex;
      if (!GetPaneFolderPath(pane, g_createFolderBase, FALSE) || !IsExistingFolderPath(g_createFolderBase)) {
        HWND tree = FilePanes[pane].tree;
        if (tree && IsTreeRootSelected(tree))
          SHGetSpecialFolderPathA(nullptr, g_createFolderBase, CSIDL_DESKTOPDIRECTORY, FALSE);
        else
          GetWindowsDirectoryA(g_createFolderBase, MAX_PATH);
      }
      SetDlgItemTextA(dialog, IDC_ACT_BASE_FOLDER, g_createFolderBase);
      CenterWindowOver(dialog, GetParent(dialog));
      HistoryList history;
      LoadHistoryList(&history, "Create Folder");
      HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      FillComboFromHistory(combo, &history);
      AddBrowseTooltip(GetDlgItem(dialog, IDC_ACT_BROWSE));
      // No FTP site is open in the tree: the FTP box stays hidden.
      ShowWindow(GetDlgItem(dialog, IDC_ACT_ON_FTP), SW_HIDE);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ACT_BROWSE:
          BrowseFolderIntoCombo(dialog, IDS_CHOOSE_PARENT_FOLDER, TRUE);
          return TRUE;
        case IDOK: {
          char name[MAX_PATH] = "";
          GetDlgItemTextA(dialog, IDC_ACT_COMBO, name, sizeof name);
          char* start = name;
          while (*start == ' ') ++start;
          char caption[200] = "";
          GetWindowTextA(dialog, caption, sizeof caption);
          UINT problem = CheckNewFolderName(start);
          if (problem) {
            seams::MessageBoxA(dialog, LoadText(problem).c_str(),
                               problem == IDS_ENTER_FOLDER_NAME ? caption : g_appName,
                               MB_OK | (problem == IDS_ENTER_FOLDER_NAME ? MB_ICONEXCLAMATION : MB_ICONHAND));
            SetFocus(GetDlgItem(dialog, IDC_ACT_COMBO));
            return TRUE;
          }
          HistoryList history;
          LoadHistoryList(&history, "Create Folder");
          AddToHistoryList(&history, start);
          SaveHistoryList(&history, "Create Folder");
          GetDlgItemTextA(dialog, IDC_ACT_BASE_FOLDER, g_createFolderBase, sizeof g_createFolderBase);
          // The base is used as given; the process's current folder is left alone.
          if (!CreateFolderFromName(start, g_createFolderBase)) {
            HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
            FillComboFromHistory(combo, &history);
            SetWindowTextA(combo, start);
            seams::MessageBoxA(dialog, LoadText(IDS_FOLDER_NOT_CREATED).c_str(), caption,
                               MB_OK | MB_ICONEXCLAMATION);
            return TRUE;
          }
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

LRESULT ShowCreateFolderDialog(HWND window, UINT, WPARAM, LPARAM) {
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_CREATE_FOLDER), window, NewFolderDlgProc, 0) != 1)
    return 0;
  // The watch picks up new folders in the shown folder; elsewhere the trees are refreshed.
  char shown[MAX_PATH] = "";
  int pane = ActivePaneIndex;
  if (!GetPaneFolderPath(pane, shown, FALSE) || toupper(shown[0]) != toupper(g_createFolderBase[0])) {
    RefreshPaneTree(0, nullptr, TRUE);
    if (g_paneLayout.twoPanes) RefreshPaneTree(1, nullptr, TRUE);
  } else {
    RefreshPaneTree(pane, TreeView_GetSelection(FilePanes[pane].tree), TRUE);
  }
  return 0;
}

// ---- New shortcut -----------------------------------------------------------------------

std::string CreateNewShortcutFile(const char* folder) {
  if (!folder || !folder[0]) return {};
  std::string base(folder);
  if (base.back() != '\\') base += '\\';
  std::string stem = LoadText(IDS_NEW_SHORTCUT_NAME);
  if (stem.empty()) stem = "New Shortcut";
  std::string numbered = LoadText(IDS_NEW_SHORTCUT_NUMBERED);
  for (int n = 1; n < 1000; ++n) {
    std::string name = stem;
    if (n > 1) {
      char text[300];
      wsprintfA(text, numbered.empty() ? "%s (%d)" : numbered.c_str(), stem.c_str(), n);
      name = text;
    }
    std::string path = base + name + ".lnk";
    if (path.size() >= MAX_PATH) return {};
    // A new file only: an existing shortcut of that name is never overwritten.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return path;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

namespace {

bool ShortcutWizardAvailable() {
  HMODULE appwiz = LoadLibraryA("appwiz.cpl");
  if (!appwiz) return false;
  bool present = GetProcAddress(appwiz, "NewLinkHereA") || GetProcAddress(appwiz, "NewLinkHere");
  FreeLibrary(appwiz);
  return present;
}

// Where the system has no shortcut wizard: the target is chosen with the file dialog and the
// shortcut is written through the shell's link object.
bool WriteShortcut(const std::string& linkPath, const char* target) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))) || !link)
    return false;
  link->SetPath(target);
  char folder[MAX_PATH];
  lstrcpynA(folder, target, MAX_PATH);
  if (char* slash = strrchr(folder, '\\')) {
    slash[slash == folder + 2 ? 1 : 0] = '\0';
    link->SetWorkingDirectory(folder);
  }
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) && file) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  link->Release();
  return ok;
}

}  // namespace

LRESULT CreateNewShortcut(HWND window, UINT, WPARAM, LPARAM) {
  char folder[MAX_PATH] = "";
  if (!GetPaneFolderPath(ActivePaneIndex, folder, FALSE) || !IsExistingFolderPath(folder)) return RefuseCommand();
  if (ShortcutWizardAvailable()) {
    std::string path = CreateNewShortcutFile(folder);
    if (path.empty()) return RefuseCommand();
    std::string parameters = "appwiz.cpl,NewLinkHere " + path;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = window;
    info.lpFile = "rundll32.exe";
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!seams::ShellExecuteExA(&info)) DeleteFileA(path.c_str());  // no empty shortcut is left
    return 0;
  }
  char target[MAX_PATH] = "";
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = window;
  ofn.lpstrFile = target;
  ofn.nMaxFile = sizeof target;
  ofn.lpstrInitialDir = folder;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NODEREFERENCELINKS;
  if (!GetOpenFileNameA(&ofn)) return 0;
  std::string path = CreateNewShortcutFile(folder);
  if (path.empty()) return RefuseCommand();
  if (!WriteShortcut(path, target)) {
    DeleteFileA(path.c_str());
    seams::MessageBoxA(window, LoadText(IDS_NEW_SHORTCUT_FAILED).c_str(), g_title, MB_OK | MB_ICONEXCLAMATION);
  }
  return 0;
}

// ---- Open, open with, edit --------------------------------------------------------------

LRESULT OpenSelection(HWND window, UINT, WPARAM, LPARAM) {
  if (g_frame.addressTree && IsWindowVisible(g_frame.addressTree) && g_frame.addressCombo) {
    SendMessageA(g_frame.addressCombo, WM_USER + 105, 0, 0);
    return 0;
  }
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  if (p.listKind == kListKindArchive && FocusInList(pane)) {
    OpenArchiveItem();
    return 0;
  }
  if (GetKeyState(VK_MENU) < 0) {
    PostMessageA(window, WM_COMMAND, ID_FILE_PROPERTIES, 0);
    return 0;
  }
  if (!FocusInList(pane)) {
    HTREEITEM selected = p.tree ? TreeView_GetSelection(p.tree) : nullptr;
    if (selected) TreeView_Expand(p.tree, selected, TVE_TOGGLE);
    return 0;
  }
  UINT count = ListView_GetSelectedCount(p.list);
  std::vector<int> indexes;
  for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(p.list, i, LVNI_SELECTED))
    indexes.push_back(i);
  for (int i : indexes) {
    // The list may be refilled by opening a folder; stop once it is.
    if (i >= ListView_GetItemCount(p.list)) break;
    OpenListItemInPane(pane, GetListItemRecord(p.list, i), count > 1);
  }
  return 0;
}

namespace {

// The file-system path of the focused and selected list item, or of the tree's folder.
bool FocusedPath(int pane, char* path, bool refuseFolders, bool listOnly) {
  path[0] = '\0';
  const FilePane& p = FilePanes[pane];
  if (FocusInList(pane)) {
    int focused = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED);
    if (focused < 0 || !(ListView_GetItemState(p.list, focused, LVIS_SELECTED) & LVIS_SELECTED)) return false;
    FileListItem* record = GetListItemRecord(p.list, focused);
    if (!record) return false;  // the up entry
    if (refuseFolders && (record->attributes & SFGAO_FOLDER) && record->kind != kItemArchiveEntry) return false;
    std::string name = ItemParsingName(record->folder, record->pidl);
    if (!IsFileSystemPath(name)) return false;
    lstrcpynA(path, name.c_str(), MAX_PATH);
    return true;
  }
  if (listOnly || !p.tree) return false;
  return GetTreeSelectionPath(p.tree, path, FALSE, TRUE) && path[0];
}

}  // namespace

LRESULT OpenWithDialog(HWND window, UINT, WPARAM, LPARAM) {
  char path[MAX_PATH] = "";
  if (!FocusedPath(ActivePaneIndex, path, true, false)) return RefuseCommand();
  std::string parameters = std::string("shell32.dll,OpenAs_RunDLL ") + path;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = window;
  info.lpFile = "rundll32.exe";
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  seams::ShellExecuteExA(&info);
  return 0;
}

LRESULT EditSelectedFile(HWND window, UINT, WPARAM, LPARAM) {
  char path[MAX_PATH] = "";
  if (!FocusedPath(ActivePaneIndex, path, true, true)) return RefuseCommand();
  char shortPath[MAX_PATH] = "";
  if (!GetShortPathNameA(path, shortPath, sizeof shortPath) || !shortPath[0]) lstrcpynA(shortPath, path, MAX_PATH);
  const char* editor = GetLiveOptions().editor;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = window;
  info.nShow = SW_SHOWNORMAL;
  char editorPath[sizeof GetLiveOptions().editor + 1] = "";
  memcpy(editorPath, editor, sizeof GetLiveOptions().editor);
  if (editorPath[0]) {
    // The editor chosen in the preferences gets the file.
    info.lpFile = editorPath;
    info.lpParameters = shortPath;
  } else {
    info.lpVerb = "edit";
    info.lpFile = shortPath;
  }
  if (!seams::ShellExecuteExA(&info) && !editorPath[0]) {
    // A type without an edit verb is opened as text in the system's editor.
    info.lpVerb = nullptr;
    info.lpFile = "notepad.exe";
    info.lpParameters = shortPath;
    seams::ShellExecuteExA(&info);
  }
  return 0;
}

// ---- Names as text ----------------------------------------------------------------------

std::string SelectionNamesText(BOOL paths) {
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  std::vector<std::string> lines;
  auto nameOf = [&](IShellFolder* folder, LPCITEMIDLIST item) {
    char name[MAX_PATH] = "";
    if (GetDisplayNameText(folder, item, SHGDN_FORPARSING, name) && name[0]) {
      if (!paths) {
        const char* slash = strrchr(name, '\\');
        if (slash && slash[1]) return std::string(slash + 1);
      }
      return std::string(name);
    }
    GetDisplayNameText(folder, item, SHGDN_NORMAL, name);
    return std::string(name);
  };
  if (FocusInList(pane)) {
    for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(p.list, i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(p.list, i);
      if (!record || !record->folder || !record->pidl) continue;
      std::string name = nameOf(record->folder, record->pidl);
      if (!name.empty()) lines.push_back(name);
    }
  } else if (p.tree) {
    FolderTreeItem* record = GetSelectedTreeItem(p.tree);
    if (record && record->folder && record->relative) {
      std::string name = nameOf(record->folder, record->relative);
      if (!name.empty()) lines.push_back(name);
    }
  }
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += "\r\n";
    text += lines[i];
  }
  return text;
}

LRESULT CopyNamesAsText(HWND window, UINT, WPARAM, LPARAM, int copyPaths) {
  if (!OpenClipboard(window)) return 0;
  CloseClipboard();
  std::string text = SelectionNamesText(copyPaths);
  if (text.empty()) return 0;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
  if (!block) return 0;
  memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  if (!OpenClipboard(window)) {
    GlobalFree(block);
    return 0;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
  CloseClipboard();
  return 0;
}
