// The file list window of a pane: creation and subclass, image lists, column sets, view modes,
// item texts, the up-one-level entry, cut marks and the selection as a command line.
#include "file_list.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "file_pane.h"
#include "pane_controls.h"
#include "folder_tree.h"
#include "number_format.h"
#include "path_utils.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "program_values.h"
#include "vfolder_links.h"

namespace {

// The list view class's own procedure, which every pane's control had before ours. Kept in a
// variable, not a window property: a property is looked up through the window server on every
// message, which made filling a list of thousands of items many times slower.
WNDPROC g_listClassProc = nullptr;
constexpr UINT kRepaintOutline = WM_USER + 10;

struct ColumnSpec {
  UINT title;
  int format;
  int fixedWidth;      // pixels, or 0 when measured
  const char* sample;  // text whose extent is the width
};

const ColumnSpec kFileSystemColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 170, nullptr},
    {IDS_COLUMN_EXTENSION, LVCFMT_LEFT, 0, "XXXX"},
    {IDS_COLUMN_SIZE, LVCFMT_RIGHT, 0, "00,000,000"},
    {IDS_COLUMN_TYPE, LVCFMT_LEFT, 0, "xxxxxxxxxxx"},
    {IDS_COLUMN_DATE, LVCFMT_RIGHT, 0, "00/00/00 "},
    {IDS_COLUMN_TIME, LVCFMT_RIGHT, 0, "00:00:00 "},
    {IDS_COLUMN_ATTRIBUTES, LVCFMT_CENTER, 0, "xxxxx"},
};
const ColumnSpec kArchiveColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 150, nullptr},
    {IDS_COLUMN_EXTENSION, LVCFMT_LEFT, 0, "XXXX"},
    {IDS_COLUMN_SIZE, LVCFMT_RIGHT, 0, "00,000,000"},
    {IDS_COLUMN_COMPRESSED, LVCFMT_RIGHT, 0, "00,000,000"},
    {IDS_COLUMN_RATIO, LVCFMT_CENTER, 0, "XXX%"},
    {IDS_COLUMN_DATE, LVCFMT_RIGHT, 0, "00/00/00 "},
    {IDS_COLUMN_TIME, LVCFMT_RIGHT, 0, "00:00:00 "},
    {IDS_COLUMN_TYPE, LVCFMT_LEFT, 0, "xxxxxxxxxxx"},
    {IDS_COLUMN_ATTRIBUTES, LVCFMT_CENTER, 0, "xxxxx"},
    {IDS_COLUMN_PATH, LVCFMT_LEFT, 0, "xxxxxxxxxxxxxxxxxxxxxxxxx"},
};
const ColumnSpec kMyComputerColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 190, nullptr},
    {IDS_COLUMN_TYPE, LVCFMT_LEFT, 0, "xxxxxxxxxxxxxxxxxx"},
    {IDS_COLUMN_TOTAL_SIZE, LVCFMT_RIGHT, 0, "000,000,000"},
    {IDS_COLUMN_FREE_SPACE, LVCFMT_RIGHT, 0, "000,000,000"},
};
const ColumnSpec kFtpSitesColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 170, nullptr},
    {IDS_COLUMN_SITE_ADDRESS, LVCFMT_LEFT, 0, "xxxxxxxxxxxxxxxx"},
    {IDS_COLUMN_LOGIN, LVCFMT_LEFT, 0, "xxxxxxxxxxxxx"},
    {IDS_COLUMN_DESCRIPTION, LVCFMT_LEFT, 0, "xxxxxxxxxxxxx"},
};
const ColumnSpec kOtherObjectColumns[] = {
    {IDS_COLUMN_NAME, LVCFMT_LEFT, 250, nullptr},
};

// Archive columns map to the text cases of the file-system texts.
const int kArchiveColumnCase[10] = {0, 1, 2, 7, 8, 4, 5, 3, 6, 9};

