// Filling a pane's file list from a folder: the plain fill through the shell's enumeration and
#include "shell_enum.h"
// the filtered fill from find data, one FileListItem per entry, in batches of 500 items.
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <algorithm>
#include "file_filter.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pidl.h"
#include "settings_store.h"
#include "sibling_probe.h"
#include "program_values.h"
#include "vfolder_links.h"

UINT g_shellEnumBusy = 0;

bool InsertFileListItem(HWND list, int index, FileListItem* record) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = index;
  item.pszText = LPSTR_TEXTCALLBACKA;
  item.cchTextMax = MAX_PATH;
  item.iImage = I_IMAGECALLBACK;
  item.lParam = reinterpret_cast<LPARAM>(record);
  return SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
}

bool FindDataByParsingName(IShellFolder* folder, LPCITEMIDLIST pidl, WIN32_FIND_DATAA* data) {
  char path[MAX_PATH];
  if (!GetDisplayNameText(folder, pidl, SHGDN_FORPARSING, path)) return false;
  HANDLE find = FindFirstFileA(path, data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

FileListItem* NewFileListItem(IShellFolder* folder, LPCITEMIDLIST pidl, ULONG attributes) {
  auto* record = static_cast<FileListItem*>(AllocShellMemory(sizeof(FileListItem)));
  if (!record) return nullptr;
  record->pidl = CopyPidl(GetShellAllocator(), pidl);
  if (!record->pidl) {
    FreePidl(record);
    return nullptr;
  }
  record->folder = folder;
  folder->AddRef();
  record->attributes = attributes;
  record->valid = 1;
  return record;
}

namespace {

ULONG AttributesOf(IShellFolder* folder, LPCITEMIDLIST pidl) {
  ULONG attributes = kListAttributeMask;
  if (FAILED(folder->GetAttributesOf(1, &pidl, &attributes))) return 0;
  return attributes & kListAttributeMask;
}

uint64_t SizeOf(const WIN32_FIND_DATAA& data) {
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The find data of a whole folder, read in one pass and looked up by name. The shell's own find
// data of an item may carry only 32 bits of its size and a coarse time; this is exact.
class FolderFindData {
 public:
  explicit FolderFindData(const char* folder) {
    if (!folder || !folder[0]) return;
    std::string pattern = folder;
    if (pattern.back() != '\\') pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      entries_.push_back({data.cFileName, data.dwFileAttributes, data.ftLastWriteTime, SizeOf(data)});
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  }
  // Replaces the data's attributes, time and size with the folder's own for the same name.
  void Update(WIN32_FIND_DATAA* data) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), data->cFileName,
                               [](const Entry& entry, const char* name) { return entry.name < name; });
    if (it == entries_.end() || it->name != data->cFileName) return;
    data->dwFileAttributes = it->attributes;
    data->ftLastWriteTime = it->lastWrite;
    data->nFileSizeHigh = static_cast<DWORD>(it->size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(it->size);
  }

 private:
  struct Entry {
    std::string name;
    DWORD attributes;
    FILETIME lastWrite;
    uint64_t size;
  };
  std::vector<Entry> entries_;
};

void FillTail(HWND list, int pane) {
  FilePane& record = FilePanes[pane];
  if (g_paneServices.updateStatusBar) g_paneServices.updateStatusBar(list, TRUE);
  SortedPaneIndex = pane;
  InsertUpOneLevelItem(pane);
  SortPaneList(pane);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  FocusFirstItemIfNone(list);
  (void)record;
}

}  // namespace

BOOL EnumerateFolderIntoList(HWND list, LPARAM, IShellFolder* folder, BOOL fileSystem) {
  int pane = PaneIndexOfWindow(list);
  FilePane& paneRecord = FilePanes[pane];
  paneRecord.itemCount = 0;
  paneRecord.totalSize = 0;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  int inserted = 0;
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  children.ForEach([&](LPITEMIDLIST pidl) {
    FileListItem* record = NewFileListItem(folder, pidl, AttributesOf(folder, pidl));
    if (!record) {
      // Out of memory: what is listed stays; the rest is freed.
      FreePidl(pidl);
      return false;
    }
    char name[MAX_PATH];
    if (!fileSystem && GetDisplayNameText(folder, pidl, SHGDN_FORPARSING, name) && IsHiddenUnixRoot(name)) {
      FreeFileListItem(record);
      FreePidl(pidl);
      return true;
    }
    if (!fileSystem) {
      record->kind = kItemNonFileSystem;
      record->fileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
      record->kind = kItemFileSystemPlain;
      record->fileAttributes = FILE_ATTRIBUTE_DIRECTORY;
      char path[MAX_PATH];
      if ((record->attributes & SFGAO_FILESYSTEM) && (record->attributes & SFGAO_CANDELETE) &&
          GetDisplayNameText(folder, pidl, SHGDN_FORPARSING, path)) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(path, &data);
        if (find != INVALID_HANDLE_VALUE) {
          FindClose(find);
          record->lastWrite = data.ftLastWriteTime;
          record->size = SizeOf(data);
          record->fileAttributes = data.dwFileAttributes;
        } else {
          record->fileAttributes = 0;
        }
      }
    }
    FreePidl(pidl);
    if (!InsertFileListItem(list, inserted, record)) {
      FreeFileListItem(record);
      return false;
    }
    ++inserted;
    return true;
  });
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  paneRecord.itemCount = inserted;
  return TRUE;
}

