// The list comparison as a table over records of a small folder whose items are plain names.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "file_list.h"
#include "file_pane.h"
#include "pidl.h"

namespace {

// A folder whose item id lists carry a name: CompareIDs orders folders first, then names
// without regard to case, as the shell's file-system folder does; the parsing name is the name.
class NameFolder : public IShellFolder {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IShellFolder) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
    bool folderA = Name(a)[0] == '/', folderB = Name(b)[0] == '/';
    if (folderA != folderB) return MAKE_HRESULT(0, 0, folderA ? 0xFFFF : 1);
    int r = lstrcmpiA(Name(a), Name(b));
    return MAKE_HRESULT(0, 0, static_cast<USHORT>(static_cast<short>(r < 0 ? -1 : r > 0 ? 1 : 0)));
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF, STRRET* name) override {
    name->uType = STRRET_CSTR;
    lstrcpynA(name->cStr, Name(item) + (Name(item)[0] == '/'), MAX_PATH);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }
  static const char* Name(LPCITEMIDLIST item) { return reinterpret_cast<const char*>(item) + 2; }
};

NameFolder g_folder;

FILETIME LocalTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME local = {year, month, 0, day, hour, minute, 0, 0};
  FILETIME localTime, utc;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  return utc;
}

// An item: a leading '/' in the name makes it a folder.
struct Item {
  std::string name;
  uint64_t size = 0;
  FILETIME time{};
  uint8_t kind = kItemFromFindData;
  UINT compressed = 0;
  DWORD attributes = 0;
};

struct Record {
  std::vector<BYTE> pidl;
  FileListItem item{};
  explicit Record(const Item& source) {
    pidl.resize(source.name.size() + 5, 0);
    pidl[0] = static_cast<BYTE>(source.name.size() + 3);
    memcpy(pidl.data() + 2, source.name.c_str(), source.name.size() + 1);
    item.folder = &g_folder;
    item.pidl = reinterpret_cast<LPITEMIDLIST>(pidl.data());
    item.size = source.size;
    item.lastWrite = source.time;
    item.kind = source.kind;
    item.compressedSize = source.compressed;
    item.fileAttributes = source.attributes | (source.name[0] == '/' ? FILE_ATTRIBUTE_DIRECTORY : 0);
    item.attributes = SFGAO_FILESYSTEM | SFGAO_CANDELETE;
  }
};

struct Case {
  const char* what;
  Item first, second;
  UINT key;
  UINT descending;
  int expected;  // sign of the comparison
};

int SignOf(int value) {
  return value < 0 ? -1 : value > 0 ? 1 : 0;
}

}  // namespace

TEST(CompareListItems, Table) {
  const FILETIME nineToday = LocalTime(2024, 5, 2, 9, 0);
  const FILETIME tenYesterday = LocalTime(2024, 5, 1, 10, 0);
  const FILETIME nineYesterday = LocalTime(2024, 5, 1, 9, 0);
  const Case cases[] = {
      {"name ascending", {"a.txt"}, {"b.txt"}, 0, 0, -1},
      {"name descending", {"a.txt"}, {"b.txt"}, 0, 1, 1},
      {"name: folder first even descending", {"/z"}, {"a.txt"}, 0, 1, -1},
      {"size ascending", {"a", 5}, {"b", 7}, 2, 0, -1},
      {"size descending", {"a", 5}, {"b", 7}, 2, 1, 1},
      {"size descending keeps folders first", {"/dir"}, {"b", 7}, 2, 1, -1},
      {"size: equal sizes compare names, not negated", {"/b"}, {"/a"}, 2, 1, 1},
      {"size: 64-bit sizes", {"a", 5000000000ull}, {"b", 705032704}, 2, 0, 1},
      {"date ascending puts the newest first", {"old", 0, tenYesterday}, {"new", 0, nineToday}, 4, 0, 1},
      {"date descending puts the oldest first", {"old", 0, tenYesterday}, {"new", 0, nineToday}, 4, 1, -1},
      {"date: equal times compare names", {"a", 0, nineToday}, {"b", 0, nineToday}, 4, 1, -1},
      {"time: later time of day first", {"y", 0, tenYesterday}, {"t", 0, nineToday}, 5, 0, -1},
      {"time: same time, later date first", {"y", 0, nineYesterday}, {"t", 0, nineToday}, 5, 0, 1},
      {"extension ascending", {"z.abc"}, {"a.xyz"}, 1, 0, -1},
      {"extension tie compares base names", {"b.txt"}, {"a.TXT"}, 1, 1, 1},
      {"attributes: smaller word first", {"a", 0, {}, 0, 0, FILE_ATTRIBUTE_READONLY}, {"b", 0, {}, 0, 0, FILE_ATTRIBUTE_ARCHIVE}, 6, 0, -1},
      {"attributes descending", {"a", 0, {}, 0, 0, FILE_ATTRIBUTE_READONLY}, {"b", 0, {}, 0, 0, FILE_ATTRIBUTE_ARCHIVE}, 6, 1, 1},
      {"objects: size compares nothing", {"c", 1, {}, kItemNonFileSystem}, {"d", 9, {}, kItemNonFileSystem}, 2, 0, 0},
      {"objects: type compares nothing", {"c", 1, {}, kItemNonFileSystem}, {"d", 9, {}, kItemNonFileSystem}, 3, 0, 0},
      {"objects: name orders", {"d", 1, {}, kItemNonFileSystem}, {"c", 9, {}, kItemNonFileSystem}, 0, 0, 1},
      {"key above nine compares nothing", {"a"}, {"b"}, 12, 0, 0},
  };
  for (const Case& c : cases) {
    Record first(c.first), second(c.second);
    SortedPaneIndex = 0;
    FilePanes[0] = FilePane{};
    FilePanes[0].descending = c.descending;
    int result = CompareListItems(reinterpret_cast<LPARAM>(&first.item), reinterpret_cast<LPARAM>(&second.item), c.key);
    EXPECT_EQ(SignOf(result), c.expected) << c.what;
    EXPECT_EQ(FilePanes[0].sortKey, c.key) << c.what;
  }
}

