// The page layout of list and tree printouts.
#include "print_services.h"
#include <shellapi.h>
#include <cstdio>
#include <cstring>

namespace {

// Tab stops in device units; negative stops right-align their column.
int kListStops[] = {-1650, -2150, -2600, -2870, 3000};
int kArchiveStops[] = {-1550, -2100, -2370, -2960, -3420, 3570};

HFONT MakeArial(HDC dc, int weight, int points) {
  LOGFONTA font = {};
  font.lfHeight = -(GetDeviceCaps(dc, LOGPIXELSY) * (points > 0 ? points : 10) / 72);
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  strcpy(font.lfFaceName, "Arial");
  return CreateFontIndirectA(&font);
}

// The line's tab-separated texts at the tab stops, as TabbedTextOut places them: the first at x,
// each next one left-aligned at origin + stop, or, for a negative stop, right-aligned there.
// (Drawn column by column: Wine's TabbedTextOut loses the columns after a few right-aligned stops.)
void DrawTabbedColumns(HDC dc, int x, int y, const char* text, const int* stops, int count, int origin) {
  UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP);
  int column = 0;
  const char* start = text;
  for (;;) {
    const char* end = strchr(start, '\t');
    int length = end ? static_cast<int>(end - start) : static_cast<int>(strlen(start));
    int at = x;
    if (column > 0) {
      int stop = stops[column - 1 < count ? column - 1 : count - 1];
      at = origin + (stop < 0 ? -stop : stop);
      if (stop < 0) {
        SIZE size = {};
        GetTextExtentPoint32A(dc, start, length, &size);
        at -= size.cx;
      }
    }
    if (length > 0) TextOutA(dc, at, y, start, length);
    if (!end) break;
    start = end + 1;
    ++column;
  }
  SetTextAlign(dc, align);
}

// The icon drawn with DrawIconEx on a white bitmap of its own size, then stretched onto the
// printer: printer drivers (Wine's among them) do not all take icons' masks directly.
void DrawIconOnPrinter(HDC printer, HICON icon, int x, int y, int width, int height) {
  int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  BITMAPINFO bmi = {};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = cx;
  bmi.bmiHeader.biHeight = cy;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC memory = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (memory && bitmap && bits) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    memset(bits, 0xFF, static_cast<size_t>(cx) * cy * 4);
    DrawIconEx(memory, 0, 0, icon, cx, cy, 0, nullptr, DI_NORMAL);
    GdiFlush();
    StretchDIBits(printer, x, y, width, height, 0, 0, cx, cy, bits, &bmi, DIB_RGB_COLORS, SRCCOPY);
    SelectObject(memory, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
}

void SelectNormal(PrintLayout* layout) {
  if (layout->normalFont) SelectObject(layout->dc, layout->normalFont);
}

// Ends the full page and starts the next with its header.
void NextPage(PrintLayout* layout) {
  if (layout->failed) return;
  if (EndPage(layout->dc) <= 0 || StartPage(layout->dc) <= 0) {
    layout->failed = TRUE;
    return;
  }
  SelectNormal(layout);
  layout->line = 3;
  ++layout->page;
  PrintPageHeader(layout);
}

void CheckPageFull(PrintLayout* layout) {
  if (layout->line > layout->linesPerPage - 3) NextPage(layout);
}

std::string ItemText(HWND list, int item, int subitem) {
  char buffer[1024] = "";
  LVITEMA lvi = {};
  lvi.iSubItem = subitem;
  lvi.pszText = buffer;
  lvi.cchTextMax = sizeof buffer;
  SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lvi));
  buffer[sizeof buffer - 1] = '\0';
  return buffer;
}

}  // namespace

void SetupPrintFonts(PrintLayout* layout, HDC dc) {
  layout->dc = dc;
  layout->normalFont = MakeArial(dc, FW_NORMAL, layout->fontPoints);
  layout->boldFont = MakeArial(dc, FW_BOLD, layout->fontPoints);
  layout->previousFont = static_cast<HFONT>(SelectObject(dc, layout->normalFont));
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  layout->lineHeight = metrics.tmHeight < 1 ? 10 : metrics.tmHeight;
  layout->charWidth = metrics.tmAveCharWidth;
  layout->linesPerPage = GetDeviceCaps(dc, VERTRES) / layout->lineHeight;
  if (layout->linesPerPage < 6) layout->linesPerPage = 6;
  layout->leftMargin = GetDeviceCaps(dc, LOGPIXELSX) / 2;
  layout->page = 1;
  layout->line = 3;
}

void ReleasePrintFonts(PrintLayout* layout) {
  if (layout->dc && layout->previousFont) SelectObject(layout->dc, layout->previousFont);
  if (layout->normalFont) DeleteObject(layout->normalFont);
  if (layout->boldFont) DeleteObject(layout->boldFont);
  layout->normalFont = layout->boldFont = layout->previousFont = nullptr;
}

