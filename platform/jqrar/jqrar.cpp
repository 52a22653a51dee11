#include "jqrar.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "archive_paths.h"
#include "archive_reader.h"

namespace {

struct Listed {
  jqarc::Entry entry;
  uint64_t packed = 0;
};

struct State {
  std::wstring archive;                      // empty while none is set
  std::string formatName;                    // "RAR" or "RAR5"
  std::vector<Listed> listing;               // the find walk
  size_t findNext = 0;
  std::unique_ptr<jqarc::ArchiveReader> walk;  // the next-name walk
  jqarc::Entry walkEntry;
  bool walkHasEntry = false;
};
std::mutex g_lock;
State g_state;

int CodeOf(jqarc::Fault fault) {
  using jqarc::Fault;
  switch (fault) {
    case Fault::None: return RAR_OK;
    case Fault::FileNotFound: case Fault::NotArchive: return RAR_E_NOT_FOUND;
    case Fault::AccessDenied: case Fault::WriteDenied: return RAR_E_OPEN;
    case Fault::BadHeader: case Fault::Truncated: return RAR_E_BAD_ARCHIVE;
    case Fault::BadData: return RAR_E_BAD_DATA;
    case Fault::Unsupported: return RAR_E_UNSUPPORTED;
    case Fault::Encrypted: return RAR_E_ENCRYPTED;
    case Fault::WriteFailed: case Fault::Cancelled: return RAR_E_WRITE;
    case Fault::FolderFailed: return RAR_E_FOLDER;
    case Fault::NoMemory: return RAR_E_MEMORY;
    case Fault::EntryNotFound: return RAR_E_NO_ENTRY;
  }
  return RAR_E_BAD_ARCHIVE;
}

bool HasRarSignature(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  unsigned char head[8] = {};
  DWORD got = 0;
  BOOL ok = ReadFile(h, head, sizeof head, &got, nullptr);
  CloseHandle(h);
  if (!ok || got < 7) return false;
  static const unsigned char kRar4[7] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
  static const unsigned char kRar5[8] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};
  return std::memcmp(head, kRar4, 7) == 0 || (got == 8 && std::memcmp(head, kRar5, 8) == 0);
}

