#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# when any is missing. Needs root (or sudo).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  fonts-ipafont-gothic
  libimage-exiftool-perl exiv2 e2fsprogs
  xvfb xauth
  desktop-file-utils appstream file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
