#include "drag_out.h"

#include <shlobj.h>

#include "drop_objects.h"
#include "pidl.h"

namespace jqbar {

std::string DragOutFolder() {
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH) return "";
  std::string folder = temp;
  if (folder.back() == '\\') folder.pop_back();
  std::string ours = folder + "\\~JQTEMP";
  CreateDirectoryA(ours.c_str(), nullptr);
  DWORD attributes = GetFileAttributesA(ours.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return ours;
  return folder;
}

std::string ShortcutAsStored(const std::string& lnkPath) {
  if (lnkPath.size() < 4 || GetFileAttributesA(lnkPath.c_str()) != INVALID_FILE_ATTRIBUTES) return lnkPath;
  std::string pif = lnkPath.substr(0, lnkPath.size() - 4) + ".pif";
  DWORD attributes = GetFileAttributesA(pif.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? pif : lnkPath;
}

IDataObject* DataObjectOfFile(const std::string& folder, const std::string& name) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  IDataObject* data = nullptr;
  LPITEMIDLIST folderList = ParsePathToPidl(folder.c_str(), nullptr, nullptr);
  IShellFolder* shellFolder = nullptr;
  if (folderList &&
      SUCCEEDED(desktop->BindToObject(folderList, nullptr, IID_IShellFolder,
                                      reinterpret_cast<void**>(&shellFolder)))) {
    LPITEMIDLIST item = ParsePathToPidl(name.c_str(), shellFolder, nullptr);
    if (item) {
      LPCITEMIDLIST items[1] = {item};
      shellFolder->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr,
                                 reinterpret_cast<void**>(&data));
      FreePidl(item);
    }
    shellFolder->Release();
  }
  FreePidl(folderList);
  desktop->Release();
  return data;
}

DWORD DragOutFile(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 >= path.size()) {
    DeleteFileA(path.c_str());
    return DROPEFFECT_NONE;
  }
  // A drive root keeps its backslash.
  std::string folder = path.substr(0, cut == 2 ? 3 : cut);
  IDataObject* data = DataObjectOfFile(folder, path.substr(cut + 1));
  IDropSource* source = data ? CreatePanelDropSource() : nullptr;
  DWORD effect = DROPEFFECT_NONE;
  HRESULT hr = E_FAIL;
  if (data && source) hr = DoDragDrop(data, source, DROPEFFECT_COPY, &effect);
  if (source) source->Release();
  if (data) data->Release();
  if (hr != DRAGDROP_S_DROP) effect = DROPEFFECT_NONE;
  if (effect == DROPEFFECT_NONE) DeleteFileA(path.c_str());
  return effect;
}

}  // namespace jqbar
