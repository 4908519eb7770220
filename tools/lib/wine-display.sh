# Sourced by the scripts that run the x86_64 Windows build under wine64: a virtual X display when there is
# none (stopped when the script exits), and Wine's environment for a prefix inside the build folder.
#   wine_display_start LOG_PREFIX      sets DISPLAY, starting Xvfb on a free number when it is unset
#   wine_environment WINDOWS_DIR       exports WINEDEBUG, WINEDLLOVERRIDES and WINEPREFIX; sets wine_bin

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
