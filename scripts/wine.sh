# Wine helpers shared by the run command and the Wine tests (sourced, not run).

export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="   # no install dialogs for .NET or Gecko
export WINEDEBUG=${WINEDEBUG:--all}

# The Windows name of a path of ours (Wine's Z: drive is the root).
winpath() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

# Makes the 32-bit prefix once, with a virtual desktop so the program may change
# the display mode (without one, SetDisplayMode fails on an X server like Xvfb),
# or with none when asked (no-desktop: for the player's ddraw.dll, which needs no
# mode). False, with the reason, when the prefix cannot be made or set.
wine_prefix_ready() {
    local prefix=$1 desktop=${2:-desktop}
    if [ ! -f "$prefix/system.reg" ]; then
        echo "wine: creating the Wine prefix $prefix (once, about 10 s)"
        mkdir -p "$prefix"
        if ! WINEPREFIX=$prefix timeout 120 wineboot -i >"$prefix/wineboot.log" 2>&1; then
            echo "wine: could not create the prefix (see $prefix/wineboot.log)" >&2
            return 1
        fi
    fi
    if [ "$desktop" = no-desktop ]; then
        # A desktop still up would be joined: let it end before the setting goes.
        WINEPREFIX=$prefix timeout 30 wineserver -w || WINEPREFIX=$prefix timeout 20 wineserver -k
        WINEPREFIX=$prefix timeout 30 wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1 || true
    elif ! WINEPREFIX=$prefix timeout 30 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 ||
       ! WINEPREFIX=$prefix timeout 30 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null 2>&1; then
        echo "wine: could not give the prefix $prefix its virtual desktop" >&2
        return 1
    fi
    # Let the server go, so the next program reads the desktop setting afresh; a
    # server kept up by a program left over from an earlier run is ended.
    WINEPREFIX=$prefix timeout 30 wineserver -w || WINEPREFIX=$prefix timeout 20 wineserver -k
}

# Wine loads the player's ddraw.dll beside intro.exe for intro.exe alone
# (native first, the builtin after), or stops doing so. The server is let go
# after, as by wine_prefix_ready: one started here, with no display, would
# leave the intro without one.
wine_player_ddraw() {  # prefix, on or off
    local key='HKCU\Software\Wine\AppDefaults\intro.exe\DllOverrides' status=0
    if [ "$2" = on ]; then
        WINEPREFIX=$1 timeout 30 wine reg add "$key" /v ddraw /d native,builtin /f >/dev/null 2>&1 || status=$?
    else
        WINEPREFIX=$1 timeout 30 wine reg delete "$key" /v ddraw /f >/dev/null 2>&1 || true
    fi
    WINEPREFIX=$1 timeout 30 wineserver -w || WINEPREFIX=$1 timeout 20 wineserver -k
    return "$status"
}

# A private X server on the first free display from :90 that starts, its screen
# 1024x768 unless another size is given (WxHxDEPTH); sets DISPLAY.
xvfb_start() {
    local n screen=${1:-1024x768x24}
    for n in $(seq 90 130); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
        XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            xdpyinfo >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    done
    echo "wine: no free X display" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
