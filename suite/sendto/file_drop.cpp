// Drops carried out by the suite on file-system folders, shortcuts and programs.
#include "file_drop.h"
#include "drop_menu_ids.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <atomic>
#include <cstring>

#include "com_object.h"
#include "pidl.h"
#include "seams.h"

namespace {

std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  std::string p = WithoutTrailingSlash(path);
  size_t slash = p.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  std::string parent = p.substr(0, slash);
  if (parent.size() == 2 && parent[1] == ':') parent += '\\';
  return parent;
}

std::string NameOf(const std::string& path) {
  std::string p = WithoutTrailingSlash(path);
  size_t slash = p.find_last_of("\\/");
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
  size_t n = strlen(suffix);
  return text.size() > n && lstrcmpiA(text.c_str() + text.size() - n, suffix) == 0;
}

bool IsProgramPath(const std::string& path) {
  return EndsWithNoCase(path, ".exe") || EndsWithNoCase(path, ".com") || EndsWithNoCase(path, ".bat") ||
         EndsWithNoCase(path, ".cmd");
}

// A free name in `folder` made of the stem, " (n)" from 2 on, and the extension.
std::string FreeName(const std::string& folder, const std::string& stem, const std::string& extension) {
  std::string candidate = Join(folder, stem + extension);
  for (int n = 2; Exists(candidate) && n < 10000; ++n)
    candidate = Join(folder, stem + " (" + std::to_string(n) + ")" + extension);
  return candidate;
}

// The volume a path lies on: "c:" or "\\server\share" (lower case).
std::string VolumeOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return Lower(path.substr(0, 2));
  if (path.rfind("\\\\", 0) == 0) {
    size_t server = path.find('\\', 2);
    if (server == std::string::npos) return Lower(path);
    size_t share = path.find('\\', server + 1);
    return Lower(path.substr(0, share));
  }
  return Lower(path);
}

std::vector<char> DoubleNulList(const std::vector<std::string>& paths) {
  std::vector<char> list;
  for (const std::string& path : paths) {
    list.insert(list.end(), path.begin(), path.end());
    list.push_back('\0');
  }
  list.push_back('\0');
  return list;
}

bool ReadHdrop(IDataObject* data, std::vector<std::string>* paths) {
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return false;
  bool any = false;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
    HDROP drop = static_cast<HDROP>(medium.hGlobal);
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char path[MAX_PATH] = {};
      if (DragQueryFileA(drop, i, path, MAX_PATH) && path[0]) {
        paths->push_back(path);
        any = true;
      }
    }
  }
  ReleaseStgMedium(&medium);
  return any;
}

// CIDA: a count, count + 1 offsets; the first list is the parent folder's absolute list, the
// others are relative to it. Every offset and list is checked against the block's size.
bool ReadIdListArray(IDataObject* data, std::vector<std::string>* paths) {
  static const CLIPFORMAT kFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Shell IDList Array"));
  FORMATETC format{kFormat, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return false;
  bool any = false;
  if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
    SIZE_T size = GlobalSize(medium.hGlobal);
    auto* bytes = static_cast<const BYTE*>(GlobalLock(medium.hGlobal));
    if (bytes && size >= sizeof(UINT)) {
      UINT count = 0;
      memcpy(&count, bytes, sizeof count);
      auto listAt = [&](UINT index) -> LPCITEMIDLIST {
        SIZE_T slot = sizeof(UINT) * (1 + static_cast<SIZE_T>(index));
        if (slot + sizeof(UINT) > size) return nullptr;
        UINT offset = 0;
        memcpy(&offset, bytes + slot, sizeof offset);
        SIZE_T at = offset;
        // Walk the list within the block: every item's size must fit, ending with a 0 cb.
        while (at + sizeof(USHORT) <= size) {
          USHORT cb = 0;
          memcpy(&cb, bytes + at, sizeof cb);
          if (cb == 0) return reinterpret_cast<LPCITEMIDLIST>(bytes + offset);
          if (cb < sizeof(USHORT) || at + cb > size) return nullptr;
          at += cb;
        }
        return nullptr;
      };
      if (count < 0x10000 && sizeof(UINT) * (2 + static_cast<SIZE_T>(count)) <= size) {
        LPCITEMIDLIST parent = listAt(0);
        for (UINT i = 1; parent && i <= count; ++i) {
          LPCITEMIDLIST child = listAt(i);
          if (!child) continue;
          PidlPtr absolute(CombinePidls(parent, child));
          char path[MAX_PATH] = {};
          if (absolute && SHGetPathFromIDListA(absolute.get(), path) && path[0]) {
            paths->push_back(path);
            any = true;
          }
        }
      }
    }
    if (bytes) GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return any;
}

bool ResolveLink(const std::string& lnk, std::string* target, std::string* arguments) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  bool resolved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    if (SUCCEEDED(file->Load(wide, STGM_READ))) {
      char path[MAX_PATH] = {};
      char args[1024] = {};
      if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY)) && path[0]) {
        *target = path;
        resolved = true;
      }
      if (arguments && SUCCEEDED(link->GetArguments(args, sizeof args))) *arguments = args;
    }
  }
  if (file) file->Release();
  if (link) link->Release();
  return resolved;
}

