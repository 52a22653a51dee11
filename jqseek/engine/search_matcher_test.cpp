#include "search_matcher.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <string>

#include "test_support.h"

namespace {

WIN32_FIND_DATAA Entry(const char* name, uint64_t size = 0, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
  WIN32_FIND_DATAA data{};
  strcpy(data.cFileName, name);
  data.nFileSizeLow = static_cast<DWORD>(size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.dwFileAttributes = attributes;
  return data;
}

// A stamp at a local date and time, as the file system keeps it (UTC).
FILETIME LocalStamp(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  FILETIME local, utc;
  SystemTimeToFileTime(&st, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

TEST(NameMasks, MatchesAsTheFinderDocumentsThem) {
  struct Case { const char* masks; const char* name; int expected; } cases[] = {
      {"report", "Annual Report.doc", 1},   // widened to *report*, case ignored
      {"*.txt", "A.TXT", 1},
      {"*.*", "README", 1},                 // "*.*" also finds names without a dot
      {" *.c ; *.h ;", "main.h", 1},
      {" *.c ; *.h ;", "main.cpp", 0},
      {" *.c ; *.h ;", " main.c", 1},
      {"a?c", "xxabcxx", 1},                // '?' does not stop the widening
      {"a?c", "xxacxx", 0},
      {"*.doc", "Annual Report.docx", 0},   // the whole name must match
      {";;  ;", "anything", 0},             // no mask at all finds nothing
      {"\xa4\xa4*", "\xa4\xa4\xa4\xe5.txt", 1},  // Big5 bytes compared as they are
      {"\xc9*", "\xe9t\xe9.txt", 0},        // only ASCII letters fold
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchNameMasks(c.masks, c.name), c.expected) << c.masks << " / " << c.name;
}

TEST(SearchCriteria, SizeModesUseWholeSizesAndInclusiveBounds) {
  struct Case { uint32_t mode, size1, size2; uint64_t size; int expected; } cases[] = {
      {1, 100, 0, 100, 1},  {1, 100, 0, 101, 0},
      {2, 100, 0, 99, 1},   {2, 100, 0, 100, 0},
      {3, 100, 0, 101, 1},  {3, 100, 0, 100, 0},
      {4, 500, 100, 100, 1}, {4, 500, 100, 500, 1}, {4, 500, 100, 99, 0}, {4, 500, 100, 501, 0},
      {5, 100, 500, 99, 1}, {5, 100, 500, 100, 0}, {5, 100, 500, 501, 1},
      {6, 100, 0, 75, 1},   {6, 100, 0, 125, 1},   {6, 100, 0, 74, 0},  {6, 100, 0, 126, 0},
      {7, 100, 0, 50, 1},   {7, 100, 0, 150, 1},   {7, 100, 0, 151, 0},
      // Files past 4 GiB are not taken for their low 32 bits.
      {2, 100, 0, (5ull << 30) + 50, 0},
      {3, 100, 0, (4ull << 30) + 10, 1},
      {1, 10, 0, (1ull << 32) + 10, 0},
      // The upper bound of "within" does not wrap for the largest sizes.
      {6, 0xFFFFFFFFu, 0, 0xFFFFFFFFull + 0x3FFFFFFF, 1},
  };
  for (const Case& c : cases) {
    SearchRecord r;
    r.sizeMode = c.mode;
    r.size1 = c.size1;
    r.size2 = c.size2;
    EXPECT_EQ(MatchSearchCriteria(r, "C:", Entry("f", c.size)), c.expected)
        << "mode " << c.mode << " size " << c.size;
  }
}

TEST(SearchCriteria, AttributeBoxesRequireForbidOrIgnore) {
  // Boxes as required/allowed bits: checked adds to required, unchecked removes from allowed.
  struct Case { uint32_t required, allowed; DWORD attributes; int expected; } cases[] = {
      {0, 0x37, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 1},  // all indeterminate
      {0x02, 0x37, FILE_ATTRIBUTE_HIDDEN, 1},
      {0x02, 0x37, FILE_ATTRIBUTE_ARCHIVE, 0},                      // hidden required
      {0, 0x37 & ~0x02u, FILE_ATTRIBUTE_HIDDEN, 0},                 // hidden forbidden
      {0, 0x37 & ~0x10u, FILE_ATTRIBUTE_DIRECTORY, 0},              // folders left out
      {0x10, 0x37, FILE_ATTRIBUTE_DIRECTORY, 1},                    // folders only
      {0, 0x37 & ~0x20u, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_COMPRESSED, 0},
      {0, 0, FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY, 1},  // other bits never matter
      {0x01 | 0x04, 0x37, FILE_ATTRIBUTE_READONLY, 0},
      {0x01 | 0x04, 0x37, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM, 1},
  };
  for (const Case& c : cases) {
    SearchRecord r;
    r.requiredAttributes = c.required;
    r.allowedAttributes = c.allowed;
    EXPECT_EQ(MatchSearchCriteria(r, "C:", Entry("f", 0, c.attributes)), c.expected)
        << std::hex << c.required << " " << c.allowed << " " << c.attributes;
  }
}

TEST(SearchCriteria, TimeOfDayModesWrapAroundMidnight) {
  struct Case { uint32_t mode; int h1, m1, h2, m2; int hour, minute; int expected; } cases[] = {
      {1, 10, 30, 0, 0, 10, 30, 1}, {1, 10, 30, 0, 0, 10, 31, 0},
      {2, 10, 30, 0, 0, 10, 29, 1}, {2, 10, 30, 0, 0, 10, 30, 0},
      {3, 10, 30, 0, 0, 10, 31, 1}, {3, 10, 30, 0, 0, 10, 30, 0},
      {4, 9, 0, 17, 0, 9, 1, 1},    {4, 9, 0, 17, 0, 9, 0, 0},  {4, 9, 0, 17, 0, 17, 0, 0},
      {5, 9, 0, 17, 0, 8, 59, 1},   {5, 9, 0, 17, 0, 17, 59, 0}, {5, 9, 0, 17, 0, 18, 0, 1},
      {6, 23, 30, 0, 0, 0, 10, 1},  // 1400 minutes apart: within the hour across midnight
      {6, 23, 30, 0, 0, 22, 30, 1}, {6, 23, 30, 0, 0, 22, 29, 0}, {6, 23, 30, 0, 0, 0, 31, 0},
      {7, 1, 0, 0, 0, 19, 0, 1},    {7, 1, 0, 0, 0, 7, 0, 1},    {7, 1, 0, 0, 0, 7, 1, 0},
  };
  for (const Case& c : cases) {
    SearchRecord r;
    r.timeMode = c.mode;
    r.whichTime = 1;
    r.hour1 = c.h1; r.minute1 = c.m1; r.hour2 = c.h2; r.minute2 = c.m2;
    WIN32_FIND_DATAA e = Entry("f");
    e.ftLastWriteTime = LocalStamp(2024, 6, 15, c.hour, c.minute);
    EXPECT_EQ(MatchSearchCriteria(r, "C:", e), c.expected)
        << "mode " << c.mode << " at " << c.hour << ":" << c.minute;
  }
}

TEST(SearchCriteria, DateModesAndWhichStamp) {
  struct Case { uint32_t mode; int y, m, d; int expected; } cases[] = {
      {1, 2024, 3, 10, 1}, {1, 2024, 3, 11, 0},
      {2, 2024, 3, 9, 1},  {2, 2024, 3, 10, 0},
      {3, 2024, 3, 11, 1}, {3, 2024, 3, 10, 0},
      {4, 2024, 3, 10, 1}, {4, 2024, 4, 2, 1}, {4, 2024, 3, 9, 0}, {4, 2024, 4, 3, 0},
      {5, 2024, 3, 10, 0}, {5, 2024, 4, 2, 0}, {5, 2024, 3, 9, 1}, {5, 2025, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SearchRecord r;
    r.dateMode = c.mode;
    r.whichTime = 2;
    r.year1 = 2024; r.month1 = 3; r.day1 = 10;
    r.year2 = 2024; r.month2 = 4; r.day2 = 2;
    WIN32_FIND_DATAA e = Entry("f");
    e.ftLastAccessTime = LocalStamp(c.y, c.m, c.d, 12, 0);
    e.ftLastWriteTime = LocalStamp(1999, 1, 1, 12, 0);  // not the stamp asked for
    EXPECT_EQ(MatchSearchCriteria(r, "C:", e), c.expected)
        << "mode " << c.mode << " " << c.y << "-" << c.m << "-" << c.d;
  }
}

TEST(SearchCriteria, LeavesTheCallersEntryAsFound) {
  SearchRecord r;
  r.masks = "*.txt";
  WIN32_FIND_DATAA e = Entry("Big.TXT");
  EXPECT_EQ(MatchSearchCriteria(r, "C:", e), 1);
  EXPECT_STREQ(e.cFileName, "Big.TXT");
}

class ContainedText : public ::testing::Test {
 protected:
  jqtest::TempFolder dir;
  int Find(const std::string& content, const std::string& text, bool ignoreCase = false) {
    dir.WriteFile("f.bin", content);
    return FileContainsText(dir.path().c_str(), "f.bin", text.c_str(), ignoreCase);
  }
};

TEST_F(ContainedText, FindsTextAtEveryOffsetAcrossReads) {
  const std::string text = "needle";
  for (size_t at : {0u, 1019u, 1021u, 1022u, 1023u, 1024u, 1025u, 65533u, 65535u, 65536u}) {
    std::string content(at, 'x');
    content += text;
    content += std::string(100, 'y');
    EXPECT_EQ(Find(content, text), 1) << "at " << at;
  }
  EXPECT_EQ(Find(std::string(70000, 'x') + "needl", text), 0);
}

TEST_F(ContainedText, TextLengthBoundsAndEmptyText) {
  std::string content(3000, 'a');
  EXPECT_EQ(Find(content, std::string(1024, 'a')), 1);
  EXPECT_EQ(Find(content, std::string(1025, 'a')), 0);
  EXPECT_EQ(Find(content, ""), 1);
  EXPECT_EQ(FileContainsText(dir.path().c_str(), "missing.bin", "", false), 0);
}

TEST_F(ContainedText, CaseAndBinaryContent) {
  const std::string binary = std::string("\0\0MZ\0Hello\0World\xff", 18);
  EXPECT_EQ(Find(binary, "Hello"), 1);
  EXPECT_EQ(Find(binary, "hello"), 0);
  EXPECT_EQ(Find(binary, "hello", true), 1);
  EXPECT_EQ(Find(binary, "HelloWorld"), 0);   // a NUL byte never matches
  EXPECT_EQ(Find("\xc9t\xc9", "\xe9t\xe9", true), 0);  // only ASCII letters fold
  EXPECT_EQ(Find("aaab", "aab"), 1);          // partial matches overlap
  EXPECT_EQ(Find("abababc", "ababc"), 1);
  EXPECT_EQ(Find("\xa4\xa4\xa4\xe5", "\xa4\xe5"), 1);  // Big5 text as bytes
}

TEST_F(ContainedText, SparseFileOverFourGiB) {
  std::string path = dir / "sparse.bin";
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD ret;
  DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ret, nullptr);
  LARGE_INTEGER at;
  at.QuadPart = (4ll << 30) + 123;
  ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
  DWORD written;
  ASSERT_TRUE(WriteFile(h, "tail", 4, &written, nullptr));
  CloseHandle(h);
  SearchRecord r;
  r.sizeMode = 3;
  r.size1 = 1000;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_EQ(MatchSearchCriteria(r, dir.path().c_str(), data), 1);  // 4 GiB + 127 > 1000
  r.sizeMode = 2;
  EXPECT_EQ(MatchSearchCriteria(r, dir.path().c_str(), data), 0);
}

TEST(CriteriaTexts, DatesAndTimesAreNormalised) {
  struct Case { const char* in; int m, d, y; const char* out; } dates[] = {
      {"3/10/24", 3, 10, 2024, "3/10/24"},
      {"13-32-1999", 12, 31, 1999, "12/31/99"},
      {" 1.2.69", 1, 2, 2069, "1/2/69"},
      {"7/4/70", 7, 4, 1970, "7/4/70"},
      {"", 0, 0, 2000, "0/0/00"},
  };
  for (const Case& c : dates) {
    char text[30];
    strcpy(text, c.in);
    int32_t m, d, y;
    ParseDateText(text, sizeof text, &m, &d, &y);
    EXPECT_EQ(m, c.m) << c.in;
    EXPECT_EQ(d, c.d) << c.in;
    EXPECT_EQ(y, c.y) << c.in;
    EXPECT_STREQ(text, c.out);
  }
  char time[20] = "25:75";
  int32_t h, mi;
  ParseTimeText(time, sizeof time, &h, &mi);
  EXPECT_EQ(h, 23);
  EXPECT_EQ(mi, 59);
  EXPECT_STREQ(time, "23:59");
}

}  // namespace
