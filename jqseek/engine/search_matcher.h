// The finder's search record and matcher: which directory entries a search finds.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

// What a search looks for, built from the criteria panel at every Find now, Append and Refine.
// The texts point to buffers of the caller; null means "no condition".
struct SearchRecord {
  uint32_t recurse = 0;           // 1 = descend into subfolders
  uint8_t drives[26] = {};        // drive A..Z selected
  const char* path = nullptr;     // the typed folder (path mode only)
  const char* masks = nullptr;    // name masks, ';'-separated, lower case
  uint32_t requiredAttributes = 0;
  uint32_t allowedAttributes = 0x37;
  uint32_t dateMode = 0;          // 0 ignore, 1 on, 2 before, 3 after, 4 between, 5 not between
  uint32_t whichTime = 0;         // 0 created, 1 last written, 2 last accessed
  int32_t month1 = 0, month2 = 0;
  int32_t day1 = 0, day2 = 0;
  int32_t year1 = 0, year2 = 0;
  uint32_t timeMode = 0;          // 0 ignore, 1 at, 2 before, 3 after, 4 between, 5 not between,
                                  // 6 within one hour, 7 within six hours
  int32_t hour1 = 0, hour2 = 0;
  int32_t minute1 = 0, minute2 = 0;
  uint32_t sizeMode = 0;          // 0 ignore, 1 equal, 2 less, 3 greater, 4 between,
                                  // 5 not between, 6 within 25 %, 7 within 50 %
  uint32_t size1 = 0, size2 = 0;  // bytes
  const char* text = nullptr;     // contained text
  uint32_t ignoreCase = 0;
};

// Attribute bits that the attribute conditions look at.
constexpr uint32_t kSearchAttributeMask = 0x37;
// Texts longer than this are never found in a file.
constexpr size_t kMaxContainedText = 1024;

// 1 when the entry (lying in folder) meets every criterion of the record, else 0. The tests run
// cheapest first: attributes, size, time of day, date, name, and the file's contents last.
// The find data is not changed. cancel (may be null) stops a content search between reads.
int MatchSearchCriteria(const SearchRecord& record, const char* folder,
                        const WIN32_FIND_DATAA& entry, const std::atomic<bool>* cancel = nullptr);

// 1 when one of the ';'-separated masks matches the whole name (ASCII letters compared without
// case). A mask of "*.*" matches every name; a mask with neither '.' nor '*' matches names
// that contain it.
int MatchNameMasks(const char* masks, const char* name);

// 1 when the file folder\name holds text (bytes as they are; ASCII letters without case when
// ignoreCase). A file that cannot be opened, a text over 1024 bytes, or a cancel before the text
// is found give 0; an empty text gives 1 for a file that opens.
int FileContainsText(const char* folder, const char* name, const char* text, bool ignoreCase,
                     const std::atomic<bool>* cancel = nullptr);

// The date and time texts of the criteria panel. Missing numbers read as 0; the month is at most
// 12, the day at most 31, two-digit years 00-69 are 2000-2069 and 70-99 are 1970-1999. Each
// writes the normalised text back into text (of size capacity) when capacity is not 0.
void ParseDateText(char* text, size_t capacity, int32_t* month, int32_t* day, int32_t* year);
void ParseTimeText(char* text, size_t capacity, int32_t* hour, int32_t* minute);
