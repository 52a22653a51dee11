// The UnZip dialog and the extractors.
#include "archive_extract.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "archive_engines.h"
#include "archive_folder.h"
#include "archive_items.h"
#include "archive_progress.h"
#include "command_line.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "help_file.h"
#include "history_list.h"
#include "pane_host.h"
#include "path_utils.h"
#include "picker_tree.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "target_tree.h"
#include "tree_nodes.h"
#include "vfolder_entry.h"
#include "window_helpers.h"

UnZipRequestRecord UnZipRequest;

// Help topic of the extract dialog.
constexpr UINT kExtractHelpTopic = 18;

namespace {

constexpr int kKeepPathsOption = 8, kOverwriteOption = 9, kRemoveOption = 10, kMaskOption = 11;
uint32_t& ZipOption(int index) { return GetLiveOptions().zip.values[index]; }

int g_unzipPane;

bool PaneLastFocusIsNotTree(int pane) { return PaneLastFocus() != FilePanes[pane].tree; }

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringText(g_instance, id, text, sizeof text);
  return text;
}

bool OtherKind() { return ArchiveKind == kArchiveLha || ArchiveKind == kArchiveCab || ArchiveKind == kArchiveRar; }

// The folder the pane's tree shows, or the folder holding the archive it shows.
std::string PaneBaseFolder(int pane) {
  char path[MAX_PATH] = "";
  HWND tree = FilePanes[pane].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr)
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
  DWORD attributes = path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    char* slash = strrchr(path, '\\');
    if (slash) *(slash == path + 2 ? slash + 1 : slash) = 0;
  }
  return path;
}

void PrepareTargetFolder() {
  char* target = UnZipRequest.targetFolder;
  StripTrailingBackslash(target);
  if (GetFileAttributesA(target) == INVALID_FILE_ATTRIBUTES) {
    char create[MAX_PATH];
    lstrcpynA(create, target, sizeof create);
    CreateDirectoryPath(create);
  }
}

HistoryList g_unzipHistory;

void UnZipInitDialog(HWND dialog) {
  CenterWindowOver(dialog, g_mainWindow);
  int pane = g_unzipPane;
  const FilePane& p = FilePanes[pane];
  bool selection = p.listKind == kListKindArchive && PaneLastFocusIsNotTree(pane) && p.list &&
                   ListView_GetNextItem(p.list, -1, LVNI_SELECTED) >= 0;
  CheckRadioButton(dialog, IDC_ARC_ALL_FILES, IDC_ARC_FILE_SPEC_CHOICE,
                   selection ? IDC_ARC_SELECTED_FILES : IDC_ARC_ALL_FILES);
  if (p.listKind == kListKindShellFolder) EnableWindow(GetDlgItem(dialog, IDC_ARC_SELECTED_FILES), FALSE);
  HWND action = GetDlgItem(dialog, IDC_ARC_ACTION);
  for (UINT id : {IDS_ARC_EXTRACT, IDS_ARC_EXTRACT_NEWER, IDS_ARC_EXTRACT_NEWER_OR_MISSING})
    SendMessageA(action, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadText(id).c_str()));
  SendMessageA(action, CB_SETCURSEL, 0, 0);
  LoadHistoryList(&g_unzipHistory, "UnZip To");
  HWND combo = GetDlgItem(dialog, IDC_ARC_TARGET);
  FillComboFromHistory(combo, &g_unzipHistory);
  if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) SendMessageA(combo, CB_SETCURSEL, 0, 0);
  CheckDlgButton(dialog, IDC_ARC_KEEP_PATHS, ZipOption(kKeepPathsOption) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_KEEP_PATHS_OTHER, ZipOption(kKeepPathsOption) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_OVERWRITE, ZipOption(kOverwriteOption) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_OVERWRITE_OTHER, ZipOption(kOverwriteOption) ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(dialog, IDC_ARC_ARCHIVE_NAME, ArchivePath[pane]);
  InitTargetTree(dialog);
  if (OtherKind()) {
    EnableWindow(GetDlgItem(dialog, IDC_ARC_FILE_SPEC_CHOICE), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_ARC_FILE_SPEC), FALSE);
    for (int id : {IDC_ARC_ACTION, IDC_ARC_ACTION_LABEL, IDC_ARC_ZIP_PASSWORD, IDC_ARC_PASSWORD_LABEL,
                   IDC_ARC_KEEP_PATHS, IDC_ARC_OVERWRITE, IDC_ARC_CHECK_1006})
      if (HWND w = GetDlgItem(dialog, id)) ShowWindow(w, SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_ARC_KEEP_PATHS_OTHER), SW_SHOW);
    ShowWindow(GetDlgItem(dialog, IDC_ARC_OVERWRITE_OTHER), SW_SHOW);
  } else {
    ShowWindow(GetDlgItem(dialog, IDC_ARC_KEEP_PATHS_OTHER), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_ARC_OVERWRITE_OTHER), SW_HIDE);
  }
  COMBOBOXINFO info{sizeof info};
  if (GetComboBoxInfo(combo, &info) && info.hwndItem) PostMessageA(info.hwndItem, EM_SETSEL, static_cast<WPARAM>(-1), -1);
}

