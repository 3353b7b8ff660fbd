# Wine helpers shared by the run command, the setup, the Wine tests and the bench
# (sourced, not run). Sourcing it decides which Windows build this machine runs
# (wine_choose_build, below): nothing else asks.

# ---- Which build runs here -------------------------------------------------------

# True when this machine runs 32-bit x86 code. A kernel built or booted without
# 32-bit emulation refuses any 32-bit program, and then wine32 cannot start; so
# the probe runs the smallest such program there is: an ELF for the i386 that
# exits 42 through the 32-bit system call. A folder whose files may not be run
# (a /tmp mounted noexec) tells nothing, and the next one is tried.
machine_runs_32bit_code() {
    i386_probe
    [ "$I386_PROBE_VERDICT" = yes ]
}

# The probe itself: I386_PROBE_VERDICT is yes, no, or unknown when no folder could
# hold and run it; I386_PROBE_TRIED names the folders tried, for the reason given.
i386_probe() {
    local folder
    I386_PROBE_TRIED=""
    for folder in "${TMPDIR:-/tmp}" "$HOME/.cache/velthorn-intro"; do
        I386_PROBE_VERDICT=$(i386_program_runs_in "$folder")
        I386_PROBE_TRIED+="${I386_PROBE_TRIED:+ nor in }$folder"
        [ "$I386_PROBE_VERDICT" = unknown ] || break
    done
}

i386_program_runs_in() {  # folder: says yes, no (the kernel refused its format) or unknown
    local probe status=0 said
    mkdir -p "$1" 2>/dev/null
    probe=$(mktemp "$1/intro-i386-probe.XXXXXX" 2>/dev/null) || { echo unknown; return; }
    {
        # ELF header: 32-bit, little-endian, version 1; an executable for the i386
        # entered at 0x08048054, right after the one program header at offset 52.
        printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
        printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
        printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
        # Program header: the whole 96-byte file loaded at 0x08048000, readable and executable.
        printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
        printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
        # mov eax, 1 (exit); mov ebx, 42; int 0x80
        printf '\270\001\000\000\000\273\052\000\000\000\315\200'
    } >"$probe"
    chmod +x "$probe"
    said=$("$probe" 2>&1) || status=$?
    rm -f "$probe"
    if [ "$status" = 42 ]; then
        echo yes
    elif [[ $said == *"Exec format error"* ]]; then
        echo no
    else
        echo unknown
    fi
}

# Sets, once per process tree (the choice is exported, so a script started by
# another sources this file and takes the same choice without probing again):
#   INTRO_WIN_BITS   32 or 64: the width of the Windows build that runs here
#   INTRO_WIN_BUILD  build/win32 or build/win64, relative to the source folder
#   INTRO_WIN_WHY    the reason, in words
#   WINE, WINESERVER the commands that start Wine and its server at that width,
#                    and WINEARCH, the width of the prefixes made for it
# INTRO_WIN64=1 takes the 64-bit path on a machine that could run both.
wine_choose_build() {
    if [ -z "${INTRO_WIN_BITS:-}" ]; then
        if [ "${INTRO_WIN64:-}" = 1 ]; then
            INTRO_WIN_BITS=64 INTRO_WIN_WHY="INTRO_WIN64=1 asks for the 64-bit path"
        elif machine_runs_32bit_code; then
            INTRO_WIN_BITS=32 INTRO_WIN_WHY="this machine runs 32-bit code"
        elif [ "$I386_PROBE_VERDICT" = no ]; then
            INTRO_WIN_BITS=64 INTRO_WIN_WHY="this machine runs no 32-bit code"
        else
            # Not knowing is no reason to risk the 32-bit build: the 64-bit one runs on both.
            INTRO_WIN_BITS=64
            INTRO_WIN_WHY="whether this machine runs 32-bit code is not known (the i386 probe could be written and run neither in $I386_PROBE_TRIED), and the 64-bit build runs either way"
        fi
    fi
    export INTRO_WIN_BITS INTRO_WIN_WHY
    if [ "$INTRO_WIN_BITS" = 32 ]; then
        INTRO_WIN_BUILD=build/win32 WINE=wine WINESERVER=wineserver
        export WINEARCH=win32
    else
        # Debian's "wine" picks wine32 whenever it is installed: the 64-bit loader
        # and server are named, for our commands and for the processes Wine starts.
        INTRO_WIN_BUILD=build/win64 WINE=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver64
        export WINEARCH=win64 WINELOADER=$WINE WINESERVER
    fi
}

# The project's own prefix NAME in the user's cache, one for each width, so that
# a run of the other path (INTRO_WIN64=1) does not make it again each time.
wine_home_prefix() {  # name
    if [ "$INTRO_WIN_BITS" = 32 ]; then
        echo "$HOME/.cache/velthorn-intro/$1"
    else
        echo "$HOME/.cache/velthorn-intro/$1-win64"
    fi
}

