// The DOS command-line bar (a status bar holding a combo box with its history) and the Run
// dialog with its own history, both running their lines through RunCommandLine.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <cstring>
#include <string>
#include "command_basics.h"
#include "command_line.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "history_list.h"
#include "path_utils.h"
#include "resource.h"
#include "program_values.h"
#include "window_utils.h"

namespace {

constexpr int kBarId = 104;
constexpr int kComboId = 105;
constexpr UINT kCenterCombo = WM_USER + 100;

HistoryList g_dosHistory;
int g_comboLeft;
WNDPROC g_previousComboProc, g_previousBarProc, g_previousEditProc;
HWND g_runTip;

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance ? g_instance : GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

bool IsBlank(const char* text) {
  for (; *text; ++text)
    if (*text != ' ' && *text != '\t') return false;
  return true;
}

LRESULT CALLBACK CommandLineComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCenterCombo) {
    HWND bar = GetParent(combo);
    RECT barRect, comboRect;
    GetClientRect(bar, &barRect);
    GetWindowRect(combo, &comboRect);
    int barHeight = barRect.bottom;
    int comboHeight = comboRect.bottom - comboRect.top;
    int width = barRect.right - g_comboLeft;
    // The drop-down list keeps its height: only the position and width change.
    SetWindowPos(combo, nullptr, g_comboLeft, (barHeight - comboHeight) / 2, width > 20 ? width - 2 : 20,
                 comboHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  return CallWindowProcA(g_previousComboProc, combo, message, wParam, lParam);
}

LRESULT CALLBACK CommandLineBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallWindowProcA(g_previousBarProc, bar, message, wParam, lParam);
  if (message == WM_SIZE && IsWindowVisible(bar) && g_frame.commandLineCombo) {
    SendMessageA(g_frame.commandLineCombo, kCenterCombo, 0, 0);
    InvalidateRect(bar, nullptr, TRUE);
  }
  return result;
}

void RunEnteredLine(HWND edit) {
  char line[kCommandLineMax + 1] = "";
  GetWindowTextA(edit, line, sizeof line);
  if (!line[0]) return;
  if (!IsBlank(line)) {
    AddToHistoryList(&g_dosHistory, line);
    FillComboFromHistory(g_frame.commandLineCombo, &g_dosHistory);
  }
  SetWindowTextA(edit, "");
  RunCommandLine(line, FALSE);
  if (IsWindow(edit)) SetFocus(edit);
}

LRESULT CALLBACK CommandLineEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      g_commandLineFocus = 1;
      break;
    case WM_KILLFOCUS:
      break;
    case WM_SETTEXT: {
      LRESULT result = CallWindowProcA(g_previousEditProc, edit, message, wParam, lParam);
      CallWindowProcA(g_previousEditProc, edit, WM_KEYDOWN, VK_END, 0);
      return result;
    }
    case WM_KEYDOWN:
    case WM_CHAR:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_RETURN) {
        RunEnteredLine(edit);
        return 0;
      }
      if (wParam == VK_ESCAPE) {
        SetWindowTextA(edit, "");
        return 0;
      }
      break;
    case WM_MOUSEWHEEL: {
      POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      HWND under = WindowFromPoint(point);
      if (under && under != edit && under != GetParent(edit)) return SendMessageA(under, message, wParam, lParam);
      break;
    }
  }
  return CallWindowProcA(g_previousEditProc, edit, message, wParam, lParam);
}

int TextWidth(HWND window, HFONT font, const char* text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

}  // namespace

