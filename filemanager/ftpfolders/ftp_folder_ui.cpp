// The context menu and drop target of FTP items, the upload and download flows and opening a
// remote file, plugged into the FTP engine's folders.
#include "ftp_folder_ui.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <cstring>

#include "file_pane.h"
#include "folder_tree.h"
#include "ftp_engine.h"
#include "ftp_job_file.h"
#include "history_list.h"
#include "picker_tree.h"
#include "pidl.h"
#include "program_values.h"
#include "resource_ftp.h"
#include "seams.h"
#include "transfer_job.h"
#include "tree_nodes.h"

namespace {

FtpDownloadPrompt g_downloadPrompt = nullptr;
FtpUploadPrompt g_uploadPrompt = nullptr;

std::string FtpJoin(FtpFolder* folder, const char* name) {
  std::string out;
  return JoinFtpPath(folder->path, name, &out) ? out : std::string();
}

std::string LocalJoin(const std::string& folder, const char* name) {
  std::string out = folder;
  if (!out.empty() && out.back() != '\\') out += '\\';
  return out + name;
}

// The site's stored password, read into a copy (the listed record stays scrambled).
bool SiteHasStoredPassword(FtpFolder* folder) {
  FtpFolder* site = FindSiteFolder(folder);
  if (!site || !site->site) return false;
  char password[100];
  ReadFtpPassword(site->site->password, password);
  bool has = password[0] != 0;
  SecureZeroMemory(password, sizeof password);
  return has;
}

HWND NotifyWindowOf(FtpFolder* folder) {
  FtpFolder* site = FindSiteFolder(folder);
  return site && site->session ? site->session->statusDialog : nullptr;
}

const char* SiteName(FtpFolder* folder) {
  FtpFolder* site = FindSiteFolder(folder);
  return site && site->site ? site->site->name : "";
}

uint64_t LocalSize(const std::string& path) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  FindClose(find);
  return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

uint64_t Total(const std::vector<uint64_t>& sizes) {
  uint64_t t = 0;
  for (auto s : sizes) t += s;
  return t;
}

int RunInProcess(FtpFolder* source, const std::vector<std::string>& from, FtpFolder* destination,
                 const std::vector<std::string>& to, const std::vector<uint64_t>& sizes, bool binary) {
  TransferJob* job = CreateTransferJob();
  job->totalBytes = Total(sizes);
  job->binary = binary ? 1 : 0;
  SetTransferSource(job, source, from, sizes);
  SetTransferDestination(job, destination, to, sizes);
  int status = RunTransferJob(job);
  DestroyTransferJob(job);
  return status;
}

// ---- context menu ----

class FtpContextMenu final : public IContextMenu {
 public:
  FtpContextMenu(FtpFolder* folder, UINT count, PCUITEMID_CHILD_ARRAY items) : folder_(folder) {
    folder_->AddRef();
    for (UINT i = 0; i < count; ++i) names_.push_back(FtpItemName(items[i]));
  }
  ~FtpContextMenu() { folder_->Release(); }
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IContextMenu) {
      *out = static_cast<IContextMenu*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return n;
  }
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
    first_ = first;
    auto add = [&](UINT offset, UINT text, bool grayed, bool checked = false) {
      std::string s = FtpString(text);
      MENUITEMINFOA mi{};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_ID | MIIM_TYPE | MIIM_STATE;
      mi.fType = MFT_STRING;
      mi.wID = first + offset;
      mi.dwTypeData = s.data();
      mi.fState = (grayed ? MFS_GRAYED : 0) | (checked ? MFS_CHECKED : 0);
      InsertMenuItemA(menu, index++, TRUE, &mi);
    };
    auto separator = [&]() {
      MENUITEMINFOA mi{};
      mi.cbSize = sizeof mi;
      mi.fMask = MIIM_TYPE;
      mi.fType = MFT_SEPARATOR;
      InsertMenuItemA(menu, index++, TRUE, &mi);
    };
    if (folder_->level == 1) {
      FtpSiteRecord* r = FindFtpSite(folder_->sites, names_.empty() ? "" : names_[0].c_str());
      FtpFolder* site = r ? r->folder : nullptr;
      FtpSession* s = site ? site->session : nullptr;
      add(0, IDS_FTP_MENU_EDIT_SITE, false);
      add(1, IDS_FTP_MENU_DELETE_SITE, false);
      add(2, IDS_FTP_MENU_UPLOAD, !s);
      add(3, IDS_FTP_SHOW_STATUS, !(s && s->statusDialog), IsFtpStatusDialogShown(s));
      add(4, IDS_FTP_MENU_DISCONNECT, !IsFtpSiteConnected(site));
      return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 5);
    }
    bool anyDirectory = false;
    for (auto& n : names_) {
      const FtpListEntry* e = FindFtpListEntry(folder_, n.c_str());
      if (e && (e->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) anyDirectory = true;
    }
    add(0, IDS_FTP_MENU_OPEN, names_.size() != 1 || anyDirectory);
    separator();
    add(1, IDS_FTP_MENU_DOWNLOAD, anyDirectory);
    add(2, IDS_FTP_MENU_DELETE, anyDirectory);
    separator();
    add(3, IDS_FTP_MENU_UPLOAD, false);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 4);
  }
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override {
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb))) return E_FAIL;
    UINT offset = LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb));
    HWND owner = info->hwnd ? info->hwnd : g_mainWindow;
    if (names_.empty()) return E_FAIL;
    const char* first = names_[0].c_str();
    if (folder_->level == 1) {
      FtpSiteRecord* r = FindFtpSite(folder_->sites, first);
      switch (offset) {
        case 0: return EditFtpSite(owner, folder_, first) ? S_OK : E_FAIL;
        case 1: return DeleteFtpSite(owner, folder_, first) ? S_OK : E_FAIL;
        case 2: return r && r->folder && r->folder->session && UploadToFtpFolder(owner, r->folder) ? S_OK : E_FAIL;
        case 3:
          if (r && r->folder) ToggleFtpStatusDialog(r->folder);
          return E_FAIL;
        case 4:
          if (r && r->folder && r->folder->session && r->folder->session->statusDialog)
            PostMessageA(r->folder->session->statusDialog, WM_COMMAND, IDC_FTP_DISCONNECT, 0);
          return S_OK;
      }
      return E_FAIL;
    }
    std::vector<LPITEMIDLIST> ids;
    for (auto& n : names_) ids.push_back(MakeFtpItemId(n.c_str()));
    HRESULT hr = E_FAIL;
    switch (offset) {
      case 0: hr = OpenFtpItem(folder_, owner, first) ? S_OK : E_FAIL; break;
      case 1: hr = DownloadFtpItems(owner, folder_, static_cast<UINT>(ids.size()), const_cast<LPCITEMIDLIST*>(ids.data())) ? S_OK : E_FAIL; break;
      case 2: hr = DeleteFtpItems(owner, folder_, static_cast<UINT>(ids.size()), const_cast<LPCITEMIDLIST*>(ids.data())) ? S_OK : E_FAIL; break;
      case 3: hr = UploadToFtpFolder(owner, folder_) ? S_OK : E_FAIL; break;
    }
    for (auto* id : ids) FreePidl(id);
    return hr;
  }
  STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) override { return E_NOTIMPL; }

 private:
  FtpFolder* folder_;
  std::vector<std::string> names_;
  UINT first_ = 0;
  LONG refs_ = 1;
};

