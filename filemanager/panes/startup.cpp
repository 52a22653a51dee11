// Start-up and message loop of the file manager.
#include "startup.h"
#include <ole2.h>
#include "resource.h"

namespace {
char g_className[15];
char g_title[100];

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
}  // namespace

int JQNavigWinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  LoadStringA(instance, IDS_CLASS_NAME, g_className, sizeof g_className);
  LoadStringA(instance, IDS_TITLE, g_title, sizeof g_title);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = g_className;
  wc.lpszClassName = g_className;
  if (!RegisterClassExA(&wc)) return 0;
  if (FAILED(OleInitialize(nullptr))) return 0;
  HWND hwnd = CreateWindowExA(0, g_className, g_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 800, 600, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 0;
  ShowWindow(hwnd, show);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  OleUninitialize();
  return static_cast<int>(m.wParam);
}
