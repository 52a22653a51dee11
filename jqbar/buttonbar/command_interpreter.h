// The command-line panel's interpreter: the table of internal commands, the parser of a typed
// line, the switch and argument checker, the path resolver, the history and the built-in
// commands (run through the shell's file operation), URL and program starts.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace jqbar {

inline constexpr int kCmdLineMaxText = 520;  // characters of a typed line that count
inline constexpr int kCmdArgSize = 260;      // an argument, with its NUL
inline constexpr int kCmdWordSize = 20;      // the command word, with its NUL
inline constexpr int kMaxCmdHistory = 8;

enum DosCommandCode {
  kCmdNone = 0,
  kCmdChdir = 2,
  kCmdCopy = 3,
  kCmdDelete = 4,
  kCmdDir = 5,
  kCmdDos = 6,
  kCmdMkdir = 9,
  kCmdMove = 10,
  kCmdRename = 11,
  kCmdRmdir = 12,
};

enum ParseStatus {
  kParseOk = 0,
  kParseTooMany = 1,
  kParseTooFew = 2,
  kParseInvalid = 3,
  kParseNotInternal = 4,
};

struct DosCommandEntry {
  const char* name;
  int code;
  bool zeroArgs, oneArg, twoArgs;
  int acceptedSwitches;
  const char* letters;
};
// The 15 rows in search order.
const DosCommandEntry* DosCommandTable(int* count);

struct ParsedDosCommand {
  int code = kCmdNone;
  int status = kParseOk;
  bool switches[26] = {};
  int argCount = 0;
  char word[kCmdWordSize] = {};
  char arg1[kCmdArgSize] = {};
  char arg2[kCmdArgSize] = {};
  // An argument longer than the room for it was met: the line is refused as invalid.
  bool overlong = false;
};

void ParseTypedCommand(const char* line, ParsedDosCommand& out);
// Status 0 only: the switches and the argument count against the command's row.
void CheckCommandSwitches(ParsedDosCommand& command);
// A line that starts with letters (possibly none) and "://".
bool IsTypedUrl(const char* line);
// The path as the shell's file operation wants it (ended by a double NUL): taken as it stands
// when it starts with "\\" or "X:", put behind the current folder's drive when it starts with
// one backslash, else behind the current folder. False when it would not fit in MAX_PATH.
bool ResolveTypedPath(const char* currentFolder, const char* path, std::string& out);

// Moves an equal entry (case counts) to the front, or puts the line in front and drops the
// oldest beyond eight.
void AddToCommandHistory(std::vector<std::string>& history, const std::string& line);

// What the built-in commands need of their panel.
struct CmdLineContext {
  HWND owner = nullptr;
  std::string* currentFolder = nullptr;
  bool recycle = false;
  bool confirm = true;
  bool copyFolders = false;
};

// The program folder (with its trailing backslash) that "JQDOSWin.pif" is looked for in.
std::string CmdLineProgramFolder();
void OpenDosWindow(HWND owner, const char* folder);
// Writes "JQURL.URL" into the temporary folder and opens it; false when it cannot be written.
bool OpenTypedUrl(const char* line);
// Runs a checked internal command.
void RunBuiltInCommand(const CmdLineContext& context, const ParsedDosCommand& command);
// The first word is the file, the rest the parameters; the current folder is the working one.
void RunTypedProgram(HWND owner, const char* line, const char* currentFolder);
// Runs one typed line as the panel does after Enter (history aside). Returns false when the line
// was nothing the interpreter took (status 4 with an empty word and argument).
bool InterpretTypedLine(const CmdLineContext& context, const char* line);

}  // namespace jqbar
