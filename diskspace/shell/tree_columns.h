// The size columns as the size tree's export and printing see them: the column record and its
// kinds and flags. The column set itself belongs to the size pane, which installs its answers at
// start-up (SetTreeColumnHooks); without them export and printing show the name column alone.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <cstdint>

struct FolderNode;

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

struct TreeColumnHooks {
  // The visible size columns after the name column, in order; their count.
  int (*visibleSizeColumns)(ColumnRecord** out, int max) = nullptr;
  int (*nameColumnWidth)() = nullptr;
  int (*shownColumnWidth)(const ColumnRecord* column) = nullptr;
  // A node's value for a column as the pane shows it; false for none.
  bool (*formatColumnValue)(const ColumnRecord* column, FolderNode* node, char* out, int size) = nullptr;
  // Paints the size columns of one row (the printer scales the widths).
  void (*paintSizeRow)(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale) = nullptr;
};
// Installs the answers and returns the ones installed before (GUI thread).
TreeColumnHooks SetTreeColumnHooks(const TreeColumnHooks& hooks);

// The calls of export and printing, through the hooks.
int TreeVisibleSizeColumns(ColumnRecord** out, int max);  // 0 without the pane
int TreeNameColumnWidth();                                // 220 without the pane
int TreeShownColumnWidth(const ColumnRecord* column);
bool TreeFormatColumnValue(const ColumnRecord* column, FolderNode* node, char* out, int size);
void TreePaintSizeRow(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale);
