// The button bar as a window: layout, scrolling, hot keys, buttons made from dropped files and
// shortcuts, launching through the start seam (by a real click as well), groups and drag-out
// files.
#include "button_bar.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "button_bar_edit.h"
#include "button_bar_fixtures.h"
#include "panel_messages.h"
#include "panel_utils.h"
#include "pidl.h"
#include "real_input.h"
#include "shell_fixtures.h"
#include "test_support.h"
#include "xdo_input.h"

using namespace jqbar;

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A plain window standing in for the container: answers orientation, tooltips and hot keys.
struct Host {
  bool horizontal = true;
  std::vector<HotKeyEntry> keys;
  int changed = 0;
  int removedAll = 0;
} g_host;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case PNM_ISHORIZONTAL:
      return g_host.horizontal ? 1 : 0;
    case PNM_GETTOOLTIPS:
      return 1;
    case PNM_CHANGED:
      ++g_host.changed;
      return 0;
    case PNM_ADDHOTKEY: {
      const auto* e = reinterpret_cast<const HotKeyEntry*>(lParam);
      for (const auto& k : g_host.keys)
        if (k.key == e->key && k.modifiers == e->modifiers) return 0;
      g_host.keys.push_back(*e);
      return 1;
    }
    case PNM_REMOVEHOTKEY:
      if (lParam == 0) {
        ++g_host.removedAll;
        g_host.keys.clear();
      } else {
        for (auto it = g_host.keys.begin(); it != g_host.keys.end(); ++it)
          if (it->id == lParam) {
            g_host.keys.erase(it);
            break;
          }
      }
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// What a launch handed to the shell.
struct Launch {
  std::string target;  // the parsing name of the item id list
  std::string file, parameters, directory;
  int show;
  ULONG mask;
};

class ButtonBarWindow : public ::testing::Test {
 protected:
  jqtest::TempFolder temp;
  HWND host = nullptr;
  HWND window = nullptr;
  ButtonBarInstance* bar = nullptr;
  std::vector<Launch> launches;
  seams::Handlers previous;

