#include "jqlha.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "archive_paths.h"
#include "archive_reader.h"
#include "name_list.h"

namespace {

std::atomic<HWND> g_owner{nullptr};
std::atomic<BOOL> g_cursorMode{FALSE};

int CodeOf(jqarc::Fault fault) {
  using jqarc::Fault;
  switch (fault) {
    case Fault::None: return LHA_OK;
    case Fault::FileNotFound: case Fault::EntryNotFound: return LHA_E_NOT_FOUND;
    case Fault::AccessDenied: case Fault::WriteDenied: return LHA_E_ACCESS;
    case Fault::NotArchive: return LHA_E_NOT_ARCHIVE;
    case Fault::BadHeader: return LHA_E_HEADER;
    case Fault::BadData: return LHA_E_CRC;
    case Fault::Truncated: return LHA_E_TRUNCATED;
    case Fault::Unsupported: case Fault::Encrypted: return LHA_E_METHOD;
    case Fault::WriteFailed: case Fault::Cancelled: return LHA_E_WRITE;
    case Fault::FolderFailed: return LHA_E_MAKE_FOLDER;
    case Fault::NoMemory: return LHA_E_MEMORY;
  }
  return LHA_E_HEADER;
}

// A bounded report in the caller's output buffer.
class Report {
 public:
  Report(LPSTR out, DWORD size) : out_(out), size_(size) {
    if (out_ && size_) out_[0] = '\0';
  }
  void Line(const std::string& text) {
    if (!out_ || size_ == 0) return;
    std::string line = text + "\r\n";
    size_t room = size_ - 1 - used_;
    size_t n = line.size() < room ? line.size() : room;
    std::memcpy(out_ + used_, line.data(), n);
    used_ += n;
    out_[used_] = '\0';
  }

 private:
  LPSTR out_;
  DWORD size_;
  size_t used_ = 0;
};

// Sends progress to the owner; units are one per entry plus one per KiB of data.
class Progress {
 public:
  Progress(HWND owner, uint64_t total) : owner_(owner), total_(total) {
    message_ = RegisterWindowMessageA("wm_arcextract");
  }
  static uint64_t UnitsOf(const jqarc::Entry& e) { return 1 + e.size / 1024; }
  void Send(uint64_t done, const std::wstring& name) {
    if (!owner_ || !message_ || total_ == 0 || !IsWindow(owner_)) return;
    // Scaled into 32 bits so that a receiver's done * 100 / total stays in range.
    uint64_t total = total_, now = done > total_ ? total_ : done;
    while (total > 0x00FFFFFFull) {
      total >>= 1;
      now >>= 1;
    }
    LhaProgressRecord record{};
    record.total = static_cast<uint32_t>(total ? total : 1);
    record.done = static_cast<uint32_t>(now);
    std::string ansi = jqarc::Narrow(name);
    for (auto& c : ansi)
      if (c == '/') c = '\\';
    size_t n = ansi.size() < sizeof record.name - 1 ? ansi.size() : sizeof record.name - 1;
    std::memcpy(record.name, ansi.data(), n);
    // The owner normally runs on this thread (a direct call); one on another thread that stops
    // answering must not stop the extraction.
    if (GetWindowThreadProcessId(owner_, nullptr) == GetCurrentThreadId()) {
      SendMessageA(owner_, message_, 1, reinterpret_cast<LPARAM>(&record));
    } else {
      DWORD_PTR result = 0;
      SendMessageTimeoutA(owner_, message_, 1, reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG, 2000, &result);
    }
  }