bool MakeLink(const std::string& target, const std::string& linkPath) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    link->SetPath(target.c_str());
    std::string folder = ParentOf(target);
    if (!folder.empty()) link->SetWorkingDirectory(folder.c_str());
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
    saved = SUCCEEDED(file->Save(wide, TRUE));
  }
  if (file) file->Release();
  if (link) link->Release();
  if (saved) SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA, linkPath.c_str(), nullptr);
  return saved;
}

std::string LoadText(UINT id) {
  char text[256] = "";
  return LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text) > 0 ? text : "";
}

// The drop target behind CreatePathDropTarget.
class PathDropTarget : public ComObject<IDropTarget, IID_IDropTarget> {
 public:
  enum Kind { kFolder, kProgram };
  PathDropTarget(HWND owner, Kind kind, std::string place, std::string arguments)
      : owner_(owner), kind_(kind), place_(std::move(place)), arguments_(std::move(arguments)) {}

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL, DWORD* effect) override {
    paths_.clear();
    rightButton_ = (keys & MK_RBUTTON) != 0;
    if (!effect) return E_INVALIDARG;
    if (!data || !ReadDroppedPaths(data, &paths_)) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    *effect = Choose(keys, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL, DWORD* effect) override {
    if (keys & (MK_LBUTTON | MK_RBUTTON)) rightButton_ = (keys & MK_RBUTTON) != 0;
    if (!effect) return E_INVALIDARG;
    *effect = paths_.empty() ? DROPEFFECT_NONE : Choose(keys, *effect);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override {
    paths_.clear();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override {
    if (!effect) return E_INVALIDARG;
    std::vector<std::string> paths;
    if (!data || !ReadDroppedPaths(data, &paths)) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    paths_ = paths;
    DWORD chosen = Choose(keys, *effect);
    // A drag with the right button asks what to do, the usual choice first.
    if (rightButton_ && kind_ == kFolder && chosen != DROPEFFECT_NONE) {
      DWORD allowed = DROPEFFECT_NONE;
      for (DWORD each : {DROPEFFECT_MOVE, DROPEFFECT_COPY, DROPEFFECT_LINK})
        if ((*effect & each) && !FolderDropRefusal(paths_, place_, each)) allowed |= each;
      chosen = AskDropEffect(owner_, point, allowed, chosen);
    }
    rightButton_ = false;
    paths_.clear();
    if (chosen == DROPEFFECT_NONE) {
      *effect = DROPEFFECT_NONE;
      return S_OK;
    }
    if (kind_ == kProgram) {
      *effect = RunProgramWithPaths(owner_, place_, arguments_, paths) ? DROPEFFECT_COPY : DROPEFFECT_NONE;
      return S_OK;
    }
    *effect = PerformFolderDrop(owner_, paths, place_, chosen);
    return S_OK;
  }

 private:
  DWORD Choose(DWORD keys, DWORD allowed) const {
    if (kind_ == kProgram) return (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : allowed & DROPEFFECT_LINK;
    DWORD chosen = ChooseDropEffect(keys, allowed, SameVolume(paths_, place_));
    if (FolderDropRefusal(paths_, place_, chosen)) return DROPEFFECT_NONE;
    return chosen;
  }

  bool rightButton_ = false;
  HWND owner_;
  Kind kind_;
  std::string place_, arguments_;
  std::vector<std::string> paths_;
};

}  // namespace

DWORD AskDropEffect(HWND owner, POINTL point, DWORD allowed, DWORD usual) {
  static const struct {
    DWORD effect;
    UINT text;
  } kChoices[] = {{DROPEFFECT_MOVE, IDS_DROP_MENU_MOVE},
                  {DROPEFFECT_COPY, IDS_DROP_MENU_COPY},
                  {DROPEFFECT_LINK, IDS_DROP_MENU_LINK}};
  // A program without the menu's texts drops as a left-button drag would.
  if (LoadText(IDS_DROP_MENU_CANCEL).empty()) return usual;
  HMENU menu = CreatePopupMenu();
  if (!menu) return usual;
  for (const auto& choice : kChoices) {
    if (!(allowed & choice.effect)) continue;
    AppendMenuA(menu, MF_STRING, choice.effect, LoadText(choice.text).c_str());
    if (choice.effect == usual) SetMenuDefaultItem(menu, choice.effect, FALSE);
  }
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(menu, MF_STRING, kDropMenuCancel, LoadText(IDS_DROP_MENU_CANCEL).c_str());
  HWND window = owner && IsWindow(owner) ? owner : GetForegroundWindow();
  if (window) SetForegroundWindow(window);
  UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y,
                                                  0, window, nullptr));
  DestroyMenu(menu);
  return chosen == DROPEFFECT_MOVE || chosen == DROPEFFECT_COPY || chosen == DROPEFFECT_LINK ? chosen
                                                                                            : DROPEFFECT_NONE;
}

