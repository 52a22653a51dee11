// Dragging a panel's item out of the toolbar: the panel writes a file standing for the item
// (a shortcut or an Internet shortcut) into the toolbar's temporary folder, and the file is
// dragged with the shell's own data object, so that any drop target (the desktop, a folder
// window of another program, one of our own panels) takes it as a file.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <string>

namespace jqbar {

// The toolbar's temporary folder ("~JQTEMP" in the user's temporary folder, made when missing),
// without a final backslash; the temporary folder itself when "~JQTEMP" cannot be made; empty
// when there is none.
std::string DragOutFolder();

// The file the shell really wrote for a shortcut saved as `lnkPath`: a shortcut to an MS-DOS
// program may be stored as a .pif file of the same name instead. `lnkPath` itself otherwise.
std::string ShortcutAsStored(const std::string& lnkPath);

// The shell's data object for the file `name` of `folder` (one reference), or null.
IDataObject* DataObjectOfFile(const std::string& folder, const std::string& name);

// Drags the file (a full path inside DragOutFolder or another folder) with the panel drop source,
// copy allowed. The file is deleted when the drag cannot start or the drop is refused, and is
// left for the target otherwise. The effect of the drop (DROPEFFECT_NONE when refused).
DWORD DragOutFile(const std::string& path);

}  // namespace jqbar
