// The session: its thread, the calling protocol and the feed of the status dialog.
#include "ftp_session.h"

#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "resource_ftp.h"
#include "transfer_job.h"

namespace {

// The session is freed by whichever of its destroyer and its thread lets go of it last.
struct SessionBox {
  FtpSession session;
  std::atomic<int> holders{2};
};

SessionBox* BoxOf(FtpSession* s) { return reinterpret_cast<SessionBox*>(s); }

void CloseSessionHandles(FtpSession* s) {
  for (HANDLE* h : {&s->work, &s->gate, &s->done, &s->lock, &s->thread}) {
    if (*h) CloseHandle(*h);
    *h = nullptr;
  }
}

void LetGo(FtpSession* s) {
  SessionBox* box = BoxOf(s);
  if (box->holders.fetch_sub(1) == 1) {
    CloseSessionHandles(s);
    delete box;
  }
}

INT_PTR RunFtpSessionCommand(FtpSession* s, uint32_t command, UINT_PTR a1, UINT_PTR a2, UINT_PTR show, UINT_PTR row) {
  if (command == kFtpConnect) return ConnectFtpSession(s);
  if (command == kFtpDisconnect) return DisconnectFtpSession(s);
  if (!s->connected || s->stop || s->handle == -1) return 0;
  uint32_t r = static_cast<uint32_t>(row);
  if (show && !r) {
    std::string action, details;
    const char* name = reinterpret_cast<const char*>(a1);
    switch (command) {
      case kFtpList: action = FtpString(IDS_FTP_ACTION_DIRECTORY); details = name ? name : ""; break;
      case kFtpDeleteFile: action = FtpString(IDS_FTP_ACTION_DELETE); details = name ? name : ""; break;
      case kFtpRename: {
        action = FtpString(IDS_FTP_ACTION_RENAME);
        auto* names = reinterpret_cast<FtpRenameNames*>(a1);
        char text[600];
        snprintf(text, sizeof text, FtpString(IDS_FTP_RENAME_DETAILS).c_str(), names->oldName, names->newName);
        details = text;
        break;
      }
      case kFtpMakeDirectory: action = FtpString(IDS_FTP_ACTION_MKDIR); details = name ? name : ""; break;
      case kFtpRemoveDirectory: action = FtpString(IDS_FTP_ACTION_RMDIR); details = name ? name : ""; break;
      default: break;
    }
    r = AddFtpQueueRow(s, action.c_str(), details.c_str());
    if (r) SetFtpQueueRowState(s, r, kRowPending);
  }
  WaitForSingleObject(s->lock, INFINITE);
  if (!s->connected || s->stop || s->handle == -1) {
    ReleaseSemaphore(s->lock, 1, nullptr);
    if (show && r) SetFtpQueueRowState(s, r, kRowCancelled);
    return 0;
  }
  s->running = 1;
  ReleaseSemaphore(s->lock, 1, nullptr);
  if (show && r) SetFtpQueueRowState(s, r, kRowInProgress);
  INT_PTR result = 0;
  switch (command) {
    case kFtpList: result = ListFtpDirectory(s, reinterpret_cast<const char*>(a1), reinterpret_cast<FtpListEntry**>(a2), r); break;
    case kFtpDeleteFile:
    case kFtpRename:
    case kFtpMakeDirectory:
    case kFtpRemoveDirectory: result = SimpleFtpCommand(s, command, a1, r); break;
    case kFtpDownload: result = DownloadFtpFile(s, reinterpret_cast<FtpTransferRequest*>(a1), r); break;
    case kFtpUpload: result = UploadFtpFile(s, reinterpret_cast<FtpTransferRequest*>(a1), r); break;
    default: break;
  }
  WaitForSingleObject(s->lock, INFINITE);
  s->running = 0;
  ReleaseSemaphore(s->lock, 1, nullptr);
  return result;
}

DWORD WINAPI FtpSessionThread(void* p) {
  auto* s = static_cast<FtpSession*>(p);
  while (!s->stop) {
    if (WaitForSingleObject(s->work, INFINITE) != WAIT_OBJECT_0) break;
    if (s->stop) break;
    s->call.result = RunFtpSessionCommand(s, s->call.command, s->call.args[0], s->call.args[1], s->call.args[3], s->call.args[4]);
    if (!s->stop) ReleaseSemaphore(s->done, 1, nullptr);
  }
  // A connection still open when the thread leaves is closed here, by the thread that owns it.
  if (s->handle != -1 && IsFtpLibraryStarted()) {
    FtpLib().disconnect(s->handle);
    s->handle = -1;
  }
  s->threadEnded = 1;
  LetGo(s);
  return 0;
}

FtpPasswordPrompt g_prompt = nullptr;

INT_PTR CALLBACK PasswordDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      SendDlgItemMessageA(dlg, IDC_FTP_PASSWORD, EM_LIMITTEXT, kFtpMaxPassword, 0);
      RECT r;
      GetWindowRect(dlg, &r);
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      SetForegroundWindow(dlg);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        auto* out = reinterpret_cast<char*>(GetWindowLongPtrA(dlg, DWLP_USER));
        char text[100] = "";
        GetDlgItemTextA(dlg, IDC_FTP_PASSWORD, text, kFtpMaxPassword + 1);
        if (!text[0]) {
          FtpMessageBox(dlg, "Please enter password.", "Password", MB_OK | MB_ICONEXCLAMATION);
          SetFocus(GetDlgItem(dlg, IDC_FTP_PASSWORD));
          return TRUE;
        }
        memcpy(out, text, 100);
        EndDialog(dlg, 1);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

void FreeFtpListEntries(FtpListEntry* head) {
  while (head) {
    FtpListEntry* next = head->next;
    delete head;
    head = next;
  }
}

void SetFtpPasswordPrompt(FtpPasswordPrompt prompt) { g_prompt = prompt; }

int AskFtpPassword(HWND owner, char (&password)[100]) {
  memset(password, 0, sizeof password);
  if (g_prompt) return g_prompt(owner, password);
  INT_PTR r = DialogBoxParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_PASSWORD), owner, PasswordDlgProc,
                              reinterpret_cast<LPARAM>(password));
  password[kFtpMaxPassword] = 0;
  return r == 1 ? 1 : 0;
}

