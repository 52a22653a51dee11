#include "pidl.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

IMalloc* volatile g_allocator = nullptr;

// Releases a COM interface when it goes.
template <class T>
struct Com {
  T* p = nullptr;
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
  explicit operator bool() const { return p != nullptr; }
};

USHORT ItemSize(LPCITEMIDLIST item) {
  USHORT cb;
  memcpy(&cb, &item->mkid.cb, sizeof cb);
  return cb;
}

// The path widened into a buffer of 520 wide characters; false when it does not fit.
bool Widen(const char* text, wchar_t (&wide)[520]) {
  if (!text) return false;
  return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 520) != 0;
}

bool EqualsNoCase(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

bool HasExtension(const char* path, const char* extension) {
  const char* dot = strrchr(path, '.');
  const char* slash = strrchr(path, '\\');
  return dot && (!slash || dot > slash) && EqualsNoCase(dot, extension);
}

// 992CFFA0-F557-101A-88EC-00DD010CCC48: the Dial-Up Networking folder.
const GUID kDialUpFolder = {0x992CFFA0, 0xF557, 0x101A, {0x88, 0xEC, 0x00, 0xDD, 0x01, 0x0C, 0xCC, 0x48}};

}  // namespace

IMalloc* GetShellAllocator() {
  if (!g_allocator) {
    // Worker threads may ask first; only one of two racing threads keeps its reference.
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) &&
        InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&g_allocator),
                                          allocator, nullptr) != nullptr)
      allocator->Release();
  }
  return g_allocator;
}

void SetShellAllocator(IMalloc* allocator) {
  if (g_allocator && g_allocator != allocator) g_allocator->Release();
  g_allocator = allocator;
}

UINT GetPidlSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = 2;
  for (LPCITEMIDLIST item = list; ItemSize(item) != 0; item = NextPidlItem(item))
    size += ItemSize(item);
  return size;
}

LPITEMIDLIST NextPidlItem(LPCITEMIDLIST item) {
  return reinterpret_cast<LPITEMIDLIST>(
      const_cast<BYTE*>(reinterpret_cast<const BYTE*>(item) + ItemSize(item)));
}

void* AllocShellMemory(UINT bytes) {
  IMalloc* allocator = GetShellAllocator();
  if (!allocator) return nullptr;
  void* block = allocator->Alloc(bytes);
  if (block) memset(block, 0, bytes);
  return block;
}

LPITEMIDLIST CopyPidl(IMalloc* allocator, LPCITEMIDLIST list) {
  if (!list || !allocator) return nullptr;
  UINT size = GetPidlSize(list);
  auto* copy = static_cast<LPITEMIDLIST>(allocator->Alloc(size));
  if (copy) memcpy(copy, list, size);
  return copy;
}

LPITEMIDLIST CombinePidls(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  UINT size1 = first ? GetPidlSize(first) - 2 : 0;
  UINT size2 = second ? GetPidlSize(second) : 2;
  auto* combined = static_cast<BYTE*>(AllocShellMemory(size1 + size2));
  if (!combined) return nullptr;
  if (size1) memcpy(combined, first, size1);
  if (second) memcpy(combined + size1, second, size2);  // else the zeroed terminator stays
  return reinterpret_cast<LPITEMIDLIST>(combined);
}

BOOL IsSameFirstItem(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a || !b) return FALSE;
  USHORT cb = ItemSize(a);
  if (cb != ItemSize(b)) return FALSE;
  if (cb == 0) return TRUE;
  return memcmp(a, b, cb) == 0;
}

void FreePidl(void* list) {
  if (!list) return;
  if (IMalloc* allocator = GetShellAllocator()) allocator->Free(list);
}

bool IsSpecialFolderPidl(LPCITEMIDLIST absolute, int csidl) {
  if (!absolute) return false;
  LPITEMIDLIST special = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &special)) || !special) return false;
  bool same = false;
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    HRESULT hr = desktop->CompareIDs(0, absolute, special);
    same = SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0;
    desktop->Release();
  }
  FreePidl(special);
  return same;
}