  void SetUp() override {
    Globals().instance = GetModuleHandleA(nullptr);
    OleInitialize(nullptr);
    RegisterButtonBarPanelType(Globals().instance);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = Globals().instance;
    wc.lpszClassName = "ButtonBarTestHost";
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    RegisterClassA(&wc);
    g_host = Host();
    seams::Handlers h;
    h.shellExecute = [this](SHELLEXECUTEINFOA* info) -> BOOL {
      Launch l;
      if ((info->fMask & SEE_MASK_INVOKEIDLIST) && info->lpIDList)
        l.target = fixtures::ParsingName(static_cast<LPCITEMIDLIST>(info->lpIDList));
      l.file = info->lpFile ? info->lpFile : "";
      l.parameters = info->lpParameters ? info->lpParameters : "";
      l.directory = info->lpDirectory ? info->lpDirectory : "";
      l.show = info->nShow;
      l.mask = info->fMask;
      launches.push_back(l);
      return TRUE;
    };
    h.messageBox = [](HWND, const char*, const char*, UINT) { return IDYES; };
    previous = seams::SetHandlers(h);
  }
  void TearDown() override {
    if (host) DestroyWindow(host);
    seams::SetHandlers(previous);
    FreeButtonBarType();
    OleUninitialize();
  }
  void Make(const std::vector<std::uint8_t>& blob, int width, int height, bool horizontal = true) {
    g_host.horizontal = horizontal;
    host = CreateWindowExA(WS_EX_TOPMOST, "ButtonBarTestHost", "host", WS_POPUP | WS_VISIBLE, 700,
                           560, width, height, nullptr, nullptr, Globals().instance, nullptr);
    RECT r = {0, 0, width, height};
    window = CreateButtonBar(host, &r, blob.empty() ? nullptr : blob.data(), int(blob.size()));
    ASSERT_NE(window, nullptr);
    bar = ButtonBarOf(window);
    ASSERT_NE(bar, nullptr);
    jqtest::PumpPending();
  }
  void Resize(int width, int height) {
    SetWindowPos(host, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
  }
  static std::vector<std::uint8_t> BarBlob(int buttons, int style, int lines, int rowLimit,
                                           bool autoArrange = false) {
    bbtest::BlobBuilder b;
    b.Head(0, lines, {{"G", 0}}, 0, style, rowLimit);
    b.I32At(300, autoArrange ? 1 : 0);
    std::vector<bbtest::TestButton> wanted(static_cast<std::size_t>(buttons));
    for (int i = 0; i < buttons; ++i) {
      wanted[std::size_t(i)].command = "C:\\windows\\notepad.exe";
      wanted[std::size_t(i)].label = "B" + std::to_string(i);
    }
    b.Group(wanted);
    return b.bytes;
  }
  POINT ScreenCentre(int position) {
    RECT cell, drawn;
    EXPECT_TRUE(ButtonCell(bar, position, &cell, &drawn));
    POINT p = {(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
    ClientToScreen(window, &p);
    return p;
  }
  POINT ClientCentre(int position) {
    POINT p = ScreenCentre(position);
    ScreenToClient(window, &p);
    return p;
  }
};

TEST_F(ButtonBarWindow, EmptyGroupLaysOutOneRowWithoutArrows) {
  Make(BarBlob(0, 1, 1, 20), 200, 24);
  EXPECT_EQ(bar->settings.arrowsShown, 0);
  EXPECT_EQ(bar->settings.visibleRows, 1);
  LRESULT size = SendMessageA(window, PNM_GETPREFSIZE, 1, 0);
  EXPECT_EQ(LowSigned(size), 20 + 4) << "one cell is still reserved";
  EXPECT_EQ(HighSigned(size), 20 + 4);
}

TEST_F(ButtonBarWindow, RowLimitShowsArrowsAndScrollingStopsAtTheLastRow) {
  // 25 buttons of 20 px in one line: 500 px would fit them all, but the limit is 20 rows.
  Make(BarBlob(25, 1, 1, 20), 600, 24);
  EXPECT_EQ(bar->settings.arrowsShown, 1);
  EXPECT_EQ(bar->settings.visibleRows, 20);
  int moves = 0;
  while (ScrollButtonRows(bar, 1)) ++moves;
  EXPECT_EQ(moves, 5);
  EXPECT_EQ(bar->settings.firstRow, 5);
  RECT cell, drawn;
  EXPECT_TRUE(ButtonCell(bar, 24, &cell, &drawn)) << "the last button is visible";
  EXPECT_FALSE(ButtonCell(bar, 4, &cell, &drawn));
  while (ScrollButtonRows(bar, -1)) {}
  EXPECT_EQ(bar->settings.firstRow, 0);
}

TEST_F(ButtonBarWindow, ArrowsStackInAThickBarAndLineUpInAThinOne) {
  struct Case {
    int height;
    int stacked;
    int visible;
  };
  // Length 300 - 2 = 298; stacked arrows take 12 px (286 / 20 = 14 rows), side by side 24
  // (274 / 20 = 13 rows).
  const Case cases[] = {{24, 1, 14}, {23, 0, 13}};
  for (const Case& c : cases) {
    Make(BarBlob(30, 1, 1, 100), 300, c.height);
    EXPECT_EQ(bar->settings.arrowsShown, 1) << c.height;
    EXPECT_EQ(bar->settings.arrowsStacked, c.stacked) << c.height;
    EXPECT_EQ(bar->settings.visibleRows, c.visible) << c.height;
    DestroyWindow(host);
    host = nullptr;
  }
}

TEST_F(ButtonBarWindow, CellsStretchToFillThePanel) {
  Make(BarBlob(6, 1, 2, 20), 100, 42);  // 2 lines, 3 rows: 98 x 40 inside the margin
  RECT cell, drawn;
  ASSERT_TRUE(ButtonCell(bar, 0, &cell, &drawn));
  EXPECT_EQ(cell.left, 1);
  EXPECT_EQ(cell.top, 1);
  ASSERT_TRUE(ButtonCell(bar, 5, &cell, &drawn));
  EXPECT_EQ(cell.right, 99) << "the last row reaches the end";
  EXPECT_EQ(cell.bottom, 41) << "the last line reaches the edge";
  POINT inside = {(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
  int position = -1;
  EXPECT_EQ(ButtonAtPoint(bar, inside, &position), ButtonAtPosition(bar, 5));
  EXPECT_EQ(position, 5);
}

TEST_F(ButtonBarWindow, FirstFillBlobAddsTheDesktopItemsOnceAndClearsTheFlag) {
  char desktop[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
  std::string item = std::string(desktop) + "\\bbtest-desktop-item.txt";
  {
    HANDLE h = CreateFileA(item.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  bbtest::BlobBuilder b;
  b.Head(1, 1, {{"", 0}}, 0, 1, 30);
  b.Group({});
  Make(b.bytes, 300, 24);
  bool found = false;
  for (ButtonRecord* r = bar->settings.groups[0]; r; r = r->next)
    if (r->command && lstrcmpiA(r->command->c_str(), item.c_str()) == 0) found = true;
  EXPECT_TRUE(found) << "the desktop's file became a button";
  int count = CountButtons(bar->settings.groups[0]);
  AddDesktopIconButtons(bar);
  EXPECT_EQ(CountButtons(bar->settings.groups[0]), count) << "items already there are not added twice";
  void* data = nullptr;
  int size = int(SendMessageA(window, PNM_GETSETTINGS, 0, reinterpret_cast<LPARAM>(&data)));
  ASSERT_GT(size, 360);
  std::vector<std::uint8_t> saved(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
  EXPECT_EQ(bbtest::GetI32(saved, 0), 0) << "the first-fill word is cleared";
  DeleteFileA(item.c_str());
}

TEST_F(ButtonBarWindow, LaunchesHandTheShellTheRightCommandLines) {
  std::string program = temp.WriteFile("tools\\run.exe", "MZ");
  std::string rooted = "C:\\bbtest-root.exe";
  Make(BarBlob(0, 3, 1, 20), 400, 60);
  struct Case {
    std::string command, startIn, parameters;
    int runMode;
    std::string directory;
    int show;
  };
  const Case cases[] = {
      {program, "", "-x one", 1, temp / "tools", SW_SHOWNORMAL},
      {program, "D:\\work", "", 2, "D:\\work", SW_SHOWMINIMIZED},
      {"  " + program, "", "", 3, temp / "tools", SW_SHOWMAXIMIZED},
  };
  for (const Case& c : cases) {
    launches.clear();
    ButtonRecord* b = NewButtonRecord();
    b->command = c.command;
    b->startIn = c.startIn;
    b->parameters = c.parameters;
    b->runMode = c.runMode;
    InsertButton(bar, b, nullptr);
    LaunchButton(bar, b, POINT{0, 0}, LaunchHow::click);
    ASSERT_EQ(launches.size(), 1u) << c.command;
    EXPECT_EQ(lstrcmpiA(launches[0].target.c_str(), program.c_str()), 0) << launches[0].target;
    EXPECT_EQ(launches[0].parameters, c.parameters);
    EXPECT_EQ(launches[0].directory, c.directory) << c.command;
    EXPECT_EQ(launches[0].show, c.show);
    EXPECT_TRUE(launches[0].mask & SEE_MASK_INVOKEIDLIST);
  }
  {
    HANDLE h = CreateFileA(rooted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    launches.clear();
    ButtonRecord* b = NewButtonRecord();
    b->command = rooted;
    InsertButton(bar, b, nullptr);
    LaunchButton(bar, b, POINT{0, 0}, LaunchHow::enter);
    DeleteFileA(rooted.c_str());
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].directory, "C:\\") << "a root keeps its backslash";
    EXPECT_TRUE(launches[0].mask & SEE_MASK_DOENVSUBST) << "Enter expands environment strings";
  }
  launches.clear();
  ButtonRecord* empty = NewButtonRecord();
  InsertButton(bar, empty, nullptr);
  LaunchButton(bar, empty, POINT{0, 0}, LaunchHow::click);
  ButtonRecord* url = NewUrlButton("Site", "http://example.com/");
  InsertButton(bar, url, nullptr);
  LaunchButton(bar, url, POINT{0, 0}, LaunchHow::hotKey);
  EXPECT_TRUE(launches.empty()) << "an empty button and a hot key on a URL start nothing";
}

TEST_F(ButtonBarWindow, DroppedFilesAndShortcutsBecomeButtonsThatLaunchTheirTargets) {
  std::string program = temp.WriteFile("app\\tool.exe", "MZ");
  std::string document = temp.WriteFile("docs\\note.txt", "n");
  std::string link = temp / "Tool.lnk";
  {
    IShellLinkA* shell = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&shell))));
    shell->SetPath(program.c_str());
    shell->SetArguments("/fast");
    shell->SetWorkingDirectory(temp.path().c_str());
    shell->SetShowCmd(SW_SHOWMAXIMIZED);
    IPersistFile* file = nullptr;
    shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
    file->Release();
    shell->Release();
  }
  std::string url = temp.WriteFile("Site.url", "[InternetShortcut]\r\nURL=http://example.com/a\r\n");
  Make(BarBlob(0, 3, 1, 20), 500, 60);
  POINT anywhere = {300, 30};
  ASSERT_TRUE(DropFileOnButtonBar(bar, document.c_str(), anywhere));
  ASSERT_TRUE(DropFileOnButtonBar(bar, link.c_str(), anywhere));
  ASSERT_TRUE(DropFileOnButtonBar(bar, url.c_str(), anywhere));
  ASSERT_EQ(CountButtons(bar->settings.groups[0]), 3);
  ButtonRecord *doc = nullptr, *tool = nullptr, *site = nullptr;
  for (ButtonRecord* r = bar->settings.groups[0]; r; r = r->next) {
    if (r->IsUrl()) site = r;
    else if (EndsWith(r->Command(), ".txt")) doc = r;
    else tool = r;
  }
  ASSERT_TRUE(doc && tool && site);
  EXPECT_EQ(doc->Label(), std::string("note"));
  EXPECT_EQ(*doc->startIn, temp / "docs");
  EXPECT_EQ(lstrcmpiA(tool->Command(), program.c_str()), 0);
  EXPECT_EQ(*tool->parameters, "/fast");
  // The link's show command is not asserted: Wine does not hand the stored one back.
  EXPECT_TRUE(site->IsUrl());
  EXPECT_EQ(*site->url, "http://example.com/a");

  // A drop on a button goes before it.
  ButtonRecord* target = ButtonAtPosition(bar, 1);
  ASSERT_TRUE(DropFileOnButtonBar(bar, program.c_str(), ClientCentre(1)));
  EXPECT_EQ(lstrcmpiA(ButtonAtPosition(bar, 1)->Command(), program.c_str()), 0);
  EXPECT_EQ(ButtonAtPosition(bar, 2), target);

  launches.clear();
  LaunchButton(bar, tool, POINT{0, 0}, LaunchHow::click);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(lstrcmpiA(launches[0].target.c_str(), program.c_str()), 0);
  EXPECT_EQ(launches[0].parameters, "/fast");
  EXPECT_EQ(lstrcmpiA(launches[0].directory.c_str(), temp.path().c_str()), 0);
  EXPECT_EQ(launches[0].show, tool->runMode == 3 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

TEST_F(ButtonBarWindow, DropsOnTabsFollowTheGroupKind) {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{"Mine", 0}, {"Other", 0}, {"Panel", kGroupApplications}}, 0, 1, 20);
  bbtest::TestButton first;
  first.command = "C:\\windows\\notepad.exe";
  b.Group({}).Group({first}).Group({});
  Make(b.bytes, 400, 24);
  std::string file = temp.WriteFile("dropped.txt", "d");
  g_host.changed = 0;
  POINT applicationsTab = {1 + 20 * 2 + 8, 8};
  EXPECT_FALSE(DropFileOnButtonBar(bar, file.c_str(), applicationsTab));
  EXPECT_EQ(bar->settings.groups[2], nullptr);
  EXPECT_FALSE(TrackButtonBarDragOver(bar, applicationsTab));
  POINT otherTab = {1 + 20 * 1 + 8, 8};
  EXPECT_TRUE(TrackButtonBarDragOver(bar, otherTab));
  TrackButtonBarDragOver(bar, POINT{-1, -1});
  ASSERT_TRUE(DropFileOnButtonBar(bar, file.c_str(), otherTab));
  ASSERT_EQ(CountButtons(bar->settings.groups[1]), 2);
  EXPECT_EQ(*bar->settings.groups[1]->command, file) << "at the front of that group";
  EXPECT_EQ(bar->settings.groups[0], nullptr) << "the visible group is untouched";
  EXPECT_EQ(g_host.changed, 1);
}

TEST_F(ButtonBarWindow, ButtonsDraggedBetweenBarsCopyOrMove) {
  Make(BarBlob(2, 1, 1, 20), 200, 24);
  ButtonBarInstance* first = bar;
  HWND secondWindow = CreateButtonBar(host, nullptr, BarBlob(1, 1, 1, 20).data(), int(BarBlob(1, 1, 1, 20).size()));
  ButtonBarInstance* second = ButtonBarOf(secondWindow);
  ASSERT_NE(second, nullptr);
  ButtonRecord* moved = ButtonAtPosition(first, 0);
  POINT end = {150, 10};
  ASSERT_TRUE(DropButtonOnButtonBar(second, first, moved, end, false));
  EXPECT_EQ(CountButtons(first->settings.groups[0]), 2) << "from another bar: copied";
  EXPECT_EQ(CountButtons(second->settings.groups[0]), 2);
  ASSERT_TRUE(DropButtonOnButtonBar(second, first, moved, end, true));
  EXPECT_EQ(CountButtons(first->settings.groups[0]), 1) << "with Shift: moved";
  EXPECT_EQ(CountButtons(second->settings.groups[0]), 3);
  ButtonRecord* own = ButtonAtPosition(second, 0);
  ButtonRecord* target = ButtonAtPoint(second, end);
  ASSERT_NE(target, nullptr);
  ASSERT_NE(target, own);
  ASSERT_TRUE(DropButtonOnButtonBar(second, second, own, end, false));
  EXPECT_EQ(CountButtons(second->settings.groups[0]), 3) << "within one bar: moved";
  EXPECT_EQ(own->next, target) << "before the button under the point";
  EXPECT_NE(ButtonAtPosition(second, 0), own);
  ASSERT_TRUE(DropButtonOnButtonBar(second, second, own, end, true));
  EXPECT_EQ(CountButtons(second->settings.groups[0]), 4) << "within one bar with Shift: copied";
}

TEST_F(ButtonBarWindow, HotKeysTakeTheSmallestFreeIdAndRefusedOnesAreCleared) {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{"G", 0}}, 0, 1, 20);
  bbtest::TestButton one, two, three;
  one.command = two.command = three.command = "C:\\windows\\notepad.exe";
  one.hotKeyVk = 'A';
  one.hotKeyModifiers = 2;
  one.hotKeyId = 3;
  two.hotKeyVk = 'A';  // the same key again: refused
  two.hotKeyModifiers = 2;
  three.hotKeyVk = 'B';
  three.hotKeyModifiers = 6;
  b.Group({one, two, three});
  Make(b.bytes, 200, 24);
  ASSERT_EQ(g_host.keys.size(), 2u);
  ButtonRecord* second = ButtonAtPosition(bar, 1);
  EXPECT_EQ(second->hotKeyVk, 0);
  EXPECT_EQ(second->hotKeyId, 0);
  EXPECT_EQ(ButtonAtPosition(bar, 2)->hotKeyId, 1) << "the smallest id no button uses";
  EXPECT_EQ(NextFreeHotKeyId(bar), 2);
  launches.clear();
  SendMessageA(window, PNM_HOTKEY, 3, 0);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_NE(launches[0].target.find("notepad"), std::string::npos);
  DestroyWindow(window);
  EXPECT_TRUE(g_host.keys.empty()) << "the bar removes its keys when it goes";
}

TEST_F(ButtonBarWindow, DeletingGroupsStopsAtTheLastOne) {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{"One", 0}, {"Two", 0}}, 1, 1, 20);
  bbtest::TestButton x;
  x.command = "C:\\windows\\notepad.exe";
  b.Group({x}).Group({x, x});
  Make(b.bytes, 200, 24);
  RunButtonBarCommand(bar, 616, nullptr);
  EXPECT_EQ(bar->settings.groupCount, 1);
  EXPECT_EQ(bar->settings.currentGroup, 0);
  EXPECT_STREQ(bar->settings.groupNames[0], "One");
  EXPECT_EQ(CountButtons(bar->settings.groups[0]), 1);
  RunButtonBarCommand(bar, 616, nullptr);
  EXPECT_EQ(bar->settings.groupCount, 1) << "the only group stays";
  RECT cell, drawn;
  ASSERT_TRUE(ButtonCell(bar, 0, &cell, &drawn));
  EXPECT_EQ(cell.left, 1) << "no tab strip with one group";
}

