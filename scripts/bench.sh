#!/usr/bin/env bash
# Builds the release preset and runs every benchmark under bench/; they print figures and
# never fail on speed. Window benchmarks run in Xvfb.
# Xvfb runs with -noreset: by default it resets whenever its last client leaves, and a test
# (or a benchmark's child process) that connects during the reset fails to start.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
for b in build/release/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  xvfb-run -a -s "-screen 0 3840x2160x24 -nolisten tcp -noreset" "$b"
done