bool ReadDroppedPaths(IDataObject* data, std::vector<std::string>* paths) {
  if (!data || !paths) return false;
  paths->clear();
  if (ReadHdrop(data, paths)) return true;
  paths->clear();
  return ReadIdListArray(data, paths);
}

DWORD ChooseDropEffect(DWORD keys, DWORD allowed, bool sameVolume) {
  bool control = (keys & MK_CONTROL) != 0;
  bool shift = (keys & MK_SHIFT) != 0;
  bool alt = (keys & MK_ALT) != 0;
  DWORD wanted;
  if ((control && shift) || alt)
    wanted = DROPEFFECT_LINK;
  else if (control)
    wanted = DROPEFFECT_COPY;
  else if (shift)
    wanted = DROPEFFECT_MOVE;
  else
    wanted = sameVolume ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
  if (allowed & wanted) return wanted;
  // A chosen key that the source does not allow gives no drop; with no key held the first
  // allowed effect is taken.
  if (control || shift || alt) return DROPEFFECT_NONE;
  for (DWORD each : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK})
    if (allowed & each) return each;
  return DROPEFFECT_NONE;
}

bool SameVolume(const std::vector<std::string>& paths, const std::string& folder) {
  std::string volume = VolumeOf(folder);
  for (const std::string& path : paths)
    if (VolumeOf(path) != volume) return false;
  return !paths.empty();
}

int FolderDropRefusal(const std::vector<std::string>& paths, const std::string& folder, DWORD effect) {
  std::string target = Lower(WithoutTrailingSlash(folder));
  bool allInFolder = !paths.empty();
  for (const std::string& each : paths) {
    std::string path = Lower(WithoutTrailingSlash(each));
    if (target == path) return 1;
    if (target.size() > path.size() && target.compare(0, path.size(), path) == 0 &&
        (target[path.size()] == '\\' || path.back() == '\\'))
      return 1;
    if (Lower(ParentOf(path)) != target) allInFolder = false;
  }
  if (effect == DROPEFFECT_MOVE && allInFolder) return 2;
  return 0;
}

