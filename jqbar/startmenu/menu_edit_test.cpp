// Editing menus and their entries: files below the Programs folder checked on disk (nothing lost
// when a write fails), the user's own menus changed in their trees, the dialogs answered as a
// user answers them, drops onto buttons, and the shortcut reader.
#include <windows.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "menu_button_edit.h"
#include "menu_entry_edit.h"
#include "panel_utils.h"
#include "resource_startmenu.h"
#include "shell_helpers.h"
#include "startmenu_test_host.h"

using namespace jqbar;
using namespace smtest;

namespace {

std::string TargetOf(const std::string& lnk) {
  ShortcutInfo parts;
  ReadShortcutFile(lnk.c_str(), &parts, false);
  return parts.target;
}

// The names in a folder as the file system spells them.
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(found.cFileName, ".") && std::strcmp(found.cFileName, "..")) names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// The entry of an item of a folder menu, as the menus hand it to the edits.
MenuWindowItem ItemOf(MenuButton* button, const std::string& path, bool folder = false) {
  MenuWindowItem item;
  item.button = button;
  item.path = path;
  item.isFolder = folder;
  std::string last = path.substr(path.rfind('\\') + 1);
  lstrcpynA(item.name, last.c_str(), sizeof item.name);
  return item;
}

class MenuEdits : public MenuBarHost {
 protected:
  MenuButton* UserMenu() {
    if (!FindMenuButton(bar, "Mine")) EXPECT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
    return FindMenuButton(bar, "Mine");
  }
  std::string Apps(const char* name) { return programs / (std::string("Apps\\") + name); }
  EntryFields Fields(const char* label, const std::string& command) {
    EntryFields f;
    f.label = label;
    f.command = command;
    return f;
  }
};

TEST_F(MenuEdits, ChangingAShortcutWritesTheNewOneBeforeTheOldGoes) {
  std::string apps = programs / "Apps";
  // Unchanged label, new command.
  ASSERT_TRUE(ReplaceMenuEntryFile("Apps", "Alpha.lnk", Fields("Alpha", betaTarget)));
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("Alpha.lnk")).c_str(), betaTarget.c_str()), 0);
  // A label that differs only in letter case.
  ASSERT_TRUE(ReplaceMenuEntryFile("Apps", "Alpha.lnk", Fields("ALPHA", alphaTarget)));
  EXPECT_EQ(Names(apps), (std::vector<std::string>{"ALPHA.lnk", "Readme.txt", "Tools"}));
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("ALPHA.lnk")).c_str(), alphaTarget.c_str()), 0);

  // Failures leave the folder as it was: a label that cannot be a file name, a label another
  // entry has, a shortcut held open by another program.
  ASSERT_TRUE(CreateShortcutFile(apps.c_str(), "Other", betaTarget.c_str(), nullptr, nullptr, nullptr, 1,
                                 nullptr, 0, nullptr));
  std::vector<std::string> before = Names(apps);
  EXPECT_FALSE(ReplaceMenuEntryFile("Apps", "ALPHA.lnk", Fields("Bad|Name", betaTarget)));
  EXPECT_FALSE(ReplaceMenuEntryFile("Apps", "ALPHA.lnk", Fields("Other", betaTarget)));
  HANDLE held = CreateFileA(Apps("ALPHA.lnk").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(ReplaceMenuEntryFile("Apps", "ALPHA.lnk", Fields("Fresh", betaTarget)));
  CloseHandle(held);
  EXPECT_EQ(Names(apps), before);
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("ALPHA.lnk")).c_str(), alphaTarget.c_str()), 0);
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("Other.lnk")).c_str(), betaTarget.c_str()), 0);
}

