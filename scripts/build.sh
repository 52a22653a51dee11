#!/usr/bin/env bash
# Configures and builds the whole suite into build/ (or $JQ_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${JQ_BUILD_DIR:-$root/build}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" "$@"
fi
# JQ_BUILD_TARGETS="a b" builds only those targets (quicker while developing).
targets=()
for t in ${JQ_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "${JQ_JOBS:-$(nproc)}" "${targets[@]}"
