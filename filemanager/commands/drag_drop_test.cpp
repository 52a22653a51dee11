// Drags in JQNavig's real main window driven by real mouse and keyboard input on the X display
// (XTEST through xdotool): list to list with the keys choosing move, copy or link, list to a
// tree folder, a folder onto itself, onto the drive bar, and a drop from a second program.
#include <windows.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "file_list.h"
#include "frame_test_host.h"
#include "ftp_engine.h"
#include "ftp_folder.h"
#include "ftp_sites.h"
#include "transfer_job.h"
#include "pane_drop_targets.h"
#include "pidl.h"
#include "actions.h"
#include "command_ids.h"
#include "folder_tree.h"
#include "folder_watch.h"
#include "xdo_input.h"
#include "control_text.h"
#include "ftp_fixture_ports.h"
#include "ftp_site_fixture.h"
#include <cstring>

namespace {

bool OnScreen(POINT p) {
  return p.x >= 0 && p.y >= 0 && p.x < GetSystemMetrics(SM_CXSCREEN) && p.y < GetSystemMetrics(SM_CYSCREEN);
}

// Drags that a list or a tree of this thread began (a hook on the messages sent to its windows),
// to tell a drag whose input never arrived, or came apart, from one that did nothing.
int g_dragsBegun = 0;
LRESULT CALLBACK CountDragsBegun(int code, WPARAM sent, LPARAM message) {
  if (code == HC_ACTION) {
    auto* call = reinterpret_cast<CWPSTRUCT*>(message);
    if (call->message == WM_NOTIFY && call->lParam) {
      UINT notice = reinterpret_cast<NMHDR*>(call->lParam)->code;
      if (notice == LVN_BEGINDRAG || notice == LVN_BEGINRDRAG || notice == TVN_BEGINDRAGA ||
          notice == TVN_BEGINDRAGW || notice == TVN_BEGINRDRAGA || notice == TVN_BEGINRDRAGW)
        ++g_dragsBegun;
    }
  }
  return CallNextHookEx(nullptr, code, sent, message);
}

// Keys typed into a menu of this thread once it is up: a timer's tick runs inside the menu's own
// loop; xdotool starts without being waited for, and types again while the menu stays up.
std::string g_menuKeys;
DWORD g_menuKeysSent = 0;
void CALLBACK AnswerMenu(HWND, UINT, UINT_PTR, DWORD) {
  HWND menu = FindWindowA("#32768", nullptr);
  if (g_menuKeys.empty() || !menu || !IsWindowVisible(menu)) return;
  if (g_menuKeysSent && GetTickCount() - g_menuKeysSent < 3000) return;
  g_menuKeysSent = GetTickCount();
  HANDLE process = jqtest::StartProcess("Z:\\bin\\sh -c \"xdotool key " + g_menuKeys + "\"");
  if (process) CloseHandle(process);
}

// A drag from one screen point to another with real input (see xdo::DragScript for the keys and
// the button); `menuKeys` answer the menu that a drop with the right button opens. The main
// window is brought to the front first; the drag is sent once more when its button never reached
// this program (`ours`: the drag starts in one of our windows).
bool DragWithMouse(POINT from, POINT to, const std::string& keys = "", int button = 1,
                   const std::string& menuKeys = "", bool ours = true) {
  if (!OnScreen(from) || !OnScreen(to)) {
    ADD_FAILURE() << "off the screen: " << from.x << "," << from.y << " to " << to.x << "," << to.y;
    return false;
  }
  const int key = button == 3 ? VK_RBUTTON : VK_LBUTTON;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!xdo::Activate(g_mainWindow)) return false;
    if (ours && !jqtest::PumpUntil([&] { return GetAncestor(WindowFromPoint(from), GA_ROOT) == g_mainWindow; }, 5000)) {
      ADD_FAILURE() << "the drag's start is not in the main window";
      return false;
    }
    // The control the drag starts in has the focus already: a press that first moves the focus to
    // it begins no drag here (seen with the list under Wine).
    if (ours) SetFocus(WindowFromPoint(from));
    g_dragsBegun = 0;
    g_menuKeys = menuKeys;
    g_menuKeysSent = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountDragsBegun, nullptr, GetCurrentThreadId());
    UINT_PTR answer = menuKeys.empty() ? 0 : SetTimer(nullptr, 0, 100, AnswerMenu);
    bool ran = xdo::Run(xdo::DragScript(from, to, keys, button));
    // The program may see the input later than xdotool sends it (a busy machine): wait until the
    // button is up for it too and no drag of ours is under way.
    bool ended = ran && jqtest::PumpUntil(
        [key] { return GetAsyncKeyState(key) >= 0 && g_dragSource.draggedIndex < 0; }, 15000);
    if (answer) KillTimer(nullptr, answer);
    if (hook) UnhookWindowsHookEx(hook);
    g_menuKeys.clear();
    if (!ended) return false;
    // A menu closed before it got its keys was closed by the drag's own last events, seen late.
    const bool menuAnswered = menuKeys.empty() || g_menuKeysSent != 0;
    if (!ours || (g_dragsBegun > 0 && menuAnswered)) return true;
    std::printf("the drag from %ld,%ld %s: sent once more\n", from.x, from.y,
                g_dragsBegun ? "closed its menu before the answer" : "did not begin in the program");
  }
  ADD_FAILURE() << "the drag never began, or its menu never took the answer";
  return false;
}

