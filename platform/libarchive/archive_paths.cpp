#include "archive_paths.h"

#include <cwctype>
#include <vector>

namespace jqarc {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDeviceName(std::wstring_view component) {
  // The part before the first dot, without trailing blanks, decides ("nul.txt" is NUL).
  std::wstring base(component.substr(0, component.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (auto& c : base) c = static_cast<wchar_t>(std::towupper(c));
  static const wchar_t* const kNames[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};
  for (const wchar_t* n : kNames)
    if (base == n) return true;
  if (base.size() == 4 && (base.compare(0, 3, L"COM") == 0 || base.compare(0, 3, L"LPT") == 0)) {
    wchar_t d = base[3];
    // Digits, and the superscript digits that Windows also maps to these devices.
    if ((d >= L'0' && d <= L'9') || d == 0xB9 || d == 0xB2 || d == 0xB3) return true;
  }
  return false;
}

bool ComponentIsSafe(std::wstring_view c) {
  if (c == L"..") return false;
  for (wchar_t ch : c) {
    if (ch < 0x20 || ch == 0x7F) return false;
    switch (ch) {
      case L':': case L'<': case L'>': case L'"': case L'|': case L'?': case L'*':
        return false;
      default:
        break;
    }
  }
  // Windows drops trailing dots and blanks, so ".. " would name the parent.
  if (c.back() == L'.' || c.back() == L' ') return false;
  return !IsDeviceName(c);
}

}  // namespace

bool MakeSafeRelativePath(std::wstring_view stored, std::wstring* out) {
  out->clear();
  std::wstring_view rest = stored;
  // Device and long-path prefixes ("\\?\", "\\.\"), UNC and drive prefixes are dropped.
  if (rest.size() >= 4 && IsSeparator(rest[0]) && IsSeparator(rest[1]) && (rest[2] == L'?' || rest[2] == L'.') &&
      IsSeparator(rest[3]))
    rest.remove_prefix(4);
  if (rest.size() >= 2 && rest[1] == L':' &&
      ((rest[0] >= L'A' && rest[0] <= L'Z') || (rest[0] >= L'a' && rest[0] <= L'z')))
    rest.remove_prefix(2);
  std::wstring result;
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    size_t start = i;
    while (i < rest.size() && !IsSeparator(rest[i])) ++i;
    std::wstring_view c = rest.substr(start, i - start);
    if (c.empty() || c == L".") continue;
    if (!ComponentIsSafe(c)) return false;
    if (!result.empty()) result += L'\\';
    result.append(c);
  }
  if (result.empty() || result.size() > 32000) return false;
  *out = std::move(result);
  return true;
}

bool MakeSafeRelativePath(std::string_view storedAnsi, std::string* out) {
  std::wstring wide;
  if (!MakeSafeRelativePath(Widen(storedAnsi), &wide)) return false;
  *out = Narrow(wide);
  return true;
}

bool SafeBaseName(std::wstring_view stored, std::wstring* out) {
  std::wstring relative;
  if (!MakeSafeRelativePath(stored, &relative)) return false;
  size_t slash = relative.rfind(L'\\');
  *out = slash == std::wstring::npos ? relative : relative.substr(slash + 1);
  return true;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& relative) {
  std::wstring path = folder;
  if (!path.empty() && !IsSeparator(path.back())) path += L'\\';
  path += relative;
  return path;
}

bool CreateFolderChain(const std::wstring& folder) {
  std::wstring path = folder;
  while (path.size() > 3 && IsSeparator(path.back())) path.pop_back();
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  size_t slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos && slash > 0) {
    std::wstring parent = path.substr(0, slash);
    if (!(parent.size() == 2 && parent[1] == L':') && !CreateFolderChain(parent)) return false;
  }
  if (CreateDirectoryW(path.c_str(), nullptr)) return true;
  attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring NormaliseEntryName(std::wstring_view name) {
  std::wstring result;
  result.reserve(name.size());
  for (wchar_t c : name) result += c == L'/' ? L'\\' : c;
  size_t lead = result.find_first_not_of(L'\\');
  result.erase(0, lead == std::wstring::npos ? result.size() : lead);
  while (!result.empty() && result.back() == L'\\') result.pop_back();
  if (!result.empty()) CharLowerBuffW(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

bool SameEntryName(std::wstring_view a, std::wstring_view b) {
  return NormaliseEntryName(a) == NormaliseEntryName(b);
}

std::wstring Widen(std::string_view ansi) {
  if (ansi.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring wide(n > 0 ? n : 0, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), n);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n, nullptr, nullptr);
  return ansi;
}

WriteFault WriteFaultFromError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS: return WriteFault::None;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return WriteFault::AccessDenied;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL:
      return WriteFault::DiskFull;
    case ERROR_PATH_NOT_FOUND: case ERROR_FILE_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_DIRECTORY:
    case ERROR_FILENAME_EXCED_RANGE: case ERROR_BAD_PATHNAME:
      return WriteFault::PathNotFound;
    default:
      return WriteFault::Other;
  }
}

WriteFault ReplacingFile::Create(const std::wstring& target) {
  Abort();
  target_ = target;
  written_ = 0;
  size_t slash = target.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return WriteFault::AccessDenied;  // a folder of that name is in the way
  DWORD seed = GetTickCount() ^ (GetCurrentThreadId() << 16) ^ GetCurrentProcessId();
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[32];
    wsprintfW(name, L"~jq%08lx.tmp", static_cast<unsigned long>(seed + attempt * 0x9E3779B1u));
    std::wstring temp = folder + name;
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      file_ = h;
      temp_ = std::move(temp);
      return WriteFault::None;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return WriteFaultFromError(error);
  }
  return WriteFault::Other;
}

WriteFault ReplacingFile::Write(const void* data, size_t size) {
  if (file_ == INVALID_HANDLE_VALUE) return WriteFault::Other;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > (1u << 20) ? (1u << 20) : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(file_, p, chunk, &done, nullptr) || done != chunk) {
      DWORD error = GetLastError();
      return error == ERROR_SUCCESS ? WriteFault::DiskFull : WriteFaultFromError(error);
    }
    p += done;
    size -= done;
    written_ += done;
  }
  return WriteFault::None;
}

WriteFault ReplacingFile::Commit(const FILETIME* lastWrite, DWORD attributes) {
  if (file_ == INVALID_HANDLE_VALUE) return WriteFault::Other;
  if (lastWrite) SetFileTime(file_, nullptr, nullptr, lastWrite);
  BOOL closed = CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  if (!closed) {
    Abort();
    return WriteFault::Other;
  }
  SetFileAttributesW(temp_.c_str(), FILE_ATTRIBUTE_NORMAL);
  // A read-only file is not replaced (as Windows refuses it; some file systems would not).
  DWORD existing = GetFileAttributesW(target_.c_str());
  if (existing != INVALID_FILE_ATTRIBUTES && (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    Abort();
    return WriteFault::AccessDenied;
  }
  if (!MoveFileExW(temp_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    WriteFault fault = WriteFaultFromError(GetLastError());
    Abort();
    return fault == WriteFault::None ? WriteFault::Other : fault;
  }
  temp_.clear();
  attributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if (attributes) SetFileAttributesW(target_.c_str(), attributes);
  return WriteFault::None;
}

void ReplacingFile::Abort() {
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }
  if (!temp_.empty()) {
    DeleteFileW(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace jqarc
