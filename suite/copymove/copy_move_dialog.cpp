// The Copy To / Move To dialog.
#include "copy_move_dialog.h"
#include <shellapi.h>
#include <shlobj.h>
#include <cstdint>
#include <cstring>
#include <string>
#include "help_file.h"
#include "history_list.h"
#include "picker_tree.h"
#include "pidl.h"
#include "seams.h"
#include "settings_store.h"
#include "tree_nodes.h"
#include "window_helpers.h"

RECT CopyMoveMinRect;

namespace {

constexpr char kHistoryKey[] = "Copy_Move To";
constexpr char kSizeValue[] = "Copy/Move To Dialog Size";
constexpr UINT kTreePathMessage = WM_USER + 105;  // 1129
constexpr UINT kDrawGripMessage = WM_USER + 199;  // 1223
constexpr BOOL kFoldersOnly = TRUE;
constexpr BOOL kArchivesAsFolders = FALSE;

// The template's spacing, measured at initialisation: the margin (the list's left edge), the gap
// between the list and the check box, the check box's height, and each radio button's distance
// from the group box's right edge.
int g_margin, g_gap, g_checkHeight, g_radioInset[2];
HICON g_goIcon;

CopyMoveRequest* RequestOf(HWND dialog);

HINSTANCE Instance(HWND dialog) {
  const CopyMoveRequest* request = RequestOf(dialog);
  return request && request->instance ? request->instance : GetModuleHandleA(nullptr);
}

std::string LoadText(HWND dialog, UINT id) {
  char text[512] = "";
  if (id) LoadStringA(Instance(dialog), id, text, sizeof text);
  return text;
}

RECT ChildRect(HWND dialog, int id) {
  RECT rect{};
  HWND child = GetDlgItem(dialog, id);
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void Place(HWND dialog, int id, int left, int top, int width, int height) {
  SetWindowPos(GetDlgItem(dialog, id), nullptr, left, top, width > 0 ? width : 0, height > 0 ? height : 0,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The size is kept with the file manager's settings; a program with a key of its own keeps none.
bool KeepsSize(HWND dialog) {
  const CopyMoveRequest* request = RequestOf(dialog);
  return !request || !request->historyKey;
}

CopyMoveRequest* RequestOf(HWND dialog) {
  return reinterpret_cast<CopyMoveRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

UINT ModeOf(HWND dialog) {
  const CopyMoveRequest* request = RequestOf(dialog);
  return request ? request->mode : 2;
}

void SetMode(HWND dialog, UINT mode) {
  if (CopyMoveRequest* request = RequestOf(dialog)) request->mode = mode;
}

void SetModeCaption(HWND dialog) {
  const bool copy = ModeOf(dialog) != 1;
  const CopyMoveRequest* request = RequestOf(dialog);
  if (!request) return;
  SetWindowTextA(dialog, LoadText(dialog, copy ? request->copyCaption : request->moveCaption).c_str());
  SetDlgItemTextA(dialog, kCopyMoveListLabelId, LoadText(dialog, copy ? request->copyLabel : request->moveLabel).c_str());
}

void FillSourceRows(HWND dialog) {
  HWND rows = GetDlgItem(dialog, kCopyMoveListId);
  SendMessageA(rows, LVM_DELETEALLITEMS, 0, 0);
  RECT client;
  GetWindowRect(rows, &client);
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_WIDTH;
  column.fmt = LVCFMT_LEFT;
  column.cx = (client.right - client.left) - GetSystemMetrics(SM_CXVSCROLL) - 4;
  SendMessageA(rows, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
  const CopyMoveRequest* request = RequestOf(dialog);
  if (request && request->fillSources) request->fillSources(rows, request->context);
}

bool ReadSavedRect(RECT* rect) {
  uint8_t bytes[16];
  DWORD size = sizeof bytes;
  if (!ReadSettingBinary(kSizeValue, bytes, &size) || size != sizeof bytes) return false;
  auto field = [&](int i) {
    return static_cast<LONG>(static_cast<uint32_t>(bytes[4 * i]) | static_cast<uint32_t>(bytes[4 * i + 1]) << 8 |
                             static_cast<uint32_t>(bytes[4 * i + 2]) << 16 | static_cast<uint32_t>(bytes[4 * i + 3]) << 24);
  };
  *rect = {field(0), field(1), field(2), field(3)};
  return true;
}

// The tree's selected folder as a path: its parsing name, else its display name; empty for the
// desktop at the root and for nodes outside the file system.
std::string SelectedTreePath(HWND tree) {
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!selected || selected == reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)))
    return {};
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  if (!record || !record->folder) return {};
  // A node that is no folder of the file system (My Computer, Control Panel) has no path to copy
  // to: the typed text stays.
  if (!(record->attributes & SFGAO_FILESYSTEM)) return {};
  char path[MAX_PATH] = "";
  if (!GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path) || !path[0] ||
      path[0] == ':')
    GetDisplayNameText(record->folder, record->relative, SHGDN_NORMAL, path);
  return path;
}

void SelectComboPathInTree(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, kCopyMoveComboId, text, sizeof text);
  const char* start = text;
  while (*start == ' ') ++start;
  if (*start)
    SelectPickerTreePath(GetDlgItem(dialog, kCopyMoveTreeId), start, TRUE, kFoldersOnly, kArchivesAsFolders);
}

BOOL OnInitDialog(HWND dialog) {
  // The template's spacing, before any size is applied.
  RECT list = ChildRect(dialog, kCopyMoveListId), check = ChildRect(dialog, kCopyMoveGoToDestinationId);
  RECT group = ChildRect(dialog, kCopyMoveGroupId);
  g_margin = list.left;
  g_gap = check.top - list.bottom;
  g_checkHeight = check.bottom - check.top;
  if (!GetDlgItem(dialog, kCopyMoveGoToDestinationId)) g_gap = g_checkHeight = 0;  // the list reaches the margin
  g_radioInset[0] = group.right - ChildRect(dialog, kCopyMoveCopyRadioId).right;
  g_radioInset[1] = group.right - ChildRect(dialog, kCopyMoveMoveRadioId).right;

  HWND combo = GetDlgItem(dialog, kCopyMoveComboId);
  SendMessageA(combo, CB_LIMITTEXT, MAX_PATH - 1, 0);
  HistoryList history;
  const CopyMoveRequest* asked = RequestOf(dialog);
  LoadHistoryList(&history, kHistoryKey, asked ? asked->historyKey : nullptr,
                  asked ? asked->historySlots : kHistorySlots);
  FillComboFromHistory(combo, &history);
  if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);

