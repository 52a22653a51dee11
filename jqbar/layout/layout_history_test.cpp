#include "layout_history.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "test_support.h"

namespace jqbar {
namespace {

std::vector<std::string> Slots(const LayoutHistory& h) {
  std::vector<std::string> out;
  for (int i = 0; i < LayoutHistory::kSlots; ++i) out.push_back(h.Entry(i));
  return out;
}

TEST(LayoutHistory, AddMovesToFrontAndDropsTheOldest) {
  struct Case { std::vector<std::string> adds; std::vector<std::string> slots; };
  const Case cases[] = {
      {{"a", "b"}, {"b", "a", "", ""}},
      {{"a", "b", "c", "d", "e"}, {"e", "d", "c", "b"}},
      {{"a", "b", "c", "d", "B"}, {"B", "d", "c", "a"}},  // same path ignoring case moves up
      {{"a", "b", "c", "d", "d"}, {"d", "c", "b", "a"}},
      {{"a", "", "b"}, {"b", "a", "", ""}},               // an empty path does nothing
  };
  for (const Case& c : cases) {
    LayoutHistory h;
    for (const std::string& p : c.adds) h.Add(p);
    EXPECT_EQ(Slots(h), c.slots);
  }
  LayoutHistory h;
  for (const char* p : {"1", "2", "3", "4"}) h.Add(p);
  EXPECT_EQ(h.Entry(7), "1");  // past the end reads the last slot
}

TEST(LayoutHistory, SavedAndLoadedThroughTheToolbarKey) {
  jqtest::TestRegistry registry;
  LayoutHistory none;
  none.Load();  // no key: nothing
  EXPECT_EQ(none.Entry(0), "");

  LayoutHistory h;
  for (const char* p : {"C:\\d.jqc", "C:\\c.jqc", "C:\\b.jqc"}) h.Add(p);
  ASSERT_TRUE(h.Save());
  LayoutHistory back;
  back.Load();
  EXPECT_EQ(Slots(back), Slots(h));

  char value[64] = {};
  DWORD size = sizeof value;
  ASSERT_EQ(RegGetValueA(registry.user(), kToolbarKeyPath, "History1", RRF_RT_REG_SZ, nullptr,
                         value, &size), ERROR_SUCCESS);
  EXPECT_STREQ(value, "C:\\b.jqc");
}

TEST(LayoutHistory, TrayIconSetting) {
  jqtest::TestRegistry registry;
  EXPECT_TRUE(IsTrayIconWanted());   // no key
  EXPECT_FALSE(SetTrayIconWanted(false));  // the key is not created for this
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(registry.user(), kToolbarKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr), ERROR_SUCCESS);
  EXPECT_TRUE(IsTrayIconWanted());   // no value
  ASSERT_TRUE(SetTrayIconWanted(false));
  EXPECT_FALSE(IsTrayIconWanted());
  ASSERT_TRUE(SetTrayIconWanted(true));
  EXPECT_TRUE(IsTrayIconWanted());
  RegSetValueExA(key, "NoTrayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>("yes"), 4);
  EXPECT_TRUE(IsTrayIconWanted());
  RegCloseKey(key);
}

}  // namespace
}  // namespace jqbar
