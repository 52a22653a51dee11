// JQSeek's windows driven through their controls, in this process and as a program of its own.
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "finder.h"
#include "resource.h"
#include "test_support.h"

#include "finder_test_fixture.h"

namespace {

TEST_F(Finder, FindNowFillsTheListAndTheCounts) {
  dir.WriteFile("a.txt", "hello");
  dir.WriteFile("B.LOG", "x");
  dir.WriteFile("sub\\FILE01.TXT", "hello world");
  EXPECT_FALSE(g_finder.listShown);
  SearchFolder(dir.path(), "*.TXT");
  EXPECT_TRUE(g_finder.listShown);
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{"File01.txt", "a.txt"}));
  EXPECT_NE(StatusText(0).find("2"), std::string::npos);
  EXPECT_NE(StatusText(0).find("16"), std::string::npos);  // 5 + 11 bytes
  // Contained text narrows the same search.
  SearchFolder(dir.path(), "*.*", "world");
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{"File01.txt"}));
  EXPECT_EQ(Column(7)[0], dir.path() + "\\sub\\");
  // Append adds up; Refine drops what no longer matches; New search hides the list.
  SetWindowTextA(PageItem(3, IDC_CONTAINING_TEXT), "");
  SetWindowTextA(PageItem(0, IDC_NAME_MASKS), "*.log");
  Click(g_finder.panel, IDC_APPEND);
  ASSERT_TRUE(WaitForSearchEnd());
  EXPECT_EQ(ResultCount(), 2);
  DeleteFileA((dir / "B.LOG").c_str());
  SetWindowTextA(PageItem(0, IDC_NAME_MASKS), "*.*");
  Click(g_finder.panel, IDC_REFINE);
  EXPECT_EQ(SortedNames(), (std::vector<std::string>{"File01.txt"}));
  Click(g_finder.panel, IDC_NEW_SEARCH);
  EXPECT_FALSE(g_finder.listShown);
  EXPECT_FALSE(IsWindowVisible(g_finder.list));
}

TEST_F(Finder, ManyMatchesAreAllListedInOrderAndDrawnWhenTheSearchEnds) {
  // More matches than one report and one round of adding to the list hold, the same names in
  // several folders.
  const int perFolder = 600, folders = 4;
  for (int f = 0; f < folders; ++f)
    for (int i = 0; i < perFolder; ++i) {
      char name[64];
      snprintf(name, sizeof name, "f%d\\n%04d.dat", f, i);
      dir.WriteFile(name, "");
    }
  ASSERT_GT(size_t(perFolder * folders), kPendingChunkItems);
  g_finder.store.global.sortColumn = 0;
  g_finder.store.global.sortDescending = 0;
  SearchFolder(dir.path(), "*.dat");
  ASSERT_EQ(ResultCount(), perFolder * folders);
  std::vector<std::string> names = Column(0);
  for (int i = 0; i < perFolder * folders; ++i) {
    char expected[16];
    snprintf(expected, sizeof expected, "n%04d.dat", i / folders);
    ASSERT_EQ(names[i], expected) << i;
  }
  // The list draws its items again (its drawing is off while matches come in): a repaint asks
  // the main window for the items' texts.
  static int asked;
  static WNDPROC previous;
  asked = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
      g_finder.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOA) ++asked;
        return CallWindowProcA(previous, w, m, wp, lp);
      })));
  InvalidateRect(g_finder.list, nullptr, TRUE);
  UpdateWindow(g_finder.list);
  SetWindowLongPtrA(g_finder.main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  EXPECT_GT(asked, 0) << "the list was not drawn";
}

