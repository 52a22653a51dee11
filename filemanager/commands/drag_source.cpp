// Drags out of the file lists: the drop source, the data objects of archive and FTP panes that
// make their items real files when the drop has happened, and the begin-drag handler.
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive_extract.h"
#include "archive_folder.h"
#include "context_menus.h"
#include "file_list.h"
#include "file_pane.h"
#include "pane_drop_targets.h"
#include "path_list_data.h"
#include "com_object.h"
#include "pidl.h"

namespace {

// The selected file entries of an archive pane, named where extraction (without folder parts)
// puts them in the archive temporary folder.
IDataObject* ArchiveSelectionData(int pane) {
  char temp[MAX_PATH] = {};
  HWND list = FilePanes[pane].list;
  if (!list || !GetArchiveTempFolder(temp)) return nullptr;
  std::vector<std::string> paths;
  for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) {
    FileListItem* record = GetListItemRecord(list, i);
    if (!record || !record->entryPath || (record->fileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::string name = record->entryPath;
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (!name.empty()) paths.push_back(std::string(temp) + "\\" + name);
  }
  if (paths.empty()) return nullptr;
  return CreatePathListData(paths);
}

BOOL ExtractForDrag(int pane, HWND) { return ExtractArchiveSelection(pane) ? TRUE : FALSE; }

DragFolderHooks g_hooks{ArchiveSelectionData, ExtractForDrag, PaneShowsFtpFolder, FtpSelectionDragData,
                        DownloadFtpSelectionForDrag};

// The wrapper of an archive or FTP pane's data object. It counts its own references (the
// inner object's Release answer is advisory and never decides the wrapper's life) and holds one
// reference of the inner object until it goes.
class MaterialisingDataObject final : public ComObject<IDataObject, IID_IDataObject> {
 public:
  MaterialisingDataObject(IDataObject* inner, int pane, HWND list, DragMaterialiser materialise)
      : inner_(inner), pane_(pane), list_(list), materialise_(materialise) {}
  ~MaterialisingDataObject() {
    if (inner_) inner_->Release();
  }

  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
    bool buttonDown = GetKeyState(VK_LBUTTON) < 0 || GetKeyState(VK_RBUTTON) < 0;
    if (!materialised_ && !buttonDown) {
      if (failed_) return E_INVALIDARG;
      if (!materialise_ || !materialise_(pane_, list_)) {
        failed_ = true;
        return E_INVALIDARG;
      }
      materialised_ = true;
    }
    return inner_->GetData(format, medium);
  }
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override {
    return inner_->GetDataHere(format, medium);
  }
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override { return inner_->QueryGetData(format); }
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override {
    return inner_->GetCanonicalFormatEtc(in, out);
  }
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override {
    return inner_->SetData(format, medium, release);
  }
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    return inner_->EnumFormatEtc(direction, out);
  }
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink, DWORD* connection) override {
    return inner_->DAdvise(format, flags, sink, connection);
  }
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override { return inner_->DUnadvise(connection); }
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** out) override { return inner_->EnumDAdvise(out); }

 private:
  IDataObject* inner_;
  bool materialised_ = false;
  bool failed_ = false;
  int pane_;
  HWND list_;
  DragMaterialiser materialise_;
};

}  // namespace

DragFolderHooks& GetDragFolderHooks() { return g_hooks; }

IDropSource* CreateDropSource() { return CreatePathDropSource(); }

IDataObject* CreatePathListDataObject(std::vector<std::string> paths) { return CreatePathListData(paths); }

IDataObject* CreateArchiveDragDataObject(int pane, IDataObject* inner, DragMaterialiser extract) {
  if (!inner) return nullptr;
  return new (std::nothrow) MaterialisingDataObject(inner, pane, nullptr, extract);
}

IDataObject* CreateFtpDragDataObject(int pane, HWND list, IDataObject* inner, DragMaterialiser download) {
  if (!inner) return nullptr;
  return new (std::nothrow) MaterialisingDataObject(inner, pane, list, download);
}

DWORD BeginListDrag(HWND mainWindow, int pane, const NMLISTVIEW* info) {
  if (pane < 0 || pane > 1) return DROPEFFECT_NONE;
  FilePane& p = FilePanes[pane];
  if (!p.list) return DROPEFFECT_NONE;
  bool archive = p.listKind != kListKindShellFolder;
  bool ftp = !archive && g_hooks.paneShowsFtp && g_hooks.paneShowsFtp(pane);
  IDataObject* data = nullptr;
  UINT count = 0;
  std::unique_ptr<LPCITEMIDLIST[]> items;
  IShellFolder* folder = nullptr;
  if (archive) {
    if (g_hooks.archiveDataOf) data = g_hooks.archiveDataOf(pane);
  } else if (ftp) {
    if (g_hooks.ftpDataOf) data = g_hooks.ftpDataOf(pane);
  } else {
    items.reset(CollectSelectedListItems(p.list, &count));
    if (!items || !count) return DROPEFFECT_NONE;
    FileListItem* first = GetListItemRecord(
        p.list, static_cast<int>(SendMessageA(p.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
    if (!first || !first->folder) return DROPEFFECT_NONE;
    folder = first->folder;
    if (FAILED(folder->GetUIObjectOf(mainWindow, count, items.get(), IID_IDataObject, nullptr,
                                     reinterpret_cast<void**>(&data))))
      data = nullptr;
  }
  if (!data) return DROPEFFECT_NONE;
  if (archive) {
    IDataObject* wrapped = CreateArchiveDragDataObject(pane, data, g_hooks.extractArchiveSelection);
    if (!wrapped) data->Release();
    data = wrapped;
  } else if (ftp) {
    IDataObject* wrapped = CreateFtpDragDataObject(pane, p.list, data, g_hooks.downloadFtpSelection);
    if (!wrapped) data->Release();
    data = wrapped;
  }
  if (!data) return DROPEFFECT_NONE;
  if (count == 1 && items) g_dragSource.singleItem = CopyPidl(GetShellAllocator(), items[0]);
  g_dragSource.sourceFolder = folder;
  IDropSource* source = CreateDropSource();
  if (!source) {
    data->Release();
    FreePidl(g_dragSource.singleItem);
    g_dragSource.singleItem = nullptr;
    return DROPEFFECT_NONE;
  }
  LVHITTESTINFO hit{};
  GetCursorPos(&hit.pt);
  ScreenToClient(p.list, &hit.pt);
  int under = static_cast<int>(SendMessageA(p.list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  g_dragSource.draggedIndex = under >= 0 ? under : (info ? info->iItem : -1);
  g_dragSource.sourcePane = pane;
  DWORD allowed = (archive || ftp) ? DROPEFFECT_COPY : (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
  DWORD effect = DROPEFFECT_NONE;
  HRESULT result = DoDragDrop(data, source, allowed, &effect);
  g_dragSource.draggedIndex = -1;
  g_dragSource.sourceFolder = nullptr;
  source->Release();
  data->Release();
  FreePidl(g_dragSource.singleItem);
  g_dragSource.singleItem = nullptr;
  return result == DRAGDROP_S_DROP ? effect : DROPEFFECT_NONE;
}
