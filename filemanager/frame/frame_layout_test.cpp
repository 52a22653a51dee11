// The frame: pane layouts, splitter drags with their clamps, title bars, the command table and
// the status bar, driven through the real main window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <set>
#include <vector>
#include "command_handlers.h"
#include "command_table.h"
#include "frame_layout.h"
#include "frame_test_host.h"
#include "main_window.h"
#include "number_format.h"
#include "resource.h"
#include "status_bar.h"
#include "vfolder_entry.h"

using namespace frametest;
using jqtest::PumpPending;

namespace {

PaneLayoutInput Input(int w, int h, BOOL two, BOOL stacked, float ratio) {
  PaneLayoutInput in{};
  in.area = {0, 0, w, h};
  in.twoPanes = two;
  in.stacked = stacked;
  in.ratio = ratio;
  for (int p = 0; p < 2; ++p) {
    in.treeShown[p] = in.listShown[p] = TRUE;
    in.treeWidth[p] = 220;
  }
  return in;
}

int Height(const RECT& r) { return r.bottom - r.top; }
int Width(const RECT& r) { return r.right - r.left; }

}  // namespace

TEST(FrameLayout, StackedSideBySideAndSinglePanes) {
  PaneRects r[2];
  ComputePaneLayout(Input(800, 500, TRUE, TRUE, 0.5f), r);
  EXPECT_EQ(Height(r[0].tree), 232);
  EXPECT_EQ(Height(r[1].tree), 231);
  EXPECT_EQ(r[0].titlebar.top, 0);
  EXPECT_EQ(Height(r[0].titlebar), 17);
  EXPECT_EQ(r[1].titlebar.bottom, r[1].tree.top);
  EXPECT_EQ(r[1].tree.bottom, 500);
  EXPECT_EQ(r[1].titlebar.top - r[0].tree.bottom, 3) << "the gap between the panes";

  ComputePaneLayout(Input(1000, 600, TRUE, FALSE, 0.5f), r);
  EXPECT_EQ(r[0].list.right, 499);
  EXPECT_EQ(r[1].tree.left, 503);
  EXPECT_EQ(r[1].list.right, 1000);
  EXPECT_EQ(r[0].tree.top, 17);
  EXPECT_EQ(Width(r[0].titlebar), 499);
  EXPECT_EQ(Width(r[0].tree), 220);
  EXPECT_EQ(r[0].list.left, 223);

  ComputePaneLayout(Input(1000, 600, FALSE, FALSE, 0.5f), r);
  EXPECT_EQ(Height(r[0].titlebar), 0) << "one pane has no title bars";
  EXPECT_EQ(r[0].tree.top, 0);
  EXPECT_EQ(r[0].list.right, 1000);
  EXPECT_EQ(Width(r[1].list), 0);
}

TEST(FrameLayout, TreeWidthClamps) {
  struct { int treeWidth; BOOL listShown; int paneWidth; int tree; } cases[] = {
      {220, TRUE, 800, 220}, {10, TRUE, 800, 30}, {5000, TRUE, 800, 800},
      {220, FALSE, 800, 800},  // with the list hidden the tree takes the pane
  };
  for (const auto& c : cases) {
    PaneLayoutInput in = Input(c.paneWidth, 400, FALSE, FALSE, 0.5f);
    in.treeWidth[0] = c.treeWidth;
    in.listShown[0] = c.listShown;
    PaneRects r[2];
    ComputePaneLayout(in, r);
    EXPECT_EQ(Width(r[0].tree), c.tree) << c.treeWidth;
    if (c.listShown) EXPECT_LE(r[0].list.left, r[0].list.right);
  }
  PaneLayoutInput in = Input(800, 400, FALSE, FALSE, 0.5f);
  in.treeShown[0] = FALSE;
  PaneRects r[2];
  ComputePaneLayout(in, r);
  EXPECT_EQ(r[0].list.left, 0) << "with the tree hidden the list takes the pane";
}

