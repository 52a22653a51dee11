// JQGuider.exe: the toolbar set-up wizard.
#include <windows.h>
#include "wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return guider::RunGuider(instance, guider::GuiderOptions{});
}
