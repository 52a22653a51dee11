// The result list: one item per match, with its full path, acted on like files in a folder.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "finder.h"
#include "number_format.h"
#include "resource.h"
#include "path_list_data.h"
#include "seams.h"
#include "search_matcher.h"
#include "search_worker.h"

namespace {

struct ResultItem {
  std::string path;
  FILETIME lastWrite{};
  uint64_t size = 0;
  uint32_t attributes = 0;
  std::string typeName;
  bool typeKnown = false;
  int icon = kIconUnknown;  // index in the system's small image list, once asked
  static constexpr int kIconUnknown = -2;
};

uint64_t g_totalBytes = 0;
// Drawing of the list is off while found items are added (see AddFoundResults), and whether the
// timer that turns it on again is set.
bool g_listFrozen = false, g_refreshArmed = false;
void DiscardPendingResults();
const int kDefaultWidths[8] = {170, 50, 80, 90, 70, 60, 50, 300};

ResultItem* ItemData(int index) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageA(g_finder.list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<ResultItem*>(item.lParam);
}

const char* NamePart(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return std::string();
  return path.substr(0, slash + 1);
}

const char* Extension(const char* name) {
  const char* dot = strrchr(name, '.');
  return dot ? dot : "";
}

const std::string& TypeName(ResultItem* r) {
  if (!r->typeKnown) {
    r->typeKnown = true;
    if (r->path.compare(0, 2, "\\\\") != 0) {
      SHFILEINFOA info{};
      if (SHGetFileInfoA(r->path.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME)) r->typeName.assign(info.szTypeName, strnlen(info.szTypeName, 19));
    }
  }
  return r->typeName;
}

SYSTEMTIME LocalStamp(const FILETIME& stamp) {
  FILETIME local;
  SYSTEMTIME st{};
  FileTimeToLocalFileTime(&stamp, &local);
  FileTimeToSystemTime(&local, &st);
  return st;
}

int CompareNames(ResultItem* a, ResultItem* b) {
  const char* x = NamePart(a->path);
  const char* y = NamePart(b->path);
  // The same name in many folders is common, and the locale's compare is slow.
  return strcmp(x, y) == 0 ? 0 : lstrcmpiA(x, y);
}

int CALLBACK CompareResultItems(LPARAM pa, LPARAM pb, LPARAM column) {
  auto* a = reinterpret_cast<ResultItem*>(pa);
  auto* b = reinterpret_cast<ResultItem*>(pb);
  int r = 0;
  switch (column) {
    case 0: r = CompareNames(a, b); break;
    case 1: r = lstrcmpiA(Extension(NamePart(a->path)), Extension(NamePart(b->path))); break;
    case 2: r = a->size < b->size ? -1 : a->size > b->size ? 1 : 0; break;
    case 3: r = lstrcmpiA(TypeName(a).c_str(), TypeName(b).c_str()); break;
    case 4: r = CompareFileTime(&a->lastWrite, &b->lastWrite); break;
    case 5: {
      SYSTEMTIME x = LocalStamp(a->lastWrite), y = LocalStamp(b->lastWrite);
      int tx = (x.wHour * 60 + x.wMinute) * 60 + x.wSecond, ty = (y.wHour * 60 + y.wMinute) * 60 + y.wSecond;
      r = tx < ty ? -1 : tx > ty ? 1 : 0;
      break;
    }
    case 6: r = a->attributes < b->attributes ? -1 : a->attributes > b->attributes ? 1 : 0; break;
    case 7: r = lstrcmpiA(FolderOf(a->path).c_str(), FolderOf(b->path).c_str()); break;
  }
  if (g_finder.store.global.sortDescending) r = -r;
  // Equal items are ordered by name (the name column has had its say already).
  return r || column == 0 ? r : CompareNames(a, b);
}

void MakeColumns() {
  if (g_finder.columnsMade) return;
  g_finder.columnsMade = true;
  const int formats[8] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_RIGHT, LVCFMT_CENTER, LVCFMT_LEFT};
  for (int i = 0; i < 8; ++i) {
    std::string title = FinderString(IDS_COLUMN_NAME + i);
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    c.fmt = formats[i];
    c.cx = g_finder.store.columnsRead && g_finder.store.columns[i] > 0 ? g_finder.store.columns[i] : kDefaultWidths[i];
    c.pszText = const_cast<char*>(title.c_str());
    c.iSubItem = i;
    SendMessageA(g_finder.list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
  }
}

void SaveColumnWidths() {
  if (!g_finder.columnsMade) return;
  for (int i = 0; i < 8; ++i) g_finder.store.columns[i] = ListView_GetColumnWidth(g_finder.list, i);
  g_finder.store.columnsRead = true;
}

void EndLabelEdit(NMLVDISPINFOA* info) {
  if (!info->item.pszText) return;
  ResultItem* r = ItemData(info->item.iItem);
  if (!r) return;
  // A name only: separators or wildcards would move the file somewhere else.
  if (!IsPlainFileName(info->item.pszText)) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  std::string target = FolderOf(r->path) + info->item.pszText;
  if (target.size() >= MAX_PATH || !MoveFileA(r->path.c_str(), target.c_str())) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  r->path = target;
  r->typeKnown = false;
  r->icon = ResultItem::kIconUnknown;
  ListView_SetItemText(g_finder.list, info->item.iItem, 0, LPSTR_TEXTCALLBACKA);
}

void OpenItem(int index) {
  ResultItem* r = ItemData(index);
  if (!r) return;
  std::string folder = FolderOf(r->path);
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.hwnd = g_finder.main;
  sei.lpFile = r->path.c_str();
  sei.lpDirectory = folder.c_str();
  sei.nShow = SW_SHOWNORMAL;
  if (!seams::ShellExecuteExA(&sei)) MessageBeep(MB_ICONEXCLAMATION);
}

}  // namespace

