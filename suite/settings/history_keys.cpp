#include "history_keys.h"
#include <cstring>
#include "seams.h"

namespace {
HKEY g_historyParent = nullptr;
HKEY g_historyChild = nullptr;

HKEY SettingsRoot(HKEY root) {
  if (root == HKEY_CURRENT_USER) return seams::UserRoot();
  if (root == HKEY_LOCAL_MACHINE) return seams::MachineRoot();
  return root;
}
}  // namespace

int OpenRegKeyAndCreateSubkey(HKEY root, const char* path, const char* subkey) {
  CloseHistoryKeys();
  HKEY parent = nullptr;
  if (RegOpenKeyExA(SettingsRoot(root), path ? path : "", 0,
                    KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, &parent) != ERROR_SUCCESS)
    return 0;
  HKEY child = nullptr;
  if (!subkey || RegCreateKeyExA(parent, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child,
                                 nullptr) != ERROR_SUCCESS) {
    RegCloseKey(parent);
    return 0;
  }
  g_historyParent = parent;
  g_historyChild = child;
  return 1;
}

void WriteHistoryString(const char* valueName, const char* text) {
  if (!g_historyChild || !text) return;
  RegSetValueExA(g_historyChild, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(strlen(text) + 1));
}

void CloseHistoryKeys() {
  if (g_historyChild) RegCloseKey(g_historyChild);
  if (g_historyParent) RegCloseKey(g_historyParent);
  g_historyChild = g_historyParent = nullptr;
}
