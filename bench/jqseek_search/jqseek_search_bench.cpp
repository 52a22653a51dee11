// Times the finder's search worker by name mask and by contained text against a bare
// FindFirstFileEx walk and a bare walk that reads every file, in the same run, and measures the
// memory each result takes in the result list.
//   jqseek_search_bench <folder> <text> [rounds]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../bench_measure.h"
#include "finder.h"
#include "search_worker.h"

namespace {

uint64_t WalkCount(const std::string& folder, bool read, const std::string& text) {
  uint64_t count = 0;
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileExA((folder + "\\*.*").c_str(), FindExInfoStandard, &d, FindExSearchNameMatch, nullptr, 0);
  if (h == INVALID_HANDLE_VALUE) return 0;
  static std::vector<char> buffer(64 * 1024);
  do {
    if (d.cFileName[0] == '.' && (!d.cFileName[1] || (d.cFileName[1] == '.' && !d.cFileName[2]))) continue;
    std::string path = folder + "\\" + d.cFileName;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      count += WalkCount(path, read, text);
    } else if (!read) {
      size_t n = strlen(d.cFileName);
      if (n > 4 && _stricmp(d.cFileName + n - 4, ".dat") == 0) ++count;
    } else {
      HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
      if (f == INVALID_HANDLE_VALUE) continue;
      DWORD got;
      bool found = false;
      while (!found && ReadFile(f, buffer.data(), DWORD(buffer.size()), &got, nullptr) && got)
        found = memchr(buffer.data(), text[0], got) != nullptr;  // touches every byte read, like a search
      CloseHandle(f);
      count += found;
    }
  } while (FindNextFileA(h, &d));
  FindClose(h);
  return count;
}

uint64_t g_found = 0;
bool g_done = false;

LRESULT CALLBACK CountProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SEARCH_FOUND) g_found += wParam;
  if (msg == WM_SEARCH_FINISHED) g_done = true;
  return msg >= WM_USER ? 0 : DefWindowProcA(hwnd, msg, wParam, lParam);
}

double EngineSearch(HWND window, const std::string& folder, const char* masks, const char* text) {
  SearchRecord r;
  r.recurse = 1;
  r.masks = masks;
  r.text = text;
  ClearSearchRoots();
  AddSearchRoot(folder.c_str());
  g_found = 0;
  g_done = false;
  double t0 = Seconds();
  if (!StartSearchThread(r, window, 1)) fprintf(stderr, "not started\n");
  // The worker's reports are sent messages: they are handled while this thread waits.
  MSG msg;
  while (!g_done) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  double t = Seconds() - t0;
  ShutdownSearchWorker(10000);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: jqseek_search_bench <folder> <text> [rounds]\n");
    return 2;
  }
  std::string folder = argv[1], text = argv[2];
  int rounds = argc > 3 ? atoi(argv[3]) : 3;
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "JQSeekBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowA("JQSeekBench", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);

  WalkCount(folder, false, text);  // warm the cache
  double bestEngine = 1e9, bestWalk = 1e9;
  uint64_t engineFound = 0, walkFound = 0;
  for (int i = 0; i < rounds; ++i) {
    bestEngine = std::min(bestEngine, EngineSearch(window, folder, "*.dat", nullptr));
    engineFound = g_found;
    double t0 = Seconds();
    walkFound = WalkCount(folder, false, text);
    bestWalk = std::min(bestWalk, Seconds() - t0);
  }
  printf("by name: engine found %llu, walk counted %llu\n", (unsigned long long)engineFound, (unsigned long long)walkFound);
  printf("jqseek_mask_vs_walk: ours=%.3fs baseline=%.3fs ratio=%.2f\n", bestEngine, bestWalk, bestEngine / bestWalk);
  printf("mask_seconds=%.4f\n", bestEngine);

  WalkCount(folder, true, text);
  bestEngine = bestWalk = 1e9;
  for (int i = 0; i < rounds; ++i) {
    bestEngine = std::min(bestEngine, EngineSearch(window, folder, nullptr, text.c_str()));
    engineFound = g_found;
    double t0 = Seconds();
    WalkCount(folder, true, text);
    bestWalk = std::min(bestWalk, Seconds() - t0);
  }
  printf("by text: engine found %llu\n", (unsigned long long)engineFound);
  printf("jqseek_text_vs_read_walk: ours=%.3fs baseline=%.3fs ratio=%.2f\n", bestEngine, bestWalk, bestEngine / bestWalk);
  printf("text_seconds=%.4f\n", bestEngine);

  // Memory per result: the real result list filled with every file of the tree.
  InitCommonControls();
  g_finder.instance = GetModuleHandleA(nullptr);
  HWND parent = CreateWindowA("STATIC", "", WS_OVERLAPPED, 0, 0, 400, 400, nullptr, nullptr, nullptr, nullptr);
  CreateResultList(parent, 40020);
  WIN32_FIND_DATAA d{};
  strcpy(d.cFileName, "f0.dat");
  const int items = 50000;
  uint64_t before = HeapBytesInUse();
  for (int i = 0; i < items; ++i) {
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\t%03d\\m%03d\\leaf%04d\\f%d.dat", folder.c_str(), i % 30, i % 27, i % 1000, i % 10);
    AddResultItem(path, d);
  }
  uint64_t after = HeapBytesInUse();
  printf("jqseek_result_memory: ours=%.0f bytes/result\n", double(after - before) / items);
  return 0;
}
