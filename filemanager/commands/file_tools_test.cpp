// Encrypt/decrypt, permanent delete, the file date and time and the About box on real
// temporary folders, with jqencr.dll loaded from the program folder as the program loads it and
// the dialogs driven on their real windows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <winioctl.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>
#include "command_handlers.h"
#include "file_list.h"
#include "file_tools.h"
#include "frame_state.h"
#include "pane_test_host.h"
#include "program_values.h"
#include "resource.h"
#include "settings_store.h"
#include "test_support.h"

namespace {

// Without a window manager on the test display, Wine waits for every closed dialog to be
// withdrawn by one; this test's windows are left unmanaged (before the first window is made).
jqtest::KeptRegistryKey g_keptAppDefaults(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\file_tools_test.exe");
const bool g_unmanagedWindows = [] {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\file_tools_test.exe\\X11 Driver", 0,
                      nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
  return true;
}();

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string Fill(UINT id, const std::string& value) {
  std::string text = LoadText(id);
  size_t at = text.find("%s");
  if (at == std::string::npos) at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[1024] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

using jqtest::DialogDriver;

DialogDriver::Step SetText(int id, const std::string& text) {
  return [id, text](HWND dialog) {
    SetDlgItemTextA(dialog, id, text.c_str());
    return true;
  };
}
DialogDriver::Step Click(int id) {
  return [id](HWND dialog) {
    HWND control = GetDlgItem(dialog, id);
    if (!control || !IsWindowEnabled(control)) return false;
    SendMessageA(control, BM_CLICK, 0, 0);
    return true;
  };
}
DialogDriver::Step Check(int id, bool on) {
  return [id, on](HWND dialog) {
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
    return true;
  };
}

std::string Pattern(size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 37 + i / 11) & 0xFF);
  return data;
}

// Names in a folder other than "." and "..".
std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (strcmp(data.cFileName, ".") && strcmp(data.cFileName, "..")) names.push_back(data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

// Under Wine, a symbolic link of the host made with the host's own ln; false elsewhere.
bool MakeHostSymlink(const std::string& link, const std::string& target) {
  using UnixName = char*(CDECL*)(const WCHAR*);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return false;
  auto convert = [&](const std::string& path) -> std::string {
    std::wstring wide(path.begin(), path.end());
    char* name = unixName(wide.c_str());
    std::string result = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return result;
  };
  std::string parent = link.substr(0, link.rfind('\\'));
  std::string unixLink = convert(parent) + "/" + link.substr(link.rfind('\\') + 1);
  std::string command = "/bin/ln -s \"" + convert(target) + "\" \"" + unixLink + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back(0);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  // Wine starts a host program without a process handle to wait on: wait for the link itself.
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  return jqtest::PumpUntil([&] { return jqtest::FolderExists(link); }, 10000);
}

// A junction (mount point) at `link` pointing at the folder `target`; false where the file
// system cannot make one.
bool MakeJunction(const std::string& link, const std::string& target) {
  if (!CreateDirectoryA(link.c_str(), nullptr)) return false;
  HANDLE dir = CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  std::wstring substitute = L"\\??\\", print;
  for (char c : target) print += static_cast<wchar_t>(c);
  substitute += print;
  std::vector<BYTE> buffer(1024, 0);
  auto* header = reinterpret_cast<DWORD*>(buffer.data());
  header[0] = 0xA0000003;  // IO_REPARSE_TAG_MOUNT_POINT
  auto* fields = reinterpret_cast<WORD*>(buffer.data() + 8);
  WORD subBytes = static_cast<WORD>(substitute.size() * 2), printBytes = static_cast<WORD>(print.size() * 2);
  fields[0] = 0;
  fields[1] = subBytes;
  fields[2] = static_cast<WORD>(subBytes + 2);
  fields[3] = printBytes;
  BYTE* path = buffer.data() + 16;
  memcpy(path, substitute.c_str(), subBytes);
  memcpy(path + subBytes + 2, print.c_str(), printBytes);
  WORD dataLength = static_cast<WORD>(8 + subBytes + 2 + printBytes + 2);
  reinterpret_cast<WORD*>(buffer.data() + 4)[0] = dataLength;
  DWORD returned = 0;
  BOOL ok = DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), 8 + dataLength, nullptr, 0, &returned, nullptr);
  CloseHandle(dir);
  if (!ok) {
    // Else a directory symbolic link, where the system makes those.
    RemoveDirectoryA(link.c_str());
    ok = CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  }
  DWORD made = GetFileAttributesA(link.c_str());
  if (!ok || made == INVALID_FILE_ATTRIBUTES || !(made & FILE_ATTRIBUTE_REPARSE_POINT)) {
    // Under Wine: a symbolic link of the host's file system, which Wine shows as a reparse point.
    RemoveDirectoryA(link.c_str());
    ok = MakeHostSymlink(link, target);
  }
  DWORD attributes = GetFileAttributesA(link.c_str());
  return ok && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The install folder the program loads jqencr.dll from, and reads jqnavig.ini from.
void SetInstallDir(HKEY machineRoot, const std::string& folder) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(machineRoot, kSuiteKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                 static_cast<DWORD>(folder.size() + 1));
  RegCloseKey(key);
}

