// The clock's own calendar: minute carries, month lengths, leap years with the change from the
// Julian to the Gregorian rule in September 1752, weekdays, and the daylight-saving decision
// worked out from a zone's TZI record.
#pragma once
#include <windows.h>

#include <cstdint>

namespace jqbar {

// One zone's 44-byte registry "TZI" value.
struct ZoneRules {
  std::int32_t bias = 0;
  std::int32_t standardBias = 0;
  std::int32_t daylightBias = 0;
  SYSTEMTIME standardDate{};
  SYSTEMTIME daylightDate{};
};
inline constexpr int kTziSize = 44;
void ReadZoneRules(const std::uint8_t* tzi, ZoneRules& out);
void WriteZoneRules(const ZoneRules& rules, std::uint8_t* tzi);

// The fields the clock works on.
struct ClockTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool IsLeapYear(int year);
int MonthLength(int month, int year);
void AddMinutesToTime(ClockTime& time, int minutes);
int GetDayOfYear(int day, int month, int year);
int GetDayOfWeek(int day, int month, int year);  // 0 = Sunday .. 6 = Saturday
// The n-th such weekday of the month; n of 5 (or more than there are) means the last. 0: none.
int FindWeekdayInMonth(int weekday, int month, int n, int year);

// Whether the zone time t lies in daylight time under the rules. No change dates: never.
bool IsDaylightTime(const ZoneRules& rules, const ClockTime& t);
// The zone's time for a UTC time: UTC minus the bias of the given season.
ClockTime ZoneTimeFromUtc(const SYSTEMTIME& utc, const ZoneRules& rules, bool daylight);
// The zone time with its daylight flag, settled: the season decided on the time under the
// previous flag's bias, as the clock does minute by minute.
ClockTime ComputeZoneTime(const SYSTEMTIME& utc, const ZoneRules& rules, bool& daylight);

}  // namespace jqbar