class FtpDropTarget final : public IDropTarget {
 public:
  explicit FtpDropTarget(FtpFolder* folder) : folder_(folder) { folder_->AddRef(); }
  ~FtpDropTarget() {
    if (data_) data_->Release();
    folder_->Release();
  }
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDropTarget) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (!n) delete this;
    return n;
  }
  STDMETHODIMP DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    if (data_) data_->Release();
    data_ = data;
    if (data_) data_->AddRef();
    if (effect) *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
    if (effect) *effect = DROPEFFECT_COPY;
    return S_OK;
  }
  STDMETHODIMP DragLeave() override { return S_OK; }
  STDMETHODIMP Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    if (effect) *effect = DROPEFFECT_COPY;
    return UploadDroppedData(g_mainWindow, folder_, data) ? S_OK : E_FAIL;
  }

 private:
  FtpFolder* folder_;
  IDataObject* data_ = nullptr;
  LONG refs_ = 1;
};

HRESULT CreateContextMenuHook(FtpFolder* folder, HWND, UINT count, PCUITEMID_CHILD_ARRAY items, void** out) {
  *out = static_cast<IContextMenu*>(new FtpContextMenu(folder, count, items));
  return S_OK;
}

HRESULT CreateDropTargetHook(FtpFolder* folder, void** out) {
  *out = static_cast<IDropTarget*>(new FtpDropTarget(folder));
  return S_OK;
}

