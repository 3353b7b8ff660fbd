# The run's music (sourced by scripts/run.sh): the player's winmm.dll beside
# intro.exe, enabled for intro.exe alone in the Wine prefix, and track 5 in the
# music folder beside it: the generated one (as Ogg Vorbis), a file of the
# player's own, or none.

# "default", "none", or the full path given to --music.
RUN_MUSIC=default

# Lays the DLL and the music out in FOLDER beside intro.exe; nothing with no music.
music_prepare() {  # folder beside intro.exe
    local folder=$1
    rm -rf "$folder/music" "$folder/winmm.dll"
    [ "$RUN_MUSIC" = none ] && { echo "run: no music (--no-music)"; return 0; }
    mkdir -p "$folder/music"
    if [ "$RUN_MUSIC" = default ]; then
        cp $INTRO_HOST_BUILD/music/track05.ogg "$folder/music/track05.ogg"
        echo "run: music: track 5 as composed for the intro ($INTRO_HOST_BUILD/music/track05.ogg)"
    else
        # Any format Debian's ffmpeg reads, as the CD's own: 44100 Hz, 16-bit, stereo.
        if ! ffmpeg -loglevel error -y -i "$RUN_MUSIC" -vn -ar 44100 -ac 2 -c:a pcm_s16le \
                "$folder/music/track05.wav" </dev/null; then
            echo "run: ffmpeg could not read $RUN_MUSIC as sound" >&2
            return 1
        fi
        echo "run: music: $RUN_MUSIC as track 5"
    fi
    cp "$INTRO_WIN_BUILD/player/winmm.dll" "$folder/"
}

# Wine's pulse driver, and the player's winmm.dll (native, then builtin) for
# intro.exe alone, so that the game is never given it through the prefix: KEY
# NAME VALUE for wine_prefix_ready (scripts/wine.sh).
MUSIC_SETTINGS=('HKCU\Software\Wine\Drivers' Audio pulse
                'HKCU\Software\Wine\AppDefaults\intro.exe\DllOverrides' winmm native,builtin)