int GetDisplayNameText(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out,
                       int outSize) {
  if (!out || outSize <= 0) return 0;
  out[0] = '\0';
  if (!folder || !item) return 0;
  STRRET ret{};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &ret))) return 0;
  switch (ret.uType) {
    case STRRET_WSTR: {
      int n = ret.pOleStr ? WideCharToMultiByte(CP_ACP, 0, ret.pOleStr, -1, out, outSize,
                                                nullptr, nullptr)
                          : 0;
      // The string belongs to us now: it goes back to the shell allocator.
      if (ret.pOleStr) FreePidl(ret.pOleStr);
      if (n == 0) {
        out[0] = '\0';
        return 0;
      }
      return 1;
    }
    case STRRET_OFFSET: {
      // The text lies inside the item passed in; never read past the list's end.
      UINT size = GetPidlSize(item);
      if (ret.uOffset >= size) return 0;
      const char* text = reinterpret_cast<const char*>(item) + ret.uOffset;
      size_t available = size - ret.uOffset;
      size_t n = strnlen(text, available);
      if (n == available) return 0;  // not terminated inside the list
      lstrcpynA(out, text, outSize);
      return 1;
    }
    case STRRET_CSTR: {
      char text[sizeof ret.cStr + 1];
      memcpy(text, ret.cStr, sizeof ret.cStr);
      text[sizeof ret.cStr] = '\0';
      lstrcpynA(out, text, outSize);
      return 1;
    }
    default:
      return 0;
  }
}

LPITEMIDLIST MakeAbsolutePidl(IShellFolder* folder, LPCITEMIDLIST item) {
  if (!folder || !item) return nullptr;
  // The parsing name as wide text, so that names outside the ANSI code page survive.
  STRRET ret{};
  if (FAILED(folder->GetDisplayNameOf(item, SHGDN_FORPARSING, &ret))) return nullptr;
  wchar_t wide[520];
  if (FAILED(StrRetToBufW(&ret, item, wide, 520))) return nullptr;
  Com<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.out()))) return nullptr;
  LPITEMIDLIST parsed = nullptr;
  ULONG eaten = 0;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, &eaten, &parsed, nullptr)))
    return nullptr;
  LPITEMIDLIST copy = CopyPidl(GetShellAllocator(), parsed);
  CoTaskMemFree(parsed);
  return copy;
}

LPITEMIDLIST ParsePathToPidl(const char* path, IShellFolder* folder, ULONG* attributes) {
  wchar_t wide[520];
  if (!Widen(path, wide)) return nullptr;
  Com<IShellFolder> desktop;
  if (!folder) {
    if (FAILED(SHGetDesktopFolder(desktop.out()))) return nullptr;
    folder = desktop.p;
  }
  LPITEMIDLIST parsed = nullptr;
  ULONG eaten = 0;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, wide, &eaten, &parsed, attributes)) ||
      !parsed)
    return nullptr;
  LPITEMIDLIST copy = CopyPidl(GetShellAllocator(), parsed);
  CoTaskMemFree(parsed);
  return copy;
}

HRESULT GetShellFolderOfPath(const char* path, IShellFolder** folder) {
  if (!folder) return E_POINTER;
  *folder = nullptr;
  Com<IShellFolder> desktop;
  HRESULT hr = SHGetDesktopFolder(desktop.out());
  if (FAILED(hr)) return hr;
  wchar_t wide[520];
  if (!Widen(path, wide)) return E_INVALIDARG;
  LPITEMIDLIST parsed = nullptr;
  ULONG eaten = 0;
  hr = desktop->ParseDisplayName(nullptr, nullptr, wide, &eaten, &parsed, nullptr);
  if (FAILED(hr)) return hr;
  if (!parsed) return E_FAIL;
  if (ItemSize(parsed) == 0) {
    // The desktop itself: binding the empty list is not allowed.
    *folder = desktop.p;
    desktop.p = nullptr;
    hr = S_OK;
  } else {
    hr = desktop->BindToObject(parsed, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder));
    if (FAILED(hr)) *folder = nullptr;
  }
  CoTaskMemFree(parsed);
  return hr;
}

int GetShellIconIndex(const char* pathOrPidl, UINT flags) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(pathOrPidl, 0, &info, sizeof info, flags)) return 0;
  if ((flags & SHGFI_ICON) && info.hIcon) DestroyIcon(info.hIcon);
  return info.iIcon;
}

int GetPidlIconAndName(LPCITEMIDLIST absolute, int wantName, char* name) {
  UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
  bool withName = (wantName & 1) && name;
  if (withName) {
    flags |= SHGFI_DISPLAYNAME;
    name[0] = '\0';
  }
  SHFILEINFOA info{};
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  DWORD_PTR ok = SHGetFileInfoA(reinterpret_cast<const char*>(absolute), 0, &info, sizeof info, flags);
  SetErrorMode(previous);
  if (!ok) return 0;
  if (withName) lstrcpynA(name, info.szDisplayName, MAX_PATH);
  return info.iIcon;
}

