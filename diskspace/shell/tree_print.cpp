// Printing of the size tree: page header, icons, indented labels and the size columns.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "folder_node.h"
#include "resource_shell.h"
#include "seams.h"
#include "shell_host.h"
#include "tree_columns.h"
#include "tree_export.h"

namespace {

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

struct Printer {
  HDC dc = nullptr;
  HFONT normal = nullptr, bold = nullptr;
  PrintLayout layout;
  int page = 1;
  int line = 3;
  std::string title;
  HWND tree = nullptr;
  std::vector<ColumnRecord*> columns;
  std::vector<PrintedRow> rows;
  const std::function<bool()>* newPage = nullptr;
  bool stopped = false;
  bool wholeTree = false;
  bool onlyExpanded = true;
};

int LineTop(const Printer& p, int line) { return (line - 1) * p.layout.lineHeight; }

void DrawHeader(Printer& p) {
  if (!p.dc) return;
  HGDIOBJ old = SelectObject(p.dc, p.bold);
  SetBkMode(p.dc, TRANSPARENT);
  const PrintLayout& l = p.layout;
  RECT titleRect{l.leftMargin, LineTop(p, 1), l.pageWidth, LineTop(p, 2)};
  DrawTextA(p.dc, p.title.c_str(), -1, &titleRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  char date[64] = {};
  SYSTEMTIME now{};
  seams::GetLocalTime(&now);
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof(date));
  char pageText[160] = {};
  snprintf(pageText, sizeof(pageText), LoadText(IDS_SH_PRINT_PAGE).c_str(), date, p.page);
  DrawTextA(p.dc, pageText, -1, &titleRect, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  // Column titles on line 2.
  RECT nameRect{l.leftMargin, LineTop(p, 2), l.pageWidth, LineTop(p, 3)};
  std::string name = LoadText(kColName);
  DrawTextA(p.dc, name.c_str(), -1, &nameRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  double x = l.leftMargin + TreeNameColumnWidth() * l.columnScale;
  for (ColumnRecord* c : p.columns) {
    double width = TreeShownColumnWidth(c) * l.columnScale;
    RECT cell{static_cast<LONG>(x), LineTop(p, 2), static_cast<LONG>(x + width), LineTop(p, 3)};
    std::string text = LoadText(c->typeId);
    DrawTextA(p.dc, text.c_str(), -1, &cell, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    x += width;
  }
  SelectObject(p.dc, old);
}

void PrintRow(Printer& p, HTREEITEM item, int level) {
  char text[MAX_PATH * 2] = {};
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT | TVIF_PARAM | TVIF_IMAGE | TVIF_STATE;
  tvi.stateMask = TVIS_EXPANDED;
  tvi.hItem = item;
  tvi.pszText = text;
  tvi.cchTextMax = sizeof(text);
  TreeView_GetItem(p.tree, &tvi);
  auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
  std::string label = text;
  size_t slash = label.find_last_of('\\');
  if (slash != std::string::npos && slash + 1 < label.size()) label = label.substr(slash + 1);

  ++p.line;
  PrintedRow row;
  row.page = p.page;
  row.line = p.line;
  row.level = level;
  row.text = label;
  row.item = item;
  p.rows.push_back(row);

  if (p.dc) {
    const PrintLayout& l = p.layout;
    int top = LineTop(p, p.line);
    int x = l.leftMargin + level * 3 * l.charWidth;
    HIMAGELIST images = TreeView_GetImageList(p.tree, TVSIL_NORMAL);
    if (images && tvi.iImage >= 0) {
      if (HICON icon = ImageList_GetIcon(images, tvi.iImage, ILD_NORMAL)) {
        DrawIconEx(p.dc, x, top, icon, l.charWidth * 22 / 10, l.lineHeight * 85 / 100, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
      }
    }
    HGDIOBJ old = SelectObject(p.dc, p.normal);
    SetBkMode(p.dc, TRANSPARENT);
    int nameRight = l.leftMargin + static_cast<int>(TreeNameColumnWidth() * l.columnScale);
    RECT labelRect{x + 3 * l.charWidth, top, std::max(nameRight, x + 3 * l.charWidth), top + l.lineHeight};
    DrawTextA(p.dc, label.c_str(), -1, &labelRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (IsFolderNode(node)) {
      RECT band{nameRight, top, l.pageWidth, top + l.lineHeight};
      TreePaintSizeRow(p.tree, node, p.dc, &band, l.columnScale);
    }
    SelectObject(p.dc, old);
  }

  // A full page ends; the next one starts with its header.
  if (p.line >= p.layout.linesPerPage) {
    if (p.newPage && *p.newPage && !(*p.newPage)()) {
      p.stopped = true;
      return;
    }
    p.line = 3;
    ++p.page;
    DrawHeader(p);
  }
  if (p.onlyExpanded && !(tvi.state & TVIS_EXPANDED)) return;
  for (HTREEITEM child = TreeView_GetChild(p.tree, item); child && !p.stopped;
       child = TreeView_GetNextSibling(p.tree, child))
    PrintRow(p, child, level + 1);
}

// ---- The print dialog's range choices

struct PrintChoice {
  bool wholeTree = false;
  bool onlyExpanded = true;
  bool branchAllowed = true;
};

UINT_PTR CALLBACK PrintHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* pd = reinterpret_cast<PRINTDLGA*>(lParam);
      auto* choice = reinterpret_cast<PrintChoice*>(pd->lCustData);
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(choice));
      CheckRadioButton(dialog, IDC_SH_WHOLE_TREE, IDC_SH_BRANCH,
                       choice->wholeTree || !choice->branchAllowed ? IDC_SH_WHOLE_TREE : IDC_SH_BRANCH);
      EnableWindow(GetDlgItem(dialog, IDC_SH_BRANCH), choice->branchAllowed);
      CheckDlgButton(dialog, IDC_SH_ONLY_EXPANDED, choice->onlyExpanded ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        auto* choice = reinterpret_cast<PrintChoice*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (choice) {
          choice->wholeTree = IsDlgButtonChecked(dialog, IDC_SH_WHOLE_TREE) == BST_CHECKED || !choice->branchAllowed;
          choice->onlyExpanded = IsDlgButtonChecked(dialog, IDC_SH_ONLY_EXPANDED) == BST_CHECKED;
        }
      }
      return FALSE;  // the dialog's own handling goes on
  }
  return FALSE;
}

bool AnyPrinter() {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 1, nullptr, 0, &needed, &count);
  return needed > 0;
}

void ShowPrintFailure(HWND owner) {
  std::string text = LoadText(IDS_SH_PRINT_FAILED);
  std::string caption = LoadText(3);
  seams::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING);
}

}  // namespace

