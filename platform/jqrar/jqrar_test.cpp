// jqrar.dll through its exports, loaded by full path from the program folder, on the RAR 4 and
// RAR 5 archives of libarchive's own test suite; the native bsdtar's extraction is the oracle.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "archive_test_support.h"
#include "jqrar.h"
#include "rar_codes.h"

using namespace jqarctest;

namespace {

using FindFn = int(__stdcall*)(void*, char*, char*, int, char*, int);

struct RarApi {
  HMODULE module = nullptr;
  int(__stdcall* SetArchive)(const char*) = nullptr;
  FindFn FindOpen = nullptr;
  FindFn FindNext = nullptr;
  int(__stdcall* NextFileName)(char*, int) = nullptr;
  int(__stdcall* ExtractNextFile)(const char*) = nullptr;
  int(__stdcall* ExtractSingleFile)(const char*, const char*) = nullptr;
  int(__stdcall* CloseArchive)() = nullptr;
  int(__stdcall* IsValidArchive)(const char*) = nullptr;
};

struct Listed {
  std::string name;
  RarEntryRecord record;
};

class Rar : public ::testing::Test {
 protected:
  void SetUp() override {
    api.module = LoadFromProgramFolder("jqrar.dll");
    ASSERT_NE(api.module, nullptr);
    api.SetArchive = Bind<decltype(api.SetArchive)>(api.module, "RAR_SetArchive");
    api.FindOpen = Bind<FindFn>(api.module, "RAR_FindOpen");
    api.FindNext = Bind<FindFn>(api.module, "RAR_FindNext");
    api.NextFileName = Bind<decltype(api.NextFileName)>(api.module, "RAR_NextFileName");
    api.ExtractNextFile = Bind<decltype(api.ExtractNextFile)>(api.module, "RAR_ExtractNextFile");
    api.ExtractSingleFile = Bind<decltype(api.ExtractSingleFile)>(api.module, "RAR_ExtractSingleFile");
    api.CloseArchive = Bind<decltype(api.CloseArchive)>(api.module, "RAR_CloseArchive");
    api.IsValidArchive = Bind<decltype(api.IsValidArchive)>(api.module, "RAR_IsValidArchive");
    ASSERT_TRUE(api.SetArchive && api.FindOpen && api.FindNext && api.NextFileName && api.ExtractNextFile &&
                api.ExtractSingleFile && api.CloseArchive && api.IsValidArchive);
  }
  void TearDown() override {
    if (api.CloseArchive) api.CloseArchive();
    if (api.module) FreeLibrary(api.module);
  }
  // The file manager's walk: FindOpen, then FindNext until non-zero.
  std::vector<Listed> List(int* endCode = nullptr) {
    std::vector<Listed> out;
    char name[2048], b2[2048], b3[2048];
    alignas(4) unsigned char record[64];
    int r = api.FindOpen(record, name, b2, sizeof b2, b3, sizeof b3);
    while (r == 0) {
      Listed l;
      l.name = name;
      std::memcpy(&l.record, record, sizeof l.record);
      out.push_back(l);
      r = api.FindNext(record, name, b2, sizeof b2, b3, sizeof b3);
    }
    if (endCode) *endCode = r;
    return out;
  }
  RarApi api;
};

TEST_F(Rar, RecognisesRarArchivesOnly) {
  jqtest::TempFolder t;
  EXPECT_EQ(api.IsValidArchive(Fixture("rar/rar4_stored.rar").c_str()), 1);
  EXPECT_EQ(api.IsValidArchive(Fixture("rar/rar5_solid.rar").c_str()), 1);
  EXPECT_EQ(api.IsValidArchive(Fixture("rar/notrar.rar").c_str()), 0);
  EXPECT_EQ(api.IsValidArchive(Fixture("cab/mszip.cab").c_str()), 0);
  EXPECT_EQ(api.IsValidArchive((t / "missing.rar").c_str()), 0);
  EXPECT_EQ(api.IsValidArchive(t.WriteFile("short.rar", "Rar!").c_str()), 0);
}

TEST_F(Rar, ListsEntriesWithTheirRecords) {
  ASSERT_EQ(api.SetArchive(Fixture("rar/rar4_stored.rar").c_str()), RAR_OK);
  int end = -1;
  std::vector<Listed> entries = List(&end);
  EXPECT_EQ(end, RAR_END);
  std::map<std::string, RarEntryRecord> byName;
  for (auto& e : entries) byName[e.name] = e.record;
  ASSERT_EQ(entries.size(), 5u);
  ASSERT_TRUE(byName.count("test.txt") && byName.count("testdir\\test.txt") && byName.count("testdir") &&
              byName.count("testemptydir") && byName.count("testlink"));
  const RarEntryRecord& file = byName["testdir\\test.txt"];
  EXPECT_EQ(file.size, 20u);
  EXPECT_GE(file.packedSize, 20u);
  EXPECT_EQ(file.flags & 1, 0u);
  EXPECT_EQ(file.attributes & FILE_ATTRIBUTE_DIRECTORY, 0);
  EXPECT_EQ(file.dosDate >> 9, 2011 - 1980);
  EXPECT_EQ((file.dosDate >> 5) & 15, 6);
  EXPECT_EQ(byName["testdir"].attributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);

  ASSERT_EQ(api.SetArchive(Fixture("rar/rar4_encrypted.rar").c_str()), RAR_OK);
  entries = List();
  ASSERT_FALSE(entries.empty());
  for (auto& e : entries) EXPECT_EQ(e.record.flags & 1, 1u) << e.name << " is encrypted";

  ASSERT_EQ(api.SetArchive(Fixture("rar/rar5_solid.rar").c_str()), RAR_OK);
  entries = List();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[2].name, "test3.bin");
  EXPECT_EQ(entries[2].record.size, 4096u);
}

TEST_F(Rar, Rar4AndRar5StoredCompressedAndSolidExtractByteExact) {
  for (const char* archive :
       {"rar4_stored", "rar4_compressed", "rar5_stored", "rar5_compressed", "rar5_solid", "rar5_multiple"}) {
    SCOPED_TRACE(archive);
    jqtest::TempFolder t;
    ASSERT_EQ(api.SetArchive(Fixture(std::string("rar/") + archive + ".rar").c_str()), RAR_OK);
    std::vector<Listed> entries = List();
    ASSERT_FALSE(entries.empty());
    std::vector<std::string> expected;
    // Last entry first: in a solid archive it depends on everything before it.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      const Listed& e = *it;
      if (e.record.attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string oracle = Fixture(std::string("rar/expected/") + archive + "/" + e.name);
      DWORD attributes = GetFileAttributesA(oracle.c_str());
      ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << e.name;
      size_t slash = e.name.rfind('\\');
      std::string folder = t / (slash == std::string::npos ? std::string("x") : "x\\" + e.name.substr(0, slash));
      int code = api.ExtractSingleFile(e.name.c_str(), folder.c_str());
      if (e.name == "testlink") {
        EXPECT_EQ(code, RAR_E_UNSUPPORTED) << "links are never created";
        continue;
      }
      ASSERT_EQ(code, RAR_OK) << e.name;
      EXPECT_TRUE(SameContent(t / ("x\\" + e.name), oracle)) << e.name;
      expected.push_back("x\\" + e.name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesUnder(t.path()), expected);
    EXPECT_EQ(api.CloseArchive(), RAR_OK);
  }
  // The known contents of libarchive's fixture.
  jqtest::TempFolder t;
  ASSERT_EQ(api.SetArchive(Fixture("rar/rar4_stored.rar").c_str()), RAR_OK);
  ASSERT_EQ(api.ExtractSingleFile("testdir/test.txt", t.path().c_str()), RAR_OK) << "either separator";
  EXPECT_EQ(jqtest::ReadFileText(t / "test.txt"), "test text document\r\n");
}

TEST_F(Rar, NextFileNameWalkExtractsEachEntry) {
  jqtest::TempFolder t;
  ASSERT_EQ(api.SetArchive(Fixture("rar/rar5_solid.rar").c_str()), RAR_OK);
  EXPECT_EQ(api.ExtractNextFile(t.path().c_str()), RAR_E_NO_ENTRY) << "nothing named yet";
  char name[2048];
  std::vector<std::string> names;
  while (api.NextFileName(name, sizeof name) == RAR_OK) {
    names.push_back(name);
    ASSERT_EQ(api.ExtractNextFile(t.path().c_str()), RAR_OK) << name;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"test1.bin", "test2.bin", "test3.bin", "test4.bin"}));
  for (auto& n : names)
    EXPECT_TRUE(SameContent(t / n, Fixture("rar/expected/rar5_solid/" + n))) << n;
}

