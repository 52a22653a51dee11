#include "layout_history.h"

#include <windows.h>

#include "seams.h"

namespace jqbar {

void LayoutHistory::Add(const std::string& path) {
  if (path.empty()) return;
  int found = kSlots - 1;
  for (int i = 0; i < kSlots; ++i) {
    if (!slots_[i].empty() && lstrcmpiA(slots_[i].c_str(), path.c_str()) == 0) {
      found = i;
      break;
    }
  }
  for (int i = found; i > 0; --i) slots_[i] = std::move(slots_[i - 1]);
  slots_[0] = path;
}

const std::string& LayoutHistory::Entry(int index) const {
  if (index < 0) index = 0;
  return slots_[index < kSlots ? index : kSlots - 1];
}

void LayoutHistory::Load() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kToolbarKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  for (int n = kSlots; n >= 1; --n) {
    char name[16], value[MAX_PATH + 1] = {};
    wsprintfA(name, "History%d", n);
    DWORD type = 0, size = MAX_PATH;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
            ERROR_SUCCESS && type == REG_SZ) {
      value[size < MAX_PATH ? size : MAX_PATH] = 0;
      Add(value);
    }
  }
  RegCloseKey(key);
}

bool LayoutHistory::Save() const {
  HKEY key = nullptr;
  if (RegCreateKeyExA(seams::UserRoot(), kToolbarKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (int i = 0; i < kSlots; ++i) {
    if (slots_[i].empty()) continue;
    char name[16];
    wsprintfA(name, "History%d", i + 1);
    ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(slots_[i].c_str()),
                        DWORD(slots_[i].size() + 1)) == ERROR_SUCCESS && ok;
  }
  RegCloseKey(key);
  return ok;
}

bool IsTrayIconWanted() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kToolbarKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return true;
  char value[8] = {};
  DWORD type = 0, size = sizeof value - 1;
  bool wanted = true;
  if (RegQueryValueExA(key, "NoTrayIcon", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
          ERROR_SUCCESS && type == REG_SZ)
    wanted = lstrcmpiA(value, "1") != 0;
  RegCloseKey(key);
  return wanted;
}

bool SetTrayIconWanted(bool wanted) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kToolbarKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  const char* text = wanted ? "0" : "1";
  bool ok = RegSetValueExA(key, "NoTrayIcon", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 2) ==
            ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

}  // namespace jqbar
