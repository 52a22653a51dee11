#include "finder_settings.h"

#include <gtest/gtest.h>
#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

FinderSettings Sample() {
  FinderSettings s = NewSearchFinderSettings();
  memset(s.drives, 0, sizeof s.drives);
  s.drives[3] = s.drives[25] = 1;
  s.lookInPath = 1;
  s.includeSubfolders = 0;
  strcpy(s.fileType, "Text Document");
  s.archiveState = 0;
  s.readOnlyState = 1;
  s.hiddenState = 2;
  s.systemState = 1;
  s.directoryState = 0;
  s.dateMode = 4;
  s.whichTime = 2;
  strcpy(s.date1Text, "3/10/24");
  strcpy(s.date2Text, "4/2/24");
  s.timeMode = 7;
  strcpy(s.time1Text, "9:05");
  strcpy(s.time2Text, "17:00");
  s.sizeMode = 5;
  s.size1 = 0x01020304;
  s.size2 = 0xFFFFFFFF;
  s.ignoreCase = 0;
  strcpy(s.containingText, "\xa4\xa4\xa4\xe5 text");
  strcpy(s.nameMasks, "*.txt;*.log");
  strcpy(s.path, "C:\\Documents\\Reports");
  return s;
}

uint32_t U32(const uint8_t* b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

TEST(FinderSettingsRecord, FieldsLieAtTheirOffsets) {
  uint8_t b[kFinderSettingsBytes];
  FinderSettingsToBytes(Sample(), b);
  EXPECT_EQ(b[3], 1);
  EXPECT_EQ(b[25], 1);
  EXPECT_EQ(b[2], 0);
  EXPECT_EQ(b[26] | b[27], 0);
  EXPECT_EQ(U32(b, 28), 1u);
  EXPECT_EQ(U32(b, 32), 0u);
  EXPECT_STREQ(reinterpret_cast<char*>(b + 36), "Text Document");
  const uint8_t states[] = {0, 0, 1, 0, 2, 0, 1, 0, 0, 0, 0, 0};
  EXPECT_EQ(0, memcmp(b + 136, states, sizeof states));
  EXPECT_EQ(U32(b, 148), 4u);
  EXPECT_EQ(U32(b, 152), 2u);
  EXPECT_STREQ(reinterpret_cast<char*>(b + 156), "3/10/24");
  EXPECT_STREQ(reinterpret_cast<char*>(b + 186), "4/2/24");
  EXPECT_EQ(U32(b, 216), 7u);
  EXPECT_STREQ(reinterpret_cast<char*>(b + 220), "9:05");
  EXPECT_STREQ(reinterpret_cast<char*>(b + 240), "17:00");
  EXPECT_EQ(U32(b, 260), 5u);
  EXPECT_EQ(U32(b, 264), 0x01020304u);
  EXPECT_EQ(U32(b, 268), 0xFFFFFFFFu);
  EXPECT_EQ(U32(b, 272), 0u);
  EXPECT_EQ(U32(b, 276) | U32(b, 280), 0u);
  EXPECT_STREQ(reinterpret_cast<char*>(b + 284), "\xa4\xa4\xa4\xe5 text");
  EXPECT_STREQ(reinterpret_cast<char*>(b + 384), "*.txt;*.log");
  EXPECT_STREQ(reinterpret_cast<char*>(b + 484), "C:\\Documents\\Reports");
}

TEST(FinderSettingsRecord, StartAndNewSearchValues) {
  FinderSettings start = StartupFinderSettings();
  FinderSettings fresh = NewSearchFinderSettings();
  EXPECT_EQ(start.drives[2], 1);
  EXPECT_STREQ(start.nameMasks, "*.*");
  EXPECT_STREQ(start.path, "C:\\");
  EXPECT_EQ(start.directoryState, 2);
  EXPECT_EQ(fresh.directoryState, 0);
  EXPECT_STREQ(fresh.nameMasks, "");
  EXPECT_EQ(fresh.whichTime, 1u);
  EXPECT_EQ(fresh.ignoreCase, 1u);
  EXPECT_EQ(fresh.archiveState, 2);
}

TEST(FinderSettingsRecord, HostileBytesComeBackBoundedAndTerminated) {
  std::vector<uint8_t> junk(kFinderSettingsBytes, 0xFF);
  FinderSettings s = StartupFinderSettings();
  FinderSettingsFromBytes(junk.data(), junk.size(), &s);
  EXPECT_EQ(s.lookInPath, 1u);
  EXPECT_EQ(s.directoryState, 2);
  EXPECT_LE(s.dateMode, 5u);
  EXPECT_LE(s.timeMode, 7u);
  EXPECT_LE(s.sizeMode, 7u);
  EXPECT_LE(s.whichTime, 2u);
  EXPECT_EQ(strlen(s.path), 259u);
  EXPECT_EQ(strlen(s.nameMasks), 99u);
  EXPECT_EQ(strlen(s.date1Text), 29u);
  // A short record changes only the fields it holds.
  FinderSettings kept = Sample();
  uint8_t head[30] = {};
  head[0] = 1;
  FinderSettingsFromBytes(head, sizeof head, &kept);
  EXPECT_EQ(kept.drives[0], 1);
  EXPECT_EQ(kept.drives[3], 0);
  EXPECT_EQ(kept.includeSubfolders, 0u);
  EXPECT_STREQ(kept.path, "C:\\Documents\\Reports");
}

class SavedSearch : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
  std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }
  // A compound file of our own making: class id and streams as given.
  void MakeStorage(const std::string& path, const CLSID& clsid, const wchar_t* stream,
                   const std::vector<uint8_t>& bytes) {
    IStorage* stg = nullptr;
    ASSERT_HRESULT_SUCCEEDED(StgCreateDocfile(Wide(path).c_str(),
        STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &stg));
    stg->SetClass(clsid);
    if (stream) {
      IStream* s = nullptr;
      ASSERT_HRESULT_SUCCEEDED(stg->CreateStream(stream, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &s));
      ULONG w;
      if (!bytes.empty()) s->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &w);
      s->Release();
    }
    stg->Commit(STGC_DEFAULT);
    stg->Release();
  }
  jqtest::TempFolder dir;
};

