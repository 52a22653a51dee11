// The system monitor's settings blob, its free-space text and its alarm rule.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace jqbar {

enum PerfMonStatistic { kStatCpu = 0, kStatThreads, kStatMemory, kStatSystem, kStatUser, kStatGdi, kStatDrive };

inline constexpr int kPerfMonHeadSize = 44;
inline constexpr int kPerfMonHistory = 20;
inline constexpr int kPerfMonIntervals[6] = {1000, 2000, 5000, 10000, 30000, 60000};

struct PerfMonSettings {
  std::int32_t display = 0;     // 0 bar, 1 graph
  std::int32_t statistic = 0;
  std::int32_t drive = 'c';
  std::int32_t sound = -1;      // MessageBeep type
  std::int32_t interval = 2;
  std::int32_t colour = 0;      // PALETTEINDEX 0..18
  std::int32_t alarmOn = 0;
  std::int32_t threshold = 5;
  std::int32_t action = 0;      // 0 message, 1 program, 2 sound
  std::string message;
  std::string program;
};

// Reads a blob with a bounded cursor. A blob too short for its head, or whose lengths run past
// its end, is refused (false). Fields outside their ranges take their defaults. A blob as this
// program writes it reads back and writes again byte for byte.
bool ReadPerfMonSettings(const void* blob, int size, PerfMonSettings& out);
// The two unused words are written as zeros.
std::vector<std::uint8_t> WritePerfMonSettings(const PerfMonSettings& settings);

// Free space in KB as shown: "999 KB", "1.0 MB", "10 MB", "1.0 GB". Units are the loaded texts.
std::string FormatFreeSpace(std::int64_t kb, const char* kbUnit, const char* mbUnit,
                            const char* gbUnit, bool twoLines = false);

// One alarm step after a sample: true when the alarm fires now. It fires once per fall below the
// threshold, and only after the value has been at or above it.
bool AlarmStep(bool applies, int value, int threshold, bool& armed);

// CPU usage from two readings of the processor's idle counter (100 ns units), clamped to 0..99.
int CpuUsageFromIdle(std::uint32_t previousIdle, std::uint32_t previousTime, std::uint32_t idle,
                     std::uint32_t time);

}  // namespace jqbar
