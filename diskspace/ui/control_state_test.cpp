// The control-state language on real dialogs of the program.
#include <gtest/gtest.h>
#include <windows.h>
#include "resource.h"
#include "voltaly_ui.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class ControlStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    scan_ = CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_SCAN_DISK), nullptr, PlainDialogProc, 0);
    ASSERT_NE(scan_, nullptr);
    drives_ = CreateDialogParamA(inst, MAKEINTRESOURCEA(IDD_SCAN_DRIVES), scan_, PlainDialogProc, 0);
    ASSERT_NE(drives_, nullptr);
  }
  void TearDown() override {
    if (scan_) DestroyWindow(scan_);
  }
  bool Enabled(HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != FALSE; }
  UINT Check(HWND d, int id) { return IsDlgButtonChecked(d, id); }
  HWND scan_ = nullptr, drives_ = nullptr;
};

// "r D(rb D(c))": radio 1071 = whole drive; the folder group is disabled for a drive root; the
// option box is disabled when the whole drive is chosen.
TEST_F(ControlStateTest, ScanDialogFormatEnablesGroups) {
  struct Case {
    bool driveRoot, whole;
    bool folderRadio, folderText, option;
  } cases[] = {
      {true, true, false, false, false},
      {false, true, true, true, false},
      {false, false, true, true, true},
  };
  for (const Case& c : cases) {
    SetDialogControls(scan_, "r D(rb D(c))", 1071, (int)c.whole, (int)!c.driveRoot, 1072, (int)!c.whole, 1047,
                      (int)!c.whole, 1050, 1);
    SCOPED_TRACE(testing::Message() << "drive root " << c.driveRoot << " whole " << c.whole);
    EXPECT_EQ(Check(scan_, 1071), c.whole ? BST_CHECKED : BST_UNCHECKED);
    EXPECT_EQ(Check(scan_, 1072), c.whole ? BST_UNCHECKED : BST_CHECKED);
    EXPECT_EQ(Enabled(scan_, 1072), c.folderRadio);
    EXPECT_EQ(Enabled(scan_, 1047), c.folderText);
    EXPECT_EQ(Enabled(scan_, 1050), c.option);
    EXPECT_TRUE(Enabled(scan_, 1071));
  }
}

TEST_F(ControlStateTest, RadioRunWithNoValueLeavesNoneChecked) {
  CheckDlgButton(scan_, 1071, BST_CHECKED);
  SetDialogControls(scan_, "r r", 1071, 0, 1072, 0);
  EXPECT_EQ(Check(scan_, 1071), BST_UNCHECKED);
  EXPECT_EQ(Check(scan_, 1072), BST_UNCHECKED);
  // The first non-zero value wins.
  SetDialogControls(scan_, "rr", 1071, 5, 1072, 1);
  EXPECT_EQ(Check(scan_, 1071), BST_CHECKED);
  EXPECT_EQ(Check(scan_, 1072), BST_UNCHECKED);
}

TEST_F(ControlStateTest, CheckValueTwoIsIndeterminateOnlyOutsideGroups) {
  SetDialogControls(drives_, "c", 1006, 2);
  EXPECT_EQ(Check(drives_, 1006), BST_INDETERMINATE);
  SetDialogControls(drives_, "D(c)", 1, 1006, 2);
  EXPECT_EQ(Check(drives_, 1006), BST_CHECKED);
  // The raw flag keeps the value inside a group until the group closes.
  SetDialogControls(drives_, "D(T c)", 1, 1, 1006, 2);
  EXPECT_EQ(Check(drives_, 1006), BST_INDETERMINATE);
}

TEST_F(ControlStateTest, TextsListsAndHiddenGroups) {
  SetDialogControls(scan_, "s", 1046, "");
  char text[64];
  GetDlgItemTextA(scan_, 1046, text, sizeof text);
  EXPECT_STREQ(text, "None");
  // A null text ends the call: the second text is not set.
  SetDialogControls(scan_, "ss", 1046, "kept", 1047, (const char*)nullptr, 1046, "never");
  GetDlgItemTextA(scan_, 1046, text, sizeof text);
  EXPECT_STREQ(text, "kept");

  HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD, 0, 0, 50, 50, scan_, (HMENU)5000, nullptr, nullptr);
  SetDialogControls(scan_, "l", 5000, "one\0two\0three\0");
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);
  SetDialogControls(scan_, "l", 5000, (const char*)nullptr);
  EXPECT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);

  ShowWindow(scan_, SW_SHOWNA);
  SetDialogControls(scan_, "S(b)", 0, 1050);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(scan_, 1050)));
  SetDialogControls(scan_, "S(b) D(b)", 1, 1050, 0, 1050);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(scan_, 1050)));
  EXPECT_FALSE(Enabled(scan_, 1050));
  // A nested group keeps the outer state: disabled outside stays disabled inside.
  SetDialogControls(scan_, "D(b D(b))", 0, 1047, 1, 1050);
  EXPECT_FALSE(Enabled(scan_, 1047));
  EXPECT_FALSE(Enabled(scan_, 1050));
  SetDialogControls(scan_, "D(b D(b))", 1, 1047, 1, 1050);
  EXPECT_TRUE(Enabled(scan_, 1047));
  EXPECT_TRUE(Enabled(scan_, 1050));
}

}  // namespace