std::vector<PrintedRow> PrintTreeRows(HDC dc, const TreeRange& range, const std::string& title,
                                      const std::function<bool()>& newPage, PrintLayout* layout) {
  Printer p;
  p.dc = dc;
  p.tree = range.tree;
  p.title = title;
  p.newPage = &newPage;
  p.wholeTree = range.wholeTree;
  p.onlyExpanded = range.onlyExpanded;
  ColumnRecord* columns[kMaxColumns] = {};
  int n = TreeVisibleSizeColumns(columns, kMaxColumns);
  p.columns.assign(columns, columns + std::max(n, 0));
  if (layout && !dc) p.layout = *layout;
  if (dc) {
    int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    p.normal = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    p.bold = CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    PrintLayout& l = p.layout;
    l.pageWidth = GetDeviceCaps(dc, HORZRES);
    l.pageHeight = GetDeviceCaps(dc, VERTRES);
    l.leftMargin = GetDeviceCaps(dc, LOGPIXELSX) / 2;
    HGDIOBJ old = SelectObject(dc, p.normal);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    l.lineHeight = tm.tmHeight < 1 ? 10 : tm.tmHeight;
    l.charWidth = std::max<int>(tm.tmAveCharWidth, 1);
    int total = TreeNameColumnWidth();
    for (ColumnRecord* c : p.columns) total += TreeShownColumnWidth(c);
    // The columns fill the page right of the margin.
    l.columnScale = total > 0 ? static_cast<double>(l.pageWidth - l.leftMargin) / total : 1.0;
  }
  if (p.layout.lineHeight < 1) p.layout.lineHeight = 10;
  p.layout.linesPerPage = std::max(6, p.layout.pageHeight / p.layout.lineHeight);
  DrawHeader(p);
  if (p.tree) {
    HTREEITEM start = range.start ? range.start : TreeView_GetRoot(p.tree);
    if (range.wholeTree) {
      for (HTREEITEM item = TreeView_GetRoot(p.tree); item && !p.stopped; item = TreeView_GetNextSibling(p.tree, item))
        PrintRow(p, item, 0);
    } else if (start) {
      PrintRow(p, start, 0);
    }
  }
  if (p.normal) DeleteObject(p.normal);
  if (p.bold) DeleteObject(p.bold);
  if (layout) *layout = p.layout;
  return p.rows;
}

