// The quoted name lists that the file manager passes to the archive libraries:
// names separated by blanks, each optionally between double quotes (a quoted name keeps its
// blanks). A name may start with "\" to say it has a stored path; "*" and "?" are wildcards.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "archive_paths.h"
#include "archive_reader.h"

namespace jqarc {

struct NameToken {
  std::wstring text;
  bool quoted = false;
};

inline std::vector<NameToken> TokeniseNameList(std::wstring_view text) {
  std::vector<NameToken> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    if (i >= text.size()) break;
    NameToken token;
    if (text[i] == L'"') {
      size_t close = text.find(L'"', i + 1);
      if (close == std::wstring_view::npos) close = text.size();
      token.text.assign(text.substr(i + 1, close - i - 1));
      token.quoted = true;
      i = close + 1;
    } else {
      size_t end = text.find_first_of(L" \t", i);
      if (end == std::wstring_view::npos) end = text.size();
      token.text.assign(text.substr(i, end - i));
      i = end;
    }
    if (!token.text.empty()) tokens.push_back(std::move(token));
  }
  return tokens;
}

inline std::vector<std::wstring> SplitNameList(std::wstring_view text) {
  std::vector<std::wstring> names;
  for (auto& t : TokeniseNameList(text)) names.push_back(std::move(t.text));
  return names;
}

// One requested name, matched against stored entry names.
struct NameRequest {
  std::wstring pattern;  // normalised (lower case, "\" separators, no leading "\")
  bool wildcard = false;
  bool matched = false;

  explicit NameRequest(std::wstring_view name) : pattern(NormaliseEntryName(name)) {
    wildcard = pattern.find_first_of(L"*?") != std::wstring::npos;
  }
  bool Matches(std::wstring_view storedName) const {
    std::wstring stored = NormaliseEntryName(storedName);
    if (!wildcard) return stored == pattern;
    if (pattern == L"*.*" || pattern == L"*") return true;
    // A pattern with a folder part matches the whole stored path, one without the last part.
    if (pattern.find(L'\\') != std::wstring::npos) return WildcardMatch(pattern, stored);
    size_t slash = stored.rfind(L'\\');
    return WildcardMatch(pattern, slash == std::wstring::npos ? stored : stored.substr(slash + 1));
  }
};

}  // namespace jqarc
