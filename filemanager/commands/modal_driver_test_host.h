// Drives the modal windows of the test's thread as a user would (jqtest::DialogDriver: each
// timer tick while a dialog, property sheet or message box of the thread is up runs the next
// step; a step returning false is tried again on the next tick), with steps for buttons and
// property sheets. Steps that open a further modal window post their click so that the ticks go
// on inside it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <functional>
#include <vector>

#include "test_support.h"

namespace modaltest {

using ModalDriver = jqtest::DialogDriver;

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
