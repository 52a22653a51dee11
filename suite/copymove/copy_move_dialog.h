// The Copy To / Move To dialog that the suite's programs share: the items to copy or move (the
// program fills that list), a folder-picker tree, the recent destinations ("Copy_Move To"),
// copy or move, and, where the template has it, whether to go to the destination afterwards.
// Resizable; its size is kept in "Copy/Move To Dialog Size" under the file manager's settings
// key. Ends with 1 and the destination and mode in the request when confirmed, else 0.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Control ids of every program's template (the file finder's has no Help button and no
// go-to check box).
enum : int {
  kCopyMoveHelpButton = 9,
  kCopyMoveListId = 1001,
  kCopyMoveGoToDestinationId = 1006,
  kCopyMoveGoButtonId = 1015,
  kCopyMoveCopyRadioId = 1037,
  kCopyMoveMoveRadioId = 1038,
  kCopyMoveComboId = 1039,
  kCopyMoveTreeId = 1129,
  kCopyMoveListLabelId = 1151,
  kCopyMoveGroupId = 1153,
};

// What the dialog is opened with (DialogBoxParam's parameter, kept for the dialog's life) and
// what OK hands back.
struct CopyMoveRequest {
  UINT mode = 2;               // 1 move, 2 copy; the radio buttons change it
  char target[MAX_PATH] = "";  // the destination confirmed by OK
  BOOL goToDestination = FALSE;  // in and out: the go-to check box, where the template has one
  // The program's texts: captions for copy and move, the list's label for each, the question
  // for a blank destination.
  HINSTANCE instance = nullptr;  // of the template and the go icon
  UINT copyCaption = 0, moveCaption = 0, copyLabel = 0, moveLabel = 0, blankTarget = 0;
  UINT goIcon = 0;               // icon of the go button (0: none)
  UINT copyHelp = 26, moveHelp = 25;
  HWND centreOver = nullptr;     // null: the owner
  // Fills the list (kCopyMoveListId, one column inserted) with the items to copy or move.
  void (*fillSources)(HWND rows, void* context) = nullptr;
  // The tree's custom drawing (compressed items in their colour); null: the default drawing.
  LRESULT (*treeCustomDraw)(NMTVCUSTOMDRAW* draw) = nullptr;
  void* context = nullptr;
  // A program that keeps its settings under a key of its own (relative to the user root): the
  // history lies there with `historySlots` entries, and the dialog's size is not kept.
  const char* historyKey = nullptr;
  int historySlots = 16;
};
// The dialog's rectangle as created from its template (its minimum size).
extern RECT CopyMoveMinRect;

INT_PTR CALLBACK CopyMoveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void LayoutCopyMoveDialog(HWND dialog, int clientWidth);
void RestoreCopyMoveDialogSize(HWND dialog, RECT* templateRect);
void SaveCopyMoveDialogSize(HWND dialog);
void DrawSizeGrip(HWND dialog, HDC windowDc);
