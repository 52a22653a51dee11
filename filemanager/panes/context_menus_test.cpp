// Context menus and opening items on the real main window: the shell's menu for a real file with
// our Rename entry and a verb run through it, the menus built from the string table, and what a
// double-click on a list item opens.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <map>
#include <string>
#include <vector>
#include "context_menus.h"
#include "file_list.h"
#include "frame_test_host.h"
#include "navigation_history.h"
#include "resource.h"
#include "test_support.h"

using namespace jqtest;

namespace {

int IndexOf(HWND list, const std::string& name) {
  char text[MAX_PATH];
  for (int i = 0; i < ListView_GetItemCount(list); ++i) {
    ListView_GetItemText(list, i, 0, text, sizeof text);
    if (name == text) return i;
  }
  return -1;
}

void SelectOnly(HWND list, int index) {
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// The shell's command ids of a file's context menu (first id 1), by canonical verb.
std::map<std::string, UINT> ShellVerbIds(FileListItem* record) {
  std::map<std::string, UINT> ids;
  IContextMenu* menu = nullptr;
  LPCITEMIDLIST item = record->pidl;
  if (FAILED(record->folder->GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr,
                                           reinterpret_cast<void**>(&menu))))
    return ids;
  HMENU popup = CreatePopupMenu();
  menu->QueryContextMenu(popup, 0, 1, 32767, CMF_EXPLORE);
  for (int i = 0; i < GetMenuItemCount(popup); ++i) {
    UINT id = GetMenuItemID(popup, i);
    char verb[64] = "";
    if (id && id != static_cast<UINT>(-1) &&
        SUCCEEDED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, verb, sizeof verb)) && verb[0])
      ids[verb] = id;
  }
  DestroyMenu(popup);
  menu->Release();
  return ids;
}

struct MenuRecord {
  std::vector<UINT> ids;
  std::vector<std::string> texts;
  std::vector<UINT> states;
};

MenuRecord Read(HMENU menu) {
  MenuRecord r;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[200] = "";
    GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
    r.ids.push_back(GetMenuItemID(menu, i));
    r.texts.push_back(text);
    r.states.push_back(GetMenuState(menu, i, MF_BYPOSITION));
  }
  return r;
}

// Answers popup menus with `answer` (a function of the menu) and keeps what they held.
struct MenuSeam {
  SeamRecorder recorder;
  std::vector<MenuRecord> menus;
  std::function<UINT(const MenuRecord&)> answer = [](const MenuRecord&) { return 0u; };
  MenuSeam() {
    seams::Handlers h = seams::CurrentHandlers();
    h.popupMenu = [this](HMENU menu, UINT, int, int, HWND) -> UINT {
      menus.push_back(Read(menu));
      return answer(menus.back());
    };
    seams::SetHandlers(h);
  }
};

}  // namespace

