// Folder watching and pane refresh, driven through real trees and lists on real folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <string>
#include <vector>
#include "command_handlers.h"
#include "folder_watch.h"
#include "pane_refresh.h"
#include "pane_test_host.h"
#include "test_support.h"

namespace {

void Wait(DWORD ms) { jqtest::PumpUntil([] { return false; }, ms); }

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<std::string> ChildNames(HWND tree, HTREEITEM node) {
  std::vector<std::string> names;
  for (HTREEITEM child = TreeView_GetChild(tree, node); child; child = TreeView_GetNextSibling(tree, child)) {
    char text[MAX_PATH] = "";
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = child;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    names.push_back(text);
  }
  return names;
}

void Touch(const std::string& path, size_t bytes = 1) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  std::string data(bytes, 'x');
  DWORD written = 0;
  WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
}

class Watch : public ::testing::Test {
 protected:
  void SetUp() override {
    g_paneLayout.twoPanes = 1;
    GetLiveOptions().showUpEntry = 0;
  }
  void TearDown() override { g_paneLayout.twoPanes = 0; }
  // The pane's list refreshes counted from now.
  UINT Refreshes(int pane) const { return g_paneRefreshCount[pane] - base_[pane]; }
  void ResetCount() {
    base_[0] = g_paneRefreshCount[0];
    base_[1] = g_paneRefreshCount[1];
  }

  jqtest::TempFolder temp;
  panetest::PaneHost host;
  UINT base_[2] = {0, 0};
};

TEST_F(Watch, BurstOfChangesRefreshesOncePerQuietPeriod) {
  std::string folder = temp.MakeFolder("burst");
  temp.WriteFile("burst\\first.txt", "1");
  ASSERT_TRUE(host.Browse(folder));
  Wait(300);
  ResetCount();
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 10; ++i) {
      Touch(folder + "\\r" + std::to_string(round) + "_" + std::to_string(i) + ".txt");
      Wait(50);
    }
    EXPECT_EQ(Refreshes(0), static_cast<UINT>(round)) << "nothing before the burst settles";
    ASSERT_TRUE(jqtest::PumpUntil([&] { return Refreshes(0) == static_cast<UINT>(round + 1); }, 6000));
    Wait(2000);
    EXPECT_EQ(Refreshes(0), static_cast<UINT>(round + 1)) << "one refresh per quiet period";
    EXPECT_TRUE(Contains(host.Names(), "r" + std::to_string(round) + "_9.txt"));
  }
  EXPECT_EQ(host.Count(), 21);
  EXPECT_EQ(FilePanes[0].itemCount, 21u);
  EXPECT_EQ(Refreshes(1), 0u);
}

// Changes that keep coming faster than the quiet period hold the refresh back for as long as
// they last; it comes once, after them.
TEST_F(Watch, SteadyChangesRefreshOnlyOnceTheyStop) {
  std::string folder = temp.MakeFolder("steady");
  ASSERT_TRUE(host.Browse(folder));
  Wait(300);
  ResetCount();
  const DWORD start = GetTickCount();
  int made = 0;
  while (GetTickCount() - start < 2500) {
    Touch(folder + "\\s" + std::to_string(made++) + ".txt");
    Wait(200);
  }
  EXPECT_EQ(Refreshes(0), 0u) << "no refresh while a change comes every 200 ms";
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Refreshes(0) >= 1; }, 5000));
  Wait(2000);
  EXPECT_EQ(Refreshes(0), 1u) << "exactly one refresh after the changes";
  EXPECT_EQ(host.Count(), made);
}

