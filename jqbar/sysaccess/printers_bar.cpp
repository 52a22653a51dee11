#include "printers_bar.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <winspool.h>

#include <algorithm>
#include <memory>

#include "drop_objects.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "pidl.h"
#include "resource.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr const char* kClassName = "JQPrintersBar";
constexpr UINT_PTR kArrowTimer = 1;

struct PrinterNode {
  PidlPtr absolute;                  // null for a printer that only the spooler lists
  std::vector<std::uint8_t> relative;  // id list relative to the Printers folder
  std::string displayName, parsingName;
  int smallIndex = -1, largeIndex = -1;
  bool isDefault = false, hidden = false;
  RECT button{};
};

struct PrintersBarInstance {
  PrintersBarSettings settings;
  std::vector<PrinterNode> nodes;  // display order
  std::vector<int> shown;          // indexes of the nodes not hidden
  HWND window = nullptr, tooltip = nullptr;
  HIMAGELIST small = nullptr, large = nullptr;
  IShellFolder* folder = nullptr;  // the Printers folder
  int count = 0;                   // buttons laid out
  bool horizontal = true;
  bool arrows = false, stacked = false;
  RECT back{}, forward{};
  int outlined = -1;  // node with the drag or menu outline
  bool keyMode = false;
  int focus = 0;  // index into shown
  IDropTarget* dropTarget = nullptr;
  std::vector<std::uint8_t> reply;
  // A press in progress: a node, or -2 back / -3 forward arrow.
  int pressed = -1;
  bool pressedLook = false;
};

struct Shared {
  std::vector<PrintersBarInstance*> live;
  HWND notify = nullptr;  // top-level: hears the change of the default printer for every bar
  HFONT font = nullptr;
  COLORREF face = 0, shadow = 0, text = 0;
  HICON defaultMark = nullptr, otherMark = nullptr, smallPrinter = nullptr, largePrinter = nullptr;
  bool registered = false;
  PanelType type{};
};

Shared& S() {
  static Shared s;
  return s;
}

PrintersBarInstance* InstanceOf(HWND w) { return reinterpret_cast<PrintersBarInstance*>(GetWindowLongPtrA(w, 0)); }

bool IsNT() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

void ReadColours() {
  S().face = GetSysColor(COLOR_BTNFACE);
  S().shadow = GetSysColor(COLOR_BTNSHADOW);
  S().text = GetSysColor(COLOR_BTNTEXT);
}

SIZE CellSize(int style) {
  switch (style) {
    case 1: return SIZE{20, 22};
    case 3: return SIZE{80, 42};
    case 4: return SIZE{70, 26};
    default: return SIZE{36, 42};
  }
}

// The profile value: WIN.INI on Windows 9x, the user's "Windows NT\CurrentVersion\<section>"
// key on NT. Returns the length of the text.
int ReadProfileValue(const char* section, const char* key, const char* def, char* buffer, int size) {
  if (!IsNT()) return int(GetProfileStringA(section, key, def, buffer, DWORD(size)));
  lstrcpynA(buffer, def, size);
  std::string path = std::string("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\") + section;
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &k) == ERROR_SUCCESS) {
    DWORD type = 0, bytes = DWORD(size);
    if (RegQueryValueExA(k, key, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
      lstrcpynA(buffer, def, size);
    RegCloseKey(k);
  }
  buffer[size - 1] = 0;
  return lstrlenA(buffer);
}

std::vector<std::string> SpoolerPrinters() {
  std::vector<std::string> names;
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0, &needed, &count);
  if (!needed) return names;
  std::vector<BYTE> buffer(needed);
  if (!EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer.data(), needed, &needed,
                     &count))
    return names;
  auto* info = reinterpret_cast<PRINTER_INFO_4A*>(buffer.data());
  for (DWORD i = 0; i < count; ++i)
    if (info[i].pPrinterName) names.push_back(info[i].pPrinterName);
  return names;
}

bool ContainsNoCase(const std::vector<std::string>& list, const std::string& name) {
  for (const std::string& n : list)
    if (lstrcmpiA(n.c_str(), name.c_str()) == 0) return true;
  return false;
}

int AddIcon(HIMAGELIST list, HICON icon) {
  if (!list || !icon) return -1;
  return ImageList_AddIcon(list, icon);
}

void FreeNodes(PrintersBarInstance* inst) {
  inst->nodes.clear();
  inst->shown.clear();
  if (inst->small) ImageList_RemoveAll(inst->small);
  if (inst->large) ImageList_RemoveAll(inst->large);
}

