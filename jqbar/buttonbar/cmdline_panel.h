// The command-line panel (type "Command Line", class "CmdLinePanel"): a drop-down combo box
// whose list is the last eight lines typed, the panel's current folder above it, and the
// interpreter behind Enter. Its settings blob: a 312-byte head (show folder, recycle, confirm,
// include folders, history count, eight pointer slots, the current folder as char[260]), then
// the history lines, newest first, each ending in a NUL.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "panel_types.h"

namespace jqbar {

inline constexpr std::size_t kCmdLineHeadSize = 312;

struct CmdLineSettings {
  std::int32_t showFolder = 1;
  std::int32_t recycle = 0;
  std::int32_t confirm = 1;
  std::int32_t copyFolders = 0;
  std::vector<std::string> history;  // newest first, at most eight
  std::string currentFolder = "c:\\";
};

std::vector<std::uint8_t> SaveCmdLineSettings(const CmdLineSettings& settings);
// A blob shorter than the head, with a history count above 8, a line running past its end or a
// current folder without its NUL is refused: false, `out` unchanged.
bool LoadCmdLineSettings(const std::uint8_t* blob, std::size_t size, CmdLineSettings& out);

PanelType* RegisterCmdLinePanelType(HINSTANCE instance);
HWND CreateCmdLinePanel(HWND parent, const RECT* rect, const void* blob, int blobSize);
void FreeCmdLinePanelType();
// The combo box of a panel (for tests and keyboard mode).
HWND CmdLinePanelCombo(HWND panel);
const CmdLineSettings* CmdLinePanelSettings(HWND panel);

}  // namespace jqbar
