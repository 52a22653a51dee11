// TASKSPY.DLL: the toolbar's keyboard hook and task hook.
//   StartKeyboardHook / StopKeyboardHook: every keystroke of the session reaches the window of
//     class "Quorvanel Main" as WM_USER+172 (wParam the virtual key, lParam the keystroke data:
//     repeat count 1, scan code, extended flag, bit 29 ALT down, bit 31 released).
//   StartTaskHook / StopTaskHook: follow the taskbar's moves and re-arrange it.
//   ArrangeTaskbar(mode): makes room in the taskbar's task list for a toolbar frame inside the
//     taskbar; 1 when the taskbar was arranged, 0 when there is none.
#include <windows.h>

namespace {

constexpr UINT kHookKeyMessage = WM_USER + 172;
HHOOK g_keyboardHook = nullptr;
HWINEVENTHOOK g_taskHook = nullptr;
HINSTANCE g_module = nullptr;

LRESULT CALLBACK KeyboardProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    DWORD data = 1 | ((key->scanCode & 0xFF) << 16);
    if (key->flags & LLKHF_EXTENDED) data |= 1u << 24;
    if (key->flags & LLKHF_ALTDOWN) data |= 1u << 29;
    if (key->flags & LLKHF_UP) data |= 0xC0000000u;
    if (HWND target = FindWindowA("Quorvanel Main", nullptr))
      PostMessageA(target, kHookKeyMessage, key->vkCode, LPARAM(data));
  }
  return CallNextHookEx(g_keyboardHook, code, wp, lp);
}

HWND FindTaskbarFrame(HWND tray) {
  for (HWND c = GetWindow(tray, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[32] = {};
    GetClassNameA(c, cls, sizeof cls);
    if (lstrcmpA(cls, "Quorvanel") == 0) return c;
  }
  return nullptr;
}

int Arrange(int) {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (!tray) return 0;
  HWND frame = FindTaskbarFrame(tray);
  HWND tasks = FindWindowExA(tray, nullptr, "ReBarWindow32", nullptr);
  if (!tasks) tasks = FindWindowExA(tray, nullptr, "MSTaskSwWClass", nullptr);
  if (!frame || !tasks) return 1;
  RECT f, t, c;
  GetWindowRect(frame, &f);
  GetWindowRect(tasks, &t);
  GetClientRect(tray, &c);
  MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&f), 2);
  MapWindowPoints(nullptr, tray, reinterpret_cast<POINT*>(&t), 2);
  bool horizontal = c.right > c.bottom;
  if (horizontal && t.right > f.left - 4 && f.left - 4 > t.left)
    SetWindowPos(tasks, nullptr, 0, 0, f.left - 4 - t.left, t.bottom - t.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  else if (!horizontal && t.bottom > f.top - 4 && f.top - 4 > t.top)
    SetWindowPos(tasks, nullptr, 0, 0, t.right - t.left, f.top - 4 - t.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 1;
}

void CALLBACK TaskEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
  if (object != OBJID_WINDOW || !window) return;
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpA(cls, "Shell_TrayWnd") == 0) Arrange(1);
}

}  // namespace

extern "C" {

__declspec(dllexport) void WINAPI StartKeyboardHook() {
  if (!g_keyboardHook) g_keyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardProc, g_module, 0);
}

__declspec(dllexport) void WINAPI StopKeyboardHook() {
  if (g_keyboardHook) UnhookWindowsHookEx(g_keyboardHook);
  g_keyboardHook = nullptr;
}

__declspec(dllexport) int WINAPI StartTaskHook() {
  if (g_taskHook) return 1;
  g_taskHook = SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, nullptr,
                               TaskEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  return g_taskHook ? 1 : 0;
}

__declspec(dllexport) int WINAPI ArrangeTaskbar(int mode) { return Arrange(mode); }

__declspec(dllexport) void WINAPI StopTaskHook() {
  if (g_taskHook) UnhookWinEvent(g_taskHook);
  g_taskHook = nullptr;
}

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
