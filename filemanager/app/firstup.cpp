// firstup.exe: carries the icon of the lists' up-one-level entry, which the lists take from
// this file in the program folder. Started on its own it does nothing.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  return 0;
}
