#!/usr/bin/env bash
# Installs everything the builds, the tests and the Wine runs need, from Debian's packages.
# Idempotent: a machine that already has it all makes no apt call at all. Installing is
# the one step that needs root: run as a user, it asks sudo for apt-get and dpkg alone.
set -euo pipefail

PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev file
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  libgtest-dev libbenchmark-dev libpng-dev libfreetype-dev fonts-dejavu-core
  wine wine32:i386 xvfb xdotool x11-utils xauth imagemagick ffmpeg valgrind icoutils gnuplot-nox
  python3-pil
)

missing_packages() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"
  done
}

# The i386 package lists can lag the amd64 ones (a mirror in mid-sync); wine32 then needs
# each shared library at the same version on both architectures. Ask apt which
# dependencies it cannot meet and pin both architectures to the version i386 has.
install_with_pins() {
  local pins="" out new p v
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    out=$(DEBIAN_FRONTEND=noninteractive $as_root apt-get install -s --no-install-recommends "$@" $pins 2>&1) && \
      ! grep -q '^E:' <<<"$out" && break
    new=""
    for p in $(grep -oE 'Depends: [a-z0-9.+-]+:i386' <<<"$out" | awk '{print $2}' | sed 's/:i386$//' | sort -u); do
      v=$(apt-cache policy "$p:i386" | awk '/Candidate/{print $2}')
      new="$new $p:amd64=$v $p:i386=$v"
    done
    # "A : Depends: B (= V) but W is to be installed": take A at W as well.
    while read -r a w; do
      [ -n "$a" ] && new="$new $a=$w"
    done < <(sed -nE 's/^ *([a-z0-9.+-]+(:[a-z0-9]+)?) : Depends: [^ ]+ \(= [^)]+\) but ([^ ]+) is to be installed.*/\1 \3/p' <<<"$out")
    [ -n "$new" ] || { echo "$out" >&2; return 1; }
    pins="$pins $new"
  done
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends --allow-downgrades "$@" $pins
}

# Nothing when root; sudo otherwise (keeping DEBIAN_FRONTEND), or a clear stop.
as_root=""
need_root() {
  [ "$(id -u)" = 0 ] && return 0
  if ! command -v sudo >/dev/null; then
    echo "setup: installing needs root, and there is no sudo here: run scripts/setup.sh as root once" >&2
    return 1
  fi
  echo "setup: installing needs root: asking sudo for apt-get"
  as_root="sudo DEBIAN_FRONTEND=noninteractive"
}

main() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return 0
  echo "setup: installing $(echo $missing | wc -w) packages (first run only): $(echo $missing)"
  need_root
  if ! dpkg --print-foreign-architectures | grep -qx i386; then $as_root dpkg --add-architecture i386; fi
  $as_root apt-get update -qq || true   # a list that fails to refresh is taken as it was
  # shellcheck disable=SC2086
  # With pins, ask for every package, not only the missing ones: pinning a shared library
  # back would otherwise let apt remove a -dev package that is already here.
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null 2>&1 \
    || install_with_pins "${PACKAGES[@]}"
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    echo "setup: could not install: $(echo $missing)" >&2
    return 1
  fi
}

main "$@"