TEST_F(Rar, EncryptedDamagedAndMissingGiveCodesAndKeepTheOldFile) {
  jqtest::TempFolder t;
  std::string old = t.WriteFile("out\\LibarchiveAddingTest.html", "the old file");
  ASSERT_EQ(api.SetArchive(Fixture("rar/rar4_encrypted.rar").c_str()), RAR_OK);
  EXPECT_EQ(api.ExtractSingleFile("foo.txt", (t / "out").c_str()), RAR_E_ENCRYPTED);
  EXPECT_EQ(api.SetArchive(Fixture("rar/rar4_encrypted_headers.rar").c_str()), RAR_E_ENCRYPTED)
      << "even the names need the password";

  int code = api.SetArchive(Fixture("rar/truncated.rar").c_str());
  if (code == RAR_OK) code = api.ExtractSingleFile("testdir\\LibarchiveAddingTest.html", (t / "out").c_str());
  EXPECT_EQ(code, RAR_E_BAD_ARCHIVE) << "truncated";

  code = api.SetArchive(Fixture("rar/corrupt.rar").c_str());
  if (code == RAR_OK) {
    code = api.ExtractSingleFile("LibarchiveAddingTest.html", (t / "out").c_str());
    if (code == RAR_OK) code = api.ExtractSingleFile("testdir\\LibarchiveAddingTest.html", (t / "out").c_str());
  }
  EXPECT_TRUE(code == RAR_E_BAD_DATA || code == RAR_E_BAD_ARCHIVE) << "corrupt: " << code;
  EXPECT_EQ(FilesUnder(t / "out"), std::vector<std::string>{"LibarchiveAddingTest.html"});
  EXPECT_EQ(jqtest::ReadFileText(old), "the old file") << "a failed extraction leaves the old file";

  EXPECT_EQ(api.SetArchive(Fixture("rar/notrar.rar").c_str()), RAR_E_NOT_FOUND);
  EXPECT_EQ(api.SetArchive((t / "missing.rar").c_str()), RAR_E_NOT_FOUND);
  char name[2048];
  alignas(4) unsigned char record[64];
  EXPECT_EQ(api.FindOpen(record, name, nullptr, 0, nullptr, 0), RAR_E_NO_ARCHIVE) << "after a failed set";
  ASSERT_EQ(api.SetArchive(Fixture("rar/rar5_stored.rar").c_str()), RAR_OK);
  EXPECT_EQ(api.ExtractSingleFile("nothere.txt", t.path().c_str()), RAR_E_NO_ENTRY);
  // A good extraction replaces an existing file.
  t.WriteFile("helloworld.txt", "older");
  EXPECT_EQ(api.ExtractSingleFile("helloworld.txt", t.path().c_str()), RAR_OK);
  EXPECT_TRUE(SameContent(t / "helloworld.txt", Fixture("rar/expected/rar5_stored/helloworld.txt")));
}

TEST_F(Rar, EveryCodeReachesAnArchiveMessage) {
  struct {
    int rar, shown;
  } table[] = {{RAR_OK, 0},          {RAR_E_OPEN, 105},        {RAR_E_ENCRYPTED, 105}, {RAR_E_NOT_FOUND, 106},
               {RAR_E_BAD_ARCHIVE, -1}, {RAR_E_BAD_DATA, -1},   {RAR_E_WRITE, -10},     {RAR_E_MEMORY, 108},
               {RAR_E_NO_ENTRY, -8},  {RAR_E_UNSUPPORTED, -8}, {RAR_E_FOLDER, -8},     {RAR_E_NO_ARCHIVE, -8},
               {1, -8},               {12345, -8}};
  for (auto& row : table) EXPECT_EQ(RarCodeToArchiveCode(row.rar), row.shown) << row.rar;
}

}  // namespace

namespace {

TEST_F(Rar, DamagedCopiesNeverCrashHangOrWriteOutside) {
  jqtest::TempFolder t;
  std::string work = t.MakeFolder("work"), out = t.MakeFolder("a\\out");
  for (const char* rar : {"rar/rar5_compressed.rar", "rar/rar4_stored.rar", "rar/rar5_solid.rar"}) {
    ForEachDamagedCopy(Fixture(rar), work, 5, [&](const std::string& path, const std::string& what) {
      if (api.SetArchive(path.c_str()) == RAR_OK) {
        for (const Listed& e : List())
          if (!(e.record.attributes & FILE_ATTRIBUTE_DIRECTORY)) api.ExtractSingleFile(e.name.c_str(), out.c_str());
      }
      api.CloseArchive();
    });
  }
  for (const std::string& f : FilesUnder(t.path()))
    EXPECT_TRUE(f == "work\\damaged.bin" || f.rfind("a\\out\\", 0) == 0) << f;
  for (const std::string& f : FilesUnder(out)) EXPECT_EQ(f.find("~jq"), std::string::npos) << f;
}

}  // namespace
