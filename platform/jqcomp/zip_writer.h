// Writing zip archives: new entries from files (stored or deflated, optionally encrypted),
// entries copied unchanged from another archive, the central directory, and spanned sets
// over several disks. Only the 32-bit records are written: whatever does not fit them is
// refused with kIncomplete (or kTooManyFiles) before anything is replaced.
#pragma once
#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine.h"
#include "file_io.h"
#include "zip_archive.h"

namespace jqcomp {

struct SourceFile {
  std::string fullPath;
  std::string storedName;  // "/" separated; folders end in "/"
  bool folder = false;
  FILETIME lastWrite{};
  DWORD attributes = 0;
  uint64_t size = 0;
};

class ZipWriter {
 public:
  ~ZipWriter();
  // One file at `path` (created new or truncated).
  int16_t Create(const std::string& path);
  // A spanned set: every disk holds a file at `path`; when a disk is full the session asks
  // for the next one. volumeSize 0: each disk's free space.
  int16_t CreateSpanned(const std::string& path, uint64_t volumeSize, Session* session);

  int16_t AddFile(const SourceFile& source, int level, const std::string& password, Session& session);
  // A file read and compressed beforehand (level 0: stored as read).
  struct PackedData {
    uint32_t crc;
    uint64_t size;
    const std::string& bytes;
  };
  int16_t AddPacked(const SourceFile& source, const PackedData& packed, int level, Session& session);
  int16_t CopyEntry(ZipArchive& from, const ZipEntry& entry, Session& session);
  int16_t Finish(const std::string& comment);
  // Closes and deletes the file written so far (the last disk's, for a span).
  void Abandon();
  size_t count() const { return central_.size(); }
  uint64_t written() const { return diskOffset_; }
  uint32_t disksUsed() const { return disk_ + 1; }

  static constexpr uint64_t kLimit32 = 0xFFFFFFFEull;
  static constexpr int16_t kGrown = 1;  // a file outgrew the size it was listed with

 private:
  struct Central {
    std::string rawName, extra, comment;
    uint16_t madeBy, needed, flags, method, time, date, internal;
    uint32_t crc, external, disk;
    uint64_t packed, size, offset;
  };
  bool Put(const void* data, size_t n);     // data: may cross onto the next disk
  bool Room(size_t n);                      // a record that must not be split
  bool FlushBuffer();
  bool NextDisk();
  int16_t WriteLocal(Central& c);
  Central PrepareCentral(const SourceFile& src);
  int16_t AddSmallFile(Central& c, File& in, const SourceFile& src, int level, Session& session);
  bool Deflater(int level);  // the reused deflate stream, reset for a new entry
  int16_t Failure() const { return failure_ ? failure_ : static_cast<int16_t>(et5::kWriteError); }

  File file_;
  std::string path_;
  std::vector<uint8_t> buf_;
  uint64_t diskOffset_ = 0;  // bytes on the current disk, buffered ones included
  uint32_t disk_ = 0;
  bool spanned_ = false;
  uint64_t volumeSize_ = 0, capacity_ = 0;
  Session* session_ = nullptr;
  std::string currentName_;
  int16_t failure_ = 0;
  std::vector<Central> central_;
  z_stream zs_{};
  int zsLevel_ = -1;
};

// Stored form of a name: ASCII as is, anything else as UTF-8 with the UTF-8 flag.
std::string AnsiNameToStored(const std::string& name, uint16_t* flags);

}  // namespace jqcomp
