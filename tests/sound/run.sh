#!/usr/bin/env bash
# The music without a CD drive: track 5 as a listener would measure it, and the
# player's winmm.dll beside the real intro.exe under Wine, heard through a
# private PulseAudio server whose null sink is recorded.
#
# One sound server, one Wine prefix (pulse driver, winmm.dll native for
# intro.exe alone) and one Xvfb serve every case. Each case is a function
# case_NAME that prints "ok"/"FAIL" lines; it fails when any line failed.
#
# Usage: tests/sound/run.sh [CASE...]   (all cases when none is named)
# KEEP_SOUND_RUN=1 keeps the work folder (recordings, logs, pictures).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
source scripts/wine.sh   # which Windows build runs here: $INTRO_WIN_BUILD
source scripts/xvfb.sh

TRACK=$root/$INTRO_HOST_BUILD/music/track05.wav
OGG=$root/$INTRO_HOST_BUILD/music/track05.ogg
WINMM_DLL=$root/$INTRO_WIN_BUILD/player/winmm.dll
PROGRAMS=$root/$INTRO_WIN_BUILD/tests/sound
CASES=(track05_as_a_listener music_plays_from_the_cue_to_the_stop music_plays_from_an_ogg volume_scales_the_level
       no_music_folder main_program_gets_the_systems_winmm answers_like_the_systems_mci unload_and_exit_while_playing
       game_loops_a_track_by_command aux_volume_scales_the_music the_game_after_the_intro_gets_its_music
       device_ids_never_collide)
# The intro's MCI commands, in order, and the served device's answers to them.
CUE_AND_STOP=$'open cdaudio shareable\nset cdaudio time format tmsf\nopen cdaudio\nplay cdaudio from 05:00:00:00 to 06:00:00:00\nstop cdaudio'
SERVED_ANSWERS=$'0\n0\n265\n0\n0'
# The frame the intro is held at, just after the cue, and for how long: the music plays on.
HOLD_FRAME=1600
HOLD_SECONDS=6
# How much of the time after the intro's stop is recorded, to hear that it is silent.
AFTER_STOP=2

