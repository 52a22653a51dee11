// Ending the Windows session from a companion program: the shutdown privilege is taken first on
// Windows NT (Windows 9x has no privileges), then ExitWindowsEx runs.
#pragma once
#include <windows.h>

namespace shutdown_helper {

inline bool IsWindowsNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

inline bool EnableShutdownPrivilege() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool ok = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
            GetLastError() == ERROR_SUCCESS;
  CloseHandle(token);
  return ok;
}

// The first non-blank character of the command line after the program name, lower-cased.
inline char FirstArgumentLetter(const char* commandLine) {
  const char* p = commandLine;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  while (*p == ' ' || *p == '\t' || *p == '/' || *p == '-') ++p;
  char c = *p;
  return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Exit codes: 0 the request was made, 1 unknown argument, 2 refused by the system.
inline int EndSession(UINT how) {
  if (IsWindowsNT() && !EnableShutdownPrivilege() && (how & (EWX_SHUTDOWN | EWX_REBOOT)))
    return 2;
  return ExitWindowsEx(how, 0) ? 0 : 2;
}

}  // namespace shutdown_helper
