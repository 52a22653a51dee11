#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "le_bytes.h"
#include "process_names.h"
#include "test_support.h"

using namespace jqbar;

namespace {

// A 16-bit executable's headers: "MZ", the new header at 0x80 ("NE"), the resident-name table at
// NE + 0x40 with its first entry.
std::vector<std::uint8_t> NeFile(const std::string& resident) {
  std::vector<std::uint8_t> b(0x80 + 0x40 + 1 + resident.size() + 3, 0);
  b[0] = 'M';
  b[1] = 'Z';
  le::PutU32(b.data() + 60, 0x80);
  b[0x80] = 'N';
  b[0x81] = 'E';
  b[0x80 + 38] = 0x40;
  b[0x80 + 0x40] = std::uint8_t(resident.size());
  std::memcpy(b.data() + 0x80 + 0x41, resident.data(), resident.size());
  return b;
}

}  // namespace

TEST(ProcessNames, ResidentNameOfSixteenBitExecutables) {
  char name[64];
  std::vector<std::uint8_t> good = NeFile("WINWORD");
  ASSERT_EQ(ParseNeModuleName(good.data(), good.size(), name, sizeof name), 1);
  EXPECT_STREQ(name, "WINWORD");
  ASSERT_EQ(ParseNeModuleName(good.data(), good.size(), name, 4), 1);
  EXPECT_STREQ(name, "WIN");

  struct { const char* what; std::size_t at; std::uint8_t value; } damage[] = {
      {"not MZ", 0, 'X'},
      {"new header is PE", 0x81, 'X'},
      {"new header offset past the end", 62, 0x10},
      {"name table past the end", 0x80 + 39, 0x20},
      {"name length past the end", 0x80 + 0x40, 200},
      {"empty name", 0x80 + 0x40, 0},
  };
  for (auto& d : damage) {
    std::vector<std::uint8_t> b = good;
    b[d.at] = d.value;
    EXPECT_EQ(ParseNeModuleName(b.data(), b.size(), name, sizeof name), 0) << d.what;
  }
  for (std::size_t n = 0; n < good.size() - 3; ++n)
    EXPECT_EQ(ParseNeModuleName(good.data(), n, name, sizeof name), 0) << "cut at " << n;

  jqtest::TempFolder dir;
  std::string path = dir.path() + "\\old.exe";
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(f, good.data(), DWORD(good.size()) - 10, &written, nullptr);  // truncated inside the name
  CloseHandle(f);
  EXPECT_EQ(ReadNeModuleName(path.c_str(), name, sizeof name), 0);
  f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  WriteFile(f, good.data(), DWORD(good.size()), &written, nullptr);
  CloseHandle(f);
  ASSERT_EQ(ReadNeModuleName(path.c_str(), name, sizeof name), 1);
  EXPECT_STREQ(name, "WINWORD");
  EXPECT_EQ(ReadNeModuleName((dir.path() + "\\missing.exe").c_str(), name, sizeof name), 0);
}

TEST(ProcessNames, NameOfARealSecondProcessOnBothBranches) {
  ASSERT_EQ(LoadToolhelpFunctions(), 1);
  DWORD pid = 0;
  HANDLE process = jqtest::StartProcess("notepad.exe", &pid);
  ASSERT_TRUE(process);
  WaitForInputIdle(process, 10000);
  char name[MAX_PATH];
  SetProcessNamesPlatformForTest(1);
  ASSERT_EQ(GetProcessModuleName(pid, name), 1);
  EXPECT_EQ(lstrcmpiA(name, "notepad"), 0) << name;  // the performance data's form
  SetProcessNamesPlatformForTest(0);
  ASSERT_EQ(GetProcessModuleName(pid, name), 1);
  EXPECT_EQ(lstrcmpiA(name, "notepad.exe"), 0) << name;  // the module name
  SetProcessNamesPlatformForTest(-1);
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  EXPECT_EQ(GetProcessModuleName(pid, name), 0);  // gone
  EXPECT_EQ(GetProcessModuleName(0xFFFFFFF0u, name), 0);
}
