// The scan engine against an oracle over generated trees: sums, disk usage, completeness,
// vanished and unreadable folders, links, stop and restart, overlapping scans.
#include "scan_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "engine_test_support.h"
#include "settings_store.h"
#include "test_support.h"

using namespace vtest;

TEST(ScanHelpers, RoundUpToClusterTable) {
  struct Case { uint64_t size; uint32_t cluster; uint64_t expected; } cases[] = {
      {0, 4096, 0},       {1, 4096, 4096},          {4096, 4096, 4096},
      {4097, 4096, 8192}, {5000, 4096, 8192},       {5000, 0, 0},
      {5ull << 30, 4096, 5ull << 30}, {(5ull << 30) + 1, 4096, (5ull << 30) + 4096},
      {0xFFFFFFFFull, 512, 0x100000000ull},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RoundUpToCluster(c.size, c.cluster), c.expected) << c.size << " / " << c.cluster;
}

TEST(ScanHelpers, CutToParentPathTable) {
  struct Case { const char* in; int result; const char* out; } cases[] = {
      {"C:\\abc", 1, "C:\\"}, {"C:\\a\\b", 1, "C:\\a"}, {"C:\\", 0, "C:\\"},
      {"C:", 0, "C:"},        {"C:\\a\\b\\c.txt", 1, "C:\\a\\b"}, {"C:\\a", 1, "C:\\"},
  };
  for (const Case& c : cases) {
    char path[64];
    lstrcpynA(path, c.in, sizeof path);
    EXPECT_EQ(CutToParentPath(path), c.result) << c.in;
    EXPECT_STREQ(path, c.out) << c.in;
  }
}

namespace {

// A tree with files of many sizes (0, one byte, exactly a cluster, above it), empty folders,
// a deep chain and a 5 GiB sparse file when the file system allows one.
struct GeneratedTree {
  jqtest::TempFolder temp;
  bool sparse = false;
  GeneratedTree() {
    const uint64_t sizes[] = {0, 1, 4095, 4096, 4097, 5000, 70000};
    for (int a = 0; a < 4; ++a) {
      for (int b = 0; b < 3; ++b) {
        std::string folder = "a" + std::to_string(a) + "\\b" + std::to_string(b);
        temp.MakeFolder(folder);
        for (int f = 0; f < (a + b) % 4; ++f)
          WriteFileOfSize(temp / (folder + "\\f" + std::to_string(f)), sizes[(a * 3 + b + f) % 7]);
      }
      temp.MakeFolder("a" + std::to_string(a) + "\\empty");
    }
    std::string deep;
    for (int d = 0; d < 60; ++d) deep += (d ? "\\dd" : "dd");
    temp.MakeFolder(deep);
    WriteFileOfSize(temp / (deep + "\\bottom.txt"), 123);
    WriteFileOfSize(temp / "top.bin", 5000);
    sparse = MakeSparseFile(temp / "a1\\big.bin", 5ull << 30);
    // A folder whose name the ANSI code page cannot hold (Thai under a Chinese locale).
    std::string base = temp.path();
    std::wstring thai = std::wstring(base.begin(), base.end()) + L"\\\x0E20\x0E32\x0E29\x0E32";
    CreateDirectoryW(thai.c_str(), nullptr);
    HANDLE h = CreateFileW((thai + L"\\f.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE) {
      WriteFile(h, "0123456789", 10, &written, nullptr);
      CloseHandle(h);
    }
  }
};

}  // namespace

TEST(ScanEngine, SumsMatchOracleOverGeneratedTree) {
  DriveNode* drive = EngineDrive();
  ASSERT_NE(drive, nullptr);
  GeneratedTree tree;
  EXPECT_TRUE(tree.sparse) << "a 5 GiB sparse file could not be made";
  FolderNode* top = NodeFor(tree.temp.path());
  ASSERT_NE(top, nullptr);
  uint64_t driveBefore = TotalSize(drive);

  ASSERT_TRUE(ScanAndWait(top, 1));
  OracleSums oracle = Oracle(tree.temp.path(), drive->clusterSize);
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  if (tree.sparse) {
    EXPECT_GE(TotalSize(top), 5ull << 30);
  }
  EXPECT_TRUE(IsComplete(top));
  EXPECT_EQ(CheckInvariants(top), "");
  EXPECT_EQ(oracle.folders, 4u * 5u + 60u + 1u);
  // The difference reached the drive (the chain above was not scanned, so it held nothing).
  EXPECT_EQ(TotalSize(drive) - driveBefore, oracle.size);

  FolderNode* a1 = FindNodeByPath((tree.temp / "a1").c_str());
  ASSERT_NE(a1, nullptr);
  EXPECT_EQ(TotalSize(a1), Oracle(tree.temp / "a1", drive->clusterSize).size);
  FolderNode* empty = FindNodeByPath((tree.temp / "a0\\empty").c_str());
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->filesSize, 0u);
  EXPECT_EQ(empty->filesAllocated, drive->clusterSize);  // the folder's own cluster
  EXPECT_TRUE(IsComplete(empty));

