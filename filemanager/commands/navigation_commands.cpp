// Moving a pane to a folder (typed paths, Go To, Go To Drive, Back and Forward, the FTP sites),
// the bars' shown states, the list font, real names and generic icons.
#include "coolbar.h"
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include "actions.h"
#include "shell_programs.h"
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "history_list.h"
#include "navigation_history.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"
#include "view_memory.h"
#include "window_utils.h"
#include "command_ids.h"

namespace {

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

void EnsureTreeFilled(HWND tree) {
  if (!tree || TreeView_GetRoot(tree)) return;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return;
  FillFolderTree(tree, desktop, nullptr, TVI_ROOT, 0);
  desktop->Release();
}

HTREEITEM FtpSitesNode(HWND tree) {
  HTREEITEM root = TreeView_GetRoot(tree);
  HTREEITEM last = nullptr;
  for (HTREEITEM n = root ? TreeView_GetChild(tree, root) : nullptr; n; n = TreeView_GetNextSibling(tree, n))
    last = n;
  FolderTreeItem* record = last ? GetTreeItemRecord(tree, last) : nullptr;
  return record && (record->ftpRoot || (record->kind & kTreeKindFtpRoot)) ? last : nullptr;
}

void FocusActivePane() {
  const FilePane& p = FilePanes[ActivePaneIndex];
  HWND target = p.treeShown && p.tree ? p.tree : p.list;
  if (target) SetFocus(target);
}

}  // namespace

// ---- Paths --------------------------------------------------------------------------------

HTREEITEM NavigatePaneToPath(int pane, const char* path, BOOL select) {
  if (pane < 0 || pane > 1 || !path || !path[0]) return nullptr;
  HWND tree = FilePanes[pane].tree;
  if (!tree) return nullptr;
  EnsureTreeFilled(tree);
  if (_strnicmp(path, "FTP:", 4) == 0) {
    HTREEITEM sites = FtpSitesNode(tree);
    if (!sites) return nullptr;
    TreeView_Expand(tree, sites, TVE_EXPAND);
    if (path[4] == '\0') {
      if (select) TreeView_SelectItem(tree, sites);
      return sites;
    }
    // "FTP:site/folder/...": the site (its name without regard to case) and then each folder
    // below it, each node opened (the site connects) before its children are looked for.
    HTREEITEM node = sites;
    std::string rest = path + 4;
    bool first = true;
    while (!rest.empty()) {
      size_t slash = rest.find('/');
      std::string part = rest.substr(0, slash);
      rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
      if (part.empty()) continue;
      TreeView_Expand(tree, node, TVE_EXPAND);
      HTREEITEM child = nullptr;
      for (HTREEITEM c = TreeView_GetChild(tree, node); c && !child; c = TreeView_GetNextSibling(tree, c)) {
        char text[MAX_PATH] = "";
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = c;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        if (TreeView_GetItem(tree, &item) && (first ? lstrcmpiA(text, part.c_str()) : strcmp(text, part.c_str())) == 0)
          child = c;
      }
      if (!child) return nullptr;
      node = child;
      first = false;
      // Selecting the site connects it, which gives it its folders.
      if (select || !rest.empty()) TreeView_SelectItem(tree, node);
    }
    if (select) TreeView_EnsureVisible(tree, node);
    return node;
  }
  HTREEITEM found = SelectTreePath(tree, path, select);
  if (!found && IsExistingFolderPath(path) && path[1] == ':') {
    // A folder made since its parent was read: the nearest ancestor in the tree reads its
    // children again, then the path is looked for once more.
    std::string parent(path);
    while (!parent.empty() && parent.back() == '\\') parent.pop_back();
    HTREEITEM ancestor = nullptr;
    while (!ancestor) {
      size_t slash = parent.find_last_of('\\');
      if (slash == std::string::npos || slash < 2) break;
      parent.erase(slash);
      ancestor = SelectTreePath(tree, (parent.size() == 2 ? parent + "\\" : parent).c_str(), FALSE);
    }
    if (ancestor) {
      RefreshPaneTree(pane, ancestor, FALSE);
      found = SelectTreePath(tree, path, select);
    }
  }
  if (found && select) TreeView_EnsureVisible(tree, found);
  return found;
}

