// The main window's command table.
#include "command_table.h"
#include "actions.h"
#include "command_handlers.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "startup.h"
#include "vfolder_entry.h"
#include "window_utils.h"

namespace {

// The drive bar and the address combo navigate the panes as the navigation commands do.
struct DriveBarNavigatorInstaller {
  DriveBarNavigatorInstaller() { SetDriveBarNavigator(NavigatePaneToPath); }
} g_driveBarNavigatorInstaller;

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
  return OpenDriveFromBar(w, 0, static_cast<char>('A' + (CommandId(wp) - 41200)));
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
    ROUTE(1100, 1100, ShowAboutBox),
    ROUTE(40001, 40004, SetViewMode),
    ROUTE(40005, 40005, ToggleToolbar),
    ROUTE(40006, 40006, ToggleStatusBar),
    ROUTE(40007, 40007, CutSelection),
    ROUTE(40008, 40008, CopySelection),
    ROUTE(40009, 40009, PasteIntoFolder),
    ROUTE(40011, 40011, UndoLastOperation),
    ROUTE(40012, 40012, SelectAllItems),
    ROUTE(40013, 40013, InvertSelection),
    ROUTE(40015, 40015, CreateNewShortcut),
    ROUTE_AS(40016, 40016, "DeleteSelection", DeleteCommand),
    ROUTE(40017, 40017, RenameSelection),
    ROUTE(40018, 40018, ShowSelectionProperties),
    ROUTE(40024, 40026, ToggleFolderList),
    ROUTE(40027, 40029, RunShellExtTool),
    ROUTE(40069, 40069, RunShellExtTool),
    ROUTE(40114, 40114, RunShellExtTool),
    ROUTE(40138, 40138, RunShellExtTool),
    ROUTE(40147, 40147, RunShellExtTool),
    ROUTE(40160, 40161, RunShellExtTool),
    ROUTE(40031, 40031, RebuildFolderTrees),
    ROUTE(40032, 40032, ToggleDriveBar),
    ROUTE(40033, 40033, RunPreferences),
    ROUTE(40034, 40034, CustomizeToolbar),
    ROUTE(40035, 40035, FindFilesWithShell),
    ROUTE_AS(40038, 40038, "RecycleSelection", RecycleCommand),
    ROUTE(40039, 40039, MoveSelectionTo),
    ROUTE(40040, 40040, CopySelectionTo),
    ROUTE(40041, 40041, ShowCreateFolderDialog),
    ROUTE(40042, 40042, ShowSelectDialog),
    ROUTE_AS(40043, 40043, "ShowHelpTopic", HelpContents),
    ROUTE(40044, 40044, RefreshView),
    ROUTE_AS(40045, 40045, "OpenSelection", OpenCommand),
    ROUTE(40046, 40046, OpenWithDialog),
    ROUTE(40047, 40047, MapNetworkDrive),
    ROUTE(40048, 40048, ToggleViewerPane),
    ROUTE(40050, 40050, OpenStartMenuFolder),
    ROUTE(40051, 40051, DisconnectNetworkDrive),
    ROUTE(40052, 40052, OpenNewWindow),
    ROUTE(40056, 40058, OpenNewWindow),
    ROUTE(40053, 40055, ArrangeProgramWindows),
    ROUTE(40060, 40060, PrintFileList),
    ROUTE(40062, 40062, ShowGoToDriveDialog),
    ROUTE_AS(40063, 40063, "GoUpOneLevel", UpCommand),
    ROUTE(40064, 40064, ToggleCommandLineBar),
    ROUTE(40067, 40067, DoZipTo),
    ROUTE(40068, 40068, DoUnZip),
    ROUTE(40072, 40072, EmptyRecycleBinCommand),
    ROUTE(40074, 40074, ShowRecycleBinProperties),
    ROUTE(40075, 40075, ShowGoToFolderDialog),
    ROUTE(40078, 40078, CycleFocus),
    ROUTE(40079, 40079, PrintSelectedFiles),
    ROUTE(40081, 40082, CloseProgramWindows),
    ROUTE(40083, 40083, OpenCommandPrompt),
    ROUTE_AS(40085, 40089, "RunFolderTreeCommand", TreeCommand),
    ROUTE_AS(40095, 40096, "RunFolderTreeCommand", TreeCommand),
    ROUTE(40090, 40090, ToggleSaveSettingsOnExit),
    ROUTE(40091, 40091, SaveSettingsNow),
    ROUTE_AS(40092, 40092, "CloseMainWindow", ExitCommand),
    ROUTE(40093, 40093, DoAddToZip),
    ROUTE(40094, 40094, FindComputer),
    ROUTE(40099, 40099, OpenAddRemovePrograms),
    ROUTE(40107, 40107, SendSelectionByMail),
    ROUTE(40108, 40108, CreateStartupDisk),
    ROUTE(40115, 40117, SetPaneLayoutCommand),
    ROUTE(40119, 40119, AddCurrentFolderToFavorites),
    ROUTE(40120, 40120, AddNewFavorite),
    ROUTE(40121, 40121, OpenFavoritesFolder),
    ROUTE(40122, 40123, GoBackOrForward),
    ROUTE(48400, 48409, GoBackOrForward),
    ROUTE(40124, 40124, PrintFolderTree),
    ROUTE(40125, 40125, DoWipeFiles),
    ROUTE(40126, 40126, ChooseListFont),
    ROUTE(40128, 40128, ShowFavoritesDropDownMenu),
    ROUTE(40129, 40129, ShowSetDateTimeDialog),
    ROUTE(40130, 40130, EditSelectedFile),
    ROUTE(40131, 40131, ToggleLaunchBar),
    ROUTE(40132, 40132, CustomizeLaunchBar),
    ROUTE(40133, 40133, ShowStartMenuDropDownMenu),
    ROUTE(40134, 40134, MarkItems),
    ROUTE(40135, 40135, UnmarkItems),
    ROUTE(40136, 40136, DropDownAddressCombo),
    ROUTE(40137, 40137, StartFileFinder),
    ROUTE(40140, 40144, ArrangeItems),
    ROUTE(40146, 40146, ArrangeItems),
    ROUTE_AS(40148, 40148, "CopyNamesAsText", CopyPaths),
    ROUTE_AS(40164, 40164, "CopyNamesAsText", CopyNames),
    ROUTE(40149, 40150, SetViewerPlacement),
    ROUTE(40152, 40152, RunUpdateProgram),
    ROUTE(40153, 40153, ShowContextMenuForFocus),
    ROUTE(40154, 40154, OpenWebPage),
    ROUTE(41235, 41236, OpenWebPage),
    ROUTE(40156, 40156, ToggleRealNames),
    ROUTE(40157, 40157, SynchronizeFolders),
    ROUTE(40158, 40158, CompareFolders),
    ROUTE(40159, 40159, DoUUEncode),
    ROUTE(40163, 40163, FocusViewerPane),
    ROUTE(40165, 40165, ShowRunDialog),
    ROUTE_AS(40167, 40167, "SetViewerPlacement", ViewerFloating),
    ROUTE(40168, 40168, ShowAllFilesOnDrive),
    ROUTE(40169, 40169, ToggleGenericIcons),
    ROUTE(40170, 40171, RunFtpSiteCommand),
    ROUTE(40173, 40175, RunFtpSiteCommand),
    ROUTE(40178, 40178, RunFtpSiteCommand),
    ROUTE(40176, 40176, ShowFtpDropDownMenu),
    ROUTE(40177, 40177, SelectFtpRootInTree),
    ROUTE(40180, 40180, GroupRenameSelection),
    ROUTE_AS(40200, 40200, "SetViewerPlacement", ViewerOnTop),
    ROUTE_AS(40222, 40222, "ShowHelpTopic", HelpTopic125),
    ROUTE(41058, 41058, ShowViewerContextMenu),
    ROUTE(41151, 41151, ShowFiltersDialog),
    ROUTE_AS(41200, 41225, "OpenDriveFromBar", DriveLetterCommand),
    ROUTE_AS(44000, 44500, "CreateShellNewItem", ShellNewCommand),
    ROUTE(45118, 45118, DoEncryptDecrypt),
    ROUTE(45121, 45121, SwapPanes),
    ROUTE(47000, 47999, OpenToolbarFavorite),
    {48000, 48075, 3, "OpenDriveFromBar", DriveBarCommand},
    ROUTE(48500, 48999, RunLaunchButton),
    ROUTE(49000, 0xFFFF, OpenFavoritesMenuItem),
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
