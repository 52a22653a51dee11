// Services over the shell's item-id lists used across Voltaly: display names as narrow text,
// icons, sizes, copies and concatenation of id lists, parsing a path and binding to it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include "pidl.h"

// The shell's allocator (the suite's process-wide one) and the desktop folder, fetched once
// (InitItemIdServices); the desktop folder is released at exit. Callable from any thread after
// that.
BOOL InitItemIdServices();
void EndItemIdServices();
IMalloc* ShellAllocator();
IShellFolder* DesktopFolder();

// Display names as ANSI text (flags 0 normal, SHGDN_FORPARSING 0x8000): GetDisplayNameText of
// the suite's item id lists (pidl.h).
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
