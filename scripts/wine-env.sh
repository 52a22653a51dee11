# Sourced by the run and test scripts: the Wine environment of the suite.
# jq_wine_env PREFIX       exports the Wine variables for a prefix of our own
# jq_start_xvfb            starts an Xvfb screen unless $DISPLAY works (sets JQ_XVFB_PID)
# jq_prefix_init           creates the prefix once (wineboot -i) with Chinese-capable UI fonts
# jq_install_suite BINDIR  copies the program folder into the prefix and records InstallDir
# jq_stop_wine             ends the prefix's wineserver and our Xvfb

jq_wine_env() {
  export WINEPREFIX="$1"
  export WINEARCH=win32
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml="
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

jq_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${JQ_XVFB_PID:-}" ]; then
    kill "$JQ_XVFB_PID" 2>/dev/null || true
    wait "$JQ_XVFB_PID" 2>/dev/null || true
  fi
}
