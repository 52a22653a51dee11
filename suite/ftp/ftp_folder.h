// FTP sites as shell folders: the FTP-sites root (level 1), one site (level 2) and a remote
// directory (level 3), with their enumerator, item ids and the folder operations behind them;
// the two root slots (one per pane), "FTP:" paths, the exit check and the shutdown.
#pragma once
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp_session.h"
#include "ftp_sites.h"

struct FtpChildFolder {
  FtpChildFolder* next;
  char name[260];
  FtpFolder* folder;
};

struct FtpFolder : public IShellFolder {
  FtpFolder* parent = nullptr;
  FtpFolder* root = nullptr;
  FtpSiteList sites;
  FtpSiteRecord* site = nullptr;
  FtpChildFolder* children = nullptr;
  FtpListEntry* listing = nullptr;
  ULONG refs = 1;
  uint32_t level = 1;
  uint32_t loaded = 0;
  uint32_t connecting = 0;
  FtpSession* session = nullptr;
  char path[260] = "";

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IShellFolder
  STDMETHODIMP ParseDisplayName(HWND owner, LPBC bc, LPWSTR name, ULONG* eaten, PIDLIST_RELATIVE* out, ULONG* attributes) override;
  STDMETHODIMP EnumObjects(HWND owner, SHCONTF flags, IEnumIDList** out) override;
  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE item, LPBC bc, REFIID riid, void** out) override;
  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE item, LPBC bc, REFIID riid, void** out) override;
  STDMETHODIMP CompareIDs(LPARAM flags, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override;
  STDMETHODIMP CreateViewObject(HWND owner, REFIID riid, void** out) override;
  STDMETHODIMP GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY items, SFGAOF* attributes) override;
  STDMETHODIMP GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, REFIID riid, UINT* reserved, void** out) override;
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD item, SHGDNF flags, STRRET* name) override;
  STDMETHODIMP SetNameOf(HWND owner, PCUITEMID_CHILD item, LPCWSTR name, SHGDNF flags, PITEMID_CHILD* out) override;

  virtual ~FtpFolder();
};

constexpr const char* kFtpAddSiteItem = "Add New FTP Site...";
constexpr const char* kFtpConnectItem = "Connect To FTP Site";
constexpr SFGAOF kFtpSiteAttributes = 0xE0000030, kFtpDirectoryAttributes = 0xE0000010, kFtpFileAttributes = 0x40000030;

// Item ids: u16 (length of the name + 3), the name and its NUL, the terminator.
LPITEMIDLIST MakeFtpItemId(const char* name);
// The name of a child item id, or "" when the item is not one of ours.
const char* FtpItemName(LPCITEMIDLIST item);

FtpFolder* ConstructFtpChildFolder(FtpFolder* parent, int level, FtpFolder* root, FtpSiteRecord* site, const char* path);
FtpFolder* CreateFtpRootFolder();
void ReleaseFtpFolder(FtpFolder* folder);
// The site folder of a folder (itself at level 2, else the nearest level-2 ancestor).
FtpFolder* FindSiteFolder(FtpFolder* folder);
// Detaches and destroys the site folder's session (the folder keeps living).
void DetachFtpSession(FtpFolder* folder);
// Connects the folder's site; 1 when connected.
int ConnectFtpSiteFolder(FtpFolder* folder, HWND owner);
bool IsFtpSiteConnected(FtpFolder* folder);
void DropFtpListings(FtpFolder* folder);
const FtpListEntry* FindFtpListEntry(FtpFolder* folder, const char* name);
// folder path + "/" (unless empty or ending in "/") + name; false when it would not fit 260.
bool JoinFtpPath(const char* folder, const char* name, std::string* out);
INT_PTR FtpFolderCommand(FtpFolder* folder, uint32_t command, const std::vector<std::string>& names, UINT_PTR argument,
                         UINT_PTR timeout, bool show);
int DeleteFtpItems(HWND owner, FtpFolder* folder, UINT count, LPCITEMIDLIST* items);
int CreateFtpDirectory(HWND owner, FtpFolder* folder, const char* name);
int GetFtpItemIcon(FtpFolder* folder, LPCITEMIDLIST item);

// What the file manager plugs in: the objects and flows with windows of their own.
struct FtpUiHooks {
  HRESULT (*createContextMenu)(FtpFolder* folder, HWND owner, UINT count, PCUITEMID_CHILD_ARRAY items, void** out) = nullptr;
  HRESULT (*createDropTarget)(FtpFolder* folder, void** out) = nullptr;
  int (*openFile)(FtpFolder* folder, HWND owner, const char* name) = nullptr;
  int (*newSite)(HWND owner, FtpFolder* root) = nullptr;
  int (*deleteSite)(HWND owner, FtpFolder* root, const char* name) = nullptr;
};
void SetFtpUiHooks(const FtpUiHooks& hooks);
const FtpUiHooks& GetFtpUiHooks();
int OpenFtpItem(FtpFolder* folder, HWND owner, const char* name);

// ---- Roots, paths and the program's entry points ----
LPCITEMIDLIST GetFtpRootPidl();
LPITEMIDLIST CopyFtpRootPidl();
BOOL IsFtpPidl(LPCITEMIDLIST list);
// The pane's root with a new reference; starts the library first (failure: null).
IShellFolder* GetFtpRootFolder(int pane);
// The pane's root without a new reference, or null when it was not made.
FtpFolder* PeekFtpRootFolder(int pane);
HRESULT GetFtpDisplayPath(LPCITEMIDLIST list, char* buffer, int size);
LPITEMIDLIST ParseFtpPath(const char* text);
HRESULT GetFtpItemInfo(IShellFolder* folder, LPCITEMIDLIST item, WIN32_FIND_DATAA* data, int size);
HRESULT GetFtpSiteColumnText(IShellFolder* root, LPCITEMIDLIST item, int column, char* buffer, int size);
void FlushFtpListings();
int ConfirmFtpExit(HWND mainWindow);
void ShutdownFtp();
