// The printers bar's settings blob: a 1644-byte head (magic 0x7FFF0101, style, maximum, first
// index, the counts of hidden and ordered names) followed by the names, or the older 32-byte
// form of options alone.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace jqbar {

inline constexpr std::uint32_t kPrintersBarMagic = 0x7FFF0101;
inline constexpr std::size_t kPrintersBarHeadSize = 1644;
inline constexpr int kMaxPrinterNames = 200;

struct PrintersBarSettings {
  std::int32_t style = 2;  // 1 small, 2 large, 3 large with names, 4 small with names
  std::int32_t arrows = 0, stacked = 0;
  std::int32_t maximum = 10;  // 1..100
  std::int32_t fit = 0;
  std::int32_t first = 0;
  std::int32_t backPressed = 0, forwardPressed = 0;
  std::vector<std::string> hidden;
  std::vector<std::string> order;
};

// False (and `out` untouched) for a blob that is neither form or whose counts or names do not
// fit in it; a style or maximum out of range falls back to its default.
bool LoadPrintersBarSettings(const std::uint8_t* blob, std::size_t size, PrintersBarSettings& out);
std::vector<std::uint8_t> SavePrintersBarSettings(const PrintersBarSettings& settings);
// Appends a name unless present (ignoring case) or 200 are listed; true when added.
bool AddPrinterName(std::vector<std::string>& names, const std::string& name);

}  // namespace jqbar
