// The edits of the panel tree that the configuration dialog offers, without the dialog: where
// an added, pasted or moved node goes, removing with undo, and new frames.
#pragma once
#include "panel_tree.h"
#include "panel_types.h"

namespace jqbar {

inline constexpr char kToolbarType[] = "Toolbar";
inline constexpr char kTaskbarToolbarType[] = "Taskbar Toolbar";
inline constexpr char kToolGroupType[] = "Tool Group";

bool IsFrameTypeName(const char* typeName);  // "Toolbar" or "Taskbar Toolbar"
bool IsFrameTypeNode(const PanelNode* node);
bool IsTaskbarNode(const PanelNode* node);
bool IsToolGroupNode(const PanelNode* node);
bool IsContainerNode(const PanelNode* node);
bool IsToolNode(const PanelNode* node);

// Refused for the only frame and for a "Tool Group" that is its container's only child.
bool CanRemoveNode(const PanelNode* node);
// Removes the node (with undo, unless it is a "Taskbar Toolbar", whose windows and subtree go
// at once); with toClipboard a copy goes to the panel clipboard first. False when refused.
bool RemoveNode(PanelNode* node, bool toClipboard);

// A new frame at the end of the frame list, floating or inside the taskbar, named after its
// title, with a "Tool Group" in it. No undo. Null when the frame cannot be made.
PanelNode* AddNewFrame(bool inTaskbar);
// Adds a panel of a type that is not a frame type, placed by the selected node (and the Shift
// state), with undo. Null when refused.
PanelNode* AddPanelOfType(const PanelType* type, PanelNode* target, bool shift);
// Where the clipboard node goes when pasted at the target; false when it does not go anywhere.
bool PastePlace(const PanelNode* clip, PanelNode* target, PanelNode** parent, PanelNode** previous);
// A copy of the clipboard at the place, its windows made, with undo. Null when refused.
PanelNode* PasteFromClipboard(PanelNode* parent, PanelNode* previous);
// Moves a node onto the target as a drop does, with undo; false when nothing moved.
bool MovePanelNode(PanelNode* node, PanelNode* target, bool shift);

}  // namespace jqbar
