// The suite's own drops on file-system places and the Send To menu, on real files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "file_drop.h"
#include "pidl.h"
#include "sendto_menu.h"
#include "test_support.h"

namespace {

// The shell's own data object for files of one folder (what a list drag offers).
IDataObject* ShellDataOf(const std::string& folder, const std::vector<std::string>& names) {
  IShellFolder* shellFolder = nullptr;
  if (FAILED(GetShellFolderOfPath(folder.c_str(), &shellFolder)) || !shellFolder) return nullptr;
  std::vector<LPITEMIDLIST> items;
  for (const std::string& name : names) items.push_back(ParsePathToPidl(name.c_str(), shellFolder, nullptr));
  IDataObject* data = nullptr;
  shellFolder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), const_cast<LPCITEMIDLIST*>(
                                 reinterpret_cast<LPITEMIDLIST*>(items.data())),
                             IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
  for (LPITEMIDLIST item : items) FreePidl(item);
  shellFolder->Release();
  return data;
}

bool MakeShortcut(const std::string& target, const std::string& lnk) {
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  bool ok = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    link->SetPath(target.c_str());
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
    ok = SUCCEEDED(file->Save(wide, TRUE));
  }
  if (file) file->Release();
  if (link) link->Release();
  return ok;
}

}  // namespace