bool UnZipOk(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_ARC_TARGET, text, sizeof text);
  TrimLeadingSpaces(text);
  int pane = g_unzipPane;
  char target[MAX_PATH] = "";
  if (!text[0]) {
    lstrcpynA(target, ArchivePath[pane], sizeof target);
    char* slash = strrchr(target, '\\');
    if (slash) *(slash == target + 2 ? slash + 1 : slash) = 0;
  } else {
    std::string base = PaneBaseFolder(pane);
    if (!ResolveRelativePath(text, target, base.c_str())) return false;
    AddToHistoryList(&g_unzipHistory, text);
    SaveHistoryList(&g_unzipHistory, "UnZip To");
  }
  UnZipRequestRecord& r = UnZipRequest;
  lstrcpynA(r.targetFolder, target, sizeof r.targetFolder);
  r.allFiles = IsDlgButtonChecked(dialog, IDC_ARC_ALL_FILES) == BST_CHECKED;
  r.selectedFiles = IsDlgButtonChecked(dialog, IDC_ARC_SELECTED_FILES) == BST_CHECKED;
  r.fileSpec[0] = 0;
  if (IsDlgButtonChecked(dialog, IDC_ARC_FILE_SPEC_CHOICE) == BST_CHECKED)
    GetDlgItemTextA(dialog, IDC_ARC_FILE_SPEC, r.fileSpec, 1040);
  r.password[0] = 0;
  if (GetDlgItem(dialog, IDC_ARC_ZIP_PASSWORD)) GetDlgItemTextA(dialog, IDC_ARC_ZIP_PASSWORD, r.password, 100);
  LRESULT action = SendDlgItemMessageA(dialog, IDC_ARC_ACTION, CB_GETCURSEL, 0, 0);
  r.action = action < 0 ? 0 : static_cast<UINT>(action);
  r.removeFromArchive = !OtherKind() && IsDlgButtonChecked(dialog, IDC_ARC_CHECK_1006) == BST_CHECKED;
  int keep = OtherKind() ? IDC_ARC_KEEP_PATHS_OTHER : IDC_ARC_KEEP_PATHS;
  int over = OtherKind() ? IDC_ARC_OVERWRITE_OTHER : IDC_ARC_OVERWRITE;
  r.keepPaths = IsDlgButtonChecked(dialog, keep) == BST_CHECKED;
  r.overwrite = IsDlgButtonChecked(dialog, over) == BST_CHECKED;
  ZipOption(kKeepPathsOption) = r.keepPaths;
  ZipOption(kOverwriteOption) = r.overwrite;
  ZipOption(kRemoveOption) = r.removeFromArchive;
  return true;
}

// The password for the pane's zip: the known one when it is good, else dialog 180. False when
// the user cancelled.
bool EnsureZipPassword(const char* archive) {
  if (!g_zipApi.Et5IsPassword(ZipEngineHandle, archive)) return true;
  if (UnZipRequest.password[0] && g_zipApi.Et5IsGoodPassword(ZipEngineHandle, archive, UnZipRequest.password))
    return true;
  return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ZIP_PASSWORD), g_mainWindow, ZipPasswordDlgProc, 0) == 1;
}

std::string PasswordSwitch() {
  if (!UnZipRequest.password[0]) return "";
  return std::string("-s\"") + UnZipRequest.password + "\"";
}

// The stored names of the entries the extractor walks: all or the selected ones.
std::vector<std::string> WalkedEntries(int pane) {
  std::vector<std::string> names;
  HWND list = FilePanes[pane].list;
  UINT flags = UnZipRequest.allFiles ? LVNI_ALL : LVNI_SELECTED;
  for (int i = ListView_GetNextItem(list, -1, flags); i >= 0; i = ListView_GetNextItem(list, i, flags)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (record && record->entryPath) names.push_back(record->entryPath);
  }
  return names;
}

}  // namespace

