// The Copy To / Move To dialog: the items to copy or move, a folder-picker tree, the recent
// destinations, copy or move, and whether to go to the destination afterwards. Resizable, and
// its size is remembered. On OK the command hands the job to the Copy/Move worker.
#pragma once
#include <windows.h>

// What the dialog is opened with (DialogBoxParam's parameter, kept for the dialog's life) and
// what OK hands back.
struct CopyMoveRequest {
  UINT mode = 2;                // 1 move, 2 copy; the radio buttons change it
  char target[MAX_PATH] = "";  // the destination confirmed by OK
};
// The dialog's rectangle as created from its template (its minimum size).
extern RECT CopyMoveMinRect;

INT_PTR CALLBACK CopyMoveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void LayoutCopyMoveDialog(HWND dialog, int clientWidth);
void RestoreCopyMoveDialogSize(HWND dialog, RECT* templateRect);
void SaveCopyMoveDialogSize(HWND dialog);
void DrawSizeGrip(HWND dialog, HDC windowDc);