TEST(FileDrop, EffectFollowsTheKeysAndTheAllowedEffects) {
  struct Case {
    DWORD keys, allowed;
    bool sameVolume;
    DWORD expected;
  } cases[] = {
      {MK_LBUTTON, 7, true, DROPEFFECT_MOVE},
      {MK_LBUTTON, 7, false, DROPEFFECT_COPY},
      {MK_LBUTTON | MK_CONTROL, 7, true, DROPEFFECT_COPY},
      {MK_LBUTTON | MK_SHIFT, 7, false, DROPEFFECT_MOVE},
      {MK_LBUTTON | MK_CONTROL | MK_SHIFT, 7, true, DROPEFFECT_LINK},
      {MK_LBUTTON | MK_ALT, 7, true, DROPEFFECT_LINK},
      // An archive or FTP source offers copy alone: no key gives copy, a move key gives nothing.
      {MK_LBUTTON, DROPEFFECT_COPY, true, DROPEFFECT_COPY},
      {MK_LBUTTON | MK_SHIFT, DROPEFFECT_COPY, true, DROPEFFECT_NONE},
      {MK_LBUTTON, 0, true, DROPEFFECT_NONE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseDropEffect(c.keys, c.allowed, c.sameVolume), c.expected) << c.keys << " " << c.allowed;
}

TEST(FileDrop, RefusesAFolderIntoItselfOrItsChildAndAMoveInPlace) {
  std::vector<std::string> folder = {"C:\\a\\b"};
  EXPECT_EQ(FolderDropRefusal(folder, "C:\\a\\b", DROPEFFECT_COPY), 1);
  EXPECT_EQ(FolderDropRefusal(folder, "c:\\A\\B\\c", DROPEFFECT_COPY), 1);
  EXPECT_EQ(FolderDropRefusal(folder, "C:\\a\\bc", DROPEFFECT_COPY), 0);
  EXPECT_EQ(FolderDropRefusal(folder, "C:\\a", DROPEFFECT_MOVE), 2);
  EXPECT_EQ(FolderDropRefusal(folder, "C:\\a", DROPEFFECT_COPY), 0);
  EXPECT_TRUE(SameVolume({"C:\\x", "c:\\y"}, "C:\\z"));
  EXPECT_FALSE(SameVolume({"C:\\x", "D:\\y"}, "C:\\z"));
}

TEST(FileDrop, ShellDataIsCopiedMovedAndLinkedOnDisk) {
  jqtest::TempFolder temp;
  temp.WriteFile("src\\one.txt", "one");
  temp.WriteFile("src\\two.txt", "two");
  temp.WriteFile("src\\dir\\inner.txt", "inner");
  std::string target = temp.MakeFolder("dst");
  IDataObject* data = ShellDataOf(temp / "src", {"one.txt", "dir"});
  ASSERT_NE(data, nullptr);
  std::vector<std::string> paths;
  ASSERT_TRUE(ReadDroppedPaths(data, &paths));
  ASSERT_EQ(paths.size(), 2u);
  EXPECT_EQ(paths[0], temp / "src\\one.txt");

  // Through the drop target, as a drag would: copy with Ctrl.
  IDropTarget* drop = CreatePathDropTarget(nullptr, target.c_str());
  ASSERT_NE(drop, nullptr);
  DWORD effect = 7;
  POINTL point{0, 0};
  ASSERT_EQ(drop->DragEnter(data, MK_LBUTTON | MK_CONTROL, point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  effect = 7;
  ASSERT_EQ(drop->Drop(data, MK_LBUTTON | MK_CONTROL, point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(jqtest::ReadFileText(target + "\\one.txt"), "one");
  EXPECT_EQ(jqtest::ReadFileText(target + "\\dir\\inner.txt"), "inner");
  EXPECT_TRUE(jqtest::FileExists(temp / "src\\one.txt"));

  // A copy into the folder the files come from gets new names beside them.
  std::vector<std::string> again = {temp / "src\\two.txt"};
  EXPECT_EQ(PerformFolderDrop(nullptr, again, temp / "src", DROPEFFECT_COPY), static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(jqtest::ReadFileText(temp / "src\\two (2).txt"), "two");

  // Link, then move.
  EXPECT_EQ(PerformFolderDrop(nullptr, again, target, DROPEFFECT_LINK), static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_TRUE(jqtest::FileExists(target + "\\two.txt.lnk"));
  EXPECT_EQ(PerformFolderDrop(nullptr, again, target, DROPEFFECT_LINK), static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_TRUE(jqtest::FileExists(target + "\\two.txt (2).lnk"));
  EXPECT_EQ(PerformFolderDrop(nullptr, again, target, DROPEFFECT_MOVE), static_cast<DWORD>(DROPEFFECT_MOVE));
  EXPECT_FALSE(jqtest::FileExists(temp / "src\\two.txt"));
  EXPECT_EQ(jqtest::ReadFileText(target + "\\two.txt"), "two");

  // The folder dropped into its own child: refused, nothing changes.
  IDropTarget* child = CreatePathDropTarget(nullptr, (temp / "src\\dir").c_str());
  IDataObject* folderData = ShellDataOf(temp.path(), {"src"});
  ASSERT_NE(child, nullptr);
  ASSERT_NE(folderData, nullptr);
  effect = 7;
  child->DragEnter(folderData, MK_LBUTTON, point, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = 7;
  child->Drop(folderData, MK_LBUTTON, point, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_TRUE(jqtest::FolderExists(temp / "src"));
  EXPECT_FALSE(jqtest::FolderExists(temp / "src\\dir\\src"));
  child->Release();
  folderData->Release();
  drop->Release();
  data->Release();
}

TEST(FileDrop, AProgramTargetStartsWithTheDroppedPaths) {
  jqtest::TempFolder temp;
  std::string program = temp.WriteFile("tool.exe", "MZ");
  std::string lnk = temp / "tool.lnk";
  ASSERT_TRUE(MakeShortcut(program, lnk));
  jqtest::SeamRecorder seams;
  IDropTarget* target = CreatePathDropTarget(nullptr, lnk.c_str());
  ASSERT_NE(target, nullptr);
  IDataObject* data = ShellDataOf(temp.path(), {"tool.lnk"});
  ASSERT_NE(data, nullptr);
  DWORD effect = 7;
  POINTL point{0, 0};
  target->DragEnter(data, MK_LBUTTON, point, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  target->Drop(data, MK_LBUTTON, point, &effect);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(seams.starts[0].file, program);
  EXPECT_EQ(seams.starts[0].parameters, "\"" + lnk + "\"");
  data->Release();
  target->Release();
  // A document is no place we carry drops out on.
  std::string document = temp.WriteFile("note.txt", "x");
  EXPECT_EQ(CreatePathDropTarget(nullptr, document.c_str()), nullptr);
}

TEST(SendToMenu, BuiltFromTheFolderAndSendsToAFolderAndAShortcut) {
  jqtest::TempFolder temp;
  std::string sendTo = temp.MakeFolder("SendTo");
  std::string inbox = temp.MakeFolder("Inbox");
  std::string archive = temp.MakeFolder("Archive");
  temp.MakeFolder("SendTo\\Box");  // a folder: an empty submenu
  ASSERT_TRUE(MakeShortcut(archive, sendTo + "\\Archive.lnk"));
  ASSERT_TRUE(MakeShortcut(inbox, sendTo + "\\Inbox.lnk"));
  temp.WriteFile("SendTo\\readme.txt", "not a target");
  temp.WriteFile("files\\a.txt", "A");
  temp.WriteFile("files\\b.txt", "B");

  SendToMenuOptions options;
  options.firstId = 13500;
  options.lastId = 13549;
  options.rootFolder = sendTo.c_str();
  options.emptyText = "(empty)";
  HMENU menu = BuildSendToMenu(options);
  ASSERT_NE(menu, nullptr);
  // Folders first (Box, as a submenu with the empty entry), then the entries by name.
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  HMENU box = GetSubMenu(menu, 0);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(GetMenuItemID(box, 0), 300u);
  std::vector<UINT> ids;
  for (int i = 1; i < 4; ++i) ids.push_back(GetMenuItemID(menu, i));
  const SendToMenuEntry* archiveEntry = nullptr;
  const SendToMenuEntry* inboxEntry = nullptr;
  for (UINT id : ids) {
    ASSERT_GE(id, 13500u);
    ASSERT_LE(id, 13549u);
    const SendToMenuEntry* entry = FindSendToEntry(id);
    ASSERT_NE(entry, nullptr);
    if (strstr(entry->parsingName, "Archive.lnk")) archiveEntry = entry;
    if (strstr(entry->parsingName, "Inbox.lnk")) inboxEntry = entry;
  }
  ASSERT_TRUE(archiveEntry && inboxEntry);
  // The folder links sort before the plain file.
  EXPECT_TRUE(archiveEntry->folderLink);
  EXPECT_EQ(FindSendToEntry(13549), nullptr);

  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_MENU;
  measure.itemData = reinterpret_cast<ULONG_PTR>(archiveEntry);
  EXPECT_TRUE(MeasureSendToMenuItem(&measure));
  EXPECT_GE(measure.itemHeight, 22u);
  measure.itemData = 12345;
  EXPECT_FALSE(MeasureSendToMenuItem(&measure));

  IDataObject* data = ShellDataOf(temp / "files", {"a.txt"});
  ASSERT_NE(data, nullptr);
  EXPECT_NE(SendToEntry(nullptr, archiveEntry, data), static_cast<DWORD>(DROPEFFECT_NONE));
  data->Release();
  EXPECT_EQ(jqtest::ReadFileText(archive + "\\a.txt"), "A");

  // Through the menu's command, with the host's selection.
  struct Selection {
    std::string folder;
    static IDataObject* Get(HWND, void* context) {
      return ShellDataOf(static_cast<Selection*>(context)->folder, {"b.txt"});
    }
  } selection{temp / "files"};
  EXPECT_TRUE(FindSendToMenuItem(nullptr, menu, inboxEntry->commandId, Selection::Get, &selection));
  EXPECT_EQ(jqtest::ReadFileText(inbox + "\\b.txt"), "B");
  // Ids outside the range, or of no entry, are not the menu's.
  EXPECT_FALSE(FindSendToMenuItem(nullptr, menu, 13549, Selection::Get, &selection));
  EXPECT_FALSE(FindSendToMenuItem(nullptr, menu, 46000, Selection::Get, &selection));
  ReleaseSendToMenu(menu);
  EXPECT_EQ(FindSendToEntry(inboxEntry ? 13500 : 0), nullptr);
}

namespace {

// A context menu that offers a given number of commands and records invocations.
class FakeMenu : public IContextMenu {
 public:
  explicit FakeMenu(int commands) : commands_(commands) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT, UINT first, UINT, UINT) override {
    for (int i = 0; i < commands_; ++i) AppendMenuA(menu, MF_STRING, first + i, "x");
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, commands_);
  }
  HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    invoked = static_cast<int>(reinterpret_cast<UINT_PTR>(info->lpVerb));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }
  int invoked = -1;

 private:
  int commands_;
};

}  // namespace

TEST(RecycleBinMenu, RunsOnlyAMenuOfExactlyOneCommand) {
  for (int commands : {0, 1, 2}) {
    FakeMenu menu(commands);
    BOOL ran = RunSingleContextMenuCommand(&menu, nullptr);
    EXPECT_EQ(ran != FALSE, commands == 1) << commands;
    EXPECT_EQ(menu.invoked, commands == 1 ? 0 : -1) << commands;
  }
}

TEST(RecycleBinMenu, WithoutTheShellsMenuTheUserIsAskedAndNoIsNoFailure) {
  jqtest::SeamRecorder seams;
  seams.boxAnswers = {IDNO};
  // Wine's Recycle Bin has no context menu: the question comes, "no" leaves the bin alone.
  BOOL result = EmptyRecycleBinWithShell(nullptr, "Empty?", "Recycle Bin");
  EXPECT_TRUE(result);
  if (!seams.boxes.empty()) {
    EXPECT_EQ(seams.boxes[0].text, "Empty?");
  }
  EXPECT_FALSE(EmptyRecycleBinWithShell(nullptr) && seams.boxes.size() > 1);
}

TEST(SendToMenu, NetworkNeighborhoodIsRecognisedByItsList) {
  LPITEMIDLIST network = nullptr;
  LPITEMIDLIST drives = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_NETWORK, &network)));
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)));
  EXPECT_TRUE(IsNetworkNeighborhood(network));
  EXPECT_FALSE(IsNetworkNeighborhood(drives));
  EXPECT_FALSE(IsNetworkNeighborhood(nullptr));
  FreePidl(network);
  FreePidl(drives);
}
