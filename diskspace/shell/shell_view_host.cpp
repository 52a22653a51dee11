// The hosted shell view: a browser object of our own that the shell's IShellView of the selected
// folder talks to, and a hidden desktop view whose Edit menu gives the shell's Undo.
#include "shell_view_host.h"

#include <objidl.h>
#include <shlwapi.h>

#include <cstring>

#include "resource_shell.h"

namespace {

// Set while the file view has the focus; menus are merged only then.
BOOL filePaneActive = FALSE;
HostedFilePane* currentPane = nullptr;

// Shell menu-group ids of the merged top-level items.
constexpr UINT kGroupFile = FCIDM_MENU_FILE;          // 0x8000
constexpr UINT kGroupEdit = FCIDM_MENU_EDIT;          // 0x8040
constexpr UINT kGroupView = FCIDM_MENU_VIEW;          // 0x8080
constexpr UINT kGroupTools = FCIDM_MENU_TOOLS;        // 0x80C0
constexpr UINT kGroupHelp = FCIDM_MENU_HELP;          // 0x8100
constexpr UINT kGroupTree = 40958;
constexpr UINT kViewOptionsSeparator = FCIDM_MENU_VIEW_SEP_OPTIONS;  // 0x8081
constexpr UINT kStatusBarId = 40961;
constexpr UINT kToolbarId = 40960;
constexpr UINT kTreeId = 1000;

// Removes from every popup of `menu` a first item whose id is 0 (a leading separator).
void RemoveLeadingSeparators(HMENU menu) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    HMENU popup = GetSubMenu(menu, i);
    if (!popup || GetMenuItemCount(popup) <= 0) continue;
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
    if (GetMenuItemInfoA(popup, 0, TRUE, &info) && info.wID == 0 && !info.hSubMenu)
      DeleteMenu(popup, 0, MF_BYPOSITION);
  }
}

// Common IUnknown plumbing of both browsers: real reference counts, freed at 0.
template <class Derived>
class BrowserBase : public IShellBrowser {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
        IsEqualIID(riid, IID_IShellBrowser)) {
      *out = static_cast<IShellBrowser*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete static_cast<Derived*>(this);
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = parent_;
    return parent_ ? S_OK : E_FAIL;
  }

 protected:
  explicit BrowserBase(HWND parent) : parent_(parent) {}
  virtual ~BrowserBase() = default;
  volatile LONG refs_ = 1;
  HWND parent_ = nullptr;
};

}  // namespace

