// Bar frames: the top-level windows of class "Quorvanel" that carry one root container each.
// Floating frames have their own caption strip with five caption buttons and one small round
// button per other frame; docked and auto-hide frames sit at a screen edge.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

#include "panel_tree.h"

namespace jqbar {

struct ContainerSettings;

inline constexpr char kFrameClass[] = "Quorvanel";
inline constexpr int kMaxFrameButtons = 20;
inline constexpr UINT_PTR kFrameTimer = 2525;

struct FrameButton {
  HWND target;
  HWND button;
  int colour;
  int shown;
  WNDPROC previous;
  HWND tooltip;
};

struct FrameState {
  int bound;
  int appBarRegistered;
  int active;
  HWND captionButtons[5];  // 412, 410, 409, 411, 413
  ContainerSettings* settings;
  HWND tooltip;
  int horizontal;
  int number;
  int sizeMoving;
  RECT lastRect;
  int appBarUpdating;
  HWND window;
  std::vector<FrameButton> buttons;
  int contextHelp;
  int shown;
  int inTaskbar;
  int fitting;
  int hiddenAway;  // auto-hide: slid off the edge
  int showPending;  // a floating frame of a layout being built: shown once laid out
  HWND root;        // the root container last found (FrameRootContainer checks it)
  int userSizing;   // the user drags an edge of a floating frame (WM_SIZING seen)
};

bool RegisterFrameClass(HINSTANCE instance);
LRESULT CALLBACK FrameWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp);
FrameState* GetFrameState(HWND frame);
bool IsFrameWindow(HWND window);
int FrameCount();

HWND CreateFloatingFrame(const RECT* rect);
HWND CreateTaskbarFrame(const RECT* rect);
int NextFrameNumber();
void AttachRootContainer(HWND frame, HWND container, bool hidden);
void ApplyFrameSettings(HWND frame);
// Where a floating frame with these settings stands (at least 40 x 30).
RECT FloatingFrameRect(const ContainerSettings& s);
void SetFrameOnTop(HWND frame, bool on);
void SetFrameTooltips(bool on);
HWND FrameRootContainer(HWND frame);
// The client rectangle the root container gets, after the chrome.
RECT FrameContainerRect(HWND frame);

void AddFrameButtons(HWND frame, int colour);
void RemoveFrameButtons(HWND frame);
void MarkFrameHidden(HWND frame, bool hidden);
void SetFrameButtonColour(HWND frame, int colour);
int FirstFreeColour();

// Sizes the frame around its root container's size.
void FitFrameToContainer(HWND frame);
void FitFrameToRoot(HWND frame);
void RelayoutFrame(HWND frame);
// Places the caption and frame buttons for the frame's size (done once per frame after a
// layout is built).
void PlaceFrameButtons(HWND frame);
// Shows a frame whose showing waited for the end of the layout's build.
void ShowPendingFrame(HWND frame);
void RelayoutAllFrames();
void ShowFrame(HWND frame);
void HideFrame(HWND frame);

// Chrome widths around the root container (left, top, right, bottom) for a client rectangle.
RECT FrameInsets(HWND frame, const RECT& client);

// Docking and auto-hide (frame_docking.cpp).
void ChangeFrameStyle(HWND frame, int newStyle, int oldStyle, const RECT* finalRect,
                      const RECT* startRect, int newEdge, int oldEdge);
bool SetAppBarRegistered(HWND frame, bool on);
void DockAppBar(int edge, const RECT* rect, HWND frame);
void PlaceAutoHideFrame(HWND frame);
bool AutoHideWanted(HWND frame);
void RevealAutoHideFrame(HWND frame);
void AutoHideTick(HWND frame);
// The frame's preferred outer size across its edge (docked thickness).
int PreferredThickness(HWND frame, int edge);
void FitDockedFrame(HWND frame);
// Drag handling; true when the message was handled.
bool HandleFrameDrag(HWND frame, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
void HandleAppBarNotify(HWND frame, WPARAM code, LPARAM data);
// Where the desktop's icons are: the work rectangle of auto-hide bars (the screen without one).
RECT DesktopWorkRect();

// The zoom of a frame being hidden into the notification area, and of the configuration
// dialog's page to the selected panel: an XOR rectangle of 4-pixel sides drawn on the screen,
// moved by linear interpolation for the given time (at most kMaxZoomSteps steps), each step
// erasing the one before; the screen is left as it was. Returns the steps taken.
inline constexpr int kMaxZoomSteps = 10000;
inline constexpr int kHideZoomMilliseconds = 500;
int ZoomAnimation(const RECT& from, const RECT& to, HBRUSH brush, int milliseconds);
void DrawZoomRect(const RECT& rect, HBRUSH brush);
// An 8 x 8 pattern brush of alternating pixels (rows 0xAA, 0x55, ... or 0x55, 0xAA, ...).
HBRUSH CreateHalftonePatternBrush(bool aaFirst);
// Command 410: zooms from the frame to the taskbar's notification area; false (nothing drawn)
// without "Shell_TrayWnd" and its "TrayNotifyWnd", or for a hidden or taskbar frame.
bool ZoomFrameToTray(HWND frame);

// Right-click menu of a container: 458 (Properties) or 0.
WPARAM ShowContainerMenu(HWND container, LPARAM point);

// Frames that are not in the taskbar, for the tray menu.
struct FloatingFrameEntry {
  HWND frame;
  char title[80];
};
const std::vector<FloatingFrameEntry>& FloatingFrames();

// Destroys every frame (last first) and frees the tree; the program keeps running.
void CloseLayout();
bool ClosingLayout();
void DestroyAllFrames();

// Hooks of the layers above: opening the configuration dialog at a panel, and the undo
// record of a panel's changed settings.
void SetOpenConfigHandler(void (*open)(HWND owner, HWND panel));
void SetPanelChangedHandler(void (*changed)(PanelNode* node, const std::vector<std::uint8_t>& oldBlob));
void NotifyPanelChanged(PanelNode* node, const std::vector<std::uint8_t>& oldBlob);
// Called when the last frame is gone outside a layout switch (the program ends).
void SetLastFrameHandler(void (*last)());
// Gives the foreground to the desktop before a frame hides (MultiView decides when).
void SetActivateDesktopHandler(void (*activate)());
void ActivateDesktopBeforeHiding();

}  // namespace jqbar
