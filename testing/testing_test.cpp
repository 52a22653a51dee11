// The harness itself: the things every other test leans on.
#include <gtest/gtest.h>
#include "test_support.h"

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