TEST(FrameWindow, LayoutCommandsPlaceAndShowThePanes) {
  MainWindowHost host;
  RECT client;
  GetClientRect(host.window, &client);
  EXPECT_FALSE(IsWindowVisible(FilePanes[1].list));
  EXPECT_FALSE(IsWindowVisible(FilePanes[0].titlebar));
  RECT list0 = host.ClientRectOf(FilePanes[0].list);
  EXPECT_EQ(list0.right, client.right);

  host.Command(ID_LAYOUT_SIDE_BY_SIDE);
  EXPECT_TRUE(IsWindowVisible(FilePanes[1].list));
  EXPECT_TRUE(IsWindowVisible(FilePanes[0].titlebar));
  EXPECT_TRUE(IsWindowVisible(FilePanes[1].titlebar));
  RECT tree1 = host.ClientRectOf(FilePanes[1].tree);
  EXPECT_NEAR(tree1.left, client.right / 2, 4);
  HMENU menu = GetMenu(host.window);
  EXPECT_TRUE(GetMenuState(menu, ID_LAYOUT_SIDE_BY_SIDE, MF_BYCOMMAND) & MF_CHECKED);

  host.Command(ID_LAYOUT_STACKED);
  tree1 = host.ClientRectOf(FilePanes[1].tree);
  EXPECT_EQ(tree1.left, 0);
  EXPECT_GT(tree1.top, host.ClientRectOf(FilePanes[0].tree).bottom);

  HWND firstTree = FilePanes[0].tree, secondTree = FilePanes[1].tree;
  host.Command(ID_VIEW_SWAP_PANES);
  EXPECT_EQ(FilePanes[0].tree, secondTree) << "the windows travel with their records";
  EXPECT_EQ(FilePanes[1].tree, firstTree);
  EXPECT_EQ(host.ClientRectOf(FilePanes[0].tree).left, 0);
  EXPECT_LT(host.ClientRectOf(FilePanes[0].tree).top, host.ClientRectOf(FilePanes[1].tree).top);

  ActivePaneIndex = 1;
  host.Command(ID_LAYOUT_SINGLE);
  EXPECT_EQ(ActivePaneIndex, 0) << "one pane keeps the pane that was active";
  EXPECT_EQ(FilePanes[0].tree, firstTree);
  EXPECT_FALSE(IsWindowVisible(FilePanes[1].tree));
  EXPECT_FALSE(IsWindowVisible(FilePanes[0].titlebar));
}

namespace {

void Drag(HWND window, POINT from, POINT to) {
  SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM((from.x + to.x) / 2, from.y));
  SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
  PumpPending();
}

}  // namespace

TEST(FrameWindow, SplitterDragsStopAtTheirLimits) {
  MainWindowHost host;
  RECT tree = host.ClientRectOf(FilePanes[0].tree);
  POINT gap = {tree.right + 1, (tree.top + tree.bottom) / 2};
  EXPECT_EQ(SplitterModeAt(host.window, gap, nullptr), 4);
  Drag(host.window, gap, {300, gap.y});
  EXPECT_EQ(FilePanes[0].treeWidth, 299);
  EXPECT_EQ(host.ClientRectOf(FilePanes[0].tree).right, 299);
  tree = host.ClientRectOf(FilePanes[0].tree);
  gap = {tree.right + 1, gap.y};
  Drag(host.window, gap, {2, gap.y});
  EXPECT_EQ(FilePanes[0].treeWidth, 30) << "the tree stops at 30 pixels";

  host.Command(ID_LAYOUT_SIDE_BY_SIDE);
  RECT client;
  GetClientRect(host.window, &client);
  RECT second = host.ClientRectOf(FilePanes[1].tree);
  POINT middle = {second.left - 2, (second.top + second.bottom) / 2};
  EXPECT_EQ(SplitterModeAt(host.window, middle, nullptr), 3);
  Drag(host.window, middle, {client.right * 3 / 4, middle.y});
  EXPECT_NEAR(g_paneLayout.ratio, 0.75f, 0.01f);
  second = host.ClientRectOf(FilePanes[1].tree);
  Drag(host.window, {second.left - 2, middle.y}, {client.right + 50, middle.y});
  EXPECT_LE(g_paneLayout.ratio, 0.99f);
  EXPECT_LE(host.ClientRectOf(FilePanes[0].list).right, client.right - 25);

  host.Command(ID_LAYOUT_STACKED);
  RECT first = host.ClientRectOf(FilePanes[0].tree);
  POINT between = {client.right / 2, first.bottom + 1};
  EXPECT_EQ(SplitterModeAt(host.window, between, nullptr), 2);
  Drag(host.window, between, {between.x, -40});
  EXPECT_GE(host.ClientRectOf(FilePanes[0].titlebar).top, 0);
  EXPECT_GT(g_paneLayout.ratio, 0.0f);
  EXPECT_GE(Height(host.ClientRectOf(FilePanes[0].tree)), 0);
}

