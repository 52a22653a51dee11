#!/usr/bin/env bash
# Installs what is needed, builds the suite and starts JQNavig under Wine: the i686 build where this
# machine runs 32-bit programs, else the x86_64 build (JQ_ARCH chooses one).
# It builds only the suite's programs and libraries (the `suite` target), not the tests.
# Without a working $DISPLAY it runs on an Xvfb screen with a window manager and saves a
# screenshot to the file it names.
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
JQ_ARCH=$arch JQ_BUILD_DIR=$build JQ_BUILD_TARGETS=${JQ_BUILD_TARGETS:-suite} bash "$root/scripts/build.sh"

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
jq_start_wm || echo "run: no window manager on the screen; windows have no frames" >&2
jq_prefix_init
jq_install_suite "$build/bin"
shot="$build/jqnavig-screenshot.png"
wine "$program" "$@" &
pid=$!
# The picture is taken once the main window is on the screen and has drawn itself.
for i in $(seq 1 600); do
  xdotool search --onlyvisible --class jqnavig.exe >/dev/null 2>&1 && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
sleep "${JQ_SHOT_DELAY:-2}"
import -window root "$shot"
echo "screenshot: $shot"
kill "$pid" 2>/dev/null || true
