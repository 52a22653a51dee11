// The folder-picker tree beside a target folder combo, shared by the extract dialog and the
// UUEncode dialog: the combo's folder is shown in the tree, a folder chosen in the tree goes into
// the combo, and the ">" button takes the combo's text to the tree.
#pragma once
#include <windows.h>

// Fills the tree with the desktop's namespace and selects the combo's folder (or opens the root).
void InitTargetTree(HWND dialog);
// The tree's notifications (WM_NOTIFY): true when the header came from the tree.
bool OnTargetTreeNotify(HWND dialog, NMHDR* header);
// Posted after the tree's selection changed: the selected folder's path into the combo.
constexpr UINT kTargetTreeSelected = WM_USER + 105;
void OnTargetTreeSelected(HWND dialog);
// The ">" button: the combo's folder selected in the tree, which takes the focus.
void GoToTargetTree(HWND dialog);
// The dialog messages of the tree and its ">" button (kTargetTreeSelected, the tree's WM_NOTIFY,
// IDC_ARC_GO_TO_TREE): true when the message was one of them, with the dialog's answer.
bool HandleTargetTreeMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* answer);
