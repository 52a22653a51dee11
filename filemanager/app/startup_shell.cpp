// Start-up options, the per-folder layout of windows the shell opens, the folder verb and the
// .zip association question.
#include "startup_shell.h"
#include "archive_associations.h"
#include "pane_host.h"
#include <cstdio>
#include <cstring>
#include "file_pane.h"
#include "frame_state.h"
#include "main_window.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "startup.h"
#include "startup_settings.h"
#include "window_utils.h"

LPITEMIDLIST g_shellFolderPidl;
BOOL g_stillOnShellFolder;

namespace {

HKEY g_classesRootOverride;

constexpr const char* kVerbName = "Quorvanel";
constexpr const char* kArchiveProgId = "Quorvanel.Archive";

// A view record's ratio: 0.01 up to (not including) 0.99, else the default.
float RecordRatio(float ratio, float fallback) {
  return ratio >= 0.01f && ratio < 0.99f ? ratio : fallback;
}

bool SameItem(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return false;
  UINT size = GetPidlSize(a);
  if (size == GetPidlSize(b) && memcmp(a, b, size) == 0) return true;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;
  HRESULT hr = desktop->CompareIDs(0, a, b);
  desktop->Release();
  return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
}

bool ReadDefaultValue(HKEY root, const char* path, char* buffer, DWORD size) {
  buffer[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0, length = size - 1;
  LONG r = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &length);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    buffer[0] = '\0';
    return false;
  }
  buffer[length < size ? length : size - 1] = '\0';
  return true;
}

}  // namespace

HKEY ClassesRoot() { return g_classesRootOverride ? g_classesRootOverride : HKEY_CLASSES_ROOT; }
void SetClassesRootForTests(HKEY root) { g_classesRootOverride = root; }

// ---- Switches and view records ------------------------------------------------------------

void ApplyStartupOptions(const StartupOptions& options) {
  LiveOptions& o = GetLiveOptions();
  if (options.startFolder[0]) {
    if (IsArchivePath(nullptr, nullptr, options.startFolder, nullptr)) o.noArchivesAsFolders = 0;
    FilePane& first = FilePanes[0];
    if (options.openedByShell) {
      lstrcpynA(first.path, options.startFolder, MAX_PATH);
      g_restoreRectangle = TRUE;
    } else {
      first.path[0] = '\0';
      LPITEMIDLIST list = nullptr;
      if (options.myComputer) {
        // The desktop cannot parse "My Computer": its own list names it.
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &list))) list = nullptr;
      } else {
        // A folder written in quotes (as a path with blanks usually is) names the same folder.
        char folder[MAX_PATH];
        lstrcpynA(folder, options.startFolder, MAX_PATH);
        size_t n = strlen(folder);
        if (n >= 2 && folder[0] == '"' && folder[n - 1] == '"') {
          memmove(folder, folder + 1, n - 2);
          folder[n - 2] = '\0';
        }
        list = ParsePathToPidl(folder, nullptr, nullptr);
      }
      if (list) {
        IShellFolder* desktop = nullptr;
        if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
          GetDisplayNameText(desktop, list, SHGDN_FORPARSING, first.path);
          desktop->Release();
        }
        FreePidl(list);
      }
      g_restoreRectangle = FALSE;
    }
  }
  if (options.explorerMode == 0 || options.explorerMode == 1) {
    FilePanes[0].listShown = 1;
    FilePanes[0].treeShown = static_cast<UINT>(options.explorerMode);
  }
  if (options.twoPanes >= 0) g_paneLayout.twoPanes = static_cast<UINT>(options.twoPanes);
  if (options.driveBar >= 0) o.driveBarShown = static_cast<uint32_t>(options.driveBar);
  if (options.toolbar >= 0) o.toolbarShown = static_cast<uint32_t>(options.toolbar);
  if (options.launchBar >= 0) o.launchBarShown = static_cast<uint32_t>(options.launchBar);
  if (options.statusBar >= 0) o.statusBarShown = static_cast<uint32_t>(options.statusBar);
  if (options.commandLineBar >= 0) o.dosBarShown = static_cast<uint32_t>(options.commandLineBar);
  if (options.viewerPane >= 0) o.viewerShown = static_cast<uint32_t>(options.viewerPane);
  if (options.view >= ID_VIEW_LARGE_ICONS && options.view <= ID_VIEW_DETAILS) FilePanes[0].viewId = static_cast<UINT>(options.view);
  if (options.sortKey >= 0 && options.sortKey <= 4) FilePanes[0].savedFsSortKey = static_cast<UINT>(options.sortKey);
}

