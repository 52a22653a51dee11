#!/usr/bin/env bash
# The FTP library's tests run their own pyftpdlib and vsftpd servers on 127.0.0.1
# (platform/csftpl32/ftp_servers.sh). The vsftpd package starts a system service on port 21;
# that one is stopped and switched off, since nothing here uses it.
set -euo pipefail
need=()
for p in python3 python3-pyftpdlib vsftpd; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  # Keep the package's service from starting during the install.
  policy=/usr/sbin/policy-rc.d
  made_policy=0
  if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod +x "$policy"
    made_policy=1
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}" || { [ $made_policy = 1 ] && rm -f "$policy"; exit 1; }
  [ $made_policy = 1 ] && rm -f "$policy"
fi
# Whatever started it before: stopped now and not started at boot.
if command -v systemctl >/dev/null && [ -d /run/systemd/system ]; then
  systemctl disable --now vsftpd >/dev/null 2>&1 || true
else
  command -v service >/dev/null && service vsftpd stop >/dev/null 2>&1 || true
  command -v update-rc.d >/dev/null && update-rc.d vsftpd disable >/dev/null 2>&1 || true
fi
exit 0
