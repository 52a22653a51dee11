// Sorting a pane's file list: the comparison of two items by one of ten keys, the header arrow,
// column clicks and the sort commands.
#include <cstring>
#include <string>
#include <unordered_map>
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pidl.h"
#include "resource.h"
#include "program_values.h"
#include "vfolder_links.h"

namespace {

HBITMAP g_arrowDescending = nullptr;
HBITMAP g_arrowAscending = nullptr;
// Whether the sorted pane shows the FTP-sites list; taken once per sort.
bool g_sortFtpRoot = false;

const int kArchiveKeyCase[10] = {0, 1, 2, 7, 8, 4, 5, 3, 6, 9};

bool PaneShowsFtpRoot(int pane) {
  HWND tree = FilePanes[pane].tree;
  if (!tree) return false;
  FolderTreeItem* record =
      GetTreeItemRecord(tree, reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)));
  return record && (record->kind & kTreeKindFtpRoot);
}

bool IsDir(const FileListItem* item) {
  return item->fileAttributes & FILE_ATTRIBUTE_DIRECTORY;
}

std::string ParsingName(const FileListItem* item) {
  if (item->kind == kItemArchiveEntry) return item->entryPath ? item->entryPath : "";
  char path[MAX_PATH] = "";
  if (item->folder && item->pidl) GetDisplayNameText(item->folder, item->pidl, SHGDN_FORPARSING, path);
  return path;
}

// Folder part, base name and extension of a path.
void SplitPath(const std::string& path, std::string* folder, std::string* base, std::string* extension) {
  size_t slash = path.find_last_of("\\/");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (folder) *folder = slash == std::string::npos ? "" : path.substr(0, slash);
  size_t dot = name.rfind('.');
  if (base) *base = dot == std::string::npos ? name : name.substr(0, dot);
  if (extension) *extension = dot == std::string::npos ? "" : name.substr(dot);
}

// While a list of archive entries is sorted: each entry's name as a sort key of the thread's
// locale, ignoring case. Comparing two keys byte by byte orders them exactly as lstrcmpiA orders
// the names, without converting both names on each of the many comparisons.
std::unordered_map<const FileListItem*, std::string>* g_nameKeys = nullptr;

const char* EntryFileName(const char* path);

void MakeNameKeys(HWND list, std::unordered_map<const FileListItem*, std::string>* keys) {
  const int count = ListView_GetItemCount(list);
  keys->reserve(static_cast<size_t>(count));
  const LCID locale = GetThreadLocale();
  char buffer[4 * MAX_PATH];
  for (int i = 0; i < count; ++i) {
    const FileListItem* item = GetListItemRecord(list, i);
    if (!item) continue;
    int length = LCMapStringA(locale, LCMAP_SORTKEY | NORM_IGNORECASE, EntryFileName(item->entryPath), -1, buffer,
                              sizeof buffer);
    // A name whose key does not fit is compared the slow way.
    if (length > 0) keys->emplace(item, std::string(buffer, static_cast<size_t>(length)));
  }
}

const char* EntryFileName(const char* path) {
  if (!path) return "";
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

std::string FtpColumn(const FileListItem* item, int column) {
  char text[MAX_PATH] = "";
  GetFtpSiteColumnText(item->folder, item->pidl, column, text, MAX_PATH);
  return text;
}

std::string TypeName(const FileListItem* item) {
  if (item->kind == kItemArchiveEntry) return item->typeText ? item->typeText : "";
  std::string result;
  if (LPITEMIDLIST absolute = MakeAbsolutePidl(item->folder, item->pidl)) {
    SHFILEINFOA info{};
    if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_TYPENAME))
      result = info.szTypeName;
    FreePidl(absolute);
  }
  return result;
}

int Sign(int value) {
  return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int Ratio(const FileListItem* item) {
  if (!item->size || !item->compressedSize) return 0;
  int64_t ratio = 100 - static_cast<int64_t>(static_cast<uint64_t>(item->compressedSize) * 100 / item->size);
  return ratio < 0 ? 0 : static_cast<int>(ratio);
}

HBITMAP MakeHeaderArrowBitmap(UINT icon) {
  HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
  HICON image = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, 0));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all = {0, 0, 16, 16};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  if (image) DrawIconEx(dc, 0, 0, image, 16, 16, 0, nullptr, DI_NORMAL);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (image) DestroyIcon(image);
  return bitmap;
}

