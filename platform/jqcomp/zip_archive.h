// Reading zip archives: the central directory (zip64 records included), spanned and split
// sets, and the checked location of each entry's data.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_io.h"

namespace jqcomp {

struct ZipEntry {
  std::string name;      // in the program's code page, "/" separated as stored
  std::string rawName;   // the bytes as stored
  std::string comment;
  std::string centralExtra;  // without the zip64 field
  uint16_t versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0, dosTime = 0, dosDate = 0;
  uint32_t crc = 0;
  uint64_t packedSize = 0, size = 0;
  uint32_t diskStart = 0;
  uint16_t internalAttributes = 0;
  uint32_t externalAttributes = 0;
  uint64_t localOffset = 0;
  uint64_t limit = 0;        // where the next entry (or the directory) begins on its disk
  bool IsFolder() const;
  bool Encrypted() const { return flags & 1; }
  uint8_t WindowsAttributes() const;
};

class ZipArchive {
 public:
  // Asks for disk `n` (1-based) of a spanned set to be inserted; true when it is.
  std::function<bool(uint16_t disk)> askDisk;
  // Asks for the last disk; true when it is inserted.
  std::function<bool()> askLastDisk;

  // Reads the directory. Codes: kArchiveNotFound, kNotArchive, kBadDirectory, kReadError...
  int16_t Open(const std::string& path);
  const std::string& path() const { return path_; }
  void Close() { file_.Close(); }

  std::vector<ZipEntry> entries;
  std::string comment;
  bool zip64 = false;
  bool selfExtracting = false;
  bool multiDisk = false;
  uint32_t lastDisk = 0;
  uint64_t centralOffset = 0, centralSize = 0;

  // Positions a reader at the entry's data after checking its local header; `dataStart`
  // is the offset on the entry's first disk.
  int16_t LocateData(const ZipEntry& entry, uint64_t* dataStart);
  // Reads the next bytes of the entry's data, crossing into the next disk of a span.
  int64_t ReadData(void* buffer, size_t n);

 private:
  bool OpenDisk(uint32_t disk);
  int16_t ReadDirectory();

  std::string path_;
  File file_;             // the disk open now
  uint32_t openDisk_ = 0;
  uint32_t cdDisk_ = 0;
  bool removable_ = false;  // disks are swapped in one drive
  uint64_t shift_ = 0;    // bytes in front of the archive (self-extracting programs)
  uint64_t lastDiskSize_ = 0;
};

// DOS date and time (local) of a file time (UTC), and back.
void FileTimeToDos(const FILETIME& utc, uint16_t* date, uint16_t* time);
FILETIME DosToFileTime(uint16_t date, uint16_t time);
// Converts a stored name to the program's code page (UTF-8 flag, OEM names of DOS tools).
std::string StoredNameToAnsi(const std::string& raw, uint16_t flags, uint16_t madeBy);

}  // namespace jqcomp
