// jqrar.dll: listing and extraction of RAR archives (RAR 4 and RAR 5, stored, compressed and
// solid). One archive is open at a time (process-wide). Encrypted entries cannot be extracted:
// no password is ever passed.
//
//   RAR_SetArchive(path)            -> 0, or a RAR code
//   RAR_FindOpen(entry, name, b2, n2, b3, n3), RAR_FindNext(...)
//        -> 0 with the next entry (RarEntryRecord, name in the 2048-byte name buffer with "\"
//        separators, b2 the format name, b3 the entry's file name), 1 after the last entry,
//        or a RAR code
//   RAR_NextFileName(name, size)    -> 0 with the next entry's name (a walk of its own), 1 at the end
//   RAR_ExtractNextFile(folder)     -> 0: writes the entry last named by RAR_NextFileName
//   RAR_ExtractSingleFile(name, folder) -> 0: writes the entry of that stored name as
//        folder\<its file name>; the caller passes the folder that should receive it
//   RAR_CloseArchive()              -> 0
//   RAR_IsValidArchive(path)        -> 1 for a RAR archive, else 0
#pragma once
#include <windows.h>
#include <cstdint>

#ifdef JQRAR_BUILD
#define JQRAR_API extern "C" __declspec(dllexport)
#else
#define JQRAR_API extern "C" __declspec(dllimport)
#endif

// The codes; the file manager maps 2 and 3 to "access denied", 4 to "not found or not a valid
// archive", 5 and 6 to "not a valid archive", 7 to "cannot write", 8 to "not enough memory";
// every other code means "the operation could not be completed".
enum RarCode : int {
  RAR_OK = 0,
  RAR_END = 1,                 // no more entries (find and next-name walks)
  RAR_E_OPEN = 2,              // the archive or the target cannot be opened (access denied)
  RAR_E_ENCRYPTED = 3,         // the entry or archive needs a password
  RAR_E_NOT_FOUND = 4,         // the archive is missing or not a RAR archive
  RAR_E_BAD_ARCHIVE = 5,       // damaged headers, a refused entry name, or an early end
  RAR_E_BAD_DATA = 6,          // damaged data or a failed CRC
  RAR_E_WRITE = 7,             // writing the target failed
  RAR_E_MEMORY = 8,
  RAR_E_NO_ENTRY = 9,          // no entry of the requested name
  RAR_E_UNSUPPORTED = 10,      // a method or entry kind (link) that cannot be extracted
  RAR_E_FOLDER = 11,           // the target folder cannot be created
  RAR_E_NO_ARCHIVE = 12,       // no RAR_SetArchive before
  RAR_E_ARGUMENT = 13,
};

// The entry record of the find functions (little-endian, 64 bytes).
struct RarEntryRecord {
  uint32_t reserved0;      // +0
  uint32_t reserved4;      // +4
  uint32_t flags;          // +8  bit 0: encrypted
  uint16_t dosTime;        // +12 local time
  uint16_t dosDate;        // +14
  uint32_t reserved16;     // +16
  uint32_t packedSize;     // +20 (0xFFFFFFFF when larger)
  uint32_t size;           // +24 (0xFFFFFFFF when larger)
  uint32_t sizeHigh;       // +28 high 32 bits of the size
  uint32_t packedHigh;     // +32 high 32 bits of the packed size
  uint16_t reserved36;     // +36
  uint8_t attributes;      // +38 Windows attribute bits (0x10 folder, 0x01 read-only)
  uint8_t reserved39[25];  // +39
};
static_assert(sizeof(RarEntryRecord) == 64, "entry record is 64 bytes");

JQRAR_API int __stdcall RAR_SetArchive(const char* path);
JQRAR_API int __stdcall RAR_FindOpen(void* entry, char* name, char* b2, int b2Size, char* b3, int b3Size);
JQRAR_API int __stdcall RAR_FindNext(void* entry, char* name, char* b2, int b2Size, char* b3, int b3Size);
JQRAR_API int __stdcall RAR_NextFileName(char* name, int size);
JQRAR_API int __stdcall RAR_ExtractNextFile(const char* folder);
JQRAR_API int __stdcall RAR_ExtractSingleFile(const char* name, const char* folder);
JQRAR_API int __stdcall RAR_CloseArchive(void);
JQRAR_API int __stdcall RAR_IsValidArchive(const char* path);
