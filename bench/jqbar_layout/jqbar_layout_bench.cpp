// JQBar's layout load, save and start-up on a large layout against an empty one, in one run:
//   jqbar_layout_bench.exe <program folder> [frames=20] [panels=500] [rounds=3]
// Prints "name: ours=... baseline=... ratio=..." lines and the memory per panel.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "container_panel.h"
#include "frame_window.h"
#include "layout_file.h"
#include "panel_tree.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "toolbar_layout.h"

namespace {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

std::vector<std::uint8_t> Container(const char* title, int x, int y, int arrangement) {
  std::vector<std::uint8_t> b(132, 0);
  auto put = [&](int at, int v) { std::memcpy(&b[std::size_t(at)], &v, 4); };
  put(0, arrangement);
  put(4, 1);
  put(8, x);
  put(12, y);
  put(16, 400);
  put(20, 40);
  put(48, 1);
  std::snprintf(reinterpret_cast<char*>(&b[60]), 40, "%s", title);
  put(100, 1);
  return b;
}

jqbar::LayoutFile MakeLayout(int frames, int panels) {
  jqbar::LayoutFile layout;
  for (int f = 0; f < frames; ++f) {
    char title[40];
    std::snprintf(title, sizeof title, "Bench %d", f + 1);
    jqbar::LayoutNode frame{"Toolbar", "Toolbar", Container(title, 10 + (f % 5) * 200, 10 + (f / 5) * 120, 0), {}};
    int here = panels / frames + (f < panels % frames ? 1 : 0);
    for (int p = 0; p < here; ++p)
      frame.children.push_back(jqbar::LayoutNode{"Tool Group", "Group", Container("", 0, 0, 2), {}});
    layout.frames.push_back(std::move(frame));
  }
  return layout;
}

// Starts the toolbar on a layout and waits for its first idle moment; then closes it.
double StartToIdle(const std::string& program, const std::string& layout) {
  std::string line = "\"" + program + "\" " + layout;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  double t0 = Now();
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return -1;
  WaitForInputIdle(pi.hProcess, 120000);
  double t = Now() - t0;
  HWND main = nullptr;
  for (int i = 0; i < 200 && !(main = FindWindowA("Quorvanel Main", nullptr)); ++i) Sleep(50);
  if (main) PostMessageA(main, WM_COMMAND, 413, 0);
  if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return t;
}

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX pmc{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
  return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.WorkingSetSize;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: jqbar_layout_bench <program folder> [frames] [panels] [rounds]\n");
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '\\') folder += '\\';
  int frames = argc > 2 ? std::atoi(argv[2]) : 20;
  int panels = argc > 3 ? std::atoi(argv[3]) : 500;
  int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string big = std::string(temp) + "jqbar_bench_big.jqc", empty = std::string(temp) + "jqbar_bench_empty.jqc";
  jqbar::LayoutFile large = MakeLayout(frames, panels), bare = MakeLayout(1, 0);

  // The file: parse and serialize, against copying the same bytes.
  std::vector<std::uint8_t> bytes = jqbar::SerializeLayout(large);
  double parse = 1e9, copy = 1e9;
  for (int r = 0; r < rounds; ++r) {
    double t0 = Now();
    auto parsed = jqbar::ParseLayout(bytes.data(), bytes.size());
    auto again = jqbar::SerializeLayout(*parsed);
    double t1 = Now();
    std::vector<std::uint8_t> plain(bytes);
    double t2 = Now();
    parse = std::min(parse, t1 - t0);
    copy = std::min(copy, t2 - t1 + 1e-9);
    if (again != bytes) std::printf("round trip differs\n");
  }
  std::printf("layout_parse_serialize: ours=%.6fs baseline=%.6fs ratio=%.1f (%zu bytes)\n", parse, copy,
              parse / copy, bytes.size());

  // Start-up of the real program: the large layout against the empty one. An exit-monitor
  // window of our own keeps the toolbar from handing its start to NTAid.exe.
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "JQExitMon";
  RegisterClassA(&wc);
  HWND monitor = CreateWindowExA(0, "JQExitMon", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  std::string program = folder + "JQBar.exe";
  double ours = 1e9, baseline = 1e9, oneFrame = 1e9;
  std::string single = std::string(temp) + "jqbar_bench_single.jqc";
  for (int r = 0; r < rounds; ++r) {
    jqbar::WriteLayoutFile(big, large);
    jqbar::WriteLayoutFile(empty, bare);
    jqbar::WriteLayoutFile(single, MakeLayout(1, panels));
    baseline = std::min(baseline, StartToIdle(program, empty));
    ours = std::min(ours, StartToIdle(program, big));
    oneFrame = std::min(oneFrame, StartToIdle(program, single));
  }
  std::printf("jqbar_start_to_idle: ours=%.3fs baseline=%.3fs ratio=%.2f (%d frames, %d panels)\n", ours,
              baseline, ours / baseline, frames, panels);
  std::printf("jqbar_start_to_idle_one_frame: ours=%.3fs baseline=%.3fs ratio=%.2f (1 frame, %d panels)\n",
              oneFrame, baseline, oneFrame / baseline, panels);
  DeleteFileA(single.c_str());
  DestroyWindow(monitor);

  // Memory per panel, in this process: the same layout built into frames and panels.
  jqbar::Globals().instance = GetModuleHandleA(nullptr);
  jqbar::RegisterFrameClass(jqbar::Globals().instance);
  jqbar::RegisterContainerTypes();
  jqbar::BuildPanelTypeList(jqbar::Globals().instance);
  SIZE_T before = PrivateBytes();
  double t0 = Now();
  jqbar::ApplyToolbarLayout(large);
  double built = Now() - t0;
  SIZE_T after = PrivateBytes();
  std::printf("jqbar_memory_per_panel: %.0f bytes (%d panels, built in %.3fs)\n",
              double(after - before) / double(panels + frames), panels + frames, built);
  DeleteFileA(big.c_str());
  DeleteFileA(empty.c_str());
  ExitProcess(0);
}
