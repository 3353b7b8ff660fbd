#!/usr/bin/env bash
# Measures the intro and writes docs/performance.md and docs/performance.png:
# RenderFrame on the host per phase and for the whole sequence, heap allocations
# per frame, intro-frames --all, and under Wine the whole sequence and the
# start-up against the minimal DirectDraw program bench/baseline, both in the
# same prefix, in this one run. Takes a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/out/bench
mkdir -p "$out"

bash scripts/setup.sh
SKIP_SETUP=1 bash scripts/build.sh >/dev/null
source scripts/wine.sh
source scripts/xvfb.sh

# Further sections of the report, each a script bench/sections/NAME.sh that measures
# what it needs and prints its own Markdown section (## heading first) on stdout.
# They run after the figures above, in this order, with $out and $reps exported.
SECTIONS=(
    video    # intro-frames --video at its defaults, against the intro's own length
    display  # the player's ddraw.dll: the pace of its flips, the intro's CPU, one presentation
    music    # the player's winmm.dll: its calls, its thread, the sound's start and stop
    recording  # scripts/run.sh --record: the logo's first frame against track 5's first sound
)

reps=${BENCH_REPETITIONS:-7}   # Wine runs on a shared machine vary by a tenth; a median of 7 holds
frames=10211   # the intro's frames, first to the closing key

echo "bench: host benchmarks ($reps repetitions)"
# One file per counter set: the CSV writer wants every row to have the header's counters.
: >"$out/host.csv"
: >"$out/host.txt"
for part in RenderFrame WholeSequence IntroFramesAll; do
    build/host/bench/render-bench --benchmark_filter="$part" --benchmark_repetitions="$reps" \
        --benchmark_report_aggregates_only=true --benchmark_out="$out/part.csv" \
        --benchmark_out_format=csv >>"$out/host.txt" 2>&1
    sed -n '/^name,/,$p' "$out/part.csv" >>"$out/host.csv"
done

# The median CPU time (ns) of a benchmark, or one of its counters; with one
# repetition there is no median row and the run's own row is the figure.
host_value() {  # name, column (cpu_time or a counter)
    local wanted="$1_median"
    [ "$reps" -gt 1 ] || wanted=$1
    awk -F, -v name="\"$wanted\"" -v column="$2" '
        /^name,/ { delete index_of; for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); index_of[$i] = i }; next }
        index_of["name"] && $1 == name { print $(index_of[column]); exit }' "$out/host.csv"
}

echo "bench: Wine: the intro and the baseline, $reps runs each"
build/host/bench/record-calls "$out/calls.bin" >/dev/null
export WINEPREFIX=${INTRO_WINEPREFIX:-$(wine_home_prefix wine)}
wine_prefix_ready "$WINEPREFIX"
xvfb_start
trap 'xvfb_stop' EXIT
"$WINESERVER" -p 10   # one server for every run, so no run pays for starting it
calls=$(winpath "$out/calls.bin") sheet=$(winpath "$root/resources/all.bmp")
inner=$(winpath "$out/baseline.log")

calc() { awk "BEGIN { printf \"%.9g\", $1 }"; }
seconds_now() { date +%s.%N; }
timed() {  # label, then a command run in $INTRO_WIN_BUILD: notes its wall time in seconds
    local label=$1 start end status=0
    shift
    start=$(seconds_now)
    (cd "$INTRO_WIN_BUILD" && "$@" >/dev/null 2>&1) || status=$?
    end=$(seconds_now)
    echo "$label $(calc "$end - $start") $status" >>"$out/wine-runs.txt"
}
: >"$out/wine-runs.txt"
for run in $(seq "$reps"); do
    timed intro "$WINE" intro.exe
    timed baseline "$WINE" baseline.exe "$calls" "$sheet" "$frames" "$inner"
    timed empty "$WINE" baseline.exe "$calls" "$sheet" 0
done
# A baseline that could not play ends with a status of its own; such a run is no measurement.
if awk '$1 != "intro" && $3 != 0 { bad = 1 } END { exit !bad }' "$out/wine-runs.txt"; then
    echo "bench: the baseline failed under Wine (statuses in $out/wine-runs.txt)" >&2
    exit 1
