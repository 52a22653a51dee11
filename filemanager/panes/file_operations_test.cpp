// Delete, rename (through the real label edits), group rename and the Copy/Move To worker on
// real folders. The shell's own questions are answered by a recording runner, so that no
// confirmation ever waits for a person.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <mutex>
#include <string>
#include <vector>
#include "file_operations.h"
#include "folder_watch.h"
#include "frame_state.h"
#include "pane_refresh.h"
#include "pane_test_host.h"
#include "pidl.h"
#include "resource.h"
#include "test_support.h"
#include "command_ids.h"

namespace {

struct Operation {
  UINT function;
  std::vector<std::string> from, to;
  FILEOP_FLAGS flags;
};
std::mutex g_lock;
std::vector<Operation> g_operations;

std::vector<std::string> SplitList(const char* list) {
  std::vector<std::string> items;
  for (const char* p = list; p && *p; p += strlen(p) + 1) items.push_back(p);
  return items;
}

// Records what the program asked for, then runs it without the shell's questions. A deletion
// to the Recycle Bin is carried out as a plain deletion: Wine's bin is the host's trash.
int WINAPI RecordingRunner(SHFILEOPSTRUCTA* operation) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_operations.push_back({operation->wFunc, SplitList(operation->pFrom), SplitList(operation->pTo), operation->fFlags});
  }
  SHFILEOPSTRUCTA quiet = *operation;
  quiet.hwnd = nullptr;
  quiet.fFlags |= FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT | FOF_NOCONFIRMMKDIR;
  if (quiet.wFunc == FO_DELETE) quiet.fFlags &= ~FOF_ALLOWUNDO;
  return SHFileOperationA(&quiet);
}

// Holds the operation until the test lets it go.
HANDLE g_heldOperation = nullptr;
int WINAPI HeldRunner(SHFILEOPSTRUCTA* operation) {
  WaitForSingleObject(g_heldOperation, 10000);
  return RecordingRunner(operation);
}

std::vector<Operation> Operations() {
  std::lock_guard<std::mutex> hold(g_lock);
  return g_operations;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string LoadText(UINT id) {
  char text[300] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string ParsingNameOf(HWND list, int index) {
  FileListItem* record = GetListItemRecord(list, index);
  char name[MAX_PATH] = "";
  if (record) GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
  return name;
}

int IndexOfFile(HWND list, const std::string& name) {
  int count = ListView_GetItemCount(list);
  for (int i = 0; i < count; ++i)
    if (lstrcmpiA(ParsingNameOf(list, i).c_str(), name.c_str()) == 0) return i;
  return -1;
}

// Shell display of extensions, set for the test's life.
class ExtensionDisplay {
 public:
  explicit ExtensionDisplay(bool hide) {
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof previous_;
    had_ = RegQueryValueExA(key_, "HideFileExt", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_), &size) == ERROR_SUCCESS;
    DWORD value = hide ? 1 : 0;
    RegSetValueExA(key_, "HideFileExt", 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
  }
  ~ExtensionDisplay() {
    if (had_) RegSetValueExA(key_, "HideFileExt", 0, REG_DWORD, reinterpret_cast<BYTE*>(&previous_), sizeof previous_);
    else RegDeleteValueA(key_, "HideFileExt");
    RegCloseKey(key_);
  }

 private:
  static constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  HKEY key_ = nullptr;
  DWORD previous_ = 0;
  bool had_ = false;
};

class FileOps : public ::testing::Test {
 protected:
  void SetUp() override {
    g_operations.clear();
    g_runFileOperation = RecordingRunner;
    GetLiveOptions().showUpEntry = 0;
    g_paneLayout.twoPanes = 0;
  }
  void TearDown() override {
    jqtest::PumpUntil([] { return RunningCopyMoveWorkers() == 0; }, 10000);
    g_runFileOperation = SHFileOperationA;
    GetLiveOptions().keepHiddenExtension = 0;
    GetLiveOptions().goToTargetAfterCopy = 0;
  }
  void Select(const std::vector<std::string>& names) {
    HWND list = host.list();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const std::string& name : names) {
      int index = IndexOfFile(list, name);
      ASSERT_GE(index, 0) << name;
      ListView_SetItemState(list, index, LVIS_SELECTED, LVIS_SELECTED);
    }
    g_frame.lastFocus = list;
  }
  bool WaitForWorkers() { return jqtest::PumpUntil([] { return RunningCopyMoveWorkers() == 0; }, 15000); }

  jqtest::TempFolder temp;
  panetest::PaneHost host;
  jqtest::SeamRecorder seams;
};

TEST_F(FileOps, DeleteAsksTheShellAndRecycleAllowsUndo) {
  std::string folder = temp.MakeFolder("del");
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) temp.WriteFile(std::string("del\\") + name, "x");
  ASSERT_TRUE(host.Browse(folder));
  Select({"a.txt", "b.txt"});
  EXPECT_EQ(DeleteSelectedFiles(ID_FILE_DELETE), 1);
  std::vector<Operation> ops = Operations();
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].function, static_cast<UINT>(FO_DELETE));
  EXPECT_EQ(ops[0].flags & FOF_ALLOWUNDO, 0) << "Delete is for good, after the shell's question";
  EXPECT_EQ(ops[0].from, (std::vector<std::string>{folder + "\\a.txt", folder + "\\b.txt"}));
  EXPECT_FALSE(Exists(folder + "\\a.txt"));
  EXPECT_FALSE(Exists(folder + "\\b.txt"));
  EXPECT_EQ(host.Names(), std::vector<std::string>{"c.txt"}) << "the pane was refreshed";
  Select({"c.txt"});
  EXPECT_EQ(DeleteSelectedFiles(ID_FILE_RECYCLE), 1);
  ops = Operations();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[1].flags & FOF_ALLOWUNDO, FOF_ALLOWUNDO);
  EXPECT_EQ(host.Count(), 0);
  // Nothing selected: nothing to do.
  EXPECT_EQ(DeleteSelectedFiles(ID_FILE_DELETE), 1);
  EXPECT_EQ(Operations().size(), 2u);
}

