#!/usr/bin/env bash
# The Windows installer's round trip under Wine, as lab IT and a lab use it: installs
# quorvel-<version>-setup.exe silently (per machine), checks the files, the Start-menu entry and
# the uninstall entry, starts Quorvel from the Start-menu entry (its data folder
# Documents\Quorvel is made, with click.wav), runs whole tests with the installed program (the
# real-input test of the Linux dev build, driving it through the X server), uninstalls silently
# and checks that the data folder is still there; then the same install and uninstall per user.
# Run by scripts/windows/test.sh on a desktop with a window manager (scripts/desktop.sh openbox).
set -euo pipefail
cd "$(dirname "$0")/../.."
repo="$PWD"
source scripts/lib/checks.sh
out="$repo/build/windows"
read -r version <VERSION
setup="$out/quorvel-$version-setup.exe"
stage="$out/stage/quorvel-$version-windows-x64"
export WINEPREFIX="$out/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d"
unset WINEPATH
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

drive_c="$WINEPREFIX/drive_c"
user_dir="$drive_c/users/$(id -un)"
# The prefix links Documents to the Linux home, whose Quorvel folder may be a lab's own data:
# here it is a folder of the build's.
if [ -L "$user_dir/Documents" ] || [ ! -d "$user_dir/Documents" ]; then
  rm -f "$user_dir/Documents"
  mkdir -p "$user_dir/Documents"
fi
data="$user_dir/Documents/Quorvel"
rm -rf "$data"

machine_dir="$drive_c/Program Files/Quorvel"
machine_link="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvel.lnk"
user_prog="$user_dir/AppData/Local/Programs/Quorvel"
user_link="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Quorvel.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
user_uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'

wait_until() {
  local _
  for _ in $(seq 600); do
    if "$@"; then return 0; fi
    sleep 0.1
  done
  return 1
}
gone() { [ ! -e "$1" ]; }
quorvel_window_up() {
  xdotool search --onlyvisible --name '^Quorvel$' >"$work/windows" 2>/dev/null || true
  [ -s "$work/windows" ]
}
quorvel_window_gone() { ! quorvel_window_up; }

# --- per machine, the default ---
echo "== installing $setup silently"
wine "$setup" /S
wait_until test -f "$machine_dir/uninstall.exe" || true

installs_the_zips_files() {
  diff -r -x uninstall.exe "$stage" "$machine_dir"
}
start_menu_entry_starts_quorvel_in_its_data_folder() {
  [ -f "$machine_link" ] || { echo "no $machine_link" && return 1; }
  python3 - "$machine_link" <<'PY'
import sys
link = open(sys.argv[1], "rb").read()
ok = True
for text in ("--data-folder", r"C:\Program Files\Quorvel\quorvel.exe"):
    if text.encode("utf-16-le") not in link and text.encode("ascii") not in link:
        print("the shortcut lacks", text)
        ok = False
sys.exit(0 if ok else 1)
PY
}
registers_its_uninstaller() {
  wine reg query "$uninstall_key" >"$work/reg" 2>&1 || true
  tr -d '\r' <"$work/reg" >"$work/reg.txt"
  grep -qE "DisplayVersion\s+REG_SZ\s+$version$" "$work/reg.txt" &&
    grep -qF 'uninstall.exe" /AllUsers /S' "$work/reg.txt" || { cat "$work/reg.txt" && return 1; }
}
program_carries_version_and_icon() {
  local types ok=0
  types="$(python3 scripts/windows/pe-resources.py "$machine_dir/quorvel.exe" | tr '\n' ' ')"
  echo "resource types in quorvel.exe: $types"
  for t in 3 14 16 24; do
    grep -qw "$t" <<<"$types" || { echo "no resource of type $t" && ok=1; }
  done
  # The version information's text names this version.
  python3 - "$machine_dir/quorvel.exe" "$version" <<'PY' || ok=1
import re, sys
exe = open(sys.argv[1], "rb").read()
# The key, its end and padding to four bytes (one or two characters of zero), the value.
key, value = "ProductVersion".encode("utf-16-le"), sys.argv[2].encode("utf-16-le")
if not re.search(re.escape(key) + b"(?:\0\0){1,2}" + re.escape(value) + b"\0\0", exe):
    print("quorvel.exe's version information does not say", sys.argv[2])
    sys.exit(1)
PY
  return "$ok"
}
echo "== checks of the installation"
check "the installer puts the zip's files into Program Files\\Quorvel" installs_the_zips_files
check "the Start-menu entry runs quorvel.exe --data-folder" \
  start_menu_entry_starts_quorvel_in_its_data_folder
