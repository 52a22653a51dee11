// Zip To and Add to Zip.
#include "zip_to.h"
#include <commctrl.h>
#include <commdlg.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <vector>
#include "archive_engines.h"
#include "archive_folder.h"
#include "archive_progress.h"
#include "command_line.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "help_file.h"
#include "history_list.h"
#include "pane_host.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "spanned_zip.h"
#include "tree_nodes.h"
#include "vfolder_entry.h"
#include "window_helpers.h"

namespace {

// Help topics of the dialogs.
constexpr UINT kZipToHelpTopic = 16;
constexpr UINT kAddToZipHelpTopic = 17;

enum { kSubfolders = 0, kKeepDate = 1, kDosNames = 2, kCollapsed = 4, kAction = 6, kCompression = 7, kPathIndex = 12 };
uint32_t& ZipOption(int index) { return GetLiveOptions().zip.values[index]; }

std::atomic<bool> g_workerRunning{false};
HistoryList g_zipHistory;
char g_zipPassword[100];

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringText(g_instance, id, text, sizeof text);
  return text;
}

std::string TreeFolderPath(int pane) {
  char path[MAX_PATH] = "";
  HWND tree = FilePanes[pane].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr) {
    if (record->absolute && SHGetPathFromIDListA(record->absolute, path) && path[0]) return path;
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
  }
  if (!path[0]) SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
  return path;
}

bool TreeHasFocus(int pane) { return PaneLastFocus() == FilePanes[pane].tree; }

void ToggleZipToOptions(HWND dialog, bool collapse) {
  RECT window{}, mark{};
  GetWindowRect(dialog, &window);
  GetWindowRect(GetDlgItem(dialog, collapse ? IDC_ARC_COLLAPSED_MARK : IDC_ARC_EXPANDED_MARK), &mark);
  SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, mark.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(GetDlgItem(dialog, IDC_ARC_PATH_LABEL), collapse ? SW_HIDE : SW_SHOW);
  for (int id : {IDC_ARC_PATHS, IDC_ARC_ACTION, IDC_ARC_COMPRESSION, IDC_ARC_SUBFOLDERS, IDC_ARC_KEEP_DATE,
                 IDC_ARC_DOS_NAMES, IDC_ARC_ZIP_PASSWORD})
    EnableWindow(GetDlgItem(dialog, id), TRUE);
  SetDlgItemTextA(dialog, IDC_ARC_OPTIONS, LoadText(collapse ? IDS_ARC_OPTIONS_MORE : IDS_ARC_OPTIONS_LESS).c_str());
  ZipOption(kCollapsed) = !ZipOption(kCollapsed);
}