  SetModeCaption(dialog);
  CheckRadioButton(dialog, kCopyMoveCopyRadioId, kCopyMoveMoveRadioId, ModeOf(dialog) == 1 ? kCopyMoveMoveRadioId : kCopyMoveCopyRadioId);
  FillSourceRows(dialog);

  HWND tree = GetDlgItem(dialog, kCopyMoveTreeId);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  if (images) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    FillPickerTree(tree, desktop, nullptr, TVI_ROOT, kFoldersOnly, kArchivesAsFolders);
    desktop->Release();
  }
  char text[MAX_PATH] = "";
  GetWindowTextA(combo, text, sizeof text);
  if (text[0]) SelectComboPathInTree(dialog);
  else ExpandTreeRoot(tree);

  const CopyMoveRequest* request = RequestOf(dialog);
  if (!g_goIcon && request && request->goIcon)
    g_goIcon = static_cast<HICON>(LoadImageA(Instance(dialog), MAKEINTRESOURCEA(request->goIcon), IMAGE_ICON, 16, 16, 0));
  SendDlgItemMessageA(dialog, kCopyMoveGoButtonId, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(g_goIcon));
  RestoreCopyMoveDialogSize(dialog, &CopyMoveMinRect);
  if (request) CheckDlgButton(dialog, kCopyMoveGoToDestinationId, request->goToDestination ? BST_CHECKED : BST_UNCHECKED);
  CenterWindowOver(dialog, request && request->centreOver ? request->centreOver : GetWindow(dialog, GW_OWNER));
  HWND edit = FindWindowExA(combo, nullptr, "EDIT", nullptr);
  if (edit) PostMessageA(edit, EM_SETSEL, 0, -1);
  return TRUE;
}

void OnOk(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, kCopyMoveComboId, text, sizeof text);
  const char* start = text;
  while (*start == ' ') ++start;
  if (!*start) {
    char caption[100] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    seams::MessageBoxA(dialog, LoadText(dialog, RequestOf(dialog) ? RequestOf(dialog)->blankTarget : 0).c_str(), caption, MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, kCopyMoveComboId));
    return;
  }
  if (CopyMoveRequest* request = RequestOf(dialog)) lstrcpynA(request->target, start, MAX_PATH);
  HistoryList history;
  const CopyMoveRequest* asked = RequestOf(dialog);
  const char* key = asked ? asked->historyKey : nullptr;
  int slots = asked ? asked->historySlots : kHistorySlots;
  LoadHistoryList(&history, kHistoryKey, key, slots);
  AddToHistoryList(&history, start);
  SaveHistoryList(&history, kHistoryKey, key, slots);
  SaveCopyMoveDialogSize(dialog);
  if (CopyMoveRequest* request = RequestOf(dialog))
    if (GetDlgItem(dialog, kCopyMoveGoToDestinationId))
      request->goToDestination = IsDlgButtonChecked(dialog, kCopyMoveGoToDestinationId) == BST_CHECKED;
  EndDialog(dialog, 1);
}