// ---- One file and folder walks through the library -------------------------------------------

class Encryption : public ::testing::Test {
 protected:
  void SetUp() override {
    SetInstallDir(registry.machine(), jqtest::ProgramFolder());
    ASSERT_EQ(LoadEncryptionEngine(), 1);
    UseKey("secret key", true);
  }
  void TearDown() override { FreeEncryptionEngine(); }
  void UseKey(const char* text, bool des, int mode = kDecryptMode) {
    EncryptionOptions& o = g_encryptionOptions;
    o = EncryptionOptions{};
    lstrcpynA(o.keyText, text, sizeof o.keyText);
    o.des = des;
    MakeEncryptionKeys(&o, mode);
  }
  short Process(int mode, const std::string& source, const std::string& target) {
    char buffer[MAX_PATH];
    lstrcpynA(buffer, target.c_str(), MAX_PATH);
    return ProcessEncryptionFile(&g_encryptionOptions, mode, source.c_str(), buffer);
  }
  jqtest::TestRegistry registry;
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
};

TEST_F(Encryption, BothCiphersRoundTripAndDecryptTriesTheOtherCipher) {
  for (bool des : {true, false}) {
    for (size_t size : {size_t{0}, size_t{1}, size_t{8}, size_t{9}, size_t{100 * 1024}}) {
      SCOPED_TRACE(std::string(des ? "DES " : "shift-xor ") + std::to_string(size));
      std::string plain = temp.WriteFile("plain.bin", Pattern(size));
      UseKey("secret key", des, kEncryptMode);
      ASSERT_EQ(Process(kEncryptMode, plain, temp / "sealed.kz"), 0);
      // The DES box set the other way round: the decryption still finds the file's cipher.
      UseKey("secret key", !des);
      ASSERT_EQ(Process(kDecryptMode, temp / "sealed.kz", temp / "opened.bin"), 0);
      EXPECT_EQ(jqtest::ReadFileText(temp / "opened.bin"), Pattern(size));
      EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"opened.bin", "plain.bin", "sealed.kz"}));
      DeleteFileA((temp / "sealed.kz").c_str());
      DeleteFileA((temp / "opened.bin").c_str());
    }
  }
  EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(Encryption, WrongKeyIsRefusedAndTheSourceKeptEvenWithWipeOn) {
  std::string plain = temp.WriteFile("plain.txt", "the only copy");
  UseKey("secret key", true, kEncryptMode);
  ASSERT_EQ(Process(kEncryptMode, plain, temp / "sealed.kz"), 0);
  std::string sealed = jqtest::ReadFileText(temp / "sealed.kz");
  for (bool des : {true, false}) {
    UseKey("other key", des);
    g_encryptionOptions.wipeSource = 1;
    g_encryptionOptions.overwrite = 1;
    EXPECT_EQ(Process(kDecryptMode, temp / "sealed.kz", temp / "opened.txt"), kEncWrongKey);
    // Over an existing target too: it stays as it was.
    temp.WriteFile("existing.txt", "old target");
    EXPECT_EQ(Process(kDecryptMode, temp / "sealed.kz", temp / "existing.txt"), kEncWrongKey);
    EXPECT_EQ(jqtest::ReadFileText(temp / "existing.txt"), "old target");
  }
  EXPECT_EQ(jqtest::ReadFileText(temp / "sealed.kz"), sealed);
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"existing.txt", "plain.txt", "sealed.kz"}));
  EXPECT_NE(ShowEncryptionError(kEncWrongKey, "sealed.kz"), 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, Fill(IDS_ENC_WRONG_PASSWORD, "sealed.kz"));
}