// ---- "Download To" dialog 10005 ----

constexpr const char* kDownloadHistory = "Download To";

struct DownloadDialog {
  const std::vector<std::string>* names;
  std::string destination;
  bool binary = true;
};

INT_PTR CALLBACK DownloadDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<DownloadDialog*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      d = reinterpret_cast<DownloadDialog*>(lp);
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      HistoryList history;
      LoadHistoryList(&history, kDownloadHistory);
      HWND combo = GetDlgItem(dlg, IDC_FTP_DESTINATION);
      FillComboFromHistory(combo, &history);
      if (history.Count()) SendMessageA(combo, CB_SETCURSEL, 0, 0);
      FreeHistoryList(&history);
      HWND list = GetDlgItem(dlg, IDC_FTP_LIST);
      for (size_t i = 0; i < d->names->size(); ++i) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>((*d->names)[i].c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
      }
      CheckDlgButton(dlg, IDC_FTP_BINARY, BST_CHECKED);
      HWND tree = GetDlgItem(dlg, IDC_FTP_PICKER);
      AttachSystemImageList(tree);
      IShellFolder* desktop = nullptr;
      if (SUCCEEDED(SHGetDesktopFolder(&desktop)) && desktop) {
        FillPickerTree(tree, desktop, nullptr, TVI_ROOT, TRUE, FALSE);
        desktop->Release();
      }
      ExpandTreeRoot(tree);
      RECT wr;
      GetWindowRect(dlg, &wr);
      SetWindowPos(dlg, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (wr.right - wr.left)) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - (wr.bottom - wr.top)) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      return TRUE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lp);
      if (header->idFrom != IDC_FTP_PICKER) break;
      HWND tree = header->hwndFrom;
      switch (header->code) {
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW: {
          auto* nm = reinterpret_cast<NMTREEVIEWA*>(lp);
          auto* item = reinterpret_cast<PickerTreeItem*>(nm->itemNew.lParam);
          char path[MAX_PATH];
          if (item && item->absolute && SHGetPathFromIDListA(item->absolute, path)) SetDlgItemTextA(dlg, IDC_FTP_DESTINATION, path);
          return FALSE;
        }
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW:
          ExpandPickerTreeItem(tree, reinterpret_cast<NMTREEVIEWA*>(header), TRUE, FALSE);
          return FALSE;
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW:
          FreePickerTreeItem(reinterpret_cast<NMTREEVIEWA*>(header));
          return FALSE;
      }
      break;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        char text[MAX_PATH] = "";
        GetDlgItemTextA(dlg, IDC_FTP_DESTINATION, text, sizeof text);
        const char* start = text;
        while (*start == ' ') ++start;
        if (!*start) {
          char caption[100] = "";
          GetWindowTextA(dlg, caption, sizeof caption);
          FtpMessageBox(dlg, FtpString(IDS_FTP_DEST_MISSING).c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
          return TRUE;
        }
        HistoryList history;
        LoadHistoryList(&history, kDownloadHistory);
        AddToHistoryList(&history, start);
        SaveHistoryList(&history, kDownloadHistory);
        FreeHistoryList(&history);
        d->destination = start;
        d->binary = IsDlgButtonChecked(dlg, IDC_FTP_BINARY) == BST_CHECKED;
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

int AskDownload(HWND owner, const std::vector<std::string>& names, std::string* destination, bool* binary) {
  if (g_downloadPrompt) return g_downloadPrompt(owner, names, destination, binary);
  DownloadDialog d{&names};
  if (DialogBoxParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_DOWNLOAD), owner, DownloadDlgProc, reinterpret_cast<LPARAM>(&d)) != 1)
    return 0;
  *destination = d.destination;
  *binary = d.binary;
  return 1;
}

int AskUpload(HWND owner, std::vector<std::string>* paths) {
  if (g_uploadPrompt) return g_uploadPrompt(owner, paths);
  std::string filter = FtpString(IDS_FTP_UPLOAD_FILTER);
  for (auto& c : filter)
    if (c == '|') c = '\0';
  filter += '\0';
  std::string title = FtpString(IDS_FTP_UPLOAD_TITLE);
  std::vector<char> buffer(50000, '\0');
  strcpy(buffer.data(), "*.*");
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = title.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
  if (!GetOpenFileNameA(&ofn)) return 0;
  const char* p = buffer.data();
  std::string first = p;
  p += first.size() + 1;
  if (!*p) {
    paths->push_back(first);
  } else {
    while (*p) {
      paths->push_back(LocalJoin(first, p));
      p += strlen(p) + 1;
    }
  }
  return 1;
}

