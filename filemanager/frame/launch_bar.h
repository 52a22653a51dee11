// The launch bar: a toolbar of small program buttons (control 111), its own row or a band of the
// coolbar. Its buttons are the records of launch_buttons.h, stored as "Launchbar Settings";
// without a stored value (or with one that does not read back) the default set is built from
// the programs found on the machine.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <string>
#include <vector>
#include "launch_buttons.h"

constexpr const char* kLaunchBarValue = "Launchbar Settings";
constexpr UINT kFirstLaunchCommand = 48500;

// Creates the bar in `parent`, loads the buttons and records its height; null (height 0) when
// the window cannot be made.
HWND CreateLaunchBar(HWND parent);
// Destroys and re-creates the bar at the same place with the buttons of the list.
void RebuildLaunchBar();
// Called with the new bar each time RebuildLaunchBar makes it again (the program registers the
// bar's drop target there); may be null.
extern void (*g_launchBarRecreated)(HWND bar);
// Reads "Launchbar Settings" into the list (the default set when it is missing or damaged) and
// adds the buttons to the bar.
void LoadLaunchButtons();
// Writes "Launchbar Settings" from the list.
void SaveLaunchButtons();
// At the main window's destruction: saves, frees the list and the image strip.
void SaveAndFreeLaunchBar();
// Builds the default set into the list (freeing an old one): the candidates found on the disk,
// each put in front, so the bar shows them in the reverse of the candidates' order.
void BuildDefaultLaunchButtons();
// The 16x16 icon of a button: from the command's item, or from icon file and index when the
// custom flag is set; the shared default icon when that fails; null for a null command.
HICON LoadLaunchButtonIcon(const char* command, const char* iconFile, int iconIndex, uint32_t custom);
HICON SharedLaunchIcon();
// A copy of a record (strings copied, icon loaded anew), next null.
LaunchButton* CopyLaunchButton(const LaunchButton* button);
// Makes a record from a shortcut file; null when it does not resolve to a path.
LaunchButton* LaunchButtonFromShortcut(const char* lnkPath);
// Appends buttons for dropped paths: a ".lnk" becomes a button for its target, anything else a
// button for the path; then rebuilds and saves. A path that gave no button makes the English
// message box. Answers 1 when the paths were taken (even with failures), 0 for no data.
int AddDroppedLaunchPaths(const std::vector<std::string>& paths);
// The same from a data object's CF_HDROP; 0 when it has none.
int AddDroppedLaunchButtons(IDataObject* data);
// A click on the bar (from NM_CLICK): two clicks on the bar within the double-click time, the
// second on the empty part, post WM_COMMAND 40132 to `window`.
void HandleLaunchBarBackgroundClick(HWND window);
// The tooltip text of a launch-bar command: the button's label. FALSE for other ids.
BOOL GetLaunchButtonTip(UINT id, char* buffer, int size);
// The record of a launch-bar command id (through the bar's button index); null when none.
LaunchButton* LaunchButtonOfCommand(UINT id);
// The launch bar's buttons drawn flat (the toolbar's floating-icon look) or raised.
void SetLaunchBarFlat(HWND bar, BOOL flat);
