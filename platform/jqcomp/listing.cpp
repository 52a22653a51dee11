#include "listing.h"

#include <windows.h>

#include "operations.h"
#include "other_archives.h"
#include "zip_archive.h"

namespace jqcomp {

namespace {
const char* MethodName(uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 8: return "Deflated";
    case 9: return "Deflate64";
    case 12: return "BZip2";
    case 14: return "LZMA";
    case 99: return "AES";
    default: return "Unknown";
  }
}
}  // namespace

int LoadListing(const std::string& path, Listing* listing) {
  listing->path = path;
  listing->entries.clear();
  listing->cursor = 0;
  uint16_t kind = 0;
  int id = IdentifyFile(path, &kind);
  if (id != et5::kOk) return id;
  if (kind != et5::kKindZip && kind != et5::kKindZipSfx && kind != et5::kKindZip64 && kind != et5::kKindZipSpanPart)
    return ListOtherArchive(path, kind, listing);
  ZipArchive archive;
  int16_t r = archive.Open(path);
  if (r) return r;
  listing->entries.reserve(archive.entries.size());
  uint32_t index = 0;
  for (const ZipEntry& e : archive.entries) {
    ListedEntry le;
    et5::EntryRecord& rec = le.record;
    rec.recordSize = sizeof rec;
    rec.index = index++;
    rec.flags = e.flags;
    rec.dosTime = e.dosTime;
    rec.dosDate = e.dosDate;
    rec.crc = e.crc;
    rec.packedSize = e.packedSize > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(e.packedSize);
    rec.size = e.size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(e.size);
    rec.packedSize64 = e.packedSize;
    rec.size64 = e.size;
    rec.method = e.method;
    rec.versionNeeded = e.versionNeeded;
    rec.diskStart = static_cast<uint16_t>(e.diskStart);
    rec.internalAttributes = e.internalAttributes;
    rec.attributes = e.WindowsAttributes();
    le.name = e.name;
    for (char& c : le.name)
      if (c == '/') c = '\\';
    le.comment = e.comment;
    le.method = MethodName(e.method);
    listing->entries.push_back(std::move(le));
  }
  return et5::kOk;
}

}  // namespace jqcomp
