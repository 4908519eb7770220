#!/usr/bin/env bash
# Renders frames of the presentation with the software device (the native velbry2007 --frame) and with
# the real Direct3D 9 (the x86_64 Windows build's --frame under wine64 on a virtual X display), and prints
# the PSNR of each frame between the two, with a difference image per frame. A report by default; with
# --strict also a gate.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: tools/frame-compare.sh [options]
  --strict           exit 1 when a frame's PSNR is below the threshold
  --threshold DB     threshold for --strict and the BELOW marks (default 30)
  --times "T ..."    presentation times in seconds (default "0.5 5 30 65 115")
  --native-dir DIR   native build directory (default build/release)
  --windows-dir DIR  x86_64 mingw build directory (default build/mingw-x86_64)
  --out DIR          output directory (default <windows-dir>/frame-compare)
  --no-build         use the velbry2007 programs already built
USAGE
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
strict=0
threshold=30
times="0.5 5 30 65 115"
native_dir="$root/build/release"
windows_dir="$root/build/mingw-x86_64"
out_dir=""
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --strict) strict=1 ;;
    --threshold) threshold="${2:?--threshold needs a value}"; shift ;;
    --times) times="${2:?--times needs a value}"; shift ;;
    --native-dir) native_dir="$(realpath -m "${2:?}")"; shift ;;
    --windows-dir) windows_dir="$(realpath -m "${2:?}")"; shift ;;
    --out) out_dir="$(realpath -m "${2:?}")"; shift ;;
    --no-build) build=0 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
if ! [[ "$threshold" =~ ^[0-9]+([.][0-9]+)?$ ]]; then
  echo "frame-compare: threshold must be a number of dB, got '$threshold'" >&2
  exit 2
fi
for t in $times; do
  [[ "$t" =~ ^[0-9]+([.][0-9]+)?$ ]] || { echo "frame-compare: '$t' is not a time in seconds" >&2; exit 2; }
done
out_dir="${out_dir:-$windows_dir/frame-compare}"
jobs="${VELBRY_JOBS:-2}"
log() { echo "frame-compare: $*" >&2; }
. "$root/tools/lib/windows-compare.sh"

if [ "$build" -eq 1 ]; then
  [ -f "$native_dir/build.ninja" ] ||
    cmake -S "$root" -B "$native_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELBRY_WERROR=ON >/dev/null
  ninja -C "$native_dir" -j "$jobs" velbry2007 >/dev/null
  [ -f "$windows_dir/build.ninja" ] ||
    cmake -S "$root" -B "$windows_dir" -G Ninja -DVELBRY_WERROR=ON \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
  ninja -C "$windows_dir" -j "$jobs" velbry2007 >/dev/null
fi
native_exe="$native_dir/velbry2007"
windows_exe="$windows_dir/velbry2007.exe"
for exe in "$native_exe" "$windows_exe"; do
  [ -f "$exe" ] || { log "missing $exe (build it or drop --no-build)"; exit 1; }
done

wine_display_start frame-compare || exit 1
wine_environment "$windows_dir" || exit 1
[ -d "$WINEPREFIX" ] || log "initialising the Wine prefix $WINEPREFIX (first run, takes a while)"

rm -rf "$out_dir"
mkdir -p "$out_dir/soft" "$out_dir/d3d9" "$out_dir/diff"
count=0
printf '%-10s %10s\n' "time (s)" "PSNR (dB)"
for t in $times; do
  count=$((count + 1))
  soft_png="$out_dir/soft/$t.png"
  d3d9_png="$out_dir/d3d9/$t.png"
  "$native_exe" --frame "$t" --out "$soft_png" 2>>"$out_dir/soft.log" ||
    { cat "$out_dir/soft.log" >&2; log "the software frame at $t s failed"; exit 1; }
  timeout 900 "$wine_bin" "$windows_exe" --frame "$t" --out "$d3d9_png" >>"$out_dir/d3d9.log" 2>&1 ||
    { cat "$out_dir/d3d9.log" >&2; log "the Direct3D 9 frame at $t s under Wine failed"; exit 1; }
  psnr_row 10 "$t" "$soft_png" "$d3d9_png" "$out_dir/diff/$t.png"
done
below=$psnr_below
lowest=""
[ -z "$psnr_worst_name" ] || lowest=", lowest $psnr_worst dB at $psnr_worst_name s"
echo "summary: $count frames, $below below $threshold dB$lowest; images and differences in $out_dir"
if [ "$strict" -eq 1 ] && [ "$below" -gt 0 ]; then
  exit 1
fi
exit 0
