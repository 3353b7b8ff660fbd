#!/usr/bin/env bash
# The wait for the picture: from `scripts/run.sh` to the intro's first frame on the
# screen, on a machine that is set up and built, N times (default 3), and their
# median. With no display, run.sh plays on a private Xvfb through the watching
# ddraw.dll, which holds frame 1 on the screen and says so with a file
# (frame-00001.ready): the moment that file appears is the first frame's.
#   bash bench/first_frame.sh [RUNS]
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
work=$(mktemp -d /tmp/intro-first-frame.XXXXXX)
trap 'rm -rf "$work"' EXIT
# Set up and built once, not timed; the runs then do all a user's run does.
bash scripts/setup.sh >/dev/null && SKIP_SETUP=1 bash scripts/build.sh --run >/dev/null 2>&1 ||
    { echo "first-frame: the set-up or the build failed" >&2; exit 1; }
times=()
for run in $(seq "$runs"); do
    marker=$work/run-$run/play/watch/frame-00001.ready
    began=$(date +%s.%N)
    (unset DISPLAY; INTRO_RUN_DIR=$work/run-$run INTRO_DDRAW_FPS=2000 bash scripts/run.sh >"$work/run-$run.txt" 2>&1) &
    pid=$!
    while [ ! -e "$marker" ] && kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
    seen=$(date +%s.%N)
    wait "$pid"
    [ -e "$marker" ] || { echo "first-frame: run $run showed no frame: $(tail -n 1 "$work/run-$run.txt")" >&2; continue; }
    times+=("$(awk -v a="$began" -v b="$seen" 'BEGIN { printf "%.2f", b - a }')")
    echo "run $run: ${times[-1]} s to the first frame"
done
printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 } END { if (NR) printf "median: %s s of %d runs\n", v[int((NR + 1) / 2)], NR }'
