// The viewer pane over the real SCCVW.DLL and picshow.dll of the program folder, following the
// focused item of a list in a host window as the file manager's panes drive it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <string>
#include "sccvw.h"
#include "settings_store.h"
#include "test_support.h"
#include "viewer_pane.h"

namespace {

const unsigned char kRedPng[] = {0x89,0x50,0x4e,0x47,0x0d,0x0a,0x1a,0x0a,0x00,0x00,0x00,0x0d,0x49,0x48,0x44,0x52,0x00,0x00,0x00,0x40,0x00,0x00,0x00,0x40,0x08,0x02,0x00,0x00,0x00,0x25,0x0b,0xe6,0x89,0x00,0x00,0x00,0x7b,0x49,0x44,0x41,0x54,0x78,0x9c,0xed,0xcf,0x51,0x09,0x00,0x20,0x14,0xc0,0xc0,0x17,0xc2,0x38,0xf6,0x4f,0x61,0x18,0x43,0xf8,0x71,0x08,0x83,0x05,0xb8,0xcd,0x59,0xfb,0xeb,0x86,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x68,0x40,0x0b,0x1a,0xd0,0x82,0x06,0xb4,0xa0,0x01,0x2d,0x78,0xec,0x02,0xb3,0x84,0xc1,0x0f,0xb2,0x24,0xf6,0x06,0x00,0x00,0x00,0x00,0x49,0x45,0x4e,0x44,0xae,0x42,0x60,0x82};

std::wstring DisplayText() {
  HWND display = g_viewerPane.DisplayWindow;
  int n = static_cast<int>(SendMessageW(display, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(n + 1, L'\0');
  SendMessageW(display, WM_GETTEXT, n + 1, reinterpret_cast<LPARAM>(text.data()));
  text.resize(n);
  return text;
}

std::string WindowText(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}

class ViewerPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitialize(nullptr);
    GetLiveOptions().viewerShown = 1;
    GetLiveOptions().viewerPlacement = 0;
    GetLiveOptions().viewerDoubleClickOpens = 1;
    main = CreateWindowExA(0, "STATIC", "Viewer host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                           0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_LIST | LVS_SHOWSELALWAYS, 0, 0,
                           780, 150, main, nullptr, nullptr, nullptr);
    ViewerHost host;
    host.mainWindow = main;
    host.resources = GetModuleHandleA(nullptr);
    host.libraryFolder = jqtest::ProgramFolder();
    host.focusedItemPath = [this](std::string* path) {
      int i = ListView_GetNextItem(list, -1, LVNI_FOCUSED | LVNI_SELECTED);
      if (i < 0) return FALSE;
      char text[MAX_PATH] = "";
      ListView_GetItemText(list, i, 0, text, MAX_PATH);
      *path = text;
      return TRUE;
    };
    ASSERT_TRUE(CreateViewerPane(host));
    MoveWindow(g_viewerPane.ViewerWindow, 0, 160, 780, 400, TRUE);
    if (g_viewerPane.ImageViewerWindow) MoveWindow(g_viewerPane.ImageViewerWindow, 0, 160, 780, 400, TRUE);
  }
  void TearDown() override {
    DestroyViewerPane();
    DestroyWindow(main);
    CoUninitialize();
  }
  int Add(const std::string& path) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = ListView_GetItemCount(list);
    item.pszText = const_cast<char*>(path.c_str());
    return ListView_InsertItem(list, &item);
  }
  void Focus(int index) {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ShowSelectionInViewer();
    jqtest::PumpPending();
  }
  LRESULT Format() { return SendMessageA(g_viewerPane.ViewerWindow, SCCVW_GETFORMAT, 0, 0); }

  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  HWND main = nullptr, list = nullptr;
};

}  // namespace

