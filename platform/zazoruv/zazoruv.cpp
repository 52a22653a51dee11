// ZAZORUV.EXE: "r" restarts Windows 9x without restarting the computer (the session ends and
// Windows starts a new one). Windows NT has no such restart; there it does nothing and says so
// by its exit code.
#include <windows.h>

#include "../rirovu/shutdown_privilege.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (shutdown_helper::FirstArgumentLetter(GetCommandLineA()) != 'r') return 1;
  if (shutdown_helper::IsWindowsNT()) return 3;
  return shutdown_helper::EndSession(EWX_LOGOFF);
}
