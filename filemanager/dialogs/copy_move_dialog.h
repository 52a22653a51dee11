// The Copy To / Move To dialog: the items to copy or move, a folder-picker tree, the recent
// destinations, copy or move, and whether to go to the destination afterwards. Resizable, and
// its size is remembered. On OK the command hands the job to the Copy/Move worker.
#pragma once
#include <windows.h>

// Operation codes: 1 move, 2 copy.
extern UINT CopyMoveMode;
// The destination confirmed by OK.
extern char CopyMoveTarget[MAX_PATH];
// The dialog's rectangle as created from its template (its minimum size).
extern RECT CopyMoveMinRect;

INT_PTR CALLBACK CopyMoveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void LayoutCopyMoveDialog(HWND dialog, int clientWidth);
void RestoreCopyMoveDialogSize(HWND dialog, RECT* templateRect);
void SaveCopyMoveDialogSize(HWND dialog);
void DrawSizeGrip(HWND dialog, HDC windowDc);
