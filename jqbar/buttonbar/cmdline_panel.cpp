#include "cmdline_panel.h"

#include <commctrl.h>

#include <cstring>

#include "command_interpreter.h"
#include "le_bytes.h"
#include "panel_drawing.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "resource_buttonbar.h"
#include "seams.h"

namespace jqbar {
namespace {

constexpr char kClassName[] = "CmdLinePanel";
constexpr int kHelpTopic = 81;
constexpr UINT_PTR kRevealTimer = 0;

enum CmdOffset : std::size_t {
  kOffShowFolder = 0,
  kOffRecycle = 4,
  kOffConfirm = 8,
  kOffCopyFolders = 12,
  kOffHistoryCount = 16,
  kOffHistoryPointers = 20,
  kOffFolder = 52,
};
static_assert(kOffFolder + MAX_PATH == kCmdLineHeadSize);

struct CmdLinePanelInstance {
  CmdLineSettings settings;
  HWND window = nullptr;
  HWND combo = nullptr;
  HWND edit = nullptr;
  WNDPROC editProc = nullptr;
  bool keyMode = false;
  bool revealed = false;
};

PanelType g_type;
HFONT g_font = nullptr;
int g_textHeight = 0;
std::vector<std::uint8_t> g_settingsBuffer;

CmdLinePanelInstance* InstanceOf(HWND window) {
  return reinterpret_cast<CmdLinePanelInstance*>(GetWindowLongPtrA(window, 0));
}

void FillHistory(CmdLinePanelInstance* p) {
  SendMessageA(p->combo, CB_RESETCONTENT, 0, 0);
  for (const auto& line : p->settings.history)
    SendMessageA(p->combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

int ComboHeight(CmdLinePanelInstance* p) {
  RECT r;
  GetWindowRect(p->combo, &r);
  return r.bottom - r.top;
}

void Layout(CmdLinePanelInstance* p) {
  RECT client;
  GetClientRect(p->window, &client);
  int w = client.right, h = client.bottom, c = ComboHeight(p), t = g_textHeight;
  bool taskbar = IsInsideTaskbar(p->window);
  if (taskbar) p->settings.showFolder = (t + c + 6 < h) ? 1 : 0;
  int x = 2, y, width;
  if (p->settings.showFolder) {
    y = t + ((h - t - c - 4) / 3) * 2 + 2;
    width = w - 6;
  } else {
    y = (h - c - 4) / 2 + 2;
    width = w - 4;
  }
  if (taskbar && y + c > h) y = (h < c + 2) ? 2 : h - c;
  SetWindowPos(p->combo, nullptr, x, y, width > 10 ? width : 10, 100, SWP_NOZORDER);
  InvalidateRect(p->window, nullptr, TRUE);
}

void Paint(CmdLinePanelInstance* p) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(p->window, &ps);
  RECT client;
  GetClientRect(p->window, &client);
  PaintParentBackground(p->window, &client, dc, false);
  RECT combo;
  GetWindowRect(p->combo, &combo);
  MapWindowPoints(nullptr, p->window, reinterpret_cast<POINT*>(&combo), 2);
  if (p->settings.showFolder) {
    HFONT old = static_cast<HFONT>(SelectObject(dc, g_font));
    const char* text = p->settings.currentFolder.c_str();
    int count = FitTextToWidth(dc, text, client.right - 6);
    int lineTop = combo.top - 2 - (g_textHeight + 6);
    DrawShadowedText(dc, 3, lineTop + 3, text, count, GetSysColor(COLOR_BTNTEXT));
    SelectObject(dc, old);
  }
  if (!Globals().noDropShadow) {
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    RECT below = {combo.left + 3, combo.bottom, combo.right + 3, combo.bottom + 3};
    RECT right = {combo.right, combo.top + 3, combo.right + 3, combo.bottom};
    FillRect(dc, &below, shadow);
    FillRect(dc, &right, shadow);
  }
  if (p->keyMode) DrawFocusRect(dc, &client);
  EndPaint(p->window, &ps);
}

void TellContainer(CmdLinePanelInstance* p, UINT message, LPARAM relayout) {
  HWND parent = GetParent(p->window);
  if (parent) SendMessageA(parent, message, reinterpret_cast<WPARAM>(p->window), relayout);
}

void RunLine(CmdLinePanelInstance* p) {
  char line[kCmdLineMaxText + 1] = {};
  GetWindowTextA(p->edit, line, sizeof line);
  const char* q = line;
  while (*q == ' ' || *q == '\t') ++q;
  if (!*q) return;
  AddToCommandHistory(p->settings.history, line);
  FillHistory(p);
  SetWindowTextA(p->edit, "");
  TellContainer(p, PNM_SETTINGSCHANGED, 0);
  CmdLineContext context;
  context.owner = p->window;
  context.currentFolder = &p->settings.currentFolder;
  context.recycle = p->settings.recycle != 0;
  context.confirm = p->settings.confirm != 0;
  context.copyFolders = p->settings.copyFolders != 0;
  std::string before = p->settings.currentFolder;
  InterpretTypedLine(context, line);
  if (before != p->settings.currentFolder) {
    TellContainer(p, PNM_SETTINGSCHANGED, 0);
    InvalidateRect(p->window, nullptr, TRUE);
  }
  if (IsWindow(p->combo)) SetFocus(p->combo);
}

LRESULT CALLBACK CmdLineEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* p = reinterpret_cast<CmdLinePanelInstance*>(GetWindowLongPtrA(edit, GWLP_USERDATA));
  if (!p) return DefWindowProcA(edit, message, wParam, lParam);
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_ESCAPE) return 0;
      break;
    case WM_CHAR:
      if (wParam == '\r' || wParam == 27 || wParam == '\n') return 0;
      break;
    case WM_KEYUP:
      if (wParam == VK_ESCAPE) {
        SetWindowTextA(edit, "");
        return 0;
      }
      if (wParam == VK_RETURN) {
        RunLine(p);
        return 0;
      }
      break;
    case WM_SETTEXT: {
      LRESULT r = CallWindowProcA(p->editProc, edit, message, wParam, lParam);
      int length = GetWindowTextLengthA(edit);
      SendMessageA(edit, EM_SETSEL, length, length);
      return r;
    }
  }
  return CallWindowProcA(p->editProc, edit, message, wParam, lParam);
}

