// The command-line interpreter: the internal command table, the parser and validator, path
// resolution, the executor, web addresses and program starts.
#include "command_line.h"
#include <shellapi.h>
#include <shlobj.h>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include "file_operations.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "folder_watch.h"
#include "frame_state.h"
#include "pane_refresh.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "program_values.h"

// Rename and ren take exactly two names: with one, the old text renamed the file to the folder
// it lies in.
const DosCommandEntry DosCommands[15] = {
    {"cd", kDosChangeDir, 0, 1, 0, 0, ""},      {"chdir", kDosChangeDir, 0, 1, 0, 0, ""},
    {"copy", kDosCopy, 0, 1, 1, 2, "ni"},       {"del", kDosDelete, 0, 1, 0, 0, ""},
    {"delete", kDosDelete, 0, 1, 0, 0, ""},     {"dir", kDosDir, 1, 1, 0, 0, ""},
    {"dos", kDosPrompt, 1, 1, 0, 0, ""},        {"erase", kDosDelete, 0, 1, 0, 0, ""},
    {"md", kDosMakeDir, 0, 1, 0, 0, ""},        {"mkdir", kDosMakeDir, 0, 1, 0, 0, ""},
    {"move", kDosMove, 0, 1, 1, 0, ""},         {"rename", kDosRename, 0, 0, 1, 0, ""},
    {"ren", kDosRename, 0, 0, 1, 0, ""},        {"rd", kDosRemoveDir, 0, 1, 0, 0, ""},
    {"rmdir", kDosRemoveDir, 0, 1, 0, 0, ""},
};

char CommandLineFolder[MAX_PATH];

namespace {

// An argument that does not fit a path: reported as an invalid path.
constexpr UINT kDosArgumentTooLong = 6;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string LoadText(UINT id) {
  char text[512] = "";
  LoadStringA(g_instance ? g_instance : GetModuleHandleA(nullptr), id, text, sizeof text);
  return text;
}

std::string ProgramName() {
  std::string name = LoadText(IDS_APP_NAME);
  return name.empty() ? "JQNavig" : name;
}

HWND Owner() { return g_mainWindow; }

void FocusCommandLine() {
  HWND edit = g_frame.commandLineEdit;
  if (edit && IsWindow(edit) && g_frame.commandLineBar && IsWindowVisible(g_frame.commandLineBar))
    SetFocus(edit);
}

// A message from a template whose %s is `argument`.
void ShowTemplate(UINT id, const char* argument) {
  std::string format = LoadText(id);
  std::string text;
  size_t at = format.find("%s");
  if (at == std::string::npos) text = format + argument;
  else text = format.substr(0, at) + argument + format.substr(at + 2);
  seams::MessageBoxA(Owner(), text.c_str(), ProgramName().c_str(), MB_ICONHAND);
  FocusCommandLine();
}

// Reads one argument from `at` into `out` (MAX_PATH): up to a space or "/" outside double
// quotes; the quotes are dropped. FALSE when it does not fit.
bool ReadArgument(const char*& at, char* out) {
  bool quoted = false;
  size_t length = 0;
  for (; *at; ++at) {
    char c = *at;
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (IsSpace(c) || c == '/')) break;
    if (length + 1 >= MAX_PATH) return false;
    out[length++] = c;
  }
  out[length] = '\0';
  return true;
}

void SkipSpaces(const char*& at) {
  while (IsSpace(*at)) ++at;
}

