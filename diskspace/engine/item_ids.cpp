// Item-id list services: names, icons, sizes, copies, parsing and binding, over the suite's
// item id lists.
#include "item_ids.h"

#include <shellapi.h>

#include <atomic>
#include <string>

namespace {
std::atomic<IShellFolder*> desktop{nullptr};
}  // namespace

BOOL InitItemIdServices() {
  if (!GetShellAllocator()) return FALSE;
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
}

IMalloc* ShellAllocator() { return GetShellAllocator(); }

IShellFolder* DesktopFolder() {
  if (!desktop) InitItemIdServices();
  return desktop;
}

int GetIconIndex(LPCITEMIDLIST absolute, UINT flags) {
  if (!absolute) return 0;
  return GetShellIconIndex(reinterpret_cast<const char*>(absolute),
                           flags | SHGFI_PIDL | SHGFI_SYSICONINDEX);
}

void GetNodeIcons(LPCITEMIDLIST absolute, TVITEMA* item) { SetTreeItemIcons(absolute, item); }

LPCITEMIDLIST NextItemId(LPCITEMIDLIST item) {
  if (!item || item->mkid.cb == 0) return nullptr;
  return NextPidlItem(item);
}

UINT ItemIdListSize(LPCITEMIDLIST list) { return GetPidlSize(list); }

void* AllocZeroed(SIZE_T bytes) { return AllocShellMemory(static_cast<UINT>(bytes)); }

LPITEMIDLIST CombineItemIds(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  return CombinePidls(first, second);
}

LPITEMIDLIST CopyItemIdList(IMalloc* m, LPCITEMIDLIST list) {
  return CopyPidl(m ? m : ShellAllocator(), list);
}

void FreeItemIdList(LPITEMIDLIST list) { FreePidl(list); }

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
