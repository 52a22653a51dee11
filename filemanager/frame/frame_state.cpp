#include "frame_state.h"
#include "pane_host.h"

MainFrame g_frame;

namespace {
HWND FrameStatusBar() { return g_frame.statusBar; }

BOOL FrameViewerVisible() {
  return (g_frame.viewer[0] && IsWindowVisible(g_frame.viewer[0])) ||
         (g_frame.viewer[1] && IsWindowVisible(g_frame.viewer[1]));
}

// The frame's entries of the panes' host table, filled when the frame is part of the program.
struct FrameHostInstaller {
  FrameHostInstaller() {
    PaneWindowServices& host = GetPaneHost();
    host.lastFocus = &g_frame.lastFocus;
    host.closing = &g_frame.closing;
    host.statusBar = FrameStatusBar;
    host.viewerVisible = FrameViewerVisible;
  }
} g_frameHostInstaller;
}  // namespace