  // A second full scan changes nothing and counts completeness once.
  ASSERT_TRUE(ScanAndWait(top, 1));
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  EXPECT_EQ(CheckInvariants(top), "");
  EXPECT_EQ(TotalSize(drive) - driveBefore, oracle.size);
  RemoveFolderNode(top);
  EXPECT_EQ(TotalSize(drive), driveBefore);
}

TEST(ScanEngine, FiveThousandBytesTakeTwoClusters) {
  DriveNode* drive = EngineDrive();
  jqtest::TempFolder temp;
  WriteFileOfSize(temp / "sub\\f.bin", 5000);
  FolderNode* top = NodeFor(temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1));
  FolderNode* sub = FindNodeByPath((temp / "sub").c_str());
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->filesSize, 5000u);
  EXPECT_EQ(sub->filesAllocated, drive->clusterSize + 8192u);
  EXPECT_EQ(top->completeSubfolders, 1u);
  RemoveFolderNode(top);
}

TEST(ScanEngine, RescanAfterChangesOnDiskKeepsSumsRight) {
  DriveNode* drive = EngineDrive();
  GeneratedTree tree;
  FolderNode* top = NodeFor(tree.temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1));
  uint64_t driveWith = TotalSize(drive);
  // Remove one folder, add another deeper one, grow a file; a re-scan from the top (recurse)
  // must find all three and keep the ancestors right.
  ASSERT_TRUE(jqtest::RemoveTree(tree.temp / "a2"));
  WriteFileOfSize(tree.temp / "a3\\b2\\new\\n.bin", 9000);
  WriteFileOfSize(tree.temp / "top.bin", 20000);
  FolderNode* gone = FindNodeByPath((tree.temp / "a2").c_str());
  ASSERT_NE(gone, nullptr);
  uint64_t goneSize = TotalSize(gone);
  ASSERT_TRUE(ScanAndWait(top, 1));
  EXPECT_FALSE(IsFolderNode(gone));  // retired: its item goes, the scan went on
  EXPECT_NE(FindNodeByPath((tree.temp / "a3\\b2\\new").c_str()), nullptr);
  OracleSums oracle = Oracle(tree.temp.path(), drive->clusterSize);
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  EXPECT_EQ(CheckInvariants(top), "");
  EXPECT_EQ(TotalSize(drive), driveWith - goneSize + 9000 + 15000);
  RemoveFolderNode(top);
}

TEST(ScanEngine, UnreadableFolderKeepsItsNodeAndStaysUnfinished) {
  DriveNode* drive = EngineDrive();
  jqtest::TempFolder temp;
  WriteFileOfSize(temp / "open\\a.bin", 100);
  WriteFileOfSize(temp / "locked\\secret.bin", 7000);
  WriteFileOfSize(temp / "locked\\inner\\x.bin", 10);
  FolderNode* top = NodeFor(temp.path());
  std::string locked = temp / "locked\\";
  // Running as root under Wine no folder is unreadable, so the listing is refused through the
  // engine's seam, with the error an access check gives.
  SetFolderListingSeam([&](const std::wstring& path) -> DWORD {
    char narrow[MAX_PATH];
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrow, MAX_PATH, nullptr, nullptr);
    return lstrcmpiA(narrow, locked.c_str()) == 0 ? ERROR_ACCESS_DENIED : 0;
  });
  ASSERT_TRUE(ScanAndWait(top, 1));
  FolderNode* lockedNode = FindNodeByPath((temp / "locked").c_str());
  ASSERT_TRUE(IsFolderNode(lockedNode)) << "an unreadable folder must not be deleted";
  EXPECT_FALSE(lockedNode->flags & kNodeFilesListed);
  EXPECT_FALSE(IsComplete(top));
  EXPECT_EQ(TotalSize(top), Oracle(temp.path(), drive->clusterSize, {locked}).size);
  EXPECT_EQ(CheckInvariants(top), "");

  SetFolderListingSeam(nullptr);
  ASSERT_TRUE(ScanAndWait(top, 1));
  OracleSums oracle = Oracle(temp.path(), drive->clusterSize);
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  EXPECT_TRUE(IsComplete(top));
  EXPECT_EQ(CheckInvariants(top), "");
  RemoveFolderNode(top);
}

