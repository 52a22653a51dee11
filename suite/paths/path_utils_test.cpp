#include "path_utils.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "pidl.h"
#include "shell_fixtures.h"
#include "sibling_probe.h"
#include "test_support.h"

namespace {

TEST(PathUtils, TrimmingTables) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case strip[] = {
      {"C:\\", "C:\\"}, {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp", "C:\\Temp"},
      {"", ""},         {"a\\", "a\\"},             {"C:\\a\\\\", "C:\\a\\"},
  };
  for (const Case& c : strip) {
    char path[MAX_PATH];
    lstrcpyA(path, c.in);
    StripTrailingBackslash(path);
    EXPECT_STREQ(path, c.out) << "strip " << c.in;
  }

  struct TrimCase {
    const char* in;
    const char* out;
    BOOL remains;
    BOOL wildcards;
  };
  const TrimCase trims[] = {
      {"   dir", "dir", TRUE, FALSE},
      {"*.txt", "*.txt", TRUE, TRUE},
      {"  a?c", "a?c", TRUE, TRUE},
      {"    ", "", FALSE, FALSE},
      {"", "", FALSE, FALSE},
      {"name with * inside", "name with * inside", TRUE, TRUE},
  };
  for (const TrimCase& c : trims) {
    char text[64];
    lstrcpyA(text, c.in);
    EXPECT_EQ(TrimLeadingSpaces(text), c.remains) << "trim '" << c.in << "'";
    EXPECT_STREQ(text, c.out);
    lstrcpyA(text, c.in);
    EXPECT_EQ(TrimAndTestWildcards(text), c.wildcards) << "wildcards '" << c.in << "'";
    EXPECT_STREQ(text, c.out);
  }
}

TEST(PathUtils, ArchiveAndShortcutTestsOnRealFiles) {
  jqtest::TempFolder temp;
  for (const char* name : {"a.zip", "archive.TGZ", "x.z", "b.rar", "notes.txt", "zip", "a.zipx"})
    temp.WriteFile(name, "x");
  temp.MakeFolder("folder.zip");
  struct Case {
    const char* name;
    BOOL archive;
    int zip;
  };
  const Case cases[] = {
      {"a.zip", TRUE, 1},       {"archive.TGZ", TRUE, 0}, {"x.z", TRUE, 0},
      {"b.rar", TRUE, 0},       {"notes.txt", FALSE, 0},  {"zip", FALSE, 0},
      {"a.zipx", FALSE, 0},     {"missing.zip", FALSE, 0}, {"folder.zip", FALSE, 0},
  };
  for (const Case& c : cases) {
    std::string path = temp / c.name;
    int zip = 7;
    EXPECT_EQ(IsArchivePath(nullptr, nullptr, path.c_str(), &zip), c.archive) << c.name;
    EXPECT_EQ(zip, c.zip) << c.name;
  }
  // The same test through a folder and a relative list.
  IShellFolder* folder = nullptr;
  ASSERT_EQ(GetShellFolderOfPath(temp.path().c_str(), &folder), S_OK);
  PidlPtr item(ParsePathToPidl("a.zip", folder, nullptr));
  ASSERT_TRUE(item);
  int zip = 0;
  EXPECT_TRUE(IsArchivePath(folder, item.get(), nullptr, &zip));
  EXPECT_EQ(zip, 1);
  int plain = 0;
  EXPECT_TRUE(IsZipItemPath(folder, item.get(), &plain));
  EXPECT_EQ(plain, 1);
  PidlPtr text(ParsePathToPidl("notes.txt", folder, nullptr));
  EXPECT_FALSE(IsArchivePath(folder, text.get(), nullptr, nullptr));
  EXPECT_FALSE(IsZipItemPath(folder, text.get(), &plain));
  EXPECT_FALSE(IsRemovableDriveRoot(folder, item.get()));
  folder->Release();

  EXPECT_TRUE(IsShortcutPath("C:\\x\\Link.LNK"));
  EXPECT_FALSE(IsShortcutPath("C:\\x.lnk\\file"));
  EXPECT_FALSE(IsShortcutPath("C:\\x\\lnk"));
}

TEST(PathUtils, PathsThroughZipFiles) {
  jqtest::TempFolder temp;
  temp.WriteFile("a.zip", "PK");
  temp.MakeFolder("real.zip\\docs");
  struct Case {
    std::string path;
    BOOL inside;
  };
  const Case cases[] = {
      {temp / "a.zip", TRUE},
      {temp / "a.zip\\docs\\readme.txt", TRUE},
      {temp / "A.ZIP\\x", TRUE},
      {temp / "real.zip\\docs\\readme.txt", FALSE},
      {temp / "real.zip", FALSE},
      {temp / "missing.zip\\x", FALSE},
      {"a.zip", FALSE},
      {"", FALSE},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInsideZipPath(c.path.c_str()), c.inside) << c.path;
}

TEST(PathUtils, SiblingProductAbsent) {
  jqtest::TempFolder temp;
  std::string zip = temp.WriteFile("a.zip", "PK");
  EXPECT_TRUE(IsPlainFileWithSiblingOff(zip.c_str()));
  EXPECT_FALSE(IsPlainFileWithSiblingOff(temp.path().c_str()));
  EXPECT_FALSE(IsPlainFileWithSiblingOff((temp / "missing").c_str()));
  EXPECT_FALSE(IsPlainFileWithSiblingOff(nullptr));
  for (const char* flag : {"C:\\ISFQONX", "C:\\FQTOFFX", "C:\\FQTONXX"})
    EXPECT_EQ(GetFileAttributesA(flag), INVALID_FILE_ATTRIBUTES) << flag << " was created";

  EXPECT_FALSE(OpenSiblingDriver());
  DWORD first = 1, second = 2, third = 3;
  ULONGLONG rest = 4;
  QuerySiblingFileInfo(zip.c_str(), &first, &second, &third, &rest);
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(second, 0u);
  EXPECT_EQ(third, 0u);
  EXPECT_EQ(rest, 0u);
  QuerySiblingFileInfo(zip.c_str(), nullptr, nullptr, nullptr, nullptr);

  // A reply nobody asked for is not taken.
  struct {
    DWORD code;
    char path[16];
  } block = {7, "\\\\.\\FQDEV"};
  COPYDATASTRUCT data{kSiblingReplyId, sizeof block, &block};
  std::string before = GetSiblingReply().devicePath;
  EXPECT_FALSE(StoreSiblingReply(GetDesktopWindow(), &data));
  EXPECT_EQ(GetSiblingReply().devicePath, before);
}

TEST(PathUtils, CreateDirectoryPathMakesTheChain) {
  jqtest::TempFolder temp;
  char path[MAX_PATH];
  lstrcpyA(path, (temp / "x\\y\\z\\").c_str());
  EXPECT_TRUE(CreateDirectoryPath(path));
  EXPECT_EQ(std::string(path), temp / "x\\y\\z");
  EXPECT_TRUE(jqtest::FolderExists(temp / "x"));
  EXPECT_TRUE(jqtest::FolderExists(temp / "x\\y"));
  EXPECT_TRUE(jqtest::FolderExists(temp / "x\\y\\z"));
  // Existing: the last CreateDirectoryA fails quietly.
  EXPECT_FALSE(CreateDirectoryPath(path));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

  for (const char* shortPath : {"C:\\", "C:", ""}) {
    lstrcpyA(path, shortPath);
    EXPECT_FALSE(CreateDirectoryPath(path)) << shortPath;
  }
}

TEST(PathUtils, CreateDirectoryPathStepMakesParentsFirstAndIgnoresShortPaths) {
  jqtest::TempFolder temp;
  // The parent chain of a path with or without a final backslash.
  for (const char* tail : {"a\\b\\c", "d\\e\\"}) {
    std::string path = temp / tail;
    CreateDirectoryPathStep(path.c_str());
    std::string folder = path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
    EXPECT_TRUE(jqtest::FolderExists(folder)) << tail;
  }
  // An existing folder is no error, only a failing last step.
  EXPECT_FALSE(CreateDirectoryPathStep((temp / "a\\b").c_str()));
  EXPECT_TRUE(jqtest::FolderExists(temp / "a\\b\\c"));
  // Fewer than 4 characters: nothing is done.
  for (const char* shortPath : {"", "C:", "C:\\"}) EXPECT_FALSE(CreateDirectoryPathStep(shortPath)) << shortPath;
  // A path longer than MAX_PATH is cut to what fits before its parents are made; nothing overruns.
  std::string deep = temp.path();
  while (deep.size() < 400) deep += "\\0123456789";
  CreateDirectoryPathStep(deep.c_str());
}

TEST(PathUtils, FolderHasItems) {
  jqtest::TempFolder temp;
  std::string empty = temp.MakeFolder("empty");
  std::string hidden = temp.MakeFolder("hidden");
  std::string file = temp.WriteFile("hidden\\secret.txt", "x");
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(FolderHasItems(empty.c_str()), S_FALSE);
  EXPECT_EQ(FolderHasItems(hidden.c_str()), S_OK);
  EXPECT_TRUE(FAILED(FolderHasItems((temp / "missing").c_str())));
}

TEST(PathUtils, ResolveShortcutGivesPathListOrTheLinkItself) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("target.txt", "x");
  std::string toFile = temp / "file.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(toFile, file));

