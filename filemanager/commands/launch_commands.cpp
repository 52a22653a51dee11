// The launch bar's commands: running a button, and the customise dialog (188) with the button
// properties dialog (352).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include "actions.h"
#include "change_icon_dialog.h"
#include "command_handlers.h"
#include "file_list.h"
#include "file_pane.h"
#include "frame_state.h"
#include "help_file.h"
#include "launch_bar.h"
#include "launch_commands.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "window_helpers.h"
#include "window_utils.h"

namespace {

std::string LoadText(UINT id) {
  char buffer[300] = "";
  LoadStringA(g_instance, id, buffer, sizeof buffer);
  return buffer;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return {};
  std::string folder = path.substr(0, slash);
  // A program in a drive's root starts in the root ("C:\"), not in the drive's current folder.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

std::string NameWithoutExtension(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

// The parsing name of the active list's focused and selected item when it is in the file system.
std::string FocusedSelectionPath() {
  HWND list = FilePanes[ActivePaneIndex].list;
  if (!list || GetFocus() != list) return {};
  int index = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
  FileListItem* item = index >= 0 ? GetListItemRecord(list, index) : nullptr;
  if (!item || !item->folder || !item->pidl) return {};
  ULONG attributes = SFGAO_FILESYSTEM;
  LPCITEMIDLIST one = item->pidl;
  if (FAILED(item->folder->GetAttributesOf(1, &one, &attributes)) || !(attributes & SFGAO_FILESYSTEM)) return {};
  char path[MAX_PATH] = "";
  if (!GetDisplayNameText(item->folder, item->pidl, SHGDN_FORPARSING, path)) return {};
  return path;
}

// ---- Button properties (352) -----------------------------------------------------------------

struct PropertiesState {
  LaunchButton* button;
  bool iconChosen = false;
  bool iconFromCommand = false;
  char iconFile[MAX_PATH] = "";
  int iconIndex = 0;
  HICON shown = nullptr;
};

void ShowIcon(HWND dialog, PropertiesState* s, HICON icon) {
  HICON old = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, IDC_BUTTON_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0));
  (void)old;
  if (s->shown && s->shown != SharedLaunchIcon() && s->shown != s->button->icon) DestroyIcon(s->shown);
  s->shown = icon;
}

bool AskToKeep(HWND dialog, UINT text, UINT caption) {
  return seams::MessageBoxA(dialog, LoadText(text).c_str(), LoadText(caption).c_str(),
                            MB_YESNO | MB_ICONEXCLAMATION | MB_TASKMODAL) == IDYES;
}

bool ApplyProperties(HWND dialog, PropertiesState* s) {
  LaunchButton* b = s->button;
  char command[300] = "", found[300] = "";
  GetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, command, sizeof command);
  if (!IsProgramFile(command, found, sizeof found)) {
    if (!AskToKeep(dialog, IDS_COMMAND_NOT_FOUND, IDS_COMMAND_NOT_FOUND_CAPTION)) return false;
  } else {
    SetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, found);
    lstrcpynA(command, found, sizeof command);
  }
  char start[300] = "";
  GetDlgItemTextA(dialog, IDC_BUTTON_START_DIR, start, sizeof start);
  if (!FolderHasFiles(start) && !AskToKeep(dialog, IDS_START_DIR_NOT_FOUND, IDS_START_DIR_NOT_FOUND_CAPTION))
    return false;
  char parameters[300] = "", label[100] = "";
  GetDlgItemTextA(dialog, IDC_BUTTON_PARAMETERS, parameters, sizeof parameters);
  GetDlgItemTextA(dialog, IDC_BUTTON_LABEL, label, sizeof label);
  std::string name = label[0] ? std::string(label) : NameWithoutExtension(command);
  b->showMode = IsDlgButtonChecked(dialog, IDC_BUTTON_MINIMIZED)   ? SW_SHOWMINIMIZED
                : IsDlgButtonChecked(dialog, IDC_BUTTON_MAXIMIZED) ? SW_SHOWMAXIMIZED
                                                                    : SW_SHOWNORMAL;
  SetLaunchString(&b->command, command);
  SetLaunchString(&b->startDirectory, start);
  SetLaunchString(&b->parameters, parameters);
  SetLaunchString(&b->label, name.c_str());
  if (s->iconChosen) {
    b->customIcon = 1;
    b->iconIndex = s->iconIndex;
    SetLaunchString(&b->iconFile, s->iconFile);
  } else if (s->iconFromCommand) {
    SetLaunchString(&b->iconFile, nullptr);
    b->customIcon = 0;
  }
  if (b->icon && b->icon != SharedLaunchIcon()) DestroyIcon(b->icon);
  b->icon = LoadLaunchButtonIcon(b->command, b->iconFile, b->iconIndex, b->customIcon);
  return true;
}

