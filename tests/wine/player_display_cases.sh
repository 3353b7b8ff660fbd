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
#   player_case_fill          no virtual desktop, on 1920x1080 and 1024x768: each fill
#                             mode puts the picture's box where it says, whole factors
#                             equal the host frame, other sizes come close to it
#   player_case_resize        a window resized and moved by xdotool: the picture follows
#                             its client area, and the next run finds it where it was
#   player_case_screenshots   PrtScn in the logo's phase writes the frame of the last
#                             flip as an indexed PNG, equal to the host frame of that
#                             flip; F12 set as the key writes the picture as shown and
#                             never reaches the intro (which F12 would close), the whole
#                             screen and then a window's client area; a folder beside
#                             intro.exe that cannot be written sends it to the user's pictures
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
        timeout 900 "$WINE" launch.exe "$(winpath "$dir/out/status.txt")" 840000 intro.exe \
        >"$dir/out/wine.txt" 2>"$dir/out/debug.txt") &
    DISPLAY_INTRO_PID=$!
}

# Real Esc key presses, the pointer over the screen's middle, until the intro has ended.
player_escape() {  # folder
    local tries
    for tries in $(seq 100); do
        display_release_and_look "$1" && break  # a held frame would keep Esc waiting
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
    display_wait_for 300 display_held_or_final "$out/$name" || return 1
    [ -e "$out/$name.ready" ] || return 2
    player_screenshot "$out/screen-${name#frame-}.png" "$3"
    [ -z "${4:-}" ] || $4 "$1"
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
    wine_prefix_want "$WINEPREFIX" 'HKCU\Software\Wine\AppDefaults\ddraw-agree.exe\Direct3D' renderer gdi
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
    display_wait_for 300 player_flips_at_least "$dir" 10
    player_escape "$dir" || display_fail "the intro ended on Esc" "no exit status"
    display_wait_for 150 display_has_line "$report" '^done=1'
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
    local dir frame name before=$DISPLAY_FAILED
    local -a held=()
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
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: windowed -------------------------------------------------------------------------

player_window() {  # folder: the intro window's geometry as window-geometry.exe reports it
    (cd "$1" && timeout 20 "$WINE" window-geometry.exe "$(winpath "$1/out/window.txt")" >/dev/null 2>&1)
    tr -d '\r' <"$1/out/window.txt" 2>/dev/null
}

player_window_is() {  # folder, client size, caption (0 or 1)
    player_window "$1" | grep -q "^client=$2 origin=[0-9]*,[0-9]* caption=$3 "
}

player_window_origin() {  # folder: "x y" of the client area's top left corner
    player_window "$1" | sed -n 's/.* origin=\([0-9]*\),\([0-9]*\) .*/\1 \2/p'
}

player_alt_enter() {  # folder: Alt+Enter typed over the intro's window
    local x y
    read -r x y <<<"$(player_window_origin "$1")"
    timeout 10 xdotool mousemove $((${x:-0} + 50)) $((${y:-0} + 50)) key alt+Return
}

# F9, the switcher's hotkey, typed while the intro holds a frame. With no virtual
# desktop the key goes to the intro's own window, whose thread is the one held: it
# reads the key once the frame is let go, so nothing is waited for here.
player_switch_away() {  # folder
    timeout 10 xdotool key F9
}

PLAYER_WINDOWED_FRAMES=(120 300)

player_case_windowed() {
    local dir out switcher origin x y stopped resumed before=$DISPLAY_FAILED
    display_desktop_off
    dir=$(player_watched_folder windowed)
    out=$dir/out
    cp "$display_probe/switcher.exe" "$player_programs/window-geometry.exe" "$dir/"
    (cd "$dir" && exec timeout 300 "$WINE" switcher.exe "$(winpath "$out/switcher.log")" >/dev/null 2>&1) &
    switcher=$!
    display_wait_for 300 display_switcher_says "$dir" '^ready hotkeys=1'
    player_start_watched "$dir" "$(IFS=,; echo "${PLAYER_WINDOWED_FRAMES[*]}")" "" INTRO_DDRAW_WINDOWED=on \
        INTRO_DDRAW_SCALE=2 INTRO_DDRAW_FPS=60

    # Frame 120, held: the window, its picture, and the switch away typed meanwhile.
    display_wait_for 300 display_held_or_final "$out/$(display_frame_name 120)"
    local geometry
    geometry=$(player_window "$dir")
    display_check "windowed at scale 2: a captioned window with a client area of 640x480 ($geometry)" \
        player_window_is "$dir" 640x480 1
    read -r x y <<<"$(player_window_origin "$dir")"
    player_hold_and_shoot "$dir" 120 "640x480+${x:-0}+${y:-0}" player_switch_away
    display_wait_for 10 display_switcher_says "$dir" '^hotkey id=1\b' || display_switcher_key "$dir" F9 1
    display_wait_for 300 display_switcher_says "$dir" '^away '
    display_check "F9 took the foreground from the intro, and the intro handled the switch" \
        display_switcher_says "$dir" '^away foreground=1 intro-answered=1'
    stopped=$(player_flips "$dir")
    sleep 1
    display_check "while another program has the foreground, no frame is flipped (${stopped} before, $(player_flips "$dir") a second later)" \
        test "$(player_flips "$dir")" = "$stopped"

    display_switcher_key "$dir" F10 2
    display_wait_for 300 display_switcher_says "$dir" '^back '
    display_check "F10 gave the foreground back to the intro's window" \
        display_switcher_says "$dir" '^back foreground=1 intro-answered=1'
    display_wait_for 300 player_flips_at_least "$dir" $((stopped + 2))
    resumed=$((stopped + 1))
    display_check "the first flip after the return starts the clock afresh: no burst to catch up (flip $resumed: fresh=$(player_flip_field "$dir" $resumed fresh))" \
        test "$(player_flip_field "$dir" $resumed fresh)" = 1
    display_check "and the flip after it keeps the clock (fresh=$(player_flip_field "$dir" $((resumed + 1)) fresh))" \
        test "$(player_flip_field "$dir" $((resumed + 1)) fresh)" = 0
    player_hold_and_shoot "$dir" 300 "640x480+${x:-0}+${y:-0}" ""
    local held300=$?

    # Alt+Enter: the whole screen, then back to the window.
    player_alt_enter "$dir"
    display_wait_for 150 player_window_is "$dir" 1024x768 0
    display_check "Alt+Enter: the whole screen without a caption ($(player_window "$dir"))" \
        player_window_is "$dir" 1024x768 0
    display_wait_for 150 player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0 picture=960x720$'
    display_check "and the picture on it at scale 3 in the middle" \
        player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0 picture=960x720$'
    player_alt_enter "$dir"
    display_wait_for 150 player_window_is "$dir" 640x480 1
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
    display_desktop_on
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
    display_wait_for 300 player_flips_at_least "$dir" 5
    player_escape "$dir" >/dev/null
}


player_debug_says() {  # folder, text
    grep -qF "$2" "$1/out/debug.txt" 2>/dev/null
}

player_case_settings() {
    local dir before=$DISPLAY_FAILED
    display_desktop_off
    dir=$(player_plain_folder settings)

    player_settings_run "$dir" "fps=500|windowed=on|scale=1|log=out\\flips.log"
    display_check "ddraw.ini beside the DLL: its log, at 500 frames a second" \
        player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=500$'
    display_check "and windowed at scale 1: a client area of 320x240" \
        player_log_says "$dir" '^layout client=320x240 scale=1 left=0 top=0 windowed=1 picture=320x240$'

    player_settings_run "$dir" "fps=500|windowed=on|scale=1|log=out\\flips.log" INTRO_DDRAW_FPS=250 \
        INTRO_DDRAW_WINDOWED=off
    display_check "INTRO_DDRAW_FPS before the file: 250 frames a second" \
        player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=250$'
    display_check "INTRO_DDRAW_WINDOWED=off before the file: the whole screen at scale 3" \
        player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0 picture=960x720$'

    player_settings_run "$dir" "scaling=aspect|filter=sharp|log=out\\flips.log"
    display_check "scaling=aspect in the file: the whole 4:3 screen" \
        player_log_says "$dir" '^layout client=1024x768 scale=4 left=0 top=0 windowed=0 picture=1024x768$'

    player_settings_run "$dir" "log=out\\flips.log" INTRO_DDRAW_FPS=fast INTRO_DDRAW_SCALE=big \
        INTRO_DDRAW_SCALING=fit INTRO_DDRAW_FILTER=blur
    display_check "a bad fps: 60 frames a second" player_log_says "$dir" '^clock ticks-per-second=[0-9]+ fps=60$'
    display_check "and a debugger line that says so" \
        player_debug_says "$dir" "ddraw: fps=fast is not a whole number from 1 to 10000; 60 is used"
    display_check "a bad scale: a debugger line too" \
        player_debug_says "$dir" "ddraw: scale=big is not a whole number from 0 to 64; 0 is used"
    display_check "a fill mode it does not have: a debugger line, and whole factors" \
        player_debug_says "$dir" "ddraw: scaling=fit is none of integer, aspect or stretch; integer is used"
    display_check "and the picture at scale 3" \
        player_log_says "$dir" '^layout client=1024x768 scale=3 left=32 top=24 windowed=0 picture=960x720$'
    display_check "a filter it does not have: a debugger line" \
        player_debug_says "$dir" "ddraw: filter=blur is none of nearest or sharp; nearest is used"
    display_check "each run handed over to the main program" test -s "$(display_main_program_log "$dir")"
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: fill modes --------------------------------------------------------------------

# The non-black bounds of a picture, black assumed around it: "WxH+X+Y".
player_box() {  # picture
    convert "$1" -bordercolor black -border 1 -fuzz 0 -trim -format '%w %h %X %Y' info: 2>/dev/null |
        awk '{ printf "%dx%d+%d+%d\n", $1, $2, $3 - 1, $4 - 1 }'
}

# The mean difference, in 255ths, of a shown picture's box resized (smoothed) back to
# 320x240 from the host frame.
player_mean_error() {  # screenshot, box (WxH+X+Y), host frame, output
    convert "$1" -crop "$2" +repage -resize '320x240!' "$4" 2>/dev/null
    compare -metric MAE "$3" "$4" null: 2>&1 | awk '{ printf "%.2f\n", $1 / 257 }'
}

# Runs a command on an Xvfb of its own of this size, with no Wine server left
# from the last screen (the server keeps the screen it first met), and puts the
# run's own X server back.
player_on_screen() {  # WxH, then the command
    local display=$DISPLAY xvfb=$XVFB_PID status
    timeout 20 "$WINESERVER" -k 2>/dev/null
    XVFB_PID=
    if ! xvfb_start "$1x24"; then
        export DISPLAY=$display XVFB_PID=$xvfb
        display_fail "an X server of $1" "none could be started"
        return 1
    fi
    "${@:2}"
    status=$?
    timeout 20 "$WINESERVER" -k 2>/dev/null
    xvfb_stop
    export DISPLAY=$display
    XVFB_PID=$xvfb
    return "$status"
}

# Screen, fill mode, filter, the box the mode puts the picture in, and its whole
# factor ("-" for a box of no whole factor).
PLAYER_FILL_CASES=(
    "1920x1080 integer nearest 1280x960+320+60 4"
    "1920x1080 aspect nearest 1440x1080+240+0 -"
    "1920x1080 aspect sharp 1440x1080+240+0 -"
    "1920x1080 stretch nearest 1920x1080+0+0 -"
    "1920x1080 stretch sharp 1920x1080+0+0 -"
    "1024x768 integer nearest 960x720+32+24 3"
    "1024x768 integer sharp 960x720+32+24 3"
    "1024x768 aspect nearest 1024x768+0+0 -"
    "1024x768 aspect sharp 1024x768+0+0 -"
    "1024x768 stretch sharp 1024x768+0+0 -"
)
# The frame held and pictured: the starfield and the logo, not black at any edge.
PLAYER_FILL_FRAME=1501
# The most a picture of no whole factor, resized back to 320x240, may differ from
# the host frame on average, in 255ths of full scale (measured: some 3.5 with the
# sharp filter, 4 to 5.7 with the nearest pixel; a picture cut from the wrong place, 57).
PLAYER_FILL_MEAN_ERROR=6

# One run of the intro on the screen there is, in one mode: the box of its picture
# and the picture against the host frame.
player_fill_run() {  # screen, scaling, filter, box, factor
    local screen=$1 scaling=$2 filter=$3 box=$4 factor=$5 dir shot name label shown
    label="$scaling, $filter on $screen"
    dir=$(player_watched_folder "fill-$screen-$scaling-$filter")
    name=$(display_frame_name $PLAYER_FILL_FRAME)
    player_start_watched "$dir" $PLAYER_FILL_FRAME "" INTRO_DDRAW_FPS=$PLAYER_FAST_FPS INTRO_DDRAW_SCALING="$scaling" \
        INTRO_DDRAW_FILTER="$filter"
    player_hold_and_shoot "$dir" $PLAYER_FILL_FRAME ""
    player_escape "$dir" >/dev/null
    shot=$dir/out/screen-${name#frame-}.png
    display_host_frames "$dir" $PLAYER_FILL_FRAME
    display_check "$label: the screen is $screen ($(identify -format %wx%h "$shot" 2>/dev/null))" \
        test "$(identify -format %wx%h "$shot" 2>/dev/null)" = "$screen"
    shown=$(player_box "$shot")
    display_check "$label: the picture's box is $box (${shown:-no picture})" test "$shown" = "$box"
    player_fill_compare "$shot" "$box" "$factor" "$dir/host/$name.png" "$dir/out/reduced.png" "$label"
}

# The picture in its box against the host frame: reduced by a whole factor,
# pixel for pixel; at any other size, resized back within the stated mean error.
player_fill_compare() {  # screenshot, box, factor or -, host frame, scratch picture, label
    local differ error
    if [ "$3" != - ]; then
        convert "$1" -crop "$2" +repage -sample 320x240 "$5" 2>/dev/null
        differ=$(player_differing_pixels "$4" "$5")
        display_check "$6: the picture reduced by $3 is the host frame pixel for pixel (${differ:-no picture} differ)" \
            test "$differ" = 0
    else
        error=$(player_mean_error "$1" "$2" "$4" "$5")
        display_check "$6: resized back to 320x240 it is the host frame within a mean of $PLAYER_FILL_MEAN_ERROR/255 (${error:-no picture})" \
            awk -v e="${error:-999}" -v most=$PLAYER_FILL_MEAN_ERROR 'BEGIN { exit !(e < most) }'
    fi
}

player_fill_screen() {  # WxH: every case of that screen
    local screen scaling filter box factor
    display_check "no virtual desktop: the screen is Xvfb's own ($(timeout 10 xdotool getdisplaygeometry | tr ' ' x))" \
        test "$(timeout 10 xdotool getdisplaygeometry | tr ' ' x)" = "$1"
    for entry in "${PLAYER_FILL_CASES[@]}"; do
        read -r screen scaling filter box factor <<<"$entry"
        [ "$screen" = "$1" ] && player_fill_run "$screen" "$scaling" "$filter" "$box" "$factor"
    done
    return 0
}

player_case_fill() {
    local before=$DISPLAY_FAILED
    display_desktop_off
    player_on_screen 1920x1080 player_fill_screen 1920x1080
    player_fill_screen 1024x768
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: the window resized, and its place kept ----------------------------------------

# The intro's own X window: the one named as its window that is mapped.
player_x_window() {
    timeout 10 xdotool search --onlyvisible --name '^Escort the Velthorn$' 2>/dev/null | head -1
}

player_window_is_sizable() {  # folder
    player_window "$1" | grep -q " caption=1 sizing=1 maximize=1$"
}

player_window_client() {  # folder: the client area's "WxH"
    player_window "$1" | sed -n 's/^client=\([0-9]*x[0-9]*\) .*/\1/p'
}

# The kept place beside the player's DLL: "left top width height".
player_kept_place() {  # folder
    local file=$1/player/ddraw-window.ini key
    for key in left top width height; do
        tr -d '\r' <"$file" 2>/dev/null | sed -n "s/^$key=//p"
    done | paste -sd ' '
}

# Frames held in the resized window's runs: the first before the resize, the
# second after it (with fps 500, a second later).
PLAYER_RESIZE_FRAMES=(1501 2001)

# Holds a frame, pictures the window's client area and checks the box of the
# picture in it and the picture itself.
player_resize_shot() {  # folder, frame, client (WxH), box in the client, factor or -, label
    local dir=$1 name x y shot box
    name=$(display_frame_name "$2")
    display_wait_for 300 display_held_or_final "$dir/out/$name"
    display_check "$6: the client area is $3 ($(player_window "$dir"))" test "$(player_window_client "$dir")" = "$3"
    read -r x y <<<"$(player_window_origin "$dir")"
    player_hold_and_shoot "$dir" "$2" "$3+${x:-0}+${y:-0}" "${7:-}"
    shot=$dir/out/screen-${name#frame-}.png
    box=$(player_box "$shot")
    display_check "$6: the picture's box in it is $4 (${box:-no picture})" test "$box" = "$4"
    [ -f "$dir/host/$name.png" ] || display_host_frames "$dir" "$2"
    player_fill_compare "$shot" "$4" "$5" "$dir/host/$name.png" "$dir/out/reduced-$2.png" "$6"
}

# While the first frame is held: the X window made larger by xdotool, so that
# its client area is 800x450 (what the frame around it takes is measured), and moved.
player_resize_by_x() {
    local wid width height client
    wid=$(player_x_window)
    client=$(player_window_client "$PLAYER_RESIZE_DIR")
    eval "$(timeout 10 xdotool getwindowgeometry --shell "$wid" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
    width=$((800 + ${WIDTH:-0} - ${client%x*})) height=$((450 + ${HEIGHT:-0} - ${client#*x}))
    timeout 10 xdotool windowsize "$wid" "$width" "$height" windowmove "$wid" 90 70
}

player_case_resize() {
    local dir before=$DISPLAY_FAILED kept origin
    display_desktop_off
    dir=$(player_watched_folder resize)
    PLAYER_RESIZE_DIR=$dir
    cp "$player_programs/window-geometry.exe" "$dir/"

    # The aspect fill, a window of 640x480 first (scale 0: the kept size, or 80% of 1024x768).
    player_start_watched "$dir" "$(IFS=,; echo "${PLAYER_RESIZE_FRAMES[*]}")" "" INTRO_DDRAW_WINDOWED=on \
        INTRO_DDRAW_SCALING=aspect INTRO_DDRAW_FPS=500
    player_resize_shot "$dir" 1501 640x480 640x480+0+0 2 "aspect, windowed" player_resize_by_x
    display_check "the window has a sizing border and a maximise box ($(player_window "$dir"))" \
        player_window_is_sizable "$dir"
    player_resize_shot "$dir" 2001 800x450 600x450+100+0 - "aspect, resized by xdotool to 800x450"
    origin=$(player_window_origin "$dir")
    player_escape "$dir" >/dev/null
    kept=$(player_kept_place "$dir")
    display_check "the place is kept beside the DLL: a client area of 800x450 (${kept:-nothing kept})" \
        test "$(cut -d' ' -f3,4 <<<"$kept")" = "800 450"
    display_check "its client area where xdotool moved it: 90 70 ($origin)" test "$origin" = "90 70"

    # The next run, stretched: the same window where it was, the picture all of it.
    rm -f "$dir/out/"*
    player_start_watched "$dir" 1501 "" INTRO_DDRAW_WINDOWED=on INTRO_DDRAW_SCALING=stretch \
        INTRO_DDRAW_FILTER=sharp INTRO_DDRAW_FPS=$PLAYER_FAST_FPS
    player_resize_shot "$dir" 1501 800x450 800x450+0+0 - "the next run, stretch and sharp"
    display_check "its client area is where the last run left it ($(player_window_origin "$dir"), was $origin)" \
        test "$(player_window_origin "$dir")" = "$origin"
    player_escape "$dir" >/dev/null

    # A kept place on no monitor: the window is centred, the kept size kept.
    rm -f "$dir/out/"*
    printf '[window]\r\nleft=3000\r\ntop=2000\r\nwidth=800\r\nheight=450\r\n' >"$dir/player/ddraw-window.ini"
    player_start_watched "$dir" 1501 "" INTRO_DDRAW_WINDOWED=on INTRO_DDRAW_FPS=$PLAYER_FAST_FPS \
        WINEDEBUG=-all,+debugstr
    display_wait_for 300 display_held_or_final "$dir/out/$(display_frame_name 1501)"
    read -r x y <<<"$(player_window_origin "$dir")"
    display_check "a kept place off every monitor is not used: the window is on the screen ($x,$y)" \
        test "${x:-9999}" -lt 1024 -a "${y:-9999}" -lt 768
    display_check "with the kept size ($(player_window_client "$dir"))" test "$(player_window_client "$dir")" = 800x450
    player_escape "$dir" >/dev/null
    display_check "and a debugger line says so" grep -q "kept place 3000,2000 is on no monitor now" "$dir/out/wine.txt"

    # Where nothing can be written beside the DLL (a folder in the file's way), the
    # user's application-data folder keeps it, and the next run finds it there.
    rm -rf "$dir/out/"* "$dir/player/ddraw-window.ini"
    mkdir "$dir/player/ddraw-window.ini"
    local appdata
    appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -ipath '*/AppData/Roaming' | head -1)
    [ -n "$appdata" ] || display_fail "the prefix has a user's application-data folder" "none found"
    appdata=$appdata/velthorn-intro
    rm -rf "$appdata"
    player_start_watched "$dir" 1501 "" INTRO_DDRAW_WINDOWED=on INTRO_DDRAW_SCALE=1 INTRO_DDRAW_FPS=$PLAYER_FAST_FPS \
        WINEDEBUG=-all,+debugstr
    display_wait_for 300 display_held_or_final "$dir/out/$(display_frame_name 1501)"
    origin=$(player_window_origin "$dir")
    player_escape "$dir" >/dev/null
    display_check "nothing beside the DLL: kept in the user's application data, a debugger line says" \
        grep -qi "window's place is kept in c:.*appdata.*velthorn-intro.*ddraw-window.ini" "$dir/out/wine.txt"
    display_check "as a client area of 320x240 ($(tr -d '\r' <"$appdata/ddraw-window.ini" 2>/dev/null | paste -sd ' '))" \
        grep -q '^height=240' <(tr -d '\r' <"$appdata/ddraw-window.ini" 2>/dev/null)
    rm -f "$dir/out/"*
    player_start_watched "$dir" 1501 "" INTRO_DDRAW_WINDOWED=on INTRO_DDRAW_FPS=$PLAYER_FAST_FPS
    display_wait_for 300 display_held_or_final "$dir/out/$(display_frame_name 1501)"
    display_check "and the next run finds it there: 320x240 at the same place ($(player_window "$dir"), was $origin)" \
        test "$(player_window_client "$dir") $(player_window_origin "$dir")" = "320x240 $origin"
    player_escape "$dir" >/dev/null
    rm -rf "$appdata"
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# ---- Case: screenshots ------------------------------------------------------------------------

# Frames a second for the screenshot runs: the logo's phase (frames 1501 to
# 3499) comes after 5 s and lasts almost 7, time enough for a key typed by a script.
PLAYER_SHOT_FPS=300
PLAYER_LOGO_FIRST=1501
PLAYER_LOGO_LAST=3499

# "FLIP NAME" from the player's debugger line of a screenshot written (the path
# as Wine prints it, its backslashes doubled): the last one.
player_shot_said() {  # folder
    sed -n 's/.*ddraw: screenshot of flip \([0-9]*\) written to .*screenshots\\\\*\([^\\]*\.png\)\\n.*/\1 \2/p' \
        "$1/out/debug.txt" 2>/dev/null | tail -n1
}

player_shot_written() {  # folder
    [ -n "$(player_shot_said "$1")" ]
}

# The key typed over the intro, once its flips are in the logo's phase; prints
# the flips counted just before.
player_type_in_logo() {  # folder, xdotool key name
    display_wait_for 300 player_flips_at_least "$1" $((PLAYER_LOGO_FIRST + 100)) || return 1
    player_flips "$1"
    timeout 10 xdotool mousemove 512 384 key "$2"
}

# Bit depth and colour type from the PNG's header, as "8 3".
player_png_kind() {  # file
    od -An -tu1 -j24 -N2 "$1" | awk '{ print $1, $2 }'
}

# How the screenshot differs from intro-frames' frame in size, indices and
# 256 colours; "same" when it does not.
player_indexed_difference() {  # screenshot, host frame
    /usr/bin/python3 - "$1" "$2" <<'PY' 2>&1 | tail -n1
import sys
from PIL import Image
shot, host = Image.open(sys.argv[1]), Image.open(sys.argv[2])
if shot.mode != "P" or shot.size != (320, 240):
    print(f"the screenshot is {shot.mode} {shot.size}")
elif len(shot.getpalette()) != 768 or shot.getpalette() != host.getpalette():
    a, b = shot.getpalette(), host.getpalette()
    print(f"palettes differ: {len(a) // 3} and {len(b) // 3} colours, first at entry "
          f"{next((i // 3 for i in range(min(len(a), len(b))) if a[i] != b[i]), '-')}")
else:
    differ = sum(x != y for x, y in zip(shot.tobytes(), host.tobytes()))
    print("same" if differ == 0 else f"{differ} indices differ")
PY
}

player_shot_run() {  # folder, key, NAME=VALUE...: the key typed in the logo's phase, then Esc
    local dir=$1 key=$2
    shift 2
    player_start_plain "$dir" INTRO_DDRAW_LOG="$(winpath "$dir/out/flips.log")" INTRO_DDRAW_FPS=$PLAYER_SHOT_FPS "$@"
    PLAYER_SHOT_BEFORE=$(player_type_in_logo "$dir" "$key")
    display_wait_for 300 player_shot_written "$dir"
    # Flips go on after the key: the intro is still playing.
    display_wait_for 300 player_flips_at_least "$dir" $((${PLAYER_SHOT_BEFORE:-0} + 60))
    PLAYER_SHOT_AFTER=$(player_flips "$dir")
    player_escape "$dir" || display_fail "the intro ended on Esc" "no exit status"
}

player_case_screenshots() {
    local dir flip name shot before=$DISPLAY_FAILED
    display_desktop_off
    dir=$(player_plain_folder screenshots)

    # PrtScn, the default key, and the default kind: the frame.
    display_check "no screenshots folder before the first screenshot" test ! -e "$dir/screenshots"
    local today=$(date +%Y-%m-%d)  # and the day after, for a run across midnight
    player_shot_run "$dir" Print
    read -r flip name <<<"$(player_shot_said "$dir")"
    shot=$dir/screenshots/$name
    display_check "PrtScn: one debugger line says where the screenshot went ($flip $name)" \
        test "$(grep -c 'ddraw: screenshot of flip' "$dir/out/debug.txt")" = 1
    display_check "into the folder screenshots made beside intro.exe, one file" \
        test -f "$shot" -a "$(ls "$dir/screenshots" | wc -l)" = 1
    display_check "named by the date, the time and the flip ($name)" \
        grep -qE "^($today|$(date +%Y-%m-%d))_[0-9]{2}-[0-9]{2}-[0-9]{2}_flip0*${flip:-x}\.png$" <<<"$name"
    display_check "taken in the logo's phase (flip ${flip:-none}, the key typed after flip ${PLAYER_SHOT_BEFORE:-none})" \
        test "${flip:-0}" -ge "${PLAYER_SHOT_BEFORE:-1}" -a "${flip:-0}" -ge $PLAYER_LOGO_FIRST -a "${flip:-0}" -le $PLAYER_LOGO_LAST
    display_check "an 8-bit indexed PNG (depth and colour type $(player_png_kind "$shot" 2>/dev/null))" \
        test "$(player_png_kind "$shot")" = "8 3"
    display_host_frames "$dir" "${flip:-1}" || display_fail "the host renderer drew frame $flip"
    local differ
    differ=$(player_indexed_difference "$shot" "$dir/host/$(display_frame_name "${flip:-1}").png")
    display_check "320x240, its pixels and its palette those of intro-frames' frame $flip ($differ)" test "$differ" = same
    display_check "the intro played on after the key (flips $PLAYER_SHOT_BEFORE to $PLAYER_SHOT_AFTER)" \
        test "${PLAYER_SHOT_AFTER:-0}" -ge $((${PLAYER_SHOT_BEFORE:-0} + 60))
    display_check_hand_over "$dir" "after the screenshot and Esc"

    # F12, which closes the intro when it reaches it, as the key; the picture as shown.
    rm -f "$dir/out/"* "$dir/started.log"
    printf '%s\r\n' "[ddraw]" "screenshot_key=F12" "screenshot=shown" >"$dir/ddraw.ini"
    player_shot_run "$dir" F12
    read -r flip name <<<"$(player_shot_said "$dir")"
    shot=$dir/screenshots/$name
    display_check "screenshot_key=F12 in ddraw.ini: F12 writes a screenshot ($flip $name), beside the first" \
        test -f "$shot" -a "$(ls "$dir/screenshots" | wc -l)" = 2
    display_check "and never reaches the intro, which plays on (flips $PLAYER_SHOT_BEFORE to $PLAYER_SHOT_AFTER)" \
        test "${PLAYER_SHOT_AFTER:-0}" -ge $((${PLAYER_SHOT_BEFORE:-0} + 60))
    display_check "screenshot=shown: a 24-bit PNG (depth and colour type $(player_png_kind "$shot" 2>/dev/null))" \
        test "$(player_png_kind "$shot")" = "8 2"
    display_host_frames "$dir" "${flip:-1}" || display_fail "the host renderer drew frame $flip"
    local frame=$dir/host/$(display_frame_name "${flip:-1}").png expected=$dir/out/expected-shown.png
    player_expected_screen "$frame" 3 1024 768 32 24 "$expected"
    differ=$(player_differing_pixels "$expected" "$shot")
    display_check "of the whole screen as shown: frame $flip enlarged 3 times at 32,24 on black (${differ:-no picture} pixels differ)" \
        test "$differ" = 0

    player_windowed_screenshot "$dir"
    player_fallback_screenshot "$dir"
    display_desktop_on
    [ "$DISPLAY_FAILED" = "$before" ]
}

# A window of 640x480 (scale 2), the picture as shown: the window's client area.
player_windowed_screenshot() {  # folder, with the two screenshots of the runs before
    local dir=$1 flip name shot differ size frame expected
    rm -f "$dir/out/"* "$dir/started.log"
    printf '%s\r\n' "[ddraw]" "screenshot_key=F12" "screenshot=shown" "windowed=on" "scale=2" >"$dir/ddraw.ini"
    player_shot_run "$dir" F12
    read -r flip name <<<"$(player_shot_said "$dir")"
    shot=$dir/screenshots/$name
    display_check "windowed at scale 2, screenshot=shown: F12 writes a screenshot ($flip $name), the third" \
        test -f "$shot" -a "$(ls "$dir/screenshots" | wc -l)" = 3
    size=$(identify -format %wx%h "$shot" 2>/dev/null)
    display_check "of the window's client area, 640x480 ($size), 24-bit ($(player_png_kind "$shot" 2>/dev/null))" \
        test "$size" = 640x480 -a "$(player_png_kind "$shot")" = "8 2"
    display_host_frames "$dir" "${flip:-1}" || display_fail "the host renderer drew frame $flip"
    frame=$dir/host/$(display_frame_name "${flip:-1}").png expected=$dir/out/expected-window.png
    player_expected_screen "$frame" 2 640 480 0 0 "$expected"
    differ=$(player_differing_pixels "$expected" "$shot")
    display_check "the window's picture: frame $flip enlarged 2 times, filling it (${differ:-no picture} pixels differ)" \
        test "$differ" = 0
    rm -f "$dir/ddraw.ini" "$dir/ddraw-window.ini"
}

# Makes a folder unwritable, or writable again: its mode, and for root, whom the mode
# does not stop, the immutable attribute as well.
player_folder_writable() {  # folder, yes or no
    if [ "$2" = no ]; then
        chmod a-w "$1" && { [ "$(id -u)" != 0 ] || chattr +i "$1"; }
    else
        { [ "$(id -u)" != 0 ] || chattr -i "$1"; } && chmod u+w "$1"
    fi
}

player_cannot_write_in() {  # folder
    ! touch "$1/written.tmp" 2>/dev/null
}

# The path of the last screenshot written, as Wine prints it (backslashes doubled), in Windows' form.
player_shot_path() {  # folder
    sed -n 's/.*ddraw: screenshot of flip [0-9]* written to \(.*\.png\)\\n.*/\1/p' "$1/out/debug.txt" 2>/dev/null |
        tail -n1 | sed 's/\\\\/\\/g'
}

# The folder beside intro.exe cannot be written: the screenshot goes to the user's
# pictures, and the debugger lines say why and where.
player_fallback_screenshot() {  # folder
    local dir=$1 flip name windows unix differ
    rm -rf "$dir/out/"* "$dir/started.log" "$dir/screenshots"
    player_folder_writable "$dir" no
    display_check "the folder beside intro.exe cannot be written (made so for this run)" player_cannot_write_in "$dir"
    player_start_plain "$dir" INTRO_DDRAW_LOG="$(winpath "$dir/out/flips.log")" INTRO_DDRAW_FPS=$PLAYER_SHOT_FPS
    PLAYER_SHOT_BEFORE=$(player_type_in_logo "$dir" Print)
    display_wait_for 300 player_shot_written "$dir"
    player_folder_writable "$dir" yes  # the main program started after Esc writes its notes there
    player_escape "$dir" || display_fail "the intro ended on Esc" "no exit status"
    read -r flip name <<<"$(player_shot_said "$dir")"
    windows=$(player_shot_path "$dir")
    unix=$([ -n "$windows" ] && timeout 20 "$WINE" winepath -u "$windows" 2>/dev/null)
    display_check "a debugger line says the folder beside intro.exe could not be made" \
        grep -qE 'ddraw: screenshot: the folder .*screenshots cannot be made' "$dir/out/debug.txt"
    display_check "and one where the screenshot went instead: the user's pictures ($windows)" \
        grep -qiE '^C:\\users\\[^\\]+\\(My )?Pictures\\velthorn-intro\\screenshots\\[^\\]+\.png$' <<<"$windows"
    display_check "the file is there ($unix), and nothing beside intro.exe" \
        test -n "$unix" -a -f "$unix" -a ! -e "$dir/screenshots"
    display_host_frames "$dir" "${flip:-1}" || display_fail "the host renderer drew frame $flip"
    differ=$(player_indexed_difference "$unix" "$dir/host/$(display_frame_name "${flip:-1}").png")
    display_check "its pixels and palette those of intro-frames' frame $flip ($differ)" test "$differ" = same
    display_check_hand_over "$dir" "after the screenshot in the user's pictures and Esc"
    [ -z "$unix" ] || rm -f "$unix"
}
