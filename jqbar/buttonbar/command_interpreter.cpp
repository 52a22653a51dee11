#include "command_interpreter.h"

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "panel_utils.h"
#include "resource_buttonbar.h"
#include "seams.h"

namespace jqbar {
namespace {

const DosCommandEntry kTable[] = {
    {"cd", kCmdChdir, false, true, false, 0, ""},
    {"chdir", kCmdChdir, false, true, false, 0, ""},
    {"copy", kCmdCopy, false, true, true, 2, "ni"},
    {"del", kCmdDelete, false, true, false, 0, "ahpns"},
    {"delete", kCmdDelete, false, true, false, 0, ""},
    {"dir", kCmdDir, true, true, false, 0, "ahs"},
    {"dos", kCmdDos, true, true, false, 0, ""},
    {"erase", kCmdDelete, false, true, false, 0, "ahspn"},
    {"md", kCmdMkdir, false, true, false, 0, "ahsnv"},
    {"mkdir", kCmdMkdir, false, true, false, 0, ""},
    {"move", kCmdMove, false, true, true, 0, ""},
    {"rename", kCmdRename, false, true, true, 0, ""},
    {"ren", kCmdRename, false, true, true, 0, ""},
    {"rd", kCmdRmdir, false, true, false, 0, ""},
    {"rmdir", kCmdRmdir, false, true, false, 0, ""},
};

const DosCommandEntry* FindRow(const char* word) {
  for (const auto& row : kTable)
    if (lstrcmpiA(row.name, word) == 0) return &row;
  return nullptr;
}

const DosCommandEntry* RowOfCode(const char* word) { return FindRow(word); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// Reads one argument up to an unquoted blank or '/'; quotes toggle quoting and are dropped.
const char* ReadArgument(const char* p, char* out, bool* overlong) {
  bool quoted = false;
  std::size_t n = 0;
  for (; *p; ++p) {
    if (*p == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (IsBlank(*p) || *p == '/')) break;
    if (n + 1 < std::size_t(kCmdArgSize))
      out[n++] = *p;
    else
      *overlong = true;
  }
  out[n] = '\0';
  return p;
}

void ShowError(HWND owner, UINT textId, UINT captionId, const char* insert, UINT type) {
  char text[kCmdArgSize + 300];
  const char* format = LoadResString(textId);
  if (std::strstr(format, "%s"))
    std::snprintf(text, sizeof text, format, insert);
  else
    std::snprintf(text, sizeof text, "%s%s", format, insert);
  char caption[100];
  lstrcpynA(caption, LoadResString(captionId), sizeof caption);
  FrameMessageBox(owner, text, caption, type);
}

// Each component of an existing path as it is spelled on disk; roots and the server-and-share
// part of a network path stay as they are.
std::string SpellAsStored(const std::string& path) {
  std::size_t start;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    std::size_t server = path.find('\\', 2);
    std::size_t share = server == std::string::npos ? server : path.find('\\', server + 1);
    if (share == std::string::npos) return path;
    start = share + 1;
  } else if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
    start = 3;
  } else {
    return path;
  }
  std::string result = path.substr(0, start);
  while (start < path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string prefix = result + path.substr(start, end - start);
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(prefix.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return path;
    FindClose(h);
    result += found.cFileName;
    if (end < path.size()) result += '\\';
    start = end + 1;
  }
  return result;
}

// A path as one NUL-ended string for SHFILEOPSTRUCT (the second NUL is the string's own).
bool Resolved(const CmdLineContext& c, const char* path, std::string& out) {
  if (!ResolveTypedPath(c.currentFolder->c_str(), path, out)) {
    ShowError(c.owner, IDS_CMD_INVALID, IDS_CMD_INVALID_CAPTION, path, MB_OK | MB_ICONERROR);
    return false;
  }
  return true;
}

void FileOperation(const CmdLineContext& c, UINT func, const std::string& from,
                   const std::string* to, FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTA op = {};
  op.hwnd = c.owner;
  op.wFunc = func;
  op.pFrom = from.c_str();  // each ends in a double NUL (ResolveTypedPath)
  op.pTo = to ? to->c_str() : nullptr;
  if (!c.confirm) flags |= FOF_NOCONFIRMATION | FOF_SILENT;
  op.fFlags = flags;
  SHFileOperationA(&op);
}

void ChangeFolder(const CmdLineContext& c, const char* argument) {
  char saved[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, saved);
  bool ok = SetCurrentDirectoryA(c.currentFolder->c_str()) && SetCurrentDirectoryA(argument);
  if (ok) {
    char now[MAX_PATH] = {};
    DWORD n = GetCurrentDirectoryA(MAX_PATH, now);
    ok = n > 0 && n < MAX_PATH;
    if (ok) *c.currentFolder = SpellAsStored(now);
  }
  SetCurrentDirectoryA(saved);
  if (!ok) ShowError(c.owner, IDS_CMD_CD_FAILED, IDS_CMD_CD_CAPTION, argument, MB_OK | MB_ICONERROR);
  if (c.owner) InvalidateRect(c.owner, nullptr, TRUE);
}

void ShellOpen(HWND owner, const char* file, const char* parameters, const char* directory,
               int show, bool waitCursor) {
  SHELLEXECUTEINFOA info = {};
  info.cbSize = sizeof info;
  info.hwnd = owner;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  HCURSOR old = waitCursor ? SetCursor(LoadCursor(nullptr, IDC_WAIT)) : nullptr;
  seams::ShellExecuteExA(&info);
  if (waitCursor) SetCursor(old);
}

}  // namespace

const DosCommandEntry* DosCommandTable(int* count) {
  *count = int(sizeof kTable / sizeof kTable[0]);
  return kTable;
}

void ParseTypedCommand(const char* line, ParsedDosCommand& out) {
  out = ParsedDosCommand();
  const char* p = SkipBlanks(line);
  if (std::strlen(p) == 2 && p[1] == ':') {
    std::strcpy(out.word, "cd");
    out.code = kCmdChdir;
    out.arg1[0] = p[0];
    out.arg1[1] = ':';
    out.arg1[2] = '\\';
    out.argCount = 1;
    return;
  }
  std::size_t n = 0;
  while (*p && !IsBlank(*p) && *p != '.' && *p != '/' && *p != '\\') {
    if (n + 1 < std::size_t(kCmdWordSize)) out.word[n++] = *p;
    ++p;
  }
  out.word[n] = '\0';
  const DosCommandEntry* row = FindRow(out.word);
  out.code = row ? row->code : kCmdNone;
  const int unknownOr = row ? -1 : kParseNotInternal;
  auto fail = [&](int status) { out.status = unknownOr >= 0 ? unknownOr : status; };

  if (IsBlank(*p)) p = SkipBlanks(p);
  if (*p && *p != '/') {
    p = ReadArgument(p, out.arg1, &out.overlong);
    out.argCount = 1;
    p = SkipBlanks(p);
    if (*p && *p != '/') {
      p = ReadArgument(p, out.arg2, &out.overlong);
      out.argCount = 2;
      p = SkipBlanks(p);
    }
  }
  while (*p == '/') {
    char letter = p[1];
    if (!std::isalpha(static_cast<unsigned char>(letter))) {
      fail(kParseInvalid);
      return;
    }
    out.switches[std::tolower(static_cast<unsigned char>(letter)) - 'a'] = true;
    p += 2;
    while (*p && *p != '/') ++p;
  }
  if (*p) {
    fail(kParseTooMany);
    return;
  }
  out.status = row ? kParseOk : kParseNotInternal;
  if (row && out.overlong) out.status = kParseInvalid;
}

void CheckCommandSwitches(ParsedDosCommand& c) {
  if (c.status != kParseOk) return;
  const DosCommandEntry* row = RowOfCode(c.word);
  if (!row) return;
  for (int i = 0; i < 26; ++i) {
    if (!c.switches[i]) continue;
    bool accepted = false;
    for (int k = 0; k < row->acceptedSwitches && row->letters[k]; ++k)
      if (std::tolower(static_cast<unsigned char>(row->letters[k])) == 'a' + i) accepted = true;
    if (!accepted) {
      c.status = kParseInvalid;
      return;
    }
  }
  if (c.argCount == 0 && !row->zeroArgs)
    c.status = kParseTooFew;
  else if (c.argCount == 1 && !row->oneArg)
    c.status = row->zeroArgs ? kParseTooMany : kParseTooFew;
  else if (c.argCount == 2 && !row->twoArgs)
    c.status = kParseTooMany;
}

bool IsTypedUrl(const char* line) {
  const char* p = line;
  while (std::isalpha(static_cast<unsigned char>(*p))) ++p;
  return std::strncmp(p, "://", 3) == 0;
}

bool ResolveTypedPath(const char* folder, const char* path, std::string& out) {
  std::string result;
  if ((path[0] == '\\' && path[1] == '\\') ||
      (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':')) {
    result = path;
  } else if (path[0] == '\\') {
    std::string drive;
    if (folder[0] == '\\' && folder[1] == '\\') {
      const char* server = std::strchr(folder + 2, '\\');
      const char* share = server ? std::strchr(server + 1, '\\') : nullptr;
      drive = share ? std::string(folder, share) : std::string(folder);
    } else {
      drive = std::string(folder, std::min<std::size_t>(2, std::strlen(folder)));
    }
    result = drive + path;
  } else {
    result = folder;
    if (result.empty() || result.back() != '\\') result += '\\';
    result += path;
  }
  if (result.size() >= MAX_PATH) return false;
  out = result;
  out.push_back('\0');  // with the string's own NUL, the double NUL of the file operation
  return true;
}

void AddToCommandHistory(std::vector<std::string>& history, const std::string& line) {
  auto same = std::find(history.begin(), history.end(), line);
  if (same != history.end()) history.erase(same);
  history.insert(history.begin(), line);
  if (history.size() > std::size_t(kMaxCmdHistory)) history.resize(kMaxCmdHistory);
}

std::string CmdLineProgramFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder = module;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

void OpenDosWindow(HWND owner, const char* folder) {
  std::string pif = CmdLineProgramFolder() + "JQDOSWin.pif";
  std::string parameters = "/k cd ";
  if (std::strchr(folder, ' '))
    parameters += std::string("\"") + folder + "\"";
  else
    parameters += folder;
  ShellOpen(owner, pif.c_str(), parameters.c_str(), folder, SW_SHOWNORMAL, false);
}

bool OpenTypedUrl(const char* line) {
  char temp[MAX_PATH] = {};
  DWORD n = GetTempPathA(MAX_PATH, temp);
  if (n == 0 || n >= MAX_PATH - 10) return false;
  std::string file = std::string(temp);
  if (file.back() != '\\') file += '\\';
  file += "JQURL.URL";
  DeleteFileA(file.c_str());
  HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::string text = std::string("[InternetShortcut]\r\nURL=") + line + "\r\n";
  DWORD written = 0;
  bool ok = WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr) &&
            written == text.size();
  ok = CloseHandle(h) && ok;
  if (!ok) {
    DeleteFileA(file.c_str());
    return false;
  }
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  ShellOpen(nullptr, file.c_str(), nullptr, windows, SW_SHOWNORMAL, false);
  return true;
}

