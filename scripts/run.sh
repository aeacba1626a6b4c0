#!/usr/bin/env bash
# Installs what is missing, builds Quorvel (release) and starts it.
# Quorvel writes its files into its working directory: by default ~/Quorvel (created when
# missing); give another folder as the first argument to start it there.
#
# Started with sudo (sudo bash scripts/run.sh), only the package installation runs as root:
# the build and the program run as the user who called sudo, on that user's display, with the
# data folder in that user's home, so the lab's files never end up owned by root.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
cd "$src"

bash scripts/install-deps.sh

# Who the program runs as, and where that user's home is.
as_user=()
user_home="$HOME"
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != "root" ]; then
  user_home="$(getent passwd "$SUDO_USER" | cut -d: -f6)"
  uid="$(id -u "$SUDO_USER")"
  env_vars=("HOME=$user_home" "USER=$SUDO_USER" "LOGNAME=$SUDO_USER")
  # sudo keeps DISPLAY and XAUTHORITY; the user's runtime folder lets sound reach the user's
  # audio server.
  [ -n "${DISPLAY:-}" ] && env_vars+=("DISPLAY=$DISPLAY")
  [ -n "${XAUTHORITY:-}" ] && env_vars+=("XAUTHORITY=$XAUTHORITY")
  [ -d "/run/user/$uid" ] && env_vars+=("XDG_RUNTIME_DIR=/run/user/$uid")
  as_user=(runuser -u "$SUDO_USER" -- env "${env_vars[@]}")
fi

# The build runs as the same user when that user may write the source tree.
build_as=()
if [ ${#as_user[@]} -gt 0 ] && "${as_user[@]}" test -w "$src"; then
  build_as=("${as_user[@]}")
fi
"${build_as[@]}" cmake --preset release >/dev/null
"${build_as[@]}" cmake --build --preset release -- -j"$(nproc)"

data="${1:-$user_home/Quorvel}"
"${as_user[@]}" mkdir -p "$data"
if [ ! -e "$data/click.wav" ] && [ -e "$src/assets/click.wav" ]; then
  "${as_user[@]}" cp "$src/assets/click.wav" "$data/click.wav"
fi
cd "$data"
echo "Quorvel: data folder $data"
exec "${as_user[@]}" "$src/build/release/src/quorvel"