TEST_F(Finder, ModesShowTheirFieldsAndButtonsFollowTheState) {
  SelectCriteriaPage(2);
  struct Case { int mode; bool first, second; } cases[] = {{0, false, false}, {1, true, false}, {4, true, true}, {5, true, true}};
  for (const Case& c : cases) {
    SendMessageA(PageItem(2, IDC_SIZE_MODE), CB_SETCURSEL, c.mode, 0);
    SendMessageA(g_finder.pages[2], WM_COMMAND, MAKEWPARAM(IDC_SIZE_MODE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(PageItem(2, IDC_SIZE_MODE)));
    EXPECT_EQ(IsWindowVisible(PageItem(2, IDC_SIZE1)) != 0, c.first) << c.mode;
    EXPECT_EQ(IsWindowVisible(PageItem(2, IDC_SIZE2)) != 0, c.second) << c.mode;
  }
  // The which-time radios only while a date or time mode is set.
  SendMessageA(PageItem(2, IDC_DATE_MODE), CB_SETCURSEL, 0, 0);
  SendMessageA(PageItem(2, IDC_TIME_MODE), CB_SETCURSEL, 0, 0);
  SendMessageA(g_finder.pages[2], WM_COMMAND, MAKEWPARAM(IDC_DATE_MODE, CBN_SELCHANGE), 0);
  EXPECT_FALSE(IsWindowVisible(PageItem(2, IDC_WHEN_MODIFIED)));
  SendMessageA(PageItem(2, IDC_TIME_MODE), CB_SETCURSEL, 6, 0);
  SendMessageA(g_finder.pages[2], WM_COMMAND, MAKEWPARAM(IDC_TIME_MODE, CBN_SELCHANGE), 0);
  EXPECT_TRUE(IsWindowVisible(PageItem(2, IDC_WHEN_MODIFIED)));
  // Idle with no list: only Find now and New search.
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(g_finder.panel, IDC_FIND_NOW)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_finder.panel, IDC_REFINE)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_finder.panel, IDC_STOP)));
}

TEST_F(Finder, DatesAreNormalisedWhenTheSearchIsBuilt) {
  SetWindowTextA(PageItem(2, IDC_DATE1), "13/40/5");
  SetWindowTextA(PageItem(2, IDC_TIME1), "25:75");
  BuildSearchRecord();
  char text[32];
  GetWindowTextA(PageItem(2, IDC_DATE1), text, sizeof text);
  EXPECT_STREQ(text, "12/31/05");
  EXPECT_EQ(g_finder.record.year1, 2005);
  GetWindowTextA(PageItem(2, IDC_TIME1), text, sizeof text);
  EXPECT_STREQ(text, "23:59");
}

TEST_F(Finder, RenameInTheListMovesNothingElsewhere) {
  dir.WriteFile("old.txt", "x");
  dir.MakeFolder("other");
  SearchFolder(dir.path(), "old.txt");
  ASSERT_EQ(ResultCount(), 1);
  auto rename = [&](const char* name) {
    SetFocus(g_finder.list);
    HWND edit = ListView_EditLabel(g_finder.list, 0);
    ASSERT_TRUE(edit);
    SetWindowTextA(edit, name);
    SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
    jqtest::PumpPending();
  };
  rename("..\\escaped.txt");  // a path, not a name: refused
  EXPECT_TRUE(jqtest::FileExists(dir / "old.txt"));
  EXPECT_FALSE(jqtest::FileExists(dir.path() + "\\..\\escaped.txt"));
  rename("other");            // a name that exists: the item stays as it was
  EXPECT_TRUE(jqtest::FileExists(dir / "old.txt"));
  rename("new.txt");
  EXPECT_TRUE(jqtest::FileExists(dir / "new.txt"));
  EXPECT_EQ(Column(0)[0], "new.txt");
}

TEST_F(Finder, SortingFlipsAndKeepsEqualKeysInNameOrder) {
  FILETIME same;
  SYSTEMTIME st = {2020, 5, 0, 5, 10, 0, 0, 0};
  SystemTimeToFileTime(&st, &same);
  for (const char* name : {"c.txt", "a.txt", "b.txt"}) {
    std::string p = dir.WriteFile(name, "x");
    HANDLE h = CreateFileA(p.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &same);
    CloseHandle(h);
  }
  std::string newest = dir.WriteFile("z.txt", "x");
  SearchFolder(dir.path(), "*.txt");
  auto click = [&](int column) {
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = g_finder.list;
    nm.hdr.idFrom = IDC_RESULT_LIST;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iSubItem = column;
    SendMessageA(g_finder.main, WM_NOTIFY, IDC_RESULT_LIST, reinterpret_cast<LPARAM>(&nm));
  };
  click(4);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "z.txt"}));
  click(4);
  EXPECT_EQ(Column(0), (std::vector<std::string>{"z.txt", "a.txt", "b.txt", "c.txt"}));
}

