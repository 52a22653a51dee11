// The cascading menus driven as a user drives them: real pointer moves, clicks and keys on the X
// display (xdotool), entries run through the program-start seam, a folder of more entries than
// the screen is tall, and the menus following files created and deleted by another program.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "menu_button_edit.h"
#include "startmenu_test_host.h"

using namespace jqbar;
using namespace smtest;

namespace {

using CascadingMenu = MenuBarHost;

// A hover delay long enough that a busy machine's input still arrives well inside it.
class SlowHoverMenu : public MenuBarHost {
 protected:
  void SetUp() override {
    menuDelay = "2500";
    MenuBarHost::SetUp();
  }
};

TEST_F(SlowHoverMenu, TheMouseOpensAFolderAfterTheDelayAndAClickRunsItsEntry) {
  EXPECT_EQ(MenuShowDelay(), 2500u);
  RECT apps = ButtonRect("Apps");
  // Press and release on the button: the menu opens below it and the release runs nothing.
  ASSERT_TRUE(ClickUntil(Centre(apps), [] { return OpenTopMenu() != nullptr; }));
  MenuWindowState* top = OpenTopMenu();
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(seams.starts.empty());
  RECT menu;
  GetWindowRect(top->window, &menu);
  EXPECT_EQ(menu.top, apps.bottom);
  EXPECT_EQ(menu.left, apps.left);
  // Folders first, then the entries by name.
  ASSERT_EQ(top->items.size(), 3u);
  EXPECT_STREQ(top->items[0]->name, "Tools");
  EXPECT_STREQ(top->items[1]->name, "Alpha");
  EXPECT_STREQ(top->items[2]->name, "Readme");

  // Resting on the folder opens it only after the delay: not before the delay has passed since
  // the pointer set out (however long the machine takes to move it).
  POINT tools = Centre(MenuItemRect(top, 0));
  DWORD setOut = GetTickCount();
  ASSERT_TRUE(RunOnHost("xdotool" + At(tools)));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return top->sub != nullptr; }, 8000));
  EXPECT_GE(GetTickCount() - setOut, 2500u - 20u) << "opened before the delay";
  MenuWindowState* sub = top->sub;
  ASSERT_EQ(sub->items.size(), 1u);
  RECT subRect;
  GetWindowRect(sub->window, &subRect);
  EXPECT_EQ(subRect.top, menu.top) << "beside its opening entry";
  EXPECT_GE(subRect.left, menu.right - 8);

  POINT beta = Centre(MenuItemRect(sub, 0));
  ASSERT_TRUE(jqbartest::SendRealInput(
      host, "xdotool" + At({beta.x - 20, beta.y}) + At(beta) + " click 1",
      [&] { return !seams.starts.empty(); }, [&] { return OpenTopMenu() == top && top->sub == sub; }));
  EXPECT_EQ(OpenTopMenu(), nullptr) << "running an entry closes the menus";
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(lstrcmpiA(seams.starts[0].file.c_str(), betaTarget.c_str()), 0) << seams.starts[0].file;
}

TEST_F(CascadingMenu, KeysMoveTheHighlightOpenFoldersAndRunEntries) {
  RECT apps = ButtonRect("Apps");
  ASSERT_TRUE(ClickUntil(Centre(apps), [] { return OpenTopMenu() != nullptr; }));
  MenuWindowState* top = OpenTopMenu();
  ASSERT_NE(top, nullptr);
  // Each key goes to the bar with its window in front, and is sent once more only when it
  // plainly never arrived (nothing changed). Each result is waited for: a loaded machine may be
  // slow.
  auto key = [&](const char* name, const std::function<bool()>& done, const std::function<bool()>& unchanged) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (GetForegroundWindow() != host || GetFocus() != barWindow) jqbartest::BringToFront(host, barWindow);
      if (!RunOnHost(std::string("xdotool key ") + name)) return false;
      if (jqtest::PumpUntil(done, 5000)) return true;
      if (!unchanged()) return false;
    }
    return false;
  };
  // Up from no highlight takes the last entry; Down from the last wraps to the first.
  EXPECT_TRUE(key("Up", [&] { return top->highlight == 2; }, [&] { return top->highlight < 0; })) << top->highlight;
  EXPECT_TRUE(key("Down", [&] { return top->highlight == 0; }, [&] { return top->highlight == 2; })) << top->highlight;
  // Right on the folder opens it; Escape closes only the sub-menu.
  ASSERT_TRUE(key("Right", [&] { return top->sub != nullptr; }, [&] { return top->sub == nullptr; }));
  EXPECT_TRUE(key("Escape", [&] { return top->sub == nullptr; }, [&] { return top->sub != nullptr; }));
  EXPECT_EQ(top->highlight, 0);
  EXPECT_TRUE(key("Down", [&] { return top->highlight == 1; }, [&] { return top->highlight == 0; }));
  ASSERT_TRUE(key("Return", [&] { return !seams.starts.empty(); }, [&] { return seams.starts.empty() && OpenTopMenu(); }));
  EXPECT_EQ(lstrcmpiA(seams.starts[0].file.c_str(), alphaTarget.c_str()), 0);
  EXPECT_EQ(seams.starts[0].parameters, "-a");
  // The entry's own folder is the working folder when the shortcut names none.
  EXPECT_EQ(lstrcmpiA(seams.starts[0].directory.c_str(), alphaTarget.substr(0, alphaTarget.rfind('\\')).c_str()), 0);
  // Escape on the top menu closes it.
  ASSERT_NE(Open("Apps"), nullptr);
  EXPECT_TRUE(key("Escape", [&] { return OpenTopMenu() == nullptr; }, [&] { return OpenTopMenu() != nullptr; }));
}