std::string DisplayName(const char* name) {
  std::string s(name ? name : "");
  for (char c : s)
    if (c >= 'a' && c <= 'z') return s;
  for (size_t i = 1; i < s.size(); ++i)
    if (s[i] >= 'A' && s[i] <= 'Z') s[i] = static_cast<char>(s[i] + 32);
  return s;
}

bool IsPlainFileName(const char* name) {
  if (!name || !*name) return false;
  if (strpbrk(name, "\\/:*?\"<>|")) return false;
  return strcmp(name, ".") != 0 && strcmp(name, "..") != 0;
}

HWND CreateResultList(HWND parent, UINT viewCommand) {
  DWORD view = viewCommand == IDM_VIEW_LARGE ? LVS_ICON
               : viewCommand == IDM_VIEW_SMALL ? LVS_SMALLICON
               : viewCommand == IDM_VIEW_LIST  ? LVS_LIST
                                                : LVS_REPORT;
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_AUTOARRANGE |
                                  LVS_EDITLABELS | view,
                              0, 0, 0, 0, parent, reinterpret_cast<HMENU>(IDC_RESULT_LIST), g_finder.instance, nullptr);
  if (!list) return nullptr;
  g_finder.list = list;
  // A new list (after an earlier window) starts drawn, with nothing waiting.
  DiscardPendingResults();
  g_listFrozen = g_refreshArmed = false;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  HIMAGELIST large = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  HIMAGELIST small = reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ListView_SetImageList(list, large, LVSIL_NORMAL);
  ListView_SetImageList(list, small, LVSIL_SMALL);
  if (view == LVS_REPORT) {
    g_finder.store.global.viewCommand = IDM_VIEW_DETAILS;
    MakeColumns();
  }
  return list;
}

