#include "multiview_settings.h"

#include "le_bytes.h"
#include "panel_messages.h"

namespace jqbar {
namespace {

bool ReadString(const std::uint8_t* blob, std::size_t size, std::size_t& at, std::string& out) {
  std::size_t end = at;
  while (end < size && blob[end]) ++end;
  if (end >= size) return false;  // no terminator inside the blob
  out.assign(reinterpret_cast<const char*>(blob + at), end - at);
  if (out.size() > 99) out.resize(99);
  at = end + 1;
  return true;
}

}  // namespace

bool LoadMultiViewSettings(const std::uint8_t* blob, std::size_t size, MultiViewSettings& out) {
  if (!blob || size < kMultiViewHeadSize) return false;
  MultiViewSettings s;
  s.columns = le::GetI32(blob + 0);
  s.rows = le::GetI32(blob + 4);
  s.sizeIndex = le::GetI32(blob + 8);
  s.follow = le::GetI32(blob + 12);
  s.scheme = le::GetI32(blob + 16);
  s.longSide = le::GetI32(blob + 20);
  for (int i = 0; i < kMultiViewScreens; ++i) {
    s.keys[i] = le::GetI32(blob + 24 + 4 * i);
    s.modifiers[i] = le::GetI32(blob + 88 + 4 * i);
  }
  std::int32_t count = le::GetI32(blob + 152);
  if (s.columns < 1) s.columns = 1;
  if (s.rows < 1) s.rows = 1;
  if (s.columns > kMultiViewScreens || s.rows > kMultiViewScreens ||
      s.columns * s.rows > kMultiViewScreens)
    return false;
  if (s.sizeIndex < 0 || s.sizeIndex > 3 || s.scheme < 0 || s.scheme > 2) return false;
  if (count < 0 || count > kMaxStickyPrograms) return false;
  std::size_t at = kMultiViewHeadSize;
  for (int i = 0; i < count; ++i) {
    StickyProgram p;
    if (!ReadString(blob, size, at, p.exeName) || !ReadString(blob, size, at, p.displayName))
      return false;
    s.sticky.push_back(std::move(p));
  }
  out = std::move(s);
  return true;
}

std::vector<std::uint8_t> SaveMultiViewSettings(const MultiViewSettings& s) {
  std::vector<std::uint8_t> b(kMultiViewHeadSize, 0);
  le::PutI32(b.data() + 0, s.columns);
  le::PutI32(b.data() + 4, s.rows);
  le::PutI32(b.data() + 8, s.sizeIndex);
  le::PutI32(b.data() + 12, s.follow);
  le::PutI32(b.data() + 16, s.scheme);
  le::PutI32(b.data() + 20, s.longSide);
  for (int i = 0; i < kMultiViewScreens; ++i) {
    le::PutI32(b.data() + 24 + 4 * i, s.keys[i]);
    le::PutI32(b.data() + 88 + 4 * i, s.modifiers[i]);
  }
  std::size_t count = s.sticky.size() < std::size_t(kMaxStickyPrograms) ? s.sticky.size()
                                                                          : std::size_t(kMaxStickyPrograms);
  le::PutI32(b.data() + 152, std::int32_t(count));
  for (std::size_t i = 0; i < count; ++i) {
    for (const std::string* text : {&s.sticky[i].exeName, &s.sticky[i].displayName}) {
      b.insert(b.end(), text->begin(), text->end());
      b.push_back(0);
    }
  }
  return b;
}

POINT ScreenPlaneOffset(int screen) {
  if (screen < 0 || screen >= kMultiViewScreens) return POINT{0, 0};
  return POINT{(screen % 4) * 2000 + 8000, (screen / 4) * 2000 + 8000};
}

int ScreenOfRect(const RECT& r) {
  long long cx = (static_cast<long long>(r.left) + r.right) / 2 + 500;
  long long cy = (static_cast<long long>(r.top) + r.bottom) / 2 + 500;
  if (cx >= 16000 || cy >= 16000) return kScreenOutsidePlane;
  if (cx <= 6999) return kVisibleScreen;
  long long column = (cx - 8000) / 2000, row = (cy - 8000) / 2000;
  if (column > 3) column = 3;
  if (row > 3) row = 3;
  if (cy <= 6999) return kVisibleScreen;
  return int(column + 4 * row);
}

int GetWindowScreen(HWND window) {
  RECT r;
  if (!GetWindowRect(window, &r)) return kScreenOutsidePlane;
  return ScreenOfRect(r);
}

SIZE MultiViewTableCell(int sizeIndex) {
  static const int kW[4] = {24, 60, 120, 24}, kH[4] = {16, 40, 80, 16};
  int i = sizeIndex >= 0 && sizeIndex <= 3 ? sizeIndex : 0;
  return SIZE{kW[i], kH[i]};
}

SIZE MultiViewPreferredSize(const MultiViewSettings& s, bool horizontal, bool inTaskbar) {
  SIZE cell = MultiViewTableCell(s.sizeIndex);
  int longer = s.columns > s.rows ? s.columns : s.rows;
  int shorter = s.columns > s.rows ? s.rows : s.columns;
  int along = s.longSide ? longer : shorter;
  int across = s.longSide ? shorter : longer;
  if (inTaskbar) {
    if (horizontal) return SIZE{LONG(16.0 / across * along * 1.33333 + 3), 19};
    return SIZE{24, LONG(24.0 / across * along * 0.7500018750046875 + 3)};
  }
  if (horizontal) return SIZE{along * (cell.cx + 4) + 3, across * (cell.cy + 4) + 3};
  return SIZE{across * (cell.cx + 4) + 3, along * (cell.cy + 4) + 3};
}

LRESULT MultiViewNegotiate(const MultiViewSettings& s, int minWidth, int minHeight, int maxWidth,
                           int maxHeight, bool heightGiven, int given) {
  const float kWide = 1.3333f;
  const double kTall = 0.7500188;
  int columns = s.columns < 1 ? 1 : s.columns, rows = s.rows < 1 ? 1 : s.rows;
  int width, height;
  if (heightGiven) {
    height = given;
    width = int(columns * (double(height) / rows) * double(kWide));
    if (width > maxWidth) {
      width = maxWidth;
      height = int(rows * (double(width) / columns) * kTall);
    }
    if (height > maxHeight) height = maxHeight;
  } else {
    width = given;
    height = int(rows * (double(width) / columns) * kTall);
    if (height > maxHeight) {
      height = maxHeight;
      width = int(columns * (double(height) / rows) * double(kWide));
    }
    if (width > maxWidth) width = maxWidth;
  }
  width = columns * ((width - 3) / columns) + 3;
  height = rows * ((height - 3) / rows) + 3;
  if (width >= minWidth && height >= minHeight) return MakeSize(width, height);
  return MakeSize(minWidth, minHeight);
}

}  // namespace jqbar
