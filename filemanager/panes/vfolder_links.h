// Where the panes meet the archive and FTP folders. The FTP side is the suite's FTP engine; the
// archive listing is built with the archive engines, and until those are part of the program an
// archive selected in a tree leaves its list empty with a beep.
#pragma once
#include <windows.h>
#include <shlobj.h>

// The FTP-sites root, its item id list, "FTP:" paths, item data and column texts come from the
// FTP engine.
#include "ftp_folder.h"

// Shows an archive file's entries in the pane's list.
void OpenArchiveAsFolder(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list);
// Opens the focused entry of an archive pane (Enter, double-click).
void OpenArchivePaneItem(int pane);
// The archive folders, installed by the program when it has them; empty entries take the
// "not listed" paths above.
struct ArchiveFolderHooks {
  void (*openFolder)(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list);
  void (*openItem)(int pane);
};
extern ArchiveFolderHooks g_archiveFolderHooks;
