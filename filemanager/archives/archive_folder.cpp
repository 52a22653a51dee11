// Listing an archive into a pane.
#include "archive_folder.h"
#include <commctrl.h>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include "archive_engines.h"
#include "archive_items.h"
#include "archive_progress.h"
#include "file_filter.h"
#include "file_list.h"
#include "file_pane.h"
#include "pane_host.h"
#include "path_utils.h"
#include "pidl.h"
#include "program_values.h"
#include "settings_store.h"
#include "status_bar.h"
#include "frame_state.h"
#include "vfolder_entry.h"
#include "vfolder_links.h"

char ArchivePath[2][MAX_PATH];

namespace {

char* ShellCopy(const std::string& text) {
  char* copy = static_cast<char*>(GetShellAllocator()->Alloc(text.size() + 1));
  if (copy) memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

struct IconAndType {
  int icon;
  std::string type;
};

// The small icon and type name of an entry's extension, asked once per extension and listing
// through a zero-length probe file in the temporary folder.
IconAndType ProbeIcon(const std::string& tempFolder, const std::string& base, const std::string& extension,
                      std::map<std::string, IconAndType>* cache) {
  std::string key = extension;
  CharLowerBuffA(key.data(), static_cast<DWORD>(key.size()));
  auto found = cache->find(key);
  if (found != cache->end()) return found->second;
  IconAndType result{0, ""};
  std::string probe = tempFolder + base + "~~JQ" + extension;
  HANDLE file = CreateFileA(probe.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  SHFILEINFOA info{};
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    if (SHGetFileInfoA(probe.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON)) {
      result.icon = info.iIcon;
      result.type = info.szTypeName;
    }
    DeleteFileA(probe.c_str());
  } else {
    // No probe: the generic file icon.
    SHGetFileInfoA("x", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    result.icon = info.iIcon;
  }
  (*cache)[key] = result;
  return result;
}

void SplitEntryName(const char* path, std::string* base, std::string* extension) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  const char* dot = strrchr(name, '.');
  if (dot && dot != name) {
    base->assign(name, dot - name);
    extension->assign(dot);
  } else {
    base->assign(name);
    extension->clear();
  }
}

}  // namespace

int GetArchivePathOfFolder(IShellFolder* folder, LPCITEMIDLIST item, char* buffer) {
  buffer[0] = 0;
  if (folder && item && GetDisplayNameText(folder, item, SHGDN_FORPARSING, buffer, MAX_PATH) && buffer[0]) return 1;
  ShowArchiveError(-1, buffer);
  return 0;
}

void OpenArchiveFolderInPane(int pane, IShellFolder* folder, LPCITEMIDLIST item, HWND list) {
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  FilePanes[pane].itemCount = 0;
  FilePanes[pane].totalSize = 0;
  if (PaneViewerVisible()) ClearPaneViewer();
  if (GetArchivePathOfFolder(folder, item, ArchivePath[pane])) {
    ListArchiveIntoPane(pane, list);
    if (PaneViewerVisible() && g_paneServices.updateViewer) g_paneServices.updateViewer(TRUE);
  }
}

void ListArchiveIntoPane(int pane, HWND list) {
  FilePane& record = FilePanes[pane];
  const char* path = ArchivePath[pane];
  if (!IdentifyArchive(path)) return;
  const uint16_t kind = ArchiveKind;
  uint32_t archive = 0;
  if (kind == kArchiveRar) {
    int code = g_rarApi.RAR_SetArchive(path);
    if (code) {
      UnloadRarEngine();
      ShowRarError(code, path);
      return;
    }
  } else {
    int code = g_zipApi.Et5ZipOpen(ZipEngineHandle, path, et5::kOpenForListing, &archive);
    if (LOWORD(code)) {
      ShowArchiveError(static_cast<int16_t>(code), path);
      return;
    }
  }
  auto closeArchive = [&] {
    if (kind == kArchiveRar) g_rarApi.RAR_CloseArchive();
    else g_zipApi.Et5ZipClose(ZipEngineHandle, &archive);
  };
  record.itemCount = 0;
  record.totalSize = 0;
  record.listKind = kListKindArchive;
  if (record.columnSet != kColumnSetArchive) {
    if (record.viewId == kViewDetails && (record.columnSet == kColumnSetFileSystem || record.columnSet == kColumnSetObjects))
      SavePaneColumnWidths(pane);
    DeleteAllListColumns(list);
    record.columnSet = kColumnSetArchive;
    if (!SetupListColumns(list, kColumnSetArchive)) {
      closeArchive();
      return;
    }
    record.sortKey = record.savedArchiveSortKey;
    record.descending = record.savedArchiveDescending;
  }

  alignas(8) uint8_t entry[64] = {};
  static char name[2048], second[2048], third[2048];
  auto first = [&] {
    if (kind == kArchiveRar) return g_rarApi.RAR_FindOpen(entry, name, second, 2048, third, 2048);
    return g_zipApi.Et5ZipFindFirst(ZipEngineHandle, archive, entry, name, second, 2048, third, 2048);
  };
  auto next = [&] {
    if (kind == kArchiveRar) return g_rarApi.RAR_FindNext(entry, name, second, 2048, third, 2048);
    return g_zipApi.Et5ZipFindNext(ZipEngineHandle, archive, entry, name, second, 2048, third, 2048);
  };
  int result = first();
  if (kind == kArchiveRar && result != 0 && result != 1) {
    g_rarApi.RAR_CloseArchive();
    UnloadRarEngine();
    ShowRarError(result, path);
    return;
  }
  if (kind != kArchiveRar && result != 0 && static_cast<int16_t>(result) != et5::kEmptyArchive) {
    closeArchive();
    ShowArchiveError(static_cast<int16_t>(result), path);
    return;
  }

  char temp[MAX_PATH] = "";
  std::string tempFolder;
  if (GetArchiveTempFolder(temp)) tempFolder = std::string(temp) + "\\";
  HWND capture = g_mainWindow ? g_mainWindow : list;
  SetCapture(capture);
  HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  const bool generic = GetLiveOptions().genericIconsOnly != 0;
  int genericIcon = 0;
  {
    SHFILEINFOA info{};
    SHGetFileInfoA("x", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    genericIcon = info.iIcon;
  }
  std::map<std::string, IconAndType> icons;
  for (; result == 0; result = next()) {
    name[sizeof name - 1] = 0;
    const uint8_t attributes = entry[38];
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    uint32_t flags, packed, size;
    uint16_t time, date;
    memcpy(&flags, entry + 8, 4);
    memcpy(&time, entry + 12, 2);
    memcpy(&date, entry + 14, 2);
    memcpy(&packed, entry + 20, 4);
    memcpy(&size, entry + 24, 4);
    WIN32_FIND_DATAA find{};
    find.dwFileAttributes = attributes;
    FILETIME local{};
    DosDateTimeToFileTime(date, time, &local);
    LocalFileTimeToFileTime(&local, &find.ftLastWriteTime);
    find.nFileSizeLow = size;
    std::string base, extension;
    SplitEntryName(name, &base, &extension);
    lstrcpynA(find.cFileName, (base + extension).c_str(), MAX_PATH);
    if (!PassesFileFilter(find)) continue;
    IconAndType icon{genericIcon, ""};
    if (!generic) icon = ProbeIcon(tempFolder, base, extension, &icons);
    auto* item = static_cast<FileListItem*>(GetShellAllocator()->Alloc(sizeof(FileListItem)));
    if (!item) break;
    memset(item, 0, sizeof *item);
    item->attributes = SFGAO_FILESYSTEM | SFGAO_CANDELETE;
    item->lastWrite = find.ftLastWriteTime;
    item->size = size;
    item->fileAttributes = attributes;
    item->kind = kItemArchiveEntry;
    item->valid = 1;
    item->siblingCompressed = flags & 1;
    item->compressedSize = packed;
    item->entryPath = ShellCopy(name);
    item->typeText = ShellCopy(icon.type);
    LVITEMA insert{};
    insert.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    insert.iItem = static_cast<int>(record.itemCount);
    insert.pszText = LPSTR_TEXTCALLBACKA;
    insert.iImage = icon.icon;
    insert.lParam = reinterpret_cast<LPARAM>(item);
    if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)) == -1) {
      FreeFileListItem(item);
      break;
    }
    ++record.itemCount;
    record.totalSize += size;
  }
  closeArchive();
  if (PaneStatusBar() && g_paneServices.updateStatusBar && !ArchiveBusy) g_paneServices.updateStatusBar(list, TRUE);
  if (g_paneServices.updateSortButtons) g_paneServices.updateSortButtons(SortButtonKey(pane, record.sortKey));
  InsertUpOneLevelItem(pane);
  SortPaneList(pane);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  ReleaseCapture();
  SetCursor(previous ? previous : LoadCursor(nullptr, IDC_ARROW));
  if (g_paneServices.updateCommandStates) g_paneServices.updateCommandStates();
}