TEST(FrameWindow, TitleBarClicksAndMenu) {
  MainWindowHost host(true);
  host.Command(ID_LAYOUT_SIDE_BY_SIDE);
  ActivePaneIndex = 0;
  HWND title1 = FilePanes[1].titlebar;
  SendMessageA(title1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PumpPending();
  EXPECT_EQ(ActivePaneIndex, 1) << "a click on the inactive pane's bar makes it active";
  {
    jqtest::SeamRecorder rec;
    rec.menuAnswers = {ID_VIEW_SWAP_PANES};
    HWND tree0 = FilePanes[0].tree;
    SendMessageA(title1, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpPending();
    ASSERT_EQ(rec.menusShown.size(), 1u);
    EXPECT_EQ(rec.menusShown[0], 5u) << "three layouts, a separator and swap";
    EXPECT_EQ(FilePanes[1].tree, tree0) << "swap chosen from the menu";
  }
  SendMessageA(FilePanes[0].titlebar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  PumpPending();
  EXPECT_EQ(g_paneLayout.twoPanes, 0u) << "a double click returns to one pane";
}

TEST(CommandTable, EveryRowReachesItsHandler) {
  struct { UINT id; const char* name; } rows[] = {
      {ID_HELP_ABOUT, "ShowAboutBox"}, {ID_VIEW_LARGE_ICONS, "SetViewMode"}, {ID_VIEW_DETAILS, "SetViewMode"},
      {ID_FILE_DELETE, "DeleteSelection"}, {ID_TOOLS_SHELL_EXT_1, "RunShellExtTool"}, {ID_TOOLS_SHELL_EXT_4, "RunShellExtTool"},
      {ID_TOOLS_SHELL_EXT_9, "RunShellExtTool"}, {ID_VIEW_REBUILD_TREES, "RebuildFolderTrees"}, {ID_FILE_RECYCLE, "RecycleSelection"},
      {ID_HELP_CONTENTS, "ShowHelpTopic"}, {ID_HELP_TOPIC_125, "ShowHelpTopic"}, {ID_WINDOW_NEW, "OpenNewWindow"},
      {ID_WINDOW_NEW_4, "OpenNewWindow"}, {ID_WINDOW_TILE_VERTICALLY, "ArrangeProgramWindows"}, {ID_GO_UP, "GoUpOneLevel"},
      {ID_TREE_EXPAND_LEVEL, "RunFolderTreeCommand"}, {ID_TREE_COLLAPSE_DRIVE, "RunFolderTreeCommand"},
      {ID_FILE_EXIT, "CloseMainWindow"}, {ID_LAYOUT_SINGLE, "SetPaneLayoutCommand"}, {ID_LAYOUT_SIDE_BY_SIDE, "SetPaneLayoutCommand"},
      {ID_GO_BACK, "GoBackOrForward"}, {48409, "GoBackOrForward"}, {ID_SORT_BY_NAME, "ArrangeItems"},
      {ID_SORT_BY_ATTRIBUTES, "ArrangeItems"}, {ID_EDIT_COPY_PATHS, "CopyNamesAsText"}, {ID_EDIT_COPY_NAMES, "CopyNamesAsText"},
      {ID_VIEWER_FLOATING, "SetViewerPlacement"}, {ID_VIEWER_DETACHED_ON_TOP, "SetViewerPlacement"}, {ID_FTP_1, "RunFtpSiteCommand"},
      {ID_FTP_9, "RunFtpSiteCommand"}, {41200, "OpenDriveFromBar"}, {41225, "OpenDriveFromBar"},
      {44000, "CreateShellNewItem"}, {44500, "CreateShellNewItem"}, {ID_VIEW_SWAP_PANES, "SwapPanes"},
      {47999, "OpenToolbarFavorite"}, {48000, "OpenDriveFromBar"}, {48075, "OpenDriveFromBar"},
      {48500, "RunLaunchButton"}, {49000, "OpenFavoritesMenuItem"}, {ID_HELP_WEB_PAGE_3, "OpenWebPage"},
  };
  for (const auto& r : rows) {
    const CommandRoute* route = FindCommandRoute(r.id);
    ASSERT_TRUE(route) << r.id;
    EXPECT_STREQ(route->name, r.name) << r.id;
  }
  for (UINT id : {40010u, 40014u, 40145u, 40172u, 48001u, 48002u, 48078u, 41226u, 44501u, 1101u})
    EXPECT_FALSE(FindCommandRoute(id)) << id;
}

TEST(CommandTable, CommandsOfLaterAreasAreRefusedNotFaked) {
  MainWindowHost host;
  UINT before = RefusedCommandCount();
  host.Command(ID_VIEW_CUSTOMIZE_TOOLBAR);  // areas the program does not have yet
  host.Command(ID_FILE_CONTEXT_MENU);
  EXPECT_EQ(RefusedCommandCount(), before + 2);
  host.Command(40010);  // no row: default processing, no refusal
  host.Command(ID_LAYOUT_SIDE_BY_SIDE);
  EXPECT_EQ(RefusedCommandCount(), before + 2);
}

TEST(CommandTable, ExitWaitsForArchiveWork) {
  MainWindowHost host;
  ArchiveBusy = 1;
  host.Command(ID_FILE_EXIT);
  SendMessageA(host.window, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpPending();
  EXPECT_TRUE(IsWindow(host.window));
  ArchiveBusy = 0;
  host.Command(ID_FILE_EXIT);
  EXPECT_FALSE(IsWindow(host.window));
}

TEST(FrameWindow, SettingsAreSavedOnExitOnlyWhenAsked) {
  for (DWORD save : {1u, 0u}) {
    SCOPED_TRACE(save);
    MainWindowHost host;
    GetLiveOptions().saveOnExit = save;
    host.Command(ID_LAYOUT_SIDE_BY_SIDE);
    host.Close();
    BYTE record[600];
    DWORD size = sizeof record;
    EXPECT_EQ(ReadSettingBinary("File Panes Settings", record, &size) != 0, save == 1);
    size = sizeof record;
    EXPECT_EQ(ReadSettingBinary("Global Settings", record, &size) != 0, save == 1);
    DWORD value = 7;
    EXPECT_TRUE(ReadSettingDword("Replace MS Explorer", &value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ReadSettingDword("Save Settings On Exit", &value));
    EXPECT_EQ(value, save);
    if (save) {
      FilePanesSettings panes;
      ASSERT_TRUE(LoadPanesSettings(&panes));
      EXPECT_EQ(panes.twoPanes, 1u);
      EXPECT_EQ(panes.orientation, 0u);
    }
  }
}

TEST(StatusBar, FolderTotalsAndSelection) {
  jqtest::TempFolder folder;
  folder.WriteFile("a.txt", std::string(1500, 'a'));
  folder.WriteFile("b.txt", std::string(2500, 'b'));
  folder.MakeFolder("sub");
  MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  HWND list = FilePanes[0].list;
  ASSERT_TRUE(jqtest::PumpUntil([&] { return ListView_GetItemCount(list) >= 3; }));
  char expected[200], format[100], size[64];
  FormatSize(4000, size, sizeof size);
  snprintf(format, sizeof format, "%s", LoadText(IDS_TOTAL_COUNT_SIZE).c_str());
  snprintf(expected, sizeof expected, format, 3, size);
  EXPECT_EQ(host.StatusText(2), expected);
  EXPECT_NE(host.StatusText(0).find("C:"), std::string::npos) << host.StatusText(0);

  char title[600];
  GetWindowTextA(host.window, title, sizeof title);
  std::string wantTitle = std::string(g_title) + " -> " + folder.path() + "\\*.*";
  EXPECT_STREQ(title, wantTitle.c_str());

  // Two files selected: the count with their sum.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    char name[MAX_PATH] = "";
    ListView_GetItemText(list, i, 0, name, sizeof name);
    if (strstr(name, ".txt") || !strcmp(name, "a") || !strcmp(name, "b"))
      ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
  }
  UpdateStatusBar(g_frame.statusBar, list, FALSE);
  snprintf(format, sizeof format, "%s", LoadText(IDS_SELECTED_COUNT_SIZE).c_str());
  snprintf(expected, sizeof expected, format, 2, size);
  EXPECT_EQ(host.StatusText(1), expected);

  // One folder selected: the subfolder text with its date and time.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    char name[MAX_PATH] = "";
    ListView_GetItemText(list, i, 0, name, sizeof name);
    if (!strcmp(name, "sub")) ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
  }
  UpdateStatusBar(g_frame.statusBar, list, FALSE);
  EXPECT_EQ(host.StatusText(1).rfind(LoadText(IDS_SUBFOLDER) + ",  ", 0), 0u) << host.StatusText(1);
}

TEST(StatusBar, TitleAndShortenedFolderTexts) {
  char b[400];
  LoadProgramStrings(GetModuleHandleA(nullptr));
  FormatWindowTitle("C:\\x", FALSE, b, sizeof b);
  EXPECT_EQ(std::string(b), std::string(g_title) + " -> C:\\x");
  FormatWindowTitle("C:\\x", TRUE, b, sizeof b);
  EXPECT_EQ(std::string(b), std::string("C:\\x <- ") + g_title);
  ShortenFolderText("\\\\server\\share\\deep\\folder.name", b, sizeof b);
  EXPECT_STREQ(b, "\\\\...\\folder.name");
}

TEST(FrameWindow, SavedPlacementComesBackOnTheScreen) {
  struct { RECT saved; bool maximized; } cases[] = {
      {{120, 80, 820, 580}, false},
      {{5000, 3000, 5700, 3500}, false},  // saved on a monitor that is gone
      {{100, 100, 700, 500}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.saved.left);
    jqtest::TestRegistry registry;
    GlobalSettings global;
    DefaultGlobalSettings(&global);
    global.windowRect[0] = c.saved.left;
    global.windowRect[1] = c.saved.top;
    global.windowRect[2] = c.saved.right;
    global.windowRect[3] = c.saved.bottom;
    global.maximized = c.maximized;
    ASSERT_TRUE(SaveGlobalSettings(global));
    {
      // The host's own private registry would hide the record: use this one.
      frametest::QuietStartupQuestions();
      LoadProgramStrings(GetModuleHandleA(nullptr));
      RegisterMainWindowClass(g_instance);
      LoadStartupSettings("");
      HWND window = CreateWindowExA(0, g_className, g_title, WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                    nullptr, nullptr, g_instance, nullptr);
      g_mainWindow = window;
      ApplyStartupState(window, SW_SHOWNORMAL);
      MSG m;
      while (PeekMessageA(&m, window, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
      }
      EXPECT_EQ(IsZoomed(window) != 0, c.maximized);
      if (!c.maximized) {
        RECT r, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both;
        GetWindowRect(window, &r);
        EXPECT_TRUE(IntersectRect(&both, &r, &screen));
        EXPECT_EQ(r.right - r.left, 700);
        if (c.saved.left < 1000) EXPECT_EQ(r.left, c.saved.left);
      }
      GetLiveOptions().saveOnExit = 0;
      DestroyWindow(window);
      PumpPending();
      g_mainWindow = nullptr;
      memset(FilePanes, 0, sizeof FilePanes);
      g_frame = MainFrame{};
      g_paneLayout = {0, 1, 0.5f};
    }
  }
}

TEST(FrameWindow, KeyboardSchemesSwapMenuAndKeys) {
  MainWindowHost host;
  UINT savedNT = IsNT;
  for (UINT scheme : {1u, 2u, 0u}) {
    for (UINT nt : {1u, 0u}) {
      SCOPED_TRACE(testing::Message() << "scheme " << scheme << " nt " << nt);
      IsNT = nt;
      HACCEL before = g_accelerators;
      LoadKeyboardSchemeMenus(scheme);
      EXPECT_TRUE(g_accelerators);
      EXPECT_NE(g_accelerators, before);
      HMENU menu = GetMenu(host.window);
      ASSERT_TRUE(menu);
      bool startupDisk = GetMenuState(menu, ID_TOOLS_STARTUP_DISK, MF_BYCOMMAND) != static_cast<UINT>(-1);
      EXPECT_EQ(startupDisk, nt == 0) << "the start-up disk is a Windows 9x command";
      // The keys of the scheme: F5 copies in Commander, refreshes in the own scheme.
      ACCEL keys[80];
      int count = CopyAcceleratorTableA(g_accelerators, keys, 80);
      UINT f5 = 0;
      for (int i = 0; i < count; ++i)
        if (keys[i].key == VK_F5 && keys[i].fVirt == (FVIRTKEY | FNOINVERT)) f5 = keys[i].cmd;
      EXPECT_EQ(f5, scheme == 2 ? 40040u : 40044u);
    }
  }
  IsNT = savedNT;
}

TEST(FrameWindow, FolderListToggleUpOneLevelAndFocusCycle) {
  jqtest::TempFolder folder;
  folder.MakeFolder("inner");
  MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder / "inner"));
  HWND tree = FilePanes[0].tree;
  host.Command(ID_GO_UP);
  char path[MAX_PATH] = "";
  GetTreeSelectionPath(tree, path, FALSE, TRUE);
  EXPECT_STREQ(path, folder.path().c_str()) << "up one level selects the parent";

  RECT client;
  GetClientRect(host.window, &client);
  host.Command(ID_VIEW_FOLDER_LIST);
  EXPECT_FALSE(IsWindowVisible(tree));
  EXPECT_EQ(host.ClientRectOf(FilePanes[0].list).left, 0) << "the list takes the pane";
  host.Command(ID_VIEW_FOLDER_LIST);
  EXPECT_TRUE(IsWindowVisible(tree));
  EXPECT_GT(host.ClientRectOf(FilePanes[0].list).left, 30);

  host.Command(ID_LAYOUT_SIDE_BY_SIDE);
  ASSERT_TRUE(jqtest::BringToFront(host.window));
  SetFocus(FilePanes[0].tree);
  std::vector<HWND> order;
  for (int i = 0; i < 5; ++i) {
    host.Command(ID_VIEW_CYCLE_FOCUS);
    order.push_back(GetFocus());
  }
  std::vector<HWND> expected = {FilePanes[0].list, FilePanes[1].tree, FilePanes[1].list,
                                FilePanes[0].tree, FilePanes[0].list};
  EXPECT_EQ(order, expected);
}
