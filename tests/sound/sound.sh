# What the sound checks and the sound benchmark share (sourced, not run): the
# private sound server and its recorder (scripts/sound_server.sh), a Wine prefix
# whose pulse driver plays into it with the player's winmm.dll enabled for
# intro.exe alone, and the intro held just after its cue while the music plays.

sound_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$sound_root/scripts/music.sh"         # MUSIC_SETTINGS
source "$sound_root/scripts/sound_server.sh"  # the server and its recorder
SOUND_ANALYSE=$sound_root/tests/sound/analyse.py

# The prefix as scripts/wine.sh makes it, with the run's music settings (scripts/music.sh).
sound_prefix_ready() {  # prefix
    wine_prefix_ready "$1" desktop "${MUSIC_SETTINGS[@]}"
}

# The sound server's own latency while something plays: for each playing
# stream, its buffer and the sink's, and the recorder's, in milliseconds.
sound_server_latencies() {
    timeout 5 pactl list sink-inputs 2>/dev/null | awk '/Buffer Latency/ { b = $3 } /Sink Latency/ { s = $3 }
        END { if (b != "") printf "measure server_playback_buffer_ms %.1f\nmeasure server_sink_ms %.1f\n", b / 1000, s / 1000 }'
    timeout 5 pactl list source-outputs 2>/dev/null | awk '/Buffer Latency/ { b = $3 } /Source Latency/ { s = $3 }
        END { if (b != "") printf "measure server_record_buffer_ms %.1f\nmeasure server_source_ms %.1f\n", b / 1000, s / 1000 }'
}

# The wall time of the DLL's last "stop cdaudio", from its log.
sound_stop_time() {  # the DLL's log
    tr -d '\r' <"$1" 2>/dev/null | awk '/ mci call "stop cdaudio/ { t = $1 } END { if (t != "") print t }'
}

# Lets the recording go on until it holds SECONDS of the time after the intro's
# stop, so that the silence after it is heard; then ends it.
sound_record_past_stop() {  # the DLL's log, seconds
    local stop
    stop=$(sound_stop_time "$1")
    [ -z "$stop" ] || sound_record_covers "$(awk -v t="$stop" -v s="$2" 'BEGIN { printf "%.3f", t + s }')"
    sound_record_stop
}

# Runs the intro in FOLDER (tests/wine/display_cases.sh: display_new_folder)
# with the DLL's log, holds it at FRAME until the recording holds SECONDS of
# music after it (none are waited for without a recording), and to its end;
# notes the server's latencies while it is held.
sound_held_intro() {  # folder, frame, seconds
    local dir=$1 frame=$2 seconds=$3 until
    display_start_intro "$dir" "$frame" "1501 5000" \
        INTRO_WINMM_LOG="$(winpath "$dir/out/winmm.log")" INTRO_SOUND_STAND_IN_LOG="$(winpath "$dir/out/stand-in.txt")"
    if display_wait_for 300 test -e "$dir/out/$(display_frame_name "$frame").ready"; then
        if [ -n "$SOUND_RECORDER_PID" ] && [ "$seconds" != 0 ]; then
            until=$(awk -v s="$seconds" -v now="$(date +%s.%N)" 'BEGIN { printf "%.3f", now + s }')
            sound_record_covers "$until" $((seconds + 60))
        fi
        sound_server_latencies >"$dir/out/latencies.txt"
    fi
    display_finish_intro "$dir"
}