TEST_F(CascadingMenu, AFolderTallerThanTheScreenOpensInColumnsOfTheScreensHeight) {
  MenuWindowState* top = Open("Many");
  ASSERT_NE(top, nullptr);
  int screen = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_EQ(top->items.size(), 200u) << "a menu shows its first 200 entries";
  int perColumn = (screen - 4) / 20;
  EXPECT_EQ(top->perColumn, perColumn);
  EXPECT_EQ(top->columns, (200 + perColumn - 1) / perColumn);
  RECT r;
  GetWindowRect(top->window, &r);
  EXPECT_EQ(r.bottom - r.top, perColumn * 20 + 4);
  EXPECT_LE(r.bottom, screen);
  EXPECT_EQ(r.right - r.left, top->columns * top->columnWidth + 4);
  // A click in the last column runs that column's entry.
  int last = 199;
  POINT p = Centre(MenuItemRect(top, last));
  ASSERT_LT(p.x, GetSystemMetrics(SM_CXSCREEN));
  std::string expected = programs / top->items[last]->path;
  ASSERT_TRUE(jqbartest::BringToFront(top->window));
  ASSERT_TRUE(jqbartest::SendRealInput(host, "xdotool" + At({p.x, p.y - 3}) + At(p) + " click 1",
                                       [&] { return !seams.starts.empty(); },
                                       [&] { return seams.starts.empty() && OpenTopMenu() == top; }));
  EXPECT_EQ(lstrcmpiA(seams.starts[0].file.c_str(), expected.c_str()), 0) << seams.starts[0].file;
}

TEST_F(CascadingMenu, AnEmptyFolderShowsOneLineThatRunsNothing) {
  MenuWindowState* top = Open("Empty");
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->items.empty());
  RECT r;
  GetWindowRect(top->window, &r);
  EXPECT_EQ(r.bottom - r.top, 24);
  MenuWindowKey(top, VK_DOWN);
  MenuWindowKey(top, VK_RETURN);
  POINT inside{(r.left + r.right) / 2, r.top + 10};
  bool empty = false;
  EXPECT_EQ(MenuWindowFromPoint(top, inside.x, inside.y, &empty), nullptr);
  EXPECT_TRUE(empty);
  EXPECT_TRUE(seams.starts.empty());
}

// The colour the display shows at a screen point.
COLORREF ScreenPixel(POINT p) {
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(CascadingMenu, AKeptWindowShowsTheNextMenuInTheMenuColours) {
  MenuWindowState* first = Open("Empty");
  ASSERT_NE(first, nullptr);
  HWND kept = first->window;
  CloseMenus();
  // The next menu takes the closed one's window, of another size, and draws its own entries.
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->window, kept);
  ASSERT_EQ(top->items.size(), 3u);
  HighlightMenuItem(top, 1);
  // A point of an entry's cell, a number of pixels in from the cell's right edge.
  auto cell = [&](int index, int fromRight) {
    RECT r = MenuItemRect(top, index);
    return POINT{r.right - 2 - fromRight, (r.top + r.bottom) / 2};
  };
  const COLORREF menu = GetSysColor(COLOR_MENU), lit = GetSysColor(COLOR_HIGHLIGHT);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return ScreenPixel(cell(1, 4)) == lit; }, 3000))
      << std::hex << ScreenPixel(cell(1, 4));
  EXPECT_EQ(ScreenPixel(cell(2, 4)), menu);
  EXPECT_EQ(ScreenPixel(cell(0, 4)), menu);
  EXPECT_EQ(ScreenPixel(cell(0, 11)), GetSysColor(COLOR_MENUTEXT)) << "the folder's arrow";
}

