// The Send To menu, built from the user's Send To folder with owner-drawn entries and icons.
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "file_commands.h"
#include "folder_node.h"
#include "resource_shell.h"
#include "seams.h"
#include "shell_host.h"
#include "send_to_menu.h"
#include "tree_drag_drop.h"

namespace {

constexpr UINT kFirstSendToId = 46201;
constexpr UINT kEmptyEntryId = 300;
constexpr int kMaxEntriesPerFolder = 200;

struct SendToMenuItem {
  UINT command = 0;                 // 0 for a submenu entry
  LPITEMIDLIST idList = nullptr;    // relative to `folder`
  char displayName[MAX_PATH] = {};
  char parsingPath[MAX_PATH] = {};
  int menuWidth = 0;
  HMENU submenu = nullptr;
  bool isFolder = false;
  IShellFolder* folder = nullptr;   // one reference held
};

struct SendToState {
  HMENU root = nullptr;
  std::vector<std::unique_ptr<SendToMenuItem>> items;
  std::vector<HMENU> menus;
  UINT nextCommand = kFirstSendToId;
  int entryHeight = 20;
  std::string rootOverride;  // a folder in place of the user's Send To folder
};
SendToState state;

std::string LoadText(UINT id) {
  char buffer[512] = {};
  LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
  return buffer;
}

HFONT MenuFont() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return CreateFontIndirectA(&metrics.lfMenuFont);
  return nullptr;
}

bool NameOf(IShellFolder* folder, LPCITEMIDLIST item, DWORD flags, char* out) {
  STRRET name{};
  if (FAILED(folder->GetDisplayNameOf(item, flags, &name))) return false;
  return SUCCEEDED(StrRetToBufA(&name, item, out, MAX_PATH));
}

// Fills `menu` with the entries of `folder`; false when nothing could be listed.
bool FillMenu(HMENU menu, IShellFolder* folder, HWND owner, HDC dc) {
  IEnumIDList* list = nullptr;
  if (FAILED(folder->EnumObjects(owner, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &list)) || !list)
    return false;
  std::vector<SendToMenuItem*> entries;
  LPITEMIDLIST item = nullptr;
  ULONG fetched = 0;
  int widest = 0;
  while (static_cast<int>(entries.size()) < kMaxEntriesPerFolder && list->Next(1, &item, &fetched) == S_OK &&
         fetched == 1) {
    auto entry = std::make_unique<SendToMenuItem>();
    entry->idList = item;
    entry->folder = folder;
    folder->AddRef();
    NameOf(folder, item, SHGDN_NORMAL, entry->displayName);
    NameOf(folder, item, SHGDN_FORPARSING, entry->parsingPath);
    ULONG attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_STREAM;
    LPCITEMIDLIST items[1] = {item};
    if (SUCCEEDED(folder->GetAttributesOf(1, items, &attributes)) && (attributes & SFGAO_FOLDER) &&
        !(attributes & SFGAO_STREAM)) {
      IShellFolder* sub = nullptr;
      HMENU submenu = CreatePopupMenu();
      if (SUCCEEDED(folder->BindToObject(item, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&sub))) && sub &&
          FillMenu(submenu, sub, owner, dc)) {
        entry->isFolder = true;
        entry->submenu = submenu;
        state.menus.push_back(submenu);
        sub->Release();
      } else {
        if (sub) sub->Release();
        DestroyMenu(submenu);
        folder->Release();
        CoTaskMemFree(entry->idList);
        continue;  // an entry whose submenu cannot be built is dropped
      }
    } else {
      entry->command = state.nextCommand++;
    }
    SIZE extent{};
    GetTextExtentPoint32A(dc, entry->displayName, lstrlenA(entry->displayName), &extent);
    state.entryHeight = std::max<int>(state.entryHeight, extent.cy);
    widest = std::max<int>(widest, extent.cx);
    entries.push_back(entry.get());
    state.items.push_back(std::move(entry));
  }
  list->Release();
  std::stable_sort(entries.begin(), entries.end(), [](const SendToMenuItem* a, const SendToMenuItem* b) {
    if (a->isFolder != b->isFolder) return a->isFolder;
    return std::strcmp(a->displayName, b->displayName) < 0;
  });
  int width = std::max(widest + 30, 30);
  for (SendToMenuItem* entry : entries) {
    entry->menuWidth = width;
    if (entry->isFolder)
      AppendMenuA(menu, MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(entry->submenu),
                  reinterpret_cast<LPCSTR>(entry));
    else
      AppendMenuA(menu, MF_OWNERDRAW, entry->command, reinterpret_cast<LPCSTR>(entry));
  }
  if (entries.empty()) {
    std::string empty = LoadText(IDS_SH_EMPTY_FOLDER);
    AppendMenuA(menu, MF_STRING | MF_GRAYED | MF_DISABLED, kEmptyEntryId, empty.c_str());
  }
  return true;
}

