#!/usr/bin/env bash
# Cross-builds the Windows programs ravix-setup.exe and ravix-cli.exe (and the unit
# tests that run under Wine) into BUILD_DIR (default build-windows/) with MinGW-w64.
# Installs what is missing from Debian first: the cross compiler, Wine and Xvfb to run
# the programs, NSIS for the installer, and the header-only libraries the code uses.
# Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-windows}

packages=(
  cmake ninja-build
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb nsis zip unzip
  libcli11-dev nlohmann-json3-dev googletest
)
scripts/install-deps.sh "${packages[@]}"

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B "$build_dir" -G Ninja "${launcher[@]}" \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DRAVIX_BUILD_BENCH=OFF "$@" >/dev/null
cmake --build "$build_dir" -j2
