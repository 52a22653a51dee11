// The main window driven through its commands over a scanned temporary tree, and Voltaly
// started as a second process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <memory>
#include <string>
#include "disk_query.h"
#include "folder_node.h"
#include "item_ids.h"
#include "resource.h"
#include "scan_engine.h"
#include "settings_store.h"
#include "size_columns.h"
#include "test_support.h"
#include "tree_pane.h"
#include "voltaly_ui.h"

namespace {

std::unique_ptr<jqtest::TestRegistry> g_registry;
std::unique_ptr<jqtest::TempFolder> g_temp;
HWND g_window = nullptr;

uint64_t RoundUp(uint64_t size, uint64_t cluster) { return cluster ? (size + cluster - 1) / cluster * cluster : size; }

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_registry = std::make_unique<jqtest::TestRegistry>();
    g_temp = std::make_unique<jqtest::TempFolder>();
    // root: d.bin 1000; a\ 3000 + 5000; a\b\ 100000; c\ (empty); photos\ 7000
    g_temp->WriteFile("d.bin", std::string(1000, 'd'));
    g_temp->WriteFile("a\\one.bin", std::string(3000, '1'));
    g_temp->WriteFile("a\\two.bin", std::string(5000, '2'));
    g_temp->WriteFile("a\\b\\big.bin", std::string(100000, 'b'));
    g_temp->MakeFolder("c");
    g_temp->WriteFile("photos\\p.jpg", std::string(7000, 'p'));
    g_window = CreateVoltalyMainWindow(GetModuleHandleA(nullptr), g_temp->path().c_str(), SW_SHOWNORMAL);
  }
  static void TearDownTestSuite() {
    if (g_window && IsWindow(g_window)) DestroyWindow(g_window);
    jqtest::PumpPending();
    EndVoltalyRun();
    g_temp.reset();
    g_registry.reset();
  }
  void SetUp() override {
    ASSERT_NE(g_window, nullptr);
    ASSERT_TRUE(WaitScanned());
  }
  static FolderNode* Node(const std::string& relative = "") {
    return FindNodeByPath((relative.empty() ? g_temp->path() : *g_temp / relative).c_str());
  }
  static bool WaitScanned() {
    return jqtest::PumpUntil([] {
      FolderNode* n = Node();
      NodeSums s;
      if (!(RunningScanCount() == 0 && n && ReadNodeSums(n, &s) && (s.flags & kNodeSubtreeComplete) &&
            (s.flags & kNodeFilesListed) && n->mainItem))
        return false;
      // The tree items of the folders come with the queued view messages, which may still be on
      // their way when the sums are complete.
      for (const char* relative : {"a", "a\\b", "c", "photos"}) {
        FolderNode* child = Node(relative);
        if (!child || !child->mainItem) return false;
      }
      return true;
    }, 20000);
  }
  static void Command(UINT id) {
    SendMessageA(g_window, WM_COMMAND, id, 0);
    jqtest::PumpPending();
  }
  static std::string Text(uint32_t type, FolderNode* node) {
    char out[128];
    FormatColumnValue(FindColumnByType(type), node, out, sizeof out);
    return out;
  }
  static std::vector<HTREEITEM> VisibleItems(HWND tree) {
    std::vector<HTREEITEM> items;
    for (auto it = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); it;
         it = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, (LPARAM)it))
      items.push_back(it);
    return items;
  }
  static void ExpectRowsMirrorTree(HWND tree) {
    jqtest::PumpPending();
    std::vector<HTREEITEM> items = VisibleItems(tree);
    ASSERT_EQ(SizeRowCount(tree), (int)items.size());
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(SizeRowItem(tree, (int)i), items[i]) << "row " << i;
    EXPECT_EQ(SendMessageA(SizeListOf(tree), LB_GETCOUNT, 0, 0), (LRESULT)items.size());
  }
};

TEST_F(MainWindowTest, StartFolderIsScannedAndSelected) {
  FolderNode* top = Node();
  ASSERT_TRUE(top);
  EXPECT_EQ(g_voltaly.currentNode, top);
  EXPECT_EQ((HTREEITEM)SendMessageA(g_voltaly.mainTree, TVM_GETNEXTITEM, TVGN_CARET, 0), top->mainItem);
  char title[512];
  GetWindowTextA(g_window, title, sizeof title);
  EXPECT_NE(std::string(title).find(" -> "), std::string::npos);
  EXPECT_TRUE(IsWindowVisible(g_window));
}