void BrowseCommand(HWND dialog, PropertiesState* s) {
  char file[300] = "", title[100] = "", windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string caption = LoadText(IDS_CHOOSE_COMMAND_FILE);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = sizeof title;
  ofn.lpstrInitialDir = windows;
  ofn.lpstrTitle = caption.c_str();
  ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameA(&ofn)) return;
  SetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, file);
  SetDlgItemTextA(dialog, IDC_BUTTON_START_DIR, FolderOf(file).c_str());
  SHFILEINFOA info{};
  HICON icon = nullptr;
  if (SHGetFileInfoA(file, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON)) icon = info.hIcon;
  ShowIcon(dialog, s, icon ? icon : SharedLaunchIcon());
  s->iconFromCommand = true;
  s->iconChosen = false;
  char label[100] = "";
  GetDlgItemTextA(dialog, IDC_BUTTON_LABEL, label, sizeof label);
  if (!label[0]) SetDlgItemTextA(dialog, IDC_BUTTON_LABEL, NameWithoutExtension(file).c_str());
}

void BrowseStartDirectory(HWND dialog) {
  std::string title = LoadText(IDS_CHOOSE_START_DIR);
  BROWSEINFOA info{};
  char name[MAX_PATH] = "";
  info.hwndOwner = dialog;
  info.pszDisplayName = name;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return;
  char path[MAX_PATH] = "";
  if (SHGetPathFromIDListA(chosen, path)) SetDlgItemTextA(dialog, IDC_BUTTON_START_DIR, path);
  FreePidl(chosen);
}

void ChooseIcon(HWND dialog, PropertiesState* s) {
  LaunchButton* b = s->button;
  char file[MAX_PATH] = "";
  int index = 0;
  if (s->iconChosen) {
    lstrcpynA(file, s->iconFile, MAX_PATH);
    index = s->iconIndex;
  } else if (b->customIcon && b->iconFile && !s->iconFromCommand) {
    lstrcpynA(file, b->iconFile, MAX_PATH);
    index = b->iconIndex;
  } else {
    GetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, file, MAX_PATH);
  }
  if (!ShowChangeIconDialog(file, &index, dialog)) return;
  s->iconChosen = true;
  s->iconFromCommand = false;
  lstrcpynA(s->iconFile, file, MAX_PATH);
  s->iconIndex = index;
  HICON icon = nullptr;
  ExtractIconExA(file, index, nullptr, &icon, 1);
  ShowIcon(dialog, s, icon ? icon : SharedLaunchIcon());
}

INT_PTR CALLBACK ButtonPropertiesProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<PropertiesState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<PropertiesState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      LaunchButton* b = s->button;
      SetDlgItemTextA(dialog, IDC_BUTTON_COMMAND, b->command ? b->command : "");
      SetDlgItemTextA(dialog, IDC_BUTTON_LABEL, b->label ? b->label : "");
      SetDlgItemTextA(dialog, IDC_BUTTON_PARAMETERS, b->parameters ? b->parameters : "");
      SetDlgItemTextA(dialog, IDC_BUTTON_START_DIR, b->startDirectory ? b->startDirectory : "");
      for (int id : {IDC_BUTTON_COMMAND, IDC_BUTTON_PARAMETERS, IDC_BUTTON_START_DIR})
        SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, 299, 0);
      SendDlgItemMessageA(dialog, IDC_BUTTON_LABEL, EM_LIMITTEXT, 99, 0);
      int radio = b->showMode == SW_SHOWMINIMIZED ? IDC_BUTTON_MINIMIZED
                  : b->showMode == SW_SHOWMAXIMIZED ? IDC_BUTTON_MAXIMIZED
                                                    : IDC_BUTTON_NORMAL;
      CheckRadioButton(dialog, IDC_BUTTON_MINIMIZED, IDC_BUTTON_NORMAL, radio);
      SendDlgItemMessageA(dialog, IDC_BUTTON_ICON, STM_SETICON, reinterpret_cast<WPARAM>(b->icon ? b->icon : SharedLaunchIcon()), 0);
      HICON browse = LoadIconA(g_instance, MAKEINTRESOURCEA(IDI_BROWSE));
      for (int id : {IDC_BUTTON_BROWSE_COMMAND, IDC_BUTTON_BROWSE_DIR}) {
        SendDlgItemMessageA(dialog, id, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(browse));
        AddBrowseTooltip(GetDlgItem(dialog, id));
      }
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      SetFocus(GetDlgItem(dialog, IDC_BUTTON_LABEL));
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BUTTON_BROWSE_COMMAND: BrowseCommand(dialog, s); return TRUE;
        case IDC_BUTTON_BROWSE_DIR: BrowseStartDirectory(dialog); return TRUE;
        case IDC_BUTTON_CHANGE_ICON: ChooseIcon(dialog, s); return TRUE;
        case IDOK:
          if (ApplyProperties(dialog, s)) EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
      }
      break;
    case WM_DESTROY:
      if (s) ShowIcon(dialog, s, nullptr);
      return FALSE;
  }
  return FALSE;
}

