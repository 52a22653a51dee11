#!/usr/bin/env bash
# The Start-menu bar's cascading menus over a Programs folder of many shortcuts, cold and warm,
# against the bare IShellFolder / IShellLink loop, in a Wine prefix of its own.
#   bench/jqbar_startmenu/run.sh [folders] [shortcuts per folder] [rounds]   (default 100 20 3)
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
wine "$build/bench/jqbar_startmenu_bench.exe" "${1:-100}" "${2:-20}" "${3:-3}"