FtpSession* CreateFtpSession(HWND owner, const FtpSiteRecord& site, FtpFolder* ownerFolder, bool withStatusDialog) {
  auto* box = new SessionBox;
  FtpSession* s = &box->session;
  s->work = CreateSemaphoreA(nullptr, 0, 10, nullptr);
  s->gate = CreateSemaphoreA(nullptr, 1, 10, nullptr);
  s->done = CreateSemaphoreA(nullptr, 0, 10, nullptr);
  s->lock = CreateSemaphoreA(nullptr, 1, 10, nullptr);
  s->site = site;
  s->site.next = nullptr;
  s->site.folder = nullptr;
  s->owner = ownerFolder;
  s->handle = -1;
  if (withStatusDialog) {
    CreateFtpStatusDialog(s, owner);
    SetFtpSessionStatus(s, kFtpIdle);
  }
  s->busy = 0;
  s->thread = CreateThread(nullptr, 0, FtpSessionThread, s, 0, nullptr);
  if (!s->thread) {
    box->holders = 1;
    s->threadEnded = 1;
  }
  return s;
}

bool IsFtpSessionConnected(const FtpSession* s) { return s && s->handle != -1 && s->connected; }

void DestroyFtpSession(FtpSession* s) {
  if (!s) return;
  // Transfers that still use this session end first: they hold pointers into it.
  AbortTransferJobsUsingSession(s, 10000);
  DestroyFtpStatusDialog(s);
  if (s->handle != -1) CallFtpSession(s, kFtpDisconnect);
  s->connected = 0;
  s->stop = 1;
  if (s->work) ReleaseSemaphore(s->work, 1, nullptr);
  if (s->done) ReleaseSemaphore(s->done, 1, nullptr);
  // A library call can block up to its own time-out; wait a bounded time, then leave the
  // session to its thread, which frees it when it returns.
  if (s->thread) WaitPumping(s->thread, 3000);
  LetGo(s);
}

INT_PTR ConnectFtpSessionFromUi(FtpSession* s, bool withDialog, HWND owner) {
  if (!s) return 0;
  if (withDialog && !s->statusDialog && GetFtpEngineMode() == FtpEngineMode::kFileManager) {
    CreateFtpStatusDialog(s, owner);
    SetFtpSessionStatus(s, kFtpIdle);
  }
  return CallFtpSession(s, kFtpConnect);
}

INT_PTR DisconnectFtpSessionFromUi(FtpSession* s) { return CallFtpSession(s, kFtpDisconnect); }

int CloseFtpSession(FtpSession* s) {
  if (!s || s->status == kFtpDisconnecting) return 0;
  AbortTransferJobsUsingSession(s, 10000);
  if (!s->connecting) CallFtpSession(s, kFtpDisconnect);
  DestroyFtpStatusDialog(s);
  if (s->connecting) s->stop = 1;
  FtpFolder* folder = s->owner;
  if (folder) {
    DropFtpListings(folder);
    DetachFtpSession(folder);  // destroys the session
  }
  return 1;
}

int GetFtpSessionDirectory(const FtpSession* s, char* buffer) {
  lstrcpynA(buffer, s->currentDirectory, 260);
  return lstrlenA(buffer) + 1;
}

