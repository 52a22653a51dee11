#!/usr/bin/env bash
# Installs what is needed, builds the suite and runs every test under Wine on an Xvfb screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${JQ_BUILD_DIR:-$root/build}
start=$(date +%s)

[ "${JQ_SKIP_SETUP:-0}" = 1 ] || bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"

. "$root/scripts/wine-env.sh"
# A fresh prefix for every run.
prefix="$build/wineprefix-test"
# JQ_KEEP_PREFIX=1 reuses the prefix of the last run (quicker while developing).
[ "${JQ_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$prefix"
jq_wine_env "$prefix"
export LC_ALL=zh_TW.UTF-8 LANG=zh_TW.UTF-8
jq_start_xvfb force
trap jq_stop_wine EXIT
jq_prefix_init
jq_install_suite "$build/bin"
# One wineserver for the whole run.
wineserver -p
status=0
# GUI tests share one X screen and one Wine prefix; a test that fails is run once more before
# the run counts it as failed.
(cd "$build" && ctest --output-on-failure --repeat until-pass:2 -j "${JQ_TEST_JOBS:-$(nproc)}" "$@") || status=$?
echo "tests took $(( $(date +%s) - start )) s"
exit $status
