// The engine's exported functions. No exception leaves them.
#include <windows.h>

#include <cstring>

#include "engine.h"
#include "et5.h"
#include "listing.h"
#include "operations.h"
#include "other_archives.h"
#include "zip_archive.h"

using namespace jqcomp;

namespace {
std::string Text(const char* s) { return s ? std::string(s) : std::string(); }

void CopyOut(char* dest, size_t size, const std::string& text) {
  if (!dest || size == 0) return;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  memcpy(dest, text.data(), n);
  dest[n] = 0;
}

template <typename F>
int Guarded(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return et5::kNoMemory;
  } catch (...) {
    return et5::kIncomplete;
  }
}

bool IsZipKind(uint16_t kind) {
  return kind == et5::kKindZip || kind == et5::kKindZipSfx || kind == et5::kKindZip64 ||
         kind == et5::kKindZipSpanPart;
}

int FindEntry(uint32_t h, uint32_t archive, void* entry, char* name, char* second, uint32_t secondSize,
              char* third, uint32_t thirdSize, bool first) {
  auto engine = FindEngine(h);
  if (!engine) return et5::kIncomplete;
  std::shared_ptr<Listing> listing;
  {
    std::lock_guard<std::mutex> lock(engine->archivesMutex);
    auto it = engine->archives.find(archive);
    if (it == engine->archives.end()) return et5::kIncomplete;
    listing = it->second;
  }
  if (first) listing->cursor = 0;
  if (listing->cursor >= listing->entries.size()) return et5::kEmptyArchive;
  const ListedEntry& le = listing->entries[listing->cursor++];
  if (entry) memcpy(entry, &le.record, sizeof le.record);
  CopyOut(name, 2048, le.name);
  CopyOut(second, secondSize, le.comment);
  CopyOut(third, thirdSize, le.method);
  return et5::kOk;
}
}  // namespace

extern "C" {

__declspec(dllexport) int __stdcall Et5Init(uint32_t* handle, uint32_t) {
  return Guarded([&] {
    if (!handle) return static_cast<int>(et5::kIncomplete);
    *handle = CreateEngine();
    return 0;
  });
}

__declspec(dllexport) int __stdcall Et5ShutDown(uint32_t* handle) {
  if (!handle) return 0;
  DestroyEngine(*handle);
  *handle = 0;
  return 0;
}

__declspec(dllexport) int __stdcall Et5Cancel(uint32_t h) {
  auto engine = FindEngine(h);
  if (engine) engine->cancel = true;
  return 0;
}

__declspec(dllexport) int __stdcall Et5CPrintHook(uint32_t h, et5::Callback callback, uint32_t, uint32_t) {
  auto engine = FindEngine(h);
  if (!engine) return et5::kIncomplete;
  engine->callback = callback;
  return 0;
}

__declspec(dllexport) int __stdcall Et5SetCPrint(uint32_t h, uint32_t on) {
  auto engine = FindEngine(h);
  if (!engine) return et5::kIncomplete;
  engine->cprint = on != 0;
  return 0;
}

__declspec(dllexport) int __stdcall Et5SetParseType(uint32_t h, int32_t type) {
  auto engine = FindEngine(h);
  if (!engine) return et5::kIncomplete;
  engine->parseType = type;
  return 0;
}

__declspec(dllexport) int __stdcall Et5IdentifyFile(uint32_t h, const char* path, uint16_t* kind) {
  return Guarded([&] {
    uint16_t k = 0;
    int r = path ? IdentifyFile(path, &k) : static_cast<int>(et5::kFileNotFound);
    if (kind) *kind = k;
    return r;
  });
}

__declspec(dllexport) int __stdcall Et5ZipOpen(uint32_t h, const char* path, uint32_t, uint32_t* archive) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !path || !archive) return static_cast<int>(et5::kIncomplete);
    auto listing = std::make_shared<Listing>();
    int r = LoadListing(path, listing.get());
    if (r) return r;
    std::lock_guard<std::mutex> lock(engine->archivesMutex);
    uint32_t id = engine->nextArchive++;
    engine->archives[id] = listing;
    *archive = id;
    return 0;
  });
}

__declspec(dllexport) int __stdcall Et5ZipCreateMV(uint32_t h, const char* path, uint32_t mode, uint32_t volumeSize,
                                                   uint32_t, uint32_t* archive) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !path || !archive) return static_cast<int>(et5::kIncomplete);
    if (mode != et5::kSpanRemovable) return static_cast<int>(et5::kIncomplete);
    std::string p = path;
    char full[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
    if (n && n < sizeof full) p.assign(full, n);
    if (volumeSize == 0) {
      // Spanning over disks asks for disks; that needs a removable drive.
      std::string root = p.substr(0, 3);
      if (p.size() < 3 || p[1] != ':' || GetDriveTypeA(root.c_str()) != DRIVE_REMOVABLE)
        return static_cast<int>(et5::kNotRemovable);
    }
    auto listing = std::make_shared<Listing>();
    listing->path = p;
    listing->spanTarget = true;
    listing->volumeSize = volumeSize;
    std::lock_guard<std::mutex> lock(engine->archivesMutex);
    uint32_t id = engine->nextArchive++;
    engine->archives[id] = listing;
    *archive = id;
    return 0;
  });
}

__declspec(dllexport) int __stdcall Et5ZipClose(uint32_t h, uint32_t* archive) {
  auto engine = FindEngine(h);
  if (!engine || !archive) return 0;
  std::lock_guard<std::mutex> lock(engine->archivesMutex);
  engine->archives.erase(*archive);
  *archive = 0;
  return 0;
}