TEST_F(MenuEdits, ThePropertiesDialogRenamesAShortcutOnDisk) {
  MenuButton* button = FindMenuButton(bar, "Apps");
  MenuWindowItem item = ItemOf(button, "Apps\\Alpha.lnk");
  jqtest::DialogDriver driver({[](HWND d) {
    char command[MAX_PATH] = {};
    GetDlgItemTextA(d, IDC_ITEM_COMMAND, command, MAX_PATH);
    if (!command[0]) return false;
    SetDlgItemTextA(d, IDC_ITEM_LABEL, "Editor");
    CheckRadioButton(d, IDC_ITEM_MINIMISED, IDC_ITEM_NORMAL, IDC_ITEM_MAXIMISED);
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    return true;
  }});
  RunEntryCommand(bar, button, "Apps", &item, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(driver.Finished());
  EXPECT_FALSE(jqtest::FileExists(Apps("Alpha.lnk")));
  ASSERT_TRUE(jqtest::FileExists(Apps("Editor.lnk")));
  ShortcutInfo parts;
  ReadShortcutFile(Apps("Editor.lnk").c_str(), &parts, false);
  EXPECT_EQ(lstrcmpiA(parts.target.c_str(), alphaTarget.c_str()), 0);
  EXPECT_EQ(parts.arguments, "-a");
  EXPECT_EQ(parts.showCommand, 3);
}

TEST_F(MenuEdits, ANewItemWhoseNameIsTakenKeepsTheDialogOpenWithTheWarning) {
  MenuButton* button = FindMenuButton(bar, "Apps");
  std::string command = alphaTarget;
  jqtest::DialogDriver driver({[&](HWND d) {
                                 SetDlgItemTextA(d, IDC_ITEM_COMMAND, command.c_str());
                                 SetDlgItemTextA(d, IDC_ITEM_LABEL, "Alpha");
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               },
                               [&](HWND d) {
                                 EXPECT_EQ(seams.boxes.size(), 1u);
                                 SetDlgItemTextA(d, IDC_ITEM_LABEL, "Second");
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               }});
  RunEntryCommand(bar, button, "Apps", nullptr, IDM_ENTRY_NEWITEM, host);
  EXPECT_TRUE(driver.Finished());
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadResString(IDS_NAME_IN_USE));
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("Alpha.lnk")).c_str(), alphaTarget.c_str()), 0);
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("Second.lnk")).c_str(), alphaTarget.c_str()), 0);
}

