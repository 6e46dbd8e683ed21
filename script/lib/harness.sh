# Sourced by the scripts: a private Wine prefix in the build folder, a display, and a
# wineserver kept running for the whole run; all stopped again on exit, also on failure.
# Usage: harness_start <build-dir>

harness_stop() {
  [[ -n ${WINEPREFIX:-} ]] && wineserver -k >/dev/null 2>&1 || true
  [[ -n ${TARN_XVFB_PID:-} ]] && kill "$TARN_XVFB_PID" >/dev/null 2>&1 || true
  TARN_XVFB_PID=
}

harness_start() {
  local build=$1
  export WINEPREFIX="$build/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  trap harness_stop EXIT

  # One display for the whole run, set before the first Wine process starts.
  local n
  for n in $(seq 90 140); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    TARN_XVFB_PID=$!
    export DISPLAY=":$n"
    break
  done
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X${DISPLAY#:} ]] && break; sleep 0.1; done

  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    echo "harness: creating the Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -p >/dev/null 2>&1 || true
  wineboot >/dev/null 2>&1 || true
}