TEST_F(MainWindowTest, SizesCountsAndPercentagesMatchTheFiles) {
  Command(CMD_REPORTED_SIZES);
  ASSERT_EQ(g_settings.sizeOnDisk, 0);
  FolderNode* top = Node();
  FolderNode* a = Node("a");
  FolderNode* b = Node("a\\b");
  FolderNode* c = Node("c");
  ASSERT_TRUE(a && b && c);
  const uint64_t aTotal = 3000 + 5000 + 100000;
  const uint64_t topTotal = aTotal + 1000 + 7000;
  EXPECT_EQ(ShownTotal(a), aTotal);
  EXPECT_EQ(ShownTotal(top), topTotal);
  char size[40];
  // Total column: final values start with a blank and carry the share of the parent.
  char expected[96];
  snprintf(expected, sizeof expected, " %s (%02.0f%%)", FormatSizeWithUnits((double)aTotal, size),
           aTotal * 100.0 / topTotal);
  EXPECT_EQ(Text(kColTotal, a), expected);
  snprintf(expected, sizeof expected, " %s", FormatSizeWithUnits(8000.0, size));
  EXPECT_EQ(Text(kColFiles, a), expected);
  EXPECT_EQ(Text(kColFileCount, a), " 2");
  EXPECT_EQ(Text(kColSubfolderCount, a), " 1");
  EXPECT_EQ(Text(kColFileCount, top), " 1");
  // An empty folder: zero counts stay empty unless the column shows zeros.
  EXPECT_EQ(Text(kColFileCount, c), " 0");
  // Full byte counts (command 45242) in every size column.
  Command(CMD_SIZE_UNITS);
  snprintf(expected, sizeof expected, " %s (%02.0f%%)", FormatThousands64(aTotal, size), aTotal * 100.0 / topTotal);
  EXPECT_EQ(Text(kColTotal, a), expected);
  Command(CMD_SIZE_UNITS);
  // Disk usage: every file rounded up to clusters plus one cluster per folder.
  Command(CMD_DISK_USAGE);
  uint64_t cluster = GetClusterSize(a);
  ASSERT_GT(cluster, 0u);
  uint64_t aAllocated = RoundUp(3000, cluster) + RoundUp(5000, cluster) + cluster + RoundUp(100000, cluster) + cluster;
  EXPECT_EQ(ShownTotal(a), aAllocated);
}

TEST_F(MainWindowTest, ExpandAndCollapseKeepRowsInStepWithTheTree) {
  HWND tree = g_voltaly.mainTree;
  FolderNode* top = Node();
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  Command(CMD_EXPAND_LEVEL);
  EXPECT_TRUE(IsItemExpanded(tree, top->mainItem));
  ExpectRowsMirrorTree(tree);
  // Largest first: the total column sorts in reverse; 'a' holds the most.
  auto first = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)top->mainItem);
  EXPECT_EQ(first, Node("a")->mainItem);
  size_t expanded = VisibleItems(tree).size();
  Command(CMD_EXPAND_ALL);
  FolderNode* a = Node("a");
  ASSERT_TRUE(jqtest::PumpUntil([&] { return IsItemExpanded(tree, a->mainItem) != FALSE; }, 10000));
  jqtest::PumpPending();
  EXPECT_GT(VisibleItems(tree).size(), expanded);
  ExpectRowsMirrorTree(tree);
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  Command(CMD_COLLAPSE);
  EXPECT_FALSE(IsItemExpanded(tree, top->mainItem));
  ExpectRowsMirrorTree(tree);
  EXPECT_LT(VisibleItems(tree).size(), expanded);
}

