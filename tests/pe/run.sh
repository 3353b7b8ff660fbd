#!/usr/bin/env bash
# The real program files, both widths: the product build/win32/intro.exe, a 32-bit
# Windows GUI program, and build/win64/intro.exe, the same sources for machines that
# run no 32-bit code. Each needs no MinGW DLLs and carries the sheet "ALL" (byte for
# byte the project's own) and the icon group "VELTHORN"; so do the player's DLLs
# beside each, of the same width.
set -uo pipefail
cd "$(dirname "$0")/../.."
passed=0 failed=0
check() {  # description, then the command that must succeed
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   $what"
    else failed=$((failed + 1)); echo "FAIL $what"; fi
}
sheet=$(mktemp); trap 'rm -f "$sheet"' EXIT

check_build() {  # folder, the kind `file` names, the MinGW-w64 triplet
    local dir=$1 kind=$2 triplet=$3 exe=$1/intro.exe resources dll
    resources=$(wrestool -l "$exe" 2>/dev/null)
    wrestool -x --raw --type=2 --name=ALL "$exe" >"$sheet" 2>/dev/null
    check "$exe: a $kind GUI program" grep -q "^$kind executable (GUI) " <(file -b "$exe")
    check "$exe: imports only system DLLs" bash -c "! $triplet-objdump -p $exe | grep -iE 'DLL Name: (libgcc|libstdc|libwinpthread)'"
    check "$exe: bitmap ALL, language neutral" grep -q -- "--type=2 --name='ALL' --language=0 " <<<"$resources"
    check "$exe: icon group VELTHORN" grep -q -- "--type=14 --name='VELTHORN'" <<<"$resources"
    check "$exe: one icon image, 16x16 in 16 colours" bash -c "wrestool -x --type=14 --name=VELTHORN $exe | od -An -tu1 -j6 -N4 | grep -qE '^ *16 +16 +16 +0 *$'"
    check "$exe: ALL is resources/all.bmp without its file header" cmp -s "$sheet" <(tail -c +15 resources/all.bmp)
    for dll in "$dir/player/ddraw.dll" "$dir/player/winmm.dll"; do
        check "$dll: a $kind DLL of the same width" grep -q "^$kind executable (DLL) " <(file -b "$dll")
        check "$dll: imports only system DLLs" bash -c "! $triplet-objdump -p $dll | grep -iE 'DLL Name: (libgcc|libstdc|libwinpthread)'"
    done
}
check_build build/win32 "PE32" i686-w64-mingw32
check "build/win32/intro.exe: for the i386" grep -q 'Intel 80386' <(file -b build/win32/intro.exe)
check_build build/win64 "PE32+" x86_64-w64-mingw32
check "build/win64/intro.exe: for x86-64" grep -q 'x86-64' <(file -b build/win64/intro.exe)
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
