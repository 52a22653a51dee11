// The engine's questions and their unattended answers.
#include "engine_prompts.h"

namespace {
EnginePrompts installed;
}  // namespace

EnginePrompts SetEnginePrompts(const EnginePrompts& prompts) {
  EnginePrompts previous = installed;
  installed = prompts;
  return previous;
}

bool AskNetClusterSize(HWND owner, DriveNode* drive, uint32_t proposal, uint32_t measured,
                       uint32_t* value) {
  if (!installed.askNetClusterSize || !value) return false;
  return installed.askNetClusterSize(owner, drive, proposal, measured, value);
}

bool AskStopAllScans(HWND owner) {
  return installed.askStopAllScans && installed.askStopAllScans(owner);
}