TEST_F(Encryption, ReplacingATargetWipesTheOldOneAndTheSourceOnlyAfterward) {
  std::string plain = temp.WriteFile("plain.txt", "new contents");
  temp.WriteFile("out.kz", "an older file");
  UseKey("secret key", false, kEncryptMode);
  g_encryptionOptions.overwrite = 1;
  g_encryptionOptions.wipeSource = 1;
  ASSERT_EQ(Process(kEncryptMode, plain, temp / "out.kz"), 0);
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"out.kz"}));
  UseKey("secret key", false);
  ASSERT_EQ(Process(kDecryptMode, temp / "out.kz", temp / "back.txt"), 0);
  EXPECT_EQ(jqtest::ReadFileText(temp / "back.txt"), "new contents");
}

TEST_F(Encryption, AFailedMoveLosesNothing) {
  std::string plain = temp.WriteFile("plain.txt", "the only copy");
  std::string target = temp.WriteFile("out.kz", "the old target");
  UseKey("secret key", true, kEncryptMode);
  g_encryptionOptions.overwrite = 1;
  g_encryptionOptions.wipeSource = 1;
  // Another program holds the target open without sharing: it can be neither renamed nor replaced.
  HANDLE held = CreateFileA(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Process(kEncryptMode, plain, target), kEncNotPlaced);
  CloseHandle(held);
  EXPECT_EQ(jqtest::ReadFileText(plain), "the only copy");
  EXPECT_EQ(jqtest::ReadFileText(target), "the old target");
  EXPECT_EQ(Names(temp.path()), (std::vector<std::string>{"out.kz", "plain.txt"}));
}

TEST_F(Encryption, ExistingTargetIsAskedAboutThroughTheOverwriteDialog) {
  std::string plain = temp.WriteFile("plain.txt", "text");
  std::string target = temp.WriteFile("out.kz", "old");
  UseKey("secret key", true, kEncryptMode);
  std::string question;
  {
    DialogDriver driver({[&](HWND dialog) {
                           question = ItemText(dialog, IDC_ARC_QUESTION);
                           return true;
                         },
                         Click(IDNO)});
    EXPECT_EQ(Process(kEncryptMode, plain, target), 0);
    EXPECT_TRUE(driver.Finished());
  }
  EXPECT_EQ(question, Fill(IDS_ENC_TARGET_EXISTS, target));
  EXPECT_EQ(jqtest::ReadFileText(target), "old");
  {
    DialogDriver driver({Click(IDCANCEL)});
    EXPECT_EQ(Process(kEncryptMode, plain, target), kEncStop);
  }
  {
    DialogDriver driver({Click(IDC_ARC_YES_TO_ALL)});
    EXPECT_EQ(Process(kEncryptMode, plain, target), 0);
    EXPECT_TRUE(driver.Finished());
  }
  EXPECT_EQ(g_encryptionOptions.overwrite, 1u);
  EXPECT_NE(jqtest::ReadFileText(target), "old");
}

