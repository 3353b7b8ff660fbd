#!/usr/bin/env bash
# The display through the player's ddraw.dll, under Wine on a private Xvfb with
# no virtual desktop: the pace of the flips at 60 frames a second (from the
# DLL's own log of QueryPerformanceCounter times), the intro's processor time
# over them (from /proc of its Wine process), and then a real Esc and the
# hand-over; beside it the intro on Wine's own DirectDraw in the virtual
# desktop, paced by nothing. Then the cost of one presentation (the front
# buffer enlarged into the window) on a 1024x768 screen, and on 1920x1080 and
# 3840x2160 in each fill mode and filter, with the DLL's own part of it
# measured on the host (build/host/bench/present-bench).
# Prints its Markdown section on stdout; progress goes to stderr.
#
# Usage: bench/sections/display.sh (bench/run.sh runs it; it may run alone)
# DISPLAY_BENCH_RUNS: paced runs to measure (3); DISPLAY_BENCH_FRAMES: frames
# each (720, twelve seconds); DISPLAY_BENCH_PRESENTS: flips whose drawn
# presentations are measured in each fill mode (2000: some 600 drawn).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
out=${out:-$root/out/bench}/display
runs=${DISPLAY_BENCH_RUNS:-3}
measured=${DISPLAY_BENCH_FRAMES:-720}
present_span=${DISPLAY_BENCH_PRESENTS:-2000}
present_from=1502   # the first frame of the logo's phase
fps=60
source scripts/wine.sh
source scripts/xvfb.sh
export WINEPREFIX=${INTRO_WINEPREFIX:-$(wine_home_prefix wine)}
rm -rf "$out"
mkdir -p "$out"

say() { echo "bench: display: $*" >&2; }
calc() { awk "BEGIN { printf \"%.9g\", $1 }"; }

# A folder with the intro, the stand-in main program and, when asked, the player's DLL.
folder() {  # name, with-dll or without
    local dir=$out/$1
    mkdir -p "$dir"
    cp "$INTRO_WIN_BUILD/intro.exe" "$dir/"
    cp "$INTRO_WIN_BUILD/tests/wine/record-start.exe" "$dir/z_qzm__.exe"
    [ "$2" = without ] || cp "$INTRO_WIN_BUILD/player/ddraw.dll" "$dir/"
    echo "$dir"
}

# The intro's own Wine process, of this prefix: a program of Wine's whose
# command line names intro.exe (timeout's names it too).
intro_pid() {
    local p
    for p in /proc/[0-9]*; do
        case $(readlink "$p/exe" 2>/dev/null) in */wine | */wine-preloader | */wine64*) ;; *) continue ;; esac
        tr '\0' ' ' <"$p/cmdline" 2>/dev/null | grep -q 'intro\.exe' || continue
        tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        echo "${p#/proc/}"
        return 0
    done
    return 1
}

# Processor time the process has used, in clock ticks (user and system, every thread).
cpu_ticks() {  # pid
    sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | awk '{ print $12 + $13 }'
}

now() { date +%s.%N; }
flips() {  # log: the flips in it so far
    if [ -f "$1" ]; then awk '/^flip / { n++ } END { print n + 0 }' "$1"; else echo 0; fi
}

