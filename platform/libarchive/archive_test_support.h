// Helpers for the tests of the archive libraries: the fixtures that make_fixtures.sh made with
// native tools before the tests started, loading a library from the program folder by its full
// path, and listing what a folder holds afterwards.
#pragma once
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.h"

namespace jqarctest {

// A fixture file, e.g. Fixture("cab/mszip.cab").
inline std::string Fixture(const std::string& relative) {
  std::string path = std::string(JQ_ARCHIVE_FIXTURES) + "/" + relative;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

inline HMODULE LoadFromProgramFolder(const char* file) {
  std::string path = jqtest::ProgramFolder();
  if (!path.empty() && path.back() != '\\') path += '\\';
  return LoadLibraryA((path + file).c_str());
}

template <typename F>
F Bind(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Every file below folder, as relative paths with "\" separators, sorted.
inline void CollectFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>* out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(folder + "\\" + name, prefix + name + "\\", out);
    else
      out->push_back(prefix + name);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}
inline std::vector<std::string> FilesUnder(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(folder, "", &files);
  std::sort(files.begin(), files.end());
  return files;
}

// The files every archive fixture holds (as stored, "/" separators).
inline const std::vector<std::string>& SourceFiles() {
  static const std::vector<std::string> files = {"hello.txt", "empty.txt", "dir/text.txt", "dir/sub/data.bin"};
  return files;
}

inline std::string Backslashed(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Whether two files hold the same bytes; on a difference says where, without dumping them.
inline ::testing::AssertionResult SameContent(const std::string& actualPath, const std::string& expectedPath) {
  std::string actual = jqtest::ReadFileText(actualPath), expected = jqtest::ReadFileText(expectedPath);
  if (GetFileAttributesA(actualPath.c_str()) == INVALID_FILE_ATTRIBUTES)
    return ::testing::AssertionFailure() << actualPath << " is missing";
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure() << actualPath << ": " << actual.size() << " bytes, expected " << expected.size()
                                       << " (" << expectedPath << "); first difference at " << at;
}

// Damaged variants of an archive: every prefix length in steps, and single bytes changed at
// every position in steps. Each is handed to use(path) as a file in folder.
template <typename Use>
void ForEachDamagedCopy(const std::string& archive, const std::string& folder, size_t step, Use use) {
  std::string bytes = jqtest::ReadFileText(archive);
  std::string path = folder + "\\damaged.bin";
  auto write = [&](const std::string& data) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &done, nullptr);
    CloseHandle(h);
  };
  for (size_t n = 0; n < bytes.size(); n += step) {
    write(bytes.substr(0, n));
    use(path, "cut at " + std::to_string(n));
  }
  for (size_t at = 0; at < bytes.size(); at += step) {
    for (unsigned char x : {0x01, 0x80, 0xFF}) {
      std::string copy = bytes;
      copy[at] = static_cast<char>(copy[at] ^ x);
      write(copy);
      use(path, "byte " + std::to_string(at) + " ^ " + std::to_string(x));
    }
  }
}

// Makes folder the current folder for the object's life.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    char here[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, here);
    previous_ = here;
    SetCurrentDirectoryA(folder.c_str());
  }
  ~CurrentFolder() { SetCurrentDirectoryA(previous_.c_str()); }

 private:
  std::string previous_;
};

}  // namespace jqarctest
