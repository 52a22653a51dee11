// The Send To menu's own services beyond tree_drag_drop.h.
#pragma once
#include <windows.h>

// Builds the menu from `folder` instead of the user's Send To folder (null: back to the user's).
void SetSendToFolderOverride(const char* folder);
// Number of command entries (not submenus) of the current menu.
int SendToEntryCount();
