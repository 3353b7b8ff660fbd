#!/usr/bin/env bash
# Sets up, builds and plays the intro under Wine, in a prefix of the project's own,
# through the player's ddraw.dll beside it: the picture scaled up on the whole
# screen at a steady 60 frames a second, with no mode switch and no virtual desktop
# (--wine-ddraw plays on Wine's own DirectDraw in the virtual desktop its 320x240
# mode needs). On a desktop it plays there; with no display (or with --record) it
# plays on a private Xvfb from the first frame to the hand-over and keeps
# screenshots or a recording.
#
# Each option is one case in parse_options and, where it changes a step, one line
# in that step's function; the steps run in order at the foot of the file.
set -eEuo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/wine.sh   # which Windows build runs here, and the Wine that runs it

usage() {
    cat <<'EOF'
usage: scripts/run.sh [--fps N] [--windowed] [--scale K] [--scaling MODE] [--filter F] [--wine-ddraw] [--exe FILE | --texts FILE] [--music FILE | --no-music] [--volume N] [--record FILE.mp4] [--help]
Builds intro.exe and plays it under Wine, then says how it ended: the 32-bit program
(build/win32) where this machine runs 32-bit code, the 64-bit build of the same
sources (build/win64) where it runs none.
  --fps N           the player's pace: N frames a second (60; the intro lasts 10211 frames)
  --windowed        an ordinary window of 320K x 240K instead of the whole screen, to
                    resize or maximise; its size and place are kept for the next run
                    (Alt+Enter switches between the two while it plays)
  --scale K         the window's picture K times 320x240 (the largest that fits 80%
                    of the screen unless given)
  --scaling MODE    how the picture fills the screen or window: integer (the largest
                    whole factor, black around; the default), aspect (the largest 4:3
                    picture, 1440x1080 on 1920x1080) or stretch (all of it)
  --filter F        a picture of no whole factor: nearest (the default) or sharp (the
                    nearest pixel at the next whole factor up, smoothed down to the size)
  --wine-ddraw      Wine's own DirectDraw instead of the player's ddraw.dll, in the
                    virtual desktop its 320x240 mode needs, paced by Wine's flips
  --exe FILE        play this intro.exe instead (another build, e.g. build/mine/intro.exe)
  --texts FILE      play the intro with the words of FILE (e.g. resources/texts/de.txt;
                    docs/translating.md): an intro.exe with the sheet lettered from
                    them, built in a folder of its own (build/texts-win32 or -win64)
  --music FILE      play FILE as track 5 (any format ffmpeg reads) instead of the
                    track composed for the intro (build/host/music/track05.ogg)
  --no-music        play silent, as without a CD: no player's winmm.dll beside the intro
  --volume N        the music's volume, 0 to 100 (100, the track as it is; the
                    player's winmm.dll scales its samples, the system's mixer is untouched)
  --record FILE     record the real intro.exe as it runs, on a private Xvfb, with
                    ffmpeg's x11grab at the display's pace (H.264; folders are made),
                    and its music from a private sound server, in sync (AAC)
  -h, --help        this text
Environment:
  INTRO_GAME_DIR    the game's folder: the intro plays in it (its current folder) and
                    hands over to the z_qzm__ there; without it a small stand-in main
                    program in out/run/game takes the hand-over and notes how it started
  INTRO_WINEPREFIX  the Wine prefix (default ~/.cache/velthorn-intro/wine)
  INTRO_RUN_DIR     where the run's folders, log and screenshots go (default out/run)
  INTRO_WIN64=1     play the 64-bit build even where the 32-bit one could run
Only the installing step needs root: apt-get runs through sudo when the script is not
root, and a script started with sudo builds and plays as the user who started it.
Screenshots (with no display) go to out/run, named by the frame they show. On a display,
PrtScn writes the player's own screenshot into out/run/play/screenshots, the folder
beside intro.exe (README: the player's settings); they are kept from run to run.
EOF
}

fail_usage() {  # message
    echo "run: $1" >&2
    said_why=1
    echo "usage: scripts/run.sh [--fps N] [--windowed] [--scale K] [--scaling MODE] [--filter F] [--wine-ddraw] [--exe FILE | --texts FILE] [--music FILE | --no-music] [--volume N] [--record FILE.mp4] [--help]" >&2
    exit 2
}

fail() {  # message
    echo "run: $1" >&2
    said_why=1
    exit 1
}

# A step whose output went to a log failed: its first line that says why, and where the rest is.
fail_with_log() {  # what failed, log, pattern of the telling line
    fail "$1: $(grep -m1 -E "$3" "$2" || echo 'see its log') (the whole log: $2)"
}

