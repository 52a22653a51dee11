// Encrypt/Decrypt (command 45118) with dialog 185 over jqencr.dll, and Permanently delete
// (40125), which wipes files and walks folders.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "command_handlers.h"
#include "archive_progress.h"
#include "command_line.h"
#include "file_list.h"
#include "file_pane.h"
#include "file_tools.h"
#include "file_wipe.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "help_file.h"
#include "history_list.h"
#include "pane_host.h"
#include "path_utils.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "status_bar.h"
#include "window_helpers.h"
#include "window_utils.h"

EncryptionOptions g_encryptionOptions;

namespace {

constexpr char kHistoryKey[] = "Encrypt To";
constexpr char kDesValue[] = "DES Encryption";
constexpr UINT kHelpTopic = 33;

using KeyFn = short(__stdcall*)(const char*, unsigned char*);
using ScheduleFn = short(__stdcall*)(const unsigned char*, unsigned char*);
using PathFn = short(__stdcall*)(const char*);
using FileFn = short(__stdcall*)(const char*, const char*, const unsigned char*, int);
using CheckFn = short(__stdcall*)(const char*, const unsigned char*);

struct EncryptionEngine {
  HMODULE module;
  KeyFn passwordToKeys;
  ScheduleFn setKeyDes;
  PathFn isEncrypted;
  FileFn encryptDes, encryptShiftXor, decryptDes, decryptShiftXor;
  CheckFn isGoodPasswordDes, isGoodPasswordShiftXor;
  PathFn nukeFile;
} g_engine;

UINT g_alreadyEncryptedYesToAll;
char g_statusPrefix[100];

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

// The template with its first %s or %d replaced by the value: never longer than both together.
std::string FillTemplate(const std::string& text, const std::string& value) {
  size_t at = text.find("%s");
  if (at == std::string::npos) at = text.find("%d");
  if (at == std::string::npos) return text;
  return text.substr(0, at) + value + text.substr(at + 2);
}

template <typename F>
bool Bind(F* slot, const char* name) {
  *slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_engine.module, name)));
  return *slot != nullptr;
}

std::string ActiveFolder() {
  char path[MAX_PATH] = "";
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (tree) GetTreeSelectionPath(tree, path, FALSE, TRUE);
  return path;
}

bool TreeHasFocus() {
  const FilePane& pane = FilePanes[ActivePaneIndex];
  return pane.tree && PaneLastFocus() == pane.tree;
}

std::string FolderPart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NamePart(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const char* a, const char* b) {
  char fullA[MAX_PATH], fullB[MAX_PATH];
  if (!GetFullPathNameA(a, MAX_PATH, fullA, nullptr) || !GetFullPathNameA(b, MAX_PATH, fullB, nullptr)) return false;
  if (lstrcmpiA(fullA, fullB) == 0) return true;
  char longA[MAX_PATH], longB[MAX_PATH];
  return GetLongPathNameA(fullA, longA, MAX_PATH) && GetLongPathNameA(fullB, longB, MAX_PATH) &&
         lstrcmpiA(longA, longB) == 0;
}

// ---- The overwrite question ----------------------------------------------------------------

// Dialog 176, shared with the archive commands: 6 Yes, 7 No, 106 Yes to all, 2 Cancel.
int AskEncryptionQuestion(UINT id, const char* name) {
  lstrcpynA(OverwritePromptText, FillTemplate(LoadText(id), name).c_str(), sizeof OverwritePromptText);
  return AskOverwrite();
}

// ---- Dialog 185 --------------------------------------------------------------------------------

// The quoted list the command works on, or empty.
std::string BuildEncryptionFileList(const EncryptionOptions* options) {
  if (TreeHasFocus()) {
    std::string folder = ActiveFolder();
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) {
      MessageBeep(0);
      return {};
    }
    SetCurrentDirectoryA(previous);
    if (folder.back() != '\\') folder += '\\';
    return "\"" + folder + "*.*\"";
  }
  if (options->selected) {
    char* line = BuildCommandLineFromSelection(nullptr, TRUE, FALSE);
    if (!line) return {};
    std::string list = line;
    free(line);
    return list;
  }
  if (!options->fileSpec[0]) return {};
  char resolved[MAX_PATH];
  if (!ResolveRelativePath(options->fileSpec, resolved, ActiveFolder().c_str())) return {};
  return "\"" + std::string(resolved) + "\"";
}

