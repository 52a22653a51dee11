#!/usr/bin/env bash
# Runs the zip engine benchmark under Wine: bench/jqcomp/run.sh [megabytes=200] [runs=3]
# (build first: scripts/build.sh; JQ_BUILD_DIR selects the build folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${JQ_BUILD_DIR:-$root/build}
. "$root/scripts/wine-env.sh"
jq_wine_env "$build/wineprefix-bench"
jq_start_xvfb
trap jq_stop_wine EXIT
jq_prefix_init
wine "$build/bench/jqcomp_bench.exe" "${1:-200}" "${2:-3}" 2>&1 | tr -d '\r'
