// The bar's property sheet as the configuration dialog hosts it (options set, order lines
// clicked and dragged with the real pointer, command 323 applied, the blob read back), and the
// entries that stand for web addresses or shell items, edited through their own dialogs.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "menu_bar_pages.h"
#include "menu_button_edit.h"
#include "menu_entry_edit.h"
#include "menu_pages_shot.h"
#include "panel_utils.h"
#include "resource_shell.h"
#include "resource_startmenu.h"
#include "seams.h"
#include "shell_helpers.h"
#include "startmenu_test_host.h"

using namespace jqbar;
using namespace smtest;

namespace {

std::uint32_t Word(const std::vector<std::uint8_t>& blob, std::size_t offset) {
  std::uint32_t v = 0;
  std::memcpy(&v, blob.data() + offset, 4);
  return v;
}

class MenuBarSheet : public MenuBarHost {
 protected:
  void TearDown() override {
    if (sheet && IsWindow(sheet)) DestroyWindow(sheet);
    if (owner) DestroyWindow(owner);
    MenuBarHost::TearDown();
  }
  // The sheet inside a window of its own, as the configuration dialog asks for it.
  HWND OpenSheet() {
    if (!owner)
      owner = CreateWindowExA(WS_EX_TOPMOST, "StartMenuTestHost", "sheet", WS_POPUP | WS_VISIBLE, 100, 40, 520,
                              420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (sheet && IsWindow(sheet)) DestroyWindow(sheet);
    sheet = reinterpret_cast<HWND>(
        SendMessageA(barWindow, PNM_CREATEPAGE, reinterpret_cast<WPARAM>(owner), MAKELPARAM(10, 10)));
    jqtest::PumpPending();
    return sheet;
  }
  void Apply() { SendMessageA(sheet, WM_COMMAND, IDC_MENUBAR_APPLY, 0); }
  std::vector<std::uint8_t> Blob() {
    const void* data = nullptr;
    auto size = static_cast<std::size_t>(SendMessageA(barWindow, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data)));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
  }
  HWND Tree() { return GetDlgItem(MenuBarSheetPage(1), IDC_MBO_TREE); }
  std::vector<HTREEITEM> Lines() {
    std::vector<HTREEITEM> lines;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item))))
      lines.push_back(item);
    return lines;
  }
  std::string Text(HTREEITEM item) {
    char text[100] = {};
    TVITEMA t{};
    t.mask = TVIF_TEXT;
    t.hItem = item;
    t.pszText = text;
    t.cchTextMax = sizeof text;
    SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
    return text;
  }
  int Image(HTREEITEM item) {
    TVITEMA t{};
    t.mask = TVIF_IMAGE;
    t.hItem = item;
    SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&t));
    return t.iImage;
  }
  int State(HTREEITEM item) {
    return int((SendMessageA(Tree(), TVM_GETITEMSTATE, WPARAM(item), TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12);
  }
  // Screen points of a line's text and of its check box.
  POINT TextPoint(HTREEITEM item) {
    RECT r{};
    TreeView_GetItemRect(Tree(), item, &r, TRUE);
    POINT p{r.left + 10, (r.top + r.bottom) / 2};
    ClientToScreen(Tree(), &p);
    return p;
  }
  POINT CheckPoint(HTREEITEM item) {
    RECT r{};
    TreeView_GetItemRect(Tree(), item, &r, TRUE);
    for (int x = r.left; x >= 0; --x) {
      TVHITTESTINFO hit{};
      hit.pt = {x, (r.top + r.bottom) / 2};
      SendMessageA(Tree(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.flags & TVHT_ONITEMSTATEICON) {
        POINT p{x - 4, hit.pt.y};
        ClientToScreen(Tree(), &p);
        return p;
      }
    }
    ADD_FAILURE() << "no check box on " << Text(item);
    return {};
  }
  // The sheet's window in front, for the real pointer.
  bool Raise() { return jqbartest::BringToFront(owner); }
  // A real click on a line's check box; true when the line's state turned over.
  bool ClickCheck(HTREEITEM item) {
    if (!Raise()) return false;
    int before = State(item);
    return jqbartest::SendRealInput(owner, "xdotool" + At(CheckPoint(item)) + " click 1",
                                    [&] { return State(item) != before; }, [&] { return State(item) == before; });
  }
  void ShowOrderPage() {
    HWND tab = GetDlgItem(sheet, IDC_MENUBAR_TAB);
    SendMessageA(tab, TCM_SETCURSEL, 1, 0);
    NMHDR header{tab, IDC_MENUBAR_TAB, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(sheet, WM_NOTIFY, IDC_MENUBAR_TAB, reinterpret_cast<LPARAM>(&header));
    EXPECT_TRUE(IsWindowVisible(MenuBarSheetPage(1)));
    EXPECT_TRUE(Raise());
  }

  HWND owner = nullptr;
  HWND sheet = nullptr;
};

TEST_F(MenuBarSheet, OptionsAreAppliedToTheBarAndItsBlob) {
  ASSERT_NE(OpenSheet(), nullptr);
  HWND tab = GetDlgItem(sheet, IDC_MENUBAR_TAB);
  EXPECT_EQ(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  HWND page = MenuBarSheetPage(0);
  ASSERT_NE(page, nullptr);
  // A new bar's values as the page shows them; automatic arrangement leaves the rows alone.
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_MBO_AUTO), BST_CHECKED);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_MBO_REGIONS)));
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_MBO_ICONSIZE, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(GetDlgItemInt(page, IDC_MBO_PERREGION, nullptr, FALSE), 5u);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_MBO_WIDTHMIN, TBM_GETPOS, 0, 0), 75);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_MBO_WIDTHMAX, TBM_GETPOS, 0, 0), 300);

  // Keys on the sliders: the minimum pushed to the end drags the maximum along, and the other way.
  HWND low = GetDlgItem(page, IDC_MBO_WIDTHMIN), high = GetDlgItem(page, IDC_MBO_WIDTHMAX);
  SendMessageA(low, WM_KEYDOWN, VK_END, 0);
  EXPECT_EQ(SendMessageA(high, TBM_GETPOS, 0, 0), 400);
  char text[16] = {};
  GetDlgItemTextA(page, IDC_MBO_WIDTHMAX_TEXT, text, sizeof text);
  EXPECT_STREQ(text, "400");
  SendMessageA(high, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(SendMessageA(low, TBM_GETPOS, 0, 0), 20);
  GetDlgItemTextA(page, IDC_MBO_WIDTHMIN_TEXT, text, sizeof text);
  EXPECT_STREQ(text, "20");
  SendMessageA(high, WM_KEYDOWN, VK_NEXT, 0);  // one page further: 30

  // Manual arrangement in 2 rows, a number past the range, large icons, no icons on the buttons.
  SendDlgItemMessageA(page, IDC_MBO_MANUAL, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_MBO_REGIONS)));
  SetDlgItemTextA(page, IDC_MBO_REGIONS, "2");
  SetDlgItemTextA(page, IDC_MBO_PERREGION, "500");
  SendDlgItemMessageA(page, IDC_MBO_ICONSIZE, CB_SETCURSEL, 1, 0);
  SendDlgItemMessageA(page, IDC_MBO_SHOWICONS, BM_CLICK, 0, 0);
  int changedBefore = g_settingsChanged;
  Apply();
  const MenuBarSettings& h = bar->head;
  EXPECT_EQ(h.automatic, 0u);
  EXPECT_EQ(h.regions, 2);
  EXPECT_EQ(h.maxPerRegion, 100);
  EXPECT_EQ(h.smallIcons, 0u);
  EXPECT_EQ(h.showIcons, 0u);
  EXPECT_EQ(h.widthMin, 20);
  EXPECT_EQ(h.widthMax, 30);
  EXPECT_GT(g_settingsChanged, changedBefore);
  int shown = 0;
  for (int r = 0; r < 2; ++r) shown += static_cast<int>(bar->regions[r].size());
  EXPECT_EQ(shown, 3) << "the menus dealt over both rows";
  EXPECT_FALSE(bar->regions[1].empty());

  std::vector<std::uint8_t> blob = Blob();
  ASSERT_GE(blob.size(), kMenuBarHeadSize);
  struct Field { std::size_t offset; std::uint32_t value; } fields[] = {
      {8, 0}, {12, 2}, {56, 0}, {68, 100}, {108, 20}, {112, 30}, {116, 0}};
  for (const Field& f : fields) EXPECT_EQ(Word(blob, f.offset), f.value) << "offset " << f.offset;

  // A sheet opened again shows what was stored.
  OpenSheet();
  page = MenuBarSheetPage(0);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_MBO_MANUAL), BST_CHECKED);
  EXPECT_EQ(GetDlgItemInt(page, IDC_MBO_REGIONS, nullptr, FALSE), 2u);
  EXPECT_EQ(SendDlgItemMessageA(page, IDC_MBO_ICONSIZE, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(IsDlgButtonChecked(page, IDC_MBO_SHOWICONS), BST_UNCHECKED);
}

TEST_F(MenuBarSheet, TheOrderPageHidesAndReordersMenusWithThePointer) {
  ASSERT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
  ASSERT_NE(OpenSheet(), nullptr);
  ShowOrderPage();
  std::vector<HTREEITEM> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  const char* names[] = {"Mine", "Apps", "Empty", "Many"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(Text(lines[i]), names[i]);
    EXPECT_EQ(State(lines[i]), 2) << names[i];
    EXPECT_EQ(Image(lines[i]), i == 0 ? 0 : 2) << names[i];
  }
  // A click on "Empty"'s check box; "Many" dragged onto "Mine", the first line.
  ASSERT_TRUE(ClickCheck(lines[2]));
  EXPECT_EQ(State(lines[2]), 1);
  ASSERT_TRUE(Raise());
  POINT from = TextPoint(lines[3]), to = TextPoint(lines[0]);
  auto first = [&] {
    std::vector<HTREEITEM> now = Lines();
    return now.empty() ? std::string() : Text(now[0]);
  };
  ASSERT_TRUE(jqbartest::SendRealInput(
      owner,
      "xdotool" + At(from) + " mousedown 1 sleep 0.3" + At({from.x, from.y - 6}) + At({from.x, from.y - 12}) + At(to) +
          At({to.x + 1, to.y}) + " mouseup 1",
      [&] { return first() == "Many"; }, [&] { return first() == "Mine" && GetCapture() == nullptr; }))
      << first();
  lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Text(lines[0]), "Many");
  EXPECT_EQ(Text(lines[1]), "Mine");
  EXPECT_EQ(State(lines[3]), 1) << Text(lines[3]);

  Apply();
  EXPECT_EQ(bar->folderNames, (std::vector<std::string>{"Many", "Mine", "Apps", "Empty"}));
  EXPECT_EQ(bar->removedNames, std::vector<std::string>{"Empty"});
  EXPECT_EQ(FindMenuButton(bar, "Empty"), nullptr);
  EXPECT_TRUE(jqtest::FolderExists(programs / "Empty")) << "hiding keeps the folder";
  EXPECT_STREQ(bar->regions[0][0]->name, "Many");

  // The order and the hidden menu come back with the blob in a new bar.
  std::vector<std::uint8_t> blob = Blob();
  RECT rect{1, 1, 400, 26};
  HWND second = CreateMenuBar(host, &rect, blob.data(), static_cast<int>(blob.size()));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(MenuBarOf(second)->folderNames, bar->folderNames);
  EXPECT_EQ(MenuBarOf(second)->removedNames, bar->removedNames);
  DestroyWindow(second);

  // Checked again, the menu is back.
  OpenSheet();
  ShowOrderPage();
  lines = Lines();
  ASSERT_EQ(State(lines[3]), 1);
  ASSERT_TRUE(ClickCheck(lines[3]));
  Apply();
  EXPECT_TRUE(bar->removedNames.empty());
  EXPECT_NE(FindMenuButton(bar, "Empty"), nullptr);
}

