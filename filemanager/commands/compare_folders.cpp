// Compare Folders and Synchronize Folders.
#include "compare_folders.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "folmatch.h"
#include "help_file.h"
#include "history_list.h"
#include "le_bytes.h"
#include "pane_refresh.h"
#include "picker_tree.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "tree_nodes.h"
#include "window_helpers.h"
#include <shlwapi.h>

const char* g_folderMatchFile = "folmatch.dll";
char CompareTarget[260];

namespace {

constexpr char kHistoryKey[] = "Compare Folders";
constexpr char kModeValue[] = "Compare Folders";
constexpr UINT kTreePathMessage = WM_USER + 105;
constexpr BOOL kFoldersOnly = TRUE;
constexpr BOOL kArchivesAsFolders = FALSE;

HMODULE g_library;
InitSearchPathFn g_initSearchPath;
IsItemInPathFn g_isItemInPath;
CleanupSearchPathFn g_cleanupSearchPath;
SynchronizeFn g_synchronize;

HINSTANCE Instance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(Instance(), id, text, sizeof text);
  return text;
}

// The tree node's folder as a file-system path; empty for anything else.
std::string FileSystemPath(HWND tree, HTREEITEM node) {
  FolderTreeItem* record = node ? GetTreeItemRecord(tree, node) : nullptr;
  if (!record || !record->absolute || (record->kind & (kTreeKindFtpBranch | kTreeKindFtpRoot))) return {};
  if (!(record->attributes & SFGAO_FILESYSTEM)) return {};
  char path[MAX_PATH] = "";
  if (!SHGetPathFromIDListA(record->absolute, path) || !path[0]) return {};
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return path;
}

std::string NodeDisplayName(HWND tree, HTREEITEM node) {
  char text[MAX_PATH] = "";
  TVITEMA item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  if (node) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return text;
}

HTREEITEM TreeSelection(HWND tree) {
  return tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
}

// ---- Dialog 10000 ----------------------------------------------------------------------------

struct CompareDialogInput {
  const char* currentFolder;
};

std::string SelectedTreePath(HWND tree) {
  HTREEITEM selected = TreeSelection(tree);
  if (!selected || selected == reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)))
    return {};
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  if (!record || !record->folder || !(record->attributes & SFGAO_FILESYSTEM)) return {};
  char path[MAX_PATH] = "";
  if (!GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path) || !path[0] || path[0] == ':')
    return {};
  return path;
}

void SelectComboPathInTree(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_CMP_COMBO, text, sizeof text);
  const char* start = text;
  while (*start == ' ') ++start;
  if (*start) SelectPickerTreePath(GetDlgItem(dialog, IDC_CMP_TREE), start, TRUE, kFoldersOnly, kArchivesAsFolders);
}

HICON g_goIcon;

BOOL InitCompareDialog(HWND dialog, const CompareDialogInput* input) {
  CenterWindowOver(dialog, g_mainWindow ? g_mainWindow : GetWindow(dialog, GW_OWNER));
  HWND combo = GetDlgItem(dialog, IDC_CMP_COMBO);
  SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
  HistoryList history;
  LoadHistoryList(&history, kHistoryKey);
  FillComboFromHistory(combo, &history);
  if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
  CompareMode mode;
  ReadCompareMode(&mode);
  int radio = mode.unique ? IDC_CMP_UNIQUE : mode.newer ? IDC_CMP_NEWER : mode.older ? IDC_CMP_OLDER : IDC_CMP_DUPLICATES;
  for (int id : {IDC_CMP_UNIQUE, IDC_CMP_DUPLICATES, IDC_CMP_NEWER, IDC_CMP_OLDER}) CheckDlgButton(dialog, id, id == radio);

  HWND tree = GetDlgItem(dialog, IDC_CMP_TREE);
  AttachSystemImageList(tree);
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    FillPickerTree(tree, desktop, nullptr, TVI_ROOT, kFoldersOnly, kArchivesAsFolders);
    desktop->Release();
  }
  char text[MAX_PATH] = "";
  GetWindowTextA(combo, text, sizeof text);
  if (text[0]) SelectComboPathInTree(dialog);
  else ExpandTreeRoot(tree);
  if (!g_goIcon) g_goIcon = static_cast<HICON>(LoadImageA(Instance(), MAKEINTRESOURCEA(IDI_GO_TO_PATH), IMAGE_ICON, 16, 16, 0));
  SendDlgItemMessageA(dialog, IDC_CMP_GO, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(g_goIcon));

  // The current folder, shortened to fit its static.
  HWND shown = GetDlgItem(dialog, IDC_CMP_CURRENT);
  char current[MAX_PATH] = "";
  lstrcpynA(current, input && input->currentFolder ? input->currentFolder : "", sizeof current);
  RECT box{};
  GetClientRect(shown, &box);
  HDC dc = GetDC(shown);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(shown, WM_GETFONT, 0, 0)));
  PathCompactPathA(dc, current, box.right);
  SelectObject(dc, old);
  ReleaseDC(shown, dc);
  SetWindowTextA(shown, current);
  return TRUE;
}

