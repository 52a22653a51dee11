// Binds CSFTPL32.dll by ordinal.
#include "csftpl32.h"

namespace csftp {

namespace {
template <typename F>
bool Bind(HMODULE m, int ordinal, F* out) {
  FARPROC p = GetProcAddress(m, MAKEINTRESOURCEA(ordinal));
  *out = reinterpret_cast<F>(reinterpret_cast<void*>(p));
  return p != nullptr;
}
}  // namespace

bool LoadApi(const char* fullPath, Api* api) {
  *api = Api{};
  if (!fullPath || !*fullPath) return false;
  HMODULE m = LoadLibraryA(fullPath);
  if (!m) return false;
  Api a;
  a.module = m;
  bool ok = Bind(m, 40, &a.startup) && Bind(m, 69, &a.shutdown) && Bind(m, 12, &a.connect) &&
            Bind(m, 67, &a.setPassive) && Bind(m, 43, &a.login) && Bind(m, 6, &a.changeDir) &&
            Bind(m, 21, &a.currentDir) && Bind(m, 16, &a.disconnect) && Bind(m, 31, &a.replyText) &&
            Bind(m, 29, &a.lastError) && Bind(m, 23, &a.errorText) && Bind(m, 82, &a.listMode) &&
            Bind(m, 78, &a.openList) && Bind(m, 87, &a.firstEntry) && Bind(m, 89, &a.nextEntry) &&
            Bind(m, 80, &a.closeList) && Bind(m, 57, &a.deleteFile) && Bind(m, 59, &a.rename) &&
            Bind(m, 14, &a.makeDir) && Bind(m, 55, &a.removeDir) && Bind(m, 65, &a.setType) &&
            Bind(m, 48, &a.openFile) && Bind(m, 54, &a.read) && Bind(m, 72, &a.write) &&
            Bind(m, 39, &a.transferTime) && Bind(m, 9, &a.closeFile);
  if (!ok) {
    FreeLibrary(m);
    return false;
  }
  *api = a;
  return true;
}

void UnloadApi(Api* api) {
  if (api->module) FreeLibrary(api->module);
  *api = Api{};
}

}  // namespace csftp
