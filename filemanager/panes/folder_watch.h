// Keeping the panes current without user action: a watcher thread per pane on the shell's
// change notifications of the shown folder, debounce timers on the main window that refresh the
// pane once a burst of changes has settled, a poller per pane for folders outside the file
// system, and a watcher of the Favorites and Start Menu folders for the menus built from them.
//
// Threads never touch windows or pane records: watchers and pollers post to a hidden window of
// the GUI thread, which owns the debounce state and does every refresh. A watcher and a poller
// belong to a pane's list window, not to a pane index, so they follow the pane when the two
// panes are swapped. All functions here are called on the GUI thread.
#pragma once
#include <windows.h>
#include <atomic>
#include <functional>

// Timer ids on the main window, 0 and 1 for the watch of each pane.
enum : UINT_PTR {
  kListRefreshTimerBase = 30000,  // 750 ms: RefreshPane
  kTreeRefreshTimerBase = 32000,  // 500 ms (first pane) / 750 ms: RefreshPaneTree from the root
};

// Watches a file-system folder shown by `pane`: its own changes re-read the list, changes of
// folder names on its drive (or share) re-read the tree. Replaces the pane's previous watch.
void WatchPaneFolder(const char* path, int pane);
// Ends the pane's watcher thread and closes its change handles.
void StopPaneWatcher(int pane);
// Closes the pane's change handles and arms the watch again if its folder still exists. The
// handles of a watch can keep a folder that was deleted from going away (the delete completes
// when the last handle closes): a refresh renews the watch before it looks at the folder.
void RenewPaneWatch(int pane);
// The poller of a pane counts the items of the folder the pane's tree has selected every
// 2000 ms and refreshes the pane when the count differs from the list's. Paused before every
// navigation of the pane; resumed (and pointed at the newly selected folder) when the pane shows
// a folder outside the file system.
// A poller that does not end within its bound when stopped (a folder that hangs) is left to end
// by itself; the pollers after it do not wait for it.
void PausePanePoller(int pane);
void ResumePanePoller(int pane);
void StopPanePoller(int pane);

// The program's own file operations mute the watch of the pane they change, so that the
// changes they cause arm no refresh (the operation refreshes once itself). Mutes nest.
void MutePaneWatcher(int pane);
void UnmutePaneWatcher(int pane);

// The Favorites and Start Menu folders are watched so that the menus built from them are built
// again before they are shown next. The menus read and clear these flags.
extern std::atomic<UINT> g_favoritesStale;
extern std::atomic<UINT> g_startMenuStale;
// Where the program keeps its Favorites (the Favorites menu sets this); without it, or when it
// gives no folder, the Start-menu watcher does not start.
extern BOOL (*g_favoritesFolderSource)(char* path);  // MAX_PATH buffer; TRUE with a folder
void StartStartMenuWatcher();
void StopStartMenuWatcher();

// Called by a poller with the enumeration lock held, before it lists its folder (tests hold a
// poller there).
extern std::atomic<void (*)()> g_pollListingHook;

// Stops every watcher, poller and the Start-menu watcher (also done when the main window is
// destroyed).
void StopAllFolderWatching();

// Runs `task` on the GUI thread from the message loop (posted to the watch's hidden window);
// GUI thread. FALSE when there is no window to post to (none prepared, or the main window is
// gone), and then the task is not run.
BOOL PostGuiTask(std::function<void()> task);
// Makes sure the hidden window exists (GUI thread); FALSE without a main window.
BOOL PrepareGuiTasks();
// The hidden window, made when missing (GUI thread); null without a main window. A worker's job
// record carries it, and the worker posts its tasks there with PostGuiTaskTo.
HWND GuiTaskWindow();
// PostGuiTask to a given hidden window; callable from any thread. FALSE when that window is
// gone (its main window was destroyed), and then the task is not run.
BOOL PostGuiTaskTo(HWND window, std::function<void()> task);

// The debounce timers' procedures.
void CALLBACK PaneListRefreshTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
void CALLBACK PaneTreeRefreshTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// The root whose folder names a watch follows: "\\server\share" for a UNC path, else the
// first 3 characters ("C:\"). `root` holds MAX_PATH characters.
void WatchedRootOf(const char* path, char* root);

// Under Wine, TRUE when the drive root ("X:\") holds the host's whole file system; such a drive
// is never watched with its whole subtree.
BOOL IsHostRootDrive(const char* root);
