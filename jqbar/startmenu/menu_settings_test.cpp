// The Start-menu bar's stored state as bytes (new, legacy, damaged and round-tripped blobs), the
// tree of the user's own menus, and the folder-name list over a real Programs folder.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "le_bytes.h"
#include "menu_bar_settings.h"
#include "menu_tree.h"
#include "test_support.h"

using namespace jqbar;

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU32At(Bytes& b, std::size_t off, std::uint32_t v) { le::PutU32(b.data() + off, v); }
std::uint32_t U32At(const Bytes& b, std::size_t off) { return le::GetU32(b.data() + off); }
void Append32(Bytes& b, std::uint32_t v) {
  b.resize(b.size() + 4);
  le::PutU32(b.data() + b.size() - 4, v);
}
void AppendText(Bytes& b, const std::string& s) {
  b.insert(b.end(), s.begin(), s.end());
  b.push_back(0);
}

// A head as a new bar has it, with the counts given.
Bytes Head(int regions, int removed, int folders) {
  Bytes b(kMenuBarHeadSize, 0);
  PutU32At(b, 0, kMenuBarMark);
  PutU32At(b, 8, 1);
  PutU32At(b, 12, regions);
  PutU32At(b, 56, 1);
  PutU32At(b, 68, 5);
  PutU32At(b, 88, removed);
  PutU32At(b, 108, 75);
  PutU32At(b, 112, 300);
  PutU32At(b, 116, 1);
  PutU32At(b, 120, folders);
  return b;
}

// A stored button record.
Bytes ButtonRecord(const char* name, std::uint32_t flags, std::int32_t csidl, std::uint32_t user) {
  Bytes b(kMenuButtonRecordSize, 0);
  std::memcpy(b.data() + 4, name, std::strlen(name));
  PutU32At(b, 80, flags);
  PutU32At(b, 84, csidl);
  PutU32At(b, 88, user);
  return b;
}

// A tree node record plus its strings, no target, with the child and next bytes.
void AppendNode(Bytes& b, const char* name, bool folder, const char* command, int hasChild, int hasNext) {
  std::size_t at = b.size();
  b.resize(at + kMenuEntryRecordSize, 0);
  le::PutU32(b.data() + at + 20, folder ? 1 : 0);
  le::PutU32(b.data() + at + 48, 1);
  AppendText(b, name);
  AppendText(b, command);
  AppendText(b, "");
  AppendText(b, "");
  AppendText(b, "");
  b.push_back(0);  // no target
  if (hasChild >= 0) b.push_back(static_cast<std::uint8_t>(hasChild));
  if (hasNext >= 0) b.push_back(static_cast<std::uint8_t>(hasNext));
}

// A blob with one region: a user menu "Tools" with a tree (folder "Editors" holding "Pad",
// then "Calc"), a Desktop menu, one removed name and three folder names.
Bytes CanonicalBlob() {
  Bytes b = Head(1, 1, 3);
  Append32(b, 2);
  Bytes user = ButtonRecord("Tools", 0, 0, 1);
  b.insert(b.end(), user.begin(), user.end());
  AppendText(b, "");
  Bytes tree;
  tree.push_back(1);
  AppendNode(tree, "Editors", true, "", 1, -1);
  AppendNode(tree, "Pad", false, "C:\\pad.exe", 0, 0);
  tree.push_back(1);  // Editors has a next sibling
  AppendNode(tree, "Calc", false, "calc.exe", 0, 0);
  Append32(b, static_cast<std::uint32_t>(tree.size()));
  b.insert(b.end(), tree.begin(), tree.end());
  Bytes desk = ButtonRecord("Desk", 1, CSIDL_DESKTOPDIRECTORY, 0);
  PutU32At(desk, 72, 3);
  b.insert(b.end(), desk.begin(), desk.end());
  AppendText(b, "C:\\icons.dll");
  AppendText(b, "Games");
  AppendText(b, "Desk");
  AppendText(b, "\\Accessories");
  AppendText(b, "Tools");
  return b;
}

// The legacy head of the set-up wizard: 104 bytes (legacy byte 8 = regions 1) and a zero count.
Bytes WizardBlob() {
  Bytes b(kLegacyHeadSize, 0);
  PutU32At(b, 4, 1);   // icon size -> offset 8
  PutU32At(b, 8, 1);   // regions -> offset 12
  PutU32At(b, 52, 1);  // automatic -> offset 56
  PutU32At(b, 64, 7);  // buttons per region -> offset 68
  Append32(b, 0);
  return b;
}

