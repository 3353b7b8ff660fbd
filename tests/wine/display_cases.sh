# The real intro.exe on Wine's display: its pictures, its failure to take the
# display, and a loss of its surfaces. Sourced, not run; every case is a
# function that prints one "ok   ..." or "FAIL ..." line per check and returns
# nonzero when a check failed:
#
#   display_case_pictures      the screen at known frames equals the host renderer's frames
#   display_case_no_desktop    without a virtual desktop: the mode switch fails, the message
#                              box shows it, and after the box the main program is started
#   display_case_surface_loss  a switch to another program and back: the surfaces are lost
#                              and restored, the intro draws on and hands over at its end
#
# What they need:
#   scripts/wine.sh, sourced: its settings, its choice of build and winpath
#   WINEPREFIX  a prefix of the width that runs here with the virtual desktop (scripts/wine.sh: wine_prefix_ready);
#               display_case_no_desktop turns the desktop off for its run and back on after
#   DISPLAY     an X server of this run alone, nothing else on it (scripts/wine.sh: xvfb_start)
#   the builds  intro.exe and probe/ of $INTRO_WIN_BUILD, $INTRO_HOST_BUILD/tools/intro-frames
#   DISPLAY_WORK  the scratch folder (default build/wine-display)
#
# How the intro is watched: each case copies intro.exe into a folder of its own
# beside the test-only ddraw.dll of tests/wine/probe, which Wine loads first
# (ddraw=n,b). It forwards every call to Wine's own ddraw and holds the intro,
# at frames the case names, with the frame on the screen while the case takes
# an X screenshot. The intro is started by launch.exe, which keeps its whole
# 32-bit exit status (Wine's own exit code keeps 8 bits).
#
# The stand-in main program is the Wine runs' own recorder (record-start.exe).

# The MCI commands a program sent itself (no return buffer, no callback), one a
# line, from Wine's +mci trace; Wine's own nested commands carry a buffer and are
# left out. A null pointer is traced as 8 zeros in a 32-bit process, 16 in a 64-bit one.
display_mci_commands() {  # trace
    sed -n 's/.*mciSendStringW (L"\(.*\)", \(00000000\)\{1,2\}, 0, \(00000000\)\{1,2\})$/\1/p' "$1"
}

display_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
display_probe=$display_root/$INTRO_WIN_BUILD/probe
display_frames_tool=$display_root/$INTRO_HOST_BUILD/tools/intro-frames
DISPLAY_WORK=${DISPLAY_WORK:-$display_root/build/wine-display}
DISPLAY_FAILED=${DISPLAY_FAILED:-0}

# Screen pixels allowed to differ inside the stretched logo: Wine's 8-bit stretch
# samples exactly as the host stand-in does, so none.
DISPLAY_LOGO_TOLERANCE=0

# ---- Reporting -------------------------------------------------------------------------

display_ok() {  # what held
    echo "ok   $1"
}

display_fail() {  # what did not hold, then why
    DISPLAY_FAILED=$((DISPLAY_FAILED + 1))
    echo "FAIL $1${2:+ ($2)}"
}

display_check() {  # description, then a command that must succeed
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then display_ok "$what"; else display_fail "$what"; fi
}

# ---- The stand-in main program ---------------------------------------------------------

display_install_main_program() {  # folder: puts a z_qzm__ there that notes how it was started
    cp "$display_root/$INTRO_WIN_BUILD/tests/wine/record-start.exe" "$1/z_qzm__.exe"
}

display_main_program_log() {  # folder: the notes it writes beside itself, one block a start
    echo "$1/started.log"
}

# ---- Running the intro -----------------------------------------------------------------

display_wait_for() {  # seconds, then a test command; true once it holds
    local seconds=$1; shift
    local tries=$((seconds * 20))
    while [ "$tries" -gt 0 ]; do
        "$@" && return 0
        sleep 0.05
        tries=$((tries - 1))
    done
    return 1
}

display_has_line() {  # file, extended pattern
    grep -qE "$2" "$1" 2>/dev/null
}

# A fresh folder with the intro, a ddraw.dll beside it (the probe unless another is
# named) and the stand-in main program.
display_new_folder() {  # name [ddraw.dll]
    local dir=$DISPLAY_WORK/$1
    rm -rf "$dir"
    mkdir -p "$dir/out"
    cp "$display_root/$INTRO_WIN_BUILD/intro.exe" "${2:-$display_probe/ddraw.dll}" "$display_probe/launch.exe" "$dir/"
    display_install_main_program "$dir"
    echo "$dir"
}

