// The main window's toolbar.
#include "toolbar.h"
#include "launch_bar.h"
#include <cstring>
#include "context_menus.h"
#include "file_list.h"
#include "file_pane.h"
#include "frame_layout.h"
#include "frame_state.h"
#include "navigation_history.h"
#include "path_utils.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"

namespace {

constexpr BYTE kChk = TBSTYLE_CHECK;
constexpr BYTE kDd = TBSTYLE_DROPDOWN;
constexpr BYTE kWdd = 0x80;  // BTNS_WHOLEDROPDOWN

constexpr TBBUTTON Button(int image, int command, BYTE style = TBSTYLE_BUTTON) {
  return TBBUTTON{image, command, TBSTATE_ENABLED, style, {}, 0, -1};
}
constexpr TBBUTTON Separator() { return TBBUTTON{0, 0, TBSTATE_ENABLED, TBSTYLE_SEP, {}, 0, -1}; }

constexpr DWORD kToolbarFixedStyle = 0x5000012C;  // child, visible, tooltips, adjustable, no align/resize

}  // namespace

const TBBUTTON kDefaultToolbarButtons[kDefaultToolbarButtonCount] = {
    Button(0, ID_EDIT_CUT),  Button(1, ID_EDIT_COPY),  Button(2, ID_EDIT_PASTE),         Separator(),
    Button(4, ID_EDIT_UNDO),  Separator(),       Button(25, ID_VIEW_FOLDER_LIST, kChk),  Separator(),
    Button(32, ID_FILE_RECYCLE), Button(33, ID_FILE_DELETE), Button(23, ID_EDIT_MOVE_TO),        Button(24, ID_EDIT_COPY_TO),
    Button(21, ID_FILE_RENAME), Button(6, ID_FILE_PROPERTIES),  Separator(),              Button(55, ID_FILE_SEND_MAIL),
    Separator(),       Button(58, ID_GO_BACK, kDd), Button(59, ID_GO_FORWARD, kDd), Separator(),
    Button(60, ID_FAVORITES_DROP_DOWN, kWdd), Button(91, ID_FTP_DROP_DOWN, kWdd), Separator(), Button(9, ID_VIEW_LARGE_ICONS),
    Button(10, ID_VIEW_SMALL_ICONS), Button(11, ID_VIEW_LIST), Button(12, ID_VIEW_DETAILS),        Separator(),
    Button(13, ID_SORT_BY_NAME), Button(5, ID_SORT_BY_EXTENSION),  Button(14, ID_SORT_BY_SIZE),        Button(15, ID_SORT_BY_DATE),
    Button(16, ID_SORT_BY_TYPE), Separator(),       Button(7, ID_VIEW_VIEWER_PANE, kChk | kDd),
};

