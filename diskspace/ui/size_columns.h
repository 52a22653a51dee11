// The size columns of the tree pane: their records, the header that names them, the row painter
// and the sort order.
#pragma once
#include <windows.h>
#include <cstdint>
#include "voltaly_ui.h"

// Column kinds (= string id of the title).
enum ColumnKind : uint32_t {
  kColTotal = 14, kColFiles = 15, kColSubfolders = 16, kColCapacity = 17, kColName = 18,
  kColSubfolderCount = 23, kColFileCount = 24, kColLastAccess = 51, kColLastWrite = 52,
  kColCreated = 65,
};

// Column flags.
enum : uint32_t {
  kColNumeric = 0x2,       // offered as a criterion
  kColPercent = 0x4,       // percentage of the parent
  kColBar = 0x8,           // draw a bar
  kColBarDrive = 0x10,     // scale the bar to the drive
  kColShowZero = 0x40,
  kColNoUnits = 0x80,
  kColHidden = 0x100,
  kColScrolledOut = 0x200,
  kColSize = 0x400,
  kColFourthRoot = 0x800,
  kColText = 0x1000,
  kColUserFlags = 0xBDC,
};

struct ColumnRecord {
  uint32_t typeId = 0;
  int32_t minWidth = 50;
  uint32_t barReserve = 50;
  int32_t width = 0;
  uint32_t flags = 0;
  uint32_t reserved = 0xFFFFFFFF;
  uint8_t ascending = 0;
  uint8_t position = 0;
  uint8_t headerIndex = 0;
  uint16_t barScale = 1;
  // Kept beside the record while the program runs.
  HPROPSHEETPAGE page = nullptr;  // its property page while the Folder Details sheet is open
  HWND pageWindow = nullptr;      // the page's dialog once created
  int textWidth = 0;       // extent of the digits the data needs
  int neededWidth = 0;     // textWidth, + 100 with a bar
  int scrolledWidth = -1;  // narrowed by the horizontal scroll bar (-1: the full width)
};

constexpr int kMaxColumns = 20;
constexpr int kMaxSizeColumns = 10;

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
