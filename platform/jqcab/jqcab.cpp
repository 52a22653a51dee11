#include "jqcab.h"

#include <mutex>
#include <string>
#include <vector>

#include "archive_paths.h"
#include "archive_reader.h"
#include "name_list.h"

namespace {

std::mutex g_lock;          // the state below is process-wide
std::wstring g_archive;     // empty while no cabinet is set

int CodeOf(jqarc::Fault fault) {
  using jqarc::Fault;
  switch (fault) {
    case Fault::None: return CAB_OK;
    case Fault::FileNotFound: return CAB_E_ARCHIVE_NOT_FOUND;
    case Fault::AccessDenied: return CAB_E_ARCHIVE_ACCESS;
    case Fault::NotArchive: return CAB_E_NOT_CABINET;
    case Fault::BadHeader: return CAB_E_BAD_DIRECTORY;
    case Fault::BadData: case Fault::Truncated: return CAB_E_BAD_DATA;
    case Fault::Unsupported: case Fault::Encrypted: return CAB_E_METHOD;
    case Fault::WriteFailed: case Fault::Cancelled: return CAB_E_WRITE;
    case Fault::WriteDenied: return CAB_E_TARGET_DENIED;
    case Fault::FolderFailed: return CAB_E_FOLDER;
    case Fault::NoMemory: return CAB_E_MEMORY;
    case Fault::EntryNotFound: return CAB_E_NO_ENTRY;
  }
  return CAB_E_BAD_DATA;
}

int Extract(const std::wstring& archive, const std::wstring& names, const std::wstring& folderText) {
  std::vector<jqarc::NameRequest> requests;
  for (const std::wstring& n : jqarc::SplitNameList(names)) requests.emplace_back(n);
  if (requests.empty()) return CAB_E_ARGUMENT;

  std::wstring folder = folderText;
  if (folder.empty()) {
    wchar_t here[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, here);
    folder.assign(here, n < MAX_PATH ? n : 0);
  }
  if (!jqarc::CreateFolderChain(folder)) return CAB_E_FOLDER;

  jqarc::ArchiveReader reader;
  if (jqarc::Fault f = reader.Open(archive, jqarc::Format::Cab); f != jqarc::Fault::None) return CodeOf(f);
  for (;;) {
    jqarc::Entry entry;
    bool atEnd = false;
    if (jqarc::Fault f = reader.Next(&entry, &atEnd); f != jqarc::Fault::None) return CodeOf(f);
    if (atEnd) break;
    bool wanted = false;
    for (auto& r : requests)
      if (r.Matches(entry.name)) {
        r.matched = true;
        wanted = true;
      }
    if (!wanted || entry.isFolder) continue;
    std::wstring base;
    if (!jqarc::SafeBaseName(entry.name, &base)) return CAB_E_BAD_DIRECTORY;
    if (jqarc::Fault f = reader.Extract(entry, jqarc::JoinPath(folder, base)); f != jqarc::Fault::None)
      return CodeOf(f);
  }
  for (const auto& r : requests)
    if (!r.matched && !r.wildcard) return CAB_E_NO_ENTRY;
  return CAB_OK;
}

}  // namespace

JQCAB_API int __stdcall CAB_SetArchive(const char* path) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    g_archive.clear();
    if (!path || !*path) return CAB_E_ARGUMENT;
    std::wstring wide = jqarc::Widen(path);
    jqarc::ArchiveReader reader;
    if (jqarc::Fault f = reader.Open(wide, jqarc::Format::Cab); f != jqarc::Fault::None) return CodeOf(f);
    jqarc::Entry entry;
    bool atEnd = false;
    if (jqarc::Fault f = reader.Next(&entry, &atEnd); f != jqarc::Fault::None)
      return f == jqarc::Fault::BadHeader ? CAB_E_NOT_CABINET : CodeOf(f);
    g_archive = std::move(wide);
    return CAB_OK;
  } catch (...) {
    return CAB_E_MEMORY;
  }
}

JQCAB_API int __stdcall CAB_ExtractFiles(const char* names, const char* folder) {
  try {
    std::lock_guard<std::mutex> hold(g_lock);
    if (g_archive.empty()) return CAB_E_NO_ARCHIVE;
    if (!names) return CAB_E_ARGUMENT;
    return Extract(g_archive, jqarc::Widen(names), folder ? jqarc::Widen(folder) : std::wstring());
  } catch (...) {
    return CAB_E_MEMORY;
  }
}

JQCAB_API int __stdcall CAB_MapToCPError(int code) {
  switch (code) {
    case CAB_OK: return 0;
    case CAB_E_ARCHIVE_NOT_FOUND: return 102;  // file not found
    case CAB_E_ARCHIVE_ACCESS: return 105;     // access denied
    case CAB_E_NOT_CABINET: return -1;         // not a valid archive
    case CAB_E_BAD_DIRECTORY: return -2;       // error in the archive directory
    case CAB_E_BAD_DATA: return -25;           // damaged archive (check failed)
    case CAB_E_METHOD: return -3;              // unknown compression method
    case CAB_E_WRITE: return -10;              // cannot write (disk full?)
    case CAB_E_TARGET_DENIED: return 105;      // access denied
    case CAB_E_FOLDER: return 103;             // path not found or not created
    case CAB_E_MEMORY: return 108;             // not enough memory
    default: return -8;                        // the operation could not be completed
  }
}

JQCAB_API int __stdcall CAB_CloseArchive(void) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_archive.clear();
  return CAB_OK;
}
