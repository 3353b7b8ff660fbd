#!/usr/bin/env bash
# Sets up, builds and plays the intro under Wine, in a prefix of the project's own
# with the virtual desktop that the 320x240 mode needs. With no display, it plays on
# a private Xvfb from the first frame to the hand-over and keeps a few screenshots.
set -euo pipefail
caller=$PWD
cd "$(dirname "$0")/.."
root=$(pwd)
# Music: --music FILE plays FILE as track 5, --no-music plays silent (scripts/music.sh).
source scripts/music.sh
music_options "$@" >/dev/null || exit 2
case $RUN_MUSIC in default | none | /*) ;; *) RUN_MUSIC=$caller/$RUN_MUSIC ;; esac

bash scripts/setup.sh
SKIP_SETUP=1 bash scripts/build.sh >/dev/null
source scripts/wine.sh

export WINEPREFIX=${INTRO_WINEPREFIX:-$HOME/.cache/velthorn-intro/wine}
wine_prefix_ready "$WINEPREFIX"

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
music_prepare "$game"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "run: playing the intro on $DISPLAY (Esc or F12 ends it)"
    status=0
    (cd "$game" && wine intro.exe) || status=$?
else
    xvfb_start
    trap 'wineserver -k 2>/dev/null || true; xvfb_stop' EXIT
    echo "run: no display here: playing the intro on a private Xvfb ($DISPLAY), screenshots in $shots"
    (cd "$game" && exec wine intro.exe) &
    intro=$!
    # Xvfb paces no frame, so the whole sequence takes seconds: a picture every
    # quarter second, leaving out the plain desktop before the intro takes it.
    n=0
    while [ "$n" -lt 10 ] && kill -0 "$intro" 2>/dev/null; do
        sleep 0.25
        shot=$shots/screenshot-$((n + 1)).png
        import -window root -crop 320x240+0+0 +repage "$shot" 2>/dev/null || continue
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