void SetResultView(UINT viewCommand) {
  if (g_finder.store.global.viewCommand == IDM_VIEW_DETAILS && viewCommand != IDM_VIEW_DETAILS) SaveColumnWidths();
  DWORD view = viewCommand == IDM_VIEW_LARGE ? LVS_ICON
               : viewCommand == IDM_VIEW_SMALL ? LVS_SMALLICON
               : viewCommand == IDM_VIEW_LIST  ? LVS_LIST
                                                : LVS_REPORT;
  LONG_PTR style = GetWindowLongPtrA(g_finder.list, GWL_STYLE);
  SetWindowLongPtrA(g_finder.list, GWL_STYLE, (style & ~LVS_TYPEMASK) | view);
  g_finder.store.global.viewCommand = viewCommand;
  if (view == LVS_REPORT) MakeColumns();
}

namespace {

ResultItem* MakeResultItem(const char* path, const WIN32_FIND_DATAA& data) {
  auto* r = new ResultItem;
  r->path = path;
  r->lastWrite = data.ftLastWriteTime;
  r->size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  r->attributes = data.dwFileAttributes;
  return r;
}

// Puts the item at the end of the list, which then owns it.
void InsertResultItem(ResultItem* r) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = INT_MAX;
  item.pszText = LPSTR_TEXTCALLBACKA;
  item.iImage = I_IMAGECALLBACK;
  item.lParam = reinterpret_cast<LPARAM>(r);
  if (SendMessageA(g_finder.list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
    delete r;
    return;
  }
  g_totalBytes += r->size;
}

// Found items waiting to go into the list, oldest first from g_pendingNext, and whether the
// message that adds them is on its way.
std::vector<ResultItem*> g_pending;
size_t g_pendingNext = 0;
bool g_addPosted = false;

void DiscardPendingResults() {
  for (size_t i = g_pendingNext; i < g_pending.size(); ++i) delete g_pending[i];
  g_pending.clear();
  g_pendingNext = 0;
  g_addPosted = false;  // an extra message finds nothing to add
}

}  // namespace

void AddResultItem(const char* path, const WIN32_FIND_DATAA& data) { InsertResultItem(MakeResultItem(path, data)); }

void AddFoundResults(const SearchFoundItem* items, size_t count) {
  if (!items || count == 0) return;
  // Copied now, put into the list when this thread is free: the worker walks on meanwhile.
  g_pending.reserve(g_pending.size() + count);
  for (size_t i = 0; i < count; ++i) g_pending.push_back(MakeResultItem(items[i].path, *items[i].data));
  if (!g_addPosted) g_addPosted = PostMessageA(g_finder.main, WM_FINDER_ADD_FOUND, 0, 0) != 0;
  if (!g_addPosted) AddPendingResults(SIZE_MAX);
}

void AddPendingResults(size_t limit) {
  g_addPosted = false;
  if (g_pendingNext >= g_pending.size()) return;
  const int before = ResultCount();
  if (!g_listFrozen) {
    SendMessageA(g_finder.list, WM_SETREDRAW, FALSE, 0);
    g_listFrozen = true;
  }
  size_t end = g_pending.size() - g_pendingNext > limit ? g_pendingNext + limit : g_pending.size();
  for (; g_pendingNext < end; ++g_pendingNext) InsertResultItem(g_pending[g_pendingNext]);
  if (g_pendingNext == g_pending.size()) {
    g_pending.clear();
    g_pendingNext = 0;
  } else {
    g_addPosted = PostMessageA(g_finder.main, WM_FINDER_ADD_FOUND, 0, 0) != 0;
    if (!g_addPosted) AddPendingResults(SIZE_MAX);
  }
  if (before <= ListView_GetCountPerPage(g_finder.list)) {
    ShowFoundResults();
  } else if (!g_refreshArmed) {
    g_refreshArmed = SetTimer(g_finder.main, kResultRefreshTimer, kResultRefreshMs, nullptr) != 0;
    if (!g_refreshArmed) ShowFoundResults();
  }
}

