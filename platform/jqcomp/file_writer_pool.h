// Writes small decoded files on helper threads. Creating a file is the slow step where the
// file system matches names without case by scanning the folder (as under Wine), so several
// files are created at once. Each job writes its file whole or not at all: a new file is
// created under its name and removed again on failure; an existing one is replaced through a
// temporary file beside it only when the new one is complete.
#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace jqcomp {

class FileWriterPool {
 public:
  struct Failure {
    int16_t code;
    std::string name;
  };
  explicit FileWriterPool(unsigned threads, size_t maxQueuedBytes);
  ~FileWriterPool();  // waits for the jobs queued so far
  // Queues a file (blocks while too many bytes are waiting). `shownName` names it in errors.
  void Add(std::string target, std::string shownName, std::string data, FILETIME lastWrite, DWORD attributes);
  // Failures since the last call.
  std::vector<Failure> TakeFailures();
  // Drops the jobs not started yet and waits for the running ones.
  void Abandon();
  void Wait();

 private:
  struct Job {
    std::string target, name, data;
    FILETIME lastWrite;
    DWORD attributes;
  };
  void Run();
  static int16_t Write(const Job& job);

  std::mutex mutex_;
  std::condition_variable workReady_, roomReady_, idle_;
  std::deque<Job> jobs_;
  size_t queuedBytes_ = 0, maxQueuedBytes_, running_ = 0;
  bool stopping_ = false;
  std::vector<Failure> failures_;
  std::vector<std::thread> threads_;
};

}  // namespace jqcomp
