#!/usr/bin/env bash
# End-to-end runs of the real intro.exe under Wine (the Windows build that runs
# here, as scripts/wine.sh decides), on a virtual X
# display, with a stand-in main program that notes how it was started.
#
# One Wine prefix and one Xvfb serve every case; both are set up once and taken
# down at the end, whatever happened. Each case is a function case_NAME that
# lays out its own folder under the run's work folder, runs the intro and
# checks what came of it with `check`. To add a case, write the function and
# name it in CASES below.
#
# Usage: tests/wine/run.sh [CASE... | --part intro | --part player]
#   all cases when none is named; --part runs one of two halves of about the same
#   length, which the test command runs side by side
# KEEP_WINE_RUN=1 keeps the work folder (prefix, traces, logs, screenshots).
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine.sh
source scripts/xvfb.sh

INTRO_EXE=$PWD/$INTRO_WIN_BUILD/intro.exe
RECORDER_EXE=$PWD/$INTRO_WIN_BUILD/tests/wine/record-start.exe
CASES_INTRO=(whole_sequence early_escape com_before_exe exe_beside_intro bat_beside_intro_only
             bat_in_current_directory comspec_with_spaces no_main_program
             display_pictures display_surface_loss display_no_desktop player_agreement player_game player_pictures)
CASES_PLAYER=(player_windowed player_settings player_screenshots player_fill player_resize)
CASES=("${CASES_INTRO[@]}" "${CASES_PLAYER[@]}")

# The intro's own MCI commands, in order: the four of the cue, then the stop.
CUE_AND_STOP=$'open cdaudio shareable\nset cdaudio time format tmsf\nopen cdaudio\nplay cdaudio from 05:00:00:00 to 06:00:00:00\nstop cdaudio'
# Frames the sequence runs when nothing stops it: the roll's own Esc comes in the last.
WHOLE_RUN_FRAMES=10211

for file in "$INTRO_EXE" "$RECORDER_EXE" "$INTRO_WIN_BUILD/player/ddraw.dll"; do
    [ -f "$file" ] || { echo "wine: $file is missing; build first (scripts/build.sh)" >&2; exit 1; }
done