// The browser of one file pane.
class FilePaneBrowser : public BrowserBase<FilePaneBrowser> {
 public:
  FilePaneBrowser(HWND parent, HWND treeDialog, IShellFolder* folder)
      : BrowserBase(parent), treeDialog_(treeDialog), folder_(folder) {
    if (folder_) folder_->AddRef();
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream_))) {
      LARGE_INTEGER zero{};
      stream_->Seek(zero, STREAM_SEEK_SET, nullptr);
    }
  }

  IShellFolder* folder() const { return folder_; }
  IShellView* view() const { return view_; }
  HWND viewWindow() const { return viewWindow_; }
  void SetView(IShellView* view, HWND window) {
    view_ = view;  // takes the caller's reference
    viewWindow_ = window;
  }
  // Saves the view's state, takes the view down and lets go of it.
  void CloseView() {
    if (!view_) return;
    if (stream_) view_->SaveViewState();
    view_->UIActivate(SVUIA_DEACTIVATE);
    view_->DestroyViewWindow();
    view_->Release();
    view_ = nullptr;
    viewWindow_ = nullptr;
  }

  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE InsertMenusSB(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override {
    if (!filePaneActive || !shared || !IsMenu(shared)) return S_OK;
    HMENU merged = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_FILEPANE_MENU));
    if (!merged) return S_OK;
    static const char* const kTitles[] = {"&File", "&Edit", "&Tree", "&View", "Too&ls", "&Help"};
    static const UINT kIds[] = {kGroupFile, kGroupEdit, kGroupTree, kGroupView, kGroupTools, kGroupHelp};
    int index = 0;
    // The popups move into the shared menu, which then owns them (the shell destroys it).
    while (GetMenuItemCount(merged) > 0 && index < 6) {
      HMENU popup = GetSubMenu(merged, 0);
      RemoveMenu(merged, 0, MF_BYPOSITION);
      if (!popup) popup = CreatePopupMenu();  // the Edit popup has no items of its own
      AppendMenuA(shared, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), kTitles[index]);
      MENUITEMINFOA info{};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_ID;
      info.wID = kIds[index];
      SetMenuItemInfoA(shared, GetMenuItemCount(shared) - 1, TRUE, &info);
      if (index == 3 && GetMenuItemCount(popup) > 0) {
        MENUITEMINFOA first{};
        first.cbSize = sizeof(first);
        first.fMask = MIIM_ID;
        first.wID = kViewOptionsSeparator;
        SetMenuItemInfoA(popup, 0, TRUE, &first);
      }
      ++index;
    }
    DestroyMenu(merged);
    if (widths) {
      static const LONG kWidths[6] = {4, 0, 4, 0, 1, 0};
      std::memcpy(widths->width, kWidths, sizeof(kWidths));
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetMenuSB(HMENU shared, HOLEMENU, HWND activeObject) override {
    if (!filePaneActive) return S_OK;
    activeObject_ = activeObject;
    if (shared && IsMenu(shared)) {
      RemoveLeadingSeparators(shared);
      SetMenu(parent_, shared);
      DrawMenuBar(parent_);
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE RemoveMenusSB(HMENU shared) override {
    if (!shared || !IsMenu(shared)) return S_OK;
    static const UINT kIds[] = {0x8000, 0x8040, 0x8080, 0x80C0, 0x8100, 40958, 40957, 40956, 40955};
    for (UINT id : kIds) DeleteMenu(shared, id, MF_BYCOMMAND);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE EnableModelessSB(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAcceleratorSB(MSG*, WORD) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE pidl, UINT flags) override;

  HRESULT STDMETHODCALLTYPE GetViewStateStream(DWORD mode, IStream** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!stream_) return E_NOTIMPL;
    LARGE_INTEGER zero{};
    stream_->Seek(zero, STREAM_SEEK_SET, nullptr);
    // A write request starts from an empty stream each time.
    if ((mode & 3) == STGM_WRITE) {
      ULARGE_INTEGER empty{};
      stream_->SetSize(empty);
    }
    stream_->AddRef();
    *out = stream_;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE GetControlWindow(UINT id, HWND* out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    switch (id) {
      case FCW_STATUS: *out = GetDlgItem(parent_, kStatusBarId); return S_OK;
      case FCW_TOOLBAR: *out = GetDlgItem(parent_, kToolbarId); return S_OK;
      case FCW_TREE: {
        HWND tree = treeDialog_ ? GetDlgItem(treeDialog_, kTreeId) : nullptr;
        if (!tree || !IsWindowVisible(tree)) return E_NOTIMPL;
        *out = tree;
        return S_OK;
      }
      default: return S_OK;
    }
  }

  HRESULT STDMETHODCALLTYPE SendControlMsg(UINT id, UINT message, WPARAM wParam, LPARAM lParam,
                                           LRESULT* result) override {
    HWND target = nullptr;
    if (id == FCW_STATUS) target = GetDlgItem(parent_, kStatusBarId);
    else if (id == FCW_TOOLBAR) target = GetDlgItem(parent_, kToolbarId);
    else return E_NOTIMPL;
    LRESULT r = target ? SendMessageA(target, message, wParam, lParam) : 0;
    if (result) *result = r;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** out) override {
    if (!out) return E_POINTER;
    *out = view_;
    if (!view_) return E_FAIL;
    view_->AddRef();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override {
    SendMessageA(parent_, kMsgFileViewActive, reinterpret_cast<WPARAM>(viewWindow_),
                 reinterpret_cast<LPARAM>(viewWindow_));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return S_OK; }

 private:
  friend class BrowserBase<FilePaneBrowser>;
  ~FilePaneBrowser() override {
    // A view still held here may call back into the browser while it goes: keep it alive.
    refs_ = 1 << 20;
    CloseView();
    if (folder_) folder_->Release();
    if (stream_) stream_->Release();
  }

  HWND treeDialog_ = nullptr;
  HWND activeObject_ = nullptr;
  HWND viewWindow_ = nullptr;
  IShellFolder* folder_ = nullptr;
  IShellView* view_ = nullptr;
  IStream* stream_ = nullptr;
};

// The browser's navigation requests go to the size tree, which selects the folder.
#include "shell_host.h"

HRESULT STDMETHODCALLTYPE FilePaneBrowser::BrowseObject(PCUIDLIST_RELATIVE pidl, UINT flags) {
  LPITEMIDLIST current = nullptr;
  IPersistFolder2* persist = nullptr;
  if (folder_ && SUCCEEDED(folder_->QueryInterface(IID_IPersistFolder2, reinterpret_cast<void**>(&persist)))) {
    persist->GetCurFolder(&current);
    persist->Release();
  }
  LPITEMIDLIST target = nullptr;
  if (flags & SBSP_PARENT) {
    if (current) {
      target = ILClone(current);
      ILRemoveLastID(target);
    }
  } else if (flags & SBSP_RELATIVE) {
    if (current && pidl) target = ILCombine(current, pidl);
  } else if (pidl) {
    target = ILClone(pidl);
  }
  if (target) ShellHostSelectIdList(parent_, target);
  if (target) ILFree(target);
  if (current) ILFree(current);
  return S_OK;
}

namespace {

// The hidden desktop view's browser; its Edit popup receives the shell's Undo item.
class UndoViewBrowser : public BrowserBase<UndoViewBrowser> {
 public:
  UndoViewBrowser(HWND parent, IShellFolder* desktop) : BrowserBase(parent), desktop_(desktop) {
    if (desktop_) desktop_->AddRef();
  }
  IShellView* view() const { return view_; }
  HWND viewWindow() const { return viewWindow_; }
  HMENU editPopup() const { return editPopup_; }
  HMENU sharedMenu() const { return shared_; }
  void SetView(IShellView* view, HWND window) {
    view_ = view;
    viewWindow_ = window;
  }
  IShellFolder* desktop() const { return desktop_; }

  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InsertMenusSB(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override {
    if (!shared) return E_INVALIDARG;
    HMENU popup = CreatePopupMenu();
    AppendMenuA(shared, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), "&Edit");
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID;
    info.wID = FCIDM_MENU_EDIT;
    SetMenuItemInfoA(shared, GetMenuItemCount(shared) - 1, TRUE, &info);
    if (widths) {
      widths->width[0] = 1;
      widths->width[2] = 0;
      widths->width[4] = 0;
    }
    editPopup_ = popup;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMenuSB(HMENU shared, HOLEMENU, HWND activeObject) override {
    shared_ = shared;
    activeObject_ = activeObject;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RemoveMenusSB(HMENU shared) override {
    if (shared) RemoveMenu(shared, FCIDM_MENU_EDIT, MF_BYCOMMAND);
    if (shared == shared_) shared_ = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnableModelessSB(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAcceleratorSB(MSG*, WORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetViewStateStream(DWORD, IStream** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND* out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT* result) override {
    if (result) *result = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** out) override {
    if (!out) return E_POINTER;
    *out = view_;
    if (!view_) return E_FAIL;
    view_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

  void CloseView() {
    if (!view_) return;
    view_->UIActivate(SVUIA_DEACTIVATE);
    view_->DestroyViewWindow();
    view_->Release();
    view_ = nullptr;
    viewWindow_ = nullptr;
  }

 private:
  friend class BrowserBase<UndoViewBrowser>;
  ~UndoViewBrowser() override {
    refs_ = 1 << 20;
    CloseView();
    // The Edit popup is destroyed with the browser unless a shared menu still holds it.
    if (editPopup_ && IsMenu(editPopup_)) DestroyMenu(editPopup_);
    if (desktop_) desktop_->Release();
  }
  IShellFolder* desktop_ = nullptr;
  IShellView* view_ = nullptr;
  HWND viewWindow_ = nullptr;
  HWND activeObject_ = nullptr;
  HMENU editPopup_ = nullptr;
  HMENU shared_ = nullptr;
};

UndoViewBrowser* undoBrowser = nullptr;

}  // namespace

HostedFilePane* CreateFilePane(HostedFilePane* previous, HWND parent, HWND treeDialog,
                               IShellFolder* folder, const RECT* rect,
                               const FOLDERSETTINGS* settings, HWND* viewWindow) {
  if (viewWindow) *viewWindow = nullptr;
  auto* pane = new HostedFilePane();
  pane->instance = GetModuleHandleA(nullptr);
  pane->parent = parent;
  currentPane = pane;
  if (!folder) return pane;

  pane->browser = new FilePaneBrowser(parent, treeDialog, folder);
  IShellView* view = nullptr;
  if (FAILED(folder->CreateViewObject(parent, IID_IShellView, reinterpret_cast<void**>(&view))) || !view) {
    pane->browser->Release();
    delete pane;
    currentPane = nullptr;
    return nullptr;
  }
  IShellView* previousView =
      previous && previous->browser ? previous->browser->view() : nullptr;
  FOLDERSETTINGS fs{};
  if (settings) fs = *settings;
  if (fs.ViewMode == 0) fs.ViewMode = FVM_ICON;
  RECT r{};
  if (rect) r = *rect;
  HWND window = nullptr;
  HRESULT hr = view->CreateViewWindow(previousView, &fs, pane->browser, &r, &window);
  if (FAILED(hr) || !window) {
    view->Release();
    pane->browser->Release();
    delete pane;
    currentPane = nullptr;
    return nullptr;
  }
  pane->browser->SetView(view, window);
  if (viewWindow) *viewWindow = window;
  view->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
  return pane;
}

void DestroyFilePane(HostedFilePane* pane) {
  filePaneActive = FALSE;
  if (!pane) return;
  if (pane->browser) {
    pane->browser->CloseView();
    pane->browser->Release();
    pane->browser = nullptr;
  }
  if (pane->paneWindow) DestroyWindow(pane->paneWindow);
  if (currentPane == pane) currentPane = nullptr;
  delete pane;
}

void SetFilePaneActive(HostedFilePane* pane, BOOL active) {
  filePaneActive = active ? TRUE : FALSE;
  if (!active && pane && pane->browser && pane->browser->view())
    pane->browser->view()->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
}

BOOL IsFilePaneActive() { return filePaneActive; }

LRESULT ForwardCommandToView(HostedFilePane* pane, UINT command) {
  if (!pane) return 0;
  HWND view = pane->browser ? pane->browser->viewWindow() : nullptr;
  if (view) return SendMessageA(view, WM_COMMAND, command, 0);
  if (pane->paneWindow) return SendMessageA(pane->paneWindow, WM_COMMAND, command, 0);
  return 0;
}

BOOL TranslateViewAccelerator(HostedFilePane* pane, MSG* message) {
  if (!pane || !pane->browser || !pane->browser->view() || !message) return FALSE;
  return pane->browser->view()->TranslateAccelerator(message) == S_OK;
}

UINT GetFileViewMode(HostedFilePane* pane) {
  if (!pane || !pane->browser || !pane->browser->view()) return 1;
  FOLDERSETTINGS fs{};
  if (FAILED(pane->browser->view()->GetCurrentInfo(&fs)) || fs.ViewMode == 0) return 1;
  return fs.ViewMode;
}

HWND GetFilePaneViewWindow(HostedFilePane* pane) {
  return pane && pane->browser ? pane->browser->viewWindow() : nullptr;
}

HostedFilePane* GetCurrentFilePane() { return currentPane; }

IShellBrowser* GetCurrentFileBrowser() {
  return currentPane && currentPane->browser ? currentPane->browser : nullptr;
}

BOOL CreateUndoBrowser(HWND parent, IShellFolder* desktop) {
  DestroyUndoBrowser();
  if (!desktop) return FALSE;
  auto* browser = new UndoViewBrowser(parent, desktop);
  IShellView* view = nullptr;
  if (FAILED(desktop->CreateViewObject(parent, IID_IShellView, reinterpret_cast<void**>(&view))) || !view) {
    browser->Release();
    return FALSE;
  }
  FOLDERSETTINGS fs{FVM_ICON, 0};
  RECT empty{};
  HWND window = nullptr;
  if (FAILED(view->CreateViewWindow(nullptr, &fs, browser, &empty, &window)) || !window) {
    view->Release();
    browser->Release();
    return FALSE;
  }
  browser->SetView(view, window);
  ShowWindow(window, SW_HIDE);
  view->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
  ShowWindow(window, SW_HIDE);
  undoBrowser = browser;
  return TRUE;
}

void DestroyUndoBrowser() {
  if (!undoBrowser) return;
  UndoViewBrowser* browser = undoBrowser;
  undoBrowser = nullptr;
  browser->CloseView();
  browser->Release();
}

namespace {

// Depth-first search of a menu tree for an item id.
bool FindMenuItem(HMENU menu, UINT id, HMENU* owner, int* position) {
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    HMENU sub = GetSubMenu(menu, i);
    if (sub) {
      if (FindMenuItem(sub, id, owner, position)) return true;
    } else if (GetMenuItemID(menu, i) == id) {
      *owner = menu;
      *position = i;
      return true;
    }
  }
  return false;
}

}  // namespace

BOOL GetUndoMenuText(char* buffer, int size) {
  if (!buffer || size <= 0) return FALSE;
  lstrcpynA(buffer, "&Undo (default)", size);
  if (!undoBrowser || !undoBrowser->viewWindow()) return FALSE;
  HMENU popup = undoBrowser->editPopup();
  if (popup && IsMenu(popup))
    SendMessageA(undoBrowser->viewWindow(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
  HMENU menus[2] = {undoBrowser->sharedMenu(), popup};
  for (HMENU menu : menus) {
    if (!menu || !IsMenu(menu)) continue;
    HMENU owner = nullptr;
    int position = 0;
    if (!FindMenuItem(menu, kShellUndoCommand, &owner, &position)) continue;
    char text[101] = {};
    GetMenuStringA(owner, position, text, sizeof(text), MF_BYPOSITION);
    lstrcpynA(buffer, text, size < 101 ? size : 101);
    UINT state = GetMenuState(owner, position, MF_BYPOSITION);
    return (state & (MF_GRAYED | MF_DISABLED)) ? FALSE : TRUE;
  }
  return FALSE;
}

void InvokeShellUndo() {
  if (undoBrowser && undoBrowser->viewWindow())
    SendMessageA(undoBrowser->viewWindow(), WM_COMMAND, kShellUndoCommand, 0);
}
