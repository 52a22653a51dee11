#include "printers_bar.h"
namespace jqbar {
PanelType* RegisterPrintersBarPanelType(HINSTANCE) { return nullptr; }
}
