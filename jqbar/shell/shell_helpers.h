// Helpers over the shell namespace that the toolbar's panels share (display names, item id list
// copies, parsing, comparing, Dial-Up Networking connections), the shortcut file reader, and the
// load-at-start-up switch: one shortcut to the toolbar program in the user's Startup folder.
// Item id lists come from the shell allocator unless an allocator is passed in; the list
// helpers AllocShellMemory, GetShellFolderOfPath, GetPidlSize, NextPidlItem, CombinePidls and
// MakeAbsolutePidl are those of pidl.h. None of these helpers shows anything; failure is 0 or
// null.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "pidl.h"

namespace jqbar {

// The folder's display name of the item as ANSI text, at most 200 bytes with the terminator.
// 1, or 0 when the call fails or the answer is of another kind.
int GetItemDisplayName(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out);
inline constexpr int kItemDisplayNameSize = 200;

// A new block from the allocator holding the list's first item and a terminator.
LPITEMIDLIST CopyFirstIdItem(IMalloc* allocator, LPCITEMIDLIST list);
// The path (environment strings expanded) parsed by the folder, copied with the allocator.
LPITEMIDLIST PathToIdList(IMalloc* allocator, const char* path, IShellFolder* folder);
// 1 when the folder's CompareIDs finds both lists the same, else 0.
int IsSameIdList(LPCITEMIDLIST a, LPCITEMIDLIST b, IShellFolder* folder);

// Runs the default command of a Dial-Up Networking connection (the folder's class id in a
// 20-byte second item, a third item following); 1 when run, 0 for any other list or on
// failure. Critical-error boxes are suppressed during the call; the error mode is restored.
int ConnectDialUpItem(LPCITEMIDLIST absolute);
// The same for a ".lnk" file pointing at such a connection.
int ConnectDialUpShortcut(const char* path);

// The parts of a shortcut (".lnk") file.
struct ShortcutInfo {
  std::string target;      // the target path; the .lnk path itself when unreadable
  std::string startIn;
  std::string arguments;
  std::string baseName;    // the .lnk's file name without folder and extension
  std::string iconFile;
  int iconIndex = 0;
  int showCommand = SW_SHOWNORMAL;
  PidlPtr item;            // the target's item id list (may be null)
};
// Reads a shortcut through IShellLink. A shortcut that cannot be loaded, or whose target is
// empty while empty targets are not allowed, yields the .lnk path as target and show command 1.
// Always 1.
int ReadShortcutFile(const char* path, ShortcutInfo* info, bool allowEmptyTarget);

// The load-at-start-up switch. A start-up shortcut is a ".lnk" in the Startup folder whose
// target is longer than 8 characters and ends, in any letter case, in "JQBAR.EXE".
int HasStartupShortcut();
void RemoveStartupShortcuts();
// Replaces any start-up shortcut by one named after the toolbar (string 595) pointing at this
// program. 1 on success.
int CreateStartupShortcut();
// The Startup folder (located once), without a final backslash; empty when there is none.
const std::string& StartupFolder();
// Tests stand another program path in for this program's (empty: this program again).
void SetToolbarProgramPathForTest(const std::string& path);

}  // namespace jqbar