TEST_F(ButtonBarWindow, DragOutFilesNameTheButtonsTargets) {
  std::string program = temp.WriteFile("bin\\tool.exe", "MZ");
  ButtonRecord* b = NewButtonRecord();
  b->command = program;
  b->label = "My: Tool?";
  b->parameters = "-v";
  b->startIn = temp.path();
  std::string link = WriteDragOutFile(*b, temp.path().c_str());
  ASSERT_EQ(link, temp / "My Tool.lnk");
  LPITEMIDLIST target = nullptr;
  ASSERT_TRUE(ResolveShortcutToPidl(link.c_str(), &target));
  EXPECT_EQ(lstrcmpiA(fixtures::ParsingName(target).c_str(), program.c_str()), 0);
  FreePidl(target);
  ButtonRecord* url = NewUrlButton("Site", "http://example.com/");
  std::string file = WriteDragOutFile(*url, temp.path().c_str());
  EXPECT_NE(jqtest::ReadFileText(file).find("URL=http://example.com/"), std::string::npos);
  FreeButtonRecord(b);
  FreeButtonRecord(url);
}

TEST_F(ButtonBarWindow, RealClickLaunchesAndTabSwitchesGroup) {
  bbtest::BlobBuilder b;
  b.Head(0, 1, {{"One", 0}, {"Two", 0}}, 0, 3, 20);
  bbtest::TestButton first, second;
  first.command = "C:\\windows\\notepad.exe";
  first.label = "Notepad";
  second.command = "C:\\windows\\regedit.exe";
  second.label = "Registry";
  b.Group({first}).Group({second});
  Make(b.bytes, 400, 60);
  ShowWindow(host, SW_SHOW);
  // Each click is sent with the bar in front and checked by what it does; one that never
  // arrived (nothing changed) is sent once more.
  ASSERT_TRUE(bbtest::ClickUntil(window, [&] { return ScreenCentre(0); }, [&] { return !launches.empty(); },
                                 [&] { return launches.empty(); }));
  EXPECT_NE(launches[0].target.find("notepad"), std::string::npos);

  auto secondTab = [&] {
    POINT tab = {1 + 20 + 8, 8};
    ClientToScreen(window, &tab);
    return tab;
  };
  g_host.changed = 0;
  ASSERT_TRUE(bbtest::ClickUntil(window, secondTab, [&] { return bar->settings.currentGroup == 1; },
                                 [&] { return bar->settings.currentGroup == 0; }));
  EXPECT_EQ(g_host.changed, 1);
  launches.clear();
  ASSERT_TRUE(bbtest::ClickUntil(window, [&] { return ScreenCentre(0); }, [&] { return !launches.empty(); },
                                 [&] { return launches.empty(); }));
  xdo::Run("xdotool mousemove 1279 899");
  EXPECT_NE(launches[0].target.find("regedit"), std::string::npos);
  EXPECT_EQ(launches.size(), 1u);
}

