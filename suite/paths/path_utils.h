// Small helpers over path texts and shell folders: trimming, archive and shortcut tests, paths
// that run through a .zip file, shortcut resolution, creating a chain of folders, readiness tests
// for folders and drives, and start-up calls for the common controls. Paths are ANSI texts of at
// most MAX_PATH characters. No function shows a message.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include "window_helpers.h"

// Removes one trailing backslash when the path is longer than 3 characters ("C:\" keeps it).
void StripTrailingBackslash(char* path);
// Removes leading blanks; TRUE when text remains.
BOOL TrimLeadingSpaces(char* text);
// Removes leading blanks; TRUE when the text contains '*' or '?'.
BOOL TrimAndTestWildcards(char* text);

// The archive extensions, in the order tested.
extern const char* const kArchiveExtensions[16];
// TRUE when the item exists and has an archive extension. The item is `folder` + `item` when a
// list is given (its parsing name), else `path`. *isZip (may be null) is 1 for ".zip", else 0.
BOOL IsArchivePath(IShellFolder* folder, LPCITEMIDLIST item, const char* path, int* isZip);
// TRUE when the extension is ".lnk".
BOOL IsShortcutPath(const char* path);
// TRUE when the path is a .zip file or runs through one ("D:\a.zip\docs\readme.txt").
BOOL IsInsideZipPath(const char* path);
// TRUE when the item's parsing name passes IsInsideZipPath; *plainFile then tells whether that
// name is a plain file with the sibling product's view off.
BOOL IsZipItemPath(IShellFolder* folder, LPCITEMIDLIST item, int* plainFile);
// Resolves a .lnk file (SLR_ANY_MATCH, with `window` as the owner of any question).
// - Resolved, no `out` given: 1.
// - Resolved to a file-system path: the path goes to `out` (MAX_PATH) and the result is 1.
// - Resolved to something that is no file-system object (My Computer, a printer): the target's
//   list goes to *outList (when given), `out` is left empty and the result is 0.
// - Not resolved: `out` receives the .lnk path itself and the result is 0.
int ResolveShortcut(HWND window, const char* lnkPath, char* out, LPITEMIDLIST* outList);
// Creates every missing folder of `path` (a trailing backslash is cut in place); the result of
// the last CreateDirectoryA, or 0 for a path of at most 3 characters.
BOOL CreateDirectoryPath(char* path);
// The recursive step: the parent first, then the folder itself.
BOOL CreateDirectoryPathStep(const char* path);
// S_OK when the folder enumerates at least one item, S_FALSE when it is empty, the failure code
// when it cannot be bound or enumerated. Critical-error boxes are suppressed.
HRESULT FolderHasItems(const char* path, HWND owner = nullptr);
// TRUE when the item's parsing name is a drive root ("X:\") of a removable drive.
BOOL IsRemovableDriveRoot(IShellFolder* folder, LPCITEMIDLIST item);
// Gives the absolute list of a folder tree item (from the item's record), or null when the item
// has no record.
using TreeItemPidlGetter = LPCITEMIDLIST (*)(HWND tree, HTREEITEM item);
// TRUE when the item's folder can be read. Otherwise the tree's selection moves up from the
// selected item to the nearest parent that exists (collapsing the branch) and the result is
// FALSE. `pidlOf` reads a tree item's absolute list.
BOOL EnsureFolderReachable(IShellFolder* folder, LPCITEMIDLIST item, HWND tree,
                           TreeItemPidlGetter pidlOf);
// (major << 16) | minor of a DLL's DllGetVersion; 0 when missing or failing.
DWORD GetDllVersion(const char* dllName);
// TRUE when the network can be enumerated for connectable disk resources.
BOOL IsNetworkAvailable();
