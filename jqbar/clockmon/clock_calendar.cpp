#include "clock_calendar.h"

#include "le_bytes.h"

namespace jqbar {
namespace {

constexpr int kCommonYear[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kLeapYear[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

void ReadDate(const std::uint8_t* p, SYSTEMTIME& d) {
  WORD* f[8] = {&d.wYear, &d.wMonth, &d.wDayOfWeek, &d.wDay,
                &d.wHour, &d.wMinute, &d.wSecond, &d.wMilliseconds};
  for (int i = 0; i < 8; ++i) *f[i] = WORD(p[2 * i] | p[2 * i + 1] << 8);
}

void WriteDate(const SYSTEMTIME& d, std::uint8_t* p) {
  const WORD f[8] = {d.wYear, d.wMonth, d.wDayOfWeek, d.wDay,
                     d.wHour, d.wMinute, d.wSecond, d.wMilliseconds};
  for (int i = 0; i < 8; ++i) {
    p[2 * i] = std::uint8_t(f[i]);
    p[2 * i + 1] = std::uint8_t(f[i] >> 8);
  }
}

// Lexicographic comparison on up to five fields; equal counts as "not before".
bool Before(const int* a, const int* b, int n) {
  for (int i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i];
  return false;
}

bool BeforeChange(const ClockTime& t, const SYSTEMTIME& date) {
  if (date.wYear == 0) {
    int day = FindWeekdayInMonth(date.wDayOfWeek, date.wMonth, date.wDay, t.year);
    const int a[4] = {t.month, t.day, t.hour, t.minute};
    const int b[4] = {date.wMonth, day, date.wHour, date.wMinute};
    return Before(a, b, 4);
  }
  const int a[5] = {t.year, t.month, t.day, t.hour, t.minute};
  const int b[5] = {date.wYear, date.wMonth, date.wDay, date.wHour, date.wMinute};
  return Before(a, b, 5);
}

}  // namespace

void ReadZoneRules(const std::uint8_t* tzi, ZoneRules& out) {
  out.bias = le::GetI32(tzi);
  out.standardBias = le::GetI32(tzi + 4);
  out.daylightBias = le::GetI32(tzi + 8);
  ReadDate(tzi + 12, out.standardDate);
  ReadDate(tzi + 28, out.daylightDate);
}

void WriteZoneRules(const ZoneRules& rules, std::uint8_t* tzi) {
  le::PutI32(tzi, rules.bias);
  le::PutI32(tzi + 4, rules.standardBias);
  le::PutI32(tzi + 8, rules.daylightBias);
  WriteDate(rules.standardDate, tzi + 12);
  WriteDate(rules.daylightDate, tzi + 28);
}

bool IsLeapYear(int year) {
  if (year <= 1752) return year % 4 == 0;
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int MonthLength(int month, int year) {
  if (month < 1 || month > 12) return 0;
  return (IsLeapYear(year) ? kLeapYear : kCommonYear)[month];
}

void AddMinutesToTime(ClockTime& t, int minutes) {
  t.minute += minutes;
  if (t.minute < 0) {
    t.hour -= (59 - t.minute) / 60;
    t.minute = 59 - (59 - t.minute) % 60;
  } else if (t.minute >= 60) {
    t.hour += t.minute / 60;
    t.minute %= 60;
  }
  if (t.hour < 0) {
    t.day -= (23 - t.hour) / 24;
    t.hour = 23 - (23 - t.hour) % 24;
  } else if (t.hour >= 24) {
    t.day += t.hour / 24;
    t.hour %= 24;
  }
  if (t.day <= 0) {
    if (--t.month < 1) {
      t.month = 12;
      --t.year;
    }
    t.day = MonthLength(t.month, t.year);
  } else if (t.day > MonthLength(t.month, t.year)) {
    t.day = 1;
    if (++t.month > 12) {
      t.month = 1;
      ++t.year;
    }
  }
}

int GetDayOfYear(int day, int month, int year) {
  int n = day;
  for (int m = 1; m < month && m <= 12; ++m) n += MonthLength(m, year);
  return n;
}

int GetDayOfWeek(int day, int month, int year) {
  long long y = year - 1;
  long long n = y * 365 + y / 4 + GetDayOfYear(day, month, year) +
                (y > 1600 ? (year - 1601) / 400 : 0) - (y > 1700 ? y / 100 - 17 : 0);
  if (n < 639799) return int(((n + 5) % 7 + 7) % 7);
  if (n < 639810) return 4;  // 3 to 13 September 1752 never happened
  return int((n - 6) % 7);
}

int FindWeekdayInMonth(int weekday, int month, int n, int year) {
  int found = 0;
  int length = MonthLength(month, year);
  for (int day = 1; day <= length; ++day) {
    if (GetDayOfWeek(day, month, year) != weekday) continue;
    if (n <= 1) return day;
    --n;
    found = day;
  }
  return found;
}

bool IsDaylightTime(const ZoneRules& r, const ClockTime& t) {
  if (r.standardDate.wMonth == 0 || r.daylightDate.wMonth == 0) return false;
  bool beforeDaylight = BeforeChange(t, r.daylightDate);
  bool beforeStandard = BeforeChange(t, r.standardDate);
  if (r.daylightDate.wMonth < r.standardDate.wMonth) return !beforeDaylight && beforeStandard;
  return beforeStandard || !beforeDaylight;
}

ClockTime ZoneTimeFromUtc(const SYSTEMTIME& utc, const ZoneRules& r, bool daylight) {
  ClockTime t{utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond};
  int bias = r.bias + (daylight ? r.daylightBias : r.standardBias);
  AddMinutesToTime(t, -bias);
  return t;
}

ClockTime ComputeZoneTime(const SYSTEMTIME& utc, const ZoneRules& r, bool& daylight) {
  daylight = IsDaylightTime(r, ZoneTimeFromUtc(utc, r, daylight));
  return ZoneTimeFromUtc(utc, r, daylight);
}

}  // namespace jqbar