DWORD WINAPI BrowseThread(LPVOID parameter) {
  HWND dialog = static_cast<HWND>(parameter);
  // Opening the sibling product's flag file, when it has one, is its signal that we browse.
  HANDLE flag = CreateFileA("C:\\FQTOFFX", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (flag != INVALID_HANDLE_VALUE) CloseHandle(flag);
  std::string filter = LoadText(IDS_ARC_ZIP_FILTER);
  for (char& c : filter) if (c == '|') c = 0;
  filter.push_back(0);
  char file[MAX_PATH] = "*.zip";
  std::string title = LoadText(IDS_ARC_BROWSE_TITLE);
  std::string folder = TreeFolderPath(ActivePaneIndex);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  ofn.lpstrDefExt = "zip";
  if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(dialog, IDC_ARC_TARGET, file);
  return 0;
}

void ReadZipOptions(HWND dialog) {
  GetDlgItemTextA(dialog, IDC_ARC_ZIP_PASSWORD, g_zipPassword, sizeof g_zipPassword);
  LRESULT action = SendDlgItemMessageA(dialog, IDC_ARC_ACTION, CB_GETCURSEL, 0, 0);
  LRESULT level = SendDlgItemMessageA(dialog, IDC_ARC_COMPRESSION, CB_GETCURSEL, 0, 0);
  LRESULT paths = SendDlgItemMessageA(dialog, IDC_ARC_PATHS, CB_GETCURSEL, 0, 0);
  if (action >= 0) ZipOption(kAction) = static_cast<uint32_t>(action);
  if (level >= 0) ZipOption(kCompression) = static_cast<uint32_t>(level);
  if (paths >= 0) ZipOption(kPathIndex) = static_cast<uint32_t>(paths);
  HWND sub = GetDlgItem(dialog, IDC_ARC_SUBFOLDERS);
  ZipOption(kSubfolders) = IsWindowEnabled(sub) && IsDlgButtonChecked(dialog, IDC_ARC_SUBFOLDERS) == BST_CHECKED;
  ZipOption(kKeepDate) = IsDlgButtonChecked(dialog, IDC_ARC_KEEP_DATE) == BST_CHECKED;
  ZipOption(kDosNames) = IsDlgButtonChecked(dialog, IDC_ARC_DOS_NAMES) == BST_CHECKED;
}

void SetZipChecks(HWND dialog) {
  CheckDlgButton(dialog, IDC_ARC_SUBFOLDERS, ZipOption(kSubfolders) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_KEEP_DATE, ZipOption(kKeepDate) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_DOS_NAMES, ZipOption(kDosNames) ? BST_CHECKED : BST_UNCHECKED);
}

std::string CurrentSwitches() {
  return BuildZipSwitches(ZipOption(kAction), ZipOption(kCompression), ZipOption(kPathIndex), ZipOption(kSubfolders),
                          ZipOption(kKeepDate), ZipOption(kDosNames), g_zipPassword);
}

char g_zipTarget[MAX_PATH];

bool ZipToOk(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_ARC_TARGET, text, sizeof text);
  auto refuse = [&](UINT id, const char* name) {
    std::string format = LoadText(id);
    size_t at = format.find("%s");
    if (name && at != std::string::npos) format = format.substr(0, at) + name + format.substr(at + 2);
    seams::MessageBoxA(dialog, format.c_str(), g_title, MB_ICONHAND);
    return false;
  };
  TrimLeadingSpaces(text);
  const char* name = text;
  for (const char* p = text; *p; ++p)
    if (*p == '\\' || *p == ':') name = p + 1;
  if (!text[0] || !name[0]) return refuse(IDS_ARC_ENTER_TARGET, nullptr);
  const char* dot = strrchr(name, '.');
  DWORD attributes = GetFileAttributesA(text);
  if ((!dot || lstrcmpiA(dot, ".zip") != 0) && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return refuse(IDS_ARC_ENTER_TARGET, nullptr);
  if (strpbrk(text, "/*?<>|\"")) return refuse(IDS_ARC_INVALID_CHARACTERS, text);
  std::string path = text;
  if (!dot) path += ".zip";
  if (path.size() >= 2 && path[1] == ':' && (path.size() == 2 || path[2] != '\\')) path.insert(2, "\\");
  LoadHistoryList(&g_zipHistory, "Zip To");
  AddToHistoryList(&g_zipHistory, path.c_str());
  SaveHistoryList(&g_zipHistory, "Zip To");
  FreeHistoryList(&g_zipHistory);
  std::string base = TreeFolderPath(ActivePaneIndex);
  if (!ResolveRelativePath(path.c_str(), g_zipTarget, base.c_str())) return refuse(IDS_ARC_INVALID_CHARACTERS, text);
  ReadZipOptions(dialog);
  return true;
}

DWORD WINAPI ZipWorker(LPVOID parameter) {
  ZipJob* job = static_cast<ZipJob*>(parameter);
  if (!job->relist) NotifySiblingFolder(g_mainWindow, job->target.c_str());
  // The engine was loaded and initialised on the GUI thread before the worker started.
  g_zipApi.Et5SetParseType(ZipEngineHandle, -1);
  g_zipApi.Et5SetCPrint(ZipEngineHandle, 1);
  g_zipApi.Et5CPrintHook(ZipEngineHandle, ZipEngineCallback, 0, 0);
  ProgressTotal = job->total;
  BeginArchiveProgress();
  char saved[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof saved, saved);
  if (!job->baseFolder.empty()) SetCurrentDirectoryA(job->baseFolder.c_str());
  char folder[MAX_PATH];
  lstrcpynA(folder, job->target.c_str(), sizeof folder);
  if (char* slash = strrchr(folder, '\\')) {
    *slash = 0;
    if (strlen(folder) > 2 && GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES) CreateDirectoryPath(folder);
  }
  int result = 0;
  bool restartEngine = false;
  if (job->spanned) {
    std::string root = job->target.substr(0, 3);
    if (FAILED(FolderHasItems(root.c_str()))) {
      // An unreadable disk at the start: nothing is written and nothing more is said.
      result = et5::kCancelled;
    } else {
      CurrentSpanDisk = 0;
      char label[101] = "";
      GetVolumeInformationA(root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0);
      uint32_t archive = 0;
      result = g_zipApi.Et5ZipCreateMV(ZipEngineHandle, job->target.c_str(), et5::kSpanRemovable, 0, 0, &archive);
      if (LOWORD(result) == 0) {
        // The result of the spanned write counts: a failure is reported, never taken for success.
        result = g_zipApi.Et5Zip(ZipEngineHandle, &archive, job->list.c_str(), "", job->switches.c_str());
      }
      g_zipApi.Et5ZipClose(ZipEngineHandle, &archive);
      if (LOWORD(result) == 0) {
        if (CurrentSpanDisk == 0) {
          FixSingleDiskSpannedZip(job->target.c_str());
          SetVolumeLabelA(root.c_str(), label);
        } else {
          restartEngine = true;
        }
      }
    }
  } else {
    result = g_zipApi.Et5QZip(ZipEngineHandle, job->target.c_str(), job->list.c_str(), job->switches.c_str());
  }
  if (saved[0]) SetCurrentDirectoryA(saved);
  bool cancelled = ArchiveCancelled != 0;
  EndArchiveProgress();
  QuerySiblingArchiveMode();
  int16_t code = static_cast<int16_t>(LOWORD(result));
  RunOnGuiThread([job, code, cancelled, restartEngine] {
    if (restartEngine) {
      UnloadZipEngine();
      LoadZipEngine();
    }
    if (code && code != et5::kCancelled && !cancelled) ShowArchiveError(code, job->target.c_str());
    if (!code && !cancelled) {
      int pane = job->pane;
      if (job->relist && FilePanes[pane].listKind == kListKindArchive && FilePanes[pane].list &&
          lstrcmpiA(ArchivePath[pane], job->target.c_str()) == 0) {
        SendMessageA(FilePanes[pane].list, LVM_DELETEALLITEMS, 0, 0);
        ListArchiveIntoPane(pane, FilePanes[pane].list);
      } else if (!job->relist && FilePanes[pane].listKind == kListKindShellFolder) {
        // The new zip appears in the pane that shows its folder.
        std::string folderOfZip = job->target.substr(0, job->target.rfind('\\'));
        if (lstrcmpiA(TreeFolderPath(pane).c_str(), folderOfZip.c_str()) == 0 && FilePanes[pane].tree) {
          HTREEITEM selected = TreeView_GetSelection(FilePanes[pane].tree);
          if (selected) RefreshPaneTree(pane, selected, TRUE);
        }
      }
    }
    return LRESULT(0);
  });
  delete job;
  g_workerRunning = false;
  return 0;
}

}  // namespace

