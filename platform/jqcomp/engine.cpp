#include "engine.h"

#include <windows.h>

#include <cstring>

namespace jqcomp {

namespace {
std::mutex g_tableMutex;
std::map<uint32_t, std::shared_ptr<Engine>> g_engines;
uint32_t g_next = 1;

void CopyBounded(char* dest, size_t size, const std::string& text) {
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  memcpy(dest, text.data(), n);
  dest[n] = 0;
}
}  // namespace

uint32_t CreateEngine() {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  uint32_t h = g_next++;
  if (g_next == 0) g_next = 1;
  g_engines[h] = std::make_shared<Engine>();
  return h;
}

void DestroyEngine(uint32_t handle) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  g_engines.erase(handle);
}

std::shared_ptr<Engine> FindEngine(uint32_t handle) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  auto it = g_engines.find(handle);
  return it == g_engines.end() ? nullptr : it->second;
}

Session::Session(Engine& engine, et5::Operation op, const std::string& archivePath)
    : engine_(engine),
      callback_(engine.cprint.load() ? engine.callback.load() : nullptr),
      op_(op),
      archive_(archivePath) {
  engine_.cancel = false;
}

void Session::Fill(et5::CallbackRecord& rec, const std::string& name) const {
  memset(&rec, 0, sizeof rec);
  CopyBounded(rec.path, sizeof rec.path, target_.empty() ? archive_ : target_);
  std::string shown = name;
  for (char& c : shown)
    if (c == '/') c = '\\';
  CopyBounded(rec.name, sizeof rec.name, shown);
  rec.operation = op_;
}

int16_t Session::Call(et5::CallbackRecord& rec) {
  if (!callback_) return 0;
  return callback_(&rec);
}

bool Session::Progress(const std::string& name, uint64_t done, uint64_t size, bool force) {
  if (Cancelled()) return false;
  if (!callback_) return true;
  bool newItem = done == 0 || name != lastName_;
  if (!newItem && !force && done - lastReported_ < (1u << 20) && done != size) return true;
  lastName_ = name;
  lastReported_ = done;
  et5::CallbackRecord rec;
  Fill(rec, name);
  rec.kind = et5::kCbProgress;
  rec.itemBytes = static_cast<uint32_t>(done);  // the low half; callers take differences
  rec.itemSizeLow = static_cast<uint32_t>(size);
  rec.itemSizeHigh = static_cast<uint32_t>(size >> 32);
  Call(rec);
  return !Cancelled();
}

bool Session::ItemError(int16_t code, const std::string& name) {
  Fail(code);
  if (Cancelled()) return false;
  if (!callback_) return true;
  et5::CallbackRecord rec;
  Fill(rec, name);
  rec.kind = et5::kCbError;
  rec.code = code;
  int16_t answer = Call(rec);
  reported_ = true;
  if (answer == et5::kAnswerOk) return !Cancelled();
  return false;
}

int16_t Session::Ask(int16_t question, const std::string& name, uint16_t disk) {
  if (!callback_) return 0;
  et5::CallbackRecord rec;
  Fill(rec, name);
  rec.kind = et5::kCbQuestion;
  rec.code = question;
  rec.disk = disk;
  return Call(rec);
}

int Session::Result() const {
  if (Cancelled()) return et5::kCancelled;
  if (firstError_ == 0) return et5::kOk;
  return reported_ ? static_cast<int>(et5::kAlreadyReported) : static_cast<int>(firstError_);
}

}  // namespace jqcomp
