// File, disk and shell commands of the main window: clipboard and delete on the tree folder or
// the file view, view modes, rename in the tree, Copy/Move To, Create Folder, disk format, label
// and copy, network drive dialogs, the shell's Find, add/remove programs, the Recycle Bin and the
// About box.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shellapi.h>
#include <string>

struct FolderNode;

// The main window's WM_COMMAND routing calls this for the ids 45008 45011 45018 45027 45028
// 45029 45035 45038 45039 45040 45041 45042-45045 45047 45051 45072 45074 45094 45096 45099
// 45108 45216 45230 45235 45237 45238 45243. Returns TRUE when the id is one of them.
BOOL RunFileCommand(HWND owner, UINT command);

// Routines.
void CenterDialog(HWND window, HWND over);
FolderNode* GetSelectedNode(HWND tree);
std::string TrimLeadingSpaces(const std::string& text);
std::string StripTrailingBackslash(const std::string& path);
BOOL IsExistingDirectory(const std::string& path);
BOOL GetSelectedFolderPath(HWND tree, std::string* path);
// Returns the path double-NUL terminated (the string holds one extra '\0' at its end).
std::string CombinePath(const std::string& text, const std::string& base);
BOOL CreateDirectoryPath(const std::string& path);
// Moves the process's current directory out of `folder` when it lies inside it.
void StepOutOfFolder(const std::string& folder);
// Carries out the shell context-menu verb with offset `verb` on the selected tree folder.
BOOL InvokeFolderVerb(HWND owner, UINT verb);
// Carries out a verb on the drive whose root text ("C:\") is given.
BOOL InvokeDriveVerb(HWND owner, const std::string& root, UINT verb);
// Copy (FO_COPY) or move (FO_MOVE) of the selected tree folder to `target`.
BOOL CopyMoveSelectedFolder(HWND owner, const std::string& target, UINT mode);
// The size tree's TVN_ENDLABELEDIT answer: TRUE accepts the new text.
BOOL RenameTreeFolder(HWND tree, NMTVDISPINFOA* info);
// FALSE while the end of an edit has been answered and the message loop has not run since
// (further reports of that edit are ignored until then).
BOOL TreeRenameSettled();
BOOL EmptyRecycleBin(HWND owner);

// The dialogs (return 1 on OK).
// Copy/Move To: *mode FO_COPY (2) or FO_MOVE (1) in; on OK the mode the dialog's radios left
// and the target text come back through mode and target.
INT_PTR ShowCopyMoveToDialog(HWND owner, UINT* mode, std::string* target);
INT_PTR ShowCreateFolderDialog(HWND owner);
// The drive dialog: mode 45029 format, 45028 label; on OK the chosen root comes back in root.
INT_PTR ShowDriveDialog(HWND owner, UINT mode, std::string* root);
INT_PTR ShowAboutDialog(HWND owner);
// Extra FOF_ flags added to every shell file operation of the commands (tests add
// FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT so that no shell dialog waits for a person).
void SetFileOperationExtraFlags(FILEOP_FLAGS flags);
// Runs a shell file operation with those flags added; 0 on success (the shell's result code).
int RunShellFileOperation(HWND owner, UINT function, const std::string& from, const std::string& to,
                          FILEOP_FLAGS flags);
// Pastes the clipboard's files (CF_HDROP, moved when "Preferred DropEffect" says so) into a
// folder; the shell's item menus under Wine have no Paste.
BOOL PasteFilesIntoFolder(HWND owner, const std::string& folder);
