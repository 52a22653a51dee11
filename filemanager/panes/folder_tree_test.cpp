// The folder tree: the drive mask, lazy filling, archive nodes, path location, the FTP-sites
// node, the tree commands, and the pane records' swap and stored settings.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "pane_test_host.h"
#include "pidl.h"
#include "vfolder_links.h"
#include "command_ids.h"

using panetest::PaneHost;

namespace {

HTREEITEM NextNode(HWND tree, HTREEITEM node, UINT how) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(node)));
}

std::string NodeText(HWND tree, HTREEITEM node) {
  char text[MAX_PATH] = "";
  TVITEMA item{};
  item.mask = TVIF_TEXT | TVIF_HANDLE;
  item.hItem = node;
  item.pszText = text;
  item.cchTextMax = MAX_PATH;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return text;
}

int ChildrenFlag(HWND tree, HTREEITEM node) {
  TVITEMA item{};
  item.mask = TVIF_CHILDREN | TVIF_HANDLE;
  item.hItem = node;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return item.cChildren;
}

std::string ParsingNameOf(HWND tree, HTREEITEM node) {
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  char path[MAX_PATH] = "";
  if (record && record->folder) GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, path);
  return path;
}

// The parsing names of the drives shown below My Computer.
std::vector<std::string> ShownDrives(HWND tree) {
  std::vector<std::string> drives;
  HTREEITEM root = NextNode(tree, nullptr, TVGN_ROOT);
  for (HTREEITEM node = NextNode(tree, root, TVGN_CHILD); node; node = NextNode(tree, node, TVGN_NEXT)) {
    FolderTreeItem* record = GetTreeItemRecord(tree, node);
    LPITEMIDLIST drivesList = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drivesList);
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    bool isMyComputer = record && desktop->CompareIDs(0, record->absolute, drivesList) == 0;
    desktop->Release();
    FreePidl(drivesList);
    if (!isMyComputer) continue;
    ExpandFolderTreeItem(tree, node);
    for (HTREEITEM drive = NextNode(tree, node, TVGN_CHILD); drive; drive = NextNode(tree, drive, TVGN_NEXT))
      drives.push_back(ParsingNameOf(tree, drive));
  }
  return drives;
}

bool Contains(const std::vector<std::string>& list, const std::string& wanted) {
  for (const std::string& entry : list)
    if (lstrcmpiA(entry.c_str(), wanted.c_str()) == 0) return true;
  return false;
}

}  // namespace

