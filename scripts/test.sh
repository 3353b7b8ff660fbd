#!/usr/bin/env bash
# Sets up, builds each tree once and runs every test once: the host suites under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the end-to-end suites of the
# real intro.exe under Wine, of the width this machine runs (scripts/wine.sh;
# INTRO_WIN64=1 forces the 64-bit one).
#
#   scripts/test.sh          what CI runs: every behaviour, once
#   scripts/test.sh --long   adds the long runs: the host suites once more without
#                            the sanitizers with a million-frame long run, valgrind's
#                            memcheck over the suites that run the program to the
#                            hand-over, twenty whole runs in the storms, a second
#                            build of the release from nothing, and the fuzzers
#                            from a fresh seed
#
# docs/testing.md says what each suite checks and how long it takes; the last lines
# here give each step's time on this machine.
set -euo pipefail
cd "$(dirname "$0")/.."

long=""
case ${1:-} in
    --long) long=1 ;;
    "") ;;
    *) echo "usage: scripts/test.sh [--long]" >&2; exit 2 ;;
esac

[ "${SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
source scripts/user.sh
continue_as_user "$0" "$@"

# Each step's name and seconds, for the summary at the end.
times=()
timed() {  # name, then the command
    local name=$1 began=$SECONDS
    shift
    echo "== $name"
    "$@"
    times+=("$(printf '%-34s %4d s' "$name" $((SECONDS - began)))")
}
summary() {
    local status=$?
    [ ${#times[@]} = 0 ] || { echo "== time of each step"; printf '  %s\n' "${times[@]}"; }
    [ -z "${template_dir:-}" ] || rm -rf "$template_dir"
    return "$status"
}
trap summary EXIT

timed "build" env SKIP_SETUP=1 bash scripts/build.sh --tests${long:+-long}
# Every suite from here on uses these builds, and the tools and music of the
# sanitizers' tree; none builds a tree again.
export SKIP_SETUP=1 SKIP_BUILD=1 INTRO_HOST_BUILD=build/host-asan

if [ -n "$long" ]; then
    timed "host tests, plain, a million frames" env INTRO_LONG_RUN_FRAMES=1000000 \
        ctest --test-dir build/host --output-on-failure -j"$(nproc)"
    # Memcheck finds what the sanitizers do not (a read of memory never written),
    # at some ten times their cost, in a build without them: the suites that run the
    # program to the hand-over, and every frame as the frame renderer draws them.
    memcheck() { valgrind -q --error-exitcode=1 --leak-check=full "$@"; }
    timed "memcheck (host suites, to the hand-over)" memcheck build/host/tests/host_tests \
        --gtest_filter='SmokeTest.*:ReliabilityStorms.*:LongRun.*:RecoveryTest.*:Shell*:TimelineTest.*:LoopTest.*'
    memcheck_dir=$(mktemp -d)
    timed "memcheck (every frame)" memcheck build/host/tools/intro-frames --out "$memcheck_dir" 10211
    rm -rf "$memcheck_dir"
fi

# One probe decides which Windows build runs under Wine here; every suite takes its
# choice. One prefix of that width is made here, and each suite's is a copy of it.
source scripts/wine.sh
echo "== the Wine suites run $INTRO_WIN_BUILD: $INTRO_WIN_WHY"
template_dir=$(mktemp -d /tmp/intro-wine-template.XXXXXX)
timed "Wine prefix, made once" wine_prefix_template "$template_dir/prefix"
suites_began=$SECONDS
[ -z "$long" ] || export INTRO_STORM_RUNS=20 INTRO_RELEASE_SECOND_BUILD=1

# The steps run in three lines side by side: the Wine suites wait on Wine and X
# far more than they compute, so the host tests and a third line fill the
# cores they leave. Each suite has an X server, a prefix and a sound server of
# its own. The two that build the intro with other words (tools, then play)
# share a line. A line goes on past a step that failed, so that every failure
# is told.
step() {  # host, or a suite's folder under tests/ and its arguments
    case $1 in
        host) ctest --test-dir build/host-asan --output-on-failure -j"$(nproc)" ;;
        *) bash "tests/$1/run.sh" "${@:2}" ;;
    esac
}
step_line() {  # its log, then its steps, each one word list ("wine --part intro")
    local log=$1 entry began status=0
    shift
    for entry; do
        began=$SECONDS
        echo "== $entry"
        # shellcheck disable=SC2086  # the entry's words are the step and its arguments
        step $entry || status=1
        printf '%-34s %4d s\n' "$entry" $((SECONDS - began)) >>"$log.times"
    done >"$log" 2>&1
    return "$status"
}
lines=$(mktemp -d)
pids=()
step_line "$lines/1" host "wine --part player" release &
pids+=($!)
step_line "$lines/2" "wine --part intro" storms choice pe links &
pids+=($!)
step_line "$lines/3" tools sound play &
pids+=($!)
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
cat "$lines/1" "$lines/2" "$lines/3"
mapfile -t -O "${#times[@]}" times < <(cat "$lines/1.times" "$lines/2.times" "$lines/3.times" 2>/dev/null)
times+=("$(printf '%-34s %4d s' "the steps, in three lines" $((SECONDS - suites_began)))")
rm -rf "$lines"
[ "$status" = 0 ] || { echo "test: a step failed (its FAIL lines above)"; exit 1; }
[ -z "$long" ] || timed "fuzz (a fresh seed, 3 minutes each)" env FUZZ_SEED=0 FUZZ_SECONDS=180 FUZZ_WAV_SECONDS=180 bash fuzz/run.sh
echo "test: all passed${long:+ (with the long runs)}; the Wine suites ran $INTRO_WIN_BUILD ($INTRO_WIN_WHY)"
