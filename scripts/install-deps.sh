#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, only those that are missing.
set -euo pipefail

# The quote window (qzlv2-gui): Qwt for its charts, CJK and DejaVu fonts for its text (the window
# tests compare against DejaVu), Xvfb for its test under a real X server.
packages=(cmake ninja-build g++ pkg-config qtbase5-dev qtbase5-dev-tools zlib1g-dev libbenchmark-dev
          dpkg-dev file libqwt-qt5-dev fonts-dejavu-core fonts-wqy-microhei xvfb xauth)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
