// The Send To menu: entries from the SendTo folder, owner-drawn, and the send itself.
#include "sendto_menu.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "file_drop.h"
#include "pidl.h"
#include "seams.h"

namespace {

constexpr UINT kEmptyEntryId = 300;
constexpr int kMaxEntriesPerFolder = 200;

struct SendToState {
  HMENU root = nullptr;
  std::vector<SendToMenuEntry*> entries;  // every entry of the tree
  IShellFolder* desktop = nullptr;
  IShellFolder* sendTo = nullptr;
  UINT nextId = 46000;
  UINT firstId = 46000;
  UINT lastId = 46999;
  int itemHeight = 22;
  std::string emptyText;
};
SendToState g_state;
std::string g_rootOverride;  // a folder in place of the user's SendTo folder

HFONT CreateMenuFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return CreateFontIndirectA(&metrics.lfMenuFont);
  return nullptr;
}

bool IsFolderLink(const char* parsingName) {
  size_t n = strlen(parsingName);
  if (n <= 4 || lstrcmpiA(parsingName + n - 4, ".lnk") != 0) return false;
  LPITEMIDLIST target = nullptr;
  if (!ResolveShortcutToPidl(parsingName, &target) || !target) return false;
  char path[MAX_PATH] = {};
  bool folder = SHGetPathFromIDListA(target, path) && path[0] &&
                (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) &&
                (GetFileAttributesA(path) & FILE_ATTRIBUTE_DIRECTORY);
  FreePidl(target);
  return folder;
}

void FreeEntry(SendToMenuEntry* entry) {
  if (entry->item) FreePidl(entry->item);
  if (entry->absolute) FreePidl(entry->absolute);
  if (entry->ownerFolder) entry->ownerFolder->Release();
  delete entry;
}

// Fills `menu` with the entries of `folder` (absolute list `folderList`); false when the folder
// cannot be listed.
bool FillMenu(HMENU menu, IShellFolder* folder, LPCITEMIDLIST folderList, HWND owner, HDC dc) {
  IEnumIDList* list = nullptr;
  if (FAILED(folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &list)) ||
      !list)
    return false;
  std::vector<SendToMenuEntry*> entries;
  LPITEMIDLIST item = nullptr;
  ULONG fetched = 0;
  int widest = 0;
  while (static_cast<int>(entries.size()) < kMaxEntriesPerFolder && list->Next(1, &item, &fetched) == S_OK &&
         fetched == 1 && item) {
    auto* entry = new SendToMenuEntry{};
    entry->item = item;
    entry->absolute = CombinePidls(folderList, item);
    entry->ownerFolder = folder;
    folder->AddRef();
    GetDisplayNameText(folder, item, SHGDN_NORMAL, entry->name, MAX_PATH);
    GetDisplayNameText(folder, item, SHGDN_FORPARSING, entry->parsingName, MAX_PATH);
    ULONG attributes = SFGAO_FOLDER | SFGAO_STREAM | SFGAO_LINK;
    LPCITEMIDLIST items[1] = {item};
    if (FAILED(folder->GetAttributesOf(1, items, &attributes))) attributes = 0;
    if ((attributes & SFGAO_FOLDER) && !(attributes & SFGAO_STREAM) && !(attributes & SFGAO_LINK)) {
      IShellFolder* sub = nullptr;
      HMENU submenu = CreatePopupMenu();
      if (submenu &&
          SUCCEEDED(folder->BindToObject(item, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub))) && sub &&
          FillMenu(submenu, sub, entry->absolute, owner, dc)) {
        entry->isFolder = 1;
        entry->submenu = submenu;
      } else if (submenu) {
        DestroyMenu(submenu);
      }
      if (sub) sub->Release();
      if (!entry->isFolder) {
        FreeEntry(entry);
        continue;
      }
    } else {
      // Command ids stop at the last id of the range: further entries are left off.
      if (g_state.nextId > g_state.lastId) {
        FreeEntry(entry);
        continue;
      }
      entry->commandId = g_state.nextId++;
      entry->folderLink = IsFolderLink(entry->parsingName) ? 1 : 0;
    }
    SIZE extent{};
    GetTextExtentPoint32A(dc, entry->name, lstrlenA(entry->name), &extent);
    g_state.itemHeight = std::max<int>(g_state.itemHeight, extent.cy + 4);
    entry->width = extent.cx;
    widest = std::max<int>(widest, extent.cx);
    entries.push_back(entry);
    g_state.entries.push_back(entry);
  }
  list->Release();
  std::stable_sort(entries.begin(), entries.end(),
                   [](const SendToMenuEntry* a, const SendToMenuEntry* b) { return CompareSendToItems(a, b) < 0; });
  int perColumn = std::max(1, (GetSystemMetrics(SM_CYSCREEN) - 30) / std::max(1, g_state.itemHeight));
  int index = 0;
  for (SendToMenuEntry* entry : entries) {
    entry->width = widest;
    UINT flags = MF_OWNERDRAW | ((index > 0 && index % perColumn == 0) ? MF_MENUBARBREAK : 0);
    if (entry->isFolder)
      AppendMenuA(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(entry->submenu), reinterpret_cast<LPCSTR>(entry));
    else
      AppendMenuA(menu, flags, entry->commandId, reinterpret_cast<LPCSTR>(entry));
    ++index;
  }
  if (entries.empty())
    AppendMenuA(menu, MF_STRING | MF_GRAYED, kEmptyEntryId, g_state.emptyText.c_str());
  return true;
}

