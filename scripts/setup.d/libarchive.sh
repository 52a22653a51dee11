#!/usr/bin/env bash
# Builds libarchive for 32-bit and 64-bit Windows (static library only, zlib on, every other codec
# off) from Debian's own source package, into cache folders keyed by the package's version and the
# target:
#   ${JQ_CACHE_DIR:-/var/cache/quorvanel}/libarchive-<version>-<i686|x86_64>/{include,lib}
# Also installs the native tools that the archive tests use to make their fixtures.
# Safe to run again: with the cache folders complete and the tools installed it only checks.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${JQ_CACHE_DIR:-/var/cache/quorvanel}
export DEBIAN_FRONTEND=noninteractive

need_pkgs=()
for p in gcab cabextract jlha-utils lhasa libarchive-tools dpkg-dev libz-mingw-w64-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need_pkgs+=("$p")
done
if [ ${#need_pkgs[@]} -gt 0 ]; then
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${need_pkgs[@]}"
fi

source_version() {
  apt-cache showsrc libarchive 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n1 || true
}
version=$(source_version)
if [ -z "$version" ]; then
  # Source entries for Debian's own archive, so that "apt-get source" can fetch the package.
  src_list=/etc/apt/sources.list.d/quorvanel-src.sources
  if [ ! -f "$src_list" ]; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
    cat > "$src_list" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: ${codename} ${codename}-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: ${codename}-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  fi
  apt-get update -q
  version=$(source_version)
fi
if [ -z "$version" ]; then
  echo "libarchive: no source package known to apt" >&2
  exit 1
fi
upstream=${version#*:}; upstream=${upstream%-*}

# build_for ARCH: one cached build per target.
build_for() {
  local arch=$1 triple=$1-w64-mingw32
  local prefix=$cache/libarchive-${version//[:~]/_}-$arch
  if [ -f "$prefix/.complete" ] && [ -f "$prefix/lib/libarchive.a" ] && [ -f "$prefix/include/archive.h" ]; then
    return 0
  fi
  # One build at a time: a second run waits and then finds the cache complete.
  mkdir -p "$cache"
  exec 9>"$cache/.libarchive.lock"
  flock 9
  if [ -f "$prefix/.complete" ] && [ -f "$prefix/lib/libarchive.a" ]; then
    exec 9>&-
    return 0
  fi
  echo "libarchive: building $version for $triple into $prefix"
  local work=$cache/src
  mkdir -p "$work"
  if [ ! -f "$work/libarchive-$upstream/.extracted" ]; then
    rm -rf "$work/libarchive-$upstream"
    ( cd "$work" && apt-get source -q --download-only "libarchive=$version" >/dev/null \
        && dpkg-source -x "libarchive_${version#*:}.dsc" "libarchive-$upstream" >/dev/null )
    touch "$work/libarchive-$upstream/.extracted"
  fi
  local bdir=$work/build-libarchive-$arch
  rm -rf "$bdir"
  cmake -S "$work/libarchive-$upstream" -B "$bdir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-mingw.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS="-O2 -UZLIB_DLL" \
    -DZLIB_LIBRARY=/usr/$triple/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$triple/include \
    -DENABLE_ZLIB=ON -DENABLE_BZip2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF \
    -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF \
    -DENABLE_CNG=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_PCRE2POSIX=OFF \
    -DENABLE_LIBGCC=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF \
    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_UNZIP=OFF -DENABLE_TEST=OFF -DENABLE_COVERAGE=OFF \
    -DENABLE_WERROR=OFF -DENABLE_INSTALL=OFF >"$work/libarchive-configure-$arch.log"
  cmake --build "$bdir" --target archive_static -j "$(nproc)" >"$work/libarchive-build-$arch.log"

  rm -rf "$prefix"
  mkdir -p "$prefix/include" "$prefix/lib"
  cp "$work/libarchive-$upstream/libarchive/archive.h" "$work/libarchive-$upstream/libarchive/archive_entry.h" "$prefix/include/"
  local lib
  lib=$(find "$bdir" -name 'libarchive_static.a' -o -name 'libarchive.a' | head -n1)
  cp "$lib" "$prefix/lib/libarchive.a"
  echo "$version" > "$prefix/VERSION"
  touch "$prefix/.complete"
  rm -rf "$bdir"
  exec 9>&-
  echo "libarchive: done ($prefix)"
}

for arch in ${JQ_ARCHES:-x86_64 i686}; do
  build_for "$arch"
done
