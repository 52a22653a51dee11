#include "path_list_data.h"

#include "com_object.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <new>

namespace {

const FORMATETC kHdropFormat = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};

class PathFormatEnum : public ComObject<IEnumFORMATETC, IID_IEnumFORMATETC> {
 public:
  PathFormatEnum(const FORMATETC* formats, ULONG count, ULONG position)
      : formats_(formats), count_(count), position_(position) {}
  STDMETHODIMP Next(ULONG count, FORMATETC* out, ULONG* fetched) override {
    if (!formats_) return S_FALSE;
    if (fetched) *fetched = 0;
    else if (count != 1) return E_POINTER;
    if (position_ >= count_ || !out) return S_FALSE;
    ULONG n = 0;
    while (n < count && position_ < count_) out[n++] = formats_[position_++];
    if (fetched) *fetched = n;
    return S_OK;
  }
  STDMETHODIMP Skip(ULONG n) override {
    if (position_ + n >= count_) return S_FALSE;
    position_ += n;
    return S_OK;
  }
  STDMETHODIMP Reset() override {
    position_ = 0;
    return S_OK;
  }
  STDMETHODIMP Clone(IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = new (std::nothrow) PathFormatEnum(formats_, count_, position_);
    return *out ? S_OK : E_OUTOFMEMORY;
  }

 private:
  const FORMATETC* formats_;
  ULONG count_, position_;
};

class PathListData : public ComObject<IDataObject, IID_IDataObject> {
 public:
  explicit PathListData(std::vector<unsigned char> block) : block_(std::move(block)) {}
  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (!format || !medium) return E_POINTER;
    if (!(format->tymed & TYMED_HGLOBAL) || format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    if (block_.empty()) return E_FAIL;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, block_.size());
    if (!memory) return STG_E_MEDIUMFULL;
    memcpy(GlobalLock(memory), block_.data(), block_.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* format) override {
    if (!format || !(format->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
    return format->cfFormat == CF_HDROP ? S_OK : S_FALSE;
  }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (direction != DATADIR_GET) return E_FAIL;
    *out = new (std::nothrow) PathFormatEnum(&kHdropFormat, 1, 0);
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<unsigned char> block_;
};

class PathDropSource : public ComObject<IDropSource, IID_IDropSource> {
 public:
  STDMETHODIMP QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape) return DRAGDROP_S_CANCEL;
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
    return S_OK;
  }
  STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

 private:
};

}  // namespace

std::vector<unsigned char> BuildDropFiles(const std::vector<std::string>& paths) {
  std::vector<unsigned char> block(20, 0);
  block[0] = 20;  // pFiles; the point, fNC and fWide stay 0
  for (const std::string& path : paths) {
    block.insert(block.end(), path.begin(), path.end());
    block.push_back(0);
  }
  block.push_back(0);
  return block;
}

IDataObject* CreatePathListData(const std::vector<std::string>& paths) {
  std::vector<unsigned char> block;
  try {
    block = BuildDropFiles(paths);
  } catch (const std::bad_alloc&) {
    block.clear();
  }
  return new (std::nothrow) PathListData(std::move(block));
}

IDropSource* CreatePathDropSource() { return new (std::nothrow) PathDropSource(); }
