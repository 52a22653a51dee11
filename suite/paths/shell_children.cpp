#include "shell_children.h"

#include "pidl.h"

ShellChildren::ShellChildren(IShellFolder* folder, HWND owner, SHCONTF flags) {
  if (!folder) return;
  QuietErrors quiet;
  if (FAILED(folder->EnumObjects(owner, flags, &items_))) items_ = nullptr;
}

ShellChildren::~ShellChildren() {
  if (items_) items_->Release();
}

void ShellChildren::ForEach(const std::function<bool(LPITEMIDLIST child)>& take) {
  if (!items_) return;
  LPITEMIDLIST batch[kBatchSize];
  for (;;) {
    ULONG fetched = 0;
    HRESULT hr;
    {
      QuietErrors quiet;
      hr = items_->Next(kBatchSize, batch, &fetched);
    }
    if (FAILED(hr)) return;
    if (fetched > kBatchSize) fetched = kBatchSize;
    for (ULONG i = 0; i < fetched; ++i) {
      if (!take(batch[i])) {
        for (ULONG j = i + 1; j < fetched; ++j) FreePidl(batch[j]);
        return;
      }
    }
    if (hr != S_OK) return;
  }
}
