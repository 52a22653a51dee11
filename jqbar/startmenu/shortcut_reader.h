// Reads a shell shortcut (.lnk) into its parts.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

namespace jqbar {

struct ShortcutParts {
  std::string target;
  std::string startIn;
  std::string arguments;
  int showCommand = 1;
  std::string baseName;
  std::string iconFile;
  int iconIndex = 0;
  LPITEMIDLIST idList = nullptr;  // the caller frees it (ILFree)
};

// Always succeeds: a shortcut that cannot be read (or, unless `allowEmptyTarget`, has no target
// path) gives the .lnk path itself as target with show command 1, so that running it hands the
// file to the shell.
bool ReadShortcutFile(const char* lnkPath, ShortcutParts* out, bool allowEmptyTarget);

}  // namespace jqbar