TEST_F(Watch, ChangesWhileMutedArmNothing) {
  std::string folder = temp.MakeFolder("muted");
  ASSERT_TRUE(host.Browse(folder));
  Wait(300);
  ResetCount();
  MutePaneWatcher(0);
  MutePaneWatcher(0);  // mutes nest
  Touch(folder + "\\a.txt");
  Wait(1000);
  UnmutePaneWatcher(0);
  Touch(folder + "\\b.txt");
  Wait(1000);
  UnmutePaneWatcher(0);
  Wait(2000);
  EXPECT_EQ(Refreshes(0), 0u);
  Touch(folder + "\\c.txt");
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Refreshes(0) == 1; }, 5000)) << "unmuted, changes arm again";
  EXPECT_EQ(host.Count(), 3);
}

TEST_F(Watch, DeletedFolderEmptiesItsList) {
  std::string folder = temp.MakeFolder("doomed");
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) temp.WriteFile(std::string("doomed\\") + name, "x");
  GetLiveOptions().showUpEntry = 1;
  ASSERT_TRUE(host.Browse(folder));
  ASSERT_EQ(host.Count(), 4);  // with the up entry
  HTREEITEM before = TreeView_GetSelection(host.tree());
  HTREEITEM parent = TreeView_GetParent(host.tree(), before);
  ResetCount();
  ASSERT_TRUE(jqtest::RemoveTree(folder));
  // Whichever timer comes first: the list is emptied, or the tree drops the folder and the pane
  // shows its parent (here empty but for the up entry).
  EXPECT_TRUE(jqtest::PumpUntil([&] { return host.Count() == 0 || TreeView_GetSelection(host.tree()) == parent; }, 6000))
      << host.Count() << " " << ChildNames(host.tree(), TreeView_GetParent(host.tree(), TreeView_GetSelection(host.tree())))[0] << " " << TreeView_GetSelection(host.tree()) << " " << before << " " << parent << " refreshes " << Refreshes(0);
  jqtest::PumpUntil([&] { return FilePanes[0].itemCount == 0 && !Contains(host.Names(), "a.txt"); }, 5000);
  EXPECT_FALSE(Contains(host.Names(), "a.txt"));
  EXPECT_LE(host.Count(), 1);
  EXPECT_EQ(FilePanes[0].itemCount, 0u);
  // With the tree left alone, the list alone is emptied.
  std::string second = temp.MakeFolder("doomed2");
  temp.WriteFile("doomed2\\a.txt", "x");
  RefreshPaneTree(0, nullptr, FALSE);
  ASSERT_TRUE(host.Browse(second));
  ASSERT_EQ(host.Count(), 2);
  ASSERT_TRUE(jqtest::RemoveTree(second));
  RefreshPane(0);
  EXPECT_EQ(host.Count(), 0);
}

TEST_F(Watch, FoldersMadeOrRenamedOnDiskReachTheTree) {
  temp.MakeFolder("top\\alpha");
  temp.MakeFolder("top\\keep");
  std::string top = temp / "top";
  ASSERT_TRUE(host.Browse(top));
  HWND tree = host.tree();
  HTREEITEM node = TreeView_GetSelection(tree);
  ExpandFolderTreeItem(tree, node);
  TreeView_Expand(tree, node, TVE_EXPAND);
  ASSERT_TRUE(Contains(ChildNames(tree, node), "alpha"));
  // A folder made in the shown folder reaches its tree node through the watch.
  CreateDirectoryA((top + "\\beta").c_str(), nullptr);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Contains(ChildNames(tree, node), "beta"); }, 6000));
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Contains(host.Names(), "beta"); }, 6000));
  // A rename, then a refresh of the tree: the old node goes, the new one comes, the rest stays.
  StopPaneWatcher(0);
  ASSERT_TRUE(MoveFileA((top + "\\alpha").c_str(), (top + "\\gamma").c_str()));
  RefreshPaneTree(0, nullptr, TRUE);
  std::vector<std::string> names = ChildNames(tree, node);
  EXPECT_TRUE(Contains(names, "gamma"));
  EXPECT_FALSE(Contains(names, "alpha"));
  EXPECT_TRUE(Contains(names, "keep"));
  EXPECT_EQ(std::count(names.begin(), names.end(), "beta"), 1);
  EXPECT_EQ(TreeView_GetSelection(tree), node) << "the selection survives the refresh";
  EXPECT_TRUE(Contains(host.Names(), "gamma"));
  EXPECT_FALSE(Contains(host.Names(), "alpha"));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) < 0;
  }));
}

