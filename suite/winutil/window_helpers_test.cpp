#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "window_helpers.h"

namespace {

// A report-style list view with `count` items on a hidden top-level window.
class ListFixture {
 public:
  explicit ListFixture(int count) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    list_ = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 200, 200, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 100;
    SendMessageA(list_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (int i = 0; i < count; ++i) {
      std::string text = "item" + std::to_string(i);
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = i;
      item.pszText = text.data();
      SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
  }
  ~ListFixture() { DestroyWindow(list_); }
  HWND list() const { return list_; }
  void SetState(int index, UINT mask, UINT state) {
    LVITEMA item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
  }
  // The items that have `mask` set, in order.
  std::vector<int> With(UINT mask) const {
    std::vector<int> found;
    int count = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
      if (SendMessageA(list_, LVM_GETITEMSTATE, i, mask) & mask) found.push_back(i);
    return found;
  }

 private:
  HWND list_ = nullptr;
};

TEST(WindowHelpers, CutMarksFollowTheSelectionAndClearEverywhere) {
  ListFixture f(5);
  ASSERT_TRUE(f.list());
  f.SetState(3, LVIS_CUT, LVIS_CUT);  // a mark left from an earlier cut
  f.SetState(0, LVIS_SELECTED, LVIS_SELECTED);
  f.SetState(2, LVIS_SELECTED, LVIS_SELECTED);

  MarkSelectionCut(f.list());
  EXPECT_EQ(f.With(LVIS_CUT), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(f.With(LVIS_SELECTED), (std::vector<int>{0, 2}));

  ClearCutMarks(f.list());
  EXPECT_TRUE(f.With(LVIS_CUT).empty());
  EXPECT_EQ(f.With(LVIS_SELECTED), (std::vector<int>{0, 2}));  // the selection stays

  // Empty lists and no selection: nothing to do, nothing breaks.
  ListFixture empty(0);
  MarkSelectionCut(empty.list());
  ClearCutMarks(empty.list());
  f.SetState(-1, LVIS_SELECTED, 0);
  MarkSelectionCut(f.list());
  EXPECT_TRUE(f.With(LVIS_CUT).empty());
}

TEST(WindowHelpers, CommonControlsAndStrings) {
  // COMCTL32 of every supported system has the Ex form.
  EXPECT_EQ(InitCommonControlsCompat(), 1);

  char buffer[8] = "junk";
  EXPECT_EQ(LoadStringText(GetModuleHandleA(nullptr), 65000, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(LoadStringText(GetModuleHandleA(nullptr), 1, nullptr, 0), 0);
}

}  // namespace

TEST(WindowHelpers, CenterWindowOnScreenKeepsTheSize) {
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 5, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  CenterWindowOnScreen(window);
  RECT r{};
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(r.bottom - r.top, 100);
  EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
  EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
  DestroyWindow(window);
}
