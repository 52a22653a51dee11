// Printing that the suite's programs share: a file list as a table and a folder tree as an
// indented outline on a printer device context of their own (one page layout: a header line
// with the folder, the date and the page number, a column header, fixed tab stops, a new page
// when the page is full), the Print Files confirmation dialog, and printing one file through its
// own program with the shell verb "print".
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include <vector>

// What a printout prints besides the items, from the program's string table.
struct PrintTexts {
  std::string documentName;     // StartDoc's document name: the program's name
  std::string pageLabel;        // after the title: blanks, a date label with %s, a page label with %d
  std::string columnHeader[3];  // list kinds 0, 1 and 2; tab-separated
};

// List kinds: the columns a printout has.
enum : int {
  kPrintListFileSystem = 0,  // name, size, date, time, attributes, type
  kPrintListNameOnly = 1,    // trees and lists of other shell objects
  kPrintListArchive = 2,     // name, size, packed, ratio, date, time, path
};

// The state of one print job's page layout.
struct PrintLayout {
  HDC dc = nullptr;
  HFONT normalFont = nullptr, boldFont = nullptr, previousFont = nullptr;
  int lineHeight = 10, charWidth = 1, linesPerPage = 6, leftMargin = 0;
  int page = 1, line = 3;
  int listKind = kPrintListFileSystem;
  BOOL failed = FALSE;   // a page could not be started or ended: nothing more is drawn
  std::string title;     // the header's folder text
  const PrintTexts* texts = nullptr;
  // A program's own page: the fonts' size in points and the tab stops of its lines (empty: the
  // stops of the list kind).
  int fontPoints = 10;
  std::vector<int> stops;
};

// Arial 10 points, normal and bold, for the DC; line height, character width, lines per page
// and margin from its metrics; page 1, line 3. The fonts are released by ReleasePrintFonts.
void SetupPrintFonts(PrintLayout* layout, HDC dc);
void ReleasePrintFonts(PrintLayout* layout);
// Line 0: title, date and page (bold); line 2: the column header of the list kind.
void PrintPageHeader(PrintLayout* layout);
// Placement 1 body (the next line), 2 line 0, 3 line 2. After the line, a full page is ended
// and the next one started with its header.
void PrintTextLine(PrintLayout* layout, const char* text, int placement);
// The list's items (all, or the selected ones) as body lines: the texts of `columns`
// (subitem indexes, in the order of the column header) joined by tabs. An empty list prints
// nothing, not even the header.
void PrintListLines(PrintLayout* layout, HWND list, BOOL selectedOnly, const std::vector<int>& columns);

// The absolute item id list of a tree node (the tree's own record), or null.
using TreeNodePidl = LPCITEMIDLIST (*)(HWND tree, HTREEITEM node);
// One node at a depth: its small shell icon and its display name.
void PrintTreeItem(PrintLayout* layout, LPCITEMIDLIST absolute, int depth);
// The visible (expanded) part of the tree from `start` (or from the root when `wholeTree`).
void PrintTreeLines(PrintLayout* layout, HWND tree, HTREEITEM start, BOOL wholeTree,
                    TreeNodePidl pidlOf);

// Print File List: the print dialog (template 1538 of `templateModule`, a hook, Selection
// offered, print to file hidden), then one document. `listKind` -1 for an empty list.
struct PrintListRequest {
  HWND owner = nullptr;      // the dialog's owner; its caption is the title when `title` is empty
  HWND list = nullptr;
  int listKind = kPrintListFileSystem;
  std::vector<int> columns;  // subitems to print, in the header's order
  std::string title;         // the folder's parsing path
  PrintTexts texts;
  HINSTANCE templateModule = nullptr;
  // A program with lines of its own: the line of an item (tab-separated; used instead of the
  // columns), the fonts' size and the tab stops (empty: the list kind's).
  std::function<std::string(HWND list, int item)> itemLine;
  int fontPoints = 10;
  std::vector<int> stops;
};
// Print Folder Tree: template 9999 with check box 1056 (the whole tree).
struct PrintTreeRequest {
  HWND owner = nullptr;
  HWND tree = nullptr;
  HTREEITEM start = nullptr;  // the selected node, or the root
  TreeNodePidl pidlOf = nullptr;
  std::string title;
  PrintTexts texts;
  HINSTANCE templateModule = nullptr;
};
// 1 when a document was printed and ended, 0 when the dialog was cancelled or a step failed.
int PrintFileList(const PrintListRequest& request);
int PrintFolderTree(const PrintTreeRequest& request);

// The whole-tree choice of the tree's print dialog, kept for the next time.
extern UINT PrintWholeTree;
// Ids of the print templates and of the whole-tree check box.
enum : int { kPrintListTemplate = 1538, kPrintTreeTemplate = 9999, kPrintWholeTreeBox = 1056 };

// The Print Files dialog (template with list 1001, OK, Cancel and, when helpTopic is nonzero,
// Help 9): the selected items of `sourceList` with their small icons, shortcuts with the arrow
// overlay; the list only shows. The request is the dialog's parameter.
struct PrintFilesRequest {
  HWND sourceList = nullptr;
  HWND centerOver = nullptr;
  UINT helpTopic = 0;
  std::vector<int> linkItems;  // indexes of the selected items that are shortcuts
};
INT_PTR CALLBACK PrintFilesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ShellExecuteEx with the verb "print" on one file; its result.
BOOL PrintFileWithShell(HWND owner, const char* path);