TEST_F(MainWindowTest, HeaderClicksSortTheTree) {
  HWND tree = g_voltaly.mainTree;
  FolderNode* top = Node();
  SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  Command(CMD_EXPAND_LEVEL);
  Command(CMD_REPORTED_SIZES);
  auto children = [&] {
    std::vector<std::string> names;
    for (auto c = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)top->mainItem); c;
         c = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)c)) {
      char text[MAX_PATH] = "";
      TVITEMA tv{};
      tv.mask = TVIF_TEXT | TVIF_HANDLE;
      tv.hItem = c;
      tv.pszText = text;
      tv.cchTextMax = sizeof text;
      SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
      names.push_back(text);
    }
    return names;
  };
  auto click = [&](uint32_t type) {
    int index = -1;
    for (int i = 0, n = (int)SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0); i < n; ++i) {
      HDITEMA hi{};
      hi.mask = HDI_LPARAM;
      SendMessageA(g_voltaly.header, HDM_GETITEMA, i, (LPARAM)&hi);
      if (hi.lParam && ((ColumnRecord*)hi.lParam)->typeId == type) index = i;
    }
    ASSERT_GE(index, 0);
    NMHEADERA nm{};
    nm.hdr.hwndFrom = g_voltaly.header;
    nm.hdr.idFrom = IDC_HEADER;
    nm.hdr.code = HDN_ITEMCLICKA;
    nm.iItem = index;
    SendMessageA(g_voltaly.paneDialog, WM_NOTIFY, IDC_HEADER, (LPARAM)&nm);
    jqtest::PumpPending();
  };
  click(kColName);  // the name column sorts in natural order first
  if (children().front() != "a") click(kColName);
  EXPECT_EQ(children(), (std::vector<std::string>{"a", "c", "photos"}));
  click(kColName);
  EXPECT_EQ(children(), (std::vector<std::string>{"photos", "c", "a"}));
  EXPECT_EQ(GetSortColumn()->typeId, kColName);
  click(kColTotal);  // largest first
  if (children().front() != "a") click(kColTotal);
  EXPECT_EQ(children(), (std::vector<std::string>{"a", "photos", "c"}));
  ExpectRowsMirrorTree(tree);
  // A second click on the sort column reverses it.
  click(kColTotal);
  EXPECT_EQ(children(), (std::vector<std::string>{"c", "photos", "a"}));
  click(kColTotal);
}

TEST_F(MainWindowTest, ShowHideCommandsFlipTheirParts) {
  struct Case { UINT command; HWND* window; uint8_t* flag; } cases[] = {
      {CMD_SHOW_TOOLBAR, &g_voltaly.toolbar, &g_settings.showToolbar},
      {CMD_SHOW_STATUS_BAR, &g_voltaly.statusBar, &g_settings.showStatusBar},
      {CMD_SHOW_TABS, &g_voltaly.tabStrip, &g_settings.showTabs},
  };
  for (const Case& c : cases) {
    bool before = *c.flag != 0;
    EXPECT_EQ(IsWindowVisible(*c.window) != FALSE, before) << c.command;
    Command(c.command);
    EXPECT_EQ(*c.flag != 0, !before) << c.command;
    EXPECT_EQ(IsWindowVisible(*c.window) != FALSE, !before) << c.command;
    Command(c.command);
    EXPECT_EQ(IsWindowVisible(*c.window) != FALSE, before) << c.command;
  }
  Command(CMD_FIND_VIEW);
  EXPECT_EQ(g_voltaly.currentTree, g_voltaly.searchTree);
  EXPECT_TRUE(IsWindowVisible(g_voltaly.searchTree));
  EXPECT_EQ(SendMessageA(g_voltaly.tabStrip, TCM_GETCURSEL, 0, 0), 1);
  Command(CMD_NORMAL_VIEW);
  EXPECT_EQ(g_voltaly.currentTree, g_voltaly.mainTree);
  EXPECT_EQ(SendMessageA(g_voltaly.tabStrip, TCM_GETCURSEL, 0, 0), 0);
}

TEST_F(MainWindowTest, MenuStateFollowsTheSelection) {
  HMENU menu = GetMenu(g_window);
  FolderNode* top = Node();
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  SendMessageA(g_window, WM_INITMENU, (WPARAM)menu, 0);
  auto enabled = [&](UINT id) { return !(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED); };
  EXPECT_TRUE(enabled(CMD_DELETE));
  EXPECT_TRUE(enabled(CMD_SCAN_DISK));
  EXPECT_FALSE(enabled(CMD_STOP_SCAN));
  // The root: no folder commands.
  auto root = (HTREEITEM)SendMessageA(g_voltaly.mainTree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)root);
  SendMessageA(g_window, WM_INITMENU, (WPARAM)menu, 0);
  EXPECT_FALSE(enabled(CMD_DELETE));
  EXPECT_FALSE(enabled(CMD_SCAN_DISK));
  // Scan Disk on the root is refused with a box.
  jqtest::SeamRecorder seams;
  Command(CMD_SCAN_DISK);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_TRUE(seams.boxes[0].type & MB_ICONSTOP);
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
}

