#include "file_wipe.h"
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace filewipe {

bool IsReparsePoint(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool RemoveLink(const char* path, DWORD attributes) {
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path) != 0 : DeleteFileA(path) != 0;
}

namespace {

bool Overwrite(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return false;
  std::vector<char> block(kBlockSize, kFillByte);
  uint64_t left = static_cast<uint64_t>(size.QuadPart);
  while (left > 0) {
    DWORD part = left < kBlockSize ? static_cast<DWORD>(left) : kBlockSize;
    DWORD written = 0;
    if (!WriteFile(file, block.data(), part, &written, nullptr) || written != part) return false;
    left -= part;
  }
  if (!FlushFileBuffers(file)) return false;
  LARGE_INTEGER start{};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) && SetEndOfFile(file);
}

}  // namespace

bool WipeAndDeleteFile(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLink(path, attributes);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) return false;
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH | FILE_FLAG_SEQUENTIAL_SCAN |
                                FILE_FLAG_OPEN_REPARSE_POINT,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool overwritten = Overwrite(file);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!overwritten) {
    SetLastError(error);
    return false;
  }
  return DeleteFileA(path) != 0;
}

}  // namespace filewipe