TEST_F(Finder, ResultsExportedAsCommaSeparatedAndFixedWidthLines) {
  std::string big = dir.WriteFile("one, two.txt", std::string(12345, 'x'));
  std::string small = dir.WriteFile("a-rather-long-name20.txt", "12345");
  SetFileAttributesA(small.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  SearchFolder(dir.path(), "*.txt");
  ASSERT_EQ(ResultCount(), 2);
  g_finder.store.global.sortColumn = 2;  // by size: the small file first
  SortResults();
  std::string date = ResultColumnText(0, 4), time = ResultColumnText(0, 5);
  std::string folder = dir.path() + "\\";
  // Comma-separated: a field with a comma is quoted, attributes lose their blanks.
  EXPECT_EQ(CommaSeparatedLine(0), "a-rather-long-name20.txt,5," + date + "," + time + ",ra," + folder + "\n");
  EXPECT_EQ(CommaSeparatedLine(1).rfind("\"one, two.txt\",\"12,345\",", 0), 0u) << CommaSeparatedLine(1);
  // Fixed width: a long name is kept whole, the size right-aligned in twelve.
  std::string fixed = FixedWidthLine(0);
  EXPECT_EQ(fixed.rfind("a-rather-long-name20.txt           5", 0), 0u) << fixed;
  EXPECT_EQ(fixed.substr(fixed.size() - folder.size() - 3), "   " + folder);
  std::string csv = dir / "out.csv";
  ASSERT_TRUE(SaveResultList(csv.c_str(), true));
  EXPECT_EQ(jqtest::ReadFileText(csv), "a-rather-long-name20.txt,5," + date + "," + time + ",ra," + folder + "\r\n" +
                                           CommaSeparatedLine(1).substr(0, CommaSeparatedLine(1).size() - 1) + "\r\n");
  // The clipboard holds the fixed-width lines.
  ASSERT_TRUE(CopyResultListToClipboard());
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE data = GetClipboardData(CF_TEXT);
  std::string clip = data ? static_cast<const char*>(GlobalLock(data)) : "";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(clip, FixedWidthLine(0) + "\r\n" + FixedWidthLine(1) + "\r\n");
  // A failed write keeps an old file.
  std::string kept = dir.WriteFile("kept.txt", "old");
  CreateDirectoryA((kept + ".~jq").c_str(), nullptr);
  EXPECT_FALSE(SaveResultList(kept.c_str(), false));
  EXPECT_EQ(jqtest::ReadFileText(kept), "old");
  SetFileAttributesA(small.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Finder, SavedSearchRestoresEveryPage) {
  SelectCriteriaPage(0);
  Click(g_finder.pages[0], IDC_LOOK_IN_PATH);
  SetWindowTextA(PageItem(0, IDC_LOOK_PATH), "C:\\Data");
  SetWindowTextA(PageItem(0, IDC_NAME_MASKS), "*.doc");
  CheckDlgButton(g_finder.pages[1], IDC_ATTR_HIDDEN, BST_CHECKED);
  CheckDlgButton(g_finder.pages[1], IDC_ATTR_SYSTEM, BST_UNCHECKED);
  SendMessageA(PageItem(2, IDC_DATE_MODE), CB_SETCURSEL, 4, 0);
  CheckRadioButton(g_finder.pages[2], IDC_WHEN_CREATED, IDC_WHEN_ACCESSED, IDC_WHEN_ACCESSED);
  SetWindowTextA(PageItem(2, IDC_DATE1), "1/2/03");
  SetWindowTextA(PageItem(2, IDC_SIZE1), "4000000000");
  SetWindowTextA(PageItem(3, IDC_CONTAINING_TEXT), "needle");
  CheckDlgButton(g_finder.pages[3], IDC_IGNORE_CASE, BST_UNCHECKED);
  StoreCriteriaControls();
  std::string file = dir / "s.jqs";
  ASSERT_TRUE(SaveSearchFile(file.c_str(), g_finder.settings));
  Click(g_finder.panel, IDC_NEW_SEARCH);
  char text[64];
  GetWindowTextA(PageItem(3, IDC_CONTAINING_TEXT), text, sizeof text);
  EXPECT_STREQ(text, "");
  ASSERT_TRUE(LoadSearchFile(file.c_str(), &g_finder.settings));
  RefreshCriteriaPanel();
  GetWindowTextA(PageItem(0, IDC_LOOK_PATH), text, sizeof text);
  EXPECT_STREQ(text, "C:\\Data");
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[0], IDC_LOOK_IN_PATH), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[1], IDC_ATTR_HIDDEN), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[1], IDC_ATTR_SYSTEM), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[1], IDC_ATTR_ARCHIVE), BST_INDETERMINATE);
  EXPECT_EQ(SendMessageA(PageItem(2, IDC_DATE_MODE), CB_GETCURSEL, 0, 0), 4);
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[2], IDC_WHEN_ACCESSED), BST_CHECKED);
  GetWindowTextA(PageItem(2, IDC_DATE1), text, sizeof text);
  EXPECT_STREQ(text, "1/2/03");
  GetWindowTextA(PageItem(2, IDC_SIZE1), text, sizeof text);
  EXPECT_STREQ(text, "4000000000");
  GetWindowTextA(PageItem(3, IDC_CONTAINING_TEXT), text, sizeof text);
  EXPECT_STREQ(text, "needle");
  EXPECT_EQ(IsDlgButtonChecked(g_finder.pages[3], IDC_IGNORE_CASE), BST_UNCHECKED);
}

