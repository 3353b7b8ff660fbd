#!/usr/bin/env bash
# The real intro.exe under Wine, with real key events on a private X server:
#   - three full runs in a row in one prefix (INTRO_STORM_RUNS picks another count:
#     scripts/test.sh --long runs twenty);
#   - key storms while it plays: Esc held down, Esc and F12 together, Alt+F4 and Esc
#     around the roll's own closing key.
# Every run must start the main program (the Wine tests' stand-in, which notes how it
# was started) exactly once, end with that process's handle as its exit status, destroy its window once
# (counted in Wine's message trace) and leave no process of ours behind.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
source scripts/wine.sh
source scripts/xvfb.sh

exe=$root/$INTRO_WIN_BUILD/intro.exe
stub=$root/$INTRO_WIN_BUILD/tests/wine/record-start.exe
work=$(mktemp -d /tmp/intro-storms.XXXXXX)
export WINEPREFIX=${INTRO_STORMS_WINEPREFIX:-$work/prefix}
runs=${INTRO_STORM_RUNS:-3}
title="Escort the Velthorn"

passed=0 failed=0
ok() { passed=$((passed + 1)); echo "ok   $*"; }
bad() { failed=$((failed + 1)); echo "FAIL $*"; }

for program in "$exe" "$stub"; do
    [ -f "$program" ] || { echo "storms: $program is missing; run scripts/build.sh first"; exit 1; }
done
mkdir -p "$work"
cp "$exe" "$work/intro.exe"
cp "$stub" "$work/z_qzm__.exe"  # notes each start in started.log beside itself

wine_prefix_ready "$WINEPREFIX"
xvfb_start || exit 1
trap '"$WINESERVER" -k 2>/dev/null; xvfb_stop; [ "$failed" != 0 ] || rm -rf "$work"' EXIT
"$WINESERVER" -p  # one server for every run of this prefix, so that the runs start faster

# Our programs still running in this prefix; another engineer's intro.exe is not ours.
ours() {
    local pid
    for pid in $(pgrep -f 'intro\.exe|z_qzm__\.exe'); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
    done
}

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

# The intro's key input: xdotool at the intro's own X window, which Wine keeps
# inside its virtual desktop.
held_esc() { xdotool $(for _ in $(seq 40); do printf 'keydown --delay 0 Escape keyup --delay 0 Escape '; done); }
esc_and_f12() {
    xdotool $(for _ in $(seq 20); do printf 'keydown Escape keydown F12 keyup Escape keyup F12 '; done)
}
# Alt+F4 and Esc from shortly before the roll's own closing key until the window is
# gone: from the 9500th of the 10211 frames, counted in Wine's trace of each Flip,
# so that a busy machine slows the count as it slows the intro.
near_the_end() {
    while [ "$(grep -c ddraw_surface1_Flip "$trace")" -lt 9500 ] &&
        xdotool search --name "^$title\$" >/dev/null 2>&1; do
        sleep 0.05
    done
    while xdotool search --name "^$title\$" >/dev/null 2>&1; do
        xdotool key --delay 0 alt+F4 key --delay 0 Escape 2>/dev/null
    done
}

# Plays the intro once; $2 (a storm above, or "none") acts once its window is there.
# Leaves run_status, run_seconds (window shown to end) and the message trace in $work/$1.trace.
play() {
    local name=$1 storm=$2 trace=$work/$1.trace window="" shown ended channels=""
    [ "$storm" != near_the_end ] || channels=,+ddraw  # its keys wait for a count of flips
    rm -f "$work/started.log" "$work/status"
    (cd "$work" && WINEDEBUG=+msg$channels timeout 600 "$WINE" intro.exe 2>"$trace"; echo $? >"$work/status") &
    local player=$!
    for _ in $(seq 6000); do
        window=$(xdotool search --name "^$title\$" 2>/dev/null | head -1)
        [ -n "$window" ] || [ -f "$work/status" ] && break
        sleep 0.05
    done
    shown=$(now)
    if [ -n "$window" ] && [ "$storm" != none ]; then
        xdotool windowfocus "$window" 2>/dev/null
        "$storm"
    fi
    wait "$player"
    ended=$(now)
    run_status=$(cat "$work/status")
    run_seconds=$(seconds "$shown" "$ended")
    for _ in $(seq 100); do [ -z "$(ours)" ] && break; sleep 0.1; done  # the stub ends on its own
}

# What every run must leave behind. $1: the run played, $2: what to call it,
# $3: "roll" when the roll's own Esc must close the window, "keys" when a real key
# must have reached it.
check() {
    local trace=$work/$1.trace what="$2 (${run_seconds} s)" closer=$3 window destroys
    # The status is the handle of the started process (a multiple of 4), seen modulo 256;
    # 124 is timeout's own.
    if [ "$run_status" != 0 ] && [ "$run_status" != 124 ] && [ $((run_status % 4)) = 0 ]; then ok "$what: handed over, exit status $run_status"
    else bad "$what: exit status $run_status"; fi
    local starts
    starts=$(tr -d '\r' <"$work/started.log" 2>/dev/null | grep '^commandline=' | tr '\n' '|')
    if [ "$starts" = "commandline=z_qzm__.exe skipintro|" ]; then ok "$what: main program started once"
    else bad "$what: main program starts: ${starts:-none}"; fi
    window=$(grep -o 'WINPROC_CallProcWtoA (hwnd=[0-9A-F]*,msg=WM_ACTIVATEAPP' "$trace" | head -1 | sed 's/.*hwnd=\([0-9A-F]*\).*/\1/')
    destroys=$(grep -c "WINPROC_CallProcWtoA (hwnd=$window,msg=WM_DESTROY" "$trace")
    if [ -n "$window" ] && [ "$destroys" = 1 ]; then ok "$what: window destroyed once"
    else bad "$what: window ${window:-never activated} destroyed $destroys times"; fi
    local hwnd
    hwnd=$(printf '0x%x' "0x${window:-0}")
    if [ "$closer" = roll ]; then
        grep -q "msg 100 (WM_KEYDOWN) hwnd $hwnd wp 1b lp 0\$" "$trace" \
            && ok "$what: closed by the roll's own Esc" || bad "$what: the roll's Esc never came"
    else
        grep -qE "msg 10[04] \(WM_(SYS)?KEYDOWN\) hwnd $hwnd wp [0-9a-f]+ lp [1-9a-f]" "$trace" \
            && ok "$what: real key events reached the window" || bad "$what: no key event reached the window"
    fi
    if [ -z "$(ours)" ]; then ok "$what: no process left"
    else bad "$what: still running: $(ours | xargs ps -o pid=,args= -p 2>/dev/null | tr '\n' ';')"; fi
}

began=$(now)
full_seconds=0
for n in $(seq "$runs"); do
    play "full-$n" none
    check "full-$n" "full run $n of $runs" roll
    full_seconds=$(awk -v a="$full_seconds" -v b="$run_seconds" 'BEGIN { print (a == 0 || b < a) ? b : a }')
done
for storm in held_esc esc_and_f12 near_the_end; do
    play "$storm" "$storm"
    check "$storm" "storm $storm" keys
done

"$WINESERVER" -k 2>/dev/null
for _ in $(seq 100); do [ -z "$(ours)" ] && break; sleep 0.1; done
if [ -z "$(ours)" ]; then ok "nothing of this prefix left after the server ended"; else bad "left: $(ours)"; fi
echo "storms: $passed passed, $failed failed, $(seconds "$began" "$(now)") s (shortest full run ${full_seconds} s)"
[ "$failed" = 0 ]
