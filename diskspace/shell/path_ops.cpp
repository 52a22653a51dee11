// Path text helpers of the file commands. None of them changes the process's current directory:
// a folder that is some process's current directory cannot be deleted on Windows, so a helper
// that left it inside a folder would make a later delete of that folder fail with "access
// denied".
#include <windows.h>

#include <string>

#include "file_commands.h"
#include "path_utils.h"
#include "window_helpers.h"

std::string TrimLeadingSpaces(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

std::string StripTrailingBackslash(const std::string& path) {
  std::string p = path;
  // Tolerate the double-NUL form.
  while (!p.empty() && p.back() == '\0') p.pop_back();
  if (p.size() > 3 && p.back() == '\\') p.pop_back();
  return p;
}

BOOL IsExistingDirectory(const std::string& path) {
  if (path.empty()) return FALSE;
  std::string p = StripTrailingBackslash(path);
  if (p.empty()) return FALSE;
  if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return TRUE;
  DWORD attributes = GetFileAttributesA(p.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CombinePath(const std::string& text, const std::string& base) {
  std::string result;
  if ((text.size() >= 2 && text[0] == '\\' && text[1] == '\\') || (text.size() >= 2 && text[1] == ':')) {
    result = text;
  } else if (!text.empty() && text[0] == '\\') {
    result = base.substr(0, base.size() < 2 ? base.size() : 2) + text;
  } else {
    result = base;
    if (!result.empty() && result.back() != '\\') result += '\\';
    result += text;
  }
  // Resolve "." and ".." components so that the text names the folder it means.
  if (result.size() >= 3 && !(result[0] == '\\' && result[1] == '\\')) {
    char full[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(result.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) result = full;
  }
  result.push_back('\0');  // double-NUL terminated with the string's own terminator
  return result;
}

BOOL CreateDirectoryPath(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.back() == '\0') p.pop_back();
  if (p.size() > 3 && p.back() == '\\') p.pop_back();
  if (p.size() < 4) return FALSE;
  return CreateDirectoryPathStep(p.c_str());
}

void CenterDialog(HWND window, HWND over) { CenterWindowOver(window, over); }

namespace {
bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), static_cast<int>(folder.size()),
                     folder.c_str(), static_cast<int>(folder.size())) != CSTR_EQUAL)
    return false;
  return path.size() == folder.size() || path[folder.size()] == '\\' || folder.back() == '\\';
}
}  // namespace

// A folder that is the process's current directory cannot be deleted, moved or renamed on
// Windows ("access denied"); the start-up takes the command line's folder as the current
// directory. Step out of a folder before acting on it.
void StepOutOfFolder(const std::string& folder) {
  char current[MAX_PATH] = {};
  if (!GetCurrentDirectoryA(MAX_PATH, current)) return;
  if (!IsInsideFolder(current, StripTrailingBackslash(folder))) return;
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  SetCurrentDirectoryA(windows);
}