int OpenFileHook(FtpFolder* folder, HWND owner, const char* name) { return OpenFtpFileForEditing(folder, owner, name); }
int NewSiteHook(HWND owner, FtpFolder* root) { return NewFtpSite(owner, root); }
int DeleteSiteHook(HWND owner, FtpFolder* root, const char* name) { return DeleteFtpSite(owner, root, name); }

}  // namespace

void SetFtpDownloadPrompt(FtpDownloadPrompt prompt) { g_downloadPrompt = prompt; }
void SetFtpUploadPrompt(FtpUploadPrompt prompt) { g_uploadPrompt = prompt; }

void InstallFtpFolderUi() {
  FtpUiHooks hooks;
  hooks.createContextMenu = CreateContextMenuHook;
  hooks.createDropTarget = CreateDropTargetHook;
  hooks.openFile = OpenFileHook;
  hooks.newSite = NewSiteHook;
  hooks.deleteSite = DeleteSiteHook;
  SetFtpUiHooks(hooks);
}

int UploadToFtpFolder(HWND owner, FtpFolder* folder) {
  if (!folder || folder->level < 2) return 0;
  std::vector<std::string> paths;
  if (!AskUpload(owner, &paths)) return 1;
  UploadFtpPaths(owner, folder, paths);
  return 1;
}

int UploadFtpPaths(HWND owner, FtpFolder* folder, const std::vector<std::string>& paths) {
  if (!folder || folder->level < 2 || paths.empty()) return 0;
  std::vector<std::string> remote;
  std::vector<uint64_t> sizes;
  bool overwrites = false;
  for (auto& path : paths) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string r = FtpJoin(folder, name.c_str());
    if (r.empty()) return 0;  // the remote path would not fit
    if (FindFtpListEntry(folder, name.c_str())) overwrites = true;
    remote.push_back(r);
    sizes.push_back(LocalSize(path));
  }
  if (overwrites && FtpMessageBox(owner, FtpString(IDS_FTP_UPLOAD_OVERWRITE).c_str(),
                                  FtpString(IDS_FTP_UPLOAD_OVERWRITE_CAPTION).c_str(), MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 0;
  bool handedOff = SiteHasStoredPassword(folder) &&
                   HandOffFtpJob(NotifyWindowOf(folder), SiteName(folder), paths, remote, sizes, true, false);
  if (!handedOff) {
    ConnectFtpSiteFolder(folder, owner);
    RunInProcess(nullptr, paths, folder, remote, sizes, true);
  }
  DropFtpListings(folder);
  RefreshFtpViews();
  return 1;
}

int UploadDroppedData(HWND owner, FtpFolder* folder, IDataObject* data) {
  if (!data) return 0;
  FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&format, &medium))) return 0;
  std::vector<std::string> paths;
  auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
  if (drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      char path[MAX_PATH];
      if (DragQueryFileA(drop, i, path, sizeof path)) paths.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);
  if (!paths.empty()) UploadFtpPaths(owner, folder, paths);
  return 1;
}

