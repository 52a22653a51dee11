// Calls that reach outside the program's own windows: message boxes, popup menus, starting
// programs, WinHelp, the clock and the registry roots of the settings. Every program calls these
// instead of the system functions so that a test can answer or record them; with no handler
// installed they call the system.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <functional>

namespace seams {

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// TrackPopupMenu/TrackPopupMenuEx; with TPM_RETURNCMD the chosen id (0 = none).
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info);
BOOL CreateProcessA(const char* application, char* commandLine, const char* directory,
                    DWORD creationFlags, STARTUPINFOA* startup, PROCESS_INFORMATION* process);
UINT WinExec(const char* commandLine, UINT show);
BOOL WinHelpA(HWND owner, const char* file, UINT command, ULONG_PTR data);
DWORD GetTickCount();
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, or the keys a test put in their place.
HKEY UserRoot();
HKEY MachineRoot();

// What a test installs. An empty function means "call the system".
struct Handlers {
  std::function<int(HWND, const char*, const char*, UINT)> messageBox;
  std::function<UINT(HMENU, UINT, int, int, HWND)> popupMenu;
  std::function<BOOL(SHELLEXECUTEINFOA*)> shellExecute;
  std::function<BOOL(const char*, char*, const char*, DWORD, PROCESS_INFORMATION*)> createProcess;
  std::function<UINT(const char*, UINT)> winExec;
  std::function<BOOL(HWND, const char*, UINT, ULONG_PTR)> winHelp;
  std::function<DWORD()> tickCount;
  std::function<void(SYSTEMTIME*)> localTime;
  std::function<void(SYSTEMTIME*)> systemTime;
  HKEY userRoot = nullptr;
  HKEY machineRoot = nullptr;
};

// Installs the handlers (replacing all earlier ones) and returns the previous set.
Handlers SetHandlers(Handlers handlers);
Handlers& CurrentHandlers();

}  // namespace seams
