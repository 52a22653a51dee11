// Free space of disks and the sizes of folders, in 64 bits.
#pragma once
#include <windows.h>
#include <cstdint>

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
// GetDiskFreeSpaceExA looked up by name in the loaded KERNEL32, once, and kept; null when
// KERNEL32 or the export is absent (the next call then looks again). Callers fall back to
// GetDiskFreeSpaceA.
GetDiskFreeSpaceExFn FindGetDiskFreeSpaceEx();
// Total bytes and bytes available to the caller on the disk of `root` ("C:\"), through
// GetDiskFreeSpaceExA where it exists, else from the cluster counts (multiplied in 64 bits).
// False when the disk cannot be queried; critical-error boxes are suppressed.
bool QueryDiskSpace(const char* root, uint64_t* total, uint64_t* available);
// For a pattern made of a folder followed by "\*.*": the sum of the sizes of all files below
// the folder, in every subfolder (only "." and ".." are skipped; links to folders are not
// followed).
uint64_t SumFolderFileSizes(const char* pattern);
