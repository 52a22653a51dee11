// Several JQNavig processes: cascade and tile of all their main windows, a new window arranged
// once it has announced itself, and "close the others" leaving one.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "command_ids.h"
#include "test_support.h"

using namespace jqtest;

namespace {

struct Found {
  DWORD pid;
  HWND window;
};

BOOL CALLBACK FindMain(HWND w, LPARAM data) {
  auto* f = reinterpret_cast<Found*>(data);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char cls[32] = "";
  if (pid == f->pid && GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "KESTRALVIEWS") == 0 && IsWindowVisible(w)) {
    f->window = w;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectMain(HWND w, LPARAM data) {
  char cls[32] = "";
  if (GetClassNameA(w, cls, sizeof cls) && strcmp(cls, "KESTRALVIEWS") == 0 && IsWindowVisible(w))
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(w);
  return TRUE;
}

std::vector<HWND> MainWindows() {
  std::vector<HWND> all;
  EnumWindows(CollectMain, reinterpret_cast<LPARAM>(&all));
  return all;
}

struct Instance {
  HANDLE process = nullptr;
  DWORD pid = 0;
  HWND window = nullptr;
  explicit Instance(const std::string& folder) {
    process = StartProcess("\"" + ProgramFolder() + "\\JQNavig.exe\" \"" + folder + "\"", &pid);
    Found f{pid, nullptr};
    PumpUntil([&] {
      EnumWindows(FindMain, reinterpret_cast<LPARAM>(&f));
      return f.window != nullptr;
    }, 30000);
    window = f.window;
  }
  bool Ended(DWORD ms) { return WaitProcess(process, ms) != -1; }
  ~Instance() {
    if (!process) return;
    if (window && IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    WaitProcess(process, 20000);
    CloseHandle(process);
  }
};

RECT RectOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

void Command(HWND w, UINT id) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(w, WM_COMMAND, id, 0, SMTO_NORMAL, 10000, &result);
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The windows' rectangles, sorted from left to right.
std::vector<RECT> SortedRects(const std::vector<HWND>& windows) {
  std::vector<RECT> rects;
  for (HWND w : windows) rects.push_back(RectOf(w));
  std::sort(rects.begin(), rects.end(), [](const RECT& x, const RECT& y) { return x.left < y.left; });
  return rects;
}

std::string Describe(const std::vector<RECT>& rects) {
  std::string text;
  for (const RECT& r : rects)
    text += " (" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
            std::to_string(r.bottom) + ")";
  return text;
}

// Each further right and further down than the one before.
bool Cascaded(const std::vector<RECT>& rects) {
  for (size_t i = 1; i < rects.size(); ++i)
    if (rects[i].left <= rects[i - 1].left || rects[i].top <= rects[i - 1].top) return false;
  return true;
}

// No two overlap, and side by side (the same top) or one above the other (the same left). The
// window manager may keep a window a pixel or two from where it was put (its frame on the screen).
bool Tiled(const std::vector<RECT>& rects, bool sideBySide) {
  for (size_t i = 0; i < rects.size(); ++i)
    for (size_t j = i + 1; j < rects.size(); ++j)
      if (Overlap(rects[i], rects[j])) return false;
  for (size_t i = 1; i < rects.size(); ++i)
    if (std::abs(sideBySide ? rects[i].top - rects[0].top : rects[i].left - rects[0].left) > 2) return false;
  return true;
}

}  // namespace

TEST(ProgramWindows, ThreeProcessesCascadeTileAndCloseTheOthers) {
  KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");
  TempFolder temp;
  Instance a(temp.path()), b(temp.path()), c(temp.path());
  ASSERT_TRUE(a.window && b.window && c.window);
  ASSERT_EQ(MainWindows().size(), 3u);
  HWND all[3] = {a.window, b.window, c.window};

  // The window manager may still move a window after the command: each arrangement is waited for.
  std::vector<HWND> three(all, all + 3);
  Command(a.window, ID_WINDOW_CASCADE);
  EXPECT_TRUE(PumpUntil([&] { return Cascaded(SortedRects(three)); }, 10000))
      << "cascaded: each further right and further down:" << Describe(SortedRects(three));

  struct Tile { UINT command; bool sideBySide; };
  for (Tile t : {Tile{ID_WINDOW_TILE_VERTICALLY, true}, Tile{ID_WINDOW_TILE_HORIZONTALLY, false}}) {
    Command(b.window, t.command);
    EXPECT_TRUE(PumpUntil([&] { return Tiled(SortedRects(three), t.sideBySide); }, 10000))
        << t.command << (t.sideBySide ? ": side by side" : ": one above the other") << ", none overlapping:"
        << Describe(SortedRects(three));
  }

  // A minimised window is neither counted nor arranged.
  ShowWindow(c.window, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(c.window) != 0; }, 5000));
  Command(a.window, ID_WINDOW_TILE_VERTICALLY);
  EXPECT_TRUE(PumpUntil([&] { return Tiled(SortedRects({a.window, b.window}), true); }, 10000))
      << Describe(SortedRects({a.window, b.window}));
  EXPECT_TRUE(IsIconic(c.window));
  ShowWindow(c.window, SW_RESTORE);

  // Close the others: two processes end, the one asked stays.
  Command(a.window, ID_WINDOW_CLOSE_OTHERS);
  EXPECT_TRUE(b.Ended(20000));
  EXPECT_TRUE(c.Ended(20000));
  EXPECT_TRUE(IsWindow(a.window));
  EXPECT_EQ(MainWindows().size(), 1u);
}

TEST(ProgramWindows, NewWindowIsCascadedWithTheOldOnceItAnnouncesItself) {
  KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");
  TempFolder temp;
  Instance a(temp.path());
  ASSERT_TRUE(a.window);
  PostMessageA(a.window, WM_COMMAND, ID_WINDOW_NEW_2, 0);
  HWND fresh = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    for (HWND w : MainWindows())
      if (w != a.window) fresh = w;
    return fresh != nullptr;
  }, 30000));
  // Cascaded: the new window stands below and right of the old one.
  EXPECT_TRUE(PumpUntil([&] {
    RECT old = RectOf(a.window), now = RectOf(fresh);
    return now.left > old.left && now.top > old.top && now.right < GetSystemMetrics(SM_CXSCREEN) + 50;
  }, 15000));
  // "Close all" from the first closes both.
  DWORD freshPid = 0;
  GetWindowThreadProcessId(fresh, &freshPid);
  HANDLE other = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, freshPid);
  Command(a.window, ID_WINDOW_CLOSE_ALL);
  EXPECT_TRUE(a.Ended(20000));
  if (other) {
    EXPECT_NE(WaitProcess(other, 20000), -1);
    CloseHandle(other);
  }
}
