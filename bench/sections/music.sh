#!/usr/bin/env bash
# The music without a CD drive, measured under Wine with a private PulseAudio
# server (scripts/sound_server.sh): how long mciSendStringA takes for the play
# command, the CPU the streaming thread uses, and how soon the sound starts
# after the intro's cue and stops after its "stop cdaudio". Prints its
# Markdown section on stdout; what it measured stays in $out/music.
#   out   the bench's raw-figure folder (default out/bench)
#   reps  runs of the intro and of the call timings (default 7; the long plays at most 3)
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
out=${out:-$root/out/bench}
reps=${reps:-7}
work=$out/music
rm -rf "$work"
mkdir -p "$work"

source scripts/wine.sh   # which Windows build runs here: $INTRO_WIN_BUILD
source scripts/xvfb.sh
TRACK=$root/build/host/music/track05.wav
WINMM_DLL=$root/$INTRO_WIN_BUILD/player/winmm.dll
PROGRAMS=$root/$INTRO_WIN_BUILD/tests/sound
for file in "$TRACK" "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$INTRO_WIN_BUILD/intro.exe" "$INTRO_WIN_BUILD/probe/ddraw.dll"; do
    [ -f "$file" ] || { echo "music bench: $file is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

source tests/wine/display_cases.sh
source tests/sound/sound.sh
# A prefix of this section's own, kept between runs: it changes the audio driver.
export WINEPREFIX=$out/music-prefix WINEDEBUG=-all DISPLAY_WORK=$work/display
trap 'timeout 20 "$WINESERVER" -k >/dev/null 2>&1; sound_server_stop; xvfb_stop' EXIT
note() { echo "music bench: $*" >&2; }
sound_server_start "$work" && xvfb_start && xdotool mousemove 100 100 && sound_prefix_ready "$WINEPREFIX" ||
    { note "could not set up the sound server, the display or the prefix"; exit 1; }

# ---- The intro's cue and stop, recorded: reps runs held 4 s after the cue.
note "the intro with the music, $reps runs"
: >"$work/intro.txt"
for run in $(seq "$reps"); do
    dir=$(display_new_folder "intro-$run")
    cp "$WINMM_DLL" "$dir/"
    mkdir -p "$dir/music"
    cp "$TRACK" "$dir/music/track05.wav"
    sound_record_start "$work/intro-$run" || continue
    sound_held_intro "$dir" 1600 4
    sound_record_past_stop "$dir/out/winmm.log" 2
    /usr/bin/python3 "$SOUND_ANALYSE" check "$work/intro-$run" "$dir/out/winmm.log" "$TRACK" >"$dir/out/analysis.txt"
    cat "$dir/out/analysis.txt" "$dir/out/latencies.txt" 2>/dev/null | awk '/^measure/ { print $2, $3 }' >>"$work/intro.txt"
    grep -q '^FAIL' "$dir/out/analysis.txt" && note "run $run: $(grep -m1 '^FAIL' "$dir/out/analysis.txt")"
    # The play command inside the DLL: from its "mci call" line to its answer, in microseconds.
    tr -d '\r' <"$dir/out/winmm.log" | awk '/mci call "play cdaudio/ { t = $1 } /mci served result=.*"play cdaudio/ && t {
        printf "in_dll_play_us %.0f\n", ($1 - t) * 1e6 }' >>"$work/intro.txt"
done

# ---- mciSendStringA for the play and the stop command, as the caller sees it
# (no log): twenty of each a run, as the intro gives them (the play with
# nothing playing, the stop while it plays), and twenty plays over a play.
note "mciSendStringA for the play and the stop command, 20 of each a run, $reps runs"
dir=$work/calls
mkdir -p "$dir/music"
cp "$WINMM_DLL" "$PROGRAMS/mci-script.exe" "$dir/"
cp "$TRACK" "$dir/music/track05.wav"
{
    echo "send open cdaudio shareable"
    echo "send set cdaudio time format tmsf"
    for _ in $(seq 20); do
        printf '%s\n' "send play cdaudio from 05:00:00:00 to 06:00:00:00" "sleep 100" "send stop cdaudio" "sleep 20"
    done
    for _ in $(seq 20); do
        printf '%s\n' "send play cdaudio from 05:00:00:00 to 06:00:00:00" "sleep 100"
    done
    echo "send close cdaudio"
} >"$dir/plays.script"
: >"$work/calls.txt"
for run in $(seq "$reps"); do
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        timeout 60 "$WINE" mci-script.exe plays.script "plays-$run.out" >/dev/null 2>&1)
    # Which play is which: the one after a stop (or the first) plays afresh.
    tr -d '\r' <"$dir/plays-$run.out" | awk '/^send play cdaudio .* -> 0 / { print (playing ? "over" : "fresh"), $(NF - 1); playing = 1 }
        /^send stop cdaudio -> 0 / { print "stop", $(NF - 1); playing = 0 }' >>"$work/calls.txt"
