// The drive bar (an up button and a button per shown drive) and the address combo, which shows
// the active pane's folder and drops down a folder tree to pick another from.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>
#include <string>
#include "drive_bar.h"
#include "context_menus.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "pane_refresh.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"

namespace {
PaneNavigator g_driveBarNavigator = nullptr;

HTREEITEM NavigateFromDriveBar(int pane, const char* path, BOOL select) {
  return g_driveBarNavigator ? g_driveBarNavigator(pane, path, select) : nullptr;
}
}  // namespace

void SetDriveBarNavigator(PaneNavigator navigator) { g_driveBarNavigator = navigator; }

namespace {

constexpr UINT kFirstDriveCommand = 48000;
constexpr UINT kTakeDropdownSelection = WM_USER + 105;  // 1129
constexpr UINT kCloseDropdown = WM_APP + 113;
constexpr int kComboHeight = 18;

WNDPROC g_previousBarProc;
WNDPROC g_previousComboProc;
HFONT g_letterFont;
HIMAGELIST g_smallImages;
UINT g_dropdownFilling;
int g_driveButtonCount;
void (*g_previousTitlebarUpdate)();

HFONT CreateLetterFont() {
  LOGFONTA lf{};
  lf.lfHeight = -9;
  lf.lfWeight = FW_BOLD;
  lstrcpyA(lf.lfFaceName, "Arial");
  return CreateFontIndirectA(&lf);
}

bool ButtonIsSeparator(HWND bar, int index) {
  TBBUTTON button{};
  if (!SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button))) return false;
  return (button.fsStyle & TBSTYLE_SEP) != 0;
}

