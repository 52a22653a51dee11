// The toolbar's part in OLE drag and drop: the drop source a panel hands DoDragDrop, and one
// drop target for each kind of panel window that takes drops (the button bar, also used by the
// System Access panel; the start-menu bar; its cascading menu windows; the printers bar).
//
// The targets are glue: each decides which clipboard formats it takes and in which order,
// turns screen points into the owner window's client coordinates, and hands every item to the
// handlers its panel installs (Set...DropHandlers). A handler left null rejects the point or
// ignores the item.
//
// Life of a target: Create... locks it for OLE (CoLockObjectExternal) so that it lives while it
// is registered; the panel registers it with RegisterDragDrop for its window when the window is
// made, and on destruction calls RevokeDragDrop, then Destroy..., which unlocks the object and
// drops the creator's reference. The reference count alone frees it, so a reference OLE still
// holds keeps it alive until OLE lets go.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include "url_shortcut.h"

namespace jqbar {

// The registered clipboard formats the targets read.
UINT ShellIdListFormat();       // "Shell IDList Array"
UINT FileGroupDescriptorFormat();  // "FileGroupDescriptor"
UINT FileContentsFormat();      // "FileContents"

// ---- Drop source ------------------------------------------------------------------------
// Escape cancels; with neither the left nor the right button down the drag drops.
IDropSource* CreatePanelDropSource();

// ---- Handlers the panels supply -----------------------------------------------------------
// Points are client coordinates of the owner window.
struct ButtonBarDropHandlers {
  // The bar a drag is over (null: none any more).
  void (*setDropTarget)(HWND bar) = nullptr;
  // Where the current drag started: 0 not in a button bar, 1 this bar, 2 another bar.
  int (*dragKind)(HWND bar) = nullptr;
  // Moves the insertion marker; nonzero when the point takes a drop. (-1, -1) erases it.
  BOOL (*trackDragOver)(HWND bar, int x, int y) = nullptr;
  // A button moved within or between bars, or a start-menu entry: nonzero when it took the drop.
  BOOL (*dropOnBar)(HWND bar, int x, int y) = nullptr;
  void (*dropFile)(HWND bar, const char* path, int x, int y) = nullptr;
  void (*dropIdList)(HWND bar, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) = nullptr;
  // The shortcut is freed after the call.
  void (*dropUrl)(HWND bar, const UrlShortcut* shortcut, int x, int y) = nullptr;
};

struct MenuBarDropHandlers {
  void (*setDropTarget)(HWND bar) = nullptr;
  BOOL (*trackDragOver)(HWND bar, int x, int y) = nullptr;
  // 0 when the drop at the point makes new entries from files or items.
  int (*dragKind)(HWND bar, int x, int y) = nullptr;
  void (*dropFile)(HWND bar, const char* path, int x, int y) = nullptr;
  void (*dropIdList)(HWND bar, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) = nullptr;
  void (*dropUrl)(HWND bar, const UrlShortcut* shortcut, int x, int y) = nullptr;
};

struct MenuWindowDropHandlers {
  void (*setDropTarget)(HWND menu) = nullptr;
  // Nonzero when the entry under the point takes a drop.
  BOOL (*hitTest)(HWND menu, int x, int y) = nullptr;
  void (*drop)(HWND menu, int x, int y) = nullptr;
  // Whether the drag is an entry of the menus themselves, which `drop` moves. When this says no,
  // the files or items of the drag go to dropFile / dropIdList instead (points as above); left
  // null, every drop goes to `drop`.
  BOOL (*dragsEntry)() = nullptr;
  void (*dropFile)(HWND menu, const char* path, int x, int y) = nullptr;
  void (*dropIdList)(HWND menu, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) = nullptr;
};

struct PrintersBarDropHandlers {
  void (*setDropBar)(HWND bar) = nullptr;
  // Nonzero when a printer button is under the point; (-1, -1) clears the mark.
  BOOL (*trackDragOverPrinter)(HWND bar, int x, int y) = nullptr;
  // Passes the data on to the printer's own drop target.
  void (*dropOnPrinter)(HWND bar, IDataObject* data, int x, int y) = nullptr;
};

void SetButtonBarDropHandlers(const ButtonBarDropHandlers& handlers);
void SetMenuBarDropHandlers(const MenuBarDropHandlers& handlers);
void SetMenuWindowDropHandlers(const MenuWindowDropHandlers& handlers);
void SetPrintersBarDropHandlers(const PrintersBarDropHandlers& handlers);

// ---- Drop targets -------------------------------------------------------------------------
// A new target for the window (reference count 1, locked for OLE), or null when memory runs out.
IDropTarget* CreateButtonBarDropTarget(HWND owner);
IDropTarget* CreateMenuWindowDropTarget(HWND owner);
IDropTarget* CreateMenuBarDropTarget(HWND owner);
IDropTarget* CreatePrintersBarDropTarget(HWND owner);
// Unlocks the target and releases the creator's reference (call RevokeDragDrop first); null is
// ignored.
void DestroyButtonBarDropTarget(IDropTarget* target);
void DestroyMenuWindowDropTarget(IDropTarget* target);
void DestroyMenuBarDropTarget(IDropTarget* target);
void DestroyPrintersBarDropTarget(IDropTarget* target);

// Drop targets alive in the process (for leak checks).
long LiveDropObjectCount();

}  // namespace jqbar
