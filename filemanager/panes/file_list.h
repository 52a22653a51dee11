// The file list of a pane: a list view whose items are FileListItem records, with the system
// image lists, three column sets, four view modes, texts produced on demand, the up-one-level
// entry, the inactive-pane selection outline, cut marks, the fills from a shell folder and the
// sorting.
#pragma once
#include <windows.h>
#include "window_helpers.h"
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <cstdint>

struct FolderTreeItem;

// Kinds of list items.
enum : uint8_t {
  kItemFromFindData = 0,   // filtered fill of a file-system folder
  kItemNonFileSystem = 1,  // plain fill of a folder outside the file system
  kItemArchiveEntry = 2,   // entry of an archive shown as a folder
  kItemFileSystemPlain = 3,  // plain fill of a file-system folder
};

// SFGAO bits asked for list items.
constexpr ULONG kListAttributeMask = 0x64030177;

// The parameter of every list item but the up entry, from the shell allocator, zero-filled.
struct FileListItem {
  IShellFolder* folder;     // folder listed (reference held)
  LPITEMIDLIST pidl;        // relative item id list (owned copy)
  ULONG attributes;         // SFGAO bits (kListAttributeMask)
  FILETIME lastWrite;       // UTC
  uint64_t size;            // file size
  DWORD fileAttributes;     // FILE_ATTRIBUTE_*; FILE_ATTRIBUTE_DIRECTORY for items without data
  uint8_t kind;             // kItem*
  UINT valid;               // 1 once made
  UINT siblingCompressed;   // the sibling product stores the file compressed
  UINT compressedSize;      // archive entries: compressed size
  char* entryPath;          // archive entries: path inside the archive (owned)
  char* typeText;           // archive entries: type text (owned)
};

// ---- The list window ----------------------------------------------------------------------
HWND CreateFileList(HWND parent, int pane);
BOOL AttachSystemImageLists(HWND list);
// Inserts the columns of set 1, 2 or 3 (widths from the stored values of the list's pane when
// present); 0 when an insertion fails.
BOOL SetupListColumns(HWND list, UINT columnSet);
void DeleteAllListColumns(HWND list);
// The name under which a column set's widths are stored for a pane ("FileSys Columns 0").
const char* ColumnWidthsValueName(UINT columnSet, int pane);
// Stores the widths of the pane's current column set (details view only).
void SavePaneColumnWidths(int pane);
void SetPaneViewMode(HWND list, DWORD style, UINT viewId);
// View style of a view command (40001-40004).
DWORD ViewStyleOfCommand(UINT viewId);
void ApplyListExtendedStyles();
void EnableListLabelTips();
// Fills the display-info text of one item and column.
void GetListColumnText(NMLVDISPINFOA* info, FileListItem* item, int pane, const char* nameText);
// The drive type text of a root path; empty for types without one.
void DriveTypeText(const char* root, char* buffer, int size);
BOOL IsUpEntryWanted(int pane);
BOOL InsertUpOneLevelItem(int pane);
void RemoveUpOneLevelItem(int pane);
// The preference changed: the up entry is put into or taken out of both lists.
void ApplyUpEntryOption();
void FocusFirstItemIfNone(HWND list);
// The active list's selection as one command line; the caller frees it with free().
char* BuildCommandLineFromSelection(uint64_t* total, BOOL quoted, BOOL namesOnly);
FileListItem* GetListItemRecord(HWND list, int index);
void FreeFileListItem(FileListItem* item);
// A new record of the shell item `pidl` of `folder` (copied; the folder gains a reference), or
// null when memory runs out. Its kind and file data are the caller's to set.
FileListItem* NewFileListItem(IShellFolder* folder, LPCITEMIDLIST pidl, ULONG attributes);
// Inserts a record at `index` with its text and icon asked for on display; false on failure
// (the record is then still the caller's).
bool InsertFileListItem(HWND list, int index, FileListItem* record);
// The find data of a shell item read from the file system by its parsing name, for items whose
// folder does not hand it out; false when the name or the file cannot be read.
bool FindDataByParsingName(IShellFolder* folder, LPCITEMIDLIST pidl, WIN32_FIND_DATAA* data);

// ---- Fills --------------------------------------------------------------------------------
// Set while records are being made from an enumeration: display-info requests are not answered.
extern UINT g_shellEnumBusy;
BOOL FillFileList(HWND list, LPARAM unused, IShellFolder* folder, BOOL fileSystem);
BOOL FillFileListFiltered(HWND list, FolderTreeItem* treeItem);
BOOL EnumerateFolderIntoList(HWND list, LPARAM unused, IShellFolder* folder, BOOL fileSystem);
BOOL EnumerateFolderFiltered(HWND list, FolderTreeItem* treeItem);
BOOL AddFindDataItem(HWND list, const WIN32_FIND_DATAA* data, IShellFolder* folder, LPARAM unused,
                     int index, LPCITEMIDLIST pidl);

// ---- Sorting ------------------------------------------------------------------------------
int CALLBACK CompareListItems(LPARAM item1, LPARAM item2, LPARAM key);
int CompareItemNames(const FileListItem* item1, const FileListItem* item2);
int CompareFoldersFirst(DWORD attributes1, DWORD attributes2);
int CompareTimeOfDay(const FILETIME* time1, const FILETIME* time2);
// The header arrow of the pane's list moves from its current key to `newKey` (the arrow bitmaps
// are made on first use).
void SetSortIndicator(int pane, UINT newKey);
// Builds the two header arrow bitmaps again from icons 61 and 62 (after a system colour change);
// headers that show an arrow take the new bitmap.
void RebuildHeaderArrowBitmaps();
void DeleteHeaderArrowBitmaps();
// Sorts the pane's list with its current key and direction (sorted pane set, indicator shown,
// sort buttons updated).
void SortPaneList(int pane);
// A click on column `column` of the pane's list header.
void OnListColumnClick(int pane, int column);
// Sort commands 40140-40146 on the active pane.
void SortActivePaneByCommand(UINT command);
// The menu numbering of a sort key for the sort buttons (-1 when the key has no button).
int SortButtonKey(int pane, UINT key);
