// Internals of the size tree pane shared by the main window and the find view.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include "voltaly_ui.h"

// Private messages of the pane dialog.
constexpr UINT kMsgRebuildRows = WM_APP + 0x401;   // wParam = tree: re-list the size rows
constexpr UINT kMsgRebuildTree = WM_APP + 0x402;   // lParam = item: RebuildTreeView on the GUI thread
constexpr UINT kMsgExpandItem = WM_APP + 0x403;    // lParam = item, wParam = 1 expand / 0 collapse
constexpr UINT kMsgFindDone = 1771;                 // a stopped search: back to idle
constexpr UINT kMsgApplyPage = WM_USER + 123;       // 1147: criteria pages copy their controls

// Creates the header, both trees and their size lists inside the pane dialog.
void CreatePaneControls(HWND paneDialog);
// Places the header, the trees, the scroll bar and the size lists inside the pane dialog.
void LayoutPaneControls(int width, int height);
// The engine's view messages (VM_*), handled on the GUI thread; TRUE when handled.
BOOL HandleEngineMessage(UINT message, WPARAM wParam, LPARAM lParam);
// Inserts the tree item of a node of the engine's tree (and the items of its children that have
// none yet) into the main tree.
HTREEITEM InsertNodeItem(FolderNode* node);
// The label the trees show for a node.
void NodeLabel(FolderNode* node, char* out, int size);
void NodeIcons(FolderNode* node, int* image, int* openImage);
// Re-lists the size rows of a tree now.
void RebuildSizeRows(HWND tree);
HWND SizeListOf(HWND tree);
// The row index of an item in its tree's size list (-1 when it has no row).
int SizeRowOf(HWND tree, HTREEITEM item);
int SizeRowCount(HWND tree);
HTREEITEM SizeRowItem(HWND tree, int row);
// Starts the expand-all (expand = true) or collapse-all walk on a scan thread.
void StartExpandAllThread(bool expand);
// Checks every visible tree item against its size row (command 45224).
void CheckSizeRows();
// The name a user typed for a folder is a plain name (no path, no reserved characters).
bool IsPlainFolderName(const char* name);