void EnumerateShellPrinters(PrintersBarInstance* inst, const std::vector<std::string>& spooler) {
  if (inst->folder) {
    inst->folder->Release();
    inst->folder = nullptr;
  }
  LPITEMIDLIST root = nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PRINTERS, &root)) || !root) return;
  if (SUCCEEDED(SHGetDesktopFolder(&desktop))) {
    desktop->BindToObject(root, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&inst->folder));
    desktop->Release();
  }
  IEnumIDList* items = nullptr;
  if (inst->folder && inst->folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items) == S_OK &&
      items) {
    LPITEMIDLIST item = nullptr;
    bool first = true;
    while (items->Next(1, &item, nullptr) == S_OK) {
      PrinterNode node;
      char name[MAX_PATH];
      GetDisplayNameText(inst->folder, item, SHGDN_FORPARSING, name);
      node.parsingName = name;
      // The folder's first item is its "Add Printer" entry; a folder that lists printers
      // alone keeps its first item.
      bool skip = first && !ContainsNoCase(spooler, node.parsingName);
      first = false;
      if (skip) {
        FreePidl(item);
        continue;
      }
      node.absolute.reset(CombinePidls(root, item));
      UINT size = GetPidlSize(item);
      node.relative.assign(reinterpret_cast<std::uint8_t*>(item), reinterpret_cast<std::uint8_t*>(item) + size);
      SHFILEINFOA info{};
      SHGetFileInfoA(reinterpret_cast<LPCSTR>(node.absolute.get()), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_DISPLAYNAME | SHGFI_ICON | SHGFI_SMALLICON);
      node.displayName = info.szDisplayName;
      if (info.hIcon) {
        node.smallIndex = AddIcon(inst->small, info.hIcon);
        DestroyIcon(info.hIcon);
      }
      SHFILEINFOA big{};
      SHGetFileInfoA(reinterpret_cast<LPCSTR>(node.absolute.get()), 0, &big, sizeof big, SHGFI_PIDL | SHGFI_ICON);
      if (big.hIcon) {
        node.largeIndex = AddIcon(inst->large, big.hIcon);
        DestroyIcon(big.hIcon);
      }
      FreePidl(item);
      inst->nodes.push_back(std::move(node));
    }
    items->Release();
  }
  FreePidl(root);
}

void MarkHiddenAndSort(PrintersBarInstance* inst) {
  for (PrinterNode& n : inst->nodes) n.hidden = ContainsNoCase(inst->settings.hidden, n.displayName);
  auto position = [inst](const PrinterNode& n) {
    for (std::size_t i = 0; i < inst->settings.order.size(); ++i)
      if (lstrcmpiA(inst->settings.order[i].c_str(), n.displayName.c_str()) == 0) return int(i);
    return int(inst->settings.order.size());
  };
  std::stable_sort(inst->nodes.begin(), inst->nodes.end(),
                   [&](const PrinterNode& a, const PrinterNode& b) { return position(a) < position(b); });
  inst->shown.clear();
  for (std::size_t i = 0; i < inst->nodes.size(); ++i)
    if (!inst->nodes[i].hidden) inst->shown.push_back(int(i));
}

void RefreshPrinters(PrintersBarInstance* inst) {
  FreeNodes(inst);
  char device[100] = {};
  ReadProfileValue("windows", "device", "", device, sizeof device);
  if (char* comma = strchr(device, ',')) *comma = 0;
  std::vector<std::string> spooler = SpoolerPrinters();
  EnumerateShellPrinters(inst, spooler);
  if (inst->nodes.empty()) {
    // A shell without a Printers folder that lists printers (Wine's): the spooler's own list,
    // with the printers' own icon.
    for (const std::string& name : spooler) {
      PrinterNode node;
      node.displayName = node.parsingName = name;
      node.smallIndex = AddIcon(inst->small, S().smallPrinter);
      node.largeIndex = AddIcon(inst->large, S().largePrinter);
      inst->nodes.push_back(std::move(node));
    }
  }
  bool nt = IsNT();
  for (PrinterNode& n : inst->nodes) {
    AddPrinterName(inst->settings.order, n.displayName);
    n.isDefault = lstrcmpiA((nt ? n.parsingName : n.displayName).c_str(), device) == 0 && device[0];
  }
  MarkHiddenAndSort(inst);
  // Names of printers that are gone leave the order.
  auto& order = inst->settings.order;
  order.erase(std::remove_if(order.begin(), order.end(),
                             [inst](const std::string& name) {
                               for (const PrinterNode& n : inst->nodes)
                                 if (lstrcmpiA(n.displayName.c_str(), name.c_str()) == 0) return false;
                               return true;
                             }),
              order.end());
}

void RebuildTooltips(PrintersBarInstance* inst) {
  if (!inst->tooltip) return;
  while (SendMessageA(inst->tooltip, TTM_GETTOOLCOUNT, 0, 0) > 0) {
    TOOLINFOA t{};
    t.cbSize = sizeof t;
    if (!SendMessageA(inst->tooltip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&t))) break;
    SendMessageA(inst->tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&t));
  }
  if (inst->settings.style != 1 && inst->settings.style != 2) return;
  for (int i = 0; i < inst->count; ++i) {
    int index = inst->settings.first + i;
    if (index >= int(inst->shown.size())) break;
    PrinterNode& n = inst->nodes[std::size_t(inst->shown[std::size_t(index)])];
    if (n.displayName.empty()) continue;
    TOOLINFOA t{};
    t.cbSize = sizeof t;
    t.uFlags = TTF_SUBCLASS;
    t.hwnd = inst->window;
    t.uId = UINT_PTR(i + 1);
    t.rect = n.button;
    t.lpszText = const_cast<char*>(n.displayName.c_str());
    SendMessageA(inst->tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&t));
  }
}