TEST_F(Watch, RefreshedTreeFollowsTheDriveFilter) {
  HWND tree = host.tree();
  HTREEITEM root = TreeView_GetRoot(tree);
  TreeView_Expand(tree, root, TVE_EXPAND);
  // My Computer: the child of the desktop that lists C:.
  HTREEITEM computer = nullptr;
  for (HTREEITEM node = TreeView_GetChild(tree, root); node && !computer; node = TreeView_GetNextSibling(tree, node)) {
    ExpandFolderTreeItem(tree, node);
    for (const std::string& name : ChildNames(tree, node))
      if (name.find("(C:)") != std::string::npos) computer = node;
  }
  ASSERT_NE(computer, nullptr);
  TreeView_Expand(tree, computer, TVE_EXPAND);
  auto hasDrive = [&](const char* drive) {
    for (const std::string& name : ChildNames(tree, computer))
      if (name.find(drive) != std::string::npos) return true;
    return false;
  };
  ASSERT_TRUE(hasDrive("(C:)"));
  EXPECT_FALSE(hasDrive("(Z:)"));
  uint32_t& mask = GetLiveOptions().driveFilters.driveMask;
  const uint32_t shown = mask;
  mask &= ~(1u << ('C' - 64));
  RefreshPaneTree(0, nullptr, FALSE);
  EXPECT_FALSE(hasDrive("(C:)"));
  mask = shown;
  RefreshPaneTree(0, nullptr, FALSE);
  EXPECT_TRUE(hasDrive("(C:)"));
  EXPECT_FALSE(hasDrive("(Z:)"));
}

TEST_F(Watch, RefreshUpdatesItemsInPlaceAndKeepsTheSelection) {
  std::string folder = temp.MakeFolder("inplace");
  temp.WriteFile("inplace\\grow.txt", "1");
  temp.WriteFile("inplace\\gone.txt", "1");
  temp.WriteFile("inplace\\note.doc", "1");
  ASSERT_TRUE(host.Browse(folder));
  StopPaneWatcher(0);
  HWND list = host.list();
  int index = -1;
  for (int i = 0; i < host.Count(); ++i)
    if (host.Text(i, 0) == "grow.txt") index = i;
  ASSERT_GE(index, 0);
  FileListItem* record = GetListItemRecord(list, index);
  ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  Touch(folder + "\\grow.txt", 5000);
  DeleteFileA((folder + "\\gone.txt").c_str());
  Touch(folder + "\\new.txt");
  RefreshPane(0);
  std::vector<std::string> names = host.Names();
  EXPECT_TRUE(Contains(names, "new.txt"));
  EXPECT_FALSE(Contains(names, "gone.txt"));
  int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  ASSERT_GE(selected, 0);
  EXPECT_EQ(GetListItemRecord(list, selected), record) << "the same item, updated in place";
  EXPECT_EQ(record->size, 5000u);
  EXPECT_EQ(FilePanes[0].itemCount, 3u);
  EXPECT_EQ(FilePanes[0].totalSize, 5002u);
  // The file filter holds for refreshes too.
  lstrcpyA(GetLiveOptions().fileFilter.patterns, "*.txt");
  RefreshPane(0);
  EXPECT_FALSE(Contains(host.Names(), "note.doc"));
  EXPECT_EQ(host.Count(), 2);
  DefaultFileFilter(&GetLiveOptions().fileFilter);
}

