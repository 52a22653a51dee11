#!/usr/bin/env bash
# JQBar's start-up on a layout of 20 frames and 500 panels against the same program on an empty
# layout, under Wine in a benchmark prefix of its own.
#   bench/jqbar_layout/run.sh [frames] [panels] [rounds]   (JQ_ARCH and JQ_BUILD_DIR as elsewhere)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
. "$root/scripts/wine-env.sh"
jq_wine_env "${JQ_WINEPREFIX:-$build/wineprefix-bench}" "$arch"
jq_start_xvfb force
trap jq_stop_wine EXIT
jq_prefix_init >/dev/null 2>&1
jq_bench_unmanaged_windows
folder=$(winepath -w "$build/bin" 2>/dev/null)
wine "$build/bench/jqbar_layout_bench.exe" "$folder" "$@"