WORK=$(mktemp -d /tmp/intro-wine.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all
passed=0
failed=0

# ---- The run's surroundings ------------------------------------------------------

cleanup() {
    local prefix
    for prefix in "$WORK/prefix" "$WORK/prefix-no-desktop"; do
        [ ! -d "$prefix" ] || WINEPREFIX=$prefix timeout 20 "$WINESERVER" -k >/dev/null 2>&1
    done
    xvfb_stop
    if [ "${KEEP_WINE_RUN:-}" = 1 ] || [ "$failed" -gt 0 ]; then
        echo "wine: work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- Helpers of the cases -----------------------------------------------------------


CASE_DIR=""
CASE_FAILED=""
INTRO_PID=""
STATUS=""
TRACE=""

# Records a failed expectation of the current case: check WHAT COMMAND...
check() {
    local what=$1
    shift
    "$@" || CASE_FAILED+="${CASE_FAILED:+; }$what"
}

# A folder with intro.exe in it; prints its path.
intro_folder() {
    local dir=$CASE_DIR/$1
    mkdir -p "$dir"
    cp "$INTRO_EXE" "$dir/intro.exe"
    printf '%s' "$dir"
}

# Puts the recorder in FOLDER under NAME (a .com is started by its content).
place_recorder() { mkdir -p "$1" && cp "$RECORDER_EXE" "$1/$2"; }

# A batch file that notes its own path, its arguments and its directory in the log.
place_batch_file() {
    mkdir -p "$1"
    printf '%s\r\n' '@echo off' \
        'echo program=%~f0>>"%INTRO_E2E_LOG%"' \
        'echo arguments=%*>>"%INTRO_E2E_LOG%"' \
        'echo directory=%CD%>>"%INTRO_E2E_LOG%"' \
        'echo.>>"%INTRO_E2E_LOG%"' >"$1/z_qzm__.bat"
}

# Starts INTRO_FOLDER/intro.exe from the current directory CWD, tracing MCI and
# any further Wine debug channels given; what follows may go on beside it.
start_intro() {
    local intro=$1 cwd=$2 channels=${3:-}
    mkdir -p "$cwd"
    TRACE=$CASE_DIR/trace.txt
    (
        cd "$cwd" &&
            INTRO_E2E_LOG=$(winpath "$CASE_DIR/started.log") WINEDEBUG="-all,+mci$channels" \
                exec timeout 600 "$WINE" "$intro/intro.exe"
    ) >"$CASE_DIR/wine.out" 2>"$TRACE" &
    INTRO_PID=$!
}

# Waits for the intro to end; its exit status goes to STATUS. Unix keeps only
# the low 8 bits of the status, enough to tell 0 from a process handle's value.
finish_intro() {
    wait "$INTRO_PID"
    STATUS=$?
    [ "$STATUS" != 124 ] || CASE_FAILED+="${CASE_FAILED:+; }the intro did not end within 600 s"
}

# Real key presses of Esc through the X server, until the intro has ended.
press_escape_until_it_ends() {
    local tries
    for tries in $(seq 600); do
        kill -0 "$INTRO_PID" 2>/dev/null || return 0
        xdotool key Escape 2>/dev/null
        sleep 0.1
    done
}

# The shortest run of a case that is about the hand-over: Esc at once.
run_intro_closing_early() {
    start_intro "$1" "$2"
    press_escape_until_it_ends
    finish_intro
}

# Waits up to 300 s for the started program's notes; true when they came.
wait_for_start() {
    local tries
    for tries in $(seq 3000); do
        [ -f "$CASE_DIR/started.log" ] && grep -q '^$' <(tr -d '\r' <"$CASE_DIR/started.log") && return 0
        sleep 0.1
    done
    return 1
}

# Programs of this prefix that are not Wine's own: what the intro may have started
# (a program it starts exists before its CreateProcess returns, so before it ends).
started_programs() {
    local pid
    for pid in $(pgrep -f '\.(exe|com|bat)'); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null |
            grep -qiE '\\(services|explorer|winedevice|plugplay|svchost|rpcss|conhost)\.exe' || echo "$pid"
    done
}

# True when nothing was started: the intro said so by its status 0, no program of
# the prefix is left, and none left notes.
nothing_started() {
    local tries
    for tries in $(seq 200); do
        [ -z "$(started_programs)" ] && break
        sleep 0.05
    done
    [ -z "$(started_programs)" ] && [ ! -e "$CASE_DIR/started.log" ]
}

# How many starts the log holds, and the value of KEY in the first one.
start_count() { tr -d '\r' 2>/dev/null <"$CASE_DIR/started.log" | grep -c '^$'; }
noted() { tr -d '\r' 2>/dev/null <"$CASE_DIR/started.log" | sed -n "s/^$1=//p" | head -1; }

# The MCI commands the intro sent, one a line (display_cases.sh).
intro_mci_commands() { display_mci_commands "$TRACE"; }

flip_count() { grep -c 'ddraw_surface1_Flip' "$TRACE"; }

same() { [ "$1" = "$2" ]; }
same_ignoring_case() { [ "${1,,}" = "${2,,}" ]; }
nonzero_status() { [ "$STATUS" != 0 ] && [ "$STATUS" != 124 ]; }
zero_status() { [ "$STATUS" = 0 ]; }
one_start() { [ "$(start_count)" = 1 ]; }

# The checks every case makes whose main program ran: one start, in the
# expected program, with the one argument, from the intro's current directory.
check_started() {
    local program=$1 commandline=$2 directory=$3
    check "intro exit status $STATUS, expected nonzero" nonzero_status
    if ! wait_for_start; then
        check "the main program was not started" false
        return
    fi
    check "started $(start_count) times" one_start
    check "started $(noted program), expected $program" same_ignoring_case "$(noted program)" "$program"
    check "command line '$(noted commandline)', expected '$commandline'" same "$(noted commandline)" "$commandline"
    check "directory $(noted directory), expected $directory" same_ignoring_case "$(noted directory)" "$directory"
}

check_nothing_started() {
    check "intro exit status $STATUS, expected 0" zero_status
    check "something was started: $(noted program)" nothing_started
}

# ---- The cases --------------------------------------------------------------------------

# Nobody touches a key: the roll's own Esc ends it, and the main program gets skipintro.
# The prefix has no CD drive, so every MCI command fails, and the sequence goes on
# all the same (display_pictures shows its frames after the cue in the same prefix).
case_whole_sequence() {
    local intro
    check "the prefix has a drive device (a CD?): $(ls "$WINEPREFIX/dosdevices" | paste -sd ' ')" \
        test -z "$(ls "$WINEPREFIX/dosdevices" | grep '::$')"
    intro=$(intro_folder intro)
    place_recorder "$intro" z_qzm__.exe
    start_intro "$intro" "$intro"
    finish_intro
    check_started "$(winpath "$intro")\\z_qzm__.exe" "z_qzm__.exe skipintro" "$(winpath "$intro")"
    check "MCI commands were: $(intro_mci_commands | paste -sd '|')" same "$(intro_mci_commands)" "$CUE_AND_STOP"
}

# A real Esc while the opening runs ends the intro long before its roll would.
case_early_escape() {
    local intro tries
    intro=$(intro_folder intro)
    place_recorder "$intro" z_qzm__.exe
    start_intro "$intro" "$intro" ",+ddraw"  # every Flip shows in the trace
    for tries in $(seq 3000); do
        [ "$(flip_count)" -ge 50 ] && break
        kill -0 "$INTRO_PID" 2>/dev/null || break
        sleep 0.05
    done
    press_escape_until_it_ends
    finish_intro
    local flips
    flips=$(flip_count)
    check "frames were not running when Esc was pressed ($flips flips)" test "$flips" -ge 50
    check "ran $flips frames: the roll ended it, not Esc" test "$flips" -lt "$WHOLE_RUN_FRAMES"
    if [ "$flips" -le 1500 ]; then
        check "MCI commands before the cue were: $(intro_mci_commands | paste -sd '|')" \
            same "$(intro_mci_commands)" "stop cdaudio"
    fi
    check_started "$(winpath "$intro")\\z_qzm__.exe" "z_qzm__.exe skipintro" "$(winpath "$intro")"
}

case_com_before_exe() {
    local intro
    intro=$(intro_folder intro)
    place_recorder "$intro" z_qzm__.com
    place_recorder "$intro" z_qzm__.exe
    run_intro_closing_early "$intro" "$intro"
    check_started "$(winpath "$intro")\\z_qzm__.com" "z_qzm__.com skipintro" "$(winpath "$intro")"
}

# The intro's own folder is searched first, wherever the current directory is.
case_exe_beside_intro() {
    local intro cwd=$CASE_DIR/elsewhere
    intro=$(intro_folder intro)
    place_recorder "$intro" z_qzm__.exe
    run_intro_closing_early "$intro" "$cwd"
    check_started "$(winpath "$intro")\\z_qzm__.exe" "z_qzm__.exe skipintro" "$(winpath "$cwd")"
}

# A batch file is looked for in the current directory only.
case_bat_beside_intro_only() {
    local intro
    intro=$(intro_folder intro)
    place_batch_file "$intro"
    run_intro_closing_early "$intro" "$CASE_DIR/elsewhere"
    check_nothing_started
}

# Through Wine's cmd.exe, the interpreter its COMSPEC names.
case_bat_in_current_directory() {
    local intro cwd=$CASE_DIR/elsewhere
    intro=$(intro_folder intro)
    place_batch_file "$cwd"
    run_intro_closing_early "$intro" "$cwd"
    check "intro exit status $STATUS, expected nonzero" nonzero_status
    if wait_for_start; then
        check "ran $(noted program)" same_ignoring_case "$(noted program)" "$(winpath "$cwd")\\z_qzm__.bat"
        check "batch arguments '$(noted arguments)'" same "$(noted arguments)" "skipintro"
        check "batch directory $(noted directory)" same_ignoring_case "$(noted directory)" "$(winpath "$cwd")"
    else
        check "the batch file did not run" false
    fi
}

# A COMSPEC with spaces is started whole, and quoted on its command line. Wine
# takes COMSPEC from its registry, so cmd.exe sets it for the intro.
case_comspec_with_spaces() {
    local intro cwd=$CASE_DIR/elsewhere shell="$CASE_DIR/my shell"
    intro=$(intro_folder intro)
    place_batch_file "$cwd"
    place_recorder "$shell" interpreter.exe
    place_recorder "$CASE_DIR" my.exe  # what splitting the path at its space would start
    local comspec
    comspec="$(winpath "$shell")\\interpreter.exe"
    (
        cd "$cwd" &&
            INTRO_E2E_LOG=$(winpath "$CASE_DIR/started.log") WINEDEBUG=-all,+mci \
                exec timeout 600 "$WINE" cmd /c "set COMSPEC=$comspec&& $(winpath "$intro")\\intro.exe"
    ) >"$CASE_DIR/wine.out" 2>"$CASE_DIR/trace.txt" &
    INTRO_PID=$!
    TRACE=$CASE_DIR/trace.txt
    press_escape_until_it_ends
    finish_intro
    check_started "$comspec" "\"$comspec\" /c z_qzm__.bat skipintro" "$(winpath "$cwd")"
}

case_no_main_program() {
    local intro
    intro=$(intro_folder intro)
    run_intro_closing_early "$intro" "$intro"
    check_nothing_started
}

# ---- The run ------------------------------------------------------------------------------

# ---- The display: pictures against the host renderer, a loss survived, no mode ----
# These live in display_cases.sh (with the test-only DirectDraw probe) and share
# this run's prefix and display; the one without a virtual desktop goes last.
source tests/wine/display_cases.sh
DISPLAY_WORK=$WORK/display

display_case() {  # the display_case_ function to run
    "$1" || CASE_FAILED="see the FAIL lines above"
}
case_display_pictures() { display_case display_case_pictures; }
case_display_surface_loss() { display_case display_case_surface_loss; }
case_display_no_desktop() { display_case display_case_no_desktop; }

# ---- The player's ddraw.dll: the same answers as Wine, the game untouched, the
# whole run without a virtual desktop, windowed, its settings, the fill modes on two
# screens, the window resized and its place kept (player_display_cases.sh).
source tests/wine/player_display_cases.sh
case_player_agreement() { display_case player_case_agreement; }
case_player_game() { display_case player_case_game; }
case_player_pictures() { display_case player_case_pictures; }
case_player_windowed() { display_case player_case_windowed; }
case_player_settings() { display_case player_case_settings; }
case_player_fill() { display_case player_case_fill; }
case_player_resize() { display_case player_case_resize; }
case_player_screenshots() { display_case player_case_screenshots; }

run_case() {
    local name=$1 began=$SECONDS
    CASE_DIR=$WORK/$name
    CASE_FAILED=""
    mkdir -p "$CASE_DIR"
    if ! declare -F "case_$name" >/dev/null; then
        CASE_FAILED="no such case"
    else
        "case_$name"
    fi
    if [ -z "$CASE_FAILED" ]; then
        echo "PASS $name ($((SECONDS - began)) s)"
        passed=$((passed + 1))
    else
        echo "FAIL $name ($((SECONDS - began)) s): $CASE_FAILED"
        failed=$((failed + 1))
    fi
}

main() {
    local started=$SECONDS
    # No window manager: keys go to the window under the pointer, which sits
    # inside the Wine desktop from here on.
    if ! xvfb_start || ! xdotool mousemove 100 100 || ! wine_prefix_ready "$WINEPREFIX"; then
        failed=1
        echo "0 passed, 1 failed"
        exit 1
    fi
    local name names=("$@")
    case "$*" in
        "--part intro") names=("${CASES_INTRO[@]}") ;;
        "--part player") names=("${CASES_PLAYER[@]}") ;;
        "") names=("${CASES[@]}") ;;
    esac
    for name in "${names[@]}"; do
        run_case "$name"
    done
    echo "wine: $((SECONDS - started)) s"
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}

main "$@"
