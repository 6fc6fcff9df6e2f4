#!/usr/bin/env bash
# Installs every Debian package the suite needs to build, test and run, and what CI needs besides
# (clang and its runtime for the sanitizers and libFuzzer). Safe to run again. Packages named as
# arguments are installed too (scripts/package.sh asks for the Debian packaging tools).
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  fonts-liberation2
  proj-data proj-bin libproj-dev
  libgdal-dev gdal-bin python3
  libboost-math-dev
  xvfb xauth time
  strace util-linux
  qt6-translations-l10n
  clang libclang-rt-14-dev
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