void SetHeaderBitmap(HWND header, int column, HBITMAP bitmap) {
  HDITEMA item{};
  item.mask = HDI_FORMAT;
  if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item))) return;
  item.mask = HDI_FORMAT | HDI_BITMAP;
  if (bitmap) {
    item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
    item.hbm = bitmap;
  } else {
    item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
    item.hbm = nullptr;
  }
  SendMessageA(header, HDM_SETITEMA, column, reinterpret_cast<LPARAM>(&item));
}

int ColumnCount(HWND list) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

void SortWithKey(int pane, UINT key) {
  FilePane& record = FilePanes[pane];
  SortedPaneIndex = pane;
  g_sortFtpRoot = PaneShowsFtpRoot(pane);
  SetSortIndicator(pane, key);
  record.sortKey = key;
  if (record.listKind == kListKindArchive) record.savedArchiveSortKey = key;
  else if (record.columnSet == kColumnSetFileSystem) record.savedFsSortKey = key;
  if (g_paneServices.updateSortButtons) g_paneServices.updateSortButtons(SortButtonKey(pane, key));
  std::unordered_map<const FileListItem*, std::string> keys;
  if (record.listKind != kListKindShellFolder) {
    MakeNameKeys(record.list, &keys);
    g_nameKeys = &keys;
  }
  SendMessageA(record.list, LVM_SORTITEMS, key, reinterpret_cast<LPARAM>(CompareListItems));
  g_nameKeys = nullptr;
  g_sortFtpRoot = false;
}

}  // namespace

int CompareFoldersFirst(DWORD attributes1, DWORD attributes2) {
  bool dir1 = attributes1 & FILE_ATTRIBUTE_DIRECTORY, dir2 = attributes2 & FILE_ATTRIBUTE_DIRECTORY;
  if (dir1 && !dir2) return -1;
  if (dir2 && !dir1) return 1;
  return 0;
}

int CompareTimeOfDay(const FILETIME* time1, const FILETIME* time2) {
  FILETIME local1, local2;
  SYSTEMTIME a{}, b{};
  FileTimeToLocalFileTime(time1, &local1);
  FileTimeToLocalFileTime(time2, &local2);
  FileTimeToSystemTime(&local1, &a);
  FileTimeToSystemTime(&local2, &b);
  const WORD fields1[] = {a.wHour, a.wMinute, a.wSecond, a.wYear, a.wMonth, a.wDay};
  const WORD fields2[] = {b.wHour, b.wMinute, b.wSecond, b.wYear, b.wMonth, b.wDay};
  for (int i = 0; i < 6; ++i) {
    if (fields1[i] < fields2[i]) return -1;
    if (fields1[i] > fields2[i]) return 1;
  }
  return 0;
}

int CompareItemNames(const FileListItem* item1, const FileListItem* item2) {
  if (FilePanes[SortedPaneIndex].listKind != kListKindShellFolder) {
    // The name after the entry's folder, compared in place: a list of thousands of entries
    // is sorted with hundreds of thousands of these.
    if (g_nameKeys) {
      auto first = g_nameKeys->find(item1), second = g_nameKeys->find(item2);
      if (first != g_nameKeys->end() && second != g_nameKeys->end()) return Sign(first->second.compare(second->second));
    }
    return Sign(lstrcmpiA(EntryFileName(item1->entryPath), EntryFileName(item2->entryPath)));
  }
  if (!item1->folder || !item1->pidl || !item2->pidl) return 0;
  HRESULT hr = item1->folder->CompareIDs(0, item1->pidl, item2->pidl);
  if (FAILED(hr)) return 0;
  return static_cast<short>(HRESULT_CODE(hr));
}

