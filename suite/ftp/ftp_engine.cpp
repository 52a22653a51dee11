// The FTP engine's process-wide state.
#include "ftp_engine.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "seams.h"
#include "settings_store.h"

namespace {
csftp::Api g_api;
std::atomic<bool> g_started{false};
std::mutex g_libraryLock;
FtpEngineMode g_mode = FtpEngineMode::kFileManager;
HWND g_mainWindow = nullptr;
FtpSettings g_settings;
FtpModelessDialogHook g_addModeless = nullptr;
FtpModelessDialogHook g_removeModeless = nullptr;
}  // namespace

const csftp::Api& FtpLib() { return g_api; }

bool StartFtpLibraryFrom(const char* path) {
  std::lock_guard<std::mutex> hold(g_libraryLock);
  if (g_started) return true;
  csftp::Api api;
  if (!csftp::LoadApi(path, &api)) return false;
  if (!api.startup()) {
    csftp::UnloadApi(&api);
    return false;
  }
  g_api = api;
  g_started = true;
  return true;
}

bool StartFtpLibrary() {
  if (g_started) return true;
  char dir[MAX_PATH];
  if (!ReadInstallDir(dir)) return false;
  std::string path = dir;
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += "CSFTPL32.dll";
  return StartFtpLibraryFrom(path.c_str());
}

bool IsFtpLibraryStarted() { return g_started; }

void StopFtpLibrary() {
  std::lock_guard<std::mutex> hold(g_libraryLock);
  if (!g_started) return;
  g_api.shutdown();
  csftp::UnloadApi(&g_api);
  g_started = false;
}

void SetFtpEngineMode(FtpEngineMode mode) { g_mode = mode; }
FtpEngineMode GetFtpEngineMode() { return g_mode; }

void SetFtpMainWindow(HWND window) { g_mainWindow = window; }
HWND FtpMainWindow() { return g_mainWindow; }

void SetFtpModelessDialogHooks(FtpModelessDialogHook add, FtpModelessDialogHook remove) {
  g_addModeless = add;
  g_removeModeless = remove;
}

void AddFtpModelessDialog(HWND dialog) {
  if (dialog && g_addModeless) g_addModeless(dialog);
}

void RemoveFtpModelessDialog(HWND dialog) {
  if (dialog && g_removeModeless) g_removeModeless(dialog);
}

void RefreshFtpViews() {
  if (g_mainWindow && IsWindow(g_mainWindow)) SendMessageA(g_mainWindow, WM_COMMAND, kFtpRefreshCommand, 0);
}

HINSTANCE FtpResources() { return GetModuleHandleA(nullptr); }

std::string FtpString(UINT id) {
  char text[1024];
  int n = LoadStringA(FtpResources(), id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

FtpSettings& FtpSettingFlags() { return g_settings; }

void LoadFtpSettings() {
  ReadSettingDword("FTPShowText", &g_settings.showText);
  ReadSettingDword("FTPShowQueue", &g_settings.showQueue);
  ReadSettingDword("FTPHideOnConnect", &g_settings.hideOnConnect);
  ReadSettingDword("FTPNoEditWarning", &g_settings.noEditWarning);
}

void SaveFtpSettings() {
  WriteSettingDword("FTPShowText", &g_settings.showText);
  WriteSettingDword("FTPShowQueue", &g_settings.showQueue);
  WriteSettingDword("FTPHideOnConnect", &g_settings.hideOnConnect);
  WriteSettingDword("FTPNoEditWarning", &g_settings.noEditWarning);
}

std::string FtpLastErrorText() {
  if (!g_started) return {};
  int code = g_api.lastError();
  char text[260] = "";
  if (!code || !g_api.errorText(code, text, sizeof text)) return {};
  text[sizeof text - 1] = 0;
  return text;
}

void PumpFtpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

DWORD WaitPumping(HANDLE handle, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    // Wakes for the handle, for posted input and at once for messages sent by other threads
    // (the transfer and session threads write into this thread's windows).
    DWORD r = MsgWaitForMultipleObjects(1, &handle, FALSE, 10, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return r;
    if (r != WAIT_TIMEOUT && r != WAIT_OBJECT_0 + 1) return r;
    PumpFtpMessages();
    if (timeoutMs != INFINITE && GetTickCount() - start >= timeoutMs) return WAIT_TIMEOUT;
  }
}

int FtpMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  return seams::MessageBoxA(owner, text, caption, type);
}