void ShowFoundResults() {
  if (g_refreshArmed) KillTimer(g_finder.main, kResultRefreshTimer);
  g_refreshArmed = false;
  if (!g_listFrozen) return;
  g_listFrozen = false;
  SendMessageA(g_finder.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g_finder.list, nullptr, FALSE);
}

bool ResultPathAndAttributes(int index, std::string* path, uint32_t* attributes) {
  ResultItem* r = ItemData(index);
  if (!r) return false;
  *path = r->path;
  *attributes = r->attributes;
  return true;
}

std::vector<std::string> SelectedResultPaths() {
  std::vector<std::string> paths;
  for (int i = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(g_finder.list, i, LVNI_SELECTED))
    if (ResultItem* r = ItemData(i)) paths.push_back(r->path);
  return paths;
}

void ClearResults() {
  DiscardPendingResults();
  ShowFoundResults();
  ListView_DeleteAllItems(g_finder.list);
  g_totalBytes = 0;
}

int ResultCount() { return ListView_GetItemCount(g_finder.list); }
uint64_t ResultTotalBytes() { return g_totalBytes; }

int SelectedResultCount(uint64_t* bytes) {
  int count = 0;
  uint64_t total = 0;
  for (int i = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(g_finder.list, i, LVNI_SELECTED)) {
    ++count;
    if (ResultItem* r = ItemData(i)) total += r->size;
  }
  if (bytes) *bytes = total;
  return count;
}

std::string ResultColumnText(int index, int column) {
  ResultItem* r = ItemData(index);
  if (!r) return std::string();
  char text[MAX_PATH * 2] = {};
  switch (column) {
    case 0: return DisplayName(NamePart(r->path));
    case 1: return Extension(NamePart(r->path));
    case 2: FormatThousands(static_cast<int64_t>(r->size), text, sizeof text); return text;
    case 3: return TypeName(r);
    case 4: {
      SYSTEMTIME st = LocalStamp(r->lastWrite);
      GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
      return text;
    }
    case 5: {
      SYSTEMTIME st = LocalStamp(r->lastWrite);
      GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, text, sizeof text);
      return text;
    }
    case 6: {
      uint32_t a = r->attributes;
      snprintf(text, sizeof text, "%c%c%c%c%c%c", a & 0x800 ? 'c' : ' ', a & 1 ? 'r' : ' ', a & 2 ? 'h' : ' ',
               a & 4 ? 's' : ' ', a & 0x20 ? 'a' : ' ', a & 0x10 ? 'd' : ' ');
      return text;
    }
    case 7: return FolderOf(r->path);
  }
  return std::string();
}

