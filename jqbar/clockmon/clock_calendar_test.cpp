#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "clock_calendar.h"
#include "clock_settings.h"
#include "le_bytes.h"
#include "seams.h"
#include "test_support.h"

using namespace jqbar;
using jqtest::TestRegistry;

namespace {

SYSTEMTIME Utc(int y, int mo, int d, int h, int mi) {
  SYSTEMTIME t{};
  t.wYear = WORD(y);
  t.wMonth = WORD(mo);
  t.wDay = WORD(d);
  t.wHour = WORD(h);
  t.wMinute = WORD(mi);
  return t;
}

SYSTEMTIME Rule(int month, int weekday, int n, int hour, int year = 0, int minute = 0) {
  SYSTEMTIME t{};
  t.wYear = WORD(year);
  t.wMonth = WORD(month);
  t.wDayOfWeek = WORD(weekday);
  t.wDay = WORD(n);
  t.wHour = WORD(hour);
  t.wMinute = WORD(minute);
  return t;
}

// US Eastern: UTC-5, daylight from the second Sunday of March to the first Sunday of November.
ZoneRules Eastern() {
  ZoneRules r;
  r.bias = 300;
  r.daylightBias = -60;
  r.standardDate = Rule(11, 0, 1, 2);
  r.daylightDate = Rule(3, 0, 2, 2);
  return r;
}

// Sydney: UTC+10, daylight from the first Sunday of October to the first Sunday of April.
ZoneRules Sydney() {
  ZoneRules r;
  r.bias = -600;
  r.daylightBias = -60;
  r.standardDate = Rule(4, 0, 1, 3);
  r.daylightDate = Rule(10, 0, 1, 2);
  return r;
}

std::string Text(const ClockTime& t) {
  char b[40];
  snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return b;
}

}  // namespace

TEST(ClockCalendar, LeapYearsFollowJulianRuleUpTo1752) {
  struct { int year; bool leap; } cases[] = {
      {1500, true}, {1700, true}, {1752, true}, {1753, false}, {1800, false},
      {1900, false}, {2000, true}, {2023, false}, {2024, true}, {2100, false}};
  for (auto& c : cases) EXPECT_EQ(IsLeapYear(c.year), c.leap) << c.year;
  EXPECT_EQ(MonthLength(2, 1700), 29);
  EXPECT_EQ(MonthLength(2, 1900), 28);
  EXPECT_EQ(GetDayOfYear(1, 3, 2000), 61);
  EXPECT_EQ(GetDayOfYear(31, 12, 1900), 365);
}

TEST(ClockCalendar, WeekdaysAcrossTheSeptember1752Change) {
  struct { int d, m, y, weekday; } cases[] = {
      {2, 9, 1752, 3},  {14, 9, 1752, 4}, {3, 9, 1752, 4},  {8, 9, 1752, 4},  {13, 9, 1752, 4},
      {4, 7, 1776, 4},  {1, 1, 1800, 3},  {1, 1, 1900, 1},  {1, 1, 1970, 4},  {29, 2, 2000, 2},
      {1, 1, 2001, 1},  {31, 12, 2026, 4}, {11, 12, 2026, 5}, {1, 3, 2100, 1}};
  for (auto& c : cases)
    EXPECT_EQ(GetDayOfWeek(c.d, c.m, c.y), c.weekday) << c.d << "." << c.m << "." << c.y;
}

TEST(ClockCalendar, NthWeekdayOfMonthWithFifthMeaningLast) {
  struct { int weekday, month, n, year, day; } cases[] = {
      {0, 2, 5, 2026, 22},  // February 2026 has four Sundays: the fifth is the last
      {0, 3, 5, 2026, 29},
      {0, 3, 1, 2026, 1},   {0, 3, 2, 2026, 8},  {0, 5, 5, 2026, 31}, {0, 10, 5, 2026, 25},
      {0, 11, 1, 2026, 1},  {0, 2, 5, 2015, 22}, {1, 2, 0, 2026, 2},  {6, 9, 5, 1752, 30}};
  for (auto& c : cases)
    EXPECT_EQ(FindWeekdayInMonth(c.weekday, c.month, c.n, c.year), c.day)
        << c.weekday << " " << c.month << " " << c.n << " " << c.year;
  EXPECT_EQ(FindWeekdayInMonth(0, 13, 1, 2026), 0);
}

TEST(ClockCalendar, MinuteArithmeticCarriesAcrossDaysMonthsAndYears) {
  struct { ClockTime start; int minutes; const char* expected; } cases[] = {
      {{2026, 1, 1, 0, 30}, -60, "2025-12-31 23:30"},
      {{2026, 12, 31, 23, 0}, 90, "2027-01-01 00:30"},
      {{2000, 3, 1, 0, 10}, -30, "2000-02-29 23:40"},
      {{1900, 3, 1, 0, 10}, -30, "1900-02-28 23:40"},
      {{2026, 12, 31, 20, 0}, 780, "2027-01-01 09:00"},
      {{2026, 6, 15, 10, 0}, -600, "2026-06-15 00:00"},
      {{2026, 6, 15, 0, 0}, -1, "2026-06-14 23:59"},
      {{2026, 4, 30, 23, 59}, 1, "2026-05-01 00:00"}};
  for (auto& c : cases) {
    ClockTime t = c.start;
    AddMinutesToTime(t, c.minutes);
    EXPECT_EQ(Text(t), c.expected) << Text(c.start) << " + " << c.minutes;
  }
}

