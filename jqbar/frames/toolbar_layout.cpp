#include "toolbar_layout.h"

#include "container_panel.h"
#include "frame_window.h"
#include "panel_types.h"
#include "panel_utils.h"

namespace jqbar {
namespace {

std::array<std::uint8_t, kLayoutHiddenFlags> g_hidden{};
std::int32_t g_taskbarWidth = 0, g_taskbarHeight = 0;
void (*g_layoutChanged)() = nullptr;

bool Known(const std::string& name) { return FindPanelType(name.c_str()) != nullptr; }

// Where the settings of a frame's node put it when it floats; false for a docked frame (docking
// places it) or settings that do not read.
bool FloatingPlace(const std::vector<std::uint8_t>& blob, RECT* place) {
  ContainerSettings s = DefaultContainerSettings(ContainerKind::toolbar);
  std::string path;
  if (blob.empty() || !ReadContainerBlob(blob.data(), int(blob.size()), s, path)) return false;
  if (s.frameStyle != 0 && s.frameStyle != 3) return false;
  *place = FloatingFrameRect(s);
  return true;
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
  return n && n < MAX_PATH ? std::string(full) : path;
}

}  // namespace

LayoutHistory& RecentLayouts() {
  static LayoutHistory history;
  return history;
}

std::string CurrentLayoutPath() {
  const std::string& recent = RecentLayouts().Entry(0);
  return recent.empty() ? std::string("JQBar.jqc") : recent;
}

bool IsToolbarLayoutFile(const std::string& path) { return !path.empty() && IsLayoutFile(path); }

std::optional<LayoutFile> ReadToolbarLayout(const std::string& path) {
  return ReadLayoutFile(path, Known);
}

LayoutFile CurrentLayout() {
  LayoutFile layout;
  layout.tooltips = Globals().tooltips;
  layout.shiftForPopup = Globals().shiftForPopup;
  layout.noDropShadow = Globals().noDropShadow;
  int i = 0;
  for (PanelNode* n = FrameList(); n; n = n->next, ++i) {
    // Flags past the fortieth frame have no place in the file; those frames load shown.
    if (i < int(kLayoutHiddenFlags))
      layout.hidden[std::size_t(i)] = n->window && !IsWindowVisible(GetParent(n->window)) ? 1 : 0;
    if (n->window && IsInsideTaskbar(n->window) && !layout.taskbarWidth) {
      RECT c;
      GetClientRect(GetParent(n->window), &c);
      HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
      RECT t{};
      if (tray) GetClientRect(tray, &t);
      ContainerSettings* s = GetContainerSettings(n->window);
      if (s) {
        if (t.right > t.bottom) s->dockedWidth = c.right;
        else s->dockedHeight = c.bottom;
        g_taskbarWidth = s->dockedWidth;
        g_taskbarHeight = s->dockedHeight;
      }
    }
  }
  layout.taskbarWidth = g_taskbarWidth;
  layout.taskbarHeight = g_taskbarHeight;
  layout.frames = LayoutFromNodes(FrameList());
  return layout;
}

bool SaveToolbarLayout(const std::string& path) {
  std::string file = path.empty() ? CurrentLayoutPath() : path;
  if (!FrameList()) return false;
  if (!WriteLayoutFile(file, CurrentLayout())) return false;
  RecentLayouts().Add(FullPath(file));
  if (g_layoutChanged) g_layoutChanged();
  return true;
}

void ApplyToolbarLayout(const LayoutFile& layout) {
  if (FrameList()) CloseLayout();
  Globals().tooltips = layout.tooltips;
  Globals().shiftForPopup = layout.shiftForPopup;
  Globals().noDropShadow = layout.noDropShadow;
  g_hidden = layout.hidden;
  g_taskbarWidth = layout.taskbarWidth;
  g_taskbarHeight = layout.taskbarHeight;
  Globals().layoutLoading = true;
  FrameList() = NodesFromLayout(layout.frames);
  bool taskbar = false;
  int i = 0;
  for (PanelNode* node = FrameList(); node; node = node->next, ++i) {
    bool inTaskbar = lstrcmpA(node->typeName, "Taskbar Toolbar") == 0;
    // A floating frame is made at its place: moving a top-level window there afterwards costs a
    // round of messages and server requests.
    RECT place{};
    bool placed = !inTaskbar && FloatingPlace(node->blob, &place);
    HWND frame = inTaskbar ? CreateTaskbarFrame(nullptr) : CreateFloatingFrame(placed ? &place : nullptr);
    if (!frame) continue;
    RECT client;
    GetClientRect(frame, &client);
    HWND container = inTaskbar
        ? CreateTaskbarContainer(frame, &client, node->blob.data(), int(node->blob.size()))
        : CreateToolbarContainer(frame, &client, node->blob.data(), int(node->blob.size()));
    if (!container) {
      DestroyWindow(frame);
      continue;
    }
    node->window = container;
    node->created = 1;
    CreatePanelWindows(node, nullptr, nullptr);
    bool hidden = i < int(kLayoutHiddenFlags) && static_cast<std::int8_t>(g_hidden[std::size_t(i)]) != 0;
    AttachRootContainer(frame, container, hidden && !inTaskbar);
    taskbar = taskbar || inTaskbar;
  }
  for (PanelNode* n = FrameList(); n; n = n->next)
    if (n->window && !IsInsideTaskbar(n->window)) {
      // Laid out first: fitting the frame to its panels places its buttons for the final size.
      RelayoutFrame(GetParent(n->window));
      PlaceFrameButtons(GetParent(n->window));
      ShowPendingFrame(GetParent(n->window));
    }
  Globals().layoutLoading = false;
  // Every node's stored settings as its panel now has them.
  for (PanelNode* n = FrameList(); n; n = n->next)
    if (n->window) QueryPanelSettings(n->window, n->blob);
  if (taskbar) CallArrangeTaskbar(1);
}

bool LoadToolbarLayout(const std::string& path, bool allowDefault) {
  std::string file = path;
  if (file.empty()) {
    for (int i = 0; i < LayoutHistory::kSlots && file.empty(); ++i)
      if (IsToolbarLayoutFile(RecentLayouts().Entry(i))) file = RecentLayouts().Entry(i);
    if (file.empty()) {
      if (!allowDefault) return false;
      file = "JQBar.jqc";
    }
  }
  std::optional<LayoutFile> layout = ReadToolbarLayout(file);
  if (!layout) return false;
  ApplyToolbarLayout(*layout);
  RecentLayouts().Add(FullPath(file));
  if (g_layoutChanged) g_layoutChanged();
  return FrameList() != nullptr;
}

void SetLayoutChangedHandler(void (*changed)()) { g_layoutChanged = changed; }

}  // namespace jqbar