bool HasWildcard(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

void SetSubfolderBox(HWND dialog, bool enabled) {
  HWND box = GetDlgItem(dialog, IDC_ENC_SUBFOLDERS);
  if (!enabled) CheckDlgButton(dialog, IDC_ENC_SUBFOLDERS, BST_UNCHECKED);
  EnableWindow(box, enabled);
}

void UpdateSubfolderBoxFromSelection(HWND dialog) {
  EncryptionOptions probe{};
  probe.selected = 1;
  std::string list = BuildEncryptionFileList(&probe);
  if (list.empty()) return;
  SetSubfolderBox(dialog, HasWildcard(list));
}

void UpdateSubfolderBoxFromSpec(HWND dialog) {
  char fileSpec[1040] = "";
  GetDlgItemTextA(dialog, IDC_ENC_FILE_SPEC, fileSpec, sizeof fileSpec);
  SetSubfolderBox(dialog, HasWildcard(fileSpec));
}

void ReadEncryptionDialog(HWND dialog, EncryptionOptions* o) {
  GetDlgItemTextA(dialog, IDC_ENC_KEY, o->keyText, sizeof o->keyText);
  char text[1040] = "";
  GetDlgItemTextA(dialog, IDC_ENC_TARGET, text, sizeof text);
  const char* start = text;
  while (*start == ' ' || *start == '\t') ++start;
  o->target[0] = 0;
  if (*start) {
    if (strpbrk(start, "/*?<>|")) {
      lstrcpynA(o->target, start, sizeof o->target);
    } else {
      char resolved[MAX_PATH];
      if (ResolveRelativePath(start, resolved, ActiveFolder().c_str())) lstrcpynA(o->target, resolved, sizeof o->target);
    }
  }
  o->selected = IsDlgButtonChecked(dialog, IDC_ENC_SELECTED) == BST_CHECKED;
  o->fileSpec[0] = 0;
  if (!o->selected) GetDlgItemTextA(dialog, IDC_ENC_FILE_SPEC, o->fileSpec, sizeof o->fileSpec);
  o->subfolders = IsWindowEnabled(GetDlgItem(dialog, IDC_ENC_SUBFOLDERS)) &&
                  IsDlgButtonChecked(dialog, IDC_ENC_SUBFOLDERS) == BST_CHECKED;
  o->des = IsDlgButtonChecked(dialog, IDC_ENC_DES) == BST_CHECKED;
  o->wipeSource = IsDlgButtonChecked(dialog, IDC_ENC_WIPE_SOURCE) == BST_CHECKED;
  o->overwrite = IsDlgButtonChecked(dialog, IDC_ENC_OVERWRITE) == BST_CHECKED;
}

void DialogError(HWND dialog, UINT id) {
  seams::MessageBoxA(dialog, LoadText(id).c_str(), g_title, MB_OK | MB_ICONHAND);
}

void BrowseForTarget(HWND dialog) {
  std::string title = LoadText(IDS_ENC_BROWSE_TITLE);
  BROWSEINFOA info{};
  info.hwndOwner = dialog;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return;
  char path[MAX_PATH] = "";
  if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_ENC_TARGET, path);
  CoTaskMemFree(chosen);
}