void ApplyFolderViewRecord(const FolderViewRecord& r, RECT* startRect) {
  FilePanesSettings panes = r.panes;
  panes.twoPanes = r.twoPanes ? 1 : 0;
  panes.orientation = r.orientation;
  panes.splitRatio = RecordRatio(r.paneRatio, kDefaultSplitRatio);
  ApplyPanesSettings(&panes);
  LiveOptions& o = GetLiveOptions();
  o.toolbarShown = r.toolbarShown ? 1 : 0;
  o.driveBarShown = r.driveBarShown ? 1 : 0;
  o.launchBarShown = r.launchBarShown ? 1 : 0;
  o.statusBarShown = r.statusBarShown ? 1 : 0;
  o.dosBarShown = r.commandLineBarShown ? 1 : 0;
  o.viewerShown = r.viewerShown ? 1 : 0;
  o.viewerRatio = RecordRatio(r.viewerRatio, kDefaultViewerRatio);
  o.maximized = r.maximized != 0;
  RECT rect = {r.left, r.top, r.right, r.bottom};
  if (rect.right > rect.left && rect.bottom > rect.top) {
    o.normalRect = rect;
    o.useSavedPlacement = true;
  }
  if (startRect) *startRect = rect;
}

void CollectFolderViewRecord(FolderViewRecord* r) {
  *r = {};
  LiveOptions& o = GetLiveOptions();
  g_paneLayout.ratio = RecordRatio(g_paneLayout.ratio, kDefaultSplitRatio);
  o.viewerRatio = RecordRatio(o.viewerRatio, kDefaultViewerRatio);
  for (FilePane& p : FilePanes)
    if (p.treeWidth < 10) p.treeWidth = 220;
  DefaultPanesSettings(&r->panes);
  CollectPanesSettings(&r->panes);
  r->toolbarShown = o.toolbarShown;
  r->driveBarShown = o.driveBarShown;
  r->launchBarShown = o.launchBarShown;
  r->statusBarShown = o.statusBarShown;
  r->commandLineBarShown = o.dosBarShown;
  r->viewerShown = o.viewerShown;
  r->maximized = g_mainWindow && IsZoomed(g_mainWindow) ? 1 : 0;
  r->twoPanes = g_paneLayout.twoPanes ? 1 : 0;
  r->orientation = g_paneLayout.orientation;
  RECT rect = o.normalRect;
  if (g_mainWindow && !IsIconic(g_mainWindow) && !IsZoomed(g_mainWindow)) GetWindowRect(g_mainWindow, &rect);
  r->left = rect.left;
  r->top = rect.top;
  r->right = rect.right;
  r->bottom = rect.bottom;
  r->viewerRatio = o.viewerRatio;
  r->paneRatio = g_paneLayout.ratio;
}

BOOL SaveViewRecordForShellFolder() {
  if (!g_stillOnShellFolder || !g_shellFolderPidl) return FALSE;
  g_stillOnShellFolder = FALSE;
  FolderViewRecord record;
  CollectFolderViewRecord(&record);
  SaveFolderViewRecord(g_shellFolderPidl, record);
  return TRUE;
}

void NoteTreeSelectionForViewMemory(int pane, LPCITEMIDLIST absolute) {
  if (pane != 0 || !g_stillOnShellFolder || !g_shellFolderPidl || !absolute) return;
  if (SameItem(absolute, g_shellFolderPidl)) return;
  SaveViewRecordForShellFolder();
}

BOOL ApplyCommandLineAtStartup(const char* commandLine, RECT* startRect) {
  StartupOptions options{};
  ParseCommandLine(commandLine ? commandLine : "", &options);
  BOOL applied = FALSE;
  if (options.openedByShell && options.itemIdList) {
    FolderViewRecord record;
    if (LoadFolderViewRecord(options.itemIdList, &record)) {
      ApplyFolderViewRecord(record, startRect);
      applied = startRect && startRect->right > startRect->left && startRect->bottom > startRect->top;
    }
    FreePidl(g_shellFolderPidl);
    g_shellFolderPidl = options.itemIdList;
    options.itemIdList = nullptr;
    g_stillOnShellFolder = TRUE;
  } else {
    FreePidl(options.itemIdList);
    options.itemIdList = nullptr;
  }
  ApplyStartupOptions(options);
  return applied;
}

// ---- The folder verb ----------------------------------------------------------------------

void FormatFolderVerbCommand(const char* programPath, char* buffer, size_t size) {
  char drive[_MAX_DRIVE] = "", dir[_MAX_DIR] = "";
  _splitpath(programPath, drive, dir, nullptr, nullptr);
  char folder[MAX_PATH];
  snprintf(folder, sizeof folder, "%s%s", drive, dir);
  size_t n = strlen(folder);
  if (n && folder[n - 1] != '\\' && n + 1 < sizeof folder) strcat(folder, "\\");
  // Quoted, so that a program folder with blanks stays one word for the shell.
  snprintf(buffer, size, "\"%sjqnavig.exe\" /idlist,%%I", folder);
}

