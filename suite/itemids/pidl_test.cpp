#include "pidl.h"

#include <gtest/gtest.h>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>
#include "shell_fixtures.h"
#include "test_support.h"

namespace {

// Builds an item id list from item payloads (each gets its 2-byte cb) and the terminator.
std::vector<BYTE> MakeList(const std::vector<std::vector<BYTE>>& items) {
  std::vector<BYTE> bytes;
  for (const auto& payload : items) {
    USHORT cb = static_cast<USHORT>(payload.size() + 2);
    bytes.push_back(static_cast<BYTE>(cb));
    bytes.push_back(static_cast<BYTE>(cb >> 8));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}
LPCITEMIDLIST AsList(const std::vector<BYTE>& bytes) {
  return reinterpret_cast<LPCITEMIDLIST>(bytes.data());
}

TEST(Pidl, SizesOfHandBuiltLists) {
  EXPECT_EQ(GetPidlSize(nullptr), 0u);
  auto empty = MakeList({});
  EXPECT_EQ(GetPidlSize(AsList(empty)), 2u);
  auto two = MakeList({{1, 2, 3}, {4, 5, 6, 7, 8}});
  EXPECT_EQ(GetPidlSize(AsList(two)), 2u + 5 + 7);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(NextPidlItem(AsList(two))), two.data() + 5);

  LPITEMIDLIST desktop = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop), S_OK);
  EXPECT_EQ(GetPidlSize(desktop), 2u);
  CoTaskMemFree(desktop);
}

TEST(Pidl, CopyAndCombine) {
  auto a = MakeList({{1, 2}, {3}});
  auto b = MakeList({{9, 9, 9}});
  auto empty = MakeList({});

  PidlPtr copy(CopyPidl(GetShellAllocator(), AsList(a)));
  ASSERT_TRUE(copy);
  EXPECT_EQ(memcmp(copy.get(), a.data(), a.size()), 0);
  EXPECT_EQ(CopyPidl(GetShellAllocator(), nullptr), nullptr);

  struct Case {
    const char* what;
    const std::vector<BYTE>* first;
    const std::vector<BYTE>* second;
    std::vector<BYTE> expected;
  };
  const Case cases[] = {
      {"null + b is b", nullptr, &b, b},
      {"a + empty is a", &a, &empty, a},
      {"a + b", &a, &b, MakeList({{1, 2}, {3}, {9, 9, 9}})},
      {"empty + empty", &empty, &empty, empty},
  };
  for (const Case& c : cases) {
    PidlPtr combined(CombinePidls(c.first ? AsList(*c.first) : nullptr, AsList(*c.second)));
    ASSERT_TRUE(combined) << c.what;
    ASSERT_EQ(GetPidlSize(combined.get()), c.expected.size()) << c.what;
    EXPECT_EQ(memcmp(combined.get(), c.expected.data(), c.expected.size()), 0) << c.what;
  }
}

TEST(Pidl, IsSameFirstItem) {
  struct Case {
    const char* what;
    std::vector<BYTE> a, b;
    BOOL expected;
  };
  const Case cases[] = {
      {"both empty", MakeList({}), MakeList({}), TRUE},
      {"one empty", MakeList({}), MakeList({{1}}), FALSE},
      {"same first, different rest", MakeList({{1, 2, 3}, {4}}), MakeList({{1, 2, 3}, {5, 6}}), TRUE},
      {"differ in the last byte", MakeList({{1, 2, 3}}), MakeList({{1, 2, 4}}), FALSE},
      {"differ in size", MakeList({{1, 2}}), MakeList({{1, 2, 0}}), FALSE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsSameFirstItem(AsList(c.a), AsList(c.b)), c.expected) << c.what;
}

// An allocator that counts the blocks freed through it.
class CountingMalloc : public IMalloc {
 public:
  explicit CountingMalloc(IMalloc* inner) : inner_(inner) {}
  std::atomic<int> frees{0};
  void* lastFreed = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IMalloc) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T n) override { return inner_->Alloc(n); }
  void* STDMETHODCALLTYPE Realloc(void* p, SIZE_T n) override { return inner_->Realloc(p, n); }
  void STDMETHODCALLTYPE Free(void* p) override {
    ++frees;
    lastFreed = p;
    inner_->Free(p);
  }
  SIZE_T STDMETHODCALLTYPE GetSize(void* p) override { return inner_->GetSize(p); }
  int STDMETHODCALLTYPE DidAlloc(void* p) override { return inner_->DidAlloc(p); }
  void STDMETHODCALLTYPE HeapMinimize() override { inner_->HeapMinimize(); }

 private:
  IMalloc* inner_;
};

