#!/usr/bin/env bash
# The release a Windows player downloads (scripts/package.sh): each zip holds what
# its README promises, each zip this machine can run (both widths where it runs
# 32-bit code) plays under Wine, unpacked beside a stand-in main program, to the
# hand-over with its music heard, and (with INTRO_RELEASE_SECOND_BUILD=1, as
# scripts/test.sh --long sets it) a second build of the same sources in another
# folder, later, from nothing, gives the same bytes.
#
# KEEP_RELEASE_RUN=1 keeps the work folder (the second build, the recording, logs).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/wine.sh   # which Windows build runs here
export SKIP_SETUP=1
work=$(mktemp -d /tmp/intro-release.XXXXXX)
source tests/checks.sh

# ---- The package ----------------------------------------------------------------------
check "scripts/package.sh writes the release" bash scripts/package.sh
release=out/release
version=$(git describe --tags --always --dirty)
names=$'README.txt\nintro.exe\nddraw.dll\nwinmm.dll\nddraw.ini\nwinmm.ini\nmusic/track05.'
host=${INTRO_HOST_BUILD:-build/host}   # whose music package.sh ships
music_ext=wav; [ -f "$host/music/track05.ogg" ] && music_ext=ogg
for width in win32 win64; do
    zip=$release/velthorn-intro-$version-$width.zip
    check "$zip: its entries in their order" test "$(unzip -Z1 "$zip")" = "$names$music_ext"
    check "$zip: each entry dated $(git log -1 --format=%cd --date=format:%Y-%m-%d) and -rw-r--r--" \
        bash -c "unzip -Z '$zip' | grep '^-' | awk '{print \$1, \$7}' | sort -u | grep -qx -- '-rw-r--r-- $(TZ=UTC git log -1 --format=%cd --date=format-local:%y-%b-%d)'"
    triplet=i686-w64-mingw32; [ $width = win32 ] || triplet=x86_64-w64-mingw32
    for f in intro.exe player/ddraw.dll player/winmm.dll; do
        SOURCE_DATE_EPOCH=0 "$triplet-strip" --strip-all -o "$work/stripped" "build/$width/$f"
        check "$zip: ${f#player/} is build/$width/$f stripped, no time in its header" \
            bash -c "cmp <(unzip -p '$zip' '${f#player/}') '$work/stripped' && objdump -p '$work/stripped' | grep -qE '^Time/Date[[:space:]]+(0|Thu Jan  1 00:00:00 1970)\$'"
    done
    check "$zip: the ini files are the list's, with CR LF" \
        bash -c "cmp <(unzip -p '$zip' ddraw.ini) <(python3 scripts/release.py ini ddraw) && unzip -p '$zip' winmm.ini | grep -q \$'^music=music\r\$'"
    check "$zip: the track is the host build's" cmp <(unzip -p "$zip" "music/track05.$music_ext") "$host/music/track05.$music_ext"
    check "$zip: README.txt names the version and the build, every name filled in" \
        bash -c "unzip -p '$zip' README.txt | grep -q '$version, ${width#win}-bit build' && ! unzip -p '$zip' README.txt | grep -q '@'"
done
check "SHA256SUMS holds both zips' digests" bash -c "cd $release && sha256sum --check --strict SHA256SUMS && test \$(wc -l <SHA256SUMS) = 2"

# ---- The same bytes from a second build, in another folder, later ----------------------
# From nothing: a build of every shipped file, the music's renderer among them, in
# build/host of the copy (the one a user's package.sh makes).
second_build() {
    local second=$work/second began f
    mkdir -p "$second"
    git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -x -C "$second"
    # A later second: a time that leaked into a file would show.
    began=$(date +%s)
    while [ "$(date +%s)" = "$began" ]; do sleep 0.05; done
    check "a second build of the same sources in $second" env -u INTRO_HOST_BUILD INTRO_VERSION="$version" \
        SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)" bash "$second/scripts/package.sh"
    for f in build/win32/intro.exe build/win64/intro.exe build/win32/player/ddraw.dll build/win32/player/winmm.dll \
             build/win64/player/ddraw.dll build/win64/player/winmm.dll "$host/music/track05.wav:build/host/music/track05.wav" \
             "$release/velthorn-intro-$version-win32.zip" "$release/velthorn-intro-$version-win64.zip" "$release/SHA256SUMS"; do
        check "${f%%:*}: the same SHA-256 from both builds ($(sha256sum "${f%%:*}" | cut -c1-16)...)" \
            test "$(sha256sum <"${f%%:*}")" = "$(sha256sum <"$second/${f#*:}")"
    done
}
[ "${INTRO_RELEASE_SECOND_BUILD:-}" != 1 ] || second_build