void Layout(PrintersBarInstance* inst) {
  RECT client;
  GetClientRect(inst->window, &client);
  inst->horizontal = SendMessageA(GetParent(inst->window), PNM_ISHORIZONTAL, 0, 0) != 0;
  int W = client.right, H = client.bottom;
  int along = (inst->horizontal ? W : H) - 4, across = (inst->horizontal ? H : W) - 4;
  SIZE cell = CellSize(inst->settings.style);
  int cellLength = inst->horizontal ? cell.cx : cell.cy;
  int n = int(inst->shown.size());
  inst->arrows = false;
  if (n > inst->settings.maximum) {
    inst->arrows = true;
    n = inst->settings.maximum;
  }
  if (cellLength > 0 && along / cellLength < n) inst->arrows = true;
  inst->stacked = across >= 24;
  if (inst->arrows) along -= inst->stacked ? 16 : 28;
  int count = cellLength > 0 ? std::min(along / cellLength, n) : 0;
  count = std::min(std::max(count, 0), 50);
  int& first = inst->settings.first;
  if (first + count > int(inst->shown.size())) first = int(inst->shown.size()) - count;
  if (first < 0) first = 0;
  inst->count = count;
  inst->settings.arrows = inst->arrows;
  inst->settings.stacked = inst->stacked;
  inst->settings.fit = count;
  for (PrinterNode& node : inst->nodes) node.button = RECT{};
  for (int i = 0; i < count; ++i) {
    int start = int((long long)i * along / count), end = i + 1 < count ? int((long long)(i + 1) * along / count) : along;
    PrinterNode& node = inst->nodes[std::size_t(inst->shown[std::size_t(first + i)])];
    node.button = inst->horizontal ? RECT{start, 2, end, 2 + across} : RECT{2, start, 2 + across, end};
  }
  if (inst->horizontal) {
    inst->back = inst->stacked ? RECT{W - 14, 0, W - 2, (H - 2) / 2} : RECT{W - 26, 2, W - 14, H - 2};
    inst->forward = inst->stacked ? RECT{W - 14, H / 2, W - 2, H - 2} : RECT{W - 14, 2, W - 2, H - 2};
  } else {
    inst->back = inst->stacked ? RECT{2, H - 14, W / 2, H - 2} : RECT{2, H - 26, W - 2, H - 14};
    inst->forward = inst->stacked ? RECT{W / 2, H - 14, W - 2, H - 2} : RECT{2, H - 14, W - 2, H - 2};
  }
  RebuildTooltips(inst);
}

RECT HitBox(const PrintersBarInstance* inst, const RECT& b) {
  int w = b.right - b.left, h = b.bottom - b.top;
  auto around = [&](int mw, int mh) {
    int cw = std::min(w, mw), ch = std::min(h, mh);
    int x = b.left + (w - cw) / 2, y = b.top + (h - ch) / 2;
    return RECT{x, y, x + cw, y + ch};
  };
  switch (inst->settings.style) {
    case 1: return around(40, 40);
    case 2: return around(60, 60);
    default: {
      int cw = std::min(w, 150), ch = std::min(h, inst->settings.style == 3 ? 60 : 40);
      int y = b.top + (h - ch) / 2;
      return RECT{b.left, y, b.left + cw, y + ch};
    }
  }
}

int NodeAt(const PrintersBarInstance* inst, POINT p) {
  if (p.x < 0 || p.y < 2) return -1;
  for (int i = 0; i < inst->count; ++i) {
    int index = inst->shown[std::size_t(inst->settings.first + i)];
    RECT box = HitBox(inst, inst->nodes[std::size_t(index)].button);
    if (PtInRect(&box, p)) return index;
  }
  return -1;
}

bool CanScroll(const PrintersBarInstance* inst, bool forward) {
  return forward ? inst->settings.first + inst->count < int(inst->shown.size()) : inst->settings.first > 0;
}

