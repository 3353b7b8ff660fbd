#!/usr/bin/env bash
# Sets up, builds and plays the intro under Wine, in a prefix of the project's own,
# through the player's ddraw.dll beside it: the picture scaled up on the whole
# screen at a steady 60 frames a second, no mode switch and no virtual desktop.
# With no display, it plays on a private Xvfb from the first frame to the
# hand-over and keeps a few screenshots.
#
# Usage: scripts/run.sh [--fps N] [--windowed] [--scale K] [--wine-ddraw]
#   --fps N       frames a second (60)
#   --windowed    an ordinary window instead of the whole screen (Alt+Enter switches)
#   --scale K     the window's picture K times 320x240 (the largest fitting 80% of the screen)
#   --wine-ddraw  Wine's own DirectDraw instead, in the virtual desktop its 320x240 mode needs
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# ---- The display: the player's ddraw.dll, or Wine's own DirectDraw ----------------------
play_fps="" play_windowed="" play_scale="" play_wine_ddraw=0

player_options() {  # the command line
    while [ $# -gt 0 ]; do
        case $1 in
        --fps | --scale)
            [[ ${2:-} =~ ^[0-9]+$ ]] || { echo "run: $1 wants a whole number" >&2; exit 2; }
            if [ "$1" = --fps ]; then play_fps=$2; else play_scale=$2; fi
            shift 2 ;;
        --windowed) play_windowed=on; shift ;;
        --wine-ddraw) play_wine_ddraw=1; shift ;;
        *) echo "run: unknown option $1 (options: --fps N, --windowed, --scale K, --wine-ddraw)" >&2; exit 2 ;;
        esac
    done
}

# The prefix as the display wants it: no virtual desktop for the player's DLL.
player_prefix_ready() {
    if [ "$play_wine_ddraw" = 1 ]; then
        wine_prefix_ready "$WINEPREFIX" && wine_player_ddraw "$WINEPREFIX" off
    else
        wine_prefix_ready "$WINEPREFIX" no-desktop && wine_player_ddraw "$WINEPREFIX" on
    fi
}

# The player's DLL beside intro.exe (Wine loads it for intro.exe alone), its
# settings in the environment; what the screenshots take and how often.
player_install() {  # game folder
    rm -f "$1/ddraw.dll"
    if [ "$play_wine_ddraw" = 1 ]; then
        shot_geometry=320x240+0+0 shot_every=0.25   # Xvfb paces no frame: seconds in all
        return
    fi
    cp build/win32/player/ddraw.dll "$1/"
    [ -z "$play_fps" ] || export INTRO_DDRAW_FPS=$play_fps
    [ -z "$play_windowed" ] || export INTRO_DDRAW_WINDOWED=on
    [ -z "$play_scale" ] || export INTRO_DDRAW_SCALE=$play_scale
    # The whole screen, ten times over the run's 10211 frames.
    shot_geometry="" shot_every=$(awk -v fps="${play_fps:-60}" 'BEGIN { printf "%.2f", 10211 / fps / 10 }')
}

player_describe() {
    if [ "$play_wine_ddraw" = 1 ]; then
        echo "Wine's own DirectDraw in its virtual desktop"
    else
        local where="on the whole screen"
        [ -z "$play_windowed" ] || where="in a window"
        echo "the player's ddraw.dll at ${play_fps:-60} frames a second, $where"
    fi
}

player_options "$@"
bash scripts/setup.sh
SKIP_SETUP=1 bash scripts/build.sh >/dev/null
source scripts/wine.sh

export WINEPREFIX=${INTRO_WINEPREFIX:-$HOME/.cache/velthorn-intro/wine}
player_prefix_ready

# The intro plays from a folder of its own. Without the game beside it, a small
# stand-in of the main program takes the hand-over and notes how it was started.
shots=$root/out/run
game=$shots/game
mkdir -p "$game"
rm -f "$shots"/screenshot-*.png "$game/started.log"
cp build/win32/intro.exe "$game/"
if [ -n "${INTRO_GAME_DIR:-}" ]; then
    cp "$INTRO_GAME_DIR"/z_qzm__.* "$game/"
else
    rm -f "$game"/z_qzm__.*
    cp build/win32/tests/wine/record-start.exe "$game/z_qzm__.exe"
fi
player_install "$game"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "run: playing the intro on $DISPLAY through $(player_describe) (Esc or F12 ends it)"
    status=0
    (cd "$game" && wine intro.exe) || status=$?
else
    xvfb_start
    trap 'wineserver -k 2>/dev/null || true; xvfb_stop' EXIT
    echo "run: no display here: playing the intro on a private Xvfb ($DISPLAY) through $(player_describe), screenshots in $shots"
    (cd "$game" && exec wine intro.exe) &
    intro=$!
    # Ten pictures spread over the run, leaving out the plain desktop before the intro takes it.
    n=0
    while [ "$n" -lt 10 ] && kill -0 "$intro" 2>/dev/null; do
        sleep "$shot_every"
        shot=$shots/screenshot-$((n + 1)).png
        import -window root ${shot_geometry:+-crop "$shot_geometry" +repage} "$shot" 2>/dev/null || continue
        if [ "$(convert "$shot" -format %k info: 2>/dev/null || echo 1)" -gt 1 ]; then
            n=$((n + 1))
        else
            rm -f "$shot"
        fi
    done
    status=0
    wait "$intro" || status=$?
fi
wineserver -w 2>/dev/null || true

if [ "$status" = 0 ]; then
    echo "run: the intro ended without starting the main program; exit status 0"
else
    echo "run: the intro handed over to the main program; exit status $status (the low byte of its handle)"
fi
if [ -f "$game/started.log" ]; then
    echo "run: the stand-in main program was started: $(grep -m1 '^commandline=' "$game/started.log" | tr -d '\r')"
fi
ls "$shots"/screenshot-*.png 2>/dev/null | sort -V | sed 's/^/run: screenshot /' || true
