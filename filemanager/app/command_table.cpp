// The main window's command table.
#include "command_table.h"
#include "actions.h"
#include "command_handlers.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "main_window.h"
#include "preferences.h"
#include "startup_shell.h"
#include "startup.h"
#include "vfolder_entry.h"
#include "window_utils.h"
#include "command_ids.h"
#include "color_menu.h"
#include "coolbar.h"
#include "launch_bar.h"
#include "launch_buttons.h"
#include "pane_drop_targets.h"

namespace {

// The drive bar and the address combo navigate the panes as the navigation commands do.
struct DriveBarNavigatorInstaller {
  DriveBarNavigatorInstaller() { SetDriveBarNavigator(NavigatePaneToPath); }
} g_driveBarNavigatorInstaller;

// What the Preferences sheet reaches of the program itself.
struct PreferencesHostInstaller {
  PreferencesHostInstaller() {
    g_preferencesHost.replaceExplorer = &g_replaceExplorer;
    g_preferencesHost.setReplaceExplorer = SetReplaceExplorer;
    g_preferencesHost.registerArchiveAssociations = RegisterArchiveAssociations;
    g_preferencesHost.loadKeyboardSchemeMenus = LoadKeyboardSchemeMenus;
    g_preferencesHost.pickColor = [](HWND owner, POINT topLeft, COLORREF* color) -> BOOL {
      ScreenToClient(owner, &topLeft);
      COLORREF chosen = ShowColorMenu(GetModuleHandleA(nullptr), owner, topLeft.x, topLeft.y, *color);
      if (chosen == *color) return FALSE;
      *color = chosen;
      return TRUE;
    };
    g_preferencesHost.updateBarStylesForCoolbar = [](HWND) { UpdateBarStylesForCoolbar(); };
    g_preferencesHost.updateLaunchBarStyle = [](HWND) {
      SetLaunchBarFlat(g_frame.launchBar, GetLiveOptions().floatingIconToolbar);
    };
  }
} g_preferencesHostInstaller;

// Files dropped on the launch bar: its buttons run them, and dropped programs become buttons.
struct LaunchBarDropInstaller {
  LaunchBarDropInstaller() {
    GetLaunchBarDropHooks().buttonAt = [](int index, LaunchDropButton* out) -> bool {
      const LaunchButton* b = GetLaunchButton(index);
      if (!b) return false;
      lstrcpynA(out->command, b->command ? b->command : "", MAX_PATH);
      lstrcpynA(out->directory, b->startDirectory ? b->startDirectory : "", MAX_PATH);
      lstrcpynA(out->parameters, b->parameters ? b->parameters : "", MAX_PATH);
      out->show = static_cast<int>(b->showMode);
      return true;
    };
    GetLaunchBarDropHooks().addDropped = [](IDataObject* data) -> BOOL { return AddDroppedLaunchButtons(data) > 0; };
    g_launchBarRecreated = [](HWND) { RegisterMainWindowDropTargets(); };
  }
} g_launchBarDropInstaller;

UINT CommandId(WPARAM wParam) { return LOWORD(wParam); }

bool CommandLineEditHasFocus() {
  HWND edit = g_frame.commandLineEdit;
  return g_commandLineFocus && edit && IsWindow(edit) && GetFocus() == edit;
}

// Delete pressed in the command-line bar's edit field edits its text and never deletes files.
void SendDeleteKeyToCommandLine() {
  HWND edit = g_frame.commandLineEdit;
  SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0x01530001);
  SendMessageA(edit, WM_KEYUP, VK_DELETE, 0xC1530001);
}

LRESULT DeleteCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (CommandLineEditHasFocus()) {
    SendDeleteKeyToCommandLine();
    return 0;
  }
  return DeleteSelection(w, m, wp, lp);
}

LRESULT RecycleCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (CommandLineEditHasFocus()) {
    SendDeleteKeyToCommandLine();
    return 0;
  }
  return RecycleSelection(w, m, wp, lp);
}

LRESULT OpenCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (CommandLineEditHasFocus()) return 0;
  return OpenSelection(w, m, wp, lp);
}

LRESULT UpCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (CommandLineEditHasFocus()) {
    SendMessageA(g_frame.commandLineEdit, WM_CHAR, 8, 0);
    return 0;
  }
  return GoUpOneLevel(w, m, wp, lp);
}

LRESULT HelpContents(HWND w, UINT, WPARAM, LPARAM) {
  ShowHelpTopic(w, 0);
  return 0;
}

