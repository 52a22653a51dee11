// The DOS command-line bar under the panes and the Run dialog. Both run one line of text through
// the same executor: a web address opens through a temporary Internet shortcut, a drive path
// naming a folder changes to it, one of the internal commands (cd, copy, del, dir, dos, md, move,
// ren, rd and their other names) is carried out on the active pane's folder, and anything else is
// started through the shell.
#pragma once
#include <windows.h>
#include <cstdint>

// Internal command codes.
enum : UINT {
  kDosNone = 0,
  kDosChangeDir = 2,
  kDosCopy = 3,
  kDosDelete = 4,
  kDosDir = 5,
  kDosPrompt = 6,
  kDosMakeDir = 9,
  kDosMove = 10,
  kDosRename = 11,
  kDosRemoveDir = 12,
};

// Parser and validator errors.
enum : UINT {
  kDosOk = 0,
  kDosTooManyArguments = 1,
  kDosTooFewArguments = 2,
  kDosInvalidSwitch = 3,
  kDosNotInternal = 4,
  kDosNotExecutable = 5,  // ExecuteDosCommand: the code is not one it carries out
};

// One row of the internal command table.
struct DosCommandEntry {
  const char* name;
  uint32_t code;
  uint32_t noArgument, oneArgument, twoArguments;
  int32_t switchCount;
  char switches[8];
};
extern const DosCommandEntry DosCommands[15];
// The row of a command word (case ignored; the first equal name wins), or null.
const DosCommandEntry* FindDosCommand(const char* word);
// The row of a command code, or null.
const DosCommandEntry* FindDosCommandByCode(UINT code);

// The result of parsing one line; zero-filled before each parse.
struct ParsedDosCommand {
  uint32_t code;
  uint32_t error;
  uint8_t switches[26];  // one flag per letter a..z, case folded
  uint32_t argumentCount;
  char word[20];
  char first[MAX_PATH];
  char second[MAX_PATH];
  // Set when the line names an existing file by a drive path: the caller starts `startLine`.
  char startLine[MAX_PATH + 3];
};

// Longest line the bar and the Run dialog take.
constexpr int kCommandLineMax = 520;

// The folder relative to which a line runs (the active pane's folder, changed by cd).
extern char CommandLineFolder[MAX_PATH];

// Parses `line` (never changed). 1 when it parsed, or when it names an existing file by a drive
// path (error 4 with `startLine` set: the caller starts it); 0 with the error set.
int ParseDosCommand(const char* line, ParsedDosCommand* parsed);
// 0 when the arguments and switches fit the command's row, else the error (also stored).
UINT ValidateDosCommand(ParsedDosCommand* parsed);
// Carries out a validated command: 0 when handled (its own failures are reported), 5 when the
// code is not one it carries out.
UINT ExecuteDosCommand(ParsedDosCommand* parsed);
// Errors 1 to 3 as a message box with the command word; 4 shows nothing.
void ShowDosCommandError(const ParsedDosCommand* parsed, HWND owner);

// Runs one line from the bar or the Run dialog: nonzero when it was carried out or started.
int RunCommandLine(const char* line, BOOL minimised);
// One or more ASCII letters (or none), then "://".
BOOL IsUrlLine(const char* line);
int OpenUrlLine(const char* url, BOOL minimised);
int StartProgramLine(const char* line, BOOL minimised);

// `path` made absolute against `base` into `out` (MAX_PATH): a UNC or drive path as it stands,
// "\x" on the base's drive, anything else appended to the base with one backslash. FALSE (and
// an empty result) when it does not fit.
BOOL ResolveRelativePath(const char* path, char* out, const char* base);
// Changes CommandLineFolder by system rules ("..", "\", "D:", relative names) without touching the
// process's current folder; reports an invalid path. TRUE when it changed.
BOOL ChangeCommandLineFolder(const char* path);
// Starts the command prompt in `folder` through the shortcut in the program folder.
BOOL OpenDosWindow(HWND owner, const char* folder);
// Sets CommandLineFolder from the active pane's folder.
void SetCommandLineFolderFromPane();

// The bar: a status bar (id 104) holding a combo box (id 105). Returns the bar or null.
HWND CreateCommandLineBar(HWND parent, HFONT font);
// Writes the bar's history (the main window's destruction).
void SaveCommandLineHistory();

INT_PTR CALLBACK RunDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
