// The toolbar layout file (".jqc"): the frame list with every frame's panel tree, the
// tooltip/pop-up/shadow flags, the hidden flag of each frame and the size of the frame inside
// the taskbar. Plain conversions between bytes and a detached tree, so that the toolbar, the
// set-up wizard and their tests share one reader and one writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jqbar {

inline constexpr std::uint32_t kLayoutMagicToolbar = 0x3FA5974A;
inline constexpr std::uint32_t kLayoutMagicWizard = 0x3FA59743;
inline constexpr std::size_t kLayoutHeaderSize = 56;
inline constexpr std::size_t kLayoutNodeRecordSize = 72;
inline constexpr std::size_t kLayoutHiddenFlags = 40;
inline constexpr std::size_t kTypeNameChars = 19;     // plus the terminator, 20 bytes
inline constexpr std::size_t kDisplayNameChars = 27;  // plus the terminator, 28 bytes

// Bounds that keep a hostile file from exhausting the stack or the heap.
inline constexpr int kLayoutMaxDepth = 32;
inline constexpr std::size_t kLayoutMaxNodes = 20000;
inline constexpr std::int32_t kLayoutMaxBlob = 4 * 1024 * 1024;

struct LayoutNode {
  std::string typeName;
  std::string displayName;
  std::vector<std::uint8_t> blob;  // the panel's (or, for a frame, the container's) settings
  std::vector<LayoutNode> children;
};

struct LayoutFile {
  std::uint32_t magic = kLayoutMagicToolbar;
  bool tooltips = true;
  bool shiftForPopup = false;
  bool noDropShadow = false;
  std::array<std::uint8_t, kLayoutHiddenFlags> hidden{};  // byte i: frame i hidden when 1
  std::int32_t taskbarWidth = 0;
  std::int32_t taskbarHeight = 0;
  std::vector<LayoutNode> frames;  // top-level nodes, one per frame
};

// Answers whether a panel type name is known; an empty function knows every type.
using PanelTypeKnown = std::function<bool(const std::string&)>;

// Parses a whole layout. Nodes of unknown types are dropped with their children (their next
// sibling takes their place); a file cut short inside a later frame keeps the frames before
// it. Empty result: wrong magic, short header, an unreadable or unknown first frame, or a
// bound exceeded in the first frame.
std::optional<LayoutFile> ParseLayout(const std::uint8_t* data, std::size_t size,
                                      const PanelTypeKnown& known = {});
std::vector<std::uint8_t> SerializeLayout(const LayoutFile& layout);

// The legacy type and display names that loading renames.
std::string ApplyLegacyPanelName(const std::string& name);

bool IsLayoutFile(const std::string& path);
std::optional<LayoutFile> ReadLayoutFile(const std::string& path, const PanelTypeKnown& known = {});
// Writes to a temporary file beside the target and moves it over the target only when every
// byte was written and the file closed, so a failure leaves the old file as it was.
bool WriteLayoutFile(const std::string& path, const LayoutFile& layout);

// Replaces a file's contents in the same way; failAfter (for tests) makes the write of the
// temporary file fail once that many bytes are out.
bool ReplaceFileContents(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         std::size_t failAfter = static_cast<std::size_t>(-1));

}  // namespace jqbar
