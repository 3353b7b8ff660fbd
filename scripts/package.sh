#!/usr/bin/env bash
# Writes the release a Windows player downloads: out/release/ with one zip per build,
# velthorn-intro-VERSION-win32.zip and -win64.zip (VERSION from `git describe`), each
# holding intro.exe, the player's ddraw.dll and winmm.dll (stripped), ddraw.ini and
# winmm.ini at their defaults, music/track05 and README.txt; SHA256SUMS beside them.
#
# Two runs on one commit write the same bytes, in any folder at any time: the zips'
# dates are the commit's. Where there is no git (a copy of the sources), INTRO_VERSION
# and SOURCE_DATE_EPOCH say what git would; INTRO_RELEASE_DIR writes elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."

[ "${SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
source scripts/configure.sh

fail() { echo "package: $*" >&2; exit 1; }

version=${INTRO_VERSION:-$(git describe --tags --always --dirty 2>/dev/null)} \
    || fail "no version: not a git checkout, and INTRO_VERSION is unset"
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)} \
    || fail "no date for the zips: not a git checkout, and SOURCE_DATE_EPOCH is unset"
out=${INTRO_RELEASE_DIR:-out/release}

# The host build that renders the music: build/host, or the one the test command
# has built already (INTRO_HOST_BUILD), which renders the same track.
host=${INTRO_HOST_BUILD:-build/host}

# Only what is shipped is built: the music in the host build, the program and the
# player's DLLs of each width.
build_shipped() {
    local log=$1
    {
        [ "$host" != build/host ] || configure build/host
        cmake --build "$host" -j2 --target track05
        configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
        cmake --build build/win32 -j2 --target intro ddraw_dll winmm_dll
        configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
        cmake --build build/win64 -j2 --target intro ddraw_dll winmm_dll
    } >"$log" 2>&1 || { tail -n 20 "$log" >&2; fail "the build failed (all of its output: $log)"; }
}

# Track 5 as the player's winmm.dll reads it: the Ogg render where the host build
# makes one, the WAV otherwise.
music_file() {
    local f
    for f in "$host/music/track05.ogg" "$host/music/track05.wav"; do
        [ -f "$f" ] && { echo "$f"; return; }
    done
    fail "no track 5 in $host/music"
}

# One zip: its files laid out in a folder of their own, then packed in a fixed order.
package_width() {  # win32 or win64, the MinGW-w64 triplet
    local width=$1 triplet=$2 stage music zip f
    stage=$(mktemp -d)
    music=$(music_file)
    zip=velthorn-intro-$version-$width.zip
    # Stripped: the debug information is of no use to a player and only grows the download.
    # strip writes the time into the PE header unless SOURCE_DATE_EPOCH names one: 0, as linked.
    for f in intro.exe player/ddraw.dll player/winmm.dll; do
        SOURCE_DATE_EPOCH=0 "$triplet-strip" --strip-all -o "$stage/${f#player/}" "build/$width/$f"
    done
    python3 scripts/release.py ini ddraw >"$stage/ddraw.ini"
    python3 scripts/release.py ini winmm >"$stage/winmm.ini"
    mkdir "$stage/music"
    cp "$music" "$stage/music/"
    python3 scripts/release.py readme release/README.txt "VERSION=$version" "WIDTH=${width#win}" \
        "MUSIC=${music##*/}" "ZIP=$zip" >"$stage/README.txt"
    python3 scripts/release.py zip "$out/$zip" "$epoch" "$stage" README.txt intro.exe ddraw.dll winmm.dll \
        ddraw.ini winmm.ini "music/${music##*/}"
    rm -rf "$stage"
    echo "package: $out/$zip"
}

mkdir -p out
build_shipped "$(realpath out)/package-build.log"
rm -rf "$out"
mkdir -p "$out"
package_width win32 i686-w64-mingw32
package_width win64 x86_64-w64-mingw32
(cd "$out" && sha256sum -- *.zip >SHA256SUMS)
echo "package: $out/SHA256SUMS; track 5 as $(music_file)"
