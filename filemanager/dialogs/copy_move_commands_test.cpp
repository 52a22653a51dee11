// Copy To and Move To end to end: the real commands open the real modal dialog, which a timer
// drives as a user would (typing, clicking the tree and the radio buttons, OK); the worker then
// changes the disk. And the folder-picker tree on a temporary folder.
#include <gtest/gtest.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include "command_handlers.h"
#include "copy_move_dialog.h"
#include "file_operations.h"
#include "frame_state.h"
#include "history_list.h"
#include "pane_test_host.h"
#include "picker_tree.h"
#include "resource.h"
#include "settings_store.h"
#include "test_support.h"
#include "control_text.h"
#include "command_ids.h"

namespace {

using jqtest::DialogDriver;

// Types into the destination box.
DialogDriver::Step Type(const std::string& text) { return jqtest::TypeInto(IDC_DESTINATION_COMBO, text); }

// Runs the worker's operation without the shell's questions and progress window, which no test
// can answer.
int WINAPI QuietRunner(SHFILEOPSTRUCTA* operation) {
  SHFILEOPSTRUCTA quiet = *operation;
  quiet.hwnd = nullptr;
  quiet.fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_NOCONFIRMMKDIR;
  return SHFileOperationA(&quiet);
}

class CopyMoveTo : public ::testing::Test {
 protected:
  void SetUp() override {
    g_runFileOperation = QuietRunner;
    GetLiveOptions().showUpEntry = 0;
    GetLiveOptions().goToTargetAfterCopy = 0;
    g_paneLayout.twoPanes = 0;
    folder = temp.MakeFolder("src");
    temp.WriteFile("src\\a.txt", "aaa");
    temp.WriteFile("src\\b.txt", "bbb");
    temp.MakeFolder("src\\dest");
    // Dialogs centre over the host: keep them in the screen's upper right, clear of the places
    // where other test programs running at the same time expect their own windows.
    SetWindowPos(host.window, nullptr, 680, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(host.Browse(folder));
  }
  void TearDown() override {
    jqtest::PumpUntil([] { return RunningCopyMoveWorkers() == 0; }, 10000);
    g_runFileOperation = SHFileOperationA;
  }
  void Select(const std::vector<std::string>& names) {
    HWND list = host.list();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const std::string& name : names) {
      bool found = false;
      for (int i = 0; i < host.Count(); ++i)
        if (host.Text(i, 0) == name) {
          ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
          found = true;
        }
      ASSERT_TRUE(found) << name;
    }
    g_frame.lastFocus = list;
  }
  // Runs a command with the driver's steps; true when every step ran.
  bool Run(LRESULT (*command)(HWND, UINT, WPARAM, LPARAM), std::vector<DialogDriver::Step> steps) {
    DialogDriver driver(std::move(steps));
    command(host.window, WM_COMMAND, 0, 0);
    bool done = driver.Finished();
    jqtest::PumpUntil([] { return RunningCopyMoveWorkers() == 0; }, 15000);
    return done;
  }

