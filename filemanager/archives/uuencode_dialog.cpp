// UUEncode and the shell-extension tools.
#include "uuencode_dialog.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstdio>
#include <string>
#include <vector>
#include "archive_engines.h"
#include "command_line.h"
#include "file_list.h"
#include "file_pane.h"
#include "history_list.h"
#include "pane_host.h"
#include "path_utils.h"
#include "pidl.h"
#include "program_values.h"
#include "resource.h"
#include "settings_store.h"
#include "target_tree.h"
#include "tree_nodes.h"
#include "window_helpers.h"

char g_uuencodeFile[MAX_PATH];

namespace {

HistoryList g_uuHistory;

std::string FolderOf(const char* path) {
  std::string folder = path;
  size_t slash = folder.rfind('\\');
  folder = slash == std::string::npos ? "" : folder.substr(0, slash + 1);
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

void InitUUEncode(HWND dialog) {
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  if (PaneLastFocus() == p.tree && p.tree) {
    HTREEITEM selected = TreeView_GetSelection(p.tree);
    if (FolderTreeItem* record = selected ? GetTreeItemRecord(p.tree, selected) : nullptr)
      GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, g_uuencodeFile);
  } else if (p.list) {
    int index = ListView_GetNextItem(p.list, -1, LVNI_FOCUSED);
    FileListItem* record = index >= 0 ? GetListItemRecord(p.list, index) : nullptr;
    if (record && record->folder) GetDisplayNameText(record->folder, record->pidl, SHGDN_FORPARSING, g_uuencodeFile);
  }
  SetDlgItemTextA(dialog, IDC_ARC_ARCHIVE_NAME, g_uuencodeFile);
  CenterWindowOver(dialog, GetParent(dialog));
  HWND combo = GetDlgItem(dialog, IDC_ARC_TARGET);
  LoadHistoryList(&g_uuHistory, "UUEncode");
  FillComboFromHistory(combo, &g_uuHistory);
  if (SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0) SendMessageA(combo, CB_SETCURSEL, 0, 0);
  if (GetWindowTextLengthA(combo) == 0) SetWindowTextA(combo, FolderOf(g_uuencodeFile).c_str());
  const UUEncodeSettings& s = GetLiveOptions().uuencode;
  CheckDlgButton(dialog, IDC_ARC_CHECK_1006, s.first ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_ARC_KEEP_PATHS, s.second ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(dialog, IDC_ARC_SPLIT_SPIN, UDM_SETRANGE32, 1, 32767);
  SendDlgItemMessageA(dialog, IDC_ARC_SPLIT_SPIN, UDM_SETPOS32, 0, s.lineLength ? s.lineLength : 32);
  EnableWindow(GetDlgItem(dialog, IDC_ARC_SPLIT_SIZE), s.second != 0);
  EnableWindow(GetDlgItem(dialog, IDC_ARC_SPLIT_SPIN), s.second != 0);
  InitTargetTree(dialog);
  PostMessageA(combo, EM_SETSEL, static_cast<WPARAM>(-1), -1);
}

void RunUUEncode(HWND dialog) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_ARC_TARGET, text, sizeof text);
  TrimLeadingSpaces(text);
  char folder[MAX_PATH] = "";
  if (!text[0]) {
    lstrcpynA(folder, FolderOf(g_uuencodeFile).c_str(), sizeof folder);
  } else {
    std::string base = FolderOf(g_uuencodeFile);
    HWND tree = FilePanes[ActivePaneIndex].tree;
    HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
    char current[MAX_PATH] = "";
    if (FolderTreeItem* record = selected ? GetTreeItemRecord(tree, selected) : nullptr)
      GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, current);
    DWORD attributes = current[0] ? GetFileAttributesA(current) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) base = current;
    if (!ResolveRelativePath(text, folder, base.c_str())) return;
    AddToHistoryList(&g_uuHistory, text);
    SaveHistoryList(&g_uuHistory, "UUEncode");
  }
  char create[MAX_PATH];
  lstrcpynA(create, folder, sizeof create);
  if (GetFileAttributesA(create) == INVALID_FILE_ATTRIBUTES) CreateDirectoryPath(create);
  UUEncodeSettings& s = GetLiveOptions().uuencode;
  s.first = IsDlgButtonChecked(dialog, IDC_ARC_CHECK_1006) == BST_CHECKED;
  s.second = IsDlgButtonChecked(dialog, IDC_ARC_KEEP_PATHS) == BST_CHECKED;
  s.lineLength = static_cast<uint16_t>(SendDlgItemMessageA(dialog, IDC_ARC_SPLIT_SPIN, UDM_GETPOS32, 0, 0));
  std::string name = g_uuencodeFile;
  size_t slash = name.rfind('\\');
  if (slash != std::string::npos) name = name.substr(slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name = name.substr(0, dot);
  std::string output = std::string(folder) + (folder[0] && folder[lstrlenA(folder) - 1] == '\\' ? "" : "\\") + name;
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  uint16_t written = 0;
  int result = g_zipApi.Et5UUEncode(ZipEngineHandle, g_uuencodeFile, output.c_str(), UUEncodeSplitBytes(s.second, s.lineLength),
                                    s.first, &written);
  SetCursor(previous);
  // A failure is shown, not dropped.
  if (LOWORD(result)) ShowArchiveError(static_cast<int16_t>(LOWORD(result)), g_uuencodeFile);
}

}  // namespace

