#include "clock_settings.h"

#include <algorithm>
#include <cstring>

#include "le_bytes.h"

namespace jqbar {
namespace {

bool OnOff2(std::int32_t v) { return v == 0 || v == 2; }
bool OnOff1(std::int32_t v) { return v == 0 || v == 1; }

// A value of any size, as stored.
bool ReadValue(HKEY key, const char* name, std::vector<std::uint8_t>& out, DWORD& type) {
  DWORD bytes = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || bytes > 65536)
    return false;
  out.assign(bytes + 1, 0);
  if (RegQueryValueExA(key, name, nullptr, &type, out.data(), &bytes) != ERROR_SUCCESS) return false;
  out.resize(bytes);
  return true;
}

bool SameDate(const SYSTEMTIME& a, const SYSTEMTIME& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

ClockSettings DefaultClockSettings() {
  ClockSettings s{};
  s.showDigital = 2;
  s.showDate = 2;
  s.colour = 4;
  s.size = 1;
  return s;
}

bool ReadClockSettings(const void* blob, int size, ClockSettings& out) {
  if (!blob || size < kClockBlobSize) return false;
  const auto* p = static_cast<const std::uint8_t*>(blob);
  const ClockSettings d = DefaultClockSettings();
  ClockSettings s{};
  s.flags = le::GetU32(p);
  std::memcpy(s.caption, p + 4, sizeof s.caption);
  if (strnlen(s.caption, sizeof s.caption) > kClockCaptionMax)
    std::memset(s.caption + kClockCaptionMax, 0, sizeof s.caption - kClockCaptionMax);
  std::int32_t* fields[8] = {&s.showCaption, &s.showDigital, &s.showAnalog, &s.showDate,
                             &s.colour,      &s.size,        &s.seconds,    &s.hour24};
  for (int i = 0; i < 8; ++i) *fields[i] = le::GetI32(p + 36 + 4 * i);
  if (!OnOff2(s.showCaption)) s.showCaption = d.showCaption;
  if (!OnOff2(s.showDigital)) s.showDigital = d.showDigital;
  if (!OnOff2(s.showAnalog)) s.showAnalog = d.showAnalog;
  if (!OnOff2(s.showDate)) s.showDate = d.showDate;
  if (s.colour < 0 || s.colour > 5) s.colour = d.colour;
  if (s.size < 0 || s.size > 3) s.size = d.size;
  if (!OnOff1(s.seconds)) s.seconds = d.seconds;
  if (!OnOff1(s.hour24)) s.hour24 = d.hour24;
  std::memcpy(s.tzi, p + 68, kTziSize);
  out = s;
  return true;
}

void WriteClockSettings(const ClockSettings& s, std::uint8_t* p) {
  le::PutU32(p, s.flags);
  std::memcpy(p + 4, s.caption, sizeof s.caption);
  const std::int32_t fields[8] = {s.showCaption, s.showDigital, s.showAnalog, s.showDate,
                                  s.colour,      s.size,        s.seconds,    s.hour24};
  for (int i = 0; i < 8; ++i) le::PutI32(p + 36 + 4 * i, fields[i]);
  std::memcpy(p + 68, s.tzi, kTziSize);
}

bool CompareTimeZones(const TimeZoneEntry& a, const TimeZoneEntry& b) {
  std::int32_t ba = le::GetI32(a.tzi), bb = le::GetI32(b.tzi);
  if (ba != bb) return ba < bb;
  return lstrcmpiA(a.keyName.c_str(), b.keyName.c_str()) < 0;
}

std::vector<TimeZoneEntry> ReadTimeZoneList(HKEY root, bool windows9x) {
  std::vector<TimeZoneEntry> list;
  const char* path = windows9x ? "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones"
                               : "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
  HKEY zones = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &zones) != ERROR_SUCCESS) return list;
  char name[100];
  for (DWORD index = 0; list.size() < kMaxTimeZones; ++index) {
    DWORD length = sizeof name;
    LONG r = RegEnumKeyExA(zones, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS) continue;
    HKEY zone = nullptr;
    if (RegOpenKeyExA(zones, name, 0, KEY_READ, &zone) != ERROR_SUCCESS) continue;
    TimeZoneEntry e;
    e.keyName.assign(name, strnlen(name, 29));
    std::vector<std::uint8_t> value;
    DWORD type = 0;
    if (ReadValue(zone, "Display", value, type) && type == REG_SZ) {
      const char* text = reinterpret_cast<const char*>(value.data());
      e.display.assign(text, strnlen(text, std::min<std::size_t>(value.size(), 59)));
    }
    if (ReadValue(zone, "TZI", value, type) && type == REG_BINARY)
      std::memcpy(e.tzi, value.data(), std::min<std::size_t>(value.size(), kTziSize));
    RegCloseKey(zone);
    list.push_back(std::move(e));
  }
  RegCloseKey(zones);
  std::stable_sort(list.begin(), list.end(), CompareTimeZones);
  return list;
}

int FindTimeZoneByTzi(const std::vector<TimeZoneEntry>& list, const std::uint8_t* tzi) {
  ZoneRules want;
  ReadZoneRules(tzi, want);
  for (std::size_t i = 0; i < list.size(); ++i) {
    ZoneRules z;
    ReadZoneRules(list[i].tzi, z);
    if (z.bias == want.bias && z.standardBias == want.standardBias &&
        z.daylightBias == want.daylightBias && SameDate(z.standardDate, want.standardDate) &&
        SameDate(z.daylightDate, want.daylightDate))
      return int(i);
  }
  for (std::size_t i = 0; i < list.size(); ++i)
    if (le::GetI32(list[i].tzi) == want.bias) return int(i);
  return 0;
}

int FindCurrentTimeZone(const std::vector<TimeZoneEntry>& list) {
  TIME_ZONE_INFORMATION info{};
  GetTimeZoneInformation(&info);
  ZoneRules r;
  r.bias = info.Bias;
  r.standardBias = info.StandardBias;
  r.daylightBias = info.DaylightBias;
  r.standardDate = info.StandardDate;
  r.daylightDate = info.DaylightDate;
  std::uint8_t tzi[kTziSize];
  WriteZoneRules(r, tzi);
  return FindTimeZoneByTzi(list, tzi);
}

}  // namespace jqbar
