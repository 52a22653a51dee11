// Find and tag criteria as tables: name patterns, size comparisons with unfinished values, and
// date periods.
#include <gtest/gtest.h>
#include <windows.h>
#include "folder_node.h"
#include "settings_store.h"
#include "size_columns.h"
#include "voltaly_ui.h"

namespace {

TEST(FindCriteria, PatternLists) {
  struct Case {
    const char* patterns;
    const char* name;
    bool match;
  } cases[] = {
      {" *.TMP ;  CACHE? ", "CACHE1", true},
      {" *.TMP ;  CACHE? ", "X.TMP", true},
      {" *.TMP ;  CACHE? ", "CACHE", false},
      {" *.TMP ;  CACHE? ", "CACHE12", false},
      {";;", "A", false},
      {"", "A", false},
      {"*", "", true},
      {"?", "", false},
      {"A*B*C", "AXXBYYC", true},
      {"A*B*C", "AXXBYYCD", false},
      {"*ABC", "ABABC", true},
      {"照片*", "照片2024", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchPatternList(c.patterns, c.name), c.match) << c.patterns << " / " << c.name;
}

class NodeCriteria : public ::testing::Test {
 protected:
  void SetUp() override {
    g_settings.sizeOnDisk = 0;
    drive_ = NewDriveNode();
    drive_->totalBytes = 1e12;
    folder_ = NewFolderNode();
    folder_->drive = drive_;
    folder_->parent = drive_;
    folder_->name = name_;
    column_.typeId = kColTotal;
    targets_.column = &column_;
  }
  void SetSums(uint64_t files, uint64_t subs, uint8_t flags) {
    folder_->filesSize = files;
    folder_->subfoldersSize = subs;
    folder_->flags = flags;
    folder_->calcState = kCalcIdle;
  }
  static FILETIME HoursAgo(double hours) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= (ULONGLONG)(hours * 3600.0 * 1e7);
    return FILETIME{t.LowPart, t.HighPart};
  }
  wchar_t name_[16] = L"cache1";
  DriveNode* drive_ = nullptr;
  FolderNode* folder_ = nullptr;
  ColumnRecord column_;
  CriteriaTargets targets_;
};

TEST_F(NodeCriteria, SizesCompareOnlyFinishedValues) {
  const uint8_t done = kNodeFilesListed | kNodeSubtreeComplete;
  struct Case {
    uint8_t comparison;
    double v1, v2;
    uint64_t files, subs;
    uint8_t flags;
    bool match;
  } cases[] = {
      {2, 10240000.0, 0, 20000000, 0, kNodeFilesListed, false},  // still counting: -1
      {2, 10240000.0, 0, 20000000, 0, done, true},
      {2, 10240000.0, 0, 10240000, 0, done, false},
      {0, 10240000.0, 0, 10000000, 240000, done, true},
      {1, 100.0, 0, 99, 0, done, true},
      {1, 100.0, 0, 100, 0, done, false},
      {3, 50.0, 100.0, 50, 0, done, true},
      {3, 50.0, 100.0, 100, 0, done, true},
      {3, 50.0, 100.0, 60, 41, done, false},
      {2, 4294967296.0, 0, 5368709120ull, 0, done, true},  // 5 GiB over 4 GiB
  };
  for (const Case& c : cases) {
    FolderCriteria criteria;
    criteria.comparison = c.comparison;
    criteria.size1 = c.v1;
    criteria.size2 = c.v2;
    criteria.sizeSwitch = 0x80;
    SetSums(c.files, c.subs, c.flags);
    EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), c.match ? 1 : 0)
        << "comparison " << (int)c.comparison << " value " << c.files + c.subs;
  }
}

TEST_F(NodeCriteria, NamesAndDates) {
  SetSums(10, 0, kNodeFilesListed | kNodeSubtreeComplete);
  FolderCriteria criteria;
  criteria.sizeSwitch = 0;  // size off
  criteria.nameOn = 1;
  strcpy(targets_.patterns, "*.TMP;CACHE?");
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), 1);
  wcscpy(name_, L"cache");
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), 0);
  criteria.nameOn = 0;
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), 1);

  // Within 2 days / older than 2 days on the newest write time.
  targets_.reference = HoursAgo(48);
  struct Case {
    double writtenHoursAgo;
    bool olderThan;
    bool match;
  } cases[] = {{47, false, true}, {49, false, false}, {49, true, true}, {47, true, false}};
  for (const Case& c : cases) {
    folder_->newestWrite = HoursAgo(c.writtenHoursAgo);
    criteria.dateSwitch = (uint8_t)(0x80 | (c.olderThan ? 0x40 : 0) | 0);
    EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), c.match ? 1 : 0)
        << c.writtenHoursAgo << "h, older-than " << c.olderThan;
  }
  // The creation time is chosen by the low bits.
  folder_->created = HoursAgo(100);
  folder_->newestWrite = HoursAgo(1);
  criteria.dateSwitch = 0x80 | 1;
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), 0);
}

TEST_F(NodeCriteria, NodeWithoutDriveNeverMatches) {
  FolderCriteria criteria;
  criteria.sizeSwitch = 0;
  folder_->drive = nullptr;
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, folder_), 0);
  EXPECT_EQ(MatchesCriteria(&criteria, &targets_, nullptr), 0);
}

}  // namespace

namespace {

// A 5 GiB folder: every size and count column keeps all 64 bits.
TEST_F(NodeCriteria, FiveGibibytesInEveryColumn) {
  const uint64_t five = 5ull << 30;
  SetSums(five, five, kNodeFilesListed | kNodeSubtreeComplete);
  folder_->fileCount = 5000000000ull;
  g_settings.sizeUnits = 0;
  char out[128];
  struct Case {
    uint32_t type, flags;
    const char* expected;
  } cases[] = {
      {kColTotal, kColSize | kColNumeric, " 10,737,418,240"},
      {kColFiles, kColSize | kColNumeric, " 5,368,709,120"},
      {kColSubfolders, kColSize | kColNumeric, " 5,368,709,120"},
      {kColFileCount, kColShowZero, " 5000000000"},
  };
  for (const Case& c : cases) {
    ColumnRecord column;
    column.typeId = c.type;
    column.flags = c.flags;
    ASSERT_TRUE(FormatColumnValue(&column, folder_, out, sizeof out));
    EXPECT_STREQ(out, c.expected) << c.type;
  }
  g_settings.sizeUnits = 1;
  ColumnRecord total;
  total.typeId = kColTotal;
  total.flags = kColSize | kColNumeric;
  ASSERT_TRUE(FormatColumnValue(&total, folder_, out, sizeof out));
  EXPECT_EQ(std::string(out).substr(0, 6), " 10.0 ") << out;
  // Still counting: a lower bound.
  SetSums(five, 0, kNodeFilesListed);
  ASSERT_TRUE(FormatColumnValue(&total, folder_, out, sizeof out));
  EXPECT_EQ(out[0], '>');
  // Never computed: "---".
  folder_->calcState = kCalcNever;
  ASSERT_TRUE(FormatColumnValue(&total, folder_, out, sizeof out));
  EXPECT_STREQ(out, "---");
}

}  // namespace
