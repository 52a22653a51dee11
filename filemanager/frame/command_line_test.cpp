// The command-line interpreter: parser, validator and path resolution as tables; every internal
// command run as a line against a temporary folder shown in a real pane; the bar and the Run
// dialog driven with their own messages.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "command_line.h"
#include "file_operations.h"
#include "frame_state.h"
#include "history_list.h"
#include "pane_test_host.h"
#include "resource.h"
#include "test_support.h"

namespace {

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string Format(UINT id, const std::string& argument) {
  std::string format = LoadText(id);
  size_t at = format.find("%s");
  return at == std::string::npos ? format + argument : format.substr(0, at) + argument + format.substr(at + 2);
}

TEST(DosParser, LinesAsTable) {
  struct Case {
    const char* line;
    int result;
    UINT error;  // after validation
    UINT code;
    UINT count;
    const char* first;
    const char* second;
    const char* switches;
  };
  const Case cases[] = {
      {"copy a b", 1, 0, kDosCopy, 2, "a", "b", ""},
      {"  COPY a", 1, 0, kDosCopy, 1, "a", "", ""},
      {"copy a b c", 0, kDosTooManyArguments, kDosCopy, 2, "a", "b", ""},
      {"copy a b /I", 1, 0, kDosCopy, 2, "a", "b", "i"},
      {"copy a /n /i", 1, 0, kDosCopy, 1, "a", "", "in"},
      {"copy a b /x", 1, kDosInvalidSwitch, kDosCopy, 2, "a", "b", "x"},
      {"copy a /1", 0, kDosInvalidSwitch, kDosCopy, 1, "a", "", ""},
      {"copy \"my file/x.txt\" \"C:\\two words\"", 1, 0, kDosCopy, 2, "my file/x.txt", "C:\\two words", ""},
      {"copy \"unterminated b", 1, 0, kDosCopy, 1, "unterminated b", "", ""},
      {"del", 1, kDosTooFewArguments, kDosDelete, 0, "", "", ""},
      {"del a /p", 1, kDosInvalidSwitch, kDosDelete, 1, "a", "", "p"},
      {"erase a b", 1, kDosTooManyArguments, kDosDelete, 2, "a", "b", ""},
      {"dir", 1, 0, kDosDir, 0, "", "", ""},
      {"dos x", 1, 0, kDosPrompt, 1, "x", "", ""},
      {"cd..", 1, 0, kDosChangeDir, 1, "..", "", ""},
      {"cd\\", 1, 0, kDosChangeDir, 1, "\\", "", ""},
      {"chdir", 1, kDosTooFewArguments, kDosChangeDir, 0, "", "", ""},
      {"md a b", 1, kDosTooManyArguments, kDosMakeDir, 2, "a", "b", ""},
      {"ren a", 1, kDosTooFewArguments, kDosRename, 1, "a", "", ""},
      {"rename a b", 1, 0, kDosRename, 2, "a", "b", ""},
      {"rd x", 1, 0, kDosRemoveDir, 1, "x", "", ""},
      {"MOVE x", 1, 0, kDosMove, 1, "x", "", ""},
      {"notepad.exe readme", 0, kDosNotInternal, 0, 0, "", "", ""},
      {"copy.exe a", 1, 0, kDosCopy, 2, ".exe", "a", ""},  // the word stops at "."
      {"   ", 0, kDosNotInternal, 0, 0, "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::string before = c.line;
    ParsedDosCommand parsed;
    EXPECT_EQ(ParseDosCommand(c.line, &parsed), c.result);
    EXPECT_EQ(ValidateDosCommand(&parsed), c.error);
    EXPECT_EQ(parsed.code, c.code);
    EXPECT_EQ(parsed.argumentCount, c.count);
    EXPECT_STREQ(parsed.first, c.first);
    EXPECT_STREQ(parsed.second, c.second);
    std::string flags;
    for (int i = 0; i < 26; ++i)
      if (parsed.switches[i]) flags += static_cast<char>('a' + i);
    EXPECT_EQ(flags, c.switches);
    EXPECT_EQ(before, c.line);
  }
  // The command word stops at "." and keeps at most 19 characters.
  ParsedDosCommand parsed;
  ParseDosCommand("notepad.exe readme", &parsed);
  EXPECT_STREQ(parsed.word, "notepad");
  ParseDosCommand(std::string(40, 'w').c_str(), &parsed);
  EXPECT_EQ(strlen(parsed.word), 19u);
}

TEST(DosParser, OverLongArgumentsAreRefusedNotCopied) {
  ParsedDosCommand parsed;
  const std::string line = "copy " + std::string(400, 'x') + " b";
  EXPECT_EQ(ParseDosCommand(line.c_str(), &parsed), 0);
  EXPECT_NE(parsed.error, 0u);
  EXPECT_LT(strlen(parsed.first), sizeof parsed.first);
  // The second argument just fits; the parser reads no further than the bounded copy.
  const std::string fits = "copy a " + std::string(MAX_PATH - 1, 'y');
  EXPECT_EQ(ParseDosCommand(fits.c_str(), &parsed), 1);
  EXPECT_EQ(strlen(parsed.second), static_cast<size_t>(MAX_PATH - 1));
  const std::string tooLong = "copy a " + std::string(MAX_PATH, 'y');
  EXPECT_EQ(ParseDosCommand(tooLong.c_str(), &parsed), 0);
  const std::string huge = "md " + std::string(5000, 'z');
  EXPECT_EQ(ParseDosCommand(huge.c_str(), &parsed), 0);
}

TEST(DosParser, UrlLines) {
  struct Case { const char* line; BOOL url; };
  const Case cases[] = {{"http://x.org", TRUE}, {"ftp://host/dir", TRUE}, {"://x", TRUE},
                        {"c:/x", FALSE},       {"c:\\x", FALSE},         {"c://x", TRUE},
                        {"1http://x", FALSE},  {"http:/x", FALSE},       {"", FALSE}};
  for (const Case& c : cases) EXPECT_EQ(IsUrlLine(c.line), c.url) << c.line;
}

TEST(DosParser, ResolveRelativePathTable) {
  struct Case { const char* path; const char* base; const char* full; };
  const Case cases[] = {
      {"x", "C:\\a", "C:\\a\\x"},          {"x", "C:\\", "C:\\x"},
      {"\\x", "D:\\a\\b", "D:\\x"},         {"\\\\server\\share", "C:\\a", "\\\\server\\share"},
      {"E:\\y", "C:\\a", "E:\\y"},          {"D:x", "C:\\a", "D:x"},
      {"..\\up", "C:\\a\\b", "C:\\a\\b\\..\\up"},
  };
  for (const Case& c : cases) {
    char out[MAX_PATH];
    EXPECT_TRUE(ResolveRelativePath(c.path, out, c.base)) << c.path;
    EXPECT_STREQ(out, c.full);
  }
  char out[MAX_PATH];
  const std::string base = "C:\\" + std::string(200, 'b');
  EXPECT_FALSE(ResolveRelativePath(std::string(100, 'n').c_str(), out, base.c_str()));
  EXPECT_STREQ(out, "");
}

// Runs each shell operation for real and records what it was asked.
struct Operation {
  UINT function;
  FILEOP_FLAGS flags;
};
std::vector<Operation> g_operations;
int WINAPI RecordingRunner(SHFILEOPSTRUCTA* operation) {
  g_operations.push_back({operation->wFunc, operation->fFlags});
  return SHFileOperationA(operation);
}

class CommandLine : public ::testing::Test {
 protected:
  void SetUp() override {
    g_operations.clear();
    g_runFileOperation = RecordingRunner;
    LiveOptions& options = GetLiveOptions();
    options.dosConfirm = 0;
    options.dosDeleteToRecycle = 0;
    options.dosCopyFolders = 0;
    options.forceRefreshAfterOps = 1;
    options.showUpEntry = 0;
    g_paneLayout.twoPanes = 0;
    temp.WriteFile("a.txt", "aaa");
    temp.WriteFile("b.txt", "bbb");
    temp.WriteFile("sub\\c.txt", "ccc");
    temp.WriteFile("with space\\d.txt", "ddd");
    temp.MakeFolder("empty");
    // Dialogs centre over the host: keep them in the screen's upper right, clear of the places
    // where other test programs running at the same time expect their own windows.
    SetWindowPos(host.window, nullptr, 680, 0, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(host.Browse(temp.path()));
    g_frame.lastFocus = host.tree();
  }
  void TearDown() override { g_runFileOperation = SHFileOperationA; }
  std::string At(const std::string& relative) const { return temp / relative; }
  std::string Shown() const {
    char path[MAX_PATH] = "";
    GetTreeSelectionPath(host.tree(), path, FALSE, TRUE);
    return path;
  }

  jqtest::TempFolder temp;
  panetest::PaneHost host;
  jqtest::SeamRecorder seams;
};

bool Same(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

TEST_F(CommandLine, InternalCommandsChangeTheFolder) {
  using jqtest::FileExists;
  using jqtest::FolderExists;
  struct Step {
    std::string line;
    int result;
    std::function<bool()> effect;
    std::string box;  // expected message text, empty for none
  };
  const std::vector<Step> steps = {
      {"copy a.txt sub", 1, [&] { return FileExists(At("sub\\a.txt")) && FileExists(At("a.txt")); }, ""},
      {"COPY b.txt \"with space\\b2.txt\"", 1, [&] { return FileExists(At("with space\\b2.txt")); }, ""},
      {"copy sub\\c.txt", 1, [&] { return jqtest::ReadFileText(At("c.txt")) == "ccc"; }, ""},
      {"copy a.txt b.txt c.txt", 0, [] { return true; }, Format(IDS_DOS_TOO_MANY, "copy")},
      {"copy a.txt sub /x", 0, [] { return true; }, Format(IDS_DOS_INVALID_SWITCH, "copy")},
      {"copy sub sub2 /I", 1, [&] { return FileExists(At("sub2\\c.txt")); }, ""},
      {"del", 0, [] { return true; }, Format(IDS_DOS_TOO_FEW, "del")},
      {"del c.txt /p", 0, [&] { return FileExists(At("c.txt")); }, Format(IDS_DOS_INVALID_SWITCH, "del")},
      {"del c.txt", 1, [&] { return !FileExists(At("c.txt")); }, ""},
      {"erase sub2\\*.txt", 1, [&] { return !FileExists(At("sub2\\c.txt")) && FolderExists(At("sub2")); }, ""},
      {"md newdir", 1, [&] { return FolderExists(At("newdir")); }, ""},
      {"md newdir", 1, [] { return true; }, Format(IDS_DOS_CANNOT_CREATE, At("newdir"))},
      {"mkdir \"two words\"", 1, [&] { return FolderExists(At("two words")); }, ""},
      {"rd newdir", 1, [&] { return !FolderExists(At("newdir")); }, ""},
      {"rmdir sub", 1, [&] { return FolderExists(At("sub")); }, Format(IDS_DOS_CANNOT_REMOVE, At("sub"))},
      {"ren a.txt", 0, [&] { return FileExists(At("a.txt")); }, Format(IDS_DOS_TOO_FEW, "ren")},
      {"ren a.txt z.txt", 1, [&] { return FileExists(At("z.txt")) && !FileExists(At("a.txt")); }, ""},
      {"rename sub\\c.txt c2.txt", 1, [&] { return FileExists(At("sub\\c2.txt")); }, ""},
      {"move z.txt empty", 1, [&] { return FileExists(At("empty\\z.txt")) && !FileExists(At("z.txt")); }, ""},
      {"move empty\\z.txt", 1, [&] { return FileExists(At("z.txt")); }, ""},
      {"cd sub", 1, [&] { return Same(CommandLineFolder, At("sub")) && Same(Shown(), At("sub")); }, ""},
      {"copy c2.txt ..", 1, [&] { return FileExists(At("c2.txt")); }, ""},
      {"cd..", 1, [&] { return Same(CommandLineFolder, temp.path()) && Same(Shown(), temp.path()); }, ""},
      {"cd \"with space\"", 1, [&] { return Same(CommandLineFolder, At("with space")); }, ""},
      {"cd \\", 1, [&] { return Same(CommandLineFolder, temp.path().substr(0, 3)); }, ""},
      {"cd " + temp.path(), 1, [&] { return Same(CommandLineFolder, temp.path()); }, ""},
      {"cd nowhere", 1, [&] { return Same(CommandLineFolder, temp.path()); }, LoadText(IDS_DOS_INVALID_PATH) + "nowhere"},
      {At("sub"), 1, [&] { return Same(CommandLineFolder, At("sub")) && Same(Shown(), At("sub")); }, ""},
      {"copy " + std::string(300, 'x') + " b", 0, [] { return true; },
       LoadText(IDS_DOS_INVALID_PATH) + std::string(MAX_PATH - 1, 'x').substr(0, 0)},
  };
  char before[MAX_PATH] = "", after[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, before);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.line);
    seams.boxes.clear();
    const int result = RunCommandLine(step.line.c_str(), FALSE);
    jqtest::PumpPending();
    EXPECT_EQ(result, step.result);
    EXPECT_TRUE(step.effect());
    if (step.box.empty()) {
      EXPECT_TRUE(seams.boxes.empty()) << (seams.boxes.empty() ? "" : seams.boxes[0].text);
    } else {
      ASSERT_EQ(seams.boxes.size(), 1u);
      EXPECT_EQ(seams.boxes[0].text.substr(0, step.box.size()), step.box);
      EXPECT_EQ(seams.boxes[0].caption, LoadText(IDS_APP_NAME));
      EXPECT_EQ(seams.boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONHAND));
    }
  }
  EXPECT_TRUE(seams.starts.empty());
  // cd works on the command line's own folder: the process's current folder never moves.
  GetCurrentDirectoryA(MAX_PATH, after);
  EXPECT_STREQ(before, after);
}

TEST_F(CommandLine, SwitchesAndOptionsReachTheShellFlags) {
  struct Case {
    std::string line;
    UINT confirm, recycle, folders;
    UINT function;
    FILEOP_FLAGS flags;
  };
  const FILEOP_FLAGS quiet = FOF_SILENT | FOF_NOCONFIRMATION;
  const std::vector<Case> cases = {
      {"copy a.txt sub", 0, 0, 0, FO_COPY, quiet | FOF_FILESONLY},
      {"copy a.txt sub /i", 0, 0, 0, FO_COPY, quiet},
      {"copy a.txt sub /i /n", 0, 0, 1, FO_COPY, quiet | FOF_FILESONLY},
      {"copy a.txt sub", 0, 0, 1, FO_COPY, quiet},
      {"del b.txt", 0, 1, 0, FO_DELETE, quiet | FOF_ALLOWUNDO},
      {"move sub\\a.txt empty", 0, 0, 0, FO_MOVE, quiet},
      {"ren empty\\a.txt e.txt", 0, 0, 0, FO_RENAME, quiet},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    LiveOptions& options = GetLiveOptions();
    options.dosConfirm = c.confirm;
    options.dosDeleteToRecycle = c.recycle;
    options.dosCopyFolders = c.folders;
    g_operations.clear();
    EXPECT_EQ(RunCommandLine(c.line.c_str(), FALSE), 1);
    ASSERT_EQ(g_operations.size(), 1u);
    EXPECT_EQ(g_operations[0].function, c.function);
    EXPECT_EQ(g_operations[0].flags, c.flags);
  }
  EXPECT_TRUE(jqtest::FileExists(At("empty\\e.txt")));
  EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(CommandLine, ProgramsFoldersAndWebAddressesAreStarted) {
  struct Case {
    std::string line;
    std::string file, parameters, directory;
  };
  const std::vector<Case> cases = {
      {"notepad.exe readme.txt", "notepad.exe", "readme.txt", temp.path()},
      {"\"my prog.exe\"  x  y", "my prog.exe", "x  y", temp.path()},
      {"dir", temp.path(), "", ""},
      {"dir sub", At("sub"), "", ""},
      {At("a.txt"), At("a.txt"), "", temp.path()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    seams.starts.clear();
    EXPECT_EQ(RunCommandLine(c.line.c_str(), FALSE), 1);
    ASSERT_EQ(seams.starts.size(), 1u);
    EXPECT_EQ(seams.starts[0].file, c.file);
    EXPECT_EQ(seams.starts[0].parameters, c.parameters);
    EXPECT_EQ(lstrcmpiA(seams.starts[0].directory.c_str(), c.directory.c_str()), 0) << seams.starts[0].directory;
    EXPECT_EQ(seams.starts[0].verb, "");
  }
  // The command prompt in the folder, through the installed shortcut or the system's interpreter.
  seams.starts.clear();
  EXPECT_EQ(RunCommandLine("dos sub", FALSE), 1);
  ASSERT_EQ(seams.starts.size(), 1u);
  EXPECT_EQ(lstrcmpiA(seams.starts[0].directory.c_str(), At("sub").c_str()), 0);
  EXPECT_NE(seams.starts[0].file.find_last_of("\\"), std::string::npos);

  // A web address goes through JQURL.URL in the temporary folder.
  seams.starts.clear();
  EXPECT_EQ(RunCommandLine("http://example.org/a?b=c", TRUE), 1);
  ASSERT_EQ(seams.starts.size(), 1u);
  char tempPath[MAX_PATH];
  GetTempPathA(MAX_PATH, tempPath);
  std::string url = std::string(tempPath) + "JQURL.URL";
  EXPECT_EQ(lstrcmpiA(seams.starts[0].file.c_str(), url.c_str()), 0) << seams.starts[0].file;
  std::string content = jqtest::ReadFileText(url);
  EXPECT_NE(content.find("[InternetShortcut]"), std::string::npos);
  EXPECT_NE(content.find("URL=http://example.org/a?b=c"), std::string::npos);

  // A failed start is reported as a failure; a blank line does nothing.
  seams.startsSucceed = false;
  EXPECT_EQ(RunCommandLine("nosuchprogram", FALSE), 0);
  seams.starts.clear();
  EXPECT_EQ(RunCommandLine("   ", FALSE), 0);
  EXPECT_TRUE(seams.starts.empty());
}

TEST_F(CommandLine, TheBarRunsEnteredLinesAndKeepsThem) {
  HWND bar = CreateCommandLineBar(host.window, nullptr);
  ASSERT_TRUE(bar);
  HWND edit = g_frame.commandLineEdit;
  ASSERT_TRUE(edit);
  EXPECT_EQ(GetDlgCtrlID(bar), 104);
  EXPECT_EQ(GetDlgCtrlID(g_frame.commandLineCombo), 105);
  EXPECT_GE(g_frame.commandLineHeight, 20);
  char prompt[60] = "";
  SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(prompt));
  EXPECT_EQ(std::string(prompt), LoadText(IDS_DOS_PROMPT));

  SetWindowTextA(edit, "md frombar");
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(edit, WM_KEYUP, VK_RETURN, 0);
  EXPECT_TRUE(jqtest::FolderExists(At("frombar")));
  EXPECT_EQ(GetWindowTextLengthA(edit), 0);
  EXPECT_EQ(SendMessageA(g_frame.commandLineCombo, CB_GETCOUNT, 0, 0), 1);
  // Esc clears what was typed; nothing runs.
  SetWindowTextA(edit, "md never");
  SendMessageA(edit, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(GetWindowTextLengthA(edit), 0);
  EXPECT_FALSE(jqtest::FolderExists(At("never")));

  SaveCommandLineHistory();
  HistoryList saved;
  LoadHistoryList(&saved, "DOS Command Line");
  ASSERT_EQ(saved.Count(), 1);
  EXPECT_STREQ(saved.slots[0], "md frombar");
  DestroyWindow(bar);
  g_frame = MainFrame{};
}

TEST_F(CommandLine, RunDialogStaysOpenOnFailureAndClosesOnSuccess) {
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RUN), host.window, RunDlgProc, 0);
  ASSERT_TRUE(dialog);
  ShowWindow(dialog, SW_SHOW);
  EXPECT_TRUE(GetDlgItem(dialog, IDC_RUN_BROWSE));
  SetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, "del");
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(IsWindowVisible(dialog)) << "a refused line leaves the dialog open";
  ASSERT_EQ(seams.boxes.size(), 1u);
  SetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, "rd empty");
  SendMessageA(dialog, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(jqtest::FolderExists(At("empty")));
  EXPECT_FALSE(IsWindowVisible(dialog)) << "rd that worked ends the dialog";
  DestroyWindow(dialog);

  HistoryList saved;
  LoadHistoryList(&saved, "Run");
  ASSERT_EQ(saved.Count(), 2);
  EXPECT_STREQ(saved.slots[0], "rd empty");
  // The next Run dialog offers the newest line.
  dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RUN), host.window, RunDlgProc, 0);
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, IDC_DESTINATION_COMBO, text, sizeof text);
  EXPECT_STREQ(text, "rd empty");
  DestroyWindow(dialog);
}

}  // namespace
