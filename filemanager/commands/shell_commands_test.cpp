// The New submenu from a test classes root, the programs started through the seam, the shell
// Undo host, the drag source and the data objects of archive and FTP panes.
#include <windows.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "command_handlers.h"
#include "file_list.h"
#include "frame_test_host.h"
#include "pane_drop_targets.h"
#include "pidl.h"
#include "resource.h"
#include "shell_new.h"
#include "shell_programs.h"
#include "shell_undo_host.h"
#include "context_menus.h"
#include "sendto_menu.h"

namespace {

void SetText(HKEY root, const std::string& key, const char* name, const std::string& value) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr), ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(handle);
}

void SetBinary(HKEY root, const std::string& key, const char* name, const std::string& bytes) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr), ERROR_SUCCESS);
  RegSetValueExA(handle, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                 static_cast<DWORD>(bytes.size()));
  RegCloseKey(handle);
}

std::string MenuText(HMENU menu, int position) {
  char text[200] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

class ShellNew : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExA(registry.user(), "Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &classes, nullptr),
              ERROR_SUCCESS);
    templateFile = temp.WriteFile("templates\\gamma.tpl", "template bytes");
    SetText(classes, ".jqa", nullptr, "JQA.File");
    SetText(classes, "JQA.File", nullptr, "JQ Alpha");
    SetText(classes, ".jqa\\ShellNew", "NullFile", "");
    // Only under the ProgID subkey of the extension key, with no extension and fixed data.
    SetText(classes, ".jqb", nullptr, "JQB.File");
    SetText(classes, "JQB.File", nullptr, "JQ Beta");
    SetBinary(classes, ".jqb\\JQB.File\\ShellNew", "Data", "hello");
    SetText(classes, ".jqb\\JQB.File\\ShellNew\\Config", "NoExtension", "");
    SetText(classes, ".jqc", nullptr, "JQC.File");
    SetText(classes, "JQC.File", nullptr, "JQ Gamma");
    SetText(classes, ".jqc\\ShellNew", "FileName", templateFile);
    SetText(classes, ".jqd", nullptr, "JQD.File");
    SetText(classes, "JQD.File", nullptr, "JQ Delta");
    SetText(classes, ".jqd\\ShellNew", "Command", "notepad.exe %1 %2");
    // Skipped: a ProgID without its key, a ShellNew key with none of the values.
    SetText(classes, ".jqe", nullptr, "JQE.Missing");
    SetText(classes, ".jqe\\ShellNew", "NullFile", "");
    SetText(classes, ".jqf", nullptr, "JQF.File");
    SetText(classes, "JQF.File", nullptr, "JQ Phi");
    SetText(classes, ".jqf\\ShellNew", "Other", "");
    SetShellNewClassesRoot(classes);
    LoadShellNewEntries();
  }
  void TearDown() override {
    SetShellNewClassesRoot(nullptr);
    RegCloseKey(classes);
  }
  UINT IdOf(const char* typeName) {
    for (const ShellNewEntry* e = ShellNewEntries(); e; e = e->next)
      if (std::string(e->typeName) == typeName) return e->commandId;
    return 0;
  }

  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  HKEY classes = nullptr;
  std::string templateFile;
};

}  // namespace

TEST_F(ShellNew, SubmenuListsFolderShortcutThenTheRegisteredTypes) {
  HMENU menu = BuildNewSubmenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(BuildNewSubmenu(), menu);  // kept
  ASSERT_EQ(GetMenuItemCount(menu), 7);
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(ID_FILE_NEW_FOLDER));
  EXPECT_EQ(GetMenuItemID(menu, 1), static_cast<UINT>(ID_FILE_CREATE_SHORTCUT));
  EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  const char* names[] = {"JQ Alpha", "JQ Beta", "JQ Gamma", "JQ Delta"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(GetMenuItemID(menu, 3 + i), kShellNewFirstId + i);
    EXPECT_EQ(MenuText(menu, 3 + i), names[i]);
  }
  // Without types there is no submenu.
  HKEY empty = nullptr;
  RegCreateKeyExA(registry.user(), "Empty", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr);
  SetShellNewClassesRoot(empty);
  EXPECT_EQ(BuildNewSubmenu(), nullptr);
  RegCloseKey(empty);
  DestroyMenu(menu);
}

