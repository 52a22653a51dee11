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
static bool HeaderShowCommand(const unsigned char* header, std::size_t size, int* show) {
  if (size < 0x4C || header[0] != 0x4C || header[1] || header[2] || header[3]) return false;
  int value = header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | header[0x3F] << 24;
  if (value != SW_SHOWNORMAL && value != SW_SHOWMAXIMIZED && value != SW_SHOWMINNOACTIVE) return false;
  *show = value;
  return true;
}

// The whole of a shortcut file in a memory stream (a shortcut is a few hundred bytes; a file
// past 64 KiB is left to the link object's own reader). One read of the file serves both the
// link object and the header.
static IStream* ReadShortcutBytes(const char* path, std::string* bytes) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  constexpr DWORD kMost = 64 * 1024;
  DWORD size = GetFileSize(file, nullptr);
  DWORD read = 0;
  bool ok = size != INVALID_FILE_SIZE && size > 0 && size <= kMost;
  if (ok) {
    bytes->resize(size);
    ok = ReadFile(file, bytes->data(), size, &read, nullptr) && read == size;
  }
  CloseHandle(file);
  if (!ok) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  if (void* at = GlobalLock(memory)) {
    memcpy(at, bytes->data(), size);
    GlobalUnlock(memory);
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  return stream;
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
  std::string bytes;
  Com<IStream> stream;
  stream.p = ReadShortcutBytes(path, &bytes);
  Com<IPersistStream> persistStream;
  bool loaded = stream.p &&
                SUCCEEDED(link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(persistStream.out()))) &&
                SUCCEEDED(persistStream->Load(stream.p));
  // Loaded from its file, the link object also tries the stored relative path when the target
  // is not where the absolute one says: a missing target is read that way.
  auto loadFromFile = [&] {
    Com<IPersistFile> file;
    WCHAR wide[MAX_PATH];
    return SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))) &&
           MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) && SUCCEEDED(file->Load(wide, STGM_READ));
  };
  if (!loaded && !loadFromFile()) return unreadable();
  char text[MAX_PATH] = {};
  if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) text[0] = 0;
  text[MAX_PATH - 1] = 0;
  if (loaded && text[0] && GetFileAttributesA(text) == INVALID_FILE_ATTRIBUTES) {
    if (!loadFromFile()) return unreadable();
    text[0] = 0;
    if (FAILED(link->GetPath(text, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) text[0] = 0;
    text[MAX_PATH - 1] = 0;
  }
  if (!text[0] && !allowEmptyTarget) return unreadable();
  CopyText(&info->target, text);
  int show = SW_SHOWNORMAL;
  if (SUCCEEDED(link->GetShowCmd(&show))) info->showCommand = show;
  if (HeaderShowCommand(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &show))
    info->showCommand = show;
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
