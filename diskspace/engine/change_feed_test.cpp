// The change feed keeps sums right: driver events (create, grow, delete, rename, move, pattern
// deletes, folder moves) and the change-notification watchers with their debounced re-scans.
#include "change_feed.h"

#include <gtest/gtest.h>

#include <map>

#include "drive_list.h"
#include "engine_test_support.h"
#include "scan_engine.h"
#include "settings_store.h"
#include "test_support.h"

using namespace vtest;

namespace {

ChangeEvent Event(uint32_t kind, uint32_t before, uint32_t after, const std::string& path,
                  const std::string& newPath = "") {
  ChangeEvent e{};
  e.event = kind;
  e.sizeBefore = before;
  e.sizeAfter = after;
  lstrcpynA(e.path, path.c_str(), sizeof e.path);
  lstrcpynA(e.newPath, newPath.c_str(), sizeof e.newPath);
  return e;
}

struct FeedFixture : ::testing::Test {
  DriveNode* drive = nullptr;
  jqtest::TempFolder temp;
  FolderNode* top = nullptr;
  void SetUp() override {
    drive = EngineDrive();
    ASSERT_NE(drive, nullptr);
    WriteFileOfSize(temp / "one\\keep.bin", 1000);
    WriteFileOfSize(temp / "two\\keep.bin", 2000);
    WriteFileOfSize(temp / "one\\deeper\\d.bin", 10);
    top = NodeFor(temp.path());
    ASSERT_TRUE(ScanAndWait(top, 1));
  }
  void TearDown() override {
    if (IsFolderNode(top)) RemoveFolderNode(top);
  }
  // The sums agree with the disk everywhere below the top.
  void ExpectExact(const char* step) {
    OracleSums oracle = Oracle(temp.path(), drive->clusterSize);
    EXPECT_EQ(TotalSize(top), oracle.size) << step;
    EXPECT_EQ(TotalAllocated(top), oracle.allocated) << step;
    EXPECT_EQ(CheckInvariants(top), "") << step;
    for (const char* sub : {"one", "two"}) {
      FolderNode* n = FindNodeByPath((temp / sub).c_str());
      if (!n) continue;
      OracleSums o = Oracle(temp / sub, drive->clusterSize);
      EXPECT_EQ(TotalSize(n), o.size) << step << " in " << sub;
    }
  }
};

}  // namespace

TEST_F(FeedFixture, DriverEventsKeepSumsRight) {
  FolderNode* one = FindNodeByPath((temp / "one").c_str());
  ASSERT_NE(one, nullptr);
  uint64_t filesBefore = one->fileCount;

  // Create: a 3000-byte file copied in adds one file, 3000 bytes and one cluster.
  uint64_t allocatedBefore = one->filesAllocated;
  WriteFileOfSize(temp / "one\\new.bin", 3000);
  ChangeEvent e = Event(kChangeSizeChanged, kNoSizeBefore, 3000, temp / "one\\new.bin");
  HandleChangeEvent(&e, sizeof e);
  EXPECT_EQ(one->fileCount, filesBefore + 1);
  EXPECT_EQ(one->filesAllocated, allocatedBefore + 4096);
  ExpectExact("create");

  // Grow.
  WriteFileOfSize(temp / "one\\new.bin", 9000);
  e = Event(kChangeSizeChanged, 3000, 9000, temp / "one\\new.bin");
  HandleChangeEvent(&e, sizeof e);
  ExpectExact("grow");

  // Rename in place changes nothing.
  ASSERT_TRUE(MoveFileA((temp / "one\\new.bin").c_str(), (temp / "one\\renamed.bin").c_str()));
  e = Event(kChangeRenamed, 9000, 9000, temp / "one\\new.bin", temp / "one\\renamed.bin");
  HandleChangeEvent(&e, sizeof e);
  ExpectExact("rename");

  // Move to another folder: the size moves from one parent to the other.
  ASSERT_TRUE(MoveFileA((temp / "one\\renamed.bin").c_str(), (temp / "two\\moved.bin").c_str()));
  e = Event(kChangeRenamed, 9000, 9000, temp / "one\\renamed.bin", temp / "two\\moved.bin");
  HandleChangeEvent(&e, sizeof e);
  EXPECT_EQ(one->fileCount, filesBefore);
  ExpectExact("move");

  // Delete.
  ASSERT_TRUE(DeleteFileA((temp / "two\\moved.bin").c_str()));
  e = Event(kChangeRemoved, 9000, 0, temp / "two\\moved.bin");
  HandleChangeEvent(&e, sizeof e);
  ExpectExact("delete");

  // Deleting by a pattern re-scans the folder instead of guessing.
  WriteFileOfSize(temp / "two\\a.tmp", 100);
  WriteFileOfSize(temp / "two\\b.tmp", 200);
  e = Event(kChangeSizeChanged, kNoSizeBefore, 100, temp / "two\\a.tmp");
  HandleChangeEvent(&e, sizeof e);
  e = Event(kChangeSizeChanged, kNoSizeBefore, 200, temp / "two\\b.tmp");
  HandleChangeEvent(&e, sizeof e);
  DeleteFileA((temp / "two\\a.tmp").c_str());
  DeleteFileA((temp / "two\\b.tmp").c_str());
  e = Event(kChangeRemoved, kNoSizeBefore, 0, temp / "two\\*.tmp");
  HandleChangeEvent(&e, sizeof e);
  ExpectExact("pattern delete");

  // A folder moved between parents: both parents are re-listed.
  ASSERT_TRUE(MoveFileA((temp / "one\\deeper").c_str(), (temp / "two\\deeper").c_str()));
  e = Event(kChangeRenamed, kNoSizeBefore, 0, temp / "one\\deeper", temp / "two\\deeper");
  HandleChangeEvent(&e, sizeof e);
  EXPECT_EQ(FindNodeByPath((temp / "one\\deeper").c_str()), nullptr);
  EXPECT_NE(FindNodeByPath((temp / "two\\deeper").c_str()), nullptr);
  ExpectExact("folder move");

  // A folder renamed in place: the node under the old name goes, the new name is counted.
  ASSERT_TRUE(MoveFileA((temp / "two\\deeper").c_str(), (temp / "two\\deep2").c_str()));
  e = Event(kChangeRenamed, kNoSizeBefore, 0, temp / "two\\deeper", temp / "two\\deep2");
  HandleChangeEvent(&e, sizeof e);
  EXPECT_NE(FindNodeByPath((temp / "two\\deep2").c_str()), nullptr);
  ExpectExact("folder rename");
}

