#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "navigation_history.h"
#include "pidl.h"
#include "test_support.h"
#include "command_ids.h"

namespace {

class NavigationHistoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 12; ++i) {
      std::string path = t.MakeFolder("F" + std::to_string(i));
      lists.emplace_back(ParsePathToPidl(path.c_str(), nullptr, nullptr));
      ASSERT_TRUE(lists.back());
    }
  }
  void TearDown() override { FreeNavigationHistory(); }
  std::string NameOf(LPCITEMIDLIST entry) {
    for (size_t i = 0; i < lists.size(); ++i)
      if (GetPidlSize(entry) == GetPidlSize(lists[i].get()) &&
          memcmp(entry, lists[i].get(), GetPidlSize(entry)) == 0)
        return "F" + std::to_string(i);
    return "?";
  }
  jqtest::TempFolder t;
  std::vector<PidlPtr> lists;
};

TEST_F(NavigationHistoryTest, KeepsTheLastTenAndStepsBothWays) {
  for (int i = 0; i < 12; ++i) PushHistoryEntry(0, lists[i].get());
  EXPECT_EQ(GetHistoryCount(0), 10u);
  EXPECT_EQ(GetHistoryCurrent(0), 9);
  EXPECT_EQ(NameOf(GetNavigationHistory(0).entries[0]), "F2");
  EXPECT_FALSE(CanGoForward(0));
  EXPECT_EQ(NameOf(StepHistoryBack(0)), "F10");
  EXPECT_EQ(NameOf(StepHistoryBack(0)), "F9");
  EXPECT_TRUE(CanGoForward(0));
  EXPECT_EQ(NameOf(StepHistoryForward(0)), "F10");
  EXPECT_EQ(GetHistoryCount(1), 0u) << "the other pane keeps its own history";
  EXPECT_FALSE(CanGoBack(1));
  EXPECT_EQ(StepHistoryBack(1), nullptr);
}

TEST_F(NavigationHistoryTest, NewFolderAfterGoingBackDropsForwardEntries) {
  for (int i = 0; i < 10; ++i) PushHistoryEntry(0, lists[i].get());
  StepHistoryBack(0);
  StepHistoryBack(0);  // shows F7
  PushHistoryEntry(0, lists[11].get());
  // A full history first gives up its oldest entry, then the forward ones go.
  ASSERT_EQ(GetHistoryCount(0), 8u);
  EXPECT_EQ(NameOf(GetNavigationHistory(0).entries[0]), "F1");
  EXPECT_EQ(NameOf(GetNavigationHistory(0).entries[6]), "F7");
  EXPECT_EQ(NameOf(GetNavigationHistory(0).entries[7]), "F11");
  EXPECT_FALSE(CanGoForward(0));
}

TEST_F(NavigationHistoryTest, JumpAndRestore) {
  for (int i = 0; i < 4; ++i) PushHistoryEntry(1, lists[i].get());
  EXPECT_EQ(NameOf(JumpToHistoryEntry(1, 1)), "F1");
  RestoreHistoryPosition(1);
  EXPECT_EQ(GetHistoryCurrent(1), 3);
  EXPECT_EQ(JumpToHistoryEntry(1, 7), nullptr);
}

TEST_F(NavigationHistoryTest, MenuListsEntriesAndChecksTheCurrentOne) {
  for (int i = 0; i < 3; ++i) PushHistoryEntry(0, lists[i].get());
  StepHistoryBack(0);
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_STRING, ID_GO_BACK, "Back");
  AppendMenuA(menu, MF_STRING, ID_GO_FORWARD, "Forward");
  BuildHistoryMenu(menu, 0);
  BuildHistoryMenu(menu, 0);  // rebuilding replaces, never duplicates
  EXPECT_EQ(GetMenuItemCount(menu), 5);
  EXPECT_EQ(GetMenuState(menu, 48401, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  EXPECT_EQ(GetMenuState(menu, 48400, MF_BYCOMMAND) & MF_CHECKED, 0u);
  char text[MAX_PATH];
  GetMenuStringA(menu, 48402, text, MAX_PATH, MF_BYCOMMAND);
  std::string s = text;
  EXPECT_EQ(s.rfind("&2  ", 0), 0u) << s;
  EXPECT_NE(s.find("F2"), std::string::npos) << s;
  DestroyMenu(menu);
}

TEST_F(NavigationHistoryTest, DeletedFolderShowsItsDisplayName) {
  PushHistoryEntry(0, lists[0].get());
  PushHistoryEntry(0, lists[1].get());
  RemoveDirectoryA((t / "F0").c_str());
  char name[MAX_PATH];
  ASSERT_EQ(GetBackEntryName(0, name), 1);
  EXPECT_STRNE(name, "");
  EXPECT_EQ(GetForwardEntryName(0, name), 0);
  EXPECT_STREQ(name, "");
}

TEST(NormalizeNameCase, Table) {
  const struct { const char* in; const char* out; } cases[] = {
      {"C:\\WINDOWS\\SYSTEM32", "C:\\Windows\\System32"},
      {"C:\\My Docs\\ABC def", "C:\\My Docs\\ABC def"},
      {"\\\\SERVER\\SHARE_1", "\\\\Server\\Share_1"},
      {"C:\\Mixed\\X", "C:\\Mixed\\X"},
  };
  for (const auto& c : cases) {
    char buf[MAX_PATH];
    lstrcpyA(buf, c.in);
    NormalizeNameCase(buf);
    EXPECT_STREQ(buf, c.out);
  }
}

}  // namespace