uint32_t UUEncodeSplitBytes(bool split, uint32_t kilobytes) { return split ? kilobytes * 1024 : 0; }

INT_PTR CALLBACK UUEncodeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR answer = FALSE;
  if (HandleTargetTreeMessage(dialog, message, wParam, lParam, &answer)) return answer;
  switch (message) {
    case WM_INITDIALOG:
      InitUUEncode(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ARC_KEEP_PATHS: {
          BOOL on = IsDlgButtonChecked(dialog, IDC_ARC_KEEP_PATHS) == BST_CHECKED;
          EnableWindow(GetDlgItem(dialog, IDC_ARC_SPLIT_SIZE), on);
          EnableWindow(GetDlgItem(dialog, IDC_ARC_SPLIT_SPIN), on);
          return TRUE;
        }
        case IDOK:
          ShowWindow(dialog, SW_HIDE);
          RunUUEncode(dialog);
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 0);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      FreeHistoryList(&g_uuHistory);
      return FALSE;
  }
  return FALSE;
}

void DoUUEncodeCommand(HWND window) {
  if (!LoadZipEngine()) return;
  DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_UUENCODE), g_mainWindow ? g_mainWindow : window, UUEncodeDlgProc, 0);
}

int MakeSelectionDataObject(IDataObject** out, UINT) {
  *out = nullptr;
  int pane = ActivePaneIndex;
  const FilePane& p = FilePanes[pane];
  IShellFolder* parent = nullptr;
  std::vector<LPCITEMIDLIST> items;
  bool fromList = PaneLastFocus() == p.list && p.listKind == kListKindShellFolder && p.list &&
                  ListView_GetNextItem(p.list, -1, LVNI_SELECTED) >= 0;
  if (fromList) {
    for (int i = ListView_GetNextItem(p.list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(p.list, i, LVNI_SELECTED)) {
      FileListItem* record = GetListItemRecord(p.list, i);
      if (!record || !record->folder || !record->pidl) continue;
      if (!parent) parent = record->folder;
      items.push_back(record->pidl);
    }
    if (!parent) return 0;
  } else {
    HTREEITEM selected = p.tree ? TreeView_GetSelection(p.tree) : nullptr;
    FolderTreeItem* record = selected ? GetTreeItemRecord(p.tree, selected) : nullptr;
    if (!record || !record->folder || !record->relative) return 0;
    parent = record->folder;
    items.push_back(record->relative);
  }
  parent->GetUIObjectOf(g_mainWindow, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
                        reinterpret_cast<void**>(out));
  return 1;
}

void RunShellExtToolCommand(HWND window, UINT command) {
  if (!LoadShellExtTools()) return;
  IDataObject* data = nullptr;
  if (!MakeSelectionDataObject(&data, command) || !data) {
    UnloadShellExtTools();
    return;
  }
  ShellExtTool tool = nullptr;
  switch (command) {
    case 40027: tool = g_shellExtApi.DoCopyDisk; break;
    case 40028: tool = g_shellExtApi.DoLabelDisk; break;
    case 40029: tool = g_shellExtApi.DoFormatDisk; break;
    case 40069: tool = g_shellExtApi.UnZipTo; break;
    case 40114: tool = g_shellExtApi.EditZipComments; break;
    case 40138: tool = g_shellExtApi.CheckIntegrity; break;
    case 40147: tool = g_shellExtApi.DoEraseDiskette; break;
    case 40160: tool = g_shellExtApi.DecodeFiles; break;
    case 40161: tool = g_shellExtApi.DoConvertPictureFormat; break;
  }
  if (tool) tool(g_shellExtModule, g_mainWindow ? g_mainWindow : window, data);
  data->Release();
  UnloadShellExtTools();
}
