#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the debug build with warnings as
# errors, then the same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
# Window tests run in a real X display (Xvfb, Mesa software OpenGL).
# Xvfb runs with -noreset: by default it resets whenever its last client leaves, and a test
# (or a benchmark's child process) that connects during the reset fails to start.
# Usage: scripts/test.sh [dev|asan]...   (default: dev asan)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(dev asan)

export LIBGL_ALWAYS_SOFTWARE=1
export QT_QPA_PLATFORM=xcb
# Tests that need no display must not depend on the font cache warming up in time.
export QT_LOGGING_RULES="qt.qpa.*=false"

for preset in "${presets[@]}"; do
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -j"$(nproc)"
  echo "== $preset: test"
  xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp -noreset" \
    ctest --preset "$preset" -j"$(nproc)"
done
