# Wine helpers shared by the run command and the Wine tests (sourced, not run).

export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="   # no install dialogs for .NET or Gecko
export WINEDEBUG=${WINEDEBUG:--all}

# Makes the 32-bit prefix once, with a virtual desktop so the program may change
# the display mode (without one, SetDisplayMode fails on an X server like Xvfb).
wine_prefix_ready() {
    local prefix=$1
    if [ ! -f "$prefix/system.reg" ]; then
        echo "wine: creating the Wine prefix $prefix (first run only, about 10 s)"
        mkdir -p "$prefix"
        WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
    fi
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1
    # Let the server go, so the next program reads the desktop setting afresh; a
    # server kept up by a program left over from an earlier run is ended.
    WINEPREFIX=$prefix timeout 30 wineserver -w || WINEPREFIX=$prefix wineserver -k
}

# A private X server on the first free display from :90; sets DISPLAY.
xvfb_start() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "wine: Xvfb did not start on $DISPLAY" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
