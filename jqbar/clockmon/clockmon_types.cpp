#include "clockmon_types.h"

#include "clock_panel.h"
#include "panel_types.h"
#include "perfmon_panel.h"

namespace jqbar {

void RegisterClockMonTypes() {
  AddBuiltinTypeRegistrar(RegisterClockPanelType);
  AddBuiltinTypeRegistrar(RegisterPerfMonPanelType);
}

}  // namespace jqbar