TEST_F(Watch, RefreshLeavesATreeWithoutSelectionAlone) {
  ASSERT_TRUE(host.Browse(temp.MakeFolder("unselected"), 1));
  TreeView_SelectItem(host.tree(1), nullptr);
  ASSERT_EQ(TreeView_GetSelection(host.tree(1)), nullptr);
  ActivePaneIndex = 0;
  ResetCount();
  RefreshPane(1);
  ResumePanePoller(1);
  Wait(2500);
  EXPECT_EQ(TreeView_GetSelection(host.tree(1)), nullptr) << "no folder chosen for the pane";
  EXPECT_EQ(ActivePaneIndex, 0);
  EXPECT_EQ(Refreshes(1), 0u);
  StopPanePoller(1);
}

TEST_F(Watch, PollerRefreshesOnAChangedCountWhileRunning) {
  std::string folder = temp.MakeFolder("polled");
  temp.WriteFile("polled\\one.txt", "1");
  ASSERT_TRUE(host.Browse(folder));
  StopPaneWatcher(0);
  ResumePanePoller(0);
  Touch(folder + "\\two.txt");
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Contains(host.Names(), "two.txt"); }, 8000));
  PausePanePoller(0);
  Wait(300);
  ResetCount();
  Touch(folder + "\\three.txt");
  Wait(4500);
  EXPECT_EQ(Refreshes(0), 0u) << "a paused poller polls nothing";
  ResumePanePoller(0);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Contains(host.Names(), "three.txt"); }, 8000));
  StopPanePoller(0);
}

// A poller stuck inside its listing (a folder that hangs) is left behind when stopped, not
// killed with the enumeration lock in its hands: the program goes on, a new poller works, and
// the old thread ends by itself once its listing returns.
HANDLE g_listingHeld = nullptr;
std::atomic<DWORD> g_stuckPoller{0};
void HoldFirstListing() {
  DWORD none = 0;
  if (g_stuckPoller.compare_exchange_strong(none, GetCurrentThreadId())) WaitForSingleObject(g_listingHeld, 60000);
}

TEST_F(Watch, StuckPollerIsLeftBehindAndANewOneWorks) {
  std::string folder = temp.MakeFolder("hung");
  temp.WriteFile("hung\\one.txt", "1");
  ASSERT_TRUE(host.Browse(folder));
  StopPaneWatcher(0);
  g_listingHeld = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_stuckPoller = 0;
  g_pollListingHook = HoldFirstListing;
  ResumePanePoller(0);
  ASSERT_TRUE(jqtest::PumpUntil([] { return g_stuckPoller.load() != 0; }, 8000));
  HANDLE old = OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, g_stuckPoller.load());
  ASSERT_TRUE(old);
  const DWORD start = GetTickCount();
  StopPanePoller(0);
  EXPECT_LT(GetTickCount() - start, 7000u) << "stopping keeps its bound";
  EXPECT_EQ(WaitForSingleObject(old, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "left running, not killed";
  // A new poller lists the folder while the old one is still stuck.
  Touch(folder + "\\two.txt");
  ResumePanePoller(0);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Contains(host.Names(), "two.txt"); }, 8000));
  EXPECT_EQ(WaitForSingleObject(old, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  StopPanePoller(0);
  // Released, the old thread finishes its listing and ends.
  SetEvent(g_listingHeld);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return WaitForSingleObject(old, 0) == WAIT_OBJECT_0; }, 5000));
  g_pollListingHook = nullptr;
  CloseHandle(old);
  CloseHandle(g_listingHeld);
  g_listingHeld = nullptr;
}

TEST_F(Watch, WatchersFollowTheirPaneAcrossASwap) {
  std::string left = temp.MakeFolder("left"), right = temp.MakeFolder("right");
  ASSERT_TRUE(host.Browse(left, 0));
  ASSERT_TRUE(host.Browse(right, 1));
  Wait(300);
  SwapPaneRecords();
  ResetCount();
  Touch(right + "\\moved.txt");
  EXPECT_TRUE(jqtest::PumpUntil([&] { return Refreshes(0) == 1; }, 6000)) << "the pane that shows the folder now";
  Wait(1000);
  EXPECT_EQ(Refreshes(1), 0u);
  EXPECT_TRUE(Contains(host.Names(0), "moved.txt"));
  SwapPaneRecords();
}

