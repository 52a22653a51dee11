// The registry keys of a history write: a parent key opened with read, create-subkey and
// set-value access and a child created under it with full access, both held until
// CloseHistoryKeys. One pair for the process; the GUI thread uses it.
#pragma once
#include <windows.h>

// Closes any keys still held, opens root\path and creates or opens `subkey` under it. HKCU and
// HKLM stand for the settings roots of the seams. When the path cannot be opened nothing is
// held; when the subkey cannot be created the parent is closed and nothing is held. 1 when both
// keys are held.
int OpenRegKeyAndCreateSubkey(HKEY root, const char* path, const char* subkey);
// Writes the text as REG_SZ including its NUL into the held child key; nothing when no child
// is held. Failures are not reported.
void WriteHistoryString(const char* valueName, const char* text);
// Closes the two held keys and forgets them.
void CloseHistoryKeys();
