#!/usr/bin/env bash
# Writes player/NAME/exports.txt, the exports a player DLL passes through to the
# system's NAME.dll: every name Wine's own NAME.dll or MinGW-w64's import library
# libNAME.a exports, so a program linked against either finds them all. Run it
# again after a Wine or MinGW-w64 upgrade; the lists are committed.
# Usage: player/list-exports.sh winmm|ddraw
set -euo pipefail
name=$1
here=$(cd "$(dirname "$0")" && pwd)
wine_dll=/usr/lib/i386-linux-gnu/wine/i386-windows/$name.dll
import_lib=/usr/i686-w64-mingw32/lib/lib$name.a
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

i686-w64-mingw32-objdump -p "$wine_dll" | sed -n '/Ordinal\/Name Pointer/,/^$/p' |
    sed -nE 's/^\s*\[ *[0-9]+\] ([A-Za-z0-9_?@]+)$/\1/p' | sort -u >"$work/wine"
# "_timeGetTime@0": the name, and the bytes of arguments after the @ (none for cdecl).
i686-w64-mingw32-nm "$import_lib" | awk '$2 == "T" { print $3 }' | sed 's/^_//' |
    awk -F@ '{ print $1, ($2 == "" ? "-" : $2) }' | sort -u >"$work/import"
{
    echo "# Exports of the system's $name.dll that pass through: every name exported by Wine 8's"
    echo "# $name.dll or by MinGW-w64's import library lib$name.a, with the bytes of arguments a"
    echo "# stdcall function takes (from the import library; \"-\" where it does not say)."
    echo "# Made by player/list-exports.sh; a name the DLL serves itself is left out by its CMake list."
    join -a1 -e- -o 0,2.2 <(sort -u "$work/wine" <(cut -d' ' -f1 "$work/import")) "$work/import"
} >"$here/$name/exports.txt"
echo "player: $(grep -vc '^#' "$here/$name/exports.txt") exports in $here/$name/exports.txt"