void ShowContextMenu(CmdLinePanelInstance* p, POINT screen) {
  bool taskbar = IsInsideTaskbar(p->window);
  HMENU menu = CreatePopupMenu();
  auto add = [&](UINT id, UINT textId, bool checked) {
    char text[100];
    lstrcpynA(text, LoadResString(textId), sizeof text);
    if (taskbar) StripAmpersands(text);
    AppendMenuA(menu, MF_STRING | (checked ? MF_CHECKED : 0), id, text);
  };
  if (!taskbar) add(IDM_CMD_SHOWFOLDER, IDS_CMD_SHOWFOLDER, p->settings.showFolder != 0);
  add(IDM_CMD_RECYCLE, IDS_CMD_RECYCLE, p->settings.recycle != 0);
  add(IDM_CMD_CONFIRM, IDS_CMD_CONFIRM, p->settings.confirm != 0);
  add(IDM_CMD_COPYFOLDERS, IDS_CMD_COPYFOLDERS, p->settings.copyFolders != 0);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(IDM_BB_HELP, 526, false);
  AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  add(IDM_CMD_PROPERTIES, 400, false);
  RevealFrameForModal(p->window);
  UINT chosen = UINT(seams::TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                             screen.y, p->window, nullptr));
  EndFrameModal();
  DestroyMenu(menu);
  if (chosen) SendMessageA(p->window, WM_COMMAND, chosen, 0);
}

