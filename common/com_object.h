// The IUnknown part of the suite's small COM objects that offer one interface: QueryInterface
// for IUnknown and that interface, a reference count that is safe across threads, and deletion
// at the last Release. An object starts with one reference, its creator's.
//   class Target final : public ComObject<IDropTarget, IID_IDropTarget> { ... };
#pragma once
#include <windows.h>
#include <objbase.h>

#include <atomic>

template <class Interface, const IID& kInterfaceId>
class ComObject : public Interface {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;
  virtual ~ComObject() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kInterfaceId)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};
