// The toolbar's panel tree: top-level nodes are the frames (each standing for its root
// container), below them nested containers and panels. Each node keeps a copy of its panel's
// settings blob, so that a node without a window still has its settings.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

#include "layout_file.h"

namespace jqbar {

struct PanelNode {
  PanelNode* next = nullptr;
  PanelNode* child = nullptr;
  char typeName[20] = {};
  char displayName[28] = {};
  int created = 0;
  std::vector<std::uint8_t> blob;
  HWND window = nullptr;
};

// Head of the frame list.
PanelNode*& FrameList();

// Asks a panel for its current settings (PNM_GETSETTINGS); false when it answers nothing.
bool QueryPanelSettings(HWND panel, std::vector<std::uint8_t>& out);

PanelNode* NewPanelNode(HWND parent, const char* typeName, const char* displayName,
                        const RECT* rect, const void* blob, int blobSize);
PanelNode* NewDetachedPanelNode(const char* typeName, const char* displayName);
// Creates the windows of the node and its children that have none; returns the node, or null
// when the node's own window could not be made.
PanelNode* CreatePanelWindows(PanelNode* node, PanelNode* parent, PanelNode* previous);
// Frees the node (with links: also its children and following siblings), destroying windows.
void FreePanelSubtree(PanelNode* node, bool withLinks);
PanelNode* CopyPanelSubtree(const PanelNode* node, bool deep);
void ClearPanelWindowRefs(PanelNode* node);
// Stores every live panel's current blob and destroys the windows; nodes stay.
void DetachPanelWindows(PanelNode* node);

PanelNode* FindNodeByWindow(HWND window);
PanelNode* FindParentNode(const PanelNode* node);
PanelNode* FindPreviousSibling(const PanelNode* node);
bool IsInSubtree(const PanelNode* root, const PanelNode* node);
PanelNode* FindFrameNode(HWND frame);
int CountFrameNodes();

// Between the tree and the layout file's detached form. Saving asks each live panel for its
// settings; a node without a window keeps the settings it has stored.
PanelNode* NodesFromLayout(const std::vector<LayoutNode>& list);
std::vector<LayoutNode> LayoutFromNodes(const PanelNode* first);

}  // namespace jqbar
