#include "zip_archive.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "et5.h"
#include "zip_format.h"

namespace jqcomp {

using namespace zipfmt;

namespace {
constexpr uint64_t kMaxDirectory = 256ull << 20;

std::string Convert(const std::string& raw, UINT from) {
  if (raw.empty()) return raw;
  int wn = MultiByteToWideChar(from, from == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, raw.data(),
                               static_cast<int>(raw.size()), nullptr, 0);
  if (wn <= 0) return std::string();
  std::wstring w(static_cast<size_t>(wn), L'\0');
  MultiByteToWideChar(from, 0, raw.data(), static_cast<int>(raw.size()), w.data(), wn);
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), wn, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, w.data(), wn, out.data(), n, nullptr, nullptr);
  return out;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}
}  // namespace

std::string StoredNameToAnsi(const std::string& raw, uint16_t flags, uint16_t madeBy) {
  if (IsAscii(raw)) return raw;
  if (flags & kFlagUtf8) {
    std::string s = Convert(raw, CP_UTF8);
    return s.empty() ? raw : s;
  }
  unsigned host = madeBy >> 8;
  if (host == 0 || host == 6 || host == 10 || host == 11 || host == 14) {
    std::string s = Convert(raw, CP_OEMCP);
    return s.empty() ? raw : s;
  }
  std::string s = Convert(raw, CP_UTF8);  // Unix tools store UTF-8 without the flag
  return s.empty() ? raw : s;
}

void FileTimeToDos(const FILETIME& utc, uint16_t* date, uint16_t* time) {
  FILETIME local;
  WORD d = 0x21, t = 0;  // 1980-01-01 when the time cannot be converted
  if (FileTimeToLocalFileTime(&utc, &local)) FileTimeToDosDateTime(&local, &d, &t);
  *date = d;
  *time = t;
}

