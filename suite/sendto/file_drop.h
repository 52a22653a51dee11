// Drops of shell data (files dragged from a list, the desktop or another program) carried out on
// file-system places by the suite itself: the files named by the data are copied or moved into a
// folder with SHFileOperation, or linked there through IShellLink, and a program that files are
// dropped on is started with them. The panes, the drive bar and the Send To menu use these
// targets where a file-system folder, a shortcut to one or a program is the place of the drop,
// so that a drop always does what its effect says.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <string>
#include <vector>

// The file-system paths the data names: CF_HDROP, else the "Shell IDList Array" items that have
// a file-system path. False (and no paths) when the data names none.
bool ReadDroppedPaths(IDataObject* data, std::vector<std::string>* paths);

// The effect a drop with the keys (MK_*) takes, as the shell chooses it: Ctrl+Shift or Alt link,
// Ctrl copy, Shift move, none of them move on the same volume and copy across volumes; limited
// to the allowed effects (copy, then move, then link when the choice is not allowed).
DWORD ChooseDropEffect(DWORD keys, DWORD allowed, bool sameVolume);

// Whether every path lies on the volume of `folder` (compared by drive letter or UNC share).
bool SameVolume(const std::vector<std::string>& paths, const std::string& folder);

// Why a folder refuses a drop of these paths: 0 none; 1 a path is the folder itself or one of
// its ancestors (a folder dropped on itself or into its own child); 2 a move whose paths all
// lie in the folder already.
int FolderDropRefusal(const std::vector<std::string>& paths, const std::string& folder, DWORD effect);

// The menu of a drop made with the right mouse button, at the drop's screen point: the allowed
// effects of move, copy and link, the usual one (the effect a left-button drop would take) as
// the default item, and Cancel. Answers the chosen effect, DROPEFFECT_NONE for Cancel or a click
// elsewhere. A program without the menu's texts gets the usual effect without a question.
constexpr UINT kDropMenuCancel = 100;
DWORD AskDropEffect(HWND owner, POINTL point, DWORD allowed, DWORD usual);

// Carries out a drop of the paths on the folder with one effect. Copy and move go through
// SHFileOperation (with undo; a copy into the folder the files come from gets new names); link
// makes "<name>.lnk" (numbered when taken) for each path. Answers the effect performed, or
// DROPEFFECT_NONE when nothing was done.
DWORD PerformFolderDrop(HWND owner, const std::vector<std::string>& paths, const std::string& folder,
                        DWORD effect);

// Starts a program with the dropped paths as its parameters (each quoted), through the seam.
bool RunProgramWithPaths(HWND owner, const std::string& program, const std::string& arguments,
                         const std::vector<std::string>& paths);

// Our drop target for a file-system place, or null when the path is none we carry out: an
// existing folder; a shortcut (.lnk) to a folder or a program; a program (.exe, .com, .bat,
// .cmd). The object counts its references (starts at 1). Its DragEnter and DragOver choose the
// effect from the keys, DragOver answers none for the refusals above; Drop performs.
IDropTarget* CreatePathDropTarget(HWND owner, const char* path);

// The place an item stands for, when it is one the suite's drop target handles: its parsing
// name when that is an existing folder, a shortcut or a program. Empty otherwise.
std::string DropPlaceOfItem(IShellFolder* folder, LPCITEMIDLIST item);
