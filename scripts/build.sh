#!/usr/bin/env bash
# Configures and builds the whole suite for one target into build/<arch> (or $JQ_BUILD_DIR).
#   JQ_ARCH=x86_64 (default) or i686
#   JQ_BUILD_TARGETS="a b" builds only those targets (quicker while developing).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${JQ_ARCH:-x86_64}
case "$arch" in
  i686|x86_64) ;;
  *) echo "build: unknown JQ_ARCH '$arch' (i686 or x86_64)" >&2; exit 2 ;;
esac
build=${JQ_BUILD_DIR:-$root/build/$arch}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" "$@"
fi
targets=()
for t in ${JQ_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" -j "${JQ_JOBS:-$(nproc)}" "${targets[@]}"
