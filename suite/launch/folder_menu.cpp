#include "folder_menu.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>
#include "pidl.h"
#include "seams.h"
#include "shortcut_file.h"

namespace {
std::set<const FolderMenuEntry*> g_entries;  // every live entry, to recognise ours when drawing
int g_itemHeight = 20;

HFONT MenuFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return CreateFontIndirectA(&metrics.lfMenuFont);
  return nullptr;
}

int EntriesPerColumn() {
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) || work.bottom <= work.top) return 50;
  return std::max<int>(5, (work.bottom - work.top) / (GetSystemMetrics(SM_CYMENU) + 2));
}

bool EndsWithLnk(const char* path) {
  size_t n = strlen(path);
  return n > 4 && _stricmp(path + n - 4, ".lnk") == 0;
}

bool IsExistingDirectory(const char* path) {
  DWORD a = GetFileAttributesA(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsDriveOrUncPath(const char* p) {
  return (p[0] && p[1] == ':') || (p[0] == '\\' && p[1] == '\\');
}

// The path of a shortcut's target ("" when it has none in the file system); false when the
// shortcut does not load.
bool ShortcutTargetPath(const char* lnk, char* path) {
  path[0] = '\0';
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link))))
    return false;
  bool ok = false;
  IPersistFile* persist = nullptr;
  WCHAR wide[MAX_PATH];
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      MultiByteToWideChar(CP_ACP, 0, lnk, -1, wide, MAX_PATH) && SUCCEEDED(persist->Load(wide, STGM_READ))) {
    link->Resolve(nullptr, SLR_NO_UI | SLR_ANY_MATCH | (300u << 16));
    if (FAILED(link->GetPath(path, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) path[0] = '\0';
    ok = true;
  }
  if (persist) persist->Release();
  link->Release();
  return ok;
}

void FreeEntry(FolderMenuEntry* e) {
  g_entries.erase(e);
  if (e->submenu) ReleaseFolderMenu(e->submenu);
  FreePidl(e->item);
  FreePidl(e->absolute);
  if (e->owner) e->owner->Release();
  delete e;
}

bool EntryLess(const FolderMenuEntry* a, const FolderMenuEntry* b) {
  if (a->isFolder != b->isFolder) return a->isFolder > b->isFolder;
  if (a->folderLink != b->folderLink) return a->folderLink > b->folderLink;
  return strcmp(a->name, b->name) < 0;
}

HMENU BuildLevel(IShellFolder* desktop, LPCITEMIDLIST absolute, HMENU existing, FolderMenuBuild& build,
                 const char* emptyText, bool noEmptyEntry, HDC dc, int depth) {
  IShellFolder* folder = nullptr;
  if (!absolute || !absolute->mkid.cb) {
    folder = desktop;
    folder->AddRef();
  } else if (FAILED(desktop->BindToObject(absolute, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder)))) {
    return nullptr;
  }
  IEnumIDList* list = nullptr;
  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  HRESULT hr = folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &list);
  SetErrorMode(oldMode);
  if (FAILED(hr) && hr != S_FALSE) {
    folder->Release();
    return nullptr;
  }
  HMENU menu = existing ? existing : CreatePopupMenu();
  std::vector<FolderMenuEntry*> entries;
  int widest = 0;
  LPITEMIDLIST child = nullptr;
  ULONG fetched = 0;
  while (list && static_cast<int>(entries.size()) < build.maxEntries && list->Next(1, &child, &fetched) == S_OK && fetched) {
    auto* e = new FolderMenuEntry{};
    e->item = child;
    e->absolute = CombinePidls(absolute, child);
    e->owner = folder;
    folder->AddRef();
    g_entries.insert(e);
    ULONG attributes = SFGAO_FOLDER;
    LPCITEMIDLIST one = child;
    if (FAILED(folder->GetAttributesOf(1, &one, &attributes))) attributes = 0;
    GetDisplayNameText(folder, child, SHGDN_NORMAL, e->name, sizeof e->name);
    GetDisplayNameText(folder, child, SHGDN_FORPARSING, e->parsingName, sizeof e->parsingName);
    bool keep = true;
    if (attributes & SFGAO_FOLDER) {
      e->isFolder = 1;
      // Deep trees stop somewhere: a folder inside 16 others is a plain entry of its own menu.
      e->submenu = depth < 16 ? BuildLevel(desktop, e->absolute, nullptr, build, emptyText, false, dc, depth + 1) : nullptr;
      keep = e->submenu != nullptr;
    } else {
      if (build.nextId > build.lastId) {
        keep = false;  // the command-id range is used up
      } else {
        e->commandId = build.nextId++;
      }
      if (keep && build.resolveShortcuts && EndsWithLnk(e->parsingName)) {
        char target[MAX_PATH];
        if (ShortcutTargetPath(e->parsingName, target) &&
            (!target[0] || (IsDriveOrUncPath(target) && IsExistingDirectory(target))))
          e->folderLink = 1;
      }
    }
    if (!keep) {
      FreeEntry(e);
      continue;
    }
    SIZE size{};
    GetTextExtentPoint32A(dc, e->name, static_cast<int>(strlen(e->name)), &size);
    g_itemHeight = std::max<int>(g_itemHeight, size.cy);
    widest = std::max<int>(widest, size.cx);
    entries.push_back(e);
  }
  if (list) list->Release();
  folder->Release();
  std::sort(entries.begin(), entries.end(), EntryLess);
  int perColumn = build.entriesPerColumn > 0 ? build.entriesPerColumn : EntriesPerColumn();
  for (size_t i = 0; i < entries.size(); ++i) {
    FolderMenuEntry* e = entries[i];
    e->width = std::max(30, widest + 30);
    UINT flags = MF_OWNERDRAW | ((i > 0 && i % static_cast<size_t>(perColumn) == 0) ? MF_MENUBREAK : 0);
    if (e->isFolder)
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(e->submenu), reinterpret_cast<LPCSTR>(e));
    else
      AppendMenuA(menu, flags, e->commandId, reinterpret_cast<LPCSTR>(e));
  }
  if (entries.empty() && !noEmptyEntry)
    AppendMenuA(menu, MF_STRING | MF_GRAYED | MF_DISABLED, kEmptyFolderEntryId, emptyText ? emptyText : "(empty)");
  return menu;
}