SendToMenuItem* FindEntry(UINT command) {
  for (auto& entry : state.items)
    if (entry->command == command) return entry.get();
  return nullptr;
}

SendToMenuItem* EntryOf(ULONG_PTR data) {
  for (auto& entry : state.items)
    if (reinterpret_cast<ULONG_PTR>(entry.get()) == data) return entry.get();
  return nullptr;
}

// Entries we carry out ourselves, as the shell would (its shortcut and folder drop targets accept
// a drop and do nothing under Wine): a folder, or a shortcut to one, gets a copy of the selected
// folder; a program, or a shortcut to one, is started with the folder's path. False for any other
// entry, which then goes to the shell's drop target.
bool SendByOurselves(HWND owner, const SendToMenuItem* entry, const std::string& source) {
  std::string target = entry->parsingPath;
  if (target.empty()) return false;
  std::string arguments;
  if (target.size() > 4 && lstrcmpiA(target.c_str() + target.size() - 4, ".lnk") == 0) {
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool resolved = false;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH] = {};
      MultiByteToWideChar(CP_ACP, 0, target.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char path[MAX_PATH] = {};
        char args[MAX_PATH] = {};
        if (SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0)) && path[0]) {
          target = path;
          resolved = true;
        }
        if (SUCCEEDED(link->GetArguments(args, MAX_PATH))) arguments = args;
      }
    }
    if (file) file->Release();
    if (link) link->Release();
    if (!resolved) return false;
  }
  DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  auto endsWith = [&](const char* suffix) {
    size_t n = strlen(suffix);
    return target.size() > n && lstrcmpiA(target.c_str() + target.size() - n, suffix) == 0;
  };
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    FILEOP_FLAGS flags = FOF_ALLOWUNDO;
    return RunShellFileOperation(owner, FO_COPY, source, target, flags) == 0;
  }
  if (!endsWith(".exe") && !endsWith(".com") && !endsWith(".bat") && !endsWith(".cmd")) return false;
  std::string parameters = arguments.empty() ? std::string() : arguments + " ";
  parameters += "\"" + source + "\"";
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  info.hwnd = owner;
  info.lpFile = target.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) != FALSE;
}

}  // namespace

void SetSendToFolderOverride(const char* folder) { state.rootOverride = folder ? folder : ""; }

HMENU BuildSendToMenu() {
  if (state.root) FreeSendToMenu(state.root);
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return nullptr;
  LPITEMIDLIST sendTo = nullptr;
  if (!state.rootOverride.empty()) {
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, state.rootOverride.c_str(), -1, wide, MAX_PATH);
    desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &sendTo, nullptr);
  } else {
    SHGetSpecialFolderLocation(nullptr, CSIDL_SENDTO, &sendTo);
  }
  IShellFolder* folder = nullptr;
  if (!sendTo || FAILED(desktop->BindToObject(sendTo, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))) ||
      !folder) {
    if (sendTo) CoTaskMemFree(sendTo);
    desktop->Release();
    return nullptr;
  }
  CoTaskMemFree(sendTo);
  state.nextCommand = kFirstSendToId;
  state.entryHeight = 20;
  HMENU root = CreatePopupMenu();
  HDC dc = GetDC(nullptr);
  HFONT font = MenuFont();
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  bool ok = FillMenu(root, folder, ShellHostMainWindow(g_mainWindow), dc);
  SelectObject(dc, old);
  if (font) DeleteObject(font);
  ReleaseDC(nullptr, dc);
  folder->Release();
  desktop->Release();
  if (!ok) {
    DestroyMenu(root);
    FreeSendToMenu(nullptr);
    return nullptr;
  }
  state.root = root;
  return root;
}

BOOL SendToMenuExists() { return state.root != nullptr; }

