// File commands on real temporary folders: path helpers, delete, copy and move to, create,
// rename in the tree, paste; the dialogs driven as a person would.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine_test_support.h"
#include "file_commands.h"
#include "folder_node.h"
#include "resource_shell.h"
#include "shell_host.h"
#include "shell_test_support.h"
#include "test_support.h"
#include "control_text.h"

namespace {

using jqtest::FileExists;
using jqtest::FolderExists;

using shelltest::WhenDialogShows;

TEST(PathHelpers, CombinePathTable) {
  struct Case { const char* text; const char* base; const char* expected; };
  const Case cases[] = {
      {"sub", "C:\\base", "C:\\base\\sub"},
      {"sub\\deeper", "C:\\base\\", "C:\\base\\sub\\deeper"},
      {"\\top", "D:\\base", "D:\\top"},
      {"E:\\elsewhere", "C:\\base", "E:\\elsewhere"},
      {"\\\\server\\share", "C:\\base", "\\\\server\\share"},
      {"..\\sibling", "C:\\base\\child", "C:\\base\\sibling"},
  };
  for (const Case& c : cases) {
    std::string combined = CombinePath(c.text, c.base);
    ASSERT_FALSE(combined.empty());
    EXPECT_EQ(combined.back(), '\0') << c.text;  // double-NUL form
    EXPECT_STREQ(combined.c_str(), c.expected) << c.text;
  }
  EXPECT_EQ(StripTrailingBackslash("C:\\"), "C:\\");
  EXPECT_EQ(StripTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(TrimLeadingSpaces("  \tx y"), "x y");
}

TEST(PathHelpers, CreateDirectoryPathMakesEveryLevelAndRefusesShortPaths) {
  jqtest::TempFolder temp;
  EXPECT_TRUE(CreateDirectoryPath(temp / "one\\two\\three\\"));
  EXPECT_TRUE(FolderExists(temp / "one\\two\\three"));
  EXPECT_FALSE(CreateDirectoryPath("C:"));
  EXPECT_TRUE(IsExistingDirectory(temp / "one\\"));
  EXPECT_FALSE(IsExistingDirectory(temp / "none"));
  EXPECT_FALSE(IsExistingDirectory(""));
  EXPECT_TRUE(IsExistingDirectory("\\\\server\\share"));  // network paths are not probed
}

TEST(PathHelpers, NoHelperLeavesTheCurrentDirectoryInAFolder) {
  jqtest::TempFolder temp;
  temp.MakeFolder("held");
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  IsExistingDirectory(temp / "held");
  CombinePath("x", temp / "held");
  char after[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(before, after);
  // A current directory inside a folder is left before the folder is acted on.
  ASSERT_TRUE(SetCurrentDirectoryA((temp / "held").c_str()));
  StepOutOfFolder(temp / "held");
  GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_NE(lstrcmpiA(after, (temp / "held").c_str()), 0);
  SetCurrentDirectoryA(before);
}

// A tree of engine nodes for a temporary folder, shown in the host's tree.
struct CommandFixture : shelltest::NodeTreeFixture {
  CommandFixture() {
    temp.WriteFile("Data.old\\inner.txt", "inner");
    temp.WriteFile("Victim\\deep\\file.txt", "victim");
    temp.WriteFile("Source\\a.txt", "aaa");
    temp.MakeFolder("Target");
    Show();
  }
  void Select(const std::string& name) { shelltest::SelectItem(host.tree, ItemOf(name)); }
};

TEST(FileCommands, DeleteWithoutRecycleBinRemovesTheFolderEvenWhenItIsTheCurrentDirectory) {
  CommandFixture f;
  ASSERT_NE(f.top, nullptr);
  HTREEITEM item = f.ItemOf("Victim");
  ASSERT_NE(item, nullptr);
  FolderNode* node = f.NodeOf(item);
  // The program's start folder is its current directory: the delete must not be refused.
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  SetCurrentDirectoryA((f.temp / "Victim\\deep").c_str());
  shelltest::SelectItem(f.host.tree, item);
  ASSERT_TRUE(ShellHostTreeHasFocus(f.host.main));
  EXPECT_TRUE(RunFileCommand(f.host.main, 45108));
  EXPECT_FALSE(FolderExists(f.temp / "Victim"));
  EXPECT_FALSE(IsFolderNode(node));  // the node left the tree's sums
  EXPECT_TRUE(FolderExists(f.temp / "Source"));
  SetCurrentDirectoryA(before);
}

TEST(FileCommands, CopyAndMoveToChangeTheDiskAsAsked) {
  CommandFixture f;
  ASSERT_NE(f.top, nullptr);
  f.Select("Source");
  // Copy into an existing folder, by a path relative to the folder's parent.
  EXPECT_TRUE(CopyMoveSelectedFolder(f.host.main, "Target", FO_COPY));
  EXPECT_EQ(jqtest::ReadFileText(f.temp / "Target\\Source\\a.txt"), "aaa");
  EXPECT_TRUE(FileExists(f.temp / "Source\\a.txt"));
  // Into a folder that does not exist yet: it is made and the folder lands inside it.
  EXPECT_TRUE(CopyMoveSelectedFolder(f.host.main, f.temp / "New\\Level", FO_COPY));
  EXPECT_TRUE(FileExists(f.temp / "New\\Level\\Source\\a.txt"));
  // Into its own parent: a copy under a new name.
  EXPECT_TRUE(CopyMoveSelectedFolder(f.host.main, f.temp.path(), FO_COPY));
  EXPECT_TRUE(FileExists(f.temp / "Source (2)\\a.txt"));
  EXPECT_TRUE(FileExists(f.temp / "Source\\a.txt"));
  // Below itself: refused, nothing made.
  EXPECT_FALSE(CopyMoveSelectedFolder(f.host.main, f.temp / "Source\\inside", FO_COPY));
  EXPECT_FALSE(FolderExists(f.temp / "Source\\inside"));
  // Move: the source goes, its node with it.
  FolderNode* source = f.NodeOf(f.ItemOf("Source"));
  EXPECT_TRUE(CopyMoveSelectedFolder(f.host.main, "Target\\Moved", FO_MOVE));
  EXPECT_TRUE(FileExists(f.temp / "Target\\Moved\\Source\\a.txt"));
  EXPECT_FALSE(FolderExists(f.temp / "Source"));
  EXPECT_FALSE(IsFolderNode(source));
}

TEST(FileCommands, CopyToThroughTheDialogKeepsTheHistory) {
  CommandFixture f;
  jqtest::TestRegistry registry;
  jqtest::SeamRecorder seams;
  ASSERT_NE(f.top, nullptr);
  f.Select("Source");
  // An empty target is refused with a warning; then a path is typed and taken.
  WhenDialogShows(f.host.main, [&](HWND dialog) {
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    SetDlgItemTextA(dialog, IDC_SH_TARGET, "");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    SetDlgItemTextA(dialog, IDC_SH_TARGET, ("  " + f.temp / "Target").c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_TRUE(RunFileCommand(f.host.main, 45040));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_TRUE(FileExists(f.temp / "Target\\Source\\a.txt"));
  // The history remembers the target, newest first.
  HKEY key = nullptr;
  char value[MAX_PATH] = {};
  DWORD size = sizeof(value);
  ASSERT_EQ(RegOpenKeyExA(registry.user(), "Software\\Belmoor\\Quorvanel\\CurrentVersion\\CopyMoveTo", 0,
                          KEY_READ, &key), ERROR_SUCCESS);
  RegQueryValueExA(key, "History1", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  EXPECT_STREQ(value, (f.temp / "Target").c_str());
  // The dialog's radio turns Copy To into a move: the mode comes back with the target.
  f.Select("Source");
  WhenDialogShows(f.host.main, [&](HWND dialog) {
    CheckRadioButton(dialog, IDC_SH_COPY, IDC_SH_MOVE, IDC_SH_MOVE);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SH_MOVE, BN_CLICKED), 0);
    SetDlgItemTextA(dialog, IDC_SH_TARGET, (f.temp / "Moved").c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_TRUE(RunFileCommand(f.host.main, 45040));
  EXPECT_TRUE(FileExists(f.temp / "Moved\\Source\\a.txt"));
  EXPECT_FALSE(FolderExists(f.temp / "Source"));
}

TEST(FileCommands, CreateFolderMakesEveryLevelBelowTheSelectedFolder) {
  CommandFixture f;
  jqtest::TestRegistry registry;
  jqtest::SeamRecorder seams;
  ASSERT_NE(f.top, nullptr);
  f.Select("Target");
  WhenDialogShows(f.host.main, [&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SH_TARGET, "bad|name");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);  // refused with an error box
    SetDlgItemTextA(dialog, IDC_SH_TARGET, "one\\two\\three");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_TRUE(RunFileCommand(f.host.main, 45041));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_TRUE(seams.boxes[0].type & MB_ICONERROR);
  EXPECT_TRUE(FolderExists(f.temp / "Target\\one\\two\\three"));
  EXPECT_FALSE(FolderExists(f.temp / "Target\\bad|name"));

  // A folder that cannot be made (it exists already): a warning, and the text stays for a
  // correction.
  seams.boxes.clear();
  std::string kept;
  WhenDialogShows(f.host.main, [&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SH_TARGET, "one");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    char text[MAX_PATH] = {};
    GetDlgItemTextA(dialog, IDC_SH_TARGET, text, MAX_PATH);
    kept = text;
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(ShowCreateFolderDialog(f.host.main), 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_TRUE(seams.boxes[0].type & MB_ICONWARNING);
  EXPECT_EQ(kept, "one");
}

TEST(FileCommands, TheDriveDialogListsLocalDrivesAndGivesTheChosenRoot) {
  shelltest::HostWindows host;
  int listed = -1;
  WhenDialogShows(host.main, [&](HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_SH_LIST);
    listed = ListView_GetItemCount(list);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  std::string root;
  EXPECT_EQ(ShowDriveDialog(host.main, 45028, &root), 1);
  EXPECT_GE(listed, 1);
  // The first listed drive: a local one, given as its root.
  ASSERT_EQ(root.size(), 3u);
  EXPECT_EQ(root.substr(1), ":\\");
  UINT type = GetDriveTypeA(root.c_str());
  EXPECT_TRUE(type == DRIVE_FIXED || type == DRIVE_REMOVABLE || type == DRIVE_UNKNOWN);
}

// Renames through the tree's own label editing, as a person types.
bool EditLabel(HWND tree, HTREEITEM item, const std::string& text) {
  SetFocus(tree);
  HWND edit = TreeView_EditLabel(tree, item);
  if (!edit) return false;
  SetWindowTextA(edit, text.c_str());
  TreeView_EndEditLabelNow(tree, FALSE);
  return true;
}

// After a refusal the edit starts again with the refused text; returns that text.
std::string RestartedEditText(HWND tree) {
  HWND edit = nullptr;
  jqtest::PumpUntil([&] { return (edit = TreeView_GetEditControl(tree)) != nullptr; }, 2000);
  char text[MAX_PATH] = {};
  if (edit) GetWindowTextA(edit, text, MAX_PATH);
  return edit ? std::string(text) : std::string("<no edit>");
}

using jqtest::TreeItemText;

TEST(FileCommands, RenameInTheTreeKeepsTheExtensionAndRefusesNamesThatLeaveTheFolder) {
  CommandFixture f;
  jqtest::SeamRecorder seams;
  ASSERT_NE(f.top, nullptr);
  HTREEITEM item = f.ItemOf("Data.old");
  ASSERT_NE(item, nullptr);
  FolderNode* node = f.NodeOf(item);
  ASSERT_TRUE(EditLabel(f.host.tree, item, "Archive"));
  EXPECT_TRUE(jqtest::PumpUntil([] { return TreeRenameSettled() != FALSE; }, 2000));
  EXPECT_TRUE(FileExists(f.temp / "Archive.old\\inner.txt"));
  EXPECT_FALSE(FolderExists(f.temp / "Data.old"));
  EXPECT_EQ(TreeItemText(f.host.tree, item), "Archive.old");
  char path[MAX_PATH] = {};
  ASSERT_TRUE(GetNodePath(node, path, MAX_PATH));
  EXPECT_STREQ(path, (f.temp / "Archive.old").c_str());
  EXPECT_TRUE(seams.boxes.empty());

  // Names that would move the folder elsewhere, or be no name at all, are refused with a box
  // and change nothing on disk.
  const char* refused[] = {"..\\Escaped", "sub/x", "..", " . ", "a:b"};
  for (const char* name : refused) {
    seams.boxes.clear();
    ASSERT_TRUE(EditLabel(f.host.tree, item, name));
    EXPECT_EQ(RestartedEditText(f.host.tree), name);  // the edit restarted for a correction
    TreeView_EndEditLabelNow(f.host.tree, TRUE);
    EXPECT_TRUE(jqtest::PumpUntil([] { return TreeRenameSettled() != FALSE; }, 2000));
    EXPECT_EQ(seams.boxes.size(), 1u) << name;
    EXPECT_EQ(TreeItemText(f.host.tree, item), "Archive.old") << name;
    EXPECT_TRUE(FolderExists(f.temp / "Archive.old")) << name;
  }
  EXPECT_FALSE(FolderExists(f.temp.path() + "\\..\\Escaped"));
  // An empty name is refused too.
  seams.boxes.clear();
  ASSERT_TRUE(EditLabel(f.host.tree, item, ""));
  EXPECT_EQ(RestartedEditText(f.host.tree), "");
  TreeView_EndEditLabelNow(f.host.tree, TRUE);
  EXPECT_TRUE(jqtest::PumpUntil([] { return TreeRenameSettled() != FALSE; }, 2000));
  EXPECT_EQ(seams.boxes.size(), 1u);
}

TEST(FileCommands, PasteCopiesTheClipboardsFilesIntoTheTreeFolder) {
  CommandFixture f;
  ASSERT_NE(f.top, nullptr);
  std::string file = f.temp.WriteFile("clip.txt", "clipboard");
  // CF_HDROP with one file, as the Explorer puts it for Copy.
  size_t bytes = sizeof(DROPFILES) + file.size() + 2;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), file.c_str(), file.size());
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(f.host.main));
  EmptyClipboard();
  SetClipboardData(CF_HDROP, memory);
  CloseClipboard();
  f.Select("Target");
  EXPECT_TRUE(RunFileCommand(f.host.main, 45238));
  EXPECT_EQ(jqtest::ReadFileText(f.temp / "Target\\clip.txt"), "clipboard");
  EXPECT_TRUE(FileExists(file));
  OpenClipboard(f.host.main);
  EmptyClipboard();
  CloseClipboard();
}

TEST(FileCommands, CopyOrCutAFolderInTheTreeThenPasteItIntoAnother) {
  CommandFixture f;
  ASSERT_NE(f.top, nullptr);
  f.Select("Source");
  EXPECT_TRUE(RunFileCommand(f.host.main, 45008));
  EXPECT_TRUE(jqtest::PumpUntil([] { return IsClipboardFormatAvailable(CF_HDROP) != FALSE; }, 2000));
  f.Select("Target");
  EXPECT_TRUE(RunFileCommand(f.host.main, 45238));
  EXPECT_TRUE(FileExists(f.temp / "Target\\Source\\a.txt"));
  EXPECT_TRUE(FileExists(f.temp / "Source\\a.txt"));
  // Cut and paste moves it.
  f.Select("Data.old");
  EXPECT_TRUE(RunFileCommand(f.host.main, 45237));
  f.Select("Target");
  EXPECT_TRUE(RunFileCommand(f.host.main, 45238));
  EXPECT_TRUE(FileExists(f.temp / "Target\\Data.old\\inner.txt"));
  EXPECT_FALSE(FolderExists(f.temp / "Data.old"));
  OpenClipboard(f.host.main);
  EmptyClipboard();
  CloseClipboard();
}

TEST(FileCommands, ShellToolsStartTheSystemsOwnPrograms) {
  CommandFixture f;
  ASSERT_NE(f.top, nullptr);
  jqtest::SeamRecorder seams;
  f.Select("Target");
  struct Case { UINT command; const char* file; const char* parameters; const char* verb; };
  const std::string target = f.temp / "Target";
  const Case cases[] = {
      {45027, "rundll32.exe", "diskcopy.dll,DiskCopyRunDll", ""},
      {45099, "rundll32.exe", "shell32.dll,Control_RunDLL appwiz.cpl", ""},
      {45035, target.c_str(), "", "find"},
  };
  for (const Case& c : cases) {
    seams.starts.clear();
    EXPECT_TRUE(RunFileCommand(f.host.main, c.command));
    ASSERT_EQ(seams.starts.size(), 1u) << c.command;
    EXPECT_EQ(seams.starts[0].file, c.file) << c.command;
    EXPECT_EQ(seams.starts[0].parameters, c.parameters) << c.command;
    EXPECT_EQ(seams.starts[0].verb, c.verb) << c.command;
  }
  // Find on something that is not an existing folder goes to My Computer (by its id list).
  seams.starts.clear();
  TreeView_SelectItem(f.host.tree, nullptr);
  EXPECT_TRUE(RunFileCommand(f.host.main, 45035));
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].verb, "find");
  EXPECT_EQ(seams.starts[0].file, "");
}

TEST(FileCommands, ViewCommandsNeedAViewAndRenameNeedsARenamableFolder) {
  shelltest::HostWindows host;
  // Without a file pane the view-mode commands do nothing and report themselves handled.
  for (UINT id : {45042u, 45043u, 45044u, 45045u}) EXPECT_TRUE(RunFileCommand(host.main, id));
  // An unknown id is not ours.
  EXPECT_FALSE(RunFileCommand(host.main, 45212));
  // Rename with nothing selected only beeps; no edit starts.
  EXPECT_TRUE(RunFileCommand(host.main, 45235));
  EXPECT_EQ(TreeView_GetEditControl(host.tree), nullptr);
}

}  // namespace