# Every way the command stops says why: a step that failed without a word of its
# own is named, with its status, by the end.
said_why=""
failed_command=""
at_exit=()   # commands the end runs first (the private X server's and Wine's end)
on_exit() {
    local status=$? command
    for command in "${at_exit[@]}"; do eval "$command" || true; done
    if [ "$status" != 0 ] && [ -z "$said_why" ]; then
        echo "run: stopped: '${failed_command:-an unknown step}' failed with status $status" >&2
    fi
}
trap on_exit EXIT
trap 'failed_command=$BASH_COMMAND' ERR

# ---- Options -----------------------------------------------------------------------
exe=$root/$INTRO_WIN_BUILD/intro.exe   # the program to play
exe_given=""
texts=""                           # a text file of the intro's words, or empty
record=""                          # a video file of the real run, or empty
wine_ddraw=""                      # nonempty: Wine's own DirectDraw, not the player's
source scripts/music.sh            # RUN_MUSIC: the track 5 to play, if any
source scripts/sound_server.sh     # the private sound server a recording hears
source scripts/xvfb.sh             # the private X server with no display or for --record

parse_options() {
    while [ $# -gt 0 ]; do
        case $1 in
            -h | --help) usage; exit 0 ;;
            --exe) [ $# -ge 2 ] || fail_usage "--exe needs a file"; exe=$2; exe_given=1; shift 2 ;;
            --texts) [ $# -ge 2 ] || fail_usage "--texts needs a file"
                     [ -f "$2" ] || fail_usage "--texts: there is no file $2"
                     texts=$(realpath "$2"); shift 2 ;;
            --record) [ $# -ge 2 ] || fail_usage "--record needs a file"; record=$2; shift 2 ;;
            --music) [ $# -ge 2 ] || fail_usage "--music needs a file"
                     [ -f "$2" ] || fail_usage "--music: there is no file $2"
                     RUN_MUSIC=$(realpath "$2"); shift 2 ;;
            --no-music) RUN_MUSIC=none; shift ;;
            --volume) [[ ${2:-} =~ ^([0-9]|[1-9][0-9]|100)$ ]] || fail_usage "--volume needs a whole number from 0 to 100"
                      export INTRO_WINMM_VOLUME=$2; shift 2 ;;
            --fps | --scale)
                [[ ${2:-} =~ ^[1-9][0-9]*$ ]] || fail_usage "$1 needs a whole number above 0"
                if [ "$1" = --fps ]; then export INTRO_DDRAW_FPS=$2; else export INTRO_DDRAW_SCALE=$2; fi
                shift 2 ;;
            --scaling) [[ ${2:-} =~ ^(integer|aspect|stretch)$ ]] ||
                           fail_usage "--scaling needs integer, aspect or stretch"
                       export INTRO_DDRAW_SCALING=$2; shift 2 ;;
            --filter) [[ ${2:-} =~ ^(nearest|sharp)$ ]] || fail_usage "--filter needs nearest or sharp"
                      export INTRO_DDRAW_FILTER=$2; shift 2 ;;
            --windowed) export INTRO_DDRAW_WINDOWED=on; shift ;;
            --wine-ddraw) wine_ddraw=1; shift ;;
            *) fail_usage "unknown option '$1'" ;;
        esac
    done
    if [ -n "$record" ]; then
        case $record in
            *.mp4 | *.mkv | *.MP4 | *.MKV) ;;
            *) fail_usage "--record writes H.264 video: name it .mp4 or .mkv, not '$record'" ;;
        esac
        record=$(realpath -m "$record")
    fi
    [ -z "$texts" ] || [ -z "$exe_given" ] || fail_usage "choose --exe or --texts: the texts make an intro.exe of their own"
    exe=$(realpath -m "$exe")
}

# ---- Steps ---------------------------------------------------------------------------

# An intro.exe of the width that runs here, with the sheet lettered from --texts, in a
# folder of its own so the project's builds keep their sheet.
build_with_texts() {
    local dir=build/texts-win$INTRO_WIN_BITS toolchain=cmake/mingw-i686.cmake
    local log=${TMPDIR:-/tmp}/intro-run-texts.log
    [ "$INTRO_WIN_BITS" = 32 ] || toolchain=cmake/mingw-x86_64.cmake
    echo "run: lettering $texts into the sheet of $dir/intro.exe"
    { cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=$toolchain \
          -DINTRO_TEXTS="$texts" -DINTRO_MAKE_SHEET="$root/$INTRO_HOST_BUILD/tools/sheet/make-sheet" &&
          cmake --build "$dir" -j"$(nproc)" --target intro; } >"$log" 2>&1 ||
        fail_with_log "no intro.exe with the texts $texts" "$log" 'make-sheet: |sheet-check|error'
    exe=$root/$dir/intro.exe
}