// Waits (pumping) for what a drop should have done; true when it came.
bool Settles(const std::function<bool()>& done) { return jqtest::PumpUntil(done, 10000); }

int FindListItem(HWND list, const std::string& name) {
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    FileListItem* record = GetListItemRecord(list, i);
    char parsing[MAX_PATH] = {};
    if (record && record->folder && record->pidl &&
        GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, parsing, MAX_PATH) &&
        lstrcmpiA(parsing, name.c_str()) == 0)
      return i;
  }
  return -1;
}

POINT ListItemPoint(HWND list, const std::string& name) {
  int index = FindListItem(list, name);
  RECT r{};
  r.left = LVIR_ICON;
  if (index < 0 || !SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) return {-1, -1};
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &p);
  return p;
}

// A point in the empty lower part of a list.
POINT ListEmptyPoint(HWND list) {
  RECT r{};
  GetClientRect(list, &r);
  POINT p{r.right - 30, r.bottom - 20};
  ClientToScreen(list, &p);
  return p;
}

POINT TreeItemPoint(HWND tree, HTREEITEM item) {
  RECT r{};
  if (!TreeView_GetItemRect(tree, item, &r, TRUE)) return {-1, -1};
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(tree, &p);
  return p;
}

class DragDrop : public ::testing::Test {
 protected:
  void SetUp() override {
    a = temp.MakeFolder("A");
    b = temp.MakeFolder("B");
    temp.MakeFolder("A\\sub");
    for (const char* name : {"move.txt", "copy.txt", "shift.txt", "link.txt", "totree.txt", "self.txt", "right.txt",
                             "kept.txt"})
      temp.WriteFile(std::string("A\\") + name, name);
    host.reset(new frametest::MainWindowHost(true, 1000, 640));
    // Whole on the screen (its frame too, whatever the window manager adds), above every other
    // window and with the focus, so that the pointer's events reach this one.
    SetWindowPos(host->window, HWND_TOPMOST, 30, 30, 1000, 640, 0);
    ASSERT_TRUE(jqtest::BringToFront(host->window));
    Show();
  }
  void TearDown() override {
    host.reset();
    // The pointer rests in the screen's corner, away from other programs' windows.
    xdo::Run("xdotool mousemove 1279 899");
  }
  // Both panes show their folders afresh (after a drop the lists are read again).
  void Show() {
    ASSERT_TRUE(host->Browse(b, 1));
    ASSERT_TRUE(host->Browse(a, 0));
  }

  jqtest::TempFolder temp;
  std::string a, b;
  std::unique_ptr<frametest::MainWindowHost> host;
};

}  // namespace