void NotifySiblingFolder(HWND window, const char* path) {
  if (!path) return;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  HWND sibling = FindWindowA(kSiblingWindowClass, nullptr);
  if (!sibling) return;
  char copy[MAX_PATH] = "";
  lstrcpynA(copy, path, sizeof copy);
  COPYDATASTRUCT data{0, sizeof copy, copy};
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(sibling, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                      SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &answer);
}

LRESULT QuerySiblingArchiveMode() {
  HWND sibling = FindWindowA(kSiblingWindowClass, nullptr);
  if (!sibling) return 0;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(sibling, kSiblingArchiveModeMessage, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 5000, &answer))
    return 0;
  return static_cast<LRESULT>(answer);
}

std::string BuildZipSwitches(UINT action, UINT compression, UINT pathIndex, UINT subfolders, UINT keepDate,
                             UINT dosNames, const char* password) {
  static const char* const actions[] = {"-a ", "-m -.r ", "-f ", "-u "};
  static const char* const levels[] = {"-ex ", "-en ", "-ef ", "-es ", "-e0 "};
  std::string s = action < 4 ? actions[action] : "";
  s += "-whs -.q ";
  if (compression < 5) s += levels[compression];
  if (pathIndex == 1 || pathIndex == 2) s += "-P ";
  if (subfolders) s += "-r ";
  if (keepDate) s += "-k ";
  if (!dosNames) s += "-.LR ";
  if (password && password[0]) s += std::string("-s\"") + password + "\"";
  return s;
}

