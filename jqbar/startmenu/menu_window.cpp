#include "menu_window.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "menu_cache.h"
#include "menu_drag_drop.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_startmenu.h"

namespace jqbar {

namespace {

HFONT g_menuFont = nullptr;
bool g_menuFontOwned = false;
COLORREF g_menuColour, g_menuText, g_highlightColour, g_highlightText;

void ReadMenuColours() {
  g_menuColour = GetSysColor(COLOR_MENU);
  g_menuText = GetSysColor(COLOR_MENUTEXT);
  g_highlightColour = GetSysColor(COLOR_HIGHLIGHT);
  g_highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
}

// The screen's size, kept while menu windows exist: under Wine each look-up asks the server
// several times, and a menu needs it three times. Every menu window hears of a display change
// (WM_DISPLAYCHANGE) and forgets it; with no menu window left nothing would hear, so it is
// forgotten when one goes.
SIZE g_screen{0, 0};

SIZE ScreenSize() {
  if (g_screen.cx <= 0 || g_screen.cy <= 0)
    g_screen = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return g_screen;
}
int ScreenWidth() { return ScreenSize().cx; }
int ScreenHeight() { return ScreenSize().cy; }
void ForgetScreenSize() { g_screen = {0, 0}; }

// Closed menu windows are kept, hidden, for the next menus: making and registering a top-level
// window costs far more than reading a menu from the cache. A kept window keeps its drop target.
struct SpareWindow {
  HWND window;
  IDropTarget* dropTarget;
};
std::vector<SpareWindow> g_spares;
constexpr std::size_t kMaxSpareWindows = 8;

bool KeepSpareWindow(HWND window, IDropTarget* dropTarget) {
  if (g_spares.size() >= kMaxSpareWindows || !IsWindow(window)) return false;
  ShowWindow(window, SW_HIDE);
  g_spares.push_back({window, dropTarget});
  return true;
}

// A kept window for the state, placed and sized; false when none is left.
bool TakeSpareWindow(MenuWindowState* state, HWND owner, POINT at, SIZE size) {
  while (!g_spares.empty()) {
    SpareWindow spare = g_spares.back();
    g_spares.pop_back();
    if (!IsWindow(spare.window)) continue;
    SetWindowLongPtrA(spare.window, 0, reinterpret_cast<LONG_PTR>(state));
    if (GetWindow(spare.window, GW_OWNER) != owner)
      SetWindowLongPtrA(spare.window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    state->window = spare.window;
    state->dropTarget = spare.dropTarget;
    // Placed, sized and shown at once; the owner keeps its place among the windows. Shown from
    // hidden it is painted whole by the UpdateWindow that follows, which does the erasing too.
    SetWindowPos(spare.window, HWND_TOPMOST, at.x, at.y, size.cx, size.cy,
                 SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW | SWP_DEFERERASE);
    return true;
  }
  return false;
}

// A kept window going with its owner: its drop target goes too.
void ForgetSpareWindow(HWND window) {
  for (auto it = g_spares.begin(); it != g_spares.end(); ++it) {
    if (it->window != window) continue;
    RevokeMenuWindowDrops(window, it->dropTarget);
    g_spares.erase(it);
    return;
  }
}

void FreeItems(MenuWindowState* state) {
  for (MenuWindowItem* item : state->items) {
    if (item->idList) ILFree(item->idList);
    delete item;
  }
  state->items.clear();
}

// The system image list's index of a file's icon, by path: looking it up costs a read of the
// file's icon resources, and menus show the same programs again and again.
struct IconKey {
  std::string path;
  UINT flags;
  bool operator<(const IconKey& o) const { return flags != o.flags ? flags < o.flags : path < o.path; }
};
std::map<IconKey, std::pair<HIMAGELIST, int>> g_iconIndexes;
constexpr std::size_t kMaxIconIndexes = 4096;

// The icons of icon files named by shortcuts, by file, index and size: extracting one reads the
// file, and a menu served from the cache must not go back to the disk for its pictures. Items
// share them; an icon is destroyed when it is forgotten here and no item shows it any more.
struct FileIconKey {
  std::string path;
  int index;
  bool small;
  bool operator<(const FileIconKey& o) const {
    if (small != o.small) return small < o.small;
    if (index != o.index) return index < o.index;
    return path < o.path;
  }
};
std::map<FileIconKey, std::shared_ptr<void>> g_fileIcons;
constexpr std::size_t kMaxFileIcons = 1024;

// The icon, or none when the file has none at that index (not asked again either).
std::shared_ptr<void> FileIcon(const std::string& file, int index, bool small) {
  FileIconKey key{file, index, small};
  CharLowerA(key.path.data());
  auto found = g_fileIcons.find(key);
  if (found != g_fileIcons.end()) return found->second;
  std::shared_ptr<void> kept;
  HICON icon = nullptr;
  if (ExtractIconExA(file.c_str(), index, small ? nullptr : &icon, small ? &icon : nullptr, 1) > 0 && icon)
    kept.reset(icon, [](void* h) { DestroyIcon(static_cast<HICON>(h)); });
  if (g_fileIcons.size() >= kMaxFileIcons) g_fileIcons.clear();
  g_fileIcons.emplace(std::move(key), kept);
  return kept;
}

// Icons of the system image list drawn once on a menu colour and kept: drawing an image-list
// icon is slow, and a menu shows the same few icons many times.
struct FaceKey {
  HIMAGELIST list;
  int index;
  COLORREF back;
  bool operator<(const FaceKey& o) const {
    if (list != o.list) return list < o.list;
    if (index != o.index) return index < o.index;
    return back < o.back;
  }
};
std::map<FaceKey, HBITMAP> g_iconFaces;
constexpr std::size_t kMaxIconFaces = 512;
// The one memory device context the faces are drawn from (making one per icon costs more than
// the drawing), with the bitmap it held at first.
HDC g_faceDC = nullptr;
HGDIOBJ g_faceDCBitmap = nullptr;
// The memory device context the entry texts are measured on, with the menu font selected: a
// screen context fetched for each menu costs two server requests under Wine.
HDC g_measureDC = nullptr;
HGDIOBJ g_measureDCFont = nullptr;

HDC MeasureDC() {
  if (!g_measureDC) {
    g_measureDC = CreateCompatibleDC(nullptr);
    if (g_measureDC) g_measureDCFont = SelectObject(g_measureDC, GetMenuFont());
  }
  return g_measureDC;
}

HDC FaceDC(HDC like) {
  if (!g_faceDC) {
    g_faceDC = CreateCompatibleDC(like);
    if (g_faceDC) g_faceDCBitmap = GetCurrentObject(g_faceDC, OBJ_BITMAP);
  }
  return g_faceDC;
}

void ClearIconFaces() {
  if (g_faceDC) SelectObject(g_faceDC, g_faceDCBitmap);
  for (auto& face : g_iconFaces) DeleteObject(face.second);
  g_iconFaces.clear();
}

void DrawListIcon(HDC dc, HIMAGELIST list, int index, int x, int y, int size, COLORREF back) {
  FaceKey key{list, index, back};
  auto found = g_iconFaces.find(key);
  if (found == g_iconFaces.end()) {
    if (g_iconFaces.size() >= kMaxIconFaces) ClearIconFaces();
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, size, size);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all{0, 0, size, size};
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    ImageList_Draw(list, index, memory, 0, 0, ILD_TRANSPARENT);
    SelectObject(memory, old);
    DeleteDC(memory);
    found = g_iconFaces.emplace(key, bitmap).first;
  }
  HDC memory = FaceDC(dc);
  if (!memory) return;
  SelectObject(memory, found->second);
  BitBlt(dc, x, y, size, size, memory, 0, 0, SRCCOPY);
}

void SetSystemIcon(MenuWindowItem* item, const char* pathOrPidl, DWORD attributes, UINT extra,
                   bool small) {
  if (!(extra & SHGFI_PIDL)) {
    IconKey key{pathOrPidl, extra | (small ? 1u : 0u)};
    CharLowerA(key.path.data());
    auto found = g_iconIndexes.find(key);
    if (found == g_iconIndexes.end()) {
      SHFILEINFOA info{};
      UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON) | extra;
      auto list = reinterpret_cast<HIMAGELIST>(
          SHGetFileInfoA(pathOrPidl, attributes, &info, sizeof info, flags));
      if (g_iconIndexes.size() >= kMaxIconIndexes) g_iconIndexes.clear();
      found = g_iconIndexes.emplace(key, std::make_pair(list, list ? info.iIcon : -1)).first;
    }
    if (found->second.first) {
      item->imageList = found->second.first;
      item->imageIndex = found->second.second;
    }
    return;
  }
  SHFILEINFOA info{};
  UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON) | extra;
  auto list = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(pathOrPidl, attributes, &info, sizeof info, flags));
  if (list) {
    item->imageList = list;
    item->imageIndex = info.iIcon;
  }
}

