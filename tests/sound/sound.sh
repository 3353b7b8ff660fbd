# What the sound checks and the sound benchmark share (sourced, not run): a
# private PulseAudio sound server with a null sink whose monitor is recorded,
# and a Wine prefix whose pulse driver plays into it, with the player's
# winmm.dll enabled for intro.exe alone.
#
# The server is this run's alone: its own HOME, XDG_RUNTIME_DIR and
# PULSE_RUNTIME_PATH under the work folder, no configuration file (-n), so
# nothing else is loaded, and a unix socket without authentication that the
# environment of this shell points every client at. It runs as root here
# (PulseAudio warns, then serves), never exits by itself while idle, and is
# ended by sound_server_stop.

sound_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$sound_root/scripts/music.sh"  # music_prefix_ready
SOUND_ANALYSE=$sound_root/tests/sound/analyse.py
SOUND_SERVER_PID=""
SOUND_RECORDER_PID=""

sound_server_start() {  # work folder
    local home=$1/pulse
    mkdir -p "$home/runtime/pulse"
    chmod 700 "$home/runtime"
    export PULSE_RUNTIME_PATH=$home/runtime/pulse
    export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native
    HOME=$home XDG_RUNTIME_DIR=$home/runtime pulseaudio --daemonize=no -n --exit-idle-time=-1 \
        --use-pid-file=no --log-target=stderr \
        -L "module-null-sink sink_name=intro_music rate=44100 channels=2 format=s16le" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
        >"$home/server.log" 2>&1 &
    SOUND_SERVER_PID=$!
    local tries
    for tries in $(seq 50); do
        timeout 5 pactl info >/dev/null 2>&1 && return 0
        kill -0 "$SOUND_SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "sound: the private sound server did not start (see $home/server.log)" >&2
    return 1
}

sound_server_stop() {
    [ -n "$SOUND_RECORDER_PID" ] && sound_record_stop
    [ -n "$SOUND_SERVER_PID" ] && kill "$SOUND_SERVER_PID" 2>/dev/null && wait "$SOUND_SERVER_PID" 2>/dev/null
    SOUND_SERVER_PID=""
}

# The prefix as scripts/wine.sh makes it, with the run's music settings (scripts/music.sh).
sound_prefix_ready() {  # prefix
    wine_prefix_ready "$1" && music_prefix_ready "$1"
}

sound_record_start() {  # base path: BASE.raw and BASE.times
    /usr/bin/python3 "$SOUND_ANALYSE" record "$1" &
    SOUND_RECORDER_PID=$!
    # The recording has begun once its first piece has come.
    local tries
    for tries in $(seq 200); do
        [ -s "$1.times" ] && return 0
        sleep 0.05
    done
    echo "sound: the recorder did not start" >&2
    sound_record_stop
    return 1
}

sound_record_stop() {
    kill -TERM "$SOUND_RECORDER_PID" 2>/dev/null
    wait "$SOUND_RECORDER_PID" 2>/dev/null
    SOUND_RECORDER_PID=""
}

# The sound server's own latency while something plays: for each playing
# stream, its buffer and the sink's, and the recorder's, in milliseconds.
sound_server_latencies() {
    timeout 5 pactl list sink-inputs 2>/dev/null | awk '/Buffer Latency/ { b = $3 } /Sink Latency/ { s = $3 }
        END { if (b != "") printf "measure server_playback_buffer_ms %.1f\nmeasure server_sink_ms %.1f\n", b / 1000, s / 1000 }'
    timeout 5 pactl list source-outputs 2>/dev/null | awk '/Buffer Latency/ { b = $3 } /Source Latency/ { s = $3 }
        END { if (b != "") printf "measure server_record_buffer_ms %.1f\nmeasure server_source_ms %.1f\n", b / 1000, s / 1000 }'
}

# Runs the intro in FOLDER (tests/wine/display_cases.sh: display_new_folder)
# with the DLL's log, holding it at FRAME for SECONDS, and to its end; notes
# the server's latencies while it is held.
sound_held_intro() {  # folder, frame, seconds
    local dir=$1 frame=$2 seconds=$3
    display_start_intro "$dir" "$frame" "1501 5000" \
        INTRO_WINMM_LOG="$(winpath "$dir/out/winmm.log")" INTRO_SOUND_STAND_IN_LOG="$(winpath "$dir/out/stand-in.txt")"
    if display_wait_for 30 test -e "$dir/out/$(display_frame_name "$frame").ready"; then
        sleep "$seconds"
        sound_server_latencies >"$dir/out/latencies.txt"
    fi
    display_finish_intro "$dir"
}
