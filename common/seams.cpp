#include "seams.h"

namespace seams {

namespace {
Handlers& Store() {
  static Handlers handlers;
  return handlers;
}
}  // namespace

Handlers& CurrentHandlers() { return Store(); }

Handlers SetHandlers(Handlers handlers) {
  Handlers previous = std::move(Store());
  Store() = std::move(handlers);
  return previous;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (Store().messageBox) return Store().messageBox(owner, text, caption, type);
  return ::MessageBoxA(owner, text, caption, type);
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params) {
  if (Store().popupMenu) {
    UINT chosen = Store().popupMenu(menu, flags, x, y, owner);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen != 0 && owner) PostMessageA(owner, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
  }
  return ::TrackPopupMenuEx(menu, flags, x, y, owner, params);
}

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
  if (Store().shellExecute) return Store().shellExecute(info);
  return ::ShellExecuteExA(info);
}

BOOL CreateProcessA(const char* application, char* commandLine, const char* directory,
                    DWORD creationFlags, STARTUPINFOA* startup, PROCESS_INFORMATION* process) {
  if (Store().createProcess)
    return Store().createProcess(application, commandLine, directory, creationFlags, process);
  return ::CreateProcessA(application, commandLine, nullptr, nullptr, FALSE, creationFlags,
                          nullptr, directory, startup, process);
}

UINT WinExec(const char* commandLine, UINT show) {
  if (Store().winExec) return Store().winExec(commandLine, show);
  return ::WinExec(commandLine, show);
}

BOOL WinHelpA(HWND owner, const char* file, UINT command, ULONG_PTR data) {
  if (Store().winHelp) return Store().winHelp(owner, file, command, data);
  return ::WinHelpA(owner, file, command, data);
}

DWORD GetTickCount() {
  if (Store().tickCount) return Store().tickCount();
  return ::GetTickCount();
}

void GetLocalTime(SYSTEMTIME* time) {
  if (Store().localTime) {
    Store().localTime(time);
    return;
  }
  ::GetLocalTime(time);
}

void GetSystemTime(SYSTEMTIME* time) {
  if (Store().systemTime) {
    Store().systemTime(time);
    return;
  }
  ::GetSystemTime(time);
}

HKEY UserRoot() { return Store().userRoot ? Store().userRoot : HKEY_CURRENT_USER; }
HKEY MachineRoot() { return Store().machineRoot ? Store().machineRoot : HKEY_LOCAL_MACHINE; }

}  // namespace seams
