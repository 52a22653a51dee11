// A Start-menu bar inside a small top-level window that answers as a horizontal container,
// over a Programs folder of the test's own; and real pointer and key input through xdotool.
#pragma once
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "input_test_host.h"
#include "menu_bar_window.h"
#include "menu_cache.h"
#include "panel_messages.h"
#include "shortcut_file.h"
#include "test_support.h"
#include "xdo_input.h"

namespace smtest {

inline int g_settingsChanged = 0;

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == jqbar::PNM_ISHORIZONTAL) return 1;
  if (message == jqbar::PNM_SETTINGSCHANGED) {
    ++g_settingsChanged;
    return 1;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Runs a shell command line on the host and pumps messages until it has finished.
inline bool RunOnHost(const std::string& command, DWORD timeoutMs = 30000) { return xdo::Run(command, timeoutMs); }

inline std::string At(POINT p) { return xdo::MoveTo(p, "0.2"); }

inline POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class MenuBarHost : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    jqbar::SetProgramsFolderOverride(programs.path());
    MakeFixture();
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = instance;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = "StartMenuTestHost";
    RegisterClassA(&wc);
    if (menuDelay) {
      HKEY key = nullptr;
      RegCreateKeyExA(registry.user(), "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr);
      RegSetValueExA(key, "MenuShowDelay", 0, REG_SZ, reinterpret_cast<const BYTE*>(menuDelay),
                     static_cast<DWORD>(std::strlen(menuDelay) + 1));
      RegCloseKey(key);
    }
    jqbar::RegisterMenuBarPanelType(instance);
    host = CreateWindowExA(WS_EX_TOPMOST, "StartMenuTestHost", "menus", WS_POPUP | WS_VISIBLE, hostX, hostY,
                           hostWidth, 27, nullptr, nullptr, instance, nullptr);
    RECT rect{1, 1, hostWidth - 1, 26};
    barWindow = jqbar::CreateMenuBar(host, &rect, blob.empty() ? nullptr : blob.data(),
                                     static_cast<int>(blob.size()));
    ASSERT_NE(barWindow, nullptr);
    bar = jqbar::MenuBarOf(barWindow);
    ASSERT_TRUE(jqbartest::BringToFront(host));
  }
  void TearDown() override {
    jqbar::CloseMenus();
    if (host) DestroyWindow(host);
    jqbar::ShutdownMenuBarType();
    jqbar::SetProgramsFolderOverride("");
    CoUninitialize();
  }
  // The Programs folder: "Apps" (a folder "Tools" with a shortcut "Beta", a shortcut "Alpha"
  // and a document "Readme.txt"), "Empty", and "Many" (250 documents).
  virtual void MakeFixture() {
    programs.MakeFolder("Apps\\Tools");
    programs.MakeFolder("Empty");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    alphaTarget = std::string(windows) + "\\notepad.exe";
    betaTarget = std::string(windows) + "\\regedit.exe";
    CreateShortcutFile((programs / "Apps").c_str(), "Alpha", alphaTarget.c_str(), nullptr, "-a", nullptr, 1,
                       nullptr, 0, nullptr);
    CreateShortcutFile((programs / "Apps\\Tools").c_str(), "Beta", betaTarget.c_str(), nullptr, nullptr,
                       nullptr, 3, nullptr, 0, nullptr);
    programs.WriteFile("Apps\\Readme.txt", "read me");
    for (int i = 0; i < 250; ++i) {
      char name[32];
      snprintf(name, sizeof name, "Many\\Doc%03d.txt", i);
      programs.WriteFile(name, "x");
    }
  }
  RECT ButtonRect(const char* name) {
    // Other windows of the test may lie over the bar: it comes to the front before it is
    // clicked (the menus it opens take the pointer only while it is the foreground window).
    EXPECT_TRUE(jqbartest::BringToFront(host));
    RECT r{};
    jqbar::MenuButton* b = jqbar::FindMenuButton(bar, name);
    EXPECT_NE(b, nullptr) << name;
    if (b) {
      EXPECT_TRUE(jqbar::GetMenuButtonScreenRect(bar, b, &r)) << name;
    }
    return r;
  }
  // A real click at a screen point, waited for until `arrived` holds; sent once more (the bar in
  // front) when it never came.
  bool ClickUntil(POINT p, const std::function<bool()>& arrived) {
    return jqbartest::SendRealInput(host, "xdotool" + At(p) + " click 1", arrived, [&] { return !arrived(); });
  }
  // Opens a button's menu with a press on it (without the real pointer).
  jqbar::MenuWindowState* Open(const char* name) {
    RECT r = ButtonRect(name);
    POINT p = Centre(r);
    // The pointer is where the press is: whether the menu opens under it decides what the
    // release may run.
    SetCursorPos(p.x, p.y);
    ScreenToClient(barWindow, &p);
    SendMessageA(barWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(barWindow, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
    return jqbar::OpenTopMenu();
  }
  static int IndexOf(const jqbar::MenuWindowState* state, const char* name) {
    for (int i = 0; i < static_cast<int>(state->items.size()); ++i)
      if (std::string(state->items[i]->name) == name) return i;
    return -1;
  }

  jqtest::TestRegistry registry;
  jqtest::TempFolder programs;
  jqtest::SeamRecorder seams;
  std::vector<std::uint8_t> blob;
  std::string alphaTarget, betaTarget;
  const char* menuDelay = nullptr;  // "MenuShowDelay" of the user's settings, when given
  int hostX = 100;
  int hostY = 480;
  int hostWidth = 420;
  HWND host = nullptr;
  HWND barWindow = nullptr;
  jqbar::MenuBarInstance* bar = nullptr;
};

}  // namespace smtest
