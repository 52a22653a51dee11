#include <windows.h>

#include "finder.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  return RunFinder(instance, commandLine, show);
}
