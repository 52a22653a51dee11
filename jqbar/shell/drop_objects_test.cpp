#include "drop_objects.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "pidl.h"
#include "test_support.h"

namespace jqbar {
namespace {

// A data object offering given formats as global memory, as another program's drag would.
class TestData final : public IDataObject {
 public:
  void Offer(UINT format, const void* bytes, SIZE_T size, LONG index = -1) {
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE, size);
    memcpy(GlobalLock(global), bytes, size);
    GlobalUnlock(global);
    formats_[{format, index}] = global;
  }
  void Offer(UINT format, const std::string& bytes, LONG index = -1) {
    Offer(format, bytes.data(), bytes.size(), index);
  }
  ~TestData() {
    for (auto& entry : formats_) GlobalFree(entry.second);
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* medium) override {
    ++gets;
    if (!(f->tymed & TYMED_HGLOBAL) || f->dwAspect != DVASPECT_CONTENT) return DV_E_FORMATETC;
    auto it = formats_.find({f->cfFormat, f->lindex});
    if (it == formats_.end()) return DV_E_FORMATETC;
    SIZE_T size = GlobalSize(it->second);
    // The block handed out is followed by bytes that are no text end: a reader that trusts
    // another size than the block's own reads them.
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size + 256);
    auto* bytes = static_cast<char*>(GlobalLock(copy));
    memset(bytes, 'X', size + 256);
    memcpy(bytes, GlobalLock(it->second), size);
    GlobalUnlock(copy);
    GlobalUnlock(it->second);
    copy = GlobalReAlloc(copy, size, 0);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = copy;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* f) override {
    return formats_.count({f->cfFormat, f->lindex}) ? S_OK : DV_E_FORMATETC;
  }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  int gets = 0;

 private:
  ULONG refs_ = 1;
  std::map<std::pair<UINT, LONG>, HGLOBAL> formats_;
};

// A "FileGroupDescriptor" of the names with the sizes they claim.
std::string Descriptors(const std::vector<std::pair<std::string, DWORD>>& files) {
  std::string bytes(sizeof(UINT) + files.size() * sizeof(FILEDESCRIPTORA), '\0');
  UINT count = UINT(files.size());
  memcpy(&bytes[0], &count, sizeof count);
  for (std::size_t i = 0; i < files.size(); ++i) {
    FILEDESCRIPTORA d{};
    d.dwFlags = FD_FILESIZE;
    d.nFileSizeLow = files[i].second;
    lstrcpynA(d.cFileName, files[i].first.c_str(), MAX_PATH);
    memcpy(&bytes[sizeof(UINT) + i * sizeof d], &d, sizeof d);
  }
  return bytes;
}

std::string DropFiles(const std::string& pathsWithNuls, DWORD offset = sizeof(DROPFILES)) {
  DROPFILES header{};
  header.pFiles = offset;
  std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
  return bytes + pathsWithNuls;
}

std::vector<std::string> g_log;
BOOL g_accept = TRUE;
BOOL g_takeOnBar = FALSE;
int g_dragKind = 0;

std::string Point(int x, int y) { return "(" + std::to_string(x) + "," + std::to_string(y) + ")"; }
std::string PathOf(LPCITEMIDLIST parent, LPCITEMIDLIST item) {
  PidlPtr whole(CombinePidls(parent, item));
  char path[MAX_PATH] = {};
  SHGetPathFromIDListA(whole.get(), path);
  return path;
}

ButtonBarDropHandlers RecordingButtonBar() {
  ButtonBarDropHandlers h;
  h.setDropTarget = [](HWND bar) { g_log.push_back(bar ? "target" : "target none"); };
  h.dragKind = [](HWND) { return g_dragKind; };
  h.trackDragOver = [](HWND, int x, int y) {
    g_log.push_back("track " + Point(x, y));
    return g_accept;
  };
  h.dropOnBar = [](HWND, int x, int y) {
    g_log.push_back("bar " + Point(x, y));
    return g_takeOnBar;
  };
  h.dropFile = [](HWND, const char* path, int x, int y) { g_log.push_back("file " + std::string(path) + " " + Point(x, y)); };
  h.dropIdList = [](HWND, LPCITEMIDLIST parent, LPCITEMIDLIST item, int x, int y) {
    g_log.push_back("item " + PathOf(parent, item) + " " + Point(x, y));
  };
  h.dropUrl = [](HWND, const UrlShortcut* s, int x, int y) {
    g_log.push_back("url " + s->name + " " + s->url + " " + Point(x, y));
  };
  return h;
}