class MenuSettings : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override {
    FreeMenuButtons(&bar, true);
    CoUninitialize();
  }
  MenuBarInstance bar;
};

TEST_F(MenuSettings, ANewBarIsItsHeadAZeroCountAndItsFolderNames) {
  SetDefaultMenuBarSettings(&bar);
  AddMenuFolderName(&bar, "Games", true);
  AddMenuFolderName(&bar, "Accessories", true);
  Bytes blob = SaveMenuBarSettings(&bar);
  ASSERT_EQ(blob.size(), kMenuBarHeadSize + 4 + std::strlen("Accessories") + 1 + std::strlen("Games") + 1);
  EXPECT_EQ(U32At(blob, 0), kMenuBarMark);
  EXPECT_EQ(U32At(blob, 8), 1u);
  EXPECT_EQ(U32At(blob, 12), 1u);
  EXPECT_EQ(U32At(blob, 56), 1u);
  EXPECT_EQ(U32At(blob, 68), 5u);
  EXPECT_EQ(U32At(blob, 108), 75u);
  EXPECT_EQ(U32At(blob, 112), 300u);
  EXPECT_EQ(U32At(blob, 116), 1u);
  EXPECT_EQ(U32At(blob, 120), 2u);
  EXPECT_EQ(U32At(blob, kMenuBarHeadSize), 0u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(blob.data()) + kMenuBarHeadSize + 4), "Accessories");
}

TEST_F(MenuSettings, TheWizardsLegacyBlobLoadsAsOneRegionWithTheNewBarsWidths) {
  Bytes legacy = WizardBlob();
  ASSERT_EQ(legacy.size(), 108u);
  ASSERT_TRUE(LoadMenuBarSettings(&bar, legacy.data(), legacy.size()));
  EXPECT_EQ(bar.head.mark, kMenuBarMark);
  EXPECT_EQ(bar.head.regions, 1);
  EXPECT_EQ(bar.head.maxPerRegion, 7);
  EXPECT_EQ(bar.head.widthMin, 75);
  EXPECT_EQ(bar.head.widthMax, 300);
  EXPECT_EQ(bar.head.showIcons, 1u);
  EXPECT_EQ(bar.head.folderCount, 0);
  EXPECT_TRUE(bar.regions[0].empty());
  // Saved again it is in the current form.
  Bytes saved = SaveMenuBarSettings(&bar);
  EXPECT_EQ(saved.size(), kMenuBarHeadSize + 4);
  EXPECT_EQ(U32At(saved, 68), 7u);
}