 private:
  HWND owner_;
  uint64_t total_;
  UINT message_ = 0;
};

struct Command {
  bool keepPaths = false;
  std::wstring archive;
  std::vector<jqarc::NameRequest> names;
};

bool ParseCommand(const std::wstring& line, Command* cmd) {
  std::vector<jqarc::NameToken> tokens = jqarc::TokeniseNameList(line);
  size_t i = 0;
  if (tokens.empty()) return false;
  std::wstring verb = tokens[i++].text;
  if (verb.size() == 2 && verb[0] == L'-') verb.erase(0, 1);
  if (verb == L"x" || verb == L"X") cmd->keepPaths = true;
  else if (verb == L"e" || verb == L"E") cmd->keepPaths = false;
  else return false;
  // Switches come before the archive; a quoted archive name never counts as one.
  while (i < tokens.size() && !tokens[i].quoted && (tokens[i].text[0] == L'/' || tokens[i].text[0] == L'-')) ++i;
  if (i >= tokens.size()) return false;
  cmd->archive = tokens[i++].text;
  for (; i < tokens.size(); ++i) cmd->names.emplace_back(tokens[i].text);
  return true;
}

int Run(HWND window, const std::wstring& line, Report& report) {
  Command cmd;
  if (!ParseCommand(line, &cmd)) {
    report.Line("command not understood");
    return LHA_E_COMMAND;
  }
  if (cmd.names.size() > 65535) return LHA_E_TOO_MANY_FILES;
  auto wanted = [&cmd](const jqarc::Entry& e) {
    if (cmd.names.empty()) return true;
    bool any = false;
    for (auto& r : cmd.names)
      if (r.Matches(e.name)) {
        r.matched = true;
        any = true;
      }
    return any;
  };

  wchar_t here[MAX_PATH];
  DWORD n = GetCurrentDirectoryW(MAX_PATH, here);
  if (n == 0 || n >= MAX_PATH) return LHA_E_MAKE_FOLDER;
  std::wstring root(here, n);

  // First pass: the headers only, for the progress total and to refuse bad names up front.
  uint64_t total = 0;
  {
    jqarc::ArchiveReader reader;
    if (jqarc::Fault f = reader.Open(cmd.archive, jqarc::Format::Lha); f != jqarc::Fault::None) return CodeOf(f);
    for (;;) {
      jqarc::Entry e;
      bool atEnd = false;
      if (jqarc::Fault f = reader.Next(&e, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
      if (atEnd) break;
      if (wanted(e)) total += Progress::UnitsOf(e);
    }
    for (const auto& r : cmd.names)
      if (!r.matched && !r.wildcard) {
        report.Line("not in the archive: " + jqarc::Narrow(r.pattern));
        return LHA_E_NOT_FOUND;
      }
  }

  HWND owner = g_owner.load() ? g_owner.load() : window;
  Progress progress(owner, total);
  uint64_t done = 0;
  HCURSOR previousCursor = g_cursorMode.load() ? SetCursor(LoadCursor(nullptr, IDC_WAIT)) : nullptr;
  struct RestoreCursor {
    bool on;
    HCURSOR previous;
    ~RestoreCursor() {
      if (on) SetCursor(previous);
    }
  } restore{g_cursorMode.load() != FALSE, previousCursor};

  jqarc::ArchiveReader reader;
  if (jqarc::Fault f = reader.Open(cmd.archive, jqarc::Format::Lha); f != jqarc::Fault::None) return CodeOf(f);
  for (auto& r : cmd.names) r.matched = false;
  for (;;) {
    jqarc::Entry e;
    bool atEnd = false;
    if (jqarc::Fault f = reader.Next(&e, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
    if (atEnd) break;
    if (!wanted(e)) continue;
    std::wstring relative;
    if (!jqarc::MakeSafeRelativePath(e.name, &relative)) {
      report.Line("refused name: " + jqarc::Narrow(e.name));
      return LHA_E_HEADER;
    }
    if (!cmd.keepPaths) {
      size_t slash = relative.rfind(L'\\');
      if (slash != std::wstring::npos) relative.erase(0, slash + 1);
    }
    std::wstring target = jqarc::JoinPath(root, relative);
    progress.Send(done, e.name);
    if (e.isFolder) {
      if (cmd.keepPaths && !jqarc::CreateFolderChain(target)) return LHA_E_MAKE_FOLDER;
      done += Progress::UnitsOf(e);
      continue;
    }
    if (e.isLink) {
      // Links are never created; asked for by name it is an error, in a wider request a skip.
      bool named = false;
      for (const auto& r : cmd.names) named |= !r.wildcard && r.Matches(e.name);
      if (named) {
        report.Line("links cannot be extracted: " + jqarc::Narrow(e.name));
        return LHA_E_METHOD;
      }
      report.Line("skipped link: " + jqarc::Narrow(e.name));
      done += Progress::UnitsOf(e);
      continue;
    }
    size_t slash = target.rfind(L'\\');
    if (slash != std::wstring::npos && !jqarc::CreateFolderChain(target.substr(0, slash))) return LHA_E_MAKE_FOLDER;
    uint64_t base = done + 1;
    uint64_t lastSent = 0;
    jqarc::Fault f = reader.Extract(e, target, [&](uint64_t bytes) {
      if (bytes - lastSent >= 256 * 1024) {
        lastSent = bytes;
        progress.Send(base + bytes / 1024, e.name);
      }
      return true;
    });
    if (f != jqarc::Fault::None) {
      report.Line("failed: " + jqarc::Narrow(e.name) + " (" + reader.lastError() + ")");
      return CodeOf(f);
    }
    done += Progress::UnitsOf(e);
    report.Line("extracted: " + jqarc::Narrow(relative));
  }
  progress.Send(total, L"");
  return LHA_OK;
}

}  // namespace

JQLHA_API int __stdcall Unlha(HWND window, LPCSTR command, LPSTR output, DWORD outputSize) {
  Report report(output, outputSize);
  try {
    if (!command) return LHA_E_COMMAND;
    return Run(window, jqarc::Widen(command), report);
  } catch (...) {
    return LHA_E_MEMORY;
  }
}

JQLHA_API BOOL __stdcall UnlhaSetOwnerWindow(HWND window) {
  g_owner.store(window);
  return TRUE;
}

JQLHA_API BOOL __stdcall UnlhaSetCursorMode(BOOL mode) {
  g_cursorMode.store(mode);
  return TRUE;
}
