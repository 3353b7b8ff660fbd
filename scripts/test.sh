#!/usr/bin/env bash
# Sets up, builds and runs every test: the host suites (plain and under the
# sanitizers) and the end-to-end runs of the real intro.exe under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
SKIP_SETUP=1 INTRO_SANITIZE=1 bash scripts/build.sh

echo "== host tests"
ctest --test-dir build/host --output-on-failure -j"$(nproc)"
echo "== host tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build/host-asan --output-on-failure -j"$(nproc)"

for suite in tests/*/run.sh fuzz/run.sh; do
    [ -f "$suite" ] || continue
    echo "== $suite"
    bash "$suite"
done
echo "test: all passed"
