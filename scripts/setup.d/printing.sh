#!/usr/bin/env bash
# A real printer for the printing tests and for running the programs: CUPS with the cups-pdf
# PDF printer, the 32-bit CUPS library that Wine's 32-bit side needs, and pdftotext to read the
# printed text back. The run and test scripts start a private cupsd of their own
# (scripts/cups-env.sh); the package's system service is stopped and switched off.
set -euo pipefail
need=()
for p in cups-daemon cups-client cups-bsd printer-driver-cups-pdf poppler-utils libcups2 libcups2:i386; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  export DEBIAN_FRONTEND=noninteractive
  policy=/usr/sbin/policy-rc.d
  made_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod +x "$policy"
    made_policy=1
  fi
  apt-get -o DPkg::Lock::Timeout=900 update -q
  apt-get -o DPkg::Lock::Timeout=900 install -y -q --no-install-recommends "${need[@]}" ||
    { [ $made_policy = 1 ] && rm -f "$policy"; exit 1; }
  [ $made_policy = 1 ] && rm -f "$policy"
fi
if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
  systemctl disable --now cups cups.socket cups.path >/dev/null 2>&1 || true
else
  command -v service >/dev/null && service cups stop >/dev/null 2>&1 || true
  command -v update-rc.d >/dev/null && update-rc.d cups disable >/dev/null 2>&1 || true
fi
