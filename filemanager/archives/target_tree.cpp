#include "target_tree.h"
#include <commctrl.h>
#include <shlobj.h>
#include "folder_tree.h"
#include "picker_tree.h"
#include "resource.h"
#include "tree_nodes.h"

void InitTargetTree(HWND dialog) {
  HWND tree = GetDlgItem(dialog, IDC_ARC_TREE);
  IShellFolder* desktop = nullptr;
  if (!tree || FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return;
  FillPickerTree(tree, desktop, nullptr, TVI_ROOT, TRUE, FALSE);
  desktop->Release();
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_ARC_TARGET, text, sizeof text);
  if (!text[0] || !SelectPickerTreePath(tree, text, TRUE, TRUE, FALSE)) ExpandTreeRoot(tree);
}

bool OnTargetTreeNotify(HWND dialog, NMHDR* header) {
  if (header->idFrom != IDC_ARC_TREE) return false;
  HWND tree = header->hwndFrom;
  switch (header->code) {
    case TVN_SELCHANGEDA: case TVN_SELCHANGEDW:
      PostMessageA(dialog, kTargetTreeSelected, 0, 0);
      break;
    case TVN_ITEMEXPANDINGA: case TVN_ITEMEXPANDINGW:
      ExpandPickerTreeItem(tree, reinterpret_cast<NMTREEVIEWA*>(header), TRUE, FALSE);
      break;
    case TVN_DELETEITEMA: case TVN_DELETEITEMW:
      FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
      break;
  }
  return true;
}

void OnTargetTreeSelected(HWND dialog) {
  HWND tree = GetDlgItem(dialog, IDC_ARC_TREE);
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr) {
    char path[MAX_PATH] = "";
    if (record->absolute && SHGetPathFromIDListA(record->absolute, path) && path[0])
      SetDlgItemTextA(dialog, IDC_ARC_TARGET, path);
  }
}

void GoToTargetTree(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_ARC_TARGET, text, sizeof text);
  HWND tree = GetDlgItem(dialog, IDC_ARC_TREE);
  SetFocus(tree);
  if (text[0]) SelectPickerTreePath(tree, text, TRUE, TRUE, FALSE);
}

bool HandleTargetTreeMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* answer) {
  switch (message) {
    case kTargetTreeSelected:
      OnTargetTreeSelected(dialog);
      *answer = TRUE;
      return true;
    case WM_NOTIFY:
      OnTargetTreeNotify(dialog, reinterpret_cast<NMHDR*>(lParam));
      *answer = FALSE;
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDC_ARC_GO_TO_TREE) return false;
      GoToTargetTree(dialog);
      *answer = TRUE;
      return true;
  }
  return false;
}
