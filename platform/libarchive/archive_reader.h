// A sequential reader of RAR, LHA and cabinet archives over libarchive, shared by the suite's
// archive libraries. It opens the file itself (so that names in the ANSI code page work),
// reports entries with their names in UTF-16, sorts libarchive's failures into a few kinds
// that each library maps to its own codes, and extracts an entry's data into a ReplacingFile
// (see archive_paths.h), so that a failure never leaves a partial or damaged target behind.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>

#include "archive_paths.h"

struct archive;

namespace jqarc {

enum class Format { Rar, Lha, Cab };

enum class Fault {
  None,
  FileNotFound,    // the archive file is missing
  AccessDenied,    // the archive file cannot be opened for reading
  NotArchive,      // not of the expected format
  BadHeader,       // damaged directory or header, or an entry name that is refused
  BadData,         // damaged data or a failed CRC
  Truncated,       // the file ends early
  Unsupported,     // a method, link or feature this reader cannot extract
  Encrypted,       // needs a password, which these libraries never get
  WriteFailed,     // the target could not be written (disk full or a write error)
  WriteDenied,     // the target could not be replaced (access denied, read-only, in use)
  FolderFailed,    // a folder could not be created
  NoMemory,
  EntryNotFound,   // no entry of the requested name
  Cancelled,
};

struct Entry {
  std::wstring name;           // as stored (either separator)
  uint64_t size = 0;           // uncompressed size; 0 when unknown
  bool sizeKnown = false;
  uint64_t headerOffset = 0;   // where the entry's header starts in the archive
  FILETIME lastWrite{};        // UTC; zero when the archive has none
  bool isFolder = false;
  bool isLink = false;         // symbolic or hard link: never created
  bool encrypted = false;
  DWORD attributes = 0;        // Windows attribute bits (folder, read-only)
};

class ArchiveReader {
 public:
  ArchiveReader() = default;
  ~ArchiveReader() { Close(); }
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  Fault Open(const std::wstring& path, Format format);
  // The next entry; *atEnd is set (with Fault::None) after the last one.
  Fault Next(Entry* entry, bool* atEnd);
  // Writes the current entry's data to target through a temporary file. progress(done) is
  // called after each block; returning false cancels. The target's folder must exist.
  Fault Extract(const Entry& entry, const std::wstring& target,
                const std::function<bool(uint64_t done)>& progress = nullptr);
  void Close();

  uint64_t fileSize() const { return fileSize_; }
  const std::string& lastError() const { return lastError_; }  // libarchive's text, for logs

 private:
  Fault Classify(bool inData);
  struct archive* a_ = nullptr;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t fileSize_ = 0;
  char* buffer_ = nullptr;      // entry data handed to the caller
  char* readBuffer_ = nullptr;  // file data handed to libarchive (it keeps pointers into it)
  std::string lastError_;
  friend struct ReaderCallbacks;
};

// Windows file-attribute bits and a DOS date and time (local) for the suite's entry records.
void ToDosDateTime(const FILETIME& utc, uint16_t* date, uint16_t* time);

// Wildcard match of "*" and "?" without regard to case (iterative, linear in practice).
bool WildcardMatch(std::wstring_view pattern, std::wstring_view text);

}  // namespace jqarc