bool IsDirectory(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The program folder: "InstallDir" of the installation, else the folder of the running program;
// with a trailing backslash.
std::string ProgramFolderPath() {
  char folder[MAX_PATH] = "";
  if (!ReadInstallDir(folder) || !folder[0]) {
    GetModuleFileNameA(nullptr, folder, MAX_PATH);
    char* slash = strrchr(folder, '\\');
    if (slash) slash[1] = '\0';
  }
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

std::string DoubleNul(const char* path) {
  std::string list = path;
  list.push_back('\0');
  list.push_back('\0');
  return list;
}

// Runs a shell file operation for a command; the panes' watchers stay quiet during it when
// `refresh` is set and the panes are read again once afterwards.
int RunDosFileOperation(UINT function, const char* from, const char* to, FILEOP_FLAGS flags, bool refresh) {
  std::string source = DoubleNul(from), target = to ? DoubleNul(to) : std::string();
  SHFILEOPSTRUCTA operation{};
  operation.hwnd = Owner();
  operation.wFunc = function;
  operation.pFrom = source.c_str();
  operation.pTo = to ? target.c_str() : nullptr;
  operation.fFlags = flags;
  const int active = ActivePaneIndex;
  const bool both = refresh && GetLiveOptions().forceRefreshAfterOps && g_paneLayout.twoPanes;
  refresh = refresh && GetLiveOptions().forceRefreshAfterOps;
  if (refresh) {
    MutePaneWatcher(active);
    if (both) MutePaneWatcher(1 - active);
  }
  int result = g_runFileOperation(&operation);
  if (refresh) {
    if (result == 0 && !operation.fAnyOperationsAborted) {
      if (FilePanes[active].tree) RefreshPaneTree(active, nullptr, TRUE);
      if (both && FilePanes[1 - active].tree) RefreshPaneTree(1 - active, nullptr, TRUE);
    }
    UnmutePaneWatcher(active);
    if (both) UnmutePaneWatcher(1 - active);
  }
  return result;
}

FILEOP_FLAGS ConfirmationFlags() {
  return GetLiveOptions().dosConfirm ? 0 : (FOF_SILENT | FOF_NOCONFIRMATION);
}

bool NavigateActivePane(const char* folder) {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  if (!tree || !SelectTreePath(tree, folder, TRUE)) return false;
  if (IsWindowVisible(tree)) SetFocus(tree);
  FocusCommandLine();
  return true;
}

}  // namespace

const DosCommandEntry* FindDosCommand(const char* word) {
  if (!word || !word[0]) return nullptr;
  for (const DosCommandEntry& entry : DosCommands)
    if (lstrcmpiA(entry.name, word) == 0) return &entry;
  return nullptr;
}

const DosCommandEntry* FindDosCommandByCode(UINT code) {
  for (const DosCommandEntry& entry : DosCommands)
    if (entry.code == code) return &entry;
  return nullptr;
}

BOOL IsUrlLine(const char* line) {
  if (!line) return FALSE;
  const char* at = line;
  while ((*at >= 'a' && *at <= 'z') || (*at >= 'A' && *at <= 'Z')) ++at;
  return at[0] == ':' && at[1] == '/' && at[2] == '/';
}

int ParseDosCommand(const char* line, ParsedDosCommand* parsed) {
  *parsed = ParsedDosCommand{};
  if (!line) {
    parsed->error = kDosNotInternal;
    return 0;
  }
  // The caller's line is never changed: the work is done on a bounded copy.
  char text[kCommandLineMax + 1];
  lstrcpynA(text, line, sizeof text);
  const char* at = text;
  SkipSpaces(at);

  if (at[0] && at[1] == ':') {
    std::string path = at;
    while (!path.empty() && IsSpace(path.back())) path.pop_back();
    if (path.size() < MAX_PATH - 1 && IsDirectory(path.c_str())) {
      parsed->code = kDosChangeDir;
      lstrcpyA(parsed->word, "cd");
      if (path.back() != '\\') path += '\\';
      lstrcpynA(parsed->first, path.c_str(), MAX_PATH);
      parsed->argumentCount = 1;
      return 1;
    }
    DWORD attributes = path.size() < MAX_PATH ? GetFileAttributesA(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      // An existing file: started as a whole, in quotes.
      wsprintfA(parsed->startLine, "\"%s\"", path.c_str());
      parsed->error = kDosNotInternal;
      lstrcpynA(parsed->word, path.c_str(), sizeof parsed->word);
      lstrcpynA(parsed->first, path.c_str(), MAX_PATH);
      parsed->argumentCount = 1;
      return 1;
    }
  }

  size_t length = 0;
  while (*at && !IsSpace(*at) && *at != '/' && *at != '\\' && *at != '.') {
    if (length + 1 < sizeof parsed->word) parsed->word[length++] = *at;
    ++at;
  }
  parsed->word[length] = '\0';
  SkipSpaces(at);
  const DosCommandEntry* entry = FindDosCommand(parsed->word);
  if (!entry) {
    parsed->error = kDosNotInternal;
    return 0;
  }
  parsed->code = entry->code;

  char* arguments[2] = {parsed->first, parsed->second};
  for (char* argument : arguments) {
    if (!*at || *at == '/') break;
    if (!ReadArgument(at, argument)) {
      parsed->error = kDosArgumentTooLong;
      argument[0] = '\0';
      return 0;
    }
    ++parsed->argumentCount;
    SkipSpaces(at);
  }
  if (!*at) return 1;
  if (*at != '/') {
    parsed->error = kDosTooManyArguments;
    return 0;
  }
  while (*at) {
    if (*at != '/') {
      ++at;
      continue;
    }
    char letter = at[1];
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    if (letter < 'a' || letter > 'z') {
      parsed->error = kDosInvalidSwitch;
      return 0;
    }
    parsed->switches[letter - 'a'] = 1;
    at += 2;
  }
  return 1;
}

UINT ValidateDosCommand(ParsedDosCommand* parsed) {
  if (parsed->error) return parsed->error;
  const DosCommandEntry* entry = FindDosCommandByCode(parsed->code);
  if (!entry) return parsed->error = kDosNotInternal;
  for (int letter = 0; letter < 26; ++letter) {
    if (!parsed->switches[letter]) continue;
    bool accepted = false;
    for (int i = 0; i < entry->switchCount && i < 8; ++i)
      if (tolower(static_cast<unsigned char>(entry->switches[i])) == 'a' + letter) accepted = true;
    if (!accepted) return parsed->error = kDosInvalidSwitch;
  }
  switch (parsed->argumentCount) {
    case 0:
      if (!entry->noArgument) return parsed->error = kDosTooFewArguments;
      break;
    case 1:
      if (!entry->oneArgument) return parsed->error = entry->noArgument ? kDosTooManyArguments : kDosTooFewArguments;
      break;
    default:
      if (!entry->twoArguments) return parsed->error = kDosTooManyArguments;
      break;
  }
  return kDosOk;
}

BOOL ResolveRelativePath(const char* path, char* out, const char* base) {
  out[0] = '\0';
  if (!path || !base) return FALSE;
  std::string full;
  const bool drive = isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
  if ((path[0] == '\\' && path[1] == '\\') || drive) {
    full = path;
  } else if (path[0] == '\\') {
    full = std::string(base, strnlen(base, 2)) + path;
  } else {
    full = base;
    if (!full.empty() && full.back() != '\\' && path[0]) full += '\\';
    full += path;
  }
  if (full.size() >= MAX_PATH) return FALSE;
  lstrcpyA(out, full.c_str());
  return TRUE;
}

BOOL ChangeCommandLineFolder(const char* path) {
  // Resolved against the command line's folder without changing the process's current folder,
  // which the workers of the program share.
  std::string wanted = path ? path : "";
  while (!wanted.empty() && IsSpace(wanted.back())) wanted.pop_back();
  char joined[MAX_PATH] = "";
  bool ok = !wanted.empty();
  if (ok) {
    if (isalpha(static_cast<unsigned char>(wanted[0])) && wanted[1] == ':' && (wanted.size() == 2 || wanted[2] != '\\'))
      wanted.insert(2, "\\");  // "D:" and "D:name" from the drive's root
    ok = ResolveRelativePath(wanted.c_str(), joined, CommandLineFolder) != FALSE;
  }
  char full[MAX_PATH] = "";
  if (ok) {
    DWORD length = GetFullPathNameA(joined, MAX_PATH, full, nullptr);
    ok = length && length < MAX_PATH && IsDirectory(full);
  }
  if (!ok) {
    std::string text = LoadText(IDS_DOS_INVALID_PATH) + (path ? path : "");
    seams::MessageBoxA(Owner(), text.c_str(), ProgramName().c_str(), MB_ICONHAND);
    FocusCommandLine();
    return FALSE;
  }
  // The folder's name as the file system spells it.
  char spelled[MAX_PATH] = "";
  DWORD length = GetLongPathNameA(full, spelled, MAX_PATH);
  lstrcpynA(CommandLineFolder, length && length < MAX_PATH ? spelled : full, MAX_PATH);
  size_t size = strlen(CommandLineFolder);
  if (size > 3 && CommandLineFolder[size - 1] == '\\') CommandLineFolder[size - 1] = '\0';
  return TRUE;
}

BOOL OpenDosWindow(HWND owner, const char* folder) {
  std::string program = ProgramFolderPath();
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.hwnd = owner;
  info.lpDirectory = folder;
  info.nShow = SW_SHOWNORMAL;
  std::string file, parameters;
  if (IsNT) {
    file = program + "JQDOSNT.lnk";
  } else {
    file = program + "JQDOSWin.pif";
    parameters = std::string("/k cd \"") + (folder ? folder : "") + "\"";
  }
  if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // No shortcut installed: the system's command interpreter, started in the folder.
    char comspec[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("COMSPEC", comspec, MAX_PATH) || !comspec[0]) lstrcpyA(comspec, "cmd.exe");
    file = comspec;
    parameters.clear();
  }
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.fMask = 0;
  return seams::ShellExecuteExA(&info);
}

