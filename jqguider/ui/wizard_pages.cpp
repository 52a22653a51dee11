// The wizard sheet and its six pages: welcome, sample, window style, tools, configuration name
// and done. The pages share one process-wide wizard state and the page bitmaps.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <cstdio>
#include <string>

#include "wizard_layout_file.h"
#include "wizard_history.h"
#include "resource.h"
#include "seams.h"
#include "wizard.h"

namespace guider {
namespace {

struct SheetContext {
  HINSTANCE instance = nullptr;
  WizardState* state = nullptr;
  HFONT titleFont = nullptr;
  int toolUnderCursor = 0;  // the tool box last found under the cursor, 0 for none
};
SheetContext g_sheet;

constexpr UINT_PTR kToolTimer = 1;
const int kToolBoxes[kToolCount] = {IDC_GUIDER_QUICKLAUNCH, IDC_GUIDER_STARTMENUS,
                                    IDC_GUIDER_PRINTMANAGER, IDC_GUIDER_MULTIVIEW,
                                    IDC_GUIDER_SYSMONITOR,  IDC_GUIDER_CLOCK,
                                    IDC_GUIDER_COMMANDLINE, IDC_GUIDER_SYSACCESS};
// Tools that a frame inside the taskbar cannot hold.
bool IsTaskbarTool(Tool t) {
  return t == kQuickLaunch || t == kStartMenus || t == kPrintManager || t == kMultiView;
}

std::string LoadText(UINT id, size_t size = 300) {
  std::string text(size, '\0');
  int n = LoadStringA(g_sheet.instance, id, text.data(), static_cast<int>(size));
  text.resize(n > 0 ? n : 0);
  return text;
}

void SetResult(HWND page, LONG_PTR result) { SetWindowLongPtrA(page, DWLP_MSGRESULT, result); }

// A bitmap of the program, drawn at a point of a page.
void DrawBitmap(HDC dc, UINT id, int x, int y) {
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageA(g_sheet.instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
  if (!bitmap) return;
  BITMAP info{};
  GetObjectA(bitmap, sizeof(info), &info);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
}

RECT ControlRect(HWND page, int id) {
  RECT r{};
  HWND control = GetDlgItem(page, id);
  if (control) {
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

// Where each page draws its picture.
void PaintPage(HWND page, int pageId) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(page, &ps);
  RECT client;
  GetClientRect(page, &client);
  const int width = client.right;
  switch (pageId) {
    case IDD_GUIDER_WELCOME: {
      RECT title = ControlRect(page, IDC_GUIDER_TITLE);
      DrawBitmap(dc, IDB_GUIDER_WELCOME, (title.left - 108) / 2, title.top);
      break;
    }
    case IDD_GUIDER_SAMPLE: {
      RECT text = ControlRect(page, IDC_GUIDER_TEXT);
      DrawBitmap(dc, IDB_GUIDER_SAMPLE, (width - 441) / 2,
                 text.bottom + (client.bottom - text.bottom - 129) / 2);
      break;
    }
    case IDD_GUIDER_STYLE: {
      RECT below = ControlRect(page, IDC_GUIDER_STYLE_TEXT);
      UINT id = IDB_GUIDER_STYLE_DOCKED;
      int w = 388;
      if (IsDlgButtonChecked(page, IDC_GUIDER_STYLE_TASKBAR) == BST_CHECKED) {
        id = IDB_GUIDER_STYLE_TASKBAR;
        w = 439;
      } else if (IsDlgButtonChecked(page, IDC_GUIDER_STYLE_FLOATING) == BST_CHECKED) {
        id = IDB_GUIDER_STYLE_FLOATING;
        w = 412;
      }
      DrawBitmap(dc, id, (width - w) / 2, below.bottom + 6);
      break;
    }
    case IDD_GUIDER_NAME: {
      RECT edit = ControlRect(page, IDC_GUIDER_NAME_EDIT);
      DrawBitmap(dc, IDB_GUIDER_NAME, (width - 243) / 2, edit.bottom + 12);
      break;
    }
    case IDD_GUIDER_DONE: {
      RECT text = ControlRect(page, IDC_GUIDER_TEXT);
      DrawBitmap(dc, IDB_GUIDER_DONE, (width - 412) / 2, text.bottom + 12);
      break;
    }
  }
  EndPaint(page, &ps);
}

INT_PTR CALLBACK ConfirmCancelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      // Centred on the screen, with the focus on No.
      RECT r;
      GetWindowRect(dialog, &r);
      int w = r.right - r.left, h = r.bottom - r.top;
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      SetFocus(GetDlgItem(dialog, IDNO));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDYES ? IDYES : IDNO);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

// Handling every page shares: the bold title, the cancel question and the pictures.
bool CommonPageMessage(HWND page, UINT message, LPARAM lParam, int pageId, INT_PTR& result) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(page, IDC_GUIDER_TITLE, WM_SETFONT,
                          reinterpret_cast<WPARAM>(g_sheet.titleFont), FALSE);
      result = TRUE;
      return true;
    case WM_PAINT:
      PaintPage(page, pageId);
      result = TRUE;
      return true;
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_QUERYCANCEL)) {
        INT_PTR answer = DialogBoxParamA(g_sheet.instance,
                                         MAKEINTRESOURCEA(IDD_GUIDER_CONFIRM_CANCEL),
                                         GetParent(page), ConfirmCancelProc, 0);
        SetResult(page, answer == IDYES ? FALSE : TRUE);
        result = TRUE;
        return true;
      }
      break;
  }
  return false;
}

