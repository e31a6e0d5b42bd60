#!/usr/bin/env bash
# Installs every package Kestrolan needs to build, play and test, from Debian's archive only.
# Does nothing when everything is already installed.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libimgui-dev libstb-dev fonts-dejavu-core
  libgl1-mesa-dri libgl1-mesa-dev mesa-utils
  xvfb xauth xdotool imagemagick
  clang libclang-rt-14-dev
  libbullet-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