void OnCompareOk(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_CMP_COMBO, text, sizeof text);
  const char* start = text;
  while (*start == ' ' || *start == '\t') ++start;
  if (!*start) {
    seams::MessageBoxA(dialog, LoadText(IDS_ENTER_COMPARE_PATH).c_str(), g_appName, MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, IDC_CMP_COMBO));
    return;
  }
  lstrcpynA(CompareTarget, start, sizeof CompareTarget);
  HistoryList history;
  LoadHistoryList(&history, kHistoryKey);
  AddToHistoryList(&history, CompareTarget);
  SaveHistoryList(&history, kHistoryKey);
  CompareMode mode{IsDlgButtonChecked(dialog, IDC_CMP_UNIQUE) == BST_CHECKED ? 1u : 0u,
                   IsDlgButtonChecked(dialog, IDC_CMP_NEWER) == BST_CHECKED ? 1u : 0u,
                   IsDlgButtonChecked(dialog, IDC_CMP_OLDER) == BST_CHECKED ? 1u : 0u};
  WriteCompareMode(mode);
  EndDialog(dialog, 1);
}

}  // namespace

void ReadCompareMode(CompareMode* mode) {
  *mode = {1, 0, 0};
  uint8_t bytes[12];
  DWORD size = sizeof bytes;
  if (!ReadSettingBinary(kModeValue, bytes, &size) || size != sizeof bytes) return;
  mode->unique = le::GetU32(bytes);
  mode->newer = le::GetU32(bytes + 4);
  mode->older = le::GetU32(bytes + 8);
}

int WriteCompareMode(const CompareMode& mode) {
  uint8_t bytes[12];
  le::PutU32(bytes, mode.unique);
  le::PutU32(bytes + 4, mode.newer);
  le::PutU32(bytes + 8, mode.older);
  return WriteSettingBinary(kModeValue, bytes, sizeof bytes);
}

INT_PTR CALLBACK CompareFoldersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitCompareDialog(dialog, reinterpret_cast<const CompareDialogInput*>(lParam));
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnCompareOk(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_CMP_GO:
          SetFocus(GetDlgItem(dialog, IDC_CMP_TREE));
          SelectComboPathInTree(dialog);
          return TRUE;
      }
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_CMP_TREE) break;
      switch (header->code) {
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW:
          PostMessageA(dialog, kTreePathMessage, 0, 0);
          return FALSE;
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW:
          ExpandPickerTreeItem(header->hwndFrom, reinterpret_cast<NMTREEVIEWA*>(header), kFoldersOnly, kArchivesAsFolders);
          return FALSE;
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW:
          FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
          return FALSE;
        case NM_CUSTOMDRAW:
          SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header)));
          return TRUE;
      }
      break;
    }
    case kTreePathMessage: {
      std::string path = SelectedTreePath(GetDlgItem(dialog, IDC_CMP_TREE));
      if (!path.empty()) SetDlgItemTextA(dialog, IDC_CMP_COMBO, path.c_str());
      return TRUE;
    }
  }
  return FALSE;
}

int LoadFolderMatch() {
  if (g_library) return 1;
  char path[MAX_PATH] = "";
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  char* slash = length && length < sizeof path ? strrchr(path, '\\') : nullptr;
  const bool whole = strchr(g_folderMatchFile, '\\') != nullptr;
  std::string file = slash && !whole ? std::string(path, slash + 1) + g_folderMatchFile : std::string(g_folderMatchFile);
  HMODULE library = LoadLibraryExA(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library) {
    g_initSearchPath = reinterpret_cast<InitSearchPathFn>(GetProcAddress(library, "InitSearchPath"));
    g_isItemInPath = reinterpret_cast<IsItemInPathFn>(GetProcAddress(library, "IsItemInPath"));
    g_cleanupSearchPath = reinterpret_cast<CleanupSearchPathFn>(GetProcAddress(library, "CleanupSearchPath"));
    g_synchronize = reinterpret_cast<SynchronizeFn>(GetProcAddress(library, "Synchronize"));
    if (g_initSearchPath && g_isItemInPath && g_cleanupSearchPath && g_synchronize) {
      g_library = library;
      return 1;
    }
    // A library without all four functions is as good as none: said, and freed.
    FreeLibrary(library);
  }
  g_initSearchPath = nullptr;
  g_isItemInPath = nullptr;
  g_cleanupSearchPath = nullptr;
  g_synchronize = nullptr;
  seams::MessageBoxA(g_mainWindow, LoadText(IDS_NO_FOLDMATCH).c_str(), g_appName, MB_ICONHAND);
  return 0;
}

