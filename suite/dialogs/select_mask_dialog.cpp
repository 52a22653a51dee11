#include "select_mask_dialog.h"
#include <cstring>
#include <initializer_list>
#include "help_file.h"
#include "history_list.h"
#include "window_helpers.h"

namespace {
void SetTriState(HWND dialog, int id, int value) {
  if (!id) return;
  CheckDlgButton(dialog, id, value == 1 ? BST_CHECKED : value == 0 ? BST_UNCHECKED : BST_INDETERMINATE);
}

int GetTriState(HWND dialog, int id) {
  if (!id) return 2;
  UINT state = IsDlgButtonChecked(dialog, id);
  return state == BST_CHECKED ? 1 : state == BST_UNCHECKED ? 0 : 2;
}

BOOL Checked(HWND dialog, int id) { return id && IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

SelectMaskRequest* RequestOf(HWND dialog) {
  return reinterpret_cast<SelectMaskRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
}
}  // namespace

INT_PTR CALLBACK SelectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* request = reinterpret_cast<SelectMaskRequest*>(lParam);
      if (!request) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(request));
      HistoryList history;
      LoadHistoryList(&history, request->historyName, request->historyKey, request->historySlots);
      HWND combo = GetDlgItem(dialog, request->maskCombo);
      SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
      FillComboFromHistory(combo, &history);
      if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      else SetWindowTextA(combo, "*.*");
      for (int id : {request->archiveBox, request->readOnlyBox, request->hiddenBox, request->systemBox})
        SetTriState(dialog, id, 2);
      CenterWindowOver(dialog, GetParent(dialog));
      return TRUE;
    }
    case WM_COMMAND: {
      SelectMaskRequest* request = RequestOf(dialog);
      if (!request) break;
      int id = LOWORD(wParam);
      if (id == request->selectButton || id == request->deselectButton) {
        char mask[MAX_PATH] = "";
        GetDlgItemTextA(dialog, request->maskCombo, mask, sizeof mask);
        const char* start = mask;
        while (*start == ' ') ++start;
        if (*start) {
          HistoryList history;
          LoadHistoryList(&history, request->historyName, request->historyKey, request->historySlots);
          AddToHistoryList(&history, start);
          SaveHistoryList(&history, request->historyName, request->historyKey, request->historySlots);
        }
        SelectMaskChoice& choice = request->choice;
        choice.select = id == request->selectButton;
        lstrcpynA(choice.mask, start, sizeof choice.mask);
        choice.archive = GetTriState(dialog, request->archiveBox);
        choice.readOnly = GetTriState(dialog, request->readOnlyBox);
        choice.hidden = GetTriState(dialog, request->hiddenBox);
        choice.system = GetTriState(dialog, request->systemBox);
        choice.includeFolders = Checked(dialog, request->includeFoldersBox);
        choice.matchCase = Checked(dialog, request->matchCaseBox);
        if (request->apply) request->apply(choice, request->context);
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      if (id == IDHELP && request->helpContext) {
        ShowHelpTopic(dialog, request->helpContext);
        return TRUE;
      }
      break;
    }
  }
  return FALSE;
}
