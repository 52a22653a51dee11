// Operations on the frame level of the panel tree that the frames, the containers and the
// configuration dialog share: a frame for a node, moving containers between frames, the layout
// snapshot that Cancel puts back, the one-subtree panel clipboard, and hiding the floating
// frames for a moment.
#pragma once
#include <windows.h>

#include "panel_tree.h"

namespace jqbar {

// Unlinks a node from wherever it sits (previous sibling, parent's child list or the frame
// list) and clears its next link.
void UnlinkPanelNode(PanelNode* node);
// Links a node after `previous`, else as the first child of `parent`, else at the front of the
// frame list.
void LinkPanelNode(PanelNode* node, PanelNode* parent, PanelNode* previous);
void AppendFrameNode(PanelNode* node);
// The top-level node that holds the node, and that node's frame window.
PanelNode* FrameNodeOf(const PanelNode* node);
HWND FrameWindowOf(const PanelNode* node);
// Re-reads the live settings of every created node of the subtree into its stored blob.
void RefreshStoredBlobs(PanelNode* node);
// A detached deep copy of one node and its children (no windows, no next link).
PanelNode* CopyDetachedSubtree(PanelNode* node);

// Makes a frame for a top-level node without windows: a floating frame (or one inside the
// taskbar), its root container from the node's blob, the children's windows, shown. The node
// must already be in the frame list. Returns the frame, or null (the node stays without
// windows).
HWND CreateFrameForNode(PanelNode* node, bool inTaskbar);

void MoveRootPanel(HWND frame, const RECT& rect);
bool GetFramePreferredSize(HWND frame, int* width, int* height, bool horizontal);
bool DetachToNewFrame(HWND container);
bool MoveIntoFirstFrame(HWND container);

void SnapshotLayout();
bool HasLayoutSnapshot();
int RestoreLayoutSnapshot();
void DiscardLayoutSnapshot();
void DiscardLayout();

void SetPanelClipboard(PanelNode* node);
bool HasPanelClipboard();
const PanelNode* GetPanelClipboard();
PanelNode* CopyFromPanelClipboard();
void ClearPanelClipboard();

void HideFloatingFrames();
int RestoreHiddenFrames();

}  // namespace jqbar