# One line for a person: which intro.exe plays, and why.
wine_build_in_words() {
    if [ "$INTRO_WIN_BITS" = 32 ]; then
        echo "$INTRO_WIN_WHY: playing the 32-bit program (build/win32)"
    else
        echo "$INTRO_WIN_WHY: playing the 64-bit build of the same program (build/win64)"
    fi
}

wine_choose_build

# The host build whose tools and music the Wine runs use: build/host, or the test
# command's build/host-asan, where it builds no other (scripts/test.sh).
export INTRO_HOST_BUILD=${INTRO_HOST_BUILD:-build/host}

export WINEDLLOVERRIDES="mscoree,mshtml="   # no install dialogs for .NET or Gecko
export WINEDEBUG=${WINEDEBUG:--all}

# The Windows name of a path of ours (Wine's Z: drive is the root).
winpath() { local path=$1; printf 'Z:%s' "${path//\//\\}"; }

# The width a prefix was made for ("win32" or "win64"), from its registry;
# empty when it has none.
wine_prefix_arch() {  # prefix; nothing, and no failure, for a prefix not made yet
    [ -f "$1/system.reg" ] || return 0
    sed -nE 's/^#arch=(win32|win64)$/\1/p' "$1/system.reg" 2>/dev/null | head -n1
}

# Only what wineboot makes: a folder that holds nothing else may be removed and
# made again without losing anything of anyone's.
wine_prefix_is_only_wine() {  # prefix
    [ -z "$(find "$1" -mindepth 1 -maxdepth 1 ! -name drive_c ! -name dosdevices ! -name '*.reg' \
        ! -name .update-timestamp ! -name wineserver ! -name wineboot.log ! -name .intro-prefix 2>/dev/null)" ]
}

