#include "history_list.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "settings_store.h"
#include "test_support.h"

namespace {

std::vector<std::string> Slots(const HistoryList& list) {
  std::vector<std::string> out;
  for (const char* s : list.slots) out.push_back(s ? s : "");
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

std::vector<std::string> StoredValues(const char* subkey) {
  std::vector<std::string> out;
  HKEY key = OpenSettingsSubkey(subkey, KEY_READ, false);
  if (!key) return out;
  for (int n = 1; n <= 20; ++n) {
    char name[16], text[MAX_PATH + 1] = "";
    wsprintfA(name, "History%d", n);
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) ==
        ERROR_SUCCESS)
      out.push_back(std::string(name) + "=" + text);
  }
  RegCloseKey(key);
  return out;
}

TEST(HistoryList, AddingMovesAndDrops) {
  struct Case {
    const char* what;
    std::vector<const char*> adds;
    std::vector<std::string> expected;
  };
  std::vector<const char*> seventeen;
  std::vector<std::string> lastSixteen;
  static std::string names[17];
  for (int i = 0; i < 17; ++i) {
    names[i] = "C:\\folder" + std::to_string(i);
    seventeen.push_back(names[i].c_str());
  }
  for (int i = 16; i >= 1; --i) lastSixteen.push_back(names[i]);
  const Case cases[] = {
      {"newest first", {"a", "b", "c"}, {"c", "b", "a"}},
      {"null and empty ignored", {"a", nullptr, "", "b"}, {"b", "a"}},
      {"same text in other case moves up in its stored case",
       {"C:\\Data", "x", "y", "z", "c:\\DATA"}, {"C:\\Data", "z", "y", "x"}},
      {"re-adding the newest changes nothing", {"a", "b", "b"}, {"b", "a"}},
      {"the seventeenth text drops the oldest", seventeen, lastSixteen},
  };
  for (const Case& c : cases) {
    HistoryList list;
    for (const char* text : c.adds) AddToHistoryList(&list, text);
    EXPECT_EQ(Slots(list), c.expected) << c.what;
  }

  HistoryList list;
  std::string longText(400, 'q');
  AddToHistoryList(&list, longText.c_str());
  ASSERT_TRUE(list.slots[0]);
  EXPECT_EQ(strlen(list.slots[0]), static_cast<size_t>(kHistoryTextMax));
}

TEST(HistoryList, SaveAndLoadKeepOrderAndLeaveNoStaleValues) {
  jqtest::TestRegistry registry;
  HistoryList list;
  for (const char* text : {"one", "two", "three", "four", "five"}) AddToHistoryList(&list, text);
  ASSERT_EQ(SaveHistoryList(&list, "DOS Command Line"), 1);
  EXPECT_EQ(StoredValues("DOS Command Line"),
            (std::vector<std::string>{"History1=five", "History2=four", "History3=three",
                                      "History4=two", "History5=one"}));

  HistoryList loaded;
  LoadHistoryList(&loaded, "DOS Command Line");
  EXPECT_EQ(Slots(loaded), (std::vector<std::string>{"five", "four", "three", "two", "one"}));

  // A shorter list leaves no higher-numbered values behind.
  HistoryList shorter;
  AddToHistoryList(&shorter, "only");
  AddToHistoryList(&shorter, "newest");
  ASSERT_EQ(SaveHistoryList(&shorter, "DOS Command Line"), 1);
  EXPECT_EQ(StoredValues("DOS Command Line"),
            (std::vector<std::string>{"History1=newest", "History2=only"}));
  LoadHistoryList(&loaded, "DOS Command Line");
  EXPECT_EQ(Slots(loaded), (std::vector<std::string>{"newest", "only"}));

  // A missing subkey loads an empty list.
  LoadHistoryList(&loaded, "Never Saved");
  EXPECT_EQ(loaded.Count(), 0);
}

TEST(HistoryList, LoadCollapsesDuplicatesAndSkipsBadValues) {
  jqtest::TestRegistry registry;
  HKEY key = OpenSettingsSubkey("Copy To", KEY_ALL_ACCESS, true);
  ASSERT_TRUE(key);
  auto set = [&](const char* name, const std::string& text, DWORD type = REG_SZ) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  };
  set("History1", "C:\\Work");
  set("History2", "D:\\Music");
  set("History3", "c:\\work");
  set("History4", std::string(300, 'z'));  // longer than a stored entry can be
  set("History5", "E:\\Bin", REG_BINARY);
  set("History7", "F:\\Gap");
  RegCloseKey(key);

  HistoryList list;
  LoadHistoryList(&list, "Copy To");
  // Values are added from the oldest up, so a duplicate keeps the older entry's letter case.
  EXPECT_EQ(Slots(list), (std::vector<std::string>{"c:\\work", "D:\\Music", "F:\\Gap"}));
}

TEST(HistoryList, FillsAComboInOrder) {
  HistoryList list;
  for (const char* text : {"c", "b", "a"}) AddToHistoryList(&list, text);
  HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200,
                               nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(combo);
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("stale"));
  FillComboFromHistory(combo, &list);
  ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
  const char* expected[] = {"a", "b", "c"};
  for (int i = 0; i < 3; ++i) {
    char text[16] = "";
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, expected[i]);
  }
  DestroyWindow(combo);
}

}  // namespace
