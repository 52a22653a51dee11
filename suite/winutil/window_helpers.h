// Window helpers that every program of the suite shares: centring a window, loading strings,
// starting the common controls, and the cut marks of a list view. None shows a message.
#pragma once
#include <windows.h>
#include <string>
#include <commctrl.h>

// Centres the window over the reference window (the screen when there is none), kept on the
// screen; its size and z-order stay.
void CenterWindowOver(HWND window, HWND reference);
// Centres the window on the primary screen ((screen - window) / 2 in each direction); its size,
// z-order and activation stay.
void CenterWindowOnScreen(HWND window);
// The position CenterWindowOver uses: window size, reference rectangle, screen size.
POINT CenterPosition(SIZE window, const RECT& reference, SIZE screen);

// String `id` of the module into the buffer (always terminated; empty when the string is
// missing). Returns the length copied.
int LoadStringText(HINSTANCE module, UINT id, char* buffer, int size);

// InitCommonControlsEx (size 8, classes 0x4FF) when COMCTL32 has it, found at run time (returns
// 1), else InitCommonControls (returns 0).
int InitCommonControlsCompat();

// Removes the LVIS_CUT state from every item of the list view.
void ClearCutMarks(HWND list);
// Sets the LVIS_CUT state on every selected item of the list view.
void MarkSelectionCut(HWND list);

// The state picture index (TVIS_STATEIMAGEMASK >> 12) of a tree-view item, and setting it.
int TreeStateImage(HWND tree, HTREEITEM item);
void SetTreeStateImage(HWND tree, HTREEITEM item, int state);

// The value of the running file's version block by name, from the "040904E4" table, or else from
// the table of the first translation the block lists in the user's language, or its first one.
std::string VersionBlockValue(const void* block, const char* name);
// Each static from firstId to lastId whose text names a version value shows that value instead.
void FillFromVersionBlock(HWND dialog, int firstId, int lastId);