FolderMenuEntry* EntryOfItem(HMENU menu, int position) {
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_DATA | MIIM_FTYPE;
  if (!GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info) || !(info.fType & MFT_OWNERDRAW)) return nullptr;
  auto* e = reinterpret_cast<FolderMenuEntry*>(info.dwItemData);
  return g_entries.count(e) ? e : nullptr;
}
}  // namespace

HMENU BuildFolderMenu(LPCITEMIDLIST absolute, HMENU existing, FolderMenuBuild& build, const char* emptyText,
                      bool noEmptyEntry) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  g_itemHeight = std::max(build.itemHeight, 20);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = MenuFont();
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  HMENU menu = BuildLevel(desktop, absolute, existing, build, emptyText, noEmptyEntry, dc, 0);
  SelectObject(dc, old);
  if (font) DeleteObject(font);
  DeleteDC(dc);
  desktop->Release();
  build.itemHeight = g_itemHeight;
  return menu;
}

void ReleaseFolderMenuItemsFrom(HMENU menu, int position) {
  if (!menu || !IsMenu(menu)) return;
  int count = GetMenuItemCount(menu);
  std::vector<FolderMenuEntry*> entries;
  for (int i = position < 0 ? 0 : position; i < count; ++i)
    if (FolderMenuEntry* e = EntryOfItem(menu, i)) entries.push_back(e);
  // Submenus are freed through their entries; detach them so DestroyMenu does not free them twice.
  for (int i = count - 1; i >= position && i >= 0; --i) RemoveMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
  for (FolderMenuEntry* e : entries) FreeEntry(e);
}

