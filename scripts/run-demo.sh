#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo host against the embedded simulated market.
#   scripts/run-demo.sh                       watch SH600000 until Ctrl-C
#   scripts/run-demo.sh watch SZ300750 --once  any qzlv2 command line (see: qzlv2 --help)
#   scripts/run-demo.sh list
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2

build="${QZ_BUILD_DIR:-build}"  # QZ_BUILD_DIR: another build directory
# Build progress goes to stderr: standard output is qzlv2's alone (decode | python3 -m json.tool).
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target qzlv2 QzLv2Quoter >&2

if [ $# -eq 0 ]; then
  set -- watch SH600000
fi
exec "$build/tools/qzlv2/qzlv2" "$@"