# Installing needs root (setup.sh asks sudo for it); the rest runs as the user.
set_up_then_build() {
    if [ "${SKIP_SETUP:-}" != 1 ]; then
        bash scripts/setup.sh
    fi
    source scripts/user.sh
    continue_as_user "$0" "${original_args[@]}"
    local log=${TMPDIR:-/tmp}/intro-run-build.log
    # The test command has built every tree once already (SKIP_BUILD=1).
    if [ "${SKIP_BUILD:-}" != 1 ]; then
        SKIP_SETUP=1 bash scripts/build.sh --run >"$log" 2>&1 || fail_with_log "the build failed" "$log" 'error|Error'
    fi
    [ -z "$texts" ] || build_with_texts
    [ -f "$exe" ] || fail "there is no intro at $exe${exe_given:+ (named by --exe)}"
    echo "run: $(wine_build_in_words)${exe_given:+; --exe plays $exe}${texts:+; with the words of $texts it plays $exe}"
    # A process of one width loads only programs and DLLs of its own.
    local kind
    kind=$(file -b "$exe")
    case $INTRO_WIN_BITS:$kind in
        32:"PE32 executable"*Intel\ 80386* | 64:"PE32+ executable"*x86-64*) ;;
        *) fail "$exe is not a $INTRO_WIN_BITS-bit Windows program ($kind), and only those play here" ;;
    esac
}

# The prefix with every setting of this run, written in one start of Wine, and
# only where it differs from what the prefix holds.
prepare_wine() {
    export WINEPREFIX=${INTRO_WINEPREFIX:-$(wine_home_prefix wine)}
    local settings=()
    [ "$RUN_MUSIC" = none ] || settings=("${MUSIC_SETTINGS[@]}")
    # The player's ddraw.dll needs no mode and so no virtual desktop; Wine's own does.
    if [ -n "$wine_ddraw" ]; then
        wine_prefix_ready "$WINEPREFIX" desktop "${WINE_PLAYER_DDRAW_OFF[@]}" "${settings[@]}"
    else
        wine_prefix_ready "$WINEPREFIX" no-desktop "${WINE_PLAYER_DDRAW_ON[@]}" "${settings[@]}"
    fi || { said_why=1; exit 1; }  # it named what it could not do
}

# out/run/play holds the intro with the player's DLLs (and, on the private Xvfb, the
# watching ddraw.dll that tells which frame is on the screen, in front of the
# player's, which then lies in play/player); the intro's current folder is the
# game's, where the platform's program search finds z_qzm__ after the intro's own.
shots=$(realpath -m "${INTRO_RUN_DIR:-$root/out/run}")
play=$shots/play
game=$shots/game
prepare_folders() {
    # The player's screenshots of earlier runs stay; the rest is laid anew.
    [ ! -d "$play" ] || find "$play" -mindepth 1 -maxdepth 1 ! -name screenshots -exec rm -rf {} +
    rm -f "$shots"/frame-*.png "$shots"/screenshot-*.png "$shots/wine.log"
    mkdir -p "$play" "$game"
    cp "$exe" "$play/intro.exe"
    [ -n "$wine_ddraw" ] || cp "$INTRO_WIN_BUILD/player/ddraw.dll" "$play/"
    music_prepare "$play" || { said_why=1; exit 1; }  # it said why
    if [ -n "${INTRO_GAME_DIR:-}" ]; then
        [ -d "$INTRO_GAME_DIR" ] || fail "INTRO_GAME_DIR: there is no folder $INTRO_GAME_DIR"
        game=$(realpath "$INTRO_GAME_DIR")
        if ! ls "$game" | grep -qiE '^z_qzm__\.(com|exe|bat)$'; then
            fail "INTRO_GAME_DIR: $game holds no z_qzm__.com, z_qzm__.exe or z_qzm__.bat, the main program the intro hands over to"
        fi
        rm -f "$game/started.log"  # only a stand-in writes one: a note of an earlier run would mislead
    else
        rm -f "$game"/z_qzm__.* "$game/started.log"
        cp "$INTRO_WIN_BUILD/tests/wine/record-start.exe" "$game/z_qzm__.exe"
    fi
}

