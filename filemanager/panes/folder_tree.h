// The folder tree of a pane: the desktop namespace filled one level at a time, archive files as
// expandable nodes, the FTP-sites node, locating a path, and the expand and collapse commands.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include "tree_nodes.h"

// Set while a drag hovering over a tree auto-expands a node: no wait cursor during the fill.
extern UINT g_treeFillQuiet;

HWND CreateFolderTree(HWND parent, int pane);
BOOL AttachSystemImageList(HWND tree);
// Adds the children of `folder` under `parentNode`; with TVI_ROOT it first creates the desktop
// node and adds the children under it.
void FillFolderTree(HWND tree, IShellFolder* folder, LPCITEMIDLIST parentAbsolute,
                    HTREEITEM parentNode, UINT parentKind);
// Fills a node the first time it expands (binding its folder) and sorts its children.
void ExpandFolderTreeItem(HWND tree, HTREEITEM node);
// Releases a node's record (the tree's delete notification).
void FreeFolderTreeItem(FolderTreeItem* record);
void AddFtpSitesRoot(HWND tree);

// The selected node's record; when nothing is selected the root is selected first.
FolderTreeItem* GetSelectedTreeItem(HWND tree);
BOOL IsTreeRootSelected(HWND tree);
// The selected node's path (MAX_PATH buffer): the desktop directory for the root; else the
// parsing name (display name when `displayForm`). FALSE without a selection, or when
// `fileSystemOnly` and the node is not a file-system one.
BOOL GetTreeSelectionPath(HWND tree, char* buffer, BOOL displayForm, BOOL fileSystemOnly);
// Locates a path in the tree, expanding nodes on the way; the node found or null.
HTREEITEM SelectTreePath(HWND tree, const char* path, BOOL select);
// Deletes the active pane's selected tree node when the tree has the focus and its file-system
// folder no longer exists.
void RemoveVanishedTreeItem();
void SetTreeDropHighlight(HWND tree, HTREEITEM node);
void ClearTreeDropHighlight(HWND tree);
LRESULT TreeCustomDraw(NMTVCUSTOMDRAW* draw);

// The tree commands 40085-40089, 40095, 40096 on the active pane's tree; each returns 0.
LRESULT RunFolderTreeCommand(HWND mainWindow, UINT command);
