// The dialogs of the file and disk commands: Copy/Move To (127), Create Folder (130), the drive
// dialog of Format and Label (119) and About (118).
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "file_commands.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource_shell.h"
#include "scan_engine.h"
#include "change_feed.h"
#include "seams.h"
#include "settings_store.h"
#include "shell_host.h"
#include "folder_picker.h"

namespace {

constexpr UINT kMsgPickerClicked = WM_USER + 201;  // 1225

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

std::string WindowText(HWND window) {
  char buffer[1024] = {};
  GetWindowTextA(window, buffer, sizeof(buffer));
  return buffer;
}

void Warn(HWND dialog, UINT textId, UINT icon = MB_ICONWARNING, bool programCaption = false) {
  std::string text = LoadText(textId);
  std::string caption = programCaption ? LoadText(3) : WindowText(dialog);
  seams::MessageBoxA(dialog, text.c_str(), caption.c_str(), MB_OK | icon);
}

// ---- Copy/Move To

// The dialog's record (its DialogBoxParam parameter): the mode in and out, the target out.
struct CopyMoveState {
  HistoryList8 history;
  HWND owner = nullptr;
  POINT minimum{};
  UINT mode = FO_COPY;  // FO_COPY or FO_MOVE; the radios change it
  std::string target;   // out: the text confirmed with OK
};

void SetCopyMoveTexts(HWND dialog, UINT mode) {
  SetWindowTextA(dialog, LoadText(45038 + mode).c_str());
  SetDlgItemTextA(dialog, IDC_SH_PROMPT, LoadText(45425 + mode).c_str());
}

void ShowSourceItem(HWND dialog, HWND owner) {
  HWND list = GetDlgItem(dialog, IDC_SH_LIST);
  SHFILEINFOA info{};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ListView_SetImageList(list, images, LVSIL_SMALL);
  RECT r{};
  GetClientRect(list, &r);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = r.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
  ListView_InsertColumn(list, 0, &column);
  HWND tree = ShellHostTree(owner);
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  if (!selected) return;
  char text[MAX_PATH] = {};
  TVITEMA tvi{};
  tvi.mask = TVIF_TEXT | TVIF_IMAGE;
  tvi.hItem = selected;
  tvi.pszText = text;
  tvi.cchTextMax = sizeof(text);
  TreeView_GetItem(tree, &tvi);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.pszText = text;
  item.iImage = tvi.iImage;
  FolderNode* node = GetSelectedNode(tree);
  if (LPITEMIDLIST id = node ? NodeIdList(node) : nullptr) item.iImage = GetIconIndex(id, SHGFI_SMALLICON);
  ListView_InsertItem(list, &item);
}

void LayoutCopyMove(HWND dialog) {
  RECT client{};
  GetClientRect(dialog, &client);
  // Buttons along the bottom right, the picker tree and the combo take the rest.
  const int margin = MulDiv(7, LOWORD(GetDialogBaseUnits()), 4);
  RECT ok{}, tree{}, combo{}, locate{};
  auto rectOf = [&](int id, RECT* r) {
    GetWindowRect(GetDlgItem(dialog, id), r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(r), 2);
  };
  rectOf(IDOK, &ok);
  rectOf(IDC_SH_PICKER, &tree);
  rectOf(IDC_SH_TARGET, &combo);
  rectOf(IDC_SH_LOCATE, &locate);
  int bw = ok.right - ok.left, bh = ok.bottom - ok.top;
  int by = client.bottom - margin - bh;
  int gap = margin;
  const int buttons[3] = {IDOK, IDCANCEL, 9};
  for (int i = 0; i < 3; ++i) {
    int x = client.right - margin - (3 - i) * bw - (2 - i) * gap;
    SetWindowPos(GetDlgItem(dialog, buttons[i]), nullptr, x, by, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  int lw = locate.right - locate.left;
  SetWindowPos(GetDlgItem(dialog, IDC_SH_LOCATE), nullptr, client.right - margin - lw, locate.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(GetDlgItem(dialog, IDC_SH_TARGET), nullptr, 0, 0,
               client.right - margin - lw - 4 - combo.left, combo.bottom - combo.top + 100,
               SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(GetDlgItem(dialog, IDC_SH_PICKER), nullptr, 0, 0, client.right - margin - tree.left,
               by - margin - tree.top, SWP_NOMOVE | SWP_NOZORDER);
  RECT list{};
  rectOf(IDC_SH_LIST, &list);
  SetWindowPos(GetDlgItem(dialog, IDC_SH_LIST), nullptr, 0, 0, client.right - margin - list.left,
               list.bottom - list.top, SWP_NOMOVE | SWP_NOZORDER);
  InvalidateRect(dialog, nullptr, TRUE);
}

INT_PTR CALLBACK CopyMoveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<CopyMoveState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<CopyMoveState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      RECT r{};
      GetWindowRect(dialog, &r);
      state->minimum = {r.right - r.left, r.bottom - r.top};
      CenterDialog(dialog, state->owner);
      ReadHistoryList(&state->history, "CopyMoveTo");
      HWND combo = GetDlgItem(dialog, IDC_SH_TARGET);
      FillHistoryCombo(combo, &state->history);
      if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      CheckRadioButton(dialog, IDC_SH_COPY, IDC_SH_MOVE, state->mode == FO_MOVE ? IDC_SH_MOVE : IDC_SH_COPY);
      SetCopyMoveTexts(dialog, state->mode);
      ShowSourceItem(dialog, state->owner);
      HWND picker = GetDlgItem(dialog, IDC_SH_PICKER);
      if (InitFolderPickerTree(picker)) {
        IShellFolder* desktop = nullptr;
        if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
          FillPickerLevel(picker, desktop, nullptr, TVI_ROOT);
          desktop->Release();
        }
        std::string typed = WindowText(combo);
        if (typed.empty() || !SelectPickerPath(picker, typed.c_str(), TRUE)) ExpandPickerRoot(picker);
      }
      HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SH_LOCATE),
                                                 IMAGE_ICON, 16, 16, 0));
      SendDlgItemMessageA(dialog, IDC_SH_LOCATE, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
      return TRUE;
    }
    case WM_GETMINMAXINFO:
      if (state) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = state->minimum;
      }
      return TRUE;
    case WM_SIZE:
      if (state) LayoutCopyMove(dialog);
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_SH_PICKER) return FALSE;
      HWND picker = header->hwndFrom;
      switch (header->code) {
        case TVN_ITEMEXPANDINGA:
          SetWindowLongPtrA(dialog, DWLP_MSGRESULT, OnPickerExpanding(picker, reinterpret_cast<NMTREEVIEWA*>(lParam)));
          return TRUE;
        case TVN_DELETEITEMA:
          OnPickerDeleteItem(picker, reinterpret_cast<NMTREEVIEWA*>(lParam));
          return TRUE;
        case NM_CLICK:
          PostMessageA(dialog, kMsgPickerClicked, 0, 0);
          return TRUE;
        case TVN_SELCHANGEDA:
          if (reinterpret_cast<NMTREEVIEWA*>(lParam)->action == TVC_BYKEYBOARD)
            PostMessageA(dialog, kMsgPickerClicked, 0, 0);
          return TRUE;
      }
      return FALSE;
    }
    case kMsgPickerClicked: {
      char path[MAX_PATH] = {};
      if (GetPickerSelectedPath(GetDlgItem(dialog, IDC_SH_PICKER), path, FALSE) && path[0])
        SetDlgItemTextA(dialog, IDC_SH_TARGET, path);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SH_COPY:
        case IDC_SH_MOVE:
          if (HIWORD(wParam) == BN_CLICKED) {
            state->mode = LOWORD(wParam) == IDC_SH_MOVE ? FO_MOVE : FO_COPY;
            SetCopyMoveTexts(dialog, state->mode);
          }
          return TRUE;
        case IDC_SH_LOCATE: {
          HWND picker = GetDlgItem(dialog, IDC_SH_PICKER);
          SetFocus(picker);
          std::string typed = WindowText(GetDlgItem(dialog, IDC_SH_TARGET));
          SelectPickerPath(picker, TrimLeadingSpaces(typed).c_str(), TRUE);
          return TRUE;
        }
        case IDOK: {
          std::string text = TrimLeadingSpaces(WindowText(GetDlgItem(dialog, IDC_SH_TARGET)));
          if (text.empty()) {
            Warn(dialog, IDS_SH_ENTER_TARGET);
            return TRUE;
          }
          state->target = text;
          AddHistoryEntry(&state->history, text.c_str());
          WriteHistoryList(&state->history, "CopyMoveTo");
          FreeHistoryEntries(&state->history);
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          FreeHistoryEntries(&state->history);
          EndDialog(dialog, 0);
          return TRUE;
        case 9:
          ShellHostShowHelp(dialog, state->mode == FO_MOVE ? 25 : 26);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// ---- Create Folder

struct CreateFolderState {
  HistoryList8 history;
  HWND owner = nullptr;
  std::string base;
};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageA(window, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

INT_PTR CALLBACK CreateFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<CreateFolderState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<CreateFolderState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      std::string selected;
      if (GetSelectedFolderPath(ShellHostTree(state->owner), &selected) && IsExistingDirectory(selected)) {
        state->base = selected;
      } else {
        char windows[MAX_PATH] = {};
        GetWindowsDirectoryA(windows, MAX_PATH);
        state->base = windows;
      }
      SetDlgItemTextA(dialog, IDC_SH_BASE, state->base.c_str());
      CenterDialog(dialog, state->owner);
      ReadHistoryList(&state->history, "CreateFolder");
      FillHistoryCombo(GetDlgItem(dialog, IDC_SH_TARGET), &state->history);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SH_BROWSE: {
          std::string title = LoadText(IDS_SH_BROWSE_TITLE);
          std::string start = CombinePath(TrimLeadingSpaces(WindowText(GetDlgItem(dialog, IDC_SH_TARGET))),
                                          state->base);
          BROWSEINFOA info{};
          info.hwndOwner = dialog;
          info.lpszTitle = title.c_str();
          info.ulFlags = BIF_RETURNONLYFSDIRS;
          info.lpfn = BrowseCallback;
          info.lParam = reinterpret_cast<LPARAM>(start.c_str());
          LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
          if (chosen) {
            char path[MAX_PATH] = {};
            if (SHGetPathFromIDListA(chosen, path)) {
              std::string text = path;
              if (text.back() != '\\') text += '\\';
              SetDlgItemTextA(dialog, IDC_SH_TARGET, text.c_str());
            }
            CoTaskMemFree(chosen);
          }
          return TRUE;
        }
        case IDOK: {
          HWND combo = GetDlgItem(dialog, IDC_SH_TARGET);
          std::string text = TrimLeadingSpaces(WindowText(combo));
          if (text.empty()) {
            Warn(dialog, IDS_SH_ENTER_FOLDER);
            return TRUE;
          }
          if (text.find_first_of("/*?<>|") != std::string::npos) {
            Warn(dialog, IDS_SH_BAD_FOLDER_NAME, MB_ICONERROR, true);
            return TRUE;
          }
          AddHistoryEntry(&state->history, text.c_str());
          WriteHistoryList(&state->history, "CreateFolder");
          std::string path = CombinePath(text, state->base);
          if (CreateDirectoryPath(path)) {
            FolderNode* base = FindNodeByPath(StripTrailingBackslash(state->base).c_str());
            if (IsFolderNode(base)) ArmRescanTimer(base, 500);
            FreeHistoryEntries(&state->history);
            EndDialog(dialog, 1);
            return TRUE;
          }
          SendMessageA(combo, CB_RESETCONTENT, 0, 0);
          FillHistoryCombo(combo, &state->history);
          SetWindowTextA(combo, text.c_str());
          Warn(dialog, IDS_SH_CREATE_FAILED);
          return TRUE;
        }
        case IDCANCEL:
          FreeHistoryEntries(&state->history);
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// ---- Drive dialog (format, label)

// The dialog's record (its DialogBoxParam parameter).
struct DriveDialogState {
  HWND owner = nullptr;
  UINT mode = 45029;
  std::string root;  // out: the chosen drive's root ("C:\\")
};

INT_PTR CALLBACK DriveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<DriveDialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      state = reinterpret_cast<DriveDialogState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetWindowTextA(dialog, LoadText(state->mode).c_str());
      SetDlgItemTextA(dialog, IDC_SH_PROMPT,
                      LoadText(state->mode == 45029 ? IDS_SH_FORMAT_PROMPT : IDS_SH_LABEL_PROMPT).c_str());
      HWND list = GetDlgItem(dialog, IDC_SH_LIST);
      HWND roots = GetDlgItem(dialog, IDC_SH_ROOTS);
      SHFILEINFOA info{};
      auto images = reinterpret_cast<HIMAGELIST>(
          SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
      ListView_SetImageList(list, images, LVSIL_SMALL);
      RECT r{};
      GetClientRect(list, &r);
      LVCOLUMNA column{};
      column.mask = LVCF_WIDTH;
      column.cx = r.right - GetSystemMetrics(SM_CXVSCROLL) - 4;
      ListView_InsertColumn(list, 0, &column);
      DWORD mask = GetLogicalDrives();
      int row = 0;
      for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        char root[4] = {static_cast<char>('A' + i), ':', '\\', 0};
        UINT type = GetDriveTypeA(root);
        if (type != DRIVE_UNKNOWN && type != DRIVE_REMOVABLE && type != DRIVE_FIXED) continue;
        SHFILEINFOA file{};
        SHGetFileInfoA(root, 0, &file, sizeof(file), SHGFI_DISPLAYNAME | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = row++;
        item.pszText = file.szDisplayName[0] ? file.szDisplayName : root;
        item.iImage = file.iIcon;
        ListView_InsertItem(list, &item);
        SendMessageA(roots, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(root));
      }
      if (row > 0) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      CenterDialog(dialog, state->owner);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom == IDC_SH_LIST && header->code == NM_DBLCLK) {
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        return TRUE;
      }
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          int selected = ListView_GetNextItem(GetDlgItem(dialog, IDC_SH_LIST), -1, LVNI_SELECTED);
          if (selected < 0) return TRUE;
          char root[MAX_PATH] = {};
          if (SendDlgItemMessageA(dialog, IDC_SH_ROOTS, LB_GETTEXTLEN, selected, 0) < MAX_PATH)
            SendDlgItemMessageA(dialog, IDC_SH_ROOTS, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(root));
          state->root = root;
          EndDialog(dialog, 1);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
        case 9:
          ShellHostShowHelp(dialog, 48);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

// ---- About

std::string VersionValue(const std::string& key) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(module, &ignored);
  if (!size) return std::string();
  std::string data(size, '\0');
  if (!GetFileVersionInfoA(module, 0, size, data.data())) return std::string();
  char* value = nullptr;
  UINT length = 0;
  std::string query = "\\StringFileInfo\\040904B0\\" + key;
  if (VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value && length)
    return value;
  // The program's own block is in Chinese: fall back to its first translation.
  struct Translation { WORD language, codePage; };
  Translation* translations = nullptr;
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) &&
      translations && length >= sizeof(Translation)) {
    char block[64];
    wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", translations->language, translations->codePage);
    query = block + key;
    if (VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value && length)
      return value;
  }
  return std::string();
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      CenterDialog(dialog, GetWindow(dialog, GW_OWNER));
      HDC dc = GetDC(dialog);
      int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
      ReleaseDC(dialog, dc);
      HFONT font = CreateFontA(height, 0, 0, 0, FW_NORMAL, TRUE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
      SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(font));
      SendDlgItemMessageA(dialog, IDC_SH_VERSION_COPYRIGHT, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
      for (int id : {IDC_SH_VERSION_NAME, IDC_SH_VERSION_TEXT, IDC_SH_VERSION_COPYRIGHT}) {
        char key[128] = {};
        GetDlgItemTextA(dialog, id, key, sizeof(key));
        std::string value = VersionValue(key);
        if (!value.empty()) SetDlgItemTextA(dialog, id, value.c_str());
      }
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        DeleteObject(reinterpret_cast<HFONT>(GetWindowLongPtrA(dialog, DWLP_USER)));
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

INT_PTR ShowCopyMoveToDialog(HWND owner, UINT* mode, std::string* target) {
  CopyMoveState state;
  state.owner = owner;
  state.mode = mode && *mode == FO_MOVE ? FO_MOVE : FO_COPY;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SH_COPY_MOVE_TO), owner,
                                   CopyMoveDlgProc, reinterpret_cast<LPARAM>(&state));
  if (result == 1) {
    if (mode) *mode = state.mode;
    if (target) *target = state.target;
  }
  return result;
}

INT_PTR ShowCreateFolderDialog(HWND owner) {
  CreateFolderState state;
  state.owner = owner;
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SH_CREATE_FOLDER), owner,
                         CreateFolderDlgProc, reinterpret_cast<LPARAM>(&state));
}

INT_PTR ShowDriveDialog(HWND owner, UINT mode, std::string* root) {
  DriveDialogState state;
  state.owner = owner;
  state.mode = mode == 45028 ? 45028 : 45029;
  INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SH_DRIVE), owner,
                                   DriveDlgProc, reinterpret_cast<LPARAM>(&state));
  if (result == 1 && root) *root = state.root;
  return result;
}

INT_PTR ShowAboutDialog(HWND owner) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SH_ABOUT), owner, AboutDlgProc, 0);
}