// The options page 524.
INT_PTR CALLBACK CmdLinePropertiesProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND panel = reinterpret_cast<HWND>(GetWindowLongPtrA(page, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(page, DWLP_USER, lParam);
      panel = reinterpret_cast<HWND>(lParam);
      auto* p = InstanceOf(panel);
      if (!p) return TRUE;
      CheckDlgButton(page, IDC_CMD_SHOWFOLDER, p->settings.showFolder ? BST_CHECKED : 0);
      CheckDlgButton(page, IDC_CMD_RECYCLE, p->settings.recycle ? BST_CHECKED : 0);
      CheckDlgButton(page, IDC_CMD_CONFIRM, p->settings.confirm ? BST_CHECKED : 0);
      CheckDlgButton(page, IDC_CMD_COPYFOLDERS, p->settings.copyFolders ? BST_CHECKED : 0);
      if (IsInsideTaskbar(panel)) EnableWindow(GetDlgItem(page, IDC_CMD_SHOWFOLDER), FALSE);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_APPLY_PAGE) {
        auto* p = InstanceOf(panel);
        if (!p) return TRUE;
        p->settings.showFolder = IsDlgButtonChecked(page, IDC_CMD_SHOWFOLDER) == BST_CHECKED;
        p->settings.recycle = IsDlgButtonChecked(page, IDC_CMD_RECYCLE) == BST_CHECKED;
        p->settings.confirm = IsDlgButtonChecked(page, IDC_CMD_CONFIRM) == BST_CHECKED;
        p->settings.copyFolders = IsDlgButtonChecked(page, IDC_CMD_COPYFOLDERS) == BST_CHECKED;
        TellContainer(p, PNM_CHANGED, 1);
        Layout(p);
      }
      return TRUE;
    case PNM_PAGEHELP:
      OpenHelpTopic(page, kHelpTopic);
      return TRUE;
  }
  return FALSE;
}

LRESULT NegotiatedSize(const SizeProposal& s, int extra, bool limit) {
  int length = (s.horizontal ? s.currentWidth : s.crossExtent) + extra;
  if (limit && length > 200) length = 200;
  int width = s.offeredWidth < length ? s.offeredWidth : length;
  int cross = s.horizontal ? s.crossExtent : s.currentHeight;
  int height = s.offeredHeight < cross ? s.offeredHeight : cross;
  return MakeSize(width, height);
}

