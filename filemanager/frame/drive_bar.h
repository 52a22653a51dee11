// The drive bar (one button per drive, with its context menu) and the address combo with its
// drop-down folder tree.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "command_basics.h"

HWND CreateDriveBar(HWND parent);
void ClearDriveBarButtons(HWND bar);
void RebuildDriveBar(HWND bar);
// The drive letter of a drive-bar command (48000 + 3n), from the button's data; 0 for none.
char DriveLetterOfCommand(HWND bar, UINT id);
void ShowDriveContextMenu(HWND window);
// The shell's display name of the drive's root ("Local Disk (C:)"); empty on failure.
void GetDriveDisplayName(char letter, char* buffer, int size);
HWND CreateAddressCombo(HWND parent, HFONT font);
void RedrawAddressCombo(HWND combo);
void ShowAddressComboInDriveBar(HWND bar, HWND combo, BOOL show);
void CloseDropdownOnOutsideClick(HWND clicked, WPARAM parameter);
// Opens the drop-down folder tree below the address combo (what a click on the combo does).
void OpenAddressDropdown();
// WM_NOTIFY for the drive bar (tool tips, right click) and the drop-down tree (control 113);
// TRUE with *result set when the notification was theirs.
BOOL OnActionsNotify(HWND window, NMHDR* header, LRESULT* result);
// Creates the drive bar and the address combo inside it at the main window's creation.
void CreateDriveBarAndAddressCombo(HWND mainWindow);

// How the drive bar and the address combo take a pane to a path: the tree node of pane `pane`
// that stands for `path`, selected when `select` is set; null when the path is not in the tree.
// The program installs the navigation it uses everywhere; until then nothing is navigated.
using PaneNavigator = HTREEITEM (*)(int pane, const char* path, BOOL select);
void SetDriveBarNavigator(PaneNavigator navigator);

// Handlers of the drive bar's commands and messages.
// id: a drive-bar command (48000 + 3n) or 0; letter: the drive when id is 0.
LRESULT OpenDriveFromBar(HWND window, UINT id, char letter);
JQ_COMMAND_HANDLER(RebuildDriveBarMessage);  // WM_USER+102: clear and rebuild the drive bar
JQ_COMMAND_HANDLER(DropDownAddressCombo);
