#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "file_io.h"
#include "file_writer_pool.h"
#include "operations.h"
#include "safe_path.h"
#include "switches.h"
#include "zip_crypto.h"
#include "zip_format.h"

namespace jqcomp {

using namespace zipfmt;

namespace {
constexpr size_t kChunk = 1 << 18;
// Deflate cannot expand data by more than about 1032 to 1; a directory that says otherwise lies.
constexpr uint64_t kDeflateMaxRatio = 1040;

std::string Backslashed(std::string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

bool EntryIsNewer(const ZipEntry& e, const WIN32_FILE_ATTRIBUTE_DATA& existing) {
  uint16_t date, time;
  FileTimeToDos(existing.ftLastWriteTime, &date, &time);
  uint32_t have = (static_cast<uint32_t>(date) << 16) | time;
  uint32_t entry = (static_cast<uint32_t>(e.dosDate) << 16) | e.dosTime;
  return entry > have;
}
}  // namespace

std::string NormalisePattern(const std::string& pattern) {
  std::string p = Backslashed(pattern);
  while (!p.empty() && p[0] == '\\') p.erase(0, 1);
  return p;
}

bool EntryMatches(const std::string& pattern, const std::string& entryName) {
  std::string name = Backslashed(entryName);
  if (HasWildcards(pattern)) {
    if (WildcardMatch(pattern, name)) return true;
    if (pattern.find('\\') == std::string::npos) {
      std::string base = name;
      while (!base.empty() && base.back() == '\\') base.pop_back();
      size_t slash = base.rfind('\\');
      if (slash != std::string::npos) base = base.substr(slash + 1);
      return WildcardMatch(pattern, base);
    }
    return false;
  }
  if (SameName(pattern, name)) return true;
  std::string folder = pattern;
  if (folder.empty()) return false;
  if (folder.back() != '\\') folder += '\\';
  return name.size() >= folder.size() && SameName(folder, name.substr(0, folder.size()));
}

int16_t CheckEntry(const ZipEntry& e) {
  if ((e.flags & kFlagStrongEncryption) || e.method == 99) return et5::kNewerVersion;
  if (e.method != 0 && e.method != 8) return et5::kUnknownMethod;
  uint64_t payload = e.packedSize;
  if (e.Encrypted()) {
    if (payload < 12) return et5::kCrcError;
    payload -= 12;
  }
  if (e.method == 0 && payload != e.size) return et5::kCrcError;
  if (e.method == 8 && e.size / kDeflateMaxRatio > payload + 8) return et5::kCrcError;  // a size that lies
  return et5::kOk;
}

int16_t DecodeEntry(ZipArchive& archive, const ZipEntry& e, const std::string* password, const DataSink& sink,
                    Session* session) {
  if (int16_t bad = CheckEntry(e)) return bad;
  bool encrypted = e.Encrypted();
  uint64_t payload = e.packedSize - (encrypted ? 12 : 0);
  uint64_t start;
  int16_t r = archive.LocateData(e, &start);
  if (r) return r;
  ZipCrypto crypto(password ? *password : std::string());
  if (encrypted) {
    if (!password || password->empty()) return et5::kBadPassword;
    uint8_t head[12];
    if (archive.ReadData(head, 12) != 12) return et5::kCrcError;
    crypto.Decrypt(head, 12);
    uint8_t check = (e.flags & kFlagDescriptor) ? static_cast<uint8_t>(e.dosTime >> 8) : static_cast<uint8_t>(e.crc >> 24);
    if (head[11] != check) return et5::kBadPassword;
  }
  z_stream zs{};
  if (e.method == 8 && inflateInit2(&zs, -MAX_WBITS) != Z_OK) return et5::kNoMemory;
  // Buffers live with the thread: small entries must not pay for large allocations.
  static thread_local std::vector<uint8_t> inBuf(kChunk), outBuf(kChunk);
  uint64_t left = payload, produced = 0;
  uint32_t crc = crc32(0L, Z_NULL, 0);
  int16_t code = et5::kOk;
  bool ended = e.method == 0;
  std::string shown = e.name;
  if (session) session->Progress(shown, 0, e.size, true);
  while (code == et5::kOk && (left > 0 || (!ended && zs.avail_in > 0))) {
    if (left > 0 && (e.method == 0 || zs.avail_in == 0)) {
      size_t want = static_cast<size_t>(std::min<uint64_t>(left, inBuf.size()));
      int64_t got = archive.ReadData(inBuf.data(), want);
      if (got <= 0) { code = et5::kCrcError; break; }  // the data is cut short
      left -= static_cast<uint64_t>(got);
      if (encrypted) crypto.Decrypt(inBuf.data(), static_cast<size_t>(got));
      if (e.method == 0) {
        crc = crc32(crc, inBuf.data(), static_cast<uInt>(got));
        produced += static_cast<uint64_t>(got);
        if (!sink(inBuf.data(), static_cast<size_t>(got))) { code = et5::kWriteError; break; }
      } else {
        zs.next_in = inBuf.data();
        zs.avail_in = static_cast<uInt>(got);
      }
    }
    if (e.method == 8 && !ended) {
      do {
        zs.next_out = outBuf.data();
        zs.avail_out = static_cast<uInt>(outBuf.size());
        int zr = inflate(&zs, Z_NO_FLUSH);
        size_t have = outBuf.size() - zs.avail_out;
        if (zr != Z_OK && zr != Z_STREAM_END && !(zr == Z_BUF_ERROR && have == 0)) {
          code = zr == Z_MEM_ERROR ? et5::kNoMemory : et5::kCrcError;
          break;
        }
        if (produced + have > e.size) { code = et5::kCrcError; break; }  // more than the size said
        crc = crc32(crc, outBuf.data(), static_cast<uInt>(have));
        produced += have;
        if (have && !sink(outBuf.data(), have)) { code = et5::kWriteError; break; }
        if (zr == Z_STREAM_END) { ended = true; break; }
        if (zr == Z_BUF_ERROR) break;
      } while (zs.avail_out == 0);
      if (!ended && left == 0 && zs.avail_in == 0 && code == et5::kOk) { code = et5::kCrcError; break; }
      if (ended) break;
    }
    if (session && !session->Progress(shown, produced, e.size)) code = et5::kCancelled;
  }
  if (e.method == 8) inflateEnd(&zs);
  if (code) return code;
  if (!ended || produced != e.size || crc != e.crc) return encrypted ? et5::kBadPassword : et5::kCrcError;
  if (session) session->Progress(shown, produced, e.size, true);
  return et5::kOk;
}

int RunUnzip(Engine& engine, const std::string& zip, const std::string& folderIn, const std::string& list,
             const std::string& switchText) {
  Session session(engine, et5::kOpExtract, zip);
  Switches sw = ParseSwitches(switchText, true);
  std::string folder = folderIn;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (folder.empty()) {
    char cur[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, cur);
    folder.assign(cur, n);
  }
  if (!IsFolder(folder) && !CreateFolderPath(folder)) return et5::kPathNotFound;

  ZipArchive archive;
  archive.askDisk = [&](uint16_t disk) { return session.Ask(et5::kAskInsertDisk, "", disk) == et5::kAnswerOk; };
  archive.askLastDisk = [&]() { return session.Ask(et5::kAskInsertLastDisk, "") == et5::kAnswerOk; };
  int16_t r = archive.Open(zip);
  if (r) return r;

  std::vector<std::string> patterns;
  for (const std::string& p : SplitFileList(list)) patterns.push_back(NormalisePattern(p));
  if (patterns.empty()) patterns.push_back("*.*");
  std::vector<size_t> chosen;
  for (size_t i = 0; i < archive.entries.size(); ++i)
    for (const std::string& p : patterns)
      if (EntryMatches(p, archive.entries[i].name)) {
        chosen.push_back(i);
        break;
      }
  if (chosen.empty()) return archive.entries.empty() ? et5::kOk : et5::kNothingToDo;

  bool yesToAll = false;
  std::set<std::string> knownFolders;
  uint64_t freeLeft = 0;
  // Overwriting without questions: small files are decoded here and written by helpers.
  std::unique_ptr<FileWriterPool> pool;
  if (sw.overwrite && !sw.onlyNewer && !sw.newerOrMissing && chosen.size() > 8)
    pool = std::make_unique<FileWriterPool>(3, 16u << 20);
  std::string small;
  std::set<std::string> pooled;  // targets handed to the helpers (upper case)
  bool stopped = false;
  for (size_t i : chosen) {
    if (pool) {
      for (const FileWriterPool::Failure& f : pool->TakeFailures())
        if (!session.ItemError(f.code, f.name)) stopped = true;
      if (stopped) break;
    }
    if (session.Cancelled()) break;
    const ZipEntry& e = archive.entries[i];
    std::string rel;
    NameVerdict verdict = SafeRelativePath(e.name, sw.keepPaths, &rel);
    if (verdict == NameVerdict::kRefused) {
      if (!session.ItemError(et5::kBadDirectory, e.name)) break;
      continue;
    }
    if (!sw.longNames && !rel.empty()) rel = ShortFormPath(rel);
    if (verdict == NameVerdict::kFolderOnly || e.IsFolder()) {
      if (sw.keepPaths && !rel.empty() &&
          (!FolderChainIsPlain(folder, JoinPath(folder, rel)) || !CreateFolderPath(JoinPath(folder, rel)))) {
        if (!session.ItemError(et5::kPathNotFound, e.name)) break;
      }
      continue;
    }
    std::string target = JoinPath(folder, rel);
    if (target.size() >= MAX_PATH) {
      if (!session.ItemError(et5::kPathNotFound, e.name)) break;
      continue;
    }
    // Creating the new file at once saves a second look-up of its name (costly where names
    // are matched without case by scanning the folder).
    std::string parent = ParentOf(target);
    if (sw.keepPaths && !knownFolders.count(parent)) {
      if (!FolderChainIsPlain(folder, parent) || !CreateFolderPath(parent)) {
        if (!session.ItemError(et5::kPathNotFound, rel)) break;
        continue;
      }
      knownFolders.insert(parent);
    }
    if (int16_t bad = CheckEntry(e)) {
      if (!session.ItemError(bad, rel)) break;
      continue;
    }
    // Room on the disk: asked once, then counted down; asked again before giving up.
    if (e.size > freeLeft) {
      ULARGE_INTEGER avail{}, total{}, freeBytes{};
      std::string root = parent + (parent.back() == '\\' ? "" : "\\");
      freeLeft = GetDiskFreeSpaceExA(root.c_str(), &avail, &total, &freeBytes) ? avail.QuadPart : UINT64_MAX;
      if (e.size > freeLeft) {
        if (!session.ItemError(et5::kWriteError, rel)) break;
        continue;
      }
    }
    freeLeft -= e.size;
    if (pool && e.size <= (1u << 20)) {
      // The same name twice: the earlier file is finished first, so the later one wins.
      std::string key = target;
      CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
      if (!pooled.insert(key).second) pool->Wait();
      small.clear();
      small.reserve(static_cast<size_t>(e.size));
      int16_t code = DecodeEntry(archive, e, sw.hasPassword ? &sw.password : nullptr,
                                 [&](const uint8_t* d, size_t n) {
                                   small.append(reinterpret_cast<const char*>(d), n);
                                   return true;
                                 },
                                 &session);
      if (code == et5::kCancelled) break;
      if (code) {
        if (!session.ItemError(code, rel)) break;
        continue;
      }
      DWORD attrs = e.WindowsAttributes() & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
      pool->Add(target, rel, std::move(small), DosToFileTime(e.dosDate, e.dosTime), attrs);
      small = std::string();
      continue;
    }
    File out;
    bool exists = true;
    if (!sw.onlyNewer && !sw.newerOrMissing) {
      if (out.Create(target, true)) exists = false;
      else if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS &&
               GetLastError() != ERROR_ACCESS_DENIED) {
        if (!session.ItemError(CodeForLastError(true), rel)) break;
        continue;
      }
    }
    WIN32_FILE_ATTRIBUTE_DATA existing{};
    if (exists) exists = GetFileAttributesExA(target.c_str(), GetFileExInfoStandard, &existing) != 0;
    if (exists && (existing.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (!session.ItemError(et5::kAccessDenied, rel)) break;
      continue;
    }
    if (sw.onlyNewer && !exists) continue;
    if ((sw.onlyNewer || sw.newerOrMissing) && exists && !EntryIsNewer(e, existing)) continue;
    if (exists && !sw.overwrite && !yesToAll) {
      int16_t answer = session.Ask(et5::kAskOverwrite, rel);
      if (answer == et5::kAnswerYesToAll) {
        yesToAll = true;
      } else if (answer == et5::kAnswerStop) {
        session.Cancel();
        break;
      } else if (answer != et5::kAnswerYes) {
        continue;  // No, or nobody to ask: an existing file is never replaced unasked
      }
    }
    // A file that exists is replaced only after the new one is complete: the data goes into a
    // temporary file beside it first. A new file is written under its name and removed again
    // when anything fails.
    if (!exists && !out.IsOpen() && !out.Create(target, true)) {
      if (!session.ItemError(CodeForLastError(true), rel)) break;
      continue;
    }
    std::string written = exists ? TemporaryBeside(target) : target;
    if (exists && !out.Create(written, true)) {
      if (!session.ItemError(CodeForLastError(true), rel)) break;
      continue;
    }
    int16_t code;
    {
      BufferedWriter writer(out, static_cast<size_t>(std::min<uint64_t>(e.size + 1, 1 << 20)));
      code = DecodeEntry(archive, e, sw.hasPassword ? &sw.password : nullptr,
                         [&](const uint8_t* d, size_t n) { return writer.Write(d, n); }, &session);
      if (code == et5::kOk && !writer.Flush()) code = CodeForLastError(true);
    }
    if (code == et5::kOk) {
      FILETIME ft = DosToFileTime(e.dosDate, e.dosTime);
      SetFileTime(out.handle(), nullptr, nullptr, &ft);
    }
    out.Close();
    if (code == et5::kOk && exists && !ReplaceFile(written, target)) code = et5::kAccessDenied;
    if (code != et5::kOk) {
      DeleteFileA(written.c_str());
      if (code == et5::kCancelled) break;
      if (!session.ItemError(code, rel)) break;
      continue;
    }
    DWORD attrs = e.WindowsAttributes() & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (attrs) SetFileAttributesA(target.c_str(), attrs);
  }
  if (pool) {
    if (session.Cancelled() || stopped) pool->Abandon();
    else pool->Wait();
    for (const FileWriterPool::Failure& f : pool->TakeFailures())
      if (!session.Cancelled() && !stopped && !session.ItemError(f.code, f.name)) stopped = true;
  }
  return session.Result();
}

}  // namespace jqcomp