check "the uninstaller is registered, version $version" registers_its_uninstaller
check "quorvel.exe carries its version and icon" program_carries_version_and_icon

# First start from the Start-menu entry, then closed as from its close box.
echo "== starting Quorvel from the Start menu"
wine start /unix "$machine_link"
first_start_makes_the_data_folder() {
  wait_until quorvel_window_up || { echo "no Quorvel window" && return 1; }
  wait_until test -f "$data/click.wav" || { echo "no $data/click.wav" && return 1; }
  cmp "$data/click.wav" "$stage/click.wav"
  wine taskkill /im quorvel.exe >/dev/null 2>&1 || true
  wait_until quorvel_window_gone || { echo "Quorvel did not close" && return 1; }
  # The settings are written at exit into the working folder: the data folder.
  wait_until test -f "$data/QVL.ini" || { echo "no QVL.ini in $data" && return 1; }
}
check "the first start makes Documents\\Quorvel with click.wav and works there" \
  first_start_makes_the_data_folder

# Whole tests with the installed program, driven through the X server as a person would.
real_input="$repo/build/dev/tests/integration/real_input_test"
whole_tests_with_the_installed_program() {
  [ -x "$real_input" ] || { echo "no $real_input (the Linux dev build)" && return 1; }
  QUORVEL_PROGRAM="$repo/scripts/windows/installed-quorvel.sh" \
    "$real_input" --gtest_filter='RealInputTest.TwoTestsWithInstantKeys*'
}
check "whole tests with the installed program" whole_tests_with_the_installed_program

echo "== uninstalling silently"
wine "$machine_dir/uninstall.exe" /AllUsers /S
# The uninstaller runs from a copy of itself and returns at once: wait for its work.
wait_until gone "$machine_dir" || true
uninstall_removes_the_program() {
  local ok=0
  gone "$machine_dir" || { echo "left: $(find "$machine_dir")" && ok=1; }
  gone "$machine_link" || { echo "left: the Start-menu entry" && ok=1; }
  if wine reg query "$uninstall_key" >/dev/null 2>&1; then echo "left: $uninstall_key" && ok=1; fi
  return "$ok"
}
uninstall_leaves_the_data() {
  [ -f "$data/click.wav" ] && [ -f "$data/QVL.ini" ]
}
check "uninstalling removes the program, its entry and its registration" \
  uninstall_removes_the_program
check "uninstalling leaves Documents\\Quorvel" uninstall_leaves_the_data

# --- per user, without administrator rights ---
echo "== installing per user, silently"
wine "$setup" /S /CurrentUser
wait_until test -f "$user_prog/uninstall.exe" || true
per_user_install_is_the_users() {
  diff -r -x uninstall.exe "$stage" "$user_prog" && [ -f "$user_link" ] &&
    gone "$machine_dir" && wine reg query "$user_uninstall_key" >/dev/null 2>&1
}
check "per user: into the user's programs folder and Start menu" per_user_install_is_the_users
wine "$user_prog/uninstall.exe" /CurrentUser /S
wait_until gone "$user_prog" || true
per_user_uninstall_removes_it() {
  gone "$user_prog" && gone "$user_link" && [ -f "$data/click.wav" ]
}
check "per user: uninstalling removes it and leaves the data" per_user_uninstall_removes_it

rm -rf "$data"
checks_report
