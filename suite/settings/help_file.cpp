#include "help_file.h"
#include <atomic>
#include <cstdio>
#include <cstring>
#include "seams.h"
#include "settings_store.h"

namespace {
std::atomic<bool> g_helpOpened{false};
}  // namespace

void GetHelpFilePath(char* buffer, size_t size) {
  char folder[MAX_PATH] = "";
  ReadInstallDir(folder);
  size_t n = strlen(folder);
  snprintf(buffer, size, "%s%sQuorvnel.hlp", folder, n && folder[n - 1] != '\\' ? "\\" : "");
}

void ShowHelpTopic(HWND owner, UINT contextId) {
  char path[MAX_PATH + 16];
  GetHelpFilePath(path, sizeof path);
  BOOL ok = contextId ? seams::WinHelpA(owner, path, HELP_CONTEXT, contextId)
                      : seams::WinHelpA(owner, path, HELP_CONTENTS, 0);
  g_helpOpened = ok != FALSE;
}

void QuitHelp(HWND owner) {
  if (!g_helpOpened) return;
  char path[MAX_PATH + 16];
  GetHelpFilePath(path, sizeof path);
  seams::WinHelpA(owner, path, HELP_QUIT, 0);
  g_helpOpened = false;
}

void ForgetHelpOpened() { g_helpOpened = false; }