MenuWindowItem* MakeItem(const MenuEntry& e, const MenuWindowState* state, bool userMenu) {
  auto* item = new MenuWindowItem;
  lstrcpynA(item->name, e.name.c_str(), 51);
  item->isFolder = e.isFolder != 0;
  item->button = state->button;
  item->path = state->path;
  if (!item->path.empty()) item->path += '\\';
  item->path += e.name;
  if (!userMenu && std::strlen(e.extension) > 1) item->path += e.extension;
  if (e.idList) item->idList = ILClone(e.idList);
  bool small = state->smallIcons;
  if (item->isFolder) {
    SetSystemIcon(item, "folder", FILE_ATTRIBUTE_DIRECTORY, SHGFI_USEFILEATTRIBUTES, small);
  } else if (e.flags & kEntryTargetUrl) {
    SetSystemIcon(item, "x.url", FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, small);
  } else {
    if (e.iconFile.size() > 1) {
      item->iconHolder = FileIcon(e.iconFile, e.iconIndex, small);
      item->icon = static_cast<HICON>(item->iconHolder.get());
    }
    if (!item->icon && e.idList)
      SetSystemIcon(item, reinterpret_cast<const char*>(e.idList), 0, SHGFI_PIDL, small);
    if (!item->icon && !item->imageList && !e.command.empty()) {
      char expanded[MAX_PATH] = {};
      DWORD n = ExpandEnvironmentStringsA(e.command.c_str(), expanded, MAX_PATH);
      const char* path = (n && n <= MAX_PATH) ? expanded : e.command.c_str();
      SetSystemIcon(item, path, 0, 0, small);
      if (!item->imageList)
        SetSystemIcon(item, path, FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, small);
    }
  }
  return item;
}

