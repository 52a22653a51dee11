// Small helpers around Win32 files: a handle that closes itself, exact reads and writes,
// a buffered writer, folders and temporary names.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace jqcomp {

class File {
 public:
  File() = default;
  ~File() { Close(); }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
  File& operator=(File&& other) noexcept {
    if (this != &other) { Close(); h_ = other.h_; other.h_ = INVALID_HANDLE_VALUE; }
    return *this;
  }

  bool OpenRead(const std::string& path);
  // Creates (or truncates) a file for writing; share none.
  bool Create(const std::string& path, bool mustBeNew = false);
  bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }
  void Close();
  HANDLE handle() const { return h_; }

  uint64_t Size() const;
  bool Seek(uint64_t offset);
  uint64_t Position() const;
  // Reads up to n bytes; returns the count read (0 at the end), or -1 on an error.
  int64_t Read(void* data, size_t n);
  bool ReadExact(void* data, size_t n);
  bool ReadAt(uint64_t offset, void* data, size_t n);
  bool Write(const void* data, size_t n);

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

// Collects small writes into large ones.
class BufferedWriter {
 public:
  explicit BufferedWriter(File& file, size_t capacity = 1 << 18) : file_(file) { buf_.reserve(capacity); cap_ = capacity; }
  bool Write(const void* data, size_t n);
  bool Flush();
  uint64_t written() const { return written_; }
  void ResetCount(uint64_t at) { written_ = at; }

 private:
  File& file_;
  std::vector<uint8_t> buf_;
  size_t cap_;
  uint64_t written_ = 0;
};

bool PathExists(const std::string& path);
bool IsFolder(const std::string& path);
// Creates a folder and every missing parent.
bool CreateFolderPath(const std::string& path);
// True when no folder between `root` (excluded) and `folder` (included) that exists is a link
// (a junction or symbolic link could lead the writes out of the root).
bool FolderChainIsPlain(const std::string& root, const std::string& folder);
std::string ParentOf(const std::string& path);       // without the trailing backslash
std::string FileNameOf(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);
// A name for a temporary file in the same folder as `path` that does not exist yet.
std::string TemporaryBeside(const std::string& path);
// Moves `from` over `to`, replacing it; a read-only target is made writable first.
bool ReplaceFile(const std::string& from, const std::string& to);
// Maps the last Win32 error of a failed open or write to an engine code.
int16_t CodeForLastError(bool writing);

}  // namespace jqcomp
