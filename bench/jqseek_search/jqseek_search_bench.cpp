// Times the finder's search worker by name mask and by contained text against a bare
// FindFirstFileEx walk and a bare walk that reads every file, in the same run, and measures the
// memory each result takes in the result list.
//   jqseek_search_bench <folder> <text> [rounds] [mask]   (mask: the name searches only)
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../bench_measure.h"
#include "finder.h"
#include "resource.h"
#include "seams.h"
#include "search_worker.h"

namespace {

uint64_t WalkCount(const std::string& folder, bool read, const std::string& text) {
  uint64_t count = 0;
  WIN32_FIND_DATAA d;
  // The same call the finder's walk makes.
  HANDLE h = FindFirstFileExA((folder + "\\*.*").c_str(), FindExInfoBasic, &d, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
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

// The whole program: JQSeek's window searches the folder from its panel (Find now) until the
// list is filled, sorted and drawn. Returns the seconds and the items in the list.
double WindowSearch(const std::string& folder, const char* masks, int* items) {
  HWND page = g_finder.pages[0];
  SelectCriteriaPage(0);
  SendMessageA(GetDlgItem(page, IDC_LOOK_IN_PATH), BM_CLICK, 0, 0);
  SetWindowTextA(GetDlgItem(page, IDC_LOOK_PATH), folder.c_str());
  SetWindowTextA(GetDlgItem(page, IDC_NAME_MASKS), masks);
  CheckDlgButton(page, IDC_SUBFOLDERS, BST_CHECKED);
  ClearResults();
  MSG msg;
  auto pump = [&msg] {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (TranslateFinderMessage(&msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  };
  pump();
  double t0 = Seconds();
  SendMessageA(GetDlgItem(g_finder.panel, IDC_FIND_NOW), BM_CLICK, 0, 0);
  while (g_finder.searchRunning) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    pump();
  }
  UpdateWindow(g_finder.main);
  UpdateWindow(g_finder.list);
  double t = Seconds() - t0;
  *items = ResultCount();
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: jqseek_search_bench <folder> <text> [rounds] [mask]\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IONBF, 0);
  std::string folder = argv[1], text = argv[2];
  int rounds = argc > 3 ? atoi(argv[3]) : 3;
  const bool maskOnly = argc > 4 && strcmp(argv[4], "mask") == 0;
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
  const double bestMaskWalk = bestWalk;
  printf("mask_seconds=%.4f\n", bestEngine);

  // The program as a person runs it, on settings of its own (the bench prefix keeps none).
  HKEY settings = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\JQSeekBench", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                  &settings, nullptr);
  seams::Handlers handlers;
  handlers.userRoot = settings;
  seams::SetHandlers(handlers);
  OleInitialize(nullptr);
  if (!StartFinder(GetModuleHandleA(nullptr), "", SW_SHOW)) {
    fprintf(stderr, "the finder's window could not be made\n");
    return 1;
  }
  double bestWindow = 1e9;
  int listed = 0;
  for (int i = 0; i < rounds; ++i) {
    double t = WindowSearch(folder, "*.dat", &listed);
    printf("  window round %d: %.3fs\n", i + 1, t);
    bestWindow = std::min(bestWindow, t);
  }
  printf("by name in the program's window: %d listed\n", listed);
  printf("jqseek_mask_window_vs_walk: ours=%.3fs baseline=%.3fs ratio=%.2f\n", bestWindow, bestMaskWalk,
         bestWindow / bestMaskWalk);

  if (!maskOnly) {
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
  }

  // Memory per result: the real result list filled with made-up paths of the tree's shape (not
  // drawn meanwhile, as during a search).
  ClearResults();
  SendMessageA(g_finder.list, WM_SETREDRAW, FALSE, 0);
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
  SendMessageA(g_finder.list, WM_SETREDRAW, TRUE, 0);
  DestroyWindow(g_finder.main);
  EndFinder();
  RegCloseKey(settings);
  RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\JQSeekBench");
  return 0;
}
