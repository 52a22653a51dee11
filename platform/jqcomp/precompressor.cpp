#include "precompressor.h"

#include <zlib.h>

#include "et5.h"
#include "file_io.h"

namespace jqcomp {

Precompressor::Precompressor(std::vector<const SourceFile*> order, int level, unsigned threads, size_t window)
    : order_(std::move(order)), results_(order_.size()), level_(level), window_(window) {
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

Precompressor::~Precompressor() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  advance_.notify_all();
  for (std::thread& t : threads_) t.join();
}

PackedFile* Precompressor::Take(size_t i) {
  if (i >= order_.size() || !Eligible(i)) return nullptr;
  std::unique_lock<std::mutex> lock(mutex_);
  if (i > consumed_) consumed_ = i;
  advance_.notify_all();
  ready_.wait(lock, [&] { return results_[i].done; });
  return &results_[i];
}

void Precompressor::Release(size_t i) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (i < results_.size()) std::string().swap(results_[i].data);
  if (i + 1 > consumed_) consumed_ = i + 1;
  advance_.notify_all();
}

void Precompressor::Run() {
  z_stream zs{};
  bool zsReady = false;
  std::vector<uint8_t> in(kLimit + 1);
  for (;;) {
    size_t i = next_++;
    if (i >= order_.size()) break;
    if (!Eligible(i)) continue;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      advance_.wait(lock, [&] { return stopping_ || i < consumed_ + window_; });
      if (stopping_) break;
    }
    PackedFile r;
    File f;
    if (!f.OpenRead(order_[i]->fullPath)) {
      r.code = CodeForLastError(false);
    } else {
      int64_t got = f.Read(in.data(), in.size());
      if (got < 0) {
        r.code = et5::kReadError;
      } else if (static_cast<uint64_t>(got) > kLimit) {
        r.code = ZipWriter::kGrown;
      } else {
        size_t n = static_cast<size_t>(got);
        r.size = n;
        r.crc = crc32(crc32(0L, Z_NULL, 0), in.data(), static_cast<uInt>(n));
        if (level_ == 0) {
          r.data.assign(reinterpret_cast<const char*>(in.data()), n);
        } else {
          if (!zsReady) {
            zsReady = deflateInit2(&zs, level_, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
          } else {
            deflateReset(&zs);
          }
          if (!zsReady) {
            r.code = et5::kNoMemory;
          } else {
            r.data.resize(deflateBound(&zs, static_cast<uLong>(n)) + 16);
            zs.next_in = in.data();
            zs.avail_in = static_cast<uInt>(n);
            zs.next_out = reinterpret_cast<Bytef*>(r.data.data());
            zs.avail_out = static_cast<uInt>(r.data.size());
            if (deflate(&zs, Z_FINISH) != Z_STREAM_END) r.code = et5::kNoMemory;
            r.data.resize(r.data.size() - zs.avail_out);
          }
        }
      }
    }
    r.done = true;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      results_[i] = std::move(r);
    }
    ready_.notify_all();
  }
  if (zsReady) deflateEnd(&zs);
  // Positions this thread skipped because of a stop are never waited for: Take is only
  // called while the object lives and before the stop.
}

}  // namespace jqcomp
