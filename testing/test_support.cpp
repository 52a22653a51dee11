#include "test_support.h"
#include <shlobj.h>
#include <shlwapi.h>

#include <gtest/gtest.h>
#include <winspool.h>
#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <cstdio>
#include <cstring>

namespace jqtest {

namespace {
std::atomic<unsigned> g_counter{0};

std::string UniqueName(const char* prefix) {
  char buf[96];
  wsprintfA(buf, "%s%lu_%lu_%u", prefix, GetCurrentProcessId(), GetTickCount(), g_counter++);
  return buf;
}
}  // namespace

TempFolder::TempFolder() {
  char temp[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, temp);
  std::string base(temp, n);
  if (!base.empty() && base.back() != '\\') base += '\\';
  for (;;) {
    path_ = base + UniqueName("jqt");
    if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot create temporary folder " << path_;
      break;
    }
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

std::string TempFolder::operator/(const std::string& relative) const {
  return path_ + "\\" + relative;
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
  std::string full = path_;
  size_t start = 0;
  while (start <= relative.size()) {
    size_t end = relative.find('\\', start);
    if (end == std::string::npos) end = relative.size();
    full += "\\" + relative.substr(start, end - start);
    CreateDirectoryA(full.c_str(), nullptr);
    start = end + 1;
  }
  return full;
}

std::string TempFolder::WriteFile(const std::string& relative, const std::string& content) const {
  size_t slash = relative.rfind('\\');
  if (slash != std::string::npos) MakeFolder(relative.substr(0, slash));
  std::string full = *this / relative;
  HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot write " << full;
    return full;
  }
  DWORD written = 0;
  ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

bool RemoveTree(const std::string& path) {
  if (path.empty()) return false;
  WIN32_FIND_DATAA fd;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string child = path + "\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(child.c_str());
      }
    } while (FindNextFileA(find, &fd));
    FindClose(find);
  }
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryA(path.c_str()) != 0;
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileText(const std::string& path) {
  std::string out;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

void SetWriteTimeFromBase(const std::string& path, int seconds) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot set the time of " << path;
    return;
  }
  ULONGLONG ticks = 132223104000000000ull + static_cast<ULONGLONG>(seconds) * 10000000ull;
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

TestRegistry::TestRegistry() {
  userPath_ = "Software\\JQTests\\" + UniqueName("u");
  machinePath_ = "Software\\JQTests\\" + UniqueName("m");
  RegCreateKeyExA(HKEY_CURRENT_USER, userPath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &user_, nullptr);
  RegCreateKeyExA(HKEY_CURRENT_USER, machinePath_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &machine_, nullptr);
  auto& h = seams::CurrentHandlers();
  previousUser_ = h.userRoot;
  previousMachine_ = h.machineRoot;
  h.userRoot = user_;
  h.machineRoot = machine_;
}

TestRegistry::~TestRegistry() {
  auto& h = seams::CurrentHandlers();
  h.userRoot = previousUser_;
  h.machineRoot = previousMachine_;
  if (user_) RegCloseKey(user_);
  if (machine_) RegCloseKey(machine_);
  RegDeleteTreeA(HKEY_CURRENT_USER, userPath_.c_str());
  RegDeleteTreeA(HKEY_CURRENT_USER, machinePath_.c_str());
}

KeptRegistryKey::KeptRegistryKey(HKEY root, const std::string& path) : root_(root), path_(path) {
  HKEY key = nullptr;
  existed_ = RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
  if (!existed_) return;
  backup_ = "Software\\JQTests\\" + UniqueName("kept");
  HKEY backup = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &backup,
                      nullptr) == ERROR_SUCCESS) {
    if (RegCopyTreeA(key, nullptr, backup) != ERROR_SUCCESS) ADD_FAILURE() << "cannot keep " << path_;
    RegCloseKey(backup);
  }
  RegCloseKey(key);
}