TEST_F(DragDrop, ListToListMovesCopiesAndLinksAsTheKeysSay) {
  struct Case {
    const char* name;
    const char* keys;
    bool stays, arrives, linked;
  } cases[] = {
      {"move.txt", "", false, true, false},
      {"copy.txt", "ctrl", true, true, false},
      {"shift.txt", "shift", false, true, false},
      {"link.txt", "ctrl+shift", true, false, true},
  };
  for (const Case& c : cases) {
    Show();
    POINT from = ListItemPoint(FilePanes[0].list, c.name);
    ASSERT_GE(from.x, 0) << c.name;
    ASSERT_TRUE(DragWithMouse(from, ListEmptyPoint(FilePanes[1].list), c.keys)) << c.name;
    Settles([&] {
      return jqtest::FileExists(a + "\\" + c.name) == c.stays && jqtest::FileExists(b + "\\" + c.name) == c.arrives &&
             jqtest::FileExists(b + "\\" + c.name + ".lnk") == c.linked;
    });
    EXPECT_EQ(jqtest::FileExists(a + "\\" + c.name), c.stays) << c.name;
    EXPECT_EQ(jqtest::FileExists(b + "\\" + c.name), c.arrives) << c.name;
    if (c.arrives) {
      EXPECT_EQ(jqtest::ReadFileText(b + "\\" + c.name), c.name);
    }
    EXPECT_EQ(jqtest::FileExists(b + "\\" + c.name + ".lnk"), c.linked) << c.name;
  }
  // No drop highlight is left behind.
  EXPECT_EQ(SendMessageA(FilePanes[1].list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED), -1);
}

// A drag with the right button asks what to do when it is dropped: the menu's choice is done, and
// its Cancel does nothing.
TEST_F(DragDrop, RightButtonDropAsksAndDoesTheChoice) {
  struct Case {
    const char* name;
    const char* answer;  // keys typed into the drop menu
    bool stays, arrives;
  } cases[] = {
      {"right.txt", "c", true, true},       // "Copy here" by its access key
      {"kept.txt", "Escape", true, false},  // the menu closed: nothing happens
  };
  for (const Case& c : cases) {
    Show();
    POINT from = ListItemPoint(FilePanes[0].list, c.name);
    ASSERT_GE(from.x, 0) << c.name;
    ASSERT_TRUE(DragWithMouse(from, ListEmptyPoint(FilePanes[1].list), "", 3, c.answer)) << c.name;
    // The menu has closed and the drop has returned: what it did is done.
    Settles([&] {
      return jqtest::FileExists(a + "\\" + c.name) == c.stays && jqtest::FileExists(b + "\\" + c.name) == c.arrives;
    });
    EXPECT_EQ(jqtest::FileExists(a + "\\" + c.name), c.stays) << c.name;
    EXPECT_EQ(jqtest::FileExists(b + "\\" + c.name), c.arrives) << c.name;
  }
}

TEST_F(DragDrop, ListToTreeFolderAndAFolderOntoItselfIsRefused) {
  HWND tree = FilePanes[0].tree;
  HTREEITEM folderA = TreeView_GetSelection(tree);
  ASSERT_NE(folderA, nullptr);
  TreeView_Expand(tree, folderA, TVE_EXPAND);
  jqtest::PumpPending();
  HTREEITEM sub = TreeView_GetChild(tree, folderA);
  ASSERT_NE(sub, nullptr);
  ASSERT_TRUE(DragWithMouse(ListItemPoint(FilePanes[0].list, "totree.txt"), TreeItemPoint(tree, sub)));
  Settles([&] { return jqtest::FileExists(a + "\\sub\\totree.txt"); });
  EXPECT_EQ(jqtest::ReadFileText(a + "\\sub\\totree.txt"), "totree.txt");
  EXPECT_FALSE(jqtest::FileExists(a + "\\totree.txt"));
  EXPECT_EQ(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0), 0);

  // The folder "sub" dragged onto its own tree node and onto itself in the list: nothing moves.
  Show();
  folderA = TreeView_GetSelection(tree);
  TreeView_Expand(tree, folderA, TVE_EXPAND);
  sub = TreeView_GetChild(tree, folderA);
  ASSERT_NE(sub, nullptr);
  ASSERT_TRUE(DragWithMouse(ListItemPoint(FilePanes[0].list, "sub"), TreeItemPoint(tree, sub)));
  EXPECT_TRUE(jqtest::FolderExists(a + "\\sub"));
  EXPECT_FALSE(jqtest::FolderExists(a + "\\sub\\sub"));
  Show();
  POINT self = ListItemPoint(FilePanes[0].list, "sub");
  ASSERT_TRUE(DragWithMouse(self, {self.x + 3, self.y + 2}));
  EXPECT_TRUE(jqtest::FolderExists(a + "\\sub"));
  EXPECT_TRUE(jqtest::FileExists(a + "\\sub\\totree.txt"));
  EXPECT_EQ(SendMessageA(FilePanes[0].list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_DROPHILITED), -1);
}

