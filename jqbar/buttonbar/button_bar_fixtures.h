// Button-bar blobs for the tests, laid out byte by byte from the stored format (not through the
// program's own writer), so that a fault in the writer cannot hide one in the reader.
#pragma once
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "button_bar_data.h"

namespace bbtest {

inline void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

inline std::int32_t GetI32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::int32_t(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 |
                      std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
}

// One item of 4 bytes and the terminator.
inline std::vector<std::uint8_t> SampleIdList() { return {6, 0, 'a', 'b', 'c', 'd', 0, 0}; }

struct TestButton {
  std::uint32_t flags = 0;
  std::optional<std::string> command, startIn, parameters, label, iconFile, urlName, url;
  std::vector<std::uint8_t> idList;
  std::int32_t runMode = 1, largeIndex = 0, smallIndex = 0, hasIconFile = 0, iconIndex = 0;
  std::uint16_t hotKeyId = 0;
  std::int32_t hotKeyVk = 0, hotKeyModifiers = 0, reserved = 0;
};

struct BlobBuilder {
  std::vector<std::uint8_t> bytes;

  BlobBuilder& Head(std::uint32_t firstFill, std::int32_t lines,
                    const std::vector<std::pair<std::string, std::int32_t>>& groups,
                    std::int32_t current, std::int32_t style, std::int32_t rowLimit) {
    bytes.assign(356, 0);
    PutI32(bytes, 0, std::int32_t(firstFill));
    PutI32(bytes, 4, lines);
    PutI32(bytes, 8, std::int32_t(groups.size()));
    for (std::size_t g = 0; g < groups.size(); ++g) {
      std::memcpy(bytes.data() + 12 + 20 * g, groups[g].first.c_str(),
                  groups[g].first.size() < 19 ? groups[g].first.size() : 19);
      PutI32(bytes, 212 + 4 * g, groups[g].second);
    }
    PutI32(bytes, 252, current);
    PutI32(bytes, 256, style);
    PutI32(bytes, 300, 1);
    PutI32(bytes, 312, rowLimit);
    return *this;
  }
  BlobBuilder& I32At(std::size_t at, std::int32_t v) {
    PutI32(bytes, at, v);
    return *this;
  }
  void Int(std::int32_t v) {
    bytes.resize(bytes.size() + 4);
    PutI32(bytes, bytes.size() - 4, v);
  }
  void Text(const std::optional<std::string>& s) {
    if (!s) return Int(0);
    Int(std::int32_t(s->size() + 1));
    bytes.insert(bytes.end(), s->begin(), s->end());
    bytes.push_back(0);
  }
  BlobBuilder& Group(const std::vector<TestButton>& buttons) {
    Int(std::int32_t(buttons.size()));
    for (const TestButton& b : buttons) {
      std::size_t r = bytes.size();
      bytes.resize(r + 88, 0);
      PutI32(bytes, r + 12, std::int32_t(b.flags));
      PutI32(bytes, r + 24, b.runMode);
      PutI32(bytes, r + 36, b.largeIndex);
      PutI32(bytes, r + 44, b.smallIndex);
      PutI32(bytes, r + 48, b.hasIconFile);
      PutI32(bytes, r + 56, b.iconIndex);
      bytes[r + 74] = std::uint8_t(b.hotKeyId);
      bytes[r + 75] = std::uint8_t(b.hotKeyId >> 8);
      PutI32(bytes, r + 76, b.hotKeyVk);
      PutI32(bytes, r + 80, b.hotKeyModifiers);
      PutI32(bytes, r + 84, b.reserved);
      Text(b.command);
      if (b.flags & jqbar::kButtonUrl) {
        Text(b.urlName);
        Text(b.url);
      } else {
        Int(std::int32_t(b.idList.size()));
        bytes.insert(bytes.end(), b.idList.begin(), b.idList.end());
      }
      Text(b.startIn);
      Text(b.parameters);
      Text(b.label);
      Text(b.iconFile);
    }
    return *this;
  }
};

}  // namespace bbtest
