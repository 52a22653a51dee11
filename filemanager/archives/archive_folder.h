// An archive shown as a folder in a pane: its entries as list items with the archive columns,
// the archive temporary folder, and the quoted entry list that the engines take.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstdint>

// The archive each pane shows (or last tried to show).
extern char ArchivePath[2][MAX_PATH];

// The panes call it (through their hook) when their tree selects an archive file, and on refresh.
void OpenArchiveFolderInPane(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list);
// The item's parsing name into a 260-byte buffer; 0 after the "not an archive" message.
int GetArchivePathOfFolder(IShellFolder* folder, LPCITEMIDLIST item, char* buffer);
// Lists ArchivePath[pane] into the pane's list.
void ListArchiveIntoPane(int pane, HWND list);
// The archive temporary folder (created with its parents), without a trailing backslash.
int GetArchiveTempFolder(char* buffer);
// Removes the archive temporary folder and everything in it (at exit).
void DeleteArchiveTempFolders();
// The selected entries of the pane's list, each in double quotes and followed by one blank
// (the last blank removed); null when no entry is selected. Sets ProgressTotal to the entries'
// packed sizes. The caller frees the text with free(). With `root` set, names with a folder
// part get a leading backslash.
char* BuildSelectedArchiveNames(int pane, BOOL root);
// True when the name can be passed between double quotes (no quote, no control character).
bool IsQuotableEntryName(const char* name);
// Installs the archive folders' hooks into the panes and the GUI thread's sink window.
void InstallArchiveFolders();
// At main-window destruction: the engines released and the temporary folder removed.
void ShutdownArchiveFolders();
