#include "perfmon_settings.h"

#include <cstdio>
#include <cstring>

#include "le_bytes.h"

namespace jqbar {
namespace {

bool ValidSound(std::int32_t v) { return v == -1 || v == 0 || v == 16 || v == 32 || v == 48 || v == 64; }

bool ReadString(const std::uint8_t* p, std::size_t size, std::size_t& at, std::string& out) {
  if (size - at < 4) return false;
  std::int32_t length = le::GetI32(p + at);
  at += 4;
  if (length <= 0) {
    out.clear();
    return true;
  }
  if (std::size_t(length) > size - at) return false;
  out.assign(reinterpret_cast<const char*>(p + at), strnlen(reinterpret_cast<const char*>(p + at), std::size_t(length)));
  at += std::size_t(length);
  return true;
}

void WriteString(std::vector<std::uint8_t>& out, const std::string& s) {
  std::size_t at = out.size();
  std::int32_t length = s.empty() ? 0 : std::int32_t(s.size() + 1);
  out.resize(at + 4 + std::size_t(length), 0);
  le::PutI32(out.data() + at, length);
  if (length) std::memcpy(out.data() + at + 4, s.data(), s.size());
}

}  // namespace

bool ReadPerfMonSettings(const void* blob, int size, PerfMonSettings& out) {
  if (!blob || size < kPerfMonHeadSize + 4) return false;
  const auto* p = static_cast<const std::uint8_t*>(blob);
  const PerfMonSettings d;
  PerfMonSettings s;
  std::int32_t* fields[9] = {&s.display, &s.statistic, &s.drive,     &s.sound, &s.interval,
                             &s.colour,  &s.alarmOn,   &s.threshold, &s.action};
  for (int i = 0; i < 9; ++i) *fields[i] = le::GetI32(p + 4 * i);
  std::size_t at = kPerfMonHeadSize;
  if (!ReadString(p, std::size_t(size), at, s.message)) return false;
  if (!ReadString(p, std::size_t(size), at, s.program)) return false;
  if (s.display < 0 || s.display > 1) s.display = d.display;
  if (s.statistic < 0 || s.statistic > 6) s.statistic = d.statistic;
  if (s.drive >= 'A' && s.drive <= 'Z') s.drive += 'a' - 'A';
  if (s.drive < 'a' || s.drive > 'z') s.drive = d.drive;
  if (!ValidSound(s.sound)) s.sound = d.sound;
  if (s.interval < 0 || s.interval > 5) s.interval = d.interval;
  if (s.colour < 0 || s.colour > 18) s.colour = d.colour;
  if (s.alarmOn != 0 && s.alarmOn != 1) s.alarmOn = d.alarmOn;
  if (s.threshold < 1 || s.threshold > 99) s.threshold = d.threshold;
  if (s.action < 0 || s.action > 2) s.action = d.action;
  out = std::move(s);
  return true;
}

std::vector<std::uint8_t> WritePerfMonSettings(const PerfMonSettings& s) {
  std::vector<std::uint8_t> out(kPerfMonHeadSize, 0);
  const std::int32_t fields[9] = {s.display, s.statistic, s.drive,     s.sound, s.interval,
                                  s.colour,  s.alarmOn,   s.threshold, s.action};
  for (int i = 0; i < 9; ++i) le::PutI32(out.data() + 4 * i, fields[i]);
  WriteString(out, s.message);
  WriteString(out, s.program);
  return out;
}

std::string FormatFreeSpace(std::int64_t v, const char* kb, const char* mb, const char* gb,
                            bool twoLines) {
  char number[40];
  const char* unit;
  if (v <= 999) {
    snprintf(number, sizeof number, "%lld", static_cast<long long>(v));
    unit = kb;
  } else if (v <= 10239) {
    snprintf(number, sizeof number, "%.1f", double(v) / 1024);
    unit = mb;
  } else if (v > 1023999) {
    snprintf(number, sizeof number, "%.1f", double(v >> 10) / 1024);
    unit = gb;
  } else {
    snprintf(number, sizeof number, "%lld", static_cast<long long>(v >> 10));
    unit = mb;
  }
  return std::string(number) + (twoLines ? "\n" : " ") + unit;
}

bool AlarmStep(bool applies, int value, int threshold, bool& armed) {
  if (!applies) {
    armed = false;
    return false;
  }
  if (value < threshold) {
    bool fire = armed;
    armed = false;
    return fire;
  }
  armed = true;
  return false;
}

int CpuUsageFromIdle(std::uint32_t previousIdle, std::uint32_t previousTime, std::uint32_t idle,
                     std::uint32_t time) {
  std::uint32_t elapsed = (time - previousTime) / 100;
  if (elapsed == 0) return 0;
  std::uint32_t idleDelta = (idle - previousIdle) / 100;
  std::int64_t usage = 100 - std::int64_t(std::uint64_t(idleDelta) * 100 / elapsed);
  if (usage < 0) usage = 0;
  if (usage > 99) usage = 99;
  return int(usage);
}

}  // namespace jqbar
