// The button bar (type "QuickLaunch", window class "JQButtonBar"): launch buttons in up to ten
// groups, laid out in a grid that fills the panel, with group tabs, scroll arrows, tooltips,
// keyboard mode and hot keys. Other panels that need a bar of buttons of their own (the System
// Access panel) make one with CreateButtonBar and work on it through ButtonBarOf and the
// functions below.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "button_bar_data.h"
#include "panel_types.h"

namespace jqbar {

inline constexpr int kMaxLayoutLines = 20;
inline constexpr int kMaxLayoutRows = 50;

struct ButtonBarInstance {
  ButtonBarSettings settings;
  HWND window = nullptr;
  HWND tooltip = nullptr;
  std::int16_t linePos[kMaxLayoutLines] = {}, lineSize[kMaxLayoutLines] = {};
  std::int16_t rowPos[kMaxLayoutRows] = {}, rowSize[kMaxLayoutRows] = {};
  HIMAGELIST smallList = nullptr, largeList = nullptr;
  IDropTarget* dropTarget = nullptr;
  bool keyMode = false;
  int focusIndex = 0;
  // Layout results kept for painting and hit tests.
  bool horizontal = true;
  int rowsNeeded = 1;  // after the cut to the row limit
  int rowsAll = 1;     // before it
};

// Registers the class and the type (called through the built-in type chain).
PanelType* RegisterButtonBarPanelType(HINSTANCE instance);
// The type's create entry: a new bar without a blob, else the bar of the blob. Null when the
// window cannot be made.
HWND CreateButtonBar(HWND parent, const RECT* rect, const void* blob, int blobSize);
// The same, but a new bar starts with style 1.
HWND RecreateButtonBar(HWND parent, const RECT* rect, const void* blob, int blobSize);
void FreeButtonBarType();

ButtonBarInstance* ButtonBarOf(HWND bar);

// The blob of the bar (its groups and buttons).
std::vector<std::uint8_t> SaveButtonBarSettings(const ButtonBarInstance* bar);
// Replaces the bar's groups and buttons with those of the blob; a blob that does not read is
// refused and the bar keeps what it had (false).
bool LoadButtonBarSettings(ButtonBarInstance* bar, const void* blob, int blobSize);

// Inserts before `before` in the current group, or appends when it is null or not found.
void InsertButton(ButtonBarInstance* bar, ButtonRecord* button, ButtonRecord* before);
// Unlinks the button from whichever group holds it (not freed).
void RemoveButton(ButtonBarInstance* bar, ButtonRecord* button);
void LoadButtonIcons(ButtonBarInstance* bar);
void AutoArrangeColumns(ButtonBarInstance* bar, int width, int height, bool horizontal);
void LayoutButtons(ButtonBarInstance* bar, int width, int height);
void RefreshButtonTooltips(ButtonBarInstance* bar);
// Lay out again (auto-arranging first when on), tell the container and repaint.
void RelayoutButtonBar(ButtonBarInstance* bar, bool tellContainer, LPARAM relayout);

// The grid cell and the drawn (hit-test) rectangle of the button at list position `position`
// of the current group; false when its row is not visible.
bool ButtonCell(const ButtonBarInstance* bar, int position, RECT* cell, RECT* drawn);
// The button under a client point (reduced rectangles, exclusive edges), or null.
ButtonRecord* ButtonAtPoint(const ButtonBarInstance* bar, POINT point, int* position = nullptr);
// The group tab under a client point, -1 when none.
int TabAtPoint(const ButtonBarInstance* bar, POINT point);
ButtonRecord* ButtonAtPosition(const ButtonBarInstance* bar, int position);

// Starts a button as a click, Enter or a hot key does.
enum class LaunchHow { click, enter, hotKey };
void LaunchButton(ButtonBarInstance* bar, ButtonRecord* button, POINT screen, LaunchHow how);
// A System Access bar (a group of kind 30) gets its actions, pictures and menu items from the
// panel that made it: the runner starts an action (a click, Enter or a hot key, with the screen
// point), the menu hook adds that panel's items to the bar's context menu and the command hook
// runs them (true when the id was one of its own). New settings set on such a bar go through
// the settings hook (after they are loaded), and its property sheet comes from the page hook.
// Set once by that panel; null = none.
struct SystemAccessHooks {
  void (*runAction)(ButtonBarInstance* bar, ButtonRecord* button, POINT screen) = nullptr;
  void (*loadIcons)(ButtonBarInstance* bar, ButtonRecord* button) = nullptr;
  void (*addMenuItems)(ButtonBarInstance* bar, HMENU menu) = nullptr;
  bool (*runCommand)(ButtonBarInstance* bar, UINT id) = nullptr;
  void (*settingsSet)(ButtonBarInstance* bar) = nullptr;
  HWND (*createPage)(ButtonBarInstance* bar, HWND parent, int x, int y) = nullptr;
};
void SetSystemAccessHooks(const SystemAccessHooks& hooks);
const SystemAccessHooks& GetSystemAccessHooks();

// Scrolls one row back (-1) or forward (+1) when possible; true when it moved.
bool ScrollButtonRows(ButtonBarInstance* bar, int direction);

// Offers every button's hot key to the container (clearing those refused) after removing all.
void RegisterButtonHotKeys(ButtonBarInstance* bar);
std::uint16_t NextFreeHotKeyId(const ButtonBarInstance* bar);

// The shell's item id list of a typed path (blanks and tabs skipped, at most 400 characters);
// null when it does not parse. `folder` null is the desktop.
LPITEMIDLIST ParseItemPath(IShellFolder* folder, const char* text);

// Kinds 2..6: the buttons of the current group follow the items of its shell folder.
void SyncSpecialFolderGroup(ButtonBarInstance* bar);

// Cell sizes of a style (the nominal cell and the drawn limit).
SIZE ButtonCellSize(int style);
SIZE ButtonDrawLimit(int style);

}  // namespace jqbar