TEST_F(MenuBarSheet, AMenuAddedWhileThePageIsOpenAppearsOnIt) {
  ASSERT_NE(OpenSheet(), nullptr);
  ASSERT_EQ(Lines().size(), 3u);
  // The page's own button opens the new-menu dialog.
  jqtest::DialogDriver driver({[](HWND d) {
    SetDlgItemTextA(d, IDC_MENU_NAME, "Own");
    CheckDlgButton(d, IDC_NEW_ATTACH, BST_UNCHECKED);
    SendMessageA(d, WM_COMMAND, IDC_NEW_ATTACH, 0);
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    return true;
  }});
  SendMessageA(MenuBarSheetPage(0), WM_COMMAND, IDC_MBO_NEWMENU, 0);
  EXPECT_TRUE(driver.Finished());
  std::vector<HTREEITEM> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(Text(lines[0]), "Own");
  // A folder made by another program reaches the page through the watcher.
  programs.MakeFolder("Later");
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Lines().size() == 5; }, 10000));
  // Applying an untouched page keeps the order.
  std::vector<std::string> order = bar->folderNames;
  Apply();
  EXPECT_EQ(bar->folderNames, order);
}

// Entries that stand for a web address: made and changed in the Internet-shortcut dialog.
class MenuUrlEntries : public MenuBarHost {
 protected:
  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);  // the dialog's resources
    MenuBarHost::SetUp();
  }
  static jqtest::DialogDriver::Step Answer(const char* name, const char* url, std::string* shownName = nullptr,
                                           std::string* shownUrl = nullptr) {
    return [=](HWND d) {
      char text[300] = {};
      if (shownName) {
        GetDlgItemTextA(d, IDC_URL_NAME, text, sizeof text);
        *shownName = text;
      }
      if (shownUrl) {
        GetDlgItemTextA(d, IDC_URL_ADDRESS, text, sizeof text);
        *shownUrl = text;
      }
      if (shownUrl) PictureOf(d, "url_dialog");
      SetDlgItemTextA(d, IDC_URL_NAME, name);
      SetDlgItemTextA(d, IDC_URL_ADDRESS, url);
      SendMessageA(d, WM_COMMAND, IDOK, 0);
      return true;
    };
  }
  static jqtest::DialogDriver::Step Cancel() {
    return [](HWND d) {
      SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
      return true;
    };
  }
  std::string UrlIn(const std::string& file) {
    UrlShortcut* read = ReadUrlShortcutFile(file.c_str());
    std::string url = read ? read->url : "";
    FreeUrlShortcut(read);
    return url;
  }
  MenuWindowItem Item(MenuButton* button, const std::string& path) {
    MenuWindowItem item;
    item.button = button;
    item.path = path;
    std::string last = path.substr(path.rfind('\\') + 1);
    lstrcpynA(item.name, last.c_str(), sizeof item.name);
    return item;
  }
};

