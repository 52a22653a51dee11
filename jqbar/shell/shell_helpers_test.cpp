#include "shell_helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panel_utils.h"
#include "shell_fixtures.h"
#include "test_support.h"

namespace jqbar {
namespace {

std::vector<std::string> LnkFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*.lnk").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

// The prefix's real Startup folder, emptied of shortcuts before and after.
class StartupShortcut : public ::testing::Test {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    folder = StartupFolder();
    ASSERT_FALSE(folder.empty());
    CreateDirectoryA(folder.c_str(), nullptr);
    Clear();
  }
  void TearDown() override {
    Clear();
    SetToolbarProgramPathForTest("");
  }
  void Clear() {
    for (const std::string& name : LnkFilesIn(folder)) DeleteFileA((folder + "\\" + name).c_str());
  }
  std::string folder;
  jqtest::TempFolder temp;
};

TEST_F(StartupShortcut, OnlyShortcutsToTheToolbarProgramCount) {
  struct Case {
    const char* target;  // a file made in the temporary folder
    int counts;
  } cases[] = {
      {"Bin\\JQBar.exe", 1}, {"Other\\jqbar.EXE", 1}, {"Bin\\JQBar.exe.bak", 0},
      {"Bin\\OldJQBar.exe", 0}, {"Bin\\notepad.exe", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    std::string target = temp.WriteFile(c.target, "MZ");
    ASSERT_TRUE(fixtures::WriteShortcut(folder + "\\Probe.lnk", target));
    EXPECT_EQ(HasStartupShortcut(), c.counts);
    Clear();
  }
  // A damaged .lnk and a non-.lnk file naming the program do not count.
  std::string junk = folder + "\\Damaged.lnk";
  HANDLE file = CreateFileA(junk.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, "JQBAR.EXE", 9, &written, nullptr);
  CloseHandle(file);
  EXPECT_EQ(HasStartupShortcut(), 0);
}

TEST_F(StartupShortcut, TurningItOnTwiceLeavesOneAndOffRemovesOnlyTheToolbars) {
  std::string program = temp.WriteFile("Program Files\\Quorvanel\\JQBar.exe", "MZ");
  std::string other = temp.WriteFile("Tools\\OldJQBar.exe", "MZ");
  ASSERT_TRUE(fixtures::WriteShortcut(folder + "\\Old tool.lnk", other));
  ASSERT_TRUE(fixtures::WriteShortcut(folder + "\\Earlier.lnk", program));
  SetToolbarProgramPathForTest(program);
  EXPECT_EQ(CreateStartupShortcut(), 1);
  EXPECT_EQ(CreateStartupShortcut(), 1);
  std::vector<std::string> names = LnkFilesIn(folder);
  ASSERT_EQ(names.size(), 2u);
  std::string ours = names[0] == "Old tool.lnk" ? names[1] : names[0];
  EXPECT_EQ(ours, std::string(LoadResString(595)) + ".lnk");
  ShortcutInfo info;
  ReadShortcutFile((folder + "\\" + ours).c_str(), &info, false);
  EXPECT_EQ(lstrcmpiA(info.target.c_str(), program.c_str()), 0) << info.target;
  EXPECT_EQ(info.showCommand, SW_SHOWNORMAL);
  EXPECT_EQ(info.arguments, "");
  EXPECT_EQ(HasStartupShortcut(), 1);

  RemoveStartupShortcuts();
  EXPECT_EQ(HasStartupShortcut(), 0);
  EXPECT_EQ(LnkFilesIn(folder), std::vector<std::string>{"Old tool.lnk"});
}

TEST(ShortcutReader, UnreadableOrEmptyTargetsFallBackToTheShortcutItself) {
  jqtest::TempFolder temp;
  std::string target = temp.WriteFile("Doc.txt", "x");
  std::string good = temp / "Good.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(good, target));
  ShortcutInfo info;
  EXPECT_EQ(ReadShortcutFile(good.c_str(), &info, false), 1);
  EXPECT_EQ(lstrcmpiA(info.target.c_str(), target.c_str()), 0);
  EXPECT_EQ(info.baseName, "Good");
  EXPECT_TRUE(info.item);

  std::string damaged = temp.WriteFile("Damaged.lnk", "not a shortcut");
  EXPECT_EQ(ReadShortcutFile(damaged.c_str(), &info, true), 1);
  EXPECT_EQ(info.target, damaged);
  EXPECT_EQ(info.showCommand, SW_SHOWNORMAL);
  EXPECT_FALSE(info.item);

  // A shortcut to My Computer has no path: read whole only when empty targets are allowed.
  LPITEMIDLIST computer = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  std::string noPath = temp / "Computer.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(noPath, "", computer));
  EXPECT_EQ(ReadShortcutFile(noPath.c_str(), &info, false), 1);
  EXPECT_EQ(info.target, noPath);
  EXPECT_FALSE(info.item);
  EXPECT_EQ(ReadShortcutFile(noPath.c_str(), &info, true), 1);
  EXPECT_EQ(info.target, "");
  ASSERT_TRUE(info.item);
  EXPECT_TRUE(fixtures::SameItem(info.item.get(), computer));

  // Not a Dial-Up Networking connection: 0, and the error mode is as it was.
  UINT before = SetErrorMode(0);
  SetErrorMode(before);
  EXPECT_EQ(ConnectDialUpItem(computer), 0);
  EXPECT_EQ(ConnectDialUpShortcut(noPath.c_str()), 0);
  EXPECT_EQ(ConnectDialUpShortcut(target.c_str()), 0);
  EXPECT_EQ(SetErrorMode(before), before);
  CoTaskMemFree(computer);
}

TEST(ShellHelpers, ListsAreParsedCopiedAndCompared) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("Sub\\Item.txt", "x");
  SetEnvironmentVariableA("JQBARSHELL_TEST_DIR", temp.path().c_str());
  PidlPtr viaVariable(PathToIdList(nullptr, "%JQBARSHELL_TEST_DIR%\\Sub\\Item.txt", nullptr));
  PidlPtr direct(PathToIdList(GetShellAllocator(), file.c_str(), nullptr));
  ASSERT_TRUE(viaVariable);
  ASSERT_TRUE(direct);
  IShellFolder* desktop = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
  EXPECT_EQ(IsSameIdList(viaVariable.get(), direct.get(), desktop), 1);
  PidlPtr folder(PathToIdList(nullptr, temp.path().c_str(), desktop));
  EXPECT_EQ(IsSameIdList(folder.get(), direct.get(), desktop), 0);
  EXPECT_FALSE(PidlPtr(PathToIdList(nullptr, (temp / "missing\\none.txt").c_str(), nullptr)));

  char name[kItemDisplayNameSize];
  ASSERT_EQ(GetItemDisplayName(desktop, direct.get(), SHGDN_FORPARSING, name), 1);
  EXPECT_EQ(lstrcmpiA(name, file.c_str()), 0);

  // The first item of a longer list comes out as a list of one item.
  PidlPtr first(CopyFirstIdItem(nullptr, direct.get()));
  ASSERT_TRUE(first);
  EXPECT_EQ(GetPidlSize(first.get()), UINT(direct->mkid.cb) + 2);
  EXPECT_TRUE(IsSameFirstItem(first.get(), direct.get()));
  EXPECT_EQ(NextPidlItem(first.get())->mkid.cb, 0);
  desktop->Release();
}

}  // namespace
}  // namespace jqbar
