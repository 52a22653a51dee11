#include "zip_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "zip_crypto.h"
#include "zip_format.h"

extern "C" BOOLEAN WINAPI SystemFunction036(PVOID buffer, ULONG length);  // RtlGenRandom

namespace jqcomp {

using namespace zipfmt;

namespace {
constexpr size_t kChunk = 1 << 18;

uint64_t FreeSpaceAt(const std::string& path) {
  std::string folder = ParentOf(path);
  if (folder.empty()) folder.assign(1, '.');
  if (folder.back() != '\\') folder += '\\';
  ULARGE_INTEGER avail{}, total{}, free{};
  if (!GetDiskFreeSpaceExA(folder.c_str(), &avail, &total, &free)) return 0;
  return avail.QuadPart;
}
}  // namespace

std::string AnsiNameToStored(const std::string& name, uint16_t* flags) {
  bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) return name;
  int wn = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(wn), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), w.data(), wn);
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), wn, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), wn, out.data(), n, nullptr, nullptr);
  *flags |= kFlagUtf8;
  return out;
}

ZipWriter::~ZipWriter() {
  if (zsLevel_ >= 0) deflateEnd(&zs_);
  file_.Close();
}

int16_t ZipWriter::Create(const std::string& path) {
  path_ = path;
  spanned_ = false;
  if (!file_.Create(path)) return CodeForLastError(true);
  buf_.reserve(kChunk * 4);
  return et5::kOk;
}

int16_t ZipWriter::CreateSpanned(const std::string& path, uint64_t volumeSize, Session* session) {
  path_ = path;
  spanned_ = true;
  session_ = session;
  volumeSize_ = volumeSize;
  if (!file_.Create(path)) return CodeForLastError(true);
  uint64_t free = FreeSpaceAt(path);
  capacity_ = volumeSize ? std::min(volumeSize, free ? free : volumeSize) : free;
  if (capacity_ > kLimit32) capacity_ = kLimit32;
  uint8_t marker[4];
  marker[0] = 'P'; marker[1] = 'K'; marker[2] = 7; marker[3] = 8;
  if (!Room(4 + kLocalHeaderSize) || !Put(marker, 4)) return Failure();
  return et5::kOk;
}

bool ZipWriter::FlushBuffer() {
  if (buf_.empty()) return true;
  bool ok = file_.Write(buf_.data(), buf_.size());
  buf_.clear();
  if (!ok && !failure_) failure_ = CodeForLastError(true);
  return ok;
}

bool ZipWriter::NextDisk() {
  if (!FlushBuffer()) return false;
  file_.Close();
  ++disk_;
  int16_t answer = session_ ? session_->Ask(et5::kAskInsertDisk, currentName_, static_cast<uint16_t>(disk_ + 1)) : 0;
  if (answer != et5::kAnswerOk) {
    failure_ = answer == et5::kAnswerStop ? et5::kCancelled : et5::kWriteError;
    if (answer == et5::kAnswerStop && session_) session_->Cancel();
    return false;
  }
  if (!file_.Create(path_)) {
    failure_ = CodeForLastError(true);
    return false;
  }
  uint64_t free = FreeSpaceAt(path_);
  capacity_ = volumeSize_ ? std::min(volumeSize_, free ? free : volumeSize_) : free;
  if (capacity_ > kLimit32) capacity_ = kLimit32;
  diskOffset_ = 0;
  return true;
}

bool ZipWriter::Room(size_t n) {
  if (!spanned_) return true;
  if (n > capacity_ && diskOffset_ == 0) {
    failure_ = et5::kWriteError;  // the disk cannot hold even one record
    return false;
  }
  if (diskOffset_ + n <= capacity_) return true;
  return NextDisk();
}

bool ZipWriter::Put(const void* data, size_t n) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    size_t chunk = n;
    if (spanned_) {
      if (diskOffset_ >= capacity_ && !NextDisk()) return false;
      chunk = static_cast<size_t>(std::min<uint64_t>(n, capacity_ - diskOffset_));
    } else if (diskOffset_ + n > kLimit32) {
      failure_ = et5::kIncomplete;  // the archive would outgrow the 32-bit offsets
      return false;
    }
    buf_.insert(buf_.end(), p, p + chunk);
    diskOffset_ += chunk;
    p += chunk;
    n -= chunk;
    if (buf_.size() >= kChunk * 4 && !FlushBuffer()) return false;
  }
  return true;
}

