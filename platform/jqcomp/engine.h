// Engine instances behind the u32 handles, and the running operation's link to the caller's
// callback: progress, questions, per-item errors and cancellation.
#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "et5.h"

namespace jqcomp {

struct Listing;  // an archive opened for listing (listing.h)

struct Engine {
  std::atomic<bool> cancel{false};
  std::atomic<et5::Callback> callback{nullptr};
  std::atomic<bool> cprint{false};
  std::atomic<int32_t> parseType{0};
  std::mutex archivesMutex;
  std::map<uint32_t, std::shared_ptr<Listing>> archives;
  uint32_t nextArchive = 1;
  std::mutex busy;  // one operation at a time per engine
};

uint32_t CreateEngine();
void DestroyEngine(uint32_t handle);
std::shared_ptr<Engine> FindEngine(uint32_t handle);

// One call of the engine that works on items.
class Session {
 public:
  Session(Engine& engine, et5::Operation op, const std::string& archivePath);

  bool HasCallback() const { return callback_ != nullptr; }
  bool Cancelled() const { return engine_.cancel.load(); }
  void Cancel() { engine_.cancel = true; }
  void SetTarget(const std::string& path) { target_ = path; }

  // Reports progress of an item; returns false when the operation is to stop.
  bool Progress(const std::string& name, uint64_t done, uint64_t size, bool force = false);
  // A failure of one item. Returns true when the operation goes on with the next item.
  bool ItemError(int16_t code, const std::string& name);
  // Asks a question; returns the answer, or 0 when there is no callback.
  int16_t Ask(int16_t question, const std::string& name, uint16_t disk = 0);

  // The final code: the cancellation, the first failure (or kAlreadyReported when the callback
  // showed it), or 0.
  int Result() const;
  void Fail(int16_t code) { if (firstError_ == 0) firstError_ = code; }
  int16_t firstError() const { return firstError_; }

 private:
  int16_t Call(et5::CallbackRecord& rec);
  void Fill(et5::CallbackRecord& rec, const std::string& name) const;

  Engine& engine_;
  et5::Callback callback_;
  et5::Operation op_;
  std::string archive_, target_;
  int16_t firstError_ = 0;
  bool reported_ = false;
  uint64_t lastReported_ = 0;
  std::string lastName_;
};

}  // namespace jqcomp
