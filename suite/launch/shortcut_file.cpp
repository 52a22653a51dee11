#include "shortcut_file.h"
#include <cstring>
#include <string>

namespace {
bool Given(const char* text) { return text && *text; }
}  // namespace

int CreateShortcutFile(const char* folder, const char* name, const char* targetPath,
                       const char* description, const char* arguments, const char* workingDirectory,
                       int showCommand, const char* iconPath, int iconIndex, LPCITEMIDLIST item) {
  if (!folder || !name) return 0;
  std::string file = folder;
  if (file.empty() || file.back() != '\\') file += '\\';
  file += name;
  file += ".lnk";
  if (file.size() >= MAX_PATH) return 0;

  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return 0;
  bool ok = true;
  if (item)
    ok = SUCCEEDED(link->SetIDList(item));
  else if (Given(targetPath))
    ok = SUCCEEDED(link->SetPath(targetPath));
  else
    ok = false;
  if (ok && Given(description)) link->SetDescription(description);
  if (ok && Given(arguments)) link->SetArguments(arguments);
  if (ok && Given(workingDirectory)) link->SetWorkingDirectory(workingDirectory);
  if (ok && Given(iconPath)) link->SetIconLocation(iconPath, iconIndex);
  if (ok) link->SetShowCmd(showCommand);

  int result = 0;
  IPersistFile* persist = nullptr;
  if (ok && SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
    WCHAR wide[MAX_PATH];
    if (MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH) &&
        SUCCEEDED(persist->Save(wide, TRUE))) {
      result = 1;
      SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, file.c_str(), nullptr);
    }
    persist->Release();
  }
  link->Release();
  return result;
}

void StripIllegalFileNameChars(char* name) {
  if (!name) return;
  char* out = name;
  for (char* in = name; *in; ++in) {
    // The second byte of a double-byte character may equal '\\' or '|': it stays with its lead.
    if (IsDBCSLeadByte(static_cast<BYTE>(*in)) && in[1]) {
      *out++ = *in++;
      *out++ = *in;
      continue;
    }
    if (!strchr("\\/:*?\"<>|", *in)) *out++ = *in;
  }
  *out = '\0';
}