HINSTANCE ResourceInstance() {
  return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

bool PaneShowsFtpRoot(int pane) {
  HWND tree = FilePanes[pane].tree;
  if (!tree) return false;
  HTREEITEM selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  FolderTreeItem* record = GetTreeItemRecord(tree, selected);
  return record && (record->kind & kTreeKindFtpRoot);
}

const char* ExtensionOf(const char* path) {
  const char* name = strrchr(path, '\\');
  name = name ? name + 1 : path;
  const char* dot = strrchr(name, '.');
  return dot ? dot : name + strlen(name);
}

void SetText(NMLVDISPINFOA* info, const char* text) {
  if (info->item.pszText && info->item.cchTextMax > 0) lstrcpynA(info->item.pszText, text, info->item.cchTextMax);
}

bool DriveSizes(const char* root, uint64_t* total, uint64_t* free) {
  UINT type = GetDriveTypeA(root);
  if (type != DRIVE_FIXED && type != DRIVE_REMOTE) return false;
  ULARGE_INTEGER available, totalBytes, freeBytes;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  BOOL ok = GetDiskFreeSpaceExA(root, &available, &totalBytes, &freeBytes);
  SetErrorMode(oldMode);
  if (!ok) return false;
  *total = totalBytes.QuadPart;
  *free = available.QuadPart;
  return true;
}

// The sum of the sizes of the files below a folder.
uint64_t FolderFilesSize(const std::string& folder, int depth = 0) {
  if (depth > 64) return 0;
  uint64_t sum = 0;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        sum += FolderFilesSize(folder + "\\" + data.cFileName, depth + 1);
    } else {
      sum += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return sum;
}

void DrawInactiveSelection(HWND list) {
  HDC dc = GetDC(list);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  HGDIOBJ oldFont = SelectObject(dc, font);
  {
    OutlinePen outline(dc);
    int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    for (int index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, top - 1, LVNI_SELECTED)); index >= 0;
         index = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, index, LVNI_SELECTED))) {
      RECT label{};
      label.left = LVIR_LABEL;
      if (!SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&label))) continue;
      char text[MAX_PATH] = "";
      LVITEMA item{};
      item.iSubItem = 0;
      item.pszText = text;
      item.cchTextMax = MAX_PATH;
      SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
      SIZE extent{};
      GetTextExtentPoint32A(dc, text, lstrlenA(text), &extent);
      if (label.left + extent.cx + 3 < label.right) label.right = label.left + extent.cx + 3;
      DrawSelectionOutline(dc, label);
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
}

LRESULT CALLBACK FileListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC previous = g_listClassProc;
  if (!previous) return DefWindowProcA(list, message, wParam, lParam);
  switch (message) {
    case WM_PAINT: {
      LRESULT result = CallWindowProcA(previous, list, message, wParam, lParam);
      PostMessageA(list, kRepaintOutline, 0, lParam);
      return result;
    }
    case kRepaintOutline: {
      HWND top = GetAncestor(list, GA_ROOT);
      if (GetFocus() == list && !lParam && GetForegroundWindow() == top) break;
      if (GetFocus() != list) DrawInactiveSelection(list);
      return 0;
    }
  }
  LRESULT result = 0;
  if (HandlePaneControlMessage(list, previous, message, wParam, lParam, &result)) return result;
  return CallWindowProcA(previous, list, message, wParam, lParam);
}

bool InsertColumns(HWND list, const ColumnSpec* columns, int count, const int32_t* stored) {
  HDC dc = GetDC(list);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  bool ok = true;
  for (int i = 0; i < count && ok; ++i) {
    char title[100] = "";
    LoadStringA(ResourceInstance(), columns[i].title, title, sizeof title);
    int width = columns[i].fixedWidth;
    if (columns[i].sample) {
      SIZE extent{};
      GetTextExtentPoint32A(dc, columns[i].sample, lstrlenA(columns[i].sample), &extent);
      width = extent.cx;
    }
    if (stored && stored[i] > 0) width = stored[i];
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = columns[i].format;
    column.cx = width;
    column.pszText = title;
    column.iSubItem = i;
    ok = SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column)) == i;
  }
  if (oldFont) SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  return ok;
}

}  // namespace

HWND CreateFileList(HWND parent, int pane) {
  RECT client;
  GetClientRect(parent, &client);
  HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_AUTOARRANGE |
                                  LVS_EDITLABELS | LVS_SHAREIMAGELISTS | LVS_ICON,
                              0, 0, client.right, client.bottom, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(pane ? kListIdPane1 : kListIdPane0)),
                              reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
  if (!list) return nullptr;
  FilePanes[pane].list = list;
  EnableListLabelTips();
  if (!AttachSystemImageLists(list)) {
    FilePanes[pane].list = nullptr;
    DestroyWindow(list);
    return nullptr;
  }
  WNDPROC own = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(list, GWLP_WNDPROC));
  if (!g_listClassProc) g_listClassProc = own;
  SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FileListWndProc));
  return list;
}

