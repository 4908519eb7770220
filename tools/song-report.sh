#!/usr/bin/env bash
# Renders the soundtrack through the engine (xmrender), prints the peak and RMS level of every section and
# draws a spectrogram of the 120 seconds.
#   tools/song-report.sh [BUILD_DIR] [OUTPUT_DIR]     (defaults: build/release, BUILD_DIR/song-report)
# Needs sox. Builds xmrender and the module first, configuring BUILD_DIR as the README does if needed.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=${1:-$root/build/release}
out=${2:-$build/song-report}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELBRY_WERROR=ON >/dev/null
fi
ninja -C "$build" -j "${VELBRY_JOBS:-2}" xmrender velbry_song_module >/dev/null
mkdir -p "$out"

module=$build/data/velbry2007.xm
wav=$out/velbry2007.wav
"$build/tools/xmrender/xmrender" --seconds 120 "$module" "$wav" >/dev/null

# Section boundaries in seconds: where the pictures change.
bounds=(0 24 36 48 60 80 100 120)
printf '%-12s %10s %10s %10s\n' "section" "peak dBFS" "RMS dBFS" "peak"
for ((i = 0; i + 1 < ${#bounds[@]}; ++i)); do
  start=${bounds[i]}
  length=$((bounds[i + 1] - start))
  stats=$(sox "$wav" -n trim "$start" "$length" stats 2>&1)
  peak_db=$(awk '/^Pk lev dB/ {print $4}' <<<"$stats")
  rms_db=$(awk '/^RMS lev dB/ {print $4}' <<<"$stats")
  peak=$(awk '/^Max level/ {m=$3} /^Min level/ {n=$3} END {a=(m<0?-m:m); b=(n<0?-n:n); printf "%.0f", (a>b?a:b)*32768}' <<<"$stats")
  printf '%-12s %10s %10s %10s\n' "$start-${bounds[i + 1]} s" "$peak_db" "$rms_db" "$peak"
done
whole=$(sox "$wav" -n stats 2>&1)
printf '%-12s %10s %10s\n' "0-120 s" "$(awk '/^Pk lev dB/ {print $4}' <<<"$whole")" \
  "$(awk '/^RMS lev dB/ {print $4}' <<<"$whole")"

sox "$wav" -n remix - spectrogram -x 1200 -y 513 -z 90 -t "velbry2007 soundtrack, 0-120 s (engine render)" \
  -o "$out/velbry2007-spectrogram.png"
echo "spectrogram: $out/velbry2007-spectrogram.png"
echo "render:      $wav"
