// The stored settings: byte offsets and defaults, round trips through the registry, short and
// out-of-range values, save-on-exit, column states and recent lists.
#include "settings_store.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_support.h"

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
double F64(const uint8_t* p) {
  double d;
  memcpy(&d, p, 8);
  return d;
}

HKEY ProgramKey(const jqtest::TestRegistry& reg) {
  HKEY key = nullptr;
  RegOpenKeyExA(reg.user(), kVoltalyKeyPath, 0, KEY_ALL_ACCESS, &key);
  return key;
}

bool ValueExists(const jqtest::TestRegistry& reg, const char* name) {
  HKEY key = ProgramKey(reg);
  if (!key) return false;
  bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

}  // namespace

TEST(VoltalySettings, DefaultsSitAtTheirStoredOffsets) {
  uint8_t b[kVoltalineSettingsSize];
  EncodeSettings(DefaultVoltalineSettings(), b);
  struct Byte { size_t at; uint8_t value; } bytes[] = {
      {0, 0}, {1, 1}, {2, 1}, {3, 1}, {24 + 24, 2}, {24 + 25, 0x80}, {24 + 26, 1}, {24 + 28, 1},
      {24 + 29, 0}, {56, 1}, {57, 1}, {80, 1}, {81, 0}, {82, 1}, {83, 1}, {88 + 24, 2},
      {88 + 25, 0x80}, {88 + 26, 0}, {88 + 28, 0}, {117, 0}, {264, 0}};
  for (const Byte& x : bytes) EXPECT_EQ(b[x.at], x.value) << "offset " << x.at;
  EXPECT_EQ(F64(b + 24 + 8), 10240000.0);
  EXPECT_EQ(F64(b + 88 + 16), 10240000.0);
  EXPECT_EQ(U32(b + 64), 0u);
  EXPECT_EQ(U32(b + 68), 1u);
  EXPECT_EQ(U32(b + 120), 0x00FF0000u);
  EXPECT_EQ(U32(b + 124), 0x000000FFu);
  EXPECT_EQ(U32(b + 128), 0x000000FFu);
  EXPECT_EQ(U32(b + 260), 3u);
  EXPECT_EQ(U32(b + 272), 1u);
  EXPECT_EQ(U32(b + 276), 1u);
  EXPECT_EQ(U32(b + 280), 0u);
}

TEST(VoltalySettings, RecordRoundTripsThroughTheRegistry) {
  jqtest::TestRegistry reg;
  VoltalineSettings s = DefaultVoltalineSettings();
  s.scanTarget = 1;
  s.scanOption = 0;
  s.sortColumn = 7;
  s.windowRect[0] = -5;
  s.windowRect[3] = 900;
  s.findCriteria.size1 = 123.5;
  s.findCriteria.comparison = 3;
  s.findCriteria.periods = 513;
  s.findCriteria.nameOn = 1;
  s.tagCriteria.dateSwitch = 0xC2;
  s.sizeUnits = 0;
  s.scanDriveMask = 1u << 3;
  s.scanDriveClasses[3] = 1;
  s.colour3 = 0x00123456;
  s.filePaneViewMode = 4;
  s.lastFindPage = 2;
  s.shownDriveMask = 0x3FFFFFE;
  g_settings = s;
  g_saveOnExit = 1;
  g_netClusterSizes[25] = 8192;
  SaveVoltalineSettings(FALSE, 5, "C:\\Some Folder");
  g_settings = VoltalineSettings{};
  g_netClusterSizes[25] = 0;
  g_currentPath[0] = 0;
  LoadVoltalineSettings();
  EXPECT_FALSE(g_firstRun);
  uint8_t a[kVoltalineSettingsSize], b[kVoltalineSettingsSize];
  s.sortColumn = 5;  // taken from the current sort column when saving
  EncodeSettings(s, a);
  EncodeSettings(g_settings, b);
  EXPECT_EQ(memcmp(a, b, sizeof a), 0);
  EXPECT_EQ(g_netClusterSizes[25], 8192u);
  EXPECT_STREQ(g_currentPath, "C:\\Some Folder");
  EXPECT_EQ(g_saveOnExit, 1u);
}

