#!/usr/bin/env bash
# The real program file: a 32-bit Windows GUI program that needs no MinGW DLLs
# and carries the sheet "ALL" (byte for byte the project's own) and the icon group "VELTHORN".
set -uo pipefail
cd "$(dirname "$0")/../.."
exe=build/win32/intro.exe
passed=0 failed=0
check() {  # description, then the command that must succeed
    local what=$1; shift
    if "$@" >/dev/null 2>&1; then passed=$((passed + 1)); echo "ok   $what"
    else failed=$((failed + 1)); echo "FAIL $what"; fi
}
resources=$(wrestool -l "$exe" 2>/dev/null)
sheet=$(mktemp); trap 'rm -f "$sheet"' EXIT
wrestool -x --raw --type=2 --name=ALL "$exe" >"$sheet" 2>/dev/null

check "a PE32 GUI program for the i386" grep -q 'PE32 executable (GUI) Intel 80386' <(file "$exe")
check "imports only system DLLs" bash -c "! i686-w64-mingw32-objdump -p $exe | grep -iE 'DLL Name: (libgcc|libstdc|libwinpthread)'"
check "bitmap ALL, language neutral" grep -q -- "--type=2 --name='ALL' --language=0 " <<<"$resources"
check "icon group VELTHORN" grep -q -- "--type=14 --name='VELTHORN'" <<<"$resources"
check "one icon image, 16x16 in 16 colours" bash -c "wrestool -x --type=14 --name=VELTHORN $exe | od -An -tu1 -j6 -N4 | grep -qE '^ *16 +16 +16 +0 *$'"
check "ALL is resources/all.bmp without its file header" cmp -s "$sheet" <(tail -c +15 resources/all.bmp)
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
