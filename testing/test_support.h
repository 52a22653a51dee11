// Helpers shared by the suite's tests: temporary folders, a private settings root in the
// registry, waiting by pumping messages, and recorders for the calls that would show modal UI
// or start programs.
#pragma once
#include <windows.h>
#include <deque>
#include <set>
#include <functional>
#include <string>
#include <vector>
#include "seams.h"

namespace jqtest {

// A folder under the temporary folder, removed with everything in it on destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  // path() + "\\" + relative
  std::string operator/(const std::string& relative) const;
  // Writes a file (creating its folders); returns its full path.
  std::string WriteFile(const std::string& relative, const std::string& content) const;
  std::string MakeFolder(const std::string& relative) const;

 private:
  std::string path_;
};

bool RemoveTree(const std::string& path);
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadFileText(const std::string& path);
// Sets a file's last-write time to 2020-01-01 00:00:00 UTC plus `seconds` (a test failure
// when the file cannot be opened).
void SetWriteTimeFromBase(const std::string& path, int seconds);

// Keeps a key of the real registry as it was: its values and subkeys are copied aside on
// construction and put back on destruction, whatever the test or the programs it starts wrote
// there meanwhile (a key that did not exist is removed). For tests that must use the real key,
// such as those that start the programs as processes of their own.
class KeptRegistryKey {
 public:
  KeptRegistryKey(HKEY root, const std::string& path);
  ~KeptRegistryKey();
  KeptRegistryKey(const KeptRegistryKey&) = delete;
  KeptRegistryKey& operator=(const KeptRegistryKey&) = delete;

 private:
  HKEY root_;
  std::string path_, backup_;
  bool existed_ = false;
};

// Points the programs' HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE at two fresh keys of their own
// for the object's life, so that tests never see each other's settings.
class TestRegistry {
 public:
  TestRegistry();
  ~TestRegistry();
  TestRegistry(const TestRegistry&) = delete;
  TestRegistry& operator=(const TestRegistry&) = delete;
  HKEY user() const { return user_; }
  HKEY machine() const { return machine_; }
  const std::string& userPath() const { return userPath_; }  // beneath the real HKCU

 private:
  HKEY user_ = nullptr;
  HKEY machine_ = nullptr;
  std::string userPath_, machinePath_;
  HKEY previousUser_ = nullptr, previousMachine_ = nullptr;
};

// Pumps the thread's messages until the condition holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Pumps whatever is queued now, without waiting.
void PumpPending();
// Pumps until what is queued for this thread now has been handled: every message posted to it so
// far, and every timer of the thread that falls due within `dueWithinMs` from now (a control's
// short delay, a refresh that waits a second). A one-shot timer of its own, due just after those,
// marks the point, however busy the machine: the queue hands out posted messages before any
// timer, and timers in the order they fall due. `atMark` runs when the mark comes, before what
// fell due after it (to see a state at that point). True when the mark came within the time-out.
bool PumpThroughQueue(DWORD dueWithinMs = 0, const std::function<void()>& atMark = nullptr,
                      DWORD timeoutMs = 15000);
// Brings a top-level window of this thread to the front and gives it the focus, then pumps until
// it is the foreground window and holds the focus, still after what was queued meanwhile has been
// handled (the window manager may answer late); asks again while it is not. True when it is.
bool BringToFront(HWND window, DWORD timeoutMs = 15000);
// Pumps until the shell's My Computer lists drive C: (a test's own Wine world starts its services
// with its first program, and on a busy machine the drives come a while later). True when it does.
bool WaitForShellDrives(DWORD timeoutMs = 60000);
// Moves the pointer and waits until the system reports it at that point; false when the point
// lies off the screen or the pointer never got there.
bool MoveCursorTo(POINT at, DWORD timeoutMs = 5000);

// Records message boxes, popup menus and program starts, answering them from queues.
// Installed for its lifetime; the previous handlers come back on destruction.
class SeamRecorder {
 public:
  struct Box { std::string text, caption; UINT type; };
  struct Start { std::string file, parameters, directory, verb; };
  SeamRecorder();
  ~SeamRecorder();
  SeamRecorder(const SeamRecorder&) = delete;
  SeamRecorder& operator=(const SeamRecorder&) = delete;

  std::vector<Box> boxes;
  std::vector<UINT> menusShown;  // item count of each popup menu shown
  std::vector<Start> starts;
  std::vector<std::string> helpCalls;  // "file#command:data" of each WinHelp call
  // Answers, used front first; when empty: IDOK / IDYES for boxes, 0 for menus.
  std::vector<int> boxAnswers;
  std::vector<UINT> menuAnswers;
  bool startsSucceed = true;  // program starts are recorded, never run

 private:
  seams::Handlers previous_;
};

// The program folder of the build (JQ_PROGRAM_DIR, as a Windows path).
std::string ProgramFolder();

// Starts a program with a command line and returns its process handle (0 on failure).
HANDLE StartProcess(const std::string& commandLine, DWORD* pid = nullptr);
// Waits (pumping messages) for a process to end; returns its exit code, or -1 on a timeout.
int WaitProcess(HANDLE process, DWORD timeoutMs = 30000);
// Asks the program that owns `window` to close with the menu command `command` and pumps until
// its process has ended; a program still running after `timeoutMs` is ended by force.
void CloseProgramOf(HWND window, UINT command, DWORD timeoutMs = 30000);

// Drives the modal dialogs of this thread: each timer tick while an enabled dialog is up runs
// the next step on it; a step returning false is tried again on the next tick.
class DialogDriver {
 public:
  using Step = std::function<bool(HWND dialog)>;
  explicit DialogDriver(std::vector<Step> steps);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  bool Finished() const { return steps_.empty(); }
  size_t done() const { return done_; }  // steps that have run to the end
  HWND dialog = nullptr;  // the dialog the last step ran on

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  std::deque<Step> steps_;
  size_t done_ = 0;
  UINT_PTR timer_ = 0;
  bool busy_ = false;
  static DialogDriver* current_;
};

// The test script's private CUPS PDF printer (JQ_PDF_DIR): whether it is the default printer,
// the PDF files printed so far, and the text of the first PDF not in `before` once pdftotext reads
// it whole ("(no PDF)" when none comes within a minute).
bool HaveTestPrinter();
std::set<std::string> PrintedPdfNames();
std::string WaitForPrintedText(const std::set<std::string>& before, std::string* pdfPath = nullptr);
// The host folder the printer writes its PDFs to (empty when the test script set none up).
std::string TestPrinterPdfFolder();
// What a host command makes of the first PDF not in `before`, once the command succeeds on it
// ("(no PDF)" when none comes within a minute). `reader` turns the PDF's host path and an output
// path into a shell command that writes the output and fails on a PDF not yet whole; it is tried
// again every 1.5 s. `pdfName` gets the PDF's file name.
std::string WaitForPdfOutput(const std::set<std::string>& before,
                             const std::function<std::string(const std::string& pdf, const std::string& out)>& reader,
                             std::string* pdfName = nullptr);

}  // namespace jqtest