TEST(VoltalySettings, MissingShortOrOddValuesFallBackSafely) {
  jqtest::TestRegistry reg;
  g_currentPath[0] = 0;
  LoadVoltalineSettings();  // nothing stored
  EXPECT_TRUE(g_firstRun);
  EXPECT_EQ(g_saveOnExit, 0u);
  EXPECT_EQ(g_settings.scanOption, 1);
  EXPECT_EQ(g_settings.tagCriteria.periods, 0);
  EXPECT_EQ(g_settings.findCriteria.periods, 1);

  uint8_t shortRecord[100] = {};
  ASSERT_TRUE(WriteSettingBinary("GLobalSettings", shortRecord, sizeof shortRecord));
  LoadVoltalineSettings();
  EXPECT_TRUE(g_firstRun) << "a record of another length is not read";
  EXPECT_EQ(g_settings.colour1, 0x00FF0000u);

  uint8_t record[kVoltalineSettingsSize];
  EncodeSettings(DefaultVoltalineSettings(), record);
  record[83] = 7;   // showTabs
  record[81] = 0;   // showFilePane
  record[260] = 9;  // no such view mode
  ASSERT_TRUE(WriteSettingBinary("GLobalSettings", record, sizeof record));
  ASSERT_TRUE(WriteSettingString("CurrentPath", "C:\\Stored"));
  lstrcpynA(g_currentPath, "C:\\From command line", MAX_PATH);
  LoadVoltalineSettings();
  EXPECT_FALSE(g_firstRun);
  EXPECT_EQ(g_settings.showTabs, 1);
  EXPECT_EQ(g_settings.showFilePane, 0);
  EXPECT_EQ(g_settings.filePaneViewMode, 3u);
  EXPECT_STREQ(g_currentPath, "C:\\From command line");
  g_currentPath[0] = 0;
}

TEST(VoltalySettings, WithoutSaveOnExitOnlyTheFlagIsWritten) {
  jqtest::TestRegistry reg;
  g_settings = DefaultVoltalineSettings();
  g_saveOnExit = 0;
  SaveVoltalineSettings(FALSE, 2, "C:\\x");
  EXPECT_TRUE(ValueExists(reg, "SaveOnExit"));
  EXPECT_FALSE(ValueExists(reg, "GLobalSettings"));
  EXPECT_FALSE(ValueExists(reg, "CurrentPath"));
  SaveVoltalineSettings(TRUE, 2, "C:\\x");  // the save-now command
  EXPECT_TRUE(ValueExists(reg, "GLobalSettings"));
  EXPECT_TRUE(ValueExists(reg, "NetDriveClusterSize"));
  EXPECT_TRUE(ValueExists(reg, "CurrentPath"));
  // The chain exists down to the empty "Voltaline" key.
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(reg.user(), "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Voltaline", 0,
                          KEY_READ, &key), ERROR_SUCCESS);
  if (key) RegCloseKey(key);
}

TEST(VoltalySettings, ColumnStateIsTwelveBytesWithTheUsersFlags) {
  jqtest::TestRegistry reg;
  ColumnState c;
  c.flags = 0xFFFFFFFF;
  c.width = 321;
  c.barScale = 150;
  c.position = 4;
  c.ascending = 1;
  uint8_t b[kColumnStateSize];
  EncodeColumnState(c, b);
  EXPECT_EQ(U32(b), 0x0BDCu);
  EXPECT_EQ(U32(b + 4), 321u);
  EXPECT_EQ(b[8] | b[9] << 8, 150);
  EXPECT_EQ(b[10], 4);
  EXPECT_EQ(b[11], 1);
  ASSERT_TRUE(WriteColumnState(14, c));
  ColumnState back;
  ASSERT_TRUE(ReadColumnState(14, &back));
  EXPECT_EQ(back.flags, 0x0BDCu);
  EXPECT_EQ(back.width, 321u);
  EXPECT_FALSE(ReadColumnState(15, &back));
}

TEST(VoltalySettings, HistoryListMovesDuplicatesAndDropsTheOldest) {
  jqtest::TestRegistry reg;
  HistoryList8 list;
  for (int i = 1; i <= 8; ++i) AddHistoryEntry(&list, ("entry" + std::to_string(i)).c_str());
  char* third = list.entries[3];  // "entry5"
  AddHistoryEntry(&list, "ENTRY5");
  EXPECT_EQ(list.entries[0], third) << "the entry moves, nothing is allocated";
  EXPECT_STREQ(list.entries[0], "entry5");
  EXPECT_STREQ(list.entries[1], "entry8");
  AddHistoryEntry(&list, "ninth");
  AddHistoryEntry(&list, "");
  AddHistoryEntry(&list, nullptr);
  EXPECT_STREQ(list.entries[0], "ninth");
  for (char* e : list.entries) EXPECT_STRNE(e, "entry1");
  WriteHistoryList(&list, "CopyMoveTo");
  HistoryList8 back;
  ReadHistoryList(&back, "CopyMoveTo");
  for (int i = 0; i < 8; ++i) EXPECT_STREQ(back.entries[i], list.entries[i]) << i;
  FreeHistoryEntries(&list);
  FreeHistoryEntries(&back);
}
