// Shortcut files (.lnk) written through the shell's link object, and names made safe as file
// names.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Writes "<folder>\<name>.lnk". The target is `item` when given, else `targetPath`; the
// description, arguments, working folder and icon location are set when given and not empty;
// the show command always. A saved file is announced with SHChangeNotify. 1 on success, 0 when
// the link object cannot be made or the file cannot be saved.
int CreateShortcutFile(const char* folder, const char* name, const char* targetPath,
                       const char* description, const char* arguments, const char* workingDirectory,
                       int showCommand, const char* iconPath, int iconIndex, LPCITEMIDLIST item);
// Removes every \ / : * ? " < > | from the name, in place.
void StripIllegalFileNameChars(char* name);
