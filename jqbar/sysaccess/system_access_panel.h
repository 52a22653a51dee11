// The System Access panel: a button bar (class "JQButtonBar") holding one group of kind 30 whose
// buttons are the system actions. The options in the bar's settings head say which actions the
// bar holds; the items and the options are kept in step here, and the panel's property page
// (559) edits both.
#pragma once
#include <windows.h>

#include "button_bar.h"
#include "panel_types.h"
#include "system_actions.h"

namespace jqbar {

// Fills the "System Access" type (strings 608 / 609, bitmaps 557 / 558); it has no window class
// of its own. Also installs the button bar's hooks for kind-30 groups.
PanelType* RegisterSystemAccessPanelType(HINSTANCE instance);
// A System Access bar. With a blob of one kind-30 group: that bar, with the item of every set
// option added when missing; without one (or with one that is not a System Access bar): shut
// down and change resolution, confirm on, small icons. Null when the window cannot be made.
HWND CreateSystemAccess(HWND parent, const RECT* rect, const void* blob, int blobSize);
// The panel tree's re-creation from a stored blob: the same steps.
HWND RecreateSystemAccess(HWND parent, const RECT* rect, const void* blob, int blobSize);

// The item of action `index` (0..7) with its label and icons; null for another index.
ButtonRecord* MakeSystemActionItem(int index);
// Large icon = the action's icon id, small icon = id + 6.
void LoadSystemActionIcons(ButtonRecord* item);
// Adds the item of a command id where the bar keeps it (see InsertActionCommand); false when it
// is present already, not an action, or refused on Windows NT (562, 563).
bool AddSystemActionItem(ButtonBarInstance* bar, int commandId);
bool RemoveSystemActionItem(ButtonBarInstance* bar, int commandId);
// The options the present items stand for, with the bar's confirm setting.
SystemAccessOptions ReadSystemAccessOptions(const ButtonBarInstance* bar);
// Adds the items of set options and removes those of cleared ones, refreshes an open page,
// tells the container (PNM_SETTINGSCHANGED) and rebuilds the tooltips.
void ApplySystemAccessOptions(ButtonBarInstance* bar);

// The options as the settings head holds them (the confirm word shares the forward-arrow field:
// its high 16 bits) and the way back.
SystemAccessOptions HeadSystemAccessOptions(const ButtonBarSettings& settings);
void SetHeadSystemAccessOptions(ButtonBarSettings& settings, const SystemAccessOptions& options);
// The command id of an item of a kind-30 group (from its action code), -1 when it is none.
int SystemActionCommandOf(const ButtonRecord* item);

// The property sheet (657) with page 559 for PNM_CREATEPAGE.
HWND CreateSystemAccessSheet(ButtonBarInstance* bar, HWND parent, int x, int y);
// Reads the options from the items into an open page of this bar.
void RefreshSystemAccessPage(ButtonBarInstance* bar);

bool SystemIsWindowsNT();

}  // namespace jqbar
