#!/usr/bin/env bash
# Installs everything the suite needs to build (for i686 and x86_64), run and test on a fresh Debian
# machine (as root). wine32 is installed everywhere; whether it can run is the test script's business.
# Safe to run again: it installs only what is missing. Extra steps live in scripts/setup.d/*.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
  mingw-w64 gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  wine wine32 wine64
  xvfb xauth x11-utils xdotool imagemagick openbox
  fonts-wqy-microhei fonts-wine locales
  cmake ninja-build googletest
  zip unzip p7zip-full
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Chinese locales for the Wine runs.
need_gen=0
for loc in zh_TW.UTF-8 zh_CN.UTF-8 en_US.UTF-8; do
  if ! locale -a 2>/dev/null | grep -qix "${loc/UTF-8/utf8}"; then
    sed -i "s/^# *\(${loc} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc} UTF-8" /etc/locale.gen || echo "${loc} UTF-8" >> /etc/locale.gen
    need_gen=1
  fi
done
[ $need_gen -eq 1 ] && locale-gen >/dev/null

for extra in "$here"/setup.d/*.sh; do
  [ -e "$extra" ] || continue
  bash "$extra"
done
echo "setup: done"