LRESULT HandleResultNotify(NMHDR* h) {
  switch (h->code) {
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(h);
      ResultItem* r = reinterpret_cast<ResultItem*>(info->item.lParam);
      if (!r) r = ItemData(info->item.iItem);
      if (!r) return 0;
      if (info->item.mask & LVIF_IMAGE) {
        // The shell's look-up is slow; the list asks again at every repaint.
        if (r->icon == ResultItem::kIconUnknown) {
          SHFILEINFOA fi{};
          r->icon = r->path.compare(0, 2, "\\\\") == 0 ? -1
              : (SHGetFileInfoA(r->path.c_str(), 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) ? fi.iIcon : -1);
        }
        info->item.iImage = r->icon;
      }
      if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
        std::string text = ResultColumnText(info->item.iItem, info->item.iSubItem);
        lstrcpynA(info->item.pszText, text.c_str(), info->item.cchTextMax);
      }
      return 0;
    }
    case LVN_DELETEITEM: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(h);
      delete reinterpret_cast<ResultItem*>(nm->lParam);
      return 0;
    }
    case LVN_COLUMNCLICK: {
      auto* nm = reinterpret_cast<NMLISTVIEW*>(h);
      if (static_cast<uint32_t>(nm->iSubItem) == g_finder.store.global.sortColumn)
        g_finder.store.global.sortDescending ^= 1;
      else {
        g_finder.store.global.sortColumn = nm->iSubItem;
        g_finder.store.global.sortDescending = 0;
      }
      SortResults();
      UpdateFinderControls();
      return 0;
    }
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG: {
      std::vector<std::string> paths = SelectedResultPaths();
      if (paths.empty()) return 0;
      IDataObject* data = CreatePathListData(paths);
      IDropSource* source = CreatePathDropSource();
      if (data && source) {
        DWORD effect = 0;
        DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect);
      }
      if (data) data->Release();
      if (source) source->Release();
      // Files moved away by the drop target disappear now, and once more when the target is slow.
      RefreshResultItems(true);
      SetTimer(g_finder.main, 0, 2500, nullptr);
      return 0;
    }
    case LVN_BEGINLABELEDITA:
      return g_finder.searchRunning;
    case LVN_ENDLABELEDITA:
      EndLabelEdit(reinterpret_cast<NMLVDISPINFOA*>(h));
      return FALSE;  // the item's text comes from its path
    case NM_DBLCLK: {
      auto* nm = reinterpret_cast<NMITEMACTIVATE*>(h);
      if (nm->iItem >= 0) OpenItem(nm->iItem);
      UpdateStatusCounts();
      return 0;
    }
    case NM_RCLICK: {
      POINT at;
      GetCursorPos(&at);
      ShowResultContextMenu(at);
      UpdateStatusCounts();
      UpdateFinderControls();
      return 0;
    }
    case NM_CLICK:
    case LVN_ITEMCHANGED:
      UpdateStatusCounts();
      UpdateFinderControls();
      ShowFocusedInViewer();
      return 0;
  }
  return 0;
}

void SortResults() {
  SendMessageA(g_finder.list, LVM_SORTITEMS, g_finder.store.global.sortColumn, reinterpret_cast<LPARAM>(CompareResultItems));
}