// ---- Customise (188) -------------------------------------------------------------------------

struct CustomizeState {
  HIMAGELIST images = nullptr;
  HTREEITEM dragged = nullptr;
  HIMAGELIST dragImage = nullptr;
  bool dragging = false;
};

int SelectedIndex(HWND tree) {
  HTREEITEM selected = TreeView_GetSelection(tree);
  int index = 0;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i), ++index)
    if (i == selected) return index;
  return -1;
}

int IndexOfItem(HWND tree, HTREEITEM item) {
  int index = 0;
  for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i), ++index)
    if (i == item) return index;
  return -1;
}

void FillTree(HWND dialog, CustomizeState* s, int select) {
  HWND tree = GetDlgItem(dialog, IDC_LAUNCH_TREE);
  TreeView_DeleteAllItems(tree);
  ImageList_RemoveAll(s->images);
  HTREEITEM toSelect = nullptr;
  int i = 0;
  for (LaunchButton* b = LaunchButtonList(); b; b = b->next, ++i) {
    b->imageIndex = ImageList_AddIcon(s->images, b->icon ? b->icon : SharedLaunchIcon());
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(b->label ? b->label : "");
    insert.item.iImage = insert.item.iSelectedImage = b->imageIndex;
    insert.item.lParam = reinterpret_cast<LPARAM>(b);
    HTREEITEM item = TreeView_InsertItem(tree, &insert);
    if (i == select) toSelect = item;
  }
  if (toSelect) {
    TreeView_SelectItem(tree, toSelect);
    TreeView_EnsureVisible(tree, toSelect);
  }
  BOOL any = TreeView_GetSelection(tree) != nullptr;
  EnableWindow(GetDlgItem(dialog, IDC_LAUNCH_EDIT), any);
  EnableWindow(GetDlgItem(dialog, IDC_LAUNCH_DELETE), any);
}

void EndDrag(HWND dialog, CustomizeState* s, bool drop) {
  if (!s->dragging) return;
  HWND tree = GetDlgItem(dialog, IDC_LAUNCH_TREE);
  s->dragging = false;
  KillTimer(dialog, 1);
  ImageList_DragLeave(tree);
  ImageList_EndDrag();
  if (s->dragImage) ImageList_Destroy(s->dragImage);
  s->dragImage = nullptr;
  ReleaseCapture();
  HTREEITEM target = TreeView_GetDropHilight(tree);
  TreeView_SelectDropTarget(tree, nullptr);
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
  if (!drop || !target || target == s->dragged) return;
  POINT pt;
  GetCursorPos(&pt);
  RECT r;
  GetWindowRect(tree, &r);
  if (!PtInRect(&r, pt)) return;
  int from = IndexOfItem(tree, s->dragged), to = IndexOfItem(tree, target);
  if (MoveLaunchButtonInList(from, to)) {
    FillTree(dialog, s, to);
    RebuildLaunchBar();
  }
}