void RegisterFolderVerb() {
  char program[MAX_PATH] = "";
  if (!GetModuleFileNameA(nullptr, program, sizeof program)) return;
  char command[MAX_PATH + 40];
  FormatFolderVerbCommand(program, command, sizeof command);
  HKEY shell = nullptr, verb = nullptr, commandKey = nullptr;
  if (RegCreateKeyExA(ClassesRoot(), "Folder\\Shell", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &shell,
                      nullptr) != ERROR_SUCCESS)
    return;
  if (RegCreateKeyExA(shell, kVerbName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &verb, nullptr) ==
      ERROR_SUCCESS) {
    if (RegCreateKeyExA(verb, "Command", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &commandKey,
                        nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(commandKey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                     static_cast<DWORD>(strlen(command) + 1));
      RegCloseKey(commandKey);
    }
    RegCloseKey(verb);
  }
  RegCloseKey(shell);
}

int SetReplaceExplorer(DWORD flag) {
  RegisterFolderVerb();
  int written = 0;
  HKEY folder = nullptr, shell = nullptr;
  if (RegOpenKeyExA(ClassesRoot(), "Folder", 0, KEY_ALL_ACCESS, &folder) == ERROR_SUCCESS) {
    if (RegOpenKeyExA(folder, "shell", 0, KEY_ALL_ACCESS, &shell) == ERROR_SUCCESS) {
      const char* value = flag ? kVerbName : "";
      written = RegSetValueExA(shell, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                               static_cast<DWORD>(strlen(value) + 1)) == ERROR_SUCCESS;
      RegCloseKey(shell);
    }
    RegCloseKey(folder);
  }
  DWORD stored = flag ? 1 : 0;
  WriteSettingDword("Replace MS Explorer", &stored);
  g_replaceExplorer = stored;
  return written;
}

int IsReplaceExplorerSet() {
  RegisterFolderVerb();
  char value[21];
  if (!ReadDefaultValue(ClassesRoot(), "Folder\\shell", value, sizeof value)) return 0;
  return lstrcmpiA(value, kVerbName) == 0;
}

void SyncReplaceExplorerAtStartup(DWORD storedFlag) {
  DWORD flag = storedFlag ? 1 : 0;
  if (static_cast<DWORD>(IsReplaceExplorerSet()) != flag) SetReplaceExplorer(flag);
}

// ---- The .zip association -----------------------------------------------------------------

int RegisterArchiveAssociations(const char* installDir, int registerFlag) {
  if (!registerFlag) {
    RemoveArchiveAssociations(ClassesRoot());
    return 1;
  }
  return WriteArchiveAssociations(ClassesRoot(), installDir, 1, 1);
}

bool ZipAssociationQuestionWanted() {
  DWORD noWarning = 0;
  if (ReadSettingDword("No Zip Association Warning", &noWarning) && noWarning) return false;
  char progId[MAX_PATH + 1];
  if (ReadDefaultValue(ClassesRoot(), ".zip", progId, sizeof progId) && lstrcmpiA(progId, kArchiveProgId) == 0)
    return false;
  return true;
}

INT_PTR CALLBACK ZipAssociationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOver(dialog, g_mainWindow ? g_mainWindow : GetParent(dialog));
      return TRUE;
    case WM_COMMAND: {
      UINT id = LOWORD(wParam);
      if (id != IDOK && id != IDCANCEL) return FALSE;
      if (IsDlgButtonChecked(dialog, IDC_ZIP_NO_MORE_WARNING) == BST_CHECKED) {
        DWORD one = 1;
        WriteSettingDword("No Zip Association Warning", &one);
      }
      if (id == IDOK) {
        char installDir[MAX_PATH];
        if (ReadInstallDir(installDir)) RegisterArchiveAssociations(installDir, 1);
      }
      EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

void CheckZipAssociation(HWND mainWindow) {
  if (!ZipAssociationQuestionWanted()) return;
  DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ZIP_ASSOCIATION), mainWindow,
                  ZipAssociationDlgProc, 0);
}

namespace {
// The panes report a tree selection for the view memory through their host table.
struct ViewMemoryHostInstaller {
  ViewMemoryHostInstaller() { GetPaneHost().noteTreeSelection = NoteTreeSelectionForViewMemory; }
} g_viewMemoryHostInstaller;
}  // namespace
