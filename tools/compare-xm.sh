#!/usr/bin/env bash
# Renders XM modules with our xmrender and with openmpt123 (linear interpolation, 44100 Hz, 16-bit) and
# compares the two renderings with xmcompare. Without module arguments it compares jeu1.xm and jeu2.xm from
# Debian's ri-li-data package, fetched with `apt-get download` into a cache under build/ (never committed).
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: tools/compare-xm.sh [options] [MODULE.xm ...]
  --build-dir DIR   native build directory (default build/release)
  --cache DIR       download and render folder (default <build-dir>/xmcompare)
  --seconds N       seconds rendered from each module (default 120)
  --no-build        use the xmrender and xmcompare binaries already built
USAGE
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build/release"
cache=""
seconds=120
build=1
modules=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$(realpath -m "${2:?}")"; shift ;;
    --cache) cache="$(realpath -m "${2:?}")"; shift ;;
    --seconds) seconds="${2:?--seconds needs a value}"; shift ;;
    --no-build) build=0 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *) modules+=("$(realpath "$1")") ;;
  esac
  shift
done
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "compare-xm: --seconds needs a whole number above 0" >&2
  exit 2
fi
cache="${cache:-$build_dir/xmcompare}"
jobs="${VELBRY_JOBS:-2}"
log() { echo "compare-xm: $*" >&2; }

for tool in openmpt123 apt-get dpkg-deb; do
  command -v "$tool" >/dev/null 2>&1 || { log "$tool is missing (tools/setup-debian.sh installs it)"; exit 1; }
done

if [ "$build" -eq 1 ]; then
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELBRY_WERROR=ON >/dev/null
  fi
  ninja -C "$build_dir" -j "$jobs" xmrender xmcompare >/dev/null
fi
xmrender="$build_dir/tools/xmrender/xmrender"
xmcompare="$build_dir/tools/xmcompare/xmcompare"
for exe in "$xmrender" "$xmcompare"; do
  [ -x "$exe" ] || { log "$exe is not built"; exit 1; }
done

mkdir -p "$cache"
if [ ${#modules[@]} -eq 0 ]; then
  if ! compgen -G "$cache/ri-li-data_*.deb" >/dev/null; then
    log "fetching ri-li-data"
    (cd "$cache" && apt-get download ri-li-data >/dev/null)
  fi
  deb="$(compgen -G "$cache/ri-li-data_*.deb" | head -n 1)"
  rm -rf "$cache/extracted"
  dpkg-deb -x "$deb" "$cache/extracted"
  for name in jeu1 jeu2; do
    module="$(find "$cache/extracted" -name "$name.xm" -print -quit)"
    [ -n "$module" ] || { log "$name.xm is not in $deb"; exit 1; }
    modules+=("$module")
  done
fi

for module in "${modules[@]}"; do
  name="$(basename "$module" .xm)"
  cp "$module" "$cache/$name.xm"
  "$xmrender" --seconds "$seconds" "$cache/$name.xm" "$cache/$name.ours.wav" >/dev/null
  # openmpt123 writes IN.xm.wav next to its input.
  openmpt123 --quiet --render --force --no-float --dither 0 --filter 2 --samplerate 44100 \
             --end-time "$seconds" "$cache/$name.xm" >/dev/null 2>&1
  mv -f "$cache/$name.xm.wav" "$cache/$name.openmpt.wav"
  "$xmcompare" "$cache/$name.ours.wav" "$cache/$name.openmpt.wav" "$name.xm"
done