// The entries of the window's menu as items, folders first, each group by name.
void BuildItems(MenuWindowState* state) {
  MenuButton* button = state->button;
  if (button->userMenu) {
    // The tree's own nodes: shown, not copied.
    const MenuEntry* list = button->tree.first;
    if (state->path[0]) {
      const MenuEntry* node = FindPathTreeFolder(&button->tree, state->path);
      list = node && node->isFolder ? node->firstChild : nullptr;
    }
    for (const MenuEntry* e = list; e && state->items.size() < kMaxMenuWindowItems; e = e->next)
      state->items.push_back(MakeItem(*e, state, true));
  } else {
    MenuEntry* list = (button->flags & kButtonSpecialFolder)
                          ? ReadSpecialFolderEntries(button->csidl, state->bar)
                          : GetMenuFolderEntries(state->path);
    for (const MenuEntry* e = list; e && state->items.size() < kMaxMenuWindowItems; e = e->next)
      state->items.push_back(MakeItem(*e, state, false));
    FreeMenuEntries(list);
  }
  std::stable_sort(state->items.begin(), state->items.end(),
                   [](const MenuWindowItem* a, const MenuWindowItem* b) {
                     if (a->isFolder != b->isFolder) return a->isFolder;
                     return lstrcmpiA(a->name, b->name) < 0;
                   });
}

