#!/usr/bin/env bash
# Installs everything the builds, the tests and the Wine runs need, from Debian's packages.
# Idempotent: a machine that already has it all makes no apt call at all. Installing is
# the one step that needs root: run as a user, it asks sudo for apt-get and dpkg alone.
set -euo pipefail

# Both Windows builds are made on every machine; only the Wine that runs them
# depends on the machine (scripts/wine.sh decides which).
PACKAGES=(
  cmake make g++ clang libclang-rt-14-dev file
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  libgtest-dev libbenchmark-dev libpng-dev libfreetype-dev fonts-dejavu-core
  wine64 xvfb xdotool x11-utils xauth imagemagick ffmpeg valgrind icoutils gnuplot-nox
  python3-pil pulseaudio pulseaudio-utils fluidsynth timgm6mb-soundfont sox python3-numpy
  libstb-dev vorbis-tools
)
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"
# The 32-bit Wine, where this machine can run it: with the i386 architecture and,
# when the mirror's i386 lists lag, the version pins below.
[ "$INTRO_WIN_BITS" = 64 ] || PACKAGES+=(wine wine32:i386)

missing_packages() {  # one dpkg-query for all: the check runs before every run
  # dpkg-query fails when a package is unknown to it: the missing ones are the point.
  { dpkg-query -W -f='${Package} ${Package}:${Architecture} ${Status}\n' "${PACKAGES[@]}" 2>/dev/null || true; } |
    awk -v wanted="${PACKAGES[*]}" '/ install ok installed$/ { have[$1]; have[$2] }
      END { n = split(wanted, w, " "); for (i = 1; i <= n; i++) if (!(w[i] in have)) print w[i] }'
}

# The i386 package lists can lag the amd64 ones (a mirror in mid-sync); wine32 then needs
# each shared library at the same version on both architectures. Ask apt which
# dependencies it cannot meet and pin both architectures to the version i386 has.
#
# The pins for one failed simulation, from its messages:
#  "A : Depends: B:i386 ..."                  both copies of B at the i386 candidate;
#  "A : Depends: B (= V) but W is to be installed"   A at W as well;
#  "A : Depends: B (...) but it is not going to be installed" (or "not installable"): B's amd64 copy is newer
#   than the i386 copy wine32 holds; when B has an i386 copy (installed, or else a
#   candidate), its amd64 copy at that version;
#  "Packages need to be removed but remove is disabled": apt would upgrade amd64 copies
#   away from their i386 copies and remove what needs both; each amd64 copy it would
#   install ("Inst B" without --no-remove) newer than B's installed i386 copy, at that one;
#   and each package it would remove ("Remv B", such as libssl-dev once libssl3 moves to
#   the i386 version) asked for as well, so that apt moves it along instead.
pins_for() {  # apt's output, the packages asked for
  local out=$1 p v a w plan
  shift
  if grep -q 'remove is disabled' <<<"$out"; then
    plan=$(DEBIAN_FRONTEND=noninteractive apt-get install -s --no-install-recommends "$@" 2>/dev/null || true)
    for p in $(sed -nE 's/^Inst ([a-z0-9.+-]+)(:amd64)? .*/\1/p' <<<"$plan" | sort -u); do
      v=$(dpkg-query -W -f='${Version}' "$p:i386" 2>/dev/null || true)
      # Only where the pin changes something: a copy apt would take newer than i386's.
      [ -n "$v" ] && [ "$(apt-cache policy "$p:amd64" | awk '/Candidate/{print $2}')" != "$v" ] && echo "$p:amd64=$v"
    done
    sed -nE 's/^Remv ([a-z0-9.+:-]+) .*/\1/p' <<<"$plan" | sort -u
  fi
  for p in $(grep -oE 'Depends: [a-z0-9.+-]+:i386' <<<"$out" | awk '{print $2}' | sed 's/:i386$//' | sort -u); do
    v=$(apt-cache policy "$p:i386" | awk '/Candidate/{print $2}')
    echo "$p:amd64=$v $p:i386=$v"
  done
  while read -r a w; do
    [ -n "$a" ] && echo "$a=$w"
  done < <(sed -nE 's/^ *([a-z0-9.+-]+(:[a-z0-9]+)?) : Depends: [^ ]+ \(= [^)]+\) but ([^ ]+) is to be installed.*/\1 \3/p' <<<"$out")
  for p in $(sed -nE 's/.*Depends: ([a-z0-9.+-]+)( \([^)]*\))? but it is not (going to be )?install(ed|able).*/\1/p' <<<"$out" | sort -u); do
    v=$(dpkg-query -W -f='${Version}' "$p:i386" 2>/dev/null || true)
    [ -n "$v" ] || v=$(apt-cache policy "$p:i386" 2>/dev/null | awk '/Candidate/{print $2}')
    [ -n "$v" ] && [ "$v" != "(none)" ] && echo "$p:amd64=$v"
  done
  return 0
}

install_with_pins() {
  local pins="" out new
  for _ in 1 2 3 4 5 6 7 8 9 10; do
    out=$(DEBIAN_FRONTEND=noninteractive $as_root apt-get install -s --no-remove --no-install-recommends "$@" $pins 2>&1) && \
      ! grep -q '^E:' <<<"$out" && break
    new=$(pins_for "$out" "$@" $pins | tr '\n' ' ')
    # Pins already asked for that apt still refuses would loop: give up with its words.
    if [ -z "${new// }" ] || [ -z "$(comm -13 <(tr ' ' '\n' <<<"$pins" | sort -u) <(tr ' ' '\n' <<<"$new" | sort -u) | grep .)" ]; then
      echo "$out" >&2
      return 1
    fi
    pins="$pins $new"
  done
  echo "setup: pinned to the i386 versions:$pins"
  DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-remove --no-install-recommends --allow-downgrades "$@" $pins
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
  echo "setup: installing $(echo $missing | wc -w) packages (first run only; $INTRO_WIN_WHY): $(echo $missing)"
  need_root
  if [ "$INTRO_WIN_BITS" = 32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $as_root dpkg --add-architecture i386
  fi
  $as_root apt-get update -qq || true   # a list that fails to refresh is taken as it was
  # shellcheck disable=SC2086
  # With pins, ask for every package, not only the missing ones: pinning a shared library
  # back would otherwise let apt remove a -dev package that is already here.
  # --no-remove: a set that apt could only install by removing something (wine32:i386,
  # when the two copies of a library part ways) is refused instead.
  if [ "$INTRO_WIN_BITS" = 32 ]; then
    DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-remove --no-install-recommends $missing >/dev/null 2>&1 \
      || install_with_pins "${PACKAGES[@]}"
  else
    # Nothing of the i386 side is asked for, so no pin is needed, even where the
    # architecture is there from an earlier set-up.
    DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
  fi
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    echo "setup: could not install: $(echo $missing)" >&2
    return 1
  fi
  if [ "$INTRO_WIN_BITS" = 32 ] && ! dpkg-query -W -f='${Status}\n' wine32:i386 2>/dev/null | grep -q '^install ok installed'; then
    echo "setup: wine32:i386 is not installed any more: the Wine runs cannot work" >&2
    return 1
  fi
}

[ "${BASH_SOURCE[0]}" != "$0" ] || main "$@"
