#!/usr/bin/env bash
# The map of the program's includes between its folders, from the #include lines:
# one line "FROM -> TO (N)" for each pair. The folders are floors, in the order the
# program runs, and each includes only the ones below it:
#   app      WinMain, the window, start-up and shutdown
#   intro    RenderFrame, the timeline, the CD cue, the state's first values
#   display  the display steps of start-up, the repair of lost surfaces
#   bitmap   bitmaps into surfaces, palettes, colour keys
#   base     the door to the platform, the one state record, the sheet's layout
# With --check it fails, naming them, on includes that go up or sideways.
set -euo pipefail
cd "$(dirname "$0")/.."
FLOORS=(app intro display bitmap base)
floor() { local i; for i in "${!FLOORS[@]}"; do [ "${FLOORS[i]}" = "$1" ] && { echo "$i"; return; }; done; echo -1; }

map=$(for dir in "${FLOORS[@]}"; do
        grep -H '^#include "' "$dir"/*.cpp "$dir"/*.h 2>/dev/null || true
      done | sed -E 's|^([a-z]+)/[^:]*:#include "([a-z]+)/.*|\1 \2|' | awk '$1 != $2' | sort | uniq -c |
      awk '{ print $2, "->", $3, "(" $1 ")" }')
echo "$map"
[ "${1:-}" = --check ] || exit 0
# base/platform.h's one include is the host stand-in, the door's other side.
wrong=""
while read -r from _ to _; do
    [ "$from:$to" = base:host ] || [ "$(floor "$to")" -gt "$(floor "$from")" ] || wrong+=" $from->$to"
done <<<"$map"
[ -z "$wrong" ] || { echo "include-map: includes that do not go down:$wrong" >&2; exit 1; }
