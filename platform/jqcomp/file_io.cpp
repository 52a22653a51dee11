#include "file_io.h"

#include <atomic>
#include <cstring>

#include "et5.h"

namespace jqcomp {

bool File::OpenRead(const std::string& path) {
  Close();
  h_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  return IsOpen();
}

bool File::Create(const std::string& path, bool mustBeNew) {
  Close();
  h_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                   mustBeNew ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return IsOpen();
}

void File::Close() {
  if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  h_ = INVALID_HANDLE_VALUE;
}

uint64_t File::Size() const {
  LARGE_INTEGER li;
  if (!GetFileSizeEx(h_, &li)) return 0;
  return static_cast<uint64_t>(li.QuadPart);
}

bool File::Seek(uint64_t offset) {
  LARGE_INTEGER li;
  li.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(h_, li, nullptr, FILE_BEGIN) != 0;
}

uint64_t File::Position() const {
  LARGE_INTEGER zero{}, pos{};
  SetFilePointerEx(h_, zero, &pos, FILE_CURRENT);
  return static_cast<uint64_t>(pos.QuadPart);
}

int64_t File::Read(void* data, size_t n) {
  size_t total = 0;
  auto* p = static_cast<uint8_t*>(data);
  while (total < n) {
    DWORD chunk = static_cast<DWORD>(n - total > (1u << 30) ? (1u << 30) : n - total);
    DWORD got = 0;
    if (!ReadFile(h_, p + total, chunk, &got, nullptr)) return -1;
    if (got == 0) break;
    total += got;
  }
  return static_cast<int64_t>(total);
}

bool File::ReadExact(void* data, size_t n) { return Read(data, n) == static_cast<int64_t>(n); }

bool File::ReadAt(uint64_t offset, void* data, size_t n) { return Seek(offset) && ReadExact(data, n); }

bool File::Write(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    DWORD chunk = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
    DWORD put = 0;
    if (!WriteFile(h_, p, chunk, &put, nullptr) || put == 0) return false;
    p += put;
    n -= put;
  }
  return true;
}

bool BufferedWriter::Write(const void* data, size_t n) {
  written_ += n;
  if (buf_.size() + n > cap_) {
    if (!Flush()) return false;
    if (n >= cap_) return file_.Write(data, n);
  }
  const auto* p = static_cast<const uint8_t*>(data);
  buf_.insert(buf_.end(), p, p + n);
  return true;
}

bool BufferedWriter::Flush() {
  if (buf_.empty()) return true;
  bool ok = file_.Write(buf_.data(), buf_.size());
  buf_.clear();
  return ok;
}

bool PathExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolderPath(const std::string& path) {
  std::string p = path;
  while (p.size() > 3 && (p.back() == '\\' || p.back() == '/')) p.pop_back();
  if (p.empty()) return false;
  if (IsFolder(p)) return true;
  if (p.size() <= 3 && p.size() >= 2 && p[1] == ':') return IsFolder(p.substr(0, 2) + "\\");
  std::string parent = ParentOf(p);
  if (!parent.empty() && parent != p && !IsFolder(parent) && !CreateFolderPath(parent)) return false;
  if (CreateDirectoryA(p.c_str(), nullptr)) return true;
  return IsFolder(p);
}

bool FolderChainIsPlain(const std::string& root, const std::string& folder) {
  std::string f = folder;
  while (f.size() > root.size()) {
    DWORD a = GetFileAttributesA(f.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    std::string up = ParentOf(f);
    if (up.size() >= f.size()) break;
    f = up;
  }
  return true;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  if (slash == 2 && path.size() > 1 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

std::string TemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  std::string folder = ParentOf(path);
  for (;;) {
    char name[64];
    wsprintfA(name, "~jq%lx%x.tmp", GetCurrentProcessId() & 0xFFFF, counter++ & 0xFFFFF);
    std::string candidate = JoinPath(folder, name);
    if (!PathExists(candidate)) return candidate;
  }
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  DWORD a = GetFileAttributesA(to.c_str());
  if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY)) {
    SetFileAttributesA(to.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    SetFileAttributesA(to.c_str(), a);
  }
  return false;
}

int16_t CodeForLastError(bool writing) {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND: return et5::kFileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY: return et5::kPathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return et5::kAccessDenied;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return et5::kNoMemory;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return et5::kWriteError;
    default: return writing ? et5::kWriteError : et5::kReadError;
  }
}

}  // namespace jqcomp