SIZE MeasureWindow(MenuWindowState* state) {
  HDC dc = MeasureDC();
  HDC screen = dc ? nullptr : GetDC(nullptr);
  if (screen) dc = screen;
  HGDIOBJ old = SelectObject(dc, GetMenuFont());
  int widest = 60;
  for (const MenuWindowItem* item : state->items) {
    SIZE size{};
    GetTextExtentPoint32A(dc, item->name, lstrlenA(item->name), &size);
    widest = std::max<int>(widest, static_cast<int>(size.cx));
  }
  if (state->items.empty()) {
    SIZE size{};
    std::string empty = LoadResString(IDS_MENU_EMPTY);
    GetTextExtentPoint32A(dc, empty.c_str(), static_cast<int>(empty.size()), &size);
    widest = std::max<int>(widest, static_cast<int>(size.cx));
  }
  if (screen) {
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
  }
  state->columnWidth = widest + 48 + (state->smallIcons ? 0 : 16);
  int usable = std::max(ScreenHeight() - 4, state->entryHeight);
  int count = static_cast<int>(state->items.size());
  state->perColumn = std::max(1, usable / state->entryHeight);
  state->columns = count * state->entryHeight / usable + 1;
  if (state->columns > 1 && (state->columns - 1) * state->perColumn >= count) --state->columns;
  int height = count ? count * state->entryHeight + 4 : state->entryHeight + 4;
  if (state->columns > 1) height = state->perColumn * state->entryHeight + 4;
  return {state->columns * state->columnWidth + 4, height};
}

void PlaceWindow(MenuWindowState* state, SIZE size, const RECT* buttonRect, bool barHorizontal,
                 POINT& at) {
  int sw = ScreenWidth(), sh = ScreenHeight();
  MenuWindowState* parent = state->parent;
  if (parent) {
    RECT pr;
    GetWindowRect(parent->window, &pr);
    int column = parent->perColumn ? state->openingIndex / parent->perColumn : 0;
    int top = pr.top + (state->openingIndex % parent->perColumn) * parent->entryHeight;
    if (top + size.cy > sh) top = sh - size.cy;
    at.y = std::max(0, top);
    int columnLeft = pr.left + 2 + column * parent->columnWidth;
    int columnRight = columnLeft + parent->columnWidth;
    if (parent->leftwards) {
      at.x = columnLeft - size.cx + 5;
      state->leftwards = true;
      if (at.x < 0) {
        at.x = columnRight - 1;
        state->leftwards = false;
      }
    } else {
      at.x = columnRight - 1;
      state->leftwards = false;
      if (at.x + size.cx > sw) {
        at.x = columnLeft - size.cx + 5;
        state->leftwards = true;
      }
    }
    at.x = std::max<LONG>(0, at.x);
    return;
  }
  const RECT& b = *buttonRect;
  if (barHorizontal) {
    at.x = b.left;
    if (at.x + size.cx > sw) at.x = sw - size.cx;
    at.y = (b.bottom + size.cy <= sh) ? b.bottom : b.top - size.cy;
    at.y = std::max<int>(0, at.y);
  } else {
    at.x = b.right;
    if (at.x + size.cx > sw) at.x = b.left - size.cx;
    if (at.x + size.cx > sw) at.x = sw - size.cx;
    at.y = b.top;
    if (at.y + size.cy > sh) at.y = sh - size.cy;
    at.y = std::max<int>(0, at.y);
  }
  at.x = std::max<int>(0, at.x);
  state->leftwards = (sw - (at.x + size.cx)) < at.x;
}

void RepaintItem(MenuWindowState* state, int index) {
  if (index < 0 || index >= static_cast<int>(state->items.size())) return;
  RECT r = MenuItemRect(state, index);
  POINT origin{0, 0};
  ClientToScreen(state->window, &origin);
  OffsetRect(&r, -origin.x, -origin.y);
  InvalidateRect(state->window, &r, FALSE);
}

void SetHighlight(MenuWindowState* state, int index) {
  if (state->highlight == index) return;

  int old = state->highlight;
  state->highlight = index;
  RepaintItem(state, old);
  RepaintItem(state, index);
}