int GetPaneFolderPath(int pane, char* buffer, BOOL keepArchive) {
  buffer[0] = '\0';
  if (pane < 0 || pane > 1 || !FilePanes[pane].tree) return 0;
  HWND tree = FilePanes[pane].tree;
  if (!TreeView_GetSelection(tree)) return 0;
  FolderTreeItem* record = GetTreeItemRecord(tree, TreeView_GetSelection(tree));
  if (!record || !record->folder || !record->relative || !record->relative->mkid.cb) return 0;
  ULONG attributes = SFGAO_FILESYSTEM;
  LPCITEMIDLIST item = record->relative;
  if (FAILED(record->folder->GetAttributesOf(1, &item, &attributes)) || !(attributes & SFGAO_FILESYSTEM))
    return 0;
  char path[MAX_PATH] = "";
  if (!GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path) || !path[0]) return 0;
  DWORD fa = GetFileAttributesA(path);
  if (!keepArchive && fa != INVALID_FILE_ATTRIBUTES && !(fa & FILE_ATTRIBUTE_DIRECTORY)) {
    // An archive shown as a folder: its containing folder.
    char* slash = strrchr(path, '\\');
    if (slash) {
      *slash = '\0';
      if (strlen(path) == 2 && path[1] == ':') strcat(path, "\\");
    }
  }
  lstrcpynA(buffer, path, MAX_PATH);
  return 1;
}

BOOL IsExistingFolderPath(const char* path) {
  if (!path) return FALSE;
  while (*path == ' ') ++path;
  if (path[0] == '\\' && path[1] == '\\' && strlen(path) >= 3) return TRUE;
  if (!path[0]) return FALSE;
  DWORD fa = GetFileAttributesA(path);
  return fa != INVALID_FILE_ATTRIBUTES && (fa & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL ResolveAgainstFolder(const char* path, const char* base, char* out) {
  out[0] = '\0';
  if (!path) return FALSE;
  while (*path == ' ') ++path;
  std::string result;
  bool absolute = (path[0] && path[1] == ':') || (path[0] == '\\' && path[1] == '\\');
  if (absolute || !base || !base[0]) {
    result = path;
  } else if (path[0] == '\\') {
    std::string b(base);
    if (b.size() >= 2 && b[1] == ':') result = b.substr(0, 2) + path;
    else result = path;
  } else {
    result = base;
    if (!result.empty() && result.back() != '\\') result += '\\';
    result += path;
  }
  // Fold "." and ".." components after the root.
  size_t rootLength = 0;
  if (result.size() >= 2 && result[1] == ':') rootLength = result.size() >= 3 && result[2] == '\\' ? 3 : 2;
  else if (result.rfind("\\\\", 0) == 0) {
    size_t server = result.find('\\', 2);
    size_t share = server == std::string::npos ? std::string::npos : result.find('\\', server + 1);
    rootLength = share == std::string::npos ? result.size() : share + 1;
  }
  std::string root = result.substr(0, rootLength);
  std::string rest = result.substr(rootLength);
  std::string folded;
  bool trailing = !rest.empty() && rest.back() == '\\';
  size_t start = 0;
  std::vector<std::string> parts;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) folded += '\\';
    folded += parts[i];
  }
  if (trailing && !folded.empty()) folded += '\\';
  std::string full = root + folded;
  if (full.size() >= MAX_PATH) return FALSE;
  strcpy(out, full.c_str());
  return TRUE;
}

int CALLBACK FolderBrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) {
    char path[MAX_PATH] = "";
    GetDlgItemTextA(reinterpret_cast<HWND>(data), IDC_ACT_COMBO, path, sizeof path);
    char* start = path;
    while (*start == ' ') ++start;
    if (*start) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
  }
  return 0;
}

// ---- Go To ----------------------------------------------------------------------------------