TEST_F(Encryption, EncryptingAnEncryptedFileAsksFirst) {
  std::string plain = temp.WriteFile("plain.txt", "text");
  UseKey("secret key", true, kEncryptMode);
  ASSERT_EQ(Process(kEncryptMode, plain, temp / "once.kz"), 0);
  std::string question;
  {
    DialogDriver driver({[&](HWND dialog) {
                           question = ItemText(dialog, IDC_ARC_QUESTION);
                           return true;
                         },
                         Click(IDNO)});
    EXPECT_EQ(Process(kEncryptMode, temp / "once.kz", temp / "twice.kz"), 0);
  }
  EXPECT_EQ(question, Fill(IDS_ENC_ALREADY_ENCRYPTED, temp / "once.kz"));
  EXPECT_FALSE(jqtest::FileExists(temp / "twice.kz"));
  {
    DialogDriver driver({Click(IDC_ARC_YES_TO_ALL)});
    EXPECT_EQ(Process(kEncryptMode, temp / "once.kz", temp / "twice.kz"), 0);
    EXPECT_TRUE(driver.Finished());
  }
  // Yes to all holds for the rest of the command: no further question.
  EXPECT_EQ(Process(kEncryptMode, temp / "once.kz", temp / "third.kz"), 0);
  // Decrypting twice gives the text back.
  UseKey("secret key", true);
  ASSERT_EQ(Process(kDecryptMode, temp / "third.kz", temp / "inner.kz"), 0);
  ASSERT_EQ(Process(kDecryptMode, temp / "inner.kz", temp / "back.txt"), 0);
  EXPECT_EQ(jqtest::ReadFileText(temp / "back.txt"), "text");
}

TEST_F(Encryption, DecryptingAPlainFileAsksAndSkipsIt) {
  std::string plain = temp.WriteFile("plain.txt", "not encrypted");
  seams.boxAnswers = {IDOK, IDCANCEL};
  EXPECT_EQ(Process(kDecryptMode, plain, temp / "out.txt"), 0);
  EXPECT_EQ(Process(kDecryptMode, plain, temp / "out.txt"), kEncStop);
  ASSERT_EQ(seams.boxes.size(), 2u);
  EXPECT_EQ(seams.boxes[0].text, Fill(IDS_ENC_NOT_ENCRYPTED, plain));
  EXPECT_FALSE(jqtest::FileExists(temp / "out.txt"));
}

TEST_F(Encryption, FolderWalksMirrorTheTreeAndSkipFoldersWhereNothingMatches) {
  temp.WriteFile("src\\a.txt", "alpha");
  temp.WriteFile("src\\b.dat", "beta");
  temp.WriteFile("src\\deep\\c.txt", "gamma");
  temp.MakeFolder("src\\empty");
  temp.WriteFile("src\\zz\\d.txt", "delta");
  UseKey("secret key", true, kEncryptMode);
  EXPECT_EQ(EncryptFolderEntries((temp / "src\\*.txt").c_str(), (temp / "sealed\\").c_str(), kEncryptMode, 1), 1);
  UseKey("secret key", true);
  EXPECT_EQ(EncryptFolderEntries((temp / "sealed\\*.*").c_str(), (temp / "open\\").c_str(), kDecryptMode, 1), 1);
  EXPECT_EQ(jqtest::ReadFileText(temp / "open\\a.txt"), "alpha");
  EXPECT_EQ(jqtest::ReadFileText(temp / "open\\deep\\c.txt"), "gamma");
  EXPECT_EQ(jqtest::ReadFileText(temp / "open\\zz\\d.txt"), "delta");  // after the empty folder
  EXPECT_FALSE(jqtest::FileExists(temp / "open\\b.dat"));
  EXPECT_TRUE(seams.boxes.empty());
  // Without subfolders only the top level; a pattern that matches nothing stops.
  EXPECT_EQ(EncryptFolderEntries((temp / "src\\*.none").c_str(), (temp / "x\\").c_str(), kEncryptMode, 0), 2);
}

