#include "archive_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstring>
#include <cwctype>

namespace jqarc {

namespace {
constexpr size_t kBlock = 64 * 1024;

bool Contains(const char* text, const char* part) { return text && std::strstr(text, part) != nullptr; }

FILETIME FromUnixTime(time_t seconds, long nanoseconds) {
  ULONGLONG ticks = (static_cast<ULONGLONG>(seconds) + 11644473600ULL) * 10000000ULL + nanoseconds / 100;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}
}  // namespace

struct ReaderCallbacks {
  static la_ssize_t Read(struct archive* a, void* data, const void** buffer) {
    auto* self = static_cast<ArchiveReader*>(data);
    DWORD got = 0;
    if (!ReadFile(self->file_, self->readBuffer_, kBlock, &got, nullptr)) {
      archive_set_error(a, EIO, "read error %lu", static_cast<unsigned long>(GetLastError()));
      return -1;
    }
    *buffer = self->readBuffer_;
    return got;
  }
  static la_int64_t Seek(struct archive* a, void* data, la_int64_t offset, int whence) {
    auto* self = static_cast<ArchiveReader*>(data);
    LARGE_INTEGER distance, result;
    distance.QuadPart = offset;
    DWORD method = whence == SEEK_SET ? FILE_BEGIN : whence == SEEK_CUR ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(self->file_, distance, &result, method)) {
      archive_set_error(a, EIO, "seek error");
      return ARCHIVE_FATAL;
    }
    return result.QuadPart;
  }
  static la_int64_t Skip(struct archive* a, void* data, la_int64_t request) {
    auto* self = static_cast<ArchiveReader*>(data);
    LARGE_INTEGER zero{}, here;
    if (request <= 0 || !SetFilePointerEx(self->file_, zero, &here, FILE_CURRENT)) return 0;
    // Never past the end: a lying size then shows up as a truncated archive.
    la_int64_t left = static_cast<la_int64_t>(self->fileSize_) - here.QuadPart;
    if (left <= 0) return 0;
    if (request > left) request = left;
    LARGE_INTEGER distance;
    distance.QuadPart = request;
    if (!SetFilePointerEx(self->file_, distance, nullptr, FILE_CURRENT)) return 0;
    return request;
  }
  static int Close(struct archive*, void*) { return ARCHIVE_OK; }
};

Fault ArchiveReader::Open(const std::wstring& path, Format format) {
  Close();
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return Fault::NotArchive;
  file_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME
               ? Fault::FileNotFound
               : Fault::AccessDenied;
  }
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file_, &size)) size.QuadPart = 0;
  fileSize_ = static_cast<uint64_t>(size.QuadPart);
  buffer_ = new (std::nothrow) char[kBlock];
  readBuffer_ = new (std::nothrow) char[kBlock];
  a_ = archive_read_new();
  if (!buffer_ || !readBuffer_ || !a_) {
    Close();
    return Fault::NoMemory;
  }
  switch (format) {
    case Format::Rar:
      archive_read_support_format_rar(a_);
      archive_read_support_format_rar5(a_);
      break;
    case Format::Lha:
      archive_read_support_format_lha(a_);
      break;
    case Format::Cab:
      archive_read_support_format_cab(a_);
      break;
  }
  archive_read_set_callback_data(a_, this);
  archive_read_set_read_callback(a_, &ReaderCallbacks::Read);
  archive_read_set_seek_callback(a_, &ReaderCallbacks::Seek);
  archive_read_set_skip_callback(a_, &ReaderCallbacks::Skip);
  archive_read_set_close_callback(a_, &ReaderCallbacks::Close);
  if (archive_read_open1(a_) != ARCHIVE_OK) {
    Fault fault = Classify(false);
    Close();
    return fault == Fault::BadHeader ? Fault::NotArchive : fault;
  }
  return Fault::None;
}

Fault ArchiveReader::Next(Entry* entry, bool* atEnd) {
  *atEnd = false;
  if (!a_) return Fault::NotArchive;
  struct archive_entry* e = nullptr;
  int r = archive_read_next_header(a_, &e);
  if (r == ARCHIVE_EOF) {
    *atEnd = true;
    return Fault::None;
  }
  if (r < ARCHIVE_WARN || !e) return Classify(false);
  *entry = Entry();
  const wchar_t* wide = archive_entry_pathname_w(e);
  if (wide) {
    entry->name = wide;
  } else if (const char* narrow = archive_entry_pathname(e)) {
    entry->name = Widen(narrow);
  }
  entry->sizeKnown = archive_entry_size_is_set(e) != 0;
  entry->size = entry->sizeKnown && archive_entry_size(e) > 0 ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
  la_int64_t offset = archive_read_header_position(a_);
  entry->headerOffset = offset > 0 ? static_cast<uint64_t>(offset) : 0;
  if (archive_entry_mtime_is_set(e))
    entry->lastWrite = FromUnixTime(archive_entry_mtime(e), archive_entry_mtime_nsec(e));
  mode_t type = archive_entry_filetype(e);
  entry->isFolder = type == AE_IFDIR;
  entry->isLink = type == AE_IFLNK || archive_entry_hardlink(e) != nullptr || archive_entry_symlink(e) != nullptr;
  entry->encrypted = archive_entry_is_encrypted(e) != 0;
  entry->attributes = entry->isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if (!(archive_entry_perm(e) & 0222)) entry->attributes |= FILE_ATTRIBUTE_READONLY;
  return Fault::None;
}

