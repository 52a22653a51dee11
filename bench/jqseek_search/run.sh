#!/usr/bin/env bash
# Times the finder's search under Wine by name mask and by contained text against bare walks in
# the same run, and find / grep natively, on a tree of <files> files in <files>/10 folders holding
# <megabytes> MB in all, a few of them with the text:
#   bench/jqseek_search/run.sh [files=200000] [megabytes=2048] [rounds=3]
# (build first: scripts/build.sh; JQ_ARCH (x86_64 or i686) and JQ_BUILD_DIR select the build).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
files=${1:-200000}
megabytes=${2:-2048}
rounds=${3:-3}
. "$root/scripts/wine-env.sh"
jq_wine_env "$build/wineprefix-bench" "$arch"
jq_start_xvfb
trap jq_stop_wine EXIT
jq_prefix_init

name="tree${files}_${megabytes}"
tree="$WINEPREFIX/drive_c/sbench/$name"
if [ ! -f "$tree/.complete" ]; then
  rm -rf "$tree"
  python3 - "$tree" "$files" "$megabytes" <<'PY'
import os, sys
root, files, mb = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
folders = max(1, files // 10)
per_file = max(1, mb * 1024 * 1024 // files)
block = (b"lorem ipsum dolor sit amet " * (per_file // 27 + 1))[:per_file]
made = 0
for f in range(folders):
    leaf = os.path.join(root, "t%03d" % (f % 30), "m%03d" % (f % 27), "leaf%05d" % f)
    os.makedirs(leaf, exist_ok=True)
    for i in range(10):
        with open(os.path.join(leaf, "f%d.dat" % i), "wb") as out:
            data = block
            if (f * 10 + i) % 997 == 0:
                data = block[: per_file // 2] + b"QuorvanelNeedle" + block[per_file // 2 :]
            out.write(data)
open(os.path.join(root, ".complete"), "w").close()
PY
fi
echo "tree: $tree ($(find "$tree" -type d | wc -l) folders, $(find "$tree" -type f ! -name .complete | wc -l) files, $(du -sm "$tree" | cut -f1) MB)"

native() {  # best of <rounds> runs of a command, in seconds
  local best="" t0 t1 t
  "$@" >/dev/null || true
  for _ in $(seq "$rounds"); do
    t0=$(date +%s.%N); "$@" >/dev/null || true; t1=$(date +%s.%N)
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
    if [ -z "$best" ] || awk -v t="$t" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$t; fi
  done
  echo "$best"
}
find_s=$(native find "$tree" -name '*.dat')
grep_s=$(native grep -rl QuorvanelNeedle "$tree")

out=$(wine "$build/bench/jqseek_search_bench.exe" "C:\\sbench\\$name" QuorvanelNeedle "$rounds" 2>&1 | tr -d '\r')
echo "$out" | grep -v '_seconds='
mask=$(echo "$out" | sed -n 's/^mask_seconds=//p')
text=$(echo "$out" | sed -n 's/^text_seconds=//p')
[ -n "$mask" ] && awk -v e="$mask" -v b="$find_s" 'BEGIN { printf "jqseek_mask_vs_find: ours=%.3fs baseline=%.3fs ratio=%.2f\n", e, b, e / b }'
[ -n "$text" ] && awk -v e="$text" -v b="$grep_s" 'BEGIN { printf "jqseek_text_vs_grep: ours=%.3fs baseline=%.3fs ratio=%.2f\n", e, b, e / b }'
