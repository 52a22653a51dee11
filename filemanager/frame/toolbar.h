// The main window's toolbar: a customisable common-controls toolbar with its default buttons, the
// larger set the customise dialog offers, and its layout saved under the settings key.
#pragma once
#include <windows.h>
#include <commctrl.h>

constexpr int kToolbarImageCount = 93;
constexpr int kDefaultToolbarButtonCount = 35;
constexpr int kExtraToolbarButtonCount = 61;
// Buttons (separators not counted) of the default table.
constexpr int kDefaultToolbarRealButtons = 26;

// The default buttons in order, and the buttons the customise dialog adds to them.
extern const TBBUTTON kDefaultToolbarButtons[kDefaultToolbarButtonCount];
extern const TBBUTTON kExtraToolbarButtons[kExtraToolbarButtonCount];

// Registry values of the saved layouts (beneath the settings key).
constexpr const char* kToolbarCurrentValue = "Toolbar Current Settings";
constexpr const char* kToolbarDefaultValue = "Toolbar Default Settings";

// Creates the toolbar (control id 103) in `parent`, saves its layout as created as the default
// layout, restores the user's layout, records its height and disables the network-drive buttons
// when there is no network. Stores the window in g_frame.toolbar; null on failure (height 0).
HWND CreateToolbar(HWND parent);
// TB_SETSTYLE: the toolbar's fixed style, wrapable unless hidden or in the coolbar, flat on request
// when the common controls draw flat toolbars.
void SetToolbarStyle(HWND toolbar, BOOL flat);
// Sets or clears TBSTYLE_WRAPABLE in the window style.
void SetToolbarWrapable(HWND toolbar, BOOL on);
// TB_SAVERESTORE under "Toolbar Current Settings" / "Toolbar Default Settings"; save TRUE writes,
// FALSE restores. TRUE on success.
BOOL SaveCurrentToolbar(HWND toolbar, BOOL save);
BOOL RestoreDefaultToolbar(HWND toolbar, BOOL save);
// TBN_GETBUTTONINFOA: the default table's buttons (and separators), then the additional ones.
BOOL GetCustomizeButtonInfo(NMTOOLBARA* info);
// After customisation or a change of preferences: network buttons, command states, sort, view and
// layout buttons, and the main window's layout when the toolbar is shown.
void RefreshToolbarStates();
void DisableNetworkButtons(HWND toolbar);
// Checks the sort button of the active pane's key (40140 + key; `menuKey` when the pane has no
// list) and the menu's radio item.
void UpdateSortButtons(int menuKey);
// Checks the view button of the active pane's view (`viewId` when it has none) and the menu's
// radio item.
void UpdateViewButtons(UINT viewId);

// WM_NOTIFY from the toolbar (id 103): customisation, drop-downs and the right click. Sets *handled
// when the notification was the toolbar's.
LRESULT OnToolbarNotify(HWND mainWindow, NMHDR* header, BOOL* handled);

// WM_CREATE of the main window: the toolbar, and the command-state, sort-button and view-button
// services the panes call.
void CreateShellUiBars(HWND mainWindow);
// The text of a button's tool tip (command id, buffer, size); TRUE when there is one. The
// program installs it with the command states; without it the buttons have no tips.
extern BOOL (*g_toolbarTipText)(UINT id, char* buffer, int size);
// WM_NOTIFY of the main window: the toolbar's notifications and every tooltip's text request.
// TRUE when handled (the answer in *result).
BOOL OnShellUiNotify(HWND mainWindow, NMHDR* header, LRESULT* result);
