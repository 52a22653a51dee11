#!/usr/bin/env bash
# Full-size run of the file-list benchmark under Wine: the folder of files is made natively in
# the Wine prefix's temporary folder (quick), then handed to the benchmark, then removed.
#   bench/file_list/run.sh [count]        (default 100000; JQ_ARCH and JQ_BUILD_DIR as for the other scripts)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${JQ_ARCH:-x86_64}
build=${JQ_BUILD_DIR:-$root/build/$arch}
count=${1:-100000}
. "$root/scripts/wine-env.sh"
jq_wine_env "${JQ_WINEPREFIX:-$build/wineprefix-bench}" "$arch"
jq_start_xvfb force
trap jq_stop_wine EXIT
jq_prefix_init
folder="$WINEPREFIX/drive_c/jqbench_file_list"
rm -rf "$folder"
mkdir -p "$folder"
python3 - "$folder" "$count" <<'PY'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    with open(os.path.join(folder, "file%06d.dat" % i), "wb") as f:
        f.write(b"x" * (i % 97))
PY
status=0
wine "$build/bench/file_list_bench.exe" "$count" 'C:\jqbench_file_list' || status=$?
rm -rf "$folder"
exit $status
