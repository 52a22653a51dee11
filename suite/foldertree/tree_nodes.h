// The nodes of the suite's folder trees (a pane's tree, the folder-picker tree of dialogs): the
// node record every such tree keeps as its items' parameter, their order, the drives the user
// hides, and walking a tree down to a path.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>

// Kind bits of a tree node.
enum : UINT {
  kTreeKindFtpBranch = 1,  // the node belongs to the FTP branch
  kTreeKindFtpRoot = 2,    // the FTP-sites node
  kTreeKindFtpSite = 4,    // an FTP site
  kTreeKindFtpFolder = 8,  // a folder inside an FTP site
};

// SFGAO bits asked for tree nodes: has subfolders, file system, folder, compressed.
constexpr ULONG kTreeAttributeMask = 0xE4000000;

// The parameter of every node of a folder tree, from the shell allocator. Trees with a smaller
// record (the picker's) lay out its first four fields the same way and allocate it this large.
struct FolderTreeItem {
  IShellFolder* folder;   // parent folder in which `relative` is relative (reference held)
  LPITEMIDLIST relative;  // owned copy
  LPITEMIDLIST absolute;  // owned copy: the parent's absolute list joined with `relative`
  ULONG attributes;       // SFGAO bits (kTreeAttributeMask); 0 for the desktop node
  UINT ftpRoot;           // 1 on the FTP-sites node
  UINT kind;              // kTreeKind* bits
};

// TVM_SORTCHILDRENCB order: the parent folder's CompareIDs; the FTP-sites node stays last.
int CALLBACK CompareFolderTreeItems(LPARAM record1, LPARAM record2, LPARAM ignored);
// A node's record, or null.
FolderTreeItem* GetTreeItemRecord(HWND tree, HTREEITEM node);
// The absolute list of a tree node, or null (for path helpers that walk a tree).
LPCITEMIDLIST TreeItemAbsolutePidl(HWND tree, HTREEITEM node);

// The shown-drives mask is the live options' drive filter (bit n for the drive letter whose
// code is 64 + n, so A is bit 1).
// TRUE when `path` lies on a drive that the shown-drives mask hides ("X:..." form).
BOOL IsDriveHidden(const char* path);
// TRUE for a drive root in "X:\" form (nothing after the backslash).
BOOL IsDriveRootText(const char* path);
// TRUE for Wine's folder of the host's file system (a Unix path as parsing name) while the
// shown-drives mask hides Z:, the drive Wine maps to the same file system.
BOOL IsHiddenUnixRoot(const char* parsingName);

// How a tree reads a node's children before the walk goes into it (its own lazy fill); with
// none, the walk only expands the node and the tree's owner fills it on TVN_ITEMEXPANDING.
using TreeNodeFill = void (*)(HWND tree, HTREEITEM node, void* context);
// Walks down the tree from `start` (and its siblings) matching the path's components, compared
// without case, against each node's parsing name (else two backslashes and its display name,
// as a server of the network has no parsing name), filling and expanding each matched node on
// the way. With `select` the node of the whole path
// is selected. The node of the whole path, or null when the walk did not reach it.
HTREEITEM SelectTreePathComponents(HWND tree, const char* path, HTREEITEM start, BOOL select,
                                   TreeNodeFill fill = nullptr, void* context = nullptr);