UINT NotifyCode(LPARAM lParam) { return reinterpret_cast<NMHDR*>(lParam)->code; }

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_WELCOME, result)) return result;
  if (message == WM_NOTIFY && NotifyCode(lParam) == static_cast<UINT>(PSN_SETACTIVE)) {
    PropSheet_SetWizButtons(GetParent(page), PSWIZB_NEXT);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK SamplePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_SAMPLE, result)) return result;
  if (message == WM_NOTIFY && NotifyCode(lParam) == static_cast<UINT>(PSN_SETACTIVE)) {
    PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
    return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK StylePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_STYLE, result)) return result;
  WizardState& state = *g_sheet.state;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) InvalidateRect(page, nullptr, TRUE);
      break;
    case WM_NOTIFY:
      switch (NotifyCode(lParam)) {
        case PSN_SETACTIVE: {
          PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
          int checked = state.style == WindowStyle::Taskbar    ? IDC_GUIDER_STYLE_TASKBAR
                        : state.style == WindowStyle::Floating ? IDC_GUIDER_STYLE_FLOATING
                                                               : IDC_GUIDER_STYLE_DOCKED;
          for (int id : {IDC_GUIDER_STYLE_DOCKED, IDC_GUIDER_STYLE_TASKBAR,
                         IDC_GUIDER_STYLE_FLOATING})
            CheckDlgButton(page, id, id == checked ? BST_CHECKED : BST_UNCHECKED);
          InvalidateRect(page, nullptr, TRUE);
          return TRUE;
        }
        case PSN_KILLACTIVE:
          state.style = IsDlgButtonChecked(page, IDC_GUIDER_STYLE_DOCKED) == BST_CHECKED
                            ? WindowStyle::Docked
                        : IsDlgButtonChecked(page, IDC_GUIDER_STYLE_TASKBAR) == BST_CHECKED
                            ? WindowStyle::Taskbar
                            : WindowStyle::Floating;
          SetResult(page, FALSE);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

void ShowToolUnderCursor(HWND page) {
  POINT cursor;
  GetCursorPos(&cursor);
  int found = 0;
  for (int id : kToolBoxes) {
    RECT r;
    HWND box = GetDlgItem(page, id);
    if (box && IsWindowVisible(box) && GetWindowRect(box, &r) && PtInRect(&r, cursor)) found = id;
  }
  if (found == g_sheet.toolUnderCursor) return;
  g_sheet.toolUnderCursor = found;
  SetDlgItemTextA(page, IDC_GUIDER_TOOL_TEXT, found ? LoadText(found).c_str() : "");
}

INT_PTR CALLBACK ToolsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_TOOLS, result)) return result;
  WizardState& state = *g_sheet.state;
  switch (message) {
    case WM_TIMER:
      if (wParam == kToolTimer) ShowToolUnderCursor(page);
      return TRUE;
    case WM_NOTIFY:
      switch (NotifyCode(lParam)) {
        case PSN_SETACTIVE: {
          PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
          const bool taskbar = state.style == WindowStyle::Taskbar;
          for (int t = 0; t < kToolCount; ++t) {
            bool usable = !taskbar || IsTaskbarTool(static_cast<Tool>(t));
            EnableWindow(GetDlgItem(page, kToolBoxes[t]), usable);
            CheckDlgButton(page, kToolBoxes[t],
                           usable && state.tools.chosen[t] ? BST_CHECKED : BST_UNCHECKED);
          }
          g_sheet.toolUnderCursor = -1;
          SetTimer(page, kToolTimer, 200, nullptr);
          return TRUE;
        }
        case PSN_KILLACTIVE: {
          KillTimer(page, kToolTimer);
          const bool taskbar = state.style == WindowStyle::Taskbar;
          for (int t = 0; t < kToolCount; ++t)
            state.tools.chosen[t] = (!taskbar || IsTaskbarTool(static_cast<Tool>(t))) &&
                                    IsDlgButtonChecked(page, kToolBoxes[t]) == BST_CHECKED;
          SetResult(page, FALSE);
          return TRUE;
        }
        case PSN_WIZNEXT:
          // Without an earlier layout the default name is taken without asking.
          SetResult(page, state.hasPreviousLayout ? 0 : IDD_GUIDER_DONE);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

std::string FormatText(const std::string& format, const std::string& value) {
  std::string out(format.size() + value.size() + 1, '\0');
  int n = snprintf(out.data(), out.size(), format.c_str(), value.c_str());
  out.resize(n > 0 ? std::min<size_t>(n, out.size() - 1) : 0);
  return out;
}

INT_PTR CALLBACK NamePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_NAME, result)) return result;
  WizardState& state = *g_sheet.state;
  if (message != WM_NOTIFY) return FALSE;
  switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE:
      PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
      SendDlgItemMessageA(page, IDC_GUIDER_NAME_EDIT, EM_LIMITTEXT, 99, 0);
      SetDlgItemTextA(page, IDC_GUIDER_NAME_EDIT, state.name.c_str());
      return TRUE;
    case PSN_KILLACTIVE: {
      char text[100] = {};
      GetDlgItemTextA(page, IDC_GUIDER_NAME_EDIT, text, sizeof(text));
      const char* name = text;
      while (*name == ' ' || *name == '\t') ++name;
      if (!*name) {
        seams::MessageBoxA(page, LoadText(IDS_GUIDER_EMPTY_NAME).c_str(),
                           LoadText(IDS_GUIDER_ERROR_CAPTION).c_str(), MB_OK | MB_ICONERROR);
        SetResult(page, TRUE);
        return TRUE;
      }
      std::string path = LayoutPathForName(name, state.programFolder);
      if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
          seams::MessageBoxA(page, FormatText(LoadText(IDS_GUIDER_REPLACE_TEXT), name).c_str(),
                             LoadText(IDS_GUIDER_REPLACE_CAPTION).c_str(),
                             MB_YESNO | MB_ICONWARNING) != IDYES) {
        SetResult(page, TRUE);
        return TRUE;
      }
      state.name = name;
      SetDlgItemTextA(page, IDC_GUIDER_NAME_EDIT, state.name.c_str());
      SetResult(page, FALSE);
      return TRUE;
    }
    case PSN_RESET:
      SetDlgItemTextA(page, IDC_GUIDER_NAME_EDIT, state.name.c_str());
      return TRUE;
  }
  return FALSE;
}

