# Sourced by the run and test commands. Installing is the one step that needs root;
# a command started with sudo goes on after it as the user who started it, so that
# it reaches that user's X server and sound server and leaves files that user owns.
continue_as_user() {  # the script, then its arguments
    if [ "$(id -u)" = 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
        echo "$(basename "$1" .sh): set up; going on as $SUDO_USER"
        exec sudo -u "$SUDO_USER" \
            --preserve-env=DISPLAY,XAUTHORITY,PULSE_SERVER,INTRO_GAME_DIR,INTRO_WINEPREFIX,INTRO_RUN_DIR,INTRO_WIN64 \
            env SKIP_SETUP=1 HOME="$(getent passwd "$SUDO_USER" | cut -d: -f6)" bash "$@"
    fi
}
