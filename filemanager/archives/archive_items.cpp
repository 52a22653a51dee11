// Opening and deleting entries of an archive pane.
#include "archive_items.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "archive_engines.h"
#include "archive_extract.h"
#include "archive_folder.h"
#include "archive_progress.h"
#include "file_list.h"
#include "file_pane.h"
#include "pane_host.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "vfolder_entry.h"
#include "window_helpers.h"

namespace {

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringText(g_instance, id, text, sizeof text);
  return text;
}

int ExtractZipItemToFolder(const char* folder, const char* quotedName) {
  if (!LoadZipEngine()) return 0;
  const char* archive = ArchivePath[ActivePaneIndex];
  g_zipApi.Et5SetParseType(ZipEngineHandle, -1);
  g_zipApi.Et5SetCPrint(ZipEngineHandle, 0);
  std::string switches = "-o -.L ";
  if (g_zipApi.Et5IsPassword(ZipEngineHandle, archive)) {
    if (!(UnZipRequest.password[0] && g_zipApi.Et5IsGoodPassword(ZipEngineHandle, archive, UnZipRequest.password))) {
      if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ZIP_PASSWORD), g_mainWindow, ZipPasswordDlgProc, 0) != 1)
        return 0;
    }
    switches += std::string("-s\"") + UnZipRequest.password + "\"";
  }
  int code = static_cast<int16_t>(LOWORD(g_zipApi.Et5QUnZip(ZipEngineHandle, archive, folder, quotedName, switches.c_str())));
  if (code) {
    ShowArchiveError(code, archive);
    return 0;
  }
  return 1;
}

int ExtractCabItemToFolder(const char* folder, const char* quotedName) {
  if (!LoadCabEngine()) return 0;
  const char* archive = ArchivePath[ActivePaneIndex];
  int code = g_cabApi.CAB_SetArchive(archive);
  if (code) {
    ShowArchiveError(g_cabApi.CAB_MapToCPError(code), archive);
    UnloadCabEngine();
    return 0;
  }
  code = g_cabApi.CAB_ExtractFiles(quotedName, folder);
  int mapped = code ? g_cabApi.CAB_MapToCPError(code) : 0;
  g_cabApi.CAB_CloseArchive();
  UnloadCabEngine();
  if (code) {
    ShowArchiveError(mapped, archive);
    return 0;
  }
  return 1;
}

int ExtractRarItemToFolder(const char* folder, const char* quotedName) {
  if (!LoadRarEngine()) return 0;
  const char* archive = ArchivePath[ActivePaneIndex];
  int code = g_rarApi.RAR_SetArchive(archive);
  if (code) {
    UnloadRarEngine();
    ShowRarError(code, archive);
    return 0;
  }
  char name[MAX_PATH + 4];
  lstrcpynA(name, quotedName, sizeof name);
  StripQuotes(name);
  code = g_rarApi.RAR_ExtractSingleFile(name, folder);
  g_rarApi.RAR_CloseArchive();
  UnloadRarEngine();
  if (code) {
    ShowRarError(code, archive);
    return 0;
  }
  return 1;
}

int ExtractLhaItemToFolder(const char* folder, const char* quotedName) {
  if (!LoadLhaEngine()) return 0;
  char saved[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof saved, saved);
  SetCurrentDirectoryA(folder);
  std::string stored = quotedName;
  if (stored.size() >= 2 && stored.front() == '"') stored = stored.substr(1, stored.size() - 2);
  std::string passed = stored.find_first_of("\\/") != std::string::npos ? "\"\\" + stored + "\"" : quotedName;
  std::string plain = stored;
  for (char& c : plain) if (c == '/') c = '\\';
  size_t slash = plain.rfind('\\');
  if (slash != std::string::npos) plain = plain.substr(slash + 1);
  DeleteFileA((std::string(folder) + "\\" + plain).c_str());
  std::string command = std::string("e /mnx- \"") + ArchivePath[ActivePaneIndex] + "\" " + passed;
  char output[1024] = "";
  int code = g_lhaApi.Unlha(g_mainWindow, command.c_str(), output, sizeof output);
  SetCurrentDirectoryA(saved);
  if (code) {
    ShowLhaError(code, ArchivePath[ActivePaneIndex]);
    return 0;
  }
  return 1;
}

FileListItem* FocusedEntry(int pane, int* index, char* text) {
  HWND list = FilePanes[pane].list;
  *index = list ? ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED) : -1;
  if (*index < 0) return nullptr;
  ListView_GetItemText(list, *index, 0, text, MAX_PATH);
  return GetListItemRecord(list, *index);
}

INT_PTR g_confirmResult;

}  // namespace

void StripQuotes(char* name) {
  if (name[0] != '"') return;
  memmove(name, name + 1, strlen(name));
  size_t length = strlen(name);
  if (length && name[length - 1] == '"') name[length - 1] = 0;
}

int ExtractItemToFolder(const char* folder, const char* quotedName) {
  switch (ArchiveKind) {
    case kArchiveZip: case kArchiveOther: return ExtractZipItemToFolder(folder, quotedName);
    case kArchiveLha: return ExtractLhaItemToFolder(folder, quotedName);
    case kArchiveCab: return ExtractCabItemToFolder(folder, quotedName);
    case kArchiveRar: return ExtractRarItemToFolder(folder, quotedName);
    default: return 1;
  }
}

