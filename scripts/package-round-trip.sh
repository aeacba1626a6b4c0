#!/usr/bin/env bash
# Installs the Debian package as a lab does, starts the installed program as its desktop entry
# starts it (on openbox, a desktop with a window manager), and removes the package again:
#   bash scripts/package-round-trip.sh build/package/quorvel_<version>_amd64.deb
# Needs root, and a machine where Quorvel is not installed (CI's): the removal would take a
# lab's own installation with it. scripts/package.sh --install runs it after its checks.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/checks.sh
app_id=org.quorvel.Quorvel

# On the desktop (run by scripts/desktop.sh): start `quorvel --data-folder` with HOME in $1,
# note its window's properties in $1/xprop, end it as a logout does; its exit code in $1/rc.
if [ "${1:-}" = --look ]; then
  home="$2"
  HOME="$home" quorvel --data-folder >"$home/program.log" 2>&1 &
  pid=$!
  win=""
  for _ in $(seq 300); do
    xdotool search --onlyvisible --name '^Quorvel$' >"$home/windows" 2>/dev/null || true
    win="$(sed -n 1p "$home/windows")"
    [ -z "$win" ] || break
    sleep 0.1
  done
  [ -n "$win" ] || { echo "the installed program showed no window" >&2 && kill "$pid"; }
  [ -z "$win" ] || xprop -id "$win" WM_CLASS _NET_WM_ICON >"$home/xprop"
  kill -TERM "$pid"
  rc=0
  wait "$pid" || rc=$?
  echo "$rc" >"$home/rc"
  exit 0
fi

deb="$(realpath "${1:?usage: scripts/package-round-trip.sh PACKAGE.deb}")"
read -r version <VERSION
[ "$(id -u)" -eq 0 ] || { echo "package-round-trip: needs root" >&2 && exit 1; }
status="$(dpkg-query -W -f='${Status}' quorvel 2>/dev/null || true)"
if [ "$status" = "install ok installed" ]; then
  echo "package-round-trip: quorvel is installed here; removing it again would take it away" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"
mkdir -p "$home"

echo "== installing $deb"
apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log" && exit 1; }
dpkg-query -L quorvel >"$work/files"
bash scripts/desktop.sh openbox bash "$0" --look "$home"

says_its_version() {
  [ "$(quorvel --version)" = "Quorvel $version" ]
}
ends_politely() {
  [ "$(cat "$home/rc")" = 0 ] || { cat "$home/program.log" && return 1; }
}
makes_its_data_folder() {
  cmp "$home/Quorvel/click.wav" /usr/share/quorvel/click.wav
}
# Docks and task switchers find the entry by the window's class; the icon is on the window.
window_class_is_the_entrys() {
  local class
  class="$(sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p' "$home/xprop")"
  echo "window class: ${class:-none}"
  grep -qxF "StartupWMClass=$class" "/usr/share/applications/$app_id.desktop"
}
# The installed theme's icon (Qt takes one size of it, 128 x 128 here), not a generic one.
window_has_the_icon() {
  sed -n 's/.*Icon (\([0-9]*\) x [0-9]*):.*/\1/p' "$home/xprop" >"$home/icon-sizes"
  echo "icon sizes on the window: $(tr '\n' ' ' <"$home/icon-sizes")"
  awk '$1 >= 48 { found = 1 } END { exit !found }' "$home/icon-sizes"
}

echo "== checks of the installed package"
check "quorvel --version says $version" says_its_version
check "the program ends politely on SIGTERM" ends_politely
check "--data-folder makes ~/Quorvel with the package's click.wav" makes_its_data_folder
check "the window's class is the desktop entry's" window_class_is_the_entrys
check "the window carries the icon, at 48 x 48 or more" window_has_the_icon

echo "== removing quorvel"
dpkg --purge quorvel >/dev/null
removes_every_file() {
  local f left=0
  while read -r f; do
    if [ -f "$f" ] || [ -L "$f" ]; then echo "left behind: $f" && left=1; fi
  done <"$work/files"
  return "$left"
}
leaves_the_data_folder() {
  [ -f "$home/Quorvel/click.wav" ]
}
check "removing it removes its files" removes_every_file
check "removing it leaves the data folder" leaves_the_data_folder
checks_report
