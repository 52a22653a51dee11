// Safe placement of archive entries on disk, shared by the suite's archive libraries.
//
// An entry's stored name is never trusted: MakeSafeRelativePath turns it into a relative path
// below the target folder or refuses it. Rules: "/" and "\" both separate; a drive ("C:"), a
// UNC or device prefix and leading separators are dropped; empty and "." components vanish;
// a component that is "..", holds ":" or a control character or one of <>"|?*, ends in a dot
// or a blank, or is a device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, CLOCK$,
// with or without an extension) refuses the whole name. The result never leaves the folder
// it is joined to.
//
// ReplacingFile writes a file the safe way: into a temporary file in the target's own folder,
// moved over the target (MoveFileEx REPLACE_EXISTING | WRITE_THROUGH) only when every write
// succeeded. A failed or abandoned write leaves the old file as it was.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <string_view>

namespace jqarc {

// Relative path (components joined by "\") or false when the name is refused or empty.
bool MakeSafeRelativePath(std::wstring_view stored, std::wstring* out);
bool MakeSafeRelativePath(std::string_view storedAnsi, std::string* out);  // ANSI (CP_ACP)

// The last component of a stored name ("a/b\c.txt" -> "c.txt"), made safe; false when refused.
bool SafeBaseName(std::wstring_view stored, std::wstring* out);

// folder + "\" + relative (one separator); relative must come from MakeSafeRelativePath.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative);

// Creates folder and every missing parent; true when it exists as a folder afterwards.
bool CreateFolderChain(const std::wstring& folder);

// Name comparison for matching requested entries: "/" equals "\", leading separators and
// case are ignored.
std::wstring NormaliseEntryName(std::wstring_view name);
bool SameEntryName(std::wstring_view a, std::wstring_view b);

std::wstring Widen(std::string_view ansi);     // CP_ACP -> UTF-16
std::string Narrow(std::wstring_view wide);    // UTF-16 -> CP_ACP ("?" for what it lacks)

// Why a write failed, in the terms the libraries report.
enum class WriteFault { None, AccessDenied, DiskFull, PathNotFound, Other };
WriteFault WriteFaultFromError(DWORD error);

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile() { Abort(); }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Opens a fresh temporary file beside target. The target's folder must exist.
  WriteFault Create(const std::wstring& target);
  WriteFault Write(const void* data, size_t size);
  // Sets the time (when given) and the attributes (0 = normal), then moves the temporary file
  // over the target. On failure the temporary file is removed and the target is untouched.
  WriteFault Commit(const FILETIME* lastWrite, DWORD attributes);
  // Removes the temporary file; the target is untouched. Safe to call more than once.
  void Abort();
  uint64_t written() const { return written_; }

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::wstring temp_, target_;
  uint64_t written_ = 0;
};

}  // namespace jqarc
