// What the benchmarks measure besides time: the process's working set and the bytes in use in
// its heaps.
#pragma once
#include <windows.h>
#include <psapi.h>

#include <cstdint>

inline double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

inline SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.WorkingSetSize;
}

// Bytes in use in all of the process's heaps (allocated blocks only).
inline uint64_t HeapBytesInUse() {
  HANDLE heaps[64];
  DWORD count = GetProcessHeaps(64, heaps);
  uint64_t total = 0;
  for (DWORD i = 0; i < count && i < 64; ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry))
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    HeapUnlock(heaps[i]);
  }
  return total;
}
