#include "wildcard.h"

int MatchWildcard(const char* pattern, const char* name) {
  const char* p = pattern;
  const char* n = name;
  // Where the last '*' stood and how much of the name it has taken so far: on a mismatch the
  // star takes one more character and matching resumes after it. A later star makes the earlier
  // ones' choices final, which keeps the work bounded.
  const char* starPattern = nullptr;
  const char* starName = nullptr;
  while (*n) {
    if (*p == '*') {
      starPattern = ++p;
      starName = n;
      continue;
    }
    if (*p && (*p == '?' || *p == *n)) {
      ++p;
      ++n;
      continue;
    }
    if (!starPattern) return 0;
    p = starPattern;
    n = ++starName;
  }
  while (*p == '*') ++p;
  return *p == '\0' ? 1 : 0;
}
