// Commands that hand work to another program or to a shell tool.
#include "shell_programs.h"

#include <shellapi.h>
#include <winnetwk.h>

#include <cstdio>
#include <cstring>

#include "actions.h"
#include "command_handlers.h"
#include "command_line.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "path_utils.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "sendto_menu.h"
#include "settings_store.h"

int g_genericFolderIcon = 0;
int g_genericProgramIcon = 0;

namespace {

const char kHomePage[] = "https://www.belmoor.com/quorvanel/";
const char kCommonControlsPage[] = "https://www.belmoor.com/quorvanel/comctl/";

std::string Text(UINT id) {
  char buffer[512] = {};
  LoadStringA(g_instance, id, buffer, sizeof buffer);
  return buffer;
}

BOOL Start(HWND owner, const char* file, const char* parameters, const char* directory = nullptr,
           const char* verb = nullptr, ULONG mask = 0, LPCITEMIDLIST list = nullptr, int show = SW_SHOWNORMAL) {
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = mask;
  info.hwnd = owner;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters && parameters[0] ? parameters : nullptr;
  info.lpDirectory = directory && directory[0] ? directory : nullptr;
  info.lpIDList = const_cast<LPITEMIDLIST>(list);
  info.nShow = show;
  return seams::ShellExecuteExA(&info);
}

BOOL StartSpecialFolderVerb(HWND owner, int csidl, const char* verb) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(owner, csidl, &list)) || !list) return FALSE;
  BOOL started = Start(owner, nullptr, nullptr, nullptr, verb, SEE_MASK_INVOKEIDLIST, list);
  FreePidl(list);
  return started;
}

// The active pane tree's folder as an existing file-system folder, or empty.
std::string ActiveTreeFolder() {
  char path[MAX_PATH] = {};
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (!tree || !GetTreeSelectionPath(tree, path, FALSE, TRUE) || !path[0]) return std::string();
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::string();
  return path;
}

}  // namespace

std::string ProgramFolderWithSlash() {
  char folder[MAX_PATH] = {};
  if (!ReadInstallDir(folder) || !folder[0]) return std::string();
  std::string result = folder;
  if (result.back() != '\\') result += '\\';
  return result;
}

BOOL StartFinderWithParameters(HWND owner, const std::string& parameters) {
  std::string folder = ProgramFolderWithSlash();
  if (folder.empty()) return FALSE;
  std::string program = folder + "jqseek.exe";
  return Start(owner, program.c_str(), parameters.c_str());
}

JQ_COMMAND_HANDLER(StartFileFinder) {
  std::string folder = ActiveTreeFolder();
  std::string parameters;
  if (!folder.empty()) parameters = "/PATH:" + folder + " /MASK:*.*";
  StartFinderWithParameters(window, parameters);
  return 0;
}

JQ_COMMAND_HANDLER(FindFilesWithShell) {
  std::string folder = ActiveTreeFolder();
  if (!folder.empty() && Start(window, folder.c_str(), nullptr, nullptr, "find", SEE_MASK_FLAG_NO_UI)) return 0;
  StartSpecialFolderVerb(window, CSIDL_DRIVES, "find");
  return 0;
}

JQ_COMMAND_HANDLER(FindComputer) {
  StartSpecialFolderVerb(window, CSIDL_NETWORK, "find");
  return 0;
}

JQ_COMMAND_HANDLER(ShowRecycleBinProperties) {
  StartSpecialFolderVerb(window, CSIDL_BITBUCKET, "properties");
  return 0;
}

JQ_COMMAND_HANDLER(EmptyRecycleBinCommand) {
  std::string confirm = Text(IDS_RECYCLE_EMPTY_CONFIRM);
  std::string caption = Text(IDS_RECYCLE_CAPTION);
  if (!EmptyRecycleBinWithShell(window, confirm.c_str(), caption.c_str())) {
    std::string failed = Text(IDS_RECYCLE_EMPTY_FAILED);
    std::string name = Text(IDS_APP_NAME);
    seams::MessageBoxA(window, failed.c_str(), name.c_str(), MB_ICONEXCLAMATION);
    return 0;
  }
  if (HWND desktop = FindWindowA("progman", "Program Manager")) PostMessageA(desktop, WM_COMMAND, 41061, 0);
  return 0;
}

JQ_COMMAND_HANDLER(OpenAddRemovePrograms) {
  Start(window, "rundll32.exe", "shell32.dll,Control_RunDLL appwiz.cpl");
  return 0;
}