BOOL OnNotify(HWND dialog, NMHDR* header) {
  if (header->idFrom == kCopyMoveTreeId) {
    HWND tree = header->hwndFrom;
    switch (header->code) {
      case TVN_SELCHANGEDA:
      case TVN_SELCHANGEDW:
      case NM_CLICK:
        PostMessageA(dialog, kTreePathMessage, 0, 0);
        return FALSE;
      case TVN_ITEMEXPANDINGA:
      case TVN_ITEMEXPANDINGW:
        ExpandPickerTreeItem(tree, reinterpret_cast<NMTREEVIEWA*>(header), kFoldersOnly, kArchivesAsFolders);
        return FALSE;
      case TVN_DELETEITEMA:
      case TVN_DELETEITEMW:
        FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
        return FALSE;
      case NM_CUSTOMDRAW:
        if (!RequestOf(dialog) || !RequestOf(dialog)->treeCustomDraw) return FALSE;
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, RequestOf(dialog)->treeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW*>(header)));
        return TRUE;
    }
  } else if (header->idFrom == kCopyMoveListId && header->code == LVN_ITEMCHANGED) {
    // The list only shows what will be copied or moved.
    HWND rows = header->hwndFrom;
    int selected = static_cast<int>(SendMessageA(rows, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected >= 0) {
      LVITEMA item{};
      item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageA(rows, LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&item));
    }
  }
  return FALSE;
}

}  // namespace