SendToMenuEntry* EntryOfData(ULONG_PTR data) {
  for (SendToMenuEntry* entry : g_state.entries)
    if (reinterpret_cast<ULONG_PTR>(entry) == data) return entry;
  return nullptr;
}

void ReleaseState() {
  for (SendToMenuEntry* entry : g_state.entries) FreeEntry(entry);
  g_state.entries.clear();
  if (g_state.sendTo) g_state.sendTo->Release();
  if (g_state.desktop) g_state.desktop->Release();
  g_state.sendTo = nullptr;
  g_state.desktop = nullptr;
  g_state.root = nullptr;
}

}  // namespace

void SetSendToRootOverride(const char* folder) { g_rootOverride = folder ? folder : ""; }

int CompareSendToItems(const SendToMenuEntry* a, const SendToMenuEntry* b) {
  if (a->isFolder != b->isFolder) return a->isFolder ? -1 : 1;
  if (a->folderLink != b->folderLink) return a->folderLink ? -1 : 1;
  return strcmp(a->name, b->name);
}

HMENU BuildSendToMenu(const SendToMenuOptions& options) {
  ReleaseSendToMenu(g_state.root);
  g_state.firstId = g_state.nextId = options.firstId;
  g_state.lastId = options.lastId;
  g_state.itemHeight = 22;
  g_state.emptyText = options.emptyText ? options.emptyText : "";
  if (FAILED(SHGetDesktopFolder(&g_state.desktop)) || !g_state.desktop) {
    g_state.desktop = nullptr;
    return nullptr;
  }
  LPITEMIDLIST rootList = nullptr;
  const char* rootFolder = options.rootFolder && options.rootFolder[0] ? options.rootFolder
                           : g_rootOverride.empty()                  ? nullptr
                                                                     : g_rootOverride.c_str();
  if (rootFolder)
    rootList = ParsePathToPidl(rootFolder, g_state.desktop, nullptr);
  else
    SHGetSpecialFolderLocation(nullptr, CSIDL_SENDTO, &rootList);
  if (!rootList || FAILED(g_state.desktop->BindToObject(rootList, nullptr, IID_IShellFolder,
                                                        reinterpret_cast<void**>(&g_state.sendTo))) ||
      !g_state.sendTo) {
    g_state.sendTo = nullptr;
    FreePidl(rootList);
    ReleaseState();
    return nullptr;
  }
  HMENU root = CreatePopupMenu();
  HDC dc = GetDC(nullptr);
  HFONT font = CreateMenuFont();
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  bool ok = root && FillMenu(root, g_state.sendTo, rootList, nullptr, dc);
  SelectObject(dc, old);
  if (font) DeleteObject(font);
  ReleaseDC(nullptr, dc);
  FreePidl(rootList);
  if (!ok) {
    if (root) DestroyMenu(root);
    ReleaseState();
    return nullptr;
  }
  g_state.root = root;
  return root;
}

