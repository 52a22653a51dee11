#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "history_keys.h"
#include "test_support.h"

namespace {

// The string value of root\path (type and byte count included); type 0 when it is missing.
struct StoredValue {
  DWORD type = 0;
  DWORD bytes = 0;
  std::string text;
};
StoredValue ReadValue(HKEY root, const char* path, const char* name) {
  StoredValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  char buffer[MAX_PATH] = "";
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer), &size) ==
      ERROR_SUCCESS) {
    value.bytes = size;
    value.text = buffer;
  } else {
    value.type = 0;
  }
  RegCloseKey(key);
  return value;
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class HistoryKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(registry.user(), "Software\\Toolbar", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void TearDown() override { CloseHistoryKeys(); }
  jqtest::TestRegistry registry;
};

TEST_F(HistoryKeys, WritesStringsWithTheirNulIntoTheCreatedChildUntilClosed) {
  ASSERT_EQ(OpenRegKeyAndCreateSubkey(HKEY_CURRENT_USER, "Software\\Toolbar", "History"), 1);
  WriteHistoryString("History1", "C:\\layouts\\a.jqb");
  StoredValue v = ReadValue(registry.user(), "Software\\Toolbar\\History", "History1");
  EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(v.text, "C:\\layouts\\a.jqb");
  EXPECT_EQ(v.bytes, v.text.size() + 1);

  CloseHistoryKeys();
  WriteHistoryString("History2", "after closing");
  EXPECT_EQ(ReadValue(registry.user(), "Software\\Toolbar\\History", "History2").type, 0u);
  CloseHistoryKeys();  // closing twice is harmless
}

TEST_F(HistoryKeys, FailuresHoldNothingAndAReopenForgetsTheOldPair) {
  struct Case {
    const char* path;
    std::string subkey;
  };
  const Case failing[] = {
      {"Software\\Missing", "History"},                 // the path cannot be opened
      {"Software\\Toolbar", std::string(300, 'k')},     // the subkey cannot be created
  };
  for (const Case& c : failing) {
    ASSERT_EQ(OpenRegKeyAndCreateSubkey(HKEY_CURRENT_USER, "Software\\Toolbar", "Held"), 1);
    EXPECT_EQ(OpenRegKeyAndCreateSubkey(HKEY_CURRENT_USER, c.path, c.subkey.c_str()), 0) << c.path;
    WriteHistoryString("History1", "nowhere");
    // The earlier pair was closed by the new attempt: nothing reaches it.
    EXPECT_EQ(ReadValue(registry.user(), "Software\\Toolbar\\Held", "History1").type, 0u) << c.path;
    EXPECT_FALSE(KeyExists(registry.user(), "Software\\Missing"));
  }

  ASSERT_EQ(OpenRegKeyAndCreateSubkey(HKEY_CURRENT_USER, "Software\\Toolbar", "First"), 1);
  ASSERT_EQ(OpenRegKeyAndCreateSubkey(HKEY_CURRENT_USER, "Software\\Toolbar", "Second"), 1);
  WriteHistoryString("History1", "second");
  EXPECT_EQ(ReadValue(registry.user(), "Software\\Toolbar\\Second", "History1").text, "second");
  EXPECT_EQ(ReadValue(registry.user(), "Software\\Toolbar\\First", "History1").type, 0u);
}

}  // namespace