wait_for_flips() {  # log, count, seconds
    local tries=$(($3 * 20))
    while [ "$(flips "$1")" -lt "$2" ]; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

# Real Esc presses until the intro has ended; then whether the main program was started.
escape_and_hand_over() {  # folder, pid of the run
    local tries
    for tries in $(seq 100); do
        kill -0 "$2" 2>/dev/null || break
        timeout 5 xdotool mousemove 512 384 key Escape 2>/dev/null || true
        sleep 0.2
    done
    wait "$2" 2>/dev/null || true
    for tries in $(seq 50); do
        grep -q '^commandline=z_qzm__.exe skipintro' <(tr -d '\r' 2>/dev/null <"$1/started.log") && return 0
        sleep 0.1
    done
    return 1
}

# The flips n = first+1 .. last of a log, as "period_ms" lines.
intervals() {  # log, first, last
    tr -d '\r' <"$1" | awk -v first="$2" -v last="$3" '
        /^clock / { for (i = 2; i <= NF; i++) if ($i ~ /^ticks-per-second=/) { split($i, kv, "="); tps = kv[2] } }
        $1 == "flip" {
            split($2, n, "="); split($3, at, "=")
            if (n[2] >= first && n[2] <= last) { if (have) printf "%.6f\n", (at[2] - prev) * 1000 / tps; prev = at[2]; have = 1 }
        }'
}

# mean, share within 1 ms of the period, shortest, longest, of "period_ms" lines.
interval_figures() {  # file of intervals, the period wanted (ms)
    awk -v want="$2" '{ s += $1; n++; if (($1 - want) ^ 2 <= 1) near++; if (!n0++ || $1 < lo) lo = $1; if ($1 > hi) hi = $1 }
        END { printf "%.4f %.2f %.3f %.3f %d\n", s / n, near * 100 / n, lo, hi, n }' "$1"
}

# ---- The paced runs --------------------------------------------------------------------

wine_prefix_ready "$WINEPREFIX" no-desktop >&2
xvfb_start
trap 'xvfb_stop' EXIT
: >"$out/paced.txt"
load_before=$(cut -d' ' -f1 /proc/loadavg)
for run in $(seq "$runs"); do
    say "run $run of $runs at $fps frames a second, $measured frames measured"
    dir=$(folder "paced-$run" with-dll)
    (cd "$dir" && WINEDLLOVERRIDES="mscoree,mshtml=;ddraw=n,b" INTRO_DDRAW_FPS=$fps INTRO_DDRAW_LOG=flips.log \
        exec timeout 120 "$WINE" intro.exe >/dev/null 2>&1) &
    run_pid=$!
    # A second of frames first: the start-up is not part of the pace.
    wait_for_flips "$dir/flips.log" "$fps" 60 || { say "no frames in run $run"; exit 1; }
    pid=$(intro_pid) || { say "no intro process found"; exit 1; }
    first=$(flips "$dir/flips.log") c1=$(cpu_ticks "$pid") t1=$(now)
    wait_for_flips "$dir/flips.log" $((first + measured)) 120
    last=$(flips "$dir/flips.log") c2=$(cpu_ticks "$pid") t2=$(now)
    handed=0
    escape_and_hand_over "$dir" "$run_pid" && handed=1
    timeout 30 "$WINESERVER" -w || true  # the next run starts a server of its own
    intervals "$dir/flips.log" "$first" "$last" >"$dir/intervals.txt"
    read -r mean near lo hi count < <(interval_figures "$dir/intervals.txt" "$(calc "1000 / $fps")")
    cpu=$(calc "($c2 - $c1) / $(getconf CLK_TCK) / ($t2 - $t1) * 100")
    echo "$run $mean $near $lo $hi $count $cpu $handed" >>"$out/paced.txt"
done
xvfb_stop
load_after=$(cut -d' ' -f1 /proc/loadavg)

# ---- The cost of a presentation ---------------------------------------------------------

# The present= ticks of the flips of a run at 2000 frames a second, as "median
# p99 count" in microseconds: those that drew a picture (drawn=1: a frame equal
# to the last is not drawn again, and costs next to nothing) among $present_span
# flips from frame $present_from on, the starfield and the logo; then Esc ends
# the run. The layout line goes to the folder's layout.txt.
present_cost() {  # screen (WxHxD), name, fill mode, filter
    local dir pid
    xvfb_start "$1"
    dir=$(folder "$2" with-dll)
    (cd "$dir" && WINEDLLOVERRIDES="mscoree,mshtml=;ddraw=n,b" INTRO_DDRAW_FPS=2000 INTRO_DDRAW_LOG=flips.log \
        INTRO_DDRAW_SCALING=$3 INTRO_DDRAW_FILTER=$4 exec timeout 300 "$WINE" intro.exe >/dev/null 2>&1) &
    pid=$!
    wait_for_flips "$dir/flips.log" $((present_from + present_span)) 300 ||
        say "$2: fewer than $((present_from + present_span)) flips"
    escape_and_hand_over "$dir" "$pid" >/dev/null || true
    # The server keeps the screen it first met: it ends before the next X server starts.
    timeout 30 "$WINESERVER" -w || true
    xvfb_stop
    tr -d '\r' <"$dir/flips.log" | awk -v first=$present_from -v last=$((present_from + present_span)) '
        /^clock / { for (i = 2; i <= NF; i++) if ($i ~ /^ticks-per-second=/) { split($i, kv, "="); tps = kv[2] } }
        /^layout / { layout = $0 }
        $1 == "flip" { split($2, n, "="); split($6, p, "="); if (n[2] >= first && n[2] < last && $NF == "drawn=1") print p[2] * 1000000 / tps }
        END { print layout > "/dev/stderr" }' 2>"$dir/layout.txt" | sort -g >"$dir/present.txt"
    awk '{ v[NR] = $1 } END { printf "%.0f %.0f %d\n", v[int((NR + 1) / 2)], v[int(NR * 0.99 + 0.5)], NR }' "$dir/present.txt"
}

# The shown picture's size from a layout line.
shown_size() {  # folder
    sed -nE 's/.* picture=([0-9]+x[0-9]+).*/\1/p' "$1/layout.txt"
}

FILL_MODES=("integer nearest" "aspect nearest" "aspect sharp" "stretch nearest" "stretch sharp")
say "the cost of a presentation on 1024x768, and on 1920x1080 and 3840x2160 in each fill mode"
: >"$out/present.txt"
read -r median p99 count < <(present_cost 1024x768x24 present-1024x768 integer nearest)
echo "1024x768 integer nearest $(shown_size "$out/present-1024x768") $count $median $p99" >>"$out/present.txt"
for screen in 1920x1080 3840x2160; do
    for fill in "${FILL_MODES[@]}"; do
        read -r scaling filter <<<"$fill"
        name=present-$screen-$scaling-$filter
        read -r median p99 count < <(present_cost "${screen}x24" "$name" "$scaling" "$filter")
        echo "$screen $scaling $filter $(shown_size "$out/$name") $count $median $p99" >>"$out/present.txt"
    done
done
# The DLL's own part, on the host: the picture made, without the system's copy to the window.
say "the DLL's own part of a presentation, on the host"
build/host/bench/present-bench --benchmark_repetitions="${reps:-7}" --benchmark_report_aggregates_only=true \
    --benchmark_out="$out/present-bench.csv" --benchmark_out_format=csv >/dev/null 2>&1
# "screen mode filter cpu_median_us" per line.
awk -F, '/_median"/ { gsub(/"/, "", $1); split($1, part, "/"); sub(/_median$/, "", part[3]); m = part[3]
        f = m ~ /sharp/ ? "sharp" : "nearest"; sub(/-.*/, "", m); printf "%s %s %s %.0f\n", part[2], m, f, $4 }' \
    "$out/present-bench.csv" >"$out/present-host.txt"
