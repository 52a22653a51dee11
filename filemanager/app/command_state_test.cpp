// Command availability: the list and tree rules as tables over focus and selection states, the
// paste rule over clipboard formats, and the states the real main window's menu and toolbar get.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <set>
#include <string>
#include <vector>
#include "command_state.h"
#include "frame_test_host.h"
#include "navigation_history.h"
#include "resource.h"
#include "test_support.h"

using namespace jqtest;

namespace {

constexpr ULONG kAll = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK | SFGAO_CANRENAME |
                       SFGAO_CANDELETE | SFGAO_HASPROPSHEET;
constexpr ULONG kFile = kAll | SFGAO_FILESYSTEM;
constexpr ULONG kFolder = kAll | SFGAO_FILESYSTEM | SFGAO_FOLDER;

std::set<int> On(const CommandAvailability& a) {
  std::set<int> on;
  for (int i = 0; i < kAvailabilityFlags; ++i)
    if (a.flags[i]) on.insert(i);
  return on;
}

SelectedItemFacts Item(ULONG attributes, bool archive = false, bool zip = false) {
  return SelectedItemFacts{true, attributes, archive, zip};
}

}  // namespace

TEST(CommandAvailability, ListRulesOverSelections) {
  const SelectedItemFacts up{false, 0, false, false};
  struct Case {
    const char* name;
    ListRulesInput input;
    std::set<int> on, off;
  };
  const Case cases[] = {
      {"nothing selected in a shell folder", {false, false, 0, false, {}}, {34, 35, 36}, {19, 1, 4, 6, 17, 18}},
      {"nothing selected in a zip", {true, true, 0, false, {}}, {10, 12, 13, 30, 34, 35, 36}, {1, 19, 31}},
      {"nothing selected in a cab", {true, false, 0, false, {}}, {12, 34, 35}, {10, 13, 30}},
      {"the up entry among others", {false, false, 0, false, {Item(kFile), up}}, {34, 35}, {1, 2, 3, 4, 5, 6, 7, 17, 18, 36, 43}},
      {"one file", {false, false, 0, false, {Item(kFile)}}, {1, 2, 3, 4, 5, 6, 7, 8, 17, 18, 19, 32}, {43, 12, 13, 10}},
      {"two files", {false, false, 0, false, {Item(kFile), Item(kFile)}}, {43, 6}, {32}},
      {"a folder", {false, false, 0, false, {Item(kFolder)}}, {2, 3, 4, 6, 17, 18}, {1, 8, 23, 26, 31, 32, 33}},
      {"one zip file", {false, false, 0, false, {Item(kFile, true, true)}}, {10, 12, 13, 30}, {}},
      {"two zip files", {false, false, 0, false, {Item(kFile, true, true), Item(kFile, true, true)}}, {12}, {10, 13, 30}},
      {"a rar file", {false, false, 0, false, {Item(kFile, true, false)}}, {12}, {10, 13, 30}},
      {"a file that cannot be renamed or deleted", {false, false, 0, false, {Item(kFile & ~(SFGAO_CANRENAME | SFGAO_CANDELETE))}}, {2, 3}, {6, 4, 5, 28, 43}},
      {"an item outside the file system", {false, false, 0, false, {Item(kAll)}}, {4, 6, 17, 18}, {2, 3, 19, 23, 8, 34, 35}},
      {"a selection in an FTP folder", {false, false, kAvailFtpItem, false, {Item(kFile)}}, {4, 6, 36}, {17, 18, 2, 3, 8, 7, 5, 19}},
      {"entries of a zip", {true, true, 0, false, {Item(kFile)}}, {4, 10, 12, 13, 18}, {2, 3, 11, 19, 5, 1, 43}},
      {"entries of a cab", {true, false, 0, false, {Item(kFile)}}, {12, 18}, {4, 10, 13, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandAvailability a;
    BuildListAvailability(c.input, &a);
    std::set<int> on = On(a);
    for (int i : c.on) EXPECT_TRUE(on.count(i)) << "flag " << i << " on";
    for (int i : c.off) EXPECT_FALSE(on.count(i)) << "flag " << i << " off";
    EXPECT_FALSE(a.flags[0]);
    EXPECT_FALSE(a.flags[9]);
  }
  // With the up entry in the selection nothing but Compare and Synchronise stays.
  CommandAvailability a;
  BuildListAvailability({false, false, 0, false, {Item(kFile), up}}, &a);
  EXPECT_EQ(On(a), (std::set<int>{34, 35}));
}

TEST(CommandAvailability, TreeRulesOverFolders) {
  struct Case {
    const char* name;
    TreeRulesInput input;
    std::set<int> on, off;
  };
  const Case cases[] = {
      {"a file-system folder", {0, kFolder, true, false, false, false, false}, {2, 3, 4, 5, 6, 7, 11, 14, 17, 18, 19, 28, 29, 34, 35, 36}, {1, 8, 10, 12, 13, 23, 43}},
      {"a folder the shell cannot describe", {0, 0, false, false, false, false, false}, {36}, {2, 3, 4, 5, 6, 7, 14, 17, 18, 19, 34, 35}},
      {"a virtual folder", {0, kAll, true, false, false, false, false}, {4, 6, 17, 18}, {2, 3, 19, 11, 28, 29, 34, 35}},
      {"a zip file in the tree", {0, kFile, true, false, false, false, true}, {1, 23, 12, 32, 13, 10}, {34, 35}},
      {"a cab file in the tree", {0, kFile, true, false, false, false, false}, {1, 12}, {10, 13, 34, 35}},
      {"an FTP site", {kAvailFtpItem | kAvailFtpSite, kAll, true, false, false, false, false}, {36}, {4, 19, 6, 5, 7, 17, 18, 2, 3}},
      {"a sibling zip folder", {0, kFolder, true, true, true, true, false}, {10, 12, 13, 30, 32}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandAvailability a;
    BuildTreeAvailability(c.input, &a);
    std::set<int> on = On(a);
    for (int i : c.on) EXPECT_TRUE(on.count(i)) << "flag " << i << " on";
    for (int i : c.off) EXPECT_FALSE(on.count(i)) << "flag " << i << " off";
  }
}

namespace {
std::set<UINT> g_clipboard;
bool FakeClipboard(UINT format) { return g_clipboard.count(format) != 0; }
}  // namespace

TEST(CommandAvailability, PasteFollowsClipboardFolderAndPane) {
  const UINT group = RegisterClipboardFormatA("FileGroupDescriptor");
  const UINT object = RegisterClipboardFormatA("Object Descriptor");
  struct Case {
    std::set<UINT> formats;
    bool root, archive;
    ULONG attributes;
    bool expected;
  };
  const Case cases[] = {
      {{CF_HDROP}, false, false, SFGAO_DROPTARGET, true},
      {{CF_HDROP}, true, false, SFGAO_DROPTARGET, false},  // the desktop (tree root)
      {{CF_HDROP}, false, false, 0, false},                // the folder takes no drops
      {{CF_HDROP}, false, true, SFGAO_DROPTARGET, true},
      {{object}, false, false, SFGAO_DROPTARGET, true},
      {{object}, false, true, SFGAO_DROPTARGET, false},    // not into an archive
      {{group}, false, false, SFGAO_DROPTARGET, true},
      {{CF_TEXT}, false, false, SFGAO_DROPTARGET, false},
      {{}, false, false, SFGAO_DROPTARGET, false},
  };
  for (const Case& c : cases) {
    g_clipboard = c.formats;
    EXPECT_EQ(PasteAvailable(c.root, c.archive, c.attributes, FakeClipboard), c.expected);
  }
}

namespace {

void SelectOnly(HWND list, std::initializer_list<int> indexes) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int i : indexes) ListView_SetItemState(list, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

int IndexOf(HWND list, const std::string& name) {
  char text[MAX_PATH];
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    ListView_GetItemText(list, i, 0, text, sizeof text);
    if (name == text) return i;
  }
  return -1;
}

bool MenuEnabled(HMENU menu, UINT id) {
  UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool ButtonEnabled(UINT id) { return SendMessageA(g_frame.toolbar, TB_ISBUTTONENABLED, id, 0) != 0; }

}  // namespace

TEST(CommandStates, MenuAndToolbarFollowTheSelectionOfTheRealWindow) {
  TempFolder folder;
  folder.WriteFile("one.txt", "1");
  folder.WriteFile("two.txt", "22");
  frametest::MainWindowHost host;
  ASSERT_TRUE(g_frame.toolbar);
  ASSERT_TRUE(host.Browse(folder.path()));
  HWND list = FilePanes[0].list;
  SetFocus(list);
  PumpPending();
  ASSERT_EQ(g_frame.lastFocus, list);
  HMENU menu = GetMenu(host.window);
  ASSERT_TRUE(menu);
  int one = IndexOf(list, "one.txt"), two = IndexOf(list, "two.txt");
  ASSERT_GE(one, 0);
  ASSERT_GE(two, 0);

  SelectOnly(list, {one});
  UpdateCommandStates();
  SendMessageA(host.window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_FALSE(MenuEnabled(menu, ID_FILE_GROUP_RENAME)) << "group rename needs two items";
  EXPECT_TRUE(MenuEnabled(menu, ID_FILE_UUENCODE)) << "UUEncode takes one file";
  EXPECT_TRUE(MenuEnabled(menu, ID_FILE_RENAME));
  EXPECT_TRUE(MenuEnabled(menu, ID_EDIT_COPY));
  EXPECT_FALSE(MenuEnabled(menu, ID_FILE_UNZIP)) << "a text file is no archive";
  EXPECT_TRUE(ButtonEnabled(ID_FILE_DELETE));
  EXPECT_TRUE(ButtonEnabled(ID_EDIT_MOVE_TO));
  EXPECT_TRUE(MenuEnabled(menu, ID_GO_UP)) << "up from a folder below the desktop";

  SelectOnly(list, {one, two});
  SendMessageA(host.window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_TRUE(MenuEnabled(menu, ID_FILE_GROUP_RENAME));
  EXPECT_FALSE(MenuEnabled(menu, ID_FILE_UUENCODE)) << "UUEncode takes one file";

  // Nothing selected: the file commands go grey, on the menu and on the toolbar.
  SelectOnly(list, {});
  UpdateCommandStates();
  SendMessageA(host.window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_FALSE(MenuEnabled(menu, ID_FILE_DELETE));
  EXPECT_FALSE(ButtonEnabled(ID_FILE_DELETE));
  EXPECT_FALSE(ButtonEnabled(ID_EDIT_CUT));
  EXPECT_TRUE(MenuEnabled(menu, ID_TOOLS_COMPARE));

  // The checks and radio items follow the options and the pane.
  EXPECT_TRUE(GetMenuState(menu, ID_VIEW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_TRUE(GetMenuState(menu, FilePanes[0].viewId, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(MenuEnabled(menu, ID_EDIT_UNDO)) << "no shell Undo under this shell view";
  char undo[100] = "";
  GetMenuStringA(menu, ID_EDIT_UNDO, undo, sizeof undo, MF_BYCOMMAND);
  EXPECT_EQ(std::string(undo), frametest::LoadText(IDS_UNDO_DEFAULT));

  // The desktop (tree root) in the tree: neither paste nor up.
  HWND tree = FilePanes[0].tree;
  TreeView_SelectItem(tree, TreeView_GetRoot(tree));
  SetFocus(tree);
  PumpUntil([&] { return g_frame.lastFocus == tree; }, 5000);
  ASSERT_EQ(g_frame.lastFocus, tree);
  ASSERT_TRUE(IsTreeRootSelected(tree));
  ASSERT_EQ(ActivePaneIndex, 0);
  UpdateCommandStates();
  SendMessageA(host.window, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_FALSE(MenuEnabled(menu, ID_GO_UP));
  EXPECT_FALSE(MenuEnabled(menu, ID_EDIT_PASTE));
  EXPECT_FALSE(ButtonEnabled(ID_EDIT_PASTE));
}

TEST(CommandStates, TooltipsNameTheCommandAndTheHistoryStep) {
  TempFolder folder;
  folder.MakeFolder("inner");
  frametest::MainWindowHost host;
  char text[300];
  ASSERT_TRUE(GetToolbarTipText(ID_EDIT_COPY, text, sizeof text));
  EXPECT_EQ(std::string(text), frametest::LoadText(ID_EDIT_COPY));
  // A tooltip request reaches the main window as the toolbar sends it.
  NMTTDISPINFOA info{};
  info.hdr.hwndFrom = g_frame.toolbar;
  info.hdr.idFrom = ID_EDIT_COPY_TO;
  info.hdr.code = TTN_NEEDTEXTA;
  SendMessageA(host.window, WM_NOTIFY, ID_EDIT_COPY_TO, reinterpret_cast<LPARAM>(&info));
  ASSERT_TRUE(info.lpszText);
  EXPECT_EQ(std::string(info.lpszText), frametest::LoadText(ID_EDIT_COPY_TO));

  ASSERT_TRUE(host.Browse(folder.path()));
  ASSERT_TRUE(host.Browse(folder / "inner"));
  ASSERT_TRUE(CanGoBack(0));
  ASSERT_TRUE(GetToolbarTipText(ID_GO_BACK, text, sizeof text));
  char expected[300], name[MAX_PATH];
  GetBackEntryName(0, name);
  snprintf(expected, sizeof expected, frametest::LoadText(IDS_TIP_BACK_TO).c_str(), name);
  EXPECT_EQ(std::string(text), expected);
  EXPECT_NE(std::string(text).find(name), std::string::npos);
  EXPECT_FALSE(GetToolbarTipText(48003, text, sizeof text)) << "no drive bar button names itself here";
}
