# Sourced by the test, run and bench scripts: a Wine prefix of our own inside the build
# tree, an X display (Xvfb when none is given or when asked for), and a persistent
# wineserver for the run. hl_env_stop (also run on exit) stops what hl_env_start started.

hl_env_start() {
  local build_dir="$1" want_xvfb="${2:-always}"
  export WINEPREFIX="$build_dir/wineprefix"
  export WINEARCH=win64
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LC_ALL=C.UTF-8
  HL_XVFB_PID=""
  HL_STARTED_WINESERVER=""

  if [ "$want_xvfb" = always ] || [ -z "${DISPLAY:-}" ]; then
    local n=90
    while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
    HL_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X${n}" ] && break
      sleep 0.1
    done
  fi
  trap hl_env_stop EXIT

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine test prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  wineserver -p >/dev/null 2>&1 && HL_STARTED_WINESERVER=1
  # Start Wine's background services (and its desktop process) now, detached from our
  # output: a test program that started them would hand them its output pipe, and the
  # test runner would wait on that pipe until the services end.
  wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
  return 0
}

hl_env_stop() {
  if [ -n "${HL_STARTED_WINESERVER:-}" ]; then
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    HL_STARTED_WINESERVER=""
  fi
  if [ -n "${HL_XVFB_PID:-}" ]; then
    kill "$HL_XVFB_PID" >/dev/null 2>&1 || true
    wait "$HL_XVFB_PID" 2>/dev/null || true
    HL_XVFB_PID=""
  fi
}
