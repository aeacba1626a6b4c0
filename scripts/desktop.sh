#!/usr/bin/env bash
# Runs a command on one of the desktops labs use, started here for the command's length:
#   bare     Xvfb alone (no window manager), as the quick checks have always run
#   openbox  Xvfb with openbox, a plain EWMH stacking window manager
#   weston   Weston's headless backend, the command on Qt's wayland platform
# Usage: scripts/desktop.sh bare|openbox|weston command [args...]
# The screen is 1920x1080 (QUORVEL_SCREEN=WxH changes it). The command's exit code is kept.
#
# Xvfb runs with -noreset: by default it resets whenever its last client leaves, and a test
# (or a benchmark's child process) that connects during the reset fails to start.
set -euo pipefail

kind="${1:?usage: desktop.sh bare|openbox|weston command...}"
shift
screen="${QUORVEL_SCREEN:-1920x1080}"
width="${screen%x*}"
height="${screen#*x}"

pids=()
tmp="$(mktemp -d)"
cleanup() {
  # QUORVEL_DESKTOP_LOG=file keeps the display server's log (a compositor that died says why).
  [ -n "${QUORVEL_DESKTOP_LOG:-}" ] && cp "$tmp/server.log" "$QUORVEL_DESKTOP_LOG" 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

# Waits up to 20 s for a condition (a command), or fails with a message.
wait_for() {
  local what="$1"
  shift
  for _ in $(seq 200); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "desktop.sh: $what did not come up" >&2
  [ -s "$tmp/server.log" ] && tail -20 "$tmp/server.log" >&2
  return 1
}

start_x() {
  # Xvfb takes a free display number itself and writes it to the file: desktops started at the
  # same moment (parallel test shards) never race for one.
  Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -nolisten tcp -noreset \
    3>"$tmp/display" >"$tmp/server.log" 2>&1 &
  pids+=("$!")
  wait_for "Xvfb" test -s "$tmp/display"
  export DISPLAY=":$(head -n 1 "$tmp/display")"
  unset WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  wait_for "Xvfb $DISPLAY" xdpyinfo
}

case "$kind" in
  bare)
    start_x
    ;;
  openbox)
    start_x
    openbox --sm-disable >"$tmp/wm.log" 2>&1 &
    pids+=("$!")
    # The window manager is in charge once it has announced itself on the root window.
    wait_for "openbox" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
    ;;
  weston)
    export XDG_RUNTIME_DIR="$tmp/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    socket="quorvel-$$"
    # The pixman renderer draws the composed screen and --debug lets weston-screenshooter take
    # it, so tests see what a subject sees.
    weston --backend=headless-backend.so --use-pixman --width="$width" --height="$height" \
      --socket="$socket" --idle-time=0 --debug >"$tmp/server.log" 2>&1 &
    pids+=("$!")
    export WAYLAND_DISPLAY="$socket"
    unset DISPLAY
    export QT_QPA_PLATFORM=wayland
    # The headless backend has no seat; Qt 6.4's Wayland text-input context then crashes on
    # the first click into a text field (QWaylandInputDevice::textInput on a missing device).
    # A lab's compositor has a seat; here the input method is left out.
    export QT_IM_MODULE=none
    wait_for "weston" test -S "$XDG_RUNTIME_DIR/$socket"
    # The desktop shell's panel is up when weston-info lists an output of the right size.
    wait_for "weston's output" sh -c "weston-info | grep -q 'width: $width'"
    ;;
  *)
    echo "desktop.sh: unknown desktop '$kind' (bare, openbox, weston)" >&2
    exit 2
    ;;
esac

export QUORVEL_DESKTOP="$kind"
set +e
"$@"
code=$?
set -e
exit "$code"