void RunBuiltInCommand(const CmdLineContext& c, const ParsedDosCommand& command) {
  std::string first, second;
  const std::string& folder = *c.currentFolder;
  switch (command.code) {
    case kCmdChdir:
      ChangeFolder(c, command.arg1);
      break;
    case kCmdCopy: {
      if (!Resolved(c, command.arg1, first)) return;
      if (command.argCount == 2) {
        if (!Resolved(c, command.arg2, second)) return;
      } else {
        second = folder + '\0';
      }
      FILEOP_FLAGS flags = 0;
      bool folders = command.switches['i' - 'a'] || c.copyFolders;
      if (command.switches['n' - 'a'] || !folders) flags |= FOF_FILESONLY;
      FileOperation(c, FO_COPY, first, &second, flags);
      break;
    }
    case kCmdDelete:
      if (!Resolved(c, command.arg1, first)) return;
      FileOperation(c, FO_DELETE, first, nullptr, c.recycle ? FOF_ALLOWUNDO : 0);
      break;
    case kCmdDir: {
      if (command.argCount == 1) {
        if (!Resolved(c, command.arg1, first)) return;
      } else {
        first = folder;
      }
      ShellOpen(c.owner, first.c_str(), nullptr, nullptr, SW_SHOWNORMAL, false);
      break;
    }
    case kCmdDos:
      if (command.argCount == 1) {
        if (!Resolved(c, command.arg1, first)) return;
      } else {
        first = folder;
      }
      OpenDosWindow(c.owner, first.c_str());
      break;
    case kCmdMkdir:
      if (!Resolved(c, command.arg1, first)) return;
      if (!CreateDirectoryA(first.c_str(), nullptr))
        ShowError(c.owner, IDS_CMD_MD_FAILED, IDS_CMD_MD_CAPTION, first.c_str(), MB_OK);
      break;
    case kCmdMove:
    case kCmdRename: {
      if (!Resolved(c, command.arg1, first)) return;
      if (command.argCount == 2) {
        if (!Resolved(c, command.arg2, second)) return;
      } else {
        second = folder + '\0';
      }
      UINT func = (command.code == kCmdRename && command.argCount == 2) ? FO_RENAME : FO_MOVE;
      FileOperation(c, func, first, &second, 0);
      break;
    }
    case kCmdRmdir:
      if (!Resolved(c, command.arg1, first)) return;
      if (!RemoveDirectoryA(first.c_str()))
        ShowError(c.owner, IDS_CMD_RD_FAILED, IDS_CMD_RD_CAPTION, first.c_str(),
                  MB_OK | MB_ICONERROR);
      break;
    default:
      break;
  }
}