void ReleaseFolderMenu(HMENU menu) {
  if (!menu || !IsMenu(menu)) return;
  ReleaseFolderMenuItemsFrom(menu, 0);
  DestroyMenu(menu);
}

FolderMenuEntry* FindFolderMenuEntry(HMENU menu, UINT commandId) {
  if (!menu || !commandId) return nullptr;
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    FolderMenuEntry* e = EntryOfItem(menu, i);
    if (!e) continue;
    if (!e->isFolder && e->commandId == commandId) return e;
    if (e->submenu)
      if (FolderMenuEntry* found = FindFolderMenuEntry(e->submenu, commandId)) return found;
  }
  return nullptr;
}

LPITEMIDLIST GetFolderMenuEntryTarget(const FolderMenuEntry* e, BOOL* isFolder) {
  if (isFolder) *isFolder = FALSE;
  if (!e) return nullptr;
  LPITEMIDLIST target = nullptr;
  char path[MAX_PATH] = "";
  if (EndsWithLnk(e->parsingName) && ShortcutTargetPath(e->parsingName, path) && (!path[0] || IsExistingDirectory(path))) {
    ResolveShortcutToPidl(e->parsingName, &target);
  }
  if (!target) {
    target = CopyPidl(GetShellAllocator(), e->absolute);
    path[0] = '\0';
  }
  if (isFolder) {
    ULONG attributes = SFGAO_FOLDER;
    LPCITEMIDLIST one = e->item;
    bool folder = e->owner && SUCCEEDED(e->owner->GetAttributesOf(1, &one, &attributes)) && (attributes & SFGAO_FOLDER);
    *isFolder = folder || (path[0] && IsExistingDirectory(path));
  }
  return target;
}

BOOL MeasureFolderMenuItem(MEASUREITEMSTRUCT* m) {
  if (!m || m->CtlType != ODT_MENU) return FALSE;
  auto* e = reinterpret_cast<FolderMenuEntry*>(m->itemData);
  if (!g_entries.count(e)) return FALSE;
  m->itemHeight = static_cast<UINT>(g_itemHeight);
  m->itemWidth = static_cast<UINT>(e->width);
  return TRUE;
}

