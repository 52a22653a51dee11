// The folder-picker tree that dialogs own (Copy/Move To, Compare Folders, download and extract
// targets, the address combo's drop-down): the pane tree's lazy fill with a smaller record, icons
// set at insertion, the shared-folder overlay, and two switches chosen by the dialog.
#pragma once
#include <windows.h>
#include <cstddef>
#include <shlobj.h>
#include <commctrl.h>
#include "tree_nodes.h"

// SFGAO bits asked for picker nodes: has subfolders, file system, folder, compressed, share.
constexpr ULONG kPickerAttributeMask = 0xE4020000;
// The desktop node: file system, share.
constexpr ULONG kPickerDesktopMask = 0x40020000;

// The parameter of every picker node, from the shell allocator. Its first fields are laid out as
// those of FolderTreeItem, so that the pane tree's comparison, release, path and drawing helpers
// serve both; the record is allocated as large as a FolderTreeItem with the rest zero.
struct PickerTreeItem {
  IShellFolder* folder;   // parent folder in which `relative` is relative (reference held)
  LPITEMIDLIST relative;  // owned copy
  LPITEMIDLIST absolute;  // owned copy
  ULONG attributes;       // kPickerAttributeMask bits
};
static_assert(offsetof(PickerTreeItem, folder) == offsetof(FolderTreeItem, folder));
static_assert(offsetof(PickerTreeItem, relative) == offsetof(FolderTreeItem, relative));
static_assert(offsetof(PickerTreeItem, absolute) == offsetof(FolderTreeItem, absolute));
static_assert(offsetof(PickerTreeItem, attributes) == offsetof(FolderTreeItem, attributes));

// Adds one level under `parentNode`; with TVI_ROOT first the desktop node.
void FillPickerTree(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute, HTREEITEM parentNode,
                    BOOL foldersOnly, BOOL archivesAsFolders);
// Expands the root and its first child and selects that child.
void ExpandTreeRoot(HWND tree);
// The tree's TVN_ITEMEXPANDING: fills the node the first time it opens.
void ExpandPickerTreeItem(HWND tree, NMTREEVIEWA* expanding, BOOL foldersOnly, BOOL archivesAsFolders);
// Fills `node` once (binding its folder) and sorts its children.
void ExpandPickerNode(HWND tree, HTREEITEM node, BOOL foldersOnly, BOOL archivesAsFolders);
// The tree's TVN_DELETEITEM: releases the node's record.
void FreePickerTreeItem(NMTREEVIEWA* deleted);
// Locates a path in a picker tree with the picker's own fill rules (a UNC path under the
// network, otherwise under its drive); the node found or null.
HTREEITEM SelectPickerTreePath(HWND tree, const char* path, BOOL select, BOOL foldersOnly,
                               BOOL archivesAsFolders);
