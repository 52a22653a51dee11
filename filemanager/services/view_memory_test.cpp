#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pidl.h"
#include "test_support.h"
#include "view_memory.h"
#include "command_ids.h"

namespace {

// Item id lists for registry tests need not name real folders: any well-formed list will do.
std::vector<BYTE> FakeList(int n) {
  std::vector<BYTE> v = {6, 0, static_cast<BYTE>('F'), static_cast<BYTE>(n), static_cast<BYTE>(n >> 8), 0x5A, 0, 0};
  return v;
}

LPCITEMIDLIST L(const std::vector<BYTE>& v) { return reinterpret_cast<LPCITEMIDLIST>(v.data()); }

FolderViewRecord Sample(int n) {
  FolderViewRecord r{};
  DefaultPanesSettings(&r.panes);
  r.panes.viewCommand[1] = ID_VIEW_DETAILS;
  r.panes.treeWidth[0] = 100 + n;
  lstrcpyA(r.panes.folder[1], "C:\\windows");
  r.toolbarShown = 1;
  r.viewerShown = 1;
  r.twoPanes = 1;
  r.orientation = 0;
  r.left = -5;
  r.bottom = 700;
  r.viewerRatio = 0.25f;
  r.paneRatio = 0.75f;
  return r;
}

std::string MruList() {
  HKEY k = OpenSettingsSubkey("FolderMRU", KEY_READ, false);
  char buf[100] = "";
  DWORD size = sizeof buf - 1;
  if (k) {
    RegQueryValueExA(k, "MRUList", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(k);
  }
  return buf;
}

TEST(ViewMemory, RecordImageHasTheStoredLayout) {
  FolderViewRecord r = Sample(1);
  uint8_t bytes[kFolderViewRecordSize];
  EncodeFolderViewRecord(r, bytes);
  EXPECT_EQ(bytes[0] | bytes[4] | bytes[72], 0) << "fields the record does not use are zero";
  EXPECT_EQ(bytes[60] | (bytes[61] << 8), ID_VIEW_DETAILS);
  EXPECT_EQ(bytes[624], 1) << "two panes";
  EXPECT_EQ(static_cast<int8_t>(bytes[632]), -5);
  float ratio;
  memcpy(&ratio, bytes + 652, 4);
  EXPECT_FLOAT_EQ(ratio, 0.75f);
  FolderViewRecord back{};
  DecodeFolderViewRecord(bytes, &back);
  EXPECT_EQ(back.panes.treeWidth[0], 101u);
  EXPECT_STREQ(back.panes.folder[1], "C:\\windows");
  EXPECT_EQ(back.left, -5);
  EXPECT_EQ(back.bottom, 700);
  EXPECT_FLOAT_EQ(back.viewerRatio, 0.25f);
  EXPECT_EQ(back.panes.twoPanes, 1u);
}

TEST(ViewMemory, SameFolderKeepsOneSlotAndMovesToFront) {
  jqtest::TestRegistry reg;
  auto a = FakeList(1), b = FakeList(2);
  FolderViewRecord r{};
  EXPECT_EQ(LoadFolderViewRecord(L(a), &r), 0);
  ASSERT_EQ(SaveFolderViewRecord(L(a), Sample(1)), 1);
  ASSERT_EQ(SaveFolderViewRecord(L(b), Sample(2)), 1);
  EXPECT_EQ(MruList(), "BA");
  ASSERT_EQ(SaveFolderViewRecord(L(a), Sample(3)), 1);
  EXPECT_EQ(MruList(), "AB");
  ASSERT_EQ(LoadFolderViewRecord(L(a), &r), 1);
  EXPECT_EQ(r.panes.treeWidth[0], 103u);
  EXPECT_EQ(FindFolderViewLetter(L(b)), 'B');
}

TEST(ViewMemory, SixtyFirstFolderTakesTheLeastRecentSlot) {
  jqtest::TestRegistry reg;
  for (int i = 0; i < 61; ++i) ASSERT_EQ(SaveFolderViewRecord(L(FakeList(i)), Sample(i)), 1);
  std::string mru = MruList();
  EXPECT_EQ(mru.size(), 60u);
  EXPECT_EQ(mru[0], 'A') << "the slot of folder 0 was taken over";
  EXPECT_NE(mru.find('['), std::string::npos);
  EXPECT_NE(mru.find('\\'), std::string::npos);
  EXPECT_NE(mru.find('|'), std::string::npos);
  FolderViewRecord r{};
  EXPECT_EQ(LoadFolderViewRecord(L(FakeList(0)), &r), 0);
  ASSERT_EQ(LoadFolderViewRecord(L(FakeList(60)), &r), 1);
  EXPECT_EQ(r.panes.treeWidth[0], 160u);
  ASSERT_EQ(LoadFolderViewRecord(L(FakeList(28)), &r), 1) << "a folder in a '\\' slot";
  EXPECT_EQ(r.panes.treeWidth[0], 128u);
}

TEST(ViewMemory, ListFontIsUnsetUntilStored) {
  LOGFONTA f{};
  EXPECT_EQ(GetListFont(&f), 0);
  lstrcpyA(f.lfFaceName, "Tahoma");
  f.lfHeight = -13;
  SetListFont(f);
  LOGFONTA g{};
  ASSERT_EQ(GetListFont(&g), 1);
  EXPECT_STREQ(g.lfFaceName, "Tahoma");
}

}  // namespace
