#!/usr/bin/env bash
# Builds the programs: build/host (the intro on the host stand-in, tests and
# tools), build/win32 (the real intro.exe, the player's DLLs and the test
# programs for Wine) and build/win64 (the same sources for 64-bit Windows, run
# where the machine runs no 32-bit code; scripts/wine.sh says which runs here).
# INTRO_SANITIZE=1 adds build/host-asan, with the sanitizers.
#
#   scripts/build.sh                every tree, everything in it
#   scripts/build.sh --tests        what the test command uses, each tree once:
#                                   build/host-asan whole (the host suites run
#                                   there, and the Wine suites use its tools and
#                                   music), the Windows tree that runs here whole,
#                                   and what is shipped of the other
#   scripts/build.sh --tests-long   the same, and build/host whole (its suites
#                                   run again without the sanitizers)
#   scripts/build.sh --run          what scripts/run.sh plays: the Windows tree that
#                                   runs here, its intro.exe, DLLs and the watch, and
#                                   the music and make-sheet of build/host
set -euo pipefail
cd "$(dirname "$0")/.."

mode=all
case ${1:-} in
    --tests) mode=tests ;;
    --tests-long) mode=tests-long ;;
    --run) mode=run ;;
    "") ;;
    *) echo "usage: scripts/build.sh [--tests | --tests-long | --run]" >&2; exit 2 ;;
esac
[ "${SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
jobs=$(nproc)

source scripts/configure.sh
source scripts/wine.sh   # which Windows build runs here

# What the suites use of the Windows tree that does not run here: the program and
# the player's DLLs (tests/pe, tests/release); and what run.sh plays.
SHIPPED=(intro ddraw_dll winmm_dll)
PLAYED=(intro ddraw_dll winmm_dll probe_ddraw record-start)

build() {  # folder, then targets (none: all) and, after --, cmake options
    local dir=$1 targets=() options=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=(--target "$1"); shift; done
    [ $# = 0 ] || { shift; options=("$@"); }
    configure "$dir" "${options[@]}"
    cmake --build "$dir" -j"$jobs" "${targets[@]}"
}

whole_or() {  # the tree's width (host, 32 or 64): prints its targets, or nothing for all
    case $mode:$1 in
        run:host) echo track05 make-sheet ;;
        run:"$INTRO_WIN_BITS") echo "${PLAYED[@]}" ;;
        run:*) echo none ;;
        all:* | tests-long:host) ;;
        tests:host) echo none ;;
        tests*:"$INTRO_WIN_BITS") ;;
        tests*:*) echo "${SHIPPED[@]}" ;;
    esac
}

build_unless_none() {  # folder, then what build takes
    [ "$(whole_or "$2")" = none ] || build "$1" $(whole_or "$2") "${@:3}"
}
# shellcheck disable=SC2046
build_unless_none build/host host
build_unless_none build/win32 32 -- -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
build_unless_none build/win64 64 -- -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
if [ "${INTRO_SANITIZE:-}" = 1 ] || [ "${mode#tests}" != "$mode" ]; then
    build build/host-asan -- -DINTRO_SANITIZE=ON
fi
echo "build: ready ($mode)"
