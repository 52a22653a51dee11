// Real input in the toolbar's tests (xdotool on the test's own X screen, under a window manager):
// the window that the input is for is brought to the front and waited for first, and each
// press is sent again once when what it does never came.
#pragma once
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "test_support.h"
#include "xdo_input.h"

namespace jqbartest {

// The X window that Wine shows a top-level window in (0 when it has none yet).
inline unsigned long XWindowOf(HWND window) {
  return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(
      GetPropA(GetAncestor(window, GA_ROOT), "__wine_x11_whole_window")));
}

// Whether the window (or a child of it) is what the screen shows at a screen point.
inline bool ShownAt(HWND window, POINT p) {
  HWND at = WindowFromPoint(p);
  return at && (at == window || IsChild(window, at));
}

// Whether the pointer is at a screen point (the X server's pointer, as Wine reads it).
inline bool PointerAt(POINT p) {
  POINT now{};
  return GetCursorPos(&now) && now.x == p.x && now.y == p.y;
}

// Raises a top-level window above the others (without activating it) and waits until the X
// screen shows it: enough for pointer moves over it. With `activate` the window manager
// activates it as well, where it manages the window (Wine then makes it the foreground window,
// as after a user's click), bounded: a manager may refuse.
inline bool ShowOnScreen(HWND window, bool activate = false, DWORD timeoutMs = 10000) {
  HWND root = GetAncestor(window, GA_ROOT);
  if (!root || !IsWindowVisible(root)) return false;
  SetWindowPos(root, (GetWindowLongA(root, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  jqtest::PumpPending();
  unsigned long x = XWindowOf(root);
  if (!x) return false;
  char script[400];
  std::snprintf(script, sizeof script,
                "i=0; until xwininfo -id %lu 2>/dev/null | grep -q IsViewable; do i=$((i+1)); "
                "[ $i -gt 300 ] && break; sleep 0.03; done; "
                "[ %d = 0 ] || ! xwininfo -id %lu | grep -q 'Override Redirect State: no' || "
                "timeout 5 xdotool windowactivate --sync %lu",
                x, activate ? 1 : 0, x, x);
  return xdo::Run(script, timeoutMs);
}

// Brings a top-level window to the front and waits until it is there: shown on the X screen,
// activated, and the foreground window, with the keyboard focus on `focus` when one is given.
// A window that never takes the activation (a menu) is only shown.
inline bool BringToFront(HWND window, HWND focus = nullptr, DWORD timeoutMs = 10000) {
  HWND root = GetAncestor(window, GA_ROOT);
  bool activates = root && !(GetWindowLongA(root, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
  if (!ShowOnScreen(root, activates, timeoutMs)) return false;
  if (!activates) return true;
  return jqtest::PumpUntil(
      [&] {
        if (GetForegroundWindow() != root) SetForegroundWindow(root);
        if (focus && GetFocus() != focus) SetFocus(focus);
        return GetForegroundWindow() == root && (!focus || GetFocus() == focus);
      },
      timeoutMs);
}

// Runs an xdotool command line and waits until `arrived` holds. When it did not and `lost`
// says that nothing of it came (the state is as before), the window is brought to the front and
// the input sent once more.
inline bool SendRealInput(HWND window, const std::string& command, const std::function<bool()>& arrived,
                      const std::function<bool()>& lost = nullptr, DWORD timeoutMs = 5000) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!xdo::Run(command)) return false;
    if (jqtest::PumpUntil(arrived, timeoutMs)) return true;
    if (!lost || !lost()) return false;
    BringToFront(window);
  }
  return false;
}

}  // namespace jqbartest
