// LIST lines in the two dialects servers use. Every field is checked; a line that does not
// read cleanly is skipped rather than guessed at.
#include "ftp_listing.h"

#include <cstring>
#include <string>
#include <vector>

namespace csftp {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Token {
  size_t begin, end;
};

// Splits at runs of blanks; records where each token starts and ends.
std::vector<Token> Tokens(std::string_view s, size_t maxTokens) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < s.size() && out.size() < maxTokens) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (i >= s.size()) break;
    size_t b = i;
    while (i < s.size() && !IsBlank(s[i])) ++i;
    out.push_back({b, i});
  }
  return out;
}

// An unsigned decimal number of the whole text; false when empty, not all digits or too large.
bool ParseNumber(std::string_view s, uint64_t* value) {
  if (s.empty() || s.size() > 19) return false;
  uint64_t v = 0;
  for (char c : s) {
    if (!IsDigit(c)) return false;
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  *value = v;
  return true;
}

int MonthOf(std::string_view s) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  if (s.size() != 3) return 0;
  char low[3];
  for (int i = 0; i < 3; ++i) low[i] = static_cast<char>(s[i] >= 'A' && s[i] <= 'Z' ? s[i] + 32 : s[i]);
  for (int m = 0; m < 12; ++m)
    if (std::memcmp(low, kMonths[m], 3) == 0) return m + 1;
  return 0;
}

// "hh:mm" (24-hour); false otherwise.
bool ParseClock(std::string_view s, int* hour, int* minute) {
  size_t colon = s.find(':');
  if (colon == std::string_view::npos || colon == 0 || colon > 2 || s.size() - colon - 1 != 2) return false;
  uint64_t h, m;
  if (!ParseNumber(s.substr(0, colon), &h) || !ParseNumber(s.substr(colon + 1), &m)) return false;
  if (h > 23 || m > 59) return false;
  *hour = static_cast<int>(h);
  *minute = static_cast<int>(m);
  return true;
}

void SetSize(uint64_t size, FtpEntry* out) {
  out->sizeLow = static_cast<uint32_t>(size);
  out->sizeHigh = static_cast<uint32_t>(size >> 32);
}

bool SetName(std::string_view name, FtpEntry* out) {
  if (name.empty() || name.size() >= sizeof(out->name)) return false;
  for (char c : name)
    if (c == '\0' || c == '\r' || c == '\n') return false;
  std::memcpy(out->name, name.data(), name.size());
  out->name[name.size()] = '\0';
  return true;
}

void SetDate(int year, int month, int day, int hour, int minute, FtpEntry* out) {
  out->time = SYSTEMTIME{};
  out->time.wYear = static_cast<WORD>(year);
  out->time.wMonth = static_cast<WORD>(month);
  out->time.wDay = static_cast<WORD>(day);
  out->time.wHour = static_cast<WORD>(hour);
  out->time.wMinute = static_cast<WORD>(minute);
}

