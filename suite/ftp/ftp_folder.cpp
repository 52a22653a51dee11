// FTP sites as shell folders and the folder operations behind them.
#include "ftp_folder.h"

#include <shellapi.h>
#include <cstdio>
#include <cstring>

#include "ftp_engine.h"
#include "pidl.h"
#include "resource_ftp.h"
#include "settings_store.h"
#include "transfer_job.h"

namespace {

FtpUiHooks g_hooks;

std::string ToAnsi(LPCWSTR text) {
  char buffer[260] = "";
  if (text) WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
  buffer[259] = 0;
  return buffer;
}

class FtpEnumIdList final : public IEnumIDList {
 public:
  FtpEnumIdList(FtpFolder* folder, SHCONTF flags, ULONG position) : folder_(folder), flags_(flags), position_(position) {}
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IEnumIDList) {
      *out = static_cast<IEnumIDList*>(this);
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
  STDMETHODIMP Next(ULONG count, PITEMID_CHILD* out, ULONG* fetched) override {
    ULONG got = 0;
    while (got < count) {
      const char* name = NameAt(position_);
      if (!name) break;
      out[got] = MakeFtpItemId(name);
      if (!out[got]) break;
      ++got;
      ++position_;
    }
    if (fetched) *fetched = got;
    if (count == 0) return S_OK;
    return got ? S_OK : S_FALSE;
  }
  STDMETHODIMP Skip(ULONG n) override {
    position_ += n;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumIDList** out) override {
    *out = new FtpEnumIdList(folder_, flags_, position_);
    return S_OK;
  }

 private:
  const char* NameAt(ULONG at) {
    if (folder_->level == 1) {
      if (at == 0) return kFtpAddSiteItem;
      ULONG i = 1;
      for (FtpSiteRecord* r = folder_->sites.head; r; r = r->next, ++i)
        if (i == at) return r->name;
      return nullptr;
    }
    if (folder_->level == 2 && !IsFtpSiteConnected(folder_)) return at == 0 ? kFtpConnectItem : nullptr;
    ULONG i = 0;
    for (FtpListEntry* e = folder_->listing; e; e = e->next, ++i)
      if (i == at) return e->data.cFileName;
    return nullptr;
  }
  FtpFolder* folder_;
  SHCONTF flags_;
  ULONG position_;
  LONG refs_ = 1;
};

FtpFolder* g_roots[2] = {nullptr, nullptr};

SFGAOF AttributesOfEntry(const FtpListEntry* e) {
  return (e->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kFtpDirectoryAttributes : kFtpFileAttributes;
}

FtpFolder* OtherRoot(FtpFolder* root) {
  for (FtpFolder* r : g_roots)
    if (r && r != root) return r;
  return nullptr;
}

// Creates the site's session and connects; the remote path follows the server's directory.
int ConnectSite(FtpFolder* site, HWND owner) {
  if (!site || site->level != 2 || !site->site) return 0;
  if (IsFtpSiteConnected(site)) return 1;
  if (site->connecting) return 0;
  site->connecting = 1;
  if (!site->session) {
    bool dialog = GetFtpEngineMode() == FtpEngineMode::kFileManager;
    site->session = CreateFtpSession(owner, *site->site, site, dialog);
  }
  site->AddRef();
  int ok = ConnectFtpSessionFromUi(site->session, GetFtpEngineMode() == FtpEngineMode::kFileManager, owner) == 1;
  if (ok && site->session) GetFtpSessionDirectory(site->session, site->path);
  site->connecting = 0;
  site->Release();
  return ok;
}

HRESULT LoadListing(FtpFolder* f) {
  if (f->loaded) return S_OK;
  FtpFolder* site = FindSiteFolder(f);
  if (!IsFtpSiteConnected(site)) return S_OK;
  FtpListEntry* head = nullptr;
  if (!CallFtpSession(site->session, kFtpList, reinterpret_cast<UINT_PTR>(f->path), reinterpret_cast<UINT_PTR>(&head), 60000, 1, 0))
    return E_FAIL;
  FreeFtpListEntries(f->listing);
  f->listing = head;
  f->loaded = 1;
  return S_OK;
}

}  // namespace

// ---- Item ids ----

LPITEMIDLIST MakeFtpItemId(const char* name) {
  size_t n = strnlen(name, 259);
  auto* p = static_cast<BYTE*>(AllocShellMemory(static_cast<UINT>(n + 3 + 2)));
  if (!p) return nullptr;
  uint16_t cb = static_cast<uint16_t>(n + 3);
  memcpy(p, &cb, 2);
  memcpy(p + 2, name, n);
  p[2 + n] = 0;
  p[cb] = p[cb + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(p);
}

const char* FtpItemName(LPCITEMIDLIST item) {
  if (!item || item->mkid.cb < 3) return "";
  const char* name = reinterpret_cast<const char*>(item->mkid.abID);
  size_t room = item->mkid.cb - 2;
  return strnlen(name, room) < room ? name : "";
}

// ---- Folder objects ----

FtpFolder* ConstructFtpChildFolder(FtpFolder* parent, int level, FtpFolder* root, FtpSiteRecord* site, const char* path) {
  auto* f = new FtpFolder;
  f->parent = parent;
  f->root = root;
  f->site = site;
  f->level = static_cast<uint32_t>(level);
  lstrcpynA(f->path, path ? path : "", sizeof f->path);
  return f;
}

FtpFolder* CreateFtpRootFolder() {
  auto* f = new FtpFolder;
  f->level = 1;
  LoadFtpSiteList(f->sites);
  f->loaded = 1;
  return f;
}

void ReleaseFtpFolder(FtpFolder* folder) {
  if (folder) folder->Release();
}

FtpFolder::~FtpFolder() {
  if (session) {
    FtpSession* s = session;
    session = nullptr;
    s->owner = nullptr;
    DestroyFtpSession(s);
  }
  FreeFtpSiteList(sites);
  while (children) {
    FtpChildFolder* c = children;
    children = c->next;
    if (c->folder) c->folder->Release();
    delete c;
  }
  FreeFtpListEntries(listing);
}

STDMETHODIMP FtpFolder::QueryInterface(REFIID riid, void** out) {
  if (riid == IID_IUnknown || riid == IID_IShellFolder) {
    *out = static_cast<IShellFolder*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) FtpFolder::AddRef() { return ++refs; }

STDMETHODIMP_(ULONG) FtpFolder::Release() {
  ULONG n = --refs;
  if (!n) delete this;
  return n;
}

STDMETHODIMP FtpFolder::ParseDisplayName(HWND, LPBC, LPWSTR wide, ULONG* eaten, PIDLIST_RELATIVE* out, ULONG* attributes) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  std::string name = ToAnsi(wide);
  SFGAOF attr = 0;
  if (level == 1) {
    if (lstrcmpiA(name.c_str(), kFtpAddSiteItem) != 0) {
      if (!FindFtpSite(sites, name.c_str())) return E_FAIL;
      attr = kFtpSiteAttributes;
    }
  } else if (level == 2 || level == 3) {
    if (!(level == 2 && name == kFtpConnectItem)) {
      const FtpListEntry* e = FindFtpListEntry(this, name.c_str());
      if (!e) return E_FAIL;
      attr = AttributesOfEntry(e);
    }
  } else {
    return E_FAIL;
  }
  *out = MakeFtpItemId(name.c_str());
  if (!*out) return E_OUTOFMEMORY;
  if (eaten) *eaten = static_cast<ULONG>(lstrlenW(wide));
  if (attributes) *attributes = attr;
  return S_OK;
}

STDMETHODIMP FtpFolder::EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (level == 2) {
    if ((!session || !IsFtpSessionConnected(session)) && !connecting) ConnectSite(this, owner);
    if (!loaded && IsFtpSiteConnected(this) && FAILED(LoadListing(this))) return E_FAIL;
  } else if (level == 3) {
    FtpFolder* siteFolder = FindSiteFolder(this);
    if (siteFolder && !IsFtpSiteConnected(siteFolder)) ConnectFtpSiteFolder(siteFolder, owner);
    if (!loaded && FAILED(LoadListing(this))) return E_FAIL;
  }
  *out = new FtpEnumIdList(this, flags, 0);
  return S_OK;
}

STDMETHODIMP FtpFolder::BindToObject(PCUIDLIST_RELATIVE item, LPBC, REFIID riid, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (riid != IID_IShellFolder || !item) return E_FAIL;
  const char* name = FtpItemName(item);
  FtpFolder* found = nullptr;
  if (level == 1) {
    FtpSiteRecord* r = FindFtpSite(sites, name);
    if (!r) return E_FAIL;
    if (!r->folder) {
      r->folder = ConstructFtpChildFolder(this, 2, this, r, r->startDirectory);
    }
    found = r->folder;
    found->AddRef();
  } else {
    for (FtpChildFolder* c = children; c; c = c->next)
      if (strcmp(c->name, name) == 0) {
        found = c->folder;
        found->AddRef();
        break;
      }
    if (!found) {
      const FtpListEntry* e = FindFtpListEntry(this, name);
      if (!e || !(e->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return E_FAIL;
      std::string childPath;
      if (!JoinFtpPath(path, name, &childPath)) return E_FAIL;
      FtpFolder* child = ConstructFtpChildFolder(this, 3, root ? root : this, nullptr, childPath.c_str());
      auto* c = new FtpChildFolder{children, {}, child};
      lstrcpynA(c->name, name, sizeof c->name);
      children = c;
      found = child;
      found->AddRef();
    }
  }
  // A deeper list binds item by item.
  LPCITEMIDLIST rest = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb);
  if (rest->mkid.cb) {
    HRESULT hr = found->BindToObject(rest, nullptr, riid, out);
    found->Release();
    return hr;
  }
  *out = static_cast<IShellFolder*>(found);
  return S_OK;
}

STDMETHODIMP FtpFolder::BindToStorage(PCUIDLIST_RELATIVE, LPBC, REFIID, void** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FtpFolder::CompareIDs(LPARAM, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) {
  int c = lstrcmpiA(FtpItemName(a), FtpItemName(b));
  return MAKE_HRESULT(SEVERITY_SUCCESS, 0, static_cast<USHORT>(static_cast<short>(c < 0 ? -1 : c > 0 ? 1 : 0)));
}

STDMETHODIMP FtpFolder::CreateViewObject(HWND, REFIID, void** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP FtpFolder::GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* attributes) {
  if (!count || !items || !attributes) return E_INVALIDARG;
  const char* name = FtpItemName(items[0]);
  if (level == 1) {
    if (lstrcmpiA(name, kFtpAddSiteItem) == 0) {
      *attributes = 0;
      return S_OK;
    }
    if (!FindFtpSite(sites, name)) return E_FAIL;
    *attributes = kFtpSiteAttributes;
    return S_OK;
  }
  if (level == 2 && strcmp(name, kFtpConnectItem) == 0) {
    *attributes = 0;
    return S_OK;
  }
  const FtpListEntry* e = FindFtpListEntry(this, name);
  if (!e) return E_FAIL;
  *attributes = AttributesOfEntry(e);
  return S_OK;
}

STDMETHODIMP FtpFolder::GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID riid, UINT* reserved, void** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (riid == IID_IContextMenu) {
    if (!count || !items) return E_FAIL;
    if (level == 1) {
      const char* name = FtpItemName(items[0]);
      if (reserved) *reserved = 0;
      if (lstrcmpiA(name, kFtpAddSiteItem) == 0 || !FindFtpSite(sites, name)) return E_FAIL;
      if (reserved) *reserved = 0xA0000000;
    } else {
      if (level == 2 && !IsFtpSiteConnected(this)) return E_FAIL;
      if (reserved) *reserved = 0;
    }
    if (!g_hooks.createContextMenu) return E_FAIL;
    return g_hooks.createContextMenu(this, owner, count, items, out);
  }
  if (riid == IID_IDropTarget) {
    if (!count || !items || !g_hooks.createDropTarget) return E_FAIL;
    IShellFolder* target = nullptr;
    if (FAILED(BindToObject(items[0], nullptr, IID_IShellFolder, reinterpret_cast<void**>(&target))) || !target) return E_FAIL;
    HRESULT hr = g_hooks.createDropTarget(static_cast<FtpFolder*>(target), out);
    target->Release();
    return hr;
  }
  return E_FAIL;
}

STDMETHODIMP FtpFolder::GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF, STRRET* name) {
  if (!name) return E_INVALIDARG;
  name->uType = STRRET_CSTR;
  lstrcpynA(name->cStr, FtpItemName(item), sizeof name->cStr);
  return S_OK;
}

STDMETHODIMP FtpFolder::SetNameOf(HWND owner, PCUITEMID_CHILD item, LPCWSTR wide, SHGDNF, PITEMID_CHILD* out) {
  if (out) *out = nullptr;
  std::string newName = ToAnsi(wide);
  const char* oldName = FtpItemName(item);
  if (newName.empty() || newName.size() > 99) return E_FAIL;
  if (level == 1) {
    FtpSiteRecord* r = FindFtpSite(sites, oldName);
    if (!r) return E_FAIL;
    FtpSiteRecord* other = FindFtpSite(sites, newName.c_str());
    if (other && other != r) {
      FtpMessageBox(owner, FtpString(IDS_FTP_DUPLICATE).c_str(), FtpString(IDS_FTP_DUPLICATE_CAPTION).c_str(), MB_OK | MB_ICONSTOP);
      return E_FAIL;
    }
    std::string previous = r->name;
    if (FtpFolder* o = OtherRoot(this)) {
      if (FtpSiteRecord* mirror = FindFtpSite(o->sites, previous.c_str())) {
        lstrcpynA(mirror->name, newName.c_str(), sizeof mirror->name);
        SortFtpSiteList(o->sites);
      }
    }
    lstrcpynA(r->name, newName.c_str(), sizeof r->name);
    SortFtpSiteList(sites);
    SaveFtpSiteList(sites);
    if (out) *out = MakeFtpItemId(newName.c_str());
    return S_OK;
  }
  if (level == 2 && strcmp(oldName, kFtpConnectItem) == 0) return E_FAIL;
  if (IsUnsafeFtpName(newName.c_str()) || !FindFtpListEntry(this, oldName)) return E_FAIL;
  std::string from, to;
  if (!JoinFtpPath(path, oldName, &from) || !JoinFtpPath(path, newName.c_str(), &to)) return E_FAIL;
  FtpFolder* siteFolder = FindSiteFolder(this);
  if (!siteFolder || !siteFolder->session) return E_FAIL;
  FtpRenameNames names{from.c_str(), to.c_str()};
  if (!CallFtpSession(siteFolder->session, kFtpRename, reinterpret_cast<UINT_PTR>(&names), 0, 60000, 1, 0)) return E_FAIL;
  for (FtpChildFolder* c = children; c; c = c->next)
    if (strcmp(c->name, oldName) == 0) {
      lstrcpynA(c->name, newName.c_str(), sizeof c->name);
      lstrcpynA(c->folder->path, to.c_str(), sizeof c->folder->path);
    }
  DropFtpListings(this);
  if (out) *out = MakeFtpItemId(newName.c_str());
  return S_OK;
}

// ---- Folder operations ----

FtpFolder* FindSiteFolder(FtpFolder* f) {
  while (f && f->level > 2) f = f->parent;
  return f && f->level == 2 ? f : nullptr;
}

void DetachFtpSession(FtpFolder* folder) {
  FtpFolder* site = FindSiteFolder(folder);
  if (!site || !site->session) return;
  FtpSession* s = site->session;
  site->session = nullptr;
  s->owner = nullptr;
  DestroyFtpSession(s);
}

int ConnectFtpSiteFolder(FtpFolder* folder, HWND owner) {
  FtpFolder* site = FindSiteFolder(folder);
  if (!site) return 0;
  if (IsFtpSiteConnected(site)) return 1;
  if (site->connecting) return 0;
  return ConnectSite(site, owner);
}

bool IsFtpSiteConnected(FtpFolder* folder) {
  return folder && folder->level == 2 && folder->session && IsFtpSessionConnected(folder->session);
}

void DropFtpListings(FtpFolder* f) {
  if (!f) return;
  if (f->level == 1)
    for (FtpSiteRecord* r = f->sites.head; r; r = r->next) DropFtpListings(r->folder);
  for (FtpChildFolder* c = f->children; c; c = c->next) DropFtpListings(c->folder);
  FreeFtpListEntries(f->listing);
  f->listing = nullptr;
  if (f->level != 1) f->loaded = 0;
}

const FtpListEntry* FindFtpListEntry(FtpFolder* f, const char* name) {
  if (!f || !name) return nullptr;
  for (FtpListEntry* e = f->listing; e; e = e->next)
    if (strcmp(e->data.cFileName, name) == 0) return e;
  return nullptr;
}

bool JoinFtpPath(const char* folder, const char* name, std::string* out) {
  std::string p = folder ? folder : "";
  if (!p.empty() && p.back() != '/') p += '/';
  p += name ? name : "";
  if (p.size() >= 260) return false;
  *out = p;
  return true;
}

INT_PTR FtpFolderCommand(FtpFolder* folder, uint32_t command, const std::vector<std::string>& names, UINT_PTR argument,
                         UINT_PTR timeout, bool show) {
  FtpFolder* site = FindSiteFolder(folder);
  if (!site || !site->session || names.empty()) return 0;
  if (names.size() == 1)
    return CallFtpSession(site->session, command, reinterpret_cast<UINT_PTR>(names[0].c_str()), argument, timeout, show, 0);
  std::vector<uint32_t> rows(names.size(), 0);
  if (show) {
    std::string action = command == kFtpDeleteFile ? FtpString(IDS_FTP_ACTION_DELETE) : std::string();
    for (size_t i = 0; i < names.size(); ++i) {
      rows[i] = AddFtpQueueRow(site->session, action.c_str(), names[i].c_str());
      SetFtpQueueRowState(site->session, rows[i], kRowPending);
    }
  }
  INT_PTR result = 0;
  size_t i = 0;
  for (; i < names.size() && site->session; ++i) {
    result = CallFtpSession(site->session, command, reinterpret_cast<UINT_PTR>(names[i].c_str()), argument, timeout, show, rows[i]);
    if (!result) {
      ++i;
      break;
    }
  }
  if (site->session)
    for (; i < names.size(); ++i) SetFtpQueueRowState(site->session, rows[i], kRowCancelled);
  return result;
}

int DeleteFtpItems(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items) {
  if (!folder || !count || !items) return 0;
  if (folder->level == 1)
    return g_hooks.deleteSite ? g_hooks.deleteSite(owner, folder, FtpItemName(items[0])) : 0;
  if (folder->level == 2) {
    if (!IsFtpSiteConnected(folder)) {
      ConnectFtpSiteFolder(folder, owner);
      return 0;
    }
    if (FtpMessageBox(owner, FtpString(IDS_FTP_DELETE_FILES).c_str(), FtpString(IDS_FTP_DELETE_FILES_CAPTION).c_str(),
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
      return 0;
  }
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) {
    std::string full;
    if (!JoinFtpPath(folder->path, FtpItemName(items[i]), &full)) return 0;
    names.push_back(full);
  }
  INT_PTR r = FtpFolderCommand(folder, kFtpDeleteFile, names, 0, 60000, true);
  DropFtpListings(folder);
  RefreshFtpViews();
  return r ? 1 : 0;
}

int CreateFtpDirectory(HWND owner, FtpFolder* folder, const char* name) {
  if (!folder || folder->level < 2 || IsUnsafeFtpName(name)) return 0;
  if (!ConnectFtpSiteFolder(folder, owner)) return 0;
  std::string full;
  if (!JoinFtpPath(folder->path, name, &full)) return 0;
  INT_PTR r = FtpFolderCommand(folder, kFtpMakeDirectory, {full}, 0, 60000, true);
  DropFtpListings(folder);
  RefreshFtpViews();
  return r ? 1 : 0;
}

int GetFtpItemIcon(FtpFolder* folder, LPCITEMIDLIST item) {
  static char installDir[MAX_PATH] = "";
  if (!installDir[0]) {
    ReadInstallDir(installDir);
    size_t n = strlen(installDir);
    if (n && installDir[n - 1] != '\\' && n + 1 < sizeof installDir) strcat(installDir, "\\");
  }
  const char* name = FtpItemName(item);
  SHFILEINFOA info{};
  std::string file;
  bool directory = false;
  if (folder->level == 1 || strcmp(name, kFtpConnectItem) == 0) {
    file = std::string(installDir) + "glyphxfersite.exe";
  } else {
    const FtpListEntry* e = FindFtpListEntry(folder, name);
    directory = e && (e->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    file = std::string(installDir) + "Cmmap000.sbc";
    if (!directory) {
      // The icon of the extension: asked of the shell by the attributes alone.
      const char* dot = strrchr(name, '.');
      std::string probe = std::string("x") + (dot ? dot : "");
      SHGetFileInfoA(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
      return info.iIcon;
    }
  }
  DWORD attributes = directory || folder->level != 1 ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  if (!SHGetFileInfoA(file.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
    SHGetFileInfoA(file.c_str(), attributes, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  return info.iIcon;
}

void SetFtpUiHooks(const FtpUiHooks& hooks) { g_hooks = hooks; }
const FtpUiHooks& GetFtpUiHooks() { return g_hooks; }

int OpenFtpItem(FtpFolder* folder, HWND owner, const char* name) {
  if (!folder) return 0;
  if (folder->level == 1) return g_hooks.newSite ? g_hooks.newSite(owner, folder) : 0;
  if (folder->level == 2 && !IsFtpSiteConnected(folder)) return ConnectFtpSiteFolder(folder, owner);
  return g_hooks.openFile ? g_hooks.openFile(folder, owner, name) : 0;
}

// ---- Roots and entry points ----

namespace {
const BYTE kFtpRootBytes[12] = {10, 0, 0xE5, 0x3D, 0x0E, 0x79, 0xBC, 0x4A, 0x9B, 0x78, 0, 0};
}

LPCITEMIDLIST GetFtpRootPidl() { return reinterpret_cast<LPCITEMIDLIST>(kFtpRootBytes); }

LPITEMIDLIST CopyFtpRootPidl() { return CopyPidl(GetShellAllocator(), GetFtpRootPidl()); }

BOOL IsFtpPidl(LPCITEMIDLIST list) { return list && memcmp(list, kFtpRootBytes, 10) == 0; }

IShellFolder* GetFtpRootFolder(int pane) {
  if (pane < 0 || pane > 1) return nullptr;
  if (!StartFtpLibrary()) return nullptr;
  if (!g_roots[pane]) g_roots[pane] = CreateFtpRootFolder();
  g_roots[pane]->AddRef();
  return g_roots[pane];
}

FtpFolder* PeekFtpRootFolder(int pane) { return pane >= 0 && pane <= 1 ? g_roots[pane] : nullptr; }

HRESULT GetFtpDisplayPath(LPCITEMIDLIST list, char* buffer, int size) {
  if (!list || !IsFtpPidl(list) || !buffer || size < 5) return E_FAIL;
  std::string text = "FTP:";
  LPCITEMIDLIST item = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(list) + 10);
  bool first = true;
  while (item->mkid.cb) {
    if (!first) text += '/';
    text += FtpItemName(item);
    first = false;
    item = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(item) + item->mkid.cb);
  }
  lstrcpynA(buffer, text.c_str(), size);
  return S_OK;
}

LPITEMIDLIST ParseFtpPath(const char* text) {
  std::vector<std::string> parts;
  const char* colon = text ? strchr(text, ':') : nullptr;
  const char* p = colon ? colon + 1 : (text ? text : "");
  std::string part;
  for (;; ++p) {
    if (!*p || *p == '/' || *p == '\\') {
      if (!part.empty()) parts.push_back(part.substr(0, 259));
      part.clear();
      if (!*p) break;
    } else {
      part += *p;
    }
  }
  size_t bytes = 10;
  for (auto& s : parts) bytes += s.size() + 3;
  auto* out = static_cast<BYTE*>(AllocShellMemory(static_cast<UINT>(bytes + 2)));
  if (!out) return nullptr;
  memcpy(out, kFtpRootBytes, 10);
  size_t at = 10;
  for (auto& s : parts) {
    uint16_t cb = static_cast<uint16_t>(s.size() + 3);
    memcpy(out + at, &cb, 2);
    memcpy(out + at + 2, s.c_str(), s.size() + 1);
    at += cb;
  }
  out[at] = out[at + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(out);
}

HRESULT GetFtpItemInfo(IShellFolder* folder, LPCITEMIDLIST item, WIN32_FIND_DATAA* data, int size) {
  if (!folder || !data || size < static_cast<int>(sizeof(WIN32_FIND_DATAA))) return E_FAIL;
  auto* f = static_cast<FtpFolder*>(folder);
  const char* name = FtpItemName(item);
  // The sites and the two pseudo-items have no listing entry: they are shown as folders.
  bool pseudo = (f->level == 1 && (lstrcmpiA(name, kFtpAddSiteItem) == 0 || FindFtpSite(f->sites, name))) ||
                (f->level == 2 && strcmp(name, kFtpConnectItem) == 0 && !IsFtpSiteConnected(f));
  if (pseudo) {
    *data = WIN32_FIND_DATAA{};
    data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    lstrcpynA(data->cFileName, name, sizeof data->cFileName);
    return S_OK;
  }
  const FtpListEntry* e = FindFtpListEntry(f, name);
  if (!e) return E_FAIL;
  *data = e->data;
  return S_OK;
}

HRESULT GetFtpSiteColumnText(IShellFolder* rootFolder, LPCITEMIDLIST item, int column, char* buffer, int size) {
  if (!buffer || size <= 0) return E_FAIL;
  buffer[0] = 0;
  auto* r = static_cast<FtpFolder*>(rootFolder);
  if (!r || r->level != 1) return E_FAIL;
  FtpSiteRecord* site = FindFtpSite(r->sites, FtpItemName(item));
  if (!site) return E_FAIL;
  const char* text = column == 0 ? site->name : column == 1 ? site->host : column == 2 ? site->login
                   : column == 3 ? site->description : nullptr;
  if (!text) return E_FAIL;
  lstrcpynA(buffer, text, size);
  return S_OK;
}

void FlushFtpListings() {
  for (FtpFolder* r : g_roots) DropFtpListings(r);
}

int ConfirmFtpExit(HWND mainWindow) {
  if (!IsAnyTransferAlive()) return 1;
  return FtpMessageBox(mainWindow, FtpString(IDS_FTP_EXIT).c_str(), FtpString(IDS_FTP_EXIT_CAPTION).c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShutdownFtp() {
  for (int round = 0; round < 10; ++round) {
    TransferJob* job = FirstLiveTransferJob();
    if (!job) break;
    AbortTransferJob(job);
    DWORD start = GetTickCount();
    while (FirstLiveTransferJob() == job && GetTickCount() - start < 300) {
      PumpFtpMessages();
      Sleep(10);
    }
  }
  for (FtpFolder*& r : g_roots) {
    if (r) {
      FtpFolder* f = r;
      r = nullptr;
      f->Release();
    }
  }
  // The library stays loaded while any transfer thread could still call it.
  if (!IsAnyTransferAlive()) StopFtpLibrary();
}
