#include "filters_dialog.h"
#include <cstring>
#include "history_list.h"
#include "resource.h"
#include "settings_store.h"
#include "window_helpers.h"

namespace {
void SetTriState(HWND dialog, int id, int value) {
  CheckDlgButton(dialog, id, value == 1 ? BST_CHECKED : value == 0 ? BST_UNCHECKED : BST_INDETERMINATE);
}

int GetTriState(HWND dialog, int id) {
  UINT state = IsDlgButtonChecked(dialog, id);
  return state == BST_CHECKED ? 1 : state == BST_UNCHECKED ? 0 : 2;
}

FileFilter* FilterOf(HWND dialog) {
  return reinterpret_cast<FileFilter*>(GetWindowLongPtrA(dialog, DWLP_USER));
}
}  // namespace

INT_PTR CALLBACK FiltersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* filter = reinterpret_cast<FileFilter*>(lParam);
      if (!filter) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      HistoryList history;
      LoadHistoryList(&history, "Filters");
      HWND combo = GetDlgItem(dialog, IDC_ACT_COMBO);
      SendMessageA(combo, CB_LIMITTEXT, sizeof filter->patterns - 1, 0);
      FillComboFromHistory(combo, &history);
      char patterns[sizeof filter->patterns + 1] = "";
      memcpy(patterns, filter->patterns, sizeof filter->patterns);
      SetWindowTextA(combo, patterns[0] ? patterns : "*.*");
      SetTriState(dialog, IDC_ACT_ARCHIVE, filter->archive);
      SetTriState(dialog, IDC_ACT_READ_ONLY, filter->readOnly);
      SetTriState(dialog, IDC_ACT_HIDDEN, filter->hidden);
      SetTriState(dialog, IDC_ACT_SYSTEM, filter->system);
      int radio = filter->foldersOnly ? IDC_ACT_FOLDERS_ONLY
                  : filter->filesOnly ? IDC_ACT_FILES_ONLY
                                      : IDC_ACT_FILES_AND_FOLDERS;
      CheckRadioButton(dialog, IDC_ACT_FILES_AND_FOLDERS, IDC_ACT_FILES_ONLY, radio);
      CenterWindowOver(dialog, GetParent(dialog));
      return TRUE;
    }
    case WM_COMMAND: {
      FileFilter* filter = FilterOf(dialog);
      if (LOWORD(wParam) == IDOK && filter) {
        char patterns[sizeof filter->patterns] = "";
        GetDlgItemTextA(dialog, IDC_ACT_COMBO, patterns, sizeof patterns);
        char* start = patterns;
        while (*start == ' ') ++start;
        if (!*start) start = const_cast<char*>("*.*");
        memset(filter->patterns, 0, sizeof filter->patterns);
        lstrcpynA(filter->patterns, start, sizeof filter->patterns);
        HistoryList history;
        LoadHistoryList(&history, "Filters");
        AddToHistoryList(&history, filter->patterns);
        SaveHistoryList(&history, "Filters");
        filter->archive = GetTriState(dialog, IDC_ACT_ARCHIVE);
        filter->readOnly = GetTriState(dialog, IDC_ACT_READ_ONLY);
        filter->hidden = GetTriState(dialog, IDC_ACT_HIDDEN);
        filter->system = GetTriState(dialog, IDC_ACT_SYSTEM);
        filter->filesOnly = IsDlgButtonChecked(dialog, IDC_ACT_FILES_ONLY) == BST_CHECKED;
        filter->foldersOnly = IsDlgButtonChecked(dialog, IDC_ACT_FOLDERS_ONLY) == BST_CHECKED;
        EndDialog(dialog, 1);
        return TRUE;
      }
      if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      break;
    }
  }
  return FALSE;
}