void SlashesToBackslashes(char* path) {
  for (char* p = path; *p; ++p)
    if (*p == '/') *p = '\\';
}

bool SafeEntryRelativePath(const char* name, std::string* out) {
  std::string path = name ? name : "";
  for (char& c : path) {
    if (c == '/') c = '\\';
    if (static_cast<unsigned char>(c) < 32 || c == ':') return false;
  }
  size_t start = path.find_first_not_of('\\');
  if (start == std::string::npos) return false;
  path = path.substr(start);
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find('\\', begin);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(begin, end - begin);
    if (part == "..") return false;
    begin = end + 1;
  }
  *out = path;
  return true;
}

int SplitZipPath(const char* path, char* archive, char* inner) {
  inner[0] = 0;
  int length = lstrlenA(path);
  for (int i = 5; i < length; ++i) {
    if (path[i] == '\\' && i >= 4 && lstrcmpiA(std::string(path + i - 4, 4).c_str(), ".zip") == 0) {
      lstrcpynA(archive, path, i + 1);
      lstrcpynA(inner, path + i + 1, MAX_PATH);
      return 1;
    }
  }
  if (length >= 4 && lstrcmpiA(path + length - 4, ".zip") == 0) {
    lstrcpynA(archive, path, MAX_PATH);
    return 1;
  }
  return 0;
}

std::string BuildUnZipSwitches(UINT action, UINT keepPaths, UINT overwrite) {
  std::string s;
  if (action == 1) s += "-f ";
  else if (action == 2) s += "-n ";
  if (keepPaths) s += "-d ";
  if (overwrite) s += "-o ";
  s += "-.L ";
  return s;
}