KeptRegistryKey::~KeptRegistryKey() {
  RegDeleteTreeA(root_, path_.c_str());
  RegDeleteKeyA(root_, path_.c_str());
  if (!existed_) return;
  HKEY key = nullptr, backup = nullptr;
  if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS &&
      RegOpenKeyExA(HKEY_CURRENT_USER, backup_.c_str(), 0, KEY_READ, &backup) == ERROR_SUCCESS)
    RegCopyTreeA(backup, nullptr, key);
  if (backup) RegCloseKey(backup);
  if (key) RegCloseKey(key);
  RegDeleteTreeA(HKEY_CURRENT_USER, backup_.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, backup_.c_str());
}

void PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  for (;;) {
    PumpPending();
    if (condition()) return true;
    DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= timeoutMs) return condition();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, (std::min<DWORD>)(20, timeoutMs - elapsed),
                              QS_ALLINPUT);
  }
}

namespace {
// The marks of PumpThroughQueue waited for on this thread: timer id, fired, what runs then.
struct QueueMark {
  bool fired = false;
  std::function<void()> atMark;
};
std::map<UINT_PTR, QueueMark> g_marks;
void CALLBACK MarkFired(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  auto found = g_marks.find(id);
  if (found == g_marks.end() || found->second.fired) return;
  found->second.fired = true;
  if (found->second.atMark) found->second.atMark();
}
}  // namespace

bool PumpThroughQueue(DWORD dueWithinMs, const std::function<void()>& atMark, DWORD timeoutMs) {
  // USER_TIMER_MINIMUM is 10 ms: the mark falls due clearly after every timer due by then.
  UINT_PTR mark = SetTimer(nullptr, 0, dueWithinMs + 20, MarkFired);
  if (!mark) return false;
  g_marks[mark].atMark = atMark;
  bool fired = PumpUntil([mark] { return g_marks[mark].fired; }, dueWithinMs + timeoutMs);
  if (!fired) KillTimer(nullptr, mark);
  g_marks.erase(mark);
  return fired;
}

bool BringToFront(HWND window, DWORD timeoutMs) {
  auto inFront = [window] {
    HWND focus = GetFocus();
    return GetForegroundWindow() == window && (focus == window || IsChild(window, focus));
  };
  DWORD start = GetTickCount();
  do {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    HWND focus = GetFocus();
    if (focus != window && !IsChild(window, focus)) SetFocus(window);
    if (PumpUntil(inFront, 2000) && PumpThroughQueue() && inFront()) return true;
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

namespace {
bool ShellListsDriveC() {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  bool found = false;
  LPITEMIDLIST drives = nullptr;
  IShellFolder* computer = nullptr;
  if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) &&
      SUCCEEDED(desktop->BindToObject(drives, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&computer)))) {
    IEnumIDList* items = nullptr;
    if (computer->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK && items) {
      LPITEMIDLIST item = nullptr;
      while (!found && items->Next(1, &item, nullptr) == S_OK) {
        STRRET name{};
        char text[MAX_PATH] = "";
        if (SUCCEEDED(computer->GetDisplayNameOf(item, SHGDN_FORPARSING, &name)) &&
            SUCCEEDED(StrRetToBufA(&name, item, text, MAX_PATH)))
          found = lstrcmpiA(text, "C:\\") == 0;
        CoTaskMemFree(item);
      }
      items->Release();
    }
    computer->Release();
  }
  if (drives) CoTaskMemFree(drives);
  desktop->Release();
  return found;
}
}  // namespace

bool WaitForShellDrives(DWORD timeoutMs) { return PumpUntil(ShellListsDriveC, timeoutMs); }

bool MoveCursorTo(POINT at, DWORD timeoutMs) {
  if (at.x < 0 || at.y < 0 || at.x >= GetSystemMetrics(SM_CXSCREEN) || at.y >= GetSystemMetrics(SM_CYSCREEN))
    return false;
  SetCursorPos(at.x, at.y);
  return PumpUntil([at] {
    POINT now{};
    return GetCursorPos(&now) && now.x == at.x && now.y == at.y;
  }, timeoutMs);
}

