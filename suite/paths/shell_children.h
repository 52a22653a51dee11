// Reading a shell folder's children: in batches, with the system's critical-error boxes (a drive
// without its medium) kept off while the shell reads.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <functional>

// Critical-error boxes stay off for the object's life.
struct QuietErrors {
  UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  ~QuietErrors() { SetErrorMode(previous); }
};

// How many children one call of IEnumIDList::Next asks for.
constexpr ULONG kBatchSize = 500;

// The children of `folder` of the kinds `flags` asks for; `owner` is the window the shell may
// ask its questions over.
class ShellChildren {
 public:
  ShellChildren(IShellFolder* folder, HWND owner, SHCONTF flags);
  ~ShellChildren();
  ShellChildren(const ShellChildren&) = delete;
  ShellChildren& operator=(const ShellChildren&) = delete;
  // False when the folder cannot be listed.
  explicit operator bool() const { return items_ != nullptr; }
  // Hands each child's id list to `take`, which owns it from then on. `take` returning false
  // ends the listing; the children read but not handed over are freed.
  void ForEach(const std::function<bool(LPITEMIDLIST child)>& take);

 private:
  IEnumIDList* items_ = nullptr;
};