// Two requests that arrive while a tree refresh runs are folded into one more refresh.
UINT g_refreshCommands = 0;
WNDPROC g_hostProc = nullptr;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == 40044) {
    ++g_refreshCommands;
    return RefreshView(window, message, wParam, lParam);
  }
  return CallWindowProcA(g_hostProc, window, message, wParam, lParam);
}

TEST_F(Watch, RefreshRequestsWhileOneRunsFoldIntoOneMore) {
  temp.MakeFolder("fold\\sub");
  ASSERT_TRUE(host.Browse(temp / "fold"));
  StopPaneWatcher(0);
  g_paneLayout.twoPanes = 0;
  g_hostProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
  g_refreshCommands = 0;
  static int probes;
  probes = 0;
  g_treeRefreshProbe = [](int pane) {
    if (probes++ == 0) {
      RefreshPaneTree(pane, nullptr, TRUE);
      RefreshPaneTree(pane, nullptr, FALSE);
    }
  };
  ResetCount();
  RefreshPaneTree(0, nullptr, TRUE);
  EXPECT_EQ(Refreshes(0), 1u) << "the requests made while it ran did not run inside it";
  jqtest::PumpUntil([] { return g_refreshCommands >= 1 && probes >= 2; }, 5000);
  Wait(500);  // and nothing more after it
  g_treeRefreshProbe = nullptr;
  SetWindowLongPtrA(host.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_hostProc));
  EXPECT_EQ(g_refreshCommands, 1u);
  EXPECT_EQ(probes, 2) << "exactly one more tree refresh";
  EXPECT_EQ(Refreshes(0), 2u);
}

TEST_F(Watch, FavoritesChangesMarkTheMenuStale) {
  std::string favorites = temp.MakeFolder("Favorites");
  static std::string source;
  source = favorites;
  g_favoritesFolderSource = [](char* path) -> BOOL {
    lstrcpynA(path, source.c_str(), MAX_PATH);
    return TRUE;
  };
  StartStartMenuWatcher();
  g_favoritesStale = 0;
  temp.WriteFile("Favorites\\site.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n");
  EXPECT_TRUE(jqtest::PumpUntil([] { return g_favoritesStale.load() == 1; }, 5000));
  StopStartMenuWatcher();
  g_favoritesFolderSource = nullptr;
  // Without a Favorites folder nothing is watched.
  StartStartMenuWatcher();
  g_favoritesStale = 0;
  temp.WriteFile("Favorites\\other.url", "[InternetShortcut]\r\nURL=http://example.org/\r\n");
  Wait(1500);
  EXPECT_EQ(g_favoritesStale.load(), 0u);
}

TEST(WatchRoots, RootOfAWatchedPath) {
  struct Case {
    const char *path, *root;
  };
  const Case cases[] = {
      {"C:\\Users\\me\\Documents", "C:\\"},
      {"D:\\", "D:\\"},
      {"\\\\server\\share\\dir\\deeper", "\\\\server\\share"},
      {"\\\\server\\share", "\\\\server\\share"},
  };
  for (const Case& c : cases) {
    char root[MAX_PATH];
    WatchedRootOf(c.path, root);
    EXPECT_STREQ(root, c.root) << c.path;
  }
}

TEST(WatchRoots, HostRootDriveIsRecognised) {
  // Z: is Wine's view of the host's root; C: is the prefix's own drive.
  EXPECT_FALSE(IsHostRootDrive("C:\\"));
  EXPECT_FALSE(IsHostRootDrive(""));
  if (GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name") &&
      GetDriveTypeA("Z:\\") != DRIVE_NO_ROOT_DIR)
    EXPECT_TRUE(IsHostRootDrive("Z:\\"));
}

}  // namespace
