// The panes' file operations through the shell's SHFileOperationA: delete (to the Recycle Bin
// or for good), rename after in-place label editing, group rename by a wildcard pattern, and
// Copy To / Move To on a worker thread. Each takes its sources from the active pane (the list's
// selection when the list had the focus, else the tree's folder), mutes the pane's watch while
// it runs and refreshes the pane once afterwards.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>
#include <vector>

// Copy/Move operation codes.
enum : UINT {
  kCopyMoveMove = FO_MOVE,  // 1
  kCopyMoveCopy = FO_COPY,  // 2
};

// Runs one shell file operation; tests replace it to answer the shell's questions. Called on
// the GUI thread and on Copy/Move workers.
extern int (WINAPI* g_runFileOperation)(SHFILEOPSTRUCTA* operation);

// Delete (40016, for good after the shell's question) or send to the Recycle Bin (40038).
LRESULT DeleteSelectedFiles(UINT commandId);
// The end of an in-place edit of a list or tree label (LVN_ENDLABELEDITA / TVN_ENDLABELEDITA):
// checks the typed name and renames the item; the notification's answer.
LRESULT CommitLabelRename(NMHDR* notification, HWND sender);
// Renames the list's selection by a wildcard pattern ("*.bak", "old_*"); returns 1.
LRESULT RunGroupRename(const char* pattern);
// Starts Copy To (kCopyMoveCopy) or Move To (kCopyMoveMove) of the active pane's sources to
// `target` (absolute, or relative to the sources' folder; a trailing backslash makes it a folder
// that is created when missing). The job is built here; the target text is copied.
void StartCopyMoveWorker(const char* target, UINT operation);

// ---- Helpers, exposed for their callers and tests -----------------------------------------
// The sources of an operation on the active pane (paths, their folder, and whether each is a
// folder); FALSE when there is nothing to work on.
struct FileSources {
  std::vector<std::string> paths;
  std::vector<bool> folders;
  std::string folder;  // the folder of the first path, without a trailing backslash
  bool fromTree = false;
};
BOOL CollectFileSources(int pane, BOOL listOnly, FileSources* sources);
// "a\0b\0\0".
std::string DoubleNulList(const std::vector<std::string>& paths);
// The name a DOS-style pattern gives a file name ("*.bak" on "report.txt" is "report.bak");
// empty when the pattern leaves no name.
std::string ApplyRenamePattern(const char* pattern, const char* name);
// A name for a copy of `name` that is free in `folder` ("Copy of report.txt" in the program's
// language, then numbered).
std::string FreeCopyName(const std::string& folder, const std::string& name);
// Copy/Move workers started and not yet finished.
LONG RunningCopyMoveWorkers();
