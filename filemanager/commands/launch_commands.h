// The launch bar's commands and the list edits its customise dialog makes.
#pragma once
#include <windows.h>
#include "launch_buttons.h"

// Moves the button at `from` to `to` (the target's index): dragged below its place it lands
// after the target, dragged above it lands before the target. False for bad indexes.
bool MoveLaunchButtonInList(int from, int to);
// Inserts after the button at `index`, or appends when `index` is not a button; answers the
// new button's index.
int InsertLaunchButtonAfter(int index, LaunchButton* button);
// Removes and frees the button at `index`.
void DeleteLaunchButtonAt(int index);
// Dialog 352 on a record; 1 when confirmed (the record then holds the new values).
int RunButtonPropertiesDialog(HWND owner, LaunchButton* button);
// Runs the launch-bar button of command `id` (48500 + index); 1 when it was started.
int RunLaunchBarButton(HWND window, UINT id);
