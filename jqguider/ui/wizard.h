// The set-up wizard's windows: start-up (the hidden frame and the sheet) and the six pages.
#pragma once
#include <windows.h>
#include <string>
#include "handover.h"
#include "layout_templates.h"

namespace guider {

// What the pages set, and what the start-up found.
struct WizardState {
  WindowStyle style = WindowStyle::Docked;
  ToolSet tools;
  std::string name;           // the layout name, at most 99 characters
  bool toolbarRunning = false;  // the toolbar's main window existed at start
  bool hasPreviousLayout = false;
  std::string programFolder;  // with its trailing backslash
  DisplayNames displayNames;
  // Results of Finish.
  std::string writtenPath;
  bool finished = false;
  HandOver handOver = HandOver::Failed;
};

struct GuiderOptions {
  std::string programFolder;  // empty: the folder of the running program
};

// The whole program: finds the toolbar and the recent list, picks the default name, registers
// the frame class, runs the sheet. 1 when the sheet ran, 0 when the frame could not be made.
// `state` (optional) receives the final wizard state.
int RunGuider(HINSTANCE instance, const GuiderOptions& options, WizardState* state = nullptr);

// The sheet with its six pages over a prepared state; returns PropertySheet's result.
INT_PTR RunWizardSheet(HINSTANCE instance, WizardState& state);

}  // namespace guider