# ---- Each zip this machine runs, played as a player would ----------------------------
source tests/sound/sound.sh
source scripts/xvfb.sh
cleanup() {
    for prefix in "$work"/prefix-*; do [ -d "$prefix" ] && WINEPREFIX=$prefix timeout 20 "$WINESERVER" -k >/dev/null 2>&1; done
    sound_server_stop
    xvfb_stop
    if [ "${KEEP_RELEASE_RUN:-}" = 1 ] || [ "$failed" -gt 0 ]; then echo "release: work folder kept: $work"
    else rm -rf "$work"; fi
}
trap cleanup EXIT
if ! xvfb_start || ! sound_server_start "$work"; then
    check "an X server and a sound server to play the zips on" false
    checks_done; exit
fi
# The widths Wine runs here: the one the test command chose, and the 64-bit one
# beside the 32-bit one, since wine64 is on every machine.
widths=$INTRO_WIN_BITS
[ "$INTRO_WIN_BITS" = 64 ] || widths="32 64"
played() {  # width: the zip unpacked and played at 1000 frames a second to the hand-over
    local folder=$work/game-$1
    mkdir -p "$folder"
    unzip -q "$release/velthorn-intro-$version-win$1.zip" -d "$folder"
    cp "build/win$1/tests/sound/main-stand-in.exe" "$folder/z_qzm__.exe"
    export WINEPREFIX=$work/prefix-$1
    wine_prefix_ready "$WINEPREFIX" no-desktop "${WINE_PLAYER_DDRAW_ON[@]}" "${MUSIC_SETTINGS[@]}" &&
        sound_record_start "$work/music-$1" || return 1
    (cd "$folder" && INTRO_DDRAW_FPS=1000 INTRO_WINMM_LOG="$(winpath "$work/winmm-$1.log")" \
        INTRO_SOUND_STAND_IN_LOG="$(winpath "$work/stand-in-$1.txt")" timeout 600 "$WINE" intro.exe >"$work/wine-$1.log" 2>&1)
    local status=$?
    "$WINESERVER" -w 2>/dev/null
    sound_record_past_stop "$work/winmm-$1.log" 2  # to hear that it stays silent
    # A status of 0 means the intro started nothing; timeout's 124 that it never ended.
    [ "$status" != 0 ] && [ "$status" != 124 ]
}
heard() {  # width, what the judge said
    grep -q "^ok   $2" "$work/analysis-$1.txt" || { cat "$work/analysis-$1.txt"; false; }
}
for bits in $widths; do
    zip=velthorn-intro-$version-win$bits.zip
    # Each width under its own Wine, in a prefix of its own width (scripts/wine.sh).
    INTRO_WIN_BITS=$bits
    wine_choose_build
    check "$zip, unpacked beside a stand-in z_qzm__.exe, plays at 1000 frames a second to its end" played "$bits"
    check "and hands over: the stand-in ran ($(tr -d '\r' <"$work/stand-in-$bits.txt" 2>/dev/null | sed -n 's/^imported=//p'))" \
        grep -q '^done' "$work/stand-in-$bits.txt"
    ffmpeg -loglevel error -nostdin -y -i "$work/game-$bits/music/track05.$music_ext" -c:a pcm_s16le "$work/track05.wav"
    /usr/bin/python3 "$SOUND_ANALYSE" check "$work/music-$bits" "$work/winmm-$bits.log" "$work/track05.wav" \
        >"$work/analysis-$bits.txt"
    check "its music is heard: track 5 from its opening, after the cue" heard "$bits" "the track begins after the play command"
    check "in order, at its own speed" heard "$bits" "the track plays at its own speed"
    check "and silent after the stop" heard "$bits" "the recording is silent from"
    sed 's/^/     /' "$work/analysis-$bits.txt"
done
checks_done
