#!/usr/bin/env bash
# Runs the Windows build's tests (unit, window and end-to-end) under Wine on a bare X server
# (Xvfb, Mesa's software OpenGL behind Wine's opengl32), then the installer's round trip under
# Wine on openbox (scripts/windows/installer-round-trip.sh). Builds first when there is no
# Windows build yet (scripts/windows/build.sh).
#   bash scripts/windows/test.sh              both
#   bash scripts/windows/test.sh -R EndToEnd  only the tests ctest picks with these arguments
#   bash scripts/windows/test.sh --installer  only the installer's round trip
#
# What Wine cannot show, and so no test here does: a touch digitizer (Wine has no WM_TOUCH or
# WM_POINTER touch input, so touch tests feed Qt's touch events directly, as on Linux), the
# real compositor and window manager of Windows, and the sound device (PlaySound is called, and
# returns at once, but nothing is heard).
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/stages.sh
stage_log_own
out="$PWD/build/windows"

bash scripts/install-deps.sh wine wine64 >/dev/null
if [ ! -f "$out/build/build.ninja" ] || [ ! -f "$out/qt-prefix.txt" ]; then
  bash scripts/windows/build.sh
fi

export LIBGL_ALWAYS_SOFTWARE=1
export QT_LOGGING_RULES="qt.qpa.*=false"
export WINEPREFIX="$out/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko dialogs; and no debugger waiting on a crashed test: it crashes and fails.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

# A Wine prefix of the build's own, made once (half a minute): no dialogs about Mono or Gecko.
if [ ! -f "$WINEPREFIX/.quorvel-ready" ]; then
  echo "== making the Wine prefix"
  timed "Windows: make the Wine prefix" \
    bash scripts/desktop.sh bare bash -c 'wineboot -i && wineserver -w'
  touch "$WINEPREFIX/.quorvel-ready"
fi

# Left out on Windows, for a reason of Windows' own (it runs on Linux):
# - WriteRecordsTest.AFolderRemovedDuringTheTest*: Windows does not remove a folder while a
#   file in it is open.
# - WriteRunRecordTest.OfWritersWithOneRunIdAtOnce*: eight threads of one process write one
#   run's record at once. Under Wine, about one run in two of this test's program crashes in
#   Qt's regular-expression clean-up at a thread's end (pcre2_jit_stack_free) or hangs at exit,
#   after every check passed. The program writes its records on its one user-interface thread,
#   and stations sharing a folder are separate processes, which the Linux rows of this test and
#   the concurrent-append test check; not yet understood on Windows.
# - CommandLineProcessTest.VersionAndHelpPrintToStdoutAndExitWithoutAWindow: in one run of the
#   whole suite under Wine, six at a time, its process did not end after its checks had passed,
#   until the 600 s limit (alone it passes in 3 s). Not yet understood; it runs on Linux, on
#   every desktop.
skip='WriteRecordsTest\.AFolderRemovedDuringTheTest|WriteRunRecordTest\.OfWritersWithOneRunIdAtOnce'
skip+='|CommandLineProcessTest\.VersionAndHelpPrintToStdoutAndExitWithoutAWindow'

# A Wine test spends most of its time waiting (process start, round trips to the X server and
# the Wine server), not computing: six at a time on two cores took 410 s on a busy machine where
# two at a time took 768 s on an idle one. Tests marked RUN_SERIAL (they read the screen or drive
# the pointer) still run alone. QUORVEL_WINE_JOBS changes the number.
#
# Wine's own processes (its server, services.exe, the desktop's explorer.exe) are started before
# the tests, kept for the whole run and given no terminal: started by the first test, they
# inherited its output pipe and ctest waited for that test until the last Wine process ended
# (minutes), or for ever.
# The round trip drives the installed program with the real-input test of the Linux dev build.
installer_round_trip() {
  if [ ! -x build/dev/tests/integration/real_input_test ]; then
    cmake --preset dev >/dev/null
    cmake --build --preset dev --target real_input_test -- -j"$(nproc)"
  fi
  bash scripts/desktop.sh openbox bash -c \
    "wineserver -p && wine cmd /c exit </dev/null >/dev/null 2>&1;
     bash scripts/windows/installer-round-trip.sh; rc=\$?; wineserver -k; exit \$rc"
}
if [ "${1:-}" = --installer ]; then
  timed "Windows: installer round trip under Wine, openbox" installer_round_trip
  exit 0
fi

jobs="${QUORVEL_WINE_JOBS:-$((3 * $(nproc)))}"
echo "== Windows tests under Wine, bare X server, $jobs at a time"
timed "Windows: tests under Wine, bare X" bash scripts/desktop.sh bare bash -c \
  "wineserver -p && wine cmd /c exit </dev/null >/dev/null 2>&1;
   ctest --test-dir '$out/build' -j$jobs --timeout 600 --output-on-failure -E '$skip' ${*@Q};
   rc=\$?; wineserver -k; exit \$rc"

# Selective runs (arguments for ctest) leave the installer out.
if [ $# -eq 0 ]; then
  echo "== the installer's round trip under Wine, openbox"
  timed "Windows: installer round trip under Wine, openbox" installer_round_trip
fi
