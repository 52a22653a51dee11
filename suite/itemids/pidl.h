// Item id lists and shell names: size, copy, combine and compare lists, turn a shell name into
// text, parse a path into a list, icons of items, shortcut targets and opening items.
//
// Every list these functions return comes from the process-wide shell allocator
// (GetShellAllocator); the caller owns it and frees it with FreePidl or the allocator's Free.
// Lists handed in are never freed. Text buffers are ANSI (CP_ACP), MAX_PATH characters unless a
// size is given. None of these functions shows a message; all report failure by their result.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <commctrl.h>
#include <memory>

// The process-wide shell allocator. WinMain obtains it once with SHGetMalloc and hands it over
// with SetShellAllocator (the store takes over that reference; a later call releases the old
// one, and SetShellAllocator(nullptr) releases it for good). Code that runs before that, or in
// programs that never set it, gets the allocator from SHGetMalloc on first use.
IMalloc* GetShellAllocator();
void SetShellAllocator(IMalloc* allocator);

// Byte size of a list including its 2-byte terminator; 0 for null, 2 for the empty list.
UINT GetPidlSize(LPCITEMIDLIST list);
// The item that follows `item` (item address + its cb).
LPITEMIDLIST NextPidlItem(LPCITEMIDLIST item);
// A zero-filled block from the shell allocator; null when the allocator refuses.
void* AllocShellMemory(UINT bytes);
// A copy of the whole list made with `allocator`; null for a null list or when it refuses.
LPITEMIDLIST CopyPidl(IMalloc* allocator, LPCITEMIDLIST list);
// first (without its terminator) followed by the whole second list; a null first list counts
// as empty, as does a null second list. Null on allocation failure.
LPITEMIDLIST CombinePidls(LPCITEMIDLIST first, LPCITEMIDLIST second);
// True when the first items have the same cb and bytes, or when both lists are empty.
BOOL IsSameFirstItem(LPCITEMIDLIST a, LPCITEMIDLIST b);
// Frees a list (or any block) from the shell allocator; null is ignored.
void FreePidl(void* list);
// True when an absolute list names the special folder `csidl` (compared by the desktop folder);
// false for a null list.
bool IsSpecialFolderPidl(LPCITEMIDLIST absolute, int csidl);

// Owns a list from the shell allocator.
struct PidlDeleter {
  void operator()(ITEMIDLIST* list) const { FreePidl(list); }
};
using PidlPtr = std::unique_ptr<ITEMIDLIST, PidlDeleter>;

// The folder's GetDisplayNameOf of `item` as text (WSTR, OFFSET and CSTR results); 1 on
// success, 0 on failure (the buffer then holds an empty string).
int GetDisplayNameText(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out,
                       int outSize = MAX_PATH);
// The absolute list of `item` (relative to `folder`), through its parsing name; null on failure.
LPITEMIDLIST MakeAbsolutePidl(IShellFolder* folder, LPCITEMIDLIST item);
// Parses a path or display name in `folder` (null = the desktop). `attributes` (may be null)
// holds the SFGAO bits to query and receives them. Null on failure.
LPITEMIDLIST ParsePathToPidl(const char* path, IShellFolder* folder, ULONG* attributes);
// Binds the shell folder of a path; *folder is null on failure. Returns the HRESULT of the last
// step.
HRESULT GetShellFolderOfPath(const char* path, IShellFolder** folder);
// SHGetFileInfoA's icon index of a path, or of a list when `flags` has SHGFI_PIDL.
int GetShellIconIndex(const char* pathOrPidl, UINT flags);
// Small system icon index of an absolute list and, when bit 0 of `wantName` is set, its display
// name into `name` (MAX_PATH). Critical-error boxes are suppressed.
int GetPidlIconAndName(LPCITEMIDLIST absolute, int wantName, char* name);
// Sets the tree item's image (small icon) and selected image (small open icon) and adds
// TVIF_IMAGE | TVIF_SELECTEDIMAGE to its mask.
void SetTreeItemIcons(LPCITEMIDLIST absolute, TVITEMA* item);
// Loads and resolves a .lnk file without UI; on success stores the target's list in *target
// (may be null) and returns 1, else 0.
int ResolveShortcutToPidl(const char* lnkPath, LPITEMIDLIST* target);
// Runs the default command of a Dial-Up Networking connection item; 1 when the command ran,
// 0 for any other list or on failure.
int InvokeDefaultVerb(LPCITEMIDLIST absolute);
// Opens an item: a shortcut is followed to its target (a chain of shortcuts is followed up to
// kMaxShortcutChain links and never round a cycle); anything else goes to InvokeDefaultVerb.
int OpenShellItem(LPCITEMIDLIST absolute);
constexpr int kMaxShortcutChain = 16;
// Follows a chain of shortcuts from `absolute` to the first item that is no shortcut and
// returns a copy of its list (a copy of `absolute` itself when it is no shortcut). Null when a
// link does not resolve, the chain runs round a cycle or is longer than kMaxShortcutChain.
LPITEMIDLIST FollowShortcutChain(LPCITEMIDLIST absolute);