void BrowseFolderIntoCombo(HWND dialog, UINT titleId, BOOL trailingBackslash) {
  std::string title = LoadText(titleId);
  BROWSEINFOA info{};
  info.hwndOwner = dialog;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  info.lpfn = FolderBrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(dialog);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return;
  char path[MAX_PATH + 1] = "";
  if (SHGetPathFromIDListA(chosen, path) && path[0]) {
    if (trailingBackslash && path[strlen(path) - 1] != '\\') strcat(path, "\\");
    SetDlgItemTextA(dialog, IDC_ACT_COMBO, path);
  }
  FreePidl(chosen);
}

namespace {

INT_PTR CALLBACK GoToFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  static HistoryList* history;
  switch (message) {
    case WM_INITDIALOG: {
      delete history;
      history = new HistoryList;
      LoadHistoryList(history, "Go To");
      HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
      FillComboFromHistory(combo, history);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      if (history->Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      AddBrowseTooltip(GetDlgItem(dialog, IDC_ACT_BROWSE));
      CenterWindowOver(dialog, GetParent(dialog));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          char text[MAX_PATH] = "";
          GetDlgItemTextA(dialog, IDC_ACT_COMBO, text, sizeof text);
          char* start = text;
          while (*start == ' ') ++start;
          if (*start) {
            AddToHistoryList(history, start);
            SaveHistoryList(history, "Go To");
          }
          char base[MAX_PATH] = "", resolved[MAX_PATH] = "";
          if (GetPaneFolderPath(ActivePaneIndex, base, FALSE) && *start) {
            if (!ResolveAgainstFolder(start, base, resolved)) lstrcpynA(resolved, start, MAX_PATH);
          } else {
            lstrcpynA(resolved, start, MAX_PATH);
          }
          if (!IsExistingFolderPath(resolved) || !NavigatePaneToPath(ActivePaneIndex, resolved, TRUE)) {
            HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
            FillComboFromHistory(combo, history);
            SetWindowTextA(combo, resolved);
            std::string text41037 = LoadText(IDS_PATH_NOT_FOUND);
            char caption[200] = "";
            GetWindowTextA(dialog, caption, sizeof caption);
            seams::MessageBoxA(dialog, text41037.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
            SetFocus(combo);
            return TRUE;
          }
          FocusActivePane();
          delete history;
          history = nullptr;
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          delete history;
          history = nullptr;
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_ACT_BROWSE:
          BrowseFolderIntoCombo(dialog, IDS_CHOOSE_GO_TO_FOLDER, FALSE);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

// ---- Go To Drive --------------------------------------------------------------------------

// The Go To Drive dialog's input (a caption other than the template's) and its answer.
struct DriveChoice {
  UINT captionId = 0;
  char root[MAX_PATH] = "";  // "C:\" on OK
};

INT_PTR CALLBACK GoToDriveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      auto* choice = reinterpret_cast<DriveChoice*>(lParam);
      if (choice && choice->captionId) {
        std::string caption = LoadText(choice->captionId);
        if (!caption.empty()) SetWindowTextA(dialog, caption.c_str());
      }
      HWND list = GetDlgItem(dialog, IDC_ACT_LIST);
      HWND roots = GetDlgItem(dialog, IDC_ACT_ROOTS);
      SHFILEINFOA sfi{};
      HIMAGELIST small = reinterpret_cast<HIMAGELIST>(
          SHGetFileInfoA("C:\\", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
      if (small) ListView_SetImageList(list, small, LVSIL_SMALL);
      RECT r;
      GetClientRect(list, &r);
      LVCOLUMNA column{};
      column.mask = LVCF_WIDTH;
      column.cx = r.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
      ListView_InsertColumn(list, 0, &column);
      DWORD present = GetLogicalDrives();
      DWORD mask = GetLiveOptions().driveFilters.driveMask;
      IShellFolder* desktop = nullptr;
      SHGetDesktopFolder(&desktop);
      int row = 0;
      for (char letter = 'A'; letter <= 'Z'; ++letter) {
        // The drive mask has A as bit 1, as everywhere in the program.
        if (!(present & (1u << (letter - 'A'))) || !(mask & (1u << (letter & 31)))) continue;
        char root[4] = {letter, ':', '\\', 0};
        UINT type = GetDriveTypeA(root);
        if (type != DRIVE_UNKNOWN && (type < DRIVE_REMOVABLE || type > DRIVE_RAMDISK)) continue;
        char name[MAX_PATH] = "";
        LPITEMIDLIST pidl = desktop ? ParsePathToPidl(root, desktop, nullptr) : nullptr;
        if (pidl) {
          GetDisplayNameText(desktop, pidl, SHGDN_NORMAL, name);
          FreePidl(pidl);
        }
        if (!name[0]) lstrcpyA(name, root);
        SHFILEINFOA info{};
        SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        SendMessageA(roots, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = row++;
        item.pszText = name;
        item.iImage = info.iIcon;
        item.lParam = type;
        ListView_InsertItem(list, &item);
      }
      if (desktop) desktop->Release();
      ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      CenterWindowOver(dialog, GetParent(dialog));
      SetFocus(list);
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == IDC_ACT_LIST && header->code == NM_DBLCLK) {
        if (ListView_GetNextItem(header->hwndFrom, -1, LVNI_SELECTED) >= 0)
          PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return TRUE;
      }
      break;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        int index = ListView_GetNextItem(GetDlgItem(dialog, IDC_ACT_LIST), -1, LVNI_SELECTED);
        auto* choice = reinterpret_cast<DriveChoice*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!choice) {
          EndDialog(dialog, 0);
          return TRUE;
        }
        choice->root[0] = '\0';
        if (index >= 0 &&
            SendDlgItemMessageA(dialog, IDC_ACT_ROOTS, LB_GETTEXTLEN, index, 0) < MAX_PATH)
          SendDlgItemMessageA(dialog, IDC_ACT_ROOTS, LB_GETTEXT, index,
                              reinterpret_cast<LPARAM>(choice->root));
        EndDialog(dialog, index >= 0 && choice->root[0] ? 1 : 0);
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

LRESULT ShowGoToFolderDialog(HWND window, UINT, WPARAM, LPARAM) {
  DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_GO_TO_FOLDER), window, GoToFolderDlgProc, 0);
  return 0;
}

// The finder lists every file of the chosen drive.
LRESULT ShowAllFilesOnDrive(HWND window, UINT, WPARAM, LPARAM) {
  DriveChoice choice;
  choice.captionId = ID_VIEW_ALL_FILES_ON_DRIVE;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_GO_TO_DRIVE), window, GoToDriveDlgProc,
                      reinterpret_cast<LPARAM>(&choice)) == 1)
    StartFinderWithParameters(window, std::string("/PATH:") + choice.root + " /MASK:*.* /GO");
  return 0;
}

LRESULT ShowGoToDriveDialog(HWND window, UINT, WPARAM, LPARAM) {
  DriveChoice choice;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_GO_TO_DRIVE), window, GoToDriveDlgProc,
                      reinterpret_cast<LPARAM>(&choice)) == 1)
    NavigatePaneToPath(ActivePaneIndex, choice.root, TRUE);
  return 0;
}

