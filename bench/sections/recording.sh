#!/usr/bin/env bash
# scripts/run.sh --record at the pace of a display (120 frames a second, so that a
# frame of the video shows one of the intro's): how far apart the logo's first
# frame (1501) and track 5's first sound lie in the video (bench/sync.py). A
# real-time figure on a shared machine, so it is measured here, not judged by the
# test command. Prints its Markdown section on stdout.
#   out   the bench's raw-figure folder (default out/bench)
#   reps  recorded runs (default 7; at most 3 here, each lasts 85 s)
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
out=${out:-$root/out/bench}
reps=${reps:-7}
runs=$((reps < 3 ? reps : 3))
work=$out/recording
rm -rf "$work"
mkdir -p "$work"
export SKIP_SETUP=1 SKIP_BUILD=1 INTRO_RUN_DIR=$work/run INTRO_DDRAW_FPS=120
unset DISPLAY
say() { echo "recording bench: $*" >&2; }

build/host/tools/intro-frames --out "$work/host" 1500 1501 >/dev/null
sync=()
for run in $(seq "$runs"); do
    say "recorded run $run of $runs at 120 frames a second"
    if bash scripts/run.sh --record "$work/run-$run.mp4" >"$work/run-$run.txt" 2>&1; then
        value=$(/usr/bin/python3 bench/sync.py "$work/run-$run.mp4" "$work/host/frame-01500.png" \
            "$work/host/frame-01501.png" build/host/music/track05.wav 2>&1 | sed -n 's/^measure sync_ms //p')
        [ -n "$value" ] && sync+=("$value")
    else
        say "run $run failed: $(tail -n 1 "$work/run-$run.txt")"
    fi
done
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

cat <<REPORT
## A recording's picture and sound

\`scripts/run.sh --record\` at 120 frames a second: the moment track 5's first sound lies
in the video's sound less the moment the logo's first frame (1501) appears in its
picture (\`bench/sync.py\`; a video frame at 60 fps is 16.7 ms). The target is 50 ms
either way. ${#sync[@]} of $runs runs measured.

| | median | runs |
| --- | --- | --- |
| sound less picture (ms) | $(median "${sync[@]:-}") | ${sync[*]:-none} |
REPORT
