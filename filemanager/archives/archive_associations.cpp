// Registering the archive file types.
#include "archive_associations.h"
#include <shlobj.h>
#include <cstring>
#include <string>
#include "history_keys.h"

const char* const kAssociatedExtensions[16] = {".zip", ".z",   ".gz",  ".tar", ".taz", ".tgz", ".lzh", ".lha",
                                               ".arj", ".zoo", ".cab", ".arc", ".ark", ".pak", ".dwc", ".rar"};

namespace {

constexpr const char* kProgId = "Quorvanel.Archive";
constexpr const char* kDropHandler = "{26E7F082-EB97-11d3-9239-006008D2D00F}";
constexpr const char* kZipExtension = "{26E7F081-EB97-11d3-9239-006008D2D00F}";

void DeleteSubkeysRecursive(HKEY key) {
  for (;;) {
    char name[300];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return;
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, &child) == ERROR_SUCCESS) {
      DeleteSubkeysRecursive(child);
      RegCloseKey(child);
    }
    if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) return;
  }
}

// Creates path\subkey (path empty: subkey under the root) and writes one value.
void Put(HKEY root, const std::string& path, const std::string& subkey, const char* value, const std::string& text) {
  if (OpenRegKeyAndCreateSubkey(root, path.empty() ? nullptr : path.c_str(), subkey.c_str()))
    WriteHistoryString(value, text.c_str());
}

bool Reads(HKEY root, const std::string& path, const char* value, const std::string& expected) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  char data[MAX_PATH + 40] = "";
  DWORD size = sizeof data - 1, type = 0;
  bool ok = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
            type == REG_SZ && expected == data;
  RegCloseKey(key);
  return ok;
}

void WriteProgId(HKEY root, const std::string& folder) {
  Put(root, "", kProgId, nullptr, kProgId);
  Put(root, kProgId, "DefaultIcon", nullptr, folder + "\\JQNavig.exe,4");
  Put(root, kProgId, "shell\\open\\command", nullptr, folder + "\\JQNavig.exe %1");
}

}  // namespace

void DeleteRegKeyTree(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    DeleteSubkeysRecursive(key);
    RegCloseKey(key);
  }
  RegDeleteKeyA(root, path);
}

int WriteArchiveAssociations(HKEY root, const char* folderText, int zipPart, int otherExtensions) {
  std::string folder = folderText ? folderText : "";
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (folder.size() == 3 && folder.back() == '\\') folder.pop_back();
  const std::string drop = std::string("CLSID\\") + kDropHandler;
  const std::string ext = std::string("CLSID\\") + kZipExtension;
  if (zipPart) {
    DeleteRegKeyTree(root, ".zip");
    Put(root, "", ".zip", nullptr, kProgId);
    WriteHistoryString("Content Type", "application/zip");
    Put(root, "", drop, nullptr, kProgId);
    Put(root, drop, "AuxUserType\\2", nullptr, kProgId);
    DeleteRegKeyTree(root, kProgId);
    WriteProgId(root, folder);
    Put(root, kProgId, "shellex\\DropHandler", nullptr, kDropHandler);
    Put(root, drop, "InProcServer32", nullptr, folder + "\\JQShExt.dll");
    WriteHistoryString("ThreadingModel", "Apartment");
    Put(root, "", ext, nullptr, "Quorvanel ZIP Extension");
    Put(root, ext, "InProcServer32", nullptr, folder + "\\jqshext.dll");
    WriteHistoryString("ThreadingModel", "Apartment");
    CloseHistoryKeys();
  }
  if (otherExtensions) {
    WriteProgId(root, folder);
    for (int i = 1; i < 16; ++i) {
      const char* extension = kAssociatedExtensions[i];
      DeleteRegKeyTree(root, extension);
      Put(root, "", extension, nullptr, kProgId);
      WriteHistoryString("Content Type", (std::string("application/") + (extension + 1)).c_str());
      CloseHistoryKeys();
    }
  }
  CloseHistoryKeys();
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
  // Every key the user relies on reads back as written; a failure is reported by the caller.
  bool ok = Reads(root, kProgId, nullptr, kProgId) &&
            Reads(root, std::string(kProgId) + "\\shell\\open\\command", nullptr, folder + "\\JQNavig.exe %1");
  if (zipPart) ok = ok && Reads(root, ".zip", nullptr, kProgId) && Reads(root, drop + "\\InProcServer32", nullptr, folder + "\\JQShExt.dll");
  if (otherExtensions)
    for (int i = 1; i < 16; ++i) ok = ok && Reads(root, kAssociatedExtensions[i], nullptr, kProgId);
  return ok ? 1 : 0;
}

void RemoveArchiveAssociations(HKEY root) {
  for (const char* extension : kAssociatedExtensions)
    if (Reads(root, extension, nullptr, kProgId)) DeleteRegKeyTree(root, extension);
  DeleteRegKeyTree(root, kProgId);
  DeleteRegKeyTree(root, (std::string("CLSID\\") + kDropHandler).c_str());
  DeleteRegKeyTree(root, (std::string("CLSID\\") + kZipExtension).c_str());
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSH, nullptr, nullptr);
}
