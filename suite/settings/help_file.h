// The suite's help file: its path in the install folder, and WinHelp on it.
#pragma once
#include <windows.h>
#include <cstddef>

// The help file's path: the install folder and "Quorvnel.hlp".
void GetHelpFilePath(char* buffer, size_t size);
// WinHelp on the help file; id 0 = contents. Remembers whether the call succeeded.
void ShowHelpTopic(HWND owner, UINT contextId);
// Closes the help file at exit when it was opened.
void QuitHelp(HWND owner);
// Forgets that the help file was opened (QuitHelp then does nothing).
void ForgetHelpOpened();
