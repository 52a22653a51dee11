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
JQ_PENDING(FindFilesWithShell)
JQ_PENDING(FindComputer)
JQ_PENDING(StartFileFinder)
JQ_PENDING(MapNetworkDrive)
JQ_PENDING(DisconnectNetworkDrive)
JQ_PENDING(EmptyRecycleBinCommand)
JQ_PENDING(ShowRecycleBinProperties)
JQ_PENDING(OpenAddRemovePrograms)
JQ_PENDING(CreateStartupDisk)
JQ_PENDING(RunUpdateProgram)
JQ_PENDING(OpenWebPage)



// The update offer needs its preferences setting; the controls are current under every supported system.
JQ_COMMAND_HANDLER(OfferCommonControlsUpdate) { return 0; }


LRESULT CreateShellNewItem(HWND, UINT) { return RefuseCommand(); }