TEST_F(MainWindowTest, RefreshFollowsFilesOnDisk) {
  g_temp->WriteFile("c\\new.bin", std::string(4096, 'n'));
  FolderNode* c = Node("c");
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)c->mainItem);
  Command(CMD_REPORTED_SIZES);
  Command(CMD_REFRESH);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return ShownTotal(c) == 4096; }, 10000));
  EXPECT_EQ(ShownTotal(Node()), 3000u + 5000 + 100000 + 1000 + 7000 + 4096);
  DeleteFileA((*g_temp / "c\\new.bin").c_str());
  Command(CMD_REFRESH);
  ASSERT_TRUE(jqtest::PumpUntil([&] { return ShownTotal(c) == 0; }, 10000));
}

TEST_F(MainWindowTest, RenameInTheTreeRefusesPaths) {
  const char* bad[] = {"..\\elsewhere", "x\\y", "a/b", "c:", "", "..", " . ", "q?"};
  for (const char* name : bad) EXPECT_FALSE(IsPlainFolderName(name)) << name;
  EXPECT_TRUE(IsPlainFolderName("新資料夾"));
  EXPECT_TRUE(IsPlainFolderName("a.b"));
  // Through the tree: the edit ends with a path; the folder stays where it is.
  FolderNode* c = Node("c");
  HWND tree = g_voltaly.mainTree;
  jqtest::SeamRecorder seams;
  SetFocus(tree);
  HWND edit = (HWND)SendMessageA(tree, TVM_EDITLABELA, 0, (LPARAM)c->mainItem);
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "..\\moved");
  SendMessageA(tree, TVM_ENDEDITLABELNOW, FALSE, 0);
  jqtest::PumpPending();
  EXPECT_EQ(seams.boxes.size(), 1u);
  EXPECT_TRUE(jqtest::FolderExists(*g_temp / "c"));
  char parent[MAX_PATH];
  snprintf(parent, sizeof parent, "%s\\..\\moved", g_temp->path().c_str());
  EXPECT_FALSE(jqtest::FolderExists(parent));
}

// Presses a button of the modal dialog that the command opens, from a timer of this thread
// (the dialog's own loop dispatches it); after `giveUpMs` the dialog is cancelled.
struct DialogDriver {
  static inline UINT button = IDOK;
  static inline std::function<void(HWND)> action;
  static inline std::function<bool(HWND)> poll;  // after the press: true closes the dialog
  static inline int ticks = 0;
  static inline bool pressed = false;
  static HWND FindDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), Each, (LPARAM)&found);
    return found;
  }
  static BOOL CALLBACK Each(HWND w, LPARAM p) {
    char cls[32];
    GetClassNameA(w, cls, sizeof cls);
    if (strcmp(cls, "#32770") == 0 && IsWindowVisible(w) && GetWindow(w, GW_OWNER) == g_window) {
      *(HWND*)p = w;
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindDialog();
    if (!dialog) return;
    ++ticks;
    if (!pressed) {
      pressed = true;
      if (action) action(dialog);
      else PostMessageA(dialog, WM_COMMAND, button, 0);
    } else if (poll && poll(dialog)) {
      poll = nullptr;
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    } else if (ticks > 100) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
  }
  static void Run(UINT command, UINT press, std::function<void(HWND)> act = nullptr) {
    action = std::move(act);
    button = press;
    ticks = 0;
    pressed = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, Tick);
    SendMessageA(g_window, WM_COMMAND, command, 0);
    KillTimer(nullptr, timer);
    jqtest::PumpPending();
  }
};