int ExtractArchiveItemToTemp(const char* entryPath, char* path) {
  char folder[MAX_PATH] = "";
  if (!GetArchiveTempFolder(folder)) return 0;
  if (!IsQuotableEntryName(entryPath)) return 0;
  if (!IdentifyArchive(ArchivePath[ActivePaneIndex])) return 0;
  std::string quoted = std::string("\"") + entryPath + "\"";
  if (!ExtractItemToFolder(folder, quoted.c_str())) return 0;
  char name[MAX_PATH];
  lstrcpynA(name, path, sizeof name);
  snprintf(path, MAX_PATH, "%s\\%s", folder, name);
  return 1;
}

int ConfirmOpenArchiveItem(const char* path) {
  if (FilePanes[ActivePaneIndex].listKind == kListKindShellFolder) return 1;
  if (GetLiveOptions().noArchiveOpenWarning) return 1;
  const char* dot = strrchr(path, '.');
  if (dot && (lstrcmpiA(dot, ".exe") == 0 || lstrcmpiA(dot, ".com") == 0 || lstrcmpiA(dot, ".pif") == 0 ||
              lstrcmpiA(dot, ".bat") == 0))
    return 1;
  g_confirmResult = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ARCHIVE_OPEN_WARNING), g_mainWindow,
                                    ArchiveOpenWarningDlgProc, 0);
  return g_confirmResult == IDOK ? 1 : 0;
}

INT_PTR CALLBACK ArchiveOpenWarningDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOver(dialog, GetParent(dialog));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        if (IsDlgButtonChecked(dialog, IDC_ARC_CHECK_1006) == BST_CHECKED) GetLiveOptions().noArchiveOpenWarning = 1;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

void OpenArchiveItem() {
  int pane = ActivePaneIndex;
  int index = -1;
  char text[MAX_PATH] = "";
  FileListItem* record = FocusedEntry(pane, &index, text);
  if (index < 0) return;
  if (!record) {
    PostMessageA(g_mainWindow, WM_COMMAND, ID_GO_UP, 0);
    return;
  }
  if (!record->entryPath || !IsQuotableEntryName(record->entryPath)) {
    MessageBeep(0);
    return;
  }
  char folder[MAX_PATH] = "";
  if (!GetArchiveTempFolder(folder)) return;
  if (!IdentifyArchive(ArchivePath[pane])) return;
  std::string quoted = std::string("\"") + record->entryPath + "\"";
  if (!ExtractItemToFolder(folder, quoted.c_str())) return;
  char path[MAX_PATH];
  snprintf(path, sizeof path, "%s\\%s", folder, text);
  if (!ConfirmOpenArchiveItem(path)) return;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = g_mainWindow;
  info.lpFile = path;
  info.nShow = SW_SHOWNORMAL;
  seams::ShellExecuteExA(&info);
}

void DeleteZipEntries(int pane, const char* names) {
  g_zipApi.Et5SetParseType(ZipEngineHandle, -1);
  g_zipApi.Et5SetCPrint(ZipEngineHandle, 1);
  g_zipApi.Et5CPrintHook(ZipEngineHandle, ZipEngineCallback, 0, 0);
  BeginArchiveProgress();
  if (ArchiveProgressBar) ShowWindow(ArchiveProgressBar, SW_HIDE);
  int result = g_zipApi.Et5QZip(ZipEngineHandle, ArchivePath[pane], names, "-d -.LR");
  EndArchiveProgress();
  if (FilePanes[pane].listKind == kListKindArchive && FilePanes[pane].list) {
    SendMessageA(FilePanes[pane].list, LVM_DELETEALLITEMS, 0, 0);
    ListArchiveIntoPane(pane, FilePanes[pane].list);
  }
  int16_t code = static_cast<int16_t>(LOWORD(result));
  if (code && code != et5::kCancelled) ShowArchiveError(code, ArchivePath[pane]);
}

void DeleteFromZip(int pane) {
  if (ArchiveBusy) {
    MessageBeep(0);
    return;
  }
  char* names = BuildSelectedArchiveNames(pane, FALSE);
  if (!names) return;
  if (GetLiveOptions().zipConfirmDelete &&
      seams::MessageBoxA(g_mainWindow, LoadText(IDS_ARC_CONFIRM_DELETE).c_str(), g_title, MB_YESNO | MB_ICONQUESTION) ==
          IDNO) {
    free(names);
    return;
  }
  bool viewer = PaneViewerVisible();
  if (viewer) ClearPaneViewer();
  if (!LoadZipEngine() || !IdentifyArchive(ArchivePath[pane])) {
    free(names);
    return;
  }
  if (ArchiveKind != kArchiveZip) {
    // Only zips are rewritten by the engine.
    free(names);
    MessageBeep(0);
    return;
  }
  DeleteZipEntries(pane, names);
  free(names);
  if (viewer && g_paneServices.updateViewer) g_paneServices.updateViewer(TRUE);
}