fi
median() { awk -v kind="$1" '$1 == kind { print $2 }' "$out/wine-runs.txt" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { awk -v kind="$1" '$1 == kind { print $2 }' "$out/wine-runs.txt" | sort -n | awk 'NR == 1 { low = $1 } { high = $1 } END { printf "%.2f-%.2f", low, high }'; }

# Start-up and shutdown, from Wine's own time-stamped traces of one more run of
# each: the first module loaded, the first and last Flip, the last line.
traced() {  # file, then the program and its arguments
    local file=$1; shift
    (cd "$INTRO_WIN_BUILD" && WINEDEBUG=+timestamp,+loaddll,+ddraw "$WINE" "$@" >/dev/null 2>"$file") || true
}
traced "$out/intro.trace" intro.exe
traced "$out/baseline.trace" baseline.exe "$calls" "$sheet" "$frames"
trace_times() {  # file: start first_flip last_flip end, in seconds
    awk -F: '/^[0-9]+\.[0-9]+:/ { t = $1 + 0; if (!start) start = t; end = t }
             /ddraw_surface1_Flip/ { if (!first) first = t; last = t }
             END { printf "%.3f %.3f %.3f %.3f\n", start, first, last, end }' "$1"
}
# The intro gives no status of its own when it cannot take the display, so its
# traced run shows that it played every frame.
flips=$(grep -c ddraw_surface1_Flip "$out/intro.trace" || true)
if [ "$flips" != "$frames" ]; then
    echo "bench: the intro flipped $flips frames under Wine, not $frames (trace in $out/intro.trace)" >&2
    exit 1
fi
read -r i_start i_first i_last i_end < <(trace_times "$out/intro.trace")
read -r b_start b_first b_last b_end < <(trace_times "$out/baseline.trace")
xvfb_stop   # Wine's desktop ends with its X server, and then the wineserver
timeout 30 "$WINESERVER" -w || "$WINESERVER" -k

intro_wall=$(median intro) base_wall=$(median baseline) empty_wall=$(median empty)
i_startup=$(calc "$i_first - $i_start") b_startup=$(calc "$b_first - $b_start")
i_shutdown=$(calc "$i_end - $i_last") b_shutdown=$(calc "$b_end - $b_last")
# The intro's fixed cost is the baseline's (a run of no frames) plus the
# differences the traces show in start-up and shutdown.
intro_fixed=$(calc "$empty_wall + ($i_startup - $b_startup) + ($i_shutdown - $b_shutdown)")
intro_frame_us=$(calc "($intro_wall - $intro_fixed) / $frames * 1000000")
base_frame_us=$(calc "($base_wall - $empty_wall) / $frames * 1000000")
base_inner_us=$(awk '/first_to_last_flip_s/ { printf "%.1f", $2 / ('"$frames"' - 1) * 1000000 }' "$out/baseline.log")
ratio=$(calc "$intro_frame_us / $base_frame_us")

f1() { printf "%.1f" "$1"; }
f2() { printf "%.2f" "$1"; }
us() { printf "%.2f" "$(calc "$1 / 1000")"; }
verdict() { if [ "$(calc "$1")" = 1 ]; then echo met; else echo "not met"; fi; }

# ---- The plot: host phases, then the Wine frame costs.
phases="opening caption logo roll"
: >"$out/host-plot.dat"
for p in $phases; do
    echo "$p $(us "$(host_value "RenderFrame/$p" cpu_time)")" >>"$out/host-plot.dat"
done
printf 'intro %s\nbaseline %s\n' "$(f1 "$intro_frame_us")" "$(f1 "$base_frame_us")" >"$out/wine-plot.dat"
gnuplot <<GNUPLOT
set terminal pngcairo size 960,400 font "DejaVu Sans,10"
set output "$root/docs/performance.png"
set multiplot layout 1,2
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.8 border -1
set boxwidth 0.9
set grid ytics
set yrange [0:*]
set key below
set title "Host: one frame, by phase (CPU time)"
set ylabel "microseconds per frame"
plot "$out/host-plot.dat" using 2:xtic(1) title "RenderFrame on the stand-in" lc rgb "#3b6ea8"
set title "Wine 8: one frame of the whole sequence"
plot "$out/wine-plot.dat" using 2:xtic(1) notitle lc rgb "#c2703d"
unset multiplot
GNUPLOT

# ---- The report.
row() {  # phase
    echo "| $1 | $(us "$(host_value "RenderFrame/$1" cpu_time)") | $(host_value "RenderFrame/$1" allocs/frame) |"
}
allocs=$(for p in $phases; do host_value "RenderFrame/$p" allocs/frame; done | sort -n | tail -1)
whole_allocs=$(host_value WholeSequence allocs) whole_frames=$(host_value WholeSequence allocating_frames)
whole_first=$(host_value WholeSequence first_allocating_frame)
frames_all=$(awk -F, '/^"IntroFramesAll/ { print $3; exit }' "$out/host.csv")
cpu_model=$(lscpu | awk -F: '/Model name/ { gsub(/^ +/, "", $2); print $2; exit }')
memory=$(free -h | awk '/^Mem:/ { print $2 }')
cat >"$root/docs/performance.md" <<REPORT
# Performance

Measured on $(date -u +%Y-%m-%d) on a machine with $(nproc) cores ($cpu_model) and $memory of
memory, by \`bash bench/run.sh\`, which reproduces every figure here and the plot. Host
figures are medians of $reps repetitions of Google Benchmark, in CPU time (the machine
is shared, so wall times vary more); Wine figures are medians of $reps runs of each program.

Every Wine figure is of the $INTRO_WIN_BITS-bit programs in \`$INTRO_WIN_BUILD\`, the build this machine
runs ($INTRO_WIN_WHY; \`scripts/wine.sh\` decides), under Wine $(timeout 20 "$WINE" --version 2>/dev/null || echo '(version unknown)').

![Per-frame costs](performance.png)

## Targets

| Target | Measured | |
|---|---|---|
| no heap allocation per frame | $allocs per frame in every phase | $(verdict "$allocs == 0") |
| the intro's frame under Wine within 10% of the baseline's | $(f2 "$ratio")x | $(verdict "$ratio <= 1.10") |

## The intro on the host stand-in

What a user of the host build waits for: the whole sequence composed on the stand-in, and
\`intro-frames --out DIR --all\` writing every frame as a PNG file (10211 files).

The whole sequence on the host: $(f1 "$(calc "$(host_value WholeSequence frames) / $(host_value WholeSequence fps) * 1000")") ms, $(printf %.0f "$(host_value WholeSequence fps)") frames per second.
\`intro-frames --out DIR --all\`: $(f1 "$frames_all") s, nearly all of it spent compressing and writing
the PNG files.

\`RenderFrame\` with the stand-in's call log off, each phase's frames in their order. The
stand-in is a plain second implementation of the platform, one loop per pixel rule, not a
fast one: these figures say how long the tests and tools wait, not how fast the intro is.

| Phase | RenderFrame (µs) | allocations per frame |
|---|---|---|
$(for p in $phases; do row "$p"; done)

Phases: opening, frames 1-749 (one opaque copy of 226 rows); caption, 750-1500 (one of
240 rows); logo, 1502-3499 (the starfield, the logo stretched with its colour key, and from
2501 the keyed roll); roll, 3500-10210 (the starfield and the keyed roll). Frame 1501 is
left out of the logo phase for its one-off CD cue.

Allocations are counted by the benchmark program's own \`operator new\` and by wrapping
\`malloc\`, \`calloc\` and \`realloc\` at link time, so both the program's and the stand-in's
requests are seen. Over the whole sequence ($(printf %.0f "$(host_value WholeSequence frames)") frames) $whole_allocs
allocations were made, in $whole_frames frame(s), the first at frame $whole_first: frame 1501 is
the CD cue, whose four command strings the stand-in keeps in its log of MCI commands. The
program's own code references no allocator but in the hand-over, which builds the main
program's command lines in \`std::string\` once the display is released (\`tests/tools/run.sh\`
checks the symbols of both builds), so none of them is the program's.

## Under Wine

Both programs run in the Wine prefix of \`scripts/run.sh\`, on a private Xvfb with Wine's
virtual desktop, one wineserver kept up for all runs. The baseline (\`bench/baseline\`) takes the
same window, mode, flipping chain, palette and colour-keyed sheet and replays the intro's own
drawing calls (recorded from the stand-in's log by \`record-calls\`: the same BltFast, Blt,
BltFast and Flip with the same rectangles and flags), pumping messages between frames as the
intro does; run with 0 frames it measures the fixed cost of a run.

The intro is not changed or wrapped for this. Its wall time is taken from launch to exit. Its
fixed cost (Wine's start, start-up, shutdown) is the baseline's fixed cost plus the
difference in start-up and in shutdown that Wine's own time-stamped traces
(\`WINEDEBUG=+timestamp,+loaddll,+ddraw\`, one extra run of each) show between the first
module loaded, the first Flip, the last Flip and the last line. Per-frame cost = (wall
time - fixed cost) / 10211.

| | intro | baseline |
|---|---|---|
| wall time, launch to exit (s) | $(f2 "$intro_wall") | $(f2 "$base_wall") |
| fastest-slowest of the $reps runs (s) | $(spread intro) | $(spread baseline) |
| fixed cost of a run (s) | $(f2 "$intro_fixed") | $(f2 "$empty_wall") |
| per frame (µs) | $(f1 "$intro_frame_us") | $(f1 "$base_frame_us") (inside the program, by QueryPerformanceCounter: $base_inner_us) |
| frames per second | $(printf %.0f "$(calc "1000000 / $intro_frame_us")") | $(printf %.0f "$(calc "1000000 / $base_frame_us")") |
| start-up, first module to first Flip (ms, traced) | $(printf %.0f "$(calc "$i_startup * 1000")") | $(printf %.0f "$(calc "$b_startup * 1000")") |
| shutdown, last Flip to last trace line (ms, traced) | $(printf %.0f "$(calc "$i_shutdown * 1000")") | $(printf %.0f "$(calc "$b_shutdown * 1000")") |

The traces have millisecond resolution. The baseline reads its sheet straight into the
surface; the intro loads it through GDI as it must, which is the most of its longer
start-up. Under Xvfb nothing waits for a vertical blank, so frames follow one another as fast
as Wine composes them; on a real 60 Hz display the sequence lasts about 170 s.
REPORT
export out reps
for section in "${SECTIONS[@]}"; do
    echo "bench: section $section"
    { echo; bash "bench/sections/$section.sh"; } >>"$root/docs/performance.md"
done
echo "bench: wrote docs/performance.md and docs/performance.png (raw figures in $out)"
