#include "wizard_history.h"

#include <gtest/gtest.h>
#include <windows.h>
#include "test_support.h"

namespace guider {
namespace {

const char kKey[] = "SOFTWARE\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar";

void Store(HKEY root, const std::vector<const char*>& slots) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(root, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots[i])
      RegSetValueExA(key, ("History" + std::to_string(i + 1)).c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(slots[i]), DWORD(strlen(slots[i]) + 1));
  RegCloseKey(key);
}

TEST(LayoutHistory, NewPathGoesFirst) {
  const struct {
    const char* what;
    std::vector<const char*> before;  // null: no value
    const char* path;
    std::vector<std::string> after;
  } cases[] = {
      {"no key yet: the chain is created", {}, "C:\\a.jqc", {"C:\\a.jqc", "", "", ""}},
      {"the fourth is dropped", {"C:\\1.jqc", "C:\\2.jqc", "C:\\3.jqc", "C:\\4.jqc"}, "C:\\a.jqc",
       {"C:\\a.jqc", "C:\\1.jqc", "C:\\2.jqc", "C:\\3.jqc"}},
      {"an entry equal ignoring case moves to the front",
       {"C:\\1.jqc", "C:\\2.jqc", "c:\\A.JQC", "C:\\4.jqc"}, "C:\\a.jqc",
       {"C:\\a.jqc", "C:\\1.jqc", "C:\\2.jqc", "C:\\4.jqc"}},
      {"already first", {"C:\\a.jqc", "C:\\2.jqc"}, "C:\\a.jqc", {"C:\\a.jqc", "C:\\2.jqc", "", ""}},
      {"a short list grows", {"C:\\1.jqc"}, "C:\\a.jqc", {"C:\\a.jqc", "C:\\1.jqc", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    jqtest::TestRegistry registry;
    if (!c.before.empty()) Store(registry.user(), c.before);
    EXPECT_FALSE(HasRecentLayout() && c.before.empty());
    ASSERT_TRUE(UpdateLayoutHistory(c.path));
    EXPECT_EQ(ReadLayoutHistory(), c.after);
    EXPECT_TRUE(HasRecentLayout());
  }
}

TEST(LayoutHistory, EmptySlotsAreLeftUntouchedAndOddValuesSkipped) {
  jqtest::TestRegistry registry;
  Store(registry.user(), {"C:\\1.jqc"});
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(registry.user(), kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  DWORD number = 7;
  RegSetValueExA(key, "History2", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4);
  std::string tooLong(400, 'x');
  RegSetValueExA(key, "History3", 0, REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
                 DWORD(tooLong.size() + 1));
  RegCloseKey(key);

  ASSERT_TRUE(UpdateLayoutHistory("C:\\a.jqc"));
  // The unreadable values count as empty slots; History1 and History2 are rewritten.
  ASSERT_EQ(RegOpenKeyExA(registry.user(), kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[300] = {};
  DWORD size = sizeof(text), type = 0;
  EXPECT_EQ(RegQueryValueExA(key, "History2", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_STREQ(text, "C:\\1.jqc");
  EXPECT_EQ(size, DWORD(strlen("C:\\1.jqc") + 1));
  // History3 was empty in the new list and keeps its old value.
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "History3", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, DWORD(tooLong.size() + 1));
  RegCloseKey(key);
}

}  // namespace
}  // namespace guider
