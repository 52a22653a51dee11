// RIROVU.EXE: the toolbar's shut-down helper. "s" shuts the computer down, "b" restarts it,
// "l" ends the session so that another user can log on. Anything else does nothing.
#include <windows.h>

#include "shutdown_privilege.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  switch (shutdown_helper::FirstArgumentLetter(GetCommandLineA())) {
    case 's': return shutdown_helper::EndSession(EWX_SHUTDOWN | EWX_POWEROFF);
    case 'b': return shutdown_helper::EndSession(EWX_REBOOT);
    case 'l': return shutdown_helper::EndSession(EWX_LOGOFF);
    default: return 1;
  }
}
