#include "window_helpers.h"
#include <cstdio>
#include <cstring>
#include <string>

POINT CenterPosition(SIZE window, const RECT& reference, SIZE screen) {
  POINT p;
  p.x = reference.left + ((reference.right - reference.left) - window.cx) / 2;
  p.y = reference.top + ((reference.bottom - reference.top) - window.cy) / 2;
  if (p.x + window.cx > screen.cx) p.x = screen.cx - window.cx;
  if (p.x < 0) p.x = 0;
  if (p.y + window.cy > screen.cy) p.y = screen.cy - window.cy;
  if (p.y < 0) p.y = 0;
  return p;
}

void CenterWindowOver(HWND window, HWND reference) {
  RECT w, r;
  if (!GetWindowRect(window, &w)) return;
  if (!reference || !GetWindowRect(reference, &r)) {
    r.left = r.top = 0;
    r.right = GetSystemMetrics(SM_CXSCREEN);
    r.bottom = GetSystemMetrics(SM_CYSCREEN);
  }
  HDC dc = GetDC(window);
  SIZE screen = {GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES)};
  ReleaseDC(window, dc);
  POINT p = CenterPosition({w.right - w.left, w.bottom - w.top}, r, screen);
  SetWindowPos(window, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int LoadStringText(HINSTANCE module, UINT id, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  int length = LoadStringA(module, id, buffer, size);
  if (length <= 0) {
    buffer[0] = 0;
    return 0;
  }
  buffer[size - 1] = 0;
  return length;
}

int InitCommonControlsCompat() {
  HMODULE comctl = GetModuleHandleA("COMCTL32");
  if (!comctl) comctl = LoadLibraryA("COMCTL32");  // stays loaded: the controls need it
  using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  auto init = comctl ? reinterpret_cast<InitEx>(GetProcAddress(comctl, "InitCommonControlsEx"))
                     : nullptr;
  if (init) {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = 0x4FF;
    init(&icc);
    return 1;
  }
  InitCommonControls();
  return 0;
}

namespace {
// Sets or clears LVIS_CUT on every item that LVM_GETNEXTITEM finds with `which`.
void SetCutState(HWND list, UINT which, UINT state) {
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), which)); i >= 0;
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, which))) {
    LVITEMA item{};
    item.stateMask = LVIS_CUT;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
  }
}
}  // namespace

void ClearCutMarks(HWND list) { SetCutState(list, LVNI_CUT, 0); }

void MarkSelectionCut(HWND list) { SetCutState(list, LVNI_SELECTED, LVIS_CUT); }

void CenterWindowOnScreen(HWND window) {
  RECT r{};
  if (!window || !GetWindowRect(window, &r)) return;
  int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The value of the running file's version block by name, from the "040904E4" table, or else from
// the table of the first translation the block lists in the user's language, or its first one.
std::string VersionBlockValue(const void* block, const char* name) {
  auto query = [&](const std::string& table) -> std::string {
    char* value = nullptr;
    UINT length = 0;
    std::string path = "\\StringFileInfo\\" + table + "\\" + name;
    if (VerQueryValueA(block, path.c_str(), reinterpret_cast<void**>(&value), &length) && value && length && *value)
      return std::string(value, strnlen(value, length));
    return {};
  };
  std::string found = query("040904E4");
  if (!found.empty()) return found;
  struct Translation {
    WORD language, codePage;
  };
  Translation* translations = nullptr;
  UINT size = 0;
  if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) ||
      !translations || size < sizeof(Translation))
    return {};
  UINT count = size / sizeof(Translation);
  LANGID user = GetUserDefaultUILanguage();
  UINT chosen = 0;
  for (UINT i = 0; i < count; ++i)
    if (translations[i].language == user) chosen = i;
  char table[16];
  snprintf(table, sizeof table, "%04x%04x", translations[chosen].language, translations[chosen].codePage);
  return query(table);
}

void FillFromVersionBlock(HWND dialog, int firstId, int lastId) {
  char file[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, file, MAX_PATH);
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(file, &handle);
  if (!size) return;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return;
  void* block = GlobalLock(memory);
  if (block && GetFileVersionInfoA(file, 0, size, block)) {
    for (int id = firstId; id <= lastId; ++id) {
      char name[MAX_PATH] = "";
      if (!GetDlgItemTextA(dialog, id, name, sizeof name)) continue;
      std::string value = VersionBlockValue(block, name);
      if (!value.empty()) SetDlgItemTextA(dialog, id, value.c_str());
    }
  }
  GlobalUnlock(memory);
  GlobalFree(memory);
}

int TreeStateImage(HWND tree, HTREEITEM item) {
  return int((SendMessageA(tree, TVM_GETITEMSTATE, WPARAM(item), TVIS_STATEIMAGEMASK) & TVIS_STATEIMAGEMASK) >> 12);
}

void SetTreeStateImage(HWND tree, HTREEITEM item, int state) {
  TVITEMA t{};
  t.mask = TVIF_STATE;
  t.hItem = item;
  t.stateMask = TVIS_STATEIMAGEMASK;
  t.state = INDEXTOSTATEIMAGEMASK(state);
  SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&t));
}
