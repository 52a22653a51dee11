// Start-up and message loop of the file manager.
#include "startup.h"
#include <ole2.h>
#include <shlobj.h>
#include "main_window.h"
#include "resource.h"
#include "seams.h"
#include "startup_settings.h"
#include "vfolder_entry.h"
#include "pidl.h"
#include "settings_store.h"

HWND ModelessDialogTable[kModelessDialogSlots];

UINT ClassifyOperatingSystem(const OsVersion& v) {
  IsNT = IsNT5 = Is95Osr2 = Is98 = 0;
  if ((v.platform != VER_PLATFORM_WIN32_WINDOWS && v.platform != VER_PLATFORM_WIN32_NT) ||
      v.major < 4)
    return 0;
  if (v.platform == VER_PLATFORM_WIN32_NT) {
    IsNT = 1;
    if (v.major > 4) IsNT5 = 1;
  } else {
    DWORD build = LOWORD(v.build);
    if (build > 1000) {
      if (build < 1400)
        Is95Osr2 = 1;
      else
        Is98 = 1;
    }
  }
  return 1;
}

UINT CheckOperatingSystem() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  static_assert(sizeof(OSVERSIONINFOA) == 148, "the version structure of the check");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!GetVersionExA(&info)) return 0;
#pragma GCC diagnostic pop
  return ClassifyOperatingSystem(
      {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber});
}

SIZE InitialMainWindowSize(int maxWidth, int maxHeight) {
  SIZE s;
  s.cx = static_cast<int>(0.8 * maxWidth);
  if (s.cx < 620 && maxWidth >= 620) s.cx = 620;
  s.cy = static_cast<int>(0.75 * maxHeight);
  return s;
}

UINT RegisterModelessDialog(HWND dialog) {
  for (HWND slot : ModelessDialogTable)
    if (slot && slot == dialog && IsWindow(slot)) return 1;
  for (HWND& slot : ModelessDialogTable) {
    if (!slot || !IsWindow(slot)) {
      slot = dialog;
      return 1;
    }
  }
  return 0;
}

UINT UnregisterModelessDialog(HWND dialog) {
  for (HWND& slot : ModelessDialogTable) {
    if (slot && slot == dialog) {
      slot = nullptr;
      return 1;
    }
  }
  return 0;
}

void ClearModelessDialogTable() {
  for (HWND& slot : ModelessDialogTable) slot = nullptr;
}

void ProcessLoopMessage(MSG* m) {
  if (!g_renameInProgress) {
    bool barHasKeys = g_commandLineFocus &&
                      (GetLiveOptions().keyboardScheme == 1 || (m->message == WM_KEYDOWN && m->wParam == VK_DELETE));
    if (!barHasKeys && g_accelerators && g_mainWindow &&
        TranslateAcceleratorA(g_mainWindow, g_accelerators, m))
      return;
  }
  for (HWND slot : ModelessDialogTable)
    if (slot && IsWindow(slot) && IsDialogMessageA(slot, m)) return;
  TranslateMessage(m);
  DispatchMessageA(m);
}

BOOL RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = 0;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszMenuName = g_className;
  wc.lpszClassName = g_className;
  wc.hIconSm = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_MAIN), IMAGE_ICON, 16, 16, 0));
  if (RegisterClassExA(&wc)) return TRUE;
  WNDCLASSA plain{};
  plain.lpfnWndProc = wc.lpfnWndProc;
  plain.hInstance = wc.hInstance;
  plain.hIcon = wc.hIcon;
  plain.hCursor = wc.hCursor;
  plain.hbrBackground = wc.hbrBackground;
  plain.lpszMenuName = wc.lpszMenuName;
  plain.lpszClassName = wc.lpszClassName;
  return RegisterClassA(&plain) != 0;
}

void LoadProgramStrings(HINSTANCE instance) {
  g_instance = instance;
  LoadStringA(instance, IDS_APP_NAME, g_appName, sizeof g_appName);
  LoadStringA(instance, IDS_CLASS_NAME, g_className, sizeof g_className);
  LoadStringA(instance, IDS_TITLE, g_title, sizeof g_title);
}

int JQNavigWinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  LoadProgramStrings(instance);

  if (!CheckOperatingSystem()) {
    char text[200] = "";
    LoadStringA(instance, IDS_OS_UNSUPPORTED, text, sizeof text);
    seams::MessageBoxA(nullptr, text, g_appName, MB_ICONHAND);
    return 0;
  }

  if (!RegisterMainWindowClass(instance)) return 0;

  if (FAILED(OleInitialize(nullptr))) return 0;

  SIZE size = InitialMainWindowSize(GetSystemMetrics(SM_CXMAXIMIZED),
                                    GetSystemMetrics(SM_CYMAXIMIZED));

  IMalloc* allocator = nullptr;
  if (FAILED(SHGetMalloc(&allocator)) || !allocator) {
    OleUninitialize();
    return -1;
  }
  SetShellAllocator(allocator);

  LoadStartupSettings(commandLine);

  g_mainWindow = CreateWindowExA(0, g_className, g_title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr, instance,
                                 nullptr);
  if (!g_mainWindow) {
    OleUninitialize();
    return 0;
  }

  ApplyStartupState(g_mainWindow, show);

  if (!IsNT && !Is98) g_wheelMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");

  MSG m{};
  for (;;) {
    BOOL got = GetMessageA(&m, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    ProcessLoopMessage(&m);
  }
  if (m.message != WM_QUIT) m.wParam = 0;

  ShutdownFtp();
  // The windows are gone now, and with them every item id list they held.
  SetShellAllocator(nullptr);
  OleUninitialize();
  return static_cast<int>(m.wParam);
}
