// Creating and changing zip archives: add, move, freshen, update, delete, comments, and the
// spanned writer. A changed archive is written to a temporary file beside it and moved over
// the old one only when everything succeeded; sources are deleted (move) only after that.
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>

#include "file_io.h"
#include "operations.h"
#include "precompressor.h"
#include "sources.h"
#include "switches.h"
#include "zip_writer.h"

namespace jqcomp {

namespace {
std::string FullPath(const std::string& name) {
  char buf[MAX_PATH * 2];
  DWORD n = GetFullPathNameA(name.c_str(), sizeof buf, buf, nullptr);
  if (n == 0 || n >= sizeof buf) return name;
  return std::string(buf, n);
}

std::string Upper(std::string s) {
  for (char& c : s) c = (c == '\\') ? '/' : c;
  CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

bool SourceIsNewer(const SourceFile& s, const ZipEntry& e) {
  uint16_t date, time;
  FileTimeToDos(s.lastWrite, &date, &time);
  return ((static_cast<uint32_t>(date) << 16) | time) > ((static_cast<uint32_t>(e.dosDate) << 16) | e.dosTime);
}

// What becomes of each old entry, and which sources are written.
struct Plan {
  std::vector<int> replacement;      // per old entry: -1 keep, -2 delete, else index of a source
  std::vector<size_t> appended;      // sources that become new entries
  size_t changes = 0;
};

// Writes the planned archive to a temporary file and puts it in place of `zip`.
int WritePlan(ZipArchive* old, const std::string& zip, const std::vector<SourceFile>& sources, const Plan& plan,
              const Switches& sw, const std::string& comment, Session& session,
              std::vector<bool>* notWritten = nullptr) {
  size_t total = plan.appended.size();
  for (int r : plan.replacement) total += r != -2 ? 1 : 0;
  if (total > 0xFFFF) return et5::kTooManyFiles;
  if (old)
    for (size_t i = 0; i < old->entries.size(); ++i)
      if (plan.replacement[i] == -1 && (old->entries[i].packedSize > ZipWriter::kLimit32 ||
                                        old->entries[i].size > ZipWriter::kLimit32))
        return et5::kIncomplete;
  for (const SourceFile& s : sources)
    if (s.size > ZipWriter::kLimit32 - 64) return et5::kIncomplete;

  std::string temp = TemporaryBeside(zip);
  ZipWriter writer;
  int16_t r = writer.Create(temp);
  if (r) return r;
  const std::string empty;
  const std::string& password = sw.hasPassword ? sw.password : empty;
  auto fail = [&](int16_t code) {
    writer.Abandon();
    return session.Cancelled() ? static_cast<int>(et5::kCancelled) : static_cast<int>(code);
  };
  // The files in the order they are written; small ones are read and compressed ahead.
  std::vector<const SourceFile*> order;
  std::vector<int> step;  // per position: -1 - old index - 1 for a copied entry, else a source
  if (old)
    for (size_t i = 0; i < old->entries.size(); ++i) {
      int rep = plan.replacement[i];
      if (rep == -2) continue;
      order.push_back(rep == -1 ? nullptr : &sources[static_cast<size_t>(rep)]);
      step.push_back(rep == -1 ? -1 - static_cast<int>(i) : rep);
    }
  for (size_t k : plan.appended) {
    order.push_back(&sources[k]);
    step.push_back(static_cast<int>(k));
  }
  std::unique_ptr<Precompressor> ahead;
  if (password.empty() && order.size() > 4) ahead = std::make_unique<Precompressor>(order, sw.level, 3, 64);
  for (size_t p = 0; p < step.size(); ++p) {
    if (session.Cancelled()) return fail(et5::kCancelled);
    if (step[p] < 0) {
      r = writer.CopyEntry(*old, old->entries[static_cast<size_t>(-1 - step[p])], session);
      if (r) return fail(r);
      continue;
    }
    const SourceFile& src = sources[static_cast<size_t>(step[p])];
    PackedFile* packed = ahead ? ahead->Take(p) : nullptr;
    uint64_t before = writer.written();
    size_t entriesBefore = writer.count();
    if (packed && packed->code == 0) {
      r = writer.AddPacked(src, ZipWriter::PackedData{packed->crc, packed->size, packed->data}, sw.level, session);
    } else if (packed && packed->code != ZipWriter::kGrown) {
      r = packed->code;
    } else {
      r = writer.AddFile(src, sw.level, password, session);
    }
    if (ahead) ahead->Release(p);
    if (r && r != et5::kCancelled && writer.written() == before && writer.count() == entriesBefore) {
      // The file could not be read and nothing of it was written: it is reported by name and,
      // when the caller goes on, left out (an entry it was to replace stays as it was).
      if (!session.ItemError(r, src.fullPath)) return fail(et5::kAlreadyReported);
      if (notWritten) (*notWritten)[static_cast<size_t>(step[p])] = true;
      for (size_t i = 0; old && i < old->entries.size(); ++i)
        if (plan.replacement[i] == step[p]) {
          r = writer.CopyEntry(*old, old->entries[i], session);
          if (r) return fail(r);
        }
      r = et5::kOk;
    }
    if (r) return fail(r);
  }
  r = writer.Finish(comment);
  if (r) return fail(r);
  if (session.Cancelled()) return fail(et5::kCancelled);

  FILETIME oldTime{};
  bool keepTime = false;
  if (old && sw.keepArchiveDate) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (GetFileAttributesExA(zip.c_str(), GetFileExInfoStandard, &info)) {
      oldTime = info.ftLastWriteTime;
      keepTime = true;
    }
  }
  if (old) old->Close();  // the old archive is replaced below
  if (!ReplaceFile(temp, zip)) {
    int16_t code = CodeForLastError(true);
    DeleteFileA(temp.c_str());
    return code == et5::kWriteError ? static_cast<int>(et5::kAccessDenied) : static_cast<int>(code);
  }
  if (keepTime) {
    HANDLE h = CreateFileA(zip.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      SetFileTime(h, nullptr, nullptr, &oldTime);
      CloseHandle(h);
    }
  }
  return et5::kOk;
}
}  // namespace

int RunQZip(Engine& engine, const std::string& zipIn, const std::string& list, const std::string& switchText) {
  Switches sw = ParseSwitches(switchText, false);
  std::string zip = FullPath(zipIn);
  Session session(engine, sw.action == Switches::kDelete ? et5::kOpDelete : et5::kOpCompress, zip);
  std::unique_ptr<ZipArchive> old;
  std::string comment;
  if (PathExists(zip)) {
    if (IsFolder(zip)) return et5::kAccessDenied;
    old = std::make_unique<ZipArchive>();
    int16_t r = old->Open(zip);
    if (r) return r;
    if (old->multiDisk) return -26;  // a span set is not changed in place
    // A program carrying a zip is not rewritten: without its program part it would no longer run.
    if (old->selfExtracting) return et5::kIncomplete;
    comment = old->comment;
  } else if (sw.action == Switches::kDelete || sw.action == Switches::kFreshen) {
    return et5::kArchiveNotFound;
  }
  std::vector<std::string> names = sw.action == Switches::kDelete ? SplitFileList(list) : SplitSourceList(list);
  if (names.empty()) return et5::kNothingToDo;
  Plan plan;
  if (old) plan.replacement.assign(old->entries.size(), -1);

  if (sw.action == Switches::kDelete) {
    for (std::string& n : names) n = NormalisePattern(n);
    for (size_t i = 0; i < old->entries.size(); ++i)
      for (const std::string& p : names)
        if (EntryMatches(p, old->entries[i].name)) {
          plan.replacement[i] = -2;
          ++plan.changes;
          break;
        }
    if (plan.changes == 0) return et5::kNothingToDo;
    return WritePlan(old.get(), zip, {}, plan, sw, comment, session);
  }

  SourceScan scan;
  ScanSources(names, sw, {zip}, &scan);
  for (const std::string& m : scan.missing)
    if (!session.ItemError(et5::kFileNotFound, m)) return session.Result();
  for (const SourceFile& s : scan.files)
    if (!s.folder && s.size > ZipWriter::kLimit32 - 64) return et5::kIncomplete;  // 32-bit records only

  std::map<std::string, size_t> existing;
  if (old)
    for (size_t i = 0; i < old->entries.size(); ++i) existing[Upper(old->entries[i].name)] = i;
  bool yesToAll = false;
  std::vector<bool> written(scan.files.size(), false);
  for (size_t k = 0; k < scan.files.size(); ++k) {
    const SourceFile& s = scan.files[k];
    auto it = existing.find(Upper(s.storedName));
    if (it != existing.end()) {
      const ZipEntry& e = old->entries[it->second];
      if (s.folder) {
        written[k] = true;  // the folder entry is there already
        continue;
      }
      if (sw.action == Switches::kFreshen || sw.action == Switches::kUpdate) {
        if (!SourceIsNewer(s, e)) continue;
      } else if (!yesToAll) {
        int16_t answer = session.Ask(et5::kAskOverwrite, s.storedName);
        if (answer == et5::kAnswerStop) return et5::kCancelled;
        if (answer == et5::kAnswerYesToAll) yesToAll = true;
        else if (answer == et5::kAnswerNo) continue;
      }
      plan.replacement[it->second] = static_cast<int>(k);
      written[k] = true;
      ++plan.changes;
    } else {
      if (sw.action == Switches::kFreshen) continue;
      plan.appended.push_back(k);
      existing[Upper(s.storedName)] = SIZE_MAX;
      written[k] = true;
      ++plan.changes;
    }
  }
  if (plan.changes == 0) {
    if (sw.action == Switches::kFreshen || sw.action == Switches::kUpdate) return session.Result();
    if (scan.files.empty() && scan.missing.empty()) return et5::kNothingToDo;
    if (old == nullptr && scan.files.empty()) return session.Result() ? session.Result() : et5::kNothingToDo;
  }
  std::vector<bool> notWritten(scan.files.size(), false);
  int r = plan.changes ? WritePlan(old.get(), zip, scan.files, plan, sw, comment, session, &notWritten) : 0;
  if (r) return r;
  if (sw.action == Switches::kMove) {
    // Only now that the archive is safely in place do the sources go.
    for (size_t k = 0; k < scan.files.size(); ++k) {
      const SourceFile& s = scan.files[k];
      if (!written[k] || notWritten[k] || s.folder) continue;
      if (s.attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(s.fullPath.c_str(), s.attributes & ~FILE_ATTRIBUTE_READONLY);
      DeleteFileA(s.fullPath.c_str());
    }
    if (sw.removeEmptiedFolders) {
      std::vector<std::string> folders = scan.folders;
      std::sort(folders.begin(), folders.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
      std::string cwd;
      char cur[MAX_PATH];
      DWORD n = GetCurrentDirectoryA(MAX_PATH, cur);
      cwd.assign(cur, n);
      for (const std::string& f : folders)
        if (lstrcmpiA(f.c_str(), cwd.c_str()) != 0) RemoveDirectoryA(f.c_str());  // only when empty
    }
  }
  return session.Result();
}

int SetComment(Engine& engine, const std::string& zipIn, const std::string& comment) {
  std::string zip = FullPath(zipIn);
  Session session(engine, et5::kOpCompress, zip);
  ZipArchive old;
  int16_t r = old.Open(zip);
  if (r) return r;
  if (old.multiDisk) return -26;
  if (old.selfExtracting || comment.size() > 0xFFFF) return et5::kIncomplete;
  Plan plan;
  plan.replacement.assign(old.entries.size(), -1);
  Switches sw;
  return WritePlan(&old, zip, {}, plan, sw, comment, session);
}

int RunSpannedZip(Engine& engine, const std::string& zipIn, uint64_t volumeSize, const std::string& list,
                  const std::string& switchText) {
  Switches sw = ParseSwitches(switchText, false);
  std::string zip = FullPath(zipIn);
  Session session(engine, et5::kOpCompress, zip);
  session.SetTarget(zip);
  std::vector<std::string> names = SplitSourceList(list);
  if (names.empty()) return et5::kNothingToDo;
  SourceScan scan;
  ScanSources(names, sw, {zip}, &scan);
  for (const std::string& m : scan.missing)
    if (!session.ItemError(et5::kFileNotFound, m)) return session.Result();
  if (scan.files.empty()) return session.Result() ? session.Result() : et5::kNothingToDo;
  if (scan.files.size() > 0xFFFF) return et5::kTooManyFiles;
  for (const SourceFile& s : scan.files)
    if (!s.folder && s.size > ZipWriter::kLimit32 - 64) return et5::kIncomplete;
  ZipWriter writer;
  int16_t r = writer.CreateSpanned(zip, volumeSize, &session);
  if (r) return r;
  const std::string password = sw.hasPassword ? sw.password : std::string();
  for (const SourceFile& s : scan.files) {
    r = writer.AddFile(s, sw.level, password, session);
    if (r == et5::kOk && session.Cancelled()) r = et5::kCancelled;
    if (r) {
      writer.Abandon();
      return session.Cancelled() ? static_cast<int>(et5::kCancelled) : static_cast<int>(r);
    }
  }
  r = writer.Finish(std::string());
  if (r) {
    writer.Abandon();
    return session.Cancelled() ? static_cast<int>(et5::kCancelled) : static_cast<int>(r);
  }
  if (sw.action == Switches::kMove)
    for (const SourceFile& s : scan.files)
      if (!s.folder) DeleteFileA(s.fullPath.c_str());
  return session.Result();
}

}  // namespace jqcomp
