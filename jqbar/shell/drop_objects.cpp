#include "drop_objects.h"

#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <new>

#include "path_list_data.h"

namespace jqbar {
namespace {

std::atomic<long> g_live{0};

ButtonBarDropHandlers g_buttonBar;
MenuBarDropHandlers g_menuBar;
MenuWindowDropHandlers g_menuWindow;
PrintersBarDropHandlers g_printersBar;

FORMATETC Format(UINT format, LONG index = -1) {
  FORMATETC f{};
  f.cfFormat = CLIPFORMAT(format);
  f.dwAspect = DVASPECT_CONTENT;
  f.lindex = index;
  f.tymed = TYMED_HGLOBAL;
  return f;
}

// Global memory of one format, released on destruction.
class Medium {
 public:
  Medium(IDataObject* data, UINT format, LONG index = -1) {
    FORMATETC f = Format(format, index);
    if (data && SUCCEEDED(data->GetData(&f, &medium_))) {
      ok_ = true;
      if (medium_.tymed == TYMED_HGLOBAL && medium_.hGlobal) {
        size_ = GlobalSize(medium_.hGlobal);
        bytes_ = static_cast<const BYTE*>(GlobalLock(medium_.hGlobal));
      }
    }
  }
  ~Medium() {
    if (bytes_) GlobalUnlock(medium_.hGlobal);
    if (ok_) ReleaseStgMedium(&medium_);
  }
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;
  bool rendered() const { return ok_; }
  const BYTE* bytes() const { return bytes_; }
  SIZE_T size() const { return bytes_ ? size_ : 0; }
  HGLOBAL global() const { return medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

 private:
  STGMEDIUM medium_{};
  bool ok_ = false;
  const BYTE* bytes_ = nullptr;
  SIZE_T size_ = 0;
};

// Whether the data renders the format (the medium released at once).
bool CanRender(IDataObject* data, UINT format) { return Medium(data, format).rendered(); }

// Whether an item id list starting at `offset` ends (with its terminator) inside the block.
bool IdListInside(const BYTE* base, SIZE_T size, SIZE_T offset) {
  while (offset + 2 <= size) {
    USHORT cb;
    memcpy(&cb, base + offset, 2);
    if (cb == 0) return true;
    if (cb < 2 || cb > size - offset) return false;
    offset += cb;
  }
  return false;
}

// Whether a DROPFILES block's name list ends (with its double terminator) inside the block.
bool FileListInside(const BYTE* base, SIZE_T size) {
  if (!base || size < sizeof(DROPFILES)) return false;
  DROPFILES header;
  memcpy(&header, base, sizeof header);
  SIZE_T at = header.pFiles;
  if (at < sizeof(DROPFILES) || at >= size) return false;
  SIZE_T unit = header.fWide ? 2 : 1;
  bool previousEmpty = false;
  for (; at + unit <= size; at += unit) {
    bool zero = base[at] == 0 && (unit == 1 || base[at + 1] == 0);
    if (zero && previousEmpty) return true;
    previousEmpty = zero;
  }
  return false;
}

// The one effect a panel reports for a drop it makes an entry or a button of: a link where the
// source allows one, else a copy. Never a move: a source told that its data moved deletes the
// original, while the panel only points at it.
DWORD ShortcutEffect(DWORD allowed) {
  if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
  if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
  return DROPEFFECT_NONE;
}

bool EndsWithUrl(const char* name) {
  std::size_t n = strnlen(name, MAX_PATH);
  return n >= 4 && lstrcmpiA(name + n - 4, ".url") == 0;
}

// The first ".url" file the data describes: its index and descriptor. False when none.
bool FindUrlDescriptor(IDataObject* data, UINT* index, FILEDESCRIPTORA* descriptor) {
  Medium group(data, FileGroupDescriptorFormat());
  if (group.size() < sizeof(UINT)) return false;
  UINT count;
  memcpy(&count, group.bytes(), sizeof count);
  SIZE_T room = (group.size() - sizeof(UINT)) / sizeof(FILEDESCRIPTORA);
  if (count > room) count = UINT(room);
  for (UINT i = 0; i < count; ++i) {
    FILEDESCRIPTORA d;
    memcpy(&d, group.bytes() + sizeof(UINT) + i * sizeof(FILEDESCRIPTORA), sizeof d);
    d.cFileName[MAX_PATH - 1] = 0;
    if (EndsWithUrl(d.cFileName)) {
      *index = i;
      *descriptor = d;
      return true;
    }
  }
  return false;
}

// The Internet shortcut of the data's first ".url" descriptor; null when there is none.
UrlShortcut* DroppedUrl(IDataObject* data) {
  UINT index = 0;
  FILEDESCRIPTORA descriptor;
  if (!FindUrlDescriptor(data, &index, &descriptor)) return nullptr;
  Medium contents(data, FileContentsFormat(), LONG(index));
  if (!contents.bytes()) return nullptr;
  // The text is read no further than the memory block holds, whatever the descriptor says.
  SIZE_T bound = contents.size();
  if (descriptor.nFileSizeHigh == 0 && descriptor.nFileSizeLow && descriptor.nFileSizeLow < bound)
    bound = descriptor.nFileSizeLow;
  if (bound == 0) return nullptr;
  return ParseUrlShortcutText(descriptor.cFileName, reinterpret_cast<const char*>(contents.bytes()),
                              bound);
}

// Every file of CF_HDROP; false when the data has none.
template <typename Each>
bool ForEachDroppedFile(IDataObject* data, Each each) {
  Medium drop(data, CF_HDROP);
  HGLOBAL global = drop.global();
  if (!global || !FileListInside(drop.bytes(), drop.size())) return false;
  HDROP hdrop = static_cast<HDROP>(global);
  UINT count = DragQueryFileA(hdrop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT length = DragQueryFileA(hdrop, i, nullptr, 0);
    if (length == 0 || length >= MAX_PATH) continue;  // a path that does not fit is left out
    char path[MAX_PATH] = {};
    if (DragQueryFileA(hdrop, i, path, MAX_PATH)) each(path);
  }
  return true;
}

// Every item of "Shell IDList Array" with the parent folder's list; false when the data has
// none or the array does not hold together.
template <typename Each>
bool ForEachDroppedItem(IDataObject* data, Each each) {
  Medium ida(data, ShellIdListFormat());
  const BYTE* base = ida.bytes();
  SIZE_T size = ida.size();
  if (size < 2 * sizeof(UINT)) return false;
  UINT count;
  memcpy(&count, base, sizeof count);
  if (count > (size - sizeof(UINT)) / sizeof(UINT) - 1) return false;
  auto offsetAt = [&](UINT i) {
    UINT offset;
    memcpy(&offset, base + sizeof(UINT) * (1 + i), sizeof offset);
    return offset;
  };
  for (UINT i = 0; i <= count; ++i)
    if (!IdListInside(base, size, offsetAt(i))) return false;
  auto parent = reinterpret_cast<LPCITEMIDLIST>(base + offsetAt(0));
  for (UINT i = 1; i <= count; ++i) each(parent, reinterpret_cast<LPCITEMIDLIST>(base + offsetAt(i)));
  return true;
}


enum class TargetKind { ButtonBar, MenuWindow, MenuBar, PrintersBar };

class PanelDropTarget final : public IDropTarget {
 public:
  PanelDropTarget(HWND owner, TargetKind kind) : owner_(owner), kind_(kind) { ++g_live; }
  ~PanelDropTarget() { --g_live; }