UINT ExecuteDosCommand(ParsedDosCommand* parsed) {
  char first[MAX_PATH] = "", second[MAX_PATH] = "";
  if (parsed->argumentCount >= 1 && !ResolveRelativePath(parsed->first, first, CommandLineFolder)) {
    ShowTemplate(IDS_DOS_INVALID_PATH, parsed->first);
    return 0;
  }
  if (parsed->argumentCount >= 2) {
    // A bare new name for ren lies beside the old one.
    const char* base = CommandLineFolder;
    std::string firstFolder;
    if (parsed->code == kDosRename && !strchr(parsed->second, '\\') && !strchr(parsed->second, ':')) {
      firstFolder = first;
      size_t slash = firstFolder.find_last_of('\\');
      firstFolder = slash == std::string::npos ? std::string(CommandLineFolder) : firstFolder.substr(0, slash);
      base = firstFolder.c_str();
    }
    if (!ResolveRelativePath(parsed->second, second, base)) {
      ShowTemplate(IDS_DOS_INVALID_PATH, parsed->second);
      return 0;
    }
  }
  // "." and ".." in what was typed are settled here; wildcards stay.
  for (char* path : {first, second}) {
    char normal[MAX_PATH];
    DWORD length = path[0] ? GetFullPathNameA(path, MAX_PATH, normal, nullptr) : 0;
    if (length && length < MAX_PATH) lstrcpyA(path, normal);
  }
  const LiveOptions& options = GetLiveOptions();
  switch (parsed->code) {
    case kDosChangeDir:
      if (ChangeCommandLineFolder(parsed->first)) NavigateActivePane(CommandLineFolder);
      return 0;
    case kDosCopy: {
      FILEOP_FLAGS flags = ConfirmationFlags();
      bool folders = (options.dosCopyFolders || parsed->switches['i' - 'a']) && !parsed->switches['n' - 'a'];
      if (!folders) flags |= FOF_FILESONLY;
      RunDosFileOperation(FO_COPY, first, parsed->argumentCount >= 2 ? second : CommandLineFolder, flags, false);
      return 0;
    }
    case kDosDelete: {
      FILEOP_FLAGS flags = ConfirmationFlags();
      if (options.dosDeleteToRecycle) flags |= FOF_ALLOWUNDO;
      RunDosFileOperation(FO_DELETE, first, nullptr, flags, true);
      return 0;
    }
    case kDosDir: {
      SHELLEXECUTEINFOA info{};
      info.cbSize = sizeof info;
      info.hwnd = Owner();
      info.lpFile = parsed->argumentCount ? first : CommandLineFolder;
      info.nShow = SW_SHOWNORMAL;
      seams::ShellExecuteExA(&info);
      return 0;
    }
    case kDosPrompt:
      OpenDosWindow(Owner(), parsed->argumentCount ? first : CommandLineFolder);
      return 0;
    case kDosMakeDir:
      if (!CreateDirectoryA(first, nullptr)) ShowTemplate(IDS_DOS_CANNOT_CREATE, first);
      return 0;
    case kDosMove:
      RunDosFileOperation(FO_MOVE, first, parsed->argumentCount >= 2 ? second : CommandLineFolder,
                          ConfirmationFlags(), true);
      return 0;
    case kDosRename:
      RunDosFileOperation(FO_RENAME, first, second, ConfirmationFlags(), false);
      return 0;
    case kDosRemoveDir:
      if (!RemoveDirectoryA(first)) ShowTemplate(IDS_DOS_CANNOT_REMOVE, first);
      return 0;
    default:
      return kDosNotExecutable;
  }
}