TEST_F(ButtonBarWindow, AShortcutDroppedFromAnotherProgramBecomesAButtonThatLaunchesItsTarget) {
  std::string program = temp.WriteFile("app\\viewer.exe", "MZ");
  std::string link = temp / "Viewer.lnk";
  {
    IShellLinkA* shell = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkA, reinterpret_cast<void**>(&shell))));
    shell->SetPath(program.c_str());
    shell->SetArguments("--page 2");
    IPersistFile* file = nullptr;
    shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
    file->Release();
    shell->Release();
  }
  Make(BarBlob(1, 3, 1, 20), 300, 60);
  SetWindowPos(host, HWND_TOPMOST, 400, 300, 300, 60, SWP_SHOWWINDOW);
  auto made2 = [&] { return CountButtons(bar->settings.groups[0]) == 2; };
  EXPECT_GT(bbtest::DragFromHelperUntil({100, 100}, link, window, {650, 330}, made2), 100);
  ASSERT_TRUE(made2());
  ButtonRecord* made = ButtonAtPosition(bar, 1);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(lstrcmpiA(made->Command(), program.c_str()), 0);
  EXPECT_EQ(made->Label(), std::string("Viewer"));
  EXPECT_GE(g_host.changed, 1);
  launches.clear();
  LaunchButton(bar, made, POINT{0, 0}, LaunchHow::click);
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(lstrcmpiA(launches[0].target.c_str(), program.c_str()), 0);
  EXPECT_EQ(launches[0].parameters, "--page 2");
  EXPECT_EQ(launches[0].directory, temp / "app");
}

}  // namespace
