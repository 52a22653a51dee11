// Voltaly, the disk-space program.
#include <windows.h>
#include "voltaly_ui.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  return VoltalineWinMain(instance, previous, commandLine, show);
}