void ShowDosCommandError(const ParsedDosCommand* parsed, HWND owner) {
  UINT id = 0;
  const char* argument = parsed->word;
  switch (parsed->error) {
    case kDosTooManyArguments: id = IDS_DOS_TOO_MANY; break;
    case kDosTooFewArguments: id = IDS_DOS_TOO_FEW; break;
    case kDosInvalidSwitch: id = IDS_DOS_INVALID_SWITCH; break;
    case kDosArgumentTooLong: {
      std::string text = LoadText(IDS_DOS_INVALID_PATH) + (parsed->second[0] ? parsed->second : parsed->first);
      seams::MessageBoxA(owner, text.c_str(), ProgramName().c_str(), MB_ICONHAND);
      FocusCommandLine();
      return;
    }
    default: return;
  }
  std::string format = LoadText(id);
  std::string text;
  size_t at = format.find("%s");
  text = at == std::string::npos ? format : format.substr(0, at) + argument + format.substr(at + 2);
  seams::MessageBoxA(owner, text.c_str(), ProgramName().c_str(), MB_ICONHAND);
  FocusCommandLine();
}

int OpenUrlLine(const char* url, BOOL minimised) {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (!length || length >= MAX_PATH - 12) return 0;
  std::string file = temp;
  if (file.back() != '\\') file += '\\';
  file += "JQURL.URL";
  DeleteFileA(file.c_str());
  FILE* out = fopen(file.c_str(), "w");
  if (!out) return 0;
  fprintf(out, "[InternetShortcut]\nURL=%s\n", url);
  bool written = fclose(out) == 0;
  if (!written) return 0;
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = Owner();
  info.lpFile = file.c_str();
  info.lpDirectory = windows;
  info.nShow = minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? 1 : 0;
}

