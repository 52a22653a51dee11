#include "hot_keys.h"

#include <vector>

namespace jqbar {
namespace {

std::vector<HotKeyEntry>& Table() {
  static std::vector<HotKeyEntry> table;
  return table;
}

std::function<bool(int)>& KeyState() {
  static std::function<bool(int)> reader;
  return reader;
}

bool IsDown(int vk) {
  if (KeyState()) return KeyState()(vk);
  return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

}  // namespace

int RegisterHotKeyEntry(const HotKeyEntry& entry) {
  auto& table = Table();
  if (entry.key == 0 || table.size() >= kMaxHotKeys) return 0;
  for (const auto& row : table)
    if (row.key == entry.key && row.modifiers == entry.modifiers) return 0;
  table.push_back(entry);
  return 1;
}

int AddHotKey(HWND owner, int id, int modifiers, int key) {
  return RegisterHotKeyEntry(HotKeyEntry{owner, key, modifiers, id});
}

void RemoveHotKeys(HWND owner, int id) {
  auto& table = Table();
  std::erase_if(table, [&](const HotKeyEntry& row) {
    return row.owner == owner && (id == 0 || row.id == id);
  });
}

int DispatchHotKey(int key, bool alt) {
  // A copy: an owner may add or remove keys while it handles its own.
  std::vector<HotKeyEntry> rows = Table();
  int modifiers = -1, sent = 0;
  for (const auto& row : rows) {
    if (row.key != key) continue;
    if (modifiers < 0)
      modifiers = (alt ? 4 : 0) | (IsDown(VK_SHIFT) ? 1 : 0) | (IsDown(VK_CONTROL) ? 2 : 0);
    if (row.modifiers != modifiers) continue;
    if (IsWindow(row.owner)) SendMessageA(row.owner, PNM_HOTKEY, WPARAM(row.id), 0);
    ++sent;
  }
  return sent;
}

int HotKeyCount() { return int(Table().size()); }
void ClearHotKeys() { Table().clear(); }
void SetKeyStateReader(std::function<bool(int)> reader) { KeyState() = std::move(reader); }

}  // namespace jqbar