void Paint(MenuWindowState* state, HDC dc) {
  RECT client;
  GetClientRect(state->window, &client);
  // The device context's own brush and pen take each colour: nothing is made per paint.
  HBRUSH dcBrush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  COLORREF oldBrushColour = SetDCBrushColor(dc, g_menuColour);
  COLORREF oldPenColour = GetDCPenColor(dc);
  FillRect(dc, &client, dcBrush);
  HGDIOBJ oldFont = SelectObject(dc, GetMenuFont());
  SetBkMode(dc, TRANSPARENT);
  int iconSize = state->smallIcons ? 16 : 32;
  if (state->items.empty()) {
    std::string empty = LoadResString(IDS_MENU_EMPTY);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextA(dc, empty.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  for (int i = 0; i < static_cast<int>(state->items.size()); ++i) {
    const MenuWindowItem* item = state->items[i];
    int column = i / state->perColumn, row = i % state->perColumn;
    RECT cell{column * state->columnWidth + 2 + 2, row * state->entryHeight + 2,
              (column + 1) * state->columnWidth + 2 - 2, (row + 1) * state->entryHeight + 2};
    bool lit = i == state->highlight;
    COLORREF text = lit ? g_highlightText : g_menuText;
    if (lit) {
      SetDCBrushColor(dc, g_highlightColour);
      FillRect(dc, &cell, dcBrush);
    }
    int shift = (item->isFolder && state->leftwards) ? 16 : 0;
    int iconX = cell.left + 2 + shift;
    int iconY = cell.top + (state->entryHeight - iconSize) / 2;
    if (item->icon)
      DrawIconEx(dc, iconX, iconY, item->icon, iconSize, iconSize, 0, nullptr, DI_NORMAL);
    else if (item->imageList)
      DrawListIcon(dc, item->imageList, item->imageIndex, iconX, iconY, iconSize,
                   lit ? g_highlightColour : g_menuColour);
    SetTextColor(dc, text);
    RECT tr = cell;
    tr.left = iconX + iconSize + 6;
    DrawTextA(dc, item->name, -1, &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (item->isFolder) {
      SetDCBrushColor(dc, text);
      SetDCPenColor(dc, text);
      HGDIOBJ ob = SelectObject(dc, dcBrush), op = SelectObject(dc, GetStockObject(DC_PEN));
      int cy = (cell.top + cell.bottom) / 2;
      POINT tri[3];
      if (state->leftwards) {
        tri[0] = {cell.left + 5, cy};
        tri[1] = {cell.left + 11, cy - 3};
        tri[2] = {cell.left + 11, cy + 3};
      } else {
        tri[0] = {cell.right - 8, cy};
        tri[1] = {cell.right - 14, cy - 3};
        tri[2] = {cell.right - 14, cy + 3};
      }
      Polygon(dc, tri, 3);
      SelectObject(dc, ob);
      SelectObject(dc, op);
    }
  }
  for (int c = 0; c + 1 < state->columns; ++c) {
    RECT line{(c + 1) * state->columnWidth + 1, 4, (c + 1) * state->columnWidth + 3, client.bottom - 2};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_RIGHT);
  }
  DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
  SelectObject(dc, oldFont);
  SetDCBrushColor(dc, oldBrushColour);
  SetDCPenColor(dc, oldPenColour);
}

int IndexAt(const MenuWindowState* state, int x, int y) {
  // x, y client coordinates
  if (x < 2 || y < 2) return -1;
  int column = (x - 2) / state->columnWidth;
  int row = (y - 2) / state->entryHeight;
  if (row >= state->perColumn || column >= state->columns) return -1;
  int index = row + column * state->perColumn;
  return index < static_cast<int>(state->items.size()) ? index : -1;
}

void RunOrOpen(MenuWindowState* state, int index) {
  if (index < 0 || index >= static_cast<int>(state->items.size())) return;
  MenuWindowItem* item = state->items[index];
  if (item->isFolder)
    OpenSubmenu(state, item);
  else
    SendMessageA(state->bar, MBM_RUNENTRY, 0, reinterpret_cast<LPARAM>(item));
}

LRESULT CALLBACK MenuWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MenuWindowState* state = MenuStateOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (state) Paint(state, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DISPLAYCHANGE:
      ForgetScreenSize();
      break;
    case WM_SYSCOLORCHANGE:
      ReadMenuColours();
      ClearIconFaces();
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case PNM_KEY:
      if (state) MenuWindowKey(state, static_cast<UINT>(wParam));
      return 0;
    case MBM_RUNENTRY:
      if (state) return SendMessageA(state->bar, MBM_RUNENTRY, wParam, lParam);
      return 0;
    case WM_KEYDOWN:
      if (state) return SendMessageA(state->bar, WM_KEYDOWN, wParam, lParam);
      return 0;
    case WM_DESTROY:
      ForgetScreenSize();
      // Going with its owner: a kept window forgets itself, an open one gives up its target.
      if (!state) {
        ForgetSpareWindow(window);
      } else if (state->dropTarget) {
        RevokeMenuWindowDrops(window, state->dropTarget);
        state->dropTarget = nullptr;
      }
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, 0, 0);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void LayoutAndShow(MenuWindowState* state, const RECT* buttonRect, bool barHorizontal,
                   bool keepPosition) {
  SIZE size = MeasureWindow(state);
  POINT at{0, 0};
  if (keepPosition) {
    RECT r;
    GetWindowRect(state->window, &r);
    at = {r.left, r.top};
    if (at.y + size.cy > ScreenHeight()) at.y = std::max<int>(0, ScreenHeight() - size.cy);
    SetWindowPos(state->window, nullptr, at.x, at.y, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(state->window, nullptr, FALSE);
    return;
  }
  PlaceWindow(state, size, buttonRect, barHorizontal, at);
  HWND owner = state->bar ? GetAncestor(state->bar, GA_ROOT) : nullptr;
  if (TakeSpareWindow(state, owner, at, size)) return;
  state->window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
                                  kMenuWindowClass, "", WS_POPUP, at.x, at.y, size.cx, size.cy,
                                  owner, nullptr, GetModuleHandleA(nullptr), state);
}

}  // namespace

void RegisterMenuWindowClass(HINSTANCE instance) {
  ReadMenuColours();
  WNDCLASSA wc{};
  if (GetClassInfoA(instance, kMenuWindowClass, &wc)) return;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MenuWindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = kMenuWindowClass;
  RegisterClassA(&wc);
}

HFONT GetMenuFont() {
  if (!g_menuFont) {
    HDC dc = GetDC(nullptr);
    int height = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    g_menuFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                             "MS Sans Serif");
    g_menuFontOwned = g_menuFont != nullptr;
    if (!g_menuFont) g_menuFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  }
  return g_menuFont;
}

