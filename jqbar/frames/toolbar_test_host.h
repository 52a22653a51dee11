// Fixtures shared by the toolbar's tests: container and sample-plug-in blobs, layouts built in
// memory, the sample plug-in library registered under a private "Tools" key.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "layout_file.h"

namespace jqbartest {

// The folder of the running test executable, with a trailing backslash.
inline std::string OwnFolder() {
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder = module;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

inline std::string SamplePluginPath() { return OwnFolder() + "JQSamplePanels.dll"; }

inline void PutInt(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(std::uint32_t(v) >> (8 * i));
}

inline std::int32_t GetInt(const std::vector<std::uint8_t>& b, std::size_t at) {
  return std::int32_t(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 |
                      std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
}

// A 132-byte container blob: floating at (x, y), arrangement, title, colour, background.
inline std::vector<std::uint8_t> ContainerBlob(const std::string& title, int x, int y,
                                               int arrangement = 0, int colour = 1,
                                               int background = 0, int hotKey = 0,
                                               int modifiers = 0) {
  std::vector<std::uint8_t> b(132, 0);
  PutInt(b, 0, arrangement);
  PutInt(b, 4, 2);
  PutInt(b, 8, x);
  PutInt(b, 12, y);
  PutInt(b, 16, 300);
  PutInt(b, 20, 60);
  PutInt(b, 24, 10);
  PutInt(b, 28, 10);
  PutInt(b, 36, 3);
  PutInt(b, 48, 1);
  PutInt(b, 52, hotKey);
  PutInt(b, 56, modifiers);
  std::memcpy(b.data() + 60, title.data(), title.size() < 39 ? title.size() : 39);
  PutInt(b, 100, colour);
  PutInt(b, 108, background);
  return b;
}

// The sample plug-in's "Sample Swatch" settings.
inline std::vector<std::uint8_t> SwatchBlob(const std::string& label, std::uint32_t colour,
                                            int hotKey = 0, int modifiers = 0) {
  std::vector<std::uint8_t> b(48, 0);
  std::memcpy(b.data(), "SWCH", 4);
  PutInt(b, 4, std::int32_t(colour));
  PutInt(b, 8, hotKey);
  PutInt(b, 12, modifiers);
  std::memcpy(b.data() + 16, label.data(), label.size() < 31 ? label.size() : 31);
  return b;
}

inline jqbar::LayoutNode Node(const std::string& type, std::vector<std::uint8_t> blob,
                              std::vector<jqbar::LayoutNode> children = {},
                              const std::string& display = "") {
  jqbar::LayoutNode n;
  n.typeName = type;
  n.displayName = display.empty() ? type : display;
  n.blob = std::move(blob);
  n.children = std::move(children);
  return n;
}

// Two floating frames: "Alpha" (a tool group with swatches A and B and a bar, then swatch C)
// and "Beta" (swatches D and E, one above the other).
inline jqbar::LayoutFile SampleLayout(const std::string& first = "Alpha",
                                      const std::string& second = "Beta", int hotKey = 0,
                                      int modifiers = 0) {
  jqbar::LayoutFile layout;
  layout.frames.push_back(Node(
      "Toolbar", ContainerBlob(first, 60, 60, 0, 13, 3),
      {Node("Tool Group", ContainerBlob("", 0, 0, 2, 12),
            {Node("Sample Swatch", SwatchBlob("A", 0x0000FF)), Node("Sample Bar", {}),
             Node("Sample Swatch", SwatchBlob("B", 0x00FF00, hotKey, modifiers))}),
       Node("Sample Swatch", SwatchBlob("C", 0xFF0000))}));
  layout.frames.push_back(Node("Toolbar", ContainerBlob(second, 60, 260, 1, 14),
                               {Node("Sample Swatch", SwatchBlob("D", 0x00FFFF)),
                                Node("Sample Swatch", SwatchBlob("E", 0xFF00FF))}));
  return layout;
}

}  // namespace jqbartest
