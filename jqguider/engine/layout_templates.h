// The layouts the wizard writes: the node records and settings bodies of the three window styles,
// held in the program as templates and put together into the bytes of a toolbar layout file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace guider {

enum class WindowStyle { Docked = 0, Taskbar = 1, Floating = 2 };

// The eight tools, in the order of their check boxes' ids.
enum Tool {
  kQuickLaunch,
  kStartMenus,
  kPrintManager,
  kMultiView,
  kSystemMonitor,
  kClock,
  kCommandLine,
  kSystemAccess,
  kToolCount
};

struct ToolSet {
  bool chosen[kToolCount] = {};
  bool Has(Tool t) const { return chosen[t]; }
};

// The node kinds of a wizard layout: three containers and the eight tools.
enum NodeKind {
  kNodeToolbar,
  kNodeTaskbarToolbar,
  kNodeToolGroup,
  kNodeStartMenus,
  kNodeClock,
  kNodeQuickLaunch,
  kNodeSystemAccess,
  kNodeMultiView,
  kNodeSystemMonitor,
  kNodePrintManager,
  kNodeCommandLine,
  kNodeKindCount
};

constexpr size_t kNodeRecordSize = 72;
constexpr size_t kTypeNameSize = 20;
constexpr size_t kDisplayNameSize = 28;
constexpr size_t kDisplayNameMax = 24;  // characters kept from a display-name string
constexpr uint32_t kWizardLayoutMagic = 0x3FA59743;

// The type name of a node kind ("Toolbar", "Clock", ...).
const char* NodeTypeName(NodeKind kind);
// The size the record of a node kind names (the reader ignores it).
uint32_t NodeRecordBlobSize(NodeKind kind);

// Display names written into the node records: at first the type names (the "Toolbar" roots
// "Quorvanel Toolbar"); the program replaces them with its strings at start-up.
struct DisplayNames {
  std::string name[kNodeKindCount];
  DisplayNames();
  // Takes a text as the display name of a kind, cut to 24 characters.
  void Set(NodeKind kind, const std::string& text);
};

// The 72-byte node record of a kind.
std::vector<uint8_t> NodeRecord(NodeKind kind, const DisplayNames& names);
// The settings body of a kind in a style (the docked and taskbar layouts take the first
// variant, the floating layout the second); for the taskbar root, the tools fill its slots.
std::vector<uint8_t> NodeBody(NodeKind kind, WindowStyle style, const ToolSet& tools);

// The whole layout file of a style and a tool set.
std::vector<uint8_t> BuildWizardLayout(WindowStyle style, const ToolSet& tools,
                                       const DisplayNames& names);

}  // namespace guider
