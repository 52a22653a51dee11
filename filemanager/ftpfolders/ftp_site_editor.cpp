// The site dialog 10002 (new and edit) and the deletion of a site.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ftp_engine.h"
#include "ftp_folder_ui.h"
#include "help_file.h"
#include "resource_ftp.h"

namespace {

struct SiteDialog {
  FtpSiteRecord* record;  // edit: the listed record; new: a blank one filled on OK
  FtpFolder* root;
  bool isNew;
};

std::string Text(HWND dlg, int id, int size) {
  std::string s(static_cast<size_t>(size), '\0');
  int n = GetDlgItemTextA(dlg, id, s.data(), size);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

bool Refuse(HWND dlg, UINT caption, UINT text, int focus) {
  FtpMessageBox(dlg, FtpString(text).c_str(), FtpString(caption).c_str(), MB_OK | MB_ICONSTOP);
  SetFocus(GetDlgItem(dlg, focus));
  return false;
}

bool Accept(HWND dlg, SiteDialog* d) {
  std::string name = Text(dlg, IDC_FTP_SITE_NAME, 100);
  if (name.empty()) return Refuse(dlg, IDS_FTP_NAME_MISSING_CAPTION, IDS_FTP_NAME_MISSING, IDC_FTP_SITE_NAME);
  // A name in use by another site is refused when editing too: two records would share one value.
  FtpSiteRecord* same = FindFtpSite(d->root->sites, name.c_str());
  if (same && (d->isNew || same != d->record))
    return Refuse(dlg, IDS_FTP_DUPLICATE_CAPTION, IDS_FTP_DUPLICATE, IDC_FTP_SITE_NAME);
  if (Text(dlg, IDC_FTP_LOGIN, 100).empty()) return Refuse(dlg, IDS_FTP_LOGIN_MISSING_CAPTION, IDS_FTP_LOGIN_MISSING, IDC_FTP_LOGIN);
  if (Text(dlg, IDC_FTP_HOST, 100).empty()) return Refuse(dlg, IDS_FTP_HOST_MISSING_CAPTION, IDS_FTP_HOST_MISSING, IDC_FTP_HOST);
  std::string password = Text(dlg, IDC_FTP_PASSWORD, kFtpMaxPassword + 1);
  if (password.empty() &&
      FtpMessageBox(dlg, FtpString(IDS_FTP_NO_PASSWORD).c_str(), FtpString(IDS_FTP_NO_PASSWORD_CAPTION).c_str(),
                    MB_YESNO | MB_ICONSTOP) == IDYES) {
    SetFocus(GetDlgItem(dlg, IDC_FTP_PASSWORD));
    return false;
  }
  std::string port = Text(dlg, IDC_FTP_PORT, 11);
  if (port.empty()) return Refuse(dlg, IDS_FTP_PORT_MISSING_CAPTION, IDS_FTP_PORT_MISSING, IDC_FTP_PORT);
  FtpSiteRecord* r = d->record;
  lstrcpynA(r->name, name.c_str(), sizeof r->name);
  lstrcpynA(r->host, Text(dlg, IDC_FTP_HOST, 100).c_str(), sizeof r->host);
  lstrcpynA(r->login, Text(dlg, IDC_FTP_LOGIN, 100).c_str(), sizeof r->login);
  lstrcpynA(r->account, Text(dlg, IDC_FTP_ACCOUNT, 100).c_str(), sizeof r->account);
  lstrcpynA(r->startDirectory, Text(dlg, IDC_FTP_START_DIR, 260).c_str(), sizeof r->startDirectory);
  lstrcpynA(r->description, Text(dlg, IDC_FTP_DESCRIPTION, 260).c_str(), sizeof r->description);
  r->port = atoi(port.c_str());
  r->passive = IsDlgButtonChecked(dlg, IDC_FTP_PASSIVE) == BST_CHECKED ? 1 : 0;
  StoreFtpPassword(r->password, password.c_str());
  SecureZeroMemory(password.data(), password.size());
  return true;
}

INT_PTR CALLBACK SiteDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<SiteDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<SiteDialog*>(lp);
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      SendDlgItemMessageA(dlg, IDC_FTP_SITE_NAME, EM_LIMITTEXT, 99, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_HOST, EM_LIMITTEXT, 99, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_LOGIN, EM_LIMITTEXT, 99, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_ACCOUNT, EM_LIMITTEXT, 99, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_PASSWORD, EM_LIMITTEXT, kFtpMaxPassword, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_START_DIR, EM_LIMITTEXT, 259, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_DESCRIPTION, EM_LIMITTEXT, 259, 0);
      SendDlgItemMessageA(dlg, IDC_FTP_PORT, EM_LIMITTEXT, 10, 0);
      SetWindowTextA(dlg, FtpString(d->isNew ? IDS_FTP_NEW_SITE_TITLE : IDS_FTP_EDIT_SITE).c_str());
      if (d->isNew) {
        SetDlgItemTextA(dlg, IDC_FTP_SITE_NAME, FtpString(IDS_FTP_NEW_SITE_NAME).c_str());
        SetDlgItemTextA(dlg, IDC_FTP_LOGIN, FtpString(IDS_FTP_ANONYMOUS).c_str());
        SetDlgItemTextA(dlg, IDC_FTP_PORT, "21");
        CheckDlgButton(dlg, IDC_FTP_PASSIVE, BST_CHECKED);
      } else {
        FtpSiteRecord* r = d->record;
        SetDlgItemTextA(dlg, IDC_FTP_SITE_NAME, r->name);
        SetDlgItemTextA(dlg, IDC_FTP_HOST, r->host);
        SetDlgItemTextA(dlg, IDC_FTP_LOGIN, r->login);
        SetDlgItemTextA(dlg, IDC_FTP_ACCOUNT, r->account);
        SetDlgItemTextA(dlg, IDC_FTP_START_DIR, r->startDirectory);
        SetDlgItemTextA(dlg, IDC_FTP_DESCRIPTION, r->description);
        // The record keeps its scrambled form; the box gets a copy of the text.
        char password[100];
        ReadFtpPassword(r->password, password);
        SetDlgItemTextA(dlg, IDC_FTP_PASSWORD, password);
        SecureZeroMemory(password, sizeof password);
        char port[16];
        snprintf(port, sizeof port, "%d", r->port);
        SetDlgItemTextA(dlg, IDC_FTP_PORT, port);
        CheckDlgButton(dlg, IDC_FTP_PASSIVE, r->passive ? BST_CHECKED : BST_UNCHECKED);
      }
      RECT wr;
      GetWindowRect(dlg, &wr);
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (wr.right - wr.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (wr.bottom - wr.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      SetForegroundWindow(dlg);
      SetFocus(GetDlgItem(dlg, IDC_FTP_SITE_NAME));
      SendDlgItemMessageA(dlg, IDC_FTP_SITE_NAME, EM_SETSEL, 0, -1);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
          if (Accept(dlg, d)) EndDialog(dlg, 1);
          return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        case IDC_FTP_HELP: ShowHelpTopic(dlg, kFtpSiteHelpTopic); return TRUE;
      }
      break;
  }
  return FALSE;
}

FtpFolder* OtherRootOf(FtpFolder* root) {
  for (int pane = 0; pane < 2; ++pane) {
    FtpFolder* r = PeekFtpRootFolder(pane);
    if (r && r != root) return r;
  }
  return nullptr;
}

using SiteDialogRunner = INT_PTR (*)(HWND owner, SiteDialog* d);
INT_PTR RunSiteDialog(HWND owner, SiteDialog* d) {
  return DialogBoxParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_SITE), owner, SiteDlgProc, reinterpret_cast<LPARAM>(d));
}

}  // namespace

