#!/usr/bin/env bash
# Makes the Debian packages of the plug-in (qzlv2-plugin) and the demo (qzlv2-demo) from the
# normal build in build/ (built first if needed), then unpacks both into a scratch directory and
# runs the installed `qzlv2 watch --once` and minimal host from there.
#   scripts/package.sh          packages in build/*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -gt 0 ]; then
  echo "scripts/package.sh: takes no arguments" >&2
  exit 2
fi
scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target qzlv2 qzlv2-minimal-host QzLv2Quoter
rm -f build/*.deb
(cd build && cpack -G DEB)

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
for deb in build/*.deb; do
  dpkg-deb -x "$deb" "$root"
done
"$root/usr/bin/qzlv2" watch SZ300750 --once --timeout 60 >/dev/null
"$root/usr/bin/qzlv2-minimal-host" >/dev/null
echo "packages: $(ls build/*.deb | tr '\n' ' ')"
