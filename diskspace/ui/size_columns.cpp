// The size columns: records and their persisted states, the header, the row painter and the
// sort order of the tree.
#include "size_columns.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include "disk_query.h"
#include "drive_list.h"
#include "folder_node.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"

const StandardColumn kStandardColumns[10] = {
    {kColName, 0},
    {kColTotal, 0xC5E},  // with the percentage of the parent that the column is for
    {kColFiles, 0xC02},
    {kColSubfolders, 0xD02},
    {kColFileCount, 0x140},
    {kColSubfolderCount, 0x140},
    {kColLastAccess, 0x1100},
    {kColLastWrite, 0x1000},
    {kColCreated, 0x1100},
    {kColCapacity, 0x502},
};

namespace {

ColumnRecord* g_columns[kMaxColumns];
int g_columnCount = 0;
int g_sortIndex = 0;
HWND g_header = nullptr;
HBITMAP g_sortBitmaps[2];  // 0 descending (119), 1 ascending (120)
HFONT g_fonts[2];
HBRUSH g_barBrush, g_overBrush;
double g_largestCount = 0;
double g_findCapacity = 0;

ColumnRecord* NewColumn(uint32_t typeId, uint32_t flags) {
  auto* c = new ColumnRecord;
  c->typeId = typeId;
  c->flags = flags;
  c->ascending = typeId == kColName ? 1 : 0;
  ColumnState state;
  if (ReadColumnState(typeId, &state)) {
    c->flags = (c->flags & ~kColUserFlags) | (state.flags & kColUserFlags);
    c->width = (int32_t)state.width;
    c->barScale = state.barScale ? state.barScale : 1;
    c->position = state.position;
    c->ascending = state.ascending ? 1 : 0;
  }
  return c;
}

bool NodeSumsOf(FolderNode* node, NodeSums* s) { return IsFolderNode(node) && ReadNodeSums(node, s); }

uint64_t TotalOf(const NodeSums& s) {
  return g_settings.sizeOnDisk ? s.filesAllocated + s.subfoldersAllocated
                               : s.filesSize + s.subfoldersSize;
}

void DrawCentred(HDC dc, const RECT& cell, const char* text) {
  RECT r = cell;
  DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

HFONT TreeFont(bool bold) { return g_fonts[bold ? 1 : 0] ? g_fonts[bold ? 1 : 0] : (HFONT)GetStockObject(DEFAULT_GUI_FONT); }

void CreatePaneDrawingObjects(HWND window) {
  HDC dc = GetDC(window);
  int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(window, dc);
  for (int i = 0; i < 2; ++i) {
    if (g_fonts[i]) DeleteObject(g_fonts[i]);
    // The face of the program's tree fonts; the system maps it to a CJK font where needed.
    g_fonts[i] = CreateFontA(height, 0, 0, 0, i ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  }
  RecreateSizePaneBrushes();
}

void RecreateSizePaneBrushes() {
  if (g_barBrush) DeleteObject(g_barBrush);
  if (g_overBrush) DeleteObject(g_overBrush);
  g_barBrush = CreateSolidBrush(g_settings.colour1);
  g_overBrush = CreateSolidBrush(g_settings.colour2);
}

void FreePaneDrawingObjects() {
  for (HFONT& f : g_fonts) if (f) { DeleteObject(f); f = nullptr; }
  if (g_barBrush) DeleteObject(g_barBrush);
  if (g_overBrush) DeleteObject(g_overBrush);
  g_barBrush = g_overBrush = nullptr;
  for (HBITMAP& b : g_sortBitmaps) if (b) { DeleteObject(b); b = nullptr; }
}

void ResetFindCapacity() { g_findCapacity = 0; }

// ---------------------------------------------------------------------------------------------
// The column set

void CreateColumnSet(HWND header) {
  FreeColumnSet();
  g_header = header;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (!g_sortBitmaps[0]) {
    g_sortBitmaps[0] = (HBITMAP)LoadImageA(inst, MAKEINTRESOURCEA(IDB_SORT_DOWN), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
    g_sortBitmaps[1] = (HBITMAP)LoadImageA(inst, MAKEINTRESOURCEA(IDB_SORT_UP), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
  }
  for (const StandardColumn& sc : kStandardColumns) {
    ColumnRecord* c = NewColumn(sc.typeId, sc.flags);
    if (sc.typeId == kColName) {
      c->position = 0;
      if (c->width <= 0) c->width = 220;
      if (c->width < 100) c->width = 100;
    } else if (c->position == 0) {
      c->position = (uint8_t)(g_columnCount);
    }
    g_columns[g_columnCount++] = c;
  }
  std::stable_sort(g_columns + 1, g_columns + g_columnCount,
                   [](const ColumnRecord* a, const ColumnRecord* b) { return a->position < b->position; });
  int sort = g_settings.sortColumn;
  g_sortIndex = (sort != 0 && sort < g_columnCount) ? sort : 0;
  if (header) BuildHeaderItems(true);
}

void FreeColumnSet() {
  for (int i = 0; i < g_columnCount; ++i) delete g_columns[i];
  g_columnCount = 0;
  g_sortIndex = 0;
}

int GetColumnCount() { return g_columnCount; }
ColumnRecord* GetColumn(int index) { return index >= 0 && index < g_columnCount ? g_columns[index] : nullptr; }
ColumnRecord* GetSortColumn() { return GetColumn(g_sortIndex); }
int GetSortColumnIndex() { return g_sortIndex; }

ColumnRecord* FindColumnByType(uint32_t typeId) {
  for (int i = 0; i < g_columnCount; ++i)
    if (g_columns[i]->typeId == typeId) return g_columns[i];
  return nullptr;
}

int VisibleSizeColumns(ColumnRecord** out, int max) {
  int n = 0;
  for (int i = 1; i < g_columnCount && n < max; ++i)
    if (!(g_columns[i]->flags & (kColHidden | kColScrolledOut))) out[n++] = g_columns[i];
  return n;
}

int ShownColumnWidth(const ColumnRecord* c) {
  int full = std::max<int>(c->minWidth, c->width);
  return c->scrolledWidth >= 0 && c->scrolledWidth < full ? c->scrolledWidth : full;
}
int NameColumnWidth() { return g_columnCount ? g_columns[0]->width : 220; }
void SetNameColumnWidth(int width) { if (g_columnCount) g_columns[0]->width = std::max(width, 100); }

static void MeasureColumn(ColumnRecord* c) {
  if (c->typeId == kColName) return;
  char title[128];
  LoadStringA(GetModuleHandleA(nullptr), c->typeId, title, sizeof title);
  HWND measureWindow = g_voltaly.mainTree ? g_voltaly.mainTree : g_header;
  int width = c->width;
  if (ComputeColumnWidth(measureWindow, c->flags, title, &c->textWidth, &c->neededWidth, &width)) {
    // Room for the margins, and for the title with the sort mark beside it.
    c->neededWidth += 10;
    int titleWidth = MeasureText(measureWindow, title).cx + 28;
    c->width = std::max({width, c->neededWidth, titleWidth});
  }
}

void BuildHeaderItems(bool measure) {
  for (int i = 0; i < g_columnCount; ++i) g_columns[i]->position = (uint8_t)i;
  if (!g_header) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  while (SendMessageA(g_header, HDM_GETITEMCOUNT, 0, 0) > 0) SendMessageA(g_header, HDM_DELETEITEM, 0, 0);
  int index = 0;
  for (int i = 0; i < g_columnCount; ++i) {
    ColumnRecord* c = g_columns[i];
    if (i > 0 && (c->flags & (kColHidden | kColScrolledOut))) continue;
    if (measure) MeasureColumn(c);
    char title[128];
    LoadStringA(inst, c->typeId, title, sizeof title);
    HDITEMA item{};
    item.mask = HDI_TEXT | HDI_FORMAT | HDI_WIDTH | HDI_LPARAM;
    item.pszText = title;
    item.cxy = i == 0 ? c->width : ShownColumnWidth(c);
    item.fmt = (i == 0 ? HDF_LEFT : HDF_CENTER) | HDF_STRING;
    item.lParam = (LPARAM)c;
    if (i == g_sortIndex) {
      item.mask |= HDI_BITMAP;
      item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
      item.hbm = g_sortBitmaps[c->ascending ? 1 : 0];
    }
    c->headerIndex = (uint8_t)index;
    SendMessageA(g_header, HDM_INSERTITEMA, index++, (LPARAM)&item);
  }
}

void RebuildHeaderLayout() {
  BuildHeaderItems(true);
  if (g_voltaly.mainWindow) RelayoutWindow(g_voltaly.mainWindow);
  RepaintAllRows();
}

void SetSortColumn(int index) {
  if (index < 0 || index >= g_columnCount) index = 0;
  g_sortIndex = index;
}

void SaveColumnStates() {
  for (int i = 0; i < g_columnCount; ++i) {
    const ColumnRecord* c = g_columns[i];
    ColumnState state;
    state.flags = c->flags & kColUserFlags;
    state.width = (uint32_t)c->width;
    state.barScale = c->barScale;
    state.position = (uint8_t)i;
    state.ascending = c->ascending;
    WriteColumnState(c->typeId, state);
  }
}

int CopyColumnRecords(ColumnRecord* out, int max) {
  int n = std::min(max, g_columnCount);
  for (int i = 0; i < n; ++i) out[i] = *g_columns[i];
  return n;
}

void RestoreColumnRecords(const ColumnRecord* records, int count) {
  // The backup holds the records in their old order: put each back into its own slot.
  for (int i = 0; i < count && i < g_columnCount; ++i) {
    ColumnRecord* target = FindColumnByType(records[i].typeId);
    if (target) { HPROPSHEETPAGE page = target->page; HWND window = target->pageWindow; *target = records[i]; target->page = page; target->pageWindow = window; }
  }
  ColumnRecord* order[kMaxColumns];
  int n = 0;
  for (int i = 0; i < count; ++i)
    if (ColumnRecord* c = FindColumnByType(records[i].typeId)) order[n++] = c;
  ReorderColumns(order, n);
}

void ReorderColumns(ColumnRecord* const* order, int count) {
  ColumnRecord* sortColumn = GetSortColumn();
  if (count != g_columnCount) return;
  for (int i = 0; i < count; ++i) g_columns[i] = order[i];
  g_sortIndex = 0;
  for (int i = 0; i < g_columnCount; ++i) if (g_columns[i] == sortColumn) g_sortIndex = i;
}

// ---------------------------------------------------------------------------------------------
// Values and painting

uint64_t ShownTotal(FolderNode* node) {
  NodeSums s;
  return NodeSumsOf(node, &s) ? TotalOf(s) : 0;
}

namespace {

struct CellValue {
  double value = -1;   // < 0: none
  uint64_t exact = 0;  // the same value as a 64-bit integer (sizes and counts)
  bool final = false;
  bool isDate = false;
  FILETIME date{};
};

CellValue ValueOf(const ColumnRecord* c, FolderNode* node, const NodeSums& s) {
  CellValue v;
  uint64_t files = g_settings.sizeOnDisk ? s.filesAllocated : s.filesSize;
  uint64_t subs = g_settings.sizeOnDisk ? s.subfoldersAllocated : s.subfoldersSize;
  bool listed = (s.flags & kNodeFilesListed) != 0;
  bool complete = (s.flags & kNodeSubtreeComplete) != 0;
  auto set = [&v](uint64_t x, bool final) {
    v.exact = x;
    v.value = (double)x;
    v.final = final;
  };
  switch (c->typeId) {
    case kColTotal: set(files + subs, complete && listed); break;
    case kColFiles: set(files, listed); break;
    case kColSubfolders: set(subs, complete); break;
    case kColCapacity:
      if (DriveNode* d = AsDrive(node)) {
        v.value = std::max(d->totalBytes, (double)(files + subs));
        v.exact = d->totalBytes > (double)(files + subs) ? (uint64_t)d->totalBytes : files + subs;
        v.final = true;
      }
      break;
    case kColSubfolderCount: set(s.subfolderCount, complete); break;
    case kColFileCount: set(s.fileCount, listed); break;
    case kColLastAccess: v.isDate = true; v.date = s.newestAccess; v.final = true; break;
    case kColLastWrite: v.isDate = true; v.date = s.newestWrite; v.final = true; break;
    case kColCreated: v.isDate = true; v.date = s.created; v.final = true; break;
    default: {
      char trace[48];
      wsprintfA(trace, "Unknown column %d", (int)c->typeId);
      TraceMessage(1, trace);
    }
  }
  return v;
}

double PercentBase(const ColumnRecord* c, FolderNode* node) {
  if (!(c->flags & kColPercent)) return 0;
  if (DriveNode* d = AsDrive(node)) return d->totalBytes;
  FolderNode* parent = ParentNode(node);
  return IsFolderNode(parent) ? (double)ShownTotal(parent) : 0;
}

bool FormatValue(const ColumnRecord* c, const CellValue& v, double base, char* out, int size) {
  char number[64];
  if (c->flags & kColSize) {
    if (g_settings.sizeUnits && !(c->flags & kColNoUnits))
      FormatSizeWithUnits(v.value, number);
    else
      FormatThousands64(v.exact, number);
  } else {
    snprintf(number, sizeof number, "%llu", (unsigned long long)v.exact);
  }
  char percent[32] = "";
  if (base > 0) snprintf(percent, sizeof percent, " (%02.0f%%)", v.value / base * 100.0);
  snprintf(out, size, "%s%s%s", v.final ? " " : ">", number, percent);
  return true;
}

}  // namespace

bool FormatColumnValue(const ColumnRecord* column, FolderNode* node, char* out, int size) {
  out[0] = 0;
  NodeSums s;
  if (!column || !NodeSumsOf(node, &s)) return false;
  if (s.calcState == kCalcNever) { snprintf(out, size, "---"); return true; }
  CellValue v = ValueOf(column, node, s);
  if (column->flags & kColText) {
    if (IsDriveNode(node)) { snprintf(out, size, "---"); return true; }
    char date[40] = "";
    FormatDateText(v.date, date);
    snprintf(out, size, "%s", date);
    return true;
  }
  if (v.value < 0) return false;
  return FormatValue(column, v, PercentBase(column, node), out, size);
}

void PaintSizeRow(HWND tree, FolderNode* node, HDC dc, const RECT* row, double scale) {
  NodeSums s;
  if (!NodeSumsOf(node, &s) || !node->drive) return;
  COLORREF saved = GetTextColor(dc);
  bool tagged = IsTagActive() &&
                MatchesCriteria(&g_settings.tagCriteria, &g_tagTargets, node);
  ColumnRecord* columns[kMaxColumns];
  int n = VisibleSizeColumns(columns, kMaxColumns);
  double right = row->left;
  bool findView = tree && tree == g_voltaly.searchTree;
  for (int i = 0; i < n; ++i) {
    ColumnRecord* c = columns[i];
    double left = right;
    right += ShownColumnWidth(c) * scale;
    RECT cell = {(LONG)left, row->top, (LONG)right, row->bottom};
    if (s.calcState == kCalcNever) {
      SetTextColor(dc, saved);
      DrawCentred(dc, cell, "---");
      continue;
    }
    CellValue v = ValueOf(c, node, s);
    COLORREF colour = v.final ? saved : GetSysColor(COLOR_GRAYTEXT);
    if (tagged) colour = g_settings.colour3;
    SetTextColor(dc, colour);
    if (c->flags & kColText) {
      if (IsDriveNode(node)) { DrawCentred(dc, cell, "---"); continue; }
      char date[40] = "";
      FormatDateText(v.date, date);
      RECT r = cell;
      r.right -= 2;
      DrawTextA(dc, date, -1, &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      continue;
    }
    if (v.value < 0) continue;
    if (v.value == 0 && !(c->flags & kColShowZero)) continue;
    // The bar first, so that the number stays readable over it.
    if (c->flags & kColBar) {
      double available = (ShownColumnWidth(c) - (double)c->barReserve) * scale;
      double maximum;
      if (!(c->flags & kColSize)) {
        g_largestCount = std::max(g_largestCount, v.value);
        maximum = g_largestCount;
      } else if (IsDriveNode(node) || (c->flags & kColBarDrive)) {
        DriveNode* d = node->drive;
        maximum = d ? d->totalBytes : 0;
        if (findView) {
          g_findCapacity = std::max(g_findCapacity, maximum);
          maximum = g_findCapacity;
        }
      } else {
        FolderNode* parent = ParentNode(node);
        maximum = IsFolderNode(parent) ? (double)ShownTotal(parent) : 0;
      }
      double value = v.value;
      if (c->flags & kColFourthRoot) { value = std::sqrt(std::sqrt(value)); maximum = std::sqrt(std::sqrt(maximum)); }
      if (maximum > 0 && available > 0) {
        double length = value / maximum * available * c->barScale;
        bool over = length > available;
        if (over) length = available;
        if (length >= 1) {
          RECT bar = {(LONG)left, row->top + 1, (LONG)(left + length), row->bottom - 1};
          FillRect(dc, &bar, over ? g_overBrush : g_barBrush);
          DrawEdge(dc, &bar, BDR_RAISEDINNER, BF_RECT);
        }
      }
    }
    char text[96];
    FormatValue(c, v, PercentBase(c, node), text, sizeof text);
    RECT r = cell;
    r.right -= 2;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
  }
  SetTextColor(dc, saved);
}

// ---------------------------------------------------------------------------------------------
// Sorting

int CompareTreeItems(FolderNode* a, FolderNode* b, const ColumnRecord* column) {
  NodeSums sa{}, sb{};
  bool va = NodeSumsOf(a, &sa), vb = NodeSumsOf(b, &sb);
  int result = 0;
  if (va && vb && column) {
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (x > y ? 1 : 0); };
    switch (column->typeId) {
      case kColTotal: result = cmp(TotalOf(sa), TotalOf(sb)); break;
      case kColFiles:
        result = g_settings.sizeOnDisk ? cmp(sa.filesAllocated, sb.filesAllocated) : cmp(sa.filesSize, sb.filesSize);
        break;
      case kColSubfolders:
        result = g_settings.sizeOnDisk ? cmp(sa.subfoldersAllocated, sb.subfoldersAllocated)
                                       : cmp(sa.subfoldersSize, sb.subfoldersSize);
        break;
      case kColSubfolderCount: result = cmp(sa.subfolderCount, sb.subfolderCount); break;
      case kColFileCount: result = cmp(sa.fileCount, sb.fileCount); break;
      case kColLastAccess: result = CompareFileTime(&sa.newestAccess, &sb.newestAccess); break;
      case kColLastWrite: result = CompareFileTime(&sa.newestWrite, &sb.newestWrite); break;
      case kColCreated: result = CompareFileTime(&sa.created, &sb.created); break;
      case kColName: break;
      default: break;
    }
    if (column->typeId == kColName) {
      const wchar_t* na = a->name ? a->name : L"";
      const wchar_t* nb = b->name ? b->name : L"";
      result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, na, -1, nb, -1) - CSTR_EQUAL;
    }
    if (result != 0 && !column->ascending) result = -result;
  }
  if (result == 0 && va && vb) {
    const wchar_t* na = a->name ? a->name : L"";
    const wchar_t* nb = b->name ? b->name : L"";
    result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, na, -1, nb, -1) - CSTR_EQUAL;
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// Header notifications

BOOL OnHeaderNotify(NMHDR* hdr) {
  switch (hdr->code) {
    case HDN_ENDTRACKA:
    case HDN_ENDTRACKW: {
      auto* nm = (NMHEADERA*)hdr;
      if (!nm->pitem || !(nm->pitem->mask & HDI_WIDTH)) return TRUE;
      HDITEMA item{};
      item.mask = HDI_LPARAM | HDI_WIDTH;
      SendMessageA(g_header, HDM_GETITEMA, nm->iItem, (LPARAM)&item);
      auto* c = (ColumnRecord*)item.lParam;
      if (!c) { TraceMessage(1, "No info on column."); return TRUE; }
      int width = nm->pitem->cxy;
      if (c->typeId == kColName) {
        if (width == 0) { TraceMessage(1, "Trying to resize treeview by 0."); return TRUE; }
        if (width == c->width) return TRUE;
        c->width = std::max(width, 100);
      } else {
        if (width == ShownColumnWidth(c)) return TRUE;
        if (width < (int)c->barReserve) width = (int)c->barReserve;
        c->width = width;
        c->minWidth = std::min<int32_t>(c->minWidth, width);
      }
      BuildHeaderItems(false);
      RelayoutWindow(g_voltaly.mainWindow);
      RepaintAllRows();
      return TRUE;
    }
    case HDN_ITEMCLICKA:
    case HDN_ITEMCLICKW: {
      auto* nm = (NMHEADERA*)hdr;
      HDITEMA item{};
      item.mask = HDI_LPARAM;
      SendMessageA(g_header, HDM_GETITEMA, nm->iItem, (LPARAM)&item);
      auto* c = (ColumnRecord*)item.lParam;
      if (!c) return TRUE;
      int index = 0;
      for (int i = 0; i < g_columnCount; ++i) if (g_columns[i] == c) index = i;
      if (index == g_sortIndex) c->ascending = !c->ascending;
      else if (c->typeId == kColCapacity) return TRUE;
      g_sortIndex = index;
      BuildHeaderItems(false);
      if (g_voltaly.currentTree) RebuildTreeView(TVI_ROOT);
      UpdateTreeStatusBar(g_voltaly.currentNode);
      return TRUE;
    }
    case NM_RCLICK: {
      POINT pt;
      GetCursorPos(&pt);
      POINT client = pt;
      ScreenToClient(g_header, &client);
      HDHITTESTINFO hit{};
      hit.pt = client;
      int item = (int)SendMessageA(g_header, HDM_HITTEST, 0, (LPARAM)&hit);
      int position = 0;
      RECT rc{};
      if (item >= 0) {
        HDITEMA hi{};
        hi.mask = HDI_LPARAM;
        SendMessageA(g_header, HDM_GETITEMA, item, (LPARAM)&hi);
        for (int i = 0; i < g_columnCount; ++i) if (g_columns[i] == (ColumnRecord*)hi.lParam) position = i;
        SendMessageA(g_header, HDM_GETITEMRECT, item, (LPARAM)&rc);
      }
      HINSTANCE inst = GetModuleHandleA(nullptr);
      HMENU menu = CreatePopupMenu();
      char text[128];
      LoadStringA(inst, IDS_DISK_INFO_MENU, text, sizeof text);
      AppendMenuA(menu, MF_STRING, CMD_DISK_INFO, text);
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      LoadStringA(inst, IDS_COLUMN_SETTINGS, text, sizeof text);
      AppendMenuA(menu, MF_STRING, CMD_COLUMN_PAGE_FIRST + position, text);
      AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      LoadStringA(inst, IDS_FIND_FOLDERS_MENU, text, sizeof text);
      AppendMenuA(menu, MF_STRING, CMD_FIND_FOLDERS, text);
      LoadStringA(inst, IDS_TAG_FOLDERS_MENU, text, sizeof text);
      AppendMenuA(menu, MF_STRING, CMD_TAG_FOLDERS, text);
      POINT at = {rc.left, rc.bottom};
      ClientToScreen(g_header, &at);
      UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                            at.x, at.y, g_voltaly.mainWindow, nullptr);
      DestroyMenu(menu);
      if (chosen) PostMessageA(g_voltaly.mainWindow, WM_COMMAND, chosen, 0);
      return TRUE;
    }
  }
  return FALSE;
}

void InstallTreeColumnHooks() {
  TreeColumnHooks hooks;
  hooks.visibleSizeColumns = VisibleSizeColumns;
  hooks.nameColumnWidth = NameColumnWidth;
  hooks.shownColumnWidth = ShownColumnWidth;
  hooks.formatColumnValue = FormatColumnValue;
  hooks.paintSizeRow = PaintSizeRow;
  SetTreeColumnHooks(hooks);
}
