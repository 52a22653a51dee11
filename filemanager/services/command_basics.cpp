#include "command_basics.h"
#include <atomic>

namespace {
std::atomic<UINT> g_refused{0};
}  // namespace

LRESULT RefuseCommand() {
  ++g_refused;
  MessageBeep(0);
  return 0;
}

UINT RefusedCommandCount() { return g_refused; }
