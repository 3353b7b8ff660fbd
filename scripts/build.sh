#!/usr/bin/env bash
# Builds the programs: build/host (the intro on the host stand-in, tests and
# tools), build/win32 (the real intro.exe, the player's DLLs and the test
# programs for Wine) and build/win64 (the same sources for 64-bit Windows, run
# where the machine runs no 32-bit code; scripts/wine.sh says which runs here).
# INTRO_SANITIZE=1 adds build/host-asan, with the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

[ "${SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
jobs=$(nproc)

source scripts/configure.sh

configure build/host
cmake --build build/host -j"$jobs"
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
cmake --build build/win32 -j"$jobs"
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build/win64 -j"$jobs"
if [ "${INTRO_SANITIZE:-}" = 1 ]; then
    configure build/host-asan -DINTRO_SANITIZE=ON
    cmake --build build/host-asan -j"$jobs"
fi
echo "build: build/win32/intro.exe, build/win64/intro.exe and build/host ready"
