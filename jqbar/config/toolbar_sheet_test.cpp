// The container property sheet inside the configuration dialog and dialog 685: the pages of
// each kind of container, applying with undo, applying nothing, and the arrangement choices.
#include <gtest/gtest.h>

#include "config_test_fixture.h"
#include "toolbar_sheet.h"

namespace configtest {
namespace {

class ToolbarSheet : public ConfigFixture {
 protected:
  HWND Page() { return ConfigDialogPage(); }
  HWND Tabs() { return GetDlgItem(Page(), 311); }
  // The page of the sheet that holds a control.
  HWND PageWith(int control) {
    for (HWND c = GetWindow(Page(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if (GetDlgItem(c, control)) return c;
    return nullptr;
  }
  ContainerSettings Stored(const char* name) {
    ContainerSettings s{};
    std::string path;
    PanelNode* node = Find(name);
    ReadContainerBlob(node->blob.data(), int(node->blob.size()), s, path);
    return s;
  }
};

TEST_F(ToolbarSheet, AFramesTitleIsAppliedAndUndone) {
  Open(Find("Alpha"));
  ASSERT_NE(Page(), nullptr);
  EXPECT_EQ(TabCtrl_GetItemCount(Tabs()), 2);
  HWND page = PageWith(468);
  ASSERT_NE(page, nullptr);
  char text[64] = {};
  GetDlgItemTextA(page, 468, text, sizeof text);
  EXPECT_STREQ(text, "Alpha");
  // Nothing changed: nothing applied, no undo record.
  std::vector<std::uint8_t> before = Find("Alpha")->blob;
  Command(323);
  EXPECT_EQ(UndoDepth(), 0);
  EXPECT_EQ(Find("Alpha")->blob, before);
  SetDlgItemTextA(page, 468, "Gamma");
  SendDlgItemMessageA(page, 471, CB_SETCURSEL, 5, 0);
  Command(323);
  EXPECT_EQ(FrameTitleOf(Find("Alpha")), "Gamma");
  EXPECT_STREQ(Stored("Alpha").title, "Gamma");
  EXPECT_EQ(Stored("Alpha").colour, 5);
  EXPECT_EQ(UndoDepth(), 1);
  Command(322);
  EXPECT_EQ(FrameTitleOf(Find("Alpha")), "Alpha");
  EXPECT_STREQ(Stored("Alpha").title, "Alpha");
  EXPECT_EQ(Stored("Alpha").colour, 13);
}

TEST_F(ToolbarSheet, AGroupsArrangementIsAppliedThroughItsContainer) {
  // A stored "opposite of the parent" shows no choice.
  ContainerSettings s = Stored("G1");
  s.arrangement = 3;
  std::vector<std::uint8_t> blob = WriteContainerBlob(s, "");
  SendMessageA(Find("G1")->window, PNM_SETSETTINGS, blob.size(), reinterpret_cast<LPARAM>(blob.data()));
  Open(Find("G1"));
  ASSERT_NE(Page(), nullptr);
  EXPECT_EQ(TabCtrl_GetItemCount(Tabs()), 1);
  HWND page = PageWith(594);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(SendDlgItemMessageA(page, 594, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendDlgItemMessageA(page, 594, CB_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(GetDlgItem(page, 468), nullptr);
  SendDlgItemMessageA(page, 594, CB_SETCURSEL, 1, 0);
  SetDlgItemInt(page, 313, 7, FALSE);
  // Selecting another panel applies the page shown so far.
  Select("A");
  EXPECT_EQ(Stored("G1").arrangement, 1);
  EXPECT_EQ(Stored("G1").spacing, 7);
  EXPECT_EQ(UndoDepth(), 1);
  Command(322);
  EXPECT_EQ(Stored("G1").arrangement, 3);
  EXPECT_EQ(Stored("G1").spacing, 2);
}

TEST_F(ToolbarSheet, TheStylePageOffersTheEdgeOnlyWhenDocked) {
  Open(Find("Beta"));
  HWND page = PageWith(406);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(IsDlgButtonChecked(page, 406), UINT(BST_CHECKED));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 602)));
  EXPECT_EQ(SendDlgItemMessageA(page, 602, CB_GETCOUNT, 0, 0), 4);
  // Stored edge 3 (bottom) is the fourth choice; edges 1 and 2 swap places in the list.
  EXPECT_EQ(SendDlgItemMessageA(page, 602, CB_GETCURSEL, 0, 0), 3);
  CheckRadioButton(page, 406, 457, 457);
  SendMessageA(page, WM_COMMAND, MAKEWPARAM(457, BN_CLICKED), 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 602)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 425)));
  // The layout-wide shadow option is applied at once.
  CheckRadioButton(page, 406, 457, 406);
  CheckDlgButton(page, 705, BST_CHECKED);
  Command(323);
  EXPECT_TRUE(Globals().noDropShadow);
  Globals().noDropShadow = false;
}

TEST_F(ToolbarSheet, OnePanelsPageInItsOwnBox) {
  jqtest::DialogDriver driver({[&](HWND dialog) {
    char title[100] = {};
    GetWindowTextA(dialog, title, sizeof title);
    EXPECT_NE(std::string(title).find(FindPanelType("Tool Group")->displayName), std::string::npos);
    HWND sheet = nullptr;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if (GetDlgItem(c, 311)) sheet = c;
    EXPECT_NE(sheet, nullptr);
    HWND page = nullptr;
    for (HWND c = sheet ? GetWindow(sheet, GW_CHILD) : nullptr; c; c = GetWindow(c, GW_HWNDNEXT))
      if (GetDlgItem(c, 313)) page = c;
    EXPECT_NE(page, nullptr);
    if (page) SetDlgItemInt(page, 313, 9, FALSE);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return true;
  }});
  EXPECT_EQ(ShowPanelPropertiesDialog(Find("G1")->window), 0);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(Stored("G1").spacing, 9);
}

}  // namespace
}  // namespace configtest
