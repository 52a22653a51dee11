// JQXfr.exe: the FTP transfer program.
#include <windows.h>

#include "xfr_runner.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  return RunXfrProgram(commandLine);
}
