// Services over the shell's item-id lists used across Voltaly: display names as narrow text,
// icons, sizes, copies and concatenation of id lists, parsing a path and binding to it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

// The shell's allocator and the desktop folder, fetched once (InitItemIdServices) and released
// at exit. Callable from any thread after that.
BOOL InitItemIdServices();
void EndItemIdServices();
IMalloc* ShellAllocator();
IShellFolder* DesktopFolder();

// Display name (flags 0 normal, SHGDN_FORPARSING 0x8000) as ANSI text of at most 259
// characters; 1 / 0.
BOOL GetDisplayNameText(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out);
int GetIconIndex(LPCITEMIDLIST absolute, UINT flags);
void GetNodeIcons(LPCITEMIDLIST absolute, TVITEMA* item);  // iImage, iSelectedImage (+ mask)
LPCITEMIDLIST NextItemId(LPCITEMIDLIST item);
UINT ItemIdListSize(LPCITEMIDLIST list);  // with the terminator; 0 for null
void* AllocZeroed(SIZE_T bytes);          // shell allocator, zeroed
LPITEMIDLIST CombineItemIds(LPCITEMIDLIST first, LPCITEMIDLIST second);
LPITEMIDLIST CopyItemIdList(IMalloc* allocator, LPCITEMIDLIST list);
void FreeItemIdList(LPITEMIDLIST list);   // shell allocator; null is fine
// Parse in folder (null: the desktop); attributes in/out (asked: copy, move, rename, delete,
// drop target, share, plus what the caller set). Null on failure.
LPITEMIDLIST ParsePathToIdList(const char* path, IShellFolder* folder, ULONG* attributes);
LPITEMIDLIST ParsePathToIdListW(const wchar_t* path, IShellFolder* folder, ULONG* attributes);
HRESULT BindToPath(const char* path, IShellFolder** folder);
