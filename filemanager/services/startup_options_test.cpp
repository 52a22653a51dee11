#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pidl.h"
#include "startup_options.h"
#include "test_support.h"
#include "command_ids.h"

namespace {

TEST(StartupOptions, SwitchesAndFolderTable) {
  const struct {
    const char* line;
    const char* folder;
    int explorer, driveBar, view, sortKey, twoPanes;
  } cases[] = {
      {"C:\\DATA /E- /DBAR-", "C:\\DATA", 0, 0, -1, -1, -1},
      {"/ismall /sdate", "", -1, -1, ID_VIEW_SMALL_ICONS, 4, -1},
      {"/ILIST /ILARGE", "", -1, -1, ID_VIEW_LARGE_ICONS, -1, -1},
      {"   \"C:\\My Files\"   /2PANES+", "\"C:\\My Files\"", -1, -1, -1, -1, 1},
      {"C:\\DATA /MC", "My Computer", -1, -1, -1, -1, -1},
      {"/E+ /E-", "", 1, -1, -1, -1, -1},
      {"", "", -1, -1, -1, -1, -1},
  };
  for (const auto& c : cases) {
    StartupOptions o{};
    ParseCommandLine(c.line, &o);
    EXPECT_STREQ(o.startFolder, c.folder) << c.line;
    EXPECT_EQ(o.explorerMode, c.explorer) << c.line;
    EXPECT_EQ(o.driveBar, c.driveBar) << c.line;
    EXPECT_EQ(o.view, c.view) << c.line;
    EXPECT_EQ(o.sortKey, c.sortKey) << c.line;
    EXPECT_EQ(o.twoPanes, c.twoPanes) << c.line;
    EXPECT_EQ(o.itemIdList, nullptr);
    EXPECT_FALSE(o.openedByShell);
  }
}

TEST(StartupOptions, OverlongFolderIsCutToTheBuffer) {
  std::string line(1000, 'x');
  StartupOptions o{};
  ParseCommandLine(line.c_str(), &o);
  EXPECT_EQ(strlen(o.startFolder), static_cast<size_t>(MAX_PATH - 1));
}

// Shares a block through a file mapping the way a sender does and returns its handle value.
DWORD ShareBlock(const std::string& bytes, DWORD mappingSize) {
  HANDLE m = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, mappingSize, nullptr);
  void* view = MapViewOfFile(m, FILE_MAP_WRITE, 0, 0, 0);
  memcpy(view, bytes.data(), bytes.size());
  UnmapViewOfFile(view);
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(m));
}

std::string Counted(const void* data, DWORD size) {
  std::string s(reinterpret_cast<const char*>(&size), 4);
  s.append(static_cast<const char*>(data), size);
  return s;
}

TEST(StartupOptions, SharedItemIdListOpensItsFolder) {
  jqtest::TempFolder t;
  PidlPtr list(ParsePathToPidl(t.path().c_str(), nullptr, nullptr));
  ASSERT_TRUE(list);
  DWORD handle = ShareBlock(Counted(list.get(), GetPidlSize(list.get())), 4096);
  char line[128];
  wsprintfA(line, "/idlist,:%lu:%lu", handle, GetCurrentProcessId());
  StartupOptions o{};
  ParseCommandLine(line, &o);
  ASSERT_NE(o.itemIdList, nullptr);
  EXPECT_TRUE(o.openedByShell);
  EXPECT_EQ(lstrcmpiA(o.startFolder, t.path().c_str()), 0) << o.startFolder;
  FreePidl(o.itemIdList);
}

TEST(StartupOptions, BadSharedItemIdListsAreRefused) {
  const BYTE unterminated[] = {4, 0, 1, 2, 6, 0, 1, 2};
  const BYTE zeroItem[] = {1, 0, 0, 0};
  std::string lying = Counted(unterminated, sizeof unterminated);
  DWORD big = 100000;  // a count beyond the mapping
  memcpy(&lying[0], &big, 4);
  const std::string blocks[] = {Counted(unterminated, sizeof unterminated),
                                Counted(zeroItem, sizeof zeroItem), lying};
  for (const auto& b : blocks) {
    DWORD handle = ShareBlock(b, 4096);
    char line[128];
    wsprintfA(line, "C:\\ /IDLIST,:%lu:%lu", handle, GetCurrentProcessId());
    StartupOptions o{};
    ParseCommandLine(line, &o);
    EXPECT_EQ(o.itemIdList, nullptr);
    EXPECT_STREQ(o.startFolder, "C:\\") << "a refused list leaves the line read as a folder";
  }
  // The bare-address form and a handle without a process id give no list.
  for (const char* line : {"/IDLIST,:1234567", "/IDLIST,1234:99", "/IDLIST,:99999999999:1"}) {
    StartupOptions o{};
    ParseCommandLine(line, &o);
    EXPECT_EQ(o.itemIdList, nullptr) << line;
  }
}

}  // namespace
