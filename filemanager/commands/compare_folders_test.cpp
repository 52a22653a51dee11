// Compare Folders and Synchronize Folders from JQNavig's real main window, with folmatch.dll
// from the program folder: the four modes mark the right items, the refusals, a missing or
// incomplete library, and a synchronisation of the two panes' folders checked on disk.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <set>
#include <string>
#include "compare_folders.h"
#include "file_list.h"
#include "file_pane.h"
#include "folmatch_resource.h"
#include "frame_test_host.h"
#include "modal_driver_test_host.h"
#include "resource.h"
#include "settings_store.h"
#include "test_support.h"

using modaltest::Click;
using modaltest::ModalDriver;
using modaltest::PostClick;

namespace {

std::set<std::string> SelectedNames(HWND list) {
  std::set<std::string> names;
  for (int i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); i >= 0;
       i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) {
    char text[MAX_PATH] = "";
    LVITEMA item{};
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
    names.insert(text);
  }
  return names;
}

bool IsCompareDialog(HWND w) { return GetDlgItem(w, IDC_CMP_TREE) != nullptr; }

class CompareFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tests run from their own folder; the library is in the program folder.
    library = jqtest::ProgramFolder() + "\\folmatch.dll";
    g_folderMatchFile = library.c_str();
    GetLiveOptions().showUpEntry = 0;
    mine = temp.MakeFolder("mine");
    other = temp.MakeFolder("other");
    Put("mine\\only.txt", "only", 100);
    Put("mine\\same.txt", "same", 100);
    Put("other\\same.txt", "same", 100);
    Put("mine\\newer.txt", "new", 500);
    Put("other\\newer.txt", "old", 100);
    Put("mine\\older.txt", "old", 100);
    Put("other\\older.txt", "new", 500);
    Put("other\\elsewhere.txt", "x", 100);
    temp.MakeFolder("mine\\both");
    temp.MakeFolder("other\\both");
    temp.MakeFolder("mine\\alone");
  }
  void Put(const std::string& relative, const std::string& text, int time) {
    jqtest::SetWriteTimeFromBase(temp.WriteFile(relative, text), time);
  }
  // Runs the command with the other folder typed and a mode chosen.
  bool Compare(int radio) {
    ModalDriver driver({
        [&](HWND w) {
          if (!IsCompareDialog(w)) return false;
          SetDlgItemTextA(w, IDC_CMP_COMBO, other.c_str());
          Click(w, radio);
          PostClick(w, IDOK);
          return true;
        },
    });
    host.Command(ID_TOOLS_COMPARE);
    return driver.Finished();
  }

  void TearDown() override { g_folderMatchFile = "folmatch.dll"; }

  std::string library;
  jqtest::TempFolder temp;
  std::string mine, other;
  frametest::MainWindowHost host{false, 900, 600};
  jqtest::SeamRecorder seams;
};