Fault ArchiveReader::Extract(const Entry& entry, const std::wstring& target,
                             const std::function<bool(uint64_t)>& progress) {
  if (!a_) return Fault::NotArchive;
  if (entry.isLink || entry.isFolder) return Fault::Unsupported;
  if (entry.encrypted) return Fault::Encrypted;
  ReplacingFile out;
  switch (out.Create(target)) {
    case WriteFault::None: break;
    case WriteFault::AccessDenied: return Fault::WriteDenied;
    case WriteFault::PathNotFound: return Fault::FolderFailed;
    default: return Fault::WriteFailed;
  }
  // An empty entry has no data to read (some readers report an error when asked for it).
  while (!(entry.sizeKnown && entry.size == 0)) {
    la_ssize_t got = archive_read_data(a_, buffer_, kBlock);
    if (got == 0) break;
    // A warning while reading data is a failed check (CRC); the file is not kept.
    if (got < 0) return Classify(true);  // ~ReplacingFile removes the temporary file
    // Data beyond the size the header gave is a lying archive, not a bigger file.
    if (entry.sizeKnown && out.written() + static_cast<uint64_t>(got) > entry.size) return Fault::BadData;
    switch (out.Write(buffer_, static_cast<size_t>(got))) {
      case WriteFault::None: break;
      case WriteFault::AccessDenied: return Fault::WriteDenied;
      default: return Fault::WriteFailed;
    }
    if (progress && !progress(out.written())) return Fault::Cancelled;
  }
  if (entry.sizeKnown && out.written() != entry.size) return Fault::Truncated;
  const FILETIME* time = entry.lastWrite.dwLowDateTime || entry.lastWrite.dwHighDateTime ? &entry.lastWrite : nullptr;
  // Written as a normal file: a read-only copy would block the next extraction over it.
  switch (out.Commit(time, 0)) {
    case WriteFault::None: return Fault::None;
    case WriteFault::AccessDenied: return Fault::WriteDenied;
    case WriteFault::PathNotFound: return Fault::FolderFailed;
    default: return Fault::WriteFailed;
  }
}

void ArchiveReader::Close() {
  if (a_) {
    archive_read_free(a_);
    a_ = nullptr;
  }
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  delete[] buffer_;
  buffer_ = nullptr;
  delete[] readBuffer_;
  readBuffer_ = nullptr;
  fileSize_ = 0;
}

Fault ArchiveReader::Classify(bool inData) {
  struct archive* a = a_;
  int error = archive_errno(a);
  const char* text = archive_error_string(a);
  lastError_ = text ? text : "";
  if (error == ENOMEM || Contains(text, "memory")) return Fault::NoMemory;
  if (Contains(text, "ncrypt") || Contains(text, "assword")) return Fault::Encrypted;
  if (Contains(text, "Unrecognized archive format") || Contains(text, "not a RAR") ||
      Contains(text, "Invalid marker") || Contains(text, "signature"))
    return Fault::NotArchive;
  if (Contains(text, "runcated") || Contains(text, "Premature end") || Contains(text, "nexpected end") ||
      Contains(text, "EOF"))
    return Fault::Truncated;
  if (Contains(text, "CRC") || Contains(text, "hecksum") || Contains(text, "BLAKE")) return Fault::BadData;
  if (Contains(text, "nsupported") || Contains(text, "not supported") || Contains(text, "Unknown compression") ||
      Contains(text, "Invalid compression"))
    return Fault::Unsupported;
  return inData ? Fault::BadData : Fault::BadHeader;
}

void ToDosDateTime(const FILETIME& utc, uint16_t* date, uint16_t* time) {
  *date = 0;
  *time = 0;
  if (!utc.dwLowDateTime && !utc.dwHighDateTime) return;
  FILETIME local;
  WORD d = 0, t = 0;
  if (FileTimeToLocalFileTime(&utc, &local) && FileTimeToDosDateTime(&local, &d, &t)) {
    *date = d;
    *time = t;
  }
}

bool WildcardMatch(std::wstring_view pattern, std::wstring_view text) {
  size_t p = 0, t = 0, star = std::wstring_view::npos, mark = 0;
  auto same = [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); };
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || (pattern[p] != L'*' && same(pattern[p], text[t])))) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = t;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace jqarc
