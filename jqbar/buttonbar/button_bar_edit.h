// Changing a button bar: its context menus and commands, the button and group dialogs, the
// arrangement page, new buttons made from files, shortcuts, shell items and Internet
// shortcuts, the desktop's items, drops and dragging a button out as a shortcut file.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "button_bar.h"

namespace jqbar {

// The context menu at a screen point; `under` is the button under it (null over empty space).
void ShowButtonBarMenu(ButtonBarInstance* bar, POINT screen, ButtonRecord* under);
// Runs a menu command; false when the id is not one of the bar's.
bool RunButtonBarCommand(ButtonBarInstance* bar, UINT id, ButtonRecord* under);

// The file-manager button (null when "JQNavig.exe" is not beside the program).
ButtonRecord* MakeDefaultButton();
// Appends the desktop's items that the current group does not hold yet.
void AddDesktopIconButtons(ButtonBarInstance* bar);
// Two buttons that start the same thing the same way.
bool SameButton(const ButtonRecord& a, const ButtonRecord& b);

ButtonRecord* NewButtonFromFile(const char* path);
ButtonRecord* NewButtonFromShortcut(const char* lnkPath);
ButtonRecord* NewButtonFromIdList(LPCITEMIDLIST absolute);
ButtonRecord* NewUrlButton(const char* name, const char* url);
// A deep copy without the hot key.
ButtonRecord* CopyButtonRecord(const ButtonRecord& source);

// Drops at a client point of the bar: a new button made from a file, an item id list or an
// Internet shortcut goes onto the tab under the point (an ordinary group's front) or before the
// button under it. False when nothing was added.
bool DropFileOnButtonBar(ButtonBarInstance* bar, const char* path, POINT client);
bool DropIdListOnButtonBar(ButtonBarInstance* bar, LPCITEMIDLIST absolute, POINT client);
bool DropUrlOnButtonBar(ButtonBarInstance* bar, const char* name, const char* url, POINT client);
// A button dragged from a bar (`source`, `button`) dropped here: copied from another bar,
// moved within one; `swap` (Shift) turns one into the other. False when it took nothing.
bool DropButtonOnButtonBar(ButtonBarInstance* target, ButtonBarInstance* source,
                           ButtonRecord* button, POINT client, bool swap);
// Whether a drop at the point is taken, outlining the tab or the bar; a negative point erases.
bool TrackButtonBarDragOver(ButtonBarInstance* bar, POINT client);

// Writes the temporary shortcut (".lnk", or ".url" for an Internet shortcut) that dragging the
// button out hands to the drop target, in `folder`; the file's path, or "" when it failed.
std::string WriteDragOutFile(const ButtonRecord& button, const char* folder);
// The pointer left a pressed button with a mouse button held.
void StartButtonDragOut(ButtonBarInstance* bar, ButtonRecord* button);

// Hands the toolbar's button-bar drop target the handlers above (once per process).
void InstallButtonBarDropHandlers();
// The bar and button a drag out of a bar started from (null when no such drag runs).
ButtonBarInstance* DraggedButtonBar(ButtonRecord** button);

// The sheet with the arrangement page for PNM_CREATEPAGE.
HWND CreateButtonBarPage(ButtonBarInstance* bar, HWND parent, int x, int y);
void RefreshArrangePage(ButtonBarInstance* bar);

}  // namespace jqbar