void FreeSpareMenuWindows() {
  std::vector<SpareWindow> spares;
  spares.swap(g_spares);
  for (const SpareWindow& spare : spares) {
    if (!IsWindow(spare.window)) continue;
    RevokeMenuWindowDrops(spare.window, spare.dropTarget);
    DestroyWindow(spare.window);
  }
}

void ClearMenuIcons() {
  g_iconIndexes.clear();
  g_fileIcons.clear();
  ClearIconFaces();
}

void FreeMenuFont() {
  ClearIconFaces();
  g_fileIcons.clear();
  if (g_faceDC) DeleteDC(g_faceDC);
  g_faceDC = nullptr;
  if (g_measureDC) {
    SelectObject(g_measureDC, g_measureDCFont);
    DeleteDC(g_measureDC);
  }
  g_measureDC = nullptr;
  if (g_menuFontOwned) DeleteObject(g_menuFont);
  g_menuFont = nullptr;
  g_menuFontOwned = false;
}

MenuWindowState* MenuStateOf(HWND window) {
  return window ? reinterpret_cast<MenuWindowState*>(GetWindowLongPtrA(window, 0)) : nullptr;
}

MenuWindowState* OpenMenuWindow(MenuButton* button, MenuWindowState* parent, int openingIndex,
                                const char* subPath, bool smallIcons, bool barHorizontal,
                                const RECT* buttonRect, HWND owner, HWND bar) {
  (void)owner;
  if (!button) return nullptr;
  RegisterMenuWindowClass(GetModuleHandleA(nullptr));
  auto* state = new MenuWindowState;
  state->button = button;
  state->parent = parent;
  state->openingIndex = openingIndex;
  state->bar = bar;
  state->smallIcons = smallIcons;
  state->entryHeight = smallIcons ? 20 : 36;
  if (subPath)
    lstrcpynA(state->path, subPath, MAX_PATH);
  else if (!button->userMenu)
    lstrcpynA(state->path, button->name, MAX_PATH);
  BuildItems(state);
  LayoutAndShow(state, buttonRect, barHorizontal, false);
  if (!state->window) {
    FreeItems(state);
    delete state;
    return nullptr;
  }
  // The pointer's place now decides whether the release of the opening press may run an entry.
  // Only the bar's own menu is opened by a press; asking for the pointer costs a round trip to
  // the server and the display.
  if (!parent) {
    POINT cursor;
    RECT r;
    GetCursorPos(&cursor);
    GetWindowRect(state->window, &r);
    state->underCursor = PtInRect(&r, cursor) != 0;
  }
  if (!state->dropTarget) state->dropTarget = RegisterMenuWindowDrops(state->window);
  if (!IsWindowVisible(state->window)) ShowWindow(state->window, SW_SHOWNOACTIVATE);
  UpdateWindow(state->window);
  return state;
}

