#include "panel_tree.h"

#include <cstring>

#include "panel_messages.h"
#include "panel_types.h"

namespace jqbar {
namespace {

PanelNode* g_frames = nullptr;

void SetName(char* out, std::size_t size, const char* in) {
  lstrcpynA(out, in ? in : "", int(size));
}

void PlaceAfter(HWND window, const PanelNode* previous) {
  HWND after = previous && previous->window ? previous->window : HWND_TOP;
  // A new child window comes last among its siblings: panels made in order are already where
  // they belong, and moving each one again costs a round trip per panel.
  if (GetWindow(window, GW_HWNDPREV) == (after == HWND_TOP ? nullptr : after)) return;
  SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

template <typename F>
PanelNode* Search(PanelNode* node, F&& match) {
  for (; node; node = node->next) {
    if (match(node)) return node;
    if (PanelNode* found = Search(node->child, match)) return found;
  }
  return nullptr;
}

}  // namespace

PanelNode*& FrameList() { return g_frames; }

bool QueryPanelSettings(HWND panel, std::vector<std::uint8_t>& out) {
  if (!panel || !IsWindow(panel)) return false;
  void* blob = nullptr;
  LRESULT size = SendMessageA(panel, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&blob));
  std::int32_t n = static_cast<std::int32_t>(size);
  out.clear();
  if (n > 0 && n <= kLayoutMaxBlob && blob) {
    const auto* p = static_cast<const std::uint8_t*>(blob);
    out.assign(p, p + n);
  }
  return true;
}

PanelNode* NewPanelNode(HWND parent, const char* typeName, const char* displayName,
                        const RECT* rect, const void* blob, int blobSize) {
  const PanelType* type = FindPanelType(typeName);
  if (!type) return nullptr;
  auto* node = new PanelNode;
  SetName(node->typeName, sizeof node->typeName, typeName);
  SetName(node->displayName, sizeof node->displayName, displayName);
  node->window = CreatePanelOfType(*type, parent, rect, blob, blobSize);
  if (!node->window) {
    delete node;
    return nullptr;
  }
  node->created = 1;
  QueryPanelSettings(node->window, node->blob);
  return node;
}

PanelNode* NewDetachedPanelNode(const char* typeName, const char* displayName) {
  if (!FindPanelType(typeName)) return nullptr;
  auto* node = new PanelNode;
  SetName(node->typeName, sizeof node->typeName, typeName);
  SetName(node->displayName, sizeof node->displayName, displayName);
  return node;
}

namespace {

// afterNewest: previous's window was the last one made in the parent, just before this one; a new
// child window comes last among its siblings, so this one already follows it.
PanelNode* CreateWindowsAfter(PanelNode* node, PanelNode* parent, PanelNode* previous, bool afterNewest,
                              bool* made) {
  *made = false;
  if (!node) return nullptr;
  if (!node->window) {
    const PanelType* type = FindPanelType(node->typeName);
    RECT empty{};
    HWND window = type && parent && parent->window
                      ? CreatePanelOfType(*type, parent->window, &empty, node->blob.data(),
                                          int(node->blob.size()))
                      : nullptr;
    if (!window) return nullptr;
    node->window = window;
    if (!afterNewest) PlaceAfter(window, previous);
    node->created = 1;
    *made = true;
  }
  PanelNode* before = nullptr;
  bool newest = false;
  for (PanelNode* c = node->child; c; c = c->next) {
    bool made = false;
    CreateWindowsAfter(c, node, before, newest && before && before->window, &made);
    newest = made;
    before = c;
  }
  return node;
}

}  // namespace

PanelNode* CreatePanelWindows(PanelNode* node, PanelNode* parent, PanelNode* previous) {
  bool made = false;
  return CreateWindowsAfter(node, parent, previous, false, &made);
}

void FreePanelSubtree(PanelNode* node, bool withLinks) {
  while (node) {
    PanelNode* next = withLinks ? node->next : nullptr;
    if (withLinks) FreePanelSubtree(node->child, true);
    if (node->created && node->window && IsWindow(node->window)) DestroyWindow(node->window);
    delete node;
    node = next;
  }
}

PanelNode* CopyPanelSubtree(const PanelNode* node, bool deep) {
  PanelNode* head = nullptr;
  PanelNode** tail = &head;
  for (; node; node = node->next) {
    auto* copy = new PanelNode(*node);
    copy->next = nullptr;
    copy->child = deep ? CopyPanelSubtree(node->child, true) : nullptr;
    *tail = copy;
    tail = &copy->next;
    if (!deep) break;
  }
  return head;
}

void ClearPanelWindowRefs(PanelNode* node) {
  for (; node; node = node->next) {
    node->window = nullptr;
    node->created = 0;
    ClearPanelWindowRefs(node->child);
  }
}

void DetachPanelWindows(PanelNode* node) {
  for (; node; node = node->next) {
    DetachPanelWindows(node->child);
    if (node->created && node->window && IsWindow(node->window)) {
      QueryPanelSettings(node->window, node->blob);
      DestroyWindow(node->window);
    }
    node->window = nullptr;
    node->created = 0;
  }
}

PanelNode* FindNodeByWindow(HWND window) {
  if (!window) return nullptr;
  return Search(g_frames, [&](PanelNode* n) { return n->window == window; });
}

PanelNode* FindParentNode(const PanelNode* node) {
  if (!node) return nullptr;
  return Search(g_frames, [&](PanelNode* n) {
    for (PanelNode* c = n->child; c; c = c->next)
      if (c == node) return true;
    return false;
  });
}

PanelNode* FindPreviousSibling(const PanelNode* node) {
  if (!node) return nullptr;
  return Search(g_frames, [&](PanelNode* n) { return n->next == node; });
}

bool IsInSubtree(const PanelNode* root, const PanelNode* node) {
  if (!root || !node) return false;
  if (root == node) return true;
  for (const PanelNode* c = root->child; c; c = c->next)
    if (IsInSubtree(c, node)) return true;
  return false;
}

PanelNode* FindFrameNode(HWND frame) {
  for (PanelNode* n = g_frames; n; n = n->next)
    if (n->window && GetParent(n->window) == frame) return n;
  return nullptr;
}

int CountFrameNodes() {
  int n = 0;
  for (PanelNode* f = g_frames; f; f = f->next) ++n;
  return n;
}

PanelNode* NodesFromLayout(const std::vector<LayoutNode>& list) {
  PanelNode* head = nullptr;
  PanelNode** tail = &head;
  for (const LayoutNode& in : list) {
    auto* node = new PanelNode;
    SetName(node->typeName, sizeof node->typeName, in.typeName.c_str());
    SetName(node->displayName, sizeof node->displayName, in.displayName.c_str());
    node->blob = in.blob;
    node->child = NodesFromLayout(in.children);
    *tail = node;
    tail = &node->next;
  }
  return head;
}

std::vector<LayoutNode> LayoutFromNodes(const PanelNode* first) {
  std::vector<LayoutNode> out;
  for (const PanelNode* node = first; node; node = node->next) {
    LayoutNode copy;
    copy.typeName = node->typeName;
    copy.displayName = node->displayName;
    if (!(node->created && QueryPanelSettings(node->window, copy.blob))) copy.blob = node->blob;
    copy.children = LayoutFromNodes(node->child);
    out.push_back(std::move(copy));
  }
  return out;
}

}  // namespace jqbar