void DrawArrow(PrintersBarInstance* inst, HDC dc, const RECT& r, bool forward) {
  RECT box = r;
  HBRUSH face = CreateSolidBrush(S().face);
  FillRect(dc, &box, face);
  DeleteObject(face);
  bool pressed = inst->pressed == (forward ? -3 : -2) && inst->pressedLook;
  DrawEdge(dc, &box, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  COLORREF colour = CanScroll(inst, forward) ? S().text : S().shadow;
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ old = SelectObject(dc, pen);
  int cx = (box.left + box.right) / 2 + (pressed ? 1 : 0), cy = (box.top + box.bottom) / 2 + (pressed ? 1 : 0);
  for (int i = 0; i < 3; ++i) {
    if (inst->horizontal) {
      int x = forward ? cx - 1 + i : cx + 1 - i;
      MoveToEx(dc, x, cy - (2 - i), nullptr);
      LineTo(dc, x, cy + (3 - i));
    } else {
      int y = forward ? cy - 1 + i : cy + 1 - i;
      MoveToEx(dc, cx - (2 - i), y, nullptr);
      LineTo(dc, cx + (3 - i), y);
    }
  }
  SelectObject(dc, old);
  DeleteObject(pen);
}

std::string FitText(HDC dc, const std::string& text, int width) {
  int fit = 0;
  SIZE size;
  if (width <= 0) return {};
  GetTextExtentExPointA(dc, text.c_str(), int(text.size()), width, &fit, nullptr, &size);
  return text.substr(0, std::size_t(fit));
}

void DrawName(HDC dc, const std::string& name, int x, const RECT& b, int width, bool twoLines) {
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  int h = b.bottom - b.top;
  std::string line1 = FitText(dc, name, width);
  if (!twoLines || line1.size() == name.size()) {
    TextOutA(dc, x, b.top + (h - tm.tmHeight - (twoLines ? 3 : 0)) / 2, line1.c_str(), int(line1.size()));
    return;
  }
  std::size_t cut = line1.find_last_of(' ');
  if (cut == std::string::npos || cut == 0) cut = line1.size();
  std::string first = name.substr(0, cut);
  std::size_t rest = name.find_first_not_of(" \t", cut);
  std::string second = rest == std::string::npos ? std::string() : FitText(dc, name.substr(rest), width);
  TextOutA(dc, x, b.top + h / 2 - tm.tmHeight, first.c_str(), int(first.size()));
  TextOutA(dc, x, b.top + h / 2, second.c_str(), int(second.size()));
}

void DrawButton(PrintersBarInstance* inst, HDC dc, const PrinterNode& n) {
  const RECT& b = n.button;
  int x = b.left, y = b.top, w = b.right - b.left, h = b.bottom - b.top;
  int o = n.isDefault ? 2 : 0;
  HICON mark = n.isDefault ? S().defaultMark : S().otherMark;
  switch (inst->settings.style) {
    case 1:
      if (!Globals().noDropShadow && n.smallIndex >= 0)
        ImageList_DrawEx(inst->small, n.smallIndex, dc, x + (w - 20) / 2 + 4, y + (h - 26) / 2 + 4, 16, 16, CLR_NONE,
                         S().shadow, ILD_BLEND50 | ILD_MASK);
      if (n.smallIndex >= 0) ImageList_Draw(inst->small, n.smallIndex, dc, x + (w - 20) / 2 + o, y + (h - 26) / 2 + o, ILD_TRANSPARENT);
      else DrawIconEx(dc, x + (w - 20) / 2 + o, y + (h - 26) / 2 + o, S().smallPrinter, 16, 16, 0, nullptr, DI_NORMAL);
      DrawIconEx(dc, x + (w - 20) / 2, y + (h - 26) / 2 + (h < 26 ? 16 : 20), mark, 16, 16, 0, nullptr, DI_NORMAL);
      break;
    case 2:
      if (n.largeIndex >= 0) ImageList_Draw(inst->large, n.largeIndex, dc, x + (w - 36) / 2 + o, y + (h - 42) / 2 + o, ILD_TRANSPARENT);
      else DrawIconEx(dc, x + (w - 36) / 2 + o, y + (h - 42) / 2 + o, S().largePrinter, 32, 32, 0, nullptr, DI_NORMAL);
      DrawIconEx(dc, x + (w - 20) / 2, y + (h - 42) / 2 + 36, mark, 16, 16, 0, nullptr, DI_NORMAL);
      break;
    case 3:
      if (n.largeIndex >= 0) ImageList_Draw(inst->large, n.largeIndex, dc, x + o, y + (h - 42) / 2 + o, ILD_TRANSPARENT);
      DrawName(dc, n.displayName, x + 40, b, w - 43, true);
      DrawIconEx(dc, x + 8, y + (h - 42) / 2 + 36, mark, 16, 16, 0, nullptr, DI_NORMAL);
      break;
    default:
      if (n.smallIndex >= 0) ImageList_Draw(inst->small, n.smallIndex, dc, x + o, y + (h - 16) / 2 + o, ILD_TRANSPARENT);
      else DrawIconEx(dc, x + o + 2, y + (h - 16) / 2 + o, S().smallPrinter, 16, 16, 0, nullptr, DI_NORMAL);
      DrawName(dc, n.displayName, x + 22, b, w - 25, false);
      DrawIconEx(dc, x, y + (h - 26) / 2 + 20, mark, 16, 16, 0, nullptr, DI_NORMAL);
      break;
  }
}

void Paint(PrintersBarInstance* inst) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(inst->window, &ps);
  HGDIOBJ oldFont = SelectObject(dc, S().font ? S().font : GetStockObject(SYSTEM_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, S().text);
  for (int i = 0; i < inst->count; ++i) DrawButton(inst, dc, inst->nodes[std::size_t(inst->shown[std::size_t(inst->settings.first + i)])]);
  if (inst->arrows) {
    DrawArrow(inst, dc, inst->back, false);
    DrawArrow(inst, dc, inst->forward, true);
  }
  if (inst->outlined >= 0 && inst->outlined < int(inst->nodes.size())) {
    RECT box = HitBox(inst, inst->nodes[std::size_t(inst->outlined)].button);
    DrawDragOutline(inst->window, &box, dc);
  }
  SelectObject(dc, oldFont);
  EndPaint(inst->window, &ps);
}

void Scroll(PrintersBarInstance* inst, bool forward) {
  if (!CanScroll(inst, forward)) return;
  inst->settings.first += forward ? 1 : -1;
  Layout(inst);
  InvalidateRect(inst->window, nullptr, TRUE);
}

void SetOutline(PrintersBarInstance* inst, int node) {
  if (inst->outlined == node) return;
  inst->outlined = node;
  InvalidateRect(inst->window, nullptr, TRUE);
  UpdateWindow(inst->window);
}

bool MakeDefault(PrintersBarInstance* inst, int index) {
  if (index < 0 || index >= int(inst->nodes.size())) return false;
  const PrinterNode& n = inst->nodes[std::size_t(index)];
  std::string name = IsNT() ? n.parsingName : n.displayName;
  char devices[260] = {};
  if (!ReadProfileValue("devices", name.c_str(), "", devices, sizeof devices)) return false;
  std::string value = name + "," + devices;
  WriteProfileStringA("windows", "device", value.c_str());
  SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("windows"), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return true;
}

void Changed(PrintersBarInstance* inst) {
  SendMessageA(GetParent(inst->window), PNM_CHANGED, WPARAM(inst->window), 1);
}

void HidePrinter(PrintersBarInstance* inst, int index) {
  PrinterNode& n = inst->nodes[std::size_t(index)];
  if (n.hidden) return;
  AddPrinterName(inst->settings.hidden, n.displayName);
  MarkHiddenAndSort(inst);
  RefillPrinterOrderPage(inst->window);
  Layout(inst);
  Changed(inst);
  InvalidateRect(inst->window, nullptr, TRUE);
}

void OpenConfig(PrintersBarInstance* inst) {
  bool taskbar = IsInsideTaskbar(inst->window);
  HWND target = taskbar ? GetParent(GetParent(inst->window)) : inst->window;
  SendMessageA(GetParent(inst->window), PNM_OPENCONFIG, WPARAM(target), 0);
}

void AppendOwnItem(HMENU menu, UINT id, UINT text, bool strip) {
  char label[128];
  lstrcpynA(label, LoadResString(text), sizeof label);
  if (strip) StripAmpersands(label);
  AppendMenuA(menu, MF_STRING, id, label);
}

void PrinterContextMenu(PrintersBarInstance* inst, POINT client) {
  bool taskbar = IsInsideTaskbar(inst->window);
  int index = NodeAt(inst, client);
  HMENU menu = CreatePopupMenu();
  IContextMenu* shellMenu = nullptr;
  if (index >= 0) {
    PrinterNode& n = inst->nodes[std::size_t(index)];
    if (inst->folder && !n.relative.empty()) {
      LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(n.relative.data());
      if (SUCCEEDED(inst->folder->GetUIObjectOf(inst->window, 1, &item, IID_IContextMenu, nullptr,
                                                reinterpret_cast<void**>(&shellMenu))) &&
          shellMenu) {
        shellMenu->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_NORMAL);
        // A printer takes no Paste; without one, item 27 and a separator left standing go.
        bool removed = false;
        for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i) {
          char text[64] = {};
          GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
          if (lstrcmpiA(text, "&Paste") == 0) {
            DeleteMenu(menu, UINT(i), MF_BYPOSITION);
            removed = true;
          }
        }
        if (!removed) {
          for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            if (GetMenuItemID(menu, i) != 27) continue;
            DeleteMenu(menu, UINT(i), MF_BYPOSITION);
            MENUITEMINFOA mi{};
            mi.cbSize = sizeof mi;
            mi.fMask = MIIM_FTYPE;
            if (i < GetMenuItemCount(menu) && GetMenuItemInfoA(menu, UINT(i), TRUE, &mi) && (mi.fType & MFT_SEPARATOR))
              DeleteMenu(menu, UINT(i), MF_BYPOSITION);
            break;
          }
        }
      }
    }
    if (GetMenuItemCount(menu) > 0) AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendOwnItem(menu, IDM_PB_HIDE, IDS_PB_HIDE, taskbar);
  }
  AppendOwnItem(menu, IDM_PB_PROPERTIES, IDS_PB_PROPERTIES, taskbar);
  if (taskbar) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[128] = {};
      MENUITEMINFOA mi{};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_STRING | MIIM_FTYPE;
      mi.dwTypeData = text;
      mi.cch = sizeof text;
      if (GetMenuItemInfoA(menu, UINT(i), TRUE, &mi) && !(mi.fType & MFT_SEPARATOR) && text[0]) {
        StripAmpersands(text);
        mi.fMask = MIIM_STRING;
        mi.dwTypeData = text;
        SetMenuItemInfoA(menu, UINT(i), TRUE, &mi);
      }
    }
  }
  POINT screen = client;
  ClientToScreen(inst->window, &screen);
  SetOutline(inst, index);
  RevealFrameForModal(inst->window);
  UINT chosen = UINT(seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x, screen.y,
                                             inst->window, nullptr));
  EndFrameModal();
  SetOutline(inst, -1);
  if (chosen == IDM_PB_PROPERTIES) {
    OpenConfig(inst);
  } else if (chosen == IDM_PB_HIDE) {
    if (index >= 0) HidePrinter(inst, index);
  } else if (chosen && shellMenu) {
    CMINVOKECOMMANDINFO invoke{};
    invoke.cbSize = sizeof invoke;
    invoke.hwnd = inst->window;
    invoke.lpVerb = MAKEINTRESOURCEA(chosen - 1);
    invoke.nShow = SW_SHOWNORMAL;
    shellMenu->InvokeCommand(&invoke);
  }
  if (shellMenu) shellMenu->Release();
  DestroyMenu(menu);
}

