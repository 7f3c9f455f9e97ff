#!/usr/bin/env bash
# Builds a ThreadSanitizer-instrumented libQt5Core from Debian's own qtbase source package, so that
# ThreadSanitizer sees QMutex, QThread and queued calls. qt5core-tsan-mutex.patch also tells
# ThreadSanitizer about every QMutex lock and unlock, so it reports lock-order inversions between
# QMutexes (Qt 5's futex mutex is invisible to it otherwise). The result is ABI-compatible with
# Debian's library: compile against Debian's headers, run with LD_LIBRARY_PATH pointing at the
# printed directory. The result is cached per Qt version and patch; a machine builds it once
# (about ten minutes on two cores). On first use it adds a deb-src list of Debian's archive to
# apt's sources (/etc/apt/sources.list.d/qzlv2-qtbase-src.sources) and says so before it does.
#   scripts/build-tsan-qt.sh        prints the directory holding libQt5Core.so.5
set -euo pipefail

cache=${QZ_TSAN_QT_CACHE:-$HOME/.cache/qzlv2/qt5core-tsan}
version=$(dpkg-query -W -f='${Version}' libqt5core5a)
patch_file=$(cd "$(dirname "$0")" && pwd)/qt5core-tsan-mutex.patch
stamp="$cache/lib/.built-$version-$(sha1sum "$patch_file" | cut -c1-12)"
if [ -f "$stamp" ]; then
  echo "$cache/lib"
  exit 0
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# Source entries for the build only: the same archive the binary packages come from.
srclist=/etc/apt/sources.list.d/qzlv2-qtbase-src.sources
if [ ! -f "$srclist" ]; then
  echo "build-tsan-qt.sh: adding $srclist (deb-src entries of Debian's own archive, for the" \
    "qtbase source package) to apt's sources, then running apt-get update; remove the file to" \
    "undo" >&2
  $sudo tee "$srclist" >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  $sudo apt-get update -qq >&2
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends dpkg-dev g++ make patch perl python3 >&2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(
  cd "$work"
  apt-get source --download-only "qtbase-opensource-src=$version" >&2
  dpkg-source -x --no-check qtbase-opensource-src_*.dsc src >&2
  cd src
  patch -p1 < "$patch_file" >&2
  # Debian's patches are applied by dpkg-source; configure as a plain release build of QtCore only.
  ./configure -release -sanitize thread -opensource -confirm-license -nomake examples -nomake tests \
    -no-gui -no-widgets -no-dbus -no-opengl -no-icu -no-glib -qt-pcre -qt-zlib -no-openssl \
    -prefix "$work/prefix" >&2
  make -j"$(nproc)" sub-src-qmake_all >&2
  make -j"$(nproc)" -C src sub-corelib >&2
  rm -rf "$cache/lib"
  mkdir -p "$cache/lib"
  cp -a lib/libQt5Core.so* "$cache/lib/"
)
touch "$stamp"
echo "$cache/lib"