TEST_F(FileOps, DeleteFromTheTreeRemovesTheFolderAndItsNode) {
  std::string folder = temp.MakeFolder("parent\\victim");
  temp.WriteFile("parent\\victim\\inside.txt", "x");
  ASSERT_TRUE(host.Browse(folder));
  HWND tree = host.tree();
  HTREEITEM parent = TreeView_GetParent(tree, TreeView_GetSelection(tree));
  SetFocus(tree);
  g_frame.lastFocus = tree;
  EXPECT_EQ(DeleteSelectedFiles(ID_FILE_DELETE), 1);
  jqtest::PumpPending();
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(TreeView_GetSelection(tree), parent);
  EXPECT_EQ(TreeView_GetChild(tree, parent), nullptr);
}

// Ends an in-place edit of the list the way a user does: text typed, Enter pressed.
void EditListLabel(HWND list, int index, const std::string& typed) {
  SetFocus(list);
  HWND edit = reinterpret_cast<HWND>(SendMessageA(list, LVM_EDITLABELA, index, 0));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(g_renameInProgress, 1u);
  SetWindowTextA(edit, typed.c_str());
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  jqtest::PumpPending();
}

TEST_F(FileOps, RenameRulesThroughTheListsLabelEdit) {
  struct Case {
    const char* typed;
    bool hideExtensions, keepExtension;
    const char* result;  // the file afterwards; null: refused
    UINT box;
  };
  const Case cases[] = {
      {"summary.txt", false, false, "summary.txt", 0},
      {"summary", false, false, "summary", 0},  // the extension was shown and typed away
      {"summary", true, false, "summary.txt", 0},
      {"summary", true, true, "summary.txt", 0},
      {"summary.doc", true, true, "summary.doc.txt", 0},
      {".txt", false, false, nullptr, IDS_RENAME_EMPTY_NAME},
      {"   ", false, false, nullptr, IDS_RENAME_EMPTY_NAME},
      {"a?b.txt", false, false, nullptr, IDS_RENAME_BAD_CHARACTER},
      {"a|b", false, false, nullptr, IDS_RENAME_BAD_CHARACTER},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ExtensionDisplay display(c.hideExtensions);
    GetLiveOptions().keepHiddenExtension = c.keepExtension;
    std::string folder = temp.MakeFolder("ren" + std::to_string(n++));
    temp.WriteFile(folder.substr(temp.path().size() + 1) + "\\report.txt", "r");
    RefreshPaneTree(0, nullptr, FALSE);
    ASSERT_TRUE(host.Browse(folder));
    HWND list = host.list();
    int index = IndexOfFile(list, "report.txt");
    ASSERT_GE(index, 0);
    ASSERT_EQ(host.Text(index, 0), c.hideExtensions ? "report" : "report.txt");
    size_t boxes = seams.boxes.size(), operations = Operations().size();
    EditListLabel(list, index, c.typed);
    if (c.result) {
      EXPECT_EQ(g_renameInProgress, 0u);
      EXPECT_EQ(seams.boxes.size(), boxes);
      EXPECT_TRUE(Exists(folder + "\\" + c.result));
      ASSERT_EQ(Operations().size(), operations + 1);
      EXPECT_EQ(Operations().back().function, static_cast<UINT>(FO_RENAME));
      EXPECT_EQ(Operations().back().flags, FOF_ALLOWUNDO);
      if (lstrcmpiA(c.result, "report.txt") != 0) EXPECT_FALSE(Exists(folder + "\\report.txt"));
      int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED | LVNI_FOCUSED);
      ASSERT_GE(selected, 0);
      EXPECT_EQ(ParsingNameOf(list, selected), c.result) << "the renamed item is selected";
      EXPECT_EQ(host.Count(), 1);
    } else {
      ASSERT_EQ(seams.boxes.size(), boxes + 1);
      EXPECT_EQ(seams.boxes.back().text, LoadText(c.box));
      EXPECT_EQ(seams.boxes.back().type & MB_ICONHAND, MB_ICONHAND);
      EXPECT_EQ(Operations().size(), operations);
      EXPECT_TRUE(Exists(folder + "\\report.txt"));
      // The editor is open again with what was typed.
      HWND edit = ListView_GetEditControl(list);
      ASSERT_NE(edit, nullptr);
      char text[MAX_PATH] = "";
      GetWindowTextA(edit, text, MAX_PATH);
      EXPECT_EQ(std::string(text), c.typed);
      SendMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0);
      jqtest::PumpPending();
      EXPECT_EQ(g_renameInProgress, 0u);
      EXPECT_TRUE(Exists(folder + "\\report.txt"));
    }
  }
}

