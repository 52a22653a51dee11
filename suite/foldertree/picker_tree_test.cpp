#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "picker_tree.h"
#include "pidl.h"
#include "settings_store.h"
#include "test_support.h"

namespace {

// The picker's owner as a dialog has it: children read on TVN_ITEMEXPANDING, records freed on
// TVN_DELETEITEM (counted).
int g_deleted = 0;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TVN_ITEMEXPANDINGA)
      ExpandPickerTreeItem(header->hwndFrom, reinterpret_cast<NMTREEVIEWA*>(header), TRUE, FALSE);
    if (header->code == TVN_DELETEITEMA) {
      ++g_deleted;
      FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string SelectedParsingName(HWND tree) {
  auto* record = GetTreeItemRecord(tree, TreeView_GetSelection(tree));
  char name[MAX_PATH] = "";
  if (record && record->folder)
    GetDisplayNameText(record->folder, record->relative, SHGDN_FORPARSING, name);
  return name;
}

TEST(FolderTreeNodes, RootExpandsToTheDrivesAndTheWalkReachesAPathThroughTheOwnersFill) {
  jqtest::TestRegistry registry;
  ApplyDefaultGlobalSettings();
  GetLiveOptions().driveFilters.driveMask &= ~(1u << ('Z' - 64));  // never the host's file system
  jqtest::TempFolder temp;
  temp.MakeFolder("two\\deep");
  WNDCLASSA wc{};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TreeNodesTestOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 300, 400,
                               nullptr, nullptr, wc.hInstance, nullptr);
  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_CHILD | TVS_HASBUTTONS, 0, 0, 280, 380,
                              owner, nullptr, wc.hInstance, nullptr);
  IShellFolder* desktop = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&desktop)));
  FillPickerTree(tree, desktop, nullptr, TVI_ROOT, TRUE, FALSE);
  desktop->Release();

  ExpandTreeRoot(tree);
  HTREEITEM root = TreeView_GetRoot(tree);
  HTREEITEM drives = TreeView_GetSelection(tree);
  ASSERT_TRUE(drives);
  EXPECT_EQ(TreeView_GetParent(tree, drives), root);
  EXPECT_TRUE(TreeView_GetItemState(tree, drives, TVIS_EXPANDED) & TVIS_EXPANDED);

  // Without a fill of its own the walk expands each node and the owner reads it.
  std::string deep = temp / "two\\deep";
  HTREEITEM found = SelectTreePathComponents(tree, deep.c_str(), TreeView_GetChild(tree, drives), TRUE);
  ASSERT_TRUE(found);
  EXPECT_EQ(TreeView_GetSelection(tree), found);
  EXPECT_EQ(lstrcmpiA(SelectedParsingName(tree).c_str(), deep.c_str()), 0);
  // Without selecting; a path that is not there; a path that stops inside a name.
  EXPECT_EQ(SelectTreePathComponents(tree, (temp / "two").c_str(), TreeView_GetChild(tree, drives), FALSE),
            TreeView_GetParent(tree, found));
  EXPECT_EQ(TreeView_GetSelection(tree), found);
  EXPECT_FALSE(SelectTreePathComponents(tree, (temp / "two\\missing").c_str(), TreeView_GetChild(tree, drives), TRUE));
  EXPECT_FALSE(SelectTreePathComponents(tree, (temp / "tw").c_str(), TreeView_GetChild(tree, drives), TRUE));

  const int nodes = static_cast<int>(TreeView_GetCount(tree));
  g_deleted = 0;
  DestroyWindow(owner);
  EXPECT_EQ(g_deleted, nodes);  // every record went through FreePickerTreeItem
}

}  // namespace

namespace {

// A shell folder whose items have display names but no parsing names, as servers of the network
// have.
class NamesOnlyFolder : public IShellFolder {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IShellFolder) {
      *out = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET* name) override {
    if (flags & SHGDN_FORPARSING) return E_FAIL;
    name->uType = STRRET_CSTR;
    lstrcpynA(name->cStr, reinterpret_cast<const char*>(item->mkid.abID), MAX_PATH);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override {
    return E_NOTIMPL;
  }
  ULONG references = 1;
};

// An item id list of one item that carries its name.
std::vector<BYTE> NamedItem(const char* name) {
  std::vector<BYTE> bytes(2 + strlen(name) + 1 + 2, 0);
  USHORT cb = static_cast<USHORT>(2 + strlen(name) + 1);
  memcpy(bytes.data(), &cb, 2);
  memcpy(bytes.data() + 2, name, strlen(name));
  return bytes;
}

TEST(FolderTreeNodes, ServersWithoutParsingNamesMatchAsUncNames) {
  NamesOnlyFolder folder;
  std::vector<BYTE> servers[] = {NamedItem("OTHER"), NamedItem("FILESERVER")};
  FolderTreeItem records[2] = {};
  HWND tree = CreateWindowExA(0, WC_TREEVIEWA, "", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(tree);
  HTREEITEM nodes[2] = {};
  for (int i = 0; i < 2; ++i) {
    records[i].folder = &folder;
    records[i].relative = reinterpret_cast<LPITEMIDLIST>(servers[i].data());
    TVINSERTSTRUCTA insert{};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<char*>(i ? "FILESERVER" : "OTHER");
    insert.item.lParam = reinterpret_cast<LPARAM>(&records[i]);
    nodes[i] = TreeView_InsertItem(tree, &insert);
  }
  HTREEITEM first = TreeView_GetRoot(tree);
  EXPECT_EQ(SelectTreePathComponents(tree, "\\\\fileserver", first, TRUE), nodes[1]);
  EXPECT_EQ(TreeView_GetSelection(tree), nodes[1]);
  EXPECT_EQ(SelectTreePathComponents(tree, "\\\\FILESERVER\\", first, FALSE), nodes[1]);
  EXPECT_FALSE(SelectTreePathComponents(tree, "\\fileserver", first, FALSE));
  EXPECT_FALSE(SelectTreePathComponents(tree, "\\\\fileserv", first, FALSE));
  DestroyWindow(tree);
}

}  // namespace
