#!/usr/bin/env bash
# Which Windows build runs here: the probe of scripts/wine.sh and the choice made
# from it. The probe's program must be the smallest i386 program that exits 42,
# and its answer must be the one an i386 program built by the assembler gets on
# this machine; the choice must follow the probe, INTRO_WIN64=1, or a choice
# already made by the script that started this one.
set -uo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
source tests/checks.sh
# The choice as a fresh shell makes it: KEY=VALUE... then the variables to print.
choice() {
    local names=()
    while [[ $1 == *=* ]]; do names+=("$1"); shift; done
    env -u INTRO_WIN_BITS -u INTRO_WIN_WHY -u INTRO_WIN64 "${names[@]}" \
        bash -c 'source scripts/wine.sh && for v; do printf "%s\n" "${!v}"; done' choice "$@"
}
same() { [ "$1" = "$2" ] || { echo "got:      $1"; echo "expected: $2"; false; }; }

# The probe's program, written where the probe writes it, taken apart.
TMPDIR=$work bash -c 'source scripts/wine.sh
    mktemp() { echo "$TMPDIR/probe"; }; rm() { :; }   # keep the file it runs
    i386_program_runs_in "$TMPDIR"' >/dev/null || true
probe=$work/probe
check "the probe wrote its program" test -s "$probe"
check "an ELF executable for the i386, 32-bit" \
    bash -c "readelf -h '$probe' | grep -q 'Class: *ELF32' && readelf -h '$probe' | grep -q 'Machine: *Intel 80386' &&
             readelf -h '$probe' | grep -q 'Type: *EXEC'"
check "one loaded segment, the whole file, readable and executable" \
    bash -c "readelf -lW '$probe' | grep -E '^ *LOAD ' | grep -qE '0x000000 0x08048000 0x08048000 0x0*$(printf %x "$(stat -c %s "$probe")") .* R E '"
check "its code, at the entry point, is exit(42) by the 32-bit system call" \
    bash -c "objdump -D -b binary -m i386 --start-address=0x54 '$probe' | grep -A3 '^00000054' | tr -s ' \t' ' ' |
             grep -qzE 'mov \\\$0x1,%eax.*mov \\\$0x2a,%ebx.*int \\\$0x80'"
check "the entry point is that code" bash -c "readelf -h '$probe' | grep -q 'Entry point address: *0x8048054'"

# The same program from the assembler: whatever the kernel does with one, it does with the other.
printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$work/exit42.s"
as --32 -o "$work/exit42.o" "$work/exit42.s" && ld -m elf_i386 -o "$work/exit42" "$work/exit42.o"
"$work/exit42" 2>/dev/null; assembled=$?
if [ "$assembled" = 42 ]; then expected=32; else expected=64; fi
check "the probe answers as an assembled i386 program fares here (status $assembled: the $expected-bit path)" \
    same "$(choice INTRO_WIN_BITS)" "$expected"

runs_in() { bash -c 'source scripts/wine.sh; i386_program_runs_in "$1"' runs_in "$1"; }
if [ "$assembled" = 42 ]; then verdict=yes; else verdict=no; fi
check "in a folder where programs run, the probe's verdict is '$verdict'" same "$(runs_in "$work")" "$verdict"
check "a folder where no program can be written or run tells nothing" same "$(runs_in /proc/self)" unknown
check "and then the next folder answers" same "$(choice TMPDIR=/proc/self INTRO_WIN_BITS)" "$expected"
# Neither folder: nothing was found about 32-bit code, and the reason must not claim otherwise.
unknown=$(choice TMPDIR=/proc/self HOME=/proc/self INTRO_WIN_BITS INTRO_WIN_WHY | paste -sd ' ')
check "when neither folder can hold the probe: the 64-bit path, saying the answer is not known and where it was sought ($unknown)" \
    bash -c "grep -q '^64 ' <<<'$unknown' && grep -q 'not known' <<<'$unknown' && ! grep -q 'runs no 32-bit' <<<'$unknown' &&
             grep -qF '/proc/self ' <<<'$unknown' && grep -qF '/proc/self/.cache/velthorn-intro' <<<'$unknown'"

# The choice and what follows from it.
loader_64=$(choice INTRO_WIN64=1 WINE) server_64=$(choice INTRO_WIN64=1 WINESERVER)
check "the 64-bit path's loader is a 64-bit program, and its server answers" \
    bash -c "file -bL '$loader_64' | grep -q '^ELF 64-bit' && '$server_64' --version"
check "and says why" same "$(choice INTRO_WIN64=1 INTRO_WIN_WHY)" "INTRO_WIN64=1 asks for the 64-bit path"
check "a choice already made is taken without asking again" \
    same "$(choice INTRO_WIN_BITS=32 'INTRO_WIN_WHY=as the caller found' INTRO_WIN_BUILD WINEARCH INTRO_WIN_WHY | paste -sd ' ')" \
         "build/win32 win32 as the caller found"
check "a script it starts takes the same choice" \
    same "$(choice INTRO_WIN64=1 INTRO_WIN_BITS | head -1)$(env -u INTRO_WIN_BITS -u INTRO_WIN_WHY INTRO_WIN64=1 \
        bash -c 'source scripts/wine.sh; INTRO_WIN64= bash -c "source scripts/wine.sh; echo \$INTRO_WIN_BITS"')" "6464"
check "each width has a prefix of its own in the user's cache" \
    test "$(HOME=/h INTRO_WIN_BITS=32 bash -c 'source scripts/wine.sh; wine_home_prefix wine')" != \
         "$(HOME=/h INTRO_WIN_BITS=64 bash -c 'source scripts/wine.sh; wine_home_prefix wine')"
# A script under set -e that asks for a prefix not made yet must go on to make it.
check "a prefix not made yet has no width, and asking is no failure under set -euo pipefail" \
    bash -c "set -euo pipefail; source scripts/wine.sh; arch=\$(wine_prefix_arch '$work/no-prefix'); [ -z \"\$arch\" ]"
check "a made prefix's width is read from its registry" \
    bash -c "mkdir -p '$work/made' && printf 'WINE REGISTRY Version 2\\n#arch=win64\\n' >'$work/made/system.reg' &&
             source scripts/wine.sh && [ \"\$(wine_prefix_arch '$work/made')\" = win64 ]"
checks_done
