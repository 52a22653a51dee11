#include "pane_host.h"

HWND PaneLastFocus() {
  HWND* focus = GetPaneHost().lastFocus;
  return focus ? *focus : nullptr;
}

void SetPaneLastFocus(HWND control) {
  if (HWND* focus = GetPaneHost().lastFocus) *focus = control;
}

BOOL PaneHostClosing() {
  const UINT* closing = GetPaneHost().closing;
  return closing && *closing;
}

HWND PaneStatusBar() {
  auto get = GetPaneHost().statusBar;
  return get ? get() : nullptr;
}

BOOL PaneViewerVisible() {
  auto get = GetPaneHost().viewerVisible;
  return get ? get() : FALSE;
}

void ClearPaneViewer() {
  if (auto clear = GetPaneHost().clearViewer) clear();
}

void UpdatePaneCommandStates() {
  if (auto update = GetPaneHost().updateCommandStates) update();
}

void NotePaneTreeSelection(int pane, LPCITEMIDLIST absolute) {
  if (auto note = GetPaneHost().noteTreeSelection) note(pane, absolute);
}