// Hands the files to a printer that has no drop target of its own: through the file type's
// "printto" command when it has one, else the file goes to the printer's queue as it is
// (the spooler turns text, PostScript, PDF and pictures into pages).
bool PrintFileOn(HWND owner, const std::string& printer, const std::string& file) {
  char command[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (SUCCEEDED(AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, PathFindExtensionA(file.c_str()), "printto",
                                  command, &size))) {
    std::string parameters = "\"" + printer + "\"";
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.hwnd = owner;
    info.lpVerb = "printto";
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (seams::ShellExecuteExA(&info)) return true;
  }
  HANDLE in = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  HANDLE queue = nullptr;
  bool ok = false;
  if (OpenPrinterA(const_cast<char*>(printer.c_str()), &queue, nullptr)) {
    std::string title = PathFindFileNameA(file.c_str());
    DOC_INFO_1A doc{};
    doc.pDocName = const_cast<char*>(title.c_str());
    doc.pDatatype = const_cast<char*>("RAW");
    if (StartDocPrinterA(queue, 1, reinterpret_cast<BYTE*>(&doc))) {
      ok = true;
      char buffer[16384];
      DWORD got = 0, written = 0;
      while (ok && ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0)
        ok = WritePrinter(queue, buffer, got, &written) && written == got;
      if (ok) ok = EndDocPrinter(queue) != FALSE;
      else AbortPrinter(queue);
    }
    ClosePrinter(queue);
  }
  CloseHandle(in);
  return ok;
}