int16_t ZipWriter::WriteLocal(Central& c) {
  if (!Room(kLocalHeaderSize + c.rawName.size())) return Failure();
  c.disk = disk_;
  c.offset = diskOffset_;
  std::vector<uint8_t> h;
  Put32(h, kLocalSig);
  Put16(h, c.needed);
  Put16(h, c.flags);
  Put16(h, c.method);
  Put16(h, c.time);
  Put16(h, c.date);
  bool descriptor = c.flags & kFlagDescriptor;
  Put32(h, descriptor ? 0 : c.crc);
  Put32(h, descriptor ? 0 : static_cast<uint32_t>(c.packed));
  Put32(h, descriptor ? 0 : static_cast<uint32_t>(c.size));
  Put16(h, static_cast<uint16_t>(c.rawName.size()));
  Put16(h, 0);  // no extra field: a span's first header must have none
  PutBytes(h, c.rawName);
  return Put(h.data(), h.size()) ? static_cast<int16_t>(et5::kOk) : Failure();
}

ZipWriter::Central ZipWriter::PrepareCentral(const SourceFile& src) {
  Central c{};
  c.flags = 0;
  c.rawName = AnsiNameToStored(src.storedName, &c.flags);
  currentName_ = src.storedName;
  FileTimeToDos(src.lastWrite, &c.date, &c.time);
  // Windows attributes, format 2.0. Names in UTF-8 say NTFS as their system: Info-ZIP's unzip
  // reads names of DOS-made entries as OEM text whatever their UTF-8 flag says.
  c.madeBy = (c.flags & kFlagUtf8) ? 0x0A14 : 0x0014;
  c.external = src.attributes & 0x37;
  return c;
}

int16_t ZipWriter::AddPacked(const SourceFile& src, const PackedData& packed, int level, Session& session) {
  Central c = PrepareCentral(src);
  c.method = level == 0 ? 0 : 8;
  c.needed = level == 0 ? 10 : 20;
  c.crc = packed.crc;
  c.size = packed.size;
  c.packed = packed.bytes.size();
  session.Progress(src.storedName, 0, c.size, true);
  int16_t r = WriteLocal(c);
  if (r) return r;
  if (!Put(packed.bytes.data(), packed.bytes.size())) return Failure();
  central_.push_back(c);
  if (!session.Progress(src.storedName, c.size, c.size, true)) return et5::kCancelled;
  return et5::kOk;
}

int16_t ZipWriter::AddFile(const SourceFile& src, int level, const std::string& password, Session& session) {
  Central c = PrepareCentral(src);
  if (src.folder) {
    c.needed = 20;
    c.method = 0;
    c.external |= FILE_ATTRIBUTE_DIRECTORY;
    int16_t r = WriteLocal(c);
    if (r) return r;
    central_.push_back(c);
    return et5::kOk;
  }
  if (src.size > kLimit32 - 64) return et5::kIncomplete;
  File in;
  if (!in.OpenRead(src.fullPath)) return CodeForLastError(false);
  bool encrypt = !password.empty();
  bool stored = level == 0;
  c.method = stored ? 0 : 8;
  c.needed = (stored && !encrypt) ? 10 : 20;
  if (encrypt) c.flags |= kFlagEncrypted | kFlagDescriptor;
  // Without encryption the local header gets its sizes afterwards (seeking back); a span
  // cannot seek back onto an earlier disk, so there every entry carries a descriptor.
  if (spanned_) c.flags |= kFlagDescriptor;
  if (!encrypt && !spanned_ && src.size <= kChunk) {
    int16_t small = AddSmallFile(c, in, src, level, session);
    if (small != kGrown) return small;
    if (!in.Seek(0)) return et5::kReadError;
  }
  int16_t r = WriteLocal(c);
  if (r) return r;
  uint64_t headerAt = c.offset;
  uint64_t packedStart = diskOffset_;
  uint32_t startDisk = disk_;

  ZipCrypto crypto(password);
  uint64_t packed = 0;
  if (encrypt) {
    uint8_t head[12];
    if (!SystemFunction036(head, 11)) {
      for (int i = 0; i < 11; ++i) head[i] = static_cast<uint8_t>(GetTickCount() >> (i % 4) * 8) ^ static_cast<uint8_t>(i * 77);
    }
    head[11] = static_cast<uint8_t>(c.time >> 8);  // the check byte when a descriptor follows
    crypto.Encrypt(head, 12);
    if (!Put(head, 12)) return Failure();
    packed += 12;
  }
  if (!stored && !Deflater(level)) return et5::kNoMemory;
  z_stream& zs = zs_;
  static thread_local std::vector<uint8_t> inBuf(kChunk), outBuf(kChunk + 1024);
  uint32_t crc = crc32(0L, Z_NULL, 0);
  uint64_t done = 0;
  int16_t code = et5::kOk;
  session.Progress(src.storedName, 0, src.size, true);
  for (;;) {
    int64_t got = in.Read(inBuf.data(), inBuf.size());
    if (got < 0) { code = et5::kReadError; break; }
    if (done + static_cast<uint64_t>(got) > kLimit32 - 64) { code = et5::kIncomplete; break; }  // grew meanwhile
    crc = crc32(crc, inBuf.data(), static_cast<uInt>(got));
    done += static_cast<uint64_t>(got);
    bool last = got == 0;
    if (stored) {
      if (got > 0) {
        if (encrypt) crypto.Encrypt(inBuf.data(), static_cast<size_t>(got));
        if (!Put(inBuf.data(), static_cast<size_t>(got))) { code = Failure(); break; }
        packed += static_cast<uint64_t>(got);
      }
    } else {
      zs.next_in = inBuf.data();
      zs.avail_in = static_cast<uInt>(got);
      int zr;
      do {
        zs.next_out = outBuf.data();
        zs.avail_out = static_cast<uInt>(outBuf.size());
        zr = deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
        size_t have = outBuf.size() - zs.avail_out;
        if (have) {
          if (encrypt) crypto.Encrypt(outBuf.data(), have);
          if (!Put(outBuf.data(), have)) { code = Failure(); break; }
          packed += have;
        }
      } while (zs.avail_out == 0 || (last && zr != Z_STREAM_END));
      if (code) break;
    }
    if (!session.Progress(src.storedName, done, src.size)) { code = et5::kCancelled; break; }
    if (last) break;
  }
  if (code) return code;
  if (packed > kLimit32) return et5::kIncomplete;
  c.crc = crc;
  c.packed = packed;
  c.size = done;
  (void)packedStart;
  if (c.flags & kFlagDescriptor) {
    std::vector<uint8_t> d;
    Put32(d, kSpanSig);
    Put32(d, c.crc);
    Put32(d, static_cast<uint32_t>(c.packed));
    Put32(d, static_cast<uint32_t>(c.size));
    if (!Room(d.size()) || !Put(d.data(), d.size())) return Failure();
  } else if (disk_ == startDisk) {
    // Fill in the local header's CRC and sizes.
    if (!FlushBuffer()) return Failure();
    uint8_t fix[12];
    memcpy(fix, &c.crc, 4);
    uint32_t p32 = static_cast<uint32_t>(c.packed), s32 = static_cast<uint32_t>(c.size);
    memcpy(fix + 4, &p32, 4);
    memcpy(fix + 8, &s32, 4);
    if (!file_.Seek(headerAt + 14) || !file_.Write(fix, 12) || !file_.Seek(diskOffset_)) return et5::kWriteError;
  }
  central_.push_back(c);
  return et5::kOk;
}

