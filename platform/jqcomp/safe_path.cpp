#include "safe_path.h"

#include <vector>

namespace jqcomp {

namespace {
bool IsDeviceName(const std::string& part) {
  std::string base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  std::string up;
  for (char c : base) up += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  static const char* const names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* n : names)
    if (up == n) return true;
  if (up.size() == 4 && (up.compare(0, 3, "COM") == 0 || up.compare(0, 3, "LPT") == 0) &&
      up[3] >= '0' && up[3] <= '9')
    return true;
  return false;
}

bool PartIsSafe(const std::string& part) {
  if (part == "..") return false;
  for (unsigned char c : part) {
    if (c < 32 || c == 127) return false;
    if (c == ':' || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return false;
  }
  if (part.back() == '.' || part.back() == ' ') return false;
  if (IsDeviceName(part)) return false;
  return true;
}
}  // namespace

NameVerdict SafeRelativePath(const std::string& entryName, bool keepPaths, std::string* out) {
  out->clear();
  std::string name = entryName;
  for (char& c : name)
    if (c == '/') c = '\\';
  bool folderEntry = !name.empty() && name.back() == '\\';
  size_t start = 0;
  if (name.size() >= 2 && name[1] == ':' &&
      ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')))
    start = 2;
  std::vector<std::string> parts;
  size_t i = start;
  while (i <= name.size()) {
    size_t end = name.find('\\', i);
    if (end == std::string::npos) end = name.size();
    std::string part = name.substr(i, end - i);
    i = end + 1;
    if (part.empty() || part == ".") continue;
    if (!PartIsSafe(part)) return NameVerdict::kRefused;
    parts.push_back(part);
  }
  if (parts.empty()) return NameVerdict::kFolderOnly;
  if (folderEntry) {
    if (keepPaths)
      for (size_t k = 0; k < parts.size(); ++k) *out += (k ? "\\" : "") + parts[k];
    return NameVerdict::kFolderOnly;
  }
  if (!keepPaths) {
    *out = parts.back();
    return NameVerdict::kFile;
  }
  for (size_t k = 0; k < parts.size(); ++k) *out += (k ? "\\" : "") + parts[k];
  return NameVerdict::kFile;
}

std::string ShortFormPath(const std::string& relative) {
  std::string shortRel;
  size_t s = 0;
  while (s <= relative.size()) {
    size_t end = relative.find('\\', s);
    if (end == std::string::npos) end = relative.size();
    shortRel += (shortRel.empty() ? "" : "\\") + ShortFormOf(relative.substr(s, end - s));
    s = end + 1;
  }
  return shortRel;
}

std::string ShortFormOf(const std::string& part) {
  size_t dot = part.rfind('.');
  std::string base = dot == std::string::npos ? part : part.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : part.substr(dot + 1);
  auto clean = [](const std::string& s, size_t max) {
    std::string r;
    for (char c : s) {
      if (c == ' ' || c == '.') continue;
      if (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') c = '_';
      r += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
      if (r.size() == max) break;
    }
    return r;
  };
  std::string b = clean(base, 8), e = clean(ext, 3);
  if (b.empty()) b.assign(1, '_');
  return e.empty() ? b : b + "." + e;
}

}  // namespace jqcomp