// The list sends no end-of-edit notice for an unchanged label; the notice itself, as the list
// sends it, reaches the rename.
TEST_F(FileOps, RenameToTheSameNameDoesNothingAndACaseChangeRenames) {
  std::string folder = temp.MakeFolder("same");
  temp.WriteFile("same\\report.txt", "r");
  ASSERT_TRUE(host.Browse(folder));
  HWND list = host.list();
  auto endEdit = [&](const char* typed) {
    NMLVDISPINFOA info{};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = kListIdPane0;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.iItem = IndexOfFile(list, "report.txt");
    info.item.pszText = const_cast<char*>(typed);
    g_renameInProgress = 1;
    LRESULT answer = SendMessageA(host.window, WM_NOTIFY, kListIdPane0, reinterpret_cast<LPARAM>(&info));
    jqtest::PumpPending();
    return answer;
  };
  EXPECT_EQ(endEdit("report.txt"), 1);
  EXPECT_TRUE(Operations().empty());
  EXPECT_EQ(g_renameInProgress, 0u);
  EXPECT_EQ(endEdit(nullptr), 0) << "a cancelled edit";
  EXPECT_TRUE(Operations().empty());
  EXPECT_EQ(endEdit("Report.TXT"), 1);
  ASSERT_EQ(Operations().size(), 1u);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\report.txt").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  FindClose(find);
  EXPECT_STREQ(data.cFileName, "Report.TXT");
}

TEST_F(FileOps, RenameAFolderThroughTheTreesLabelEdit) {
  temp.MakeFolder("tr\\old");
  ASSERT_TRUE(host.Browse(temp / "tr"));
  HWND tree = host.tree();
  // The trees are made without editable labels; a label edit needs them.
  SetWindowLongPtrA(tree, GWL_STYLE, GetWindowLongPtrA(tree, GWL_STYLE) | TVS_EDITLABELS);
  HTREEITEM node = TreeView_GetSelection(tree);
  ExpandFolderTreeItem(tree, node);
  TreeView_Expand(tree, node, TVE_EXPAND);
  HTREEITEM child = TreeView_GetChild(tree, node);
  ASSERT_NE(child, nullptr);
  SetFocus(tree);
  HWND edit = reinterpret_cast<HWND>(SendMessageA(tree, TVM_EDITLABELA, 0, reinterpret_cast<LPARAM>(child)));
  ASSERT_NE(edit, nullptr);
  SetWindowTextA(edit, "new");
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  jqtest::PumpPending();
  EXPECT_TRUE(jqtest::FolderExists(temp / "tr\\new"));
  EXPECT_FALSE(jqtest::FolderExists(temp / "tr\\old"));
  child = TreeView_GetChild(tree, node);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(TreeView_GetNextSibling(tree, child), nullptr);
  FolderTreeItem* record = GetTreeItemRecord(tree, child);
  char name[MAX_PATH] = "";
  GetDisplayNameText(record->folder, record->relative, SHGDN_INFOLDER | SHGDN_FORPARSING, name);
  EXPECT_STREQ(name, "new");
}