BOOL AttachSystemImageLists(HWND list) {
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHFILEINFOA info{};
  auto small = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  auto large = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(windows, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_LARGEICON));
  if (!small || !large) return FALSE;
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
  SendMessageA(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
  return TRUE;
}

const char* ColumnWidthsValueName(UINT columnSet, int pane) {
  static const char* const names[3][2] = {{"FileSys Columns 0", "FileSys Columns 1"},
                                          {"Zip Columns 0", "Zip Columns 1"},
                                          {"Object Columns 0", "Object Columns 1"}};
  if (columnSet < 1 || columnSet > 3) return nullptr;
  return names[columnSet - 1][pane ? 1 : 0];
}

void SavePaneColumnWidths(int pane) {
  const FilePane& record = FilePanes[pane];
  if (record.viewId != kViewDetails || !record.list) return;
  if (const char* name = ColumnWidthsValueName(record.columnSet, pane)) SaveListColumnWidths(record.list, name);
}

BOOL SetupListColumns(HWND list, UINT columnSet) {
  int pane = PaneIndexOfWindow(list);
  bool ok = false;
  int32_t stored[10];
  switch (columnSet) {
    case kColumnSetFileSystem: {
      const char* name = ColumnWidthsValueName(columnSet, pane);
      bool have = ReadColumnWidths(stored, name);
      ok = InsertColumns(list, kFileSystemColumns, 7, have ? stored : nullptr);
      break;
    }
    case kColumnSetArchive: {
      const char* name = ColumnWidthsValueName(columnSet, pane);
      bool have = ReadColumnWidths(stored, name);
      ok = InsertColumns(list, kArchiveColumns, 10, have ? stored : nullptr);
      break;
    }
    case kColumnSetObjects: {
      HWND tree = FilePanes[pane].tree;
      FolderTreeItem* record = tree ? GetTreeItemRecord(tree, reinterpret_cast<HTREEITEM>(
                                                                  SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)))
                                    : nullptr;
      if (record && IsSpecialFolderPidl(record->absolute, CSIDL_DRIVES))
        ok = InsertColumns(list, kMyComputerColumns, 4, nullptr);
      else if (record && (record->kind & kTreeKindFtpRoot))
        ok = InsertColumns(list, kFtpSitesColumns, 4, nullptr);
      else
        ok = InsertColumns(list, kOtherObjectColumns, 1, nullptr);
      break;
    }
  }
  return ok;
}

void DeleteAllListColumns(HWND list) {
  for (int i = 0; i < 10; ++i) SendMessageA(list, LVM_DELETECOLUMN, 0, 0);
}

DWORD ViewStyleOfCommand(UINT viewId) {
  switch (viewId) {
    case kViewLargeIcons: return LVS_ICON;
    case kViewSmallIcons: return LVS_SMALLICON;
    case kViewList: return LVS_LIST;
    default: return LVS_REPORT;
  }
}

void SetPaneViewMode(HWND list, DWORD style, UINT viewId) {
  int pane = PaneIndexOfWindow(list);
  FilePane& record = FilePanes[pane];
  if (record.viewId == kViewDetails && viewId != kViewDetails) SavePaneColumnWidths(pane);
  record.viewId = viewId;
  if (g_paneServices.updateViewButtons) g_paneServices.updateViewButtons(viewId);
  LONG_PTR current = GetWindowLongPtrA(list, GWL_STYLE);
  if ((current & LVS_TYPEMASK) != static_cast<LONG_PTR>(style & LVS_TYPEMASK))
    SetWindowLongPtrA(list, GWL_STYLE, (current & ~static_cast<LONG_PTR>(LVS_TYPEMASK)) | (style & LVS_TYPEMASK));
}

