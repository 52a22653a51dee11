// Probes of the sibling zip-folder product (Fernquil): whether a path is a plain file with the
// product's zip-as-folder view switched off, and the product's per-file compression query.
// Without the product every probe takes its "absent" answer: files are what the file system
// says, and the query reports nothing.
#pragma once
#include <windows.h>

// True when `path` is an existing file that is not a folder, tested with the zip-as-folder view
// switched off (and switched on again afterwards when it was on).
BOOL IsPlainFileWithSiblingOff(const char* path);
// Opens the product's driver once; true when a handle is open.
BOOL OpenSiblingDriver();
// Closes the driver handle (at exit).
void CloseSiblingDriver();
// Asks the driver about `path`. Each out pointer may be null; without a driver every given
// output is set to zero.
void QuerySiblingFileInfo(const char* path, DWORD* first, DWORD* second, DWORD* third,
                          ULONGLONG* fourthFifth);
// Flag bit in `first`: the file is stored compressed (its compressed size is in `third`).
constexpr DWORD kSiblingCompressedFlag = 0x800000;

// The reply the product sends to the main window (WM_COPYDATA, dwData 1145) while
// OpenSiblingDriver asks for it: a control code and the driver's device path.
constexpr ULONG_PTR kSiblingReplyId = 1145;
struct SiblingReply {
  DWORD code;
  char devicePath[MAX_PATH];
};
// The window that receives the reply (the main window); OpenSiblingDriver sends its handle.
void SetSiblingReplyWindow(HWND window);
// Takes a reply from WM_COPYDATA: accepted only while a query is waiting, from the product's
// own window, with a well-formed block (a code and a terminated "\\.\" device path). Returns
// TRUE when the reply was stored.
BOOL StoreSiblingReply(HWND sender, const COPYDATASTRUCT* data);
const SiblingReply& GetSiblingReply();