TEST(EncryptionLists, QuotedNamesAndFolderTargets) {
  char name[MAX_PATH];
  const char* list = "\"C:\\a b\\x.txt\" \"C:\\c\\*.*\" ";
  size_t at = NextQuotedName(0, list, name);
  EXPECT_STREQ(name, "C:\\a b\\x.txt");
  at = NextQuotedName(at, list, name);
  EXPECT_STREQ(name, "C:\\c\\*.*");
  EXPECT_EQ(NextQuotedName(at, list, name), 0u);
  EXPECT_EQ(CountQuotedNames(list), 2);
  struct Case {
    const char* list;
    bool needsFolder;
  } cases[] = {{"\"C:\\x.txt\"", false}, {"\"C:\\*.txt\"", true}, {"\"C:\\x?.txt\"", true}, {list, true}};
  for (const Case& c : cases) EXPECT_EQ(ListNeedsFolderTarget(c.list), c.needsFolder) << c.list;
  jqtest::TempFolder temp;
  char path[MAX_PATH];
  lstrcpyA(path, (temp.path() + "  ").c_str());
  EXPECT_TRUE(EnsureFolderTarget(path));
  EXPECT_EQ(std::string(path), temp.path() + "\\");
  lstrcpyA(path, (temp / "out").c_str());
  EXPECT_FALSE(EnsureFolderTarget(path));
  lstrcpyA(path, (temp / "out\\").c_str());
  EXPECT_TRUE(EnsureFolderTarget(path));
}

// ---- Wipe -----------------------------------------------------------------------------------

TEST(Wipe, FilesOfEverySizeAndReadOnlyFilesGo) {
  jqtest::TempFolder temp;
  for (size_t size : {size_t{0}, size_t{10240}, size_t{10241}}) {
    std::string file = temp.WriteFile("f" + std::to_string(size), Pattern(size));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(WipeFile(file.c_str()), 0) << size;
    EXPECT_FALSE(jqtest::FileExists(file));
  }
  EXPECT_EQ(WipeFile((temp / "missing").c_str()), kEncNotPlaced);
}

