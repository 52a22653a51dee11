// The start-up steps between the command line and the shell: the switches applied to the live
// options, the layout remembered for a folder the shell opened us on, the shell's folder verb,
// and the question whether the .zip file type should belong to the suite.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include "startup_options.h"
#include "view_memory.h"

// The item id list the shell opened this window on ("/IDLIST"), kept as the key of its view
// record for the whole run; null when the window was not opened by the shell.
extern LPITEMIDLIST g_shellFolderPidl;
// Set while the window still shows the folder the shell opened it on: its layout is stored under
// that folder (when the tree first moves away, or at exit) instead of the global settings.
extern BOOL g_stillOnShellFolder;

// Steps 5 to 7 of reading the settings: parses the command line, applies the view record of a
// folder the shell passed and the switches. TRUE when a view record was applied; its rectangle
// is then the start rectangle (*startRect).
BOOL ApplyCommandLineAtStartup(const char* commandLine, RECT* startRect);
// Step 1: makes the folder verb's default match the stored "Replace MS Explorer" choice.
void SyncReplaceExplorerAtStartup(DWORD storedFlag);

// The switches into the live options and pane 0.
void ApplyStartupOptions(const StartupOptions& options);
// A folder's stored layout into the live options and panes; the stored rectangle goes to
// *startRect (may be null).
void ApplyFolderViewRecord(const FolderViewRecord& record, RECT* startRect);
// The current layout as a folder's record.
void CollectFolderViewRecord(FolderViewRecord* record);
// While the window still shows the shell's folder: stores its record, ends that state and
// returns TRUE. Otherwise FALSE (the caller saves the global settings).
BOOL SaveViewRecordForShellFolder();
// Pane `pane`'s tree selected the folder `absolute`: when pane 0 (the pane the shell's folder
// opened in) moves to another folder, the shell's folder's record is stored now and that state
// ends. The other pane's moves leave it.
void NoteTreeSelectionForViewMemory(int pane, LPCITEMIDLIST absolute);

// The folder verb ("Folder\Shell\Quorvanel\Command" = "\"<program folder>jqnavig.exe\" /idlist,%I").
void RegisterFolderVerb();
// Makes the verb the folders' default (flag 1) or not (0) and stores the choice; 1 when the
// default was written.
int SetReplaceExplorer(DWORD flag);
// 1 when "Folder\shell"'s default is our verb.
int IsReplaceExplorerSet();
// The command the folder verb runs, for the program at `programPath`.
void FormatFolderVerbCommand(const char* programPath, char* buffer, size_t size);
// HKEY_CLASSES_ROOT, or the key a test put in its place.
HKEY ClassesRoot();
void SetClassesRootForTests(HKEY root);

// Dialog 10008 over the main window when .zip files do not open with the suite and the user has
// not turned the question off.
void CheckZipAssociation(HWND mainWindow);
INT_PTR CALLBACK ZipAssociationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Whether CheckZipAssociation would ask now.
bool ZipAssociationQuestionWanted();
// The archive associations of the suite, registered with the program folder (flag 1) or removed
// (0); 1 on success.
int RegisterArchiveAssociations(const char* installDir, int registerFlag);