TEST_F(ShellNew, NewItemsAreNumberedAndNeverOverwrite) {
  std::string folder = temp.MakeFolder("work");
  temp.WriteFile("work\\New JQ Alpha.jqa", "keep 1");
  temp.WriteFile("work\\New JQ Alpha (2).jqa", "keep 2");
  char name[MAX_PATH] = {};
  EXPECT_EQ(MakeShellNewItem(folder.c_str(), IdOf("JQ Alpha"), nullptr, name), 1u);
  EXPECT_STREQ(name, "New JQ Alpha (3)");
  EXPECT_TRUE(jqtest::FileExists(folder + "\\New JQ Alpha (3).jqa"));
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New JQ Alpha.jqa"), "keep 1");
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New JQ Alpha (2).jqa"), "keep 2");

  // Every number up to 20 taken: the next free one, nothing replaced.
  for (int n = 4; n <= 20; ++n)
    temp.WriteFile("work\\New JQ Alpha (" + std::to_string(n) + ").jqa", "keep");
  EXPECT_EQ(MakeShellNewItem(folder.c_str(), IdOf("JQ Alpha"), nullptr, name), 1u);
  EXPECT_STREQ(name, "New JQ Alpha (21)");
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New JQ Alpha (20).jqa"), "keep");

  EXPECT_EQ(MakeShellNewItem(folder.c_str(), IdOf("JQ Beta"), nullptr, name), 1u);
  EXPECT_STREQ(name, "New JQ Beta");
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New JQ Beta"), "hello");

  EXPECT_EQ(MakeShellNewItem(folder.c_str(), IdOf("JQ Gamma"), nullptr, name), 1u);
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\New JQ Gamma.jqc"), "template bytes");

  jqtest::SeamRecorder seams;
  EXPECT_EQ(MakeShellNewItem(folder.c_str(), IdOf("JQ Delta"), nullptr, name), 1u);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, "notepad.exe");
  EXPECT_EQ(seams.starts[0].parameters, folder + "\\New JQ Delta.jqd New JQ Delta");
  EXPECT_EQ(seams.starts[0].directory, folder);
  EXPECT_FALSE(jqtest::FileExists(folder + "\\New JQ Delta.jqd"));
}

TEST_F(ShellNew, TheCommandCreatesInTheActivePaneAndStartsRenaming) {
  frametest::MainWindowHost host;
  std::string folder = temp.MakeFolder("pane");
  ASSERT_TRUE(host.Browse(folder, 0));
  HMENU file = GetSubMenu(GetMenu(host.window), 0);
  AttachNewSubmenu(file);
  EXPECT_EQ(GetSubMenu(file, 0), BuildNewSubmenu());
  EXPECT_EQ(MenuText(file, 0), frametest::LoadText(IDS_SHELL_NEW));
  host.Command(IdOf("JQ Alpha"));
  EXPECT_TRUE(jqtest::FileExists(folder + "\\New JQ Alpha.jqa"));
  HWND list = FilePanes[0].list;
  EXPECT_NE(SendMessageA(list, LVM_GETEDITCONTROL, 0, 0), 0);
  int selected = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  ASSERT_GE(selected, 0);
  FileListItem* record = GetListItemRecord(list, selected);
  ASSERT_NE(record, nullptr);
  char parsing[MAX_PATH] = {};
  GetDisplayNameText(record->folder, record->pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, parsing, MAX_PATH);
  EXPECT_STREQ(parsing, "New JQ Alpha.jqa");
}

