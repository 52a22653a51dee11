// Handlers of commands whose areas the program does not have. Each refuses the command with a
// beep, the way every refused action is answered; it never pretends to succeed.
#include "command_handlers.h"
#include "pane_host.h"
#include "program_values.h"

#define JQ_PENDING(name) \
  JQ_COMMAND_HANDLER(name) { return RefuseCommand(); }

JQ_PENDING(ShowAllFilesOnDrive)
JQ_PENDING(UndoLastOperation)
JQ_PENDING(ShowContextMenuForFocus)
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
JQ_PENDING(AddCurrentFolderToFavorites)
JQ_PENDING(AddNewFavorite)
JQ_PENDING(OpenFavoritesFolder)
JQ_PENDING(ShowFavoritesDropDownMenu)
JQ_PENDING(ShowStartMenuDropDownMenu)
JQ_PENDING(OpenToolbarFavorite)
JQ_PENDING(OpenFavoritesMenuItem)
JQ_PENDING(RunLaunchButton)

JQ_PENDING(RunFtpSiteCommand)
JQ_PENDING(ShowFtpDropDownMenu)

// No cascade or tile of the program's windows is ever pending: nothing to complete.
JQ_COMMAND_HANDLER(OnInstanceAnnounce) { return 0; }


// The update offer needs its preferences setting; the controls are current under every supported system.
JQ_COMMAND_HANDLER(OfferCommonControlsUpdate) { return 0; }


LRESULT CreateShellNewItem(HWND, UINT) { return RefuseCommand(); }