TEST_F(FeedFixture, EventsOutsideTheTreeOrShortRecordsChangeNothing) {
  uint64_t before = TotalSize(top);
  ChangeEvent e = Event(kChangeSizeChanged, kNoSizeBefore, 5000, "C:\\nowhere\\at\\all.bin");
  HandleChangeEvent(&e, sizeof e);
  e = Event(kChangeSizeChanged, kNoSizeBefore, 5000, temp / "one\\x.bin");
  HandleChangeEvent(&e, 8);  // too short to hold a path
  e = Event(99, 0, 0, temp / "one\\x.bin");
  HandleChangeEvent(&e, sizeof e);
  EXPECT_EQ(TotalSize(top), before);
}

TEST(ChangeFeed, DriverOpenThatIsOnlyAFileIsNotTakenForTheDriver) {
  EngineDrive();
  g_isNT = FALSE;  // reach the Windows 9x branch: under Wine the open makes a plain file
  int started = StartChangeFeed();
  g_isNT = TRUE;
  EXPECT_EQ(started, 0);
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string vxd = module;
  vxd = vxd.substr(0, vxd.rfind('\\') + 1) + "VOLTMON.VXD";
  EXPECT_FALSE(jqtest::FileExists(vxd)) << "the stray file was left behind";
  StopChangeFeed();
}

namespace {

// Counts the view messages per node.
struct ViewRecorder {
  HWND window = nullptr;
  static std::map<std::pair<UINT, FolderNode*>, int>& Counts() {
    static std::map<std::pair<UINT, FolderNode*>, int> counts;
    return counts;
  }
  ViewRecorder() {
    Counts().clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VoltalyTestView";
    RegisterClassA(&wc);
    window = CreateWindowA("VoltalyTestView", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           wc.hInstance, nullptr);
    SetNodeViewWindow(window);
  }
  ~ViewRecorder() {
    SetNodeViewWindow(nullptr);
    DestroyWindow(window);
  }
  int Count(UINT m, FolderNode* n) { return Counts()[{m, n}]; }
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m >= VM_NODEADDED && m <= VM_NODELABEL) {
      ++Counts()[{m, reinterpret_cast<FolderNode*>(wp)}];
      if (m == VM_NODESCHANGED) AcknowledgeNodesChanged();
      return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
  }
};

struct WatchFixture : FeedFixture {
  void SetUp() override {
    FeedFixture::SetUp();
    g_changeNotification = TRUE;
  }
  void TearDown() override {
    StopChangeWatchers();
    jqtest::PumpUntil([] { return ScanThreadCount() == 0; }, 5000);
    g_changeNotification = FALSE;
    FeedFixture::TearDown();
  }
  bool PumpUntilExact() {
    return jqtest::PumpUntil(
        [&] {
          OracleSums o = Oracle(temp.path(), drive->clusterSize);
          return TotalSize(top) == o.size && TotalAllocated(top) == o.allocated;
        },
        6000);
  }
};

}  // namespace

