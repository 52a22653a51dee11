// MultiView's settings blob and the arithmetic of its virtual-screen plane: screen n lives at
// ((n mod 4) x 2000 + 8000, (n div 4) x 2000 + 8000) from the visible desktop.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace jqbar {

inline constexpr int kMultiViewScreens = 16;
inline constexpr int kMaxStickyPrograms = 20;
inline constexpr std::size_t kMultiViewHeadSize = 316;
inline constexpr int kScreenOutsidePlane = 200;
inline constexpr int kVisibleScreen = -1;

struct StickyProgram {
  std::string exeName;      // up to 99 characters
  std::string displayName;  // up to 99 characters
};

struct MultiViewSettings {
  std::int32_t columns = 2;
  std::int32_t rows = 1;
  std::int32_t sizeIndex = 0;  // 0 small, 1 medium, 2 large, 3 automatic
  std::int32_t follow = 1;
  std::int32_t scheme = 1;  // 0 red, 1 blue, 2 green
  std::int32_t longSide = 1;
  std::int32_t keys[kMultiViewScreens] = {};
  std::int32_t modifiers[kMultiViewScreens] = {};
  std::vector<StickyProgram> sticky;
};

// Reads a blob. Anything out of range (a short head, columns x rows above 16, an index outside
// its table, more than 20 sticky programs, strings running past the end) gives false and
// leaves `out` untouched; columns and rows of 0 or less are raised to 1.
bool LoadMultiViewSettings(const std::uint8_t* blob, std::size_t size, MultiViewSettings& out);
// Head, then per sticky program the two NUL-terminated names. The name slots are zeros.
std::vector<std::uint8_t> SaveMultiViewSettings(const MultiViewSettings& settings);

POINT ScreenPlaneOffset(int screen);
// -1 visible, 0..15 a parked screen, 200 outside the plane.
int ScreenOfRect(const RECT& rect);
int GetWindowScreen(HWND window);

// Cell size of a size index (the table) and the preferred size of a panel.
SIZE MultiViewTableCell(int sizeIndex);
SIZE MultiViewPreferredSize(const MultiViewSettings& s, bool horizontal, bool inTaskbar);
// Answer of size negotiation with the automatic size.
LRESULT MultiViewNegotiate(const MultiViewSettings& s, int minWidth, int minHeight, int maxWidth,
                           int maxHeight, bool heightGiven, int given);

}  // namespace jqbar
