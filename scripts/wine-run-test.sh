#!/usr/bin/env bash
# Runs one test executable under Wine for CTest. Wine's helper processes (explorer, services)
# that the first program starts outlive it; their output goes to a file of their own so that
# CTest's pipe closes when the test ends.
set -u
log=$(mktemp)
wine "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc
