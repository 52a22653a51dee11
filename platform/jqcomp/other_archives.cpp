// tar, gzip, compress (.Z), their combinations, and the listing of LHA and cabinet archives,
// read through libarchive. Extraction follows the zip rules: names made safe below the
// target, existing files replaced only through a temporary file, links never created.
#include <windows.h>

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <vector>

#include "file_io.h"
#include "operations.h"
#include "other_archives.h"
#include "safe_path.h"
#include "switches.h"
#include "zip_archive.h"

namespace jqcomp {

namespace {
constexpr size_t kBlock = 1 << 18;
// Neither gzip nor compress expands data by more than about 1032 to 1; more is a lie.
constexpr uint64_t kMaxRatio = 1040;

bool SingleFileKind(uint16_t kind) { return kind == et5::kKindGzip || kind == et5::kKindCompress; }

struct Source {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::vector<char> buffer = std::vector<char>(kBlock);
};

la_ssize_t ReadCallback(struct archive*, void* data, const void** out) {
  auto* s = static_cast<Source*>(data);
  DWORD got = 0;
  if (!ReadFile(s->file, s->buffer.data(), static_cast<DWORD>(s->buffer.size()), &got, nullptr)) return -1;
  *out = s->buffer.data();
  return got;
}

la_int64_t SkipCallback(struct archive*, void* data, la_int64_t request) {
  auto* s = static_cast<Source*>(data);
  LARGE_INTEGER move, now;
  move.QuadPart = request;
  LARGE_INTEGER zero{};
  LARGE_INTEGER before;
  SetFilePointerEx(s->file, zero, &before, FILE_CURRENT);
  if (!SetFilePointerEx(s->file, move, &now, FILE_CURRENT)) return 0;
  return now.QuadPart - before.QuadPart;
}

// An archive opened for reading, by kind.
class Reader {
 public:
  ~Reader() {
    if (a_) archive_read_free(a_);
    if (src_.file != INVALID_HANDLE_VALUE) CloseHandle(src_.file);
  }
  int Open(const std::string& path, uint16_t kind) {
    src_.file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (src_.file == INVALID_HANDLE_VALUE) {
      int16_t code = CodeForLastError(false);
      return code == et5::kFileNotFound ? static_cast<int16_t>(et5::kArchiveNotFound) : code;
    }
    LARGE_INTEGER size;
    GetFileSizeEx(src_.file, &size);
    fileSize_ = static_cast<uint64_t>(size.QuadPart);
    GetFileTime(src_.file, nullptr, nullptr, &fileTime_);
    a_ = archive_read_new();
    if (!a_) return et5::kNoMemory;
    switch (kind) {
      case et5::kKindGzip:
        archive_read_support_filter_gzip(a_);
        archive_read_support_format_raw(a_);
        break;
      case et5::kKindCompress:
        archive_read_support_filter_compress(a_);
        archive_read_support_format_raw(a_);
        break;
      case et5::kKindTar:
      case et5::kKindTarGz:
      case et5::kKindTarCompress:
        archive_read_support_filter_gzip(a_);
        archive_read_support_filter_compress(a_);
        archive_read_support_format_tar(a_);
        break;
      case et5::kKindLha:
        archive_read_support_format_lha(a_);
        break;
      case et5::kKindCab:
        archive_read_support_format_cab(a_);
        break;
      default:
        return et5::kNotArchive;
    }
    archive_read_set_read_callback(a_, ReadCallback);
    archive_read_set_skip_callback(a_, SkipCallback);
    archive_read_set_callback_data(a_, &src_);
    if (archive_read_open1(a_) != ARCHIVE_OK) return et5::kNotArchive;
    return et5::kOk;
  }
  // 0 with an entry, 1 at the end, else a code.
  int Next(archive_entry** entry) {
    int r = archive_read_next_header(a_, entry);
    if (r == ARCHIVE_EOF) return 1;
    if (r == ARCHIVE_OK || r == ARCHIVE_WARN) {
      ++entries_;
      return 0;
    }
    if (r == ARCHIVE_RETRY) return Next(entry);
    return entries_ == 0 ? et5::kNotArchive : et5::kBadDirectory;
  }
  struct archive* get() { return a_; }
  uint64_t fileSize() const { return fileSize_; }
  FILETIME fileTime() const { return fileTime_; }

 private:
  struct archive* a_ = nullptr;
  Source src_;
  uint64_t fileSize_ = 0;
  FILETIME fileTime_{};
  size_t entries_ = 0;
};

std::string EntryName(archive_entry* e, uint16_t kind, const std::string& archivePath) {
  if (SingleFileKind(kind)) {
    // Like gunzip: the archive's name without its last extension.
    std::string base = FileNameOf(archivePath);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base;
  }
  const wchar_t* w = archive_entry_pathname_w(e);
  if (w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    WideCharToMultiByte(CP_ACP, 0, w, -1, s.data(), n, nullptr, nullptr);
    return s;
  }
  const char* p = archive_entry_pathname(e);
  return p ? p : "";
}

FILETIME EntryTime(archive_entry* e, const Reader& reader) {
  if (!archive_entry_mtime_is_set(e)) return reader.fileTime();
  uint64_t t = (static_cast<uint64_t>(archive_entry_mtime(e)) + 11644473600ull) * 10000000ull +
               static_cast<uint64_t>(archive_entry_mtime_nsec(e)) / 100;
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return ft;
}

// The uncompressed size that a gzip file names in its last four bytes (modulo 4 GiB).
uint64_t GzipTrailerSize(const std::string& path) {
  File f;
  if (!f.OpenRead(path) || f.Size() < 18) return 0;
  uint8_t t[4];
  if (!f.ReadAt(f.Size() - 4, t, 4)) return 0;
  return t[0] | (t[1] << 8) | (t[2] << 16) | (static_cast<uint32_t>(t[3]) << 24);
}
}  // namespace

int ListOtherArchive(const std::string& path, uint16_t kind, Listing* listing) {
  Reader reader;
  int r = reader.Open(path, kind);
  if (r) return r;
  archive_entry* e;
  uint32_t index = 0;
  while ((r = reader.Next(&e)) == 0) {
    ListedEntry le;
    et5::EntryRecord& rec = le.record;
    rec.recordSize = sizeof rec;
    rec.index = index++;
    uint64_t size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
    uint64_t packed = size;
    if (SingleFileKind(kind)) {
      packed = reader.fileSize();
      size = kind == et5::kKindGzip ? GzipTrailerSize(path) : 0;
      if (kind == et5::kKindCompress) {
        // Count the data: compress keeps no size.
        std::vector<char> buf(kBlock);
        la_ssize_t n;
        while ((n = archive_read_data(reader.get(), buf.data(), buf.size())) > 0) size += static_cast<uint64_t>(n);
      }
    }
    rec.size = size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(size);
    rec.packedSize = packed > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(packed);
    rec.size64 = size;
    rec.packedSize64 = packed;
    FILETIME ft = EntryTime(e, reader);
    FileTimeToDos(ft, &rec.dosDate, &rec.dosTime);
    mode_t type = archive_entry_filetype(e);
    if (type == AE_IFDIR) rec.attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!SingleFileKind(kind) && archive_entry_perm(e) != 0 && !(archive_entry_perm(e) & 0200))
      rec.attributes |= FILE_ATTRIBUTE_READONLY;
    if (archive_entry_is_encrypted(e)) rec.flags |= 1;
    le.name = EntryName(e, kind, path);
    for (char& c : le.name)
      if (c == '/') c = '\\';
    const char* fmt = archive_format_name(reader.get());
    le.method = fmt ? fmt : "";
    listing->entries.push_back(std::move(le));
  }
  return r == 1 ? 0 : r;
}