TEST_F(ViewerPaneTest, FollowsTheSelectionThroughTextUtf8HexAndPicture) {
  int text = Add(temp.WriteFile("plain.txt", "hello viewer\r\nsecond line\r\n"));
  int utf8 = Add(temp.WriteFile("chinese.txt", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87\xE6\xB8\xAC\xE8\xA9\xA6 ok\r\n"));
  std::string binary(256, '\0');
  for (int i = 0; i < 256; ++i) binary[i] = static_cast<char>(i);
  int bin = Add(temp.WriteFile("data.bin", binary));
  int png = Add(temp.WriteFile("red.png", std::string(reinterpret_cast<const char*>(kRedPng), sizeof kRedPng)));
  int folder = Add(temp.MakeFolder("sub"));

  Focus(text);
  EXPECT_EQ(Format(), SCCVW_FORMAT_ANSI);
  EXPECT_NE(DisplayText().find(L"hello viewer"), std::wstring::npos);
  EXPECT_NE(WindowText(g_viewerPane.ViewerWindow).find("plain.txt"), std::string::npos);
  EXPECT_TRUE(IsWindowVisible(g_viewerPane.DisplayWindow));

  Focus(utf8);
  EXPECT_EQ(Format(), SCCVW_FORMAT_UTF8);
  EXPECT_NE(DisplayText().find(L"\u4e2d\u6587\u6e2c\u8a66 ok"), std::wstring::npos);

  Focus(bin);
  EXPECT_EQ(Format(), SCCVW_FORMAT_HEX);
  EXPECT_EQ(g_viewerPane.ViewMode, static_cast<UINT>(ID_VIEWER_NATIVE));

  // The picture replaces the document viewer; its pixels are on the screen.
  ASSERT_TRUE(g_viewerPane.ImageViewerWindow);
  Focus(png);
  EXPECT_EQ(g_viewerPane.ActiveViewerWindow, g_viewerPane.ImageViewerWindow);
  EXPECT_TRUE(IsWindowVisible(g_viewerPane.ImageViewerWindow));
  EXPECT_FALSE(IsWindowVisible(g_viewerPane.ViewerWindow));
  UpdateWindow(main);
  jqtest::PumpPending();
  RECT r;
  GetWindowRect(g_viewerPane.ImageViewWindow, &r);
  HDC screen = GetDC(nullptr);
  COLORREF centre = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(centre, RGB(0xdc, 0x14, 0x3c));
  char shot[MAX_PATH] = "";
  if (GetEnvironmentVariableA("JQ_VIEWER_SHOT", shot, MAX_PATH)) {
    HANDLE p = jqtest::StartProcess(std::string("/usr/bin/import -window root ") + shot);
    if (p) jqtest::WaitProcess(p, 10000);
  }

  // Hexadecimal shows the picture's bytes in the document viewer.
  RunViewerCommand(ID_VIEWER_HEX);
  EXPECT_EQ(g_viewerPane.ViewMode, static_cast<UINT>(ID_VIEWER_HEX));
  EXPECT_EQ(g_viewerPane.ActiveViewerWindow, g_viewerPane.ViewerWindow);
  EXPECT_EQ(Format(), SCCVW_FORMAT_HEX);
  EXPECT_NE(DisplayText().find(L"89 50 4E 47"), std::wstring::npos);

  // A folder clears the pane.
  Focus(folder);
  EXPECT_STREQ(g_viewerPane.ViewedFile, "");
  EXPECT_EQ(Format(), 0);
  EXPECT_FALSE(IsWindowVisible(g_viewerPane.DisplayWindow));
}

TEST_F(ViewerPaneTest, FindAndCopyFromTheShownText) {
  Focus(Add(temp.WriteFile("find.txt", "alpha beta gamma beta\r\n")));
  EXPECT_TRUE(SendMessageW(g_viewerPane.ViewerWindow, SCCVW_FIND, 0, reinterpret_cast<LPARAM>(L"beta")));
  DWORD start = 0, end = 0;
  SendMessageA(g_viewerPane.ViewerWindow, SCCVW_GETSELECTION, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 6u);
  EXPECT_EQ(end, 10u);
  RunViewerCommand(ID_VIEWER_FIND_NEXT);
  SendMessageA(g_viewerPane.ViewerWindow, SCCVW_GETSELECTION, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 17u);
  RunViewerCommand(ID_VIEWER_COPY);
  ASSERT_TRUE(OpenClipboard(main));
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  std::wstring copied = data ? static_cast<const wchar_t*>(GlobalLock(data)) : L"";
  if (data) GlobalUnlock(data);
  CloseClipboard();
  EXPECT_EQ(copied, L"beta");
  RunViewerCommand(ID_VIEWER_SELECT_ALL);
  SendMessageA(g_viewerPane.ViewerWindow, SCCVW_GETSELECTION, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_GE(end, 21u);
}

TEST_F(ViewerPaneTest, QuickViewCommandsAreBuiltFromTheRegistry) {
  std::string file = temp.WriteFile("doc.txt", "x");
  char shortPath[MAX_PATH];
  GetShortPathNameA(file.c_str(), shortPath, MAX_PATH);
  std::string program, parameters;
  FindQuickViewPlus();
  EXPECT_FALSE(BuildQuickViewCommand(file.c_str(), &program, &parameters));

  auto setString = [&](const char* key, const char* name, const char* value) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(registry.machine(), key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), 0);
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(k);
  };
  struct Case { const char* command; const char* program; std::string parameters; } cases[] = {
      {"\"C:\\Tools\\qv.exe\" /v %1", "C:\\Tools\\qv.exe", std::string("/v ") + shortPath},
      {"C:\\Program Files\\QV\\quikview.exe %1 /s", "C:\\Program Files\\QV\\quikview.exe", std::string(shortPath) + " /s"},
      {"C:\\QV\\qv.exe", "C:\\QV\\qv.exe", shortPath},
  };
  for (const Case& c : cases) {
    setString("SOFTWARE\\Classes\\QuickView\\shell\\open\\command", nullptr, c.command);
    FindQuickViewPlus();
    ASSERT_TRUE(BuildQuickViewCommand(file.c_str(), &program, &parameters)) << c.command;
    EXPECT_EQ(program, c.program) << c.command;
    EXPECT_EQ(parameters, c.parameters) << c.command;
  }
  // Quick View Plus wins, with its folder joined to the program's place whether or not the
  // stored folder ends in a separator.
  for (const char* folder : {"C:\\Inso\\QVP", "C:\\Inso\\QVP\\"}) {
    setString("SOFTWARE\\Inso\\Quick View Plus\\CurrentVersion", "InstallPath", folder);
    FindQuickViewPlus();
    ASSERT_TRUE(BuildQuickViewCommand(file.c_str(), &program, &parameters));
    EXPECT_EQ(program, "C:\\Inso\\QVP\\Program\\QVP32.EXE");
    EXPECT_EQ(parameters, shortPath);
  }
}

TEST_F(ViewerPaneTest, DoubleClickOpensForEditingOrInQuickView) {
  std::string file = temp.WriteFile("open.txt", "x");
  char shortPath[MAX_PATH];
  GetShortPathNameA(file.c_str(), shortPath, MAX_PATH);
  jqtest::SeamRecorder seams;
  // Without any Quick View the file always opens in its program.
  FindQuickViewPlus();
  GetLiveOptions().viewerDoubleClickOpens = 0;
  OnViewerOpenRequest(file.c_str());
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, shortPath);

  HKEY k;
  RegCreateKeyExA(registry.machine(), "SOFTWARE\\Inso\\Quick View Plus\\CurrentVersion", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr);
  RegSetValueExA(k, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\QVP"), 7);
  RegCloseKey(k);
  FindQuickViewPlus();
  OnViewerOpenRequest(file.c_str());  // setting off: Quick View
  GetLiveOptions().viewerDoubleClickOpens = 1;
  OnViewerOpenRequest(file.c_str());  // setting on: editing
  ASSERT_EQ(seams.starts.size(), 3u);
  EXPECT_EQ(seams.starts[1].file, "C:\\QVP\\Program\\QVP32.EXE");
  EXPECT_EQ(seams.starts[1].parameters, shortPath);
  EXPECT_EQ(seams.starts[2].file, shortPath);
}

TEST_F(ViewerPaneTest, FloatingAndBackKeepsThePlace) {
  Focus(Add(temp.WriteFile("float.txt", "floating\r\n")));
  SetViewerDocking(2);
  EXPECT_TRUE(GetWindowLongPtrA(g_viewerPane.ViewerWindow, GWL_STYLE) & WS_POPUP);
  EXPECT_FALSE(GetWindowLongPtrA(g_viewerPane.ViewerWindow, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetAncestor(g_viewerPane.ViewerWindow, GA_PARENT), GetDesktopWindow());
  SetWindowPos(g_viewerPane.ViewerWindow, nullptr, 120, 130, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  jqtest::PumpPending();
  RECT placed;
  GetWindowRect(g_viewerPane.ViewerWindow, &placed);
  SetViewerDocking(0);
  EXPECT_TRUE(GetWindowLongPtrA(g_viewerPane.ViewerWindow, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(GetParent(g_viewerPane.ViewerWindow), main);
  uint8_t bytes[16];
  DWORD size = sizeof bytes;
  ASSERT_TRUE(ReadSettingBinary("Detached Viewer Position", bytes, &size));
  EXPECT_EQ(size, 16u);
  auto at = [&](int offset) { return static_cast<LONG>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | bytes[offset + 3] << 24); };
  EXPECT_EQ(at(0), placed.left);
  EXPECT_EQ(at(4), placed.top);
  EXPECT_EQ(at(8), placed.right);
  EXPECT_EQ(at(12), placed.bottom);
  // Floating again: the stored place comes back.
  SetViewerDocking(2);
  jqtest::PumpPending();
  RECT r;
  GetWindowRect(g_viewerPane.ViewerWindow, &r);
  EXPECT_EQ(r.left, placed.left);
  EXPECT_EQ(r.top, placed.top);
  SetViewerDocking(0);
  EXPECT_NE(DisplayText().find(L"floating"), std::wstring::npos);
}

TEST(DetachedViewerRectTest, StoredRectanglesAreCheckedAgainstTheWorkArea) {
  RECT work = {0, 0, 1280, 870};
  BOOL maximize;
  RECT kept = {50, 60, 450, 360};
  RECT r = DetachedViewerRect(&kept, work, &maximize);
  EXPECT_TRUE(EqualRect(&r, &kept));
  EXPECT_FALSE(maximize);
  RECT defaults = {100, 100, 400, 300};
  RECT cases[] = {{2000, 10, 2300, 200}, {10, 1000, 300, 1200}, {10, 10, 12, 12}, {-900, -900, -500, -600}};
  for (RECT& c : cases) {
    r = DetachedViewerRect(&c, work, &maximize);
    EXPECT_TRUE(EqualRect(&r, &defaults)) << c.left << "," << c.top;
  }
  r = DetachedViewerRect(&work, work, &maximize);
  EXPECT_TRUE(EqualRect(&r, &defaults));
  EXPECT_TRUE(maximize);
  r = DetachedViewerRect(nullptr, work, &maximize);
  EXPECT_TRUE(EqualRect(&r, &defaults));
}
