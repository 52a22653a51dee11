#include "system_panel_types.h"

#include "multiview.h"
#include "panel_types.h"
#include "printers_bar.h"
#include "system_access_panel.h"

namespace jqbar {

void RegisterSystemPanelTypes() {
  static bool done = false;
  if (done) return;
  done = true;
  AddBuiltinTypeRegistrar(RegisterPrintersBarPanelType);
  AddBuiltinTypeRegistrar(RegisterMultiViewPanelType);
  AddBuiltinTypeRegistrar(RegisterSystemAccessPanelType);
}

}  // namespace jqbar
