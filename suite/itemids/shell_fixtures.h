// Test fixtures over the shell: shortcut files and list comparison.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

namespace fixtures {

// Writes a .lnk file at `lnkPath` whose target is the file-system path `target`, or, when
// `target` is empty, the item id list `list`. True on success.
inline bool WriteShortcut(const std::string& lnkPath, const std::string& target,
                          LPCITEMIDLIST list = nullptr) {
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  HRESULT hr = target.empty() ? link->SetIDList(list) : link->SetPath(target.c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) {
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, lnkPath.c_str(), -1, wide, MAX_PATH);
    hr = file->Save(wide, TRUE);
    file->Release();
  }
  link->Release();
  return SUCCEEDED(hr);
}

// True when two absolute lists name the same item (the desktop's CompareIDs).
inline bool SameItem(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return false;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return false;
  HRESULT hr = desktop->CompareIDs(0, a, b);
  desktop->Release();
  return SUCCEEDED(hr) && HRESULT_CODE(hr) == 0;
}

// The parsing name of an absolute list.
inline std::string ParsingName(LPCITEMIDLIST list) {
  char path[MAX_PATH] = "";
  if (!SHGetPathFromIDListA(list, path)) return "";
  return path;
}

}  // namespace fixtures
