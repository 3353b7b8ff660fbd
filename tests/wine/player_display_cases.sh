# The real intro.exe through the player's ddraw.dll (player/ of $INTRO_WIN_BUILD) under
# Wine. Sourced after display_cases.sh, whose helpers, probe and scratch folder
# it shares; every case is a function that prints one "ok   ..." or "FAIL ..."
# line per check and returns nonzero when a check failed:
#
#   player_case_agreement     the same DirectDraw calls on Wine's objects and the
#                             player's give the same answers and the same pixels
#   player_case_game          the game's stand-in, started from the same folder,
#                             gets Wine's own DirectDraw through the player's DLL
#   player_case_pictures      no virtual desktop, where Wine's own DirectDraw refuses
#                             the mode: the whole run plays, every screenshot is the
#                             host frame enlarged 3 times and centred on black
#   player_case_windowed      a captioned window of 640x480, Alt+Enter to the whole
#                             screen and back, frames that stop while another
#                             program has the foreground and resume without a burst
#   player_case_settings      ddraw.ini beside the DLL, the environment before it,
#                             a bad value said in a debugger line and left at its default
#
# The pictures and the windowed case watch the intro through the probe of
# tests/wine/probe, which forwards to the player's DLL (PROBE_NEXT_DDRAW) kept
# in a folder of its own beside it; the others put the player's DLL beside
# intro.exe, as a player does. Wine loads a ddraw.dll beside the program first
# (ddraw=n,b). The pace is not checked here (no test asserts a time): the
# whole-run cases play at 2000 frames a second, and bench/sections/display.sh
# measures the pace at 60.

player_dll=$display_root/$INTRO_WIN_BUILD/player/ddraw.dll
player_programs=$display_root/$INTRO_WIN_BUILD/tests/wine/player
# Frames a second for the runs that check pictures, not pace: the whole
# sequence in some five seconds.
PLAYER_FAST_FPS=2000

# ---- Folders and runs --------------------------------------------------------------------

# The intro watched by the probe, the player's DLL in player/ for the probe to forward to.
player_watched_folder() {  # name
    local dir
    dir=$(display_new_folder "$1")
    mkdir -p "$dir/player"
    cp "$player_dll" "$dir/player/ddraw.dll"
    echo "$dir"
}

# The intro with the player's DLL beside it, and the stand-in main program.
player_plain_folder() {  # name
    display_new_folder "$1" "$player_dll"
}

player_start_watched() {  # folder, frames to hold, frames to picture, NAME=VALUE...
    local dir=$1 hold=$2 pictures=$3
    shift 3
    display_start_intro "$dir" "$hold" "$pictures" PROBE_NEXT_DDRAW="$(winpath "$dir/player/ddraw.dll")" \
        INTRO_DDRAW_LOG="$(winpath "$dir/out/flips.log")" "$@"
}

# The intro alone, with the player's DLL beside it; Wine's debugger lines go to out/debug.txt.
player_start_plain() {  # folder, NAME=VALUE...
    local dir=$1
    shift
    (cd "$dir" && exec env WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};ddraw=n,b" WINEDEBUG=-all,+debugstr "$@" \
        timeout 60 "$WINE" launch.exe "$(winpath "$dir/out/status.txt")" 50000 intro.exe \
        >"$dir/out/wine.txt" 2>"$dir/out/debug.txt") &
    DISPLAY_INTRO_PID=$!
}

# Real Esc key presses, the pointer over the screen's middle, until the intro has ended.
player_escape() {  # folder
    local tries
    for tries in $(seq 100); do
        [ -s "$1/out/status.txt" ] && break
        timeout 5 xdotool mousemove 512 384 key Escape 2>/dev/null
        sleep 0.2
    done
    display_finish_intro "$1"
}

player_log_says() {  # folder, extended pattern: a line of the player's log (its lines end in CR LF)
    tr -d '\r' <"$1/out/flips.log" 2>/dev/null | grep -qE "$2"
}

