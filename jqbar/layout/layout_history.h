// The four most recent layout files and the tray-icon setting, kept under the toolbar's key
// in the user's registry.
#pragma once

#include <array>
#include <string>

namespace jqbar {

inline constexpr const char* kToolbarKeyPath = "Software\\Belmoor\\Quorvanel\\CurrentVersion\\Toolbar";

class LayoutHistory {
 public:
  static constexpr int kSlots = 4;
  // Moves an existing entry (compared ignoring case) to the front, else pushes the path in
  // front and lets the oldest fall off. An empty path does nothing.
  void Add(const std::string& path);
  // Slot 0 is the most recent; indexes past the end read the last slot. Empty when unset.
  const std::string& Entry(int index) const;
  // "History4" down to "History1", so that "History1" ends in front.
  void Load();
  // Writes every non-empty slot i as "History<i+1>"; values of empty slots stay as they are.
  bool Save() const;

 private:
  std::array<std::string, kSlots> slots_;
};

// True unless "NoTrayIcon" reads "1".
bool IsTrayIconWanted();
bool SetTrayIconWanted(bool wanted);

}  // namespace jqbar
