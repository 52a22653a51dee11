#include "path_utils.h"

#include <shlwapi.h>
#include <winnetwk.h>
#include <cstring>
#include <string>
#include "pidl.h"
#include "shell_children.h"
#include "sibling_probe.h"

const char* const kArchiveExtensions[16] = {".zip", ".tar", ".gz",  ".z",   ".taz", ".tgz",
                                            ".arj", ".arc", ".ark", ".pak", ".dwc", ".lzh",
                                            ".lha", ".cab", ".rar", ".zoo"};

namespace {

// The extension of the last path component (with its dot), or null.
const char* Extension(const char* path) {
  const char* dot = strrchr(path, '.');
  if (!dot) return nullptr;
  const char* slash = strrchr(path, '\\');
  if (slash && slash > dot) return nullptr;
  return dot;
}

bool EndsWithNoCase(const char* text, size_t length, const char* tail) {
  size_t n = strlen(tail);
  return length >= n && _strnicmp(text + length - n, tail, n) == 0;
}

void CollapseBranch(HWND tree, HTREEITEM item) {
  for (HTREEITEM child = TreeView_GetChild(tree, item); child;
       child = TreeView_GetNextSibling(tree, child)) {
    if (TreeView_GetItemState(tree, child, TVIS_EXPANDED) & TVIS_EXPANDED)
      CollapseBranch(tree, child);
  }
  TreeView_Expand(tree, item, TVE_COLLAPSE);
}

}  // namespace

void StripTrailingBackslash(char* path) {
  if (!path) return;
  size_t n = strlen(path);
  if (n > 3 && path[n - 1] == '\\') path[n - 1] = '\0';
}

BOOL TrimLeadingSpaces(char* text) {
  if (!text) return FALSE;
  size_t skip = strspn(text, " \t");
  if (skip) memmove(text, text + skip, strlen(text + skip) + 1);
  return text[0] != '\0';
}

BOOL TrimAndTestWildcards(char* text) {
  if (!text) return FALSE;
  TrimLeadingSpaces(text);
  return strpbrk(text, "*?") != nullptr;
}

BOOL IsArchivePath(IShellFolder* folder, LPCITEMIDLIST item, const char* path, int* isZip) {
  if (isZip) *isZip = 0;
  char name[MAX_PATH];
  if (item) {
    if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, name)) return FALSE;
  } else {
    if (!path) return FALSE;
    lstrcpynA(name, path, sizeof name);
  }
  DWORD attributes = GetFileAttributesA(name);
  // A real folder that happens to carry an archive's extension is a folder.
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return FALSE;
  const char* extension = Extension(name);
  if (!extension) return FALSE;
  for (const char* known : kArchiveExtensions) {
    if (lstrcmpiA(extension, known) == 0) {
      if (isZip) *isZip = lstrcmpiA(known, ".zip") == 0 ? 1 : 0;
      return TRUE;
    }
  }
  return FALSE;
}

BOOL IsShortcutPath(const char* path) {
  if (!path) return FALSE;
  const char* extension = Extension(path);
  return extension && lstrcmpiA(extension, ".lnk") == 0;
}

BOOL IsInsideZipPath(const char* path) {
  if (!path) return FALSE;
  size_t length = strnlen(path, MAX_PATH);
  if (length < 6 || length >= MAX_PATH) return FALSE;
  char cut[MAX_PATH];
  for (size_t i = 5; i < length; ++i) {
    if (path[i] != '\\' || _strnicmp(path + i - 4, ".zip\\", 5) != 0) continue;
    memcpy(cut, path, i);
    cut[i] = '\0';
    if (IsPlainFileWithSiblingOff(cut)) return TRUE;
  }
  return EndsWithNoCase(path, length, ".zip") && IsPlainFileWithSiblingOff(path);
}

BOOL IsZipItemPath(IShellFolder* folder, LPCITEMIDLIST item, int* plainFile) {
  if (plainFile) *plainFile = 0;
  char name[MAX_PATH];
  if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, name)) return FALSE;
  if (!IsInsideZipPath(name)) return FALSE;
  if (plainFile) *plainFile = IsPlainFileWithSiblingOff(name) ? 1 : 0;
  return TRUE;
}