int StartProgramLine(const char* line, BOOL minimised) {
  if (!line) return 0;
  const char* at = line;
  SkipSpaces(at);
  std::string file;
  if (*at == '"') {
    // The quotes group the name; the shell is given the name itself.
    const char* close = strchr(at + 1, '"');
    const char* end = close ? close + 1 : at + strlen(at);
    file.assign(at + 1, close ? close : end);
    at = end;
  } else {
    const char* end = at;
    while (*end && !IsSpace(*end)) ++end;
    file.assign(at, end);
    at = end;
  }
  SkipSpaces(at);
  std::string parameters = at;
  if (file.empty()) return 0;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.hwnd = Owner();
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = CommandLineFolder[0] ? CommandLineFolder : nullptr;
  info.nShow = minimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
  HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  BOOL started = seams::ShellExecuteExA(&info);
  SetCursor(old);
  return started ? 1 : 0;
}

void SetCommandLineFolderFromPane() {
  HWND tree = FilePanes[ActivePaneIndex].tree;
  char path[MAX_PATH] = "";
  if (tree && GetTreeSelectionPath(tree, path, FALSE, TRUE) && path[0]) lstrcpynA(CommandLineFolder, path, MAX_PATH);
}

int RunCommandLine(const char* line, BOOL minimised) {
  if (!line) return 0;
  SetCommandLineFolderFromPane();
  if (IsUrlLine(line)) return OpenUrlLine(line, minimised);
  ParsedDosCommand parsed;
  ParseDosCommand(line, &parsed);
  switch (parsed.error) {
    case kDosOk:
      if (ValidateDosCommand(&parsed) != kDosOk) {
        ShowDosCommandError(&parsed, Owner());
        return 0;
      }
      return ExecuteDosCommand(&parsed) == 0 ? 1 : 0;
    case kDosNotInternal:
      if (!parsed.word[0]) return 0;
      return StartProgramLine(parsed.startLine[0] ? parsed.startLine : line, minimised);
    default:
      ShowDosCommandError(&parsed, Owner());
      return 0;
  }
}
