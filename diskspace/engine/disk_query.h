// Drive geometry and free space, the cluster size used to round file sizes to disk usage, and
// the number and size formats of every column, dialog and report.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include "folder_node.h"

// File-system kinds of GetFileSystemType.
enum FileSystemType { kFsUnknown = 0, kFsFat = 1, kFsFat32 = 2, kFsNtfs = 3 };

int GetDiskSpaceData(DriveNode* drive);     // 1 / 0; sets or clears kNodeDiskDataValid
int GetDiskSpaceDefault(DriveNode* drive);  // GetDiskSpaceData, else the plain call
int GetFileSystemType(DriveNode* drive);
uint32_t DefaultClusterSize(DriveNode* drive);
// The node's drive's cluster size, asking the user (AskNetClusterSize) for a network drive the
// first time; 0 only without a valid drive. Worker threads never ask: they take the proposal.
// Any thread: the drive's size and the network table are atomic.
uint32_t GetClusterSize(FolderNode* node);
// A cluster size the user chose for a drive (at least 512): kept for the drive letter and the
// drive scanned again with it. GUI thread; 0 for an invalid drive.
int SetDriveClusterSize(DriveNode* drive, uint32_t value);

// Number formats. The buffers must hold 32 characters.
// Groups of three with the user's thousands separator (win.ini Intl sThousand), every group.
char* FormatThousands64(uint64_t value, char* out);
// Compact: bytes below 1000, then KB, MB, GB with 2, 1 or 0 decimals (sDecimal); negative
// values get a "-".
char* FormatSizeWithUnits(double value, char* out);
std::string FormatThousands64(uint64_t value);
std::string FormatSizeWithUnits(double value);
// Pure forms for tests (explicit separators and unit texts).
std::string FormatThousandsWith(uint64_t value, const char* separator);
std::string FormatSizeWith(double value, char decimal, const char* const units[4]);

// The value and unit index (bytes, KB, MB, GB) a size is shown with in an edit box and its
// unit combo (pure).
void SplitSizeUnit(double bytes, uint64_t* value, int* unit);

// A column's width needs (flags as in the column record, 0x400 size, 0x1000 date, 0x04
// percentage, 0x08 bar, 0x80 no units): the number of "0" characters the data needs.
int ColumnWidthChars(uint32_t flags);
// Sets textWidth (extent of those characters in the window), neededWidth (+100 with a bar) and,
// when *width is 0, the title's extent. 0 when the text cannot be measured.
int ComputeColumnWidth(HWND window, uint32_t flags, const char* title, int* textWidth,
                       int* neededWidth, int* width);

// Small routines.
const char* LastPathComponent(const char* path);
SIZE MeasureText(HWND window, const char* text);
RECT GetChildPlacement(HWND child);  // left, top in the parent's window rect; right/bottom =
                                     // client width / height
