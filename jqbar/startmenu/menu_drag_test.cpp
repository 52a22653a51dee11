// Drag and drop with the Start-menu bar, driven with the real pointer (XTEST through xdotool)
// and real second programs: a file dragged from another program onto a menu button or onto a
// folder of an open menu becomes an entry there on disk; an entry dragged out of a menu arrives
// in another program's folder window as a shortcut, moves into a folder of its own menu, and
// leaves nothing behind when no one takes it.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "drag_out.h"
#include "menu_drag_drop.h"
#include "shell_helpers.h"
#include "startmenu_test_host.h"

using namespace jqbar;
using namespace smtest;

namespace {

POINT Offset(POINT p, int dx, int dy) { return {p.x + dx, p.y + dy}; }

// Press at `from`, move in steps (the first ones start the drag), release at `to`. With a file
// name in `shot` the screen is captured while the pointer rests over the target.
std::string Drag(POINT from, POINT to, const char* shot = nullptr) {
  std::string capture = shot ? std::string("; import -window root ") + shot + "; xdotool" : "";
  return "xdotool" + At(from) + " mousedown 1 sleep 0.2" + At(Offset(from, 6, 6)) + At(Offset(from, 14, 14)) +
         At({(from.x + to.x) / 2, (from.y + to.y) / 2}) + At(to) + At(Offset(to, 2, 1)) + At(to) + capture +
         " sleep 0.3 mouseup 1";
}

std::string TestProgram(const char* name) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path = self;
  return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// The window of a second program once it is up and in front.
HWND WaitForWindow(const char* windowClass) {
  HWND found = nullptr;
  jqtest::PumpUntil([&] { return (found = FindWindowA(windowClass, nullptr)) != nullptr && IsWindowVisible(found); },
                    15000);
  if (found && !jqbartest::BringToFront(found)) return nullptr;
  return found;
}

class MenuDragDrop : public MenuBarHost {
 protected:
  void SetUp() override {
    // Dragging needs OLE itself, not only COM.
    OleInitialize(nullptr);
    MenuBarHost::SetUp();
  }
  void TearDown() override {
    RunOnHost("xdotool mousemove 1279 899");
    MenuBarHost::TearDown();
    OleUninitialize();
  }
  // A second program dragging `file` from its window at (100, 100).
  HANDLE StartFileSource(const std::string& file) {
    HANDLE process = jqtest::StartProcess("\"" + TestProgram("drop_helper_test.exe") + "\" 100 100 \"" + file + "\"");
    EXPECT_NE(process, nullptr);
    source = WaitForWindow("JQDropHelper");
    EXPECT_NE(source, nullptr);
    return process;
  }
  std::string Programs(const char* relative) { return programs / relative; }
  // A drag from the second program's window, until `made` exists; sent once more when the
  // program never saw its press (its window goes when its drag ends).
  bool DragFromSource(const std::string& script, const std::string& made) {
    return jqbartest::SendRealInput(source, script, [&] { return jqtest::FileExists(made); },
                                    [&] { return IsWindow(source) && !jqtest::FileExists(made); }, 10000);
  }

  jqtest::TempFolder elsewhere;
  HWND source = nullptr;
};

TEST_F(MenuDragDrop, AFileFromAnotherProgramDroppedOnAButtonBecomesAShortcutInItsFolder) {
  std::string document = elsewhere.WriteFile("Notes.txt", "notes");
  POINT apps = Centre(ButtonRect("Apps"));
  HANDLE process = StartFileSource(document);
  int changes = g_settingsChanged;
  // JQ_STARTMENU_DRAG_SHOT names a picture of the drag over the button (the button drawn pressed).
  std::string made = Programs("Apps\\Notes.lnk");
  EXPECT_TRUE(DragFromSource(Drag({140, 140}, apps, getenv("JQ_STARTMENU_DRAG_SHOT")), made));
  int code = jqtest::WaitProcess(process, 15000);
  CloseHandle(process);
  ASSERT_TRUE(jqtest::FileExists(made));
  ShortcutInfo link;
  ReadShortcutFile(made.c_str(), &link, false);
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), document.c_str()), 0) << link.target;
  EXPECT_EQ(lstrcmpiA(link.startIn.c_str(), elsewhere.path().c_str()), 0) << link.startIn;
  EXPECT_GT(g_settingsChanged, changes);
  EXPECT_GT(code, 100) << "the source saw the drop taken";
  // Nothing went anywhere else.
  EXPECT_FALSE(jqtest::FileExists(Programs("Empty\\Notes.lnk")));
}