TEST(ContextMenus, ShellMenuOfARealFileGetsRenameAndRunsCutAndCopy) {
  TempFolder folder;
  folder.WriteFile("note.txt", "hello");
  frametest::MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  HWND list = FilePanes[0].list;
  SetFocus(list);
  PumpPending();
  int index = IndexOf(list, "note.txt");
  ASSERT_GE(index, 0);
  SelectOnly(list, index);
  FileListItem* record = GetListItemRecord(list, index);
  ASSERT_TRUE(record);
  std::map<std::string, UINT> verbs = ShellVerbIds(record);
  ASSERT_TRUE(verbs.count("cut") && verbs.count("copy")) << "the shell offers cut and copy";

  MenuSeam seam;
  seam.answer = [&](const MenuRecord&) { return verbs["cut"]; };
  OpenClipboard(nullptr);
  EmptyClipboard();
  CloseClipboard();
  POINT at = {100, 100};
  EXPECT_EQ(ShowSelectionContextMenu(host.window, &at, 0), 1u);
  ASSERT_EQ(seam.menus.size(), 1u);
  const MenuRecord& shown = seam.menus[0];
  // Our Rename sits before the last two entries of the shell's menu.
  ASSERT_GE(shown.ids.size(), 3u);
  EXPECT_EQ(shown.ids[shown.ids.size() - 3], 40017u);
  EXPECT_EQ(shown.texts[shown.ids.size() - 3], frametest::LoadText(IDS_MENU_RENAME));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP)) << "cut put the file on the clipboard";
  EXPECT_TRUE(ListView_GetItemState(list, index, LVIS_CUT) & LVIS_CUT) << "the cut item is dimmed";

  // Copy clears the cut marks.
  seam.answer = [&](const MenuRecord&) { return verbs["copy"]; };
  ShowSelectionContextMenu(host.window, &at, 0);
  EXPECT_FALSE(ListView_GetItemState(list, index, LVIS_CUT) & LVIS_CUT);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));

  // Rename from the menu asks the main window for an in-place rename.
  seam.answer = [](const MenuRecord&) { return 40017u; };
  ShowSelectionContextMenu(host.window, &at, 0);
  MSG m;
  bool posted = false;
  while (PeekMessageA(&m, host.window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
    if (LOWORD(m.wParam) == ID_FILE_RENAME) posted = true;
  EXPECT_TRUE(posted);
  EXPECT_TRUE(FileExists(folder / "note.txt"));
}

TEST(ContextMenus, BackgroundArchiveAndBarMenusFromTheStringTable) {
  TempFolder folder;
  folder.MakeFolder("inner");
  frametest::MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  MenuSeam seam;
  seam.answer = [](const MenuRecord&) { return 40003u; };
  POINT at = {50, 50};
  EXPECT_EQ(ShowPaneBackgroundMenu(host.window, at, FALSE), 40003u);
  ASSERT_EQ(seam.menus.size(), 1u);
  const MenuRecord& shell = seam.menus[0];
  EXPECT_EQ(shell.ids[0], static_cast<UINT>(-1)) << "a shell pane starts with the View submenu";
  EXPECT_EQ(shell.texts[0], frametest::LoadText(IDS_MENU_VIEW));
  EXPECT_EQ(shell.texts[1], frametest::LoadText(IDS_MENU_ARRANGE));
  auto find = [](const MenuRecord& r, UINT id) {
    for (size_t i = 0; i < r.ids.size(); ++i)
      if (r.ids[i] == id) return static_cast<int>(i);
    return -1;
  };
  int back = find(shell, ID_GO_BACK), forward = find(shell, ID_GO_FORWARD);
  ASSERT_GE(back, 0);
  ASSERT_GE(forward, 0);
  EXPECT_EQ(CanGoBack(0), !(shell.states[back] & MF_GRAYED));
  EXPECT_TRUE(shell.states[forward] & MF_GRAYED) << "nothing to go forward to";
  for (UINT id : {40063u, 40075u, 40062u, 40009u, 40042u, 40012u}) EXPECT_GE(find(shell, id), 0) << id;
  // The favorites popup is the menu bar's: still there after the menu went.
  HMENU favorites = GetSubMenu(GetMenu(host.window), 5);
  ASSERT_TRUE(favorites);
  EXPECT_TRUE(IsMenu(favorites));

  ShowPaneBackgroundMenu(host.window, at, TRUE);
  ASSERT_EQ(seam.menus.size(), 2u);
  EXPECT_EQ(seam.menus[1].ids[0], 40068u) << "an archive pane offers Extract first";
  EXPECT_EQ(seam.menus[1].texts[0], frametest::LoadText(IDS_MENU_EXTRACT));

  ShowArchiveListMenu(host.window, at);
  ASSERT_EQ(seam.menus.size(), 3u);
  EXPECT_EQ(seam.menus[2].ids[0], 40045u);
  EXPECT_EQ(find(seam.menus[2], ID_FILE_DELETE), -1) << "delete only inside a zip";
}

TEST(ContextMenus, RightClickOnTheBackgroundSendsTheChosenCommand) {
  TempFolder folder;
  frametest::MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  FilePanes[0].viewId = ID_VIEW_LIST;
  MenuSeam seam;
  seam.answer = [](const MenuRecord&) { return 40004u; };
  HWND list = FilePanes[0].list;
  RECT r;
  GetWindowRect(list, &r);
  ASSERT_TRUE(jqtest::MoveCursorTo({r.right - 20, r.bottom - 20})) << r.right << "," << r.bottom;
  EXPECT_EQ(OnPaneRightClick(host.window, 0, list), 1);
  ASSERT_EQ(seam.menus.size(), 1u);
  EXPECT_EQ(FilePanes[0].viewId, 40004u) << "the details view was chosen";
  EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
}

TEST(ContextMenus, OpeningListItems) {
  TempFolder folder;
  folder.WriteFile("readme.txt", "text");
  folder.WriteFile("broken.exe", "this is no program");
  folder.MakeFolder("sub");
  frametest::MainWindowHost host;
  ASSERT_TRUE(host.Browse(folder.path()));
  HWND list = FilePanes[0].list;
  SeamRecorder seams;

  // A file goes to the shell, from its own folder.
  FileListItem* readme = GetListItemRecord(list, IndexOf(list, "readme.txt"));
  ASSERT_TRUE(readme);
  EXPECT_EQ(OpenListItem(readme, FALSE), 1u);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, folder / "readme.txt");
  std::string directory = seams.starts[0].directory;
  if (!directory.empty() && directory.back() == '\\') directory.pop_back();
  EXPECT_EQ(directory, folder.path());

  // A ".exe" that is no program is refused with our message, and never reaches the shell.
  FileListItem* broken = GetListItemRecord(list, IndexOf(list, "broken.exe"));
  ASSERT_TRUE(broken);
  EXPECT_FALSE(IsExecutableFile((folder / "broken.exe").c_str()));
  EXPECT_EQ(OpenListItem(broken, FALSE), 1u);
  ASSERT_EQ(seams.boxes.size(), 1u);
  char expected[600];
  snprintf(expected, sizeof expected, frametest::LoadText(IDS_NOT_VALID_APPLICATION).c_str(),
           (folder / "broken.exe").c_str());
  EXPECT_EQ(seams.boxes[0].text, expected);
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(seams.starts.size(), 1u);

  // A folder is entered through the tree: the tree selects it and the list follows.
  FileListItem* sub = GetListItemRecord(list, IndexOf(list, "sub"));
  ASSERT_TRUE(sub);
  EXPECT_EQ(OpenListItem(sub, FALSE), 1u);
  char path[MAX_PATH] = "";
  ASSERT_TRUE(GetTreeSelectionPath(FilePanes[0].tree, path, FALSE, TRUE));
  EXPECT_EQ(std::string(path), folder / "sub");
  EXPECT_EQ(seams.starts.size(), 1u);

  // The up entry goes up one level.
  EXPECT_EQ(OpenListItem(nullptr, FALSE), 1u);
  MSG m;
  bool up = false;
  while (PeekMessageA(&m, host.window, WM_COMMAND, WM_COMMAND, PM_REMOVE))
    if (LOWORD(m.wParam) == ID_GO_UP) up = true;
  EXPECT_TRUE(up);
}
