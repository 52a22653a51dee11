#include "file_writer_pool.h"

#include "et5.h"
#include "file_io.h"

namespace jqcomp {

FileWriterPool::FileWriterPool(unsigned threads, size_t maxQueuedBytes) : maxQueuedBytes_(maxQueuedBytes) {
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

FileWriterPool::~FileWriterPool() {
  Wait();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void FileWriterPool::Add(std::string target, std::string shownName, std::string data, FILETIME lastWrite,
                         DWORD attributes) {
  std::unique_lock<std::mutex> lock(mutex_);
  roomReady_.wait(lock, [&] { return queuedBytes_ == 0 || queuedBytes_ + data.size() <= maxQueuedBytes_; });
  queuedBytes_ += data.size();
  jobs_.push_back(Job{std::move(target), std::move(shownName), std::move(data), lastWrite, attributes});
  lock.unlock();
  workReady_.notify_one();
}

std::vector<FileWriterPool::Failure> FileWriterPool::TakeFailures() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<Failure> out;
  out.swap(failures_);
  return out;
}

void FileWriterPool::Abandon() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.clear();
    queuedBytes_ = 0;
  }
  roomReady_.notify_all();
  Wait();
}

void FileWriterPool::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [&] { return jobs_.empty() && running_ == 0; });
}

void FileWriterPool::Run() {
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      workReady_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      queuedBytes_ -= job.data.size();
      ++running_;
    }
    roomReady_.notify_all();
    int16_t code = Write(job);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (code) failures_.push_back(Failure{code, job.name});
      --running_;
      if (jobs_.empty() && running_ == 0) idle_.notify_all();
    }
  }
}

int16_t FileWriterPool::Write(const Job& job) {
  File out;
  bool replacing = false;
  std::string written = job.target;
  if (!out.Create(written, true)) {
    DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS && err != ERROR_ACCESS_DENIED)
      return CodeForLastError(true);
    if (IsFolder(job.target)) return et5::kAccessDenied;
    replacing = true;
    written = TemporaryBeside(job.target);
    if (!out.Create(written, true)) return CodeForLastError(true);
  }
  bool ok = out.Write(job.data.data(), job.data.size());
  int16_t code = ok ? static_cast<int16_t>(et5::kOk) : CodeForLastError(true);
  if (ok) SetFileTime(out.handle(), nullptr, nullptr, &job.lastWrite);
  out.Close();
  if (ok && replacing && !ReplaceFile(written, job.target)) code = et5::kAccessDenied;
  if (code) {
    DeleteFileA(written.c_str());
    return code;
  }
  if (job.attributes) SetFileAttributesA(job.target.c_str(), job.attributes);
  return et5::kOk;
}

}  // namespace jqcomp
