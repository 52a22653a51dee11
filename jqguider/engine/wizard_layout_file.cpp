#include "wizard_layout_file.h"

#include <cstdio>
#include <cstring>

namespace guider {
namespace {

LayoutChunkWriter g_chunkWriter;

bool WriteChunk(HANDLE file, const uint8_t* data, DWORD size) {
  if (g_chunkWriter) return g_chunkWriter(file, data, size);
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

void SetLayoutChunkWriter(LayoutChunkWriter writer) { g_chunkWriter = std::move(writer); }

std::string ProgramFolder() {
  char module[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string path(module, n);
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LayoutPathForName(const std::string& name, const std::string& programFolder) {
  bool hasFolder = name.find_first_of(":\\/") != std::string::npos;
  std::string path = hasFolder ? name : programFolder + name;
  // The extension: from the last dot of the file-name part.
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (IsSeparator(path[i]) || path[i] == ':') start = i + 1;
  size_t dot = path.find_last_of('.');
  size_t extLength = (dot == std::string::npos || dot < start) ? 0 : path.size() - dot;
  if (extLength < 2) path += ".jqc";
  return path;
}

std::string PickDefaultLayoutName(const std::string& programFolder) {
  for (int n = 1;; ++n) {
    std::string name = "Toolbar" + std::to_string(n);
    if (!Exists(programFolder + name + ".jqc")) return name;
  }
}

bool WriteLayoutBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  size_t slash = path.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  char temp[MAX_PATH] = {};
  if (!GetTempFileNameA(folder.c_str(), "jqg", 0, temp)) return false;
  HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteFileA(temp);
    return false;
  }
  // Written in pieces of at most 4 KiB; the first that fails ends the write.
  bool ok = true;
  for (size_t at = 0; ok && at < bytes.size(); at += 4096) {
    DWORD piece = static_cast<DWORD>(std::min<size_t>(4096, bytes.size() - at));
    ok = WriteChunk(file, bytes.data() + at, piece);
  }
  ok = CloseHandle(file) && ok;
  if (ok)
    ok = MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temp);
  return ok;
}

bool WriteWizardLayout(const std::string& path, WindowStyle style, const ToolSet& tools,
                       const DisplayNames& names) {
  return WriteLayoutBytes(path, BuildWizardLayout(style, tools, names));
}

}  // namespace guider
