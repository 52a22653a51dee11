// The root and drive nodes, the start-folder chain, the zip-layer bracket, the Recycle Bin's
// command and small helpers.
#include "drive_list.h"

#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "item_ids.h"
#include "scan_engine.h"
#include "settings_store.h"
#include "window_helpers.h"

namespace {

wchar_t* CopyWide(const std::wstring& s) {
  auto* out = new (std::nothrow) wchar_t[s.size() + 1];
  if (out) memcpy(out, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
  return out;
}

void LinkFirst(FolderNode* parent, FolderNode* child) {
  NodeLock lock(parent);
  child->parent = parent;
  child->nextSibling = parent->firstChild;
  parent->firstChild = child;
  ++parent->subfolderCount;
}

// Under Wine the drive Z: is the host's whole file system; a first run does not walk it
// unasked.
bool IsHostRootDrive(const char* root) {
  using UnixNameFn = char*(CDECL*)(LPCWSTR);
  static UnixNameFn unixName = reinterpret_cast<UnixNameFn>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
  if (!unixName) return false;
  wchar_t wide[8];
  MultiByteToWideChar(CP_ACP, 0, root, -1, wide, 8);
  char* name = unixName(wide);
  if (!name) return false;
  bool hostRoot = strcmp(name, "/") == 0;
  HeapFree(GetProcessHeap(), 0, name);
  return hostRoot;
}

}  // namespace

FolderNode* FindRootNode(LPCITEMIDLIST idList) {
  if (!IsFolderNode(g_rootNode) || !idList) return nullptr;
  LPITEMIDLIST mine = NodeIdList(g_rootNode);
  return mine && ILIsEqual(mine, idList) ? g_rootNode : nullptr;
}

DriveNode* EnsureDriveNode(const char* rootPath, NodeList* notSeen) {
  if (!rootPath || !isalpha(static_cast<unsigned char>(rootPath[0])) || rootPath[1] != ':')
    return nullptr;
  if (!IsFolderNode(g_rootNode)) return nullptr;
  int letter = toupper(static_cast<unsigned char>(rootPath[0])) - 64;
  char root[4] = {static_cast<char>('A' + letter - 1), ':', '\\', 0};
  UINT type = GetDriveTypeA(root);

  VoltalineSettings& s = g_settings;
  s.shownDriveMask |= s.scanDriveMask;
  for (int i = 0; i < 4; ++i) s.shownDriveClasses[i] |= s.scanDriveClasses[i];
  if (g_firstRun && type != DRIVE_REMOTE) s.shownDriveMask |= 1u << letter;
  bool excluded = !g_startFolderGiven && !(s.shownDriveMask & (1u << letter));

  // A drive node already in the tree.
  DriveNode* existing = nullptr;
  {
    NodeLock lock(g_rootNode);
    for (FolderNode* c = g_rootNode->firstChild; c; c = c->nextSibling)
      if (IsDriveNode(c) && static_cast<DriveNode*>(c)->driveLetter == letter)
        existing = static_cast<DriveNode*>(c);
  }
  if (existing) {
    if (notSeen) NodeListRemove(notSeen, existing);
    if (excluded) {
      RemoveDriveNode(existing);
      return nullptr;
    }
    NotifyView(VM_NODELABEL, existing);
    return existing;
  }
  if (excluded) return nullptr;

  ULONG attributes = 0;
  LPITEMIDLIST absolute = ParsePathToIdList(root, nullptr, &attributes);
  if (!absolute) return nullptr;
  DriveNode* drive = NewDriveNode();
  if (!drive) {
    FreeItemIdList(absolute);
    return nullptr;
  }
  wchar_t name[3] = {static_cast<wchar_t>(L'A' + letter - 1), L':', 0};
  drive->name = CopyWide(name);
  drive->driveLetter = static_cast<uint8_t>(letter);
  drive->driveType = type;
  drive->attributes = attributes;
  drive->absoluteIdList = absolute;
  drive->relativeIdList = CopyItemIdList(ShellAllocator(), ILFindLastID(absolute));
  LinkFirst(g_rootNode, drive);
  NotifyView(VM_NODEADDED, drive);
  return drive;
}

FolderNode* EnsureFolderNodeByPath(const char* path) {
  if (!path || strlen(path) < 3) return nullptr;
  std::string p = path;
  while (p.size() > 3 && (p.back() == '\\' || p.back() == ' ')) p.pop_back();
  if (FolderNode* found = FindNodeByPath(p.c_str())) return found;
  if (p.size() <= 3) return nullptr;  // a drive root without a drive node
  std::string parentPath = p;
  char buffer[MAX_PATH * 2];
  lstrcpynA(buffer, parentPath.c_str(), sizeof buffer);
  if (!CutToParentPath(buffer)) return nullptr;
  FolderNode* parent = FindNodeByPath(buffer);
  if (!parent && strlen(buffer) > 3) parent = EnsureFolderNodeByPath(buffer);
  if (!IsFolderNode(parent) || !IsDriveNode(parent->drive)) return nullptr;

  wchar_t wide[MAX_PATH * 2];
  if (!MultiByteToWideChar(CP_ACP, 0, p.c_str(), -1, wide, MAX_PATH * 2)) return nullptr;
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW(wide, &fd);
  if (find == INVALID_HANDLE_VALUE) return nullptr;
  FindClose(find);
  if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
  FolderNode* node = NewFolderNode();
  if (!node) return nullptr;
  node->name = CopyWide(fd.cFileName);
  node->created = fd.ftCreationTime;
  node->newestAccess = fd.ftLastAccessTime;
  node->newestWrite = fd.ftLastWriteTime;
  node->drive = parent->drive;
  LinkFirst(parent, node);
  {
    NodeLock lock(parent);
    if (parent->calcState == kCalcNever) parent->calcState = kCalcIdle;
  }
  NotifyView(VM_NODEADDED, node);
  return node;
}

int EnumerateDriveNodes() {
  LPITEMIDLIST drives = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)) || !drives) return 0;
  if (IsFolderNode(g_rootNode)) {
    CoTaskMemFree(drives);
    NotifyView(VM_NODELABEL, g_rootNode);
  } else {
    FolderNode* root = NewFolderNode();
    if (!root) {
      CoTaskMemFree(drives);
      return 0;
    }
    root->absoluteIdList = CopyItemIdList(ShellAllocator(), drives);
    root->relativeIdList = root->absoluteIdList.load();
    CoTaskMemFree(drives);
    if (IShellFolder* desktop = DesktopFolder()) {
      desktop->AddRef();
      root->parentFolder = desktop;
    }
    root->calcState = kCalcIdle;
    g_rootNode = root;
    NotifyView(VM_NODEADDED, root);
  }

  std::vector<std::string> roots;
  if (g_startFolderGiven && g_currentPath[0]) {
    roots.push_back(g_currentPath);
  } else {
    char strings[500] = {};
    DWORD n = GetLogicalDriveStringsA(sizeof strings - 1, strings);
    if (n > 0 && n < sizeof strings)
      for (const char* s = strings; *s; s += strlen(s) + 1) roots.push_back(s);
  }

  NodeList notSeen{};
  InitNodeList(&notSeen);
  {
    NodeLock lock(g_rootNode);
    for (FolderNode* c = g_rootNode->firstChild; c; c = c->nextSibling)
      if (IsDriveNode(c)) NodeListAppend(&notSeen, c);
  }
  for (const std::string& r : roots) {
    char prefix[MAX_PATH];
    if (!PathPrefix(r.c_str(), 1, prefix)) continue;
    DriveNode* drive = EnsureDriveNode(prefix, &notSeen);
    if (!drive) continue;
    FolderNode* deepest = nullptr;
    for (int count = 2; PathPrefix(r.c_str(), count, prefix); ++count) {
      FolderNode* f = EnsureFolderNodeByPath(prefix);
      if (!f) break;
      deepest = f;
    }
    if (deepest) {
      StartScanThread(ScanFolderThread, deepest);
    } else if (drive->calcState == kCalcNever) {
      bool wanted = (g_settings.scanDriveMask >> drive->driveLetter) & 1;
      if (!wanted && g_firstRun && drive->driveType == DRIVE_FIXED && !IsHostRootDrive(prefix)) {
        wanted = true;
        g_settings.scanDriveMask |= 1u << drive->driveLetter;
      }
      if (wanted) StartScanThread(ScanDriveThread, drive);
    }
  }
  while (FolderNode* gone = NodeListTakeFirst(&notSeen))
    if (IsDriveNode(gone)) RemoveDriveNode(static_cast<DriveNode*>(gone));
  EndNodeList(&notSeen);
  NotifyView(VM_SCANDONE, g_rootNode);
  return 1;
}

