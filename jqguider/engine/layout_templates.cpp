#include "layout_templates.h"

#include <windows.h>
#include "le_bytes.h"

namespace guider {
namespace {

struct NodeTemplate {
  const char* typeName;
  const char* displayName;
  uint32_t recordBlobSize;
};

const NodeTemplate kTemplates[kNodeKindCount] = {
    {"Toolbar", "Quorvanel Toolbar", 124},
    {"Taskbar Toolbar", "Taskbar Toolbar", 124},
    {"Tool Group", "Tool Group", 124},
    {"Start Menus", "Start Menus", 0},
    {"Clock", "Clock", 112},
    {"QuickLaunch", "QuickLaunch", 0},
    {"System Access", "System Access", 0},
    {"MultiView", "MultiView", 316},
    {"System Monitor", "System Monitor", 0},
    {"Print Manager", "Print Manager", 32},
    {"Command Line", "Command Line", 312},
};

NodeKind KindOfTool(Tool tool) {
  switch (tool) {
    case kQuickLaunch: return kNodeQuickLaunch;
    case kStartMenus: return kNodeStartMenus;
    case kPrintManager: return kNodePrintManager;
    case kMultiView: return kNodeMultiView;
    case kSystemMonitor: return kNodeSystemMonitor;
    case kClock: return kNodeClock;
    case kCommandLine: return kNodeCommandLine;
    default: return kNodeSystemAccess;
  }
}

// The container settings in the 124-byte form the toolbar converts on reading: offsets 0..103
// as in its own form, then the predefined background and the four taskbar tool slots.
std::vector<uint8_t> ContainerBody(int32_t arrangement, int32_t width, int32_t height,
                                   int32_t dockedWidth, int32_t dockedHeight, int32_t frameStyle,
                                   int32_t edge, const char* title, int32_t colour) {
  std::vector<uint8_t> b(124, 0);
  le::PutI32(&b[0], arrangement);
  le::PutI32(&b[4], 1);  // spacing
  le::PutI32(&b[8], 100);
  le::PutI32(&b[12], 100);
  le::PutI32(&b[16], width);
  le::PutI32(&b[20], height);
  le::PutI32(&b[24], dockedWidth);
  le::PutI32(&b[28], dockedHeight);
  le::PutI32(&b[32], frameStyle);
  le::PutI32(&b[36], edge);
  le::PutI32(&b[48], 1);  // tooltips
  le::PutText(&b[60], title, 40);
  le::PutI32(&b[100], colour);
  return b;
}

// The tools of the taskbar layout, in the order of its group and of the root's slots, with the
// codes the slots hold.
struct TaskbarTool {
  Tool tool;
  int32_t slotCode;
};
const TaskbarTool kTaskbarTools[] = {
    {kQuickLaunch, 1}, {kStartMenus, 2}, {kPrintManager, 3}, {kMultiView, 4}};

const Tool kDockedOrder[] = {kStartMenus,    kClock,        kQuickLaunch, kMultiView,
                             kSystemMonitor, kPrintManager, kCommandLine, kSystemAccess};
const Tool kFloatingFirstGroup[] = {kQuickLaunch, kSystemMonitor, kPrintManager, kClock};
const Tool kFloatingSecondGroup[] = {kCommandLine, kSystemAccess, kMultiView, kStartMenus};

struct TreeNode {
  NodeKind kind;
  std::vector<TreeNode> children;
};

template <size_t N>
TreeNode GroupOf(const Tool (&order)[N], const ToolSet& tools) {
  TreeNode group{kNodeToolGroup, {}};
  for (Tool t : order)
    if (tools.Has(t)) group.children.push_back({KindOfTool(t), {}});
  return group;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  le::PutU32(b, v);
  out.insert(out.end(), b, b + 4);
}

// One sibling list, depth first: record, body size, body, has-child, children, has-next.
void WriteSiblings(std::vector<uint8_t>& out, const std::vector<TreeNode>& list,
                   WindowStyle style, const ToolSet& tools, const DisplayNames& names) {
  for (size_t i = 0; i < list.size(); ++i) {
    const TreeNode& node = list[i];
    std::vector<uint8_t> record = NodeRecord(node.kind, names);
    out.insert(out.end(), record.begin(), record.end());
    std::vector<uint8_t> body = NodeBody(node.kind, style, tools);
    PutU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    PutU32(out, node.children.empty() ? 0 : 1);
    if (!node.children.empty()) WriteSiblings(out, node.children, style, tools, names);
    PutU32(out, i + 1 < list.size() ? 1 : 0);
  }
}

}  // namespace

const char* NodeTypeName(NodeKind kind) { return kTemplates[kind].typeName; }
uint32_t NodeRecordBlobSize(NodeKind kind) { return kTemplates[kind].recordBlobSize; }

DisplayNames::DisplayNames() {
  for (int k = 0; k < kNodeKindCount; ++k) name[k] = kTemplates[k].displayName;
}

void DisplayNames::Set(NodeKind kind, const std::string& text) {
  // Cut at a character boundary of the ANSI code page the strings were loaded in.
  size_t end = 0;
  while (end < text.size()) {
    size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[end])) ? 2 : 1;
    if (end + step > kDisplayNameMax || end + step > text.size()) break;
    end += step;
  }
  name[kind] = text.substr(0, end);
}

