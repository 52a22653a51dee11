// Handlers of commands whose areas the program does not have. Each refuses the command with a
// beep, the way every refused action is answered; it never pretends to succeed.
#include "command_handlers.h"
#include "pane_host.h"
#include "program_values.h"

#define JQ_PENDING(name) \
  JQ_COMMAND_HANDLER(name) { return RefuseCommand(); }

JQ_PENDING(ShowContextMenuForFocus)
JQ_PENDING(CustomizeToolbar)





