#include "config_edit.h"

#include "frame_window.h"
#include "layout_snapshot.h"
#include "layout_undo.h"
#include "panel_utils.h"
#include "resource_jqbar.h"

namespace jqbar {
namespace {

bool TypeIs(const PanelNode* node, const char* name) {
  return node && lstrcmpiA(node->typeName, name) == 0;
}

bool IsRootToolbar(const PanelNode* node) { return TypeIs(node, kToolbarType); }

// Where a new or moved node goes, by its kind and the target (the tables of Add and of a drop).
bool PlaceBy(bool group, PanelNode* target, bool shift, PanelNode** parent, PanelNode** previous) {
  if (!target || IsTaskbarNode(target)) return false;
  PanelNode* holder = FindParentNode(target);
  if (!group) {
    if (IsRootToolbar(target)) {
      if (!target->child || !IsContainerNode(target->child)) return false;
      *parent = target->child;
      *previous = nullptr;
    } else if (IsToolGroupNode(target)) {
      *parent = target;
      *previous = nullptr;
    } else {
      if (!holder) return false;
      *parent = holder;
      *previous = target;
    }
    return true;
  }
  if (IsRootToolbar(target)) {
    *parent = target;
    *previous = nullptr;
  } else if (IsToolGroupNode(target)) {
    if (shift) {
      *parent = target;
      *previous = nullptr;
    } else {
      if (!holder) return false;
      *parent = holder;
      *previous = target;
    }
  } else {
    if (!holder) return false;
    PanelNode* outer = FindParentNode(holder);
    if (!shift && outer) {
      *parent = outer;
      *previous = holder;
    } else {
      // Shift held, or the tool sits right in the frame's root: after the tool.
      *parent = holder;
      *previous = target;
    }
  }
  return true;
}

// Links a detached node at the place and makes its windows; false (node unlinked again) when
// its window cannot be made.
bool Place(PanelNode* node, PanelNode* parent, PanelNode* previous) {
  LinkPanelNode(node, parent, previous);
  if (!CreatePanelWindows(node, parent, previous)) {
    UnlinkPanelNode(node);
    return false;
  }
  if (HWND frame = FrameWindowOf(node)) RelayoutFrame(frame);
  return true;
}

}  // namespace

bool IsFrameTypeName(const char* typeName) {
  return typeName && (lstrcmpiA(typeName, kToolbarType) == 0 ||
                      lstrcmpiA(typeName, kTaskbarToolbarType) == 0);
}
bool IsFrameTypeNode(const PanelNode* node) { return node && IsFrameTypeName(node->typeName); }
bool IsTaskbarNode(const PanelNode* node) { return TypeIs(node, kTaskbarToolbarType); }
bool IsToolGroupNode(const PanelNode* node) { return TypeIs(node, kToolGroupType); }
bool IsContainerNode(const PanelNode* node) { return IsFrameTypeNode(node) || IsToolGroupNode(node); }
bool IsToolNode(const PanelNode* node) { return node && !IsContainerNode(node); }

bool CanRemoveNode(const PanelNode* node) {
  if (!node) return false;
  PanelNode* parent = FindParentNode(node);
  if (!parent) {
    bool listed = false;
    for (PanelNode* f = FrameList(); f; f = f->next) listed = listed || f == node;
    return listed && CountFrameNodes() > 1;
  }
  if (IsToolGroupNode(node) && parent->child == node && !node->next) return false;
  return true;
}

bool RemoveNode(PanelNode* node, bool toClipboard) {
  if (!CanRemoveNode(node)) return false;
  bool taskbar = IsTaskbarNode(node);
  if (toClipboard && !taskbar) SetPanelClipboard(node);
  PanelNode* parent = FindParentNode(node);
  PanelNode* previous = FindPreviousSibling(node);
  HWND frame = FrameWindowOf(node);
  UnlinkPanelNode(node);
  if (taskbar) {
    ForgetUndoFor(node);
    FreePanelSubtree(node, true);
    if (frame && IsWindow(frame)) DestroyWindow(frame);
    CallArrangeTaskbar(1);
    return true;
  }
  PushUndoRemoved(node, parent, previous);
  if (parent && frame) {
    RelayoutFrame(frame);
    InvalidateRect(frame, nullptr, TRUE);
  }
  return true;
}

PanelNode* AddNewFrame(bool inTaskbar) {
  PanelNode* node = NewDetachedPanelNode(inTaskbar ? kTaskbarToolbarType : kToolbarType, "");
  if (!node) return nullptr;
  AppendFrameNode(node);
  HWND frame = CreateFrameForNode(node, inTaskbar);
  if (!frame) {
    UnlinkPanelNode(node);
    FreePanelSubtree(node, true);
    return nullptr;
  }
  char title[80] = {};
  GetWindowTextA(frame, title, sizeof title);
  lstrcpynA(node->displayName, title, sizeof node->displayName);
  if (PanelNode* group = NewDetachedPanelNode(kToolGroupType, LoadResString(IDS_TYPE_TOOLGROUP))) {
    if (!Place(group, node, nullptr)) FreePanelSubtree(group, true);
  }
  RelayoutFrame(frame);
  return node;
}

PanelNode* AddPanelOfType(const PanelType* type, PanelNode* target, bool shift) {
  if (!type || IsFrameTypeName(type->typeName)) return nullptr;
  PanelNode *parent = nullptr, *previous = nullptr;
  bool group = lstrcmpiA(type->typeName, kToolGroupType) == 0;
  if (!PlaceBy(group, target, shift, &parent, &previous)) return nullptr;
  PanelNode* node = NewDetachedPanelNode(type->typeName, type->displayName);
  if (!node) return nullptr;
  if (!Place(node, parent, previous)) {
    FreePanelSubtree(node, true);
    return nullptr;
  }
  PushUndoAdded(node, parent, previous);
  return node;
}

bool PastePlace(const PanelNode* clip, PanelNode* target, PanelNode** parent, PanelNode** previous) {
  if (!clip || !target || IsFrameTypeNode(clip) || IsTaskbarNode(target)) return false;
  PanelNode* holder = FindParentNode(target);
  if (!IsToolGroupNode(clip)) {
    if (IsToolGroupNode(target)) {
      *parent = target;
      *previous = nullptr;
    } else if (IsRootToolbar(target)) {
      *parent = target;
      *previous = target->child;  // after the frame's first child
    } else {
      if (!holder) return false;
      *parent = holder;
      *previous = target;
    }
    return true;
  }
  if (IsRootToolbar(target)) {
    *parent = target;
    *previous = nullptr;
  } else if (IsToolGroupNode(target)) {
    if (!holder) return false;
    *parent = holder;
    *previous = target;
  } else {
    if (!holder) return false;
    PanelNode* outer = FindParentNode(holder);
    *parent = outer ? outer : holder;
    *previous = outer ? holder : target;
  }
  return true;
}

PanelNode* PasteFromClipboard(PanelNode* parent, PanelNode* previous) {
  const PanelNode* clip = GetPanelClipboard();
  if (!clip || !parent || IsFrameTypeNode(clip) || !IsContainerNode(parent) ||
      IsTaskbarNode(parent))
    return nullptr;
  PanelNode* copy = CopyFromPanelClipboard();
  if (!copy) return nullptr;
  if (!Place(copy, parent, previous)) {
    FreePanelSubtree(copy, true);
    return nullptr;
  }
  PushUndoAdded(copy, parent, previous);
  return copy;
}

bool MovePanelNode(PanelNode* node, PanelNode* target, bool shift) {
  if (!node || !target || node == target || IsTaskbarNode(target)) return false;
  PanelNode* oldParent = FindParentNode(node);
  if (!oldParent) return false;  // frames are not moved
  PanelNode *parent = nullptr, *previous = nullptr;
  if (!PlaceBy(IsToolGroupNode(node), target, shift, &parent, &previous)) return false;
  PanelNode* oldPrevious = FindPreviousSibling(node);
  if (parent == oldParent && previous == oldPrevious) return false;
  if (previous == node || IsInSubtree(node, parent)) return false;
  HWND from = FrameWindowOf(node);
  UnlinkPanelNode(node);
  DetachPanelWindows(node);
  LinkPanelNode(node, parent, previous);
  CreatePanelWindows(node, parent, previous);
  HWND to = FrameWindowOf(node);
  if (to) RelayoutFrame(to);
  if (from && from != to) RelayoutFrame(from);
  PushUndoMoved(node, oldParent, oldPrevious, parent, previous);
  return true;
}

}  // namespace jqbar