load_present=$(cut -d' ' -f1 /proc/loadavg)

# ---- Wine's own DirectDraw, in the virtual desktop ----------------------------------------

say "the intro on Wine's own DirectDraw"
wine_prefix_ready "$WINEPREFIX" >&2
xvfb_start
dir=$(folder bare without)
(cd "$dir" && exec timeout 120 "$WINE" intro.exe >/dev/null 2>&1) &
run_pid=$!
pid=""
for tries in $(seq 100); do pid=$(intro_pid) && break; sleep 0.05; done
c1=$(cpu_ticks "$pid") t1=$(now) c2=$c1 t2=$t1
while kill -0 "$pid" 2>/dev/null; do
    c=$(cpu_ticks "$pid") && [ -n "$c" ] && c2=$c t2=$(now)
    sleep 0.05
done
wait "$run_pid" 2>/dev/null || true
bare_cpu=$(calc "($c2 - $c1) / $(getconf CLK_TCK) / ($t2 - $t1) * 100")
# Its flip times from Wine's own trace, which has millisecond resolution.
(cd "$dir" && WINEDEBUG=+timestamp,+ddraw timeout 120 "$WINE" intro.exe >/dev/null 2>"$dir/trace.txt") || true
xvfb_stop
trap - EXIT
awk -F: '/ddraw_surface1_Flip/ { t = $1 * 1000; if (have) printf "%.3f\n", t - prev; prev = t; have = 1 }' \
    "$dir/trace.txt" >"$dir/intervals.txt"
read -r bare_mean bare_near bare_lo bare_hi bare_count < <(interval_figures "$dir/intervals.txt" "$(calc "1000 / $fps")")

# ---- The section -------------------------------------------------------------------------

period=$(calc "1000 / $fps")
verdict() { if [ "$(calc "$1")" = 1 ]; then echo met; else echo "not met"; fi; }
all_runs() {  # awk condition on a run's line: met when every run meets it
    if awk "!($1) { bad = 1 } END { exit bad }" "$out/paced.txt"; then echo met; else echo "not met"; fi
}
worst() {  # column, min or max
    awk -v c="$1" -v w="$2" 'NR == 1 || (w == "max" ? $c > v : $c < v) { v = $c } END { print v }' "$out/paced.txt"
}
cat <<SECTION
## The display through the player's ddraw.dll