TEST(FinderNames, CapitalNamesAreShownInLowerCase) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"FILE01.TXT", "File01.txt"}, {"README", "Readme"}, {"Mixed.TXT", "Mixed.TXT"}, {"a.TXT", "a.TXT"}, {"123", "123"}};
  for (const Case& c : cases) EXPECT_EQ(DisplayName(c.in), c.out);
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x", "a*", "a?", "a\"b", "a<b", "a|b"})
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  EXPECT_TRUE(IsPlainFileName("name with space.txt"));
}

// The file manager starts the finder with a folder, masks and /GO: a second process searches at once.
TEST(FinderProcess, StartedWithPathMaskAndGoSearchesAtOnce) {
  jqtest::KeptRegistryKey kept(HKEY_CURRENT_USER, kFinderKey);
  jqtest::TempFolder dir;
  for (int i = 0; i < 5; ++i) dir.WriteFile("f" + std::to_string(i) + ".txt", "x");
  dir.WriteFile("other.log", "x");
  std::string cmd = "\"" + jqtest::ProgramFolder() + "\\JQSeek.exe\" /PATH:" + dir.path() + " /MASK:*.txt /GO";
  DWORD pid = 0;
  HANDLE process = jqtest::StartProcess(cmd, &pid);
  ASSERT_TRUE(process);
  HWND list = nullptr;
  ASSERT_TRUE(jqtest::PumpUntil([&] {
    HWND w = FindWindowA("JQSeek", nullptr);
    DWORD owner = 0;
    if (w) GetWindowThreadProcessId(w, &owner);
    list = owner == pid ? GetDlgItem(w, IDC_RESULT_LIST) : nullptr;
    return list && IsWindowVisible(list) && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 5;
  }, 30000));
  PostMessageA(GetParent(list), WM_CLOSE, 0, 0);
  EXPECT_EQ(jqtest::WaitProcess(process, 20000), 0);
}

}  // namespace

namespace {

int ToolbarButtons() {
  int buttons = 0;
  for (int i = 0, n = static_cast<int>(SendMessageA(g_finder.toolbar, TB_BUTTONCOUNT, 0, 0)); i < n; ++i) {
    TBBUTTON b{};
    if (SendMessageA(g_finder.toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)) && !(b.fsStyle & BTNS_SEP)) ++buttons;
  }
  return buttons;
}

// A finder started over a stored toolbar arrangement.
class FinderToolbar : public ::testing::Test {
 protected:
  void Start() {
    OleInitialize(nullptr);
    g_finder = FinderState{};
    ASSERT_TRUE(StartFinder(GetModuleHandleA(nullptr), "", SW_SHOW));
  }
  void TearDown() override {
    if (IsWindow(g_finder.main)) DestroyWindow(g_finder.main);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EndFinder();
    OleUninitialize();
  }
  jqtest::TestRegistry registry;
};

