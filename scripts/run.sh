#!/usr/bin/env bash
# Installs what is missing, builds Quorvel (release) and starts it.
# Quorvel writes its files into its working directory: by default ~/Quorvel (created when
# missing); give another folder as the first argument to start it there.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)"

data="${1:-$HOME/Quorvel}"
mkdir -p "$data"
if [ ! -e "$data/click.wav" ] && [ -e "$src/assets/click.wav" ]; then
  cp "$src/assets/click.wav" "$data/click.wav"
fi
cd "$data"
echo "Quorvel: data folder $data"
exec "$src/build/release/src/quorvel"