done

# ---- The streaming thread's CPU over 30 s of track 5, from GetThreadTimes.
# The figure hardly varies, and each run takes half a minute: three runs at most.
long_reps=$((reps < 3 ? reps : 3))
note "the streaming thread over 30 s of play, $long_reps runs"
printf '%s\n' "send set cdaudio time format tmsf" "send play cdaudio from 05:00:00:00 to 05:00:30:00 wait" >"$dir/long.script"
: >"$work/thread.txt"
for run in $(seq "$long_reps"); do
    rm -f "$dir/long-$run.log"
    (cd "$dir" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winmm=n,b" INTRO_WINMM_PROGRAM=mci-script.exe \
        INTRO_WINMM_LOG="$(winpath "$dir/long-$run.log")" timeout 60 "$WINE" mci-script.exe long.script "long-$run.out" >/dev/null 2>&1)
    tr -d '\r' <"$dir/long-$run.log" | sed -n 's/.*stream thread ends: \([0-9.]*\) ms of CPU in \([0-9.]*\) s$/\1 \2/p' >>"$work/thread.txt"
done

# ---- The figures.
# median and max of the NAME values in FILE ("NAME VALUE" lines, or bare values when NAME is "-").
stats() {  # file, name
    awk -v name="$2" 'name == "-" { v[n++] = $1 } name != "-" && $1 == name { v[n++] = $2 }
        END { if (!n) { print "none none 0"; exit }
              for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
              m = n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2
              printf "%.1f %.1f %d\n", m, v[n - 1], n }' "$1"
}
met() { awk -v v="$1" -v t="$2" 'BEGIN { if (v == "none") print "not measured"; else print (v + 0 < t) ? "met" : "not met" }'; }
read -r call_med call_max call_n < <(stats "$work/calls.txt" fresh)
read -r over_med over_max over_n < <(stats "$work/calls.txt" over)
read -r stopcall_med stopcall_max stopcall_n < <(stats "$work/calls.txt" stop)
read -r gaps_med gaps_max _ < <(stats "$work/intro.txt" gaps_ms)
read -r lost_med lost_max _ < <(stats "$work/intro.txt" left_out_ms)
read -r dll_med dll_max dll_n < <(stats "$work/intro.txt" in_dll_play_us)
read -r start_med start_max start_n < <(stats "$work/intro.txt" start_latency_ms)
read -r queued_med queued_max _ < <(stats "$work/intro.txt" first_buffer_ms)
read -r stop_med stop_max stop_n < <(stats "$work/intro.txt" stop_latency_ms)
read -r silenced_med silenced_max _ < <(stats "$work/intro.txt" silenced_in_dll_ms)
read -r play_buffer_med _ _ < <(stats "$work/intro.txt" server_playback_buffer_ms)
read -r sink_med _ _ < <(stats "$work/intro.txt" server_sink_ms)
read -r rec_buffer_med _ _ < <(stats "$work/intro.txt" server_record_buffer_ms)
read -r source_med _ _ < <(stats "$work/intro.txt" server_source_ms)
awk '{ print $1 / ($2 * 1000) * 100 }' "$work/thread.txt" >"$work/thread-percent.txt"
read -r cpu_med cpu_max cpu_n < <(stats "$work/thread-percent.txt" -)
read -r cpu_ms_med _ _ < <(awk '{ print $1 }' "$work/thread.txt" | stats /dev/stdin -)
call_max_ms=$(awk -v v="$call_max" 'BEGIN { print v / 1000 }')

cat <<EOF
## Music without a CD drive (the player's winmm.dll)

Measured under Wine with the player's \`winmm.dll\` beside the real \`intro.exe\` and track 5 as composed
(\`build/host/music/track05.wav\`), played through Wine's pulse driver into a private PulseAudio server
whose null sink is recorded with \`parec\` (\`bench/sections/music.sh\`, the same set-up as
\`tests/sound/run.sh\`). The machine is shared by others, so the figures vary from run to run.

| what | median | max | runs | target | verdict |
| --- | ---: | ---: | ---: | --- | --- |
| \`mciSendStringA\` for the play command with nothing playing, as the intro gives it (the caller's QueryPerformanceCounter, no log) | ${call_med} µs | ${call_max} µs | ${call_n} | below a frame at 60 Hz (16.7 ms), so the cue never costs a frame | $(met "$call_max_ms" 16.7) |
| the same inside the DLL, for the intro's own play command (the DLL's log: call to answer, with one log write) | ${dll_med} µs | ${dll_max} µs | ${dll_n} | | |
| \`mciSendStringA\` for a play over a play (the one before is silenced first) | ${over_med} µs | ${over_max} µs | ${over_n} | | |
| \`mciSendStringA\` for "stop cdaudio" while it plays (returns once the sound is silenced) | ${stopcall_med} µs | ${stopcall_max} µs | ${stopcall_n} | | |
| sound after the intro's play command (recording against the DLL's log) | ${start_med} ms | ${start_max} ms | ${start_n} | within 250 ms | $(met "$start_max" 250) |
| of which, the first buffer queued to waveOut | ${queued_med} ms | ${queued_max} ms | | | |
| silence after the intro's "stop cdaudio" (last sound in the recording) | ${stop_med} ms | ${stop_max} ms | ${stop_n} | within 250 ms | $(met "$stop_max" 250) |
| of which, the device reset and closed inside the DLL | ${silenced_med} ms | ${silenced_max} ms | | | |
| silence the sound server put in while the intro played, up to its stop | ${gaps_med} ms | ${gaps_max} ms | | none; a busy machine starves Wine's sound thread | |
| sound of the track Wine's pulse driver dropped meanwhile (the DLL queued all of it) | ${lost_med} ms | ${lost_max} ms | | none | |
| the streaming thread's CPU while it plays (GetThreadTimes over 30 s of track 5) | ${cpu_med} % (${cpu_ms_med} ms) | ${cpu_max} % | ${cpu_n} | below 1 % of a core | $(met "$cpu_max" 1) |

The sound server's own latency while the intro's music plays (\`pactl list\`, median of the runs): Wine's
playback stream buffers ${play_buffer_med} ms and the null sink ${sink_med} ms; the recorder's stream
buffers ${rec_buffer_med} ms and the monitor source ${source_med} ms. The start and stop figures above
put each recorded sample on the wall clock from the arrival of the recorder's pieces (parec asks for
10 ms pieces), taking for each the earliest arrival its sample count allows; the null sink hands its
monitor what it renders a little ahead, so this time base runs early: in five runs of tests/sound
on both paths the track's first sample came out 11 to 14 ms before the DLL's log had queued it. The
start and stop figures are therefore 10 ms or more below the truth, and a stop figure just
below zero means the sound ended with the stop. Wine's pulse driver keeps only about 20 ms in
the server: when its sound thread runs late, the server fills the wait with silence (the gaps
row), and the driver, whose clock runs on regardless, drops what it could not hand over in time
(the dropped row); the DLL itself keeps 300 ms queued in waveOut, and its log shows every sample
of the track handed over in order.

The thread's CPU time comes from GetThreadTimes, which Wine reads from the kernel's accounting of the
thread: its resolution is the kernel's clock tick (10 ms), so over 30 s it resolves about 0.03 %; a
figure of 0 means less than a tick. A play of \`mciSendStringA\` opens the track's file, reads its
header, starts a thread and returns; the thread opens waveOut. A play over a play and a stop first wait
for the playing thread to reset and close its waveOut device, which is the system's time.
EOF
