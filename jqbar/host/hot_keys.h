// The process-wide hot-key table: panels and frames register a key with modifiers; keystrokes
// from the keyboard hook are matched against it and the owners get PNM_HOTKEY.
#pragma once
#include <windows.h>
#include <functional>
#include "panel_messages.h"

namespace jqbar {

inline constexpr int kMaxHotKeys = 100;

// 0 when a row with the same key and modifiers exists, when the key is 0, or when the table is
// full; else the entry is appended and 1 returned.
int RegisterHotKeyEntry(const HotKeyEntry& entry);
int AddHotKey(HWND owner, int id, int modifiers, int key);
// Every row of the owner with that id, or all of its rows for id 0.
void RemoveHotKeys(HWND owner, int id);
// Sends PNM_HOTKEY to every row whose key matches and whose modifiers equal ALT (from the
// keystroke) plus SHIFT and CTRL as they are now; returns the number of rows notified.
int DispatchHotKey(int key, bool alt);
int HotKeyCount();
void ClearHotKeys();

// Where SHIFT and CTRL are read; a test puts its own answer in place.
void SetKeyStateReader(std::function<bool(int virtualKey)> reader);

}  // namespace jqbar
