#pragma once
#include <windows.h>

int JQNavigWinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);
