// Shared pieces of the zip engine's tests: the library bound by name from the program folder
// (as the file manager binds it), an engine instance, a recording callback, file helpers, and
// host commands (zip, unzip, 7z, python3, uudecode run natively beside Wine).
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "et5.h"
#include "test_support.h"

namespace jqt {

struct Api {
  HMODULE module = nullptr;
  Et5InitFn Init;
  Et5ShutDownFn ShutDown;
  Et5IsGoodPasswordFn IsGoodPassword;
  Et5IsPasswordFn IsPassword;
  Et5CancelFn Cancel;
  Et5IdentifyFileFn IdentifyFile;
  Et5ZipCloseFn ZipClose;
  Et5ZipFindFn ZipFindNext;
  Et5ZipFindFn ZipFindFirst;
  Et5ZipOpenFn ZipOpen;
  Et5QZipFn QZip;
  Et5ZipFn Zip;
  Et5ZipCreateMVFn ZipCreateMV;
  Et5CPrintHookFn CPrintHook;
  Et5SetCPrintFn SetCPrint;
  Et5SetParseTypeFn SetParseType;
  Et5QUnZipFn QUnZip;
  Et5ZipNewCommentFn ZipNewComment;
  Et5ZipCommentFn ZipComment;
  Et5UUEncodeFn UUEncode;
};
// Loads jqcomp.dll by its full path in the program folder and binds every name; null when
// any is missing (the test then fails).
const Api* LoadApi();
const char* const* ExportNames();  // the twenty names, in binding order, null-terminated

// One callback event as the engine reported it.
struct Event {
  int16_t kind, code, operation;
  uint16_t disk;
  std::string path, name;
  uint32_t itemBytes;
};

// An engine instance with a callback that records events and answers from a function.
class TestEngine {
 public:
  TestEngine();
  ~TestEngine();
  uint32_t h = 0;
  const Api& api;
  std::vector<Event> events;
  // Answers a question or error; the default answers 1 (OK / go on) and 6 (yes) to overwrite.
  std::function<int16_t(const Event&)> answer;
  // Switches the callback on (SetCPrint 1) or off.
  void UseCallback(bool on);
  int QUnZip(const std::string& zip, const std::string& folder, const std::string& list, const std::string& sw);
  int QZip(const std::string& zip, const std::string& list, const std::string& sw);
  // Lists an archive: names and records, or the failing code.
  int List(const std::string& zip, std::vector<std::string>* names, std::vector<et5::EntryRecord>* records);
  size_t Count(int16_t kind, int16_t code = -1) const;

 private:
  static int16_t __stdcall Callback(void* record);
};

// Files.
std::string ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& data);
std::string PseudoRandom(size_t n, uint32_t seed);  // incompressible
std::string Text(size_t n, uint32_t seed);          // compressible
// Every file below a folder: relative path -> contents (folders end in "\").
std::vector<std::pair<std::string, std::string>> Snapshot(const std::string& folder);
// The paths of everything below a folder (for "nothing written outside").
std::vector<std::string> AllPaths(const std::string& folder);

// Host commands.
std::string UnixPath(const std::string& windowsPath);
std::string Q(const std::string& windowsPath);  // the Unix path quoted for sh
bool HostAvailable();
// Runs a sh command line natively (in `folder` when given); returns its exit code, or -1 when
// it could not be started or did not finish in time. Output (stdout and stderr) to `output`.
int Host(const std::string& command, std::string* output = nullptr, const std::string& folder = "",
         DWORD timeoutMs = 120000);

// Builds the fixture tree used by several tests below `root`\tree.
void MakeTree(const jqtest::TempFolder& root);

}  // namespace jqt

#define REQUIRE_HOST()                                         \
  do {                                                         \
    if (!jqt::HostAvailable()) GTEST_SKIP() << "no host tools"; \
  } while (0)
