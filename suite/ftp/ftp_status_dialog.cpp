// The FTP status dialog 10003 of a session: state line, server reply log and operation queue;
// it also answers the transfer program's rows (WM_COPYDATA) and its upload-done message.
#include <windows.h>
#include <commctrl.h>
#include <cstring>

#include "ftp_engine.h"
#include "ftp_folder.h"
#include "ftp_session.h"
#include "help_file.h"
#include "resource_ftp.h"

namespace {

struct StatusRecord {
  FtpSession* session;
  int width, height;
  bool showQueue, showText;
};

void Layout(HWND dlg, StatusRecord* r) {
  int height = r->height + (r->showText ? 120 : 0) + (r->showQueue ? 120 : 0);
  SetWindowPos(dlg, nullptr, 0, 0, r->width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(dlg, &client);
  HWND log = GetDlgItem(dlg, IDC_FTP_LOG), queue = GetDlgItem(dlg, IDC_FTP_QUEUE);
  int bottom = client.bottom;
  if (r->showText) {
    MoveWindow(log, 8, bottom - 120, client.right - 16, 112, TRUE);
    bottom -= 120;
  }
  ShowWindow(log, r->showText ? SW_SHOW : SW_HIDE);
  if (r->showQueue) MoveWindow(queue, 8, bottom - 120, client.right - 16, 112, TRUE);
  ShowWindow(queue, r->showQueue ? SW_SHOW : SW_HIDE);
  int count = static_cast<int>(SendMessageA(log, LB_GETCOUNT, 0, 0));
  if (count) SendMessageA(log, LB_SETTOPINDEX, count - 1, 0);
}

INT_PTR CALLBACK StatusDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* r = reinterpret_cast<StatusRecord*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      auto* s = reinterpret_cast<FtpSession*>(lp);
      RECT wr;
      GetWindowRect(dlg, &wr);
      r = new StatusRecord{s, wr.right - wr.left, wr.bottom - wr.top, FtpSettingFlags().showQueue != 0,
                           FtpSettingFlags().showText != 0};
      SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(r));
      s->statusDialog = dlg;
      CheckDlgButton(dlg, IDC_FTP_SHOW_QUEUE, r->showQueue ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dlg, IDC_FTP_SHOW_TEXT, r->showText ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(dlg, IDC_FTP_HIDE_ON_CONNECT, FtpSettingFlags().hideOnConnect ? BST_CHECKED : BST_UNCHECKED);
      Layout(dlg, r);
      GetWindowRect(dlg, &wr);
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (wr.right - wr.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (wr.bottom - wr.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SetDlgItemTextA(dlg, IDC_FTP_SERVER, s->site.host);
      SetWindowTextA(dlg, s->site.name);
      SendDlgItemMessageA(dlg, IDC_FTP_LOG, LB_SETHORIZONTALEXTENT, 1200, 0);
      HWND queue = GetDlgItem(dlg, IDC_FTP_QUEUE);
      struct {
        UINT text;
        int width;
      } columns[] = {{IDS_FTP_COL_ACTION, 100}, {IDS_FTP_COL_STATUS, 80}, {IDS_FTP_COL_DETAILS, 400}};
      for (int i = 0; i < 3; ++i) {
        std::string text = FtpString(columns[i].text);
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        c.pszText = text.data();
        c.cx = columns[i].width;
        c.iSubItem = i;
        SendMessageA(queue, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&c));
      }
      HIMAGELIST images = ImageList_LoadImageA(FtpResources(), MAKEINTRESOURCEA(IDB_FTP_QUEUE_STATES), 16, 6,
                                               RGB(0, 0, 0xff), IMAGE_BITMAP, LR_CREATEDIBSECTION);
      if (images) SendMessageA(queue, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
      SendMessageA(queue, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
      return TRUE;
    }
    case WM_COMMAND:
      if (!r) break;
      switch (LOWORD(wp)) {
        case IDC_FTP_HELP: ShowHelpTopic(dlg, kFtpStatusHelpTopic); return TRUE;
        case IDCANCEL:
        case IDC_FTP_HIDE: ShowWindow(dlg, SW_HIDE); return TRUE;
        case IDC_FTP_SHOW_QUEUE:
          r->showQueue = IsDlgButtonChecked(dlg, IDC_FTP_SHOW_QUEUE) == BST_CHECKED;
          FtpSettingFlags().showQueue = r->showQueue;
          Layout(dlg, r);
          return TRUE;
        case IDC_FTP_SHOW_TEXT:
          r->showText = IsDlgButtonChecked(dlg, IDC_FTP_SHOW_TEXT) == BST_CHECKED;
          FtpSettingFlags().showText = r->showText;
          Layout(dlg, r);
          return TRUE;
        case IDC_FTP_HIDE_ON_CONNECT:
          FtpSettingFlags().hideOnConnect = IsDlgButtonChecked(dlg, IDC_FTP_HIDE_ON_CONNECT) == BST_CHECKED;
          return TRUE;
        case IDC_FTP_DISCONNECT: CloseFtpSession(r->session); return TRUE;
      }
      break;
    case WM_COPYDATA: {
      auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
      if (!r || !cds) break;
      if (cds->dwData == 0 && cds->cbData == 360 && cds->lpData) {
        char action[100], details[260];
        memcpy(action, cds->lpData, 100);
        memcpy(details, static_cast<char*>(cds->lpData) + 100, 260);
        action[99] = 0;
        details[259] = 0;
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, AddFtpQueueRow(r->session, action, details, false));
        return TRUE;
      }
      if (cds->dwData == 1 && cds->cbData == 8 && cds->lpData) {
        uint32_t row, state;
        memcpy(&row, cds->lpData, 4);
        memcpy(&state, static_cast<char*>(cds->lpData) + 4, 4);
        SetFtpQueueRowState(r->session, row, state, false);
        SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      break;
    }
    case kFtpUploadDoneMessage:
      if (r && r->session && r->session->owner) DropFtpListings(r->session->owner);
      if (FtpMainWindow()) PostMessageA(FtpMainWindow(), WM_COMMAND, kFtpRefreshCommand, 0);
      return TRUE;
    case WM_DESTROY:
      RemoveFtpModelessDialog(dlg);
      if (r) {
        HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendDlgItemMessageA(dlg, IDC_FTP_QUEUE, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        if (images) ImageList_Destroy(images);
        if (r->session && r->session->statusDialog == dlg) r->session->statusDialog = nullptr;
        delete r;
        SetWindowLongPtrA(dlg, DWLP_USER, 0);
      }
      break;
  }
  return FALSE;
}

}  // namespace

HWND CreateFtpStatusDialog(FtpSession* s, HWND owner) {
  if (s->statusDialog) return s->statusDialog;
  HWND dlg = CreateDialogParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_STATUS), owner, StatusDlgProc,
                                reinterpret_cast<LPARAM>(s));
  if (dlg) {
    AddFtpModelessDialog(dlg);
    ShowWindow(dlg, SW_SHOWNOACTIVATE);
  }
  return dlg;
}

void DestroyFtpStatusDialog(FtpSession* s) {
  if (s && s->statusDialog) {
    HWND dlg = s->statusDialog;
    s->statusDialog = nullptr;
    DestroyWindow(dlg);
  }
}

bool IsFtpStatusDialogShown(const FtpSession* s) { return s && s->statusDialog && IsWindowVisible(s->statusDialog); }