player_flips() {  # folder: the flips the player's log holds
    if [ -f "$1/out/flips.log" ]; then awk '/^flip / { n++ } END { print n + 0 }' "$1/out/flips.log"; else echo 0; fi
}

player_flips_at_least() {  # folder, count
    [ "$(player_flips "$1")" -ge "$2" ]
}

# The value of a field in the player's log line of flip n.
player_flip_field() {  # folder, flip number, field
    tr -d '\r' <"$1/out/flips.log" | awk -v n="$2" -v field="$3" '$1 == "flip" && $2 == "n=" n {
        for (i = 2; i <= NF; i++) if (index($i, field "=") == 1) { print substr($i, length(field) + 2); exit }
    }'
}

# ---- Pictures ------------------------------------------------------------------------------

player_screenshot() {  # file, geometry (WxH+X+Y; the whole screen when empty)
    if [ -n "${2:-}" ]; then
        timeout 20 import -window root -crop "$2" +repage "$1"
    else
        timeout 20 import -window root "$1"
    fi
}

# Waits for the intro to hold this frame, pictures the screen (or a part) and lets it go.
# 0: pictured; 2: the frame closed the intro and was not held; 1: no hold.
player_hold_and_shoot() {  # folder, frame number, geometry, before letting go (a command, may be empty)
    local out=$1/out name
    name=$(display_frame_name "$2")
    display_wait_for 20 display_held_or_final "$out/$name" || return 1
    [ -e "$out/$name.ready" ] || return 2
    player_screenshot "$out/screen-${name#frame-}.png" "$3"
    [ -z "${4:-}" ] || $4
    touch "$out/$name.go"
}

# The host frame enlarged `scale` times with no smoothing, at (left, top) of a
# black picture of the given size.
player_expected_screen() {  # host frame, scale, width, height, left, top, output
    convert "$1" -sample "$(($2 * 100))%" -background black -gravity northwest \
        -extent "$3x$4-$5-$6" -alpha off "$7"
}

player_differing_pixels() {  # picture, picture
    compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print int($1) }'
}

