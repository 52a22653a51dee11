#!/usr/bin/env bash
# The encryption library (platform/jqencr) links libgcrypt for its ciphers, its MAC and its
# random IVs: Debian's mingw build of it (with libgpg-error), static, for both word sizes.
set -euo pipefail
need=()
for p in libgcrypt-mingw-w64-dev libgpg-error-mingw-w64-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need[@]}"
fi