void AddButton(HWND bar, int image, UINT command, BYTE style, DWORD_PTR data) {
  TBBUTTON button{};
  button.iBitmap = image;
  button.idCommand = static_cast<int>(command);
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = style;
  button.dwData = data;
  SendMessageA(bar, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
}

// Separators in front of the combo while it stands in the drive bar (none with the coolbar).
void PlaceComboSeparators(HWND bar, HWND combo, bool show) {
  if (!bar || !combo) return;
  if (g_frame.barsInCoolbar) {
    RECT r{};
    GetWindowRect(combo, &r);
    SendMessageA(bar, TB_SETINDENT, show ? (r.right - r.left) + 4 : 0, 0);
    return;
  }
  if (show) {
    if (ButtonIsSeparator(bar, 0)) return;
    RECT r{};
    GetWindowRect(combo, &r);
    int separators = (r.right - r.left) / 8 + 1;
    TBBUTTON button{};
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = TBSTYLE_SEP;
    for (int i = 0; i < separators; ++i) SendMessageA(bar, TB_INSERTBUTTONA, 0, reinterpret_cast<LPARAM>(&button));
  } else {
    while (SendMessageA(bar, TB_BUTTONCOUNT, 0, 0) > 0 && ButtonIsSeparator(bar, 0))
      SendMessageA(bar, TB_DELETEBUTTON, 0, 0);
  }
  int barHeight = g_frame.driveBarHeight > 0 ? g_frame.driveBarHeight + 5 : 26;
  SetWindowPos(combo, HWND_TOP, 2, (barHeight - kComboHeight - 4) / 2, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

FolderTreeItem* ActiveFolderRecord() {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  HTREEITEM selected = tree ? TreeView_GetSelection(tree) : nullptr;
  return selected ? GetTreeItemRecord(tree, selected) : nullptr;
}

void DrawAddressItem(DRAWITEMSTRUCT* draw) {
  HDC dc = draw->hDC;
  RECT r = draw->rcItem;
  bool focusField = (draw->itemState & ODS_FOCUS) != 0;
  FillRect(dc, &r, GetSysColorBrush(focusField ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  FolderTreeItem* record = ActiveFolderRecord();
  if (!record) return;
  char text[MAX_PATH] = "";
  ULONG attributes = SFGAO_SHARE | SFGAO_COMPRESSED;
  if (record->folder && record->relative && record->relative->mkid.cb) {
    GetDisplayNameText(record->folder, record->relative, SHGDN_NORMAL, text);
    if (!text[0]) GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, text);
    LPCITEMIDLIST item = record->relative;
    if (FAILED(record->folder->GetAttributesOf(1, &item, &attributes))) attributes = 0;
  } else if (record->absolute) {
    GetPidlIconAndName(record->absolute, 1, text);
    attributes = 0;
  }
  if (g_smallImages && record->absolute) {
    int icon = GetShellIconIndex(reinterpret_cast<const char*>(record->absolute), 0x400B);
    UINT style = ILD_TRANSPARENT | ((attributes & SFGAO_SHARE) ? INDEXTOOVERLAYMASK(1) : 0);
    if (icon >= 0) ImageList_Draw(g_smallImages, icon, dc, r.left + 1, r.top + 1, style);
  }
  const LiveOptions& o = GetLiveOptions();
  COLORREF color = GetSysColor(focusField ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  if (o.colorCompressed && (attributes & SFGAO_COMPRESSED)) color = o.compressedColor;
  SetTextColor(dc, color);
  SetBkMode(dc, TRANSPARENT);
  RECT textRect{r.left + 22, r.top + 1, r.right, r.bottom};
  DrawTextA(dc, text, -1, &textRect, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void PaintDriveLetters(HWND bar) {
  HDC dc = GetDC(bar);
  if (!dc) return;
  HGDIOBJ oldFont = SelectObject(dc, g_letterFont ? g_letterFont : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  bool flat = (GetWindowLongPtrA(bar, GWL_STYLE) & TBSTYLE_FLAT) != 0;
  int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    TBBUTTON button{};
    if (!SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
    if ((button.fsStyle & TBSTYLE_SEP) || button.dwData < 'A' || button.dwData > 'Z') continue;
    RECT r{};
    if (!SendMessageA(bar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
    char letter[2] = {static_cast<char>(button.dwData), 0};
    TextOutA(dc, r.left + (flat ? 0 : 1), r.top + 2, letter, 1);
  }
  SelectObject(dc, oldFont);
  ReleaseDC(bar, dc);
}

LRESULT CALLBACK DriveBarWndProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      LRESULT result = CallWindowProcA(g_previousBarProc, bar, message, wParam, lParam);
      PaintDriveLetters(bar);
      return result;
    }
    case WM_DRAWITEM: {
      auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (draw && draw->CtlType == ODT_COMBOBOX) {
        DrawAddressItem(draw);
        return TRUE;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure && measure->CtlType == ODT_COMBOBOX) {
        measure->itemHeight = kComboHeight;
        return TRUE;
      }
      break;
    }
    case WM_DESTROY:
      if (g_letterFont) DeleteObject(g_letterFont);
      g_letterFont = nullptr;
      break;
  }
  return CallWindowProcA(g_previousBarProc, bar, message, wParam, lParam);
}

int BarsBelowHeight() {
  const LiveOptions& o = GetLiveOptions();
  int height = 0;
  if (!g_frame.barsInCoolbar && o.dosBarShown && g_frame.commandLineBar) height += g_frame.commandLineHeight;
  if (o.launchBarShown && g_frame.launchBar) height += g_frame.launchBarHeight;
  if (o.statusBarShown && g_frame.statusBar) height += g_frame.statusBarHeight;
  return height;
}

void ReturnFocusToPanes() {
  HWND target = g_frame.lastFocus;
  if (!target || !IsWindow(target) || !IsWindowVisible(target)) {
    const FilePane& p = FilePanes[ActivePaneIndex];
    target = p.treeShown && p.tree ? p.tree : p.list;
  }
  if (target) SetFocus(target);
}

void CloseDropdown() {
  HWND tree = g_frame.addressTree;
  if (!tree) return;
  g_frame.addressTree = nullptr;
  DestroyWindow(tree);
}

void TakeDropdownSelection() {
  HWND tree = g_frame.addressTree;
  if (!tree) return;
  HTREEITEM selected = TreeView_GetSelection(tree);
  HWND paneTree = FilePanes[ActivePaneIndex].tree;
  if (!selected || selected == TreeView_GetRoot(tree)) {
    if (!g_dropdownFilling) ReturnFocusToPanes();
    if (paneTree && TreeView_GetRoot(paneTree)) TreeView_SelectItem(paneTree, TreeView_GetRoot(paneTree));
    return;
  }
  char path[MAX_PATH] = "";
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  if (record && record->folder && record->relative)
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
  if (!g_dropdownFilling) ReturnFocusToPanes();
  if (path[0]) NavigateFromDriveBar(ActivePaneIndex, path, TRUE);
}

LRESULT CALLBACK AddressComboWndProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
      if (g_frame.addressTree) {
        ReturnFocusToPanes();
        CloseDropdown();
      } else {
        OpenAddressDropdown();
      }
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
      return 0;
    case WM_RBUTTONDBLCLK:
      return 1;
    case kTakeDropdownSelection:
      TakeDropdownSelection();
      CloseDropdown();
      return 0;
    case kCloseDropdown:
      CloseDropdown();
      return 0;
    case WM_SHOWWINDOW:
      PlaceComboSeparators(GetParent(combo), combo, wParam != 0);
      break;
  }
  return CallWindowProcA(g_previousComboProc, combo, message, wParam, lParam);
}

void UpdateTitlebarsAndCombo() {
  if (g_previousTitlebarUpdate) g_previousTitlebarUpdate();
  RedrawAddressCombo(g_frame.addressCombo);
}

}  // namespace

// ---- Drive bar ----------------------------------------------------------------------------

HWND CreateDriveBar(HWND parent) {
  const LiveOptions& o = GetLiveOptions();
  DWORD style = 0x5400010C | WS_CLIPCHILDREN;
  if (g_frame.barsInCoolbar) style |= TBSTYLE_FLAT;
  (void)o;
  HWND bar = CreateToolbarEx(parent, style, kDriveBarId, 6, g_instance, IDB_DRIVES, nullptr, 0, 16, 16, 16, 16,
                             sizeof(TBBUTTON));
  if (!bar) return nullptr;
  if (!g_letterFont) g_letterFont = CreateLetterFont();
  RECT r{};
  GetWindowRect(bar, &r);
  g_frame.driveBarHeight = (r.bottom - r.top) - 5;
  g_previousBarProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DriveBarWndProc)));
  g_frame.driveBar = bar;
  RebuildDriveBar(bar);
  return bar;
}

void ClearDriveBarButtons(HWND bar) {
  if (!bar) return;
  while (SendMessageA(bar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(bar, TB_DELETEBUTTON, 0, 0);
  g_driveButtonCount = 0;
}

void RebuildDriveBar(HWND bar) {
  if (!bar) return;
  bool comboShown = g_frame.addressCombo && IsWindowVisible(g_frame.addressCombo);
  ClearDriveBarButtons(bar);
  AddButton(bar, 5, ID_GO_UP, TBSTYLE_BUTTON, 0);
  AddButton(bar, 0, 0, TBSTYLE_SEP, 0);
  int count = 2;
  UINT command = kFirstDriveCommand;
  DWORD present = GetLogicalDrives();
  DWORD mask = GetLiveOptions().driveFilters.driveMask;
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (!(present & (1u << (letter - 'A'))) || !(mask & (1u << (letter & 31)))) continue;
    char root[4] = {letter, ':', '\\', 0};
    UINT type = GetDriveTypeA(root);
    if (type < DRIVE_REMOVABLE || type > DRIVE_RAMDISK) continue;
    if (command > kFirstDriveCommand + 75) break;  // the command table's range
    AddButton(bar, static_cast<int>(type - 2), command, TBSTYLE_BUTTON, static_cast<DWORD_PTR>(letter));
    AddButton(bar, 0, 0, TBSTYLE_SEP, 0);
    AddButton(bar, 0, 0, TBSTYLE_SEP, 0);
    count += 3;
    command += 3;
  }
  g_driveButtonCount = count;
  if (comboShown) PlaceComboSeparators(bar, g_frame.addressCombo, true);
  const FilePane& active = FilePanes[ActivePaneIndex];
  ShowAddressComboInDriveBar(bar, g_frame.addressCombo, active.tree && !active.treeShown);
}

char DriveLetterOfCommand(HWND bar, UINT id) {
  if (!bar) return 0;
  // The button is found by its command: separators in front of the combo shift the indexes.
  int index = static_cast<int>(SendMessageA(bar, TB_COMMANDTOINDEX, id, 0));
  if (index < 0) return 0;
  TBBUTTON button{};
  if (!SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button))) return 0;
  if (button.idCommand != static_cast<int>(id) || button.dwData < 'A' || button.dwData > 'Z') return 0;
  return static_cast<char>(button.dwData);
}