INT_PTR CALLBACK EncryptDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  EncryptionOptions* o = &g_encryptionOptions;
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      CheckDlgButton(dialog, IDC_ENC_SUBFOLDERS, o->subfolders ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dialog, IDC_ENC_OVERWRITE, o->overwrite ? BST_CHECKED : BST_UNCHECKED);
      DWORD des = 0;
      ReadSettingDword(kDesValue, &des);
      CheckDlgButton(dialog, IDC_ENC_DES, des ? BST_CHECKED : BST_UNCHECKED);
      CheckRadioButton(dialog, IDC_ENC_SELECTED, IDC_ENC_FILES, IDC_ENC_SELECTED);
      UpdateSubfolderBoxFromSelection(dialog);
      HWND combo = GetDlgItem(dialog, IDC_ENC_TARGET);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      HistoryList history;
      LoadHistoryList(&history, kHistoryKey);
      FillComboFromHistory(combo, &history);
      std::string folder = ActiveFolder();
      SetDlgItemTextA(dialog, IDC_ENC_FOLDER, folder.c_str());
      SetWindowTextA(combo, folder.c_str());
      SendDlgItemMessageA(dialog, IDC_ENC_KEY, EM_LIMITTEXT, 99, 0);
      SendDlgItemMessageA(dialog, IDC_ENC_FILE_SPEC, EM_LIMITTEXT, 1039, 0);
      HICON icon = static_cast<HICON>(LoadImageA(g_instance, MAKEINTRESOURCEA(IDI_ENCRYPT_BROWSE), IMAGE_ICON, 16, 16, 0));
      if (icon) SendDlgItemMessageA(dialog, IDC_ENC_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
      AddBrowseTooltip(GetDlgItem(dialog, IDC_ENC_BROWSE));
      SetFocus(combo);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ENC_SELECTED:
          if (HIWORD(wParam) == BN_CLICKED) UpdateSubfolderBoxFromSelection(dialog);
          return TRUE;
        case IDC_ENC_FILES:
          if (HIWORD(wParam) == BN_CLICKED) {
            SetFocus(GetDlgItem(dialog, IDC_ENC_FILE_SPEC));
            UpdateSubfolderBoxFromSpec(dialog);
          }
          return TRUE;
        case IDC_ENC_FILE_SPEC:
          if (HIWORD(wParam) == EN_CHANGE || HIWORD(wParam) == EN_SETFOCUS) {
            CheckRadioButton(dialog, IDC_ENC_SELECTED, IDC_ENC_FILES, IDC_ENC_FILES);
            UpdateSubfolderBoxFromSpec(dialog);
          }
          return TRUE;
        case IDC_ENC_BROWSE:
          BrowseForTarget(dialog);
          return TRUE;
        case IDHELP:
          ShowHelpTopic(dialog, kHelpTopic);
          return TRUE;
        case IDC_ENC_ENCRYPT:
        case IDC_ENC_DECRYPT: {
          ReadEncryptionDialog(dialog, o);
          if (!o->target[0]) return DialogError(dialog, IDS_ENC_NO_TARGET), TRUE;
          if (strpbrk(o->target, "/*?<>|")) return DialogError(dialog, IDS_ENC_TARGET_CHARACTERS), TRUE;
          size_t keyLength = strlen(o->keyText);
          if (keyLength == 0) return DialogError(dialog, IDS_ENC_NO_KEY), TRUE;
          if (keyLength < 3) return DialogError(dialog, IDS_ENC_KEY_LENGTH), TRUE;
          DWORD des = o->des;
          WriteSettingDword(kDesValue, &des);
          HistoryList history;
          LoadHistoryList(&history, kHistoryKey);
          AddToHistoryList(&history, o->target);
          SaveHistoryList(&history, kHistoryKey);
          EndDialog(dialog, LOWORD(wParam) == IDC_ENC_ENCRYPT ? kEncryptMode : kDecryptMode);
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

void SetStatusText(const std::string& text) {
  HWND status = PaneStatusBar();
  if (!status) return;
  SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
  UpdateWindow(status);
}

void RestoreStatusBar() {
  HWND status = PaneStatusBar();
  if (status) UpdateStatusBar(status, FilePanes[ActivePaneIndex].list, TRUE);
}

// Removes a file of ours that holds nothing the user needs; a failure leaves a stray file only.
void DropFile(const char* path) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path);
}

}  // namespace

// ---- Engine -----------------------------------------------------------------------------------

int LoadEncryptionEngine() {
  if (g_engine.module) return 1;
  char folder[MAX_PATH] = "";
  ReadInstallDir(folder);
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += "jqencr.dll";
  g_engine.module = LoadLibraryA(path.c_str());
  if (!g_engine.module) {
    seams::MessageBoxA(g_mainWindow, LoadText(IDS_ENC_NO_LIBRARY).c_str(), g_title, MB_OK | MB_ICONHAND);
    return 0;
  }
  bool all = Bind(&g_engine.passwordToKeys, "KzPasswordToKeys") & Bind(&g_engine.setKeyDes, "KzSetKeyDES") &
             Bind(&g_engine.isEncrypted, "KzIsEncrypted") & Bind(&g_engine.encryptDes, "KzEncryptFileDES") &
             Bind(&g_engine.encryptShiftXor, "KzEncryptFileShiftXor") &
             Bind(&g_engine.decryptDes, "KzDecryptFileDES") &
             Bind(&g_engine.decryptShiftXor, "KzDecryptFileShiftXor") &
             Bind(&g_engine.isGoodPasswordDes, "KzIsGoodPasswordDES") &
             Bind(&g_engine.isGoodPasswordShiftXor, "KzIsGoodPasswordShiftXor") &
             Bind(&g_engine.nukeFile, "KzNukeFile");
  if (!all) {
    FreeEncryptionEngine();
    return 0;
  }
  return 1;
}

