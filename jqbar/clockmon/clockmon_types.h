// The clock and system-monitor panel types, in the built-in type chain.
#pragma once

namespace jqbar {

// Adds the registrars of "Clock" and "System Monitor" (call before BuildPanelTypeList).
void RegisterClockMonTypes();

}  // namespace jqbar
