// The hosted shell view on a real temporary folder: the view window, the browser's COM contract
// and its view-state stream, control windows and the view-active message.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include "shell_host.h"
#include "shell_test_support.h"
#include "shell_view_host.h"
#include "test_support.h"

namespace {

TEST(HostedShellView, ShowsTheFolderAndAnswersAsABrowser) {
  jqtest::TempFolder temp;
  temp.WriteFile("alpha.txt", "a");
  temp.WriteFile("beta.txt", "bb");
  shelltest::HostWindows host;
  IShellFolder* folder = shelltest::BindFolder(temp.path());
  ASSERT_NE(folder, nullptr);

  RECT rect{0, 200, 600, 400};
  FOLDERSETTINGS fs{FVM_DETAILS, 0};
  HWND viewWindow = nullptr;
  HostedFilePane* pane = CreateFilePane(nullptr, host.main, host.dialog, folder, &rect, &fs, &viewWindow);
  folder->Release();
  ASSERT_NE(pane, nullptr);
  ASSERT_TRUE(IsWindow(viewWindow));
  EXPECT_EQ(GetParent(viewWindow), host.main);
  EXPECT_EQ(GetCurrentFilePane(), pane);
  EXPECT_EQ(GetFilePaneViewWindow(pane), viewWindow);

  // The shell's list inside the view shows the two files.
  jqtest::PumpPending();
  HWND list = FindWindowExA(viewWindow, nullptr, WC_LISTVIEWA, nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(jqtest::PumpUntil([&] { return ListView_GetItemCount(list) == 2; }, 3000));

  IShellBrowser* browser = GetCurrentFileBrowser();
  ASSERT_NE(browser, nullptr);
  IUnknown* unknown = nullptr;
  ASSERT_EQ(browser->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  IShellBrowser* again = nullptr;
  ASSERT_EQ(browser->QueryInterface(IID_IShellBrowser, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(static_cast<void*>(again), static_cast<void*>(browser));
  IOleWindow* oleWindow = nullptr;
  ASSERT_EQ(browser->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&oleWindow)), S_OK);
  void* nothing = reinterpret_cast<void*>(1);
  EXPECT_EQ(browser->QueryInterface(IID_IDropTarget, &nothing), E_NOINTERFACE);
  EXPECT_EQ(nothing, nullptr);
  // Counts go up and down by one and are returned.
  ULONG base = browser->AddRef();
  EXPECT_EQ(browser->AddRef(), base + 1);
  EXPECT_EQ(browser->Release(), base);
  EXPECT_EQ(browser->Release(), base - 1);
  oleWindow->Release();
  again->Release();
  unknown->Release();

  HWND window = nullptr;
  EXPECT_EQ(browser->GetWindow(&window), S_OK);
  EXPECT_EQ(window, host.main);

  IShellView* active = nullptr;
  ASSERT_EQ(browser->QueryActiveShellView(&active), S_OK);
  ASSERT_NE(active, nullptr);
  HWND activeWindow = nullptr;
  active->GetWindow(&activeWindow);
  EXPECT_EQ(activeWindow, viewWindow);
  active->Release();

  EXPECT_EQ(GetFileViewMode(pane), static_cast<UINT>(FVM_DETAILS));
  DestroyFilePane(pane);
  EXPECT_FALSE(IsWindow(viewWindow));
  EXPECT_EQ(GetCurrentFilePane(), nullptr);
  EXPECT_EQ(GetCurrentFileBrowser(), nullptr);
}

TEST(HostedShellView, StateStreamWritesFromEmptyAndReadsTheLastWrite) {
  jqtest::TempFolder temp;
  shelltest::HostWindows host;
  IShellFolder* folder = shelltest::BindFolder(temp.path());
  ASSERT_NE(folder, nullptr);
  RECT rect{0, 0, 300, 200};
  FOLDERSETTINGS fs{FVM_LIST, 0};
  HostedFilePane* pane = CreateFilePane(nullptr, host.main, host.dialog, folder, &rect, &fs, nullptr);
  folder->Release();
  ASSERT_NE(pane, nullptr);
  IShellBrowser* browser = GetCurrentFileBrowser();

  auto write = [&](const char* text) {
    IStream* stream = nullptr;
    ASSERT_EQ(browser->GetViewStateStream(STGM_WRITE, &stream), S_OK);
    ULONG written = 0;
    stream->Write(text, lstrlenA(text), &written);
    stream->Release();
  };
  auto read = [&]() {
    IStream* stream = nullptr;
    EXPECT_EQ(browser->GetViewStateStream(STGM_READ, &stream), S_OK);
    char buffer[64] = {};
    ULONG got = 0;
    if (stream) {
      stream->Read(buffer, sizeof(buffer) - 1, &got);
      stream->Release();
    }
    return std::string(buffer, got);
  };
  write("a long first state");
  EXPECT_EQ(read(), "a long first state");
  write("short");
  EXPECT_EQ(read(), "short");
  DestroyFilePane(pane);
}

TEST(HostedShellView, ControlWindowsAndTheActiveMessage) {
  jqtest::TempFolder temp;
  shelltest::HostWindows host;
  IShellFolder* folder = shelltest::BindFolder(temp.path());
  ASSERT_NE(folder, nullptr);
  RECT rect{0, 0, 300, 200};
  FOLDERSETTINGS fs{FVM_ICON, 0};
  HWND viewWindow = nullptr;
  HostedFilePane* pane = CreateFilePane(nullptr, host.main, host.dialog, folder, &rect, &fs, &viewWindow);
  folder->Release();
  ASSERT_NE(pane, nullptr);
  IShellBrowser* browser = GetCurrentFileBrowser();

  HWND out = nullptr;
  EXPECT_EQ(browser->GetControlWindow(FCW_STATUS, &out), S_OK);
  EXPECT_EQ(out, host.status);
  EXPECT_EQ(browser->GetControlWindow(FCW_TOOLBAR, &out), S_OK);
  EXPECT_EQ(out, nullptr);  // the test's main window has no toolbar
  EXPECT_EQ(browser->GetControlWindow(FCW_TREE, &out), S_OK);
  EXPECT_EQ(out, host.tree);
  ShowWindow(host.tree, SW_HIDE);
  out = reinterpret_cast<HWND>(1);
  EXPECT_EQ(browser->GetControlWindow(FCW_TREE, &out), E_NOTIMPL);
  EXPECT_EQ(out, nullptr);

  LRESULT result = -1;
  EXPECT_EQ(browser->SendControlMsg(FCW_STATUS, SB_SETTEXTA, 0,
                                    reinterpret_cast<LPARAM>("hello"), &result), S_OK);
  char text[32] = {};
  SendMessageA(host.status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "hello");
  EXPECT_EQ(browser->SendControlMsg(FCW_TREE, WM_NULL, 0, 0, &result), E_NOTIMPL);

  host.activeMessages.clear();
  EXPECT_EQ(browser->OnViewWindowActive(nullptr), S_OK);
  ASSERT_EQ(host.activeMessages.size(), 1u);
  EXPECT_EQ(host.activeMessages[0], viewWindow);

  // A command forwarded to the view reaches its window; none without a pane.
  EXPECT_EQ(ForwardCommandToView(nullptr, 28716), 0);
  DestroyFilePane(pane);
}

TEST(HostedShellView, MenusMergeOnlyWhileThePaneIsActive) {
  jqtest::TempFolder temp;
  shelltest::HostWindows host;
  IShellFolder* folder = shelltest::BindFolder(temp.path());
  ASSERT_NE(folder, nullptr);
  RECT rect{0, 0, 300, 200};
  FOLDERSETTINGS fs{FVM_ICON, 0};
  HostedFilePane* pane = CreateFilePane(nullptr, host.main, host.dialog, folder, &rect, &fs, nullptr);
  folder->Release();
  ASSERT_NE(pane, nullptr);
  IShellBrowser* browser = GetCurrentFileBrowser();

  HMENU shared = CreateMenu();
  OLEMENUGROUPWIDTHS widths{};
  SetFilePaneActive(pane, FALSE);
  EXPECT_EQ(browser->InsertMenusSB(shared, &widths), S_OK);
  EXPECT_EQ(GetMenuItemCount(shared), 0);

  SetFilePaneActive(pane, TRUE);
  EXPECT_EQ(browser->InsertMenusSB(shared, &widths), S_OK);
  ASSERT_EQ(GetMenuItemCount(shared), 6);
  const UINT ids[] = {0x8000, 0x8040, 40958, 0x8080, 0x80C0, 0x8100};
  for (int i = 0; i < 6; ++i) {
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof(mi);
    mi.fMask = MIIM_ID;
    GetMenuItemInfoA(shared, i, TRUE, &mi);
    EXPECT_EQ(mi.wID, ids[i]) << i;
  }
  char title[32] = {};
  GetMenuStringA(shared, 2, title, sizeof(title), MF_BYPOSITION);
  EXPECT_STREQ(title, "&Tree");
  EXPECT_EQ(widths.width[0], 4);
  EXPECT_EQ(widths.width[2], 4);
  EXPECT_EQ(widths.width[4], 1);
  HMENU tree = GetSubMenu(shared, 2);
  EXPECT_EQ(GetMenuItemID(tree, 0), 45207u);

  EXPECT_EQ(browser->RemoveMenusSB(shared), S_OK);
  EXPECT_EQ(GetMenuItemCount(shared), 0);
  DestroyMenu(shared);
  SetFilePaneActive(pane, FALSE);
  EXPECT_FALSE(IsFilePaneActive());
  DestroyFilePane(pane);
}

TEST(HostedShellView, ANewPaneTakesOverFromThePrevious) {
  jqtest::TempFolder temp;
  temp.MakeFolder("one");
  temp.MakeFolder("two");
  shelltest::HostWindows host;
  RECT rect{0, 0, 300, 200};
  FOLDERSETTINGS fs{FVM_LIST, 0};
  IShellFolder* first = shelltest::BindFolder(temp / "one");
  IShellFolder* second = shelltest::BindFolder(temp / "two");
  ASSERT_TRUE(first && second);
  HWND w1 = nullptr, w2 = nullptr;
  HostedFilePane* p1 = CreateFilePane(nullptr, host.main, host.dialog, first, &rect, &fs, &w1);
  HostedFilePane* p2 = CreateFilePane(p1, host.main, host.dialog, second, &rect, &fs, &w2);
  first->Release();
  second->Release();
  ASSERT_TRUE(p1 && p2);
  EXPECT_NE(w1, w2);
  EXPECT_EQ(GetCurrentFilePane(), p2);
  DestroyFilePane(p1);
  EXPECT_FALSE(IsWindow(w1));
  EXPECT_TRUE(IsWindow(w2));
  EXPECT_EQ(GetCurrentFilePane(), p2);
  DestroyFilePane(p2);
}

TEST(UndoBrowser, GivesTheDefaultTextWithoutTheShellsUndo) {
  shelltest::HostWindows host;
  char text[101] = {};
  DestroyUndoBrowser();
  EXPECT_FALSE(GetUndoMenuText(text));
  EXPECT_STREQ(text, "&Undo (default)");

  IShellFolder* desktop = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
  BOOL made = CreateUndoBrowser(host.main, desktop);
  desktop->Release();
  if (made) {
    // Wine's desktop view offers no Undo: the text stays, and the command does nothing.
    GetUndoMenuText(text);
    EXPECT_GT(lstrlenA(text), 0);
    InvokeShellUndo();
  }
  DestroyUndoBrowser();
  EXPECT_FALSE(GetUndoMenuText(text));
}

}  // namespace

namespace {

std::string PathOf(LPCITEMIDLIST list) {
  char path[MAX_PATH] = {};
  SHGetPathFromIDListA(list, path);
  return path;
}

TEST(HostedShellView, NavigationRequestsOfTheViewSelectFoldersInTheTree) {
  jqtest::TempFolder temp;
  temp.MakeFolder("child");
  shelltest::HostWindows host;
  std::vector<std::string> selected;
  ShellHostHooks hooks;
  hooks.selectIdList = [&](HWND, LPCITEMIDLIST absolute) {
    selected.push_back(PathOf(absolute));
    return TRUE;
  };
  ShellHostHooks previous = SetShellHostHooks(hooks);
  IShellFolder* folder = shelltest::BindFolder(temp.path());
  ASSERT_NE(folder, nullptr);
  RECT rect{0, 0, 300, 200};
  FOLDERSETTINGS fs{FVM_LIST, 0};
  HostedFilePane* pane = CreateFilePane(nullptr, host.main, host.dialog, folder, &rect, &fs, nullptr);
  ASSERT_NE(pane, nullptr);
  IShellBrowser* browser = GetCurrentFileBrowser();

  EXPECT_EQ(browser->BrowseObject(nullptr, SBSP_PARENT), S_OK);
  LPITEMIDLIST child = nullptr;
  folder->ParseDisplayName(nullptr, nullptr, const_cast<wchar_t*>(L"child"), nullptr, &child, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(browser->BrowseObject(child, SBSP_RELATIVE), S_OK);
  LPITEMIDLIST absolute = shelltest::ParsePath(temp / "child");
  EXPECT_EQ(browser->BrowseObject(absolute, SBSP_ABSOLUTE), S_OK);
  CoTaskMemFree(child);
  CoTaskMemFree(absolute);
  folder->Release();
  DestroyFilePane(pane);
  SetShellHostHooks(previous);

  std::string parent = temp.path().substr(0, temp.path().find_last_of('\\'));
  ASSERT_EQ(selected.size(), 3u);
  EXPECT_EQ(lstrcmpiA(selected[0].c_str(), parent.c_str()), 0) << selected[0];
  EXPECT_EQ(lstrcmpiA(selected[1].c_str(), (temp / "child").c_str()), 0) << selected[1];
  EXPECT_EQ(lstrcmpiA(selected[2].c_str(), (temp / "child").c_str()), 0) << selected[2];
}

}  // namespace
