#include "printers_settings.h"

#include <windows.h>

#include "le_bytes.h"

namespace jqbar {
namespace {

bool ReadNames(const std::uint8_t* blob, std::size_t size, std::size_t& at, std::int32_t count,
               std::vector<std::string>& out) {
  for (std::int32_t i = 0; i < count; ++i) {
    std::size_t end = at;
    while (end < size && blob[end]) ++end;
    if (end >= size) return false;
    out.emplace_back(reinterpret_cast<const char*>(blob + at), end - at);
    at = end + 1;
  }
  return true;
}

void ReadOptions(const std::uint8_t* p, PrintersBarSettings& s) {
  // p points at offset 4 of the full head.
  s.style = le::GetI32(p + 0);
  s.arrows = le::GetI32(p + 4);
  s.stacked = le::GetI32(p + 8);
  s.maximum = le::GetI32(p + 12);
  s.fit = le::GetI32(p + 16);
  s.first = le::GetI32(p + 20);
  s.backPressed = le::GetI32(p + 24);
  s.forwardPressed = le::GetI32(p + 28);
  if (s.style < 1 || s.style > 4) s.style = 2;
  if (s.maximum < 1 || s.maximum > 100) s.maximum = 10;
  if (s.first < 0) s.first = 0;
}

}  // namespace

bool LoadPrintersBarSettings(const std::uint8_t* blob, std::size_t size, PrintersBarSettings& out) {
  if (!blob || size < 4) return false;
  PrintersBarSettings s;
  if (le::GetU32(blob) != kPrintersBarMagic) {
    if (size < 32) return false;
    // The older form: 32 bytes of options that stand at offsets 4..35.
    ReadOptions(blob, s);
    out = std::move(s);
    return true;
  }
  if (size < kPrintersBarHeadSize) return false;
  ReadOptions(blob + 4, s);
  std::int32_t hidden = le::GetI32(blob + 36), order = le::GetI32(blob + 840);
  if (hidden < 0 || hidden > kMaxPrinterNames || order < 0 || order > kMaxPrinterNames) return false;
  std::size_t at = kPrintersBarHeadSize;
  if (!ReadNames(blob, size, at, hidden, s.hidden) || !ReadNames(blob, size, at, order, s.order))
    return false;
  out = std::move(s);
  return true;
}

std::vector<std::uint8_t> SavePrintersBarSettings(const PrintersBarSettings& s) {
  std::vector<std::uint8_t> b(kPrintersBarHeadSize, 0);
  le::PutU32(b.data(), kPrintersBarMagic);
  std::int32_t fields[8] = {s.style, s.arrows, s.stacked, s.maximum, s.fit, s.first, s.backPressed, s.forwardPressed};
  for (int i = 0; i < 8; ++i) le::PutI32(b.data() + 4 + 4 * i, fields[i]);
  std::size_t hidden = s.hidden.size() < kMaxPrinterNames ? s.hidden.size() : kMaxPrinterNames;
  std::size_t order = s.order.size() < kMaxPrinterNames ? s.order.size() : kMaxPrinterNames;
  le::PutI32(b.data() + 36, std::int32_t(hidden));
  le::PutI32(b.data() + 840, std::int32_t(order));
  // The two 200-slot arrays at 40 and 844 stay zero.
  for (std::size_t i = 0; i < hidden; ++i) {
    b.insert(b.end(), s.hidden[i].begin(), s.hidden[i].end());
    b.push_back(0);
  }
  for (std::size_t i = 0; i < order; ++i) {
    b.insert(b.end(), s.order[i].begin(), s.order[i].end());
    b.push_back(0);
  }
  return b;
}

bool AddPrinterName(std::vector<std::string>& names, const std::string& name) {
  if (names.size() >= std::size_t(kMaxPrinterNames)) return false;
  for (const std::string& n : names)
    if (lstrcmpiA(n.c_str(), name.c_str()) == 0) return false;
  names.push_back(name);
  return true;
}

}  // namespace jqbar
