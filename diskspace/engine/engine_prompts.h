// The questions the engine puts to the user. The engine shows no windows of its own: the
// program's user interface installs the answers at start-up (SetEnginePrompts). Without them
// every question gets the answer that changes nothing and waits for nobody, so that the engine
// runs unattended (tests, a scan with no window).
#pragma once
#include <windows.h>
#include <cstdint>

struct DriveNode;

struct EnginePrompts {
  // The cluster size to count a network drive's files with, asked the first time the drive is
  // scanned (GUI thread only; workers take the proposal). Returns true with *value set, false
  // when the user declined (the proposal stays). Unattended: false.
  bool (*askNetClusterSize)(HWND owner, DriveNode* drive, uint32_t proposal, uint32_t measured,
                            uint32_t* value) = nullptr;
  // Stop was asked for a selection that belongs to no drive: stop the scans of every drive?
  // Unattended: no.
  bool (*askStopAllScans)(HWND owner) = nullptr;
};

// Installs the answers (members left null keep the unattended answers) and returns the ones
// installed before. GUI thread, before the first scan.
EnginePrompts SetEnginePrompts(const EnginePrompts& prompts);
// The questions themselves, as the engine asks them.
bool AskNetClusterSize(HWND owner, DriveNode* drive, uint32_t proposal, uint32_t measured,
                       uint32_t* value);
bool AskStopAllScans(HWND owner);
