#include "panel_utils.h"

#include <commctrl.h>

#include <cstdio>

#include "panel_messages.h"
#include "panel_tree.h"
#include "seams.h"

namespace jqbar {
namespace {

int g_helpOpened = 0;
void (*g_reveal)(HWND) = nullptr;
HWND g_modalFrame = nullptr;
HMODULE g_keyboardHook = nullptr;
HMODULE g_taskHook = nullptr;
bool g_taskHookRunning = false;

bool HasClass(HWND window, const char* name) {
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  return lstrcmpiA(cls, name) == 0;
}

void HelpFile(char* out) {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  char* slash = strrchr(module, '\\');
  if (slash) slash[1] = 0;
  snprintf(out, MAX_PATH, "%sQuorvnel.hlp", module);
}

}  // namespace

ToolbarGlobals& Globals() {
  static ToolbarGlobals globals;
  return globals;
}

void OpenHelpTopic(HWND window, int topic) {
  char file[MAX_PATH];
  HelpFile(file);
  g_helpOpened = seams::WinHelpA(window, file, topic ? HELP_CONTEXT : HELP_FINDER, ULONG_PTR(topic));
}

void CloseHelp(HWND window) {
  if (!g_helpOpened) return;
  char file[MAX_PATH];
  HelpFile(file);
  seams::WinHelpA(window, file, HELP_QUIT, 0);
  g_helpOpened = 0;
}

const char* LoadResString(UINT id) {
  static char buffers[4][100];
  static int next = 0;
  char* buffer = buffers[next];
  next = (next + 1) % 4;
  buffer[0] = 0;
  LoadStringA(Globals().instance, id, buffer, sizeof buffers[0]);
  return buffer;
}

HWND GetTopFrameWindow(HWND window) {
  while (window) {
    HWND parent = GetParent(window);
    if (!parent || HasClass(parent, "Shell_TrayWnd")) return window;
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return window;  // owner, not parent
    window = parent;
  }
  return window;
}

void ParkPointerInPanel(HWND panel, const RECT& box) {
  POINT corner{box.right - 2, box.bottom - 2};
  ClientToScreen(panel, &corner);
  SetCursorPos(corner.x, corner.y);
}

POINT PanelCentreOnScreen(HWND panel) {
  RECT client{};
  GetClientRect(panel, &client);
  POINT centre{client.right / 2, client.bottom / 2};
  ClientToScreen(panel, &centre);
  return centre;
}

bool IsRootContainer(HWND container) {
  HWND frame = GetParent(container);
  if (!frame) return false;
  HWND grand = GetParent(frame);
  return !grand || HasClass(grand, "Shell_TrayWnd");
}

UINT UnseenEraseFlags(HWND window) {
  HWND parent = GetParent(window);
  return parent && !IsWindowVisible(parent) ? SWP_DEFERERASE : 0;
}

void MoveChildWindow(HWND window, int x, int y, int width, int height) {
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | UnseenEraseFlags(window));
}

bool IsInsideTaskbar(HWND window) {
  for (HWND w = GetParent(window); w; w = GetParent(w))
    if (HasClass(w, "Shell_TrayWnd")) return true;
  return false;
}

HWND GetOwnerFrameWindow() {
  PanelNode* first = FrameList();
  if (!first) return nullptr;
  for (PanelNode* n = first; n; n = n->next)
    if (n->window && !IsInsideTaskbar(n->window)) return GetParent(n->window);
  return first->window ? GetParent(first->window) : nullptr;
}

int GetTaskbarEdge() {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  RECT r{};
  if (tray) GetWindowRect(tray, &r);
  bool wide = (r.right - r.left) > (r.bottom - r.top);
  if (r.left <= 9 && r.top <= 9) return wide ? 1 : 0;
  return wide ? 3 : 2;
}

void SetModalRevealHandler(void (*reveal)(HWND)) { g_reveal = reveal; }

void RevealFrameForModal(HWND window) {
  HWND frame = window ? GetTopFrameWindow(window) : nullptr;
  g_modalFrame = frame;
  if (frame && g_reveal) g_reveal(frame);
}

void EndFrameModal() { g_modalFrame = nullptr; }
HWND ModalFrame() { return g_modalFrame; }

int FrameMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  if (owner) RevealFrameForModal(owner);
  int result = seams::MessageBoxA(owner, text, caption, type);
  EndFrameModal();
  return result;
}

INT_PTR FrameDialogBox(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                       LPARAM parameter) {
  if (owner) RevealFrameForModal(owner);
  INT_PTR result = DialogBoxParamA(instance, templateName, owner, procedure, parameter);
  EndFrameModal();
  return result;
}

void PaintParentBackground(HWND panel, const RECT* rect, HDC dc, bool flag) {
  BackgroundPaintRequest request{panel, dc, *rect, flag ? 0x100u : 0u, 0, 0};
  SendMessageA(GetParent(panel), PNM_PAINTBACKGROUND, 0, reinterpret_cast<LPARAM>(&request));
}

void PaintParentBackgroundOffscreen(HWND panel, const RECT* rect, int x, int y, HDC dc, bool flag) {
  BackgroundPaintRequest request{panel, dc, *rect, flag ? 0x101u : 1u, x, y};
  SendMessageA(GetParent(panel), PNM_PAINTBACKGROUND, 0, reinterpret_cast<LPARAM>(&request));
}