TEST(ScanEngine, LinksToFoldersAreNotWalked) {
  DriveNode* drive = EngineDrive();
  jqtest::TempFolder temp;
  WriteFileOfSize(temp / "real\\data.bin", 50000);
  temp.MakeFolder("holder");
  std::string linkPath = temp / "holder\\loop";
  ASSERT_TRUE(MakeFolderLink(linkPath, temp.path()))
      << "no folder link could be made (CreateSymbolicLinkW nor the host's ln)";
  DWORD attributes = GetFileAttributesA(linkPath.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT) << std::hex << attributes;
  FolderNode* top = NodeFor(temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1, 20000)) << "a link loop was walked";
  EXPECT_EQ(FindNodeByPath((temp / "holder\\loop").c_str()), nullptr);
  EXPECT_EQ(TotalSize(top), 50000u);
  EXPECT_EQ(TotalAllocated(top), Oracle(temp.path(), drive->clusterSize).allocated);
  RemoveLink(linkPath);
  RemoveFolderNode(top);
}

namespace {
struct WideTree {
  jqtest::TempFolder temp;
  WideTree(int folders, int filesEach) {
    for (int i = 0; i < folders; ++i) {
      std::string f = "w" + std::to_string(i % 10) + "\\x" + std::to_string(i);
      temp.MakeFolder(f);
      for (int j = 0; j < filesEach; ++j)
        WriteFileOfSize(temp / (f + "\\" + std::to_string(j)), 100 * (j + 1) + i);
    }
  }
};
}  // namespace

TEST(ScanEngine, StopAndRestartEndsCleanlyAndAFinalScanIsExact) {
  DriveNode* drive = EngineDrive();
  WideTree tree(200, 3);
  FolderNode* top = NodeFor(tree.temp.path());
  for (int round = 0; round < 15; ++round) {
    ASSERT_TRUE(StartScanThread(ScanFolderThread, top));
    // Stop at varying points, sometimes before the scan has even marked the drive busy.
    jqtest::PumpUntil([&] { return IsDriveBusy(drive); }, round * 3);
    StopDriveScan(top);
  }
  ASSERT_TRUE(jqtest::PumpUntil([] { return RunningScanCount() == 0 && !ScanThreadCount(); },
                                20000))
      << "scans did not end after being stopped (deadlock?)";
  StopDriveScan(top);  // whatever the last one left running shows as idle
  MarkSubtreeIdle(top);
  for (FolderNode* n = top->firstChild; n; n = n->nextSibling)
    EXPECT_NE(n->calcState.load(), kCalcRunning);
  ASSERT_TRUE(ScanAndWait(top, 1));
  OracleSums oracle = Oracle(tree.temp.path(), drive->clusterSize);
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  EXPECT_TRUE(IsComplete(top));
  EXPECT_EQ(CheckInvariants(top), "");
  RemoveFolderNode(top);
}

