#!/usr/bin/env bash
# Runs the display cases of tests/wine/display_cases.sh on their own, with a
# Wine prefix (build/wine-display-prefix, made once) and an Xvfb of their own;
# both are cleaned up at the end, whatever happens.
set -uo pipefail
cd "$(dirname "$0")/../.."
source scripts/wine.sh
source tests/wine/display_cases.sh

if [ ! -f build/win32/intro.exe ] || [ ! -f build/win32/probe/ddraw.dll ] || [ ! -x build/host/tools/intro-frames ]; then
    echo "display: build first (SKIP_SETUP=1 bash scripts/build.sh)" >&2
    exit 2
fi
export WINEPREFIX=${DISPLAY_WINEPREFIX:-$PWD/build/wine-display-prefix}

xvfb_start || exit 1
trap 'timeout 20 wineserver -k 2>/dev/null; xvfb_stop' EXIT
timeout 120 bash -c 'source scripts/wine.sh && wine_prefix_ready "$WINEPREFIX"' || {
    echo "display: the Wine prefix $WINEPREFIX could not be made" >&2
    exit 1
}

display_cases_all
status=$?
echo "$DISPLAY_PASSED passed, $DISPLAY_FAILED failed"
exit $status