void ApplyListExtendedStyles() {
  const LiveOptions& options = GetLiveOptions();
  HWND first = FilePanes[0].list;
  if (!first) return;
  DWORD style = static_cast<DWORD>(SendMessageA(first, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  auto apply = [&](DWORD bit, bool on) { style = on ? (style | bit) : (style & ~bit); };
  apply(LVS_EX_FULLROWSELECT, options.fullRowSelect);
  apply(LVS_EX_ONECLICKACTIVATE, options.singleClickOpens);
  apply(LVS_EX_UNDERLINEHOT, options.underlineHover);
  apply(LVS_EX_TRACKSELECT, options.underlineAlways);
  for (const FilePane& pane : FilePanes)
    if (pane.list) SendMessageA(pane.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}

void EnableListLabelTips() {
  for (const FilePane& pane : FilePanes) {
    if (!pane.list) continue;
    DWORD style = static_cast<DWORD>(SendMessageA(pane.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    SendMessageA(pane.list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style | LVS_EX_LABELTIP);
  }
}

void DriveTypeText(const char* root, char* buffer, int size) {
  UINT id = 0;
  switch (GetDriveTypeA(root)) {
    case DRIVE_REMOVABLE: id = IDS_DRIVE_REMOVABLE; break;
    case DRIVE_FIXED: id = IDS_DRIVE_FIXED; break;
    case DRIVE_REMOTE: id = IDS_DRIVE_REMOTE; break;
    case DRIVE_CDROM: id = IDS_DRIVE_CDROM; break;
    case DRIVE_RAMDISK: id = IDS_DRIVE_RAMDISK; break;
  }
  buffer[0] = 0;
  if (id) LoadStringA(ResourceInstance(), id, buffer, size);
}

void GetListColumnText(NMLVDISPINFOA* info, FileListItem* item, int pane, const char* nameText) {
  SetText(info, "");
  if (!item) return;
  const FilePane& record = FilePanes[pane];
  const LiveOptions& options = GetLiveOptions();
  int column = info->item.iSubItem;
  int textCase = column;
  if (record.listKind == kListKindArchive || record.zipAsFolder) {
    if (column < 0 || column > 9) return;
    textCase = kArchiveColumnCase[column];
  } else if (column > 9) {
    return;
  }
  // The FTP-sites list shows the FTP folder's own column texts.
  if (column > 0 && column < 4 && PaneShowsFtpRoot(pane)) {
    char ftpText[MAX_PATH];
    if (SUCCEEDED(GetFtpSiteColumnText(item->folder, item->pidl, column, ftpText, MAX_PATH))) SetText(info, ftpText);
    return;
  }
  const bool fileSystem = item->attributes & SFGAO_FILESYSTEM;
  const bool deletable = item->attributes & SFGAO_CANDELETE;
  const bool isFolder = item->fileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  char text[MAX_PATH + 40] = "";
  char parsing[MAX_PATH] = "";
  auto parsingName = [&]() -> const char* {
    if (!parsing[0] && item->folder && item->pidl)
      GetDisplayNameText(item->folder, item->pidl, SHGDN_FORPARSING, parsing);
    return parsing;
  };
  switch (textCase) {
    case 0: {
      if (item->kind == kItemArchiveEntry) {
        const char* path = item->entryPath ? item->entryPath : "";
        const char* slash = strrchr(path, '\\');
        const char* slash2 = strrchr(path, '/');
        if (slash2 > slash) slash = slash2;
        lstrcpynA(text, slash ? slash + 1 : path, MAX_PATH);
      } else if (!options.showParsingNames) {
        if (nameText && nameText[0]) lstrcpynA(text, nameText, MAX_PATH);
        else GetDisplayNameText(item->folder, item->pidl, SHGDN_NORMAL, text);
      } else if (item->kind == kItemFromFindData && parsingName()[0]) {
        const char* slash = strrchr(parsing, '\\');
        lstrcpynA(text, slash && slash[1] ? slash + 1 : parsing, MAX_PATH);
      } else {
        GetDisplayNameText(item->folder, item->pidl, SHGDN_NORMAL, text);
      }
      // A folder (or an archive shown as one) makes the tree's node expandable.
      if (isFolder || (!options.noArchivesAsFolders && item->kind != kItemArchiveEntry && fileSystem &&
                       parsingName()[0] && IsArchivePath(nullptr, nullptr, parsing, nullptr))) {
        HWND tree = record.tree;
        HTREEITEM node = tree ? reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
        if (node) {
          TVITEMA tv{};
          tv.mask = TVIF_CHILDREN | TVIF_HANDLE;
          tv.hItem = node;
          SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
          if (!tv.cChildren) {
            tv.cChildren = 1;
            SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
          }
        }
      }
      break;
    }
    case 1:
      if (item->kind == kItemArchiveEntry) {
        lstrcpynA(text, ExtensionOf(item->entryPath ? item->entryPath : ""), MAX_PATH);
      } else if (!fileSystem) {
        if (item->kind == kItemNonFileSystem) LoadStringA(ResourceInstance(), IDS_SYSTEM_FOLDER, text, MAX_PATH);
        break;
      } else if (item->kind == kItemNonFileSystem) {
        DriveTypeText(parsingName(), text, MAX_PATH);
        break;
      } else {
        lstrcpynA(text, ExtensionOf(parsingName()), MAX_PATH);
      }
      if (text[0] == '.') memmove(text, text + 1, strlen(text));
      CharLowerA(text);
      break;
    case 2:
      if (!fileSystem && item->kind != kItemArchiveEntry) break;
      if (item->kind == kItemNonFileSystem) {
        uint64_t total, free;
        if (DriveSizes(parsingName(), &total, &free)) FormatSize(total, text, sizeof text);
      } else if (!isFolder) {
        FormatThousands(static_cast<int64_t>(item->size), text, sizeof text);
      }
      break;
    case 3:
      if (item->kind == kItemFileSystemPlain && (!fileSystem || !deletable)) {
        LoadStringA(ResourceInstance(), IDS_SYSTEM_FOLDER, text, MAX_PATH);
      } else if (item->kind == kItemNonFileSystem && fileSystem) {
        uint64_t total, free;
        if (DriveSizes(parsingName(), &total, &free)) FormatSize(free, text, sizeof text);
      } else if (item->kind == kItemArchiveEntry) {
        lstrcpynA(text, item->typeText ? item->typeText : "", MAX_PATH);
      } else if (LPITEMIDLIST absolute = MakeAbsolutePidl(item->folder, item->pidl)) {
        SHFILEINFOA fileInfo{};
        if (SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &fileInfo, sizeof fileInfo, SHGFI_PIDL | SHGFI_TYPENAME))
          lstrcpynA(text, fileInfo.szTypeName, MAX_PATH);
        FreePidl(absolute);
      }
      break;
    case 4:
    case 5:
      if ((fileSystem && deletable) || item->kind == kItemArchiveEntry) {
        FILETIME local;
        SYSTEMTIME when;
        if (FileTimeToLocalFileTime(&item->lastWrite, &local) && FileTimeToSystemTime(&local, &when)) {
          if (textCase == 4) GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, text, MAX_PATH);
          else GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &when, nullptr, text, MAX_PATH);
        }
      }
      break;
    case 6:
      if (fileSystem || item->kind == kItemFileSystemPlain || item->kind == kItemArchiveEntry) {
        DWORD a = item->fileAttributes;
        wsprintfA(text, "%s%s%s%s%s%s%s", (a & FILE_ATTRIBUTE_READONLY) ? "r" : "",
                  (a & FILE_ATTRIBUTE_HIDDEN) ? "h" : "", (a & FILE_ATTRIBUTE_SYSTEM) ? "s" : "",
                  (a & FILE_ATTRIBUTE_ARCHIVE) ? "a" : "", (a & FILE_ATTRIBUTE_DIRECTORY) ? "d" : "",
                  (a & FILE_ATTRIBUTE_COMPRESSED) ? "c" : "", item->siblingCompressed ? "+" : "");
      }
      break;
    case 7:
      if (!isFolder) FormatThousands(item->compressedSize, text, sizeof text);
      break;
    case 8:
      if (!isFolder) {
        // 64-bit arithmetic: no overflow for large entries, and a compressed size above the
        // size gives 0%, not a negative ratio.
        uint64_t size = item->size, packed = item->compressedSize;
        int64_t ratio = 0;
        if (size && packed) ratio = 100 - static_cast<int64_t>(packed * 100 / size);
        if (ratio < 0) ratio = 0;
        wsprintfA(text, "%d%%", static_cast<int>(ratio));
      }
      break;
    case 9:
      if (item->kind == kItemArchiveEntry && item->entryPath) {
        lstrcpynA(text, item->entryPath, MAX_PATH);
        char* slash = strrchr(text, '\\');
        char* slash2 = strrchr(text, '/');
        if (slash2 > slash) slash = slash2;
        if (slash) *slash = 0;
        else text[0] = 0;
      }
      break;
  }
  SetText(info, text);
}

BOOL IsUpEntryWanted(int pane) {
  HWND tree = FilePanes[pane].tree;
  return GetLiveOptions().showUpEntry && !(tree && IsTreeRootSelected(tree));
}

BOOL InsertUpOneLevelItem(int pane) {
  HWND list = FilePanes[pane].list;
  if (!list || !IsUpEntryWanted(pane)) return FALSE;
  char path[MAX_PATH + 20] = "";
  ReadInstallDir(path);
  size_t length = strlen(path);
  if (length && path[length - 1] != '\\') lstrcatA(path, "\\");
  lstrcatA(path, "firstup.exe");
  SHFILEINFOA info{};
  int image = 0;
  if (SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON)) {
    image = info.iIcon;
  } else if (SHGetFileInfoA("..", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                            SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES)) {
    image = info.iIcon;
  }
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
  item.iItem = 0;
  item.pszText = const_cast<char*>("");
  item.iImage = image;
  item.lParam = 0;
  return SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) >= 0;
}

