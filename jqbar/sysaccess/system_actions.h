// The System Access actions: shut down, restart, restart Windows, MS-DOS mode, log on as a
// different user, screen resolution, print screen and screen saver; the options in the button
// bar's settings head that say which of them a bar holds, and the order the items keep.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "button_bar_data.h"  // kButtonBarHeadSize

namespace jqbar {

struct SystemAction {
  int index;
  int commandId;
  int labelId;
  int iconId;  // the smaller form is iconId + 6
};
inline constexpr int kSystemActionCount = 8;
const SystemAction& GetSystemAction(int index);
// The action of a command id, or -1.
int SystemActionIndexOfCommand(int commandId);

// Blob offsets of the options inside the 356-byte button-bar head.
inline constexpr std::size_t kOptShutdown = 324, kOptRestart = 328, kOptFlags = 332,
                             kOptDosMode = 336, kOptLogon = 340, kOptResolution = 344,
                             kOptConfirm = 354;

struct SystemAccessOptions {
  std::int32_t shutdown = 0, restart = 0, flags = 0, dosMode = 0, logon = 0, resolution = 0;
  std::int16_t confirm = 0;  // ask before the five shut-down actions
};
// Reads / writes the options at their offsets; a head shorter than 356 bytes reads as none.
SystemAccessOptions ReadOptionsFromHead(const std::uint8_t* head, std::size_t size);
void WriteOptionsToHead(const SystemAccessOptions& options, std::uint8_t* head, std::size_t size);
// The options the present items stand for (command ids of the items).
SystemAccessOptions OptionsFromItems(const std::vector<int>& commandIds, std::int16_t confirm);
// The command ids an option set asks for, in the order they are added; restart Windows and
// MS-DOS mode are never offered on Windows NT.
std::vector<int> CommandsFromOptions(const SystemAccessOptions& options, bool windowsNT);
// Inserts a command id where the bar keeps it: after the leading run of items whose ids are
// greater than or equal to it. Nothing when present, or refused (562, 563 on Windows NT).
// Returns the position, or -1.
int InsertActionCommand(std::vector<int>& commandIds, int commandId, bool windowsNT);

// Starts the companion of a shut-down action from the program's folder ("RIROVU.EXE" s / b / l,
// "ZAZORUV.EXE" r, "DosStart.PIF") after saving the layout and the recent list. A failed save is
// reported first. Returns what ShellExecuteEx returned.
BOOL StartShutdownHelper(HWND owner, int actionIndex);

// A click on an action item (or Enter on it): the point in screen coordinates. `confirm` asks
// before the shut-down family.
void RunSystemAction(int actionIndex, int x, int y, HWND bar, bool confirm);

}  // namespace jqbar
