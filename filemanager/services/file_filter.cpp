#include "file_filter.h"

#include <cstring>
#include <string>

bool MatchPatternList(const char* patterns, const char* name) {
  if (!patterns || !name) return false;
  std::string subject = name;
  const bool hasDot = subject.find('.') != std::string::npos;
  const char* s = patterns;
  while (*s) {
    while (*s == ';' || *s == ' ') ++s;
    if (!*s) break;
    const char* end = s;
    while (*end && *end != ';' && *end != ' ') ++end;
    std::string pattern(s, end);
    s = end;
    if (pattern.empty()) continue;
    if (pattern.back() == '.' && !hasDot) {
      if (MatchWildcard(pattern.c_str(), (subject + ".").c_str())) return true;
      continue;
    }
    if (MatchWildcard(pattern.c_str(), subject.c_str())) return true;
  }
  return false;
}

namespace {
bool RuleHolds(int32_t rule, DWORD attributes, DWORD bit) {
  if (rule == 1) return (attributes & bit) != 0;
  if (rule == 0) return (attributes & bit) == 0;
  return true;
}
}  // namespace

bool PassesFileFilter(const WIN32_FIND_DATAA& entry, const FileFilter* filter) {
  const FileFilter& f = filter ? *filter : GetLiveOptions().fileFilter;
  const DWORD a = entry.dwFileAttributes;
  const bool folder = (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (f.filesOnly) {
    if (folder) return false;
  } else if (f.foldersOnly && !folder) {
    return false;
  }
  if (!RuleHolds(f.archive, a, FILE_ATTRIBUTE_ARCHIVE) ||
      !RuleHolds(f.readOnly, a, FILE_ATTRIBUTE_READONLY) ||
      !RuleHolds(f.hidden, a, FILE_ATTRIBUTE_HIDDEN) ||
      !RuleHolds(f.system, a, FILE_ATTRIBUTE_SYSTEM))
    return false;
  if (folder) return true;
  char patterns[sizeof f.patterns + 1];
  lstrcpynA(patterns, f.patterns, sizeof f.patterns);
  if (lstrcmpiA(patterns, "*.*") == 0) return true;
  char upperName[MAX_PATH];
  lstrcpynA(upperName, entry.cFileName, MAX_PATH);
  CharUpperA(patterns);
  CharUpperA(upperName);
  return MatchPatternList(patterns, upperName);
}
