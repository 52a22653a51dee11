#include "shell_test_support.h"

#include <commctrl.h>

namespace shelltest {
namespace {

constexpr char kClass[] = "VoltalyShellTestMain";

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* host = reinterpret_cast<HostWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (host) {
    if (message == WM_USER + 110) host->activeMessages.push_back(reinterpret_cast<HWND>(wParam));
    if (message == WM_COMMAND) host->commands.push_back(LOWORD(wParam));
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HostWindows::HostWindows() {
  static bool registered = false;
  if (!registered) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassA(&wc);
    registered = true;
  }
  main = CreateWindowExA(0, kClass, "Voltaly test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640, 480,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  SetWindowLongPtrA(main, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, main,
                           reinterpret_cast<HMENU>(40961), GetModuleHandleA(nullptr), nullptr);
  dialog = CreateWindowExA(WS_EX_CONTROLPARENT, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 640, 200, main,
                           reinterpret_cast<HMENU>(101), GetModuleHandleA(nullptr), nullptr);
  tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_EDITLABELS |
                         TVS_SHOWSELALWAYS, 0, 0, 640, 200, dialog, reinterpret_cast<HMENU>(1000),
                         GetModuleHandleA(nullptr), nullptr);
}

HostWindows::~HostWindows() {
  if (IsWindow(main)) {
    SetWindowLongPtrA(main, GWLP_USERDATA, 0);
    DestroyWindow(main);
  }
}

LPITEMIDLIST ParsePath(const std::string& path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
  LPITEMIDLIST pidl = nullptr;
  desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &pidl, nullptr);
  desktop->Release();
  return pidl;
}

IShellFolder* BindFolder(const std::string& path) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  LPITEMIDLIST pidl = ParsePath(path);
  IShellFolder* folder = nullptr;
  if (pidl) desktop->BindToObject(pidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
  CoTaskMemFree(pidl);
  desktop->Release();
  return folder;
}

}  // namespace shelltest