void DrawDragOutline(HWND window, const RECT* r, HDC dc) {
  HDC use = dc ? dc : GetDC(window);
  HBRUSH old = static_cast<HBRUSH>(
      SelectObject(use, Globals().halftoneBrush ? Globals().halftoneBrush : GetStockObject(GRAY_BRUSH)));
  int w = r->right - r->left, h = r->bottom - r->top;
  PatBlt(use, r->left, r->top, w - 2, 2, PATINVERT);
  PatBlt(use, r->right - 2, r->top, 2, h - 2, PATINVERT);
  PatBlt(use, r->left + 2, r->bottom - 2, w - 2, 2, PATINVERT);
  PatBlt(use, r->left, r->top + 2, 2, h - 2, PATINVERT);
  SelectObject(use, old);
  if (!dc) ReleaseDC(window, use);
}

bool LoadKeyboardHook() {
  if (g_keyboardHook) return true;
  g_keyboardHook = LoadLibraryA("TASKSPY.DLL");
  if (!g_keyboardHook) return false;
  auto start = reinterpret_cast<void(WINAPI*)()>(GetProcAddress(g_keyboardHook, "StartKeyboardHook"));
  if (!start) {
    FreeLibrary(g_keyboardHook);
    g_keyboardHook = nullptr;
    return false;
  }
  start();
  return true;
}

void UnloadKeyboardHook() {
  if (!g_keyboardHook) return;
  auto stop = reinterpret_cast<void(WINAPI*)()>(GetProcAddress(g_keyboardHook, "StopKeyboardHook"));
  if (stop) stop();
  FreeLibrary(g_keyboardHook);
  g_keyboardHook = nullptr;
}

int LoadTaskHook() {
  if (g_taskHookRunning) return 1;
  if (!g_taskHook) g_taskHook = LoadLibraryA("TASKSPY.DLL");
  if (!g_taskHook) return 0;
  auto start = reinterpret_cast<int(WINAPI*)()>(GetProcAddress(g_taskHook, "StartTaskHook"));
  if (start && start()) {
    g_taskHookRunning = true;
    return 1;
  }
  FreeLibrary(g_taskHook);
  g_taskHook = nullptr;
  return 0;
}

int CallArrangeTaskbar(int mode) {
  if (!g_taskHook) LoadTaskHook();
  if (!g_taskHook) return 0;
  auto arrange = reinterpret_cast<int(WINAPI*)(int)>(GetProcAddress(g_taskHook, "ArrangeTaskbar"));
  return arrange ? arrange(mode) : 0;
}

void UnloadTaskHook() {
  if (!g_taskHookRunning) return;
  auto stop = reinterpret_cast<void(WINAPI*)()>(GetProcAddress(g_taskHook, "StopTaskHook"));
  if (stop) stop();
  FreeLibrary(g_taskHook);
  g_taskHook = nullptr;
  g_taskHookRunning = false;
}

bool RegisterPanelClass(HINSTANCE instance, const char* className, WNDPROC procedure) {
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateHiddenTopWindow(HINSTANCE instance, const char* className, WNDPROC procedure) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.lpszClassName = className;
  RegisterClassA(&wc);
  return CreateWindowExA(WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                         nullptr);
}

HFONT CreatePointFont(int points, const char* face) {
  HDC dc = GetDC(nullptr);
  int height = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(nullptr, dc);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
}

HWND CreatePlacedSheet(UINT templateId, HWND parent, DLGPROC procedure, LPARAM parameter, LPARAM at) {
  HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
  HWND sheet = CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), parent, procedure, parameter);
  if (sheet)
    SetWindowPos(sheet, nullptr, short(LOWORD(at)), short(HIWORD(at)), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return sheet;
}

void AddTabFromString(HWND tab, int index, UINT textId) {
  char text[100];
  lstrcpynA(text, LoadResString(textId), sizeof text);
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  SendMessageA(tab, TCM_INSERTITEMA, WPARAM(index), LPARAM(&item));
}

POINT SheetPageOrigin(HWND sheet, HWND tab) {
  RECT item{};
  SendMessageA(tab, TCM_GETITEMRECT, 0, LPARAM(&item));
  RECT tr;
  GetWindowRect(tab, &tr);
  MapWindowPoints(nullptr, sheet, reinterpret_cast<POINT*>(&tr), 2);
  return POINT{tr.left + 5, tr.top + item.bottom + 5};
}

void EnterPanelKeyMode(HWND panel) {
  SetFocus(GetTopFrameWindow(panel));
  RECT r;
  GetClientRect(panel, &r);
  ParkPointerInPanel(panel, r);
  InvalidateRect(panel, nullptr, TRUE);
}

bool HandlePanelKeyMode(HWND panel, UINT message, WPARAM wParam, bool& keyMode, void (*openMenu)(HWND panel, POINT screen),
                        LRESULT* result) {
  switch (message) {
    case PNM_KEYMODEON:
      keyMode = true;
      EnterPanelKeyMode(panel);
      *result = 1;
      return true;
    case PNM_KEYMODEOFF:
      keyMode = false;
      InvalidateRect(panel, nullptr, TRUE);
      *result = 1;
      return true;
    case PNM_KEY:
      *result = 0;
      if (wParam == VK_F10 && GetKeyState(VK_SHIFT) < 0 && keyMode) {
        openMenu(panel, PanelCentreOnScreen(panel));
        *result = 1;
      }
      return true;
    default:
      return false;
  }
}

}  // namespace jqbar
