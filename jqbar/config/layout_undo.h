// The layout undo stack of the configuration dialog: panels added, removed, moved and their
// settings changed, newest first, without a depth limit.
#pragma once
#include <cstdint>
#include <vector>

#include "panel_tree.h"

namespace jqbar {

enum class UndoKind { added = 1, removed = 2, moved = 3, settings = 4 };

struct LayoutUndoRecord {
  LayoutUndoRecord* next = nullptr;
  UndoKind kind = UndoKind::added;
  PanelNode* node = nullptr;
  PanelNode* parent = nullptr;        // added: where; moved: moved into
  PanelNode* previous = nullptr;      // added, moved: placed after
  PanelNode* oldParent = nullptr;     // removed, moved
  PanelNode* oldPrevious = nullptr;   // removed, moved
  std::vector<std::uint8_t> saved;    // settings: the blob before the change
  bool ownFrame = false;              // removed: the node was its frame's root
};

void PushUndoAdded(PanelNode* node, PanelNode* parent, PanelNode* previous);
// The node must already be unlinked. Detaches its windows (their blobs are kept) and destroys
// its frame when it was a frame's root. The record owns the node from now on.
void PushUndoRemoved(PanelNode* node, PanelNode* parent, PanelNode* previous);
void PushUndoMoved(PanelNode* node, PanelNode* oldParent, PanelNode* oldPrevious,
                   PanelNode* newParent, PanelNode* newPrevious);
void PushUndoSettings(PanelNode* node, const std::vector<std::uint8_t>& oldBlob);
// Undoes the newest record; false when the stack is empty.
bool UndoLast();
void ClearUndo();
bool CanUndo();
int UndoDepth();
// Drops every record that names a node of the subtree (the subtree is about to be freed).
void ForgetUndoFor(const PanelNode* subtree);

}  // namespace jqbar