TEST_F(CompareFoldersTest, EachModeSelectsItsFilesAndNeverAFolder) {
  ASSERT_TRUE(host.Browse(mine));
  HWND list = FilePanes[0].list;
  struct Case {
    int radio;
    std::set<std::string> selected;
    uint32_t stored[3];
  } cases[] = {
      {IDC_CMP_UNIQUE, {"only.txt"}, {1, 0, 0}},
      {IDC_CMP_DUPLICATES, {"same.txt", "newer.txt", "older.txt"}, {0, 0, 0}},
      {IDC_CMP_NEWER, {"newer.txt"}, {0, 1, 0}},
      {IDC_CMP_OLDER, {"older.txt"}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Compare(c.radio)) << c.radio;
    EXPECT_EQ(SelectedNames(list), c.selected) << c.radio;
    uint8_t bytes[12];
    DWORD size = sizeof bytes;
    ASSERT_TRUE(ReadSettingBinary("Compare Folders", bytes, &size));
    EXPECT_EQ(size, 12u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(bytes[4 * i], c.stored[i]) << c.radio << " field " << i;
  }
  EXPECT_STREQ(CompareTarget, other.c_str());
  EXPECT_TRUE(seams.boxes.empty());
  // The dialog opens again on the last mode and folder.
  int checked = 0;
  char shown[MAX_PATH] = "";
  ModalDriver driver({[&](HWND w) {
    if (!IsCompareDialog(w)) return false;
    checked = IsDlgButtonChecked(w, IDC_CMP_OLDER);
    GetDlgItemTextA(w, IDC_CMP_COMBO, shown, sizeof shown);
    PostClick(w, IDCANCEL);
    return true;
  }});
  host.Command(ID_TOOLS_COMPARE);
  EXPECT_EQ(checked, BST_CHECKED);
  EXPECT_STREQ(shown, other.c_str());
}

TEST_F(CompareFoldersTest, BlankPathIsRefusedAndTheDialogStays) {
  ASSERT_TRUE(host.Browse(mine));
  seams.boxAnswers = {IDOK};
  ModalDriver driver({
      [&](HWND w) {
        if (!IsCompareDialog(w)) return false;
        SetDlgItemTextA(w, IDC_CMP_COMBO, "   ");
        Click(w, IDOK);
        return true;
      },
      [&](HWND w) {
        if (!IsCompareDialog(w)) return false;
        PostClick(w, IDCANCEL);
        return true;
      },
  });
  host.Command(ID_TOOLS_COMPARE);
  EXPECT_TRUE(driver.Finished());
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, frametest::LoadText(IDS_ENTER_COMPARE_PATH));
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST_F(CompareFoldersTest, MyComputerIsRefused) {
  HWND tree = FilePanes[0].tree;
  ASSERT_TRUE(host.Browse(mine));
  LPITEMIDLIST drives = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
  HTREEITEM found = nullptr;
  for (HTREEITEM item = TreeView_GetChild(tree, TreeView_GetRoot(tree)); item && !found;
       item = TreeView_GetNextSibling(tree, item)) {
    LPCITEMIDLIST absolute = TreeItemAbsolutePidl(tree, item);
    if (absolute && ILIsEqual(absolute, drives)) found = item;
  }
  CoTaskMemFree(drives);
  ASSERT_NE(found, nullptr);
  TreeView_SelectItem(tree, found);
  ASSERT_TRUE(jqtest::PumpThroughQueue(300));
  host.Command(ID_TOOLS_COMPARE);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
  std::string format = frametest::LoadText(IDS_CANNOT_COMPARE);
  EXPECT_EQ(seams.boxes[0].text.substr(0, format.find("%s")), format.substr(0, format.find("%s")));
}

TEST_F(CompareFoldersTest, MissingOrIncompleteLibraryIsReportedAndChangesNothing) {
  ASSERT_TRUE(host.Browse(mine));
  HWND list = FilePanes[0].list;
  ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
  std::set<std::string> before = SelectedNames(list);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  const std::string incomplete = std::string(system) + "\\version.dll";  // a real DLL without the four functions
  for (const char* file : {"absent-folmatch.dll", incomplete.c_str()}) {
    g_folderMatchFile = file;
    seams.boxes.clear();
    ASSERT_TRUE(Compare(IDC_CMP_UNIQUE)) << file;
    EXPECT_EQ(SelectedNames(list), before) << file;
    host.Command(ID_TOOLS_SYNCHRONIZE);
    ASSERT_EQ(seams.boxes.size(), 2u) << file;
    for (const auto& box : seams.boxes) {
      EXPECT_EQ(box.text, frametest::LoadText(IDS_NO_FOLDMATCH));
      EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
    }
  }
  EXPECT_EQ(GetModuleHandleA("folmatch.dll"), nullptr);
}

TEST_F(CompareFoldersTest, SynchronizeCopiesBetweenTheTwoPanesFolders) {
  host.Close();
  frametest::MainWindowHost two(true, 1000, 600);
  ASSERT_TRUE(two.Browse(other, 1));
  ASSERT_TRUE(two.Browse(mine, 0));
  std::string first, second;
  ModalDriver driver({
      [&](HWND w) {
        if (!GetDlgItem(w, IDC_SYNC_LIST)) return false;
        char text[MAX_PATH] = "";
        GetDlgItemTextA(w, IDC_SYNC_FIRST, text, sizeof text);
        first = text;
        GetDlgItemTextA(w, IDC_SYNC_SECOND, text, sizeof text);
        second = text;
        PostClick(w, IDC_SYNC_BOTH);
        return true;
      },
      [&](HWND w) {
        if (!GetDlgItem(w, IDC_SYNC_LIST)) return false;
        PostClick(w, IDC_SYNC_RUN);
        return true;
      },
      [&](HWND w) {
        if (!GetDlgItem(w, IDC_SYNC_LIST) || ListView_GetItemCount(GetDlgItem(w, IDC_SYNC_LIST)) != 0) return false;
        PostClick(w, IDCANCEL);
        return true;
      },
  });
  two.Command(ID_TOOLS_SYNCHRONIZE);
  EXPECT_TRUE(driver.Finished());
  EXPECT_EQ(first, mine);
  EXPECT_EQ(second, other);
  EXPECT_EQ(jqtest::ReadFileText(other + "\\only.txt"), "only");
  EXPECT_EQ(jqtest::ReadFileText(mine + "\\elsewhere.txt"), "x");
  EXPECT_EQ(jqtest::ReadFileText(other + "\\newer.txt"), "new");
  EXPECT_EQ(jqtest::ReadFileText(mine + "\\older.txt"), "new");
  // The pane shows the copied file.
  HWND list = FilePanes[0].list;
  EXPECT_TRUE(jqtest::PumpUntil([&] {
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
      char text[MAX_PATH] = "";
      ListView_GetItemText(list, i, 0, text, sizeof text);
      if (std::string(text) == "elsewhere.txt") return true;
    }
    return false;
  }, 10000));
}

}  // namespace