void FreeEncryptionEngine() {
  if (g_engine.module) FreeLibrary(g_engine.module);
  g_engine = EncryptionEngine{};
}

void ClearEncryptionKeys(EncryptionOptions* options) {
  memset(options->shiftXorKey, ' ', sizeof options->shiftXorKey);
  memset(options->desSchedule, ' ', sizeof options->desSchedule);
}

void MakeEncryptionKeys(EncryptionOptions* options, int mode) {
  ClearEncryptionKeys(options);
  g_engine.passwordToKeys(options->keyText, options->shiftXorKey);
  // The schedule is made for every decryption: the file may be in either cipher.
  if (options->des || mode == kDecryptMode) g_engine.setKeyDes(options->shiftXorKey, options->desSchedule);
}

// ---- Quoted lists -----------------------------------------------------------------------------

size_t NextQuotedName(size_t position, const char* list, char* name) {
  name[0] = 0;
  const char* open = strchr(list + position, '"');
  if (!open) return 0;
  const char* close = strchr(open + 1, '"');
  size_t length = close ? static_cast<size_t>(close - open - 1) : strlen(open + 1);
  if (length >= MAX_PATH) length = MAX_PATH - 1;
  memcpy(name, open + 1, length);
  name[length] = 0;
  return close ? static_cast<size_t>(close - list) + 1 : strlen(list);
}

int CountQuotedNames(const char* list) {
  char name[MAX_PATH];
  int count = 0;
  for (size_t at = NextQuotedName(0, list, name); at; at = NextQuotedName(at, list, name)) ++count;
  return count;
}

bool ListNeedsFolderTarget(const char* list) {
  if (CountQuotedNames(list) >= 2) return true;
  char name[MAX_PATH];
  NextQuotedName(0, list, name);
  return strpbrk(name, "?*") != nullptr;
}

bool EnsureFolderTarget(char* path) {
  size_t length = strlen(path);
  while (length && (path[length - 1] == ' ' || path[length - 1] == '\t')) path[--length] = 0;
  if (!length) return false;
  if (path[length - 1] == '\\') return true;
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (length + 1 < MAX_PATH) lstrcatA(path, "\\");
  return true;
}

// ---- One file -----------------------------------------------------------------------------------