void UnloadFolderMatch() {
  if (g_library) FreeLibrary(g_library);
  g_library = nullptr;
  g_initSearchPath = nullptr;
  g_isItemInPath = nullptr;
  g_cleanupSearchPath = nullptr;
  g_synchronize = nullptr;
}

JQ_COMMAND_HANDLER(CompareFolders) {
  (void)message;
  (void)wParam;
  (void)lParam;
  const FilePane& pane = FilePanes[ActivePaneIndex];
  HTREEITEM node = TreeSelection(pane.tree);
  std::string folder = FileSystemPath(pane.tree, node);
  if (folder.empty() || !pane.list) {
    char text[MAX_PATH + 300];
    snprintf(text, sizeof text, LoadText(IDS_CANNOT_COMPARE).c_str(), NodeDisplayName(pane.tree, node).c_str());
    seams::MessageBoxA(window, text, g_appName, MB_ICONHAND);
    return 0;
  }
  CompareDialogInput input{folder.c_str()};
  if (DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_COMPARE_FOLDERS), window, CompareFoldersDlgProc,
                      reinterpret_cast<LPARAM>(&input)) != 1)
    return 0;
  if (!LoadFolderMatch()) return 0;
  HANDLE search = g_initSearchPath(CompareTarget);
  if (!search) {
    // The other folder cannot be read: nothing can be told about it.
    char text[MAX_PATH + 300];
    snprintf(text, sizeof text, LoadText(IDS_CANNOT_COMPARE).c_str(), CompareTarget);
    seams::MessageBoxA(window, text, g_appName, MB_ICONHAND);
    UnloadFolderMatch();
    return 0;
  }
  CompareMode mode;
  ReadCompareMode(&mode);
  HWND list = pane.list;
  SetFocus(list);
  LVITEMA clear{};
  clear.stateMask = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int index = 0; index < count; ++index) {
    FileListItem* record = GetListItemRecord(list, index);
    if (!record || (record->fileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !record->folder || !record->pidl) continue;
    // The name with its extension, whatever the list shows.
    char name[MAX_PATH] = "";
    if (!GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name) || !name[0]) continue;
    const char* base = strrchr(name, '\\');
    base = base ? base + 1 : name;
    int result = 0;
    BOOL found = g_isItemInPath(search, base, &record->lastWrite, &result);
    bool wanted = mode.unique ? !found : found && (mode.newer ? result > 0 : mode.older ? result < 0 : true);
    if (!wanted) continue;
    LVITEMA select{};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&select));
  }
  g_cleanupSearchPath(search);
  UnloadFolderMatch();
  return 0;
}

JQ_COMMAND_HANDLER(SynchronizeFolders) {
  (void)message;
  (void)wParam;
  (void)lParam;
  if (!LoadFolderMatch()) return 0;
  const FilePane& active = FilePanes[ActivePaneIndex];
  HTREEITEM node = TreeSelection(active.tree);
  FolderTreeItem* record = node ? GetTreeItemRecord(active.tree, node) : nullptr;
  if (record && (record->kind & (kTreeKindFtpBranch | kTreeKindFtpRoot))) {
    UnloadFolderMatch();
    return 0;
  }
  std::string first = FileSystemPath(active.tree, node), second;
  if (g_paneLayout.twoPanes) {
    const FilePane& other = FilePanes[1 - ActivePaneIndex];
    HTREEITEM otherNode = TreeSelection(other.tree);
    if (!otherNode) {
      UnloadFolderMatch();
      return 0;
    }
    second = FileSystemPath(other.tree, otherNode);
  }
  g_synchronize(window, first.c_str(), second.c_str());
  UnloadFolderMatch();
  // What was copied shows in the panes.
  for (int pane = 0; pane < (g_paneLayout.twoPanes ? 2 : 1); ++pane)
    if (FilePanes[pane].list) RefreshPane(pane);
  return 0;
}
