// Item-id list services: names, icons, sizes, copies, parsing and binding.
#include "item_ids.h"

#include <shellapi.h>

#include <atomic>
#include <string>

namespace {
std::atomic<IMalloc*> allocator{nullptr};
std::atomic<IShellFolder*> desktop{nullptr};
}  // namespace

BOOL InitItemIdServices() {
  if (!allocator) {
    IMalloc* m = nullptr;
    if (FAILED(SHGetMalloc(&m)) || !m) return FALSE;
    IMalloc* none = nullptr;
    if (!allocator.compare_exchange_strong(none, m)) m->Release();
  }
  if (!desktop) {
    IShellFolder* d = nullptr;
    if (FAILED(SHGetDesktopFolder(&d)) || !d) return FALSE;
    IShellFolder* none = nullptr;
    if (!desktop.compare_exchange_strong(none, d)) d->Release();
  }
  return TRUE;
}

void EndItemIdServices() {
  if (IShellFolder* d = desktop.exchange(nullptr)) d->Release();
  if (IMalloc* m = allocator.exchange(nullptr)) m->Release();
}

IMalloc* ShellAllocator() {
  if (!allocator) InitItemIdServices();
  return allocator;
}

IShellFolder* DesktopFolder() {
  if (!desktop) InitItemIdServices();
  return desktop;
}

BOOL GetDisplayNameText(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out) {
  if (!out) return FALSE;
  out[0] = 0;
  if (!folder || !item) return FALSE;
  STRRET name{};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &name))) return FALSE;
  switch (name.uType) {
    case STRRET_WSTR: {
      int n = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, out, MAX_PATH, nullptr, nullptr);
      CoTaskMemFree(name.pOleStr);
      if (n <= 0) {
        out[0] = 0;
        return FALSE;
      }
      out[MAX_PATH - 1] = 0;
      return TRUE;
    }
    case STRRET_OFFSET: {
      UINT size = item->mkid.cb;
      if (name.uOffset >= size) return FALSE;
      const char* text = reinterpret_cast<const char*>(item) + name.uOffset;
      UINT room = size - name.uOffset;
      UINT i = 0;
      for (; i < room && i < MAX_PATH - 1 && text[i]; ++i) out[i] = text[i];
      out[i] = 0;
      return TRUE;
    }
    case STRRET_CSTR:
      lstrcpynA(out, name.cStr, MAX_PATH);
      return TRUE;
    default:
      return FALSE;
  }
}

int GetIconIndex(LPCITEMIDLIST absolute, UINT flags) {
  SHFILEINFOA info{};
  if (!absolute) return 0;
  if (!SHGetFileInfoA(reinterpret_cast<const char*>(absolute), 0, &info, sizeof info,
                      flags | SHGFI_PIDL | SHGFI_SYSICONINDEX))
    return 0;
  return info.iIcon;
}

void GetNodeIcons(LPCITEMIDLIST absolute, TVITEMA* item) {
  if (!item) return;
  item->iImage = GetIconIndex(absolute, SHGFI_SMALLICON);
  item->iSelectedImage = GetIconIndex(absolute, SHGFI_SMALLICON | SHGFI_OPENICON);
  item->mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
}

LPCITEMIDLIST NextItemId(LPCITEMIDLIST item) {
  if (!item || item->mkid.cb == 0) return nullptr;
  return reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb);
}

UINT ItemIdListSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = 0;
  for (LPCITEMIDLIST p = list; p->mkid.cb; p = NextItemId(p)) size += p->mkid.cb;
  return size + sizeof(USHORT);
}

void* AllocZeroed(SIZE_T bytes) {
  IMalloc* m = ShellAllocator();
  if (!m) return nullptr;
  void* p = m->Alloc(bytes);
  if (p) ZeroMemory(p, bytes);
  return p;
}

LPITEMIDLIST CombineItemIds(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  UINT a = first ? ItemIdListSize(first) - sizeof(USHORT) : 0;
  UINT b = second ? ItemIdListSize(second) : sizeof(USHORT);
  auto* out = static_cast<BYTE*>(AllocZeroed(a + b));
  if (!out) return nullptr;
  if (a) memcpy(out, first, a);
  if (second) memcpy(out + a, second, b);
  return reinterpret_cast<LPITEMIDLIST>(out);
}

LPITEMIDLIST CopyItemIdList(IMalloc* m, LPCITEMIDLIST list) {
  if (!list) return nullptr;
  if (!m) m = ShellAllocator();
  if (!m) return nullptr;
  UINT size = ItemIdListSize(list);
  void* out = m->Alloc(size);
  if (out) memcpy(out, list, size);
  return static_cast<LPITEMIDLIST>(out);
}

void FreeItemIdList(LPITEMIDLIST list) {
  if (!list) return;
  if (IMalloc* m = ShellAllocator()) m->Free(list);
}

LPITEMIDLIST ParsePathToIdListW(const wchar_t* path, IShellFolder* folder, ULONG* attributes) {
  if (!path) return nullptr;
  if (!folder) folder = DesktopFolder();
  if (!folder) return nullptr;
  ULONG wanted = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE |
                 SFGAO_DROPTARGET | SFGAO_SHARE | (attributes ? *attributes : 0);
  LPITEMIDLIST parsed = nullptr;
  ULONG eaten = 0;
  std::wstring copy = path;
  if (FAILED(folder->ParseDisplayName(nullptr, nullptr, copy.data(), &eaten, &parsed, &wanted)) ||
      !parsed)
    return nullptr;
  if (attributes) *attributes = wanted;
  LPITEMIDLIST result = CopyItemIdList(ShellAllocator(), parsed);
  CoTaskMemFree(parsed);
  return result;
}

LPITEMIDLIST ParsePathToIdList(const char* path, IShellFolder* folder, ULONG* attributes) {
  if (!path) return nullptr;
  wchar_t wide[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH * 2)) return nullptr;
  return ParsePathToIdListW(wide, folder, attributes);
}

HRESULT BindToPath(const char* path, IShellFolder** folder) {
  if (!folder) return E_POINTER;
  *folder = nullptr;
  IShellFolder* d = DesktopFolder();
  if (!d) return E_FAIL;
  ULONG attributes = 0;
  LPITEMIDLIST list = ParsePathToIdList(path, nullptr, &attributes);
  if (!list) return E_FAIL;
  HRESULT hr = d->BindToObject(list, nullptr, IID_IShellFolder, reinterpret_cast<void**>(folder));
  FreeItemIdList(list);
  return hr;
}
