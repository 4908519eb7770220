#!/usr/bin/env bash
# Renders XM modules with our xmrender and with two reference players, openmpt123 and xmp (linear
# interpolation, 44100 Hz, 16-bit), and reports for each module how alike the three renderings sound
# (xmcompare --score: mean spectral similarity of 50 ms blocks at the best alignment, 0..1). A module
# counts as matched when ours is as close to the nearer reference as the two references are to each
# other (within --tolerance). Arguments are modules or folders of modules (*.xm); without any it compares
# jeu1.xm and jeu2.xm from Debian's ri-li-data package, fetched with `apt-get download` into a cache under
# build/ (never committed).
set -euo pipefail

usage() {
  cat <<'USAGE'
usage: tools/compare-xm.sh [options] [MODULE.xm | FOLDER ...]
  --build-dir DIR   native build directory (default build/release)
  --cache DIR       download and render folder (default <build-dir>/xmcompare)
  --seconds N       seconds rendered from each module (default 120)
  --rules R         the rules xmrender plays by: ft2 (default) or engine
  --tolerance T     how far below the references' own score ours may be and still match (default 0.01)
  --detail          also print xmcompare's full report of ours against openmpt123 per module
  --no-build        use the xmrender and xmcompare binaries already built
USAGE
}

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$root/build/release"
cache=""
seconds=120
rules=ft2
tolerance=0.01
detail=0
build=1
modules=()
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build_dir="$(realpath -m "${2:?}")"; shift ;;
    --cache) cache="$(realpath -m "${2:?}")"; shift ;;
    --seconds) seconds="${2:?--seconds needs a value}"; shift ;;
    --rules) rules="${2:?--rules needs a value}"; shift ;;
    --tolerance) tolerance="${2:?--tolerance needs a value}"; shift ;;
    --detail) detail=1 ;;
    --no-build) build=0 ;;
    -h|--help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
    *)
      if [ -d "$1" ]; then
        while IFS= read -r -d '' found; do modules+=("$found"); done \
          < <(find "$(realpath "$1")" -maxdepth 1 -type f -iname '*.xm' -print0 | sort -z)
      else
        modules+=("$(realpath "$1")")
      fi ;;
  esac
  shift
done
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
  echo "compare-xm: --seconds needs a whole number above 0" >&2
  exit 2
fi
if [ "$rules" != ft2 ] && [ "$rules" != engine ]; then
  echo "compare-xm: --rules wants ft2 or engine" >&2
  exit 2
fi
if ! [[ "$tolerance" =~ ^[0-9]*\.?[0-9]+$ ]]; then
  echo "compare-xm: --tolerance needs a number" >&2
  exit 2
fi
cache="${cache:-$build_dir/xmcompare}"
jobs="${VELBRY_JOBS:-2}"
log() { echo "compare-xm: $*" >&2; }

for tool in openmpt123 xmp apt-get dpkg-deb; do
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

printf '%-28s %9s %9s %9s  %s\n' module ours~mpt ours~xmp mpt~xmp "ours as close (rules $rules)"
matched=0
total=0
for module in "${modules[@]}"; do
  name="$(basename "$module")"
  name="${name%.*}"
  cp "$module" "$cache/$name.xm"
  if ! "$xmrender" --rules "$rules" --seconds "$seconds" "$cache/$name.xm" "$cache/$name.ours.wav" >/dev/null; then
    printf '%-28s %s\n' "$name" "xmrender refused it"
    total=$((total + 1))
    continue
  fi
  # openmpt123 writes IN.xm.wav next to its input.
  openmpt123 --quiet --render --force --no-float --dither 0 --filter 2 --samplerate 44100 \
             --end-time "$seconds" "$cache/$name.xm" >/dev/null 2>&1
  mv -f "$cache/$name.xm.wav" "$cache/$name.openmpt.wav"
  xmp --quiet --interpolation linear --time "$seconds" --output-file "$cache/$name.xmp.wav" \
      "$cache/$name.xm" >/dev/null 2>&1
  ours_mpt=$("$xmcompare" --score "$cache/$name.ours.wav" "$cache/$name.openmpt.wav")
  ours_xmp=$("$xmcompare" --score "$cache/$name.ours.wav" "$cache/$name.xmp.wav")
  mpt_xmp=$("$xmcompare" --score "$cache/$name.openmpt.wav" "$cache/$name.xmp.wav")
  verdict=$(awk -v a="$ours_mpt" -v b="$ours_xmp" -v r="$mpt_xmp" -v t="$tolerance" \
                'BEGIN { m = a > b ? a : b; print (m >= r - t) ? "yes" : "no" }')
  printf '%-28s %9s %9s %9s  %s\n' "$name" "$ours_mpt" "$ours_xmp" "$mpt_xmp" "$verdict"
  total=$((total + 1))
  [ "$verdict" = yes ] && matched=$((matched + 1))
  if [ "$detail" -eq 1 ]; then
    "$xmcompare" "$cache/$name.ours.wav" "$cache/$name.openmpt.wav" "$name.xm"
  fi
done
echo "compare-xm: $matched of $total modules as close to the nearer reference as the references are to each other (rules $rules, tolerance $tolerance, $seconds s)"