namespace {

constexpr BYTE ExtraStyle(unsigned command) {
  return command == ID_START_MENU_DROP_DOWN ? kWdd
         : (command == ID_VIEW_DRIVE_BAR || command == ID_VIEW_LAUNCH_BAR || command == ID_VIEW_COMMAND_LINE_BAR) ? kChk
                                                                      : TBSTYLE_BUTTON;
}

struct ExtraTable {
  TBBUTTON buttons[kExtraToolbarButtonCount];
  constexpr ExtraTable() : buttons{} {
    for (int i = 0; i < kExtraToolbarButtonCount; ++i)
      buttons[i] = Button(static_cast<int>(kToolbarExtraImages[i].image),
                          static_cast<int>(kToolbarExtraImages[i].command),
                          ExtraStyle(kToolbarExtraImages[i].command));
  }
};
constexpr ExtraTable kExtraTable;

// Entries of the layout being restored that name no button of ours, or separators that a saved
// layout never holds: a layout with any of them is damaged.
int g_unknownRestored = 0;

// The default table's buttons, in place of whatever the toolbar holds.
void ResetToDefaultButtons(HWND toolbar) {
  while (SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(toolbar, TB_DELETEBUTTON, 0, 0);
  SendMessageA(toolbar, TB_ADDBUTTONSA, kDefaultToolbarButtonCount,
               reinterpret_cast<LPARAM>(kDefaultToolbarButtons));
}

BOOL SaveRestore(HWND toolbar, BOOL save, const char* valueName) {
  if (!toolbar) return FALSE;
  if (save && !EnsureSettingsKey(1)) return FALSE;
  if (!save) {
    // A layout never saved leaves the buttons as they are.
    HKEY key = OpenSettingsSubkey(nullptr, KEY_QUERY_VALUE, false);
    if (!key) return FALSE;
    LONG found = RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (found != ERROR_SUCCESS) return FALSE;
  }
  TBSAVEPARAMSA params{seams::UserRoot(), kSettingsKeyPath, valueName};
  g_unknownRestored = 0;
  BOOL done = SendMessageA(toolbar, TB_SAVERESTOREA, save, reinterpret_cast<LPARAM>(&params)) != 0;
  if (!save && g_unknownRestored > 0) {
    // A damaged layout (not one the toolbar wrote) gives the default layout, never a bar of
    // blank separators.
    ResetToDefaultButtons(toolbar);
    return FALSE;
  }
  return done;
}

bool WrapableWanted() {
  return GetLiveOptions().toolbarScrolls && !g_frame.barsInCoolbar;
}

void RecordHeight(HWND toolbar) {
  RECT r{};
  GetWindowRect(toolbar, &r);
  g_frame.toolbarHeight = r.bottom - r.top - 2;
  if (g_frame.toolbarHeight < 0) g_frame.toolbarHeight = 0;
}

const TBBUTTON* FindButton(int command) {
  for (const TBBUTTON& b : kDefaultToolbarButtons)
    if (!(b.fsStyle & TBSTYLE_SEP) && b.idCommand == command) return &b;
  for (int i = 0; i < kExtraToolbarButtonCount; ++i)
    if (kExtraTable.buttons[i].idCommand == command) return &kExtraTable.buttons[i];
  return nullptr;
}


void FillRestoredButton(TBBUTTON* button) {
  bool separator = (button->fsStyle & TBSTYLE_SEP) != 0;
  const TBBUTTON* known = !separator && button->idCommand ? FindButton(button->idCommand) : nullptr;
  // A saved separator comes back as command 0 (or as a separator entry).
  if (separator ? (button->fsState & TBSTATE_HIDDEN) != 0 : (button->idCommand != 0 && !known)) ++g_unknownRestored;
  if (!known) {
    *button = Separator();
    return;
  }
  *button = *known;
}


// The history of the active pane below a Back or Forward button.
void ShowHistoryDropDown(HWND mainWindow, NMTOOLBARA* info) {
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  BuildHistoryMenu(menu, ActivePaneIndex);
  RECT r = info->rcButton;
  MapWindowPoints(info->hdr.hwndFrom, nullptr, reinterpret_cast<POINT*>(&r), 2);
  UINT chosen = seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                        r.left, r.bottom, mainWindow, nullptr);
  DestroyMenu(menu);
  if (chosen) PostMessageA(mainWindow, WM_COMMAND, chosen, 0);
}

}  // namespace

const TBBUTTON kExtraToolbarButtons[kExtraToolbarButtonCount] = {
#define JQ_EXTRA(i) kExtraTable.buttons[i]
    JQ_EXTRA(0),  JQ_EXTRA(1),  JQ_EXTRA(2),  JQ_EXTRA(3),  JQ_EXTRA(4),  JQ_EXTRA(5),
    JQ_EXTRA(6),  JQ_EXTRA(7),  JQ_EXTRA(8),  JQ_EXTRA(9),  JQ_EXTRA(10), JQ_EXTRA(11),
    JQ_EXTRA(12), JQ_EXTRA(13), JQ_EXTRA(14), JQ_EXTRA(15), JQ_EXTRA(16), JQ_EXTRA(17),
    JQ_EXTRA(18), JQ_EXTRA(19), JQ_EXTRA(20), JQ_EXTRA(21), JQ_EXTRA(22), JQ_EXTRA(23),
    JQ_EXTRA(24), JQ_EXTRA(25), JQ_EXTRA(26), JQ_EXTRA(27), JQ_EXTRA(28), JQ_EXTRA(29),
    JQ_EXTRA(30), JQ_EXTRA(31), JQ_EXTRA(32), JQ_EXTRA(33), JQ_EXTRA(34), JQ_EXTRA(35),
    JQ_EXTRA(36), JQ_EXTRA(37), JQ_EXTRA(38), JQ_EXTRA(39), JQ_EXTRA(40), JQ_EXTRA(41),
    JQ_EXTRA(42), JQ_EXTRA(43), JQ_EXTRA(44), JQ_EXTRA(45), JQ_EXTRA(46), JQ_EXTRA(47),
    JQ_EXTRA(48), JQ_EXTRA(49), JQ_EXTRA(50), JQ_EXTRA(51), JQ_EXTRA(52), JQ_EXTRA(53),
    JQ_EXTRA(54), JQ_EXTRA(55), JQ_EXTRA(56), JQ_EXTRA(57), JQ_EXTRA(58), JQ_EXTRA(59),
    JQ_EXTRA(60),
#undef JQ_EXTRA
};

void SetToolbarStyle(HWND toolbar, BOOL flat) {
  if (!toolbar) return;
  DWORD style = kToolbarFixedStyle;
  if (WrapableWanted()) style |= TBSTYLE_WRAPABLE;
  if (flat && g_frame.commonControlsEx) style |= TBSTYLE_FLAT;
  SendMessageA(toolbar, TB_SETSTYLE, 0, style);
}

