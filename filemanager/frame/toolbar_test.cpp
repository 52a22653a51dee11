// The toolbar of the real main window: its default buttons and their pictures, the saved layouts,
// the customise dialog's button table, the network buttons and the bars' right-click menu.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "frame_test_host.h"
#include "resource.h"
#include "path_utils.h"
#include "settings_store.h"
#include "test_support.h"
#include "toolbar.h"

using namespace jqtest;

namespace {

std::vector<int> ButtonIds(HWND toolbar) {
  std::vector<int> ids;
  int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON b{};
    SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
    ids.push_back((b.fsStyle & TBSTYLE_SEP) ? 0 : b.idCommand);
  }
  return ids;
}

bool StoredValue(const char* name) {
  HKEY key = OpenSettingsSubkey(nullptr, KEY_QUERY_VALUE, false);
  if (!key) return false;
  DWORD size = 0;
  bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0;
  RegCloseKey(key);
  return found;
}

LRESULT Notify(HWND window, UINT code) {
  NMHDR header{g_frame.toolbar, static_cast<UINT_PTR>(kToolbarId), code};
  return SendMessageA(window, WM_NOTIFY, kToolbarId, reinterpret_cast<LPARAM>(&header));
}

}  // namespace

TEST(Toolbar, FirstStartShowsTheDefaultButtonsAndStoresThemAsDefault) {
  frametest::MainWindowHost host;
  HWND toolbar = g_frame.toolbar;
  ASSERT_TRUE(toolbar);
  EXPECT_EQ(GetDlgCtrlID(toolbar), kToolbarId);
  std::vector<int> expected;
  for (const TBBUTTON& b : kDefaultToolbarButtons) expected.push_back((b.fsStyle & TBSTYLE_SEP) ? 0 : b.idCommand);
  EXPECT_EQ(ButtonIds(toolbar), expected);
  EXPECT_TRUE(StoredValue(kToolbarDefaultValue));
  EXPECT_FALSE(StoredValue(kToolbarCurrentValue)) << "nothing customised yet";
  EXPECT_GT(g_frame.toolbarHeight, 10);
  // Back, Forward and the viewer carry drop-down arrows; favorites and FTP are whole drop-downs.
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_STYLE | TBIF_IMAGE;
  ASSERT_GE(SendMessageA(toolbar, TB_GETBUTTONINFOA, ID_GO_BACK, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_TRUE(info.fsStyle & TBSTYLE_DROPDOWN);
  EXPECT_EQ(info.iImage, 58);
  ASSERT_GE(SendMessageA(toolbar, TB_GETBUTTONINFOA, ID_FAVORITES_DROP_DOWN, reinterpret_cast<LPARAM>(&info)), 0);
  EXPECT_TRUE(info.fsStyle & 0x80);
  EXPECT_TRUE(SendMessageA(toolbar, TB_GETEXTENDEDSTYLE, 0, 0) & TBSTYLE_EX_DRAWDDARROWS);
  // The buttons draw from bitmap 112: 93 pictures of 16 x 16.
  HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_TOOLBAR));
  ASSERT_TRUE(bitmap);
  BITMAP b{};
  GetObjectA(bitmap, sizeof b, &b);
  EXPECT_EQ(b.bmWidth, 16 * kToolbarImageCount);
  EXPECT_EQ(b.bmHeight, 16);
  DeleteObject(bitmap);
}

TEST(Toolbar, CustomiseTableListsDefaultAndAdditionalButtonsWithTexts) {
  frametest::MainWindowHost host;
  int buttons = 0, separators = 0, extras = 0;
  for (int i = 0;; ++i) {
    char text[128] = "";
    NMTOOLBARA info{};
    info.iItem = i;
    info.pszText = text;
    info.cchText = sizeof text;
    if (!GetCustomizeButtonInfo(&info)) {
      EXPECT_EQ(i, kDefaultToolbarButtonCount + kExtraToolbarButtonCount);
      break;
    }
    if (info.tbButton.fsStyle & TBSTYLE_SEP) {
      ++separators;
      continue;
    }
    SCOPED_TRACE(info.tbButton.idCommand);
    EXPECT_STRNE(text, "") << "every button has its text";
    EXPECT_EQ(std::string(text), frametest::LoadText(info.tbButton.idCommand + IDS_TOOLBAR_TEXT_OFFSET));
    EXPECT_FALSE(frametest::LoadText(info.tbButton.idCommand).empty()) << "and its tooltip";
    EXPECT_LT(info.tbButton.iBitmap, kToolbarImageCount);
    (i < kDefaultToolbarButtonCount ? buttons : extras)++;
  }
  EXPECT_EQ(buttons, kDefaultToolbarRealButtons);
  EXPECT_EQ(extras, kExtraToolbarButtonCount);
  EXPECT_EQ(separators, kDefaultToolbarButtonCount - kDefaultToolbarRealButtons);
}