# Starts the intro in its folder, watched, in the background; the frames to hold
# go in PROBE_FRAMES, those only to picture in PROBE_PICTURES, and any further
# NAME=VALUE to the probe as well.
display_start_intro() {  # folder, frames to hold, frames to picture, NAME=VALUE...
    local dir=$1 hold=$2 pictures=$3
    shift 3
    (cd "$dir" && exec env WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};ddraw=n,b" \
        PROBE_DIR="$(winpath "$dir/out")" PROBE_FRAMES="$hold" PROBE_PICTURES="$pictures" "$@" \
        timeout 900 "$WINE" launch.exe "$(winpath "$dir/out/status.txt")" 840000 intro.exe \
        >"$dir/out/wine.txt" 2>&1) &
    DISPLAY_INTRO_PID=$!
}

# Waits for the intro's end, letting go of any frame still held; true when it
# ended by itself. One that did not is stopped (its launcher, then the timeout).
display_finish_intro() {  # folder
    local dir=$1
    display_wait_for 880 display_release_and_look "$dir"
    if kill -0 "$DISPLAY_INTRO_PID" 2>/dev/null; then
        kill "$DISPLAY_INTRO_PID" 2>/dev/null
    fi
    wait "$DISPLAY_INTRO_PID" 2>/dev/null
    [ -s "$dir/out/status.txt" ]
}

