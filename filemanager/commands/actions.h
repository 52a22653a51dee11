// The everyday commands of the main window: moving a pane to a folder, views and bars, selecting
// by pattern and filtering, the file commands on the selection, the drive bar and the address
// combo. The command handlers themselves are declared in command_handlers.h; this header holds
// the routines other parts of the program (and tests) call.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "drive_bar.h"

// ---- Navigation ---------------------------------------------------------------------------
// The tree node of pane `pane` that stands for `path` ("C:\x", "\\server\share", "FTP:"); with
// `select` it is selected, which makes the pane show the folder. Null when the path is not in
// the tree; the pane then stays where it was.
HTREEITEM NavigatePaneToPath(int pane, const char* path, BOOL select);
// The file-system path of the folder selected in the pane's tree (MAX_PATH buffer) and 1; 0 with
// an empty buffer for a folder outside the file system.
int GetPaneFolderPath(int pane, char* buffer, BOOL keepArchive);
// Leading spaces ignored: a UNC path ("\\" and at least one more character) or an existing folder.
BOOL IsExistingFolderPath(const char* path);
// `path` made absolute against `base` (MAX_PATH): drive and UNC paths stand; "\x" goes on the
// base's drive; anything else is appended with one backslash and "." and ".." folded. FALSE
// when the result does not fit.
BOOL ResolveAgainstFolder(const char* path, const char* base, char* out);
// The SHBrowseForFolder callback of the Go To and Create Folder dialogs: the browser opens on
// the folder typed in the dialog's combo 1039 (lpData is the dialog).
int CALLBACK FolderBrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// ---- Selection ----------------------------------------------------------------------------
// An attribute test: 0 the attribute must be clear, 1 set, 2 any.
struct SelectAttributes {
  int archive, readOnly, hidden, system;
};
// Selects (select = TRUE) or deselects the items of the active list whose names match
// `patterns` (wildcards, separated by ';' or blanks) and whose attributes pass `tests`. Folders
// take part only with `includeFolders`; letter case counts only with `matchCase`. Returns the
// number of items changed.
int SelectByPattern(const char* patterns, BOOL select, BOOL includeFolders, BOOL matchCase,
                    const SelectAttributes& tests);
// The attribute test of one item: each test that is not 2 must hold.
bool PassesAttributeTests(DWORD fileAttributes, const SelectAttributes& tests);

// ---- File commands ------------------------------------------------------------------------
// Verb numbers (menu ids with first id 1) of the shell's item menu.
enum : UINT {
  kVerbDelete = 18,
  kVerbProperties = 20,
  kVerbCut = 25,
  kVerbCopy = 26,
  kVerbPaste = 27,
};
// The selection of the active pane (list when it has the focus, else the tree's folder) handed
// to the shell's verb; 1 when it ran or nothing was selected, 0 when an item could not be read.
int ShellVerbOnSelection(HWND owner, UINT verb);
// The shell's context menu of `items` (relative to `folder`) and its verb: by the verb's
// canonical name when the menu offers it, else by the menu position. 1 when the menu was built.
int InvokeShellVerb(HWND owner, IShellFolder* folder, LPCITEMIDLIST* items, UINT count, UINT verb);
// Files on the clipboard (CF_HDROP, with "Preferred DropEffect" for cut) as paths; FALSE when
// there are none. `move` receives whether they were cut.
BOOL ReadClipboardFiles(std::vector<std::string>* paths, BOOL* move);
// Puts `paths` on the clipboard as CF_HDROP with "Preferred DropEffect" (DROPEFFECT_MOVE when
// `cut`, else DROPEFFECT_COPY) and the shell's id list array. TRUE on success.
BOOL PutFilesOnClipboard(HWND owner, const std::vector<std::string>& paths, BOOL cut);
// Copies (or moves, after a cut) the clipboard's files into `folder` through the shell's file
// operation; a copy into the files' own folder gets free names. TRUE when it ran.
BOOL PasteFilesIntoFolder(HWND owner, const char* folder);
// The names (paths = 0) or full paths (paths = 1) of the active pane's selection, one a line
// joined by CR LF; empty when nothing is selected.
std::string SelectionNamesText(BOOL paths);
// The name "New Shortcut.lnk" made unique in `folder` ("New Shortcut (2).lnk", ...), created
// empty and new; the full path, or empty when no file could be created.
std::string CreateNewShortcutFile(const char* folder);
// The folder name typed in the Create Folder dialog checked: 0 good, else the message string id
// (41038 empty, 41051 a character that is not allowed).
UINT CheckNewFolderName(const char* name);
// Creates `name` (relative names under `base`, nested ones with every missing parent). FALSE
// when it exists already or cannot be created.
BOOL CreateFolderFromName(const char* name, const char* base);

// The folder browser over a dialog; the chosen folder (with a trailing backslash when asked)
// replaces the text of the dialog's combo 1039.
void BrowseFolderIntoCombo(HWND dialog, UINT titleId, BOOL trailingBackslash);
// Empties the pane's list and fills it afresh from the folder selected in its tree (after the
// filter or the icon option changed); the move is not recorded in the pane's history.
void RefillPaneList(int pane);
// How Mark and Unmark treat the focused item: 1 marks and unmarks as asked; other values toggle.
extern UINT g_markingMode;