int DropFilesOn(PrintersBarInstance* inst, int index, const std::vector<std::string>& files, IDataObject* data) {
  if (index < 0) return 0;
  PrinterNode& n = inst->nodes[std::size_t(index)];
  if (data && inst->folder && !n.relative.empty()) {
    LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(n.relative.data());
    IDropTarget* target = nullptr;
    if (SUCCEEDED(inst->folder->GetUIObjectOf(inst->window, 1, &item, IID_IDropTarget, nullptr,
                                              reinterpret_cast<void**>(&target))) &&
        target) {
      DWORD effect = DROPEFFECT_COPY;
      POINTL origin{0, 0};
      target->DragEnter(data, MK_LBUTTON, origin, &effect);
      effect = DROPEFFECT_COPY;
      target->DragOver(MK_LBUTTON, origin, &effect);
      effect = DROPEFFECT_COPY;
      target->Drop(data, MK_LBUTTON, origin, &effect);
      target->Release();
      return int(files.size());
    }
  }
  int printed = 0;
  for (const std::string& f : files) printed += PrintFileOn(inst->window, n.parsingName, f) ? 1 : 0;
  return printed;
}

std::vector<std::string> FilesOf(IDataObject* data) {
  std::vector<std::string> files;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return files;
  HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char path[MAX_PATH] = {};
      if (DragQueryFileA(drop, i, path, MAX_PATH)) files.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  return files;
}

// The drop target's handlers (the target itself is the toolbar's shared one for printers bars).
void SetDropBar(HWND) {}

BOOL TrackDragOver(HWND bar, int x, int y) {
  PrintersBarInstance* inst = InstanceOf(bar);
  if (!inst) return FALSE;
  int index = x < 0 || y < 0 ? -1 : NodeAt(inst, POINT{x, y});
  SetOutline(inst, index);
  return index >= 0;
}

void DropOnPrinter(HWND bar, IDataObject* data, int x, int y) {
  PrintersBarInstance* inst = InstanceOf(bar);
  if (!inst || !data) return;
  int index = NodeAt(inst, POINT{x, y});
  SetOutline(inst, -1);
  if (index >= 0) DropFilesOn(inst, index, FilesOf(data), data);
}

void KeyModeOutline(PrintersBarInstance* inst) {
  if (inst->focus < 0 || inst->focus >= int(inst->shown.size())) return;
  SetOutline(inst, inst->shown[std::size_t(inst->focus)]);
}

void OnKey(PrintersBarInstance* inst, WPARAM key) {
  if (inst->shown.empty()) return;
  int& f = inst->focus;
  switch (key) {
    case VK_RETURN:
      MakeDefault(inst, inst->shown[std::size_t(f)]);
      return;
    case VK_LEFT:
    case VK_UP:
      if (f > 0) --f;
      if (f < inst->settings.first) Scroll(inst, false);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      if (f + 1 < int(inst->shown.size())) ++f;
      if (f >= inst->settings.first + inst->count) Scroll(inst, true);
      break;
    case VK_F10:
      if (GetKeyState(VK_SHIFT) < 0) {
        RECT b = inst->nodes[std::size_t(inst->shown[std::size_t(f)])].button;
        PrinterContextMenu(inst, POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2});
      }
      return;
    default:
      return;
  }
  KeyModeOutline(inst);
}