TEST_F(MenuEdits, UserMenusChangeTheirTreeAndNothingOnDisk) {
  MenuButton* mine = UserMenu();
  ASSERT_NE(mine, nullptr);
  EXPECT_STREQ(bar->regions[0][0]->name, "Mine") << "a new menu comes first";
  std::vector<std::string> before = Names(programs.path());
  // A sub-menu, an item in it, the item's properties with its label unchanged.
  jqtest::DialogDriver driver({[](HWND d) {
                                 SetDlgItemTextA(d, IDC_MENU_NAME, "Tools");
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               },
                               [&](HWND d) {
                                 SetDlgItemTextA(d, IDC_ITEM_COMMAND, alphaTarget.c_str());
                                 SetDlgItemTextA(d, IDC_ITEM_LABEL, "Pad");
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               },
                               [&](HWND d) {
                                 SetDlgItemTextA(d, IDC_ITEM_COMMAND, betaTarget.c_str());
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               }});
  RunEntryCommand(bar, mine, "", nullptr, IDM_ENTRY_NEWSUBMENU, host);
  RunEntryCommand(bar, mine, "Tools", nullptr, IDM_ENTRY_NEWITEM, host);
  MenuWindowItem pad;
  pad.button = mine;
  pad.path = "Tools\\Pad";
  lstrcpynA(pad.name, "Pad", sizeof pad.name);
  RunEntryCommand(bar, mine, "Tools", &pad, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(driver.Finished());
  EXPECT_TRUE(seams.boxes.empty()) << (seams.boxes.empty() ? "" : seams.boxes[0].text);
  MenuEntry* e = FindPathTreeFolder(&mine->tree, "Tools\\Pad");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(lstrcmpiA(e->command.c_str(), betaTarget.c_str()), 0);
  // Deleting asks, then removes the node.
  RunEntryCommand(bar, mine, "Tools", &pad, IDM_ENTRY_DELETE, host);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(FindPathTreeFolder(&mine->tree, "Tools\\Pad"), nullptr);
  EXPECT_EQ(Names(programs.path()), before);
  EXPECT_GE(g_settingsChanged, 4);
}

TEST_F(MenuEdits, SubMenusAndMenusAreRenamedOnDisk) {
  MenuButton* apps = FindMenuButton(bar, "Apps");
  MenuWindowItem tools = ItemOf(apps, "Apps\\Tools", true);
  jqtest::DialogDriver driver({[](HWND d) {
    SetDlgItemTextA(d, IDC_MENU_NAME, "Kit");
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    return true;
  }});
  RunEntryCommand(bar, apps, "Apps", &tools, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(jqtest::FolderExists(programs / "Apps\\Kit"));
  EXPECT_FALSE(jqtest::FolderExists(programs / "Apps\\Tools"));
  // The menu itself: its folder takes the new name; a name in use is refused.
  EXPECT_EQ(RenameMenuButton(bar, apps, "Empty"), static_cast<UINT>(IDS_NAME_IN_USE));
  EXPECT_EQ(RenameMenuButton(bar, apps, ""), static_cast<UINT>(IDS_NAME_EMPTY));
  EXPECT_EQ(RenameMenuButton(bar, apps, "Programs"), 0u);
  EXPECT_TRUE(jqtest::FolderExists(programs / "Programs\\Kit"));
  EXPECT_FALSE(jqtest::FolderExists(programs / "Apps"));
  EXPECT_NE(FindMenuButton(bar, "Programs"), nullptr);
  EXPECT_EQ(bar->folderNames.front(), "Programs");
}

TEST_F(MenuEdits, NewMenusTakeTheirDefaultNamesAndRefuseDuplicates) {
  EXPECT_EQ(AddNewMenu(bar, "", false, 0), static_cast<UINT>(IDS_NAME_EMPTY));
  EXPECT_EQ(AddNewMenu(bar, "apps", false, 0), static_cast<UINT>(IDS_NAME_IN_USE));
  ASSERT_EQ(AddNewMenu(bar, "", false, CSIDL_DESKTOPDIRECTORY), 0u);
  MenuButton* desk = FindMenuButton(bar, LoadResString(IDS_NAME_DESKTOP));
  ASSERT_NE(desk, nullptr);
  EXPECT_EQ(desk->flags, kButtonSpecialFolder);
  EXPECT_EQ(desk->csidl, CSIDL_DESKTOPDIRECTORY);
  EXPECT_FALSE(AcceptsMenuDrops(desk));
  // Attached to the Start menu: a folder in Programs, whose button the watcher brings.
  ASSERT_EQ(AddNewMenu(bar, "Attached", true, 0), 0u);
  EXPECT_TRUE(jqtest::FolderExists(programs / "Attached"));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return FindMenuButton(bar, "Attached") != nullptr; }, 10000));
}

