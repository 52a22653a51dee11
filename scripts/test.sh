#!/usr/bin/env bash
# Installs what is needed, builds the suite for both word sizes (a compile or link error in either
# fails the run) and runs every test under Wine: the x86_64 build under wine64 on every machine,
# then the i686 build under wine where this machine can run 32-bit code.
#   bash scripts/test.sh [--x86_64-only] [ctest arguments...]
#   --x86_64-only (or JQ_NO_I686=1): skip the i686 test pass, as on a machine without 32-bit
#                 support (the i686 build is still made).
#   JQ_ARCHES="i686": test only the passes named.
#   JQ_TEST_JOBS=n: tests run side by side (default: twice the cores, at least 4).
#   JQ_I686_FULL=1: the i686 pass runs every test, not only those whose results depend on the
#                 word size.
#
# Each test runs in a world of its own (scripts/wine-run-test.sh): a copy of the pass's prepared
# Wine prefix, so its own wineserver and registry, and its own Xvfb screen with a window manager.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
start=$(date +%s)

no_i686=${JQ_NO_I686:-0}
if [ "${1:-}" = "--x86_64-only" ]; then
  no_i686=1
  shift
fi

[ "${JQ_SKIP_SETUP:-0}" = 1 ] || bash "$root/scripts/setup.sh"
. "$root/scripts/wine-env.sh"
. "$root/scripts/cups-env.sh"

passes=()
for arch in ${JQ_ARCHES:-x86_64 i686}; do
  if [ "$arch" = i686 ]; then
    if [ "$no_i686" = 1 ]; then
      echo "test: i686 pass switched off; only the x86_64 build is tested"
      continue
    fi
    if ! jq_arch_runs i686; then
      echo "test: this machine cannot run 32-bit programs (wine32 does not start); only the x86_64 build is tested"
      continue
    fi
  fi
  passes+=("$arch")
done

export LC_ALL=zh_TW.UTF-8 LANG=zh_TW.UTF-8
jq_start_xvfb force
trap 'jq_stop_wine; jq_stop_cups' EXIT

# Both builds are made before any test runs, on every machine: the x86_64 pass also hands data to
# the i686 programs (a 64-bit prefix runs both word sizes where 32-bit programs run at all).
build_root=${JQ_BUILD_ROOT:-$root/build}
for arch in x86_64 i686; do
  build_start=$(date +%s)
  JQ_ARCH=$arch JQ_BUILD_DIR=$build_root/$arch bash "$root/scripts/build.sh"
  echo "test: $arch build took $(( $(date +%s) - build_start )) s"
done
cores=$(nproc)
jobs=${JQ_TEST_JOBS:-$(( cores * 2 > 4 ? cores * 2 : 4 ))}

total_pass=0
total_fail=0
total_second=0
status=0
summary=()
for arch in "${passes[@]}"; do
  pass_start=$(date +%s)
  build=$build_root/$arch
  unset JQ_OTHER_PROGRAM_DIR
  if [ "$arch" = x86_64 ] && printf '%s\n' "${passes[@]}" | grep -qx i686; then
    # The 32-bit programs that the cross-word-size tests start (Wine's Z: form of the path).
    export JQ_OTHER_PROGRAM_DIR="Z:$(printf '%s' "$build_root/i686/bin" | tr '/' '\\')"
  fi
  # A fresh prefix for every run; JQ_KEEP_PREFIX=1 reuses the last one (quicker while developing).
  # Each test runs in a copy of it.
  prefix="$build/wineprefix-test"
  [ "${JQ_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$prefix"
  jq_wine_env "$prefix" "$arch"
  # The printing tests print to a PDF printer of a private CUPS server (before Wine starts).
  jq_stop_cups
  jq_start_cups "$build/cups-test"
  prep_start=$(date +%s)
  jq_prefix_init
  jq_install_suite "$build/bin"
  jq_quiet_startup_questions
  jq_stop_wineserver
  echo "test: $arch prefix prepared in $(( $(date +%s) - prep_start )) s"
  export JQ_TEMPLATE_PREFIX="$prefix" JQ_WORLD_ROOT="$build/worlds"
  rm -rf "$JQ_WORLD_ROOT"
  mkdir -p "$JQ_WORLD_ROOT"
  echo "test: $arch pass under $WINELOADER, $jobs tests at a time"
  log="$build/ctest-first.log"
  # A test that fails is run once more, so that the run names every test that passed only on that
  # second run; the summary counts them.
  # The i686 pass runs the tests whose results depend on the word size (label word_size: stored
  # records, exports, messages between processes, 64-bit sizes, a start of every program); the
  # rest behaves the same in both word sizes and runs in the x86_64 pass. JQ_I686_FULL=1 runs all.
  select=()
  if [ "$arch" = i686 ] && [ "${JQ_I686_FULL:-0}" != 1 ]; then
    select=(-L word_size)
  fi
  rc=0
  (cd "$build" && ctest --output-on-failure -j "$jobs" "${select[@]}" "$@") 2>&1 | tee "$log" || rc=$?
  ran=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n1)
  ran=${ran:-0}
  failed_list="$build/Testing/Temporary/LastTestsFailed.log"
  failed=()
  if [ "$rc" -ne 0 ]; then
    if [ "$ran" = 0 ]; then
      echo "test: $arch: ctest failed before running any test (rc $rc)"
      status=1
    fi
    [ -f "$failed_list" ] && mapfile -t failed < <(sed 's/^[0-9]*://' "$failed_list")
  fi
  still_failed=()
  second=0
  if [ ${#failed[@]} -gt 0 ]; then
    echo "test: $arch: ${#failed[@]} failed on the first run, running them once more: ${failed[*]}"
    rc2=0
    (cd "$build" && ctest --output-on-failure --rerun-failed) 2>&1 | tee "$build/ctest-second.log" || rc2=$?
    if [ "$rc2" -ne 0 ] && [ -f "$failed_list" ]; then
      mapfile -t still_failed < <(sed 's/^[0-9]*://' "$failed_list")
    fi
    for t in "${failed[@]}"; do
      if ! printf '%s\n' "${still_failed[@]}" | grep -qxF "$t"; then
        echo "test: $arch: $t passed only on its second run"
        second=$((second + 1))
      fi
    done
  fi
  still=${#still_failed[@]}
  [ "$still" -gt 0 ] && status=1
  total_pass=$((total_pass + ran - still))
  total_fail=$((total_fail + still))
  total_second=$((total_second + second))
  summary+=("$arch: $((ran - still)) passed ($second of them only on a second run), $still failed in $(( $(date +%s) - pass_start )) s")
  jq_end_worlds "$JQ_WORLD_ROOT"
  unset JQ_TEMPLATE_PREFIX JQ_WORLD_ROOT
  jq_stop_cups
done

for line in "${summary[@]}"; do echo "test: $line"; done
echo "tests took $(( $(date +%s) - start )) s"
echo "tests: $total_pass passed, $total_fail failed, $total_second needed a second run"
exit $status
