// The size tree written out as tab-separated text, and printed page by page.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <functional>
#include <vector>

struct ColumnRecord;

// Command 45230: asks for the file and the range, then writes it.
void ExportTree(HWND owner);
// Command 45216: asks for the printer and the range, then prints.
void PrintTree(HWND owner);

// What to walk: from `start` (its subtree), or the whole tree; children of collapsed items only
// when `onlyExpanded` is clear.
struct TreeRange {
  HWND tree = nullptr;
  HTREEITEM start = nullptr;
  bool wholeTree = false;
  bool onlyExpanded = true;
};

// The export's text: a header line with the title of the name column, of every size column and
// "Nested Level", then one line per item with exactly one field per column.
std::string BuildTreeExportText(const TreeRange& range, const std::vector<const ColumnRecord*>& columns);
// Writes the text to `path` through a temporary file in the same folder that replaces the old
// file only after every write succeeded. 0 on success, else the system's error code.
DWORD WriteFileReplacing(const std::string& path, const std::string& text);

// One printed row of the tree: page (from 1), line on the page, nesting level and label.
struct PrintedRow {
  int page = 0;
  int line = 0;
  int level = 0;
  std::string text;
  HTREEITEM item = nullptr;
};
struct PrintLayout {
  int pageWidth = 0, pageHeight = 0;
  int leftMargin = 0;
  int lineHeight = 0;
  int charWidth = 0;
  int linesPerPage = 0;
  double columnScale = 1.0;
};
// Lays the rows out on pages and, when `dc` is given, draws them (page header, icons, labels,
// size columns); `newPage` is called between pages (EndPage / StartPage on a printer) and stops
// the printing when it returns false. Returns the rows as laid out.
std::vector<PrintedRow> PrintTreeRows(HDC dc, const TreeRange& range, const std::string& title,
                                      const std::function<bool()>& newPage, PrintLayout* layout);