for file in "$TRACK" "$OGG" "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$PROGRAMS/main-stand-in.exe" "$PROGRAMS/cd-loop.exe" \
            "$INTRO_WIN_BUILD/intro.exe" "$INTRO_WIN_BUILD/probe/ddraw.dll"; do
    [ -f "$file" ] || { echo "sound: $file is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/intro-sound.XXXXXX)
source tests/wine/display_cases.sh
source tests/sound/sound.sh
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all DISPLAY_WORK=$WORK/display
passed=0
failed=0
CASE_FAILED=0

cleanup() {
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    sound_server_stop
    xvfb_stop
    if [ "${KEEP_SOUND_RUN:-}" = 1 ] || [ "$failed" -gt 0 ]; then
        echo "sound: work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ok() { echo "ok   $1"; }
fail() { echo "FAIL $1"; CASE_FAILED=$((CASE_FAILED + 1)); }
expect() {  # what, then a command that must succeed
    local what=$1; shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}
same() { [ "$1" = "$2" ]; }

# The DLL's log of one run: the commands it was given, one a line, and its answers.
log_commands() { tr -d '\r' <"$1" | sed -n 's/^[0-9.]* mci call "\(.*\)"$/\1/p'; }
log_answers() { tr -d '\r' <"$1" | sed -n 's/^[0-9.]* mci \(served\|system\) result=\([0-9]*\) .*/\2/p'; }
log_kinds() { tr -d '\r' <"$1" | sed -n 's/^[0-9.]* mci \(served\|system\) .*/\1/p' | sort -u | paste -sd ' '; }

# A folder with the intro, the watching ddraw.dll, the player's winmm.dll and,
# unless "none" is given, a music folder with the track (its name in upper case,
# as a CD copied on another system may give it).
sound_folder() {  # name, music: track|none
    local dir
    dir=$(display_new_folder "$1")
    cp "$WINMM_DLL" "$dir/"
    if [ "$2" = track ]; then
        mkdir -p "$dir/Music"
        cp "$TRACK" "$dir/Music/TRACK05.WAV"
    fi
    echo "$dir"
}

run_held_intro() {  # folder
    sound_held_intro "$1" "$HOLD_FRAME" "$HOLD_SECONDS"
}

# The pictures at the cue and in the roll are those of the host renderer, the
# intro handed over to the main program, and the probe saw every frame.
expect_picture_and_end_unchanged() {  # folder
    local dir=$1 frame counts
    display_host_frames "$dir" 1501 5000
    for frame in 1501 5000; do
        counts=$(display_count_mismatches "$dir/host/$(display_frame_name "$frame").png" \
            "$dir/out/$(display_frame_name "$frame").ppm" "$frame")
        expect "frame $frame is the host renderer's, pixel for pixel (differing: ${counts:-none read})" \
            same "$counts" "0 0"
    done
    local status
    status=$(display_exit_status "$dir")
    expect "the intro handed over to the main program (status ${status:-none})" \
        test -n "$status" -a "$status" != "0x00000000" -a "$status" != timeout
}

# ---- The cases --------------------------------------------------------------------------

# Track 5 measured as a listener would: loud enough, never clipped, about three
# minutes, and notes rather than noise. Its spectrogram is kept for the eye.
case_track05_as_a_listener() {
    local stats peak flat length rms
    stats=$(sox "$TRACK" -n stats 2>&1)
    peak=$(awk '/^Pk lev dB/ { print $4 }' <<<"$stats")
    flat=$(awk '/^Flat factor/ { print $3 }' <<<"$stats")
    rms=$(awk '/^RMS lev dB/ { print $4 }' <<<"$stats")
    length=$(awk '/^Length s/ { print $3 }' <<<"$stats")
    expect "the peak is below -1 dBFS ($peak dB)" awk -v p="$peak" 'BEGIN { exit !(p < -1) }'
    expect "no sample run is stuck at the peak, as a clipped one would be (flat factor $flat)" \
        awk -v f="$flat" 'BEGIN { exit !(f == 0) }'
    expect "the level is that of quiet music ($rms dB RMS)" awk -v r="$rms" 'BEGIN { exit !(r > -30 && r < -12) }'
    expect "it lasts about three minutes ($length s)" awk -v l="$length" 'BEGIN { exit !(l >= 170 && l <= 190) }'
    sox "$TRACK" -n remix - spectrogram -x 1800 -y 400 -z 90 -o "$WORK/track05-spectrogram.png" 2>/dev/null
    local flatness
    flatness=$(/usr/bin/python3 - "$TRACK" <<'EOF'
import sys, wave
import numpy as np
with wave.open(sys.argv[1]) as w:
    rate = w.getframerate()
    x = np.frombuffer(w.readframes(w.getnframes()), "<i2").reshape(-1, w.getnchannels()).mean(axis=1)
# Spectral flatness of one second every ten, 50 Hz to 8 kHz: near 0 for notes, about 0.5 for noise.
values = []
for start in range(0, len(x) - rate, 10 * rate):
    power = np.abs(np.fft.rfft(x[start:start + rate] * np.hanning(rate))) ** 2 + 1e-9
    band = power[50:8000]
    values.append(np.exp(np.mean(np.log(band))) / np.mean(band))
print(f"{np.median(values):.4f}")
EOF
)
    expect "its spectrum is made of notes, not noise (median spectral flatness $flatness)" \
        awk -v f="$flatness" 'BEGIN { exit !(f < 0.05) }'
}

# The intro with the DLL and the music folder: held just after the cue, then run
# to its end. The recording is the track from its first sample, at its speed,
# from after the play command to the intro's stop, and silent after it.
case_music_plays_from_the_cue_to_the_stop() {
    local dir
    dir=$(sound_folder music track)
    cp "$PROGRAMS/main-stand-in.exe" "$dir/z_qzm__.exe"
    sound_record_start "$WORK/music" || { fail "the recorder started"; return; }
    run_held_intro "$dir"
    local log=$dir/out/winmm.log
    sound_record_past_stop "$log" "$AFTER_STOP"  # to hear that it stays silent
    expect "the DLL was given the intro's five commands in order" same "$(log_commands "$log")" "$CUE_AND_STOP"
    expect "and answered them itself: $(log_answers "$log" | paste -sd ' ')" \
        same "$(log_answers "$log")$(log_kinds "$log")" "${SERVED_ANSWERS}served"
    /usr/bin/python3 "$SOUND_ANALYSE" check "$WORK/music" "$log" "$TRACK" | tee "$dir/out/analysis.txt" |
        grep -v '^measure'
    [ "${PIPESTATUS[0]}" = 0 ] || CASE_FAILED=$((CASE_FAILED + 1))
    grep '^measure' "$dir/out/analysis.txt" "$dir/out/latencies.txt" 2>/dev/null | sed 's/^[^:]*://; s/^/     /'
    expect_picture_and_end_unchanged "$dir"
    # Under Wine the override is the intro's alone, yet Wine loads a DLL found
    # beside a program before its own (as Windows does), so the main program gets
    # the player's DLL too, and through it the system's answers (the next case).
    expect "the main program the intro started ran ($(sed -n 's/^imported=//p' "$dir/out/stand-in.txt" | tr -d '\r'))" \
        grep -q '^done' "$dir/out/stand-in.txt"
}

# Track 5 as Ogg Vorbis, named as a player's copy may be (Track05.ogg): the
# recording is the track from the cue to the stop as from the WAV, matched
# against the Ogg's own decoding; and the disc it makes is the WAV's, to the
# sample: the same length, and a range waited for ends where it should.
case_music_plays_from_an_ogg() {
    local dir
    dir=$(display_new_folder ogg)
    cp "$WINMM_DLL" "$dir/"
    mkdir -p "$dir/music"
    cp "$OGG" "$dir/music/Track05.ogg"
    cp "$PROGRAMS/main-stand-in.exe" "$dir/z_qzm__.exe"
    oggdec --quiet -o "$WORK/ogg-decoded.wav" "$OGG" || { fail "oggdec decoded $OGG"; return; }
    sound_record_start "$WORK/ogg" || { fail "the recorder started"; return; }
    run_held_intro "$dir"
    local log=$dir/out/winmm.log
    sound_record_past_stop "$log" "$AFTER_STOP"  # to hear that it stays silent
    expect "the DLL answered the intro's five commands itself: $(log_answers "$log" | paste -sd ' ')" \
        same "$(log_commands "$log")$(log_answers "$log")$(log_kinds "$log")" "$CUE_AND_STOP${SERVED_ANSWERS}served"
    /usr/bin/python3 "$SOUND_ANALYSE" check "$WORK/ogg" "$log" "$WORK/ogg-decoded.wav" | tee "$dir/out/analysis.txt" |
        grep -v '^measure'
    [ "${PIPESTATUS[0]}" = 0 ] || CASE_FAILED=$((CASE_FAILED + 1))
    expect_picture_and_end_unchanged "$dir"

    cp "$PROGRAMS/mci-script.exe" "$dir/"
    printf '%s\n' "send set cdaudio time format tmsf" "send status cdaudio length track 5" \
        "send play cdaudio from 05:02:59:00 to 05:02:59:40 wait" "send status cdaudio position" >"$dir/ogg.script"
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        timeout 300 "$WINE" mci-script.exe ogg.script ogg.out >/dev/null 2>&1)
    local out length
    out=$(tr -d '\r' <"$dir/ogg.out" 2>/dev/null)
    length=$(soxi -s "$TRACK" | awk '{ f = int(($1 * 75 + 44099) / 44100); printf "%02d:%02d:%02d", f / 4500, f / 75 % 60, f % 75 }')
    expect "the Ogg's length is the WAV's ($length): $(grep 'length' <<<"$out")" \
        grep -q "length track 5 -> 0 '$length'" <<<"$out"
    expect "a range near its end, waited for, ends at its end: $(grep 'position' <<<"$out")" \
        grep -q "position -> 0 '05:02:59:40'" <<<"$out"
}

# The same six seconds of track 5 played at volume=100 and at volume=50 (set
# in winmm.ini and in the environment): the second is recorded 6 dB quieter.
case_volume_scales_the_level() {
    local dir=$WORK/volume volume level
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$dir/"
    cp "$OGG" "$dir/music/track05.ogg"
    printf '%s\n' "send set cdaudio time format tmsf" "send play cdaudio from 05:00:40:00 to 05:00:46:00 wait" \
        >"$dir/range.script"
    declare -A levels
    # Nothing else of this prefix may sound in the recordings: an intro of an
    # earlier case that outlived its timeout is ended first.
    timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    for volume in ini:100 env:50; do
        printf '[winmm]\nvolume=%s\n' "${volume#*:}" >"$dir/winmm.ini"
        local set_in_env=()
        if [ "${volume%%:*}" = env ]; then
            printf '[winmm]\nvolume=100\n' >"$dir/winmm.ini"  # the environment comes first
            set_in_env=(INTRO_WINMM_VOLUME="${volume#*:}")
        fi
        sound_record_start "$WORK/volume-${volume#*:}" || { fail "the recorder started"; return; }
        (cd "$dir" && env WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
            "${set_in_env[@]}" timeout 300 "$WINE" mci-script.exe range.script range.out >/dev/null 2>&1)
        sound_record_stop
        level=$(/usr/bin/python3 "$SOUND_ANALYSE" level "$WORK/volume-${volume#*:}")
        levels[${volume#*:}]=$level
        echo "     measure level_at_volume_${volume#*:}_dbfs $level"
    done
    expect "at volume=50 the level is half that at 100: ${levels[50]} dB against ${levels[100]} dB" \
        awk -v a="${levels[50]}" -v b="${levels[100]}" 'BEGIN { d = a - b; exit !(a != "" && b != "" && d > -6.52 && d < -5.52) }'
}

# With the DLL but no music folder every command reaches Wine's own MCI, which
# answers 266 as without the DLL; picture and end are as always.
case_no_music_folder() {
    local dir
    dir=$(sound_folder silent none)
    (export WINEDEBUG=-all,+mci HOLD_SECONDS=0; run_held_intro "$dir")
    local log=$dir/out/winmm.log
    expect "the DLL was given the intro's five commands" same "$(log_commands "$log")" "$CUE_AND_STOP"
    expect "the system answered each: $(log_answers "$log" | paste -sd ' ')" \
        same "$(log_answers "$log" | sort -u)$(log_kinds "$log")" "266system"
    local reached
    reached=$(display_mci_commands "$dir/out/wine.txt")
    expect "the commands reached Wine's MCI unchanged" same "$reached" "$CUE_AND_STOP"
    expect_picture_and_end_unchanged "$dir"
}

# A program started from the folder that imports winmm gets the DLL (as on
# Windows) and, through it, the answers of a run with the system's own winmm,
# its timeGetTime between two such runs; its cdaudio is the system's.
case_main_program_gets_the_systems_winmm() {
    local dir=$WORK/main run
    mkdir -p "$dir/with/music" "$dir/without"
    cp "$WINMM_DLL" "$PROGRAMS/main-stand-in.exe" "$dir/with/"
    cp "$PROGRAMS/main-stand-in.exe" "$dir/without/"
    cp "$TRACK" "$dir/with/music/track05.wav"
    for run in without:before with:through without:after; do
        (cd "$dir/${run%%:*}" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" \
            INTRO_SOUND_STAND_IN_LOG="$(winpath "$dir/${run#*:}.txt")" timeout 90 "$WINE" main-stand-in.exe >/dev/null 2>&1)
    done
    value() { tr -d '\r' <"$dir/$1.txt" 2>/dev/null | sed -n "s/^$2=//p"; }
    expect "its winmm import is the player's DLL ($(value through imported))" \
        grep -qi '\\main\\with\\winmm.dll$' <<<"$(value through imported)"
    expect "the runs without it have the system's ($(value before imported))" \
        grep -qi 'system32\\winmm.dll$' <<<"$(value before imported)"
    expect "timeGetTime answers between the system's two runs ($(value before timeGetTime) $(value through timeGetTime) $(value after timeGetTime))" \
        test "$(value before timeGetTime)" -le "$(value through timeGetTime)" -a \
             "$(value through timeGetTime)" -le "$(value after timeGetTime)"
    local name
    for name in waveOutGetNumDevs midiOutGetNumDevs joyGetNumDevs mciSendStringA; do
        expect "$name answers as the system's ($(value through $name), system $(value before $name))" \
            test -n "$(value before $name)" -a "$(value through $name)" = "$(value before $name)"
    done
    expect "the private sound server is a device for both" test "$(value through waveOutGetNumDevs)" -ge 1
}

# The served device's answers to malformed strings are those Wine's MCI gives
# its own waveaudio device for the same mistakes; and a real range, waited for,
# ends where it should.
case_answers_like_the_systems_mci() {
    local dir=$WORK/answers
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$dir/"
    cp "$TRACK" "$dir/music/track05.wav"
    local mistakes=("bogus DEV" "play DEV from" "play DEV from abc" "play DEV from 1:2:3:4:5" "play DEV from 300:0:0:0"
                    "status DEV" "status DEV bogus" "status DEV length track" "set DEV time format bogus"
                    "set DEV time format ms extra" "set DEV" "set DEV time format" "seek DEV to" "stop DEV from 3"
                    "status DEV mode wait wait" "open DEV" "play DEV from \"05:00")
    local device line
    for device in waveaudio cdaudio; do
        {
            echo "send open $device"
            for line in "${mistakes[@]}"; do echo "send ${line//DEV/$device}"; done
            echo "send close $device"
            echo "send close $device"
        } >"$dir/$device.script"
        (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
            timeout 300 "$WINE" mci-script.exe "$device.script" "$device.out" >/dev/null 2>&1)
    done
    local wine_codes served_codes
    wine_codes=$(tr -d '\r' <"$dir/waveaudio.out" | sed -n 's/.* -> \([0-9]*\) .*/\1/p' | paste -sd ' ')
    served_codes=$(tr -d '\r' <"$dir/cdaudio.out" | sed -n 's/.* -> \([0-9]*\) .*/\1/p' | paste -sd ' ')
    expect "the answers are Wine's: served [$served_codes], Wine's waveaudio [$wine_codes]" \
        same "$served_codes" "$wine_codes"
    expect "Wine answered every one" test "$(wc -w <<<"$wine_codes")" = $((${#mistakes[@]} + 3))

    printf '%s\n' "send set cdaudio time format tmsf" "send play cdaudio from 05:00:01:00 to 05:00:02:30 wait" \
        "send status cdaudio mode" "send status cdaudio position" "send status cdaudio length track 5" >"$dir/range.script"
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        timeout 300 "$WINE" mci-script.exe range.script range.out >/dev/null 2>&1)
    local out
    out=$(tr -d '\r' <"$dir/range.out")
    expect "a range waited for has ended when the play returns: $(grep 'mode' <<<"$out")" \
        grep -q "mode -> 0 'stopped'" <<<"$out"
    expect "and the position is its end: $(grep 'status cdaudio position' <<<"$out")" \
        grep -q "position -> 0 '05:00:02:30'" <<<"$out"
    # Its length in CD frames, the last part-frame counted whole, as minutes, seconds and frames.
    local length
    length=$(soxi -s "$TRACK" | awk '{ f = int(($1 * 75 + 44099) / 44100); printf "%02d:%02d:%02d", f / 4500, f / 75 % 60, f % 75 }')
    expect "the track's length is the file's ($length): $(grep 'length' <<<"$out")" \
        grep -q "length track 5 -> 0 '$length'" <<<"$out"
}

# FreeLibrary while the music plays leaves the DLL mapped for the range, which
# plays to its end; ending the process while it plays ends it cleanly. (Once
# the system's wave mapper is loaded it holds the DLL too, since it imports
# winmm.dll by name, so the DLL may stay mapped after the range: not judged.)
case_unload_and_exit_while_playing() {
    local dir=$WORK/unload
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$dir/"
    cp "$TRACK" "$dir/music/track05.wav"
    printf '%s\n' "send set cdaudio time format tmsf" "send play cdaudio from 05:00:00:00 to 05:00:01:00" "unload" \
        "await stream thread ends" >"$dir/unload.script"
    printf '%s\n' "send set cdaudio time format tmsf" "send play cdaudio from 05:00:00:00 to 06:00:00:00" \
        "await sound started" "exit" >"$dir/exit.script"
    local status=0
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        INTRO_WINMM_LOG="$(winpath "$dir/unload.log")" \
        timeout 300 "$WINE" mci-script.exe unload.script unload.out >/dev/null 2>&1) || status=$?
    expect "the playing range holds the DLL after FreeLibrary" grep -q '^after unload mapped=yes' "$dir/unload.out"
    expect "and plays to its end" grep -q 'sound ended: the range has played' "$dir/unload.log"
    expect "its thread ends" grep -q 'stream thread ends' "$dir/unload.log"
    expect "the program went on and ended normally (status $status)" \
        test "$status" = 0 -a "$(tr -d '\r' <"$dir/unload.out" | tail -1)" = done
    status=0
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        INTRO_WINMM_LOG="$(winpath "$dir/exit.log")" timeout 300 "$WINE" mci-script.exe exit.script exit.out >/dev/null 2>&1) || status=$?
    expect "a process ended while its music plays exits cleanly (status $status)" test "$status" = 0
    expect "having got as far as its exit, with the music playing" \
        bash -c "grep -q '^await sound started -> seen' '$dir/exit.out' && grep -q '^exiting' '$dir/exit.out'"
}

# A game's music as games drive it, through mciSendCommandA alone (cd-loop.exe):
# track 2, a three-second sweep, played with notify and played again on the
# successful notification, then stopped. The recording holds it twice, in order.
case_game_loops_a_track_by_command() {
    local dir=$WORK/loop
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/cd-loop.exe" "$dir/"
    sox -n -r 44100 -c 2 -b 16 "$dir/music/track02.wav" synth 3 sine 300-1500 vol 0.5
    sound_record_start "$WORK/loop" || { fail "the recorder started"; return; }
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=cd-loop.exe \
        INTRO_WINMM_LOG="$(winpath "$dir/winmm.log")" INTRO_SOUND_CD_LOOP_LOG="$(winpath "$dir/loop.txt")" \
        timeout 300 "$WINE" cd-loop.exe >/dev/null 2>&1)
    # Recorded on until a second more has come, so that the end of the second play is in.
    grown() { [ "$(stat -c %s "$1")" -gt "$2" ]; }  # file, bytes
    display_wait_for 150 grown "$WORK/loop.raw" $(($(stat -c %s "$WORK/loop.raw") + 176400))
    sound_record_stop
    local steps
    steps=$(tr -d '\r' <"$dir/loop.txt" 2>/dev/null | paste -sd ' ')
    expect "it opened cdaudio as device 1, set tmsf, read 2 tracks, played, looped once on success, stopped: $steps" \
        same "$steps" "open=0 id=1 set=0 status=0 tracks=2 play=0 notify=1 play=0 notify=1 stop=0 close=0 done"
    expect "the player's DLL served the commands" grep -q 'mci served command 0x806' "$dir/winmm.log"
    /usr/bin/python3 "$SOUND_ANALYSE" twice "$WORK/loop" "$dir/music/track02.wav" | tee "$dir/analysis.txt" |
        grep -v '^measure'
    [ "${PIPESTATUS[0]}" = 0 ] || CASE_FAILED=$((CASE_FAILED + 1))
}

# The game's CD volume through the aux functions: the CD-audio aux device set
# to half (0x8000 of 0xFFFF) makes the music 6 dB quieter than at full.
case_aux_volume_scales_the_music() {
    local dir=$WORK/aux aux level
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/cd-loop.exe" "$dir/"
    sox -n -r 44100 -c 2 -b 16 "$dir/music/track02.wav" synth 3 sine 300-1500 vol 0.5
    declare -A levels
    for aux in ffff 8000; do
        sound_record_start "$WORK/aux-$aux" || { fail "the recorder started"; return; }
        (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=cd-loop.exe \
            INTRO_SOUND_CD_LOOP_LOG="$(winpath "$dir/$aux.txt")" INTRO_SOUND_CD_LOOP_AUX=$aux \
            timeout 300 "$WINE" cd-loop.exe >/dev/null 2>&1)
        sound_record_stop
        expect "at $aux the CD's aux device took the volume: $(tr -d '\r' <"$dir/$aux.txt" | head -3 | paste -sd ' ')" \
            same "$(tr -d '\r' <"$dir/$aux.txt" | head -3 | paste -sd ' ')" "aux=0 auxset=0 auxget=$((16#$aux))"
        level=$(/usr/bin/python3 "$SOUND_ANALYSE" level "$WORK/aux-$aux")
        levels[$aux]=$level
        echo "     measure level_at_aux_${aux}_dbfs $level"
    done
    expect "at half the level is 6 dB lower: ${levels[8000]} dB against ${levels[ffff]} dB" \
        awk -v a="${levels[8000]}" -v b="${levels[ffff]}" 'BEGIN { d = a - b; exit !(a != "" && b != "" && d > -6.52 && d < -5.52) }'
}

# The game the intro hands over to (cd-loop.exe as z_qzm__.exe) is served by
# the same DLL and music folder, as the setting "program" has it by default.
case_the_game_after_the_intro_gets_its_music() {
    local dir steps
    dir=$(sound_folder game track)
    cp "$PROGRAMS/cd-loop.exe" "$dir/z_qzm__.exe"
    sox -n -r 44100 -c 2 -b 16 "$dir/Music/track02.wav" synth 3 sine 300-1500 vol 0.5
    # On Windows a program loads the winmm.dll beside it; under Wine the override says so for the game too.
    display_start_intro "$dir" "" "" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};ddraw=n,b;winmm=n,b" \
        INTRO_SOUND_CD_LOOP_LOG="$(winpath "$dir/out/loop.txt")" INTRO_WINMM_LOG="$(winpath "$dir/out/winmm.log")"
    display_finish_intro "$dir"
    display_wait_for 300 grep -q '^done' "$dir/out/loop.txt"
    steps=$(tr -d '\r' <"$dir/out/loop.txt" 2>/dev/null | paste -sd ' ')
    expect "the game played track 2 twice through the served device: $steps" \
        same "$steps" "open=0 id=1 set=0 status=0 tracks=5 play=0 notify=1 play=0 notify=1 stop=0 close=0 done"
    expect "and the DLL served it" grep -q 'mci served command 0x806' "$dir/out/winmm.log"
}

# The served device and one of Wine's own (waveaudio) opened in either order get
# IDs 1 and 2, as a process's first two devices do; "close all" closes both.
case_device_ids_never_collide() {
    local dir=$WORK/ids order
    mkdir -p "$dir/music"
    cp "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$dir/"
    cp "$TRACK" "$dir/music/track05.wav"
    printf '%s\n' "send open cdaudio alias c" "send open waveaudio alias w" "send close all" \
        "send open cdaudio alias c" "send close c" >"$dir/served-first.script"
    printf '%s\n' "send open waveaudio alias w" "send open cdaudio alias c" "send close all" >"$dir/system-first.script"
    for order in served-first system-first; do
        (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
            timeout 30 "$WINE" mci-script.exe "$order.script" "$order.out" >/dev/null 2>&1)
    done
    answers() { tr -d '\r' <"$dir/$1.out" 2>/dev/null | sed -n "s/^send \(.*\) -> \([0-9]*\) '\(.*\)' in .*/\2 \3/p" | paste -sd ','; }
    expect "the served device first: 1, then Wine's: 2; after close all it opens again as 1 ($(answers served-first))" \
        same "$(answers served-first)" "0 1,0 2,0 ,0 1,0 "
    expect "Wine's first: 1, then the served device: 2 ($(answers system-first))" \
        same "$(answers system-first)" "0 1,0 2,0 "
}

# ---- The run ------------------------------------------------------------------------------

run_case() {
    local name=$1 began=$SECONDS
    CASE_FAILED=0
    echo "== $name"
    if declare -F "case_$name" >/dev/null; then "case_$name"; else fail "no such case"; fi
    if [ "$CASE_FAILED" = 0 ]; then
        echo "PASS $name ($((SECONDS - began)) s)"
        passed=$((passed + 1))
    else
        echo "FAIL $name ($((SECONDS - began)) s)"
        failed=$((failed + 1))
    fi
}

main() {
    local started=$SECONDS
    if ! sound_server_start "$WORK" || ! xvfb_start || ! xdotool mousemove 100 100 ||
        ! sound_prefix_ready "$WINEPREFIX"; then
        failed=1
        echo "0 passed, 1 failed"
        exit 1
    fi
    local name names=("$@")
    [ ${#names[@]} -gt 0 ] || names=("${CASES[@]}")
    for name in "${names[@]}"; do
        run_case "$name"
    done
    echo "sound: $((SECONDS - started)) s"
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

main "$@"