TEST(ScanEngine, OverlappingScansAndCorrectionsNeitherDeadlockNorDrift) {
  DriveNode* drive = EngineDrive();
  WideTree tree(60, 2);
  FolderNode* top = NodeFor(tree.temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1));
  FolderNode* w3 = FindNodeByPath((tree.temp / "w3").c_str());
  FolderNode* x13 = FindNodeByPath((tree.temp / "w3\\x13").c_str());
  ASSERT_TRUE(w3 && x13);
  // A parent and its child scanned recursively at once, while corrections run up the same
  // chain: the old lock order (parent, then child) deadlocked here.
  std::atomic<bool> stop{false};
  std::thread corrector([&] {
    while (!stop) {
      ApplyFileSizeChange(x13, 0, 4096, +1);
      ApplyFileSizeChange(x13, 4096, 0, -1);
    }
  });
  std::atomic<int> done{0};
  std::thread a([&] { for (int i = 0; i < 20; ++i) RunScanQueue(top, 1, nullptr); ++done; });
  std::thread b([&] { for (int i = 0; i < 40; ++i) RunScanQueue(w3, 1, nullptr); ++done; });
  std::thread c([&] { for (int i = 0; i < 60; ++i) RunScanQueue(x13, 1, nullptr); ++done; });
  bool finished = jqtest::PumpUntil([&] { return done == 3; }, 60000);
  stop = true;
  corrector.join();
  if (!finished) {
    ADD_FAILURE() << "overlapping scans did not finish: deadlock";
    a.detach(), b.detach(), c.detach();
    return;
  }
  a.join(), b.join(), c.join();
  // The corrections did not match the disk, but every level must agree with the one below it,
  // and a last scan must bring back the exact numbers.
  EXPECT_EQ(CheckInvariants(top), "");
  ASSERT_TRUE(ScanAndWait(top, 1));
  OracleSums oracle = Oracle(tree.temp.path(), drive->clusterSize);
  EXPECT_EQ(TotalSize(top), oracle.size);
  EXPECT_EQ(TotalAllocated(top), oracle.allocated);
  EXPECT_EQ(CheckInvariants(top), "");
  RemoveFolderNode(top);
}

namespace {
HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
DWORD WINAPI waiter(LPVOID p) {
  WaitForSingleObject(release, 10000);
  UnregisterScanThread(static_cast<ScanThreadEntry*>(p));
  return 0;
}
}  // namespace

TEST(ScanEngine, ThreadTableRefusesTheSixtyFifthThread) {
  ResetEvent(release);
  int base = ScanThreadCount(), started = 0;
  for (int i = base; i < kScanThreadSlots; ++i) started += StartScanThread(waiter, nullptr) != nullptr;
  EXPECT_EQ(started, kScanThreadSlots - base);
  EXPECT_EQ(StartScanThread(waiter, nullptr), nullptr);
  SetEvent(release);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return ScanThreadCount() == base; }, 10000));
}

TEST(ScanEngine, InvalidNodesAreIgnored) {
  FolderNode* retired = NewFolderNode();
  retired->magic = 0;
  EXPECT_FALSE(IsFolderNode(nullptr));
  EXPECT_FALSE(IsFolderNode(retired));
  EXPECT_EQ(RunScanQueue(retired, 1, nullptr), 0);
  EXPECT_EQ(ScanNodeOnce(nullptr), 0);
  PropagateSizes(retired, 5, 5);
  ResetCompletion(retired);
  EXPECT_FALSE(RemoveFolderNode(retired));
  delete retired;
}

TEST(ScanEngine, ExitWithAScanRunningStopsItPromptly) {
  EngineDrive();
  WideTree tree(300, 2);
  FolderNode* top = NodeFor(tree.temp.path());
  ASSERT_TRUE(StartScanThread(ScanFolderThread, top));
  ASSERT_TRUE(StartScanThread(ScanFolderThread, top));  // a second one waits for the drive
  DWORD start = GetTickCount();
  StopAllScanThreads();
  EXPECT_EQ(ScanThreadCount(), 0);
  EXPECT_LT(GetTickCount() - start, 10000u) << "the threads were not asked to stop";
  EXPECT_EQ(RunningScanCount(), 0);
  MarkSubtreeIdle(top);
  EXPECT_EQ(CheckInvariants(top).find("completeSubfolders"), std::string::npos);
  RemoveFolderNode(top);
}

