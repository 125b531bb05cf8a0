#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need.
# Idempotent: asks apt-get only for what is missing and prints nothing when all is there.
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake ninja-build pkg-config make
  zlib1g-dev libjpeg62-turbo-dev
  qt6-base-dev libxcb1-dev libxcb-shm0-dev libxcb-keysyms1-dev
  fonts-ipafont-gothic
  # tests: frameworks, independent decoders, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libgif-dev
  clang libclang-rt-14-dev
  # end-to-end tests on a real X server
  netpbm libxcb-xkb-dev
  xvfb openbox xdotool x11-apps x11-utils xauth
  # benchmark comparison
  scrot
  libxcb-xtest0-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