BOOL RunSendToCommand(UINT command) {
  if (command <= 46200 || !state.root) return FALSE;
  SendToMenuItem* entry = FindEntry(command);
  if (!entry) return FALSE;
  ULONG attributes = SFGAO_FOLDER | SFGAO_DROPTARGET;
  LPCITEMIDLIST items[1] = {entry->idList};
  if (FAILED(entry->folder->GetAttributesOf(1, items, &attributes))) attributes = 0;
  if (entry->isFolder) return TRUE;
  HWND owner = ShellHostMainWindow(g_mainWindow);
  HWND tree = ShellHostTree(owner);
  FolderNode* node = GetSelectedNode(tree);
  if (!node) return TRUE;
  char source[MAX_PATH] = {};
  GetNodePath(node, source, MAX_PATH);

  bool delivered = source[0] && SendByOurselves(owner, entry, StripTrailingBackslash(source));
  if (!delivered && (entry->parsingPath[0] == '\0' || (attributes & SFGAO_DROPTARGET))) {
    IShellFolder* parent = NodeParentFolder(node);
    LPITEMIDLIST relative = NodeRelativeIdList(node);
    IDataObject* data = nullptr;
    IDropTarget* target = nullptr;
    LPCITEMIDLIST sourceItems[1] = {relative};
    if (parent && relative &&
        SUCCEEDED(parent->GetUIObjectOf(owner, 1, sourceItems, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data))) &&
        data &&
        SUCCEEDED(entry->folder->GetUIObjectOf(owner, 1, items, IID_IDropTarget, nullptr,
                                               reinterpret_cast<void**>(&target))) &&
        target) {
      POINT cursor{};
      GetCursorPos(&cursor);
      POINTL point{cursor.x, cursor.y};
      DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
      // Drop only after the target accepted the data.
      if (SUCCEEDED(target->DragEnter(data, MK_LBUTTON, point, &effect)) && effect != DROPEFFECT_NONE) {
        DWORD dropEffect = effect;
        delivered = SUCCEEDED(target->Drop(data, MK_LBUTTON, point, &dropEffect)) && dropEffect != DROPEFFECT_NONE;
      } else {
        target->DragLeave();
      }
    }
    if (target) target->Release();
    if (data) data->Release();
  }
  return TRUE;
}

BOOL MeasureSendToItem(MEASUREITEMSTRUCT* measure) {
  if (!measure || measure->CtlType != ODT_MENU) return FALSE;
  SendToMenuItem* entry = EntryOf(measure->itemData);
  if (!entry) return FALSE;
  measure->itemHeight = state.entryHeight;
  measure->itemWidth = entry->menuWidth;
  return TRUE;
}

BOOL DrawSendToItem(const DRAWITEMSTRUCT* draw) {
  if (!draw || draw->CtlType != ODT_MENU) return FALSE;
  SendToMenuItem* entry = EntryOf(draw->itemData);
  if (!entry) return FALSE;
  HDC dc = draw->hDC;
  RECT r = draw->rcItem;
  bool selected = (draw->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
  COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
  int oldMode = SetBkMode(dc, TRANSPARENT);
  HFONT font = MenuFont();
  HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT text = r;
  text.left += 22;
  DrawTextA(dc, entry->displayName, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SHFILEINFOA info{};
  if (entry->parsingPath[0] &&
      SHGetFileInfoA(entry->parsingPath, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON) && info.hIcon) {
    int size = GetSystemMetrics(SM_CYSMICON);
    DrawIconEx(dc, r.left + 2, r.top + ((r.bottom - r.top) - size) / 2, info.hIcon, size, size, 0, nullptr, DI_NORMAL);
    DestroyIcon(info.hIcon);
  }
  SelectObject(dc, oldFont);
  if (font) DeleteObject(font);
  SetBkMode(dc, oldMode);
  SetTextColor(dc, oldColour);
  return TRUE;
}

void FreeSendToMenu(HMENU menu) {
  if (menu && menu == state.root) {
    DestroyMenu(menu);  // destroys the submenus with it
  } else if (menu && IsMenu(menu)) {
    DestroyMenu(menu);
  }
  for (auto& entry : state.items) {
    if (entry->idList) CoTaskMemFree(entry->idList);
    if (entry->folder) entry->folder->Release();
  }
  state.items.clear();
  state.menus.clear();
  state.root = nullptr;
}

int SendToEntryCount() {
  int count = 0;
  for (auto& entry : state.items)
    if (!entry->isFolder) ++count;
  return count;
}