__declspec(dllexport) int __stdcall Et5ZipFindFirst(uint32_t h, uint32_t archive, void* entry, char* name, char* second,
                                                    uint32_t secondSize, char* third, uint32_t thirdSize) {
  return Guarded([&] { return FindEntry(h, archive, entry, name, second, secondSize, third, thirdSize, true); });
}

__declspec(dllexport) int __stdcall Et5ZipFindNext(uint32_t h, uint32_t archive, void* entry, char* name, char* second,
                                                   uint32_t secondSize, char* third, uint32_t thirdSize) {
  return Guarded([&] { return FindEntry(h, archive, entry, name, second, secondSize, third, thirdSize, false); });
}

__declspec(dllexport) int __stdcall Et5QZip(uint32_t h, const char* zip, const char* list, const char* switches) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !zip) return static_cast<int>(et5::kIncomplete);
    std::unique_lock<std::mutex> busy(engine->busy, std::try_to_lock);
    if (!busy.owns_lock()) return static_cast<int>(et5::kIncomplete);  // one operation at a time
    return RunQZip(*engine, zip, Text(list), Text(switches));
  });
}

__declspec(dllexport) int __stdcall Et5Zip(uint32_t h, uint32_t* archive, const char* list, const char*,
                                           const char* switches) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !archive) return static_cast<int>(et5::kIncomplete);
    std::shared_ptr<Listing> target;
    {
      std::lock_guard<std::mutex> lock(engine->archivesMutex);
      auto it = engine->archives.find(*archive);
      if (it == engine->archives.end() || !it->second->spanTarget) return static_cast<int>(et5::kIncomplete);
      target = it->second;
    }
    std::unique_lock<std::mutex> busy(engine->busy, std::try_to_lock);
    if (!busy.owns_lock()) return static_cast<int>(et5::kIncomplete);  // one operation at a time
    return RunSpannedZip(*engine, target->path, target->volumeSize, Text(list), Text(switches));
  });
}

__declspec(dllexport) int __stdcall Et5QUnZip(uint32_t h, const char* zip, const char* folder, const char* list,
                                              const char* switches) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !zip) return static_cast<int>(et5::kIncomplete);
    std::unique_lock<std::mutex> busy(engine->busy, std::try_to_lock);
    if (!busy.owns_lock()) return static_cast<int>(et5::kIncomplete);  // one operation at a time
    uint16_t kind = 0;
    int id = IdentifyFile(zip, &kind);
    if (id == et5::kFileNotFound) return static_cast<int>(et5::kArchiveNotFound);
    if (id) return id;
    if (!IsZipKind(kind)) return ExtractOtherArchive(*engine, zip, kind, Text(folder), Text(list), Text(switches));
    return RunUnzip(*engine, zip, Text(folder), Text(list), Text(switches));
  });
}

__declspec(dllexport) int __stdcall Et5IsPassword(uint32_t h, const char* zip) {
  return Guarded([&] {
    if (!zip) return 0;
    ZipArchive a;
    if (a.Open(zip)) return 0;
    for (const ZipEntry& e : a.entries)
      if (e.Encrypted()) return 1;
    return 0;
  });
}

__declspec(dllexport) int __stdcall Et5IsGoodPassword(uint32_t h, const char* zip, const char* password) {
  return Guarded([&] {
    if (!zip || !password) return 0;
    ZipArchive a;
    if (a.Open(zip)) return 0;
    // Decode the smallest encrypted entry that holds data whole: the header's check byte alone
    // lets one wrong password in 256 through, and an empty entry has no CRC to prove it.
    const ZipEntry* best = nullptr;
    bool anyEncrypted = false;
    for (const ZipEntry& e : a.entries) {
      if (!e.Encrypted() || e.IsFolder()) continue;
      anyEncrypted = true;
      if (e.size && (!best || e.packedSize < best->packedSize)) best = &e;
    }
    if (!anyEncrypted) return 1;
    std::string pw = password;
    auto sink = [](const uint8_t*, size_t) { return true; };
    if (best) return DecodeEntry(a, *best, &pw, sink, nullptr) == et5::kOk ? 1 : 0;
    // Only empty entries: every one's check byte must match.
    for (const ZipEntry& e : a.entries)
      if (e.Encrypted() && !e.IsFolder() && DecodeEntry(a, e, &pw, sink, nullptr) != et5::kOk) return 0;
    return 1;
  });
}

__declspec(dllexport) int __stdcall Et5ZipNewComment(uint32_t h, const char* zip, const char* comment) {
  return Guarded([&] {
    auto engine = FindEngine(h);
    if (!engine || !zip) return static_cast<int>(et5::kIncomplete);
    std::unique_lock<std::mutex> busy(engine->busy, std::try_to_lock);
    if (!busy.owns_lock()) return static_cast<int>(et5::kIncomplete);  // one operation at a time
    return SetComment(*engine, zip, Text(comment));
  });
}

__declspec(dllexport) int __stdcall Et5ZipComment(uint32_t h, const char* zip, char* buffer, uint32_t size) {
  return Guarded([&] {
    if (!zip) return static_cast<int>(et5::kIncomplete);
    ZipArchive a;
    int16_t r = a.Open(zip);
    if (r) return static_cast<int>(r);
    CopyOut(buffer, size, a.comment);
    return 0;
  });
}

__declspec(dllexport) int __stdcall Et5UUEncode(uint32_t h, const char* file, const char* outputBase,
                                                uint32_t splitBytes, uint32_t cutLines, uint16_t* filesWritten) {
  return Guarded([&] {
    uint16_t count = 0;
    int r = (file && outputBase) ? UUEncodeFile(file, outputBase, splitBytes, cutLines != 0, &count)
                                 : static_cast<int>(et5::kFileNotFound);
    if (filesWritten) *filesWritten = count;
    return r;
  });
}

}  // extern "C"
