// The file list driven through the real tree and list windows: a folder selected in the tree is
// read back from the list.
#include <gtest/gtest.h>
#include <algorithm>
#include "pane_test_host.h"
#include "command_ids.h"

using panetest::PaneHost;

namespace {

FILETIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute) {
  SYSTEMTIME local = {year, month, 0, day, hour, minute, 0, 0};
  FILETIME localTime, utc;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &utc);
  return utc;
}

void SetWriteTime(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

std::string DateText(const FILETIME& utc, bool date) {
  FILETIME local;
  SYSTEMTIME when;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &when);
  char text[100] = "";
  if (date) GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, sizeof text);
  else GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, text, sizeof text);
  return text;
}

// A folder with a subfolder, files of several sizes and dates, and a hidden file.
struct Fixture {
  jqtest::TempFolder temp;
  FILETIME older = MakeTime(2019, 3, 4, 10, 0);
  FILETIME newer = MakeTime(2021, 7, 8, 9, 30);
  Fixture() {
    temp.MakeFolder("sub");
    SetWriteTime(temp.WriteFile("alpha.txt", "abc"), older);
    SetWriteTime(temp.WriteFile("Beta.DOC", "0123456789"), newer);
    SetWriteTime(temp.WriteFile("noext", ""), older);
    std::string hidden = temp.WriteFile("secret.txt", "hidden!");
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  }
};

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

}  // namespace

TEST(FileList, FolderSelectedInTreeListsNamesSizesDatesAndUpEntry) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  std::vector<std::string> names = host.Names();
  // Up entry, then the folder, then the files by name.
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(GetListItemRecord(host.list(), 0), nullptr);
  EXPECT_EQ(names[1], "sub");
  EXPECT_EQ(FilePanes[0].itemCount, 5u);
  EXPECT_EQ(FilePanes[0].columnSet, static_cast<UINT>(kColumnSetFileSystem));
  EXPECT_EQ(FilePanes[0].totalSize, 3u + 10u + 7u);

  int alpha = IndexOf(names, "alpha.txt");
  int beta = IndexOf(names, "Beta.DOC");
  int noext = IndexOf(names, "noext");
  int secret = IndexOf(names, "secret.txt");
  ASSERT_GE(alpha, 0);
  ASSERT_GE(beta, 0);
  ASSERT_GE(noext, 0);
  EXPECT_GE(secret, 0) << "hidden files are listed while the option to hide them is off";
  EXPECT_LT(alpha, beta);
  // Extension: lower case without its dot; empty without one.
  EXPECT_EQ(host.Text(beta, 1), "doc");
  EXPECT_EQ(host.Text(noext, 1), "");
  // Size: grouped digits for files, empty for folders.
  EXPECT_EQ(host.Text(beta, 2), "10");
  EXPECT_EQ(host.Text(1, 2), "");
  // Date and time of the last write, in local time.
  EXPECT_EQ(host.Text(alpha, 4), DateText(fixture.older, true));
  EXPECT_EQ(host.Text(beta, 4), DateText(fixture.newer, true));
  EXPECT_EQ(host.Text(beta, 5), DateText(fixture.newer, false));
  // Attributes.
  EXPECT_EQ(host.Text(1, 6), "d");
  EXPECT_NE(host.Text(secret, 6).find('h'), std::string::npos);
  // The up entry has no texts.
  EXPECT_EQ(host.Text(0, 2), "");
}

TEST(FileList, HiddenFilesFollowTheOption) {
  Fixture fixture;
  PaneHost host;
  GetLiveOptions().hideSystemFiles = 1;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  std::vector<std::string> names = host.Names();
  EXPECT_EQ(IndexOf(names, "secret.txt"), -1);
  EXPECT_GE(IndexOf(names, "alpha.txt"), 0);
  EXPECT_EQ(FilePanes[0].itemCount, 4u);
}

