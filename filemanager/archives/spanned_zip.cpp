// Drive space and the single-disk spanned zip repair.
#include "spanned_zip.h"
#include <cstring>
#include <vector>
#include "le_bytes.h"

using le::GetU32;
using le::PutU32;

namespace {

constexpr uint32_t kSpanMarker = 0x08074B50, kLocalHeader = 0x04034B50, kCentralHeader = 0x02014B50,
                   kEndRecord = 0x06054B50;

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD read = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

bool WriteAt(HANDLE file, uint64_t offset, const void* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD written = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && WriteFile(file, buffer, size, &written, nullptr) &&
         written == size;
}

}  // namespace

int GetDriveSpace(int kind, const char* root, uint64_t* out) {
  if ((kind != 2 && kind != 3) || !out || !root || strlen(root) != 3 || root[1] != ':' || root[2] != '\\') return 0;
  UINT type = GetDriveTypeA(root);
  if (type != DRIVE_FIXED && type != DRIVE_REMOTE) return 0;
  UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS);
  ULARGE_INTEGER available, total, free;
  BOOL ok = GetDiskFreeSpaceExA(root, &available, &total, &free);
  SetErrorMode(mode);
  if (ok) {
    *out = kind == 2 ? total.QuadPart : free.QuadPart;
    return 1;
  }
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters)) return 0;
  *out = uint64_t(sectors) * bytes * (kind == 2 ? clusters : freeClusters);
  return 1;
}

int FixSingleDiskSpannedZip(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int result = 0;
  do {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 4 + 30 + 46 + 22) break;
    const uint64_t length = static_cast<uint64_t>(size.QuadPart);
    uint8_t head[1024];
    DWORD headSize = static_cast<DWORD>(length < sizeof head ? length : sizeof head);
    if (!ReadAt(file, 0, head, headSize)) break;
    if (GetU32(head) != kSpanMarker || GetU32(head + 4) != kLocalHeader) break;
    uint16_t nameLength = static_cast<uint16_t>(head[4 + 26] | head[4 + 27] << 8);
    uint16_t extraLength = static_cast<uint16_t>(head[4 + 28] | head[4 + 29] << 8);
    // The rewrite keeps every offset only when the first header carries no extra field.
    if (extraLength != 0 || 4 + 30u + nameLength > headSize) break;
    uint8_t tail[512];
    DWORD tailSize = static_cast<DWORD>(length < sizeof tail ? length : sizeof tail);
    if (!ReadAt(file, length - tailSize, tail, tailSize)) break;
    int end = -1;
    for (int i = static_cast<int>(tailSize) - 22; i >= 0; --i)
      if (GetU32(tail + i) == kEndRecord) {
        end = i;
        break;
      }
    if (end < 0) break;
    uint32_t directory = GetU32(tail + end + 16);
    if (directory + 46ull > length) break;
    uint8_t central[46];
    if (!ReadAt(file, directory, central, sizeof central)) break;
    if (GetU32(central) != kCentralHeader || GetU32(central + 42) != 4) break;
    PutU32(central + 42, 0);
    if (!WriteAt(file, directory, central, sizeof central)) break;
    std::vector<uint8_t> header(head + 4, head + 4 + 30 + nameLength);
    header[28] = 4;
    header[29] = 0;
    header.insert(header.end(), 4, 0);
    if (!WriteAt(file, 0, header.data(), static_cast<DWORD>(header.size()))) break;
    result = 1;
  } while (false);
  CloseHandle(file);
  return result;
}
