// A real drop from a second program onto a window with the button bar's drop target, driven by
// real mouse input on the X display (XTEST through xdotool).
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "drop_objects.h"
#include "test_support.h"

namespace jqbar {
namespace {

// Runs a shell command line on the host (Wine starts Unix programs itself) and pumps messages
// until it has finished: the command ends by creating a marker file.
bool RunOnHost(const std::string& command, DWORD timeoutMs = 30000) {
  static int serial = 0;
  char marker[64];
  snprintf(marker, sizeof marker, "/tmp/jqbar-xdo-%lu-%d", GetCurrentProcessId(), ++serial);
  std::string windowsMarker = std::string("Z:") + marker;
  for (char& c : windowsMarker)
    if (c == '/') c = '\\';
  DeleteFileA(windowsMarker.c_str());
  std::string line = "/bin/sh -c \"" + command + "; touch " + marker + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> buffer(line.begin(), line.end());
  buffer.push_back(0);
  if (!CreateProcessA("Z:\\bin\\sh", buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  bool done = jqtest::PumpUntil(
      [&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
  DeleteFileA(windowsMarker.c_str());
  return done;
}

std::string Move(POINT p) { return " mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " sleep 0.15"; }

std::vector<std::string> g_files;
std::vector<POINT> g_points;
int g_enters = 0;

TEST(DropFromAnotherProgram, AFileDraggedFromASecondProgramReachesTheButtonBar) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("dragged.txt", "from the helper");
  ButtonBarDropHandlers handlers;
  handlers.setDropTarget = [](HWND bar) { g_enters += bar ? 1 : 0; };
  handlers.trackDragOver = [](HWND, int, int) { return TRUE; };
  handlers.dropFile = [](HWND, const char* path, int x, int y) {
    g_files.push_back(path);
    g_points.push_back(POINT{x, y});
  };
  SetButtonBarDropHandlers(handlers);
  HWND bar = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "bar", WS_POPUP | WS_VISIBLE | WS_BORDER, 400, 300, 200, 60,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(bar);
  IDropTarget* target = CreateButtonBarDropTarget(bar);
  ASSERT_EQ(RegisterDragDrop(bar, target), S_OK);

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string helper = self;
  helper = helper.substr(0, helper.find_last_of('\\') + 1) + "drop_helper_test.exe";
  HANDLE process = jqtest::StartProcess("\"" + helper + "\" 100 100 \"" + file + "\"");
  ASSERT_NE(process, nullptr);
  ASSERT_TRUE(jqtest::PumpUntil([] { return FindWindowA("JQDropHelper", nullptr) != nullptr; }, 15000));
  jqtest::PumpUntil([] { return false; }, 300);

  POINT from{140, 140}, to{450, 330};
  std::string script = "xdotool" + Move(from) + " mousedown 1 sleep 0.2" + Move({146, 146}) + Move({154, 154}) +
                       Move({300, 240}) + Move(to) + Move({452, 331}) + Move(to) + " sleep 0.3 mouseup 1 sleep 0.2";
  ASSERT_TRUE(RunOnHost(script));
  jqtest::PumpUntil([] { return !g_files.empty(); }, 10000);
  int code = jqtest::WaitProcess(process, 15000);
  CloseHandle(process);
  RunOnHost("xdotool mousemove 1279 899");

  ASSERT_EQ(g_files.size(), 1u);
  EXPECT_EQ(lstrcmpiA(g_files[0].c_str(), file.c_str()), 0);
  // Client coordinates of the bar (its border is one pixel).
  EXPECT_NEAR(g_points[0].x, to.x - 401, 2);
  EXPECT_NEAR(g_points[0].y, to.y - 301, 2);
  EXPECT_GE(g_enters, 1);
  EXPECT_GT(code, 100);  // the helper saw a drop with an effect

  RevokeDragDrop(bar);
  DestroyButtonBarDropTarget(target);
  DestroyWindow(bar);
  SetButtonBarDropHandlers({});
}

}  // namespace
}  // namespace jqbar
