#include "status_bar.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "disk_space.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "frame_state.h"
#include "number_format.h"
#include "pidl.h"
#include "resource.h"
#include "settings_store.h"
#include "program_values.h"
#include "vfolder_entry.h"

namespace {

HFONT StatusFont(bool* owned) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  *owned = false;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    HFONT f = CreateFontIndirectA(&metrics.lfStatusFont);
    if (f) {
      *owned = true;
      return f;
    }
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int TextWidthInStatusFont(HWND window, const char* text) {
  bool owned;
  HFONT font = StatusFont(&owned);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  if (owned) DeleteObject(font);
  return size.cx;
}

void LoadText(UINT id, char* buffer, int size) {
  buffer[0] = 0;
  LoadStringA(g_instance, id, buffer, size);
}

void SetPart(HWND bar, int part, const char* text) {
  SendMessageA(bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text));
}

// The folder texts of the tree's selected node: what the title shows, and its parsing name.
bool FolderTexts(HWND tree, char* shown, char* parsing, bool* fileSystem, bool* isRoot) {
  shown[0] = parsing[0] = 0;
  HTREEITEM node = TreeView_GetSelection(tree);
  if (!node) return false;
  FolderTreeItem* item = GetTreeItemRecord(tree, node);
  *isRoot = TreeView_GetParent(tree, node) == nullptr;
  *fileSystem = item && (item->attributes & SFGAO_FILESYSTEM) != 0;
  if (item && item->folder && item->relative) {
    GetDisplayNameText(item->folder, item->relative, SHGDN_FORPARSING, parsing);
    const LiveOptions& o = GetLiveOptions();
    if (o.titleFullPath && *fileSystem && parsing[0]) {
      strcpy(shown, parsing);
    } else if (!GetDisplayNameText(item->folder, item->relative,
                                   SHGDN_NORMAL | SHGDN_FORADDRESSBAR, shown)) {
      GetDisplayNameText(item->folder, item->relative, SHGDN_NORMAL, shown);
    }
  } else {
    GetTreeSelectionPath(tree, shown, TRUE, FALSE);
  }
  return shown[0] != 0;
}

void FormatFileTime(const FILETIME& utc, char* date, int dateSize, char* time, int timeSize) {
  FILETIME local;
  SYSTEMTIME st;
  date[0] = time[0] = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return;
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, dateSize);
  GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, timeSize);
}

