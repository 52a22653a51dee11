// jqcab.dll: extraction from Microsoft cabinet files (stored, MSZIP and LZX folders).
// One cabinet is open at a time (process-wide); listing is the zip engine's job.
//
//   CAB_SetArchive(path)           -> 0, or a CAB code
//   CAB_ExtractFiles(names, folder) -> 0, or a CAB code. names: one or more entry names, each
//        between double quotes, with a leading "\" when the stored name has a folder part;
//        "*" and "?" match. Each matching entry is written as folder\<its file name>: the caller
//        passes the folder that should receive it (with stored paths kept, the folder part).
//   CAB_MapToCPError(code)         -> the archive code the file manager shows for a CAB code
//   CAB_CloseArchive()             -> 0
#pragma once
#include <windows.h>

#ifdef JQCAB_BUILD
#define JQCAB_API extern "C" __declspec(dllexport)
#else
#define JQCAB_API extern "C" __declspec(dllimport)
#endif

enum CabCode : int {
  CAB_OK = 0,
  CAB_E_ARCHIVE_NOT_FOUND = 1,  // the cabinet file is missing
  CAB_E_ARCHIVE_ACCESS = 2,     // the cabinet file cannot be opened
  CAB_E_NOT_CABINET = 3,
  CAB_E_BAD_DIRECTORY = 4,      // damaged headers, or an entry name that would leave the folder
  CAB_E_BAD_DATA = 5,           // damaged data, failed checksum or a cabinet that ends early
  CAB_E_METHOD = 6,             // a compression method this library cannot read
  CAB_E_WRITE = 7,              // writing the target failed (disk full?)
  CAB_E_TARGET_DENIED = 8,      // the target exists and cannot be replaced
  CAB_E_FOLDER = 9,             // the target folder cannot be created
  CAB_E_MEMORY = 10,
  CAB_E_NO_ENTRY = 11,          // no entry of the requested name
  CAB_E_NO_ARCHIVE = 12,        // no CAB_SetArchive before
  CAB_E_ARGUMENT = 13,          // empty name list or a null argument
};

JQCAB_API int __stdcall CAB_SetArchive(const char* path);
JQCAB_API int __stdcall CAB_ExtractFiles(const char* names, const char* folder);
JQCAB_API int __stdcall CAB_MapToCPError(int code);
JQCAB_API int __stdcall CAB_CloseArchive(void);
