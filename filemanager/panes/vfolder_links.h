// Where the panes meet the archive and FTP folders. The FTP-sites root and the archive listing
// are built with the FTP library and the archive engines; until those are part of the program
// these functions take their "no FTP" and "not listed" paths: no FTP root folder, no FTP item
// data, and an archive selected in a tree leaves its list empty with a beep.
#pragma once
#include <windows.h>
#include <shlobj.h>

// The FTP-sites root item id list: u16 10, the 8 signature bytes, u16 0.
LPCITEMIDLIST GetFtpRootPidl();
LPITEMIDLIST CopyFtpRootPidl();
// True when the list's first item is the FTP-sites root.
BOOL IsFtpPidl(LPCITEMIDLIST list);
// The pane's FTP-sites root folder with a new reference, or null when the FTP library cannot be
// started.
IShellFolder* GetFtpRootFolder(int pane);
// "FTP:site/dir" of an FTP list; E_FAIL for anything else.
HRESULT GetFtpDisplayPath(LPCITEMIDLIST list, char* buffer, int size);
// The listing's find data of an FTP item; E_FAIL when the item is not listed.
HRESULT GetFtpItemInfo(IShellFolder* folder, LPCITEMIDLIST item, WIN32_FIND_DATAA* data, int size);
// Column `column` of an FTP-sites list item as text; E_FAIL when there is none.
HRESULT GetFtpSiteColumnText(IShellFolder* root, LPCITEMIDLIST item, int column, char* buffer,
                             int size);
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