void UpdateSelectionPart(HWND bar, HWND list) {
  int count = 0;
  uint64_t sum = 0;
  FileListItem* single = nullptr;
  for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
    FileListItem* item = GetListItemRecord(list, i);
    ++count;
    single = item;
    if (item && item->kind != kItemNonFileSystem &&
        !(item->fileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      sum += item->size;
  }
  char text[MAX_PATH + 64];
  char format[100];
  if (count == 1 && single) {
    if (single->kind == kItemNonFileSystem) {
      LoadText(IDS_ONE_SELECTED, text, sizeof text);
    } else {
      char size[64], date[64], time[64];
      if (single->fileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        LoadText(IDS_SUBFOLDER, size, sizeof size);
      else
        FormatSize(single->size, size, sizeof size);
      FormatFileTime(single->lastWrite, date, sizeof date, time, sizeof time);
      snprintf(text, sizeof text, "%s,  %s   %s", size, date, time);
    }
  } else if (sum == 0) {
    LoadText(IDS_SELECTED_COUNT, format, sizeof format);
    snprintf(text, sizeof text, format, count);
  } else {
    char size[64];
    FormatSize(sum, size, sizeof size);
    LoadText(IDS_SELECTED_COUNT_SIZE, format, sizeof format);
    snprintf(text, sizeof text, format, count, size);
  }
  SetPart(bar, 1, text);
}

void UpdateTotalsPart(HWND bar, const FilePane& pane) {
  char text[200], format[100];
  if (pane.totalSize == 0) {
    LoadText(IDS_TOTAL_COUNT, format, sizeof format);
    snprintf(text, sizeof text, format, pane.itemCount);
  } else {
    char size[64];
    FormatSize(pane.totalSize, size, sizeof size);
    LoadText(IDS_TOTAL_COUNT_SIZE, format, sizeof format);
    snprintf(text, sizeof text, format, pane.itemCount, size);
  }
  SetPart(bar, 2, text);
}

}  // namespace

HWND CreateStatusBar(HWND parent) {
  HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, -100, -100, 10, 10,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                             g_instance, nullptr);
  if (!bar) return nullptr;
  RECT r;
  GetWindowRect(bar, &r);
  g_frame.statusBarHeight = r.bottom - r.top + 1;
  g_frame.statusPartWidth = TextWidthInStatusFont(bar, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
  int edges[3] = {g_frame.statusPartWidth, 2 * g_frame.statusPartWidth,
                  3 * g_frame.statusPartWidth};
  SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
  return bar;
}

bool GetDriveSizes(const char* letter, uint64_t* total, uint64_t* free) {
  *total = *free = 0;
  if (!letter || !letter[0]) return false;
  char root[8];
  snprintf(root, sizeof root, "%c:\\", letter[0]);
  return QueryDiskSpace(root, total, free);
}

void FormatWindowTitle(const char* folder, BOOL pathFirst, char* buffer, size_t size) {
  if (pathFirst)
    snprintf(buffer, size, "%s <- %s", folder, g_title);
  else
    snprintf(buffer, size, "%s -> %s", g_title, folder);
}

void ShortenFolderText(const char* folder, char* buffer, size_t size) {
  char name[MAX_PATH] = "", ext[MAX_PATH] = "";
  _splitpath(folder, nullptr, nullptr, name, ext);
  snprintf(buffer, size, "\\\\...\\%s%s", name, ext);
}

void UpdateStatusBar(HWND bar, HWND list, BOOL withFolderPart) {
  if (ArchiveBusy || !bar || !list) return;
  int pane = PaneIndexOfWindow(list);
  if (pane != ActivePaneIndex) return;
  if (pane == 1 && !g_paneLayout.twoPanes) return;
  FilePane& p = FilePanes[pane];
  if (withFolderPart) {
    char shown[MAX_PATH], parsing[MAX_PATH];
    bool fileSystem = false, isRoot = false;
    if (!p.tree || !FolderTexts(p.tree, shown, parsing, &fileSystem, &isRoot)) return;
    const LiveOptions& o = GetLiveOptions();
    // Title: the folder, with the file filter's patterns for a file-system folder.
    char titleFolder[MAX_PATH + 300];
    snprintf(titleFolder, sizeof titleFolder, "%s", shown);
    if (fileSystem) {
      size_t n = strlen(titleFolder);
      if (n && titleFolder[n - 1] != '\\' && n + 1 < sizeof titleFolder) strcat(titleFolder, "\\");
      char patterns[261];
      snprintf(patterns, sizeof patterns, "%s", o.fileFilter.patterns);
      snprintf(titleFolder + strlen(titleFolder), sizeof titleFolder - strlen(titleFolder), "%s",
               patterns);
    }
    char title[MAX_PATH + 500];
    FormatWindowTitle(titleFolder, o.titlePathFirst, title, sizeof title);
    if (g_mainWindow) SetWindowTextA(g_mainWindow, title);
    if (o.dosBarShown && o.dosShowPath && g_frame.commandLineEdit) {
      bool pathLike = fileSystem && (shown[0] == '\\' || (shown[0] && shown[1] == ':'));
      SetWindowTextA(g_frame.commandLineEdit, pathLike ? shown : "");
    }
    // Part 0: the free space of the drive, or the folder.
    char part0[MAX_PATH + 200];
    bool drivePart = false;
    if (fileSystem && !isRoot && parsing[0] && parsing[1] == ':') {
      uint64_t total, free;
      if (GetDriveSizes(parsing, &total, &free)) {
        char format[100], freeText[64], totalText[64];
        LoadText(IDS_DRIVE_FREE, format, sizeof format);
        FormatSize(free, freeText, sizeof freeText);
        FormatSize(total, totalText, sizeof totalText);
        char drive[3] = {static_cast<char>(toupper(static_cast<unsigned char>(parsing[0]))), ':', 0};
        snprintf(part0, sizeof part0, format, drive, freeText, totalText);
        drivePart = true;
      }
    }
    if (!drivePart) {
      snprintf(part0, sizeof part0, "%s", shown);
      if (TextWidthInStatusFont(bar, part0) > g_frame.statusPartWidth)
        ShortenFolderText(shown, part0, sizeof part0);
    }
    SetPart(bar, 0, part0);
  }
  UpdateTotalsPart(bar, p);
  UpdateSelectionPart(bar, list);
}