TEST(Wipe, AFolderHoldingAJunctionLeavesTheJunctionTargetIntact) {
  jqtest::TempFolder temp;
  std::string outside = temp.MakeFolder("outside");
  temp.WriteFile("outside\\keep.txt", "keep me");
  temp.WriteFile("victim\\a.txt", "a");
  temp.WriteFile("victim\\sub\\b.txt", "b");
  if (!MakeJunction(temp / "victim\\link", outside)) GTEST_SKIP() << "no junctions on this file system";
  ASSERT_TRUE(jqtest::FileExists(temp / "victim\\link\\keep.txt"));
  short result = WipeFolder((temp / "victim\\*.*").c_str());
  EXPECT_EQ(jqtest::ReadFileText(temp / "outside\\keep.txt"), "keep me");
  EXPECT_FALSE(jqtest::FileExists(temp / "victim\\a.txt"));
  EXPECT_FALSE(jqtest::FolderExists(temp / "victim\\sub"));
  if (jqtest::FolderExists(temp / "victim\\link")) {
    // Wine cannot remove a host symbolic link to a folder: it stays, as a link, and is reported.
    EXPECT_EQ(result, kEncNotPlaced);
    EXPECT_NE(GetFileAttributesA((temp / "victim\\link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
  } else {
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(jqtest::FolderExists(temp / "victim"));
  }
  // The link itself chosen (as the tree's folder would be): nothing behind it is touched.
  if (MakeJunction(temp / "link2", outside)) {
    WipeFolder((temp / "link2\\*.*").c_str());
    EXPECT_EQ(jqtest::ReadFileText(temp / "outside\\keep.txt"), "keep me");
  }
}

// ---- Through the commands and their dialogs --------------------------------------------------

class FileToolsCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    SetInstallDir(host.registry.machine(), jqtest::ProgramFolder());
    GetLiveOptions().showUpEntry = 0;
    g_paneLayout.twoPanes = 0;
    folder = temp.MakeFolder("files");
    temp.WriteFile("files\\a.txt", "alpha");
    temp.WriteFile("files\\b.txt", "beta");
    temp.MakeFolder("files\\sub");
    SetWindowPos(host.window, nullptr, 680, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(host.Browse(folder));
  }
  void Select(const std::vector<std::string>& names) {
    HWND list = host.list();
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (const std::string& name : names) {
      bool found = false;
      for (int i = 0; i < host.Count(); ++i)
        if (host.Text(i, 0) == name || host.Text(i, 0) == name.substr(0, name.find('.'))) {
          ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
          found = true;
        }
      ASSERT_TRUE(found) << name;
    }
    g_frame.lastFocus = list;
  }
  // The list filled again from the disk.
  void Refresh() {
    ASSERT_TRUE(host.Browse(temp.path()));
    ASSERT_TRUE(host.Browse(folder));
  }
  bool Run(LRESULT (*command)(HWND, UINT, WPARAM, LPARAM), std::vector<DialogDriver::Step> steps) {
    DialogDriver driver(std::move(steps));
    command(host.window, WM_COMMAND, 0, 0);
    return driver.Finished();
  }
  FILETIME WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
  }
  SYSTEMTIME LocalWriteTime(const std::string& path) {
    FILETIME utc = WriteTime(path), local;
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    return time;
  }

  jqtest::TempFolder temp;
  panetest::PaneHost host;
  jqtest::SeamRecorder seams;
  std::string folder;
};

TEST_F(FileToolsCommands, EncryptDialogChecksTheKeyThenEncryptsAndDecryptsTheSelection) {
  Select({"a.txt"});
  std::string shownFolder;
  ASSERT_TRUE(Run(DoEncryptDecrypt, {
      [&](HWND dialog) {
        shownFolder = ItemText(dialog, IDC_ENC_FOLDER);
        return true;
      },
      SetText(IDC_ENC_TARGET, ""), Click(IDC_ENC_ENCRYPT),
      SetText(IDC_ENC_TARGET, "out*"), Click(IDC_ENC_ENCRYPT),
      SetText(IDC_ENC_TARGET, "a.kz"), SetText(IDC_ENC_KEY, "ab"), Click(IDC_ENC_ENCRYPT),
      SetText(IDC_ENC_KEY, "abc"), Check(IDC_ENC_DES, true), Click(IDC_ENC_ENCRYPT),
  }));
  EXPECT_EQ(shownFolder, folder);
  ASSERT_EQ(seams.boxes.size(), 3u);
  EXPECT_EQ(seams.boxes[0].text, LoadText(IDS_ENC_NO_TARGET));
  EXPECT_EQ(seams.boxes[1].text, LoadText(IDS_ENC_TARGET_CHARACTERS));
  EXPECT_EQ(seams.boxes[2].text, LoadText(IDS_ENC_KEY_LENGTH));
  ASSERT_TRUE(jqtest::FileExists(folder + "\\a.kz"));
  EXPECT_NE(jqtest::ReadFileText(folder + "\\a.kz"), "alpha");
  DWORD des = 0;
  EXPECT_TRUE(ReadSettingDword("DES Encryption", &des));
  EXPECT_EQ(des, 1u);

  // Back, by a typed pattern; the target typed as a folder that does not exist yet.
  ASSERT_TRUE(Run(DoEncryptDecrypt, {
      [&](HWND dialog) {
        // The last target is offered first.
        char first[MAX_PATH] = "";
        SendDlgItemMessageA(dialog, IDC_ENC_TARGET, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
        return std::string(first) == folder + "\\a.kz";
      },
      Click(IDC_ENC_FILES), SetText(IDC_ENC_FILE_SPEC, "*.kz"),
      SetText(IDC_ENC_TARGET, "plain\\"), SetText(IDC_ENC_KEY, "abc"), Click(IDC_ENC_DECRYPT),
  }));
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\plain\\a.kz"), "alpha");
  EXPECT_EQ(seams.boxes.size(), 3u);
}

TEST_F(FileToolsCommands, TwoSelectedFilesMakeTheTypedTargetAFolder) {
  Select({"a.txt", "b.txt"});
  ASSERT_TRUE(Run(DoEncryptDecrypt, {SetText(IDC_ENC_TARGET, "out"), SetText(IDC_ENC_KEY, "key"),
                                     Check(IDC_ENC_WIPE_SOURCE, true), Click(IDC_ENC_ENCRYPT)}));
  EXPECT_TRUE(jqtest::FolderExists(folder + "\\out"));
  EXPECT_NE(jqtest::ReadFileText(folder + "\\out\\a.txt"), "alpha");
  EXPECT_FALSE(jqtest::ReadFileText(folder + "\\out\\b.txt").empty());
  // Wiped once their output was in place.
  EXPECT_FALSE(jqtest::FileExists(folder + "\\a.txt"));
  EXPECT_FALSE(jqtest::FileExists(folder + "\\b.txt"));
  EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(FileToolsCommands, WrongKeyThroughTheCommandKeepsTheSourceWithWipeOn) {
  Select({"a.txt"});
  ASSERT_TRUE(Run(DoEncryptDecrypt, {SetText(IDC_ENC_TARGET, "a.kz"), SetText(IDC_ENC_KEY, "right"),
                                     Click(IDC_ENC_ENCRYPT)}));
  Refresh();
  Select({"a.kz"});
  ASSERT_TRUE(Run(DoEncryptDecrypt, {SetText(IDC_ENC_TARGET, "back.txt"), SetText(IDC_ENC_KEY, "wrong"),
                                     Check(IDC_ENC_WIPE_SOURCE, true), Click(IDC_ENC_DECRYPT)}));
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, Fill(IDS_ENC_WRONG_PASSWORD, folder + "\\a.kz"));
  EXPECT_TRUE(jqtest::FileExists(folder + "\\a.kz"));
  EXPECT_FALSE(jqtest::FileExists(folder + "\\back.txt"));
}

TEST_F(FileToolsCommands, PermanentDeleteAsksThenWipesTheSelection) {
  Select({"a.txt", "sub"});
  temp.WriteFile("files\\sub\\inner.txt", "inner");
  seams.boxAnswers = {IDNO};
  DoWipeFiles(host.window, WM_COMMAND, 0, 0);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, Fill(IDS_WIPE_MANY, "2"));
  EXPECT_EQ(seams.boxes[0].caption, LoadText(IDS_WIPE_CAPTION));
  EXPECT_TRUE(jqtest::FileExists(folder + "\\a.txt"));
  seams.boxAnswers = {IDYES};
  DoWipeFiles(host.window, WM_COMMAND, 0, 0);
  EXPECT_FALSE(jqtest::FileExists(folder + "\\a.txt"));
  EXPECT_FALSE(jqtest::FolderExists(folder + "\\sub"));
  EXPECT_EQ(jqtest::ReadFileText(folder + "\\b.txt"), "beta");
}

TEST_F(FileToolsCommands, DatesAreSetAndReadBackOnFilesOnly) {
  struct Case {
    int month, day, year, hour, minute, second;
    bool pm;
    WORD expectedHour;
  } cases[] = {{2, 29, 2024, 12, 30, 15, false, 0},   // 12:30 AM is 00:30
               {7, 4, 2001, 12, 30, 0, true, 12},     // 12:30 PM is 12:30
               {12, 31, 1999, 1, 0, 59, true, 13}};   // 1:00 PM is 13:00
  FILETIME folderBefore = WriteTime(folder + "\\sub");
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.year));
    Select({"a.txt", "b.txt", "sub"});
    ASSERT_TRUE(Run(ShowSetDateTimeDialog, {
        SetText(IDC_DT_MONTH, std::to_string(c.month)), SetText(IDC_DT_DAY, std::to_string(c.day)),
        SetText(IDC_DT_YEAR, std::to_string(c.year)), SetText(IDC_DT_HOUR, std::to_string(c.hour)),
        SetText(IDC_DT_MINUTE, std::to_string(c.minute)), SetText(IDC_DT_SECOND, std::to_string(c.second)),
        Click(c.pm ? IDC_DT_PM : IDC_DT_AM), Click(IDOK),
    }));
    for (const char* name : {"a.txt", "b.txt"}) {
      SYSTEMTIME t = LocalWriteTime(folder + "\\" + name);
      EXPECT_EQ(t.wYear, c.year);
      EXPECT_EQ(t.wMonth, c.month);
      EXPECT_EQ(t.wDay, c.day);
      EXPECT_EQ(t.wHour, c.expectedHour);
      EXPECT_EQ(t.wMinute, c.minute);
      EXPECT_EQ(t.wSecond, c.second);
    }
  }
  FILETIME folderAfter = WriteTime(folder + "\\sub");
  EXPECT_EQ(CompareFileTime(&folderBefore, &folderAfter), 0);
  EXPECT_TRUE(seams.boxes.empty());

  // "Show the file's date" fills the fields from the first selected file.
  Refresh();
  Select({"a.txt"});
  std::string day, year;
  ASSERT_TRUE(Run(ShowSetDateTimeDialog, {
      Click(IDC_DT_FROM_FILE),
      [&](HWND dialog) {
        day = ItemText(dialog, IDC_DT_DAY);
        year = ItemText(dialog, IDC_DT_YEAR);
        return true;
      },
      Click(IDCANCEL),
  }));
  EXPECT_EQ(day, "31");
  EXPECT_EQ(year, "1999");
}

