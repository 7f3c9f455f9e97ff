#!/usr/bin/env bash
# qzlv2-gui under a real X server: runs the window for two seconds under xvfb-run and checks
# that it exits 0 and writes its screenshot (kept in the test log folder for a person to look at).
#   xvfb-screenshot.sh QZLV2_GUI PLUGIN PNG
# Exits 77 (skipped) when xvfb-run is not installed.
set -euo pipefail
gui=$1 plugin=$2 png=$3
command -v xvfb-run >/dev/null || { echo "xvfb-run is not installed: skipped"; exit 77; }
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
rm -f "$png"
# The window's settings and files go to a directory of the test's own, not the user's.
XDG_CONFIG_HOME=$config XDG_DATA_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1920x1200x24" "$gui" SZ300750 --plugin "$plugin" --seconds 2 \
  --screenshot "$png"
[ -s "$png" ] || { echo "no screenshot written to $png" >&2; exit 1; }
echo "screenshot: $png"