int NewFtpSite(HWND owner, FtpFolder* root) {
  if (!root) return 0;
  FtpSiteRecord* r = AllocFtpSiteRecord();
  SiteDialog d{r, root, true};
  if (RunSiteDialog(owner, &d) != 1) {
    delete r;
    return 0;
  }
  AddFtpSite(root->sites, r);
  SortFtpSiteList(root->sites);
  SaveFtpSiteList(root->sites);
  if (FtpFolder* other = OtherRootOf(root)) {
    FtpSiteRecord* copy = AllocFtpSiteRecord();
    *copy = *r;
    copy->next = nullptr;
    copy->folder = nullptr;
    AddFtpSite(other->sites, copy);
    SortFtpSiteList(other->sites);
  }
  RefreshFtpViews();
  return 1;
}

int EditFtpSite(HWND owner, FtpFolder* root, const char* name) {
  FtpSiteRecord* r = root ? FindFtpSite(root->sites, name) : nullptr;
  if (!r) return 0;
  std::string previous = r->name;
  SiteDialog d{r, root, false};
  if (RunSiteDialog(owner, &d) != 1) return 0;
  SortFtpSiteList(root->sites);
  SaveFtpSiteList(root->sites);
  if (FtpFolder* other = OtherRootOf(root)) {
    if (FtpSiteRecord* mirror = FindFtpSite(other->sites, previous.c_str())) {
      FtpSiteRecord* next = mirror->next;
      FtpFolder* folder = mirror->folder;
      *mirror = *r;
      mirror->next = next;
      mirror->folder = folder;
      SortFtpSiteList(other->sites);
    }
  }
  RefreshFtpViews();
  DropFtpListings(root);
  return 1;
}

int DeleteFtpSite(HWND owner, FtpFolder* root, const char* name) {
  FtpSiteRecord* r = root ? FindFtpSite(root->sites, name) : nullptr;
  if (!r) return 0;
  if (r->folder && r->folder->session) {
    FtpMessageBox(owner, "This FTP site is in use and may not be deleted.", "FTP Site In Use", MB_OK | MB_ICONSTOP);
    return 0;
  }
  char text[400];
  snprintf(text, sizeof text, FtpString(IDS_FTP_DELETE_SITE).c_str(), r->name);
  if (FtpMessageBox(owner, text, FtpString(IDS_FTP_DELETE_SITE_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES) return 0;
  std::string siteName = r->name;
  int removed = RemoveFtpSite(root->sites, siteName.c_str());
  SaveFtpSiteList(root->sites);
  if (FtpFolder* other = OtherRootOf(root)) RemoveFtpSite(other->sites, siteName.c_str());
  RefreshFtpViews();
  return removed;
}

int NewFtpSiteForPane(HWND owner, int pane) {
  IShellFolder* root = GetFtpRootFolder(pane);
  if (!root) return 0;
  int r = NewFtpSite(owner, static_cast<FtpFolder*>(root));
  root->Release();
  return r;
}
