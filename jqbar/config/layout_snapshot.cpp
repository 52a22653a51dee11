#include "layout_snapshot.h"

#include <optional>
#include <vector>

#include "container_panel.h"
#include "frame_window.h"
#include "panel_messages.h"
#include "panel_types.h"
#include "panel_utils.h"
#include "toolbar_layout.h"

namespace jqbar {
namespace {

std::optional<LayoutFile> g_snapshot;
PanelNode* g_clipboard = nullptr;
constexpr int kMaxHiddenFrames = 39;
std::vector<HWND> g_hiddenFrames;

}  // namespace

void UnlinkPanelNode(PanelNode* node) {
  if (!node) return;
  if (PanelNode* previous = FindPreviousSibling(node)) {
    previous->next = node->next;
  } else if (PanelNode* parent = FindParentNode(node)) {
    parent->child = node->next;
  } else if (FrameList() == node) {
    FrameList() = node->next;
  }
  node->next = nullptr;
}

void LinkPanelNode(PanelNode* node, PanelNode* parent, PanelNode* previous) {
  if (previous) {
    node->next = previous->next;
    previous->next = node;
  } else if (parent) {
    node->next = parent->child;
    parent->child = node;
  } else {
    node->next = FrameList();
    FrameList() = node;
  }
}

void AppendFrameNode(PanelNode* node) {
  node->next = nullptr;
  PanelNode** tail = &FrameList();
  while (*tail) tail = &(*tail)->next;
  *tail = node;
}

PanelNode* FrameNodeOf(const PanelNode* node) {
  for (PanelNode* f = FrameList(); f; f = f->next)
    if (IsInSubtree(f, node)) return f;
  return nullptr;
}

HWND FrameWindowOf(const PanelNode* node) {
  PanelNode* f = FrameNodeOf(node);
  return f && f->window ? GetParent(f->window) : nullptr;
}

void RefreshStoredBlobs(PanelNode* node) {
  if (!node) return;
  if (node->created && node->window) QueryPanelSettings(node->window, node->blob);
  for (PanelNode* c = node->child; c; c = c->next) RefreshStoredBlobs(c);
}

PanelNode* CopyDetachedSubtree(PanelNode* node) {
  if (!node) return nullptr;
  RefreshStoredBlobs(node);
  auto* copy = new PanelNode(*node);
  copy->next = nullptr;
  copy->child = CopyPanelSubtree(node->child, true);
  ClearPanelWindowRefs(copy);
  return copy;
}

HWND CreateFrameForNode(PanelNode* node, bool inTaskbar) {
  if (!node || node->window) return nullptr;
  HWND frame = inTaskbar ? CreateTaskbarFrame(nullptr) : CreateFloatingFrame(nullptr);
  if (!frame) return nullptr;
  RECT client;
  GetClientRect(frame, &client);
  const void* blob = node->blob.empty() ? nullptr : node->blob.data();
  int size = int(node->blob.size());
  HWND container = inTaskbar ? CreateTaskbarContainer(frame, &client, blob, size)
                             : CreateToolbarContainer(frame, &client, blob, size);
  if (!container) {
    DestroyWindow(frame);
    return nullptr;
  }
  node->window = container;
  node->created = 1;
  CreatePanelWindows(node, nullptr, nullptr);
  AttachRootContainer(frame, container, false);
  QueryPanelSettings(container, node->blob);
  RelayoutFrame(frame);
  if (inTaskbar) CallArrangeTaskbar(1);
  return frame;
}

void MoveRootPanel(HWND frame, const RECT& rect) {
  if (HWND root = FrameRootContainer(frame))
    MoveWindow(root, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

bool GetFramePreferredSize(HWND frame, int* width, int* height, bool horizontal) {
  PanelNode* node = FindFrameNode(frame);
  HWND root = FrameRootContainer(frame);
  if (!node || !root) return false;
  LRESULT reply = SendMessageA(root, PNM_GETPREFSIZE, horizontal ? 1 : 0, 0);
  RECT window, client;
  GetWindowRect(frame, &window);
  RECT inner = FrameContainerRect(frame);
  GetClientRect(frame, &client);
  int extraW = (window.right - window.left) - (inner.right - inner.left);
  int extraH = (window.bottom - window.top) - (inner.bottom - inner.top);
  if (width) *width = LowSigned(reply) + extraW;
  if (height) *height = HighSigned(reply) + extraH;
  return true;
}

bool DetachToNewFrame(HWND container) {
  PanelNode* node = FindNodeByWindow(container);
  if (!node || !FindParentNode(node)) return false;
  HWND oldFrame = FrameWindowOf(node);
  RECT r;
  GetClientRect(container, &r);
  MapWindowPoints(container, nullptr, reinterpret_cast<POINT*>(&r), 2);
  UnlinkPanelNode(node);
  DetachPanelWindows(node);
  AppendFrameNode(node);
  if (oldFrame) RelayoutFrame(oldFrame);
  RECT frameRect{r.left + 100, r.top + 100, r.right + 106, r.bottom + 120};
  HWND frame = CreateFloatingFrame(&frameRect);
  if (!frame) return false;
  RECT client;
  GetClientRect(frame, &client);
  HWND root = CreateToolbarContainer(frame, &client, nullptr, 0);
  if (!root) {
    DestroyWindow(frame);
    return false;
  }
  char title[41] = {};
  GetWindowTextA(frame, title, 41);
  SetContainerTitle(root, title);
  node->window = root;
  node->created = 1;
  QueryPanelSettings(root, node->blob);
  // The root keeps the frame where it was made.
  if (ContainerSettings* s = GetContainerSettings(root)) {
    s->floatX = frameRect.left;
    s->floatY = frameRect.top;
  }
  for (PanelNode *c = node->child, *before = nullptr; c; before = c, c = c->next)
    CreatePanelWindows(c, node, before);
  AttachRootContainer(frame, root, false);
  QueryPanelSettings(root, node->blob);
  RelayoutFrame(frame);
  return true;
}

bool MoveIntoFirstFrame(HWND container) {
  PanelNode* node = FindNodeByWindow(container);
  PanelNode* first = FrameList();
  if (!node || !first || node == first || FindParentNode(node) || !first->window) return false;
  HWND oldFrame = GetParent(node->window);
  UnlinkPanelNode(node);
  DetachPanelWindows(node);
  if (IsWindow(oldFrame)) DestroyWindow(oldFrame);
  LinkPanelNode(node, first, nullptr);
  CreatePanelWindows(node, first, nullptr);
  RelayoutFrame(GetParent(first->window));
  return true;
}

void SnapshotLayout() {
  DiscardLayoutSnapshot();
  LayoutFile layout = CurrentLayout();
  int i = 0;
  for (PanelNode* n = FrameList(); n && i < int(kLayoutHiddenFlags); n = n->next, ++i)
    layout.hidden[std::size_t(i)] = n->window && !IsWindowVisible(n->window) ? 1 : 0;
  g_snapshot = std::move(layout);
}

bool HasLayoutSnapshot() { return g_snapshot.has_value(); }

int RestoreLayoutSnapshot() {
  if (FrameList()) {
    if (HWND owner = GetOwnerFrameWindow()) SendMessageA(owner, PNM_CLOSELAYOUT, 0, 0);
    else CloseLayout();
  }
  if (!g_snapshot) return 0;
  LayoutFile layout = std::move(*g_snapshot);
  g_snapshot.reset();
  ApplyToolbarLayout(layout);
  return 1;
}

void DiscardLayoutSnapshot() { g_snapshot.reset(); }

void DiscardLayout() {
  CloseLayout();
  DiscardLayoutSnapshot();
  ClearPanelClipboard();
}

void SetPanelClipboard(PanelNode* node) {
  if (!node) return;
  PanelNode* copy = CopyDetachedSubtree(node);
  ClearPanelClipboard();
  g_clipboard = copy;
}

bool HasPanelClipboard() { return g_clipboard != nullptr; }
const PanelNode* GetPanelClipboard() { return g_clipboard; }

PanelNode* CopyFromPanelClipboard() {
  if (!g_clipboard) return nullptr;
  auto* copy = new PanelNode(*g_clipboard);
  copy->next = nullptr;
  copy->child = CopyPanelSubtree(g_clipboard->child, true);
  ClearPanelWindowRefs(copy);
  return copy;
}

void ClearPanelClipboard() {
  FreePanelSubtree(g_clipboard, true);
  g_clipboard = nullptr;
}

void HideFloatingFrames() {
  for (PanelNode* n = FrameList(); n; n = n->next) {
    if (!n->window) continue;
    HWND frame = GetParent(n->window);
    if (!IsWindowVisible(frame) || IsInsideTaskbar(n->window)) continue;
    if (int(g_hiddenFrames.size()) >= kMaxHiddenFrames) break;  // the rest stay shown
    ShowWindow(frame, SW_HIDE);
    g_hiddenFrames.push_back(frame);
  }
}

int RestoreHiddenFrames() {
  int count = int(g_hiddenFrames.size());
  for (HWND frame : g_hiddenFrames)
    if (IsWindow(frame)) ShowWindow(frame, SW_SHOWNA);
  g_hiddenFrames.clear();
  return count;
}

}  // namespace jqbar