TEST_F(MenuUrlEntries, FolderMenusWriteUrlFilesAndNothingIsLostOnARefusal) {
  // The folder watchers rebuild the folder buttons after every change: each edit looks its
  // button up again.
  auto apps = [this] { return FindMenuButton(bar, "Apps"); };
  std::string shownName, shownUrl;
  // New: the dialog starts empty with "http://"; an empty name is refused and the dialog comes
  // back with what was typed.
  jqtest::DialogDriver driver({Answer("", "http://example.invalid/a", &shownName, &shownUrl),
                               [&](HWND d) {
                                 char text[300] = {};
                                 GetDlgItemTextA(d, IDC_URL_ADDRESS, text, sizeof text);
                                 EXPECT_STREQ(text, "http://example.invalid/a");
                                 SetDlgItemTextA(d, IDC_URL_NAME, "Si:te");
                                 SendMessageA(d, WM_COMMAND, IDOK, 0);
                                 return true;
                               }});
  RunEntryCommand(bar, apps(), "Apps", nullptr, IDM_ENTRY_NEWURL, host);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(shownName, "");
  EXPECT_EQ(shownUrl, "http://");
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadResString(IDS_NAME_EMPTY));
  EXPECT_EQ(UrlIn(programs / "Apps\\Site.url"), "http://example.invalid/a") << "the name is cleaned";

  // Its properties: a new name and address replace the file.
  MenuWindowItem site = Item(apps(), "Apps\\Site.url");
  jqtest::DialogDriver change({Answer("Page", "http://example.invalid/b", &shownName, &shownUrl)});
  RunEntryCommand(bar, apps(), "Apps", &site, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(change.Finished());
  EXPECT_EQ(shownName, "Site");
  EXPECT_EQ(shownUrl, "http://example.invalid/a");
  EXPECT_FALSE(jqtest::FileExists(programs / "Apps\\Site.url"));
  EXPECT_EQ(UrlIn(programs / "Apps\\Page.url"), "http://example.invalid/b");

  // A name another Internet shortcut has: warned, the dialog comes back, Cancel leaves both.
  UrlShortcut other{"Other", "http://example.invalid/o"};
  ASSERT_TRUE(CreateMenuEntryFile("Apps", "Other", nullptr, nullptr, nullptr, 5, nullptr, 0, &other, 1));
  seams.boxes.clear();
  MenuWindowItem page = Item(apps(), "Apps\\Page.url");
  jqtest::DialogDriver refused({Answer("Other", "http://example.invalid/c"), Cancel()});
  RunEntryCommand(bar, apps(), "Apps", &page, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(refused.Finished());
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadResString(IDS_NAME_IN_USE));
  EXPECT_EQ(UrlIn(programs / "Apps\\Page.url"), "http://example.invalid/b");
  EXPECT_EQ(UrlIn(programs / "Apps\\Other.url"), "http://example.invalid/o");

  // Only the letter case changes.
  jqtest::DialogDriver recase({Answer("PAGE", "http://example.invalid/b")});
  RunEntryCommand(bar, apps(), "Apps", &page, IDM_ENTRY_PROPERTIES, host);
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((programs / "Apps\\page.url").c_str(), &found);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_STREQ(found.cFileName, "PAGE.url");

  // From the bar's context menu: a new Internet shortcut at the top of the button's menu.
  seams.menuAnswers = {IDM_MENU_NEWURL};
  jqtest::DialogDriver fromBar({Answer("Top", "http://example.invalid/t")});
  POINT p = Centre(ButtonRect("Apps"));
  ScreenToClient(barWindow, &p);
  SendMessageA(barWindow, WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  ASSERT_EQ(seams.menusShown.size(), 1u);
  EXPECT_EQ(seams.menusShown[0], 11u);
  EXPECT_TRUE(fromBar.Finished());
  EXPECT_EQ(UrlIn(programs / "Apps\\Top.url"), "http://example.invalid/t");
}

TEST_F(MenuUrlEntries, UserMenusKeepTheirShortcutsInTheTree) {
  ASSERT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
  MenuButton* mine = FindMenuButton(bar, "Mine");
  jqtest::DialogDriver driver({Answer("Home", "http://example.invalid/h"),
                               Answer("Start", "http://example.invalid/s")});
  RunEntryCommand(bar, mine, "", nullptr, IDM_ENTRY_NEWURL, host);
  MenuEntry* home = FindPathTreeFolder(&mine->tree, "Home");
  ASSERT_NE(home, nullptr);
  ASSERT_NE(home->url, nullptr);
  EXPECT_EQ(home->flags, kEntryTargetUrl);
  EXPECT_EQ(home->url->url, "http://example.invalid/h");
  EXPECT_EQ(home->runMode, 5);
  MenuWindowItem item = Item(mine, "Home");
  RunEntryCommand(bar, mine, "", &item, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(FindPathTreeFolder(&mine->tree, "Home"), nullptr);
  MenuEntry* start = FindPathTreeFolder(&mine->tree, "Start");
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->url->url, "http://example.invalid/s");
  EXPECT_EQ(start->url->name, "Start");

  // Run from the menu, it opens through a temporary .url file.
  MenuWindowItem run = Item(mine, "Start");
  RunMenuItem(bar, &run);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(lstrcmpiA(seams.starts[0].file.c_str(), LastUrlTempFile().c_str()), 0);
  EXPECT_EQ(ReadUrlShortcutFile(LastUrlTempFile().c_str())->url, "http://example.invalid/s");
}

TEST_F(MenuUrlEntries, UrlFilesAreReadByTheInternetShortcutReader) {
  // An address longer than the reader keeps, in a file of the menu and dropped onto a user menu.
  std::string longUrl = "http://example.invalid/" + std::string(400, 'x');
  std::string file = programs.WriteFile("Apps\\Long.url", "[InternetShortcut]\r\nURL=" + longUrl + "\r\n");
  programs.WriteFile("Apps\\Blank.url", "[InternetShortcut]\r\n");
  MenuEntry* entry = ReadMenuEntryFile("Apps\\Long.url");
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->url, nullptr);
  EXPECT_EQ(entry->url->url, longUrl.substr(0, kMaxUrlLength));
  EXPECT_EQ(entry->url->name, "Long");
  FreeMenuEntries(entry);
  EXPECT_EQ(ReadMenuEntryFile("Apps\\Blank.url"), nullptr) << "no address, no entry";

  ASSERT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
  MenuButton* mine = FindMenuButton(bar, "Mine");
  ASSERT_TRUE(DropFileOnMenuButton(bar, mine, file.c_str()));
  ASSERT_NE(FindPathTreeFolder(&mine->tree, "Long"), nullptr);
  EXPECT_EQ(FindPathTreeFolder(&mine->tree, "Long")->url->url, longUrl.substr(0, kMaxUrlLength));
  EXPECT_FALSE(DropFileOnMenuButton(bar, mine, (programs / "Apps\\Blank.url").c_str()));
  // A tree entry made from a .url file's path.
  ASSERT_TRUE(SetPathTreeEntry(&mine->tree, "", "ByPath", file.c_str(), nullptr, nullptr, 1, nullptr, 0, nullptr, 1));
  EXPECT_EQ(FindPathTreeFolder(&mine->tree, "ByPath")->url->url, longUrl.substr(0, kMaxUrlLength));
}