BOOL DrawFolderMenuItem(const DRAWITEMSTRUCT* d) {
  if (!d || d->CtlType != ODT_MENU) return FALSE;
  auto* e = reinterpret_cast<FolderMenuEntry*>(d->itemData);
  if (!g_entries.count(e)) return FALSE;
  bool selected = (d->itemState & ODS_SELECTED) != 0;
  RECT r = d->rcItem;
  FillRect(d->hDC, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  COLORREF text = GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
  SetTextColor(d->hDC, text);
  SetBkMode(d->hDC, TRANSPARENT);
  HFONT font = MenuFont();
  HGDIOBJ old = SelectObject(d->hDC, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  RECT t = r;
  t.left += 22;
  DrawTextA(d->hDC, e->name, -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  SelectObject(d->hDC, old);
  if (font) DeleteObject(font);
  SHFILEINFOA info{};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (e->isFolder ? SHGFI_OPENICON : 0);
  HIMAGELIST images = e->absolute
                          ? reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(reinterpret_cast<const char*>(e->absolute), 0, &info,
                                                                        sizeof info, flags | SHGFI_PIDL))
                          : reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(e->parsingName, 0, &info, sizeof info, flags));
  if (images)
    ImageList_Draw(images, info.iIcon, d->hDC, r.left + 2, r.top + ((r.bottom - r.top) - 16) / 2, ILD_TRANSPARENT);
  if (e->isFolder) {
    int middle = (r.top + r.bottom) / 2, tip = r.right - 12;
    POINT triangle[3] = {{tip - 6, middle - 3}, {tip, middle}, {tip - 6, middle + 3}};
    HBRUSH brush = CreateSolidBrush(text);
    HPEN pen = CreatePen(PS_SOLID, 1, text);
    HGDIOBJ ob = SelectObject(d->hDC, brush), op = SelectObject(d->hDC, pen);
    Polygon(d->hDC, triangle, 3);
    SelectObject(d->hDC, ob);
    SelectObject(d->hDC, op);
    DeleteObject(brush);
    DeleteObject(pen);
  }
  return TRUE;
}

int GetFavoritesFolderPath(char* out, const char* const names[5]) {
  out[0] = '\0';
  char program[MAX_PATH] = "";
  if (!GetModuleFileNameA(nullptr, program, MAX_PATH)) return 0;
  char* slash = strrchr(program, '\\');
  if (slash) *slash = '\0';
  char user[100] = "Default";
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::MachineRoot(), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", 0,
                    KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    char value[100] = "";
    DWORD size = sizeof value - 1, type = 0;
    if (RegQueryValueExA(key, "DefaultUserName", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        type == REG_SZ && size > 0) {
      value[std::min<DWORD>(size, sizeof value - 1)] = '\0';
      StripIllegalFileNameChars(value);
      if (value[0] && strcmp(value, ".") && strcmp(value, "..")) lstrcpynA(user, value, sizeof user);
    }
    RegCloseKey(key);
  }
  std::string userFolder = std::string(program) + "\\" + user;
  std::string favorites = userFolder + "\\Favorites";
  if (favorites.size() >= MAX_PATH) return 0;
  CreateDirectoryA(userFolder.c_str(), nullptr);
  bool created = CreateDirectoryA(favorites.c_str(), nullptr) != 0;
  DWORD a = GetFileAttributesA(favorites.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) return 0;
  if (created && names) {
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    CreateShortcutFile(favorites.c_str(), names[0], windows, nullptr, nullptr, nullptr, SW_SHOWNORMAL, nullptr, 0, nullptr);
    for (int i = 0; i < 2; ++i) {
      LPITEMIDLIST special = nullptr;
      if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, i == 0 ? CSIDL_DRIVES : CSIDL_CONTROLS, &special)) && special) {
        CreateShortcutFile(favorites.c_str(), names[1 + i], nullptr, nullptr, nullptr, nullptr, SW_SHOWNORMAL, nullptr, 0,
                           special);
        FreePidl(special);
      }
    }
    std::string programs = favorites + "\\" + names[3];
    CreateDirectoryA(programs.c_str(), nullptr);
    std::string notepad = std::string(windows) + (windows[0] && windows[strlen(windows) - 1] == '\\' ? "" : "\\") + "Notepad.exe";
    CreateShortcutFile(programs.c_str(), names[4], notepad.c_str(), nullptr, nullptr, nullptr, SW_SHOWNORMAL, nullptr, 0,
                       nullptr);
  }
  lstrcpynA(out, favorites.c_str(), MAX_PATH);
  return 1;
}

int AddShortcutToFolder(const char* folder, LPCITEMIDLIST item, const char* name, char* created) {
  if (created) created[0] = '\0';
  if (!folder || !item) return 0;
  char clean[MAX_PATH] = "";
  lstrcpynA(clean, name ? name : "", 200);
  StripIllegalFileNameChars(clean);
  if (!clean[0]) lstrcpynA(clean, "Shortcut", sizeof clean);
  std::string base = clean, chosen = clean;
  for (int n = 2; n < 10000; ++n) {
    std::string file = std::string(folder) + "\\" + chosen + ".lnk";
    if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) break;
    char numbered[MAX_PATH];
    snprintf(numbered, sizeof numbered, "%s (%d)", base.c_str(), n);
    chosen = numbered;
  }
  int ok = CreateShortcutFile(folder, chosen.c_str(), nullptr, nullptr, nullptr, nullptr, SW_SHOWNORMAL, nullptr, 0, item);
  if (ok && created) snprintf(created, MAX_PATH, "%s\\%s.lnk", folder, chosen.c_str());
  return ok;
}
