#!/usr/bin/env bash
# Installs what is missing, builds, and runs the demo host against the embedded simulated market.
#   scripts/run-demo.sh                       the quote window of SH600000 when a display is there
#                                             (DISPLAY or WAYLAND_DISPLAY), else watch SH600000
#   scripts/run-demo.sh gui [CODE...]         the quote window (qzlv2-gui; default SH600000)
#   scripts/run-demo.sh watch SZ300750 --once  any qzlv2 command line (see: qzlv2 --help)
#   scripts/run-demo.sh list
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2

build="${QZ_BUILD_DIR:-build}"  # QZ_BUILD_DIR: another build directory
# Build progress goes to stderr: standard output is qzlv2's alone (decode | python3 -m json.tool).
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target qzlv2 qzlv2-gui QzLv2Quoter >&2

if [ $# -eq 0 ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    set -- gui
  else
    set -- watch SH600000
  fi
fi
if [ "$1" = gui ]; then
  shift
  [ $# -gt 0 ] || set -- SH600000
  exec "$build/tools/qzlv2-gui/qzlv2-gui" "$@"
fi
exec "$build/tools/qzlv2/qzlv2" "$@"
