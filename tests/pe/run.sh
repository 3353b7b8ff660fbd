#!/usr/bin/env bash
# The real program files, both widths: the product build/win32/intro.exe, a 32-bit
# Windows GUI program, and build/win64/intro.exe, the same sources for machines that
# run no 32-bit code. Each needs no MinGW DLLs and carries the sheet "ALL" (byte for
# byte the project's own) and the icon group "VELTHORN"; so do the player's DLLs
# beside each, of the same width. The PE32 imports only what its header's Windows 4.0 offers,
# Windows 95 (with msvcrt.dll) and NT 4.0 (the list in imports-win32.txt, with where each is
# documented), and no header carries a link time.
set -uo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
source tests/checks.sh
sheet=$work/sheet

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

# A header field of objdump -p, as it prints it ("MajorOSystemVersion 4").
header() {  # triplet, file, field
    "$1-objdump" -p "$2" | awk -v f="$3" '$1 == f {print $2}'
}
# "DLL function" for each import, the DLL in lower case.
imports() {  # triplet, file
    "$1-objdump" -p "$2" | awk '/DLL Name:/ {d = tolower($3)} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print d, $NF}' | sort -u
}
# The same from the allow-list, for the lines that name Windows 95 and NT 3.1 or 4.0.
allowed() {  # list
    awk -F'\t' '!/^#/ && NF == 4 && $3 ~ /^95([ ,(]|$)/ && $3 ~ /NT (3\.1|4\.0)/ {print tolower($1), $2}' "$1" | sort -u
}
# The C functions msvcrt40.dll exports, by MinGW-w64's import library made from its list.
msvcrt40_exports() {
    i686-w64-mingw32-nm -A "$(i686-w64-mingw32-gcc -print-file-name=libmsvcrt40.a)" 2>/dev/null |
        awk '$1 ~ /_defs[0-9]+\.o:/ && $2 == "I" && $3 ~ /^__imp__/ {print substr($3, 8)}' | sort -u
}

# The header of the PE32 names Windows 4.0 (95 and NT 4.0); it must import nothing
# newer, or it would not start where it says it does.
exe=build/win32/intro.exe
unlisted=$(comm -23 <(imports i686-w64-mingw32 $exe) <(allowed tests/pe/imports-win32.txt))
check "$exe: its header names Windows 4.0" test "$(header i686-w64-mingw32 $exe MajorOSystemVersion).$(header i686-w64-mingw32 $exe MajorSubsystemVersion).$(header i686-w64-mingw32 $exe MinorSubsystemVersion)" = 4.4.0
check "$exe: imports only what Windows 95 (with msvcrt.dll) and NT 4.0 offer (tests/pe/imports-win32.txt)" test -z "$unlisted"
[ -z "$unlisted" ] || echo "     not in tests/pe/imports-win32.txt as offered by 95 and NT 4.0: $(echo $unlisted)"
beyond40=$(comm -23 <(awk -F'\t' '!/^#/ && tolower($1) == "msvcrt.dll" {print $2}' tests/pe/imports-win32.txt | sort -u) \
    <(msvcrt40_exports))
check "tests/pe/imports-win32.txt: its msvcrt.dll functions are all exported by msvcrt40.dll" test -z "$beyond40"
[ -z "$beyond40" ] || echo "     not exported by msvcrt40.dll: $(echo $beyond40)"
check "msvcrt40.dll's exports are read (abort among them)" grep -qx abort <(msvcrt40_exports)
check "$exe: imports something (the list is read)" test -n "$(imports i686-w64-mingw32 $exe)"
check "tests/pe/imports-win32.txt: every line names a Windows and a source" \
    bash -c "! awk -F'\t' '!/^#/ && !(NF == 4 && \$4 != \"\")' tests/pe/imports-win32.txt | grep -q ."

# The player's DLLs are for today's machines: their headers name what their imports
# need (GetModuleHandleExA: XP), and nothing carries the time of its link.
for f in build/win32/player/ddraw.dll build/win32/player/winmm.dll; do
    check "$f: its header names Windows XP (5.1)" test "$(header i686-w64-mingw32 $f MajorOSystemVersion).$(header i686-w64-mingw32 $f MinorOSystemVersion).$(header i686-w64-mingw32 $f MajorSubsystemVersion).$(header i686-w64-mingw32 $f MinorSubsystemVersion)" = 5.1.5.1
done
for f in build/win64/player/ddraw.dll build/win64/player/winmm.dll; do
    check "$f: its header names Windows XP x64 (5.2)" test "$(header x86_64-w64-mingw32 $f MajorOSystemVersion).$(header x86_64-w64-mingw32 $f MinorOSystemVersion).$(header x86_64-w64-mingw32 $f MajorSubsystemVersion).$(header x86_64-w64-mingw32 $f MinorSubsystemVersion)" = 5.2.5.2
done
for f in build/win32/intro.exe build/win32/player/ddraw.dll build/win32/player/winmm.dll \
         build/win64/intro.exe build/win64/player/ddraw.dll build/win64/player/winmm.dll; do
    check "$f: no link time in its header" grep -qE '^Time/Date[[:space:]]+(0|Thu Jan  1 00:00:00 1970)$' <(objdump -p $f)
done
checks_done