LRESULT HelpTopic125(HWND w, UINT, WPARAM, LPARAM) {
  ShowHelpTopic(w, 125);
  return 0;
}

LRESULT ExitCommand(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (ArchiveBusy || !ConfirmFtpExit(w)) return 0;
  return CloseMainWindow(w, m, wp, lp);
}

LRESULT CopyPaths(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CopyNamesAsText(w, m, wp, lp, 1); }
LRESULT CopyNames(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CopyNamesAsText(w, m, wp, lp, 0); }

LRESULT ViewerFloating(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  SetViewerAlwaysOnTop(w, 0);
  return SetViewerPlacement(w, m, wp, lp);
}

LRESULT ViewerOnTop(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  SetViewerAlwaysOnTop(w, 1);
  return SetViewerPlacement(w, m, wp, lp);
}

LRESULT DriveLetterCommand(HWND w, UINT, WPARAM wp, LPARAM) {
  return OpenDriveFromBar(w, 0, static_cast<char>('A' + (CommandId(wp) - ID_DRIVE_LETTER_FIRST)));
}

LRESULT DriveBarCommand(HWND w, UINT, WPARAM wp, LPARAM) {
  return OpenDriveFromBar(w, CommandId(wp), 0);
}

LRESULT ShellNewCommand(HWND w, UINT, WPARAM wp, LPARAM) {
  return CreateShellNewItem(w, CommandId(wp));
}

LRESULT TreeCommand(HWND w, UINT, WPARAM wp, LPARAM) { return RunFolderTreeCommand(w, CommandId(wp)); }

#define ROUTE(first, last, name) {first, last, 1, #name, name}
#define ROUTE_AS(first, last, name, fn) {first, last, 1, name, fn}