display_release_and_look() {  # folder: lets held frames go; true once the intro has ended
    local marker
    for marker in "$1"/out/*.ready; do
        [ -e "$marker" ] && [ ! -e "${marker%.ready}.go" ] && touch "${marker%.ready}.go"
    done
    [ -s "$1/out/status.txt" ] || ! kill -0 "$DISPLAY_INTRO_PID" 2>/dev/null
}

display_exit_status() {  # folder: the intro's exit status as launch.exe saw it
    tr -d '\r' 2>/dev/null <"$1/out/status.txt" | sed -n 's/^status=//p'
}

display_screenshot() {  # file: the top left 320x240 of the X screen, where the desktop is
    timeout 20 import -window root -crop 320x240+0+0 +repage "$1"
}

display_frame_name() {  # frame number
    printf 'frame-%05d' "$1"
}

# Waits for the intro to hold this frame, takes the screenshot and lets it go.
# 0: screenshot taken; 2: the frame closed the intro and was not held; 1: no hold.
display_hold_and_shoot() {  # folder, frame number
    local out=$1/out name
    name=$(display_frame_name "$2")
    display_wait_for 300 display_held_or_final "$out/$name" || return 1
    [ -e "$out/$name.ready" ] || return 2
    display_screenshot "$out/shot-${name#frame-}.png"
    touch "$out/$name.go"
}

display_held_or_final() {  # marker path without its suffix
    [ -e "$1.ready" ] || [ -e "$1.final" ]
}

display_host_frames() {  # folder, frame numbers...: the host renderer's frames in folder/host
    local dir=$1; shift
    timeout 60 "$display_frames_tool" --out "$dir/host" "$@" >/dev/null
}

# ---- Comparing pictures ----------------------------------------------------------------

# The stretched logo's rectangle in this frame, "left top right bottom" (right
# and bottom exclusive), from the logo's extents as the timeline shrinks them.
display_logo_rect() {  # frame number
    awk -v n="$1" 'BEGIN {
        if (n < 1501 || n > 3499) { print 0, 0, 0, 0; exit }
        w = 32000; h = 24000
        for (f = 1501; f <= n; f++) {
            hw = int(w / 200); hh = int(h / 200)
            if (w > 100) w -= int(w / 600)
            if (h > 100) h -= int(h / 600)
        }
        print 160 - hw, 120 - hh, 160 + hw, 120 + hh
    }'
}

# The first row whose content is undefined: the opening panel is 226 rows tall
# and the back buffer's rows below it are never drawn.
display_defined_rows() {  # frame number
    if [ "$1" -lt 750 ]; then echo 226; else echo 240; fi
}

# Pixels where two 320x240 pictures differ, as "outside inside": outside the
# logo rectangle and inside it, rows of undefined content left out. Colours are
# compared: every colour of the sheet's palette is a different one, so equal
# colours are equal palette indices.
display_count_mismatches() {  # expected picture, actual picture, frame number
    local expected=$1 actual=$2 frame=$3 a b result
    a=$(mktemp) b=$(mktemp)
    if convert "$expected" -depth 8 "rgb:$a" 2>/dev/null && convert "$actual" -depth 8 "rgb:$b" 2>/dev/null &&
        [ "$(stat -c %s "$a")" = 230400 ] && [ "$(stat -c %s "$b")" = 230400 ]; then
        result=$(cmp -l "$a" "$b" | awk -v rect="$(display_logo_rect "$frame")" \
            -v rows="$(display_defined_rows "$frame")" '
            BEGIN { split(rect, r, " ") }
            {
                p = int(($1 - 1) / 3); if (p in seen) next; seen[p] = 1
                y = int(p / 320); x = p % 320
                if (y >= rows) next
                if (x >= r[1] && x < r[3] && y >= r[2] && y < r[4]) inside++; else outside++
            }
            END { print outside + 0, inside + 0 }')
    else
        result="unreadable"
    fi
    rm -f "$a" "$b"
    echo "$result"
}

# Checks one picture of the real run against the host frame.
display_compare() {  # what (e.g. "screen"), expected, actual, frame number, frame shown as
    local what=$1 expected=$2 actual=$3 frame=$4 label=$5 counts outside inside
    counts=$(display_count_mismatches "$expected" "$actual" "$frame")
    if [ "$counts" = unreadable ]; then
        display_fail "$label: $what equals the host frame" "no picture at $actual"
        return 1
    fi
    read -r outside inside <<<"$counts"
    local detail="$outside pixels differ outside the logo, $inside inside it"
    [ "$(display_defined_rows "$frame")" = 240 ] || detail="$detail, rows 226-239 undefined"
    if [ "$outside" = 0 ] && [ "$inside" -le "$DISPLAY_LOGO_TOLERANCE" ]; then
        display_ok "$label: $what equals the host frame ($detail)"
    else
        display_fail "$label: $what equals the host frame" "$detail"
        return 1
    fi
}

# ---- The hand-over ----------------------------------------------------------------------

display_check_hand_over() {  # folder, what came before (for the messages)
    local dir=$1 when=$2 status log
    status=$(display_exit_status "$dir")
    log=$(display_main_program_log "$dir")
    display_wait_for 150 test -s "$log"
    if [ "$(grep '^commandline=' "$log" 2>/dev/null | tr -d '\r')" = "commandline=z_qzm__.exe skipintro" ]; then
        display_ok "$when: the main program was started once, as 'z_qzm__.exe skipintro'"
    else
        display_fail "$when: the main program was started once, as 'z_qzm__.exe skipintro'" \
            "its log: $(tr '\n' '|' 2>/dev/null <"$log")"
    fi
    # The status is the handle of the started process: nonzero, and handles come in fours.
    if [[ $status =~ ^0x[0-9a-f]{8}$ ]] && [ $((status)) -ne 0 ] && [ $((status % 4)) -eq 0 ]; then
        display_ok "$when: the intro ended with the main program's handle as its status ($status)"
    else
        display_fail "$when: the intro ended with the main program's handle as its status" \
            "status: ${status:-none}"
    fi
}

# ---- Case 1: pictures ------------------------------------------------------------------

# Frames held on the screen; the last one closes the intro, so only its front
# buffer can be pictured (Wine hides the window before it shows that frame).
DISPLAY_SCREEN_FRAMES=(1 750 1501 1502 1601 2001 2501 3000 5000 10210 10211)
# Frames only pictured from the front buffer: the logo's whole shrink, sampled.
DISPLAY_SWEEP_FRAMES=($(seq 1503 37 3499))

display_case_pictures() {
    local dir frame name before=$DISPLAY_FAILED
    local -a held=()
    dir=$(display_new_folder pictures)
    display_start_intro "$dir" "$(IFS=,; echo "${DISPLAY_SCREEN_FRAMES[*]}")" \
        "$(IFS=,; echo "${DISPLAY_SWEEP_FRAMES[*]}")"
    for frame in "${DISPLAY_SCREEN_FRAMES[@]}"; do
        display_hold_and_shoot "$dir" "$frame"
        held[$frame]=$?
    done
    display_finish_intro "$dir" || display_fail "the intro ran to its end" "no exit status"
    display_host_frames "$dir" "${DISPLAY_SCREEN_FRAMES[@]}" "${DISPLAY_SWEEP_FRAMES[@]}" ||
        display_fail "the host renderer drew the frames to compare with"

    for frame in "${DISPLAY_SCREEN_FRAMES[@]}"; do
        name=$(display_frame_name "$frame")
        case ${held[$frame]} in
        0) display_compare "screen" "$dir/host/$name.png" "$dir/out/shot-${name#frame-}.png" \
               "$frame" "frame $frame" ;;
        2) echo "     frame $frame closes the intro, which hides its window before Wine shows it: front buffer only" ;;
        *) display_fail "frame $frame: held on the screen" "no hold within 20 s" ;;
        esac
        display_compare "front buffer" "$dir/host/$name.png" "$dir/out/$name.ppm" "$frame" \
            "frame $frame"
    done
    display_compare_sweep "$dir"
    display_check_hand_over "$dir" "after the whole sequence"
    [ "$DISPLAY_FAILED" = "$before" ]
}

# One line for the sampled logo frames: every front buffer equals its host frame.
display_compare_sweep() {  # folder
    local dir=$1 frame name counts outside inside bad=() total_inside=0
    for frame in "${DISPLAY_SWEEP_FRAMES[@]}"; do
        name=$(display_frame_name "$frame")
        counts=$(display_count_mismatches "$dir/host/$name.png" "$dir/out/$name.ppm" "$frame")
        read -r outside inside <<<"$counts"
        if [ "$counts" = unreadable ] || [ "$outside" != 0 ] || [ "$inside" -gt "$DISPLAY_LOGO_TOLERANCE" ]; then
            bad+=("$frame:$counts")
        else
            total_inside=$((total_inside + inside))
        fi
    done
    local what="${#DISPLAY_SWEEP_FRAMES[@]} logo frames from ${DISPLAY_SWEEP_FRAMES[0]} to ${DISPLAY_SWEEP_FRAMES[-1]}: each front buffer equals the host frame"
    if [ ${#bad[@]} = 0 ]; then
        display_ok "$what ($total_inside pixels differ inside the logos, none outside)"
    else
        display_fail "$what" "frame:outside inside = ${bad[*]}"
        return 1
    fi
}

# ---- Case 2: no virtual desktop ----------------------------------------------------------

# Without a virtual desktop the intro's mode switch meets Xvfb's one fixed mode and
# fails. Such runs use a second prefix, a copy with no desktop, made when first
# needed: switching one prefix's setting back and forth costs a start of Wine and
# the server's linger each time. The prefix left is ended at once, so that no
# window of it stays on the screen.
display_desktop_off() {
    DISPLAY_DESKTOP_PREFIX=$WINEPREFIX
    timeout 20 "$WINESERVER" -k 2>/dev/null
    export WINEPREFIX=$DISPLAY_DESKTOP_PREFIX-no-desktop
    [ -f "$WINEPREFIX/.intro-prefix" ] || wine_prefix_ready "$WINEPREFIX" no-desktop
}

display_desktop_on() {
    timeout 20 "$WINESERVER" -k 2>/dev/null
    export WINEPREFIX=$DISPLAY_DESKTOP_PREFIX
}

display_has_desktop() {  # yes or no: whether the prefix in use has a virtual desktop
    local value
    value=$(wine_prefix_value "$WINEPREFIX" 'HKCU\Software\Wine\Explorer' Desktop)
    if [ "$1" = yes ]; then [ "$value" != - ]; else [ "$value" = - ]; fi
}

# The box's own X window: named as the intro's window, which covers the screen,
# but smaller.
display_box_x_window() {
    local id screen
    screen=$(timeout 10 xdotool getdisplaygeometry | tr ' ' x)
    for id in $(timeout 10 xdotool search --onlyvisible --name '^Escort the Velthorn$' 2>/dev/null); do
        timeout 10 xdotool getwindowgeometry "$id" 2>/dev/null |
            grep -q "Geometry: $screen\$" || { echo "$id"; return 0; }
    done
    return 1
}

display_box_says() {  # folder: what boxwatch read off the box, its caption left out, sorted
    tr -d '\r' 2>/dev/null <"$1/out/box.txt" | grep -v '^caption=' | sort | tr '\n' '|'
}

display_mode_result() {  # folder: what SetDisplayMode(320, 240, 8) answered
    sed -n 's/^mode 320x240x8 result=//p' "$1/out/probe.log" 2>/dev/null | tr -d '\r'
}

display_case_no_desktop() {
    local dir box mode before=$DISPLAY_FAILED
    display_check "the prefix of the other runs has a virtual desktop" display_has_desktop yes
    display_desktop_off
    display_check "and this run's prefix none" display_has_desktop no
    dir=$(display_new_folder no-desktop)
    cp "$display_probe/boxwatch.exe" "$dir/"
    display_start_intro "$dir" "" ""
    (cd "$dir" && timeout 30 "$WINE" boxwatch.exe "$(winpath "$dir/out/box.txt")" 20000 \
        "Escort the Velthorn" >/dev/null 2>&1)

    mode=$(display_mode_result "$dir")
    display_check "without a virtual desktop, SetDisplayMode(320, 240, 8) fails (${mode:-not called})" \
        test -n "$mode" -a "$mode" != 0x00000000
    display_check "a message box captioned 'Escort the Velthorn' appears" \
        grep -q '^caption=Escort the Velthorn' "$dir/out/box.txt"
    display_check "it belongs to the intro's window, says 'Unable to switch to 320x240x8' and has one button, OK" \
        test "$(display_box_says "$dir")" = "button=OK|owner=Velthorn|text=Unable to switch to 320x240x8|"
    box=$(display_box_x_window)
    display_check "the box is a window of its own on the X screen" test -n "$box"
    display_check "while the box is up, the intro waits and the main program is not started" \
        test ! -e "$(display_main_program_log "$dir")" -a ! -s "$dir/out/status.txt"
    # Return on the box, typed for real: with no window manager the window under
    # the pointer has the keyboard.
    [ -n "$box" ] && timeout 10 xdotool mousemove --window "$box" 20 20 key Return
    display_finish_intro "$dir" || display_fail "the intro ended once the box was dismissed" "no exit status"
    display_check "no frame was drawn" display_has_line "$dir/out/probe.log" '^end frames=0 shown=0'
    display_check_hand_over "$dir" "once the box was dismissed"
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case 3: surface loss ----------------------------------------------------------------

# The frame held before the switch away; after it, the intro is in its text
# roll with the logo gone, so a frame cut short delays only the roll.
DISPLAY_SWITCH_FRAME=4000
# Frames held after the first frame cut short, counted from it.
DISPLAY_AFTER_CUT=(1 1000)

display_log_value() {  # probe log, line's first word, field name: the field of the first such line
    tr -d '\r' 2>/dev/null <"$1" | awk -v word="$2" -v field="$3" '$1 == word {
        for (i = 2; i <= NF; i++) if (index($i, field "=") == 1) { print substr($i, length(field) + 2); exit }
    }'
}

# Frames cut short before frame n whose roll did not move: each delays the roll one frame.
display_roll_delay() {  # probe log, frame number
    tr -d '\r' 2>/dev/null <"$1" | awk -v n="$2" '$1 == "cut" {
        split($2, f, "="); if (f[2] + 0 < n && f[2] + 0 > 2500 && $3 != "at=Flip") k++
    } END { print k + 0 }'
}

display_switcher_says() {  # folder, extended pattern
    display_has_line "$1/out/switcher.log" "$2"
}

# Types the switcher's hotkey (F9: away, id 1; F10: back, id 2), the pointer where
# given, until the switcher says it came: on a busy machine a key typed before Wine
# has taken the pointer's move may go to no window.
display_switcher_key() {  # folder, key, hotkey id[, pointer x y]
    local tries
    for tries in 1 2 3 4 5 6; do
        timeout 10 xdotool ${4:+mousemove "$4" "$5"} key "$2"
        display_wait_for 10 display_switcher_says "$1" "^hotkey id=$3\b" && return 0
    done
    return 1
}

# Waits for the first frame cut short and holds the frames counted from it.
display_hold_after_cut() {  # folder; sets DISPLAY_HELD[frame] to what display_hold_and_shoot gave
    local dir=$1 first offset
    display_wait_for 300 display_has_line "$dir/out/probe.log" '^cut ' || return 1
    first=$(display_log_value "$dir/out/probe.log" cut frame)
    for offset in "${DISPLAY_AFTER_CUT[@]}"; do
        display_hold_and_shoot "$dir" $((first + offset))
        DISPLAY_HELD[$((first + offset))]=$?
    done
}

# Every held frame of the run against the host frame it must equal: the same
# number, less the frames before it whose roll was held back by a cut.
display_compare_held() {  # folder, frame numbers...
    local dir=$1 frame expected name label; shift
    for frame in "$@"; do
        expected=$((frame - $(display_roll_delay "$dir/out/probe.log" "$frame")))
        display_host_frames "$dir" "$expected"
        name=$(display_frame_name "$frame")
        label="frame $frame"
        [ "$expected" = "$frame" ] || label="frame $frame (the roll $((frame - expected)) frames behind)"
        if [ "${DISPLAY_HELD[$frame]:-1}" = 0 ]; then
            display_compare "screen" "$dir/host/$(display_frame_name "$expected").png" \
                "$dir/out/shot-${name#frame-}.png" "$expected" "$label"
        else
            display_fail "$label: held on the screen" "no hold"
        fi
    done
}

display_case_surface_loss() {
    local dir out switch lost first delay offset before=$DISPLAY_FAILED
    DISPLAY_HELD=()
    dir=$(display_new_folder surface-loss)
    out=$dir/out
    switch=$(display_frame_name "$DISPLAY_SWITCH_FRAME")
    cp "$display_probe/switcher.exe" "$dir/"
    (cd "$dir" && exec timeout 300 "$WINE" switcher.exe "$(winpath "$out/switcher.log")" \
        >/dev/null 2>&1) &
    local switcher=$!
    display_wait_for 300 display_switcher_says "$dir" '^ready hotkeys=1'
    # Wine keeps a restored surface's pixels; the probe spoils them, as the
    # platform promises only memory back, so the pictures show the sheet's reload.
    display_start_intro "$dir" "$DISPLAY_SWITCH_FRAME,$(printf 'cut+%s,' "${DISPLAY_AFTER_CUT[@]}")" "" \
        PROBE_SPOIL_RESTORED=1

    # F9, the switcher's hotkey, typed while the intro holds a frame (the pointer
    # on the desktop gives Wine the keyboard); the intro meets it when it goes on.
    display_hold_and_shoot "$dir" "$DISPLAY_SWITCH_FRAME"
    DISPLAY_HELD[$DISPLAY_SWITCH_FRAME]=$?
    display_switcher_key "$dir" F9 1 160 120
    touch "$out/$switch.go"
    display_wait_for 300 display_switcher_says "$dir" '^away '
    display_check "F9 took the foreground from the intro, and the intro handled the switch" \
        display_switcher_says "$dir" '^away foreground=1 intro-answered=1'
    display_check "nothing was lost or cut short before the switch back" \
        test -z "$(grep -E '^(lost|cut) ' "$out/probe.log")"
    display_screenshot "$out/away.png"
    display_check "while away, the intro's picture is off the screen" \
        test "$(compare -metric AE "$out/away.png" "$out/shot-${switch#frame-}.png" null: 2>&1)" != 0

    display_switcher_key "$dir" F10 2 160 120
    display_wait_for 300 display_switcher_says "$dir" '^back '
    display_check "F10 gave the foreground back to the intro's window, restored" \
        display_switcher_says "$dir" '^back foreground=1 intro-answered=1 iconic=0'
    display_hold_after_cut "$dir"
    display_finish_intro "$dir" || display_fail "the intro ran to its end" "no exit status"
    wait "$switcher" 2>/dev/null

    lost=$(display_log_value "$out/probe.log" lost frame)
    first=$(display_log_value "$out/probe.log" cut frame)
    display_check "after the switch back a drawing call answered DDERR_SURFACELOST (frame ${lost:-none}, $(display_log_value "$out/probe.log" lost call))" \
        test -n "$lost"
    display_check "the intro restored its primary surface in that frame, and Wine answered DD_OK" \
        display_has_line "$out/probe.log" "^restore frame=$lost on=primary result=0x00000000"
    display_check "and its sheet, DD_OK" \
        display_has_line "$out/probe.log" "^restore frame=$lost on=offscreen result=0x00000000"
    display_check "and copied the sheet in again through its device context" \
        display_has_line "$out/probe.log" "^dc frame=$lost on=offscreen result=0x00000000"
    display_check "that frame, and only that one, was cut short" \
        test "$(grep -c '^cut ' "$out/probe.log")" = 1 -a "$first" = "$lost"
    local frames=("$DISPLAY_SWITCH_FRAME")
    for offset in "${DISPLAY_AFTER_CUT[@]}"; do frames+=($((first + offset))); done
    display_compare_held "$dir" "${frames[@]}"
    delay=$(display_roll_delay "$out/probe.log" 99999)
    display_check "the intro closed itself at frame $((10211 + delay)): 10211 and $delay frames of roll held back" \
        display_has_line "$out/probe.log" "^end frames=$((10211 + delay)) "
    display_check_hand_over "$dir" "after the switch away and back"
    [ "$DISPLAY_FAILED" = "$before" ]
}