INT_PTR CALLBACK CustomizeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<CustomizeState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  HWND tree = GetDlgItem(dialog, IDC_LAUNCH_TREE);
  switch (message) {
    case WM_INITDIALOG: {
      s = reinterpret_cast<CustomizeState*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
      s->images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 8, 8);
      TreeView_SetImageList(tree, s->images, TVSIL_NORMAL);
      FillTree(dialog, s, -1);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->idFrom != IDC_LAUNCH_TREE) break;
      if (header->code == TVN_SELCHANGEDA || header->code == TVN_SELCHANGEDW) {
        BOOL any = TreeView_GetSelection(tree) != nullptr;
        EnableWindow(GetDlgItem(dialog, IDC_LAUNCH_EDIT), any);
        EnableWindow(GetDlgItem(dialog, IDC_LAUNCH_DELETE), any);
      } else if (header->code == TVN_BEGINDRAGA || header->code == TVN_BEGINDRAGW) {
        auto* info = reinterpret_cast<NMTREEVIEWA*>(lParam);
        s->dragged = info->itemNew.hItem;
        s->dragImage = TreeView_CreateDragImage(tree, s->dragged);
        if (s->dragImage) {
          ImageList_BeginDrag(s->dragImage, 0, 0, 0);
          ImageList_DragEnter(tree, info->ptDrag.x, info->ptDrag.y);
        }
        s->dragging = true;
        SetCapture(dialog);
        SetTimer(dialog, 1, 200, nullptr);
      }
      break;
    }
    case WM_MOUSEMOVE:
      if (s && s->dragging) {
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        MapWindowPoints(dialog, tree, &pt, 1);
        ImageList_DragMove(pt.x, pt.y);
        RECT client;
        GetClientRect(tree, &client);
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(PtInRect(&client, pt) ? IDC_ARROW : IDC_NO)));
        TVHITTESTINFO hit{pt, 0, nullptr};
        HTREEITEM over = TreeView_HitTest(tree, &hit);
        ImageList_DragShowNolock(FALSE);
        TreeView_SelectDropTarget(tree, over);
        ImageList_DragShowNolock(TRUE);
      }
      return 0;
    case WM_TIMER:
      if (s && s->dragging && wParam == 1) {
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(tree, &pt);
        RECT client;
        GetClientRect(tree, &client);
        int band = GetSystemMetrics(SM_CYHSCROLL);
        ImageList_DragShowNolock(FALSE);
        if (pt.y >= client.top && pt.y < client.top + band) SendMessageA(tree, WM_VSCROLL, SB_LINEUP, 0);
        else if (pt.y <= client.bottom && pt.y > client.bottom - band) SendMessageA(tree, WM_VSCROLL, SB_LINEDOWN, 0);
        TVHITTESTINFO hit{pt, 0, nullptr};
        TreeView_SelectDropTarget(tree, TreeView_HitTest(tree, &hit));
        ImageList_DragShowNolock(TRUE);
      }
      return 0;
    case WM_LBUTTONUP:
      if (s) EndDrag(dialog, s, true);
      return 0;
    case WM_CAPTURECHANGED:
      if (s && s->dragging && reinterpret_cast<HWND>(lParam) != dialog) EndDrag(dialog, s, false);
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_LAUNCH_EDIT: {
          int index = SelectedIndex(tree);
          LaunchButton* b = GetLaunchButton(index);
          if (b && RunButtonPropertiesDialog(dialog, b)) {
            FillTree(dialog, s, index);
            RebuildLaunchBar();
          }
          return TRUE;
        }
        case IDC_LAUNCH_NEW: {
          if (CountLaunchButtons() >= kMaxLaunchButtons) {
            MessageBeep(MB_ICONEXCLAMATION);
            return TRUE;
          }
          LaunchButton* b = NewLaunchButton();
          if (!RunButtonPropertiesDialog(dialog, b)) {
            FreeLaunchButton(b, SharedLaunchIcon());
            return TRUE;
          }
          int index = SelectedIndex(tree);
          int at = InsertLaunchButtonAfter(index, b);
          FillTree(dialog, s, at);
          RebuildLaunchBar();
          return TRUE;
        }
        case IDC_LAUNCH_DELETE: {
          int index = SelectedIndex(tree);
          if (index < 0) return TRUE;
          DeleteLaunchButtonAt(index);
          int count = CountLaunchButtons();
          FillTree(dialog, s, index < count ? index : count - 1);
          RebuildLaunchBar();
          return TRUE;
        }
        case IDC_LAUNCH_HELP:
          ShowHelpTopic(dialog, 13);
          return TRUE;
        case IDOK:
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      break;
    case WM_DESTROY:
      if (s) {
        EndDrag(dialog, s, false);
        TreeView_SetImageList(tree, nullptr, TVSIL_NORMAL);
        if (s->images) ImageList_Destroy(s->images);
        s->images = nullptr;
      }
      return FALSE;
  }
  return FALSE;
}

}  // namespace

