// The built-in panel types of the system panels, registered by the toolbar at start-up.
#pragma once

namespace jqbar {

// Adds the registrars of "Print Manager" and "MultiView" to the built-in chain.
void RegisterSystemPanelTypes();

}  // namespace jqbar
