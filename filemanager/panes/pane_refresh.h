// Bringing a pane's folder tree and file list up to date with the disk without rebuilding them,
// so that selection, expansion and scroll position survive: existing items are unmarked, the
// folder is enumerated again, items found again are marked and updated, new ones are added and
// the ones left unmarked are removed. GUI thread only.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>

struct FolderTreeItem;

// ---- Lists --------------------------------------------------------------------------------
// Re-reads the folder selected in the pane's tree into its list: a file-system folder through
// the file filter (a vanished folder empties the list), an archive through its listing, any
// other folder (and the desktop) unfiltered. Then counts, status bar, sort and focus. Does
// nothing for the second pane while one pane is shown, or while a label is being edited.
void RefreshPane(int pane);
// Filtered refill of a file-system folder's list (snapshot, update in place, add); 0 when the
// folder cannot be enumerated. `RemoveVanishedListItems` ends it.
BOOL RefreshFileSystemList(int pane, HWND list, FolderTreeItem* treeItem);
// Removes the items of the last snapshot that the refill did not find again.
void RemoveVanishedListItems(HWND list);
// Unfiltered refill of a folder outside the file system; the marks decide the sweep.
BOOL RefreshObjectList(int pane, HWND list, FolderTreeItem* treeItem, IShellFolder* folder);
void ClearListMarks(HWND list);
BOOL MarkExistingListItem(HWND list, IShellFolder* folder, LPCITEMIDLIST item, ULONG attributes);
BOOL AddObjectListItem(HWND list, IShellFolder* folder, LPCITEMIDLIST item, ULONG attributes);
// Removes every item with a record that the last enumeration did not mark.
void RemoveUnmarkedListItems(HWND list);
// Set while a list is being re-read.
extern UINT g_listRefilling;

// ---- Trees --------------------------------------------------------------------------------
// The tree pass below `item` (null = the root), then RefreshPane when `refillList` is set.
// A request that arrives while a tree refresh runs is folded into one later refresh (command
// 40044 posted to the main window).
void RefreshPaneTree(int pane, HTREEITEM item, BOOL refillList);
void CollapseTreeItemReset(int pane, HTREEITEM item);
void CollapseVanishedRemovableItems(int pane, HTREEITEM item);
void ClearTreeMarks(int pane, HTREEITEM item);
void RefreshTreeChildren(int pane, HTREEITEM item);
// `folder` is the parent's folder being enumerated, in which `child` is relative.
void AddOrMarkTreeChild(int pane, HTREEITEM parent, IShellFolder* folder, LPCITEMIDLIST child,
                        LPCITEMIDLIST parentAbsolute, ULONG attributes, BOOL ftp);
void RefreshFtpBranch(int pane, HTREEITEM item);
void RemoveUnmarkedTreeItems(int pane, HTREEITEM item);

// Counts of RefreshPane runs that re-read a list, per pane index at the time (for tests and
// diagnostics), and a hook called while a tree refresh runs (tests only; null otherwise).
extern UINT g_paneRefreshCount[2];
// Refresh commands (40044) served.
extern UINT g_refreshViewCount;
extern void (*g_treeRefreshProbe)(int pane);

// The Refresh command (40044), as the main window's command table calls it.
LRESULT RefreshView(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