LRESULT OpenDriveFromBar(HWND, UINT id, char letter) {
  int pane = ActivePaneIndex;
  HWND tree = FilePanes[pane].tree;
  if (!tree) return 0;
  HTREEITEM before = TreeView_GetSelection(tree);
  if (id) letter = DriveLetterOfCommand(g_frame.driveBar, id);
  if (!letter) return 0;
  letter = static_cast<char>(toupper(static_cast<unsigned char>(letter)));
  char root[4] = {letter, ':', '\\', 0};
  HTREEITEM node = NavigateFromDriveBar(pane, root, FALSE);
  if (!node) return 0;
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  if (!record || !EnsureFolderReachable(record->folder, record->relative, tree, TreeItemAbsolutePidl)) return 0;
  TreeView_Expand(tree, node, TVE_EXPAND);
  TreeView_Select(tree, node, TVGN_FIRSTVISIBLE);
  TreeView_SelectItem(tree, node);
  if (before == node && IsRemovableDriveRoot(record->folder, record->relative))
    RefreshPaneTree(pane, node, TRUE);
  return 0;
}

void ShowDriveContextMenu(HWND window) {
  HWND bar = g_frame.driveBar;
  if (!bar) return;
  POINT cursor{};
  GetCursorPos(&cursor);
  POINT client = cursor;
  ScreenToClient(bar, &client);
  int index = static_cast<int>(SendMessageA(bar, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&client)));
  TBBUTTON button{};
  char letter = 0;
  if (index >= 0 && SendMessageA(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) &&
      !(button.fsStyle & TBSTYLE_SEP) && button.dwData >= 'A' && button.dwData <= 'Z')
    letter = static_cast<char>(button.dwData);
  if (!letter) {
    UINT chosen = ShowBarsContextMenu(window);
    if (chosen) SendMessageA(window, WM_COMMAND, chosen, 0);
    return;
  }
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return;
  LPITEMIDLIST drives = nullptr;
  IShellFolder* computer = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) && drives)
    desktop->BindToObject(drives, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&computer));
  char root[4] = {letter, ':', '\\', 0};
  LPITEMIDLIST item = computer ? ParsePathToPidl(root, computer, nullptr) : nullptr;
  IContextMenu* menu = nullptr;
  if (item) {
    LPCITEMIDLIST items[1] = {item};
    computer->GetUIObjectOf(window, 1, items, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu));
  }
  if (menu) {
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_EXPLORE | CMF_CANRENAME);
    UINT chosen = static_cast<UINT>(seams::TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x,
                                                            cursor.y, window, nullptr));
    if (chosen) {
      CMINVOKECOMMANDINFO info{};
      info.cbSize = sizeof info;
      info.hwnd = window;
      info.lpVerb = MAKEINTRESOURCEA(chosen - 1);
      info.nShow = SW_SHOWNORMAL;
      menu->InvokeCommand(&info);
    }
    DestroyMenu(popup);
    menu->Release();
  }
  if (item) FreePidl(item);
  if (computer) computer->Release();
  if (drives) FreePidl(drives);
  desktop->Release();
}