TEST_F(MainWindowTest, FindFoldersFillsTheResultsTree) {
  Command(CMD_REPORTED_SIZES);
  FolderNode* top = Node();
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  FolderCriteria criteria;  // total size greater than 50,000 bytes
  criteria.size1 = 50000;
  criteria.comparison = 2;
  criteria.sizeSwitch = 0x80;
  criteria.lastPage = 0;
  g_settings.findCriteria = criteria;
  jqtest::SeamRecorder seams;  // "scan the unfinished drive?" is answered No
  DialogDriver::Run(CMD_FIND_FOLDERS, IDOK);
  EXPECT_EQ(g_voltaly.currentTree, g_voltaly.searchTree);
  EXPECT_TRUE(top->searchItem);
  EXPECT_TRUE(Node("a")->searchItem);
  EXPECT_TRUE(Node("a\\b")->searchItem);
  EXPECT_FALSE(Node("c")->searchItem);
  EXPECT_FALSE(Node("photos")->searchItem);
  // The results share the nodes: their rows show the same numbers.
  ExpectRowsMirrorTree(g_voltaly.searchTree);
  EXPECT_EQ(GetItemNode(g_voltaly.searchTree, Node("a")->searchItem), Node("a"));
  Command(CMD_NORMAL_VIEW);
}

// The search thread matches against its own copy of the criteria: a page changed while the
// search runs does not change what it looks for.
TEST_F(MainWindowTest, ASearchKeepsTheCriteriaItWasStartedWith) {
  Command(CMD_REPORTED_SIZES);
  FolderNode* top = Node();
  DriveNode* drive = top ? AsDrive(top->drive) : nullptr;
  ASSERT_NE(drive, nullptr);
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  FolderCriteria criteria;  // total size greater than 50,000 bytes: a and a\b (the top, unfinished, not)
  criteria.size1 = 50000;
  criteria.comparison = 2;
  criteria.sizeSwitch = 0x80;
  criteria.lastPage = 0;
  g_settings.findCriteria = criteria;
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDNO};  // an unfinished drive is not scanned
  // An unfinished folder (c, and so the top) holds the search at the top while the drive shows
  // as busy; meanwhile the size criterion is switched off on its page.
  ResetCompletion(Node("c"));
  ScanThreadEntry holder;
  DialogDriver::Run(CMD_FIND_FOLDERS, IDOK, [&](HWND dialog) {
    SendMessageA(dialog, WM_COMMAND, 1072, 0);  // scope: the current folder
    drive->busyScan.store(&holder);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    HWND sizePage = nullptr;
    for (HWND w = FindWindowExA(dialog, nullptr, "#32770", nullptr); w; w = FindWindowExA(dialog, w, "#32770", nullptr))
      if (GetDlgItem(w, 1077)) sizePage = w;
    EXPECT_NE(sizePage, nullptr);
    if (sizePage) SendMessageA(sizePage, WM_COMMAND, 1070, 0);
    ScanThreadEntry* expected = &holder;
    drive->busyScan.compare_exchange_strong(expected, nullptr);
  });
  drive->busyScan.store(nullptr);
  EXPECT_TRUE(Node("a")->searchItem);
  EXPECT_TRUE(Node("a\\b")->searchItem);
  EXPECT_FALSE(Node("c")->searchItem) << "the search went by the criteria changed after its start";
  EXPECT_FALSE(Node("photos")->searchItem);
  Command(CMD_NORMAL_VIEW);
  RunScanQueue(Node("c"), 1, nullptr);  // c and the top complete again
  EXPECT_TRUE(WaitScanned());
}

TEST_F(MainWindowTest, FindingNothingKeepsTheDialogOpen) {
  FolderNode* top = Node();
  SendMessageA(g_voltaly.mainTree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)top->mainItem);
  FolderCriteria criteria;
  criteria.size1 = 1e15;  // nothing is that big
  criteria.comparison = 2;
  criteria.sizeSwitch = 0x80;
  g_settings.findCriteria = criteria;
  jqtest::SeamRecorder seams;
  char nothing[256];
  LoadStringA(GetModuleHandleA(nullptr), IDS_FIND_NOTHING, nothing, sizeof nothing);
  bool sawMessage = false;
  DialogDriver::poll = [&](HWND dialog) {
    char text[256] = "";
    GetDlgItemTextA(dialog, 1086, text, sizeof text);
    sawMessage = strcmp(text, nothing) == 0 && IsWindowEnabled(GetDlgItem(dialog, IDOK));
    return sawMessage;
  };
  DialogDriver::Run(CMD_FIND_FOLDERS, IDOK);
  EXPECT_TRUE(sawMessage);
  Command(CMD_NORMAL_VIEW);
}

