#!/usr/bin/env bash
# Builds the release preset and runs every benchmark under bench/; they print figures and
# never fail on speed. Window benchmarks run in Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)"
export LIBGL_ALWAYS_SOFTWARE=1
for b in build/release/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  xvfb-run -a -s "-screen 0 3840x2160x24 -nolisten tcp" "$b"
done
