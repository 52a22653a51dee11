// The main window's status bar: part 0 the current folder or the free space of its drive,
// part 1 the selection, part 2 the totals of the list. Its update also sets the window title
// and the command-line bar's text to the current folder.
#pragma once
#include <windows.h>
#include <cstdint>

HWND CreateStatusBar(HWND parent);
// Updates the parts for the pane of `list`; with the folder part also the title and part 0.
void UpdateStatusBar(HWND statusBar, HWND list, BOOL withFolderPart);
// Total and free bytes (available to the caller) of the drive of a letter ("C"). False when
// the drive cannot be queried.
bool GetDriveSizes(const char* letter, uint64_t* total, uint64_t* free);
// The window title for a folder text: "%s -> %s" (title, folder), or "%s <- %s" (folder,
// title) when the path comes first.
void FormatWindowTitle(const char* folder, BOOL pathFirst, char* buffer, size_t size);
// Part 0's text for a folder that does not fit the part: "\\...\" and the last component.
void ShortenFolderText(const char* folder, char* buffer, size_t size);