void SetToolbarWrapable(HWND toolbar, BOOL on) {
  if (!toolbar) return;
  LONG_PTR style = GetWindowLongPtrA(toolbar, GWL_STYLE);
  style = on ? (style | TBSTYLE_WRAPABLE) : (style & ~static_cast<LONG_PTR>(TBSTYLE_WRAPABLE));
  SetWindowLongPtrA(toolbar, GWL_STYLE, style);
}

BOOL SaveCurrentToolbar(HWND toolbar, BOOL save) { return SaveRestore(toolbar, save, kToolbarCurrentValue); }
BOOL RestoreDefaultToolbar(HWND toolbar, BOOL save) { return SaveRestore(toolbar, save, kToolbarDefaultValue); }

void DisableNetworkButtons(HWND toolbar) {
  if (!toolbar) return;
  SendMessageA(toolbar, TB_ENABLEBUTTON, ID_TOOLS_MAP_DRIVE, FALSE);
  SendMessageA(toolbar, TB_ENABLEBUTTON, ID_TOOLS_DISCONNECT_DRIVE, FALSE);
}

HWND CreateToolbar(HWND parent) {
  DWORD style = WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | CCS_ADJUSTABLE;
  if (WrapableWanted()) style |= TBSTYLE_WRAPABLE;
  HWND toolbar = CreateToolbarEx(parent, style, kToolbarId, kToolbarImageCount, g_instance,
                                 IDB_TOOLBAR, kDefaultToolbarButtons, kDefaultToolbarButtonCount,
                                 16, 16, 16, 16, sizeof(TBBUTTON));
  g_frame.toolbar = toolbar;
  if (!toolbar) {
    g_frame.toolbarHeight = 0;
    return nullptr;
  }
  SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  if (GetLiveOptions().floatingIconToolbar) SetToolbarStyle(toolbar, TRUE);
  RestoreDefaultToolbar(toolbar, TRUE);
  SaveCurrentToolbar(toolbar, FALSE);
  SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
  RecordHeight(toolbar);
  if (!IsNetworkAvailable()) DisableNetworkButtons(toolbar);
  return toolbar;
}

BOOL GetCustomizeButtonInfo(NMTOOLBARA* info) {
  int index = info->iItem;
  const TBBUTTON* button = nullptr;
  if (index >= 0 && index < kDefaultToolbarButtonCount)
    button = &kDefaultToolbarButtons[index];
  else if (index >= kDefaultToolbarButtonCount &&
           index < kDefaultToolbarButtonCount + kExtraToolbarButtonCount)
    button = &kExtraToolbarButtons[index - kDefaultToolbarButtonCount];
  if (!button) return FALSE;
  info->tbButton = *button;
  if (!(button->fsStyle & TBSTYLE_SEP) && info->pszText && info->cchText > 0) {
    info->pszText[0] = '\0';
    LoadStringA(g_instance, button->idCommand + IDS_TOOLBAR_TEXT_OFFSET, info->pszText,
                info->cchText);
  }
  return TRUE;
}

void UpdateSortButtons(int menuKey) {
  // The buttons show the active pane's key, whichever pane was sorted.
  if (FilePanes[ActivePaneIndex].list)
    menuKey = SortButtonKey(ActivePaneIndex, FilePanes[ActivePaneIndex].sortKey);
  static const UINT kSortButtons[] = {ID_SORT_BY_NAME, ID_SORT_BY_EXTENSION, ID_SORT_BY_SIZE, ID_SORT_BY_TYPE, ID_SORT_BY_DATE, ID_SORT_BY_ATTRIBUTES};
  UINT wanted = menuKey < 0 ? 0 : ID_SORT_BY_NAME + static_cast<UINT>(menuKey);
  if (g_frame.toolbar)
    for (UINT id : kSortButtons) SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, id, id == wanted);
  HMENU menu = g_mainWindow ? GetMenu(g_mainWindow) : nullptr;
  if (menu && wanted) CheckMenuRadioItem(menu, ID_SORT_BY_NAME, ID_SORT_BY_ATTRIBUTES, wanted, MF_BYCOMMAND);
}

void UpdateViewButtons(UINT viewId) {
  // The buttons show the active pane's view, whichever pane changed.
  UINT active = FilePanes[ActivePaneIndex].viewId;
  if (active >= ID_VIEW_LARGE_ICONS && active <= ID_VIEW_DETAILS) viewId = active;
  if (g_frame.toolbar)
    for (UINT id = ID_VIEW_LARGE_ICONS; id <= ID_VIEW_DETAILS; ++id) SendMessageA(g_frame.toolbar, TB_CHECKBUTTON, id, id == viewId);
  HMENU menu = g_mainWindow ? GetMenu(g_mainWindow) : nullptr;
  if (menu && viewId >= ID_VIEW_LARGE_ICONS && viewId <= ID_VIEW_DETAILS)
    CheckMenuRadioItem(menu, ID_VIEW_LARGE_ICONS, ID_VIEW_DETAILS, viewId, MF_BYCOMMAND);
}