namespace {
std::vector<std::pair<UINT, FolderNode*>> viewLog;
LRESULT CALLBACK LoggingView(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m >= VM_NODEADDED && m <= VM_NODELABEL) {
    if (GetCurrentThreadId() != g_uiThreadId) ADD_FAILURE() << "view message off the GUI thread";
    viewLog.push_back({m, reinterpret_cast<FolderNode*>(wp)});
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(ScanEngine, ViewGetsEveryNewFolderInOrderBeforeTheScansEnd) {
  EngineDrive();
  WideTree tree(120, 1);
  FolderNode* top = NodeFor(tree.temp.path());
  WNDCLASSA wc{};
  wc.lpfnWndProc = LoggingView;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VoltalyLoggingView";
  RegisterClassA(&wc);
  HWND view = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
  viewLog.clear();
  SetNodeViewWindow(view);
  ASSERT_TRUE(ScanAndWait(top, 1));
  auto sawEnd = [&] {
    for (auto& [m, n] : viewLog)
      if (m == VM_SCANDONE && n == top) return true;
    return false;
  };
  EXPECT_TRUE(jqtest::PumpUntil(sawEnd, 5000));
  auto sawRepaint = [&] {
    for (auto& [m, n] : viewLog)
      if (m == VM_NODESCHANGED) return true;
    return false;
  };
  EXPECT_TRUE(jqtest::PumpUntil(sawRepaint, 5000)) << "the paced repaint did not come";
  SetNodeViewWindow(nullptr);
  DestroyWindow(view);

  std::map<FolderNode*, size_t> addedAt;
  size_t endAt = 0, repaints = 0;
  for (size_t i = 0; i < viewLog.size(); ++i) {
    auto [m, n] = viewLog[i];
    if (m == VM_NODEADDED) {
      EXPECT_TRUE(addedAt.emplace(n, i).second) << "added twice";
    }
    if (m == VM_SCANDONE && n == top) endAt = i;
    if (m == VM_NODESCHANGED) ++repaints;
  }
  EXPECT_EQ(addedAt.size(), 120u + 10u);
  EXPECT_GE(repaints, 1u);
  for (auto [node, at] : addedAt) {
    EXPECT_LT(at, endAt);
    auto parent = addedAt.find(node->parent);
    if (parent != addedAt.end()) {
      EXPECT_LT(parent->second, at) << "a child before its parent";
    }
  }
  RemoveFolderNode(top);
}

TEST(ScanEngine, RescanWithdrawsCompletenessUpTheChainAndRestoresIt) {
  DriveNode* drive = EngineDrive();
  WideTree tree(20, 1);
  FolderNode* top = NodeFor(tree.temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1));
  FolderNode* w3 = FindNodeByPath((tree.temp / "w3").c_str());
  FolderNode* x13 = FindNodeByPath((tree.temp / "w3\\x13").c_str());
  ASSERT_TRUE(w3 && x13 && IsComplete(top) && IsComplete(w3));
  uint64_t before = top->completeSubfolders;
  ResetCompletion(x13);
  EXPECT_FALSE(IsComplete(x13));
  EXPECT_FALSE(IsComplete(w3));
  EXPECT_FALSE(IsComplete(top));
  EXPECT_EQ(top->completeSubfolders, before - 1) << "withdrawn once, not per ancestor pass";
  EXPECT_EQ(w3->calcState.load(), kCalcRunning);
  ResetCompletion(x13);  // twice changes nothing more
  EXPECT_EQ(top->completeSubfolders, before - 1);
  ASSERT_TRUE(ScanAndWait(x13, 1));
  EXPECT_TRUE(IsComplete(x13));
  EXPECT_TRUE(IsComplete(w3));
  EXPECT_TRUE(IsComplete(top));
  EXPECT_EQ(top->completeSubfolders, before);
  EXPECT_EQ(CheckInvariants(top), "");
  EXPECT_EQ(TotalSize(top), Oracle(tree.temp.path(), drive->clusterSize).size);
  RemoveFolderNode(top);
}

TEST(ScanEngine, AFolderScanKeepsTheScanOptionItWasStartedWith) {
  DriveNode* drive = EngineDrive();
  ASSERT_NE(drive, nullptr);
  jqtest::TempFolder temp;
  ASSERT_TRUE(WriteFileOfSize(temp / "sub\\old.bin", 1000));
  FolderNode* top = NodeFor(temp.path());
  ASSERT_TRUE(ScanAndWait(top, 1));
  // A file appears in a folder already listed: only a scan that lists every child again sees it.
  ASSERT_TRUE(WriteFileOfSize(temp / "sub\\new.bin", 70000));
  const uint8_t kept = g_settings.scanOption;
  g_settings.scanOption = 1;
  ASSERT_TRUE(StartScanThread(ScanFolderThread, top));
  g_settings.scanOption = 0;  // the Settings sheet assigns the option while the scan starts
  const uint64_t expected = Oracle(temp.path(), drive->clusterSize).size;
  EXPECT_TRUE(jqtest::PumpUntil([&] { return !IsDriveBusy(drive) && TotalSize(top) == expected; }, 10000))
      << "the scan went by the option changed after its start";
  EXPECT_TRUE(jqtest::PumpUntil([&] { return !IsDriveBusy(drive); }, 10000));
  g_settings.scanOption = kept;
  RemoveFolderNode(top);
}