TEST(FileList, UpEntryFollowsTheOptionAndNeverShowsAtTheDesktop) {
  Fixture fixture;
  PaneHost host;
  GetLiveOptions().showUpEntry = 0;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  EXPECT_NE(GetListItemRecord(host.list(), 0), nullptr);
  GetLiveOptions().showUpEntry = 1;
  ApplyUpEntryOption();
  EXPECT_EQ(GetListItemRecord(host.list(), 0), nullptr);
  EXPECT_EQ(host.Count(), 6);

  HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageA(host.tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0));
  SendMessageA(host.tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root));
  EXPECT_EQ(FilePanes[0].columnSet, static_cast<UINT>(kColumnSetObjects));
  for (int i = 0; i < host.Count(); ++i) EXPECT_NE(GetListItemRecord(host.list(), i), nullptr) << i;
}

TEST(FileList, UpEntryShowsTheIconOfFirstupInTheProgramFolder) {
  Fixture fixture;
  PaneHost host;
  const char* installed = "C:\\Program Files\\Quorvanel";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(host.registry.machine(), "Software\\Belmoor\\Quorvanel\\CurrentVersion", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(installed), lstrlenA(installed) + 1);
  RegCloseKey(key);
  std::string firstup = std::string(installed) + "\\firstup.exe";
  ASSERT_NE(GetFileAttributesA(firstup.c_str()), INVALID_FILE_ATTRIBUTES) << "the suite is installed for the tests";
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SHFILEINFOA expected{}, folder{};
  SHGetFileInfoA(firstup.c_str(), 0, &expected, sizeof expected, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  SHGetFileInfoA("x", FILE_ATTRIBUTE_DIRECTORY, &folder, sizeof folder,
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 0;
  ASSERT_TRUE(SendMessageA(host.list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.iImage, expected.iIcon);
  EXPECT_NE(item.iImage, folder.iIcon);
}

TEST(FileList, FolderOfMoreThanOneBatchIsListedWhole) {
  jqtest::TempFolder temp;
  const int files = 1203;
  for (int i = 0; i < files; ++i) {
    char name[32];
    wsprintfA(name, "f%05d.dat", i);
    temp.WriteFile(name, "x");
  }
  PaneHost host;
  ASSERT_TRUE(host.Browse(temp.path()));
  EXPECT_EQ(FilePanes[0].itemCount, static_cast<UINT>(files));
  ASSERT_EQ(host.Count(), files + 1);
  EXPECT_EQ(host.Text(1, 0), "f00000.dat");
  EXPECT_EQ(host.Text(files, 0), "f01202.dat");
  EXPECT_EQ(FilePanes[0].totalSize, static_cast<uint64_t>(files));
}

TEST(FileList, SizesBeyondFourGigabytesAreShownWhole) {
  jqtest::TempFolder temp;
  std::string path = temp / "big.bin";
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 5368709120LL;  // 5 GiB, sparse
  ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  PaneHost host;
  ASSERT_TRUE(host.Browse(temp.path()));
  ASSERT_EQ(host.Count(), 2);
  EXPECT_EQ(host.Text(1, 2), "5,368,709,120");
  EXPECT_EQ(FilePanes[0].totalSize, 5368709120ull);
}

TEST(FileList, ClickingColumnHeadersSortsAndTogglesDirection) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SetPaneViewMode(host.list(), LVS_REPORT, kViewDetails);
  MoveWindow(host.list(), 0, 0, 880, 560, TRUE);

  host.ClickHeader(2);  // size, ascending: folder first, then smallest file first
  EXPECT_EQ(FilePanes[0].sortKey, 2u);
  EXPECT_EQ(FilePanes[0].descending, 0u);
  std::vector<std::string> names = host.Names();
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "sub");
  EXPECT_EQ(names[2], "noext");
  EXPECT_EQ(names[5], "Beta.DOC");

  host.ClickHeader(2);  // the same column again: descending, folders still first
  EXPECT_EQ(FilePanes[0].descending, 1u);
  EXPECT_EQ(FilePanes[0].savedFsDescending, 1u);
  names = host.Names();
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "sub");
  EXPECT_EQ(names[2], "Beta.DOC");
  EXPECT_EQ(names[5], "noext");

  host.ClickHeader(4);  // another column starts ascending: newest first
  EXPECT_EQ(FilePanes[0].sortKey, 4u);
  EXPECT_EQ(FilePanes[0].descending, 0u);
  EXPECT_EQ(FilePanes[0].savedFsSortKey, 4u);
  names = host.Names();
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "sub");
  int beta = IndexOf(names, "Beta.DOC"), alpha = IndexOf(names, "alpha.txt");
  EXPECT_LT(beta, alpha);

  // The header shows the arrow on the sorted column only.
  HWND header = reinterpret_cast<HWND>(SendMessageA(host.list(), LVM_GETHEADER, 0, 0));
  for (int column = 0; column < 7; ++column) {
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ((item.fmt & HDF_BITMAP) != 0, column == 4) << column;
  }
}