// ---- Back and Forward -------------------------------------------------------------------

LRESULT GoBackOrForward(HWND, UINT, WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  int pane = ActivePaneIndex;
  LPCITEMIDLIST target = id == ID_GO_BACK ? StepHistoryBack(pane)
                         : id == ID_GO_FORWARD ? StepHistoryForward(pane)
                                       : JumpToHistoryEntry(pane, static_cast<int>(id - kHistoryFirstCommand));
  if (!target) {
    RestoreHistoryPosition(pane);
    return 0;
  }
  HWND tree = FilePanes[pane].tree;
  HTREEITEM node = nullptr;
  g_navigatingHistory = 1;
  if (!target->mkid.cb) {
    EnsureTreeFilled(tree);
    node = tree ? TreeView_GetRoot(tree) : nullptr;
    if (node) TreeView_SelectItem(tree, node);
  } else {
    char path[MAX_PATH] = "";
    IShellFolder* desktop = nullptr;
    if (!SHGetPathFromIDListA(target, path) && SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
      GetDisplayNameText(desktop, target, SHGDN_FORPARSING, path);
      desktop->Release();
    }
    if (path[0]) node = NavigatePaneToPath(pane, path, TRUE);
  }
  g_navigatingHistory = 0;
  if (!node) {
    RestoreHistoryPosition(pane);
    MessageBeep(0);
  }
  if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
  return 0;
}