TEST(ShellPrograms, StartedWithTheirCommandLines) {
  jqtest::TempFolder temp;
  frametest::MainWindowHost host;
  jqtest::SeamRecorder seams;
  ASSERT_TRUE(host.Browse(temp.path(), 0));
  host.Command(ID_TOOLS_FILE_FINDER);
  host.Command(ID_TOOLS_ADD_REMOVE_PROGRAMS);
  host.Command(ID_TOOLS_STARTUP_DISK);
  host.Command(ID_HELP_UPDATE);
  host.Command(ID_HELP_WEB_PAGE);
  ASSERT_EQ(seams.starts.size(), 5u);
  std::string program = ProgramFolderWithSlash();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(seams.starts[0].file, program + "jqseek.exe");
  EXPECT_EQ(seams.starts[0].parameters, "/PATH:" + temp.path() + " /MASK:*.*");
  EXPECT_EQ(seams.starts[1].file, "rundll32.exe");
  EXPECT_EQ(seams.starts[1].parameters, "shell32.dll,Control_RunDLL appwiz.cpl");
  EXPECT_EQ(seams.starts[2].parameters, "shell32.dll,Control_RunDLL appwiz.cpl,@0,3");
  EXPECT_EQ(seams.starts[3].file, program + "quickupd.exe");
  EXPECT_EQ(seams.starts[4].file.rfind("https://", 0), 0u);

  // From My Computer the finder gets no folder.
  HWND tree = FilePanes[0].tree;
  LPITEMIDLIST drives = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
  UINT size = GetPidlSize(drives);
  for (HTREEITEM child = TreeView_GetChild(tree, TreeView_GetRoot(tree)); child;
       child = TreeView_GetNextSibling(tree, child)) {
    LPCITEMIDLIST absolute = TreeItemAbsolutePidl(tree, child);
    if (absolute && GetPidlSize(absolute) == size && memcmp(absolute, drives, size) == 0) {
      TreeView_SelectItem(tree, child);
      break;
    }
  }
  FreePidl(drives);
  jqtest::PumpPending();
  host.Command(ID_TOOLS_FILE_FINDER);
  ASSERT_EQ(seams.starts.size(), 6u);
  EXPECT_EQ(seams.starts[5].parameters, "");
}

TEST(ShellPrograms, ItemsAreOpenedNavigatedOrRefused) {
  jqtest::TempFolder temp;
  frametest::MainWindowHost host;
  jqtest::SeamRecorder seams;
  std::string document = temp.WriteFile("doc.txt", "x");
  std::string notProgram = temp.WriteFile("fake.exe", "not a program");
  std::string folder = temp.MakeFolder("inner");
  ASSERT_TRUE(host.Browse(temp.path(), 0));
  PidlPtr documentList(ParsePathToPidl(document.c_str(), nullptr, nullptr));
  PidlPtr fakeList(ParsePathToPidl(notProgram.c_str(), nullptr, nullptr));
  PidlPtr folderList(ParsePathToPidl(folder.c_str(), nullptr, nullptr));
  EXPECT_TRUE(OpenItemIdList(documentList.get()));
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, document);
  EXPECT_EQ(seams.starts[0].directory, temp.path() + "\\");
  EXPECT_FALSE(OpenItemIdList(fakeList.get()));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_NE(seams.boxes[0].text.find("fake.exe"), std::string::npos);
  EXPECT_EQ(seams.starts.size(), 1u);
  EXPECT_TRUE(OpenItemIdList(folderList.get()));
  char path[MAX_PATH] = {};
  GetTreeSelectionPath(FilePanes[0].tree, path, FALSE, TRUE);
  EXPECT_STREQ(path, folder.c_str());
}

TEST(ShellPrograms, EmptyingTheRecycleBinAsksFirst) {
  frametest::MainWindowHost host;
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDNO};
  host.Command(ID_FILE_EMPTY_RECYCLE_BIN);
  // Wine's Recycle Bin has no context menu: our question comes; "no" is no failure.
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, frametest::LoadText(IDS_RECYCLE_EMPTY_CONFIRM));
}

