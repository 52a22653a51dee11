// The size tree in the shell's drag and drop, the folder context menu with the program's own
// submenu and Rename, and the owner-drawn Send To menu built from the user's Send To folder.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

struct FolderNode;

IDropSource* CreateTreeDropSource();
// The main window registers it for the main tree (RegisterDragDrop) and releases it at the end.
IDropTarget* CreateTreeDropTarget(HWND tree);
// Gives back the creator's reference (after RevokeDragDrop).
void ReleaseTreeDropTarget(IDropTarget* target);
// The tree's TVN_BEGINDRAG / TVN_BEGINRDRAG answer: drags the item's folder out of the tree.
void DragTreeFolder(HWND tree, HTREEITEM item);
// Set while the drop target expands a folder under the pointer (the tree tells it from a user's
// expansion).
extern volatile LONG expandingForDrag;

// Right click on a tree folder (point in tree client coordinates).
// `tree` is the tree that was clicked (null: the main tree).
void ShowFolderContextMenu(FolderNode* node, POINT point, HTREEITEM item, HWND tree = nullptr);
HMENU BuildFolderSubmenu(FolderNode* node);

HMENU BuildSendToMenu();
// TRUE when the id belongs to the Send To menu (above 46200) and was carried out.
BOOL RunSendToCommand(UINT command);
// The main window's WM_MEASUREITEM / WM_DRAWITEM answers while a Send To menu exists; FALSE when
// the item is not one of its entries.
BOOL MeasureSendToItem(MEASUREITEMSTRUCT* measure);
BOOL DrawSendToItem(const DRAWITEMSTRUCT* draw);
void FreeSendToMenu(HMENU menu);
BOOL SendToMenuExists();