DWORD PerformFolderDrop(HWND owner, const std::vector<std::string>& paths, const std::string& folder,
                        DWORD effect) {
  if (paths.empty() || !IsFolder(folder) || FolderDropRefusal(paths, folder, effect)) return DROPEFFECT_NONE;
  if (effect == DROPEFFECT_LINK) {
    bool any = false;
    for (const std::string& path : paths) {
      std::string name = NameOf(path);
      if (name.size() == 2 && name[1] == ':') name = std::string("Drive ") + name[0];
      any = MakeLink(path, FreeName(folder, name, ".lnk")) || any;
    }
    return any ? DROPEFFECT_LINK : DROPEFFECT_NONE;
  }
  if (effect != DROPEFFECT_COPY && effect != DROPEFFECT_MOVE) return DROPEFFECT_NONE;
  // Every file goes to its own destination name: the same name in the folder, or for a copy
  // into the folder it comes from, a numbered free name next to it.
  std::vector<std::string> targets;
  std::string target = Lower(WithoutTrailingSlash(folder));
  for (const std::string& path : paths) {
    std::string name = NameOf(path);
    if (effect == DROPEFFECT_COPY && Lower(ParentOf(path)) == target) {
      size_t dot = name.find_last_of('.');
      bool hasExtension = dot != std::string::npos && dot > 0 && !IsFolder(path);
      targets.push_back(FreeName(folder, hasExtension ? name.substr(0, dot) : name,
                                 hasExtension ? name.substr(dot) : std::string()));
    } else {
      targets.push_back(Join(folder, name));
    }
  }
  std::vector<char> from = DoubleNulList(paths);
  std::vector<char> to = DoubleNulList(targets);
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = owner;
  operation.wFunc = effect == DROPEFFECT_MOVE ? FO_MOVE : FO_COPY;
  operation.pFrom = from.data();
  operation.pTo = to.data();
  operation.fFlags = FOF_ALLOWUNDO | FOF_MULTIDESTFILES | FOF_NOCONFIRMMKDIR;
  if (SHFileOperationA(&operation) != 0 || operation.fAnyOperationsAborted) {
    // Part of the work may be done: the watchers see what changed; the drop reports none.
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, folder.c_str(), nullptr);
    return DROPEFFECT_NONE;
  }
  SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA, folder.c_str(), nullptr);
  return effect;
}

bool RunProgramWithPaths(HWND owner, const std::string& program, const std::string& arguments,
                         const std::vector<std::string>& paths) {
  std::string parameters = arguments;
  for (const std::string& path : paths) {
    if (!parameters.empty()) parameters += ' ';
    parameters += '"' + path + '"';
  }
  std::string directory = ParentOf(program);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) != FALSE;
}

IDropTarget* CreatePathDropTarget(HWND owner, const char* path) {
  if (!path || !path[0]) return nullptr;
  std::string place = path;
  std::string arguments;
  if (EndsWithNoCase(place, ".lnk") && !IsFolder(place)) {
    std::string target;
    if (!ResolveLink(place, &target, &arguments)) return nullptr;
    place = target;
  }
  if (IsFolder(place)) return new PathDropTarget(owner, PathDropTarget::kFolder, place, std::string());
  if (IsProgramPath(place) && Exists(place))
    return new PathDropTarget(owner, PathDropTarget::kProgram, place, arguments);
  return nullptr;
}

std::string DropPlaceOfItem(IShellFolder* folder, LPCITEMIDLIST item) {
  if (!folder || !item) return std::string();
  char name[MAX_PATH] = {};
  if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, name, MAX_PATH) || !name[0]) return std::string();
  std::string path = name;
  if (IsFolder(path) || (EndsWithNoCase(path, ".lnk") && Exists(path)) || (IsProgramPath(path) && Exists(path)))
    return path;
  return std::string();
}
