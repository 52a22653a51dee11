#include "change_icon_dialog.h"
#include <commdlg.h>
#include <shellapi.h>
#include <cstring>
#include <string>
#include "launch_buttons.h"

namespace {
constexpr int kDialog = 588, kFile = 589, kList = 590, kBrowse = 591;
constexpr int kFilterString = 628, kTitleString = 42152;

struct ChangeIconState {
  char* iconFile;
  int* iconIndex;
  char listed[MAX_PATH];  // the file whose icons the list shows
};

void Fill(HWND dialog, ChangeIconState* state, const char* file, int select) {
  HWND list = GetDlgItem(dialog, kList);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HICON icon = reinterpret_cast<HICON>(SendMessageA(list, LB_GETITEMDATA, i, 0));
    if (icon && icon != reinterpret_cast<HICON>(LB_ERR)) DestroyIcon(icon);
  }
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  char path[MAX_PATH];
  if (!file || !*file) {
    GetSystemDirectoryA(path, MAX_PATH);
    std::string s = path;
    if (s.back() != '\\') s += '\\';
    s += "SHELL32.DLL";
    lstrcpynA(path, s.c_str(), MAX_PATH);
  } else {
    lstrcpynA(path, file, MAX_PATH);
  }
  lstrcpynA(state->listed, path, MAX_PATH);
  UINT icons = ExtractIconExA(path, -1, nullptr, nullptr, 0);
  for (UINT i = 0; i < icons && i < 4096; ++i) {
    HICON small = nullptr;
    ExtractIconExA(path, static_cast<int>(i), nullptr, &small, 1);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(small));
  }
  if (select >= 0 && select < static_cast<int>(icons)) SendMessageA(list, LB_SETCURSEL, select, 0);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

void Browse(HWND dialog, ChangeIconState* state) {
  char filter[300] = "";
  LoadStringA(GetModuleHandleA(nullptr), kFilterString, filter, sizeof filter - 1);
  for (char* p = filter; *p; ++p)
    if (*p == '|') *p = '\0';
  char title[100] = "";
  LoadStringA(GetModuleHandleA(nullptr), kTitleString, title, sizeof title);
  char file[MAX_PATH] = "";
  GetDlgItemTextA(dialog, kFile, file, MAX_PATH);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = filter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrTitle = title;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return;
  if (lstrcmpiA(file, state->listed) == 0) return;
  SetDlgItemTextA(dialog, kFile, file);
  Fill(dialog, state, file, 0);
}

INT_PTR CALLBACK ChangeIconProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ChangeIconState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<ChangeIconState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      HWND owner = GetWindow(dialog, GW_OWNER);
      RECT d{}, o{};
      GetWindowRect(dialog, &d);
      if (owner && GetWindowRect(owner, &o))
        SetWindowPos(dialog, nullptr, o.left + ((o.right - o.left) - (d.right - d.left)) / 2,
                     o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      SendDlgItemMessageA(dialog, kFile, EM_LIMITTEXT, 259, 0);
      SetDlgItemTextA(dialog, kFile, state->iconFile);
      SendDlgItemMessageA(dialog, kList, LB_SETCOLUMNWIDTH, 30, 0);
      Fill(dialog, state, state->iconFile, *state->iconIndex);
      return TRUE;
    }
    case WM_MEASUREITEM: {
      auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (m->CtlID != kList) return FALSE;
      m->itemWidth = 30;
      m->itemHeight = 30;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (d->CtlID != kList || d->itemID == static_cast<UINT>(-1)) return FALSE;
      bool selected = (d->itemState & ODS_SELECTED) != 0;
      FillRect(d->hDC, &d->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      HICON icon = reinterpret_cast<HICON>(d->itemData);
      if (icon) DrawIconEx(d->hDC, d->rcItem.left + 6, d->rcItem.top + 7, icon, 16, 16, 0, nullptr, DI_NORMAL);
      if (d->itemState & ODS_FOCUS) DrawFocusRect(d->hDC, &d->rcItem);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case kFile:
          if (HIWORD(wParam) == EN_CHANGE && state) {
            char text[MAX_PATH] = "";
            GetDlgItemTextA(dialog, kFile, text, MAX_PATH);
            if (lstrcmpiA(text, state->listed) != 0) SendDlgItemMessageA(dialog, kList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
          }
          return TRUE;
        case kBrowse:
          Browse(dialog, state);
          return TRUE;
        case IDOK: {
          char text[MAX_PATH] = "";
          GetDlgItemTextA(dialog, kFile, text, MAX_PATH);
          bool same = lstrcmpiA(text, state->listed) == 0 || (!text[0] && !state->iconFile[0]);
          if (!same) {
            char found[MAX_PATH];
            if (!IsProgramFile(text, found, MAX_PATH)) {
              SetFocus(GetDlgItem(dialog, kFile));
              SendDlgItemMessageA(dialog, kFile, EM_SETSEL, 0, -1);
              return TRUE;
            }
            SetDlgItemTextA(dialog, kFile, found);
            Fill(dialog, state, found, 0);
            return TRUE;
          }
          int chosen = static_cast<int>(SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0));
          if (chosen < 0) return TRUE;  // nothing to choose from the list yet
          lstrcpynA(state->iconFile, state->listed, MAX_PATH);
          *state->iconIndex = chosen;
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_DESTROY: {
      HWND list = GetDlgItem(dialog, kList);
      int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
      for (int i = 0; i < count; ++i) {
        HICON icon = reinterpret_cast<HICON>(SendMessageA(list, LB_GETITEMDATA, i, 0));
        if (icon && icon != reinterpret_cast<HICON>(LB_ERR)) DestroyIcon(icon);
      }
      return FALSE;
    }
  }
  return FALSE;
}
}  // namespace

int ShowChangeIconDialog(char* iconFile, int* iconIndex, HWND owner) {
  if (!iconFile || !iconIndex) return 0;
  ChangeIconState state{iconFile, iconIndex, ""};
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kDialog), owner, ChangeIconProc,
                         reinterpret_cast<LPARAM>(&state)) == 1;
}