void CloseMenuWindow(MenuWindowState* state) {
  if (!state) return;
  if (state->sub) CloseMenuWindow(state->sub);
  state->sub = nullptr;
  if (state->parent && state->parent->sub == state) {
    state->parent->sub = nullptr;
    state->parent->subIndex = -1;
  }
  if (state->window) {
    SetWindowLongPtrA(state->window, 0, 0);
    if (!KeepSpareWindow(state->window, state->dropTarget)) {
      RevokeMenuWindowDrops(state->window, state->dropTarget);
      DestroyWindow(state->window);
    }
    state->window = nullptr;
    state->dropTarget = nullptr;
  }
  FreeItems(state);
  delete state;
}

void OpenSubmenu(MenuWindowState* state, MenuWindowItem* item) {
  auto it = std::find(state->items.begin(), state->items.end(), item);
  if (it == state->items.end()) {
    if (state->sub) OpenSubmenu(state->sub, item);
    return;
  }
  int index = static_cast<int>(it - state->items.begin());
  if (state->sub && state->subIndex == index) return;
  if (state->sub) CloseMenuWindow(state->sub);
  state->sub = nullptr;
  state->subIndex = -1;
  if (!item->isFolder) return;
  std::string path = item->path;
  state->sub = OpenMenuWindow(state->button, state, index, path.c_str(), state->smallIcons, true,
                              nullptr, nullptr, state->bar);
  if (state->sub) state->subIndex = index;
}

RECT MenuItemRect(const MenuWindowState* state, int index) {
  int column = index / state->perColumn, row = index % state->perColumn;
  RECT r{column * state->columnWidth + 2, row * state->entryHeight + 2,
         (column + 1) * state->columnWidth + 2, (row + 1) * state->entryHeight + 2};
  POINT origin{0, 0};
  ClientToScreen(state->window, &origin);
  OffsetRect(&r, origin.x, origin.y);
  return r;
}

bool IsPointInMenuWindows(MenuWindowState* state, POINT screen) {
  for (MenuWindowState* s = state; s; s = s->sub) {
    RECT r;
    GetWindowRect(s->window, &r);
    if (PtInRect(&r, screen)) return true;
  }
  return false;
}

MenuWindowState* InnermostMenuWindow(MenuWindowState* state) {
  while (state && state->sub) state = state->sub;
  return state;
}

