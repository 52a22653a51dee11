// jqcab.dll through its exports, loaded by full path from the program folder as the file
// manager loads it, on cabinets made by gcab.
#include <gtest/gtest.h>

#include "archive_test_support.h"
#include "archive_paths.h"
#include "jqcab.h"

using namespace jqarctest;

namespace {

struct CabApi {
  HMODULE module = nullptr;
  int(__stdcall* SetArchive)(const char*) = nullptr;
  int(__stdcall* CloseArchive)() = nullptr;
  int(__stdcall* ExtractFiles)(const char*, const char*) = nullptr;
  int(__stdcall* MapToCPError)(int) = nullptr;
};

class Cab : public ::testing::Test {
 protected:
  void SetUp() override {
    api.module = LoadFromProgramFolder("jqcab.dll");
    ASSERT_NE(api.module, nullptr);
    api.SetArchive = Bind<decltype(api.SetArchive)>(api.module, "CAB_SetArchive");
    api.CloseArchive = Bind<decltype(api.CloseArchive)>(api.module, "CAB_CloseArchive");
    api.ExtractFiles = Bind<decltype(api.ExtractFiles)>(api.module, "CAB_ExtractFiles");
    api.MapToCPError = Bind<decltype(api.MapToCPError)>(api.module, "CAB_MapToCPError");
    ASSERT_TRUE(api.SetArchive && api.CloseArchive && api.ExtractFiles && api.MapToCPError);
  }
  void TearDown() override {
    if (api.CloseArchive) api.CloseArchive();
    if (api.module) FreeLibrary(api.module);
  }
  // The name as the file manager passes it: quoted, with "\" in front when it has a folder part.
  static std::string Quoted(const std::string& stored) {
    bool hasPath = stored.find_first_of("/\\") != std::string::npos;
    return "\"" + std::string(hasPath ? "\\" : "") + Backslashed(stored) + "\"";
  }
  CabApi api;
};

TEST_F(Cab, StoredAndMszipCabinetsExtractByteExactWithAndWithoutPaths) {
  for (const char* cab : {"cab/stored.cab", "cab/mszip.cab"}) {
    SCOPED_TRACE(cab);
    jqtest::TempFolder t;
    ASSERT_EQ(api.SetArchive(Fixture(cab).c_str()), CAB_OK);
    // With stored paths kept the caller passes the entry's own folder; without, the target.
    for (const std::string& name : SourceFiles()) {
      std::string stored = Backslashed(name);
      size_t slash = stored.rfind('\\');
      std::string withPaths = t / ("paths\\" + (slash == std::string::npos ? "" : stored.substr(0, slash)));
      EXPECT_EQ(api.ExtractFiles(Quoted(name).c_str(), withPaths.c_str()), CAB_OK) << name;
      EXPECT_EQ(api.ExtractFiles(Quoted(name).c_str(), (t / "flat").c_str()), CAB_OK) << name;
    }
    std::vector<std::string> expectedPaths, expectedFlat;
    for (const std::string& name : SourceFiles()) {
      std::string stored = Backslashed(name);
      std::string base = stored.substr(stored.rfind('\\') == std::string::npos ? 0 : stored.rfind('\\') + 1);
      EXPECT_TRUE(SameContent(t / ("paths\\" + stored), Fixture("src/" + name)));
      EXPECT_TRUE(SameContent(t / ("flat\\" + base), Fixture("src/" + name)));
      expectedPaths.push_back("paths\\" + stored);
      expectedFlat.push_back("flat\\" + base);
    }
    std::vector<std::string> expected = expectedFlat;
    expected.insert(expected.end(), expectedPaths.begin(), expectedPaths.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesUnder(t.path()), expected) << "no temporary or stray files";
    EXPECT_EQ(api.CloseArchive(), CAB_OK);
  }
}

TEST_F(Cab, SeveralNamesAndWildcardsInOneCall) {
  jqtest::TempFolder t;
  ASSERT_EQ(api.SetArchive(Fixture("cab/mszip.cab").c_str()), CAB_OK);
  EXPECT_EQ(api.ExtractFiles("\"hello.txt\" \"\\dir\\sub\\data.bin\"", (t / "two").c_str()), CAB_OK);
  EXPECT_EQ(FilesUnder(t / "two"), (std::vector<std::string>{"data.bin", "hello.txt"}));
  EXPECT_EQ(api.ExtractFiles("\"*.txt\"", (t / "txt").c_str()), CAB_OK);
  EXPECT_EQ(FilesUnder(t / "txt"), (std::vector<std::string>{"empty.txt", "hello.txt", "text.txt"}));
}

TEST_F(Cab, HostileNamesNeverWriteOutsideTheTarget) {
  jqtest::TempFolder t;
  std::string target = t / "a\\b\\out";
  ASSERT_EQ(api.SetArchive(Fixture("cab/hostile.cab").c_str()), CAB_OK);
  struct Case {
    const char* stored;
    int code;
    const char* lands;  // below the target, or nullptr
  } cases[] = {
      {"..\\..\\evil1.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"/etc/evil2.txt", CAB_OK, "evil2.txt"},
      {"C:\\evil3.txt", CAB_OK, "evil3.txt"},
      {"con.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"ab:c.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"x\x01y.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"..\\evil4.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"sub\\..\\..\\evil5.txt", CAB_E_BAD_DIRECTORY, nullptr},
      {"nul", CAB_E_BAD_DIRECTORY, nullptr},
      {"ok\\safe.txt", CAB_OK, "safe.txt"},
  };
  std::vector<std::string> landed;
  for (const Case& c : cases) {
    int code = api.ExtractFiles(Quoted(c.stored).c_str(), target.c_str());
    EXPECT_EQ(code, c.code) << c.stored;
    if (c.lands) landed.push_back("a\\b\\out\\" + std::string(c.lands));
  }
  std::sort(landed.begin(), landed.end());
  EXPECT_EQ(FilesUnder(t.path()), landed);
  // All at once: the first refused name ends the call, still with nothing outside.
  EXPECT_EQ(api.ExtractFiles("\"*.*\"", (t / "all").c_str()), CAB_E_BAD_DIRECTORY);
  for (const std::string& f : FilesUnder(t.path()))
    EXPECT_TRUE(f.rfind("a\\b\\out\\", 0) == 0 || f.rfind("all\\", 0) == 0) << f;
  EXPECT_EQ(api.MapToCPError(CAB_E_BAD_DIRECTORY), -2);
}

TEST_F(Cab, DamagedCabinetsFailWithCodesAndKeepTheOldFile) {
  jqtest::TempFolder t;
  std::string old = t.WriteFile("out\\data.bin", "the old file");
  for (const char* cab : {"cab/corrupt.cab", "cab/truncated.cab"}) {
    SCOPED_TRACE(cab);
    ASSERT_EQ(api.SetArchive(Fixture(cab).c_str()), CAB_OK) << "the headers are intact";
    int code = api.ExtractFiles("\"\\dir\\sub\\data.bin\"", (t / "out").c_str());
    EXPECT_EQ(code, CAB_E_BAD_DATA);
    EXPECT_EQ(api.MapToCPError(code), -25);
    EXPECT_EQ(jqtest::ReadFileText(old), "the old file");
    EXPECT_EQ(FilesUnder(t / "out"), std::vector<std::string>{"data.bin"}) << "no temporary file left";
  }
  // A good cabinet then replaces it.
  ASSERT_EQ(api.SetArchive(Fixture("cab/mszip.cab").c_str()), CAB_OK);
  EXPECT_EQ(api.ExtractFiles("\"\\dir\\sub\\data.bin\"", (t / "out").c_str()), CAB_OK);
  EXPECT_TRUE(SameContent(old, Fixture("src/dir/sub/data.bin")));
}

TEST_F(Cab, ArchiveAndCallErrorsAsCodes) {
  jqtest::TempFolder t;
  EXPECT_EQ(api.ExtractFiles("\"hello.txt\"", t.path().c_str()), CAB_E_NO_ARCHIVE) << "nothing set yet";
  EXPECT_EQ(api.SetArchive(Fixture("cab/notcab.cab").c_str()), CAB_E_NOT_CABINET);
  EXPECT_EQ(api.SetArchive(Fixture("lha/lh5.lzh").c_str()), CAB_E_NOT_CABINET);
  EXPECT_EQ(api.SetArchive((t / "missing.cab").c_str()), CAB_E_ARCHIVE_NOT_FOUND);
  EXPECT_EQ(api.SetArchive(t.path().c_str()), CAB_E_NOT_CABINET) << "a folder";
  ASSERT_EQ(api.SetArchive(Fixture("cab/stored.cab").c_str()), CAB_OK);
  EXPECT_EQ(api.ExtractFiles("\"nothere.txt\"", t.path().c_str()), CAB_E_NO_ENTRY);
  EXPECT_EQ(api.ExtractFiles("", t.path().c_str()), CAB_E_ARGUMENT);
  // A target folder that cannot be made (a file is in the way).
  t.WriteFile("blocker", "x");
  EXPECT_EQ(api.ExtractFiles("\"hello.txt\"", (t / "blocker\\sub").c_str()), CAB_E_FOLDER);
  // A read-only existing file is not replaced.
  std::string ro = t.WriteFile("ro\\hello.txt", "read-only");
  SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(api.ExtractFiles("\"hello.txt\"", (t / "ro").c_str()), CAB_E_TARGET_DENIED);
  EXPECT_EQ(jqtest::ReadFileText(ro), "read-only");
  SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(api.CloseArchive(), CAB_OK);
  EXPECT_EQ(api.ExtractFiles("\"hello.txt\"", t.path().c_str()), CAB_E_NO_ARCHIVE);
}

TEST_F(Cab, CodesMapToTheArchiveMessages) {
  struct {
    int cab, shown;
  } table[] = {{CAB_OK, 0},
               {CAB_E_ARCHIVE_NOT_FOUND, 102},
               {CAB_E_ARCHIVE_ACCESS, 105},
               {CAB_E_NOT_CABINET, -1},
               {CAB_E_BAD_DIRECTORY, -2},
               {CAB_E_BAD_DATA, -25},
               {CAB_E_METHOD, -3},
               {CAB_E_WRITE, -10},
               {CAB_E_TARGET_DENIED, 105},
               {CAB_E_FOLDER, 103},
               {CAB_E_MEMORY, 108},
               {CAB_E_NO_ENTRY, -8},
               {CAB_E_NO_ARCHIVE, -8},
               {999, -8}};
  for (auto& row : table) EXPECT_EQ(api.MapToCPError(row.cab), row.shown) << row.cab;
}

}  // namespace

namespace {

TEST_F(Cab, LzxCabinetExtractsByteExact) {
  jqtest::TempFolder t;
  ASSERT_EQ(api.SetArchive(Fixture("cab/lzx.cab").c_str()), CAB_OK);
  for (const char* name : {"empty", "zero", "dir1/file1", "dir2/file2"}) {
    ASSERT_EQ(api.ExtractFiles(Quoted(name).c_str(), t.path().c_str()), CAB_OK) << name;
    std::string stored = Backslashed(name);
    std::string base = stored.substr(stored.rfind('\\') == std::string::npos ? 0 : stored.rfind('\\') + 1);
    EXPECT_TRUE(SameContent(t / base, Fixture(std::string("cab/expected/lzx/") + name)));
  }
}

TEST_F(Cab, ChineseNamesInTheAnsiCodePage) {
  // 許功蓋: in Big5 each of these has "\" (0x5C) as its second byte.
  const wchar_t* wide = L"\u8A31\u529F\u84CB.txt";
  BOOL lossy = FALSE;
  char ansi[64] = "";
  WideCharToMultiByte(CP_ACP, 0, wide, -1, ansi, sizeof ansi, nullptr, &lossy);
  if (lossy) GTEST_SKIP() << "the name has no form in this code page";
  jqtest::TempFolder t;
  ASSERT_EQ(api.SetArchive(Fixture("cab/chinese.cab").c_str()), CAB_OK);
  EXPECT_EQ(api.ExtractFiles(("\"" + std::string(ansi) + "\"").c_str(), t.path().c_str()), CAB_OK);
  std::wstring target = jqarc::Widen(t.path()) + L"\\" + wide;
  EXPECT_NE(GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FilesUnder(t.path()).size(), 1u);
}

}  // namespace

namespace {

TEST_F(Cab, DamagedCopiesNeverCrashHangOrWriteOutside) {
  jqtest::TempFolder t;
  std::string work = t.MakeFolder("work"), out = t.MakeFolder("a\\out");
  for (const char* cab : {"cab/lzx.cab", "cab/hostile.cab"}) {
    ForEachDamagedCopy(Fixture(cab), work, 5, [&](const std::string& path, const std::string& what) {
      if (api.SetArchive(path.c_str()) == CAB_OK) api.ExtractFiles("\"*.*\"", out.c_str());
      api.CloseArchive();
    });
  }
  for (const std::string& f : FilesUnder(t.path()))
    EXPECT_TRUE(f == "work\\damaged.bin" || f.rfind("a\\out\\", 0) == 0) << f;
  for (const std::string& f : FilesUnder(out)) EXPECT_EQ(f.find("~jq"), std::string::npos) << f;
}

}  // namespace
