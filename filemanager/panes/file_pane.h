// The two panes of the main window: each a folder tree, a file list and a title bar, and the
// record that holds everything more than one part of the program reads about a pane.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <cstdint>
#include "command_ids.h"

// Control ids of the panes' windows (pane 0, pane 1).
enum : int {
  kListIdPane0 = 100,
  kListIdPane1 = 101,
  kTreeIdPane0 = 108,
  kTreeIdPane1 = 109,
  kTitlebarIdPane0 = 114,
  kTitlebarIdPane1 = 115,
};

// View ids of a list: the commands that choose them.
enum : UINT {
  kViewLargeIcons = ID_VIEW_LARGE_ICONS,
  kViewSmallIcons = ID_VIEW_SMALL_ICONS,
  kViewList = ID_VIEW_LIST,
  kViewDetails = ID_VIEW_DETAILS,
};

// Column sets of a list.
enum : UINT {
  kColumnSetNone = 0,
  kColumnSetFileSystem = 1,
  kColumnSetArchive = 2,
  kColumnSetObjects = 3,
};

// Kinds of what a pane's list shows.
enum : UINT {
  kListKindShellFolder = 0,
  kListKindArchive = 1,
};

struct FilePane {
  HWND tree;                    // folder tree, control id 108 / 109
  HWND list;                    // file list, control id 100 / 101
  HWND titlebar;                // title bar (FilePaneTitlebarClass), control id 114 / 115
  UINT listShown;               // nonzero while the file list is visible
  UINT treeShown;               // nonzero while the folder tree is visible
  UINT listKind;                // kListKindShellFolder or kListKindArchive
  UINT descending;              // current sort direction: 0 ascending, 1 descending
  UINT savedFsDescending;       // direction last used on a file-system listing
  UINT savedArchiveDescending;  // direction last used on an archive listing
  int treeWidth;                // pixels, at least kMinTreeWidth
  UINT itemCount;               // items of the last fill (the up entry not counted)
  UINT reserved;                // kept zero
  uint64_t totalSize;           // sum of the sizes of the file items of the last filtered fill
  UINT sortKey;                 // current sort column, 0-9
  UINT savedFsSortKey;          // key last used on a file-system listing
  UINT savedArchiveSortKey;     // key last used on an archive listing
  UINT viewId;                  // kViewLargeIcons .. kViewDetails
  UINT columnSet;               // kColumnSet*; 0 before the first fill
  char path[MAX_PATH];          // the pane's folder as text (stored settings or command line)
  UINT zipAsFolder;             // nonzero while the pane shows a .zip the sibling product opens
};

constexpr int kMinTreeWidth = 30;

// The two panes, zero-filled at start. Pane 0 is the first (left or upper) pane.
extern FilePane FilePanes[2];
// The pane that commands act on (0 or 1).
extern int ActivePaneIndex;
// The pane whose list is being sorted; set immediately before every sort.
extern int SortedPaneIndex;

// Window-wide pane layout values, read and written by the frame layout and stored with the
// panes' settings.
struct PaneLayout {
  UINT twoPanes;     // nonzero while both panes are shown
  UINT orientation;  // nonzero: panes stacked (command 40116); zero: side by side (40117)
  float ratio;       // share of the first pane, 0.01-0.99
};
extern PaneLayout g_paneLayout;

// The pane a tree, list or title bar belongs to: 0 for pane 0's windows, 1 for anything else.
int PaneIndexOfWindow(HWND window);

// Exchanges the two pane records wholesale (the window handles travel with them); the active
// pane index follows the pane that was active. The caller lays the main window out again.
void SwapPaneRecords();

// Creates pane `pane`'s folder tree and file list as children of `parent` (the main window),
// with their control ids, and stores them in the pane record. The title bars are the frame's.
HWND CreateFolderTree(HWND parent, int pane);
HWND CreateFileList(HWND parent, int pane);

// Services of the main window that the panes call. The main window fills in what it offers
// when it creates the panes; an entry left empty does nothing.
struct PaneWindowServices {
  // Status bar parts for the pane of `list` (with the folder part: also title and command line).
  void (*updateStatusBar)(HWND list, BOOL withFolderPart);
  // Title bars and the address combo show the panes' folders.
  void (*updateTitlebars)();
  // Menu and toolbar command states.
  void (*updateCommandStates)();
  // Toolbar sort buttons and the menu radio item among 40140-40146 (key by the menu numbering,
  // -1 = none).
  void (*updateSortButtons)(int menuKey);
  // Toolbar view buttons and the menu radio item among 40001-40004.
  void (*updateViewButtons)(UINT viewId);
  // The viewer pane, when shown, shows the active list's selection (show = 1) or is cleared.
  void (*updateViewer)(BOOL show);
  // The frame's record of the pane control that last had the focus, and its flag that is set
  // while the main window is being destroyed.
  HWND* lastFocus;
  const UINT* closing;
  // The frame's status bar; a viewer window is shown; the viewer releases the file it shows.
  HWND (*statusBar)();
  BOOL (*viewerVisible)();
  void (*clearViewer)();
  // A folder chosen in a pane's tree, for the per-folder view memory.
  void (*noteTreeSelection)(int pane, LPCITEMIDLIST absolute);
};
extern PaneWindowServices g_paneServices;

// Set by the tree rebuild: selecting tree items does not refill the lists meanwhile.
extern UINT g_treesBeingFilled;
// Set while Back or Forward moves a pane: the move is not pushed onto the pane's history.
extern UINT g_navigatingHistory;

// WM_NOTIFY from the panes' lists (100, 101) and trees (108, 109). Sets *handled when the
// notification came from a pane window; the result is the notification's answer.
LRESULT OnPaneNotify(HWND mainWindow, int controlId, NMHDR* header, BOOL* handled);

// Between the stored panes' settings and the two pane records (and g_paneLayout).
struct FilePanesSettings;
void CollectPanesSettings(FilePanesSettings* settings);
void ApplyPanesSettings(const FilePanesSettings* settings);