MenuWindowItem* MenuWindowFromPoint(MenuWindowState* state, int x, int y, bool* inside,
                                    MenuWindowState** holder) {
  if (inside) *inside = false;
  if (!state) return nullptr;
  if (state->sub) {
    if (MenuWindowItem* item = MenuWindowFromPoint(state->sub, x, y, inside, holder)) return item;
    if (inside && *inside) return nullptr;
  }
  RECT r;
  GetWindowRect(state->window, &r);
  POINT p{x, y};
  if (!PtInRect(&r, p)) {
    if (!state->sub) SetHighlight(state, -1);
    return nullptr;
  }
  int index = IndexAt(state, x - r.left, y - r.top);
  if (index < 0) {
    if (inside) *inside = true;
    if (!state->sub) SetHighlight(state, -1);
    return nullptr;
  }
  if (state->sub && state->subIndex != index) CloseMenuWindow(state->sub);
  SetHighlight(state, index);
  if (holder) *holder = state;
  return state->items[index];
}

void ReloadMenuWindows(MenuWindowState* state) {
  for (MenuWindowState* s = state; s; s = s->sub) {
    std::string open = (s->sub && s->subIndex >= 0 && s->subIndex < static_cast<int>(s->items.size()))
                           ? s->items[s->subIndex]->path
                           : "";
    std::string lit = (s->highlight >= 0 && s->highlight < static_cast<int>(s->items.size()))
                          ? s->items[s->highlight]->path
                          : "";
    FreeItems(s);
    BuildItems(s);
    s->highlight = -1;
    int newSub = -1;
    for (int i = 0; i < static_cast<int>(s->items.size()); ++i) {
      if (!open.empty() && s->items[i]->path == open) newSub = i;
      if (!lit.empty() && s->items[i]->path == lit) s->highlight = i;
    }
    if (s->sub && newSub < 0) {
      CloseMenuWindow(s->sub);
      s->sub = nullptr;
    }
    s->subIndex = s->sub ? newSub : -1;
    if (s->sub) s->sub->openingIndex = newSub;
    LayoutAndShow(s, nullptr, true, true);
  }
}

void MenuWindowKey(MenuWindowState* state, UINT vk) {

  if (state->sub) {
    if (vk == VK_ESCAPE || (vk == VK_LEFT && !state->sub->sub &&
                            (state->sub->highlight < 0 || state->sub->highlight < state->sub->perColumn))) {
      int index = state->subIndex;
      CloseMenuWindow(state->sub);
      state->sub = nullptr;
      SetHighlight(state, index);
      return;
    }
    MenuWindowKey(state->sub, vk);
    return;
  }
  int count = static_cast<int>(state->items.size());
  int h = state->highlight;
  switch (vk) {
    case VK_RETURN:
      RunOrOpen(state, h);
      break;
    case VK_DOWN:
      if (count) SetHighlight(state, h < 0 || h + 1 >= count ? 0 : h + 1);
      break;
    case VK_UP:
      if (count) SetHighlight(state, h <= 0 ? count - 1 : h - 1);
      break;
    case VK_LEFT:
      if (h >= state->perColumn) SetHighlight(state, h - state->perColumn);
      break;
    case VK_RIGHT:
      if (h >= 0 && h < count && state->items[h]->isFolder)
        OpenSubmenu(state, state->items[h]);
      else if (h >= 0 && h + state->perColumn < count)
        SetHighlight(state, h + state->perColumn);
      break;
  }
}

void HighlightMenuItem(MenuWindowState* state, int index) {
  if (state) SetHighlight(state, index);
}

int MenuItemIndexAt(const MenuWindowState* state, POINT client) {
  return state ? IndexAt(state, client.x, client.y) : -1;
}

bool HitTestMenuWindowItem(HWND window, int x, int y) {
  // The column under the point counts too: in a menu of several columns the drop goes to the
  // entry the pointer is on.
  MenuWindowState* state = MenuStateOf(window);
  int index = MenuItemIndexAt(state, POINT{x, y});
  return index >= 0 && state->items[index]->isFolder;
}

}  // namespace jqbar