TEST_F(MainWindowTest, BetweenIsStoredLowestFirst) {
  FolderCriteria criteria;
  criteria.size1 = 100;
  criteria.size2 = 50;
  criteria.comparison = 3;
  criteria.sizeSwitch = 0x80;
  g_settings.tagCriteria = criteria;
  DialogDriver::Run(CMD_TAG_FOLDERS, IDOK);
  EXPECT_EQ(g_settings.tagCriteria.comparison, 3);
  EXPECT_EQ(g_settings.tagCriteria.size1, 50.0);
  EXPECT_EQ(g_settings.tagCriteria.size2, 100.0);
  Command(CMD_CLEAR_TAGS);
}

TEST_F(MainWindowTest, TagFoldersMarksMatchingRows) {
  Command(CMD_REPORTED_SIZES);
  FolderCriteria criteria;
  criteria.size1 = 7500;  // 'photos' (7000) is below, 'a' above
  criteria.comparison = 2;
  criteria.sizeSwitch = 0x80;
  g_settings.tagCriteria = criteria;
  DialogDriver::Run(CMD_TAG_FOLDERS, IDOK);
  EXPECT_TRUE(IsTagActive());
  EXPECT_EQ(MatchesCriteria(&g_settings.tagCriteria, &g_tagTargets, Node("a")), 1);
  EXPECT_EQ(MatchesCriteria(&g_settings.tagCriteria, &g_tagTargets, Node("photos")), 0);
  Command(CMD_CLEAR_TAGS);
  EXPECT_FALSE(IsTagActive());
}

TEST_F(MainWindowTest, HorizontalScrollTakesColumnsOutAndBack) {
  // All columns shown in a narrow window: the scroll bar appears.
  std::vector<uint32_t> saved;
  for (int i = 1; i < GetColumnCount(); ++i) {
    saved.push_back(GetColumn(i)->flags);
    GetColumn(i)->flags &= ~kColHidden;
  }
  RebuildHeaderLayout();
  RECT old;
  GetWindowRect(g_window, &old);
  SetWindowPos(g_window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
  jqtest::PumpPending();
  HWND bar = GetDlgItem(g_voltaly.paneDialog, IDC_PANE_HSCROLL);
  ASSERT_TRUE(IsWindowVisible(bar));
  ColumnRecord* first[kMaxColumns];
  ASSERT_GT(VisibleSizeColumns(first, kMaxColumns), 2);
  ColumnRecord* leaving = first[0];
  int items = (int)SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0);
  for (int i = 0; i < 400 && !(leaving->flags & kColScrolledOut); ++i)
    SendMessageA(g_voltaly.paneDialog, WM_HSCROLL, SB_LINERIGHT, (LPARAM)bar);
  EXPECT_TRUE(leaving->flags & kColScrolledOut);
  EXPECT_EQ(SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0), items - 1);
  // Whole columns out until only the name column and two size columns remain.
  for (int i = 0; i < 20; ++i) SendMessageA(g_voltaly.paneDialog, WM_HSCROLL, SB_PAGERIGHT, (LPARAM)bar);
  EXPECT_EQ(SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0), 3);
  for (int i = 0; i < 20; ++i) SendMessageA(g_voltaly.paneDialog, WM_HSCROLL, SB_PAGELEFT, (LPARAM)bar);
  EXPECT_FALSE(leaving->flags & kColScrolledOut);
  EXPECT_EQ(ShownColumnWidth(leaving), std::max<int>(leaving->minWidth, leaving->width));
  EXPECT_EQ(SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0), items);
  for (int i = 1; i < GetColumnCount(); ++i) GetColumn(i)->flags = saved[i - 1];
  RebuildHeaderLayout();
  SetWindowPos(g_window, nullptr, 0, 0, old.right - old.left, old.bottom - old.top, SWP_NOMOVE | SWP_NOZORDER);
  jqtest::PumpPending();
}

