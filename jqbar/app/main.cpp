// JQBar.exe: the desktop toolbar.
#include <windows.h>

#include "toolbar_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  return jqbar::RunToolbar(instance, commandLine);
}