class DropObjects : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    g_accept = TRUE;
    g_takeOnBar = FALSE;
    g_dragKind = 0;
    // A popup at (200, 150): the screen point (210, 165) is the client point (10, 15).
    owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 200, 150, 300, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    SetButtonBarDropHandlers(RecordingButtonBar());
    baseline = LiveDropObjectCount();
  }
  void TearDown() override {
    DestroyWindow(owner);
    SetButtonBarDropHandlers({});
    SetMenuBarDropHandlers({});
    SetMenuWindowDropHandlers({});
    SetPrintersBarDropHandlers({});
    EXPECT_EQ(LiveDropObjectCount(), baseline);
  }
  // The shell's own data object for files of the temporary folder.
  IDataObject* ShellData(const std::vector<std::string>& names) {
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    PidlPtr folderList(ParsePathToPidl(temp.path().c_str(), nullptr, nullptr));
    IShellFolder* folder = nullptr;
    desktop->BindToObject(folderList.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder));
    desktop->Release();
    if (!folder) return nullptr;
    std::vector<PidlPtr> items;
    std::vector<LPCITEMIDLIST> raw;
    for (const std::string& name : names) {
      items.emplace_back(ParsePathToPidl(name.c_str(), folder, nullptr));
      raw.push_back(items.back().get());
    }
    IDataObject* data = nullptr;
    folder->GetUIObjectOf(nullptr, UINT(raw.size()), raw.data(), IID_IDataObject, nullptr,
                          reinterpret_cast<void**>(&data));
    folder->Release();
    return data;
  }
  void DropOn(IDropTarget* target, IDataObject* data) {
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    target->DragEnter(data, MK_LBUTTON, POINTL{210, 165}, &effect);
    target->DragOver(MK_LBUTTON, POINTL{210, 165}, &effect);
    target->Drop(data, 0, POINTL{210, 165}, &effect);
  }

  HWND owner = nullptr;
  long baseline = 0;
  jqtest::TempFolder temp;
};

TEST_F(DropObjects, FilesFromTheShellAreDroppedAsFilesOnly) {
  std::string a = temp.WriteFile("a.txt", "a"), b = temp.WriteFile("b.txt", "b");
  IDataObject* data = ShellData({"a.txt", "b.txt"});
  ASSERT_TRUE(data);
  // The shell's object offers both files and items: files win.
  IDropTarget* target = CreateButtonBarDropTarget(owner);
  DropOn(target, data);
  DestroyButtonBarDropTarget(target);
  std::vector<std::string> expected = {"target", "track (10,15)", "track (-1,-1)", "bar (10,15)",
                                       "file " + a + " (10,15)", "file " + b + " (10,15)", "target none"};
  EXPECT_EQ(g_log, expected);

  // The same items as "Shell IDList Array" alone arrive as parent and item lists.
  FORMATETC f{CLIPFORMAT(ShellIdListFormat()), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&f, &medium), S_OK);
  TestData items;
  items.Offer(ShellIdListFormat(), GlobalLock(medium.hGlobal), GlobalSize(medium.hGlobal));
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);
  data->Release();
  g_log.clear();
  target = CreateButtonBarDropTarget(owner);
  DropOn(target, &items);
  DestroyButtonBarDropTarget(target);
  expected = {"target", "track (10,15)", "track (-1,-1)", "bar (10,15)",
              "item " + a + " (10,15)", "item " + b + " (10,15)", "target none"};
  EXPECT_EQ(g_log, expected);
}