TEST_F(MainWindowTest, FolderDetailsCancelRestoresLiveChanges) {
  ColumnRecord* total = FindColumnByType(kColTotal);
  ColumnRecord* files = FindColumnByType(kColFiles);
  ASSERT_TRUE(total && files);
  uint32_t totalFlags = total->flags, filesFlags = files->flags;
  int headerItems = (int)SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0);
  bool sawLiveChange = false;
  DialogDriver::Run(CMD_COLUMN_PAGE_FIRST + 1, 0, [&](HWND sheet) {
    // The page of the total column: hide it and switch its bar off, live.
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    ASSERT_NE(page, nullptr);
    SendDlgItemMessageA(page, 1037, BM_CLICK, 0, 0);
    SendDlgItemMessageA(page, 1041, BM_CLICK, 0, 0);
    sawLiveChange = (total->flags & kColHidden) && !(total->flags & kColBar) &&
                    SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0) == headerItems - 1;
    // And on the list page, hide the files column too.
    PropSheet_SetCurSel(sheet, nullptr, 0);
    HWND list = PropSheet_GetCurrentPageHwnd(sheet);
    HWND tree = GetDlgItem(list, 1000);
    auto item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0);
    for (; item; item = (HTREEITEM)SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
      TVITEMA tv{};
      tv.mask = TVIF_PARAM | TVIF_HANDLE;
      tv.hItem = item;
      SendMessageA(tree, TVM_GETITEMA, 0, (LPARAM)&tv);
      if ((ColumnRecord*)tv.lParam == files) break;
    }
    if (item) {
      TVITEMA tv{};
      tv.mask = TVIF_STATE | TVIF_HANDLE;
      tv.hItem = item;
      tv.stateMask = TVIS_STATEIMAGEMASK;
      tv.state = INDEXTOSTATEIMAGEMASK(1);
      SendMessageA(tree, TVM_SETITEMA, 0, (LPARAM)&tv);
    }
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_TRUE(sawLiveChange);
  EXPECT_EQ(total->flags, totalFlags);
  EXPECT_EQ(files->flags, filesFlags);
  EXPECT_EQ(SendMessageA(g_voltaly.header, HDM_GETITEMCOUNT, 0, 0), headerItems);
}

TEST_F(MainWindowTest, SettingsSheetAppliesItsCopyOnlyOnOk) {
  const uint8_t kept = g_settings.scanOption;
  struct Case { uint8_t before; UINT radio; int button; uint8_t after; } cases[] = {
      {1, 1039, PSBTN_CANCEL, 1},  // "new folders only", cancelled: the settings stay
      {1, 1039, PSBTN_OK, 0},      // the same, confirmed
      {0, 1038, PSBTN_OK, 1},
  };
  for (const Case& c : cases) {
    g_settings.scanOption = c.before;
    uint8_t duringEdit = 0xFF;
    DialogDriver::Run(CMD_SETTINGS, 0, [&](HWND sheet) {
      HWND page = PropSheet_GetCurrentPageHwnd(sheet);  // the scan page comes first
      SendDlgItemMessageA(page, c.radio, BM_CLICK, 0, 0);
      duringEdit = g_settings.scanOption;  // the pages edit a copy
      PropSheet_PressButton(sheet, c.button);
    });
    EXPECT_EQ(duringEdit, c.before) << c.radio;
    EXPECT_EQ(g_settings.scanOption, c.after) << c.radio << " " << c.button;
  }
  g_settings.scanOption = kept;
}