TEST_F(MenuEdits, TheBarsContextMenuHidesAFolderMenu) {
  seams.menuAnswers = {IDM_MENU_HIDE};
  RECT r = ButtonRect("Empty");
  POINT p = Centre(r);
  ScreenToClient(barWindow, &p);
  SendMessageA(barWindow, WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  ASSERT_EQ(seams.menusShown.size(), 1u);
  EXPECT_EQ(seams.menusShown[0], 11u)
      << "auto arrange, new, hide, delete, rename, new item, new Internet shortcut, help, properties";
  EXPECT_EQ(FindMenuButton(bar, "Empty"), nullptr);
  EXPECT_EQ(bar->removedNames, std::vector<std::string>{"Empty"});
  EXPECT_TRUE(jqtest::FolderExists(programs / "Empty")) << "hiding keeps the folder";
}

TEST_F(MenuEdits, DropsAddEntriesToTheTopOfAMenu) {
  std::string doc = programs.WriteFile("Elsewhere\\Notes.txt", "n");
  MenuButton* mine = UserMenu();
  std::vector<std::string> before = Names(programs / "Apps");
  ASSERT_TRUE(DropFileOnMenuButton(bar, mine, doc.c_str()));
  MenuEntry* notes = FindPathTreeFolder(&mine->tree, "Notes");
  ASSERT_NE(notes, nullptr);
  EXPECT_EQ(notes->command, doc);
  EXPECT_EQ(notes->startIn, programs / "Elsewhere");
  EXPECT_EQ(notes->runMode, 5);
  EXPECT_EQ(Names(programs / "Apps"), before) << "no file for a user menu";

  MenuButton* apps = FindMenuButton(bar, "Apps");
  ASSERT_TRUE(DropFileOnMenuButton(bar, apps, doc.c_str()));
  EXPECT_EQ(lstrcmpiA(TargetOf(Apps("Notes.lnk")).c_str(), doc.c_str()), 0);
  // A dropped shortcut becomes an entry with its target.
  ASSERT_TRUE(DropFileOnMenuButton(bar, mine, (programs / "Apps\\Tools\\Beta.lnk").c_str()));
  ASSERT_NE(FindPathTreeFolder(&mine->tree, "Beta"), nullptr);
  EXPECT_EQ(lstrcmpiA(FindPathTreeFolder(&mine->tree, "Beta")->command.c_str(), betaTarget.c_str()), 0);
  EXPECT_EQ(FindPathTreeFolder(&mine->tree, "Beta")->runMode, 3);
  // A Common Programs menu takes no drops.
  MenuButton common;
  std::strcpy(common.name, "\\Shared");
  EXPECT_FALSE(DropFileOnMenuButton(bar, &common, doc.c_str()));
  // Moving an entry into a sub-menu of its menu.
  MenuWindowItem readme = ItemOf(apps, "Apps\\Readme.txt"), tools = ItemOf(apps, "Apps\\Tools", true);
  ASSERT_TRUE(MoveMenuItemInto(bar, &readme, &tools));
  EXPECT_TRUE(jqtest::FileExists(programs / "Apps\\Tools\\Readme.txt"));
}

TEST(ShortcutReader, ReadsShortcutsAndHandsUnreadableOnesToTheShell) {
  CoInitialize(nullptr);
  jqtest::TempFolder folder;
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string target = std::string(windows) + "\\notepad.exe";
  ASSERT_TRUE(CreateShortcutFile(folder.path().c_str(), "Pad", target.c_str(), nullptr, "x.txt", windows, 7,
                                 target.c_str(), 1, nullptr));
  LPITEMIDLIST drives = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
  ASSERT_TRUE(CreateShortcutFile(folder.path().c_str(), "Computer", nullptr, nullptr, nullptr, nullptr, 3,
                                 nullptr, 0, drives));
  std::string junk = folder.WriteFile("Junk.lnk", "not a shortcut");

  ShortcutInfo parts;
  ASSERT_TRUE(ReadShortcutFile((folder / "Pad.lnk").c_str(), &parts, false));
  EXPECT_EQ(lstrcmpiA(parts.target.c_str(), target.c_str()), 0);
  EXPECT_EQ(parts.baseName, "Pad");
  EXPECT_EQ(parts.arguments, "x.txt");
  EXPECT_EQ(parts.showCommand, 7);
  EXPECT_EQ(parts.iconIndex, 1);

  struct Case {
    std::string file;
    bool allowEmpty;
    bool whole;
  } cases[] = {{junk, true, false}, {folder / "Computer.lnk", false, false}, {folder / "Computer.lnk", true, true}};
  for (const auto& c : cases) {
    ShortcutInfo p;
    EXPECT_TRUE(ReadShortcutFile(c.file.c_str(), &p, c.allowEmpty)) << c.file;
    if (c.whole) {
      EXPECT_TRUE(p.target.empty());
      EXPECT_EQ(p.showCommand, 3);
      EXPECT_TRUE(p.item && ILIsEqual(p.item.get(), drives));
    } else {
      EXPECT_EQ(p.target, c.file);
      EXPECT_EQ(p.showCommand, 1);
    }
  }
  CoTaskMemFree(drives);
  CoUninitialize();
}

}  // namespace