void SetTreeItemIcons(LPCITEMIDLIST absolute, TVITEMA* item) {
  if (!item) return;
  const char* p = reinterpret_cast<const char*>(absolute);
  item->iImage = GetShellIconIndex(p, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  item->iSelectedImage =
      GetShellIconIndex(p, SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
  item->mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
}

int ResolveShortcutToPidl(const char* lnkPath, LPITEMIDLIST* target) {
  if (target) *target = nullptr;
  wchar_t wide[520];
  if (!Widen(lnkPath, wide)) return 0;
  Com<IShellLinkA> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(link.out()))))
    return 0;
  Com<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.out()))))
    return 0;
  if (FAILED(file->Load(wide, 0))) return 0;
  // No UI, any match, at most 300 ms of searching.
  if (link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (300u << 16)) != S_OK) return 0;
  LPITEMIDLIST list = nullptr;
  if (link->GetIDList(&list) != S_OK || !list) {
    if (list) CoTaskMemFree(list);
    return 0;
  }
  if (target) {
    *target = CopyPidl(GetShellAllocator(), list);
    CoTaskMemFree(list);
    return *target ? 1 : 0;
  }
  CoTaskMemFree(list);
  return 1;
}

int InvokeDefaultVerb(LPCITEMIDLIST absolute) {
  if (!absolute) return 0;
  // Only a connection inside the Dial-Up Networking folder: at least three items, the second
  // one 20 bytes carrying the folder's class id.
  LPCITEMIDLIST first = absolute;
  if (ItemSize(first) < 2) return 0;
  LPCITEMIDLIST second = NextPidlItem(first);
  if (ItemSize(second) != 20) return 0;
  LPCITEMIDLIST third = NextPidlItem(second);
  if (ItemSize(third) < 2) return 0;
  GUID clsid;
  memcpy(&clsid, reinterpret_cast<const BYTE*>(second) + 4, sizeof clsid);
  if (!IsEqualGUID(clsid, kDialUpFolder)) return 0;

  UINT parentSize = ItemSize(first) + 20;
  PidlPtr parent(static_cast<ITEMIDLIST*>(AllocShellMemory(parentSize + 2)));
  PidlPtr child(CopyPidl(GetShellAllocator(), third));
  if (!parent || !child) return 0;
  memcpy(parent.get(), first, parentSize);

  Com<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.out()))) return 0;
  Com<IShellFolder> folder;
  if (FAILED(desktop->BindToObject(parent.get(), nullptr, IID_IShellFolder,
                                   reinterpret_cast<void**>(folder.out()))))
    return 0;
  LPCITEMIDLIST items[1] = {child.get()};
  Com<IContextMenu> menu;
  if (FAILED(folder->GetUIObjectOf(nullptr, 1, items, IID_IContextMenu, nullptr,
                                   reinterpret_cast<void**>(menu.out()))))
    return 0;
  HMENU popup = CreatePopupMenu();
  if (!popup) return 0;
  int result = 0;
  if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_DEFAULTONLY))) {
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
      MENUITEMINFOA info{};
      info.cbSize = sizeof info;
      info.fMask = MIIM_STATE | MIIM_ID;
      if (!GetMenuItemInfoA(popup, i, TRUE, &info) || !(info.fState & MFS_DEFAULT)) continue;
      CMINVOKECOMMANDINFO invoke{};
      invoke.cbSize = sizeof invoke;
      invoke.lpVerb = MAKEINTRESOURCEA(info.wID - 1);
      invoke.nShow = SW_SHOWNORMAL;
      // The command's own result counts: a failed connection is no success.
      result = SUCCEEDED(menu->InvokeCommand(&invoke)) ? 1 : 0;
      break;
    }
  }
  DestroyMenu(popup);
  return result;
}

LPITEMIDLIST FollowShortcutChain(LPCITEMIDLIST absolute) {
  if (!absolute) return nullptr;
  Com<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.out()))) return nullptr;
  PidlPtr current(CopyPidl(GetShellAllocator(), absolute));
  std::vector<std::string> visited;
  for (int links = 0; current; ++links) {
    char name[MAX_PATH];
    if (!GetDisplayNameText(desktop.p, current.get(), SHGDN_FORPARSING, name) ||
        !HasExtension(name, ".lnk"))
      return current.release();
    if (links >= kMaxShortcutChain) return nullptr;
    for (const std::string& seen : visited)
      if (EqualsNoCase(seen.c_str(), name)) return nullptr;  // round a cycle
    visited.emplace_back(name);
    LPITEMIDLIST target = nullptr;
    if (!ResolveShortcutToPidl(name, &target)) return nullptr;
    current.reset(target);
  }
  return nullptr;
}

int OpenShellItem(LPCITEMIDLIST absolute) {
  if (!absolute) return 0;
  Com<IShellFolder> desktop;
  if (FAILED(SHGetDesktopFolder(desktop.out()))) return 0;
  char name[MAX_PATH];
  if (!GetDisplayNameText(desktop.p, absolute, SHGDN_FORPARSING, name) ||
      !HasExtension(name, ".lnk"))
    return InvokeDefaultVerb(absolute);
  PidlPtr target(FollowShortcutChain(absolute));
  if (!target) return 0;
  return InvokeDefaultVerb(target.get());
}
