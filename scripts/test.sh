#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build with warnings as
# errors, then the same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
# Each build runs the whole suite on a bare X server (Xvfb), then its window tests and the
# end-to-end test again on the desktops labs use: Xvfb with openbox, and Weston (Wayland).
# The sanitizer build runs on the desktops where the program runs code of its own: bare X (the
# X11 paths) and Weston (the Wayland paths). Under a window manager on X11 it runs the very same
# code as on bare X; what differs there is the window manager's stacking and focus, which the
# dev build's run checks and a sanitizer does not.
# Every display server runs with Mesa's software OpenGL (scripts/desktop.sh starts them).
# The dev build runs its window tests once more on each common desktop's own window manager:
# Xfce's xfwm4, GNOME's mutter and KDE's kwin, on X11, and on GNOME's Wayland compositor
# (mutter). There the tests that only compare frames their windows drew, read back from memory
# (label own_frames), stay out: no window manager can change them, and the runs above hold them.
# Usage: scripts/test.sh [dev|asan]...   (default: dev asan)
#        QUORVEL_DESKTOPS="bare openbox weston" chooses the dev build's desktops (default: those),
#        QUORVEL_ASAN_DESKTOPS="bare weston" the sanitizer build's, and
#        QUORVEL_DEV_DESKTOPS="xfwm4 mutter-x11 kwin-x11 mutter" the desktops whose window
#        tests only the dev build runs (default: those four).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/stages.sh

# Run on its own, it prints its time table at the end; under .ci/run the table is CI's.
stage_log_own

timed "install: Debian packages" bash scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan)
read -r -a desktops <<<"${QUORVEL_DESKTOPS:-bare openbox weston}"
read -r -a asan_desktops <<<"${QUORVEL_ASAN_DESKTOPS:-bare weston}"
read -r -a dev_desktops <<<"${QUORVEL_DEV_DESKTOPS-xfwm4 mutter-x11 kwin-x11 mutter}"

# Every C++ file as clang-format lays it out (.clang-format), before anything is built.
check_format() {
  git rev-parse --git-dir >/dev/null 2>&1 || return 0
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}
echo "== formatting"
timed "format check" check_format

export LIBGL_ALWAYS_SOFTWARE=1
# Tests that need no display must not depend on the font cache warming up in time.
export QT_LOGGING_RULES="qt.qpa.*=false"

for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  timed "$preset: configure and build" \
    bash -c 'cmake --preset "$1" >/dev/null && cmake --build --preset "$1" -- -j"$(nproc)"' _ "$preset"
  run_on=("${desktops[@]}")
  [ "$preset" != asan ] || run_on=("${asan_desktops[@]}")
  further=()
  [ "$preset" != dev ] || further=("${dev_desktops[@]}")
  for desktop in "${run_on[@]}"; do
    if [ "$desktop" = bare ]; then
      echo "== $preset: every test, bare X server"
      timed "$preset: every test, bare X" \
        bash scripts/desktop.sh bare ctest --preset "$preset" -j"$(nproc)"
      if [ "$preset" = dev ]; then
        # The drawing path of machines without OpenGL 2, forced: the whole program on it once.
        echo "== $preset: end-to-end test drawn without OpenGL, bare X server"
        timed "$preset: end-to-end test, raster drawing, bare X" \
          env QUORVEL_RENDER=raster bash scripts/desktop.sh bare ctest --preset "$preset" \
          -j"$(nproc)" -R EndToEnd
      fi
    else
      # Under the sanitizer the tests that only compare frames read back from memory run the
      # same code of ours on every desktop: bare X's run holds them.
      leave_out=()
      [ "$preset" != asan ] || leave_out=(-LE own_frames)
      echo "== $preset: window and end-to-end tests, $desktop"
      timed "$preset: window tests, $desktop" \
        bash scripts/desktop.sh "$desktop" ctest --preset "$preset" -j"$(nproc)" -L window \
        "${leave_out[@]}"
    fi
  done
  for desktop in "${further[@]}"; do
    echo "== $preset: window and end-to-end tests, $desktop"
    timed "$preset: window tests, $desktop" \
      bash scripts/desktop.sh "$desktop" ctest --preset "$preset" -j"$(nproc)" -L window \
      -LE own_frames
  done
done
