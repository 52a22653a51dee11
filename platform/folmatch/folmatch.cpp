// folmatch.dll: the folder index behind "compare folders" and the synchronisation dialog.
#include "folmatch.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>
#include "folmatch_resource.h"

namespace {

HINSTANCE g_module;

// Two times closer than this count as equal: FAT keeps times in two-second steps, so a copy to
// or from such a disk must not look newer or older.
constexpr ULONGLONG kTolerance = 2ull * 10000000ull;

ULONGLONG Ticks(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

int CompareTimes(const FILETIME& a, const FILETIME& b) {
  ULONGLONG x = Ticks(a), y = Ticks(b);
  if (x > y + kTolerance) return 1;
  if (y > x + kTolerance) return -1;
  return 0;
}

std::string Upper(const std::string& text) {
  std::string upper = text;
  if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
  return upper;
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  char last = folder.back();
  return folder + (last == '\\' || last == '/' ? "" : "\\") + name;
}

bool IsFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct FileEntry {
  std::string relative;  // as found on disk
  FILETIME lastWrite;
  ULONGLONG size;
};

// The files of one folder (files only; `recurse` also walks the subfolders) keyed by their
// upper-cased relative path.
void ListFiles(const std::string& root, const std::string& relative, bool recurse, int depth,
               std::map<std::string, FileEntry>* files) {
  if (depth > 64) return;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(Join(Join(root, relative), "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, "..")) continue;
    std::string name = relative.empty() ? std::string(data.cFileName) : Join(relative, data.cFileName);
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (recurse && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        ListFiles(root, name, recurse, depth + 1, files);
      continue;
    }
    FileEntry entry{name, data.ftLastWriteTime,
                    (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
    (*files)[Upper(name)] = entry;
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

struct SearchIndex {
  std::map<std::string, FileEntry> files;
};

// ---- The synchronisation dialog --------------------------------------------------------------

enum State { kOnlyFirst, kOnlySecond, kFirstNewer, kSecondNewer, kSameTime };
enum Direction { kToSecond, kToFirst, kBothWays };

struct Difference {
  std::string relative;
  State state;
  FILETIME time[2];
};

struct SyncState {
  std::string folder[2];
  std::vector<Difference> differences;
  int copied = 0;
};

std::string Text(UINT id) {
  char text[512] = "";
  LoadStringA(g_module, id, text, sizeof text);
  return text;
}

std::string ItemText(HWND dialog, int id) {
  char text[MAX_PATH] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  std::string value = text;
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  size_t start = value.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : value.substr(start);
}

Direction DirectionOf(HWND dialog) {
  if (IsDlgButtonChecked(dialog, IDC_SYNC_TO_FIRST) == BST_CHECKED) return kToFirst;
  if (IsDlgButtonChecked(dialog, IDC_SYNC_BOTH) == BST_CHECKED) return kBothWays;
  return kToSecond;
}

// The side a difference is copied from under a direction: 0 first, 1 second, -1 none.
int SourceOf(const Difference& d, Direction direction) {
  switch (direction) {
    case kToSecond:
      return d.state == kOnlySecond ? -1 : 0;
    case kToFirst:
      return d.state == kOnlyFirst ? -1 : 1;
    case kBothWays:
      if (d.state == kOnlyFirst || d.state == kFirstNewer) return 0;
      if (d.state == kOnlySecond || d.state == kSecondNewer) return 1;
      return -1;
  }
  return -1;
}

// Checked at first: what the direction copies without overwriting anything newer.
bool CheckedByDefault(const Difference& d, Direction direction) {
  int source = SourceOf(d, direction);
  if (source < 0) return false;
  if (d.state == kSameTime) return false;
  if (source == 0) return d.state == kOnlyFirst || d.state == kFirstNewer;
  return d.state == kOnlySecond || d.state == kSecondNewer;
}

void SetStatus(HWND dialog, const std::string& text) { SetDlgItemTextA(dialog, IDC_SYNC_STATUS, text.c_str()); }

void CheckDefaults(HWND dialog) {
  SyncState* state = reinterpret_cast<SyncState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  HWND list = GetDlgItem(dialog, IDC_SYNC_LIST);
  Direction direction = DirectionOf(dialog);
  for (size_t i = 0; i < state->differences.size(); ++i)
    ListView_SetCheckState(list, static_cast<int>(i), CheckedByDefault(state->differences[i], direction));
}

bool Compare(HWND dialog) {
  SyncState* state = reinterpret_cast<SyncState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  HWND list = GetDlgItem(dialog, IDC_SYNC_LIST);
  ListView_DeleteAllItems(list);
  state->differences.clear();
  state->folder[0] = ItemText(dialog, IDC_SYNC_FIRST);
  state->folder[1] = ItemText(dialog, IDC_SYNC_SECOND);
  for (int side = 0; side < 2; ++side) {
    if (state->folder[side].empty() || !IsFolder(state->folder[side])) {
      SetStatus(dialog, "");
      char message[MAX_PATH + 200];
      snprintf(message, sizeof message, Text(IDS_SYNC_NO_FOLDER).c_str(), state->folder[side].c_str());
      MessageBoxA(dialog, message, Text(IDS_SYNC_CAPTION).c_str(), MB_ICONEXCLAMATION);
      SetFocus(GetDlgItem(dialog, side ? IDC_SYNC_SECOND : IDC_SYNC_FIRST));
      EnableWindow(GetDlgItem(dialog, IDC_SYNC_RUN), FALSE);
      return false;
    }
  }
  std::map<std::string, FileEntry> files[2];
  for (int side = 0; side < 2; ++side) ListFiles(state->folder[side], "", true, 0, &files[side]);
  for (const auto& [key, entry] : files[0]) {
    auto other = files[1].find(key);
    Difference d{entry.relative, kOnlyFirst, {entry.lastWrite, {}}};
    if (other != files[1].end()) {
      d.time[1] = other->second.lastWrite;
      int order = CompareTimes(entry.lastWrite, other->second.lastWrite);
      if (order > 0) d.state = kFirstNewer;
      else if (order < 0) d.state = kSecondNewer;
      else if (entry.size != other->second.size) d.state = kSameTime;
      else continue;  // the same file
    }
    state->differences.push_back(d);
  }
  for (const auto& [key, entry] : files[1])
    if (!files[0].count(key)) state->differences.push_back({entry.relative, kOnlySecond, {{}, entry.lastWrite}});
  std::sort(state->differences.begin(), state->differences.end(),
            [](const Difference& a, const Difference& b) { return lstrcmpiA(a.relative.c_str(), b.relative.c_str()) < 0; });

  static const UINT kStateText[] = {IDS_SYNC_ONLY_FIRST, IDS_SYNC_ONLY_SECOND, IDS_SYNC_FIRST_NEWER,
                                    IDS_SYNC_SECOND_NEWER, IDS_SYNC_SAME_TIME};
  for (size_t i = 0; i < state->differences.size(); ++i) {
    const Difference& d = state->differences[i];
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<char*>(d.relative.c_str());
    int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    std::string text = Text(kStateText[d.state]);
    item.iItem = index;
    item.iSubItem = 1;
    item.pszText = text.data();
    SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  }
  CheckDefaults(dialog);
  EnableWindow(GetDlgItem(dialog, IDC_SYNC_RUN), !state->differences.empty());
  if (state->differences.empty()) SetStatus(dialog, Text(IDS_SYNC_NOTHING));
  else SetStatus(dialog, "");
  return true;
}

bool EnsureParentFolders(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    std::string folder = path.substr(0, at);
    if (IsFolder(folder)) continue;
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

void Run(HWND dialog) {
  SyncState* state = reinterpret_cast<SyncState*>(GetWindowLongPtrA(dialog, DWLP_USER));
  HWND list = GetDlgItem(dialog, IDC_SYNC_LIST);
  Direction direction = DirectionOf(dialog);
  int copied = 0, failed = 0;
  for (size_t i = 0; i < state->differences.size(); ++i) {
    if (!ListView_GetCheckState(list, static_cast<int>(i))) continue;
    const Difference& d = state->differences[i];
    int source = SourceOf(d, direction);
    if (source < 0) continue;
    const int target = 1 - source;
    std::string from = Join(state->folder[source], d.relative), to = Join(state->folder[target], d.relative);
    // The file about to be replaced is checked again on disk: it may have changed since the list
    // was made.
    WIN32_FILE_ATTRIBUTE_DATA sourceData, targetData;
    if (!GetFileAttributesExA(from.c_str(), GetFileExInfoStandard, &sourceData)) {
      ++failed;
      continue;
    }
    if (GetFileAttributesExA(to.c_str(), GetFileExInfoStandard, &targetData) &&
        CompareTimes(targetData.ftLastWriteTime, sourceData.ftLastWriteTime) > 0) {
      char question[2 * MAX_PATH + 300];
      snprintf(question, sizeof question, Text(IDS_SYNC_OVERWRITE_NEWER).c_str(), to.c_str(), from.c_str());
      int answer = MessageBoxA(dialog, question, Text(IDS_SYNC_CAPTION).c_str(), MB_YESNOCANCEL | MB_ICONQUESTION);
      if (answer == IDCANCEL) break;
      if (answer != IDYES) continue;
    }
    if (EnsureParentFolders(to) && CopyFileA(from.c_str(), to.c_str(), FALSE)) ++copied;
    else ++failed;
  }
  state->copied += copied;
  Compare(dialog);
  char status[300];
  snprintf(status, sizeof status, Text(failed ? IDS_SYNC_COPY_FAILED : IDS_SYNC_COPIED).c_str(), copied, failed);
  SetStatus(dialog, status);
}

void InitDialog(HWND dialog, SyncState* state) {
  SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  SendDlgItemMessageA(dialog, IDC_SYNC_FIRST, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SendDlgItemMessageA(dialog, IDC_SYNC_SECOND, EM_LIMITTEXT, MAX_PATH - 1, 0);
  SetDlgItemTextA(dialog, IDC_SYNC_FIRST, state->folder[0].c_str());
  SetDlgItemTextA(dialog, IDC_SYNC_SECOND, state->folder[1].c_str());
  CheckRadioButton(dialog, IDC_SYNC_TO_SECOND, IDC_SYNC_BOTH, IDC_SYNC_BOTH);
  HWND list = GetDlgItem(dialog, IDC_SYNC_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT box;
  GetClientRect(list, &box);
  const int width = box.right - GetSystemMetrics(SM_CXVSCROLL);
  std::string headers[2] = {Text(IDS_SYNC_NAME), Text(IDS_SYNC_STATE)};
  for (int column = 0; column < 2; ++column) {
    LVCOLUMNA c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH;
    c.cx = column == 0 ? width * 3 / 5 : width - width * 3 / 5;
    c.pszText = headers[column].data();
    SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&c));
  }
  EnableWindow(GetDlgItem(dialog, IDC_SYNC_RUN), FALSE);
  // Centre over the owner.
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT outer, mine;
  if (owner && GetWindowRect(owner, &outer) && GetWindowRect(dialog, &mine)) {
    int x = outer.left + ((outer.right - outer.left) - (mine.right - mine.left)) / 2;
    int y = outer.top + ((outer.bottom - outer.top) - (mine.bottom - mine.top)) / 2;
    SetWindowPos(dialog, nullptr, std::max(0, x), std::max(0, y), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  if (!state->folder[0].empty() && !state->folder[1].empty()) Compare(dialog);
}

INT_PTR CALLBACK SyncDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog, reinterpret_cast<SyncState*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SYNC_COMPARE:
          Compare(dialog);
          return TRUE;
        case IDC_SYNC_TO_SECOND:
        case IDC_SYNC_TO_FIRST:
        case IDC_SYNC_BOTH:
          if (HIWORD(wParam) == BN_CLICKED) CheckDefaults(dialog);
          return TRUE;
        case IDC_SYNC_RUN:
          Run(dialog);
          return TRUE;
        case IDCANCEL:
        case IDOK:
          EndDialog(dialog, 1);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

extern "C" {

HANDLE WINAPI InitSearchPath(const char* folder) {
  if (!folder || !*folder) return nullptr;
  try {
    std::string root(folder, strnlen(folder, MAX_PATH));
    if (!IsFolder(root)) return nullptr;
    auto* index = new SearchIndex;
    ListFiles(root, "", false, 0, &index->files);
    return index;
  } catch (...) {
    return nullptr;
  }
}

BOOL WINAPI IsItemInPath(HANDLE handle, const char* name, const FILETIME* lastWrite, int* result) {
  if (!handle || !name || !*name) return FALSE;
  try {
    const auto* index = static_cast<const SearchIndex*>(handle);
    auto found = index->files.find(Upper(std::string(name, strnlen(name, MAX_PATH))));
    if (found == index->files.end()) return FALSE;
    if (result) *result = lastWrite ? CompareTimes(*lastWrite, found->second.lastWrite) : 0;
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

void WINAPI CleanupSearchPath(HANDLE handle) { delete static_cast<SearchIndex*>(handle); }

int WINAPI Synchronize(HWND owner, const char* first, const char* second) {
  try {
    SyncState state;
    state.folder[0] = first ? std::string(first, strnlen(first, MAX_PATH)) : "";
    state.folder[1] = second ? std::string(second, strnlen(second, MAX_PATH)) : "";
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    INT_PTR ended = DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_SYNCHRONIZE), owner, SyncDlgProc,
                                    reinterpret_cast<LPARAM>(&state));
    return ended == -1 ? -1 : state.copied;
  } catch (...) {
    return -1;
  }
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = module;
    DisableThreadLibraryCalls(module);
  }
  return TRUE;
}

}  // extern "C"
