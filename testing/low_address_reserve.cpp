// Linked into every 64-bit test program: before anything else runs, every free range of the
// address space below 4 GiB is reserved, so that heaps, thread stacks and large allocations made
// afterwards land above it. Wine places them low by default, where a pointer cut to 32 bits would
// still work; here such a cut makes the test crash instead of passing by luck.
// JQ_KEEP_LOW_ADDRESSES=1 in the environment leaves the low range alone (for debugging).
#include <windows.h>
#include <cstdint>

namespace {

constexpr std::uintptr_t kLimit = std::uintptr_t(1) << 32;
constexpr std::uintptr_t kGranularity = 0x10000;

void ReserveLowAddressSpace() {
  char keep[8];
  if (GetEnvironmentVariableA("JQ_KEEP_LOW_ADDRESSES", keep, sizeof keep) > 0 && keep[0] == '1') {
    return;
  }
  std::uintptr_t address = kGranularity;
  while (address < kLimit) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(reinterpret_cast<void*>(address), &info, sizeof info) == 0) break;
    std::uintptr_t base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
    std::uintptr_t end = base + info.RegionSize;
    if (end <= address) break;
    if (info.State == MEM_FREE) {
      // Reservations start on the allocation granularity.
      std::uintptr_t start = (base + kGranularity - 1) & ~(kGranularity - 1);
      std::uintptr_t stop = end < kLimit ? end : kLimit;
      if (start < stop) {
        VirtualAlloc(reinterpret_cast<void*>(start), stop - start, MEM_RESERVE, PAGE_NOACCESS);
      }
    }
    address = end;
  }
}

struct LowAddressReservation {
  LowAddressReservation() { ReserveLowAddressSpace(); }
};

// Constructed before the other static objects of the program.
__attribute__((init_priority(101))) LowAddressReservation reservation;

}  // namespace
