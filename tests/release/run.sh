#!/usr/bin/env bash
# The release a Windows player downloads (scripts/package.sh): the list of settings
# says what the DLLs read, each zip holds what its README promises, a second build
# of the same sources in another folder, later, gives the same bytes, and the zip
# this machine can run plays under Wine, unpacked beside a stand-in main program, to
# the hand-over with its music heard.
#
# KEEP_RELEASE_RUN=1 keeps the work folder (the second build, the recording, logs).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/wine.sh   # which Windows build runs here
export SKIP_SETUP=1
work=$(mktemp -d /tmp/intro-release.XXXXXX)
source tests/checks.sh

# ---- The settings: the list and the DLLs' sources name the same keys -------------------
listed() { awk -v d="$1" '!/^#/ && $1 == d { sub(/=.*/, "", $2); print $2 }' player/settings.txt | sort; }
# Keys the sources read: a NumberSetting's first field, a key constant (in a settings or
# rules file), or a literal given to SettingText/SettingNumber/SettingSwitch; "program"
# is read for both DLLs.
read_by() {
    { { grep -ohE '(NumberSetting k[A-Za-z]+ = \{|Setting(Text|Number|Switch)\()"[a-z_]+"' player/"$1"/*.cpp
        grep -ohsE 'const char k[A-Za-z]+\[\] = "[a-z_]+"' player/"$1"/*settings.cpp player/"$1"/*_rules.cpp; } | grep -oE '"[a-z_]+"' | tr -d '"'
      echo program; } | sort -u
}
for dll in ddraw winmm; do
    check "player/settings.txt lists every key $dll.dll reads, and no other ($(listed $dll | paste -sd ' '))" \
        diff <(listed $dll) <(read_by $dll)
done
default_of() { awk -v d="$1" -v k="$2" '!/^#/ && $1 == d && index($2, k "=") == 1 { print substr($2, length(k) + 2) }' player/settings.txt; }
fallback_of() { sed -nE "s/.*NumberSetting k[A-Za-z]+ = \{\"$1\", -?[0-9]+, -?[0-9]+, (-?[0-9]+)\};.*/\1/p" player/ddraw/display_settings.cpp; }
for key in fps scale; do
    check "its default for ddraw's $key is the DLL's ($(default_of ddraw $key))" test "$(default_of ddraw $key)" = "$(fallback_of $key)"
done

# ---- The package ----------------------------------------------------------------------
check "scripts/package.sh writes the release" bash scripts/package.sh
release=out/release
version=$(git describe --tags --always --dirty)
names=$'README.txt\nintro.exe\nddraw.dll\nwinmm.dll\nddraw.ini\nwinmm.ini\nmusic/track05.'
music_ext=wav; [ -f build/host/music/track05.ogg ] && music_ext=ogg
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
    check "$zip: the track is the host build's" cmp <(unzip -p "$zip" "music/track05.$music_ext") "build/host/music/track05.$music_ext"
    check "$zip: README.txt names the version and the build, every name filled in" \
        bash -c "unzip -p '$zip' README.txt | grep -q '$version, ${width#win}-bit build' && ! unzip -p '$zip' README.txt | grep -q '@'"
done
check "SHA256SUMS holds both zips' digests" bash -c "cd $release && sha256sum --check --strict SHA256SUMS && test \$(wc -l <SHA256SUMS) = 2"

# ---- The same bytes from a second build, in another folder, later ----------------------
second=$work/second
mkdir -p "$second"
git ls-files -co --exclude-standard -z | tar --null -T - -cf - | tar -x -C "$second"
sleep 1  # a later second: a time that leaked into a file would show
check "a second build of the same sources in $second" \
    env INTRO_VERSION="$version" SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)" bash "$second/scripts/package.sh"
for f in build/win32/intro.exe build/win64/intro.exe build/win32/player/ddraw.dll build/win32/player/winmm.dll \
         build/win64/player/ddraw.dll build/win64/player/winmm.dll build/host/music/track05.wav \
         "$release/velthorn-intro-$version-win32.zip" "$release/velthorn-intro-$version-win64.zip" "$release/SHA256SUMS"; do
    check "$f: the same SHA-256 from both builds ($(sha256sum "$f" | cut -c1-16)...)" \
        test "$(sha256sum <"$f")" = "$(sha256sum <"$second/$f")"
done

# ---- The zip this machine runs, played as a player would ----------------------------
source tests/sound/sound.sh
zip=$release/velthorn-intro-$version-win$INTRO_WIN_BITS.zip
folder=$work/game
mkdir -p "$folder"
unzip -q "$zip" -d "$folder"
cp "$INTRO_WIN_BUILD/tests/sound/main-stand-in.exe" "$folder/z_qzm__.exe"
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    sound_server_stop
    xvfb_stop
    if [ "${KEEP_RELEASE_RUN:-}" = 1 ] || [ "$failed" -gt 0 ]; then echo "release: work folder kept: $work"
    else rm -rf "$work"; fi
}
trap cleanup EXIT
played() {
    xvfb_start && sound_server_start "$work" &&
        wine_prefix_ready "$WINEPREFIX" no-desktop && wine_player_ddraw "$WINEPREFIX" on &&
        music_prefix_ready "$WINEPREFIX" && sound_record_start "$work/music" || return 1
    (cd "$folder" && INTRO_DDRAW_FPS=1000 INTRO_WINMM_LOG="$(winpath "$work/winmm.log")" \
        INTRO_SOUND_STAND_IN_LOG="$(winpath "$work/stand-in.txt")" timeout 120 "$WINE" intro.exe >"$work/wine.log" 2>&1)
    local status=$?
    "$WINESERVER" -w 2>/dev/null
    sleep 1.5  # the recording goes on past the stop, to hear that it stays silent
    sound_record_stop
    # A status of 0 means the intro started nothing; timeout's 124 that it never ended.
    [ "$status" != 0 ] && [ "$status" != 124 ]
}
check "$(basename "$zip"), unpacked beside a stand-in z_qzm__.exe, plays at 1000 frames a second to its end" played
check "and hands over: the stand-in ran ($(tr -d '\r' <"$work/stand-in.txt" 2>/dev/null | sed -n 's/^imported=//p'))" \
    grep -q '^done' "$work/stand-in.txt"
track=$work/track05.wav
ffmpeg -loglevel error -nostdin -y -i "$folder/music/track05.$music_ext" -c:a pcm_s16le "$track"
# tests/sound's judge, on a run at full speed: a machine this busy may let the sound
# server's short buffer run dry for a moment, which breaks its unbroken match of the
# first 3 s (tests/sound holds the intro still for that); what says the music is
# heard is the track at its own speed from the cue and still sounding at the stop.
/usr/bin/python3 "$SOUND_ANALYSE" check "$work/music" "$work/winmm.log" "$track" >"$work/analysis.txt"
heard() { grep -q "^ok   $1" "$work/analysis.txt" || { cat "$work/analysis.txt"; false; }; }
check "its music is heard: track 5 at its own speed from the cue" heard "the track plays at its own speed"
check "and still sounding just before the stop" heard "the track is sounding just before the stop"
sed 's/^/     /' "$work/analysis.txt"
checks_done