TEST_F(FileOps, GroupRenameByPattern) {
  struct Case {
    const char *pattern, *name, *result;
  };
  const Case cases[] = {
      {"*.bak", "report.txt", "report.bak"},   {"*.*", "report.txt", "report.txt"},
      {"?x*", "report.txt", "rxport.txt"},     {"*", "report.txt", "report.txt"},
      {"new.*", "report.txt", "new.txt"},      {"*.", "report.txt", "report"},
      {"a?c.d", "xyz", "ayc.d"},               {"*_old.*", "a.b.c", "a.b_old.c"},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplyRenamePattern(c.pattern, c.name), c.result) << c.pattern << " " << c.name;

  std::string folder = temp.MakeFolder("group");
  for (const char* name : {"a.txt", "b.txt", "c.doc"}) temp.WriteFile(std::string("group\\") + name, "x");
  ASSERT_TRUE(host.Browse(folder));
  Select({"a.txt", "b.txt"});
  EXPECT_EQ(RunGroupRename("*.bak"), 1);
  ASSERT_EQ(Operations().size(), 1u);
  EXPECT_EQ(Operations()[0].function, static_cast<UINT>(FO_MOVE));
  EXPECT_EQ(Operations()[0].flags, FOF_ALLOWUNDO | FOF_MULTIDESTFILES);
  EXPECT_TRUE(Exists(folder + "\\a.bak"));
  EXPECT_TRUE(Exists(folder + "\\b.bak"));
  EXPECT_TRUE(Exists(folder + "\\c.doc"));
  EXPECT_GE(IndexOfFile(host.list(), "a.bak"), 0);
  // A pattern with a path in it is refused with the name message.
  Select({"c.doc"});
  EXPECT_EQ(RunGroupRename("..\\x.doc"), 1);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, LoadText(IDS_RENAME_BAD_CHARACTER));
  EXPECT_TRUE(Exists(folder + "\\c.doc"));
}

TEST_F(FileOps, CopyToATrailingBackslashCreatesTheFolders) {
  std::string folder = temp.MakeFolder("src");
  temp.WriteFile("src\\a.txt", "aaa");
  temp.WriteFile("src\\b.txt", "bbb");
  ASSERT_TRUE(host.Browse(folder));
  Select({"a.txt"});
  StartCopyMoveWorker("New\\Deeper\\", kCopyMoveCopy);
  // The job was built when it started: the selection may change at once.
  Select({"b.txt"});
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New\\Deeper\\a.txt"), "aaa");
  EXPECT_FALSE(Exists(folder + "\\New\\Deeper\\b.txt"));
  EXPECT_TRUE(Exists(folder + "\\a.txt"));
  ASSERT_EQ(Operations().size(), 1u);
  EXPECT_EQ(Operations()[0].function, static_cast<UINT>(FO_COPY));
  EXPECT_EQ(Operations()[0].flags, FOF_ALLOWUNDO);
  EXPECT_GE(IndexOfFile(host.list(), "New"), 0) << "the pane was refreshed";
  // A file name as the target, in an existing folder: copied under that name, nothing created.
  Select({"b.txt"});
  std::string named = temp / "src\\New\\b.bak";
  StartCopyMoveWorker(named.c_str(), kCopyMoveCopy);
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(jqtest::ReadFileText(named), "bbb");
  EXPECT_FALSE(jqtest::FolderExists(named));
}

