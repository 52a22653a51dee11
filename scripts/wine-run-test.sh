#!/usr/bin/env bash
# Runs one test executable under Wine for CTest.
#
# When the test script has prepared a prefix (JQ_TEMPLATE_PREFIX), the test gets a world of its
# own: a copy of that prefix (so its own wineserver, registry, clipboard and C: drive), and its own
# Xvfb screen with a window manager, as a user's desktop has one. Tests then run side by side
# without seeing each other's windows, pointer, keys or settings, and Wine never waits for a window
# manager to withdraw a window. Everything is removed when the test ends.
#
# Without JQ_TEMPLATE_PREFIX the test runs in the prefix and on the display of the environment.
#
# Wine's helper processes (explorer, services) that the first program starts outlive it: in the
# shared prefix the output goes to a file first so that CTest's pipe closes when the test ends.
set -u
here=$(cd "$(dirname "$0")" && pwd)

world=
JQ_XVFB_PID=
JQ_WM_PID=
cleanup() {
  if [ -n "$world" ]; then
    [ -d "$world/prefix" ] && WINEPREFIX="$world/prefix" wineserver -k >/dev/null 2>&1
    local pid
    for pid in $JQ_WM_PID $JQ_XVFB_PID; do
      kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$world"
  fi
}
trap cleanup EXIT

if [ -n "${JQ_TEMPLATE_PREFIX:-}" ]; then
  . "$here/wine-env.sh"
  world=$(mktemp -d "${JQ_WORLD_ROOT:-/tmp}/jqtest.XXXXXX")
  if ! jq_copy_prefix "$JQ_TEMPLATE_PREFIX" "$world/prefix"; then
    echo "wine-run-test: cannot copy the prepared prefix" >&2
    exit 1
  fi
  export WINEPREFIX="$world/prefix"
  # Screens started at the same moment by tests side by side can race for a display number: a
  # start that failed is ended and tried again.
  started=1
  for attempt in 1 2 3; do
    jq_start_world_display "$world" && { started=0; break; }
    echo "wine-run-test: the test's X screen or window manager did not start (try $attempt)" >&2
    for pid in $JQ_WM_PID $JQ_XVFB_PID; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    JQ_WM_PID= JQ_XVFB_PID=
  done
  # What the test script ends itself if this script is killed (a test that ran past its time).
  echo "$JQ_WM_PID $JQ_XVFB_PID" > "$world/pids"
  if [ $started -ne 0 ]; then
    echo "wine-run-test: cannot start the test's X screen and window manager" >&2
    exit 1
  fi
  # Names that tests make on the host (xdotool's marker files) carry this instead of a Windows
  # process id, which every wineserver counts from the same start.
  export JQ_RUN_ID="$$"
fi

if [ -n "$world" ]; then
  # The output goes straight to CTest, so that a test stopped past its time shows how far it came:
  # the world's wineserver and its helpers end with the test.
  report="$world/report.xml"
  wine "$@" "--gtest_output=xml:Z:$(printf '%s' "$report" | tr '/' '\\')" 2>&1 </dev/null
  rc=$?
  # On a busy machine Wine at times ends the process by force (SIGKILL) while it exits, after
  # the last case has run. The report, written before the exit, then says how the cases went.
  if [ $rc -eq 137 ] && [ -f "$report" ] &&
     grep -q '<testsuites tests="[1-9][0-9]*" failures="0" disabled="[0-9]*" errors="0"' "$report"; then
    echo "wine-run-test: every case passed; Wine ended the process by force as it exited"
    rc=0
  fi
  exit $rc
fi
log=$(mktemp)
wine "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