void RefreshToolbarStates() {
  HWND toolbar = g_frame.toolbar;
  if (!toolbar) return;
  if (!IsNetworkAvailable()) DisableNetworkButtons(toolbar);
  if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
  const FilePane& p = FilePanes[ActivePaneIndex];
  UpdateSortButtons(SortButtonKey(ActivePaneIndex, p.sortKey));
  UpdateViewButtons(p.viewId);
  UpdatePaneLayoutButtons();
  SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
  RecordHeight(toolbar);
  if (GetLiveOptions().toolbarShown && g_mainWindow) RelayoutMainWindow(g_mainWindow, TRUE);
}

LRESULT OnToolbarNotify(HWND mainWindow, NMHDR* header, BOOL* handled) {
  *handled = FALSE;
  if (!header || !g_frame.toolbar || header->hwndFrom != g_frame.toolbar) return 0;
  *handled = TRUE;
  switch (header->code) {
    case TBN_GETBUTTONINFOA:
      return GetCustomizeButtonInfo(reinterpret_cast<NMTOOLBARA*>(header));
    case TBN_QUERYINSERT:
    case TBN_QUERYDELETE:
      return TRUE;
    case TBN_RESTORE: {
      // Each restored entry gets its picture and style from our tables; an entry without a
      // command is a separator.
      auto* restore = reinterpret_cast<NMTBRESTORE*>(header);
      if (restore->iItem >= 0) FillRestoredButton(&restore->tbButton);
      return 0;
    }
    case TBN_RESET:
      RestoreDefaultToolbar(g_frame.toolbar, FALSE);
      SaveCurrentToolbar(g_frame.toolbar, TRUE);
      RefreshToolbarStates();
      return 0;
    case TBN_TOOLBARCHANGE:
      SaveCurrentToolbar(g_frame.toolbar, TRUE);
      RefreshToolbarStates();
      return 0;
    case TBN_CUSTHELP:
      PostMessageA(mainWindow, WM_COMMAND, ID_HELP_CONTENTS, 0);
      return 0;
    case TBN_DROPDOWN: {
      auto* info = reinterpret_cast<NMTOOLBARA*>(header);
      if (info->iItem == ID_GO_BACK || info->iItem == ID_GO_FORWARD) {
        ShowHistoryDropDown(mainWindow, info);
        return TBDDRET_DEFAULT;
      }
      // Favorites, Start menu and FTP sites: their commands show their menus under the button.
      if (info->iItem == ID_FAVORITES_DROP_DOWN || info->iItem == ID_START_MENU_DROP_DOWN || info->iItem == ID_FTP_DROP_DOWN) {
        PostMessageA(mainWindow, WM_COMMAND, static_cast<WPARAM>(info->iItem), 0);
        return TBDDRET_DEFAULT;
      }
      return 1 /* TBDDRET_NODEFAULT */;
    }
    case NM_RCLICK: {
      UINT chosen = ShowBarsContextMenu(mainWindow);
      if (chosen) SendMessageA(mainWindow, WM_COMMAND, chosen, 0);
      return TRUE;
    }
  }
  *handled = FALSE;
  return 0;
}

BOOL (*g_toolbarTipText)(UINT id, char* buffer, int size) = nullptr;

void CreateShellUiBars(HWND mainWindow) {
  CreateToolbar(mainWindow);
  g_paneServices.updateSortButtons = UpdateSortButtons;
  g_paneServices.updateViewButtons = UpdateViewButtons;
}

BOOL OnShellUiNotify(HWND mainWindow, NMHDR* header, LRESULT* result) {
  if (!header) return FALSE;
  if (header->code == TTN_NEEDTEXTA) {
    auto* info = reinterpret_cast<NMTTDISPINFOA*>(header);
    if (info->uFlags & TTF_IDISHWND) return FALSE;
    static char text[MAX_PATH + 100];
    if (!g_toolbarTipText || !g_toolbarTipText(static_cast<UINT>(header->idFrom), text, sizeof text)) return FALSE;
    info->lpszText = text;
    info->hinst = nullptr;
    *result = 0;
    return TRUE;
  }
  if (header->idFrom == static_cast<UINT_PTR>(kLaunchBarId) && header->code == NM_CLICK &&
      header->hwndFrom == g_frame.launchBar) {
    HandleLaunchBarBackgroundClick(mainWindow);
    *result = 0;
    return TRUE;
  }
  BOOL handled = FALSE;
  LRESULT answer = OnToolbarNotify(mainWindow, header, &handled);
  if (handled) *result = answer;
  return handled;
}
