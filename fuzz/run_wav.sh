#!/usr/bin/env bash
# The player's fuzzer (fuzz/wav_fuzzer.cpp) for a bounded time over its corpus:
# fuzz/corpus/wav/seeds (real headers made by sox, ffmpeg and by hand, short Ogg
# Vorbis files made by fuzz/ogg_seeds.sh, and command strings) and every crash ever found, fuzz/corpus/wav/regressions, which the
# host tests read again. Built by fuzz/run.sh, which runs this after its own.
#   FUZZ_WAV_SECONDS (default 30) bounds the run; FUZZ_SEED as in fuzz/run.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_WAV_SECONDS:-30}
seed=${FUZZ_SEED:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/corpus/wav/regressions "$work/found"
if ! build/fuzz/fuzz/wav-fuzzer -max_total_time="$seconds" -seed="$seed" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix=fuzz/corpus/wav/regressions/ \
        "$work/found" fuzz/corpus/wav/seeds fuzz/corpus/wav/regressions >"$work/log" 2>&1; then
    tail -n 40 "$work/log"
    echo "fuzz: a crash was kept in fuzz/corpus/wav/regressions/; fix it and commit the file" >&2
    exit 1
fi
grep -E '^stat::number_of_executed_units|^Done' "$work/log" || true
echo "fuzz: the player's WAV and Ogg readers and commands: no crash in ${seconds}s"