  jqtest::TempFolder temp;
  panetest::PaneHost host;
  jqtest::SeamRecorder seams;
  std::string folder;
};

TEST_F(CopyMoveTo, TrailingBackslashCreatesFoldersAndHistoryKeepsTheTarget) {
  Select({"a.txt", "b.txt"});
  std::vector<std::string> rows;
  std::string caption;
  ASSERT_TRUE(Run(CopySelectionTo, {
      [&](HWND dialog) {
        caption = jqtest::WindowTextOf(dialog);
        rows = jqtest::ListItemTexts(GetDlgItem(dialog, IDC_COPY_MOVE_LIST));
        return true;
      },
      Type("  New\\Deeper\\"),
      jqtest::ClickButton(IDOK),
  }));
  EXPECT_EQ(caption, jqtest::StringResource(40040));
  EXPECT_EQ(rows, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New\\Deeper\\a.txt"), "aaa");
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New\\Deeper\\b.txt"), "bbb");
  EXPECT_TRUE(jqtest::FileExists(folder + "\\a.txt"));
  HistoryList history;
  LoadHistoryList(&history, "Copy_Move To");
  ASSERT_EQ(history.Count(), 1);
  EXPECT_STREQ(history.slots[0], "New\\Deeper\\") << "leading spaces are dropped";

  // The next dialog offers it first; the same target in other letters does not repeat.
  Select({"b.txt"});
  std::string offered;
  ASSERT_TRUE(Run(CopySelectionTo, {
      [&](HWND dialog) {
        char text[MAX_PATH] = "";
        GetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, text, sizeof text);
        offered = text;
        return true;
      },
      Type("NEW\\DEEPER\\"),
      jqtest::ClickButton(IDOK),
  }));
  EXPECT_EQ(offered, "New\\Deeper\\");
  LoadHistoryList(&history, "Copy_Move To");
  EXPECT_EQ(history.Count(), 1);
}

TEST_F(CopyMoveTo, CopyIntoItsOwnFolderMakesANamedCopy) {
  Select({"a.txt"});
  const std::string expected = FreeCopyName(folder, "a.txt");
  ASSERT_TRUE(Run(CopySelectionTo, {Type(folder), jqtest::ClickButton(IDOK)}));
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\" + expected), "aaa") << expected;
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\a.txt"), "aaa");
}

TEST_F(CopyMoveTo, RadioSwitchesToMoveAndGoesToTheDestination) {
  Select({"a.txt"});
  std::string captionAfterSwitch;
  const std::string dest = folder + "\\dest";
  ASSERT_TRUE(Run(CopySelectionTo, {
      jqtest::ClickButton(IDC_MOVE_RADIO),
      [&](HWND dialog) {
        captionAfterSwitch = jqtest::WindowTextOf(dialog);
        CheckDlgButton(dialog, IDC_GO_TO_DESTINATION, BST_CHECKED);
        return true;
      },
      Type(dest),
      jqtest::ClickButton(IDOK),
  }));
  EXPECT_EQ(captionAfterSwitch, jqtest::StringResource(40039));
  EXPECT_EQ(jqtest::ReadFileText(dest + "\\a.txt"), "aaa");
  EXPECT_FALSE(jqtest::FileExists(folder + "\\a.txt"));
  EXPECT_EQ(GetLiveOptions().goToTargetAfterCopy, 1u);
  char shown[MAX_PATH] = "";
  GetTreeSelectionPath(host.tree(), shown, FALSE, TRUE);
  EXPECT_EQ(lstrcmpiA(shown, dest.c_str()), 0) << shown;
}

TEST_F(CopyMoveTo, BlankTargetIsRefusedAndCancelCopiesNothing) {
  Select({"a.txt"});
  size_t boxesAfterBlank = 0;
  ASSERT_TRUE(Run(MoveSelectionTo, {
      Type("    "),
      jqtest::ClickButton(IDOK),
      [&](HWND dialog) {
        boxesAfterBlank = seams.boxes.size();
        return IsWindowVisible(dialog) != FALSE;
      },
      jqtest::ClickButton(IDCANCEL),
  }));
  ASSERT_EQ(boxesAfterBlank, 1u);
  EXPECT_EQ(seams.boxes[0].text, jqtest::StringResource(IDS_ENTER_DESTINATION));
  EXPECT_EQ(seams.boxes[0].caption, jqtest::StringResource(40039));
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_TRUE(jqtest::FileExists(folder + "\\a.txt"));
  EXPECT_EQ(RunningCopyMoveWorkers(), 0);
}

TEST_F(CopyMoveTo, NoSelectionInTheListDoesNothing) {
  Select({});
  DialogDriver driver({jqtest::ClickButton(IDCANCEL)});
  const UINT refused = RefusedCommandCount();
  CopySelectionTo(host.window, WM_COMMAND, ID_EDIT_COPY_TO, 0);
  EXPECT_FALSE(driver.Finished()) << "no dialog was shown";
  EXPECT_EQ(RefusedCommandCount(), refused);
  // A folder outside the file system in the tree has nothing to copy: refused with a beep.
  HWND tree = host.tree();
  HTREEITEM root = TreeView_GetRoot(tree);
  TreeView_Expand(tree, root, TVE_EXPAND);
  HTREEITEM computer = nullptr;
  for (HTREEITEM node = TreeView_GetChild(tree, root); node && !computer; node = TreeView_GetNextSibling(tree, node)) {
    FolderTreeItem* record = GetTreeItemRecord(tree, node);
    if (record && !(record->attributes & SFGAO_FILESYSTEM)) computer = node;
  }
  ASSERT_TRUE(computer);
  TreeView_SelectItem(tree, computer);
  g_frame.lastFocus = tree;
  MoveSelectionTo(host.window, WM_COMMAND, ID_EDIT_MOVE_TO, 0);
  EXPECT_FALSE(driver.Finished()) << "no dialog was shown";
  EXPECT_EQ(RefusedCommandCount(), refused + 1);
}

TEST_F(CopyMoveTo, TreeFolderIsTheSourceAndTheTreeFollowsTheGoButton) {
  ASSERT_TRUE(host.Browse(folder + "\\dest"));
  g_frame.lastFocus = host.tree();
  std::vector<std::string> rows;
  std::string selectedByButton, picked, afterRoot;
  const std::string target = temp / "copied";
  temp.MakeFolder("copied");
  auto combo = [](HWND dialog) {
    char text[MAX_PATH] = "";
    GetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, text, sizeof text);
    return std::string(text);
  };
  ASSERT_TRUE(Run(CopySelectionTo, {
      [&](HWND dialog) {
        rows = jqtest::ListItemTexts(GetDlgItem(dialog, IDC_COPY_MOVE_LIST));
        return true;
      },
      Type(target),
      jqtest::ClickButton(IDC_GO_TO_TYPED_PATH),
      [&](HWND dialog) {
        char path[MAX_PATH] = "";
        GetTreeSelectionPath(GetDlgItem(dialog, IDC_PICKER_TREE), path, FALSE, TRUE);
        selectedByButton = path;
        // A click on another folder puts its path in the combo.
        HWND tree = GetDlgItem(dialog, IDC_PICKER_TREE);
        TreeView_SelectItem(tree, TreeView_GetParent(tree, TreeView_GetSelection(tree)));
        return true;
      },
      [&](HWND dialog) {
        picked = combo(dialog);
        // The desktop at the root leaves the text as it is.
        HWND tree = GetDlgItem(dialog, IDC_PICKER_TREE);
        TreeView_SelectItem(tree, TreeView_GetRoot(tree));
        return true;
      },
      [&](HWND dialog) {
        afterRoot = combo(dialog);
        return true;
      },
      Type(target),
      jqtest::ClickButton(IDOK),
  }));
  EXPECT_EQ(rows, std::vector<std::string>{"dest"});
  EXPECT_EQ(lstrcmpiA(selectedByButton.c_str(), target.c_str()), 0) << selectedByButton;
  EXPECT_EQ(lstrcmpiA(picked.c_str(), temp.path().c_str()), 0) << picked;
  EXPECT_EQ(afterRoot, picked);
  HistoryList history;
  LoadHistoryList(&history, "Copy_Move To");
  EXPECT_EQ(lstrcmpiA(history.slots[0], target.c_str()), 0) << history.slots[0];
  EXPECT_TRUE(jqtest::FolderExists(target + "\\dest"));
}


