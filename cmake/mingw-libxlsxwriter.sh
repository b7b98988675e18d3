#!/usr/bin/env bash
# Builds libxlsxwriter for the Windows cross build, from Debian's own source
# package, as a static library with its bundled zip code and the zlib of
# libz-mingw-w64-dev, and installs it in /usr/local/x86_64-w64-mingw32,
# where cmake/x86_64-w64-mingw32.cmake looks. Needs root, deb-src lines for
# the machine's suite (added when missing), and the MinGW-w64 compiler.
# Usage: cmake/mingw-libxlsxwriter.sh
set -euo pipefail
prefix=/usr/local/x86_64-w64-mingw32
if [ -f "$prefix/lib/libxlsxwriter.a" ]; then
  echo "libxlsxwriter for MinGW: already in $prefix"
  exit 0
fi
if ! apt-get source --print-uris libxlsxwriter >/dev/null 2>&1; then
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$suite" >/etc/apt/sources.list.d/ecriture-deb-src.sources
  apt-get update
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only libxlsxwriter && dpkg-source -x libxlsxwriter_*.dsc source)
cmake -S "$work/source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")" && pwd)/x86_64-w64-mingw32.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DUSE_SYSTEM_MINIZIP=OFF -DUSE_NO_MD5=ON \
  -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX="$prefix"
cmake --build "$work/build" -j 2
cmake --install "$work/build"
# The notices the zip carries with the programs.
install -D -m 644 "$work/source/License.txt" "$prefix/share/libxlsxwriter-License.txt"
