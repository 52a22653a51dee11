#!/usr/bin/env bash
# Runs the zip engine benchmark under Wine: bench/jqcomp/run.sh [megabytes=200] [runs=3]
# (build first: scripts/build.sh; JQ_ARCH (x86_64 or i686) and JQ_BUILD_DIR select the build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
. "$root/scripts/wine-env.sh"
jq_wine_env "$build/wineprefix-bench" "$arch"
jq_start_xvfb
trap jq_stop_wine EXIT
jq_prefix_init
wine "$build/bench/jqcomp_bench.exe" "${1:-200}" "${2:-3}" 2>&1 | tr -d '\r'