short ProcessEncryptionFile(EncryptionOptions* o, int mode, const char* source, char* target) {
  DWORD targetAttributes = GetFileAttributesA(target);
  const bool exists = targetAttributes != 0 && targetAttributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (targetAttributes & FILE_ATTRIBUTE_DIRECTORY)) return kEncNotPlaced;
  if (exists && !o->overwrite) {
    switch (AskEncryptionQuestion(IDS_ENC_TARGET_EXISTS, target)) {
      case IDCANCEL: return kEncStop;
      case IDNO: return 0;
      case IDC_ARC_YES_TO_ALL: o->overwrite = 1; break;
    }
  }
  if (!g_engine.isEncrypted(source)) {
    if (mode == kDecryptMode) {
      std::string text = FillTemplate(LoadText(IDS_ENC_NOT_ENCRYPTED), source);
      return seams::MessageBoxA(g_mainWindow, text.c_str(), g_title, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL
                 ? kEncStop : 0;
    }
  } else if (mode == kEncryptMode && !g_alreadyEncryptedYesToAll) {
    switch (AskEncryptionQuestion(IDS_ENC_ALREADY_ENCRYPTED, source)) {
      case IDCANCEL: return kEncStop;
      case IDNO: return 0;
      case IDC_ARC_YES_TO_ALL: g_alreadyEncryptedYesToAll = 1; break;
    }
  }

  // Over an existing target the output goes to a fresh file beside it first.
  char output[MAX_PATH];
  lstrcpynA(output, target, MAX_PATH);
  const std::string folder = FolderPart(target);
  if (exists && !GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "~jq", 0, output)) return kEncNotPlaced;

  short r;
  if (mode == kEncryptMode) {
    r = o->des ? g_engine.encryptDes(source, output, o->desSchedule, 3)
               : g_engine.encryptShiftXor(source, output, o->shiftXorKey, 3);
  } else {
    // Either cipher may have written the file; the first error that is not "other format" is
    // the one worth showing.
    short first = 0;
    auto attempt = [&](FileFn fn, const unsigned char* key, int level) {
      short code = fn(source, output, key, level);
      if (code && code != -27 && !first) first = code;
      return code;
    };
    if (o->des) {
      r = attempt(g_engine.decryptDes, o->desSchedule, 3);
      if (r) r = attempt(g_engine.decryptDes, o->desSchedule, 0);
      if (r) r = attempt(g_engine.decryptShiftXor, o->shiftXorKey, 3);
    } else {
      r = attempt(g_engine.decryptShiftXor, o->shiftXorKey, 3);
      if (r) r = attempt(g_engine.decryptDes, o->desSchedule, 3);
      if (r) r = attempt(g_engine.decryptDes, o->desSchedule, 0);
    }
    if (r) {
      if (!g_engine.isGoodPasswordDes(source, o->desSchedule) &&
          !g_engine.isGoodPasswordShiftXor(source, o->shiftXorKey))
        r = kEncWrongKey;
      else if (first)
        r = first;
    }
  }
  if (r) {
    if (exists) DropFile(output);  // the placeholder; the old target is untouched
    return r;
  }

  const bool sameFile = SameFile(source, target);
  if (exists) {
    // The old target moves aside, the new file takes its name, and only then is the old one
    // wiped; any failure puts everything back as it was.
    char aside[MAX_PATH];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "~jq", 0, aside)) {
      DropFile(output);
      return kEncNotPlaced;
    }
    if (!MoveFileExA(target, aside, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      DropFile(aside);
      DropFile(output);
      return kEncNotPlaced;
    }
    if (!MoveFileExA(output, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      MoveFileExA(aside, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      DropFile(output);
      return kEncNotPlaced;
    }
    r = g_engine.nukeFile(aside);
  }
  // The source goes last, once its output is in place (when it was the target itself, its old
  // contents were the file just wiped).
  if (o->wipeSource && !sameFile) {
    short wiped = g_engine.nukeFile(source);
    if (!r) r = wiped;
  }
  return r;
}

int ShowEncryptionError(short code, const char* name) {
  UINT id;
  switch (code) {
    case -28: id = IDS_ENC_BUFFER; break;
    case -27: id = IDS_ENC_FORMAT; break;
    case -26: id = IDS_ENC_PROGRAMS; break;
    case -25: id = IDS_ENC_CHECK_KEY; break;
    case -24: id = IDS_ENC_WRONG_PASSWORD; break;
    case -18: id = IDS_ENC_PATH_TOO_LONG; break;
    case -16: return 2;
    case -11: id = IDS_ENC_FILE_READ; break;
    case -10: id = IDS_ENC_DISK_WRITE; break;
    case -4: id = IDS_ENC_DATABASE_FULL; break;
    case 102: id = IDS_ENC_FILE_NOT_FOUND; break;
    case 103: id = IDS_ENC_PATH_NOT_FOUND; break;
    case 105: id = IDS_ENC_ACCESS_REFUSED; break;
    case 106: id = IDS_ENC_NOT_VALID_FILE; break;
    case 108: id = IDS_ENC_NO_MEMORY; break;
    default: id = IDS_ENC_GENERIC; break;
  }
  std::string text = LoadText(id);
  if (text.empty()) return 2;
  if (name && *name) text = FillTemplate(text, name);
  return seams::MessageBoxA(g_mainWindow, text.c_str(), g_title, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDCANCEL ? 2 : 1;
}

// ---- Folder walks ------------------------------------------------------------------------------

namespace {

// 0 when nothing matched the pattern, 1 done, 2 stop.
int WalkFolderEntries(const char* pattern, const char* targetFolder, int mode, uint32_t subfolders) {
  const std::string source = FolderPart(pattern);
  const std::string fileSpec = NamePart(pattern);
  char made[MAX_PATH];
  lstrcpynA(made, targetFolder, MAX_PATH);
  if (GetFileAttributesA(made) == INVALID_FILE_ATTRIBUTES) CreateDirectoryPath(made);

  // A snapshot first, so that files written during the walk do not join it.
  struct Entry {
    std::string name;
    DWORD attributes;
  };
  // The files the pattern matches; with subfolders, every subfolder whatever its name (a
  // pattern such as "*.txt" names files, not the folders to walk).
  std::vector<Entry> entries;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      entries.push_back({data.cFileName, data.dwFileAttributes});
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  if (subfolders) {
    find = FindFirstFileA((source + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !strcmp(data.cFileName, ".") ||
            !strcmp(data.cFileName, ".."))
          continue;
        entries.push_back({data.cFileName, data.dwFileAttributes});
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
  }
  if (entries.empty()) return 0;

  for (const Entry& entry : entries) {
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A junction or link is not walked into: its files are not this folder's.
      if (!subfolders || (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      std::string inner = source + entry.name + "\\" + fileSpec;
      std::string innerTarget = std::string(targetFolder) + entry.name + "\\";
      if (inner.size() >= MAX_PATH || innerTarget.size() >= MAX_PATH) {
        if (ShowEncryptionError(-18, (source + entry.name).c_str()) == 2) return 2;
        continue;
      }
      // A subfolder where nothing matches stops only itself.
      if (WalkFolderEntries(inner.c_str(), innerTarget.c_str(), mode, subfolders) == 2) return 2;
      continue;
    }
    std::string from = source + entry.name;
    std::string to = std::string(targetFolder) + entry.name;
    if (from.size() >= MAX_PATH || to.size() >= MAX_PATH) {
      if (ShowEncryptionError(-18, from.c_str()) == 2) return 2;
      continue;
    }
    SetStatusText(std::string(g_statusPrefix) + entry.name);
    char target[MAX_PATH];
    lstrcpynA(target, to.c_str(), MAX_PATH);
    short r = ProcessEncryptionFile(&g_encryptionOptions, mode, from.c_str(), target);
    if (r && ShowEncryptionError(r, from.c_str()) == 2) return 2;
  }
  return 1;
}

}  // namespace

int EncryptFolderEntries(const char* pattern, const char* targetFolder, int mode, uint32_t subfolders) {
  int result = WalkFolderEntries(pattern, targetFolder, mode, subfolders);
  return result == 1 ? 1 : 2;
}

// ---- Wipe ---------------------------------------------------------------------------------------

short WipeFile(const char* path) { return filewipe::WipeAndDeleteFile(path) ? 0 : kEncNotPlaced; }

short WipeFolder(const char* pattern) {
  const std::string folder = FolderPart(pattern);
  if (strstr(pattern, "*.*") && folder.size() > 1) {
    // A selected folder that is itself a junction or link: the link goes, nothing inside it.
    std::string self = folder.substr(0, folder.size() - 1);
    DWORD attributes = GetFileAttributesA(self.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
      return filewipe::RemoveLink(self.c_str(), attributes) ? 0 : kEncNotPlaced;
  }
  short r = 0, linkLeft = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(pattern, &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
      std::string path = folder + data.cFileName;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // The link goes, what it points at stays. A link that cannot be removed stays too, and
        // is reported once the rest is done.
        if (!filewipe::RemoveLink(path.c_str(), data.dwFileAttributes)) linkLeft = kEncNotPlaced;
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        r = WipeFolder((path + "\\*.*").c_str());
        if (!r) {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_DIRECTORY);
          if (!RemoveDirectoryA(path.c_str())) r = kEncNotPlaced;
        }
      } else {
        r = WipeFile(path.c_str());
      }
    } while (!r && FindNextFileA(find, &data));
    FindClose(find);
  }
  if (!r) r = linkLeft;
  if (!r && strstr(pattern, "*.*") && !folder.empty()) {
    std::string self = folder.substr(0, folder.size() - 1);
    if (!filewipe::IsReparsePoint(self.c_str())) {
      SetFileAttributesA(self.c_str(), FILE_ATTRIBUTE_DIRECTORY);
      RemoveDirectoryA(self.c_str());
    }
  }
  return r;
}

// ---- Commands -----------------------------------------------------------------------------------

JQ_COMMAND_HANDLER(DoEncryptDecrypt) {
  if (!LoadEncryptionEngine()) return 0;
  EncryptionOptions* o = &g_encryptionOptions;
  o->wipeSource = 0;
  INT_PTR mode = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ENCRYPT), g_mainWindow, EncryptDlgProc, 0);
  if (mode != kEncryptMode && mode != kDecryptMode) return 0;  // the library stays for the next time
  g_alreadyEncryptedYesToAll = 0;
  MakeEncryptionKeys(o, static_cast<int>(mode));
  lstrcpynA(g_statusPrefix, LoadText(mode == kEncryptMode ? IDS_ENC_ENCRYPTING : IDS_ENC_DECRYPTING).c_str(),
            sizeof g_statusPrefix);
  std::string list = BuildEncryptionFileList(o);
  if (!list.empty()) {
    const bool viewer = PaneViewerVisible();
    if (viewer) ClearPaneViewer();
    char target[MAX_PATH];
    lstrcpynA(target, o->target, MAX_PATH);
    if (!EnsureFolderTarget(target) && !ListNeedsFolderTarget(list.c_str())) {
      char source[MAX_PATH];
      NextQuotedName(0, list.c_str(), source);
      short r = ProcessEncryptionFile(o, static_cast<int>(mode), source, target);
      if (r) ShowEncryptionError(r, source);
    } else {
      size_t length = strlen(target);
      if (length && target[length - 1] != '\\' && length + 1 < MAX_PATH) lstrcatA(target, "\\");
      char name[MAX_PATH];
      for (size_t at = NextQuotedName(0, list.c_str(), name); at; at = NextQuotedName(at, list.c_str(), name)) {
        if (EncryptFolderEntries(name, target, static_cast<int>(mode), o->subfolders) == 2) break;
      }
    }
    RestoreStatusBar();
  }
  ClearEncryptionKeys(o);
  SecureZeroMemory(o->keyText, sizeof o->keyText);
  FreeEncryptionEngine();
  return 0;
}