JQ_COMMAND_HANDLER(CreateStartupDisk) {
  Start(window, "rundll32.exe", "shell32.dll,Control_RunDLL appwiz.cpl,@0,3");
  return 0;
}

JQ_COMMAND_HANDLER(MapNetworkDrive) {
  WNetConnectionDialog(window, RESOURCETYPE_DISK);
  return 0;
}

JQ_COMMAND_HANDLER(DisconnectNetworkDrive) {
  WNetDisconnectDialog(window, RESOURCETYPE_DISK);
  return 0;
}

JQ_COMMAND_HANDLER(RunUpdateProgram) {
  std::string folder = ProgramFolderWithSlash();
  if (folder.empty()) return 0;
  std::string program = folder + "quickupd.exe";
  Start(window, program.c_str(), nullptr);
  return 0;
}

JQ_COMMAND_HANDLER(OpenWebPage) {
  Start(window, kHomePage, nullptr);
  return 0;
}

// Posted at start-up when the common controls are older than 5.80: offered once per start.
JQ_COMMAND_HANDLER(OfferCommonControlsUpdate) {
  static bool offered = false;
  if (offered) return 0;
  offered = true;
  if (seams::MessageBoxA(window, Text(IDS_COMCTL_UPDATE_OFFER).c_str(), Text(IDS_APP_NAME).c_str(),
                         MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
    Start(window, kCommonControlsPage, nullptr);
  return 0;
}

BOOL RunLaunchTarget(LPCITEMIDLIST absolute, SHELLEXECUTEINFOA* execute) {
  if (!absolute) return FALSE;
  char name[MAX_PATH] = {};
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return FALSE;
  if (!GetDisplayNameText(desktop, absolute, SHGDN_FORPARSING, name, MAX_PATH) || !name[0]) {
    char display[MAX_PATH] = {};
    if (GetDisplayNameText(desktop, absolute, SHGDN_NORMAL, display, MAX_PATH) && display[0])
      snprintf(name, sizeof name, "\\\\%s", display);
  }
  desktop->Release();
  if (!name[0]) return FALSE;
  bool drivePath = name[0] && name[1] == ':';
  bool uncPath = name[0] == '\\' && name[1] == '\\';
  if (!drivePath && !uncPath) return NavigatePaneToPath(ActivePaneIndex, name, TRUE) != nullptr;
  DWORD attributes = GetFileAttributesA(name);
  bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (!folder && GetLiveOptions().noArchivesAsFolders && IsArchivePath(nullptr, nullptr, name, nullptr)) folder = true;
  if (folder) return NavigatePaneToPath(ActivePaneIndex, name, TRUE) != nullptr;
  size_t length = strlen(name);
  if (length > 4 && lstrcmpiA(name + length - 4, ".exe") == 0 && !SHGetFileInfoA(name, 0, nullptr, 0, SHGFI_EXETYPE)) {
    char text[MAX_PATH + 200] = {};
    snprintf(text, sizeof text, Text(IDS_NOT_VALID_APPLICATION).c_str(), name);
    seams::MessageBoxA(g_mainWindow, text, Text(IDS_APP_NAME).c_str(), MB_ICONHAND);
    return FALSE;
  }
  // The file's folder is its start directory (the process's own folder is left alone).
  std::string directory = name;
  size_t slash = directory.find_last_of('\\');
  directory = slash == std::string::npos ? std::string() : directory.substr(0, slash + 1);
  SHELLEXECUTEINFOA info{};
  if (execute) info = *execute;
  info.cbSize = sizeof info;
  if (!info.hwnd) info.hwnd = g_mainWindow;
  info.lpFile = name;
  if (!info.lpDirectory || !info.lpDirectory[0]) info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  if (!info.nShow) info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info);
}

BOOL OpenItemIdList(LPCITEMIDLIST absolute) { return RunLaunchTarget(absolute, nullptr); }

void LoadGenericIconIndexes() {
  std::string folder = ProgramFolderWithSlash();
  if (folder.empty()) return;
  UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  SHFILEINFOA info{};
  if (SHGetFileInfoA(folder.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    g_genericFolderIcon = info.iIcon;
  std::string glyph = folder + "mkglyph.exe";
  if (SHGetFileInfoA(glyph.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    g_genericProgramIcon = info.iIcon;
  SetErrorMode(mode);
}