INT_PTR CALLBACK DonePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = FALSE;
  if (CommonPageMessage(page, message, lParam, IDD_GUIDER_DONE, result)) return result;
  WizardState& state = *g_sheet.state;
  if (message != WM_NOTIFY) return FALSE;
  switch (NotifyCode(lParam)) {
    case PSN_SETACTIVE:
      PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_FINISH);
      return TRUE;
    case PSN_WIZBACK:
      // The name page was skipped on the way here when there is no earlier layout.
      SetResult(page, state.hasPreviousLayout ? 0 : IDD_GUIDER_TOOLS);
      return TRUE;
    case PSN_WIZFINISH: {
      std::string path = LayoutPathForName(state.name, state.programFolder);
      if (!WriteWizardLayout(path, state.style, state.tools, state.displayNames)) {
        seams::MessageBoxA(page, FormatText(LoadText(IDS_GUIDER_WRITE_FAILED_TEXT), path).c_str(),
                           LoadText(IDS_GUIDER_WRITE_FAILED_CAPTION).c_str(),
                           MB_OK | MB_ICONERROR);
        SetResult(page, TRUE);  // the sheet stays open
        return TRUE;
      }
      state.writtenPath = path;
      state.finished = true;
      if (UpdateLayoutHistory(path)) {
        HWND sheet = GetParent(page);
        if (state.toolbarRunning && FindToolbarWindow()) ShowWindow(sheet, SW_HIDE);
        state.handOver = HandOverLayout(path, state.toolbarRunning, sheet, state.programFolder);
      }
      SetResult(page, FALSE);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

INT_PTR RunWizardSheet(HINSTANCE instance, WizardState& state) {
  g_sheet.instance = instance;
  g_sheet.state = &state;
  HDC screen = GetDC(nullptr);
  g_sheet.titleFont = CreateFontA(-12 * GetDeviceCaps(screen, LOGPIXELSY) / 72, 0, 0, 0, FW_BOLD,
                                  FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
  ReleaseDC(nullptr, screen);

  struct PageDef {
    int id;
    DLGPROC proc;
  };
  const PageDef pages[] = {{IDD_GUIDER_WELCOME, WelcomePageProc}, {IDD_GUIDER_SAMPLE, SamplePageProc},
                           {IDD_GUIDER_STYLE, StylePageProc},     {IDD_GUIDER_TOOLS, ToolsPageProc},
                           {IDD_GUIDER_NAME, NamePageProc},       {IDD_GUIDER_DONE, DonePageProc}};
  HPROPSHEETPAGE handles[6] = {};
  for (int i = 0; i < 6; ++i) {
    PROPSHEETPAGEA p{};
    p.dwSize = sizeof(p);
    p.hInstance = instance;
    p.pszTemplate = MAKEINTRESOURCEA(pages[i].id);
    p.pfnDlgProc = pages[i].proc;
    handles[i] = CreatePropertySheetPageA(&p);
  }
  std::string caption = LoadText(IDS_GUIDER_CAPTION);
  PROPSHEETHEADERA header{};
  header.dwSize = sizeof(header);
  header.dwFlags = PSH_WIZARD | PSH_USEICONID | PSH_NOAPPLYNOW;
  header.hwndParent = nullptr;
  header.hInstance = instance;
  header.pszIcon = MAKEINTRESOURCEA(IDI_GUIDER);
  header.pszCaption = caption.c_str();
  header.nPages = 6;
  header.phpage = handles;
  INT_PTR result = PropertySheetA(&header);
  DeleteObject(g_sheet.titleFont);
  g_sheet = SheetContext{};
  return result;
}

}  // namespace guider
