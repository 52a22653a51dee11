// Real mouse and keyboard input for tests: xdotool run on the host (Wine
// starts Unix programs itself), waited for by pumping messages until its marker file appears.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace xdo {

// Runs a shell command line on the host and pumps messages until it has finished (the command
// ends by creating a marker file), then handles what input has reached this thread by then. The
// caller waits for what the input does (a window, a state, a file) before it goes on: another
// program, or a busy machine, may take longer to see it.
inline bool Run(const std::string& command, DWORD timeoutMs = 30000) {
  static int serial = 0;
  // Every test's wineserver counts process ids from the same start, so the name carries the id the
  // test script gives each test, where it gives one.
  char marker[96];
  const char* run = std::getenv("JQ_RUN_ID");
  std::snprintf(marker, sizeof marker, "/tmp/jq-xdo-%s-%lu-%d", run ? run : "w", GetCurrentProcessId(), ++serial);
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
  if (!CreateProcessA("Z:\\bin\\sh", buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  bool done = jqtest::PumpUntil(
      [&] { return GetFileAttributesA(windowsMarker.c_str()) != INVALID_FILE_ATTRIBUTES; },
      timeoutMs);
  DeleteFileA(windowsMarker.c_str());
  jqtest::PumpPending();
  return done;
}

// Asks the window manager to activate a top-level window of this program and waits (at most five
// seconds) until it has: the X input focus is then on it, so that a first click on it is not
// also the click that activates it (Wine's answer to that moves the focus in the middle of the
// press). Then brings it to the front as the program sees it. True when it is there.
inline bool Activate(HWND window) {
  auto id = reinterpret_cast<ULONG_PTR>(GetPropA(window, "__wine_x11_whole_window"));
  if (id) Run("timeout 5 xdotool windowactivate --sync " + std::to_string(id) + " >/dev/null 2>&1");
  return jqtest::BringToFront(window);
}

// xdotool words that move the pointer to a screen point and pause there.
inline std::string MoveTo(POINT p, const char* pause = "0.15") {
  return " mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " sleep " + pause;
}

// An xdotool command line that drags from one screen point to another with the left button (1)
// or the right one (3), through small first steps (so that the drag starts) and a point halfway;
// `keys` (xdotool names, "ctrl+shift") are held from the moment the drag runs until the button
// is released; `after` is typed once the button is up (the answer to a drop menu). With
// JQ_DRAG_SHOT set to a path, the screen is saved there just before the drop (once).
inline std::string DragScript(POINT from, POINT to, const std::string& keys = "", int button = 1,
                              const std::string& after = "") {
  const std::string b = std::to_string(button);
  std::string script = "xdotool" + MoveTo(from) + " mousedown " + b + " sleep 0.2";
  script += MoveTo({from.x + 6, from.y + 6}) + MoveTo({from.x + 14, from.y + 14});
  script += MoveTo({(from.x + to.x) / 2, (from.y + to.y) / 2}) + MoveTo(to);
  if (!keys.empty()) script += " keydown " + keys + " sleep 0.2";
  script += MoveTo({to.x + 2, to.y + 1}) + MoveTo(to);
  if (const char* shot = std::getenv("JQ_DRAG_SHOT"))
    script += std::string("; [ -e ") + shot + " ] || import -window root " + shot + "; xdotool";
  script += " sleep 0.3 mouseup " + b + " sleep 0.2";
  if (!keys.empty()) script += " keyup " + keys;
  if (!after.empty()) script += " sleep 1 key " + after + " sleep 0.3";
  return script;
}

// Starts the drop helper (drop_helper_test.exe beside the test program), a second program whose
// window at the screen point `at` drags `file` when the left button goes down on it, and waits
// for its window. Returns the process (0 when it did not come up); its exit code says what the
// drop did: 100 + the drop effect.
inline HANDLE StartDropHelper(POINT at, const std::string& file) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string helper = self;
  helper = helper.substr(0, helper.find_last_of('\\') + 1) + "drop_helper_test.exe";
  HANDLE process = jqtest::StartProcess("\"" + helper + "\" " + std::to_string(at.x) + " " +
                                        std::to_string(at.y) + " \"" + file + "\"");
  if (!process) return nullptr;
  // Ready once its window is the one at its middle and its message loop answers.
  POINT middle{at.x + 40, at.y + 40};
  bool ready = jqtest::PumpUntil([middle] {
    HWND window = FindWindowA("JQDropHelper", nullptr);
    DWORD_PTR answer = 0;
    return window && IsWindowVisible(window) && WindowFromPoint(middle) == window &&
           SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer);
  }, 15000);
  if (!ready) {
    TerminateProcess(process, 1);
    CloseHandle(process);
    return nullptr;
  }
  return process;
}

}  // namespace xdo