SeamRecorder::SeamRecorder() {
  seams::Handlers h;
  h.userRoot = seams::CurrentHandlers().userRoot;
  h.machineRoot = seams::CurrentHandlers().machineRoot;
  h.messageBox = [this](HWND, const char* text, const char* caption, UINT type) {
    boxes.push_back({text ? text : "", caption ? caption : "", type});
    if (!boxAnswers.empty()) {
      int a = boxAnswers.front();
      boxAnswers.erase(boxAnswers.begin());
      return a;
    }
    UINT kind = type & MB_TYPEMASK;
    return (kind == MB_YESNO || kind == MB_YESNOCANCEL) ? IDYES : IDOK;
  };
  h.popupMenu = [this](HMENU menu, UINT, int, int, HWND) -> UINT {
    menusShown.push_back(static_cast<UINT>(GetMenuItemCount(menu)));
    if (menuAnswers.empty()) return 0;
    UINT a = menuAnswers.front();
    menuAnswers.erase(menuAnswers.begin());
    return a;
  };
  h.shellExecute = [this](SHELLEXECUTEINFOA* info) -> BOOL {
    starts.push_back({info->lpFile ? info->lpFile : "", info->lpParameters ? info->lpParameters : "",
                      info->lpDirectory ? info->lpDirectory : "", info->lpVerb ? info->lpVerb : ""});
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = nullptr;
    info->hInstApp = reinterpret_cast<HINSTANCE>(startsSucceed ? 42 : SE_ERR_FNF);
    if (!startsSucceed) SetLastError(ERROR_FILE_NOT_FOUND);
    return startsSucceed;
  };
  h.createProcess = [this](const char* app, char* cmd, const char* dir, DWORD,
                           PROCESS_INFORMATION* pi) -> BOOL {
    starts.push_back({app ? app : "", cmd ? cmd : "", dir ? dir : "", "CreateProcess"});
    if (pi) ZeroMemory(pi, sizeof *pi);
    if (!startsSucceed) SetLastError(ERROR_FILE_NOT_FOUND);
    return startsSucceed;
  };
  h.winExec = [this](const char* cmd, UINT) -> UINT {
    starts.push_back({cmd ? cmd : "", "", "", "WinExec"});
    return startsSucceed ? 33 : ERROR_FILE_NOT_FOUND;
  };
  h.winHelp = [this](HWND, const char* file, UINT command, ULONG_PTR data) -> BOOL {
    helpCalls.push_back(std::string(file ? file : "") + "#" + std::to_string(command) + ":" + std::to_string(data));
    return TRUE;
  };
  previous_ = seams::SetHandlers(std::move(h));
}

SeamRecorder::~SeamRecorder() {
  seams::Handlers previous = std::move(previous_);
  previous.userRoot = seams::CurrentHandlers().userRoot;
  previous.machineRoot = seams::CurrentHandlers().machineRoot;
  seams::SetHandlers(std::move(previous));
}

std::string ProgramFolder() {
  char buf[MAX_PATH] = "";
  DWORD n = GetEnvironmentVariableA("JQ_PROGRAM_DIR", buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return "";
  return buf;
}

HANDLE StartProcess(const std::string& commandLine, DWORD* pid) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
    return nullptr;
  CloseHandle(pi.hThread);
  if (pid) *pid = pi.dwProcessId;
  return pi.hProcess;
}

int WaitProcess(HANDLE process, DWORD timeoutMs) {
  if (!process) return -1;
  bool ended = PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; },
                         timeoutMs);
  DWORD code = static_cast<DWORD>(-1);
  if (ended) GetExitCodeProcess(process, &code);
  CloseHandle(process);
  return ended ? static_cast<int>(code) : -1;
}

