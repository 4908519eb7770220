# Sourced by the scripts that compare the software device with Direct3D 9 through the x86_64 Windows build
# under wine64: a virtual X display when there is none (stopped when the script exits), Wine's environment
# for a prefix inside the build folder, and one table row of PSNR per picture pair.
#   wine_display_start LOG_PREFIX      sets DISPLAY, starting Xvfb on a free number when it is unset
#   wine_environment WINDOWS_DIR       exports WINEDEBUG, WINEDLLOVERRIDES and WINEPREFIX; sets wine_bin
#   psnr_row WIDTH NAME SOFT D3D9 DIFF prints NAME and the PSNR (BELOW marked against $threshold), writes
#                                      the difference image, counts psnr_below, keeps psnr_worst(_name)

wine_display_xvfb_pid=""
wine_display_stop() {
  if [ -n "$wine_display_xvfb_pid" ]; then kill "$wine_display_xvfb_pid" 2>/dev/null || true; fi
}

wine_display_start() {
  local prefix="$1" display=""
  [ -z "${DISPLAY:-}" ] || return 0
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display="$n"; break; fi
  done
  [ -n "$display" ] || { echo "$prefix: no free X display number between :90 and :140" >&2; return 1; }
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  wine_display_xvfb_pid=$!
  trap wine_display_stop EXIT
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$wine_display_xvfb_pid" 2>/dev/null || { echo "$prefix: Xvfb :$display did not start" >&2; return 1; }
    sleep 0.1
  done
  export DISPLAY=":$display"
  echo "$prefix: started Xvfb on $DISPLAY" >&2
}

wine_environment() {
  local windows_dir="$1"
  wine_bin="$(command -v wine64 || true)"
  [ -n "$wine_bin" ] || wine_bin=/usr/lib/wine/wine64
  [ -x "$wine_bin" ] || { echo "wine64 not found" >&2; return 1; }
  export WINEDEBUG=-all
  # No Mono or Gecko: a fresh prefix would otherwise offer to install them in a dialog nobody sees.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  export WINEPREFIX="${WINEPREFIX:-$windows_dir/wineprefix}"
}

psnr_below=0
psnr_worst=""
psnr_worst_name=""
psnr_row() {
  local width="$1" name="$2" soft="$3" d3d9="$4" diff="$5" psnr mark=""
  # compare prints the metric on stderr and exits 1 when the images differ.
  psnr="$(compare -metric PSNR "$soft" "$d3d9" null: 2>&1 || true)"
  psnr="${psnr%% *}"
  compare "$soft" "$d3d9" "$diff" 2>/dev/null || true
  if awk -v p="$psnr" -v t="$threshold" 'BEGIN { exit !(p != "inf" && p + 0 < t + 0) }'; then
    mark="  BELOW $threshold"
    psnr_below=$((psnr_below + 1))
  fi
  if [ "$psnr" != "inf" ] &&
     { [ -z "$psnr_worst" ] || awk -v p="$psnr" -v w="$psnr_worst" 'BEGIN { exit !(p + 0 < w + 0) }'; }; then
    psnr_worst="$psnr"
    psnr_worst_name="$name"
  fi
  printf "%-${width}s %10s%s\n" "$name" "$psnr" "$mark"
}
