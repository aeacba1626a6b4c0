#!/usr/bin/env bash
# Runs one fuzz target of the `fuzz` preset for a while (default 600 s) on one core, growing
# a scratch corpus from the committed seeds. The run's log and any crash land in
# build/fuzz/findings/NAME; minimise a crash (NAME_fuzz -minimize_crash=1 FILE) and add it to
# fuzz/corpus/NAME, so the normal test run replays it from then on.
# Usage: fuzz/run.sh NAME [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
name=$1
seconds=${2:-600}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${name}_fuzz"
work=$root/build/fuzz/corpus/$name
findings=$root/build/fuzz/findings/$name
mkdir -p "$work" "$findings"
cd "$findings"
"$root/build/fuzz/fuzz/${name}_fuzz" -max_total_time="$seconds" -jobs=1 -workers=1 \
  -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$root/fuzz/corpus/$name" || true
tail -n 20 "$findings"/fuzz-0.log