void PrintTree(HWND owner) {
  HWND tree = ShellHostTree(owner);
  if (!tree) return;
  PrintChoice choice;
  HTREEITEM start = TreeView_GetSelection(tree);
  if (!start || !TreeView_GetParent(tree, start)) {
    start = TreeView_GetRoot(tree);
    choice.wholeTree = true;
    choice.branchAllowed = false;
  }
  if (!start) return;
  // Without any printer the print dialog has nothing to offer: say so.
  if (!AnyPrinter()) {
    ShowPrintFailure(owner);
    return;
  }
  PRINTDLGA pd{};
  pd.lStructSize = sizeof(pd);
  pd.hwndOwner = owner;
  pd.hInstance = GetModuleHandleA(nullptr);
  pd.Flags = PD_RETURNDC | PD_HIDEPRINTTOFILE | PD_USEDEVMODECOPIESANDCOLLATE | PD_NOSELECTION |
             PD_NOPAGENUMS | PD_NOWARNING | PD_ENABLEPRINTTEMPLATE | PD_ENABLEPRINTHOOK;
  pd.lpPrintTemplateName = MAKEINTRESOURCEA(IDD_SH_PRINT_TREE);
  pd.lpfnPrintHook = PrintHookProc;
  pd.lCustData = reinterpret_cast<LPARAM>(&choice);
  pd.nCopies = 1;
  if (!PrintDlgA(&pd)) {
    if (CommDlgExtendedError() != 0) ShowPrintFailure(owner);
    return;
  }
  char caption[256] = {};
  GetWindowTextA(owner, caption, sizeof(caption));
  std::string program = LoadText(3);
  std::string path;
  {
    TVITEMA tvi{};
    tvi.mask = TVIF_PARAM;
    tvi.hItem = start;
    TreeView_GetItem(tree, &tvi);
    char text[MAX_PATH] = {};
    auto* node = reinterpret_cast<FolderNode*>(tvi.lParam);
    if (IsFolderNode(node) && GetNodePath(node, text, MAX_PATH)) path = text;
  }
  std::string title = path.empty() ? std::string(caption) : program + " - " + path;
  DOCINFOA doc{};
  doc.cbSize = sizeof(doc);
  doc.lpszDocName = program.empty() ? caption : program.c_str();
  if (pd.hDC && StartDocA(pd.hDC, &doc) > 0) {
    if (StartPage(pd.hDC) > 0) {
      TreeRange range;
      range.tree = tree;
      range.start = start;
      range.wholeTree = choice.wholeTree;
      range.onlyExpanded = choice.onlyExpanded;
      std::function<bool()> next = [&] { return EndPage(pd.hDC) > 0 && StartPage(pd.hDC) > 0; };
      PrintTreeRows(pd.hDC, range, title, next, nullptr);
      EndPage(pd.hDC);
      EndDoc(pd.hDC);
    } else {
      AbortDoc(pd.hDC);
    }
  } else {
    ShowPrintFailure(owner);
  }
  if (pd.hDC) DeleteDC(pd.hDC);
  if (pd.hDevMode) GlobalFree(pd.hDevMode);
  if (pd.hDevNames) GlobalFree(pd.hDevNames);
}
