// The About box (command 1100, dialog 118): its texts are names of values of the running file's
// version block, replaced by those values; the usage count comes from jqnavig.ini.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "command_handlers.h"
#include "file_tools.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "window_helpers.h"
#include "command_ids.h"

namespace {

struct AboutState {
  HFONT italic, bold;
};

HFONT MakeArial(HWND dialog, bool italic, int weight) {
  HDC dc = GetDC(dialog);
  int height = -MulDiv(GetDeviceCaps(dc, LOGPIXELSY), 8, 72);
  ReleaseDC(dialog, dc);
  return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
}

void EndAbout(HWND dialog, INT_PTR result) {
  auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (state) {
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    for (int id = IDC_ABOUT_COMPANY; id <= IDC_ABOUT_USAGE; ++id) SendDlgItemMessageA(dialog, id, WM_SETFONT, 0, FALSE);
    DeleteObject(state->italic);
    DeleteObject(state->bold);
    delete state;
  }
  EndDialog(dialog, result);
}

INT_PTR CALLBACK AboutBoxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      auto* state = new AboutState{MakeArial(dialog, true, FW_NORMAL), MakeArial(dialog, false, FW_BOLD)};
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
      SendDlgItemMessageA(dialog, IDC_ABOUT_COMPANY, WM_SETFONT, reinterpret_cast<WPARAM>(state->italic), FALSE);
      SendDlgItemMessageA(dialog, IDC_ABOUT_PRODUCT, WM_SETFONT, reinterpret_cast<WPARAM>(state->bold), FALSE);
      SendDlgItemMessageA(dialog, IDC_ABOUT_USAGE, WM_SETFONT, reinterpret_cast<WPARAM>(state->bold), FALSE);
      char text[261] = "";
      if (GetDlgItemTextA(dialog, IDC_ABOUT_USAGE, text, sizeof text)) {
        std::string filled = text;
        size_t at = filled.find("%d");
        if (at != std::string::npos) filled.replace(at, 2, std::to_string(ReadUsageCount()));
        SetDlgItemTextA(dialog, IDC_ABOUT_USAGE, filled.c_str());
      }
      FillFromVersionBlock(dialog, IDC_ABOUT_NAME, IDC_ABOUT_USAGE);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndAbout(dialog, LOWORD(wParam));
          return TRUE;
        case IDC_ABOUT_UPDATE:
          PostMessageA(GetWindow(dialog, GW_OWNER), WM_COMMAND, ID_HELP_UPDATE, 0);
          EndAbout(dialog, IDOK);
          return TRUE;
        case IDC_ABOUT_HOME_PAGE:
          PostMessageA(GetWindow(dialog, GW_OWNER), WM_COMMAND, ID_HELP_WEB_PAGE, 0);
          EndAbout(dialog, IDOK);
          return TRUE;
      }
      break;
    case WM_DESTROY:
      // Closed some other way: the fonts still go.
      if (GetWindowLongPtrA(dialog, DWLP_USER)) {
        auto* state = reinterpret_cast<AboutState*>(GetWindowLongPtrA(dialog, DWLP_USER));
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        DeleteObject(state->italic);
        DeleteObject(state->bold);
        delete state;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int ReadUsageCount() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(), kSuiteKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  char folder[MAX_PATH + 1] = "";
  DWORD type = 0, size = MAX_PATH;
  LONG status = RegQueryValueExA(key, "InstallDir", nullptr, &type, reinterpret_cast<BYTE*>(folder), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ || !folder[0]) return 0;
  folder[MAX_PATH] = 0;
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  path += "jqnavig.ini";
  char count[51] = "";
  GetPrivateProfileStringA("Usage", "Count", "0", count, sizeof count, path.c_str());
  return atoi(count);
}

JQ_COMMAND_HANDLER(ShowAboutBox) {
  HWND owner = g_mainWindow ? g_mainWindow : window;
  DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutBoxDlgProc, 0);
  return 0;
}
