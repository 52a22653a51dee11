// Voltaly's scan engine against a bare FindFirstFileEx walk of the same tree, in the same run:
//   voltaly_scan_bench.exe <folder> [rounds=3]
// The tree is made beforehand (run.sh). Prints "name: ours=... baseline=... ratio=..." lines,
// the memory per folder node, and engine_seconds=... for the driver script.
#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "drive_list.h"
#include "folder_node.h"
#include "item_ids.h"
#include "scan_engine.h"
#include "settings_store.h"

namespace {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

struct WalkResult {
  uint64_t files = 0, folders = 0, bytes = 0;
};

// The baseline: the plainest complete walk the system offers.
void BareWalk(const std::wstring& folder, WalkResult& r) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &fd,
                              FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      const wchar_t* n = fd.cFileName;
      if (n[0] == L'.' && (!n[1] || (n[1] == L'.' && !n[2]))) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      ++r.folders;
      BareWalk(folder + L"\\" + n, r);
    } else {
      ++r.files;
      r.bytes += (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    }
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

// CPU time of the whole process (all its threads), in seconds: a figure that the load of other
// programs on the machine does not change much, beside the wall-clock one.
double ProcessCpu() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto seconds = [](const FILETIME& f) {
    return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

std::atomic<long> nodesAdded{0};
std::atomic<bool> viewSawEnd{false};

LRESULT CALLBACK ViewProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  switch (m) {
    case VM_NODEADDED: nodesAdded += lp > 1 ? lp : 1; return 0;
    case VM_NODESCHANGED: AcknowledgeNodesChanged(); return 0;
    case VM_SCANDONE: viewSawEnd = true; return 0;
    case VM_NODEREMOVED: case VM_SCANSTATE: case VM_NODELABEL: return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

struct Job {
  FolderNode* node;
  std::atomic<bool> done{false};
};

DWORD WINAPI ScanJob(LPVOID p) {
  auto* entry = static_cast<ScanThreadEntry*>(p);
  auto* job = static_cast<Job*>(entry->data);
  RunScanQueue(job->node, 1, entry);
  job->done = true;
  UnregisterScanThread(entry);
  return 0;
}

// Until the scan ended and, with a view, the view has had every message up to the scan's end.
void PumpUntilDone(Job& job, bool withView) {
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    if (job.done && (!withView || viewSawEnd)) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

// Bytes in use on every heap of the process (the run-time library's allocations included).
uint64_t HeapBytesInUse() {
  HANDLE heaps[64];
  DWORD n = GetProcessHeaps(64, heaps);
  uint64_t total = 0;
  for (DWORD i = 0; i < n && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: voltaly_scan_bench <folder> [rounds]\n");
    return 2;
  }
  std::string folder = argv[1];
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  int rounds = argc > 2 ? atoi(argv[2]) : 3;
  if (rounds < 1) rounds = 1;
  OleInitialize(nullptr);
  InitScanEngine();
  InitItemIdServices();
  g_settings = DefaultVoltalineSettings();
  g_startFolderGiven = TRUE;
  lstrcpynA(g_currentPath, "C:\\", MAX_PATH);
  EnumerateDriveNodes();

  WNDCLASSA wc{};
  wc.lpfnWndProc = ViewProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "VoltalyBenchView";
  RegisterClassA(&wc);
  HWND view = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
  // The third argument: "noview" scans without a view window (no messages), to show what the
  // messages to the tree cost; "single" posts one message per new folder instead of one per
  // listing.
  const char* mode = argc > 3 ? argv[3] : "single";
  bool withView = strcmp(mode, "noview") != 0;
  if (withView) SetNodeViewWindow(view);
  SetNodeViewBatching(strcmp(mode, "single") != 0);
  printf("view messages: %s\n", mode);

  std::wstring wide(folder.begin(), folder.end());
  WalkResult walk;
  BareWalk(wide, walk);  // warms the caches for both
  std::vector<double> walkTimes, engineTimes, walkCpu, engineCpu;
  uint64_t engineBytes = 0, engineFolders = 0;
  double bytesPerNode = 0;
  for (int round = 0; round < rounds; ++round) {
    WalkResult w;
    double c0 = ProcessCpu();
    double t0 = Now();
    BareWalk(wide, w);
    walkTimes.push_back(Now() - t0);
    walkCpu.push_back(ProcessCpu() - c0);

    FolderNode* top = EnsureFolderNodeByPath(folder.c_str());
    if (!top) {
      fprintf(stderr, "no node for %s\n", folder.c_str());
      return 1;
    }
    uint64_t before = round == 0 ? HeapBytesInUse() : 0;
    nodesAdded = 0;
    viewSawEnd = false;
    Job job{top};
    c0 = ProcessCpu();
    t0 = Now();
    if (!StartScanThread(ScanJob, &job)) return 1;
    PumpUntilDone(job, withView);
    engineTimes.push_back(Now() - t0);
    engineCpu.push_back(ProcessCpu() - c0);
    NodeSums sums{};
    ReadNodeSums(top, &sums);
    engineBytes = sums.filesSize + sums.subfoldersSize;
    engineFolders = withView ? static_cast<uint64_t>(nodesAdded.load()) : walk.folders;
    if (round == 0 && engineFolders)
      bytesPerNode = static_cast<double>(HeapBytesInUse() - before) / engineFolders;
    RemoveFolderNode(top);  // the next round makes fresh nodes
  }
  double walkBest = *std::min_element(walkTimes.begin(), walkTimes.end());
  double engineBest = *std::min_element(engineTimes.begin(), engineTimes.end());
  printf("tree: %llu folders, %llu files, %llu bytes; engine saw %llu folders, %llu bytes (%s)\n",
         static_cast<unsigned long long>(walk.folders), static_cast<unsigned long long>(walk.files),
         static_cast<unsigned long long>(walk.bytes), static_cast<unsigned long long>(engineFolders),
         static_cast<unsigned long long>(engineBytes),
         engineBytes == walk.bytes && engineFolders == walk.folders ? "match" : "MISMATCH");
  printf("voltaly_scan_vs_walk: ours=%.3fs baseline=%.3fs ratio=%.2f\n", engineBest, walkBest,
         engineBest / walkBest);
  double walkCpuBest = *std::min_element(walkCpu.begin(), walkCpu.end());
  double engineCpuBest = *std::min_element(engineCpu.begin(), engineCpu.end());
  if (walkCpuBest >= 0.05)
    printf("voltaly_scan_cpu_vs_walk: ours=%.3fs baseline=%.3fs ratio=%.2f\n", engineCpuBest,
           walkCpuBest, engineCpuBest / walkCpuBest);
  else  // too short for the clock's resolution
    printf("voltaly_scan_cpu_vs_walk: ours=%.3fs baseline=%.3fs ratio=n/a\n", engineCpuBest,
           walkCpuBest);
  printf("voltaly_scan_node_memory: ours=%.0f bytes/folder (record %u bytes + name)\n",
         bytesPerNode, static_cast<unsigned>(sizeof(FolderNode)));
  printf("engine_seconds=%.4f\n", engineBest);
  fflush(stdout);
  SetNodeViewWindow(nullptr);
  StopAllScanThreads();
  return engineBytes == walk.bytes ? 0 : 1;
}