# Makes the prefix once, for the width of the build that runs here (WINEARCH),
# with a virtual desktop so the program may change the display mode (without
# one, SetDisplayMode fails on an X server like Xvfb), or with none when asked
# (no-desktop: for the player's ddraw.dll, which needs no mode); further
# registry values (KEY NAME VALUE, or KEY NAME - for none) are set with the
# desktop's, in the same one start of Wine, and only where they differ. A prefix
# left half made by a failed start, or made for the other width, is made again
# when it holds nothing but Wine's own files; otherwise it is named with what to
# do. A new prefix is a copy of INTRO_WINE_TEMPLATE when the test command made
# one of this width (wine_prefix_template), else made by wineboot.
# False, with the reason in one line, when the prefix cannot be made or set.
wine_prefix_ready() {  # prefix[, desktop|no-desktop[, KEY NAME VALUE...]]
    local prefix=$1 desktop=${2:-desktop} arch
    shift $(($# < 2 ? $# : 2))
    arch=$(wine_prefix_arch "$prefix")
    [ -d "$prefix" ] && [ -z "$(ls -A "$prefix")" ] && rmdir "$prefix"   # made for it, still empty
    if [ -d "$prefix" ] && { [ ! -f "$prefix/.intro-prefix" ] || [ "$arch" != "$WINEARCH" ]; }; then
        local what="half made (a start of Wine that failed)"
        [ -z "$arch" ] || [ "$arch" = "$WINEARCH" ] || what="made for $arch, not $WINEARCH"
        if [ "$arch" = "$WINEARCH" ] && [ -f "$prefix/user.reg" ] && [ -d "$prefix/drive_c" ]; then
            : # a whole prefix of the right width, made before the mark existed
        elif wine_prefix_is_only_wine "$prefix"; then
            echo "wine: the prefix $prefix was $what: making it again" >&2
            rm -rf "$prefix"
        else
            echo "wine: the prefix $prefix was $what and holds files of its own: remove it, or name another with INTRO_WINEPREFIX" >&2
            return 1
        fi
    fi
    if [ ! -f "$prefix/system.reg" ]; then
        wine_prefix_make "$prefix" || return 1
    fi
    echo "$WINEARCH" >"$prefix/.intro-prefix"
    if [ "$desktop" = no-desktop ]; then
        wine_prefix_want "$prefix" 'HKCU\Software\Wine\Explorer' Desktop - "$@"
    else
        wine_prefix_want "$prefix" 'HKCU\Software\Wine\Explorer' Desktop Default \
            'HKCU\Software\Wine\Explorer\Desktops' Default 640x480 "$@"
    fi
}

wine_prefix_make() {  # prefix
    local prefix=$1
    if [ -n "${INTRO_WINE_TEMPLATE:-}" ] && [ "$(wine_prefix_arch "$INTRO_WINE_TEMPLATE")" = "$WINEARCH" ]; then
        mkdir -p "$(dirname "$prefix")"
        cp -a "$INTRO_WINE_TEMPLATE" "$prefix" && return 0
    fi
    echo "wine: creating the $WINEARCH Wine prefix $prefix (once, about 10 s)" >&2
    mkdir -p "$prefix"
    # The registry reaches its files when the server ends, so the width is read after it.
    if ! WINEPREFIX=$prefix timeout 120 "$WINE" wineboot -i >"$prefix/wineboot.log" 2>&1 ||
            ! wine_server_gone "$prefix" || [ "$(wine_prefix_arch "$prefix")" != "$WINEARCH" ]; then
        echo "wine: could not create the prefix: $(wine_log_reason "$prefix/wineboot.log") (see $prefix/wineboot.log)" >&2
        return 1
    fi
}

# The test command makes one prefix of the width that runs here, before its
# suites; each suite's prefix is then a copy of it (a second instead of ten),
# through INTRO_WINE_TEMPLATE, which it exports.
wine_prefix_template() {  # folder
    wine_prefix_ready "$1" || return 1
    export INTRO_WINE_TEMPLATE=$1
}

# The first line of a Wine log that says what went wrong, or a plain word.
wine_log_reason() {  # log file
    local line
    line=$(grep -m1 -iE 'error|cannot|could not|not found|failed' "$1" 2>/dev/null | tr -d '\r' | cut -c1-200)
    echo "${line:-Wine gave no reason}"
}

# Lets the prefix's server go. "wine regedit" starts a server and Wine's desktop
# process; with no display yet (before xvfb_start) a program started while they
# linger joins that desktop and cannot make a window. The server's end also makes
# the next program read the settings afresh, and writes the registry's files; a
# server kept up by a program left over from an earlier run is ended.
wine_server_gone() {  # prefix
    WINEPREFIX=$1 timeout 30 "$WINESERVER" -w || WINEPREFIX=$1 timeout 20 "$WINESERVER" -k
}

# A value of the user's registry as the prefix's file holds it ("-" when it has
# none), read without starting Wine: only HKCU keys, of plain string values.
wine_prefix_value() {  # prefix, KEY, NAME
    local key=${2#HKCU\\}
    # Through the environment: awk -v would take the file's doubled backslashes for escapes.
    SECTION="[${key//\\/\\\\}]" NAME="\"$3\"=" awk '
        BEGIN { section = ENVIRON["SECTION"]; name = ENVIRON["NAME"] }
        /^\[/ { inside = tolower(substr($0, 1, length(section) + 1)) == tolower(section " "); next }
        inside && tolower(substr($0, 1, length(name))) == tolower(name) {
            value = substr($0, length(name) + 1); gsub(/^"|"$/, "", value); found = 1; print value; exit }
        END { if (!found) print "-" }' "$1/user.reg" 2>/dev/null
}

# Gives registry values of the user (KEY NAME VALUE, as often as needed; VALUE
# "-" takes the value away): those that differ from what the prefix holds are
# written by one regedit, and then the server is let go; nothing starts Wine when
# all are as wanted. A value that could not be set is named.
wine_prefix_want() {  # prefix, then KEY NAME VALUE...
    local prefix=$1 changes="" i
    local -a wanted=("${@:2}") differ=()
    for ((i = 0; i + 2 < ${#wanted[@]}; i += 3)); do
        [ "$(wine_prefix_value "$prefix" "${wanted[i]}" "${wanted[i + 1]}")" != "${wanted[i + 2]}" ] || continue
        differ+=("${wanted[@]:i:3}")
        changes+=$'\n'"[HKEY_CURRENT_USER\\${wanted[i]#HKCU\\}]"$'\n'"\"${wanted[i + 1]}\"="
        if [ "${wanted[i + 2]}" = - ]; then changes+=-; else changes+="\"${wanted[i + 2]}\""; fi
        changes+=$'\n'
    done
    [ -n "$changes" ] || return 0
    local file status=0
    file=$(mktemp "${TMPDIR:-/tmp}/intro-reg.XXXXXX")
    printf 'REGEDIT4\n%s' "$changes" >"$file"
    # A desktop still up would be joined by regedit, so the server goes first.
    wine_server_gone "$prefix"
    WINEPREFIX=$prefix timeout 30 "$WINE" regedit /S "$(winpath "$file")" >/dev/null 2>&1
    # The server writes the registry's files as it is ended: no need to wait the
    # seconds it would linger.
    WINEPREFIX=$prefix timeout 20 "$WINESERVER" -k 2>/dev/null
    wine_server_gone "$prefix"
    rm -f "$file"
    for ((i = 0; i < ${#differ[@]}; i += 3)); do
        [ "$(wine_prefix_value "$prefix" "${differ[i]}" "${differ[i + 1]}")" = "${differ[i + 2]}" ] ||
            { status=1; echo "wine: could not set ${differ[i]}\\${differ[i + 1]} in the prefix $prefix" >&2; }
    done
    return "$status"
}

# Wine loads the player's ddraw.dll beside intro.exe for intro.exe alone
# (native first, the builtin after), or not: KEY NAME VALUE for wine_prefix_ready.
WINE_PLAYER_DDRAW_ON=('HKCU\Software\Wine\AppDefaults\intro.exe\DllOverrides' ddraw native,builtin)
WINE_PLAYER_DDRAW_OFF=('HKCU\Software\Wine\AppDefaults\intro.exe\DllOverrides' ddraw -)
