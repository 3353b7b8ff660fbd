# The private X server of the run command, the Wine suites and the bench (sourced,
# not run): one Xvfb of this run alone, so that nothing else shares its screen or
# its keyboard.

# Starts Xvfb on a free display, its screen 1024x768 unless another size is given
# (WxHxDEPTH), and waits until it answers; sets DISPLAY and XVFB_PID. Xvfb picks
# the display itself (-displayfd) and names it once it holds it: suites that
# start side by side never share one.
xvfb_start() {
    local screen=${1:-1024x768x24} named n=""
    named=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$named" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 300); do
        n=$(head -n1 "$named")
        [ -n "$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$named"
    if [ -n "$n" ]; then
        export DISPLAY=":$n"
        for _ in $(seq 300); do
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
    fi
    kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=
    echo "xvfb: no X server could be started" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
