#!/usr/bin/env bash
# Builds the bitmap fuzzer in build/fuzz (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time over the corpus
# kept here: fuzz/corpus/seeds and every crash ever found, fuzz/corpus/regressions.
# A new crash is written into fuzz/corpus/regressions and fails the run: fix the
# fault, keep the file, and the host tests replay it from then on.
#   FUZZ_SECONDS (default 60) bounds the run.
#   FUZZ_SEED (default 1) fixes the mutations, so that the test command explores
#   the same inputs on every run and a finding there is found again; 0 takes a
#   new seed each run, for longer searches by hand.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
export FUZZ_SEED=${FUZZ_SEED:-1}
[ -f build/fuzz/CMakeCache.txt ] ||
    CXX=clang++ cmake -S . -B build/fuzz -DINTRO_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j2 >build/fuzz/build.log 2>&1 || { tail -n 40 build/fuzz/build.log; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/corpus/regressions "$work/found" "$work/tmp"
# New inputs go to a scratch folder: the kept corpus changes only by hand.
if ! TMPDIR="$work/tmp" build/fuzz/fuzz/bitmap-fuzzer -max_total_time="$seconds" -seed="$FUZZ_SEED" -timeout=10 \
        -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
        -artifact_prefix=fuzz/corpus/regressions/ \
        "$work/found" fuzz/corpus/seeds fuzz/corpus/regressions >"$work/log" 2>&1; then
    tail -n 40 "$work/log"
    echo "fuzz: a crash was kept in fuzz/corpus/regressions/; fix it and commit the file" >&2
    exit 1
fi
grep -E '^stat::number_of_executed_units|^Done' "$work/log" || true
echo "fuzz: no crash in ${seconds}s"
bash fuzz/run_wav.sh
