// The panes inside JQNavig's real main window: the tree-to-list road through the window's own
// notification routing, header clicks, and the swap of the two panes.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "file_list.h"
#include "frame_test_host.h"
#include "resource.h"

namespace {

std::string ItemText(HWND list, int index, int column) {
  char text[MAX_PATH] = "";
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

std::vector<std::string> Names(HWND list) {
  std::vector<std::string> names;
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) names.push_back(ItemText(list, i, 0));
  return names;
}

void ClickHeader(HWND list, int column) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT box{};
  SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&box));
  LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
  SendMessageA(header, WM_MOUSEMOVE, 0, at);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
  jqtest::PumpPending();
}

}  // namespace

TEST(PanesInMainWindow, SecondPaneBrowsesSortsAndSwaps) {
  jqtest::TempFolder temp;
  temp.WriteFile("small.txt", "1");
  temp.WriteFile("large.txt", "1234567890");
  temp.MakeFolder("folder");
  frametest::MainWindowHost host(true, 1200, 700);
  HWND list1 = FilePanes[1].list;
  ASSERT_TRUE(host.Browse(temp.path(), 1));
  EXPECT_EQ(ActivePaneIndex, 1);
  std::vector<std::string> names = Names(list1);
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "");
  EXPECT_EQ(names[1], "folder");
  EXPECT_EQ(names[2], "large.txt");
  EXPECT_EQ(names[3], "small.txt");
  EXPECT_EQ(FilePanes[1].itemCount, 3u);
  // The status bar counts the listed objects with their total size.
  EXPECT_NE(host.StatusText(2).find("3"), std::string::npos) << host.StatusText(2);

  SendMessageA(host.window, WM_COMMAND, kViewDetails, 0);
  jqtest::PumpPending();
  ASSERT_EQ(GetWindowLongPtrA(list1, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  ClickHeader(list1, 2);  // size, ascending
  ClickHeader(list1, 2);  // descending: folders still first
  names = Names(list1);
  EXPECT_EQ(names[1], "folder");
  EXPECT_EQ(names[2], "large.txt");
  EXPECT_EQ(names[3], "small.txt");
  EXPECT_EQ(FilePanes[1].descending, 1u);

  HWND tree0 = FilePanes[0].tree;
  host.Command(ID_VIEW_SWAP_PANES);
  EXPECT_EQ(FilePanes[0].list, list1);
  EXPECT_EQ(FilePanes[1].tree, tree0);
  EXPECT_EQ(FilePanes[0].descending, 1u);
  EXPECT_EQ(FilePanes[0].sortKey, 2u);
  // The swapped pane still answers its list's texts as pane 0.
  EXPECT_EQ(ItemText(list1, 2, 2), "10");
}
