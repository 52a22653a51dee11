// The folder picker tree: a tree control that browses the shell namespace lazily for choosing
// a target folder (Copy/Move To, the find pages), and finds a typed path (local or UNC) in it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

struct FolderPickerItem {
  IShellFolder* parent;
  LPITEMIDLIST relative;
  LPITEMIDLIST absolute;
  ULONG attributes;
};
BOOL InitFolderPickerTree(HWND tree);
void FillPickerLevel(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute, HTREEITEM parent);
LRESULT OnPickerExpanding(HWND tree, NMTREEVIEWA* notification);
LRESULT OnPickerDeleteItem(HWND tree, NMTREEVIEWA* notification);
void ExpandPickerRoot(HWND tree);
BOOL GetPickerSelectedPath(HWND tree, char* out, BOOL display);
HTREEITEM SelectPickerPath(HWND tree, const char* path, BOOL select);
void ExpandAllBelow(HWND tree, HTREEITEM item);
void CollapseAllBelow(HWND tree, HTREEITEM item);
