#!/usr/bin/env bash
# The soundtrack module as other players see it, and its level through the engine's own renderer:
#   soundtrack_players_check.sh MODULE.xm XMRENDER
# openmpt123 --info and xmp --load-only must report the module's counts and its two minutes; a 120-second
# xmrender render must stay below full scale. Exits 77 (skipped) when a player or sox is missing.
set -euo pipefail

module=$1
xmrender=$2
for tool in openmpt123 xmp sox; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (tools/setup-debian.sh installs it)"
    exit 77
  fi
done

failures=0
expect() {  # expect DESCRIPTION TEXT PATTERN
  if grep -Eq "$3" <<<"$2"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1 (no line matching '$3')"
    failures=$((failures + 1))
  fi
}

info=$(openmpt123 --info "$module" 2>&1)
expect "openmpt123 channels" "$info" '^Channels\.+: 20$'
expect "openmpt123 orders" "$info" '^Orders\.+: 20$'
expect "openmpt123 patterns" "$info" '^Patterns\.+: 12$'
expect "openmpt123 instruments" "$info" '^Instruments: 11$'
expect "openmpt123 samples" "$info" '^Samples\.+: 11$'
expect "openmpt123 duration" "$info" '^Duration\.+: 0?2:00\.0'
expect "openmpt123 format" "$info" '^Type\.+: xm '

loaded=$(xmp --load-only "$module" 2>&1)
expect "xmp channels" "$loaded" '^Channels +: 20 '
expect "xmp order count" "$loaded" '^Module length: 20 patterns'
# libxmp keeps one spare empty pattern after the file's patterns, so it lists one more.
expect "xmp patterns" "$loaded" '^Patterns +: 13$'
expect "xmp instruments" "$loaded" '^Instruments +: 11$'
expect "xmp samples" "$loaded" '^Samples +: 11$'
expect "xmp duration" "$loaded" '^Duration +: 2min00s'

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$xmrender" --seconds 120 "$module" "$work/song.wav" >/dev/null
stats=$(sox "$work/song.wav" -n stats 2>&1)
peak=$(awk '/^Max level/ {m=$3} /^Min level/ {n=$3}
            END {a=(m<0?-m:m); b=(n<0?-n:n); printf "%.0f", (a>b?a:b)*32768}' <<<"$stats")
if [ "$peak" -lt 32767 ]; then
  echo "ok:   xmrender peak $peak is below full scale"
else
  echo "FAIL: xmrender peak $peak reaches full scale"
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