bool MoveLaunchButtonInList(int from, int to) {
  int count = CountLaunchButtons();
  if (from < 0 || to < 0 || from >= count || to >= count || from == to) return false;
  LaunchButton** link = &LaunchButtonList();
  for (int i = 0; i < from; ++i) link = &(*link)->next;
  LaunchButton* moved = *link;
  *link = moved->next;
  moved->next = nullptr;
  // Below the dragged button: after the target; above: before it. Either way the moved button
  // ends at the target's index.
  LaunchButton** at = &LaunchButtonList();
  for (int i = 0; i < to; ++i) at = &(*at)->next;
  moved->next = *at;
  *at = moved;
  return true;
}

int InsertLaunchButtonAfter(int index, LaunchButton* button) {
  int count = CountLaunchButtons();
  if (index < 0 || index >= count) {
    AppendLaunchButton(&LaunchButtonList(), button);
    return count;
  }
  LaunchButton* after = GetLaunchButton(index);
  button->next = after->next;
  after->next = button;
  return index + 1;
}

void DeleteLaunchButtonAt(int index) {
  LaunchButton** link = &LaunchButtonList();
  for (int i = 0; *link && i < index; ++i) link = &(*link)->next;
  if (!*link) return;
  LaunchButton* gone = *link;
  *link = gone->next;
  FreeLaunchButton(gone, SharedLaunchIcon());
}

int RunButtonPropertiesDialog(HWND owner, LaunchButton* button) {
  PropertiesState state;
  state.button = button;
  return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_LAUNCH_BUTTON), owner, ButtonPropertiesProc,
                         reinterpret_cast<LPARAM>(&state)) == 1;
}

int RunLaunchBarButton(HWND window, UINT id) {
  LaunchButton* b = LaunchButtonOfCommand(id);
  if (!b || !b->command) return 0;
  const char* command = b->command;
  while (*command == ' ' || *command == '\t') ++command;
  if (!*command) return 0;
  std::string parameters = b->parameters ? b->parameters : "";
  if (GetKeyState(VK_SHIFT) < 0) {
    std::string selected = FocusedSelectionPath();
    if (!selected.empty())
      parameters = selected.find(' ') != std::string::npos ? "\"" + selected + "\"" : selected;
  }
  // A folder button opens the folder in the active pane.
  DWORD attributes = GetFileAttributesA(command);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return NavigatePaneToPath(ActivePaneIndex, command, TRUE) != nullptr;
  }
  std::string directory = b->startDirectory && *b->startDirectory ? std::string(b->startDirectory) : FolderOf(command);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = window;
  info.lpFile = command;
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = b->showMode ? static_cast<int>(b->showMode) : SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? 1 : 0;
}

LRESULT RunLaunchButton(HWND window, UINT, WPARAM wParam, LPARAM) {
  RunLaunchBarButton(window, LOWORD(wParam));
  return 0;
}

LRESULT CustomizeLaunchBar(HWND window, UINT, WPARAM, LPARAM) {
  // The undo copy: what Cancel puts back.
  LaunchButton* undo = nullptr;
  for (LaunchButton* b = LaunchButtonList(); b; b = b->next) AppendLaunchButton(&undo, CopyLaunchButton(b));
  CustomizeState state;
  INT_PTR result = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_CUSTOMIZE_LAUNCH_BAR), window, CustomizeProc,
                                   reinterpret_cast<LPARAM>(&state));
  if (result == 1) {
    FreeLaunchButtonChain(undo, SharedLaunchIcon());
    RebuildLaunchBar();
    SaveLaunchButtons();
  } else {
    FreeLaunchButtonChain(LaunchButtonList(), SharedLaunchIcon());
    LaunchButtonList() = undo;
    RebuildLaunchBar();
  }
  return 0;
}
