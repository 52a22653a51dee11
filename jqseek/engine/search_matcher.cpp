#include "search_matcher.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "wildcard.h"

namespace {

inline unsigned char FoldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

std::string LowerAscii(const char* s) {
  std::string out(s ? s : "");
  for (char& c : out) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
  return out;
}

bool SizeMatches(uint32_t mode, uint64_t size, uint64_t size1, uint64_t size2) {
  uint64_t low = size1 < size2 ? size1 : size2;
  uint64_t high = size1 < size2 ? size2 : size1;
  switch (mode) {
    case 1: return size == size1;
    case 2: return size < size1;
    case 3: return size > size1;
    case 4: return size >= low && size <= high;
    case 5: return size < low || size > high;
    case 6: return size >= size1 - size1 / 4 && size <= size1 + size1 / 4;
    case 7: return size >= size1 - size1 / 2 && size <= size1 + size1 / 2;
    default: return true;
  }
}

bool TimeMatches(const SearchRecord& r, int hour, int minute) {
  int t = hour * 60 + minute;
  int t1 = r.hour1 * 60 + r.minute1;
  int t2 = r.hour2 * 60 + r.minute2;
  int distance = t > t1 ? t - t1 : t1 - t;
  switch (r.timeMode) {
    case 1: return hour == r.hour1 && minute == r.minute1;
    case 2: return t < t1;
    case 3: return t > t1;
    case 4: return t > t1 && t < t2;
    case 5: return hour < r.hour1 || hour > r.hour2;
    case 6: return distance <= 60 || distance >= 1380;
    case 7: return distance <= 360 || distance >= 1080;
    default: return true;
  }
}

bool DateMatches(const SearchRecord& r, int year, int month, int day) {
  auto key = [](int y, int m, int d) { return (int64_t(y) * 13 + m) * 32 + d; };
  int64_t k = key(year, month, day);
  int64_t k1 = key(r.year1, r.month1, r.day1);
  int64_t k2 = key(r.year2, r.month2, r.day2);
  switch (r.dateMode) {
    case 1: return k == k1;
    case 2: return k < k1;
    case 3: return k > k1;
    case 4: return k >= k1 && k <= k2;
    case 5: return k < k1 || k > k2;
    default: return true;
  }
}

// Reads a run of digits at *p (skipping anything before the first digit); 0 when none.
int32_t NextNumber(const char*& p) {
  while (*p && (*p < '0' || *p > '9')) ++p;
  int64_t value = 0;
  while (*p >= '0' && *p <= '9') {
    if (value < 100000000) value = value * 10 + (*p - '0');
    ++p;
  }
  return static_cast<int32_t>(value);
}

// Finds text in a stream of bytes fed piece by piece, in time proportional to the bytes fed
// (Knuth-Morris-Pratt over ASCII-folded bytes when case is ignored).
class StreamFinder {
 public:
  StreamFinder(const char* text, size_t length, bool ignoreCase)
      : pattern_(text, text + length), ignoreCase_(ignoreCase), failure_(length + 1, 0) {
    if (ignoreCase_)
      for (auto& c : pattern_) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
    size_t k = 0;
    for (size_t i = 1; i < pattern_.size(); ++i) {
      while (k > 0 && pattern_[i] != pattern_[k]) k = failure_[k];
      if (pattern_[i] == pattern_[k]) ++k;
      failure_[i + 1] = k;
    }
  }

  // True once the text has been seen.
  bool Feed(const unsigned char* data, size_t count) {
    const size_t m = pattern_.size();
    const unsigned char first = static_cast<unsigned char>(pattern_[0]);
    const bool firstIsLetter = ignoreCase_ && first >= 'a' && first <= 'z';
    size_t i = 0;
    while (i < count) {
      if (state_ == 0) {
        // Skip quickly to the next byte that can start the text.
        if (!firstIsLetter) {
          const void* hit = memchr(data + i, first, count - i);
          if (!hit) return false;
          i = static_cast<const unsigned char*>(hit) - data;
        } else {
          const unsigned char upper = static_cast<unsigned char>(first - 32);
          while (i < count && data[i] != first && data[i] != upper) ++i;
          if (i == count) return false;
        }
      }
      unsigned char c = ignoreCase_ ? FoldAscii(data[i]) : data[i];
      while (state_ > 0 && c != static_cast<unsigned char>(pattern_[state_])) state_ = failure_[state_];
      if (c == static_cast<unsigned char>(pattern_[state_])) ++state_;
      ++i;
      if (state_ == m) return true;
    }
    return false;
  }