TEST(ShellUndoHost, HostsTheDesktopViewAndAnswersAsABrowser) {
  frametest::MainWindowHost host;
  IShellBrowser* browser = ShellUndoBrowser();
  char text[100] = {};
  RecordProperty("hidden_view", browser ? "made" : "absent");
  if (!browser) {
    // The view could not be made: the default text, disabled.
    EXPECT_EQ(GetShellUndoText(text), 0u);
    EXPECT_STREQ(text, "&Undo (default)");
    return;
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(browser->QueryInterface(IID_IOleWindow, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(browser->QueryInterface(IID_IShellBrowser, &out), S_OK);
  browser->Release();
  HWND owner = nullptr;
  EXPECT_EQ(browser->GetWindow(&owner), S_OK);
  EXPECT_EQ(owner, host.window);
  EXPECT_EQ(browser->ContextSensitiveHelp(TRUE), E_NOTIMPL);
  EXPECT_EQ(browser->BrowseObject(nullptr, 0), E_NOTIMPL);
  // Wine offers no Undo of file operations: the item is missing or disabled.
  EXPECT_EQ(GetShellUndoText(text), 0u);
  EXPECT_NE(text[0], 0);
}

namespace {

class CountingData : public IDataObject {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Answers 0 from Release, as an object may: the wrapper must not take it as its own end.
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override {
    --refs;
    return 0;
  }
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM*) override {
    ++gets;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  int refs = 1, gets = 0;
};

int g_materialised = 0;
BOOL Succeed(int, HWND) { return ++g_materialised, TRUE; }
BOOL Fail(int, HWND) { return ++g_materialised, FALSE; }

}  // namespace

TEST(DragSource, DropSourceAnswersTheButtonsAndEscape) {
  IDropSource* source = CreateDropSource();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_RBUTTON), S_OK);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
  EXPECT_EQ(source->QueryContinueDrag(FALSE, MK_CONTROL), DRAGDROP_S_DROP);
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  EXPECT_EQ(source->Release(), 0u);
}

TEST(DragSource, WrappersMaterialiseOnceAfterTheDropAndNeverRetryAFailure) {
  // No mouse button is down here: every GetData counts as after the drop.
  CountingData inner;
  g_materialised = 0;
  IDataObject* wrapper = CreateArchiveDragDataObject(0, &inner, Succeed);
  ASSERT_NE(wrapper, nullptr);
  wrapper->AddRef();
  wrapper->Release();  // the inner object's 0 decides nothing
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  EXPECT_EQ(wrapper->GetData(&format, &medium), S_OK);
  EXPECT_EQ(wrapper->GetData(&format, &medium), S_OK);
  EXPECT_EQ(g_materialised, 1);
  EXPECT_EQ(inner.gets, 2);
  EXPECT_EQ(wrapper->QueryGetData(&format), S_FALSE);
  void* out = nullptr;
  EXPECT_EQ(wrapper->QueryInterface(IID_IDropTarget, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(wrapper->Release(), 0u);
  EXPECT_EQ(inner.refs, 0);  // the wrapper's reference went with it

  CountingData failing;
  g_materialised = 0;
  IDataObject* ftp = CreateFtpDragDataObject(1, nullptr, &failing, Fail);
  EXPECT_EQ(ftp->GetData(&format, &medium), E_INVALIDARG);
  EXPECT_EQ(ftp->GetData(&format, &medium), E_INVALIDARG);
  EXPECT_EQ(g_materialised, 1);
  EXPECT_EQ(failing.gets, 0);
  ftp->Release();
}

TEST(SendToInContextMenu, TheChosenEntryGetsTheSelectedFile) {
  jqtest::TempFolder temp;
  std::string sendTo = temp.MakeFolder("SendTo");
  std::string target = temp.MakeFolder("Target");
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  link->SetPath(target.c_str());
  link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  std::string lnk = sendTo + "\\Target.lnk";
  wchar_t wide[MAX_PATH] = {};
  MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
  ASSERT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
  file->Release();
  link->Release();
  temp.WriteFile("files\\sent.txt", "sent");
  SetSendToRootOverride(sendTo.c_str());

  frametest::MainWindowHost host;
  ASSERT_TRUE(host.Browse(temp / "files", 0));
  HWND list = FilePanes[0].list;
  SetFocus(list);
  jqtest::PumpPending();
  int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  int index = -1;
  for (int i = 0; i < count && index < 0; ++i)
    if (GetListItemRecord(list, i)) index = i;
  ASSERT_GE(index, 0);
  ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  jqtest::SeamRecorder seams;
  seams.menuAnswers = {46000};
  POINT at{100, 100};
  EXPECT_EQ(ShowSelectionContextMenu(host.window, &at, 0), 1u);
  SetSendToRootOverride(nullptr);
  EXPECT_EQ(jqtest::ReadFileText(target + "\\sent.txt"), "sent");
}

namespace {

IDataObject* FilesData(const std::string& folder, const std::vector<std::string>& names) {
  IShellFolder* shellFolder = nullptr;
  if (FAILED(GetShellFolderOfPath(folder.c_str(), &shellFolder)) || !shellFolder) return nullptr;
  std::vector<LPITEMIDLIST> items;
  for (const std::string& name : names) items.push_back(ParsePathToPidl(name.c_str(), shellFolder, nullptr));
  IDataObject* data = nullptr;
  shellFolder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()),
                             const_cast<LPCITEMIDLIST*>(reinterpret_cast<LPITEMIDLIST*>(items.data())),
                             IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
  for (LPITEMIDLIST item : items) FreePidl(item);
  shellFolder->Release();
  return data;
}

int g_added = 0;
bool TestButton(int index, LaunchDropButton* out) {
  if (index != 0) return false;
  GetWindowsDirectoryA(out->command, MAX_PATH);
  lstrcatA(out->command, "\\notepad.exe");
  lstrcpyA(out->parameters, "/p");
  lstrcpyA(out->directory, "C:\\");
  out->show = SW_SHOWNORMAL;
  return true;
}
BOOL CountAdded(IDataObject*) { return ++g_added, TRUE; }

}  // namespace

TEST(LaunchBarDrop, OneFileRunsTheButtonTwoAreRefusedTheEmptyPartAddsButtons) {
  jqtest::TempFolder temp;
  temp.WriteFile("one.txt", "1");
  temp.WriteFile("two.txt", "2");
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 60, nullptr, nullptr, nullptr, nullptr);
  HWND bar = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
                             0, 400, 30, owner, nullptr, nullptr, nullptr);
  SendMessageA(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  TBBUTTON buttons[2] = {};
  for (int i = 0; i < 2; ++i) {
    buttons[i].idCommand = 48500 + i;
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].iBitmap = I_IMAGENONE;
  }
  SendMessageA(bar, TB_ADDBUTTONSA, 2, reinterpret_cast<LPARAM>(buttons));
  GetLaunchBarDropHooks() = {TestButton, CountAdded};
  g_added = 0;
  IDropTarget* target = CreateLaunchBarDropTarget(bar);
  ASSERT_NE(target, nullptr);
  auto pointOf = [&](int index) {
    RECT r{};
    SendMessageA(bar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(bar, &p);
    return POINTL{p.x, p.y};
  };
  jqtest::SeamRecorder seams;
  IDataObject* one = FilesData(temp.path(), {"one.txt"});
  IDataObject* two = FilesData(temp.path(), {"one.txt", "two.txt"});
  ASSERT_TRUE(one && two);
  DWORD effect = 7;
  POINTL button0 = pointOf(0);
  target->DragEnter(one, MK_LBUTTON, button0, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = 7;
  target->DragOver(MK_LBUTTON, button0, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->Drop(one, MK_LBUTTON, button0, &effect);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_NE(seams.starts[0].file.find("notepad.exe"), std::string::npos);
  char shortPath[MAX_PATH] = {};
  GetShortPathNameA((temp / "one.txt").c_str(), shortPath, MAX_PATH);
  EXPECT_EQ(seams.starts[0].parameters, std::string("/p ") + shortPath);
  EXPECT_EQ(seams.starts[0].directory, "C:\\");

  target->DragEnter(two, MK_LBUTTON, button0, &effect);
  target->DragOver(MK_LBUTTON, button0, &effect);
  target->Drop(two, MK_LBUTTON, button0, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, frametest::LoadText(IDS_LAUNCH_DROP_ONE_ITEM));
  EXPECT_EQ(seams.starts.size(), 1u);

  // The second button has no record with a command: no drop. The empty part adds buttons.
  POINTL button1 = pointOf(1);
  target->DragEnter(one, MK_LBUTTON, button1, &effect);
  target->DragOver(MK_LBUTTON, button1, &effect);
  target->Drop(one, MK_LBUTTON, button1, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  POINTL empty{button1.x + 200, button1.y};
  target->DragEnter(one, MK_LBUTTON, empty, &effect);
  target->DragOver(MK_LBUTTON, empty, &effect);
  target->Drop(one, MK_LBUTTON, empty, &effect);
  EXPECT_EQ(g_added, 1);
  EXPECT_EQ(seams.starts.size(), 1u);
  one->Release();
  two->Release();
  ReleaseLaunchBarDropTarget(target);
  GetLaunchBarDropHooks() = {};
  DestroyWindow(owner);
}

TEST(ShellPrograms, TheCommonControlsOfferComesOncePerStart) {
  frametest::MainWindowHost host;
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDYES, IDYES};
  SendMessageA(host.window, WM_USER + 107, 0, 0);
  SendMessageA(host.window, WM_USER + 107, 0, 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, frametest::LoadText(IDS_COMCTL_UPDATE_OFFER));
  EXPECT_EQ(seams.boxes[0].type, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file.rfind("https://", 0), 0u);
}
