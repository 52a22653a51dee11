// Progress bar, Cancel button and the zip engine's callback.
#include "archive_progress.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include "archive_engines.h"
#include "file_pane.h"
#include "frame_state.h"
#include "path_utils.h"
#include "program_values.h"
#include "resource.h"
#include "seams.h"
#include "settings_store.h"
#include "status_bar.h"
#include "vfolder_entry.h"
#include "window_helpers.h"

HWND ArchiveProgressBar;
std::atomic<uint64_t> ProgressTotal;
uint64_t ProgressDone;
uint32_t ProgressLastItemBytes;
uint32_t CurrentSpanDisk;
char OverwritePromptText[600];
std::set<std::string> g_skippedEntries;

namespace {

constexpr UINT kRunMessage = WM_APP + 1;
HWND g_sink;
DWORD g_guiThread;
WNDPROC g_buttonProc;

LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunMessage && lParam) return (*reinterpret_cast<const std::function<LRESULT()>*>(lParam))();
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK CancelButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN || (message == WM_KEYDOWN && wParam == VK_SPACE)) CancelArchiveOperation();
  return CallWindowProcA(g_buttonProc, window, message, wParam, lParam);
}

void SetStatusPart0(const char* text) {
  if (g_frame.statusBar) {
    SendMessageA(g_frame.statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    UpdateWindow(g_frame.statusBar);
  }
}

std::string FileNameOf(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/') name = p + 1;
  return name;
}

// The callback's work, on the GUI thread.
int16_t HandleCallback(et5::CallbackRecord* record) {
  char name[261];
  lstrcpynA(name, record->name, sizeof name);
  switch (record->kind) {
    case et5::kCbError: {
      std::string quoted = "'" + FileNameOf(name) + "'";
      return static_cast<int16_t>(ShowArchiveError(record->code, quoted.c_str()));
    }
    case et5::kCbQuestion:
      if (record->code == et5::kAskInsertDisk) {
        char text[500] = "";
        UINT disk = record->disk;
        if (disk == 1) {
          LoadStringText(g_instance, IDS_ARC_INSERT_FIRST_DISK, text, sizeof text);
        } else if (disk == 2 && record->operation == et5::kOpCompress) {
          LoadStringText(g_instance, IDS_ARC_SPAN_DISK_2, text, sizeof text);
        } else {
          char format[400] = "";
          LoadStringText(g_instance, IDS_ARC_INSERT_DISK, format, sizeof format);
          snprintf(text, sizeof text, format, disk);
        }
        if (seams::MessageBoxA(g_mainWindow, text, g_title, MB_OKCANCEL | MB_ICONINFORMATION) == IDCANCEL)
          return et5::kAnswerStop;
        CurrentSpanDisk = disk;
        char path[257];
        lstrcpynA(path, record->path, sizeof path);
        char root[8] = "";
        if (path[0] && path[1] == ':') snprintf(root, sizeof root, "%c:\\", path[0]);
        if (!root[0] || FAILED(FolderHasItems(root))) return et5::kAnswerStop;
        if (record->operation == et5::kOpCompress) {
          char* slash = strrchr(path, '\\');
          if (slash && slash - path > 2) {
            *slash = 0;
            CreateDirectoryPath(path);
          }
        }
        return et5::kAnswerOk;
      }
      if (record->code == et5::kAskOverwrite) {
        char format[400] = "";
        LoadStringText(g_instance,
                       record->operation == et5::kOpCompress ? IDS_ARC_OVERWRITE_ZIP : IDS_ARC_OVERWRITE_FOLDER,
                       format, sizeof format);
        const char* at = strstr(format, "%s");
        if (at)
          snprintf(OverwritePromptText, sizeof OverwritePromptText, "%.*s%s%s", static_cast<int>(at - format),
                   format, name, at + 2);
        else
          lstrcpynA(OverwritePromptText, format, sizeof OverwritePromptText);
        int answer = AskOverwrite();
        if (answer == et5::kAnswerNo && record->operation == et5::kOpExtract) g_skippedEntries.insert(name);
        return static_cast<int16_t>(answer);
      }
      if (record->code == et5::kAskInsertLastDisk) {
        char text[400] = "";
        LoadStringText(g_instance, IDS_ARC_INSERT_LAST_DISK, text, sizeof text);
        return static_cast<int16_t>(seams::MessageBoxA(g_mainWindow, text, g_title, MB_OKCANCEL | MB_ICONINFORMATION));
      }
      return -10000;
    case et5::kCbProgress: {
      if (!GetLiveOptions().statusBarShown) return 1;
      UINT percent;
      uint64_t total = ProgressTotal.load();
      if (total < 1) {
        ProgressTotal = 1;
        percent = 100;
      } else {
        if (record->itemBytes == 0) ProgressLastItemBytes = 0;
        if (record->itemBytes >= ProgressLastItemBytes) ProgressDone += record->itemBytes - ProgressLastItemBytes;
        ProgressLastItemBytes = record->itemBytes;
        percent = ProgressPercent(ProgressDone, total);
      }
      if (ArchiveProgressBar) {
        SendMessageA(ArchiveProgressBar, PBM_SETPOS, percent, 0);
        UINT id = record->operation == et5::kOpCompress  ? IDS_ARC_COMPRESSING
                  : record->operation == et5::kOpExtract ? IDS_ARC_EXTRACTING
                                                         : IDS_ARC_DELETING;
        char label[200] = "";
        LoadStringText(g_instance, id, label, sizeof label);
        std::string text = std::string(label) + FileNameOf(name);
        SetStatusPart0(text.c_str());
      }
      return 1;
    }
    default:
      return -10000;
  }
}

}  // namespace