TEST(FileList, SortCommandsUseTheToggleRule) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SortActivePaneByCommand(ID_SORT_BY_EXTENSION);  // by extension
  EXPECT_EQ(FilePanes[0].sortKey, 1u);
  EXPECT_EQ(FilePanes[0].descending, 0u);
  SortActivePaneByCommand(ID_SORT_BY_EXTENSION);
  EXPECT_EQ(FilePanes[0].descending, 1u);
  SortActivePaneByCommand(ID_SORT_BY_NAME);
  EXPECT_EQ(FilePanes[0].sortKey, 0u);
  EXPECT_EQ(FilePanes[0].descending, 0u);
  EXPECT_EQ(host.Names()[1], "sub");
}

TEST(FileList, ViewModesStoreDetailsWidthsWhenLeavingDetails) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SetPaneViewMode(host.list(), LVS_REPORT, kViewDetails);
  EXPECT_EQ(GetWindowLongPtrA(host.list(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  SendMessageA(host.list(), LVM_SETCOLUMNWIDTH, 0, 123);
  SetPaneViewMode(host.list(), LVS_ICON, kViewLargeIcons);
  int32_t widths[10];
  ASSERT_TRUE(ReadColumnWidths(widths, "FileSys Columns 0"));
  EXPECT_EQ(widths[0], 123);
  EXPECT_EQ(widths[7], 0);
  EXPECT_EQ(FilePanes[0].viewId, static_cast<UINT>(kViewLargeIcons));
  // Between icon views nothing is stored.
  SendMessageA(host.list(), LVM_SETCOLUMNWIDTH, 0, 77);
  SetPaneViewMode(host.list(), LVS_LIST, kViewList);
  ASSERT_TRUE(ReadColumnWidths(widths, "FileSys Columns 0"));
  EXPECT_EQ(widths[0], 123);
  // The next fill builds the columns from the stored widths.
  ASSERT_TRUE(host.Browse(fixture.temp / "sub"));
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  DeleteAllListColumns(host.list());
  FilePanes[0].columnSet = 0;
  ASSERT_TRUE(SetupListColumns(host.list(), kColumnSetFileSystem));
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  ASSERT_TRUE(SendMessageA(host.list(), LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
  EXPECT_EQ(column.cx, 123);
}

TEST(FileList, SelectionChangesCauseOneUpdateAfterTheDelay) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  static int updates = 0;
  updates = 0;
  g_paneServices.updateStatusBar = [](HWND, BOOL withFolder) {
    if (!withFolder) ++updates;
  };
  for (int round = 0; round < 10; ++round) {
    int index = 1 + round % 5;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(host.list(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  }
  EXPECT_EQ(updates, 0);
  EXPECT_TRUE(jqtest::PumpUntil([] { return updates > 0; }, 5000));
  // A second update would come from a timer armed by the first at the latest: a mark due after
  // that timer's delay comes after it.
  int atMark = 0;
  EXPECT_TRUE(jqtest::PumpThroughQueue(300, [&] { atMark = updates; }));
  EXPECT_EQ(atMark, 1);
  g_paneServices.updateStatusBar = nullptr;
}

TEST(FileList, UpEntryIsDeselectedWhenOthersAreSelectedAndCannotBeRenamed) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  SendMessageA(host.list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  EXPECT_TRUE(jqtest::PumpUntil([&] { return SendMessageA(host.list(), LVM_GETITEMSTATE, 0, LVIS_SELECTED) == 0; }, 2000));
  EXPECT_EQ(SendMessageA(host.list(), LVM_GETSELECTEDCOUNT, 0, 0), 5);

  SetFocus(host.list());
  EXPECT_EQ(SendMessageA(host.list(), LVM_EDITLABELA, 0, 0), 0);
  EXPECT_EQ(g_renameInProgress, 0u);
}

TEST(FileList, DoubleClickingAFolderOpensItThroughTheTree) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SetPaneViewMode(host.list(), LVS_REPORT, kViewDetails);
  // The folder is item 1; the up entry item 0.
  RECT box{};
  box.left = LVIR_LABEL;
  SendMessageA(host.list(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&box));
  POINT at = {box.left + 2, (box.top + box.bottom) / 2};
  ClientToScreen(host.list(), &at);
  ASSERT_TRUE(jqtest::MoveCursorTo(at)) << at.x << "," << at.y;
  NMITEMACTIVATE click{};
  click.hdr = {host.list(), static_cast<UINT_PTR>(kListIdPane0), static_cast<UINT>(NM_DBLCLK)};
  SendMessageA(host.window, WM_NOTIFY, kListIdPane0, reinterpret_cast<LPARAM>(&click));
  char path[MAX_PATH];
  ASSERT_TRUE(GetTreeSelectionPath(host.tree(), path, FALSE, TRUE));
  EXPECT_EQ(lstrcmpiA(path, (fixture.temp / "sub").c_str()), 0) << path;
  EXPECT_EQ(host.Count(), 1);  // only the up entry: the folder is empty
  // The up entry goes back.
  SendMessageA(host.list(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&box));
  at = {box.left + 2, (box.top + box.bottom) / 2};
  ClientToScreen(host.list(), &at);
  ASSERT_TRUE(jqtest::MoveCursorTo(at)) << at.x << "," << at.y;
  SendMessageA(host.window, WM_NOTIFY, kListIdPane0, reinterpret_cast<LPARAM>(&click));
  ASSERT_TRUE(GetTreeSelectionPath(host.tree(), path, FALSE, TRUE));
  EXPECT_EQ(lstrcmpiA(path, fixture.temp.path().c_str()), 0) << path;
}

TEST(FileList, SelectionAsCommandLine) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  std::vector<std::string> names = host.Names();
  for (const char* name : {"alpha.txt", "sub"}) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageA(host.list(), LVM_SETITEMSTATE, IndexOf(names, name), reinterpret_cast<LPARAM>(&item));
  }
  uint64_t total = 0;
  char* quoted = BuildCommandLineFromSelection(&total, TRUE, FALSE);
  ASSERT_NE(quoted, nullptr);
  std::string expected = "\"" + (fixture.temp / "sub") + "\\*.*\" \"" + (fixture.temp / "alpha.txt") + "\" ";
  EXPECT_EQ(lstrcmpiA(quoted, expected.c_str()), 0) << quoted;
  EXPECT_EQ(total, 3u);
  free(quoted);
  char* names_only = BuildCommandLineFromSelection(nullptr, FALSE, TRUE);
  ASSERT_NE(names_only, nullptr);
  EXPECT_EQ(lstrcmpiA(names_only, "sub\\*.* alpha.txt"), 0) << names_only;
  free(names_only);
}

TEST(FileList, HeaderArrowSurvivesAColourChange) {
  Fixture fixture;
  PaneHost host;
  ASSERT_TRUE(host.Browse(fixture.temp.path()));
  SetPaneViewMode(host.list(), LVS_REPORT, kViewDetails);
  OnListColumnClick(0, 2);
  OnListColumnClick(0, 2);
  HWND header = reinterpret_cast<HWND>(SendMessageA(host.list(), LVM_GETHEADER, 0, 0));
  auto arrowOf = [&](int column) {
    HDITEMA item{};
    item.mask = HDI_FORMAT | HDI_BITMAP;
    SendMessageA(header, HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&item));
    return (item.fmt & HDF_BITMAP) ? item.hbm : nullptr;
  };
  HBITMAP before = arrowOf(2);
  ASSERT_NE(before, nullptr);
  RebuildHeaderArrowBitmaps();
  HBITMAP after = arrowOf(2);
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  BITMAP info{};
  EXPECT_EQ(GetObjectA(after, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 16);
  EXPECT_EQ(arrowOf(0), nullptr);
}
