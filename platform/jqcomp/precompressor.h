// Reads and compresses small source files ahead of the writer on helper threads. Opening a
// file is the slow step where every file-system call is a round trip (as under Wine); the
// writer still writes the entries one after another, in order.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "zip_writer.h"

namespace jqcomp {

struct PackedFile {
  int16_t code = 0;   // 0, an engine code, or ZipWriter::kGrown when the file outgrew the limit
  uint32_t crc = 0;
  uint64_t size = 0;
  std::string data;   // deflated (or stored at level 0)
  bool done = false;
};

class Precompressor {
 public:
  static constexpr uint64_t kLimit = 1 << 18;  // files up to this size are done ahead
  // `order`: the files in the order the writer takes them (null for entries it copies).
  Precompressor(std::vector<const SourceFile*> order, int level, unsigned threads, size_t window);
  ~Precompressor();
  // The result for position i, waiting for it; null when that position is not done ahead.
  PackedFile* Take(size_t i);
  void Release(size_t i);

 private:
  void Run();
  bool Eligible(size_t i) const {
    return order_[i] && !order_[i]->folder && order_[i]->size <= kLimit;
  }

  std::vector<const SourceFile*> order_;
  std::vector<PackedFile> results_;
  int level_;
  size_t window_;
  std::atomic<size_t> next_{0};
  size_t consumed_ = 0;
  bool stopping_ = false;
  std::mutex mutex_;
  std::condition_variable ready_, advance_;
  std::vector<std::thread> threads_;
};

}  // namespace jqcomp