// Entries that stand for a shell item (no file path) are edited in the shell-item dialog.
class MenuShellItems : public MenuBarHost {
 protected:
  void SetUp() override {
    MenuBarHost::SetUp();
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
  }
  void TearDown() override {
    if (drives) CoTaskMemFree(drives);
    MenuBarHost::TearDown();
  }
  static jqtest::DialogDriver::Step Answer(const char* label, int radio, std::string* item = nullptr) {
    return [=](HWND d) {
      char text[300] = {};
      GetWindowTextA(d, text, sizeof text);
      EXPECT_STREQ(text, LoadResString(IDS_ITEM_ID_CAPTION));
      EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_ITEM_HOTKEY)));
      EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_ITEM_CHANGE_ICON)));
      if (item) {
        GetDlgItemTextA(d, IDC_ITEM_COMMAND, text, sizeof text);
        *item = text;
      }
      if (item) PictureOf(d, "item_dialog");
      SetDlgItemTextA(d, IDC_ITEM_LABEL, label);
      CheckRadioButton(d, IDC_ITEM_MINIMISED, IDC_ITEM_NORMAL, radio);
      SendMessageA(d, WM_COMMAND, IDOK, 0);
      return true;
    };
  }
  LPITEMIDLIST drives = nullptr;
};

TEST_F(MenuShellItems, TheLabelAndRunModeChangeAndTheItemStays) {
  std::string apps = programs / "Apps";
  ASSERT_TRUE(CreateShortcutFile(apps.c_str(), "Computer", nullptr, nullptr, nullptr, nullptr, 1, nullptr, 0, drives));
  auto button = [this] { return FindMenuButton(bar, "Apps"); };
  MenuWindowItem item;
  item.button = button();
  item.path = "Apps\\Computer.lnk";
  lstrcpynA(item.name, "Computer", sizeof item.name);
  SHFILEINFOA info{};
  SHGetFileInfoA(reinterpret_cast<const char*>(drives), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
  std::string shown;
  // The label alone: the file is renamed.
  jqtest::DialogDriver rename({Answer("Machine", IDC_ITEM_NORMAL, &shown)});
  RunEntryCommand(bar, button(), "Apps", &item, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(rename.Finished());
  EXPECT_EQ(shown, info.szDisplayName);
  EXPECT_FALSE(jqtest::FileExists(apps + "\\Computer.lnk"));
  ASSERT_TRUE(jqtest::FileExists(apps + "\\Machine.lnk"));
  // The run mode: the shortcut is written again for the same item.
  item.path = "Apps\\Machine.lnk";
  jqtest::DialogDriver mode({Answer("Machine", IDC_ITEM_MAXIMISED)});
  RunEntryCommand(bar, button(), "Apps", &item, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(mode.Finished());
  ShortcutInfo parts;
  ReadShortcutFile((apps + "\\Machine.lnk").c_str(), &parts, true);
  EXPECT_TRUE(parts.target.empty());
  EXPECT_TRUE(parts.item && ILIsEqual(parts.item.get(), drives));
  EXPECT_EQ(parts.showCommand, 3);
  EXPECT_TRUE(seams.boxes.empty());

  // In a user menu the node keeps its item.
  ASSERT_EQ(AddNewMenu(bar, "Mine", false, 0), 0u);
  MenuButton* mine = FindMenuButton(bar, "Mine");
  ASSERT_TRUE(DropIdListOnMenuButton(bar, mine, drives));
  MenuWindowItem node;
  node.button = mine;
  node.path = info.szDisplayName;
  lstrcpynA(node.name, info.szDisplayName, sizeof node.name);
  jqtest::DialogDriver tree({Answer("Box", IDC_ITEM_MINIMISED)});
  RunEntryCommand(bar, mine, "", &node, IDM_ENTRY_PROPERTIES, host);
  EXPECT_TRUE(tree.Finished());
  MenuEntry* box = FindPathTreeFolder(&mine->tree, "Box");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->runMode, 7);
  EXPECT_EQ(box->flags, kEntryTargetIdList);
  EXPECT_TRUE(box->idList && ILIsEqual(box->idList, drives));
}

class MenuEditsDuringRefresh : public MenuBarHost {
 protected:
  UINT next = 0;
};

// The folder watchers may rebuild the buttons and re-read the open menus while a popup menu is
// up: the chosen command still reaches the right menu and entry.
TEST_F(MenuEditsDuringRefresh, CommandsChosenWhileTheButtonsAreRebuiltFindTheirMenuAgain) {
  seams::CurrentHandlers().popupMenu = [this](HMENU, UINT, int, int, HWND) -> UINT {
    RefreshMenuBar(bar);  // frees the folder buttons and closes the menus, as a watcher does
    return next;
  };
  // The bar's context menu on "Apps": rename.
  next = IDM_MENU_RENAME;
  std::string shown;
  jqtest::DialogDriver rename({[&](HWND d) {
    char text[100] = {};
    GetDlgItemTextA(d, IDC_MENU_NAME, text, sizeof text);
    shown = text;
    SetDlgItemTextA(d, IDC_MENU_NAME, "Programs");
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    return true;
  }});
  POINT p = Centre(ButtonRect("Apps"));
  ScreenToClient(barWindow, &p);
  SendMessageA(barWindow, WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  EXPECT_TRUE(rename.Finished());
  EXPECT_EQ(shown, "Apps");
  EXPECT_TRUE(jqtest::FolderExists(programs / "Programs\\Tools"));

  // An entry's context menu in the open menu: properties of "Alpha".
  MenuWindowState* top = Open("Programs");
  ASSERT_NE(top, nullptr);
  int alpha = IndexOf(top, "Alpha");
  ASSERT_GE(alpha, 0);
  next = IDM_ENTRY_PROPERTIES;
  jqtest::DialogDriver properties({[&](HWND d) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(d, IDC_ITEM_COMMAND, text, sizeof text);
    shown = text;
    SetDlgItemTextA(d, IDC_ITEM_LABEL, "Editor");
    SendMessageA(d, WM_COMMAND, IDOK, 0);
    return true;
  }});
  ShowEntryContextMenu(bar, top, top->items[static_cast<std::size_t>(alpha)], POINT{10, 10});
  EXPECT_TRUE(properties.Finished());
  EXPECT_EQ(lstrcmpiA(shown.c_str(), alphaTarget.c_str()), 0);
  EXPECT_TRUE(jqtest::FileExists(programs / "Programs\\Editor.lnk"));
  EXPECT_FALSE(jqtest::FileExists(programs / "Programs\\Alpha.lnk"));
}

}  // namespace