void GetDriveDisplayName(char letter, char* buffer, int size) {
  if (size <= 0) return;
  buffer[0] = '\0';
  char root[4] = {letter, ':', '\\', 0};
  SHFILEINFOA info{};
  if (SHGetFileInfoA(root, 0, &info, sizeof info, SHGFI_DISPLAYNAME)) lstrcpynA(buffer, info.szDisplayName, size);
}

LRESULT RebuildDriveBarMessage(HWND, UINT, WPARAM, LPARAM) {
  if (g_frame.driveBar) RebuildDriveBar(g_frame.driveBar);
  return 0;
}

// ---- Address combo --------------------------------------------------------------------------

HWND CreateAddressCombo(HWND parent, HFONT font) {
  HWND combo = CreateWindowExA(0, "COMBOBOX", nullptr, 0x40200013, 0, 0, 180, kComboHeight, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(112)), g_instance, nullptr);
  if (!combo) return nullptr;
  if (font) SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  HDC dc = GetDC(parent);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{};
  GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcd", 30, &extent);
  SelectObject(dc, old);
  ReleaseDC(parent, dc);
  SetWindowPos(combo, nullptr, 0, 0, extent.cx > 100 ? extent.cx : 180, kComboHeight + 200,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  SHFILEINFOA info{};
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, sizeof windows);
  g_smallImages = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  g_previousComboProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AddressComboWndProc)));
  g_frame.addressCombo = combo;
  return combo;
}

