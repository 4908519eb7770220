#!/usr/bin/env bash
# The presentation's soundtrack plays by the engine's own rules, and its sound is pinned: the 120-second
# render must stay the same to the last bit. A change here is a decision to change the presentation's
# music, made by updating the pin in the same commit.
#   soundtrack_pin_check.sh MODULE.xm XMRENDER
set -euo pipefail

readonly pinned=fc64cac0e8211dfcd0a48c2ea6ab824147985bbea842253301dccdf6ac0f1411
module=$1
xmrender=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$xmrender" --rules engine --seconds 120 "$module" "$work/soundtrack.wav" >/dev/null
actual=$(sha256sum "$work/soundtrack.wav" | cut -d' ' -f1)
if [ "$actual" != "$pinned" ]; then
  echo "FAIL: the soundtrack's render changed: sha256 $actual, pinned $pinned"
  exit 1
fi
echo "ok:   the soundtrack renders as pinned ($pinned)"
