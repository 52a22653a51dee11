// The built-in panel types of the system panels, registered by the toolbar at start-up.
#pragma once

namespace jqbar {

// Adds the registrars of "Print Manager", "MultiView" and "System Access" to the built-in chain.
void RegisterSystemPanelTypes();

}  // namespace jqbar
