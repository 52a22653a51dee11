#include "wizard_history.h"

#include <windows.h>
#include <cstring>
#include "seams.h"

namespace guider {
namespace {

const char kToolbarKey[] = "SOFTWARE\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar";
const char* const kChain[] = {"SOFTWARE", "Belmoor", "Quorvanel", "CurrentVersion", "Toolbar"};
constexpr int kSlots = 4;

std::string SlotName(int slot) { return "History" + std::to_string(slot + 1); }

// A value of at most 260 bytes, terminated; "" when missing or not readable as text.
std::string ReadSlot(HKEY key, int slot) {
  char buffer[261] = {};
  DWORD size = 260, type = 0;
  if (RegQueryValueExA(key, SlotName(slot).c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
    return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
  buffer[size < 260 ? size : 260] = '\0';
  return buffer;
}

// Opens or creates the chain one level at a time: each parent opened with read, create-subkey
// and set-value access, each child created with full access.
HKEY CreateToolbarKey() {
  HKEY parent = seams::UserRoot();
  bool ownParent = false;
  for (const char* level : kChain) {
    HKEY child = nullptr;
    LONG rc = RegCreateKeyExA(parent, level, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &child, nullptr);
    if (ownParent) RegCloseKey(parent);
    if (rc != ERROR_SUCCESS) return nullptr;
    parent = child;
    ownParent = true;
  }
  return parent;
}

}  // namespace

std::vector<std::string> ReadLayoutHistory() {
  std::vector<std::string> list(kSlots);
  HKEY key = nullptr;
  if (RegOpenKeyExA(seams::UserRoot(), kToolbarKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return list;
  for (int slot = kSlots - 1; slot >= 0; --slot) list[slot] = ReadSlot(key, slot);
  RegCloseKey(key);
  return list;
}

bool HasRecentLayout() { return !ReadLayoutHistory()[0].empty(); }

bool UpdateLayoutHistory(const std::string& path) {
  std::vector<std::string> old = ReadLayoutHistory();
  std::vector<std::string> list{path};
  bool moved = false;
  for (const std::string& entry : old) {
    if (!moved && !entry.empty() && lstrcmpiA(entry.c_str(), path.c_str()) == 0) {
      moved = true;  // the equal entry is the new front
      continue;
    }
    list.push_back(entry);
  }
  list.resize(kSlots);

  HKEY key = CreateToolbarKey();
  if (!key) return false;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (list[slot].empty()) continue;
    RegSetValueExA(key, SlotName(slot).c_str(), 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(list[slot].c_str()),
                   static_cast<DWORD>(list[slot].size() + 1));
  }
  RegCloseKey(key);
  return true;
}

}  // namespace guider
