#!/usr/bin/env bash
# Sets up, builds and runs every test: the host suites (plain and under the
# sanitizers) and the end-to-end runs of the real intro.exe under Wine, of the
# width this machine runs (scripts/wine.sh; INTRO_WIN64=1 forces the 64-bit one).
set -euo pipefail
cd "$(dirname "$0")/.."

[ "${SKIP_SETUP:-}" = 1 ] || bash scripts/setup.sh
source scripts/user.sh
continue_as_user "$0" "$@"
SKIP_SETUP=1 INTRO_SANITIZE=1 bash scripts/build.sh

echo "== host tests"
ctest --test-dir build/host --output-on-failure -j"$(nproc)"
echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build/host-asan --output-on-failure -j"$(nproc)"
# Memcheck is some ten times slower than the sanitizers, so it runs a few suites that
# between them run the whole program: a run to the hand-over, the input storms and a
# 20000-frame long run (losses, still drawing, switches away, the end of the roll).
echo "== host tests under valgrind's memcheck (SmokeTest, ReliabilityStorms, LongRun)"
INTRO_LONG_RUN_FRAMES=20000 valgrind -q --error-exitcode=1 --leak-check=full \
    build/host/tests/host_tests --gtest_filter='SmokeTest.*:ReliabilityStorms.*:LongRun.*'

# One probe decides which Windows build runs under Wine here; every suite takes its choice.
source scripts/wine.sh
echo "== the Wine suites run $INTRO_WIN_BUILD: $INTRO_WIN_WHY"
for suite in tests/*/run.sh fuzz/run.sh; do
    [ -f "$suite" ] || continue
    echo "== $suite"
    bash "$suite"
done
echo "test: all passed; the Wine suites ran $INTRO_WIN_BUILD ($INTRO_WIN_WHY)"