FILETIME DosToFileTime(uint16_t date, uint16_t time) {
  FILETIME local{}, utc{};
  if (!DosDateTimeToFileTime(date, time, &local)) DosDateTimeToFileTime(0x21, 0, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

bool ZipEntry::IsFolder() const {
  if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return true;
  unsigned host = versionMadeBy >> 8;
  if (host == 0 || host == 10 || host == 11 || host == 14) return (externalAttributes & 0x10) != 0;
  if (host == 3) return ((externalAttributes >> 16) & 0xF000) == 0x4000;
  return false;
}

uint8_t ZipEntry::WindowsAttributes() const {
  unsigned host = versionMadeBy >> 8;
  uint8_t a = 0;
  if (host == 0 || host == 10 || host == 11 || host == 14 || host == 6)
    a = static_cast<uint8_t>(externalAttributes & 0x27);
  else if (host == 3 && !((externalAttributes >> 16) & 0200) && (externalAttributes >> 16))
    a = FILE_ATTRIBUTE_READONLY;
  if (IsFolder()) a |= FILE_ATTRIBUTE_DIRECTORY;
  return a;
}

bool ZipArchive::OpenDisk(uint32_t disk) {
  if (file_.IsOpen() && openDisk_ == disk) return true;
  file_.Close();
  openDisk_ = disk;
  if (!removable_) {
    if (disk == lastDisk) return file_.OpenRead(path_);
    // A split set on a fixed disk: name.z01, name.z02, ... beside the last part.
    std::string base = path_;
    size_t dot = base.find_last_of(".\\/");
    if (dot != std::string::npos && base[dot] == '.') base.erase(dot);
    char ext[16];
    wsprintfA(ext, ".z%02u", disk + 1);
    if (file_.OpenRead(base + ext)) return true;
  }
  // A span over removable disks: every disk holds the same name; once one disk was asked
  // for, whatever else is needed (the last disk too) is asked for as well.
  if (!askDisk) return false;
  removable_ = true;
  if (!askDisk(static_cast<uint16_t>(disk + 1))) return false;
  return file_.OpenRead(path_);
}

int16_t ZipArchive::Open(const std::string& path) {
  path_ = path;
  entries.clear();
  comment.clear();
  bool askedLast = false;
  for (;;) {
    file_.Close();
    if (!file_.OpenRead(path)) {
      DWORD err = GetLastError();
      if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return et5::kArchiveNotFound;
      return et5::kAccessDenied;
    }
    uint64_t size = file_.Size();
    lastDiskSize_ = size;
    if (size < kEndSize) return et5::kNotArchive;
    size_t tailSize = static_cast<size_t>(std::min<uint64_t>(size, 65535 + kEndSize + 20));
    std::vector<uint8_t> tail(tailSize);
    if (!file_.ReadAt(size - tailSize, tail.data(), tailSize)) return et5::kReadError;
    int64_t found = -1;
    for (int64_t i = static_cast<int64_t>(tailSize) - static_cast<int64_t>(kEndSize); i >= 0; --i) {
      if (Get32(&tail[i]) != kEndSig) continue;
      uint16_t clen = Get16(&tail[i + 20]);
      if (static_cast<uint64_t>(i) + kEndSize + clen <= tailSize) {
        found = i;
        break;
      }
    }
    if (found < 0) {
      uint8_t head[4] = {};
      file_.ReadAt(0, head, 4);
      if (!askedLast && (Get32(head) == kSpanSig || Get32(head) == kLocalSig) && askLastDisk) {
        askedLast = true;
        if (askLastDisk()) {
          removable_ = true;
          continue;
        }
      }
      return et5::kNotArchive;
    }
    const uint8_t* e = &tail[found];
    uint64_t endPos = size - tailSize + found;
    uint32_t thisDisk = Get16(e + 4), cdDisk = Get16(e + 6);
    uint64_t total = Get16(e + 10);
    centralSize = Get32(e + 12);
    centralOffset = Get32(e + 16);
    comment.assign(reinterpret_cast<const char*>(e + 22), Get16(e + 20));
    uint64_t directoryEnd = endPos;
    zip64 = false;
    if (found >= 20 && Get32(&tail[found - 20]) == kZip64LocatorSig) {
      uint64_t z64Offset = Get64(&tail[found - 20 + 8]);
      uint8_t z[56];
      if (z64Offset + 56 <= endPos && file_.ReadAt(z64Offset, z, 56) && Get32(z) == kZip64EndSig) {
        zip64 = true;
        thisDisk = Get32(z + 16);
        cdDisk = Get32(z + 20);
        total = Get64(z + 32);
        centralSize = Get64(z + 40);
        centralOffset = Get64(z + 48);
        directoryEnd = z64Offset;
      } else if (!(z64Offset + 56 <= endPos)) {
        return et5::kBadDirectory;
      }
    }
    lastDisk = thisDisk;
    multiDisk = thisDisk > 0;
    openDisk_ = thisDisk;
    shift_ = 0;
    if (!multiDisk) {
      if (centralOffset + centralSize > directoryEnd) return et5::kBadDirectory;
      shift_ = directoryEnd - (centralOffset + centralSize);
      if (shift_ > 0) {
        // Bytes in front of the archive: a program that carries it. Accept only when the
        // directory really starts there.
        uint8_t sig[4];
        if (total > 0 && !(file_.ReadAt(centralOffset + shift_, sig, 4) && Get32(sig) == kCentralSig))
          return et5::kBadDirectory;
      }
      uint8_t head[2] = {};
      file_.ReadAt(0, head, 2);
      selfExtracting = shift_ > 0 || (head[0] == 'M' && head[1] == 'Z');
    } else if (cdDisk > thisDisk) {
      return et5::kBadDirectory;
    }
    cdDisk_ = cdDisk;
    return ReadDirectory();
  }
}

int16_t ZipArchive::ReadDirectory() {
  if (centralSize > kMaxDirectory) return et5::kNoMemory;
  std::vector<uint8_t> cd;
  try {
    cd.resize(static_cast<size_t>(centralSize));
  } catch (...) {
    return et5::kNoMemory;
  }
  if (!multiDisk) {
    if (!cd.empty() && !file_.ReadAt(centralOffset + shift_, cd.data(), cd.size())) return et5::kReadError;
  } else {
    // The directory may start on an earlier disk; read it across disks.
    if (!OpenDisk(cdDisk_) || !file_.Seek(centralOffset)) return et5::kNotArchive;
    size_t filled = 0;
    while (filled < cd.size()) {
      int64_t got = ReadData(cd.data() + filled, cd.size() - filled);
      if (got <= 0) return et5::kReadError;
      filled += static_cast<size_t>(got);
    }
  }
  size_t pos = 0;
  while (pos + kCentralHeaderSize <= cd.size()) {
    const uint8_t* h = &cd[pos];
    if (Get32(h) != kCentralSig) return et5::kBadDirectory;
    ZipEntry en;
    en.versionMadeBy = Get16(h + 4);
    en.versionNeeded = Get16(h + 6);
    en.flags = Get16(h + 8);
    en.method = Get16(h + 10);
    en.dosTime = Get16(h + 12);
    en.dosDate = Get16(h + 14);
    en.crc = Get32(h + 16);
    en.packedSize = Get32(h + 20);
    en.size = Get32(h + 24);
    size_t nameLen = Get16(h + 28), extraLen = Get16(h + 30), commentLen = Get16(h + 32);
    en.diskStart = Get16(h + 34);
    en.internalAttributes = Get16(h + 36);
    en.externalAttributes = Get32(h + 38);
    en.localOffset = Get32(h + 42);
    if (pos + kCentralHeaderSize + nameLen + extraLen + commentLen > cd.size()) return et5::kBadDirectory;
    const char* p = reinterpret_cast<const char*>(h + kCentralHeaderSize);
    en.rawName.assign(p, nameLen);
    const uint8_t* extra = h + kCentralHeaderSize + nameLen;
    en.comment.assign(p + nameLen + extraLen, commentLen);
    // Extra fields: take the zip64 sizes, keep the rest.
    size_t x = 0;
    while (x + 4 <= extraLen) {
      uint16_t id = Get16(extra + x), len = Get16(extra + x + 2);
      if (x + 4 + len > extraLen) break;
      const uint8_t* d = extra + x + 4;
      if (id == 0x0001) {
        size_t k = 0;
        if (en.size == 0xFFFFFFFF && k + 8 <= len) { en.size = Get64(d + k); k += 8; }
        if (en.packedSize == 0xFFFFFFFF && k + 8 <= len) { en.packedSize = Get64(d + k); k += 8; }
        if (en.localOffset == 0xFFFFFFFF && k + 8 <= len) { en.localOffset = Get64(d + k); k += 8; }
        if (en.diskStart == 0xFFFF && k + 4 <= len) { en.diskStart = Get32(d + k); k += 4; }
      } else {
        en.centralExtra.append(reinterpret_cast<const char*>(extra + x), 4 + len);
      }
      x += 4 + len;
    }
    en.name = StoredNameToAnsi(en.rawName, en.flags, en.versionMadeBy);
    pos += kCentralHeaderSize + nameLen + extraLen + commentLen;
    entries.push_back(std::move(en));
  }
  if (pos != cd.size()) return et5::kBadDirectory;
  // Each entry must own its own stretch of the file: entries that share data (the
  // overlapping kind of zip bomb) or point into the directory are refused.
  if (!multiDisk) {
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return entries[a].localOffset < entries[b].localOffset; });
    for (size_t k = 0; k < order.size(); ++k) {
      ZipEntry& en = entries[order[k]];
      if (en.localOffset >= centralOffset) return et5::kBadDirectory;
      uint64_t next = k + 1 < order.size() ? entries[order[k + 1]].localOffset : centralOffset;
      if (next == en.localOffset) return et5::kBadDirectory;
      en.limit = next;
    }
  }
  return et5::kOk;
}