TEST_F(FileToolsCommands, ImpossibleDatesAreRefusedAndNothingIsStamped) {
  Select({"a.txt"});
  FILETIME before = WriteTime(folder + "\\a.txt");
  struct Case {
    const char *month, *day, *year;
  } cases[] = {{"2", "31", "2023"}, {"2", "29", "2023"}, {"4", "31", "2020"}, {"13", "1", "2020"}, {"1", "1", "2101"}};
  for (const Case& c : cases) {
    bool stillOpen = false;
    ASSERT_TRUE(Run(ShowSetDateTimeDialog, {
        SetText(IDC_DT_MONTH, c.month), SetText(IDC_DT_DAY, c.day), SetText(IDC_DT_YEAR, c.year),
        Click(IDOK),
        [&](HWND dialog) {
          stillOpen = GetDlgItem(dialog, IDC_DT_DAY) != nullptr;
          return true;
        },
        Click(IDCANCEL),
    }));
    EXPECT_TRUE(stillOpen) << c.month << "/" << c.day << "/" << c.year;
  }
  ASSERT_EQ(seams.boxes.size(), std::size(cases));
  EXPECT_EQ(seams.boxes[0].text, LoadText(IDS_DT_INVALID_DATE));
  FILETIME after = WriteTime(folder + "\\a.txt");
  EXPECT_EQ(CompareFileTime(&before, &after), 0);
}

