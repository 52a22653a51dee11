// Start-up: the system check, the window size rule, the modeless dialog table, the loop's
// accelerator exceptions and the resources of both Chinese forms.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "resource.h"
#include "settings_store.h"
#include "startup.h"
#include "test_support.h"

using namespace jqtest;

namespace {

std::string LoadText(UINT id) {
  char b[300] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, b, sizeof b);
  return b;
}

bool SimplifiedLocale() {
  const char* loc = getenv("JQ_TEST_LOCALE");
  return loc && std::string(loc).rfind("zh_CN", 0) == 0;
}

}  // namespace

TEST(Startup, OperatingSystemCheckSetsTheFlags) {
  struct Case {
    OsVersion v;
    UINT ok, nt, nt5, osr2, is98;
  } cases[] = {
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003B6}, 1, 0, 0, 0, 0},  // Windows 95
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x04000457}, 1, 0, 0, 1, 0},  // 95 OSR2 (1111)
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A07CE}, 1, 0, 0, 0, 1},  // 98 (1998)
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x040003E8}, 1, 0, 0, 0, 0},  // build 1000
      {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 0x04000578}, 1, 0, 0, 0, 1},  // build 1400
      {{VER_PLATFORM_WIN32_NT, 4, 0, 1381}, 1, 1, 0, 0, 0},             // NT 4
      {{VER_PLATFORM_WIN32_NT, 5, 0, 2195}, 1, 1, 1, 0, 0},             // 2000
      {{VER_PLATFORM_WIN32_NT, 10, 0, 19045}, 1, 1, 1, 0, 0},           // 10
      {{VER_PLATFORM_WIN32_NT, 3, 51, 1057}, 0, 0, 0, 0, 0},            // NT 3.51
      {{VER_PLATFORM_WIN32s, 3, 10, 0}, 0, 0, 0, 0, 0},                 // Win32s
      {{VER_PLATFORM_WIN32_WINDOWS, 3, 95, 0}, 0, 0, 0, 0, 0},
      {{7, 6, 0, 0}, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.v.platform << " " << c.v.major << "." << c.v.minor);
    EXPECT_EQ(ClassifyOperatingSystem(c.v), c.ok);
    EXPECT_EQ(IsNT, c.nt);
    EXPECT_EQ(IsNT5, c.nt5);
    EXPECT_EQ(Is95Osr2, c.osr2);
    EXPECT_EQ(Is98, c.is98);
  }
  EXPECT_EQ(CheckOperatingSystem(), 1u) << "the prefix reports a supported system";
}

TEST(Startup, WindowIsEightyByseventyFivePercentWithThe620Rule) {
  struct { int w, h, cx, cy; } cases[] = {
      {700, 500, 620, 375}, {600, 400, 480, 300}, {620, 480, 620, 360},
      {775, 600, 620, 450}, {1280, 1024, 1024, 768}, {619, 100, 495, 75},
  };
  for (const auto& c : cases) {
    SIZE s = InitialMainWindowSize(c.w, c.h);
    EXPECT_EQ(s.cx, c.cx) << c.w;
    EXPECT_EQ(s.cy, c.cy) << c.h;
  }
}

TEST(Startup, ModelessTableHoldsTwentyLiveDialogsOnce) {
  ClearModelessDialogTable();
  std::vector<HWND> windows;
  for (int i = 0; i < kModelessDialogSlots + 1; ++i)
    windows.push_back(CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr));
  for (int i = 0; i < kModelessDialogSlots; ++i) EXPECT_EQ(RegisterModelessDialog(windows[i]), 1u);
  EXPECT_EQ(RegisterModelessDialog(windows[0]), 1u) << "a second registration keeps its slot";
  EXPECT_EQ(RegisterModelessDialog(windows[20]), 0u) << "all slots hold live windows";
  // A dialog destroyed without unregistering frees its slot.
  DestroyWindow(windows[5]);
  EXPECT_EQ(RegisterModelessDialog(windows[20]), 1u);
  EXPECT_EQ(ModelessDialogTable[5], windows[20]);
  EXPECT_EQ(UnregisterModelessDialog(windows[20]), 1u);
  EXPECT_EQ(UnregisterModelessDialog(windows[20]), 0u);
  EXPECT_EQ(ModelessDialogTable[5], nullptr);
  int holding = 0;
  for (HWND slot : ModelessDialogTable) holding += slot == windows[0];
  EXPECT_EQ(holding, 1);
  for (HWND w : windows)
    if (IsWindow(w)) DestroyWindow(w);
  ClearModelessDialogTable();
}

namespace {

std::vector<UINT> g_commands;

LRESULT CALLBACK RecordingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_COMMAND && lp == 0) {  // menus and accelerators, not the edit's notices
    g_commands.push_back(LOWORD(wp));
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

// A stand-in main window with an edit field; keys go through ProcessLoopMessage.
struct LoopHost {
  HWND main = nullptr, edit = nullptr;
  LoopHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "JQLoopHost";
    RegisterClassA(&wc);
    main = CreateWindowExA(0, "JQLoopHost", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, wc.hInstance, nullptr);
    edit = CreateWindowExA(0, "EDIT", "abc", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, main, nullptr,
                           wc.hInstance, nullptr);
    g_mainWindow = main;
  }
  ~LoopHost() {
    DestroyWindow(main);
    g_mainWindow = nullptr;
    if (g_accelerators) DestroyAcceleratorTable(g_accelerators);
    g_accelerators = nullptr;
    g_renameInProgress = g_commandLineFocus = 0;
    GetLiveOptions().keyboardScheme = 0;
  }
  void Scheme(UINT scheme) {
    static const char* names[] = {"KESTRALVIEWS", "XTREE", "COMMANDER"};
    if (g_accelerators) DestroyAcceleratorTable(g_accelerators);
    g_accelerators = LoadAcceleratorsA(GetModuleHandleA(nullptr), names[scheme]);
    GetLiveOptions().keyboardScheme = scheme;
  }
  // Runs one key press through the loop's filters; the commands it produced.
  std::vector<UINT> Press(UINT key, bool ctrl = false) {
    g_commands.clear();
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    MSG m{};
    m.hwnd = edit;
    m.message = WM_KEYDOWN;
    m.wParam = key;
    m.lParam = 1;
    ProcessLoopMessage(&m);
    PumpPending();
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    return g_commands;
  }
};

}  // namespace

