# The private X server of the run command, the Wine suites and the bench (sourced,
# not run): one Xvfb of this run alone, so that nothing else shares its screen or
# its keyboard.

# Starts Xvfb on the first free display from :90, its screen 1024x768 unless
# another size is given (WxHxDEPTH), and waits until it answers; sets DISPLAY
# and XVFB_PID.
xvfb_start() {
    local n screen=${1:-1024x768x24}
    for n in $(seq 90 130); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        # A server that lost the race for this display ends at once; the next is tried.
        for _ in $(seq 100); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    done
    echo "xvfb: no free X display from :90 to :130" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
