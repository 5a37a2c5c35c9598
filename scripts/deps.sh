#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# when any is missing. Needs root (or sudo).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-image-formats-plugins libheif-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic
  libimage-exiftool-perl exiv2 e2fsprogs strace
  xvfb xauth
  desktop-file-utils appstream file
)
bash "$(dirname "$0")/install-packages.sh" "${packages[@]}"
