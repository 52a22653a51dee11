// The finder started in the test's process over a private registry and a temporary folder, and
// driven through its panel as a person would.
#pragma once
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "finder.h"
#include "resource.h"
#include "test_support.h"

class Finder : public ::testing::Test {
 protected:
  void SetUp() override {
    OleInitialize(nullptr);
    g_finder = FinderState{};
    ASSERT_TRUE(StartFinder(GetModuleHandleA(nullptr), command.c_str(), SW_SHOW));
  }
  void TearDown() override {
    if (IsWindow(g_finder.main)) DestroyWindow(g_finder.main);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EndFinder();
    OleUninitialize();
  }
  HWND PageItem(int page, int id) { return GetDlgItem(g_finder.pages[page], id); }
  void Click(HWND parent, int id) { SendMessageA(GetDlgItem(parent, id), BM_CLICK, 0, 0); }
  bool WaitForSearchEnd() {
    return jqtest::PumpUntil([] { return !g_finder.searchRunning; }, 30000);
  }
  std::vector<std::string> Column(int column) {
    std::vector<std::string> out;
    for (int i = 0; i < ResultCount(); ++i) out.push_back(ResultColumnText(i, column));
    return out;
  }
  std::vector<std::string> SortedNames() {
    auto names = Column(0);
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string StatusText(int part) {
    char text[256] = {};
    SendMessageA(g_finder.status, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
  }
  // Starts a search over the folder from the panel, as a person would.
  void SearchFolder(const std::string& folder, const char* masks, const char* text = "") {
    SelectCriteriaPage(0);
    Click(g_finder.pages[0], IDC_LOOK_IN_PATH);
    SetWindowTextA(PageItem(0, IDC_LOOK_PATH), folder.c_str());
    SetWindowTextA(PageItem(0, IDC_NAME_MASKS), masks);
    CheckDlgButton(g_finder.pages[0], IDC_SUBFOLDERS, BST_CHECKED);
    SetWindowTextA(PageItem(3, IDC_CONTAINING_TEXT), text);
    Click(g_finder.panel, IDC_FIND_NOW);
    ASSERT_TRUE(WaitForSearchEnd());
  }

  jqtest::TestRegistry registry;
  jqtest::TempFolder dir;
  std::string command;
};