TEST_F(FinderToolbar, ArrangementKeptAndDamagedValuesFallBackToTheDefault) {
  Start();
  const int defaults = ToolbarButtons();
  EXPECT_EQ(defaults, 20);
  // A button removed is remembered for the next start.
  SendMessageA(g_finder.toolbar, TB_DELETEBUTTON, 0, 0);
  NMHDR change{g_finder.toolbar, IDC_FINDER_TOOLBAR, static_cast<UINT>(TBN_TOOLBARCHANGE)};
  SendMessageA(g_finder.main, WM_NOTIFY, IDC_FINDER_TOOLBAR, reinterpret_cast<LPARAM>(&change));
  DestroyWindow(g_finder.main);
  EndFinder();
  OleUninitialize();
  Start();
  EXPECT_EQ(ToolbarButtons(), defaults - 1);
  DestroyWindow(g_finder.main);
  EndFinder();
  OleUninitialize();
  // 4,096 random bytes where the arrangement was.
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(registry.user(), kFinderKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  std::vector<BYTE> junk(4096);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<BYTE>((i * 2654435761u) >> 13);
  RegSetValueExA(key, "Toolbar Current Settings", 0, REG_BINARY, junk.data(), static_cast<DWORD>(junk.size()));
  RegCloseKey(key);
  Start();
  EXPECT_GT(ToolbarButtons(), 0);
}

}  // namespace


namespace {

TEST_F(Finder, ContextMenuOnlyForOneDriveAndFolderOpensInTheFileManager) {
  dir.WriteFile("menu.txt", "x");
  SearchFolder(dir.path(), "menu.txt");
  ASSERT_EQ(ResultCount(), 1);
  jqtest::SeamRecorder seams;
  seams.menuAnswers = {0};
  ListView_SetItemState(g_finder.list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_TRUE(ShowResultContextMenu(POINT{10, 10}));
  ASSERT_EQ(seams.menusShown.size(), 1u);
  EXPECT_GT(seams.menusShown[0], 0u);
  // A selection spanning two drives has no menu.
  WIN32_FIND_DATAA other{};
  strcpy(other.cFileName, "x.txt");
  AddResultItem("D:\\elsewhere\\x.txt", other);
  ChangeResultSelection(1);
  EXPECT_FALSE(ShowResultContextMenu(POINT{10, 10}));
  EXPECT_EQ(seams.menusShown.size(), 1u);
  // The focused file's folder goes to JQNAVIG.EXE of the install folder.
  ChangeResultSelection(0);
  ListView_SetItemState(g_finder.list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(registry.machine(), "Software\\Belmoor\\Quorvanel\\CurrentVersion", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\Suite"), 9);
  RegCloseKey(key);
  ASSERT_TRUE(OpenFocusedFolderInFileManager());
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, "C:\\Suite\\JQNAVIG.EXE");
  EXPECT_EQ(seams.starts[0].parameters, dir.path());
}

}  // namespace

namespace {

TEST_F(Finder, SelectByMaskIgnoresLetterCaseAndTestsAttributes) {
  dir.WriteFile("a.txt", "x");
  std::string hidden = dir.WriteFile("h.txt", "x");
  dir.WriteFile("c.log", "x");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  SearchFolder(dir.path(), "*.*");
  ASSERT_EQ(ResultCount(), 3);
  auto selected = [&] {
    std::vector<std::string> names;
    for (int i = 0; i < ResultCount(); ++i)
      if (ListView_GetItemState(g_finder.list, i, LVIS_SELECTED)) names.push_back(ResultColumnText(i, 0));
    std::sort(names.begin(), names.end());
    return names;
  };
  SelectMaskChoice choice{};
  choice.select = TRUE;
  strcpy(choice.mask, "*.TXT");
  choice.archive = choice.readOnly = choice.hidden = choice.system = 2;
  SelectResultsByMask(choice);
  EXPECT_EQ(selected(), (std::vector<std::string>{"a.txt", "h.txt"}));
  choice.select = FALSE;
  choice.hidden = 1;
  SelectResultsByMask(choice);
  EXPECT_EQ(selected(), (std::vector<std::string>{"a.txt"}));
  choice.select = TRUE;
  choice.mask[0] = 0;
  choice.hidden = 0;
  SelectResultsByMask(choice);
  EXPECT_EQ(selected(), (std::vector<std::string>{"a.txt", "c.log"}));
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
