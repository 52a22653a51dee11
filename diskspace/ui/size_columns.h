// The size columns of the tree pane: their records, the header that names them, the row painter
// and the sort order.
#pragma once
#include <windows.h>
#include <cstdint>
#include "tree_columns.h"
#include "voltaly_ui.h"


// The standard set in position order (the name column first).
struct StandardColumn { uint32_t typeId; uint32_t flags; };
extern const StandardColumn kStandardColumns[10];

// Builds the column set: the standard records with their persisted states, sorted by position,
// and the sort column from the settings. Without a header window only the records are made.
void CreateColumnSet(HWND header);
void FreeColumnSet();
// The visible size columns (not hidden, not scrolled out) after the name column, in order.
int VisibleSizeColumns(ColumnRecord** out, int max);
// Width shown for a column (max(minWidth, width)); the name column: its width.
int ShownColumnWidth(const ColumnRecord* column);
int NameColumnWidth();
void SetNameColumnWidth(int width);
// Rebuilds the header items from the set; recomputes the widths when `measure` is set.
void BuildHeaderItems(bool measure);
void SetSortColumn(int index);
// The header's notifications (HDN_ENDTRACK, HDN_ITEMCLICK, NM_RCLICK); returns TRUE when handled.
BOOL OnHeaderNotify(NMHDR* header);
// Applies the order of `order` (column records, display order, name column first) to the set.
void ReorderColumns(ColumnRecord* const* order, int count);
// Copies of the records (Folder Details sheet backup).
int CopyColumnRecords(ColumnRecord* out, int max);
void RestoreColumnRecords(const ColumnRecord* records, int count);
ColumnRecord* FindColumnByType(uint32_t typeId);

// Paints the size columns of one row. scale = 1 on the screen (printing scales the widths).
void PaintSizeRow(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale);
// Hands the column set to the tree's export and printing (start-up; tests of those).
void InstallTreeColumnHooks();
// Order of two nodes by a column (negated unless ascending; ties by name, never negated).
int CompareTreeItems(FolderNode* a, FolderNode* b, const ColumnRecord* column);
// A node's shown total (files + subfolders, reported or allocated as the settings say).
uint64_t ShownTotal(FolderNode* node);

// Drawing objects of the pane.
HFONT TreeFont(bool bold);
void CreatePaneDrawingObjects(HWND window);
void FreePaneDrawingObjects();
// The largest capacity seen since the search started (bars in the find-results view).
void ResetFindCapacity();
