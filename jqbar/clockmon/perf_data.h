// Reading the system's performance data (HKEY_PERFORMANCE_DATA) without trusting it: every
// object, counter, instance and name offset is checked against the bytes actually returned.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jqbar {

// The object's data as returned for one object index ("238", "260", "230"); empty on failure.
// The buffer grows by 1000 bytes while the system asks for more, up to a bound.
std::vector<std::uint8_t> QueryPerformanceData(const char* objectIndex, std::size_t startSize);

struct PerfObjectView {
  const std::uint8_t* data = nullptr;  // the whole block
  std::size_t size = 0;
  std::size_t object = 0;        // offset of the first object
  std::size_t objectEnd = 0;
  std::size_t definitions = 0;   // offset of the first counter definition
  std::uint32_t numCounters = 0;
  std::int32_t numInstances = 0;  // PERF_NO_INSTANCES (-1) when the object has none
  std::uint64_t perfTime100nSec = 0;
};

// The first object of a data block; false when the block or its header is damaged.
bool OpenFirstPerfObject(const std::uint8_t* data, std::size_t size, PerfObjectView& out);
// The counter's offset in a counter block; false when the object has no such counter.
bool FindPerfCounter(const PerfObjectView& object, std::uint32_t nameIndex, std::uint32_t* offset);

struct PerfInstance {
  std::size_t record = 0;  // offset of the instance definition
  std::size_t block = 0;   // offset of its counter block
  std::uint32_t blockLength = 0;
};
// The instances in order; stops at the first damaged one.
std::vector<PerfInstance> ListPerfInstances(const PerfObjectView& object);
// The counter block of an object without instances.
bool ObjectCounterBlock(const PerfObjectView& object, PerfInstance& out);
bool ReadCounter32(const PerfObjectView& object, const PerfInstance& block, std::uint32_t offset,
                   std::uint32_t* value);
// The instance's name (UTF-16 in the data) in the ANSI code page.
bool InstanceName(const PerfObjectView& object, const PerfInstance& instance, char* out, int capacity);

// Processor object "238": idle time (counter 6) of the first instance and the block's time.
bool ReadProcessorIdle(const std::uint8_t* data, std::size_t size, std::uint32_t* idle,
                       std::uint32_t* time);
// System object "260": threads (counter 250).
bool ReadThreadCount(const std::uint8_t* data, std::size_t size, std::uint32_t* threads);
// Process object "230": the name of the instance whose ID Process (784) is `pid`. The object's
// last instance (the total) is never matched.
bool FindProcessInstanceName(const std::uint8_t* data, std::size_t size, std::uint32_t pid,
                             char* out, int capacity);

}  // namespace jqbar
