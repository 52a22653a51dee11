#include "shortcut_reader.h"

#include <cstring>

namespace jqbar {

namespace {

// The show command as the file's header holds it (offset 0x3C of the 0x4C-byte header). Wine's
// link object does not hand back the stored value, so the header is read as well.
bool HeaderShowCommand(const char* path, int* show) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[0x4C] = {};
  DWORD read = 0;
  bool ok = ReadFile(file, header, sizeof header, &read, nullptr) && read == sizeof header;
  CloseHandle(file);
  if (!ok || header[0] != 0x4C || header[1] || header[2] || header[3]) return false;
  int value = header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
  if (value != SW_SHOWNORMAL && value != SW_SHOWMAXIMIZED && value != SW_SHOWMINNOACTIVE) return false;
  *show = value;
  return true;
}

}  // namespace

bool ReadShortcutFile(const char* lnkPath, ShortcutParts* out, bool allowEmptyTarget) {
  *out = ShortcutParts{};
  const char* file = std::strrchr(lnkPath, '\\');
  file = file ? file + 1 : lnkPath;
  out->baseName = file;
  std::size_t dot = out->baseName.rfind('.');
  if (dot != std::string::npos && dot > 0) out->baseName.erase(dot);

  bool read = false;
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* persist = nullptr;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
        MultiByteToWideChar(CP_ACP, 0, lnkPath, -1, wide, MAX_PATH) &&
        SUCCEEDED(persist->Load(wide, STGM_READ))) {
      char text[MAX_PATH * 2] = {};
      if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) text[0] = 0;
      text[MAX_PATH - 1] = 0;
      if (text[0] || allowEmptyTarget) {
        out->target = text;
        int show = SW_SHOWNORMAL;
        if (SUCCEEDED(link->GetShowCmd(&show))) out->showCommand = show;
        if (HeaderShowCommand(lnkPath, &show)) out->showCommand = show;
        text[0] = 0;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) out->startIn = (text[MAX_PATH - 1] = 0, text);
        text[0] = 0;
        if (SUCCEEDED(link->GetArguments(text, sizeof text))) out->arguments = (text[sizeof text - 1] = 0, text);
        text[0] = 0;
        int index = 0;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
          text[MAX_PATH - 1] = 0;
          out->iconFile = text;
          out->iconIndex = index;
        }
        LPITEMIDLIST list = nullptr;
        if (SUCCEEDED(link->GetIDList(&list))) out->idList = list;
        read = true;
      }
    }
    if (persist) persist->Release();
    link->Release();
  }
  if (!read) {
    out->target = lnkPath;
    out->showCommand = 1;
  }
  return true;
}

}  // namespace jqbar
