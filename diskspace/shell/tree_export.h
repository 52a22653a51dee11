// The size tree written out as tab-separated text, and printed page by page.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

// Command 45230.
void ExportTree(HWND owner);
// Command 45216.
void PrintTree(HWND owner);
