// The Start-menu bar ("JQMenuBar"): a row or column of menu buttons inside a toolbar frame,
// each opening a cascading menu; it tracks the pointer over the menus, runs the chosen entry,
// offers the bar's context menu and answers the panel messages.
#pragma once
#include <windows.h>

#include "menu_bar_settings.h"
#include "menu_window.h"
#include "panel_types.h"

namespace jqbar {

inline constexpr const char* kMenuBarClass = "JQMenuBar";

// Registers the built-in type "Start Menus" with the panel-type chain.
void RegisterStartMenuTypes();
PanelType* RegisterMenuBarPanelType(HINSTANCE instance);
void ShutdownMenuBarType();

HWND CreateMenuBar(HWND parent, const RECT* rect, const void* blob, int blobSize);
MenuBarInstance* MenuBarOf(HWND window);
void NotifyMenuBarChanged(MenuBarInstance* bar);
void RefreshMenuBar(MenuBarInstance* bar);
void LayoutMenuBar(MenuBarInstance* bar);
// The bar's button of that name (case-insensitive), or none.
MenuButton* FindMenuButton(MenuBarInstance* bar, const char* name);
// The shown button under a point of the bar's client area, or none.
MenuButton* MenuButtonAt(MenuBarInstance* bar, POINT client);
// Where a shown button lies, in screen coordinates; false when it is not on screen.
bool GetMenuButtonScreenRect(MenuBarInstance* bar, const MenuButton* button, RECT* rect);
// The open top menu window and the bar it belongs to (none when no menu is open).
MenuWindowState* OpenTopMenu();
void CloseMenus();
// Runs an entry of an open menu (as MBM_RUNENTRY does).
void RunMenuItem(MenuBarInstance* bar, MenuWindowItem* item);
// The hover delay before a folder entry opens its sub-menu.
UINT MenuShowDelay();

}  // namespace jqbar
