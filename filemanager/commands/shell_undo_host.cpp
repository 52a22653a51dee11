// The hidden desktop view and its shell browser, for the shell's Undo.
#include "shell_undo_host.h"

#include <cstdio>
#include <new>

#include "command_handlers.h"

namespace {

constexpr UINT kMenuEditId = 0x8040;  // FCIDM_MENU_EDIT

class ShellBrowserHost : public IShellBrowser {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IShellBrowser)) {
      *out = static_cast<IShellBrowser*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Counted, never freed here: the program owns the object.
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
  ULONG STDMETHODCALLTYPE Release() override { return InterlockedDecrement(&count_); }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = owner;
    return owner ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InsertMenusSB(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override {
    if (!shared) return S_OK;
    editPopup = CreatePopupMenu();
    AppendMenuA(shared, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(editPopup), "&Edit");
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID;
    info.wID = kMenuEditId;
    SetMenuItemInfoA(shared, 0, TRUE, &info);
    if (widths) {
      widths->width[0] = 1;
      widths->width[2] = 0;
      widths->width[4] = 0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMenuSB(HMENU shared, HOLEMENU, HWND active) override {
    sharedMenu = shared;
    activeObject = active;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RemoveMenusSB(HMENU shared) override {
    if (shared) RemoveMenu(shared, kMenuEditId, MF_BYCOMMAND);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnableModelessSB(BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAcceleratorSB(MSG*, WORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE BrowseObject(LPCITEMIDLIST, UINT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetViewStateStream(DWORD, IStream**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetControlWindow(UINT, HWND*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellView** out) override {
    if (!out) return E_POINTER;
    *out = view;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnViewWindowActive(IShellView*) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

  LONG count_ = 0;
  HWND owner = nullptr;
  HWND activeObject = nullptr;
  HWND viewWindow = nullptr;
  HMENU sharedMenu = nullptr;
  HMENU editPopup = nullptr;
  IShellFolder* folder = nullptr;
  IShellView* view = nullptr;
};

ShellBrowserHost* g_host = nullptr;

void FreeHost(ShellBrowserHost* host) {
  if (host->view) {
    host->view->UIActivate(SVUIA_DEACTIVATE);
    if (host->viewWindow) host->view->DestroyViewWindow();
    host->view->Release();
  }
  if (host->folder) host->folder->Release();
  if (host->editPopup && IsMenu(host->editPopup)) DestroyMenu(host->editPopup);
  delete host;
}

}  // namespace

UINT CreateHiddenShellView(HWND window, IShellFolder* folder) {
  if (g_host || !folder) return g_host ? 1 : 0;
  auto* host = new (std::nothrow) ShellBrowserHost();
  if (!host) return 0;
  host->owner = window;
  host->folder = folder;
  folder->AddRef();
  if (FAILED(folder->CreateViewObject(window, IID_IShellView, reinterpret_cast<void**>(&host->view))) ||
      !host->view) {
    host->view = nullptr;
    FreeHost(host);
    return 0;
  }
  FOLDERSETTINGS settings{FVM_ICON, 0};
  RECT empty{0, 0, 0, 0};
  if (FAILED(host->view->CreateViewWindow(nullptr, &settings, host, &empty, &host->viewWindow)) ||
      !host->viewWindow) {
    host->viewWindow = nullptr;
    FreeHost(host);
    return 0;
  }
  ShowWindow(host->viewWindow, SW_HIDE);
  host->view->UIActivate(SVUIA_ACTIVATE_NOFOCUS);
  ShowWindow(host->viewWindow, SW_HIDE);
  g_host = host;
  return 1;
}

void DestroyHiddenShellView() {
  if (!g_host) return;
  ShellBrowserHost* host = g_host;
  g_host = nullptr;
  FreeHost(host);
}

UINT GetShellUndoText(char* buffer) {
  if (!buffer) return 0;
  snprintf(buffer, 100, "%s", "&Undo (default)");
  if (!g_host || !g_host->viewWindow) return 0;
  if (g_host->editPopup) SendMessageA(g_host->viewWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(g_host->editPopup), 0);
  HMENU shared = g_host->sharedMenu;
  if (!shared || !IsMenu(shared)) return 0;
  for (int i = 0, n = GetMenuItemCount(shared); i < n; ++i) {
    HMENU sub = GetSubMenu(shared, i);
    if (!sub) continue;
    for (int j = 0, m = GetMenuItemCount(sub); j < m; ++j) {
      if (GetMenuItemID(sub, j) != kShellUndoCommand) continue;
      char text[101] = {};
      GetMenuStringA(sub, j, text, 100, MF_BYPOSITION);
      snprintf(buffer, 100, "%s", text);
      UINT state = GetMenuState(sub, j, MF_BYPOSITION);
      return (state & (MFS_GRAYED | MFS_DISABLED)) ? 0 : 1;
    }
  }
  return 0;
}

void InvokeShellUndo() {
  if (g_host && g_host->viewWindow) SendMessageA(g_host->viewWindow, WM_COMMAND, kShellUndoCommand, 0);
}

IShellBrowser* ShellUndoBrowser() { return g_host; }

JQ_COMMAND_HANDLER(UndoLastOperation) {
  char text[100];
  if (!GetShellUndoText(text)) return RefuseCommand();
  InvokeShellUndo();
  return 0;
}