int GetArchiveTempFolder(char* buffer) {
  char temp[MAX_PATH] = "";
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (!length || length >= sizeof temp) return 0;
  snprintf(buffer, MAX_PATH, "%s%s~~JQTEMP", temp, temp[length - 1] == '\\' ? "" : "\\");
  char create[MAX_PATH];
  lstrcpynA(create, buffer, sizeof create);
  if (GetFileAttributesA(buffer) == INVALID_FILE_ATTRIBUTES) CreateDirectoryPath(create);
  return 1;
}

void DeleteArchiveTempFolders() {
  char temp[MAX_PATH] = "";
  DWORD length = GetTempPathA(sizeof temp, temp);
  if (!length || length >= sizeof temp) return;
  char folder[MAX_PATH];
  snprintf(folder, sizeof folder, "%s%s~~JQTEMP", temp, temp[length - 1] == '\\' ? "" : "\\");
  char saved[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof saved, saved);
  if (!SetCurrentDirectoryA(folder)) return;
  // Off the folder again before it goes.
  SetCurrentDirectoryA(temp);
  char source[MAX_PATH + 8] = "";
  auto run = [](const char* path) {
    char from[MAX_PATH + 8] = "";
    lstrcpynA(from, path, MAX_PATH + 4);
    from[lstrlenA(from) + 1] = 0;
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationA(&operation);
  };
  snprintf(source, sizeof source, "%s\\*.*", folder);
  run(source);
  run(folder);
  if (saved[0]) SetCurrentDirectoryA(saved);
}