# A screenshot of the whole screen (or the window's client area) against the
# host frame: pixel for pixel, the black around included, and again reduced by
# the factor from the picture itself, as the display checks compare frames.
player_compare_screen() {  # folder, frame, scale, width, height, left, top, label
    local dir=$1 frame=$2 scale=$3 name shot expected reduced differ
    name=$(display_frame_name "$frame")
    shot=$dir/out/screen-${name#frame-}.png expected=$dir/out/expected-${name#frame-}.png
    reduced=$dir/out/reduced-${name#frame-}.png
    player_expected_screen "$dir/host/$name.png" "$scale" "$4" "$5" "$6" "$7" "$expected"
    differ=$(player_differing_pixels "$expected" "$shot")
    if [ "$differ" = 0 ]; then
        display_ok "$8: the screen is the host frame enlarged $scale times at $6,$7 on black (${4}x$5 pixels)"
    else
        display_fail "$8: the screen is the host frame enlarged $scale times at $6,$7 on black" \
            "${differ:-no picture}: pixels differ"
    fi
    convert "$shot" -crop "$((320 * scale))x$((240 * scale))+$6+$7" +repage -sample 320x240 "$reduced" 2>/dev/null
    display_compare "screen reduced by $scale" "$dir/host/$name.png" "$reduced" "$frame" "$8"
}

# ---- Case: the same answers as Wine -----------------------------------------------------

player_case_agreement() {
    local dir=$DISPLAY_WORK/agreement before=$DISPLAY_FAILED
    rm -rf "$dir"
    mkdir -p "$dir/player"
    cp "$player_programs/ddraw-agree.exe" "$dir/"
    cp "$player_dll" "$dir/player/ddraw.dll"
    # Where Wine finds OpenGL of its own width (the set-up installs it for amd64
    # only), its DirectDraw filters an unkeyed stretched blit, palette indices and
    # all, where DirectDraw copies the nearest pixel. The answers are compared with
    # Wine's software blitter, on both widths alike.
    wine_prefix_set "$WINEPREFIX" 'HKCU\Software\Wine\AppDefaults\ddraw-agree.exe\Direct3D' renderer gdi
    (cd "$dir" && WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};ddraw=n,b" INTRO_DDRAW_PROGRAM=ddraw-agree.exe \
        WINEDEBUG=-all,+debugstr timeout 60 "$WINE" ddraw-agree.exe 'player\ddraw.dll' wine.txt player.txt \
        player-only.txt >/dev/null 2>"$dir/debug.txt")
    display_check "the script ran on both (ddraw-agree.exe ended with 0)" test $? = 0
    display_check "Wine's objects came from the system's ddraw.dll" \
        grep -qi 'objects from .*system32\\ddraw.dll' "$dir/wine.txt"
    display_check "the player's objects came from the player's ddraw.dll" \
        grep -qi 'objects from .*\\player\\ddraw.dll' "$dir/player.txt"
    display_check "Wine flipped and stretched (the script ran through)" \
        grep -q '^blt a->c stretched whole 0x00000000' "$dir/wine.txt"
    local differ
    differ=$(diff <(tail -n +2 "$dir/wine.txt") <(tail -n +2 "$dir/player.txt") | head -20)
    if [ -z "$differ" ] && [ -s "$dir/wine.txt" ]; then
        display_ok "$(($(wc -l <"$dir/wine.txt") - 1)) answers and pixel rows of the player's objects equal Wine's"
    else
        display_fail "the player's objects answer as Wine's" "$(echo "$differ" | tr '\n' '|')"
    fi
    # What the player does not model: DDERR_UNSUPPORTED (E_NOTIMPL), or
    # E_NOINTERFACE for an interface, and a debugger line that names it.
    local method unsupported=0x80004001
    for method in "IDirectDraw::GetCaps" "IDirectDraw::WaitForVerticalBlank" "IDirectDraw::CreateClipper" \
        "IDirectDrawSurface::GetCaps" "IDirectDrawSurface::SetColorKey of a destination key"; do
        display_check "$method answers DDERR_UNSUPPORTED" grep -qx "$method $unsupported" <(tr -d '\r' <"$dir/player-only.txt")
    done
    display_check "and each is named in a debugger line" test "$(grep -c 'ddraw: IDirectDraw.* is not supported here; it answers DDERR_UNSUPPORTED' "$dir/debug.txt")" -ge 5
    display_check "another interface of the DirectDraw object: E_NOINTERFACE" \
        grep -qx "IDirectDraw::QueryInterface of IDirectDraw2 0x80004002" <(tr -d '\r' <"$dir/player-only.txt")
    display_check "a window destroyed before the display is released: the flip still answers DD_OK" \
        grep -qx "flip with the window gone 0x00000000" <(tr -d '\r' <"$dir/player-only.txt")
    display_check "and the display releases to nothing" \
        grep -qx "release directdraw 0" <(tr -d '\r' <"$dir/player-only.txt")
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: the game is untouched -------------------------------------------------------

player_case_game() {
    local dir report before=$DISPLAY_FAILED
    dir=$(player_plain_folder game)
    cp "$player_programs/game-check.exe" "$dir/z_qzm__.exe"
    report=$dir/out/game.txt
    player_start_plain "$dir" PLAYER_GAME_LOG="$(winpath "$report")" INTRO_DDRAW_LOG="$(winpath "$dir/out/flips.log")"
    display_wait_for 20 player_flips_at_least "$dir" 10
    player_escape "$dir" || display_fail "the intro ended on Esc" "no exit status"
    display_wait_for 10 display_has_line "$report" '^done=1'
    value() { tr -d '\r' <"$report" 2>/dev/null | sed -n "s/^$1=//p"; }
    display_check "the intro was served by the player's DLL ($(player_flips "$dir") flips in its log)" \
        player_flips_at_least "$dir" 10
    display_check "the main program got skipintro ($(value arguments))" test "$(value arguments)" = skipintro
    display_check "its ddraw.dll is the player's, beside it ($(value module))" \
        test "$(value module | tr 'A-Z' 'a-z')" = "$(winpath "$dir/ddraw.dll" | tr 'A-Z' 'a-z')"
    display_check "the system's ddraw.dll is another module" test "$(value system-module)" = another
    local key
    for key in enumerate create caps mode; do
        display_check "$key through the player's DLL gives Wine's answer ($(value $key))" \
            test -n "$(value $key)" -a "$(value $key)" = "$(value system-$key)"
    done
    display_check "DirectDrawEnumerateA lists Wine's driver" test -n "$(value enumerate | cut -d' ' -f2-)"
    display_check "DirectDrawCreate succeeded" test "$(value create)" = 0x00000000
    display_check "the object's GetCaps is Wine's, not the player's DDERR_UNSUPPORTED" \
        test "$(value caps | cut -d' ' -f1)" = 0x00000000
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: the whole run on the bare screen -----------------------------------------------

# Held on the screen, over the whole run: each panel, the logo's first, middle
# and last frames, the roll. The last frame closes the intro and is not held.
PLAYER_SCREEN_FRAMES=(1 100 749 750 1000 1500 1501 1502 1601 2001 2501 3000 3499 3500 4000 5000 6000 7000 8000
                      9000 10000 10210 10211)
# Pictured from the front buffer only: the logo's whole shrink, sampled.
PLAYER_SWEEP_FRAMES=($(seq 1503 53 3499))

player_case_pictures() {
    local dir frame name setting before=$DISPLAY_FAILED
    local -a held=()
    setting=$(display_desktop_setting)
    display_desktop_off
    dir=$(player_watched_folder pictures)
    player_start_watched "$dir" "$(IFS=,; echo "${PLAYER_SCREEN_FRAMES[*]}")" \
        "$(IFS=,; echo "${PLAYER_SWEEP_FRAMES[*]}")" INTRO_DDRAW_FPS=$PLAYER_FAST_FPS
    for frame in "${PLAYER_SCREEN_FRAMES[@]}"; do
        player_hold_and_shoot "$dir" "$frame" ""
        held[$frame]=$?
    done
    display_finish_intro "$dir" || display_fail "the intro ran to its end" "no exit status"
    display_host_frames "$dir" "${PLAYER_SCREEN_FRAMES[@]}" "${PLAYER_SWEEP_FRAMES[@]}" ||
        display_fail "the host renderer drew the frames to compare with"

    local screen mode
    screen=$(timeout 10 xdotool getdisplaygeometry | tr ' ' x)
    mode=$(display_mode_result "$dir")
    display_check "no virtual desktop: the screen is Xvfb's own ($screen)" test "$screen" = 1024x768
    display_check "SetDisplayMode(320, 240, 8) succeeds through the player (${mode:-not called})" \
        test "$mode" = 0x00000000
    for frame in "${PLAYER_SCREEN_FRAMES[@]}"; do
        name=$(display_frame_name "$frame")
        case ${held[$frame]} in
        0) player_compare_screen "$dir" "$frame" 3 1024 768 32 24 "frame $frame" ;;
        2) echo "     frame $frame closes the intro, which hides its window before it is pictured: front buffer only" ;;
        *) display_fail "frame $frame: held on the screen" "no hold within 20 s" ;;
        esac
        display_compare "front buffer" "$dir/host/$name.png" "$dir/out/$name.ppm" "$frame" "frame $frame"
    done
    local -a DISPLAY_SWEEP_FRAMES=("${PLAYER_SWEEP_FRAMES[@]}")
    display_compare_sweep "$dir"
    display_check "every frame was drawn and shown, none cut short (10211)" \
        display_has_line "$dir/out/probe.log" '^end frames=10211 shown=10211[^0-9]*$'
    display_check "the player flipped 10211 times" test "$(player_flips "$dir")" = 10211
    display_check_hand_over "$dir" "after the whole sequence"
    [ -n "$setting" ] && display_desktop_on "$setting"
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: windowed -------------------------------------------------------------------------

player_window() {  # folder: the intro window's geometry as window-geometry.exe reports it
    (cd "$1" && timeout 20 "$WINE" window-geometry.exe "$(winpath "$1/out/window.txt")" >/dev/null 2>&1)
    tr -d '\r' <"$1/out/window.txt" 2>/dev/null
}

player_window_is() {  # folder, client size, caption (0 or 1)
    player_window "$1" | grep -q "^client=$2 origin=[0-9]*,[0-9]* caption=$3$"
}

player_window_origin() {  # folder: "x y" of the client area's top left corner
    player_window "$1" | sed -n 's/.* origin=\([0-9]*\),\([0-9]*\) .*/\1 \2/p'
}

player_alt_enter() {  # folder: Alt+Enter typed over the intro's window
    local x y
    read -r x y <<<"$(player_window_origin "$1")"
    timeout 10 xdotool mousemove $((${x:-0} + 50)) $((${y:-0} + 50)) key alt+Return
}

player_switch_away() {  # folder: F9, the switcher's hotkey, typed while the intro holds a frame
    timeout 10 xdotool key F9
}

PLAYER_WINDOWED_FRAMES=(120 300)

player_case_windowed() {
    local dir out switcher origin x y stopped resumed before=$DISPLAY_FAILED
    local setting
    setting=$(display_desktop_setting)
    display_desktop_off
    dir=$(player_watched_folder windowed)
    out=$dir/out
    cp "$display_probe/switcher.exe" "$player_programs/window-geometry.exe" "$dir/"
    (cd "$dir" && exec timeout 90 "$WINE" switcher.exe "$(winpath "$out/switcher.log")" >/dev/null 2>&1) &
    switcher=$!
    display_wait_for 20 display_switcher_says "$dir" '^ready hotkeys=1'
    player_start_watched "$dir" "$(IFS=,; echo "${PLAYER_WINDOWED_FRAMES[*]}")" "" INTRO_DDRAW_WINDOWED=on \
        INTRO_DDRAW_SCALE=2 INTRO_DDRAW_FPS=60

    # Frame 120, held: the window, its picture, and the switch away typed meanwhile.
    display_wait_for 20 display_held_or_final "$out/$(display_frame_name 120)"
    local geometry
    geometry=$(player_window "$dir")
    display_check "windowed at scale 2: a captioned window with a client area of 640x480 ($geometry)" \
        player_window_is "$dir" 640x480 1
    read -r x y <<<"$(player_window_origin "$dir")"
    player_hold_and_shoot "$dir" 120 "640x480+${x:-0}+${y:-0}" player_switch_away
    display_wait_for 20 display_switcher_says "$dir" '^away '
    display_check "F9 took the foreground from the intro, and the intro handled the switch" \
        display_switcher_says "$dir" '^away foreground=1 intro-answered=1'
    stopped=$(player_flips "$dir")
    sleep 1
    display_check "while another program has the foreground, no frame is flipped (${stopped} before, $(player_flips "$dir") a second later)" \
        test "$(player_flips "$dir")" = "$stopped"

    timeout 10 xdotool key F10
    display_wait_for 20 display_switcher_says "$dir" '^back '
    display_check "F10 gave the foreground back to the intro's window" \
        display_switcher_says "$dir" '^back foreground=1 intro-answered=1'
    display_wait_for 20 player_flips_at_least "$dir" $((stopped + 2))
    resumed=$((stopped + 1))
    display_check "the first flip after the return starts the clock afresh: no burst to catch up (flip $resumed: fresh=$(player_flip_field "$dir" $resumed fresh))" \
        test "$(player_flip_field "$dir" $resumed fresh)" = 1
    display_check "and the flip after it keeps the clock (fresh=$(player_flip_field "$dir" $((resumed + 1)) fresh))" \
        test "$(player_flip_field "$dir" $((resumed + 1)) fresh)" = 0
    player_hold_and_shoot "$dir" 300 "640x480+${x:-0}+${y:-0}" ""
    local held300=$?

    # Alt+Enter: the whole screen, then back to the window.
    player_alt_enter "$dir"
    display_wait_for 10 player_window_is "$dir" 1024x768 0
    display_check "Alt+Enter: the whole screen without a caption ($(player_window "$dir"))" \
        player_window_is "$dir" 1024x768 0
    display_wait_for 10 player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0$'
    display_check "and the picture on it at scale 3 in the middle" \
        player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0$'
    player_alt_enter "$dir"
    display_wait_for 10 player_window_is "$dir" 640x480 1
    display_check "Alt+Enter again: the captioned window of 640x480 ($(player_window "$dir"))" \
        player_window_is "$dir" 640x480 1
    player_escape "$dir" || display_fail "the intro ended on Esc" "no exit status"
    wait "$switcher" 2>/dev/null

    display_host_frames "$dir" "${PLAYER_WINDOWED_FRAMES[@]}" || display_fail "the host renderer drew the frames"
    player_compare_screen "$dir" 120 2 640 480 0 0 "frame 120, windowed"
    if [ "$held300" = 0 ]; then
        player_compare_screen "$dir" 300 2 640 480 0 0 "frame 300, after the switch back: the same timeline"
    else
        display_fail "frame 300: held on the screen after the switch back" "no hold"
    fi
    display_check "nothing was lost or cut short" test -z "$(grep -E '^(lost|cut) ' "$out/probe.log")"
    display_check_hand_over "$dir" "after Esc"
    [ -n "$setting" ] && display_desktop_on "$setting"
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: settings ---------------------------------------------------------------------------

# One run with the settings given: the header and layout of the log it keeps,
# and the player's debugger lines.
player_settings_run() {  # folder, ddraw.ini's lines ('|' between), NAME=VALUE...
    local dir=$1 ini=$2
    shift 2
    rm -f "$dir/out/"* "$dir/started.log"
    printf '%s\r\n' "[ddraw]" $(tr '|' ' ' <<<"$ini") >"$dir/ddraw.ini"
    player_start_plain "$dir" "$@"
    display_wait_for 20 player_flips_at_least "$dir" 5
    player_escape "$dir" >/dev/null
}


player_debug_says() {  # folder, text
    grep -qF "$2" "$1/out/debug.txt" 2>/dev/null
}

player_case_settings() {
    local dir setting before=$DISPLAY_FAILED
    setting=$(display_desktop_setting)
    display_desktop_off
    dir=$(player_plain_folder settings)

    player_settings_run "$dir" "fps=500|windowed=on|scale=1|log=out\\flips.log"
    display_check "ddraw.ini beside the DLL: its log, at 500 frames a second" \
        player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=500$'
    display_check "and windowed at scale 1: a client area of 320x240" \
        player_log_says "$dir" '^layout client=320x240 scale=1 left=0 top=0 windowed=1$'

    player_settings_run "$dir" "fps=500|windowed=on|scale=1|log=out\\flips.log" INTRO_DDRAW_FPS=250 \
        INTRO_DDRAW_WINDOWED=off
    display_check "INTRO_DDRAW_FPS before the file: 250 frames a second" \
        player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=250$'
    display_check "INTRO_DDRAW_WINDOWED=off before the file: the whole screen at scale 3" \
        player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0$'

    player_settings_run "$dir" "log=out\\flips.log" INTRO_DDRAW_FPS=fast INTRO_DDRAW_SCALE=big
    display_check "a bad fps: 60 frames a second" player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=60$'
    display_check "and a debugger line that says so" \
        player_debug_says "$dir" "ddraw: fps=fast is not a whole number from 1 to 10000; 60 is used"
    display_check "a bad scale: a debugger line too" \
        player_debug_says "$dir" "ddraw: scale=big is not a whole number from 0 to 64; 0 is used"
    display_check "each run handed over to the main program" test -s "$(display_main_program_log "$dir")"
    [ -n "$setting" ] && display_desktop_on "$setting"
    [ "$DISPLAY_FAILED" = "$before" ]
}
