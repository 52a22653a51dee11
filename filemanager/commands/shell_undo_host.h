// A hidden shell view of the desktop, hosted in a minimal shell browser of our own, so that the
// program can read and run the shell's Undo of its last file operation (command 28699 of the
// view's Edit menu).
#pragma once
#include <windows.h>
#include <shlobj.h>

constexpr UINT kShellUndoCommand = 28699;

// At main window creation; 1 when the hidden view exists.
UINT CreateHiddenShellView(HWND window, IShellFolder* folder);
void DestroyHiddenShellView();
// The Undo item's text (at most 100 bytes with its NUL) into `buffer`; 1 when the item is
// enabled, 0 when it is not or there is none ("&Undo (default)" then stays in the buffer).
UINT GetShellUndoText(char* buffer);
// Sends the view its Undo command.
void InvokeShellUndo();
// The browser object's answer to QueryInterface (for tests); null while there is no host.
IShellBrowser* ShellUndoBrowser();
