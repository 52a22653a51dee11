// The Send To menu every program of the suite shows: an owner-drawn popup built from the user's
// SendTo folder (its subfolders as submenus), and sending a selection to a chosen entry by a
// drop on the entry. Entries that are folders, shortcuts to folders or programs take the drop
// through the suite's own drop target (file_drop.h); any other entry through the shell's.
// Also the Recycle Bin's empty command and the Network Neighborhood test.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <string>

// One entry of the menu tree. The menu items' data point at these records.
struct SendToMenuEntry {
  UINT commandId;          // 0 for a submenu entry
  LPITEMIDLIST item;       // relative to ownerFolder (owned)
  LPITEMIDLIST absolute;   // owned
  char name[MAX_PATH];     // display name
  char parsingName[MAX_PATH];
  int width;               // measured text width
  HMENU submenu;           // for a folder entry
  UINT isFolder;
  UINT folderLink;         // a shortcut to a folder
  IShellFolder* ownerFolder;  // reference held
};

// How a program builds its menu: the first command id and the last one (ids past it are not
// given out, further entries are left off), the folder (null: the user's SendTo folder), and the
// text of the disabled entry (command 300) that stands in an empty folder.
struct SendToMenuOptions {
  UINT firstId = 46000;
  UINT lastId = 46999;
  const char* rootFolder = nullptr;
  const char* emptyText = "(empty)";
};

// Every menu built without a folder of its own comes from `folder` (null: the user's SendTo
// folder again); for tests and for a program's own choice of folder.
void SetSendToRootOverride(const char* folder);
// Builds the popup (kept by the module until ReleaseSendToMenu); null on failure.
HMENU BuildSendToMenu(const SendToMenuOptions& options);
// Frees the entries and the menu's module state; the menu itself is destroyed when it is still
// a menu and not attached to another menu (pass null to keep it).
void ReleaseSendToMenu(HMENU menu);
// The entry of a command id in the current menu tree, or null (submenus never match).
const SendToMenuEntry* FindSendToEntry(UINT commandId);
// The data object of the program's selection for a send: created with an owner window and a
// reference the caller releases; null when there is nothing to send.
using SendToSelection = IDataObject* (*)(HWND owner, void* context);
// For ids within the menu's range: finds the entry and sends the selection to it; 1 when the
// id belonged to an entry (whatever the send did), else 0.
BOOL FindSendToMenuItem(HWND window, HMENU menu, UINT commandId, SendToSelection selection, void* context);
// Sends the data to the entry: DragEnter, DragOver and Drop (DragLeave when the entry refuses).
// Answers the effect performed; DROPEFFECT_NONE when nothing was sent.
DWORD SendToEntry(HWND owner, const SendToMenuEntry* entry, IDataObject* data);
// WM_MEASUREITEM and WM_DRAWITEM of the entries; FALSE for items that are not ours.
BOOL MeasureSendToMenuItem(MEASUREITEMSTRUCT* measure);
BOOL DrawSendToMenuItem(const DRAWITEMSTRUCT* draw);
// Folders, then folder links, then the names compared byte-wise; <0, 0, >0.
int CompareSendToItems(const SendToMenuEntry* a, const SendToMenuEntry* b);
// 1 when the absolute list is the Network Neighborhood folder, else 0.
BOOL IsNetworkNeighborhood(LPCITEMIDLIST absolute);
// Runs the only command of a context menu filled from id 1000: 1 when the menu has exactly one
// command and it ran, else 0.
BOOL RunSingleContextMenuCommand(IContextMenu* menu, HWND owner);
// Empties the Recycle Bin through the single command of the Recycle Bin's own context menu. When
// the shell offers no such menu and `confirmText` is given, the user is asked (yes/no, through
// the seam) and the shell's SHEmptyRecycleBin does the work. 1 when the bin was emptied.
BOOL EmptyRecycleBinWithShell(HWND owner, const char* confirmText = nullptr, const char* caption = nullptr);
