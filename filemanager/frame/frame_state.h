// The main window's frame: the handles of its children other than the panes' own windows, the
// values the layout measures, and the state shared by the window procedure, creation and
// destruction. One record for the whole program; zero until the main window is created.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Control ids of the main window's children.
enum : int {
  kStatusBarId = 102,
  kToolbarId = 103,
  kDriveBarId = 106,
  kLaunchBarId = 111,
  kAddressTreeId = 113,
};

struct MainFrame {
  // Bars. A bar that is not built is null; the layout and the handlers skip it.
  HWND toolbar, driveBar, launchBar, statusBar;
  HWND commandLineBar, commandLineCombo, commandLineEdit;
  HWND addressCombo, addressTree;  // the address combo and its drop-down picker tree
  HWND coolbar;
  HWND viewer[2];            // the viewer pane's two windows
  HWND viewerButton;         // its options button
  HWND viewerFrame;          // the detached viewer's frame window
  HWND archiveCancelButton;  // the Cancel button over the status bar during archive work
  // Measured heights of the bars (window height as the layout uses it).
  int toolbarHeight, driveBarHeight, launchBarHeight, statusBarHeight, commandLineHeight;
  BOOL toolbarWraps, driveBarWraps, launchBarWraps;
  BOOL barsInCoolbar;  // the bars live in the coolbar (resizable toolbar option)
  // Edge metrics (2 when the system reports 0).
  int edgeX, edgeY;
  HFONT barFont;
  HFONT listFont;
  BOOL ownsListFont;
  BOOL commonControlsEx;    // InitCommonControlsEx was used
  BOOL commonControls580;   // comctl32 5.80 or later
  IShellFolder* desktop;
  HWND lastFocus;           // the pane control that last had the keyboard focus
  UINT closing;             // set at WM_DESTROY: pane notifications are ignored from then on
  int statusPartWidth;      // width of one status-bar part
};
extern MainFrame g_frame;

// Height of a pane title bar while two panes are shown.
constexpr int kTitlebarHeight = 17;
// Thickness of the gaps between the panes' windows (the splitters).
constexpr int kSplitterSize = 3;
