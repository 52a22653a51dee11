// The shell's own folder view hosted in the lower part of the main window, and a hidden view of
// the desktop kept only to borrow the shell's Undo command.
#pragma once
#include <windows.h>
#include <shlobj.h>

// The main window's command table forwards ids below 32768 to the view; the view asks its
// parent for its browser with this message (answer: GetCurrentFileBrowser(), no reference added).
constexpr UINT kMsgGetShellBrowser = WM_USER + 7;     // 1031
// Sent by the browser to the main window when the view became active (both params: view window).
constexpr UINT kMsgFileViewActive = WM_USER + 110;    // 1134
// The shell view's own Undo command.
constexpr UINT kShellUndoCommand = 28699;

class FilePaneBrowser;

// One per shown file pane; the main window keeps the current one.
struct HostedFilePane {
  HWND owner = nullptr;                 // always 0
  FilePaneBrowser* browser = nullptr;   // null when the folder has no view
  HINSTANCE instance = nullptr;
  HWND parent = nullptr;                // the main window
  HWND paneWindow = nullptr;            // destroyed with the pane when set
};

// Creates the view of `folder` inside `parent` at `rect`. The previous pane's view (if any) is
// handed to the shell so that it can carry its settings over; the caller destroys the previous
// pane afterwards. Returns null (and no pane) when the folder has no view.
HostedFilePane* CreateFilePane(HostedFilePane* previous, HWND parent, HWND treeDialog,
                               IShellFolder* folder, const RECT* rect,
                               const FOLDERSETTINGS* settings, HWND* viewWindow);
void DestroyFilePane(HostedFilePane* pane);
void SetFilePaneActive(HostedFilePane* pane, BOOL active);
BOOL IsFilePaneActive();
LRESULT ForwardCommandToView(HostedFilePane* pane, UINT command);
BOOL TranslateViewAccelerator(HostedFilePane* pane, MSG* message);
UINT GetFileViewMode(HostedFilePane* pane);
// The view window of a pane, or null.
HWND GetFilePaneViewWindow(HostedFilePane* pane);
// The current pane (the last one created and not yet destroyed), or null.
HostedFilePane* GetCurrentFilePane();
IShellBrowser* GetCurrentFileBrowser();

BOOL CreateUndoBrowser(HWND parent, IShellFolder* desktop);
void DestroyUndoBrowser();
// Puts "&Undo (default)" or the shell's own Undo text (at most 100 characters) in `buffer`;
// 1 when the shell's Undo is available.
BOOL GetUndoMenuText(char* buffer, int size = 100);
void InvokeShellUndo();
