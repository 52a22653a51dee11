// Real pointer and keyboard input for the toolbar tests, sent the way a person sends it:
// the window is brought to the front first, and each click or key is checked by what it does.
// Input that plainly never arrived (nothing changed) is sent once more.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "test_support.h"
#include "xdo_input.h"

namespace bbtest {

// Brings the top-level window of `window` (of any process) to the front and waits until it is
// the foreground window.
inline bool BringToFront(HWND window, DWORD timeoutMs = 10000) {
  HWND top = GetAncestor(window, GA_ROOT);
  if (!top) return false;
  DWORD start = GetTickCount();
  do {
    SetForegroundWindow(top);
    if (jqtest::PumpUntil([&] { return GetForegroundWindow() == top; }, 1000)) return true;
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

// The window with the keyboard focus in the thread of `window` (of any process).
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

// The text of a control of any process.
inline std::string TextOf(HWND control) {
  char text[512] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &copied);
  return text;
}

inline POINT CentreOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Moves the real pointer to a screen point and waits until the system has it there, over `over`.
inline bool PointerTo(POINT p, HWND over) {
  if (!xdo::Run("xdotool mousemove " + std::to_string(p.x) + " " + std::to_string(p.y))) return false;
  return jqtest::PumpUntil([&] {
    POINT at{};
    return GetCursorPos(&at) && at.x == p.x && at.y == p.y && WindowFromPoint(p) == over;
  }, 5000);
}

// A real left click at the screen point `where` gives (asked again on each try: the window
// manager may still be placing the window) on `window`, with its top-level window in front,
// until `done` holds; sent once more when `unchanged` says the click never arrived.
inline bool ClickUntil(HWND window, const std::function<POINT()>& where, const std::function<bool()>& done,
                       const std::function<bool()>& unchanged, DWORD timeoutMs = 8000) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!BringToFront(window) || !PointerTo(where(), window)) return false;
    if (!xdo::Run("xdotool click 1")) return false;
    if (jqtest::PumpUntil(done, timeoutMs)) return true;
    if (!unchanged()) return false;
  }
  return false;
}

// A key (xdotool's name) sent to `window`'s top-level window in front, until `done` holds; sent
// once more when `unchanged` says it never arrived.
inline bool KeyUntil(HWND window, const std::string& key, const std::function<bool()>& done,
                     const std::function<bool()>& unchanged, DWORD timeoutMs = 8000) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!BringToFront(window)) return false;
    if (!xdo::Run("xdotool key " + key)) return false;
    if (jqtest::PumpUntil(done, timeoutMs)) return true;
    if (!unchanged()) return false;
  }
  return false;
}

// Clicks into an edit control (of any process) until it has the focus, then types `text` with
// real keys until the control holds it; when the text came only in part, the control is emptied
// and the text typed once more.
inline bool TypeInto(HWND edit, const std::string& text) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 5000, nullptr);
    if (FocusOf(edit) != edit || GetForegroundWindow() != GetAncestor(edit, GA_ROOT)) {
      if (!ClickUntil(edit, [&] { return CentreOf(edit); }, [&] { return FocusOf(edit) == edit; },
                      [&] { return FocusOf(edit) != edit; }))
        return false;
    }
    if (!xdo::Run("xdotool type --delay 30 '" + text + "'")) return false;
    if (jqtest::PumpUntil([&] { return TextOf(edit) == text; }, 8000)) return true;
  }
  return false;
}

// Drags `file` with the real pointer from the drop helper (a second program whose window opens
// at `helperAt`; see xdo::StartDropHelper) to the screen point `to` over `target`, both windows
// in front, until `done` holds. When nothing was dropped the drag goes once more: from the same
// helper when its button press never came, else from a fresh one. Returns the last helper's exit
// code (100 + the effect of the drop), -1 when it could not run.
inline int DragFromHelperUntil(POINT helperAt, const std::string& file, HWND target, POINT to,
                               const std::function<bool()>& done) {
  const POINT from{helperAt.x + 40, helperAt.y + 40};
  HANDLE process = nullptr;
  int code = -1;
  for (int attempt = 0; attempt < 2 && !done(); ++attempt) {
    if (!process) process = xdo::StartDropHelper(helperAt, file);
    if (!process) return -1;
    HWND helper = FindWindowA("JQDropHelper", nullptr);
    BringToFront(target);
    BringToFront(helper);
    jqtest::PumpUntil([&] {
      return WindowFromPoint(from) == helper &&
             GetAncestor(WindowFromPoint(to), GA_ROOT) == GetAncestor(target, GA_ROOT);
    }, 5000);
    xdo::Run(xdo::DragScript(from, to));
    jqtest::PumpUntil([&] { return done() || WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 10000);
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      code = jqtest::WaitProcess(process, 0);  // closes the handle
      process = nullptr;
    }
  }
  if (process) {
    if (!jqtest::PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 15000))
      TerminateProcess(process, 1);
    code = jqtest::WaitProcess(process, 5000);
  }
  xdo::Run("xdotool mousemove 1279 899");
  return code;
}

}  // namespace bbtest
