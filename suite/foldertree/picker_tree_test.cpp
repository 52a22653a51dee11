#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "picker_tree.h"
#include "pidl.h"
#include "settings_store.h"
#include "test_support.h"

namespace {

// The picker's owner as a dialog has it: children read on TVN_ITEMEXPANDING, records freed on
// TVN_DELETEITEM (counted).
int g_deleted = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TVN_ITEMEXPANDINGA)
      ExpandPickerTreeItem(header->hwndFrom, reinterpret_cast<NMTREEVIEWA*>(header), TRUE, FALSE);
    if (header->code == TVN_DELETEITEMA) {
      ++g_deleted;
      FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string SelectedParsingName(HWND tree) {
  auto* record = GetTreeItemRecord(tree, TreeView_GetSelection(tree));
  char name[MAX_PATH] = "";
  if (record && record->folder)
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, name);
  return name;
}

TEST(FolderTreeNodes, RootExpandsToTheDrivesAndTheWalkReachesAPathThroughTheOwnersFill) {
  jqtest::TestRegistry registry;
  ApplyDefaultGlobalSettings();
  GetLiveOptions().driveFilters.driveMask &= ~(1u << ('Z' - 64));  // never the host's file system
  jqtest::TempFolder temp;
  temp.MakeFolder("two\\deep");
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TreeNodesTestOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 400,
                               nullptr, nullptr, wc.hInstance, nullptr);
  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | TVS_HASBUTTONS, 0, 0, 280, 380,
                              owner, nullptr, wc.hInstance, nullptr);
  IShellFolder* desktop = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&desktop)));
  FillPickerTree(tree, desktop, nullptr, TVI_ROOT, TRUE, FALSE);
  desktop->Release();

  ExpandTreeRoot(tree);
  HTREEITEM root = TreeView_GetRoot(tree);
  HTREEITEM drives = TreeView_GetSelection(tree);
  ASSERT_TRUE(drives);
  EXPECT_EQ(TreeView_GetParent(tree, drives), root);
  EXPECT_TRUE(TreeView_GetItemState(tree, drives, TVIS_EXPANDED) & TVIS_EXPANDED);

  // Without a fill of its own the walk expands each node and the owner reads it.
  std::string deep = temp / "two\\deep";
  HTREEITEM found = SelectTreePathComponents(tree, deep.c_str(), TreeView_GetChild(tree, drives), TRUE);
  ASSERT_TRUE(found);
  EXPECT_EQ(TreeView_GetSelection(tree), found);
  EXPECT_EQ(lstrcmpiA(SelectedParsingName(tree).c_str(), deep.c_str()), 0);
  // Without selecting; a path that is not there; a path that stops inside a name.
  EXPECT_EQ(SelectTreePathComponents(tree, (temp / "two").c_str(), TreeView_GetChild(tree, drives), FALSE),
            TreeView_GetParent(tree, found));
  EXPECT_EQ(TreeView_GetSelection(tree), found);
  EXPECT_FALSE(SelectTreePathComponents(tree, (temp / "two\\missing").c_str(), TreeView_GetChild(tree, drives), TRUE));
  EXPECT_FALSE(SelectTreePathComponents(tree, (temp / "tw").c_str(), TreeView_GetChild(tree, drives), TRUE));

  const int nodes = static_cast<int>(TreeView_GetCount(tree));
  g_deleted = 0;
  DestroyWindow(owner);
  EXPECT_EQ(g_deleted, nodes);  // every record went through FreePickerTreeItem
}

}  // namespace