TEST(ClockCalendar, DaylightRulesOfNorthernAndSouthernZones) {
  struct {
    ZoneRules rules;
    SYSTEMTIME utc;
    bool previous;  // the flag a clock running up to this minute holds
    const char* local;
    bool daylight;
  } cases[] = {
      {Eastern(), Utc(2026, 1, 15, 12, 0), false, "2026-01-15 07:00", false},
      {Eastern(), Utc(2026, 7, 1, 12, 0), true, "2026-07-01 08:00", true},
      {Eastern(), Utc(2026, 3, 8, 6, 59), false, "2026-03-08 01:59", false},
      {Eastern(), Utc(2026, 3, 8, 7, 0), false, "2026-03-08 03:00", true},
      {Eastern(), Utc(2026, 11, 1, 5, 59), true, "2026-11-01 01:59", true},
      {Eastern(), Utc(2026, 11, 1, 6, 0), true, "2026-11-01 01:00", false},
      {Eastern(), Utc(2027, 1, 1, 3, 0), false, "2026-12-31 22:00", false},
      {Sydney(), Utc(2026, 1, 15, 0, 0), true, "2026-01-15 11:00", true},
      {Sydney(), Utc(2026, 7, 15, 0, 0), false, "2026-07-15 10:00", false},
      {Sydney(), Utc(2026, 12, 31, 13, 30), true, "2027-01-01 00:30", true},
      {Sydney(), Utc(2026, 4, 4, 15, 59), true, "2026-04-05 02:59", true},
      {Sydney(), Utc(2026, 4, 4, 16, 0), true, "2026-04-05 02:00", false},
  };
  for (auto& c : cases) {
    bool daylight = c.previous;
    ClockTime t = ComputeZoneTime(c.utc, c.rules, daylight);
    EXPECT_EQ(Text(t), c.local) << Text(ClockTime{c.utc.wYear, c.utc.wMonth, c.utc.wDay, c.utc.wHour, c.utc.wMinute});
    EXPECT_EQ(daylight, c.daylight) << c.local;
  }
}

TEST(ClockCalendar, FixedYearChangeDatesAndZonesWithoutDaylight) {
  ZoneRules fixed = Eastern();
  fixed.daylightDate = Rule(4, 0, 10, 2, 2026);  // 10 April 2026 only
  fixed.standardDate = Rule(10, 0, 20, 2, 2026);
  EXPECT_FALSE(IsDaylightTime(fixed, ClockTime{2026, 4, 10, 1, 59}));
  EXPECT_TRUE(IsDaylightTime(fixed, ClockTime{2026, 4, 10, 2, 0}));
  EXPECT_FALSE(IsDaylightTime(fixed, ClockTime{2027, 4, 11, 0, 0}));  // another year: past both

  ZoneRules none;
  none.bias = -480;
  none.daylightBias = -60;
  bool daylight = true;
  ClockTime t = ComputeZoneTime(Utc(2026, 7, 1, 20, 0), none, daylight);
  EXPECT_FALSE(daylight);
  EXPECT_EQ(Text(t), "2026-07-02 04:00");
}

// ---- the settings blob and the zone list ----

namespace {

std::vector<std::uint8_t> CanonicalClockBlob() {
  std::vector<std::uint8_t> b(112, 0);
  le::PutU32(b.data(), 0);
  std::memcpy(b.data() + 4, "Taipei", 6);
  const std::int32_t fields[8] = {2, 2, 0, 2, 1, 3, 1, 1};
  for (int i = 0; i < 8; ++i) le::PutI32(b.data() + 36 + 4 * i, fields[i]);
  ZoneRules r = Sydney();
  WriteZoneRules(r, b.data() + 68);
  return b;
}

}  // namespace

TEST(ClockSettingsBlob, CanonicalBlobReadsAtItsOffsetsAndWritesBackUnchanged) {
  std::vector<std::uint8_t> b = CanonicalClockBlob();
  ClockSettings s{};
  ASSERT_TRUE(ReadClockSettings(b.data(), int(b.size()), s));
  EXPECT_STREQ(s.caption, "Taipei");
  EXPECT_EQ(s.showCaption, 2);
  EXPECT_EQ(s.showAnalog, 0);
  EXPECT_EQ(s.colour, 1);
  EXPECT_EQ(s.size, 3);
  EXPECT_EQ(s.seconds, 1);
  EXPECT_EQ(s.hour24, 1);
  ZoneRules r;
  ReadZoneRules(s.tzi, r);
  EXPECT_EQ(r.bias, -600);
  EXPECT_EQ(r.daylightDate.wMonth, 10);
  EXPECT_EQ(le::GetI32(b.data() + 68), -600);
  EXPECT_EQ(b[68 + 12 + 2], 4);  // StandardDate.wMonth at 82
  std::uint8_t out[112];
  WriteClockSettings(s, out);
  EXPECT_EQ(std::memcmp(out, b.data(), 112), 0);
}

