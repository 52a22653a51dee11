// SCCVW.DLL loaded from the program folder as the file manager loads it, driven through the
// viewer window's messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "sccvw.h"
#include "test_support.h"

namespace {

std::string g_openedPath;

LRESULT CALLBACK HostProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SCCVW_NOTIFY_OPEN) {
    auto* request = reinterpret_cast<const SCCVW_OPENREQUEST*>(lp);
    g_openedPath = request->path;
    return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

class Viewer : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA((jqtest::ProgramFolder() + "\\SCCVW.DLL").c_str());
    ASSERT_NE(module, nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SccvwTestHost";
    RegisterClassW(&wc);
    host = CreateWindowExW(0, L"SccvwTestHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 300,
                           nullptr, nullptr, wc.hInstance, nullptr);
    viewer = CreateWindowExA(0, SCCVW_VIEWER_CLASS, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_BORDER,
                             0, 0, 480, 260, host, reinterpret_cast<HMENU>(117), GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(viewer, nullptr);
    display = FindWindowExA(viewer, nullptr, SCCVW_DISPLAY_CLASS, nullptr);
    ASSERT_NE(display, nullptr);
  }
  void TearDown() override {
    if (host) DestroyWindow(host);
  }
  LRESULT View(const std::string& path, unsigned mode = SCCVW_MODE_NATIVE) {
    return SendMessageA(viewer, SCCVW_VIEWFILE, mode, reinterpret_cast<LPARAM>(path.c_str()));
  }
  std::wstring Shown() {
    LRESULT n = SendMessageW(display, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(display, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return text;
  }
  std::pair<DWORD, DWORD> Selection() {
    DWORD a = 0, b = 0;
    SendMessageW(viewer, SCCVW_GETSELECTION, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  static std::wstring Clipboard() {
    std::wstring out;
    if (!OpenClipboard(nullptr)) return L"<no clipboard>";
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
        out = p;
        GlobalUnlock(h);
      }
    }
    CloseClipboard();
    return out;
  }
  jqtest::TempFolder temp;
  HMODULE module = nullptr;
  HWND host = nullptr, viewer = nullptr, display = nullptr;
};

TEST_F(Viewer, TextEncodingsAreDetectedFromMarksAndContentOrForcedByMode) {
  struct Case {
    const char* name;
    std::string bytes;
    unsigned mode;
    int format;
    std::wstring text;
  } cases[] = {
      {"ansi", "hello\r\nworld", SCCVW_MODE_NATIVE, SCCVW_FORMAT_ANSI, L"hello\r\nworld"},
      {"lf and lone cr", "a\nb\rc", SCCVW_MODE_NATIVE, SCCVW_FORMAT_ANSI, L"a\r\nb\r\nc"},
      {"utf8 mark", "\xEF\xBB\xBF\xE4\xB8\xAD\xE6\x96\x87 ok\n", SCCVW_MODE_NATIVE, SCCVW_FORMAT_UTF8,
       L"\x4E2D\x6587 ok\r\n"},
      {"utf8 unmarked", "\xE7\xB9\x81\xE9\xAB\x94", SCCVW_MODE_NATIVE, SCCVW_FORMAT_UTF8, L"\x7E41\x9AD4"},
      {"utf16le mark", std::string("\xFF\xFE\x2D\x4E" "A\0", 6), SCCVW_MODE_NATIVE, SCCVW_FORMAT_UTF16LE, L"\x4E2D" L"A"},
      {"utf16be mark", std::string("\xFE\xFF\x4E\x2D\0B", 6), SCCVW_MODE_NATIVE, SCCVW_FORMAT_UTF16BE, L"\x4E2D" L"B"},
      {"unicode mode unmarked", std::string("h\0i\0", 4), SCCVW_MODE_UNICODE, SCCVW_FORMAT_UTF16LE, L"hi"},
      {"empty", "", SCCVW_MODE_NATIVE, SCCVW_FORMAT_ANSI, L""},
      {"binary as hex", std::string("\0\x01" "AB", 4), SCCVW_MODE_NATIVE, SCCVW_FORMAT_HEX,
       L"00000000  00 01 41 42" + std::wstring(12 * 3 + 2, L' ') + L"..AB"},
      {"text forced to hex", "Hi", SCCVW_MODE_HEX, SCCVW_FORMAT_HEX,
       L"00000000  48 69" + std::wstring(14 * 3 + 2, L' ') + L"Hi"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = temp.WriteFile(std::string(c.name) + ".txt", c.bytes);
    ASSERT_EQ(View(path, c.mode), SCCVW_OK);
    EXPECT_EQ(SendMessageW(viewer, SCCVW_GETFORMAT, 0, 0), c.format);
    EXPECT_EQ(Shown(), c.text);
  }
}

TEST_F(Viewer, HexShowsSixteenBytesPerLineWithOffsets) {
  std::string bytes;
  for (int i = 0; i < 40; ++i) bytes.push_back(static_cast<char>(i));
  ASSERT_EQ(View(temp.WriteFile("b.bin", bytes)), SCCVW_OK);
  std::wstring text = Shown();
  EXPECT_EQ(text.substr(0, 57), L"00000000  00 01 02 03 04 05 06 07-08 09 0A 0B 0C 0D 0E 0F");
  EXPECT_NE(text.find(L"\r\n00000010  10 11"), std::wstring::npos);
  EXPECT_NE(text.find(L"\r\n00000020  20 21 22 23 24 25 26 27"), std::wstring::npos);
  EXPECT_EQ(text.substr(text.size() - 10), L"   !\"#$%&'");
}

TEST_F(Viewer, FilesThatCannotBeShownAreRefusedAndCloseEmptiesTheView) {
  ASSERT_EQ(View(temp.WriteFile("a.txt", "shown")), SCCVW_OK);
  EXPECT_EQ(View(temp / "missing.txt"), SCCVW_ERR_OPEN);
  EXPECT_EQ(View(temp.MakeFolder("sub")), SCCVW_ERR_NOTFILE);
  EXPECT_EQ(View(""), SCCVW_ERR_NOTFILE);
  EXPECT_EQ(SendMessageW(viewer, SCCVW_VIEWFILE, 0, 0), SCCVW_ERR_NOTFILE);
  EXPECT_EQ(Shown(), L"shown");  // a refused file leaves the shown one
  SendMessageW(viewer, SCCVW_CLOSEFILE, 0, 0);
  EXPECT_EQ(Shown(), L"");
  EXPECT_EQ(SendMessageW(viewer, SCCVW_GETFORMAT, 0, 0), 0);
}

TEST_F(Viewer, FindNextAndPreviousIgnoreCaseAndStopAtTheEnds) {
  ASSERT_EQ(View(temp.WriteFile("f.txt", "alpha beta\r\nAlpha gamma alpha")), SCCVW_OK);
  using Sel = std::pair<DWORD, DWORD>;
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FIND, 0, reinterpret_cast<LPARAM>(L"ALPHA")), 1);
  EXPECT_EQ(Selection(), Sel(0, 5));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 1, 0), 1);
  EXPECT_EQ(Selection(), Sel(12, 17));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 1, 0), 1);
  EXPECT_EQ(Selection(), Sel(24, 29));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 1, 0), 0);
  EXPECT_EQ(Selection(), Sel(24, 29));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 2, 0), 1);
  EXPECT_EQ(Selection(), Sel(12, 17));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 2, 0), 1);
  EXPECT_EQ(Selection(), Sel(0, 5));
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FINDAGAIN, 2, 0), 0);
  EXPECT_EQ(SendMessageW(viewer, SCCVW_FIND, 0, reinterpret_cast<LPARAM>(L"delta")), 0);
}