TEST(Toolbar, CustomisedLayoutIsSavedRestoredAndReset) {
  frametest::MainWindowHost host;
  HWND toolbar = g_frame.toolbar;
  std::vector<int> defaults = ButtonIds(toolbar);
  // The user drops Cut and adds Find Files at the end, then the dialog reports the change.
  SendMessageA(toolbar, TB_DELETEBUTTON, 0, 0);
  TBBUTTON find = kExtraToolbarButtons[39];
  ASSERT_EQ(find.idCommand, ID_TOOLS_FILE_FINDER);
  SendMessageA(toolbar, TB_INSERTBUTTONA, SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), reinterpret_cast<LPARAM>(&find));
  Notify(host.window, TBN_TOOLBARCHANGE);
  ASSERT_TRUE(StoredValue(kToolbarCurrentValue));
  std::vector<int> custom = ButtonIds(toolbar);
  EXPECT_EQ(custom.front(), ID_EDIT_COPY);
  EXPECT_EQ(custom.back(), ID_TOOLS_FILE_FINDER);

  // Restoring the defaults and then the current layout brings the user's buttons back, with
  // their pictures.
  ASSERT_TRUE(RestoreDefaultToolbar(toolbar, FALSE));
  EXPECT_EQ(ButtonIds(toolbar), defaults);
  ASSERT_TRUE(SaveCurrentToolbar(toolbar, FALSE));
  EXPECT_EQ(ButtonIds(toolbar), custom);
  TBBUTTONINFOA info{};
  info.cbSize = sizeof info;
  info.dwMask = TBIF_IMAGE;
  SendMessageA(toolbar, TB_GETBUTTONINFOA, ID_TOOLS_FILE_FINDER, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.iImage, 76);

  // Reset in the customise dialog: the defaults come back and become the current layout.
  Notify(host.window, TBN_RESET);
  EXPECT_EQ(ButtonIds(toolbar), defaults);
  SendMessageA(toolbar, TB_DELETEBUTTON, 0, 0);
  ASSERT_TRUE(SaveCurrentToolbar(toolbar, FALSE));
  EXPECT_EQ(ButtonIds(toolbar), defaults);
  EXPECT_TRUE(Notify(host.window, TBN_QUERYINSERT));
  EXPECT_TRUE(Notify(host.window, TBN_QUERYDELETE));
}

TEST(Toolbar, NetworkDriveButtonsStayOffWithoutANetwork) {
  if (IsNetworkAvailable()) GTEST_SKIP() << "this system has a network to enumerate";
  frametest::MainWindowHost host;
  HWND toolbar = g_frame.toolbar;
  for (int index : {47, 48}) {
    TBBUTTON b = kExtraToolbarButtons[index];
    SendMessageA(toolbar, TB_INSERTBUTTONA, 0, reinterpret_cast<LPARAM>(&b));
  }
  SendMessageA(toolbar, TB_ENABLEBUTTON, ID_TOOLS_MAP_DRIVE, TRUE);
  Notify(host.window, TBN_TOOLBARCHANGE);
  EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_TOOLS_MAP_DRIVE, 0));
  EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, ID_TOOLS_DISCONNECT_DRIVE, 0));
}

TEST(Toolbar, RightClickShowsTheBarsMenuAndRunsItsChoice) {
  frametest::MainWindowHost host;
  SeamRecorder seams;
  std::vector<std::pair<UINT, bool>> items;
  seams::Handlers h = seams::CurrentHandlers();
  h.popupMenu = [&](HMENU menu, UINT, int, int, HWND) -> UINT {
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
      items.push_back({GetMenuItemID(menu, i), (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) != 0});
    return ID_VIEW_STATUS_BAR;  // status bar
  };
  seams::SetHandlers(h);
  ASSERT_TRUE(GetLiveOptions().statusBarShown);
  Notify(host.window, NM_RCLICK);
  ASSERT_EQ(items.size(), 9u);
  EXPECT_EQ(items[0].first, 40034u);
  EXPECT_EQ(items[1].first, 40132u);
  EXPECT_EQ(items[3], std::make_pair(40005u, true));
  EXPECT_EQ(items[8], std::make_pair(40006u, true));
  EXPECT_FALSE(GetLiveOptions().statusBarShown) << "the chosen command ran";
  EXPECT_FALSE(IsWindowVisible(g_frame.statusBar));
}