// -rw-r--r--   1 owner group   1234 Dec 10 17:50 name
// drwxr-xr-x   2 owner group   4096 Mar  3  2019 name with blanks
// lrwxrwxrwx   1 owner group      7 Jan  1 10:00 link -> target
// The owner or group column may be missing, so the date is found by its shape: a month name
// preceded by the size and followed by the day and a clock time or a year.
bool ParseUnix(std::string_view line, const SYSTEMTIME& now, FtpEntry* out) {
  if (line.size() < 10) return false;
  char kind = line[0];
  if (std::strchr("-dlbcpsD", kind) == nullptr) return false;
  for (size_t i = 1; i < 10; ++i)
    if (std::strchr("rwxsStTl-+.@", line[i]) == nullptr) return false;
  std::vector<Token> t = Tokens(line, 9);
  // kind+permissions, links, [owner], [group], size, month, day, time/year: at least 6 before the name
  for (size_t m = 2; m + 2 < t.size() && m <= 5; ++m) {
    int month = MonthOf(line.substr(t[m].begin, t[m].end - t[m].begin));
    if (!month) continue;
    uint64_t size, day;
    if (!ParseNumber(line.substr(t[m - 1].begin, t[m - 1].end - t[m - 1].begin), &size)) continue;
    if (!ParseNumber(line.substr(t[m + 1].begin, t[m + 1].end - t[m + 1].begin), &day) || day < 1 || day > 31)
      continue;
    std::string_view when = line.substr(t[m + 2].begin, t[m + 2].end - t[m + 2].begin);
    int year, hour = 0, minute = 0;
    uint64_t y;
    if (ParseClock(when, &hour, &minute)) {
      // No year: the most recent such date not more than a day ahead of now.
      year = now.wYear;
      if (month > now.wMonth || (month == now.wMonth && static_cast<int>(day) > now.wDay + 1)) year -= 1;
    } else if (when.size() == 4 && ParseNumber(when, &y) && y >= 1601 && y <= 30827) {
      year = static_cast<int>(y);
    } else {
      continue;
    }
    // The name starts after the one blank that follows the time or year column.
    size_t nameStart = t[m + 2].end + 1;
    if (nameStart >= line.size()) return false;
    std::string_view name = line.substr(nameStart);
    if (kind == 'l') {
      size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    if (!SetName(name, out)) return false;
    out->isDirectory = kind == 'd' ? 1u : 0u;
    SetSize(size, out);
    SetDate(year, month, static_cast<int>(day), hour, minute, out);
    return true;
  }
  return false;
}

// 12-10-26  05:50PM       <DIR>          a folder
// 12-10-2026  17:50                 1234 file.txt
bool ParseDosLine(std::string_view line, FtpEntry* out) {
  std::vector<Token> t = Tokens(line, 3);
  if (t.size() < 3) return false;
  std::string_view date = line.substr(t[0].begin, t[0].end - t[0].begin);
  std::string_view clock = line.substr(t[1].begin, t[1].end - t[1].begin);
  std::string_view what = line.substr(t[2].begin, t[2].end - t[2].begin);
  // Date: MM-DD-YY or MM-DD-YYYY (also with '/').
  if (date.size() != 8 && date.size() != 10) return false;
  if ((date[2] != '-' && date[2] != '/') || date[5] != date[2]) return false;
  uint64_t mo, d, y;
  if (!ParseNumber(date.substr(0, 2), &mo) || !ParseNumber(date.substr(3, 2), &d) ||
      !ParseNumber(date.substr(6), &y))
    return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
  if (date.size() == 8) y += y < 70 ? 2000 : 1900;
  if (y < 1601 || y > 30827) return false;
  // Time: hh:mm, optionally followed by AM/PM.
  int hour, minute;
  std::string_view hm = clock;
  int half = 0;
  if (clock.size() > 2) {
    std::string_view suffix = clock.substr(clock.size() - 2);
    if (suffix == "AM" || suffix == "am") half = 1;
    if (suffix == "PM" || suffix == "pm") half = 2;
    if (half) hm = clock.substr(0, clock.size() - 2);
  }
  if (!ParseClock(hm, &hour, &minute)) return false;
  if (half) {
    if (hour < 1 || hour > 12) return false;
    hour = hour % 12 + (half == 2 ? 12 : 0);
  }
  bool dir = what == "<DIR>" || what == "<dir>";
  uint64_t size = 0;
  if (!dir) {
    // Some servers group digits with commas.
    std::string digits;
    for (char c : what)
      if (c != ',') digits.push_back(c);
    if (!ParseNumber(digits, &size)) return false;
  }
  size_t i = t[2].end;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i >= line.size()) return false;
  if (!SetName(line.substr(i), out)) return false;
  out->isDirectory = dir ? 1u : 0u;
  SetSize(size, out);
  SetDate(static_cast<int>(y), static_cast<int>(mo), static_cast<int>(d), hour, minute, out);
  return true;
}

}  // namespace

bool ParseListLine(std::string_view line, int mode, const SYSTEMTIME& now, FtpEntry* out) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
  if (line.empty()) return false;
  return mode == kListDos ? ParseDosLine(line, out) : ParseUnix(line, now, out);
}

}  // namespace csftp