bool ZipWriter::Deflater(int level) {
  if (zsLevel_ == level) return deflateReset(&zs_) == Z_OK;
  if (zsLevel_ >= 0) deflateEnd(&zs_);
  zsLevel_ = -1;
  zs_ = z_stream{};
  if (deflateInit2(&zs_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  zsLevel_ = level;
  return true;
}

// A small file is read and compressed whole, so its local header is written complete and
// never patched afterwards.
int16_t ZipWriter::AddSmallFile(Central& c, File& in, const SourceFile& src, int level, Session& session) {
  static thread_local std::vector<uint8_t> data(kChunk + 1), packed;
  int64_t got = in.Read(data.data(), kChunk + 1);
  if (got < 0) return et5::kReadError;
  if (static_cast<size_t>(got) > kChunk) {
    return kGrown;  // it grew since it was listed: the general road takes it
  }
  size_t n = static_cast<size_t>(got);
  c.crc = crc32(crc32(0L, Z_NULL, 0), data.data(), static_cast<uInt>(n));
  c.size = n;
  const uint8_t* body = data.data();
  size_t bodySize = n;
  if (level != 0) {
    if (!Deflater(level)) return et5::kNoMemory;
    size_t bound = deflateBound(&zs_, static_cast<uLong>(n)) + 16;
    if (packed.size() < bound) packed.resize(bound);
    zs_.next_in = data.data();
    zs_.avail_in = static_cast<uInt>(n);
    zs_.next_out = packed.data();
    zs_.avail_out = static_cast<uInt>(packed.size());
    if (deflate(&zs_, Z_FINISH) != Z_STREAM_END) return et5::kNoMemory;
    body = packed.data();
    bodySize = packed.size() - zs_.avail_out;
  }
  c.packed = bodySize;
  session.Progress(src.storedName, 0, n, true);
  int16_t r = WriteLocal(c);
  if (r) return r;
  if (!Put(body, bodySize)) return Failure();
  central_.push_back(c);
  if (!session.Progress(src.storedName, n, n, true)) return et5::kCancelled;
  return et5::kOk;
}

int16_t ZipWriter::CopyEntry(ZipArchive& from, const ZipEntry& e, Session& session) {
  if (e.packedSize > kLimit32 || e.size > kLimit32) return et5::kIncomplete;
  Central c{};
  c.rawName = e.rawName;
  c.extra = e.centralExtra;
  c.comment = e.comment;
  c.madeBy = e.versionMadeBy;
  c.needed = e.versionNeeded;
  c.flags = e.flags;
  c.method = e.method;
  c.time = e.dosTime;
  c.date = e.dosDate;
  c.internal = e.internalAttributes;
  c.crc = e.crc;
  c.external = e.externalAttributes;
  c.packed = e.packedSize;
  c.size = e.size;
  if (spanned_) c.flags |= kFlagDescriptor;
  currentName_ = e.name;
  uint64_t start;
  int16_t r = from.LocateData(e, &start);
  if (r) return r;
  r = WriteLocal(c);
  if (r) return r;
  std::vector<uint8_t> buf(kChunk);
  uint64_t left = e.packedSize;
  while (left > 0) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(left, buf.size()));
    int64_t got = from.ReadData(buf.data(), want);
    if (got <= 0) return et5::kCrcError;
    if (!Put(buf.data(), static_cast<size_t>(got))) return Failure();
    left -= static_cast<uint64_t>(got);
    if (session.Cancelled()) return et5::kCancelled;
  }
  if (c.flags & kFlagDescriptor) {
    std::vector<uint8_t> d;
    Put32(d, kSpanSig);
    Put32(d, c.crc);
    Put32(d, static_cast<uint32_t>(c.packed));
    Put32(d, static_cast<uint32_t>(c.size));
    if (!Room(d.size()) || !Put(d.data(), d.size())) return Failure();
  }
  central_.push_back(c);
  return et5::kOk;
}