on_desktop() {  # true when the intro can play on the user's display
    [ -z "$record" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

start_intro() {  # extra environment NAME=VALUE...: runs it in the background, pid in $intro
    (cd "$game" && exec env "$@" "$WINE" "$(winpath "$play/intro.exe")" >"$shots/wine.log" 2>&1) &
    intro=$!
}

# What the display is, in words.
display_in_words() {
    if [ -n "$wine_ddraw" ]; then
        echo "Wine's own DirectDraw in its virtual desktop"
    else
        local where="on the whole screen"
        [ -z "${INTRO_DDRAW_WINDOWED:-}" ] || where="in a window"
        local fill=""
        [ -z "${INTRO_DDRAW_SCALING:-}${INTRO_DDRAW_FILTER:-}" ] ||
            fill=" (scaling ${INTRO_DDRAW_SCALING:-integer}, filter ${INTRO_DDRAW_FILTER:-nearest})"
        echo "the player's ddraw.dll at ${INTRO_DDRAW_FPS:-60} frames a second, $where$fill"
    fi
}

# Where the intro's picture lies on the private Xvfb (1024x768): Wine's desktop
# shows its 320x240 screen at the top left; the player enlarges it three times,
# centred, or to the whole 4:3 screen in the other fill modes, unless it plays
# in a window.
picture_geometry() {
    if [ -n "$wine_ddraw" ] || [ -n "${INTRO_DDRAW_WINDOWED:-}" ]; then
        echo 320x240+0+0
    elif [ "${INTRO_DDRAW_SCALING:-integer}" != integer ]; then
        echo 1024x768+0+0
    else
        echo 960x720+32+24
    fi
}

play_on_desktop() {
    echo "run: playing the intro on $DISPLAY through $(display_in_words) (Esc or F12 ends it; PrtScn writes a screenshot into $play/screenshots; it pauses while its window is inactive)"
    start_intro
    status=0
    wait "$intro" || status=$?
}

# The frames of the README's pictures; the last one closes the intro.
shot_frames=(1 750 1501 2501 5000)

# The watching ddraw.dll holds each of those frames on the screen until its
# screenshot is taken, so every picture is named by the frame it shows.
play_with_screenshots() {
    echo "run: no display here: playing the intro on a private Xvfb ($DISPLAY) through $(display_in_words), screenshots in $shots"
    local watched=$play/watch next=()
    mkdir -p "$watched"
    if [ -z "$wine_ddraw" ]; then  # the watch goes in front of the player's DLL
        mkdir -p "$play/player"
        mv "$play/ddraw.dll" "$play/player/ddraw.dll"
        next=(PROBE_NEXT_DDRAW="$(winpath "$play/player/ddraw.dll")")
    fi
    cp "$INTRO_WIN_BUILD/probe/ddraw.dll" "$play/"
    start_intro WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};ddraw=n,b" PROBE_DIR="$(winpath "$watched")" \
        PROBE_FRAMES="$(IFS=,; echo "${shot_frames[*]}")" "${next[@]}"
    local frame name waited
    for frame in "${shot_frames[@]}"; do
        name=$(printf 'frame-%05d' "$frame")
        for waited in $(seq 600); do  # at most a minute for each
            [ -e "$watched/$name.ready" ] || [ -e "$watched/$name.final" ] || ! kill -0 "$intro" 2>/dev/null && break
            sleep 0.1
        done
        [ -e "$watched/$name.ready" ] || continue
        import -window root -crop "$(picture_geometry)" +repage "$shots/$name.png" 2>/dev/null || true
        touch "$watched/$name.go"
    done
    status=0
    wait "$intro" || status=$?
}

# ffmpeg grabs the intro's picture from the private X screen while it runs, grown
# to 960x720 without smoothing where it is not so already, each frame stamped with
# the wall clock; the music plays into a private sound server whose monitor is
# recorded with the wall time of each piece (scripts/sound_server.sh). The two are put
# together by those times, so the sound lies where it was heard against the picture.
play_recorded() {
    mkdir -p "$(dirname "$record")"
    echo "run: playing the intro on a private Xvfb ($DISPLAY) through $(display_in_words), recording it to $record"
    local geometry size corner sound=""
    geometry=$(picture_geometry) size=${geometry%%+*} corner=${geometry#*+}
    record_sound_start && sound=$record_sound/music
    ffmpeg -hide_banner -loglevel error -nostdin -y -f x11grab -framerate 60 -video_size "$size" \
        -i "$DISPLAY+${corner/+/,}" -copyts -vf scale=960:720:flags=neighbor \
        -c:v libx264 -preset veryfast -tune animation -crf 18 -pix_fmt yuv420p "$record.part.mkv" &
    local recorder=$! tries
    # The intro starts once the recorder grabs the screen, so its first frame is in the
    # video: ffmpeg writes the file's header when its input is open.
    for tries in $(seq 200); do
        [ -s "$record.part.mkv" ] || ! kill -0 "$recorder" 2>/dev/null && break
        sleep 0.05
    done
    start_intro
    status=0
    wait "$intro" || status=$?
    # What it grabbed up to the intro's end is encoded and written as it stops.
    kill -INT "$recorder" 2>/dev/null || true
    if wait "$recorder" || [ -s "$record.part.mkv" ]; then
        [ -z "$sound" ] || sound_record_stop
        record_put_together "$sound" &&
            echo "run: recorded $record ($(ffprobe -v error -show_entries format=duration -of csv=p=0 "$record" | cut -c1-5) s)"
    else
        echo "run: the recording failed" >&2
    fi
    rm -f "$record.part.mkv"
}

# The private sound server and its recorder, when there is music to hear; one line
# says why the video will have no sound otherwise.
record_sound=""
record_sound_start() {
    if [ "$RUN_MUSIC" = none ]; then
        echo "run: no music (--no-music): the video has no sound"
        return 1
    fi
    record_sound=$(mktemp -d /tmp/intro-record.XXXXXX)  # short: a socket's path has a limit
    at_exit+=(sound_server_stop 'rm -rf "$record_sound"')
    if ! sound_server_start "$record_sound" 2>/dev/null || ! sound_record_start "$record_sound/music" 2>/dev/null; then
        echo "run: no sound server could be started (pulseaudio, see $record_sound/pulse/server.log): the video has no sound"
        return 1
    fi
}

# The video alone, or with the sound from the moment of its first frame: the
# recording began earlier, at the time of its first piece less that piece's length.
record_put_together() {  # the sound's base path, or empty
    local sound=$1
    if [ -z "$sound" ]; then
        ffmpeg -hide_banner -loglevel error -nostdin -y -i "$record.part.mkv" -c copy "$record"
        return
    fi
    local video_start skip
    video_start=$(ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0 \
        -read_intervals '%+#1' "$record.part.mkv" | head -1)
    skip=$(awk -v v="$video_start" 'NR == 1 { printf "%.6f", v - ($1 - $2 / 4 / 44100) }' "$sound.times")
    # Sound that began after the first frame (it never should) waits for its moment.
    local align=(-ss "$skip")
    [[ $skip != -* ]] || align=(-itsoffset "${skip#-}")
    ffmpeg -hide_banner -loglevel error -nostdin -y -i "$record.part.mkv" \
        "${align[@]}" -f s16le -ar 44100 -ac 2 -i "$sound.raw" -map 0:v -map 1:a \
        -c:v copy -c:a aac -b:a 192k "$record"
}

play() {
    if on_desktop; then
        play_on_desktop
    else
        xvfb_start || fail "no private X server could be started (Xvfb)"
        at_exit+=('"$WINESERVER" -k 2>/dev/null' xvfb_stop)
        if [ -n "$record" ]; then
            play_recorded
        else
            play_with_screenshots
        fi
    fi
    "$WINESERVER" -w 2>/dev/null || true
}

# The intro's exit status is 0 when it started nothing and nonzero when it started
# the main program; Wine's own failures leave their words in the log.
tell_the_end() {
    local started="" word
    [ -f "$game/started.log" ] && started=$(grep -m1 '^commandline=' "$game/started.log" | tr -d '\r' | cut -d= -f2-)
    word=$(grep -m1 -iE '^(wine: |err:)|unhandled exception|failed' "$shots/wine.log" 2>/dev/null | tr -d '\r' || true)
    if [ -n "$started" ]; then
        echo "run: the main program was started: $started (the stand-in in $game noted it)"
    elif [ -n "$word" ]; then
        echo "run: the intro failed: $word (Wine's words are in $shots/wine.log)"
        said_why=1
        return 1
    elif [ "$status" = 0 ]; then
        echo "run: nothing to start: the intro ended without starting the main program"
    elif [ -n "${INTRO_GAME_DIR:-}" ]; then
        echo "run: the main program was started: z_qzm__ skipintro in $game"
    else
        echo "run: the intro failed: it ended with status $status, yet the stand-in main program never started"
        said_why=1
        return 1
    fi
    ls "$shots"/frame-*.png 2>/dev/null | sed 's/^/run: screenshot /' || true
}

original_args=("$@")
parse_options "$@"
set_up_then_build
prepare_wine
prepare_folders
play
tell_the_end
