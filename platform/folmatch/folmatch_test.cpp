// folmatch.dll as the file manager binds it: loaded from the program folder, the index answers
// for real files, and the synchronisation dialog, driven as a user would, changes the disk.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "folmatch.h"
#include "folmatch_resource.h"
#include "test_support.h"
#include "control_text.h"

namespace {

FILETIME Time(int secondsFromBase) {
  ULONGLONG ticks = 132223104000000000ull + static_cast<ULONGLONG>(secondsFromBase) * 10000000ull;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

class FolderMatch : public ::testing::Test {
 protected:
  void SetUp() override {
    library = LoadLibraryA((jqtest::ProgramFolder() + "\\folmatch.dll").c_str());
    ASSERT_NE(library, nullptr);
    init = reinterpret_cast<InitSearchPathFn>(GetProcAddress(library, "InitSearchPath"));
    isItem = reinterpret_cast<IsItemInPathFn>(GetProcAddress(library, "IsItemInPath"));
    cleanup = reinterpret_cast<CleanupSearchPathFn>(GetProcAddress(library, "CleanupSearchPath"));
    synchronize = reinterpret_cast<SynchronizeFn>(GetProcAddress(library, "Synchronize"));
    ASSERT_TRUE(init && isItem && cleanup && synchronize) << "the four undecorated exports";
    first = temp.MakeFolder("first");
    second = temp.MakeFolder("second");
  }
  void TearDown() override {
    if (library) FreeLibrary(library);
  }
  std::string Put(const std::string& relative, const std::string& text, int time) {
    std::string path = temp.WriteFile(relative, text);
    jqtest::SetWriteTimeFromBase(path, time);
    return path;
  }

  jqtest::TempFolder temp;
  std::string first, second;
  HMODULE library = nullptr;
  InitSearchPathFn init = nullptr;
  IsItemInPathFn isItem = nullptr;
  CleanupSearchPathFn cleanup = nullptr;
  SynchronizeFn synchronize = nullptr;
};

TEST_F(FolderMatch, IndexAnswersNewerOlderEqualAndMissing) {
  Put("second\\Report.TXT", "x", 1000);
  temp.MakeFolder("second\\folder");
  HANDLE index = init(second.c_str());
  ASSERT_NE(index, nullptr);
  struct Case {
    const char* name;
    int time;
    BOOL found;
    int sign;
  } cases[] = {
      {"report.txt", 1000, TRUE, 0},   // case does not matter
      {"REPORT.TXT", 1001, TRUE, 0},   // within the two seconds of FAT time stamps
      {"report.txt", 1010, TRUE, 1},   // the given file is newer
      {"report.txt", 900, TRUE, -1},   // older
      {"other.txt", 1000, FALSE, 0},
      {"folder", 1000, FALSE, 0},      // a folder is no file of that name
  };
  for (const Case& c : cases) {
    FILETIME t = Time(c.time);
    int result = 12345;
    EXPECT_EQ(isItem(index, c.name, &t, &result), c.found) << c.name << " " << c.time;
    if (c.found) EXPECT_EQ(result > 0 ? 1 : result < 0 ? -1 : 0, c.sign) << c.name << " " << c.time;
  }
  cleanup(index);
  EXPECT_EQ(init((temp.path() + "\\absent").c_str()), nullptr);
  EXPECT_EQ(init(""), nullptr);
}

// Steps post their clicks so that a message box the click opens does not stop the driver.
using Driver = jqtest::DialogDriver;

bool IsSyncDialog(HWND w) { return GetDlgItem(w, IDC_SYNC_LIST) != nullptr; }
bool IsQuestion(HWND w) { return GetDlgItem(w, IDYES) != nullptr && GetDlgItem(w, IDNO) != nullptr; }

Driver::Step Press(int id, bool (*where)(HWND)) {
  return [id, where](HWND w) {
    if (!where(w)) return false;
    PostMessageA(GetDlgItem(w, id), BM_CLICK, 0, 0);
    return true;
  };
}

std::vector<std::string> ListedNames(HWND dialog) { return jqtest::ListItemTexts(GetDlgItem(dialog, IDC_SYNC_LIST)); }

TEST_F(FolderMatch, SynchronizeBothWaysCopiesNewerFilesAndSubfolders) {
  Put("first\\only1.txt", "one", 100);
  Put("second\\only2.txt", "two", 100);
  Put("first\\same.txt", "same", 100);
  Put("second\\same.txt", "same", 100);
  Put("first\\newer.txt", "first new", 500);
  Put("second\\newer.txt", "second old", 100);
  Put("first\\older.txt", "first old", 100);
  Put("second\\older.txt", "second new", 500);
  Put("first\\sub\\deep.txt", "deep", 100);
  std::vector<std::string> listed;
  Driver driver({
      [&](HWND w) {
        if (!IsSyncDialog(w)) return false;
        listed = ListedNames(w);
        return true;
      },
      Press(IDC_SYNC_BOTH, IsSyncDialog),
      Press(IDC_SYNC_RUN, IsSyncDialog),
      [&](HWND w) { return IsSyncDialog(w) && ListView_GetItemCount(GetDlgItem(w, IDC_SYNC_LIST)) == 0; },
      Press(IDCANCEL, IsSyncDialog),
  });
  int copied = synchronize(nullptr, first.c_str(), second.c_str());
  EXPECT_EQ(driver.done(), 5u);
  EXPECT_EQ(listed, (std::vector<std::string>{"newer.txt", "older.txt", "only1.txt", "only2.txt", "sub\\deep.txt"}));
  EXPECT_EQ(copied, 5);
  EXPECT_EQ(jqtest::ReadFileText(second + "\\only1.txt"), "one");
  EXPECT_EQ(jqtest::ReadFileText(first + "\\only2.txt"), "two");
  EXPECT_EQ(jqtest::ReadFileText(second + "\\newer.txt"), "first new");
  EXPECT_EQ(jqtest::ReadFileText(first + "\\older.txt"), "second new");
  EXPECT_EQ(jqtest::ReadFileText(second + "\\sub\\deep.txt"), "deep");
}

TEST_F(FolderMatch, OneWayAsksBeforeReplacingANewerFile) {
  Put("first\\older.txt", "first old", 100);
  Put("second\\older.txt", "second new", 500);
  Put("first\\new.txt", "new", 100);
  // First → second: the newer file in the second folder is listed but not checked; checked by
  // hand, replacing it is asked, and "No" keeps it.
  auto checkAll = [](HWND w) {
    if (!IsSyncDialog(w)) return false;
    HWND list = GetDlgItem(w, IDC_SYNC_LIST);
    for (int i = 0; i < ListView_GetItemCount(list); ++i) ListView_SetCheckState(list, i, TRUE);
    return true;
  };
  bool defaultUnchecked = false;
  Driver driver({
      Press(IDC_SYNC_TO_SECOND, IsSyncDialog),
      [&](HWND w) {
        if (!IsSyncDialog(w)) return false;
        HWND list = GetDlgItem(w, IDC_SYNC_LIST);
        defaultUnchecked = ListView_GetItemCount(list) == 2 && ListView_GetCheckState(list, 0) &&
                           !ListView_GetCheckState(list, 1);  // new.txt checked, older.txt not
        return true;
      },
      checkAll,
      Press(IDC_SYNC_RUN, IsSyncDialog),
      Press(IDNO, IsQuestion),
      [](HWND w) { return IsSyncDialog(w); },
      checkAll,
      Press(IDC_SYNC_RUN, IsSyncDialog),
      Press(IDYES, IsQuestion),
      Press(IDCANCEL, IsSyncDialog),
  });
  int copied = synchronize(nullptr, first.c_str(), second.c_str());
  EXPECT_EQ(driver.done(), 10u);
  EXPECT_TRUE(defaultUnchecked);
  EXPECT_EQ(copied, 2);  // new.txt, then older.txt after "Yes"
  EXPECT_EQ(jqtest::ReadFileText(second + "\\new.txt"), "new");
  EXPECT_EQ(jqtest::ReadFileText(second + "\\older.txt"), "first old");
}

TEST_F(FolderMatch, SynchronizeAsksForAMissingFolder) {
  // The second path may be empty: the user types it.
  Driver driver({
      [&](HWND w) {
        if (!IsSyncDialog(w)) return false;
        SetDlgItemTextA(w, IDC_SYNC_SECOND, second.c_str());
        return true;
      },
      Press(IDC_SYNC_COMPARE, IsSyncDialog),
      [&](HWND w) { return IsSyncDialog(w) && ListView_GetItemCount(GetDlgItem(w, IDC_SYNC_LIST)) == 1; },
      Press(IDC_SYNC_RUN, IsSyncDialog),
      [&](HWND w) { return IsSyncDialog(w) && ListView_GetItemCount(GetDlgItem(w, IDC_SYNC_LIST)) == 0; },
      Press(IDCANCEL, IsSyncDialog),
  });
  Put("first\\a.txt", "a", 100);
  EXPECT_EQ(synchronize(nullptr, first.c_str(), ""), 1);
  EXPECT_EQ(driver.done(), 6u);
  EXPECT_EQ(jqtest::ReadFileText(second + "\\a.txt"), "a");
}

}  // namespace
