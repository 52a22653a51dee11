#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "wildcard.h"

namespace {

struct WildcardCase { const char* pattern; const char* name; bool match; };

TEST(Wildcard, MatchTable) {
  const WildcardCase cases[] = {
      {"A*B", "AB", true},       {"A*B", "AXXB", true},    {"A?", "A", false},
      {"A?", "AB", true},        {"*", "", true},          {"", "", true},
      {"", "A", false},          {"*.*", "README", false}, {"*.*", "A.TXT", true},
      {"*.TXT", "A.TXT.BAK", false}, {"*X*", "ABXCD", true}, {"?*?", "A", false},
      {"**A", "BA", true},       {"a*", "A", false},       {"\xB0*", "\xB0\xA1", true},       {"A*", "A", true},        {"*A*A*A*B", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAC", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchWildcard(c.pattern, c.name), c.match ? 1 : 0) << c.pattern << " ~ " << c.name;
}

TEST(Wildcard, PathologicalStarPatternIsQuick) {
  std::string name(4000, 'A');
  DWORD start = GetTickCount();
  EXPECT_FALSE(MatchWildcard("*A*A*A*A*A*A*A*A*A*A*B", name.c_str()));
  EXPECT_LT(GetTickCount() - start, 2000u);
}

}  // namespace