void CALLBACK DriveRefreshTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  EnumerateDriveNodes();
}

// ---- Zip-folder layer bracket

namespace {
HANDLE bracketMutex = nullptr;
INIT_ONCE bracketOnce = INIT_ONCE_STATIC_INIT;
int bracketCount = 0;
LRESULT savedLayerState = 0;

BOOL CALLBACK CreateBracket(PINIT_ONCE, PVOID, PVOID*) {
  bracketMutex = CreateMutexA(nullptr, FALSE, nullptr);
  return TRUE;
}

struct BracketGuard {
  BracketGuard() {
    InitOnceExecuteOnce(&bracketOnce, CreateBracket, nullptr, nullptr);
    WaitForSingleObject(bracketMutex, INFINITE);  // abandoned counts as acquired
  }
  ~BracketGuard() { ReleaseMutex(bracketMutex); }
};

LRESULT SendToLayer(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, 0, SMTO_ABORTIFHUNG, 5000, &result);
  return static_cast<LRESULT>(result);
}
}  // namespace

int SuspendZipLayer() {
  HWND layer = FindWindowA(kZipLayerClass, nullptr);
  if (!layer) return 0;
  BracketGuard guard;
  if (bracketCount == 0) savedLayerState = SendToLayer(layer, kZipLayerGetState, 0);
  ++bracketCount;
  SendToLayer(layer, kZipLayerSetState, 0);
  return 1;
}