  void Lock() { locked_ = SUCCEEDED(CoLockObjectExternal(this, TRUE, TRUE)); }
  void Unlock() {
    if (!locked_) return;
    locked_ = false;
    CoLockObjectExternal(this, FALSE, TRUE);
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
      *out = static_cast<IDropTarget*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    switch (kind_) {
      case TargetKind::ButtonBar:
        inDrag_ = true;
        if (g_buttonBar.setDropTarget) g_buttonBar.setDropTarget(owner_);
        break;
      case TargetKind::MenuBar:
        if (CanRender(data, CF_HDROP) || CanRender(data, ShellIdListFormat())) {
          inDrag_ = true;
          SetEffect(effect, effect ? ShortcutEffect(*effect) : DROPEFFECT_LINK);
          if (g_menuBar.setDropTarget) g_menuBar.setDropTarget(owner_);
        } else if (HasUrlDescriptor(data)) {
          inDrag_ = true;
          if (effect) *effect = ShortcutEffect(*effect);
          if (g_menuBar.setDropTarget) g_menuBar.setDropTarget(owner_);
        } else {
          SetEffect(effect, DROPEFFECT_NONE);
        }
        break;
      case TargetKind::MenuWindow:
        if (CanRender(data, CF_HDROP) || CanRender(data, ShellIdListFormat())) {
          inDrag_ = true;
          SetEffect(effect, effect ? ShortcutEffect(*effect) : DROPEFFECT_LINK);
          if (g_menuWindow.setDropTarget) g_menuWindow.setDropTarget(owner_);
        } else {
          SetEffect(effect, DROPEFFECT_NONE);
        }
        break;
      case TargetKind::PrintersBar:
        if (CanRender(data, CF_HDROP)) {
          inDrag_ = true;
          SetEffect(effect, DROPEFFECT_LINK);
          if (g_printersBar.setDropBar) g_printersBar.setDropBar(owner_);
        } else {
          SetEffect(effect, DROPEFFECT_NONE);
        }
        break;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL screen, DWORD* effect) override {
    POINT p = ToClient(screen);
    switch (kind_) {
      case TargetKind::ButtonBar: {
        if (!inDrag_) {
          SetEffect(effect, DROPEFFECT_NONE);
          break;
        }
        int dragKind = g_buttonBar.dragKind ? g_buttonBar.dragKind(owner_) : 0;
        bool accepts = g_buttonBar.trackDragOver && g_buttonBar.trackDragOver(owner_, p.x, p.y);
        if (!accepts)
          SetEffect(effect, DROPEFFECT_NONE);
        else if (dragKind == 1 || dragKind == 2)
          SetEffect(effect, DROPEFFECT_COPY);
        else if (effect)
          *effect = ShortcutEffect(*effect);
        break;
      }
      case TargetKind::MenuBar:
        if (!inDrag_ || !g_menuBar.trackDragOver || !g_menuBar.trackDragOver(owner_, p.x, p.y))
          SetEffect(effect, DROPEFFECT_NONE);
        else if (effect)
          *effect = ShortcutEffect(*effect);
        break;
      case TargetKind::MenuWindow:
        if (!inDrag_ || !g_menuWindow.hitTest || !g_menuWindow.hitTest(owner_, p.x, p.y))
          SetEffect(effect, DROPEFFECT_NONE);
        else if (effect)
          *effect = ShortcutEffect(*effect);
        break;
      case TargetKind::PrintersBar: {
        bool onPrinter = inDrag_ && g_printersBar.trackDragOverPrinter &&
                         g_printersBar.trackDragOverPrinter(owner_, p.x, p.y);
        SetEffect(effect, onPrinter ? DROPEFFECT_COPY : DROPEFFECT_NONE);
        break;
      }
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE DragLeave() override {
    if (kind_ == TargetKind::ButtonBar && g_buttonBar.trackDragOver)
      g_buttonBar.trackDragOver(owner_, -1, -1);
    if (kind_ == TargetKind::PrintersBar && g_printersBar.trackDragOverPrinter)
      g_printersBar.trackDragOverPrinter(owner_, -1, -1);
    EndDrag();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL screen, DWORD* effect) override {
    POINT p = ToClient(screen);
    if (effect && kind_ != TargetKind::PrintersBar) *effect = ShortcutEffect(*effect);
    // The panel's handlers may end the drag's owner; keep this object until the drop is over.
    AddRef();
    switch (kind_) {
      case TargetKind::ButtonBar: DropOnButtonBar(data, p); break;
      case TargetKind::MenuBar: DropOnMenuBar(data, p); break;
      case TargetKind::MenuWindow: DropOnMenuWindow(data, p); break;
      case TargetKind::PrintersBar:
        if (g_printersBar.trackDragOverPrinter) g_printersBar.trackDragOverPrinter(owner_, -1, -1);
        if (g_printersBar.dropOnPrinter) g_printersBar.dropOnPrinter(owner_, data, p.x, p.y);
        break;
    }
    EndDrag();
    Release();
    return S_OK;
  }

 private:
  static void SetEffect(DWORD* effect, DWORD value) {
    if (effect) *effect = value;
  }
  static bool HasUrlDescriptor(IDataObject* data) {
    UINT index;
    FILEDESCRIPTORA descriptor;
    return FindUrlDescriptor(data, &index, &descriptor);
  }
  POINT ToClient(POINTL screen) const {
    POINT p{screen.x, screen.y};
    ScreenToClient(owner_, &p);
    return p;
  }
  void EndDrag() {
    inDrag_ = false;
    switch (kind_) {
      case TargetKind::ButtonBar:
        if (g_buttonBar.setDropTarget) g_buttonBar.setDropTarget(nullptr);
        break;
      case TargetKind::MenuBar:
        if (g_menuBar.setDropTarget) g_menuBar.setDropTarget(nullptr);
        break;
      case TargetKind::MenuWindow:
        if (g_menuWindow.setDropTarget) g_menuWindow.setDropTarget(nullptr);
        break;
      case TargetKind::PrintersBar:
        if (g_printersBar.setDropBar) g_printersBar.setDropBar(nullptr);
        break;
    }
  }

  void DropOnButtonBar(IDataObject* data, POINT p) {
    const ButtonBarDropHandlers& h = g_buttonBar;
    if (h.trackDragOver) h.trackDragOver(owner_, -1, -1);
    if (h.dropOnBar && h.dropOnBar(owner_, p.x, p.y)) return;
    if (ForEachDroppedFile(data, [&](const char* path) {
          if (h.dropFile) h.dropFile(owner_, path, p.x, p.y);
        }))
      return;
    if (ForEachDroppedItem(data, [&](LPCITEMIDLIST parent, LPCITEMIDLIST item) {
          if (h.dropIdList) h.dropIdList(owner_, parent, item, p.x, p.y);
        }))
      return;
    if (UrlShortcut* url = DroppedUrl(data)) {
      if (h.dropUrl) h.dropUrl(owner_, url, p.x, p.y);
      FreeUrlShortcut(url);
    }
  }

  void DropOnMenuBar(IDataObject* data, POINT p) {
    const MenuBarDropHandlers& h = g_menuBar;
    if (h.dragKind && h.dragKind(owner_, p.x, p.y) == 0) {
      if (ForEachDroppedFile(data, [&](const char* path) {
            if (h.dropFile) h.dropFile(owner_, path, p.x, p.y);
          }))
        return;
      if (ForEachDroppedItem(data, [&](LPCITEMIDLIST parent, LPCITEMIDLIST item) {
            if (h.dropIdList) h.dropIdList(owner_, parent, item, p.x, p.y);
          }))
        return;
    }
    if (UrlShortcut* url = DroppedUrl(data)) {
      if (h.dropUrl) h.dropUrl(owner_, url, p.x, p.y);
      FreeUrlShortcut(url);
    }
  }

  void DropOnMenuWindow(IDataObject* data, POINT p) {
    const MenuWindowDropHandlers& h = g_menuWindow;
    if (!h.dragsEntry || h.dragsEntry()) {
      if (h.drop) h.drop(owner_, p.x, p.y);
      return;
    }
    if (ForEachDroppedFile(data, [&](const char* path) {
          if (h.dropFile) h.dropFile(owner_, path, p.x, p.y);
        }))
      return;
    ForEachDroppedItem(data, [&](LPCITEMIDLIST parent, LPCITEMIDLIST item) {
      if (h.dropIdList) h.dropIdList(owner_, parent, item, p.x, p.y);
    });
  }

  ULONG refs_ = 1;
  HWND owner_;
  TargetKind kind_;
  bool inDrag_ = false;
  bool locked_ = false;
};

IDropTarget* CreateTarget(HWND owner, TargetKind kind) {
  auto* target = new (std::nothrow) PanelDropTarget(owner, kind);
  if (target) target->Lock();
  return target;
}

void DestroyTarget(IDropTarget* target) {
  if (!target) return;
  static_cast<PanelDropTarget*>(target)->Unlock();
  target->Release();
}

UINT RegisteredFormat(const char* name) { return RegisterClipboardFormatA(name); }

}  // namespace

UINT ShellIdListFormat() {
  static UINT format = RegisteredFormat("Shell IDList Array");
  return format;
}
UINT FileGroupDescriptorFormat() {
  static UINT format = RegisteredFormat("FileGroupDescriptor");
  return format;
}
UINT FileContentsFormat() {
  static UINT format = RegisteredFormat("FileContents");
  return format;
}

IDropSource* CreatePanelDropSource() { return CreatePathDropSource(); }

void SetButtonBarDropHandlers(const ButtonBarDropHandlers& handlers) { g_buttonBar = handlers; }
void SetMenuBarDropHandlers(const MenuBarDropHandlers& handlers) { g_menuBar = handlers; }
void SetMenuWindowDropHandlers(const MenuWindowDropHandlers& handlers) { g_menuWindow = handlers; }
void SetPrintersBarDropHandlers(const PrintersBarDropHandlers& handlers) { g_printersBar = handlers; }

IDropTarget* CreateButtonBarDropTarget(HWND owner) { return CreateTarget(owner, TargetKind::ButtonBar); }
IDropTarget* CreateMenuWindowDropTarget(HWND owner) { return CreateTarget(owner, TargetKind::MenuWindow); }
IDropTarget* CreateMenuBarDropTarget(HWND owner) { return CreateTarget(owner, TargetKind::MenuBar); }
IDropTarget* CreatePrintersBarDropTarget(HWND owner) { return CreateTarget(owner, TargetKind::PrintersBar); }
void DestroyButtonBarDropTarget(IDropTarget* target) { DestroyTarget(target); }
void DestroyMenuWindowDropTarget(IDropTarget* target) { DestroyTarget(target); }
void DestroyMenuBarDropTarget(IDropTarget* target) { DestroyTarget(target); }
void DestroyPrintersBarDropTarget(IDropTarget* target) { DestroyTarget(target); }

long LiveDropObjectCount() { return g_live.load(); }

}  // namespace jqbar
