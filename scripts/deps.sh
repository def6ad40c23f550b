#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some
# are missing; does nothing on a machine that has them all.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev libjpeg-dev
  libexpat1-dev libpixman-1-dev
  sox libsox-fmt-base vorbis-tools libvorbisidec-dev
  libsdl2-dev xvfb xauth xdotool x11-apps x11-xkb-utils
  libfreetype-dev fonts-dejavu-core
  librsvg2-bin
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