void ReleaseSendToMenu(HMENU menu) {
  if (menu && IsMenu(menu)) DestroyMenu(menu);
  ReleaseState();
}

const SendToMenuEntry* FindSendToEntry(UINT commandId) {
  if (!commandId) return nullptr;
  for (SendToMenuEntry* entry : g_state.entries)
    if (!entry->isFolder && entry->commandId == commandId) return entry;
  return nullptr;
}

BOOL FindSendToMenuItem(HWND window, HMENU, UINT commandId, SendToSelection selection, void* context) {
  if (commandId < g_state.firstId || commandId > g_state.lastId) return FALSE;
  const SendToMenuEntry* entry = FindSendToEntry(commandId);
  if (!entry) return FALSE;
  IDataObject* data = selection ? selection(window, context) : nullptr;
  if (data) {
    SendToEntry(window, entry, data);
    data->Release();
  }
  return TRUE;
}

DWORD SendToEntry(HWND owner, const SendToMenuEntry* entry, IDataObject* data) {
  if (!entry || !data || entry->isFolder || !entry->ownerFolder) return DROPEFFECT_NONE;
  ULONG attributes = SFGAO_FOLDER | SFGAO_DROPTARGET;
  LPCITEMIDLIST items[1] = {entry->item};
  if (FAILED(entry->ownerFolder->GetAttributesOf(1, items, &attributes))) attributes = 0;
  if (!entry->parsingName[0] && !(attributes & SFGAO_DROPTARGET)) return DROPEFFECT_NONE;
  IDropTarget* target = nullptr;
  std::string place = DropPlaceOfItem(entry->ownerFolder, entry->item);
  if (!place.empty()) target = CreatePathDropTarget(owner, place.c_str());
  if (!target &&
      (FAILED(entry->ownerFolder->GetUIObjectOf(owner, 1, items, IID_IDropTarget, nullptr,
                                                reinterpret_cast<void**>(&target))) ||
       !target))
    return DROPEFFECT_NONE;
  POINTL point{0, 0};
  DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
  DWORD effect = allowed;
  DWORD performed = DROPEFFECT_NONE;
  // The entry sees the whole drag: enter, over, and the drop only when it accepts.
  if (SUCCEEDED(target->DragEnter(data, MK_LBUTTON, point, &effect)) && effect != DROPEFFECT_NONE) {
    effect = allowed;
    if (SUCCEEDED(target->DragOver(MK_LBUTTON, point, &effect)) && effect != DROPEFFECT_NONE) {
      effect = allowed;
      if (SUCCEEDED(target->Drop(data, MK_LBUTTON, point, &effect))) performed = effect;
    } else {
      target->DragLeave();
    }
  } else {
    target->DragLeave();
  }
  target->Release();
  return performed;
}

BOOL MeasureSendToMenuItem(MEASUREITEMSTRUCT* measure) {
  if (!measure || measure->CtlType != ODT_MENU) return FALSE;
  SendToMenuEntry* entry = EntryOfData(measure->itemData);
  if (!entry) return FALSE;
  measure->itemHeight = g_state.itemHeight;
  measure->itemWidth = entry->width + 16 + 12 + 8;
  return TRUE;
}

BOOL DrawSendToMenuItem(const DRAWITEMSTRUCT* draw) {
  if (!draw || draw->CtlType != ODT_MENU) return FALSE;
  SendToMenuEntry* entry = EntryOfData(draw->itemData);
  if (!entry) return FALSE;
  HDC dc = draw->hDC;
  RECT r = draw->rcItem;
  bool selected = (draw->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  SHFILEINFOA info{};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(entry->parsingName[0] ? entry->parsingName : reinterpret_cast<const char*>(entry->absolute), 0,
                     &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (entry->parsingName[0] ? 0 : SHGFI_PIDL)));
  int top = r.top + ((r.bottom - r.top) - 16) / 2;
  if (images) ImageList_Draw(images, info.iIcon, dc, r.left + 4, top, ILD_TRANSPARENT);
  COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  HFONT font = CreateMenuFont();
  HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT text = r;
  text.left += 4 + 16 + 6;
  DrawTextA(dc, entry->name, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColour);
  return TRUE;
}