void PrintPageHeader(PrintLayout* layout) {
  if (layout->failed) return;
  if (layout->boldFont) SelectObject(layout->dc, layout->boldFont);
  char date[80] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  char label[300] = "";
  if (layout->texts) snprintf(label, sizeof label, layout->texts->pageLabel.c_str(), date, layout->page);
  std::string line0 = layout->title + label;
  // The header lines do not move the body line.
  int kept = layout->line;
  PrintTextLine(layout, line0.c_str(), 2);
  int kind = layout->listKind < 0 || layout->listKind > 2 ? 1 : layout->listKind;
  PrintTextLine(layout, layout->texts ? layout->texts->columnHeader[kind].c_str() : "", 3);
  layout->line = kept;
  SelectNormal(layout);
}

void PrintTextLine(PrintLayout* layout, const char* text, int placement) {
  if (layout->failed) return;
  int y = 0;
  if (placement == 1) {
    ++layout->line;
    y = layout->line * layout->lineHeight;
  } else if (placement == 3) {
    y = 2 * layout->lineHeight;
  }
  const int* stops = layout->listKind == kPrintListArchive ? kArchiveStops : kListStops;
  int count = layout->listKind == kPrintListArchive ? 6 : 5;
  if (!layout->stops.empty()) {
    stops = layout->stops.data();
    count = static_cast<int>(layout->stops.size());
  }
  DrawTabbedColumns(layout->dc, layout->leftMargin, y, text, stops, count, layout->leftMargin);
  if (placement == 1) CheckPageFull(layout);
}

void PrintListLines(PrintLayout* layout, HWND list, BOOL selectedOnly, const std::vector<int>& columns) {
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  if (count <= 0 || layout->listKind < 0) return;
  PrintPageHeader(layout);
  UINT flags = selectedOnly ? LVNI_SELECTED : LVNI_ALL;
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), flags));
       i >= 0 && !layout->failed;
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, flags))) {
    std::string text;
    if (layout->listKind == kPrintListNameOnly || columns.empty()) {
      text = ItemText(list, i, columns.empty() ? 0 : columns[0]);
    } else {
      for (size_t c = 0; c < columns.size(); ++c) {
        if (c) text += '\t';
        text += ItemText(list, i, columns[c]);
      }
    }
    PrintTextLine(layout, text.c_str(), 1);
  }
}

void PrintTreeItem(PrintLayout* layout, LPCITEMIDLIST absolute, int depth) {
  if (layout->failed) return;
  ++layout->line;
  int y = layout->line * layout->lineHeight;
  int x = layout->leftMargin + layout->charWidth * depth * 3;
  SHFILEINFOA info = {};
  if (absolute && SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof info,
                                 SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON | SHGFI_DISPLAYNAME)) {
    if (info.hIcon) {
      DrawIconOnPrinter(layout->dc, info.hIcon, x, y, static_cast<int>(layout->charWidth * 2.2),
                        static_cast<int>(layout->lineHeight * 0.85));
      // Each item's icon is the caller's to release.
      DestroyIcon(info.hIcon);
    }
  }
  info.szDisplayName[sizeof info.szDisplayName - 1] = '\0';
  UINT align = SetTextAlign(layout->dc, TA_LEFT | TA_TOP);
  TextOutA(layout->dc, x + 3 * layout->charWidth, y, info.szDisplayName,
           static_cast<int>(strlen(info.szDisplayName)));
  SetTextAlign(layout->dc, align);
  CheckPageFull(layout);
}

void PrintTreeLines(PrintLayout* layout, HWND tree, HTREEITEM start, BOOL wholeTree,
                    TreeNodePidl pidlOf) {
  if (wholeTree || !start) start = TreeView_GetRoot(tree);
  if (!start) return;
  PrintPageHeader(layout);
  // An explicit walk: descend into expanded nodes, then go on with the next sibling, climbing
  // back up when a level ends.
  std::vector<HTREEITEM> parents;
  HTREEITEM node = start;
  int depth = 0;
  while (node && !layout->failed) {
    PrintTreeItem(layout, pidlOf ? pidlOf(tree, node) : nullptr, depth);
    UINT state = TreeView_GetItemState(tree, node, TVIS_EXPANDED);
    HTREEITEM child = (state & TVIS_EXPANDED) ? TreeView_GetChild(tree, node) : nullptr;
    if (child) {
      parents.push_back(node);
      ++depth;
      node = child;
      continue;
    }
    // Next sibling, or the next sibling of the nearest ancestor below the start.
    for (;;) {
      if (depth == 0) {
        node = wholeTree ? TreeView_GetNextSibling(tree, node) : nullptr;
        break;
      }
      HTREEITEM next = TreeView_GetNextSibling(tree, node);
      if (next) {
        node = next;
        break;
      }
      node = parents.back();
      parents.pop_back();
      --depth;
    }
  }
}
