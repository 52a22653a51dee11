// Real mouse and keyboard input for the toolbar panels' tests: xdotool run on the host (Wine
// starts Unix programs itself), waited for by pumping messages until its marker file appears.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace xdo {

inline bool Run(const std::string& command, DWORD timeoutMs = 30000) {
  static int serial = 0;
  char marker[64];
  std::snprintf(marker, sizeof marker, "/tmp/jq-bbxdo-%lu-%d", GetCurrentProcessId(), ++serial);
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
  jqtest::PumpUntil([] { return false; }, 300);
  return done;
}

}  // namespace xdo