LRESULT CALLBACK CmdLinePanelWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CmdLinePanelInstance* p = InstanceOf(window);
  if (!p) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SIZE:
      Layout(p);
      return 0;
    case WM_PAINT:
      Paint(p);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCHITTEST:
      if (GetKeyState(VK_RBUTTON) < 0) break;
      return HTTRANSPARENT;
    case WM_RBUTTONUP: {
      POINT pt = {short(LOWORD(lParam)), short(HIWORD(lParam))};
      ClientToScreen(window, &pt);
      ShowContextMenu(p, pt);
      return 0;
    }
    case WM_CONTEXTMENU:
      return 0;
    case WM_COMMAND:
      if (HWND(lParam) == p->combo) {
        if (HIWORD(wParam) == CBN_DROPDOWN) {
          KillTimer(window, kRevealTimer);
          RevealFrameForModal(window);
          p->revealed = true;
        } else if (HIWORD(wParam) == CBN_CLOSEUP) {
          SetTimer(window, kRevealTimer, 2000, nullptr);
        }
        return 0;
      }
      switch (LOWORD(wParam)) {
        case IDM_CMD_SHOWFOLDER:
          p->settings.showFolder = !p->settings.showFolder;
          TellContainer(p, PNM_CHANGED, 1);
          Layout(p);
          return 0;
        case IDM_CMD_RECYCLE:
          p->settings.recycle = !p->settings.recycle;
          TellContainer(p, PNM_CHANGED, 0);
          return 0;
        case IDM_CMD_CONFIRM:
          p->settings.confirm = !p->settings.confirm;
          TellContainer(p, PNM_CHANGED, 0);
          return 0;
        case IDM_CMD_COPYFOLDERS:
          p->settings.copyFolders = !p->settings.copyFolders;
          TellContainer(p, PNM_CHANGED, 0);
          return 0;
        case IDM_BB_HELP:
          OpenHelpTopic(window, kHelpTopic);
          return 0;
        case IDM_CMD_PROPERTIES:
          TellContainer(p, PNM_OPENCONFIG, 0);
          return 0;
      }
      break;
    case WM_TIMER:
      if (wParam == kRevealTimer) {
        KillTimer(window, kRevealTimer);
        if (p->revealed) EndFrameModal();
        p->revealed = false;
      }
      return 0;
    case PNM_GETSETTINGS:
      g_settingsBuffer = SaveCmdLineSettings(p->settings);
      if (lParam) *reinterpret_cast<void**>(lParam) = g_settingsBuffer.data();
      return LRESULT(g_settingsBuffer.size());
    case PNM_SETSETTINGS: {
      CmdLineSettings loaded;
      if (LoadCmdLineSettings(static_cast<const std::uint8_t*>(reinterpret_cast<void*>(lParam)),
                              std::size_t(wParam), loaded)) {
        p->settings = loaded;
        if (IsInsideTaskbar(window)) p->settings.showFolder = 0;
        FillHistory(p);
        Layout(p);
      }
      return 0;
    }
    case PNM_CREATEPAGE:
      return reinterpret_cast<LRESULT>(CreatePanelSheet(
          reinterpret_cast<HWND>(wParam), short(LOWORD(lParam)), short(HIWORD(lParam)),
          IDD_CMDLINE_PAGE, CmdLinePropertiesProc, reinterpret_cast<LPARAM>(window)));
    case PNM_GETPREFSIZE: {
      int c = ComboHeight(p);
      if (IsInsideTaskbar(window)) return MakeSize(50, c);
      if (p->settings.showFolder) return MakeSize(50, c + g_textHeight + 8);
      return MakeSize(50, c + 4);
    }
    case PNM_NEGOTIATESIZE:
      return 0;
    case PNM_NEGOTIATESIZE2:
      return lParam ? NegotiatedSize(*reinterpret_cast<const SizeProposal*>(lParam), 5, true) : 0;
    case PNM_NEGOTIATESIZE3:
      return lParam ? NegotiatedSize(*reinterpret_cast<const SizeProposal*>(lParam), 10, false) : 0;
    case PNM_HELP:
      OpenHelpTopic(window, kHelpTopic);
      return 1;
    case PNM_KEYMODEON: {
      p->keyMode = true;
      InvalidateRect(window, nullptr, TRUE);
      SetFocus(p->combo);
      RECT r;
      GetClientRect(window, &r);
      ParkPointerInPanel(window, r);
      return 1;
    }
    case PNM_KEYMODEOFF:
      if (p->keyMode) SetFocus(GetParent(window));
      p->keyMode = false;
      InvalidateRect(window, nullptr, TRUE);
      return 1;
    case PNM_FOCUSNEXT:
    case PNM_FOCUSPREV:
      return 0;
    case WM_DESTROY:
      KillTimer(window, kRevealTimer);
      if (p->revealed) EndFrameModal();
      if (p->edit && p->editProc) {
        SetWindowLongPtrA(p->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(p->editProc));
        SetWindowLongPtrA(p->edit, GWLP_USERDATA, 0);
      }
      SetWindowLongPtrA(window, 0, 0);
      delete p;
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClassOnce(HINSTANCE instance) { return RegisterPanelClass(instance, kClassName, CmdLinePanelWndProc); }

}  // namespace

std::vector<std::uint8_t> SaveCmdLineSettings(const CmdLineSettings& s) {
  std::vector<std::uint8_t> out(kCmdLineHeadSize, 0);
  le::PutI32(out.data() + kOffShowFolder, s.showFolder);
  le::PutI32(out.data() + kOffRecycle, s.recycle);
  le::PutI32(out.data() + kOffConfirm, s.confirm);
  le::PutI32(out.data() + kOffCopyFolders, s.copyFolders);
  std::size_t count = s.history.size() < std::size_t(kMaxCmdHistory) ? s.history.size()
                                                                      : std::size_t(kMaxCmdHistory);
  le::PutI32(out.data() + kOffHistoryCount, std::int32_t(count));
  le::PutText(out.data() + kOffFolder, s.currentFolder.c_str(), MAX_PATH);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& line = s.history[i];
    out.insert(out.end(), line.begin(), line.end());
    out.push_back(0);
  }
  return out;
}

bool LoadCmdLineSettings(const std::uint8_t* blob, std::size_t size, CmdLineSettings& out) {
  if (!blob || size < kCmdLineHeadSize) return false;
  CmdLineSettings s;
  s.showFolder = le::GetI32(blob + kOffShowFolder);
  s.recycle = le::GetI32(blob + kOffRecycle);
  s.confirm = le::GetI32(blob + kOffConfirm);
  s.copyFolders = le::GetI32(blob + kOffCopyFolders);
  std::int32_t count = le::GetI32(blob + kOffHistoryCount);
  if (count < 0 || count > kMaxCmdHistory) return false;
  const char* folder = reinterpret_cast<const char*>(blob + kOffFolder);
  std::size_t folderLength = strnlen(folder, MAX_PATH);
  if (folderLength == MAX_PATH) return false;
  s.currentFolder.assign(folder, folderLength);
  std::size_t at = kCmdLineHeadSize;
  for (std::int32_t i = 0; i < count; ++i) {
    const char* line = reinterpret_cast<const char*>(blob + at);
    std::size_t length = strnlen(line, size - at);
    if (length == size - at) return false;  // runs past the end
    s.history.emplace_back(line, length);
    at += length + 1;
  }
  out = std::move(s);
  return true;
}

PanelType* RegisterCmdLinePanelType(HINSTANCE instance) {
  RegisterClassOnce(instance);
  FillBuiltinType(g_type, instance, "Command Line", IDS_TYPE_CMDLINE, IDS_TYPE_CMDLINE_DESC,
                  IDB_TYPE_CMDLINE, IDB_TYPE_CMDLINE_MASK, CreateCmdLinePanel);
  g_type.cleanup = FreeCmdLinePanelType;
  if (!g_font) {
    g_font = CreatePanelFont();
    HDC screen = GetDC(nullptr);
    HFONT old = static_cast<HFONT>(SelectObject(screen, g_font));
    TEXTMETRICA tm;
    GetTextMetricsA(screen, &tm);
    g_textHeight = tm.tmHeight;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
  }
  return &g_type;
}

void FreeCmdLinePanelType() {
  if (g_font && g_font != GetStockObject(SYSTEM_FONT)) DeleteObject(g_font);
  g_font = nullptr;
  g_settingsBuffer.clear();
  g_settingsBuffer.shrink_to_fit();
}

HWND CreateCmdLinePanel(HWND parent, const RECT* rect, const void* blob, int blobSize) {
  HINSTANCE instance = Globals().instance ? Globals().instance : GetModuleHandleA(nullptr);
  if (!g_font) RegisterCmdLinePanelType(instance);
  auto* p = new (std::nothrow) CmdLinePanelInstance();
  if (!p) return nullptr;
  if (blob && blobSize > 0)
    LoadCmdLineSettings(static_cast<const std::uint8_t*>(blob), std::size_t(blobSize), p->settings);
  RECT r = rect ? *rect : RECT{0, 0, 100, 30};
  HWND window = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                                nullptr, instance, nullptr);
  if (!window) {
    delete p;
    return nullptr;
  }
  p->window = window;
  p->combo = CreateWindowExA(0, "COMBOBOX", "",
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWN |
                                 CBS_AUTOHSCROLL,
                             0, 0, 50, 100, window, nullptr, instance, nullptr);
  SendMessageA(p->combo, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), 0);
  p->edit = FindWindowExA(p->combo, nullptr, "Edit", nullptr);
  if (p->edit) {
    SendMessageA(p->edit, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), 0);
    SendMessageA(p->edit, EM_LIMITTEXT, kCmdLineMaxText, 0);
    SetWindowLongPtrA(p->edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    p->editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        p->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CmdLineEditProc)));
  }
  if (IsInsideTaskbar(window)) p->settings.showFolder = 0;
  FillHistory(p);
  SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(p));
  Layout(p);
  return window;
}

HWND CmdLinePanelCombo(HWND panel) {
  auto* p = InstanceOf(panel);
  return p ? p->combo : nullptr;
}

const CmdLineSettings* CmdLinePanelSettings(HWND panel) {
  auto* p = InstanceOf(panel);
  return p ? &p->settings : nullptr;
}

}  // namespace jqbar
