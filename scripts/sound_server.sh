# The private sound server of the run command's recordings, the sound suites and
# the bench (sourced, not run): a PulseAudio server with a null sink whose
# monitor is recorded, each piece of the recording with the wall time it arrived.
#
# The server is this run's alone: its own HOME, XDG_RUNTIME_DIR and
# PULSE_RUNTIME_PATH under the work folder, no configuration file (-n), so
# nothing else is loaded, and a unix socket without authentication that the
# environment of this shell points every client at (Wine's pulse driver among
# them). It runs as root here (PulseAudio warns, then serves), never exits by
# itself while idle, and is ended by sound_server_stop.

SOUND_RECORDER=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/sound_recorder.py
SOUND_SERVER_PID=""
SOUND_RECORDER_PID=""
SOUND_RECORDING=""

sound_server_start() {  # work folder
    local home=$1/pulse
    mkdir -p "$home/runtime/pulse"
    chmod 700 "$home/runtime"
    export PULSE_RUNTIME_PATH=$home/runtime/pulse
    export PULSE_SERVER=unix:$PULSE_RUNTIME_PATH/native
    # No shared memory: clients send their sound through the socket. The server's
    # memfd pool was seen to abort it now and then ("non-registered memfd"), which
    # would fail a recording by chance.
    HOME=$home XDG_RUNTIME_DIR=$home/runtime pulseaudio --daemonize=no -n --exit-idle-time=-1 \
        --use-pid-file=no --log-target=stderr --disable-shm=yes \
        -L "module-null-sink sink_name=intro_music rate=44100 channels=2 format=s16le" \
        -L "module-native-protocol-unix auth-anonymous=1 socket=$PULSE_RUNTIME_PATH/native" \
        >"$home/server.log" 2>&1 &
    SOUND_SERVER_PID=$!
    local tries
    for tries in $(seq 200); do
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

# Records the sink into BASE.raw, with BASE.times beside it (sound_recorder.py).
sound_record_start() {  # base path
    /usr/bin/python3 "$SOUND_RECORDER" "$1" &
    SOUND_RECORDER_PID=$!
    SOUND_RECORDING=$1
    # The recording has begun once its first piece has come.
    local tries
    for tries in $(seq 400); do
        [ -s "$1.times" ] && return 0
        kill -0 "$SOUND_RECORDER_PID" 2>/dev/null || break
        sleep 0.05
    done
    echo "sound: the recorder did not start" >&2
    sound_record_stop
    return 1
}

# Waits until the recording holds the sound of the given wall time (seconds since
# the epoch, as `date +%s.%N` and the DLL's log give it), at most LIMIT seconds.
sound_record_covers() {  # wall time[, limit in seconds]
    local tries
    for tries in $(seq $((${2:-60} * 20))); do
        tail -n 1 "$SOUND_RECORDING.times" 2>/dev/null | awk -v t="$1" '{ exit !($1 >= t) }' && return 0
        sleep 0.05
    done
    echo "sound: the recording never reached $1" >&2
    return 1
}

sound_record_stop() {
    kill -TERM "$SOUND_RECORDER_PID" 2>/dev/null
    wait "$SOUND_RECORDER_PID" 2>/dev/null
    SOUND_RECORDER_PID=""
}
