#include "sources.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "file_io.h"
#include "safe_path.h"

namespace jqcomp {

namespace {
std::string FullPath(const std::string& name) {
  char buf[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
  if (n == 0 || n >= sizeof buf) return name;
  return std::string(buf, n);
}

// The stored prefix of a typed path: no drive, no leading separators, no "." or "..".
std::string StoredPrefix(const std::string& typedFolder) {
  std::string s = typedFolder;
  for (char& c : s)
    if (c == '\\') c = '/';
  if (s.size() >= 2 && s[1] == ':') s.erase(0, 2);
  std::string out;
  size_t i = 0;
  while (i <= s.size()) {
    size_t end = s.find('/', i);
    if (end == std::string::npos) end = s.size();
    std::string part = s.substr(i, end - i);
    i = end + 1;
    if (part.empty() || part == "." || part == "..") continue;
    out += part + "/";
  }
  return out;
}

// With long names off, each stored part is the file system's short (8.3) name.
std::string ShortStored(const std::string& fullPath, const std::string& stored) {
  char buf[MAX_PATH * 2];
  DWORD n = GetShortPathNameA(fullPath.c_str(), buf, sizeof buf);
  std::string shortPath = (n && n < sizeof buf) ? std::string(buf, n) : fullPath;
  std::vector<std::string> storedParts, shortParts;
  auto split = [](const std::string& s, char sep, std::vector<std::string>& out) {
    size_t i = 0;
    while (i <= s.size()) {
      size_t end = s.find(sep, i);
      if (end == std::string::npos) end = s.size();
      if (end > i) out.push_back(s.substr(i, end - i));
      i = end + 1;
    }
  };
  bool folder = !stored.empty() && stored.back() == '/';
  split(stored, '/', storedParts);
  split(shortPath, '\\', shortParts);
  std::string out;
  for (size_t k = 0; k < storedParts.size(); ++k) {
    size_t fromEnd = storedParts.size() - k;
    std::string part = fromEnd <= shortParts.size() ? shortParts[shortParts.size() - fromEnd] : storedParts[k];
    out += (k ? "/" : "") + ShortFormOf(part);
  }
  return folder ? out + "/" : out;
}

std::string LongForm(const std::string& name) {
  std::string folder = ParentOf(name), last = FileNameOf(name);
  std::string part = HasWildcards(last) ? folder : name;
  if (part.empty()) return name;
  char buf[MAX_PATH * 2];
  DWORD n = GetLongPathNameA(part.c_str(), buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return name;
  std::string longPart(buf, n);
  return HasWildcards(last) ? JoinPath(longPart, last) : longPart;
}

struct Walker {
  const Switches& sw;
  std::set<std::string> exclude;
  std::set<std::string> seenNames;
  SourceScan* scan;

  static std::string Upper(std::string s) {
    CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
  }

  void Add(const std::string& full, std::string stored, const WIN32_FIND_DATAA& fd, bool folder) {
    if (exclude.count(Upper(full))) return;
    if (!sw.longNames) stored = ShortStored(full, stored);
    if (stored.empty() || !seenNames.insert(Upper(stored)).second) return;  // one entry per name
    SourceFile f;
    f.fullPath = full;
    f.storedName = stored;
    f.folder = folder;
    f.lastWrite = fd.ftLastWriteTime;
    f.attributes = fd.dwFileAttributes;
    f.size = (static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    scan->files.push_back(f);
  }

  // Adds the files of `folder` that match `pattern`, and with recursion its subfolders'.
  bool Walk(const std::string& folder, const std::string& prefix, const std::string& pattern, int depth) {
    if (depth > 64) return false;
    // A folder below the start may go when a move empties it (and one the list names itself,
    // recorded by the caller); the folder a wildcard starts in stays.
    if (depth > 0) scan->folders.push_back(folder);
    bool any = false;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(JoinPath(folder, "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    std::vector<WIN32_FIND_DATAA> subfolders, files;
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      bool hiddenOrSystem = fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
      if (hiddenOrSystem && !sw.hiddenAndSystem) continue;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        // Links to other places are not followed.
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) subfolders.push_back(fd);
        continue;
      }
      if (!WildcardMatch(pattern, name)) continue;
      files.push_back(fd);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    // Name order, so that the same folder always gives the same archive.
    auto byName = [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) { return lstrcmpiA(a.cFileName, b.cFileName) < 0; };
    std::sort(files.begin(), files.end(), byName);
    std::sort(subfolders.begin(), subfolders.end(), byName);
    for (const WIN32_FIND_DATAA& f : files) {
      std::string name = f.cFileName;
      Add(JoinPath(folder, name), sw.storePaths ? prefix + name : name, f, false);
      any = true;
    }
    if (sw.recurse) {
      bool everything = pattern == "*.*" || pattern == "*";
      for (const WIN32_FIND_DATAA& sub : subfolders) {
        std::string subFull = JoinPath(folder, sub.cFileName);
        std::string subPrefix = prefix + sub.cFileName + "/";
        if (sw.storePaths && everything) Add(subFull, subPrefix, sub, true);
        any |= Walk(subFull, subPrefix, pattern, depth + 1);
      }
    }
    return any;
  }
};
}  // namespace

void ScanSources(const std::vector<std::string>& names, const Switches& sw, const std::vector<std::string>& exclude,
                 SourceScan* scan) {
  Walker w{sw, {}, {}, scan};
  for (const std::string& e : exclude) w.exclude.insert(Walker::Upper(FullPath(e)));
  for (std::string name : names) {
    for (char& c : name)
      if (c == '/') c = '\\';
    // The file manager may pass short (8.3) paths; with long names the stored names are long.
    if (sw.longNames) name = LongForm(name);
    std::string full = FullPath(name);
    std::string typedFolder = ParentOf(name);
    std::string last = FileNameOf(name);
    if (HasWildcards(last)) {
      std::string folderFull = ParentOf(full);
      w.Walk(folderFull, StoredPrefix(typedFolder), last, 0);
      continue;
    }
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(full.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
      scan->missing.push_back(name);
      continue;
    }
    FindClose(h);
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      std::string prefix = StoredPrefix(name);
      if (sw.storePaths) w.Add(full, prefix, fd, true);
      scan->folders.push_back(full);
      w.Walk(full, prefix, "*.*", 0);
    } else {
      w.Add(full, sw.storePaths ? StoredPrefix(typedFolder) + last : last, fd, false);
    }
  }
}

}  // namespace jqcomp
