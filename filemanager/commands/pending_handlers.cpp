// Handlers of commands whose areas the program does not have. Each refuses the command with a
// beep, the way every refused action is answered; it never pretends to succeed.
#include "command_handlers.h"
#include "pane_host.h"
#include "program_values.h"

#define JQ_PENDING(name) \
  JQ_COMMAND_HANDLER(name) { return RefuseCommand(); }

JQ_PENDING(ToggleViewerPane)
JQ_PENDING(ShowAllFilesOnDrive)
JQ_PENDING(UndoLastOperation)
JQ_PENDING(ShowContextMenuForFocus)
JQ_PENDING(ShowSetDateTimeDialog)
JQ_PENDING(SendSelectionByMail)
JQ_PENDING(PrintFileList)
JQ_PENDING(PrintSelectedFiles)
JQ_PENDING(PrintFolderTree)
JQ_PENDING(ShowAboutBox)
JQ_PENDING(RunShellExtTool)
JQ_PENDING(RunPreferences)
JQ_PENDING(CustomizeToolbar)
JQ_PENDING(CustomizeLaunchBar)
JQ_PENDING(FindFilesWithShell)
JQ_PENDING(FindComputer)
JQ_PENDING(StartFileFinder)
JQ_PENDING(MapNetworkDrive)
JQ_PENDING(DisconnectNetworkDrive)
JQ_PENDING(OpenStartMenuFolder)
JQ_PENDING(OpenNewWindow)
JQ_PENDING(ArrangeProgramWindows)
JQ_PENDING(CloseProgramWindows)
JQ_PENDING(EmptyRecycleBinCommand)
JQ_PENDING(ShowRecycleBinProperties)
JQ_PENDING(OpenAddRemovePrograms)
JQ_PENDING(CreateStartupDisk)
JQ_PENDING(RunUpdateProgram)
JQ_PENDING(OpenWebPage)
JQ_PENDING(SynchronizeFolders)
JQ_PENDING(CompareFolders)
JQ_PENDING(AddCurrentFolderToFavorites)
JQ_PENDING(AddNewFavorite)
JQ_PENDING(OpenFavoritesFolder)
JQ_PENDING(ShowFavoritesDropDownMenu)
JQ_PENDING(ShowStartMenuDropDownMenu)
JQ_PENDING(OpenToolbarFavorite)
JQ_PENDING(OpenFavoritesMenuItem)
JQ_PENDING(RunLaunchButton)
JQ_PENDING(SetViewerPlacement)
JQ_PENDING(FocusViewerPane)
JQ_PENDING(ShowViewerContextMenu)
JQ_PENDING(OnViewerRefreshRequest)
JQ_PENDING(OnViewerOpenRequest)
// No viewer pane: no file is held.
JQ_COMMAND_HANDLER(ClearViewerPane) { return 0; }

JQ_PENDING(DoZipTo)
JQ_PENDING(DoUnZip)
JQ_PENDING(DoAddToZip)
JQ_PENDING(DoUUEncode)
JQ_PENDING(DoWipeFiles)
JQ_PENDING(DoEncryptDecrypt)
// No extraction runs: no progress to show.
JQ_COMMAND_HANDLER(OnArcExtractProgress) { return 0; }

// No cascade or tile of the program's windows is ever pending: nothing to complete.
JQ_COMMAND_HANDLER(OnInstanceAnnounce) { return 0; }


// The update offer needs its preferences setting; the controls are current under every supported system.
JQ_COMMAND_HANDLER(OfferCommonControlsUpdate) { return 0; }


LRESULT CreateShellNewItem(HWND, UINT) { return RefuseCommand(); }
LRESULT SetViewerAlwaysOnTop(HWND, int) { return 0; }

namespace {
void ClearViewerOfMainWindow() { ClearViewerPane(g_mainWindow, WM_USER + 104, 0, 0); }

// The panes ask the viewer to release its file through their host table.
struct ViewerHostInstaller {
  ViewerHostInstaller() { GetPaneHost().clearViewer = ClearViewerOfMainWindow; }
} g_viewerHostInstaller;
}  // namespace
