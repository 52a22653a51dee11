// Several JQNavig processes: cascade and tile of all their main windows, a new window arranged
// once it has announced itself, and "close the others" leaving one.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
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
  PumpUntil([] { return false; }, 300);
}

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

TEST(ProgramWindows, ThreeProcessesCascadeTileAndCloseTheOthers) {
  KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");
  TempFolder temp;
  Instance a(temp.path()), b(temp.path()), c(temp.path());
  ASSERT_TRUE(a.window && b.window && c.window);
  ASSERT_EQ(MainWindows().size(), 3u);
  HWND all[3] = {a.window, b.window, c.window};

  Command(a.window, ID_WINDOW_CASCADE);
  std::vector<RECT> rects;
  for (HWND w : all) rects.push_back(RectOf(w));
  std::sort(rects.begin(), rects.end(), [](const RECT& x, const RECT& y) { return x.left < y.left; });
  for (int i = 1; i < 3; ++i) {
    EXPECT_GT(rects[i].left, rects[i - 1].left) << "cascaded: each further right";
    EXPECT_GT(rects[i].top, rects[i - 1].top) << "and further down";
  }

  struct Tile { UINT command; bool sideBySide; };
  for (Tile t : {Tile{ID_WINDOW_TILE_VERTICALLY, true}, Tile{ID_WINDOW_TILE_HORIZONTALLY, false}}) {
    Command(b.window, t.command);
    std::vector<RECT> r;
    for (HWND w : all) r.push_back(RectOf(w));
    for (int i = 0; i < 3; ++i)
      for (int j = i + 1; j < 3; ++j) EXPECT_FALSE(Overlap(r[i], r[j])) << t.command << ": " << i << " and " << j;
    for (int i = 1; i < 3; ++i) {
      if (t.sideBySide) {
        EXPECT_EQ(r[i].top, r[0].top) << "side by side";
      } else {
        EXPECT_EQ(r[i].left, r[0].left) << "one above the other";
      }
    }
  }

  // A minimised window is neither counted nor arranged.
  ShowWindow(c.window, SW_MINIMIZE);
  PumpUntil([&] { return IsIconic(c.window) != 0; }, 5000);
  Command(a.window, ID_WINDOW_TILE_VERTICALLY);
  EXPECT_TRUE(IsIconic(c.window));
  RECT ra = RectOf(a.window), rb = RectOf(b.window);
  EXPECT_FALSE(Overlap(ra, rb));
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
