#include "url_shortcut.h"

#include <gtest/gtest.h>

#include <memory>

#include "panel_utils.h"
#include "resource_shell.h"
#include "test_support.h"

namespace jqbar {
namespace {

struct Freer {
  void operator()(UrlShortcut* s) const { FreeUrlShortcut(s); }
};
using UrlPtr = std::unique_ptr<UrlShortcut, Freer>;

TEST(UrlShortcutFile, ReadsRealFilesIncludingHostileOnes) {
  jqtest::TempFolder temp;
  const std::string longUrl = "http://example.com/" + std::string(400, 'a');
  struct Case {
    const char* file;
    std::string content;
    std::string name, url;
  } cases[] = {
      {"Plain.url", "[InternetShortcut]\r\nURL=http://example.com/\r\n", "Plain", "http://example.com/"},
      {"No newline.url", "[InternetShortcut]\r\nURL=http://x.example/", "No newline", "http://x.example/"},
      {"Other keys.url", "[DEFAULT]\r\nBASEURL=http://base/\r\n[InternetShortcut]\r\nIconIndex=0\r\nurl=ftp://h/\r\n",
       "Other keys", "ftp://h/"},
      {"No section.url", "URL=http://nowhere/\r\n", "No section", ""},
      {"Empty.url", "", "Empty", ""},
      {"Long.url", "[InternetShortcut]\r\nURL=" + longUrl + "\r\n", "Long", longUrl.substr(0, kMaxUrlLength)},
      {"Binary.url", std::string("\x00\xff[InternetShortcut]\x00URL=a", 24), "Binary", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = temp.WriteFile(c.file, c.content);
    UrlPtr shortcut(ReadUrlShortcutFile(path.c_str()));
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->name, c.name);
    // A hostile file yields no more than the bounded address (the profile reader may still
    // find a key in damaged text).
    if (std::string(c.file) == "Binary.url")
      EXPECT_LE(shortcut->url.size(), kMaxUrlLength);
    else
      EXPECT_EQ(shortcut->url, c.url);
  }
}

TEST(UrlShortcutFile, ParsesTextInMemory) {
  struct Case {
    const char* what;
    std::string text;
    std::size_t size;  // 0: the scan limit
    std::string url;
  } cases[] = {
      {"lower case in the middle of a line", "junk url=http://a.example/x\nmore", 0, "http://a.example/x"},
      {"carriage return before the line feed", "[InternetShortcut]\r\nURL=http://b/\r\n", 0, "http://b/"},
      {"first key wins", "URL=first\nURL=second\n", 0, "first"},
      {"no key", "[InternetShortcut]\nHREF=x\n", 0, ""},
      {"empty value", "URL=\r\n", 0, ""},
      {"bounded by the size", "URL=http://cut.example/", 12, "http://c"},
      {"key cut by the size", "URL=http://x/", 3, ""},
      {"long line", "URL=" + std::string(1000, 'z'), 0, std::string(kMaxUrlLength, 'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UrlPtr shortcut(ParseUrlShortcutText("Name", c.text.c_str(), c.size));
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->name, "Name");
    EXPECT_EQ(shortcut->url, c.url);
  }
  UrlPtr none(ParseUrlShortcutText(nullptr, nullptr, 0));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->name, "");
  EXPECT_EQ(none->url, "");
}

TEST(UrlShortcutFile, NeverReadsPastTheGivenSize) {
  // The text ends at a page that cannot be read: no terminator, no line end.
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  const DWORD page = info.dwPageSize;
  auto* block = static_cast<char*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_TRUE(block);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(block + page, page, PAGE_NOACCESS, &old));
  const std::string text = "xURL=http://edge.example/";
  char* start = block + page - text.size();
  memcpy(start, text.data(), text.size());
  UrlPtr shortcut(ParseUrlShortcutText("Edge", start, text.size()));
  ASSERT_TRUE(shortcut);
  EXPECT_EQ(shortcut->url, "http://edge.example/");
  VirtualFree(block, 0, MEM_RELEASE);
}

TEST(UrlShortcutFile, WritesTheTwoLinesUnderACleanName) {
  jqtest::TempFolder temp;
  struct Case {
    const char* name;
    const char* file;
  } cases[] = {{"a/b:c", "abc.url"}, {"", "url.url"}, {"\\/:*?\"<>|", "url.url"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UrlPtr shortcut(NewUrlShortcut(c.name, "http://w.example/?q=1"));
    std::string path;
    ASSERT_EQ(WriteUrlShortcutFile(shortcut.get(), (temp.path() + "\\").c_str(), &path), 1);
    EXPECT_EQ(path, temp / c.file);
    EXPECT_EQ(jqtest::ReadFileText(path), "[InternetShortcut]\r\nURL=http://w.example/?q=1\r\n");
    UrlPtr back(ReadUrlShortcutFile(path.c_str()));
    EXPECT_EQ(back->url, "http://w.example/?q=1");
  }
  // An existing file of the name is replaced; an empty address gives "URL=".
  UrlPtr empty(NewUrlShortcut("abc", nullptr));
  ASSERT_EQ(WriteUrlShortcutFile(empty.get(), temp.path().c_str(), nullptr), 1);
  EXPECT_EQ(jqtest::ReadFileText(temp / "abc.url"), "[InternetShortcut]\r\nURL=\r\n");
  // No folder to write in: 0, nothing left behind.
  EXPECT_EQ(WriteUrlShortcutFile(empty.get(), (temp / "missing").c_str(), nullptr), 0);
  EXPECT_FALSE(jqtest::FolderExists(temp / "missing"));
}

TEST(UrlShortcutFile, OpeningTwoShortcutsLeavesOnlyTheSecondTemporaryFile) {
  jqtest::TempFolder temp;
  jqtest::SeamRecorder seams;
  SetUrlShortcutTempFolder(temp.path());
  UrlPtr first(NewUrlShortcut("First", "http://one.example/"));
  UrlPtr second(NewUrlShortcut("Second", "http://two.example/"));
  EXPECT_EQ(OpenUrlShortcut(first.get()), 1);
  std::string firstFile = LastUrlTempFile();
  EXPECT_EQ(firstFile, temp / "First.url");
  EXPECT_TRUE(jqtest::FileExists(firstFile));
  EXPECT_EQ(OpenUrlShortcut(second.get()), 1);
  EXPECT_FALSE(jqtest::FileExists(firstFile));
  EXPECT_TRUE(jqtest::FileExists(temp / "Second.url"));
  ASSERT_EQ(seams.starts.size(), 2u);
  EXPECT_EQ(seams.starts[1].file, temp / "Second.url");
  EXPECT_EQ(seams.starts[1].parameters, "");
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(seams.starts[1].directory, windows);

  // A shell refusal is the result; a file that cannot be written opens nothing.
  seams.startsSucceed = false;
  EXPECT_EQ(OpenUrlShortcut(first.get()), 0);
  SetUrlShortcutTempFolder(temp / "missing");
  EXPECT_EQ(OpenUrlShortcut(first.get()), 0);
  EXPECT_EQ(seams.starts.size(), 3u);
  SetUrlShortcutTempFolder("");
}

TEST(UrlShortcutIcons, ComeFromTheDefaultIconValueElseShell32) {
  jqtest::TestRegistry registry;
  HKEY root = registry.user();
  struct Case {
    const char* value;  // null: no key
    const char* file;   // expected file name ending
    int index;
  } cases[] = {
      {nullptr, "shell32.dll", 1},
      {"nothere.dll,3", "shell32.dll", 1},
      {"shell32.dll,4", "shell32.dll", 4},
      {"", "shell32.dll", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(no key)");
    RegDeleteKeyA(root, "InternetShortcut\\DefaultIcon");
    if (c.value) {
      HKEY key;
      ASSERT_EQ(RegCreateKeyExA(root, "InternetShortcut\\DefaultIcon", 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key, nullptr), ERROR_SUCCESS);
      RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(c.value), DWORD(strlen(c.value) + 1));
      RegCloseKey(key);
    }
    ASSERT_NE(LoadUrlShortcutIconsFrom(root), 0);
    EXPECT_TRUE(UrlShortcutIcon(true));
    EXPECT_TRUE(UrlShortcutIcon(false));
    const std::string& file = UrlShortcutIconFile();
    ASSERT_GE(file.size(), strlen(c.file));
    EXPECT_EQ(lstrcmpiA(file.c_str() + file.size() - strlen(c.file), c.file), 0) << file;
    EXPECT_EQ(UrlShortcutIconIndex(), c.index);
  }
  RegDeleteKeyA(root, "InternetShortcut\\DefaultIcon");
  RegDeleteKeyA(root, "InternetShortcut");
  FreeUrlShortcutIcons();
}

int g_enableCalls[2];
void RecordEnable(BOOL enabled) { ++g_enableCalls[enabled ? 1 : 0]; }

TEST(UrlShortcutDialog, OkReportsAChangeCancelAndUnchangedDoNot) {
  Globals().instance = GetModuleHandleA(nullptr);
  SetConfigDialogEnabler(RecordEnable);
  struct Case {
    const char* what;
    const char* newUrl;  // null: left as it is
    int button;
    int result;
  } cases[] = {
      {"changed address, OK", "http://new.example/", IDOK, 1},
      {"unchanged, OK", nullptr, IDOK, 0},
      {"changed address, Cancel", "http://other.example/", IDCANCEL, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    g_enableCalls[0] = g_enableCalls[1] = 0;
    char name[MAX_PATH] = "Site";
    char url[MAX_PATH] = "http://old.example/";
    std::string shownName;
    DWORD shown = GetTickCount();
    jqtest::DialogDriver driver({[&](HWND dialog) {
      // Under a window manager the dialog is active only once the manager has given it the
      // focus; the first field's focus is checked from then on (or after ten seconds).
      if ((GetForegroundWindow() != dialog || !IsChild(dialog, GetFocus())) && GetTickCount() - shown < 10000)
        return false;
      char text[MAX_PATH];
      GetDlgItemTextA(dialog, IDC_URL_NAME, text, MAX_PATH);
      shownName = text;
      EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_URL_NAME));
      if (c.newUrl) SetDlgItemTextA(dialog, IDC_URL_ADDRESS, c.newUrl);
      PostMessageA(dialog, WM_COMMAND, c.button, 0);
      return true;
    }});
    EXPECT_EQ(EditUrlShortcutDialog(nullptr, name, url), c.result);
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(shownName, "Site");
    EXPECT_STREQ(url, c.result ? c.newUrl : "http://old.example/");
    EXPECT_EQ(g_enableCalls[0], 1);
    EXPECT_EQ(g_enableCalls[1], 1);
  }
  SetConfigDialogEnabler(nullptr);
}

}  // namespace
}  // namespace jqbar