TEST_F(DragDrop, OntoTheDriveBarButtonOfTheDrive) {
  HWND bar = g_frame.driveBar;
  ASSERT_NE(bar, nullptr);
  int count = static_cast<int>(SendMessageA(bar, TB_BUTTONCOUNT, 0, 0));
  int drive = -1;
  char letter = static_cast<char>(toupper(a[0]));
  for (int i = 0; i < count && drive < 0; ++i) {
    TBBUTTON button{};
    SendMessageA(bar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
    if (button.dwData == static_cast<DWORD_PTR>(letter)) drive = i;
  }
  ASSERT_GE(drive, 0);
  // The middle of the part of the button that shows: within the bar and on the screen.
  RECT button{}, shown{};
  ASSERT_TRUE(SendMessageA(bar, TB_GETITEMRECT, drive, reinterpret_cast<LPARAM>(&button)));
  MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&button), 2);
  RECT barRect{}, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  GetWindowRect(bar, &barRect);
  ASSERT_TRUE(IntersectRect(&shown, &button, &barRect) && IntersectRect(&shown, &shown, &screen))
      << "the drive's button is hidden: " << button.left << "," << button.top << " in " << barRect.left << ","
      << barRect.top << "-" << barRect.right << "," << barRect.bottom;
  POINT target{(shown.left + shown.right) / 2, (shown.top + shown.bottom) / 2};
  ASSERT_TRUE(jqtest::PumpUntil([&] { return WindowFromPoint(target) == bar; }, 5000)) << "the bar is under the point";
  std::string name = "jq-drivebar-" + std::to_string(GetCurrentProcessId()) + ".txt";
  temp.WriteFile("A\\" + name, "drive");
  // The pane already shows the folder: it is read again, and the new file is dragged once listed.
  host->Command(ID_VIEW_REFRESH);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return FindListItem(FilePanes[0].list, name) >= 0; }, 10000));
  POINT from = ListItemPoint(FilePanes[0].list, name);
  ASSERT_GE(from.x, 0);
  std::string root = std::string(1, letter) + ":\\" + name;
  // Copy with Ctrl, so that the source stays and the root gets a copy.
  ASSERT_TRUE(DragWithMouse(from, target, "ctrl"));
  Settles([&] { return jqtest::FileExists(root); });
  EXPECT_EQ(jqtest::ReadFileText(root), "drive");
  EXPECT_TRUE(jqtest::FileExists(a + "\\" + name));
  DeleteFileA(root.c_str());
}

TEST_F(DragDrop, AFileFromAnotherProgramDropsOntoTheList) {
  std::string outside = temp.WriteFile("E\\outside.txt", "from the helper");
  RECT main{};
  GetWindowRect(host->window, &main);
  POINT start{main.right + 60, 100};
  HANDLE process = xdo::StartDropHelper({start.x - 40, start.y - 40}, outside);
  ASSERT_NE(process, nullptr);
  // The helper takes the button: its end (its exit code) says that the drag arrived.
  ASSERT_TRUE(DragWithMouse(start, ListEmptyPoint(FilePanes[1].list), "", 1, "", false));
  if (!jqtest::PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 5000)) {
    ASSERT_TRUE(DragWithMouse(start, ListEmptyPoint(FilePanes[1].list), "", 1, "", false));
  }
  int code = jqtest::WaitProcess(process, 15000);
  Settles([&] { return jqtest::FileExists(b + "\\outside.txt"); });
  CloseHandle(process);
  EXPECT_EQ(code, 100 + DROPEFFECT_MOVE);
  EXPECT_EQ(jqtest::ReadFileText(b + "\\outside.txt"), "from the helper");
  EXPECT_FALSE(jqtest::FileExists(outside));
}