TEST_F(DropObjects, ADraggedInternetShortcutBecomesOneUrl) {
  std::string url = "[InternetShortcut]\r\nURL=http://drop.example/page\r\n";
  struct Case {
    const char* what;
    DWORD claimed;  // the descriptor's size
    std::string expected;
  } cases[] = {
      {"true size", DWORD(url.size()), "url Page.url http://drop.example/page (10,15)"},
      {"no size: bounded by the memory", 0, "url Page.url http://drop.example/page (10,15)"},
      {"a size beyond the memory", 100000, "url Page.url http://drop.example/page (10,15)"},
      {"a smaller size cuts", 31, "url Page.url http:// (10,15)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_log.clear();
    TestData data;
    data.Offer(FileGroupDescriptorFormat(), Descriptors({{"readme.txt", 5}, {"Page.url", c.claimed}}));
    // The contents end without a terminator, right where the block ends.
    data.Offer(FileContentsFormat(), url.substr(0, url.size() - 2), 1);
    IDropTarget* target = CreateButtonBarDropTarget(owner);
    DropOn(target, &data);
    DestroyButtonBarDropTarget(target);
    ASSERT_EQ(g_log.size(), 6u);
    EXPECT_EQ(g_log[4], c.expected);
  }
}

TEST_F(DropObjects, DamagedDataIsIgnored) {
  std::string shortIda(12, '\0');
  UINT lying[] = {3, 8, 4000, 12};  // three items, offsets out of the block
  struct Case {
    const char* what;
    UINT format;
    std::string bytes;
  } cases[] = {
      {"file list offset outside", CF_HDROP, DropFiles("C:\\a\0\0", 5000)},
      {"file list without its end", CF_HDROP, DropFiles(std::string("C:\\a", 4))},
      {"item array too short", ShellIdListFormat(), shortIda},
      {"item offsets outside", ShellIdListFormat(), std::string(reinterpret_cast<char*>(lying), sizeof lying)},
      {"descriptor count beyond the block", FileGroupDescriptorFormat(), std::string("\xff\xff\x00\x00", 4)},
      {"url without contents", FileGroupDescriptorFormat(), Descriptors({{"x.url", 10}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_log.clear();
    TestData data;
    data.Offer(c.format, c.bytes);
    IDropTarget* target = CreateButtonBarDropTarget(owner);
    DropOn(target, &data);
    DestroyButtonBarDropTarget(target);
    std::vector<std::string> expected = {"target", "track (10,15)", "track (-1,-1)", "bar (10,15)", "target none"};
    EXPECT_EQ(g_log, expected);
  }
  // A drop the bar takes itself (a moved button) reads no data at all.
  g_log.clear();
  g_takeOnBar = TRUE;
  TestData files;
  files.Offer(CF_HDROP, DropFiles(std::string("C:\\a\0\0", 6)));
  IDropTarget* target = CreateButtonBarDropTarget(owner);
  target->Drop(&files, 0, POINTL{210, 165}, nullptr);
  DestroyButtonBarDropTarget(target);
  EXPECT_EQ(files.gets, 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"track (-1,-1)", "bar (10,15)", "target none"}));
}

TEST_F(DropObjects, ButtonBarEffects) {
  struct Case {
    int dragKind;
    BOOL accepts;
    DWORD proposed, effect;
  } cases[] = {
      {0, TRUE, DROPEFFECT_LINK, DROPEFFECT_LINK}, {0, FALSE, DROPEFFECT_LINK, DROPEFFECT_NONE},
      {1, TRUE, DROPEFFECT_MOVE, DROPEFFECT_COPY}, {2, TRUE, DROPEFFECT_LINK, DROPEFFECT_COPY},
      {2, FALSE, DROPEFFECT_COPY, DROPEFFECT_NONE},
  };
  TestData data;
  IDropTarget* target = CreateButtonBarDropTarget(owner);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dragKind << " " << c.accepts);
    g_dragKind = c.dragKind;
    g_accept = c.accepts;
    DWORD effect = c.proposed;
    target->DragEnter(&data, MK_LBUTTON, POINTL{210, 165}, &effect);
    EXPECT_EQ(effect, c.proposed);
    target->DragOver(MK_LBUTTON, POINTL{210, 165}, &effect);
    EXPECT_EQ(effect, c.effect);
    target->DragLeave();
  }
  // Outside a drag nothing is taken.
  DWORD effect = DROPEFFECT_COPY;
  target->DragOver(MK_LBUTTON, POINTL{210, 165}, &effect);
  EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
  DestroyButtonBarDropTarget(target);
}