TEST_F(Viewer, FindScrollsTheMatchIntoView) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += i == 400 ? "the needle\r\n" : "hay\r\n";
  ASSERT_EQ(View(temp.WriteFile("long.txt", text)), SCCVW_OK);
  EXPECT_EQ(SendMessageW(viewer, SCCVW_GETTOPLINE, 0, 0), 0);
  ASSERT_EQ(SendMessageW(viewer, SCCVW_FIND, 0, reinterpret_cast<LPARAM>(L"needle")), 1);
  LRESULT top = SendMessageW(viewer, SCCVW_GETTOPLINE, 0, 0);
  EXPECT_LE(top, 400);
  EXPECT_GT(top, 380);
}

TEST_F(Viewer, CopyPutsTheSelectionOnTheClipboardAsUnicode) {
  ASSERT_EQ(View(temp.WriteFile("c.txt", "\xEF\xBB\xBFone \xE4\xB8\xAD\r\ntwo")), SCCVW_OK);
  SendMessageW(viewer, SCCVW_FIND, 0, reinterpret_cast<LPARAM>(L"\x4E2D"));
  SendMessageW(viewer, SCCVW_COPY, 0, 0);
  EXPECT_EQ(Clipboard(), L"\x4E2D");
  SendMessageW(viewer, SCCVW_SELECTALL, 0, 0);
  SendMessageW(viewer, SCCVW_COPY, 0, 0);
  EXPECT_EQ(Clipboard(), L"one \x4E2D\r\ntwo");
}

TEST_F(Viewer, DoubleClickAsksTheParentToOpenTheShownFile) {
  std::string path = temp.WriteFile("open me.txt", "x");
  g_openedPath.clear();
  SendMessageW(display, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(g_openedPath, "");  // nothing shown, nothing to open
  ASSERT_EQ(View(path), SCCVW_OK);
  SendMessageW(display, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(g_openedPath, path);
}

TEST_F(Viewer, DraggingWithTheMouseSelectsText) {
  ASSERT_EQ(View(temp.WriteFile("d.txt", "first line\r\nsecond line")), SCCVW_OK);
  SendMessageW(display, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 2));
  SendMessageW(display, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 100));
  SendMessageW(display, WM_LBUTTONUP, 0, MAKELPARAM(400, 100));
  EXPECT_EQ(Selection(), std::make_pair(DWORD{0}, DWORD{23}));
}

}  // namespace