int ResolveShortcut(HWND window, const char* lnkPath, char* out, LPITEMIDLIST* outList) {
  if (out) out[0] = '\0';
  if (outList) *outList = nullptr;
  auto failed = [&] {
    if (out && lnkPath) lstrcpynA(out, lnkPath, MAX_PATH);
    return 0;
  };
  wchar_t wide[520];
  if (!lnkPath || !MultiByteToWideChar(CP_ACP, 0, lnkPath, -1, wide, 520)) return failed();
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return failed();
  IPersistFile* file = nullptr;
  int result = -1;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide, 0)) && SUCCEEDED(link->Resolve(window, SLR_ANY_MATCH))) {
    if (!out) {
      result = 1;
    } else {
      char target[MAX_PATH] = "";
      if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY)) && target[0]) {
        lstrcpynA(out, target, MAX_PATH);
        result = 1;
      } else {
        // No file-system object (My Computer, a printer): hand out its item id list.
        LPITEMIDLIST list = nullptr;
        if (SUCCEEDED(link->GetIDList(&list)) && list) {
          if (outList) *outList = CopyPidl(GetShellAllocator(), list);
          CoTaskMemFree(list);
          result = 0;
        }
      }
    }
  }
  if (file) file->Release();
  link->Release();
  if (result < 0) return failed();
  return result;
}

BOOL CreateDirectoryPath(char* path) {
  if (!path || strlen(path) <= 3) return FALSE;
  StripTrailingBackslash(path);
  char parent[MAX_PATH];
  lstrcpynA(parent, path, sizeof parent);
  char* slash = strrchr(parent, '\\');
  if (slash && slash > parent) {
    *slash = '\0';
    StripTrailingBackslash(parent);
    CreateDirectoryPathStep(parent);
  }
  return CreateDirectoryA(path, nullptr);
}

HRESULT FolderHasItems(const char* path, HWND owner) {
  IShellFolder* folder = nullptr;
  HRESULT hr = GetShellFolderOfPath(path, &folder);
  if (FAILED(hr)) return hr;
  if (!folder) return E_FAIL;
  QuietErrors quiet;
  IEnumIDList* items = nullptr;
  hr = folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN,
                           &items);
  if (SUCCEEDED(hr) && items) {
    LPITEMIDLIST first = nullptr;
    ULONG fetched = 0;
    hr = items->Next(1, &first, &fetched);
    if (hr == S_OK && fetched == 0) hr = S_FALSE;
    if (first) CoTaskMemFree(first);
    items->Release();
  } else if (SUCCEEDED(hr)) {
    hr = S_FALSE;  // nothing to enumerate
  }
  folder->Release();
  return hr;
}

BOOL IsRemovableDriveRoot(IShellFolder* folder, LPCITEMIDLIST item) {
  char name[MAX_PATH];
  if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, name)) return FALSE;
  if (strlen(name) != 3 || name[1] != ':' || name[2] != '\\') return FALSE;
  return GetDriveTypeA(name) == DRIVE_REMOVABLE;
}

BOOL EnsureFolderReachable(IShellFolder* folder, LPCITEMIDLIST item, HWND tree,
                           TreeItemPidlGetter pidlOf) {
  {
    QuietErrors quiet;
    char name[MAX_PATH];
    if (!GetDisplayNameText(folder, item, SHGDN_FORPARSING, name)) return FALSE;
    if (strlen(name) == 2 && name[1] == ':') {
      name[2] = '\\';
      name[3] = '\0';
    } else {
      DWORD attributes = GetFileAttributesA(name);
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char* slash = strrchr(name, '\\');
        if (slash) slash[slash - name == 2 ? 1 : 0] = '\0';
      }
    }
    if (SUCCEEDED(FolderHasItems(name))) return TRUE;
  }
  if (!tree || !pidlOf) return FALSE;
  HTREEITEM selected = TreeView_GetSelection(tree);
  if (!selected) return FALSE;
  HTREEITEM branch = selected;
  HTREEITEM parent = TreeView_GetParent(tree, selected);
  for (;;) {
    if (!parent) return FALSE;
    LPCITEMIDLIST list = pidlOf(tree, parent);
    if (!list) return FALSE;
    char path[MAX_PATH];
    if (!SHGetPathFromIDListA(list, path)) break;  // not a file-system folder: stop here
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) break;
    branch = parent;
    parent = TreeView_GetParent(tree, parent);
  }
  CollapseBranch(tree, branch);
  TreeView_SelectItem(tree, parent);
  TreeView_EnsureVisible(tree, parent);
  return FALSE;
}

DWORD GetDllVersion(const char* dllName) {
  HMODULE module = LoadLibraryA(dllName);
  if (!module) return 0;
  DWORD version = 0;
  auto get = reinterpret_cast<DLLGETVERSIONPROC>(GetProcAddress(module, "DllGetVersion"));
  if (get) {
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (SUCCEEDED(get(&info))) version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
  }
  FreeLibrary(module);
  return version;
}

BOOL IsNetworkAvailable() {
  HANDLE enumeration = nullptr;
  if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, RESOURCEUSAGE_CONNECTABLE, nullptr,
                    &enumeration) != NO_ERROR)
    return FALSE;
  WNetCloseEnum(enumeration);
  return TRUE;
}
