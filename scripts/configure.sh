# The configure step of a build folder, for scripts/build.sh and scripts/package.sh:
# each folder is configured once, and again only when its compiler changed.
# Sourced from the project's root.

configure() {  # folder, then cmake options
    local dir=$1; shift
    stale_compiler "$dir" "$@" && rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    [ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# Whether the folder was configured with another compiler than its toolchain file
# names now (the thread model changed): cmake would keep using the first one.
stale_compiler() {  # folder, then cmake options
    local dir=$1 option toolchain="" want have
    for option in "${@:2}"; do
        case $option in -DCMAKE_TOOLCHAIN_FILE=*) toolchain=${option#*=} ;; esac
    done
    [ -n "$toolchain" ] || return 1
    want=$(sed -nE 's/^set\(CMAKE_CXX_COMPILER ([^ )]+)\)/\1/p' "$toolchain")
    have=$(sed -nE 's/^set\(CMAKE_CXX_COMPILER "([^"]+)"\)/\1/p' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake 2>/dev/null | head -1)
    [ -n "$have" ] && [ "${have##*/}" != "$want" ]
}
