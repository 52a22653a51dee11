// The Preferences sheet: eight pages that copy their controls into the live options when the
// sheet is confirmed, and RunPreferences (command 40033), which stores the options and brings
// the window, bars and panes up to date.
#pragma once
#include <windows.h>
#include <cstdint>

// What the sheet needs of the program beyond the panes and the frame. The program fills it at
// start-up; a null entry is skipped.
struct PreferencesHost {
  DWORD* replaceExplorer;  // "Replace MS Explorer" as the program holds it
  int (*setReplaceExplorer)(DWORD flag);
  int (*registerArchiveAssociations)(const char* installDir, int registerFlag);
  void (*loadKeyboardSchemeMenus)(UINT scheme);
  // The colour popup: opens with its top-left corner at `topLeft` (screen) showing `*color`;
  // TRUE with *color replaced when a colour was chosen. Null: the system's colour dialog.
  BOOL (*pickColor)(HWND owner, POINT topLeft, COLORREF* color);
  // After the coolbar option changed: moves the bars into or out of the coolbar.
  void (*updateBarStylesForCoolbar)(HWND mainWindow);
  // After the flat option changed: the launch bar's style.
  void (*updateLaunchBarStyle)(HWND mainWindow);
};
extern PreferencesHost g_preferencesHost;
// The replace-explorer box as the General page confirmed it.
extern DWORD g_sheetReplaceExplorer;

// The context-menu values, in the order of their record, with the box of each.
constexpr int kContextMenuValueCount = 12;
struct ContextMenuValue {
  const char* name;
  int box;
};
extern const ContextMenuValue kContextMenuValues[kContextMenuValueCount];
// The order in which they are read and written (indexes into kContextMenuValues).
extern const int kContextMenuValueOrder[kContextMenuValueCount];
// Reads the twelve values (1 for a missing one) / writes them.
void ReadContextMenuValues(uint32_t (&values)[kContextMenuValueCount]);
void WriteContextMenuValues(const uint32_t (&values)[kContextMenuValueCount]);

// The drives page's list text: 26 characters, '.' for a drive not shown, else its letter in
// lower case; bit n of `shown` is the n-th letter (A is bit 1).
void FormatDriveListText(DWORD shown, char (&text)[27]);

// PropertySheet with the eight pages and no Apply button; 1 when confirmed.
INT_PTR ShowPreferencesSheet(HWND owner);

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DrivesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ListsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ContextMenuPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ViewerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ZipPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CommandLinePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK KeyboardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DriveTreeSubclassProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam);