// A folder that answers GetDisplayNameOf with one STRRET kind; everything else is refused.
class NameFolder : public IShellFolder {
 public:
  UINT kind = STRRET_WSTR;
  UINT offset = 0;
  void* lastWide = nullptr;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IShellFolder) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, LPITEMIDLIST*,
                                             ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE BindToObject(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE BindToStorage(LPCITEMIDLIST, IBindCtx*, REFIID, void**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM, LPCITEMIDLIST, LPCITEMIDLIST) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT, LPCITEMIDLIST*, SFGAOF*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND, UINT, LPCITEMIDLIST*, REFIID, UINT*,
                                          void**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF, STRRET* ret) override {
    ret->uType = kind;
    switch (kind) {
      case STRRET_WSTR: {
        static const wchar_t name[] = L"wide name";
        ret->pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(sizeof name));
        memcpy(ret->pOleStr, name, sizeof name);
        lastWide = ret->pOleStr;
        return S_OK;
      }
      case STRRET_OFFSET:
        ret->uOffset = offset;
        return S_OK;
      case STRRET_CSTR:
        lstrcpyA(ret->cStr, "inline name");
        return S_OK;
      default:
        return S_OK;
    }
  }
  HRESULT STDMETHODCALLTYPE SetNameOf(HWND, LPCITEMIDLIST, LPCOLESTR, SHGDNF,
                                      LPITEMIDLIST*) override { return E_NOTIMPL; }
};

TEST(Pidl, DisplayNameTextOfEveryStrretKind) {
  IMalloc* system = nullptr;
  ASSERT_EQ(SHGetMalloc(&system), S_OK);
  CountingMalloc counting(system);
  SetShellAllocator(&counting);

  NameFolder folder;
  // An item that carries its own name: cb, two bytes, then "offset name".
  std::vector<BYTE> payload = {0xAA, 0xBB};
  for (const char* p = "offset name"; *p; ++p) payload.push_back(static_cast<BYTE>(*p));
  payload.push_back(0);
  auto item = MakeList({payload});
  char text[MAX_PATH];

  folder.kind = STRRET_WSTR;
  EXPECT_EQ(GetDisplayNameText(&folder, AsList(item), SHGDN_NORMAL, text), 1);
  EXPECT_STREQ(text, "wide name");
  // The wide string went back to the shell allocator.
  EXPECT_EQ(counting.frees.load(), 1);
  EXPECT_EQ(counting.lastFreed, folder.lastWide);

  folder.kind = STRRET_OFFSET;
  folder.offset = 4;
  EXPECT_EQ(GetDisplayNameText(&folder, AsList(item), SHGDN_NORMAL, text), 1);
  EXPECT_STREQ(text, "offset name");
  folder.offset = 400;  // outside the item: refused, never read
  EXPECT_EQ(GetDisplayNameText(&folder, AsList(item), SHGDN_NORMAL, text), 0);
  EXPECT_STREQ(text, "");

  folder.kind = STRRET_CSTR;
  EXPECT_EQ(GetDisplayNameText(&folder, AsList(item), SHGDN_NORMAL, text), 1);
  EXPECT_STREQ(text, "inline name");

  folder.kind = 7;
  EXPECT_EQ(GetDisplayNameText(&folder, AsList(item), SHGDN_NORMAL, text), 0);

  SetShellAllocator(nullptr);
  system->Release();
}

TEST(Pidl, ParseBindAndNameRealFolders) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("docs\\readme.txt", "hello");
  std::string docs = temp / "docs";

  ULONG attributes = SFGAO_FOLDER;
  PidlPtr folderList(ParsePathToPidl(docs.c_str(), nullptr, &attributes));
  ASSERT_TRUE(folderList);
  EXPECT_TRUE(attributes & SFGAO_FOLDER);
  EXPECT_EQ(fixtures::ParsingName(folderList.get()), docs);
  EXPECT_EQ(ParsePathToPidl((temp / "missing").c_str(), nullptr, nullptr), nullptr);

  IShellFolder* folder = nullptr;
  ASSERT_EQ(GetShellFolderOfPath(docs.c_str(), &folder), S_OK);
  ASSERT_TRUE(folder);
  PidlPtr child(ParsePathToPidl("readme.txt", folder, nullptr));
  ASSERT_TRUE(child);
  char name[MAX_PATH];
  EXPECT_EQ(GetDisplayNameText(folder, child.get(), SHGDN_INFOLDER | SHGDN_FORPARSING, name), 1);
  EXPECT_STREQ(name, "readme.txt");
  EXPECT_EQ(GetDisplayNameText(folder, child.get(), SHGDN_FORPARSING, name), 1);
  EXPECT_EQ(std::string(name), file);

  // Absolute = the folder's list + the relative one.
  PidlPtr absolute(MakeAbsolutePidl(folder, child.get()));
  PidlPtr combined(CombinePidls(folderList.get(), child.get()));
  PidlPtr parsed(ParsePathToPidl(file.c_str(), nullptr, nullptr));
  EXPECT_TRUE(fixtures::SameItem(absolute.get(), parsed.get()));
  EXPECT_TRUE(fixtures::SameItem(combined.get(), parsed.get()));
  EXPECT_EQ(fixtures::ParsingName(combined.get()), file);
  folder->Release();

  IShellFolder* none = reinterpret_cast<IShellFolder*>(1);
  EXPECT_TRUE(FAILED(GetShellFolderOfPath((temp / "missing").c_str(), &none)));
  EXPECT_EQ(none, nullptr);

  char display[MAX_PATH];
  int icon = GetPidlIconAndName(folderList.get(), 1, display);
  EXPECT_GE(icon, 0);
  EXPECT_STREQ(display, "docs");
  TVITEMA tvi{};
  SetTreeItemIcons(folderList.get(), &tvi);
  EXPECT_EQ(tvi.mask, static_cast<UINT>(TVIF_IMAGE | TVIF_SELECTEDIMAGE));
  EXPECT_EQ(tvi.iImage, icon);
}