TEST(CompareListItems, UpEntrySortsFirstInBothDirections) {
  Record item(Item{"a"});
  for (UINT descending : {0u, 1u}) {
    FilePanes[0] = FilePane{};
    FilePanes[0].descending = descending;
    SortedPaneIndex = 0;
    for (UINT key = 0; key < 10; ++key) {
      EXPECT_EQ(CompareListItems(0, reinterpret_cast<LPARAM>(&item.item), key), -1);
      EXPECT_EQ(CompareListItems(reinterpret_cast<LPARAM>(&item.item), 0, key), 1);
      EXPECT_EQ(CompareListItems(0, 0, key), 0);
    }
  }
}

TEST(CompareListItems, ArchiveEntriesMapColumnsAndComputeRatiosWithoutOverflow) {
  FilePanes[0] = FilePane{};
  FilePanes[0].listKind = kListKindArchive;
  SortedPaneIndex = 0;
  char pathA[] = "docs\\big.iso", pathB[] = "docs\\small.txt";
  FileListItem a{}, b{};
  a.kind = b.kind = kItemArchiveEntry;
  a.entryPath = pathA;
  b.entryPath = pathB;
  // 3 GB packed into 1 GB: 67%; 100 bytes "packed" into 120: no negative ratio, 0%.
  a.size = 3000000000ull;
  a.compressedSize = 1000000000u;
  b.size = 100;
  b.compressedSize = 120;
  // Archive column 4 is the ratio: the smaller ratio sorts first.
  EXPECT_EQ(SignOf(CompareListItems(reinterpret_cast<LPARAM>(&b), reinterpret_cast<LPARAM>(&a), 4)), -1);
  EXPECT_EQ(FilePanes[0].savedArchiveSortKey, 4u);
  // Archive column 3 is the compressed size.
  EXPECT_EQ(SignOf(CompareListItems(reinterpret_cast<LPARAM>(&b), reinterpret_cast<LPARAM>(&a), 3)), -1);
  // Archive column 0 compares file names without their folders.
  EXPECT_EQ(SignOf(CompareListItems(reinterpret_cast<LPARAM>(&a), reinterpret_cast<LPARAM>(&b), 0)), -1);
  // Column 9: equal folders, then names.
  EXPECT_EQ(SignOf(CompareListItems(reinterpret_cast<LPARAM>(&b), reinterpret_cast<LPARAM>(&a), 9)), 1);
  a.entryPath = nullptr;
  b.entryPath = nullptr;
}

// Sorting a list of archive entries by name gives the order that comparing the names one by one
// with lstrcmpiA gives, for names where the locale's order is not the order of the bytes.
TEST(SortPaneList, ArchiveEntriesByNameInTheLocalesOrder) {
  const std::vector<std::string> names = {
      "b.txt", "B.TXT", "a-b", "ab", "a_b", "a b", "a.b", "a'b", "a10", "a2", "a1", "Z", "z", "_x", "-x", "~x",
      "10", "9", "file(1).txt", "file[1].txt", "dir\\inner.txt", "x--y", "x-y", "xy", "#a", "$a", "@a",
      "\xa4\xa4\xa4\xe5.txt", "\xa4\x40", "\xa5\x7e", "\xe9t\xe9", "ete"};
  HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 300, 200, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(list);
  for (int i = 0; i < 10; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 50;
    SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  std::vector<std::string> paths(names);
  std::vector<FileListItem> items(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    items[i].kind = kItemArchiveEntry;
    items[i].entryPath = paths[i].data();
    LVITEMA insert{};
    insert.mask = LVIF_PARAM;
    insert.iItem = static_cast<int>(i);
    insert.lParam = reinterpret_cast<LPARAM>(&items[i]);
    SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert));
  }
  FilePanes[0] = FilePane{};
  FilePanes[0].list = list;
  FilePanes[0].listKind = kListKindArchive;
  for (UINT descending : {0u, 1u}) {
    FilePanes[0].descending = descending;
    SortPaneList(0);
    std::vector<std::string> expected = names;
    auto file = [](const std::string& path) { return path.substr(path.find_last_of('\\') + 1); };
    std::stable_sort(expected.begin(), expected.end(), [&](const std::string& a, const std::string& b) {
      int r = lstrcmpiA(file(a).c_str(), file(b).c_str());
      return descending ? r > 0 : r < 0;
    });
    std::vector<std::string> got;
    for (int i = 0; i < ListView_GetItemCount(list); ++i)
      got.push_back(GetListItemRecord(list, i)->entryPath);
    // Names equal to lstrcmpiA ("b.txt", "B.TXT") may come in either order.
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i)
      EXPECT_EQ(lstrcmpiA(file(got[i]).c_str(), file(expected[i]).c_str()), 0) << i << ": " << got[i] << " / " << expected[i];
  }
  FilePanes[0] = FilePane{};
  DestroyWindow(list);
}