LRESULT CALLBACK PrintersBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PrintersBarInstance* inst = InstanceOf(window);
  if (message == WM_CREATE) {
    inst = static_cast<PrintersBarInstance*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    inst->window = window;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(inst));
    S().live.push_back(inst);
    return 0;
  }
  if (!inst) return DefWindowProcA(window, message, wParam, lParam);
  if (inst->tooltip && (message == WM_MOUSEMOVE || message == WM_LBUTTONUP || message == WM_RBUTTONUP)) {
    MSG m{window, message, wParam, lParam, 0, {}};
    SendMessageA(inst->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
  switch (message) {
    case WM_DESTROY:
      KillTimer(window, kArrowTimer);
      RevokeDragDrop(window);
      if (inst->dropTarget) DestroyPrintersBarDropTarget(inst->dropTarget);
      if (inst->tooltip) DestroyWindow(inst->tooltip);
      FreeNodes(inst);
      if (inst->folder) inst->folder->Release();
      if (inst->small) ImageList_Destroy(inst->small);
      if (inst->large) ImageList_Destroy(inst->large);
      S().live.erase(std::remove(S().live.begin(), S().live.end(), inst), S().live.end());
      SetWindowLongPtrA(window, 0, 0);
      delete inst;
      return 0;
    case WM_SIZE:
      Layout(inst);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_PAINT:
      Paint(inst);
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetClientRect(window, &r);
      PaintParentBackground(window, &r, reinterpret_cast<HDC>(wParam), false);
      return 1;
    }
    case WM_SYSCOLORCHANGE:
      ReadColours();
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_WININICHANGE:
      RefreshPrinters(inst);
      RefillPrinterOrderPage(window);
      Layout(inst);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_NCHITTEST: {
      POINT c = p;
      ScreenToClient(window, &c);
      bool onArrow = inst->arrows && (PtInRect(&inst->back, c) || PtInRect(&inst->forward, c));
      if (onArrow || NodeAt(inst, c) >= 0 || GetKeyState(VK_RBUTTON) < 0) return HTCLIENT;
      return HTTRANSPARENT;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      bool back = inst->arrows && PtInRect(&inst->back, p), fwd = inst->arrows && PtInRect(&inst->forward, p);
      if ((back || fwd) && CanScroll(inst, fwd)) {
        inst->pressed = fwd ? -3 : -2;
        inst->pressedLook = true;
        Scroll(inst, fwd);
        SetTimer(window, kArrowTimer, 500, nullptr);
        SetCapture(window);
        return 0;
      }
      if (message == WM_LBUTTONDBLCLK) return 0;
      int index = NodeAt(inst, p);
      if (index >= 0 && !inst->nodes[std::size_t(index)].isDefault) {
        inst->pressed = index;
        inst->pressedLook = true;
        inst->nodes[std::size_t(index)].isDefault = true;
        InvalidateRect(window, nullptr, TRUE);
        SetCapture(window);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (GetCapture() == window && inst->pressed >= 0) {
        bool on = NodeAt(inst, p) == inst->pressed;
        if (on != inst->pressedLook) {
          inst->pressedLook = on;
          inst->nodes[std::size_t(inst->pressed)].isDefault = on;
          InvalidateRect(window, nullptr, TRUE);
        }
      } else if (GetCapture() == window && inst->pressed <= -2) {
        RECT& r = inst->pressed == -3 ? inst->forward : inst->back;
        bool on = PtInRect(&r, p) != FALSE;
        if (on != inst->pressedLook) {
          inst->pressedLook = on;
          InvalidateRect(window, &r, TRUE);
        }
      }
      return 0;
    case WM_TIMER:
      if (wParam == kArrowTimer && inst->pressed <= -2 && inst->pressedLook) Scroll(inst, inst->pressed == -3);
      return 0;
    case WM_LBUTTONUP: {
      int pressed = inst->pressed;
      inst->pressed = -1;
      KillTimer(window, kArrowTimer);
      if (GetCapture() == window) ReleaseCapture();
      if (pressed >= 0) {
        inst->nodes[std::size_t(pressed)].isDefault = false;
        InvalidateRect(window, nullptr, TRUE);
        if (NodeAt(inst, p) == pressed) MakeDefault(inst, pressed);
      } else if (pressed <= -2) {
        InvalidateRect(window, nullptr, TRUE);
      }
      return 0;
    }
    case WM_RBUTTONUP:
      if (GetCapture() != window) PrinterContextMenu(inst, p);
      return 0;
    case PNM_GETSETTINGS:
      inst->reply = SavePrintersBarSettings(inst->settings);
      if (lParam) *reinterpret_cast<void**>(lParam) = inst->reply.data();
      return LRESULT(inst->reply.size());
    case PNM_SETSETTINGS: {
      PrintersBarSettings loaded;
      if (!LoadPrintersBarSettings(reinterpret_cast<const std::uint8_t*>(lParam), std::size_t(wParam), loaded)) return 0;
      inst->settings = std::move(loaded);
      RefreshPrinters(inst);
      Layout(inst);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case PNM_CREATEPAGE:
      return reinterpret_cast<LRESULT>(CreatePrintersBarSheet(window, reinterpret_cast<HWND>(wParam), lParam));
    case PNM_GETPREFSIZE: {
      SIZE cell = CellSize(inst->settings.style);
      bool horizontal = wParam != 0;
      int length = horizontal ? cell.cx : cell.cy, thickness = horizontal ? cell.cy : cell.cx;
      if (inst->shown.size() > 1) length += thickness > 23 ? 12 : 24;
      return horizontal ? MakeSize(length + 4, thickness) : MakeSize(thickness, length + 4);
    }
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2: {
      if (!lParam) return 0;
      const auto* s = reinterpret_cast<const SizeProposal*>(lParam);
      SIZE cell = CellSize(inst->settings.style);
      int k = std::max(1, std::min(int(inst->shown.size()), inst->settings.maximum));
      bool horizontal = SendMessageA(GetParent(window), PNM_ISHORIZONTAL, 0, 0) != 0;
      int a = horizontal ? k * cell.cx + 4 : cell.cx + 4, b = horizontal ? cell.cy + 4 : k * cell.cy + 4;
      return MakeSize(std::min({s->offeredWidth, s->currentWidth + 20, a}),
                      std::min({s->offeredHeight, s->currentHeight + 20, b}));
    }
    case PNM_NEGOTIATESIZE3: {
      if (!lParam) return 0;
      const auto* s = reinterpret_cast<const SizeProposal*>(lParam);
      return MakeSize(std::min(s->offeredWidth, s->currentWidth + 5), std::min(s->offeredHeight, s->currentHeight + 5));
    }
    case PNM_SETTOOLTIPS:
      if (inst->tooltip) SendMessageA(inst->tooltip, TTM_ACTIVATE, wParam, 0);
      return 0;
    case PNM_HELP:
      OpenHelpTopic(window, 76);
      return 1;
    case PNM_KEYMODEON: {
      inst->keyMode = true;
      SetFocus(GetTopFrameWindow(window));
      inst->focus = inst->settings.first;
      KeyModeOutline(inst);
      if (inst->outlined >= 0) {
        ParkPointerInPanel(window, HitBox(inst, inst->nodes[std::size_t(inst->outlined)].button));
      }
      return 1;
    }
    case PNM_KEYMODEOFF:
      inst->keyMode = false;
      SetOutline(inst, -1);
      return 1;
    case PNM_KEY:
      OnKey(inst, wParam);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// WM_WININICHANGE reaches top-level windows only: this hidden one hands it to every bar.
LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WININICHANGE) {
    std::vector<PrintersBarInstance*> bars = S().live;
    for (PrintersBarInstance* bar : bars) SendMessageA(bar->window, WM_WININICHANGE, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void EnsureNotifyWindow(HINSTANCE instance) {
  if (S().notify && IsWindow(S().notify)) return;
  S().notify = CreateHiddenTopWindow(instance, "JQPrintersBarNotify", NotifyProc);
}

bool RegisterBarClass(HINSTANCE instance) {
  if (S().registered) return true;
  S().registered = RegisterPanelClass(instance, kClassName, PrintersBarProc);
  if (!S().font) S().font = CreatePointFont(8, "MS Sans Serif");
  ReadColours();
  auto icon = [instance](int id, int size) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
  };
  if (!S().defaultMark) S().defaultMark = icon(IDI_PB_DEFAULT, 16);
  if (!S().otherMark) S().otherMark = icon(IDI_PB_NODEFAULT, 16);
  if (!S().smallPrinter) S().smallPrinter = icon(IDI_PB_SMALLPRINTER, 16);
  if (!S().largePrinter) S().largePrinter = icon(IDI_PB_LARGEPRINTER, 32);
  return S().registered;
}

HWND CreateBar(HWND parent, const RECT* rect, const void* blob, int blobSize, int defaultStyle) {
  HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
  if (!RegisterBarClass(instance)) return nullptr;
  auto* inst = new PrintersBarInstance;
  if (!blob || blobSize <= 0 ||
      !LoadPrintersBarSettings(static_cast<const std::uint8_t*>(blob), std::size_t(blobSize), inst->settings)) {
    inst->settings = PrintersBarSettings{};
    inst->settings.style = defaultStyle;
  }
  inst->small = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 4);
  inst->large = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
  RECT r = rect ? *rect : RECT{0, 0, 60, 46};
  HWND window = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, parent, nullptr, instance, inst);
  if (!window) {
    ImageList_Destroy(inst->small);
    ImageList_Destroy(inst->large);
    delete inst;
    return nullptr;
  }
  EnsureNotifyWindow(instance);
  static bool handlersSet = false;
  if (!handlersSet) {
    PrintersBarDropHandlers handlers;
    handlers.setDropBar = SetDropBar;
    handlers.trackDragOverPrinter = TrackDragOver;
    handlers.dropOnPrinter = DropOnPrinter;
    SetPrintersBarDropHandlers(handlers);
    handlersSet = true;
  }
  if (IDropTarget* target = CreatePrintersBarDropTarget(window)) {
    if (SUCCEEDED(RegisterDragDrop(window, target))) inst->dropTarget = target;
    else DestroyPrintersBarDropTarget(target);
  }
  inst->tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP | WS_POPUP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);
  if (inst->tooltip)
    SendMessageA(inst->tooltip, TTM_ACTIVATE, SendMessageA(parent, PNM_GETTOOLTIPS, 0, 0) != 0, 0);
  RefreshPrinters(inst);
  Layout(inst);
  InvalidateRect(window, nullptr, TRUE);
  return window;
}

HWND RecreatePrintersBar(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return CreateBar(parent, rect, blob, blobSize, blob && blobSize > 0 ? 2 : 1);
}

void CleanupType() { FreePrintersBarPanelType(); }

}  // namespace

PanelType* RegisterPrintersBarPanelType(HINSTANCE instance) {
  if (!RegisterBarClass(instance)) return nullptr;
  FillBuiltinType(S().type, instance, "Print Manager", IDS_PB_TYPE, IDS_PB_TYPE_DESC, IDB_PB_TYPE, IDB_PB_TYPE_MASK,
                  RecreatePrintersBar);
  S().type.cleanup = CleanupType;
  return &S().type;
}

void FreePrintersBarPanelType() {
  if (S().notify) {
    DestroyWindow(S().notify);
    S().notify = nullptr;
  }
  if (S().font) {
    DeleteObject(S().font);
    S().font = nullptr;
  }
}

HWND CreatePrintersBar(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  return CreateBar(parent, rect, blob, blobSize, 2);
}

std::string ReadDefaultPrinterName() {
  char device[100] = {};
  ReadProfileValue("windows", "device", "", device, sizeof device);
  if (char* comma = strchr(device, ',')) *comma = 0;
  return device;
}

std::vector<PrinterButtonInfo> PrintersBarButtons(HWND bar) {
  std::vector<PrinterButtonInfo> out;
  PrintersBarInstance* inst = InstanceOf(bar);
  if (!inst) return out;
  for (const PrinterNode& n : inst->nodes)
    out.push_back(PrinterButtonInfo{n.displayName, n.parsingName, n.isDefault, n.hidden, n.button, n.absolute != nullptr});
  return out;
}

bool SetDefaultPrinterOf(HWND bar, int index) {
  PrintersBarInstance* inst = InstanceOf(bar);
  return inst && MakeDefault(inst, index);
}

PrintersBarSettings* PrintersBarSettingsOf(HWND bar) {
  PrintersBarInstance* inst = InstanceOf(bar);
  return inst ? &inst->settings : nullptr;
}

std::vector<std::pair<std::string, bool>> PrintersBarOrder(HWND bar) {
  std::vector<std::pair<std::string, bool>> out;
  if (PrintersBarInstance* inst = InstanceOf(bar))
    for (const PrinterNode& n : inst->nodes) out.emplace_back(n.displayName, n.hidden);
  return out;
}

void ReapplyPrintersBarSettings(HWND bar) {
  PrintersBarInstance* inst = InstanceOf(bar);
  if (!inst) return;
  MarkHiddenAndSort(inst);
  Layout(inst);
  Changed(inst);
  InvalidateRect(bar, nullptr, TRUE);
}

int DropFilesOnPrinter(HWND bar, const std::vector<std::string>& files, POINT client) {
  PrintersBarInstance* inst = InstanceOf(bar);
  if (!inst) return 0;
  return DropFilesOn(inst, NodeAt(inst, client), files, nullptr);
}

}  // namespace jqbar