TEST_F(SavedSearch, WrittenAndReadBackWithClassAndStream) {
  std::string path = dir / "find.jqs";
  ASSERT_TRUE(SaveSearchFile(path.c_str(), Sample()));
  // What is on disk: the class id and exactly the 744 bytes in "SETTINGS".
  IStorage* stg = nullptr;
  ASSERT_HRESULT_SUCCEEDED(StgOpenStorage(Wide(path).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &stg));
  STATSTG st{};
  stg->Stat(&st, STATFLAG_NONAME);
  EXPECT_TRUE(IsEqualCLSID(st.clsid, CLSID_JQSeekSavedSearch));
  IStream* s = nullptr;
  ASSERT_HRESULT_SUCCEEDED(stg->OpenStream(L"SETTINGS", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &s));
  uint8_t onDisk[800];
  ULONG got = 0;
  s->Read(onDisk, sizeof onDisk, &got);
  s->Release();
  stg->Release();
  uint8_t expected[kFinderSettingsBytes];
  FinderSettingsToBytes(Sample(), expected);
  ASSERT_EQ(got, kFinderSettingsBytes);
  EXPECT_EQ(0, memcmp(onDisk, expected, kFinderSettingsBytes));

  FinderSettings back = StartupFinderSettings();
  ASSERT_TRUE(LoadSearchFile(path.c_str(), &back));
  uint8_t again[kFinderSettingsBytes];
  FinderSettingsToBytes(back, again);
  EXPECT_EQ(0, memcmp(again, expected, kFinderSettingsBytes));
  EXPECT_FALSE(jqtest::FileExists(path + ".~jq"));
}

TEST_F(SavedSearch, OtherFilesAreRefusedAndTheCriteriaKept) {
  const CLSID other = {0x12345678, 0x1, 0x2, {0, 1, 2, 3, 4, 5, 6, 7}};
  std::vector<uint8_t> bytes(kFinderSettingsBytes, 0);
  struct Case { const char* name; std::function<void(const std::string&)> make; } cases[] = {
      {"plain.jqs", [&](const std::string& p) { dir.WriteFile("plain.jqs", std::string(2000, 'x')); }},
      {"otherclass.jqs", [&](const std::string& p) { MakeStorage(p, other, L"SETTINGS", bytes); }},
      {"nostream.jqs", [&](const std::string& p) { MakeStorage(p, CLSID_JQSeekSavedSearch, nullptr, {}); }},
      {"otherstream.jqs", [&](const std::string& p) { MakeStorage(p, CLSID_JQSeekSavedSearch, L"OTHER", bytes); }},
      {"empty.jqs", [&](const std::string& p) { dir.WriteFile("empty.jqs", ""); }},
      {"missing.jqs", [&](const std::string&) {}},
  };
  for (const Case& c : cases) {
    std::string path = dir / c.name;
    c.make(path);
    FinderSettings s = Sample();
    EXPECT_FALSE(LoadSearchFile(path.c_str(), &s)) << c.name;
    uint8_t a[kFinderSettingsBytes], b[kFinderSettingsBytes];
    FinderSettingsToBytes(s, a);
    FinderSettingsToBytes(Sample(), b);
    EXPECT_EQ(0, memcmp(a, b, sizeof a)) << c.name;
  }
}

TEST_F(SavedSearch, LongerOrHostileStreamsAreBounded) {
  std::vector<uint8_t> bytes(5000, 0xFF);
  std::string path = dir / "hostile.jqs";
  MakeStorage(path, CLSID_JQSeekSavedSearch, L"SETTINGS", bytes);
  FinderSettings s = Sample();
  ASSERT_TRUE(LoadSearchFile(path.c_str(), &s));
  EXPECT_EQ(strlen(s.path), 259u);
  EXPECT_LE(s.sizeMode, 7u);
}

TEST_F(SavedSearch, AFailedSaveKeepsTheOldFile) {
  std::string path = dir / "keep.jqs";
  ASSERT_TRUE(SaveSearchFile(path.c_str(), Sample()));
  // The folder's temporary name is taken by a folder: the save cannot write and must not touch
  // the old file.
  CreateDirectoryA((path + ".~jq").c_str(), nullptr);
  FinderSettings other = NewSearchFinderSettings();
  EXPECT_FALSE(SaveSearchFile(path.c_str(), other));
  FinderSettings back = StartupFinderSettings();
  ASSERT_TRUE(LoadSearchFile(path.c_str(), &back));
  EXPECT_STREQ(back.path, "C:\\Documents\\Reports");
  RemoveDirectoryA((path + ".~jq").c_str());
}

}  // namespace
