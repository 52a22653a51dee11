#include "resolution_dialog.h"

#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "panel_utils.h"
#include "resource.h"

namespace jqbar {
namespace {

DisplayModeCalls g_calls;

struct DisplayModeState {
  std::vector<DEVMODEA> modes;
  int current = -1;
  // The mode the screen had when dialog 623 opened: a restore puts exactly this back, also when
  // it is not one of the listed modes (another depth, refresh rate or width).
  DEVMODEA original{};
  bool haveOriginal = false;
  HWND confirm = nullptr;
};

DisplayModeState& State() {
  static DisplayModeState state;
  return state;
}

BOOL EnumMode(DWORD index, DEVMODEA* mode) {
  mode->dmSize = sizeof(DEVMODEA);
  if (g_calls.enumSettings) return g_calls.enumSettings(index, mode);
  return EnumDisplaySettingsA(nullptr, index, mode);
}

LONG ChangeMode(DEVMODEA* mode, DWORD flags) {
  if (g_calls.changeSettings) return g_calls.changeSettings(mode, flags);
  return ChangeDisplaySettingsA(mode, flags);
}

int Box(HWND owner, UINT text, UINT caption, UINT type) {
  std::string t = LoadResString(text);
  return FrameMessageBox(owner, t.c_str(), LoadResString(caption), type);
}

void ShowLabel(HWND dialog) {
  const auto& s = State();
  int pos = int(SendDlgItemMessageA(dialog, IDC_SA_RES_TRACKBAR, TBM_GETPOS, 0, 0));
  if (pos < 0 || pos >= int(s.modes.size())) {
    SetDlgItemTextA(dialog, IDC_SA_RES_LABEL, "");
    return;
  }
  SetDlgItemTextA(dialog, IDC_SA_RES_LABEL, LoadResString(ResolutionLabelId(s.modes[std::size_t(pos)].dmPelsWidth)));
}

INT_PTR CALLBACK ConfirmDisplayModeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      RECT r;
      GetWindowRect(dialog, &r);
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetTimer(dialog, IDT_SA_CONFIRMMODE, 15000, nullptr);
      SetFocus(GetDlgItem(dialog, IDCANCEL));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        KillTimer(dialog, IDT_SA_CONFIRMMODE);
        DestroyWindow(dialog);
      } else if (LOWORD(wParam) == IDCANCEL) {
        KillTimer(dialog, IDT_SA_CONFIRMMODE);
        RestoreDisplayMode(dialog);
        DestroyWindow(dialog);
      }
      return TRUE;
    case WM_TIMER:
      if (wParam == IDT_SA_CONFIRMMODE) {
        KillTimer(dialog, IDT_SA_CONFIRMMODE);
        RestoreDisplayMode(dialog);
        DestroyWindow(dialog);
      }
      return TRUE;
    case WM_DESTROY:
      if (State().confirm == dialog) State().confirm = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

void PlaceAbovePoint(HWND dialog, POINT at) {
  RECT window, client;
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  int w = window.right - window.left, h = window.bottom - window.top;
  int x = at.x, y = at.y - client.bottom;
  int maxX = GetSystemMetrics(SM_CXSCREEN) - 10 - w, maxY = GetSystemMetrics(SM_CYSCREEN) - 10 - h;
  if (x > maxX) x = maxX;
  if (y > maxY) y = maxY;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void ApplyChosenMode(HWND dialog) {
  auto& s = State();
  int pos = int(SendDlgItemMessageA(dialog, IDC_SA_RES_TRACKBAR, TBM_GETPOS, 0, 0));
  if (s.modes.empty() || pos < 0 || pos >= int(s.modes.size()) || pos == s.current) {
    EndDialog(dialog, 0);
    return;
  }
  if (Box(dialog, IDS_SA_RES_WARNING, IDS_SA_RES_WARNING_CAPTION, MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL)
    return;
  DEVMODEA mode = s.modes[std::size_t(pos)];
  LONG result = ChangeMode(&mode, CDS_UPDATEREGISTRY);
  HWND owner = GetParent(dialog);
  if (result == DISP_CHANGE_SUCCESSFUL) {
    if (s.confirm) DestroyWindow(s.confirm);
    s.confirm = CreateDialogParamA(Globals().instance, MAKEINTRESOURCEA(IDD_SA_CONFIRMMODE), owner,
                                   ConfirmDisplayModeProc, 0);
  } else if (result == DISP_CHANGE_RESTART) {
    if (Box(dialog, IDS_SA_RES_RESTART, IDS_SA_RES_CAPTION, MB_YESNO | MB_ICONEXCLAMATION) != IDNO) {
      if (g_calls.exitWindows) g_calls.exitWindows(EWX_REBOOT);
      else ExitWindowsEx(EWX_REBOOT, 0);
    }
  } else {
    Box(dialog, IDS_SA_RES_FAILED, IDS_SA_RES_CAPTION, MB_ICONERROR);
  }
  EndDialog(dialog, 0);
}

INT_PTR CALLBACK ScreenResolutionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& s = State();
  switch (message) {
    case WM_INITDIALOG: {
      PlaceAbovePoint(dialog, *reinterpret_cast<const POINT*>(lParam));
      HDC screen = GetDC(nullptr);
      HDC compatible = CreateCompatibleDC(screen);
      DWORD depth = DWORD(GetDeviceCaps(compatible, BITSPIXEL));
      DeleteDC(compatible);
      ReleaseDC(nullptr, screen);
      s.modes = ListDisplayModes(depth);
      s.current = NearestModeIndex(s.modes, GetSystemMetrics(SM_CXSCREEN));
      s.haveOriginal = EnumMode(ENUM_CURRENT_SETTINGS, &s.original) != FALSE;
      HWND bar = GetDlgItem(dialog, IDC_SA_RES_TRACKBAR);
      int count = int(s.modes.size());
      SendMessageA(bar, TBM_SETRANGE, TRUE, MAKELONG(0, count > 0 ? count - 1 : 0));
      SendMessageA(bar, TBM_CLEARTICS, FALSE, 0);
      for (int i = 1; i <= count - 2; ++i) SendMessageA(bar, TBM_SETTIC, 0, i);
      SendMessageA(bar, TBM_SETPOS, TRUE, s.current >= 0 ? s.current : 0);
      ShowLabel(dialog);
      return TRUE;
    }
    case WM_HSCROLL:
      ShowLabel(dialog);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) ApplyChosenMode(dialog);
      else if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void SetDisplayModeCalls(const DisplayModeCalls& calls) { g_calls = calls; }

std::vector<DEVMODEA> ListDisplayModes(DWORD depth) {
  static const DWORD kWidths[4] = {640, 800, 1024, 1280};
  std::vector<DEVMODEA> modes;
  DEVMODEA mode{};
  for (DWORD i = 0; modes.size() < 4 && EnumMode(i, &mode); ++i) {
    if (mode.dmBitsPerPel != depth) continue;
    bool wanted = false;
    for (DWORD w : kWidths) wanted = wanted || mode.dmPelsWidth == w;
    bool listed = false;
    for (const DEVMODEA& m : modes) listed = listed || m.dmPelsWidth == mode.dmPelsWidth;
    if (wanted && !listed) modes.push_back(mode);
    if (i > 100000) break;
  }
  return modes;
}

int NearestModeIndex(const std::vector<DEVMODEA>& modes, int screenWidth) {
  int best = -1, bestDistance = 1000;
  for (std::size_t i = 0; i < modes.size(); ++i) {
    int d = std::abs(int(modes[i].dmPelsWidth) - screenWidth);
    if (d < bestDistance) {
      bestDistance = d;
      best = int(i);
    }
  }
  return best;
}

UINT ResolutionLabelId(DWORD width) {
  switch (width) {
    case 800: return IDS_SA_RES_800;
    case 1024: return IDS_SA_RES_1024;
    case 1280: return IDS_SA_RES_1280;
    case 1600: return IDS_SA_RES_1600;
    default: return IDS_SA_RES_640;
  }
}

INT_PTR ShowScreenResolutionDialog(HWND owner, POINT at) {
  return FrameDialogBox(Globals().instance, MAKEINTRESOURCEA(IDD_SA_RESOLUTION), owner,
                        ScreenResolutionProc, reinterpret_cast<LPARAM>(&at));
}

HWND DisplayModeConfirmWindow() { return State().confirm; }

void RestoreDisplayMode(HWND owner) {
  auto& s = State();
  if (s.haveOriginal) {
    DEVMODEA mode = s.original;
    mode.dmFields |= DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    ChangeMode(&mode, CDS_UPDATEREGISTRY);
  } else if (s.current >= 0 && s.current < int(s.modes.size())) {
    DEVMODEA mode = s.modes[std::size_t(s.current)];
    ChangeMode(&mode, CDS_UPDATEREGISTRY);
  }
  Box(owner, IDS_SA_RES_RESTORED, IDS_SA_RES_RESTORED_CAPTION, MB_ICONINFORMATION);
}

}  // namespace jqbar