  char out[MAX_PATH];
  LPITEMIDLIST list = nullptr;
  EXPECT_EQ(ResolveShortcut(nullptr, toFile.c_str(), out, &list), 1);
  EXPECT_EQ(std::string(out), file);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(ResolveShortcut(nullptr, toFile.c_str(), nullptr, nullptr), 1);

  LPITEMIDLIST computer = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  std::string toComputer = temp / "computer.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(toComputer, "", computer));
  EXPECT_EQ(ResolveShortcut(nullptr, toComputer.c_str(), out, &list), 0);
  EXPECT_STREQ(out, "");
  ASSERT_TRUE(list);
  EXPECT_TRUE(fixtures::SameItem(list, computer));
  FreePidl(list);
  CoTaskMemFree(computer);

  // A target that went away: answered at once, without a question to the user.
  std::string gone = temp.WriteFile("gone.txt", "x");
  std::string toGone = temp / "gone.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(toGone, gone));
  DeleteFileA(gone.c_str());
  {
    jqtest::SeamRecorder seams;
    DWORD start = GetTickCount();
    int result = ResolveShortcut(nullptr, toGone.c_str(), out, &list);
    EXPECT_LT(GetTickCount() - start, 5000u);
    // Windows may search for the moved target; Wine answers with the stored path.
    EXPECT_EQ(std::string(out), result ? gone : toGone);
    if (list) FreePidl(list);
    list = nullptr;
    EXPECT_TRUE(seams.boxes.empty());
  }

