// Set file date and time (command 40129, dialog 187): one moment, typed on a 12-hour clock,
// stamped as the creation, last-access and last-write time of the selected files.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <string>
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "file_tools.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "window_helpers.h"

namespace {

struct Field {
  int edit, spin, low, high;
};
constexpr Field kFields[] = {
    {IDC_DT_MONTH, IDC_DT_MONTH_SPIN, 1, 12},   {IDC_DT_DAY, IDC_DT_DAY_SPIN, 1, 31},
    {IDC_DT_YEAR, IDC_DT_YEAR_SPIN, 1900, 2100}, {IDC_DT_HOUR, IDC_DT_HOUR_SPIN, 1, 12},
    {IDC_DT_MINUTE, IDC_DT_MINUTE_SPIN, 0, 59},  {IDC_DT_SECOND, IDC_DT_SECOND_SPIN, 0, 59},
};

SYSTEMTIME g_chosenTime;

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

void SetField(HWND dialog, int spin, int value) {
  SendDlgItemMessageA(dialog, spin, UDM_SETPOS32, 0, value);
}

// Fills the fields from a local time (seconds shown as 0).
void ShowTimeInFields(HWND dialog, const SYSTEMTIME& time) {
  SetField(dialog, IDC_DT_MONTH_SPIN, time.wMonth);
  SetField(dialog, IDC_DT_DAY_SPIN, time.wDay);
  SetField(dialog, IDC_DT_YEAR_SPIN, time.wYear);
  int hour = time.wHour;
  bool pm = hour >= 12;
  if (pm) hour -= 12;
  if (hour == 0) hour = 12;
  SetField(dialog, IDC_DT_HOUR_SPIN, hour);
  SetField(dialog, IDC_DT_MINUTE_SPIN, time.wMinute);
  SetField(dialog, IDC_DT_SECOND_SPIN, 0);
  CheckRadioButton(dialog, IDC_DT_AM, IDC_DT_PM, pm ? IDC_DT_PM : IDC_DT_AM);
}

void InitDateTimeFields(HWND dialog) {
  for (const Field& field : kFields)
    SendDlgItemMessageA(dialog, field.spin, UDM_SETRANGE32, field.low, field.high);
  SYSTEMTIME now;
  seams::GetLocalTime(&now);
  ShowTimeInFields(dialog, now);
}

// The first selected file of the active list with a record gives its last-write time.
void ShowFileDateInFields(HWND dialog) {
  HWND list = FilePanes[ActivePaneIndex].list;
  SYSTEMTIME time;
  bool found = false;
  for (int i = list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1; i >= 0 && !found;
       i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record) continue;
    FILETIME local;
    found = FileTimeToLocalFileTime(&record->lastWrite, &local) && FileTimeToSystemTime(&local, &time);
  }
  if (!found) seams::GetLocalTime(&time);
  ShowTimeInFields(dialog, time);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int month, int year) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

INT_PTR CALLBACK SetDateTimeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      InitDateTimeFields(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_DT_FROM_FILE:
          ShowFileDateInFields(dialog);
          return TRUE;
        case IDOK:
          if (!ReadDateTimeFields(dialog, &g_chosenTime)) {
            // A date that does not exist is never stamped: the dialog stays for a correction.
            seams::MessageBoxA(dialog, LoadText(IDS_DT_INVALID_DATE).c_str(), g_title, MB_OK | MB_ICONHAND);
            SetFocus(GetDlgItem(dialog, IDC_DT_DAY));
            return TRUE;
          }
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool ReadDateTimeFields(HWND dialog, SYSTEMTIME* time) {
  int values[6];
  for (int i = 0; i < 6; ++i) {
    BOOL ok = FALSE;
    UINT value = GetDlgItemInt(dialog, kFields[i].edit, &ok, FALSE);
    if (!ok || static_cast<int>(value) < kFields[i].low || static_cast<int>(value) > kFields[i].high) return false;
    values[i] = static_cast<int>(value);
  }
  int hour = values[3];
  bool pm = IsDlgButtonChecked(dialog, IDC_DT_PM) == BST_CHECKED;
  if (!pm && hour == 12) hour = 0;
  else if (pm && hour != 12) hour += 12;
  if (values[1] > DaysInMonth(values[0], values[2])) return false;
  SYSTEMTIME t{};
  t.wMonth = static_cast<WORD>(values[0]);
  t.wDay = static_cast<WORD>(values[1]);
  t.wYear = static_cast<WORD>(values[2]);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(values[4]);
  t.wSecond = static_cast<WORD>(values[5]);
  FILETIME check;
  if (!SystemTimeToFileTime(&t, &check)) return false;
  *time = t;
  return true;
}

void ApplyDateTimeToSelection(const SYSTEMTIME* localTime) {
  FILETIME local, utc;
  if (!SystemTimeToFileTime(localTime, &local) || !LocalFileTimeToFileTime(&local, &utc)) {
    seams::MessageBoxA(g_mainWindow, LoadText(IDS_DT_INVALID_DATE).c_str(), g_title, MB_OK | MB_ICONHAND);
    return;
  }
  HWND list = FilePanes[ActivePaneIndex].list;
  if (!list) return;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record || (record->fileAttributes & FILE_ATTRIBUTE_DIRECTORY) || record->kind == kItemArchiveEntry) continue;
    char path[MAX_PATH] = "";
    if (!record->folder || !GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, path) || !path[0]) return;
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path, shortPath, MAX_PATH);
    const char* open = n && n < MAX_PATH ? shortPath : path;
    HANDLE file = CreateFileA(open, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool stamped = file != INVALID_HANDLE_VALUE && SetFileTime(file, &utc, &utc, &utc);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    if (stamped) continue;
    char name[MAX_PATH] = "";
    GetDisplayNameText(record->folder, record->pidl, SHGDN_NORMAL, name);
    std::string text = LoadText(IDS_DT_CANNOT_SET);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, name);
    if (seams::MessageBoxA(g_mainWindow, text.c_str(), g_title, MB_OKCANCEL | MB_ICONHAND) == IDCANCEL) return;
  }
}

JQ_COMMAND_HANDLER(ShowSetDateTimeDialog) {
  if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SET_DATE_TIME), window, SetDateTimeDlgProc, 0) != IDOK)
    return 0;
  SYSTEMTIME chosen = g_chosenTime;
  ApplyDateTimeToSelection(&chosen);
  return 0;
}
