#!/usr/bin/env bash
# Cross-builds the suite for 64-bit Windows on Debian 12 with MinGW-w64, into build-windows/:
# the configuration without Qt (kvel-cli.exe, solvanta-cli.exe and the test programs), the runtime
# linked statically, with the quasi-geoid models, NOTICE and a sample orvane.ini beside the
# programs in build-windows/bin. The models are made by the Linux build (build/, the model import
# needs GDAL, which Debian has not for MinGW) and copied.
#
#   bash scripts/build-windows.sh          build
#   bash scripts/build-windows.sh --test   build, then run the test suite through CTest under Wine
#
# Installs what it needs (idempotent). Wine keeps its own prefix in $WINEPREFIX
# (default ~/.cache/orvane/wine).
set -euo pipefail
cd "$(dirname "$0")/.."

run_tests=0
for argument in "$@"; do
  case "$argument" in
    --test) run_tests=1 ;;
    *) echo "usage: bash scripts/build-windows.sh [--test]" >&2; exit 2 ;;
  esac
done

# The cross compiler, Wine and GoogleTest's sources (built below for MinGW), with the rest.
bash scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 googletest

jobs="$(nproc)"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
toolchain="$PWD/cmake/mingw-w64.cmake"
out="$PWD/build-windows"
mkdir -p "$out"

echo "== the models, made by the Linux build (build/)"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_WERROR=ON "${launcher[@]}" >/dev/null
fi
cmake --build build -j "$jobs" --target quasigeoid_models

echo "== GoogleTest for MinGW (from Debian's googletest sources), once"
if [ ! -f "$out/googletest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$out/googletest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" -DCMAKE_INSTALL_PREFIX="$out/googletest" >/dev/null
  cmake --build "$out/googletest-build" -j "$jobs"
  cmake --install "$out/googletest-build" >/dev/null
fi

# Boost.Math is headers only: the host's serve, seen through a folder that holds nothing else (the
# host's /usr/include must not stand before MinGW's own headers).
mkdir -p "$out/host-boost"
ln -sfn /usr/include/boost "$out/host-boost/boost"

echo "== kvel-cli.exe, solvanta-cli.exe and the tests"
cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DORVANE_WERROR=ON "${launcher[@]}" -DORVANE_WITH_GUI=OFF -DORVANE_WITH_BENCH=OFF -DORVANE_WITH_IMPORT=OFF \
  -DORVANE_MODELS_FROM="$PWD/build/bin" -DCMAKE_PREFIX_PATH="$out/googletest" \
  -DBoost_INCLUDE_DIR="$out/host-boost" -DBoost_NO_BOOST_CMAKE=ON >/dev/null
export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/orvane/wine}" WINEDEBUG=-all LANG=C.UTF-8
mkdir -p "$(dirname "$WINEPREFIX")"
cmake --build "$out" -j "$jobs"

# Beside the programs: NOTICE (the models' credit) and a sample orvane.ini with a Windows folder,
# in the CR LF of Windows text.
cp NOTICE "$out/bin/NOTICE"
sed -e 's|;path=/home/geodeta/pomiary/obiekt1|;path=C:\\Pomiary\\Obiekt1|' \
  -e 's|~/.config/orvane/orvane.ini (\$XDG_CONFIG_HOME/orvane/),|%APPDATA%\\orvane\\orvane.ini,|' \
  -e 's|beside the programs, then from$|beside the programs (this file).|' \
  -e 's|^; /etc/orvane/orvane.ini (this file, as installed). An|; An|' \
  -e 's/$/\r/' apps/orvane.ini >"$out/bin/orvane.ini"
for program in kvel-cli solvanta-cli; do
  [[ -f "$out/bin/$program.exe" ]] || { echo "no $program.exe" >&2; exit 1; }
done
echo "Windows programs: $out/bin (kvel-cli.exe, solvanta-cli.exe, models, NOTICE, orvane.ini)"

if [ "$run_tests" = 1 ]; then
  echo "== the tests under Wine"
  wine="$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)"
  wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver64)"
  # Wine's server and its helper processes are started here, outside CTest: started by the first
  # test they would hold its output open, and CTest would wait for them until the end.
  "$wineserver" -p
  "$wine" wineboot >/dev/null 2>&1 || true
  status=0
  ctest --test-dir "$out" --output-on-failure -j "$jobs" || status=$?
  "$wineserver" -k || true
  exit $status
fi
