#!/usr/bin/env bash
# Times a full scan by Voltaly's engine under Wine against a bare FindFirstFileEx walk (same run)
# and du -sb natively, on a tree of <files> files in <files>/10 folders:
#   bench/voltaly_scan/run.sh [files=200000] [rounds=3] [single|batch|noview]
# The third argument chooses how the engine reports new folders to its (counting) view window:
# one message per folder (single, what the program does), one per listing (batch), or no view.
# (build first: scripts/build.sh; JQ_ARCH (x86_64 or i686) and JQ_BUILD_DIR select the build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
files=${1:-200000}
rounds=${2:-3}
. "$root/scripts/wine-env.sh"
jq_wine_env "$build/wineprefix-bench" "$arch"
jq_start_xvfb
trap jq_stop_wine EXIT
jq_prefix_init

tree="$WINEPREFIX/drive_c/vbench/tree$files"
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  python3 - "$tree" "$files" <<'PY'
import os, sys
root, files = sys.argv[1], int(sys.argv[2])
folders = max(1, files // 10)
# Three levels: top folders, middle folders, leaf folders of ten files each.
tops = max(1, round(folders ** (1 / 3)))
mids = max(1, round((folders / tops) ** 0.5))
made = 0
sizes = [0, 1, 100, 4095, 4096, 5000, 12345, 70000, 300, 2048]
for t in range(tops):
    for m in range(mids):
        base = os.path.join(root, "t%03d" % t, "m%03d" % m)
        per = -(-folders // (tops * mids))
        for l in range(per):
            if made >= folders:
                break
            leaf = os.path.join(base, "leaf%04d" % l)
            os.makedirs(leaf)
            for f in range(10):
                with open(os.path.join(leaf, "f%d.dat" % f), "wb") as out:
                    out.write(b"x" * sizes[(made + f) % 10])
            made += 1
open(os.path.join(root, ".complete"), "w").close()
PY
fi
nfolders=$(find "$tree" -type d | wc -l)
nfiles=$(find "$tree" -type f ! -name .complete | wc -l)
echo "tree: $tree ($nfolders folders, $nfiles files)"

# du natively, warm (the first run fills the cache).
du -sb "$tree" >/dev/null
best=""
for i in $(seq "$rounds"); do
  t0=$(date +%s.%N); du -sb "$tree" >/dev/null; t1=$(date +%s.%N)
  t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
  if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
done

out=$(wine "$build/bench/voltaly_scan_bench.exe" "C:\\vbench\\tree$files" "$rounds" ${3:-} 2>&1 | tr -d '\r')
echo "$out" | grep -v '^engine_seconds='
engine=$(echo "$out" | sed -n 's/^engine_seconds=//p')
if [ -n "$engine" ]; then
  awk -v e="$engine" -v b="$best" \
    'BEGIN { printf "voltaly_scan_vs_du: ours=%.3fs baseline=%.3fs ratio=%.2f\n", e, b, e / b }'
fi