int ResumeZipLayer(int token) {
  if (!token) return 0;
  BracketGuard guard;
  if (bracketCount <= 0) return 0;
  --bracketCount;
  HWND layer = FindWindowA(kZipLayerClass, nullptr);
  if (!layer) return 0;
  SendToLayer(layer, kZipLayerSetState,
              bracketCount == 0 ? static_cast<WPARAM>(savedLayerState) : 0);
  return 1;
}

void RestoreZipLayerAtExit() {
  BracketGuard guard;
  if (bracketCount <= 0) return;
  bracketCount = 0;
  if (HWND layer = FindWindowA(kZipLayerClass, nullptr))
    SendToLayer(layer, kZipLayerSetState, static_cast<WPARAM>(savedLayerState));
}

void OpenZipLayerFlagFile(BOOL starting) {
  HANDLE f = CreateFileA(starting ? "C:\\FQOFFXX" : "C:\\FQONXXX", GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

// ---- Recycle Bin

BOOL InvokeRecycleBinCommand(HWND owner) {
  static const CLSID recycleBin = {0x645FF040, 0x5081, 0x101B,
                                   {0x9F, 0x08, 0x00, 0xAA, 0x00, 0x2F, 0x95, 0x4E}};
  HMODULE shell = LoadLibraryA("SHELL32.DLL");
  if (!shell) return FALSE;
  BOOL ran = FALSE;
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto getClassObject =
      reinterpret_cast<GetClassObjectFn>(GetProcAddress(shell, "DllGetClassObject"));
  IClassFactory* factory = nullptr;
  IContextMenu* menu = nullptr;
  if (getClassObject &&
      SUCCEEDED(getClassObject(recycleBin, IID_IClassFactory, reinterpret_cast<void**>(&factory))) &&
      factory &&
      SUCCEEDED(factory->CreateInstance(nullptr, IID_IContextMenu, reinterpret_cast<void**>(&menu))) &&
      menu) {
    HMENU popup = CreatePopupMenu();
    if (popup) {
      if (SUCCEEDED(menu->QueryContextMenu(popup, 0, 1000, 10000, CMF_NORMAL)) &&
          GetMenuItemCount(popup) == 1) {
        UINT id = GetMenuItemID(popup, 0);
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.hwnd = owner;
        info.lpVerb = MAKEINTRESOURCEA(id - 1000);
        info.nShow = SW_SHOWNORMAL;
        ran = SUCCEEDED(menu->InvokeCommand(&info));
      }
      DestroyMenu(popup);
    }
  }
  if (menu) menu->Release();
  if (factory) factory->Release();
  FreeLibrary(shell);
  return ran;
}

// ---- Helpers

void ProperCaseName(char* text) {
  if (!text || strlen(text) > 260) return;
  bool afterAlnum = false;
  for (char* p = text; *p; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (IsDBCSLeadByte(c) && p[1]) {  // leave double-byte characters as they are
      ++p;
      afterAlnum = true;
      continue;
    }
    *p = static_cast<char>(afterAlnum ? tolower(c) : toupper(c));
    afterAlnum = isalnum(c) != 0;
  }
}

void PathWithBreaks(const char* source, char* target) {
  if (!target) return;
  size_t o = 0;
  for (size_t i = 0; source && source[i] && i < 260; ++i) {
    target[o++] = source[i];
    if (source[i] == '\\') target[o++] = ' ';
  }
  target[o] = 0;
}

BOOL FormatDateText(const FILETIME& time, char* out) {
  if (!out) return FALSE;
  out[0] = 0;
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &st)) return FALSE;
  if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, 31)) {
    out[0] = 0;
    return FALSE;
  }
  return TRUE;
}

const char* LoadRotatingString(UINT id) {
  static thread_local char buffers[4][201];
  static thread_local int next = 0;
  char* b = buffers[next];
  next = (next + 1) % 4;
  if (LoadStringA(GetModuleHandleA(nullptr), id, b, 201) <= 0) b[0] = 0;
  return b;
}

char* LoadStringReplacing(UINT id, char from, char to, char* buffer) {
  if (!buffer) return buffer;
  LoadStringText(GetModuleHandleA(nullptr), id, buffer, 201);
  for (char* p = buffer; *p; ++p)
    if (*p == from) *p = to;
  return buffer;
}

int PathPrefix(const char* path, int count, char* out) {
  if (!path || !out || count < 1) return 0;
  std::string p = path;
  while (!p.empty() && p.back() == ' ') p.pop_back();
  if (p.empty()) return 0;
  if (p.back() != '\\') p += '\\';
  int seen = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] != '\\') continue;
    ++seen;
    if (seen == count) {
      size_t len = count == 1 ? i + 1 : i;  // the first keeps its backslash: "C:\"
      if (len >= MAX_PATH) return 0;
      memcpy(out, p.c_str(), len);
      out[len] = 0;
      return 1;
    }
  }
  return 0;
}

void CenterOnOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  CenterWindowOver(dialog, owner ? owner : g_mainWindow);
}
