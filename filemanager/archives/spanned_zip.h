// Drive sizes, and the repair that turns a zip written in the spanned (multi-disk) form but
// held on one disk into an ordinary zip.
#pragma once
#include <windows.h>
#include <cstdint>

// kind 2: total bytes, 3: free bytes of a fixed or network drive root "X:\"; 1 with the value.
int GetDriveSpace(int kind, const char* root, uint64_t* out);
// 1 when the file was repaired; 0 when it is no single-disk spanned zip or an I/O step failed.
int FixSingleDiskSpannedZip(const char* path);
