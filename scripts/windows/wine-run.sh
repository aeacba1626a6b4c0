#!/usr/bin/env bash
# Runs one Windows program of the Windows build under Wine: the test runner's emulator
# (scripts/windows/build.sh names it to CMake), with the Windows Qt's and MinGW's DLLs on the
# path and the build's own Wine prefix (made on first use). The Qt folder is the one build.sh
# used, which it notes in build/windows/qt-prefix.txt.
#   scripts/windows/wine-run.sh PROGRAM.exe [ARGS...]
set -euo pipefail
out="$(cd "$(dirname "$0")/../.." && pwd)/build/windows"
qt="$(tail -n 1 "$out/qt-prefix.txt")"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPREFIX="${WINEPREFIX:-$out/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINEPATH="$(winpath "$qt/bin");$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix)"
WINEPATH+=";$(winpath /usr/x86_64-w64-mingw32/lib)"
export WINEPATH
exec wine "$@"