int CALLBACK CompareListItems(LPARAM first, LPARAM second, LPARAM keyParam) {
  auto* a = reinterpret_cast<const FileListItem*>(first);
  auto* b = reinterpret_cast<const FileListItem*>(second);
  if (!a) return b ? -1 : 0;
  if (!b) return 1;
  FilePane& pane = FilePanes[SortedPaneIndex];
  UINT key = static_cast<UINT>(keyParam);
  pane.sortKey = key;
  if (a->kind == kItemArchiveEntry) pane.savedArchiveSortKey = key;
  else if (a->kind == kItemFromFindData) pane.savedFsSortKey = key;
  UINT which = key;
  if (a->kind == kItemArchiveEntry) which = key <= 9 ? kArchiveKeyCase[key] : 10;
  const bool descending = pane.descending;
  const bool ftpRoot = g_sortFtpRoot;
  const bool anyDir = IsDir(a) || IsDir(b);
  auto negate = [&](int r) { return descending ? -r : r; };
  auto negateFiles = [&](int r) { return descending && !anyDir ? -r : r; };
  const bool kindOneGuard = !ftpRoot && (a->kind == kItemNonFileSystem || b->kind == kItemNonFileSystem);
  int folders = CompareFoldersFirst(a->fileAttributes, b->fileAttributes);

  switch (which) {
    case 0:
      if (a->kind == kItemNonFileSystem) return CompareItemNames(a, b);
      if (folders) return folders;
      return negate(CompareItemNames(a, b));
    case 1: {
      if (kindOneGuard) return 0;
      if (folders) return folders;
      if (ftpRoot) {
        int r = Sign(lstrcmpiA(FtpColumn(a, 1).c_str(), FtpColumn(b, 1).c_str()));
        if (r) return negateFiles(r);
        return Sign(lstrcmpiA(FtpColumn(a, 0).c_str(), FtpColumn(b, 0).c_str()));
      }
      std::string base1, ext1, base2, ext2;
      SplitPath(ParsingName(a), nullptr, &base1, &ext1);
      SplitPath(ParsingName(b), nullptr, &base2, &ext2);
      int r = Sign(lstrcmpiA(ext1.c_str(), ext2.c_str()));
      if (r) return negateFiles(r);
      return Sign(lstrcmpiA(base1.c_str(), base2.c_str()));
    }
    case 2: {
      if (ftpRoot) {
        int r = Sign(lstrcmpiA(FtpColumn(a, 2).c_str(), FtpColumn(b, 2).c_str()));
        if (!r) r = Sign(lstrcmpiA(FtpColumn(a, 0).c_str(), FtpColumn(b, 0).c_str()));
        return negateFiles(r);
      }
      if (kindOneGuard) return 0;
      if (a->size == b->size) return CompareItemNames(a, b);
      if (folders) return folders;
      return negateFiles(a->size < b->size ? -1 : 1);
    }
    case 3: {
      if (kindOneGuard) return 0;
      if (folders) return folders;
      int r;
      if (ftpRoot) r = Sign(lstrcmpiA(FtpColumn(a, 3).c_str(), FtpColumn(b, 3).c_str()));
      else r = Sign(lstrcmpiA(TypeName(a).c_str(), TypeName(b).c_str()));
      if (r) return negateFiles(r);
      if (ftpRoot) return Sign(lstrcmpiA(FtpColumn(a, 0).c_str(), FtpColumn(b, 0).c_str()));
      return CompareItemNames(a, b);
    }
    case 4: {
      if (folders) return folders;
      int r = negate(-Sign(CompareFileTime(&a->lastWrite, &b->lastWrite)));
      return r ? r : CompareItemNames(a, b);
    }
    case 5: {
      if (folders) return folders;
      int r = negateFiles(-CompareTimeOfDay(&a->lastWrite, &b->lastWrite));
      return r ? r : CompareItemNames(a, b);
    }
    case 6:
      if (a->fileAttributes == b->fileAttributes) return CompareItemNames(a, b);
      if (folders) return folders;
      return negate(a->fileAttributes < b->fileAttributes ? -1 : 1);
    case 7:
      if (a->compressedSize == b->compressedSize) return CompareItemNames(a, b);
      if (folders) return folders;
      return negateFiles(a->compressedSize < b->compressedSize ? -1 : 1);
    case 8: {
      int ratio1 = Ratio(a), ratio2 = Ratio(b);
      if (ratio1 == ratio2) return CompareItemNames(a, b);
      if (folders) return folders;
      return negateFiles(ratio1 < ratio2 ? -1 : 1);
    }
    case 9: {
      if (a->kind != kItemArchiveEntry || b->kind != kItemArchiveEntry) return 0;
      std::string folder1, base1, ext1, folder2, base2, ext2;
      SplitPath(a->entryPath ? a->entryPath : "", &folder1, &base1, &ext1);
      SplitPath(b->entryPath ? b->entryPath : "", &folder2, &base2, &ext2);
      int r = Sign(lstrcmpiA(folder1.c_str(), folder2.c_str()));
      if (r) return negate(r);
      return Sign(lstrcmpiA((base1 + ext1).c_str(), (base2 + ext2).c_str()));
    }
  }
  return 0;
}