\`bench/sections/display.sh\`: intro.exe with the player's \`ddraw.dll\` beside it, under Wine on a
private Xvfb of 1024x768 with no virtual desktop (the picture enlarged 3 times, 960x720 in the
middle). $runs runs at $fps frames a second; in each, after a first second of frames, $measured flips
are measured: their return times from the DLL's own log (QueryPerformanceCounter), the intro's
processor time over them from \`/proc/PID/stat\` of its Wine process (user and system, every thread;
the wineserver's is not counted). Then a real Esc (xdotool) ends the run, and the stand-in main
program must be started with \`skipintro\`. Beside it, the same intro on Wine's own DirectDraw in the
virtual desktop of \`scripts/run.sh --wine-ddraw\`: its processor share over the whole run, its flip
times from Wine's own trace (\`WINEDEBUG=+timestamp,+ddraw\`, a run of its own, millisecond
resolution). Xvfb has no vertical blank, so Wine's own DirectDraw paces nothing. The machine is
shared ($(nproc) cores; load average $load_before before the paced runs and $load_after after them), so
a sleep there sometimes wakes late and figures vary between runs.

| Target, at $fps frames a second | Measured (worst run) | |
|---|---|---|
| mean period within 0.1% of $(printf %.3f "$period") ms | $(printf %.4f "$(worst 2 max)") ms at most, $(printf %.4f "$(worst 2 min)") ms at least | $(all_runs "(\$2 - $period) ^ 2 <= ($period / 1000) ^ 2") |
| 99% of intervals within 1 ms of it | $(worst 3 min)% at least | $(all_runs "\$3 >= 99") |
| no interval under 15 ms | shortest $(worst 4 min) ms | $(all_runs "\$4 >= 15") |
| the intro's processor time under 10% of the wall time | $(printf %.1f "$(worst 7 max)")% at most | $(all_runs "\$7 < 10") |
| Esc ends it and the main program starts | $(awk '{ s += $8 } END { print s }' "$out/paced.txt") of $runs runs | $(all_runs "\$8 == 1") |

| Run | flips measured | mean period (ms) | within 1 ms | shortest (ms) | longest (ms) | processor time | hand-over |
|---|---|---|---|---|---|---|---|
$(awk '{ printf "| %d | %d | %.4f | %.2f%% | %.3f | %.3f | %.1f%% | %s |\n", $1, $6 + 1, $2, $3, $4, $5, $7, $8 ? "yes" : "no" }' "$out/paced.txt")
| Wine's own DirectDraw | $((bare_count + 1)) | $(printf %.4f "$bare_mean") | $(printf %.2f "$bare_near")% | $(printf %.3f "$bare_lo") | $(printf %.3f "$bare_hi") | $(printf %.1f "$bare_cpu")% | (not measured) |

The cost of one presentation (the front buffer through its palette into 32-bit pixels at the
size the fill mode gives, and \`SetDIBitsToDevice\` into the window), from the DLL's log of a run
at 2000 frames a second on an Xvfb of that size with no virtual desktop: of $present_span flips from
frame $present_from on (the starfield and the logo), those that drew a picture; a frame equal to the
last one is not drawn again (two flips in three at 60 frames a second) and costs next to nothing,
which would flatter the figures. Then Esc ends the run. Beside it, the DLL's own part on the host (the picture made,
without the system's copy into the window): the median processor time of
\`build/host/bench/present-bench\` (Google Benchmark, ${reps:-7} repetitions). The target is a median under
2 ms (2000 µs) a frame at 3840x2160 in every mode. The machine is shared and loaded (load average
$load_present after these runs), and under Wine each presentation also pays for Wine's copy of the
picture into its window surface and on to the X server, which the DLL cannot make cheaper.

| Screen | fill mode | filter | picture | presentations | median (µs) | 99th percentile (µs) | the DLL's own part on the host (µs) | median under 2 ms |
|---|---|---|---|---|---|---|---|---|
$(awk 'NR == FNR { host[$1 " " $2 " " $3] = $4; next }
      { h = host[$1 " " $2 " " $3]; printf "| %s | %s | %s | %s | %d | %d | %d | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7,
        h == "" ? "-" : h, $1 == "3840x2160" ? ($6 < 2000 ? "met" : "not met") : "" }' \
    "$out/present-host.txt" "$out/present.txt")
SECTION
say "done (raw figures in $out)"