TEST_F(DropObjects, MenuBarMenuWindowAndPrintersBarTakeTheirFormats) {
  MenuBarDropHandlers menuBar;
  menuBar.setDropTarget = [](HWND bar) { g_log.push_back(bar ? "menubar" : "menubar none"); };
  menuBar.trackDragOver = [](HWND, int, int) { return g_accept; };
  menuBar.dragKind = [](HWND, int, int) { return g_dragKind; };
  menuBar.dropFile = [](HWND, const char* path, int, int) { g_log.push_back(std::string("file ") + path); };
  menuBar.dropUrl = [](HWND, const UrlShortcut* s, int, int) { g_log.push_back("url " + s->url); };
  SetMenuBarDropHandlers(menuBar);
  MenuWindowDropHandlers menuWindow;
  menuWindow.setDropTarget = [](HWND menu) { g_log.push_back(menu ? "menu" : "menu none"); };
  menuWindow.hitTest = [](HWND, int, int) { return g_accept; };
  menuWindow.drop = [](HWND, int x, int y) { g_log.push_back("menu drop " + Point(x, y)); };
  SetMenuWindowDropHandlers(menuWindow);
  PrintersBarDropHandlers printers;
  printers.setDropBar = [](HWND bar) { g_log.push_back(bar ? "printers" : "printers none"); };
  printers.trackDragOverPrinter = [](HWND, int x, int y) {
    g_log.push_back("printer " + Point(x, y));
    return g_accept;
  };
  printers.dropOnPrinter = [](HWND, IDataObject* data, int x, int y) {
    g_log.push_back(std::string(data ? "to printer " : "no data ") + Point(x, y));
  };
  SetPrintersBarDropHandlers(printers);

  TestData files, url, nothing;
  files.Offer(CF_HDROP, DropFiles(std::string("C:\\a.txt\0\0", 10)));
  url.Offer(FileGroupDescriptorFormat(), Descriptors({{"Site.URL", 0}}));
  url.Offer(FileContentsFormat(), std::string("URL=http://s/\n"), 0);
  using Create = IDropTarget* (*)(HWND);
  struct Case {
    const char* what;
    Create create;
    IDataObject* data;
    DWORD enterEffect;  // proposed copy | link
    std::vector<std::string> log;
  } cases[] = {
      {"menu bar, files", CreateMenuBarDropTarget, &files, DROPEFFECT_LINK, {"menubar", "menubar none"}},
      {"menu bar, url", CreateMenuBarDropTarget, &url, DROPEFFECT_LINK, {"menubar", "menubar none"}},
      {"menu bar, nothing", CreateMenuBarDropTarget, &nothing, DROPEFFECT_NONE, {"menubar none"}},
      {"menu window, files", CreateMenuWindowDropTarget, &files, DROPEFFECT_LINK, {"menu", "menu none"}},
      {"menu window, url", CreateMenuWindowDropTarget, &url, DROPEFFECT_NONE, {"menu none"}},
      {"printers, files", CreatePrintersBarDropTarget, &files, DROPEFFECT_LINK,
       {"printers", "printer (-1,-1)", "printers none"}},
      {"printers, url", CreatePrintersBarDropTarget, &url, DROPEFFECT_NONE,
       {"printer (-1,-1)", "printers none"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_log.clear();
    IDropTarget* target = c.create(owner);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    target->DragEnter(c.data, MK_LBUTTON, POINTL{210, 165}, &effect);
    EXPECT_EQ(effect, c.enterEffect);
    target->DragLeave();
    EXPECT_EQ(g_log, c.log);
    DestroyMenuBarDropTarget(target);
  }

  // Drops: the menu bar makes entries from files only where its drag kind is 0, else the url
  // route; the menu window and the printers bar hand the drop on with client points.
  struct DropCase {
    const char* what;
    Create create;
    IDataObject* data;
    int dragKind;
    BOOL accept;
    DWORD overEffect;
    std::vector<std::string> log;
  } drops[] = {
      {"menu bar, files, kind 0", CreateMenuBarDropTarget, &files, 0, TRUE, DROPEFFECT_LINK,
       {"menubar", "file C:\\a.txt", "menubar none"}},
      {"menu bar, files, kind 1", CreateMenuBarDropTarget, &files, 1, TRUE, DROPEFFECT_LINK, {"menubar", "menubar none"}},
      {"menu bar, url", CreateMenuBarDropTarget, &url, 0, TRUE, DROPEFFECT_LINK,
       {"menubar", "url http://s/", "menubar none"}},
      {"menu bar, rejected point", CreateMenuBarDropTarget, &files, 0, FALSE, DROPEFFECT_NONE,
       {"menubar", "file C:\\a.txt", "menubar none"}},
      {"menu window", CreateMenuWindowDropTarget, &files, 0, TRUE, DROPEFFECT_LINK,
       {"menu", "menu drop (10,15)", "menu none"}},
      {"printers, over a printer", CreatePrintersBarDropTarget, &files, 0, TRUE, DROPEFFECT_COPY,
       {"printers", "printer (10,15)", "printer (-1,-1)", "to printer (10,15)", "printers none"}},
      {"printers, beside the printers", CreatePrintersBarDropTarget, &files, 0, FALSE, DROPEFFECT_NONE,
       {"printers", "printer (10,15)", "printer (-1,-1)", "to printer (10,15)", "printers none"}},
  };
  for (const DropCase& c : drops) {
    SCOPED_TRACE(c.what);
    g_log.clear();
    g_dragKind = c.dragKind;
    g_accept = c.accept;
    IDropTarget* target = c.create(owner);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
    target->DragEnter(c.data, MK_LBUTTON, POINTL{210, 165}, &effect);
    target->DragOver(MK_LBUTTON, POINTL{210, 165}, &effect);
    EXPECT_EQ(effect, c.overEffect);
    target->Drop(c.data, 0, POINTL{210, 165}, &effect);
    EXPECT_EQ(g_log, c.log);
    DestroyPrintersBarDropTarget(target);
  }
}

// A panel makes a button or an entry that points at the dropped data: it tells the source a
// link where the source allows one, else a copy, and never a move (the source would delete the
// original).
TEST_F(DropObjects, PanelsNeverTellTheSourceTheDataMoved) {
  MenuBarDropHandlers menuBar;
  menuBar.trackDragOver = [](HWND, int, int) { return TRUE; };
  menuBar.dragKind = [](HWND, int, int) { return 0; };
  SetMenuBarDropHandlers(menuBar);
  MenuWindowDropHandlers menuWindow;
  menuWindow.hitTest = [](HWND, int, int) { return TRUE; };
  SetMenuWindowDropHandlers(menuWindow);
  TestData files;
  files.Offer(CF_HDROP, DropFiles(std::string("C:\\a.txt\0\0", 10)));
  using Create = IDropTarget* (*)(HWND);
  struct Target {
    const char* what;
    Create create;
  } targets[] = {{"button bar", CreateButtonBarDropTarget},
                 {"menu bar", CreateMenuBarDropTarget},
                 {"menu window", CreateMenuWindowDropTarget}};
  struct Case {
    DWORD allowed, effect;
  } cases[] = {{DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY},
               {DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_LINK},
               {DROPEFFECT_MOVE, DROPEFFECT_NONE}};
  for (const Target& t : targets) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << t.what << " allowed " << c.allowed);
      IDropTarget* target = t.create(owner);
      DWORD effect = c.allowed;
      target->DragEnter(&files, MK_LBUTTON, POINTL{210, 165}, &effect);
      effect = c.allowed;
      target->DragOver(MK_LBUTTON, POINTL{210, 165}, &effect);
      EXPECT_EQ(effect, c.effect);
      effect = c.allowed;
      target->Drop(&files, 0, POINTL{210, 165}, &effect);
      EXPECT_EQ(effect, c.effect);
      DestroyButtonBarDropTarget(target);
    }
  }
}