void CopyBounded(char* out, int size, const std::string& text) {
  if (!out || size <= 0) return;
  size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string ListedName(const std::wstring& stored) {
  std::wstring name = stored;
  for (auto& c : name)
    if (c == L'/') c = L'\\';
  return jqarc::Narrow(name);
}

std::wstring FileNamePart(const std::wstring& stored) {
  size_t slash = stored.find_last_of(L"\\/");
  return slash == std::wstring::npos ? stored : stored.substr(slash + 1);
}

void FillRecord(const Listed& item, void* record) {
  RarEntryRecord r{};
  r.flags = item.entry.encrypted ? 1u : 0u;
  jqarc::ToDosDateTime(item.entry.lastWrite, &r.dosDate, &r.dosTime);
  r.size = item.entry.size > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(item.entry.size);
  r.sizeHigh = static_cast<uint32_t>(item.entry.size >> 32);
  r.packedSize = item.packed > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(item.packed);
  r.packedHigh = static_cast<uint32_t>(item.packed >> 32);
  r.attributes = static_cast<uint8_t>(item.entry.attributes & 0xFF);
  std::memcpy(record, &r, sizeof r);
}

int ListArchive(State& s) {
  s.listing.clear();
  s.findNext = 0;
  jqarc::ArchiveReader reader;
  if (jqarc::Fault f = reader.Open(s.archive, jqarc::Format::Rar); f != jqarc::Fault::None) return CodeOf(f);
  for (;;) {
    Listed item;
    bool atEnd = false;
    if (jqarc::Fault f = reader.Next(&item.entry, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
    if (atEnd) break;
    s.listing.push_back(std::move(item));
  }
  // The space between two headers is the packed data of the first (plus its header).
  for (size_t i = 0; i < s.listing.size(); ++i) {
    uint64_t start = s.listing[i].entry.headerOffset;
    uint64_t end = i + 1 < s.listing.size() ? s.listing[i + 1].entry.headerOffset : reader.fileSize();
    s.listing[i].packed = end > start ? end - start : 0;
    if (s.listing[i].entry.isFolder) s.listing[i].packed = 0;
  }
  return RAR_OK;
}

int FindStep(State& s, void* entry, char* name, char* b2, int b2Size, char* b3, int b3Size) {
  if (s.findNext >= s.listing.size()) return RAR_END;
  const Listed& item = s.listing[s.findNext++];
  if (entry) FillRecord(item, entry);
  CopyBounded(name, 2048, ListedName(item.entry.name));
  CopyBounded(b2, b2Size, s.formatName);
  CopyBounded(b3, b3Size, jqarc::Narrow(FileNamePart(item.entry.name)));
  return RAR_OK;
}

// Writes entry as folder\<file name>; a folder entry makes that folder.
int WriteEntry(jqarc::ArchiveReader& reader, const jqarc::Entry& entry, const std::wstring& folderText) {
  std::wstring folder = folderText;
  if (folder.empty()) {
    wchar_t here[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, here);
    folder.assign(here, n < MAX_PATH ? n : 0);
  }
  std::wstring base;
  if (!jqarc::SafeBaseName(entry.name, &base)) return RAR_E_BAD_ARCHIVE;
  if (!jqarc::CreateFolderChain(folder)) return RAR_E_FOLDER;
  if (entry.isFolder) return jqarc::CreateFolderChain(jqarc::JoinPath(folder, base)) ? RAR_OK : RAR_E_FOLDER;
  return CodeOf(reader.Extract(entry, jqarc::JoinPath(folder, base)));
}

}  // namespace

JQRAR_API int __stdcall RAR_SetArchive(const char* path) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    g_state = State();
    if (!path || !*path) return RAR_E_ARGUMENT;
    std::wstring wide = jqarc::Widen(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) return RAR_E_NOT_FOUND;
    if (!HasRarSignature(wide)) {
      HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_ACCESS_DENIED ? RAR_E_OPEN : RAR_E_NOT_FOUND;
      CloseHandle(h);
      return RAR_E_NOT_FOUND;
    }
    jqarc::ArchiveReader reader;
    if (jqarc::Fault f = reader.Open(wide, jqarc::Format::Rar); f != jqarc::Fault::None) return CodeOf(f);
    jqarc::Entry entry;
    bool atEnd = false;
    jqarc::Fault f = reader.Next(&entry, &atEnd);
    if (f != jqarc::Fault::None) return CodeOf(f);
    g_state.archive = std::move(wide);
    {
      // RAR 5's signature is "Rar!" 1A 07 01 00, RAR 4's "Rar!" 1A 07 00.
      HANDLE h = CreateFileW(g_state.archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      unsigned char head[8] = {};
      DWORD got = 0;
      if (h != INVALID_HANDLE_VALUE) {
        ReadFile(h, head, 8, &got, nullptr);
        CloseHandle(h);
      }
      g_state.formatName = got == 8 && head[6] == 0x01 ? "RAR5" : "RAR4";
    }
    return RAR_OK;
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_FindOpen(void* entry, char* name, char* b2, int b2Size, char* b3, int b3Size) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_state.archive.empty()) return RAR_E_NO_ARCHIVE;
    if (int code = ListArchive(g_state); code != RAR_OK) return code;
    return FindStep(g_state, entry, name, b2, b2Size, b3, b3Size);
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_FindNext(void* entry, char* name, char* b2, int b2Size, char* b3, int b3Size) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_state.archive.empty()) return RAR_E_NO_ARCHIVE;
    return FindStep(g_state, entry, name, b2, b2Size, b3, b3Size);
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_NextFileName(char* name, int size) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    State& s = g_state;
    if (s.archive.empty()) return RAR_E_NO_ARCHIVE;
    if (!s.walk) {
      s.walk = std::make_unique<jqarc::ArchiveReader>();
      if (jqarc::Fault f = s.walk->Open(s.archive, jqarc::Format::Rar); f != jqarc::Fault::None) {
        s.walk.reset();
        return CodeOf(f);
      }
    }
    bool atEnd = false;
    s.walkHasEntry = false;
    if (jqarc::Fault f = s.walk->Next(&s.walkEntry, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
    if (atEnd) return RAR_END;
    s.walkHasEntry = true;
    CopyBounded(name, size, ListedName(s.walkEntry.name));
    return RAR_OK;
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_ExtractNextFile(const char* folder) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    State& s = g_state;
    if (s.archive.empty()) return RAR_E_NO_ARCHIVE;
    if (!s.walk || !s.walkHasEntry) return RAR_E_NO_ENTRY;
    s.walkHasEntry = false;
    return WriteEntry(*s.walk, s.walkEntry, folder ? jqarc::Widen(folder) : std::wstring());
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_ExtractSingleFile(const char* name, const char* folder) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_state.archive.empty()) return RAR_E_NO_ARCHIVE;
    if (!name || !*name) return RAR_E_ARGUMENT;
    std::wstring wanted = jqarc::Widen(name);
    jqarc::ArchiveReader reader;
    if (jqarc::Fault f = reader.Open(g_state.archive, jqarc::Format::Rar); f != jqarc::Fault::None) return CodeOf(f);
    for (;;) {
      jqarc::Entry entry;
      bool atEnd = false;
      if (jqarc::Fault f = reader.Next(&entry, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
      if (atEnd) return RAR_E_NO_ENTRY;
      if (jqarc::SameEntryName(entry.name, wanted))
        return WriteEntry(reader, entry, folder ? jqarc::Widen(folder) : std::wstring());
    }
  } catch (...) {
    return RAR_E_MEMORY;
  }
}

JQRAR_API int __stdcall RAR_CloseArchive(void) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_state = State();
  return RAR_OK;
}

JQRAR_API int __stdcall RAR_IsValidArchive(const char* path) {
  try {
    if (!path || !*path) return 0;
    return HasRarSignature(jqarc::Widen(path)) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
