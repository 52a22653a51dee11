// jqlha.dll: extraction from LHA archives (-lh0- and -lh4- to -lh7-, header levels 0 to 3).
//
//   Unlha(window, command, output, outputSize) -> 0, or an LHA code (32785..32811)
//     command: "x|e [switches] "<archive>" [names...]". "x" keeps the stored folders, "e" writes
//     every file straight into the current folder. Output always goes below the process's
//     current folder. Switches ("/..." or "-...") are accepted and ignored. Names are quoted or
//     plain, with a leading "\" when the stored name has a folder part; "*" and "?" match; with
//     no name every entry is extracted. A short report is written to output (NUL-terminated).
//     While it works it sends the registered message "wm_arcextract" (wParam 1, lParam a
//     pointer to an LhaProgressRecord) to the owner window.
//   UnlhaSetOwnerWindow(window) -> TRUE; UnlhaSetCursorMode(mode) -> TRUE (the wait cursor is
//     shown during Unlha when mode is non-zero).
#pragma once
#include <windows.h>
#include <cstdint>

#ifdef JQLHA_BUILD
#define JQLHA_API extern "C" __declspec(dllexport)
#else
#define JQLHA_API extern "C" __declspec(dllimport)
#endif

enum LhaCode : int {
  LHA_OK = 0,
  LHA_E_TOO_MANY_FILES = 32785,
  LHA_E_MAKE_FOLDER = 32786,     // a folder could not be created
  LHA_E_WRITE = 32787,           // writing a file failed
  LHA_E_HEADER = 32788,          // damaged header, or an entry name that would leave the folder
  LHA_E_CRC = 32790,             // damaged data or failed CRC
  LHA_E_TRUNCATED = 32791,       // the archive ends early
  LHA_E_ACCESS = 32792,          // the archive cannot be opened, or a target cannot be replaced
  LHA_E_NOT_ARCHIVE = 32793,
  LHA_E_METHOD = 32794,          // a compression method that cannot be read
  LHA_E_MEMORY = 32797,
  LHA_E_COMMAND = 32800,         // a command line that cannot be understood
  LHA_E_NOT_FOUND = 32809,       // the archive, or a requested entry, is missing
};

// The record sent with "wm_arcextract": progress in units of whole entries plus KiB of data.
struct LhaProgressRecord {
  uint32_t total;        // +0
  uint32_t done;         // +4 (never above total)
  char reserved[516];    // +8
  char name[500];        // +524 the entry being written (the receiver may change it)
};
static_assert(sizeof(LhaProgressRecord) == 1024, "progress record is 1024 bytes");

JQLHA_API int __stdcall Unlha(HWND window, LPCSTR command, LPSTR output, DWORD outputSize);
JQLHA_API BOOL __stdcall UnlhaSetOwnerWindow(HWND window);
JQLHA_API BOOL __stdcall UnlhaSetCursorMode(BOOL mode);
