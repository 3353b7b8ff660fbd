#!/usr/bin/env bash
# scripts/run.sh as a user meets it, on a private Xvfb: the hand-over said in words,
# screenshots named by the frame they show and equal to intro-frames' pictures, the
# game's own folder, another build, a failure, a recording, the music's options,
# and its command line. The builds are the test command's (SKIP_BUILD=1): run.sh
# builds nothing but the intro.exe of --texts.
# The runs share one Wine prefix and run folder under /tmp.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
source scripts/wine.sh   # the build this machine runs, as run.sh will choose it
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export SKIP_SETUP=1 SKIP_BUILD=1 INTRO_WINEPREFIX=$work/wine INTRO_RUN_DIR=$work/run
# The player's ddraw.dll plays every run here, fast: its pace at 60 frames a
# second is measured by bench/sections/display.sh, not in a test.
export INTRO_DDRAW_FPS=2000
unset DISPLAY INTRO_GAME_DIR
source tests/checks.sh
run() {  # arguments: scripts/run.sh's output in $work/out.txt, its status in $work/status
    timeout 300 bash scripts/run.sh "$@" >"$work/out.txt" 2>&1
    echo $? >"$work/status"
}
status_is() { [ "$(cat "$work/status")" = "$1" ] || { cat "$work/out.txt"; false; }; }
said() { grep -qF -- "$1" "$work/out.txt" || { cat "$work/out.txt"; false; }; }
not_said() { ! grep -qF -- "$1" "$work/out.txt" || { cat "$work/out.txt"; false; }; }
lines_are() { [ "$(wc -l <"$work/out.txt")" = "$1" ] || { cat "$work/out.txt"; false; }; }
same_picture() {  # screenshot, frame[, times enlarged[, texts]]: not one pixel apart from intro-frames' frame
    local expected shown=$work/host/shown-$$.png frames=$work/host${4:+-$(basename "$4" .txt)}
    expected=$frames/$(printf 'frame-%05d' "$2").png
    [ -f "$expected" ] || $INTRO_HOST_BUILD/tools/intro-frames ${4:+--texts "$4"} --out "$frames" "$2" >/dev/null
    convert "$expected" -sample "$((${3:-1} * 100))%" "$shown"
    [ "$(compare -metric AE "$1" "$shown" null: 2>&1)" = 0 ]
}
started_in() {  # folder: the stand-in's note says it was started there with skipintro
    grep -q '^commandline=z_qzm__.exe skipintro' "$1/started.log" &&
        grep -qF "directory=$(printf 'Z:%s' "${1//\//\\}")" "$1/started.log"
}

run --help
check "--help exits 0" status_is 0
check "and lists the options" said "--record FILE"
check "the player's among them" said "--wine-ddraw"
check "and the fill modes" said "--scaling MODE"
run --fps sixty
check "a pace that is no number exits 2" status_is 2
run --scaling fit
check "a fill mode it does not have exits 2" status_is 2
check "and names the ones there are" said "--scaling needs integer, aspect or stretch"
run --filter smooth
check "so does a filter it does not have" status_is 2
run --frobnicate
check "an unknown option exits 2" status_is 2
check "with the reason and one usage line" lines_are 2

run
check "a run ends well" status_is 0
check "and says the main program was started" said "run: the main program was started: z_qzm__.exe skipintro"
check "it said which intro.exe it played, and why" said "run: $(wine_build_in_words)"
check "the stand-in was started in its folder" started_in "$work/run/game"
check "never a raw exit status" not_said "low byte"
for frame in 1 750 1501 2501 5000; do
    shot=$work/run/$(printf 'frame-%05d' "$frame").png
    check "the screenshot of frame $frame is named by it" said "run: screenshot $shot"
    check "and shows frame $frame pixel for pixel, enlarged 3 times by the player" same_picture "$shot" "$frame" 3
done
check "it said it played through the player" said "through the player's ddraw.dll at 2000 frames a second, on the whole screen"
check "the player's ddraw.dll lies under the watch" cmp "$work/run/play/player/ddraw.dll" "$INTRO_WIN_BUILD/player/ddraw.dll"

# The music: by default the composed track 5 (as Ogg Vorbis) and the player's
# winmm.dll lie beside the intro; --music takes a file of any format; --volume
# reaches the DLL; --no-music neither.
check "by default it plays with music" said "run: music: track 5 as composed for the intro"
check "the player's winmm.dll lies beside the intro" cmp "$work/run/play/winmm.dll" "$INTRO_WIN_BUILD/player/winmm.dll"
check "and track 5 in its music folder, as Ogg" cmp "$work/run/play/music/track05.ogg" $INTRO_HOST_BUILD/music/track05.ogg
sox $INTRO_HOST_BUILD/music/track05.wav -r 22050 -c 1 "$work/own.flac" trim 0 5
# In the game's own folder: one without z_qzm__ is refused before Wine starts.
mkdir -p "$work/game"
echo "the game's data" >"$work/game/velthorn.dat"
INTRO_GAME_DIR=$work/game run
check "a game folder without z_qzm__ is refused" status_is 1
check "in words" said "holds no z_qzm__.com, z_qzm__.exe or z_qzm__.bat"
check "not with a raw cp error" not_said "cp:"
cp "$INTRO_WIN_BUILD/tests/wine/record-start.exe" "$work/game/z_qzm__.exe"
INTRO_GAME_DIR=$work/game INTRO_WINMM_LOG=$(winpath "$work/winmm.log") run --music "$work/own.flac" --volume 40
check "a run in the game's folder with the player's own track ends well" status_is 0
check "the main program starts inside the game's folder, beside its data" started_in "$work/game"
check "and says so" said "run: music: $work/own.flac as track 5"
check "the DLL played it at the volume given" grep -q "serving cdaudio: 5 tracks on the disc, at volume 40" \
    "$work/winmm.log"
run --volume 101
check "a volume above 100 is refused" status_is 2
sound_format() { local o; for o in r b c D; do soxi -$o "$1"; done | paste -sd ' '; }
check "the track is laid out as a CD's: 44100 Hz, 16-bit, stereo, its 5 s" \
    test "$(sound_format "$work/run/play/music/track05.wav")" = "44100 16 2 5.000000"
run --music "$work/none.ogg"
check "a --music file that is not there is refused" status_is 2

# A prefix Wine cannot use: one a failed start left half made, or one of the
# other width, is made again; one that holds files of its own is named instead.
if [ "$INTRO_WIN_BITS" = 32 ]; then other=win64; else other=win32; fi
sed -i "s/^#arch=.*/#arch=$other/" "$work/wine/system.reg"
echo "notes of the user's own" >"$work/wine/notes.txt"
run --no-music
check "a prefix of the other width with files of its own is refused" status_is 1
check "in one line that says what to do" lines_are 2
check "naming the prefix and its width" said "the prefix $work/wine was made for $other, not $WINEARCH and holds files of its own: remove it, or name another with INTRO_WINEPREFIX"
rm "$work/wine/notes.txt"

# Wine's own DirectDraw, in its virtual desktop: the 320x240 screen itself.
run --wine-ddraw --no-music
check "a run on Wine's own DirectDraw ends well" status_is 0
check "and says so" said "through Wine's own DirectDraw in its virtual desktop"
check "in a prefix of the other width without files of its own, made again" \
    said "the prefix $work/wine was made for $other, not $WINEARCH: making it again"
check "as a prefix of this width" grep -qx "#arch=$WINEARCH" "$work/wine/system.reg"
check "with no player's ddraw.dll beside the intro" test ! -e "$work/run/play/player/ddraw.dll"
shot=$work/run/frame-01501.png
check "its screenshot of frame 1501 is the 320x240 screen pixel for pixel" same_picture "$shot" 1501

# Another fill mode: the 4:3 screen of Xvfb filled, each screenshot the whole of it;
# silent, in a prefix a failed start left half made.
rm -rf "$work/wine"
mkdir -p "$work/wine/drive_c/windows"
echo "wine: could not load kernel32.dll" >"$work/wine/wineboot.log"
run --scaling aspect --filter sharp --no-music
check "a run with the aspect fill and the sharp filter ends well" status_is 0
check "and says so" said "on the whole screen (scaling aspect, filter sharp)"
check "a silent run has neither the DLL nor the music beside the intro" \
    test ! -e "$work/run/play/winmm.dll" -a ! -e "$work/run/play/music"
check "a prefix a failed start left half made is made again" \
    said "the prefix $work/wine was half made (a start of Wine that failed): making it again"
check "its screenshot of frame 1501 is the whole 1024x768 screen" \
    test "$(identify -format %wx%h "$work/run/frame-01501.png" 2>/dev/null)" = 1024x768
close_to_frame() {  # screenshot, frame: reduced to 320x240, within 6 of 255 in mean of intro-frames' frame
    local expected=$work/host/$(printf 'frame-%05d' "$2").png
    [ -f "$expected" ] || $INTRO_HOST_BUILD/tools/intro-frames --out "$work/host" "$2" >/dev/null
    convert "$1" -resize '320x240!' "$work/host/reduced.png"
    local error  # compare answers 1 for pictures that differ at all, as these do
    error=$(compare -metric MAE "$expected" "$work/host/reduced.png" null: 2>&1 | tr -d '()')
    echo "$error" | awk '{ print; exit !($2 < 6 / 255) }'
}
check "and shows frame 1501, smoothed but close (mean error under 6 of 255 reduced to 320x240)" \
    close_to_frame "$work/run/frame-01501.png" 1501

# The intro in another language: an intro.exe lettered from a text file, built and played.
run --texts resources/texts/de.txt --no-music
check "a run with the German words ends well" status_is 0
check "and says which intro.exe it built for them" \
    said "with the words of $root/resources/texts/de.txt it plays $root/build/texts-win$INTRO_WIN_BITS/intro.exe"
for frame in 750 5000; do
    check "its frame $frame is intro-frames --texts' frame, enlarged 3 times by the player" \
        same_picture "$work/run/$(printf 'frame-%05d' "$frame").png" "$frame" 3 resources/texts/de.txt
done

echo "no program" >"$work/broken.exe"
run --exe "$work/broken.exe"
check "another build that is no program fails" status_is 1
check "and says it is no program of the width that plays here" said "is not a $INTRO_WIN_BITS-bit Windows program (ASCII text)"
if [ "$INTRO_WIN_BITS" = 32 ]; then other=build/win64; else other=build/win32; fi
run --exe "$other/intro.exe"
check "the build of the other width is refused" status_is 1
check "in one line, with the reason" said "is not a $INTRO_WIN_BITS-bit Windows program (PE32"
check "before Wine is started" not_said "no display here: playing the intro"

run --exe "$work/none.exe"
check "a build that is not there is named" said "there is no intro at $work/none.exe"

run --record "$work/videos/run.mp4"
check "a recorded run ends well" status_is 0
check "the recording is an H.264 video of the screen, three times enlarged" \
    bash -c "ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height -of csv=p=0 \
             '$work/videos/run.mp4' | grep -qx 'h264,960,720'"
check "that lasts a while" bash -c "ffprobe -v error -show_entries format=duration -of csv=p=0 \
             '$work/videos/run.mp4' | awk '{ exit !(\$1 > 1) }'"
check "and leaves no part file" bash -c "! ls '$work/videos' | grep -q part"
check "with its sound: an AAC stream beside the picture" bash -c "ffprobe -v error -select_streams a:0 \
    -show_entries stream=codec_name -of csv=p=0 '$work/videos/run.mp4' | grep -qx aac"

# Without a sound server (a pulseaudio that cannot start) the video is made without sound.
mkdir -p "$work/no-pulse"
printf '#!/bin/sh\nexit 1\n' >"$work/no-pulse/pulseaudio"
chmod +x "$work/no-pulse/pulseaudio"
PATH=$work/no-pulse:$PATH run --record "$work/videos/silent.mp4"
check "with no sound server a recorded run still ends well" status_is 0
check "saying so in one line" said "run: no sound server could be started"
check "and its video has no sound" bash -c "ffprobe -v error -show_entries stream=codec_type -of csv=p=0 \
    '$work/videos/silent.mp4' | grep -qx video"

# Started with sudo, it goes on as the user after the installing step: a stand-in
# sudo notes how it was asked (only root can be in that place).
if [ "$(id -u)" = 0 ]; then
    mkdir -p "$work/bin"
    printf '#!/bin/sh\necho "$*" >"%s"\n' "$work/sudo.txt" >"$work/bin/sudo"
    chmod +x "$work/bin/sudo"
    PATH=$work/bin:$PATH SUDO_USER=nobody run --exe "$work/none.exe"
    check "started with sudo, it goes on as the user who started it" grep -q -- "-u nobody" "$work/sudo.txt"
    check "without installing again, with the same arguments" \
        grep -q -- "env SKIP_SETUP=1 HOME=.* bash scripts/run.sh --exe $work/none.exe" "$work/sudo.txt"
fi
checks_done
