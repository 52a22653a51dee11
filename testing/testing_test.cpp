// The harness itself: the things every other test leans on.
#include <gtest/gtest.h>
#include "test_support.h"

#include <cstdint>
#include <cstdlib>

using namespace jqtest;

TEST(TestSupport, TempFolderHoldsFilesAndIsRemoved) {
  std::string kept;
  {
    TempFolder t;
    kept = t.path();
    std::string f = t.WriteFile("a\\b\\c.txt", "hello");
    EXPECT_EQ(ReadFileText(f), "hello");
    EXPECT_TRUE(FolderExists(t / "a\\b"));
    EXPECT_NE(kept.find(":\\"), std::string::npos);
    EXPECT_NE(kept.rfind("Z:", 0), 0u) << "temporary folders stay off the host's drive";
  }
  EXPECT_FALSE(FolderExists(kept));
}

TEST(TestSupport, RegistryRootsAreRedirectedAndRestored) {
  HKEY before = seams::UserRoot();
  {
    TestRegistry reg;
    EXPECT_EQ(seams::UserRoot(), reg.user());
    EXPECT_EQ(seams::MachineRoot(), reg.machine());
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(seams::UserRoot(), "Software\\X", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  EXPECT_EQ(seams::UserRoot(), before);
}

namespace {
bool g_timerFired = false;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  g_timerFired = true;
  KillTimer(nullptr, id);
}
}  // namespace

TEST(TestSupport, PumpUntilSeesPostedWorkAndTimesOut) {
  g_timerFired = false;
  SetTimer(nullptr, 0, 30, OnTimer);
  EXPECT_TRUE(PumpUntil([] { return g_timerFired; }, 3000));
  DWORD start = GetTickCount();
  EXPECT_FALSE(PumpUntil([] { return false; }, 100));
  EXPECT_GE(GetTickCount() - start, 90u);
}

namespace {
int g_posted = 0;
bool g_lateTimerFired = false;
LRESULT CALLBACK CountPosted(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    ++g_posted;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
void CALLBACK OnLateTimer(HWND, UINT, UINT_PTR id, DWORD) {
  g_lateTimerFired = true;
  KillTimer(nullptr, id);
}
}  // namespace

// What was posted before, and the timers due within the time asked, have run when it returns; a
// timer due later has not.
TEST(TestSupport, PumpThroughQueueRunsWhatWasQueuedBeforeIt) {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = CountPosted;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "JQCountPosted";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowExA(0, "JQCountPosted", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  g_posted = 0;
  g_timerFired = g_lateTimerFired = false;
  UINT_PTR early = SetTimer(nullptr, 0, 300, OnTimer);
  UINT_PTR late = SetTimer(nullptr, 0, 5000, OnLateTimer);
  for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
  EXPECT_TRUE(PumpThroughQueue());
  EXPECT_EQ(g_posted, 3);
  EXPECT_TRUE(PumpThroughQueue(300));
  EXPECT_TRUE(g_timerFired);
  EXPECT_FALSE(g_lateTimerFired);
  KillTimer(nullptr, early);
  KillTimer(nullptr, late);
  DestroyWindow(window);
}

TEST(TestSupport, RecorderAnswersBoxesAndRecordsStarts) {
  SeamRecorder rec;
  rec.boxAnswers = {IDNO};
  EXPECT_EQ(seams::MessageBoxA(nullptr, "q?", "cap", MB_YESNO), IDNO);
  EXPECT_EQ(seams::MessageBoxA(nullptr, "q2?", "cap", MB_YESNO), IDYES);
  ASSERT_EQ(rec.boxes.size(), 2u);
  EXPECT_EQ(rec.boxes[0].text, "q?");
  SHELLEXECUTEINFOA sei{};
  sei.cbSize = sizeof sei;
  sei.lpFile = "notepad.exe";
  EXPECT_TRUE(seams::ShellExecuteExA(&sei));
  ASSERT_EQ(rec.starts.size(), 1u);
  EXPECT_EQ(rec.starts[0].file, "notepad.exe");
}

#if defined(_WIN64)
// The 64-bit test programs reserve the address space below 4 GiB at start-up, so that a pointer
// cut to 32 bits anywhere in the suite faults in the tests instead of working by luck.
TEST(TestSupport, AllocationsAndStacksLieAbove4GiB) {
  const std::uintptr_t limit = std::uintptr_t(1) << 32;
  void* small = malloc(64);
  void* large = malloc(8 << 20);
  HANDLE heap = HeapCreate(0, 0, 0);
  void* fromHeap = HeapAlloc(heap, 0, 4096);
  void* page = VirtualAlloc(nullptr, 1 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  std::uintptr_t stack = 0;
  HANDLE thread = CreateThread(nullptr, 0, [](void* out) -> DWORD {
    int local = 0;
    *static_cast<std::uintptr_t*>(out) = reinterpret_cast<std::uintptr_t>(&local);
    return 0;
  }, &stack, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  EXPECT_GE(reinterpret_cast<std::uintptr_t>(large), limit);
  EXPECT_GE(reinterpret_cast<std::uintptr_t>(fromHeap), limit);
  EXPECT_GE(reinterpret_cast<std::uintptr_t>(page), limit);
  EXPECT_GE(stack, limit);
  // The process heap began below 4 GiB; what it takes from now on comes from above.
  (void)small;
  free(small);
  free(large);
  HeapFree(heap, 0, fromHeap);
  HeapDestroy(heap);
  VirtualFree(page, 0, MEM_RELEASE);
}
#endif