INT_PTR CALLBACK UnZipDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR answer = FALSE;
  if (HandleTargetTreeMessage(dialog, message, wParam, lParam, &answer)) return answer;
  switch (message) {
    case WM_INITDIALOG:
      UnZipInitDialog(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ARC_FILE_SPEC:
          if (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == EN_SETFOCUS)
            CheckRadioButton(dialog, IDC_ARC_ALL_FILES, IDC_ARC_FILE_SPEC_CHOICE, IDC_ARC_FILE_SPEC_CHOICE);
          return TRUE;
        case IDC_ARC_FILE_SPEC_CHOICE:
          SetFocus(GetDlgItem(dialog, IDC_ARC_FILE_SPEC));
          return TRUE;
        case IDOK:
          if (UnZipOk(dialog)) EndDialog(dialog, 1);
          return TRUE;
        case IDC_ARC_HELP:
          ShowHelpTopic(dialog, kExtractHelpTopic);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      FreeHistoryList(&g_unzipHistory);
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK ZipPasswordDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, GetParent(dialog));
      bool mask = ZipOption(kMaskOption) != 0;
      CheckDlgButton(dialog, IDC_ARC_CHECK_1006, mask ? BST_CHECKED : BST_UNCHECKED);
      SendDlgItemMessageA(dialog, IDC_ARC_PASSWORD, EM_SETPASSWORDCHAR, mask ? '*' : 0, 0);
      SendDlgItemMessageA(dialog, IDC_ARC_PASSWORD, EM_LIMITTEXT, 99, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ARC_CHECK_1006: {
          bool mask = IsDlgButtonChecked(dialog, IDC_ARC_CHECK_1006) == BST_CHECKED;
          SendDlgItemMessageA(dialog, IDC_ARC_PASSWORD, EM_SETPASSWORDCHAR, mask ? '*' : 0, 0);
          InvalidateRect(GetDlgItem(dialog, IDC_ARC_PASSWORD), nullptr, TRUE);
          return TRUE;
        }
        case IDOK: {
          char password[100] = "";
          GetDlgItemTextA(dialog, IDC_ARC_PASSWORD, password, sizeof password);
          ZipOption(kMaskOption) = IsDlgButtonChecked(dialog, IDC_ARC_CHECK_1006) == BST_CHECKED;
          const char* archive = ArchivePath[ActivePaneIndex];
          if (!strchr(password, '"') &&
              (IsZipEngineArchive(archive) || g_zipApi.Et5IsGoodPassword(ZipEngineHandle, archive, password))) {
            lstrcpynA(UnZipRequest.password, password, sizeof UnZipRequest.password);
            EndDialog(dialog, 1);
          } else {
            seams::MessageBoxA(dialog, LoadText(IDS_ARC_INVALID_PASSWORD).c_str(), g_title, MB_ICONEXCLAMATION);
          }
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

int ExtractFromZip(int pane) {
  if (g_mainWindow) UpdateWindow(g_mainWindow);
  const char* archive = ArchivePath[pane];
  char* list = nullptr;
  if (UnZipRequest.allFiles) {
    list = _strdup("*.*");
    ProgressTotal = FilePanes[pane].totalSize;
  } else if (UnZipRequest.selectedFiles) {
    list = BuildSelectedArchiveNames(pane, FALSE);
    if (!list) return 0;
  } else {
    list = _strdup(UnZipRequest.fileSpec);
    ProgressTotal = 0;
  }
  if (!list) return 0;
  PrepareTargetFolder();
  std::string switches = BuildUnZipSwitches(UnZipRequest.action, UnZipRequest.keepPaths, UnZipRequest.overwrite);
  g_zipApi.Et5SetParseType(ZipEngineHandle, -1);
  g_zipApi.Et5SetCPrint(ZipEngineHandle, 1);
  g_zipApi.Et5CPrintHook(ZipEngineHandle, ZipEngineCallback, 0, 0);
  g_skippedEntries.clear();
  BeginArchiveProgress();
  if (!EnsureZipPassword(archive)) {
    free(list);
    EndArchiveProgress();
    return 0;
  }
  switches += PasswordSwitch();
  int result = g_zipApi.Et5QUnZip(ZipEngineHandle, archive, UnZipRequest.targetFolder, list, switches.c_str());
  bool cancelled = ArchiveCancelled != 0;
  EndArchiveProgress();
  int16_t code = static_cast<int16_t>(LOWORD(result));
  if (cancelled || code == et5::kCancelled) {
    free(list);
    return 0;
  }
  if (code) {
    free(list);
    ShowArchiveError(code, archive);
    return 0;
  }
  if (UnZipRequest.removeFromArchive) {
    // Only what was extracted goes: entries the user kept by answering No stay in the zip.
    if (g_skippedEntries.empty()) {
      DeleteZipEntries(pane, list);
    } else if (UnZipRequest.allFiles || UnZipRequest.selectedFiles) {
      std::string kept;
      for (const std::string& name : WalkedEntries(pane)) {
        std::string plain = name;
        bool skipped = false;
        for (const std::string& s : g_skippedEntries) {
          std::string a = s, b = plain;
          for (char& c : a) if (c == '/') c = '\\';
          for (char& c : b) if (c == '/') c = '\\';
          const char* tail = strrchr(b.c_str(), '\\');
          if (lstrcmpiA(a.c_str(), b.c_str()) == 0 || lstrcmpiA(a.c_str(), tail ? tail + 1 : b.c_str()) == 0) skipped = true;
        }
        if (!skipped && IsQuotableEntryName(name.c_str())) kept += "\"" + name + "\" ";
      }
      if (!kept.empty()) {
        kept.pop_back();
        DeleteZipEntries(pane, kept.c_str());
      }
    }
  }
  free(list);
  return 1;
}

namespace {

// LHA, CAB and RAR: one entry at a time from the pane's list.
int ExtractOtherKind(int pane, uint16_t kind) {
  if (g_mainWindow) UpdateWindow(g_mainWindow);
  const char* archive = ArchivePath[pane];
  if (kind == kArchiveLha && !LoadLhaEngine()) return 0;
  if (kind == kArchiveCab && !LoadCabEngine()) return 0;
  if (kind == kArchiveRar && !LoadRarEngine()) return 0;
  PrepareTargetFolder();
  if (kind == kArchiveCab) {
    int code = g_cabApi.CAB_SetArchive(archive);
    if (code) {
      ShowArchiveError(g_cabApi.CAB_MapToCPError(code), archive);
      UnloadCabEngine();
      return 0;
    }
  } else if (kind == kArchiveRar) {
    int code = g_rarApi.RAR_SetArchive(archive);
    if (code) {
      UnloadRarEngine();
      ShowRarError(code, archive);
      return 0;
    }
  }
  char savedDirectory[MAX_PATH] = "";
  if (kind == kArchiveLha) {
    GetCurrentDirectoryA(sizeof savedDirectory, savedDirectory);
    SetCurrentDirectoryA(UnZipRequest.targetFolder);
  }
  const char letter = UnZipRequest.keepPaths ? 'x' : 'e';
  BeginArchiveProgress();
  std::vector<std::string> entries = WalkedEntries(pane);
  int count = static_cast<int>(entries.size());
  if (count < 1) count = 1;
  int position = 0;
  bool yesToAll = false, ranOut = true;
  std::string target = UnZipRequest.targetFolder;
  if (!target.empty() && target.back() != '\\') target += '\\';
  for (const std::string& name : entries) {
    if (ArchiveCancelled) break;
    if (kind != kArchiveLha && !PumpArchiveMessages()) {
      ranOut = false;
      break;
    }
    position += 100;
    std::string relative;
    if (!SafeEntryRelativePath(name.c_str(), &relative)) {
      // A name that would leave the target folder is not extracted.
      ShowArchiveError(-2, name.c_str());
      continue;
    }
    size_t slash = relative.rfind('\\');
    std::string plain = slash == std::string::npos ? relative : relative.substr(slash + 1);
    std::string targetFile = target + (UnZipRequest.keepPaths ? relative : plain);
    std::string folder = targetFile.substr(0, targetFile.rfind('\\'));
    if (folder.size() == 2) folder += '\\';
    if (UnZipRequest.keepPaths) {
      char create[MAX_PATH];
      lstrcpynA(create, folder.c_str(), sizeof create);
      if (GetFileAttributesA(create) == INVALID_FILE_ATTRIBUTES) CreateDirectoryPath(create);
    }
    bool hasFolder = name.find_first_of("\\/") != std::string::npos;
    std::string quoted = std::string("\"") + (hasFolder ? "\\" : "") + name + "\"";
    if (kind != kArchiveLha && ArchiveProgressBar && g_frame.statusBar) {
      std::string text = LoadText(IDS_ARC_EXTRACTING) + plain;
      SendMessageA(g_frame.statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
      UpdateWindow(g_frame.statusBar);
    }
    // An existing file is set aside, not deleted, until its replacement was written.
    std::string aside;
    bool exists = GetFileAttributesA(targetFile.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists && !UnZipRequest.overwrite && !yesToAll) {
      std::string format = LoadText(IDS_ARC_OVERWRITE_FOLDER);
      size_t at = format.find("%s");
      std::string text = at == std::string::npos ? format : format.substr(0, at) + plain + format.substr(at + 2);
      lstrcpynA(OverwritePromptText, text.c_str(), sizeof OverwritePromptText);
      int answer = AskOverwrite();
      if (answer == IDCANCEL) {
        ArchiveCancelled = 1;
        ranOut = false;
        break;
      }
      if (answer == IDC_ARC_NO) {
        g_skippedEntries.insert(name);
        continue;
      }
      if (answer == IDC_ARC_YES_TO_ALL) yesToAll = true;
    }
    if (exists) {
      aside = targetFile + ".~jq" + std::to_string(GetCurrentProcessId());
      if (!MoveFileExA(targetFile.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) aside.clear();
    }
    int code = 0;
    if (kind == kArchiveLha) {
      std::string command = std::string(1, letter) + " /mnx- \"" + archive + "\" " + quoted;
      char output[1024] = "";
      code = g_lhaApi.Unlha(g_mainWindow, command.c_str(), output, sizeof output);
    } else if (kind == kArchiveCab) {
      code = g_cabApi.CAB_ExtractFiles(quoted.c_str(), UnZipRequest.keepPaths ? folder.c_str() : UnZipRequest.targetFolder);
    } else {
      code = g_rarApi.RAR_ExtractSingleFile(name.c_str(), UnZipRequest.keepPaths ? folder.c_str() : UnZipRequest.targetFolder);
    }
    if (!aside.empty()) {
      if (code == 0) DeleteFileA(aside.c_str());
      else MoveFileExA(aside.c_str(), targetFile.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (code) {
      if (kind == kArchiveLha) ShowLhaError(code, archive);
      else if (kind == kArchiveCab) ShowArchiveError(g_cabApi.CAB_MapToCPError(code), archive);
      else ShowRarError(code, archive);
      ranOut = false;
      break;
    }
    if (kind != kArchiveLha && ArchiveProgressBar) {
      SendMessageA(ArchiveProgressBar, PBM_SETPOS, position / count, 0);
      UpdateWindow(ArchiveProgressBar);
    }
  }
  if (ArchiveCancelled) ranOut = false;
  EndArchiveProgress();
  if (kind == kArchiveLha) SetCurrentDirectoryA(savedDirectory);
  if (kind == kArchiveCab) {
    g_cabApi.CAB_CloseArchive();
    UnloadCabEngine();
  }
  if (kind == kArchiveRar) {
    g_rarApi.RAR_CloseArchive();
    UnloadRarEngine();
  }
  return ranOut ? 1 : 0;
}

}  // namespace

int ExtractFromLha(int pane) { return ExtractOtherKind(pane, kArchiveLha); }
int ExtractFromCab(int pane) { return ExtractOtherKind(pane, kArchiveCab); }
int ExtractFromRar(int pane) { return ExtractOtherKind(pane, kArchiveRar); }

int RunExtractor(int pane) {
  switch (ArchiveKind) {
    case kArchiveZip: case kArchiveOther: return ExtractFromZip(pane);
    case kArchiveLha: return ExtractFromLha(pane);
    case kArchiveCab: return ExtractFromCab(pane);
    case kArchiveRar: return ExtractFromRar(pane);
    default: return 1;
  }
}

int ExtractArchiveSelection(int pane) {
  UnZipRequestRecord& r = UnZipRequest;
  r.allFiles = 0;
  r.selectedFiles = 1;
  r.fileSpec[0] = 0;
  if (!GetArchiveTempFolder(r.targetFolder)) return 0;
  r.action = 0;
  r.password[0] = 0;
  r.removeFromArchive = 0;
  r.keepPaths = 0;
  r.overwrite = 1;
  if (!IdentifyArchive(ArchivePath[pane])) return 0;
  return RunExtractor(pane);
}

void DoUnZipCommand(HWND window) {
  if (ArchiveBusy) {
    MessageBeep(0);
    return;
  }
  int pane = ActivePaneIndex;
  FilePane& p = FilePanes[pane];
  if (p.zipAsFolder) {
    HWND tree = p.tree;
    HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
    FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr;
    char path[MAX_PATH] = "";
    if (record) GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
    if (!path[0]) return;
    char archive[MAX_PATH] = "", inner[MAX_PATH] = "";
    if (!SplitZipPath(path, archive, inner)) return;
    lstrcpynA(ArchivePath[pane], archive, MAX_PATH);
  } else if (p.listKind == kListKindShellFolder) {
    if (p.list && ListView_GetSelectedCount(p.list) > 1) {
      PostMessageA(g_mainWindow ? g_mainWindow : window, WM_COMMAND, ID_TOOLS_SHELL_EXT_4, 0);
      return;
    }
    int index = p.list ? ListView_GetNextItem(p.list, -1, LVNI_SELECTED) : -1;
    if (index >= 0) {
      FileListItem* record = GetListItemRecord(p.list, index);
      if (!record) return;
      char path[MAX_PATH] = "";
      GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path);
      if (!path[0]) return;
      lstrcpynA(ArchivePath[pane], path, MAX_PATH);
    }
  }
  if (!LoadZipEngine()) return;
  if (!IdentifyArchive(ArchivePath[pane])) return;
  if (p.listKind == kListKindShellFolder && OtherKind()) {
    // The per-entry extractors work from the listed entries: the archive is shown first.
    SelectTreePath(p.tree, ArchivePath[pane], TRUE);
    MSG m;
    // The list follows the tree after a short timer.
    DWORD until = GetTickCount() + 2000;
    while (FilePanes[pane].listKind != kListKindArchive && GetTickCount() < until) {
      if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      }
    }
    if (!IdentifyArchive(ArchivePath[pane])) return;
  }
  g_unzipPane = pane;
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_UNZIP), window, UnZipDlgProc, 0) != 1) return;
  RunExtractor(pane);
}

LRESULT OnArcExtractProgressMessage(HWND, UINT, WPARAM wParam, LPARAM lParam) {
  if (!lParam || wParam != 1 || !ArchiveProgressBar) return 0;
  auto* bytes = reinterpret_cast<uint8_t*>(lParam);
  uint32_t total, done;
  memcpy(&total, bytes, 4);
  memcpy(&done, bytes + 4, 4);
  SendMessageA(ArchiveProgressBar, PBM_SETPOS, ProgressPercent(done, total ? total : 0) * (total ? 1 : 0), 0);
  char* name = reinterpret_cast<char*>(bytes + 524);
  name[499] = 0;
  if (name[0] && g_frame.statusBar) {
    CharLowerA(name);
    std::string text = LoadText(IDS_ARC_EXTRACTING) + " " + name;
    SendMessageA(g_frame.statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  if (g_frame.statusBar) UpdateWindow(g_frame.statusBar);
  return 0;
}
