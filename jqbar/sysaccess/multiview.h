// MultiView: up to 16 virtual screens made by parking the windows of the screens not shown far
// outside the visible desktop. The panel shows a grid of miniatures; a double click, a hot key,
// the keyboard, the context menu or activating a parked window switches screens, and a window
// is dragged between miniatures. All panels share the current screen, the hot keys, the sticky
// programs and the follow-activation switch.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "multiview_settings.h"
#include "panel_types.h"

namespace jqbar {

PanelType* RegisterMultiViewPanelType(HINSTANCE instance);
void FreeMultiViewPanelType();
HWND CreateMultiView(HWND parent, const RECT* rect, const void* blob, int blobSize);

// Whether MultiView moves a window: visible, not a child, not minimised, not the toolbar's own
// frames, the program manager or the taskbar, not an ownerless tool window.
bool IsMultiViewWindow(HWND window);
// Every window parked on a screen of the plane comes back to the visible desktop; the current
// screen becomes 0.
void GatherAllWindows();
int CurrentVirtualScreen();
// Tests share one display with other programs: a scope, when set, limits the windows MultiView
// moves and gathers to those it accepts.
void SetMultiViewWindowScope(std::function<bool(HWND)> scope);
// Switches as a panel's double click does (null panel: the first live one). False when there
// is no panel or the screen is the current one or out of range.
bool SwitchVirtualScreen(HWND panel, int screen);
int LiveMultiViewCount();
// Enables or disables every child of a window (pages of a sheet that are not shown).
void EnableChildWindows(HWND window, bool enable);
// The frame's request to bring the desktop forward when the visible screen is empty.
void ActivateDesktopWindow();
// The executable name of a window's process (on Windows NT its file name without extension, on
// Windows 9x its module name), empty when unknown.
std::string WindowExecutableName(HWND window);
// Two executable names of one program: equal ignoring case, or equal without their extensions.
bool SameProgramName(const std::string& a, const std::string& b);
// The shared sticky list (what the property page edits).
std::vector<StickyProgram>& SharedStickyPrograms();

}  // namespace jqbar