const CommandRoute kRoutes[] = {
    ROUTE(ID_HELP_ABOUT, ID_HELP_ABOUT, ShowAboutBox),
    ROUTE(ID_VIEW_LARGE_ICONS, ID_VIEW_DETAILS, SetViewMode),
    ROUTE(ID_VIEW_TOOLBAR, ID_VIEW_TOOLBAR, ToggleToolbar),
    ROUTE(ID_VIEW_STATUS_BAR, ID_VIEW_STATUS_BAR, ToggleStatusBar),
    ROUTE(ID_EDIT_CUT, ID_EDIT_CUT, CutSelection),
    ROUTE(ID_EDIT_COPY, ID_EDIT_COPY, CopySelection),
    ROUTE(ID_EDIT_PASTE, ID_EDIT_PASTE, PasteIntoFolder),
    ROUTE(ID_EDIT_UNDO, ID_EDIT_UNDO, UndoLastOperation),
    ROUTE(ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, SelectAllItems),
    ROUTE(ID_EDIT_INVERT_SELECTION, ID_EDIT_INVERT_SELECTION, InvertSelection),
    ROUTE(ID_FILE_CREATE_SHORTCUT, ID_FILE_CREATE_SHORTCUT, CreateNewShortcut),
    ROUTE_AS(ID_FILE_DELETE, ID_FILE_DELETE, "DeleteSelection", DeleteCommand),
    ROUTE(ID_FILE_RENAME, ID_FILE_RENAME, RenameSelection),
    ROUTE(ID_FILE_PROPERTIES, ID_FILE_PROPERTIES, ShowSelectionProperties),
    ROUTE(ID_VIEW_FOLDER_LIST, ID_VIEW_FOLDER_LIST_RIGHT, ToggleFolderList),
    ROUTE(ID_TOOLS_SHELL_EXT_1, ID_TOOLS_SHELL_EXT_3, RunShellExtTool),
    ROUTE(ID_TOOLS_SHELL_EXT_4, ID_TOOLS_SHELL_EXT_4, RunShellExtTool),
    ROUTE(ID_TOOLS_SHELL_EXT_5, ID_TOOLS_SHELL_EXT_5, RunShellExtTool),
    ROUTE(ID_TOOLS_SHELL_EXT_6, ID_TOOLS_SHELL_EXT_6, RunShellExtTool),
    ROUTE(ID_TOOLS_SHELL_EXT_7, ID_TOOLS_SHELL_EXT_7, RunShellExtTool),
    ROUTE(ID_TOOLS_SHELL_EXT_8, ID_TOOLS_SHELL_EXT_9, RunShellExtTool),
    ROUTE(ID_VIEW_REBUILD_TREES, ID_VIEW_REBUILD_TREES, RebuildFolderTrees),
    ROUTE(ID_VIEW_DRIVE_BAR, ID_VIEW_DRIVE_BAR, ToggleDriveBar),
    ROUTE(ID_TOOLS_PREFERENCES, ID_TOOLS_PREFERENCES, RunPreferences),
    ROUTE(ID_VIEW_CUSTOMIZE_TOOLBAR, ID_VIEW_CUSTOMIZE_TOOLBAR, CustomizeToolbar),
    ROUTE(ID_TOOLS_FIND_FILES, ID_TOOLS_FIND_FILES, FindFilesWithShell),
    ROUTE_AS(ID_FILE_RECYCLE, ID_FILE_RECYCLE, "RecycleSelection", RecycleCommand),
    ROUTE(ID_EDIT_MOVE_TO, ID_EDIT_MOVE_TO, MoveSelectionTo),
    ROUTE(ID_EDIT_COPY_TO, ID_EDIT_COPY_TO, CopySelectionTo),
    ROUTE(ID_FILE_NEW_FOLDER, ID_FILE_NEW_FOLDER, ShowCreateFolderDialog),
    ROUTE(ID_EDIT_SELECT, ID_EDIT_SELECT, ShowSelectDialog),
    ROUTE_AS(ID_HELP_CONTENTS, ID_HELP_CONTENTS, "ShowHelpTopic", HelpContents),
    ROUTE(ID_VIEW_REFRESH, ID_VIEW_REFRESH, RefreshView),
    ROUTE_AS(ID_FILE_OPEN, ID_FILE_OPEN, "OpenSelection", OpenCommand),
    ROUTE(ID_FILE_OPEN_WITH, ID_FILE_OPEN_WITH, OpenWithDialog),
    ROUTE(ID_TOOLS_MAP_DRIVE, ID_TOOLS_MAP_DRIVE, MapNetworkDrive),
    ROUTE(ID_VIEW_VIEWER_PANE, ID_VIEW_VIEWER_PANE, ToggleViewerPane),
    ROUTE(ID_TOOLS_START_MENU_FOLDER, ID_TOOLS_START_MENU_FOLDER, OpenStartMenuFolder),
    ROUTE(ID_TOOLS_DISCONNECT_DRIVE, ID_TOOLS_DISCONNECT_DRIVE, DisconnectNetworkDrive),
    ROUTE(ID_WINDOW_NEW, ID_WINDOW_NEW, OpenNewWindow),
    ROUTE(ID_WINDOW_NEW_2, ID_WINDOW_NEW_4, OpenNewWindow),
    ROUTE(ID_WINDOW_CASCADE, ID_WINDOW_TILE_VERTICALLY, ArrangeProgramWindows),
    ROUTE(ID_FILE_PRINT_LIST, ID_FILE_PRINT_LIST, PrintFileList),
    ROUTE(ID_GO_DRIVE, ID_GO_DRIVE, ShowGoToDriveDialog),
    ROUTE_AS(ID_GO_UP, ID_GO_UP, "GoUpOneLevel", UpCommand),
    ROUTE(ID_VIEW_COMMAND_LINE_BAR, ID_VIEW_COMMAND_LINE_BAR, ToggleCommandLineBar),
    ROUTE(ID_FILE_ZIP_TO, ID_FILE_ZIP_TO, DoZipTo),
    ROUTE(ID_FILE_UNZIP, ID_FILE_UNZIP, DoUnZip),
    ROUTE(ID_FILE_EMPTY_RECYCLE_BIN, ID_FILE_EMPTY_RECYCLE_BIN, EmptyRecycleBinCommand),
    ROUTE(ID_FILE_RECYCLE_BIN_PROPERTIES, ID_FILE_RECYCLE_BIN_PROPERTIES, ShowRecycleBinProperties),
    ROUTE(ID_GO_FOLDER, ID_GO_FOLDER, ShowGoToFolderDialog),
    ROUTE(ID_VIEW_CYCLE_FOCUS, ID_VIEW_CYCLE_FOCUS, CycleFocus),
    ROUTE(ID_FILE_PRINT_FILES, ID_FILE_PRINT_FILES, PrintSelectedFiles),
    ROUTE(ID_WINDOW_CLOSE_ALL, ID_WINDOW_CLOSE_OTHERS, CloseProgramWindows),
    ROUTE(ID_TOOLS_COMMAND_PROMPT, ID_TOOLS_COMMAND_PROMPT, OpenCommandPrompt),
    ROUTE_AS(ID_TREE_EXPAND_LEVEL, ID_TREE_COLLAPSE_ALL, "RunFolderTreeCommand", TreeCommand),
    ROUTE_AS(ID_TREE_EXPAND_DRIVE, ID_TREE_COLLAPSE_DRIVE, "RunFolderTreeCommand", TreeCommand),
    ROUTE(ID_OPTIONS_SAVE_ON_EXIT, ID_OPTIONS_SAVE_ON_EXIT, ToggleSaveSettingsOnExit),
    ROUTE(ID_OPTIONS_SAVE_NOW, ID_OPTIONS_SAVE_NOW, SaveSettingsNow),
    ROUTE_AS(ID_FILE_EXIT, ID_FILE_EXIT, "CloseMainWindow", ExitCommand),
    ROUTE(ID_FILE_ADD_TO_ZIP, ID_FILE_ADD_TO_ZIP, DoAddToZip),
    ROUTE(ID_TOOLS_FIND_COMPUTER, ID_TOOLS_FIND_COMPUTER, FindComputer),
    ROUTE(ID_TOOLS_ADD_REMOVE_PROGRAMS, ID_TOOLS_ADD_REMOVE_PROGRAMS, OpenAddRemovePrograms),
    ROUTE(ID_FILE_SEND_MAIL, ID_FILE_SEND_MAIL, SendSelectionByMail),
    ROUTE(ID_TOOLS_STARTUP_DISK, ID_TOOLS_STARTUP_DISK, CreateStartupDisk),
    ROUTE(ID_LAYOUT_SINGLE, ID_LAYOUT_SIDE_BY_SIDE, SetPaneLayoutCommand),
    ROUTE(ID_FAVORITES_ADD_CURRENT, ID_FAVORITES_ADD_CURRENT, AddCurrentFolderToFavorites),
    ROUTE(ID_FAVORITES_ADD, ID_FAVORITES_ADD, AddNewFavorite),
    ROUTE(ID_FAVORITES_OPEN_FOLDER, ID_FAVORITES_OPEN_FOLDER, OpenFavoritesFolder),
    ROUTE(ID_GO_BACK, ID_GO_FORWARD, GoBackOrForward),
    ROUTE(ID_GO_HISTORY_FIRST, ID_GO_HISTORY_LAST, GoBackOrForward),
    ROUTE(ID_FILE_PRINT_TREE, ID_FILE_PRINT_TREE, PrintFolderTree),
    ROUTE(ID_FILE_WIPE, ID_FILE_WIPE, DoWipeFiles),
    ROUTE(ID_VIEW_LIST_FONT, ID_VIEW_LIST_FONT, ChooseListFont),
    ROUTE(ID_FAVORITES_DROP_DOWN, ID_FAVORITES_DROP_DOWN, ShowFavoritesDropDownMenu),
    ROUTE(ID_FILE_SET_DATE_TIME, ID_FILE_SET_DATE_TIME, ShowSetDateTimeDialog),
    ROUTE(ID_FILE_EDIT, ID_FILE_EDIT, EditSelectedFile),
    ROUTE(ID_VIEW_LAUNCH_BAR, ID_VIEW_LAUNCH_BAR, ToggleLaunchBar),
    ROUTE(ID_VIEW_CUSTOMIZE_LAUNCH_BAR, ID_VIEW_CUSTOMIZE_LAUNCH_BAR, CustomizeLaunchBar),
    ROUTE(ID_START_MENU_DROP_DOWN, ID_START_MENU_DROP_DOWN, ShowStartMenuDropDownMenu),
    ROUTE(ID_EDIT_MARK, ID_EDIT_MARK, MarkItems),
    ROUTE(ID_EDIT_UNMARK, ID_EDIT_UNMARK, UnmarkItems),
    ROUTE(ID_GO_ADDRESS, ID_GO_ADDRESS, DropDownAddressCombo),
    ROUTE(ID_TOOLS_FILE_FINDER, ID_TOOLS_FILE_FINDER, StartFileFinder),
    ROUTE(ID_SORT_BY_NAME, ID_SORT_BY_DATE, ArrangeItems),
    ROUTE(ID_SORT_BY_ATTRIBUTES, ID_SORT_BY_ATTRIBUTES, ArrangeItems),
    ROUTE_AS(ID_EDIT_COPY_PATHS, ID_EDIT_COPY_PATHS, "CopyNamesAsText", CopyPaths),
    ROUTE_AS(ID_EDIT_COPY_NAMES, ID_EDIT_COPY_NAMES, "CopyNamesAsText", CopyNames),
    ROUTE(ID_VIEWER_PLACEMENT_0, ID_VIEWER_PLACEMENT_1, SetViewerPlacement),
    ROUTE(ID_HELP_UPDATE, ID_HELP_UPDATE, RunUpdateProgram),
    ROUTE(ID_FILE_CONTEXT_MENU, ID_FILE_CONTEXT_MENU, ShowContextMenuForFocus),
    ROUTE(ID_HELP_WEB_PAGE, ID_HELP_WEB_PAGE, OpenWebPage),
    ROUTE(ID_HELP_WEB_PAGE_2, ID_HELP_WEB_PAGE_3, OpenWebPage),
    ROUTE(ID_VIEW_REAL_NAMES, ID_VIEW_REAL_NAMES, ToggleRealNames),
    ROUTE(ID_TOOLS_SYNCHRONIZE, ID_TOOLS_SYNCHRONIZE, SynchronizeFolders),
    ROUTE(ID_TOOLS_COMPARE, ID_TOOLS_COMPARE, CompareFolders),
    ROUTE(ID_FILE_UUENCODE, ID_FILE_UUENCODE, DoUUEncode),
    ROUTE(ID_VIEWER_FOCUS, ID_VIEWER_FOCUS, FocusViewerPane),
    ROUTE(ID_FILE_RUN, ID_FILE_RUN, ShowRunDialog),
    ROUTE_AS(ID_VIEWER_FLOATING, ID_VIEWER_FLOATING, "SetViewerPlacement", ViewerFloating),
    ROUTE(ID_VIEW_ALL_FILES_ON_DRIVE, ID_VIEW_ALL_FILES_ON_DRIVE, ShowAllFilesOnDrive),
    ROUTE(ID_VIEW_GENERIC_ICONS, ID_VIEW_GENERIC_ICONS, ToggleGenericIcons),
    ROUTE(ID_FTP_1, ID_FTP_2, RunFtpSiteCommand),
    ROUTE(ID_FTP_4, ID_FTP_6, RunFtpSiteCommand),
    ROUTE(ID_FTP_9, ID_FTP_9, RunFtpSiteCommand),
    ROUTE(ID_FTP_DROP_DOWN, ID_FTP_DROP_DOWN, ShowFtpDropDownMenu),
    ROUTE(ID_FTP_SITES_ROOT, ID_FTP_SITES_ROOT, SelectFtpRootInTree),
    ROUTE(ID_FILE_GROUP_RENAME, ID_FILE_GROUP_RENAME, GroupRenameSelection),
    ROUTE_AS(ID_VIEWER_DETACHED_ON_TOP, ID_VIEWER_DETACHED_ON_TOP, "SetViewerPlacement", ViewerOnTop),
    ROUTE_AS(ID_HELP_TOPIC_125, ID_HELP_TOPIC_125, "ShowHelpTopic", HelpTopic125),
    ROUTE(ID_VIEWER_CONTEXT_MENU, ID_VIEWER_CONTEXT_MENU, ShowViewerContextMenu),
    ROUTE(ID_VIEW_FILTERS, ID_VIEW_FILTERS, ShowFiltersDialog),
    ROUTE_AS(ID_DRIVE_LETTER_FIRST, ID_DRIVE_LETTER_LAST, "OpenDriveFromBar", DriveLetterCommand),
    ROUTE_AS(ID_SHELL_NEW_FIRST, ID_SHELL_NEW_LAST, "CreateShellNewItem", ShellNewCommand),
    ROUTE(ID_FILE_ENCRYPT, ID_FILE_ENCRYPT, DoEncryptDecrypt),
    ROUTE(ID_VIEW_SWAP_PANES, ID_VIEW_SWAP_PANES, SwapPanes),
    ROUTE(ID_TOOLBAR_FAVORITE_FIRST, ID_TOOLBAR_FAVORITE_LAST, OpenToolbarFavorite),
    {ID_DRIVE_BAR_FIRST, 48075, 3, "OpenDriveFromBar", DriveBarCommand},
    ROUTE(ID_LAUNCH_BUTTON_FIRST, ID_LAUNCH_BUTTON_LAST, RunLaunchButton),
    ROUTE(ID_FAVORITES_MENU_FIRST, 0xFFFF, OpenFavoritesMenuItem),
};

}  // namespace

const CommandRoute* FindCommandRoute(UINT id) {
  for (const CommandRoute& r : kRoutes) {
    if (id < r.first || id > r.last) continue;
    if ((id - r.first) % r.step != 0) continue;
    return &r;
  }
  return nullptr;
}

LRESULT DispatchCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const CommandRoute* route = FindCommandRoute(CommandId(wParam));
  if (!route) return DefWindowProcA(window, message, wParam, lParam);
  return route->handler(window, message, wParam, lParam);
}