void RunTypedProgram(HWND owner, const char* line, const char* currentFolder) {
  const char* p = SkipBlanks(line);
  const char* end = p;
  while (*end && !IsBlank(*end)) ++end;
  std::string file(p, end);
  const char* parameters = SkipBlanks(end);
  ShellOpen(owner, file.c_str(), *parameters ? parameters : nullptr, currentFolder, SW_SHOW, true);
}

bool InterpretTypedLine(const CmdLineContext& c, const char* line) {
  if (IsTypedUrl(SkipBlanks(line))) {
    OpenTypedUrl(SkipBlanks(line));
    return true;
  }
  ParsedDosCommand command;
  ParseTypedCommand(line, command);
  if (command.status == kParseOk) CheckCommandSwitches(command);
  switch (command.status) {
    case kParseOk:
      RunBuiltInCommand(c, command);
      return true;
    case kParseTooMany:
      ShowError(c.owner, IDS_CMD_TOO_MANY, IDS_CMD_TOO_MANY_CAPTION, command.word,
                MB_OK | MB_ICONERROR);
      return true;
    case kParseTooFew:
      ShowError(c.owner, IDS_CMD_TOO_FEW, IDS_CMD_TOO_FEW_CAPTION, command.word,
                MB_OK | MB_ICONERROR);
      return true;
    case kParseInvalid:
      ShowError(c.owner, IDS_CMD_INVALID, IDS_CMD_INVALID_CAPTION, "", MB_OK | MB_ICONERROR);
      return true;
    default:
      if (!command.word[0] && !command.arg1[0]) return false;
      RunTypedProgram(c.owner, line, c.currentFolder->c_str());
      return true;
  }
}

}  // namespace jqbar