int16_t ZipArchive::LocateData(const ZipEntry& entry, uint64_t* dataStart) {
  if (!OpenDisk(entry.diskStart)) return multiDisk ? et5::kNotArchive : et5::kReadError;
  uint8_t h[kLocalHeaderSize];
  uint64_t at = entry.localOffset + (multiDisk ? 0 : shift_);
  if (!file_.ReadAt(at, h, sizeof h)) return et5::kCrcError;
  if (Get32(h) != kLocalSig) return et5::kBadDirectory;
  uint64_t start = at + kLocalHeaderSize + Get16(h + 26) + Get16(h + 28);
  if (!multiDisk) {
    uint64_t end = entry.limit + shift_;
    if (start > end || entry.packedSize > end - start) return et5::kBadDirectory;
    if (start + entry.packedSize > file_.Size()) return et5::kCrcError;
  }
  if (!file_.Seek(start)) return et5::kReadError;
  *dataStart = start;
  return et5::kOk;
}

int64_t ZipArchive::ReadData(void* buffer, size_t n) {
  int64_t got = file_.Read(buffer, n);
  while (got == 0 && multiDisk && openDisk_ < lastDisk) {
    if (!OpenDisk(openDisk_ + 1)) return -1;
    got = file_.Read(buffer, n);
  }
  return got;
}

}  // namespace jqcomp
