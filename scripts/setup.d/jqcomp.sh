#!/usr/bin/env bash
# The zip engine's tests decode UUEncode output with the native uudecode (sharutils), make .Z
# files with compress (ncompress) and hostile fixtures with python3; zip, unzip and 7z come from
# setup.sh, gcab and jlha from setup.d/libarchive.sh.
set -euo pipefail
need=()
for p in sharutils python3 ncompress; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi
