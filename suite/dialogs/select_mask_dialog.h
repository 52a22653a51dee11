// The select-by-mask dialog that the file manager and the finder share: a mask combo with its
// "Select" history, four three-state attribute boxes, and Select and Deselect buttons. The
// program gives its template's control ids and gets the choice back through the dialog's
// parameter (and, when it gives one, through its selection routine before the dialog ends).
#pragma once
#include <windows.h>

// What the user chose. Attribute tests: 1 the attribute must be set, 0 it must be clear, 2 any.
struct SelectMaskChoice {
  BOOL select;          // Select (1) or Deselect (0)
  char mask[MAX_PATH];  // the mask text without leading blanks
  int archive, readOnly, hidden, system;
  BOOL includeFolders, matchCase;  // FALSE when the template has no such box
};

// The parameter of DialogBoxParam for SelectDlgProc.
struct SelectMaskRequest {
  // Control ids of the program's template; 0 for a box the template does not have.
  int maskCombo, selectButton, deselectButton;
  int archiveBox, readOnlyBox, hiddenBox, systemBox;
  int includeFoldersBox, matchCaseBox;
  const char* historyName;  // subkey of the history list ("Select")
  // The key the history's subkey lies under (relative to the user root) and how many entries
  // it keeps; null and 0: the file manager's settings key and its full length.
  const char* historyKey;
  int historySlots;
  UINT helpContext;         // the Help button's topic; 0 when the template has no Help button
  // The host's selection routine, called on Select or Deselect before the dialog ends (may be
  // null); the choice is also left in `choice`.
  void (*apply)(const SelectMaskChoice& choice, void* context);
  void* context;
  SelectMaskChoice choice;  // out
};

// Starts with the history in the combo (or "*.*" when it is empty) and the four boxes
// indeterminate; Select or Deselect adds a non-blank mask to the history, saves it, fills
// `choice`, calls the host's routine and ends with 1; Cancel ends with 0.
INT_PTR CALLBACK SelectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