// "Apps" also holds a shortcut "Pad" whose icon comes from an icon file outside the Programs
// folder.
class IconFileMenu : public MenuBarHost {
 protected:
  void MakeFixture() override {
    MenuBarHost::MakeFixture();
    iconFile = icons / "pad.exe";
    CopyFileA(alphaTarget.c_str(), iconFile.c_str(), FALSE);
    CreateShortcutFile((programs / "Apps").c_str(), "Pad", alphaTarget.c_str(), nullptr, nullptr, nullptr, 1,
                       iconFile.c_str(), 0, nullptr);
  }
  jqtest::TempFolder icons;
  std::string iconFile;
};

TEST_F(IconFileMenu, AMenuOpenedAgainKeepsIconsWithoutReadingTheIconFileAgain) {
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  int pad = IndexOf(top, "Pad");
  ASSERT_GE(pad, 0);
  ASSERT_NE(top->items[pad]->icon, nullptr);
  CloseMenus();
  // The icon file goes without the menus hearing of it: the next open does not look at it.
  ASSERT_TRUE(DeleteFileA(iconFile.c_str()));
  top = Open("Apps");
  ASSERT_NE(top, nullptr);
  pad = IndexOf(top, "Pad");
  ASSERT_GE(pad, 0);
  EXPECT_NE(top->items[pad]->icon, nullptr) << "the icon file was read again";
}

TEST_F(CascadingMenu, TheOpenMenuFollowsFilesMadeAndDeletedByAnotherProgram) {
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  ASSERT_EQ(IndexOf(top, "Gamma"), -1);
  // Another program writes a shortcut and deletes one.
  ASSERT_TRUE(CreateShortcutFile((programs / "Apps").c_str(), "Gamma", alphaTarget.c_str(), nullptr, nullptr,
                                 nullptr, 1, nullptr, 0, nullptr));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return OpenTopMenu() && IndexOf(OpenTopMenu(), "Gamma") >= 0; }, 10000));
  EXPECT_EQ(OpenTopMenu(), top) << "the same menu, read again";
  ASSERT_TRUE(DeleteFileA((programs / "Apps\\Alpha.lnk").c_str()));
  ASSERT_TRUE(jqtest::PumpUntil([&] { return OpenTopMenu() && IndexOf(OpenTopMenu(), "Alpha") < 0; }, 10000));
  // A new first-level folder gets a button without a restart.
  CloseMenus();
  programs.MakeFolder("Later");
  ASSERT_TRUE(jqtest::PumpUntil([&] { return FindMenuButton(bar, "Later") != nullptr; }, 10000));
}

TEST_F(CascadingMenu, AMenuFromTheCacheIsTheSameAsFromTheDisk) {
  ClearMenuCache(true);
  MenuEntry* cold = GetMenuFolderEntries("Apps");
  ASSERT_NE(cold, nullptr);
  ASSERT_TRUE(IsMenuFolderCached("Apps"));
  // The cached copy is used while the disk is left alone.
  MoveFileA((programs / "Apps\\Readme.txt").c_str(), (programs / "Apps\\Renamed.txt").c_str());
  LockMenus();
  MenuEntry* warm = GetCachedMenuEntries("Apps");
  UnlockMenus();
  int n = 0;
  bool readme = false;
  for (MenuEntry* e = warm; e; e = e->next, ++n) readme = readme || e->name == "Readme";
  EXPECT_EQ(n, 3);
  EXPECT_TRUE(readme);
  FreeMenuEntries(cold);
  FreeMenuEntries(warm);
}

TEST_F(CascadingMenu, AnEntryWhoseFileIsGoneRunsNothing) {
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  int readme = IndexOf(top, "Readme");
  ASSERT_GE(readme, 0);
  // Taken away while the menu is open (before the watcher could tell).
  DeleteFileA((programs / "Apps\\Readme.txt").c_str());
  RunMenuItem(bar, top->items[readme]);
  EXPECT_EQ(OpenTopMenu(), nullptr);
  EXPECT_TRUE(seams.starts.empty());
}

// A bar near the right edge of the screen: its menus open leftwards and so do their sub-menus.
class RightEdgeMenu : public MenuBarHost {
 protected:
  void SetUp() override {
    hostWidth = 160;
    hostX = GetSystemMetrics(SM_CXSCREEN) - hostWidth;
    MenuBarHost::SetUp();
  }
};

TEST_F(RightEdgeMenu, MenusNearTheRightEdgeOpenLeftwards) {
  MenuWindowState* top = Open("Apps");
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->leftwards);
  OpenSubmenu(top, top->items[0]);
  ASSERT_NE(top->sub, nullptr);
  EXPECT_TRUE(top->sub->leftwards);
  RECT parent, sub;
  GetWindowRect(top->window, &parent);
  GetWindowRect(top->sub->window, &sub);
  EXPECT_LT(sub.left, parent.left);
  EXPECT_LE(sub.right, parent.left + 8);
}

