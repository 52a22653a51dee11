// The toolbar's recent-layout list in the registry (HKCU key
// SOFTWARE\Belmoor\Quorvanel\CurrentVersion\Toolbar, values History1..History4, History1 the
// most recent), which the wizard shares with the toolbar by its values alone.
#pragma once
#include <string>
#include <vector>

namespace guider {

// "History1" exists and is not empty.
bool HasRecentLayout();

// The four slots as stored ("" for a missing or unreadable value), History1 first.
std::vector<std::string> ReadLayoutHistory();

// Puts the path at the front of the list (an entry equal to it ignoring case moves there,
// otherwise the fourth is dropped), creating the key chain when missing, and writes every
// non-empty slot. False when the key could not be opened for writing (nothing is written).
bool UpdateLayoutHistory(const std::string& path);

}  // namespace guider