BOOL FillFileList(HWND list, LPARAM unused, IShellFolder* folder, BOOL fileSystem) {
  int pane = PaneIndexOfWindow(list);
  FilePane& record = FilePanes[pane];
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  UINT newSet = fileSystem ? kColumnSetFileSystem : kColumnSetObjects;
  if (record.columnSet != newSet) SavePaneColumnWidths(pane);
  DeleteAllListColumns(list);
  record.columnSet = newSet;
  if (!SetupListColumns(list, newSet)) {
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return FALSE;
  }
  record.sortKey = 0;
  record.descending = 0;
  if (!EnumerateFolderIntoList(list, unused, folder, fileSystem)) {
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    return FALSE;
  }
  FillTail(list, pane);
  return TRUE;
}

BOOL AddFindDataItem(HWND list, const WIN32_FIND_DATAA* data, IShellFolder* folder, LPARAM, int index,
                     LPCITEMIDLIST pidl) {
  int pane = PaneIndexOfWindow(list);
  FileListItem* record = NewFileListItem(folder, pidl, AttributesOf(folder, pidl));
  if (!record) return FALSE;
  record->fileAttributes = data->dwFileAttributes;
  record->lastWrite = data->ftLastWriteTime;
  record->size = SizeOf(*data);
  record->kind = kItemFromFindData;
  if (FilePanes[pane].zipAsFolder && !(data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    char path[MAX_PATH];
    if (GetDisplayNameText(folder, pidl, SHGDN_FORPARSING, path)) {
      DWORD first = 0, third = 0;
      QuerySiblingFileInfo(path, &first, nullptr, &third, nullptr);
      record->siblingCompressed = (first & kSiblingCompressedFlag) ? 1 : 0;
      record->compressedSize = third;
    }
  }
  if (!InsertFileListItem(list, index, record)) {
    FreeFileListItem(record);
    return FALSE;
  }
  FilePanes[pane].totalSize += record->size;
  return TRUE;
}

BOOL EnumerateFolderFiltered(HWND list, FolderTreeItem* treeItem) {
  int pane = PaneIndexOfWindow(list);
  FilePane& paneRecord = FilePanes[pane];
  paneRecord.itemCount = 0;
  paneRecord.totalSize = 0;
  if (!treeItem) return FALSE;
  const bool ftp = treeItem->kind & kTreeKindFtpBranch;
  IShellFolder* folder = nullptr;
  if (treeItem->kind & kTreeKindFtpRoot) {
    folder = GetFtpRootFolder(pane);
  } else if (treeItem->folder) {
    QuietErrors quiet;
    if (FAILED(treeItem->folder->BindToObject(treeItem->relative, nullptr, IID_IShellFolder,
                                              reinterpret_cast<void**>(&folder))))
      folder = nullptr;
  }
  if (!folder) return FALSE;
  ShellChildren children(folder, g_mainWindow, EnumerationFlags());
  if (!children) {
    folder->Release();
    return FALSE;
  }
  g_shellEnumBusy = 1;
  std::unique_ptr<FolderFindData> exact;
  if (!ftp) {
    char path[MAX_PATH];
    if (GetDisplayNameText(treeItem->folder, treeItem->relative, SHGDN_FORPARSING, path))
      exact = std::make_unique<FolderFindData>(path);
  }
  int inserted = 0;
  children.ForEach([&](LPITEMIDLIST pidl) {
    WIN32_FIND_DATAA data{};
    bool have;
    if (ftp) {
      have = SUCCEEDED(GetFtpItemInfo(folder, pidl, &data, sizeof data));
    } else {
      have = SUCCEEDED(SHGetDataFromIDListA(folder, pidl, SHGDFIL_FINDDATA, &data, sizeof data));
      if (have && exact) {
        exact->Update(&data);
      }
    }
    if (!have) have = FindDataByParsingName(folder, pidl, &data);
    // An entry that cannot be read is left out; the rest of its batch is still listed.
    if (have && PassesFileFilter(data) && AddFindDataItem(list, &data, folder, 0, inserted, pidl)) ++inserted;
    FreePidl(pidl);
    return true;
  });
  folder->Release();
  g_shellEnumBusy = 0;
  paneRecord.itemCount = inserted;
  return TRUE;
}

BOOL FillFileListFiltered(HWND list, FolderTreeItem* treeItem) {
  int pane = PaneIndexOfWindow(list);
  FilePane& record = FilePanes[pane];
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  UINT newSet = record.zipAsFolder ? kColumnSetArchive : kColumnSetFileSystem;
  if (record.columnSet != newSet) {
    SavePaneColumnWidths(pane);
    DeleteAllListColumns(list);
    record.columnSet = newSet;
    if (!SetupListColumns(list, newSet)) {
      SendMessageA(list, WM_SETREDRAW, TRUE, 0);
      return FALSE;
    }
    record.sortKey = record.savedFsSortKey;
    record.descending = record.savedFsDescending;
  }
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  if (!EnumerateFolderFiltered(list, treeItem)) {
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
    return FALSE;
  }
  FillTail(list, pane);
  SetCursor(old ? old : LoadCursor(nullptr, IDC_ARROW));
  return TRUE;
}
