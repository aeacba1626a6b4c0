#!/usr/bin/env bash
# The installed Windows program as a Linux test starts a program: runs
# "C:\Program Files\Quorvel\quorvel.exe" (QUORVEL_WIN_PROGRAM names another) under Wine with the
# build's Wine prefix and only its own folder's DLLs, in the current folder, and ends it
# politely on SIGTERM: Wine would end it on the spot, so the signal becomes the close request
# Windows itself sends (taskkill without /F), and the program closes as from its close box.
# The real-input test's QUORVEL_PROGRAM points here (scripts/windows/installer-round-trip.sh).
set -uo pipefail
out="$(cd "$(dirname "$0")/../.." && pwd)/build/windows"
export WINEPREFIX="${WINEPREFIX:-$out/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
unset WINEPATH
program="${QUORVEL_WIN_PROGRAM:-C:\\Program Files\\Quorvel\\quorvel.exe}"

wine "$program" "$@" &
pid=$!
trap 'wine taskkill /im quorvel.exe >/dev/null 2>&1' TERM INT HUP
rc=0
while :; do
  wait "$pid"
  rc=$?
  kill -0 "$pid" 2>/dev/null || break
done
exit "$rc"