TEST_F(MenuDragDrop, AFileFromAnotherProgramDroppedOnAFolderOfAnOpenMenuGoesIntoThatFolder) {
  std::string document = elsewhere.WriteFile("Plan.txt", "plan");
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  int tools = IndexOf(top, "Tools");
  ASSERT_GE(tools, 0);
  POINT onTools = Centre(MenuItemRect(top, tools));
  HANDLE process = StartFileSource(document);
  // The other program is the one in front, as when the user turns to it with a menu open: its
  // press is its own.
  ASSERT_TRUE(jqbartest::BringToFront(source));
  ASSERT_NE(OpenTopMenu(), nullptr);
  std::string made = Programs("Apps\\Tools\\Plan.lnk");
  EXPECT_TRUE(DragFromSource(Drag({140, 140}, onTools, getenv("JQ_STARTMENU_MENU_DROP_SHOT")), made));
  int code = jqtest::WaitProcess(process, 15000);
  CloseHandle(process);
  ASSERT_TRUE(jqtest::FileExists(made));
  ShortcutInfo link;
  ReadShortcutFile(made.c_str(), &link, false);
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), document.c_str()), 0) << link.target;
  EXPECT_FALSE(jqtest::FileExists(Programs("Apps\\Plan.lnk")));
  EXPECT_GT(code, 100);
}

TEST_F(MenuDragDrop, AnEntryDraggedOutArrivesInAnotherProgramsFolderAndARefusedOneLeavesNothing) {
  HANDLE process = jqtest::StartProcess("\"" + TestProgram("drop_folder_helper_test.exe") + "\" 100 100 \"" +
                                        elsewhere.path() + "\"");
  ASSERT_NE(process, nullptr);
  ASSERT_NE(WaitForWindow("JQDropFolderHelper"), nullptr);
  RECT apps = ButtonRect("Apps");
  ASSERT_TRUE(ClickUntil(Centre(apps), [] { return OpenTopMenu() != nullptr; }));
  MenuWindowState* top = OpenTopMenu();
  ASSERT_NE(top, nullptr);
  int alpha = IndexOf(top, "Alpha");
  ASSERT_GE(alpha, 0);
  std::string arrived = elsewhere / "Alpha.lnk";
  EXPECT_TRUE(jqbartest::SendRealInput(host, Drag(Centre(MenuItemRect(top, alpha)), {160, 160}),
                                       [&] { return jqtest::FileExists(arrived); },
                                       [&] { return OpenTopMenu() == top && seams.starts.empty(); }, 10000));
  EXPECT_EQ(jqtest::WaitProcess(process, 15000), 101);
  CloseHandle(process);
  ASSERT_TRUE(jqtest::FileExists(arrived));
  ShortcutInfo link;
  ReadShortcutFile(arrived.c_str(), &link, false);
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), alphaTarget.c_str()), 0) << link.target;
  EXPECT_EQ(link.arguments, "-a");
  EXPECT_EQ(OpenTopMenu(), nullptr) << "the menus close after a drag";
  EXPECT_TRUE(seams.starts.empty()) << "dragging runs nothing";
  EXPECT_TRUE(jqtest::FileExists(Programs("Apps\\Alpha.lnk"))) << "the entry itself stays";

  // Dropped where no one takes it: the file made for the drag goes again.
  std::string temporary = DragOutFolder() + "\\Alpha.lnk";
  DeleteFileA(temporary.c_str());
  apps = ButtonRect("Apps");  // the bar in front again
  ASSERT_TRUE(ClickUntil(Centre(apps), [] { return OpenTopMenu() != nullptr; }));
  top = OpenTopMenu();
  ASSERT_NE(top, nullptr);
  ASSERT_TRUE(jqbartest::SendRealInput(host, Drag(Centre(MenuItemRect(top, alpha)), {700, 200}),
                                       [] { return OpenTopMenu() == nullptr; },
                                       [&] { return OpenTopMenu() == top && seams.starts.empty(); }));
  EXPECT_FALSE(jqtest::FileExists(temporary));
  EXPECT_TRUE(seams.starts.empty());
}

