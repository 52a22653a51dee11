// Fills a pane's file list with a folder of many files and, in the same run, enumerates the same
// folder through the shell with a bare loop (EnumObjects plus display names).
//
//   file_list_bench [count [folder]]     (default 100000 files)
//
// Prints "file_list_fill: ours=... baseline=... ratio=..." and the working-set growth of the
// filled list per item. Without a folder the files are made under the temporary folder and
// removed afterwards. Wine makes each new file in time proportional to the files already in its
// folder, so a full-size folder is better made outside (run.sh does that) and handed over; a
// folder handed over is used as it is and left in place.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "../bench_measure.h"
#include "file_list.h"
#include "file_pane.h"
#include "folder_tree.h"
#include "pidl.h"
#include <shlwapi.h>
#include "settings_store.h"
#include "startup.h"

namespace {

bool MakeFiles(const std::string& folder, int count) {
  CreateDirectoryA(folder.c_str(), nullptr);
  for (int i = 0; i < count; ++i) {
    char name[MAX_PATH];
    wsprintfA(name, "%s\\file%06d.dat", folder.c_str(), i);
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written;
    WriteFile(file, name, static_cast<DWORD>(i % 97), &written, nullptr);
    CloseHandle(file);
  }
  return true;
}

void RemoveFiles(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((folder + "\\" + data.cFileName).c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

// The bare loop: every item of the folder with its display name.
double Baseline(const std::string& folder, int* seen) {
  double start = Seconds();
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide, MAX_PATH);
  LPITEMIDLIST absolute = nullptr;
  IShellFolder* shellFolder = nullptr;
  IEnumIDList* items = nullptr;
  *seen = 0;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &absolute, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(absolute, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shellFolder))) &&
      SUCCEEDED(shellFolder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &items)) &&
      items) {
    LPITEMIDLIST batch[500];
    ULONG fetched = 0;
    HRESULT hr;
    do {
      hr = items->Next(500, batch, &fetched);
      for (ULONG i = 0; i < fetched; ++i) {
        STRRET name;
        char text[MAX_PATH];
        if (SUCCEEDED(shellFolder->GetDisplayNameOf(batch[i], SHGDN_NORMAL, &name)) &&
            SUCCEEDED(StrRetToBufA(&name, batch[i], text, MAX_PATH)))
          ++*seen;
        CoTaskMemFree(batch[i]);
      }
    } while (hr == S_OK);
    items->Release();
  }
  if (shellFolder) shellFolder->Release();
  CoTaskMemFree(absolute);
  desktop->Release();
  return Seconds() - start;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    BOOL handled = FALSE;
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    LRESULT result = OnPaneNotify(window, static_cast<int>(header->idFrom), header, &handled);
    if (handled) return result;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  int count = argc > 1 ? atoi(argv[1]) : 100000;
  if (count < 1) count = 1;
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&init);
  ApplyDefaultGlobalSettings();
  // Only the drive the folder lies on is browsed.
  DefaultDriveFilters(&GetLiveOptions().driveFilters);
  GetLiveOptions().driveFilters.driveMask = 1u << ('C' - 64);

  std::string folder;
  const bool ownFolder = argc <= 2;
  if (ownFolder) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    wsprintfA(name, "jqbench_file_list_%lu", GetCurrentProcessId());
    folder = std::string(temp) + name;
    double made = Seconds();
    if (!MakeFiles(folder, count)) {
      fprintf(stderr, "cannot make the files in %s\n", folder.c_str());
      RemoveFiles(folder);
      return 1;
    }
    fprintf(stderr, "made %d files in %.1fs\n", count, Seconds() - made);
  } else {
    char full[MAX_PATH];
    if (!GetFullPathNameA(argv[2], MAX_PATH, full, nullptr)) return 1;
    folder = full;
    if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  }
  auto cleanUp = [&] {
    if (ownFolder) RemoveFiles(folder);
  };

  WNDCLASSA wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "FileListBench";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, "FileListBench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  g_mainWindow = window;
  HWND tree = CreateFolderTree(window, 0);
  HWND list = CreateFileList(window, 0);
  FilePanes[0].viewId = kViewList;
  SetPaneViewMode(list, LVS_LIST, kViewList);
  IShellFolder* desktop = nullptr;
  SHGetDesktopFolder(&desktop);
  FillFolderTree(tree, desktop, nullptr, TVI_ROOT, 0);
  desktop->Release();
  // Locate the folder without selecting it: the timed fill below is the one the selection runs.
  HTREEITEM node = SelectTreePath(tree, folder.c_str(), FALSE);
  FolderTreeItem* record = GetTreeItemRecord(tree, node);
  if (!record) {
    fprintf(stderr, "the folder is not in the tree\n");
    cleanUp();
    return 1;
  }

  int seen = 0;
  Baseline(folder, &seen);  // warms the file system's caches for both
  double baseline = 1e30, ours = 1e30;
  SIZE_T growth = 0;
  int64_t retained = 0;
  for (int round = 0; round < 2; ++round) {
    baseline = std::min(baseline, Baseline(folder, &seen));
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    SIZE_T before = WorkingSet();
    uint64_t heapBefore = round == 0 ? HeapBytesInUse() : 0;
    double start = Seconds();
    BOOL filled = FillFileListFiltered(list, record);
    double took = Seconds() - start;
    if (round == 0) {
      growth = WorkingSet() - before;
      retained = static_cast<int64_t>(HeapBytesInUse() - heapBefore);
    }
    ours = std::min(ours, took);
    if (!filled || FilePanes[0].itemCount != static_cast<UINT>(count)) {
      fprintf(stderr, "the fill listed %u of %d items\n", FilePanes[0].itemCount, count);
    }
  }
  if (seen != count) fprintf(stderr, "the baseline saw %d of %d items\n", seen, count);
  printf("file_list_fill: ours=%.3fs baseline=%.3fs ratio=%.2f\n", ours, baseline, ours / baseline);
  // Working-set growth includes what the fill allocates for a while (the shell's enumeration, the
  // folder's find data); the heap bytes still in use after the fill are what the list keeps.
  printf("file_list_memory: items=%d ws_growth_per_item=%.0f bytes heap_kept_per_item=%.0f bytes\n", count,
         static_cast<double>(growth) / count, static_cast<double>(retained) / count);

  DestroyWindow(window);
  cleanUp();
  OleUninitialize();
  return 0;
}