TEST(Pidl, ShortcutChainsAreFollowedAndCyclesEnd) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("target.txt", "x");
  std::string b = temp / "b.lnk", a = temp / "a.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(b, file));
  ASSERT_TRUE(fixtures::WriteShortcut(a, b));

  LPITEMIDLIST resolved = nullptr;
  ASSERT_EQ(ResolveShortcutToPidl(b.c_str(), &resolved), 1);
  EXPECT_EQ(fixtures::ParsingName(resolved), file);
  FreePidl(resolved);
  EXPECT_EQ(ResolveShortcutToPidl((temp / "none.lnk").c_str(), &resolved), 0);
  EXPECT_EQ(resolved, nullptr);

  PidlPtr start(ParsePathToPidl(a.c_str(), nullptr, nullptr));
  ASSERT_TRUE(start);
  PidlPtr end(FollowShortcutChain(start.get()));
  ASSERT_TRUE(end);
  EXPECT_EQ(fixtures::ParsingName(end.get()), file);

  // c.lnk -> d.lnk -> c.lnk: the chain ends without a target.
  std::string c = temp / "c.lnk", d = temp / "d.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(d, file));
  ASSERT_TRUE(fixtures::WriteShortcut(c, d));
  ASSERT_TRUE(fixtures::WriteShortcut(d, c));
  PidlPtr loop(ParsePathToPidl(c.c_str(), nullptr, nullptr));
  ASSERT_TRUE(loop);
  EXPECT_EQ(FollowShortcutChain(loop.get()), nullptr);
  EXPECT_EQ(OpenShellItem(loop.get()), 0);

  // A shortcut to itself.
  std::string self = temp / "self.lnk";
  ASSERT_TRUE(fixtures::WriteShortcut(self, file));
  ASSERT_TRUE(fixtures::WriteShortcut(self, self));
  PidlPtr selfList(ParsePathToPidl(self.c_str(), nullptr, nullptr));
  EXPECT_EQ(FollowShortcutChain(selfList.get()), nullptr);
}

TEST(Pidl, DefaultVerbOnlyForDialUpConnections) {
  jqtest::TempFolder temp;
  std::string file = temp.WriteFile("plain.txt", "x");
  PidlPtr list(ParsePathToPidl(file.c_str(), nullptr, nullptr));
  ASSERT_TRUE(list);
  EXPECT_EQ(InvokeDefaultVerb(list.get()), 0);
  EXPECT_EQ(InvokeDefaultVerb(nullptr), 0);
  PidlPtr folder(ParsePathToPidl(temp.path().c_str(), nullptr, nullptr));
  EXPECT_EQ(InvokeDefaultVerb(folder.get()), 0);
  // A hand-made list with the Dial-Up folder's class id in its second item but nothing behind
  // it in the shell: no command runs.
  std::vector<BYTE> dialUp(18, 0);
  const GUID id = {0x992CFFA0, 0xF557, 0x101A, {0x88, 0xEC, 0x00, 0xDD, 0x01, 0x0C, 0xCC, 0x48}};
  memcpy(dialUp.data() + 2, &id, sizeof id);
  std::vector<BYTE> computer(18, 0);
  computer[0] = 0x1F;
  computer[1] = 0x50;
  const GUID myComputer = {0x20D04FE0, 0x3AEA, 0x1069, {0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D}};
  memcpy(computer.data() + 2, &myComputer, sizeof myComputer);
  auto fake = MakeList({computer, dialUp, {1, 2, 3}});
  EXPECT_EQ(InvokeDefaultVerb(AsList(fake)), 0);
  // Opening a plain file through OpenShellItem is no dial-up connection either.
  EXPECT_EQ(OpenShellItem(list.get()), 0);
}

}  // namespace