int16_t ZipWriter::Finish(const std::string& comment) {
  if (central_.size() > 0xFFFF) return et5::kTooManyFiles;
  if (comment.size() > 0xFFFF) return et5::kIncomplete;
  uint32_t cdDisk = disk_;
  uint64_t cdOffset = diskOffset_;
  uint64_t cdSize = 0;
  uint32_t countDisk = UINT32_MAX, onCountDisk = 0;  // headers on the disk written last
  bool first = true;
  for (const Central& c : central_) {
    std::vector<uint8_t> h;
    Put32(h, kCentralSig);
    Put16(h, c.madeBy);
    Put16(h, c.needed);
    Put16(h, c.flags);
    Put16(h, c.method);
    Put16(h, c.time);
    Put16(h, c.date);
    Put32(h, c.crc);
    Put32(h, static_cast<uint32_t>(c.packed));
    Put32(h, static_cast<uint32_t>(c.size));
    Put16(h, static_cast<uint16_t>(c.rawName.size()));
    Put16(h, static_cast<uint16_t>(c.extra.size()));
    Put16(h, static_cast<uint16_t>(c.comment.size()));
    Put16(h, static_cast<uint16_t>(c.disk));
    Put16(h, c.internal);
    Put32(h, c.external);
    Put32(h, static_cast<uint32_t>(c.offset));
    PutBytes(h, c.rawName);
    PutBytes(h, c.extra);
    PutBytes(h, c.comment);
    if (!Room(h.size())) return Failure();
    if (first) {
      cdDisk = disk_;
      cdOffset = diskOffset_;
      first = false;
    }
    if (!Put(h.data(), h.size())) return Failure();
    if (disk_ != countDisk) {
      countDisk = disk_;
      onCountDisk = 0;
    }
    ++onCountDisk;
    cdSize += h.size();
  }
  std::vector<uint8_t> e;
  Put32(e, kEndSig);
  if (!Room(kEndSize + comment.size())) return Failure();
  // Entries of the directory that lie on this (the last) disk.
  uint32_t here = countDisk == disk_ ? onCountDisk : 0;
  Put16(e, static_cast<uint16_t>(disk_));
  Put16(e, static_cast<uint16_t>(cdDisk));
  Put16(e, static_cast<uint16_t>(here));
  Put16(e, static_cast<uint16_t>(central_.size()));
  Put32(e, static_cast<uint32_t>(cdSize));
  Put32(e, static_cast<uint32_t>(cdOffset));
  Put16(e, static_cast<uint16_t>(comment.size()));
  PutBytes(e, comment);
  if (!Put(e.data(), e.size()) || !FlushBuffer()) return Failure();
  if (!FlushFileBuffers(file_.handle())) { /* a removable disk may refuse; the close decides */ }
  file_.Close();
  return et5::kOk;
}

void ZipWriter::Abandon() {
  buf_.clear();
  file_.Close();
  if (!path_.empty()) DeleteFileA(path_.c_str());
}

}  // namespace jqcomp
