// The clock's 112-byte settings blob and the process-wide list of time zones.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "clock_calendar.h"

namespace jqbar {

inline constexpr int kClockBlobSize = 112;

// Field for field the stored record, little-endian at these offsets.
struct ClockSettings {
  std::uint32_t flags;        // 0: bit 0 take the system's zone at creation
  char caption[32];           // 4: at most 29 characters and the terminator
  std::int32_t showCaption;   // 36: 2 on, 0 off
  std::int32_t showDigital;   // 40
  std::int32_t showAnalog;    // 44
  std::int32_t showDate;      // 48
  std::int32_t colour;        // 52: 0..5
  std::int32_t size;          // 56: 0..3
  std::int32_t seconds;       // 60: 1 on, 0 off
  std::int32_t hour24;        // 64: 1 on, 0 off
  std::uint8_t tzi[kTziSize]; // 68: the zone's registry "TZI" value, unchanged
};
static_assert(sizeof(ClockSettings) == kClockBlobSize);

inline constexpr int kClockCaptionMax = 29;

ClockSettings DefaultClockSettings();
// Reads the first 112 bytes of a blob. A shorter blob is refused (false, out unchanged). Fields
// outside their ranges fall back to the default of the field; the caption is cut at 29
// characters. A valid blob reads back byte for byte.
bool ReadClockSettings(const void* blob, int size, ClockSettings& out);
void WriteClockSettings(const ClockSettings& settings, std::uint8_t* blob112);

struct TimeZoneEntry {
  std::string keyName;   // 29 characters kept
  std::string display;   // 59 characters kept
  std::uint8_t tzi[kTziSize] = {};
};
inline constexpr int kMaxTimeZones = 100;

// Reads "...\Time Zones" below the machine root (the first 100 subkeys enumerated), sorted by
// bias, then key name without case.
std::vector<TimeZoneEntry> ReadTimeZoneList(HKEY machineRoot, bool windows9x);
bool CompareTimeZones(const TimeZoneEntry& a, const TimeZoneEntry& b);
// First entry with the same bias, dates and biases; else the first with the same bias; else 0.
int FindTimeZoneByTzi(const std::vector<TimeZoneEntry>& list, const std::uint8_t* tzi);
int FindCurrentTimeZone(const std::vector<TimeZoneEntry>& list);

}  // namespace jqbar