void RedrawAddressCombo(HWND combo) {
  if (combo && IsWindowVisible(combo)) InvalidateRect(combo, nullptr, TRUE);
}

void ShowAddressComboInDriveBar(HWND bar, HWND combo, BOOL show) {
  if (!bar || !combo || g_treesBeingFilled) return;
  if ((IsWindowVisible(combo) != 0) == (show != 0)) return;
  ShowWindow(combo, show ? SW_SHOWNA : SW_HIDE);  // the combo places its separators
  if (g_mainWindow) RelayoutMainWindow(g_mainWindow, TRUE);
}

void CloseDropdownOnOutsideClick(HWND clicked, WPARAM parameter) {
  UINT event = LOWORD(parameter);
  if (event != WM_LBUTTONDOWN && event != WM_RBUTTONDOWN) return;
  if (!g_frame.addressTree || clicked == g_frame.addressTree || clicked == g_frame.addressCombo) return;
  ReturnFocusToPanes();
  CloseDropdown();
}

void OpenAddressDropdown() {
  HWND combo = g_frame.addressCombo;
  HWND main = g_mainWindow;
  if (!combo || !main || g_frame.addressTree) return;
  RECT r{};
  GetWindowRect(combo, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  RECT client{};
  GetClientRect(main, &client);
  int top = r.top + kComboHeight + 4;
  int height = client.bottom - BarsBelowHeight() - 1 - top;
  if (height < 60) height = 60;
  HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, nullptr, 0x44400003 | TVS_SHOWSELALWAYS, r.left, top,
                              r.right - r.left, height, main,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAddressTreeId)), g_instance, nullptr);
  if (!tree) return;
  g_frame.addressTree = tree;
  g_dropdownFilling = 1;
  AttachSystemImageList(tree);
  if (g_frame.listFont) SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(g_frame.listFont), FALSE);
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
    FillFolderTree(tree, desktop, nullptr, TVI_ROOT, 0);
    desktop->Release();
  }
  HTREEITEM root = TreeView_GetRoot(tree);
  if (root) TreeView_Expand(tree, root, TVE_EXPAND);
  FolderTreeItem* record = ActiveFolderRecord();
  char name[MAX_PATH] = "";
  if (record && record->folder && record->relative && record->relative->mkid.cb) {
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, name);
    if (!name[0]) GetDisplayNameText(record->folder, record->relative, SHGDN_NORMAL, name);
  }
  if (!name[0] || !SelectTreePath(tree, name, TRUE)) {
    if (root) TreeView_SelectItem(tree, root);
  }
  HTREEITEM selected = TreeView_GetSelection(tree);
  if (selected) TreeView_EnsureVisible(tree, selected);
  SetWindowPos(tree, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  g_dropdownFilling = 0;
  SetFocus(tree);
}