std::string FreeZipName(const std::string& base) {
  std::string name = base + ".zip";
  if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
  for (int i = 1; i < 500; ++i) {
    name = base + std::to_string(i) + ".zip";
    if (GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES) return name;
  }
  return base + "500.zip";
}

int DefaultZipTarget(char* buffer) {
  buffer[0] = 0;
  int pane = ActivePaneIndex;
  std::string basePath;
  int count;
  if (!TreeHasFocus(pane)) {
    HWND list = FilePanes[pane].list;
    count = list ? static_cast<int>(ListView_GetSelectedCount(list)) : 0;
    if (count == 0) return 0;
    int first = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    FileListItem* record = GetListItemRecord(list, first);
    char path[MAX_PATH] = "";
    if (record && record->folder) GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path);
    if (!path[0]) {
      // The up-one-level entry alone, or an entry without a path.
      count = count > 1 ? count - 1 : 0;
      if (!count) return 0;
      int second = ListView_GetNextItem(list, first, LVNI_SELECTED);
      record = GetListItemRecord(list, second);
      if (record && record->folder) GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path);
      if (!path[0]) return 0;
    }
    basePath = path;
  } else {
    count = 1;
    basePath = TreeFolderPath(pane);
  }
  std::string base;
  size_t slash = basePath.rfind('\\');
  std::string folder = slash == std::string::npos ? "" : basePath.substr(0, slash + 1);
  if (count > 1) {
    if (folder.size() == 3) {
      base = folder + "archive";
    } else {
      std::string parent = folder.substr(0, folder.size() - 1);
      size_t nameAt = parent.rfind('\\');
      base = folder + (nameAt == std::string::npos ? parent : parent.substr(nameAt + 1));
    }
  } else {
    std::string name = slash == std::string::npos ? basePath : basePath.substr(slash + 1);
    size_t dot = name.rfind('.');
    DWORD attributes = GetFileAttributesA(basePath.c_str());
    bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (dot != std::string::npos && dot > 0 && !isFolder) name = name.substr(0, dot);
    if (name.empty()) name = "archive";
    base = folder + name;
  }
  lstrcpynA(buffer, FreeZipName(base).c_str(), MAX_PATH);
  return count;
}

void FillZipOptionCombos(HWND dialog) {
  auto fill = [&](int id, std::initializer_list<UINT> strings, uint32_t selected) {
    HWND combo = GetDlgItem(dialog, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (UINT s : strings) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(s).c_str()));
    SendMessageA(combo, CB_SETCURSEL, selected, 0);
  };
  fill(IDC_ARC_ACTION, {IDS_ARC_ACTION_ADD, IDS_ARC_ACTION_MOVE, IDS_ARC_ACTION_NEWER, IDS_ARC_ACTION_NEWER_OR_MISSING},
       ZipOption(kAction));
  fill(IDC_ARC_COMPRESSION, {IDS_ARC_LEVEL_MAXIMUM, IDS_ARC_LEVEL_NORMAL, IDS_ARC_LEVEL_FAST, IDS_ARC_LEVEL_SUPER_FAST,
                             IDS_ARC_LEVEL_NONE},
       ZipOption(kCompression));
  fill(IDC_ARC_PATHS, {IDS_ARC_PATHS_NONE, IDS_ARC_PATHS_RELATIVE, IDS_ARC_PATHS_FULL}, ZipOption(kPathIndex));
}

