#include "shell_helpers.h"

#include <cstring>
#include <string>

namespace jqbar {
namespace {

template <typename T>
struct Com {
  T* p = nullptr;
  ~Com() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
};

void CopyText(std::string* out, const char* text) { out->assign(text, strnlen(text, MAX_PATH)); }

bool HasLnkExtension(const char* path) {
  std::size_t n = strlen(path);
  return n >= 4 && lstrcmpiA(path + n - 4, ".lnk") == 0;
}

}  // namespace

int GetItemDisplayName(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out) {
  return GetDisplayNameText(folder, item, flags, out, kItemDisplayNameSize);
}

LPITEMIDLIST CopyFirstIdItem(IMalloc* allocator, LPCITEMIDLIST list) {
  if (!list) return nullptr;
  if (!allocator) allocator = GetShellAllocator();
  if (!allocator) return nullptr;
  USHORT cb = list->mkid.cb;
  auto* copy = static_cast<BYTE*>(allocator->Alloc(cb + 2u));
  if (!copy) return nullptr;
  memcpy(copy, list, cb);
  // A one-item list: the copy ends with its own terminator, whatever followed the item.
  copy[cb] = copy[cb + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(copy);
}

LPITEMIDLIST PathToIdList(IMalloc* allocator, const char* path, IShellFolder* folder) {
  if (!path) return nullptr;
  if (!allocator) allocator = GetShellAllocator();
  Com<IShellFolder> desktop;
  if (!folder) {
    if (FAILED(SHGetDesktopFolder(desktop.out()))) return nullptr;
    folder = desktop.p;
  }
  char expanded[MAX_PATH] = {};
  DWORD n = ExpandEnvironmentStringsA(path, expanded, MAX_PATH);
  const char* text = (n && n <= MAX_PATH) ? expanded : path;
  WCHAR wide[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH)) return nullptr;
  ULONG eaten = 0;
  LPITEMIDLIST parsed = nullptr;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, wide, &eaten, &parsed, nullptr)) || !parsed)
    return nullptr;
  LPITEMIDLIST copy = CopyPidl(allocator, parsed);
  allocator->Free(parsed);
  return copy;
}

int IsSameIdList(LPCITEMIDLIST a, LPCITEMIDLIST b, IShellFolder* folder) {
  if (!a || !b || !folder) return 0;
  PidlPtr copyA(CopyPidl(GetShellAllocator(), a));
  PidlPtr copyB(CopyPidl(GetShellAllocator(), b));
  if (!copyA || !copyB) return 0;
  HRESULT hr = folder->CompareIDs(0, copyA.get(), copyB.get());
  return SUCCEEDED(hr) && (hr & 0xFFFF) == 0 ? 1 : 0;
}

int ConnectDialUpItem(LPCITEMIDLIST absolute) {
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  int result = InvokeDefaultVerb(absolute);
  SetErrorMode(previous);
  return result;
}

int ConnectDialUpShortcut(const char* path) {
  if (!path || !HasLnkExtension(path)) return 0;
  ShortcutInfo info;
  ReadShortcutFile(path, &info, true);
  return info.item ? ConnectDialUpItem(info.item.get()) : 0;
}

// The show command as the file's header holds it (offset 0x3C of the 0x4C-byte header). Wine's
// link object does not hand back the stored value, so the header is read as well.
static bool HeaderShowCommand(const char* path, int* show) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
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

int ReadShortcutFile(const char* path, ShortcutInfo* info, bool allowEmptyTarget) {
  if (!info) return 1;
  *info = ShortcutInfo{};
  if (!path) return 1;
  const char* base = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
  info->baseName = base;
  std::size_t dot = info->baseName.rfind('.');
  if (dot != std::string::npos) info->baseName.resize(dot);

  auto unreadable = [&] {
    info->target = path;
    info->showCommand = SW_SHOWNORMAL;
    return 1;
  };
  Com<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(link.out()))))
    return unreadable();
  Com<IPersistFile> file;
  WCHAR wide[MAX_PATH];
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) ||
      !MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) || FAILED(file->Load(wide, STGM_READ)))
    return unreadable();
  char text[MAX_PATH] = {};
  if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) text[0] = 0;
  text[MAX_PATH - 1] = 0;
  if (!text[0] && !allowEmptyTarget) return unreadable();
  CopyText(&info->target, text);
  int show = SW_SHOWNORMAL;
  if (SUCCEEDED(link->GetShowCmd(&show))) info->showCommand = show;
  if (HeaderShowCommand(path, &show)) info->showCommand = show;
  text[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH))) {
    text[MAX_PATH - 1] = 0;
    CopyText(&info->startIn, text);
  }
  text[0] = 0;
  if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) {
    text[MAX_PATH - 1] = 0;
    CopyText(&info->arguments, text);
  }
  text[0] = 0;
  int index = 0;
  if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &index))) {
    text[MAX_PATH - 1] = 0;
    CopyText(&info->iconFile, text);
    info->iconIndex = index;
  }
  LPITEMIDLIST item = nullptr;
  if (SUCCEEDED(link->GetIDList(&item)) && item) {
    // The link hands out a list from the task allocator; keep a copy from ours.
    info->item.reset(CopyPidl(GetShellAllocator(), item));
    CoTaskMemFree(item);
  }
  return 1;
}

}  // namespace jqbar