BOOL OnActionsNotify(HWND window, NMHDR* header, LRESULT* result) {
  if (!header) return FALSE;
  // Tool tips of the drive buttons: the drive's display name.
  if (header->code == TTN_NEEDTEXTA && header->idFrom >= kFirstDriveCommand &&
      header->idFrom <= kFirstDriveCommand + 75) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    if (info->uFlags & TTF_IDISHWND) return FALSE;
    char letter = DriveLetterOfCommand(g_frame.driveBar, static_cast<UINT>(header->idFrom));
    if (!letter) return FALSE;
    static char text[MAX_PATH];
    GetDriveDisplayName(letter, text, sizeof text);
    if (!text[0]) wsprintfA(text, "%c:\\", letter);
    info->lpszText = text;
    info->hinst = nullptr;
    *result = 0;
    return TRUE;
  }
  if (g_frame.driveBar && header->hwndFrom == g_frame.driveBar && header->code == NM_RCLICK) {
    ShowDriveContextMenu(window);
    *result = TRUE;
    return TRUE;
  }
  HWND tree = g_frame.addressTree;
  if (!tree || header->hwndFrom != tree) return FALSE;
  *result = 0;
  switch (header->code) {
    case TVN_ITEMEXPANDINGA: {
      auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
      if (info->action & TVE_EXPAND) ExpandFolderTreeItem(tree, info->itemNew.hItem);
      break;
    }
    case TVN_DELETEITEMA: {
      auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
      FreeFolderTreeItem(reinterpret_cast<FolderTreeItem*>(info->itemOld.lParam));
      break;
    }
    case TVN_SELCHANGEDA: {
      auto* info = reinterpret_cast<NMTREEVIEWA*>(header);
      if (!g_dropdownFilling && info->action == TVC_BYMOUSE && g_frame.addressCombo)
        PostMessageA(g_frame.addressCombo, kTakeDropdownSelection, 0, 0);
      break;
    }
    case TVN_KEYDOWN: {
      auto* info = reinterpret_cast<NMTVKEYDOWN*>(header);
      if (info->wVKey == VK_RETURN && g_frame.addressCombo)
        PostMessageA(g_frame.addressCombo, kTakeDropdownSelection, 0, 0);
      else if (info->wVKey == VK_ESCAPE)
        ReturnFocusToPanes();
      break;
    }
    case NM_KILLFOCUS:
      if (g_frame.addressCombo) PostMessageA(g_frame.addressCombo, kCloseDropdown, 0, 0);
      break;
  }
  return TRUE;
}

void CreateDriveBarAndAddressCombo(HWND mainWindow) {
  HWND bar = CreateDriveBar(mainWindow);
  if (!bar) return;
  CreateAddressCombo(bar, g_frame.barFont);
  const FilePane& active = FilePanes[ActivePaneIndex];
  ShowAddressComboInDriveBar(bar, g_frame.addressCombo, active.tree && !active.treeShown);
  if (!GetLiveOptions().driveBarShown) ShowWindow(bar, SW_HIDE);
  if (g_paneServices.updateTitlebars != UpdateTitlebarsAndCombo) {
    g_previousTitlebarUpdate = g_paneServices.updateTitlebars;
    g_paneServices.updateTitlebars = UpdateTitlebarsAndCombo;
  }
}

LRESULT DropDownAddressCombo(HWND, UINT, WPARAM, LPARAM) {
  const FilePane& active = FilePanes[ActivePaneIndex];
  if (!GetLiveOptions().driveBarShown || !g_frame.addressCombo || active.treeShown) return 0;
  PostMessageA(g_frame.addressCombo, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  return 0;
}