INT_PTR CALLBACK ZipToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, g_mainWindow);
      SetZipChecks(dialog);
      FillZipOptionCombos(dialog);
      SendDlgItemMessageA(dialog, IDC_ARC_ZIP_PASSWORD, EM_LIMITTEXT, 99, 0);
      LoadHistoryList(&g_zipHistory, "Zip To");
      FillComboFromHistory(GetDlgItem(dialog, IDC_ARC_TARGET), &g_zipHistory);
      FreeHistoryList(&g_zipHistory);
      ToggleZipToOptions(dialog, ZipOption(kCollapsed) != 0);
      ZipOption(kCollapsed) = !ZipOption(kCollapsed);
      char target[MAX_PATH] = "";
      int count = DefaultZipTarget(target);
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, target);
      SendDlgItemMessageA(dialog, IDC_ARC_TARGET, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
      char format[200] = "", label[260] = "";
      GetDlgItemTextA(dialog, IDC_ARC_COUNT, format, sizeof format);
      snprintf(label, sizeof label, format, count);
      SetDlgItemTextA(dialog, IDC_ARC_COUNT, label);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ARC_BROWSE: {
          HANDLE thread = CreateThread(nullptr, 0, BrowseThread, dialog, 0, nullptr);
          if (thread) CloseHandle(thread);
          return TRUE;
        }
        case IDC_ARC_OPTIONS:
          ToggleZipToOptions(dialog, IsWindowVisible(GetDlgItem(dialog, IDC_ARC_PATH_LABEL)) != 0);
          return TRUE;
        case IDOK:
          if (ZipToOk(dialog)) EndDialog(dialog, 1);
          return TRUE;
        case IDC_ARC_HELP:
          ShowHelpTopic(dialog, kZipToHelpTopic);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

bool ZipWorkerRunning() { return g_workerRunning; }

bool StartZipJob(ZipJob* job) {
  bool expected = false;
  if (ArchiveBusy || !g_workerRunning.compare_exchange_strong(expected, true)) {
    delete job;
    MessageBeep(0);
    return false;
  }
  ArchiveCancelled = 0;
  HANDLE thread = CreateThread(nullptr, 0, ZipWorker, job, 0, nullptr);
  if (!thread) {
    g_workerRunning = false;
    delete job;
    return false;
  }
  CloseHandle(thread);
  return true;
}

void DoZipToCommand(HWND window) {
  if (ArchiveBusy || g_workerRunning) {
    MessageBeep(0);
    return;
  }
  if (!LoadZipEngine()) return;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ZIP_TO), window, ZipToDlgProc, 0) != 1) return;
  int pane = ActivePaneIndex;
  auto* job = new ZipJob;
  job->target = g_zipTarget;
  job->pane = pane;
  job->switches = CurrentSwitches();
  if (job->target.size() > 3 && job->target[1] == ':') {
    std::string root = job->target.substr(0, 3);
    job->spanned = GetDriveTypeA(root.c_str()) == DRIVE_REMOVABLE &&
                   GetFileAttributesA(job->target.c_str()) == INVALID_FILE_ATTRIBUTES;
  }
  const bool relative = ZipOption(kPathIndex) == 1;
  if (TreeHasFocus(pane)) {
    std::string folder = TreeFolderPath(pane);
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (folder.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      MessageBeep(0);
      delete job;
      return;
    }
    uint64_t total = 0;
    WIN32_FIND_DATAA data;
    // The folder's size for the progress (its direct files; subfolders add as they come).
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          total += (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
      while (FindNextFileA(find, &data));
      FindClose(find);
    }
    job->total = total;
    size_t slash = folder.rfind('\\');
    if (relative && slash != std::string::npos && folder.size() > 3) {
      job->list = "\"" + folder.substr(slash + 1) + "\\*.*\"";
      job->baseFolder = folder.substr(0, slash == 2 ? 3 : slash);
    } else {
      job->list = "\"" + folder + (folder.back() == '\\' ? "" : "\\") + "*.*\"";
    }
  } else {
    uint64_t total = 0;
    char* list = BuildCommandLineFromSelection(&total, TRUE, relative ? TRUE : FALSE);
    if (!list) {
      delete job;
      return;
    }
    job->list = list;
    free(list);
    job->total = total;
    if (relative) job->baseFolder = TreeFolderPath(pane);
  }
  StartZipJob(job);
}

namespace {

HWND g_addChild;
bool g_folderChosen;
char g_chosenFolder[MAX_PATH];
WNDPROC g_addParentProc;

LRESULT CALLBACK AddToZipSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    char text[MAX_PATH] = "";
    GetDlgItemTextA(window, 1152, text, sizeof text);
    if (!text[0]) {
      HWND combo = GetDlgItem(window, 1148);
      if (combo) GetWindowTextA(combo, text, sizeof text);
    }
    TrimLeadingSpaces(text);
    if (!text[0]) {
      seams::MessageBoxA(window, LoadText(IDS_ARC_ENTER_TARGET).c_str(), g_title, MB_ICONHAND);
      return 0;
    }
    if (lstrcmpA(text, "*.*") == 0) {
      SendMessageA(window, CDM_GETFOLDERPATH, sizeof g_chosenFolder, reinterpret_cast<LPARAM>(g_chosenFolder));
      if (g_addChild) ReadZipOptions(g_addChild);
      g_folderChosen = true;
      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      return 0;
    }
  }
  return CallWindowProcA(g_addParentProc, window, message, wParam, lParam);
}