TEST_F(FileOps, CopyIntoItsOwnFolderMakesANamedCopy) {
  std::string folder = temp.MakeFolder("own");
  temp.WriteFile("own\\a.txt", "aaa");
  ASSERT_TRUE(host.Browse(folder));
  for (int round = 0; round < 2; ++round) {
    std::string expected = FreeCopyName(folder, "a.txt");
    ASSERT_FALSE(expected.empty());
    EXPECT_NE(expected.find("a.txt"), std::string::npos);
    Select({"a.txt"});
    StartCopyMoveWorker(round ? "." : folder.c_str(), kCopyMoveCopy);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(jqtest::ReadFileText(folder + "\\" + expected), "aaa") << expected;
    EXPECT_EQ(Operations().back().flags & FOF_RENAMEONCOLLISION, FOF_RENAMEONCOLLISION);
  }
  EXPECT_EQ(host.Count(), 3);
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\a.txt"), "aaa");
  // Moving into the own folder has nothing to do.
  Select({"a.txt"});
  size_t before = Operations().size();
  StartCopyMoveWorker(".", kCopyMoveMove);
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(Operations().size(), before);
  EXPECT_TRUE(Exists(folder + "\\a.txt"));
}

TEST_F(FileOps, MoveToAFolderAndGoThere) {
  std::string folder = temp.MakeFolder("from");
  temp.MakeFolder("from\\dest");
  temp.WriteFile("from\\m.txt", "mmm");
  temp.WriteFile("from\\stay.txt", "s");
  ASSERT_TRUE(host.Browse(folder));
  GetLiveOptions().goToTargetAfterCopy = 1;
  Select({"m.txt"});
  StartCopyMoveWorker("dest", kCopyMoveMove);
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\dest\\m.txt"), "mmm");
  EXPECT_FALSE(Exists(folder + "\\m.txt"));
  ASSERT_EQ(Operations().size(), 1u);
  EXPECT_EQ(Operations()[0].function, static_cast<UINT>(FO_MOVE));
  EXPECT_EQ(Operations()[0].to, std::vector<std::string>{folder + "\\dest"});
  char shown[MAX_PATH] = "";
  GetTreeSelectionPath(host.tree(), shown, FALSE, TRUE);
  EXPECT_EQ(lstrcmpiA(shown, (folder + "\\dest").c_str()), 0) << shown;
  EXPECT_EQ(host.Names(), std::vector<std::string>{"m.txt"});
  // Copy a folder from the tree: it goes inside the target folder.
  ASSERT_TRUE(host.Browse(folder + "\\dest"));
  SetFocus(host.tree());
  g_frame.lastFocus = host.tree();
  GetLiveOptions().goToTargetAfterCopy = 0;
  std::string copyTarget = temp / "copied";
  StartCopyMoveWorker(copyTarget.c_str(), kCopyMoveCopy);
  ASSERT_TRUE(WaitForWorkers());
  EXPECT_EQ(jqtest::ReadFileText(copyTarget + "\\dest\\m.txt"), "mmm");
}

// The worker reports to the hidden window of the main window it was started from; a main window
// made meanwhile is not steered by a job that is not its own.
TEST_F(FileOps, CopyMoveReportsToTheWindowItStartedFrom) {
  std::string folder = temp.MakeFolder("from");
  temp.MakeFolder("from\\dest");
  temp.WriteFile("from\\m.txt", "mmm");
  ASSERT_TRUE(host.Browse(folder));
  GetLiveOptions().goToTargetAfterCopy = 1;
  Select({"m.txt"});
  g_heldOperation = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_runFileOperation = HeldRunner;
  StartCopyMoveWorker("dest", kCopyMoveMove);
  HWND other = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  g_mainWindow = other;
  EXPECT_TRUE(PrepareGuiTasks());  // the hidden window now belongs to the other main window
  SetEvent(g_heldOperation);
  ASSERT_TRUE(WaitForWorkers());  // the job's end ran on this thread; then what it posted
  ASSERT_TRUE(jqtest::PumpThroughQueue());
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\dest\\m.txt"), "mmm");
  char shown[MAX_PATH] = "";
  GetTreeSelectionPath(host.tree(), shown, FALSE, TRUE);
  EXPECT_EQ(lstrcmpiA(shown, folder.c_str()), 0) << shown;
  g_mainWindow = host.window;
  DestroyWindow(other);
  EXPECT_TRUE(PrepareGuiTasks());
  CloseHandle(g_heldOperation);
  g_heldOperation = nullptr;
}

}  // namespace