void RebuildHeaderArrowBitmaps() {
  HBITMAP oldDescending = g_arrowDescending, oldAscending = g_arrowAscending;
  g_arrowDescending = MakeHeaderArrowBitmap(IDI_SORT_DESCENDING);
  g_arrowAscending = MakeHeaderArrowBitmap(IDI_SORT_ASCENDING);
  // Headers that show an old arrow take the new one before the old bitmaps go.
  for (int pane = 0; pane < 2; ++pane) {
    HWND list = FilePanes[pane].list;
    HWND header = list ? reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0)) : nullptr;
    if (!header || (!oldDescending && !oldAscending)) continue;
    int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < count; ++column) {
      HDITEMA item{};
      item.mask = HDI_FORMAT | HDI_BITMAP;
      if (!SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item)) || !(item.fmt & HDF_BITMAP)) continue;
      SetHeaderBitmap(header, column, item.hbm == oldDescending ? g_arrowDescending : g_arrowAscending);
    }
  }
  if (oldDescending) DeleteObject(oldDescending);
  if (oldAscending) DeleteObject(oldAscending);
}

void DeleteHeaderArrowBitmaps() {
  if (g_arrowDescending) DeleteObject(g_arrowDescending);
  if (g_arrowAscending) DeleteObject(g_arrowAscending);
  g_arrowDescending = g_arrowAscending = nullptr;
}

void SetSortIndicator(int pane, UINT newKey) {
  const FilePane& record = FilePanes[pane];
  HWND header = record.list ? reinterpret_cast<HWND>(SendMessageA(record.list, LVM_GETHEADER, 0, 0)) : nullptr;
  if (!header) return;
  if (!g_arrowAscending || !g_arrowDescending) RebuildHeaderArrowBitmaps();
  // Every other column loses its arrow, so a rebuilt header never shows two.
  int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
  for (int column = 0; column < count; ++column)
    if (column != static_cast<int>(newKey)) SetHeaderBitmap(header, column, nullptr);
  SetHeaderBitmap(header, newKey, record.descending ? g_arrowDescending : g_arrowAscending);
}

int SortButtonKey(int pane, UINT key) {
  const FilePane& record = FilePanes[pane];
  if (record.listKind == kListKindArchive || record.columnSet == kColumnSetArchive) {
    static const int archive[10] = {0, 1, 2, -1, -1, 4, 5, 3, 6, -1};
    return key <= 9 ? archive[key] : -1;
  }
  if (record.columnSet == kColumnSetObjects) return key == 0 ? 0 : -1;
  return key <= 6 ? static_cast<int>(key) : -1;
}

void SortPaneList(int pane) {
  FilePane& record = FilePanes[pane];
  if (!record.list) return;
  int columns = ColumnCount(record.list);
  if (columns > 0 && record.sortKey >= static_cast<UINT>(columns)) {
    record.sortKey = 0;
    record.descending = 0;
  }
  SortWithKey(pane, record.sortKey);
}

void OnListColumnClick(int pane, int column) {
  FilePane& record = FilePanes[pane];
  if (column < 0 || column > 9) return;
  record.descending = static_cast<UINT>(column) == record.sortKey ? !record.descending : 0;
  if (record.listKind == kListKindArchive) record.savedArchiveDescending = record.descending;
  else record.savedFsDescending = record.descending;
  SortWithKey(pane, column);
}

void SortActivePaneByCommand(UINT command) {
  if (command < ID_SORT_BY_NAME || command > ID_SORT_BY_ATTRIBUTES) return;
  int pane = ActivePaneIndex;
  FilePane& record = FilePanes[pane];
  if (!record.list) return;
  UINT key = command - ID_SORT_BY_NAME;
  if (record.listKind == kListKindArchive) {
    if (command == ID_SORT_BY_TYPE) key = 7;
    else if (command == ID_SORT_BY_DATE) key = 5;
    else if (command == ID_SORT_BY_ATTRIBUTES) key = 8;
  }
  int columns = ColumnCount(record.list);
  if (static_cast<int>(key) >= columns) {
    MessageBeep(0);
    return;
  }
  record.descending = key == record.sortKey ? !record.descending : 0;
  if (record.listKind == kListKindArchive) record.savedArchiveDescending = record.descending;
  else record.savedFsDescending = record.descending;
  HWND owner = GetAncestor(record.list, GA_ROOT);
  SetCapture(owner);
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SortWithKey(pane, key);
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  ReleaseCapture();
}
