// The archive commands of the main window: Extract, Zip To, Add to Zip, and LHA's progress.
#include "archive_extract.h"
#include "command_handlers.h"
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