void InstallArchiveSink() {
  if (g_sink) return;
  g_guiThread = GetCurrentThreadId();
  WNDCLASSA cls{};
  cls.lpfnWndProc = SinkProc;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.lpszClassName = "JQArchiveSink";
  RegisterClassA(&cls);
  g_sink = CreateWindowExA(0, cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
}

void RemoveArchiveSink() {
  if (g_sink) DestroyWindow(g_sink);
  g_sink = nullptr;
}

bool OnGuiThread() { return !g_sink || GetCurrentThreadId() == g_guiThread; }

LRESULT RunOnGuiThread(const std::function<LRESULT()>& work) {
  if (OnGuiThread()) return work();
  return SendMessageA(g_sink, kRunMessage, 0, reinterpret_cast<LPARAM>(&work));
}

UINT ProgressPercent(uint64_t done, uint64_t total) {
  if (total == 0) return 100;
  if (done == 0) return 0;
  uint64_t percent = done > UINT64_MAX / 100 ? done / (total / 100 ? total / 100 : 1) : done * 100 / total;
  return percent > 0xFFFF ? 0xFFFF : static_cast<UINT>(percent);
}

void BeginArchiveProgress() {
  RunOnGuiThread([] {
    ArchiveBusy = 1;
    HWND bar = g_frame.statusBar;
    if (bar) {
      for (int part = 0; part < 3; ++part) SendMessageA(bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(""));
      RECT r{};
      SendMessageA(bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
      RECT client{};
      GetClientRect(bar, &client);
      int w = g_frame.statusPartWidth > 0 ? g_frame.statusPartWidth : 200;
      int h = client.bottom;
      int x = r.right + 4, y = r.top + 1, height = (r.bottom - r.top) - 2;
      if (height < 8) height = h - 2;
      if (!ArchiveProgressBar) {
        ArchiveProgressBar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, x, y, w - 8, height, bar,
                                             nullptr, g_instance, nullptr);
        SendMessageA(ArchiveProgressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
      }
      if (!g_frame.archiveCancelButton) {
        char text[64] = "";
        LoadStringText(g_instance, IDS_ARC_CANCEL, text, sizeof text);
        g_frame.archiveCancelButton = CreateWindowExA(0, "BUTTON", text, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                                      x + w, y, w / 2, height, bar, nullptr, g_instance, nullptr);
        SendMessageA(g_frame.archiveCancelButton, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        g_buttonProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            g_frame.archiveCancelButton, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CancelButtonProc)));
      }
    }
    ProgressDone = 0;
    ProgressLastItemBytes = 0;
    return LRESULT(0);
  });
}

void EndArchiveProgress() {
  RunOnGuiThread([] {
    if (ArchiveProgressBar) DestroyWindow(ArchiveProgressBar);
    ArchiveProgressBar = nullptr;
    if (g_frame.archiveCancelButton) DestroyWindow(g_frame.archiveCancelButton);
    g_frame.archiveCancelButton = nullptr;
    ArchiveBusy = 0;
    if (g_frame.statusBar && FilePanes[ActivePaneIndex].list)
      UpdateStatusBar(g_frame.statusBar, FilePanes[ActivePaneIndex].list, TRUE);
    if (ArchiveCancelled) {
      char text[400] = "";
      LoadStringText(g_instance, IDS_ARC_CANCELLED, text, sizeof text);
      seams::MessageBoxA(g_mainWindow, text, g_title, MB_ICONHAND);
      ArchiveCancelled = 0;
    }
    if (GetLiveOptions().zipBeepWhenDone) MessageBeep(0);
    return LRESULT(0);
  });
}

void CancelArchiveOperation() {
  ArchiveCancelled = 1;
  if (ZipEngineHandle && g_zipApi.Et5Cancel) g_zipApi.Et5Cancel(ZipEngineHandle);
}

int PumpArchiveMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_KEYDOWN &&
        (message.wParam == VK_ESCAPE || message.wParam == VK_SPACE || message.wParam == VK_BACK)) {
      CancelArchiveOperation();
      return 0;
    }
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return 0;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 1;
}

int16_t __stdcall ZipEngineCallback(void* record) {
  auto* r = static_cast<et5::CallbackRecord*>(record);
  if (!r) return -10000;
  // A cancel that came before the engine call began is passed on at its first report.
  if (ArchiveCancelled && ZipEngineHandle && g_zipApi.Et5Cancel) g_zipApi.Et5Cancel(ZipEngineHandle);
  if (!OnGuiThread()) return static_cast<int16_t>(RunOnGuiThread([r] { return LRESULT(HandleCallback(r)); }));
  int16_t answer = HandleCallback(r);
  if (r->kind == et5::kCbProgress && GetLiveOptions().statusBarShown) PumpArchiveMessages();
  return answer;
}

INT_PTR CALLBACK ZipOverwriteDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CenterWindowOver(dialog, GetParent(dialog));
      SetDlgItemTextA(dialog, IDC_ARC_QUESTION, OverwritePromptText);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDCANCEL: case IDC_ARC_YES: case IDC_ARC_NO: case IDC_ARC_YES_TO_ALL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

int AskOverwrite() {
  return static_cast<int>(RunOnGuiThread([] {
    return static_cast<LRESULT>(DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ZIP_OVERWRITE), g_mainWindow,
                                                ZipOverwriteDlgProc, 0));
  }));
}
