#!/usr/bin/env bash
# Installs the Debian packages the build, the tools and the tests need.  Packages already
# installed are not fetched again, so this is quick on a prepared machine.
set -euo pipefail

PACKAGES=(
  cmake
  python3
  ninja-build
  g++
  make
  libgtest-dev
  libbenchmark-dev
  libcairo2-dev
  libagg-dev
  libpng-dev
  pkg-config
  binutils
  dpkg-dev help2man groff-base lintian python3
  clang
  libclang-rt-14-dev
  libopenimageio-dev librsvg2-bin
  libcli11-dev nlohmann-json3-dev
  liblcms2-dev libgs-common
  libqpdf-dev qpdf poppler-utils
  frei0r-plugins-dev ffmpeg melt gstreamer1.0-tools gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
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

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