int ExtractOtherArchive(Engine& engine, const std::string& path, uint16_t kind, const std::string& folderIn,
                        const std::string& list, const std::string& switchText) {
  Session session(engine, et5::kOpExtract, path);
  Switches sw = ParseSwitches(switchText, true);
  std::string folder = folderIn;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (folder.empty()) {
    char cur[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, cur);
    folder.assign(cur, n);
  }
  if (!IsFolder(folder) && !CreateFolderPath(folder)) return et5::kPathNotFound;
  Reader reader;
  int r = reader.Open(path, kind);
  if (r) return r;
  std::vector<std::string> patterns;
  for (const std::string& p : SplitFileList(list)) patterns.push_back(NormalisePattern(p));
  if (patterns.empty()) patterns.push_back("*.*");
  uint64_t budget = reader.fileSize() * kMaxRatio + (1u << 20);
  uint64_t producedAll = 0;
  bool yesToAll = false, matchedAny = false, any = false;
  archive_entry* e;
  std::vector<char> buf(kBlock);
  while (!session.Cancelled() && (r = reader.Next(&e)) == 0) {
    any = true;
    std::string name = EntryName(e, kind, path);
    bool wanted = false;
    for (const std::string& p : patterns) wanted |= EntryMatches(p, name);
    if (!wanted) continue;
    matchedAny = true;
    mode_t type = archive_entry_filetype(e);
    std::string rel;
    NameVerdict verdict = SafeRelativePath(type == AE_IFDIR && name.back() != '/' ? name + "/" : name, sw.keepPaths, &rel);
    if (verdict == NameVerdict::kRefused) {
      if (!session.ItemError(et5::kBadDirectory, name)) break;
      continue;
    }
    if (!sw.longNames && !rel.empty()) rel = ShortFormPath(rel);
    if (verdict == NameVerdict::kFolderOnly || type == AE_IFDIR) {
      if (sw.keepPaths && !rel.empty() &&
          (!FolderChainIsPlain(folder, JoinPath(folder, rel)) || !CreateFolderPath(JoinPath(folder, rel))))
        if (!session.ItemError(et5::kPathNotFound, name)) break;
      continue;
    }
    if (type != AE_IFREG || archive_entry_hardlink(e)) {
      // Links and devices are never created.
      if (!session.ItemError(et5::kIncomplete, name)) break;
      continue;
    }
    if (archive_entry_is_encrypted(e)) {
      if (!session.ItemError(et5::kBadPassword, name)) break;
      continue;
    }
    std::string target = JoinPath(folder, rel);
    WIN32_FILE_ATTRIBUTE_DATA existing{};
    bool exists = GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &existing) != 0;
    if (exists && (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!session.ItemError(et5::kAccessDenied, rel)) break;
      continue;
    }
    FILETIME ft = EntryTime(e, reader);
    bool newer = CompareFileTime(&ft, &existing.ftLastWriteTime) > 0;
    if (sw.onlyNewer && !exists) continue;
    if ((sw.onlyNewer || sw.newerOrMissing) && exists && !newer) continue;
    if (exists && !sw.overwrite && !yesToAll) {
      int16_t answer = session.Ask(et5::kAskOverwrite, rel);
      if (answer == et5::kAnswerYesToAll) yesToAll = true;
      else if (answer == et5::kAnswerStop) { session.Cancel(); break; }
      else if (answer != et5::kAnswerYes) continue;
    }
    if (sw.keepPaths && (!FolderChainIsPlain(folder, ParentOf(target)) || !CreateFolderPath(ParentOf(target)))) {
      if (!session.ItemError(et5::kPathNotFound, rel)) break;
      continue;
    }
    std::string temp = TemporaryBeside(target);
    File out;
    if (!out.Create(temp, true)) {
      if (!session.ItemError(CodeForLastError(true), rel)) break;
      continue;
    }
    uint64_t size = archive_entry_size_is_set(e) ? static_cast<uint64_t>(archive_entry_size(e)) : 0;
    uint64_t done = 0;
    int16_t code = et5::kOk;
    session.Progress(name, 0, size, true);
    {
      BufferedWriter w(out, 1 << 20);
      for (;;) {
        la_ssize_t n = archive_read_data(reader.get(), buf.data(), buf.size());
        if (n == 0) break;
        if (n < 0) { code = et5::kCrcError; break; }
        done += static_cast<uint64_t>(n);
        producedAll += static_cast<uint64_t>(n);
        if (producedAll > budget) { code = et5::kCrcError; break; }
        if (!w.Write(buf.data(), static_cast<size_t>(n))) { code = CodeForLastError(true); break; }
        if (!session.Progress(name, done, size)) { code = et5::kCancelled; break; }
      }
      if (code == et5::kOk && !w.Flush()) code = CodeForLastError(true);
    }
    if (code == et5::kOk) SetFileTime(out.handle(), nullptr, nullptr, &ft);
    out.Close();
    if (code == et5::kOk && !ReplaceFile(temp, target)) code = et5::kAccessDenied;
    if (code != et5::kOk) {
      DeleteFileA(temp.c_str());
      if (code == et5::kCancelled) break;
      if (!session.ItemError(code, rel)) break;
      // Data errors leave the stream unusable.
      if (code == et5::kCrcError) break;
      continue;
    }
    session.Progress(name, done, size, true);
  }
  if (r != 0 && r != 1 && !session.Cancelled()) session.Fail(static_cast<int16_t>(r));
  if (!matchedAny && any && session.Result() == 0) return et5::kNothingToDo;
  return session.Result();
}

}  // namespace jqcomp