void RefreshResultItems(bool selectedOnly) {
  for (int i = ListView_GetItemCount(g_finder.list) - 1; i >= 0; --i) {
    if (selectedOnly && !(ListView_GetItemState(g_finder.list, i, LVIS_SELECTED) & LVIS_SELECTED)) continue;
    ResultItem* r = ItemData(i);
    if (r && GetFileAttributesA(r->path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      g_totalBytes -= r->size;
      ListView_DeleteItem(g_finder.list, i);
    }
  }
  UpdateStatusCounts();
  UpdateFinderControls();
}

void RefineResultList() {
  for (int i = ListView_GetItemCount(g_finder.list) - 1; i >= 0; --i) {
    ResultItem* r = ItemData(i);
    if (r && !RefineMatch(g_finder.record, r->path.c_str())) {
      g_totalBytes -= r->size;
      ListView_DeleteItem(g_finder.list, i);
    }
  }
}

void ChangeResultSelection(int mode) {
  int count = ListView_GetItemCount(g_finder.list);
  for (int i = 0; i < count; ++i) {
    bool selected = ListView_GetItemState(g_finder.list, i, LVIS_SELECTED) & LVIS_SELECTED;
    bool want = mode == 1 ? true : mode == 0 ? false : !selected;
    ListView_SetItemState(g_finder.list, i, want ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
}

namespace {

// The columns the exports take, in their order: name, size, date, time, attributes, folder.
const int kExportColumns[6] = {0, 2, 4, 5, 6, 7};

std::string Fit(const std::string& text, size_t width) {
  if (text.size() >= width) return text.substr(0, width);
  return std::string(width - text.size(), ' ') + text;
}

}  // namespace

std::string FixedWidthLine(int index) {
  std::string name = ResultColumnText(index, 0);
  if (name.size() < 16) name.resize(16, ' ');
  return name + Fit(ResultColumnText(index, 2), 12) + Fit(ResultColumnText(index, 4), 12) +
         Fit(ResultColumnText(index, 5), 9) + Fit(ResultColumnText(index, 6), 6) + "   " + ResultColumnText(index, 7);
}

std::string CommaSeparatedLine(int index) {
  std::string line;
  for (int c : kExportColumns) {
    std::string field = ResultColumnText(index, c);
    if (c == 6) field.erase(std::remove(field.begin(), field.end(), ' '), field.end());
    if (field.find(',') != std::string::npos) field = "\"" + field + "\"";
    line += field;
    line += c == 7 ? "\n" : ",";
  }
  return line;
}

void SelectResultsByMask(const SelectMaskChoice& choice) {
  // The matcher compares lower-case names: the mask is lowered too, whatever was typed.
  std::string mask = choice.mask;
  for (char& c : mask)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  const int tests[4] = {choice.archive, choice.readOnly, choice.hidden, choice.system};
  const uint32_t bits[4] = {FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM};
  int count = ListView_GetItemCount(g_finder.list);
  for (int i = 0; i < count; ++i) {
    ResultItem* r = ItemData(i);
    if (!r) continue;
    if (!mask.empty() && !MatchNameMasks(mask.c_str(), NamePart(r->path))) continue;
    bool pass = true;
    for (int t = 0; t < 4; ++t)
      if (tests[t] != 2 && ((r->attributes & bits[t]) != 0) != (tests[t] == 1)) pass = false;
    if (pass) ListView_SetItemState(g_finder.list, i, choice.select ? LVIS_SELECTED : 0, LVIS_SELECTED);
  }
}

bool CopyResultListToClipboard() {
  int count = ListView_GetItemCount(g_finder.list);
  if (count == 0) return false;
  std::string text;
  for (int i = 0; i < count; ++i) text += FixedWidthLine(i) + "\r\n";
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1);
  if (!memory) return false;
  memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  if (!OpenClipboard(g_finder.main)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  bool ok = SetClipboardData(CF_TEXT, memory) != nullptr;
  if (!ok) GlobalFree(memory);
  CloseClipboard();
  return ok;
}

bool SaveResultList(const char* path, bool csv) {
  std::string out;
  int count = ListView_GetItemCount(g_finder.list);
  for (int i = 0; i < count; ++i) out += csv ? CommaSeparatedLine(i) : FixedWidthLine(i) + "\n";
  // Text mode: every line ends with CR LF in the file.
  std::string bytes;
  for (char c : out) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  std::string temp = std::string(path) + ".~jq";
  HANDLE file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  ok = CloseHandle(file) && ok;
  if (ok) ok = MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temp.c_str());
  return ok;
}

void RenameFocusedResult() {
  int focused = ListView_GetNextItem(g_finder.list, -1, LVNI_FOCUSED);
  if (focused < 0) focused = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED);
  if (focused >= 0) {
    SetFocus(g_finder.list);
    ListView_EditLabel(g_finder.list, focused);
  }
}

void DeleteSelectedResults(bool recycle) {
  std::string list;
  std::string first;
  for (int i = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(g_finder.list, i, LVNI_SELECTED)) {
    ResultItem* r = ItemData(i);
    if (!r) continue;
    if (first.empty()) first = r->path;
    list += r->path;
    list += '\0';
  }
  if (list.empty()) return;
  list += '\0';
  bool viewer = CloseViewerWhileWorking();
  std::string folder = FolderOf(first);
  if (!folder.empty()) SetCurrentDirectoryA(folder.c_str());
  SHFILEOPSTRUCTA op{};
  op.hwnd = g_finder.main;
  op.wFunc = FO_DELETE;
  op.pFrom = list.c_str();
  op.fFlags = recycle ? FOF_ALLOWUNDO : 0;
  if (SHFileOperationA(&op) == 0) SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, folder.c_str(), nullptr);
  ReopenViewerAfterWork(viewer);
  RefreshResultItems(true);
}

void OpenSelectedResults() {
  for (int i = ListView_GetNextItem(g_finder.list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(g_finder.list, i, LVNI_SELECTED))
    OpenItem(i);
}