 private:
  std::string pattern_;
  bool ignoreCase_;
  std::vector<size_t> failure_;
  size_t state_ = 0;
};

}  // namespace

int MatchNameMasks(const char* masks, const char* name) {
  if (!masks || !name) return 0;
  std::string copy(masks, strnlen(masks, 259));
  copy = LowerAscii(copy.c_str());
  const std::string lowerName = LowerAscii(name);
  size_t pos = 0;
  while (pos < copy.size()) {
    while (pos < copy.size() && (copy[pos] == ' ' || copy[pos] == ';')) ++pos;
    if (pos >= copy.size()) break;
    size_t end = copy.find(';', pos);
    if (end == std::string::npos) end = copy.size();
    std::string mask = copy.substr(pos, end - pos);
    pos = end;
    while (!mask.empty() && mask.back() == ' ') mask.pop_back();
    if (mask.empty()) continue;
    if (mask == "*.*")
      mask = "*";
    else if (mask.find('.') == std::string::npos && mask.find('*') == std::string::npos)
      mask = "*" + mask + "*";
    if (MatchWildcard(mask.c_str(), lowerName.c_str())) return 1;
  }
  return 0;
}

int FileContainsText(const char* folder, const char* name, const char* text, bool ignoreCase,
                     const std::atomic<bool>* cancel) {
  std::string path = folder ? folder : "";
  if (path.empty() || path.back() != '\\') path += '\\';
  path += name ? name : "";
  if (path.size() >= MAX_PATH) return 0;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const size_t length = text ? strlen(text) : 0;
  int found = 0;
  if (length == 0) {
    found = 1;
  } else if (length <= kMaxContainedText) {
    StreamFinder finder(text, length, ignoreCase);
    static thread_local std::vector<unsigned char> buffer(64 * 1024);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0)
        break;
      if (finder.Feed(buffer.data(), got)) {
        found = 1;
        break;
      }
      if (cancel && cancel->load(std::memory_order_relaxed)) break;
    }
  }
  CloseHandle(file);
  return found;
}

int MatchSearchCriteria(const SearchRecord& r, const char* folder, const WIN32_FIND_DATAA& entry,
                        const std::atomic<bool>* cancel) {
  const uint32_t attributes = entry.dwFileAttributes;
  if ((attributes & r.requiredAttributes) != r.requiredAttributes) return 0;
  if ((attributes & kSearchAttributeMask & r.allowedAttributes) != (attributes & kSearchAttributeMask))
    return 0;

  const uint64_t size = (uint64_t(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  if (!SizeMatches(r.sizeMode, size, r.size1, r.size2)) return 0;

  if (r.timeMode || r.dateMode) {
    const FILETIME& stamp = r.whichTime == 0   ? entry.ftCreationTime
                            : r.whichTime == 1 ? entry.ftLastWriteTime
                                               : entry.ftLastAccessTime;
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&stamp, &local) || !FileTimeToSystemTime(&local, &st)) return 0;
    if (r.timeMode && !TimeMatches(r, st.wHour, st.wMinute)) return 0;
    if (r.dateMode && !DateMatches(r, st.wYear, st.wMonth, st.wDay)) return 0;
  }

  if (r.masks && !MatchNameMasks(r.masks, entry.cFileName)) return 0;
  if (r.text && !FileContainsText(folder, entry.cFileName, r.text, r.ignoreCase != 0, cancel)) return 0;
  return 1;
}

void ParseDateText(char* text, size_t capacity, int32_t* month, int32_t* day, int32_t* year) {
  const char* p = text ? text : "";
  int32_t m = NextNumber(p);
  int32_t d = NextNumber(p);
  int32_t y = NextNumber(p) % 100;
  if (m > 12) m = 12;
  if (d >= 32) d = 31;
  y += y < 70 ? 2000 : 1900;
  *month = m;
  *day = d;
  *year = y;
  if (text && capacity) snprintf(text, capacity, "%d/%d/%02d", m, d, y % 100);
}

void ParseTimeText(char* text, size_t capacity, int32_t* hour, int32_t* minute) {
  const char* p = text ? text : "";
  int32_t h = NextNumber(p);
  int32_t m = NextNumber(p);
  if (h > 23) h = 23;
  if (m >= 60) m = 59;
  *hour = h;
  *minute = m;
  if (text && capacity) snprintf(text, capacity, "%d:%02d", h, m);
}