INT_PTR CALLBACK PlainPageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(SettingsDrives, ClassBoxesAndMasks) {
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SCAN_DRIVES), owner, PlainPageProc, 0);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(InitItemIdServices());
  // Only C: of the fixed drives is in the mask (bit 3): the fixed box is checked or mixed.
  const uint32_t classes[4] = {0, 1, 0, 0};
  FillDriveTree(page, 1234, classes, 1u << 3);
  UpdateDriveClassBoxes(page, 1234);
  ShowDriveLetters(page, 1234);
  char letters[40];
  GetDlgItemTextA(page, 1003, letters, sizeof letters);
  ASSERT_EQ(strlen(letters), 26u);
  EXPECT_EQ(letters[2], 'C');
  int fixedDrives = 0;
  for (int i = 0; i < 26; ++i) {
    char root[4] = {(char)('A' + i), ':', '\\', 0};
    if ((GetLogicalDrives() & (1u << i)) && GetDriveTypeA(root) == DRIVE_FIXED) ++fixedDrives;
  }
  EXPECT_EQ(IsDlgButtonChecked(page, 1007), fixedDrives > 1 ? (UINT)BST_INDETERMINATE : (UINT)BST_CHECKED);
  // A class click checks every drive of the class; the box never stays mixed.
  SetDriveClassChecks(page, 1234, 1, true);
  UpdateDriveClassBoxes(page, 1234);
  EXPECT_EQ(IsDlgButtonChecked(page, 1007), (UINT)BST_CHECKED);
  uint32_t mask = 1u << 1;  // A: is not present: its bit stays
  ReadDriveMask(page, 1234, &mask);
  EXPECT_TRUE(mask & (1u << 3));
  EXPECT_EQ(__builtin_popcount(mask & ~(1u << 1)), fixedDrives + 0) << std::hex << mask;
  SetDriveClassChecks(page, 1234, 1, false);
  UpdateDriveClassBoxes(page, 1234);
  EXPECT_EQ(IsDlgButtonChecked(page, 1007), (UINT)BST_UNCHECKED);
  ReadDriveMask(page, 1234, &mask);
  EXPECT_FALSE(mask & (1u << 3));
  DestroyWindow(owner);
}

TEST(StartWindow, SizeAndPositionFromTheStoredRectangle) {
  struct Case {
    int32_t stored[4];
    int maxWidth, maxHeight;
    int width, height;
    bool defaultPosition;
  } cases[] = {
      {{0, 0, 0, 0}, 600, 800, 590, 600, true},            // 0.8 x 600 = 480, raised to 590
      {{0, 0, 0, 0}, 500, 800, 400, 600, true},            // below 550: not raised
      {{10, 20, 810, 620}, 1280, 900, 800, 600, false},
      {{10, 20, 2000, 620}, 1280, 900, 1024, 600, false},  // wider than the screen
      {{1250, 20, 1850, 620}, 1280, 900, 600, 600, true},  // right of 95% of the screen
      {{10, 880, 610, 1480}, 1280, 900, 600, 600, true},   // below 95% of the screen
      {{-900, 20, -300, 620}, 1280, 900, 600, 600, true},  // off the left edge
  };
  for (const Case& c : cases) {
    RECT r;
    bool useDefault = false;
    ComputeStartWindowRect(c.stored, c.maxWidth, c.maxHeight, 1280, 900, &r, &useDefault);
    EXPECT_EQ(r.right - r.left, c.width) << c.stored[0] << "," << c.stored[1];
    EXPECT_EQ(r.bottom - r.top, c.height) << c.stored[0] << "," << c.stored[1];
    EXPECT_EQ(useDefault, c.defaultPosition) << c.stored[0] << "," << c.stored[1];
  }
}

TEST(VoltalyProcess, StartsWithAFolderAndShowsItsWindow) {
  // The program stores its settings in the prefix's real registry: put back as they were.
  jqtest::KeptRegistryKey kept(HKEY_CURRENT_USER, "Software\\Belmoor\\Quorvanel");
  jqtest::TempFolder temp;
  temp.WriteFile("x\\y.bin", std::string(2000, 'y'));
  std::string exe = jqtest::ProgramFolder() + "\\Voltaly.exe";
  DWORD pid = 0;
  HANDLE process = jqtest::StartProcess("\"" + exe + "\" \"" + temp.path() + "\"", &pid);
  ASSERT_NE(process, nullptr) << exe;
  HWND found = nullptr;
  bool shown = jqtest::PumpUntil([&] {
    for (HWND w = FindWindowExA(nullptr, nullptr, "Voltaline_Class", nullptr); w;
         w = FindWindowExA(nullptr, w, "Voltaline_Class", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == pid && IsWindowVisible(w)) { found = w; return true; }
    }
    return false;
  }, 20000);
  EXPECT_TRUE(shown);
  if (found) {
    char title[512] = "";
    jqtest::PumpUntil([&] {
      GetWindowTextA(found, title, sizeof title);
      return strstr(title, " -> ") != nullptr;
    }, 10000);
    EXPECT_NE(strstr(title, " -> "), nullptr) << title;
    PostMessageA(found, WM_CLOSE, 0, 0);
  }
  EXPECT_EQ(jqtest::WaitProcess(process, 20000), 0);
  CloseHandle(process);
}

}  // namespace
