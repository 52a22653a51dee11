// The panes' links to the FTP and archive folders, on their "absent" paths.
#include "vfolder_links.h"
#include <cstring>
#include "file_pane.h"
#include "pidl.h"
#include <commctrl.h>

namespace {
const BYTE kFtpRootBytes[12] = {10, 0, 0xE5, 0x3D, 0x0E, 0x79, 0xBC, 0x4A, 0x9B, 0x78, 0, 0};
}

LPCITEMIDLIST GetFtpRootPidl() {
  return reinterpret_cast<LPCITEMIDLIST>(kFtpRootBytes);
}

LPITEMIDLIST CopyFtpRootPidl() {
  return CopyPidl(GetShellAllocator(), GetFtpRootPidl());
}

BOOL IsFtpPidl(LPCITEMIDLIST list) {
  if (!list) return FALSE;
  return memcmp(list, kFtpRootBytes, 10) == 0;
}

IShellFolder* GetFtpRootFolder(int) {
  // The FTP library is not part of this build: there is no root folder.
  return nullptr;
}

HRESULT GetFtpDisplayPath(LPCITEMIDLIST list, char* buffer, int size) {
  if (!list || !IsFtpPidl(list) || size < 5) return E_FAIL;
  // The root alone; sites below it exist only with the FTP library.
  if (GetPidlSize(list) != sizeof kFtpRootBytes) return E_FAIL;
  lstrcpynA(buffer, "FTP:", size);
  return S_OK;
}

HRESULT GetFtpItemInfo(IShellFolder*, LPCITEMIDLIST, WIN32_FIND_DATAA*, int) {
  return E_FAIL;
}

HRESULT GetFtpSiteColumnText(IShellFolder*, LPCITEMIDLIST, int, char* buffer, int size) {
  if (buffer && size > 0) buffer[0] = 0;
  return E_FAIL;
}

ArchiveFolderHooks g_archiveFolderHooks;

void OpenArchivePaneItem(int pane) {
  if (g_archiveFolderHooks.openItem) g_archiveFolderHooks.openItem(pane);
  else MessageBeep(0);
}

void OpenArchiveAsFolder(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list) {
  if (g_archiveFolderHooks.openFolder) {
    g_archiveFolderHooks.openFolder(pane, folder, item, list);
    return;
  }
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  FilePanes[pane].itemCount = 0;
  FilePanes[pane].totalSize = 0;
  // No archive engine: nothing can be listed.
  MessageBeep(MB_ICONHAND);
}
