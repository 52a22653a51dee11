#include "handover.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "seams.h"
#include "test_support.h"

namespace guider {
namespace {

std::string OwnFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string path = module;
  return path.substr(0, path.find_last_of('\\') + 1);
}

TEST(HandOver, RunningToolbarGetsThePathByCopyData) {
  jqtest::TempFolder temp;
  const std::string record = temp / "received.txt";
  DWORD pid = 0;
  HANDLE process = jqtest::StartProcess(
      "\"" + OwnFolder() + "jqguider_toolbar_stand_in.exe\" \"" + record + "\"", &pid);
  ASSERT_TRUE(process);
  HWND toolbar = nullptr;
  ASSERT_TRUE(jqtest::PumpUntil([&] {
    toolbar = FindToolbarWindow();
    return toolbar != nullptr;
  }, 20000));
  HWND sender = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                nullptr);
  jqtest::SeamRecorder seams;  // no program may be started
  const std::string path = "C:\\Layouts\\Work.jqc";
  EXPECT_EQ(HandOverLayout(path, true, sender, "C:\\Quorvanel\\"), HandOver::Sent);
  EXPECT_EQ(jqtest::WaitProcess(process, 20000), 0);
  DestroyWindow(sender);
  EXPECT_TRUE(seams.starts.empty());
  std::string expected = "33 " + std::to_string(path.size() + 1) + " 1\n" + path;
  expected.push_back('\0');
  EXPECT_EQ(jqtest::ReadFileText(record), expected);
}

TEST(HandOver, WithoutARunningToolbarJQBarIsStarted) {
  // Not running at start, or running at start but gone since: both start the program.
  for (bool wasRunning : {false, true}) {
    SCOPED_TRACE(wasRunning ? "window gone since the start" : "not running at start");
    ASSERT_EQ(FindToolbarWindow(), nullptr);
    std::vector<SHELLEXECUTEINFOA> starts;
    std::vector<std::string> files;
    seams::Handlers handlers = seams::CurrentHandlers();
    seams::Handlers previous = handlers;
    handlers.shellExecute = [&](SHELLEXECUTEINFOA* info) {
      starts.push_back(*info);
      files.push_back(info->lpFile ? info->lpFile : "");
      return TRUE;
    };
    seams::SetHandlers(handlers);
    HandOver result = HandOverLayout("C:\\Work.jqc", wasRunning, nullptr, "C:\\Quorvanel\\");
    seams::SetHandlers(previous);
    EXPECT_EQ(result, HandOver::Started);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(files[0], "C:\\Quorvanel\\JQBar.exe");
    EXPECT_EQ(starts[0].lpParameters, nullptr);
    EXPECT_EQ(starts[0].nShow, SW_SHOWNORMAL);
    EXPECT_EQ(starts[0].fMask, 0u);
  }
}

}  // namespace
}  // namespace guider
