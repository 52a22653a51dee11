// The main window's client area: bars at the top, status bar and command line at the bottom,
// the viewer, and one or two panes, each a title bar over a folder tree and a file list. The
// gaps between the children are the splitters, dragged with an inverted bar drawn on the
// window.
#pragma once
#include <windows.h>

// Where the parts of one pane go (client coordinates of the main window). A part with zero
// width or height is not shown.
struct PaneRects {
  RECT titlebar, tree, list;
};
struct PaneLayoutInput {
  RECT area;            // the panes' share of the client area
  BOOL twoPanes;
  BOOL stacked;         // two panes one above the other
  float ratio;          // share of the first pane
  BOOL treeShown[2], listShown[2];
  int treeWidth[2];
};
// The layout of the panes in an area; pure arithmetic.
void ComputePaneLayout(const PaneLayoutInput& input, PaneRects (&panes)[2]);

void RelayoutMainWindow(HWND window, BOOL invalidate);
void LayoutMainWindow(HWND window, UINT message, UINT sizeKind, int width, int height,
                      BOOL invalidate);

// Splitter drag, from the main window's mouse messages (client coordinates).
void BeginSplitterDrag(HWND window, UINT message, WPARAM wParam, POINT point);
void TrackSplitterDrag(HWND window, UINT message, WPARAM wParam, POINT point);
void EndSplitterDrag(HWND window, UINT message, WPARAM wParam, POINT point);
void CancelSplitterDrag(HWND window);
// The splitter mode at a point: 0 none, 1 above a viewer docked below, 2 between stacked panes,
// 3 between side-by-side panes, 4 between a tree and its list, 5 left of a viewer docked right.
int SplitterModeAt(HWND window, POINT point, int* pane);
BOOL IsPointOverSecondTree(POINT point);

// Pane title bars.
HWND CreatePaneTitlebar(HWND parent, int pane);
LRESULT CALLBACK PaneTitlebarWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintPaneTitlebar(HWND titlebar);
void UpdatePaneTitlebars();

// Pane layout commands: 40115 one pane, 40116 two stacked, 40117 two side by side.
void SetPaneLayout(UINT id, BOOL refresh);
void UpdatePaneLayoutButtons();