TEST_F(MenuDragDrop, AnEntryDraggedOntoAFolderOfItsMenuMovesIntoIt) {
  RECT apps = ButtonRect("Apps");
  ASSERT_TRUE(ClickUntil(Centre(apps), [] { return OpenTopMenu() != nullptr; }));
  MenuWindowState* top = OpenTopMenu();
  ASSERT_NE(top, nullptr);
  int readme = IndexOf(top, "Readme"), tools = IndexOf(top, "Tools");
  ASSERT_GE(readme, 0);
  ASSERT_GE(tools, 0);
  POINT from = Centre(MenuItemRect(top, readme)), to = Centre(MenuItemRect(top, tools));
  // Away from the menu first (the drag starts there), then back onto the folder.
  std::string script = "xdotool" + At(from) + " mousedown 1 sleep 0.2" + At(Offset(from, 8, 8)) +
                       At(Offset(from, 60, 60)) + At(Offset(to, 3, 0)) + At(to) + " sleep 0.3 mouseup 1";
  std::string moved = Programs("Apps\\Tools\\Readme.txt");
  EXPECT_TRUE(jqbartest::SendRealInput(host, script, [&] { return jqtest::FileExists(moved); },
                                       [&] { return OpenTopMenu() == top && seams.starts.empty(); }, 10000));
  EXPECT_EQ(jqtest::ReadFileText(moved), "read me");
  EXPECT_FALSE(jqtest::FileExists(Programs("Apps\\Readme.txt")));
  EXPECT_FALSE(jqtest::FileExists(DragOutFolder() + "\\Readme.lnk")) << "a move inside the menus leaves no file";
  EXPECT_TRUE(seams.starts.empty());
}

// The file each kind of entry is dragged as.
TEST_F(MenuDragDrop, EntriesAreDraggedAsShortcutsOrInternetShortcuts) {
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  std::string alphaFile = WriteMenuDragFile(top->button, *top->items[IndexOf(top, "Alpha")], elsewhere.path().c_str());
  std::string readmeFile = WriteMenuDragFile(top->button, *top->items[IndexOf(top, "Readme")], elsewhere.path().c_str());
  EXPECT_EQ(WriteMenuDragFile(top->button, *top->items[IndexOf(top, "Tools")], elsewhere.path().c_str()), "")
      << "folders are not dragged";
  CloseMenus();
  ASSERT_EQ(alphaFile, elsewhere / "Alpha.lnk");
  ASSERT_EQ(readmeFile, elsewhere / "Readme.lnk");
  ShortcutInfo link;
  ReadShortcutFile(alphaFile.c_str(), &link, false);
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), alphaTarget.c_str()), 0);
  EXPECT_EQ(link.arguments, "-a");
  ReadShortcutFile(readmeFile.c_str(), &link, false);
  EXPECT_EQ(lstrcmpiA(link.target.c_str(), Programs("Apps\\Readme.txt").c_str()), 0) << link.target;

  // A user menu's Internet shortcut (a name with characters file names cannot hold).
  MenuButton user{};
  user.userMenu = 1;
  UrlShortcut address{"News: today?", "http://example.com/news"};
  ASSERT_TRUE(SetPathTreeEntry(&user.tree, "", "News: today?", nullptr, nullptr, nullptr, 1, nullptr, 0, &address, 1));
  MenuWindowItem item;
  item.button = &user;
  item.path = "News: today?";
  std::string urlFile = WriteMenuDragFile(&user, item, elsewhere.path().c_str());
  FreeMenuEntries(user.tree.first);
  ASSERT_EQ(urlFile, elsewhere / "News today.url");
  EXPECT_NE(jqtest::ReadFileText(urlFile).find("URL=http://example.com/news"), std::string::npos);
}

}  // namespace
