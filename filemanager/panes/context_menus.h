// Right-click menus of the panes and bars, and opening list items. Shell items get the shell's own
// context menu (with a Rename entry of ours and our bookkeeping around its verbs); the list
// background, archive entries and the bars get menus built from the string table whose items
// are ordinary commands of the main window.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct FileListItem;

// Set by CollectSelectedListItems when every collected item can be renamed, or by the tree path
// from the folder's attributes.
extern UINT g_allSelectedRenamable;

// The selected items' relative item id lists (owned by their records; the caller frees only the
// array, with delete[]) and their count; null when nothing is selected or an item has no record.
LPCITEMIDLIST* CollectSelectedListItems(HWND list, UINT* count);

// The shell's context menu of the list selection (when pane p's list has the focus) or of the
// tree item under the point (screen coordinates); runs the chosen verb. 1 when a menu was shown.
UINT ShowSelectionContextMenu(HWND owner, POINT* point, int pane);
// Menus built here; each returns the chosen command id (0 for none), which the caller sends.
UINT ShowPaneBackgroundMenu(HWND owner, POINT point, BOOL archive);
UINT ShowArchiveListMenu(HWND owner, POINT point);
UINT ShowBarsContextMenu(HWND owner);
HMENU BuildViewSubmenu();
HMENU BuildSortSubmenu();

// NM_RCLICK of a pane's list or tree: the menu the spot asks for, and its command.
LRESULT OnPaneRightClick(HWND mainWindow, int pane, HWND control);

// Opens a list item of the active pane: the up entry (null) goes up one level, Alt shows the
// properties, a folder (or an archive shown as a folder) is entered through the tree unless
// `force`, anything else is run or opened by the shell. Returns 1 when handled.
UINT OpenListItem(FileListItem* item, BOOL force);
UINT OpenListItemInPane(int pane, FileListItem* item, BOOL force);
// 1 when the shell reports an executable type for the file.
UINT IsExecutableFile(const char* path);