TEST_F(MenuSettings, AValidBlobRoundTripsByteForByte) {
  Bytes blob = CanonicalBlob();
  ASSERT_TRUE(LoadMenuBarSettings(&bar, blob.data(), blob.size()));
  ASSERT_EQ(bar.regions[0].size(), 2u);
  MenuButton* tools = bar.regions[0][0];
  EXPECT_STREQ(tools->name, "Tools");
  EXPECT_EQ(FindPathTreeFolder(&tools->tree, "Editors\\Pad")->command, "C:\\pad.exe");
  EXPECT_EQ(FindPathTreeFolder(&tools->tree, "Calc")->command, "calc.exe");
  MenuButton* desk = bar.regions[0][1];
  EXPECT_EQ(desk->csidl, CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(desk->iconFile, "C:\\icons.dll");
  EXPECT_EQ(desk->iconIndex, 3);
  ASSERT_EQ(bar.removedNames.size(), 1u);
  EXPECT_EQ(bar.folderNames[1], "\\Accessories");
  EXPECT_EQ(SaveMenuBarSettings(&bar), blob);
}

TEST_F(MenuSettings, AUserMenuWithAnEmptyTreeIsStoredAsSizeOneAndAZeroByte) {
  SetDefaultMenuBarSettings(&bar);
  auto* b = new MenuButton;
  std::strcpy(b->name, "Mine");
  b->userMenu = 1;
  bar.regions[0].push_back(b);
  Bytes blob = SaveMenuBarSettings(&bar);
  std::size_t at = kMenuBarHeadSize + 4 + kMenuButtonRecordSize + 1;
  ASSERT_EQ(blob.size(), at + 5);
  EXPECT_EQ(U32At(blob, at), 1u);
  EXPECT_EQ(blob[at + 4], 0);
  // The pointer slots of the record are zero.
  std::size_t rec = kMenuBarHeadSize + 4;
  for (std::size_t off : {0u, 56u, 60u, 64u, 68u}) EXPECT_EQ(U32At(blob, rec + off), 0u) << off;
}

// Damaged blobs: refused as a whole; the bar gets a new bar's settings and no buttons.
TEST_F(MenuSettings, DamagedBlobsGiveANewBar) {
  Bytes good = CanonicalBlob();
  std::size_t firstRecord = kMenuBarHeadSize + 4;
  std::size_t treeSize = firstRecord + kMenuButtonRecordSize + 1;
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"head cut short", [](Bytes& b) { b.resize(1000); }},
      {"legacy head cut short", [](Bytes& b) { b.resize(50); PutU32At(b, 0, 0); }},
      {"no regions", [](Bytes& b) { PutU32At(b, 12, 0); }},
      {"eleven regions", [](Bytes& b) { PutU32At(b, 12, 11); }},
      {"more buttons than bytes", [&](Bytes& b) { PutU32At(b, kMenuBarHeadSize, 7); }},
      {"a negative button count", [&](Bytes& b) { PutU32At(b, kMenuBarHeadSize, 0xFFFFFFFF); }},
      {"tree size past the end", [&](Bytes& b) { PutU32At(b, treeSize, 100000); }},
      {"tree size zero", [&](Bytes& b) { PutU32At(b, treeSize, 0); }},
      {"tree cut inside a node", [&](Bytes& b) { PutU32At(b, treeSize, 40); }},
      {"a button of neither kind", [&](Bytes& b) { PutU32At(b, firstRecord + 88, 0); }},
      {"removed names past the end", [](Bytes& b) { PutU32At(b, 88, 9); }},
      {"301 folder names", [](Bytes& b) { PutU32At(b, 120, 301); }},
      {"last name unterminated", [](Bytes& b) { b.pop_back(); }},
  };
  for (const auto& c : cases) {
    Bytes blob = good;
    c.damage(blob);
    MenuBarInstance damaged;
    EXPECT_FALSE(LoadMenuBarSettings(&damaged, blob.data(), blob.size())) << c.what;
    EXPECT_EQ(damaged.head.regions, 1) << c.what;
    EXPECT_EQ(damaged.head.widthMin, 75) << c.what;
    EXPECT_TRUE(damaged.regions[0].empty() && damaged.folderNames.empty()) << c.what;
    FreeMenuButtons(&damaged, true);
  }
  // Option words out of range take the new bar's values; the blob itself is good.
  Bytes blob = good;
  PutU32At(blob, 68, 0);
  PutU32At(blob, 108, 5000);
  ASSERT_TRUE(LoadMenuBarSettings(&bar, blob.data(), blob.size()));
  EXPECT_EQ(bar.head.maxPerRegion, 5);
  EXPECT_EQ(bar.head.widthMin, 75);
}

TEST_F(MenuSettings, AButtonNameWithoutATerminatorIsCutAt49Characters) {
  Bytes blob = CanonicalBlob();
  std::memset(blob.data() + kMenuBarHeadSize + 4 + 4, 'x', 52);
  ASSERT_TRUE(LoadMenuBarSettings(&bar, blob.data(), blob.size()));
  EXPECT_EQ(std::strlen(bar.regions[0][0]->name), 49u);
}

