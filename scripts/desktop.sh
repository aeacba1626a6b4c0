#!/usr/bin/env bash
# Runs a command on one of the desktops labs use, started here for the command's length:
#   bare     Xvfb alone (no window manager), as the quick checks have always run
#   openbox  Xvfb with openbox, a plain EWMH stacking window manager
#   weston   Weston's headless backend, the command on Qt's wayland platform
#   xfwm4       Xvfb with Xfce's window manager
#   mutter-x11  Xvfb with GNOME's window manager (mutter as an X11 window manager)
#   kwin-x11    Xvfb with KDE's window manager
#   mutter      GNOME's compositor on Wayland, headless with one virtual monitor
#   kwin        KDE's compositor on Wayland (kwin_wayland), headless with one virtual output;
#               for runs by hand: scripts/test.sh leaves it out and install-deps.sh does not
#               install it (kwin-wayland)
# Usage: scripts/desktop.sh bare|openbox|weston|xfwm4|mutter-x11|kwin-x11|mutter|kwin command...
# The screen is 1920x1080 (QUORVEL_SCREEN=WxH changes it). The command's exit code is kept.
#
# Xvfb runs with -noreset: by default it resets whenever its last client leaves, and a test
# (or a benchmark's child process) that connects during the reset fails to start.
set -euo pipefail

kind="${1:?usage: desktop.sh bare|openbox|weston|xfwm4|mutter-x11|kwin-x11|mutter|kwin command...}"
shift
screen="${QUORVEL_SCREEN:-1920x1080}"
width="${screen%x*}"
height="${screen#*x}"

