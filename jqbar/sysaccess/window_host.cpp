// A second process for the MultiView tests: "window_host.exe N x y" opens N plain top-level
// windows titled "Host window <i>", 200 x 150, the i-th at (x + 30 i, y + 30 i), then pumps
// messages until a window receives WM_CLOSE or the process is ended.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  int count = 1, x = 100, y = 100;
  std::sscanf(arguments, "%d %d %d", &count, &x, &y);
  WNDCLASSA wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "JQWindowHost";
  RegisterClassA(&wc);
  for (int i = 0; i < count; ++i) {
    char title[32];
    std::snprintf(title, sizeof title, "Host window %d", i + 1);
    HWND w = CreateWindowExA(0, "JQWindowHost", title, WS_OVERLAPPEDWINDOW, x + 30 * i, y + 30 * i,
                             200, 150, nullptr, nullptr, instance, nullptr);
    ShowWindow(w, SW_SHOWNOACTIVATE);
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
