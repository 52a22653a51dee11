#include <windows.h>
#include "startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  return JQNavigWinMain(instance, previous, commandLine, show);
}