HWND CreateCommandLineBar(HWND parent, HFONT font) {
  HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
  HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                             0, 0, 100, 24, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBarId)), instance,
                             nullptr);
  if (!bar) {
    g_frame.commandLineHeight = 0;
    return nullptr;
  }
  if (font) SendMessageA(bar, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(bar, SB_SETMINHEIGHT, 24, 0);
  char prompt[51] = "";
  LoadStringA(instance, IDS_DOS_PROMPT, prompt, sizeof prompt);
  int promptWidth = TextWidth(bar, font, prompt);
  int parts[1] = {promptWidth + 8};
  SendMessageA(bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(prompt));

  TEXTMETRICA metrics{};
  HDC dc = GetDC(bar);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  GetTextMetricsA(dc, &metrics);
  if (old) SelectObject(dc, old);
  ReleaseDC(bar, dc);
  g_comboLeft = promptWidth + 12;
  HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_HASSTRINGS,
                               g_comboLeft, 1, 100, 20 * (metrics.tmHeight ? metrics.tmHeight : 16), bar,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), instance, nullptr);
  g_frame.commandLineBar = bar;
  g_frame.commandLineCombo = combo;
  if (combo) {
    if (font) SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(combo, CB_LIMITTEXT, kCommandLineMax, 0);
    g_previousComboProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandLineComboProc)));
    HWND edit = FindWindowExA(combo, nullptr, "EDIT", nullptr);
    g_frame.commandLineEdit = edit;
    if (edit)
      g_previousEditProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandLineEditProc)));
  }
  g_previousBarProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommandLineBarProc)));
  RECT rect;
  GetWindowRect(bar, &rect);
  g_frame.commandLineHeight = rect.bottom - rect.top;
  LoadHistoryList(&g_dosHistory, "DOS Command Line");
  if (combo) FillComboFromHistory(combo, &g_dosHistory);
  return bar;
}

void SaveCommandLineHistory() { SaveHistoryList(&g_dosHistory, "DOS Command Line"); }

INT_PTR CALLBACK RunDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      HistoryList history;
      LoadHistoryList(&history, "Run");
      HWND combo = GetDlgItem(dialog, IDC_DESTINATION_COMBO);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      FillComboFromHistory(combo, &history);
      if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      else SetWindowTextA(combo, "");
      HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
      HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_BROWSE), IMAGE_ICON, 16, 16, 0));
      if (icon) SendDlgItemMessageA(dialog, IDC_RUN_BROWSE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
      g_runTip = AddBrowseTooltip(GetDlgItem(dialog, IDC_RUN_BROWSE));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          char text[MAX_PATH] = "";
          GetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, text, sizeof text);
          if (!IsBlank(text)) {
            HistoryList history;
            LoadHistoryList(&history, "Run");
            AddToHistoryList(&history, text);
            SaveHistoryList(&history, "Run");
          }
          BOOL minimised = IsDlgButtonChecked(dialog, IDC_GO_TO_DESTINATION) == BST_CHECKED;
          ShowWindow(dialog, SW_HIDE);
          if (!RunCommandLine(text, minimised)) {
            ShowWindow(dialog, SW_SHOW);
            SetFocus(GetDlgItem(dialog, IDC_DESTINATION_COMBO));
            return TRUE;
          }
          EndDialog(dialog, 1);
          if (g_mainWindow) SetFocus(g_mainWindow);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case IDC_RUN_BROWSE: {
          std::string filter = LoadText(IDS_RUN_FILTER);
          for (char& c : filter)
            if (c == '|') c = '\0';
          filter.push_back('\0');
          std::string title = LoadText(IDS_APP_NAME);
          char file[MAX_PATH] = "";
          char folder[MAX_PATH] = "";
          HWND tree = FilePanes[ActivePaneIndex].tree;
          if (tree) GetTreeSelectionPath(tree, folder, FALSE, TRUE);
          OPENFILENAMEA open{};
          open.lStructSize = sizeof open;
          open.hwndOwner = dialog;
          open.lpstrFilter = filter.c_str();
          open.lpstrFile = file;
          open.nMaxFile = MAX_PATH;
          open.lpstrTitle = title.c_str();
          open.lpstrInitialDir = folder[0] ? folder : nullptr;
          open.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
          if (GetOpenFileNameA(&open)) {
            std::string quoted = strchr(file, ' ') ? "\"" + std::string(file) + "\"" : std::string(file);
            SetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, quoted.c_str());
          }
          return TRUE;
        }
      }
      break;
    case WM_DESTROY:
      if (g_runTip) DestroyWindow(g_runTip);
      g_runTip = nullptr;
      break;
  }
  return FALSE;
}

JQ_COMMAND_HANDLER(ShowRunDialog) {
  (void)message;
  (void)wParam;
  (void)lParam;
  HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_RUN), window, RunDlgProc, 0);
  return 0;
}

JQ_COMMAND_HANDLER(OpenCommandPrompt) {
  (void)message;
  (void)wParam;
  (void)lParam;
  SetCommandLineFolderFromPane();
  OpenDosWindow(window, CommandLineFolder);
  return 0;
}
