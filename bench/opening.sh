#!/usr/bin/env bash
# Is the opening of track 5 heard? The intro with the player's winmm.dll and the
# track as Ogg, held after the cue, N times (default 9), each recorded from the
# private sound server (scripts/sound_server.sh) and judged by tests/sound/analyse.py.
# One line a run: how much of the track's opening the recording lacks, when its
# first sound came after the play command, and when the DLL queued its first
# buffer; the recordings and logs stay in out/opening for a second look.
#   bash bench/opening.sh [RUNS]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
runs=${1:-9}
work=$root/out/opening
rm -rf "$work"
mkdir -p "$work"

source scripts/wine.sh
source scripts/xvfb.sh
OGG=$root/build/host/music/track05.ogg
[ -f "$OGG" ] && [ -f "$INTRO_WIN_BUILD/player/winmm.dll" ] || { echo "opening: build first (scripts/build.sh)" >&2; exit 1; }
source tests/wine/display_cases.sh
source tests/sound/sound.sh
export WINEPREFIX=$work/prefix WINEDEBUG=-all DISPLAY_WORK=$work/display
trap 'timeout 20 "$WINESERVER" -k >/dev/null 2>&1; sound_server_stop; xvfb_stop' EXIT
sound_server_start "$work" && xvfb_start && xdotool mousemove 100 100 && sound_prefix_ready "$WINEPREFIX" ||
    { echo "opening: no sound server, display or prefix" >&2; exit 1; }
oggdec --quiet -o "$work/track05.wav" "$OGG"

value() { sed -n "s/^measure $1 //p" "$2"; }
printf '%-4s %22s %22s %22s\n' run "opening left out (ms)" "first sound (ms)" "first buffer (ms)"
for run in $(seq "$runs"); do
    dir=$(display_new_folder "run-$run")
    cp "$INTRO_WIN_BUILD/player/winmm.dll" "$dir/"
    mkdir -p "$dir/music"
    cp "$OGG" "$dir/music/track05.ogg"
    sound_record_start "$work/run-$run" || continue
    sound_held_intro "$dir" 1600 4
    sound_record_past_stop "$dir/out/winmm.log" 2
    /usr/bin/python3 "$SOUND_ANALYSE" check "$work/run-$run" "$dir/out/winmm.log" "$work/track05.wav" >"$work/run-$run.txt"
    printf '%-4s %22s %22s %22s\n' "$run" "$(value opening_left_out_ms "$work/run-$run.txt")" \
        "$(value first_sound_ms "$work/run-$run.txt")" "$(value first_buffer_ms "$work/run-$run.txt")"
done
