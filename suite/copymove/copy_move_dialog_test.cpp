// The shared Copy To / Move To dialog on its own, as any program opens it: its request in and
// out, the program's texts, the history, the blank destination refused, and the size it keeps.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include "copy_move_dialog.h"
#include "history_list.h"
#include "resource.h"
#include "settings_store.h"
#include "test_support.h"
#include "control_text.h"

namespace {

using jqtest::DialogDriver;

// Types into the destination box.
DialogDriver::Step Type(const std::string& text) { return jqtest::TypeInto(kCopyMoveComboId, text); }

void TwoRows(HWND rows, void*) {
  for (const char* name : {"one.txt", "two.txt"}) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(rows);
    item.pszText = const_cast<char*>(name);
    SendMessageA(rows, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
}

class CopyMoveDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED | WS_VISIBLE, 680, 0, 600, 400, nullptr, nullptr,
                            nullptr, nullptr);
    request.instance = GetModuleHandleA(nullptr);
    request.copyCaption = ID_EDIT_COPY_TO;
    request.moveCaption = ID_EDIT_MOVE_TO;
    request.copyLabel = IDS_COPY_ITEMS;
    request.moveLabel = IDS_MOVE_ITEMS;
    request.blankTarget = IDS_ENTER_DESTINATION;
    request.goIcon = IDI_GO_TO_PATH;
    request.fillSources = TwoRows;
  }
  void TearDown() override { DestroyWindow(owner); }
  bool Run(std::vector<DialogDriver::Step> steps) {
    DialogDriver driver(std::move(steps));
    result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COPY_MOVE), owner, CopyMoveDlgProc,
                             reinterpret_cast<LPARAM>(&request));
    return driver.Finished();
  }

  jqtest::TestRegistry registry;
  jqtest::SeamRecorder seams;
  HWND owner = nullptr;
  CopyMoveRequest request;
  INT_PTR result = -1;
};

TEST_F(CopyMoveDialog, OkHandsBackTargetModeAndGoToWithTheProgramsTexts) {
  std::vector<std::string> rows;
  std::string copyCaption, moveCaption, moveLabel;
  ASSERT_TRUE(Run({
      [&](HWND dialog) {
        copyCaption = jqtest::WindowTextOf(dialog);
        rows = jqtest::ListItemTexts(GetDlgItem(dialog, kCopyMoveListId));
        return true;
      },
      jqtest::ClickButton(kCopyMoveMoveRadioId),
      [&](HWND dialog) {
        moveCaption = jqtest::WindowTextOf(dialog);
        char label[200] = "";
        GetDlgItemTextA(dialog, kCopyMoveListLabelId, label, sizeof label);
        moveLabel = label;
        CheckDlgButton(dialog, kCopyMoveGoToDestinationId, BST_CHECKED);
        return true;
      },
      Type("   C:\\somewhere\\new\\"),
      jqtest::ClickButton(IDOK),
  }));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(rows, (std::vector<std::string>{"one.txt", "two.txt"}));
  EXPECT_EQ(copyCaption, jqtest::StringResource(ID_EDIT_COPY_TO));
  EXPECT_EQ(moveCaption, jqtest::StringResource(ID_EDIT_MOVE_TO));
  EXPECT_EQ(moveLabel, jqtest::StringResource(IDS_MOVE_ITEMS));
  EXPECT_EQ(request.mode, 1u);
  EXPECT_STREQ(request.target, "C:\\somewhere\\new\\");
  EXPECT_TRUE(request.goToDestination);
  HistoryList history;
  LoadHistoryList(&history, "Copy_Move To");
  ASSERT_EQ(history.Count(), 1);
  EXPECT_STREQ(history.slots[0], "C:\\somewhere\\new\\");
}

TEST_F(CopyMoveDialog, BlankTargetIsRefusedAndCancelEndsWithZero) {
  size_t boxes = 0;
  ASSERT_TRUE(Run({
      Type("    "),
      jqtest::ClickButton(IDOK),
      [&](HWND dialog) {
        boxes = seams.boxes.size();
        return IsWindowVisible(dialog) != FALSE;
      },
      jqtest::ClickButton(IDCANCEL),
  }));
  EXPECT_EQ(result, 0);
  ASSERT_EQ(boxes, 1u);
  EXPECT_EQ(seams.boxes[0].text, jqtest::StringResource(IDS_ENTER_DESTINATION));
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(request.target[0], '\0');
}

TEST_F(CopyMoveDialog, SizeIsRememberedWithinTheScreenAndNeverBelowTheTemplate) {
  RECT first{}, second{};
  ASSERT_TRUE(Run({
      [&](HWND dialog) {
        GetWindowRect(dialog, &first);
        // Grow it as a user drags the frame; the controls follow.
        SetWindowPos(dialog, nullptr, 0, 0, first.right - first.left + 60, first.bottom - first.top + 30,
                     SWP_NOMOVE | SWP_NOZORDER);
        return true;
      },
      [&](HWND dialog) {
        RECT client, ok, tree, check;
        GetClientRect(dialog, &client);
        GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
        GetWindowRect(GetDlgItem(dialog, kCopyMoveTreeId), &tree);
        GetWindowRect(GetDlgItem(dialog, kCopyMoveGoToDestinationId), &check);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&ok), 2);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&tree), 2);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&check), 2);
        EXPECT_NEAR(client.right - ok.right, check.left, 2) << "OK keeps the margin on the right";
        EXPECT_LT(tree.right, ok.left);
        EXPECT_LT(check.bottom, client.bottom);
        EXPECT_GT(check.top, tree.bottom);
        // Shrinking below the template stops at the template's size.
        MINMAXINFO info{};
        SendMessageA(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, first.right - first.left);
        EXPECT_EQ(info.ptMinTrackSize.y, first.bottom - first.top);
        return true;
      },
      jqtest::ClickButton(IDCANCEL),
  }));
  ASSERT_TRUE(Run({
      [&](HWND dialog) {
        GetWindowRect(dialog, &second);
        return true;
      },
      jqtest::ClickButton(IDCANCEL),
  }));
  EXPECT_EQ(second.right - second.left, first.right - first.left + 60);
  EXPECT_EQ(second.bottom - second.top, first.bottom - first.top + 30);

  // A stored rectangle off the screen, or smaller than the template, is ignored.
  const LONG offScreen[4] = {GetSystemMetrics(SM_CXSCREEN) + 50, 10, GetSystemMetrics(SM_CXSCREEN) + 900, 600};
  const LONG tiny[4] = {10, 10, 60, 40};
  for (const LONG* stored : {offScreen, tiny}) {
    WriteSettingBinary("Copy/Move To Dialog Size", stored, 16);
    RECT shown{};
    ASSERT_TRUE(Run({
        [&](HWND dialog) {
          GetWindowRect(dialog, &shown);
          return true;
        },
        jqtest::ClickButton(IDCANCEL),
    }));
    EXPECT_EQ(shown.right - shown.left, first.right - first.left);
    EXPECT_EQ(shown.bottom - shown.top, first.bottom - first.top);
  }
}

}  // namespace