TEST_F(DropObjects, TheDropSourceDropsCancelsOrGoesOn) {
  IDropSource* source = CreatePanelDropSource();
  ASSERT_TRUE(source);
  struct Case {
    BOOL escape;
    DWORD keys;
    HRESULT result;
  } cases[] = {
      {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL}, {FALSE, 0, DRAGDROP_S_DROP}, {FALSE, MK_CONTROL, DRAGDROP_S_DROP},
      {FALSE, MK_LBUTTON, S_OK},             {FALSE, MK_RBUTTON, S_OK},   {TRUE, 0, DRAGDROP_S_CANCEL},
  };
  for (const Case& c : cases) EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.result);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  IUnknown* unknown = nullptr;
  EXPECT_EQ(source->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, source);
  unknown->Release();
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(source->QueryInterface(IID_IDropTarget, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(source->Release(), 0u);
}

TEST_F(DropObjects, ATargetLivesUntilItsLastReferenceGoes) {
  // Registered, revoked and destroyed: freed once.
  IDropTarget* target = CreateButtonBarDropTarget(owner);
  ASSERT_TRUE(target);
  EXPECT_EQ(LiveDropObjectCount(), baseline + 1);
  ASSERT_EQ(RegisterDragDrop(owner, target), S_OK);
  ASSERT_EQ(RevokeDragDrop(owner), S_OK);
  DestroyButtonBarDropTarget(target);
  EXPECT_EQ(LiveDropObjectCount(), baseline);

  // A reference still held elsewhere (OLE in the middle of a drag) keeps it alive through the
  // destroy; the last release frees it.
  target = CreateButtonBarDropTarget(owner);
  ASSERT_EQ(RegisterDragDrop(owner, target), S_OK);
  target->AddRef();
  RevokeDragDrop(owner);
  DestroyButtonBarDropTarget(target);
  EXPECT_EQ(LiveDropObjectCount(), baseline + 1);
  EXPECT_EQ(target->DragLeave(), S_OK);
  EXPECT_EQ(target->Release(), 0u);
  EXPECT_EQ(LiveDropObjectCount(), baseline);
  DestroyButtonBarDropTarget(nullptr);
}

}  // namespace
}  // namespace jqbar
