#!/usr/bin/env bash
# The replacement-sheet option of the Windows build: a sheet that sheet-check
# accepts goes into intro.exe as its bitmap ALL; one it rejects stops the
# build with sheet-check's findings; a missing one stops the configure. The same
# for a text file of the intro's words, which make-sheet letters into the sheet. Also:
# the program's own code asks for no heap memory but for the hand-over's command
# lines (so it cannot allocate per frame), in the host and both Windows builds, and calls exactly the platform
# functions that base/platform.h lists.
# Uses the build folder of the intro with other words (build/texts-win32 or -win64,
# of the width that runs here, as scripts/run.sh --texts makes it), kept between
# runs, so that the program is compiled once for both.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
source scripts/wine.sh   # the width that runs here
dir=$root/build/texts-win$INTRO_WIN_BITS
toolchain=cmake/mingw-i686.cmake
[ "$INTRO_WIN_BITS" = 32 ] || toolchain=cmake/mingw-x86_64.cmake
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
source tests/checks.sh
# Writes byte value $3 at the offset of sheet pixel (row $2 from the top, column 10) of file $1.
poke_pixel() {
    local offset=$((14 + 40 + 1024 + (1727 - $2) * 320 + 10))
    printf "\\x$(printf %02x "$3")" | dd of="$1" bs=1 seek="$offset" conv=notrunc status=none
}
configure() {  # sheet, then a text file or nothing
    cmake -S "$root" -B "$dir" -DCMAKE_TOOLCHAIN_FILE=$toolchain \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINTRO_SHEET="$1" -DINTRO_TEXTS="${2:-}" \
          -DINTRO_MAKE_SHEET="$root/$INTRO_HOST_BUILD/tools/sheet/make-sheet"
}
build() { cmake --build "$dir" -j"$(nproc)" --target intro; }
embedded_is() {  # the exe's bitmap ALL is file $1 without its 14-byte file header
    wrestool -x --raw --type=2 --name=ALL "$dir/intro.exe" >"$work/embedded" && cmp "$work/embedded" <(tail -c +15 "$1")
}
refused_build() { ! build >"$work/refused.log" 2>&1; }  # the build fails; its output is kept
refusal_says() { grep -q -- "$1" "$work/refused.log" || { cat "$work/refused.log"; false; }; }
configure_refused_with() {  # what the failing configure must say, then the sheet and text file
    ! configure "${@:2}" >"$work/configure.log" 2>&1 && grep -q -- "$1" "$work/configure.log"
}
rebuilt_with() { configure "$1" && build; }

cp resources/all.bmp "$work/good.bmp"
poke_pixel "$work/good.bmp" 100 7   # a different star in the space scene: still a usable sheet
cp resources/all.bmp "$work/broken.bmp"
poke_pixel "$work/broken.bmp" 650 7  # art in the logo's black foot, which the opening panel shows

check "the replacement differs from the project's sheet" bash -c "! cmp -s resources/all.bmp $work/good.bmp"
check "a usable replacement configures" configure "$work/good.bmp"
check "and builds" build
check "and is the bitmap ALL of intro.exe" embedded_is "$work/good.bmp"
check "a broken sheet configures" configure "$work/broken.bmp"
check "but its build stops" refused_build
check "with sheet-check's findings" refusal_says "black-rows: rows 638-678 must be black"
check "naming the refused file" refusal_says "The sheet $work/broken.bmp cannot go into intro.exe"
check "a missing sheet stops the configure" configure_refused_with 'there is no sheet file' "$work/none.bmp"

# The German words: the sheet in intro.exe is the one make-sheet letters from them.
$INTRO_HOST_BUILD/tools/sheet/make-sheet --texts resources/texts/de.txt --out-bmp "$work/de.bmp" --out-ico "$work/de.ico"
sed 's/^caption.place = .*/caption.place = A place far too long for the caption line/' resources/texts/en.txt \
    >"$work/wide.txt"
check "a text file configures" configure "$root/resources/all.bmp" "$root/resources/texts/de.txt"
check "and builds" build
check "and its lettered sheet is the bitmap ALL of intro.exe" embedded_is "$work/de.bmp"
check "a text file make-sheet refuses configures" configure "$root/resources/all.bmp" "$work/wide.txt"
check "but its build stops" refused_build
check "with make-sheet's reason" refusal_says "wide.txt:5: caption.place: "
check "a missing text file stops the configure" \
    configure_refused_with 'there is no text file' "$root/resources/all.bmp" "$work/none.txt"
check "back on the project's sheet, it builds" rebuilt_with "$root/resources/all.bmp"
check "and ALL is the project's sheet again" embedded_is resources/all.bmp

# The program's objects reference no allocation function: whatever the
# stand-in does, RenderFrame and the rest never ask for heap memory themselves.
# The one exception is the hand-over, which builds its command lines in
# std::string once the display is released; the pattern sees the standard
# library's allocating string and container code as well as the C allocators.
allocators='operator new|malloc|calloc|realloc|strdup|posix_memalign|std::allocator|_M_create'
undefined() {  # nm program, archive or objects: their undefined symbols, failing when there are none
    # (the sanitizers' own calls, which a build with them adds, left out)
    "$1" -C -u "${@:2}" | grep -vE ' __(asan|ubsan)_' >"$work/undefined" && grep -q . "$work/undefined"
}
no_allocation() { undefined "$@" && ! grep -E "$allocators" "$work/undefined"; }
allocates() { undefined "$@" && grep -qE "$allocators" "$work/undefined"; }
only_strings_allocate() {  # every allocating reference is std::string's
    undefined "$@" && grep -E "$allocators" "$work/undefined" >"$work/allocating" && grep -q . "$work/allocating" &&
        ! grep -v 'basic_string<char' "$work/allocating"
}
host_objects=$work/host-objects
mkdir -p "$host_objects" && (cd "$host_objects" && ar x "$root/$INTRO_HOST_BUILD/libintro_program.a")
but_shutdown() { printf '%s\n' "$@" | grep -vE '/shutdown\.cpp\.o(bj)?$'; }  # objects, the hand-over's left out
check "the host build's program code, the hand-over aside, calls no allocator" \
    no_allocation nm $(but_shutdown "$host_objects"/*.o)
check "the host build's hand-over allocates only its command-line strings" \
    only_strings_allocate nm "$host_objects/shutdown.cpp.o"
check "(while the stand-in's code does, as the check can see)" allocates nm $INTRO_HOST_BUILD/libhost_platform.a
# The platform functions that base/platform.h lists are the ones the program's code
# calls: those its objects leave undefined and the host stand-in defines.
platform_list() {  # the names on the list's lines, without the family labels
    sed -n '/What the program asks of the platform/,/and the methods of/p' base/platform.h | grep '^//   ' |
        grep -oE '[A-Za-z_][A-Za-z0-9_]*' | grep -vxE 'USER|GDI|KERNEL|DirectDraw|MCI' | sort -u
}
platform_calls() {
    nm -C --defined-only "$root/$INTRO_HOST_BUILD/libhost_platform.a" | awk '$2 == "T" { $1 = $2 = ""; print }' |
        sed 's/^ *//; s/(.*//' | sort -u >"$work/served"
    nm -C -u "$host_objects"/*.o | awk '{ $1 = ""; print }' | sed 's/^ *//; s/(.*//' | sort -u |
        comm -12 "$work/served" -
}
listed_is_called() { diff <(platform_list) <(platform_calls); }
check "base/platform.h lists exactly the platform functions the program calls" listed_is_called
win32=$root/build/win32/CMakeFiles/intro.dir
check "the Windows build's program code, the hand-over aside, calls no allocator" \
    no_allocation i686-w64-mingw32-nm $(but_shutdown "$win32"/*/*.obj)
check "the Windows build's hand-over allocates only its command-line strings" \
    only_strings_allocate i686-w64-mingw32-nm "$win32"/app/shutdown.cpp.obj
win64=$root/build/win64/CMakeFiles/intro.dir
check "the 64-bit build's program code, the hand-over aside, calls no allocator" \
    no_allocation x86_64-w64-mingw32-nm $(but_shutdown "$win64"/*/*.obj)
check "the 64-bit build's hand-over allocates only its command-line strings" \
    only_strings_allocate x86_64-w64-mingw32-nm "$win64"/app/shutdown.cpp.obj
check "the program's folders include only the floors below them (tools/include-map.sh)" bash tools/include-map.sh --check
checks_done