LRESULT SelectFtpRootInTree(HWND, UINT, WPARAM, LPARAM) {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  HTREEITEM sites = tree ? FtpSitesNode(tree) : nullptr;
  if (!sites) return 0;
  TreeView_SelectItem(tree, sites);
  TreeView_Expand(tree, sites, TVE_EXPAND);
  return 0;
}

// ---- Bars ---------------------------------------------------------------------------------

namespace {

void ApplyBarToggle(HWND window, UINT command, uint32_t* flag, HWND bar, BOOL button) {
  *flag = !*flag;
  if (bar) ShowWindow(bar, *flag ? SW_SHOWNA : SW_HIDE);
  RefreshCoolbarBands();
  SetMenuItemCheck(window, command, *flag);
  if (button && g_frame.toolbar)
    SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, command, MAKELONG(*flag != 0, 0));
  RelayoutMainWindow(window, TRUE);
}

}  // namespace

LRESULT ToggleToolbar(HWND window, UINT, WPARAM, LPARAM) {
  ApplyBarToggle(window, ID_VIEW_TOOLBAR, &GetLiveOptions().toolbarShown, g_frame.toolbar, FALSE);
  return 0;
}

LRESULT ToggleDriveBar(HWND window, UINT, WPARAM, LPARAM) {
  ApplyBarToggle(window, ID_VIEW_DRIVE_BAR, &GetLiveOptions().driveBarShown, g_frame.driveBar, TRUE);
  return 0;
}

LRESULT ToggleLaunchBar(HWND window, UINT, WPARAM, LPARAM) {
  ApplyBarToggle(window, ID_VIEW_LAUNCH_BAR, &GetLiveOptions().launchBarShown, g_frame.launchBar, TRUE);
  return 0;
}

LRESULT ToggleCommandLineBar(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  ApplyBarToggle(window, ID_VIEW_COMMAND_LINE_BAR, &o.dosBarShown, g_frame.commandLineBar, TRUE);
  if (o.dosBarShown && g_frame.commandLineEdit) SetFocus(g_frame.commandLineEdit);
  else if (!o.dosBarShown && g_frame.commandLineEdit && GetFocus() == g_frame.commandLineEdit)
    FocusActivePane();
  return 0;
}

// ---- List font, names and icons -----------------------------------------------------------

LRESULT ChooseListFont(HWND window, UINT, WPARAM, LPARAM) {
  HFONT font = CreateListFont(window);
  if (!font) return 0;
  LOGFONTA lf{};
  if (GetObjectA(font, sizeof lf, &lf) == sizeof lf) WriteSettingBinary("Font", &lf, sizeof lf);
  HFONT previous = g_frame.listFont;
  for (const FilePane& p : FilePanes) {
    if (p.list) SendMessageA(p.list, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (p.tree) SendMessageA(p.tree, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (previous && g_frame.ownsListFont) DeleteObject(previous);
  g_frame.listFont = font;
  g_frame.ownsListFont = TRUE;
  return 0;
}

LRESULT ToggleRealNames(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  o.showParsingNames = !o.showParsingNames;
  SetMenuItemCheck(window, ID_VIEW_REAL_NAMES, o.showParsingNames);
  RefreshPaneTree(0, nullptr, TRUE);
  if (g_paneLayout.twoPanes) RefreshPaneTree(1, nullptr, TRUE);
  return 0;
}

LRESULT ToggleGenericIcons(HWND window, UINT, WPARAM, LPARAM) {
  LiveOptions& o = GetLiveOptions();
  o.genericIconsOnly = !o.genericIconsOnly;
  SetMenuItemCheck(window, ID_VIEW_GENERIC_ICONS, o.genericIconsOnly);
  RefillPaneList(0);
  if (g_paneLayout.twoPanes) RefillPaneList(1);
  return 0;
}
