# Sourced by the run and test scripts: the Wine environment of the suite.
# jq_wine_env PREFIX [ARCH] exports the Wine variables for a prefix of our own: a 64-bit prefix
#                          run by wine64 for x86_64 (the default), a 32-bit one run by wine for i686
# jq_arch_runs ARCH        whether this machine can run Wine programs of that word size
# jq_start_xvfb            starts an Xvfb screen unless $DISPLAY works (sets JQ_XVFB_PID)
# jq_prefix_init           creates the prefix once (wineboot -i) with Chinese-capable UI fonts
# jq_install_suite BINDIR  copies the program folder into the prefix and records InstallDir
# jq_quiet_startup_questions  keeps the file manager's start-up .zip question off (test prefixes)
# jq_copy_prefix FROM TO   copies a prepared prefix for one test (Wine's DLL folders hard-linked)
# jq_start_world_display DIR  starts a test's own Xvfb screen and window manager (sets DISPLAY,
#                          JQ_XVFB_PID, JQ_WM_PID)
# jq_start_wm              starts a window manager on $DISPLAY unless one runs (sets JQ_WM_PID)
# jq_end_worlds ROOT       ends what tests killed past their time left in their worlds
# jq_stop_wineserver       ends the prefix's wineserver
# jq_stop_wine             ends the prefix's wineserver and our Xvfb

JQ_WINE32_LOADER=${JQ_WINE32_LOADER:-/usr/lib/wine/wine}
JQ_WINE64_LOADER=${JQ_WINE64_LOADER:-/usr/lib/wine/wine64}

jq_arch_runs() {
  local loader=$JQ_WINE64_LOADER
  [ "$1" = i686 ] && loader=$JQ_WINE32_LOADER
  # Run the loader itself: some kernels refuse 32-bit code altogether ("Exec format error").
  [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1
}

jq_wine_env() {
  export WINEPREFIX="$1"
  local arch=${2:-x86_64} loader
  if [ "$arch" = i686 ]; then
    export WINEARCH=win32
    loader=$JQ_WINE32_LOADER
  else
    export WINEARCH=win64
    loader=$JQ_WINE64_LOADER
  fi
  export JQ_WINE_ARCH=$arch
  export WINELOADER=$loader
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # "wine" (and wineboot, regedit, winepath, which call wine-stable) run the prefix's own loader:
  # Debian's wrapper would pick the 32-bit loader whenever it is installed.
  local shim="$WINEPREFIX.bin"
  mkdir -p "$shim"
  printf '#!/bin/sh\nexec "%s" "$@"\n' "$loader" > "$shim/wine"
  chmod +x "$shim/wine"
  ln -sf wine "$shim/wine-stable"
  if [ -n "${JQ_WINE_SHIM:-}" ]; then
    PATH=$(printf '%s' "$PATH" | tr ':' '\n' | grep -vxF "$JQ_WINE_SHIM" | paste -sd: -)
  fi
  export JQ_WINE_SHIM=$shim
  export PATH="$shim:$PATH"
}

jq_display_works() {
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

jq_start_xvfb() {
  if [ "${1:-}" != "force" ] && jq_display_works; then
    return 0
  fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X${n}-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    JQ_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$JQ_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

# LOGFONTW (92 bytes) as a .reg hex list: height -12, weight 400, DEFAULT_CHARSET, "MS Shell Dlg".
jq_logfontw_hex() {
  python3 - "$1" <<'PY'
import struct, sys
weight = int(sys.argv[1])
face = "MS Shell Dlg".encode("utf-16-le").ljust(64, b"\0")
rec = struct.pack("<5i8B", -12, 0, 0, 0, weight, 0, 0, 0, 1, 0, 0, 0, 0) + face
print(",".join("%02x" % b for b in rec))
PY
}

jq_prefix_init() {
  if [ -f "$WINEPREFIX/.jq-ready" ]; then
    return 0
  fi
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # The user's shell folders become folders of the prefix instead of links to the host's home,
  # and the desktop loses Wine's "/" item: the suite shows the Windows side only.
  local link
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
      rm -f "$link"
      mkdir -p "$link"
    fi
  done
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\Desktop\Namespace\{9D20AAE8-0625-44B0-9CA7-71889C2254D9}' /f >/dev/null 2>&1 || true
  wineserver -w
  local reg="$WINEPREFIX/jq-fonts.reg" normal bold
  normal=$(jq_logfontw_hex 400)
  bold=$(jq_logfontw_hex 700)
  {
    echo "REGEDIT4"
    echo
    echo "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]"
    echo "\"MenuFont\"=hex:$normal"
    echo "\"CaptionFont\"=hex:$bold"
    echo "\"SmCaptionFont\"=hex:$normal"
    echo "\"StatusFont\"=hex:$normal"
    echo "\"MessageFont\"=hex:$normal"
  } > "$reg"
  wine regedit /S "$(winepath -w "$reg")" >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.jq-ready"
}

jq_install_suite() {
  local bindir="$1"
  local dest="$WINEPREFIX/drive_c/Program Files/Quorvanel"
  mkdir -p "$dest"
  cp -f "$bindir"/*.exe "$dest"/ 2>/dev/null || true
  cp -f "$bindir"/*.dll "$dest"/ 2>/dev/null || true
  [ -f "$bindir/Quorvnel.hlp" ] && cp -f "$bindir/Quorvnel.hlp" "$dest"/
  wine reg add 'HKLM\Software\Belmoor\Quorvanel\CurrentVersion' /v InstallDir /t REG_SZ \
    /d 'C:\Program Files\Quorvanel' /f >/dev/null 2>&1
  wineserver -w
}

# The test prefix answers the file manager's start-up question about .zip files once for all
# the programs the tests start (the test of the question itself uses a private registry).
jq_quiet_startup_questions() {
  wine reg add 'HKCU\Software\Belmoor\Quorvanel\CurrentVersion\KestralViews' /v 'No Zip Association Warning' \
    /t REG_DWORD /d 1 /f >/dev/null 2>&1
  wineserver -w
}

# Benchmarks run their windows unmanaged: Xvfb has no window manager, and Wine would wait up to
# 2 s for one to withdraw each top-level window that is hidden or destroyed. Wine draws its own
# frames instead, as a desktop with a window manager answers at once; both sides of a comparison
# run with the same setting. JQ_BENCH_MANAGED=1 keeps Wine's default.
jq_bench_unmanaged_windows() {
  if [ "${JQ_BENCH_MANAGED:-0}" = 1 ]; then
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
  else
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
}

# A prefix is 1.3 GB, nearly all of it Wine's DLL folders and the suite's programs, which nothing
# writes to in place: those are hard-linked; the registry files, settings and every other folder
# are copied.
jq_copy_prefix() {
  local from="$1" to="$2" entry name
  mkdir -p "$to/drive_c/windows" || return 1
  for entry in "$from"/* "$from"/.[!.]*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    [ "$name" = drive_c ] && continue
    cp -a "$entry" "$to/" || return 1
  done
  for entry in "$from"/drive_c/*; do
    name=${entry##*/}
    case "$name" in
      windows|"Program Files") continue ;;
    esac
    cp -a "$entry" "$to/drive_c/" || return 1
  done
  # The suite's program folder: its files are replaced, never written in place.
  mkdir -p "$to/drive_c/Program Files" || return 1
  for entry in "$from/drive_c/Program Files"/*; do
    [ -e "$entry" ] || continue
    if [ "${entry##*/}" = Quorvanel ]; then
      cp -al "$entry" "$to/drive_c/Program Files/" 2>/dev/null || cp -a "$entry" "$to/drive_c/Program Files/" || return 1
    else
      cp -a "$entry" "$to/drive_c/Program Files/" || return 1
    fi
  done
  for entry in "$from"/drive_c/windows/* "$from"/drive_c/windows/.[!.]*; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    name=${entry##*/}
    case "$name" in
      system32|syswow64|winsxs)
        cp -al "$entry" "$to/drive_c/windows/" 2>/dev/null || cp -a "$entry" "$to/drive_c/windows/" || return 1 ;;
      *) cp -a "$entry" "$to/drive_c/windows/" || return 1 ;;
    esac
  done
}

