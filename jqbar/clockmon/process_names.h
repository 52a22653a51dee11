// The executable name of the process that owns a window: on Windows NT from the Process object
// of the performance data, on Windows 9x through the Toolhelp32 functions, with the resident
// name of 16-bit executables.
#pragma once
#include <windows.h>

#include <cstdint>

namespace jqbar {

// 1 when all seven Toolhelp32 functions are found in KERNEL32.
int LoadToolhelpFunctions();
// 1 with the name (at most 260 bytes with the terminator) when found.
int GetProcessModuleName(DWORD processId, char* name);
int FindNtProcessName(DWORD processId, char* name);
// Copies `size` bytes (at most the system's 548-byte record) of the module entry.
int FindToolhelpModule(DWORD processId, DWORD moduleId, void* entry, DWORD size);
// The first resident name of a 16-bit ("NE") executable.
int ReadNeModuleName(const char* path, char* name, int capacity);
// The same on bytes in memory, every offset checked against `size`.
int ParseNeModuleName(const std::uint8_t* data, std::size_t size, char* name, int capacity);

// Tests: take the Windows 9x or NT branch regardless of the system (-1: the system's own).
void SetProcessNamesPlatformForTest(int windowsNT);

}  // namespace jqbar