void LayoutCopyMoveDialog(HWND dialog, int clientWidth) {
  RECT client;
  GetClientRect(dialog, &client);
  const int W = clientWidth, H = client.bottom, m = g_margin;
  RECT list = ChildRect(dialog, kCopyMoveListId);
  const int listBottom = H - m - g_checkHeight - g_gap;
  Place(dialog, kCopyMoveListId, list.left, list.top, list.right - list.left, listBottom - list.top);
  RECT check = ChildRect(dialog, kCopyMoveGoToDestinationId);
  Place(dialog, kCopyMoveGoToDestinationId, list.left, listBottom + g_gap, check.right - check.left, g_checkHeight);
  for (int id : {static_cast<int>(IDOK), static_cast<int>(IDCANCEL), static_cast<int>(kCopyMoveHelpButton), static_cast<int>(kCopyMoveGroupId)}) {
    RECT r = ChildRect(dialog, id);
    Place(dialog, id, W - m - (r.right - r.left), r.top, r.right - r.left, r.bottom - r.top);
  }
  const int radios[2] = {kCopyMoveCopyRadioId, kCopyMoveMoveRadioId};
  for (int i = 0; i < 2; ++i) {
    RECT r = ChildRect(dialog, radios[i]);
    Place(dialog, radios[i], W - m - g_radioInset[i] - (r.right - r.left), r.top, r.right - r.left, r.bottom - r.top);
    InvalidateRect(GetDlgItem(dialog, radios[i]), nullptr, TRUE);
  }
  RECT ok = ChildRect(dialog, IDOK);
  RECT tree = ChildRect(dialog, kCopyMoveTreeId);
  Place(dialog, kCopyMoveTreeId, tree.left, tree.top, ok.left - 2 * m - tree.left, listBottom - tree.top);
  RECT go = ChildRect(dialog, kCopyMoveGoButtonId);
  const int goLeft = ok.left - 2 * m - (go.right - go.left);
  Place(dialog, kCopyMoveGoButtonId, goLeft, go.top, go.right - go.left, go.bottom - go.top);
  // The combo's height is its drop-down height: only its width changes.
  HWND combo = GetDlgItem(dialog, kCopyMoveComboId);
  RECT comboRect = ChildRect(dialog, kCopyMoveComboId);
  SetWindowPos(combo, nullptr, 0, 0, goLeft - m / 2 - comboRect.left, comboRect.bottom - comboRect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  InvalidateRect(dialog, nullptr, TRUE);
}

void RestoreCopyMoveDialogSize(HWND dialog, RECT* templateRect) {
  if (!dialog || !IsWindow(dialog)) return;
  RECT current;
  GetWindowRect(dialog, &current);
  if (templateRect) *templateRect = current;
  if (!KeepsSize(dialog)) return;
  RECT saved;
  if (!ReadSavedRect(&saved)) return;
  // A stored rectangle is used only when it lies on the screen and is not smaller than the
  // template.
  const int width = saved.right - saved.left, height = saved.bottom - saved.top;
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const bool onScreen = saved.left < GetSystemMetrics(SM_CXSCREEN) && saved.top < GetSystemMetrics(SM_CYSCREEN) &&
                        saved.right > work.left && saved.bottom > work.top && saved.left < work.right &&
                        saved.top < work.bottom;
  const bool bigEnough = width >= current.right - current.left && height >= current.bottom - current.top &&
                         width <= 4 * (work.right - work.left) && height <= 4 * (work.bottom - work.top);
  if (!onScreen || !bigEnough) return;
  SetWindowPos(dialog, nullptr, saved.left, saved.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaveCopyMoveDialogSize(HWND dialog) {
  if (!dialog || !IsWindow(dialog) || !KeepsSize(dialog)) return;
  RECT rect;
  GetWindowRect(dialog, &rect);
  uint8_t bytes[16];
  const LONG fields[4] = {rect.left, rect.top, rect.right, rect.bottom};
  for (int i = 0; i < 4; ++i)
    for (int b = 0; b < 4; ++b) bytes[4 * i + b] = static_cast<uint8_t>(static_cast<uint32_t>(fields[i]) >> (8 * b));
  WriteSettingBinary(kSizeValue, bytes, sizeof bytes);
}

void DrawSizeGrip(HWND dialog, HDC dc) {
  RECT window;
  GetWindowRect(dialog, &window);
  const POINT c = {window.right - window.left - 4, window.bottom - window.top - 4};
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old = SelectObject(dc, light);
  for (int k = 0; k < 3; ++k) {
    MoveToEx(dc, c.x - 12 + 4 * k, c.y, nullptr);
    LineTo(dc, c.x + 1, c.y - 13 + 4 * k);
  }
  SelectObject(dc, shadow);
  for (int k = 0; k < 3; ++k)
    for (int d = 0; d < 2; ++d) {
      MoveToEx(dc, c.x - 11 + 4 * k + d, c.y, nullptr);
      LineTo(dc, c.x + 1, c.y - 12 + 4 * k + d);
    }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(shadow);
}

INT_PTR CALLBACK CopyMoveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      return OnInitDialog(dialog);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          OnOk(dialog);
          return TRUE;
        case IDCANCEL:
          SaveCopyMoveDialogSize(dialog);
          EndDialog(dialog, 0);
          return TRUE;
        case kCopyMoveHelpButton:
          if (const CopyMoveRequest* request = RequestOf(dialog))
            ShowHelpTopic(dialog, ModeOf(dialog) == 1 ? request->moveHelp : request->copyHelp);
          return TRUE;
        case kCopyMoveGoButtonId:
          SetFocus(GetDlgItem(dialog, kCopyMoveTreeId));
          SelectComboPathInTree(dialog);
          return TRUE;
        case kCopyMoveCopyRadioId:
          SetMode(dialog, 2);
          SetModeCaption(dialog);
          return TRUE;
        case kCopyMoveMoveRadioId:
          SetMode(dialog, 1);
          SetModeCaption(dialog);
          return TRUE;
      }
      break;
    case WM_NOTIFY:
      return OnNotify(dialog, reinterpret_cast<NMHDR*>(lParam));
    case kTreePathMessage: {
      std::string path = SelectedTreePath(GetDlgItem(dialog, kCopyMoveTreeId));
      if (!path.empty()) SetDlgItemTextA(dialog, kCopyMoveComboId, path.c_str());
      return TRUE;
    }
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (CopyMoveMinRect.right > CopyMoveMinRect.left) {
        info->ptMinTrackSize.x = CopyMoveMinRect.right - CopyMoveMinRect.left;
        info->ptMinTrackSize.y = CopyMoveMinRect.bottom - CopyMoveMinRect.top;
      }
      return TRUE;
    }
    case WM_SIZE:
      if (g_margin) LayoutCopyMoveDialog(dialog, LOWORD(lParam));
      return TRUE;
    case WM_PAINT:
      PostMessageA(dialog, kDrawGripMessage, 0, 0);
      return FALSE;
    case kDrawGripMessage: {
      HDC dc = GetWindowDC(dialog);
      if (dc) {
        DrawSizeGrip(dialog, dc);
        ReleaseDC(dialog, dc);
      }
      return TRUE;
    }
  }
  return FALSE;
}