# Starts a window manager on $DISPLAY and waits until it has taken the screen. Wine, like any
# program on a user's desktop, then sees its windows shown, hidden and moved at once; without one
# it waits up to 2 s each time a top-level window is hidden or destroyed.
jq_start_wm() {
  if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    return 0
  fi
  command -v openbox >/dev/null 2>&1 || return 1
  openbox --sm-disable >/dev/null 2>&1 &
  JQ_WM_PID=$!
  # A machine under load may take many seconds to start it: the bound is only for a manager
  # that hangs.
  local i
  for i in $(seq 1 1200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    kill -0 "$JQ_WM_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# A test's own screen: Xvfb picks a free display number itself and names it once it is ready.
jq_start_world_display() {
  local dir="$1" fifo="$1/displayfd" n=
  mkfifo "$fifo" || return 1
  Xvfb -displayfd 7 -screen 0 1280x900x24 -nolisten tcp 7>"$fifo" >/dev/null 2>&1 &
  JQ_XVFB_PID=$!
  read -r -t 120 n <"$fifo" || true
  rm -f "$fifo"
  [ -n "$n" ] || return 1
  export DISPLAY=":$n"
  JQ_WM_PID=
  jq_start_wm
}

# Ends what the tests of a world folder left running when they were killed past their time.
jq_end_worlds() {
  local world pid
  for world in "$1"/*/; do
    [ -d "$world" ] || continue
    [ -d "$world/prefix" ] && WINEPREFIX="$world/prefix" wineserver -k >/dev/null 2>&1
    if [ -f "$world/pids" ]; then
      for pid in $(cat "$world/pids"); do kill "$pid" 2>/dev/null || true; done
    fi
  done
  rm -rf "$1"
}

jq_stop_wineserver() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}

jq_stop_wine() {
  jq_stop_wineserver
  if [ -n "${JQ_WM_PID:-}" ]; then
    kill "$JQ_WM_PID" 2>/dev/null || true
  fi
  if [ -n "${JQ_XVFB_PID:-}" ]; then
    kill "$JQ_XVFB_PID" 2>/dev/null || true
    wait "$JQ_XVFB_PID" 2>/dev/null || true
  fi
}