INT_PTR CallFtpSession(FtpSession* s, uint32_t command, UINT_PTR a1, UINT_PTR a2, UINT_PTR timeout, UINT_PTR show, UINT_PTR row) {
  if (!s || s->stop || s->threadEnded) return 0;
  uint32_t expected = 0;
  if (!s->busy.compare_exchange_strong(expected, 1)) return 0;
  if (WaitForSingleObject(s->gate, INFINITE) != WAIT_OBJECT_0) {
    s->busy = 0;
    return 0;
  }
  if (s->stop) {
    ReleaseSemaphore(s->gate, 1, nullptr);
    s->busy = 0;
    return 0;
  }
  s->call.command = command;
  s->call.args[0] = a1;
  s->call.args[1] = a2;
  s->call.args[2] = timeout;
  s->call.args[3] = show;
  s->call.args[4] = row;
  // No answer is never a success.
  s->call.result = 0;
  ReleaseSemaphore(s->work, 1, nullptr);
  INT_PTR result = 0;
  for (;;) {
    DWORD w = MsgWaitForMultipleObjects(1, &s->done, FALSE, 10, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0 + 1) w = WAIT_TIMEOUT;
    if (w == WAIT_OBJECT_0) {
      result = s->stop ? 0 : s->call.result;
      break;
    }
    if (w != WAIT_TIMEOUT || s->threadEnded) break;
    PumpFtpMessages();
  }
  s->busy = 0;
  ReleaseSemaphore(s->gate, 1, nullptr);
  return result;
}

uint32_t AddFtpQueueRow(FtpSession* s, const char* action, const char* details, bool viaNotify) {
  if (!s || !action || !*action) return 0;
  if (s->statusDialog) {
    HWND list = GetDlgItem(s->statusDialog, IDC_FTP_QUEUE);
    uint32_t id = ++s->nextRow;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = 0x7fffffff;
    item.pszText = const_cast<char*>(action);
    item.lParam = static_cast<LPARAM>(id);
    int at = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    LVITEMA sub{};
    sub.iSubItem = 2;
    sub.pszText = const_cast<char*>(details ? details : "");
    SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    return id;
  }
  if (viaNotify && s->notifyWindow) {
    char data[360] = {};
    lstrcpynA(data, action, 100);
    lstrcpynA(data + 100, details ? details : "", 260);
    COPYDATASTRUCT cds{0, sizeof data, data};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(s->notifyWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 10000, &answer))
      return 0;
    return static_cast<uint32_t>(answer);
  }
  return 0;
}

void SetFtpQueueRowState(FtpSession* s, uint32_t row, uint32_t state, bool viaNotify) {
  if (!s || !row) return;
  if (s->statusDialog) {
    HWND list = GetDlgItem(s->statusDialog, IDC_FTP_QUEUE);
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(row);
    int at = static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (at < 0) return;
    static const UINT texts[] = {0, IDS_FTP_ROW_PENDING, IDS_FTP_ROW_IN_PROGRESS, IDS_FTP_ROW_TRANSFERRING,
                                 IDS_FTP_ROW_COMPLETE, IDS_FTP_ROW_CANCELLED, IDS_FTP_ROW_FAILED,
                                 IDS_FTP_ROW_TIMEOUT, IDS_FTP_ROW_ERROR};
    static const int icons[] = {0, 0, 1, 2, 3, 4, 5, 5, 5};
    std::string text = state >= 1 && state <= 8 ? FtpString(texts[state]) : std::string();
    int icon = state <= 8 ? icons[state] : 0;
    LVITEMA sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char*>(text.c_str());
    SendMessageA(list, LVM_SETITEMTEXTA, at, reinterpret_cast<LPARAM>(&sub));
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = at;
    item.iImage = icon;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (IsWindowVisible(list)) SendMessageA(list, LVM_ENSUREVISIBLE, at, FALSE);
    return;
  }
  if (viaNotify && s->notifyWindow) {
    uint8_t data[8];
    memcpy(data, &row, 4);
    memcpy(data + 4, &state, 4);
    COPYDATASTRUCT cds{1, sizeof data, data};
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(s->notifyWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_NORMAL, 10000, &answer);
  }
}

void SetFtpSessionStatus(FtpSession* s, uint32_t state) {
  static const UINT texts[] = {IDS_FTP_STATUS_IDLE, IDS_FTP_STATUS_CONNECTING, IDS_FTP_STATUS_BUSY,
                               IDS_FTP_STATUS_TRANSFERRING, IDS_FTP_STATUS_CONNECTED, IDS_FTP_STATUS_ABORTING,
                               IDS_FTP_STATUS_DISCONNECTING};
  if (state > 6) return;
  s->status = state;
  if (s->statusDialog) SetDlgItemTextA(s->statusDialog, IDC_FTP_STATE, FtpString(texts[state]).c_str());
}

void LogFtpReply(FtpSession* s) {
  if (!s || s->handle == -1 || !IsFtpLibraryStarted()) return;
  std::string text(20000, '\0');
  int n = FtpLib().replyText(s->handle, text.data(), 19999);
  if (n < 0 || !s->statusDialog) return;
  text.resize(strnlen(text.c_str(), n < 19999 ? n : 19999));
  HWND log = GetDlgItem(s->statusDialog, IDC_FTP_LOG);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() || end < text.size()) SendMessageA(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    at = end;
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
  }
  RECT rc;
  GetClientRect(log, &rc);
  int itemHeight = static_cast<int>(SendMessageA(log, LB_GETITEMHEIGHT, 0, 0));
  if (itemHeight <= 0) itemHeight = 1;
  int visible = (rc.bottom + itemHeight - 1) / itemHeight;
  int count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
  int top = count - visible + 1;
  SendMessageA(log, LB_SETTOPINDEX, top < 0 ? 0 : top, 0);
}
