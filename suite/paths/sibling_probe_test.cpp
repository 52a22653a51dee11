#include "sibling_probe.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "test_support.h"

namespace {

// A stand-in for the product's window: answers message 1145 with one WM_COPYDATA block to the
// window named in lParam, as the case in hand says.
struct ReplyCase {
  const char* what;
  std::vector<char> block;
  bool fromOtherWindow;
  bool accepted;
};
const ReplyCase* g_case = nullptr;
HWND g_other = nullptr;
int g_received = 0;
BOOL g_lastStored = FALSE;

LRESULT CALLBACK ProductProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == 1145 && g_case) {
    COPYDATASTRUCT data{kSiblingReplyId, static_cast<DWORD>(g_case->block.size()),
                        const_cast<char*>(g_case->block.data())};
    HWND sender = g_case->fromOtherWindow ? g_other : window;
    SendMessageA(reinterpret_cast<HWND>(lParam), WM_COPYDATA, reinterpret_cast<WPARAM>(sender),
                 reinterpret_cast<LPARAM>(&data));
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    ++g_received;
    g_lastStored = StoreSiblingReply(reinterpret_cast<HWND>(wParam),
                                     reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<char> Block(DWORD code, const std::string& path, bool terminated = true) {
  std::vector<char> block;
  for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<char>(code >> shift));
  for (char c : path) block.push_back(c);
  if (terminated) block.push_back('\0');
  return block;
}

TEST(SiblingProbe, ReplyIsCheckedBeforeItIsUsed) {
  WNDCLASSA product{};
  product.lpfnWndProc = ProductProc;
  product.lpszClassName = "FQMainClass";
  WNDCLASSA main{};
  main.lpfnWndProc = MainProc;
  main.lpszClassName = "SiblingProbeTestMain";
  RegisterClassA(&product);
  RegisterClassA(&main);
  HWND productWindow = CreateWindowExA(0, "FQMainClass", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                       nullptr, nullptr, nullptr);
  HWND mainWindow = CreateWindowExA(0, "SiblingProbeTestMain", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                    nullptr, nullptr, nullptr);
  g_other = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                            nullptr);
  ASSERT_TRUE(productWindow && mainWindow && g_other);
  SetSiblingReplyWindow(mainWindow);

  const std::string longPath = "\\\\.\\" + std::string(300, 'x');
  const ReplyCase cases[] = {
      {"too short for a code and a path", {1, 2, 3}, false, false},
      {"path without its terminator", Block(5, "\\\\.\\FQDEV", false), false, false},
      {"not a device path", Block(5, "C:\\Windows\\evil.sys"), false, false},
      {"longer than the reply holds", Block(5, longPath), false, false},
      {"from another window", Block(5, "\\\\.\\FQDEV"), true, false},
      {"a well-formed reply", Block(0x222004, "\\\\.\\NUL"), false, true},
  };
  for (const ReplyCase& c : cases) {
    g_case = &c;
    g_received = 0;
    g_lastStored = FALSE;
    OpenSiblingDriver();
    EXPECT_EQ(g_received, 1) << c.what;
    EXPECT_EQ(g_lastStored != FALSE, c.accepted) << c.what;
    CloseSiblingDriver();
  }
  EXPECT_EQ(GetSiblingReply().code, 0x222004u);
  EXPECT_STREQ(GetSiblingReply().devicePath, "\\\\.\\NUL");

  // Outside a query nothing is taken, even from the product's window.
  g_case = nullptr;
  std::vector<char> late = Block(9, "\\\\.\\LATE");
  COPYDATASTRUCT data{kSiblingReplyId, static_cast<DWORD>(late.size()), late.data()};
  EXPECT_FALSE(StoreSiblingReply(productWindow, &data));
  EXPECT_STREQ(GetSiblingReply().devicePath, "\\\\.\\NUL");

  // Whatever the device is, a query that it does not answer in full reports nothing.
  g_case = &cases[5];
  DWORD first = 7, third = 7;
  ULONGLONG rest = 7;
  QuerySiblingFileInfo("C:\\a.zip", &first, nullptr, &third, &rest);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(third, 0u);
  EXPECT_EQ(rest, 0u);
  CloseSiblingDriver();

  SetSiblingReplyWindow(nullptr);
  DestroyWindow(productWindow);
  DestroyWindow(mainWindow);
  DestroyWindow(g_other);
  g_case = nullptr;
}

}  // namespace

// Without the product: files are what the file system says, the query reports nothing, and no
// flag file appears.
TEST(SiblingProbe, AbsentProductAnswersThroughTheRealPaths) {
  jqtest::TempFolder temp;
  std::string zip = temp.WriteFile("a.zip", "PK\x05\x06");
  std::string folder = temp.MakeFolder("dir");
  EXPECT_TRUE(IsPlainFileWithSiblingOff(zip.c_str()));
  EXPECT_FALSE(IsPlainFileWithSiblingOff(folder.c_str()));
  EXPECT_FALSE(IsPlainFileWithSiblingOff((temp / "missing.zip").c_str()));
  for (const char* flag : {"C:\\ISFQONX", "C:\\FQTOFFX", "C:\\FQTONXX"})
    EXPECT_FALSE(jqtest::FileExists(flag)) << flag;
  EXPECT_FALSE(OpenSiblingDriver());
  DWORD first = 7, second = 7, third = 7;
  ULONGLONG rest = 7;
  QuerySiblingFileInfo(zip.c_str(), &first, &second, &third, &rest);
  EXPECT_EQ(first | second | third, 0u);
  EXPECT_EQ(rest, 0u);
  QuerySiblingFileInfo(zip.c_str(), nullptr, nullptr, nullptr, nullptr);
}
