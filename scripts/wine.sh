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
        echo "wine: creating the Wine prefix $prefix (once, about 10 s)" >&2
        mkdir -p "$prefix"
        if ! WINEPREFIX=$prefix timeout 120 wineboot -i >"$prefix/wineboot.log" 2>&1; then
            echo "wine: could not create the prefix (see $prefix/wineboot.log)" >&2
            return 1
        fi
    fi
    if [ "$desktop" = no-desktop ]; then
        wine_prefix_unset "$prefix" 'HKCU\Software\Wine\Explorer' Desktop
    else
        wine_prefix_set "$prefix" 'HKCU\Software\Wine\Explorer' Desktop Default \
            'HKCU\Software\Wine\Explorer\Desktops' Default 640x480 ||
            { echo "wine: could not give the prefix $prefix its virtual desktop" >&2; return 1; }
    fi
}

# Lets the prefix's server go. "wine reg" starts a server and Wine's desktop
# process; with no display yet (before xvfb_start) a program started while they
# linger joins that desktop and cannot make a window. The server's end also makes
# the next program read the settings afresh; a server kept up by a program left
# over from an earlier run is ended.
wine_server_gone() {  # prefix
    WINEPREFIX=$1 timeout 30 wineserver -w || WINEPREFIX=$1 timeout 20 wineserver -k
}

# Sets registry values of the prefix (KEY NAME VALUE, as often as needed), then
# lets the server go. Every setting goes through here or wine_prefix_unset.
wine_prefix_set() {  # prefix, then KEY NAME VALUE...
    local prefix=$1 status=0
    shift
    while [ $# -ge 3 ]; do
        WINEPREFIX=$prefix timeout 30 wine reg add "$1" /v "$2" /d "$3" /f >/dev/null 2>&1 || status=1
        shift 3
    done
    wine_server_gone "$prefix"
    return "$status"
}

# Takes registry values away (KEY NAME, as often as needed); one that is not
# there is no failure. A desktop still up would be joined by the change's own
# run, so it is let go first, and the server after.
wine_prefix_unset() {  # prefix, then KEY NAME...
    local prefix=$1
    shift
    wine_server_gone "$prefix"
    while [ $# -ge 2 ]; do
        WINEPREFIX=$prefix timeout 30 wine reg delete "$1" /v "$2" /f >/dev/null 2>&1 || true
        shift 2
    done
    wine_server_gone "$prefix"
}

# Wine loads the player's ddraw.dll beside intro.exe for intro.exe alone
# (native first, the builtin after), or stops doing so.
wine_player_ddraw() {  # prefix, on or off
    local key='HKCU\Software\Wine\AppDefaults\intro.exe\DllOverrides'
    if [ "$2" = on ]; then
        wine_prefix_set "$1" "$key" ddraw native,builtin
    else
        wine_prefix_unset "$1" "$key" ddraw
    fi
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