pids=()
tmp="$(mktemp -d)"
cleanup() {
  # QUORVEL_DESKTOP_LOG=file keeps the display server's and window manager's logs (one that died
  # says why).
  # Desktops without a window manager of their own have no wm.log: the missing file must not
  # end the clean-up here (errexit), which left the desktop's processes running.
  if [ -n "${QUORVEL_DESKTOP_LOG:-}" ]; then
    cat "$tmp/server.log" "$tmp/wm.log" >"$QUORVEL_DESKTOP_LOG" 2>/dev/null || true
  fi
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

# The desktops' window managers and compositors talk to the session's message bus; each run
# has a bus of its own, ended with the run.
start_session_bus() {
  local address pid
  {
    read -r address
    read -r pid
  } < <(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  pids+=("$pid")
  export DBUS_SESSION_BUS_ADDRESS="$address"
}

# Starts an X11 window manager (the command) and waits until it is in charge: it has
# announced itself on the root window.
start_x_wm() {
  local name="$1"
  shift
  "$@" >"$tmp/wm.log" 2>&1 &
  pids+=("$!")
  wait_for "$name" sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
}

# A Wayland compositor gets a runtime folder of its own, where its socket goes.
wayland_runtime() {
  export XDG_RUNTIME_DIR="$tmp/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  socket="quorvel-$$"
}

# Starts a Wayland compositor (the command, whose socket is $socket), and points the command
# run on it (Qt's wayland platform) at it; ready once the socket is there.
start_wayland() {
  local name="$1"
  shift
  "$@" >"$tmp/server.log" 2>&1 &
  pids+=("$!")
  export WAYLAND_DISPLAY="$socket"
  unset DISPLAY
  export QT_QPA_PLATFORM=wayland
  wait_for "$name" test -S "$XDG_RUNTIME_DIR/$socket"
}

case "$kind" in
  bare)
    start_x
    ;;
  openbox)
    start_x
    start_x_wm openbox openbox --sm-disable
    ;;
  xfwm4)
    start_x
    start_session_bus
    start_x_wm xfwm4 xfwm4 --replace
    ;;
  mutter-x11)
    start_x
    start_session_bus
    start_x_wm "mutter --x11" mutter --x11 --replace --sm-disable
    ;;
  kwin-x11)
    start_x
    start_session_bus
    start_x_wm kwin_x11 kwin_x11 --replace
    ;;
  mutter)
    wayland_runtime
    start_session_bus
    start_wayland mutter mutter --headless --wayland --no-x11 \
      --virtual-monitor "${width}x${height}" --wayland-display="$socket"
    # As a GNOME session names its desktop to the programs it starts.
    export XDG_CURRENT_DESKTOP=GNOME
    # Its screen-cast and remote-desktop services (the tests' screenshots and real input) are
    # on the bus a moment after the socket: a test that looked before would find none.
    for service in ScreenCast RemoteDesktop; do
      wait_for "mutter's $service service" sh -c "dbus-send --session --print-reply \
        --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner \
        string:org.gnome.Mutter.$service | grep -q 'boolean true'"
    done
    # Tests see the screen through mutter's screen cast, which PipeWire carries (a session
    # manager, WirePlumber, links the stream); the script takes one picture.
    pipewire >"$tmp/pipewire.log" 2>&1 &
    pids+=("$!")
    wait_for "pipewire" test -S "$XDG_RUNTIME_DIR/pipewire-0"
    wireplumber >"$tmp/wireplumber.log" 2>&1 &
    pids+=("$!")
    QUORVEL_SCREENSHOT="$(cd "$(dirname "$0")" && pwd)/lib/mutter-screenshot.py"
    export QUORVEL_SCREENSHOT
    ;;
  kwin)
    wayland_runtime
    start_session_bus
    # Debian's kwin_wayland carries the file capability cap_sys_resource; where the capability
    # bounding set lacks it (a container), starting it fails with "Operation not permitted".
    # A copy has no file capability and runs the same, without raising its own limits.
    if [ ! -x /usr/bin/kwin_wayland ]; then
      echo "desktop.sh: kwin_wayland is not installed (Debian: kwin-wayland)" >&2
      exit 2
    fi
    cp /usr/bin/kwin_wayland "$tmp/kwin_wayland"
    # The permission checks let a program that is no part of KDE read the screen (the tests'
    # screenshots) and send input.
    start_wayland kwin_wayland env KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
      KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 "$tmp/kwin_wayland" --virtual --width "$width" \
      --height "$height" --socket "$socket" --no-lockscreen
    # As a Plasma session names its desktop to the programs it starts.
    export XDG_CURRENT_DESKTOP=KDE
    # Its screenshot effect is loaded a moment after the socket is up.
    wait_for "kwin's screenshot service" sh -c 'dbus-send --session --print-reply \
      --dest=org.kde.KWin /org/kde/KWin/ScreenShot2 org.freedesktop.DBus.Introspectable.Introspect |
      grep -q org.kde.KWin.ScreenShot2'
    QUORVEL_SCREENSHOT="$(cd "$(dirname "$0")" && pwd)/lib/kwin-screenshot.py"
    export QUORVEL_SCREENSHOT
    ;;
  weston)
    wayland_runtime
    # The headless backend has no seat; Qt 6.4's Wayland text-input context then crashes on
    # the first click into a text field (QWaylandInputDevice::textInput on a missing device).
    # A lab's compositor has a seat; here the input method is left out.
    export QT_IM_MODULE=none
    # The pixman renderer draws the composed screen and --debug lets weston-screenshooter take
    # it, so tests see what a subject sees.
    start_wayland weston weston --backend=headless-backend.so --use-pixman --width="$width" \
      --height="$height" --socket="$socket" --idle-time=0 --debug
    # The desktop shell's panel is up when weston-info lists an output of the right size.
    wait_for "weston's output" sh -c "weston-info | grep -q 'width: $width'"
    ;;
  *)
    echo "desktop.sh: unknown desktop '$kind'" \
      "(bare, openbox, weston, xfwm4, mutter-x11, kwin-x11, mutter, kwin)" >&2
    exit 2
    ;;
esac

export QUORVEL_DESKTOP="$kind"
set +e
"$@"
code=$?
set -e
exit "$code"
