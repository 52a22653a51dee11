// folmatch.dll: compares two folders by their files' names and last-write times, and
// synchronises them through a dialog of its own. Exported undecorated (folmatch.def), WINAPI.
#pragma once
#include <windows.h>

extern "C" {
// Indexes the names and last-write times of the files in `folder` (not its subfolders); null
// when the folder cannot be read.
HANDLE WINAPI InitSearchPath(const char* folder);
// TRUE when a file named `name` (case-insensitive) is in the indexed folder; *result is then
// positive when `lastWrite` is newer than that file's time, negative when older, 0 when the
// two lie within two seconds of each other (the resolution of FAT time stamps).
BOOL WINAPI IsItemInPath(HANDLE handle, const char* name, const FILETIME* lastWrite, int* result);
void WINAPI CleanupSearchPath(HANDLE handle);
// Shows the synchronisation dialog for two folders (either may be empty: the user types it),
// lists what differs, below both folders, and copies the chosen files the chosen way. A file is
// never copied over a newer one without the user's consent. Returns the number of files copied,
// or -1 when the dialog could not be shown.
int WINAPI Synchronize(HWND owner, const char* first, const char* second);
}

// Function types for the program that loads the library at run time.
using InitSearchPathFn = HANDLE(WINAPI*)(const char*);
using IsItemInPathFn = BOOL(WINAPI*)(HANDLE, const char*, const FILETIME*, int*);
using CleanupSearchPathFn = void(WINAPI*)(HANDLE);
using SynchronizeFn = int(WINAPI*)(HWND, const char*, const char*);
