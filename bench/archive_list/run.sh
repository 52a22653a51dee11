#!/usr/bin/env bash
# The archive-listing benchmark under Wine: a ZIP of 20,000 entries (and a RAR of 2,000 when a
# rar writer is installed; else the largest RAR fixture) made natively, listed into a pane and
# by a bare engine loop, and listed natively with "unzip -Z1" for a second baseline.
#   bench/archive_list/run.sh [zip entries] [rar entries]   (JQ_ARCH and JQ_BUILD_DIR as elsewhere)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
zipCount=${1:-20000}
rarCount=${2:-2000}
. "$root/scripts/wine-env.sh"
jq_wine_env "${JQ_WINEPREFIX:-$build/wineprefix-bench}" "$arch"
jq_start_xvfb force
trap jq_stop_wine EXIT
jq_prefix_init
work="$WINEPREFIX/drive_c/jqbench_archive_list"
rm -rf "$work"
mkdir -p "$work/src"
python3 - "$work/src" "$zipCount" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    d = os.path.join(folder, "d%03d" % (i // 200))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file%06d.txt" % i), "wb") as f:
        f.write(b"entry %d\n" % i * (1 + i % 7))
PY
(cd "$work/src" && zip -qr ../big.zip .)
archives=('C:\jqbench_archive_list\big.zip')
if command -v rar >/dev/null; then
  (cd "$work/src" && ls -d d0* | head -n $((rarCount / 200)) | xargs rar a -inul ../big.rar)
  archives+=('C:\jqbench_archive_list\big.rar')
fi
start=$(date +%s.%N)
unzip -Z1 "$work/big.zip" > /dev/null
end=$(date +%s.%N)
native=$(echo "$end - $start" | bc -l)
programs="Z:$(printf '%s' "$build/bin" | tr '/' '\\')"
out=$(WINEDEBUG=-all wine "$build/bench/archive_list_bench.exe" "$programs" "${archives[@]}")
echo "$out"
ours=$(echo "$out" | sed -n 's/^archive_list big.zip: ours=\([0-9.]*\)s.*/\1/p')
if [ -n "$ours" ]; then
  printf 'archive_list big.zip vs native: ours=%ss baseline=%.3fs ratio=%.2f\n' "$ours" "$native" "$(echo "$ours / $native" | bc -l)"
fi
rm -rf "$work"