UINT_PTR CALLBACK AddToZipHookProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      g_addChild = child;
      g_folderChosen = false;
      FillZipOptionCombos(child);
      SetZipChecks(child);
      HWND parent = GetParent(child);
      SetDlgItemTextA(parent, IDOK, LoadText(IDS_ARC_OK).c_str());
      SetDlgItemTextA(parent, 1091, LoadText(IDS_ARC_ADD_FROM).c_str());
      g_addParentProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddToZipSubclassProc)));
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_ARC_HELP) {
        ShowHelpTopic(child, kAddToZipHelpTopic);
        return TRUE;
      }
      return 0;
    case WM_DESTROY:
      if (!g_folderChosen) ReadZipOptions(child);
      if (g_addParentProc) SetWindowLongPtrA(GetParent(child), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_addParentProc));
      g_addParentProc = nullptr;
      g_addChild = nullptr;
      return 0;
  }
  return 0;
}

}  // namespace

void DoAddToZipCommand(HWND window) {
  if (ArchiveBusy || g_workerRunning) {
    MessageBeep(0);
    return;
  }
  if (!LoadZipEngine()) return;
  int pane = ActivePaneIndex;
  std::string target;
  if (FilePanes[pane].listKind == kListKindShellFolder) {
    char path[MAX_PATH] = "";
    HWND list = FilePanes[pane].list;
    int index = list && !TreeHasFocus(pane) ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
    FileListItem* record = index >= 0 ? GetListItemRecord(list, index) : nullptr;
    if (record && record->folder) GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path);
    else lstrcpynA(path, TreeFolderPath(pane).c_str(), sizeof path);
    const char* dot = strrchr(path, '.');
    if (!dot || lstrcmpiA(dot, ".zip") != 0) {
      MessageBeep(0);
      return;
    }
    lstrcpynA(ArchivePath[pane], path, MAX_PATH);
  }
  target = ArchivePath[pane];
  if (target.empty()) return;
  NotifySiblingFolder(g_mainWindow ? g_mainWindow : window, target.c_str());
  std::string filter = LoadText(IDS_RUN_FILTER);
  for (char& c : filter) if (c == '|') c = 0;
  filter.push_back(0);
  std::string title = LoadText(IDS_ARC_ADD_TITLE);
  std::string folder = target.substr(0, target.rfind('\\'));
  std::vector<char> files(50000, 0);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = g_mainWindow ? g_mainWindow : window;
  ofn.hInstance = g_instance;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = files.data();
  ofn.nMaxFile = static_cast<DWORD>(files.size());
  ofn.lpstrInitialDir = folder.c_str();
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST |
              OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_ADD_TO_ZIP);
  ofn.lpfnHook = AddToZipHookProc;
  g_folderChosen = false;
  BOOL chosen = GetOpenFileNameA(&ofn);
  if (!chosen && !g_folderChosen) return;
  if (PaneViewerVisible()) ClearPaneViewer();
  auto* job = new ZipJob;
  job->target = target;
  job->pane = pane;
  job->relist = true;
  job->switches = CurrentSwitches();
  const bool relative = ZipOption(kPathIndex) == 1;
  if (g_folderChosen) {
    if (relative) {
      job->list = "\"*.*\"";
      job->baseFolder = g_chosenFolder;
    } else {
      std::string f = g_chosenFolder;
      job->list = "\"" + f + (f.empty() || f.back() != '\\' ? "\\" : "") + "*.*\"";
    }
  } else {
    const char* first = files.data();
    const char* next = first + strlen(first) + 1;
    if (!*next) {
      job->list = std::string("\"") + first + "\"";
      job->baseFolder = std::string(first).substr(0, std::string(first).rfind('\\'));
    } else {
      std::string dir = first;
      if (dir.back() != '\\') dir += '\\';
      std::string list;
      for (const char* p = next; *p; p += strlen(p) + 1) list += (relative ? "\"" : "\"" + dir) + p + "\" ";
      if (!list.empty()) list.pop_back();
      job->list = list;
      job->baseFolder = first;
    }
  }
  StartZipJob(job);
}