  std::string broken = temp.WriteFile("broken.lnk", "not a shortcut");
  EXPECT_EQ(ResolveShortcut(nullptr, broken.c_str(), out, &list), 0);
  EXPECT_EQ(std::string(out), broken);
  EXPECT_EQ(list, nullptr);
}

LPCITEMIDLIST PidlOfTreeItem(HWND tree, HTREEITEM item) {
  TVITEMA tvi{};
  tvi.mask = TVIF_PARAM;
  tvi.hItem = item;
  if (!TreeView_GetItem(tree, &tvi)) return nullptr;
  return reinterpret_cast<LPCITEMIDLIST>(tvi.lParam);
}

TEST(PathUtils, EnsureFolderReachableMovesUpToAnExistingFolder) {
  jqtest::TempFolder temp;
  std::string kept = temp.MakeFolder("kept");
  std::string gone = temp.MakeFolder("kept\\gone\\deeper");
  PidlPtr rootList(ParsePathToPidl(kept.c_str(), nullptr, nullptr));
  PidlPtr goneList(ParsePathToPidl((kept + "\\gone").c_str(), nullptr, nullptr));
  PidlPtr deeperList(ParsePathToPidl(gone.c_str(), nullptr, nullptr));
  ASSERT_TRUE(rootList && goneList && deeperList);

  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP | TVS_HASBUTTONS, 0, 0, 200, 300,
                              nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(tree);
  auto insert = [&](HTREEITEM parent, LPCITEMIDLIST list, const char* text) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text);
    ins.item.lParam = reinterpret_cast<LPARAM>(list);
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  };
  HTREEITEM root = insert(TVI_ROOT, rootList.get(), "kept");
  HTREEITEM goneItem = insert(root, goneList.get(), "gone");
  HTREEITEM deeperItem = insert(goneItem, deeperList.get(), "deeper");
  TreeView_Expand(tree, root, TVE_EXPAND);
  TreeView_Expand(tree, goneItem, TVE_EXPAND);
  TreeView_SelectItem(tree, deeperItem);

  IShellFolder* desktop = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
  EXPECT_TRUE(EnsureFolderReachable(desktop, deeperList.get(), tree, PidlOfTreeItem));
  EXPECT_EQ(TreeView_GetSelection(tree), deeperItem);

  // The folder and its parent vanish: the selection climbs to the nearest one that exists.
  ASSERT_TRUE(jqtest::RemoveTree(kept + "\\gone"));
  EXPECT_FALSE(EnsureFolderReachable(desktop, deeperList.get(), tree, PidlOfTreeItem));
  EXPECT_EQ(TreeView_GetSelection(tree), root);
  EXPECT_FALSE(TreeView_GetItemState(tree, goneItem, TVIS_EXPANDED) & TVIS_EXPANDED);
  desktop->Release();
  DestroyWindow(tree);
}

TEST(PathUtils, SystemQueries) {
  EXPECT_GE(GetDllVersion("comctl32.dll"), 5u << 16);
  EXPECT_EQ(GetDllVersion("kernel32.dll"), 0u);
  EXPECT_EQ(GetDllVersion("no-such-library.dll"), 0u);
  EXPECT_EQ(InitCommonControlsCompat(), 1);
  IsNetworkAvailable();  // answers either way; must not hang or show anything
}

}  // namespace