JQ_COMMAND_HANDLER(DoWipeFiles) {
  SetCapture(window);
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  std::string list;
  bool folderMode = false;
  std::string folder;
  if (TreeHasFocus()) {
    HWND tree = FilePanes[ActivePaneIndex].tree;
    char path[MAX_PATH] = "";
    if (TreeView_GetSelection(tree) && !IsTreeRootSelected(tree) && GetTreeSelectionPath(tree, path, FALSE, TRUE) &&
        strlen(path) > 3) {
      folder = path;
      list = "\"" + folder + (folder.back() == '\\' ? "" : "\\") + "*.*\"";
      folderMode = true;
    }
  } else {
    char* line = BuildCommandLineFromSelection(nullptr, TRUE, FALSE);
    if (line) {
      list = line;
      free(line);
    }
  }
  ReleaseCapture();
  SetCursor(previous);
  if (list.empty()) return 0;

  int count = CountQuotedNames(list.c_str());
  std::string question;
  if (count > 1) {
    question = FillTemplate(LoadText(IDS_WIPE_MANY), std::to_string(count));
  } else if (folderMode) {
    question = FillTemplate(LoadText(IDS_WIPE_FOLDER), folder);
  } else {
    char name[MAX_PATH];
    NextQuotedName(0, list.c_str(), name);
    std::string shown = name;
    size_t star = shown.rfind("\\*.*");
    if (star != std::string::npos && star + 4 == shown.size()) shown.resize(star);
    question = FillTemplate(LoadText(IDS_WIPE_ONE), shown);
  }
  if (seams::MessageBoxA(window, question.c_str(), LoadText(IDS_WIPE_CAPTION).c_str(), MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
    return 0;

  SetCapture(window);
  previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  if (PaneViewerVisible()) ClearPaneViewer();
  char name[MAX_PATH];
  for (size_t at = NextQuotedName(0, list.c_str(), name); at; at = NextQuotedName(at, list.c_str(), name)) {
    short r = WipeFolder(name);
    if (r && ShowEncryptionError(r, name) == 2) break;
  }
  RestoreStatusBar();
  ReleaseCapture();
  SetCursor(previous);
  return 0;
}
