// jqlha.dll through its exports, loaded by full path from the program folder, on archives made
// by jlha (-lh0-, -lh5-, -lh6-, -lh7-, header levels 0 to 2), with its progress message.
#include <gtest/gtest.h>

#include <cstring>

#include "archive_test_support.h"
#include "jqlha.h"

using namespace jqarctest;

namespace {

struct ProgressSeen {
  uint32_t total, done;
  std::string name;
};
std::vector<ProgressSeen> g_progress;
UINT g_progressMessage = 0;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == g_progressMessage && g_progressMessage != 0 && wp == 1 && lp) {
    auto* record = reinterpret_cast<unsigned char*>(lp);
    ProgressSeen seen;
    std::memcpy(&seen.total, record, 4);
    std::memcpy(&seen.done, record + 4, 4);
    char* name = reinterpret_cast<char*>(record + 524);
    CharLowerA(name);  // the receiver changes the name in place
    seen.name = name;
    g_progress.push_back(seen);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class Lha : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadFromProgramFolder("jqlha.dll");
    ASSERT_NE(module, nullptr);
    Unlha = Bind<decltype(Unlha)>(module, "Unlha");
    SetOwner = Bind<decltype(SetOwner)>(module, "UnlhaSetOwnerWindow");
    SetCursorMode = Bind<decltype(SetCursorMode)>(module, "UnlhaSetCursorMode");
    ASSERT_TRUE(Unlha && SetOwner && SetCursorMode);
    WNDCLASSA wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JqLhaTestOwner";
    RegisterClassA(&wc);
    owner = CreateWindowA("JqLhaTestOwner", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    // As the file manager loads it: cursor mode 0, the owner, then the message.
    EXPECT_TRUE(SetCursorMode(0));
    EXPECT_TRUE(SetOwner(owner));
    g_progressMessage = RegisterWindowMessageA("wm_arcextract");
    g_progress.clear();
  }
  void TearDown() override {
    if (owner) DestroyWindow(owner);
    if (module) FreeLibrary(module);
  }
  int Run(const std::string& command) {
    output.assign(1024, '\x7f');
    return Unlha(owner, command.c_str(), output.data(), 1024);
  }
  HMODULE module = nullptr;
  HWND owner = nullptr;
  int(__stdcall* Unlha)(HWND, LPCSTR, LPSTR, DWORD) = nullptr;
  BOOL(__stdcall* SetOwner)(HWND) = nullptr;
  BOOL(__stdcall* SetCursorMode)(BOOL) = nullptr;
  std::string output;
};

TEST_F(Lha, EveryMethodExtractsByteExactWithPathsAndProgress) {
  for (const char* archive : {"lh0", "lh5", "lh6", "lh7"}) {
    SCOPED_TRACE(archive);
    jqtest::TempFolder t;
    g_progress.clear();
    {
      CurrentFolder here(t.path());
      ASSERT_EQ(Run(std::string("x /mnx- \"") + Fixture(std::string("lha/") + archive + ".lzh") + "\""), LHA_OK)
          << output.c_str();
    }
    EXPECT_NE(output.find('\0'), std::string::npos) << "the report is terminated within the buffer";
    std::vector<std::string> expected;
    for (const std::string& name : SourceFiles()) {
      EXPECT_TRUE(SameContent(t / Backslashed(name), Fixture("src/" + name))) << name;
      expected.push_back(Backslashed(name));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesUnder(t.path()), expected);
    ASSERT_FALSE(g_progress.empty());
    uint32_t last = 0;
    for (const ProgressSeen& p : g_progress) {
      EXPECT_GT(p.total, 0u) << "never a zero total";
      EXPECT_LE(p.done, p.total);
      EXPECT_GE(p.done, last);
      last = p.done;
    }
    EXPECT_EQ(g_progress.back().done, g_progress.back().total);
    bool sawText = false;
    for (const ProgressSeen& p : g_progress) sawText |= p.name == "dir\\text.txt";
    EXPECT_TRUE(sawText);
  }
}

TEST_F(Lha, SingleEntriesWithAndWithoutPaths) {
  jqtest::TempFolder t;
  std::string archive = Fixture("lha/lh6.lzh");
  CurrentFolder here(t.path());
  // Without paths ("e"): straight into the current folder.
  EXPECT_EQ(Run("e /mnx- \"" + archive + "\" \"\\dir\\sub\\data.bin\""), LHA_OK) << output.c_str();
  EXPECT_TRUE(SameContent(t / "data.bin", Fixture("src/dir/sub/data.bin")));
  // With paths ("x"): below the current folder, folders created.
  EXPECT_EQ(Run("x /mnx- \"" + archive + "\" \"\\dir\\text.txt\" \"hello.txt\""), LHA_OK) << output.c_str();
  EXPECT_TRUE(SameContent(t / "dir\\text.txt", Fixture("src/dir/text.txt")));
  EXPECT_EQ(FilesUnder(t.path()), (std::vector<std::string>{"data.bin", "dir\\text.txt", "hello.txt"}));
  // Wildcards.
  EXPECT_EQ(Run("e \"" + archive + "\" *.bin"), LHA_OK);
  // An existing file is replaced.
  t.WriteFile("hello.txt", "older");
  EXPECT_EQ(Run("e /mnx- \"" + archive + "\" \"hello.txt\""), LHA_OK);
  EXPECT_TRUE(SameContent(t / "hello.txt", Fixture("src/hello.txt")));
}