void CloseProgramOf(HWND window, UINT command, DWORD timeoutMs) {
  if (!window) return;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE program = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  PostMessageA(window, WM_COMMAND, command, 0);
  if (!program) return;
  if (!PumpUntil([&] { return WaitForSingleObject(program, 0) == WAIT_OBJECT_0; }, timeoutMs)) {
    TerminateProcess(program, 1);
    WaitForSingleObject(program, 10000);
  }
  CloseHandle(program);
}

DialogDriver* DialogDriver::current_ = nullptr;

DialogDriver::DialogDriver(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {
  current_ = this;
  timer_ = SetTimer(nullptr, 0, 40, Tick);
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer_);
  current_ = nullptr;
}

namespace {
BOOL CALLBACK FindEnabledDialog(HWND window, LPARAM found) {
  char name[32] = "";
  GetClassNameA(window, name, sizeof name);
  if (strcmp(name, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogDriver* self = current_;
  if (!self || self->busy_ || self->steps_.empty()) return;
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindEnabledDialog, reinterpret_cast<LPARAM>(&found));
  if (!found) return;
  self->busy_ = true;
  self->dialog = found;
  Step step = self->steps_.front();
  if (step(found)) {
    self->steps_.pop_front();
    ++self->done_;
  }
  self->busy_ = false;
}

// ---- The private CUPS server's PDF printer --------------------------------------------------


static std::string PdfFolder() {
  char unix[MAX_PATH] = "";
  GetEnvironmentVariableA("JQ_PDF_DIR", unix, MAX_PATH);
  return unix;
}

static std::string WindowsPath(const std::string& unix) {
  std::string path = "Z:" + unix;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::set<std::string> PrintedPdfNames() {
  std::set<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((WindowsPath(PdfFolder()) + "\\*.pdf").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

std::string TestPrinterPdfFolder() { return PdfFolder(); }

// The command's output goes to a part file renamed when the command succeeds, so that a
// half-written PDF or a command still running never gives a partial result.
std::string WaitForPdfOutput(const std::set<std::string>& before,
                             const std::function<std::string(const std::string& pdf, const std::string& out)>& reader,
                             std::string* pdfName) {
  std::string text;
  DWORD lastStart = 0;
  bool done = PumpUntil([&] {
    for (const std::string& name : PrintedPdfNames()) {
      if (before.count(name)) continue;
      std::string unixPdf = PdfFolder() + "/" + name;
      std::string unixOut = unixPdf + ".out";
      if (FileExists(WindowsPath(unixOut))) {
        text = ReadFileText(WindowsPath(unixOut));
        if (pdfName) *pdfName = name;
        return true;
      }
      if (lastStart && GetTickCount() - lastStart < 1500) return false;
      lastStart = GetTickCount();
      std::string command = "/bin/sh -c \"" + reader(unixPdf, unixOut + ".part") + " && mv '" + unixOut +
                            ".part' '" + unixOut + "'\"";
      HANDLE process = StartProcess(command);
      if (process) CloseHandle(process);
      return false;
    }
    return false;
  }, 60000);
  return done ? text : std::string("(no PDF)");
}

// The text of the first PDF that is not in `before`, once pdftotext reads it whole.
std::string WaitForPrintedText(const std::set<std::string>& before, std::string* pdfPath) {
  std::string name;
  std::string text = WaitForPdfOutput(
      before,
      [](const std::string& pdf, const std::string& out) {
        return "/usr/bin/pdftotext -layout '" + pdf + "' '" + out + "' 2>/dev/null";
      },
      &name);
  if (pdfPath && !name.empty()) *pdfPath = PdfFolder() + "/" + name;
  return text;
}

bool HaveTestPrinter() {
  char name[256] = "";
  DWORD size = sizeof name;
  return !PdfFolder().empty() && GetDefaultPrinterA(name, &size);
}

}  // namespace jqtest
