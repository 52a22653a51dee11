// The printers bar ("Print Manager"): the machine's printers as a row of buttons. A click makes
// a printer the default, the right button opens its menu, files dropped on a printer are
// printed there, printers can be hidden and ordered, and the default printer is marked.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "panel_types.h"
#include "printers_settings.h"

namespace jqbar {

PanelType* RegisterPrintersBarPanelType(HINSTANCE instance);
void FreePrintersBarPanelType();
HWND CreatePrintersBar(HWND parent, const RECT* rect, const void* blob, int blobSize);

// The default printer's name as the profile ("windows", "device") gives it, cut at the comma.
std::string ReadDefaultPrinterName();
// What a printers bar shows, in display order: display names, and which one is the default.
struct PrinterButtonInfo {
  std::string displayName;
  std::string parsingName;
  bool isDefault;
  bool hidden;
  RECT button;  // client coordinates; empty when not shown
  bool fromShell;  // listed by the shell's Printers folder (else by the spooler)
};
std::vector<PrinterButtonInfo> PrintersBarButtons(HWND bar);
// Makes the printer of a button the default (as a click does); false when it has no entry
// under [devices].
bool SetDefaultPrinterOf(HWND bar, int index);
// Prints the files on the printer under a client point, as a drop there does; the number of
// files handed over.
int DropFilesOnPrinter(HWND bar, const std::vector<std::string>& files, POINT client);

// For the bar's property sheet: the settings of a bar, the printers in display order with their
// hidden flags, and applying changed settings (hidden flags, order, layout, a change report).
PrintersBarSettings* PrintersBarSettingsOf(HWND bar);
std::vector<std::pair<std::string, bool>> PrintersBarOrder(HWND bar);
void ReapplyPrintersBarSettings(HWND bar);
// The sheet (printers_sheet.cpp): created for PNM_CREATEPAGE; an open order page of a bar is
// refilled when the bar's printers change.
HWND CreatePrintersBarSheet(HWND bar, HWND parent, LPARAM at);
void RefillPrinterOrderPage(HWND bar);

}  // namespace jqbar
