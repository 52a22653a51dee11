#include "switches.h"

#include <windows.h>

namespace jqcomp {

namespace {
char Fold(char c) {
  if (c == '/') return '\\';
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c;
}
}  // namespace

Switches ParseSwitches(const std::string& text, bool extract) {
  Switches s;
  std::string rest = text;
  // The password switch comes last; it runs to the final quote.
  size_t pw = std::string::npos;
  for (size_t i = 0; i + 1 < rest.size(); ++i) {
    if (rest[i] == '-' && rest[i + 1] == 's' && (i == 0 || rest[i - 1] == ' ')) {
      pw = i;
      break;
    }
  }
  if (pw != std::string::npos) {
    std::string tail = rest.substr(pw + 2);
    rest.erase(pw);
    if (!tail.empty() && tail[0] == '"') {
      size_t last = tail.rfind('"');
      s.password = last > 0 ? tail.substr(1, last - 1) : tail.substr(1);
    } else {
      size_t end = tail.find(' ');
      s.password = tail.substr(0, end);
    }
    s.hasPassword = !s.password.empty();
  }
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && rest[i] == ' ') ++i;
    size_t end = rest.find(' ', i);
    if (end == std::string::npos) end = rest.size();
    std::string tok = rest.substr(i, end - i);
    i = end;
    if (tok.empty()) continue;
    if (extract) {
      if (tok == "-f") s.onlyNewer = true;
      else if (tok == "-n") s.newerOrMissing = true;
      else if (tok == "-d") s.keepPaths = true;
      else if (tok == "-o") s.overwrite = true;
      else if (tok == "-.L" || tok == "-.LR") s.longNames = true;
      continue;
    }
    if (tok == "-a") s.action = Switches::kAdd;
    else if (tok == "-m") s.action = Switches::kMove;
    else if (tok == "-f") s.action = Switches::kFreshen;
    else if (tok == "-u") s.action = Switches::kUpdate;
    else if (tok == "-d") s.action = Switches::kDelete;
    else if (tok == "-.r") s.removeEmptiedFolders = true;
    else if (tok == "-whs") s.hiddenAndSystem = true;
    else if (tok == "-ex") s.level = 9;
    else if (tok == "-en") s.level = 6;
    else if (tok == "-ef") s.level = 3;
    else if (tok == "-es") s.level = 1;
    else if (tok == "-e0") s.level = 0;
    else if (tok == "-P") s.storePaths = true;
    else if (tok == "-r") s.recurse = true;
    else if (tok == "-k") s.keepArchiveDate = true;
    else if (tok == "-.LR" || tok == "-.L") s.longNames = true;
  }
  return s;
}

std::vector<std::string> SplitFileList(const std::string& text) {
  std::vector<std::string> names;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    if (i >= text.size()) break;
    std::string name;
    if (text[i] == '"') {
      size_t end = text.find('"', i + 1);
      if (end == std::string::npos) end = text.size();
      name = text.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      size_t end = i;
      while (end < text.size() && text[end] != ' ' && text[end] != '\t') ++end;
      name = text.substr(i, end - i);
      i = end;
    }
    if (!name.empty()) names.push_back(name);
  }
  return names;
}

std::vector<std::string> SplitSourceList(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  size_t quote = text.find('"', i);
  size_t blank = text.find_first_of(" \t", i);
  if (i < text.size() && text[i] != '"' && quote != std::string::npos && (blank == std::string::npos || quote < blank) &&
      quote > i && (text[quote - 1] == '\\' || text[quote - 1] == '/')) {
    std::string folder = text.substr(i, quote - i);
    std::vector<std::string> names = SplitFileList(text.substr(quote));
    for (std::string& n : names) {
      bool absolute = (n.size() >= 2 && n[1] == ':') || (!n.empty() && (n[0] == '\\' || n[0] == '/'));
      if (!absolute) n = folder + n;
    }
    return names;
  }
  return SplitFileList(text);
}

bool HasWildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*" || pattern == "*") return true;
  // Iterative match with one backtrack point: linear in practice, never exponential.
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  // "name.*" also matches "name" (DOS habit).
  if (p + 2 == pattern.size() && pattern[p] == '.' && pattern[p + 1] == '*') return true;
  return p == pattern.size();
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

}  // namespace jqcomp