namespace {
int Download(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items, const std::string& destination,
             bool binary, bool ask, bool wait) {
  std::vector<std::string> remote, local;
  std::vector<uint64_t> sizes;
  bool overwrites = false;
  for (UINT i = 0; i < count; ++i) {
    const char* name = FtpItemName(items[i]);
    const FtpListEntry* e = FindFtpListEntry(folder, name);
    if (!e || IsUnsafeFtpName(name)) continue;
    std::string r = FtpJoin(folder, name);
    std::string l = LocalJoin(destination, name);
    if (r.empty() || l.size() >= MAX_PATH) continue;
    if (GetFileAttributesA(l.c_str()) != INVALID_FILE_ATTRIBUTES) overwrites = true;
    remote.push_back(r);
    local.push_back(l);
    sizes.push_back((uint64_t(e->data.nFileSizeHigh) << 32) | e->data.nFileSizeLow);
  }
  if (remote.empty()) return 0;
  if (ask && overwrites &&
      FtpMessageBox(owner, FtpString(IDS_FTP_DOWNLOAD_OVERWRITE).c_str(), FtpString(IDS_FTP_DOWNLOAD_OVERWRITE_CAPTION).c_str(),
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 0;
  if (binary && SiteHasStoredPassword(folder) &&
      HandOffFtpJob(NotifyWindowOf(folder), SiteName(folder), remote, local, sizes, false, wait))
    return 1;
  ConnectFtpSiteFolder(folder, owner);
  return RunInProcess(folder, remote, nullptr, local, sizes, binary) == 2 ? 1 : 0;
}
}  // namespace

int DownloadFtpItems(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items) {
  if (!folder || folder->level < 2 || !count) return 0;
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) names.push_back(FtpItemName(items[i]));
  std::string destination;
  bool binary = true;
  if (!AskDownload(owner, names, &destination, &binary)) return 1;
  Download(owner, folder, count, items, destination, binary, true, false);
  return 1;
}

int DownloadFtpItemsToFolder(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items, const char* localFolder) {
  if (!folder || folder->level < 2 || !count || !localFolder) return 0;
  return Download(owner, folder, count, items, localFolder, true, false, true);
}

namespace {
INT_PTR CALLBACK EditWarningDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    if (LOWORD(wp) == IDOK && IsDlgButtonChecked(dlg, IDC_FTP_DONT_WARN) == BST_CHECKED) FtpSettingFlags().noEditWarning = 1;
    EndDialog(dlg, LOWORD(wp));
    return TRUE;
  }
  return FALSE;
}
}  // namespace

int OpenFtpFileForEditing(FtpFolder* folder, HWND owner, const char* name) {
  const FtpListEntry* e = FindFtpListEntry(folder, name);
  if (!e || IsUnsafeFtpName(name)) return 0;
  if (!FtpSettingFlags().noEditWarning &&
      DialogBoxParamA(FtpResources(), MAKEINTRESOURCEA(IDD_FTP_EDIT_WARNING), owner, EditWarningDlgProc, 0) != IDOK)
    return 0;
  char temp[MAX_PATH];
  if (!GetTempPathA(sizeof temp, temp)) return 0;
  std::string folderPath = LocalJoin(temp, "~~JQTEMP");
  CreateDirectoryA(folderPath.c_str(), nullptr);
  std::string local = LocalJoin(folderPath, name);
  std::string remote = FtpJoin(folder, name);
  if (remote.empty() || local.size() >= MAX_PATH) return 0;
  uint64_t size = (uint64_t(e->data.nFileSizeHigh) << 32) | e->data.nFileSizeLow;
  if (RunInProcess(folder, {remote}, nullptr, {local}, {size}, true) != 2) return 0;
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof info;
  info.lpFile = local.c_str();
  info.nShow = SW_SHOWNORMAL;
  return seams::ShellExecuteExA(&info) ? 1 : 0;
}

FtpFolder* FtpFolderOfTreeItem(int pane, HTREEITEM node) {
  HWND tree = FilePanes[pane].tree;
  FolderTreeItem* record = tree && node ? GetTreeItemRecord(tree, node) : nullptr;
  if (!record || !(record->kind & kTreeKindFtpBranch)) return nullptr;
  if (record->kind & kTreeKindFtpRoot) return static_cast<FtpFolder*>(GetFtpRootFolder(pane));
  IShellFolder* folder = nullptr;
  if (!record->folder || FAILED(record->folder->BindToObject(record->relative, nullptr, IID_IShellFolder,
                                                             reinterpret_cast<void**>(&folder))))
    return nullptr;
  return static_cast<FtpFolder*>(folder);
}

int IsFtpStatusDialogVisible(FtpFolder* folder, BOOL* shown) {
  FtpFolder* site = FindSiteFolder(folder);
  FtpSession* s = site ? site->session : nullptr;
  if (shown) *shown = IsFtpStatusDialogShown(s);
  return s && s->statusDialog ? 1 : 0;
}

void ToggleFtpStatusDialog(FtpFolder* folder) {
  FtpFolder* site = FindSiteFolder(folder);
  FtpSession* s = site ? site->session : nullptr;
  if (!s || !s->statusDialog) return;
  ShowWindow(s->statusDialog, IsWindowVisible(s->statusDialog) ? SW_HIDE : SW_SHOW);
}
