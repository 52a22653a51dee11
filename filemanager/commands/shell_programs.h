// Starting the suite's other programs, the shell's tools and items by their id lists.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>

// The program folder with a trailing backslash; empty when it cannot be read.
std::string ProgramFolderWithSlash();
// Starts "jqseek.exe" of the program folder with the parameters (may be empty).
BOOL StartFinderWithParameters(HWND owner, const std::string& parameters);
// Opens an item: folders (and archives when they are not opened as folders) are navigated to in
// the active pane; files are started. With `execute` given, its fields (parameters, directory,
// show mode) are used for the start. Answers 1 when the pane found the folder or the start
// succeeded.
BOOL RunLaunchTarget(LPCITEMIDLIST absolute, SHELLEXECUTEINFOA* execute);
BOOL OpenItemIdList(LPCITEMIDLIST absolute);
// The two generic icon indexes shown while only generic icons are wanted.
void LoadGenericIconIndexes();
extern int g_genericFolderIcon;
extern int g_genericProgramIcon;