TEST(FolderTree, DriveMaskDecidesWhichDrivesAreShown) {
  PaneHost host;
  std::vector<std::string> drives = ShownDrives(host.tree());
  EXPECT_TRUE(Contains(drives, "C:\\"));
  EXPECT_FALSE(Contains(drives, "Z:\\")) << "Z: is hidden by the mask";

  // A tree filled again with C: cleared from the mask has no C:.
  GetLiveOptions().driveFilters.driveMask &= ~(1u << ('C' - 64));
  SendMessageA(host.tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  FillFolderTree(host.tree(), desktop, nullptr, TVI_ROOT, 0);
  desktop->Release();
  drives = ShownDrives(host.tree());
  EXPECT_FALSE(Contains(drives, "C:\\"));
  EXPECT_FALSE(Contains(drives, "Z:\\"));
}

TEST(FolderTree, LocatesPathsAndFillsLazily) {
  jqtest::TempFolder temp;
  temp.MakeFolder("empty");
  temp.MakeFolder("full\\inner");
  temp.WriteFile("pack.zip", "PK\x05\x06" + std::string(18, '\0'));
  temp.WriteFile("plain.txt", "text");
  PaneHost host;
  HTREEITEM folder = SelectTreePath(host.tree(), temp.path().c_str(), TRUE);
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(lstrcmpiA(ParsingNameOf(host.tree(), folder).c_str(), temp.path().c_str()), 0);
  // A path with a trailing backslash and other letter case finds the same node.
  std::string upper = temp.path() + "\\";
  CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  EXPECT_EQ(SelectTreePath(host.tree(), upper.c_str(), FALSE), folder);

  ExpandFolderTreeItem(host.tree(), folder);
  std::vector<std::string> children;
  HTREEITEM empty = nullptr, full = nullptr, zip = nullptr;
  for (HTREEITEM node = NextNode(host.tree(), folder, TVGN_CHILD); node; node = NextNode(host.tree(), node, TVGN_NEXT)) {
    std::string text = NodeText(host.tree(), node);
    children.push_back(text);
    if (text == "empty") empty = node;
    if (text == "full") full = node;
    if (text == "pack.zip") zip = node;
  }
  // Folders and archives, sorted; plain files are not tree nodes.
  ASSERT_EQ(children.size(), 3u);
  ASSERT_TRUE(empty && full && zip);
  EXPECT_EQ(ChildrenFlag(host.tree(), full), 1);
  EXPECT_EQ(ChildrenFlag(host.tree(), zip), 1) << "an archive shows as an expandable node";
  // Expanding a folder without subfolders removes its button.
  ExpandFolderTreeItem(host.tree(), empty);
  EXPECT_EQ(ChildrenFlag(host.tree(), empty), 0);
  EXPECT_EQ(SelectTreePath(host.tree(), (temp / "missing").c_str(), FALSE), nullptr);
  EXPECT_EQ(SelectTreePath(host.tree(), "", FALSE), nullptr);
  HTREEITEM inner = SelectTreePath(host.tree(), (temp / "full\\inner").c_str(), TRUE);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(NextNode(host.tree(), nullptr, TVGN_CARET), inner);
  char path[MAX_PATH];
  ASSERT_TRUE(GetTreeSelectionPath(host.tree(), path, FALSE, TRUE));
  EXPECT_EQ(lstrcmpiA(path, (temp / "full\\inner").c_str()), 0);
}

TEST(FolderTree, ArchivesAreNoNodesWithTheOptionOff) {
  jqtest::TempFolder temp;
  temp.WriteFile("pack.zip", "PK\x05\x06" + std::string(18, '\0'));
  temp.MakeFolder("dir");
  PaneHost host;
  GetLiveOptions().noArchivesAsFolders = 1;
  HTREEITEM folder = SelectTreePath(host.tree(), temp.path().c_str(), FALSE);
  ASSERT_NE(folder, nullptr);
  ExpandFolderTreeItem(host.tree(), folder);
  HTREEITEM child = NextNode(host.tree(), folder, TVGN_CHILD);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(NodeText(host.tree(), child), "dir");
  EXPECT_EQ(NextNode(host.tree(), child, TVGN_NEXT), nullptr);
}

TEST(FolderTree, SelectingAnArchiveTakesTheArchivePathWithoutPretending) {
  jqtest::TempFolder temp;
  temp.WriteFile("pack.zip", "PK\x05\x06" + std::string(18, '\0'));
  PaneHost host;
  ASSERT_TRUE(host.Browse(temp / "pack.zip"));
  EXPECT_EQ(FilePanes[0].listKind, static_cast<UINT>(kListKindArchive));
  EXPECT_EQ(host.Count(), 0);
  EXPECT_EQ(FilePanes[0].itemCount, 0u);
}

TEST(FolderTree, FtpSitesNodeComesLastAndHasAButton) {
  PaneHost host;
  AddFtpSitesRoot(host.tree());
  HTREEITEM root = NextNode(host.tree(), nullptr, TVGN_ROOT);
  HTREEITEM last = nullptr;
  for (HTREEITEM node = NextNode(host.tree(), root, TVGN_CHILD); node; node = NextNode(host.tree(), node, TVGN_NEXT))
    last = node;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(NodeText(host.tree(), last), "Quorvanel FTP");
  EXPECT_EQ(ChildrenFlag(host.tree(), last), 1);
  FolderTreeItem* record = GetTreeItemRecord(host.tree(), last);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->kind, 3u);
  EXPECT_TRUE(IsFtpPidl(record->absolute));
  // Without the FTP library the node opens to nothing and its list stays empty.
  SendMessageA(host.tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(last));
  EXPECT_EQ(host.Count(), 0);
  ExpandFolderTreeItem(host.tree(), last);
  EXPECT_EQ(ChildrenFlag(host.tree(), last), 0);
}