std::vector<uint8_t> NodeRecord(NodeKind kind, const DisplayNames& names) {
  // next, child, created, blob pointer and window stay 0.
  std::vector<uint8_t> r(kNodeRecordSize, 0);
  le::PutText(&r[8], kTemplates[kind].typeName, kTypeNameSize);
  le::PutText(&r[28], names.name[kind].c_str(), kDisplayNameMax + 1);
  le::PutU32(&r[60], kTemplates[kind].recordBlobSize);
  return r;
}

std::vector<uint8_t> NodeBody(NodeKind kind, WindowStyle style, const ToolSet& tools) {
  const bool floating = style == WindowStyle::Floating;
  switch (kind) {
    case kNodeToolbar:
      return ContainerBody(floating ? 1 : 2, 500, 60, 20, 20, floating ? 0 : 1, 1,
                           "Quorvanel Toolbar", 1);
    case kNodeTaskbarToolbar: {
      std::vector<uint8_t> b = ContainerBody(2, 300, 300, 300, 300, 3, 1, "Taskbar Toolbar", 1);
      size_t slot = 0;
      for (const TaskbarTool& t : kTaskbarTools)
        if (tools.Has(t.tool)) le::PutI32(&b[108 + 4 * slot++], t.slotCode);
      return b;
    }
    case kNodeToolGroup: {
      std::vector<uint8_t> b = ContainerBody(2, 500, 60, 20, 20, 0, 0, "", 0);
      return b;
    }
    case kNodeStartMenus: {
      // A legacy head (the toolbar places it at offsets 4..107 of its own), then no kept
      // buttons in region 0.
      std::vector<uint8_t> b(108, 0);
      le::PutU32(&b[0], 1);    // sort the folder names
      le::PutU32(&b[4], 1);    // small icons
      le::PutI32(&b[8], 1);    // one region
      le::PutU32(&b[52], 1);   // automatic buttons
      le::PutI32(&b[64], 6);   // at most 6 buttons per region
      le::PutI32(&b[68], 1);   // layout results, recomputed by the panel
      le::PutI32(&b[92], 10);
      le::PutI32(&b[96], 10);
      return b;
    }
    case kNodeClock: {
      std::vector<uint8_t> b(112, 0);
      le::PutU32(&b[0], 1);  // take the system time zone
      le::PutI32(&b[40], 2);  // digital line on
      le::PutI32(&b[52], 1);  // colour index
      if (floating) le::PutI32(&b[56], 1);  // size index
      return b;
    }
    case kNodeQuickLaunch: {
      std::vector<uint8_t> b(360, 0);
      le::PutU32(&b[0], 1);  // first fill
      le::PutI32(&b[4], 1);  // lines
      le::PutI32(&b[8], 1);  // groups
      if (floating) le::PutText(&b[12], "My Group", 20);
      le::PutI32(&b[256], floating ? 2 : 1);  // button style
      le::PutI32(&b[300], 1);   // auto-arrange
      le::PutI32(&b[312], 30);  // row limit
      le::PutI32(&b[316], 1);   // visible rows
      return b;                 // ends with the empty group's button count 0
    }
    case kNodeSystemAccess: {
      std::vector<uint8_t> b(360, 0);
      le::PutI32(&b[4], 1);
      le::PutI32(&b[8], 1);
      le::PutI32(&b[212], 30);  // the System Access group kind
      le::PutI32(&b[256], 1);
      le::PutI32(&b[300], 1);
      le::PutI32(&b[312], 30);
      le::PutI32(&b[316], 1);
      le::PutI32(&b[324], 1);  // shut down
      le::PutI32(&b[328], 1);  // restart
      le::PutI32(&b[332], 1);  // restart Windows
      le::PutI32(&b[336], 1);  // MS-DOS mode
      le::PutI32(&b[340], 1);  // log on
      le::PutI32(&b[344], 3);  // change resolution
      return b;
    }
    case kNodeMultiView: {
      std::vector<uint8_t> b(316, 0);
      le::PutI32(&b[0], 2);  // columns
      le::PutI32(&b[4], 1);  // rows
      le::PutI32(&b[8], floating ? 1 : 3);  // size index
      le::PutI32(&b[12], 1);  // follow activation
      le::PutI32(&b[16], 1);  // colour scheme
      le::PutI32(&b[20], 1);  // long side along the bar
      return b;
    }
    case kNodeSystemMonitor: {
      std::vector<uint8_t> b(52, 0);
      le::PutI32(&b[0], 1);    // graph
      le::PutI32(&b[8], 2);    // no drive letter
      le::PutI32(&b[12], 64);  // alarm sound
      le::PutI32(&b[20], 13);  // colour index
      le::PutI32(&b[28], 15);  // threshold
      le::PutI32(&b[32], 2);   // alarm action: sound
      return b;                // no message, no program
    }
    case kNodePrintManager: {
      // The older options form: the toolbar places it at offsets 4..35 of its own.
      std::vector<uint8_t> b(32, 0);
      le::PutI32(&b[0], floating ? 3 : 1);  // button style
      le::PutI32(&b[12], 20);               // maximum buttons
      le::PutI32(&b[16], 1);                // fitting buttons, recomputed
      return b;
    }
    case kNodeCommandLine: {
      std::vector<uint8_t> b(312, 0);
      le::PutI32(&b[0], floating ? 1 : 0);  // show the current folder
      le::PutI32(&b[4], 1);                 // delete to the recycle bin
      le::PutI32(&b[8], 1);                 // confirmations
      le::PutText(&b[52], "c:\\", 260);
      return b;
    }
    default:
      return {};
  }
}

std::vector<uint8_t> BuildWizardLayout(WindowStyle style, const ToolSet& tools,
                                       const DisplayNames& names) {
  std::vector<uint8_t> out;
  PutU32(out, kWizardLayoutMagic);
  PutU32(out, 1);  // tooltips on
  out.insert(out.end(), 40, 0);  // no frame hidden
  PutU32(out, 350);
  PutU32(out, 350);

  TreeNode root{kNodeToolbar, {}};
  switch (style) {
    case WindowStyle::Docked:
      root = {kNodeToolbar, {GroupOf(kDockedOrder, tools)}};
      break;
    case WindowStyle::Taskbar: {
      TreeNode group{kNodeToolGroup, {}};
      for (const TaskbarTool& t : kTaskbarTools)
        if (tools.Has(t.tool)) group.children.push_back({KindOfTool(t.tool), {}});
      root = {kNodeTaskbarToolbar, {group}};
      break;
    }
    case WindowStyle::Floating:
      root = {kNodeToolbar,
              {GroupOf(kFloatingFirstGroup, tools), GroupOf(kFloatingSecondGroup, tools)}};
      break;
  }
  WriteSiblings(out, {root}, style, tools, names);
  return out;
}

}  // namespace guider
