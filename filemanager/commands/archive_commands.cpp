// The archive commands of the main window: Extract, Zip To, Add to Zip, UUEncode, the tools of
// the shell-extension library, and LHA's progress.
#include "archive_extract.h"
#include "command_handlers.h"
#include "uuencode_dialog.h"
#include "zip_to.h"

JQ_COMMAND_HANDLER(DoUnZip) {
  DoUnZipCommand(window);
  return 0;
}

JQ_COMMAND_HANDLER(DoZipTo) {
  DoZipToCommand(window);
  return 0;
}

JQ_COMMAND_HANDLER(DoAddToZip) {
  DoAddToZipCommand(window);
  return 0;
}

JQ_COMMAND_HANDLER(OnArcExtractProgress) { return OnArcExtractProgressMessage(window, message, wParam, lParam); }

JQ_COMMAND_HANDLER(DoUUEncode) {
  DoUUEncodeCommand(window);
  return 0;
}

JQ_COMMAND_HANDLER(RunShellExtTool) {
  RunShellExtToolCommand(window, LOWORD(wParam));
  return 0;
}