TEST(FolderTree, ExpandAllAsksFirstAndCancelChangesNothing) {
  jqtest::TempFolder temp;
  temp.MakeFolder("a\\b\\c");
  PaneHost host;
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDCANCEL};
  HTREEITEM folder = SelectTreePath(host.tree(), temp.path().c_str(), TRUE);
  ASSERT_NE(folder, nullptr);
  int countBefore = static_cast<int>(SendMessageA(host.tree(), TVM_GETCOUNT, 0, 0));
  RunFolderTreeCommand(host.window, ID_TREE_EXPAND_ALL);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(SendMessageA(host.tree(), TVM_GETCOUNT, 0, 0), countBefore);

  // Expand branch opens every level below the selection; collapse branch closes them.
  RunFolderTreeCommand(host.window, ID_TREE_EXPAND_BRANCH);
  HTREEITEM c = SelectTreePath(host.tree(), (temp / "a\\b\\c").c_str(), FALSE);
  ASSERT_NE(c, nullptr);
  HTREEITEM b = NextNode(host.tree(), c, TVGN_PARENT);
  EXPECT_TRUE(SendMessageA(host.tree(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(b), TVIS_EXPANDED) & TVIS_EXPANDED);
  RunFolderTreeCommand(host.window, ID_TREE_COLLAPSE_BRANCH);
  EXPECT_FALSE(SendMessageA(host.tree(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(b), TVIS_EXPANDED) & TVIS_EXPANDED);
  EXPECT_FALSE(SendMessageA(host.tree(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(folder), TVIS_EXPANDED) & TVIS_EXPANDED);
}

TEST(FilePanes, SwapExchangesEveryFieldAndKeepsTheActivePane) {
  PaneHost host;
  HWND tree0 = host.tree(0), tree1 = host.tree(1);
  FilePanes[0].savedFsSortKey = 4;
  FilePanes[1].savedFsSortKey = 2;
  FilePanes[0].treeWidth = 100;
  FilePanes[1].treeWidth = 300;
  ActivePaneIndex = 1;
  SwapPaneRecords();
  EXPECT_EQ(FilePanes[0].tree, tree1);
  EXPECT_EQ(FilePanes[1].tree, tree0);
  EXPECT_EQ(FilePanes[0].savedFsSortKey, 2u);
  EXPECT_EQ(FilePanes[0].treeWidth, 300);
  EXPECT_EQ(ActivePaneIndex, 0);
  EXPECT_EQ(PaneIndexOfWindow(tree1), 0);
  SwapPaneRecords();
}

TEST(FilePanes, StoredSettingsRoundTripAndRepairBadValues) {
  jqtest::TempFolder temp;
  PaneHost host;
  FilePanesSettings settings;
  DefaultPanesSettings(&settings);
  settings.splitRatio = 1.5f;
  settings.treeWidth[0] = 10;
  settings.sortKeyFs[1] = 99;
  settings.viewCommand[0] = kViewDetails;
  lstrcpynA(settings.folder[0], temp.path().c_str(), MAX_PATH);
  lstrcpynA(settings.folder[1], (temp / "missing").c_str(), MAX_PATH);
  ApplyPanesSettings(&settings);
  EXPECT_FLOAT_EQ(g_paneLayout.ratio, 0.5f);
  EXPECT_EQ(FilePanes[0].treeWidth, kMinTreeWidth);
  EXPECT_EQ(FilePanes[1].savedFsSortKey, 0u);
  EXPECT_EQ(FilePanes[0].viewId, static_cast<UINT>(kViewDetails));
  EXPECT_STREQ(FilePanes[0].path, temp.path().c_str());
  EXPECT_STREQ(FilePanes[1].path, "");

  ASSERT_TRUE(host.Browse(temp.path(), 1));
  FilePanes[1].savedFsSortKey = 3;
  FilePanesSettings collected;
  CollectPanesSettings(&collected);
  EXPECT_FLOAT_EQ(collected.splitRatio, 0.5f);
  EXPECT_EQ(collected.treeWidth[0], static_cast<uint32_t>(kMinTreeWidth));
  EXPECT_EQ(collected.sortKeyFs[1], 3u);
  EXPECT_EQ(lstrcmpiA(collected.folder[1], temp.path().c_str()), 0);
}

namespace {

// A folder of three children whose middle one has no name.
class NamelessChildFolder : public IShellFolder, public IEnumIDList {
 public:
  NamelessChildFolder() {
    for (int i = 0; i < 3; ++i) {
      BYTE* item = items_[i];
      item[0] = 4;
      item[2] = static_cast<BYTE>('a' + i);
    }
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList** out) override {
    next_ = 0;
    *out = this;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST a, LPCITEMIDLIST b) override {
    return MAKE_HRESULT(0, 0, static_cast<USHORT>(static_cast<short>(Letter(a) - Letter(b))));
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF* attributes) override {
    *attributes &= SFGAO_FOLDER;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST item, SHGDNF flags, STRRET* name) override {
    if (Letter(item) == 'b') return E_FAIL;
    name->uType = STRRET_CSTR;
    name->cStr[0] = static_cast<char>((flags & SHGDN_FORPARSING) ? '?' : Letter(item));
    name->cStr[1] = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF, LPITEMIDLIST*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, LPITEMIDLIST* out, ULONG* fetched) override {
    ULONG n = 0;
    while (n < wanted && next_ < 3) out[n++] = CopyPidl(GetShellAllocator(), reinterpret_cast<LPCITEMIDLIST>(items_[next_++]));
    if (fetched) *fetched = n;
    return n == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumIDList**) override { return E_NOTIMPL; }
  static char Letter(LPCITEMIDLIST item) { return reinterpret_cast<const char*>(item)[2]; }

 private:
  BYTE items_[3][6] = {};
  int next_ = 0;
};

}  // namespace

TEST(FolderTree, ChildWithoutANameIsLeftOutAndItsSiblingsStay) {
  PaneHost host;
  NamelessChildFolder folder;
  HTREEITEM root = NextNode(host.tree(), nullptr, TVGN_ROOT);
  FolderTreeItem* rootRecord = GetTreeItemRecord(host.tree(), root);
  ASSERT_NE(rootRecord, nullptr);
  HTREEITEM parent = reinterpret_cast<HTREEITEM>(SendMessageA(host.tree(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
  ASSERT_NE(parent, nullptr);
  // Fill a fresh node below the root from the test folder.
  TVINSERTSTRUCTA insert{};
  insert.hParent = root;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>("test");
  HTREEITEM node = reinterpret_cast<HTREEITEM>(SendMessageA(host.tree(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
  FillFolderTree(host.tree(), &folder, rootRecord->absolute, node, 0);
  std::vector<std::string> names;
  for (HTREEITEM child = NextNode(host.tree(), node, TVGN_CHILD); child; child = NextNode(host.tree(), child, TVGN_NEXT))
    names.push_back(NodeText(host.tree(), child));
  EXPECT_EQ(names, (std::vector<std::string>{"a", "c"}));
  SendMessageA(host.tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
}

TEST(FolderTree, HostFileSystemStaysHiddenWithZ) {
  PaneHost host;
  HTREEITEM root = NextNode(host.tree(), nullptr, TVGN_ROOT);
  for (HTREEITEM node = NextNode(host.tree(), root, TVGN_CHILD); node; node = NextNode(host.tree(), node, TVGN_NEXT)) {
    std::string path = ParsingNameOf(host.tree(), node);
    EXPECT_NE(path.substr(0, 1), "/") << NodeText(host.tree(), node);
    EXPECT_NE(path.substr(0, 2), "Z:") << NodeText(host.tree(), node);
  }
}