TEST_F(FileToolsCommands, FileInUseIsReportedAndTheRestStamped) {
  // Held open without sharing by another program: it cannot be opened for the new time.
  HANDLE held = CreateFileA((folder + "\\a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Select({"a.txt", "b.txt"});
  const std::string name = "a.txt";
  seams.boxAnswers = {IDOK};
  ASSERT_TRUE(Run(ShowSetDateTimeDialog, {
      SetText(IDC_DT_MONTH, "3"), SetText(IDC_DT_DAY, "15"), SetText(IDC_DT_YEAR, "2010"), Click(IDOK),
  }));
  CloseHandle(held);
  ASSERT_EQ(seams.boxes.size(), 1u);
  EXPECT_EQ(seams.boxes[0].text, Fill(IDS_DT_CANNOT_SET, name));
  EXPECT_EQ(seams.boxes[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONHAND));
  EXPECT_EQ(LocalWriteTime(folder + "\\b.txt").wYear, 2010);
  EXPECT_NE(LocalWriteTime(folder + "\\a.txt").wYear, 2010);
}

TEST_F(FileToolsCommands, AboutBoxShowsTheVersionBlockAndTheUsageCount) {
  // Without an ini file the count is 0.
  SetInstallDir(host.registry.machine(), temp.path());
  EXPECT_EQ(ReadUsageCount(), 0);
  temp.WriteFile("jqnavig.ini", "[Usage]\r\nCount=17\r\n");
  EXPECT_EQ(ReadUsageCount(), 17);
  std::string version, usage, company;
  ASSERT_TRUE(Run(ShowAboutBox, {
      [&](HWND dialog) {
        version = ItemText(dialog, IDC_ABOUT_VERSION);
        usage = ItemText(dialog, IDC_ABOUT_USAGE);
        company = ItemText(dialog, IDC_ABOUT_COMPANY);
        return true;
      },
      Click(IDOK),
  }));
  EXPECT_EQ(version, "1.0.0.0");
  EXPECT_EQ(company, "Belmoor");
  EXPECT_NE(usage.find("17"), std::string::npos) << usage;
}

}  // namespace
