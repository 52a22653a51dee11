#!/usr/bin/env bash
# JQBar's start-up on a layout of 20 frames and 500 panels against the same program on an empty
# layout, under Wine in a benchmark prefix of its own.
#   bench/jqbar_layout/run.sh [frames] [panels] [rounds]   (JQ_ARCH and JQ_BUILD_DIR as elsewhere)
# JQ_BENCH_MANAGED=1 keeps Wine's default of handing top-level windows to a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
. "$root/scripts/wine-env.sh"
jq_wine_env "${JQ_WINEPREFIX:-$build/wineprefix-bench}" "$arch"
jq_start_xvfb force
trap jq_stop_wine EXIT
jq_prefix_init >/dev/null 2>&1
# Xvfb has no window manager: Wine would wait up to 2 s for one to withdraw each top-level
# window that is hidden or destroyed. Unmanaged windows are drawn by Wine itself, as a desktop
# with a window manager answers at once; both runs of the comparison use the same setting.
if [ "${JQ_BENCH_MANAGED:-0}" = 1 ]; then
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
else
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
folder=$(winepath -w "$build/bin" 2>/dev/null)
wine "$build/bench/jqbar_layout_bench.exe" "$folder" "$@"
