#!/usr/bin/env bash
# Configures and builds both Windows targets with mingw-w64: i686 (the shipped 32-bit target) in
# build/mingw-i686 and x86_64 (the one that runs here under wine64) in build/mingw-x86_64, warnings as errors,
# each with the soundtrack module and the scene script made by tools compiled for this machine.
# Usage: tools/cross-build.sh [ninja targets...]   (default: everything)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="${VELBRY_JOBS:-2}"

# The build makes its data tools for this machine (in DIR/host-tools) and with them the soundtrack module
# and the scene script; a full build without them has failed, whatever ninja says.
build() {
  local arch="$1" dir="$2"
  echo "cross-build: $arch in $dir"
  cmake -S "$root" -B "$root/$dir" -G Ninja -DVELBRY_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" >/dev/null
  ninja -C "$root/$dir" -j "$jobs" "${@:3}"
  if [ $# -eq 2 ]; then
    for made in data/velbry2007.xm data/velbry2007.script; do
      [ -s "$root/$dir/$made" ] || { echo "cross-build: $dir has no $made" >&2; exit 1; }
    done
  fi
}

build i686 build/mingw-i686 "$@"
build x86_64 build/mingw-x86_64 "$@"
echo "cross-build: both Windows targets built"