TEST_F(WatchFixture, WatchedFolderAndParentFollowTheDisk) {
  FolderNode* one = FindNodeByPath((temp / "one").c_str());
  ASSERT_NE(one, nullptr);
  WatchSelectedFolder(one);  // watches "one" and its parent, the top

  WriteFileOfSize(temp / "one\\created.bin", 12345);
  EXPECT_TRUE(PumpUntilExact()) << "create";
  WriteFileOfSize(temp / "one\\created.bin", 99999);
  EXPECT_TRUE(PumpUntilExact()) << "grow";
  ASSERT_TRUE(MoveFileA((temp / "one\\created.bin").c_str(), (temp / "one\\r.bin").c_str()));
  EXPECT_TRUE(PumpUntilExact()) << "rename";
  ASSERT_TRUE(MoveFileA((temp / "one\\r.bin").c_str(), (temp / "moved.bin").c_str()));
  EXPECT_TRUE(PumpUntilExact()) << "move to the parent";
  ASSERT_TRUE(DeleteFileA((temp / "moved.bin").c_str()));
  EXPECT_TRUE(PumpUntilExact()) << "delete";
  EXPECT_EQ(CheckInvariants(top), "");
}

TEST_F(WatchFixture, QuickChangesEndInOneRescan) {
  FolderNode* two = FindNodeByPath((temp / "two").c_str());
  ASSERT_NE(two, nullptr);
  ViewRecorder view;
  WatchSelectedFolder(two);
  // The notification handles are open once the watcher is registered: changes from now on count.
  ASSERT_NE(g_changeWatchers[0].load(), nullptr);
  for (int i = 0; i < 3; ++i) WriteFileOfSize(temp / ("two\\q" + std::to_string(i)), 10 + i);
  EXPECT_TRUE(PumpUntilExact());
  EXPECT_TRUE(jqtest::PumpUntil([&] { return view.Count(VM_SCANDONE, two) >= 1; }, 6000));
  // A second re-scan would follow within the re-scan delay: waiting for it must time out.
  EXPECT_FALSE(jqtest::PumpUntil([&] { return view.Count(VM_SCANDONE, two) > 1; }, 1500))
      << "the quick changes ended in more than one re-scan";
}

TEST_F(WatchFixture, OnlyTheLastTwoSelectionsAreWatched) {
  temp.MakeFolder("three");
  FolderNode* three = NodeFor(temp / "three");
  FolderNode* one = FindNodeByPath((temp / "one").c_str());
  FolderNode* two = FindNodeByPath((temp / "two").c_str());
  WatchSelectedFolder(one);
  ScanThreadEntry* first = g_changeWatchers[0];
  WatchSelectedFolder(two);
  WatchSelectedFolder(three);
  EXPECT_NE(g_changeWatchers[0].load(), first);
  EXPECT_NE(g_changeWatchers[1].load(), first);
  EXPECT_TRUE(jqtest::PumpUntil([] { return ScanThreadCount() == 2; }, 4000));
  // The parent, dropped with the first watcher, is watched again by the newest one.
  EXPECT_TRUE(NodeListContains(&g_watchedFolders, top));
  EXPECT_TRUE(NodeListContains(&g_watchedFolders, three));
  EXPECT_FALSE(NodeListContains(&g_watchedFolders, one));
}

TEST(DriveList, StartFolderOnTheCommandLineIsMadeAndScanned) {
  DriveNode* drive = EngineDrive();
  jqtest::TempFolder temp;
  WriteFileOfSize(temp / "given\\sub\\f.bin", 4000);
  std::string given = temp / "given";
  char kept[MAX_PATH];
  lstrcpynA(kept, g_currentPath, MAX_PATH);
  lstrcpynA(g_currentPath, given.c_str(), MAX_PATH);
  ASSERT_EQ(EnumerateDriveNodes(), 1);
  lstrcpynA(g_currentPath, kept, MAX_PATH);
  FolderNode* node = FindNodeByPath(given.c_str());
  ASSERT_NE(node, nullptr) << "the nodes down to the folder were made";
  EXPECT_TRUE(jqtest::PumpUntil([&] { return IsComplete(node); }, 10000)) << "and it was scanned";
  EXPECT_EQ(TotalSize(node), 4000u);
  EXPECT_TRUE(jqtest::PumpUntil([] { return RunningScanCount() == 0; }, 5000));
  // Only the drive of the start folder is in the tree.
  int drives = 0;
  for (FolderNode* d = g_rootNode->firstChild; d; d = d->nextSibling) drives += IsDriveNode(d);
  EXPECT_EQ(drives, 1);
  EXPECT_EQ(FirstChildNode(g_rootNode), drive);
  // The chain's unscanned folders show numbers (calcState 1), the folder its own.
  EXPECT_EQ(node->parent->calcState.load(), kCalcIdle);
  RemoveFolderNode(node);
}
