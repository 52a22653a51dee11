// The folder picker tree over the real shell namespace, on folders of a temporary tree.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <string>
#include "item_ids.h"
#include "test_support.h"
#include "folder_picker.h"

namespace {

LRESULT CALLBACK PickerHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* hdr = (NMHDR*)lParam;
    switch (hdr->code) {
      case TVN_ITEMEXPANDINGA: case TVN_ITEMEXPANDINGW:
        return OnPickerExpanding(hdr->hwndFrom, (NMTREEVIEWA*)lParam);
      case TVN_DELETEITEMA: case TVN_DELETEITEMW:
        return OnPickerDeleteItem(hdr->hwndFrom, (NMTREEVIEWA*)lParam);
    }
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class FolderPicker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitItemIdServices());
    WNDCLASSA wc{};
    wc.lpfnWndProc = PickerHostProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PickerTestHost";
    RegisterClassA(&wc);
    host_ = CreateWindowExA(0, "PickerTestHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400, nullptr, nullptr,
                            wc.hInstance, nullptr);
    tree_ = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 380, 380, host_,
                            (HMENU)1, wc.hInstance, nullptr);
    ASSERT_TRUE(InitFolderPickerTree(tree_));
    FillPickerLevel(tree_, DesktopFolder(), nullptr, TVI_ROOT);
    ExpandPickerRoot(tree_);
    temp_.MakeFolder("Sub\\Leaf");
    temp_.MakeFolder("Sub\\Other");
  }
  void TearDown() override { DestroyWindow(host_); }
  static std::string Upper(std::string s) {
    CharUpperA(s.data());
    return s;
  }
  HWND host_ = nullptr, tree_ = nullptr;
  jqtest::TempFolder temp_;
};

TEST_F(FolderPicker, FindsATypedPathInAnyLetterCase) {
  auto root = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  ASSERT_NE(root, nullptr);
  EXPECT_NE(SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root), 0);
  std::string target = temp_ / "Sub\\Leaf";
  std::string typed = target;
  std::transform(typed.begin(), typed.end(), typed.begin(), [](char c) { return (char)tolower((unsigned char)c); });
  HTREEITEM item = SelectPickerPath(tree_, typed.c_str(), TRUE);
  ASSERT_NE(item, nullptr) << typed;
  EXPECT_EQ((HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0), item);
  char path[MAX_PATH];
  ASSERT_TRUE(GetPickerSelectedPath(tree_, path, FALSE));
  EXPECT_EQ(Upper(path), Upper(target));
  ASSERT_TRUE(GetPickerSelectedPath(tree_, path, TRUE));
  EXPECT_STREQ(path, "Leaf");
  // A trailing backslash names the same folder.
  EXPECT_EQ(SelectPickerPath(tree_, (target + "\\").c_str(), FALSE), item);
}

TEST_F(FolderPicker, FolderWithoutSubfoldersLosesItsButton) {
  HTREEITEM leaf = SelectPickerPath(tree_, (temp_ / "Sub\\Leaf").c_str(), TRUE);
  ASSERT_NE(leaf, nullptr);
  SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, (LPARAM)leaf);
  TVITEMA tv{};
  tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
  tv.hItem = leaf;
  SendMessageA(tree_, TVM_GETITEMA, 0, (LPARAM)&tv);
  EXPECT_EQ(tv.cChildren, 0);
  // Its parent lists both children, in the folder's own order, once.
  HTREEITEM sub = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_PARENT, (LPARAM)leaf);
  SendMessageA(tree_, TVM_EXPAND, TVE_COLLAPSE, (LPARAM)sub);
  SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, (LPARAM)sub);
  int children = 0;
  for (auto c = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)sub); c;
       c = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)c))
    ++children;
  EXPECT_EQ(children, 2);
}

TEST_F(FolderPicker, UnknownPathsFindNothingAndKeepTheSelection) {
  HTREEITEM sub = SelectPickerPath(tree_, (temp_ / "Sub").c_str(), TRUE);
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(SelectPickerPath(tree_, "\\\\nosuchserver\\share", TRUE), nullptr);
  EXPECT_EQ(SelectPickerPath(tree_, (temp_ / "Sub\\Missing").c_str(), TRUE), nullptr);
  EXPECT_EQ(SelectPickerPath(tree_, "", TRUE), nullptr);
  EXPECT_EQ((HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0), sub);
  // "Sub" must not match "SubX" by its prefix.
  temp_.MakeFolder("SubX");
  HTREEITEM subx = SelectPickerPath(tree_, (temp_ / "SubX").c_str(), FALSE);
  EXPECT_NE(subx, sub);
}

TEST_F(FolderPicker, NonFileSystemItemGivesNoPath) {
  auto root = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  // The first child of the desktop is My Computer, which has no file-system path.
  auto computer = (HTREEITEM)SendMessageA(tree_, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)root);
  ASSERT_NE(computer, nullptr);
  SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, (LPARAM)computer);
  char path[MAX_PATH] = "x";
  char name[MAX_PATH] = "";
  TVITEMA tv{};
  tv.mask = TVIF_TEXT | TVIF_HANDLE;
  tv.hItem = computer;
  tv.pszText = name;
  tv.cchTextMax = sizeof name;
  SendMessageA(tree_, TVM_GETITEMA, 0, (LPARAM)&tv);
  BOOL ok = GetPickerSelectedPath(tree_, path, FALSE);
  if (!ok) {
    EXPECT_STREQ(path, "") << name;
  }
}

}  // namespace