bool IsQuotableEntryName(const char* name) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
    if (*p == '"' || *p < 32) return false;
  return true;
}

char* BuildSelectedArchiveNames(int pane, BOOL root) {
  HWND list = FilePanes[pane].list;
  if (!list) return nullptr;
  std::string text;
  uint64_t total = 0;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0; i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record || !record->entryPath) continue;
    // A name the quoted list cannot carry is left out rather than split into other names.
    if (!IsQuotableEntryName(record->entryPath)) continue;
    text += '"';
    if (root && (strchr(record->entryPath, '\\') || strchr(record->entryPath, '/'))) text += '\\';
    text += record->entryPath;
    text += "\" ";
    total += record->compressedSize;
  }
  if (text.empty()) return nullptr;
  ProgressTotal = total;
  text.pop_back();
  char* result = static_cast<char*>(malloc(text.size() + 1));
  if (result) memcpy(result, text.c_str(), text.size() + 1);
  return result;
}

void InstallArchiveFolders() {
  InstallArchiveSink();
  g_archiveFolderHooks.openFolder = OpenArchiveFolderInPane;
  g_archiveFolderHooks.openItem = [](int) { OpenArchiveItem(); };
}

void ShutdownArchiveFolders() {
  UnloadZipEngine();
  UnloadLhaEngine();
  DeleteArchiveTempFolders();
  g_archiveFolderHooks = {};
  RemoveArchiveSink();
}
