// What the shell side asks of the main window and the size tree pane. The main window puts its
// own answers in place at start-up (SetShellHostHooks); without them the answers are found
// through the windows' control ids: the pane dialog is the main window's child holding tree 1000.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <functional>

struct ShellHostHooks {
  std::function<HWND(HWND owner)> tree;            // the main size tree
  std::function<HWND(HWND owner)> treeDialog;      // the pane dialog holding it
  std::function<BOOL()> filePaneShown;
  std::function<BOOL(HWND owner, LPCITEMIDLIST absolute)> selectIdList;  // tree selects folder
  std::function<BOOL()> scanRunning;               // any drive or folder scan running
  std::function<void(HWND owner, UINT topic)> showHelp;  // a topic of the program's help
};

// Installs the hooks (empty members keep the built-in answers) and returns the previous ones.
ShellHostHooks SetShellHostHooks(ShellHostHooks hooks);

HWND ShellHostTree(HWND owner);
HWND ShellHostTreeDialog(HWND owner);
BOOL ShellHostFilePaneShown();
BOOL ShellHostTreeHasFocus(HWND owner);
BOOL ShellHostSelectIdList(HWND owner, LPCITEMIDLIST absolute);
BOOL ShellHostScanRunning();
// Opens a help topic (0: the contents) for the shell side's dialogs.
void ShellHostShowHelp(HWND owner, UINT topic);
// The plain call: the suite's help file beside the program, through the WinHelp seam.
void OpenHelpTopic(HWND owner, UINT topic);
// The main window: the top-level ancestor of a window.
HWND ShellHostMainWindow(HWND any);