// ---- The picker tree on its own ------------------------------------------------------------

LRESULT CALLBACK PickerHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TVN_ITEMEXPANDINGA || header->code == TVN_ITEMEXPANDINGW)
      ExpandPickerTreeItem(header->hwndFrom, reinterpret_cast<NMTREEVIEWA*>(header),
                           static_cast<BOOL>(GetWindowLongPtrA(window, GWLP_USERDATA) & 1),
                           static_cast<BOOL>(GetWindowLongPtrA(window, GWLP_USERDATA) & 2));
    if (header->code == TVN_DELETEITEMA || header->code == TVN_DELETEITEMW)
      FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<std::string> ChildNames(HWND tree, HTREEITEM node) { return jqtest::TreeChildTexts(tree, node); }

TEST(PickerTree, FoldersOnlyArchivesAndOneFillPerNode) {
  jqtest::TestRegistry registry;
  ApplyDefaultGlobalSettings();
  panetest::HideWineRootDrive();
  jqtest::TempFolder temp;
  temp.MakeFolder("one");
  temp.MakeFolder("two\\deep");
  temp.WriteFile("x.txt", "x");
  temp.WriteFile("y.zip", "PK");
  WNDCLASSA wc{};
  wc.lpfnWndProc = PickerHostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PickerTestHost";
  RegisterClassA(&wc);
  for (LONG_PTR switches : {1, 3}) {
    SCOPED_TRACE(switches);
    const BOOL foldersOnly = switches & 1, archives = (switches & 2) != 0;
    HWND host = CreateWindowExA(0, "PickerTestHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 500, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(host, GWLP_USERDATA, switches);
    HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 380, 460, host,
                                reinterpret_cast<HMENU>(1129), GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(AttachSystemImageList(tree));
    IShellFolder* desktop = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&desktop)));
    FillPickerTree(tree, desktop, nullptr, TVI_ROOT, foldersOnly, archives);
    desktop->Release();
    ExpandTreeRoot(tree);
    HTREEITEM drives = TreeView_GetSelection(tree);
    ASSERT_TRUE(drives);
    // The drives under My Computer: the hidden Z: is not offered.
    bool sawC = false;
    for (const std::string& name : ChildNames(tree, drives)) {
      EXPECT_EQ(name.find("(Z:)"), std::string::npos) << name;
      sawC = sawC || name.find("(C:)") != std::string::npos;
    }
    EXPECT_TRUE(sawC);

    HTREEITEM node = SelectPickerTreePath(tree, temp.path().c_str(), TRUE, foldersOnly, archives);
    ASSERT_TRUE(node);
    EXPECT_EQ(TreeView_GetSelection(tree), node);
    TreeView_Expand(tree, node, TVE_EXPAND);
    std::vector<std::string> expected = {"one", "two"};
    if (archives) expected.push_back("y.zip");
    EXPECT_EQ(ChildNames(tree, node), expected);
    // Each node is read once, however often it opens.
    TreeView_Expand(tree, node, TVE_COLLAPSE);
    TreeView_Expand(tree, node, TVE_EXPAND);
    EXPECT_EQ(ChildNames(tree, node), expected);
    // Icons were set at insertion, not asked for later.
    HTREEITEM child = TreeView_GetChild(tree, node);
    TVITEMA item{};
    item.mask = TVIF_IMAGE | TVIF_PARAM;
    item.hItem = child;
    TreeView_GetItem(tree, &item);
    EXPECT_NE(item.iImage, I_IMAGECALLBACK);
    auto* record = reinterpret_cast<PickerTreeItem*>(item.lParam);
    ASSERT_TRUE(record);
    EXPECT_TRUE(record->attributes & SFGAO_FOLDER);
    EXPECT_EQ(record->attributes & ~kPickerAttributeMask, 0u);
    // "two" has a subfolder; "deep" is found through it.
    std::string deep = temp / "two\\deep";
    EXPECT_TRUE(SelectPickerTreePath(tree, deep.c_str(), TRUE, foldersOnly, archives));
    char path[MAX_PATH] = "";
    ASSERT_TRUE(GetTreeSelectionPath(tree, path, FALSE, TRUE));
    EXPECT_EQ(lstrcmpiA(path, deep.c_str()), 0) << path;
    DestroyWindow(host);  // frees every record through the delete notifications
  }
}

}  // namespace
