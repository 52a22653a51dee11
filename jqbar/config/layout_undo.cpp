#include "layout_undo.h"

#include "container_panel.h"
#include "frame_window.h"
#include "layout_snapshot.h"
#include "panel_messages.h"
#include "panel_utils.h"

namespace jqbar {
namespace {

LayoutUndoRecord* g_undo = nullptr;

void Push(LayoutUndoRecord* record) {
  record->next = g_undo;
  g_undo = record;
}

void FreeRecord(LayoutUndoRecord* record) {
  if (record->kind == UndoKind::removed && record->node) FreePanelSubtree(record->node, true);
  delete record;
}

void RefitFrameOf(const PanelNode* node) {
  if (HWND frame = FrameWindowOf(node)) RelayoutFrame(frame);
}

}  // namespace

void PushUndoAdded(PanelNode* node, PanelNode* parent, PanelNode* previous) {
  auto* r = new LayoutUndoRecord;
  r->kind = UndoKind::added;
  r->node = node;
  r->parent = parent;
  r->previous = previous;
  Push(r);
}

void PushUndoRemoved(PanelNode* node, PanelNode* parent, PanelNode* previous) {
  auto* r = new LayoutUndoRecord;
  r->kind = UndoKind::removed;
  r->node = node;
  r->oldParent = parent;
  r->oldPrevious = previous;
  r->ownFrame = parent == nullptr;
  HWND frame = r->ownFrame && node->window ? GetParent(node->window) : nullptr;
  node->next = nullptr;
  DetachPanelWindows(node);
  if (frame && IsFrameWindow(frame)) DestroyWindow(frame);
  Push(r);
}

void PushUndoMoved(PanelNode* node, PanelNode* oldParent, PanelNode* oldPrevious,
                   PanelNode* newParent, PanelNode* newPrevious) {
  auto* r = new LayoutUndoRecord;
  r->kind = UndoKind::moved;
  r->node = node;
  r->oldParent = oldParent;
  r->oldPrevious = oldPrevious;
  r->parent = newParent;
  r->previous = newPrevious;
  Push(r);
}

void PushUndoSettings(PanelNode* node, const std::vector<std::uint8_t>& oldBlob) {
  if (!node) return;
  auto* r = new LayoutUndoRecord;
  r->kind = UndoKind::settings;
  r->node = node;
  r->saved = oldBlob;
  Push(r);
}

bool UndoLast() {
  LayoutUndoRecord* r = g_undo;
  if (!r) return false;
  g_undo = r->next;
  PanelNode* node = r->node;
  switch (r->kind) {
    case UndoKind::added: {
      HWND frame = FrameWindowOf(node);
      UnlinkPanelNode(node);
      ForgetUndoFor(node);
      FreePanelSubtree(node, true);
      if (frame) RelayoutFrame(frame);
      break;
    }
    case UndoKind::removed:
      if (r->ownFrame) {
        // Back at the place it had in the frame list, as a floating frame of its own.
        LinkPanelNode(node, nullptr, r->oldPrevious);
        CreateFrameForNode(node, false);
      } else {
        LinkPanelNode(node, r->oldParent, r->oldPrevious);
        CreatePanelWindows(node, r->oldParent, r->oldPrevious);
        RefitFrameOf(node);
      }
      r->node = nullptr;  // the tree owns it again
      break;
    case UndoKind::moved: {
      HWND from = FrameWindowOf(node);
      UnlinkPanelNode(node);
      DetachPanelWindows(node);  // keeps the blobs of the subtree
      LinkPanelNode(node, r->oldParent, r->oldPrevious);
      CreatePanelWindows(node, r->oldParent, r->oldPrevious);
      HWND to = FrameWindowOf(node);
      if (to) RelayoutFrame(to);
      if (from && from != to) RelayoutFrame(from);
      break;
    }
    case UndoKind::settings:
      if (!r->saved.empty() && node->window) {
        SendMessageA(node->window, PNM_SETSETTINGS, WPARAM(r->saved.size()),
                     reinterpret_cast<LPARAM>(r->saved.data()));
        node->blob = r->saved;
      }
      break;
  }
  FreeRecord(r);
  return true;
}

void ClearUndo() {
  while (g_undo) {
    LayoutUndoRecord* r = g_undo;
    g_undo = r->next;
    FreeRecord(r);
  }
}

bool CanUndo() { return g_undo != nullptr; }

int UndoDepth() {
  int n = 0;
  for (LayoutUndoRecord* r = g_undo; r; r = r->next) ++n;
  return n;
}

void ForgetUndoFor(const PanelNode* subtree) {
  if (!subtree) return;
  auto names = [&](const PanelNode* n) { return n && IsInSubtree(subtree, n); };
  LayoutUndoRecord** link = &g_undo;
  while (*link) {
    LayoutUndoRecord* r = *link;
    bool owned = r->kind == UndoKind::removed && r->node && IsInSubtree(r->node, subtree);
    if (!owned && (names(r->node) || names(r->parent) || names(r->previous) ||
                   names(r->oldParent) || names(r->oldPrevious))) {
      *link = r->next;
      FreeRecord(r);
    } else {
      link = &r->next;
    }
  }
}

}  // namespace jqbar
