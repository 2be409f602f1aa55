#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the demo need, only those still missing;
# with --fuzz also clang and its libFuzzer runtime for the fuzzing build (scripts/fuzz.sh).
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ pkg-config ccache libgtest-dev libgmock-dev
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho
  libboost-dev libboost-thread-dev angelscript-dev libvorbis-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libstb-dev libfltk1.3-dev
  xvfb xauth imagemagick xdotool
  libbenchmark-dev libpixman-1-dev
)
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES+=(clang libclang-rt-dev)
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${missing[@]}"
fi
