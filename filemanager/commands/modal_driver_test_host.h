// Drives the modal windows of the test's thread as a user would: each timer tick while a dialog
// (or property sheet, or message box) of the thread is up runs the next step; a step returning
// false is tried again on the next tick. Steps that open a further modal window post their click
// so that the ticks go on inside it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <vector>

namespace modaltest {

class ModalDriver {
 public:
  using Step = std::function<bool(HWND window)>;
  explicit ModalDriver(std::vector<Step> steps) : steps_(std::move(steps)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 50, Tick);
  }
  ~ModalDriver() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  size_t done() const { return done_; }
  bool Finished() const { return done_ == steps_.size(); }

 private:
  static BOOL CALLBACK Find(HWND window, LPARAM found) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (!strcmp(name, "#32770") && IsWindowVisible(window) && IsWindowEnabled(window)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalDriver* self = current_;
    if (!self || self->busy_ || self->done_ >= self->steps_.size()) return;
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Find, reinterpret_cast<LPARAM>(&found));
    if (!found) return;
    self->busy_ = true;
    if (self->steps_[self->done_](found)) ++self->done_;
    self->busy_ = false;
  }
  std::vector<Step> steps_;
  size_t done_ = 0;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  static inline ModalDriver* current_ = nullptr;
};

inline void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline void PostClick(HWND dialog, int id) { PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
inline bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// A property sheet: shows page `index` and runs `act` on it.
inline ModalDriver::Step OnPage(int index, std::function<void(HWND page)> act) {
  return [index, act](HWND sheet) {
    if (!PropSheet_GetCurrentPageHwnd(sheet)) return false;
    PropSheet_SetCurSel(sheet, nullptr, index);
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    if (!page) return false;
    act(page);
    return true;
  };
}
inline ModalDriver::Step PressSheet(int button) {
  return [button](HWND sheet) {
    if (!PropSheet_GetCurrentPageHwnd(sheet)) return false;
    PropSheet_PressButton(sheet, button);
    return true;
  };
}

}  // namespace modaltest