TEST(ClockSettingsBlob, DamagedBlobsFallBackFieldByField) {
  std::vector<std::uint8_t> b = CanonicalClockBlob();
  ClockSettings s{};
  EXPECT_FALSE(ReadClockSettings(b.data(), 111, s));
  EXPECT_FALSE(ReadClockSettings(nullptr, 112, s));

  std::vector<std::uint8_t> longer = b;
  longer.resize(140, 0xEE);
  ASSERT_TRUE(ReadClockSettings(longer.data(), int(longer.size()), s));
  EXPECT_EQ(s.size, 3);

  std::vector<std::uint8_t> bad = b;
  std::memset(bad.data() + 4, 'x', 32);          // caption with no terminator
  le::PutI32(bad.data() + 36, 7);                // show caption neither 2 nor 0
  le::PutI32(bad.data() + 52, 6);                // colour past the table
  le::PutI32(bad.data() + 56, -1);               // size before the table
  le::PutI32(bad.data() + 60, 2);                // seconds neither 1 nor 0
  ASSERT_TRUE(ReadClockSettings(bad.data(), 112, s));
  EXPECT_EQ(std::string(s.caption), std::string(29, 'x'));
  EXPECT_EQ(s.showCaption, 0);
  EXPECT_EQ(s.colour, 4);
  EXPECT_EQ(s.size, 1);
  EXPECT_EQ(s.seconds, 0);
  EXPECT_EQ(s.hour24, 1);  // valid fields are kept
}

TEST(ClockTimeZones, ListIsCappedAtHundredThenSortedAndMatchedByTzi) {
  TestRegistry registry;
  HKEY zones = nullptr;
  ASSERT_EQ(RegCreateKeyExA(registry.machine(), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones",
                            0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &zones, nullptr), ERROR_SUCCESS);
  auto add = [&](const std::string& name, const char* display, const ZoneRules* rules) {
    HKEY z = nullptr;
    RegCreateKeyExA(zones, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &z, nullptr);
    if (display) RegSetValueExA(z, "Display", 0, REG_SZ, reinterpret_cast<const BYTE*>(display), DWORD(strlen(display) + 1));
    if (rules) {
      std::uint8_t tzi[44];
      WriteZoneRules(*rules, tzi);
      RegSetValueExA(z, "TZI", 0, REG_BINARY, tzi, 44);
    }
    RegCloseKey(z);
  };
  ZoneRules east = Eastern(), sydney = Sydney(), sameBias = Sydney();
  sameBias.daylightDate = ZoneRules{}.daylightDate;
  sameBias.standardDate = ZoneRules{}.standardDate;
  add("b Sydney", "(UTC+10:00) Sydney", &sydney);
  add("A Brisbane", "(UTC+10:00) Brisbane", &sameBias);
  add("Eastern", std::string(80, 'E').c_str(), &east);
  add("No values", nullptr, nullptr);
  // Names that enumerate after the four above ("Z..."): only 96 of the 103 fit in.
  for (int i = 0; i < 103; ++i) {
    ZoneRules r;
    r.bias = 60 * (i % 7);
    char name[20];
    snprintf(name, sizeof name, "Zone %03d", i);
    add(name, name, &r);
  }
  RegCloseKey(zones);

  std::vector<TimeZoneEntry> list = ReadTimeZoneList(registry.machine(), false);
  ASSERT_EQ(list.size(), 100u);
  for (std::size_t i = 1; i < list.size(); ++i) EXPECT_FALSE(CompareTimeZones(list[i], list[i - 1]));
  EXPECT_EQ(list[0].keyName, "A Brisbane");  // bias -600, before "b Sydney" without case
  EXPECT_EQ(list[1].keyName, "b Sydney");
  int zoneCount = 0;
  for (auto& e : list) {
    if (e.keyName.rfind("Zone ", 0) == 0) ++zoneCount;
    if (e.keyName == "Eastern") {
      EXPECT_EQ(e.display, std::string(59, 'E'));
    }
    if (e.keyName == "No values") {
      EXPECT_EQ(e.display, "");
      EXPECT_EQ(le::GetI32(e.tzi), 0);
    }
  }
  EXPECT_EQ(zoneCount, 96);

  std::uint8_t tzi[44];
  WriteZoneRules(sydney, tzi);
  EXPECT_EQ(FindTimeZoneByTzi(list, tzi), 1);  // exact match beats the first of the same bias
  ZoneRules other = Sydney();
  other.daylightBias = -30;
  WriteZoneRules(other, tzi);
  EXPECT_EQ(FindTimeZoneByTzi(list, tzi), 0);  // same bias only
  other.bias = 12345;
  WriteZoneRules(other, tzi);
  EXPECT_EQ(FindTimeZoneByTzi(list, tzi), 0);

  EXPECT_TRUE(ReadTimeZoneList(registry.machine(), true).empty());  // no 9x key
}
