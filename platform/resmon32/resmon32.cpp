// RESMON32.DLL: the free share of the system's resources, as percentages, for the toolbar's
// system monitor. Kind 0 is the system as a whole (physical memory available), 1 the GDI
// objects and 2 the window-manager objects of the calling process, each measured against the
// system's per-process quota.
#include <windows.h>

namespace {

constexpr DWORD kObjectQuota = 10000;  // the default per-process GDI and USER object limit

int FreeOfQuota(DWORD used) {
  if (used >= kObjectQuota) return 0;
  return int((kObjectQuota - used) * 100 / kObjectQuota);
}

}  // namespace

extern "C" int WINAPI GetFreeRes(int kind) {
  switch (kind) {
    case 0: {
      MEMORYSTATUSEX status{};
      status.dwLength = sizeof status;
      if (!GlobalMemoryStatusEx(&status) || status.ullTotalPhys == 0) return 0;
      return int(status.ullAvailPhys * 100 / status.ullTotalPhys);
    }
    case 1:
      return FreeOfQuota(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    case 2:
      return FreeOfQuota(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
    default:
      return 0;
  }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