TEST_F(DragDrop, AnEntryDraggedOutOfAnOpenZipArrivesAsARealFile) {
  // The archive libraries are found through the program folder.
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(host->registry.machine(), "Software\\Belmoor\\Quorvanel\\CurrentVersion", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::string program = jqtest::ProgramFolder();
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(program.c_str()),
                 static_cast<DWORD>(program.size() + 1));
  RegCloseKey(key);
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  ASSERT_NE(unixName, nullptr);
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, a.c_str(), -1, wide, MAX_PATH);
  char* folder = unixName(wide);
  ASSERT_NE(folder, nullptr);
  std::string unixFolder = folder;
  HeapFree(GetProcessHeap(), 0, folder);
  // A zip made by the real zip tool.
  ASSERT_TRUE(xdo::Run("cd '" + unixFolder +
                        "' && mkdir -p inner && printf 'zip bytes 123' > inner/data.txt && zip -q pack.zip "
                        "inner/data.txt && rm -r inner"));
  std::string zip = a + "\\pack.zip";
  ASSERT_TRUE(jqtest::FileExists(zip));
  // The folder's watcher saw the archive being made: its reports are dropped, so that no refresh
  // reads the archive again while it is dragged from (the folder is watched afresh below).
  StopPaneWatcher(0);
  NavigatePaneToPath(0, a.c_str(), TRUE);
  ASSERT_TRUE(jqtest::PumpThroughQueue(300));
  ASSERT_NE(NavigatePaneToPath(0, zip.c_str(), TRUE), nullptr);
  HWND list = FilePanes[0].list;
  ASSERT_TRUE(jqtest::PumpUntil(
      [&] { return FilePanes[0].listKind == kListKindArchive && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0; },
      5000));
  int entry = -1;
  for (int i = 0, n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); i < n && entry < 0; ++i) {
    FileListItem* record = GetListItemRecord(list, i);
    if (record && record->entryPath && strstr(record->entryPath, "data.txt")) entry = i;
  }
  ASSERT_GE(entry, 0);
  RECT r{};
  r.left = LVIR_ICON;
  SendMessageA(list, LVM_GETITEMRECT, entry, reinterpret_cast<LPARAM>(&r));
  POINT from{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &from);
  ASSERT_TRUE(DragWithMouse(from, ListEmptyPoint(FilePanes[1].list)));
  Settles([&] { return jqtest::FileExists(b + "\\data.txt"); });
  EXPECT_EQ(jqtest::ReadFileText(b + "\\data.txt"), "zip bytes 123");
  EXPECT_TRUE(jqtest::FileExists(zip));
}

TEST_F(DragDrop, AFileDraggedOutOfAnFtpFolderArrivesAsARealFile) {
  int port = jqtest::FtpPort(JQ_FTP_FIXTURES, "pyftpd");
  ASSERT_NE(port, 0);
  // A file of its own on the server, big enough to take a moment.
  std::string content(300000, 'f');
  for (size_t i = 0; i < content.size(); i += 7) content[i] = static_cast<char>('a' + i % 26);
  std::string onServer = std::string(JQ_FTP_FIXTURES) + "\\py\\listing\\dragged.bin";
  {
    FILE* f = std::fopen(onServer.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
  }
  ASSERT_TRUE(ftptest::SaveLoopbackSite("Dragged", port));
  ASSERT_TRUE(ftptest::StartFtpLibraryQuietly());

  // Pane 0 shows the site's folder "listing", pane 1 the local folder B.
  HWND tree = FilePanes[0].tree, list = FilePanes[0].list;
  AddFtpSitesRoot(tree);
  ASSERT_NE(NavigatePaneToPath(0, "FTP:", TRUE), nullptr);
  HTREEITEM sitesNode = TreeView_GetSelection(tree);
  TreeView_Expand(tree, sitesNode, TVE_EXPAND);
  HTREEITEM site = jqtest::TreeChildByText(tree, sitesNode, "Dragged");
  ASSERT_NE(site, nullptr);
  TreeView_SelectItem(tree, site);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return jqtest::ListIndexOfText(list, "listing") >= 0; }, 20000));
  TreeView_Expand(tree, site, TVE_EXPAND);
  HTREEITEM listing = jqtest::TreeChildByText(tree, site, "listing");
  ASSERT_NE(listing, nullptr);
  TreeView_SelectItem(tree, listing);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return jqtest::ListIndexOfText(list, "dragged.bin") >= 0; }, 20000));
  ASSERT_TRUE(jqtest::PumpThroughQueue(300));

  int index = jqtest::ListIndexOfText(list, "dragged.bin");
  RECT ir{};
  ir.left = LVIR_ICON;
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&ir)));
  POINT from{(ir.left + ir.right) / 2, (ir.top + ir.bottom) / 2};
  ClientToScreen(list, &from);
  ASSERT_TRUE(DragWithMouse(from, ListEmptyPoint(FilePanes[1].list)));
  Settles([&] { return jqtest::FileExists(b + "\\dragged.bin"); });
  EXPECT_EQ(jqtest::ReadFileText(b + "\\dragged.bin"), content);
  // The remote file stays where it was: a drag out of a server copies.
  EXPECT_TRUE(jqtest::FileExists(onServer));
  DeleteFileA(onServer.c_str());
  host.reset();
  ShutdownFtp();
}
