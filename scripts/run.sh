#!/usr/bin/env bash
# Installs what is needed, builds the suite and starts JQNavig under Wine: the i686 build where this
# machine runs 32-bit programs, else the x86_64 build (JQ_ARCH chooses one).
# Without a working $DISPLAY it runs on an Xvfb screen and saves a screenshot to the file it names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

[ "${JQ_SKIP_SETUP:-0}" = 1 ] || bash "$root/scripts/setup.sh"
. "$root/scripts/wine-env.sh"
. "$root/scripts/cups-env.sh"
arch=${JQ_ARCH:-}
if [ -z "$arch" ]; then
  if jq_arch_runs i686; then arch=i686; else arch=x86_64; fi
fi
build=${JQ_BUILD_DIR:-$root/build/$arch}
JQ_ARCH=$arch JQ_BUILD_DIR=$build bash "$root/scripts/build.sh"

jq_wine_env "${JQ_WINEPREFIX:-$build/wineprefix-run}" "$arch"
export LC_ALL=${JQ_LOCALE:-zh_TW.UTF-8} LANG=${JQ_LOCALE:-zh_TW.UTF-8}
program='C:\Program Files\Quorvanel\JQNavig.exe'
# A private CUPS server with the PDF printer as the default, before the prefix starts.
jq_start_cups "$build/cups-run"
if jq_display_works; then
  jq_prefix_init
  jq_install_suite "$build/bin"
  rc=0
  wine "$program" "$@" || rc=$?
  jq_stop_cups
  exit $rc
fi

jq_start_xvfb force
trap 'jq_stop_wine; jq_stop_cups' EXIT
jq_prefix_init
jq_install_suite "$build/bin"
shot="$build/jqnavig-screenshot.png"
# A Wine virtual desktop draws the window frame and caption, which bare Xvfb (no window manager) lacks.
wine explorer /desktop=Quorvanel,1280x900 "$program" "$@" &
pid=$!
sleep "${JQ_SHOT_DELAY:-8}"
import -window root "$shot"
echo "screenshot: $shot"
kill "$pid" 2>/dev/null || true
