// OLE drag and drop of the Start-menu bar: the drop targets of the bar and of its menu windows
// with their handlers, and dragging an entry out of an open menu.
//
// A drop onto a button adds the dropped files, items or Internet shortcut to the top of that
// button's menu. A drop onto a folder entry of an open menu moves the entry being dragged out of
// the menus into that folder; files and items dragged in from elsewhere become entries of that
// folder (a menu window shows the drop as accepted only over a folder entry).
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

#include "menu_bar_settings.h"
#include "menu_window.h"

namespace jqbar {

// Installs the handlers behind the bar's and the menu windows' drop targets (done by the panel
// type's registration).
void InstallMenuDropHandlers();

// Creates and registers the drop target of a bar or of a menu window; null when it cannot be
// registered (the window then takes no drops). Revoke before the window goes.
IDropTarget* RegisterMenuBarDrops(HWND bar);
IDropTarget* RegisterMenuWindowDrops(HWND menu);
void RevokeMenuBarDrops(HWND bar, IDropTarget* target);
void RevokeMenuWindowDrops(HWND menu, IDropTarget* target);

// The file an entry is dragged as, written into `folder`: a ".url" for an Internet shortcut,
// else a ".lnk" (the entry's item id list, or its command, arguments, icon, working folder and
// show command), named after the entry without the characters file names cannot hold. Empty
// when the entry cannot be read or the file cannot be written.
std::string WriteMenuDragFile(MenuButton* button, const MenuWindowItem& item, const char* folder);

// Drags an entry of the open menus out of them (the pointer moved away from where it pressed
// the entry): the entry's file in the toolbar's temporary folder is dragged with the shell's data
// object, copy allowed, and removed again when the drop is refused. The menus close afterwards.
// Folder entries are not dragged.
void DragMenuEntryOut(MenuBarInstance* bar, const MenuWindowItem* item);

// Whether an entry of the menus is being dragged out now.
bool IsDraggingMenuEntry();

}  // namespace jqbar