BOOL IsNetworkNeighborhood(LPCITEMIDLIST absolute) {
  if (!absolute) return FALSE;
  LPITEMIDLIST network = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network)) || !network) return FALSE;
  UINT size = GetPidlSize(network);
  BOOL same = size == GetPidlSize(absolute) && memcmp(network, absolute, size) == 0;
  FreePidl(network);
  return same;
}

BOOL RunSingleContextMenuCommand(IContextMenu* menu, HWND owner) {
  if (!menu) return FALSE;
  HMENU popup = CreatePopupMenu();
  if (!popup) return FALSE;
  BOOL ran = FALSE;
  if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1000, 10000, 0))) {
    int commands = 0;
    UINT id = 0;
    for (int i = 0, n = GetMenuItemCount(popup); i < n; ++i) {
      UINT each = GetMenuItemID(popup, i);
      if (each != 0 && each != static_cast<UINT>(-1)) {
        ++commands;
        id = each;
      }
    }
    if (commands == 1 && id >= 1000) {
      CMINVOKECOMMANDINFO invoke{};
      invoke.cbSize = sizeof invoke;
      invoke.hwnd = owner;
      invoke.lpVerb = MAKEINTRESOURCEA(id - 1000);
      invoke.nShow = SW_SHOWNORMAL;
      ran = SUCCEEDED(menu->InvokeCommand(&invoke));
    }
  }
  DestroyMenu(popup);
  return ran;
}

BOOL EmptyRecycleBinWithShell(HWND owner, const char* confirmText, const char* caption) {
  static const CLSID kRecycleBin = {0x645FF040, 0x5081, 0x101B, {0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}};
  HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (!shell) return FALSE;
  using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get = reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IContextMenu* menu = nullptr;
  if (get && SUCCEEDED(get(kRecycleBin, IID_IClassFactory, reinterpret_cast<void**>(&factory))) && factory)
    factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu));
  BOOL emptied = FALSE;
  if (menu) {
    emptied = RunSingleContextMenuCommand(menu, owner);
    menu->Release();
  } else if (confirmText) {
    // The shell has no context menu for the Recycle Bin: ask as its command would, then empty.
    // A "no" is the command's own answer, as with the shell's confirmation: not a failure.
    if (seams::MessageBoxA(owner, confirmText, caption ? caption : "", MB_YESNO | MB_ICONQUESTION) == IDYES)
      emptied = SUCCEEDED(SHEmptyRecycleBinA(owner, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI));
    else
      emptied = TRUE;
  }
  if (factory) factory->Release();
  FreeLibrary(shell);
  return emptied;
}

HMENU PlaceSendToMenu(HMENU menu, const SendToMenuOptions& options, const char* itemText) {
  int position = -1;
  for (int i = 0, n = GetMenuItemCount(menu); i < n && position < 0; ++i) {
    HMENU sub = GetSubMenu(menu, i);
    if (sub && GetMenuItemCount(sub) == 1) {
      UINT id = GetMenuItemID(sub, 0);
      if (id == 29 || id == 93) position = i;
    }
  }
  HMENU sendTo = BuildSendToMenu(options);
  if (!sendTo) return nullptr;
  if (position >= 0) {
    char text[100] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    HMENU old = GetSubMenu(menu, position);
    ModifyMenuA(menu, position, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sendTo), text);
    if (old && old != sendTo) DestroyMenu(old);
    return sendTo;
  }
  int at = 0;
  for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    if (GetMenuItemInfoA(menu, i, TRUE, &info) && (info.fType & MFT_SEPARATOR)) {
      at = i + 1;
      break;
    }
  }
  InsertMenuA(menu, static_cast<UINT>(at), MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sendTo),
              itemText ? itemText : "Send To");
  InsertMenuA(menu, static_cast<UINT>(at + 1), MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  return sendTo;
}
