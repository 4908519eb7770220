#!/usr/bin/env bash
# Draws the device-check scenes with the software device (native build) and with the real Direct3D 9 (the
# x86_64 Windows build under wine64 on a virtual X display) and prints the PSNR of every scene between the
# two, with a difference image per scene. A report by default; with --strict also a gate.
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: tools/devicecheck-compare.sh [options]
  --strict           exit 1 when a scene's PSNR is below the threshold
  --threshold DB     threshold for --strict and the BELOW marks (default 35)
  --native-dir DIR   native build directory (default build/release)
  --windows-dir DIR  x86_64 mingw build directory (default build/mingw-x86_64)
  --out DIR          output directory (default <windows-dir>/devicecheck-compare)
  --no-build         use the devicecheck binaries already built
USAGE
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
strict=0
threshold=35
native_dir="$root/build/release"
windows_dir="$root/build/mingw-x86_64"
out_dir=""
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --strict) strict=1 ;;
    --threshold) threshold="${2:?--threshold needs a value}"; shift ;;
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
  echo "devicecheck-compare: threshold must be a number of dB, got '$threshold'" >&2
  exit 2
fi
out_dir="${out_dir:-$windows_dir/devicecheck-compare}"
jobs="${VELBRY_JOBS:-2}"

log() { echo "devicecheck-compare: $*" >&2; }

# --- build -------------------------------------------------------------------------------------------
if [ "$build" -eq 1 ]; then
  if [ ! -f "$native_dir/build.ninja" ]; then
    cmake -S "$root" -B "$native_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELBRY_WERROR=ON >/dev/null
  fi
  ninja -C "$native_dir" -j "$jobs" devicecheck >/dev/null
  if [ ! -f "$windows_dir/build.ninja" ]; then
    cmake -S "$root" -B "$windows_dir" -G Ninja -DVELBRY_WERROR=ON \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
  fi
  ninja -C "$windows_dir" -j "$jobs" devicecheck >/dev/null
fi
native_exe="$native_dir/tools/devicecheck/devicecheck"
windows_exe="$windows_dir/tools/devicecheck/devicecheck.exe"
for exe in "$native_exe" "$windows_exe"; do
  [ -x "$exe" ] || [ -f "$exe" ] || { log "missing $exe (build it or drop --no-build)"; exit 1; }
done

# --- virtual display and Wine ------------------------------------------------------------------------
. "$root/tools/lib/windows-compare.sh"
wine_display_start devicecheck-compare || exit 1
wine_environment "$windows_dir" || exit 1
if [ ! -d "$WINEPREFIX" ]; then
  log "initialising the Wine prefix $WINEPREFIX (first run, takes a while)"
fi

# --- draw ----------------------------------------------------------------------------------------------
rm -rf "$out_dir/soft" "$out_dir/d3d9" "$out_dir/diff"
mkdir -p "$out_dir/soft" "$out_dir/d3d9" "$out_dir/diff"
"$native_exe" "$out_dir/soft" --device soft >"$out_dir/soft.log" 2>&1 ||
  { cat "$out_dir/soft.log" >&2; log "the software run failed"; exit 1; }
# The first start of a fresh prefix creates it before the program runs.
timeout 900 "$wine_bin" "$windows_exe" "$out_dir/d3d9" --device d3d9 >"$out_dir/d3d9.log" 2>&1 ||
  { cat "$out_dir/d3d9.log" >&2; log "the Direct3D 9 run under Wine failed"; exit 1; }

# --- compare -----------------------------------------------------------------------------------------
count=0
missing=0
printf '%-24s %10s\n' "scene" "PSNR (dB)"
for soft_png in "$out_dir"/soft/*.png; do
  scene="$(basename "$soft_png" .png)"
  d3d9_png="$out_dir/d3d9/$scene.png"
  count=$((count + 1))
  if [ ! -f "$d3d9_png" ]; then
    printf '%-24s %10s\n' "$scene" "missing"
    missing=$((missing + 1))
    continue
  fi
  psnr_row 24 "$scene" "$soft_png" "$d3d9_png" "$out_dir/diff/$scene.png"
done
below=$psnr_below

summary="$count scenes, $below below $threshold dB"
[ "$missing" -eq 0 ] || summary="$summary, $missing missing from the Direct3D 9 run"
[ -z "$psnr_worst_name" ] || summary="$summary, lowest $psnr_worst dB ($psnr_worst_name)"
echo "summary: $summary; images and differences in $out_dir"

if [ "$count" -eq 0 ] || [ "$missing" -gt 0 ]; then
  exit 1
fi
if [ "$strict" -eq 1 ] && [ "$below" -gt 0 ]; then
  exit 1
fi
exit 0
