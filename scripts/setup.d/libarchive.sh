#!/usr/bin/env bash
# Builds libarchive for 32-bit Windows (static library only, zlib on, every other codec off) from
# Debian's own source package, into a cache folder keyed by the package's version:
#   ${JQ_CACHE_DIR:-/var/cache/quorvanel}/libarchive-<version>-i686/{include,lib}
# Also installs the native tools that the archive tests use to make their fixtures.
# Safe to run again: with the cache folder complete and the tools installed it only checks.
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
prefix=$cache/libarchive-${version//[:~]/_}-i686
if [ -f "$prefix/.complete" ] && [ -f "$prefix/lib/libarchive.a" ] && [ -f "$prefix/include/archive.h" ]; then
  exit 0
fi

# One build at a time: a second run waits and then finds the cache complete.
mkdir -p "$cache"
exec 9>"$cache/.libarchive.lock"
flock 9
if [ -f "$prefix/.complete" ] && [ -f "$prefix/lib/libarchive.a" ]; then
  exit 0
fi
echo "libarchive: building $version for i686-w64-mingw32 into $prefix"
work=$cache/src
mkdir -p "$work"
rm -rf "$work/libarchive-$upstream" "$work/build-libarchive"
( cd "$work" && apt-get source -q --download-only "libarchive=$version" >/dev/null \
    && dpkg-source -x "libarchive_${version#*:}.dsc" "libarchive-$upstream" >/dev/null )

cmake -S "$work/libarchive-$upstream" -B "$work/build-libarchive" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="-O2 -UZLIB_DLL" \
  -DZLIB_LIBRARY=/usr/i686-w64-mingw32/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include \
  -DENABLE_ZLIB=ON -DENABLE_BZip2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_LZ4=OFF \
  -DENABLE_LZO=OFF -DENABLE_LIBB2=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF \
  -DENABLE_CNG=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_PCRE2POSIX=OFF \
  -DENABLE_LIBGCC=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF \
  -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_UNZIP=OFF -DENABLE_TEST=OFF -DENABLE_COVERAGE=OFF \
  -DENABLE_WERROR=OFF -DENABLE_INSTALL=OFF >"$work/libarchive-configure.log"
cmake --build "$work/build-libarchive" --target archive_static -j "$(nproc)" >"$work/libarchive-build.log"

rm -rf "$prefix"
mkdir -p "$prefix/include" "$prefix/lib"
cp "$work/libarchive-$upstream/libarchive/archive.h" "$work/libarchive-$upstream/libarchive/archive_entry.h" "$prefix/include/"
lib=$(find "$work/build-libarchive" -name 'libarchive_static.a' -o -name 'libarchive.a' | head -n1)
cp "$lib" "$prefix/lib/libarchive.a"
echo "$version" > "$prefix/VERSION"
touch "$prefix/.complete"
rm -rf "$work/build-libarchive"
echo "libarchive: done ($prefix)"