TEST(Startup, LoopAcceleratorExceptions) {
  LoopHost host;
  using V = std::vector<UINT>;
  host.Scheme(0);
  EXPECT_EQ(host.Press(VK_DELETE), V{ID_FILE_RECYCLE});
  EXPECT_EQ(host.Press('A', true), V{ID_EDIT_SELECT_ALL});
  g_renameInProgress = 1;
  EXPECT_EQ(host.Press(VK_DELETE), V{}) << "a rename edit keeps its keys";
  EXPECT_EQ(host.Press(VK_F2), V{});
  g_renameInProgress = 0;
  g_commandLineFocus = 1;
  EXPECT_EQ(host.Press(VK_DELETE), V{}) << "Delete edits the command text";
  EXPECT_EQ(host.Press('A', true), V{ID_EDIT_SELECT_ALL}) << "Ctrl shortcuts still reach the menu";
  host.Scheme(2);
  EXPECT_EQ(host.Press(VK_F5), V{ID_EDIT_COPY_TO});
  EXPECT_EQ(host.Press(VK_DELETE), V{});
  host.Scheme(1);
  EXPECT_EQ(host.Press('C'), V{}) << "XTree letters are typed into the bar";
  EXPECT_EQ(host.Press('A', true), V{});
  g_commandLineFocus = 0;
  EXPECT_EQ(host.Press('C'), V{ID_EDIT_COPY_TO});
  EXPECT_EQ(host.Press('M'), V{ID_EDIT_MOVE_TO});
}

TEST(Resources, StringsMenusAndKeysOfTheLocale) {
  bool cn = SimplifiedLocale();
  EXPECT_EQ(LoadText(IDS_APP_NAME), "JQNavig");
  EXPECT_EQ(LoadText(IDS_CLASS_NAME), "KESTRALVIEWS");
  wchar_t title[100] = L"";
  LoadStringW(GetModuleHandleA(nullptr), IDS_TITLE, title, 100);
  EXPECT_EQ(std::wstring(title), cn ? L"JQNavig 文件管理器" : L"JQNavig 檔案總管");
  wchar_t subfolder[100] = L"";
  LoadStringW(GetModuleHandleA(nullptr), IDS_SUBFOLDER, subfolder, 100);
  EXPECT_EQ(std::wstring(subfolder), cn ? L"子文件夹" : L"子資料夾");
  for (UINT id : {IDS_OS_UNSUPPORTED, IDS_DRIVE_FREE, IDS_TOTAL_COUNT, IDS_TOTAL_COUNT_SIZE,
                  IDS_ONE_SELECTED, IDS_SUBFOLDER, IDS_SELECTED_COUNT, IDS_SELECTED_COUNT_SIZE,
                  IDS_FAVORITES_ADD, IDS_SHELL_NEW, IDS_GO_BACK, IDS_LAYOUT_SINGLE,
                  IDS_LAYOUT_STACKED, IDS_LAYOUT_SIDE_BY_SIDE, IDS_SWAP_PANES, IDS_BROWSE})
    EXPECT_FALSE(LoadText(id).empty()) << id;
  HINSTANCE self = GetModuleHandleA(nullptr);
  struct { UINT id; int width; } bitmaps[] = {{IDB_TOOLBAR, 93 * 16}, {IDB_DRIVES, 6 * 16}};
  for (const auto& b : bitmaps) {
    HBITMAP bitmap = LoadBitmapA(self, MAKEINTRESOURCEA(b.id));
    ASSERT_TRUE(bitmap) << b.id;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, b.width);
    EXPECT_EQ(info.bmHeight, 16);
    DeleteObject(bitmap);
  }
  EXPECT_TRUE(LoadCursorA(self, MAKEINTRESOURCEA(IDC_SPLIT_LEFTRIGHT)));
  EXPECT_TRUE(LoadCursorA(self, MAKEINTRESOURCEA(IDC_SPLIT_UPDOWN)));
  EXPECT_TRUE(LoadIconA(self, MAKEINTRESOURCEA(IDI_MAIN)));
  for (const char* scheme : {"KESTRALVIEWS", "XTREE", "COMMANDER"}) {
    SCOPED_TRACE(scheme);
    HMENU menu = LoadMenuA(self, scheme);
    ASSERT_TRUE(menu);
    EXPECT_EQ(GetMenuItemCount(menu), 9);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 0), 0u) << "File starts with the New place";
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 7), 11), 40108u);
    char text[100];
    GetMenuStringA(GetSubMenu(menu, 5), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(text, LoadText(IDS_FAVORITES_ADD));
    GetMenuStringA(GetSubMenu(menu, 3), 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_EQ(text, LoadText(IDS_GO_BACK));
    DestroyMenu(menu);
    HACCEL keys = LoadAcceleratorsA(self, scheme);
    EXPECT_TRUE(keys);
    if (keys) DestroyAcceleratorTable(keys);
  }
}