TEST_F(Lha, HostileNamesNeverWriteOutsideTheCurrentFolder) {
  jqtest::TempFolder t;
  std::string archive = Fixture("lha/hostile.lzh");
  std::string target = t.MakeFolder("a\\b\\out");
  CurrentFolder here(target);
  struct Case {
    const char* stored;
    int code;
    const char* lands;  // with "x", below the current folder
  } cases[] = {
      {"..\\..\\evil1.txt", LHA_E_HEADER, nullptr},
      {"/etc/evil2.txt", LHA_OK, "etc\\evil2.txt"},
      {"C:\\evil3.txt", LHA_OK, "evil3.txt"},
      {"con.txt", LHA_E_HEADER, nullptr},
      {"ab:c.txt", LHA_E_HEADER, nullptr},
      {"x\x01y.txt", LHA_E_HEADER, nullptr},
      {"..\\evil4.txt", LHA_E_HEADER, nullptr},
      {"sub\\..\\..\\evil5.txt", LHA_E_HEADER, nullptr},
      {"nul", LHA_E_HEADER, nullptr},
      {"ok\\safe.txt", LHA_OK, "ok\\safe.txt"},
  };
  std::vector<std::string> landed;
  for (const Case& c : cases) {
    std::string stored = c.stored;
    bool hasPath = stored.find_first_of("/\\") != std::string::npos;
    std::string quoted = "\"" + std::string(hasPath ? "\\" : "") + stored + "\"";
    EXPECT_EQ(Run("x /mnx- \"" + archive + "\" " + quoted), c.code) << c.stored;
    if (c.lands) landed.push_back("a\\b\\out\\" + std::string(c.lands));
  }
  std::sort(landed.begin(), landed.end());
  EXPECT_EQ(FilesUnder(t.path()), landed);
  // The whole archive, with and without paths: refused at the first bad name, nothing outside.
  EXPECT_EQ(Run("x /mnx- \"" + archive + "\""), LHA_E_HEADER);
  EXPECT_EQ(Run("e /mnx- \"" + archive + "\""), LHA_E_HEADER);
  for (const std::string& f : FilesUnder(t.path())) EXPECT_EQ(f.rfind("a\\b\\out\\", 0), 0u) << f;
}

TEST_F(Lha, DamagedArchivesAndBadCommandsGiveCodes) {
  jqtest::TempFolder t;
  std::string old = t.WriteFile("data.bin", "the old file");
  CurrentFolder here(t.path());
  EXPECT_EQ(Run("e /mnx- \"" + Fixture("lha/truncated.lzh") + "\" \"\\dir\\sub\\data.bin\""), LHA_E_TRUNCATED)
      << output.c_str();
  EXPECT_EQ(Run("e /mnx- \"" + Fixture("lha/corrupt.lzh") + "\" \"\\dir\\sub\\data.bin\""), LHA_E_CRC)
      << output.c_str();
  EXPECT_EQ(jqtest::ReadFileText(old), "the old file") << "a failed extraction leaves the old file";
  EXPECT_EQ(Run("e /mnx- \"" + Fixture("lha/notlha.lzh") + "\""), LHA_E_NOT_ARCHIVE);
  EXPECT_EQ(Run("e /mnx- \"" + Fixture("cab/mszip.cab") + "\""), LHA_E_NOT_ARCHIVE);
  EXPECT_EQ(Run("e /mnx- \"" + (t / "missing.lzh") + "\""), LHA_E_NOT_FOUND);
  EXPECT_EQ(Run("e /mnx- \"" + Fixture("lha/lh5.lzh") + "\" \"nothere.txt\""), LHA_E_NOT_FOUND);
  EXPECT_EQ(Run("q \"" + Fixture("lha/lh5.lzh") + "\""), LHA_E_COMMAND);
  EXPECT_EQ(Run("x /mnx-"), LHA_E_COMMAND);
  EXPECT_EQ(Unlha(owner, nullptr, nullptr, 0), LHA_E_COMMAND);
  EXPECT_EQ(FilesUnder(t.path()), std::vector<std::string>{"data.bin"}) << "no temporary or partial file";
  // A small output buffer is filled and terminated, never overrun.
  char small[8];
  std::memset(small, 'z', sizeof small);
  char canary = 'c';
  EXPECT_EQ(Unlha(owner, ("e \"" + Fixture("lha/lh5.lzh") + "\" hello.txt").c_str(), small, 4), LHA_OK);
  EXPECT_EQ(small[3], '\0');
  EXPECT_EQ(small[4], 'z');
  EXPECT_EQ(canary, 'c');
}

}  // namespace

namespace {

TEST_F(Lha, DamagedCopiesNeverCrashHangOrWriteOutside) {
  jqtest::TempFolder t;
  std::string work = t.MakeFolder("work"), out = t.MakeFolder("a\\out");
  CurrentFolder here(out);
  for (const char* lzh : {"lha/small_lh5.lzh", "lha/hostile.lzh"}) {
    ForEachDamagedCopy(Fixture(lzh), work, 5, [&](const std::string& path, const std::string& what) {
      Run("x /mnx- \"" + path + "\"");
    });
  }
  for (const std::string& f : FilesUnder(t.path()))
    EXPECT_TRUE(f == "work\\damaged.bin" || f.rfind("a\\out\\", 0) == 0) << f;
  for (const std::string& f : FilesUnder(out)) EXPECT_EQ(f.find("~jq"), std::string::npos) << f;
}

}  // namespace
