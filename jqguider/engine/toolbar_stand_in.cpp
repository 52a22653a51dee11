// A stand-in for the running toolbar in tests: a window of the toolbar's class that writes the
// first WM_COPYDATA it gets to the file named on its command line ("<dwData> <cbData> <sender
// valid>" on the first line, then the data bytes) and ends. It ends by itself after 30 seconds.
#include <windows.h>
#include <cstdio>
#include <string>

namespace {

std::string g_output;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COPYDATA: {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      FILE* f = fopen(g_output.c_str(), "wb");
      if (f) {
        fprintf(f, "%lu %lu %d\n", static_cast<unsigned long>(data->dwData),
                static_cast<unsigned long>(data->cbData),
                IsWindow(reinterpret_cast<HWND>(wParam)) ? 1 : 0);
        if (data->lpData && data->cbData) fwrite(data->lpData, 1, data->cbData, f);
        fclose(f);
      }
      PostQuitMessage(0);
      return TRUE;
    }
    case WM_TIMER:
      PostQuitMessage(2);
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  g_output = argv[1];
  WNDCLASSA wc{};
  wc.lpfnWndProc = StandInProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Quorvanel Main";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, "Quorvanel Main", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                wc.hInstance, nullptr);
  if (!window) return 1;
  SetTimer(window, 1, 30000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  DestroyWindow(window);
  return static_cast<int>(msg.wParam);
}