TEST(MenuTree, EditsFollowTheirRules) {
  PathTree tree;
  EXPECT_TRUE(AddPathTreeFolder(&tree, "Tools"));
  EXPECT_FALSE(AddPathTreeFolder(&tree, "Tools")) << "exists";
  EXPECT_FALSE(AddPathTreeFolder(&tree, "A\\B")) << "one level at a time";
  EXPECT_TRUE(SetPathTreeEntry(&tree, "Tools", "Games", "g.exe", "", "", 1, "", 0, nullptr, 0));
  EXPECT_TRUE(SetPathTreeEntry(&tree, "Tools", "games", "h.exe", "", "", 1, "", 0, nullptr, 0))
      << "names differ by case";
  EXPECT_FALSE(SetPathTreeEntry(&tree, "Tools", "Games", "x.exe", "", "", 1, "", 0, nullptr, 0));
  EXPECT_FALSE(SetPathTreeEntry(&tree, "Tools\\Games", "X", "x.exe", "", "", 1, "", 0, nullptr, 0))
      << "an entry is not a folder";
  EXPECT_FALSE(SetPathTreeEntry(&tree, "Nowhere", "X", "x.exe", "", "", 1, "", 0, nullptr, 0));
  EXPECT_EQ(FindPathTreeEntry(&tree, "Tools")->name, "games") << "new entries go to the front";
  EXPECT_FALSE(RenamePathTreeEntry(&tree, "Tools", "Games", "games")) << "new name taken";
  EXPECT_TRUE(RenamePathTreeEntry(&tree, "Tools", "Games", "Chess"));
  EXPECT_TRUE(AddPathTreeFolder(&tree, "Tools\\Sub"));
  // A move onto the folder that holds the entry changes nothing.
  EXPECT_TRUE(MovePathTreeEntry(&tree, "Tools\\Chess", "Tools"));
  EXPECT_EQ(FindPathTreeFolder(&tree, "Tools\\Chess")->command, "g.exe");
  EXPECT_TRUE(MovePathTreeEntry(&tree, "Tools\\Chess", "Tools\\Sub"));
  EXPECT_EQ(FindPathTreeFolder(&tree, "Tools\\Chess"), nullptr);
  EXPECT_EQ(FindPathTreeFolder(&tree, "Tools\\Sub\\Chess")->command, "g.exe");
  EXPECT_FALSE(MovePathTreeEntry(&tree, "Tools", "Tools\\Sub")) << "a folder into itself";
  EXPECT_FALSE(MovePathTreeEntry(&tree, "Tools\\games", "Tools\\Chess")) << "not a folder";
  RemovePathTreeEntry(&tree, "Tools\\Sub");
  EXPECT_EQ(FindPathTreeFolder(&tree, "Tools\\Sub"), nullptr);
  FreePathTree(&tree);
}

TEST(MenuTree, SerialisedTreesRoundTripAndHostileOnesAreRefused) {
  CoInitialize(nullptr);
  PathTree empty;
  std::vector<std::uint8_t> bytes;
  WritePathTree(&empty, bytes);
  EXPECT_EQ(bytes, std::vector<std::uint8_t>{0});

  PathTree tree;
  ASSERT_TRUE(SetPathTreeEntry(&tree, "", "Bare", nullptr, nullptr, nullptr, 1, nullptr, 0, nullptr, 0));
  UrlShortcut url{"Home", "http://example.invalid/"};
  ASSERT_TRUE(SetPathTreeEntry(&tree, "", "Web", nullptr, nullptr, nullptr, 5, nullptr, 0, &url, 1));
  LPITEMIDLIST drives = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
  ASSERT_TRUE(SetPathTreeEntry(&tree, "", "Computer", "", "", "", 1, "", 0, drives, 0));
  ASSERT_TRUE(AddPathTreeFolder(&tree, "Sub"));
  ASSERT_TRUE(SetPathTreeEntry(&tree, "Sub", "Tool", "t.exe", "C:\\", "-x", 3, "t.ico", 2, nullptr, 0));
  PathTree bare;
  ASSERT_TRUE(SetPathTreeEntry(&bare, "", "Bare", nullptr, nullptr, nullptr, 1, nullptr, 0, nullptr, 0));
  bytes.clear();
  WritePathTree(&bare, bytes);
  EXPECT_EQ(bytes.size(), 1u + 72u + 4u) << "a bare entry writes its record and five empty strings";
  FreePathTree(&bare);
  bytes.clear();
  WritePathTree(&tree, bytes);
  EXPECT_EQ(bytes.size(), GetPathTreeSize(&tree));
  PathTree back;
  ASSERT_TRUE(ReadPathTree(&back, bytes.data(), bytes.size()));
  std::vector<std::uint8_t> again;
  WritePathTree(&back, again);
  EXPECT_EQ(again, bytes);
  EXPECT_EQ(FindPathTreeFolder(&back, "Web")->url->url, "http://example.invalid/");
  EXPECT_TRUE(ILIsEqual(FindPathTreeFolder(&back, "Computer")->idList, drives));
  EXPECT_EQ(FindPathTreeFolder(&back, "Sub\\Tool")->runMode, 3);

  // Every cut is refused; so is a nesting deeper than the bound.
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    PathTree cut;
    EXPECT_FALSE(ReadPathTree(&cut, bytes.data(), n)) << n;
    EXPECT_EQ(cut.first, nullptr);
  }
  auto nest = [](int depth) {
    Bytes b{1};
    for (int i = 0; i < depth; ++i) AppendNode(b, "d", true, "", 1, -1);
    AppendNode(b, "leaf", false, "x", 0, 0);
    b.insert(b.end(), depth, 0);  // every level ends without a next sibling
    return b;
  };
  Bytes fits = nest(kMaxTreeDepth), deep = nest(kMaxTreeDepth + 1);
  PathTree hostile;
  EXPECT_TRUE(ReadPathTree(&hostile, fits.data(), fits.size()));
  FreePathTree(&hostile);
  EXPECT_FALSE(ReadPathTree(&hostile, deep.data(), deep.size()));
  FreePathTree(&back);
  FreePathTree(&tree);
  CoTaskMemFree(drives);
  CoUninitialize();
}

class ProgramsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.MakeFolder("Accessories");
    folder.MakeFolder("Games");
    folder.MakeFolder("Zeta");
    SetProgramsFolderOverride(folder.path());
    SetDefaultMenuBarSettings(&bar);
  }
  void TearDown() override {
    FreeMenuButtons(&bar, true);
    SetProgramsFolderOverride("");
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder folder;
  MenuBarInstance bar;
};

TEST_F(ProgramsFolder, CommonProgramsFoldersSortBesideTheUsersOwn) {
  jqtest::TempFolder common;
  common.MakeFolder("Accessories");
  common.MakeFolder("Basics");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(registry.machine(), "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
  RegSetValueExA(key, "Common Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(common.path().c_str()),
                 static_cast<DWORD>(common.path().size() + 1));
  RegCloseKey(key);
  ScanProgramsFolders(&bar);
  std::vector<std::string> expected{"Accessories", "\\Accessories", "\\Basics", "Games", "Zeta"};
  EXPECT_EQ(bar.folderNames, expected);
  AddFolderButtons(&bar);
  RedistributeMenuButtons(&bar);
  ASSERT_EQ(bar.regions[0].size(), 5u);
  EXPECT_STREQ(bar.regions[0][1]->name, "\\Accessories");
}

TEST_F(ProgramsFolder, HiddenAndVanishedFoldersGetNoButtonsAfterARescan) {
  ScanProgramsFolders(&bar);
  bar.removedNames.push_back("Games");
  AddFolderButtons(&bar);
  RedistributeMenuButtons(&bar);
  EXPECT_EQ(bar.regions[0].size(), 2u);
  ASSERT_TRUE(RemoveDirectoryA((folder / "Zeta").c_str()));
  FreeMenuButtons(&bar, false);
  ScanProgramsFolders(&bar);
  PruneMenuFolderNames(&bar);
  AddFolderButtons(&bar);
  EXPECT_EQ(bar.folderNames, (std::vector<std::string>{"Accessories", "Games"}));
  ASSERT_EQ(bar.regions[0].size(), 1u);
  EXPECT_STREQ(bar.regions[0][0]->name, "Accessories");
}

TEST_F(ProgramsFolder, TheFolderNameListStopsAt300AndKeepsNoDuplicates) {
  for (int i = 0; i < 310; ++i) AddMenuFolderName(&bar, ("Name" + std::to_string(i)).c_str(), false);
  EXPECT_EQ(bar.folderNames.size(), 300u);
  EXPECT_EQ(bar.folderNames.front(), "Name299") << "unsorted names go to the front";
  bar.folderNames.clear();
  AddMenuFolderName(&bar, "Tools", true);
  AddMenuFolderName(&bar, "TOOLS", true);
  AddMenuFolderName(&bar, "Apps", true);
  RenameMenuFolderName(&bar, "tools", "Kit");
  EXPECT_EQ(bar.folderNames, (std::vector<std::string>{"Apps", "Kit"}));
  RemoveMenuFolderName(&bar, "APPS");
  EXPECT_EQ(bar.folderNames, (std::vector<std::string>{"Kit"}));
}

}  // namespace