// Hidden menus and the order of the menus go into the settings and come back with them.
TEST_F(CascadingMenu, HiddenMenusAndTheOrderComeBackFromTheStoredSettings) {
  std::vector<std::string> order = bar->folderNames;
  ASSERT_EQ(order, (std::vector<std::string>{"Apps", "Empty", "Many"}));
  std::reverse(order.begin(), order.end());
  ApplyMenuOrder(bar, order, {"Empty"});
  EXPECT_EQ(FindMenuButton(bar, "Empty"), nullptr);
  ASSERT_EQ(bar->regions[0].size(), 2u);
  EXPECT_STREQ(bar->regions[0][0]->name, "Many");
  const void* stored = nullptr;
  int size = static_cast<int>(SendMessageA(barWindow, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&stored)));
  ASSERT_GT(size, 0);
  std::vector<std::uint8_t> saved(static_cast<const std::uint8_t*>(stored),
                                  static_cast<const std::uint8_t*>(stored) + size);
  // A bar made from the stored settings, as a layout makes it.
  RECT rect{0, 0, 300, 25};
  HWND again = CreateMenuBar(host, &rect, saved.data(), size);
  ASSERT_NE(again, nullptr);
  MenuBarInstance* other = MenuBarOf(again);
  EXPECT_EQ(other->folderNames, order);
  EXPECT_EQ(other->removedNames, std::vector<std::string>{"Empty"});
  EXPECT_EQ(FindMenuButton(other, "Empty"), nullptr);
  ASSERT_EQ(other->regions[0].size(), 2u);
  EXPECT_STREQ(other->regions[0][0]->name, "Many");
  EXPECT_STREQ(other->regions[0][1]->name, "Apps");
  // Shown again, the folder is back in its place.
  ApplyMenuOrder(other, order, {});
  ASSERT_EQ(other->regions[0].size(), 3u);
  EXPECT_STREQ(other->regions[0][1]->name, "Empty");
  DestroyWindow(again);
}

}  // namespace

namespace {

std::string Ansi(const wchar_t* text) {
  char out[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, out, MAX_PATH, nullptr, nullptr);
  return out;
}

// A picture of an open cascading menu with names in the locale's own script, for a person to
// look at: written only when JQ_STARTMENU_SHOT names the file.
class MenuPicture : public MenuBarHost {
 protected:
  void MakeFixture() override {
    bool simplified = GetACP() == 936;
    accessories = Ansi(simplified ? L"附件" : L"附屬應用程式");
    std::string tools = Ansi(simplified ? L"系统工具" : L"系統工具");
    programs.MakeFolder(accessories + "\\" + tools);
    programs.MakeFolder(Ansi(simplified ? L"游戏" : L"遊戲"));
    programs.MakeFolder(Ansi(simplified ? L"办公" : L"辦公室"));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string pad = std::string(windows) + "\\notepad.exe", reg = std::string(windows) + "\\regedit.exe";
    std::string folder = programs / accessories;
    CreateShortcutFile(folder.c_str(), Ansi(simplified ? L"记事本" : L"記事本").c_str(), pad.c_str(), nullptr, nullptr,
                       nullptr, 1, nullptr, 0, nullptr);
    CreateShortcutFile(folder.c_str(), Ansi(simplified ? L"注册表编辑器" : L"登錄編輯程式").c_str(), reg.c_str(), nullptr,
                       nullptr, nullptr, 1, nullptr, 0, nullptr);
    programs.WriteFile(accessories + "\\" + Ansi(simplified ? L"说明.txt" : L"說明.txt"), "x");
    std::string sub = programs / (accessories + "\\" + tools);
    CreateShortcutFile(sub.c_str(), Ansi(simplified ? L"磁盘清理" : L"磁碟清理").c_str(), pad.c_str(), nullptr, nullptr,
                       nullptr, 1, nullptr, 0, nullptr);
  }
  std::string accessories;
};

TEST_F(MenuPicture, AnOpenCascadingMenu) {
  const char* shot = getenv("JQ_STARTMENU_SHOT");
  if (!shot) GTEST_SKIP() << "no picture wanted";
  MenuWindowState* top = Open(accessories.c_str());
  ASSERT_NE(top, nullptr);
  OpenSubmenu(top, top->items[0]);
  ASSERT_NE(top->sub, nullptr);
  POINT p = Centre(MenuItemRect(top->sub, 0));
  SetCursorPos(p.x, p.y);
  SendMessageA(barWindow, WM_MOUSEMOVE, 0, 0);
  MenuWindowFromPoint(top, p.x, p.y, nullptr);
  jqtest::PumpUntil([] { return false; }, 500);
  ASSERT_TRUE(RunOnHost(std::string("import -window root ") + shot));
}

}  // namespace
