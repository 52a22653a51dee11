// Number formats of the status bar and the dialogs.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "number_format.h"

namespace {

std::string Thousands(int64_t v) {
  char b[64];
  FormatThousands(v, b, sizeof b);
  return b;
}

std::string Size(uint64_t v) {
  char b[64];
  FormatSize(v, b, sizeof b);
  return b;
}

// Sets [Intl] keys for the test's life and puts the old values back.
class IntlValue {
 public:
  IntlValue(const char* key, const char* value) : key_(key) {
    had_ = GetProfileStringA("Intl", key, "\x01", old_, sizeof old_) > 0 && old_[0] != '\x01';
    WriteProfileStringA("Intl", key, value);
  }
  ~IntlValue() { WriteProfileStringA("Intl", key_, had_ ? old_ : nullptr); }

 private:
  const char* key_;
  char old_[16] = "";
  bool had_ = false;
};

}  // namespace

TEST(NumberFormat, ThousandsGroupsEveryThreeDigits) {
  IntlValue sep("sThousand", ",");
  struct { int64_t value; const char* text; } cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {1234567, "1,234,567"},
      {1000000000, "1,000,000,000"},
      {999999999999LL, "999,999,999,999"},
      {1000000000000LL, "1,000,000,000,000"},
      {1234567890123456789LL, "1,234,567,890,123,456,789"},
      {INT64_MAX, "9,223,372,036,854,775,807"},
      {-1234, "-1234"},
  };
  for (const auto& c : cases) EXPECT_EQ(Thousands(c.value), c.text) << c.value;
}

TEST(NumberFormat, ThousandsUsesTheUserSeparatorAndCutsToTheBuffer) {
  IntlValue sep("sThousand", ".");
  EXPECT_EQ(Thousands(1234567), "1.234.567");
  char small[6];
  FormatThousands(1234567, small, sizeof small);
  EXPECT_STREQ(small, "1.234");
}

TEST(NumberFormat, SizeInBytesKilobytesMegabytesGigabytes) {
  IntlValue dec("sDecimal", ".");
  struct { uint64_t value; const char* text; } cases[] = {
      {0, "0 bytes"},
      {999, "999 bytes"},
      {1000, "0.98KB"},
      {10 * 1024, "10.0KB"},
      {100 * 1024, "100KB"},
      {1048576, "1.00MB"},
      {150ULL * 1024 * 1024 * 1024, "150GB"},
      {5ULL * 1024 * 1024 * 1024, "5.00GB"},
      {3000ULL * 1024 * 1024 * 1024, "3000GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(Size(c.value), c.text) << c.value;
}

TEST(NumberFormat, SizeTakesTheUserDecimalSign) {
  IntlValue dec("sDecimal", ",");
  EXPECT_EQ(Size(1000), "0,98KB");
  EXPECT_EQ(Size(1048576), "1,00MB");
}