void RemoveUpOneLevelItem(int pane) {
  HWND list = FilePanes[pane].list;
  if (!list || (FilePanes[pane].tree && IsTreeRootSelected(FilePanes[pane].tree))) return;
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 && !GetListItemRecord(list, 0))
    SendMessageA(list, LVM_DELETEITEM, 0, 0);
}

void ApplyUpEntryOption() {
  for (int pane = 0; pane < 2; ++pane) {
    HWND list = FilePanes[pane].list;
    if (!list) continue;
    bool present = SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0 && !GetListItemRecord(list, 0);
    if (GetLiveOptions().showUpEntry && !present) InsertUpOneLevelItem(pane);
    else if (!GetLiveOptions().showUpEntry && present) RemoveUpOneLevelItem(pane);
  }
}

void FocusFirstItemIfNone(HWND list) {
  if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) <= 0) return;
  if (SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) >= 0) return;
  LVITEMA item{};
  item.stateMask = LVIS_FOCUSED;
  item.state = LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
}

char* BuildCommandLineFromSelection(uint64_t* total, BOOL quoted, BOOL namesOnly) {
  HWND list = FilePanes[ActivePaneIndex].list;
  if (!list) return nullptr;
  // One pass that builds the text as it goes: the short form of a name may be longer than the
  // long one, so nothing is sized in advance.
  std::string line = quoted ? "\"" : "";
  bool any = false;
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); i >= 0;
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
    FileListItem* item = GetListItemRecord(list, i);
    if (!item || !item->folder) continue;
    char path[MAX_PATH];
    if (!GetDisplayNameText(item->folder, item->pidl, SHGDN_FORPARSING, path) || !path[0]) continue;
    bool isFolder = item->fileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    if (total) *total += isFolder ? FolderFilesSize(path) : item->size;
    std::string name = path;
    if (!quoted) {
      char shortPath[MAX_PATH];
      DWORD n = GetShortPathNameA(path, shortPath, MAX_PATH);
      if (n && n < MAX_PATH) name = shortPath;
    }
    if (namesOnly) {
      size_t slash = name.rfind('\\');
      if (slash != std::string::npos) name = name.substr(slash + 1);
      if (isFolder) name += "\\*.*";
    } else if (isFolder) {
      if (name.empty() || name.back() != '\\') name += '\\';
      name += "*.*";
    }
    line += name;
    line += quoted ? "\" \"" : " ";
    any = true;
  }
  if (!any) return nullptr;
  line.pop_back();
  char* result = static_cast<char*>(malloc(line.size() + 1));
  if (result) memcpy(result, line.c_str(), line.size() + 1);
  return result;
}

FileListItem* GetListItemRecord(HWND list, int index) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<FileListItem*>(item.lParam);
}

void FreeFileListItem(FileListItem* item) {
  if (!item) return;
  if (item->folder) item->folder->Release();
  FreePidl(item->pidl);
  FreePidl(item->entryPath);
  FreePidl(item->typeText);
  FreePidl(item);
}
