// The load-at-start-up switch: one shortcut to the toolbar program in the Startup folder.
#include <cstring>
#include <string>
#include <vector>

#include "panel_utils.h"
#include "resource_jqbar.h"
#include "shell_helpers.h"
#include "shortcut_file.h"

namespace jqbar {
namespace {

std::string g_programOverride;

std::string ProgramPath() {
  if (!g_programOverride.empty()) return g_programOverride;
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return n && n < MAX_PATH ? std::string(path, n) : std::string();
}

// The toolbar program's file name: the target ends in "JQBAR.EXE" as a whole file name.
bool IsToolbarTarget(const std::string& target) {
  static const char kName[] = "JQBAR.EXE";
  const std::size_t n = sizeof kName - 1;
  if (target.size() <= 8 || target.size() < n) return false;
  if (lstrcmpiA(target.c_str() + target.size() - n, kName) != 0) return false;
  // "C:\Tools\OldJQBar.exe" is another program: only a whole file name counts.
  if (target.size() == n) return true;
  char before = target[target.size() - n - 1];
  return before == '\\' || before == '/' || before == ':';
}

bool IsLnk(const char* name) {
  const char* dot = strrchr(name, '.');
  return dot && lstrcmpiA(dot, ".lnk") == 0;
}

// The start-up shortcuts of the Startup folder, as full paths.
std::vector<std::string> StartupShortcuts() {
  std::vector<std::string> found;
  const std::string& folder = StartupFolder();
  if (folder.empty()) return found;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    data.cFileName[MAX_PATH - 1] = 0;
    if (!IsLnk(data.cFileName)) continue;
    std::string path = folder + "\\" + data.cFileName;
    ShortcutInfo info;
    ReadShortcutFile(path.c_str(), &info, false);
    if (IsToolbarTarget(info.target)) found.push_back(path);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return found;
}

}  // namespace

const std::string& StartupFolder() {
  static std::string folder = [] {
    char path[MAX_PATH] = {};
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &list)) || !list) return std::string();
    BOOL ok = SHGetPathFromIDListA(list, path);
    CoTaskMemFree(list);
    if (!ok || !path[0]) return std::string();
    std::string text = path;
    while (text.size() > 3 && text.back() == '\\') text.pop_back();
    return text;
  }();
  return folder;
}

void SetToolbarProgramPathForTest(const std::string& path) { g_programOverride = path; }

int HasStartupShortcut() { return StartupShortcuts().empty() ? 0 : 1; }

void RemoveStartupShortcuts() {
  for (const std::string& path : StartupShortcuts()) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
  }
}

int CreateStartupShortcut() {
  RemoveStartupShortcuts();
  const std::string& folder = StartupFolder();
  std::string program = ProgramPath();
  if (folder.empty() || program.empty()) return 0;
  char name[100];
  lstrcpynA(name, LoadResString(IDS_FRAME_TITLE), sizeof name);
  StripIllegalFileNameChars(name);
  if (!name[0]) lstrcpynA(name, "JQBar", sizeof name);
  return CreateShortcutFile(folder.c_str(), name, program.c_str(), name, nullptr, nullptr,
                            SW_SHOWNORMAL, nullptr, 0, nullptr);
}

}  // namespace jqbar
