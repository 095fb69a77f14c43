#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Tollhaven needs.
# Run as root (or with sudo available).  Safe to run again.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  libicu-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  libdb1-compat libgumbo-dev nkf sharutils media-types python3
  qt6-base-dev libqt6svg6 breeze-icon-theme fonts-ipafont-gothic xvfb xauth xdotool xclip
  zlib1g-dev libssl-dev nodejs
  lintian desktop-file-utils appstream librsvg2-bin man-db file dpkg-dev
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${missing[@]}"
fi
# npm (for the warcio reader that checks the WARC export): part of some nodejs builds,
# a package of its own in Debian's.
if ! command -v npm >/dev/null; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y npm
fi
